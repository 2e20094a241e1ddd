// The skinned button and the keyboard, moves and form activation: a push by the space key shows
// pressed and the release shows the look again, a move repaints a look the parent shows through
// (an opaque look keeps its cache), and a form that becomes active lets a held-back paint run;
// erasing copies the cache, the parent's end of update brings a held-back paint, a new font
// paints again.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/sMessages.h"
#include "controls/sButton.h"
#include "support/SkinnedFormFixture.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"

namespace {

constexpr TColor kNormal = 0x0000C0, kHot = 0x00C000, kPressed = 0xC00000;  // as TColor (BGR)

uint32_t Rgb(TColor c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

struct ClickCount {
  int count = 0;
  void Click(TObject*) { ++count; }
};

class ButtonKeys : public SkinnedFormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SkinnedFormTest::SetUp());
    const TsGeneralData look = ThreeStateSection(u"BUTTON", kNormal, kHot, kPressed);
    section = skin->AddSection(look);
    button = new TsButton(form);
    button->SetBounds(20, 20, 100, 30);
    button->SetParent(form);
    other = new TsButton(form);
    other->SetBounds(20, 100, 100, 30);
    other->SetParent(form);
    form->Show();
    Pump();
    // After the form has shown: showing looks the sections up again.
    for (TsButton* b : {button, other}) {
      b->SkinData()->SkinIndex = section;
      b->SkinData()->SetCommonSkinData(nullptr);
    }
  }
  // What the button's cache holds now at (x, y), as 0xRRGGBB.
  uint32_t CacheAt(Integer x = 3, Integer y = 3) {
    TBitmap* cache = button->SkinData()->FCacheBmp.get();
    return cache && cache->Width() > x && cache->Height() > y ? cache->View().At(x, y) & 0xFFFFFF : 0xFFFFFFFFu;
  }
  // Paints the button and waits until its window is drawn.
  void PaintNow() {
    RedrawWindow(button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
  }
  TsButton* button = nullptr;
  TsButton* other = nullptr;
  Integer section = -1;
};

TEST_F(ButtonKeys, ASpacePushShowsPressedAndItsReleaseShowsTheFocusedLook) {
  ClickCount clicks;
  button->SetOnClick(TNotifyEvent(&clicks, &ClickCount::Click));
  button->SetFocus();
  Pump();
  PaintNow();
  ASSERT_EQ(CacheAt(), Rgb(kHot));  // focused: active
  SendMessageW(button->Handle(), WM_KEYDOWN, VK_SPACE, 0x00390001);
  // The space character comes round to the form, which hands it to its controls.
  form->Perform(CM_DIALOGCHAR, VK_SPACE, 0);
  EXPECT_EQ(button->CurrentState(), 2);
  EXPECT_EQ(CacheAt(), Rgb(kPressed)) << "the push is shown at once";
  SendMessageW(button->Handle(), WM_KEYUP, VK_SPACE, LPARAM(0xC0390001));
  Pump();
  EXPECT_EQ(clicks.count, 1);
  EXPECT_EQ(button->CurrentState(), 1);
  EXPECT_EQ(CacheAt(), Rgb(kHot)) << "the release shows the focused look again";
}

TEST_F(ButtonKeys, OtherCharactersAndUnfocusedButtonsKeepTheirLook) {
  // The section's colours change behind the cache's back: only a rebuilt cache shows them.
  other->SetFocus();
  Pump();
  PaintNow();
  uint32_t before = CacheAt();
  skin->Section(section).Props[0].Color = Integer(kPressed);
  form->Perform(CM_DIALOGCHAR, VK_SPACE, 0);  // the button has no focus
  EXPECT_EQ(CacheAt(), before);
  button->SetFocus();
  Pump();
  PaintNow();
  before = CacheAt();
  skin->Section(section).Props[1].Color = Integer(kPressed);
  form->Perform(CM_DIALOGCHAR, 'a', 0);
  SendMessageW(button->Handle(), WM_KEYUP, 'A', 0);
  EXPECT_EQ(CacheAt(), before);
}

