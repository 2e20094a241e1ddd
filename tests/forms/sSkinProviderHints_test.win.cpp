// The hints of a skinned form's caption: a user title button's shows at once below and right
// of the cursor and goes when the mouse leaves; a title bar item's waits the application's
// hint pause, counted on a clock the test steps, and shows only while the mouse stays on it.
#include "forms/kvTitleBar.h"
#include "support/FormSkin.h"
#include "ui/Clock.h"

using namespace formskin;

namespace {

class StepClock : public TClock {
 public:
  uint64_t NowMs() const override { return now; }
  uint64_t now = 1000;
};

class CaptionHints : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    skin->skin.Manager.SkinCommonInfo.Sections[ssTBBtn] =
        skin->skin.AddSection(PlainSection(u"TB_BTN", 0, 0x002060A0, 3));
    skin->skin.Data->Reindex();
    Application->SetClock(&clock);
    Application->SetShowHint(true);
    form->SetShowHint(true);
  }
  void TearDown() override {
    Application->SetClock(nullptr);
    SkinnedForm::TearDown();
  }
  void Start() { SkinAndShow(); }
  // The mouse put on a point of the window, which the form is told of.
  void MouseAt(TPoint windowPoint, Integer ht) {
    const TPoint s = Screen(windowPoint.X, windowPoint.Y);
    SetCursorPos(s.X, s.Y);
    SendMessageW(form->Handle(), WM_NCMOUSEMOVE, ht, MAKELPARAM(s.X, s.Y));
  }
  static RECT RectOf(THintWindow* w) {
    RECT r{};
    GetWindowRect(w->Handle(), &r);
    return r;
  }
  TkvTitleBarItem* AddItem(const char16_t* hint) {
    if (!bar) bar = new TsTitleBar(form);
    TkvTitleBarItem* it = bar->Items()->Add();
    it->FAutoSize = false;
    it->FWidth = 30;
    it->FHeight = 16;
    it->FAlign = tbaLeft;
    it->FHint = hint;
    it->FShowHint = true;
    return it;
  }
  static TPoint Centre(const TRect& r) { return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }

  StepClock clock;
  TsTitleBar* bar = nullptr;
};

}  // namespace

TEST_F(CaptionHints, UserButtonShowsItsHintAtTheCursorAndHidesItOnLeaving) {
  Skin();
  TsTitleButton* pin = sp->FTitleButtons->Add();
  pin->Hint = u"Keep on top";
  TsTitleButton* plain = sp->FTitleButtons->Add();  // no hint
  ShowForm();
  sp->CalcItems();
  const TPoint c = SkinnedForm::Centre(pin->Data);
  MouseAt(c, HTUDBTN + 0);
  ASSERT_NE(pin->HintWnd, nullptr);
  EXPECT_TRUE(IsWindowVisible(pin->HintWnd->Handle()));
  EXPECT_EQ(pin->HintWnd->Caption(), u"Keep on top");
  const TPoint s = Screen(c.X, c.Y);
  const RECT r = RectOf(pin->HintWnd.get());
  EXPECT_EQ(r.left, s.X + 8);
  EXPECT_EQ(r.top, s.Y + 16);
  // Over the next button (without a hint) the first hint goes and none comes.
  MouseAt(SkinnedForm::Centre(plain->Data), HTUDBTN + 1);
  EXPECT_EQ(pin->HintWnd, nullptr);
  EXPECT_EQ(plain->HintWnd, nullptr);
  MouseAt(c, HTUDBTN + 0);
  ASSERT_NE(pin->HintWnd, nullptr);
  SendMessageW(form->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(pin->HintWnd, nullptr);
}

TEST_F(CaptionHints, TitleItemHintWaitsForThePauseOnTheClock) {
  Application->SetHintPause(500);
  TkvTitleBarItem* item = AddItem(u"Downloads");
  Start();
  const TPoint c = Centre(item->Rect);
  MouseAt(c, HTCAPTION);
  ASSERT_EQ(sp->CurrentHT, HTITEM + 0);
  EXPECT_EQ(Application->Hint(), u"Downloads");
  ASSERT_NE(sp->FHintTimer, nullptr);
  EXPECT_TRUE(sp->FHintTimer->Enabled());
  EXPECT_EQ(sp->FHintTimer->Interval(), 500u);
  EXPECT_EQ(item->HintWnd, nullptr);
  // The system timer firing early shows nothing: the clock says 499 ms.
  clock.now += 499;
  sp->OnHintTimer(nullptr);
  EXPECT_EQ(item->HintWnd, nullptr);
  EXPECT_TRUE(sp->FHintTimer->Enabled());
  clock.now += 1;
  sp->OnHintTimer(nullptr);
  ASSERT_NE(item->HintWnd, nullptr);
  EXPECT_FALSE(sp->FHintTimer->Enabled());
  EXPECT_EQ(item->HintWnd->Caption(), u"Downloads");
  // Leaving the item hides it.
  MouseAt(TPoint(item->Rect.Right + 40, c.Y), HTCAPTION);
  EXPECT_EQ(item->HintWnd, nullptr);
}

TEST_F(CaptionHints, TitleItemHintNeedsTheMouseStillOnTheItem) {
  Application->SetHintPause(300);
  TkvTitleBarItem* item = AddItem(u"Downloads");
  Start();
  MouseAt(Centre(item->Rect), HTCAPTION);
  ASSERT_TRUE(sp->FHintTimer && sp->FHintTimer->Enabled());
  const TPoint away = Screen(item->Rect.Right + 40, Centre(item->Rect).Y);
  SetCursorPos(away.X, away.Y);
  clock.now += 300;
  sp->OnHintTimer(nullptr);
  EXPECT_EQ(item->HintWnd, nullptr);
  EXPECT_FALSE(sp->FHintTimer->Enabled());
}

// Without a pause the hint shows at once; an item, a form or an application that shows no
// hints starts nothing.
TEST_F(CaptionHints, TitleItemHintWithoutPauseOrWithHintsOff) {
  Application->SetHintPause(0);
  TkvTitleBarItem* item = AddItem(u"Downloads");
  TkvTitleBarItem* quiet = AddItem(u"Settings");
  quiet->FShowHint = false;
  Start();
  MouseAt(Centre(item->Rect), HTCAPTION);
  ASSERT_NE(item->HintWnd, nullptr);
  EXPECT_EQ(sp->FHintTimer, nullptr);
  Application->SetHintPause(200);
  MouseAt(Centre(quiet->Rect), HTCAPTION);
  EXPECT_EQ(item->HintWnd, nullptr);
  EXPECT_EQ(sp->FHintTimer, nullptr);
  EXPECT_EQ(quiet->HintWnd, nullptr);
  EXPECT_EQ(Application->Hint(), u"Settings");  // the text still becomes the current hint
}
