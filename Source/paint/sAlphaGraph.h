// sAlphaGraph: skin images on 32-bit bitmaps. Premultiplying for layered windows, the nine-part
// mask renderer, the copy and stretch primitives of masked images, skin glyphs, rounded
// corners, texture tiling and the fills of transparent pixels.
//
// Sections
//   1. Constants: draw-mode flags, limits
//   2. Dezev channel
//   3. Skin images as the kernels see them
//   4. Copy and stretch primitives of masked images, glyphs
//   5. The nine-part renderer
//   6. Rounded corners
//   7. Texture tiling and transparent-pixel fills
//
// As in sGraphUtils, the kernels work on TPixelView and clip everything a skin hands them
// (rectangles, points, indexes) to the bitmaps they touch.
#pragma once

#include "base/kvntTypes.h"
#include "base/sConst.h"
#include "paint/sGraphUtils.h"

struct TsMaskData;
struct TsGeneralData;
class TsCommonData;

// ---- 1. Constants ------------------------------------------------------------------------------

// Draw-mode flags of a frame image (or-ed into its DrawMode).
constexpr Integer BDM_STRETCH = 1;     // sides and centre stretched instead of tiled
constexpr Integer BDM_ACTIVEONLY = 2;  // nothing painted in state 0
constexpr Integer BDM_FILL = 4;        // the centre is painted too
constexpr Integer BDM_NOSCALE = 8;     // kept at its pixel size at every PPI (read by the skin data)
constexpr Integer BDM_ALPHA = 16;      // the image carries its own alpha channel

// A corner of a control's cache (as bits of a byte: 1, 2, 4, 8).
enum TsCorner : Byte { scLeftTop, scLeftBottom, scRightTop, scRightBottom };

// Highest premultiplied colour byte of a near-white pixel while desktop composition is off.
constexpr Byte bLimit = 244;

// ---- 2. Dezev channel ---------------------------------------------------------------------------

// Premultiplies the pixels of r (exclusive, cut to the view). compositionOn chooses the rule.
void UpdateAlpha(const TPixelView& v, const TRect& r, bool compositionOn);
void UpdateAlpha(TBitmap* img);
void UpdateAlpha(TBitmap* img, const TRect& r);

// ---- 3. Skin images -----------------------------------------------------------------------------

// A skin image resolved to the pixels it lies in (its own bitmap or the skin's master bitmap):
// the fields of the skin's image record that the painters read.
struct TMaskImage {
  TPixelView Src;
  TRect R;
  Integer ImageCount = 1, MaskType = 0, DrawMode = 0;
  Integer WL = 0, WT = 0, WR = 0, WB = 0;
  Integer Cfg = 0;
  Integer Width = 0, Height = 0;
};

// The pixels and fields of a skin image record: its own bitmap, else its manager's master
// bitmap (an empty view when it has neither or it is not 32-bit).
TMaskImage MaskImageOf(const TsMaskData& md);

// ---- 4. Copy and stretch primitives --------------------------------------------------------------

// r2 of src (its mask half HeightOf(maskRect) / 2 rows below) into r1 of dst; key pixels take
// the fill colour or the background.
void CopyMasterRect(const TRect& r1, const TRect& r2, const TPixelView& dst, const TPixelView& src,
                    const TBackdrop& ci, Integer maskOffset);
// The same, building the destination's alpha; opacity 0..255 (256: the plain form).
void CopyByMask32(const TRect& r1, const TRect& r2, const TPixelView& dst, const TPixelView& src,
                  const TBackdrop& ci, Integer maskOffset, Integer opacity = 256);

enum class TMaskStretch { Plain, Alpha32, Alpha32Ex };
// Stretches (srcX, srcY, srcW, srcH) of src, its mask maskOffset rows below, onto the
// destination rectangle.
void StretchBltMask(TMaskStretch kind, Integer dstX, Integer dstY, Integer dstW, Integer dstH, Integer srcX,
                    Integer srcY, Integer srcW, Integer srcH, const TPixelView& dst, const TPixelView& src,
                    Integer maskOffset, Integer opacity, bool noStdStretch);

