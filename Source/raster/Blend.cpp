// Fills and blends of one bitmap, compositing of two, and the glyph reflection.
//
// Sections
//   1. Fast row kernels (SSE2 with the scalar pixel rule as tail and fallback)
//   2. Rectangle fills and blends of one bitmap
//   3. Compositing of two bitmaps
//   4. The glyph reflection
#include "raster/Blend.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "raster/Resampling.h"
#include "ui/Graphics.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define TW_SSE2 1
#endif

namespace {

// ---- 1. Fast row kernels ---------------------------------------------------------------------
//
// Each kernel has one scalar pixel rule, written from the contract in the header. On the vector
// path (TPixelPath) an SSE2 loop takes sixteen pixels a step, in groups of four, with the same
// arithmetic, and the scalar rule does the one to three pixels left at the end of the row; on
// the scalar path the rule does the whole row. Exhaustive tests compare both with the
// definition.
//
// The SSE2 form of MixByte: mix(d, s, a) = d + floor((s - d) * a / 256). The bytes of four
// pixels are taken as 16-bit lanes, one set holding B and R, one G and A. For a weight a of
// 0..256 the product (s - d) * a may wrap in 16 bits, but its high byte is still
// floor((s - d) * a / 256) modulo 256, and adding that to d byte by byte (modulo 256) gives
// the exact result. A weight of 0 keeps d, 256 gives s: that is how one lane is kept whole.
//
// The over-style kernels first sort the groups by source alpha: all 0 is weight 0 everywhere
// (nothing changes), all 255 is weight 255 (mix(d, s, 255) = s - (s > d), no multiply); only
// groups of mixed alpha pay for the multiplies, and no path has a per-pixel branch.

inline uint32_t MixPixelRGB(uint32_t d, uint32_t s, int a, uint32_t alpha) {
  return MakePix(MixByte(PixB(d), PixB(s), a), MixByte(PixG(d), PixG(s), a), MixByte(PixR(d), PixR(s), a), alpha);
}

// Source over destination: colours mix(d, s, s.A), alpha max(d.A, s.A).
inline uint32_t OverPixel(uint32_t d, uint32_t s) {
  int a = PixA(s);
  return MixPixelRGB(d, s, a, std::max<uint32_t>(PixA(d), PixA(s)));
}
// Weighted source: a = (s.A * w) >> 8 (w 0..256), colours mix(d, s, a), alpha kept.
inline uint32_t OverWeightedPixel(uint32_t d, uint32_t s, int w) {
  int a = (PixA(s) * w) >> 8;
  return MixPixelRGB(d, s, a, PixA(d));
}
// PaintBmpRect32: a = s.A, or (v * s.A) >> 8 below 255; alpha max(d.A, mix(d.A, a, a)).
inline int PaintWeight(uint32_t s, int v) { return v == 255 ? PixA(s) : (v * PixA(s)) >> 8; }
inline uint32_t PaintPixel(uint32_t d, uint32_t s, int v) {
  int a = PaintWeight(s, v);
  return MixPixelRGB(d, s, a, std::max<int>(PixA(d), MixByte(PixA(d), a, a)));
}
// Picture with alpha over a bitmap (CopyByMask): colours mix(d, s, s.A), alpha over
// (dA + ((255 - dA) * s.A) >> 8, which is mix(dA, 255, s.A)).
inline uint32_t AlphaOverPixel(uint32_t d, uint32_t s) {
  const int a = PixA(s);
  return MixPixelRGB(d, s, a, MixByte(PixA(d), 255, a));
}
// Constant weight: mix(other, own, w) per colour; alpha mixed too or kept.
inline uint32_t MixConstPixel(uint32_t own, uint32_t other, int w, bool mixAlpha) {
  return MixPixelRGB(other, own, w, mixAlpha ? MixByte(PixA(other), PixA(own), w) : PixA(own));
}
// Mask mix of a skin picture: non-key pixels take ((d - s) * m + s * 256) >> 8 per colour, m
// the mask's byte of the same channel; key pixels and alpha stay (the copy of tiles).
inline uint32_t MaskMixPixel(uint32_t d, uint32_t s, uint32_t m) {
  if (s == kKeyPixel) return d;
  return MakePix(MixByte(PixB(s), PixB(d), PixB(m)), MixByte(PixG(s), PixG(d), PixG(m)),
                 MixByte(PixR(s), PixR(d), PixR(m)), PixA(d));
}

#ifdef TW_SSE2
using V = __m128i;
inline V Load(const uint32_t* p) { return _mm_loadu_si128(reinterpret_cast<const V*>(p)); }
inline void Store(uint32_t* p, V v) { _mm_storeu_si128(reinterpret_cast<V*>(p), v); }
inline V Splat(uint32_t x) { return _mm_set1_epi32(static_cast<int>(x)); }
inline V AlphaMask() { return Splat(0xFF000000u); }
// The low byte of every 16-bit lane: B and R of each pixel.
inline V LowBytes() { return Splat(0x00FF00FFu); }
// The low 16-bit lane of each pixel.
inline V LowLane() { return Splat(0x0000FFFFu); }
inline V Select(V mask, V a, V b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }

// mix(d, s, w) of every byte of four pixels: weights wBR for blue and red, wGA for green and
// alpha, 0..256 in each 16-bit lane.
inline V MixLanes(V d, V s, V wBR, V wGA) {
  const V lo = LowBytes();
  const V br = _mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(s, lo), _mm_and_si128(d, lo)), wBR);
  const V ga = _mm_mullo_epi16(_mm_sub_epi16(_mm_srli_epi16(s, 8), _mm_srli_epi16(d, 8)), wGA);
  return _mm_add_epi8(d, _mm_or_si128(_mm_srli_epi16(br, 8), _mm_andnot_si128(lo, ga)));
}
// The alpha of each pixel in the low 16-bit lane of the pixel, 0 in the high one: read as a
// weight it leaves the (G, A) lane's alpha alone.
inline V AlphaLow(V s) { return _mm_srli_epi32(s, 24); }
// The low lane's value in both lanes of each pixel.
inline V BothLanes(V low) { return _mm_shufflehi_epi16(_mm_shufflelo_epi16(low, 0xA0), 0xA0); }
// mix(d, s, 255) of every byte: s - (s > d), which is min(s, max(d, s - 1)).
inline V MixFull(V d, V s) { return _mm_min_epu8(s, _mm_max_epu8(d, _mm_subs_epu8(s, _mm_set1_epi8(1)))); }
// The same for the colours of an opaque source, alpha 255 (the alpha byte is not lowered, so
// min(255, max(dA, 255)) is 255).
inline V MixFullOpaque(V d, V s) { return _mm_min_epu8(s, _mm_max_epu8(d, _mm_subs_epu8(s, Splat(0x00010101u)))); }

// Which of four groups of four pixels have alpha 0 throughout and which 255 throughout, as one
// mask: bits 2k and 2k + 1 set when group k has alpha 0 throughout, bits 8 + 2k and 9 + 2k
// when it has 255 throughout; a0..a3 are the groups' AlphaLow. The sixteen alphas are packed
// into bytes, four to a 32-bit lane, so one compare a lane tests a whole group.
inline unsigned GroupClasses(V a0, V a1, V a2, V a3) {
  const V alphas = _mm_packus_epi16(_mm_packs_epi32(a0, a1), _mm_packs_epi32(a2, a3));
  const V none = _mm_cmpeq_epi32(alphas, _mm_setzero_si128()), full = _mm_cmpeq_epi32(alphas, _mm_set1_epi32(-1));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi32(none, full)));
}
constexpr unsigned kGroupNone = 0x3, kGroupFull = 0x300;

