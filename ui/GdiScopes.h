// Owning handle types and scope objects for GDI and window DCs, so that no handle leaks on
// any path (an exception included). Windows only; include from .win.cpp files.
//
//   TOwnedFont font(CreateFontIndirectW(&lf));         // DeleteObject at scope end
//   TClientDC dc(wnd);                                 // GetDC ... ReleaseDC
//   TGivenOrOwnDC dc(wnd, HDC(m.WParam), dcWindow);    // the message's DC, else GetWindowDC
//   TMemoryDC mem(dc);                                 // CreateCompatibleDC ... DeleteDC
//   TSelectObject sel(mem, bitmap);                    // SelectObject ... old object back
//   TSaveDC saved(dc);                                 // SaveDC ... RestoreDC
//   TPaintDC paint(wnd);  paint.Rect();                // BeginPaint ... EndPaint
//   TCanvasLock lock(*bmp->Canvas());                  // Lock ... Unlock
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <utility>

#include "Canvas.h"
#include "UniqueHandle.h"

// An owned GDI object (font, bitmap, brush, pen, region, palette).
template <class H>
struct TGdiObjectTraits {
  using Handle = H;
  static H Invalid() { return nullptr; }
  static void Close(H h) { DeleteObject(h); }
};
template <class H>
using TGdiHandle = TUniqueHandle<TGdiObjectTraits<H>>;

using TOwnedFont = TGdiHandle<HFONT>;
using TOwnedBitmap = TGdiHandle<HBITMAP>;
using TOwnedBrush = TGdiHandle<HBRUSH>;
using TOwnedPen = TGdiHandle<HPEN>;
using TOwnedRegion = TGdiHandle<HRGN>;
using TOwnedPalette = TGdiHandle<HPALETTE>;

// An owned icon or cursor made by CreateIconIndirect & co. (not a shared one from LoadIcon).
struct TIconTraits {
  using Handle = HICON;
  static HICON Invalid() { return nullptr; }
  static void Close(HICON h) { DestroyIcon(h); }
};
using TOwnedIcon = TUniqueHandle<TIconTraits>;

// Selects an object into a DC for the scope and puts the previous one back.
class TSelectObject {
 public:
  TSelectObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
  ~TSelectObject() {
    if (old_) SelectObject(dc_, old_);
  }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// SaveDC for the scope, RestoreDC at its end.
class TSaveDC {
 public:
  explicit TSaveDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
  ~TSaveDC() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  TSaveDC(const TSaveDC&) = delete;
  TSaveDC& operator=(const TSaveDC&) = delete;

 private:
  HDC dc_;
  int saved_;
};

// The client-area DC of a window (GetDC; nullptr: the screen), released at scope end.
class TClientDC {
 public:
  explicit TClientDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
  ~TClientDC() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  TClientDC(const TClientDC&) = delete;
  TClientDC& operator=(const TClientDC&) = delete;
  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

// The whole-window DC (GetWindowDC), released at scope end.
class TWindowDC {
 public:
  explicit TWindowDC(HWND wnd) : wnd_(wnd), dc_(GetWindowDC(wnd)) {}
  ~TWindowDC() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

// The DC a message brought (WM_PAINT, WM_NCPAINT, WM_ERASEBKGND, WM_PRINT: its WParam), else the
// window's own, whole-window (GetWindowDC) or client-area (GetDC); only a DC taken here is
// released at scope end.
enum TOwnDCArea { dcWindow, dcClient };
class TGivenOrOwnDC {
 public:
  TGivenOrOwnDC(HWND wnd, HDC given, TOwnDCArea area)
      : wnd_(wnd),
        dc_(given              ? given
            : area == dcWindow ? GetWindowDC(wnd)
                               : GetDC(wnd)),
        own_(!given) {}
  ~TGivenOrOwnDC() {
    if (own_ && dc_) ReleaseDC(wnd_, dc_);
  }
  TGivenOrOwnDC(const TGivenOrOwnDC&) = delete;
  TGivenOrOwnDC& operator=(const TGivenOrOwnDC&) = delete;
  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }
  // The DC was taken here (not the message's).
  bool Own() const { return own_; }

 private:
  HWND wnd_;
  HDC dc_;
  bool own_;
};

// A memory DC compatible with another (nullptr: the screen), deleted at scope end.
class TMemoryDC {
 public:
  explicit TMemoryDC(HDC compatible = nullptr) : dc_(CreateCompatibleDC(compatible)) {}
  ~TMemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
};

// BeginPaint ... EndPaint.
class TPaintDC {
 public:
  explicit TPaintDC(HWND wnd) : wnd_(wnd) { dc_ = BeginPaint(wnd, &ps_); }
  ~TPaintDC() { EndPaint(wnd_, &ps_); }
  TPaintDC(const TPaintDC&) = delete;
  TPaintDC& operator=(const TPaintDC&) = delete;
  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }
  const PAINTSTRUCT& Info() const { return ps_; }
  TRect Rect() const { return {ps_.rcPaint.left, ps_.rcPaint.top, ps_.rcPaint.right, ps_.rcPaint.bottom}; }

 private:
  HWND wnd_;
  HDC dc_;
  PAINTSTRUCT ps_{};
};

// Canvas Lock ... Unlock.
class TCanvasLock {
 public:
  explicit TCanvasLock(TCanvas& canvas) : canvas_(canvas) { canvas_.Lock(); }
  ~TCanvasLock() { canvas_.Unlock(); }
  TCanvasLock(const TCanvasLock&) = delete;
  TCanvasLock& operator=(const TCanvasLock&) = delete;

 private:
  TCanvas& canvas_;
};

#endif
