// Scrolling controls: the scroll bars of a scrolling control, the scrolling control itself
// (AutoScroll, scrolling its children), the scroll box and the frame.
//
// Sections:
//   1. TControlScrollBar
//   2. TScrollingWinControl
//   3. TScrollBox, TCustomFrame
#include <windows.h>

#include <algorithm>

#include "CommonProperties.h"
#include "Forms.h"
#include "ScopeGuard.h"

// ---- 1. TControlScrollBar -------------------------------------------------------------

TW_DEFINE_CLASS(TControlScrollBar) {
  // A range the children give is not the control's own.
  b.Property(u"Range", &TControlScrollBar::Range, &TControlScrollBar::SetRange)
      .Default(0)
      .Stored([](const TControlScrollBar& s) { return !s.Control()->AutoScroll(); });
  b.Property(u"Position", &TControlScrollBar::Position, &TControlScrollBar::SetPosition).Default(0);
  b.Property(u"Increment", &TControlScrollBar::Increment, &TControlScrollBar::SetIncrement).Default(8);
  b.Property(u"Visible", &TControlScrollBar::Visible, &TControlScrollBar::SetVisible).Default(true);
  b.Property(u"Margin", &TControlScrollBar::Margin, &TControlScrollBar::SetMargin).Default(0);
  b.Property(u"Tracking", &TControlScrollBar::Tracking, &TControlScrollBar::SetTracking).Default(false);
}

TControlScrollBar::TControlScrollBar(TScrollingWinControl* control, TScrollBarKind kind)
    : control_(control), kind_(kind) {}

Integer TControlScrollBar::ClientExtent() const {
  return kind_ == sbHorizontal ? control_->ClientWidth() : control_->ClientHeight();
}

bool TControlScrollBar::IsScrollBarVisible() const { return visible_ && range_ > ClientExtent(); }

void TControlScrollBar::SetRange(Integer v) {
  control_->autoScroll_ = false;
  range_ = std::max(v, 0);
  Update();
}

void TControlScrollBar::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Update();
}

void TControlScrollBar::SetMargin(Integer v) {
  margin_ = std::max(v, 0);
  Update();
}

void TControlScrollBar::SetPosition(Integer v) {
  const Integer last = IsScrollBarVisible() ? range_ - ClientExtent() : 0;
  v = std::clamp(v, 0, std::max(last, 0));
  if (v == position_) return;
  const Integer delta = position_ - v;
  position_ = v;
  if (kind_ == sbHorizontal)
    control_->ScrollBy(delta, 0);
  else
    control_->ScrollBy(0, delta);
  if (control_->HandleAllocated())
    SetScrollPos(control_->WindowHandle(), kind_ == sbHorizontal ? SB_HORZ : SB_VERT, v, TRUE);
}

void TControlScrollBar::ScrollMessage(Integer code) {
  const Integer page = std::max(ClientExtent(), 1);
  switch (code) {
    case SB_LINEUP: SetPosition(position_ - increment_); break;
    case SB_LINEDOWN: SetPosition(position_ + increment_); break;
    case SB_PAGEUP: SetPosition(position_ - page); break;
    case SB_PAGEDOWN: SetPosition(position_ + page); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      if (code == SB_THUMBTRACK && !tracking_) break;
      // The 32-bit thumb position (the message carries 16 bits).
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_TRACKPOS;
      GetScrollInfo(control_->WindowHandle(), kind_ == sbHorizontal ? SB_HORZ : SB_VERT, &si);
      SetPosition(si.nTrackPos);
      break;
    }
    case SB_TOP: SetPosition(0); break;
    case SB_BOTTOM: SetPosition(range_); break;
  }
}

void TControlScrollBar::Update() { control_->UpdateScrollBars(); }

void TControlScrollBar::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TControlScrollBar*>(source)) {
    visible_ = s->visible_;
    increment_ = s->increment_;
    margin_ = s->margin_;
    tracking_ = s->tracking_;
    if (!control_->AutoScroll()) range_ = s->range_;
    Update();
    SetPosition(s->position_);
    return;
  }
  TPersistent::Assign(source);
}

