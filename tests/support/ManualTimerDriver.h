// The inner timer of an animation timer in tests: it never ticks by itself; a test steps the
// animation timer (OnTimer2) when it wants the next frame.
//
//   kvTimerDriverFactory = ManualTimerDriver::Factory();
#pragma once

#include <memory>

#include "base/kvThdTimer.h"

class ManualTimerDriver : public TkvTimerDriver {
 public:
  explicit ManualTimerDriver(Cardinal interval) : interval_(interval) {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool v) override { enabled_ = v; }
  Cardinal Interval() const override { return interval_; }
  void SetInterval(Cardinal ms) override { interval_ = ms; }

  static TkvTimerDriverFactory Factory() {
    return [](TkvThreadedTimer&, Cardinal interval) { return std::make_unique<ManualTimerDriver>(interval); };
  }

 private:
  bool enabled_ = true;  // a new inner timer runs at once
  Cardinal interval_;
};
