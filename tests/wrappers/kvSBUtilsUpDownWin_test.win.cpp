// Up-down controls painted by their wrapper: each button in its section and look by where the
// cursor is and whether the mouse is down, the columns a dialog's control leaves alone, the
// mirrored horizontal control, and the skin's arrow glyphs.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "raster/kvgpUtils.h"
#include "support/ControlSkin.h"
#include "ui/ComCtrls.h"
#include "wrappers/kvSBUtilsUpDown.h"

namespace {

constexpr TColor kUp[3] = {0x100000, 0x110000, 0x120000}, kDown[3] = {0x200000, 0x210000, 0x220000};
constexpr TColor kLeft[3] = {0x300000, 0x310000, 0x320000}, kRight[3] = {0x400000, 0x410000, 0x420000};
constexpr TColor kGlyph[3] = {0x0000A0, 0x0000B0, 0x0000C0};

class UpDown : public ControlSkin {
 protected:
  void SetUp() override {
    ControlSkin::SetUp();
    Section(u"SPEEDBUTTON_SMALL", {0x505050});
    auto& b = skin.Data->UpDownBtns;
    b[asTop].SkinIndex = Section(u"UPDOWN_UP", {kUp[0], kUp[1], kUp[2]});
    b[asBottom].SkinIndex = Section(u"UPDOWN_DOWN", {kDown[0], kDown[1], kDown[2]});
    b[asLeft].SkinIndex = Section(u"UPDOWN_LEFT", {kLeft[0], kLeft[1], kLeft[2]});
    b[asRight].SkinIndex = Section(u"UPDOWN_RIGHT", {kRight[0], kRight[1], kRight[2]});
    form->Show();
    SetCursorPos(1, 1);
  }
  static void CursorAt(HWND h, Integer dx, Integer dy) {
    RECT r{};
    GetWindowRect(h, &r);
    SetCursorPos(r.left + dx, r.top + dy);
  }
};

}  // namespace

TEST_F(UpDown, ButtonLooksFollowTheCursorAndThePress) {
  HWND h = Child(UPDOWN_CLASSW, L"", 0, 10, 10, 20, 40);
  auto* w = Wrap<TkvSpinWnd>(h, nullptr, u"SPEEDBUTTON_SMALL");
  Capture cap(20, 40);
  Print(h, cap);
  EXPECT_EQ(cap.At(1, 1), kUp[0]);
  EXPECT_EQ(cap.At(1, 38), kDown[0]);
  CursorAt(h, 10, 35);
  Print(h, cap);
  EXPECT_EQ(cap.At(1, 1), kUp[0]);
  EXPECT_EQ(cap.At(1, 38), kDown[1]);
  w->bMousePressed = true;
  Print(h, cap);
  EXPECT_EQ(cap.At(1, 1), kUp[0]);
  EXPECT_EQ(cap.At(1, 38), kDown[2]);
  CursorAt(h, 10, 5);
  Print(h, cap);
  EXPECT_EQ(cap.At(1, 1), kUp[2]);
  EXPECT_EQ(cap.At(1, 38), kDown[0]);
  // Drawn arrows in the buttons (no skin glyphs): something other than the section shows.
  bool arrow = false;
  for (Integer y = 2; y < 18; ++y)
    for (Integer x = 2; x < 18; ++x) arrow = arrow || cap.At(x, y) != kUp[2];
  EXPECT_TRUE(arrow);
  Unwrap(h, w);
}

TEST_F(UpDown, DialogControlLeavesItsTwoLeftColumns) {
  HWND h = Child(UPDOWN_CLASSW, L"", 0, 10, 10, 20, 40);
  auto* w = Wrap<TkvSpinWnd>(h, nullptr, u"SPEEDBUTTON_SMALL");
  w->lOffset = 2;
  Capture cap(20, 40);
  FillDC(cap.dc, TRect(0, 0, 20, 40), 0x123456);
  Print(h, cap);
  for (Integer y : {1, 20, 38}) {
    EXPECT_EQ(cap.At(0, y), TColor(0x123456));
    EXPECT_EQ(cap.At(1, y), TColor(0x123456));
  }
  EXPECT_EQ(cap.At(2, 1), kUp[0]);
  Unwrap(h, w);
}

