// The numbers of a skinned form's motions, frame by frame: the own frame's outline from every
// border, the minimize and restore flight, the fade of blend on moving, the scale steps and the
// disabled layer's colour.
#include "forms/sSkinProviderMotion.h"

#include "base/sConst.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// ---- Own frame -------------------------------------------------------------------------------

TEST(OwnFrame, TheSizeCommandNamesTheGrabbedBorderInItsLowBits) {
  const uintptr_t scSize = 0xF000;
  for (Integer ht = kvHTLeft; ht <= kvHTBottomRight; ++ht) {
    EXPECT_EQ(SizeDirectionOfCommand(scSize | SizeCommandBits(ht)), ht);
  }
  EXPECT_EQ(SizeDirectionOfCommand(scSize), 0);      // the keyboard's size command
  EXPECT_EQ(SizeDirectionOfCommand(scSize | 9), 0);  // no border
  EXPECT_EQ(SizeCommandBits(2), 0u);                 // the caption sizes nothing
  EXPECT_EQ(SizeCommandBits(kvHTTopLeft), 4u);
}

TEST(OwnFrame, EveryBorderMovesOnlyItsOwnEdges) {
  const TRect form(100, 100, 400, 300);
  struct Case {
    Integer direction;
    TkvOutline expected;  // after the mouse moved by (-20, -30)
  } cases[] = {
      {kvHTLeft, {80, 100, 400, 300}},
      {kvHTRight, {100, 100, 380, 300}},
      {kvHTTop, {100, 70, 400, 300}},
      {kvHTTopLeft, {80, 70, 400, 300}},
      {kvHTTopRight, {100, 70, 380, 300}},
      {kvHTBottom, {100, 100, 400, 270}},
      {kvHTBottomLeft, {80, 100, 400, 270}},
      {kvHTBottomRight, {100, 100, 380, 270}},
      {0, {100, 100, 380, 270}},  // no border named: bottom and right
  };
  for (const Case& c : cases) {
    TkvOutline o{form.Left, form.Top, form.Right, form.Bottom};
    SizeOutline(o, form, c.direction, -20, -30, 50, 50);
    EXPECT_EQ(o, c.expected) << "direction " << c.direction;
  }
}

TEST(OwnFrame, AMovingEdgeStopsAtTheMinimumSize) {
  const TRect form(100, 100, 400, 300);  // 300 x 200, minimum 250 x 180
  struct Case {
    Integer direction, dx, dy;
    TkvOutline expected;
  } cases[] = {
      {kvHTLeft, 100, 0, {150, 100, 400, 300}},    {kvHTRight, -100, 0, {100, 100, 350, 300}},
      {kvHTTop, 0, 100, {100, 120, 400, 300}},     {kvHTBottom, 0, -100, {100, 100, 400, 280}},
      {kvHTTopLeft, 90, 90, {150, 120, 400, 300}}, {kvHTBottomRight, -90, -90, {100, 100, 350, 280}},
  };
  for (const Case& c : cases) {
    TkvOutline o{form.Left, form.Top, form.Right, form.Bottom};
    SizeOutline(o, form, c.direction, c.dx, c.dy, 250, 180);
    EXPECT_EQ(o, c.expected) << "direction " << c.direction;
  }
}

// ---- Minimize and restore --------------------------------------------------------------------

TEST(MinimizeFlight, StepCountAndStartAlpha) {
  const std::pair<Integer, Integer> steps[] = {{200, 33}, {80, 13}, {60, 10}, {12, 2}, {6, 1}, {5, 1}, {0, 1}};
  for (auto [time, count] : steps) EXPECT_EQ(MinimizeStepCount(time), count) << time;
  EXPECT_EQ(MinimizeAlphaFrom(255, false, 200, false), 63);  // a quarter
  EXPECT_EQ(MinimizeAlphaFrom(200, false, 80, false), 50);
  EXPECT_EQ(MinimizeAlphaFrom(255, false, 12, false), 255);  // too short for it
  EXPECT_EQ(MinimizeAlphaFrom(255, false, 200, true), 255);  // restoring
  EXPECT_EQ(MinimizeAlphaFrom(255, true, 200, false), 255);  // layered windows not composed
}