// ---- 2. TScrollingWinControl ----------------------------------------------------------

TW_DEFINE_CLASS(TScrollingWinControl) {}

TScrollingWinControl::TScrollingWinControl(TComponent* owner)
    : TWinControl(owner),
      horzScrollBar_(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      vertScrollBar_(std::make_unique<TControlScrollBar>(this, sbVertical)) {}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::SetAutoScroll(bool v) {
  if (v == autoScroll_) return;
  autoScroll_ = v;
  if (!v) {
    horzScrollBar_->range_ = vertScrollBar_->range_ = 0;
    horzScrollBar_->SetPosition(0);
    vertScrollBar_->SetPosition(0);
  }
  UpdateScrollBars();
}

void TScrollingWinControl::AdjustClientRect(TRect& rect) {
  // The aligned children are laid out in the whole scrolled area, moved by the positions.
  const Integer h = horzScrollBar_->position_, v = vertScrollBar_->position_;
  rect = {rect.Left - h, rect.Top - v, rect.Left - h + std::max(horzScrollBar_->range_, rect.Width()),
          rect.Top - v + std::max(vertScrollBar_->range_, rect.Height())};
  TWinControl::AdjustClientRect(rect);
}

void TScrollingWinControl::AlignControls(TControl* control, TRect& rect) {
  TWinControl::AlignControls(control, rect);
  UpdateScrollBars();
}

void TScrollingWinControl::ControlBoundsChanged(TControl* control) {
  TWinControl::ControlBoundsChanged(control);
  if (autoScroll_) UpdateScrollBars();
}

void TScrollingWinControl::HandleCreated() {
  TWinControl::HandleCreated();
  UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars() {
  if (updatingBars_ || !HandleAllocated() || IsLoading() || IsDestroying()) return;
  auto updating = SetForScope(updatingBars_, true, false);
  // A bar that comes or goes changes the other's client extent: settle in a few rounds.
  for (int round = 0; round < 3; ++round) {
    const TRect before = ClientRect();
    if (autoScroll_) {
      Integer right = 0, bottom = 0, rightMargin = 0, bottomMargin = 0;
      for (Integer i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible()) continue;
        const TAlign a = c->Align();
        // A child that stretches with the client area does not make it scroll.
        if (a == alLeft || (a == alNone && !c->Anchors().Contains(akRight)))
          right = std::max(right, horzScrollBar_->position_ + c->Left() + c->Width());
        if (a == alRight) rightMargin += c->Width();
        if (a == alTop || (a == alNone && !c->Anchors().Contains(akBottom)))
          bottom = std::max(bottom, vertScrollBar_->position_ + c->Top() + c->Height());
        if (a == alBottom) bottomMargin += c->Height();
      }
      horzScrollBar_->range_ = right + rightMargin + horzScrollBar_->margin_;
      vertScrollBar_->range_ = bottom + bottomMargin + vertScrollBar_->margin_;
    }
    for (TControlScrollBar* bar : {horzScrollBar_.get(), vertScrollBar_.get()}) {
      const bool shown = bar->IsScrollBarVisible();
      SCROLLINFO si{sizeof si,
                    SIF_RANGE | SIF_PAGE | SIF_POS,
                    0,
                    shown ? bar->range_ - 1 : 0,
                    static_cast<UINT>(shown ? bar->ClientExtent() : 0),
                    shown ? bar->position_ : 0,
                    0};
      SetScrollInfo(WindowHandle(), bar->kind_ == sbHorizontal ? SB_HORZ : SB_VERT, &si, TRUE);
      ShowScrollBar(WindowHandle(), bar->kind_ == sbHorizontal ? SB_HORZ : SB_VERT, shown);
    }
    // Scrolled past what is left to scroll: back to the end (or the start).
    for (TControlScrollBar* bar : {horzScrollBar_.get(), vertScrollBar_.get()}) bar->SetPosition(bar->position_);
    if (ClientRect() == before) break;
  }
}

void TScrollingWinControl::ScrollInView(TControl* control) {
  if (!control || !ContainsControl(control) || control == this) return;
  TRect r = control->BoundsRect();
  // In this control's client coordinates.
  for (TWinControl* p = control->Parent(); p && p != this; p = p->Parent())
    r = {r.Left + p->Left(), r.Top + p->Top(), r.Right + p->Left(), r.Bottom + p->Top()};
  if (r.Left < 0)
    horzScrollBar_->SetPosition(horzScrollBar_->position_ + r.Left);
  else if (r.Right > ClientWidth())
    horzScrollBar_->SetPosition(horzScrollBar_->position_ + std::min(r.Right - ClientWidth(), r.Left));
  if (r.Top < 0)
    vertScrollBar_->SetPosition(vertScrollBar_->position_ + r.Top);
  else if (r.Bottom > ClientHeight())
    vertScrollBar_->SetPosition(vertScrollBar_->position_ + std::min(r.Bottom - ClientHeight(), r.Top));
}

void TScrollingWinControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      // The window's own bars (a control's bar would name itself in LParam).
      if (m.LParam == 0) {
        (m.Msg == WM_HSCROLL ? horzScrollBar_ : vertScrollBar_)->ScrollMessage(LOWORD(m.WParam));
        m.Result = 0;
        return;
      }
      break;
    case WM_MOUSEWHEEL:
      if (vertScrollBar_->IsScrollBarVisible()) {
        const Integer notches = static_cast<int16_t>(HIWORD(m.WParam)) / WHEEL_DELTA;
        vertScrollBar_->SetPosition(vertScrollBar_->position_ - notches * vertScrollBar_->increment_ * 3);
        m.Result = 0;
        return;
      }
      break;
  }
  TWinControl::Dispatch(m);
  if (m.Msg == WM_SIZE) UpdateScrollBars();
}

