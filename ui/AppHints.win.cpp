// The application's hint engine: which control the mouse rests on, the pause before its
// hint shows and the one before it hides, the hint info and the hint window.
//
// Sections:
//   1. state and timer
//   2. following the mouse
//   3. showing, hiding, cancelling
#include <windows.h>

#include <algorithm>

#include "Forms.h"
#include "GdiScopes.h"
#include "Hints.h"
#include "ScopeGuard.h"

// ---- 1. state and timer -----------------------------------------------------------------

namespace {

// The application window's timer that wakes the hint engine.
constexpr UINT_PTR kHintTimerId = 0x7448;  // "tH"

}  // namespace

struct TApplication::THintState {
  TControl* control = nullptr;    // the control the hint belongs to (or will)
  bool active = false;            // a hint showed and the mouse has not left our controls since
  TRect cursorRect;               // screen: the hint stays while the mouse is inside
  TPoint lastPos;                 // screen: the mouse at its last move
  THintWindow* window = nullptr;  // owned by the application (a component)
  bool timerOn = false;
  bool timerShows = false;  // the timer shows the hint (else it hides it)
  uint64_t due = 0;         // Clock time at which the timer expires
};

void TApplication::THintStateDeleter::operator()(THintState* state) const { delete state; }

TApplication::THintState& TApplication::Hints() {
  if (!hints_) hints_.reset(new THintState);
  return *hints_;
}

void TApplication::SetClock(TClock* clock) {
  // A running timer keeps the time it has left, counted on the new clock.
  const bool running = hints_ && hints_->timerOn;
  const uint64_t now = Clock().NowMs();
  const uint64_t left = running && hints_->due > now ? hints_->due - now : 0;
  clock_ = clock;
  if (running) hints_->due = Clock().NowMs() + left;
}

void TApplication::StartHintTimer(Integer ms, bool show) {
  THintState& h = Hints();
  h.timerOn = true;
  h.timerShows = show;
  h.due = Clock().NowMs() + static_cast<uint64_t>(std::max(ms, 0));
  if (handle_) SetTimer(handle_, kHintTimerId, static_cast<UINT>(std::max<Integer>(ms, USER_TIMER_MINIMUM)), nullptr);
}

void TApplication::StopHintTimer() {
  if (!hints_ || !hints_->timerOn) return;
  hints_->timerOn = false;
  if (handle_) KillTimer(handle_, kHintTimerId);
}

void TApplication::UpdateHintTimers() {
  if (!hints_ || !hints_->timerOn) return;
  const uint64_t now = Clock().NowMs();
  if (now < hints_->due) {
    // The system timer is only a wake-up; the clock decides. Wait for the rest.
    if (handle_)
      SetTimer(handle_, kHintTimerId, static_cast<UINT>(std::min<uint64_t>(hints_->due - now, 0x7FFFFFFF)), nullptr);
    return;
  }
  StopHintTimer();
  HintTimerExpired();
}

// ---- 2. following the mouse -------------------------------------------------------------

namespace {

// The control at a client point of control, disabled ones included (they get no mouse
// messages of their own: their parent does).
TControl* ControlUnder(TControl* control, TPoint p) {
  TControl* c = control;
  while (auto* w = dynamic_cast<TWinControl*>(c)) {
    TControl* inner = w->ControlAtPos(p, true, true);
    if (!inner) break;
    p = {p.X - inner->Left(), p.Y - inner->Top()};
    c = inner;
  }
  return c;
}

// The control whose hint shows there: the nearest one that shows hints.
TControl* HintControlOf(TControl* c) {
  while (c && !c->ShowHint()) c = c->Parent();
  return c;
}

TRect ScreenBounds(TControl* c) {
  TRect r = c->ClientRect();
  TPoint o = c->ClientOrigin();
  return {r.Left + o.X, r.Top + o.Y, r.Right + o.X, r.Bottom + o.Y};
}

}  // namespace

