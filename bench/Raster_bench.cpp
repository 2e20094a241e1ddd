// The raster kernels side by side with a comparison, on the same pixels, each case checked
// before it is timed.
//
// The comparison is pixman in the native build (bench preset), and the engine's own scalar path
// (TPixelPath::Scalar) in the Windows build, where pixman is not available; the native table
// shows the scalar path too. The Windows build runs under Wine and shows what the SSE2 loops
// of the real i686 program gain over the scalar rule.
//
//   blend WxH icons|translucent   a picture with alpha over an opaque bitmap: CopyBmp32 (straight
//                                 alpha, the engine's mixing rule) against pixman OVER
//                                 (premultiplied); icons are 24 x 24 anti-aliased discs (opaque,
//                                 transparent and rims), translucent has every alpha in 1..254;
//                                 inset: one picture of a strip onto the middle of a larger
//                                 bitmap (rows not back to back), else the whole of both
//   fade WxH                      one step of a cross-fade at half: SumBitmaps against pixman OVER
//                                 of an opaque picture through a solid mask of 0x80
//   nine-part WxH alpha|masked    a button (75 x 25) and a form frame (673 x 428) from a 3-state
//                                 frame image with tiled sides and centre: DrawNinePart against
//                                 nine pixman OVER composites (sides and centre by repeat); the
//                                 masked image against the scalar path only
//   Mitchell 400x300 to WxH       Stretch with the Mitchell filter against pixman's separable
//                                 cubic (B = C = 1/3), sampling the same positions
//   blur 400x300                  a one-byte glyph mask, 5-tap box: Blur8 against pixman's
//                                 separable convolution with the same box
//
// Checks, before any timing (a failed check prints the case and ends the run with exit code 1):
//   blend        both paths equal, byte for byte, to the mixing rule written out here
//   fade         both paths equal to the mixing rule; natively within 1 of pixman in every byte
//   nine-part    the vector path equal, byte for byte, to the scalar path
//   Mitchell     the vector path equal to the scalar path, and within 10 of pixman
//                (kMitchellTolerance says why) in every byte of every pixel whose filter stays
//                inside the picture (at the edges the engine mirrors, pixman pads)
//   blur         equal to its rule run row by row and column by column (BlurRow8); natively
//                within 1 of pixman in every byte
//
// Timing: each side runs batches of calls at least --batch-ms long, one batch of each side a
// round, back to back (--reps rounds, at least 5). A side's time is its median time per call;
// a ratio is the median over the rounds of the engine's time to the other side's, so that a
// change of the machine's speed between rounds cancels. Pin the run to one CPU for steady
// figures (README.md, Benchmarks).
//
// Options: --filter=TEXT (cases whose name contains TEXT), --reps=N (default 31),
// --batch-ms=M (default 1).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef TW_BENCH_PIXMAN
#include <pixman.h>
#endif

#include "raster/Blend.h"
#include "raster/MaskImages.h"
#include "raster/Pixels.h"
#include "raster/Resampling.h"

