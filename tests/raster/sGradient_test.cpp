#include "raster/sGradient.h"

#include <gtest/gtest.h>

#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Regions.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "support/GradPoint.h"
#include "support/Pixels.h"

namespace {

struct Expected {
  uint32_t color;
  int percent;
  int mode;
};

void ExpectPoints(const char16_t* text, std::initializer_list<Expected> want) {
  TsGradArray a;
  PrepareGradArray(text, a);
  ASSERT_EQ(a.size(), want.size()) << StringToUtf8(text);
  size_t i = 0;
  for (const Expected& e : want) {
    // Copies: the record is packed, its fields cannot be bound to references.
    const size_t index = a[i].Index;
    const uint32_t color = uint32_t(a[i].Color.C);
    const int percent = a[i].Percent, mode = a[i].Mode;
    EXPECT_EQ(index, i) << StringToUtf8(text);
    EXPECT_EQ(color, e.color) << StringToUtf8(text) << " point " << i;
    EXPECT_EQ(percent, e.percent) << StringToUtf8(text) << " point " << i;
    EXPECT_EQ(mode, e.mode) << StringToUtf8(text) << " point " << i;
    ++i;
  }
}

// Records what a painter hands to the platform.
struct RecordingDevice : TGradientDevice {
  struct Segment {
    bool vertical;
    Integer x, y, w, h;
    TColor c1, c2;
    TRect excluded;
  };
  std::vector<Segment> segments;
  int diagonals = 0;
  bool lastOverlay = false;
  void LinearSegment(bool vertical, Integer x, Integer y, Integer w, Integer h, TColor c1, TColor c2,
                     const TRect& excluded) override {
    segments.push_back({vertical, x, y, w, h, c1, c2, excluded});
  }
  void Diagonal(const TRect&, const TsGradPoint*, bool overlay) override {
    ++diagonals;
    lastOverlay = overlay;
  }
};

Byte Gray(uint32_t p) { return PixG(p); }

}  // namespace

TEST(PrepareGradArray, FiveWordForm) {
  ExpectPoints(u"0;0;30;0;0;255;0;70;0;0;65280;0;0;0;0",
               {{0xFF000000, 0, 0}, {0xFF0000FF, 30, 0}, {0xFF00FF00, 100, 0}});
  // Widths 80 + 80 are capped at 100.
  ExpectPoints(u"0;0;80;0;0;255;0;80;0;0;65280;0;0;0;0",
               {{0xFF000000, 0, 0}, {0xFF0000FF, 80, 0}, {0xFF00FF00, 100, 0}});
  // The translucent flag of a point is cleared; words 2 and 5 are never read.
  ExpectPoints(u"0;zz;50;17;zz;255;0;0;1;0", {{0xFF000000, 0, 1}, {0xFF0000FF, 100, 1}});
  // Widths are clamped to 0..100; hex words.
  ExpectPoints(u"$FF;0;-20;0;0;$FF00;0;500;0;0;0;0;0;0;0",
               {{0xFF0000FF, 0, 0}, {0xFF00FF00, 0, 0}, {0xFF000000, 100, 0}});
}

TEST(PrepareGradArray, FiveWordDiagonalIsPaddedToFivePoints) {
  TsGradArray a;
  PrepareGradArray(u"255;0;50;2;0;65280;0;50;0;0", a);
  ASSERT_EQ(a.size(), 5u);
  EXPECT_EQ(int(a[0].Mode), 2);
  for (int i = 2; i < 5; ++i) {
    EXPECT_EQ(int(a[i].Index), 1) << i;  // copies of the last point, its index included
    EXPECT_EQ(uint32_t(a[i].Color.C), 0xFF00FF00u) << i;
    EXPECT_EQ(int(a[i].Percent), i == 4 ? 100 : 50) << i;
  }
}

