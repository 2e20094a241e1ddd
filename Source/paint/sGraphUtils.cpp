// sGraphUtils: the forms of the raster kernels that take a skin's image records.
#include "paint/sGraphUtils.h"

#include <algorithm>

#include "paint/sAlphaGraph.h"
#include "skin/sMaskData.h"
#include "skin/sSkinManager.h"

void CopyByMask(const TRect& dstRect, const TRect& srcRect, TBitmap* dstBmp, TBitmap* srcBmp, const TCacheInfo& ci,
                bool updateTrans, const TsMaskData& maskData) {
  CopyByMaskHalf(dstRect, srcRect, ViewOf(dstBmp), ViewOf(srcBmp), BackdropOf(ci), updateTrans,
                 static_cast<Integer>(std::clamp<int64_t>(int64_t(maskData.R.Bottom) - maskData.R.Top, 0, INT32_MAX)),
                 maskData.DrawMode, maskData.Cfg);
}

void TileBitmap(TBitmap* target, TRect& aRect, TGraphic*, const TsMaskData& maskData, TkvFillMode fillMode) {
  if (!maskData.Bmp && !maskData.Manager) return;
  const TMaskImage img = MaskImageOf(maskData);
  TileBitmap(ViewOf(target), aRect, img.Src, maskData.R, fillMode);
}

void TileMasked(TBitmap* bmp, TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData, TkvFillMode fillMode) {
  if (!maskData.Manager) return;
  TileMasked(ViewOf(bmp), aRect, BackdropOf(ci), MaskImageOf(maskData), fillMode);
}

void AddRgn(std::vector<TRect>& aor, Integer width, const TsMaskData& md, Integer vertOffset, bool bottom,
            Integer /*iPadding*/) {
  if (!md.Manager) return;
  // Skin images are placed without padding.
  AddRgn(aor, md.Bmp ? md.Bmp : md.Manager->MasterBitmap.get(), md.R, width, md.WL, md.WT, md.WR, md.WB, vertOffset,
         bottom, md.MaskType != 0, 0xFF00FF, 0);
}
