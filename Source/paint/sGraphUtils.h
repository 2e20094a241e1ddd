// sGraphUtils: the raster core of the engine. 32-bit working bitmaps, pixel and colour
// helpers, compositing of two bitmaps, colour transforms, blur and resampling, texture tiling.
//
// Sections
//   1. The numeric contract: pixel layout, the mixing rule, weights, limits
//   2. Pixel views and the parent background as the kernels see them
//   3. Bitmaps, rows, single pixels, colour values
//   4. Rectangle fills and blends of one bitmap
//   5. Compositing of two bitmaps
//   6. Colour transforms
//   7. Blur and resampling
//   8. Texture tiling
//   9. Templates, glyph effects, regions and border copies
//  10. The skin item painter
//  11. Text
//  12. Shapes, arrows, rotation and layout
//
// Every pixel loop works on a TPixelView (plain memory: top row, signed row distance, size),
// so it builds and runs natively; the TBitmap forms are thin wrappers that take the view of a
// pf32bit bitmap and do nothing for anything else. Pixels hold straight alpha, bytes B, G, R, A.
// Every routine clips what it is given (rectangles, points, sizes) to the bitmaps it touches:
// no argument makes it read or write outside a bitmap.
#pragma once

#include <cstdint>
#include <vector>

#include "base/sConst.h"
#include "ui/Bitmap.h"
#include "ui/Types.h"

struct TsMaskData;

// ---- 1. The numeric contract ---------------------------------------------------------------

// Key value of skin images and caches: fuchsia with alpha 0, compared as a whole pixel.
constexpr uint32_t kKeyPixel = 0x00FF00FF;
// Dezev at or below which a threshold test takes a source pixel as transparent.
constexpr Byte bTranspLimit = 16;

// The mixing rule of every compositor: d moved towards s by the weight a (0..255) in 256ths.
// The sum s*a + d*(256-a) is never negative, so the shift is a floor division by 256.
constexpr Byte MixByte(int d, int s, int a) { return static_cast<Byte>(((s - d) * a + d * 256) >> 8); }

// A transparency percentage (0 opaque .. 100 invisible) as a byte weight; out-of-range
// percentages are limited to 0..100 so the weight stays a byte.
constexpr Integer PercentToWeight(Integer percent) {
  return 255 - (percent < 0 ? 0 : percent > 100 ? 100 : percent) * 255 / 100;
}

constexpr Byte PixB(uint32_t p) { return static_cast<Byte>(p); }
constexpr Byte PixG(uint32_t p) { return static_cast<Byte>(p >> 8); }
constexpr Byte PixR(uint32_t p) { return static_cast<Byte>(p >> 16); }
constexpr Byte PixA(uint32_t p) { return static_cast<Byte>(p >> 24); }
constexpr uint32_t MakePix(uint32_t b, uint32_t g, uint32_t r, uint32_t a) { return b | g << 8 | r << 16 | a << 24; }

// Threshold test of a source pixel: the key value, or alpha at or below bTranspLimit.
constexpr bool TransparentByThreshold(uint32_t p) { return p == kKeyPixel || PixA(p) <= bTranspLimit; }

// Largest temporary picture a stretch of a skin-given size makes (pixels, 8192 x 8192): no
// window is larger, and a hostile size cannot make a routine allocate without bound.
constexpr int64_t kMaxTempPixels = int64_t(1) << 26;

// ---- 2. Views -------------------------------------------------------------------------------

// The view of a pf32bit bitmap; empty for a missing bitmap or any other format.
TPixelView ViewOf(TBitmap* bmp);

// One byte a pixel (masks of the blur).
struct TBytePixelView {
  Byte* Line0 = nullptr;
  Integer Delta = 0;
  Integer Width = 0;
  Integer Height = 0;
  bool Empty() const { return Line0 == nullptr || Width <= 0 || Height <= 0; }
  Byte* Row(Integer y) const { return Line0 + static_cast<ptrdiff_t>(y) * Delta; }
};

// The parent background as the kernels take it: the picture behind the target (pixel (X, Y)
// of View lies behind the target's pixel (0, 0)) when Ready, else the fill colour (TColor).
struct TBackdrop {
  TPixelView View;
  Integer X = 0, Y = 0;
  TColor FillColor = clFuchsia;
  bool Ready = false;
  // The background pixel behind target pixel (x, y), or nullptr when it lies outside View.
  const uint32_t* At(Integer x, Integer y) const {
    // In 64 bits: an offset near the integer limits must not wrap onto the view.
    const int64_t bx = int64_t(X) + x, by = int64_t(Y) + y;
    if (View.Empty() || bx < 0 || by < 0 || bx >= View.Width || by >= View.Height) return nullptr;
    return View.Row(static_cast<Integer>(by)) + bx;
  }
};

// The background record of the painters as the kernels take it.
TBackdrop BackdropOf(const TCacheInfo& ci);

