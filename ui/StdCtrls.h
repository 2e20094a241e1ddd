// The standard controls: TLabel (windowless text) and, each over its system window, the
// edit and memo, the buttons (push button, check box, radio button), the group box, the
// static text, the list box, the combo box and the scroll bar. Windows only.
//
// Implementation files: StdCtrls.win.cpp (label, edit, memo, static text, group box, scroll
// bar), ButtonControls.win.cpp (push button, check box, radio button), ListControls.win.cpp
// (list box, combo box).
//
// Events. A click (BN_CLICKED, reflected as CN_COMMAND) runs OnClick. TButton sets the form's
// ModalResult from its own first; Enter clicks the default button (or the focused one),
// Escape the Cancel one, the caption's accelerator ("&Save": Alt+S) the button itself. A check
// box or radio button changes its state on the click and runs OnClick only when the state
// changed (also when the program sets Checked). Edits: CM_CHANGED and OnChange after every
// change of the text (EN_CHANGE). Lists: OnClick when the selection changes by the user
// (LBN_SELCHANGE, CBN_SELCHANGE); a combo box also OnSelect (else OnChange), OnDropDown
// before its list drops, OnCloseUp when it closed, then CN_DROPDOWNCLOSED to itself.
//
// Owner drawing (a list box or combo box of an owner-draw style): OnMeasureItem may change an
// item's height (variable styles), OnDrawItem draws it on Canvas (the item's DC, with the
// control's font and colour); without a handler the item is drawn plainly (text, selection).
//
// TLabel: AutoSize (on by default) fits the control to its caption; DoDrawText is the one
// place that draws the caption, so a subclass can replace the drawing.
#pragma once

#ifdef _WIN32

#include "Forms.h"
#include "ImgList.h"
#include "SystemControl.h"

class TPopupMenu;

// Where a button's glyph sits beside its caption.
TW_ENUM(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)
TW_ENUM(TTextLayout, tlTop, tlCenter, tlBottom)
// Where a caption too long for a label that does not size itself is cut with "...".
TW_ENUM(TEllipsisPosition, epNone, epPathEllipsis, epEndEllipsis, epWordEllipsis)
TW_ENUM(TScrollStyle, ssNone, ssHorizontal, ssVertical, ssBoth)
TW_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed)
// A push button, a command link (caption and a note below it), a split button (an arrow
// part that drops DropDownMenu).
TW_ENUM(TButtonStyle, bsPushButton, bsCommandLink, bsSplitButton)
// Where a push button's image sits.
TW_ENUM(TImageAlignment, iaLeft, iaRight, iaTop, iaBottom, iaCenter)
TW_ENUM(TStaticBorderStyle, sbsNone, sbsSingle, sbsSunken)
TW_ENUM(TListBoxStyle, lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable)
TW_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable)
// What a scroll bar was asked to do (the SB_ codes, in their order).
TW_ENUM(TScrollCode, scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll)

using TDrawItemEvent = TEvent<void(TWinControl* Control, Integer Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = TEvent<void(TWinControl* Control, Integer Index, Integer& Height)>;
using TScrollEvent = TEvent<void(TObject* Sender, TScrollCode ScrollCode, Integer& ScrollPos)>;

// ---- label ------------------------------------------------------------------------------

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

// ---- edit and memo ----------------------------------------------------------------------

class TCustomEdit : public TSystemControl {
  TW_CLASS(TCustomEdit, TSystemControl)
  explicit TCustomEdit(TComponent* owner);

  Integer MaxLength() const { return maxLength_; }
  void SetMaxLength(Integer n);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  Char PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(Char c);
  // bsSingle: the system's border (a sunken client edge, or a flat line without Ctl3D).
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle s);
  // On: the height follows the font.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  // The grey text an empty edit shows (the system's cue banner).
  const String& TextHint() const { return textHint_; }
  void SetTextHint(const String& hint);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  Integer SelStart();
  void SetSelStart(Integer pos);
  Integer SelLength();
  void SetSelLength(Integer len);
  String SelText();
  void SelectAll();
  void Clear() { SetText(String()); }
  // The text changed since it was last set or Modified was cleared (EM_GETMODIFY).
  bool Modified();
  void SetModified(bool v);
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  virtual void Change() { onChange_.Call(this); }
  void Command(Word code, TMessage& message) override;
  void Loaded() override;
  void AdjustHeight();
  // The edit's height changes with its font (memos keep theirs).
  virtual bool SizesWithFont() const { return autoSize_; }

 private:
  Integer maxLength_ = 0;
  bool readOnly_ = false;
  Char passwordChar_ = 0;
  TBorderStyle borderStyle_ = bsSingle;
  bool autoSize_ = true;
  TAlignment alignment_ = taLeftJustify;
  String textHint_;
  TNotifyEvent onChange_;
};

