// Records what the program hands to the layered-window functions and still calls them:
// UpdateLayeredWindow (bound by name at start-up: the binding is made again through a
// GetProcAddress hook, so the bound pointer is the recorder) with the bitmap it shows, read
// back pixel by pixel, and SetLayeredWindowAttributes (imported: its import is hooked).
// Wine blends layered windows over black, so the calls are what a test can check.
//
//   layered::LayeredCalls rec;         // while it lives, every call is recorded
//   ... layered::updates / layered::alphas, LayeredCalls::UpdatesOf(wnd) ...
//   const layered::UpdateCall& last = layered::updates.back();  // last.At(x, y): a pixel it was given
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "raster/GdiBitmaps.h"
#include "support/ImportHook.h"

namespace layered {

struct UpdateCall {
  HWND wnd;
  bool hasPos;
  POINT pos;
  SIZE size;
  BYTE alpha;
  DWORD flags;
  std::vector<uint32_t> pixels;  // the source bitmap, top row first
  uint32_t At(int x, int y) const { return pixels[size_t(y) * size_t(size.cx) + size_t(x)]; }
};
struct AlphaCall {
  HWND wnd;
  BYTE alpha;
  DWORD flags;
  COLORREF key = 0;
};

inline std::vector<UpdateCall> updates;
inline std::vector<AlphaCall> alphas;

using TUpdateLayeredWindow = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
using TSetLayeredWindowAttributes = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
using TGetProcAddress = FARPROC(WINAPI*)(HMODULE, LPCSTR);
inline TUpdateLayeredWindow realUpdate = nullptr;
inline TSetLayeredWindowAttributes realAttributes = nullptr;
inline TGetProcAddress realGetProcAddress = nullptr;

inline BOOL WINAPI RecordUpdate(HWND wnd, HDC screen, POINT* pos, SIZE* size, HDC src, POINT* srcPos, COLORREF key,
                                BLENDFUNCTION* blend, DWORD flags) {
  UpdateCall c{wnd,
               pos != nullptr,
               pos ? *pos : POINT{},
               size ? *size : SIZE{},
               blend ? blend->SourceConstantAlpha : BYTE(0),
               flags,
               {}};
  if (size && src && size->cx > 0 && size->cy > 0) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size->cx;
    bi.bmiHeader.biHeight = -size->cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    c.pixels.resize(size_t(size->cx) * size->cy);
    GetDIBits(src, static_cast<HBITMAP>(GetCurrentObject(src, OBJ_BITMAP)), 0, size->cy, c.pixels.data(), &bi,
              DIB_RGB_COLORS);
  }
  updates.push_back(std::move(c));
  return realUpdate(wnd, screen, pos, size, src, srcPos, key, blend, flags);
}

inline BOOL WINAPI RecordAttributes(HWND wnd, COLORREF key, BYTE alpha, DWORD flags) {
  alphas.push_back({wnd, alpha, flags, key});
  return realAttributes(wnd, key, alpha, flags);
}

inline FARPROC WINAPI HookedGetProcAddress(HMODULE module, LPCSTR name) {
  const FARPROC real = realGetProcAddress(module, name);
  if (reinterpret_cast<uintptr_t>(name) > 0xFFFF && std::string(name) == "UpdateLayeredWindow") {
    realUpdate = reinterpret_cast<TUpdateLayeredWindow>(reinterpret_cast<void*>(real));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordUpdate));
  }
  return real;
}

class LayeredCalls {
 public:
  LayeredCalls() {
    updates.clear();
    alphas.clear();
    sGraphUtilsCleanup();
    {
      ImportHook hook("kernel32.dll", "GetProcAddress", &HookedGetProcAddress);
      realGetProcAddress = hook.Original<TGetProcAddress>();
      sGraphUtilsStartup();
    }
    attributes_ = std::make_unique<ImportHook>("user32.dll", "SetLayeredWindowAttributes", &RecordAttributes);
    realAttributes = attributes_->Original<TSetLayeredWindowAttributes>();
  }
  ~LayeredCalls() {
    attributes_.reset();
    sGraphUtilsCleanup();
    sGraphUtilsStartup();
  }
  LayeredCalls(const LayeredCalls&) = delete;
  LayeredCalls& operator=(const LayeredCalls&) = delete;

  // The calls made for one window, in order.
  static std::vector<UpdateCall> UpdatesOf(HWND wnd) {
    std::vector<UpdateCall> out;
    for (const UpdateCall& c : updates)
      if (c.wnd == wnd) out.push_back(c);
    return out;
  }
  // The calls made for every other window, in order.
  static std::vector<UpdateCall> UpdatesExcept(HWND wnd, HWND other = nullptr) {
    std::vector<UpdateCall> out;
    for (const UpdateCall& c : updates)
      if (c.wnd != wnd && c.wnd != other) out.push_back(c);
    return out;
  }
  static std::vector<BYTE> AlphasOf(HWND wnd) {
    std::vector<BYTE> out;
    for (const AlphaCall& c : alphas)
      if (c.wnd == wnd) out.push_back(c.alpha);
    return out;
  }

 private:
  std::unique_ptr<ImportHook> attributes_;
};

}  // namespace layered
