// Templates, border copies, clipping of children, regions and glyph strips (GDI side).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "paint/sGraphUtils.h"
#include "skin/sSkinManager.h"
#include "support/Bitmap32.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"

TEST(PaintControlByTemplate, LimitedSidesGiveLShapedCornersAndTiledSides) {
  Bmp src = CoordinatePicture(30, 30);
  const TRect B(10, 10, 10, 10), M(3, 3, 3, 3), tiled(0, 0, 0, 0);
  Bmp dst = Filled(100, 50, clBlack, 255);
  PaintControlByTemplate(dst.get(), src.get(), TRect(0, 0, 100, 50), TRect(0, 0, 30, 30), B, M, tiled, false, false);
  EXPECT_EQ(CopiedFrom(dst.get(), 0, 0), TPoint(0, 0));
  EXPECT_EQ(CopiedFrom(dst.get(), 9, 2), TPoint(9, 2));    // the corner's top arm, 10 long and 3 thick
  EXPECT_EQ(CopiedFrom(dst.get(), 9, 5), TPoint(-1, -1));  // beyond the arm
  EXPECT_EQ(CopiedFrom(dst.get(), 2, 9), TPoint(2, 9));    // the left arm
  EXPECT_EQ(CopiedFrom(dst.get(), 99, 0), TPoint(29, 0));
  EXPECT_EQ(CopiedFrom(dst.get(), 99, 49), TPoint(29, 29));
  EXPECT_EQ(CopiedFrom(dst.get(), 1, 12), TPoint(1, 12));  // left side tiled from row 10 of the source
  EXPECT_EQ(CopiedFrom(dst.get(), 1, 22), TPoint(1, 12));
  EXPECT_EQ(CopiedFrom(dst.get(), 1, 39), TPoint(1, 19));    // the last tile cut at the bottom corner
  EXPECT_EQ(CopiedFrom(dst.get(), 25, 1), TPoint(15, 1));    // top side tiled every 10 columns
  EXPECT_EQ(CopiedFrom(dst.get(), 98, 25), TPoint(28, 15));  // right side
  EXPECT_EQ(CopiedFrom(dst.get(), 55, 48), TPoint(15, 28));  // bottom side
  EXPECT_EQ(CopiedFrom(dst.get(), 50, 25), TPoint(-1, -1));  // no centre without FillCenter
  EXPECT_EQ(CopiedFrom(dst.get(), 5, 25), TPoint(-1, -1));   // sides only 3 thick

  PaintControlByTemplate(dst.get(), src.get(), TRect(0, 0, 100, 50), TRect(0, 0, 30, 30), B, M, tiled, false, true);
  EXPECT_EQ(CopiedFrom(dst.get(), 50, 25), TPoint(10, 15));  // tiled centre
  PaintControlByTemplate(dst.get(), src.get(), TRect(0, 0, 100, 50), TRect(0, 0, 30, 30), B, M, TRect(1, 1, 1, 1), true,
                         true);
  const TPoint stretched = CopiedFrom(dst.get(), 50, 1);
  EXPECT_GE(stretched.X, 14);  // the stretched top side: source columns 10..19 over 10..89
  EXPECT_LE(stretched.X, 16);
  EXPECT_EQ(stretched.Y, 1);
}

TEST(PaintControlByTemplate, ASmallTargetLimitsTheCornersToItsHalf) {
  Bmp src = CoordinatePicture(30, 30);
  Bmp dst = Filled(40, 12, clBlack, 255);
  const TRect B(10, 10, 10, 10);
  PaintControlByTemplate(dst.get(), src.get(), TRect(0, 0, 40, 12), TRect(0, 0, 30, 30), B, B, TRect(), false, false);
  EXPECT_EQ(CopiedFrom(dst.get(), 0, 0), TPoint(0, 0));
  EXPECT_EQ(CopiedFrom(dst.get(), 0, 11), TPoint(0, 29));  // the bottom corner ends at the bottom
  EXPECT_EQ(CopiedFrom(dst.get(), 0, 2), TPoint(0, 20));   // and is drawn over the top one
}