// Colours mix(d, s, s.A), alpha max(d.A, s.A): the destination's alpha is first raised to the
// source's, and the alpha lane's weight is 0, so the mix keeps it.
inline V Over4(V d, V s, V a) { return MixLanes(_mm_max_epu8(d, _mm_and_si128(s, AlphaMask())), s, BothLanes(a), a); }
inline V OverFull4(V d, V s) { return MixFullOpaque(d, s); }  // alpha max(dA, 255)
// Weighted over, w 0..256: weight (s.A * w) >> 8, 0 for the alpha lane (alpha kept).
inline V OverWeighted4(V d, V s, V a, V w) {
  const V weight = _mm_srli_epi16(_mm_mullo_epi16(a, w), 8);
  return MixLanes(d, s, BothLanes(weight), weight);
}
// Threshold test of four pixels (TransparentByThreshold): all ones where a pixel is the key
// value or its alpha is at most bTranspLimit.
inline V Threshold4(V s, V a) {
  return _mm_or_si128(_mm_cmpeq_epi32(s, Splat(kKeyPixel)), _mm_cmplt_epi32(a, Splat(bTranspLimit + 1u)));
}

// The over-style row walk: sixteen source pixels a step, sorted by their alpha in groups of
// four: groups with alpha 0 throughout go to none(at, 4), with 255 throughout to
// full(d, s, at), the rest to mixed(d, s, a, at) with a their AlphaLow; full and mixed return
// the new destination pixels. Steps of one kind throughout (the inside and outside of
// pictures, translucent areas) take one branch. The groups left at the end of the row are
// sorted one by one. Returns the number of pixels done; the caller's scalar rule does the rest.
template <class None, class Full, class Mixed>
Integer OverRow(uint32_t* d, const uint32_t* s, Integer n, None none, Full full, Mixed mixed) {
  // One group by its bits of the class mask (shifted to the lowest group's place).
  auto group = [&](unsigned c, V sv, V a, Integer at) {
    if (c & kGroupFull)
      Store(d + at, full(Load(d + at), sv, at));
    else if (!(c & kGroupNone))
      Store(d + at, mixed(Load(d + at), sv, a, at));
    else
      none(at, 4);
  };
  Integer i = 0;
  for (; i + 16 <= n; i += 16) {
    const V s0 = Load(s + i), s1 = Load(s + i + 4), s2 = Load(s + i + 8), s3 = Load(s + i + 12);
    const V a0 = AlphaLow(s0), a1 = AlphaLow(s1), a2 = AlphaLow(s2), a3 = AlphaLow(s3);
    const unsigned c = GroupClasses(a0, a1, a2, a3);
    if (c == 0) {
      Store(d + i, mixed(Load(d + i), s0, a0, i));
      Store(d + i + 4, mixed(Load(d + i + 4), s1, a1, i + 4));
      Store(d + i + 8, mixed(Load(d + i + 8), s2, a2, i + 8));
      Store(d + i + 12, mixed(Load(d + i + 12), s3, a3, i + 12));
    } else if ((c & 0xFF) == 0xFF) {
      none(i, 16);
    } else if ((c & 0xFF00) == 0xFF00) {
      Store(d + i, full(Load(d + i), s0, i));
      Store(d + i + 4, full(Load(d + i + 4), s1, i + 4));
      Store(d + i + 8, full(Load(d + i + 8), s2, i + 8));
      Store(d + i + 12, full(Load(d + i + 12), s3, i + 12));
    } else {
      group(c, s0, a0, i);
      group(c >> 2, s1, a1, i + 4);
      group(c >> 4, s2, a2, i + 8);
      group(c >> 6, s3, a3, i + 12);
    }
  }
  if (i + 8 <= n) {
    const V s0 = Load(s + i), s1 = Load(s + i + 4);
    const V a0 = AlphaLow(s0), a1 = AlphaLow(s1);
    const unsigned c = GroupClasses(a0, a1, a0, a1);
    group(c, s0, a0, i);
    group(c >> 2, s1, a1, i + 4);
    i += 8;
  }
  if (i + 4 <= n) {
    const V s0 = Load(s + i), a0 = AlphaLow(s0);
    group(GroupClasses(a0, a0, a0, a0), s0, a0, i);
    i += 4;
  }
  return i;
}
// Weight 0 everywhere: the destination stays.
constexpr auto kLeave = [](Integer, Integer) {};
#endif

void RowOver(uint32_t* d, const uint32_t* s, Integer n) {
  Integer i = 0;
#ifdef TW_SSE2
  if (VectorPixels())
    i = OverRow(
        d, s, n, kLeave, [](V dv, V sv, Integer) { return OverFull4(dv, sv); },
        [](V dv, V sv, V a, Integer) { return Over4(dv, sv, a); });
#endif
  for (; i < n; ++i) d[i] = OverPixel(d[i], s[i]);
}

// w 0..256.
void RowOverWeighted(uint32_t* d, const uint32_t* s, Integer n, int w) {
  Integer i = 0;
#ifdef TW_SSE2
  if (VectorPixels()) {
    const V wv = _mm_set1_epi16(static_cast<short>(w));
    const V full = _mm_and_si128(_mm_set1_epi16(static_cast<short>((255 * w) >> 8)), LowLane());
    i = OverRow(
        d, s, n, kLeave, [&](V dv, V sv, Integer) { return MixLanes(dv, sv, BothLanes(full), full); },
        [&](V dv, V sv, V a, Integer) { return OverWeighted4(dv, sv, a, wv); });
  }
#endif
  for (; i < n; ++i) d[i] = OverWeightedPixel(d[i], s[i], w);
}

// CopyBmp32 over the parent background: source pixels transparent by threshold leave the
// destination alone, or, where bg is given (the background row under d), take its colours
// and keep their alpha; the others as RowOver (w < 0) or RowOverWeighted.
void RowOverThreshold(uint32_t* d, const uint32_t* s, Integer n, int w, const uint32_t* bg) {
  auto transparent = [&](uint32_t dp, Integer x) { return bg ? (bg[x] & 0xFFFFFF) | (dp & 0xFF000000u) : dp; };
  Integer i = 0;
#ifdef TW_SSE2
  if (VectorPixels()) {
    const V wv = _mm_set1_epi16(static_cast<short>(w));
    const V fullW = _mm_and_si128(_mm_set1_epi16(static_cast<short>((255 * w) >> 8)), LowLane());
    auto under = [&](V dv, Integer at) { return bg ? Select(AlphaMask(), dv, Load(bg + at)) : dv; };
    auto none = [&](Integer at, Integer count) {
      if (!bg) return;
      for (Integer k = at; k < at + count; k += 4) Store(d + k, under(Load(d + k), k));
    };
    // Alpha 255 is never transparent by threshold.
    auto full = [&](V dv, V sv, Integer) {
      return w < 0 ? OverFull4(dv, sv) : MixLanes(dv, sv, BothLanes(fullW), fullW);
    };
    auto mixed = [&](V dv, V sv, V a, Integer at) {
      return Select(Threshold4(sv, a), under(dv, at), w < 0 ? Over4(dv, sv, a) : OverWeighted4(dv, sv, a, wv));
    };
    i = OverRow(d, s, n, none, full, mixed);
  }
#endif
  for (; i < n; ++i) {
    if (TransparentByThreshold(s[i]))
      d[i] = transparent(d[i], i);
    else
      d[i] = w < 0 ? OverPixel(d[i], s[i]) : OverWeightedPixel(d[i], s[i], w);
  }
}

void RowPaint(uint32_t* d, const uint32_t* s, Integer n, int v) {
  Integer i = 0;
#ifdef TW_SSE2
  if (VectorPixels()) {
    const V dAlpha = AlphaMask();
    if (v == 255) {
      // Weight s.A in both lanes: the alpha lane mixes dA with sA = a, which is mix(dA, a, a);
      // then the larger of that and dA. All 255: mix(d, s, 255) byte by byte, alpha included.
      i = OverRow(
          d, s, n, kLeave, [](V dv, V sv, Integer) { return MixFull(dv, sv); },
          [&](V dv, V sv, V a, Integer) {
            const V w = BothLanes(a);
            return _mm_max_epu8(MixLanes(dv, sv, w, w), _mm_and_si128(dv, dAlpha));
          });
    } else {
      // a = (v * s.A) >> 8 takes the place of the source's alpha byte.
      const V vv = _mm_set1_epi16(static_cast<short>(v));
      auto paint = [&](V dv, V sv, V alpha, Integer) {
        const V a = _mm_srli_epi16(_mm_mullo_epi16(alpha, vv), 8), w = BothLanes(a);
        const V src = _mm_or_si128(_mm_andnot_si128(dAlpha, sv), _mm_slli_epi32(a, 24));
        return _mm_max_epu8(MixLanes(dv, src, w, w), _mm_and_si128(dv, dAlpha));
      };
      i = OverRow(
          d, s, n, kLeave, [&](V dv, V sv, Integer at) { return paint(dv, sv, AlphaLow(sv), at); }, paint);
    }
  }
#endif
  for (; i < n; ++i) d[i] = PaintPixel(d[i], s[i], v);
}