// A block of pixels paired one to one between a destination and a source.
struct TPixelBlock {
  Integer DstX = 0, DstY = 0, SrcX = 0, SrcY = 0, Width = 0, Height = 0;
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

// Extents form: as wide as the smaller rectangle and the room left in both views; a negative
// left (top) edge moves both rectangles until the more negative one starts at 0.
TPixelBlock ClipExtents(const TRect& dstRect, const TRect& srcRect, Integer dstW, Integer dstH, Integer srcW,
                        Integer srcH);
// Source-rectangle-and-point form with inclusive right and bottom edges (clamped to the
// last column and row of the source).
TPixelBlock ClipInclusive(TRect srcRect, TPoint dstPoint, Integer dstW, Integer dstH, Integer srcW, Integer srcH);

// ---- 3. Bitmaps, rows, single pixels, colour values ----------------------------------------

// A new working bitmap (pf32bit, DIB, IgnorePalette). Impossible sizes give 0 x 0.
TBitmap* CreateBmp32(Integer width, Integer height);
TBitmap* CreateBmp32(const TRect& r);
TBitmap* CreateBmp32(const TSize& size);
TBitmap* CreateBmp32(const TBitmap* bmp);
TBitmap* CreateBmpLike(const TBitmap* bmp);
void CheckBmp(TBitmap*& bmpOut, const TBitmap* sampleBmp);
// Address of row 0 and the signed distance to row 1 (0 for a one-row bitmap).
bool InitLine(TBitmap* bmp, void*& line0, Integer& delta);
// Single pixels, raw 32-bit values; x and y must lie inside the bitmap.
uint32_t GetAPixel(TBitmap* bmp, Integer x, Integer y);
void SetAPixel(TBitmap* bmp, Integer x, Integer y, uint32_t value);

constexpr TColor SwapRedBlue(TColor c) { return (c & 0xFF00FF00u) | (c & 0xFF) << 16 | (c >> 16 & 0xFF); }
constexpr TColor SwapColor(TColor c) { return SwapRedBlue(c); }
constexpr Cardinal SwapLong(Cardinal v) {
  return v >> 24 | (v >> 8 & 0xFF00) | (v << 8 & 0xFF0000) | v << 24;
}
void SwapLong(Cardinal* p, Cardinal count);
void FillLongword(void* x, Integer count, Cardinal value);
TColor BlendColors(TColor color1, TColor color2, Byte blendOf1);

// ---- 4. Rectangle fills and blends of one bitmap -------------------------------------------

// Exclusive rectangles clipped to the view.
void FillRect32(const TPixelView& v, TRect r, TColor color, Byte alpha);
void FillRect32(TBitmap* bmp, const TRect& r, TColor color, Byte alpha);
void FillRect32Excl(TBitmap* bmp, const TRect& r, const TRect& excludeR, TColor color, Byte alpha);
// Inclusive rectangle; colour is an RGB value (system colours are resolved by the caller).
void BlendColorRect(const TPixelView& v, TRect r, Byte blend, TColor color);
void BlendColorRect(TBitmap* bmp, const TRect& r, Byte blend, TColor color);
void BlendRect32(const TPixelView& v, TRect r, TColor color, Byte blendValue, Byte alpha);
void BlendRect32(TBitmap* bmp, const TRect& r, TColor color, Byte blendValue, Byte alpha);
void FillAlphaRect(const TPixelView& v, TRect r, Byte value, TColor transparentColor, const TRect* excludeRects,
                   size_t excludeCount);
void FillAlphaRect(TBitmap* bmp, const TRect& r, Byte value, TColor transparentColor,
                   const std::vector<TRect>& excludeRects = {});
// Pixel by pixel, straight copies of 32-bit memory; the block is clipped to both views.
void CopyPixels(const TPixelView& dst, Integer dstX, Integer dstY, const TPixelView& src, const TRect& srcRect);
void DiffBmp32(TBitmap* dstBmp, TBitmap* subBmp);
void CheckEmptyAChannel(TBitmap* bmp);
TBitmap* CreateAlphaBmp(TBitmap* srcMaskedBmp, const TRect& srcRect);
TBitmap* CreateMaskFromAlpha(TBitmap* srcAlphaBmp);

// ---- 5. Compositing of two bitmaps ---------------------------------------------------------

// CopyBmp32: a picture over a bitmap with opacity (Blend, percent of transparency), the
// threshold test and parent background, a grey tint (grayedColor other than clNone) and a
// mirror image below (reflected).
void CopyBmp32(const TRect& dstRect, const TRect& srcRect, const TPixelView& dst, const TPixelView& src,
               const TBackdrop& ci, bool updateTrans, TColor grayedColor, Integer blend, bool reflected);
// A picture with alpha over a bitmap, the background behind key pixels.
void CopyByMaskAlpha(const TRect& dstRect, const TRect& srcRect, const TPixelView& dst, const TPixelView& src,
                     const TBackdrop& ci, bool updateTrans);
// A skin picture through its mask half; maskRectHeight is the height of the image's
// rectangle (picture and mask), drawMode and cfg are the image's fields.
void CopyByMaskHalf(const TRect& dstRect, const TRect& srcRect, const TPixelView& dst, const TPixelView& src,
                    const TBackdrop& ci, bool updateTrans, Integer maskRectHeight, Integer drawMode, Integer cfg);
void PaintBmp32(const TPixelView& dst, const TPixelView& msk);
void PaintBmpRect32(const TPixelView& dst, const TPixelView& src, const TRect& srcRect, TPoint dstPoint,
                    Byte srcBlendValue);
// transp empty: the destination is compared with transpColor (pixel order) instead.
void PaintTranspBmpRect32(const TPixelView& dst, const TPixelView& src, const TPixelView& transp,
                          uint32_t transpPixel, const TRect& srcRect, TPoint dstPoint, TPoint transpPoint,
                          Byte srcBlendValue);
void StretchBmpRect32(const TPixelView& dst, Integer xDst, Integer yDst, Integer dstWidth, Integer dstHeight,
                      const TPixelView& src, Integer xSrc, Integer ySrc, Integer srcWidth, Integer srcHeight,
                      Byte srcBlendValue);
void SumBitmaps(const TPixelView& srcBmp, const TPixelView& mskBmp, Byte alphaValue);
void SumBmpRect(const TPixelView& dst, const TPixelView& src, Byte alphaValue, const TRect& srcRect,
                TPoint dstPoint);
// msk empty: Percent (0..256) is the weight of src1.
void SumBitmapsByMask(const TPixelView& dst, const TPixelView& src1, const TPixelView& src2,
                      const TPixelView& msk, Word percent);
void BlendBmpByMask(const TPixelView& srcBmp, const TPixelView& mskBmp, TColor blendColor);
void BlendTransRectangle(const TPixelView& dst, Integer x, Integer y, const TPixelView& src, const TRect& aRect,
                         Byte blend, uint32_t transPixel);
void BlendTransBitmap(const TPixelView& bmp, Byte blend, TColor color);
void CopyTransBitmaps(const TPixelView& dst, const TPixelView& src, Integer x, Integer y, TColor transColor);
void CopyTransRect(const TPixelView& dst, const TPixelView& src, Integer x, Integer y, const TRect& srcRect,
                   uint32_t transPixel, const TBackdrop& ci, bool updateTrans, bool ciIsDst);
void CopyTransRectA(const TPixelView& dst, const TPixelView& src, Integer x, Integer y, const TRect& srcRect,
                    TColor transColor, Integer blend);
void CopyChannel32(const TPixelView& dst, const TPixelView& src, Integer channel);
void CopyChannel(const TPixelView& bmp32, const TBytePixelView& bmp8, Integer channel, bool from32To8);

// TBitmap forms of the compositors. CopyBmp32 makes its source pf32bit first.
void CopyBmp32(const TRect& dstRect, const TRect& srcRect, TBitmap* dstBmp, TBitmap* srcBmp, const TCacheInfo& ci,
               bool updateTrans, TColor grayedColor, Integer blend, bool reflected);
void CopyByMask(const TRect& dstRect, const TRect& srcRect, TBitmap* dstBmp, TBitmap* srcBmp, const TCacheInfo& ci,
                bool updateTrans);
void CopyByMask(const TRect& dstRect, const TRect& srcRect, TBitmap* dstBmp, TBitmap* srcBmp, const TCacheInfo& ci,
                bool updateTrans, const TsMaskData& maskData);
void CopyTransRect(TBitmap* dstBmp, TBitmap* srcBmp, Integer x, Integer y, const TRect& srcRect, TColor transColor,
                   const TCacheInfo& ci, bool updateTrans);
void PaintBmp32(TBitmap* srcBmp, TBitmap* mskBmp);
void PaintBmpRect32(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& srcRect, const TPoint& dstPoint,
                    Byte srcBlendValue);
void PaintTranspBmpRect32(TBitmap* dstBmp, TBitmap* srcBmp, TBitmap* transpBmp, TColor transpColor,
                          const TRect& srcRect, const TPoint& dstPoint, const TPoint& transpPoint,
                          Byte srcBlendValue);
void StretchBmpRect32(TBitmap* dstBmp, Integer xDst, Integer yDst, Integer dstWidth, Integer dstHeight,
                      TBitmap* srcBmp, Integer xSrc, Integer ySrc, Integer srcWidth, Integer srcHeight,
                      Byte srcBlendValue);
void SumBitmaps(TBitmap* srcBmp, TBitmap* mskBmp, Byte alphaValue);
void SumBmpRect(TBitmap* dstBmp, TBitmap* srcBmp, Byte alphaValue, const TRect& srcRect, const TPoint& dstPoint);
void SumBitmapsByMask(TBitmap*& dstBmp, TBitmap* src1, TBitmap* src2, TBitmap* mskBmp, Word percent);
void BlendBmpByMask(TBitmap* srcBmp, TBitmap* mskBmp, TColor blendColor);
void BlendTransRectangle(TBitmap* dst, Integer x, Integer y, TBitmap* src, const TRect& aRect, Byte blend,
                         TColor transColor);
void BlendTransBitmap(TBitmap* bmp, Byte blend, TColor color);
void CopyTransBitmaps(TBitmap* dstBmp, TBitmap* srcBmp, Integer x, Integer y, TColor transColor);
void CopyTransRectA(TBitmap* dstBmp, TBitmap* srcBmp, Integer x, Integer y, const TRect& srcRect,
                    TColor transColor, Integer blend);
void CopyChannel32(TBitmap* dstBmp, TBitmap* srcBmp, Integer channel);
void CopyChannel(TBitmap* bmp32, TBitmap* bmp8, Integer channel, bool from32To8);

// ---- 6. Colour transforms ------------------------------------------------------------------

TColor ChangeBrightness(TColor color, Integer delta);  // works alike on pixels
uint32_t ChangeSaturationPixel(Integer delta, uint32_t pixel);
TColor ChangeSaturation(TColor color, Integer delta);
uint32_t ChangeHuePixel(Integer delta, uint32_t pixel);
TColor ChangeHue(Integer delta, TColor color);
uint32_t ChangeTonePixel(uint32_t pixel, TColor tone);
TColor ChangeTone(TColor color, TColor tone);
constexpr Integer SwapInteger(Integer i) { return static_cast<Integer>(SwapRedBlue(static_cast<TColor>(i))); }
// Round(0.299 R + 0.587 G + 0.114 B), halves to even.
Byte GrayOf(uint32_t pixel);

// A change applied to every pixel; skipPixel (pixel order) is left alone unless it is
// kNoSkipPixel.
using TPixelChangeProc = void (*)(uint32_t& pixel, Integer param);
constexpr uint64_t kNoSkipPixel = 0x100000000ull;
void ChangeBitmapPixels(const TPixelView& v, TPixelChangeProc proc, Integer param, uint64_t skipPixel);
void ChangeBitmapPixels(TBitmap* bmp, TPixelChangeProc proc, Integer param, TColor skipColor);
void ChangeColorBrightness(uint32_t& pixel, Integer param);
void ChangeColorSaturation(uint32_t& pixel, Integer param);
void ChangeColorHUE(uint32_t& pixel, Integer param);
void ChangeColorTone(uint32_t& pixel, Integer param);
void MakeAlphaPixel(uint32_t& pixel, Integer param);
void GrayScale(const TPixelView& v, uint64_t skipPixel = kNoSkipPixel);
void GrayScale(TBitmap* bmp);
void GrayScaleTrans(TBitmap* bmp, TColor transColor);
void SetBmp32Pixels(TBitmap*& bmp);

// ---- 7. Blur and resampling ----------------------------------------------------------------

constexpr int MaxKernelSize = 16;
struct TKernel {
  Byte Size = 0;                             // half-width in use
  double Weights[2 * MaxKernelSize + 1] = {};  // index j + MaxKernelSize for j = -16..16
  double& W(int j) { return Weights[j + MaxKernelSize]; }
  double W(int j) const { return Weights[j + MaxKernelSize]; }
};
void MakeGaussianKernel(TKernel& k, double radius, double maxData, double dataGranularity);
// Convolves theRow[0..h] with k in place; p is a work buffer of at least h + 1 bytes.
void BlurRow8(Byte* theRow, Integer h, const TKernel& k, Byte* p);
void Blur8(const TBytePixelView& v, double radius);
void Blur8(TBitmap* bmp, double radius);

enum TFilterType { ftBox, ftTriangle, ftHermite, ftBell, ftSpline, ftLanczos3, ftMitchell };
constexpr float CFilters[] = {0.51f, 1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
float FilterWeight(TFilterType filter, float x);  // x the signed distance

struct TContributor {
  Integer Pixel = 0;   // byte offset of the source pixel from the start of its line
  Integer Weight = 0;  // 16.16 fixed point
};
// The contributors of every destination pixel of one line, in one block.
struct TContributorTable {
  std::vector<TContributor> Data;
  std::vector<Integer> Start;  // Size + 1 entries: pixel i uses Data[Start[i] .. Start[i + 1])
  Integer Size() const { return Start.empty() ? 0 : static_cast<Integer>(Start.size()) - 1; }
};
void CreateContributors(TContributorTable& contrib, Integer size, Integer maxSize, TFilterType filter,
                        Integer delta);
void FreeContributors(TContributorTable& contrib);
void DrawLine32Pas(Integer count, const TContributorTable& contributes, const Byte* srcLine, Byte* dstLine,
                   Integer dstDelta);
// Resamples src into dst, which must already be dstWidth x dstHeight (the views may not overlap).
void StretchView(const TPixelView& src, const TPixelView& dst, TFilterType filter);
void Stretch(TBitmap* srcBmp, TBitmap* dstBmp, Integer dstWidth, Integer dstHeight, TFilterType filter);
// The rectangle (x, y, w, h) of src resampled into all of dst; sources of one pixel are
// widened to two first (the resampler needs two), so every rectangle of 1 x 1 or more works.
void StretchRectView(const TPixelView& src, Integer x, Integer y, Integer w, Integer h, const TPixelView& dst,
                     TFilterType filter);
// The rectangle resampled by nearest pixel (the stretch of block copies, COLORONCOLOR);
// destination pixels outside clip (when given) are not painted.
void StretchNearest(const TPixelView& dst, const TRect& dstRect, const TPixelView& src, const TRect& srcRect,
                    const TRect* clip = nullptr);

// ---- 8. Texture tiling ---------------------------------------------------------------------

// Paints the texture of maskData (its rectangle R in its own bitmap or the skin's master
// bitmap) into aRect of target by the fill mode, and hands back in aRect what it did not
// cover ((-1, -1, -1, -1) when everything). graphic is not used.
void TileBitmap(TBitmap* target, TRect& aRect, TGraphic* graphic, const TsMaskData& maskData, TkvFillMode fillMode);
// A texture with a mask half, through its mask, with ci behind its transparent pixels.
void TileMasked(TBitmap* bmp, TRect& aRect, const TCacheInfo& ci, const TsMaskData& maskData, TkvFillMode fillMode);

// ---- 9. Windows: GDI steps and functions bound by name ---------------------------------------

#ifdef _WIN32
struct _BLENDFUNCTION;
class TCanvas;

// Start-up: binds SetLayout and GetLayout (gdi32), UpdateLayeredWindow and
// SetLayeredWindowAttributes (user32); the clean-up frees both libraries.
void sGraphUtilsStartup();
void sGraphUtilsCleanup();
bool kvLayered();  // UpdateLayeredWindow is available
void kvSetLayout(HDC hdc, Cardinal dwLayout);
Cardinal kvGetLayout(HDC hdc);
// Hands the premultiplied bitmap to the layered window (ULW_ALPHA, source point (0, 0)).
void UpdateLayeredWnd(HWND handle, TBitmap* bmp, TSize* size, _BLENDFUNCTION* blendData, TPoint* newPos);

// A working bitmap of the control's size.
TBitmap* CreateBmp32(const TControl* ctrl);
// dstBmp takes srcBmp's format, size and pixels (a blit, any format).
void CopyBmp(TBitmap* dstBmp, TBitmap* srcBmp);
// An icon of a 32-bit bitmap (its AND mask from the alpha); the caller destroys it.
HICON MakeIcon32(TBitmap* img, bool updateAlphaChannell);
// Fades the rounded rectangle aRect of fadedBmp towards color (a TColor) with a soft edge of
// blur pixels; transparency is the percentage of the picture kept at the centre.
void FadeBmp(TBitmap* fadedBmp, const TRect& aRect, Integer transparency, TColor color, Integer blur, Integer radius);
// TileBitmap on a canvas: paints when the canvas holds a 32-bit DIB section.
void TileBitmap(TCanvas* canvas, TRect& aRect, TGraphic* graphic, const TsMaskData& maskData, TkvFillMode fillMode);
#endif

// ---- 9. Templates, glyph effects, regions and border copies ------------------------------------

// Key-colour runs: one-pixel-high rectangles over horizontal runs of pixels whose whole value
// is the key (pixel order). Runs are appended to what runs already holds.
void AddKeyRuns(std::vector<TRect>& runs, const TPixelView& v, uint32_t key);
// The key runs of the two corners of the top (or bottom) strip of a border image, placed for a
// target dstWidth wide: left corner first for all rows, then the right corner.
struct TBorderStrip {
  TRect MaskRect;            // the image's rectangle in its bitmap
  Integer DstWidth = 0;
  Integer WL = 0, WT = 0, WR = 0, WB = 0;
  Integer VertOffset = 0;    // row of the target where the strip's first row lands
  bool IsBottom = false;
  bool Masked = false;       // a mask half below the picture
  Integer Padding = 0;
};
void AddStripKeyRuns(std::vector<TRect>& runs, const TPixelView& v, const TBorderStrip& strip, uint32_t key);
void AddRgnBmp(std::vector<TRect>& aor, TBitmap* maskBmp, TColor transColor);
void AddRgn(std::vector<TRect>& aor, TBitmap* maskBmp, const TRect& maskRect, Integer dstWidth, Integer wl, Integer wt,
            Integer wr, Integer wb, Integer vertOffset, bool isBottom, bool masked, TColor transpColor,
            Integer iPadding);
// The same for a skin border image (its own bitmap or the skin's master bitmap, key 0xFF00FF).
void AddRgn(std::vector<TRect>& aor, Integer width, const TsMaskData& maskData, Integer vertOffset, bool bottom,
            Integer iPadding);

// The fading mirror image of srcRect below dstTopLeft: rows from the source's bottom upwards,
// weights falling to 0, key pixels (transColor, a colour value: red and blue are exchanged
// before comparing) left out; alpha stays. Nothing when fewer than two rows fit.
void DrawGlyphReflection(const TPixelView& dst, const TPixelView& src, TPoint dstTopLeft, TRect srcRect,
                         TColor transColor, Integer blendValue);
void DrawGlyphReflection(TBitmap* dstBmp, TBitmap* srcBmp, const TPoint& dstTopLeft, const TRect& srcRect,
                         TColor transColor, Integer blendValue);

#ifdef _WIN32
class TWinControl;

// A nine-part template of srcBmp (corners, sides tiled or stretched by bit 0 of drawModes'
// sides, centre only with fillCenter) into dstRect of dstBmp; sides at most borderMaxWidths.
void PaintControlByTemplate(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& dstRect, const TRect& srcRect,
                            const TRect& borderWidths, const TRect& borderMaxWidths, const TRect& drawModes,
                            bool stretchCenter, bool fillCenter);
// Copies a frame of the side widths (a negative bottom takes the left width for the unset ones).
void BitBltBorder(HDC destDC, Integer x, Integer y, Integer width, Integer height, HDC srcDC, Integer xSrc,
                  Integer ySrc, Integer widthLeft, Integer widthTop, Integer widthRight, Integer widthBottom);
// Clips the visible children of ctrl out of dc.
void ExcludeControls(HDC dc, TWinControl* ctrl, Integer offsetX, Integer offsetY);
// The bitmap minus its key-colour pixels; the caller owns the region.
void GetRgnFromBmp(HRGN& rgn, TBitmap* maskBmp, TColor transColor);
// One glyph of a strip of numGlyphs glyphs, chosen by state, into r of dstBmp; disabled ones
// blended by blend; reflected: with its mirror image below.
void DrawGlyphEx(TBitmap* glyph, TBitmap* dstBmp, const TRect& r, Integer numGlyphs, bool enabled,
                 TSet<TsDisabledGlyphKind> disabledGlyphKind, Integer state, Integer blend, bool down,
                 bool reflected);
#endif

// ---- 10. The skin item painter -------------------------------------------------------------------
//
// One skin section in one state painted into a rectangle of a bitmap over the parent's
// background (ci): background or fill colour as far as the look is transparent, colour,
// gradient and texture in their shares, an overlay gradient, a masked hot texture, the four
// corner images, the border (nine-part mask or a GDI+ line with rounded corners) and, for a
// control, its tone, hue and saturation. commonSkinData is the per-PPI skin data (TkvSkinData);
// anything else paints nothing. Filling, BGIndex, BGHotIndex, OffsetX and OffsetY are accepted
// for the callers' sake and change nothing.
#ifdef _WIN32
struct TsGeneralData;
class TkvObject;
class TkvPaintBorderData;
struct TkvIntValues;

class TkvSkinData;
// The section skinIndex of per-PPI skin data whose manager accepts the index; else nullptr.
const TsGeneralData* SkinSection(const TkvSkinData* skinData, Integer skinIndex);
// An image of the skin data; nullptr for an index out of range.
const TsMaskData* SkinImage(const TkvSkinData* skinData, Integer index);
// The bitmap an image's pixels lie in: its own, else its manager's master bitmap.
TBitmap* SkinImageBitmap(const TsMaskData& md);
// A texture's fill mode through kvFillModes; false for a draw mode outside the table.
bool SkinFillMode(const TsMaskData& md, TkvFillMode& mode);

// May change the corner radii (and the sides) of a GDI+ border before it is drawn.
using TkvUpdateCornersProc = void (*)(TkvPaintBorderData* paintBorderData, TkvIntValues& outCorners,
                                      TSet<TkvSide>*& outSides);

class TsCommonData;

// The main road of a skinned control: its section in a state, with its custom border and
// colour, and (colorsAutoUpdate) its tone, hue and saturation applied to the whole bitmap.
void PaintItem(TsCommonData* skinData, const TCacheInfo& ci, bool filling, Integer state, const TRect& r,
               const TPoint& pP, TBitmap* itemBmp, bool updateCorners, Integer offsetX = 0, Integer offsetY = 0,
               bool colorsAutoUpdate = true);
void PaintItemBG(TsCommonData* skinData, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                 TBitmap* itemBmp, Integer offsetX = 0, Integer offsetY = 0);
void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool filling, Integer state, const TRect& r, const TPoint& pP,
               TBitmap* itemBmp, TkvObject* commonSkinData, Integer bgIndex = -1, Integer bgHotIndex = -1);
// With a border mask chosen by the caller (drawn when the section has one).
void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool filling, Integer state, const TRect& r, const TPoint& pP,
               TBitmap* itemBmp, TkvObject* commonSkinData, const TsMaskData& md);
