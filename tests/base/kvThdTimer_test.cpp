// The animation timer's step arithmetic, stepped by hand through a driver the test owns.
#include "base/kvThdTimer.h"

#include <gtest/gtest.h>

#include "support/ManualTimerDriver.h"

#include "base/SkinDataBase.h"
#include "support/ManualTimerDriver.h"
#include "ui/Bitmap.h"

namespace {

// A control's skin data as the timer reaches it.
class SkinData : public TkvSkinDataBase {
#ifdef _WIN32
 public:
  Integer ScaleValue(Integer value) override { return value; }
#endif
};

class AnimationTimer : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = kvTimerDriverFactory;
    kvTimerDriverFactory = ManualTimerDriver::Factory();
    timer = new TkvThreadedTimer(&owner);
  }
  void TearDown() override { kvTimerDriverFactory = saved_; }
  // One tick of the inner timer.
  void Tick() { timer->OnTimer2(nullptr); }
  TkvTimerDriver& Driver() { return *timer->FTimerThread; }

  TComponent owner{nullptr};
  TkvThreadedTimer* timer = nullptr;
  TkvTimerDriverFactory saved_;
};

// A step procedure that records its calls.
struct Steps {
  std::vector<Integer> seen;
  bool answer = true;
  bool raise = false;
  TkvAnimProc Proc() {
    return [this](TObject*, Integer i) {
      seen.push_back(i);
      if (raise) throw Exception(u"step failed");
      return answer;
    };
  }
};

}  // namespace

TEST_F(AnimationTimer, FreshTimerRestsAtOneSecond) {
  EXPECT_EQ(timer->State, -1);
  EXPECT_EQ(timer->OldState, -1);
  EXPECT_EQ(timer->IntState, -1);
  EXPECT_EQ(timer->Iterations, 6);
  EXPECT_EQ(timer->Iteration, 0);
  EXPECT_TRUE(timer->Enabled());
  EXPECT_EQ(timer->Interval(), 1000u);
  EXPECT_EQ(timer->ThreadPriority(), tpNormal);
  EXPECT_TRUE(Driver().Enabled());
  EXPECT_EQ(Driver().Interval(), 1000u);
  Tick();  // nothing to do, nothing happens
  EXPECT_EQ(timer->Iteration, 0);
}

TEST_F(AnimationTimer, InitDataStepCounts) {
  struct Case {
    const char* what;
    double glow;
    Integer state, newState, iteration;
    bool fast;
    Integer iterations, start;
    double glowStep, glowAfter;
  } cases[] = {
      {"fade-in from full glow", 255, -1, 1, 0, false, 1, 6, 0, 255},
      {"fade-in from dark", 0, -1, 1, 0, false, 6, 0, 42.5, 0},
      {"fade-in, half steps round to even", 148.75, 0, 1, 0, false, 2, 4, 53.125, 148.75},
      {"fade-in after a fade-in", 100, 1, 1, 0, true, 6, 0, 155.0 / 6, 100},
      {"fade-out", 255, -1, 0, 0, false, 18, 0, 255.0 / 18, 255},
      {"fast fade-out", 255, -1, 0, 0, true, 9, 0, 255.0 / 9, 255},
      {"fade-out interrupting a fade-in", 170, 1, 0, 0, false, 18, 6, 170.0 / 18, 170},
      {"fade-out of a dark fade-in", 0, 1, 0, 0, false, 18, 0, 0, 0},
      {"change afresh", 30, -1, 2, 0, false, 6, 0, 42.5, 255},
      {"change resumed", 120, 2, 2, 4, false, 6, 4, 20, 120},
      {"change past its steps", 120, 2, 2, 6, false, 6, 6, 42.5, 255},
      {"glow clamped", 400, -1, 0, 0, false, 18, 0, 255.0 / 18, 255},
  };
  Steps steps;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    timer->Glow = c.glow;
    timer->State = c.state;
    timer->InitData(nullptr, c.iteration, steps.Proc(), c.newState, c.fast);
    EXPECT_EQ(timer->Iterations, c.iterations);
    EXPECT_EQ(timer->Iteration, c.start);
    EXPECT_DOUBLE_EQ(timer->GlowStep, c.glowStep);
    EXPECT_DOUBLE_EQ(timer->Glow, c.glowAfter);
    EXPECT_DOUBLE_EQ(timer->ValueStep, 255.0 / c.iterations);
    EXPECT_EQ(timer->Value, 0);
    EXPECT_EQ(timer->OldState, c.state);
    EXPECT_EQ(timer->State, c.newState);
    EXPECT_TRUE(Driver().Enabled());
  }
}

