// The resampler with memory kept between calls against the resampler with fresh memory, and the
// quick blur on plain pixels against its rules written out here one pixel at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "raster/Pixels.h"
#include "raster/Resampling.h"
#include "support/Pixels.h"

namespace {

// ---- The quick blur's rules, nothing precomputed ----------------------------------------------

uint32_t A(uint32_t p) { return p >> 24; }
uint32_t C(uint32_t p, int shift) { return p >> shift & 0xFF; }

uint32_t Lifted(uint32_t p) { return (p & 0xFFFFFF) | (A(p) / 2 + 127) << 24; }

uint32_t Blend(uint32_t s, uint32_t e, uint32_t weight) {
  const uint32_t sa = A(s) * (255 - weight), ea = A(e) * weight, f = sa + ea;
  if (f < 255) return 0;
  uint32_t out = (f / 255) << 24;
  for (int shift : {0, 8, 16}) out |= (C(s, shift) * sa + C(e, shift) * ea) / f << shift;
  return out;
}

// Premultiplied, then settled.
uint32_t Settled(uint32_t p) {
  const uint32_t a = A(p);
  uint32_t pre[3];
  for (int i = 0; i < 3; ++i) pre[i] = (C(p, 8 * i) * a + 127) / 255;
  if (a == 0) return pre[0] | pre[1] << 8 | pre[2] << 16;
  uint32_t out = (a * 2 > 255 ? a * 2 - 255 : 0) << 24;
  for (int i = 0; i < 3; ++i) out |= std::min<uint32_t>(255, pre[i] * 256 / a) << (8 * i);
  return out;
}

// Where destination pixel i of count falls in a source whose span is span pixels.
struct Place {
  Integer Low, High;
  uint32_t Weight;
};
Place PlaceOf(Integer i, Integer count, Integer span) {
  const float k = 1.0f / (float(count) / float(span));
  const float at = k * float(i);
  return {Integer(std::floor(at)), Integer(std::ceil(at)), uint32_t((at - std::floor(at)) * 255.0f + 0.5f)};
}

void Pass(const TPixelView& src, const TPixelView& dst) {
  for (Integer y = 0; y < dst.Height; ++y) {
    const Place py = PlaceOf(y, dst.Height, src.Height - 1);
    for (Integer x = 0; x < dst.Width; ++x) {
      const Place px = PlaceOf(x, dst.Width, src.Width - 1);
      const uint32_t top = Blend(Lifted(src.At(px.Low, py.Low)), Lifted(src.At(px.High, py.Low)), px.Weight);
      const uint32_t bottom = Blend(Lifted(src.At(px.Low, py.High)), Lifted(src.At(px.High, py.High)), px.Weight);
      dst.At(x, y) = Settled(Blend(top, bottom, py.Weight));
    }
  }
}

void QuickBlurWrittenOut(TestPixels& p) {
  TestPixels half(p.View.Width / 2, p.View.Height / 2);
  Pass(p.View, half.View);
  Pass(half.View, p.View);
}

// Every pixel kind the ripple meets: transparent, opaque, translucent, in runs.
void FillMixed(TestPixels& p, TestRandom& rnd) {
  size_t i = 0;
  while (i < p.Mem.size()) {
    const int kind = rnd.Range(0, 3), run = rnd.Range(1, 12);
    for (int k = 0; k < run && i < p.Mem.size(); ++k, ++i) {
      const uint32_t colour = rnd.Next() & 0xFFFFFF;
      p.Mem[i] = kind == 0 ? 0u : kind == 1 ? colour | 0xFF000000u : kind == 2 ? rnd.Next() : colour;
    }
  }
}

void ExpectSamePixels(const TestPixels& got, const TestPixels& want, const std::string& what) {
  int wrong = 0;
  for (Integer y = 0; y < want.View.Height; ++y)
    for (Integer x = 0; x < want.View.Width; ++x)
      if (got.At(x, y) != want.At(x, y) && ++wrong <= 3)
        ADD_FAILURE() << what << " at " << x << "," << y << ": " << Hex(got.At(x, y)) << " not " << Hex(want.At(x, y));
  EXPECT_EQ(wrong, 0) << what;
}

}  // namespace

TEST(QuickBlur, FollowsItsRulesAtEverySize) {
  // Odd and even sides (whole and broken steps of the half-size pass), the least size, long
  // and flat pictures, bottom-up rows.
  const std::pair<Integer, Integer> sizes[] = {{4, 4},   {5, 4},   {4, 9},   {9, 7},    {12, 10}, {21, 13},
                                               {30, 24}, {64, 5},  {6, 50},  {107, 37}, {114, 44}};
  TestRandom rnd(7);
  TQuickBlurScratch scratch;  // one for all: the sizes grow and shrink
  for (const auto& [w, h] : sizes)
    for (bool bottomUp : {false, true})
      for (int picture = 0; picture < 3; ++picture) {
        TestPixels p(w, h, 0, bottomUp);
        if (picture == 0) FillRandom(p, rnd);
        if (picture == 1) FillMixed(p, rnd);
        if (picture == 2)  // an opaque block on nothing, the ripple's own picture
          for (Integer y = h / 4; y < h - h / 4; ++y)
            for (Integer x = w / 4; x < w - w / 4; ++x) p.At(x, y) = 0xFF2040E0u;
        TestPixels want = p;
        QuickBlurWrittenOut(want);
        ASSERT_TRUE(QuickBlurView(p.View, scratch));
        ExpectSamePixels(p, want,
                         std::to_string(w) + "x" + std::to_string(h) + " picture " + std::to_string(picture) +
                             (bottomUp ? " bottom-up" : ""));
      }
}

