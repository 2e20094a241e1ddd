#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Regions.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "raster/kvgpUtils.h"
#include "support/Bitmap32.h"
#include "support/GdiTracker.h"
#include "support/Pixels.h"
#include "ui/Canvas.h"

namespace {

HDC DC(const Bmp& b) { return b->Canvas()->Handle(); }
bool SamePixels(TBitmap* a, TBitmap* b) {
  if (a->Width() != b->Width() || a->Height() != b->Height()) return false;
  for (Integer y = 0; y < a->Height(); ++y)
    for (Integer x = 0; x < a->Width(); ++x)
      if (GetAPixel(a, x, y) != GetAPixel(b, x, y)) return false;
  return true;
}

struct GdiPlus : ::testing::Test {
  void SetUp() override {
    kvgpUtilsStartup();
    ASSERT_TRUE(kvGDIBegin(false)) << "GDI+ did not start";
  }
};

}  // namespace

TEST_F(GdiPlus, StartsOnceAndStopsCleanly) {
  kvgpUtilsStartup();  // a second start-up changes nothing
  EXPECT_TRUE(kvGDIBegin(false));
  kvgpUtilsCleanup();
  EXPECT_FALSE(kvGDIBegin(false));
  EXPECT_FALSE(kvGDIBegin(true));  // no library: nothing to start
  // Without GDI+ the wrappers draw nothing and the text routines answer that they did not draw.
  Bmp b = Filled(8, 8, clWhite, 255);
  kvgpDrawLine(DC(b), 0, 4, 8, 4, clRed, 2);
  kvgpFillRect(DC(b), clRed, TRect(0, 0, 8, 8), 200);
  EXPECT_FALSE(kvgpDrawString(DC(b), u"x", TRect(0, 0, 8, 8), 0, 0, 0, 0, true, u""));
  EXPECT_EQ(kvgpMeasureString(DC(b), u"text", false, 100), TSize(0, 0));
  for (Integer y = 0; y < 8; ++y) EXPECT_EQ(Px(b.get(), 3, y), 0xFFFFFFFFu);
  Bmp sharp = RandomBitmap(9, 7, 3), unblurred = RandomBitmap(9, 7, 3);
  QBlur(sharp.get());  // and the cheap blur leaves the picture as it was
  EXPECT_TRUE(SamePixels(sharp.get(), unblurred.get()));
  kvgpUtilsStartup();
  EXPECT_TRUE(kvGDIBegin(false));
}

TEST_F(GdiPlus, FillDCUsesGdiWithoutAlphaAndGdiPlusWithIt) {
  Bmp b = Filled(8, 2, clWhite, 255);
  FillDC(DC(b), TRect(0, 0, 4, 1), clRed, 0);
  FillDC(DC(b), TRect(4, 0, 8, 1), clRed, 128);
  EXPECT_EQ(Px(b.get(), 0, 0), 0x00FF0000u);  // GDI: the colour, alpha byte cleared
  EXPECT_EQ(Px(b.get(), 3, 0), 0x00FF0000u);
  const uint32_t blended = Px(b.get(), 5, 0);  // half red over white
  EXPECT_EQ(PixR(blended), 255);
  EXPECT_NEAR(PixG(blended), 127, 1);
  EXPECT_NEAR(PixB(blended), 127, 1);
  EXPECT_EQ(Px(b.get(), 0, 1), 0xFFFFFFFFu);       // below the rectangles
  FillDC(DC(b), TRect(0, 1, 1, 2), clBtnFace, 0);  // a system colour is resolved
  EXPECT_EQ(Px(b.get(), 0, 1), SwapRedBlue(GetSysColor(COLOR_BTNFACE)) & 0xFFFFFF);
}

