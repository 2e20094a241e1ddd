// The scale queries painters ask the manager: its own PPI, whether the system's PPI is used,
// and the widths of scroll bars and combo box buttons.
#include <gtest/gtest.h>

#include "skin/sSkinManager.h"

TEST(SkinManagerScaleQueries, ManagerPPIByMode) {
  struct Case {
    TkvScaleMode mode;
    bool active, checkActive;
    Integer ppi;
  };
  const Case cases[] = {
      {sm100, true, true, 96},          {sm125, true, true, 120},    {sm150, true, true, 144},
      {sm200, true, true, 192},         {smOldMode, true, true, 96}, {smCustomPPI, true, true, 168},
      {smVCL, true, true, 0},           {sm150, false, true, 0},     {sm150, false, false, 144},
      {smCustomPPI, false, false, 168}, {smAuto, true, true, 120},
  };
  for (const Case& c : cases) {
    DuRiruZireziv m(nullptr);
    m.SysFontScale = 1;
    m.Options.ScaleMode = c.mode;
    m.Options.PixelsPerInch = 168;
    m.SkinCommonInfo.Active = c.active;
    EXPECT_EQ(m.ManagerPPI(c.checkActive), c.ppi) << int(c.mode) << ' ' << c.active << c.checkActive;
  }
}

TEST(SkinManagerScaleQueries, DesigningAlwaysAnswers96) {
  DuRiruZireziv m(nullptr);
  m.Options.ScaleMode = sm200;
  m.SetDesigning(true);
  EXPECT_EQ(m.ManagerPPI(false), 96);
  EXPECT_EQ(m.ComboBtnSizeAt(192, 17, 96), 17);  // the system's width, unscaled
}

TEST(SkinManagerScaleQueries, SystemPPIUsedOnlyInVCLModeAtAStandardPPI) {
  DuRiruZireziv m(nullptr);
  for (Integer ppi : {96, 120, 144, 192}) EXPECT_TRUE(m.UsesSystemPPI(ppi)) << ppi;
  for (Integer ppi : {0, 72, 97, 168, 240}) EXPECT_FALSE(m.UsesSystemPPI(ppi)) << ppi;
  for (TkvScaleMode mode : {sm100, sm150, smAuto, smOldMode, smCustomPPI}) {
    m.Options.ScaleMode = mode;
    EXPECT_FALSE(m.UsesSystemPPI(96)) << int(mode);
  }
}

// The system's 17-pixel scroll bar on a 96-PPI screen, with the system at 125 % (SysFontScale 1)
// or at 100 %.
TEST(SkinManagerScaleQueries, SystemWidthScaledByMode) {
  struct Case {
    TkvScaleMode mode;
    Integer sysFontScale, scalePPI, screenPPI, width;
  };
  const Case cases[] = {
      {smAuto, 1, 192, 96, 17},     {smOldMode, 0, 192, 96, 17},  // never scaled
      {smVCL, 0, 144, 96, 26},                                    // 25.5 rounds up
      {smVCL, 0, 144, 144, 17},     {smVCL, 0, 96, 192, 9},       // 8.5 rounds up
      {smCustomPPI, 0, 96, 96, 30},                               // 17 * 168 / 96 = 29.75; the scale PPI does not count
      {smCustomPPI, 1, 96, 96, 24},                               // 17 * 168 / 120 = 23.8
      {sm150, 0, 96, 96, 26},       {sm200, 0, 96, 96, 34},
      {sm100, 0, 192, 96, 17},      {sm200, 1, 96, 96, 27},  // 17 * 200 / 125 = 27.2
      {sm100, 3, 96, 96, 9},                                 // a system at 200 %: halved, 8.5 rounds up
  };
  for (const Case& c : cases) {
    DuRiruZireziv m(nullptr);
    m.Options.ScaleMode = c.mode;
    m.Options.PixelsPerInch = 168;
    m.SysFontScale = c.sysFontScale;
    EXPECT_EQ(m.ScaledSystemWidth(17, c.scalePPI, c.screenPPI), c.width) << int(c.mode) << ' ' << c.scalePPI;
    // A combo box button follows the same scaling outside design time.
    EXPECT_EQ(m.ComboBtnSizeAt(c.scalePPI, 17, c.screenPPI), c.width) << int(c.mode);
  }
}

TEST(SkinManagerScaleQueries, ScrollSizeFromOptionThenSkinThenSystem) {
  DuRiruZireziv m(nullptr);
  // The option's size wins, scaled to the PPI asked for.
  m.ScrollsOptions.ScrollSize = 17;
  EXPECT_EQ(m.ScrollSizeAt(144, 20, 96), 26);  // 25.5 rounds up
  EXPECT_EQ(m.ScrollSizeAt(96, 20, 96), 17);
  m.ScrollsOptions.ScrollSize = 0;
  EXPECT_EQ(m.ScrollSizeAt(192, 20, 96), 0);  // 0 is a size too: no scroll bar
  // Without the option: the skin's width at that PPI, as the skin gives it.
  m.ScrollsOptions.ScrollSize = -1;
  auto slot = std::make_unique<TkvSkinData>();
  slot->PPI = 144;
  slot->ScrollsWidth = 21;
  m.SkinDataArray.push_back(std::move(slot));
  m.SkinCommonInfo.Active = true;
  EXPECT_EQ(m.ScrollSizeAt(144, 20, 96), 21);
  // A skin that sets no width: the system's, scaled (smVCL: by the PPI over the screen's).
  m.SkinDataArray[0]->ScrollsWidth = -1;
  EXPECT_EQ(m.ScrollSizeAt(144, 20, 96), 30);
  m.Options.ScaleMode = smOldMode;
  EXPECT_EQ(m.ScrollSizeAt(144, 20, 96), 20);
}
