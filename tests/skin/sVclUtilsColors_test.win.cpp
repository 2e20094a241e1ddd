// Colours of colour constants under the active skin's palette, with a manager whose palette
// and sections the test fills.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Graphics.h"

namespace {

struct PaletteDouble {
  DuRiruZireziv manager{nullptr};
  PaletteDouble() {
    for (Integer i = 0; i < kvPaletteCount; ++i) manager.Palette[i] = 0x010101 * static_cast<TColor>(i + 1);
    manager.Palette[pcMainColor] = 0x804020;
    manager.Palette[pcLabelText] = 0x102030;
    manager.Palette[pcSelectionBG_Focused] = 0x00FF00;
    auto data = std::make_unique<TkvSkinData>();
    data->FOwner = &manager;
    data->gd.resize(2);
    data->gd[0].Props[0].Color = 0x111111;  // FORMTITLE: inactive look
    data->gd[0].Props[1].Color = 0x222222;  // active look
    data->gd[0].Props[0].FontColor.Color = 0x333333;
    data->gd[0].Props[1].FontColor.Color = 0x444444;
    data->gd[1].Props[0].Color = 0x555555;  // HINT
    data->gd[1].Props[0].FontColor.Color = 0x666666;
    manager.SkinDataArray.push_back(std::move(data));
    manager.SkinCommonInfo.Sections[ssFormTitle] = 0;
    manager.SkinCommonInfo.Sections[ssHint] = 1;
    manager.SkinCommonInfo.Active = true;
  }
  Integer Pal(TkvPaletteColors c) const { return static_cast<Integer>(manager.Palette[c]); }
};

Integer C(TColor c) { return static_cast<Integer>(c); }

}  // namespace

TEST(kvColorToRGB, WithoutASkin) {
  EXPECT_EQ(kvColorToRGB(C(clBtnFace)), C(ColorToRGB(clBtnFace)));  // Windows' colour
  EXPECT_EQ(kvColorToRGB(C(slBtnRed)), 0x9E9EFF);                   // built into the constant
  EXPECT_EQ(kvColorToRGB(C(slEditRedText)), 0x00006C);
  EXPECT_EQ(kvColorToRGB(0x123456), 0x123456);
  // The image lists ask the same through the default manager's link, and without a manager.
  EXPECT_EQ(DefaultColorToRGB(C(clBtnFace)), C(ColorToRGB(clBtnFace)));
  EXPECT_EQ(DefaultColorToRGB(C(slBtnRed)), 0x9E9EFF);
  PaletteDouble d;
  d.manager.SkinCommonInfo.Active = false;
  EXPECT_EQ(kvColorToRGB(C(clBtnFace), &d.manager), C(ColorToRGB(clBtnFace)));  // inactive manager
  EXPECT_EQ(DefaultColorToRGB(C(clBtnFace)), C(ColorToRGB(clBtnFace)));
  d.manager.ManagerState.Include(msSkinChanging);
  EXPECT_EQ(kvColorToRGB(C(clBtnFace), &d.manager), 0x804020);  // a skin change already answers from the new palette
  EXPECT_EQ(DefaultColorToRGB(C(clBtnFace)), 0x804020);
}

TEST(kvColorToRGB, UnderTheActiveSkin) {
  PaletteDouble d;
  auto blend = [](Integer c1, Integer c2, int w) {
    auto ch = [&](int s) { return (((c1 >> s & 0xFF) * w + (c2 >> s & 0xFF) * (255 - w)) >> 8) << s; };
    return ch(0) | ch(8) | ch(16);
  };
  struct Case {
    TColor value;
    Integer rgb;
  } cases[] = {
      {clBtnFace, 0x804020},
      {clScrollBar, 0x804020},
      {clMenuBar, 0x804020},
      {slMainColor, 0x804020},
      {clActiveCaption, 0x222222},
      {clGradientInactiveCaption, 0x111111},
      {clCaptionText, 0x444444},
      {clInactiveCaptionText, 0x333333},
      {clWindow, d.Pal(pcEditBG)},
      {clWindowText, d.Pal(pcEditText)},
      {clActiveBorder, d.Pal(pcBorder)},
      {clBtnText, 0x102030},
      {clHighlight, 0x00FF00},
      {clHighlightText, d.Pal(pcSelectionText_Focused)},
      {clHotLight, d.Pal(pcWebTextHot)},
      {clBtnShadow, blend(0x804020, 0, 230)},
      {cl3DDkShadow, blend(0x804020, 0, 210)},
      {cl3DLight, blend(0x804020, 0xFFFFFF, 180)},
      {clGrayText, blend(0x804020, 0x102030, 127)},
      {clBtnHighlight, blend(0x804020, 0x00FF00, 127)},
      {clInfoText, 0x666666},
      {clInfoBk, 0x555555},
      {slBtnRed, d.Pal(pcBtnToneRed)},
      {slBtnYellowActive, d.Pal(pcBtnToneYellowActive)},
      {slBtnBlueTextActive, d.Pal(pcBtnBlueTextActive)},
      {slEditGreen, d.Pal(pcEditBG_Ok)},
      {slEditRedText, d.Pal(pcEditText_Alert)},
      {SysColor(25), C(ColorToRGB(SysColor(25)))},  // any other value: Windows' colour
      {0x00ABCDEF, 0xABCDEF},
  };
  for (const auto& c : cases) EXPECT_EQ(kvColorToRGB(C(c.value), &d.manager), c.rgb) << std::hex << c.value;
  EXPECT_EQ(kvColorToRGB(C(clBtnFace)), 0x804020);  // the default manager

  d.manager.SkinCommonInfo.Sections[ssFormTitle] = -1;  // a skin without a title section
  EXPECT_EQ(kvColorToRGB(C(clActiveCaption), &d.manager), 0x804020);
  EXPECT_EQ(kvColorToRGB(C(clCaptionText), &d.manager), 0x102030);
  d.manager.SkinCommonInfo.Sections[ssHint] = -1;
  EXPECT_EQ(kvColorToRGB(C(clInfoBk), &d.manager), d.Pal(pcEditBG));
}

TEST(CleanPixelsByRects, ClearsTheListedRectanglesOnly) {
  TBitmap bmp(6, 4, pf32bit);
  for (Integer y = 0; y < 4; ++y)
    for (Integer x = 0; x < 6; ++x) bmp.View().At(x, y) = 0xFF808080;
  CleanPixelsByRects({TRect(0, 0, 2, 2), TRect(4, 3, 6, 4)}, &bmp);
  EXPECT_EQ(bmp.View().At(0, 0), 0u);
  EXPECT_EQ(bmp.View().At(1, 1), 0u);
  EXPECT_EQ(bmp.View().At(2, 1), 0xFF808080u);
  EXPECT_EQ(bmp.View().At(5, 3), 0u);
  EXPECT_EQ(bmp.View().At(3, 3), 0xFF808080u);
  CleanPixelsByRects({}, &bmp);
  EXPECT_EQ(bmp.View().At(2, 1), 0xFF808080u);
}
