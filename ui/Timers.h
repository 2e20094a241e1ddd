// TTimer: calls OnTimer every Interval milliseconds on the GUI thread while Enabled. All
// timers share one hidden window (made on first use), not one each. Create and use timers
// on the GUI thread only. Windows only.
//
//   auto* t = new TTimer(form);  t->SetInterval(12);  t->SetOnTimer(TNotifyEvent(this, &TX::Step));
// A timer runs only with an OnTimer handler; an exception from the handler goes to
// Application->HandleException.
#pragma once

#ifdef _WIN32

#include "Classes.h"
#include "WinFwd.h"

class TTimer : public TComponent {
  TW_CLASS(TTimer, TComponent)
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  Cardinal Interval() const { return interval_; }
  void SetInterval(Cardinal ms);
  TNotifyEvent OnTimer() const { return onTimer_; }
  void SetOnTimer(TNotifyEvent e);

  // The one window that carries every timer.
  static HWND WindowHandle();

 protected:
  virtual void Timer() { onTimer_.Call(this); }

 private:
  friend struct TwTimerWindow;
  void UpdateTimer();
  bool enabled_ = true;
  Cardinal interval_ = 1000;
  uintptr_t id_ = 0;  // the SetTimer id while the timer runs; 0 when it does not
  TNotifyEvent onTimer_;
};

#endif
