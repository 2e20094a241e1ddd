// Buttons with a glyph: the speed button, the timer speed button and the bit button.
//
// Sections:
//   1. glyph and caption layout, TButtonGlyph
//   2. TSpeedButton
//   3. TTimerSpeedButton
//   4. TBitBtn
#include <windows.h>

#include <algorithm>
#include <utility>

#include "Buttons.h"
#include "CommonProperties.h"
#include "GdiScopes.h"
#include "Timers.h"

// ---- 1. glyph and caption layout, TButtonGlyph ----------------------------------------

TButtonContentLayout ButtonContentLayout(TSize client, TSize glyph, TSize text, TButtonLayout layout, Integer margin,
                                         Integer spacing) {
  const bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
  TPoint g, t;
  // Across the layout's direction both are centred.
  if (horizontal) {
    g.Y = (client.cy - glyph.cy + 1) / 2;
    t.Y = (client.cy - text.cy + 1) / 2;
  } else {
    g.X = (client.cx - glyph.cx + 1) / 2;
    t.X = (client.cx - text.cx + 1) / 2;
  }
  // Spacing means nothing without both a glyph and a caption.
  if (text.cx == 0 || glyph.cx == 0) spacing = 0;
  const Integer length = horizontal ? client.cx : client.cy;
  const Integer glyphLength = horizontal ? glyph.cx : glyph.cy;
  const Integer textLength = horizontal ? text.cx : text.cy;
  if (margin == -1) {
    if (spacing < 0) {
      // Margin and spacing share what is left evenly.
      margin = (length - glyphLength - textLength) / 3;
      spacing = margin;
    } else {
      margin = (length - (glyphLength + spacing + textLength) + 1) / 2;
    }
  } else if (spacing < 0) {
    spacing = (length - margin - glyphLength - textLength) / 2;
  }
  switch (layout) {
    case blGlyphLeft:
      g.X = margin;
      t.X = g.X + glyph.cx + spacing;
      break;
    case blGlyphRight:
      g.X = client.cx - margin - glyph.cx;
      t.X = g.X - spacing - text.cx;
      break;
    case blGlyphTop:
      g.Y = margin;
      t.Y = g.Y + glyph.cy + spacing;
      break;
    case blGlyphBottom:
      g.Y = client.cy - margin - glyph.cy;
      t.Y = g.Y - spacing - text.cy;
      break;
  }
  return {g, {t.X, t.Y, t.X + text.cx, t.Y + text.cy}};
}

namespace {

// The size of one image of a glyph strip (0 x 0 without a glyph).
TSize GlyphSize(const TBitmap* glyph, Integer numGlyphs) {
  if (!glyph || glyph->Empty()) return {0, 0};
  return {glyph->Width() / std::max(numGlyphs, 1), glyph->Height()};
}

// Draws image `index` of the strip at (x, y), its bottom-left colour left out; an index past
// the strip draws the first image.
void DrawGlyph(HDC dc, TBitmap* glyph, Integer numGlyphs, Integer index, Integer x, Integer y) {
  const TSize size = GlyphSize(glyph, numGlyphs);
  if (size.cx <= 0 || size.cy <= 0) return;
  if (index >= numGlyphs) index = 0;
  HDC source = glyph->Canvas()->Handle();
  TransparentBlt(dc, x, y, size.cx, size.cy, source, index * size.cx, 0, size.cx, size.cy,
                 ColorToRGB(glyph->TransparentColor()));
}

// The caption in the font's colour, or etched when disabled.
void DrawCaption(TCanvas* canvas, const String& caption, const TRect& r, Cardinal flags, bool enabled) {
  if (caption.empty()) return;
  canvas->Brush()->SetStyle(bsClear);
  TRect box = r;
  canvas->FormattedText(box, caption, flags, !enabled);
}

TSize CaptionSize(TCanvas* canvas, const String& caption, Integer maxWidth) {
  if (caption.empty()) return {0, 0};
  RECT r{0, 0, maxWidth, 0};
  DrawTextW(canvas->Handle(), WideStr(caption), static_cast<int>(caption.size()), &r,
            DT_CALCRECT | DT_CENTER | DT_WORDBREAK);
  return {r.right - r.left, r.bottom - r.top};
}

// The published glyph of a button class that keeps a TButtonGlyph.
template <class T>
void PublishButtonGlyph(TClassBuilder<T>& b) {
  b.Property(u"Glyph", &T::Glyph, &T::SetGlyph);
  b.Property(u"NumGlyphs", &T::NumGlyphs, &T::SetNumGlyphs).Default(1);
  b.Property(u"Layout", &T::Layout, &T::SetLayout).Default(blGlyphLeft);
  b.Property(u"Margin", &T::Margin, &T::SetMargin).Default(-1);
  b.Property(u"Spacing", &T::Spacing, &T::SetSpacing).Default(4);
}

}  // namespace