// Inclusive r1 and r2; transparencyMode 1 normal, any other value faint.
void BlendGlyphByMask(const TRect& r1, const TRect& r2, const TPixelView& dst, const TPixelView& src,
                      Integer transparencyMode, const TMaskImage& img);
// State picture `state` of a glyph image at p; addedTransparency 1 normal, else faint.
// ownBitmap: the image has a bitmap of its own (not the skin's master bitmap).
void DrawSkinGlyph(const TPixelView& dst, TPoint p, Integer state, Integer addedTransparency,
                   const TMaskImage& img, bool ownBitmap, const TBackdrop& ci, bool ciIsDst);

// ---- 5. The nine-part renderer ---------------------------------------------------------------------

enum class TNinePartKind {
  Cache,     // DrawSkinRect: a control's cache bitmap
  Alpha32,   // DrawSkinRect32: a 32-bit bitmap whose alpha must survive
  Outer32,   // DrawSkinRect32Ex: outer effects, band-limited and with an opacity
};

struct TNinePartRequest {
  TNinePartKind Kind = TNinePartKind::Cache;
  TRect Rect;                  // target rectangle (may lie partly outside the view)
  Integer State = 0;
  bool UpdateCorners = false;  // Cache: fill transparent corner pixels from the background
  TRect MaxWidths;             // Outer32: widest painted part of each margin
  Integer Opacity = 255;       // Outer32
  bool CiIsDst = false;        // the background bitmap is the target itself
};

// The margins after shrinking them to a target of the given size: each pair loses half the
// deficit (the odd pixel from the right or bottom); what one side cannot give, the other gives.
void ShrinkMargins(Integer extent, Integer& first, Integer& second);

// True when the request paints nothing whatever the picture: state 0 of an active-only image,
// or a target under 2 pixels wide or high.
bool NinePartSkipped(const TNinePartRequest& req, Integer drawMode);

void DrawNinePart(const TPixelView& dst, const TNinePartRequest& req, const TBackdrop& ci, const TMaskImage& img);

// ---- 6. Rounded corners ---------------------------------------------------------------------------

// Blends one (r + 1) x (r + 1) corner square of dst at d0 through the round mask quadrant at
// m0 with the background at s0 (see the rounding form of UpdateCorners).
void BlendRoundCorner(const TPixelView& dst, const TPixelView& mask, Integer r, TPoint d0, TPoint m0, TPoint s0,
                      const TBackdrop& ci, bool extSource);
// Rounds the corners of rect in dst: with radii (top-left, top-right, bottom-left,
// bottom-right; 0 or less: square) the background is taken at the matching corners of the
// background (of its separate picture with extSource); without, every corner has
// borderRadius and the background is read from its origin. maskOf(r) gives the round mask.
using TRoundMaskSource = TPixelView (*)(Integer radius);
void RoundCorners(const TPixelView& dst, const TRect& rect, const Integer* radii, Integer borderRadius,
                  const TBackdrop& ci, bool extSource, TRoundMaskSource maskOf);

// The corner refresh of a control's cache after its parent's background changed: key pixels of
// the skin image (srcRect inclusive, clamped to src) placed at pos in the cache take the
// parent's pixel at bgOffset + their cache position (bgIsCache), else the colour (a TColor;
// clFuchsia: nothing).
void CopyTransCornerPixels(const TPixelView& cache, const TPixelView& src, TPoint pos, TRect srcRect,
                           const TPixelView& bg, TPoint bgOffset, bool bgIsCache, TColor color);
// Alpha or masked corner: image rectangle r2 against cache rectangle r1 (extents form). With
// the parent's picture, transparent image pixels (the key, or alpha 0 with useAlpha; for masked
// images only when the section has a border image) show it; else key pixels take the colour.
void CopyMasterCornerPixels(const TPixelView& cache, const TRect& r1, const TPixelView& image, const TRect& r2,
                            const TPixelView& bg, TPoint bgOffset, bool bgIsCache, TColor color, bool useAlpha,
                            bool sectionHasBorder);

