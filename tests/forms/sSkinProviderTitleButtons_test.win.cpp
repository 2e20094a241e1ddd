// The title bar items and user title buttons of a skinned form: which items take the mouse, the
// buttons' setters, a new glyph ending a fade and a visibility change repainting the caption.
#include <windows.h>

#include <algorithm>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "forms/kvTitleBar.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

class TitleButtons : public SkinnedForm {};

}  // namespace

// Only items that act take the mouse: spacers, info items, disabled items and the tab that is
// already down belong to the caption under them, so they never go hot or pressed.
TEST_F(TitleButtons, OnlyItemsThatActAreHitTargets) {
  auto* bar = new TsTitleBar(form);
  struct Case {
    const char* name;
    TkvBtnStyle style;
    bool enabled, down;
    bool target;
  } cases[] = {
      {"button", bsButton, true, false, true},
      {"menu", bsMenu, true, false, true},
      {"tab up", bsTab, true, false, true},
      {"tab down", bsTab, true, true, false},
      {"info", bsInfo, true, false, false},
      {"spacer", bsSpacing, true, false, false},
      {"disabled button", bsButton, false, false, false},
      {"button down", bsButton, true, true, true},
  };
  for (const Case& c : cases) {
    TkvTitleBarItem* it = bar->Items()->Add();
    it->FAutoSize = false;
    it->FWidth = 14;
    it->FHeight = 12;
    it->FStyle = c.style;
    it->FEnabled = c.enabled;
    it->FDown = c.down;
  }
  SkinAndShow();
  for (Integer i = 0; i < Integer(std::size(cases)); ++i) {
    const Case& c = cases[i];
    TkvTitleBarItem* it = bar->Items()->Items(i);
    ASSERT_GT(it->Rect.Width(), 0) << c.name;
    const TPoint in((it->Rect.Left + it->Rect.Right) / 2, (it->Rect.Top + it->Rect.Bottom) / 2);
    EXPECT_EQ(HitTest(in.X, in.Y), c.target ? HTITEM + i : HTCAPTION) << c.name;
    // The mouse over it: only a target becomes the hot element.
    const TPoint s = Screen(in.X, in.Y);
    SendMessageW(form->Handle(), WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(s.X, s.Y));
    EXPECT_EQ(sp->CurrentHT == HTITEM + i, c.target) << c.name << " hot " << sp->CurrentHT;
  }
}

namespace {

struct MouseLog {
  Integer downs = 0, ups = 0;
  void Down(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++downs; }
  void Up(TObject*, TMouseButton, TShiftState, Integer, Integer) { ++ups; }
};

// The glyph's red as drawn (blending may round it down by one).
bool IsRed(TColor c) { return (c & 0xFFFF00) == 0 && (c & 0xFF) >= 0xFE; }

std::unique_ptr<TBitmap> SolidGlyph(Integer size, TColor color) {
  auto bmp = std::make_unique<TBitmap>(size, size, pf32bit);
  FillRect32(bmp.get(), TRect(0, 0, size, size), color, 255);
  return bmp;
}

}  // namespace

