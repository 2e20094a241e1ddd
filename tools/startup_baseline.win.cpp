// The floor under Tarnwick's start-up time: a program that only shows one white window of the
// main window's class name, as the start-up timer looks for it. Its time is what starting any
// windowed program costs here (the loader, user32 and gdi32, the X server's first map); the
// difference to Tarnwick's time is Tarnwick's own. For tools/startup-timing.sh only.
#include <windows.h>

namespace {

LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd, &ps);
      FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      EndPaint(wnd, &ps);
      return 0;
    }
    case WM_CLOSE: DestroyWindow(wnd); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.lpszClassName = L"TForm1";
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  if (!RegisterClassW(&wc)) return 1;
  HWND wnd = CreateWindowExW(0, L"TForm1", L"Tarnwick by Quennel", WS_POPUP | WS_VISIBLE, 100, 100, 681, 455, nullptr,
                             nullptr, instance, nullptr);
  if (!wnd) return 1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
