// Skin command delivery: the direct call through the window's saved procedure against the
// system's SendMessageW, and broadcasts over 10, 100 and 1000 child windows, in one run.
// Run: build/win32/wine-run.sh build/win32/bench/transport_bench.exe (needs a display).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchTiming.h"
#include "base/sMessages.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"

using bench::NsPerCall;

namespace {

volatile intptr_t sink = 0;

LRESULT CALLBACK AnsweringProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == SM_ALPHACMD) return static_cast<LRESULT>(wp >> 16) + lp;
  return DefWindowProcW(wnd, msg, wp, lp);
}

// What a skinned control's saved procedure does for the query: the same answer.
struct Receiver {
  void Handle(TMessage& m) { m.Result = static_cast<intptr_t>(m.WParamHi) + m.LParam; }
};

HWND Make(HWND parent, DWORD style) {
  return CreateWindowExW(0, L"TwBenchProbe", L"", style, 0, 0, 10, 10, parent, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

}  // namespace

int main() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = AnsweringProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TwBenchProbe";
  RegisterClassW(&wc);
  HWND top = Make(nullptr, WS_OVERLAPPEDWINDOW);
  if (!top) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  Receiver receiver;
  TsCommonData skinned(nullptr);
  skinned.WndProc = TWndMethod(&receiver, &Receiver::Handle);
  HWND plain = Make(top, WS_CHILD);
  HWND direct = Make(top, WS_CHILD);
  SetCommonData(direct, &skinned);

  const int calls = 200000;
  const double sendNs = NsPerCall(calls, [&] { sink = SendMessageW(plain, SM_ALPHACMD, KV_GETBG_HI, 1); });
  const double tryPlainNs = NsPerCall(calls, [&] { sink = TrySendMessage(plain, SM_ALPHACMD, KV_GETBG_HI, 1); });
  const double tryDirectNs = NsPerCall(calls, [&] { sink = TrySendMessage(direct, SM_ALPHACMD, KV_GETBG_HI, 1); });
  std::printf("One command to one window (ns per call, best of 5 x %d)\n", calls);
  std::printf("  SendMessageW                         %9.1f   1.00x\n", sendNs);
  std::printf("  TrySendMessage, direct call          %9.1f   %.2fx faster\n", tryDirectNs, sendNs / tryDirectNs);
  std::printf("  TrySendMessage, no skin data         %9.1f   %.2fx (link lookup + SendMessageW)\n", tryPlainNs,
              sendNs / tryPlainNs);
  const double propNs = NsPerCall(calls / 20, [&] { sink = reinterpret_cast<intptr_t>(GetPropW(direct, L"KVSDATA")); });
  std::printf("  (GetPropW alone, for comparison      %9.1f   %.3fx)\n", propNs, sendNs / propNs);

  std::printf("\nBroadcast of one command to the direct children (us per broadcast)\n");
  std::printf("  %6s  %14s  %14s  %14s  %14s  %8s\n", "count", "enum, system", "enum, direct", "zorder, system",
              "zorder, direct", "direct/sys");
  for (int count : {10, 100, 1000}) {
    HWND sys = Make(top, WS_CHILD);
    HWND dir = Make(top, WS_CHILD);
    std::vector<std::unique_ptr<TsCommonData>> data;
    for (int i = 0; i < count; ++i) {
      Make(sys, WS_CHILD);
      HWND c = Make(dir, WS_CHILD);
      data.push_back(std::make_unique<TsCommonData>(nullptr));
      data.back()->WndProc = TWndMethod(&receiver, &Receiver::Handle);
      SetCommonData(c, data.back().get());
    }
    const int rounds = 100000 / count;
    TMessage m = MakeMessage(SM_ALPHACMD, KV_SETNEWSKIN_HI, 0);
    const double enumSys = NsPerCall(rounds, [&] { AlphaBroadCast(sys, m); }) / 1000;
    const double enumDir = NsPerCall(rounds, [&] { AlphaBroadCast(dir, m); }) / 1000;
    const double zSys = NsPerCall(rounds, [&] { BroadCastMsg(sys, m); }) / 1000;
    const double zDir = NsPerCall(rounds, [&] { BroadCastMsg(dir, m); }) / 1000;
    std::printf("  %6d  %14.1f  %14.1f  %14.1f  %14.1f  %8.2f\n", count, enumSys, enumDir, zSys, zDir,
                enumDir / enumSys);
    DestroyWindow(sys);
    DestroyWindow(dir);
  }
  DestroyWindow(top);

  // The same over a tree of the class library's controls: every child a window with its own
  // skin data and saved procedure (skinned), or plain controls (the command goes through the
  // system, and the broadcast asks each child whether it is skinned before descending).
  TApplication app;
  std::printf("\nBroadcast over a control tree (us per broadcast)\n");
  std::printf("  %6s  %14s  %14s  %10s\n", "count", "plain", "skinned", "ratio");
  for (int count : {10, 100, 1000}) {
    double times[2];
    for (int skinned = 0; skinned < 2; ++skinned) {
      auto* form = new TForm(&app);
      form->AfterConstruction();
      form->HandleNeeded();
      std::vector<std::unique_ptr<TsCommonData>> data;
      for (int i = 0; i < count; ++i) {
        auto* c = new TCustomControl(form);
        c->SetParent(form);
        c->HandleNeeded();
        if (skinned) {
          data.push_back(std::make_unique<TsCommonData>(c));
          data.back()->FOwnerControl = c;
          data.back()->WndProc = TWndMethod(&receiver, &Receiver::Handle);
          SetCommonData(c->Handle(), data.back().get());
        }
      }
      TMessage m = MakeMessage(SM_ALPHACMD, KV_SETNEWSKIN_HI, 0);
      times[skinned] = NsPerCall(std::max(1, 2000 / count), [&] { AlphaBroadCast(form, m); }) / 1000;
      for (int i = 0; i < form->ControlCount(); ++i)
        SetCommonData(static_cast<TWinControl*>(form->Controls(i))->Handle(), nullptr);
      form->Free();
    }
    std::printf("  %6d  %14.1f  %14.1f  %9.1fx\n", count, times[0], times[1], times[0] / times[1]);
  }
  return 0;
}
