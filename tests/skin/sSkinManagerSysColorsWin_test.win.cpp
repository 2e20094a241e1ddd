// System colours from the skin: while the patch is in place and a visible form of the program
// is active, GetSysColor and GetSysColorBrush answer from the palette; once it is removed the
// system's own colours come back.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "skin/sSkinManager.h"
#include "skin/sSkinManagerSysColors.h"
#include "ui/Forms.h"

namespace {

COLORREF BrushColor(HBRUSH brush) {
  LOGBRUSH lb{};
  return GetObjectW(brush, sizeof lb, &lb) ? lb.lbColor : CLR_INVALID;
}

class SysColors : public testing::Test {
 protected:
  void SetUp() override {
    IsNT = true;
    app = std::make_unique<TApplication>();
  }
  void TearDown() override {
    UpdateColorsHooks(false);
    ForceEntryJumpPatches(false);
    app.reset();
  }
  // Shows a form and makes it the active one; false when it never became active.
  bool ShowActiveForm(TForm* form) {
    form->SetBounds(40, 40, 240, 160);
    form->Show();
    SetForegroundWindow(form->WindowHandle());
    SetActiveWindow(form->WindowHandle());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (Screen->ActiveForm() != form || !IsWindowVisible(form->WindowHandle())) {
      if (std::chrono::steady_clock::now() > end) return false;
      app->ProcessMessages();
      Sleep(5);
    }
    return true;
  }
  std::unique_ptr<TApplication> app;
};

}  // namespace

TEST_F(SysColors, AnActiveVisibleFormGetsThePaletteUntilThePatchGoes) {
  struct Case {
    int index;
    TkvPaletteColors paletteColor;
  };
  const Case cases[] = {{COLOR_WINDOW, pcEditBG},
                        {COLOR_WINDOWTEXT, pcEditText},
                        {COLOR_HIGHLIGHT, pcSelectionBG_Focused},
                        {COLOR_HIGHLIGHTTEXT, pcSelectionText_Focused}};
  for (const bool entryJump : {false, true}) {
    SCOPED_TRACE(entryJump ? "entry jump" : "hot patch where possible");
    DWORD system[std::size(cases)];
    COLORREF systemBrush[std::size(cases)];
    for (size_t i = 0; i < std::size(cases); ++i) {
      system[i] = GetSysColor(cases[i].index);
      systemBrush[i] = BrushColor(GetSysColorBrush(cases[i].index));
      ASSERT_EQ(systemBrush[i], system[i]);
    }
    const DWORD btnFace = GetSysColor(COLOR_BTNFACE);
    {
      DuRiruZireziv m(nullptr);
      ASSERT_EQ(DefaultManager, &m);
      m.SkinCommonInfo.Active = true;
      // Colours no system scheme uses, each apart from the system's.
      const TColor skin[] = {0x123456, 0x214365, 0x345612, 0x563412};
      for (size_t i = 0; i < std::size(cases); ++i) {
        m.Palette[cases[i].paletteColor] = skin[i];
        ASSERT_NE(DWORD(skin[i]), system[i]);
      }
      TForm* form = new TForm(app.get());
      form->AfterConstruction();
      ASSERT_TRUE(ShowActiveForm(form));

      ForceEntryJumpPatches(entryJump);
      UpdateColorsHooks(true);
      ASSERT_NE(SysColorPatchKind(), TkvPatchKind::None);
      for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].index);
        EXPECT_EQ(GetSysColor(cases[i].index), DWORD(skin[i]));
        EXPECT_EQ(BrushColor(GetSysColorBrush(cases[i].index)), COLORREF(skin[i]));
      }
      EXPECT_EQ(GetSysColor(COLOR_BTNFACE), btnFace);  // not taken from the skin

      // Hidden, the form no longer speaks for the screen: the system answers GetSysColor.
      form->Hide();
      app->ProcessMessages();
      EXPECT_EQ(GetSysColor(COLOR_WINDOW), system[0]);
      ASSERT_TRUE(ShowActiveForm(form));
      EXPECT_EQ(GetSysColor(COLOR_WINDOW), DWORD(skin[0]));

      // The patch removed while the form is still shown: the system's own colours again.
      UpdateColorsHooks(false);
      EXPECT_EQ(SysColorPatchKind(), TkvPatchKind::None);
      for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].index);
        EXPECT_EQ(GetSysColor(cases[i].index), system[i]);
        EXPECT_EQ(BrushColor(GetSysColorBrush(cases[i].index)), systemBrush[i]);
      }
      form->Free();
    }
    ForceEntryJumpPatches(false);
  }
}
