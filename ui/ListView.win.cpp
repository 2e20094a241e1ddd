// The list view over the system's SysListView32: columns, items (caption, sub-items, images,
// state), the three image lists, selection, OwnerData, custom draw.
//
// The items are the control's: each window item is made from one (its data value is the
// TListItem) whenever the window is made, at the same index. The window shares the image
// lists (LVS_SHAREIMAGELISTS): they stay the control's.
//
// Sections:
//   1. TListColumn, TListColumns
//   2. TListItem
//   3. TListItems
//   4. TCustomListView: properties and the window
//   5. TCustomListView: notifications and custom draw
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "ComCtrls.h"
#include "CommonProperties.h"
#include "ImgList.h"
#include "ScopeGuard.h"
#include "StoredItems.h"

// ---- 1. TListColumn, TListColumns -----------------------------------------------------

TW_DEFINE_CLASS(TListColumn) {
  b.Property(u"Caption", &TListColumn::Caption, &TListColumn::SetCaption);
  b.Property(u"Width", &TListColumn::Width, &TListColumn::SetWidth).Default(50);
  b.Property(u"Alignment", &TListColumn::Alignment, &TListColumn::SetAlignment).Default(taLeftJustify);
  b.Property(u"ImageIndex", &TListColumn::ImageIndex, &TListColumn::SetImageIndex).Default(-1);
}

TListColumn::TListColumn(TCollection* collection) : TCollectionItem(collection) {}

TCustomListView* TListColumn::ListView() const {
  auto* columns = dynamic_cast<TListColumns*>(Collection());
  return columns ? columns->ListView() : nullptr;
}

void TListColumn::Changed() { TCollectionItem::Changed(false); }

void TListColumn::SetCaption(const String& c) {
  if (c == caption_) return;
  caption_ = c;
  Changed();
}

Integer TListColumn::Width() const {
  TCustomListView* lv = ListView();
  if (lv && lv->HandleAllocated() && lv->ViewStyle() == vsReport)
    return static_cast<Integer>(SendMessageW(lv->WindowHandle(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(Index()), 0));
  return width_;
}

void TListColumn::SetWidth(Integer w) {
  width_ = w;
  Changed();
}

void TListColumn::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  Changed();
}

void TListColumn::SetImageIndex(Integer v) {
  if (v == imageIndex_) return;
  imageIndex_ = v;
  Changed();
}

void TListColumn::Assign(const TPersistent* source) {
  if (auto* c = dynamic_cast<const TListColumn*>(source)) {
    caption_ = c->caption_;
    width_ = c->Width();
    alignment_ = c->alignment_;
    imageIndex_ = c->imageIndex_;
    Changed();
    return;
  }
  TCollectionItem::Assign(source);
}

TW_DEFINE_CLASS(TListColumns) {}

TListColumns::TListColumns(TCustomListView* listView) : TCollection(TListColumn::StaticClass()), listView_(listView) {
  SetOwner(listView);
}

void TListColumns::Update(TCollectionItem* item) {
  if (item)
    listView_->UpdateWindowColumn(static_cast<TListColumn*>(item));
  else
    listView_->InsertColumns();
}

// ---- 2. TListItem ---------------------------------------------------------------------

// The sub-item texts of an item: a change reaches the window.
class TListItemSubItems : public TStringList {
 public:
  explicit TListItemSubItems(TListItem* item) : item_(item) {}

 protected:
  void Changed() override {
    TStringList::Changed();
    if (UpdateCount() == 0) item_->SubItemsChanged();
  }

 private:
  TListItem* item_;
};

TW_DEFINE_CLASS(TListItem) {}

TListItem::TListItem(TListItems* owner) : owner_(owner), subItems_(std::make_unique<TListItemSubItems>(this)) {}

TListItem::~TListItem() = default;

TCustomListView* TListItem::ListView() const { return owner_->Owner(); }

Integer TListItem::Index() const {
  if (this == owner_->temp_.get()) return dataIndex_;
  return owner_->IndexOf(this);
}

TStringList* TListItem::SubItems() const { return subItems_.get(); }
void TListItem::SetSubItems(const TStringList* s) { subItems_->Assign(s); }

void TListItem::SetCaption(const String& c) {
  if (c == caption_) return;
  caption_ = c;
  ListView()->UpdateWindowItem(this);
}

