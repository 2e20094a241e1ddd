// Shapes: the portable kernels (rotation by quarter turns, the small solid arrow).
#include "raster/Shapes.h"

#include <algorithm>

void RotatePixels(const TPixelView& src, const TPixelView& dst, Integer angle) {
  if (src.Empty() || dst.Empty()) return;
  const bool quarter = angle == 90 || angle == 270;
  const Integer w = src.Width, h = src.Height;
  if (dst.Width != (quarter ? h : w) || dst.Height != (quarter ? w : h)) return;
  for (Integer y = 0; y < h; ++y) {
    const uint32_t* row = src.Row(y);
    for (Integer x = 0; x < w; ++x) {
      switch (angle) {
        case 90: dst.At(dst.Width - 1 - y, x) = row[x]; break;
        case 180: dst.At(w - 1 - x, h - 1 - y) = row[x]; break;
        case 270: dst.At(y, w - 1 - x) = row[x]; break;
        default: dst.At(x, y) = row[x]; break;
      }
    }
  }
}

void DrawColorArrow(const TPixelView& v, TColor color, const TRect& r, TkvSide direction, Integer ppi) {
  if (v.Empty()) return;
  const int64_t W = int64_t(kvArrowSize) * ppi / 96, H = W / 2 + W % 2;
  const uint32_t pixel = SwapRedBlue(color);
  auto fill = [&](int64_t y, int64_t x0, int64_t x1) {
    if (x1 < x0) return;
    std::fill(v.Row(static_cast<Integer>(y)) + x0, v.Row(static_cast<Integer>(y)) + x1 + 1, pixel);
  };
  if (direction == asTop || direction == asBottom) {
    const int64_t left = (int64_t(r.Right) - r.Left - W) / 2 + r.Left,
                  top = (int64_t(r.Bottom) - r.Top - H) / 2 + r.Top;
    if (left < 0 || top < 0 || v.Width <= left + W || v.Height <= top + H) return;
    for (int64_t i = 0; i < H; ++i) fill(direction == asTop ? top + H - 1 - i : top + i, left + i, left + W - 1 - i);
  } else {
    const int64_t left = (int64_t(r.Right) - r.Left - H) / 2 + r.Left,
                  top = (int64_t(r.Bottom) - r.Top - W) / 2 + r.Top;
    if (left < 0 || top < 0 || v.Width <= left + H || v.Height <= top + W) return;
    for (int64_t y = 0; y <= W; ++y) {
      if (direction == asLeft)
        fill(top + y, left + (H - y < 0 ? y - H : H - y), left + H - 1);
      else
        fill(top + y, left, left + std::min(y, W - 1 - y));
    }
  }
}
