// Arrows, rotation, bitmaps with alpha, icons, frames, button layout and focus rectangles.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

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
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"

namespace {

// The pixels that differ from `background`, cut to their bounding box (empty when none).
struct Content {
  TRect box;
  std::vector<uint32_t> pixels;  // row by row
  uint32_t At(Integer x, Integer y) const { return pixels[size_t(y) * box.Width() + x]; }
};
Content ContentOf(TBitmap* b, uint32_t background) {
  Content c;
  c.box = TRect(b->Width(), b->Height(), -1, -1);
  for (Integer y = 0; y < b->Height(); ++y)
    for (Integer x = 0; x < b->Width(); ++x)
      if (GetAPixel(b, x, y) != background)
        c.box = TRect(std::min(c.box.Left, x), std::min(c.box.Top, y), std::max(c.box.Right, x + 1),
                      std::max(c.box.Bottom, y + 1));
  if (c.box.IsEmpty()) return {};
  for (Integer y = c.box.Top; y < c.box.Bottom; ++y)
    for (Integer x = c.box.Left; x < c.box.Right; ++x) c.pixels.push_back(GetAPixel(b, x, y));
  return c;
}

Content ArrowContent(TkvSide side, TkvArrowsStyle style, TColor color2 = clNone) {
  Bmp b = Filled(40, 40, clWhite, 255);
  DrawArrow(b.get(), clRed, color2, TRect(0, 0, 40, 40), side, 0, 0, 0, style, 192);
  return ContentOf(b.get(), 0xFFFFFFFF);
}

struct Shapes : ::testing::Test {
  void SetUp() override { kvgpUtilsStartup(); }
};

}  // namespace

TEST_F(Shapes, ArrowsPointingUpAndSidewaysAreTurnsOfTheDownwardOne) {
  for (TkvArrowsStyle style : {arsSolid1, arsLines1, arsSolid2, arsLines2}) {
    const Content down = ArrowContent(asBottom, style, clBlue);
    ASSERT_FALSE(down.pixels.empty()) << int(style);
    const Content up = ArrowContent(asTop, style, clBlue);
    ASSERT_EQ(up.box.Width(), down.box.Width()) << int(style);
    ASSERT_EQ(up.box.Height(), down.box.Height()) << int(style);
    for (Integer y = 0; y < down.box.Height(); ++y)
      for (Integer x = 0; x < down.box.Width(); ++x) {
        EXPECT_EQ(up.At(x, y), down.At(x, down.box.Height() - 1 - y)) << int(style) << " " << x << "," << y;
      }
    const Content left = ArrowContent(asLeft, style, clBlue), right = ArrowContent(asRight, style, clBlue);
    ASSERT_EQ(left.box.Width(), down.box.Height()) << int(style);
    ASSERT_EQ(right.box.Height(), down.box.Width()) << int(style);
    for (Integer y = 0; y < down.box.Height(); ++y)
      for (Integer x = 0; x < down.box.Width(); ++x) {
        EXPECT_EQ(left.At(left.box.Width() - 1 - y, x), down.At(x, y)) << int(style);  // a quarter clockwise
        EXPECT_EQ(right.At(y, right.box.Height() - 1 - x), down.At(x, y)) << int(style);
      }
  }
}

TEST_F(Shapes, LineArrowsWithoutAFillAndTheGdiPlusArrow) {
  auto hasBlue = [](const Content& c) {
    for (uint32_t p : c.pixels)
      if (PixB(p) > 128 && PixR(p) < 128) return true;
    return false;
  };
  EXPECT_TRUE(hasBlue(ArrowContent(asBottom, arsLines1, clBlue)));
  const Content strokes = ArrowContent(asBottom, arsLines1, clNone);
  ASSERT_FALSE(strokes.pixels.empty());
  EXPECT_FALSE(hasBlue(strokes));
  for (uint32_t p : strokes.pixels) EXPECT_GE(PixR(p), PixB(p));  // red strokes over white only
  const Content solid3 = ArrowContent(asBottom, arsSolid3);
  ASSERT_FALSE(solid3.pixels.empty());
  EXPECT_EQ(ArrowContent(asBottom, arsDefault).pixels.size(), 0u);  // an unresolved style draws nothing
}

