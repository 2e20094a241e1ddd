// GDI drawing on 32-bit working bitmaps: the raster routines read what GDI drew without a flush
// of their own (the bitmap's view waits for GDI), and alpha lost to GDI's text and lines is put
// back in one place, TGdiDrawing, once, when its outermost scope ends.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/kvgpUtils.h"
#include "support/Bitmap32.h"
#include "support/HeldBackGdi.h"
#include "ui/Canvas.h"

namespace {

// A black line across row y of the DC and a word of text below it.
void LineAndText(HDC dc, Integer y) {
  MoveToEx(dc, 0, y, nullptr);
  LineTo(dc, 40, y);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 255));
  TextOutW(dc, 2, y + 2, L"Wq", 2);
}

int CountAlpha(TBitmap* b, const TRect& r, Byte alpha, uint32_t except) {
  int n = 0;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer x = r.Left; x < r.Right; ++x)
      if (GetAPixel(b, x, y) != except && PixA(GetAPixel(b, x, y)) == alpha) ++n;
  return n;
}

}  // namespace

TEST(GdiDrawing, AFillThroughGdiIsReadWithoutAFlush) {
  Bmp b = Filled(10, 10, 0xFF000000);
  HeldBackGdi gdi;
  FillDC(b->Canvas()->Handle(), TRect(2, 2, 6, 6), clRed, 0);
  ASSERT_EQ(gdi.Held(), 1);  // held back as GDI's batch may be
  EXPECT_EQ(GetAPixel(b.get(), 3, 3) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(GetAPixel(b.get(), 7, 7), 0xFF000000u);
  EXPECT_EQ(gdi.Held(), 0);
}

TEST(GdiDrawing, TextAndLinesLoseTheirAlphaWithoutTheScope) {
  Bmp b = Filled(60, 30, 0xFFFFFFFF);
  LineAndText(b->Canvas()->Handle(), 4);
  EXPECT_EQ(GetAPixel(b.get(), 10, 4), 0x00000000u);  // GDI's black line, alpha 0
  EXPECT_GT(CountAlpha(b.get(), TRect(0, 5, 60, 30), 0, 0), 5);
}

TEST(GdiDrawing, TheScopePutsTheAlphaBackOverItsAreaOnly) {
  Bmp b = Filled(60, 30, 0x00FFFFFF);  // transparent white
  {
    TGdiDrawing drawing(b.get(), TRect(0, 0, 50, 30));
    LineAndText(drawing.DC(), 4);
  }
  EXPECT_EQ(GetAPixel(b.get(), 10, 4), 0xFF000000u);  // the line, opaque black
  EXPECT_EQ(CountAlpha(b.get(), TRect(0, 0, 50, 30), 0, 0xFFFFFFFF), 0);
  bool blueInk = false;
  for (Integer y = 6; y < 30; ++y)
    for (Integer x = 0; x < 50; ++x) blueInk = blueInk || GetAPixel(b.get(), x, y) == 0xFF0000FFu;
  EXPECT_TRUE(blueInk);
  EXPECT_EQ(GetAPixel(b.get(), 55, 20), 0x00FFFFFFu);  // outside the area nothing changed
}

TEST(GdiDrawing, NestedScopesRepairOnceWhenTheOutermostEnds) {
  Bmp b = Filled(60, 40, 0x00FFFFFF);
  {
    TGdiDrawing outer(b.get(), TRect(0, 0, 60, 20));
    {
      TGdiDrawing inner(b.get(), TRect(0, 20, 60, 40));  // a child printed inside its parent
      LineAndText(inner.DC(), 24);
    }
    EXPECT_EQ(PixA(GetAPixel(b.get(), 10, 24)), 0);  // not yet: the outer scope repairs
    LineAndText(outer.DC(), 4);
  }
  EXPECT_EQ(GetAPixel(b.get(), 10, 4), 0xFF000000u);
  EXPECT_EQ(GetAPixel(b.get(), 10, 24), 0xFF000000u);  // the inner area too, in the same pass
  EXPECT_EQ(CountAlpha(b.get(), TRect(0, 0, 60, 40), 0, 0xFFFFFFFF), 0);
}

TEST(GdiDrawing, TheRepairWaitsForHeldBackDrawing) {
  Bmp b = Filled(20, 20, 0x00000000);
  HeldBackGdi gdi;
  {
    TGdiDrawing drawing(b.get());
    PatBlt(drawing.DC(), 0, 0, 10, 20, WHITENESS);
    EXPECT_EQ(gdi.Held(), 1);
  }
  EXPECT_EQ(gdi.Held(), 0);
  EXPECT_EQ(GetAPixel(b.get(), 5, 5), 0xFFFFFFFFu);   // drawn, then made opaque
  EXPECT_EQ(GetAPixel(b.get(), 15, 5), 0xFF000000u);  // not drawn, opaque as the whole area
}