void TListItem::SetImageIndex(Integer v) {
  if (v == imageIndex_) return;
  imageIndex_ = v;
  ListView()->UpdateWindowItem(this);
}

void TListItem::SetStateIndex(Integer v) {
  if (v == stateIndex_) return;
  stateIndex_ = v;
  ListView()->UpdateWindowItem(this);
}

void TListItem::SetOverlayIndex(Integer v) {
  if (v == overlayIndex_) return;
  overlayIndex_ = v;
  ListView()->UpdateWindowItem(this);
}

void TListItem::SubItemsChanged() { ListView()->UpdateWindowItem(this); }

bool TListItem::State(Cardinal mask) const {
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return (state_ & mask) != 0;
  return (SendMessageW(lv->WindowHandle(), LVM_GETITEMSTATE, static_cast<WPARAM>(Index()), mask) & mask) != 0;
}

void TListItem::SetState(Cardinal mask, bool on) {
  state_ = on ? (state_ | mask) : (state_ & ~mask);
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return;
  LVITEMW item{};
  item.stateMask = mask;
  item.state = on ? mask : 0;
  SendMessageW(lv->WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&item));
}

bool TListItem::Selected() const { return State(LVIS_SELECTED); }
void TListItem::SetSelected(bool v) { SetState(LVIS_SELECTED, v); }
bool TListItem::Focused() const { return State(LVIS_FOCUSED); }
void TListItem::SetFocused(bool v) { SetState(LVIS_FOCUSED, v); }

bool TListItem::Checked() const {
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated() || !lv->Checkboxes()) return checked_;
  const LRESULT state =
      SendMessageW(lv->WindowHandle(), LVM_GETITEMSTATE, static_cast<WPARAM>(Index()), LVIS_STATEIMAGEMASK);
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void TListItem::SetChecked(bool v) {
  checked_ = v;
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated() && lv->Checkboxes()) lv->UpdateWindowItem(this);
}

TRect TListItem::DisplayRect(TDisplayCode code) const {
  TCustomListView* lv = ListView();
  if (!lv->HandleAllocated()) return {};
  static constexpr LONG kCode[] = {LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL, LVIR_SELECTBOUNDS};
  RECT r{kCode[code], 0, 0, 0};
  if (!SendMessageW(lv->WindowHandle(), LVM_GETITEMRECT, static_cast<WPARAM>(Index()), reinterpret_cast<LPARAM>(&r)))
    return {};
  return {r.left, r.top, r.right, r.bottom};
}

void TListItem::MakeVisible(bool partialOK) {
  TCustomListView* lv = ListView();
  if (lv->HandleAllocated())
    SendMessageW(lv->WindowHandle(), LVM_ENSUREVISIBLE, static_cast<WPARAM>(Index()), partialOK);
}

void TListItem::Delete() { owner_->Delete(Index()); }

void TListItem::Assign(const TPersistent* source) {
  if (auto* i = dynamic_cast<const TListItem*>(source)) {
    caption_ = i->caption_;
    imageIndex_ = i->imageIndex_;
    stateIndex_ = i->stateIndex_;
    overlayIndex_ = i->overlayIndex_;
    data_ = i->data_;
    checked_ = i->checked_;
    subItems_->Assign(i->subItems_.get());  // updates the window
    return;
  }
  TPersistent::Assign(source);
}

// ---- 3. TListItems --------------------------------------------------------------------

TW_DEFINE_CLASS(TListItems) {
  b.Binary(u"ItemData", &TListItems::ReadData, &TListItems::WriteData).Stored([](const TListItems& l) {
    return !l.Owner()->OwnerData() && l.Count() > 0;
  });
}

TListItems::TListItems(TCustomListView* owner) : owner_(owner), temp_(std::make_unique<TListItem>(this)) {}

TListItems::~TListItems() = default;

Integer TListItems::Count() const {
  if (owner_->OwnerData()) return ownerDataCount_;
  return static_cast<Integer>(items_.size());
}

void TListItems::SetCount(Integer n) {
  if (!owner_->OwnerData()) throw EInvalidOperation("Count can be set only for a list view with OwnerData");
  ownerDataCount_ = std::max(n, 0);
  if (owner_->HandleAllocated())
    SendMessageW(owner_->WindowHandle(), LVM_SETITEMCOUNT, static_cast<WPARAM>(ownerDataCount_),
                 LVSICF_NOINVALIDATEALL);
}