namespace {

// Largest difference of any byte between the Mitchell pictures of the engine and of pixman.
// The engine rounds its horizontal pass down to bytes and clamps its ringing to 0..255 before
// the vertical pass; pixman filters both ways in one sum and rounds once (and places its
// samples on the centre of one of 256 phases a pixel, within 1/512 pixel of the engine's
// positions). At the sharp steps of the test picture that reaches 9 when enlarging (2 when
// shrinking); sampled without the half-pixel offset the pictures differ by 86.
constexpr int kMitchellTolerance = 10;

// ---- pictures ------------------------------------------------------------------------------

struct Buffer {
  std::vector<uint32_t> mem;
  int w, h;
  Buffer(int w_, int h_) : mem(size_t(w_) * h_), w(w_), h(h_) {}
  TPixelView View() { return {reinterpret_cast<Byte*>(mem.data()), w * 4, w, h}; }
#ifdef TW_BENCH_PIXMAN
  pixman_image_t* Pixman(pixman_format_code_t f = PIXMAN_a8r8g8b8) {
    return pixman_image_create_bits(f, w, h, mem.data(), w * 4);
  }
#endif
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

uint32_t NextRandom(uint32_t& seed) {
  seed ^= seed << 13;
  seed ^= seed >> 17;
  seed ^= seed << 5;
  return seed;
}

void FillOpaque(Buffer& b, uint32_t seed) {
  for (auto& p : b.mem) p = NextRandom(seed) | 0xFF000000u;
}

// Every pixel partly transparent (alpha 1..254): no block can be skipped or copied.
void FillTranslucent(Buffer& b) {
  uint32_t seed = 11;
  for (auto& p : b.mem) {
    const uint32_t r = NextRandom(seed), a = 1 + (r >> 24) % 254, c = ((r & 0xFF) * a) / 255;
    p = MakePix(c, (c * 3) / 4, c / 2, a);
  }
}

// ---- checks --------------------------------------------------------------------------------

std::string gCase;  // the case being prepared, for the failure message

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "check failed: %s: %s\n", gCase.c_str(), what);
  std::exit(1);
}

// The largest difference of any byte of two pictures, over the pixels keep(x, y) names.
template <class Keep>
int MaxByteDifference(const Buffer& a, const Buffer& b, Keep keep) {
  int worst = 0;
  for (int y = 0; y < a.h; ++y)
    for (int x = 0; x < a.w; ++x) {
      if (!keep(x, y)) continue;
      const uint32_t p = a.mem[size_t(y) * a.w + x], q = b.mem[size_t(y) * b.w + x];
      for (int sh = 0; sh < 32; sh += 8) worst = std::max(worst, std::abs(int(p >> sh & 0xFF) - int(q >> sh & 0xFF)));
    }
  return worst;
}
#ifdef TW_BENCH_PIXMAN
int MaxByteDifference(const Buffer& a, const Buffer& b) {
  return MaxByteDifference(a, b, [](int, int) { return true; });
}
#endif

// Runs f on each pixel path and returns what each left in a copy of `start`.
struct PathResults {
  Buffer vector, scalar;
};
template <class F>
PathResults OnBothPaths(const Buffer& start, F f) {
  PathResults r{start, start};
  f(r.vector);
  TPixelPathScope scalar(TPixelPath::Scalar);
  f(r.scalar);
  return r;
}

// ---- cases ---------------------------------------------------------------------------------

// One line of the table: the engine's call, the comparison's (pixman; none in the Windows
// build), and whether the engine has a vector path to set against its scalar one.
struct Case {
  std::string name;
  std::function<void()> engine;
  std::function<void()> pixman;
  bool vectorPath = true;
};

// `inset`: the picture is the second of a strip of four and goes to (38, 3) of a bitmap 76
// wider and 6 higher, as an icon of an image list goes onto a button; otherwise picture and
// bitmap are the same size and the whole of each.
Case BlendCase(const std::string& name, int w, int h, bool translucent, bool inset) {
  const int sx = inset ? w : 0, dx = inset ? 38 : 0, dy = inset ? 3 : 0;
  auto src = std::make_shared<Buffer>(inset ? 4 * w : w, h), dst = std::make_shared<Buffer>(w + 2 * dx, h + 2 * dy);
  if (translucent)
    FillTranslucent(*src);
  else
    FillIcons(*src);
  FillOpaque(*dst, 7);
  Case c{name, {}, {}};
  gCase = c.name;
  const TRect dstRect{dx, dy, dx + w, dy + h}, srcRect{sx, 0, sx + w, h};

  // The mixing rule, pixel by pixel: colours mix(d, s, s.A), alpha max(d.A, s.A).
  Buffer want = *dst;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t& d = want.mem[size_t(dy + y) * want.w + dx + x];
      const uint32_t s = src->mem[size_t(y) * src->w + sx + x];
      const int a = PixA(s);
      d = MakePix(MixByte(PixB(d), PixB(s), a), MixByte(PixG(d), PixG(s), a), MixByte(PixR(d), PixR(s), a),
                  std::max(PixA(d), PixA(s)));
    }
  const PathResults got = OnBothPaths(*dst, [&](Buffer& out) {
    CopyBmp32(dstRect, srcRect, out.View(), src->View(), TBackdrop{}, false, clNone, 0, false);
  });
  if (got.vector.mem != want.mem) Fail("the vector path differs from the mixing rule");
  if (got.scalar.mem != want.mem) Fail("the scalar path differs from the mixing rule");

  c.engine = [=] { CopyBmp32(dstRect, srcRect, dst->View(), src->View(), TBackdrop{}, false, clNone, 0, false); };
