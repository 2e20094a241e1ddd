// The effects' frame arithmetic as tables: the alpha and blend weight of every frame of a fade
// (run on a real animation timer, stepped by hand), the fill light's sizes and frames, the
// ripple's frames, the mouse light's distance test and placement, and which events animate.
#include "controls/kvAnimation.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The frames a fade shows: its first step at once, then one step per tick until it ends.
struct FadeRun {
  std::vector<Integer> dezev, weight;
};

FadeRun RunFade(TkvThreadedTimer& t) {
  FadeRun run;
  t.AnimProc = [&](TObject*, Integer) {
    const TkvFadeStep s = kvFadeStep(t);
    run.dezev.push_back(s.Dezev);
    run.weight.push_back(s.Weight);
    return s.Next != fnEnd;
  };
  t.TimeHandler();  // the first frame, drawn at once
  for (int guard = 0; guard < 100 && t.Enabled(); ++guard) t.Timer();
  return run;
}

std::vector<Integer> Complement(const std::vector<Integer>& v) {
  std::vector<Integer> out;
  for (Integer x : v) out.push_back(255 - x);
  return out;
}

class Fades : public testing::Test {
 protected:
  TComponent owner{nullptr};
  TkvThreadedTimer* NewTimer(Integer state) {
    TkvThreadedTimer* t = nullptr;
    GetNewTimer(t, &owner, state);
    return t;
  }
};

}  // namespace

TEST(FadeAlpha, RoundsHalvesToEvenAndClamps) {
  struct {
    double glow;
    Integer alpha;
  } cases[] = {{-3, 0}, {0, 0}, {0.5, 0}, {1.5, 2}, {42.5, 42}, {127.5, 128}, {212.5, 212}, {254.6, 255}, {297.5, 255}};
  for (const auto& c : cases) EXPECT_EQ(kvFadeAlpha(c.glow), c.alpha) << c.glow;
}

TEST_F(Fades, FramesOfEachFadeFromRest) {
  struct Case {
    const char* name;
    Integer state;
    std::vector<Integer> dezev;
    bool weightIsComplement;  // the starting look weighs 255 - Dezev (a fade to the hot look)
  } cases[] = {
      {"to hot", 1, {42, 85, 128, 170, 212, 255, 255}, true},
      {"to pressed", 2, {212, 170, 128, 85, 42, 0, 0}, false},
      {"to normal", 0, {241, 227, 213, 198, 184, 170, 156, 142, 128, 113, 99, 85, 71, 57, 43, 28, 14, 0, 0}, false},
  };
  for (const Case& c : cases) {
    TkvThreadedTimer* t = NewTimer(c.state);
    t->InitData(nullptr, 0, nullptr, c.state, false);
    const FadeRun run = RunFade(*t);
    EXPECT_EQ(run.dezev, c.dezev) << c.name;
    EXPECT_EQ(run.weight, c.weightIsComplement ? Complement(c.dezev) : c.dezev) << c.name;
    EXPECT_FALSE(t->Enabled()) << c.name;
  }
}

TEST_F(Fades, LeavingHalfWayFadesBackFromTheBlendedFrame) {
  TkvThreadedTimer* t = NewTimer(1);
  t->InitData(nullptr, 0, nullptr, 1, false);
  t->AnimProc = [&](TObject*, Integer) { return kvFadeStep(*t).Next != fnEnd; };
  t->TimeHandler();
  t->Timer();
  t->Timer();  // three frames shown: Glow 127.5
  ASSERT_DOUBLE_EQ(t->Glow, 127.5);
  t->InitData(nullptr, 0, nullptr, 0, false);
  EXPECT_EQ(t->Iterations, 18);
  EXPECT_EQ(t->Iteration, 9);  // the steps fit the progress so far
  const FadeRun run = RunFade(*t);
  EXPECT_EQ(run.dezev,
            (std::vector<Integer>{120, 113, 106, 99, 92, 85, 78, 71, 64, 57, 50, 43, 35, 28, 21, 14, 7, 0, 0}));
}

