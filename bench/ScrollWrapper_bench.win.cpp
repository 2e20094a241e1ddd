// What a scroll wrapper costs, side by side in one run: messages to a skinned form against the
// same form unskinned (a no-op, WM_NCHITTEST, WM_TIMER with no visible bar), the painting of both
// bars and the corner at 96 and 192 PPI, and one step of a thumb drag over a 1,000-item list.
// Goals: messages under 2x, no window DC for a form without visible bars, painting under 0.5 ms
// with no bitmap made after the first call, a drag step under 1 ms.
// Run: build/win32/wine-run.sh build/win32/bench/ScrollWrapper_bench.exe (needs a display).
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "BenchTiming.h"
#include "skin/sCommonData.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"
#include "wrappers/kvSBUtils.h"

using bench::MsPerCall;
using bench::NsPerCall;

namespace {

volatile intptr_t sink = 0;

struct Skin {
  Skin() {
    auto element = [&](const char16_t* name, TColor c) {
      TkvConstElementData e;
      e.SkinIndex = fixture.AddSection(PlainSection(name, 0, c, 3));
      return e;
    };
    TkvSkinData& d = *fixture.Data;
    d.Scrolls = {element(u"H1", 0x000080), element(u"V1", 0x008000), element(u"H2", 0x800000),
                 element(u"V2", 0x808000)};
    d.ScrollBtns = {element(u"BL", 0x0000C0), element(u"BT", 0x00C000), element(u"BR", 0xC00000),
                    element(u"BB", 0xC0C000)};
    d.Sliders = {element(u"TH", 0x204060), element(u"TV", 0x604020)};
    own = fixture.AddSection(PlainSection(u"FORM", 0, 0x303030, 3));
  }
  // A scroll wrapper with bars `thickness` thick and arrows `arrow` long.
  TkvScrollWnd* Wrap(HWND wnd, Integer thickness, Integer arrow) {
    TkvSkinParams params;
    auto* sw = TkvMainWnd::MakeWrapper<TkvScrollWnd>(wnd, nullptr, &fixture.Manager, params, false);
    auto* sd = static_cast<TsScrollWndData*>(sw->SkinData);
    sd->SetSkinManager(&fixture.Manager);
    sd->SkinIndex = own;
    sd->FHorzScrollData->FScrollWidth = sd->FVertScrollData->FScrollWidth = thickness;
    sd->FHorzScrollData->FButtonsSize = sd->FVertScrollData->FButtonsSize = arrow;
    sd->Loading = false;
    Kv_RedrawNonClient(wnd, true);
    return sw;
  }
  SkinFixture fixture;
  Integer own = -1;
};

HWND Form(DWORD style, Integer w, Integer h, Integer at) {
  HWND wnd = CreateWindowExW(0, L"TwScrollBenchForm", L"", WS_OVERLAPPEDWINDOW | style, at, at, w, h, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 999, 100, 300, 0};
  if (style & WS_VSCROLL) SetScrollInfo(wnd, SB_VERT, &si, FALSE);
  if (style & WS_HSCROLL) SetScrollInfo(wnd, SB_HORZ, &si, FALSE);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  UpdateWindow(wnd);
  return wnd;
}

void Row(const char* name, double skinned, double plain, const char* goal) {
  std::printf("  %-44s %10.1f %10.1f   %.2fx   %s\n", name, skinned, plain, skinned / plain, goal);
}

}  // namespace