TEST_F(UpDown, MirroredHorizontalControlLightsTheSecondButtonOnItsLeft) {
  HWND h = Child(UPDOWN_CLASSW, L"", UDS_HORZ, 10, 10, 40, 20);
  auto* w = Wrap<TkvSpinWnd>(h, nullptr, u"SPEEDBUTTON_SMALL");
  EXPECT_FALSE(w->IsVertical());
  Capture cap(40, 20);
  CursorAt(h, 5, 10);
  Print(h, cap);
  EXPECT_EQ(w->Btn1State, 1);
  EXPECT_EQ(cap.At(1, 1), kLeft[1]);
  EXPECT_EQ(cap.At(38, 1), kRight[0]);
  w->SetRTL();
  Print(h, cap);
  EXPECT_EQ(w->Btn1State, 0);
  EXPECT_EQ(w->Btn2State, 1);
  EXPECT_EQ(cap.At(38, 1), kRight[1]);
  Unwrap(h, w);
}

TEST_F(UpDown, SkinArrowGlyphsAreCentredInTheButtons) {
  skin.Data->ScrollBtns[asTop].GlyphIndex = Image(6, 6, {kGlyph[0], kGlyph[1], kGlyph[2]});
  HWND h = Child(UPDOWN_CLASSW, L"", 0, 10, 10, 20, 40);
  auto* w = Wrap<TkvSpinWnd>(h, nullptr, u"SPEEDBUTTON_SMALL");
  Capture cap(20, 40);
  CursorAt(h, 10, 5);
  Print(h, cap);
  EXPECT_EQ(cap.At(10, 10), kGlyph[1]);
  EXPECT_EQ(cap.At(7, 7), kGlyph[1]);  // at (20 - 6) div 2 in the upper 20 x 20 button
  EXPECT_EQ(cap.At(6, 6), kUp[1]);
  Unwrap(h, w);
}

TEST_F(UpDown, ClassLibraryUpDown) {
  LoadForm(
      u"object F: TForm\n  object ud: TUpDown\n    Left = 8\n    Top = 8\n    Width = 20\n    Height = 40\n"
      u"  end\nend\n");
  auto* ud = Find<TUpDown>(u"ud");
  auto* w = Wrap<TkvSpinWnd>(ud->Handle(), ud, u"SPEEDBUTTON_SMALL");
  Capture cap(20, 40);
  Print(ud->Handle(), cap);
  EXPECT_EQ(cap.At(1, 1), kUp[0]);
  EXPECT_EQ(cap.At(1, 38), kDown[0]);
  Unwrap(ud->Handle(), w);
}

// The child-control adapter wraps up-down controls without naming a section: the wrapper takes
// the up-down button section, so it counts as skinned and paints the buttons from the skin.
TEST_F(UpDown, WithoutASectionTheUpDownButtonSectionIsTaken) {
  const Integer own = Section(u"UPDOWNBTN", {0x606060});
  LoadForm(
      u"object F: TForm\n  object ud: TUpDown\n    Left = 8\n    Top = 8\n    Width = 20\n    Height = 40\n"
      u"  end\nend\n");
  auto* ud = Find<TUpDown>(u"ud");
  auto* w = Wrap<TkvSpinWnd>(ud->Handle(), ud);
  EXPECT_EQ(w->SkinData->SkinSection(), String(u"UPDOWNBTN"));
  EXPECT_EQ(w->SkinData->SkinIndex, own);
  EXPECT_TRUE(w->SkinData->Skinned());
  Capture cap(20, 40);
  Print(ud->Handle(), cap);
  EXPECT_EQ(cap.At(1, 1), kUp[0]);
  EXPECT_EQ(cap.At(1, 38), kDown[0]);
  Unwrap(ud->Handle(), w);
}

TEST_F(UpDown, NoHandleLeaksOverPaintsAndAttachCycles) {
  HWND h = Child(UPDOWN_CLASSW, L"", 0, 10, 10, 20, 40);
  Capture cap(20, 40);
  ExpectNoLeaks([&] {
    auto* w = Wrap<TkvSpinWnd>(h, nullptr, u"SPEEDBUTTON_SMALL");
    Print(h, cap);
    InvalidateRect(h, nullptr, TRUE);
    UpdateWindow(h);
    Unwrap(h, w);
  });
}