// Onto a device context, through a 32-bit bitmap of r's size.
void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool filling, Integer state, const TRect& r, const TPoint& pP,
               HDC dc, TkvObject* commonSkinData);
// Border mask and textures given by image index (scroll-bar parts).
void PaintItemFast(Integer skinIndex, Integer maskIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci,
                   bool filling, Integer state, const TRect& r, const TPoint& pP, TBitmap* itemBmp,
                   TkvObject* commonSkinData);
// The background layers only; customColor other than clFuchsia paints that colour opaque.
void PaintItemBG(Integer skinIndex, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                 TBitmap* itemBmp, TkvObject* commonSkinData, Integer textureIndex = -1,
                 Integer hotTextureIndex = -1, TColor customColor = clFuchsia);
void PaintItemBGFast(Integer skinIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci, Integer state,
                     const TRect& r, const TPoint& pP, TBitmap* itemBmp, TkvObject* commonSkinData);
// The whole bitmap as one item of sectionIndex (else secondIndex) over parentDC (or bgColor);
// the section used, negative when none was.
Integer PaintSection(TBitmap* bmp, Integer sectionIndex, Integer secondIndex, Integer state,
                     TkvObject* commonSkinData, const TPoint& parentOffset, TColor bgColor, HDC parentDC);
