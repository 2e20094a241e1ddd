// The label, the edit and memo, the static text, the group box and the scroll bar.
//
// Sections:
//   1. TCustomLabel
//   2. TCustomEdit
//   3. TCustomMemo
//   4. TCustomStaticText
//   5. TCustomGroupBox
//   6. TScrollBar
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "CommonProperties.h"
#include "GdiScopes.h"
#include "ScopeGuard.h"
#include "StdCtrls.h"

// ---- 1. TCustomLabel ------------------------------------------------------------------

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
  // Disabled: the class library's etched look.
  c->FormattedText(r, text, flags, !Enabled());
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

// ---- 2. TCustomEdit -------------------------------------------------------------------

TW_DEFINE_CLASS(TCustomEdit) {}

TW_DEFINE_CLASS(TEdit) {
  PublishCommon(b, clWindow, false);
  PublishFocus(b, true);
  PublishBevels(b);
  b.Property(u"Text", &TEdit::Text, &TEdit::SetText);
  b.Property(u"TextHint", &TEdit::TextHint, &TEdit::SetTextHint);
  b.Property(u"Alignment", &TEdit::Alignment, &TEdit::SetAlignment).Default(taLeftJustify);
  b.Property(u"MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).Default(0);
  b.Property(u"ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly).Default(false);
  b.Property(u"BorderStyle", &TEdit::BorderStyle, &TEdit::SetBorderStyle).Default(bsSingle);
  b.Property(u"AutoSize", &TEdit::AutoSize, &TEdit::SetAutoSize).Default(true);
  b.Property(
      u"PasswordChar", [](const TEdit& e) { return String(e.PasswordChar() ? 1 : 0, e.PasswordChar()); },
      [](TEdit& e, const String& s) { e.SetPasswordChar(s.empty() ? 0 : s[0]); });
  b.Property(u"OnChange", &TEdit::OnChange, &TEdit::SetOnChange);
}

TCustomEdit::TCustomEdit(TComponent* owner) : TSystemControl(owner, u"EDIT") {
  SetControlStyle(TControlStyle{csClickEvents, csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 121, 25);
  SetTabStop(true);
  SetColor(clWindow);
}

void TCustomEdit::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  static constexpr Cardinal kAlign[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  p.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL | kAlign[alignment_];
  if (readOnly_) p.Style |= ES_READONLY;
  if (passwordChar_) p.Style |= ES_PASSWORD;
  AddSystemBorder(p, borderStyle_ == bsSingle);
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomEdit::HandleCreated() {
  TSystemControl::HandleCreated();
  SendToWindow(EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
  if (passwordChar_) SendToWindow(EM_SETPASSWORDCHAR, passwordChar_, 0);
  if (!textHint_.empty()) SendToWindow(EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(textHint_.c_str()));
}

void TCustomEdit::SetMaxLength(Integer n) {
  maxLength_ = n < 0 ? 0 : n;
  SendToWindow(EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

void TCustomEdit::SetReadOnly(bool v) {
  readOnly_ = v;
  SendToWindow(EM_SETREADONLY, v, 0);
}

void TCustomEdit::SetPasswordChar(Char c) {
  if (c == passwordChar_) return;
  passwordChar_ = c;
  RecreateWnd();
}

void TCustomEdit::SetTextHint(const String& hint) {
  textHint_ = hint;
  SendToWindow(EM_SETCUEBANNER, 0, reinterpret_cast<LPARAM>(textHint_.c_str()));
}

void TCustomEdit::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
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
  if (!SizesWithFont() || IsLoading()) return;
  TClientDC screen(nullptr);
  TSelectObject font(screen, Font()->Handle());
  TEXTMETRICW tm{};
  GetTextMetricsW(screen, &tm);
  Integer border = borderStyle_ == bsSingle ? GetSystemMetrics(SM_CYEDGE) * 2 + 4 : 2;
  SetHeight(tm.tmHeight + border);
}

void TCustomEdit::Loaded() {
  TSystemControl::Loaded();
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

String TCustomEdit::SelText() {
  const Integer start = SelStart();
  return Text().substr(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
}

void TCustomEdit::SelectAll() { SendMessageW(Handle(), EM_SETSEL, 0, -1); }

bool TCustomEdit::Modified() { return HandleAllocated() && SendToWindow(EM_GETMODIFY) != 0; }

void TCustomEdit::SetModified(bool v) { SendToWindow(EM_SETMODIFY, v, 0); }

void TCustomEdit::Command(Word code, TMessage& m) {
  if (code == EN_CHANGE && !ComponentState().Contains(csLoading)) {
    Changed();
    Change();
  }
  TSystemControl::Command(code, m);
}

void TCustomEdit::Dispatch(TMessage& m) {
  TSystemControl::Dispatch(m);
  if (m.Msg == CM_FONTCHANGED) AdjustHeight();
}

// ---- 3. TCustomMemo -------------------------------------------------------------------

// The memo's lines: a change sets the memo's text; after the user typed they are read from
// the window again when next asked for.
class TMemoStrings : public TStringList {
 public:
  explicit TMemoStrings(TCustomMemo* memo) : memo_(memo) {}
  // The window's text changed: read it on the next use.
  void MarkStale() { stale_ = true; }
  void Refresh() {
    if (!stale_ || updating_) return;
    stale_ = false;
    auto updating = SetForScope(updating_, true, false);
    SetText(memo_->TCustomEdit::Text());
  }

 protected:
  void Changed() override {
    TStringList::Changed();
    if (UpdateCount() > 0 || updating_) return;
    // The lines joined by line breaks, without one after the last.
    String text = Text();
    if (text.size() >= 2) text.resize(text.size() - 2);
    {
      auto updating = SetForScope(updating_, true, false);
      memo_->TCustomEdit::SetText(text);
    }
    stale_ = false;
  }

 private:
  TCustomMemo* memo_;
  bool stale_ = false;
  bool updating_ = false;
};

TW_DEFINE_CLASS(TCustomMemo) {}

TW_DEFINE_CLASS(TMemo) {
  PublishCommon(b, clWindow, false);
  PublishFocus(b, true);
  PublishBevels(b);
  b.Property(u"Lines", &TMemo::Lines, &TMemo::SetLines);
  b.Property(u"TextHint", &TMemo::TextHint, &TMemo::SetTextHint);
  b.Property(u"Alignment", &TMemo::Alignment, &TMemo::SetAlignment).Default(taLeftJustify);
  b.Property(u"MaxLength", &TMemo::MaxLength, &TMemo::SetMaxLength).Default(0);
  b.Property(u"ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly).Default(false);
  b.Property(u"BorderStyle", &TMemo::BorderStyle, &TMemo::SetBorderStyle).Default(bsSingle);
  b.Property(u"ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars).Default(ssNone);
  b.Property(u"WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap).Default(true);
  b.Property(u"WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns).Default(true);
  b.Property(u"WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs).Default(false);
  b.Property(u"OnChange", &TMemo::OnChange, &TMemo::SetOnChange);
}

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner), lines_(std::make_unique<TMemoStrings>(this)) {
  SetBounds(Left(), Top(), 185, 89);
}

TCustomMemo::~TCustomMemo() = default;

TStringList* TCustomMemo::Lines() const {
  lines_->Refresh();
  return lines_.get();
}

void TCustomMemo::SetLines(const TStringList* lines) { lines_->Assign(lines); }

String TCustomMemo::Text() const { return TCustomEdit::Text(); }

void TCustomMemo::SetText(const String& text) {
  TCustomEdit::SetText(text);
  lines_->MarkStale();
}

void TCustomMemo::CreateParams(TCreateParams& p) {
  TCustomEdit::CreateParams(p);
  p.Style |= ES_MULTILINE;
  if (wordWrap_) p.Style &= ~static_cast<Cardinal>(ES_AUTOHSCROLL);
  if (wantReturns_) p.Style |= ES_WANTRETURN;
  if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) p.Style |= WS_HSCROLL;
  if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) p.Style |= WS_VSCROLL;
}

void TCustomMemo::SetScrollBars(TScrollStyle s) {
  if (s == scrollBars_) return;
  scrollBars_ = s;
  RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool v) {
  if (v == wordWrap_) return;
  wordWrap_ = v;
  RecreateWnd();
}

void TCustomMemo::SetWantReturns(bool v) {
  if (v == wantReturns_) return;
  wantReturns_ = v;
  ChangeStyle(ES_WANTRETURN, v, true);
}

void TCustomMemo::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE:
      // A multi-line edit wants every key; the memo gives Tab and Enter to the form unless
      // it wants them.
      TCustomEdit::Dispatch(m);
      if (!wantReturns_) m.Result &= ~static_cast<TLResult>(DLGC_WANTALLKEYS);
      if (wantTabs_)
        m.Result |= DLGC_WANTTAB;
      else
        m.Result &= ~static_cast<TLResult>(DLGC_WANTTAB);
      return;
    case CN_COMMAND:
      if (HIWORD(m.WParam) == EN_CHANGE) lines_->MarkStale();
      break;
  }
  TCustomEdit::Dispatch(m);
}

// ---- 4. TCustomStaticText -------------------------------------------------------------

TW_DEFINE_CLASS(TCustomStaticText) {}

TW_DEFINE_CLASS(TStaticText) {
  PublishCommon(b, clBtnFace, true);
  PublishFocus(b, false);
  PublishBevels(b);
  b.Property(u"Caption", &TStaticText::Caption, &TStaticText::SetCaption).Stored(&TStaticText::IsCaptionStored);
  b.Property(u"Alignment", &TStaticText::Alignment, &TStaticText::SetAlignment).Default(taLeftJustify);
  b.Property(u"BorderStyle", &TStaticText::BorderStyle, &TStaticText::SetBorderStyle).Default(sbsNone);
  b.Property(u"ShowAccelChar", &TStaticText::ShowAccelChar, &TStaticText::SetShowAccelChar).Default(true);
  b.Property(u"AutoSize", &TStaticText::AutoSize, &TStaticText::SetAutoSize).Default(true);
  b.Property(u"FocusControl", &TStaticText::FocusControl, &TStaticText::SetFocusControl);
}

TCustomStaticText::TCustomStaticText(TComponent* owner) : TSystemControl(owner, u"STATIC") {
  SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csReplicatable, csDoubleClicks});
  SetBounds(0, 0, 65, 17);
  SetParentColor(true);
}

TCustomStaticText::~TCustomStaticText() { ReplaceReference<TWinControl>(this, focusControl_, nullptr); }

void TCustomStaticText::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  static constexpr Cardinal kAlign[] = {SS_LEFT, SS_RIGHT, SS_CENTER};
  // SS_NOTIFY: the static takes the mouse (clicks) instead of letting it through.
  p.Style |= SS_NOTIFY | kAlign[alignment_];
  if (!showAccelChar_) p.Style |= SS_NOPREFIX;
  if (borderStyle_ == sbsSingle) p.Style |= WS_BORDER;
  if (borderStyle_ == sbsSunken) p.Style |= SS_SUNKEN;
}

void TCustomStaticText::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  RecreateWnd();
}

void TCustomStaticText::SetBorderStyle(TStaticBorderStyle s) {
  if (s == borderStyle_) return;
  borderStyle_ = s;
  RecreateWnd();
  AdjustBounds();
}

void TCustomStaticText::SetShowAccelChar(bool v) {
  if (v == showAccelChar_) return;
  showAccelChar_ = v;
  RecreateWnd();
  AdjustBounds();
}

void TCustomStaticText::SetFocusControl(TWinControl* c) { ReplaceReference(this, focusControl_, c); }

void TCustomStaticText::Notification(TComponent* component, TOperation operation) {
  TSystemControl::Notification(component, operation);
  if (operation == opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TCustomStaticText::SetAutoSize(bool v) {
  if (v == autoSize_) return;
  autoSize_ = v;
  AdjustBounds();
}

void TCustomStaticText::AdjustBounds() {
  if (!autoSize_ || IsLoading()) return;
  TClientDC screen(nullptr);
  TSelectObject font(screen, Font()->Handle());
  String text = Caption();
  if (text.empty()) text = u" ";
  RECT r{0, 0, 0, 0};
  DrawTextW(screen, WideStr(text), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_EXPANDTABS | (showAccelChar_ ? 0 : DT_NOPREFIX));
  // The border the style adds on each side.
  const Integer frame = borderStyle_ == sbsSingle ? 1 : borderStyle_ == sbsSunken ? 1 : 0;
  const TRect bevel = BevelSize();
  Integer w = r.right + 2 * frame + bevel.Left + bevel.Right;
  Integer h = r.bottom + 2 * frame + bevel.Top + bevel.Bottom;
  Integer x = Left();
  if (alignment_ == taRightJustify) x += Width() - w;
  SetBounds(x, Top(), w, h);
}

void TCustomStaticText::Loaded() {
  TSystemControl::Loaded();
  AdjustBounds();
}

void TCustomStaticText::Command(Word code, TMessage& m) { TSystemControl::Command(code, m); }

void TCustomStaticText::Dispatch(TMessage& m) {
  if (m.Msg == CM_DIALOGCHAR && focusControl_ && showAccelChar_ && IsAccel(static_cast<Word>(m.WParam), Caption()) &&
      focusControl_->CanFocus()) {
    focusControl_->SetFocus();
    m.Result = 1;
    return;
  }
  TSystemControl::Dispatch(m);
  if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) AdjustBounds();
}

// ---- 5. TCustomGroupBox ---------------------------------------------------------------

TW_DEFINE_CLASS(TCustomGroupBox) {}

TW_DEFINE_CLASS(TGroupBox) {
  PublishCommon(b, clBtnFace, true);
  PublishFocus(b, false);
  b.Property(u"Caption", &TGroupBox::Caption, &TGroupBox::SetCaption).Stored(&TGroupBox::IsCaptionStored);
  b.Property(u"ParentBackground", &TGroupBox::ParentBackground, &TGroupBox::SetParentBackground).Default(true);
  b.Property(u"Padding", &TGroupBox::Padding, &TGroupBox::SetPadding);
}

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TSystemControl(owner, u"BUTTON") {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks,
                                csReplicatable, csParentBackground});
  SetBounds(0, 0, 185, 105);
  SetParentColor(true);
}

void TCustomGroupBox::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  p.Style |= BS_GROUPBOX;
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomGroupBox::AdjustClientRect(TRect& rect) {
  TSystemControl::AdjustClientRect(rect);
  // The children stay inside the frame, below the caption.
  TClientDC screen(nullptr);
  TSelectObject font(screen, Font()->Handle());
  TEXTMETRICW tm{};
  GetTextMetricsW(screen, &tm);
  rect.Top += tm.tmHeight;
  const Integer frame = Ctl3D() ? 2 : 1;
  rect.Left += frame;
  rect.Right -= frame;
  rect.Bottom -= frame;
  rect.Top += frame - 1;
}

void TCustomGroupBox::Dispatch(TMessage& m) {
  // The system's group box lets the mouse through to what lies below it; the library's is a
  // container that takes it (its children are hit as any control's).
  if (m.Msg == WM_NCHITTEST) {
    m.Result = HTCLIENT;
    return;
  }
  TSystemControl::Dispatch(m);
  if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) {
    Realign();
    Invalidate();
  }
}

// ---- 6. TScrollBar --------------------------------------------------------------------

TW_DEFINE_CLASS(TScrollBar) {
  PublishFocus(b, true);
  b.Property(u"Kind", &TScrollBar::Kind, &TScrollBar::SetKind).Default(sbHorizontal);
  b.Property(u"Min", &TScrollBar::Min, &TScrollBar::SetMin).Default(0);
  b.Property(u"Max", &TScrollBar::Max, &TScrollBar::SetMax).Default(100);
  b.Property(u"Position", &TScrollBar::Position, &TScrollBar::SetPosition).Default(0);
  b.Property(u"PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize).Default(0);
  b.Property(u"SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange).Default(1);
  b.Property(u"LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange).Default(1);
  b.Property(u"OnScroll", &TScrollBar::OnScroll, &TScrollBar::SetOnScroll);
  b.Property(u"OnChange", &TScrollBar::OnChange, &TScrollBar::SetOnChange);
}

TScrollBar::TScrollBar(TComponent* owner) : TSystemControl(owner, u"SCROLLBAR") {
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
  SetTabStop(true);
  SetControlStyle(TControlStyle{csFramed, csDoubleClicks});
}

void TScrollBar::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  p.Style |= kind_ == sbHorizontal ? SBS_HORZ : SBS_VERT;
}

void TScrollBar::HandleCreated() {
  TSystemControl::HandleCreated();
  SendParams();
}

void TScrollBar::SendParams() {
  if (!HandleAllocated()) return;
  SCROLLINFO si{sizeof si, SIF_ALL, min_, max_, static_cast<UINT>(pageSize_), position_, 0};
  SendToWindow(SBM_SETSCROLLINFO, TRUE, reinterpret_cast<LPARAM>(&si));
}

void TScrollBar::SetKind(TScrollBarKind k) {
  if (k == kind_) return;
  kind_ = k;
  // A new orientation swaps width and height (not while a description sets both).
  if (!IsLoading()) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TScrollBar::SetParams(Integer position, Integer min, Integer max) {
  if (max < min && !IsLoading()) throw EInvalidOperation("Scroll bar property out of range");
  if (!IsLoading()) position = std::clamp(position, min, std::max(min, max - std::max(pageSize_ - 1, 0)));
  const bool changed = position != position_;
  min_ = min;
  max_ = max;
  position_ = position;
  SendParams();
  if (changed && !IsLoading()) Change();
}

void TScrollBar::SetPageSize(Integer v) {
  v = std::clamp(v, 0, std::max(max_ - min_ + 1, 0));
  if (v == pageSize_) return;
  pageSize_ = v;
  SetParams(position_, min_, max_);
  SendParams();
}

void TScrollBar::Loaded() {
  TSystemControl::Loaded();
  if (max_ < min_) throw EInvalidOperation("Scroll bar property out of range");
  SetParams(position_, min_, max_);
}

void TScrollBar::Change() {
  Changed();
  onChange_.Call(this);
}

void TScrollBar::ScrollRequest(TMessage& m) {
  const auto code = static_cast<TScrollCode>(std::min<Word>(LOWORD(m.WParam), scEndScroll));
  Integer pos = position_;
  switch (code) {
    case scLineUp: pos -= smallChange_; break;
    case scLineDown: pos += smallChange_; break;
    case scPageUp: pos -= largeChange_; break;
    case scPageDown: pos += largeChange_; break;
    case scPosition:
    case scTrack: {
      // The 32-bit position (the message carries only 16 bits).
      SCROLLINFO si{};
      si.cbSize = sizeof si;
      si.fMask = SIF_TRACKPOS;
      SendToWindow(SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&si));
      pos = si.nTrackPos;
      break;
    }
    case scTop: pos = min_; break;
    case scBottom: pos = max_; break;
    case scEndScroll: break;
  }
  Scroll(code, pos);
  SetPosition(pos);
  m.Result = 0;
}

void TScrollBar::Dispatch(TMessage& m) {
  if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
    ScrollRequest(m);
    return;
  }
  TSystemControl::Dispatch(m);
}