int main() {
  TApplication app;
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"TwScrollBenchForm";
  RegisterClassW(&wc);
  Skin skin;

  // ---- Messages --------------------------------------------------------------------------------
  HWND skinned = Form(WS_VSCROLL | WS_HSCROLL, 400, 300, 20);
  HWND plain = Form(WS_VSCROLL | WS_HSCROLL, 400, 300, 440);
  HWND bare = Form(0, 400, 300, 60);
  HWND barePlain = Form(0, 400, 300, 480);
  if (!skinned || !plain || !bare || !barePlain) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  TkvScrollWnd* sw = skin.Wrap(skinned, 17, 17);
  TkvScrollWnd* bareSw = skin.Wrap(bare, 17, 17);
  RECT wr{};
  GetWindowRect(skinned, &wr);
  const LPARAM onBar = MAKELPARAM(wr.right - 12, wr.top + 120), onClient = MAKELPARAM(wr.left + 100, wr.top + 120);
  const int calls = 100000;
  std::printf("Messages to a skinned form and the same form unskinned (ns per SendMessageW, best of 5 x %d)\n", calls);
  std::printf("  %-44s %10s %10s\n", "", "skinned", "unskinned");
  Row("no-op (WM_NULL)", NsPerCall(calls, [&] { sink = SendMessageW(skinned, WM_NULL, 0, 0); }),
      NsPerCall(calls, [&] { sink = SendMessageW(plain, WM_NULL, 0, 0); }), "(goal: under 2x)");
  Row("WM_NCHITTEST over the client area",
      NsPerCall(calls, [&] { sink = SendMessageW(skinned, WM_NCHITTEST, 0, onClient); }),
      NsPerCall(calls, [&] { sink = SendMessageW(plain, WM_NCHITTEST, 0, onClient); }), "(goal: under 2x)");
  Row("WM_NCHITTEST over the vertical bar",
      NsPerCall(calls, [&] { sink = SendMessageW(skinned, WM_NCHITTEST, 0, onBar); }),
      NsPerCall(calls, [&] { sink = SendMessageW(plain, WM_NCHITTEST, 0, onBar); }), "(goal: under 2x)");
  const Cardinal dcsBefore = kvScrollPaintCounts.WindowDCs;
  Row("WM_TIMER, no visible bar", NsPerCall(calls, [&] { sink = SendMessageW(bare, WM_TIMER, 4321, 0); }),
      NsPerCall(calls, [&] { sink = SendMessageW(barePlain, WM_TIMER, 4321, 0); }), "(goal: under 2x)");
  std::printf("  window DCs taken by those WM_TIMER: %u (goal: 0)\n", kvScrollPaintCounts.WindowDCs - dcsBefore);

  // ---- Painting ---------------------------------------------------------------------------------
  std::printf("\nkv_NCDraw of both bars and the corner (ms per call, best of 5 x 2000)\n");
  for (int ppi : {96, 192}) {
    const int scale = ppi / 96;
    HWND form = Form(WS_VSCROLL | WS_HSCROLL, 400 * scale, 300 * scale, 30);
    TkvScrollWnd* fsw = skin.Wrap(form, 17 * scale, 17 * scale);
    RECT r{};
    GetWindowRect(form, &r);
    TBitmap target(r.right - r.left, r.bottom - r.top, pf32bit);
    HDC dc = target.Canvas()->Handle();
    kv_NCDraw(fsw, form, -1, dc);  // the first call makes the working bitmaps
    const Cardinal made = kvScrollPaintCounts.BitmapsMade;
    const double intoDc = MsPerCall(
        2000, [&] { kv_NCDraw(fsw, form, -1, dc); }, bench::Flush::Gdi);
    const Cardinal madeAfter = kvScrollPaintCounts.BitmapsMade - made;
    const double onScreen = MsPerCall(
        2000, [&] { kv_NCDraw(fsw, form, -1, nullptr); }, bench::Flush::Gdi);
    std::printf("  %3d PPI (%dx%d), into a bitmap           %8.3f   (goal: under 0.5 ms)\n", ppi, 400 * scale,
                300 * scale, intoDc);
    std::printf("  %3d PPI, into the window's DC              %8.3f\n", ppi, onScreen);
    std::printf("  %3d PPI, bitmaps made after the first call %6u   (goal: 0)\n", ppi, madeAfter);
    UninitializeKVScroll(form, true, false, fsw);
    DestroyWindow(form);
  }

  // ---- A drag step --------------------------------------------------------------------------------
  HWND list = CreateWindowExW(0, L"LISTBOX", L"", WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 100, 100,
                              150, 300, nullptr, nullptr, nullptr, nullptr);
  SendMessageW(list, LB_INITSTORAGE, 1000, 16000);
  for (int i = 0; i < 1000; ++i) {
    const std::wstring item = L"item " + std::to_wstring(i);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  }
  ShowWindow(list, SW_SHOWNOACTIVATE);
  UpdateWindow(list);
  TkvScrollWnd* lsw = skin.Wrap(list, 17, 15);
  TRect v;
  kv_GetVScrollRect(lsw, list, v);
  // Press on the thumb (at the top of the track), then alternate between two places.
  SendMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(v.Left + 8, v.Top + 15 + 4));
  bool lower = false;
  const double step = MsPerCall(500, [&] {
    lower = !lower;
    Kv_ThumbTrackVert(lsw->sBarVert, list, v.Left + 8, lower ? v.Top + 200 : v.Top + 60);
  });
  std::printf("\nOne thumb drag step over a 1,000-item list box (the list scrolls and repaints): %.3f ms\n", step);
  SendMessageW(list, WM_LBUTTONUP, 0, 0);
  std::printf("  (the list's first item after the drag: %d)\n", int(SendMessageW(list, LB_GETTOPINDEX, 0, 0)));
  // The same over a form that takes the notification and does nothing with it: the drag's own
  // part (the notification, the position set, the bar painted).
  HWND still = Form(WS_VSCROLL, 150, 300, 300);
  TkvScrollWnd* ssw = skin.Wrap(still, 17, 15);
  kv_GetVScrollRect(ssw, still, v);
  SendMessageW(still, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(v.Left + 8, v.Top + 15 + 4));
  const double own = MsPerCall(2000, [&] {
    lower = !lower;
    Kv_ThumbTrackVert(ssw->sBarVert, still, v.Left + 8, lower ? v.Top + 200 : v.Top + 60);
  });
  SendMessageW(still, WM_LBUTTONUP, 0, 0);
  std::printf("One thumb drag step over a form that only takes the notification: %.3f ms   (goal: under 1 ms)\n", own);
  UninitializeKVScroll(still, true, false, ssw);
  DestroyWindow(still);

  UninitializeKVScroll(list, true, false, lsw);
  UninitializeKVScroll(skinned, true, false, sw);
  UninitializeKVScroll(bare, true, false, bareSw);
  for (HWND w : {list, skinned, plain, bare, barePlain}) DestroyWindow(w);
  return 0;
}
