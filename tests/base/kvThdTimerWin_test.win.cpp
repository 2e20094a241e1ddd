// The class library's UI timer drives the animation timer: its state follows, and its tick
// event steps the animation (called here by hand: no test waits for real ticks).
#include <gtest/gtest.h>

#include "base/kvThdTimer.h"
#include "ui/Timers.h"

namespace {
TTimer* InnerTimer(TkvThreadedTimer* t) {
  for (Integer i = 0; i < t->ComponentCount(); ++i)
    if (auto* timer = dynamic_cast<TTimer*>(t->Components(i))) return timer;
  return nullptr;
}
}  // namespace

TEST(AnimationTimerOnWindows, DrivenByAUITimer) {
  TComponent owner(nullptr);
  auto* t = new TkvThreadedTimer(&owner);
  TTimer* inner = InnerTimer(t);
  ASSERT_NE(inner, nullptr);
  EXPECT_TRUE(inner->Enabled());
  EXPECT_EQ(inner->Interval(), 1000u);
  std::vector<Integer> seen;
  t->InitData(
      nullptr, 0,
      [&](TObject*, Integer i) {
        seen.push_back(i);
        return i < 2;
      },
      2, false);
  EXPECT_TRUE(inner->Enabled());
  EXPECT_EQ(inner->Interval(), 12u);
  ASSERT_TRUE(inner->OnTimer());
  inner->OnTimer()(inner);
  inner->OnTimer()(inner);
  EXPECT_EQ(seen, (std::vector<Integer>{1, 2}));
  EXPECT_FALSE(inner->Enabled());  // the step said it was done
  t->KillTimer();
  EXPECT_EQ(InnerTimer(t), nullptr);
  t->Reset();
  EXPECT_NE(InnerTimer(t), nullptr);
}
