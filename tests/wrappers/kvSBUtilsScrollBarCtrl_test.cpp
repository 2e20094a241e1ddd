// The layout of skinned scroll-bar controls.
#include <gtest/gtest.h>

#include "wrappers/kvSBUtilsScrollBarCtrl.h"

namespace {
TkvSBControlGeometry Bar(Integer length, Integer page, Integer pos, bool vertical = false) {
  TkvSBControlGeometry g;
  g.Length = length;
  g.Thickness = 17;
  g.Button = 17;
  g.Vertical = vertical;
  g.nMin = 0;
  g.nMax = 100;
  g.nPage = page;
  g.CurrPos = g.Position = pos;
  return g;
}
}  // namespace

TEST(ScrollBarControl, ThumbLength) {
  EXPECT_EQ(Bar(200, 20, 0).SliderSize(), 33);  // round(166 / 101 * 20)
  EXPECT_EQ(Bar(200, 10, 0).SliderSize(), 16);  // 16.4: the minimum anyway
  EXPECT_EQ(Bar(200, 0, 0).SliderSize(), 16);
  EXPECT_EQ(Bar(200, 1, 0).SliderSize(), 16);
  EXPECT_EQ(Bar(1000, 50, 0).SliderSize(), 478);  // round(966 / 101 * 50) = round(478.2)
}

TEST(ScrollBarControl, ThumbPlaceAndTrackSplit) {
  const TkvSBControlGeometry start = Bar(200, 20, 0);
  EXPECT_EQ(start.PositionToCoord(), 17 + 16);
  EXPECT_EQ(start.SliderRect(), TRect(16, 0, 49, 17));  // 33 - 16.5 rounds to the even 16
  EXPECT_EQ(start.Bar1Rect(), TRect(0, 0, 33, 17));
  EXPECT_EQ(start.Bar2Rect(), TRect(33, 0, 200, 17));
  const TkvSBControlGeometry end = Bar(200, 20, 81);  // the last position: 100 - 19
  EXPECT_EQ(end.PositionToCoord(), 17 + 16 + 133);
  EXPECT_EQ(end.SliderRect().Right, 183);  // touching the second button
  EXPECT_EQ(end.Btn2Rect(), TRect(183, 0, 200, 17));
  // A vertical bar at Max - PageSize pins its thumb to the lower button.
  const TkvSBControlGeometry vert = Bar(200, 20, 80, true);
  EXPECT_EQ(vert.SliderRect(), TRect(0, 183 - 33, 17, 183));
  // No range: the thumb follows the first button.
  TkvSBControlGeometry empty = Bar(200, 0, 0);
  empty.nMax = 0;
  EXPECT_EQ(empty.SliderRect().Left, 17);
  EXPECT_EQ(empty.PositionToCoord(), 100);
}

TEST(ScrollBarControl, PointToPositionAndShortBars) {
  const TkvSBControlGeometry g = Bar(200, 20, 0);
  EXPECT_EQ(g.CoordToPosition(17 + 16), 0);
  EXPECT_EQ(g.CoordToPosition(17 + 16 + 133), 81);
  TkvSBControlGeometry tight = Bar(200, 20, 0);
  tight.Length = 17 * 2 + 16;  // the thumb (16, the minimum) fills the track: no room to move
  EXPECT_EQ(tight.CoordToPosition(50), 0);
  // Buttons never cover more than half the bar.
  const TkvSBControlGeometry tiny = Bar(20, 20, 0);
  EXPECT_EQ(tiny.Btn1Rect(), TRect(0, 0, 10, 17));
  EXPECT_EQ(tiny.Btn2Rect(), TRect(10, 0, 20, 17));
}