TEST_F(Fades, AFadeToHotThatTakesOverAFadeToNormalEndsOnTheHotLook) {
  // The mouse leaves, the fade to normal shows some of its frames, the mouse comes back.
  for (int shown = 1; shown <= 19; ++shown) {
    TkvThreadedTimer* t = NewTimer(0);
    t->InitData(nullptr, 0, nullptr, 0, false);
    t->AnimProc = [&](TObject*, Integer) { return kvFadeStep(*t).Next != fnEnd; };
    t->TimeHandler();
    for (int i = 1; i < shown && t->Enabled(); ++i) t->Timer();
    const double glow = t->Glow;
    t->InitData(nullptr, 0, nullptr, 1, false);
    const FadeRun run = RunFade(*t);
    ASSERT_FALSE(run.dezev.empty()) << shown;
    EXPECT_EQ(run.dezev.back(), 255) << shown << " frames out, from " << glow;
    EXPECT_EQ(run.weight.back(), 0) << shown << ": the last frame is the hot look alone";
    for (size_t i = 1; i < run.dezev.size(); ++i) EXPECT_GE(run.dezev[i], run.dezev[i - 1]) << shown << ", " << i;
    EXPECT_LE(run.dezev.size(), 7u) << shown << ": no longer than a fade from rest";
    EXPECT_FALSE(t->Enabled()) << shown;
  }
}

TEST_F(Fades, AFadeWhoseStepWasMadeTooSmallStillEndsWithinOneMoreFade) {
  // The glow value is put back under a running fade (a change shown at once sets it) while its
  // step stays the small one of a fade that began nearly at its end.
  struct Case {
    const char* name;
    Integer state;
    double glow, glowStep;
    Integer target;
  } cases[] = {
      {"to normal, the glow put back to full", 0, 255, 0.5 / 18, 0},
      {"to normal, a step far below one count", 0, 200, 1e-12, 0},
      {"to hot, the glow put out", 1, 0, 1e-12, 255},
  };
  for (const Case& c : cases) {
    TkvThreadedTimer* t = NewTimer(c.state);
    t->InitData(nullptr, 0, nullptr, c.state, false);
    const Integer iterations = t->Iterations;
    t->Iteration = iterations;  // its last step
    t->Glow = c.glow;
    t->GlowStep = c.glowStep;
    EXPECT_EQ(kvFadeStep(*t).Next, fnGoOn) << c.name;
    EXPECT_GE(t->Iteration, -1) << c.name;
    EXPECT_LT(t->Iteration, iterations) << c.name;
    const FadeRun run = RunFade(*t);
    EXPECT_FALSE(t->Enabled()) << c.name;
    EXPECT_LE(run.dezev.size(), size_t(iterations) + 2) << c.name;
    ASSERT_FALSE(run.dezev.empty()) << c.name;
    EXPECT_EQ(run.dezev.back(), c.target) << c.name;
  }
}

TEST(FillLight, SizesOfTheCache) {
  struct {
    Integer w, h, minSize, maxSize;
    bool valid;
  } cases[] = {{100, 30, 26, 200, true}, {300, 40, 75, 600, true}, {30, 100, 26, 200, true},
               {0, 0, 0, 0, false},      {1, 0, 0, 2, true},       {-5, 10, 2, 20, true}};
  for (const auto& c : cases) {
    const TkvFillLightSizes s = kvFillLightSizes(c.w, c.h);
    EXPECT_EQ(s.MinSize, c.minSize) << c.w << "x" << c.h;
    EXPECT_EQ(s.MaxSize, c.maxSize) << c.w << "x" << c.h;
    EXPECT_EQ(s.Valid(), c.valid) << c.w << "x" << c.h;
  }
}

