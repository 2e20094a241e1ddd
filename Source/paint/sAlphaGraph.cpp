// sAlphaGraph: the forms of the skin-image kernels (raster/MaskImages.h) that take a skin's
// image records, per-PPI skin data or a control's skin data.
#include "paint/sAlphaGraph.h"

#include <algorithm>

#include "base/kvntUtils.h"
#include "skin/sCommonData.h"
#include "skin/sMaskData.h"
#include "skin/sSkinManager.h"

namespace {
Integer MaskHalf(const TsMaskData& md) {
  return static_cast<Integer>(std::clamp<int64_t>((int64_t(md.R.Bottom) - md.R.Top) / 2, 0, kFarCoordinate));
}
TPixelView MasterOf(const TsMaskData& md) { return md.Manager ? ViewOf(md.Manager->MasterBitmap.get()) : TPixelView{}; }
}  // namespace

void CopyMasterRect(const TRect& r1, const TRect& r2, TBitmap* aBmp, const TCacheInfo& ci, const TsMaskData& maskData) {
  if (!maskData.Manager) return;
  CopyMasterRect(r1, r2, ViewOf(aBmp), MasterOf(maskData), BackdropOf(ci), MaskHalf(maskData));
}

void CopyByMask32(const TRect& r1, const TRect& r2, TBitmap* bmp1, TBitmap* bmp2, const TCacheInfo& ci,
                  const TsMaskData& maskData) {
  CopyByMask32(r1, r2, ViewOf(bmp1), ViewOf(bmp2), BackdropOf(ci), MaskHalf(maskData));
}

void CopyByMask32Ex(const TRect& r1, const TRect& r2, TBitmap* bmp1, TBitmap* bmp2, const TCacheInfo& ci,
                    const TsMaskData& maskData, Integer opacity) {
  CopyByMask32(r1, r2, ViewOf(bmp1), ViewOf(bmp2), BackdropOf(ci), MaskHalf(maskData), std::clamp(opacity, 0, 255));
}

void BlendGlyphByMask(const TRect& r1, const TRect& r2, TBitmap* bmp1, TBitmap* bmp2, Integer transparencyMode,
                      const TsMaskData& maskData) {
  TMaskImage img = MaskImageOf(maskData);
  BlendGlyphByMask(r1, r2, ViewOf(bmp1), ViewOf(bmp2), transparencyMode, img);
}

void DrawSkinGlyph(TBitmap* bmp, const TPoint& p, Integer state, Integer addedTransparency, const TsMaskData& maskData,
                   const TCacheInfo& ci) {
  if (!maskData.Bmp && !maskData.Manager) return;
  DrawSkinGlyph(ViewOf(bmp), p, state, addedTransparency, MaskImageOf(maskData), maskData.Bmp != nullptr,
                BackdropOf(ci), ci.Bmp != nullptr && ci.Bmp == bmp);
}

namespace {
void DrawSkinRectOf(TNinePartKind kind, TBitmap* aBmp, const TRect& aRect, const TCacheInfo& ci,
                    const TsMaskData& maskData, Integer state, bool updateCorners, const TRect& maxWidths,
                    Integer opacity) {
  if (!maskData.Manager) return;
  TNinePartRequest req;
  req.Kind = kind;
  req.Rect = aRect;
  req.State = state;
  req.UpdateCorners = updateCorners;
  req.MaxWidths = maxWidths;
  req.Opacity = opacity;
  req.CiIsDst = ci.Bmp != nullptr && ci.Bmp == aBmp;
#ifdef _WIN32
  if ((maskData.DrawMode & BDM_STRETCH) && aBmp && !NinePartSkipped(req, maskData.DrawMode)) SetBlockStretchMode(aBmp);
#endif
  DrawNinePart(ViewOf(aBmp), req, BackdropOf(ci), MaskImageOf(maskData));
}
}  // namespace

