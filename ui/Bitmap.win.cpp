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

void FlushGdiDrawing() { GdiFlush(); }

void TBitmap::FlushGdi() { FlushGdiDrawing(); }

void TBitmap::Release() {
  DetachCanvas();
  if (dib_) {
    FlushGdi();  // drawing queued on the bitmap must finish before its memory goes
    DeleteObject(dib_);
  }
  dib_ = nullptr;
  bits_ = nullptr;
}

void TBitmap::DetachCanvas() {
  if (canvas_) canvas_->FreeContext();
}

void TBitmap::DestroyCanvas() {
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
  if (!canvas_) canvas_ = new TBitmapCanvas(this);
  return canvas_;
}

void TBitmap::Draw(TCanvas* canvas, const TRect& r) {
  if (!dib_ || Empty() || r.IsEmpty()) return;
  HDC dst = canvas->Handle();
  HDC src = Canvas()->Handle();
  const int w = r.Width(), h = r.Height();
  if (format_ == pf32bit && alphaFormat_ != afIgnored) {
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    if (alphaFormat_ == afPremultiplied) {
      AlphaBlend(dst, r.Left, r.Top, w, h, src, 0, 0, width_, height_, bf);
      return;
    }
    // Straight alpha: blend a premultiplied copy.
    TBitmap pm(width_, height_, pf32bit);
    for (Integer y = 0; y < height_; ++y) {
      auto* s = static_cast<const Byte*>(ScanLine(y));
      auto* d = static_cast<Byte*>(pm.ScanLine(y));
      for (Integer x = 0; x < width_; ++x, s += 4, d += 4) {
        const unsigned a = s[3];
        d[0] = static_cast<Byte>((s[0] * a + 127) / 255);
        d[1] = static_cast<Byte>((s[1] * a + 127) / 255);
        d[2] = static_cast<Byte>((s[2] * a + 127) / 255);
        d[3] = s[3];
      }
    }
    AlphaBlend(dst, r.Left, r.Top, w, h, pm.Canvas()->Handle(), 0, 0, width_, height_, bf);
    return;
  }
  if (Transparent()) {
    TransparentBlt(dst, r.Left, r.Top, w, h, src, 0, 0, width_, height_, TransparentColor() & 0xFFFFFF);
    return;
  }
  int oldMode = SetStretchBltMode(dst, STRETCH_DELETESCANS);
  StretchBlt(dst, r.Left, r.Top, w, h, src, 0, 0, width_, height_, canvas->CopyMode());
  SetStretchBltMode(dst, oldMode);
}
