// The main of every test executable: GoogleTest's own, with unbuffered output (a test killed under
// Wine otherwise loses everything it printed) and the hang watchdog of HangWatch.h.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/HangWatch.h"

namespace {

class HangWatchListener : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo& info) override {
    HangWatchTestStarted(info.test_suite_name(), info.name());
  }
  void OnTestEnd(const ::testing::TestInfo&) override { HangWatchTestEnded(); }
};

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new HangWatchListener);
  StartHangWatch();
  const int result = RUN_ALL_TESTS();
  HangWatchExiting();
  return result;
}