// The GDI+ border line of a section (or of a custom border); True when a line was drawn.
bool TryPaintBorder(TBitmap* aBmp, const TRect& aRect, const TsGeneralData& gd, Integer aState,
                    const TCacheInfo& bgRef, TkvPaintBorderData* customBorderData, Integer iPPI,
                    TkvUpdateCornersProc updateCornersProc);
// Keeps two corners on one side of a control from exceeding that side less one pixel.
void UpdateCtrlCornersProc(TkvPaintBorderData* paintBorderData, TkvIntValues& outCorners,
                           TSet<TkvSide>*& outSides);
#endif

// ---- 11. Text ----------------------------------------------------------------------------------------

// The glow of a text: every mask byte v other than 255 (255 no text, 0 text, blurred between)
// at mask (x, y) moves the pixel at origin + (x, y) towards color (a colour value) by 255 - v
// and raises its alpha by the same share of what is missing.
void ApplyGlowMask(const TPixelView& dst, const TBytePixelView& mask, TPoint origin, TColor color);

#ifdef _WIN32
class TCanvas;
class TsCommonData;
class DuRiruZireziv;

// DrawTextW cuts texts here.
constexpr Integer kvMaxDrawTextLength = 5460;

// The engine's text output: DrawTextW (at most kvMaxDrawTextLength characters), or with
// DT_ALPHATEXT alpha-correct text into a 32-bit bitmap (kvDrawText32).
Integer kvDrawText(HDC dc, const String& text, TRect& r, Cardinal flags, TBitmap* bmp = nullptr);
// GDI+ text in the DC's font and text colour (measured only, with DT_CALCRECT); when GDI+ does
// not draw and bmp is given, WriteColor draws it. Always 1.
Integer kvDrawText32(HDC dc, const String& text, TRect& r, Cardinal flags, bool alphaLayer, TBitmap* bmp);
// A caption in the colours of section skinIndex for state hot (0 normal, 1 hot): outline copies
// one pixel left, up, right, down, then the main colour; disabled: blended towards the look's
// background colour. Without a manager or section: the canvas's own colour.
void WriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags, Integer skinIndex,
                 Integer hot, DuRiruZireziv* skinManager = nullptr);
void kvWriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags,
                   Integer skinIndex, Integer hot, DuRiruZireziv* skinManager = nullptr);
// A control's caption: the section that gives the font (its own, or what its parents answer to
// KV_GETFONTINDEX), its glow into the control's cache bitmap (canGlow), outline copies, the
// disabled blend towards the skin's global colour, and the control's tone, hue and saturation.
// Unskinned controls and controls with their own font get the plain (or embossed) caption.
// skinManager is not used: the control's own manager applies.
void WriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags,
                 TsCommonData* skinData, Integer hot, DuRiruZireziv* skinManager = nullptr, bool canGlow = true);
void kvWriteTextEx(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags,
                   TsCommonData* skinData, Integer hot, DuRiruZireziv* skinManager = nullptr, bool canGlow = true);
void kvWriteText(TCanvas* canvas, const String& text, bool enabled, TRect& aRect, Cardinal flags);
// A text colour after the control's tone, hue offset and saturation.
TColor UpdateColor(TColor color, const TsCommonData* skinData);
// A blurred glow of the text (widened one pixel to the sides of `side`: 1 left, 2 up, 4 right,
// 8 down) painted into the 32-bit dstBmp; maskBmp keeps the 8-bit mask for reuse while its
// size fits (the caller frees it).
void kvDrawGlowForText(TBitmap* dstBmp, const String& text, const TRect& aRect, Cardinal flags, Cardinal side,
                       Integer blurSize, TColor color, TBitmap*& maskBmp);