void DrawSkinRect(TBitmap* aBmp, const TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData, Integer state,
                  bool updateCorners) {
  DrawSkinRectOf(TNinePartKind::Cache, aBmp, aRect, ci, maskData, state, updateCorners, {}, 255);
}

void DrawSkinRect32(TBitmap* aBmp, const TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData,
                    Integer state) {
  DrawSkinRectOf(TNinePartKind::Alpha32, aBmp, aRect, ci, maskData, state, false, {}, 255);
}

void DrawSkinRect32Ex(TBitmap* aBmp, const TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData,
                      Integer state, const TRect& maxWidths, Integer opacity) {
  DrawSkinRectOf(TNinePartKind::Outer32, aBmp, aRect, ci, maskData, state, false, maxWidths,
                 std::clamp(opacity, 0, 255));
}

void FillTransPixels32(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& dstRect, const TPoint& srcPoint,
                       Integer maskIndex, const TkvObject* commonSkinData, Cardinal maskPos, TColor srcColor) {
  const TPixelView dst = ViewOf(dstBmp);
  if (maskIndex < 0) {
    FillTransPixels(dst, ViewOf(srcBmp), dstRect, srcPoint, srcColor);
    return;
  }
  // A corner of a skin frame image: the skin data must be the per-PPI data and hold the index.
  const auto* sd = dynamic_cast<const TkvSkinData*>(commonSkinData);
  if (!sd) {
#ifdef _WIN32
    // A caller's mistake, told to the developer only while a debugger is attached.
    if (IsIDERunning()) Alert(u"Check parameters of the FillTransPixels32 procedure.");
#endif
    return;
  }
  if (maskIndex >= static_cast<Integer>(sd->ma.size())) return;
  const TsMaskData& md = sd->ma[static_cast<size_t>(maskIndex)];
  const TMaskImage img = MaskImageOf(md);
  int64_t mx = md.R.Left, my = md.R.Top;
  if (maskPos == kCornerTopRight || maskPos == kCornerBottomRight) mx = int64_t(md.R.Left) + md.Width - md.WR;
  if (maskPos == kCornerBottomLeft || maskPos == kCornerBottomRight) my = int64_t(md.R.Top) + md.Height - md.WB;
  FillTransPixelsByImage(dst, ViewOf(srcBmp), dstRect, srcPoint, img.Src, {NearCoordinate(mx), NearCoordinate(my)});
}

void CopyTransCorner(TBitmap* srcBmp, Integer posX, Integer posY, const TRect& srcRect, const TkvBGInfo& bgInfo,
                     TsCommonData* skinData) {
  if (!skinData) return;
  CopyTransCornerPixels(ViewOf(skinData->FCacheBmp.get()), ViewOf(srcBmp), {posX, posY}, srcRect, ViewOf(bgInfo.Bmp),
                        bgInfo.Offset, bgInfo.BgType == btCache, bgInfo.Color);
}

void CopyMasterCorner(const TRect& r1, const TRect& r2, TBitmap* aBmp, const TkvBGInfo& bgInfo, TsCommonData* skinData,
                      bool useAlpha) {
  if (!skinData) return;
  // Key pixels of a masked image show the parent only when the section has a border image.
  bool sectionHasBorder = false;
  if (DuRiruZireziv* manager = skinData->GetSkinManager()) {
    const auto& gd = manager->gd();
    if (skinData->SkinIndex >= 0 && skinData->SkinIndex < static_cast<Integer>(gd.size()))
      sectionHasBorder = gd[static_cast<size_t>(skinData->SkinIndex)].BorderIndex >= 0;
  }
  CopyMasterCornerPixels(ViewOf(skinData->FCacheBmp.get()), r1, ViewOf(aBmp), r2, ViewOf(bgInfo.Bmp), bgInfo.Offset,
                         bgInfo.BgType == btCache, bgInfo.Color, useAlpha, sectionHasBorder);
}
