// The click ripple: a screen copy of the control, its parent's background taken out, grows and
// fades in a layered click-through window just above the control's form.
#include <windows.h>

#include <memory>

#include "base/WorkingBitmaps.h"
#include "base/kvntTypes.h"
#include "base/sMessages.h"
#include "controls/kvAnimation.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Resampling.h"
#include "raster/kvgpUtils.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"

TW_DEFINE_CLASS(TkvClickTimer) {}

namespace {

// The control's mouse area in screen coordinates: what its window answers to KV_GETMOUSEAREA,
// else its screen bounds.
TRect MouseArea(TControl* c) {
  if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated()) {
    TRect r;
    if (SendMessageW(w->WindowHandle(), SM_ALPHACMD, WPARAM(Cardinal{KV_GETMOUSEAREA} << 16 | 1),
                     reinterpret_cast<LPARAM>(&r)) != 0)
      return r;
  }
  return GetCtrlScreenBounds(c);
}

// The top-left part of v of the given size (clipped to v).
TPixelView TopLeft(const TPixelView& v, TSize size) {
  if (v.Empty()) return v;
  return {v.Line0, v.Delta, std::min(v.Width, size.cx), std::min(v.Height, size.cy)};
}

// The window the control shows in: its own, or its parent's for a windowless control.
HWND ShownIn(TControl* c) {
  if (auto* w = dynamic_cast<TWinControl*>(c)) return w->HandleAllocated() ? w->WindowHandle() : nullptr;
  TWinControl* p = c ? c->Parent() : nullptr;
  return p && p->HandleAllocated() ? p->WindowHandle() : nullptr;
}

}  // namespace

TkvClickTimer::~TkvClickTimer() {
  delete AForm;
  AForm = nullptr;
}

void TkvClickTimer::DisableTimer() {
  TkvThreadedTimer::DisableTimer();
  if (Destroyed || ComponentState().Contains(csDestroying)) return;
  delete AForm;
  AForm = nullptr;
}

void TkvClickTimer::PrepareImage() {
  Dezev = 255;
  TControl* c = AnimControl;
  if (!c) return;
  AnimRect = MouseArea(c);
  const Integer w = std::max(AnimRect.Width(), 0), h = std::max(AnimRect.Height(), 0);
  if (!BmpOut) BmpOut = CreateBmp32(w, h);
  BmpOut->SetSize(w, h);
  if (w == 0 || h == 0) return;
  // Room for the last frame and its resampling, so that no frame allocates memory.
  TSize before(w, h);
  lastFrame_ = kvRippleNextSize(before, Mode);
  for (Integer i = 2; i < Iterations; ++i) {
    before = lastFrame_;
    lastFrame_ = kvRippleNextSize(before, Mode);
  }
  stretchScratch_.Reserve(before.cx, before.cy, before.cx + kvRippleAddSize, before.cy + kvRippleAddSize);
  if (Mode == cm1) {
    blurScratch_.Lifted.reserve(size_t(lastFrame_.cx) * size_t(lastFrame_.cy));
    blurScratch_.Half.reserve(size_t(lastFrame_.cx / 2) * size_t(lastFrame_.cy / 2));
  }
  if (HDC screen = GetDC(nullptr)) {
    BitBlt(BmpOut->Canvas()->Handle(), 0, 0, w, h, screen, AnimRect.Left, AnimRect.Top, SRCCOPY);
    ReleaseDC(nullptr, screen);
  }
  // The screen copy carries no alpha: the control's pixels are opaque.
  const TPixelView view = BmpOut->View();
  for (Integer y = 0; y < view.Height; ++y)
    for (Integer x = 0; x < view.Width; ++x) view.At(x, y) |= 0xFF000000u;
  // Pixels that show the parent's background become transparent: only the control ripples.
  std::unique_ptr<TBitmap> background(CreateBmp32(w, h));
  TWinControl* parent = c->Parent();
  if (parent && parent->HandleAllocated()) {
    TkvBGInfo info;
    info.DrawDC = background->Canvas()->Handle();
    info.PleaseDraw = true;
    info.R = TRect(0, 0, w, h);
    info.Offset = TPoint(c->Left() - (Mode == cm2 ? 2 : 0), c->Top());
    info.BgType = TkvBGType(0);
    background->Canvas()->Lock();
    GetBGInfo(&info, parent->WindowHandle(), true);
    background->Canvas()->Unlock();
    if (info.BgType == btFill) {
      FillRect32(background.get(), TRect(0, 0, w, h), ColorToRGB(info.Color), 255);
    } else if (info.BgType == btCache && info.Bmp) {
      BitBlt(background->Canvas()->Handle(), 0, 0, w, h, info.Bmp->Canvas()->Handle(), info.Offset.X, info.Offset.Y,
             SRCCOPY);
    }
  }
  DiffBmp32(BmpOut, background.get());
}

