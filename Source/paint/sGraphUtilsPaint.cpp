// sGraphUtils, the painters' portable kernels: key-colour runs of regions, the glyph
// reflection, and (sections 10 to 12) the pixel parts of the item painter, text and shapes.
#include <algorithm>
#include <cstring>

#include "paint/sGraphUtils.h"
#include "skin/sMaskData.h"
#include "skin/sSkinManager.h"

// ---- 9. Regions and glyph effects ------------------------------------------------------------------

namespace {

// Runs of key pixels in columns [x0, x1) of one source row, placed at (placeX(x), placedRow).
template <class Place>
void RowRuns(std::vector<TRect>& runs, const uint32_t* row, Integer x0, Integer x1, uint32_t key, Integer placedRow,
             Place placeX) {
  bool open = false;
  TRect run;
  for (Integer x = x0; x < x1; ++x) {
    if (row[x] == key) {
      const Integer px = placeX(x);
      if (open) {
        ++run.Right;
      } else {
        run = TRect(px, placedRow, px + 1, placedRow + 1);
        open = true;
      }
    } else if (open) {
      runs.push_back(run);
      open = false;
    }
  }
  if (open) runs.push_back(run);
}

}  // namespace

void AddKeyRuns(std::vector<TRect>& runs, const TPixelView& v, uint32_t key) {
  if (v.Empty()) return;
  for (Integer y = 0; y < v.Height; ++y) RowRuns(runs, v.Row(y), 0, v.Width, key, y, [](Integer x) { return x; });
}

void AddStripKeyRuns(std::vector<TRect>& runs, const TPixelView& v, const TBorderStrip& s, uint32_t key) {
  if (v.Empty()) return;
  const int64_t maskW = int64_t(s.MaskRect.Right) - s.MaskRect.Left;
  const int64_t maskH = int64_t(s.MaskRect.Bottom) - s.MaskRect.Top;
  const int64_t rows = s.IsBottom ? s.WB : s.WT;
  const int64_t first = s.IsBottom ? s.MaskRect.Top + maskH / (s.Masked ? 2 : 1) - s.WB : s.MaskRect.Top;
  const int64_t placedFirst = s.IsBottom ? int64_t(s.VertOffset) - s.Padding : s.VertOffset;
  if (rows <= 0 || first < 0 || first + rows > v.Height) return;
  // A corner: columns [c0, c1) of the image rectangle; image column c lands at shift + c.
  auto corner = [&](int64_t c0, int64_t c1, int64_t shift) {
    const int64_t x0 = std::max<int64_t>(s.MaskRect.Left + c0, 0);
    const int64_t x1 = std::min<int64_t>(s.MaskRect.Left + c1, v.Width);
    if (x1 <= x0) return;
    for (int64_t y = 0; y < rows; ++y) {
      const int64_t placed = placedFirst + y;
      if (placed < INT32_MIN || placed > INT32_MAX - 1) continue;
      RowRuns(runs, v.Row(static_cast<Integer>(first + y)), static_cast<Integer>(x0), static_cast<Integer>(x1), key,
              static_cast<Integer>(placed),
              [&](Integer x) { return static_cast<Integer>(shift + (x - s.MaskRect.Left)); });
    }
  };
  corner(0, s.WL, s.Padding);
  corner(maskW - s.WR, maskW, int64_t(s.DstWidth) - maskW - s.Padding);
}

void AddRgnBmp(std::vector<TRect>& aor, TBitmap* maskBmp, TColor transColor) {
  AddKeyRuns(aor, ViewOf(maskBmp), transColor);
}

void AddRgn(std::vector<TRect>& aor, TBitmap* maskBmp, const TRect& maskRect, Integer dstWidth, Integer wl, Integer wt,
            Integer wr, Integer wb, Integer vertOffset, bool isBottom, bool masked, TColor transpColor,
            Integer iPadding) {
  TBorderStrip s;
  s.MaskRect = maskRect;
  s.DstWidth = dstWidth;
  s.WL = wl;
  s.WT = wt;
  s.WR = wr;
  s.WB = wb;
  s.VertOffset = vertOffset;
  s.IsBottom = isBottom;
  s.Masked = masked;
  s.Padding = iPadding;
  AddStripKeyRuns(aor, ViewOf(maskBmp), s, transpColor);
}