TEST_F(GdiPlus, FillDCBorderPaintsTheFourStripsOnly) {
  for (Integer alpha : {0, 255}) {
    Bmp b = Filled(12, 12, clWhite, 255);
    FillDCBorder(DC(b), TRect(1, 1, 11, 11), 1, 2, 3, 4, clBlue, alpha);
    auto isBlue = [&](Integer x, Integer y) { return (Px(b.get(), x, y) & 0xFFFFFF) == 0x0000FF; };
    EXPECT_TRUE(isBlue(1, 1) && isBlue(10, 2)) << alpha;    // top, 2 rows
    EXPECT_TRUE(isBlue(1, 10)) << alpha;                    // left column
    EXPECT_TRUE(isBlue(5, 7) && isBlue(5, 10)) << alpha;    // bottom, 4 rows
    EXPECT_TRUE(isBlue(8, 5) && isBlue(10, 5)) << alpha;    // right, 3 columns
    EXPECT_FALSE(isBlue(2, 3) || isBlue(7, 6)) << alpha;    // inside the frame
    EXPECT_FALSE(isBlue(0, 0) || isBlue(11, 11)) << alpha;  // outside aRect
  }
}

TEST_F(GdiPlus, ColourWithoutAlphaIsOpaqueForLinesButTransparentForGradientEnds) {
  Bmp line = Filled(8, 3, clBlack, 0);
  kvgpDrawLine(DC(line), 0, 1, 7, 1, clBlue, 1);
  EXPECT_EQ(Px(line.get(), 3, 1), 0xFF0000FFu);
  EXPECT_EQ(Px(line.get(), 3, 0), 0u);
  EXPECT_EQ(Px(line.get(), 3, 2), 0u);

  Bmp grad = Filled(100, 4, clWhite, 255);
  kvgpGradientRectangleH(DC(grad), 0, 0, 100, 4, 0xFF0000FF, 0x000000FF);  // opaque red to transparent red
  const uint32_t left = Px(grad.get(), 0, 2), right = Px(grad.get(), 99, 2);
  EXPECT_GE(PixR(left), 250);
  EXPECT_LE(PixG(left), 8);
  EXPECT_GE(PixG(right), 245);  // the transparent end leaves the white almost alone
  Bmp vgrad = Filled(4, 100, clWhite, 255);
  kvgpGradientRectangleV(DC(vgrad), 0, 0, 4, 100, 0xFF000000, 0xFFFFFFFF);  // black to white, opaque
  EXPECT_LE(PixG(Px(vgrad.get(), 2, 0)), 5);
  EXPECT_GE(PixG(Px(vgrad.get(), 2, 99)), 250);
  EXPECT_NEAR(PixG(Px(vgrad.get(), 2, 50)), 128, 8);
}

