// The geometry of skinned scroll bars: rounding, the thumb, the layout of bars and corner,
// the portion under a point, and the position a thumb drag sends.
#include <gtest/gtest.h>

#include <climits>
#include <iterator>

#include "wrappers/kvSBUtils.h"

TEST(ScrollGeometry, MulDivRoundsHalfAwayFromZeroAndFailsAsTheSystemDoes) {
  struct Case {
    Integer a, b, c, out;
  } cases[] = {
      {10, 3, 4, 8},  {-10, 3, 4, -8}, {7, 1, 2, 4},        {5, -1, 2, -3},
      {6, 1, -4, -2}, {1, 1, 0, -1},   {INT_MAX, 2, 1, -1}, {INT_MAX, 2, 2, INT_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(kvMulDiv(c.a, c.b, c.c), c.out) << c.a << " " << c.b << " " << c.c;
}

TEST(ScrollGeometry, ScrollInfoActive) {
  EXPECT_TRUE(Kv_IsScrollInfoActive({0, 99, 10, 0}));
  EXPECT_FALSE(Kv_IsScrollInfoActive({0, 9, 20, 0}));  // page larger than the range's end
  EXPECT_FALSE(Kv_IsScrollInfoActive({5, 5, 0, 5}));   // no range
  EXPECT_FALSE(Kv_IsScrollInfoActive({-5, 0, 0, 0}));  // nMax 0
}

TEST(ScrollGeometry, Thumb) {
  struct Case {
    TkvScrollValues si;
    Integer start, length, but, pos, size;
  } cases[] = {
      {{0, 99, 10, 0}, 0, 200, 20, 20, 16},        // a page of 10 in 100 is 16 of 160, at the top
      {{0, 99, 10, 90}, 0, 200, 20, 164, 16},      // at the last page: the track's end
      {{0, 99, 0, 50}, 0, 200, 20, 91, 20},        // no page: the arrow length, pos by 99 steps
      {{0, 999, 5, 0}, 10, 200, 0, 10, 19},        // no arrows: at least 19 pixels
      {{0, 9, 20, 0}, 0, 200, 20, 20, 320},        // page beyond the range: never before the track
      {{5, 5, 1, 5}, 0, 200, 20, 20, 160},         // one value: no division by zero
      {{100, 199, 10, 100}, 50, 200, 20, 70, 16},  // nMin counts from the bar's start
  };
  for (const auto& c : cases) {
    const TkvThumb t = Kv_CalcThumb(c.si, c.start, c.length, c.but, 16);
    EXPECT_EQ(t.Pos, c.pos) << c.si.nMax << " " << c.si.nPage << " " << c.si.nPos;
    EXPECT_EQ(t.Size, c.size) << c.si.nMax << " " << c.si.nPage << " " << c.si.nPos;
  }
}

TEST(ScrollGeometry, LayoutOfBarsAndCorner) {
  const TRect window(100, 50, 400, 350);
  TkvScrollLayout l = Kv_ScrollLayout(window, 2, 2, 2, 2, 17, 17, false);
  EXPECT_EQ(l.Horz, TRect(102, 331, 381, 348));
  EXPECT_EQ(l.Vert, TRect(381, 52, 398, 331));
  EXPECT_EQ(l.Corner, TRect(381, 331, 398, 348));
  l = Kv_ScrollLayout(window, 2, 2, 2, 2, 17, 17, true);  // the vertical bar at the left
  EXPECT_EQ(l.Horz, TRect(119, 331, 398, 348));
  EXPECT_EQ(l.Vert, TRect(102, 52, 119, 331));
  EXPECT_EQ(l.Corner, TRect(102, 331, 119, 348));
  l = Kv_ScrollLayout(window, 1, 3, 4, 5, 0, 20, false);  // no horizontal bar
  EXPECT_EQ(l.Vert, TRect(377, 54, 397, 345));
  EXPECT_EQ(l.Horz.Top, l.Horz.Bottom);
}

TEST(ScrollGeometry, PortionUnderThePoint) {
  const TkvScrollValues top{0, 99, 10, 0}, end{0, 99, 10, 90}, all{0, 9, 20, 0};
  struct Case {
    TkvScrollValues si;
    Integer length, coord;
    bool shift;
    Integer out;
  } cases[] = {
      {top, 200, 0, false, HTSCROLL_LEFT},       {top, 200, 19, false, HTSCROLL_LEFT},
      {top, 200, 180, false, HTSCROLL_RIGHT},    {top, 200, 199, false, HTSCROLL_RIGHT},
      {top, 200, 20, false, HTSCROLL_THUMB},     {top, 200, 35, false, HTSCROLL_THUMB},
      {top, 200, 36, false, HTSCROLL_PAGERIGHT}, {top, 200, 100, true, HTSCROLL_PAGEGOTO},
      {end, 200, 20, false, HTSCROLL_PAGELEFT},  {end, 200, 163, false, HTSCROLL_PAGELEFT},
      {end, 200, 164, false, HTSCROLL_THUMB},    {end, 200, 50, true, HTSCROLL_PAGEGOTO},
      {top, 200, 200, false, HTSCROLL_NONE},     {top, 200, -1, false, HTSCROLL_NONE},
      {all, 200, 100, false, HTSCROLL_NONE},  // no thumb: the track answers nothing
      {top, 30, 14, false, HTSCROLL_LEFT},    // too short for two arrows: halves
      {top, 30, 15, false, HTSCROLL_RIGHT},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Kv_ScrollPortion(c.si, 0, c.length, 20, 16, c.coord, c.shift), c.out) << c.coord << " " << c.si.nPos;
}

TEST(ScrollGeometry, ThumbDragStaysInTheRange) {
  struct Case {
    TkvScrollValues si;
    Integer thumb, offset, coord, thumbPos, position;
  } cases[] = {
      {{0, 99, 10, 0}, 16, 8, 28, 20, 0},                                            // at the track's start
      {{0, 99, 10, 0}, 16, 8, 108, 100, 50},                                         // in the middle
      {{0, 99, 10, 0}, 16, 8, 1000, 164, 90},                                        // past the end: the last page
      {{0, 99, 0, 0}, 20, 10, 1000, 160, 99},                                        // no page: nMax, never nMax + 1
      {{10, 109, 10, 10}, 16, 8, -50, 20, 10},                                       // before the start: nMin
      {{10, 109, 10, 10}, 16, 8, 1000, 164, 100}, {{0, 0, 0, 0}, 19, 0, 50, 50, 0},  // no range: stays at nMin
  };
  for (const auto& c : cases) {
    const TkvThumbDrag d = Kv_ThumbDragStep(c.si, 20, 180, c.thumb, c.offset, c.coord);
    EXPECT_TRUE(d.Tracks);
    EXPECT_EQ(d.ThumbPos, c.thumbPos) << c.coord;
    EXPECT_EQ(d.Position, c.position) << c.coord << " page " << c.si.nPage;
  }
  // A thumb as long as the track has nowhere to go.
  EXPECT_FALSE(Kv_ThumbDragStep({0, 99, 100, 0}, 20, 180, 160, 0, 100).Tracks);
  EXPECT_FALSE(Kv_ThumbDragStep({0, 99, 100, 0}, 20, 180, 170, 0, 100).Tracks);
}

// A bar 200 long with arrows of 16 and a thumb of 40: its middle is at 100.
TEST(ScrollGeometry, RowListReleaseCodeByWhereTheThumbIsLetGo) {
  struct Case {
    Integer along, code;
  } cases[] = {
      {0, 0},   {16, 0},             // on the first arrow (its last pixel included)
      {17, 1},  {79, 1},             // the thumb's middle above the bar's
      {80, 3},  {143, 3},            // at or below it
      {144, 4}, {150, 4}, {300, 4},  // the thumb touching the last arrow, or past it
  };
  for (const auto& c : cases) EXPECT_EQ(Kv_RowListReleaseCode(c.along, 40, 16, 200), c.code) << c.along;
  // Odd lengths halve toward zero: middle 50, half thumb 5.
  EXPECT_EQ(Kv_RowListReleaseCode(44, 11, 10, 101), 1);
  EXPECT_EQ(Kv_RowListReleaseCode(45, 11, 10, 101), 3);
}

TEST(ScrollGeometry, ThicknessAndArrowLengthByTheirSources) {
  auto with = [](auto change) {
    TkvScrollSizeSources s;
    s.SystemMetric = 17;
    change(s);
    return s;
  };
  struct Case {
    TkvScrollSizeSources s;
    Integer thickness, arrow;
  } cases[] = {
      {with([](auto& s) {
         s.OwnSize = 12;
         s.ManagerScrollSize = 20;
         s.ManagerButtonsSize = 9;
       }),
       12, 12},
      {with([](auto& s) {
         s.ManagerScrollSize = 20;
         s.ManagerButtonsSize = 9;
       }),
       20, 9},
      {with([](auto& s) { s.Override = 14; }), 14, 14},
      // Defaults: the system metric; arrows by the skin's ScrollArrows.
      {with([](auto& s) { s.SkinScrollArrows = 0; }), 17, 0},
      {with([](auto& s) {
         s.SkinScrollArrows = 1;
         s.SkinScrollBtnLength = 12;
         s.Scaled16 = 24;
       }),
       17, 24},
      {with([](auto& s) {
         s.SkinScrollArrows = 1;
         s.SkinScrollBtnLength = 30;
       }),
       17, 30},
      {with([](auto& s) {
         s.SkinScrollArrows = 2;
         s.ManagerScrollSize = 21;
       }),
       21, 21},
      {with([](auto& s) {
         s.SkinScrollArrows = 2;
         s.SkinScrollBtnLength = 15;
       }),
       17, 15},
      {with([](auto& s) {
         s.SkinScrollArrows = 2;
         s.SkinScrollBtnLength = 15;
         s.Override = -2;
       }),
       34, 30},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(Kv_BarThickness(cases[i].s), cases[i].thickness) << i;
    EXPECT_EQ(Kv_ArrowLength(cases[i].s), cases[i].arrow) << i;
  }
}
