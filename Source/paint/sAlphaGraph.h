// sAlphaGraph: skin images on 32-bit bitmaps. Premultiplying for layered windows, the nine-part
// mask renderer, the copy and stretch primitives of masked images, skin glyphs, rounded
// corners, texture tiling and the fills of transparent pixels, and the 32-bit skin item
// painter. The pixel kernels live in the raster layer (raster/MaskImages.h) and are included
// here; what is declared below takes a skin's image records, per-PPI skin data or a control's
// skin data.
//
// Sections
//   1. Skin image records as the kernels see them
//   2. TBitmap forms on skin image records
//   3. Forms on a control's skin data
//   4. The rounding form of UpdateCorners (Windows)
//   5. Captions on 32-bit bitmaps
//   6. The 32-bit skin item painter
#pragma once

#include "base/kvntTypes.h"
#include "base/sConst.h"
#include "paint/sGraphUtils.h"
#include "raster/MaskImages.h"

struct TsMaskData;
struct TsGeneralData;
class TsCommonData;

// ---- 1. Skin image records --------------------------------------------------------------------

// The kernels take a skin image record through MaskImageOf (skin/sMaskData.h).
#include "skin/sMaskData.h"

// ---- 2. TBitmap forms on skin image records ---------------------------------------------------

void CopyMasterRect(const TRect& r1, const TRect& r2, TBitmap* aBmp, const TCacheInfo& ci, const TsMaskData& maskData);
void CopyByMask32(const TRect& r1, const TRect& r2, TBitmap* bmp1, TBitmap* bmp2, const TCacheInfo& ci,
                  const TsMaskData& maskData);
void CopyByMask32Ex(const TRect& r1, const TRect& r2, TBitmap* bmp1, TBitmap* bmp2, const TCacheInfo& ci,
                    const TsMaskData& maskData, Integer opacity);
void BlendGlyphByMask(const TRect& r1, const TRect& r2, TBitmap* bmp1, TBitmap* bmp2, Integer transparencyMode,
                      const TsMaskData& maskData);
void DrawSkinGlyph(TBitmap* bmp, const TPoint& p, Integer state, Integer addedTransparency, const TsMaskData& maskData,
                   const TCacheInfo& ci);

// The nine-part renderers: maskData's picture for state painted into aRect of aBmp.
void DrawSkinRect(TBitmap* aBmp, const TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData, Integer state,
                  bool updateCorners);
void DrawSkinRect32(TBitmap* aBmp, const TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData, Integer state);
void DrawSkinRect32Ex(TBitmap* aBmp, const TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData,
                      Integer state, const TRect& maxWidths, Integer opacity);

// Corner codes of FillTransPixels32 (the platform's hit-test codes).
constexpr Cardinal kCornerTopLeft = 13, kCornerTopRight = 14, kCornerBottomLeft = 16, kCornerBottomRight = 17;
// Puts a background behind the transparent pixels of dstRect of dstBmp: with maskIndex >= 0
// where the corner (maskPos) of skin image maskIndex of commonSkinData (a TkvSkinData) holds
// key pixels; otherwise behind key and partly transparent pixels, from srcBmp or, when it is
// nil, the colour srcColor. Clipped to both bitmaps.
void FillTransPixels32(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& dstRect, const TPoint& srcPoint,
                       Integer maskIndex, const TkvObject* commonSkinData, Cardinal maskPos, TColor srcColor);

// ---- 3. Forms on a control's skin data ----------------------------------------------------------

// The same on a control's skin data: the cache is skinData's cache bitmap.
void CopyTransCorner(TBitmap* srcBmp, Integer posX, Integer posY, const TRect& srcRect, const TkvBGInfo& bgInfo,
                     TsCommonData* skinData);
void CopyMasterCorner(const TRect& r1, const TRect& r2, TBitmap* aBmp, const TkvBGInfo& bgInfo, TsCommonData* skinData,
                      bool useAlpha);

#ifdef _WIN32
// The disabled look: greyed (DefDisabledSaturation; -100 full grey) and/or blended with the
// parent background (ci, at offset) or colour (ci's fill colour, else the parent control's).
void BmpDisabledKind(TBitmap* bmp, TSet<TsDisabledKind> disabledKind, TControl* parent, const TCacheInfo& ci,
                     const TPoint& offset);
// Refreshes the transparent corner pixels of the control's cache bitmap from its parent's
// current background: a custom rounded border, the key or transparent corner pixels of the
// section's border image, or the section's corner radius.
void UpdateCorners(TsCommonData* skinData, Integer state, TSet<TsCorner> corners);
#endif

// ---- 4. The rounding form of UpdateCorners (Windows) ----------------------------------------------
#ifdef _WIN32
// Rounds the corners of r in bmp against the background ci: to the given radii (top-left,
// top-right, bottom-left, bottom-right; 0 or less square), or without radii to the section's
// BorderRadius. extSource: ci's bitmap is a separate picture lined up with r's margins.
void UpdateCorners(const TsGeneralData& gd, TBitmap* bmp, const TRect& r, const TCacheInfo& ci,
                   const TkvIntValues* radii, bool extSource);
#endif

// ---- 5. Captions on 32-bit bitmaps ------------------------------------------------------------------

#ifdef _WIN32
class DuRiruZireziv;
// A section's caption on a 32-bit bitmap: outline copies then the main colour, through
// WriteColor; without a valid section, in the colour of bmp's canvas font.
void WriteText32(TBitmap* bmp, const String& text, bool enabled, TRect& aRect, Cardinal flags, Integer skinIndex,
                 Integer state, DuRiruZireziv* skinManager, bool isAnsi = false);
#endif

// ---- 6. The 32-bit skin item painter ------------------------------------------------------------
#ifdef _WIN32
// One section in one state into r of a 32-bit bitmap with real per-pixel alpha: the look's
// Transparency becomes alpha; what the bitmap holds under the item is the border's background.
// An item that fills the whole bitmap comes back premultiplied. commonSkinData: TkvSkinData.
void PaintItem32(Integer skinIndex, bool filling, Integer state, const TRect& r, const TPoint& pP, TBitmap* itemBmp,
                 TObject* commonSkinData);
// The background layers; customColor other than clFuchsia paints that colour opaque (a look
// with Transparency 100 still leaves the item transparent). The section's gradient is never
// changed: translucent points are made on a copy.
void PaintItemBG32(Integer skinIndex, Integer state, const TRect& r, TBitmap* itemBmp, TObject* commonSkinData,
                   TColor customColor);
#endif