#ifdef TW_BENCH_PIXMAN
  auto pdst = std::make_shared<Buffer>(*dst);
  std::shared_ptr<pixman_image_t> s(src->Pixman(), pixman_image_unref), d(pdst->Pixman(), pixman_image_unref);
  // The images borrow the buffers' memory: the call keeps the buffers.
  c.pixman = [=] {
    (void)src, (void)pdst;
    pixman_image_composite32(PIXMAN_OP_OVER, s.get(), nullptr, d.get(), sx, 0, 0, 0, dx, dy, w, h);
  };
#endif
  return c;
}

Case FadeCase(const std::string& name, int w, int h) {
  auto from = std::make_shared<Buffer>(w, h), to = std::make_shared<Buffer>(w, h);
  FillOpaque(*from, 3);
  FillOpaque(*to, 5);
  Case c{name, {}, {}};
  gCase = c.name;

  Buffer want = *from;
  for (size_t i = 0; i < want.mem.size(); ++i) {
    const uint32_t f = want.mem[i], t = to->mem[i];
    want.mem[i] = MakePix(MixByte(PixB(t), PixB(f), 128), MixByte(PixG(t), PixG(f), 128),
                          MixByte(PixR(t), PixR(f), 128), PixA(f));
  }
  const PathResults got = OnBothPaths(*from, [&](Buffer& out) { SumBitmaps(out.View(), to->View(), 128); });
  if (got.vector.mem != want.mem) Fail("the vector path differs from the mixing rule");
  if (got.scalar.mem != want.mem) Fail("the scalar path differs from the mixing rule");

  c.engine = [=] { SumBitmaps(from->View(), to->View(), 128); };
#ifdef TW_BENCH_PIXMAN
  auto pfrom = std::make_shared<Buffer>(*from);
  const pixman_color_t half{0, 0, 0, 0x8080};
  std::shared_ptr<pixman_image_t> d(pfrom->Pixman(), pixman_image_unref),
      s(to->Pixman(PIXMAN_x8r8g8b8), pixman_image_unref),
      mask(pixman_image_create_solid_fill(&half), pixman_image_unref);
  Buffer theirs = *from;
  {
    std::shared_ptr<pixman_image_t> t(theirs.Pixman(), pixman_image_unref);
    pixman_image_composite32(PIXMAN_OP_OVER, s.get(), mask.get(), t.get(), 0, 0, 0, 0, 0, 0, w, h);
  }
  if (MaxByteDifference(got.vector, theirs) > 1) Fail("more than 1 from pixman");
  c.pixman = [=] {
    (void)to, (void)pfrom;
    pixman_image_composite32(PIXMAN_OP_OVER, s.get(), mask.get(), d.get(), 0, 0, 0, 0, 0, 0, w, h);
  };
#endif
  return c;
}

// A frame image of 3 states, w x h each, margins m: an alpha image (anti-aliased rounded rim,
// translucent body), or the same picture with a mask half below.
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
  FrameImage(const FrameImage&) = delete;
  // The frame for a w-wide target: a button's (75) or a form's.
  static std::shared_ptr<FrameImage> ForTarget(int w, bool masked) {
    return w == 75 ? std::make_shared<FrameImage>(40, 22, 6, masked)
                   : std::make_shared<FrameImage>(120, 90, 12, masked);
  }
};

