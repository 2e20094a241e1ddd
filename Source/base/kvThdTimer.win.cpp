#include "base/kvThdTimer.h"

#include "ui/Timers.h"

namespace {

// The class library's UI timer, owned by the animation timer.
class TUITimerDriver : public TkvTimerDriver {
 public:
  TUITimerDriver(TkvThreadedTimer& owner, Cardinal interval) : timer_(new TTimer(&owner)) {
    timer_->SetInterval(interval);
    timer_->SetOnTimer(TNotifyEvent(&owner, &TkvThreadedTimer::OnTimer2));
  }
  ~TUITimerDriver() override { timer_->Free(); }
  bool Enabled() const override { return timer_->Enabled(); }
  void SetEnabled(bool value) override { timer_->SetEnabled(value); }
  Cardinal Interval() const override { return timer_->Interval(); }
  void SetInterval(Cardinal ms) override { timer_->SetInterval(ms); }
  TTimer* Timer() const { return timer_; }

 private:
  TTimer* timer_;
};

}  // namespace

std::unique_ptr<TkvTimerDriver> MakeUITimerDriver(TkvThreadedTimer& owner, Cardinal interval) {
  return std::make_unique<TUITimerDriver>(owner, interval);
}