void AddRgn(std::vector<TRect>& aor, Integer width, const TsMaskData& md, Integer vertOffset, bool bottom,
            Integer /*iPadding*/) {
  if (!md.Manager) return;
  // Skin images are placed without padding.
  AddRgn(aor, md.Bmp ? md.Bmp : md.Manager->MasterBitmap, md.R, width, md.WL, md.WT, md.WR, md.WB, vertOffset, bottom,
         md.MaskType != 0, 0xFF00FF, 0);
}

void DrawGlyphReflection(const TPixelView& dst, const TPixelView& src, TPoint dstTopLeft, TRect srcRect,
                         TColor transColor, Integer blendValue) {
  if (dst.Empty() || src.Empty()) return;
  const int64_t oldTop = srcRect.Top < 0 ? -int64_t(srcRect.Top) : 0;
  const int64_t oldLeft = srcRect.Left < 0 ? -int64_t(srcRect.Left) : 0;
  srcRect.Top = std::max(srcRect.Top, 0);
  srcRect.Left = std::max(srcRect.Left, 0);
  srcRect.Right = std::min(srcRect.Right, src.Width - 1);
  srcRect.Bottom = std::min(srcRect.Bottom, src.Height - 1);
  const int64_t h = std::min<int64_t>(int64_t(src.Height) / 3 * 2 - 1, int64_t(dst.Height) - 1 - dstTopLeft.Y);
  // One row or none: the weights below would divide by h (and the step by h + 1).
  if (h < 1) return;
  const int64_t transStep = 255 / (h + 1);
  const uint32_t key = SwapColor(transColor);
  int64_t transValue = 255;
  for (int64_t dy = 0; dy <= h; ++dy, transValue -= transStep) {
    const int64_t sy = int64_t(srcRect.Bottom) - dy - oldTop, ty = int64_t(dstTopLeft.Y) + dy;
    if (ty < 0 || ty >= dst.Height || sy < 0 || sy >= src.Height) continue;
    const int w = static_cast<Byte>(((((h - dy) * 255 / h) * transValue) >> 9) * (100 - blendValue) / 100);
    const uint32_t* srow = src.Row(static_cast<Integer>(sy));
    uint32_t* trow = dst.Row(static_cast<Integer>(ty));
    for (int64_t x = 0; x <= int64_t(srcRect.Right) - srcRect.Left; ++x) {
      const int64_t sx = srcRect.Left + x, tx = int64_t(dstTopLeft.X) - oldLeft + x;
      if (tx < 0 || tx >= dst.Width || sx < 0 || sx >= src.Width) continue;
      const uint32_t s = srow[sx];
      if (s == key) continue;
      uint32_t& t = trow[tx];
      t = MakePix(MixByte(PixB(t), PixB(s), w), MixByte(PixG(t), PixG(s), w), MixByte(PixR(t), PixR(s), w), PixA(t));
    }
  }
}

void DrawGlyphReflection(TBitmap* dstBmp, TBitmap* srcBmp, const TPoint& dstTopLeft, const TRect& srcRect,
                         TColor transColor, Integer blendValue) {
  DrawGlyphReflection(ViewOf(dstBmp), ViewOf(srcBmp), dstTopLeft, srcRect, transColor, blendValue);
}

// ---- 11. Text ---------------------------------------------------------------------------------------

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

// ---- 12. Shapes ---------------------------------------------------------------------------------------

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
    const int64_t left = (int64_t(r.Right) - r.Left - W) / 2 + r.Left, top = (int64_t(r.Bottom) - r.Top - H) / 2 + r.Top;
    if (left < 0 || top < 0 || v.Width <= left + W || v.Height <= top + H) return;
    for (int64_t i = 0; i < H; ++i) fill(direction == asTop ? top + H - 1 - i : top + i, left + i, left + W - 1 - i);
  } else {
    const int64_t left = (int64_t(r.Right) - r.Left - H) / 2 + r.Left, top = (int64_t(r.Bottom) - r.Top - W) / 2 + r.Top;
    if (left < 0 || top < 0 || v.Width <= left + H || v.Height <= top + W) return;
    for (int64_t y = 0; y <= W; ++y) {
      if (direction == asLeft)
        fill(top + y, left + (H - y < 0 ? y - H : H - y), left + H - 1);
      else
        fill(top + y, left, left + std::min(y, W - 1 - y));
    }
  }
}