// CopyByMask over (no key test): alpha over is mix(dA, 255, s.A), so the source's alpha byte
// is taken as 255. All 255: mix(d, s, 255) byte by byte.
void RowAlphaOver(uint32_t* d, const uint32_t* s, Integer n) {
  Integer i = 0;
#ifdef TW_SSE2
  if (VectorPixels())
    i = OverRow(
        d, s, n, kLeave, [](V dv, V sv, Integer) { return MixFull(dv, sv); },
        [](V dv, V sv, V a, Integer) {
          const V w = BothLanes(a);
          return MixLanes(dv, _mm_or_si128(sv, AlphaMask()), w, w);
        });
#endif
  for (; i < n; ++i) d[i] = AlphaOverPixel(d[i], s[i]);
}

void RowMixConst(uint32_t* own, const uint32_t* other, Integer n, int w, bool mixAlpha) {
  Integer i = 0;
#ifdef TW_SSE2
  if (VectorPixels()) {
    const V wv = _mm_set1_epi16(static_cast<short>(w));
    // The alpha lane keeps own's byte with the weight 256.
    const V wGA = mixAlpha ? wv : Select(LowLane(), wv, _mm_set1_epi16(256));
    for (; i + 8 <= n; i += 8) {
      Store(own + i, MixLanes(Load(other + i), Load(own + i), wv, wGA));
      Store(own + i + 4, MixLanes(Load(other + i + 4), Load(own + i + 4), wv, wGA));
    }
    if (i + 4 <= n) {
      Store(own + i, MixLanes(Load(other + i), Load(own + i), wv, wGA));
      i += 4;
    }
  }
#endif
  for (; i < n; ++i) own[i] = MixConstPixel(own[i], other[i], w, mixAlpha);
}

void RowMaskMix(uint32_t* d, const uint32_t* s, const uint32_t* m, Integer n) {
  Integer i = 0;
#ifdef TW_SSE2
  if (VectorPixels()) {
    const V key = Splat(kKeyPixel);
    // The mask's bytes are the weights of d over s; the alpha lane keeps d with the weight 256.
    const V keepAlpha = Splat(0x01000000u);
    auto mix4 = [&](V dv, V sv, V mv) {
      const V wGA = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(mv, 8), LowLane()), keepAlpha);
      return Select(_mm_cmpeq_epi32(sv, key), dv, MixLanes(sv, dv, _mm_and_si128(mv, LowBytes()), wGA));
    };
    for (; i + 4 <= n; i += 4) Store(d + i, mix4(Load(d + i), Load(s + i), Load(m + i)));
  }
#endif
  for (; i < n; ++i) d[i] = MaskMixPixel(d[i], s[i], m[i]);
}

// Calls f(dstRow, srcRow, width, y) for every row of a block. The rows are walked by pointer
// from copies of the views' fields, which the pixel stores cannot be taken to change.
template <class F>
void ForBlockRows(const TPixelView& dst, const TPixelView& src, const TPixelBlock& b, F f) {
  const ptrdiff_t dDelta = dst.Delta, sDelta = src.Delta;
  Byte* d = dst.Line0 + ptrdiff_t(b.DstY) * dDelta + ptrdiff_t(b.DstX) * 4;
  const Byte* s = src.Line0 + ptrdiff_t(b.SrcY) * sDelta + ptrdiff_t(b.SrcX) * 4;
  const Integer width = b.Width, height = b.Height;
  for (Integer y = 0; y < height; ++y, d += dDelta, s += sDelta)
    f(reinterpret_cast<uint32_t*>(d), reinterpret_cast<const uint32_t*>(s), width, y);
}

// Calls f(dst, src, count) for runs of pixels paired one to one, for kernels that do not need
// to know the row. When the block is the whole of both views and both store their rows back
// to back in the same order (top-down or bottom-up), the block is one run: a small picture
// then pays for one row end instead of one a row. One call site, so f is inlined.
template <class F>
void ForBlockRuns(const TPixelView& dst, const TPixelView& src, const TPixelBlock& b, F f) {
  const ptrdiff_t dDelta = dst.Delta, sDelta = src.Delta;
  const int64_t rowBytes = int64_t(b.Width) * 4, pixels = int64_t(b.Width) * b.Height;
  const bool whole = b.DstX == 0 && b.SrcX == 0 && dst.Width == b.Width && src.Width == b.Width;
  Integer first = 0, runs = b.Height, count = b.Width;
  if (whole && dDelta == sDelta && (dDelta == rowBytes || dDelta == -rowBytes) &&
      pixels <= std::numeric_limits<Integer>::max()) {
    first = dDelta > 0 ? 0 : b.Height - 1;  // bottom-up rows: the last row has the lowest address
    runs = 1;
    count = static_cast<Integer>(pixels);
  }
  Byte* d = dst.Line0 + ptrdiff_t(b.DstY + first) * dDelta + ptrdiff_t(b.DstX) * 4;
  const Byte* s = src.Line0 + ptrdiff_t(b.SrcY + first) * sDelta + ptrdiff_t(b.SrcX) * 4;
  for (Integer r = 0; r < runs; ++r, d += dDelta, s += sDelta)
    f(reinterpret_cast<uint32_t*>(d), reinterpret_cast<const uint32_t*>(s), count);
}

}  // namespace

// ---- 2. Rectangle fills and blends of one bitmap ----------------------------------------------

namespace {
// Inclusive: Right and Bottom clamped to the last column and row.
bool ClipInclusiveToView(TRect& r, const TPixelView& v) {
  if (v.Empty()) return false;
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  r.Right = std::min(r.Right, v.Width - 1);
  r.Bottom = std::min(r.Bottom, v.Height - 1);
  return r.Left <= r.Right && r.Top <= r.Bottom;
}
}  // namespace

void FillRect32(const TPixelView& v, TRect r, TColor color, Byte alpha) {
  if (!ClipToView(r, v)) return;
  uint32_t p = (SwapRedBlue(color) & 0xFFFFFF) | uint32_t(alpha) << 24;
  for (Integer y = r.Top; y < r.Bottom; ++y) std::fill(v.Row(y) + r.Left, v.Row(y) + r.Right, p);
}
void FillRect32(TBitmap* bmp, const TRect& r, TColor color, Byte alpha) { FillRect32(ViewOf(bmp), r, color, alpha); }

void FillRect32Excl(TBitmap* bmp, const TRect& r, const TRect& ex, TColor color, Byte alpha) {
  TPixelView v = ViewOf(bmp);
  FillRect32(v, {r.Left, r.Top, r.Right, ex.Top}, color, alpha);
  FillRect32(v, {r.Left, ex.Top, ex.Left, ex.Bottom}, color, alpha);
  FillRect32(v, {ex.Right, ex.Top, r.Right, ex.Bottom}, color, alpha);
  FillRect32(v, {r.Left, ex.Bottom, r.Right, r.Bottom}, color, alpha);
}