TEST(BitBltBorder, NegativeWidthsTakeTheLeftWidth) {
  Bmp src = Filled(20, 20, clRed, 255);
  Bmp dst = Filled(20, 20, clWhite, 255);
  BitBltBorder(dst->Canvas()->Handle(), 0, 0, 20, 20, src->Canvas()->Handle(), 0, 0, 2, -1, -1, -1);
  auto red = [&](Integer x, Integer y) { return (Px(dst.get(), x, y) & 0xFFFFFF) == 0xFF0000; };
  EXPECT_TRUE(red(1, 10) && red(10, 1) && red(18, 10) && red(10, 18) && red(0, 0) && red(19, 19));
  EXPECT_FALSE(red(2, 2) || red(10, 10) || red(17, 17));
  Bmp sides = Filled(20, 20, clWhite, 255);
  BitBltBorder(sides->Canvas()->Handle(), 0, 0, 20, 20, src->Canvas()->Handle(), 0, 0, 1, 0, 3, 2);
  EXPECT_EQ(Px(sides.get(), 10, 0), 0xFFFFFFFFu);  // no top strip
  EXPECT_EQ(Px(sides.get(), 0, 10) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Px(sides.get(), 1, 10), 0xFFFFFFFFu);
  EXPECT_EQ(Px(sides.get(), 17, 10) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Px(sides.get(), 16, 10), 0xFFFFFFFFu);
  EXPECT_EQ(Px(sides.get(), 10, 18) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(Px(sides.get(), 10, 17), 0xFFFFFFFFu);
}

TEST(GetRgnFromBmp, KeyPixelsAreCutOut) {
  Bmp b = Filled(4, 4, clWhite, 255);
  SetAPixel(b.get(), 0, 0, kKeyPixel);
  SetAPixel(b.get(), 1, 0, kKeyPixel);
  SetAPixel(b.get(), 3, 3, kKeyPixel);
  HRGN rgn = nullptr;
  GetRgnFromBmp(rgn, b.get(), clFuchsia);
  ASSERT_NE(rgn, nullptr);
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_FALSE(PtInRegion(rgn, 1, 0));
  EXPECT_FALSE(PtInRegion(rgn, 3, 3));
  EXPECT_TRUE(PtInRegion(rgn, 2, 0));
  EXPECT_TRUE(PtInRegion(rgn, 1, 1));
  EXPECT_FALSE(PtInRegion(rgn, 4, 1));
  DeleteObject(rgn);
}

TEST(ExcludeControls, GraphicChildrenStayUnlessTheManagerClipsThem) {
  TWinControl owner(nullptr);
  owner.SetBounds(0, 0, 30, 10);
  TWinControl windowed(nullptr);
  windowed.SetBounds(0, 0, 10, 10);
  windowed.SetParent(&owner);
  TGraphicControl graphic(nullptr);
  graphic.SetBounds(10, 0, 10, 10);
  graphic.SetParent(&owner);
  TGraphicControl hidden(nullptr);
  hidden.SetBounds(20, 0, 10, 10);
  hidden.SetVisible(false);
  hidden.SetParent(&owner);
  auto paintAfterExclusion = [&] {
    Bmp b = Filled(30, 10, clWhite, 255);
    HDC dc = b->Canvas()->Handle();
    const int saved = SaveDC(dc);
    ExcludeControls(dc, &owner, 0, 0);
    const RECT all{0, 0, 30, 10};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RestoreDC(dc, saved);
    return b;
  };
  ASSERT_EQ(DefaultManager, nullptr);
  Bmp noManager = paintAfterExclusion();
  EXPECT_EQ(Px(noManager.get(), 5, 5), 0xFFFFFFFFu);     // the windowed child is clipped out
  EXPECT_EQ(Px(noManager.get(), 15, 5) & 0xFFFFFF, 0u);  // the graphic one is not
  EXPECT_EQ(Px(noManager.get(), 25, 5) & 0xFFFFFF, 0u);  // nor the hidden one
  {
    DuRiruZireziv manager{nullptr};
    Bmp clipped = paintAfterExclusion();
    EXPECT_EQ(Px(clipped.get(), 15, 5), 0xFFFFFFFFu);
    EXPECT_EQ(Px(clipped.get(), 25, 5) & 0xFFFFFF, 0u);
    manager.Options.StdImgTransparency = true;
    Bmp transparent = paintAfterExclusion();
    EXPECT_EQ(Px(transparent.get(), 15, 5) & 0xFFFFFF, 0u);
  }
  graphic.SetParent(nullptr);
  hidden.SetParent(nullptr);
  windowed.SetParent(nullptr);
}

namespace {
// A strip of four 8 x 8 glyphs in 24 bits; glyph i is filled with colour i, its bottom-left
// pixel fuchsia (the strip's transparent colour).
const TColor kGlyphColors[4] = {0x0000C0, 0x00C000, 0xC00000, 0xC0C0C0};
Bmp GlyphStrip(Integer count) {
  Bmp b(new TBitmap(8 * count, 8, pf24bit));
  for (Integer i = 0; i < count; ++i)
    for (Integer y = 0; y < 8; ++y)
      for (Integer x = 0; x < 8; ++x)
        b->Canvas()->SetPixels(i * 8 + x, y, y == 7 && x == 0 ? clFuchsia : kGlyphColors[i]);
  return b;
}
TColor ColorAt(TBitmap* b, Integer x, Integer y) { return SwapRedBlue(Px(b, x, y)) & 0xFFFFFF; }
}  // namespace

TEST(DrawGlyphEx, PicksTheGlyphByStateAndOrder) {
  Bmp strip = GlyphStrip(4);
  Bmp dst = Filled(20, 20, clBlack, 255);
  DrawGlyphEx(strip.get(), dst.get(), TRect(2, 2, 10, 10), 4, true, {}, 2, 0, true, false);
  EXPECT_EQ(ColorAt(dst.get(), 4, 4), kGlyphColors[3]);  // pressed and down: glyph 3
  EXPECT_EQ(ColorAt(dst.get(), 2, 9), 0u);               // the transparent pixel is left out

  Bmp two = GlyphStrip(2);
  {
    DuRiruZireziv manager{nullptr};  // StdGlyphsOrder off: the pressed look is glyph 1
    DrawGlyphEx(two.get(), dst.get(), TRect(2, 2, 10, 10), 2, true, {}, 2, 0, false, false);
    EXPECT_EQ(ColorAt(dst.get(), 4, 4), kGlyphColors[1]);
    manager.Options.StdGlyphsOrder = true;
    DrawGlyphEx(two.get(), dst.get(), TRect(2, 2, 10, 10), 2, true, {}, 1, 0, false, false);
    EXPECT_EQ(ColorAt(dst.get(), 4, 4), kGlyphColors[0]);
  }
  DrawGlyphEx(two.get(), dst.get(), TRect(2, 2, 10, 10), 2, true, {}, 1, 0, false, false);
  EXPECT_EQ(ColorAt(dst.get(), 4, 4), kGlyphColors[0]);  // no manager: hot is glyph 0 too
  DrawGlyphEx(strip.get(), dst.get(), TRect(2, 2, 10, 10), 4, true, {}, 3, 0, false, false);
  EXPECT_EQ(ColorAt(dst.get(), 4, 4), kGlyphColors[2]);  // the default button's look
  Bmp before = Filled(20, 20, clBlack, 255);
  DrawGlyphEx(strip.get(), before.get(), TRect(2, 2, 10, 10), 4, true, {}, 7, 0, false, false);
  EXPECT_EQ(ColorAt(before.get(), 4, 4), 0u);  // an unknown state draws nothing
}

TEST(DrawGlyphEx, ACountOfNoGlyphsIsOneGlyph) {
  Bmp strip = GlyphStrip(1);
  Bmp dst = Filled(20, 20, clBlack, 255);
  DrawGlyphEx(strip.get(), dst.get(), TRect(0, 0, 8, 8), 0, true, {}, 2, 0, false, false);
  EXPECT_EQ(ColorAt(dst.get(), 3, 3), kGlyphColors[0]);
}

TEST(DrawGlyphEx, DisabledBlendsAndReflectionGoesBelow) {
  Bmp strip = GlyphStrip(2);
  Bmp dst = Filled(20, 40, clWhite, 255);
  DrawGlyphEx(strip.get(), dst.get(), TRect(0, 0, 8, 8), 2, false, {dgBlended}, 0, 128, false, false);
  const uint32_t p = Px(dst.get(), 3, 3);
  EXPECT_GT(PixR(p), 0xC0 / 2);  // half way between the glyph's red and the white
  EXPECT_LT(PixG(p), 255);
  EXPECT_GT(PixG(p), 100);

  Bmp refl = Filled(20, 40, clBlack, 255);
  DrawGlyphEx(strip.get(), refl.get(), TRect(0, 8, 8, 16), 2, true, {}, 0, 0, false, true);
  // The glyph moves up by 8 div 8 = 1 row: rows 7 to 14; the reflection follows from row 15
  // for 8 div 3 * 2 - 1 = 3 more rows, the last at weight 0.
  EXPECT_EQ(ColorAt(refl.get(), 3, 6), 0u);
  EXPECT_EQ(ColorAt(refl.get(), 3, 7), kGlyphColors[0]);
  EXPECT_EQ(ColorAt(refl.get(), 3, 14), kGlyphColors[0]);
  EXPECT_EQ(ColorAt(refl.get(), 0, 14), 0u);  // the transparent pixel
  EXPECT_EQ(PixR(Px(refl.get(), 3, 15)), MixByte(0, 0xC0, 127));
  EXPECT_EQ(PixR(Px(refl.get(), 0, 15)), 0);  // the transparent pixel is not mirrored
  EXPECT_EQ(ColorAt(refl.get(), 3, 18), 0u);
}
