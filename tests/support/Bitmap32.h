// 32-bit bitmap fixtures for the raster and paint tests: owned working bitmaps filled with one
// colour or one pixel value, and pixel reads (on Windows the bitmap waits for GDI's batched
// drawing itself).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/Blend.h"
#include "support/Pixels.h"

using Bmp = std::unique_ptr<TBitmap>;

// w x h, every pixel color at alpha.
inline Bmp Filled(Integer w, Integer h, TColor color, Byte alpha) {
  Bmp b(CreateBmp32(w, h));
  FillRect32(b.get(), TRect(0, 0, w, h), color, alpha);
  return b;
}

// w x h, every pixel exactly `pixel` (any alpha, no premultiplying).
inline Bmp Filled(Integer w, Integer h, uint32_t pixel) {
  Bmp b(CreateBmp32(w, h));
  const TPixelView v = b->View();
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) v.At(x, y) = pixel;
  return b;
}

inline uint32_t Px(TBitmap* b, Integer x, Integer y) { return GetAPixel(b, x, y); }

// w x h of pseudo-random pixel values (any alpha) from seed.
inline Bmp RandomBitmap(Integer w, Integer h, uint32_t seed) {
  Bmp b(CreateBmp32(w, h));
  TestRandom rnd(seed);
  const TPixelView v = b->View();
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) v.At(x, y) = rnd.Next();
  return b;
}

// A copy source whose pixels name their place: blue = x, green = y, red 100.
inline Bmp CoordinatePicture(Integer w, Integer h) {
  Bmp b(CreateBmp32(w, h));
  const TPixelView v = b->View();
  for (Integer y = 0; y < h; ++y)
    for (Integer x = 0; x < w; ++x) v.At(x, y) = MakePix(x, y, 100, 255);
  return b;
}
// The place of a CoordinatePicture a target pixel was copied from; (-1, -1) when it was not
// copied (red not 100).
inline TPoint CopiedFrom(TBitmap* b, Integer x, Integer y) {
  const uint32_t p = GetAPixel(b, x, y);
  return PixR(p) == 100 ? TPoint(PixB(p), PixG(p)) : TPoint(-1, -1);
}

// Every pixel of a 32-bit bitmap, row by row.
inline std::vector<uint32_t> PixelsOf(TBitmap* b) {
  std::vector<uint32_t> out;
  for (Integer y = 0; y < b->Height(); ++y)
    for (Integer x = 0; x < b->Width(); ++x) out.push_back(GetAPixel(b, x, y));
  return out;
}