class TEdit : public TCustomEdit {
  TW_CLASS(TEdit, TCustomEdit)
  using TCustomEdit::TCustomEdit;
};

class TMemoStrings;

// A multi-line edit. Lines is the text as lines: setting it sets the window's text (lines
// joined by CR LF), and it reads the window's text again after the user typed.
class TCustomMemo : public TCustomEdit {
  TW_CLASS(TCustomMemo, TCustomEdit)
  explicit TCustomMemo(TComponent* owner);
  ~TCustomMemo() override;

  TStringList* Lines() const;
  void SetLines(const TStringList* lines);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle s);
  // On: long lines wrap at the right edge (no horizontal scrolling).
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  // Enter makes a new line (off: it goes to the form, which clicks the default button).
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v);
  // Tab goes into the text (off: it moves the focus on).
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool v) { wantTabs_ = v; }
  String Text() const override;
  void SetText(const String& text) override;
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  bool SizesWithFont() const override { return false; }

 private:
  friend class TMemoStrings;
  std::unique_ptr<TMemoStrings> lines_;
  TScrollStyle scrollBars_ = ssNone;
  bool wordWrap_ = true;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
};

class TMemo : public TCustomMemo {
  TW_CLASS(TMemo, TCustomMemo)
  using TCustomMemo::TCustomMemo;
};

// ---- buttons ----------------------------------------------------------------------------

class TButtonControl : public TSystemControl {
  TW_CLASS(TButtonControl, TSystemControl)
  explicit TButtonControl(TComponent* owner);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);

 protected:
  // The BUTTON style bits of the kind of button (BS_PUSHBUTTON, BS_3STATE ...).
  virtual Cardinal ButtonStyle() const = 0;
  void CreateParams(TCreateParams& params) override;
  bool wordWrap_ = false;
};

// The space a push button keeps around its image.
class TImageMargins : public TPersistent {
  TW_CLASS(TImageMargins, TPersistent)
  Integer Left() const { return left_; }
  Integer Top() const { return top_; }
  Integer Right() const { return right_; }
  Integer Bottom() const { return bottom_; }
  void SetLeft(Integer v) { Set(left_, v); }
  void SetTop(Integer v) { Set(top_, v); }
  void SetRight(Integer v) { Set(right_, v); }
  void SetBottom(Integer v) { Set(bottom_, v); }
  void Assign(const TPersistent* source) override;
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }

 private:
  void Set(Integer& field, Integer v);
  Integer left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
  TNotifyEvent onChange_;
};

// The push button. Images: the system draws an image of the list beside the caption, one per
// state (ImageIndex at rest and for every state without its own index; HotImageIndex under
// the mouse, PressedImageIndex pressed, DisabledImageIndex disabled, SelectedImageIndex as
// the default button), placed by ImageAlignment and ImageMargins.
class TButton : public TButtonControl {
  TW_CLASS(TButton, TButtonControl)
  explicit TButton(TComponent* owner);
  ~TButton() override;

