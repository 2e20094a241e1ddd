#include <windows.h>

#include <algorithm>

#include "GdiScopes.h"
#include "ScopeGuard.h"
#include "StdCtrls.h"

namespace {

// The controls all publish the common control properties.
// The colour and font are stored only while they are the control's own.
template <class T>
void PublishCommon(TClassBuilder<T>& b, TColor color, bool parentColor) {
  b.Color(u"Color", &T::Color, &T::SetColor).Default(color).Stored([](const T& c) { return !c.ParentColor(); });
  b.Property(u"Font", &T::Font, &T::SetFont).Stored([](const T& c) { return !c.ParentFont(); });
  b.Property(u"ParentFont", &T::ParentFont, &T::SetParentFont).Default(true);
  b.Property(u"ParentColor", &T::ParentColor, &T::SetParentColor).Default(parentColor);
  b.Property(u"OnClick", &T::OnClick, &T::SetOnClick).Stored(&T::IsOnClickStored);
  b.Property(u"OnDblClick", &T::OnDblClick, &T::SetOnDblClick);
  b.Property(u"OnMouseDown", &T::OnMouseDown, &T::SetOnMouseDown);
  b.Property(u"OnMouseUp", &T::OnMouseUp, &T::SetOnMouseUp);
  b.Property(u"OnMouseMove", &T::OnMouseMove, &T::SetOnMouseMove);
  b.Property(u"OnMouseEnter", &T::OnMouseEnter, &T::SetOnMouseEnter);
  b.Property(u"OnMouseLeave", &T::OnMouseLeave, &T::SetOnMouseLeave);
}

}  // namespace

// ---- TCustomLabel ---------------------------------------------------------------------

TW_DEFINE_CLASS(TCustomLabel) {}

TW_DEFINE_CLASS(TLabel) {
  PublishCommon(b, clWindow, true);
  b.Property(u"Caption", &TLabel::Caption, &TLabel::SetCaption).Stored(&TLabel::IsCaptionStored);
  b.Property(u"Alignment", &TLabel::Alignment, &TLabel::SetAlignment).Default(taLeftJustify);
  b.Property(u"Layout", &TLabel::Layout, &TLabel::SetLayout).Default(tlTop);
  b.Property(u"AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).Default(true);
  b.Property(u"WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap).Default(false);
  b.Property(u"Transparent", &TLabel::Transparent, &TLabel::SetTransparent).Default(false);
  b.Property(u"ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar).Default(true);
  b.Property(u"EllipsisPosition", &TLabel::EllipsisPosition, &TLabel::SetEllipsisPosition).Default(epNone);
}

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque, csReplicatable});
  SetBounds(0, 0, 65, 17);
  SetParentColor(true);
}

void TCustomLabel::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout l) {
  if (l == layout_) return;
  layout_ = l;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool v) {
  if (v == autoSize_) return;
  autoSize_ = v;
  AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool v) {
  if (v == Transparent()) return;
  if (v)
    SetControlStyle(ControlStyle() - TControlStyle{csOpaque});
  else
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  Invalidate();
}

void TCustomLabel::SetEllipsisPosition(TEllipsisPosition v) {
  if (v == ellipsisPosition_) return;
  ellipsisPosition_ = v;
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool v) {
  if (v == showAccelChar_) return;
  showAccelChar_ = v;
  AdjustBounds();
  Invalidate();
}

