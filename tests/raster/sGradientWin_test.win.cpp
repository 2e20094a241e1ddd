#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "base/ManagerLink.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Regions.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "raster/kvgpUtils.h"
#include "raster/sGradient.h"
#include "support/Bitmap32.h"
#include "support/GradPoint.h"
#include "ui/Canvas.h"

namespace {

struct GradientPaths : ::testing::Test {
  void SetUp() override {
    kvgpUtilsStartup();
    sGradientStartup();
  }
};

}  // namespace

TEST_F(GradientPaths, TranslucentSegmentBlendsWithThePointsAlpha) {
  Bmp b = Filled(10, 40, clWhite, 255);
  // Half-transparent red over white, then an opaque blue segment in the lower half.
  const TsGradArray data{GradPoint(0, 0x800000FF, 0, PM_TRANSPARENT), GradPoint(1, 0x800000FF, 50),
                         GradPoint(2, 0xFFFF0000, 100)};
  PaintGrad(b.get(), TRect(0, 0, 10, 40), data, 0, 0);
  const uint32_t top = Px(b.get(), 5, 5);
  EXPECT_EQ(PixR(top), 255);
  EXPECT_NEAR(PixG(top), 127, 3);              // half of the white left
  EXPECT_EQ(Px(b.get(), 5, 39), 0xFF0D00F2u);  // the opaque segment written directly: 19 of 20 steps
}

TEST_F(GradientPaths, DiagonalFiveColoursByGradientFillAndByPathGradient) {
  for (bool overlay : {false, true}) {
    Bmp b = Filled(41, 41, clBlack, 255);
    const Integer mode = PM_DIAGONAL | (overlay ? PM_OVERLAY : 0);
    // Red, white, green, blue, yellow: top-left, centre, top-right, bottom-right, bottom-left.
    const TsGradArray data{GradPoint(0, 0xFF0000FF, 0, mode), GradPoint(1, 0xFFFFFFFF, 25),
                           GradPoint(2, 0xFF00FF00, 50), GradPoint(3, 0xFFFF0000, 75), GradPoint(4, 0xFF00FFFF, 100)};
    PaintGrad(b.get(), TRect(0, 0, 41, 41), data, 0, 0);
    const uint32_t centre = Px(b.get(), 20, 20), tl = Px(b.get(), 1, 1), br = Px(b.get(), 39, 39);
    EXPECT_GE(PixG(centre), 200) << overlay;
    EXPECT_GE(PixB(centre), 200) << overlay;
    EXPECT_GE(PixR(tl), 180) << overlay;
    EXPECT_LE(PixG(tl), 80) << overlay;
    EXPECT_GE(PixB(br), 180) << overlay;
    EXPECT_LE(PixR(br), 80) << overlay;
  }
}

TEST_F(GradientPaths, WithoutGradientFillTheDiagonalPaintsNothing) {
  sGradientCleanup();
  Bmp b = Filled(20, 20, clBlack, 255);
  const TsGradArray data{GradPoint(0, 0xFF0000FF, 0, PM_DIAGONAL), GradPoint(1, 0xFFFFFFFF, 25),
                         GradPoint(2, 0xFF00FF00, 50), GradPoint(3, 0xFFFF0000, 75), GradPoint(4, 0xFF00FFFF, 100)};
  PaintGrad(b.get(), TRect(0, 0, 20, 20), data, 0, 0);
  EXPECT_EQ(Px(b.get(), 10, 10), 0xFF000000u);
  sGradientStartup();
}

TEST_F(GradientPaths, BitmapFormsPaintTheViewsAndIgnoreOtherFormats) {
  Bmp b = Filled(4, 10, clBlack, 0);
  Bmp tex = Filled(3, 3, clWhite, 255);
  PaintGradTxt(b.get(), TRect(0, 0, 4, 10), {GradPoint(0, 0, 0), GradPoint(1, 0, 100)}, tex.get(), TRect(), 255, 255);
  EXPECT_EQ(Px(b.get(), 1, 1), 0xFFFEFEFEu);
  TBitmap rgb(4, 4, pf24bit);
  PaintGrad(&rgb, TRect(0, 0, 4, 4), {GradPoint(0, 0xFFFFFF, 0), GradPoint(1, 0xFFFFFF, 100)}, 0, 0);
  EXPECT_EQ(rgb.PixelColor(1, 1), 0u);
}

TEST_F(GradientPaths, MakeShadowHandsBackALockedPremultipliedBitmap) {
  std::unique_ptr<TBitmap> s(MakeShadow(0x80FFFFFF, 6, 0, 2, 2, 3, false, true));
  ASSERT_EQ(s->Width(), 15);
  ASSERT_EQ(s->Height(), 15);
  EXPECT_EQ(s->Canvas()->LockCount(), 1);
  const uint32_t body = Px(s.get(), 7, 7);
  EXPECT_EQ(PixA(body), 0x7F);  // 128 * 255 shr 8
  EXPECT_LE(PixR(body), 0x80);  // white premultiplied by its alpha
  s->Canvas()->Unlock();
  std::unique_ptr<TBitmap> none(MakeShadow(0, -3, 0, 0, 0, 0, false, false));
  EXPECT_TRUE(none->Empty());
  none->Canvas()->Unlock();
}

TEST_F(GradientPaths, LightMaskIsKeptWhileSizeAndColourFit) {
  TBitmap* mask = nullptr;
  PrepareLightMask(mask, 150, 7, 0xFF336699);
  ASSERT_NE(mask, nullptr);
  const Integer m = std::min(std::max(150, DefaultScaleInt(100)), DefaultScaleInt(200));
  EXPECT_EQ(mask->Width(), 2 * m + 1);
  TBitmap* first = mask;
  PrepareLightMask(mask, 150, 99, 0xFF336699);  // the height has no effect
  EXPECT_EQ(mask, first);
  PrepareLightMask(mask, 150, 7, 0xFF112233);  // another colour: rebuilt
  EXPECT_EQ(mask->Canvas()->Brush()->Color(), 0xFF112233u);
  EXPECT_EQ(PixA(GetAPixel(mask, m, m)), 0xFF * 255 >> 8);  // the centre at the colour's peak
  PrepareLightMask(mask, 10, 7, 0xFF112233);                // the radius stays at least 100
  EXPECT_EQ(mask->Width(), 2 * DefaultScaleInt(100) + 1);
  PrepareLightMask(mask, 1000, 7, 0xFF112233);  // and at most 200
  EXPECT_EQ(mask->Width(), 2 * DefaultScaleInt(200) + 1);
  delete mask;
}