TButtonGlyph::TButtonGlyph() : glyph_(std::make_unique<TBitmap>()) {}

TButtonGlyph::~TButtonGlyph() = default;

bool TButtonGlyph::SetGlyph(const TBitmap* glyph) {
  if (glyph)
    glyph_->Assign(glyph);
  else
    glyph_->FreeImage();
  return true;
}

bool TButtonGlyph::SetNumGlyphs(Integer n) {
  n = std::clamp(n, 1, 4);
  return n != std::exchange(numGlyphs_, n);
}

bool TButtonGlyph::SetLayout(TButtonLayout l) { return l != std::exchange(layout_, l); }

bool TButtonGlyph::SetMargin(Integer v) { return v >= -1 && v != std::exchange(margin_, v); }

bool TButtonGlyph::SetSpacing(Integer v) { return v != std::exchange(spacing_, v); }

void TButtonGlyph::Draw(TCanvas* canvas, const TRect& r, Integer index, const String& caption, Integer offset,
                        bool enabled, Cardinal textFlags) const {
  const TSize text = CaptionSize(canvas, caption, std::max<Integer>(r.Width(), 1));
  const TButtonContentLayout l = ButtonContentLayout({r.Width(), r.Height()}, GlyphSize(glyph_.get(), numGlyphs_), text,
                                                     layout_, margin_, spacing_);
  DrawGlyph(canvas->Handle(), glyph_.get(), numGlyphs_, index, r.Left + l.GlyphPos.X + offset,
            r.Top + l.GlyphPos.Y + offset);
  TRect t = l.TextRect;
  t = {r.Left + t.Left + offset, r.Top + t.Top + offset, r.Left + t.Right + offset, r.Top + t.Bottom + offset};
  DrawCaption(canvas, caption, t, textFlags | DT_CENTER | DT_WORDBREAK, enabled);
}

// ---- 2. TSpeedButton ------------------------------------------------------------------

