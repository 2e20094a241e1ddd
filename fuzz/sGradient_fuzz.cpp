// Parses arbitrary bytes as a skin's gradient string and paints the result the ways the item
// painters do. A skin's text must end in a (possibly empty) gradient, never in an exception or
// a read or write outside the bitmaps.
//
// Input: byte 0 picks the painted rectangle and texture rectangle, the rest is the string
// (UTF-8).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "raster/sGradient.h"
#include "ui/SysUtils.h"

namespace {
struct Pixels {
  uint32_t mem[24 * 16] = {};
  TPixelView View() { return {reinterpret_cast<Byte*>(mem), 24 * 4, 24, 16}; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t pick = data[0];
  const String text = Utf8ToString(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  TsGradArray points;
  PrepareGradArray(text, points);
  for (size_t i = 0; i < points.size(); ++i) {
    const size_t index = points[i].Index;
    const int percent = points[i].Percent;
    if (index > i || percent > 100) __builtin_trap();  // padded copies keep their own index
  }
  if (!points.empty() && points.back().Percent != 100) __builtin_trap();

  Pixels target, texture;
  const Integer o = static_cast<Integer>(pick & 15) - 8;
  const TRect r{o, o / 2, 24 - o, 16 + o};
  PaintGrad(target.View(), r, points, o, nullptr);
  const TRect texRect = (pick & 16) ? TRect{} : TRect{o, -o, 24 + o, 3 - o};
  PaintGradTxt(target.View(), r, points, texture.View(), texRect, pick, static_cast<Byte>(~pick));
  return 0;
}
