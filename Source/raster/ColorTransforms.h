// Colour transforms of colour values, single pixels and whole 32-bit bitmaps: brightness,
// saturation, hue, tone, grey.
#pragma once

#include "raster/Pixels.h"

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
