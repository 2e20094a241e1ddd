// The window of a form as the screen shows it inside the system's menu loop: the loop is opened
// by Alt and a key, a timer takes the picture 300 ms later and ends the loop, so that a test
// reads the selected bar item as the system drew it.
//
//   const MenuLoopShot seen = ShotInMenuLoop(form->Handle(), 'f');
//   seen.shot->PixelColor(...), seen.popup
#pragma once

#include <windows.h>

#include <memory>
#include <utility>

#include "support/FormSkin.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"

struct MenuLoopShot {
  std::unique_ptr<TBitmap> shot;  // null when the loop did not run in time
  bool popup = false;             // a popup menu was open
};

namespace menuloop {
inline HWND target = nullptr;
inline MenuLoopShot taken;
inline bool done = false;

inline void CALLBACK Take(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  taken.shot = formskin::WindowShot(target);
  HWND popup = FindWindowW(L"#32768", nullptr);
  taken.popup = popup && IsWindowVisible(popup);
  done = true;
  EndMenu();
}
}  // namespace menuloop

inline MenuLoopShot ShotInMenuLoop(HWND form, wchar_t key) {
  menuloop::target = form;
  menuloop::taken = MenuLoopShot{};
  menuloop::done = false;
  SetTimer(nullptr, 0, 300, &menuloop::Take);
  PostMessageW(form, WM_SYSCOMMAND, SC_KEYMENU, key);
  const DWORD start = GetTickCount();
  while (!menuloop::done && GetTickCount() - start < 5000) {
    Application->ProcessMessages();
    Sleep(10);
  }
  return std::move(menuloop::taken);
}
