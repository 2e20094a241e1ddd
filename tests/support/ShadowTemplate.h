// A shadow template for the outer border tests whose every pixel tells where it came from:
// premultiplied alpha 0xC0, its x and y (times 4) in the red and green bytes, a tone of the
// test's choice in the blue byte.
#pragma once

#include <cstdint>
#include <memory>

#include "ui/Bitmap.h"

namespace shadowtpl {

inline uint32_t Pixel(Integer x, Integer y, uint32_t tone) {
  return 0xC0000000u | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | tone;
}

inline std::unique_ptr<TBitmap> Make(Integer size, uint32_t tone) {
  auto bmp = std::make_unique<TBitmap>(size, size, pf32bit);
  TPixelView v = bmp->View();
  for (Integer y = 0; y < size; ++y)
    for (Integer x = 0; x < size; ++x) v.At(x, y) = Pixel(x, y, tone);
  return bmp;
}

}  // namespace shadowtpl
