// The arithmetic of light circles (their plans for hover and press, their steps towards their
// end) and the holes that covering windows cut into a glow's picture.
#include "controls/kvGlow.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// ---- Plans ----

TEST(CirclePlan, HoverAndPressByControlKind) {
  // Scaled radii 17 and 23 (96 PPI); a mouse area 30 pixels wide.
  struct Case {
    const char* what;
    Integer coc, state;
    bool hasCircle;
    double radius;
    bool animated;
    Integer start, finish;
    TkvSizeChanging changing;
    Byte alphaFinish;
    bool disc;
    Integer lightState, colorAlpha;
  } cases[] = {
      {"check hover, new", COC_TsCheckBox, 1, false, 0, true, 10, 23, scIncrease, 255, false, 1, AlphaNormal},
      {"check hover after press", COC_TsCheckBox, 1, true, 14.6, true, 15, 23, scIncrease, 255, false, 2,
       AlphaDownCheck},
      {"check press", COC_TsCheckBox, 2, true, 23, true, 0, 23, scIncrease, 0, true, 2, AlphaDownCheck},
      {"check press at once", COC_TsRadioButton, 2, true, 23, false, 0, 23, scIncrease, 255, true, 2, AlphaDownCheck},
      {"list hover, new", COC_TsListBox, 1, false, 0, true, 0, 18, scIncrease, 255, false, 1, AlphaNormal},
      {"list press", COC_TsListBox, 2, true, 18, true, 0, 18, scIncrease, 0, true, 2, -1},
      {"slider hover, new", COC_TsSlider, 1, false, 0, true, 0, 18, scIncrease, 255, false, 1, AlphaNormal},
      {"slider hover again", COC_TsSlider, 1, true, 27, true, 27, 18, scNotChanged, 255, false, 1, AlphaNormal},
      {"slider press", COC_TsSlider, 2, true, 18, true, 18, 27, scIncrease, 255, false, 2, AlphaDownTrack},
      {"track hover, new", COC_TsTrackBar, 1, false, 0, true, 0, 17, scIncrease, 255, false, 1, AlphaNormal},
      {"track hover again", COC_TsTrackBar, 1, true, 23, true, 23, 17, scDecrease, 255, false, 1, AlphaNormal},
      {"track press", COC_TsTrackBar, 2, true, 17, true, 17, 23, scIncrease, 255, false, 2, AlphaDownTrack},
  };
  for (const Case& c : cases) {
    const TkvCirclePlan p = PlanCircle(c.coc, c.state, c.hasCircle, c.radius, 30, 17, 23, c.animated);
    EXPECT_EQ(p.RadiusStart, c.start) << c.what;
    EXPECT_EQ(p.RadiusFinish, c.finish) << c.what;
    EXPECT_EQ(p.SizeChanging, c.changing) << c.what;
    EXPECT_EQ(p.AlphaStart, 255) << c.what;
    EXPECT_EQ(p.AlphaFinish, c.alphaFinish) << c.what;
    EXPECT_EQ(p.BackgroundDisc, c.disc) << c.what;
    EXPECT_EQ(p.LightState, c.lightState) << c.what;
    EXPECT_EQ(p.ColorAlpha, c.colorAlpha) << c.what;
  }
}

TEST(CirclePlan, CheckLikeAndTrackLikeKinds) {
  for (Integer coc : {COC_TsListBox, COC_TsCheckBox, COC_TsRadioButton, COC_TsGroupBox}) {
    EXPECT_TRUE(IsCheckLikeControl(coc)) << coc;
    EXPECT_FALSE(IsTrackLikeControl(coc)) << coc;
  }
  for (Integer coc : {COC_TsSlider, COC_TsTrackBar}) {
    EXPECT_TRUE(IsTrackLikeControl(coc)) << coc;
    EXPECT_FALSE(IsCheckLikeControl(coc)) << coc;
  }
  EXPECT_FALSE(IsCheckLikeControl(0));
}

// ---- Steps ----

// Steps until the motion says it has arrived (at most limit steps); the radii seen after each.
std::vector<double> RunCircle(TkvCircleMotion& m, bool checkLike, bool down, int limit = 200) {
  std::vector<double> radii;
  for (int i = 0; i < limit; ++i) {
    const bool goOn = StepCircleMotion(m, checkLike, down);
    radii.push_back(m.RealRadius);
    if (!goOn) break;
  }
  return radii;
}

TEST(CircleSteps, AHoveredCheckMarkGrowsByAFifthOfWhatIsLeft) {
  TkvCircleMotion m{10, 255, 23, 255, scIncrease};
  const std::vector<double> radii = RunCircle(m, true, false);
  // 10 + 13/5 = 12.6; then 12.6 + 10.4/5 = 14.68 ...
  ASSERT_GE(radii.size(), 3u);
  EXPECT_NEAR(radii[0], 12.6, 1e-9);
  EXPECT_NEAR(radii[1], 14.68, 1e-9);
  // It ends once within a pixel of 23: 13 x (4/5)^n < 1 first for n = 12.
  EXPECT_EQ(radii.size(), 12u);
  EXPECT_EQ(radii.back(), 23);
  // Hovered, the alpha falls by 15 a step towards a finish of 255 (and is clamped).
  EXPECT_DOUBLE_EQ(m.RealAlpha, 255 - 15 * 12);
}

