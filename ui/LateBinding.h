// Functions of a system library bound when they are first needed. Windows only.
//
// Every library a program imports is loaded and initialised before its first line runs, and
// under Wine each costs milliseconds of start-up. A library that only some later action needs
// (the HTTP client's WinHTTP) is bound here instead: the library loads on the first call that
// asks for it, its functions are looked up by name once, and a library or function that is
// missing raises ELateBindingError naming both, instead of the program not starting at all.
//
//   TLateLibrary winhttp(L"winhttp.dll");
//   TLateProc<decltype(WinHttpOpen)> open(winhttp, "WinHttpOpen");
//   HINTERNET s = open(agent, ...);          // loads winhttp.dll on the first call
//
// Binding is thread-safe; a failed load is tried again on the next call (nothing is cached
// but success). The library stays loaded until the process ends.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>

#include "SysUtils.h"

TW_DECLARE_EXCEPTION(ELateBindingError, Exception);

class TLateLibrary {
 public:
  // name: the library's file name, as LoadLibraryW takes it ("winhttp.dll").
  explicit TLateLibrary(const wchar_t* name) : name_(name) {}
  TLateLibrary(const TLateLibrary&) = delete;
  TLateLibrary& operator=(const TLateLibrary&) = delete;

  const wchar_t* Name() const { return name_; }
  // Whether this binding has loaded the library yet.
  bool Loaded() const { return module_.load(std::memory_order_acquire) != nullptr; }
  // The library, loaded on the first call. Raises ELateBindingError when it cannot be loaded.
  HMODULE Module();
  // The address of an exported function, loading the library first. Raises ELateBindingError
  // when the library cannot be loaded or does not export the function.
  FARPROC Find(const char* function);

 private:
  const wchar_t* name_;
  std::atomic<HMODULE> module_{nullptr};
  std::mutex loading_;
};

// One function of a TLateLibrary, of the function type Fn (decltype of the system's
// declaration, so the calling convention and the argument types are the header's own).
template <typename Fn>
class TLateProc {
 public:
  TLateProc(TLateLibrary& library, const char* name) : library_(library), name_(name) {}
  TLateProc(const TLateProc&) = delete;
  TLateProc& operator=(const TLateProc&) = delete;

  const char* Name() const { return name_; }
  // The function's address, bound on the first call; raises ELateBindingError.
  Fn* Get() {
    Fn* fn = fn_.load(std::memory_order_acquire);
    if (!fn) {
      fn = reinterpret_cast<Fn*>(reinterpret_cast<void*>(library_.Find(name_)));
      fn_.store(fn, std::memory_order_release);
    }
    return fn;
  }
  // Calls go through the function pointer itself, so arguments convert to the declared
  // parameter types as in a direct call (NULL for a pointer too).
  operator Fn*() { return Get(); }

 private:
  TLateLibrary& library_;
  const char* name_;
  std::atomic<Fn*> fn_{nullptr};
};
