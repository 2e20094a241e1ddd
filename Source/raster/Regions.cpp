// Regions of border images: runs of key-colour pixels.
#include "raster/Regions.h"

#include <algorithm>
#include <cstring>

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
