// The Windows forms of the skin item painter with GDI's steps: the developer's warning box, the
// GDI+ border line and its rounded corners, the device-context and whole-bitmap forms and a
// control's skin data. The painter's branches are tested in sGraphUtilsItem_test.cpp.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "raster/sGradient.h"
#include "skin/sCommonData.h"
#include "support/Bitmap32.h"
#include "support/ImportHook.h"
#include "support/ItemSkin.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"

namespace {

struct ItemPainter : ::testing::Test {
  void SetUp() override {
    kvntUtilsStartup();  // no debugger attached: no developer warnings
    kvgpUtilsStartup();
    sGradientStartup();
  }
  ItemSkin skin;
};

}  // namespace

namespace {
std::vector<String> warnings;
int WINAPI RecordBox(const MSGBOXPARAMSW* p) {
  warnings.push_back(reinterpret_cast<const Char*>(p->lpszText));
  return IDOK;
}
int WINAPI DebuggerAttached() { return 1; }
}  // namespace

TEST_F(ItemPainter, WrongSkinDataWarnsOnlyUnderADebugger) {
  ImportHook box("user32.dll", "MessageBoxIndirectW", &RecordBox);
  warnings.clear();
  Bmp b = Filled(10, 10, 0);
  TkvObject notSkinData;
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), &notSkinData);
  EXPECT_TRUE(warnings.empty());
  const auto saved = kvIsDebuggerPresent;
  kvIsDebuggerPresent = DebuggerAttached;
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), &notSkinData);
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b->Canvas()->Handle(),
            &notSkinData);
  PaintItemFast(skin.Plain, -1, -1, -1, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(),
                &notSkinData);
  PaintItemBGFast(skin.Plain, -1, -1, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), b.get(), &notSkinData);
  PaintItem32(skin.Plain, true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), &notSkinData);
  PaintItemBG32(skin.Plain, 0, TRect(0, 0, 10, 10), b.get(), &notSkinData, clFuchsia);
  kvIsDebuggerPresent = saved;
  EXPECT_EQ(
      warnings,
      (std::vector<String>{
          u"Check parameters of the PaintItem 1 procedure.", u"Check parameters of the PaintItem 2 procedure.",
          u"Check parameters of the PaintItemFast procedure.", u"Check parameters of the PaintItemBGFast procedure.",
          u"Check parameters of the PaintItem32 procedure.", u"Check parameters of the PaintItemBG32 procedure."}));
  EXPECT_EQ(Px(b.get(), 5, 5), 0u);
}

TEST_F(ItemPainter, GdiPlusBorderLineAndRoundedCorners) {
  Bmp b = Filled(20, 20, 0);
  PaintItem(skin.Line, FillColourCI(clLime), true, 0, TRect(0, 0, 20, 20), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 0, 10), kBlue);
  EXPECT_EQ(Px(b.get(), 19, 10), kBlue);
  EXPECT_EQ(Px(b.get(), 10, 10), kWhite);
  Bmp parent = Filled(20, 20, kGreen);
  Bmp r = Filled(20, 20, 0);
  PaintItem(skin.Round, MakeCacheInfo(parent.get()), true, 0, TRect(0, 0, 20, 20), TPoint(), r.get(), skin.Data);
  EXPECT_EQ(Px(r.get(), 0, 0), 0x0000FF00u);  // outside the arc: the parent, alpha 0
  EXPECT_EQ(Px(r.get(), 19, 19), 0x0000FF00u);
  EXPECT_EQ(Px(r.get(), 10, 0), kBlue);  // the top line
  EXPECT_EQ(Px(r.get(), 10, 10), kWhite);
}

TEST_F(ItemPainter, DeviceContextFormPaintsThroughABitmapOfTheRectangle) {
  Bmp target = Filled(30, 30, 0x11111111);
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 2, TRect(10, 10, 20, 20), TPoint(), target->Canvas()->Handle(),
            skin.Data);
  EXPECT_EQ(Px(target.get(), 15, 15), kBlue);
  EXPECT_EQ(Px(target.get(), 9, 9), 0x11111111u);
}

