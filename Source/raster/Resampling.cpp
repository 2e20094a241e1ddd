#include "raster/Resampling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#if defined(__SSE2__)
#include <emmintrin.h>
#define TW_SSE2 1
#endif

void MakeGaussianKernel(TKernel& k, double radius, double maxData, double dataGranularity) {
  for (int j = -MaxKernelSize; j <= MaxKernelSize; ++j) {
    double t = j / radius;
    k.W(j) = std::nearbyint(std::exp(-t * t / 2));
  }
  double sum = 0;
  for (double w : k.Weights) sum += w;
  for (double& w : k.Weights) w /= sum;
  const double delta = dataGranularity / (2 * maxData);
  int size = MaxKernelSize;
  sum = 0;
  while (sum < delta && size > 1) {
    sum += 2 * k.W(size);
    --size;
  }
  k.Size = static_cast<Byte>(size);
  sum = 0;
  for (int j = -size; j <= size; ++j) sum += k.W(j);
  for (int j = -size; j <= size; ++j) k.W(j) /= sum;
}

void BlurRow8(Byte* theRow, Integer h, const TKernel& k, Byte* p) {
  for (Integer j = 0; j <= h; ++j) {
    double d = 0;
    for (int n = -k.Size; n <= k.Size; ++n) d += theRow[std::clamp(j - n, 0, h)] * k.W(n);
    p[j] = d > 255 ? 255 : d < 0 ? 0 : static_cast<Byte>(std::nearbyint(d));
  }
  std::memcpy(theRow, p, size_t(h) + 1);
}

namespace {
// The kernel the blur builds is always a box of 2 Size + 1 equal weights (or the identity):
// the double sum of BlurRow8 then equals sum / n up to rounding far below 1 / (2n), and with
// n odd that quotient is never a half, so round(sum / n) in integers gives the same bytes.
bool IsBox(const TKernel& k) {
  for (int j = -k.Size; j <= k.Size; ++j)
    if (k.W(j) != k.W(0)) return false;
  return true;
}

// Box blur of a run of `count` bytes `stride` apart, edge pixels repeated, through `tmp`.
void BoxRun(Byte* base, ptrdiff_t stride, Integer count, int size, Byte* tmp) {
  const int n = 2 * size + 1;
  const Integer last = count - 1;
  auto at = [&](Integer i) -> int { return base[std::clamp(i, 0, last) * stride]; };
  int sum = 0;
  for (int i = -size; i <= size; ++i) sum += at(i);
  for (Integer j = 0; j < count; ++j) {
    tmp[j] = static_cast<Byte>((2 * sum + n) / (2 * n));
    sum += at(j + size + 1) - at(j - size);
  }
  for (Integer j = 0; j < count; ++j) base[j * stride] = tmp[j];
}
}  // namespace

void Blur8(const TBytePixelView& v, double radius) {
  if (v.Empty() || !(radius > 0)) return;  // no blur of radius 0 or less (or NaN)
  TKernel k;
  MakeGaussianKernel(k, radius, 255, 1);
  std::vector<Byte> work(size_t(std::max(v.Width, v.Height)) + 1);
  std::vector<Byte> column(size_t(v.Height));
  if (IsBox(k)) {
    if (k.Size == 0) return;
    for (Integer y = 0; y < v.Height; ++y) BoxRun(v.Row(y), 1, v.Width, k.Size, work.data());
    for (Integer x = 0; x < v.Width; ++x) BoxRun(v.Line0 + x, v.Delta, v.Height, k.Size, work.data());
    return;
  }
  for (Integer y = 0; y < v.Height; ++y) BlurRow8(v.Row(y), v.Width - 1, k, work.data());
  for (Integer x = 0; x < v.Width; ++x) {
    for (Integer y = 0; y < v.Height; ++y) column[y] = v.Row(y)[x];
    BlurRow8(column.data(), v.Height - 1, k, work.data());
    for (Integer y = 0; y < v.Height; ++y) v.Row(y)[x] = column[y];
  }
}

void Blur8(TBitmap* bmp, double radius) { Blur8(ByteViewOf(bmp), radius); }

