// Placing alpha hints on their monitor.
#include "controls/kvAlphaHintsLayout.h"

#include <gtest/gtest.h>

namespace {
const TRect kMonitor(0, 0, 1000, 800);
const TRect kShadow(6, 5, 7, 8);  // left, top, right, bottom
// A picture of a 100 x 40 body whose body's top-left is the point p.
TRect PictureAt(TPoint p) { return TRect(p.X - 6, p.Y - 5, p.X + 100 + 7, p.Y + 40 + 8); }
}  // namespace

TEST(HintPlacing, RoomEnoughKeepsThePreferredCorner) {
  const TkvHintPlace place = PlaceHint(PictureAt({300, 200}), kShadow, mpLeftTop, &kMonitor, TkvHintLook::FourImages);
  EXPECT_EQ(place.MousePos, mpLeftTop);
  EXPECT_EQ(place.TopLeft, TPoint(300 - 6, 200 - 5));
  const TkvHintPlace above =
      PlaceHint(PictureAt({300, 200}), kShadow, mpRightBottom, &kMonitor, TkvHintLook::FourImages);
  EXPECT_EQ(above.MousePos, mpRightBottom);
  EXPECT_EQ(above.TopLeft, TPoint(300 - 100 - 6, 200 - 40 - 5));
}

TEST(HintPlacing, AtTheBottomRightCornerFourPicturesFlipAndOnePictureMovesByTheOvershoot) {
  const TPoint p(980, 790);
  const TkvHintPlace four = PlaceHint(PictureAt(p), kShadow, mpLeftTop, &kMonitor, TkvHintLook::FourImages);
  EXPECT_EQ(four.MousePos, mpRightBottom);  // above and to the left: the right-bottom picture
  EXPECT_EQ(four.TopLeft, TPoint(p.X - 100 - 6, p.Y - 40 - 5));
  const TkvHintPlace one = PlaceHint(PictureAt(p), kShadow, mpLeftTop, &kMonitor, TkvHintLook::SingleImage);
  EXPECT_EQ(one.TopLeft, TPoint(1000 - 100 - 6, 800 - 40 - 5));  // moved just inside
  const TkvHintPlace skinned = PlaceHint(PictureAt(p), kShadow, mpLeftTop, &kMonitor, TkvHintLook::Skinned);
  EXPECT_EQ(skinned.TopLeft, one.TopLeft);
}

TEST(HintPlacing, PastTheTopOrLeftEdgeTheHintStartsAtTheEdge) {
  const TkvHintPlace place = PlaceHint(PictureAt({20, 10}), kShadow, mpRightBottom, &kMonitor, TkvHintLook::FourImages);
  EXPECT_EQ(place.MousePos, mpLeftTop);
  EXPECT_EQ(place.TopLeft, TPoint(0 - 6, 0 - 5));
}

TEST(HintPlacing, WithoutAMonitorNothingMoves) {
  const TkvHintPlace place = PlaceHint(PictureAt({980, 790}), kShadow, mpLeftBottom, nullptr, TkvHintLook::FourImages);
  EXPECT_EQ(place.MousePos, mpLeftBottom);
  EXPECT_EQ(place.TopLeft, TPoint(980 - 6, 790 - 5));
}

TEST(HintPlacing, AutomaticAlignmentPointsAtTheControlsEdge) {
  const TRect control(100, 100, 180, 124);
  // Below, centred, moved inside the default picture's shadow and by its offsets.
  EXPECT_EQ(AutoHintPoint(control, false, mpLeftTop, kShadow, {2, 3}), TPoint(140 + 6 + 2, 124 + 5 + 3));
  // Above for a picture whose point is at its bottom.
  EXPECT_EQ(AutoHintPoint(control, false, mpRightBottom, kShadow, {0, 0}), TPoint(140 - 7, 100 - 8));
  // Beside, centred vertically.
  EXPECT_EQ(AutoHintPoint(control, true, mpLeftTop, kShadow, {0, 0}), TPoint(180 + 6, 112 + 5));
  EXPECT_EQ(AutoHintPoint(control, true, mpRightTop, kShadow, {0, 0}), TPoint(100 - 7, 112 + 5));
}

TEST(PositionToolTip, BesideTheSpotCentredOnTheOtherAxis) {
  const TRect spot(100, 200, 140, 240);  // a 40 x 40 light circle
  const TSize tip(30, 16);
  EXPECT_EQ(PositionToolTipPlace(spot, tip, TkvToolTipSide::Top), TPoint(105, 184));
  EXPECT_EQ(PositionToolTipPlace(spot, tip, TkvToolTipSide::Bottom), TPoint(105, 240));
  EXPECT_EQ(PositionToolTipPlace(spot, tip, TkvToolTipSide::Left), TPoint(70, 212));
  EXPECT_EQ(PositionToolTipPlace(spot, tip, TkvToolTipSide::Right), TPoint(140, 212));
}
