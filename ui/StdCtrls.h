// The standard controls the program uses before skinning: TLabel (windowless text),
// TEdit (the system edit) and TButton (the system push button). Windows only.
//
// TButton: a click (BN_CLICKED, reflected as CN_COMMAND) sets the form's ModalResult from
// the button's and runs OnClick; Enter clicks the default button (or the focused one),
// Escape the Cancel one, the caption's accelerator ("&Save": Alt+S) the button itself. TEdit:
// CM_CHANGED and OnChange after every change of the text (EN_CHANGE).
// TLabel: AutoSize (on by default) fits the control to its caption; DoDrawText is the one
// place that draws the caption, so a subclass can replace the drawing.
#pragma once

#ifdef _WIN32

#include "Controls.h"
#include "Forms.h"

// Where a button's glyph sits beside its caption.
TW_ENUM(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)
TW_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)
// Where a caption too long for a label that does not size itself is cut with "...".
TW_ENUM(TEllipsisPosition, epNone, epPathEllipsis, epEndEllipsis, epWordEllipsis)

class TCustomLabel : public TGraphicControl {
  TW_CLASS(TCustomLabel, TGraphicControl)
  explicit TCustomLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout l);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  // A transparent label lets its parent show through: no background fill.
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool v);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  // Only without AutoSize. With WordWrap, the end and word ellipses drop whole words from
  // the end until the rest and "..." fit the label's height.
  TEllipsisPosition EllipsisPosition() const { return ellipsisPosition_; }
  void SetEllipsisPosition(TEllipsisPosition v);
  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  // Draws (or with DT_CALCRECT in flags measures into r) the caption on the canvas.
  virtual void DoDrawText(TRect& r, Cardinal flags);
  // Fits the size to the caption when AutoSize is on. Aligned at the top, bottom or over
  // the client area only the height follows (measured at the label's width), aligned left
  // or right only the width.
  virtual void AdjustBounds();
  // A word-wrapped label that sizes itself measures again when its width changed.
  void BoundsChanged() override;
  // DT_ flags for the alignment, word wrap and prefix settings.
  Cardinal DrawTextFlags() const;
  // The caption shortened by whole words, "..." added, to fit r's height when wrapped.
  String WrappedWithEllipsis(HDC dc, const String& text, const TRect& r, Cardinal flags) const;
  void Loaded() override;

 private:
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool autoSize_ = true;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  bool adjusting_ = false;
  TEllipsisPosition ellipsisPosition_ = epNone;
};

class TLabel : public TCustomLabel {
  TW_CLASS(TLabel, TCustomLabel)
  using TCustomLabel::TCustomLabel;
};

class TCustomEdit : public TWinControl {
  TW_CLASS(TCustomEdit, TWinControl)
  explicit TCustomEdit(TComponent* owner);

  Integer MaxLength() const { return maxLength_; }
  void SetMaxLength(Integer n);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  Char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(Char c);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle s);
  // On: the height follows the font.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  Integer SelStart();
  void SetSelStart(Integer pos);
  Integer SelLength();
  void SetSelLength(Integer len);
  void SelectAll();
  void Clear() { SetText(String()); }
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  virtual void Change() { onChange_.Call(this); }
  void Loaded() override;
  void AdjustHeight();

 private:
  Integer maxLength_ = 0;
  bool readOnly_ = false;
  Char passwordChar_ = 0;
  TBorderStyle borderStyle_ = bsSingle;
  bool autoSize_ = true;
  TNotifyEvent onChange_;
};

class TEdit : public TCustomEdit {
  TW_CLASS(TEdit, TCustomEdit)
  using TCustomEdit::TCustomEdit;
};

class TButtonControl : public TWinControl {
  TW_CLASS(TButtonControl, TWinControl)
  explicit TButtonControl(TComponent* owner);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);

 protected:
  bool wordWrap_ = false;
};

class TButton : public TButtonControl {
  TW_CLASS(TButton, TButtonControl)
  explicit TButton(TComponent* owner);

  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult r) { modalResult_ = r; }
  // Sets the form's ModalResult from the button's, then OnClick.
  void Click() override;
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  // Shows the button as the default one (thick frame) or not.
  virtual void SetButtonStyle(bool isDefault);
  // True while the button is the one Enter clicks.
  bool Active() const { return active_; }

 private:
  bool default_ = false;
  bool cancel_ = false;
  bool active_ = false;
  TModalResult modalResult_ = mrNone;
};

#endif