void BlendColorRect(const TPixelView& v, TRect r, Byte blend, TColor color) {
  if (!ClipInclusiveToView(r, v)) return;
  const uint32_t k = SwapRedBlue(color);  // pixel order: the colour's red meets the pixel's red
  auto ch = [&](uint32_t p, int shift) {
    return ((p >> shift & 0xFF) * blend + (k >> shift & 0xFF) * (255u - blend)) >> 8 << shift;
  };
  for (Integer y = r.Top; y <= r.Bottom; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = r.Left; x <= r.Right; ++x) {
      uint32_t p = row[x];
      row[x] = ch(p, 0) | ch(p, 8) | ch(p, 16) | (p & 0xFF000000u);
    }
  }
}
void BlendColorRect(TBitmap* bmp, const TRect& r, Byte blend, TColor color) {
#ifdef _WIN32
  color = ColorToRGB(color);  // system colours are the platform's
#endif
  BlendColorRect(ViewOf(bmp), r, blend, color);
}

void BlendRect32(const TPixelView& v, TRect r, TColor color, Byte blendValue, Byte alpha) {
  if (!ClipToView(r, v)) return;
  const int bv = std::min<int>(blendValue, 100);
  const uint32_t k = SwapRedBlue(color);
  auto ch = [&](uint32_t p, int shift) {
    int c = p >> shift & 0xFF, kc = k >> shift & 0xFF;
    return uint32_t(c - (c - kc) * bv / 100) << shift;  // C++ division truncates toward zero
  };
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = r.Left; x < r.Right; ++x) {
      uint32_t p = row[x];
      row[x] = ch(p, 0) | ch(p, 8) | ch(p, 16) | uint32_t(alpha) << 24;
    }
  }
}
void BlendRect32(TBitmap* bmp, const TRect& r, TColor color, Byte blendValue, Byte alpha) {
  BlendRect32(ViewOf(bmp), r, color, blendValue, alpha);
}

void FillAlphaRect(const TPixelView& v, TRect r, Byte value, TColor transparentColor, const TRect* ex, size_t exCount) {
  if (!ClipToView(r, v)) return;
  for (Integer y = r.Top; y < r.Bottom; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = r.Left; x < r.Right; ++x) {
      if (transparentColor != clNone && row[x] == transparentColor) continue;
      bool excluded = false;
      for (size_t i = 0; i < exCount && !excluded; ++i) excluded = ex[i].Contains({x, y});
      if (!excluded) row[x] = (row[x] & 0xFFFFFF) | uint32_t(value) << 24;
    }
  }
}
void FillAlphaRect(TBitmap* bmp, const TRect& r, Byte value, TColor transparentColor,
                   const std::vector<TRect>& excludeRects) {
  FillAlphaRect(ViewOf(bmp), r, value, transparentColor, excludeRects.data(), excludeRects.size());
}

void DiffBmp32(TBitmap* dstBmp, TBitmap* subBmp) {
  TPixelView d = ViewOf(dstBmp), s = ViewOf(subBmp);
  if (d.Empty() || s.Empty() || d.Width != s.Width || d.Height != s.Height) return;
  for (Integer y = 0; y < d.Height; ++y) {
    uint32_t *dr = d.Row(y), *sr = s.Row(y);
    for (Integer x = 0; x < d.Width; ++x)
      if (((dr[x] ^ sr[x]) & 0xFFFFFF) == 0) dr[x] = 0;
  }
}

void CheckEmptyAChannel(TBitmap* bmp) {
  TPixelView v = ViewOf(bmp);
  if (v.Empty()) return;
  for (Integer y = 0; y < v.Height; ++y) {
    const uint32_t* row = v.Row(y);
    for (Integer x = 0; x < v.Width; ++x)
      if (PixA(row[x])) return;
  }
  // Every alpha byte is 0: the bottom-left pixel names the transparent colour (its alpha 0).
  const uint32_t transparent = v.At(0, v.Height - 1) & 0xFFFFFF;
  for (Integer y = 0; y < v.Height; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = 0; x < v.Width; ++x)
      if (row[x] != transparent) row[x] |= 0xFF000000u;
  }
}

TBitmap* CreateAlphaBmp(TBitmap* srcMaskedBmp, const TRect& srcRect) {
  Integer w = SafeExtent(srcRect.Left, srcRect.Right), h = SafeExtent(srcRect.Top, srcRect.Bottom) / 2;
  if (!srcMaskedBmp || w == 0 || h == 0 || srcRect.Left < 0 || srcRect.Top < 0) return nullptr;
  if (srcMaskedBmp->Height() < srcRect.Bottom || srcMaskedBmp->Width() < srcRect.Right) return nullptr;
  TPixelView s = ViewOf(srcMaskedBmp);
  TBitmap* result = CreateBmp32(w, h);
  TPixelView d = result->View();
  if (d.Empty()) return result;
  if (s.Empty()) {
    // A picture without rows of 32 bits: its colours as a blit gives them (alpha 0), and no
    // alpha from its mask half.
    for (Integer y = 0; y < h; ++y)
      for (Integer x = 0; x < w; ++x)
        d.At(x, y) = SwapRedBlue(srcMaskedBmp->PixelColor(srcRect.Left + x, srcRect.Top + y)) & 0xFFFFFF;
    return result;
  }
  CopyPixels(d, 0, 0, s, {srcRect.Left, srcRect.Top, srcRect.Left + w, srcRect.Top + h});
  for (Integer y = 0; y < h; ++y) {
    uint32_t* dr = d.Row(y);
    const uint32_t* mr = s.Row(srcRect.Top + h + y) + srcRect.Left;
    for (Integer x = 0; x < w; ++x) dr[x] = (dr[x] & 0xFFFFFF) | uint32_t(255 - PixR(mr[x])) << 24;
  }
  return result;
}

TBitmap* CreateMaskFromAlpha(TBitmap* srcAlphaBmp) {
  TPixelView s = ViewOf(srcAlphaBmp);
  if (s.Empty()) return nullptr;
  TBitmap* result = CreateBmp32(s.Width, 2 * s.Height);
  TPixelView d = result->View();
  if (d.Empty()) return result;
  CopyPixels(d, 0, 0, s, {0, 0, s.Width, s.Height});
  for (Integer y = 0; y < s.Height; ++y) {
    const uint32_t* sr = s.Row(y);
    uint32_t* mr = d.Row(s.Height + y);
    for (Integer x = 0; x < s.Width; ++x) {
      uint32_t g = 255u - PixA(sr[x]);
      mr[x] = MakePix(g, g, g, 255);
    }
  }
  return result;
}

// ---- 3. Compositing of two bitmaps -------------------------------------------------------------

namespace {
// The columns [X0, X1) of a destination row of n pixels from (x, y) whose background pixels
// lie inside the background's picture, and the background pixel under column X0; none when
// the row has no background pixels.
struct TBackdropSpan {
  Integer X0 = 0, X1 = 0;
  const uint32_t* Bg = nullptr;
};
TBackdropSpan BackdropSpan(const TBackdrop& ci, Integer x, Integer y, Integer n) {
  const int64_t bx = int64_t(ci.X) + x, by = int64_t(ci.Y) + y;
  if (ci.View.Empty() || by < 0 || by >= ci.View.Height) return {};
  const int64_t x0 = std::clamp<int64_t>(-bx, 0, n), x1 = std::clamp<int64_t>(ci.View.Width - bx, x0, n);
  if (x0 >= x1) return {};
  return {static_cast<Integer>(x0), static_cast<Integer>(x1), ci.View.Row(static_cast<Integer>(by)) + (bx + x0)};
}

// The grey tint of CopyBmp32: the colour raised so its largest channel is 255 (pixel order).
uint32_t TintTarget(uint32_t tintPixel, uint32_t s) {
  uint32_t g = (PixR(s) >> 2) + (PixG(s) >> 1) + (PixB(s) >> 2);
  return MakePix((g * PixB(tintPixel)) >> 8, (g * PixG(tintPixel)) >> 8, (g * PixR(tintPixel)) >> 8, 0);
}
uint32_t TintOf(TColor grayed) {
  uint32_t r = grayed & 0xFF, g = grayed >> 8 & 0xFF, b = grayed >> 16 & 0xFF;
  uint32_t up = 255 - std::max({r, g, b});
  return MakePix(b + up, g + up, r + up, 0);
}
}  // namespace

