// The portable kernels of the painters in sGraphUtils: key-colour runs and the glyph reflection.
#include <gtest/gtest.h>

#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Regions.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "support/Pixels.h"

TEST(KeyRuns, WholeRowsAndSinglePixelsAppendedAfterWhatIsThere) {
  TestPixels p(16, 16, 0xFF102030);
  for (int x = 0; x < 16; ++x) p.At(x, 0) = kKeyPixel;
  p.At(5, 7) = kKeyPixel;
  p.At(9, 9) = 0xFFFF00FF;  // fuchsia with alpha 255 is not the key
  std::vector<TRect> runs{{1, 2, 3, 4}};
  AddKeyRuns(runs, p.View, kKeyPixel);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0], TRect(1, 2, 3, 4));
  EXPECT_EQ(runs[1], TRect(0, 0, 16, 1));
  EXPECT_EQ(runs[2], TRect(5, 7, 6, 8));
}

TEST(KeyRuns, RunsCloseAtGapsAndAtEveryRowEnd) {
  TestPixels p(6, 2, 0);
  const uint32_t k = 0x00FF00FF;
  for (int x : {0, 1, 3, 4, 5}) p.At(x, 0) = k;
  p.At(0, 1) = k;
  std::vector<TRect> runs;
  AddKeyRuns(runs, p.View, k);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0], TRect(0, 0, 2, 1));
  EXPECT_EQ(runs[1], TRect(3, 0, 6, 1));  // closed at the row's end, not joined to the next row
  EXPECT_EQ(runs[2], TRect(0, 1, 1, 2));
}

TEST(KeyRuns, CornersOfATopAndABottomStrip) {
  // A border image 30 wide, 20 high with a mask half: the picture is rows 0..9.
  TestPixels p(40, 20, 0xFF000000);
  p.At(2, 0) = p.At(3, 0) = kKeyPixel;  // left corner (columns 2.. of the image, WL 3)
  p.At(2 + 28, 1) = kKeyPixel;          // right corner (image column 28, WR 4)
  p.At(2 + 10, 0) = kKeyPixel;          // the middle is not a corner
  p.At(2, 9) = kKeyPixel;               // last picture row: bottom strip
  p.At(2, 15) = kKeyPixel;              // the mask half is never read
  TBorderStrip top;
  top.MaskRect = {2, 0, 32, 20};
  top.DstWidth = 100;
  top.WL = 3;
  top.WT = 2;
  top.WR = 4;
  top.WB = 2;
  top.VertOffset = 5;
  top.Masked = true;
  std::vector<TRect> runs;
  AddStripKeyRuns(runs, p.View, top, kKeyPixel);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0], TRect(0, 5, 2, 6));
  EXPECT_EQ(runs[1], TRect(98, 6, 99, 7));  // 100 - 30 + 28
  TBorderStrip bottom = top;
  bottom.IsBottom = true;
  bottom.VertOffset = 50;
  bottom.Padding = 1;
  runs.clear();
  AddStripKeyRuns(runs, p.View, bottom, kKeyPixel);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0], TRect(1, 50, 2, 51));  // row 9 is the strip's second row: 50 - 1 + 1
  bottom.Masked = false;                    // the strip would be rows 18, 19: still inside
  runs.clear();
  AddStripKeyRuns(runs, p.View, bottom, kKeyPixel);
  EXPECT_TRUE(runs.empty());
  bottom.MaskRect = {2, 5, 32, 25};  // the strip would reach below the bitmap
  AddStripKeyRuns(runs, p.View, bottom, kKeyPixel);
  EXPECT_TRUE(runs.empty());
}

TEST(GlyphReflection, FadingMirrorOfTwoThirdsOfTheGlyph) {
  TestPixels glyph(4, 24, 0xFFFFFFFF);
  for (int x = 0; x < 4; ++x) glyph.At(x, 23) = 0xFF0000FF;  // bottom row blue
  TestPixels dst(4, 60, 0xFF000000);
  DrawGlyphReflection(dst.View, glyph.View, {0, 24}, {0, 0, 3, 23}, clBlack, 0);
  // Row 24 mirrors the bottom row at weight (255 * 255) shr 9 = 127.
  EXPECT_EQ(dst.At(1, 24), MakePix(MixByte(0, 255, 127), 0, 0, 255));
  EXPECT_EQ(dst.At(1, 25), MakePix(MixByte(0, 255, 111), MixByte(0, 255, 111), MixByte(0, 255, 111), 255));
  EXPECT_EQ(dst.At(1, 39), 0xFF000000u);  // dy 15: weight 0
  EXPECT_EQ(dst.At(1, 40), 0xFF000000u);  // 16 rows only
  for (int y = 25; y < 39; ++y) EXPECT_GE(PixR(dst.At(0, y)), PixR(dst.At(0, y + 1))) << y;
  // Half the blend value halves the weight.
  TestPixels half(4, 60, 0xFF000000);
  DrawGlyphReflection(half.View, glyph.View, {0, 24}, {0, 0, 3, 23}, clBlack, 50);
  EXPECT_EQ(PixB(half.At(1, 24)), MixByte(0, 255, 63));
}

