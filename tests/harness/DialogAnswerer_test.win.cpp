// The dialog answerer of the window driver: a dialog that goes before it could be read (a
// form that rebuilds its window, or closes by itself) is not recorded, since what it recorded
// would have no class and no text to check.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/WindowDriver.h"

namespace {

const wchar_t kClass[] = L"TwFleetingDialog";

void PumpFor(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(1);
  } while (GetTickCount64() < end);
}

}  // namespace

TEST(DialogAnswerer, RecordsNoDialogThatWentBeforeItWasRead) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  ASSERT_NE(RegisterClassW(&wc), 0);
  {
    DialogAnswerer answerer(GetCurrentProcessId(), {reinterpret_cast<const Char*>(kClass)});
    // Windows that live from a few to some tens of milliseconds: many are found by the
    // answerer and gone before it reads them.
    for (int i = 0; i < 40; ++i) {
      HWND wnd = CreateWindowExW(0, kClass, L"fleeting", WS_POPUP | WS_VISIBLE, 10, 10, 100, 60, nullptr, nullptr,
                                 wc.hInstance, nullptr);
      ASSERT_NE(wnd, nullptr);
      PumpFor(5 + (i * 7) % 60);
      DestroyWindow(wnd);
      PumpFor(15);
    }
    // A window that stays is recorded, with its class and title.
    HWND stays = CreateWindowExW(0, kClass, L"stays", WS_POPUP | WS_VISIBLE, 10, 10, 100, 60, nullptr, nullptr,
                                 wc.hInstance, nullptr);
    ASSERT_NE(stays, nullptr);
    bool found = false;
    for (int i = 0; i < 200 && !found; ++i) {
      PumpFor(10);
      for (const SeenDialog& d : answerer.Seen()) found = found || d.Window == stays;
    }
    EXPECT_TRUE(found) << "a dialog that stays is not recorded";
    for (const SeenDialog& d : answerer.Seen()) {
      EXPECT_EQ(d.Class, reinterpret_cast<const Char*>(kClass)) << "a dialog recorded without its class";
      if (d.Window == stays) { EXPECT_EQ(d.Title, u"stays"); }
    }
    DestroyWindow(stays);
  }
  UnregisterClassW(kClass, wc.hInstance);
}
