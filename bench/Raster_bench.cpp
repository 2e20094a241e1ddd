// The raster core side by side with pixman on the same pixels.
//
//   Blend/<w>/<h>/<t>   a picture with alpha over a bitmap: CopyBmp32 (straight alpha, the
//                       engine's exact mixing rule) against pixman OVER (premultiplied);
//                       t = 0 icon-like pictures, t = 1 every pixel translucent
//   Fade/<w>x<h>        a constant-alpha step of a cross-fade: SumBitmaps against pixman OVER
//                       of an opaque picture through a solid mask
//   NinePart/...        a skinned button (75 x 25) and a form frame (673 x 428) from an alpha
//                       frame image: DrawNinePart against nine pixman OVER composites (tiled
//                       sides and centre by repeat); the masked-image form of the engine alone
//   Mitchell/...        resampling 400 x 300 to twice and half the size: Stretch with the
//                       Mitchell filter against pixman's separable cubic (B = C = 1/3) filter
//   Blur/400x300        a one-byte mask blurred with a 5-tap box: Blur8 against pixman's
//                       separable convolution of the same box
//
// Each benchmark reports pixels per second of the destination ("px/s"); compare the engine's
// line with pixman's of the same name.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/MaskImages.h"
#include "raster/Pixels.h"
#include "raster/Resampling.h"

namespace {

struct Buffer {
  std::vector<uint32_t> mem;
  int w, h;
  Buffer(int w_, int h_) : mem(size_t(w_) * h_), w(w_), h(h_) {}
  TPixelView View() { return {reinterpret_cast<Byte*>(mem.data()), w * 4, w, h}; }
  pixman_image_t* Pixman(pixman_format_code_t f = PIXMAN_a8r8g8b8) {
    return pixman_image_create_bits(f, w, h, mem.data(), w * 4);
  }
};

// Icon-like pictures: 24 x 24 anti-aliased discs, opaque inside, transparent outside, partly
// transparent at the rim. Colours never exceed alpha, so the same bytes are valid both as
// straight and as premultiplied pixels.
void FillIcons(Buffer& b) {
  for (int y = 0; y < b.h; ++y)
    for (int x = 0; x < b.w; ++x) {
      const double dx = x % 24 - 11.5, dy = y % 24 - 11.5;
      const double cover = std::clamp(10.5 - std::sqrt(dx * dx + dy * dy), 0.0, 1.0);
      const uint32_t a = static_cast<uint32_t>(cover * 255 + 0.5);
      const uint32_t c = (a * ((x * 7 + y * 3) & 0xFF)) / 255;
      b.mem[size_t(y) * b.w + x] = MakePix(c, (c * 3) / 4, c / 2, a);
    }
}

void FillOpaque(Buffer& b, uint32_t seed) {
  for (auto& p : b.mem) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    p = seed | 0xFF000000u;
  }
}

// Every pixel partly transparent (alpha 1..254): no block can be skipped or copied.
void FillTranslucent(Buffer& b) {
  uint32_t seed = 11;
  for (auto& p : b.mem) {
    seed ^= seed << 13;
    seed ^= seed >> 17;
    seed ^= seed << 5;
    const uint32_t a = 1 + (seed >> 24) % 254, c = ((seed & 0xFF) * a) / 255;
    p = MakePix(c, (c * 3) / 4, c / 2, a);
  }
}

void SetRate(benchmark::State& state, int64_t pixelsPerIteration) {
  state.counters["px/s"] = benchmark::Counter(double(pixelsPerIteration), benchmark::Counter::kIsIterationInvariantRate);
}

// ---- blend ------------------------------------------------------------------------------------

// The picture the case's third argument asks for (see BlendSizes) over an opaque destination.
void FillBlendInputs(const benchmark::State& state, Buffer& src, Buffer& dst) {
  if (state.range(2))
    FillTranslucent(src);
  else
    FillIcons(src);
  FillOpaque(dst, 7);
}