void CopyBmp32(const TRect& dstRect, const TRect& srcRect, const TPixelView& dst, const TPixelView& src,
               const TBackdrop& ci, bool updateTrans, TColor grayedColor, Integer blend, bool reflected) {
  if (dst.Empty() || src.Empty()) return;
  const TPixelBlock b = ClipExtents(dstRect, srcRect, dst.Width, dst.Height, src.Width, src.Height);
  const int w = PercentToWeight(blend);
  const bool tinted = grayedColor != clNone;
  const uint32_t tint = tinted ? TintOf(grayedColor) : 0;
  if (!b.Empty()) {
    if (!tinted && !ci.Ready) {
      // The common cases: a plain over and an over with opacity.
      ForBlockRuns(dst, src, b, [&](uint32_t* d, const uint32_t* s, Integer n) {
        if (blend <= 0)
          RowOver(d, s, n);
        else
          RowOverWeighted(d, s, n, w);
      });
    } else if (!tinted) {
      // Over the parent background: the part of the row that has background pixels under it,
      // and the parts on either side that have none.
      const int weight = blend > 0 ? w : -1;
      ForBlockRows(dst, src, b, [&](uint32_t* d, const uint32_t* s, Integer n, Integer y) {
        const TBackdropSpan span = updateTrans ? BackdropSpan(ci, b.DstX, b.DstY + y, n) : TBackdropSpan{};
        RowOverThreshold(d, s, span.X0, weight, nullptr);
        RowOverThreshold(d + span.X0, s + span.X0, span.X1 - span.X0, weight, span.Bg);
        RowOverThreshold(d + span.X1, s + span.X1, n - span.X1, weight, nullptr);
      });
    } else {
      ForBlockRows(dst, src, b, [&](uint32_t* d, const uint32_t* s, Integer n, Integer y) {
        for (Integer x = 0; x < n; ++x) {
          const uint32_t sp = s[x], dp = d[x];
          if (ci.Ready && TransparentByThreshold(sp)) {
            if (updateTrans)
              if (const uint32_t* bg = ci.At(b.DstX + x, b.DstY + y)) d[x] = (*bg & 0xFFFFFF) | (dp & 0xFF000000u);
            continue;
          }
          const uint32_t target = tinted ? TintTarget(tint, sp) : sp;
          if (blend > 0) {
            d[x] = MixPixelRGB(dp, target, (PixA(sp) * w) >> 8, PixA(dp));
          } else if (!tinted) {
            d[x] = MixPixelRGB(dp, sp, PixA(sp), std::max(PixA(dp), PixA(sp)));
          } else {
            d[x] = MixPixelRGB(dp, target, PixA(sp), ci.Ready ? PixA(dp) : MixByte(PixA(dp), 255, PixA(sp)));
          }
        }
      });
    }
  }
  if (!reflected || b.Empty()) return;
  // The mirror image below the picture: rows of the source rectangle from its bottom up,
  // fading out; never rows above the rectangle or outside either bitmap.
  const Integer srcTop = std::max(srcRect.Top, 0);
  Integer n = std::min(src.Height / 2 - 1, dst.Height - dstRect.Bottom - 1);
  n = std::min<int64_t>(n, int64_t(srcRect.Bottom) - 1 - srcTop);
  if (n < 1) return;
  int f = 255;
  const int fStep = 255 / src.Height;
  for (Integer r = 1; r <= n; ++r, f -= fStep) {
    const int64_t dy = int64_t(dstRect.Bottom) + r, sy = int64_t(srcRect.Bottom) - 1 - r;
    if (dy < 0 || dy >= dst.Height || sy < srcTop || sy >= src.Height) continue;
    uint32_t* d = dst.Row(static_cast<Integer>(dy)) + b.DstX;
    const uint32_t* s = src.Row(static_cast<Integer>(sy)) + b.SrcX;
    for (Integer x = 0; x < b.Width; ++x) {
      const uint32_t sp = s[x];
      if (TransparentByThreshold(sp)) continue;
      int a = tinted ? ((PixA(sp) * (n - r)) / n) >> 2 : (((PixA(sp) * (n - r)) / n) * f) >> 9;
      if (blend > 0) a = (a * w) >> 8;
      d[x] = MixPixelRGB(d[x], tinted ? TintTarget(tint, sp) : sp, a, PixA(d[x]));
    }
  }
}

void CopyByMaskAlpha(const TRect& dstRect, const TRect& srcRect, const TPixelView& dst, const TPixelView& src,
                     const TBackdrop& ci, bool updateTrans) {
  if (dst.Empty() || src.Empty()) return;
  const TPixelBlock b = ClipExtents(dstRect, srcRect, dst.Width, dst.Height, src.Width, src.Height);
  // A key pixel has alpha 0, so the over leaves it alone; with the background asked for it
  // then takes the background's colours, opaque.
  if (!ci.Ready || !updateTrans) {
    ForBlockRuns(dst, src, b, RowAlphaOver);
    return;
  }
  ForBlockRows(dst, src, b, [&](uint32_t* d, const uint32_t* s, Integer n, Integer y) {
    RowAlphaOver(d, s, n);
    const TBackdropSpan span = BackdropSpan(ci, b.DstX, b.DstY + y, n);
    for (Integer x = span.X0; x < span.X1; ++x)
      if (s[x] == kKeyPixel) d[x] = (span.Bg[x - span.X0] & 0xFFFFFF) | 0xFF000000u;
  });
}

void CopyByMaskHalf(const TRect& dstRect, const TRect& srcRect, const TPixelView& dst, const TPixelView& src,
                    const TBackdrop& ci, bool updateTrans, Integer maskRectHeight, Integer drawMode, Integer cfg) {
  if (dst.Empty() || src.Empty()) return;
  const TPixelBlock b = ClipExtents(dstRect, srcRect, dst.Width, dst.Height, src.Width, src.Height);
  if (b.Empty()) return;
  // The mask half: half the image's height below the picture, kept inside the bitmap.
  const Integer maskTop = static_cast<Integer>(
      std::clamp<int64_t>(int64_t(b.SrcY) + maskRectHeight / 2, 0, int64_t(src.Height) - b.Height));
  const uint32_t fill = SwapRedBlue(ci.FillColor);
  const bool alphaImage = (drawMode & 16) != 0;  // BDM_ALPHA
  if (!ci.Ready && !updateTrans) {
    // The tiles of sides and centre: the mask mix alone, four pixels at a time.
    for (Integer y = 0; y < b.Height; ++y)
      RowMaskMix(dst.Row(b.DstY + y) + b.DstX, src.Row(b.SrcY + y) + b.SrcX, src.Row(maskTop + y) + b.SrcX, b.Width);
    return;
  }
  auto maskMix = [](uint32_t d, uint32_t s, uint32_t m, uint32_t alpha) {
    return MakePix(MixByte(PixB(s), PixB(d), PixB(m)), MixByte(PixG(s), PixG(d), PixG(m)),
                   MixByte(PixR(s), PixR(d), PixR(m)), alpha);
  };
  for (Integer y = 0; y < b.Height; ++y) {
    uint32_t* d = dst.Row(b.DstY + y) + b.DstX;
    const uint32_t* s = src.Row(b.SrcY + y) + b.SrcX;
    const uint32_t* m = src.Row(maskTop + y) + b.SrcX;
    for (Integer x = 0; x < b.Width; ++x) {
      const uint32_t sp = s[x], dp = d[x];
      auto background = [&](uint32_t keep) {
        const uint32_t* bg = ci.At(b.DstX + x, b.DstY + y);
        return bg ? *bg : keep;
      };
      if (ci.Ready) {
        const uint32_t opaque = dp | 0xFF000000u;
        if (updateTrans && alphaImage) {
          const int a = PixA(sp);
          d[x] = a > 0 ? MakePix(MixByte(PixB(sp), PixB(dp), 255 - a), MixByte(PixG(sp), PixG(dp), 255 - a),
                                 MixByte(PixR(sp), PixR(dp), 255 - a), 255)
                       : background(opaque);
        } else if (updateTrans && sp == kKeyPixel) {
          d[x] = background(opaque);
        } else {
          d[x] = maskMix(dp, sp, m[x], 255);
        }
      } else if (updateTrans && ((cfg & 1) ? sp == kKeyPixel : PixA(sp) == 0)) {
        d[x] = fill;
      } else if (!updateTrans && sp == kKeyPixel) {
        // left alone
      } else {
        d[x] = maskMix(dp, sp, m[x], PixA(dp));
      }
    }
  }
}

