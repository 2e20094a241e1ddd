// Title bar items in a skinned form's caption: laid out in the bar left of the caption
// buttons (alignment groups, widths, spacers, hidden items), hit-tested, painted into the
// window picture from the skin, faded on hover with ticks the test gives, pressed and clicked.
#include "forms/kvTitleBar.h"

#include <algorithm>
#include <sstream>

#include "base/WorkingBitmaps.h"
#include "support/FormSkin.h"
#include "ui/Clock.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

constexpr TColor kItemNormal = 0x002060A0;
constexpr TColor kItemHot = 0x0030C030;
constexpr TColor kItemPressed = 0x00C03030;
constexpr TColor kTabColor = 0x00A0A000;

// Counts the events it is bound to.
struct Counter {
  Integer n = 0;
  void Hit(TObject*) { ++n; }
};

bool Near(TColor a, TColor b, Integer tolerance = 2) {
  for (Integer shift : {0, 8, 16})
    if (std::abs(Integer(a >> shift & 0xFF) - Integer(b >> shift & 0xFF)) > tolerance) return false;
  return true;
}

class TitleBarForm : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    TsGeneralData btn = PlainSection(u"TB_BTN", 0, kItemNormal, 3);
    btn.Props[1].Color = Integer(kItemHot);
    btn.Props[2].Color = Integer(kItemPressed);
    skin->skin.Manager.SkinCommonInfo.Sections[ssTBBtn] = skin->skin.AddSection(btn);
    TsGeneralData tab = PlainSection(u"TB_TAB", 0, kTabColor, 3);
    skin->skin.Manager.SkinCommonInfo.Sections[ssTBTab] = skin->skin.AddSection(tab);
    skin->skin.Data->Reindex();
    TkvItemAnimation::ManualTicks = true;
    bar = new TsTitleBar(form);
  }
  void TearDown() override {
    TkvItemAnimation::ManualTicks = false;
    SkinnedForm::TearDown();
  }
  TkvTitleBarItem* Add(TkvItemAlign align, Integer width, TkvBtnStyle style = bsButton) {
    TkvTitleBarItem* it = bar->Items()->Add();
    it->FAutoSize = false;
    it->FWidth = width;
    it->FHeight = 16;
    it->FAlign = align;
    it->FStyle = style;
    return it;
  }
  void Start() {
    Skin();
    ShowForm();
    sp->CalcItems();
  }
  TPoint ScreenCentre(const TkvTitleBarItem* it) {
    return Screen((it->Rect.Left + it->Rect.Right) / 2, (it->Rect.Top + it->Rect.Bottom) / 2);
  }
  TColor CacheAt(const TkvTitleBarItem* it, Integer dx = 2, Integer dy = 2) {
    return sp->FCommonData->FCacheBmp->PixelColor(it->Rect.Left + dx, it->Rect.Top + dy);
  }
  void Repaint() {
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
  }
  void NCMouseMove(const TPoint& p) { SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(p.X, p.Y)); }
  TsTitleBar* bar = nullptr;
};

}  // namespace

TEST_F(TitleBarForm, ItemsAreLaidOutInTheBarLeftOfTheCaptionButtons) {
  TkvTitleBarItem* first = Add(tbaLeft, 30);
  TkvTitleBarItem* spacer = Add(tbaLeft, 10, bsSpacing);
  TkvTitleBarItem* hidden = Add(tbaLeft, 40);
  hidden->FVisible = false;
  TkvTitleBarItem* second = Add(tbaLeft, 20);
  TkvTitleBarItem* right = Add(tbaRight, 24);
  TkvTitleBarItem* centre = Add(tbaCenter, 12);
  bar->FRightSpacing = 3;
  Start();
  TkvSkinData* data = sp->SkinDataFor();
  const Integer gap = sp->BigButtons ? data->BISpacing : 0;
  const Integer leftmostButton =
      std::min({sp->ButtonClose.cpRect.Left, sp->ButtonMax.cpRect.Left, sp->ButtonMin.cpRect.Left});
  EXPECT_EQ(bar->FBarRect.Right, leftmostButton - gap - data->Spacing);
  EXPECT_EQ(bar->FBarRect.Left, sp->FIconRect.Right + (sp->FIconRect.Width() > 0 ? data->Spacing : 0));
  EXPECT_EQ(bar->SP, sp);

  // The left group runs from the bar's left edge; the spacer takes its width; the hidden item
  // takes none.
  EXPECT_EQ(first->Rect.Left, bar->FBarRect.Left);
  EXPECT_EQ(first->Rect.Width(), 30);
  EXPECT_EQ(spacer->Rect.Left, first->Rect.Right);
  EXPECT_EQ(second->Rect.Left, spacer->Rect.Right);
  EXPECT_EQ(bar->FLeftWidth, data->Spacing + 30 + 10 + 20);
  // The right group ends RightSpacing before the bar's right edge.
  EXPECT_EQ(right->Rect.Right, bar->FBarRect.Right - 3);
  // The centred item is centred in the space left of the caption's free right end.
  EXPECT_EQ(centre->Rect.Left, bar->FBarRect.Left + (bar->FFullRight - bar->FBarRect.Left - 12) / 2);
  // Buttons stand on the caption's centre line.
  EXPECT_EQ(first->Rect.Top, sp->VCenter - 8);
  EXPECT_EQ(first->Rect.Bottom, sp->VCenter + 8);

  // Hit codes: HTITEM + index for buttons, the caption for spacers.
  EXPECT_EQ(HitTest(first->Rect.Left + 3, first->Rect.Top + 3), HTITEM + 0);
  EXPECT_EQ(HitTest(second->Rect.Left + 3, second->Rect.Top + 3), HTITEM + 3);
  EXPECT_EQ(HitTest(spacer->Rect.Left + 3, spacer->Rect.Top + 3), HTCAPTION);
  // A disabled item is caption too.
  right->FEnabled = false;
  EXPECT_EQ(HitTest(right->Rect.Left + 3, right->Rect.Top + 3), HTCAPTION);
}