TW_DEFINE_CLASS(TSpeedButton) {
  PublishCommon(b, clBtnFace, false);
  b.Property(u"Caption", &TSpeedButton::Caption, &TSpeedButton::SetCaption).Stored(&TSpeedButton::IsCaptionStored);
  b.Property(u"AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
  b.Property(u"GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
  b.Property(u"Down", &TSpeedButton::Down, &TSpeedButton::SetDown).Default(false);
  b.Property(u"Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat).Default(false);
  PublishButtonGlyph(b);
  b.Property(u"Transparent", &TSpeedButton::Transparent, &TSpeedButton::SetTransparent).Default(true);
}

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
  // The button clicks itself on the button-up inside it (not the generic click).
  SetControlStyle(TControlStyle{csCaptureMouse, csDoubleClicks});
  SetBounds(0, 0, 23, 22);
  SetColor(clBtnFace);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetAllowAllUp(bool v) {
  if (v == allowAllUp_) return;
  allowAllUp_ = v;
  UpdateExclusive();
}

void TSpeedButton::SetGroupIndex(Integer v) {
  if (v == groupIndex_) return;
  groupIndex_ = v;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool v) {
  // Only a button of a group stays down.
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  if (down_ && !allowAllUp_ && !IsLoading()) return;
  down_ = v;
  state_ = v ? bsExclusive : bsUp;
  Invalidate();
  if (v) UpdateExclusive();
}

void TSpeedButton::SetFlat(bool v) {
  if (v == flat_) return;
  flat_ = v;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  // An opaque button covers its part of the parent.
  SetControlStyle(v ? ControlStyle() - TControlStyle{csOpaque} : ControlStyle() + TControlStyle{csOpaque});
  Invalidate();
}

void TSpeedButton::UpdateExclusive() {
  if (groupIndex_ == 0 || !Parent()) return;
  TMessage m{CM_BUTTONPRESSED, static_cast<TWParam>(groupIndex_), reinterpret_cast<TLParam>(this), 0};
  Parent()->Broadcast(m);
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = bsDown;
    Invalidate();
  }
  dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState shift, Integer x, Integer y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!dragging_) return;
  const bool inside = x >= 0 && x < Width() && y >= 0 && y < Height();
  const TButtonState now = inside ? (down_ ? bsExclusive : bsDown) : (down_ ? bsExclusive : bsUp);
  if (now != state_) {
    state_ = now;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!dragging_) return;
  dragging_ = false;
  const bool click = x >= 0 && x < Width() && y >= 0 && y < Height();
  if (groupIndex_ == 0) {
    state_ = bsUp;
    Invalidate();
  } else if (click) {
    SetDown(!down_);
    // A group's down button that may not come up shows down again.
    state_ = down_ ? bsExclusive : bsUp;
    Invalidate();
  } else {
    state_ = down_ ? bsExclusive : bsUp;
    Invalidate();
  }
  if (click) Click();
}

void TSpeedButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_BUTTONPRESSED: {
      auto* sender = reinterpret_cast<TSpeedButton*>(m.LParam);
      if (static_cast<Integer>(m.WParam) == groupIndex_ && sender != this) {
        if (sender->Down() && down_) {
          down_ = false;
          state_ = bsUp;
          Invalidate();
        }
        allowAllUp_ = sender->AllowAllUp();
      }
      return;
    }
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      mouseInControl_ = m.Msg == CM_MOUSEENTER && m.LParam == 0;
      if (flat_ && Enabled()) Invalidate();
      break;
    case CM_ENABLEDCHANGED: state_ = !Enabled() ? bsDisabled : down_ ? bsExclusive : bsUp; break;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<Word>(m.WParam), Caption()) && Enabled() && Visible() && Parent() &&
          Parent()->Showing()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
  }
  TGraphicControl::Dispatch(m);
}

void TSpeedButton::Paint() {
  TCanvas* c = Canvas();
  c->SetFont(Font());
  HDC dc = c->Handle();
  RECT r{0, 0, Width(), Height()};
  const bool pressed = state_ == bsDown || state_ == bsExclusive;
  if (!flat_) {
    UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
    if (pressed) flags |= DFCS_PUSHED;
    if (state_ == bsExclusive) flags |= DFCS_CHECKED;
    DrawFrameControl(dc, &r, DFC_BUTTON, flags);
  } else {
    if (pressed || !transparent_) {
      c->Brush()->SetColor(Color());
      c->Brush()->SetStyle(bsSolid);
      c->FillRect({0, 0, Width(), Height()});
    }
    if (pressed || (mouseInControl_ && Enabled()))
      DrawEdge(dc, &r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
  }
  static constexpr Integer kImage[] = {0, 1, 2, 3};  // by TButtonState
  glyph_.Draw(c, {r.left, r.top, r.right, r.bottom}, Enabled() ? kImage[state_] : 1, Caption(), pressed ? 1 : 0,
              Enabled(), DrawTextBiDiModeFlags(0));
}

// ---- 3. TTimerSpeedButton -------------------------------------------------------------

TW_DEFINE_CLASS(TTimerSpeedButton) {
  b.Property(u"TimeBtnState", &TTimerSpeedButton::TimeBtnState, &TTimerSpeedButton::SetTimeBtnState)
      .Default(TTimeBtnState{tbAllowTimer});
}

TTimerSpeedButton::TTimerSpeedButton(TComponent* owner) : TSpeedButton(owner) {}

TTimerSpeedButton::~TTimerSpeedButton() = default;

void TTimerSpeedButton::MouseDown(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  TSpeedButton::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled() || !timeBtnState_.Contains(tbAllowTimer)) return;
  if (!repeatTimer_) {
    repeatTimer_ = new TTimer(this);
    repeatTimer_->SetOnTimer(TNotifyEvent(this, &TTimerSpeedButton::TimerExpired));
  }
  repeatTimer_->SetEnabled(false);
  repeatTimer_->SetInterval(InitRepeatPause);
  repeatTimer_->SetEnabled(true);
}

