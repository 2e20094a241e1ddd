#include "support/GdiTracker.h"

#include <windows.h>

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

// The real functions, filled when the imports are redirected.
#define REAL(name) decltype(&::name) real_##name = nullptr
REAL(CreateCompatibleDC);
REAL(CreateDCW);
REAL(DeleteDC);
REAL(CreateFontIndirectW);
REAL(CreateBrushIndirect);
REAL(CreatePatternBrush);
REAL(CreateSolidBrush);
REAL(CreatePenIndirect);
REAL(CreatePen);
REAL(CreateDIBSection);
REAL(CreateCompatibleBitmap);
REAL(CreateBitmap);
REAL(DeleteObject);
REAL(CreateRectRgn);
REAL(CreateRectRgnIndirect);
REAL(CreateRoundRectRgn);
REAL(CreateEllipticRgn);
REAL(CreatePolygonRgn);
REAL(ExtCreateRegion);
REAL(GetDC);
REAL(GetDCEx);
REAL(GetWindowDC);
REAL(ReleaseDC);
REAL(CreateIconFromResourceEx);
REAL(CreateIconIndirect);
REAL(CopyIcon);
REAL(DestroyIcon);
REAL(GetIconInfo);
REAL(SetWindowRgn);
#undef REAL

HDC WINAPI My_CreateCompatibleDC(HDC a) {
  HDC h = real_CreateCompatibleDC(a);
  Made(h, "memory HDC");
  return h;
}
HDC WINAPI My_CreateDCW(LPCWSTR a, LPCWSTR b, LPCWSTR c, const DEVMODEW* d) {
  HDC h = real_CreateDCW(a, b, c, d);
  Made(h, "HDC");
  return h;
}
BOOL WINAPI My_DeleteDC(HDC h) {
  BOOL ok = real_DeleteDC(h);
  Gone(h, ok);
  return ok;
}
HFONT WINAPI My_CreateFontIndirectW(const LOGFONTW* a) {
  HFONT h = real_CreateFontIndirectW(a);
  Made(h, "HFONT");
  return h;
}
HBRUSH WINAPI My_CreateBrushIndirect(const LOGBRUSH* a) {
  HBRUSH h = real_CreateBrushIndirect(a);
  Made(h, "HBRUSH");
  return h;
}
HBRUSH WINAPI My_CreatePatternBrush(HBITMAP a) {
  HBRUSH h = real_CreatePatternBrush(a);
  Made(h, "HBRUSH");
  return h;
}
HBRUSH WINAPI My_CreateSolidBrush(COLORREF a) {
  HBRUSH h = real_CreateSolidBrush(a);
  Made(h, "HBRUSH");
  return h;
}
HPEN WINAPI My_CreatePenIndirect(const LOGPEN* a) {
  HPEN h = real_CreatePenIndirect(a);
  Made(h, "HPEN");
  return h;
}
HPEN WINAPI My_CreatePen(int a, int b, COLORREF c) {
  HPEN h = real_CreatePen(a, b, c);
  Made(h, "HPEN");
  return h;
}
HBITMAP WINAPI My_CreateDIBSection(HDC a, const BITMAPINFO* b, UINT c, void** d, HANDLE e, DWORD f) {
  HBITMAP h = real_CreateDIBSection(a, b, c, d, e, f);
  Made(h, "HBITMAP (DIB)");
  return h;
}
HBITMAP WINAPI My_CreateCompatibleBitmap(HDC a, int b, int c) {
  HBITMAP h = real_CreateCompatibleBitmap(a, b, c);
  Made(h, "HBITMAP");
  return h;
}
HBITMAP WINAPI My_CreateBitmap(int a, int b, UINT c, UINT d, const void* e) {
  HBITMAP h = real_CreateBitmap(a, b, c, d, e);
  Made(h, "HBITMAP");
  return h;
}
BOOL WINAPI My_DeleteObject(HGDIOBJ h) {
  BOOL ok = real_DeleteObject(h);
  Gone(h, ok);
  return ok;
}
HRGN WINAPI My_CreateRectRgn(int a, int b, int c, int d) {
  HRGN h = real_CreateRectRgn(a, b, c, d);
  Made(h, "HRGN");
  return h;
}
HRGN WINAPI My_CreateRectRgnIndirect(const RECT* a) {
  HRGN h = real_CreateRectRgnIndirect(a);
  Made(h, "HRGN");
  return h;
}
HRGN WINAPI My_CreateRoundRectRgn(int a, int b, int c, int d, int e, int f) {
  HRGN h = real_CreateRoundRectRgn(a, b, c, d, e, f);
  Made(h, "HRGN");
  return h;
}
HRGN WINAPI My_CreateEllipticRgn(int a, int b, int c, int d) {
  HRGN h = real_CreateEllipticRgn(a, b, c, d);
  Made(h, "HRGN");
  return h;
}
HRGN WINAPI My_CreatePolygonRgn(const POINT* a, int b, int c) {
  HRGN h = real_CreatePolygonRgn(a, b, c);
  Made(h, "HRGN");
  return h;
}
HRGN WINAPI My_ExtCreateRegion(const XFORM* a, DWORD b, const RGNDATA* c) {
  HRGN h = real_ExtCreateRegion(a, b, c);
  Made(h, "HRGN");
  return h;
}
HDC WINAPI My_GetDC(HWND w) {
  HDC h = real_GetDC(w);
  Made(h, "window HDC (GetDC)");
  return h;
}
HDC WINAPI My_GetDCEx(HWND w, HRGN r, DWORD f) {
  HDC h = real_GetDCEx(w, r, f);
  Made(h, "window HDC (GetDCEx)");
  return h;
}
HDC WINAPI My_GetWindowDC(HWND w) {
  HDC h = real_GetWindowDC(w);
  Made(h, "window HDC (GetWindowDC)");
  return h;
}
int WINAPI My_ReleaseDC(HWND w, HDC h) {
  int ok = real_ReleaseDC(w, h);
  Gone(h, ok != 0);
  return ok;
}
HICON WINAPI My_CreateIconFromResourceEx(PBYTE a, DWORD b, BOOL c, DWORD d, int e, int f, UINT g) {
  HICON h = real_CreateIconFromResourceEx(a, b, c, d, e, f, g);
  Made(h, "HICON");
  return h;
}
HICON WINAPI My_CreateIconIndirect(PICONINFO a) {
  HICON h = real_CreateIconIndirect(a);
  Made(h, "HICON");
  return h;
}
HICON WINAPI My_CopyIcon(HICON a) {
  HICON h = real_CopyIcon(a);
  Made(h, "HICON");
  return h;
}
BOOL WINAPI My_DestroyIcon(HICON h) {
  BOOL ok = real_DestroyIcon(h);
  Gone(h, ok);
  return ok;
}
BOOL WINAPI My_GetIconInfo(HICON i, PICONINFO info) {
  BOOL ok = real_GetIconInfo(i, info);
  if (ok) {
    Made(info->hbmColor, "HBITMAP (GetIconInfo colour)");
    Made(info->hbmMask, "HBITMAP (GetIconInfo mask)");
  }
  return ok;
}
// A region given to a window belongs to the system from then on: the program must not delete
// it, and the system frees it with the window or with the next region (Wine at once).
int WINAPI My_SetWindowRgn(HWND w, HRGN r, BOOL redraw) {
  int ok = real_SetWindowRgn(w, r, redraw);
  Gone(r, ok != 0);
  return ok;
}

