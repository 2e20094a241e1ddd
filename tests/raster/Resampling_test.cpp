// The resampler with memory kept between calls against the resampler with fresh memory, and
// its filter weights against the filters written out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "raster/Pixels.h"
#include "raster/Resampling.h"
#include "support/Pixels.h"

TEST(StretchScratch, ReusedMemoryGivesTheBytesOfFreshMemory) {
  // One scratch through a run of stretches that grow, shrink and change shape, with every
  // filter and on both pixel paths; the destination is a view inside a guarded block, as the
  // ripple stretches into its place inside a larger frame.
  const std::pair<TSize, TSize> runs[] = {{TSize(100, 30), TSize(102, 32)}, {TSize(107, 37), TSize(109, 39)},
                                          {TSize(40, 90), TSize(20, 45)},   {TSize(2, 2), TSize(9, 3)},
                                          {TSize(300, 40), TSize(302, 42)}, {TSize(64, 64), TSize(63, 65)}};
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
        EXPECT_EQ(wrong, 0) << "filter " << f << " " << from.cx << "x" << from.cy << " to " << to.cx << "x" << to.cy
                            << (path == TPixelPath::Scalar ? " scalar" : " vector");
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