TEST(MinimizeFlight, TheTaskbarFallbackIsThreeQuartersCentredOnTheTaskbar) {
  const TRect from(100, 100, 500, 400);      // 400 x 300
  const TRect taskbar(0, 1040, 1920, 1080);  // centre (960, 1060)
  EXPECT_EQ(TaskbarFallbackRect(from, taskbar), TRect(810, 947, 1110, 1173));
}

TEST(MinimizeFlight, FramesShrinkAndFadeTowardsTheTarget) {
  TkvMinMotion m;
  const TRect from(100, 100, 500, 400), to(600, 900, 900, 1125);  // 400 x 300 to 300 x 225
  InitMinimize(m, from, to, 60, 63);                              // 10 steps, alpha 63 down by 7
  EXPECT_EQ(m.StepCount, 10);
  EXPECT_EQ(MotionTopLeft(m), TPoint(350, 500));  // half-way
  EXPECT_EQ(MotionSize(m), TSize(300, 225));
  struct Frame {
    TPoint topLeft;
    TSize size;
    Integer alpha;
  };
  const Frame frames[] = {
      {{380, 544}, {290, 218}, 56}, {{410, 588}, {280, 210}, 49}, {{440, 631}, {270, 203}, 42},
      {{470, 675}, {260, 195}, 35}, {{500, 719}, {250, 188}, 28}, {{530, 763}, {240, 180}, 21},
      {{560, 806}, {230, 173}, 14}, {{590, 850}, {220, 165}, 7},  {{620, 894}, {210, 158}, 0},
  };
  for (size_t i = 0; i < std::size(frames); ++i) {
    const bool done = MinimizeStep(m);
    EXPECT_EQ(done, i + 1 == std::size(frames)) << "frame " << i + 1;
    EXPECT_EQ(MotionTopLeft(m), frames[i].topLeft) << "frame " << i + 1;
    EXPECT_EQ(MotionSize(m), frames[i].size) << "frame " << i + 1;
    EXPECT_EQ(std::lround(m.CurrentAlpha), frames[i].alpha) << "frame " << i + 1;
  }
}

TEST(MinimizeFlight, FrameCountsByTimeAndStartAlpha) {
  struct Case {
    Integer time;
    Byte alpha;
    Integer frames;
  } cases[] = {{60, 63, 9}, {80, 63, 12}, {200, 63, 32}, {12, 255, 1}, {6, 255, 1}, {80, 50, 12}};
  for (const Case& c : cases) {
    TkvMinMotion m;
    InitMinimize(m, TRect(0, 0, 400, 300), TRect(500, 800, 800, 1025), c.time, c.alpha);
    Integer n = 1;
    while (!MinimizeStep(m)) {
      ++n;
      ASSERT_LT(n, 1000);
    }
    EXPECT_EQ(n, c.frames) << c.time << " ms from alpha " << int(c.alpha);
  }
}

Integer RestoreFrames(TkvMinMotion& m, Byte alphaFrom) {
  Integer n = 1;
  while (!RestoreStep(m, alphaFrom)) {
    ++n;
    if (n > 10000) return -1;
  }
  return n;
}