TEST(GlyphReflection, KeyPixelsAndTooSmallRoomDrawNothing) {
  TestPixels glyph(2, 6, 0x0000FF00);  // every pixel the key of the colour clLime
  TestPixels dst(2, 20, 0xFF000000);
  DrawGlyphReflection(dst.View, glyph.View, {0, 6}, {0, 0, 1, 5}, clLime, 0);
  for (uint32_t v : dst.Mem) EXPECT_EQ(v, 0xFF000000u);
  TestPixels tiny(2, 2, 0xFFFFFFFF);  // under 3 rows: no room for a reflection
  DrawGlyphReflection(dst.View, tiny.View, {0, 2}, {0, 0, 1, 1}, clBlack, 0);
  TestPixels tall(2, 12, 0xFFFFFFFF);  // only one row left below the target point
  DrawGlyphReflection(dst.View, tall.View, {0, 19}, {0, 0, 1, 11}, clBlack, 0);
  for (uint32_t v : dst.Mem) EXPECT_EQ(v, 0xFF000000u);
  // A source rectangle reaching outside the source is clamped; the columns cut on the left
  // move the target left as well.
  DrawGlyphReflection(dst.View, tall.View, {3, 0}, {-3, -2, 40, 40}, clBlack, 0);
  EXPECT_NE(dst.At(0, 0), 0xFF000000u);
  EXPECT_NE(dst.At(1, 6), 0xFF000000u);
  EXPECT_EQ(dst.At(1, 7), 0xFF000000u);  // 12 div 3 * 2 - 1 = 7: rows 0 to 7, the last at weight 0
}

TEST(RotatePixels, QuarterTurnsAndCopies) {
  TestPixels src(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) src.At(x, y) = uint32_t(10 * y + x);
  TestPixels r90(2, 3), r180(3, 2), r270(2, 3), r45(3, 2);
  RotatePixels(src.View, r90.View, 90);
  RotatePixels(src.View, r180.View, 180);
  RotatePixels(src.View, r270.View, 270);
  RotatePixels(src.View, r45.View, 45);
  EXPECT_EQ(r90.At(1, 0), 0u);  // the top-left goes to the top-right
  EXPECT_EQ(r90.At(0, 0), 10u);
  EXPECT_EQ(r90.At(1, 2), 2u);
  EXPECT_EQ(r180.At(2, 1), 0u);
  EXPECT_EQ(r180.At(0, 0), 12u);
  EXPECT_EQ(r270.At(0, 2), 0u);
  EXPECT_EQ(r270.At(1, 0), 12u);
  EXPECT_EQ(r45.Mem, src.Mem);
  TestPixels wrong(3, 3, 7);
  RotatePixels(src.View, wrong.View, 90);  // not the turned size: nothing
  EXPECT_EQ(wrong.At(0, 0), 7u);
}

TEST(DrawColorArrow, SizesAndShapesByDirection) {
  const uint32_t ink = SwapRedBlue(0xFF0000FF);  // red, alpha 255
  auto rows = [&](const TestPixels& p) {
    std::vector<std::string> out;
    for (int y = 0; y < p.View.Height; ++y) {
      std::string s;
      for (int x = 0; x < p.View.Width; ++x) s += p.At(x, y) == ink ? '#' : '.';
      out.push_back(s);
    }
    return out;
  };
  TestPixels down(10, 10, 0), up(10, 10, 0), left(10, 10, 0), right(10, 10, 0);
  DrawColorArrow(down.View, 0xFF0000FF, {0, 0, 10, 10}, asBottom, 96);
  DrawColorArrow(up.View, 0xFF0000FF, {0, 0, 10, 10}, asTop, 96);
  DrawColorArrow(left.View, 0xFF0000FF, {0, 0, 10, 10}, asLeft, 96);
  DrawColorArrow(right.View, 0xFF0000FF, {0, 0, 10, 10}, asRight, 96);
  // kvArrowSize 5 at 96 PPI: 5 wide, 3 high.
  EXPECT_EQ(rows(down)[3], "..#####...");
  EXPECT_EQ(rows(down)[4], "...###....");
  EXPECT_EQ(rows(down)[5], "....#.....");
  EXPECT_EQ(rows(down)[6], "..........");
  EXPECT_EQ(rows(up)[3], "....#.....");
  EXPECT_EQ(rows(up)[5], "..#####...");
  // Sideways the rows y = 0..5 from row 2, from column 3: to the left |H - y| .. H - 1, to the
  // right 0 .. min(y, W - 1 - y).
  EXPECT_EQ(rows(left)[2], "..........");
  EXPECT_EQ(rows(left)[3], ".....#....");
  EXPECT_EQ(rows(left)[5], "...###....");
  EXPECT_EQ(rows(left)[7], ".....#....");
  EXPECT_EQ(rows(left)[8], "..........");
  EXPECT_EQ(rows(right)[2], "...#......");
  EXPECT_EQ(rows(right)[4], "...###....");
  EXPECT_EQ(rows(right)[6], "...#......");
  EXPECT_EQ(rows(right)[7], "..........");
  TestPixels big(20, 20, 0);
  DrawColorArrow(big.View, 0xFF0000FF, {0, 0, 20, 20}, asBottom, 192);  // 10 wide, 5 high
  EXPECT_EQ(rows(big)[7], ".....##########.....");
  EXPECT_EQ(rows(big)[11], ".........##.........");
  TestPixels edge(10, 10, 0);
  DrawColorArrow(edge.View, 0xFF0000FF, {5, 0, 10, 10}, asBottom, 96);  // 5 + 5 reaches the width
  for (uint32_t v : edge.Mem) EXPECT_EQ(v, 0u);
}
