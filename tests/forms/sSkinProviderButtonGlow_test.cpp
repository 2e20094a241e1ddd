// The levels of a caption button's fade, step by step: the alphas a hover shows, the picture
// shown at once without animation, the fade-out and its end.
#include <gtest/gtest.h>

#include <vector>

#include "forms/sSkinProvider.h"

namespace {

// The alphas the steps show until the fade asks for something else.
std::vector<Integer> Shown(TkvButtonFade& f, TkvButtonFade::TAction& last) {
  std::vector<Integer> alphas;
  for (Integer guard = 0; guard < 100; ++guard) {
    const TkvButtonFade::TStep s = f.Tick();
    if (s.Action != TkvButtonFade::faShow) {
      last = s.Action;
      if (s.Action == TkvButtonFade::faWatchMouse && s.Alpha >= 0) alphas.push_back(s.Alpha);
      return alphas;
    }
    alphas.push_back(s.Alpha);
  }
  ADD_FAILURE() << "the fade never ends";
  return alphas;
}

}  // namespace

TEST(ButtonFade, HoverShowsTwentyFiveAtOnceThenClimbsToTheWholePicture) {
  TkvButtonFade f;
  f.MaxIterations = 10;
  EXPECT_EQ(f.Step(), 25);
  EXPECT_EQ(f.Start(1, true), 25);
  EXPECT_TRUE(f.TimerOn);
  TkvButtonFade::TAction last = TkvButtonFade::faNone;
  const std::vector<Integer> want = {50, 75, 100, 125, 150, 175, 200, 225, 255};
  EXPECT_EQ(Shown(f, last), want);
  EXPECT_EQ(last, TkvButtonFade::faWatchMouse);
  EXPECT_EQ(f.MaxIterations, -1);
  // Held at full: the steps only watch the mouse and show nothing new.
  const TkvButtonFade::TStep held = f.Tick();
  EXPECT_EQ(held.Action, TkvButtonFade::faWatchMouse);
  EXPECT_EQ(held.Alpha, -1);
  // The same state again changes nothing.
  EXPECT_EQ(f.Start(1, true), -1);
}

TEST(ButtonFade, WithoutAnimationThePictureShowsAtOnce) {
  TkvButtonFade f;
  f.MaxIterations = 1;
  EXPECT_EQ(f.Start(1, true), 255);
  EXPECT_FALSE(f.TimerOn);
}

TEST(ButtonFade, FadeOutCountsDownAndEnds) {
  // A held button fading out: the fade is retargeted with ten levels from the top.
  TkvButtonFade f;
  f.CurrentState = 1;
  f.MaxIterations = 10;
  f.CurrentLevel = 10;
  f.Up = false;
  f.TimerOn = true;
  TkvButtonFade::TAction last = TkvButtonFade::faNone;
  const std::vector<Integer> want = {250, 225, 200, 175, 150, 125, 100, 75, 50, 25};
  EXPECT_EQ(Shown(f, last), want);
  EXPECT_EQ(last, TkvButtonFade::faFinish);
  EXPECT_EQ(f.CurrentState, -1);
  EXPECT_FALSE(f.TimerOn);
}

TEST(ButtonFade, StepIsZeroWithoutLevels) {
  TkvButtonFade f;
  for (Integer n : {0, -1}) {
    f.MaxIterations = n;
    EXPECT_EQ(f.Step(), 0) << n;
  }
  f.MaxIterations = 3;
  EXPECT_EQ(f.Step(), 85);
}