TEST_F(GdiPlus, DrawRectPutsOnePixelLinesOnTheEdges) {
  Bmp b = Filled(10, 10, clWhite, 255);
  kvgpDrawRect(DC(b), TRect(0, 0, 10, 10), 1, clRed, nullptr);
  for (Integer i = 0; i < 10; ++i) {
    EXPECT_EQ(Px(b.get(), i, 0), 0xFFFF0000u) << i;
    EXPECT_EQ(Px(b.get(), i, 9), 0xFFFF0000u) << i;
    EXPECT_EQ(Px(b.get(), 0, i), 0xFFFF0000u) << i;
    EXPECT_EQ(Px(b.get(), 9, i), 0xFFFF0000u) << i;
  }
  EXPECT_EQ(Px(b.get(), 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(Px(b.get(), 8, 8), 0xFFFFFFFFu);

  Bmp top = Filled(10, 10, clWhite, 255);
  const TSet<TkvSide> onlyTop{asTop};
  kvgpDrawRect(DC(top), TRect(0, 0, 10, 10), 1, clRed, &onlyTop);
  EXPECT_EQ(Px(top.get(), 5, 0), 0xFFFF0000u);
  EXPECT_EQ(Px(top.get(), 5, 9), 0xFFFFFFFFu);
  EXPECT_EQ(Px(top.get(), 0, 5), 0xFFFFFFFFu);

  Bmp none = Filled(10, 10, clWhite, 255);
  kvgpDrawRect(DC(none), TRect(0, 0, 10, 10), 1, clNone, nullptr);
  kvgpDrawRect(DC(none), TRect(0, 0, 10, 10), 0, clRed, nullptr);
  EXPECT_EQ(Px(none.get(), 0, 0), 0xFFFFFFFFu);
}

TEST_F(GdiPlus, RoundRectLimitsTheRadiusToHalfTheSize) {
  Bmp big = Filled(20, 10, clWhite, 255), four = Filled(20, 10, clWhite, 255);
  kvgpRoundRect(DC(big), 0, 0, 20, 10, 100, 1, clBlue, clRed);
  kvgpRoundRect(DC(four), 0, 0, 20, 10, 4, 1, clBlue, clRed);  // (10 - 1) div 2 = 4
  EXPECT_TRUE(SamePixels(big.get(), four.get()));
  EXPECT_EQ(Px(big.get(), 0, 0), 0xFFFFFFFFu);   // the rounded corner leaves the corner pixel
  EXPECT_EQ(Px(big.get(), 10, 5), 0xFF0000FFu);  // filled inside
  EXPECT_EQ(PixR(Px(big.get(), 10, 0)), 255);    // border on the top edge
  Bmp square = Filled(20, 10, clWhite, 255);
  kvgpRoundRect(DC(square), 0, 0, 20, 10, 0, 1, clNone, clRed);  // radius 0: a GDI frame
  EXPECT_EQ(Px(square.get(), 0, 0) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Px(square.get(), 5, 5), 0xFFFFFFFFu);
}

TEST_F(GdiPlus, RoundRectPerCornerRoundsOnlyTheCornersGiven) {
  Bmp b = Filled(30, 20, clWhite, 255);
  const Integer radii[4] = {0, 8, 0, 0};
  kvgpRoundRect(DC(b), 0, 0, 30, 20, 1, clRed, radii, nullptr);
  EXPECT_EQ(Px(b.get(), 0, 0), 0xFFFF0000u);   // square top-left
  EXPECT_EQ(Px(b.get(), 29, 0), 0xFFFFFFFFu);  // rounded top-right leaves its corner
  EXPECT_EQ(Px(b.get(), 0, 19), 0xFFFF0000u);
  EXPECT_EQ(Px(b.get(), 15, 10), 0xFFFFFFFFu);  // a border only
  Bmp sides = Filled(30, 20, clWhite, 255);
  const TSet<TkvSide> leftOnly{asLeft};
  kvgpRoundRect(DC(sides), 0, 0, 30, 20, 1, clRed, nullptr, &leftOnly);
  EXPECT_EQ(Px(sides.get(), 0, 10), 0xFFFF0000u);
  EXPECT_EQ(Px(sides.get(), 15, 0), 0xFFFFFFFFu);
}

TEST_F(GdiPlus, PolygonsAndPathGradient) {
  Bmp b = Filled(20, 20, clWhite, 255);
  const TPoint tri[3] = {{0, 0}, {19, 0}, {0, 19}};
  kvgpFillPolygon(DC(b), clBlue, tri, 3);
  EXPECT_EQ(Px(b.get(), 3, 3), 0xFF0000FFu);
  EXPECT_EQ(Px(b.get(), 17, 17), 0xFFFFFFFFu);
  const TkvPointF outline[4] = {{2, 2}, {17, 2}, {17, 17}, {2, 17}};
  kvgpDrawPolygon(DC(b), clRed, outline, 4, 1);
  EXPECT_EQ(Px(b.get(), 17, 10), 0xFFFF0000u);

  Bmp g = Filled(21, 21, clBlack, 255);
  const TPoint corners[4] = {{0, 0}, {21, 0}, {21, 21}, {0, 21}};
  const TColor cols[4] = {0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000};
  kvgpGradientRectangle(DC(g), corners, cols, 0, 0, 21, 21, 0xFFFFFFFF);
  EXPECT_GE(PixG(Px(g.get(), 10, 10)), 200);  // the centre colour in the middle
  EXPECT_LE(PixG(Px(g.get(), 0, 0)), 40);     // the corners' colour at the corners
}

TEST_F(GdiPlus, RotatedBitmapTurnsAQuarterClockwiseFor90) {
  Bmp src = Filled(10, 10, clWhite, 255);
  FillRect32(src.get(), TRect(0, 0, 4, 4), clRed, 255);  // a red block at the top-left
  Bmp dst = Filled(10, 10, clBlack, 255);
  kvgpDrawRotatedBitmap(DC(dst), src.get(), TRect(0, 0, 10, 10), 90);
  EXPECT_EQ(PixR(Px(dst.get(), 8, 1)), 255);  // now at the top-right
  EXPECT_EQ(PixG(Px(dst.get(), 8, 1)), 0);
  EXPECT_EQ(PixG(Px(dst.get(), 1, 1)), 255);  // white where it was
}

TEST_F(GdiPlus, StretchRectKeepsColoursAndAlphaOfAnOpaquePicture) {
  Bmp src = Filled(4, 4, 0x302010, 255);
  Bmp dst = Filled(8, 8, clBlack, 0);
  kvgpStretchRect(dst.get(), src.get(), TRect(0, 0, 8, 8), TRect(0, 0, 4, 4));
  for (TPoint p : {TPoint(1, 1), TPoint(4, 4), TPoint(6, 2)}) {
    const uint32_t v = Px(dst.get(), p.X, p.Y);
    EXPECT_EQ(PixA(v), 253) << p.X << "," << p.Y;  // lifted to 254, settled to 2 * 254 - 255
    EXPECT_NEAR(PixR(v), 0x10, 1);
    EXPECT_NEAR(PixG(v), 0x20, 1);
    EXPECT_NEAR(PixB(v), 0x30, 1);
  }
}

TEST_F(GdiPlus, StretchRectCorrectsOnlyTheTargetRectangle) {
  Bmp src = Filled(2, 2, clWhite, 255);
  Bmp dst = Filled(10, 10, 0x404040, 0x80);  // half-transparent grey everywhere
  kvgpStretchRect(dst.get(), src.get(), TRect(2, 2, 6, 6), TRect(0, 0, 2, 2));
  EXPECT_EQ(Px(dst.get(), 0, 0), 0x80404040u);  // outside: untouched by the correction
  EXPECT_EQ(Px(dst.get(), 9, 9), 0x80404040u);
  EXPECT_EQ(Px(dst.get(), 7, 3), 0x80404040u);
  EXPECT_EQ(PixA(Px(dst.get(), 3, 3)), 253);
  EXPECT_GE(PixG(Px(dst.get(), 3, 3)), 254);
}

TEST_F(GdiPlus, StretchRectNeedsA32BitSource) {
  Bmp dst = Filled(4, 4, clBlack, 255);
  TBitmap src(2, 2, pf24bit);
  kvgpStretchRect(dst.get(), &src, TRect(0, 0, 4, 4), TRect(0, 0, 2, 2));
  for (Integer y = 0; y < 4; ++y)
    for (Integer x = 0; x < 4; ++x) EXPECT_EQ(Px(dst.get(), x, y), 0xFF000000u);
}

TEST_F(GdiPlus, BlurFallsBackToQBlurWhenTheEffectFails) {
  // Half black, half white: any blur greys the pixels next to the edge.
  auto edge = [] {
    Bmp b = Filled(48, 48, clBlack, 255);
    FillRect32(b.get(), TRect(24, 0, 48, 48), clWhite, 255);
    return b;
  };
  Bmp blurred = edge();
  const Integer status = kvgpBlur(blurred.get(), 8);
  const uint32_t nearEdge = Px(blurred.get(), 24, 20);
  EXPECT_GT(PixG(nearEdge), 20);
  EXPECT_LT(PixG(nearEdge), 235);
  if (status != kvgpOk) {
    // The fallback blurs the picture itself, without the trip through a scaled copy.
    Bmp q = edge();
    QBlur(q.get());
    EXPECT_TRUE(SamePixels(blurred.get(), q.get()));
  }
  Bmp empty(CreateBmp32(0, 0));
  kvgpBlur(empty.get(), 5);  // nothing to blur, nothing happens
  EXPECT_TRUE(empty->Empty());
}

TEST_F(GdiPlus, QBlurSmoothsAnEdgeAndLeavesFlatAreas) {
  Bmp b = Filled(20, 20, clBlack, 255);
  FillRect32(b.get(), TRect(10, 0, 20, 20), clWhite, 255);
  QBlur(b.get());
  EXPECT_LE(PixG(Px(b.get(), 2, 10)), 2);
  EXPECT_GE(PixG(Px(b.get(), 17, 10)), 253);
  const Byte mid = PixG(Px(b.get(), 10, 10));
  EXPECT_GT(mid, 20);
  EXPECT_LT(mid, 235);
}

namespace {

// The cheap blur as two stretches onto the device contexts of a half-size bitmap and of the
// bitmap itself: the form the blur had before it drew into the pixel memory.
void QBlurThroughDCs(TBitmap* bmp) {
  const Integer w = bmp->Width(), h = bmp->Height();
  Bmp half(CreateBmp32(w / 2, h / 2));
  if (!half || half->Empty()) return;
  kvgpStretchRect(half.get(), bmp, 0, 0, w - 1, h - 1);
  kvgpStretchRect(bmp, half.get(), 0, 0, half->Width() - 1, half->Height() - 1);
}

// Pictures of every kind the blur meets, by number: random colours and alphas, opaque,
// fully transparent with colours left in, all zero, runs of mixed kinds, and an opaque block
// on nothing (the ripple's own picture).
constexpr int PictureKinds = 6;
Bmp BlurPicture(Integer w, Integer h, int kind, TestRandom& rnd) {
  Bmp b(CreateBmp32(w, h));
  const TPixelView v = b->View();
  int run = 0, runKind = 0;
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) {
      uint32_t p = rnd.Next();
      if (kind == 1) p |= 0xFF000000u;
      if (kind == 2) p &= 0x00FFFFFFu;
      if (kind == 3) p = 0;
      if (kind == 4) {
        if (run-- <= 0) run = rnd.Range(1, 12), runKind = rnd.Range(0, 3);
        p = runKind == 0 ? 0u : runKind == 1 ? p | 0xFF000000u : runKind == 2 ? p : p & 0x00FFFFFFu;
      }
      if (kind == 5) p = x >= w / 4 && x < w - w / 4 && y >= h / 4 && y < h - h / 4 ? 0xFF2040E0u : 0u;
      v.At(x, y) = p;
    }
  return b;
}

Bmp CopyOf(TBitmap* b) {
  Bmp c(CreateBmp32(b->Width(), b->Height()));
  CopyPixels(c->View(), 0, 0, b->View(), TRect(0, 0, b->Width(), b->Height()));
  return c;
}

int DifferentPixels(TBitmap* a, TBitmap* b, Integer w, Integer h) {
  int wrong = 0;
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) wrong += GetAPixel(a, x, y) != GetAPixel(b, x, y);
  return wrong;
}

const std::pair<Integer, Integer> BlurSizes[] = {{4, 4},  {5, 4},  {4, 9},    {9, 7},    {12, 10},   {21, 13}, {30, 24},
                                                 {64, 5}, {6, 50}, {1, 9},    {9, 1},    {1, 1},     {2, 2},   {3, 3},
                                                 {2, 7},  {7, 3},  {107, 37}, {114, 44}, {219, 149}, {302, 42}};

}  // namespace

