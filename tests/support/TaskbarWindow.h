// The taskbar window the minimize flight aims at: the system's, or a plain window of the
// taskbar's class along the screen's bottom edge that the test makes (and destroys).
#pragma once

#include <windows.h>

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

}  // namespace taskbarwnd