  bool Default() const { return default_; }
  void SetDefault(bool v);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool v) { cancel_ = v; }
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult r) { modalResult_ = r; }
  TButtonStyle Style() const { return style_; }
  void SetStyle(TButtonStyle s);
  // The note a command link shows below its caption.
  const String& CommandLinkHint() const { return commandLinkHint_; }
  void SetCommandLinkHint(const String& hint);
  // Shows the shield that marks an action that needs the administrator's rights.
  bool ElevationRequired() const { return elevationRequired_; }
  void SetElevationRequired(bool v);
  // The menu a split button's arrow drops (OnDropDownClick runs first).
  TPopupMenu* DropDownMenu() const { return dropDownMenu_; }
  void SetDropDownMenu(TPopupMenu* menu);
  TNotifyEvent OnDropDownClick() const { return onDropDownClick_; }
  void SetOnDropDownClick(TNotifyEvent e) { onDropDownClick_ = e; }

  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* list);
  Integer ImageIndex() const { return imageIndex_[0]; }
  void SetImageIndex(Integer v) { SetStateImage(0, v); }
  Integer HotImageIndex() const { return imageIndex_[1]; }
  void SetHotImageIndex(Integer v) { SetStateImage(1, v); }
  Integer PressedImageIndex() const { return imageIndex_[2]; }
  void SetPressedImageIndex(Integer v) { SetStateImage(2, v); }
  Integer DisabledImageIndex() const { return imageIndex_[3]; }
  void SetDisabledImageIndex(Integer v) { SetStateImage(3, v); }
  Integer SelectedImageIndex() const { return imageIndex_[4]; }
  void SetSelectedImageIndex(Integer v) { SetStateImage(4, v); }
  TImageAlignment ImageAlignment() const { return imageAlignment_; }
  void SetImageAlignment(TImageAlignment a);
  TImageMargins* ImageMargins() const { return imageMargins_.get(); }
  void SetImageMargins(const TImageMargins* m) { imageMargins_->Assign(m); }

  // Sets the form's ModalResult from the button's, then OnClick.
  void Click() override;
  void Dispatch(TMessage& message) override;

 protected:
  Cardinal ButtonStyle() const override;
  void HandleCreated() override;
  void DestroyWnd() override;
  void Command(Word code, TMessage& message) override;
  bool Notify(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;
  // Shows the button as the default one (thick frame) or not.
  virtual void SetButtonStyle(bool isDefault);
  // True while the button is the one Enter clicks.
  bool Active() const { return active_; }

 private:
  void SetStateImage(Integer state, Integer index);
  void ImagesChanged(TObject*);
  // Gives the window the state images (one list of six, made from Images), or none.
  void UpdateImageList();
  // The split part was clicked: OnDropDownClick, then DropDownMenu below the button.
  void DropDown();
  bool default_ = false;
  bool cancel_ = false;
  bool active_ = false;
  TModalResult modalResult_ = mrNone;
  TButtonStyle style_ = bsPushButton;
  String commandLinkHint_;
  bool elevationRequired_ = false;
  TPopupMenu* dropDownMenu_ = nullptr;
  TNotifyEvent onDropDownClick_;
  TCustomImageList* images_ = nullptr;
  std::unique_ptr<TChangeLink> imagesLink_;
  Integer imageIndex_[5] = {-1, -1, -1, -1, -1};
  TImageAlignment imageAlignment_ = iaLeft;
  std::unique_ptr<TImageMargins> imageMargins_;
  TOwnedImageList stateImages_;  // the list the window shows
};