// Text cut to fit maxLength pixels, with "..." when cut; empty when not one character fits.
String CutText(TCanvas* canvas, const String& text, Integer maxLength);
Integer kvTextWidth(TCanvas* canvas, const String& text);
TSize kvTextExtent(TCanvas* canvas, const String& text);
void kvTextRect(TCanvas* canvas, const TRect& rect, Integer x, Integer y, const String& text);
// GetTextExtentPoint32W; dc 0 takes the screen DC with font selected.
bool kvGetTextExtent(HDC dc, const String& str, TSize& size, HFONT font);
bool kvGetTextExtentW(HDC dc, const String& str, TSize& size, HFONT font);
void kvPaintLine(HDC dc, Integer x1, Integer y1, Integer x2, Integer y2);
// 0 when the metrics cannot be read; noLeading: tmHeight less both leadings, else tmHeight + 6.
Integer GetFontHeight(HFONT font, bool noLeading);
// Size of the text in the font on the screen DC; (0, 0) when it cannot be measured.
TSize GetStringSize(HFONT font, const String& text, Cardinal flags, bool wrapText, Integer maxWidth, bool isItalic);
#endif

// ---- 12. Shapes, arrows, rotation and layout ----------------------------------------------------------

// A 32-bit picture turned by 90, 180 or 270 degrees (clockwise for 90) into dst, which has the
// turned size; any other angle copies it unturned. Nothing when the sizes do not match.
void RotatePixels(const TPixelView& src, const TPixelView& dst, Integer angle);
// A small solid arrow of kvArrowSize at ppi written into a 32-bit view in color (a colour value;
// its top byte becomes the alpha), centred in r; nothing when it does not fit the view.
void DrawColorArrow(const TPixelView& v, TColor color, const TRect& r, TkvSide direction, Integer ppi);