float FilterWeight(TFilterType filter, float x) {
  const float p = std::fabs(x);
  switch (filter) {
    case ftBox: return (p > 0.5f || x == -0.5f) ? 0.0f : 1.0f;
    case ftTriangle: return p < 1.0f ? 1.0f - p : 0.0f;
    case ftHermite: return p < 1.0f ? (2.0f * p - 3.0f) * p * p + 1.0f : 0.0f;
    case ftBell:
      if (p < 0.5f) return 0.75f - p * p;
      if (p < 1.5f) return 0.5f * (p - 1.5f) * (p - 1.5f);
      return 0.0f;
    case ftSpline:
      if (p < 1.0f) return (0.5f * p - 1.0f) * p * p + 2.0f / 3.0f;
      if (p < 2.0f) return (2.0f - p) * (2.0f - p) * (2.0f - p) / 6.0f;
      return 0.0f;
    case ftLanczos3: {
      if (p == 0.0f) return 1.0f;
      if (p >= 3.0f) return 0.0f;
      auto sinc = [](double y) { return std::sin(std::numbers::pi * y) / (std::numbers::pi * y); };
      return static_cast<float>(sinc(p) * sinc(p / 3.0));
    }
    case ftMitchell:
      if (p < 1.0f) return (7.0f / 6.0f * p - 2.0f) * p * p + 8.0f / 9.0f;
      if (p < 2.0f) return (2.0f - 7.0f / 18.0f * p) * p * p - 10.0f / 3.0f * p + 16.0f / 9.0f;
      return 0.0f;
  }
  return 0.0f;
}

void CreateContributors(TContributorTable& contrib, Integer size, Integer maxSize, TFilterType filter, Integer delta) {
  FreeContributors(contrib);
  if (size <= 0 || maxSize <= 0) return;
  const float support = CFilters[filter];
  const float scale2 = maxSize > size ? float(size) / float(maxSize) : 1.0f;
  const float aWidth = support / scale2;
  contrib.Start.reserve(size_t(size) + 1);
  contrib.Data.reserve(size_t(size) * size_t(std::trunc(2 * aWidth + 1) + 1));
  for (Integer a = 0; a < size; ++a) {
    contrib.Start.push_back(static_cast<Integer>(contrib.Data.size()));
    const float center = float(a) * float(maxSize) / float(size);
    const int64_t hi = static_cast<int64_t>(std::ceil(center + aWidth));
    const int64_t lo = static_cast<int64_t>(std::floor(center - aWidth));
    for (int64_t b = hi; b >= lo; --b) {
      const float x = (center - float(b)) * scale2;
      if (std::fabs(x) >= support) continue;
      const float w = FilterWeight(filter, x);
      if (w == 0.0f) continue;
      // Mirrored at the edges, then kept inside the line: a kernel wider than twice the line
      // (Lanczos on two pixels, shrinking to one) would otherwise mirror out of it.
      int64_t m = b;
      if (m < 0) m = -m >= maxSize ? 2 * int64_t(maxSize) + m - 1 : -m;
      if (m >= maxSize) m = 2 * int64_t(maxSize) - m - 1;
      m = std::clamp<int64_t>(m, 0, maxSize - 1);
      // Rounded half to even (the current rounding, as nearbyint; lrintf is the one that does
      // not cost a call through the run-time library's rounding-mode handling on Windows).
      contrib.Data.push_back(
          {static_cast<Integer>(m * delta), static_cast<Integer>(std::lrintf(w * scale2 * 65536.0f))});
    }
  }
  contrib.Start.push_back(static_cast<Integer>(contrib.Data.size()));
}

void FreeContributors(TContributorTable& contrib) {
  contrib.Data.clear();
  contrib.Start.clear();
}

void DrawLine32Pas(Integer count, const TContributorTable& contributes, const Byte* srcLine, Byte* dstLine,
                   Integer dstDelta) {
  count = std::min(count, contributes.Size());
  for (Integer x = 0; x < count; ++x) {
    int32_t b = 0, g = 0, r = 0, a = 0;
    for (Integer i = contributes.Start[x]; i < contributes.Start[x + 1]; ++i) {
      const TContributor& c = contributes.Data[i];
      const Byte* s = srcLine + c.Pixel;
      b += s[0] * c.Weight;
      g += s[1] * c.Weight;
      r += s[2] * c.Weight;
      a += s[3] * c.Weight;
    }
    auto clamp = [](int32_t v) -> Byte { return v < 0 ? 0 : v > 255 * 65536 ? 255 : static_cast<Byte>(v >> 16); };
    Byte* d = dstLine + ptrdiff_t(x) * dstDelta;
    d[0] = clamp(b);
    d[1] = clamp(g);
    d[2] = clamp(r);
    d[3] = clamp(a);
  }
}