TEST(FillLight, FramesWhilePressedAndAfterTheRelease) {
  const TkvFillLightSizes s = kvFillLightSizes(100, 30);  // 26 .. 200
  struct {
    const char* name;
    double value;
    bool first, pressed, wave;
    double nextValue;
    Integer fade, intState, blur, size, exitLimit;
  } cases[] = {
      {"first press step", 0, true, true, false, 39, 0, 236, 8, 39, 1},
      {"growing while held", 39, false, true, false, 39 + 13.0 / 30 + 1, 0, 234, 8, 40, 1},
      {"released half-way", 100, false, false, false, 100 + 100.0 / 30 + 1, 140, 140, 5, 104, 10},
      {"released, a wave follows", 100, false, false, true, 100 + 100.0 / 30 + 1, 140, 140, 5, 104, 40},
      {"released at the end", 199, false, false, false, 199 + 1.0 / 30 + 1, 0, 0, 1, 200, 10},
  };
  for (const auto& c : cases) {
    const TkvFillLightFrame f = kvFillLightStep(s, c.value, c.first, c.pressed, c.wave);
    EXPECT_DOUBLE_EQ(f.Value, c.nextValue) << c.name;
    EXPECT_EQ(f.Fade, c.fade) << c.name;
    EXPECT_EQ(f.IntState, c.intState) << c.name;
    EXPECT_EQ(f.Blur, c.blur) << c.name;
    EXPECT_EQ(f.Size, c.size) << c.name;
    EXPECT_EQ(f.ExitLimit, c.exitLimit) << c.name;
  }
}

TEST(FillLight, AHeldPressEndsBelowTheLargestSize) {
  const TkvFillLightSizes s = kvFillLightSizes(100, 30);
  TkvFillLightFrame f = kvFillLightStep(s, 0, true, true, false);
  int steps = 1;
  while (!f.Done(s) && steps < 1000) {
    f = kvFillLightStep(s, f.Value, false, true, false);
    ++steps;
  }
  EXPECT_LT(steps, 1000);
  EXPECT_GE(f.Size, s.MaxSize);  // the circle has filled the button
  EXPECT_EQ(f.IntState, 0);
}

TEST(Ripple, AlphaOfEachFrame) {
  std::vector<Integer> seen;
  Integer dezev = 255;
  for (int i = 0; i < 17; ++i) seen.push_back(dezev = kvRippleNextAlpha(dezev));
  EXPECT_EQ(seen, (std::vector<Integer>{212, 176, 146, 121, 100, 83, 69, 57, 47, 39, 32, 26, 21, 17, 14, 11, 9}));
  EXPECT_GT(seen.back(), kvRippleMinAlpha);  // the step count, not the alpha, ends it
}

TEST(Ripple, FramesGrowAroundTheMouseArea) {
  EXPECT_EQ(kvRippleNextSize(TSize(100, 30), cm1), TSize(107, 37));
  EXPECT_EQ(kvRippleNextSize(TSize(100, 30), cm2), TSize(102, 32));
  struct {
    TRect area;
    TSize size;
    TRect expected;
  } cases[] = {
      {TRect(10, 20, 110, 50), TSize(107, 37), TRect(7, 17, 114, 54)},
      {TRect(10, 20, 110, 50), TSize(102, 32), TRect(9, 19, 111, 51)},
      {TRect(-10, -5, 0, 5), TSize(17, 17), TRect(-13, -8, 4, 9)},
  };
  for (const auto& c : cases) EXPECT_EQ(kvRippleRect(c.area, c.size), c.expected);
}

