#include "raster/kvgpUtils.h"

#include <gtest/gtest.h>

#include "support/Pixels.h"

TEST(kvgpRotatePoints, TurnsCounterClockwiseOnTheScreenByWholeDegrees) {
  struct Case {
    Integer angle;
    float x, y;
  } cases[] = {
      {0, 10, 0}, {90, 0, -10}, {180, -10, 0}, {270, 0, 10}, {-90, 0, 10}, {450, 0, -10},
  };
  for (auto c : cases) {
    TkvPointF p{15, 5};  // (10, 0) from the centre
    kvgpRotatePoints(&p, {5, 5}, 1, c.angle);
    EXPECT_NEAR(p.X - 5, c.x, 1e-4) << c.angle;
    EXPECT_NEAR(p.Y - 5, c.y, 1e-4) << c.angle;
  }
  TkvGpPoints none;
  kvgpRotatePoints(none, {0, 0}, 90);  // nothing to turn, nothing touched
  EXPECT_TRUE(none.empty());
}

TEST(kvgpStretchAlpha, LiftKeepsColoursAndMovesAlphaIntoTheUpperHalf) {
  const uint32_t src[4] = {0x00123456, 0x01123456, 0x80FFFFFF, 0xFF000000};
  uint32_t out[4] = {};
  LiftStretchAlpha(out, src, 4);
  EXPECT_EQ(out[0], 0x7F123456u);
  EXPECT_EQ(out[1], 0x7F123456u);
  EXPECT_EQ(out[2], 0xBFFFFFFFu);
  EXPECT_EQ(out[3], 0xFE000000u);
}

TEST(kvgpStretchAlpha, SettleUndoesTheLiftOnlyInsideTheRectangle) {
  TestPixels p(3, 2, 0x80404040);
  p.At(0, 1) = 0x00FFFFFF;  // alpha 0 stays as it is
  p.At(1, 1) = 0x7F7F0000;  // alpha 127 settles to 0, its red to 255
  p.At(2, 1) = 0xFE7E7E7E;
  SettleStretchAlpha(p.View, {0, 1, 3, 2});
  EXPECT_EQ(p.At(0, 0), 0x80404040u);  // outside the rectangle
  EXPECT_EQ(p.At(0, 1), 0x00FFFFFFu);
  EXPECT_EQ(p.At(1, 1), 0x00FF0000u);
  EXPECT_EQ(p.At(2, 1), 0xFD7E7E7Eu);          // 126 * 256 div 254 = 126
  SettleStretchAlpha(p.View, {-5, -5, 1, 1});  // clipped to the view
  EXPECT_EQ(p.At(0, 0), 0x01808080u);
}

TEST(kvgpBlurPlan, SmallBitmapsGoThroughAScaledCopyAtRadius20) {
  struct Case {
    Integer w, h;
    float radius;
    bool copy;
    Integer cw, ch;
    float r;
  } cases[] = {
      {48, 48, 8, true, 120, 120, 20}, {48, 48, 2, true, 240, 240, 20},  // the scale uses at least 4
      {95, 10, 19, true, 100, 11, 20},                                   // 95 * 20 / 19 = 100, 10 * 20 / 19 = 10.53
      {96, 48, 8, false, 0, 0, 8},                                       // 96 is not below 96
      {200, 50, 18, false, 0, 0, 20},                                    // 15 < radius < 20 becomes 20
      {200, 50, 10, false, 0, 0, 10},  {200, 50, 15, false, 0, 0, 15},  {40, 40, 25, false, 0, 0, 25},
  };
  for (auto c : cases) {
    const TkvBlurPlan plan = kvgpBlurPlan(c.w, c.h, c.radius);
    EXPECT_EQ(plan.UseCopy, c.copy) << c.w << "x" << c.h << " r" << c.radius;
    EXPECT_EQ(plan.CopyWidth, c.cw) << c.w << "x" << c.h << " r" << c.radius;
    EXPECT_EQ(plan.CopyHeight, c.ch) << c.w << "x" << c.h << " r" << c.radius;
    EXPECT_FLOAT_EQ(plan.Radius, c.r) << c.w << "x" << c.h << " r" << c.radius;
  }
}