TEST_F(TitleBarForm, ItemsArePaintedIntoTheWindowPicture) {
  TkvTitleBarItem* button = Add(tbaLeft, 30);
  TkvTitleBarItem* disabled = Add(tbaLeft, 30);
  disabled->FEnabled = false;
  TkvTitleBarItem* tab = Add(tbaLeft, 30, bsTab);
  tab->FDown = true;
  Start();
  Repaint();
  EXPECT_TRUE(Near(CacheAt(button), kItemNormal)) << std::hex << CacheAt(button);
  EXPECT_TRUE(Near(CacheAt(tab, 2, 4), kTabColor)) << std::hex << CacheAt(tab, 2, 4);
  // A disabled item shows at half strength over the caption.
  const TColor title = sp->FormActive ? kTitleActive : kTitleInactive;
  const TColor half = TColor(((kItemNormal & 0xFF) * 127 + (title & 0xFF) * 128) / 255 |
                             (((kItemNormal >> 8 & 0xFF) * 127 + (title >> 8 & 0xFF) * 128) / 255) << 8 |
                             (((kItemNormal >> 16 & 0xFF) * 127 + (title >> 16 & 0xFF) * 128) / 255) << 16);
  EXPECT_TRUE(Near(CacheAt(disabled), half, 3)) << std::hex << CacheAt(disabled) << " " << half;

  // The window shows the picture (read through its window DC).
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  RECT w{};
  GetWindowRect(form->Handle(), &w);
  TBitmap shot(w.right - w.left, w.bottom - w.top, pf32bit);
  const TWindowDC dc(form->Handle());
  BitBlt(shot.Canvas()->Handle(), 0, 0, shot.Width(), shot.Height(), dc, 0, 0, SRCCOPY);
  const TColor onScreen = shot.PixelColor(button->Rect.Left + 2, button->Rect.Top + 2);
  EXPECT_TRUE(Near(onScreen, kItemNormal)) << std::hex << onScreen;
}

TEST_F(TitleBarForm, AnUnpressedTabStandsTwoPixelsLower) {
  TkvTitleBarItem* down = Add(tbaLeft, 30, bsTab);
  down->FDown = true;
  TkvTitleBarItem* up = Add(tbaLeft, 30, bsTab);
  Start();
  Repaint();
  EXPECT_EQ(down->Rect.Top, up->Rect.Top);
  EXPECT_TRUE(Near(CacheAt(down, 4, 0), kTabColor));
  EXPECT_FALSE(Near(CacheAt(up, 4, 1), kTabColor));
  EXPECT_TRUE(Near(CacheAt(up, 4, 2), kTabColor));
}

