#include "app/Startup.h"

#include <windows.h>

// Until the class library's forms exist the program shows one plain window with its title,
// so that the build, the run script and the screenshot can be checked end to end.
namespace {

LRESULT CALLBACK PlaceholderProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      RECT r;
      GetClientRect(wnd, &r);
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      SetBkMode(dc, TRANSPARENT);
      DrawTextW(dc, L"Tarnwick", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

int RunTarnwick() {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  wc.lpfnWndProc = PlaceholderProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = L"TForm1";
  if (!RegisterClassW(&wc)) return 1;
  RECT r{0, 0, 673, 428};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND wnd = CreateWindowW(L"TForm1", L"Tarnwick by Quennel", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, inst, nullptr);
  if (!wnd) return 1;
  ShowWindow(wnd, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
