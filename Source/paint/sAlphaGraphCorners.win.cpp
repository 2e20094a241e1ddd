// sAlphaGraph: the rounding form of UpdateCorners with the cached round masks (drawn by GDI+).
#include <windows.h>

#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"

void UpdateCorners(const TsGeneralData& gd, TBitmap* bmp, const TRect& r, const TCacheInfo& ci,
                   const TkvIntValues* radii, bool extSource) {
  TkvItemPainter(GdiItemSteps()).UpdateCorners(gd, bmp, r, ci, radii, extSource);
}
