// What a PNG reader must show for each pixel, worked out from the file's samples (as an
// encoder wrote them or a reference decoder read them) by the reader's documented mapping:
// depths widened or narrowed to the bitmap's (16-bit samples as v x 255 div 65535, low depths
// by the grey ramp), the palette, and the gAMA table for a 2.2 display.
#pragma once

#include <array>
#include <functional>

#include "support/PngWriter.h"
#include "ui/Bitmap.h"

namespace testpng {

struct Reference {
  uint32_t width = 0, height = 0;
  Byte bitDepth = 8, colorType = 6;
  std::function<uint16_t(uint32_t x, uint32_t y, int channel)> sample;
  Bytes palette;      // R, G, B triples of an indexed image
  uint32_t gAMA = 0;  // the file's gAMA value; 0 for none

  static Reference Of(const Image& image, const Bytes& palette = {}, uint32_t gAMA = 0);
};

// The 8-bit table of a file gamma gAMA / 100000 shown on a display of gamma 2.2: entry i is
// (i / 255)^(1 / (file gamma x 2.2)) x 255, nearest, halves to even.
std::array<Byte, 256> GammaTable(uint32_t gAMA);

// The colour pixel (x, y) must show (red in byte 0).
TColor ExpectedColor(const Reference& ref, uint32_t x, uint32_t y);
// The straight alpha of pixel (x, y) of an RGBA image.
Byte ExpectedAlpha(const Reference& ref, uint32_t x, uint32_t y);

// Compares every pixel of a decoded bitmap with the reference; returns an empty text when all
// agree, else where the first few differ.
std::string CompareWithReference(const TBitmap& bmp, const Reference& ref);

}  // namespace testpng