// ---- 7. Texture tiling and transparent-pixel fills -------------------------------------------------

constexpr TRect kNoRestRect{-1, -1, -1, -1};
// Paints the texture (texRect of tex) into aRect by the fill mode (0..14) and leaves in aRect
// the part it did not cover (kNoRestRect when all). A texture of no pixels paints nothing.
void TileBitmap(const TPixelView& dst, TRect& aRect, const TPixelView& tex, const TRect& texRect, Integer fillMode);
// Tiles a masked texture (one state picture of img with its mask half) through its mask.
void TileMasked(const TPixelView& dst, TRect& aRect, const TBackdrop& ci, const TMaskImage& img, Integer fillMode);

// The three forms of FillTransPixels32 on views; every form is clipped to both views.
// By a skin image's key pixels: dst pixels whose image pixel (maskOrigin + offset) is
// fuchsia in its colour bytes take the source pixel.
void FillTransPixelsByImage(const TPixelView& dst, const TPixelView& src, const TRect& dstRect, TPoint srcPoint,
                            const TPixelView& image, TPoint maskOrigin);
// src empty: the colour (a TColor, its high byte the key pixels' alpha) instead of a picture.
void FillTransPixels(const TPixelView& dst, const TPixelView& src, const TRect& dstRect, TPoint srcPoint,
                     TColor srcColor);
void FillDCBorder32(const TPixelView& v, const TRect& r, Integer wl, Integer wt, Integer wr, Integer wb, TColor color);
void FillDCBorder32(TBitmap* bmp, const TRect& r, Integer wl, Integer wt, Integer wr, Integer wb, TColor color);

// ---- TBitmap and skin-record forms -----------------------------------------------------------------

void CopyMasterRect(const TRect& r1, const TRect& r2, TBitmap* aBmp, const TCacheInfo& ci, const TsMaskData& maskData);
void CopyByMask32(const TRect& r1, const TRect& r2, TBitmap* bmp1, TBitmap* bmp2, const TCacheInfo& ci,
                  const TsMaskData& maskData);
void CopyByMask32Ex(const TRect& r1, const TRect& r2, TBitmap* bmp1, TBitmap* bmp2, const TCacheInfo& ci,
                    const TsMaskData& maskData, Integer opacity);
void StretchBltMask(Integer dstX1, Integer dstY1, Integer dstWidth, Integer dstHeight, Integer srcX1, Integer srcY1,
                    Integer srcWidth, Integer srcHeight, TBitmap* bmpDst, TBitmap* bmpSrc, Integer maskOffset,
                    bool noStdStretch);
void StretchBltMask32(Integer dstX1, Integer dstY1, Integer dstWidth, Integer dstHeight, Integer srcX1, Integer srcY1,
                      Integer srcWidth, Integer srcHeight, TBitmap* bmpDst, TBitmap* bmpSrc, Integer maskOffset,
                      bool noStdStretch);
void StretchBltMask32Ex(Integer dstX1, Integer dstY1, Integer dstWidth, Integer dstHeight, Integer srcX1,
                        Integer srcY1, Integer srcWidth, Integer srcHeight, TBitmap* bmpDst, TBitmap* bmpSrc,
                        Integer maskOffset, Integer opacity, bool noStdStretch);
void BlendGlyphByMask(const TRect& r1, const TRect& r2, TBitmap* bmp1, TBitmap* bmp2, Integer transparencyMode,
                      const TsMaskData& maskData);
void DrawSkinGlyph(TBitmap* bmp, const TPoint& p, Integer state, Integer addedTransparency,
                   const TsMaskData& maskData, const TCacheInfo& ci);

// The nine-part renderers: maskData's picture for state painted into aRect of aBmp.
void DrawSkinRect(TBitmap* aBmp, const TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData, Integer state,
                  bool updateCorners);