void BM_Blend_Engine(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  Buffer src(w, h), dst(w, h);
  FillBlendInputs(state, src, dst);
  const TPixelView s = src.View(), d = dst.View();
  for (auto _ : state) {
    CopyBmp32({0, 0, w, h}, {0, 0, w, h}, d, s, TBackdrop{}, false, clNone, 0, false);
    benchmark::DoNotOptimize(dst.mem.data());
  }
  SetRate(state, int64_t(w) * h);
}

void BM_Blend_Pixman(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  Buffer src(w, h), dst(w, h);
  FillBlendInputs(state, src, dst);
  pixman_image_t *s = src.Pixman(), *d = dst.Pixman();
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, w, h);
    benchmark::DoNotOptimize(dst.mem.data());
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  SetRate(state, int64_t(w) * h);
}

// Third argument: 0 icon-like pictures (opaque, transparent, anti-aliased rims), 1 every
// pixel translucent (the worst case for both).
void BlendSizes(benchmark::internal::Benchmark* b) {
  for (int translucent : {0, 1})
    b->Args({24, 24, translucent})->Args({100, 30, translucent})->Args({800, 600, translucent})->Args({1920, 1080, translucent});
}
BENCHMARK(BM_Blend_Engine)->Apply(BlendSizes);
BENCHMARK(BM_Blend_Pixman)->Apply(BlendSizes);

// ---- fade --------------------------------------------------------------------------------------

// Two different opaque pictures, faded into each other at half.
void FillFadeInputs(Buffer& from, Buffer& to) {
  FillOpaque(from, 3);
  FillOpaque(to, 5);
}

void BM_Fade_Engine(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  Buffer from(w, h), to(w, h);
  FillFadeInputs(from, to);
  const TPixelView f = from.View(), t = to.View();
  for (auto _ : state) {
    SumBitmaps(f, t, 128);
    benchmark::DoNotOptimize(from.mem.data());
  }
  SetRate(state, int64_t(w) * h);
}

void BM_Fade_Pixman(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  Buffer from(w, h), to(w, h);
  FillFadeInputs(from, to);
  pixman_image_t *d = from.Pixman(), *s = to.Pixman(PIXMAN_x8r8g8b8);
  const pixman_color_t half{0, 0, 0, 0x8080};
  pixman_image_t* mask = pixman_image_create_solid_fill(&half);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, s, mask, d, 0, 0, 0, 0, 0, 0, w, h);
    benchmark::DoNotOptimize(from.mem.data());
  }
  pixman_image_unref(mask);
  pixman_image_unref(s);
  pixman_image_unref(d);
  SetRate(state, int64_t(w) * h);
}

void FadeSizes(benchmark::internal::Benchmark* b) { b->Args({100, 30})->Args({800, 600})->Args({1920, 1080}); }
BENCHMARK(BM_Fade_Engine)->Apply(FadeSizes);
BENCHMARK(BM_Fade_Pixman)->Apply(FadeSizes);

// ---- nine-part render ----------------------------------------------------------------------------

// A frame image of 3 states, w x h each, margins m: an alpha image (anti-aliased rounded
// rim, translucent body), or the same picture with a mask half below.
struct FrameImage {
  Buffer pixels;
  TMaskImage img;
  FrameImage(int w, int h, int m, bool masked) : pixels(3 * w, masked ? 2 * h : h) {
    for (int s = 0; s < 3; ++s)
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const int edge = std::min({x, y, w - 1 - x, h - 1 - y});
          const uint32_t a = edge == 0 ? 90 : edge == 1 ? 200 : 235;
          const uint32_t c = (a * uint32_t(120 + 40 * s + y)) / 255;
          pixels.mem[size_t(y) * pixels.w + s * w + x] = MakePix(c, c, std::min(c + 10, a), a);
          if (masked) {
            const uint32_t g = 255 - a;
            pixels.mem[size_t(h + y) * pixels.w + s * w + x] = MakePix(g, g, g, 255);
          }
        }
    img.Src = pixels.View();
    img.R = {0, 0, 3 * w, pixels.h};
    img.ImageCount = 3;
    img.MaskType = masked ? 1 : 0;
    img.DrawMode = BDM_FILL | (masked ? 0 : BDM_ALPHA);
    img.WL = img.WT = img.WR = img.WB = m;
    img.Width = w;
    img.Height = h;
  }
  // The frame for a w-wide target: a button's (75) or a form's.
  static FrameImage ForTarget(int w, bool masked) {
    return w == 75 ? FrameImage(40, 22, 6, masked) : FrameImage(120, 90, 12, masked);
  }
};