#ifdef _WIN32
#include "base/kvntTypes.h"      // TkvArrowsStyle
#include "ui/StdCtrls.h"  // TAlignment, TVerticalAlignment, TButtonLayout

// The size of one system check-box glyph, measured by GetCheckSize.
extern Integer FCheckWidth, FCheckHeight;
void GetCheckSize();

void DrawColorArrow(TCanvas* canvas, TColor color, const TRect& r, TkvSide direction, Integer ppi);
void DrawColorArrow(TBitmap* bmp, TColor color, const TRect& r, TkvSide direction, Integer ppi);
// A styled, anti-aliased arrow centred in r, composed with alpha onto the 32-bit aBmp; turned
// further by angleShift degrees when it is not 0. arrowSize and lineWidth 0: the defaults.
void DrawArrow(TBitmap* aBmp, TColor color1, TColor color2, const TRect& r, TkvSide direction, Integer lineWidth,
               Integer angleShift, Integer arrowSize, TkvArrowsStyle style, Integer ppi);
// A new 32-bit bitmap turned by 90, 180 or 270 degrees (another angle: an unturned copy); a
// missing or non-32-bit bitmap comes back as it is. freeupBmp frees the source and clears sBitmap.
TBitmap* bmpRotate(TBitmap*& sBitmap, Word rotateAngle, bool freeupBmp);

