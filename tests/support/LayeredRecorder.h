// Records every UpdateLayeredWindow call the engine makes while it lives (the window, place,
// size, constant alpha and a copy of the source bitmap) and still calls through, so that a test
// sees the pictures of layered windows that Wine composites over black. The engine binds the
// function by name at start-up; the recorder binds it once more, to itself, and binds it back to
// the system's when it goes.
//
//   LayeredRecorder layered;
//   ... show an effect ...
//   const LayeredCall& last = layered.Calls().back();   // last.At(x, y): a pixel it was given
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "raster/GdiBitmaps.h"
#include "support/ImportHook.h"

struct LayeredCall {
  HWND Wnd = nullptr;
  bool HasPos = false;
  POINT Pos{};
  SIZE Size{};
  BYTE Alpha = 0;
  DWORD Flags = 0;
  std::vector<uint32_t> Pixels;  // the source bitmap, top row first
  uint32_t At(int x, int y) const { return Pixels[size_t(y) * size_t(Size.cx) + size_t(x)]; }
};

class LayeredRecorder {
 public:
  LayeredRecorder() {
    Calls().clear();
    sGraphUtilsCleanup();
    ImportHook hook("kernel32.dll", "GetProcAddress", &HookedGetProcAddress);
    RealGetProcAddress() = hook.Original<TGetProcAddress>();
    sGraphUtilsStartup();
  }
  ~LayeredRecorder() {
    sGraphUtilsCleanup();
    sGraphUtilsStartup();
  }
  LayeredRecorder(const LayeredRecorder&) = delete;
  LayeredRecorder& operator=(const LayeredRecorder&) = delete;

  static std::vector<LayeredCall>& Calls() {
    static std::vector<LayeredCall> calls;
    return calls;
  }
  // The calls made for one window, in order.
  static std::vector<LayeredCall> For(HWND wnd) {
    std::vector<LayeredCall> out;
    for (const LayeredCall& c : Calls())
      if (c.Wnd == wnd) out.push_back(c);
    return out;
  }

 private:
  using TUpdate = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
  using TGetProcAddress = FARPROC(WINAPI*)(HMODULE, LPCSTR);
  static TUpdate& RealUpdate() {
    static TUpdate real = nullptr;
    return real;
  }
  static TGetProcAddress& RealGetProcAddress() {
    static TGetProcAddress real = nullptr;
    return real;
  }
  static BOOL WINAPI Record(HWND wnd, HDC screen, POINT* pos, SIZE* size, HDC src, POINT* srcPos, COLORREF key,
                            BLENDFUNCTION* blend, DWORD flags) {
    LayeredCall c;
    c.Wnd = wnd;
    c.HasPos = pos != nullptr;
    if (pos) c.Pos = *pos;
    if (size) c.Size = *size;
    c.Alpha = blend ? blend->SourceConstantAlpha : BYTE(0);
    c.Flags = flags;
    if (size && src && size->cx > 0 && size->cy > 0) {
      BITMAPINFO bi{};
      bi.bmiHeader.biSize = sizeof bi.bmiHeader;
      bi.bmiHeader.biWidth = size->cx;
      bi.bmiHeader.biHeight = -size->cy;
      bi.bmiHeader.biPlanes = 1;
      bi.bmiHeader.biBitCount = 32;
      c.Pixels.resize(size_t(size->cx) * size_t(size->cy));
      GetDIBits(src, static_cast<HBITMAP>(GetCurrentObject(src, OBJ_BITMAP)), 0, UINT(size->cy), c.Pixels.data(), &bi,
                DIB_RGB_COLORS);
    }
    Calls().push_back(std::move(c));
    return RealUpdate()(wnd, screen, pos, size, src, srcPos, key, blend, flags);
  }
  static FARPROC WINAPI HookedGetProcAddress(HMODULE module, LPCSTR name) {
    const FARPROC real = RealGetProcAddress()(module, name);
    if (reinterpret_cast<uintptr_t>(name) > 0xFFFF && std::string(name) == "UpdateLayeredWindow") {
      RealUpdate() = reinterpret_cast<TUpdate>(reinterpret_cast<void*>(real));
      return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&Record));
    }
    return real;
  }
};

#endif