TEST(RestoreFlight, StartsBelowTheTargetAndComesHome) {
  TkvMinMotion m;
  const TRect from(100, 100, 500, 400), to(600, 900, 900, 1125);
  InitMinimize(m, from, to, 60, 63);
  InitRestore(m, 60);
  EXPECT_EQ(MotionTopLeft(m), TPoint(225, 300));  // a quarter of the way
  EXPECT_EQ(MotionSize(m), TSize(400, 300));      // the form's own size
  EXPECT_EQ(m.CurrentAlpha, 1.0);
  EXPECT_EQ(RestoreFrames(m, 255), 11);  // 60 ms / 6 + 1
  EXPECT_LE(std::fabs(m.CurLeft - from.Left), 1.0 + 1e-6);
  EXPECT_LE(std::fabs(m.CurTop - from.Top), 1.0 + 1e-6);
  EXPECT_GE(m.CurrentAlpha, 250.0);
}

TEST(RestoreFlight, AShortVerticalDistanceStartsEightyPixelsBelow) {
  TkvMinMotion m;
  InitMinimize(m, TRect(100, 100, 500, 400), TRect(140, 200, 440, 425), 80, 63);
  InitRestore(m, 80);
  EXPECT_EQ(MotionTopLeft(m), TPoint(110, 180));
}

TEST(RestoreFlight, EndsWithinItsStepsWhateverTheStartDistance) {
  struct Case {
    Integer targetLeft;  // the target's left; the start is a quarter of the way
    Integer time;
    Integer frames;
  } cases[] = {
      {104, 80, 14},  // 1 px away: a divisor of 1 never shrinks it
      {100, 80, 14},  // no horizontal distance
      {108, 80, 14},  // 2 px
      {900, 80, 14}, {104, 6, 2}, {104, 0, 1},
  };
  for (const Case& c : cases) {
    TkvMinMotion m;
    InitMinimize(m, TRect(100, 100, 500, 400), TRect(c.targetLeft, 900, c.targetLeft + 300, 1125), c.time, 63);
    InitRestore(m, c.time);
    EXPECT_EQ(RestoreFrames(m, 255), c.frames) << c.targetLeft << " in " << c.time << " ms";
    EXPECT_EQ(MotionTopLeft(m), TPoint(100, 100)) << c.targetLeft;  // placed at home
  }
}

TEST(RestoreFlight, AFormWithItsOwnAlphaIsHomeNearThatAlpha) {
  TkvMinMotion m;
  InitMinimize(m, TRect(100, 100, 500, 400), TRect(600, 900, 900, 1125), 60, 50);
  InitRestore(m, 60);
  EXPECT_EQ(RestoreFrames(m, 200), 11);
}

// ---- Blend on moving -------------------------------------------------------------------------

Integer TicksToReach(Byte blendValue, Integer time) {
  const double step = BlendOnMovingStep(blendValue, time);
  double a = 255;
  Integer ticks = 0;
  while (a > blendValue) {
    a = BlendOnMovingNext(a, blendValue, step);
    if (++ticks > 1000) return -1;
  }
  EXPECT_EQ(a, double(blendValue));
  return ticks;
}

TEST(BlendOnMoving, TheFadeReachesTheBlendValueInTimeOverTwelve) {
  EXPECT_DOUBLE_EQ(BlendOnMovingStep(170, 12), 85.0);
  EXPECT_DOUBLE_EQ(BlendOnMovingStep(170, 120), 8.5);
  EXPECT_DOUBLE_EQ(BlendOnMovingStep(255, 1000), 0.0);
  const std::tuple<Byte, Integer, Integer> cases[] = {
      {170, 12, 1}, {170, 5, 1}, {170, 120, 10}, {170, 1000, 84}, {0, 120, 10}};
  for (auto [value, time, ticks] : cases) EXPECT_EQ(TicksToReach(value, time), ticks) << int(value) << " in " << time;
  // Nothing to fade at 255: the alpha stays.
  EXPECT_EQ(BlendOnMovingNext(255, 255, 0), 255.0);
}

// A dialog steps by a whole thirtieth of the way, whatever the manager's time says.
TEST(BlendOnMoving, ADialogStepsAWholeThirtiethOfTheWay) {
  const std::pair<Byte, double> cases[] = {{200, 1.0}, {170, 2.0}, {0, 8.0}, {226, 0.0}, {255, 0.0}};
  for (auto [value, step] : cases) EXPECT_EQ(DialogBlendOnMovingStep(value), step) << int(value);
}