TListItem* TListItems::Items(Integer index) const {
  if (index < 0 || index >= Count()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  if (owner_->OwnerData()) return owner_->OwnerDataItem(index);
  return items_[static_cast<size_t>(index)].get();
}

TListItem* TListItems::Add() { return Insert(static_cast<Integer>(items_.size())); }

TListItem* TListItems::Insert(Integer index) {
  if (owner_->OwnerData()) throw EInvalidOperation("A list view with OwnerData gets its items from OnData");
  index = std::clamp<Integer>(index, 0, static_cast<Integer>(items_.size()));
  auto item = std::make_unique<TListItem>(this);
  TListItem* raw = item.get();
  items_.insert(items_.begin() + index, std::move(item));
  owner_->InsertWindowItem(index, raw);
  return raw;
}

void TListItems::Delete(Integer index) {
  if (index < 0 || index >= static_cast<Integer>(items_.size()))
    throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  TListItem* item = items_[static_cast<size_t>(index)].get();
  owner_->onDeletion_.Call(owner_, item);
  if (owner_->HandleAllocated()) SendMessageW(owner_->WindowHandle(), LVM_DELETEITEM, static_cast<WPARAM>(index), 0);
  items_.erase(items_.begin() + index);
}

void TListItems::Clear() {
  if (owner_->OwnerData()) {
    SetCount(0);
    return;
  }
  for (auto& item : items_) owner_->onDeletion_.Call(owner_, item.get());
  if (owner_->HandleAllocated()) SendMessageW(owner_->WindowHandle(), LVM_DELETEALLITEMS, 0, 0);
  items_.clear();
}

Integer TListItems::IndexOf(const TListItem* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<Integer>(i);
  return -1;
}

void TListItems::BeginUpdate() {
  if (updateCount_++ == 0 && owner_->HandleAllocated()) SendMessageW(owner_->WindowHandle(), WM_SETREDRAW, FALSE, 0);
}

void TListItems::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && owner_->HandleAllocated()) {
    SendMessageW(owner_->WindowHandle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(owner_->WindowHandle(), nullptr, TRUE);
  }
}

void TListItems::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TListItems*>(source)) {
    if (other == this) return;
    auto update = UpdateScope(*this);
    Clear();
    for (const auto& item : other->items_) Add()->Assign(item.get());
    return;
  }
  TPersistent::Assign(source);
}

// Values of a stored item: image, state image, overlay, checked.
void TListItems::ReadData(TStream& stream) {
  const std::vector<TStoredItem> stored = ReadStoredItems(stream);
  auto update = UpdateScope(*this);
  Clear();
  for (const TStoredItem& s : stored) {
    TListItem* item = Add();
    auto value = [&](size_t i, Integer fallback) { return i < s.Values.size() ? s.Values[i] : fallback; };
    item->caption_ = s.Text;
    item->imageIndex_ = value(0, -1);
    item->stateIndex_ = value(1, -1);
    item->overlayIndex_ = value(2, -1);
    item->checked_ = value(3, 0) != 0;
    item->subItems_->BeginUpdate();
    for (const String& t : s.Strings) item->subItems_->Add(t);
    item->subItems_->EndUpdate();  // the window gets the whole item
  }
}

void TListItems::WriteData(TStream& stream) const {
  std::vector<TStoredItem> stored;
  stored.reserve(items_.size());
  for (const auto& item : items_) {
    TStoredItem s;
    s.Text = item->caption_;
    s.Values = {item->imageIndex_, item->stateIndex_, item->overlayIndex_, item->Checked() ? 1 : 0};
    for (Integer i = 0; i < item->subItems_->Count(); ++i) s.Strings.push_back(item->subItems_->Strings(i));
    stored.push_back(std::move(s));
  }
  WriteStoredItems(stream, stored);
}

// ---- 4. TCustomListView: properties and the window ------------------------------------

TW_DEFINE_CLASS(TCustomListView) {}