TEST(MouseLight, NearWithinSixtyFourPixelsOfTheEnlargedBox) {
  const TRect button(100, 100, 200, 130);  // 100 x 30: enlarged by 50 on every side
  struct {
    TPoint cursor;
    bool isNear;
    Integer dx, dy;
  } cases[] = {
      {TPoint(150, 115), true, 0, 0},      // the centre
      {TPoint(320, 115), false, -170, 0},  // 70 pixels beyond the enlarged box
      {TPoint(300, 115), true, -150, 0},   // 50 pixels beyond it
      {TPoint(150, 229), true, 0, -114},   // 49 below the enlarged box (30 / 2 + 50)
      {TPoint(150, 245), false, 0, -130},  // 65 below it: 64 is the reach
      {TPoint(0, 0), false, 150, 115},
  };
  for (const auto& c : cases) {
    Integer dx = 99, dy = 99;
    EXPECT_EQ(kvLightIsNear(button, c.cursor, dx, dy), c.isNear) << c.cursor.X << "," << c.cursor.Y;
    EXPECT_EQ(dx, c.dx);
    EXPECT_EQ(dy, c.dy);
  }
}

TEST(MouseLight, SpotIsCentredOnTheCursorAndFadesOutside) {
  struct {
    Integer distX, distY;
    TPoint topLeft;
    bool inside;
    Integer opacity;
  } cases[] = {
      {0, 0, TPoint(50 - 60, 15 - 60), true, 255},         {20, -5, TPoint(50 - 20 - 60, 15 + 5 - 60), true, 255},
      {-82, 0, TPoint(50 + 82 - 60, 15 - 60), false, 128},  // 32 beyond the right edge
      {0, 79, TPoint(50 - 60, 15 - 79 - 60), false, 0},     // 64 above the top
      {-200, 0, TPoint(50 + 200 - 60, 15 - 60), false, 0},
  };
  for (const auto& c : cases) {
    const TkvLightPlace p = kvLightPlace(100, 30, c.distX, c.distY, 120, 120);
    EXPECT_EQ(p.TopLeft, c.topLeft) << c.distX << "," << c.distY;
    EXPECT_EQ(p.Inside, c.inside) << c.distX << "," << c.distY;
    EXPECT_EQ(p.Opacity, c.opacity) << c.distX << "," << c.distY;
  }
}

TEST(MouseLight, LightSizeFollowsTheAlignment) {
  EXPECT_EQ(kvLightSize(300, 40, 0), TSize(300, 40));
  EXPECT_EQ(kvLightSize(300, 40, 1), TSize(300, 300));  // top: as high as it is wide
  EXPECT_EQ(kvLightSize(300, 40, 2), TSize(300, 300));
  EXPECT_EQ(kvLightSize(40, 300, 3), TSize(300, 300));  // left: as wide as it is high
  EXPECT_EQ(kvLightSize(40, 300, 4), TSize(300, 300));
  EXPECT_EQ(kvLightSize(300, 40, 5), TSize(40, 40));
}

TEST(Events, WhichMouseEventsAnimate) {
  const TSet<TkvAnimatEvent> global{aeGlobalDef}, own{aeMouseEnter, aeClick};
  TkvEventRules none;
  TkvEventRules off{true, false, {beMouseEnter, beClick}};
  TkvEventRules on{true, true, {beMouseEnter, beMouseUp}};
  struct {
    TkvAnimatEvent event;
    TSet<TkvAnimatEvent> set;
    const TkvEventRules* rules;
    bool expected;
  } cases[] = {
      {aeMouseEnter, own, &none, true},
      {aeClick, own, &none, false},
      {aeMouseLeave, global, &none, true},
      {aeMouseEnter, own, &off, false},
      {aeMouseEnter, global, &off, false},
      {aeMouseEnter, own, &on, true},
      {aeMouseLeave, own, &on, false},
      {aeClick, own, &on, true},
      {aeMouseEnter, global, &on, true},
      {aeClick, global, &on, false},
      {aeMouseUp, global, &on, true},
      {aeGlobalDef, global, &on, true},  // the global default stands for the release
  };
  for (const auto& c : cases) EXPECT_EQ(kvEventEnabled(c.event, c.set, *c.rules), c.expected) << int(c.event);
}
