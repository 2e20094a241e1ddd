// A see-through caption plate (a skin whose caption section has no colour of its own, as the
// program's skin has) writing in the title's own text colour changes nothing of the title: on
// a form's frame and on a skinned dialog's, what shows through it is the title right behind
// the text, never a copy of the title's top-left corner (its icon, its frame).
#include <windows.h>

#include "base/kvntUtils.h"
#include "forms/sSkinProvider.h"
#include "support/DialogFixture.h"
#include "support/FormSkin.h"
#include "ui/Bitmap.h"

using namespace formskin;
using namespace dialogtest;

namespace {

// The skin gets a caption section that paints nothing itself and writes in the given colour.
void AddSeeThroughPlate(FormSkin& s, TColor text) {
  TsGeneralData plate = PlainSection(u"CAPTION", 100, 0x00FF00FF, 2);
  for (auto& look : plate.Props) {
    look.Transparency = 100;
    look.FontColor.Color = Integer(text);
    look.GlowSize = 0;
  }
  s.skin.Manager.SkinCommonInfo.Sections[ssCaption] = s.skin.AddSection(plate);
  s.skin.Data->Reindex();
}

// The pixels of an area that differ between two pictures.
Integer DifferingPixels(const TBitmap& a, const TBitmap& b, const TRect& area) {
  Integer n = 0;
  for (Integer y = area.Top; y < area.Bottom; ++y)
    for (Integer x = area.Left; x < area.Right; ++x)
      n += (a.PixelColor(x, y) & 0xFFFFFF) != (b.PixelColor(x, y) & 0xFFFFFF);
  return n;
}

class TitlePlateForm : public SkinnedForm {
 protected:
  // The shown, skinned and active form's picture as the screen shows it.
  std::unique_ptr<TBitmap> ShowAndShoot() {
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    form->SetCaption(u"WWWW");
    SetCursorPos(0, 0);
    SkinAndShow();
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    return WindowShot(form->Handle());
  }
};

class TitlePlateDialog : public DialogWrapper {
 protected:
  std::unique_ptr<TBitmap> ShowAndShoot() {
    if (!MakeDialog()) return nullptr;
    SetWindowTextW(dlg, L"WWWW");
    ShowDialog();
    return Shot();
  }
};

}  // namespace

// The form's title with a see-through plate is the title without one, icon and text included.
TEST_F(TitlePlateForm, ASeeThroughPlateLeavesTheTitleAsItIs) {
  const auto plain = ShowAndShoot();
  ASSERT_LT(sp->FCaptionSkinIndex, 0);
  ASSERT_TRUE(sp->IconVisible());
  RenewForm();
  AddSeeThroughPlate(*skin, TColor(skin->skin.Data->gd[size_t(skin->title)].Props[1].FontColor.Color));
  const auto plated = ShowAndShoot();
  ASSERT_GE(sp->FCaptionSkinIndex, 0);
  // The title from the frame's left edge to the caption buttons: the icon, the room before the
  // text and the text itself.
  const TRect title(0, 0, sp->ButtonMin.cpRect.Left, sp->FHeaderHeight);
  ASSERT_GT(title.Width(), 60);
  EXPECT_EQ(DifferingPixels(*plain, *plated, title), 0);
  // The text was there to be compared: the title's colour does not fill the row of its centre.
  Integer ink = 0;
  for (Integer x = sp->FIconRect.Right + 1; x < title.Right; ++x)
    ink += (plated->PixelColor(x, sp->VCenter) & 0xFFFFFF) != kTitleActive;
  EXPECT_GT(ink, 4);
}

// A skinned dialog's title with a see-through plate is its title without one (no band of another
// colour, no copy of its corner under the text).
TEST_F(TitlePlateDialog, ASeeThroughPlateLeavesTheTitleAsItIs) {
  // The dialog writes its caption in its title section's text colour.
  constexpr TColor kText = 0x00203040;
  const Integer titleSection = AddDialogTitle();
  for (auto& look : skin->skin.Data->gd[size_t(titleSection)].Props) look.FontColor.Color = Integer(kText);
  const auto plain = ShowAndShoot();
  ASSERT_TRUE(plain);
  ASSERT_LT(Wrapper()->FCaptionSkinIndex, 0);
  DestroyWindow(dlg);
  dlg = nullptr;
  AddSeeThroughPlate(*skin, kText);
  const auto plated = ShowAndShoot();
  ASSERT_TRUE(plated);
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  ASSERT_GE(w->FCaptionSkinIndex, 0);
  const TRect title(0, 0, w->Icons[TkvDialogWnd::biClose].Rect.Left, w->HeaderHeight());
  ASSERT_GT(title.Width(), 60);
  EXPECT_EQ(DifferingPixels(*plain, *plated, title), 0);
  Integer ink = 0;
  for (Integer y = title.Top; y < title.Bottom; ++y)
    for (Integer x = title.Left; x < title.Right; ++x) ink += (plated->PixelColor(x, y) & 0xFFFFFF) == kText;
  EXPECT_GT(ink, 10);
}