TW_DEFINE_CLASS(TListView) {
  PublishCommon(b, clWindow, false);
  PublishFocus(b, true);
  PublishBevels(b);
  b.Property(u"Columns", &TListView::Columns, &TListView::SetColumns);
  b.Property(u"Items", &TListView::Items, &TListView::SetItems);
  b.Property(u"ViewStyle", &TListView::ViewStyle, &TListView::SetViewStyle).Default(vsIcon);
  b.Property(u"LargeImages", &TListView::LargeImages, &TListView::SetLargeImages);
  b.Property(u"SmallImages", &TListView::SmallImages, &TListView::SetSmallImages);
  b.Property(u"StateImages", &TListView::StateImages, &TListView::SetStateImages);
  b.Property(u"MultiSelect", &TListView::MultiSelect, &TListView::SetMultiSelect).Default(false);
  b.Property(u"ReadOnly", &TListView::ReadOnly, &TListView::SetReadOnly).Default(false);
  b.Property(u"RowSelect", &TListView::RowSelect, &TListView::SetRowSelect).Default(false);
  b.Property(u"GridLines", &TListView::GridLines, &TListView::SetGridLines).Default(false);
  b.Property(u"Checkboxes", &TListView::Checkboxes, &TListView::SetCheckboxes).Default(false);
  b.Property(u"HideSelection", &TListView::HideSelection, &TListView::SetHideSelection).Default(true);
  b.Property(u"ShowColumnHeaders", &TListView::ShowColumnHeaders, &TListView::SetShowColumnHeaders).Default(true);
  b.Property(u"ColumnClick", &TListView::ColumnClick, &TListView::SetColumnClick).Default(true);
  b.Property(u"OwnerData", &TListView::OwnerData, &TListView::SetOwnerData).Default(false);
  b.Property(u"BorderStyle", &TListView::BorderStyle, &TListView::SetBorderStyle).Default(bsSingle);
  b.Property(u"OnColumnClick", &TListView::OnColumnClick, &TListView::SetOnColumnClick);
  b.Property(u"OnChange", &TListView::OnChange, &TListView::SetOnChange);
  b.Property(u"OnSelectItem", &TListView::OnSelectItem, &TListView::SetOnSelectItem);
  b.Property(u"OnData", &TListView::OnData, &TListView::SetOnData);
  b.Property(u"OnDeletion", &TListView::OnDeletion, &TListView::SetOnDeletion);
  b.Property(u"OnCustomDraw", &TListView::OnCustomDraw, &TListView::SetOnCustomDraw);
  b.Property(u"OnCustomDrawItem", &TListView::OnCustomDrawItem, &TListView::SetOnCustomDrawItem);
  b.Property(u"OnCustomDrawSubItem", &TListView::OnCustomDrawSubItem, &TListView::SetOnCustomDrawSubItem);
  b.Property(u"OnAdvancedCustomDraw", &TListView::OnAdvancedCustomDraw, &TListView::SetOnAdvancedCustomDraw);
  b.Property(u"OnAdvancedCustomDrawItem", &TListView::OnAdvancedCustomDrawItem,
             &TListView::SetOnAdvancedCustomDrawItem);
  b.Property(u"OnAdvancedCustomDrawSubItem", &TListView::OnAdvancedCustomDrawSubItem,
             &TListView::SetOnAdvancedCustomDrawSubItem);
}