Cardinal TCustomLabel::DrawTextFlags() const {
  static constexpr Cardinal kAlign[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
  Cardinal flags = DT_EXPANDTABS | kAlign[alignment_];
  flags |= wordWrap_ ? DT_WORDBREAK : DT_SINGLELINE;
  if (!showAccelChar_) flags |= DT_NOPREFIX;
  return flags;
}

void TCustomLabel::DoDrawText(TRect& r, Cardinal flags) {
  String text = Caption();
  // An empty caption still measures as one line.
  if ((flags & DT_CALCRECT) && (text.empty() || (showAccelChar_ && text == u"&"))) text = u" ";
  TCanvas* c = Canvas();
  c->SetFont(Font());
  c->Brush()->SetStyle(bsClear);
  HDC dc = c->Handle();
  if (ellipsisPosition_ != epNone && !autoSize_) {
    static constexpr Cardinal kEllipsis[] = {0, DT_PATH_ELLIPSIS, DT_END_ELLIPSIS, DT_WORD_ELLIPSIS};
    flags = (flags & ~static_cast<Cardinal>(DT_EXPANDTABS)) | kEllipsis[ellipsisPosition_];
    if (wordWrap_ && (ellipsisPosition_ == epEndEllipsis || ellipsisPosition_ == epWordEllipsis))
      text = WrappedWithEllipsis(dc, text, r, flags);
  }
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  auto draw = [&] { DrawTextW(dc, WideStr(text), static_cast<int>(text.size()), &rc, flags); };
  if (!Enabled() && !(flags & DT_CALCRECT)) {
    // Disabled: the class library's etched look.
    OffsetRect(&rc, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    draw();
    OffsetRect(&rc, -1, -1);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
    draw();
    c->Refresh();  // the font colour goes back to the canvas's on the next use
  } else {
    draw();
  }
  if (flags & DT_CALCRECT) r = {rc.left, rc.top, rc.right, rc.bottom};
}

String TCustomLabel::WrappedWithEllipsis(HDC dc, const String& text, const TRect& r, Cardinal flags) const {
  // DrawText ends only the last line it draws with "...": a wrapped text that is too tall
  // loses whole words from its end until it and "..." fit.
  static const String kDots = u"...";
  SIZE dots{};
  GetTextExtentPoint32W(dc, WideStr(kDots), 3, &dots);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  const Integer limit = std::max<Integer>(r.Height(), tm.tmHeight);
  auto height = [&](const String& t) {
    RECT calc{r.Left, r.Top, r.Right - dots.cx, r.Top};
    DrawTextW(dc, WideStr(t), static_cast<int>(t.size()), &calc,
              (flags & ~static_cast<Cardinal>(DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS)) | DT_CALCRECT);
    return static_cast<Integer>(calc.bottom - calc.top);
  };
  String shown = text;
  if (height(shown) <= limit) return text;
  while (!shown.empty() && height(shown + kDots) > limit) {
    size_t cut = shown.find_last_of(u" \t");
    shown.resize(cut == String::npos ? shown.size() - 1 : cut);
  }
  return shown + kDots;
}

void TCustomLabel::Paint() {
  TCanvas* c = Canvas();
  TRect client = ClientRect();
  if (!Transparent()) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(client);
  }
  TRect r = client;
  Cardinal flags = DrawTextFlags();
  if (layout_ != tlTop) {
    TRect calc = client;
    DoDrawText(calc, flags | DT_CALCRECT);
    Integer offset = client.Height() - calc.Height();
    if (layout_ == tlCenter) offset /= 2;
    r.Top += offset;
  }
  DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
  if (!autoSize_ || adjusting_ || IsLoading() || ComponentState().Contains(csReading)) return;
  // Measured on a screen DC: the label may have no parent window yet.
  TClientDC screen(nullptr);
  TSelectObject font(screen, Font()->Handle());
  String text = Caption();
  if (text.empty() || (showAccelChar_ && text == u"&")) text = u" ";
  const bool widthGiven = Align() == alTop || Align() == alBottom || Align() == alClient;
  RECT rc{0, 0, (wordWrap_ || widthGiven) ? Width() : 0, 0};
  DrawTextW(screen, WideStr(text), static_cast<int>(text.size()), &rc, DrawTextFlags() | DT_CALCRECT);
  Integer x = Left(), w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (widthGiven)
    w = Width();
  else if (Align() == alLeft || Align() == alRight)
    h = Height();
  else if (alignment_ == taRightJustify)
    x = Left() + Width() - w;
  auto adjusting = SetForScope(adjusting_, true, false);
  SetBounds(x, Top(), w, h);
}

void TCustomLabel::BoundsChanged() {
  TGraphicControl::BoundsChanged();
  if (autoSize_ && wordWrap_) AdjustBounds();
}

void TCustomLabel::Dispatch(TMessage& m) {
  TGraphicControl::Dispatch(m);
  if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) AdjustBounds();
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

// ---- TCustomEdit ----------------------------------------------------------------------

TW_DEFINE_CLASS(TCustomEdit) {}

TW_DEFINE_CLASS(TEdit) {
  PublishCommon(b, clWindow, false);
  b.Property(u"TabStop", &TEdit::TabStop, &TEdit::SetTabStop).Default(true);
  b.Property(u"Text", &TEdit::Text, &TEdit::SetText);
  b.Property(u"MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).Default(0);
  b.Property(u"ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly).Default(false);
  b.Property(u"BorderStyle", &TEdit::BorderStyle, &TEdit::SetBorderStyle).Default(bsSingle);
  b.Property(u"AutoSize", &TEdit::AutoSize, &TEdit::SetAutoSize).Default(true);
  b.Property(u"PasswordChar", [](const TEdit& e) { return String(e.PasswordChar() ? 1 : 0, e.PasswordChar()); },
             [](TEdit& e, const String& s) { e.SetPasswordChar(s.empty() ? 0 : s[0]); });
  b.Property(u"OnChange", &TEdit::OnChange, &TEdit::SetOnChange);
  b.Property(u"OnEnter", &TEdit::OnEnter, &TEdit::SetOnEnter);
  b.Property(u"OnExit", &TEdit::OnExit, &TEdit::SetOnExit);
}

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csClickEvents, csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 121, 25);
  SetTabStop(true);
  SetColor(clWindow);
}

void TCustomEdit::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  CreateSubClass(p, u"EDIT");
  p.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
  if (readOnly_) p.Style |= ES_READONLY;
  if (passwordChar_) p.Style |= ES_PASSWORD;
  if (borderStyle_ == bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomEdit::HandleCreated() {
  TWinControl::HandleCreated();
  SendMessageW(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
  if (passwordChar_) SendMessageW(WindowHandle(), EM_SETPASSWORDCHAR, passwordChar_, 0);
}

void TCustomEdit::SetMaxLength(Integer n) {
  maxLength_ = n < 0 ? 0 : n;
  if (HandleAllocated()) SendMessageW(WindowHandle(), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomEdit::SetReadOnly(bool v) {
  readOnly_ = v;
  if (HandleAllocated()) SendMessageW(WindowHandle(), EM_SETREADONLY, v, 0);
}

void TCustomEdit::SetPasswordChar(Char c) {
  if (c == passwordChar_) return;
  passwordChar_ = c;
  RecreateWnd();
}

void TCustomEdit::SetBorderStyle(TBorderStyle s) {
  if (s != bsNone && s != bsSingle) throw EInvalidOperation("An edit's border is bsNone or bsSingle");
  if (s == borderStyle_) return;
  borderStyle_ = s;
  RecreateWnd();
  AdjustHeight();
}

void TCustomEdit::SetAutoSize(bool v) {
  if (v == autoSize_) return;
  autoSize_ = v;
  AdjustHeight();
}

void TCustomEdit::AdjustHeight() {
  if (!autoSize_ || IsLoading()) return;
  TClientDC screen(nullptr);
  TSelectObject font(screen, Font()->Handle());
  TEXTMETRICW tm{};
  GetTextMetricsW(screen, &tm);
  Integer border = borderStyle_ == bsSingle ? GetSystemMetrics(SM_CYEDGE) * 2 + 4 : 2;
  SetHeight(tm.tmHeight + border);
}

void TCustomEdit::Loaded() {
  TWinControl::Loaded();
  AdjustHeight();
}

Integer TCustomEdit::SelStart() {
  DWORD start = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<Integer>(start);
}

void TCustomEdit::SetSelStart(Integer pos) { SendMessageW(Handle(), EM_SETSEL, pos, pos); }

Integer TCustomEdit::SelLength() {
  DWORD start = 0, end = 0;
  SendMessageW(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<Integer>(end - start);
}

void TCustomEdit::SetSelLength(Integer len) {
  Integer start = SelStart();
  SendMessageW(Handle(), EM_SETSEL, start, start + len);
}

void TCustomEdit::SelectAll() { SendMessageW(Handle(), EM_SETSEL, 0, -1); }

void TCustomEdit::Dispatch(TMessage& m) {
  if (m.Msg == CN_COMMAND && HIWORD(m.WParam) == EN_CHANGE) {
    if (!ComponentState().Contains(csLoading)) {
      Changed();
      Change();
    }
    return;
  }
  TWinControl::Dispatch(m);
  if (m.Msg == CM_FONTCHANGED) AdjustHeight();
}

// ---- TButton --------------------------------------------------------------------------

TW_DEFINE_CLASS(TButtonControl) {}

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {}

void TButtonControl::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  RecreateWnd();
}

TW_DEFINE_CLASS(TButton) {
  PublishCommon(b, clBtnFace, false);
  b.Property(u"TabStop", &TButton::TabStop, &TButton::SetTabStop).Default(true);
  b.Property(u"Caption", &TButton::Caption, &TButton::SetCaption).Stored(&TButton::IsCaptionStored);
  b.Property(u"Default", &TButton::Default, &TButton::SetDefault).Default(false);
  b.Property(u"Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false);
  b.Property(u"ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Idents(ModalResultIdents()).Default(mrNone);
  b.Property(u"WordWrap", &TButton::WordWrap, &TButton::SetWordWrap).Default(false);
  b.Property(u"OnEnter", &TButton::OnEnter, &TButton::SetOnEnter);
  b.Property(u"OnExit", &TButton::OnExit, &TButton::SetOnExit);
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
  SetColor(clBtnFace);
}

void TButton::CreateParams(TCreateParams& p) {
  TButtonControl::CreateParams(p);
  CreateSubClass(p, u"BUTTON");
  p.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if (wordWrap_) p.Style |= BS_MULTILINE;
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TButton::SetDefault(bool v) {
  if (v == default_) return;
  default_ = v;
  if (HandleAllocated()) {
    if (TCustomForm* f = GetParentForm(this))
      f->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<TLParam>(f->ActiveControl()));
  }
}

void TButton::SetButtonStyle(bool isDefault) {
  if (!HandleAllocated()) return;
  LONG style = GetWindowLongW(WindowHandle(), GWL_STYLE) & 0x0F;
  LONG wanted = isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
  if (style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON)
    if (style != wanted) SendMessageW(WindowHandle(), BM_SETSTYLE, wanted, 1);
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modalResult_);
  TButtonControl::Click();
}

void TButton::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      if (HIWORD(m.WParam) == BN_CLICKED) Click();
      return;
    case CM_FOCUSCHANGED: {
      // The focused button is the one Enter clicks; with a non-button focused, the default.
      auto* sender = reinterpret_cast<TControl*>(m.LParam);
      active_ = dynamic_cast<TButton*>(sender) ? sender == this : default_;
      SetButtonStyle(active_);
      break;
    }
    case CM_DIALOGKEY:
      if (((m.WParam == VK_RETURN && active_) || (m.WParam == VK_ESCAPE && cancel_)) && GetKeyState(VK_SHIFT) >= 0 &&
          GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0 && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    case CM_DIALOGCHAR:
      // Its caption's accelerator (Alt+letter, or the letter while a control that takes no
      // characters has the focus) clicks the button.
      if (IsAccel(static_cast<Word>(m.WParam), Caption()) && CanFocus()) {
        Click();
        m.Result = 1;
        return;
      }
      break;
    case CM_ENABLEDCHANGED:
      TButtonControl::Dispatch(m);
      return;
  }
  TButtonControl::Dispatch(m);
}