Case NinePartCase(const std::string& name, int w, int h, bool masked) {
  auto frame = FrameImage::ForTarget(w, masked);
  auto dst = std::make_shared<Buffer>(w, h);
  FillOpaque(*dst, 9);
  Case c{name, {}, {}};
  gCase = c.name;
  TNinePartRequest req;
  req.Rect = {0, 0, w, h};
  req.State = 1;
  const PathResults got =
      OnBothPaths(*dst, [&](Buffer& out) { DrawNinePart(out.View(), req, TBackdrop{}, frame->img); });
  if (got.vector.mem != got.scalar.mem) Fail("the vector path differs from the scalar path");
  if (got.vector.mem == dst->mem) Fail("nothing was painted");

  c.engine = [=] { DrawNinePart(dst->View(), req, TBackdrop{}, frame->img); };
#ifdef TW_BENCH_PIXMAN
  if (masked) return c;
  // The nine parts of state 1 as images on the frame's memory; sides and centre repeat.
  struct Part {
    std::shared_ptr<pixman_image_t> image;
    int dx, dy, dw, dh;
  };
  auto parts = std::make_shared<std::vector<Part>>();
  const TMaskImage& img = frame->img;
  const int m = img.WL, fw = img.Width, fh = img.Height, ox = img.Width, cw = fw - 2 * m, ch = fh - 2 * m;
  auto part = [&](int sx, int sy, int sw, int sh, int dx, int dy, int dw, int dh) {
    uint32_t* base = frame->pixels.mem.data() + size_t(sy) * frame->pixels.w + ox + sx;
    std::shared_ptr<pixman_image_t> im(pixman_image_create_bits(PIXMAN_a8r8g8b8, sw, sh, base, frame->pixels.w * 4),
                                       pixman_image_unref);
    pixman_image_set_repeat(im.get(), PIXMAN_REPEAT_NORMAL);
    parts->push_back({im, dx, dy, dw, dh});
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
  auto pdst = std::make_shared<Buffer>(*dst);
  std::shared_ptr<pixman_image_t> d(pdst->Pixman(), pixman_image_unref);
  c.pixman = [=] {
    (void)frame, (void)pdst;
    for (const Part& p : *parts)
      pixman_image_composite32(PIXMAN_OP_OVER, p.image.get(), nullptr, d.get(), 0, 0, 0, 0, p.dx, p.dy, p.dw, p.dh);
  };
#endif
  return c;
}

Case MitchellCase(const std::string& name, int dw, int dh) {
  constexpr int sw = 400, sh = 300;
  auto src = std::make_shared<Buffer>(sw, sh), dst = std::make_shared<Buffer>(dw, dh);
  FillIcons(*src);
  Case c{name, {}, {}};
  gCase = c.name;
  const PathResults got = OnBothPaths(*dst, [&](Buffer& out) { StretchView(src->View(), out.View(), ftMitchell); });
  if (got.vector.mem != got.scalar.mem) Fail("the vector path differs from the scalar path");
  c.engine = [=] { StretchView(src->View(), dst->View(), ftMitchell); };
#ifdef TW_BENCH_PIXMAN
  // The engine puts destination pixel i on source position i * sx (in pixel indexes, no
  // half-pixel shift); pixman samples destination pixel centres, so its transform takes
  // x + 0.5 to i * sx + 0.5: scale sx, translate 0.5 - 0.5 * sx.
  const double sx = double(sw) / dw, sy = double(sh) / dh;
  pixman_transform_t t{{{pixman_double_to_fixed(sx), 0, pixman_double_to_fixed(0.5 - 0.5 * sx)},
                        {0, pixman_double_to_fixed(sy), pixman_double_to_fixed(0.5 - 0.5 * sy)},
                        {0, 0, pixman_fixed_1}}};
  std::shared_ptr<pixman_image_t> s(src->Pixman(), pixman_image_unref), d(dst->Pixman(), pixman_image_unref);
  pixman_image_set_transform(s.get(), &t);
  pixman_image_set_repeat(s.get(), PIXMAN_REPEAT_PAD);
  int n = 0;
  pixman_fixed_t* params = pixman_filter_create_separable_convolution(
      &n, pixman_double_to_fixed(std::max(sx, 1.0)), pixman_double_to_fixed(std::max(sy, 1.0)), PIXMAN_KERNEL_IMPULSE,
      PIXMAN_KERNEL_IMPULSE, PIXMAN_KERNEL_CUBIC, PIXMAN_KERNEL_CUBIC, 8, 8);
  pixman_image_set_filter(s.get(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params, n);
  std::free(params);

  c.engine();
  Buffer ours = *dst;
  pixman_image_composite32(PIXMAN_OP_SRC, s.get(), nullptr, d.get(), 0, 0, 0, 0, 0, 0, dw, dh);
  // Pixels whose filter reaches past an edge of the picture are left out: the engine mirrors
  // there and pixman pads. The filter widens by the shrink factor.
  const double reachX = CFilters[ftMitchell] * std::max(sx, 1.0), reachY = CFilters[ftMitchell] * std::max(sy, 1.0);
  auto inside = [&](int x, int y) {
    const double cx = x * sx, cy = y * sy;
    return std::floor(cx - reachX) >= 0 && std::ceil(cx + reachX) <= sw - 1 && std::floor(cy - reachY) >= 0 &&
           std::ceil(cy + reachY) <= sh - 1;
  };
  const int worst = MaxByteDifference(ours, *dst, inside);
  if (worst > kMitchellTolerance) Fail(("differs from pixman by " + std::to_string(worst)).c_str());
  c.name += " (" + std::to_string(worst) + ")";
  c.pixman = [=] {
    (void)src, (void)dst;
    pixman_image_composite32(PIXMAN_OP_SRC, s.get(), nullptr, d.get(), 0, 0, 0, 0, 0, 0, dw, dh);
  };
#endif
  return c;
}

Case BlurCase(const std::string& name) {
  constexpr int w = 400, h = 300;
  auto mask = std::make_shared<std::vector<Byte>>(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) (*mask)[size_t(y) * w + x] = ((x / 7 + y / 9) % 3 == 0) ? 255 : 0;
  auto work = std::make_shared<std::vector<Byte>>(*mask);
  Case c{name, {}, {}, false};
  gCase = c.name;
  // The blur works in place: each call starts from the mask again (the copy is timed too,
  // and is a small part of the call).
  c.engine = [=] {
    std::memcpy(work->data(), mask->data(), mask->size());
    Blur8(TBytePixelView{work->data(), w, w, h}, 3.0);  // 5 taps
  };
  // The blur's rule: its kernel run along every row, then every column (BlurRow8).
  c.engine();
  {
    std::vector<Byte> want(*mask), column(h), buffer(std::max(w, h) + 1);
    TKernel k;
    MakeGaussianKernel(k, 3.0, 255, 1);
    for (int y = 0; y < h; ++y) BlurRow8(want.data() + size_t(y) * w, w - 1, k, buffer.data());
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) column[y] = want[size_t(y) * w + x];
      BlurRow8(column.data(), h - 1, k, buffer.data());
      for (int y = 0; y < h; ++y) want[size_t(y) * w + x] = column[y];
    }
    if (want != *work) Fail("differs from the blur's row-by-row rule");
  }
#ifdef TW_BENCH_PIXMAN
  auto out = std::make_shared<std::vector<Byte>>(mask->size());
  std::shared_ptr<pixman_image_t> s(
      pixman_image_create_bits(PIXMAN_a8, w, h, reinterpret_cast<uint32_t*>(mask->data()), w), pixman_image_unref);
  std::shared_ptr<pixman_image_t> d(
      pixman_image_create_bits(PIXMAN_a8, w, h, reinterpret_cast<uint32_t*>(out->data()), w), pixman_image_unref);
  pixman_image_set_repeat(s.get(), PIXMAN_REPEAT_PAD);
  // Separable 5-tap box, one phase: width, height, phase bits, then the weights.
  std::vector<pixman_fixed_t> params{pixman_int_to_fixed(5), pixman_int_to_fixed(5), 0, 0};
  for (int i = 0; i < 10; ++i) params.push_back(pixman_double_to_fixed(1.0 / 5));
  pixman_image_set_filter(s.get(), PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params.data(), static_cast<int>(params.size()));
  pixman_image_composite32(PIXMAN_OP_SRC, s.get(), nullptr, d.get(), 0, 0, 0, 0, 0, 0, w, h);
  for (size_t i = 0; i < out->size(); ++i)
    if (std::abs(int((*out)[i]) - int((*work)[i])) > 1) Fail("more than 1 from pixman");
  c.pixman = [=] {
    (void)mask, (void)out;
    pixman_image_composite32(PIXMAN_OP_SRC, s.get(), nullptr, d.get(), 0, 0, 0, 0, 0, 0, w, h);
  };
#endif
  return c;
}

