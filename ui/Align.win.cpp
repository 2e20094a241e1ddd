// Align layout: how a windowed control places its aligned and anchored children, and the
// values that steer it (Margins, Padding, Constraints, BorderWidth).
//
// Sections:
//   1. TMargins, TPadding, TSizeConstraints
//   2. TControl: alignment, anchors, explicit bounds
//   3. TWinControl: the align level and placing the children
//   4. TWinControl: the border and the bevel around the client area
#include <windows.h>

#include <algorithm>

#include "Controls.h"
#include "GdiScopes.h"

// ---- 1. TMargins, TPadding, TSizeConstraints --------------------------------------------

TW_DEFINE_CLASS(TMargins) {
  b.Property(u"Left", &TMargins::Left, &TMargins::SetLeft).Default(3);
  b.Property(u"Top", &TMargins::Top, &TMargins::SetTop).Default(3);
  b.Property(u"Right", &TMargins::Right, &TMargins::SetRight).Default(3);
  b.Property(u"Bottom", &TMargins::Bottom, &TMargins::SetBottom).Default(3);
}

TW_DEFINE_CLASS(TPadding) {
  b.Property(u"Left", &TPadding::Left, &TPadding::SetLeft).Default(0);
  b.Property(u"Top", &TPadding::Top, &TPadding::SetTop).Default(0);
  b.Property(u"Right", &TPadding::Right, &TPadding::SetRight).Default(0);
  b.Property(u"Bottom", &TPadding::Bottom, &TPadding::SetBottom).Default(0);
}

TMargins::TMargins(TControl* control, Integer initial)
    : control_(control), left_(initial), top_(initial), right_(initial), bottom_(initial) {}

void TMargins::SetBounds(Integer left, Integer top, Integer right, Integer bottom) {
  if (left == left_ && top == top_ && right == right_ && bottom == bottom_) return;
  left_ = left;
  top_ = top;
  right_ = right;
  bottom_ = bottom;
  onChange_.Call(this);
}

void TMargins::Assign(const TPersistent* source) {
  if (auto* m = dynamic_cast<const TMargins*>(source)) {
    SetBounds(m->left_, m->top_, m->right_, m->bottom_);
    return;
  }
  TPersistent::Assign(source);
}