TEST_F(ButtonKeys, AMoveRepaintsOnlyALookTheParentShowsThrough) {
  other->SetFocus();
  Pump();
  PaintNow();
  ASSERT_EQ(CacheAt(), Rgb(kNormal));
  struct Case {
    const char* name;
    Integer transparency;
    bool repainted;
  } cases[] = {{"opaque", 0, false}, {"half see-through", 50, true}};
  for (const Case& c : cases) {
    PaintNow();
    // The section's colour changes behind the cache's back: only a rebuilt cache shows it.
    skin->Section(section).Props[0].Transparency = c.transparency;
    skin->Section(section).Props[0].Color = Integer(c.repainted ? kPressed : kHot);
    button->SkinData()->BGChanged = false;
    const uint32_t before = CacheAt();
    SendMessageW(button->Handle(), WM_MOVE, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(CacheAt() != before, c.repainted) << c.name;
    EXPECT_FALSE(button->SkinData()->BGChanged) << c.name;
  }
}

TEST_F(ButtonKeys, TheHotLookCountsWhileTheButtonIsActive) {
  button->SetFocus();
  Pump();
  PaintNow();
  ASSERT_EQ(CacheAt(), Rgb(kHot));
  skin->Section(section).Props[1].Transparency = 50;
  skin->Section(section).Props[1].Color = Integer(kPressed);
  button->SkinData()->BGChanged = false;
  const uint32_t before = CacheAt();
  SendMessageW(button->Handle(), WM_MOVE, 0, MAKELPARAM(20, 20));
  EXPECT_NE(CacheAt(), before);
}

TEST_F(ButtonKeys, ActivationEndsAPaintHeldBackForTheParent) {
  button->SkinData()->FUpdating = true;
  button->Perform(CM_UIACTIVATE, 0, 0);
  EXPECT_FALSE(button->SkinData()->FUpdating);
}

TEST_F(ButtonKeys, ErasingCopiesTheLookFromTheCache) {
  other->SetFocus();
  Pump();
  PaintNow();
  TBitmap bmp(button->Width(), button->Height(), pf32bit);
  bmp.Canvas()->Brush()->SetColor(clWhite);
  bmp.Canvas()->FillRect(TRect(0, 0, bmp.Width(), bmp.Height()));
  EXPECT_EQ(SendMessageW(button->Handle(), WM_ERASEBKGND, WPARAM(bmp.Canvas()->Handle()), 0), 0);
  EXPECT_EQ(bmp.View().At(3, 3) & 0xFFFFFF, Rgb(kNormal));
  EXPECT_EQ(bmp.View().At(96, 26) & 0xFFFFFF, Rgb(kNormal));
  // The focus cues are the skin's: the system is told the state is handled.
  EXPECT_EQ(SendMessageW(button->Handle(), WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0), 1);
}

TEST_F(ButtonKeys, APaintHeldBackForTheParentComesWithItsEndOfUpdate) {
  other->SetFocus();
  Pump();
  PaintNow();
  skin->Section(section).Props[0].Color = Integer(kPressed);
  button->SkinData()->BGChanged = true;
  button->SkinData()->FUpdating = true;
  PaintNow();
  EXPECT_EQ(CacheAt(), Rgb(kNormal)) << "held back";
  SendMessageW(button->Handle(), SM_ALPHACMD, KV_ENDPARENTUPDATE_HI, 0);
  EXPECT_FALSE(button->SkinData()->FUpdating);
  EXPECT_EQ(CacheAt(), Rgb(kPressed));
}

TEST_F(ButtonKeys, ANewFontEndsAHeldBackPaintAndRepaints) {
  other->SetFocus();
  Pump();
  PaintNow();
  button->SkinData()->FUpdating = true;
  skin->Section(section).Props[0].Color = Integer(kPressed);
  button->Font()->SetSize(button->Font()->Size() + 2);
  EXPECT_FALSE(button->SkinData()->FUpdating);
  PaintNow();
  EXPECT_EQ(CacheAt(), Rgb(kPressed));
}

}  // namespace