TEST_F(ItemPainter, SectionOfAWholeBitmap) {
  Bmp b = Filled(10, 10, 0x11111111);
  EXPECT_EQ(PaintSection(b.get(), -1, -3, 0, skin.Data, TPoint(), clWhite, nullptr), -3);
  EXPECT_EQ(Px(b.get(), 5, 5), 0x11111111u);
  EXPECT_EQ(PaintSection(b.get(), -1, skin.Plain, 1, skin.Data, TPoint(), clWhite, nullptr), skin.Plain);
  EXPECT_EQ(Px(b.get(), 5, 5), kGreen);
  Bmp parent = Filled(20, 20, kBlue);
  Bmp glass = Filled(10, 10, 0);
  EXPECT_EQ(PaintSection(glass.get(), skin.Glass, -1, 0, skin.Data, TPoint(5, 5), clWhite, parent->Canvas()->Handle()),
            skin.Glass);
  EXPECT_EQ(Px(glass.get(), 5, 5) & 0xFFFFFF, 0x0000FFu);  // copied from the parent DC
}

TEST_F(ItemPainter, ItemsOfAnotherFormatAreFilledAndCopiedByGdi) {
  TBitmap item(10, 10, pf24bit);
  PaintItemBGFast(skin.Plain, -1, -1, FillColourCI(clWhite), 0, TRect(0, 0, 10, 5), TPoint(), &item, skin.Data);
  EXPECT_EQ(item.PixelColor(5, 2), TColor(clRed));
  EXPECT_EQ(item.PixelColor(5, 7), TColor(clBlack));
  Bmp parent = Filled(20, 20, kBlue);
  PaintItemBGFast(skin.Glass, -1, -1, MakeCacheInfo(parent.get()), 0, TRect(0, 5, 10, 10), TPoint(), &item, skin.Data);
  EXPECT_EQ(item.PixelColor(5, 7), TColor(clBlue));
  EXPECT_EQ(item.PixelColor(5, 2), TColor(clRed));
}

TEST_F(ItemPainter, TryPaintBorderOnlyRoundsWithoutALine) {
  Bmp parent = Filled(20, 20, kGreen);
  Bmp b = Filled(20, 20, kWhite);
  TsGeneralData gd = skin.Section(skin.Round);
  gd.Props[0].BorderColor = clFuchsia;
  EXPECT_FALSE(TryPaintBorder(b.get(), TRect(0, 0, 20, 20), gd, 0, MakeCacheInfo(parent.get()), nullptr, 96, nullptr));
  EXPECT_EQ(Px(b.get(), 0, 0), 0x0000FF00u);  // still rounded
  EXPECT_EQ(Px(b.get(), 10, 0), kWhite);      // but no line
  EXPECT_TRUE(TryPaintBorder(b.get(), TRect(0, 0, 20, 20), skin.Section(skin.Line), 0, MakeCacheInfo(parent.get()),
                             nullptr, 192, nullptr));
  EXPECT_EQ(Px(b.get(), 1, 10), kBlue);  // width 1 at 192 PPI is 2
}

TEST(UpdateCtrlCornersProc, TwoCornersOnASideNeverExceedIt) {
  struct Case {
    Integer w, h;
    TkvIntValues want;
  } cases[] = {
      {30, 100, {14, 14, 14, 14}},
      {100, 30, {14, 14, 14, 14}},
      {100, 100, {20, 20, 20, 20}},
  };
  for (auto c : cases) {
    TControl ctrl(nullptr);
    ctrl.SetBounds(0, 0, c.w, c.h);
    TkvPaintBorderData data(&ctrl, nullptr, TNotifyEvent());
    TkvIntValues corners{20, 20, 20, 20};
    TSet<TkvSide>* sides = nullptr;
    UpdateCtrlCornersProc(&data, corners, sides);
    EXPECT_EQ(corners.Value0, c.want.Value0) << c.w << "x" << c.h;
    EXPECT_EQ(corners.Value1, c.want.Value1) << c.w << "x" << c.h;
    EXPECT_EQ(corners.Value2, c.want.Value2) << c.w << "x" << c.h;
    EXPECT_EQ(corners.Value3, c.want.Value3) << c.w << "x" << c.h;
  }
  TkvIntValues untouched{20, 20, 20, 20};
  TSet<TkvSide>* sides = nullptr;
  UpdateCtrlCornersProc(nullptr, untouched, sides);
  EXPECT_EQ(untouched.Value0, 20);
}