using Redirect = HandleLedger::Redirect;

#define G(name) \
  { "gdi32.dll", #name, reinterpret_cast<void*>(&My_##name), reinterpret_cast<void**>(&real_##name) }
#define U(name) \
  { "user32.dll", #name, reinterpret_cast<void*>(&My_##name), reinterpret_cast<void**>(&real_##name) }
const Redirect kRedirects[] = {
    G(CreateCompatibleDC),
    G(CreateDCW),
    G(DeleteDC),
    G(CreateFontIndirectW),
    G(CreateBrushIndirect),
    G(CreatePatternBrush),
    G(CreateSolidBrush),
    G(CreatePenIndirect),
    G(CreatePen),
    G(CreateDIBSection),
    G(CreateCompatibleBitmap),
    G(CreateBitmap),
    G(DeleteObject),
    G(CreateRectRgn),
    G(CreateRectRgnIndirect),
    G(CreateRoundRectRgn),
    G(CreateEllipticRgn),
    G(CreatePolygonRgn),
    G(ExtCreateRegion),
    U(GetDC),
    U(GetDCEx),
    U(GetWindowDC),
    U(ReleaseDC),
    U(CreateIconFromResourceEx),
    U(CreateIconIndirect),
    U(CopyIcon),
    U(DestroyIcon),
    U(GetIconInfo),
    U(SetWindowRgn),
};
#undef G
#undef U

}  // namespace

GdiTracker::GdiTracker() { gLedger = new HandleLedger(kRedirects, std::size(kRedirects)); }

GdiTracker::~GdiTracker() { delete std::exchange(gLedger, nullptr); }

std::vector<std::string> GdiTracker::Live() const { return gLedger->Live(); }

int GdiTracker::Created() const { return gLedger->Created(); }

bool GdiTracker::Active() const { return gLedger->Redirected() > 0; }