TEST(QuickBlur, EveryChannelValueAtEveryAlpha) {
  // Each alpha in its own picture whose columns run through every channel value, so that
  // every (alpha, channel) pair is blended, premultiplied and settled.
  TQuickBlurScratch scratch;
  for (uint32_t alpha = 0; alpha < 256; ++alpha) {
    TestPixels p(256, 5);
    for (Integer y = 0; y < 5; ++y)
      for (Integer x = 0; x < 256; ++x)
        p.At(x, y) = alpha << 24 | uint32_t(x) << 16 | uint32_t(255 - x) << 8 | uint32_t((x * 7 + y * 31) & 0xFF);
    TestPixels want = p;
    QuickBlurWrittenOut(want);
    ASSERT_TRUE(QuickBlurView(p.View, scratch));
    ExpectSamePixels(p, want, "alpha " + std::to_string(alpha));
    if (HasFailure()) return;
  }
}

TEST(QuickBlur, LeavesPicturesBelowFourPixelsUnchanged) {
  TQuickBlurScratch scratch;
  for (const auto& [w, h] : {std::pair{3, 10}, std::pair{10, 3}, std::pair{1, 1}}) {
    TestPixels p(w, h);
    TestRandom rnd(3);
    FillRandom(p, rnd);
    const std::vector<uint32_t> before = p.Mem;
    EXPECT_FALSE(QuickBlurFits(w, h));
    EXPECT_FALSE(QuickBlurView(p.View, scratch)) << w << "x" << h;
    EXPECT_EQ(p.Mem, before) << w << "x" << h;
  }
  EXPECT_FALSE(QuickBlurView(TPixelView{}, scratch));
  EXPECT_TRUE(QuickBlurFits(4, 4));
}

TEST(StretchScratch, ReusedMemoryGivesTheBytesOfFreshMemory) {
  // One scratch through a run of stretches that grow, shrink and change shape, with every
  // filter and on both pixel paths; the destination is a view inside a guarded block, as the
  // ripple stretches into its place inside a larger frame.
  const std::pair<TSize, TSize> runs[] = {
      {TSize(100, 30), TSize(102, 32)}, {TSize(107, 37), TSize(109, 39)}, {TSize(40, 90), TSize(20, 45)},
      {TSize(2, 2), TSize(9, 3)},       {TSize(300, 40), TSize(302, 42)}, {TSize(64, 64), TSize(63, 65)}};
  TestRandom rnd(11);
  for (TPixelPath path : {TPixelPath::Vector, TPixelPath::Scalar}) {
    TPixelPathScope scope(path);
    for (int f = ftBox; f <= ftMitchell; ++f) {
      TStretchScratch scratch;
      scratch.Reserve(50, 50, 60, 60);  // too small for some: it must grow when asked
      for (const auto& [from, to] : runs) {
        TestPixels src(from.cx, from.cy);
        FillRandom(src, rnd);
        TestPixels fresh(to.cx, to.cy);
        StretchView(src.View, fresh.View, TFilterType(f));
        GuardedPixels reused(to.cx, to.cy, 0x12345678u);
        StretchView(src.View, reused.View, TFilterType(f), scratch);
        EXPECT_EQ(reused.ChangedMarginPixels(), 0) << f;
        int wrong = 0;
        for (Integer y = 0; y < to.cy; ++y)
          for (Integer x = 0; x < to.cx; ++x) wrong += reused.View.At(x, y) != fresh.At(x, y);
        EXPECT_EQ(wrong, 0) << "filter " << f << " " << from.cx << "x" << from.cy << " to " << to.cx << "x"
                            << to.cy << (path == TPixelPath::Scalar ? " scalar" : " vector");
      }
    }
  }
}

TEST(StretchContributors, WeightsAreTheFiltersRoundedHalfToEven) {
  // The taps written out: every source pixel within the filter's reach of the centre, mirrored
  // at the ends, weighted by the filter times the scale in 16.16, rounded half to even.
  const std::pair<Integer, Integer> sizes[] = {{102, 100}, {362, 360}, {9, 4}, {4, 9}, {50, 33}, {1, 2}, {7, 7}};
  for (int f = ftBox; f <= ftMitchell; ++f)
    for (const auto& [size, maxSize] : sizes) {
      TContributorTable c;
      CreateContributors(c, size, maxSize, TFilterType(f), 4);
      ASSERT_EQ(c.Size(), size);
      const float support = CFilters[f];
      const float scale2 = maxSize > size ? float(size) / float(maxSize) : 1.0f;
      const float reach = support / scale2;
      for (Integer a = 0; a < size; ++a) {
        std::vector<std::pair<Integer, Integer>> want;
        const float centre = float(a) * float(maxSize) / float(size);
        for (int64_t b = int64_t(std::ceil(centre + reach)); b >= int64_t(std::floor(centre - reach)); --b) {
          const float x = (centre - float(b)) * scale2;
          const float w = FilterWeight(TFilterType(f), x);
          if (std::fabs(x) >= support || w == 0.0f) continue;
          int64_t m = b < 0 ? (-b >= maxSize ? 2 * int64_t(maxSize) + b - 1 : -b) : b;
          if (m >= maxSize) m = 2 * int64_t(maxSize) - m - 1;
          m = std::clamp<int64_t>(m, 0, maxSize - 1);
          want.push_back({Integer(m * 4), Integer(std::nearbyint(w * scale2 * 65536.0f))});
        }
        std::vector<std::pair<Integer, Integer>> got;
        for (Integer i = c.Start[a]; i < c.Start[a + 1]; ++i) got.push_back({c.Data[i].Pixel, c.Data[i].Weight});
        EXPECT_EQ(got, want) << "filter " << f << ", " << maxSize << " to " << size << ", pixel " << a;
      }
    }
}
