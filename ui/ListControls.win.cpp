// The list box and the combo box over the system's LISTBOX and COMBOBOX classes. Their Items
// are TWindowStrings: the window follows the list by the smallest edit; the strings are kept
// in the window (LBS_HASSTRINGS, CBS_HASSTRINGS also when owner-drawn) and each item's data
// value is its object. Sorting is the list's: items go in at the index the list gives them
// (LB_INSERTSTRING, which leaves them where they are put), while the window's sort style
// tells readers of the window that it is sorted.
//
// Sections:
//   1. TCustomListBox
//   2. TCustomComboBox
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "CommonProperties.h"
#include "GdiScopes.h"
#include "StdCtrls.h"

namespace {

// The plain look of an owner-drawn list item: highlight when selected, the text, the focus
// rectangle.
void DrawPlainItem(TCanvas* canvas, const String& text, const TRect& rect, TOwnerDrawState state) {
  if (state.Contains(odSelected)) {
    canvas->Brush()->SetColor(clHighlight);
    canvas->Font()->SetColor(clHighlightText);
  }
  canvas->FillRect(rect);
  canvas->Brush()->SetStyle(bsClear);
  HDC dc = canvas->Handle();
  RECT r{rect.Left + 2, rect.Top, rect.Right, rect.Bottom};
  DrawTextW(dc, WideStr(text), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (state.Contains(odFocused) && !state.Contains(odNoFocusRect)) canvas->DrawFocusRect(rect);
}

}  // namespace

// ---- 1. TCustomListBox ----------------------------------------------------------------

TW_DEFINE_CLASS(TCustomListBox) {}

TW_DEFINE_CLASS(TListBox) {
  PublishCommon(b, clWindow, false);
  PublishFocus(b, true);
  PublishBevels(b);
  b.Property(u"Items", &TListBox::Items, &TListBox::SetItems);
  b.Property(u"Style", &TListBox::Style, &TListBox::SetStyle).Default(lbStandard);
  b.Property(u"MultiSelect", &TListBox::MultiSelect, &TListBox::SetMultiSelect).Default(false);
  b.Property(u"ExtendedSelect", &TListBox::ExtendedSelect, &TListBox::SetExtendedSelect).Default(true);
  b.Property(u"Sorted", &TListBox::Sorted, &TListBox::SetSorted).Default(false);
  b.Property(u"Columns", &TListBox::Columns, &TListBox::SetColumns).Default(0);
  b.Property(u"ItemHeight", &TListBox::ItemHeight, &TListBox::SetItemHeight).Stored([](const TListBox& l) {
    return l.Style() != lbStandard;
  });
  b.Property(u"IntegralHeight", &TListBox::IntegralHeight, &TListBox::SetIntegralHeight).Default(false);
  b.Property(u"BorderStyle", &TListBox::BorderStyle, &TListBox::SetBorderStyle).Default(bsSingle);
  b.Property(u"ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex).Default(-1);
  b.Property(u"OnDrawItem", &TListBox::OnDrawItem, &TListBox::SetOnDrawItem);
  b.Property(u"OnMeasureItem", &TListBox::OnMeasureItem, &TListBox::SetOnMeasureItem);
}

TCustomListBox::TCustomListBox(TComponent* owner)
    : TSystemControl(owner, u"LISTBOX"), items_(std::make_unique<TWindowStrings>(this)) {
  // A double click counts on an item only: the list says so (LBN_DBLCLK).
  SetControlStyle(TControlStyle{csSetCaption});
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomListBox::~TCustomListBox() = default;

TStringList* TCustomListBox::Items() const { return items_.get(); }
void TCustomListBox::SetItems(const TStringList* items) { items_->Assign(items); }
Integer TCustomListBox::Count() const { return items_->Count(); }

void TCustomListBox::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  p.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS;
  if (!integralHeight_) p.Style |= LBS_NOINTEGRALHEIGHT;
  if (items_->Sorted()) p.Style |= LBS_SORT;
  if (multiSelect_) p.Style |= extendedSelect_ ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
  if (columns_ > 0) p.Style |= LBS_MULTICOLUMN | WS_HSCROLL;
  if (style_ == lbOwnerDrawFixed) p.Style |= LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) p.Style |= LBS_OWNERDRAWVARIABLE;
  AddSystemBorder(p, borderStyle_ == bsSingle);
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomListBox::HandleCreated() {
  TSystemControl::HandleCreated();
  if (style_ == lbOwnerDrawFixed && itemHeight_ > 0) SendToWindow(LB_SETITEMHEIGHT, 0, itemHeight_);
  if (columns_ > 0) SendToWindow(LB_SETCOLUMNWIDTH, static_cast<WPARAM>(std::max(Width() / columns_, 1)), 0);
  items_->WindowCreated();
  if (multiSelect_ && selectionKept_) {
    for (Integer index : selectedItems_)
      if (index < Count()) SendToWindow(LB_SETSEL, TRUE, index);
    if (itemIndex_ >= 0 && itemIndex_ < Count()) SendToWindow(LB_SETCARETINDEX, static_cast<WPARAM>(itemIndex_), FALSE);
  } else {
    SetItemIndex(itemIndex_);
  }
  selectedItems_.clear();
  selectionKept_ = false;
}

void TCustomListBox::DestroyWnd() {
  // The selection stays with the control while the window is made again: every selected item
  // of a multi-selection list, not only the focused one.
  if (HandleAllocated()) {
    itemIndex_ = ItemIndex();
    selectedItems_.clear();
    selectionKept_ = (GetWindowLongW(Handle(), GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0;
    if (selectionKept_) {
      const LRESULT count = SendToWindow(LB_GETSELCOUNT);
      if (count > 0) {
        selectedItems_.resize(static_cast<size_t>(count));
        const LRESULT got =
            SendToWindow(LB_GETSELITEMS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(selectedItems_.data()));
        selectedItems_.resize(static_cast<size_t>(std::max<LRESULT>(got, 0)));
      }
    }
  }
  TSystemControl::DestroyWnd();
  items_->WindowDestroyed();
}

void TCustomListBox::InsertWindowString(Integer index, const String& text, TObject* object) {
  const LRESULT at = SendToWindow(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  if (at >= 0) SendToWindow(LB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(object));
}

void TCustomListBox::DeleteWindowString(Integer index) { SendToWindow(LB_DELETESTRING, static_cast<WPARAM>(index), 0); }

void TCustomListBox::ClearWindowStrings() { SendToWindow(LB_RESETCONTENT); }

Integer TCustomListBox::ItemIndex() const {
  if (!HandleAllocated()) return itemIndex_;
  return static_cast<Integer>(SendToWindow(multiSelect_ ? LB_GETCARETINDEX : LB_GETCURSEL));
}

void TCustomListBox::SetItemIndex(Integer index) {
  if (!HandleAllocated()) {
    itemIndex_ = index;
    selectionKept_ = false;  // the one item asked for replaces a kept selection
    selectedItems_.clear();
    return;
  }
  if (index >= Count()) index = -1;
  if (multiSelect_) {
    SendToWindow(LB_SELITEMRANGE, FALSE, MAKELPARAM(0, 0xFFFF));
    if (index >= 0) SendToWindow(LB_SETSEL, TRUE, index);
    SendToWindow(LB_SETCARETINDEX, static_cast<WPARAM>(std::max(index, 0)), FALSE);
  } else {
    SendToWindow(LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

bool TCustomListBox::Selected(Integer index) const {
  if (index < 0 || index >= Count()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  if (!HandleAllocated())
    return multiSelect_ && selectionKept_
               ? std::find(selectedItems_.begin(), selectedItems_.end(), index) != selectedItems_.end()
               : index == itemIndex_;
  return SendToWindow(LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void TCustomListBox::SetSelected(Integer index, bool value) {
  if (index < 0 || index >= Count()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  HandleNeeded();
  if (multiSelect_)
    SendToWindow(LB_SETSEL, value, index);
  else if (value)
    SendToWindow(LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  else if (ItemIndex() == index)
    SendToWindow(LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

Integer TCustomListBox::SelCount() const {
  if (!multiSelect_) return ItemIndex() >= 0 ? 1 : 0;
  return HandleAllocated() ? static_cast<Integer>(SendToWindow(LB_GETSELCOUNT))
         : selectionKept_  ? Integer(selectedItems_.size())
                           : (itemIndex_ >= 0 ? 1 : 0);
}

void TCustomListBox::SetMultiSelect(bool v) {
  if (v == multiSelect_) return;
  multiSelect_ = v;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool v) {
  if (v == extendedSelect_) return;
  extendedSelect_ = v;
  if (multiSelect_) RecreateWnd();
}

bool TCustomListBox::Sorted() const { return items_->Sorted(); }

void TCustomListBox::SetSorted(bool v) {
  if (v == items_->Sorted()) return;
  items_->SetSorted(v);  // sorts the list; the window follows it
  ChangeStyle(LBS_SORT, v, false);
}

void TCustomListBox::SetColumns(Integer n) {
  n = std::max(n, 0);
  if (n == columns_) return;
  const bool multi = (n > 0) != (columns_ > 0);
  columns_ = n;
  if (multi)
    RecreateWnd();
  else if (n > 0)
    SendToWindow(LB_SETCOLUMNWIDTH, static_cast<WPARAM>(std::max(Width() / n, 1)), 0);
}

void TCustomListBox::SetStyle(TListBoxStyle s) {
  if (s == style_) return;
  style_ = s;
  RecreateWnd();
}

Integer TCustomListBox::ItemHeight() const {
  if (HandleAllocated() && style_ != lbOwnerDrawVariable) return static_cast<Integer>(SendToWindow(LB_GETITEMHEIGHT));
  return itemHeight_;
}

void TCustomListBox::SetItemHeight(Integer h) {
  if (h <= 0 || h == itemHeight_) return;
  itemHeight_ = h;
  if (style_ == lbOwnerDrawFixed) RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool v) {
  if (v == integralHeight_) return;
  integralHeight_ = v;
  RecreateWnd();
}

void TCustomListBox::SetBorderStyle(TBorderStyle s) {
  if (s != bsNone && s != bsSingle) throw EInvalidOperation("A list's border is bsNone or bsSingle");
  if (s == borderStyle_) return;
  borderStyle_ = s;
  RecreateWnd();
}

Integer TCustomListBox::TopIndex() const { return static_cast<Integer>(SendToWindow(LB_GETTOPINDEX)); }
void TCustomListBox::SetTopIndex(Integer index) { SendToWindow(LB_SETTOPINDEX, static_cast<WPARAM>(index), 0); }

Integer TCustomListBox::ItemAtPos(TPoint p, bool existing) const {
  if (!HandleAllocated()) return -1;
  const LRESULT r = SendToWindow(LB_ITEMFROMPOINT, 0, MAKELPARAM(p.X, p.Y));
  const Integer index = LOWORD(r);
  if (HIWORD(r) != 0) return existing ? -1 : (Count() > 0 ? Count() : -1);
  return index;
}

TRect TCustomListBox::ItemRect(Integer index) const {
  RECT r{};
  if (SendToWindow(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r)) == LB_ERR) return {};
  return {r.left, r.top, r.right, r.bottom};
}

void TCustomListBox::Command(Word code, TMessage& m) {
  switch (code) {
    case LBN_SELCHANGE:
      Changed();
      Click();
      break;
    case LBN_DBLCLK: DblClick(); break;
  }
  TSystemControl::Command(code, m);
}

void TCustomListBox::DrawOwnerItem(const TOwnerDrawItem& item) {
  if (item.Index < 0 || item.Index >= Count()) {
    // An empty list still shows where the focus is.
    if (item.State.Contains(odFocused)) Canvas()->DrawFocusRect(item.Rect);
    return;
  }
  if (onDrawItem_)
    onDrawItem_(this, item.Index, item.Rect, item.State);
  else
    DrawItem(item.Index, item.Rect, item.State);
}

void TCustomListBox::DrawItem(Integer index, const TRect& rect, TOwnerDrawState state) {
  DrawPlainItem(Canvas(), items_->Strings(index), rect, state);
}

void TCustomListBox::MeasureOwnerItem(Integer index, Integer& height, Integer& /*width*/) {
  if (itemHeight_ > 0) height = itemHeight_;
  if (style_ == lbOwnerDrawVariable) onMeasureItem_.Call(this, index, height);
}

void TCustomListBox::Dispatch(TMessage& m) {
  TSystemControl::Dispatch(m);
  if (m.Msg == WM_SIZE && columns_ > 0)
    SendToWindow(LB_SETCOLUMNWIDTH, static_cast<WPARAM>(std::max(Width() / columns_, 1)), 0);
}

// ---- 2. TCustomComboBox ---------------------------------------------------------------

TW_DEFINE_CLASS(TCustomComboBox) {}

TW_DEFINE_CLASS(TComboBox) {
  PublishCommon(b, clWindow, false);
  PublishFocus(b, true);
  PublishBevels(b);
  b.Property(u"Style", &TComboBox::Style, &TComboBox::SetStyle).Default(csDropDown);
  b.Property(u"Items", &TComboBox::Items, &TComboBox::SetItems);
  b.Property(u"Sorted", &TComboBox::Sorted, &TComboBox::SetSorted).Default(false);
  b.Property(u"ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex).Default(-1);
  b.Property(u"Text", &TComboBox::Text, &TComboBox::SetText);
  b.Property(u"DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount).Default(8);
  b.Property(u"MaxLength", &TComboBox::MaxLength, &TComboBox::SetMaxLength).Default(0);
  b.Property(u"ItemHeight", &TComboBox::ItemHeight, &TComboBox::SetItemHeight).Stored([](const TComboBox& c) {
    return c.Style() == csOwnerDrawFixed || c.Style() == csOwnerDrawVariable;
  });
  b.Property(u"OnChange", &TComboBox::OnChange, &TComboBox::SetOnChange);
  b.Property(u"OnSelect", &TComboBox::OnSelect, &TComboBox::SetOnSelect);
  b.Property(u"OnDropDown", &TComboBox::OnDropDown, &TComboBox::SetOnDropDown);
  b.Property(u"OnCloseUp", &TComboBox::OnCloseUp, &TComboBox::SetOnCloseUp);
  b.Property(u"OnDrawItem", &TComboBox::OnDrawItem, &TComboBox::SetOnDrawItem);
  b.Property(u"OnMeasureItem", &TComboBox::OnMeasureItem, &TComboBox::SetOnMeasureItem);
}

TCustomComboBox::TCustomComboBox(TComponent* owner)
    : TSystemControl(owner, u"COMBOBOX"), items_(std::make_unique<TWindowStrings>(this)) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 145, 25);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomComboBox::~TCustomComboBox() = default;

TStringList* TCustomComboBox::Items() const { return items_.get(); }
void TCustomComboBox::SetItems(const TStringList* items) { items_->Assign(items); }

void TCustomComboBox::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  static constexpr Cardinal kStyle[] = {CBS_DROPDOWN, CBS_SIMPLE, CBS_DROPDOWNLIST,
                                        CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED,
                                        CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE};
  p.Style |= WS_VSCROLL | CBS_AUTOHSCROLL | CBS_HASSTRINGS | kStyle[style_];
  if (items_->Sorted()) p.Style |= CBS_SORT;
  // A drop-down combo box's window is its closed height; a simple one shows its list below.
  if (style_ == csSimple) p.Height = std::max(p.Height, 100);
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomComboBox::HandleCreated() {
  TSystemControl::HandleCreated();
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(WindowHandle(), &info)) {
    editHandle_ = info.hwndItem != WindowHandle() ? info.hwndItem : nullptr;
    listHandle_ = info.hwndList;
  }
  if (maxLength_ > 0) SendToWindow(CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
  if ((style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) && itemHeight_ > 0) {
    SendToWindow(CB_SETITEMHEIGHT, 0, itemHeight_);
    SendToWindow(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), itemHeight_);
  }
  SendToWindow(CB_SETMINVISIBLE, static_cast<WPARAM>(dropDownCount_), 0);
  // The window took no text when it was made: the control's goes into the edit field.
  const String text = text_;
  items_->WindowCreated();
  if (itemIndex_ >= 0)
    SetItemIndex(itemIndex_);
  else if (!text.empty() && (style_ == csDropDown || style_ == csSimple))
    SetWindowTextW(WindowHandle(), WideStr(text));
}

void TCustomComboBox::DestroyWnd() {
  if (HandleAllocated()) itemIndex_ = ItemIndex();
  TSystemControl::DestroyWnd();
  items_->WindowDestroyed();
  editHandle_ = listHandle_ = nullptr;
}

void TCustomComboBox::InsertWindowString(Integer index, const String& text, TObject* object) {
  const LRESULT at = SendToWindow(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  if (at >= 0) SendToWindow(CB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(object));
}

void TCustomComboBox::DeleteWindowString(Integer index) {
  SendToWindow(CB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void TCustomComboBox::ClearWindowStrings() {
  // CB_RESETCONTENT also empties the edit field: the text stays what it was.
  const String text = TWinControl::Text();
  SendToWindow(CB_RESETCONTENT);
  if (!text.empty() && editHandle_) SetWindowTextW(WindowHandle(), WideStr(text));
}

Integer TCustomComboBox::ItemIndex() const {
  return HandleAllocated() ? static_cast<Integer>(SendToWindow(CB_GETCURSEL)) : itemIndex_;
}

void TCustomComboBox::SetItemIndex(Integer index) {
  if (!HandleAllocated()) {
    itemIndex_ = index;
    if (index >= 0 && index < items_->Count()) text_ = items_->Strings(index);
    return;
  }
  if (index >= items_->Count()) index = -1;
  SendToWindow(CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

String TCustomComboBox::Text() const { return TSystemControl::Text(); }

void TCustomComboBox::SetText(const String& text) {
  // The drop-down list styles show only items: the text selects the item it names.
  if (style_ != csDropDown && style_ != csSimple) {
    const Integer index = items_->IndexOf(text);
    SetItemIndex(index);
    if (!HandleAllocated()) text_ = index >= 0 ? text : String();
    Perform(CM_TEXTCHANGED, 0, 0);
    return;
  }
  TSystemControl::SetText(text);
}

void TCustomComboBox::Clear() {
  items_->Clear();
  SetText(String());
}

void TCustomComboBox::SetStyle(TComboBoxStyle s) {
  if (s == style_) return;
  style_ = s;
  RecreateWnd();
}

bool TCustomComboBox::Sorted() const { return items_->Sorted(); }

void TCustomComboBox::SetSorted(bool v) {
  if (v == items_->Sorted()) return;
  items_->SetSorted(v);
  ChangeStyle(CBS_SORT, v, false);
}

void TCustomComboBox::SetDropDownCount(Integer n) {
  dropDownCount_ = std::max(n, 1);
  SendToWindow(CB_SETMINVISIBLE, static_cast<WPARAM>(dropDownCount_), 0);
}

void TCustomComboBox::SetMaxLength(Integer n) {
  maxLength_ = std::max(n, 0);
  SendToWindow(CB_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

Integer TCustomComboBox::ItemHeight() const {
  if (HandleAllocated() && style_ != csOwnerDrawVariable)
    return static_cast<Integer>(SendToWindow(CB_GETITEMHEIGHT, 0, 0));
  return itemHeight_;
}

void TCustomComboBox::SetItemHeight(Integer h) {
  if (h <= 0 || h == itemHeight_) return;
  itemHeight_ = h;
  if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) RecreateWnd();
}

bool TCustomComboBox::DroppedDown() const { return SendToWindow(CB_GETDROPPEDSTATE) != 0; }
void TCustomComboBox::SetDroppedDown(bool v) {
  SendMessageW(const_cast<TCustomComboBox*>(this)->Handle(), CB_SHOWDROPDOWN, v, 0);
}

void TCustomComboBox::Select() {
  if (onSelect_)
    onSelect_(this);
  else
    Change();
}

void TCustomComboBox::Command(Word code, TMessage& m) {
  switch (code) {
    case CBN_EDITCHANGE:
      Changed();
      Change();
      break;
    case CBN_SELCHANGE:
      Changed();
      Click();
      Select();
      break;
    case CBN_DROPDOWN: DropDown(); break;
    case CBN_CLOSEUP:
      CloseUp();
      Perform(CN_DROPDOWNCLOSED, 0, 0);
      break;
    case CBN_SETFOCUS:
      // The edit field got the focus: the form counts the combo box as focused.
      if (TCustomForm* f = GetParentForm(this)) f->SetFocusedControl(this);
      break;
  }
  TSystemControl::Command(code, m);
}

void TCustomComboBox::DrawOwnerItem(const TOwnerDrawItem& item) {
  if (item.Index >= 0 && item.Index < items_->Count() && onDrawItem_) {
    onDrawItem_(this, item.Index, item.Rect, item.State);
    return;
  }
  DrawItem(item.Index, item.Rect, item.State);
}

void TCustomComboBox::DrawItem(Integer index, const TRect& rect, TOwnerDrawState state) {
  const String text = index >= 0 && index < items_->Count() ? items_->Strings(index) : String();
  DrawPlainItem(Canvas(), text, rect, state);
}

void TCustomComboBox::MeasureOwnerItem(Integer index, Integer& height, Integer& /*width*/) {
  if (itemHeight_ > 0) height = itemHeight_;
  if (style_ == csOwnerDrawVariable && index >= 0) onMeasureItem_.Call(this, index, height);
}

void TCustomComboBox::Dispatch(TMessage& m) { TSystemControl::Dispatch(m); }