TEST_F(Shapes, ArrowTurnedByAnAngleShiftStaysInItsRectangle) {
  Bmp turned = Filled(60, 60, clWhite, 255);
  DrawArrow(turned.get(), clRed, clBlue, TRect(10, 10, 50, 50), asBottom, 0, 90, 0, arsSolid1, 192);
  const Content c = ContentOf(turned.get(), 0xFFFFFFFF);
  ASSERT_FALSE(c.pixels.empty());
  EXPECT_GE(c.box.Left, 10);
  EXPECT_GE(c.box.Top, 10);
  EXPECT_LE(c.box.Right, 50);
  EXPECT_LE(c.box.Bottom, 50);
}

TEST_F(Shapes, BmpRotateTurnsNewBitmaps) {
  TBitmap* src = CreateBmp32(3, 2);
  for (Integer y = 0; y < 2; ++y)
    for (Integer x = 0; x < 3; ++x) SetAPixel(src, x, y, uint32_t(0xFF000000 | (y * 10 + x)));
  std::unique_ptr<TBitmap> r90(bmpRotate(src, 90, false));
  ASSERT_EQ(r90->Width(), 2);
  ASSERT_EQ(r90->Height(), 3);
  EXPECT_EQ(GetAPixel(r90.get(), 1, 0), 0xFF000000u);  // top-right is the source's top-left
  std::unique_ptr<TBitmap> r45(bmpRotate(src, 45, false));
  EXPECT_EQ(r45->Width(), 3);
  EXPECT_EQ(GetAPixel(r45.get(), 2, 1), 0xFF00000Cu);
  std::unique_ptr<TBitmap> freed(bmpRotate(src, 180, true));
  EXPECT_EQ(src, nullptr);
  EXPECT_EQ(GetAPixel(freed.get(), 0, 0), 0xFF00000Cu);
  TBitmap rgb(2, 2, pf24bit);
  TBitmap* same = &rgb;
  EXPECT_EQ(bmpRotate(same, 90, true), &rgb);  // not 32-bit: handed back, not freed
  EXPECT_EQ(same, &rgb);
}

TEST_F(Shapes, PrlgramRoundsAndTurns) {
  const TPoint corners[4] = {{0, 0}, {10, 0}, {10, 4}, {0, 4}};
  TPrlgram p(corners, 4);
  p.Rotate(90);  // about (5, 2), counter-clockwise on the screen
  EXPECT_EQ(p.GetPoint(0), TPoint(3, 7));
  EXPECT_EQ(p.GetPoint(1), TPoint(3, -3));
  EXPECT_EQ(p.GetPoint(2), TPoint(7, -3));
  const TPoint halves[1] = {{0, 0}};
  TPrlgram h(halves, 1);
  h.FPoints[0] = {2.5, -1.5};
  EXPECT_EQ(h.GetPoint(0), TPoint(2, -2));  // halves to the even neighbour
}

TEST(RotatedBltPoints, AQuarterTurnMoreThanTheAngle) {
  struct Case {
    Integer angle;
    TPoint p0, p1, p2;
  } cases[] = {
      {-90, {0, 0}, {10, 0}, {0, 10}},   // unturned
      {0, {10, 0}, {10, 10}, {0, 0}},    // a quarter clockwise: the top edge down the right side
      {90, {10, 10}, {0, 10}, {10, 0}},  // half a turn
      {270, {0, 0}, {10, 0}, {0, 10}},   // a whole turn
  };
  for (auto c : cases) {
    TPoint p[3];
    RotatedBltPoints(TSize(10, 10), TPoint(5, 5), c.angle, p);
    EXPECT_EQ(p[0], c.p0) << c.angle;
    EXPECT_EQ(p[1], c.p1) << c.angle;
    EXPECT_EQ(p[2], c.p2) << c.angle;
  }
}