void TApplication::HintMouseMessage(TControl* control, TMessage& m) {
  if (!control) return;
  const TPoint screen = control->ClientToScreen({m.XPos(), m.YPos()});
  TControl* under = ControlUnder(control, {m.XPos(), m.YPos()});
  SetHint(GetLongHint(GetHint(under)));
  if (!showHint_) return;
  TControl* hintControl = HintControlOf(under);
  THintState& h = Hints();
  h.lastPos = screen;
  if (!hintControl) {
    CancelHint();
    return;
  }
  if (hintControl == h.control && h.cursorRect.Contains(screen)) return;
  const bool wasActive = h.active;
  Integer pause = wasActive ? hintShortPause_ : hintPause_;
  hintControl->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<TLParam>(&pause));
  CancelHint();
  h.active = wasActive;
  h.control = hintControl;
  h.cursorRect = ScreenBounds(hintControl);
  StartHintTimer(pause, true);
}

void TApplication::ControlDestroyed(TControl* control) {
  if (!hints_) return;
  if (hints_->window == control) hints_->window = nullptr;
  if (hints_->control == control) CancelHint();
}

void TApplication::HintIdle() {
  // The mouse left all of the program's controls (the hover tracking saw it go).
  if (hints_ && hints_->control && !MouseControl()) CancelHint();
}

void TApplication::CancelHintOn(const void* p) {
  if (!hints_ || !hints_->control) return;
  switch (static_cast<const MSG*>(p)->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_MOUSEWHEEL: CancelHint(); break;
    default: break;
  }
}

// ---- 3. showing, hiding, cancelling -----------------------------------------------------

namespace {

// How far below the hot spot the current cursor's visible part ends, so that the hint does
// not cover it.
Integer CursorHeightMargin() {
  const Integer fallback = GetSystemMetrics(SM_CYCURSOR) * 2 / 3;
  HCURSOR cursor = GetCursor();
  ICONINFO info{};
  if (!cursor || !GetIconInfo(cursor, &info)) return fallback;
  TOwnedBitmap mask(info.hbmMask);
  TOwnedBitmap color(info.hbmColor);
  BITMAP bm{};
  if (!GetObjectW(info.hbmMask, sizeof bm, &bm) || bm.bmWidth <= 0) return fallback;
  // A monochrome cursor's mask holds the AND mask above the XOR mask.
  const int height = color ? bm.bmHeight : bm.bmHeight / 2;
  struct {
    BITMAPINFOHEADER h;
    RGBQUAD colors[2];
  } bi{};
  bi.h = {sizeof(BITMAPINFOHEADER), bm.bmWidth, -bm.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint32_t> bits(static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight));
  TClientDC screen(nullptr);
  if (!GetDIBits(screen, info.hbmMask, 0, static_cast<UINT>(bm.bmHeight), bits.data(),
                 reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS))
    return fallback;
  // The last row where the AND mask lets the cursor show (black), or the XOR mask draws.
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < bm.bmWidth; ++x) {
      bool shows = (bits[static_cast<size_t>(y * bm.bmWidth + x)] & 0xFFFFFF) == 0;
      if (!color && y + height < bm.bmHeight && (bits[static_cast<size_t>((y + height) * bm.bmWidth + x)] & 0xFFFFFF))
        shows = true;
      if (shows) return std::max(0, y + 1 - static_cast<int>(info.yHotspot));
    }
  return fallback;
}

}  // namespace

THintWindow* TApplication::HintWindow() const { return hints_ ? hints_->window : nullptr; }