// A check box: two states, or three with AllowGrayed (a click goes unchecked, checked,
// grayed). Alignment taRightJustify (the default) puts the caption right of the box.
class TCustomCheckBox : public TButtonControl {
  TW_CLASS(TCustomCheckBox, TButtonControl)
  explicit TCustomCheckBox(TComponent* owner);

  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState s);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return allowGrayed_; }
  void SetAllowGrayed(bool v) { allowGrayed_ = v; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  // The next state a click gives.
  virtual void Toggle();
  void Dispatch(TMessage& message) override;

 protected:
  Cardinal ButtonStyle() const override;
  void HandleCreated() override;
  void Command(Word code, TMessage& message) override;

 private:
  TCheckBoxState state_ = cbUnchecked;
  bool allowGrayed_ = false;
  TAlignment alignment_ = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
  TW_CLASS(TCheckBox, TCustomCheckBox)
  using TCustomCheckBox::TCustomCheckBox;
};

// A radio button: checking it unchecks the other radio buttons of the same parent.
class TRadioButton : public TButtonControl {
  TW_CLASS(TRadioButton, TButtonControl)
  explicit TRadioButton(TComponent* owner);

  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  void Dispatch(TMessage& message) override;

 protected:
  Cardinal ButtonStyle() const override;
  void HandleCreated() override;
  void Command(Word code, TMessage& message) override;

 private:
  bool checked_ = false;
  TAlignment alignment_ = taRightJustify;
};

// ---- group box and static text ----------------------------------------------------------

// A frame with a caption around a group of controls (the system's group box). Its children
// are placed inside the frame, below the caption.
class TCustomGroupBox : public TSystemControl {
  TW_CLASS(TCustomGroupBox, TSystemControl)
  explicit TCustomGroupBox(TComponent* owner);
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void AdjustClientRect(TRect& rect) override;
};

class TGroupBox : public TCustomGroupBox {
  TW_CLASS(TGroupBox, TCustomGroupBox)
  using TCustomGroupBox::TCustomGroupBox;
};

// Text in a window of its own (the system's static control): it can take the focus's place
// for an accelerator (FocusControl), have a border and the bevels of a windowed control.
class TCustomStaticText : public TSystemControl {
  TW_CLASS(TCustomStaticText, TSystemControl)
  explicit TCustomStaticText(TComponent* owner);
  ~TCustomStaticText() override;

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  TStaticBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TStaticBorderStyle s);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  // The control its accelerator focuses.
  TWinControl* FocusControl() const { return focusControl_; }
  void SetFocusControl(TWinControl* c);
  // Fits the size to the caption.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v);
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Command(Word code, TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;
  void Loaded() override;
  void AdjustBounds();

 private:
  TAlignment alignment_ = taLeftJustify;
  TStaticBorderStyle borderStyle_ = sbsNone;
  bool showAccelChar_ = true;
  bool autoSize_ = true;
  TWinControl* focusControl_ = nullptr;
};

class TStaticText : public TCustomStaticText {
  TW_CLASS(TStaticText, TCustomStaticText)
  using TCustomStaticText::TCustomStaticText;
};

// ---- list box and combo box -------------------------------------------------------------

// A list of strings with objects; Items is the list, which the window follows.
class TCustomListBox : public TSystemControl, public TWindowStringsHost {
  TW_CLASS(TCustomListBox, TSystemControl)
  explicit TCustomListBox(TComponent* owner);
  ~TCustomListBox() override;