#ifdef TW_SSE2
namespace {
// The SSE2 form of DrawLine32Pas, for both passes of StretchView. A channel byte c is taken as
// the 16-bit pair (c, 8c) and a 16.16 weight w as (w mod 32768, 4096 * (w div 32768)): one
// pmaddwd then gives c * w exactly in 32 bits, for the four channels of a pixel at once, so
// the sums are those of the scalar rule. Weights must lie within +-2^17 (4096 * (w div 32768)
// then fits 16 bits); the filters' weights are below 1.1 * 65536.
using V = __m128i;

// Vectors kept in plain 32-bit words and read and written unaligned: the heap of the 32-bit
// Windows build aligns to 8 bytes only, and an aligned SSE access there faults.
// The words live in a buffer of the caller's scratch.
class TVectors {
 public:
  explicit TVectors(std::vector<uint32_t>& words) : words_(words) {}
  void Resize(size_t count) { words_.resize(4 * count); }
  V operator[](size_t i) const { return _mm_loadu_si128(reinterpret_cast<const V*>(words_.data() + 4 * i)); }
  void Set(size_t i, V v) { _mm_storeu_si128(reinterpret_cast<V*>(words_.data() + 4 * i), v); }

 private:
  std::vector<uint32_t>& words_;
};

bool SplitWeights(const TContributorTable& t, TVectors& out) {
  out.Resize(t.Data.size());
  for (size_t i = 0; i < t.Data.size(); ++i) {
    const int32_t weight = t.Data[i].Weight;
    if (weight < -(1 << 17) || weight >= (1 << 17)) return false;
    const int high = weight >> 15, low = weight - high * 32768;  // >> floors: low is 0..32767
    out.Set(i, _mm_set1_epi32(static_cast<int>(uint32_t(low) | uint32_t(high * 4096) << 16)));
  }
  return true;
}
// Four bytes (c0..c3) as the pairs (c, 8c).
inline V Pairs(V bytes4, V zero) {
  const V w = _mm_unpacklo_epi8(bytes4, zero);
  return _mm_unpacklo_epi16(w, _mm_slli_epi16(w, 3));
}
// Sums of two pixels (four channels each) to bytes: negative to 0, above 255 * 65536 to 255,
// else the sum shifted down 16.
inline V SumsToBytes(V a, V b) {
  const V words = _mm_packs_epi32(_mm_srai_epi32(a, 16), _mm_srai_epi32(b, 16));
  return _mm_packus_epi16(words, words);
}

// One source row into one work row: the row's pixels taken as pairs once, then each
// destination pixel's taps.
void HorizontalRow(const uint32_t* src, Integer srcWidth, uint32_t* dst, Integer count, const TContributorTable& t,
                   const TVectors& w, TVectors& pairs) {
  const V zero = _mm_setzero_si128();
  for (Integer x = 0; x < srcWidth; ++x) pairs.Set(size_t(x), Pairs(_mm_cvtsi32_si128(static_cast<int>(src[x])), zero));
  Integer x = 0;
  auto sum = [&](Integer at) {
    V acc = zero;
    for (Integer i = t.Start[at]; i < t.Start[at + 1]; ++i)
      acc = _mm_add_epi32(acc, _mm_madd_epi16(pairs[size_t(t.Data[i].Pixel >> 2)], w[size_t(i)]));
    return acc;
  };
  for (; x + 2 <= count; x += 2) _mm_storel_epi64(reinterpret_cast<V*>(dst + x), SumsToBytes(sum(x), sum(x + 1)));
  if (x < count) dst[x] = static_cast<uint32_t>(_mm_cvtsi128_si32(SumsToBytes(sum(x), zero)));
}

// Every column of the work bitmap into one destination row: for each pair of columns the
// taps' rows.
void VerticalRow(const Byte* work0, Integer width, uint32_t* dst, Integer at, const TContributorTable& t,
                 const TVectors& w) {
  const V zero = _mm_setzero_si128();
  const Integer first = t.Start[at], last = t.Start[at + 1];
  Integer x = 0;
  for (; x + 2 <= width; x += 2) {
    V a = zero, b = zero;
    for (Integer i = first; i < last; ++i) {
      const V bytes = _mm_loadl_epi64(reinterpret_cast<const V*>(work0 + t.Data[i].Pixel + ptrdiff_t(x) * 4));
      const V words = _mm_unpacklo_epi8(bytes, zero), eight = _mm_slli_epi16(words, 3);
      a = _mm_add_epi32(a, _mm_madd_epi16(_mm_unpacklo_epi16(words, eight), w[size_t(i)]));
      b = _mm_add_epi32(b, _mm_madd_epi16(_mm_unpackhi_epi16(words, eight), w[size_t(i)]));
    }
    _mm_storel_epi64(reinterpret_cast<V*>(dst + x), SumsToBytes(a, b));
  }
  if (x < width) {
    V a = zero;
    for (Integer i = first; i < last; ++i) {
      uint32_t p;
      std::memcpy(&p, work0 + t.Data[i].Pixel + ptrdiff_t(x) * 4, 4);
      a = _mm_add_epi32(a, _mm_madd_epi16(Pairs(_mm_cvtsi32_si128(static_cast<int>(p)), zero), w[size_t(i)]));
    }
    dst[x] = static_cast<uint32_t>(_mm_cvtsi128_si32(SumsToBytes(a, zero)));
  }
}
}  // namespace
#endif