TEST_F(Shapes, BitBltRotatedUnturnedCopiesThePicture) {
  Bmp src = Filled(10, 10, clWhite, 255);
  FillRect32(src.get(), TRect(0, 0, 4, 4), clRed, 255);
  FillRect32(src.get(), TRect(0, 6, 4, 10), clLime, 255);
  Bmp unturned = Filled(10, 10, clBlack, 255);
  BitBltRotated(unturned->Canvas()->Handle(), src.get(), TPoint(5, 5), -90);
  EXPECT_EQ(Px(unturned.get(), 1, 1) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Px(unturned.get(), 1, 8) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(Px(unturned.get(), 8, 1) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(Shapes, DrawBmpComposesWithAlphaAndReflects) {
  Bmp canvasBmp = Filled(40, 40, clWhite, 255);
  Bmp pic = Filled(10, 10, clBlue, 255);
  FillRect32(pic.get(), TRect(0, 0, 5, 10), clBlue, 0);  // the left half transparent
  DrawBmp(canvasBmp->Canvas(), pic.get(), TRect(5, 5, 15, 15), true);
  EXPECT_EQ(Px(canvasBmp.get(), 7, 7) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(Px(canvasBmp.get(), 12, 7) & 0xFFFFFF, 0x0000FFu);
  const uint32_t mirror = Px(canvasBmp.get(), 12, 16);  // the reflection below
  EXPECT_LT(PixR(mirror), 255);
  EXPECT_EQ(Px(canvasBmp.get(), 12, 21) & 0xFFFFFF, 0xFFFFFFu);  // half the height only
  Bmp scaled = Filled(40, 40, clWhite, 255);
  DrawBmp(scaled->Canvas(), pic.get(), TRect(0, 0, 20, 20), false);
  EXPECT_EQ(Px(scaled.get(), 18, 18) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(Px(scaled.get(), 3, 18) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(Shapes, IconsFramesAndTheCheckBox) {
  Bmp pic = Filled(16, 16, clRed, 255);
  {
    GdiTracker tracker;
    HICON icon = MakeCompIcon(pic.get());
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 16);
    EXPECT_TRUE(info.fIcon);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  GetCheckSize();
  TOwnedBitmap checks(LoadBitmapW(nullptr, MAKEINTRESOURCEW(32759 /* OBM_CHECKBOXES */)));
  BITMAP cb{};
  GetObjectW(checks.get(), sizeof cb, &cb);
  EXPECT_EQ(FCheckWidth, cb.bmWidth / 4);
  EXPECT_EQ(FCheckHeight, cb.bmHeight / 3);
  EXPECT_GT(FCheckWidth, 0);

  Bmp frame = Filled(10, 10, clWhite, 255);
  TRect r(0, 0, 10, 10);
  Integer width = 2;
  DrawRectangleOnDC(frame->Canvas()->Handle(), r, clRed, clBlue, width);
  EXPECT_EQ(r, TRect(2, 2, 8, 8));
  EXPECT_EQ(width, 0);
  EXPECT_EQ(Px(frame.get(), 0, 5) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Px(frame.get(), 1, 1) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Px(frame.get(), 9, 5) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(Px(frame.get(), 8, 8) & 0xFFFFFF, 0x0000FFu);
  EXPECT_EQ(Px(frame.get(), 2, 2), 0xFFFFFFFFu);
}

TEST(CalcButtonLayout, CentredGlyphAndCaption) {
  TPoint glyph;
  TRect text;
  CalcButtonLayout(TRect(0, 0, 100, 30), TPoint(16, 16), TPoint(40, 14), blGlyphLeft, taCenter, -1, 4, glyph, text, 0,
                   taVerticalCenter);
  EXPECT_EQ(glyph, TPoint(20, 7));
  EXPECT_EQ(text, TRect(40, 8, 80, 22));
  // Margin and spacing -1: the free space in three equal parts.
  CalcButtonLayout(TRect(0, 0, 100, 30), TPoint(16, 16), TPoint(40, 14), blGlyphLeft, taLeftJustify, -1, -1, glyph,
                   text, 0, taVerticalCenter);
  EXPECT_EQ(glyph.X, 14);
  EXPECT_EQ(text.Left, 14 + 16 + 14);
  // Right to left: glyph and caption mirrored.
  TPoint rtlGlyph;
  TRect rtlText;
  CalcButtonLayout(TRect(0, 0, 100, 30), TPoint(16, 16), TPoint(40, 14), blGlyphLeft, taCenter, -1, 4, rtlGlyph,
                   rtlText, DT_RIGHT, taVerticalCenter);
  EXPECT_EQ(rtlGlyph, TPoint(100 - 20 - 16, 7));
  EXPECT_EQ(rtlText, TRect(20, 8, 60, 22));
}

TEST(CalcButtonLayout, VerticalLayoutsAndAlignment) {
  TPoint glyph;
  TRect text;
  CalcButtonLayout(TRect(0, 0, 60, 60), TPoint(16, 16), TPoint(30, 14), blGlyphTop, taCenter, -1, 4, glyph, text, 0,
                   taVerticalCenter);
  EXPECT_EQ(glyph, TPoint(22, 13));  // (60 - 16 - 4 - 14) div 2
  EXPECT_EQ(text.Top, 13 + 16 + 4);
  EXPECT_EQ(text.Left, 15);
  CalcButtonLayout(TRect(0, 0, 60, 60), TPoint(16, 16), TPoint(30, 14), blGlyphBottom, taCenter, -1, 4, glyph, text, 0,
                   taVerticalCenter);
  EXPECT_EQ(glyph.Y, 60 - 16 - 13);
  EXPECT_EQ(text.Bottom, glyph.Y - 4);
  CalcButtonLayout(TRect(0, 0, 100, 30), TPoint(16, 16), TPoint(40, 14), blGlyphLeft, taLeftJustify, 3, 4, glyph, text,
                   0, taAlignTop);
  EXPECT_EQ(glyph.Y, 3);
  EXPECT_EQ(text.Top, 3);
  CalcButtonLayout(TRect(0, 0, 100, 30), TPoint(16, 16), TPoint(40, 14), blGlyphLeft, taLeftJustify, 3, 4, glyph, text,
                   0, taAlignBottom);
  EXPECT_EQ(glyph.Y, 30 - 3 - 16);
  EXPECT_EQ(text.Bottom, 27);
}

TEST_F(Shapes, FocusRectangles) {
  Bmp b = Filled(12, 6, clWhite, 255);
  FocusRect(b->Canvas(), TRect(0, 0, 10, 4), clRed, clBlue);
  auto colour = [&](Integer x, Integer y) { return SwapRedBlue(Px(b.get(), x, y)) & 0xFFFFFF; };
  for (Integer x : {2, 4, 6, 8}) {
    EXPECT_EQ(colour(x, 0), clBlue) << x;
    EXPECT_EQ(colour(x, 3), clBlue) << x;
  }
  for (Integer x : {1, 3, 5, 7, 9}) {
    EXPECT_EQ(colour(x, 0), clRed) << x;
    EXPECT_EQ(colour(x, 3), clRed) << x;
  }
  EXPECT_EQ(colour(10, 0), clBlue);  // the last dark dot lies just outside
  EXPECT_EQ(colour(0, 2), clBlue);
  EXPECT_EQ(colour(9, 2), clBlue);
  EXPECT_EQ(colour(0, 1), clRed);
  EXPECT_EQ(colour(9, 1), clRed);
  EXPECT_EQ(colour(5, 2), clWhite);
  Bmp none = Filled(12, 6, clWhite, 255);
  FocusRect(none->Canvas(), TRect(0, 0, 10, 4), clNone, clNone);
  EXPECT_EQ(Px(none.get(), 1, 0), 0xFFFFFFFFu);
  Bmp f = Filled(12, 12, clWhite, 255);
  kvDrawFocusRect(f->Canvas(), TRect(1, 1, 11, 11));
  EXPECT_EQ(Px(f.get(), 5, 5), 0xFFFFFFFFu);
  bool dotted = false;
  for (Integer x = 1; x < 11; ++x) dotted |= (Px(f.get(), x, 1) & 0xFFFFFF) != 0xFFFFFF;
  EXPECT_TRUE(dotted);
}