void PaintBmp32(const TPixelView& dst, const TPixelView& msk) {
  if (dst.Empty() || msk.Empty() || dst.Width != msk.Width || dst.Height != msk.Height) return;
  ForBlockRuns(dst, msk, {0, 0, 0, 0, dst.Width, dst.Height},
               [](uint32_t* d, const uint32_t* s, Integer n) { RowOverWeighted(d, s, n, 256); });
}

void PaintBmpRect32(const TPixelView& dst, const TPixelView& src, const TRect& srcRect, TPoint dstPoint,
                    Byte srcBlendValue) {
  if (dst.Empty() || src.Empty() || srcRect.Right < srcRect.Left || srcRect.Bottom < srcRect.Top) return;
  const TPixelBlock b = ClipInclusive(srcRect, dstPoint, dst.Width, dst.Height, src.Width, src.Height);
  ForBlockRuns(dst, src, b, [&](uint32_t* d, const uint32_t* s, Integer n) { RowPaint(d, s, n, srcBlendValue); });
}

void PaintTranspBmpRect32(const TPixelView& dst, const TPixelView& src, const TPixelView& transp, uint32_t transpPixel,
                          const TRect& srcRect, TPoint dstPoint, TPoint transpPoint, Byte srcBlendValue) {
  if (dst.Empty() || src.Empty() || srcRect.Left >= srcRect.Right || srcRect.Top >= srcRect.Bottom) return;
  const bool useMap = !transp.Empty();
  // The destination, source and key-map areas move together so they stay aligned.
  int64_t x = dstPoint.X, y = dstPoint.Y, l = srcRect.Left, t = srcRect.Top, tx = transpPoint.X, ty = transpPoint.Y;
  auto shift = [](int64_t& neg, int64_t& a, int64_t& c) {
    if (neg < 0) {
      a -= neg;
      c -= neg;
      neg = 0;
    }
  };
  shift(x, l, tx);
  shift(l, x, tx);
  shift(y, t, ty);
  shift(t, y, ty);
  if (useMap) {
    shift(tx, x, l);
    shift(ty, y, t);
  }
  int64_t w = std::min<int64_t>(srcRect.Right, src.Width - 1) - l + 1;
  int64_t h = std::min<int64_t>(srcRect.Bottom, src.Height - 1) - t + 1;
  w = std::min(w, dst.Width - x);
  h = std::min(h, dst.Height - y);
  if (useMap) {
    w = std::min(w, transp.Width - tx);
    h = std::min(h, transp.Height - ty);
  }
  if (w <= 0 || h <= 0) return;
  for (int64_t r = 0; r < h; ++r) {
    uint32_t* d = dst.Row(static_cast<Integer>(y + r)) + x;
    const uint32_t* s = src.Row(static_cast<Integer>(t + r)) + l;
    const uint32_t* k = useMap ? transp.Row(static_cast<Integer>(ty + r)) + tx : nullptr;
    for (int64_t c = 0; c < w; ++c) {
      if (d[c] == (k ? k[c] : transpPixel)) continue;
      const uint32_t sp = s[c], dp = d[c];
      const int a = (srcBlendValue * PixA(sp)) >> 8;
      d[c] = MixPixelRGB(dp, sp, a, std::max<int>(PixA(dp), MixByte(PixA(dp), a, a)));
    }
  }
}

void StretchBmpRect32(const TPixelView& dst, Integer xDst, Integer yDst, Integer dstWidth, Integer dstHeight,
                      const TPixelView& src, Integer xSrc, Integer ySrc, Integer srcWidth, Integer srcHeight,
                      Byte srcBlendValue) {
  if (dst.Empty() || src.Empty()) return;
  int64_t xd = xDst, yd = yDst, xs = xSrc, ys = ySrc;
  if (xd < 0) {
    xs -= xd;
    xd = 0;
  }
  if (yd < 0) {
    ys -= yd;
    yd = 0;
  }
  if (xs < 0) {
    xd -= xs;
    xs = 0;
  }
  if (ys < 0) {
    yd -= ys;
    ys = 0;
  }
  if (dstWidth < 1 || dstHeight < 1 || srcWidth < 1 || srcHeight < 1) return;
  if (xd >= dst.Width || yd >= dst.Height || xs >= src.Width || ys >= src.Height) return;
  // The source rectangle is what the skin asked for, cut to the bitmap; the temporary holds
  // only the part of the destination that lies inside dst.
  const Integer sw = static_cast<Integer>(std::min<int64_t>(srcWidth, src.Width - xs));
  const Integer sh = static_cast<Integer>(std::min<int64_t>(srcHeight, src.Height - ys));
  const Integer cols = static_cast<Integer>(std::min<int64_t>(dstWidth, dst.Width - xd));
  const Integer rows = static_cast<Integer>(std::min<int64_t>(dstHeight, dst.Height - yd));
  if (int64_t(dstWidth) * dstHeight > kMaxTempPixels) return;
  std::vector<uint32_t> tmp(size_t(dstWidth) * dstHeight);
  TPixelView t{reinterpret_cast<Byte*>(tmp.data()), dstWidth * 4, dstWidth, dstHeight};
  const bool whole = xs == 0 && ys == 0 && sw == src.Width && sh == src.Height;
  if (whole)
    StretchRectView(src, 0, 0, sw, sh, t, ftMitchell);  // whole pictures: the filtered resampler
  else
    StretchNearest(t, {0, 0, dstWidth, dstHeight}, src,
                   {static_cast<Integer>(xs), static_cast<Integer>(ys), static_cast<Integer>(xs) + sw,
                    static_cast<Integer>(ys) + sh});
  for (Integer r = 0; r < rows; ++r)
    RowPaint(dst.Row(static_cast<Integer>(yd) + r) + xd, t.Row(r), cols, srcBlendValue);
}

void SumBitmaps(const TPixelView& srcBmp, const TPixelView& mskBmp, Byte alphaValue) {
  if (srcBmp.Empty() || mskBmp.Empty() || srcBmp.Width != mskBmp.Width || srcBmp.Height != mskBmp.Height) return;
  ForBlockRuns(srcBmp, mskBmp, {0, 0, 0, 0, srcBmp.Width, srcBmp.Height},
               [&](uint32_t* d, const uint32_t* s, Integer n) { RowMixConst(d, s, n, alphaValue, false); });
}

void SumBmpRect(const TPixelView& dst, const TPixelView& src, Byte alphaValue, const TRect& srcRect, TPoint dstPoint) {
  if (dst.Empty() || src.Empty() || srcRect.Right <= srcRect.Left || srcRect.Bottom <= srcRect.Top) return;
  const TPixelBlock b = ClipInclusive(srcRect, dstPoint, dst.Width, dst.Height, src.Width, src.Height);
  // ((d - s) * A + s * 256) >> 8: A is the weight of the destination's old content.
  ForBlockRuns(dst, src, b, [&](uint32_t* d, const uint32_t* s, Integer n) { RowMixConst(d, s, n, alphaValue, true); });
}