void DrawSkinRect32(TBitmap* aBmp, const TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData,
                    Integer state);
void DrawSkinRect32Ex(TBitmap* aBmp, const TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData,
                      Integer state, const TRect& maxWidths, Integer opacity);
#ifdef _WIN32
// Leaves the block stretch (COLORONCOLOR) set on the bitmap's canvas, as a renderer that
// stretches does for what is stretched on that canvas after it.
void SetBlockStretchMode(TBitmap* bmp);
#endif

// The same on a control's skin data: the cache is skinData's cache bitmap.
void CopyTransCorner(TBitmap* srcBmp, Integer posX, Integer posY, const TRect& srcRect, const TkvBGInfo& bgInfo,
                     TsCommonData* skinData);
void CopyMasterCorner(const TRect& r1, const TRect& r2, TBitmap* aBmp, const TkvBGInfo& bgInfo,
                      TsCommonData* skinData, bool useAlpha);

// Corner codes of FillTransPixels32 (the platform's hit-test codes).
constexpr Cardinal kCornerTopLeft = 13, kCornerTopRight = 14, kCornerBottomLeft = 16, kCornerBottomRight = 17;
// Puts a background behind the transparent pixels of dstRect of dstBmp: with maskIndex >= 0
// where the corner (maskPos) of skin image maskIndex of commonSkinData (a TkvSkinData) holds
// key pixels; otherwise behind key and partly transparent pixels, from srcBmp or, when it is
// nil, the colour srcColor. Clipped to both bitmaps.
void FillTransPixels32(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& dstRect, const TPoint& srcPoint,
                       Integer maskIndex, const TkvObject* commonSkinData, Cardinal maskPos, TColor srcColor);

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

// ---- 8. Round masks and the rounding form of UpdateCorners (Windows) --------------------------------
#ifdef _WIN32
// The anti-aliased round mask of a radius (2r + 1 square, white outside an opaque black disc),
// built with GDI+ on first use and cached for the run; nullptr for a radius below 1. The cache
// owns it.
TBitmap* GetRoundMask(Integer radius);
// Frees every cached mask (the slots stay).
void ClearRoundMasks();
// Rounds the corners of r in bmp against the background ci: to the given radii (top-left,
// top-right, bottom-left, bottom-right; 0 or less square), or without radii to the section's
// BorderRadius. extSource: ci's bitmap is a separate picture lined up with r's margins.
void UpdateCorners(const TsGeneralData& gd, TBitmap* bmp, const TRect& r, const TCacheInfo& ci,
                   const TkvIntValues* radii, bool extSource);
#endif

// ---- 9. Text on 32-bit bitmaps ----------------------------------------------------------------------

// The text pass of WriteColor: the temporary picture tmp (black ink on untouched white
// 0x00FFFFFF) laid at lRect's top-left onto dst in color (a colour value). Enabled: ink
// coverage from the grey of each pixel, alpha kept at least at the coverage, the result
// premultiplied; disabled: opaque, each channel weighted by the picture's own channel.
void WriteColorPixels(const TPixelView& dst, const TPixelView& tmp, TPoint topLeft, bool enabled, TColor color);

#ifdef _WIN32
class DuRiruZireziv;
// Text in color into lRect of the 32-bit bmp with alpha that stays right (bmp's canvas font).
void WriteColor(TBitmap* bmp, const String& text, bool enabled, const TRect& lRect, Cardinal flags, TColor color,
                bool isAnsi = false);
// A section's caption on a 32-bit bitmap: outline copies then the main colour, through
// WriteColor; without a valid section, in the colour of bmp's canvas font.
void WriteText32(TBitmap* bmp, const String& text, bool enabled, TRect& aRect, Cardinal flags, Integer skinIndex,
                 Integer state, DuRiruZireziv* skinManager, bool isAnsi = false);
#endif

// ---- 10. The 32-bit skin item painter ------------------------------------------------------------
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
