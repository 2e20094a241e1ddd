// What the minimize flight of a form needs in a test: the taskbar window it aims at (the
// system's, or a plain window of the taskbar's class along the screen's bottom edge that the
// test makes and destroys), and the manager's minimize animation on with composition on and the
// animation timers on a clock the test steps.
#pragma once

#include <windows.h>

#include "base/Composition.h"
#include "skin/sSkinManager.h"
#include "support/ManualTimerDriver.h"
#include "ui/Types.h"

namespace taskbarwnd {

inline LRESULT CALLBACK PlainProc(HWND h, UINT msg, WPARAM w, LPARAM l) { return DefWindowProcW(h, msg, w, l); }

struct Taskbar {
  Taskbar() {
    wnd = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (wnd) return;
    WNDCLASSW wc{};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    RegisterClassW(&wc);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    wnd = CreateWindowExW(WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP, 0, sh - 40, sw, 40, nullptr, nullptr,
                          wc.hInstance, nullptr);
    own = true;
  }
  ~Taskbar() {
    if (own) DestroyWindow(wnd);
  }
  Taskbar(const Taskbar&) = delete;
  Taskbar& operator=(const Taskbar&) = delete;
  TRect Rect() const {
    RECT r{};
    GetWindowRect(wnd, &r);
    return TRect(r.left, r.top, r.right, r.bottom);
  }
  HWND wnd = nullptr;
  bool own = false;
};

// While it lives: composition on, timers stepped by the test, the manager's minimize animation
// on for 60 ms (10 frames of 6 ms; a restore takes 11). Composition and timers come back as
// they were.
class MinimizeFlight {
 public:
  explicit MinimizeFlight(DuRiruZireziv& manager) : savedAero_(iAeroStatus), savedFactory_(kvTimerDriverFactory) {
    iAeroStatus = 1;
    kvTimerDriverFactory = ManualTimerDriver::Factory();
    manager.AnimEffects.Minimizing.Active = true;
    manager.AnimEffects.Minimizing.Time = 60;
    manager.Effects.AllowAnimation = true;
  }
  ~MinimizeFlight() {
    kvTimerDriverFactory = savedFactory_;
    iAeroStatus = savedAero_;
  }
  MinimizeFlight(const MinimizeFlight&) = delete;
  MinimizeFlight& operator=(const MinimizeFlight&) = delete;

 private:
  Integer savedAero_;
  TkvTimerDriverFactory savedFactory_;
};

}  // namespace taskbarwnd