  TStringList* Items() const;
  void SetItems(const TStringList* items);
  Integer Count() const;
  // The selected item (with MultiSelect: the focused one); -1 for none.
  Integer ItemIndex() const;
  void SetItemIndex(Integer index);
  bool Selected(Integer index) const;
  void SetSelected(Integer index, bool value);
  Integer SelCount() const;
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool v);
  // With MultiSelect: Shift and Ctrl extend the selection (off: every click toggles).
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool v);
  // The items stay sorted (by the list's comparison, case-insensitive).
  bool Sorted() const;
  void SetSorted(bool v);
  // Items in this many columns, filled top to bottom (0: one column, scrolled vertically).
  Integer Columns() const { return columns_; }
  void SetColumns(Integer n);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle s);
  // The height of an item of an owner-draw fixed list (0: the font's).
  Integer ItemHeight() const;
  void SetItemHeight(Integer h);
  // The height is a whole number of items.
  bool IntegralHeight() const { return integralHeight_; }
  void SetIntegralHeight(bool v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle s);
  Integer TopIndex() const;
  void SetTopIndex(Integer index);
  // The item at a client point; -1 when there is none (existing: only an item's own area).
  Integer ItemAtPos(TPoint p, bool existing) const;
  TRect ItemRect(Integer index) const;
  void Clear() { Items()->Clear(); }
  TDrawItemEvent OnDrawItem() const { return onDrawItem_; }
  void SetOnDrawItem(TDrawItemEvent e) { onDrawItem_ = e; }
  TMeasureItemEvent OnMeasureItem() const { return onMeasureItem_; }
  void SetOnMeasureItem(TMeasureItemEvent e) { onMeasureItem_ = e; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void DestroyWnd() override;
  void Command(Word code, TMessage& message) override;
  void DrawOwnerItem(const TOwnerDrawItem& item) override;
  void MeasureOwnerItem(Integer index, Integer& height, Integer& width) override;
  // The plain look of an owner-drawn item: the selection colours and the text.
  virtual void DrawItem(Integer index, const TRect& rect, TOwnerDrawState state);
  // TWindowStringsHost
  bool StringsWindowReady() const override { return WindowHandle() != nullptr; }
  void InsertWindowString(Integer index, const String& text, TObject* object) override;
  void DeleteWindowString(Integer index) override;
  void ClearWindowStrings() override;

 private:
  std::unique_ptr<TWindowStrings> items_;
  Integer itemIndex_ = -1;              // kept while there is no window
  std::vector<Integer> selectedItems_;  // with MultiSelect, kept while there is no window
  bool selectionKept_ = false;          // selectedItems_ came from a multi-selection window
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  Integer columns_ = 0;
  TListBoxStyle style_ = lbStandard;
  Integer itemHeight_ = 0;
  bool integralHeight_ = false;
  TBorderStyle borderStyle_ = bsSingle;
  TDrawItemEvent onDrawItem_;
  TMeasureItemEvent onMeasureItem_;
};

class TListBox : public TCustomListBox {
  TW_CLASS(TListBox, TCustomListBox)
  using TCustomListBox::TCustomListBox;
};

// A combo box: an edit (or a static field for the drop-down list styles) and a list that
// drops below it (or stays, csSimple). EditHandle and ListHandle are the system's child
// windows; Text is the edit field's text.
class TCustomComboBox : public TSystemControl, public TWindowStringsHost {
  TW_CLASS(TCustomComboBox, TSystemControl)
  explicit TCustomComboBox(TComponent* owner);
  ~TCustomComboBox() override;

