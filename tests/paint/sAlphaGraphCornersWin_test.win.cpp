// The cached round masks and the rounding form of UpdateCorners.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "raster/kvgpUtils.h"
#include "skin/sSkinManager.h"
#include "support/Bitmap32.h"
#include "support/GdiTracker.h"

namespace {
struct Corners : ::testing::Test {
  void SetUp() override { kvgpUtilsStartup(); }
};
}  // namespace

TEST_F(Corners, RoundMasksAreBuiltOnceAndFoundAgain) {
  TBitmap* m3 = GetRoundMask(3);
  ASSERT_NE(m3, nullptr);
  EXPECT_EQ(m3->Width(), 7);
  EXPECT_EQ(GetAPixel(m3, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(GetAPixel(m3, 3, 3), 0xFF000000u);
  TBitmap* m6 = GetRoundMask(6);
  TBitmap* m1 = GetRoundMask(1);
  EXPECT_EQ(m6->Width(), 13);
  EXPECT_EQ(m1->Width(), 3);
  EXPECT_EQ(GetRoundMask(6), m6);
  EXPECT_EQ(GetRoundMask(3), m3);
  EXPECT_EQ(GetRoundMask(0), nullptr);
  EXPECT_EQ(GetRoundMask(-2), nullptr);
  ClearRoundMasks();
  TBitmap* again = GetRoundMask(6);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->Width(), 13);
}

TEST_F(Corners, TheEngineCleanUpFreesTheCachedMasks) {
  sGraphUtilsStartup();
  GdiTracker tracker;
  ASSERT_TRUE(tracker.Active());
  ASSERT_NE(GetRoundMask(23), nullptr);  // a radius no other test asks for: built now
  ASSERT_NE(GetRoundMask(2), nullptr);
  EXPECT_GT(tracker.Created(), 0);
  sGraphUtilsCleanup();
  EXPECT_EQ(tracker.Live(), std::vector<std::string>{});  // a GDI count after the clean-up: none
  sGraphUtilsStartup();
}

TEST_F(Corners, FillColourGoesBehindTheRoundedCorner) {
  Bmp b = Filled(20, 20, clWhite, 255);
  TsGeneralData gd;
  TCacheInfo ci;            // not ready: the fill colour
  ci.FillColor = 0x0000FF;  // red
  const TkvIntValues radii{4, 0, 0, 0};
  UpdateCorners(gd, b.get(), TRect(0, 0, 20, 20), ci, &radii, false);
  EXPECT_EQ(GetAPixel(b.get(), 0, 0), 0x00FF0000u);   // outside the arc: the colour, its top byte as alpha
  EXPECT_EQ(GetAPixel(b.get(), 19, 0), 0xFFFFFFFFu);  // other corners stay square
  EXPECT_EQ(GetAPixel(b.get(), 0, 19), 0xFFFFFFFFu);
  EXPECT_EQ(GetAPixel(b.get(), 4, 4), 0xFFFFFFFFu);  // inside the disc
  // Wine draws the disc without anti-aliasing; on the rim the mask's grey would blend.
  EXPECT_EQ(GetAPixel(b.get(), 1, 0), 0x00FF0000u);
}

TEST_F(Corners, BitmapBackgroundAndTheBorderRadiusOfTheSection) {
  Bmp bg = Filled(20, 20, 0x00FF00, 200);
  Bmp b = Filled(20, 6, clWhite, 255);
  TsGeneralData gd;
  gd.BorderRadius = 10;  // without radii the bottom corners keep it, though the rectangle is lower
  UpdateCorners(gd, b.get(), TRect(0, 0, 20, 6), MakeCacheInfo(bg.get()), nullptr, false);
  EXPECT_EQ(GetAPixel(b.get(), 19, 5), 0x0000FF00u);  // background colour, alpha 0 (not an external source)
  EXPECT_EQ(GetAPixel(b.get(), 10, 3), 0xFFFFFFFFu);
  Bmp ext = Filled(20, 20, clWhite, 255);
  const TkvIntValues radii{0, 0, 0, 5};
  UpdateCorners(gd, ext.get(), TRect(0, 0, 20, 20), MakeCacheInfo(bg.get()), &radii, true);
  EXPECT_EQ(GetAPixel(ext.get(), 19, 19), 0xC800FF00u);  // an external source keeps its alpha
  EXPECT_EQ(GetAPixel(ext.get(), 0, 0), 0xFFFFFFFFu);
}
