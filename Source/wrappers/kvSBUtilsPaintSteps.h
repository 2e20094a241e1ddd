// Steps the painting wrappers of check boxes, statics, panels, bars and tab controls share: the
// window geometry they keep, the cache bitmap, the font of the cache canvas, the section over
// the parent's background, and the skin elements they look up.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <memory>

#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "ui/Bitmap.h"
#include "ui/GdiScopes.h"
#include "wrappers/kvSBUtils.h"

namespace wrapsteps {

// r moved by (dx, dy); r grown by dx on the left and right and dy on the top and bottom.
inline void MoveRect(TRect& r, Integer dx, Integer dy) {
  r.Left += dx;
  r.Right += dx;
  r.Top += dy;
  r.Bottom += dy;
}
inline void GrowRect(TRect& r, Integer dx, Integer dy) {
  r.Left -= dx;
  r.Right += dx;
  r.Top -= dy;
  r.Bottom += dy;
}

// The per-PPI skin data the wrapper paints with; null without a manager.
TkvSkinData* SkinOf(TsCommonData* sd);
bool ValidSection(const TkvSkinData* skin, Integer index);
// The image at index; null for an invalid one.
const TsMaskData* ImageOf(const TkvSkinData* skin, Integer index);
// An image of a named section; null when the skin lacks either.
const TsMaskData* SectionImage(TkvSkinData* skin, StringView section, StringView propName);

// The cache bitmap, 32 bits and the window's size (made when missing).
TBitmap* SizeCache(TkvMainWnd* w);
// w x h of src from (sx, sy) to dc at (x, y).
void CopyBmp(HDC dc, Integer x, Integer y, Integer w, Integer h, TBitmap* src, Integer sx = 0, Integer sy = 0);
// The window is visible, or its class-library control is.
bool IsShown(TkvMainWnd* w);
// A fresh 32-bit bitmap.
std::unique_ptr<TBitmap> NewBmp32(Integer w, Integer h);
// The parent's background under the window (offset moved to the window's top-left).
TCacheInfo ParentCI(TkvMainWnd* w);

// The parent's background laid over a disabled window's cache (the window lying at `at` of the
// parent): the parent's bitmap where it has one, else its fill colour.
void BlendDisabled(TBitmap* cache, const TCacheInfo& ci, TPoint at);
// The width of a window's frame: (window width - client width) div 2.
Integer BorderWidthOf(HWND wnd);

// A paint target: the given DC, else the whole-window DC (released at scope end); its state
// saved for the scope.
class TWindowPaintDC {
 public:
  TWindowPaintDC(HWND wnd, HDC given) : dc_(wnd, given, dcWindow), saved_(dc_) {}
  TWindowPaintDC(const TWindowPaintDC&) = delete;
  TWindowPaintDC& operator=(const TWindowPaintDC&) = delete;
  operator HDC() const { return dc_; }

 private:
  TGivenOrOwnDC dc_;
  TSaveDC saved_;
};

// A paint target: the given DC, else the client-area DC (released at scope end).
class TClientPaintDC : public TGivenOrOwnDC {
 public:
  TClientPaintDC(HWND wnd, HDC given) : TGivenOrOwnDC(wnd, given, dcClient) {}
};

// Redraw switched off through the wrapper's own procedure for a scope.
class TRedrawOff {
 public:
  explicit TRedrawOff(TkvMainWnd* w) : w_(w) { w_->ProcessMessage(WM_SETREDRAW, 0, 0); }
  ~TRedrawOff() { w_->ProcessMessage(WM_SETREDRAW, 1, 0); }
  TRedrawOff(const TRedrawOff&) = delete;
  TRedrawOff& operator=(const TRedrawOff&) = delete;

 private:
  TkvMainWnd* w_;
};

}  // namespace wrapsteps

#endif