void TTimerSpeedButton::MouseUp(TMouseButton button, TShiftState shift, Integer x, Integer y) {
  if (repeatTimer_) repeatTimer_->SetEnabled(false);
  TSpeedButton::MouseUp(button, shift, x, y);
}

void TTimerSpeedButton::TimerExpired(TObject*) {
  repeatTimer_->SetInterval(RepeatPause);
  // Held and still over the button: another click.
  if (state_ == bsDown && dragging_) Click();
}

void TTimerSpeedButton::Paint() {
  TSpeedButton::Paint();
  if (timeBtnState_.Contains(tbFocusRect)) Canvas()->DrawFocusRect({3, 3, Width() - 3, Height() - 3});
}

// ---- 4. TBitBtn -----------------------------------------------------------------------

namespace {

const TModalResult kKindResults[] = {mrNone, mrOk,    mrCancel, mrNone,   mrYes, mrNo,
                                     mrNone, mrAbort, mrRetry,  mrIgnore, mrAll};

}  // namespace

TW_DEFINE_CLASS(TBitBtn) {
  b.Property(u"Caption", &TBitBtn::Caption, &TBitBtn::SetCaption).Stored([](const TBitBtn& btn) {
    return btn.IsCustomCaption() && btn.IsCaptionStored();
  });
  b.Property(u"Kind", &TBitBtn::Kind, &TBitBtn::SetKind).Default(bkCustom);
  PublishButtonGlyph(b);
}

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {}

TBitBtn::~TBitBtn() = default;

String TBitBtn::KindCaption(TBitBtnKind kind) {
  static const char16_t* const kCaptions[] = {u"",       u"OK",    u"Cancel", u"&Help",   u"&Yes", u"&No",
                                              u"&Close", u"Abort", u"&Retry", u"&Ignore", u"&All"};
  return kCaptions[kind];
}

bool TBitBtn::IsCustomCaption() const { return Caption() != KindCaption(kind_); }

void TBitBtn::SetKind(TBitBtnKind k) {
  if (k == kind_) return;
  const String oldCaption = KindCaption(kind_);
  kind_ = k;
  if (k != bkCustom) {
    SetDefault(k == bkOK || k == bkYes);
    SetCancel(k == bkCancel || k == bkNo);
    SetModalResult(kKindResults[k]);
    // A caption of the program's own stays.
    if (Caption().empty() || Caption() == oldCaption) SetCaption(KindCaption(k));
  }
  Invalidate();
}

void TBitBtn::CreateParams(TCreateParams& p) {
  TButton::CreateParams(p);
  p.Style = (p.Style & ~static_cast<Cardinal>(BS_TYPEMASK)) | BS_OWNERDRAW;
}

void TBitBtn::SetButtonStyle(bool isDefault) {
  // The window stays owner-drawn: the default look is drawn from this flag.
  if (isDefault == isDefaultLook_) return;
  isDefaultLook_ = isDefault;
  Invalidate();
}

void TBitBtn::DrawOwnerItem(const TOwnerDrawItem& item) {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  RECT r{item.Rect.Left, item.Rect.Top, item.Rect.Right, item.Rect.Bottom};
  const bool pressed = item.State.Contains(odSelected);
  const bool focused = item.State.Contains(odFocused);
  if (isDefaultLook_ || focused) {
    FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    InflateRect(&r, -1, -1);
  }
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0));
  const Integer glyphIndex = !Enabled() ? 1 : pressed ? 2 : 0;
  glyph_.Draw(c, {r.left, r.top, r.right, r.bottom}, glyphIndex, Caption(), pressed ? 1 : 0, Enabled(),
              DrawTextBiDiModeFlags(0));
  if (focused) {
    RECT f{item.Rect.Left + 4, item.Rect.Top + 4, item.Rect.Right - 4, item.Rect.Bottom - 4};
    DrawFocusRect(dc, &f);
  }
}

void TBitBtn::Click() {
  if (kind_ == bkClose) {
    if (TCustomForm* form = GetParentForm(this)) {
      form->Close();
      return;
    }
  }
  if (kind_ == bkHelp) {
    for (TControl* c = this; c; c = c->Parent())
      if (c->HelpContext() != 0) {
        if (Application) Application->HelpContext(c->HelpContext());
        return;
      }
  }
  TButton::Click();
}
