#include "support/UserTracker.h"

#include <windows.h>
#include <objidl.h>  // before commctrl.h: ImageList_Read takes an IStream
#include <commctrl.h>

#include <iterator>
#include <utility>

#include "support/HandleLedger.h"

namespace {

HandleLedger* gLedger = nullptr;

void Made(void* h, const char* kind) {
  if (gLedger) gLedger->Made(h, kind);
}
void Gone(void* h, bool ok) {
  if (gLedger) gLedger->Gone(h, ok);
}

#define REAL(name) decltype(&::name) real_##name = nullptr
REAL(CreateMenu);
REAL(CreatePopupMenu);
REAL(DestroyMenu);
REAL(ImageList_Create);
REAL(ImageList_Duplicate);
REAL(ImageList_Read);
REAL(ImageList_Destroy);
#undef REAL

HMENU WINAPI My_CreateMenu() {
  HMENU h = real_CreateMenu();
  Made(h, "HMENU");
  return h;
}
HMENU WINAPI My_CreatePopupMenu() {
  HMENU h = real_CreatePopupMenu();
  Made(h, "HMENU (popup)");
  return h;
}
BOOL WINAPI My_DestroyMenu(HMENU h) {
  BOOL ok = real_DestroyMenu(h);
  Gone(h, ok);
  return ok;
}
HIMAGELIST WINAPI My_ImageList_Create(int a, int b, UINT c, int d, int e) {
  HIMAGELIST h = real_ImageList_Create(a, b, c, d, e);
  Made(h, "HIMAGELIST");
  return h;
}
HIMAGELIST WINAPI My_ImageList_Duplicate(HIMAGELIST a) {
  HIMAGELIST h = real_ImageList_Duplicate(a);
  Made(h, "HIMAGELIST (copy)");
  return h;
}
HIMAGELIST WINAPI My_ImageList_Read(IStream* a) {
  HIMAGELIST h = real_ImageList_Read(a);
  Made(h, "HIMAGELIST (read)");
  return h;
}
BOOL WINAPI My_ImageList_Destroy(HIMAGELIST h) {
  BOOL ok = real_ImageList_Destroy(h);
  Gone(h, ok);
  return ok;
}

using Redirect = HandleLedger::Redirect;

#define U(name) \
  { "user32.dll", #name, reinterpret_cast<void*>(&My_##name), reinterpret_cast<void**>(&real_##name) }
#define C(name) \
  { "comctl32.dll", #name, reinterpret_cast<void*>(&My_##name), reinterpret_cast<void**>(&real_##name) }
const Redirect kRedirects[] = {U(CreateMenu),          U(CreatePopupMenu), U(DestroyMenu),      C(ImageList_Create),
                               C(ImageList_Duplicate), C(ImageList_Read),  C(ImageList_Destroy)};
#undef U
#undef C

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND wnd, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  EnumChildWindows(wnd, &CountChild, count);
  return TRUE;
}

}  // namespace

UserTracker::UserTracker() { gLedger = new HandleLedger(kRedirects, std::size(kRedirects)); }

UserTracker::~UserTracker() { delete std::exchange(gLedger, nullptr); }

std::vector<std::string> UserTracker::Live() const { return gLedger->Live(); }

int UserTracker::Created() const { return gLedger->Created(); }

bool UserTracker::Active() const { return gLedger->Redirected() == std::size(kRedirects); }

int UserTracker::ThreadWindowCount() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountTopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}
