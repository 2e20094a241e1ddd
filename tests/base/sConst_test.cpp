#include "base/sConst.h"

#include <gtest/gtest.h>

#include <cstring>

#include "base/sDefaults.h"

TEST(PixelRecords, ByteOrderMatchesTheirViews) {
  TsColor_ px{};
  px.C = 0x11223344;
  EXPECT_EQ(px.B, 0x44);
  EXPECT_EQ(px.G, 0x33);
  EXPECT_EQ(px.R, 0x22);
  EXPECT_EQ(px.A, 0x11);

  TsColor col{};
  col.I = 0x0000FF;  // a colour value: red in the low byte
  EXPECT_EQ(col.R, 0xFF);
  EXPECT_EQ(col.B, 0);

  TsColor_RGB_ pxLong{};
  pxLong.Col = 0x80102030;
  EXPECT_EQ(pxLong.Blue, 0x30);
  EXPECT_EQ(pxLong.Red, 0x10);
  EXPECT_EQ(pxLong.Dezev, 0x80);

  TsColor_S s{};
  s.SB = 1;
  s.SA = 0xFF;
  EXPECT_EQ(static_cast<uint32_t>(s.SI), 0xFF000001u);
  const Byte bytes[4] = {1, 2, 3, 4};
  TsColor_D d;
  std::memcpy(&d, bytes, 4);
  EXPECT_EQ(d.DB, 1);
  EXPECT_EQ(d.DA, 4);
}

TEST(GradPoint, IsPackedInFieldOrder) {
  EXPECT_EQ(offsetof(TsGradPoint, Index), 0u);
  EXPECT_EQ(offsetof(TsGradPoint, Mode), 2u);
  EXPECT_EQ(offsetof(TsGradPoint, Color), 6u);
  EXPECT_EQ(offsetof(TsGradPoint, Percent), 10u);
}

TEST(BackgroundRecords, EmptyCacheInfoAndFreshBGInfo) {
  EXPECT_EQ(EmptyCI.Bmp, nullptr);
  EXPECT_EQ(EmptyCI.X, -99);
  EXPECT_EQ(EmptyCI.Y, -99);
  EXPECT_EQ(EmptyCI.FillColor, 0xFF00FFu);
  EXPECT_EQ(EmptyCI.FillRect, TRect(0, 0, 0, 0));
  EXPECT_FALSE(EmptyCI.Ready);
  TkvBGInfo info;
  EXPECT_EQ(info.BgType, btUnknown);
  EXPECT_EQ(static_cast<int>(btNotReady), 3);
}

