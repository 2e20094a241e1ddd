// Records the RedrawWindow calls the program makes (window and flags) and carries them out, for
// redraws whose effect Wine's screen does not show apart from others.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "support/ImportHook.h"

namespace redraws {

inline std::vector<std::pair<HWND, UINT>> calls;
inline ImportHook* hook = nullptr;

inline BOOL WINAPI Record(HWND wnd, const RECT* r, HRGN rgn, UINT flags) {
  calls.push_back({wnd, flags});
  return hook->Original<decltype(&RedrawWindow)>()(wnd, r, rgn, flags);
}

// While it lives, every RedrawWindow call of the program lands in calls (emptied at the start).
class RedrawCalls {
 public:
  RedrawCalls() : hook_("user32.dll", "RedrawWindow", &Record) {
    hook = &hook_;
    calls.clear();
  }
  ~RedrawCalls() { hook = nullptr; }
  RedrawCalls(const RedrawCalls&) = delete;
  RedrawCalls& operator=(const RedrawCalls&) = delete;
  static void Clear() { calls.clear(); }
  // A redraw of wnd with exactly these flags was asked for.
  static bool Seen(HWND wnd, UINT flags) {
    return std::find(calls.begin(), calls.end(), std::make_pair(wnd, flags)) != calls.end();
  }

 private:
  ImportHook hook_;
};

}  // namespace redraws

#endif