  TStringList* Items() const;
  void SetItems(const TStringList* items);
  Integer ItemIndex() const;
  void SetItemIndex(Integer index);
  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle s);
  bool Sorted() const;
  void SetSorted(bool v);
  // How many items the dropped list shows at most before it scrolls.
  Integer DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(Integer n);
  Integer MaxLength() const { return maxLength_; }
  void SetMaxLength(Integer n);
  Integer ItemHeight() const;
  void SetItemHeight(Integer h);
  bool DroppedDown() const;
  void SetDroppedDown(bool v);
  // The edit field (none for the drop-down list styles) and the list window.
  HWND EditHandle() const { return editHandle_; }
  HWND ListHandle() const { return listHandle_; }
  String Text() const override;
  void SetText(const String& text) override;
  void Clear();

  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }
  TNotifyEvent OnSelect() const { return onSelect_; }
  void SetOnSelect(TNotifyEvent e) { onSelect_ = e; }
  TNotifyEvent OnDropDown() const { return onDropDown_; }
  void SetOnDropDown(TNotifyEvent e) { onDropDown_ = e; }
  TNotifyEvent OnCloseUp() const { return onCloseUp_; }
  void SetOnCloseUp(TNotifyEvent e) { onCloseUp_ = e; }
  TDrawItemEvent OnDrawItem() const { return onDrawItem_; }
  void SetOnDrawItem(TDrawItemEvent e) { onDrawItem_ = e; }
  TMeasureItemEvent OnMeasureItem() const { return onMeasureItem_; }
  void SetOnMeasureItem(TMeasureItemEvent e) { onMeasureItem_ = e; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void DestroyWnd() override;
  void Command(Word code, TMessage& message) override;
  void DrawOwnerItem(const TOwnerDrawItem& item) override;
  void MeasureOwnerItem(Integer index, Integer& height, Integer& width) override;
  virtual void DrawItem(Integer index, const TRect& rect, TOwnerDrawState state);
  virtual void Change() { onChange_.Call(this); }
  virtual void Select();
  virtual void DropDown() { onDropDown_.Call(this); }
  virtual void CloseUp() { onCloseUp_.Call(this); }
  bool StringsWindowReady() const override { return WindowHandle() != nullptr; }
  void InsertWindowString(Integer index, const String& text, TObject* object) override;
  void DeleteWindowString(Integer index) override;
  void ClearWindowStrings() override;

 private:
  std::unique_ptr<TWindowStrings> items_;
  Integer itemIndex_ = -1;
  TComboBoxStyle style_ = csDropDown;
  Integer dropDownCount_ = 8;
  Integer maxLength_ = 0;
  Integer itemHeight_ = 0;
  HWND editHandle_ = nullptr;
  HWND listHandle_ = nullptr;
  TNotifyEvent onChange_, onSelect_, onDropDown_, onCloseUp_;
  TDrawItemEvent onDrawItem_;
  TMeasureItemEvent onMeasureItem_;
};

class TComboBox : public TCustomComboBox {
  TW_CLASS(TComboBox, TCustomComboBox)
  using TCustomComboBox::TCustomComboBox;
};

// ---- scroll bar -------------------------------------------------------------------------

// A scroll bar control. A scroll request (the arrows, the track, the thumb) goes to Scroll:
// OnScroll may change the position it computed, then Position is set and OnChange runs
// when it changed.
class TScrollBar : public TSystemControl {
  TW_CLASS(TScrollBar, TSystemControl)
  explicit TScrollBar(TComponent* owner);

  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind k);
  Integer Min() const { return min_; }
  void SetMin(Integer v) { SetParams(position_, v, max_); }
  Integer Max() const { return max_; }
  void SetMax(Integer v) { SetParams(position_, min_, v); }
  Integer Position() const { return position_; }
  void SetPosition(Integer v) { SetParams(v, min_, max_); }
  // Raises EInvalidOperation "Scroll bar property out of range" for max < min.
  void SetParams(Integer position, Integer min, Integer max);
  // The thumb's size in positions (0: the system's square thumb); at most Max - Min + 1.
  Integer PageSize() const { return pageSize_; }
  void SetPageSize(Integer v);
  Integer SmallChange() const { return smallChange_; }
  void SetSmallChange(Integer v) { smallChange_ = v; }
  Integer LargeChange() const { return largeChange_; }
  void SetLargeChange(Integer v) { largeChange_ = v; }
  TScrollEvent OnScroll() const { return onScroll_; }
  void SetOnScroll(TScrollEvent e) { onScroll_ = e; }
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Loaded() override;
  virtual void Scroll(TScrollCode code, Integer& position) { onScroll_.Call(this, code, position); }
  virtual void Change();

 private:
  void ScrollRequest(TMessage& m);
  void SendParams();
  TScrollBarKind kind_ = sbHorizontal;
  Integer min_ = 0, max_ = 100, position_ = 0, pageSize_ = 0, smallChange_ = 1, largeChange_ = 1;
  TScrollEvent onScroll_;
  TNotifyEvent onChange_;
};

#endif
