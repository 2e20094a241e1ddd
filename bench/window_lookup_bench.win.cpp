// What one message to a class-library window costs: the system's dispatch to a plain window
// against the same message to a control of our own class and to a superclassed system control
// (BUTTON), and the lookup of a window's control (FindControl) alone, in one run.
// Run: build/win32/wine-run.sh build/win32/bench/window_lookup_bench.exe (needs a display).
#include <windows.h>

#include <cstdio>

#include "BenchTiming.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

using bench::NsPerCall;

namespace {

volatile intptr_t sink = 0;

}  // namespace

int main() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TwLookupProbe";
  RegisterClassW(&wc);
  TApplication app;
  auto* form = new TForm(&app);
  form->AfterConstruction();
  HWND formWnd = form->Handle();
  if (!formWnd) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  HWND plain = CreateWindowExW(0, L"TwLookupProbe", L"", WS_CHILD, 0, 0, 10, 10, formWnd, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  auto* own = new TCustomControl(form);
  own->SetParent(form);
  HWND ownWnd = own->Handle();
  auto* button = new TButton(form);
  button->SetParent(form);
  HWND buttonWnd = button->Handle();

  const int calls = 20000;
  const UINT probe = WM_USER + 1;  // unknown to every class: each ends in its default procedure
  const double plainNs = NsPerCall(calls, [&] { sink = SendMessageW(plain, probe, 0, 0); });
  const double ownNs = NsPerCall(calls, [&] { sink = SendMessageW(ownWnd, probe, 0, 0); });
  const double buttonNs = NsPerCall(calls, [&] { sink = SendMessageW(buttonWnd, probe, 0, 0); });
  const double findNs = NsPerCall(calls, [&] { sink = reinterpret_cast<intptr_t>(FindControl(buttonWnd)); });
  const double foreignNs = NsPerCall(calls, [&] { sink = reinterpret_cast<intptr_t>(FindControl(plain)); });
  const double propNs =
      NsPerCall(calls / 10, [&] { sink = reinterpret_cast<intptr_t>(GetPropW(plain, L"TwNoSuchProp")); });

  std::printf("One message (ns per call, best of 5 x %d)\n", calls);
  std::printf("  SendMessageW, plain window            %9.1f   1.00x\n", plainNs);
  std::printf("  SendMessageW, TCustomControl          %9.1f   %.2fx\n", ownNs, ownNs / plainNs);
  std::printf("  SendMessageW, TButton (superclass)    %9.1f   %.2fx\n", buttonNs, buttonNs / plainNs);
  std::printf("  FindControl, a control's window       %9.1f   %.2fx\n", findNs, findNs / plainNs);
  std::printf("  FindControl, a foreign window         %9.1f   %.2fx\n", foreignNs, foreignNs / plainNs);
  std::printf("  (GetPropW alone, for comparison       %9.1f   %.2fx)\n", propNs, propNs / plainNs);
  DestroyWindow(plain);
  form->Free();
  return 0;
}
