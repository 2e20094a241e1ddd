// Window queries: client offsets, work areas, names and texts, ancestry, cover tests, mouse
// and PPI.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/kvntUtils.h"
#include "skin/sVclUtils.h"

namespace {

HWND MakeWindow(DWORD style, DWORD exStyle, HWND parent, RECT r, const wchar_t* text = L"") {
  static bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TwQueryProbe";
    return RegisterClassW(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  EXPECT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
  // A top-level window created visible makes Wine wait two seconds when it is hidden again;
  // one shown afterwards does not.
  const bool show = !parent && (style & WS_VISIBLE);
  HWND h = CreateWindowExW(exStyle, L"TwQueryProbe", text, show ? style & ~WS_VISIBLE : style, r.left, r.top,
                           r.right - r.left, r.bottom - r.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (show) ShowWindow(h, SW_SHOWNOACTIVATE);
  return h;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

struct Window {
  HWND h;
  explicit Window(HWND handle) : h(handle) {}
  ~Window() { DestroyWindow(h); }
};

}  // namespace

TEST(WindowQueries, ClientOriginInsideTheWindow) {
  Window w(MakeWindow(WS_OVERLAPPEDWINDOW, 0, nullptr, {50, 60, 350, 260}));
  ASSERT_NE(w.h, nullptr) << "window tests need a display";
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ(GetClientPos(w.h), TPoint(-frame.left, -frame.top));
  RECT client;
  GetClientRect(w.h, &client);
  EXPECT_EQ(kvClientRect(w.h), TRect(-frame.left, -frame.top, -frame.left + client.right, -frame.top + client.bottom));
  Window popup(MakeWindow(WS_POPUP, 0, nullptr, {0, 0, 40, 30}));
  EXPECT_EQ(GetClientPos(popup.h), TPoint(0, 0));
  EXPECT_EQ(kvClientRect(popup.h), TRect(0, 0, 40, 30));
}

TEST(WindowQueries, WorkAreaOfAPointNearestMonitorOutside) {
  RECT work;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  const TRect expected(work.left, work.top, work.right, work.bottom);
  EXPECT_EQ(kvWorkRect(TPoint(work.left + 5, work.top + 5)), expected);
  EXPECT_EQ(kvWorkRect(TPoint(work.right - 1, work.bottom - 1)), expected);
  // Outside every work area: the nearest one, never an empty rectangle at the screen's corner.
  for (TPoint outside :
       {TPoint(work.right + 5000, work.bottom + 5000), TPoint(-3000, 10), TPoint(work.right, work.bottom)})
    EXPECT_EQ(kvWorkRect(outside), expected) << outside.X << "," << outside.Y;
}

TEST(WindowQueries, NamesTextsAndAncestry) {
  Window top(MakeWindow(WS_OVERLAPPEDWINDOW, 0, nullptr, {0, 0, 200, 200}, L"下载视频 Tarnwick"));
  HWND child = MakeWindow(WS_CHILD, 0, top.h, {0, 0, 50, 50});
  HWND grandchild = MakeWindow(WS_CHILD, 0, child, {0, 0, 10, 10});
  Window other(MakeWindow(WS_POPUP, 0, nullptr, {0, 0, 10, 10}));
  EXPECT_EQ(GetWndClassName(grandchild), u"TwQueryProbe");
  EXPECT_EQ(GetWndText(top.h), u"下载视频 Tarnwick");
  EXPECT_EQ(GetWndText(child), u"");
  EXPECT_EQ(GetRootParent(grandchild), top.h);
  EXPECT_EQ(GetParentFormHandle(child), top.h);
  EXPECT_EQ(GetRootParent(top.h), top.h);
  EXPECT_TRUE(ContainsWnd(grandchild, top.h));
  EXPECT_TRUE(ContainsWnd(top.h, top.h));
  EXPECT_FALSE(ContainsWnd(top.h, grandchild));
  EXPECT_FALSE(ContainsWnd(other.h, top.h));
  EXPECT_FALSE(ContainsWnd(nullptr, top.h));
}

TEST(WindowQueries, OverlapCountsOnlyFullOpaqueCover) {
  // The windows are siblings inside a container of their own, so that windows of other
  // programs (tests running beside this one) can never lie between them.
  Window container(MakeWindow(WS_POPUP | WS_VISIBLE, 0, nullptr, {0, 0, 400, 400}));
  Window target(MakeWindow(WS_CHILD | WS_VISIBLE, 0, container.h, {100, 100, 250, 250}));
  RECT origin{0, 0, 0, 0};
  MapWindowPoints(container.h, nullptr, reinterpret_cast<POINT*>(&origin), 1);
  const TRect area(120 + origin.left, 120 + origin.top, 200 + origin.left, 200 + origin.top);  // screen
  EXPECT_FALSE(RectIsOverlapped(target.h, area));
  struct Case {
    DWORD style, ex;
    RECT r;
    bool covers;
    const char* what;
  } cases[] = {
      {WS_CHILD | WS_VISIBLE, 0, {110, 110, 210, 210}, true, "full cover"},
      {WS_CHILD | WS_VISIBLE, 0, {110, 110, 200, 200}, true, "right and bottom edges included"},
      {WS_CHILD | WS_VISIBLE, 0, {150, 110, 250, 250}, false, "part cover"},
      {WS_CHILD | WS_VISIBLE, WS_EX_LAYERED, {100, 100, 250, 250}, false, "layered"},
      {WS_CHILD | WS_VISIBLE, WS_EX_TRANSPARENT, {100, 100, 250, 250}, false, "transparent"},
      {WS_CHILD, 0, {100, 100, 250, 250}, false, "hidden"},
  };
  for (const auto& c : cases) {
    Window above(MakeWindow(c.style, c.ex, container.h, c.r));
    SetWindowPos(above.h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(GetWindow(target.h, GW_HWNDPREV), above.h);
    EXPECT_EQ(RectIsOverlapped(target.h, area), c.covers) << c.what;
  }
}

TEST(Mouse, CursorInsideTheVisibleWindow) {
  Window w(MakeWindow(WS_POPUP | WS_VISIBLE, 0, nullptr, {200, 200, 300, 260}));
  SetWindowPos(w.h, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Pump();
  struct Case {
    POINT at;
    bool inside;
  } cases[] = {{{250, 230}, true},  {{200, 200}, true},  {{299, 259}, true},
               {{300, 230}, false}, {{250, 260}, false}, {{10, 10}, false}};
  for (const auto& c : cases) {
    ASSERT_TRUE(SetCursorPos(c.at.x, c.at.y));
    Pump();
    EXPECT_EQ(kvMousePos(), TPoint(c.at.x, c.at.y));
    EXPECT_EQ(kvMouseInControlDC(w.h), c.inside) << c.at.x << "," << c.at.y;
  }
  SetCursorPos(250, 230);
  ShowWindow(w.h, SW_HIDE);
  EXPECT_FALSE(kvMouseInControlDC(w.h));
}

TEST(PPI, BeforeAndFromWindows81) {
  Window w(MakeWindow(WS_POPUP, 0, nullptr, {10, 10, 110, 110}));
  HDC dc = GetDC(nullptr);
  const int screen = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  const Cardinal saved[2] = {kvOSMajorVer, kvOSMinorVer};
  for (Cardinal major : {6u, 10u}) {
    kvOSMajorVer = major;
    kvOSMinorVer = major == 6 ? 2 : 0;
    EXPECT_EQ(GetWndPPI(w.h), screen) << major;  // one monitor at the screen's density
  }
  kvOSMajorVer = saved[0];
  kvOSMinorVer = saved[1];
}

TEST(Startup, ThemeLibraryBoundAndFreed) {
  sVclUtilsStartup();
  ASSERT_NE(uxthemeLib, nullptr);
  ASSERT_NE(kv_SetWindowTheme, nullptr);
  Window w(MakeWindow(WS_POPUP, 0, nullptr, {0, 0, 10, 10}));
  EXPECT_EQ(kv_SetWindowTheme(w.h, nullptr, nullptr), S_OK);
  sVclUtilsCleanup();
  EXPECT_EQ(uxthemeLib, nullptr);
  EXPECT_EQ(TopWndAfter(), HWND_TOPMOST);
}
