// The progress bar's geometry: items, fill, counts, the cache's skip rule and the marquee step.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "controls/kvProgressBar.h"

namespace {

TkvProgressShape Bar(Integer width, Integer height, Integer position, Integer min = 0, Integer max = 100) {
  TkvProgressShape s;
  s.Width = width;
  s.Height = height;
  s.Position = position;
  s.Min = min;
  s.Max = max;
  return s;
}

std::vector<TRect> Segments(const TkvProgressShape& s) {
  std::vector<TRect> out;
  ForEachProgressSegment(s, [&](const TRect& r) { out.push_back(r); });
  return out;
}

TEST(ProgressGeometry, SegmentedBarOf406x21) {
  const TkvProgressShape s = Bar(406, 21, 50);
  const TRect cl = ProgressClientRect(s);
  EXPECT_EQ(cl.Width(), 404);
  EXPECT_EQ(cl.Height(), 19);
  EXPECT_EQ(ProgressItemSize(s), TSize(11, 19));  // round(19 * 0.66) - 2
  EXPECT_EQ(ProgressItemCount(s), 15);            // 30 items, half of them
  const auto items = Segments(s);
  ASSERT_EQ(items.size(), 15u);
  EXPECT_EQ(items[0], TRect(1, 1, 12, 20));
  EXPECT_EQ(items[1].Left - items[0].Right, 2);  // gap (402 - 330) div 29
  EXPECT_EQ(items[14].Left, 1 + 13 * 14);
}

TEST(ProgressGeometry, FullBarEndsWithANarrowerItem) {
  const auto items = Segments(Bar(406, 21, 100));
  ASSERT_EQ(items.size(), 31u);
  EXPECT_EQ(items.back(), TRect(391, 1, 405, 20));  // the rest of 14 pixels
}

TEST(ProgressGeometry, CountsAndFillFollowTheRange) {
  struct Case {
    Integer min, max, position, count, right;
  } cases[] = {
      {0, 100, 0, 0, 1},       {0, 100, 100, 30, 405}, {0, 100, 25, 8, 102},           {50, 150, 100, 15, 203},
      {-100, 0, -50, 15, 203}, {10, 10, 10, 0, 405},   {INT_MIN, INT_MAX, 0, 15, 203},  // Max - Min needs 33 bits
  };
  for (const Case& c : cases) {
    const TkvProgressShape s = Bar(406, 21, c.position, c.min, c.max);
    EXPECT_EQ(ProgressItemCount(s), c.count) << c.min << ".." << c.max << " @" << c.position;
    EXPECT_EQ(ProgressFillRect(s).Right, c.right) << c.min << ".." << c.max << " @" << c.position;
  }
}

TEST(ProgressGeometry, RangeIsWideEnoughForTheWholeInteger) {
  EXPECT_EQ(ProgressRange(INT_MIN, INT_MAX), 4294967295LL);
  EXPECT_EQ(ProgressRange(INT_MIN, 0), 2147483648LL);
}

TEST(ProgressGeometry, PositionsAreClampedToTheRange) {
  struct Case {
    Integer position, min, max, expected;
  } cases[] = {{-5, 0, 100, 0},         {500, 0, 100, 100},     {42, 0, 100, 42},
               {INT_MIN, -10, 10, -10}, {INT_MAX, -10, 10, 10}, {7, 20, 10, 20}};
  for (const Case& c : cases) EXPECT_EQ(ClampProgressPosition(c.position, c.min, c.max), c.expected) << c.position;
}

TEST(ProgressGeometry, VerticalBarFillsFromTheBottom) {
  TkvProgressShape s = Bar(21, 406, 50);
  s.Vertical = true;
  EXPECT_EQ(ProgressItemSize(s), TSize(19, 11));
  EXPECT_EQ(ProgressFillRect(s), TRect(1, 203, 20, 405));
  const auto items = Segments(s);
  ASSERT_EQ(items.size(), 15u);
  EXPECT_EQ(items[0], TRect(1, 394, 20, 405));
}

// The cache is kept only while valid, with an unchanged count, below Max; a range that does not
// start at 0 reaches Max like any other.
TEST(ProgressGeometry, CacheSkipRule) {
  struct Case {
    bool valid;
    Integer count, oldCount, position, max;
    bool current;
  } cases[] = {
      {true, 5, 5, 40, 100, true},    {false, 5, 5, 40, 100, false},   {true, 6, 5, 40, 100, false},
      {true, 5, -1, 40, 100, false},  {true, 30, 30, 150, 150, false},  // Min 50, full
      {true, 30, 30, 100, 150, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProgressCacheCurrent(c.valid, c.count, c.oldCount, c.position, c.max), c.current)
        << c.valid << " " << c.count << " " << c.oldCount << " " << c.position;
}

TEST(ProgressGeometry, MarqueeRunsOneWayAndWraps) {
  TkvProgressShape s = Bar(200, 20, 0);
  s.Marquee = true;
  TkvMarqueeStep step = NextMarqueeStep(s, 9, 1, 8, false);
  EXPECT_DOUBLE_EQ(step.Pos, 4.0);  // 18 / 36 * 8
  EXPECT_EQ(step.Orient, 1);
  s.MarqPos = 190;
  EXPECT_EQ(NextMarqueeStep(s, 9, 1, 8, false).Pos, 0.0);
  EXPECT_EQ(ProgressItemSize(s), TSize(9, 18));
}

TEST(ProgressGeometry, MarqueeBouncesInTheErrorState) {
  TkvProgressShape s = Bar(200, 20, 0);
  s.Marquee = true;
  s.MarqPos = 150;
  const TkvMarqueeStep atEnd = NextMarqueeStep(s, 9, 1, 8, true);
  EXPECT_EQ(atEnd.Orient, -1);
  EXPECT_GT(atEnd.Pos, 150.0);
  s.MarqPos = 3;
  EXPECT_EQ(NextMarqueeStep(s, 9, -1, 8, true).Orient, 1);
}

// An interval of -27 (or below) divided by zero or went backwards.
TEST(ProgressGeometry, MarqueeIntervalBelowZeroCountsAsZero) {
  TkvProgressShape s = Bar(200, 20, 0);
  s.Marquee = true;
  s.MarqPos = 10;
  for (Integer interval : {-27, -28, INT_MIN, -1}) {
    const TkvMarqueeStep step = NextMarqueeStep(s, interval, 1, 8, false);
    EXPECT_DOUBLE_EQ(step.Pos, 10 + 18.0 / 27 * 8) << interval;
  }
}

}  // namespace
