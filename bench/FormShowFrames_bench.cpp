// The pixel work of one frame of the show animation of a 673 x 428 form (the main window's size):
// the fade's only drawn frame (the picture copied into the frame buffer) and a zoom frame (the
// buffer cleared and the picture stretched into its inset), beside a plain memcpy of the same
// pixels as the yardstick. The layered-window update of each frame is measured under Wine by
// FormShowAnimation_bench.win.cpp.
//   cmake --preset bench && cmake --build --preset bench -j2 --target FormShowFrames_bench
//   build/bench/bench/FormShowFrames_bench
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "controls/kvAnimationShow.h"

namespace {

constexpr Integer kWidth = 673, kHeight = 428;

struct Frames {
  Frames() : picture(size_t(kWidth) * kHeight), buffer(size_t(kWidth) * kHeight) {
    for (Integer y = 0; y < kHeight; ++y)
      for (Integer x = 0; x < kWidth; ++x)
        picture[size_t(y * kWidth + x)] = 0xFF000000u | uint32_t(x * 0x10101 + y * 0x100);
  }
  TPixelView View(std::vector<uint32_t>& v) { return {reinterpret_cast<Byte*>(v.data()), kWidth * 4, kWidth, kHeight}; }
  std::vector<uint32_t> picture, buffer;
};

void BM_CopyYardstick(benchmark::State& state) {
  Frames f;
  for (auto _ : state) {
    std::memcpy(f.buffer.data(), f.picture.data(), f.picture.size() * 4);
    benchmark::DoNotOptimize(f.buffer.data());
  }
}
BENCHMARK(BM_CopyYardstick);

void BM_FadeFirstFrame(benchmark::State& state) {
  Frames f;
  const std::vector<TkvFormShowFrame> frames = FormShowFrames(atcFade, kWidth, kHeight, 240, 255);
  for (auto _ : state) {
    DrawFormShowFrame(f.View(f.buffer), f.View(f.picture), frames.front());
    benchmark::DoNotOptimize(f.buffer.data());
  }
}
BENCHMARK(BM_FadeFirstFrame);

void BM_ZoomFrame(benchmark::State& state) {
  Frames f;
  const std::vector<TkvFormShowFrame> frames = FormShowFrames(atcAero, kWidth, kHeight, 240, 255);
  size_t i = 0;
  for (auto _ : state) {
    // The inset frames only: the last one is a plain copy.
    DrawFormShowFrame(f.View(f.buffer), f.View(f.picture), frames[i++ % (frames.size() - 1)]);
    benchmark::DoNotOptimize(f.buffer.data());
  }
}
BENCHMARK(BM_ZoomFrame);

}  // namespace

BENCHMARK_MAIN();
