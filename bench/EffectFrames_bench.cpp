// The pixel work of one frame of each button effect, natively, beside a plain copy of the
// button's picture (the least a frame does) as the yardstick, in one run: the fade's blend, the
// fill light's mask and blends, the ripple's stretch into fresh pictures, and the ripple's frame
// as it is drawn now, in kept memory (its GDI+ blur and every window call are left to
// Effects_bench.win.cpp under Wine), for buttons of 100 x 30 and 300 x 40.
// Run: build/bench/bench/EffectFrames_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "controls/kvAnimation.h"
#include "raster/Blend.h"
#include "raster/Pixels.h"
#include "raster/Resampling.h"
#include "raster/sGradient.h"

namespace {

double UsPerCall(int calls, const std::function<void()>& body) {
  double best = 1e300;
  for (int run = 0; run < 7; ++run) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) body();
    const std::chrono::duration<double, std::micro> t = std::chrono::steady_clock::now() - t0;
    best = std::min(best, t.count() / calls);
  }
  return best;
}

struct Picture {
  std::vector<uint32_t> pixels;
  TPixelView view;
  Picture(Integer w, Integer h, uint32_t fill) : pixels(size_t(w) * size_t(h), fill) {
    view.Line0 = reinterpret_cast<Byte*>(pixels.data());
    view.Delta = w * 4;
    view.Width = w;
    view.Height = h;
  }
};

void Report(const char* what, Integer w, Integer h, double us, double yardstick) {
  char name[64];
  std::snprintf(name, sizeof name, "%s %d x %d", what, w, h);
  std::printf("%-34s %9.2f us   copy %7.2f us   ratio %7.2f\n", name, us, yardstick, us / yardstick);
}

}  // namespace

int main() {
  for (const TSize size : {TSize(100, 30), TSize(300, 40)}) {
    const Integer w = size.cx, h = size.cy;
    Picture from(w, h, 0xFF0000C0u), to(w, h, 0xFF00C000u), out(w, h, 0);
    const double copy =
        UsPerCall(2000, [&] { std::memcpy(out.pixels.data(), from.pixels.data(), from.pixels.size() * 4); });

    // A fade frame: the picture at the start, blended towards the new look by the step's weight.
    TkvThreadedTimer timer(nullptr);
    const double fade = UsPerCall(2000, [&] {
      timer.State = 1;
      timer.Glow = 85;
      timer.GlowStep = 42.5;
      timer.Iteration = 2;
      timer.Iterations = 6;
      std::memcpy(out.pixels.data(), from.pixels.data(), from.pixels.size() * 4);
      const TkvFadeStep step = kvFadeStep(timer);
      SumBmpRect(out.view, to.view, Byte(step.Weight), TRect(0, 0, w, h), TPoint(0, 0));
    });
    Report("fade frame", w, h, fade, copy);

    // A fill-light frame half-way through the release: the light mask made and painted at the
    // press point, then the frame blended towards the new look.
    const TkvFillLightSizes sizes = kvFillLightSizes(w, h);
    const double fill = UsPerCall(200, [&] {
      const TkvFillLightFrame f = kvFillLightStep(sizes, (sizes.MinSize + sizes.MaxSize) / 2.0, false, false, false);
      std::memcpy(out.pixels.data(), to.pixels.data(), to.pixels.size() * 4);
      const TSize ms = ShadowSize(f.Size / 2, 0, 0, 0);
      Picture mask(ms.cx, ms.cy, 0);
      MakeShadowView(mask.view, TColor(0x66FFFFFF), f.Size / 2, 0, 0, 0, f.Blur, false);
      PaintBmpRect32(out.view, mask.view, TRect(0, 0, ms.cx, ms.cy), TPoint(w / 2 - ms.cx / 2, h / 2 - ms.cy / 2),
                     Byte(f.IntState / 2));
      SumBitmaps(out.view, from.view, Byte(f.Fade));
    });
    Report("fill-light frame", w, h, fill, copy);

    // A ripple frame half-way: the last picture stretched two pixels larger into a cleared one.
    const TSize previous = TSize(w + 7 * 8, h + 7 * 8);
    Picture last(previous.cx, previous.cy, 0xFF0000C0u);
    const double ripple = UsPerCall(200, [&] {
      const TSize grown(previous.cx + kvRippleAddSize, previous.cy + kvRippleAddSize);
      Picture stretched(grown.cx, grown.cy, 0);
      StretchView(last.view, stretched.view, ftMitchell);
      const TSize next = kvRippleNextSize(previous, cm1);
      Picture frame(next.cx, next.cy, 0);
      CopyPixels(frame.view, 1, 1, stretched.view, TRect(0, 0, grown.cx, grown.cy));
    });
    Report("ripple frame (no blur)", w, h, ripple, copy);

    // The same frame as the ripple draws it now: stretched into its place in a picture kept
    // from frame to frame, with the resampler's memory kept too, and the band around it cleared.
    const TSize next = kvRippleNextSize(previous, cm1);
    Picture frame(next.cx, next.cy, 0);
    TStretchScratch stretchScratch;
    const double kept = UsPerCall(200, [&] {
      const TPixelView place{reinterpret_cast<Byte*>(frame.view.Row(1) + 1), frame.view.Delta,
                             previous.cx + kvRippleAddSize, previous.cy + kvRippleAddSize};
      StretchView(last.view, place, ftMitchell, stretchScratch);
      FillRect32(frame.view, TRect(0, 0, next.cx, 1), 0, 0);
      FillRect32(frame.view, TRect(0, 1, 1, next.cy), 0, 0);
      FillRect32(frame.view, TRect(1 + place.Width, 1, next.cx, next.cy), 0, 0);
      FillRect32(frame.view, TRect(1, 1 + place.Height, 1 + place.Width, next.cy), 0, 0);
    });
    Report("ripple frame (kept memory, no blur)", w, h, kept, copy);
  }
  return 0;
}
