// sAlphaGraph: the rounding form of UpdateCorners over the corner-blending kernel and the cached
// round masks (raster/MaskImages.h).
#include <windows.h>

#include "paint/sAlphaGraph.h"
#include "skin/sSkinManager.h"
#include "ui/Canvas.h"

namespace {
TPixelView RoundMaskView(Integer radius) { return ViewOf(GetRoundMask(radius)); }
}  // namespace

void UpdateCorners(const TsGeneralData& gd, TBitmap* bmp, const TRect& r, const TCacheInfo& ci,
                   const TkvIntValues* radii, bool extSource) {
  if (!bmp) return;
  GdiFlush();
  if (radii) {
    const Integer values[4] = {radii->Value0, radii->Value1, radii->Value2, radii->Value3};
    RoundCorners(ViewOf(bmp), r, values, gd.BorderRadius, BackdropOf(ci), extSource, RoundMaskView);
  } else {
    RoundCorners(ViewOf(bmp), r, nullptr, gd.BorderRadius, BackdropOf(ci), extSource, RoundMaskView);
  }
}