TEST_F(ItemPainter, ControlFormAppliesToneAndTheCustomBorder) {
  TControl ctrl(nullptr);
  ctrl.SetBounds(0, 0, 20, 20);
  TsCommonData data(&ctrl);
  data.FOwnerControl = &ctrl;
  data.FSkinManager = &skin.Manager;
  data.FCommonSkinData = skin.Data;
  data.SkinIndex = skin.Half;
  data.FColorTone = clRed;
  Bmp b = Filled(20, 20, 0);
  PaintItem(&data, FillColourCI(clFuchsia), true, 0, TRect(0, 0, 20, 20), TPoint(), b.get(), false);
  EXPECT_EQ(Px(b.get(), 5, 5), MakePix(0, 0, (255 * 255) >> 8, 255));  // white toned red
  data.FColorTone = clNone;
  data.SkinIndex = skin.Framed;
  TkvPaintBorderData& border = *data.FCustomBorder;
  border.SetWidth(1);
  border.SetColor(0, clLime);
  Bmp c = Filled(20, 20, 0);
  PaintItem(&data, FillColourCI(clWhite), true, 0, TRect(0, 0, 20, 20), TPoint(), c.get(), false);
  EXPECT_EQ(Px(c.get(), 0, 10), kGreen);  // the custom border line instead of the section's mask
  EXPECT_EQ(Px(c.get(), 10, 10), 0xFF999999u);
}

TEST_F(ItemPainter, ControlFormCustomColourActiveOnlyMaskAndColourAdjustments) {
  TControl ctrl(nullptr);
  ctrl.SetBounds(0, 0, 20, 20);
  ctrl.SetColor(clYellow);
  TsCommonData data(&ctrl);
  data.FOwnerControl = &ctrl;
  data.FSkinManager = &skin.Manager;
  data.FCommonSkinData = skin.Data;
  data.SkinIndex = skin.Framed;
  skin.Image(skin.Frame).DrawMode = BDM_ACTIVEONLY;
  // At rest a border drawn only when active is left out; hot it is there.
  Bmp rest = Filled(20, 20, 0), hot = Filled(20, 20, 0);
  PaintItem(&data, FillColourCI(clWhite), true, 0, TRect(0, 0, 20, 20), TPoint(), rest.get(), false);
  PaintItem(&data, FillColourCI(clWhite), true, 1, TRect(0, 0, 20, 20), TPoint(), hot.get(), false);
  EXPECT_EQ(Px(rest.get(), 1, 10), 0xFF999999u);
  EXPECT_EQ(Px(hot.get(), 1, 10), kFrame[1]);
  // The control's own colour replaces the look.
  data.FCustomColor = true;
  Bmp custom = Filled(20, 20, 0);
  PaintItem(&data, FillColourCI(clWhite), true, 1, TRect(0, 0, 20, 20), TPoint(), custom.get(), false);
  EXPECT_EQ(Px(custom.get(), 10, 10), 0xFFFFFF00u);
  data.FCustomColor = false;
  // Saturation -100 moves each pixel towards its grey ((155 c + 100 grey) shr 8, grey 76 for
  // red); without colorsAutoUpdate nothing changes.
  data.SkinIndex = skin.Plain;
  data.FSaturation = -100;
  Bmp grey = Filled(20, 20, 0), untouched = Filled(20, 20, 0);
  PaintItem(&data, FillColourCI(clWhite), true, 0, TRect(0, 0, 20, 20), TPoint(), grey.get(), false);
  PaintItem(&data, FillColourCI(clWhite), true, 0, TRect(0, 0, 20, 20), TPoint(), untouched.get(), false, 0, 0, false);
  EXPECT_EQ(Px(grey.get(), 5, 5), MakePix(29, 29, 184, 255));
  EXPECT_EQ(Px(untouched.get(), 5, 5), kRed);
  // A rectangle outside the bitmap paints nothing.
  Bmp outside = Filled(20, 20, 0x11111111);
  PaintItem(&data, FillColourCI(clWhite), true, 0, TRect(0, 0, 22, 20), TPoint(), outside.get(), false);
  EXPECT_EQ(Px(outside.get(), 5, 5), 0x11111111u);
}