TEST(PrepareGradArray, ThreeWordForm) {
  ExpectPoints(u"255;0;1;16711680;100;1;B", {{0x000000FF, 0, 1}, {0x00FF0000, 100, 1}});
  // The colour is stored whole, its alpha byte included.
  ExpectPoints(u"4278190335;0;0;0;40;0;B", {{0xFF0000FF, 0, 0}, {0x00000000, 100, 0}});
  // A translucent point makes the first point an overlay.
  ExpectPoints(u"0;0;1;255;50;16;255;100;1;C", {{0, 0, 1 | PM_OVERLAY}, {255, 50, 16}, {255, 100, 1}});
  // Empty words do not count; percents are clamped.
  ExpectPoints(u";;255;-5;1;;16711680;300;1;B", {{255, 0, 1}, {0xFF0000, 100, 1}});
  // Never filled up to five points, even when diagonal.
  ExpectPoints(u"1;0;2;2;100;2;B", {{1, 0, 2}, {2, 100, 2}});
}

TEST(PrepareGradArray, UntrustedStringsGiveShortOrEmptyGradientsWithoutRaising) {
  struct Case {
    const char16_t* text;
    size_t points;
  } cases[] = {
      {u"", 0},
      {u"0;0;", 0},                                 // 4 characters or fewer
      {u"1;2;0", 0},                                // five-word form without a whole point
      {u"255;0;1;C", 1},                            // the letter promises 3, one is there
      {u"255;0;1;16711680;100;1;Z", 2},             // 26 promised
      {u"255;0;1;@", 0},                            // a count of 0
      {u"255;0;1;16711680;100;1;5", 0},             // a negative count
      {u"255;x;1;16711680;100;1;B", 0},             // the first point's percent is not a number
      {u"255;0;1;abc;100;1;B", 1},                  // the second point's colour is not
      {u"99999999999999999999;0;1;0;100;1;B", 0},   // overflowing colour word
      {u"255;0;1;0;9999999999;1;B", 1},             // overflowing percent word
      {u"0;0;30;0;0;x;0;70;0;0;65280;0;0;0;0", 1},  // a faulty point ends the five-word form
      {u"1.5;0;1;B", 0},
  };
  for (auto c : cases) {
    TsGradArray a;
    a.push_back(GradPoint(0, 1, 2));  // whatever the array held is cleared
    EXPECT_NO_THROW(PrepareGradArray(c.text, a)) << StringToUtf8(c.text);
    EXPECT_EQ(a.size(), c.points) << StringToUtf8(c.text);
    if (!a.empty()) { EXPECT_EQ(int(a.back().Percent), 100) << StringToUtf8(c.text); }
  }
}

TEST(PaintGrad, TopToBottomBlackToWhite) {
  TestPixels p(3, 100, 0x12345678);
  PaintGrad(p.View, {0, 0, 3, 100}, {GradPoint(0, 0, 0), GradPoint(1, 0xFFFFFF, 100)}, 0, nullptr);
  EXPECT_EQ(p.At(1, 0), 0xFF000000u);
  EXPECT_EQ(p.At(1, 99), 0xFFFCFCFCu);  // 252: never quite white
  for (int y = 0; y < 100; ++y) {
    EXPECT_EQ(PixA(p.At(0, y)), 255) << y;
    EXPECT_EQ(p.At(0, y), p.At(2, y)) << y;  // one colour a row
    if (y) { EXPECT_GE(Gray(p.At(0, y)), Gray(p.At(0, y - 1))) << y; }
  }
}

TEST(PaintGrad, TopToBottomEqualColoursAndOffset) {
  TestPixels p(2, 10, 0);
  PaintGrad(p.View, {0, 0, 2, 10}, {GradPoint(0, 0x00332211, 0), GradPoint(1, 0x55332211, 100)}, 0, nullptr);
  for (int y = 0; y < 10; ++y) EXPECT_EQ(p.At(0, y), 0xFF112233u) << y;  // only the alpha bytes differ
  TestPixels q(1, 10, 0);
  // The first segment starts 4 rows down: rows 0 to 3 stay.
  PaintGrad(q.View, {0, 0, 1, 10}, {GradPoint(0, 0x0000FF, 0), GradPoint(1, 0xFF0000, 50), GradPoint(2, 0xFF0000, 100)},
            4, nullptr);
  EXPECT_EQ(q.At(0, 3), 0u);
  EXPECT_EQ(q.At(0, 4), 0xFFFF0000u);  // red at the new start
  // The first segment would end at 4 + (10 + 4) * 50 div 100 = 11, limited to the bottom: it
  // runs over rows 4 to 9 in 6 steps and the second has no room left.
  EXPECT_EQ(PixB(q.At(0, 9)), 212);
  EXPECT_EQ(PixR(q.At(0, 9)), 42);  // 42.5: halves go to the even neighbour
}

