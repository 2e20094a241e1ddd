#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "ComCtrls.h"

TW_DEFINE_CLASS(TProgressBar) {
  b.Property(u"Min", &TProgressBar::Min, &TProgressBar::SetMin);
  b.Property(u"Max", &TProgressBar::Max, &TProgressBar::SetMax);
  b.Property(u"Position", &TProgressBar::Position, &TProgressBar::SetPosition);
  b.Property(u"Step", &TProgressBar::Step, &TProgressBar::SetStep);
  b.Property(u"Orientation", &TProgressBar::Orientation, &TProgressBar::SetOrientation);
  b.Property(u"Smooth", &TProgressBar::Smooth, &TProgressBar::SetSmooth);
  b.Property(u"Style", &TProgressBar::Style, &TProgressBar::SetStyle);
  b.Property(u"MarqueeInterval", &TProgressBar::MarqueeInterval, &TProgressBar::SetMarqueeInterval);
  b.Color(u"BarColor", &TProgressBar::BarColor, &TProgressBar::SetBarColor);
  b.Color(u"BackgroundColor", &TProgressBar::BackgroundColor, &TProgressBar::SetBackgroundColor);
  b.Property(u"State", &TProgressBar::State, &TProgressBar::SetState);
  b.Property(u"Font", &TProgressBar::Font, &TProgressBar::SetFont);
  b.Property(u"ParentFont", &TProgressBar::ParentFont, &TProgressBar::SetParentFont);
}

TProgressBar::TProgressBar(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 150, GetSystemMetrics(SM_CYVSCROLL));
  // The system class must exist before a window can superclass it.
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
}

void TProgressBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  CreateSubClass(p, u"msctls_progress32");
  if (orientation_ == pbVertical) p.Style |= PBS_VERTICAL;
  if (smooth_) p.Style |= PBS_SMOOTH;
  if (style_ == pbstMarquee) p.Style |= PBS_MARQUEE;
}

void TProgressBar::HandleCreated() {
  TWinControl::HandleCreated();
  HWND h = WindowHandle();
  SendMessageW(h, PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
  SendMessageW(h, PBM_SETSTEP, static_cast<WPARAM>(step_), 0);
  SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  if (barColor_ != clDefault) SendMessageW(h, PBM_SETBARCOLOR, 0, static_cast<LPARAM>(ColorToRGB(barColor_)));
  if (backgroundColor_ != clDefault) SendMessageW(h, PBM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(backgroundColor_)));
  if (style_ == pbstMarquee) SendMessageW(h, PBM_SETMARQUEE, TRUE, marqueeInterval_);
  if (state_ != pbsNormal) SendMessageW(h, PBM_SETSTATE, state_ == pbsError ? PBST_ERROR : PBST_PAUSED, 0);
}

void TProgressBar::SetParams(Integer min, Integer max) {
  if (max < min && !IsLoading()) throw EInvalidOperation(ClassName() + u" property out of range");
  min_ = min;
  max_ = max;
  if (!IsLoading()) position_ = std::clamp(position_, min_, max_);
  if (HandleAllocated()) {
    SendMessageW(WindowHandle(), PBM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
    SendMessageW(WindowHandle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
  }
}

void TProgressBar::Loaded() {
  TWinControl::Loaded();
  if (max_ < min_) throw EInvalidOperation(ClassName() + u" property out of range");
  position_ = std::clamp(position_, min_, max_);
}

void TProgressBar::SetPosition(Integer v) {
  position_ = IsLoading() ? v : std::clamp(v, min_, max_);
  if (HandleAllocated()) SendMessageW(WindowHandle(), PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TProgressBar::SetStep(Integer v) {
  step_ = v;
  if (HandleAllocated()) SendMessageW(WindowHandle(), PBM_SETSTEP, static_cast<WPARAM>(v), 0);
}

void TProgressBar::SetOrientation(TProgressBarOrientation o) {
  if (o == orientation_) return;
  orientation_ = o;
  RecreateWnd();
}

void TProgressBar::SetSmooth(bool v) {
  if (v == smooth_) return;
  smooth_ = v;
  RecreateWnd();
}

void TProgressBar::SetStyle(TProgressBarStyle s) {
  if (s == style_) return;
  style_ = s;
  RecreateWnd();
}

void TProgressBar::SetMarqueeInterval(Integer ms) {
  marqueeInterval_ = ms;
  if (HandleAllocated() && style_ == pbstMarquee) SendMessageW(WindowHandle(), PBM_SETMARQUEE, TRUE, ms);
}

void TProgressBar::SetBarColor(TColor c) {
  barColor_ = c;
  if (HandleAllocated())
    SendMessageW(WindowHandle(), PBM_SETBARCOLOR, 0, c == clDefault ? CLR_DEFAULT : static_cast<LPARAM>(ColorToRGB(c)));
}

void TProgressBar::SetBackgroundColor(TColor c) {
  backgroundColor_ = c;
  if (HandleAllocated())
    SendMessageW(WindowHandle(), PBM_SETBKCOLOR, 0, c == clDefault ? CLR_DEFAULT : static_cast<LPARAM>(ColorToRGB(c)));
}

void TProgressBar::SetState(TProgressBarState s) {
  state_ = s;
  static constexpr WPARAM kState[] = {PBST_NORMAL, PBST_ERROR, PBST_PAUSED};
  if (HandleAllocated()) SendMessageW(WindowHandle(), PBM_SETSTATE, kState[s], 0);
}
