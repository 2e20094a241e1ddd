// Text on 32-bit bitmaps: the pixel passes (portable).
#include "raster/Text.h"

#include <algorithm>

#include "raster/ColorTransforms.h"

void WriteColorPixels(const TPixelView& dst, const TPixelView& tmp, TPoint topLeft, bool enabled, TColor color) {
  if (dst.Empty() || tmp.Empty()) return;
  const int64_t y0 = std::max<int64_t>(0, -int64_t(topLeft.Y));
  const int64_t y1 = std::min<int64_t>(tmp.Height - 1, int64_t(dst.Height) - 1 - topLeft.Y);
  const int64_t x0 = std::max<int64_t>(0, -int64_t(topLeft.X));
  const int64_t x1 = std::min<int64_t>(tmp.Width - 1, int64_t(dst.Width) - 1 - topLeft.X);
  const uint32_t C[3] = {color >> 16 & 0xFF, color >> 8 & 0xFF, color & 0xFF};  // blue, green, red
  for (int64_t y = y0; y <= y1; ++y) {
    const uint32_t* srow = tmp.Row(static_cast<Integer>(y));
    uint32_t* drow = dst.Row(static_cast<Integer>(topLeft.Y + y));
    for (int64_t x = x0; x <= x1; ++x) {
      const uint32_t s = srow[x];
      if (s == 0x00FFFFFFu || s == 0xFFFFFFFFu) continue;  // untouched white
      uint32_t& d = drow[topLeft.X + x];
      const uint32_t dc[3] = {PixB(d), PixG(d), PixR(d)};
      uint32_t out[3], a;
      if (!enabled) {
        // Opaque, each channel weighted by the picture's own channel (coloured edges stay).
        const uint32_t sc[3] = {PixB(s), PixG(s), PixR(s)};
        a = 255;
        for (int i = 0; i < 3; ++i) out[i] = (int64_t(int(dc[i]) - int(C[i])) * sc[i] + C[i] * 256) >> 8;
      } else if (s == 0) {
        // Solid ink.
        a = std::max<uint32_t>(PixA(d), 254);
        for (int i = 0; i < 3; ++i) out[i] = (uint32_t(int(dc[i]) - int(C[i]) + int(C[i]) * 256) * a) >> 16;
      } else {
        const uint32_t cov = GrayOf(s);  // 255: no ink
        a = std::max<uint32_t>(PixA(d), 255 - cov);
        for (int i = 0; i < 3; ++i)
          out[i] = (uint32_t((int(dc[i]) - int(C[i])) * int(cov) + int(C[i]) * 256) * a) >> 16;
      }
      d = MakePix(out[0], out[1], out[2], a);
    }
  }
}

void ApplyGlowMask(const TPixelView& dst, const TBytePixelView& mask, TPoint origin, TColor color) {
  if (dst.Empty() || mask.Empty()) return;
  const uint32_t cr = color & 0xFF, cg = color >> 8 & 0xFF, cb = color >> 16 & 0xFF;
  for (Integer y = 0; y < mask.Height; ++y) {
    const int64_t ty = int64_t(origin.Y) + y;
    if (ty < 0 || ty >= dst.Height) continue;
    const Byte* m = mask.Row(y);
    uint32_t* row = dst.Row(static_cast<Integer>(ty));
    for (Integer x = 0; x < mask.Width; ++x) {
      const uint32_t v = m[x];
      const int64_t tx = int64_t(origin.X) + x;
      if (v == 255 || tx < 0 || tx >= dst.Width) continue;
      uint32_t& d = row[tx];
      const uint32_t ink = 255 - v;
      auto mix = [&](uint32_t c, uint32_t dc) { return (ink * c + v * dc) >> 8; };
      const uint32_t a = PixA(d) + (((255 - PixA(d)) * ink) >> 8);
      d = MakePix(mix(cb, PixB(d)), mix(cg, PixG(d)), mix(cr, PixR(d)), a);
    }
  }
}