// ---- Scaling and the disabled layer ----------------------------------------------------------

TEST(ScaleSteps, HalveTheRemainingDifferenceUntilWithinTwoPixels) {
  struct Case {
    TSize from, to;
    std::vector<TSize> frames;
  } cases[] = {
      {{100, 100}, {200, 150}, {{150, 125}, {175, 137}, {187, 143}, {193, 146}, {196, 148}, {198, 149}}},
      {{200, 150}, {100, 100}, {{150, 125}, {125, 113}, {113, 107}, {107, 104}, {104, 102}, {102, 101}}},
      {{100, 100}, {102, 98}, {}},
  };
  for (const Case& c : cases) {
    TSize s = c.from;
    std::vector<TSize> got;
    while (!ScaleReached(s, c.to)) {
      s = ScaleStepSize(s, c.to);
      got.push_back(s);
      ASSERT_LT(got.size(), 100u);
    }
    EXPECT_EQ(got, c.frames);
  }
}

TEST(DisabledLayer, TheColourKeepsWhatTheBlendLeaves) {
  EXPECT_EQ(DisabledLayerColor(0xFFFFFF, 0), 0xFEFEFEu);
  EXPECT_EQ(DisabledLayerColor(0x102030, 128), 0x070F17u);
  EXPECT_EQ(DisabledLayerColor(0xFFFFFF, 255), 0u);
}

}  // namespace

// ---- Size steps ------------------------------------------------------------------------------

namespace {

TEST(SizeSteps, ChildrenTakeTheBackgroundAnewWhenItsKindFollowsTheChangedAxis) {
  const TSize before(300, 200);
  struct Case {
    const char* name;
    Integer bgType;
    TSize after;
    bool follows;
  } cases[] = {
      {"plain colour, both axes", BGT_NONE, TSize(250, 150), false},
      {"texture, both axes", BGT_TEXTURELEFT | BGT_TEXTURETOP, TSize(250, 150), false},
      {"stretched, no change", BGT_STRETCH, before, true},
      {"vertical gradient, height", BGT_GRADIENTVERT, TSize(300, 150), true},
      {"vertical gradient, width", BGT_GRADIENTVERT, TSize(250, 200), false},
      {"horizontal gradient, width", BGT_GRADIENTHORZ, TSize(250, 200), true},
      {"horizontal gradient, height", BGT_GRADIENTHORZ, TSize(300, 150), false},
      {"both gradients, width", BGT_GRADIENTHORZ | BGT_GRADIENTVERT, TSize(310, 200), true},
      // Stretched along one axis: its bits include the stretch bit, so any step counts.
      {"stretched vertically, height", BGT_STRETCHVERT, TSize(300, 150), true},
      {"stretched vertically, width", BGT_STRETCHVERT, TSize(250, 200), true},
      {"stretched horizontally, width", BGT_STRETCHHORZ, TSize(250, 200), true},
      {"part of the vertical stretch bits, height", BGT_TEXTURERIGHT | BGT_TEXTURELEFT, TSize(300, 150), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChildBackgroundFollowsSize(c.bgType, before, c.after), c.follows);
  }
}

TEST(SizeSteps, OnlyANarrowerOrLowerClientCountsAsShrunk) {
  EXPECT_TRUE(ClientShrank(TSize(300, 200), TSize(299, 200)));
  EXPECT_TRUE(ClientShrank(TSize(300, 200), TSize(300, 199)));
  EXPECT_TRUE(ClientShrank(TSize(300, 200), TSize(400, 100)));
  EXPECT_FALSE(ClientShrank(TSize(300, 200), TSize(300, 200)));
  EXPECT_FALSE(ClientShrank(TSize(300, 200), TSize(301, 260)));
}

}  // namespace
