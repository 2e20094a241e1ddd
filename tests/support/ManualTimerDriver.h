// The inner timer of an animation timer, stepped by hand: a test installs it through
// kvTimerDriverFactory and calls the timer's OnTimer2 for each tick, so no test waits for real
// frame periods.
//
//   kvTimerDriverFactory = [](TkvThreadedTimer&, Cardinal interval) {
//     return std::make_unique<ManualDriver>(interval);
//   };
#pragma once

#include "base/kvThdTimer.h"

class ManualDriver : public TkvTimerDriver {
 public:
  explicit ManualDriver(Cardinal interval) : interval_(interval) {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool v) override { enabled_ = v; }
  Cardinal Interval() const override { return interval_; }
  void SetInterval(Cardinal ms) override { interval_ = ms; }

 private:
  bool enabled_ = true;  // a new inner timer runs at once
  Cardinal interval_;
};
