#include "support/PngExpect.h"

#include <cmath>
#include <cstdio>

namespace testpng {

Reference Reference::Of(const Image& image, const Bytes& palette, uint32_t gAMA) {
  Reference r;
  r.width = image.width;
  r.height = image.height;
  r.bitDepth = image.bitDepth;
  r.colorType = image.colorType;
  r.sample = [&image](uint32_t x, uint32_t y, int c) { return image.Sample(x, y, c); };
  r.palette = palette;
  r.gAMA = gAMA;
  return r;
}

std::array<Byte, 256> GammaTable(uint32_t gAMA) {
  std::array<Byte, 256> t{};
  const float fileGamma = static_cast<float>(gAMA / 100000.0);
  const double exponent = 1.0 / (double(fileGamma > 0 ? fileGamma : 1.0f) * double(2.2f));
  for (int i = 0; i < 256; ++i) t[i] = static_cast<Byte>(std::nearbyint(std::pow(i / 255.0, exponent) * 255));
  return t;
}

namespace {

Byte Narrow16(uint16_t v) { return static_cast<Byte>(uint32_t(v) * 255 / 65535); }

// The grey level a sample of the given depth shows through the grey ramp.
Byte GreyLevel(uint16_t s, int depth) {
  if (depth == 16) return Narrow16(s);
  const int targetBits = depth == 1 ? 1 : depth <= 4 ? 4 : 8;
  const uint32_t targetTop = (1u << targetBits) - 1, sourceTop = (1u << depth) - 1;
  const uint32_t stored = s * targetTop / sourceTop;
  return static_cast<Byte>(stored * (255 / targetTop));
}

}  // namespace

TColor ExpectedColor(const Reference& ref, uint32_t x, uint32_t y) {
  // The table of the last gamma asked for is kept: one per image, not one per pixel.
  static thread_local uint32_t cachedGamma = 0;
  static thread_local std::array<Byte, 256> gamma = GammaTable(0);
  if (cachedGamma != ref.gAMA) gamma = GammaTable(ref.gAMA), cachedGamma = ref.gAMA;
  auto g = [&](Byte v) { return ref.gAMA ? gamma[v] : v; };
  switch (ref.colorType) {
    case 0:
    case 4: {
      const Byte level = g(GreyLevel(ref.sample(x, y, 0), ref.bitDepth));
      return level * 0x010101u;
    }
    case 2:
    case 6: {
      auto channel = [&](int c) -> uint32_t {
        const uint16_t s = ref.sample(x, y, c);
        return g(ref.bitDepth == 16 ? Narrow16(s) : static_cast<Byte>(s));
      };
      return channel(0) | channel(1) << 8 | channel(2) << 16;
    }
    case 3: {
      const size_t i = ref.sample(x, y, 0);
      if (3 * i + 3 > ref.palette.size()) return 0;  // no entry: black
      return uint32_t(g(ref.palette[3 * i])) | uint32_t(g(ref.palette[3 * i + 1])) << 8 |
             uint32_t(g(ref.palette[3 * i + 2])) << 16;
    }
    default: return 0;
  }
}

Byte ExpectedAlpha(const Reference& ref, uint32_t x, uint32_t y) {
  const uint16_t s = ref.sample(x, y, 3);
  return ref.bitDepth == 16 ? Narrow16(s) : static_cast<Byte>(s);
}

std::string CompareWithReference(const TBitmap& bmp, const Reference& ref) {
  std::string report;
  int differences = 0;
  if (uint32_t(bmp.Width()) != ref.width || uint32_t(bmp.Height()) != ref.height) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "size %dx%d, expected %ux%u", bmp.Width(), bmp.Height(), ref.width, ref.height);
    return buf;
  }
  for (uint32_t y = 0; y < ref.height; ++y)
    for (uint32_t x = 0; x < ref.width; ++x) {
      const TColor got = bmp.PixelColor(static_cast<Integer>(x), static_cast<Integer>(y)) & 0xFFFFFF;
      const TColor want = ExpectedColor(ref, x, y);
      int gotAlpha = -1, wantAlpha = -1;
      if (ref.colorType == 6 && bmp.PixelFormat() == pf32bit) {
        gotAlpha = static_cast<const Byte*>(bmp.ScanLine(static_cast<Integer>(y)))[4 * x + 3];
        wantAlpha = ExpectedAlpha(ref, x, y);
      }
      if (got != want || gotAlpha != wantAlpha) {
        if (++differences <= 5) {
          char buf[160];
          std::snprintf(buf, sizeof buf, "(%u,%u): got %06X/%d, expected %06X/%d; ", x, y, got, gotAlpha, want,
                        wantAlpha);
          report += buf;
        }
      }
    }
  if (differences > 5) report += std::to_string(differences) + " pixels differ";
  return report;
}

}  // namespace testpng