TEST_F(GdiPlus, QBlurGivesTheBytesOfTheStretchesThroughDeviceContexts) {
  TestRandom rnd(5);
  TQBlurScratch scratch;  // one for all: the sizes grow and shrink
  for (const auto& [w, h] : BlurSizes)
    for (int kind = 0; kind < PictureKinds; ++kind) {
      Bmp reference = BlurPicture(w, h, kind, rnd);
      Bmp whole = CopyOf(reference.get()), kept = CopyOf(reference.get());
      QBlurThroughDCs(reference.get());
      QBlur(whole.get());
      QBlur(kept.get(), TSize(w, h), scratch);
      EXPECT_EQ(DifferentPixels(whole.get(), reference.get(), w, h), 0) << w << "x" << h << " picture " << kind;
      EXPECT_EQ(DifferentPixels(kept.get(), reference.get(), w, h), 0)
          << w << "x" << h << " picture " << kind << " with kept memory";
    }
}

TEST_F(GdiPlus, QBlurOfAPartBlursItAsAPictureOfItsOwnAndLeavesTheRestAlone) {
  // The part at the top-left of a larger picture full of other pixels, as the ripple keeps
  // its frames; the part and a picture of its size alone come out the same.
  TestRandom rnd(9);
  TQBlurScratch scratch;
  for (const auto& [w, h] : BlurSizes)
    for (int kind : {0, 4, 5}) {
      Bmp alone = BlurPicture(w, h, kind, rnd);
      Bmp large = BlurPicture(w + 13, h + 6, 0, rnd);
      CopyPixels(large->View(), 0, 0, alone->View(), TRect(0, 0, w, h));
      Bmp before = CopyOf(large.get());
      QBlur(alone.get());
      QBlur(large.get(), TSize(w, h), scratch);
      EXPECT_EQ(DifferentPixels(large.get(), alone.get(), w, h), 0) << w << "x" << h << " picture " << kind;
      int changedAround = 0;
      for (Integer y = 0; y < h + 6; ++y)
        for (Integer x = 0; x < w + 13; ++x)
          if (x >= w || y >= h) changedAround += GetAPixel(large.get(), x, y) != GetAPixel(before.get(), x, y);
      EXPECT_EQ(changedAround, 0) << w << "x" << h << " picture " << kind;
    }
}

