// Owned and borrowed handles of windows, hooks and kernel objects, and window properties that
// go with their owner, beside the GDI scopes (GdiScopes.h). Windows only; include from
// .win.cpp files.
//
//   TOwnedWindow wnd(CreateWindowExW(...));              // DestroyWindow
//   TOwnedHook hook(SetWindowsHookExW(WH_CBT, ...));     // UnhookWindowsHookEx
//   TOwnedEvent done(CreateEventW(nullptr, FALSE, FALSE, nullptr));  // CloseHandle
//   TOwnedHandle process(info.hProcess);                 // any kernel object: CloseHandle
//   TOwnedFile file(CreateFileW(...));                   // INVALID_HANDLE_VALUE when none
//   TBorrowedWindow owner = wnd.Borrow();                // names the window, never destroys it
//   TOwnedWindowProp prop(wnd.get(), u"NAME", this);     // SetPropW now, RemovePropW at the end
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <utility>

#include "Types.h"
#include "UniqueHandle.h"

struct TWindowHandleTraits {
  using Handle = HWND;
  static HWND Invalid() { return nullptr; }
  static void Close(HWND h) { DestroyWindow(h); }
};

struct THookHandleTraits {
  using Handle = HHOOK;
  static HHOOK Invalid() { return nullptr; }
  static void Close(HHOOK h) { UnhookWindowsHookEx(h); }
};

// Kernel objects that CreateEvent, CreateProcess, OpenThread & co. hand out (null when none).
struct TKernelHandleTraits {
  using Handle = HANDLE;
  static HANDLE Invalid() { return nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};

// Files of CreateFile, which says "none" with INVALID_HANDLE_VALUE.
struct TFileHandleTraits {
  using Handle = HANDLE;
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { CloseHandle(h); }
};

// Movable global memory of GlobalAlloc (handed to the clipboard with release() once it takes it).
struct TGlobalMemoryTraits {
  using Handle = HGLOBAL;
  static HGLOBAL Invalid() { return nullptr; }
  static void Close(HGLOBAL h) { GlobalFree(h); }
};

// Libraries of LoadLibrary (each load is one reference, which FreeLibrary gives back).
struct TModuleHandleTraits {
  using Handle = HMODULE;
  static HMODULE Invalid() { return nullptr; }
  static void Close(HMODULE h) { FreeLibrary(h); }
};

using TOwnedWindow = TUniqueHandle<TWindowHandleTraits>;
using TOwnedHook = TUniqueHandle<THookHandleTraits>;
using TOwnedHandle = TUniqueHandle<TKernelHandleTraits>;
using TOwnedEvent = TOwnedHandle;
using TOwnedFile = TUniqueHandle<TFileHandleTraits>;
using TOwnedGlobalMemory = TUniqueHandle<TGlobalMemoryTraits>;
using TOwnedModule = TUniqueHandle<TModuleHandleTraits>;

using TBorrowedWindow = TBorrowedHandle<HWND>;
using TBorrowedHook = TBorrowedHandle<HHOOK>;
using TBorrowedEvent = TBorrowedHandle<HANDLE>;

// A window property set by its owner and removed when the owner goes (or on reset). The name
// must outlive the property: a constant, or an atom made with MAKEINTATOM. The store sets a
// property (value not null) or removes it (null); by default SetPropW and RemovePropW, and the
// engine passes its own, which keeps a table beside the window's properties.
class TOwnedWindowProp {
 public:
  using TStore = void (*)(HWND wnd, const Char* name, void* value);

  TOwnedWindowProp() = default;
  TOwnedWindowProp(HWND wnd, const Char* name, void* value, TStore store = SystemStore)
      : wnd_(wnd), name_(name), store_(store) {
    if (wnd_ && value) {
      store_(wnd_, name_, value);
    } else {
      wnd_ = nullptr;
    }
  }
  ~TOwnedWindowProp() { reset(); }
  TOwnedWindowProp(TOwnedWindowProp&& o) noexcept
      : wnd_(std::exchange(o.wnd_, nullptr)), name_(o.name_), store_(o.store_) {}
  TOwnedWindowProp& operator=(TOwnedWindowProp&& o) noexcept {
    if (this != &o) {
      reset();
      wnd_ = std::exchange(o.wnd_, nullptr);
      name_ = o.name_;
      store_ = o.store_;
    }
    return *this;
  }
  TOwnedWindowProp(const TOwnedWindowProp&) = delete;
  TOwnedWindowProp& operator=(const TOwnedWindowProp&) = delete;

  // The window that carries the property; null when none does (any more).
  HWND Window() const { return wnd_; }
  const Char* Name() const { return name_; }
  explicit operator bool() const { return wnd_ != nullptr; }
  // Removes the property now.
  void reset() {
    if (HWND wnd = std::exchange(wnd_, nullptr)) store_(wnd, name_, nullptr);
  }
  // Leaves the property on its window; this object no longer removes it.
  HWND release() { return std::exchange(wnd_, nullptr); }

  static void SystemStore(HWND wnd, const Char* name, void* value) {
    const auto* key = reinterpret_cast<LPCWSTR>(name);
    if (value)
      SetPropW(wnd, key, value);
    else
      RemovePropW(wnd, key);
  }

 private:
  HWND wnd_ = nullptr;
  const Char* name_ = nullptr;
  TStore store_ = SystemStore;
};

#endif