void BM_NinePart_Engine(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const bool masked = state.range(2) != 0;
  const FrameImage frame = FrameImage::ForTarget(w, masked);
  Buffer dst(w, h);
  FillOpaque(dst, 9);
  TNinePartRequest req;
  req.Rect = {0, 0, w, h};
  req.State = 1;
  const TPixelView d = dst.View();
  for (auto _ : state) {
    DrawNinePart(d, req, TBackdrop{}, frame.img);
    benchmark::DoNotOptimize(dst.mem.data());
  }
  SetRate(state, int64_t(w) * h);
}

void BM_NinePart_Pixman(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  FrameImage frame = FrameImage::ForTarget(w, false);
  const TMaskImage& img = frame.img;
  Buffer dst(w, h);
  FillOpaque(dst, 9);
  pixman_image_t* d = dst.Pixman();
  // The nine parts of state 1 as images on the frame's memory; sides and centre repeat.
  struct Part { pixman_image_t* image; int dx, dy, dw, dh; };
  std::vector<Part> parts;
  const int m = img.WL, fw = img.Width, fh = img.Height, ox = img.Width, cw = fw - 2 * m, ch = fh - 2 * m;
  auto part = [&](int sx, int sy, int sw, int sh, int dx, int dy, int dw, int dh) {
    uint32_t* base = frame.pixels.mem.data() + size_t(sy) * frame.pixels.w + ox + sx;
    pixman_image_t* im = pixman_image_create_bits(PIXMAN_a8r8g8b8, sw, sh, base, frame.pixels.w * 4);
    pixman_image_set_repeat(im, PIXMAN_REPEAT_NORMAL);
    parts.push_back({im, dx, dy, dw, dh});
  };
  part(0, 0, m, m, 0, 0, m, m);
  part(0, m, m, ch, 0, m, m, h - 2 * m);
  part(m, 0, cw, m, m, 0, w - 2 * m, m);
  part(0, fh - m, m, m, 0, h - m, m, m);
  part(m, fh - m, cw, m, m, h - m, w - 2 * m, m);
  part(fw - m, fh - m, m, m, w - m, h - m, m, m);
  part(fw - m, 0, m, m, w - m, 0, m, m);
  part(fw - m, m, m, ch, w - m, m, m, h - 2 * m);
  part(m, m, cw, ch, m, m, w - 2 * m, h - 2 * m);
  for (auto _ : state) {
    for (const Part& p : parts) pixman_image_composite32(PIXMAN_OP_OVER, p.image, nullptr, d, 0, 0, 0, 0, p.dx, p.dy, p.dw, p.dh);
    benchmark::DoNotOptimize(dst.mem.data());
  }
  for (const Part& p : parts) pixman_image_unref(p.image);
  pixman_image_unref(d);
  SetRate(state, int64_t(w) * h);
}

BENCHMARK(BM_NinePart_Engine)->Args({75, 25, 0})->Args({673, 428, 0})->Args({75, 25, 1})->Args({673, 428, 1});
BENCHMARK(BM_NinePart_Pixman)->Args({75, 25, 0})->Args({673, 428, 0});

// ---- Mitchell resampling -------------------------------------------------------------------------

