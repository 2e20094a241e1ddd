// Regions of border images: one-pixel-high rectangles over the runs of key-colour pixels of a
// picture or of the corners of a border image's top or bottom strip.
#pragma once

#include <vector>

#include "raster/Pixels.h"

// Key-colour runs: one-pixel-high rectangles over horizontal runs of pixels whose whole value
// is the key (pixel order). Runs are appended to what runs already holds.
void AddKeyRuns(std::vector<TRect>& runs, const TPixelView& v, uint32_t key);
// The key runs of the two corners of the top (or bottom) strip of a border image, placed for a
// target dstWidth wide: left corner first for all rows, then the right corner.
struct TBorderStrip {
  TRect MaskRect;  // the image's rectangle in its bitmap
  Integer DstWidth = 0;
  Integer WL = 0, WT = 0, WR = 0, WB = 0;
  Integer VertOffset = 0;  // row of the target where the strip's first row lands
  bool IsBottom = false;
  bool Masked = false;  // a mask half below the picture
  Integer Padding = 0;
};
void AddStripKeyRuns(std::vector<TRect>& runs, const TPixelView& v, const TBorderStrip& strip, uint32_t key);
void AddRgnBmp(std::vector<TRect>& aor, TBitmap* maskBmp, TColor transColor);
void AddRgn(std::vector<TRect>& aor, TBitmap* maskBmp, const TRect& maskRect, Integer dstWidth, Integer wl, Integer wt,
            Integer wr, Integer wb, Integer vertOffset, bool isBottom, bool masked, TColor transpColor,
            Integer iPadding);