struct TDoublePoint {
  double X = 0, Y = 0;
};
// A parallelogram: corners 0 top-left, 1 top-right, 2 bottom-right, 3 bottom-left.
class TPrlgram {
 public:
  TPrlgram(const TPoint* points, Integer count);
  TPoint GetPoint(Integer index) const;  // rounded, halves to even
  // Turns the corners about the middle of corners 0 and 2 by a whole-degree angle
  // (counter-clockwise on the screen).
  void Rotate(Integer angle);
  TDoublePoint FPoints[4];
};
// The three PlgBlt points (targets of the source's top-left, top-right and bottom-left corners)
// of a picture of `size` turned about center clockwise by angle plus a quarter turn.
void RotatedBltPoints(const TSize& size, const TPoint& center, Integer angle, TPoint points[3]);
// Draws srcBmp turned about center with PlgBlt: clockwise by angle plus a quarter turn.
void BitBltRotated(HDC dc, TBitmap* srcBmp, const TPoint& center, Integer angle);
// A bitmap into r of the canvas; 32-bit ones with alpha (and a reflection below).
void DrawBmp(TCanvas* canvas, TBitmap* bmp, const TRect& r, bool reflected);
// An icon with img as its colour bitmap; the caller destroys it.
HICON MakeCompIcon(TBitmap* img);
// Width frames inside r, top and left in colorTop, bottom and right in colorBottom; r comes
// back as the rectangle inside them and width as 0.
void DrawRectangleOnDC(HDC dc, TRect& r, TColor colorTop, TColor colorBottom, Integer& width);
// Positions of a button's glyph and caption in client (margin and spacing -1: computed).
void CalcButtonLayout(const TRect& client, const TPoint& glyphSize, const TPoint& textRectSize, TButtonLayout layout,
                      TAlignment alignment, Integer aMargin, Integer spacing, TPoint& glyphPos, TRect& textBounds,
                      Cardinal biDiFlags, TVerticalAlignment verticalAlignment);
// A dotted rectangle in two colours (clNone: that colour is not drawn).
void FocusRect(TCanvas* canvas, const TRect& r, TColor lightColor, TColor darkColor);
void kvDrawFocusRect(TCanvas* canvas, const TRect& r);
#endif
