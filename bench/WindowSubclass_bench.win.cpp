// What a window procedure chain costs per message: the same message sent to a plain window,
// to the window with one object procedure in front (TWindowSubclass, passing on), with three,
// and, for comparison, with one procedure of the platform's subclass helpers (comctl32
// SetWindowSubclass), in one run. The goal: one procedure costs no more than twice the plain
// dispatch.
// Run: build/win32/wine-run.sh build/win32/bench/WindowSubclass_bench.exe (needs a display).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "BenchTiming.h"
#include "ui/Classes.h"
#include "ui/Subclass.h"

using bench::NsPerCall;

namespace {

volatile intptr_t sink = 0;

LRESULT CALLBACK PlainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER + 1) return 1;
  return DefWindowProcW(wnd, msg, wp, lp);
}

HWND MakeWindow() {
  return CreateWindowExW(0, L"TwSubclassBench", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

class TPassOn : public TObject {
 public:
  void Proc(TMessage& m) {
    ++seen;
    sub.CallPrevious(m);
  }
  TWindowSubclass sub;
  int seen = 0;
};

LRESULT CALLBACK ComctlPassOn(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  ++*reinterpret_cast<int*>(data);
  return DefSubclassProc(wnd, msg, wp, lp);
}

}  // namespace

int main() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TwSubclassBench";
  RegisterClassW(&wc);
  HWND plain = MakeWindow(), one = MakeWindow(), three = MakeWindow(), comctl = MakeWindow();
  if (!plain || !one || !three || !comctl) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  TPassOn single;
  single.sub.Attach(one, &single, &TPassOn::Proc);
  std::vector<std::unique_ptr<TPassOn>> stack;
  for (int i = 0; i < 3; ++i) {
    stack.push_back(std::make_unique<TPassOn>());
    stack.back()->sub.Attach(three, stack.back().get(), &TPassOn::Proc);
  }
  int comctlSeen = 0;
  SetWindowSubclass(comctl, ComctlPassOn, 1, reinterpret_cast<DWORD_PTR>(&comctlSeen));

  const int calls = 50000;
  const UINT probe = WM_USER + 1;
  const double plainNs = NsPerCall(calls, [&] { sink = SendMessageW(plain, probe, 0, 0); });
  const double oneNs = NsPerCall(calls, [&] { sink = SendMessageW(one, probe, 0, 0); });
  const double threeNs = NsPerCall(calls, [&] { sink = SendMessageW(three, probe, 0, 0); });
  const double comctlNs = NsPerCall(calls, [&] { sink = SendMessageW(comctl, probe, 0, 0); });
  if (single.seen == 0 || stack[0]->seen == 0 || comctlSeen == 0) {
    std::fprintf(stderr, "a procedure was not called\n");
    return 1;
  }

  std::printf("One message through a window's procedures (ns per SendMessageW, best of 5 x %d)\n", calls);
  std::printf("  plain window                               %9.1f   1.00x\n", plainNs);
  std::printf("  one TWindowSubclass procedure              %9.1f   %.2fx   (goal: at most 2x)\n", oneNs,
              oneNs / plainNs);
  std::printf("  three TWindowSubclass procedures           %9.1f   %.2fx\n", threeNs, threeNs / plainNs);
  std::printf("  one comctl32 SetWindowSubclass procedure   %9.1f   %.2fx\n", comctlNs, comctlNs / plainNs);
  RemoveWindowSubclass(comctl, ComctlPassOn, 1);
  for (HWND w : {plain, one, three, comctl}) DestroyWindow(w);
  return 0;
}
