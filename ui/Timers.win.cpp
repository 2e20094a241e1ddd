#include <windows.h>

#include <map>

#include "Forms.h"
#include "Timers.h"

struct TwTimerWindow {
  static std::map<uintptr_t, TTimer*>& Timers() {
    static std::map<uintptr_t, TTimer*> timers;
    return timers;
  }

  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_TIMER) return DefWindowProcW(wnd, msg, wp, lp);
    auto it = Timers().find(static_cast<uintptr_t>(wp));
    if (it == Timers().end()) return 0;  // a tick that was queued before its timer went
    TTimer* timer = it->second;
    try {
      timer->Timer();
    } catch (const std::exception& e) {
      if (Application) Application->HandleException(timer, &e);
    } catch (...) {
      if (Application) Application->HandleException(timer, nullptr);
    }
    return 0;
  }
};

HWND TTimer::WindowHandle() {
  static HWND wnd = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &TwTimerWindow::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TTimerWindow";
    RegisterClassW(&wc);
    // A message-only window: never shown, never enumerated with the program's windows.
    return CreateWindowExW(0, L"TTimerWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  }();
  return wnd;
}

TW_DEFINE_CLASS(TTimer) {
  b.Property(u"Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
  b.Property(u"Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
  b.Property(u"OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer);
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  enabled_ = false;
  UpdateTimer();
}

void TTimer::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal ms) {
  if (ms == interval_) return;
  interval_ = ms;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent e) {
  onTimer_ = e;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  static uintptr_t nextId = 1;
  HWND wnd = WindowHandle();
  if (id_) {
    KillTimer(wnd, id_);
    TwTimerWindow::Timers().erase(id_);
    id_ = 0;
  }
  if (!enabled_ || interval_ == 0 || !onTimer_ || IsDestroying()) return;
  uintptr_t id = nextId++;
  if (!SetTimer(wnd, id, interval_, nullptr)) throw EOutOfResources("Not enough timers available");
  id_ = id;
  TwTimerWindow::Timers()[id] = this;
}
