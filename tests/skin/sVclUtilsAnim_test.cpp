// The frame schedules of the layered show and hide animations, as tables.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "skin/sVclUtils.h"

namespace {
std::vector<int> Alphas(const std::vector<TkvAnimFrame>& frames) {
  std::vector<int> a;
  for (const auto& f : frames) a.push_back(f.Alpha);
  return a;
}
}  // namespace

TEST(ShowSchedule, FadingFormRisesByItsStepAndCopiesOnce) {
  const auto frames = ShowSchedule(atFading, 300, 200, 120, 255, false);
  ASSERT_EQ(frames.size(), 11u);  // i = 0 .. 10
  // (255 - 50) / 10 = 20.5 a frame, halves to the even neighbour.
  EXPECT_EQ(Alphas(frames), (std::vector<int>{20, 41, 62, 82, 102, 123, 144, 164, 184, 205, 226}));
  EXPECT_EQ(frames[0].Draw, TkvFrameDraw::Whole);
  for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i].Draw, TkvFrameDraw::Keep) << i;
  // Capped at the maximum: one step of 205 reaches it in the second frame.
  EXPECT_EQ(Alphas(ShowSchedule(atFading, 10, 10, 12, 255, false)), (std::vector<int>{205, 255}));
  // Below 50 the form's step is negative: the opacity stays at 0.
  EXPECT_EQ(Alphas(ShowSchedule(atFading, 10, 10, 24, 40, false)), (std::vector<int>{0, 0, 0}));
}

TEST(ShowSchedule, DialogsRiseInStepCountPlusOneSteps) {
  const auto frames = ShowSchedule(atFading, 300, 200, 48, 200, true);  // 4 steps
  EXPECT_EQ(Alphas(frames), (std::vector<int>{40, 80, 120, 160, 200}));
}

TEST(ShowSchedule, UnderOneFrameTimeShowsAtOnce) {
  EXPECT_TRUE(ShowSchedule(atFading, 300, 200, 11, 255, false).empty());
  EXPECT_TRUE(ShowSchedule(atAero, 300, 200, 0, 255, true).empty());
}

TEST(ShowSchedule, AeroGrowsFromAThirtySecondInsetToTheWholePicture) {
  const auto frames = ShowSchedule(atAero, 640, 320, 120, 255, false);
  ASSERT_EQ(frames.size(), 11u);
  EXPECT_EQ(frames.front().Draw, TkvFrameDraw::Stretch);
  EXPECT_EQ(frames.front().Dest, TRect(20, 10, 620, 310));  // 640 / 32 and 320 / 32 on each side
  EXPECT_EQ(frames[5].Dest, TRect(10, 5, 630, 315));
  const TkvAnimFrame& last = frames.back();
  if (last.Draw == TkvFrameDraw::Stretch)
    EXPECT_EQ(last.Dest, TRect(0, 0, 640, 320));
  else
    EXPECT_EQ(last.Draw, TkvFrameDraw::Whole);
  for (size_t i = 1; i < frames.size(); ++i) EXPECT_GE(frames[i].Alpha, frames[i - 1].Alpha);
}

TEST(ShowSchedule, DropDownNeverFadesAndMayStopEarly) {
  const auto frames = ShowSchedule(atDropDown, 200, 400, 240, 128, false);  // 20 steps
  ASSERT_FALSE(frames.empty());
  EXPECT_LE(frames.size(), 21u);
  for (const auto& f : frames) {
    EXPECT_EQ(f.Alpha, 255);
    EXPECT_EQ(f.Draw, TkvFrameDraw::Stretch);
    EXPECT_EQ(f.Dest.Left, 0);
    EXPECT_EQ(f.Dest.Right, 200);  // full width
  }
  EXPECT_EQ(frames[0].Dest.Height(), 0);  // unrolls from nothing
  for (size_t i = 1; i < frames.size(); ++i) EXPECT_GT(frames[i].Dest.Height(), frames[i - 1].Dest.Height()) << i;
  // Geometric speed: the step-count-th root of half the height.
  const double div = std::exp(std::log(200.0) / 20);
  EXPECT_EQ(frames[1].Dest.Height(), std::lround(400 - 400 / div));
  const auto brief = ShowSchedule(atDropDown, 200, 400, 600, 255, false);  // 50 steps: the steps fall below 2 sooner
  EXPECT_LT(brief.size(), 51u);
}

TEST(ShowSchedule, TinyDropDownsAreCopiedDirectly) {
  for (Integer h : {0, 1, 2, 3}) {
    const auto frames = ShowSchedule(atDropDown, 50, h, 120, 255, false);
    ASSERT_EQ(frames.size(), 1u) << h;
    EXPECT_EQ(frames[0].Draw, TkvFrameDraw::Whole) << h;
    EXPECT_EQ(frames[0].Alpha, 255) << h;
  }
}