void SumBitmapsByMask(const TPixelView& dst, const TPixelView& src1, const TPixelView& src2, const TPixelView& msk,
                      Word percent) {
  if (dst.Empty() || src1.Empty() || src2.Empty()) return;
  if (src1.Width != src2.Width || src1.Height != src2.Height) return;
  Integer w = std::min(src1.Width, dst.Width), h = std::min(src1.Height, dst.Height);
  const bool useMask = !msk.Empty();
  if (useMask) {
    w = std::min(w, msk.Width);
    h = std::min(h, msk.Height);
  }
  const int p = std::min<int>(percent, 256);
  for (Integer y = 0; y < h; ++y) {
    uint32_t* d = dst.Row(y);
    const uint32_t *a = src1.Row(y), *c = src2.Row(y), *m = useMask ? msk.Row(y) : nullptr;
    for (Integer x = 0; x < w; ++x) {
      auto ch = [&](int shift) {
        int wgt = m ? (m[x] >> shift & 0xFF) : p;
        return uint32_t(MixByte(c[x] >> shift & 0xFF, a[x] >> shift & 0xFF, wgt)) << shift;
      };
      d[x] = ch(0) | ch(8) | ch(16) | (d[x] & 0xFF000000u);
    }
  }
}

void BlendBmpByMask(const TPixelView& srcBmp, const TPixelView& mskBmp, TColor blendColor) {
  if (srcBmp.Empty() || mskBmp.Empty() || srcBmp.Width != mskBmp.Width || srcBmp.Height != mskBmp.Height) return;
  const uint32_t k = SwapRedBlue(blendColor);
  for (Integer y = 0; y < srcBmp.Height; ++y) {
    uint32_t* s = srcBmp.Row(y);
    const uint32_t* m = mskBmp.Row(y);
    for (Integer x = 0; x < srcBmp.Width; ++x) {
      auto ch = [&](int shift) {
        return uint32_t(MixByte(k >> shift & 0xFF, s[x] >> shift & 0xFF, m[x] >> shift & 0xFF)) << shift;
      };
      s[x] = ch(0) | ch(8) | ch(16) | (s[x] & 0xFF000000u);
    }
  }
}

namespace {
// Inclusive source rectangle (clamped to src) placed at (x, y); destination pixels outside dst
// are skipped one by one. f(dstPixel, srcPixel, dstX, dstY).
template <class F>
void ForInclusivePlaced(const TPixelView& dst, Integer x, Integer y, const TPixelView& src, TRect r, F f) {
  if (dst.Empty() || src.Empty()) return;
  int64_t dx0 = x, dy0 = y;
  if (r.Left < 0) {
    dx0 -= r.Left;
    r.Left = 0;
  }
  if (r.Top < 0) {
    dy0 -= r.Top;
    r.Top = 0;
  }
  r.Right = std::min(r.Right, src.Width - 1);
  r.Bottom = std::min(r.Bottom, src.Height - 1);
  if (r.Right < r.Left || r.Bottom < r.Top) return;
  // Only the rows and columns that land inside dst.
  int64_t c0 = std::max<int64_t>(0, -dx0), c1 = std::min<int64_t>(int64_t(r.Right) - r.Left, dst.Width - 1 - dx0);
  int64_t r0 = std::max<int64_t>(0, -dy0), r1 = std::min<int64_t>(int64_t(r.Bottom) - r.Top, dst.Height - 1 - dy0);
  for (int64_t j = r0; j <= r1; ++j) {
    uint32_t* d = dst.Row(static_cast<Integer>(dy0 + j));
    const uint32_t* s = src.Row(static_cast<Integer>(r.Top + j)) + r.Left;
    for (int64_t i = c0; i <= c1; ++i)
      f(d[dx0 + i], s[i], static_cast<Integer>(dx0 + i), static_cast<Integer>(dy0 + j));
  }
}
}  // namespace

void BlendTransRectangle(const TPixelView& dst, Integer x, Integer y, const TPixelView& src, const TRect& aRect,
                         Byte blend, uint32_t transPixel) {
  ForInclusivePlaced(dst, x, y, src, aRect, [&](uint32_t& d, uint32_t s, Integer, Integer) {
    if (s == transPixel) return;
    auto ch = [&](int shift) {
      return ((s >> shift & 0xFF) * (255u - blend) + (d >> shift & 0xFF) * blend) >> 8 << shift;
    };
    d = ch(0) | ch(8) | ch(16) | ch(24);
  });
}

void BlendTransBitmap(const TPixelView& bmp, Byte blend, TColor color) {
  if (bmp.Empty()) return;
  const uint32_t k = SwapRedBlue(color);
  for (Integer y = 0; y < bmp.Height; ++y) {
    uint32_t* row = bmp.Row(y);
    for (Integer x = 0; x < bmp.Width; ++x) {
      uint32_t p = row[x];
      if (p == kKeyPixel) continue;
      auto ch = [&](int shift) {
        return ((p >> shift & 0xFF) * blend + (k >> shift & 0xFF) * (255u - blend)) >> 8 << shift;
      };
      row[x] = ch(0) | ch(8) | ch(16) | (p & 0xFF000000u);
    }
  }
}

void CopyTransBitmaps(const TPixelView& dst, const TPixelView& src, Integer x, Integer y, TColor transColor) {
  const uint32_t key = SwapColor(transColor);
  ForInclusivePlaced(dst, x, y, src, {0, 0, src.Width - 1, src.Height - 1},
                     [&](uint32_t& d, uint32_t s, Integer, Integer) {
                       if (s != key) d = s | 0xFF000000u;
                     });
}

void CopyTransRect(const TPixelView& dst, const TPixelView& src, Integer x, Integer y, const TRect& srcRect,
                   uint32_t transPixel, const TBackdrop& ci, bool updateTrans, bool ciIsDst) {
  if (dst.Empty()) return;
  const bool parent = ci.Ready && !ci.View.Empty();
  const uint32_t fill = (SwapRedBlue(ci.FillColor) & 0xFFFFFF) | (dst.At(0, 0) & 0xFF000000u);
  ForInclusivePlaced(dst, x, y, src, srcRect, [&](uint32_t& d, uint32_t s, Integer dx, Integer dy) {
    const bool key = s == transPixel;
    if (updateTrans && parent && ciIsDst) {
      if (!key) d = s | 0xFF000000u;
    } else if (updateTrans && parent) {
      if (!key)
        d = s;
      else if (const uint32_t* bg = ci.At(dx, dy))
        d = *bg;
    } else if (ci.Ready) {
      if (!key) d = s;
    } else {
      d = key ? fill : s;
    }
  });
}

void CopyTransRectA(const TPixelView& dst, const TPixelView& src, Integer x, Integer y, const TRect& srcRect,
                    TColor transColor, Integer blend) {
  const uint32_t key = SwapRedBlue(transColor) & 0xFFFFFF;
  const int w = std::clamp(blend, 0, 255);
  ForInclusivePlaced(dst, x, y, src, srcRect, [&](uint32_t& d, uint32_t s, Integer, Integer) {
    if (s == key) return;
    d = w == 0 ? s : MixPixelRGB(d, s, w, std::max<int>(PixA(d), w));
  });
}

void CopyChannel32(const TPixelView& dst, const TPixelView& src, Integer channel) {
  if (dst.Empty() || src.Empty() || channel < 0 || channel > 3) return;
  const Integer w = std::min(dst.Width, src.Width), h = std::min(dst.Height, src.Height);
  const int shift = channel * 8;
  const uint32_t mask = 0xFFu << shift;
  for (Integer y = 0; y < h; ++y) {
    uint32_t* d = dst.Row(y);
    const uint32_t* s = src.Row(y);
    for (Integer x = 0; x < w; ++x) d[x] = (d[x] & ~mask) | (s[x] & mask);
  }
}

void CopyChannel(const TPixelView& bmp32, const TBytePixelView& bmp8, Integer channel, bool from32To8) {
  if (bmp32.Empty() || bmp8.Empty() || channel < 0 || channel > 3) return;
  const Integer w = std::min(bmp32.Width, bmp8.Width), h = std::min(bmp32.Height, bmp8.Height);
  const int shift = channel * 8;
  for (Integer y = 0; y < h; ++y) {
    uint32_t* p = bmp32.Row(y);
    Byte* b = bmp8.Row(y);
    for (Integer x = 0; x < w; ++x) {
      if (from32To8)
        b[x] = static_cast<Byte>(p[x] >> shift);
      else
        p[x] = (p[x] & ~(0xFFu << shift)) | uint32_t(b[x]) << shift;
    }
  }
}