// ---- 3. TScrollBox, TCustomFrame ------------------------------------------------------

TW_DEFINE_CLASS(TScrollBox) {
  PublishCommon(b, clBtnFace, false);
  PublishFocus(b, false);
  b.Property(u"AutoScroll", &TScrollBox::AutoScroll, &TScrollBox::SetAutoScroll).Default(true);
  b.Property(u"HorzScrollBar", &TScrollBox::HorzScrollBar, &TScrollBox::SetHorzScrollBar);
  b.Property(u"VertScrollBar", &TScrollBox::VertScrollBar, &TScrollBox::SetVertScrollBar);
  b.Property(u"BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle).Default(bsSingle);
  b.Property(u"ParentBackground", &TScrollBox::ParentBackground, &TScrollBox::SetParentBackground).Default(false);
  b.Property(u"Padding", &TScrollBox::Padding, &TScrollBox::SetPadding);
}

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TScrollBox::CreateParams(TCreateParams& p) {
  TScrollingWinControl::CreateParams(p);
  AddSystemBorder(p, borderStyle_ == bsSingle);
}

void TScrollBox::SetBorderStyle(TBorderStyle s) {
  if (s != bsNone && s != bsSingle) throw EInvalidOperation("A scroll box's border is bsNone or bsSingle");
  if (s == borderStyle_) return;
  borderStyle_ = s;
  RecreateWnd();
}

TW_DEFINE_CLASS(TCustomFrame) {}

TW_DEFINE_CLASS(TFrame) {
  PublishCommon(b, clBtnFace, true);
  PublishFocus(b, false);
  b.Property(u"AutoScroll", &TFrame::AutoScroll, &TFrame::SetAutoScroll).Default(true);
  b.Property(u"HorzScrollBar", &TFrame::HorzScrollBar, &TFrame::SetHorzScrollBar);
  b.Property(u"VertScrollBar", &TFrame::VertScrollBar, &TFrame::SetVertScrollBar);
  b.Property(u"ParentBackground", &TFrame::ParentBackground, &TFrame::SetParentBackground).Default(true);
  b.Property(u"Padding", &TFrame::Padding, &TFrame::SetPadding);
}

TCustomFrame::TCustomFrame(TComponent* owner) : TScrollingWinControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks,
                                csParentBackground});
  SetBounds(0, 0, 320, 240);
  SetParentColor(true);
}

void TCustomFrame::AfterConstruction() {
  TScrollingWinControl::AfterConstruction();
  ReadDescription();
}