TEST(PaintGrad, BackwardsPointsSkipASegmentAndRestartWhereItEnded) {
  TestPixels p(1, 100, 0);
  const TsGradArray data{GradPoint(0, 0x000000, 0), GradPoint(1, 0x0000FF, 60), GradPoint(2, 0x00FF00, 30),
                         GradPoint(3, 0xFF0000, 100)};
  PaintGrad(p.View, {0, 0, 1, 100}, data, 0, nullptr);
  EXPECT_EQ(p.At(0, 0), 0xFF000000u);
  EXPECT_EQ(PixR(p.At(0, 29)), 123);    // the first segment: 29 steps of 255 / 60
  EXPECT_EQ(p.At(0, 30), 0xFF00FF00u);  // the third starts at the second's end, row 30
  EXPECT_EQ(PixR(p.At(0, 59)), 0);      // and paints over the rest of the first
  EXPECT_EQ(PixB(p.At(0, 99)), 251);    // 69 steps of 255 / 70
}

TEST(PaintGrad, LeftToRightStopsAtTheRectangleAndTheBitmap) {
  TestPixels p(300, 10, 0x01020304);
  const TsGradArray data{GradPoint(0, 0x000000, 0, PM_VERTICAL), GradPoint(1, 0x0000FF, 100)};
  PaintGrad(p.View, {0, 0, 100, 10}, data, 0, nullptr);
  EXPECT_EQ(p.At(0, 5), 0xFF000000u);
  EXPECT_EQ(p.At(99, 0), 0xFFFF0000u);  // the second colour in the last column
  EXPECT_EQ(p.At(99, 9), 0xFFFF0000u);  // copied to every row
  EXPECT_EQ(p.At(100, 5), 0x01020304u);
  PaintGrad(p.View, {200, 0, 400, 10}, data, 0, nullptr);
  EXPECT_EQ(p.At(299, 3), 0xFFFF0000u);
  EXPECT_EQ(p.At(199, 3), 0x01020304u);
}

TEST(PaintGrad, TranslucentSegmentsAndDiagonalsGoToTheDevice) {
  TestPixels p(10, 20, 0x11111111);
  RecordingDevice dev;
  PaintGrad(p.View, {0, 0, 10, 20}, {GradPoint(0, 0x800000FF, 0, PM_TRANSPARENT), GradPoint(1, 0x80FF0000, 100)}, 0,
            &dev);
  ASSERT_EQ(dev.segments.size(), 1u);
  const auto& s = dev.segments[0];
  EXPECT_TRUE(s.vertical);
  EXPECT_EQ(s.x, 0);
  EXPECT_EQ(s.y, -1);
  EXPECT_EQ(s.w, 10);
  EXPECT_EQ(s.h, 21);
  EXPECT_EQ(s.c1, 0x800000FFu);
  EXPECT_EQ(s.excluded, TRect(0, -1, 10, 0));
  EXPECT_EQ(p.At(5, 5), 0x11111111u);  // nothing written directly

  RecordingDevice h;
  TestPixels q(50, 4, 0);
  PaintGrad(q.View, {10, 0, 30, 4},
            {GradPoint(0, 0xFF, 0, PM_VERTICAL), GradPoint(1, 0xFF00, 50, PM_TRANSPARENT), GradPoint(2, 0xFF0000, 100)},
            0, &h);
  ASSERT_EQ(h.segments.size(), 2u);
  EXPECT_FALSE(h.segments[0].vertical);
  EXPECT_EQ(h.segments[0].x, 9);   // start - 1
  EXPECT_EQ(h.segments[0].w, 11);  // end (20) - start (10) + 1
  EXPECT_EQ(h.segments[1].x, 19);
  EXPECT_EQ(h.segments[1].w, 11);  // the last ends at the rectangle's right edge, 30
  EXPECT_EQ(h.segments[1].excluded, TRect(19, 0, 20, 4));

  RecordingDevice d;
  TsGradArray four{GradPoint(0, 0, 0, PM_DIAGONAL), GradPoint(1, 0, 0), GradPoint(2, 0, 0), GradPoint(3, 0, 100)};
  PaintGrad(p.View, {0, 0, 10, 20}, four, 0, &d);
  EXPECT_EQ(d.diagonals, 0);
  four.push_back(GradPoint(4, 0, 100));
  PaintGrad(p.View, {0, 0, 10, 20}, four, 0, &d);
  EXPECT_EQ(d.diagonals, 1);
  EXPECT_FALSE(d.lastOverlay);
  four[0].Mode |= PM_OVERLAY;
  PaintGrad(p.View, {0, 0, 10, 20}, four, 0, &d);
  EXPECT_TRUE(d.lastOverlay);
  four[0].Mode = MASK_DIRECTION;  // direction 3 paints nothing
  PaintGrad(p.View, {0, 0, 10, 20}, four, 0, &d);
  EXPECT_EQ(d.diagonals, 2);
}