TEST_F(TitleBarForm, AGlyphStripShowsTheImageOfTheState) {
  TkvTitleBarItem* it = Add(tbaLeft, 30);
  it->FAutoSize = true;
  TBitmap strip(30, 10, pf32bit);
  const TPixelView v = ViewOf(&strip);
  const uint32_t colours[3] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu};  // normal, hot, pressed
  for (Integer y = 0; y < 10; ++y)
    for (Integer x = 0; x < 30; ++x) v.At(x, y) = colours[x / 10];
  it->FGlyph->Assign(&strip);
  it->FNumGlyphs = 3;
  Start();
  // Measured as one image of the strip.
  EXPECT_EQ(it->Rect.Width(), 10 + 6);
  for (Integer state = 0; state < 3; ++state) {
    it->FState = state;
    std::unique_ptr<TBitmap> look(CreateBmp32(it->Rect.Width(), it->Rect.Height()));
    it->FOnInternalDraw.Call(it, TRect(0, 0, look->Width(), look->Height()), look.get());
    const TColor want =
        TColor((colours[state] >> 16 & 0xFF) | (colours[state] & 0xFF00) | (colours[state] & 0xFF) << 16);
    std::ostringstream row;
    for (Integer x = 0; x < look->Width(); ++x) row << std::hex << look->PixelColor(x, it->Rect.Height() / 2) << " ";
    EXPECT_TRUE(Near(look->PixelColor(8, it->Rect.Height() / 2), want)) << state << ": " << row.str();
  }
}

