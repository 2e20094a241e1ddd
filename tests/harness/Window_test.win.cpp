// Proves the window test set-up: a real window under Wine and Xvfb, painted by its own
// WM_PAINT, read back through the window's device context.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

constexpr COLORREF kPaintColor = RGB(0x12, 0x9A, 0xE4);

LRESULT CALLBACK PaintProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    HBRUSH brush = CreateSolidBrush(kPaintColor);
    RECT r;
    GetClientRect(wnd, &r);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    EndPaint(wnd, &ps);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

COLORREF ReadBack(HWND wnd, int x, int y) {
  HDC wdc = GetDC(wnd);
  HDC mem = CreateCompatibleDC(wdc);
  HBITMAP bmp = CreateCompatibleBitmap(wdc, 1, 1);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, 1, 1, wdc, x, y, SRCCOPY);
  COLORREF c = GetPixel(mem, 0, 0);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(wnd, wdc);
  return c;
}

}  // namespace

TEST(WindowHarness, PaintsAndReadsAPixelBack) {
  ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
  WNDCLASSW wc{};
  wc.lpfnWndProc = PaintProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TwHarnessWindow";
  ASSERT_TRUE(RegisterClassW(&wc));
  HWND wnd = CreateWindowExW(0, wc.lpszClassName, L"harness", WS_POPUP | WS_VISIBLE, 40, 40, 120, 80, nullptr, nullptr,
                             wc.hInstance, nullptr);
  ASSERT_NE(wnd, nullptr);
  UpdateWindow(wnd);
  // Let the X server map the window before reading it back.
  for (int i = 0; i < 20; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (ReadBack(wnd, 60, 40) == kPaintColor) break;
    Sleep(50);
  }
  EXPECT_EQ(ReadBack(wnd, 60, 40), kPaintColor);
  EXPECT_EQ(ReadBack(wnd, 2, 2), kPaintColor);
  DestroyWindow(wnd);
  UnregisterClassW(wc.lpszClassName, wc.hInstance);
}