TEST(CodeSets, HoldExactlyTheirRanges) {
  struct Case {
    const TkvCodeSet* set;
    Integer code;
    bool member;
  } cases[] = {
      {&sForbidMouse, 18, false},   {&sForbidMouse, 19, true},   {&sForbidMouse, 50, false},
      {&sForbidMouse, 51, true},    {&sForbidMouse, 74, true},   {&sForbidMouse, 75, false},
      {&sForbidMouse, 110, true},   {&sForbidMouse, 140, false}, {&sForbidMouse, 161, true},
      {&sForbidMouse, 162, false},  {&sNoHotEdits, 1, false},    {&sNoHotEdits, 2, true},
      {&sNoHotEdits, 85, true},     {&sNoHotEdits, 231, true},   {&sEditCtrls, 85, false},
      {&sEditCtrls, 84, true},      {&ssCanNotBeHot, 55, false}, {&ssCanNotBeHot, 56, true},
      {&ssCanNotBeHot, 142, false}, {&ssCanNotBeHot, 226, true}, {&ssScrolledEdits, 9, false},
      {&ssScrolledEdits, 10, true}, {&ssButtons, 91, false},     {&ssButtons, 94, true},
      {&ssButtons, 95, false},      {&ssLightCtrls, 34, true},   {&ssLightCtrls, 33, false},
      {&ssLightCtrls, 140, true},   {&ssLightCtrls, 0, false},   {&ssLightCtrls, 255, false},
      {&ssLightCtrls, 256, false},  {&ssLightCtrls, -1, false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.set->Contains(c.code), c.member) << c.code;
}

TEST(Tables, MapByIndex) {
  for (size_t i = 0; i < kvFillModes.size(); ++i) EXPECT_EQ(static_cast<size_t>(kvFillModes[i]), i);
  EXPECT_EQ(kvFillModes[10], fmDisTiled);
  EXPECT_EQ(kvBtnEvents[aeGlobalDef], beMouseUp);
  EXPECT_EQ(kvBtnEvents[aeLighting], beLighting);
  EXPECT_EQ(kvMinusPlus[false], -1);
  EXPECT_EQ(kvMinusPlus[true], 1);
  EXPECT_EQ(TextWrapping[true], 0x10u);
  EXPECT_EQ(aPPIArray[kvMaxScaleNdx], 192);
  EXPECT_EQ(String(aSfxs[2]), u"*150");
  EXPECT_EQ(String(sTabPositions[3]), u"RIGHT");
  EXPECT_EQ(PNGMagic[1], 'P');
  EXPECT_EQ(PNGMagic[7], 0x0A);
  EXPECT_EQ(String(kvThirdNames[tpButton]), u"TButton");
  EXPECT_EQ(String(kvThirdNames[tpNativePaint]), u" ");
  EXPECT_EQ(kvLastSupportedType, 22);
  EXPECT_EQ(kvThirdNames.size(), 23u);
}

TEST(Constants, FlagSetsAreTheSumsOfTheirFlags) {
  // RDW_INVALIDATE 1, ERASE 4, FRAME 0x400, NOERASE 0x20, UPDATENOW 0x100, ALLCHILDREN 0x80,
  // NOCHILDREN 0x40, NOINTERNALPAINT 0x10
  EXPECT_EQ(RDWA_FRAME, 0x1u | 0x20 | 0x400);
  EXPECT_EQ(RDWA_ALLNOW, RDWA_ALL | 0x100);
  EXPECT_EQ(RDWA_ALLCHILDREN, 0x1u | 0x10 | 0x20 | 0x80);
  EXPECT_EQ(RDWA_NOCHILDRENNOW, RDWA_NOCHILDREN | 0x100);
  // SWP_NOSIZE 1, NOMOVE 2, NOZORDER 4, NOREDRAW 8, NOACTIVATE 0x10, FRAMECHANGED 0x20,
  // SHOWWINDOW 0x40, HIDEWINDOW 0x80, NOCOPYBITS 0x100, NOOWNERZORDER 0x200, NOSENDCHANGING 0x400
  EXPECT_EQ(SWPA_FRAMECHANGED, 0x1u | 0x2 | 0x4 | 0x10 | 0x20 | 0x100 | 0x200 | 0x400);
  EXPECT_EQ(SWPA_SHOWZORDER, SWPA_SHOW | 0x1);
  EXPECT_EQ(SWPA_SHOWZORDERONLY, SWPA_SHOW | 0x1 | 0x2);
  EXPECT_EQ(EllipsFlags, 0x8000u | 0x4000 | 0x40000);
  EXPECT_EQ(KPE_MSG, 41984u);
}

TEST(Globals, StartWithTheirInitialValues) {
  EXPECT_EQ(ExceptTag, 256);
  EXPECT_EQ(kvScrollBtnLength, 16);
  EXPECT_EQ(kv_DialogsLevel, 2);
  EXPECT_EQ(kvCurrentScaleMode, smVCL);
  EXPECT_TRUE(kv_OldGlyphsMode);
  EXPECT_TRUE(kvPngFirst);
  EXPECT_EQ(cMenuCaption, u'-');
  EXPECT_EQ(DefBlend.AlphaFormat, 1);
  EXPECT_EQ(DefBlend.SourceConstantAlpha, 0);
  EXPECT_EQ(DefBlendDisabled, 100);
  EXPECT_EQ(DefDisabledSaturation, -90);
  EXPECT_FALSE(kvSysDPIAware);
  EXPECT_FALSE(kvIsDPIAware);
  EXPECT_TRUE(kvs_CloseStr.empty());
}