void CopyBmp32(const TRect& dstRect, const TRect& srcRect, TBitmap* dstBmp, TBitmap* srcBmp, const TCacheInfo& ci,
               bool updateTrans, TColor grayedColor, Integer blend, bool reflected) {
  if (!srcBmp) return;
  srcBmp->SetPixelFormat(pf32bit);
  CopyBmp32(dstRect, srcRect, ViewOf(dstBmp), ViewOf(srcBmp), BackdropOf(ci), updateTrans, grayedColor, blend,
            reflected);
}
void CopyByMask(const TRect& dstRect, const TRect& srcRect, TBitmap* dstBmp, TBitmap* srcBmp, const TCacheInfo& ci,
                bool updateTrans) {
  CopyByMaskAlpha(dstRect, srcRect, ViewOf(dstBmp), ViewOf(srcBmp), BackdropOf(ci), updateTrans);
}
void CopyTransRect(TBitmap* dstBmp, TBitmap* srcBmp, Integer x, Integer y, const TRect& srcRect, TColor transColor,
                   const TCacheInfo& ci, bool updateTrans) {
  CopyTransRect(ViewOf(dstBmp), ViewOf(srcBmp), x, y, srcRect, transColor, BackdropOf(ci), updateTrans,
                ci.Bmp != nullptr && ci.Bmp == dstBmp);
}

void PaintBmp32(TBitmap* srcBmp, TBitmap* mskBmp) { PaintBmp32(ViewOf(srcBmp), ViewOf(mskBmp)); }
void PaintBmpRect32(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& srcRect, const TPoint& dstPoint,
                    Byte srcBlendValue) {
  PaintBmpRect32(ViewOf(dstBmp), ViewOf(srcBmp), srcRect, dstPoint, srcBlendValue);
}
void PaintTranspBmpRect32(TBitmap* dstBmp, TBitmap* srcBmp, TBitmap* transpBmp, TColor transpColor,
                          const TRect& srcRect, const TPoint& dstPoint, const TPoint& transpPoint, Byte srcBlendValue) {
  PaintTranspBmpRect32(ViewOf(dstBmp), ViewOf(srcBmp), ViewOf(transpBmp), transpColor, srcRect, dstPoint, transpPoint,
                       srcBlendValue);
}
void StretchBmpRect32(TBitmap* dstBmp, Integer xDst, Integer yDst, Integer dstWidth, Integer dstHeight, TBitmap* srcBmp,
                      Integer xSrc, Integer ySrc, Integer srcWidth, Integer srcHeight, Byte srcBlendValue) {
  StretchBmpRect32(ViewOf(dstBmp), xDst, yDst, dstWidth, dstHeight, ViewOf(srcBmp), xSrc, ySrc, srcWidth, srcHeight,
                   srcBlendValue);
}
void SumBitmaps(TBitmap* srcBmp, TBitmap* mskBmp, Byte alphaValue) {
  SumBitmaps(ViewOf(srcBmp), ViewOf(mskBmp), alphaValue);
}
void SumBmpRect(TBitmap* dstBmp, TBitmap* srcBmp, Byte alphaValue, const TRect& srcRect, const TPoint& dstPoint) {
  SumBmpRect(ViewOf(dstBmp), ViewOf(srcBmp), alphaValue, srcRect, dstPoint);
}
void SumBitmapsByMask(TBitmap*& dstBmp, TBitmap* src1, TBitmap* src2, TBitmap* mskBmp, Word percent) {
  SumBitmapsByMask(ViewOf(dstBmp), ViewOf(src1), ViewOf(src2), ViewOf(mskBmp), percent);
}
void BlendBmpByMask(TBitmap* srcBmp, TBitmap* mskBmp, TColor blendColor) {
  BlendBmpByMask(ViewOf(srcBmp), ViewOf(mskBmp), blendColor);
}
void BlendTransRectangle(TBitmap* dst, Integer x, Integer y, TBitmap* src, const TRect& aRect, Byte blend,
                         TColor transColor) {
  BlendTransRectangle(ViewOf(dst), x, y, ViewOf(src), aRect, blend, transColor);
}
void BlendTransBitmap(TBitmap* bmp, Byte blend, TColor color) { BlendTransBitmap(ViewOf(bmp), blend, color); }
void CopyTransBitmaps(TBitmap* dstBmp, TBitmap* srcBmp, Integer x, Integer y, TColor transColor) {
  CopyTransBitmaps(ViewOf(dstBmp), ViewOf(srcBmp), x, y, transColor);
}
void CopyTransRectA(TBitmap* dstBmp, TBitmap* srcBmp, Integer x, Integer y, const TRect& srcRect, TColor transColor,
                    Integer blend) {
  CopyTransRectA(ViewOf(dstBmp), ViewOf(srcBmp), x, y, srcRect, transColor, blend);
}
void CopyChannel32(TBitmap* dstBmp, TBitmap* srcBmp, Integer channel) {
  CopyChannel32(ViewOf(dstBmp), ViewOf(srcBmp), channel);
}
void CopyChannel(TBitmap* bmp32, TBitmap* bmp8, Integer channel, bool from32To8) {
  CopyChannel(ViewOf(bmp32), ByteViewOf(bmp8), channel, from32To8);
}

// ---- 4. The glyph reflection ---------------------------------------------------------------------

void DrawGlyphReflection(const TPixelView& dst, const TPixelView& src, TPoint dstTopLeft, TRect srcRect,
                         TColor transColor, Integer blendValue) {
  if (dst.Empty() || src.Empty()) return;
  const int64_t oldTop = srcRect.Top < 0 ? -int64_t(srcRect.Top) : 0;
  const int64_t oldLeft = srcRect.Left < 0 ? -int64_t(srcRect.Left) : 0;
  srcRect.Top = std::max(srcRect.Top, 0);
  srcRect.Left = std::max(srcRect.Left, 0);
  srcRect.Right = std::min(srcRect.Right, src.Width - 1);
  srcRect.Bottom = std::min(srcRect.Bottom, src.Height - 1);
  const int64_t h = std::min<int64_t>(int64_t(src.Height) / 3 * 2 - 1, int64_t(dst.Height) - 1 - dstTopLeft.Y);
  // One row or none: the weights below would divide by h (and the step by h + 1).
  if (h < 1) return;
  const int64_t transStep = 255 / (h + 1);
  const uint32_t key = SwapColor(transColor);
  int64_t transValue = 255;
  for (int64_t dy = 0; dy <= h; ++dy, transValue -= transStep) {
    const int64_t sy = int64_t(srcRect.Bottom) - dy - oldTop, ty = int64_t(dstTopLeft.Y) + dy;
    if (ty < 0 || ty >= dst.Height || sy < 0 || sy >= src.Height) continue;
    const int w = static_cast<Byte>(((((h - dy) * 255 / h) * transValue) >> 9) * (100 - blendValue) / 100);
    const uint32_t* srow = src.Row(static_cast<Integer>(sy));
    uint32_t* trow = dst.Row(static_cast<Integer>(ty));
    for (int64_t x = 0; x <= int64_t(srcRect.Right) - srcRect.Left; ++x) {
      const int64_t sx = srcRect.Left + x, tx = int64_t(dstTopLeft.X) - oldLeft + x;
      if (tx < 0 || tx >= dst.Width || sx < 0 || sx >= src.Width) continue;
      const uint32_t s = srow[sx];
      if (s == key) continue;
      uint32_t& t = trow[tx];
      t = MakePix(MixByte(PixB(t), PixB(s), w), MixByte(PixG(t), PixG(s), w), MixByte(PixR(t), PixR(s), w), PixA(t));
    }
  }
}

void DrawGlyphReflection(TBitmap* dstBmp, TBitmap* srcBmp, const TPoint& dstTopLeft, const TRect& srcRect,
                         TColor transColor, Integer blendValue) {
  DrawGlyphReflection(ViewOf(dstBmp), ViewOf(srcBmp), dstTopLeft, srcRect, transColor, blendValue);
}
