// The gate between GDI and a bitmap's pixels: every way to the pixel memory waits for the
// drawing GDI holds back, so a pixel read after drawing on the canvas sees it without the
// caller flushing. Wine draws at once; HeldBackGdi holds the drawing back as Windows may.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "support/HeldBackGdi.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/Streams.h"

namespace {

// The pixel memory of the bitmap's DIB section as it stands, past the gate.
uint32_t RawPixel(TBitmap& bmp, int x, int y) {
  DIBSECTION ds{};
  GetObjectW(bmp.Handle(), sizeof ds, &ds);
  const auto* bits = static_cast<const Byte*>(ds.dsBm.bmBits);
  uint32_t p;
  std::memcpy(&p, bits + size_t(bmp.Height() - 1 - y) * ds.dsBm.bmWidthBytes + size_t(x) * 4, 4);
  return p;
}

// An 8 x 8 black bitmap with a white square (2, 2)-(6, 6) drawn by GDI and held back.
void DrawHeldSquare(TBitmap& bmp, HeldBackGdi& gdi) {
  PatBlt(bmp.Canvas()->Handle(), 2, 2, 4, 4, WHITENESS);
  ASSERT_EQ(gdi.Held(), 1);
}

}  // namespace

TEST(BitmapGdiGate, HeldBackDrawingIsNotInThePixelsBeforeTheGate) {
  TBitmap bmp(8, 8, pf32bit);
  HeldBackGdi gdi;
  DrawHeldSquare(bmp, gdi);
  EXPECT_EQ(RawPixel(bmp, 3, 3), 0u);  // what a read around the gate would see
  EXPECT_EQ(gdi.Flushes(), 0);
}

TEST(BitmapGdiGate, TheViewSeesTheDrawing) {
  TBitmap bmp(8, 8, pf32bit);
  HeldBackGdi gdi;
  DrawHeldSquare(bmp, gdi);
  const TPixelView v = bmp.View();
  EXPECT_EQ(gdi.Held(), 0);
  EXPECT_EQ(v.At(3, 3) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(v.At(1, 1), 0u);
}

TEST(BitmapGdiGate, ScanLineAndPixelColorSeeTheDrawing) {
  TBitmap rows(8, 8, pf32bit);
  {
    HeldBackGdi gdi;
    DrawHeldSquare(rows, gdi);
    uint32_t p;
    std::memcpy(&p, static_cast<const Byte*>(rows.ScanLine(4)) + 4 * 4, 4);
    EXPECT_EQ(p & 0xFFFFFF, 0xFFFFFFu);
  }
  TBitmap colours(8, 8, pf24bit);
  {
    HeldBackGdi gdi;
    DrawHeldSquare(colours, gdi);
    EXPECT_EQ(colours.PixelColor(5, 5), 0xFFFFFFu);
    EXPECT_EQ(colours.PixelColor(0, 0), 0u);
  }
}

TEST(BitmapGdiGate, CopiesOfTheBitmapCarryTheDrawing) {
  TBitmap bmp(8, 8, pf32bit);
  HeldBackGdi gdi;
  DrawHeldSquare(bmp, gdi);
  TBitmap copy;
  copy.Assign(&bmp);
  EXPECT_EQ(copy.View().At(3, 3) & 0xFFFFFF, 0xFFFFFFu);

  PatBlt(bmp.Canvas()->Handle(), 0, 0, 1, 1, WHITENESS);
  TMemoryStream file;
  bmp.SaveToStream(file);
  TBitmap loaded;
  file.SetPosition(0);
  loaded.LoadFromStream(file);
  EXPECT_EQ(loaded.View().At(0, 0) & 0xFFFFFF, 0xFFFFFFu);

  PatBlt(bmp.Canvas()->Handle(), 7, 0, 1, 1, WHITENESS);
  bmp.SetSize(9, 9);  // keeps the old pixels: the drawing among them
  EXPECT_EQ(bmp.View().At(7, 0) & 0xFFFFFF, 0xFFFFFFu);

  PatBlt(bmp.Canvas()->Handle(), 0, 7, 1, 1, WHITENESS);
  bmp.SetPixelFormat(pf24bit);
  EXPECT_EQ(bmp.PixelColor(0, 7), 0xFFFFFFu);
}