void BM_Mitchell_Engine(benchmark::State& state) {
  const int dw = static_cast<int>(state.range(0)), dh = static_cast<int>(state.range(1));
  Buffer src(400, 300), dst(dw, dh);
  FillIcons(src);
  const TPixelView s = src.View(), d = dst.View();
  for (auto _ : state) {
    StretchView(s, d, ftMitchell);
    benchmark::DoNotOptimize(dst.mem.data());
  }
  SetRate(state, int64_t(dw) * dh);
}

void BM_Mitchell_Pixman(benchmark::State& state) {
  const int dw = static_cast<int>(state.range(0)), dh = static_cast<int>(state.range(1));
  Buffer src(400, 300), dst(dw, dh);
  FillIcons(src);
  pixman_image_t *s = src.Pixman(), *d = dst.Pixman();
  pixman_transform_t t;
  const double sx = 400.0 / dw, sy = 300.0 / dh;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(sx), pixman_double_to_fixed(sy));
  pixman_image_set_transform(s, &t);
  pixman_image_set_repeat(s, PIXMAN_REPEAT_PAD);
  int n = 0;
  pixman_fixed_t* params = pixman_filter_create_separable_convolution(
      &n, pixman_double_to_fixed(sx > 1 ? sx : 1), pixman_double_to_fixed(sy > 1 ? sy : 1), PIXMAN_KERNEL_IMPULSE,
      PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_CUBIC, PIXMAN_KERNEL_CUBIC, 4, 4);
  pixman_image_set_filter(s, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, n);
  free(params);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, dw, dh);
    benchmark::DoNotOptimize(dst.mem.data());
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  SetRate(state, int64_t(dw) * dh);
}

BENCHMARK(BM_Mitchell_Engine)->Args({800, 600})->Args({200, 150});
BENCHMARK(BM_Mitchell_Pixman)->Args({800, 600})->Args({200, 150});

// ---- blur -------------------------------------------------------------------------------------------

std::vector<Byte> GlyphMask(int w, int h) {
  std::vector<Byte> m(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) m[size_t(y) * w + x] = ((x / 7 + y / 9) % 3 == 0) ? 255 : 0;
  return m;
}

void BM_Blur_Engine(benchmark::State& state) {
  const int w = 400, h = 300;
  const std::vector<Byte> mask = GlyphMask(w, h);
  std::vector<Byte> work(mask);
  for (auto _ : state) {
    state.PauseTiming();
    work = mask;
    state.ResumeTiming();
    Blur8(TBytePixelView{work.data(), w, w, h}, 3.0);  // 5 taps
    benchmark::DoNotOptimize(work.data());
  }
  SetRate(state, int64_t(w) * h);
}

void BM_Blur_Pixman(benchmark::State& state) {
  const int w = 400, h = 300;
  std::vector<Byte> mask = GlyphMask(w, h), out(mask.size());
  pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8, w, h, reinterpret_cast<uint32_t*>(mask.data()), w);
  pixman_image_t* d = pixman_image_create_bits(PIXMAN_a8, w, h, reinterpret_cast<uint32_t*>(out.data()), w);
  pixman_image_set_repeat(s, PIXMAN_REPEAT_PAD);
  // Separable 5-tap box, one phase: width, height, subsample bits, then the weights.
  std::vector<pixman_fixed_t> params{pixman_int_to_fixed(5), pixman_int_to_fixed(5), 0, 0};
  for (int i = 0; i < 10; ++i) params.push_back(pixman_double_to_fixed(1.0 / 5));
  pixman_image_set_filter(s, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params.data(), static_cast<int>(params.size()));
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, w, h);
    benchmark::DoNotOptimize(out.data());
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
  SetRate(state, int64_t(w) * h);
}

BENCHMARK(BM_Blur_Engine);
BENCHMARK(BM_Blur_Pixman);

}  // namespace

BENCHMARK_MAIN();