TEST(HideSchedule, FadingFallsToZero) {
  const auto frames = HideSchedule(atFading, 300, 200, 60, 250);  // 5 steps of 50
  EXPECT_EQ(Alphas(frames), (std::vector<int>{200, 150, 100, 50, 0, 0}));
  EXPECT_EQ(frames[0].Draw, TkvFrameDraw::Whole);
  EXPECT_EQ(frames[1].Draw, TkvFrameDraw::Keep);
}

TEST(HideSchedule, ShortTimesRunOneStepAndNoTimeNone) {
  for (Integer t : {1, 5, 11}) {
    const auto frames = HideSchedule(atFading, 300, 200, t, 255);
    EXPECT_EQ(Alphas(frames), (std::vector<int>{0, 0})) << t;  // one step: the whole way at once
  }
  for (Integer t : {1, 11}) {
    const auto aero = HideSchedule(atAero, 320, 160, t, 255);
    ASSERT_EQ(aero.size(), 2u);
    EXPECT_EQ(aero[1].Dest, TRect(10, 5, 310, 155));  // the whole 1/32 in one step
  }
  EXPECT_TRUE(HideSchedule(atFading, 300, 200, 0, 255).empty());
  EXPECT_TRUE(HideSchedule(atAero, 300, 200, -3, 255).empty());
}

TEST(HideSchedule, AeroShrinksByAThirtySecondOverTheRun) {
  const auto frames = HideSchedule(atAero, 640, 320, 120, 255);
  ASSERT_EQ(frames.size(), 11u);
  EXPECT_EQ(frames.front().Dest, TRect(0, 0, 640, 320));
  EXPECT_TRUE(frames.front().ClearFirst);
  EXPECT_EQ(frames.back().Dest, TRect(20, 10, 620, 310));
  EXPECT_EQ(frames.back().Alpha, 0);
}

TEST(HideSchedule, DropDownRollsUpWithoutFadingUntilUnderTwoPixels) {
  const auto frames = HideSchedule(atDropDown, 200, 400, 240, 230);
  ASSERT_GE(frames.size(), 2u);
  EXPECT_EQ(frames[0].Draw, TkvFrameDraw::Whole);  // still whole at the start
  for (const auto& f : frames) EXPECT_EQ(f.Alpha, 230);
  for (size_t i = 1; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].Draw, TkvFrameDraw::Stretch);
    EXPECT_TRUE(frames[i].ClearFirst);
    EXPECT_LE(frames[i].Dest.Bottom, i == 1 ? 399 : frames[i - 1].Dest.Bottom);
    EXPECT_GE(frames[i].Dest.Bottom, 2);
  }
  EXPECT_EQ(HideSchedule(atDropDown, 200, 3, 240, 230).size(), 1u);  // copied directly
}

namespace {
// Records what a show run does, with a clock that moves 5 ms for every frame drawn.
class TRecordedRun : public TkvShowFrames {
 public:
  Cardinal Ticks() override {
    log.push_back("tick " + std::to_string(clock));
    return clock;
  }
  void Draw(const TkvAnimFrame&) override {
    log.push_back("draw");
    clock += 5;
  }
  void Present(const TkvAnimFrame& f) override { log.push_back("present " + std::to_string(f.Alpha)); }
  void WaitFrom(Cardinal tick) override {
    log.push_back("wait from " + std::to_string(tick));
    clock = tick + kvAnimFrameTime;
  }
  Cardinal clock = 1000;
  std::vector<std::string> log;
};
}  // namespace

TEST(ShowRun, AFormTakesItsFrameTimeAfterDrawingTheFrameADialogBefore) {
  TRecordedRun form;
  TkvShowAnim formAnim(atFading, 40, 20, 2, 250, false);
  RunShowFrames(formAnim, 2, false, form);
  EXPECT_EQ(form.log, (std::vector<std::string>{"draw", "tick 1005", "present 100", "wait from 1005", "draw",
                                                "tick 1022", "present 200", "wait from 1022", "draw", "tick 1039",
                                                "present 250", "wait from 1039"}));
  TRecordedRun dialog;
  TkvShowAnim dialogAnim(atFading, 40, 20, 2, 255, true);
  RunShowFrames(dialogAnim, 2, true, dialog);
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"tick 1000", "draw", "present 85", "wait from 1000", "tick 1012",
                                                  "draw", "present 170", "wait from 1012", "tick 1024", "draw",
                                                  "present 255", "wait from 1024"}));
}

TEST(ShowRun, ARunThatStopsEarlyWaitsNoMore) {
  TRecordedRun run;
  TkvShowAnim anim(atDropDown, 40, 8, 20, 255, false);  // half of 8 rows: the steps soon fall under 2
  RunShowFrames(anim, 20, false, run);
  ASSERT_FALSE(run.log.empty());
  EXPECT_EQ(run.log.back().rfind("present", 0), 0u);
  EXPECT_LT(run.log.size(), 21u * 4);
}
