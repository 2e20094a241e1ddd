// The Windows half of TBitmap: pixel memory in a DIB section.
#include <windows.h>

#include <cstring>

#include "Bitmap.h"
#include "Canvas.h"

static constexpr int64_t kMaxBitmapBytes = int64_t(1) << 30;

bool TBitmap::Allocate(Integer width, Integer height, TPixelFormat format, const std::vector<uint32_t>& table) {
  if (width <= 0 || height <= 0) return false;
  const int bpp = BitsPerPixel(format);
  if (int64_t(StrideFor(width, format)) * height > kMaxBitmapBytes) return false;
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;  // bottom-up
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bpp);
  info.header.biCompression = BI_RGB;
  if (bpp <= 8) {
    size_t n = std::min<size_t>(table.size(), size_t(1) << bpp);
    info.header.biClrUsed = static_cast<DWORD>(n);
    std::memcpy(info.colors, table.data(), n * 4);
  }
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dib || !bits) {
    if (dib) DeleteObject(dib);
    return false;
  }
  dib_ = dib;
  bits_ = static_cast<Byte*>(bits);
  width_ = width;
  height_ = height;
  stride_ = StrideFor(width, format);
  return true;
}

void TBitmap::Release() {
  DetachCanvas();
  if (dib_) {
    GdiFlush();  // drawing queued on the bitmap must finish before its memory goes
    DeleteObject(dib_);
  }
  dib_ = nullptr;
  bits_ = nullptr;
}

void TBitmap::DetachCanvas() {
  delete canvas_;
  canvas_ = nullptr;
}

HBITMAP TBitmap::ReleaseHandle() {
  DetachCanvas();
  HBITMAP h = dib_;
  dib_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = stride_ = 0;
  return h;
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = new TBitmapCanvas(dib_);
  return canvas_;
}
