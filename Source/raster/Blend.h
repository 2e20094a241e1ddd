// Fills and blends of one 32-bit bitmap, compositing of two, and the glyph reflection: the
// kernels on views (raster/Pixels.h) and their TBitmap forms.
//
// Sections
//   1. Rectangle fills and blends of one bitmap
//   2. Compositing of two bitmaps
//   3. TBitmap forms of the compositors
//   4. The glyph reflection
#pragma once

#include <vector>

#include "raster/Pixels.h"

// ---- 1. Rectangle fills and blends of one bitmap -------------------------------------------

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
void DiffBmp32(TBitmap* dstBmp, TBitmap* subBmp);
void CheckEmptyAChannel(TBitmap* bmp);
TBitmap* CreateAlphaBmp(TBitmap* srcMaskedBmp, const TRect& srcRect);
TBitmap* CreateMaskFromAlpha(TBitmap* srcAlphaBmp);

// ---- 2. Compositing of two bitmaps ---------------------------------------------------------

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
void PaintTranspBmpRect32(const TPixelView& dst, const TPixelView& src, const TPixelView& transp, uint32_t transpPixel,
                          const TRect& srcRect, TPoint dstPoint, TPoint transpPoint, Byte srcBlendValue);
void StretchBmpRect32(const TPixelView& dst, Integer xDst, Integer yDst, Integer dstWidth, Integer dstHeight,
                      const TPixelView& src, Integer xSrc, Integer ySrc, Integer srcWidth, Integer srcHeight,
                      Byte srcBlendValue);
void SumBitmaps(const TPixelView& srcBmp, const TPixelView& mskBmp, Byte alphaValue);
void SumBmpRect(const TPixelView& dst, const TPixelView& src, Byte alphaValue, const TRect& srcRect, TPoint dstPoint);
// msk empty: Percent (0..256) is the weight of src1.
void SumBitmapsByMask(const TPixelView& dst, const TPixelView& src1, const TPixelView& src2, const TPixelView& msk,
                      Word percent);
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

// ---- 3. TBitmap forms of the compositors -----------------------------------------------------

// TBitmap forms of the compositors. CopyBmp32 makes its source pf32bit first.
void CopyBmp32(const TRect& dstRect, const TRect& srcRect, TBitmap* dstBmp, TBitmap* srcBmp, const TCacheInfo& ci,
               bool updateTrans, TColor grayedColor, Integer blend, bool reflected);
void CopyByMask(const TRect& dstRect, const TRect& srcRect, TBitmap* dstBmp, TBitmap* srcBmp, const TCacheInfo& ci,
                bool updateTrans);
void CopyTransRect(TBitmap* dstBmp, TBitmap* srcBmp, Integer x, Integer y, const TRect& srcRect, TColor transColor,
                   const TCacheInfo& ci, bool updateTrans);
void PaintBmp32(TBitmap* srcBmp, TBitmap* mskBmp);
void PaintBmpRect32(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& srcRect, const TPoint& dstPoint, Byte srcBlendValue);
void PaintTranspBmpRect32(TBitmap* dstBmp, TBitmap* srcBmp, TBitmap* transpBmp, TColor transpColor,
                          const TRect& srcRect, const TPoint& dstPoint, const TPoint& transpPoint, Byte srcBlendValue);
void StretchBmpRect32(TBitmap* dstBmp, Integer xDst, Integer yDst, Integer dstWidth, Integer dstHeight, TBitmap* srcBmp,
                      Integer xSrc, Integer ySrc, Integer srcWidth, Integer srcHeight, Byte srcBlendValue);
void SumBitmaps(TBitmap* srcBmp, TBitmap* mskBmp, Byte alphaValue);
void SumBmpRect(TBitmap* dstBmp, TBitmap* srcBmp, Byte alphaValue, const TRect& srcRect, const TPoint& dstPoint);
void SumBitmapsByMask(TBitmap*& dstBmp, TBitmap* src1, TBitmap* src2, TBitmap* mskBmp, Word percent);
void BlendBmpByMask(TBitmap* srcBmp, TBitmap* mskBmp, TColor blendColor);
void BlendTransRectangle(TBitmap* dst, Integer x, Integer y, TBitmap* src, const TRect& aRect, Byte blend,
                         TColor transColor);
void BlendTransBitmap(TBitmap* bmp, Byte blend, TColor color);
void CopyTransBitmaps(TBitmap* dstBmp, TBitmap* srcBmp, Integer x, Integer y, TColor transColor);
void CopyTransRectA(TBitmap* dstBmp, TBitmap* srcBmp, Integer x, Integer y, const TRect& srcRect, TColor transColor,
                    Integer blend);
void CopyChannel32(TBitmap* dstBmp, TBitmap* srcBmp, Integer channel);
void CopyChannel(TBitmap* bmp32, TBitmap* bmp8, Integer channel, bool from32To8);

// ---- 4. The glyph reflection --------------------------------------------------------------------

// The fading mirror image of srcRect below dstTopLeft: rows from the source's bottom upwards,
// weights falling to 0, key pixels (transColor, a colour value: red and blue are exchanged
// before comparing) left out; alpha stays. Nothing when fewer than two rows fit.
void DrawGlyphReflection(const TPixelView& dst, const TPixelView& src, TPoint dstTopLeft, TRect srcRect,
                         TColor transColor, Integer blendValue);
void DrawGlyphReflection(TBitmap* dstBmp, TBitmap* srcBmp, const TPoint& dstTopLeft, const TRect& srcRect,
                         TColor transColor, Integer blendValue);