// The cases whose name contains `filter`, prepared and checked.
std::vector<Case> AllCases(const std::string& filter) {
  struct Size {
    int w, h;
    std::string Name() const { return std::to_string(w) + "x" + std::to_string(h); }
  };
  std::vector<std::pair<std::string, std::function<Case(const std::string&)>>> makers;
  for (bool translucent : {false, true}) {
    const std::string kind = translucent ? " translucent" : " icons";
    for (Size s : {Size{24, 24}, Size{100, 30}, Size{800, 600}, Size{1920, 1080}})
      makers.push_back({"blend " + s.Name() + kind,
                        [=](const std::string& n) { return BlendCase(n, s.w, s.h, translucent, false); }});
    makers.push_back({"blend 24x24" + kind + " inset",
                      [=](const std::string& n) { return BlendCase(n, 24, 24, translucent, true); }});
  }
  for (Size s : {Size{100, 30}, Size{800, 600}, Size{1920, 1080}})
    makers.push_back({"fade " + s.Name(), [=](const std::string& n) { return FadeCase(n, s.w, s.h); }});
  for (bool masked : {false, true})
    for (Size s : {Size{75, 25}, Size{673, 428}})
      makers.push_back({"nine-part " + s.Name() + (masked ? " masked" : " alpha"),
                        [=](const std::string& n) { return NinePartCase(n, s.w, s.h, masked); }});
  for (Size s : {Size{800, 600}, Size{200, 150}})
    makers.push_back(
        {"Mitchell 400x300 to " + s.Name(), [=](const std::string& n) { return MitchellCase(n, s.w, s.h); }});
  makers.push_back({"blur 400x300", BlurCase});
  std::vector<Case> cases;
  for (auto& [name, make] : makers)
    if (name.find(filter) != std::string::npos) cases.push_back(make(name));
  return cases;
}

