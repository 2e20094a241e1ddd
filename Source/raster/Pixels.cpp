#include "raster/Pixels.h"

#include <algorithm>
#include <cstring>

TBackdrop BackdropOf(const TCacheInfo& ci) { return {ViewOf(ci.Bmp), ci.X, ci.Y, ci.FillColor, ci.Ready}; }

TPixelBlock ClipInclusive(TRect r, TPoint p, Integer dstW, Integer dstH, Integer srcW, Integer srcH) {
  int64_t x = p.X, y = p.Y, l = r.Left, t = r.Top, rr = r.Right, bb = r.Bottom;
  if (x < 0) {
    l -= x;
    x = 0;
  }
  if (l < 0) {
    x -= l;
    l = 0;
  }
  if (y < 0) {
    t -= y;
    y = 0;
  }
  if (t < 0) {
    y -= t;
    t = 0;
  }
  rr = std::min<int64_t>(rr, srcW - 1);
  bb = std::min<int64_t>(bb, srcH - 1);
  rr = std::min<int64_t>(rr, l + (dstW - 1 - x));
  bb = std::min<int64_t>(bb, t + (dstH - 1 - y));
  if (rr < l || bb < t || x >= dstW || y >= dstH) return {};
  return {static_cast<Integer>(x), static_cast<Integer>(y),          static_cast<Integer>(l),
          static_cast<Integer>(t), static_cast<Integer>(rr - l + 1), static_cast<Integer>(bb - t + 1)};
}

void CopyPixels(const TPixelView& dst, Integer dstX, Integer dstY, const TPixelView& src, const TRect& srcRect) {
  if (dst.Empty() || src.Empty()) return;
  // Block copies clip each side on its own (like a blit): a negative origin cuts only the
  // pixels that fall outside, it does not move the other rectangle.
  int64_t dx = dstX, dy = dstY, sx = srcRect.Left, sy = srcRect.Top;
  int64_t w = SafeExtent(srcRect.Left, srcRect.Right), h = SafeExtent(srcRect.Top, srcRect.Bottom);
  if (dx < 0) {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (sx < 0) {
    dx -= sx;
    w += sx;
    sx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  if (sy < 0) {
    dy -= sy;
    h += sy;
    sy = 0;
  }
  w = std::min({w, int64_t(dst.Width) - dx, int64_t(src.Width) - sx});
  h = std::min({h, int64_t(dst.Height) - dy, int64_t(src.Height) - sy});
  if (w <= 0 || h <= 0) return;
  TPixelBlock b{static_cast<Integer>(dx), static_cast<Integer>(dy), static_cast<Integer>(sx),
                static_cast<Integer>(sy), static_cast<Integer>(w),  static_cast<Integer>(h)};
  // Rows may overlap when both views are the same memory: memmove, and the row order that
  // reads each source row before it is overwritten.
  bool bottomUp = dst.Line0 == src.Line0 && b.DstY > b.SrcY;
  for (Integer i = 0; i < b.Height; ++i) {
    Integer y = bottomUp ? b.Height - 1 - i : i;
    std::memmove(dst.Row(b.DstY + y) + b.DstX, src.Row(b.SrcY + y) + b.SrcX, size_t(b.Width) * 4);
  }
}

void SwapLong(Cardinal* p, Cardinal count) {
  for (Cardinal i = 0; i < count; ++i) p[i] = SwapLong(p[i]);
}

void FillLongword(void* x, Integer count, Cardinal value) {
  auto* p = static_cast<Cardinal*>(x);
  for (Integer i = 0; i < count; ++i) p[i] = value;
}

TColor BlendColors(TColor c1, TColor c2, Byte blendOf1) {
  auto ch = [&](int shift) {
    return (((c1 >> shift & 0xFF) * blendOf1 + (c2 >> shift & 0xFF) * (255u - blendOf1)) >> 8) << shift;
  };
  return ch(0) | ch(8) | ch(16) | (c1 & 0xFF000000u);
}

bool ClipToView(TRect& r, const TPixelView& v) {
  if (v.Empty()) return false;
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  r.Right = std::min(r.Right, v.Width);
  r.Bottom = std::min(r.Bottom, v.Height);
  return r.Left < r.Right && r.Top < r.Bottom;
}

TBytePixelView ByteViewOf(TBitmap* bmp) {
  if (!bmp || bmp->PixelFormat() != pf8bit || bmp->Empty()) return {};
  return {static_cast<Byte*>(bmp->ScanLine(0)), bmp->RowDelta(), bmp->Width(), bmp->Height()};
}