TEST(PaintGrad, NothingForEmptyRectanglesOrSinglePoints) {
  TestPixels p(4, 4, 7);
  const TsGradArray two{GradPoint(0, 0, 0), GradPoint(1, 0xFFFFFF, 100)};
  PaintGrad(p.View, {2, 2, 2, 4}, two, 0, nullptr);
  PaintGrad(p.View, {10, 10, 20, 20}, two, 0, nullptr);
  PaintGrad(p.View, {0, 0, 4, 4}, {GradPoint(0, 0, 0)}, 0, nullptr);
  PaintGrad(p.View, {0, 0, 4, 4}, {}, 0, nullptr);
  for (uint32_t v : p.Mem) EXPECT_EQ(v, 7u);
}

TEST(PaintGradTxt, TextureWeightsAndAlphaChannel) {
  TestPixels tex(4, 4, 0xFFC8C8C8);  // 200 grey
  const TsGradArray black{GradPoint(0, 0, 0), GradPoint(1, 0, 100)};
  TestPixels p(6, 6, 0);
  PaintGradTxt(p.View, {0, 0, 6, 6}, black, tex.View, {}, 0, 77);
  EXPECT_EQ(p.At(2, 2), 0x4D000000u);  // the plain gradient, alpha 77
  PaintGradTxt(p.View, {0, 0, 6, 6}, black, tex.View, {}, 255, 255);
  EXPECT_EQ(p.At(2, 2), 0xFFC7C7C7u);  // 200 * 255 / 256 = 199
  const TsGradArray blackLR{GradPoint(0, 0, 0, PM_VERTICAL), GradPoint(1, 0, 100)};
  PaintGradTxt(p.View, {0, 0, 6, 6}, blackLR, tex.View, {}, 255, 128);
  EXPECT_EQ(p.At(4, 4), 0x80C7C7C7u);
}

TEST(PaintGradTxt, TextureBandsRepeatFromTheBitmapsOrigin) {
  // A 5 x 9 texture whose rows are numbered in blue: its last row and column never show.
  TestPixels tex(5, 9, 0);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 5; ++x) tex.At(x, y) = MakePix(y * 20, x * 20, 0, 255);
  for (Integer mode : {0, PM_VERTICAL}) {
    TestPixels p(12, 20, 0);
    PaintGradTxt(p.View, {0, 0, 12, 20}, {GradPoint(0, 0, 0, mode), GradPoint(1, 0, 100)}, tex.View, {}, 255, 255);
    for (int y = 0; y < 20; ++y) {
      const int want = (y % 8) * 20;  // rows 0-7, 0-7, 0-3
      EXPECT_EQ(PixB(p.At(0, y)), MixByte(0, want, 255)) << "mode " << mode << " row " << y;
      EXPECT_EQ(PixG(p.At(5, y)), MixByte(0, (5 % 4) * 20, 255)) << "mode " << mode << " row " << y;
    }
  }
}

