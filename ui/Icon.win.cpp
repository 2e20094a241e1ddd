// The HICON of TIcon.
#include <windows.h>

#include <cstring>

#include "Canvas.h"
#include "GdiScopes.h"
#include "Icon.h"
#include "Streams.h"

void TIcon::ReleaseIcon() {
  if (icon_) DestroyIcon(icon_);
  icon_ = nullptr;
}

HICON TIcon::Handle() {
  if (!icon_ && chosen_ >= 0) {
    const Entry& e = entries_[static_cast<size_t>(chosen_)];
    icon_ =
        CreateIconFromResourceEx(data_.data() + e.offset, e.size, TRUE, 0x00030000, e.width, e.height, LR_DEFAULTCOLOR);
  }
  return icon_;
}

void TIcon::SetHandle(HICON icon) {
  ReleaseIcon();
  data_.clear();
  entries_.clear();
  chosen_ = -1;
  width_ = height_ = 0;
  icon_ = icon;
  if (!icon) return;
  ICONINFO info{};
  if (GetIconInfo(icon, &info)) {
    BITMAP bm{};
    HBITMAP sizeSource = info.hbmColor ? info.hbmColor : info.hbmMask;
    if (GetObjectW(sizeSource, sizeof bm, &bm)) {
      width_ = bm.bmWidth;
      height_ = info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;  // a monochrome icon stacks AND over XOR
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
}

HICON TIcon::ReleaseHandle() {
  HICON h = Handle();
  icon_ = nullptr;
  Assign(nullptr);
  return h;
}

void TIcon::Draw(TCanvas* canvas, const TRect& r) {
  HICON h = Handle();
  if (!h) return;
  DrawIconEx(canvas->Handle(), r.Left, r.Top, h, r.Width(), r.Height(), 0, nullptr, DI_NORMAL);
}

void TIcon::SaveToStream(TStream& stream) const {
  if (!data_.empty()) {
    stream.WriteBuffer(data_.data(), static_cast<Integer>(data_.size()));
    return;
  }
  if (!icon_ || width_ <= 0 || height_ <= 0) return;
  // One 32-bit image drawn from the handle, with its AND mask.
  const Integer w = width_, h = height_;
  TBitmap color(w, h, pf32bit), mask(w, h, pf32bit);
  {
    HDC dc = color.Canvas()->Handle();
    DrawIconEx(dc, 0, 0, icon_, w, h, 0, nullptr, DI_NORMAL);
    HDC mdc = mask.Canvas()->Handle();
    DrawIconEx(mdc, 0, 0, icon_, w, h, 0, nullptr, DI_MASK);
  }
  const uint32_t maskStride = ((w + 31) / 32) * 4;
  const uint32_t xorBytes = uint32_t(w) * h * 4, andBytes = maskStride * h;
  const uint32_t imageBytes = sizeof(BITMAPINFOHEADER) + xorBytes + andBytes;
  std::vector<Byte> out(6 + 16 + imageBytes, 0);
  Byte* p = out.data();
  p[2] = 1;
  p[4] = 1;
  Byte* e = p + 6;
  e[0] = static_cast<Byte>(w >= 256 ? 0 : w);
  e[1] = static_cast<Byte>(h >= 256 ? 0 : h);
  e[4] = 1;
  e[6] = 32;
  std::memcpy(e + 8, &imageBytes, 4);
  const uint32_t offset = 22;
  std::memcpy(e + 12, &offset, 4);
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof bih;
  bih.biWidth = w;
  bih.biHeight = h * 2;
  bih.biPlanes = 1;
  bih.biBitCount = 32;
  std::memcpy(p + offset, &bih, sizeof bih);
  Byte* xorBits = p + offset + sizeof bih;
  Byte* andBits = xorBits + xorBytes;
  for (Integer y = 0; y < h; ++y) {  // both stored bottom-up
    const Byte* src = static_cast<const Byte*>(color.ScanLine(h - 1 - y));
    std::memcpy(xorBits + size_t(y) * w * 4, src, size_t(w) * 4);
    const Byte* m = static_cast<const Byte*>(mask.ScanLine(h - 1 - y));
    for (Integer x = 0; x < w; ++x)
      if (m[x * 4] != 0) andBits[y * maskStride + x / 8] |= static_cast<Byte>(0x80 >> (x % 8));
  }
  stream.WriteBuffer(out.data(), static_cast<Integer>(out.size()));
}
