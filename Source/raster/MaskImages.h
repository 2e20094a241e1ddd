// Skin images on 32-bit bitmaps as pixel kernels see them: the Dezev (alpha) channel
// premultiplied for layered windows, the copy and stretch primitives of masked images, skin
// glyphs, the nine-part mask renderer, rounded corners, texture tiling and the fills of
// transparent pixels, and the cached round masks. The forms that take a skin's image records
// (TsMaskData) or a control's skin data are in paint/sAlphaGraph.h.
//
// Sections
//   1. Constants: draw-mode flags, limits, far coordinates
//   2. Dezev channel
//   3. Skin images as the kernels see them
//   4. Copy and stretch primitives of masked images, glyphs
//   5. The nine-part renderer
//   6. Rounded corners
//   7. Texture tiling and transparent-pixel fills
//   8. Round masks (Windows)
//
// As the other raster kernels, these work on TPixelView and clip everything a skin hands them
// (rectangles, points, indexes) to the bitmaps they touch.
#pragma once

#include "base/sConst.h"
#include "raster/Pixels.h"

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

// Skin coordinates are added and multiplied in 64 bits; a result far outside any bitmap is
// pulled in to +-kFarCoordinate, where every primitive still clips it away and where the width
// of any rectangle still fits 32 bits.
constexpr int64_t kFarCoordinate = int64_t(1) << 29;
inline Integer NearCoordinate(int64_t v) {
  return static_cast<Integer>(v < -kFarCoordinate ? -kFarCoordinate : v > kFarCoordinate ? kFarCoordinate : v);
}

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

// ---- 4. Copy and stretch primitives --------------------------------------------------------------

// r2 of src (its mask half HeightOf(maskRect) / 2 rows below) into r1 of dst; key pixels take
// the fill colour or the background.
void CopyMasterRect(const TRect& r1, const TRect& r2, const TPixelView& dst, const TPixelView& src, const TBackdrop& ci,
                    Integer maskOffset);
// The same, building the destination's alpha; opacity 0..255 (256: the plain form).
void CopyByMask32(const TRect& r1, const TRect& r2, const TPixelView& dst, const TPixelView& src, const TBackdrop& ci,
                  Integer maskOffset, Integer opacity = 256);

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
void DrawSkinGlyph(const TPixelView& dst, TPoint p, Integer state, Integer addedTransparency, const TMaskImage& img,
                   bool ownBitmap, const TBackdrop& ci, bool ciIsDst);

// ---- 5. The nine-part renderer ---------------------------------------------------------------------

enum class TNinePartKind {
  Cache,    // DrawSkinRect: a control's cache bitmap
  Alpha32,  // DrawSkinRect32: a 32-bit bitmap whose alpha must survive
  Outer32,  // DrawSkinRect32Ex: outer effects, band-limited and with an opacity
};

struct TNinePartRequest {
  TNinePartKind Kind = TNinePartKind::Cache;
  TRect Rect;  // target rectangle (may lie partly outside the view)
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

// TBitmap forms of the stretch primitives (the mask rows maskOffset rows below the picture).
void StretchBltMask(Integer dstX1, Integer dstY1, Integer dstWidth, Integer dstHeight, Integer srcX1, Integer srcY1,
                    Integer srcWidth, Integer srcHeight, TBitmap* bmpDst, TBitmap* bmpSrc, Integer maskOffset,
                    bool noStdStretch);
void StretchBltMask32(Integer dstX1, Integer dstY1, Integer dstWidth, Integer dstHeight, Integer srcX1, Integer srcY1,
                      Integer srcWidth, Integer srcHeight, TBitmap* bmpDst, TBitmap* bmpSrc, Integer maskOffset,
                      bool noStdStretch);
void StretchBltMask32Ex(Integer dstX1, Integer dstY1, Integer dstWidth, Integer dstHeight, Integer srcX1, Integer srcY1,
                        Integer srcWidth, Integer srcHeight, TBitmap* bmpDst, TBitmap* bmpSrc, Integer maskOffset,
                        Integer opacity, bool noStdStretch);
#ifdef _WIN32
// Leaves the block stretch (COLORONCOLOR) set on the bitmap's canvas, as a renderer that
// stretches does for what is stretched on that canvas after it.
void SetBlockStretchMode(TBitmap* bmp);
#endif

// ---- 8. Round masks (Windows) ----------------------------------------------------------------------
#ifdef _WIN32
// The anti-aliased round mask of a radius (2r + 1 square, white outside an opaque black disc),
// built with GDI+ on first use and cached for the run; nullptr for a radius below 1. The cache
// owns it.
TBitmap* GetRoundMask(Integer radius);
// Frees every cached mask (the slots stay).
void ClearRoundMasks();
#endif