TEST_F(TitleBarForm, HoverFadesTheHotLookInAndOut) {
  TkvTitleBarItem* it = Add(tbaLeft, 30);
  Counter enter, leave;
  it->FOnMouseEnter = TNotifyEvent(&enter, &Counter::Hit);
  it->FOnMouseLeave = TNotifyEvent(&leave, &Counter::Hit);
  Start();
  const TPoint c = ScreenCentre(it);
  SetCursorPos(c.X, c.Y);
  NCMouseMove(c);
  EXPECT_EQ(it->GetState(), 1);
  EXPECT_EQ(enter.n, 1);
  ASSERT_TRUE(it->Timer);
  TkvItemAnimation& anim = *it->Timer;
  EXPECT_EQ(anim.LastBlend, 25);
  ASSERT_TRUE(anim.AForm);
  RECT wr{};
  GetWindowRect(anim.AForm->WindowHandle(), &wr);
  EXPECT_EQ(wr.left, Screen(it->Rect.Left, it->Rect.Top).X);
  EXPECT_EQ(wr.top, Screen(it->Rect.Left, it->Rect.Top).Y);
  EXPECT_EQ(wr.right - wr.left, it->Rect.Width());
  EXPECT_TRUE(GetWindowLongW(anim.AForm->WindowHandle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  // The window shows the hot look.
  ASSERT_TRUE(anim.NewBmp);
  EXPECT_TRUE(Near(anim.NewBmp->PixelColor(2, 2), kItemHot)) << std::hex << anim.NewBmp->PixelColor(2, 2);
  EXPECT_FALSE(anim.Enabled());  // the test gives the ticks

  std::vector<Integer> blends;
  for (Integer i = 0; i < 9; ++i) {
    anim.OnAnimTimer(nullptr);
    blends.push_back(anim.LastBlend);
  }
  EXPECT_EQ(blends, (std::vector<Integer>{50, 75, 100, 125, 150, 175, 200, 225, 255}));

  // The cursor moves to the plain caption: the look fades out and its window goes.
  const TPoint away = Screen(sp->FIconRect.Right + 1, sp->VCenter);
  SetCursorPos(away.X, away.Y);
  NCMouseMove(away);
  EXPECT_EQ(it->GetState(), 0);
  EXPECT_EQ(leave.n, 1);
  EXPECT_EQ(anim.LastBlend, 255);
  blends.clear();
  for (Integer i = 0; i < 9 && anim.AForm; ++i) {
    anim.OnAnimTimer(nullptr);
    blends.push_back(anim.LastBlend);
  }
  EXPECT_EQ(blends, (std::vector<Integer>{225, 200, 175, 150, 125, 100, 75, 50, 25}));
  EXPECT_FALSE(anim.AForm);
  EXPECT_EQ(anim.Fade.CurrentState, -1);
}

TEST_F(TitleBarForm, PressAndReleaseOverTheItemClicksIt) {
  TkvTitleBarItem* it = Add(tbaLeft, 30);
  Counter click;
  it->FOnClick = TNotifyEvent(&click, &Counter::Hit);
  Start();
  const TPoint c = ScreenCentre(it);
  SetCursorPos(c.X, c.Y);
  NCMouseMove(c);
  SendMessageW(form->Handle(), WM_NCLBUTTONDOWN, HTITEM + 0, MAKELPARAM(c.X, c.Y));
  EXPECT_EQ(it->GetState(), 2);
  ASSERT_TRUE(it->Timer);
  it->Timer->OnAnimTimer(nullptr);  // the pressed look at full strength at once
  EXPECT_EQ(it->Timer->LastBlend, 255);
  EXPECT_TRUE(Near(it->Timer->NewBmp->PixelColor(2, 2), kItemPressed));
  EXPECT_EQ(click.n, 0);
  SendMessageW(form->Handle(), WM_NCLBUTTONUP, HTITEM + 0, MAKELPARAM(c.X, c.Y));
  EXPECT_EQ(click.n, 1);
  EXPECT_EQ(it->GetState(), 1);

  // Released elsewhere: no click.
  SendMessageW(form->Handle(), WM_NCLBUTTONDOWN, HTITEM + 0, MAKELPARAM(c.X, c.Y));
  const TPoint away = Screen(sp->FIconRect.Right + 1, sp->VCenter);
  SetCursorPos(away.X, away.Y);
  SendMessageW(form->Handle(), WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(away.X, away.Y));
  EXPECT_EQ(click.n, 1);
  EXPECT_EQ(it->GetState(), 0);
}

TEST_F(TitleBarForm, TabsOfGroupZeroReleaseEachOtherButtonsDoNot) {
  TkvTitleBarItem* tab1 = Add(tbaLeft, 30, bsTab);
  TkvTitleBarItem* tab2 = Add(tbaLeft, 30, bsTab);
  TkvTitleBarItem* b1 = Add(tbaLeft, 30);
  TkvTitleBarItem* b2 = Add(tbaLeft, 30);
  Start();
  tab1->SetDown(true);
  tab2->DoMouseDown(mbLeft, TShiftState(), 1, 1);
  EXPECT_TRUE(tab2->FDown);
  EXPECT_FALSE(tab1->FDown);
  b1->SetDown(true);
  b2->SetDown(true);
  EXPECT_TRUE(b1->FDown);  // group 0 buttons are no group
  b1->SetGroupIndex(-2);
  b2->SetGroupIndex(-2);
  b1->SetDown(false);
  b1->SetDown(true);
  EXPECT_FALSE(b2->FDown);  // any other equal group index is one
}

TEST_F(TitleBarForm, ChangingAnIntegerPropertyOfAPressedItemShowsItsNormalLook) {
  TkvTitleBarItem* it = Add(tbaLeft, 30);
  Start();
  it->SetState(2);
  it->SetWidth(40);
  EXPECT_EQ(it->GetState(), 0);
  EXPECT_EQ(it->FWidth, 40);
}

TEST_F(TitleBarForm, AMenuItemWithoutItsSectionIsDrawnFromTheBuiltInPicture) {
  TkvTitleBarItem* menu = Add(tbaLeft, 40, bsMenu);
  Start();
  ASSERT_EQ(bar->FDefaultMenuBtn->Width(), 3 * 24);
  Repaint();
  // The built-in picture's faces as colours (0x00BBGGRR): normal 0x8D5A0E, pressed 0x603C08.
  EXPECT_TRUE(Near(CacheAt(menu, 10, 8), TColor(0x8D5A0E))) << std::hex << CacheAt(menu, 10, 8);
  menu->FState = 2;
  std::unique_ptr<TBitmap> look(CreateBmp32(menu->Rect.Width(), menu->Rect.Height()));
  menu->FOnInternalDraw.Call(menu, TRect(0, 0, look->Width(), look->Height()), look.get());
  EXPECT_TRUE(Near(look->PixelColor(10, 8), TColor(0x603C08))) << std::hex << look->PixelColor(10, 8);
}

TEST_F(TitleBarForm, FreedImageListsAndMenusAreForgotten) {
  TkvTitleBarItem* it = Add(tbaLeft, 30, bsMenu);
  auto* images = new TImageList(form);
  auto* menu = new TPopupMenu(form);
  bar->SetImages(images);
  it->SetDropdownMenu(menu);
  EXPECT_EQ(bar->FImages, images);
  delete images;
  EXPECT_EQ(bar->FImages, nullptr);
  delete menu;
  EXPECT_EQ(it->FDropdownMenu, nullptr);
}

TEST(TitleBarOwner, OnlyAFormMayOwnATitleBar) {
  TComponent owner(nullptr);
  EXPECT_THROW({ TsTitleBar bar(&owner); }, Exception);
}

// The provider's KillAnimations stops every item's fade at once, their layered windows with them.
TEST_F(TitleBarForm, KillingTheAnimationsStopsEveryItemsFade) {
  TkvTitleBarItem* a = Add(tbaLeft, 30);
  TkvTitleBarItem* b = Add(tbaLeft, 30);
  Start();
  for (TkvTitleBarItem* it : {a, b}) {
    const TPoint c = ScreenCentre(it);
    SetCursorPos(c.X, c.Y);
    NCMouseMove(c);
  }
  // a fades out, b fades in.
  ASSERT_TRUE(a->Timer);
  ASSERT_TRUE(b->Timer);
  ASSERT_TRUE(a->Timer->AForm);
  ASSERT_TRUE(b->Timer->AForm);
  const HWND wa = a->Timer->AForm->WindowHandle(), wb = b->Timer->AForm->WindowHandle();
  sp->KillAnimations();
  EXPECT_FALSE(a->Timer);
  EXPECT_FALSE(b->Timer);
  EXPECT_FALSE(IsWindow(wa));
  EXPECT_FALSE(IsWindow(wb));
  // The bar itself does the same.
  const TPoint c = ScreenCentre(a);
  SetCursorPos(c.X, c.Y);
  NCMouseMove(c);
  ASSERT_TRUE(a->Timer);
  bar->KillAnimations();
  EXPECT_FALSE(a->Timer);
  SetCursorPos(0, 0);
}

namespace {

// The application's hint clock, stepped by the test.
struct StepClock : TClock {
  uint64_t NowMs() const override { return now; }
  uint64_t now = 1000;
};

}  // namespace

// An item's hint shows after the application's hint pause counted on its clock, in a plain hint
// window of the item's own near the cursor; leaving the item takes it away. A pause of 0 shows it
// at once; an item, form or application that shows no hints shows none.
TEST_F(TitleBarForm, AnItemsHintShowsAfterThePauseOnTheApplicationsClockAndGoesOnLeave) {
  TkvTitleBarItem* it = Add(tbaLeft, 30);
  it->FHint = u"Save the list";
  it->FShowHint = true;
  SetCursorPos(0, 0);  // the mouse is nowhere near the item until the test puts it there
  Start();
  form->SetShowHint(true);
  StepClock clock;
  Application->SetClock(&clock);
  const bool savedShow = Application->ShowHint();
  const Integer savedPause = Application->HintPause();
  const TScopeExit back([&] {
    Application->SetClock(nullptr);
    Application->SetShowHint(savedShow);
    Application->SetHintPause(savedPause);
    SetCursorPos(0, 0);
  });
  Application->SetShowHint(true);
  Application->SetHintPause(500);
  const TPoint c = ScreenCentre(it);
  const TPoint away = Screen(sp->FIconRect.Right + 1, sp->VCenter);
  NCMouseMove(away);
  SetCursorPos(c.X, c.Y);
  NCMouseMove(c);
  EXPECT_EQ(Application->Hint(), u"Save the list");
  EXPECT_FALSE(it->HintWnd);
  clock.now += 499;
  sp->OnHintTimer(nullptr);
  EXPECT_FALSE(it->HintWnd);
  clock.now += 1;
  sp->OnHintTimer(nullptr);
  ASSERT_TRUE(it->HintWnd);
  const HWND hint = it->HintWnd->Handle();
  EXPECT_TRUE(IsWindowVisible(hint));
  RECT hr{};
  GetWindowRect(hint, &hr);
  EXPECT_EQ(hr.left, c.X + 8);
  EXPECT_EQ(hr.top, c.Y + 16);
  // Shown once: a later check changes nothing.
  clock.now += 1000;
  sp->OnHintTimer(nullptr);
  EXPECT_EQ(it->HintWnd->Handle(), hint);
  SetCursorPos(away.X, away.Y);
  NCMouseMove(away);
  EXPECT_FALSE(it->HintWnd);
  EXPECT_FALSE(IsWindow(hint));

  // Leaving before the pause ends: nothing shows later.
  SetCursorPos(c.X, c.Y);
  NCMouseMove(c);
  SetCursorPos(away.X, away.Y);
  NCMouseMove(away);
  clock.now += 600;
  sp->OnHintTimer(nullptr);
  EXPECT_FALSE(it->HintWnd);

  struct Case {
    Integer pause;
    bool item, form, app, shows;
  };
  for (const Case k : {Case{0, true, true, true, true}, Case{0, false, true, true, false},
                       Case{0, true, false, true, false}, Case{0, true, true, false, false}}) {
    Application->SetHintPause(k.pause);
    it->FShowHint = k.item;
    form->SetShowHint(k.form);
    Application->SetShowHint(k.app);
    SetCursorPos(c.X, c.Y);
    NCMouseMove(c);
    clock.now += 10000;
    sp->OnHintTimer(nullptr);
    EXPECT_EQ(bool(it->HintWnd), k.shows) << k.item << k.form << k.app;
    SetCursorPos(away.X, away.Y);
    NCMouseMove(away);
    EXPECT_FALSE(it->HintWnd);
  }
}