void TkvClickTimer::IterateImage() {
  TControl* c = AnimControl;
  if (!c || !BmpOut) return;
  if (auto* w = dynamic_cast<TWinControl*>(c); w && w->HandleAllocated() && !IsWindowVisible(w->WindowHandle())) return;
  const TRect area = MouseArea(c);
  const TSize previous(AnimRect.Width(), AnimRect.Height());
  const TSize grown(previous.cx + kvRippleAddSize, previous.cy + kvRippleAddSize);
  const TSize size = kvRippleNextSize(previous, Mode);
  // Frames take turns in two pictures made once for the ripple's last frame: each frame is
  // the top-left part of its picture, and the layered window is given only that part. The
  // last frame is stretched straight into its place in the new one (one pixel in from the
  // top-left in cm1); only the band around it is cleared.
  if (!spare_ || spare_->Width() < size.cx || spare_->Height() < size.cy)
    spare_.reset(CreateBmp32(std::max(size.cx, lastFrame_.cx), std::max(size.cy, lastFrame_.cy)));
  const TPixelView frame = TopLeft(ViewOf(spare_.get()), size);
  const Integer at = Mode == cm1 ? 1 : 0;
  const TRect inner(at, at, std::min(at + grown.cx, size.cx), std::min(at + grown.cy, size.cy));
  const TPixelView last = TopLeft(ViewOf(BmpOut), previous);
  if (frame.Width < size.cx || frame.Height < size.cy) return;  // no picture of that size
  if (!inner.IsEmpty()) {
    const TPixelView place{reinterpret_cast<Byte*>(frame.Row(inner.Top) + inner.Left), frame.Delta, inner.Width(),
                           inner.Height()};
    if (!last.Empty() && last.Width == previous.cx && last.Height == previous.cy && last.Width >= 2 &&
        last.Height >= 2 && inner.Width() == grown.cx && inner.Height() == grown.cy)
      StretchView(last, place, ftMitchell, stretchScratch_);
    else
      FillRect32(frame, inner, 0, 0);  // nothing to stretch: the place stays clear
  }
  FillRect32(frame, TRect(0, 0, size.cx, inner.Top), 0, 0);
  FillRect32(frame, TRect(0, inner.Top, inner.Left, inner.Bottom), 0, 0);
  FillRect32(frame, TRect(inner.Right, inner.Top, size.cx, inner.Bottom), 0, 0);
  FillRect32(frame, TRect(0, inner.Bottom, size.cx, size.cy), 0, 0);
  TBitmap* shownBefore = BmpOut;
  BmpOut = spare_.release();
  spare_.reset(shownBefore);
  if (Mode == cm1) QBlur(BmpOut, size, blurScratch_);
  AnimRect = kvRippleRect(area, size);
  Dezev = Byte(kvRippleNextAlpha(Dezev));
  TCustomForm* form = GetParentForm(c, true);
  HWND after = HWND_TOPMOST;
  if (form && form->HandleAllocated() && !(GetWindowLongW(form->WindowHandle(), GWL_EXSTYLE) & WS_EX_TOPMOST)) {
    // Directly above the form: behind the window that lies above it.
    after = GetWindow(form->WindowHandle(), GW_HWNDPREV);
    if (!after) after = HWND_TOP;
  }
  if (!AForm) {
    AForm = new TkvGlowForm(nullptr);
    AForm->AfterConstruction();
    HWND wnd = AForm->Handle();
    // Layered from the start (it is not shown yet, nothing behind it needs repainting) and
    // click-through.
    SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_TRANSPARENT);
  }
  if (!AForm->HandleAllocated()) return;
  HWND wnd = AForm->WindowHandle();
  // The picture with its place and size, then the z-order and the showing, which also sizes a
  // window whose layered update is not bound.
  TPoint pos(AnimRect.Left, AnimRect.Top);
  TSize shown = size;
  BLENDFUNCTION blend{AC_SRC_OVER, 0, Dezev, AC_SRC_ALPHA};
  UpdateLayeredWnd(wnd, BmpOut, &shown, &blend, &pos);
  // Shown already, directly above the form (the window above the form is this one) and in
  // place: the call would change nothing, and it is a round trip to the window system.
  RECT placed{};
  if (after == wnd && IsWindowVisible(wnd) && GetWindowRect(wnd, &placed) &&
      TRect(placed.left, placed.top, placed.right, placed.bottom) == AnimRect)
    return;
  SetWindowPos(wnd, after, AnimRect.Left, AnimRect.Top, shown.cx, shown.cy,
               SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
}

bool ClickAnimProc(TObject* data, Integer iteration) {
  auto* sd = dynamic_cast<TsCommonData*>(data);
  auto* t = sd ? dynamic_cast<TkvClickTimer*>(sd->ClickTimer.get()) : nullptr;
  if (!t || t->Destroyed) return false;
  TControl* c = t->AnimControl;
  HWND shown = c && !c->ComponentState().Contains(csDestroying) ? ShownIn(c) : nullptr;
  const bool visible = shown && IsWindowVisible(shown);
  if (iteration < t->Iterations && t->Dezev > kvRippleMinAlpha && visible && CtrlDCIsVisible(c)) {
    // A step under another window draws nothing; the ripple goes on.
    if (!CtrlIsOverlapped(c)) t->IterateImage();
    return true;
  }
  t->DisableTimer();
  return false;
}

void DoClickAnimation(TsCommonData* skinData, TkvClickMode mode) {
  TControl* c = skinData ? skinData->FOwnerControl : nullptr;
  if (!c || c->ComponentState().Contains(csLoading) || c->ComponentState().Contains(csReading) ||
      c->ComponentState().Contains(csDestroying))
    return;
  if (!skinData->ClickTimer) skinData->ClickTimer.reset(TkvThreadedTimer::CreateOwned<TkvClickTimer>(c, false));
  auto* t = dynamic_cast<TkvClickTimer*>(skinData->ClickTimer.get());
  if (!t) return;
  t->Mode = mode;
  t->InitData(skinData, 0, ClickAnimProc, 0, false);
  t->AnimControl = c;
  t->PrepareImage();
}

void DoWavingAnimation(TsCommonData* skinData) { DoClickAnimation(skinData, cm2); }