TEST(CircleSteps, APressedCheckMarkGrowsBySeventhsAndFadesByFives) {
  TkvCircleMotion m{0, 255, 23, 0, scIncrease};
  ASSERT_TRUE(StepCircleMotion(m, true, true));
  EXPECT_NEAR(m.RealRadius, 23.0 / 7, 1e-9);
  EXPECT_DOUBLE_EQ(m.RealAlpha, 250);
  const std::vector<double> radii = RunCircle(m, true, true);
  EXPECT_EQ(radii.back(), 23);
  EXPECT_GE(m.RealAlpha, 0);
}

TEST(CircleSteps, OtherControlsMoveAThirdOfTheWay) {
  TkvCircleMotion m{0, 0, 18, 255, scIncrease};
  ASSERT_TRUE(StepCircleMotion(m, false, false));
  EXPECT_DOUBLE_EQ(m.RealRadius, 6);
  EXPECT_DOUBLE_EQ(m.RealAlpha, 85);
}

TEST(CircleSteps, ATrackThumbsCircleShrinksFrom23To17AndStops) {
  TkvCircleMotion m{23, 255, 17, 255, scDecrease};
  const std::vector<double> radii = RunCircle(m, false, false);
  EXPECT_DOUBLE_EQ(radii[0], 21);  // 23 - 6/3
  EXPECT_EQ(radii.back(), 17);
  // 6 x (2/3)^n < 1 first for n = 5.
  EXPECT_EQ(radii.size(), 5u);
  EXPECT_FALSE(StepCircleMotion(m, false, false)) << "at its end it asks for no more steps";
}

TEST(CircleSteps, AHoveredSlidersCircleStopsWhenItsAlphaHasArrived) {
  // The radius is final from the start; only the alpha moves, a third of the way a step.
  TkvCircleMotion m{27, 0, 18, 255, scNotChanged};
  const std::vector<double> radii = RunCircle(m, false, false, 1000);
  ASSERT_LT(radii.size(), 1000u) << "it must not step for ever";
  // 255 x (2/3)^n < 1 first for n = 14.
  EXPECT_EQ(radii.size(), 14u);
  for (double r : radii) EXPECT_EQ(r, 18);
  EXPECT_EQ(m.RealAlpha, 255);
  // A circle already at its alpha stops at its first step.
  TkvCircleMotion still{18, 34, 18, 34, scNotChanged};
  EXPECT_FALSE(StepCircleMotion(still, false, false));
  EXPECT_EQ(still.RealAlpha, 34);
  // A check-like one takes fifths (button up) or sevenths (button down), never passing its end.
  TkvCircleMotion check{18, 0, 18, 100, scNotChanged};
  ASSERT_TRUE(StepCircleMotion(check, true, false));
  EXPECT_DOUBLE_EQ(check.RealAlpha, 20);
  ASSERT_TRUE(StepCircleMotion(check, true, true));
  EXPECT_DOUBLE_EQ(check.RealAlpha, 20 + 80.0 / 7);
}

// ---- Holes of covering windows ----

struct Picture {
  Picture(Integer w, Integer h)
      : pixels(size_t(w * h), 0xFF336699u), view{reinterpret_cast<Byte*>(pixels.data()), w * 4, w, h} {}
  uint32_t At(Integer x, Integer y) const { return pixels[size_t(y * view.Width + x)]; }
  std::vector<uint32_t> pixels;
  TPixelView view;
};

TEST(GlowHoles, ACoverOverTheControlIsCutOut) {
  // The glow picture at (90, 40) on the screen, 60 x 40; the control at (100, 50)-(140, 70).
  Picture glow(60, 40);
  CutCoveredHoles(glow.view, TPoint(90, 40), TRect(100, 50, 140, 70), {TRect(120, 55, 130, 65)});
  EXPECT_EQ(glow.At(30, 15), 0u);  // (120, 55)
  EXPECT_EQ(glow.At(39, 24), 0u);  // (129, 64)
  EXPECT_EQ(glow.At(40, 15), 0xFF336699u);
  EXPECT_EQ(glow.At(29, 15), 0xFF336699u);
}

TEST(GlowHoles, ACoverWithNoCornerInsideTheControlIsCutToo) {
  // A bar lying across the control: none of its corners is inside, yet it covers the control.
  Picture glow(60, 40);
  CutCoveredHoles(glow.view, TPoint(90, 40), TRect(100, 50, 140, 70), {TRect(80, 58, 160, 62)});
  for (Integer x = 0; x < 60; ++x) {
    EXPECT_EQ(glow.At(x, 18), 0u) << x;  // screen row 58, cut across the whole picture
    EXPECT_EQ(glow.At(x, 22), 0xFF336699u) << x;
  }
  EXPECT_EQ(glow.At(30, 17), 0xFF336699u);
  // A window larger than the control on every side is cut as far as the picture reaches.
  Picture all(60, 40);
  CutCoveredHoles(all.view, TPoint(90, 40), TRect(100, 50, 140, 70), {TRect(0, 0, 1000, 1000)});
  for (uint32_t p : all.pixels) ASSERT_EQ(p, 0u);
}

TEST(GlowHoles, CoversBesideTheControlStay) {
  Picture glow(60, 40);
  // Overlapping the glow's halo but not the control itself; and one touching its edge only.
  CutCoveredHoles(glow.view, TPoint(90, 40), TRect(100, 50, 140, 70),
                  {TRect(90, 40, 100, 50), TRect(140, 50, 150, 70), TRect(-50, -50, -10, -10)});
  for (uint32_t p : glow.pixels) ASSERT_EQ(p, 0xFF336699u);
}

}  // namespace