// ---- timing ---------------------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

double SecondsFor(const std::function<void()>& f, int64_t calls) {
  const auto t0 = Clock::now();
  for (int64_t i = 0; i < calls; ++i) f();
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Calls a batch must make to last at least `seconds`.
int64_t CallsFor(const std::function<void()>& f, double seconds) {
  f();  // warm the caches
  int64_t calls = 1;
  for (;;) {
    const double t = SecondsFor(f, calls);
    if (t >= seconds || calls >= (int64_t(1) << 40)) return calls;
    calls = t <= 0 ? calls * 10 : std::max(calls + 1, static_cast<int64_t>(calls * seconds / t * 1.1));
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Each side's median seconds per call, and for each side after the first the median of the
// rounds' ratios of the first side's time to its time. A round runs one batch of every side,
// back to back (each side leads in turn), so a change of the machine's speed between rounds
// (other work on the same core) cancels out of the ratio.
struct SideTimes {
  std::vector<double> median, ratio;
};
SideTimes TimeSides(const std::vector<std::function<void()>>& sides, int reps, double batchSeconds) {
  std::vector<int64_t> calls;
  for (const auto& f : sides) calls.push_back(CallsFor(f, batchSeconds));
  std::vector<std::vector<double>> times(sides.size());
  for (int r = 0; r < reps; ++r)
    for (size_t k = 0; k < sides.size(); ++k) {
      const size_t i = (k + r) % sides.size();
      times[i].push_back(SecondsFor(sides[i], calls[i]) / double(calls[i]));
    }
  SideTimes result;
  for (size_t i = 0; i < sides.size(); ++i) {
    result.median.push_back(Median(times[i]));
    std::vector<double> ratios;
    for (int r = 0; r < reps; ++r) ratios.push_back(times[0][r] / times[i][r]);
    result.ratio.push_back(Median(ratios));
  }
  return result;
}

std::string Duration(double seconds) {
  char text[32];
  if (seconds < 1e-6)
    std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
  else if (seconds < 1e-3)
    std::snprintf(text, sizeof text, "%.2f us", seconds * 1e6);
  else
    std::snprintf(text, sizeof text, "%.3f ms", seconds * 1e3);
  return text;
}

std::function<void()> OnScalarPath(std::function<void()> f) {
  return [f] {
    TPixelPathScope scalar(TPixelPath::Scalar);
    f();
  };
}

}  // namespace

int main(int argc, char** argv) {
  std::string filter;
  int reps = 31;
  double batchMs = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--filter=", 0) == 0)
      filter = a.substr(9);
    else if (a.rfind("--reps=", 0) == 0)
      reps = std::max(5, std::atoi(a.c_str() + 7));
    else if (a.rfind("--batch-ms=", 0) == 0)
      batchMs = std::max(0.1, std::atof(a.c_str() + 11));
    else {
      std::fprintf(stderr, "usage: %s [--filter=TEXT] [--reps=N (5 or more)] [--batch-ms=M]\n", argv[0]);
      return 2;
    }
  }
  const std::vector<Case> cases = AllCases(filter);
  std::printf(
      "Raster kernels: median time per call over %d rounds; ratio: median of the rounds' ratios; checks passed\n",
      reps);
#ifdef TW_BENCH_PIXMAN
  std::printf("(Mitchell: the largest byte difference from pixman in brackets, at most %d allowed)\n\n",
              kMitchellTolerance);
  std::printf("%-34s %12s %12s %7s %12s %7s\n", "case", "engine", "pixman", "ratio", "scalar", "ratio");
#else
  std::printf("\n%-34s %12s %12s %7s\n", "case", "engine", "scalar", "ratio");
#endif
  for (const Case& c : cases) {
    std::vector<std::function<void()>> sides{c.engine};
#ifdef TW_BENCH_PIXMAN
    if (c.pixman) sides.push_back(c.pixman);
#endif
    if (c.vectorPath) sides.push_back(OnScalarPath(c.engine));
    const SideTimes t = TimeSides(sides, reps, batchMs / 1000);
    size_t next = 1;
    std::printf("%-34s %12s", c.name.c_str(), Duration(t.median[0]).c_str());
#ifdef TW_BENCH_PIXMAN
    if (c.pixman) {
      std::printf(" %12s %7.2f", Duration(t.median[next]).c_str(), t.ratio[next]);
      ++next;
    } else {
      std::printf(" %12s %7s", "-", "-");
    }
#endif
    if (c.vectorPath) {
      std::printf(" %12s %7.2f", Duration(t.median[next]).c_str(), t.ratio[next]);
      ++next;
    } else {
      std::printf(" %12s %7s", "-", "-");
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  return 0;
}