TEST_F(AnimationTimer, FullGlowFadeInEndsWithoutAStep) {
  Steps steps;
  timer->Glow = 255;
  timer->InitData(nullptr, 0, steps.Proc(), 1, false);
  Tick();
  EXPECT_TRUE(steps.seen.empty());
  EXPECT_FALSE(timer->Enabled());
  EXPECT_FALSE(Driver().Enabled());
}

TEST_F(AnimationTimer, StepsRunEvery12msUntilTheProcedureOrTheCountEnds) {
  Steps steps;
  SkinData data;
  timer->InitData(
      &data, 0,
      [&](TObject* d, Integer i) {
        EXPECT_EQ(d, &data);
        return steps.Proc()(d, i);
      },
      2, false);
  EXPECT_EQ(Driver().Interval(), 12u);
  for (int i = 0; i < 10; ++i) Tick();  // answers True forever, still stops after 6 steps
  EXPECT_EQ(steps.seen, (std::vector<Integer>{1, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(timer->Enabled());
  EXPECT_EQ(timer->State, 2);  // disabling keeps the state for the next InitData
  EXPECT_EQ(timer->Interval(), 12u);

  steps.seen.clear();
  steps.answer = false;
  timer->InitData(&data, 0, steps.Proc(), 2, false);
  Tick();
  Tick();
  EXPECT_EQ(steps.seen, (std::vector<Integer>{1}));
  EXPECT_FALSE(timer->Enabled());
  timer->Free();  // before the skin data it animates goes
}

TEST_F(AnimationTimer, AFailingStepStopsQuietly) {
  Steps steps;
  steps.raise = true;
  timer->InitData(nullptr, 0, steps.Proc(), 2, false);
  EXPECT_NO_THROW(Tick());
  EXPECT_NO_THROW(Tick());
  EXPECT_EQ(steps.seen.size(), 1u);
  EXPECT_FALSE(timer->Enabled());
}

TEST_F(AnimationTimer, AUsersIntervalSurvives) {
  timer->SetInterval(40);
  timer->InitData(nullptr, 0, Steps().Proc(), 1, false);
  EXPECT_EQ(timer->Interval(), 40u);
  EXPECT_EQ(Driver().Interval(), 40u);
}

TEST_F(AnimationTimer, TicksDuringAStepAreDropped) {
  std::vector<Integer> seen;
  timer->InitData(
      nullptr, 0,
      [&](TObject*, Integer i) {
        seen.push_back(i);
        if (i == 1) Tick();  // a step that pumps messages meets the next tick
        return true;
      },
      2, false);
  Tick();
  Tick();
  EXPECT_EQ(seen, (std::vector<Integer>{1, 2}));
}

TEST_F(AnimationTimer, TimeHandlerPaintsTheCurrentStep) {
  Steps steps;
  timer->InitData(nullptr, 3, steps.Proc(), 2, false);
  timer->TimeHandler();
  EXPECT_EQ(steps.seen, (std::vector<Integer>{3}));
  EXPECT_EQ(timer->Iteration, 3);
  steps.answer = false;
  timer->TimeHandler();
  EXPECT_FALSE(timer->Enabled());
  EXPECT_EQ(timer->State, -1);
  timer->TimeHandler();  // disabled: nothing
  EXPECT_EQ(steps.seen.size(), 2u);
}

TEST_F(AnimationTimer, PlainTickHandlerAndTheInnerTimersState) {
  struct Counter {
    int ticks = 0;
    void OnTick(TObject*) { ++ticks; }
  } counter;
  timer->SetEnabled(false);
  EXPECT_FALSE(Driver().Enabled());
  timer->SetOnTimer(TNotifyEvent(&counter, &Counter::OnTick));
  EXPECT_FALSE(Driver().Enabled());
  timer->SetEnabled(true);
  EXPECT_TRUE(Driver().Enabled());
  Tick();
  EXPECT_EQ(counter.ticks, 1);
  timer->SetInterval(0);
  EXPECT_FALSE(Driver().Enabled());  // no interval: never ticks
  timer->SetInterval(20);
  timer->SetOnTimer(nullptr);
  EXPECT_FALSE(Driver().Enabled());  // nothing to call
}

TEST_F(AnimationTimer, ChangeStartsFromThePictureShownNow) {
  timer->BmpOut = new TBitmap(3, 2, pf32bit);
  timer->BmpOut->View().At(2, 1) = 0x11223344;
  timer->Glow = 200;
  timer->InitData(nullptr, 4, Steps().Proc(), 2, false);
  ASSERT_NE(timer->BmpFrom, nullptr);
  EXPECT_EQ(timer->BmpFrom->Width(), 3);
  EXPECT_EQ(timer->BmpFrom->Height(), 2);
  EXPECT_EQ(timer->BmpFrom->View().At(2, 1), 0x11223344u);
  EXPECT_EQ(timer->Iteration, 0);  // with a picture shown, a change restarts its steps
}

TEST_F(AnimationTimer, CopyFromSizesAndCopiesTheRectangle) {
  TBitmap src(4, 4, pf32bit);
  for (Integer y = 0; y < 4; ++y)
    for (Integer x = 0; x < 4; ++x) src.View().At(x, y) = static_cast<uint32_t>(y * 10 + x);
  TBitmap* dst = nullptr;
  timer->CopyFrom(dst, &src, TRect(1, 2, 4, 4));
  ASSERT_NE(dst, nullptr);
  EXPECT_EQ(dst->PixelFormat(), pf32bit);
  EXPECT_EQ(dst->Width(), 3);
  EXPECT_EQ(dst->Height(), 2);
  EXPECT_EQ(dst->View().At(0, 0), 21u);
  EXPECT_EQ(dst->View().At(2, 1), 33u);
  timer->CopyFrom(dst, &src, TRect(0, 0, 2, -3));  // negative extents count as 0
  EXPECT_EQ(dst->Width(), 2);
  EXPECT_EQ(dst->Height(), 0);
  delete dst;
}

TEST_F(AnimationTimer, GetNewTimerAndTheSkinDataLink) {
  SkinData data;
  TkvThreadedTimer* t = nullptr;
  EXPECT_EQ(GetNewTimer(t, &owner, 0), 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Glow, 255);
  TkvThreadedTimer* lit = nullptr;
  GetNewTimer(lit, &owner, 1);
  EXPECT_EQ(lit->Glow, 0);
  struct Case {
    Integer state, iteration, left;
  } cases[] = {{0, 20, 0}, {0, 5, 13}, {2, 2, 4}, {1, 6, 0}, {-1, 9, 0}};
  for (const auto& c : cases) {
    t->State = c.state;
    t->Iteration = c.iteration;
    EXPECT_EQ(GetNewTimer(t, &owner, c.state), c.left);
  }
  TkvOwnedTimer held(&data);
  held.reset(t);
  t->InitData(&data, 0, Steps().Proc(), 2, false);
  t->Free();
  EXPECT_EQ(held.get(), nullptr);  // the timer unlinks itself from the skin data that holds it
}

// ---- a timer that a holder owns -------------------------------------------------------------

namespace {
int gTimersGone = 0;
class TCountedTimer : public TkvThreadedTimer {
 public:
  using TkvThreadedTimer::TkvThreadedTimer;
  ~TCountedTimer() override { ++gTimersGone; }
};
}  // namespace

TEST_F(AnimationTimer, AHolderFreesItsTimerOnceAndItsOwnerForgetsIt) {
  gTimersGone = 0;
  TComponent timerOwner(nullptr);
  {
    TkvOwnedTimer held;
    held.reset(new TCountedTimer(&timerOwner));
    EXPECT_EQ(timerOwner.ComponentCount(), 1);
    held.reset(new TCountedTimer(&timerOwner));  // the first goes now
    EXPECT_EQ(gTimersGone, 1);
    EXPECT_EQ(timerOwner.ComponentCount(), 1);
  }
  EXPECT_EQ(gTimersGone, 2);
  EXPECT_EQ(timerOwner.ComponentCount(), 0);  // the owner will not free it again
}

TEST_F(AnimationTimer, ATimerItsOwnerFreesFirstEmptiesItsHolder) {
  gTimersGone = 0;
  auto* timerOwner = new TComponent(nullptr);
  TkvOwnedTimer held;
  held.reset(new TCountedTimer(timerOwner));
  timerOwner->Free();
  EXPECT_EQ(gTimersGone, 1);
  EXPECT_FALSE(held);
  held.reset();  // nothing left to free
  EXPECT_EQ(gTimersGone, 1);
}

TEST_F(AnimationTimer, AReleasedTimerIsItsOwnersAloneAndATimerChangesHolders) {
  gTimersGone = 0;
  TComponent timerOwner(nullptr);
  auto* t = new TCountedTimer(&timerOwner);
  {
    TkvOwnedTimer first, second;
    first.reset(t);
    second.reset(t);  // moves: the first holder lets it go
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), t);
    EXPECT_EQ(second.release(), t);
    EXPECT_FALSE(second);
  }
  EXPECT_EQ(gTimersGone, 0);
  t->Free();  // no holder hears of it any more
  EXPECT_EQ(gTimersGone, 1);
}

TEST_F(AnimationTimer, GetNewTimerFillsAHolderOnceAndAnswersTheStepsLeft) {
  TComponent timerOwner(nullptr);
  TkvOwnedTimer held;
  EXPECT_EQ(GetNewTimer(held, &timerOwner, 0), 0);
  ASSERT_TRUE(held);
  TkvThreadedTimer* made = held.get();
  EXPECT_EQ(made->Glow, 255);
  EXPECT_EQ(made->Owner(), &timerOwner);
  made->State = 2;
  made->Iteration = 2;
  EXPECT_EQ(GetNewTimer(held, &timerOwner, 2), 4);
  EXPECT_EQ(held.get(), made);  // the same timer goes on
}

TEST_F(AnimationTimer, AHolderTakesItselfOutOfATimerItFreesWhileTheTimerIsInUse) {
  gTimersGone = 0;
  SkinData data;
  TComponent timerOwner(nullptr);
  TkvOwnedTimer held(&data);
  auto* t = new TCountedTimer(&timerOwner);
  held.reset(t);
  t->InitData(&data, 0, Steps().Proc(), 2, false);
  {
    TObjectInUse inUse(t);  // the timer's own step is running
    held.reset();
    EXPECT_EQ(gTimersGone, 0);        // freed when the step returns
    EXPECT_EQ(t->AnimData, nullptr);  // and no later step reaches the skin data
  }
  EXPECT_EQ(gTimersGone, 1);
}

namespace {
// A timer of the kind the form animations make: its own constructor state and its own
// TimeHandler, which a tick reaches through the TimeEvent that CreateOwned installs.
class TCountingTimer : public TkvThreadedTimer {
 public:
  explicit TCountingTimer(TComponent* aOwner) : TkvThreadedTimer(aOwner), Ticks(0) { ThreadType = 7; }
  void TimeHandler() override { ++Ticks; }
  Integer Ticks;
};
}  // namespace

TEST_F(AnimationTimer, CreateOwnedMakesTheSubclassAskedFor) {
  TCountingTimer* t = TkvThreadedTimer::CreateOwned<TCountingTimer>(&owner, true);
  EXPECT_EQ(t->ThreadType, 7);  // the subclass's constructor ran
  EXPECT_EQ(t->FOwner, &owner);
  EXPECT_FALSE(t->Enabled());
  t->OnTimer2(nullptr);  // disabled: no tick
  EXPECT_EQ(t->Ticks, 0);
  t->SetEnabled(true);
  t->OnTimer2(nullptr);
  t->OnTimer2(nullptr);
  EXPECT_EQ(t->Ticks, 2);  // OnTimer is TimeEvent, which calls the subclass's TimeHandler
  TCountingTimer* plain = TkvThreadedTimer::CreateOwned<TCountingTimer>(&owner, false);
  plain->SetEnabled(true);
  plain->OnTimer2(nullptr);
  EXPECT_EQ(plain->Ticks, 0);  // without the change event nothing handles the tick
}

TEST_F(AnimationTimer, CreateOwnedUsesTimeEvent) {
  TkvThreadedTimer* t = TkvThreadedTimer::CreateOwned(&owner, true);
  EXPECT_EQ(t->FOwner, &owner);
  EXPECT_FALSE(t->Enabled());
  std::vector<Integer> seen;
  t->AnimProc = [&](TObject*, Integer i) {
    seen.push_back(i);
    return true;
  };
  t->Iteration = 2;
  t->SetEnabled(true);
  t->OnTimer2(nullptr);  // with a step procedure, a tick steps it
  EXPECT_EQ(seen, (std::vector<Integer>{3}));
  t->AnimProc = nullptr;
  t->OnTimer2(nullptr);  // without: OnTimer, here TimeEvent -> TimeHandler, which needs one
  EXPECT_EQ(seen.size(), 1u);
}