void TStretchScratch::Reserve(Integer srcWidth, Integer srcHeight, Integer dstWidth, Integer dstHeight) {
  if (srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0) return;
  Work.reserve(size_t(dstWidth) * size_t(srcHeight));
  // Taps per destination pixel: the filter's support on both sides, widened when shrinking.
  const Integer longest = std::max(dstWidth, dstHeight);
  const size_t taps = size_t(longest) * (2 * size_t(std::ceil(CFilters[ftLanczos3])) + 2);
  Contributors.Data.reserve(taps);
  Contributors.Start.reserve(size_t(longest) + 1);
  Weights.reserve(4 * taps);
  Pairs.reserve(4 * size_t(srcWidth));
}

void StretchView(const TPixelView& src, const TPixelView& dst, TFilterType filter) {
  TStretchScratch scratch;
  StretchView(src, dst, filter, scratch);
}

void StretchView(const TPixelView& src, const TPixelView& dst, TFilterType filter, TStretchScratch& scratch) {
  if (src.Empty() || dst.Empty() || src.Width < 2 || src.Height < 2) return;
  // Every work pixel is written by the horizontal pass before the vertical one reads it.
  scratch.Work.resize(size_t(dst.Width) * size_t(src.Height));
  const Integer workDelta = dst.Width * 4;
  Byte* work0 = reinterpret_cast<Byte*>(scratch.Work.data());
  TContributorTable& c = scratch.Contributors;
  CreateContributors(c, dst.Width, src.Width, filter, 4);
#ifdef TW_SSE2
  // The vector path walks the work bitmap by rows in both passes.
  TVectors w(scratch.Weights);
  if (VectorPixels() && SplitWeights(c, w)) {
    TVectors pairs(scratch.Pairs);
    pairs.Resize(size_t(src.Width));
    for (Integer y = 0; y < src.Height; ++y)
      HorizontalRow(src.Row(y), src.Width, scratch.Work.data() + size_t(y) * dst.Width, dst.Width, c, w, pairs);
    CreateContributors(c, dst.Height, src.Height, filter, workDelta);
    if (SplitWeights(c, w)) {
      for (Integer y = 0; y < dst.Height; ++y) VerticalRow(work0, dst.Width, dst.Row(y), y, c, w);
      return;
    }
  } else
#endif
  {
    for (Integer y = 0; y < src.Height; ++y)
      DrawLine32Pas(dst.Width, c, reinterpret_cast<const Byte*>(src.Row(y)), work0 + ptrdiff_t(y) * workDelta, 4);
    CreateContributors(c, dst.Height, src.Height, filter, workDelta);
  }
  for (Integer x = 0; x < dst.Width; ++x)
    DrawLine32Pas(dst.Height, c, work0 + ptrdiff_t(x) * 4, dst.Line0 + ptrdiff_t(x) * 4, dst.Delta);
}

void Stretch(TBitmap* srcBmp, TBitmap* dstBmp, Integer dstWidth, Integer dstHeight, TFilterType filter) {
  if (!srcBmp || !dstBmp || dstWidth <= 0 || dstHeight <= 0) return;
  TPixelView s = ViewOf(srcBmp);
  if (s.Empty() || s.Width < 2 || s.Height < 2) return;
  if (s.Width == dstWidth && s.Height == dstHeight) {
    if (srcBmp != dstBmp) dstBmp->Assign(srcBmp);
    return;
  }
  // The source survives in a copy when it is also the destination.
  std::vector<uint32_t> copy;
  if (srcBmp == dstBmp) {
    copy.resize(size_t(s.Width) * s.Height);
    TPixelView c{reinterpret_cast<Byte*>(copy.data()), s.Width * 4, s.Width, s.Height};
    CopyPixels(c, 0, 0, s, {0, 0, s.Width, s.Height});
    s = c;
  }
  // Four bytes a pixel are written: the destination becomes a 32-bit bitmap.
  try {
    dstBmp->SetPixelFormat(pf32bit);
    dstBmp->SetSize(dstWidth, dstHeight);
  } catch (const Exception&) { return; }
  StretchView(s, dstBmp->View(), filter);
}