TW_DEFINE_CLASS(TSizeConstraints) {
  b.Property(u"MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight).Default(0);
  b.Property(u"MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth).Default(0);
  b.Property(u"MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight).Default(0);
  b.Property(u"MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth).Default(0);
}

void TSizeConstraints::SetLimit(Integer& min, Integer& max, Integer value, bool isMin) {
  value = std::max(value, 0);
  if (isMin) {
    if (value == min) return;
    min = value;
    if (max > 0 && max < value) max = value;
  } else {
    if (value > 0 && value < min) value = min;
    if (value == max) return;
    max = value;
  }
  Changed();
}

void TSizeConstraints::SetMinWidth(Integer v) { SetLimit(minWidth_, maxWidth_, v, true); }
void TSizeConstraints::SetMinHeight(Integer v) { SetLimit(minHeight_, maxHeight_, v, true); }
void TSizeConstraints::SetMaxWidth(Integer v) { SetLimit(minWidth_, maxWidth_, v, false); }
void TSizeConstraints::SetMaxHeight(Integer v) { SetLimit(minHeight_, maxHeight_, v, false); }

void TSizeConstraints::Apply(Integer& width, Integer& height) const {
  if (maxWidth_ > 0 && width > maxWidth_) width = maxWidth_;
  if (width < minWidth_) width = minWidth_;
  if (maxHeight_ > 0 && height > maxHeight_) height = maxHeight_;
  if (height < minHeight_) height = minHeight_;
}

void TSizeConstraints::Assign(const TPersistent* source) {
  if (auto* c = dynamic_cast<const TSizeConstraints*>(source)) {
    minWidth_ = c->minWidth_;
    minHeight_ = c->minHeight_;
    maxWidth_ = c->maxWidth_;
    maxHeight_ = c->maxHeight_;
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

// ---- 2. TControl: alignment, anchors, explicit bounds ---------------------------------

namespace {

// The edges each alignment follows.
TAnchors AnchorsOf(TAlign a) {
  switch (a) {
    case alTop: return {akLeft, akTop, akRight};
    case alBottom: return {akLeft, akRight, akBottom};
    case alLeft: return {akLeft, akTop, akBottom};
    case alRight: return {akRight, akTop, akBottom};
    case alClient: return {akLeft, akTop, akRight, akBottom};
    default: return {akLeft, akTop};
  }
}

const TAnchors kDefaultAnchors{akLeft, akTop};

bool Vertical(TAlign a) { return a == alTop || a == alBottom; }
bool Horizontal(TAlign a) { return a == alLeft || a == alRight; }

}  // namespace

void TControl::SetAlign(TAlign value) {
  if (value == align_) return;
  TAlign old = align_;
  align_ = value;
  anchors_ = AnchorsOf(value);
  if (!IsLoading() && parent_ && value != alCustom && old != alCustom) {
    if ((Vertical(old) && Horizontal(value)) || (Horizontal(old) && Vertical(value)))
      SetBounds(left_, top_, height_, width_);
    else if (old != alNone && value == alNone)
      SetBoundsRect(explicitBounds_);
  }
  UpdateAnchorRules();
  RequestAlign();
}

void TControl::SetAnchors(TAnchors value) {
  if (value == anchors_) return;
  anchors_ = value;
  UpdateAnchorRules();
}

void TControl::SetAlignWithMargins(bool value) {
  if (value == alignWithMargins_) return;
  alignWithMargins_ = value;
  RequestAlign();
}

void TControl::MarginsChanged(TObject*) {
  if (alignWithMargins_) RequestAlign();
}

void TControl::ConstraintsChanged(TObject*) {
  // The present size is brought within the new limits (SetBounds applies them).
  Integer w = width_, h = height_;
  constraints_->Apply(w, h);
  if (w != width_ || h != height_) SetBounds(left_, top_, w, h);
}

void TControl::RequestAlign() {
  if (parent_) parent_->AlignControl(this);
}

void TControl::UpdateAnchorRules() {
  if (IsLoading() || scaling_) return;  // measured in Loaded; scaled in ChangeScale
  if (anchors_ == kDefaultAnchors || align_ != alNone || !parent_) {
    originalParentSize_ = {0, 0};
    return;
  }
  if (anchors_.Contains(akRight))
    anchorRules_.X = anchors_.Contains(akLeft) ? width_ : left_;
  else
    anchorRules_.X = left_ + width_ / 2;
  if (anchors_.Contains(akBottom))
    anchorRules_.Y = anchors_.Contains(akTop) ? height_ : top_;
  else
    anchorRules_.Y = top_ + height_ / 2;
  TRect c = parent_->ClientRect();
  originalParentSize_ = {c.Width(), c.Height()};
}

void TControl::BoundsSetFromOutside() {
  // Bounds set while the parent places its children are the parent's doing, not the
  // control's own.
  if (parent_ && parent_->ControlState().Contains(csAligning)) return;
  explicitBounds_ = BoundsRect();
  UpdateAnchorRules();
  if (align_ != alNone) RequestAlign();
  if (parent_) parent_->ControlBoundsChanged(this);
}

// ---- 3. TWinControl: the align level and placing the children -------------------------

void TWinControl::EnableAlign() {
  if (alignLevel_ > 0 && --alignLevel_ == 0 && ControlState().Contains(csAlignmentNeeded)) Realign();
}

void TWinControl::AlignControl(TControl* control) {
  if (IsLoading() || alignLevel_ > 0) {
    SetControlState(ControlState() + TControlState{csAlignmentNeeded});
    return;
  }
  if (IsDestroying()) return;
  // Nothing to place: not even the client size is needed (each child windowed control
  // comes here whenever its parent's pass resizes it).
  if (controls_.empty() && winControls_.empty()) {
    SetControlState(ControlState() - TControlState{csAlignmentNeeded});
    return;
  }
  // The level stays raised while the children are placed, so that what they do on the way
  // (a child that resizes itself) starts no pass of its own: this one goes on with the size
  // each child ends up with.
  struct Pass {
    TWinControl* self;
    explicit Pass(TWinControl* s) : self(s) {
      ++self->alignLevel_;
      self->SetControlState(self->ControlState() + TControlState{csAligning});
    }
    ~Pass() {
      self->SetControlState(self->ControlState() - TControlState{csAligning, csAlignmentNeeded});
      --self->alignLevel_;
    }
  } pass(this);
  TRect r = ClientRect();
  alignedSize_ = {r.Width(), r.Height()};
  alignMoved_ = false;
  AlignControls(control, r);
  // The children moved without repainting: the window and all of them repaint once, which
  // costs far less than a repaint per child (every move of a child window repaints both).
  if (alignMoved_ && handle_) RedrawWindow(handle_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  alignMoved_ = false;
}

bool TWinControl::BatchesChildMoves() const { return handle_ && ControlState().Contains(csAligning); }

void TWinControl::AdjustClientRect(TRect& rect) {
  rect.Left += padding_->Left();
  rect.Top += padding_->Top();
  rect.Right -= padding_->Right();
  rect.Bottom -= padding_->Bottom();
}

bool TWinControl::CustomAlignInsertBefore(TControl* c1, TControl* c2) {
  bool before = false;
  onAlignInsertBefore_.Call(this, c1, c2, before);
  return before;
}

void TWinControl::CustomAlignPosition(TControl* control, Integer& newLeft, Integer& newTop, Integer& newWidth,
                                      Integer& newHeight, TRect& alignRect, const TAlignInfo& alignInfo) {
  onAlignPosition_.Call(this, control, newLeft, newTop, newWidth, newHeight, alignRect, alignInfo);
}

namespace {

// The edge an alignment's controls are ordered by.
Integer PlaceKey(const TControl* c, TAlign a) {
  switch (a) {
    case alTop: return c->Top();
    case alBottom: return c->Top() + c->Height();
    case alLeft: return c->Left();
    default: return c->Left() + c->Width();
  }
}

// The order in which one alignment's controls are placed. At the top and left the smaller
// position goes first and, among equals, the control that asked, then child order; at the
// bottom and right the larger far edge goes first and, among equals, the later child, the
// control that asked after them.
void SortForPlacing(std::vector<TControl*>& list, TAlign a, const TControl* asking) {
  const bool nearFirst = a == alTop || a == alLeft;
  if (!nearFirst) std::reverse(list.begin(), list.end());  // equal positions: later child first
  std::stable_sort(list.begin(), list.end(), [&](const TControl* x, const TControl* y) {
    Integer kx = PlaceKey(x, a), ky = PlaceKey(y, a);
    if (kx != ky) return nearFirst ? kx < ky : kx > ky;
    if (x == asking || y == asking) return nearFirst ? x == asking : y == asking;
    return false;
  });
}

}  // namespace

void TWinControl::AlignControls(TControl* control, TRect& rect) {
  AdjustClientRect(rect);
  // One pass over the children sorts them into the kinds (the graphic ones first, as
  // Controls lists them).
  std::vector<TControl*> kinds[7];
  std::vector<TControl*> anchored;
  auto take = [&](TControl* c) {
    if (!c->Visible()) return;
    if (c->align_ != alNone)
      kinds[c->align_].push_back(c);
    else if (c->originalParentSize_.X > 0 || c->originalParentSize_.Y > 0)
      anchored.push_back(c);
  };
  for (TControl* c : controls_) take(c);
  for (TControl* c : winControls_) take(c);

  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient, alCustom}) {
    std::vector<TControl*>& list = kinds[a];
    if (list.empty()) continue;
    if (a == alCustom) {
      // The asking control first, then insertion where the hook says "before".
      std::vector<TControl*> ordered;
      if (control && control->align_ == alCustom && control->Visible()) ordered.push_back(control);
      for (TControl* c : list) {
        if (c == control) continue;
        auto at = ordered.begin();
        while (at != ordered.end() && !CustomAlignInsertBefore(c, *at)) ++at;
        ordered.insert(at, c);
      }
      list.swap(ordered);
    } else if (a != alClient) {
      SortForPlacing(list, a, control);
    }
    TAlignInfo info{&list, 0, a};
    for (size_t i = 0; i < list.size(); ++i) {
      TControl* c = list[i];
      info.ControlIndex = static_cast<Integer>(i);
      const bool withMargins = c->alignWithMargins_;
      const Integer ml = withMargins ? c->margins_->Left() : 0, mt = withMargins ? c->margins_->Top() : 0;
      const Integer mr = withMargins ? c->margins_->Right() : 0, mb = withMargins ? c->margins_->Bottom() : 0;
      Integer left = c->Left(), top = c->Top(), width = c->Width(), height = c->Height();
      const Integer spanW = std::max(0, rect.Width() - ml - mr), spanH = std::max(0, rect.Height() - mt - mb);
      switch (a) {
        case alTop:
        case alBottom: width = spanW; break;
        case alLeft:
        case alRight: height = spanH; break;
        case alClient:
          width = spanW;
          height = spanH;
          break;
        default: break;
      }
      if (a != alCustom) {
        c->constraints_->Apply(width, height);
        switch (a) {
          case alTop:
            left = rect.Left + ml;
            top = rect.Top + mt;
            break;
          case alBottom:
            left = rect.Left + ml;
            top = rect.Bottom - mb - height;
            break;
          case alLeft:
            left = rect.Left + ml;
            top = rect.Top + mt;
            break;
          case alRight:
            left = rect.Right - mr - width;
            top = rect.Top + mt;
            break;
          default:
            left = rect.Left + ml;
            top = rect.Top + mt;
            break;
        }
      } else {
        CustomAlignPosition(c, left, top, width, height, rect, info);
      }
      c->SetBounds(left, top, width, height);
      // The control may have kept another size (its constraints, a size of its own): the
      // space it takes is what it has now.
      switch (a) {
        case alTop: rect.Top = c->Top() + c->Height() + mb; break;
        case alBottom: rect.Bottom = c->Top() - mt; break;
        case alLeft: rect.Left = c->Left() + c->Width() + mr; break;
        case alRight: rect.Right = c->Left() - ml; break;
        default: break;
      }
    }
  }

  // Unaligned controls with anchors keep their distances to the parent's edges.
  if (anchored.empty()) return;
  TRect client = ClientRect();
  const Integer pw = client.Width(), ph = client.Height();
  // One axis: both edges stretch, the far edge alone moves, neither keeps the centre's
  // proportion. original: the parent's size the rule was measured at (0: not anchored).
  auto follow = [](Integer& pos, Integer& size, bool nearEdge, bool farEdge, Integer original, Integer rule,
                   Integer now) {
    if (original <= 0) return;
    if (farEdge) {
      (nearEdge ? size : pos) = now - (original - rule);
    } else if (!nearEdge) {
      pos = MulDiv(rule, now, original) - size / 2;
    }
  };
  for (TControl* c : anchored) {
    Integer left = c->Left(), top = c->Top(), width = c->Width(), height = c->Height();
    const TAnchors an = c->anchors_;
    follow(left, width, an.Contains(akLeft), an.Contains(akRight), c->originalParentSize_.X, c->anchorRules_.X, pw);
    follow(top, height, an.Contains(akTop), an.Contains(akBottom), c->originalParentSize_.Y, c->anchorRules_.Y, ph);
    c->constraints_->Apply(width, height);
    c->SetBounds(left, top, width, height);
  }
}

void TWinControl::BoundsChanged() {
  TRect c = ClientRect();
  if (c.Width() != alignedSize_.cx || c.Height() != alignedSize_.cy) Realign();
  TControl::BoundsChanged();
}

void TWinControl::GetChildren(std::vector<TComponent*>& children, TComponent* root) const {
  for (Integer i = 0; i < ControlCount(); ++i)
    if (TControl* c = Controls(i); c->Owner() == root) children.push_back(c);
}

// ---- 4. TWinControl: the border and the bevel around the client area --------------------
//
// Outside in: the bevel (BevelKind other than bkNone), the system's own border (client edge,
// WS_BORDER), the scroll bars, BorderWidth in the control's colour, the client area.

void TWinControl::FrameChanged() {
  if (handle_)
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  Realign();
  Invalidate();
}

void TWinControl::SetBorderWidth(Integer value) {
  value = std::max(value, 0);
  if (value == borderWidth_) return;
  borderWidth_ = value;
  FrameChanged();
}

void TWinControl::SetBevelEdges(TBevelEdges value) {
  if (value == bevelEdges_) return;
  bevelEdges_ = value;
  FrameChanged();
}

void TWinControl::SetBevelInner(TBevelCut value) {
  if (value == bevelInner_) return;
  bevelInner_ = value;
  FrameChanged();
}

void TWinControl::SetBevelOuter(TBevelCut value) {
  if (value == bevelOuter_) return;
  bevelOuter_ = value;
  FrameChanged();
}

void TWinControl::SetBevelKind(TBevelKind value) {
  if (value == bevelKind_) return;
  bevelKind_ = value;
  FrameChanged();
}

void TWinControl::SetBevelWidth(Integer value) {
  value = std::max(value, 1);
  if (value == bevelWidth_) return;
  bevelWidth_ = value;
  FrameChanged();
}

void TWinControl::SetCtl3D(bool value) {
  if (value == ctl3D_) return;
  ctl3D_ = value;
  Perform(CM_CTL3DCHANGED, 0, 0);
  FrameChanged();
  RecreateWnd();
}

void TWinControl::AddSystemBorder(TCreateParams& p, bool single) const {
  if (!single) return;
  if (ctl3D_)
    p.ExStyle |= WS_EX_CLIENTEDGE;
  else
    p.Style |= WS_BORDER;
}

void TWinControl::SetParentBackground(bool value) {
  if (value == ParentBackground()) return;
  SetControlStyle(value ? ControlStyle() + TControlStyle{csParentBackground}
                        : ControlStyle() - TControlStyle{csParentBackground});
  Invalidate();
}

TRect TWinControl::BevelSize() const {
  if (bevelKind_ == bkNone) return {};
  const Integer size = (bevelInner_ != bvNone ? bevelWidth_ : 0) + (bevelOuter_ != bvNone ? bevelWidth_ : 0);
  auto on = [&](TBevelEdge e) { return bevelEdges_.Contains(e) ? size : 0; };
  return {on(beLeft), on(beTop), on(beRight), on(beBottom)};
}

void TWinControl::WMNCCalcSize(TMessage& m) {
  // Both forms of the message start with the rectangle that becomes the client area: the
  // bevel is taken from it before the system takes its border and scroll bars.
  auto* r = reinterpret_cast<RECT*>(m.LParam);
  const TRect bevel = BevelSize();
  if (r) {
    r->left += bevel.Left;
    r->top += bevel.Top;
    r->right -= bevel.Right;
    r->bottom -= bevel.Bottom;
  }
  DefaultHandler(m);
  if (borderWidth_ > 0 && r) InflateRect(r, -borderWidth_, -borderWidth_);
}

void TWinControl::WMNCPaint(TMessage& m) {
  DefaultHandler(m);
  const TRect bevel = BevelSize();
  const bool hasBevel = bevel.Left || bevel.Top || bevel.Right || bevel.Bottom;
  if ((borderWidth_ <= 0 && !hasBevel) || !handle_) return;
  RECT window, client;
  GetWindowRect(handle_, &window);
  GetClientRect(handle_, &client);
  MapWindowPoints(handle_, nullptr, reinterpret_cast<POINT*>(&client), 2);
  OffsetRect(&client, -window.left, -window.top);
  OffsetRect(&window, -window.left, -window.top);
  TWindowDC dc(handle_);
  if (!dc.get()) return;
  ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
  if (borderWidth_ > 0) {
    RECT frame = client;
    InflateRect(&frame, borderWidth_, borderWidth_);
    FillRect(dc, &frame, Brush()->Handle());
  }
  if (!hasBevel) return;
  // The system drew its border at the window's edge, where the bevel goes: the bevel ring is
  // painted over it and the system's border drawn again inside the ring.
  RECT inside{window.left + bevel.Left, window.top + bevel.Top, window.right - bevel.Right,
              window.bottom - bevel.Bottom};
  {
    TSaveDC saved(dc);
    ExcludeClipRect(dc, inside.left, inside.top, inside.right, inside.bottom);
    FillRect(dc, &window, Brush()->Handle());
    static constexpr UINT kInner[] = {0, BDR_SUNKENINNER, BDR_RAISEDINNER, 0};
    static constexpr UINT kOuter[] = {0, BDR_SUNKENOUTER, BDR_RAISEDOUTER, 0};
    static constexpr UINT kKind[] = {0, 0, BF_SOFT, BF_FLAT};
    RECT edge = window;
    DrawEdge(dc, &edge, kInner[bevelInner_] | kOuter[bevelOuter_],
             static_cast<UINT>(bevelEdges_.Bits()) | kKind[bevelKind_] | (ctl3D_ ? 0 : BF_MONO));
  }
  const LONG exStyle = GetWindowLongW(handle_, GWL_EXSTYLE);
  if (exStyle & WS_EX_CLIENTEDGE)
    DrawEdge(dc, &inside, EDGE_SUNKEN, BF_RECT | (ctl3D_ ? 0 : BF_MONO));
  else if (exStyle & WS_EX_STATICEDGE)
    DrawEdge(dc, &inside, BDR_SUNKENOUTER, BF_RECT);
  else if (GetWindowLongW(handle_, GWL_STYLE) & WS_BORDER)
    FrameRect(dc, &inside, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}
