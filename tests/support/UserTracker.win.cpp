#include "support/UserTracker.h"

#include <windows.h>
#include <objidl.h>  // before commctrl.h: ImageList_Read takes an IStream
#include <commctrl.h>

#include <cstdio>
#include <map>
#include <memory>
#include <stdexcept>

#include "support/ImportHook.h"

namespace {

struct State {
  std::map<void*, const char*> live;
  int created = 0;
  int patched = 0;
};
State* gState = nullptr;

void Made(void* h, const char* kind) {
  if (gState && h) {
    gState->live[h] = kind;
    ++gState->created;
  }
}
void Gone(void* h, bool ok) {
  if (gState && h && ok) gState->live.erase(h);
}

#define REAL(name) decltype(&::name) real_##name = nullptr
REAL(CreateMenu); REAL(CreatePopupMenu); REAL(DestroyMenu); REAL(ImageList_Create); REAL(ImageList_Duplicate);
REAL(ImageList_Read); REAL(ImageList_Destroy);
#undef REAL

HMENU WINAPI My_CreateMenu() { HMENU h = real_CreateMenu(); Made(h, "HMENU"); return h; }
HMENU WINAPI My_CreatePopupMenu() { HMENU h = real_CreatePopupMenu(); Made(h, "HMENU (popup)"); return h; }
BOOL WINAPI My_DestroyMenu(HMENU h) { BOOL ok = real_DestroyMenu(h); Gone(h, ok); return ok; }
HIMAGELIST WINAPI My_ImageList_Create(int a, int b, UINT c, int d, int e) { HIMAGELIST h = real_ImageList_Create(a, b, c, d, e); Made(h, "HIMAGELIST"); return h; }
HIMAGELIST WINAPI My_ImageList_Duplicate(HIMAGELIST a) { HIMAGELIST h = real_ImageList_Duplicate(a); Made(h, "HIMAGELIST (copy)"); return h; }
HIMAGELIST WINAPI My_ImageList_Read(IStream* a) { HIMAGELIST h = real_ImageList_Read(a); Made(h, "HIMAGELIST (read)"); return h; }
BOOL WINAPI My_ImageList_Destroy(HIMAGELIST h) { BOOL ok = real_ImageList_Destroy(h); Gone(h, ok); return ok; }

struct Redirect {
  const char* dll;
  const char* name;
  void* replacement;
  void** real;
};

#define U(name) {"user32.dll", #name, reinterpret_cast<void*>(&My_##name), reinterpret_cast<void**>(&real_##name)}
#define C(name) {"comctl32.dll", #name, reinterpret_cast<void*>(&My_##name), reinterpret_cast<void**>(&real_##name)}
const Redirect kRedirects[] = {U(CreateMenu),          U(CreatePopupMenu), U(DestroyMenu),      C(ImageList_Create),
                               C(ImageList_Duplicate), C(ImageList_Read),  C(ImageList_Destroy)};
#undef U
#undef C

std::vector<std::unique_ptr<ImportHook>>* gHooks = nullptr;

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

UserTracker::UserTracker() {
  gState = new State();
  gHooks = new std::vector<std::unique_ptr<ImportHook>>();
  for (const Redirect& r : kRedirects) {
    try {
      auto hook = std::make_unique<ImportHook>(r.dll, r.name, r.replacement);
      *r.real = hook->Original<void*>();
      gHooks->push_back(std::move(hook));
      ++gState->patched;
    } catch (const std::runtime_error&) {
    }
  }
}

UserTracker::~UserTracker() {
  delete gHooks;
  gHooks = nullptr;
  delete gState;
  gState = nullptr;
}

std::vector<std::string> UserTracker::Live() const {
  std::vector<std::string> out;
  for (const auto& [h, kind] : gState->live) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s %p", kind, h);
    out.push_back(buf);
  }
  return out;
}

int UserTracker::Created() const { return gState->created; }

bool UserTracker::Active() const { return gState->patched == static_cast<int>(sizeof kRedirects / sizeof kRedirects[0]); }

int UserTracker::ThreadWindowCount() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountTopLevel, reinterpret_cast<LPARAM>(&count));
  return count;
}