TCustomListView::TCustomListView(TComponent* owner)
    : TSystemControl(owner, u"SysListView32", ICC_LISTVIEW_CLASSES),
      columns_(std::make_unique<TListColumns>(this)),
      items_(std::make_unique<TListItems>(this)) {
  // The system reports clicks (NM_CLICK, NM_DBLCLK): its own mouse loop eats the button-up.
  SetControlStyle(TControlStyle{csCaptureMouse});
  SetBounds(0, 0, 250, 150);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomListView::~TCustomListView() {
  for (TCustomImageList** field : {&largeImages_, &smallImages_, &stateImages_})
    ReplaceImageList(this, *field, nullptr);
}

void TCustomListView::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  static constexpr Cardinal kView[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  p.Style |= kView[viewStyle_] | LVS_SHAREIMAGELISTS;
  if (!multiSelect_) p.Style |= LVS_SINGLESEL;
  if (!readOnly_) p.Style |= LVS_EDITLABELS;
  if (!hideSelection_) p.Style |= LVS_SHOWSELALWAYS;
  if (!showColumnHeaders_) p.Style |= LVS_NOCOLUMNHEADER;
  if (!columnClick_) p.Style |= LVS_NOSORTHEADER;
  if (ownerData_) p.Style |= LVS_OWNERDATA;
  AddSystemBorder(p, borderStyle_ == bsSingle);
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

Cardinal TCustomListView::ExtendedStyle() const {
  Cardinal style = 0;
  if (rowSelect_) style |= LVS_EX_FULLROWSELECT;
  if (gridLines_) style |= LVS_EX_GRIDLINES;
  if (checkboxes_) style |= LVS_EX_CHECKBOXES;
  return style;
}

void TCustomListView::HandleCreated() {
  TSystemControl::HandleCreated();
  SendToWindow(CCM_SETUNICODEFORMAT, TRUE, 0);
  SendToWindow(LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES,
               ExtendedStyle());
  SendToWindow(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
  SendToWindow(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
  SendToWindow(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Font()->Color())));
  SendImageLists();
  InsertColumns();
  InsertItems();
}

void TCustomListView::DestroyWnd() {
  // The window's states (selection, focus, check boxes) stay with the items.
  if (HandleAllocated() && !ownerData_) {
    for (size_t index = 0; index < items_->items_.size(); ++index) {
      TListItem* item = items_->items_[index].get();
      const LRESULT state = SendToWindow(LVM_GETITEMSTATE, static_cast<WPARAM>(index),
                                         LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK);
      item->state_ = static_cast<Cardinal>(state) & (LVIS_SELECTED | LVIS_FOCUSED);
      if (checkboxes_) item->checked_ = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
    }
  }
  auto rebuilding = SetForScope(rebuilding_, true, false);
  TSystemControl::DestroyWnd();
}

void TCustomListView::InsertColumns() {
  if (!HandleAllocated()) return;
  // From the last: the first column cannot go while others remain in every version.
  HWND header = HeaderHandle();
  Integer shown = header ? static_cast<Integer>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
  for (Integer i = shown - 1; i >= 0; --i) SendToWindow(LVM_DELETECOLUMN, static_cast<WPARAM>(i), 0);
  static constexpr int kFormat[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
  for (Integer i = 0; i < columns_->Count(); ++i) {
    TListColumn* c = columns_->Items(i);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    col.fmt = kFormat[c->alignment_];
    if (c->imageIndex_ >= 0) {
      col.mask |= LVCF_IMAGE;
      col.fmt |= LVCFMT_IMAGE;
      col.iImage = c->imageIndex_;
    }
    col.cx = c->width_;
    col.pszText = const_cast<LPWSTR>(WideStr(c->caption_));
    col.iSubItem = i;
    SendToWindow(LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
  // The sub-item texts belong to the columns that were made again.
  if (!ownerData_)
    for (size_t i = 0; i < items_->items_.size(); ++i)
      UpdateWindowItem(items_->items_[i].get(), static_cast<Integer>(i));
}

void TCustomListView::UpdateWindowColumn(TListColumn* c) {
  if (!HandleAllocated()) return;
  static constexpr int kFormat[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_IMAGE;
  col.fmt = kFormat[c->alignment_] | (c->imageIndex_ >= 0 ? LVCFMT_IMAGE : 0);
  col.cx = c->width_;
  col.iImage = c->imageIndex_;
  col.pszText = const_cast<LPWSTR>(WideStr(c->caption_));
  SendToWindow(LVM_SETCOLUMNW, static_cast<WPARAM>(c->Index()), reinterpret_cast<LPARAM>(&col));
}

void TCustomListView::InsertItems() {
  if (!HandleAllocated()) return;
  auto rebuilding = SetForScope(rebuilding_, true, false);
  SendToWindow(LVM_DELETEALLITEMS);
  if (ownerData_) {
    SendToWindow(LVM_SETITEMCOUNT, static_cast<WPARAM>(items_->ownerDataCount_), 0);
  } else {
    for (size_t i = 0; i < items_->items_.size(); ++i)
      InsertWindowItem(static_cast<Integer>(i), items_->items_[i].get());
  }
}

void TCustomListView::InsertWindowItem(Integer index, TListItem* item) {
  if (!HandleAllocated()) return;
  LVITEMW lv{};
  lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
  lv.iItem = index;
  lv.pszText = const_cast<LPWSTR>(WideStr(item->caption_));
  lv.iImage = item->imageIndex_;
  lv.lParam = reinterpret_cast<LPARAM>(item);
  lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  lv.state = item->state_ & (LVIS_SELECTED | LVIS_FOCUSED);
  auto rebuilding = SetForScope(rebuilding_, true);
  SendToWindow(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv));
  UpdateWindowItem(item, index);
}

void TCustomListView::UpdateWindowItem(TListItem* item, Integer index) {
  if (!HandleAllocated() || ownerData_) return;
  if (index < 0) index = items_->IndexOf(item);
  if (index < 0) return;
  LVITEMW lv{};
  lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE;
  lv.iItem = index;
  lv.pszText = const_cast<LPWSTR>(WideStr(item->caption_));
  lv.iImage = item->imageIndex_;
  lv.stateMask = LVIS_STATEIMAGEMASK | LVIS_OVERLAYMASK;
  const UINT stateImage =
      checkboxes_ ? (item->checked_ ? 2u : 1u) : static_cast<UINT>(std::max(item->stateIndex_ + 1, 0));
  lv.state =
      INDEXTOSTATEIMAGEMASK(stateImage) | INDEXTOOVERLAYMASK(static_cast<UINT>(std::max(item->overlayIndex_ + 1, 0)));
  SendToWindow(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&lv));
  TStringList* sub = item->subItems_.get();
  const Integer columns = std::max(columns_->Count(), sub->Count() + 1);
  for (Integer i = 1; i < columns; ++i) {
    const String text = i - 1 < sub->Count() ? sub->Strings(i - 1) : String();
    LVITEMW t{};
    t.iSubItem = i;
    t.pszText = const_cast<LPWSTR>(WideStr(text));
    SendToWindow(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&t));
  }
}

TListItem* TCustomListView::OwnerDataItem(Integer index) const {
  TListItem* item = items_->temp_.get();
  item->caption_.clear();
  item->subItems_->BeginUpdate();
  item->subItems_->Clear();
  item->imageIndex_ = item->stateIndex_ = item->overlayIndex_ = -1;
  item->data_ = nullptr;
  item->dataIndex_ = index;
  onData_.Call(const_cast<TCustomListView*>(this), item);
  item->subItems_->EndUpdate();
  return item;
}

TListItem* TCustomListView::ItemOfIndex(Integer index) const {
  if (index < 0 || index >= items_->Count()) return nullptr;
  return items_->Items(index);
}

void TCustomListView::SetImageList(TCustomImageList*& field, TCustomImageList* value) {
  if (!ReplaceImageList(this, field, value)) return;
  SendImageLists();
}

void TCustomListView::SendImageLists() {
  if (!HandleAllocated()) return;
  auto handle = [](TCustomImageList* l) { return reinterpret_cast<LPARAM>(l ? l->Handle() : nullptr); };
  SendToWindow(LVM_SETIMAGELIST, LVSIL_NORMAL, handle(largeImages_));
  SendToWindow(LVM_SETIMAGELIST, LVSIL_SMALL, handle(smallImages_));
  // Check boxes are the window's own state images.
  if (!checkboxes_) SendToWindow(LVM_SETIMAGELIST, LVSIL_STATE, handle(stateImages_));
}

void TCustomListView::Notification(TComponent* component, TOperation operation) {
  TSystemControl::Notification(component, operation);
  if (operation != opRemove) return;
  for (TCustomImageList** field : {&largeImages_, &smallImages_, &stateImages_})
    if (*field == component) {
      *field = nullptr;
      if (!IsDestroying()) SendImageLists();
    }
}

void TCustomListView::SetViewStyle(TViewStyle v) {
  if (v == viewStyle_) return;
  viewStyle_ = v;
  if (!HandleAllocated()) return;
  // The list view follows a change of its view bits.
  static constexpr Cardinal kView[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
  const LONG style = GetWindowLongW(WindowHandle(), GWL_STYLE);
  SetWindowLongW(WindowHandle(), GWL_STYLE, (style & ~LVS_TYPEMASK) | static_cast<LONG>(kView[v]));
  InvalidateRect(WindowHandle(), nullptr, TRUE);
}

void TCustomListView::SetExStyle(Cardinal bit, bool on) {
  SendToWindow(LVM_SETEXTENDEDLISTVIEWSTYLE, bit, on ? bit : 0);
}

void TCustomListView::SetMultiSelect(bool v) {
  if (v == multiSelect_) return;
  multiSelect_ = v;
  ChangeStyle(LVS_SINGLESEL, !v, true);
}

void TCustomListView::SetReadOnly(bool v) {
  if (v == readOnly_) return;
  readOnly_ = v;
  ChangeStyle(LVS_EDITLABELS, !v, true);
}

void TCustomListView::SetRowSelect(bool v) {
  rowSelect_ = v;
  SetExStyle(LVS_EX_FULLROWSELECT, v);
}

void TCustomListView::SetGridLines(bool v) {
  gridLines_ = v;
  SetExStyle(LVS_EX_GRIDLINES, v);
}

void TCustomListView::SetCheckboxes(bool v) {
  if (v == checkboxes_) return;
  checkboxes_ = v;
  SetExStyle(LVS_EX_CHECKBOXES, v);
  if (!v) SendImageLists();
  for (auto& item : items_->items_) UpdateWindowItem(item.get());
}

void TCustomListView::SetHideSelection(bool v) {
  if (v == hideSelection_) return;
  hideSelection_ = v;
  ChangeStyle(LVS_SHOWSELALWAYS, !v, true);
}

void TCustomListView::SetShowColumnHeaders(bool v) {
  if (v == showColumnHeaders_) return;
  showColumnHeaders_ = v;
  ChangeStyle(LVS_NOCOLUMNHEADER, !v, true);
}

void TCustomListView::SetColumnClick(bool v) {
  if (v == columnClick_) return;
  columnClick_ = v;
  ChangeStyle(LVS_NOSORTHEADER, !v, false);
}

void TCustomListView::SetOwnerData(bool v) {
  if (v == ownerData_) return;
  if (v) items_->Clear();
  ownerData_ = v;
  items_->ownerDataCount_ = 0;
  RecreateWnd();
}

void TCustomListView::SetBorderStyle(TBorderStyle s) {
  if (s != bsNone && s != bsSingle) throw EInvalidOperation("A list's border is bsNone or bsSingle");
  if (s == borderStyle_) return;
  borderStyle_ = s;
  RecreateWnd();
}

HWND TCustomListView::HeaderHandle() const {
  return HandleAllocated() ? reinterpret_cast<HWND>(SendToWindow(LVM_GETHEADER)) : nullptr;
}

TListItem* TCustomListView::Selected() const {
  if (!HandleAllocated()) {
    for (auto& item : items_->items_)
      if (item->state_ & LVIS_SELECTED) return item.get();
    return nullptr;
  }
  return ItemOfIndex(static_cast<Integer>(SendToWindow(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
}

void TCustomListView::SetSelected(TListItem* item) {
  // Only this one selected (nullptr: none).
  if (HandleAllocated()) {
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    SendToWindow(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  }
  for (auto& i : items_->items_) i->state_ &= ~static_cast<Cardinal>(LVIS_SELECTED);
  if (item) {
    item->SetSelected(true);
    item->SetFocused(true);
  }
}

Integer TCustomListView::ItemIndex() const {
  TListItem* item = Selected();
  return item ? item->Index() : -1;
}

void TCustomListView::SetItemIndex(Integer index) { SetSelected(ItemOfIndex(index)); }

TListItem* TCustomListView::ItemFocused() const {
  return ItemOfIndex(static_cast<Integer>(SendToWindow(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
}

Integer TCustomListView::SelCount() const {
  if (HandleAllocated()) return static_cast<Integer>(SendToWindow(LVM_GETSELECTEDCOUNT));
  Integer n = 0;
  for (auto& item : items_->items_) n += (item->state_ & LVIS_SELECTED) ? 1 : 0;
  return n;
}

TListItem* TCustomListView::TopItem() const { return ItemOfIndex(static_cast<Integer>(SendToWindow(LVM_GETTOPINDEX))); }

TListItem* TCustomListView::GetItemAt(Integer x, Integer y) const {
  LVHITTESTINFO hit{};
  hit.pt = {x, y};
  const Integer index = static_cast<Integer>(SendToWindow(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  return (hit.flags & LVHT_ONITEM) ? ItemOfIndex(index) : nullptr;
}

// ---- 5. TCustomListView: notifications and custom draw --------------------------------

bool TCustomListView::Notify(TMessage& m) {
  auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
  switch (hdr->code) {
    case LVN_COLUMNCLICK: {
      const Integer column = reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem;
      if (column >= 0 && column < columns_->Count()) DoColumnClick(columns_->Items(column));
      m.Result = 0;
      return true;
    }
    case LVN_ITEMCHANGED: {
      const auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
      if (rebuilding_ || nm->iItem < 0 || !(nm->uChanged & LVIF_STATE)) break;
      TListItem* item = ItemOfIndex(nm->iItem);
      if (!item) break;
      if ((nm->uNewState ^ nm->uOldState) & LVIS_SELECTED)
        onSelectItem_.Call(this, item, (nm->uNewState & LVIS_SELECTED) != 0);
      onChange_.Call(this, item, ctState);
      m.Result = 0;
      return true;
    }
    case LVN_GETDISPINFOW: {
      // An OwnerData list asks for what it shows.
      auto* di = reinterpret_cast<NMLVDISPINFOW*>(hdr);
      TListItem* item = ownerData_ ? ItemOfIndex(di->item.iItem) : nullptr;
      if (!item) break;
      if ((di->item.mask & LVIF_TEXT) && di->item.pszText && di->item.cchTextMax > 0) {
        const Integer sub = di->item.iSubItem;
        const String text = sub == 0
                                ? item->Caption()
                                : (sub - 1 < item->SubItems()->Count() ? item->SubItems()->Strings(sub - 1) : String());
        const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(di->item.cchTextMax - 1));
        std::copy_n(text.data(), n, reinterpret_cast<Char*>(di->item.pszText));
        di->item.pszText[n] = 0;
      }
      if (di->item.mask & LVIF_IMAGE) di->item.iImage = item->ImageIndex();
      if ((di->item.mask & LVIF_STATE) && item->StateIndex() >= 0) {
        di->item.stateMask |= LVIS_STATEIMAGEMASK;
        di->item.state |= INDEXTOSTATEIMAGEMASK(static_cast<UINT>(item->StateIndex() + 1));
      }
      m.Result = 0;
      return true;
    }
    case NM_CLICK: Click(); break;
    case NM_DBLCLK: DblClick(); break;
  }
  return TSystemControl::Notify(m);
}

bool TCustomListView::IsCustomDrawn(TCustomDrawTarget target, TCustomDrawStage stage) {
  switch (target) {
    case dtControl: return onAdvancedCustomDraw_ || (onCustomDraw_ && stage == cdPrePaint);
    case dtItem: return onAdvancedCustomDrawItem_ || (onCustomDrawItem_ && stage == cdPrePaint);
    case dtSubItem: return onAdvancedCustomDrawSubItem_ || (onCustomDrawSubItem_ && stage == cdPrePaint);
  }
  return false;
}

bool TCustomListView::CustomDrawStage(TCustomDrawInfo& info) {
  bool defaultDraw = true;
  if (info.Target == dtControl) {
    if (info.Stage == cdPrePaint) onCustomDraw_.Call(this, info.Rect, defaultDraw);
    if (defaultDraw) onAdvancedCustomDraw_.Call(this, info.Rect, info.Stage, defaultDraw);
    return defaultDraw;
  }
  TListItem* item = ItemOfIndex(static_cast<Integer>(info.ItemSpec));
  if (!item) return true;
  if (info.Target == dtItem) {
    if (info.Stage == cdPrePaint) onCustomDrawItem_.Call(this, item, info.State, defaultDraw);
    if (defaultDraw) onAdvancedCustomDrawItem_.Call(this, item, info.State, info.Stage, defaultDraw);
    return defaultDraw;
  }
  info.SubItem = static_cast<NMLVCUSTOMDRAW*>(info.Notification)->iSubItem;
  if (info.Stage == cdPrePaint) onCustomDrawSubItem_.Call(this, item, info.SubItem, info.State, defaultDraw);
  if (defaultDraw) onAdvancedCustomDrawSubItem_.Call(this, item, info.SubItem, info.State, info.Stage, defaultDraw);
  return defaultDraw;
}

void TCustomListView::ItemColorsChanged(TCustomDrawInfo& info, TColor text, TColor background) {
  auto* cd = static_cast<NMLVCUSTOMDRAW*>(info.Notification);
  cd->clrText = ColorToRGB(text);
  cd->clrTextBk = ColorToRGB(background);
}

void TCustomListView::Dispatch(TMessage& m) {
  TSystemControl::Dispatch(m);
  switch (m.Msg) {
    case CM_COLORCHANGED:
      SendToWindow(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
      SendToWindow(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
      break;
    case CM_FONTCHANGED: SendToWindow(LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Font()->Color()))); break;
  }
}