// Assigning title buttons replaces the provider's with copies of their settings; the new
// buttons keep their own visibility and fades.
TEST_F(TitleButtons, AssignedTitleButtonsAreCopiesOfTheGivenOnes) {
  Skin();
  sp->FTitleButtons->Add()->Name = u"old";
  TsTitleButtons given(nullptr);
  MouseLog log;
  TsTitleButton* pin = given.Add();
  pin->Name = u"pin";
  pin->Hint = u"Keep on top";
  pin->Enabled = false;
  pin->UseSkinData = false;
  pin->Visible = false;
  pin->Glyph->Assign(SolidGlyph(7, clRed).get());
  pin->OnMouseDown = TMouseEvent(&log, &MouseLog::Down);
  pin->OnMouseUp = TMouseEvent(&log, &MouseLog::Up);
  given.Add()->Name = u"second";

  sp->SetTitleButtons(&given);
  ASSERT_EQ(sp->FTitleButtons->Count(), 2);
  TsTitleButton* copy = sp->FTitleButtons->Items(0);
  EXPECT_NE(copy, pin);
  EXPECT_EQ(copy->Name, u"pin");
  EXPECT_EQ(copy->DisplayName(), u"pin");
  EXPECT_EQ(copy->Hint, u"Keep on top");
  EXPECT_FALSE(copy->Enabled);
  EXPECT_FALSE(copy->UseSkinData);
  EXPECT_TRUE(copy->Visible) << "visibility is not part of the copy";
  EXPECT_EQ(copy->Glyph->Width(), 7);
  EXPECT_EQ(copy->Glyph->PixelColor(3, 3), clRed);
  EXPECT_NE(copy->Glyph.get(), pin->Glyph.get());
  copy->MouseDown(mbLeft, TShiftState(), 1, 1);
  copy->MouseUp(mbLeft, TShiftState(), 1, 1);
  EXPECT_EQ(log.downs, 1);
  EXPECT_EQ(log.ups, 1);
  EXPECT_EQ(sp->FTitleButtons->Items(1)->Name, u"second");
  EXPECT_EQ(copy->Provider(), sp);
  EXPECT_EQ(pin->Provider(), nullptr);

  // Nothing to copy from: the library's assign error, and the buttons stay.
  EXPECT_THROW(sp->SetTitleButtons(nullptr), EConvertError);
  TsTitleButtons empty(nullptr);
  EXPECT_THROW(sp->FTitleButtons->Items(1)->Assign(&empty), EConvertError);
  EXPECT_EQ(sp->FTitleButtons->Count(), 2);
  sp->SetTitleButtons(&empty);
  EXPECT_EQ(sp->FTitleButtons->Count(), 0);
}

// A new glyph ends the button's running fade, which shows pictures of the old one.
TEST_F(TitleButtons, ANewGlyphEndsTheButtonsFade) {
  SkinAndShow();
  TsTitleButton* btn = sp->FTitleButtons->Add();
  TsTitleButton* other = sp->FTitleButtons->Add();
  sp->CalcItems();
  for (TsTitleButton* b : {btn, other}) StartSBAnimation(&b->Data, 1, 10, true, sp);
  ASSERT_NE(btn->Data.cpTimer, nullptr);
  ASSERT_NE(other->Data.cpTimer, nullptr);
  btn->Glyph->Assign(SolidGlyph(6, clBlue).get());
  EXPECT_EQ(btn->Data.cpTimer, nullptr);
  EXPECT_NE(other->Data.cpTimer, nullptr);
  // A copy's glyph is a new glyph too.
  other->Assign(btn);
  EXPECT_EQ(other->Data.cpTimer, nullptr);
  EXPECT_EQ(other->Glyph->PixelColor(2, 2), clBlue);
}

// Hiding a user button lays the caption out anew at once: the buttons close up and the screen
// shows the title where it was; showing it brings it back.
TEST_F(TitleButtons, ChangingAButtonsVisibilityRepaintsTheCaption) {
  Skin();
  TsTitleButton* first = sp->FTitleButtons->Add();
  TsTitleButton* second = sp->FTitleButtons->Add();
  for (TsTitleButton* b : {first, second}) {
    b->UseSkinData = false;
    b->Glyph->Assign(SolidGlyph(8, clRed).get());
  }
  ShowForm();
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  sp->CalcItems();
  const TRect firstRect = first->Data.cpRect, secondRect = second->Data.cpRect;
  ASSERT_GT(firstRect.Width(), 8);
  const TPoint outer((secondRect.Left + secondRect.Right) / 2, (secondRect.Top + secondRect.Bottom) / 2);
  auto screenAt = [&](const TPoint& p) { return WindowShot(form->Handle())->PixelColor(p.X, p.Y); };
  ASSERT_TRUE(IsRed(screenAt(outer))) << std::hex << screenAt(outer);

  first->SetVisible(false);
  EXPECT_FALSE(first->Visible);
  // The second button moved into the first one's place; its old place shows the title.
  EXPECT_EQ(second->Data.cpRect, firstRect);
  EXPECT_EQ(screenAt(outer), sp->FormActive ? kTitleActive : kTitleInactive);
  EXPECT_TRUE(IsRed(screenAt(TPoint((firstRect.Left + firstRect.Right) / 2, outer.Y))));

  first->SetVisible(true);
  EXPECT_EQ(second->Data.cpRect, secondRect);
  EXPECT_TRUE(IsRed(screenAt(outer)));
}
