#include "base/WorkingBitmaps.h"

#include <cstring>

Integer SafeExtent(Integer a, Integer b) {
  int64_t e = int64_t(b) - a;
  return e <= 0 ? 0 : e > INT32_MAX ? INT32_MAX : static_cast<Integer>(e);
}

TPixelView ViewOf(TBitmap* bmp) { return bmp ? bmp->View() : TPixelView{}; }

TBitmap* CreateBmp32(Integer width, Integer height) {
  auto* bmp = new TBitmap;
  bmp->SetPixelFormat(pf32bit);
  bmp->SetHandleType(bmDIB);
  bmp->SetIgnorePalette(true);
  if (width < 0 || height < 0) width = height = 0;
  try {
    bmp->SetSize(width, height);
  } catch (const Exception&) {
    // The platform refused the size: the caller gets an empty bitmap instead of an error.
  }
  if (bmp->Width() != width || bmp->Height() != height) {
    try {
      bmp->SetSize(0, 0);
    } catch (const Exception&) {}
  }
  return bmp;
}

TBitmap* CreateBmp32(const TRect& r) { return CreateBmp32(SafeExtent(r.Left, r.Right), SafeExtent(r.Top, r.Bottom)); }
TBitmap* CreateBmp32(const TSize& size) { return CreateBmp32(size.cx, size.cy); }
TBitmap* CreateBmp32(const TBitmap* bmp) { return CreateBmp32(bmp ? bmp->Width() : 0, bmp ? bmp->Height() : 0); }

TBitmap* CreateBmpLike(const TBitmap* bmp) {
  TBitmap* result = CreateBmp32(0, 0);
  if (!bmp) return result;
  result->SetPixelFormat(bmp->PixelFormat());
  try {
    result->SetSize(bmp->Width(), bmp->Height());
  } catch (const Exception&) {}
  return result;
}

void CheckBmp(TBitmap*& bmpOut, const TBitmap* sampleBmp) {
  if (!sampleBmp) return;
  if (!bmpOut)
    bmpOut = CreateBmp32(sampleBmp);
  else
    bmpOut->SetSize(sampleBmp->Width(), sampleBmp->Height());
}

bool InitLine(TBitmap* bmp, void*& line0, Integer& delta) {
  if (!bmp || bmp->Height() <= 0) return false;
  if (bmp->Width() <= 0) {
    // Rows without a pixel: there is no memory to point at, and nothing a caller reads.
    line0 = nullptr;
    delta = 0;
    return true;
  }
  line0 = bmp->ScanLine(0);
  delta = bmp->Height() >= 2 ? bmp->RowDelta() : 0;
  return true;
}

uint32_t GetAPixel(TBitmap* bmp, Integer x, Integer y) {
  uint32_t v;
  std::memcpy(&v, static_cast<Byte*>(bmp->ScanLine(y)) + size_t(x) * 4, 4);
  return v;
}

void SetAPixel(TBitmap* bmp, Integer x, Integer y, uint32_t value) {
  std::memcpy(static_cast<Byte*>(bmp->ScanLine(y)) + size_t(x) * 4, &value, 4);
}