TEST_F(GdiPlus, TextIsDrawnAndMeasured) {
  Bmp b = Filled(120, 30, clWhite, 255);
  HDC dc = DC(b);
  EXPECT_TRUE(kvgpDrawString(dc, u"Tarnwick", TRect(0, 0, 119, 29), 0xFF000000, 0, 2, 0, true, u""));
  Integer ink = 0;
  for (Integer y = 0; y < 30; ++y)
    for (Integer x = 0; x < 120; ++x) ink += PixG(Px(b.get(), x, y)) < 128;
  EXPECT_GT(ink, 20);
  EXPECT_EQ(kvgpMeasureString(dc, u"", false, 100), TSize(0, 0));
  const TSize line = kvgpMeasureString(dc, u"one two three four", false, 0);
  const TSize wrapped = kvgpMeasureString(dc, u"one two three four", true, 40);
  EXPECT_GT(line.cx, 40);
  EXPECT_GT(line.cy, 5);
  EXPECT_GT(wrapped.cy, line.cy);  // wrapped into more lines
  EXPECT_LE(wrapped.cx, 42);
}

TEST_F(GdiPlus, WrappersLeaveNoGdiHandleBehind) {
  GdiTracker tracker;
  ASSERT_TRUE(tracker.Active());
  {
    Bmp b = Filled(20, 20, clWhite, 255);
    HDC dc = DC(b);
    FillDC(dc, TRect(0, 0, 5, 5), clRed, 0);
    FillDCBorder(dc, TRect(0, 0, 20, 20), 1, 1, 1, 1, clRed, 0);
    kvgpRoundRect(dc, 0, 0, 20, 20, 0, 1, clNone, clRed);
    kvgpDrawRotatedBitmap(dc, b.get(), TRect(0, 0, 20, 20), 30);
    kvgpBlur(b.get(), 3);
  }
  EXPECT_TRUE(tracker.Live().empty()) << tracker.Live().front();
}