TEST(PaintGradTxt, DegenerateTexturesNeverReadOutsideThem) {
  TestPixels tex(1, 6, 0xFFFFFFFF);  // one pixel wide: a period of 0
  TestPixels p(5, 5, 0);
  PaintGradTxt(p.View, {0, 0, 5, 5}, {GradPoint(0, 0x000080, 0), GradPoint(1, 0x000080, 100)}, tex.View, {}, 255, 200);
  EXPECT_EQ(p.At(3, 3), 0xC8800000u);  // the plain gradient
  TestPixels big(6, 6, 0xFF646464);
  TestPixels q(5, 5, 0);
  // An origin above and left of the texture is moved into it.
  PaintGradTxt(q.View, {0, 0, 5, 5}, {GradPoint(0, 0, 0), GradPoint(1, 0, 100)}, big.View, {-8, -3, 3, 3}, 255, 255);
  EXPECT_EQ(q.At(4, 4), 0xFF636363u);
  TestPixels r(5, 5, 0);
  // A texture rectangle beyond the texture paints nothing.
  PaintGradTxt(r.View, {0, 0, 5, 5}, {GradPoint(0, 0, 0), GradPoint(1, 0, 100)}, big.View, {10, 10, 12, 12}, 255, 255);
  EXPECT_EQ(r.At(2, 2), 0u);
}

TEST(MakeShadow, GeometryOfQuarterMirrorBodyAndWidth) {
  const TSize size = ShadowSize(10, 2, 5, 3);
  ASSERT_EQ(size, TSize(24, 28));
  TestPixels p(24, 28, 0xDEADBEEF);
  MakeShadowView(p.View, 0xFF000000, 10, 2, 5, 3, 4, false);
  for (int x = 0; x < 24; ++x) {
    EXPECT_EQ(p.At(x, 0), 0u) << x;  // the fill: the colour's RGB with alpha 0
    EXPECT_EQ(p.At(x, 1), 0u) << x;
  }
  for (int y = 0; y < 28; ++y)
    for (int x = 11; x <= 13; ++x) EXPECT_EQ(p.At(x, y), p.At(10, y)) << x << "," << y;
  for (int y = 13; y <= 17; ++y)
    for (int x = 0; x < 24; ++x) EXPECT_EQ(p.At(x, y), p.At(x, 12)) << x << "," << y;
  EXPECT_EQ(p.At(10, 12), 0xFE000000u);  // the body: black, alpha (255 * 255) shr 8
  EXPECT_EQ(p.At(0, 2), 0u);             // outside the circle
  for (int y = 0; y < 28; ++y)           // mirrored left to right
    for (int x = 0; x <= 10; ++x) EXPECT_EQ(p.At(x, y), p.At(23 - x, y)) << x << "," << y;
  for (int y = 2; y <= 12; ++y)  // and top to bottom
    EXPECT_EQ(p.At(5, y), p.At(5, 2 * 12 - y + 5)) << y;
  // The rim fades out.
  EXPECT_LT(PixA(p.At(10, 3)), PixA(p.At(10, 8)));
}

TEST(MakeShadow, TransparentColourAndMaskMode) {
  TestPixels p(21, 21, 0);
  MakeShadowView(p.View, 0x00FF0000, 10, 0, 0, 0, 3, false);
  for (uint32_t v : p.Mem) EXPECT_EQ(PixA(v), 0);
  EXPECT_EQ(p.At(10, 10), 0x000000FFu);  // the colour's blue, swapped into the pixel
  TestPixels m(21, 21, 0);
  MakeShadowView(m.View, 0, 10, 0, 0, 0, 3, true);
  EXPECT_EQ(m.At(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(m.At(10, 10), 0xFF000000u);  // the body is black
  EXPECT_GT(PixR(m.At(10, 1)), 0);       // the rim between
  TestPixels wrong(5, 5, 9);
  MakeShadowView(wrong.View, 0, 10, 0, 0, 0, 3, true);  // a view of another size is left alone
  EXPECT_EQ(wrong.At(2, 2), 9u);
  EXPECT_EQ(ShadowSize(-1, 0, 0, 0), TSize(0, 0));
  EXPECT_EQ(ShadowSize(INT32_MAX / 2 + 1, 0, 0, 0), TSize(0, 0));
}