void TApplication::ActivateHint(TPoint cursorPos) {
  THintState& h = Hints();
  TControl* control = h.control;
  if (!control) return;
  const TClassInfo* windowClass = HintWindowClass ? HintWindowClass : &THintWindow::StaticClass();
  THintInfo info;
  info.HintControl = control;
  info.HintWindowClass = windowClass;
  info.HintPos = {cursorPos.X, cursorPos.Y + CursorHeightMargin()};
  info.HintMaxWidth = Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN);
  info.HintColor = hintColor_;
  info.CursorRect = control->ClientRect();
  info.CursorPos = control->ScreenToClient(cursorPos);
  info.HideTimeout = hintHidePause_;
  info.HintStr = GetShortHint(GetHint(control));
  bool canShow = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<TLParam>(&info)) == 0;
  if (canShow && onShowHint_) onShowHint_(info.HintStr, canShow, info);
  // The handlers may have let the control go (and the engine with it).
  if (h.control != control) return;
  h.active = canShow;
  if (canShow && !info.HintStr.empty()) {
    const TClassInfo* cls = info.HintWindowClass ? info.HintWindowClass : windowClass;
    if (h.window && &h.window->ClassInfo() != cls) {
      THintWindow* old = h.window;
      h.window = nullptr;
      old->Free();
    }
    if (!h.window) {
      auto windowClass = SetForScope(HintWindowClass, cls);
      h.window = CreateHintWindow(this);
    }
    h.window->SetColor(info.HintColor);
    h.window->SetBiDiMode(control->BiDiMode());
    TRect r = h.window->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    r = {info.HintPos.X, info.HintPos.Y, info.HintPos.X + r.Width(), info.HintPos.Y + r.Height()};
    // Within the work area of the monitor that holds the mouse: left of the right edge,
    // above the cursor when it does not fit below.
    if (TMonitor* mon = Screen ? Screen->MonitorFromPoint(cursorPos) : nullptr) {
      const TRect work = mon->WorkareaRect();
      const Integer w = r.Width(), ht = r.Height() + 4;  // the window is 4 pixels taller
      if (r.Right > work.Right) r.Left = work.Right - w;
      if (r.Left < work.Left) r.Left = work.Left;
      if (r.Top + ht > work.Bottom) r.Top = cursorPos.Y - ht;
      if (r.Top < work.Top) r.Top = work.Top;
      r.Right = r.Left + w;
      r.Bottom = r.Top + ht - 4;
    }
    const TPoint origin = control->ClientOrigin();
    h.cursorRect = {info.CursorRect.Left + origin.X, info.CursorRect.Top + origin.Y, info.CursorRect.Right + origin.X,
                    info.CursorRect.Bottom + origin.Y};
    h.window->ActivateHintData(r, info.HintStr, info.HintData);
    if (info.ReshowTimeout > 0)
      StartHintTimer(info.ReshowTimeout, true);
    else if (info.HideTimeout > 0)
      StartHintTimer(info.HideTimeout, false);
    return;
  }
  HideHint();
  if (info.ReshowTimeout > 0) StartHintTimer(info.ReshowTimeout, true);
}

void TApplication::HintTimerExpired() {
  THintState& h = Hints();
  if (!h.timerShows) {
    HideHint();
    return;
  }
  // Shown only while the mouse is still on the control.
  POINT cursor;
  TPoint at = h.lastPos;
  if (GetCursorPos(&cursor)) at = {cursor.x, cursor.y};
  if (!h.control || !h.cursorRect.Contains(at)) {
    CancelHint();
    return;
  }
  ActivateHint(at);
}

void TApplication::HideHint() {
  if (!hints_ || !hints_->window) return;
  HWND w = hints_->window->WindowHandle();
  if (w && IsWindowVisible(w)) ShowWindow(w, SW_HIDE);
}

void TApplication::CancelHint() {
  if (!hints_) return;
  THintState& h = *hints_;
  if (h.control) HideHint();
  h.control = nullptr;
  h.active = false;
  h.cursorRect = {};
  StopHintTimer();
}

void TApplication::SetShowHint(bool v) {
  if (v == showHint_) return;
  showHint_ = v;
  if (!v) CancelHint();
}

void TApplication::SetHint(const String& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  onHint_.Call(this);
}
