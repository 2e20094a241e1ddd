// The engine's 32-bit working bitmaps: a class-library bitmap with 32-bit pixels, a device-
// independent handle and IgnorePalette set, made by CreateBmp32; its pixel view, its rows and
// single pixels. A returned bitmap belongs to the caller.
#pragma once

#include <cstdint>

#include "ui/Bitmap.h"
#include "ui/Types.h"

class TControl;

// The extent b - a of a rectangle's side, 0 when negative and limited to INT32_MAX (widths of
// hostile rectangles may overflow 32 bits).
Integer SafeExtent(Integer a, Integer b);

// The view of a pf32bit bitmap; empty for a missing bitmap or any other format.
TPixelView ViewOf(TBitmap* bmp);

// A new working bitmap (pf32bit, DIB, IgnorePalette). Impossible sizes give 0 x 0.
TBitmap* CreateBmp32(Integer width, Integer height);
TBitmap* CreateBmp32(const TRect& r);
TBitmap* CreateBmp32(const TSize& size);
TBitmap* CreateBmp32(const TBitmap* bmp);
#ifdef _WIN32
// A working bitmap of the control's size.
TBitmap* CreateBmp32(const TControl* ctrl);
#endif
TBitmap* CreateBmpLike(const TBitmap* bmp);
void CheckBmp(TBitmap*& bmpOut, const TBitmap* sampleBmp);
// Address of row 0 and the signed distance to row 1 (0 for a one-row bitmap); false for a
// bitmap without rows. A bitmap of rows without columns gives the address null and distance 0.
bool InitLine(TBitmap* bmp, void*& line0, Integer& delta);
// Single pixels, raw 32-bit values; x and y must lie inside the bitmap.
uint32_t GetAPixel(TBitmap* bmp, Integer x, Integer y);
void SetAPixel(TBitmap* bmp, Integer x, Integer y, uint32_t value);