void StretchRectView(const TPixelView& src, Integer x, Integer y, Integer w, Integer h, const TPixelView& dst,
                     TFilterType filter) {
  if (src.Empty() || dst.Empty()) return;
  TRect r{x, y, static_cast<Integer>(std::min<int64_t>(int64_t(x) + w, INT32_MAX)),
          static_cast<Integer>(std::min<int64_t>(int64_t(y) + h, INT32_MAX))};
  if (!ClipToView(r, src)) return;
  if (r.Left == 0 && r.Top == 0 && r.Right == src.Width && r.Bottom == src.Height && src.Width >= 2 &&
      src.Height >= 2) {
    StretchView(src, dst, filter);
    return;
  }
  const Integer cw = r.Width(), ch = r.Height(), tw = std::max(cw, 2), th = std::max(ch, 2);
  std::vector<uint32_t> tmp(size_t(tw) * th);
  TPixelView t{reinterpret_cast<Byte*>(tmp.data()), tw * 4, tw, th};
  CopyPixels(t, 0, 0, src, r);
  if (cw == 1)
    for (Integer yy = 0; yy < ch; ++yy) t.Row(yy)[1] = t.Row(yy)[0];
  if (ch == 1) std::memcpy(t.Row(1), t.Row(0), size_t(tw) * 4);
  StretchView(t, dst, filter);
}

void StretchNearest(const TPixelView& dst, const TRect& dstRect, const TPixelView& src, const TRect& srcRect,
                    const TRect* clip) {
  if (dst.Empty() || src.Empty()) return;
  const int64_t dw = int64_t(dstRect.Right) - dstRect.Left, dh = int64_t(dstRect.Bottom) - dstRect.Top;
  const int64_t sw = int64_t(srcRect.Right) - srcRect.Left, sh = int64_t(srcRect.Bottom) - srcRect.Top;
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  // No picture is 2^28 pixels long; the limit keeps (2i + 1) * sw within 64 bits.
  constexpr int64_t kLimit = int64_t(1) << 28;
  if (dw > kLimit || dh > kLimit || sw > kLimit || sh > kLimit) return;
  // Destination pixel i samples the source pixel under its centre; a centre on the boundary
  // of two pixels takes the left (upper) one, as block stretches of GDI do when growing.
  int64_t cl = 0, ct = 0, cr = dst.Width, cb = dst.Height;
  if (clip) {
    cl = std::max<int64_t>(cl, clip->Left);
    ct = std::max<int64_t>(ct, clip->Top);
    cr = std::min<int64_t>(cr, clip->Right);
    cb = std::min<int64_t>(cb, clip->Bottom);
  }
  const int64_t x0 = std::max<int64_t>(0, cl - dstRect.Left), x1 = std::min<int64_t>(dw, cr - dstRect.Left);
  const int64_t y0 = std::max<int64_t>(0, ct - dstRect.Top), y1 = std::min<int64_t>(dh, cb - dstRect.Top);
  if (x0 >= x1 || y0 >= y1) return;
  std::vector<int32_t> cols(size_t(x1 - x0));
  bool allColumns = true;  // every destination column has its source pixel
  for (int64_t i = x0; i < x1; ++i) {
    const int32_t sx = static_cast<int32_t>(srcRect.Left + ((2 * i + 1) * sw - 1) / (2 * dw));
    cols[size_t(i - x0)] = sx;
    allColumns = allColumns && sx >= 0 && sx < src.Width;
  }
  // When growing, runs of destination rows sample the same source row: the row is gathered
  // once and copied. (Not when the two views share memory: the copy must not see a source row
  // that a destination row has overwritten.)
  const bool reuseRows = allColumns && dst.Line0 != src.Line0;
  const uint32_t* lastRow = nullptr;
  int64_t lastSy = -1;
  for (int64_t j = y0; j < y1; ++j) {
    const int64_t sy = srcRect.Top + ((2 * j + 1) * sh - 1) / (2 * dh);
    if (sy < 0 || sy >= src.Height) continue;
    uint32_t* d = dst.Row(static_cast<Integer>(dstRect.Top + j)) + dstRect.Left;
    if (reuseRows && sy == lastSy) {
      std::memcpy(d + x0, lastRow + x0, size_t(x1 - x0) * 4);
      continue;
    }
    const uint32_t* s = src.Row(static_cast<Integer>(sy));
    for (int64_t i = x0; i < x1; ++i) {
      const int32_t sx = cols[size_t(i - x0)];
      if (sx >= 0 && sx < src.Width) d[i] = s[sx];
    }
    lastRow = d;
    lastSy = sy;
  }
}
