// The pixel passes of text on 32-bit bitmaps and of the text glow.
#include <gtest/gtest.h>

#include "raster/ColorTransforms.h"
#include "raster/Text.h"
#include "support/Pixels.h"

namespace {
constexpr uint32_t kUntouched = 0x00FFFFFF;
int Premult(int d, int c, int cov, int a) { return (((d - c) * cov + c * 256) * a) >> 16; }
}  // namespace

TEST(WriteColorPixels, SolidInkOverATransparentTarget) {
  TestPixels tmp(3, 1, kUntouched);
  tmp.At(1, 0) = 0;  // solid black ink
  TestPixels dst(3, 1, 0x00102030);
  WriteColorPixels(dst.View, tmp.View, {0, 0}, true, 0x0000FF /* red */);
  EXPECT_EQ(dst.At(0, 0), 0x00102030u);  // untouched white leaves the target alone
  EXPECT_EQ(dst.At(2, 0), 0x00102030u);
  const uint32_t p = dst.At(1, 0);
  EXPECT_EQ(PixA(p), 254);
  EXPECT_EQ(PixR(p), (255 * 256 - 255 + 0x10) * 254 >> 16);
  EXPECT_EQ(PixG(p), (0 * 256 - 0 + 0x20) * 254 >> 16);
  EXPECT_EQ(PixB(p), (0x30 * 254) >> 16);
}

TEST(WriteColorPixels, GreyEdgesGiveCoverageAndKeepAHigherAlpha) {
  TestPixels tmp(2, 1, 0x00808080);  // grey 128: coverage 127 of ink
  tmp.At(1, 0) = 0xFFFFFFFF;         // the other untouched white
  TestPixels dst(2, 1, 0xC8406080);
  WriteColorPixels(dst.View, tmp.View, {0, 0}, true, 0x00FF00);
  const uint32_t p = dst.At(0, 0);
  EXPECT_EQ(PixA(p), 0xC8);  // max(200, 255 - 128)
  EXPECT_EQ(PixR(p), Premult(0x40, 0, 128, 0xC8));
  EXPECT_EQ(PixG(p), Premult(0x60, 255, 128, 0xC8));
  EXPECT_EQ(PixB(p), Premult(0x80, 0, 128, 0xC8));
  EXPECT_EQ(dst.At(1, 0), 0xC8406080u);
  TestPixels low(1, 1, 0x00406080);
  WriteColorPixels(low.View, tmp.View, {0, 0}, true, 0x00FF00);
  EXPECT_EQ(PixA(low.At(0, 0)), 127);  // coverage raises a transparent target
}

TEST(WriteColorPixels, DisabledIsOpaqueAndKeepsColouredEdges) {
  TestPixels tmp(1, 1, 0x00FF0000);  // red sub-pixel edge: no ink in red, full in blue and green
  TestPixels dst(1, 1, 0x00000000);
  WriteColorPixels(dst.View, tmp.View, {0, 0}, false, 0xFFFFFF);
  const uint32_t p = dst.At(0, 0);
  EXPECT_EQ(PixA(p), 255);
  EXPECT_EQ(PixR(p), ((0 - 255) * 255 + 255 * 256) >> 8);  // 1: the edge's red keeps the target's
  EXPECT_EQ(PixG(p), 255);
  EXPECT_EQ(PixB(p), 255);
}

TEST(WriteColorPixels, ClippedToTheTarget) {
  TestPixels tmp(4, 4, 0);
  TestPixels dst(3, 3, 0x11111111);
  WriteColorPixels(dst.View, tmp.View, {-2, 1}, true, 0);
  EXPECT_EQ(dst.At(0, 0), 0x11111111u);
  EXPECT_EQ(PixA(dst.At(0, 1)), 254);
  EXPECT_EQ(PixA(dst.At(1, 2)), 254);
  EXPECT_EQ(dst.At(2, 1), 0x11111111u);                   // tmp's columns 2, 3 land on 0, 1
  WriteColorPixels(dst.View, tmp.View, {5, 5}, true, 0);  // wholly outside
  WriteColorPixels(dst.View, TPixelView{}, {0, 0}, true, 0);
}

TEST(ApplyGlowMask, ByteWeightsMoveColourAndAlpha) {
  Byte maskBytes[3] = {255, 0, 128};
  const TBytePixelView mask{maskBytes, 3, 3, 1};
  TestPixels dst(4, 1, 0x40204060);
  ApplyGlowMask(dst.View, mask, {1, 0}, 0x0000FF);  // red glow
  EXPECT_EQ(dst.At(0, 0), 0x40204060u);
  EXPECT_EQ(dst.At(1, 0), 0x40204060u);  // 255: no glow
  EXPECT_EQ(dst.At(2, 0), MakePix(0, 0, 254, 0x40 + ((255 - 0x40) * 255 >> 8)));
  EXPECT_EQ(dst.At(3, 0), MakePix((128 * 0x60) >> 8, (128 * 0x40) >> 8, (127 * 255 + 128 * 0x20) >> 8,
                                  0x40 + ((255 - 0x40) * 127 >> 8)));
  ApplyGlowMask(dst.View, mask, {-10, -10}, 0);  // wholly outside: nothing
  EXPECT_EQ(dst.At(0, 0), 0x40204060u);
}
