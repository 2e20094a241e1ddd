#include "support/LayeredRecorder.h"

#include <string>

#include "support/ImportHook.h"

namespace {

using TUpdateLayeredWindow = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
using TGetProcAddress = FARPROC(WINAPI*)(HMODULE, LPCSTR);
TUpdateLayeredWindow realUpdate = nullptr;
TGetProcAddress realGetProcAddress = nullptr;

BOOL WINAPI RecordUpdate(HWND wnd, HDC screen, POINT* pos, SIZE* size, HDC src, POINT* srcPos, COLORREF key,
                         BLENDFUNCTION* blend, DWORD flags) {
  LayeredCall c{wnd, pos != nullptr, pos ? *pos : POINT{}, size ? *size : SIZE{},
                blend ? blend->SourceConstantAlpha : Byte(0), flags, {}};
  if (size && src) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size->cx;
    bi.bmiHeader.biHeight = -size->cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    c.pixels.resize(size_t(size->cx) * size_t(size->cy));
    GetDIBits(src, static_cast<HBITMAP>(GetCurrentObject(src, OBJ_BITMAP)), 0, size->cy, c.pixels.data(), &bi,
              DIB_RGB_COLORS);
  }
  LayeredCalls().push_back(std::move(c));
  return realUpdate(wnd, screen, pos, size, src, srcPos, key, blend, flags);
}

FARPROC WINAPI HookedGetProcAddress(HMODULE module, LPCSTR name) {
  const FARPROC real = realGetProcAddress(module, name);
  if (reinterpret_cast<uintptr_t>(name) > 0xFFFF && std::string(name) == "UpdateLayeredWindow") {
    realUpdate = reinterpret_cast<TUpdateLayeredWindow>(reinterpret_cast<void*>(real));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordUpdate));
  }
  return real;
}

}  // namespace

std::vector<LayeredCall>& LayeredCalls() {
  static std::vector<LayeredCall> calls;
  return calls;
}

void BindLayeredRecorder(const std::function<void()>& bind) {
  ImportHook hook("kernel32.dll", "GetProcAddress", &HookedGetProcAddress);
  realGetProcAddress = hook.Original<TGetProcAddress>();
  bind();
}
