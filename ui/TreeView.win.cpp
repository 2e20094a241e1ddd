// The tree view over the system's SysTreeView32: nodes (text, images, state image, data,
// expanded, children), the image lists, selection, the expanding and selection events and
// custom draw.
//
// The nodes are the control's: each window item is made from one (its data value is the
// TTreeNode) whenever the window is made; what the window changes (expanded state, selection)
// is read back from it while it exists and kept in the nodes when it goes.
//
// Sections:
//   1. TTreeNode
//   2. TTreeNodes
//   3. TCustomTreeView: properties and the window
//   4. TCustomTreeView: notifications and custom draw
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "ComCtrls.h"
#include "CommonProperties.h"
#include "ImgList.h"
#include "ScopeGuard.h"
#include "StoredItems.h"

namespace {

// The focused-item state bit (kFocusedState, which these headers lack).
constexpr UINT kFocusedState = 0x0001;

HTREEITEM ItemOf(const TTreeNode* node) { return static_cast<HTREEITEM>(node ? node->ItemId() : nullptr); }

Integer SubtreeSize(const TTreeNode* node) {
  Integer n = 1;
  for (Integer i = 0; i < node->Count(); ++i) n += SubtreeSize(node->Item(i));
  return n;
}

}  // namespace

// ---- 1. TTreeNode ---------------------------------------------------------------------

TW_DEFINE_CLASS(TTreeNode) {}

TTreeNode::TTreeNode(TTreeNodes* owner, TTreeNode* parent) : owner_(owner), parent_(parent) {}

TTreeNode::~TTreeNode() = default;

TCustomTreeView* TTreeNode::TreeView() const { return owner_->Owner(); }

void TTreeNode::UpdateWindowItem(Cardinal mask) {
  TCustomTreeView* tv = TreeView();
  if (!tv->HandleAllocated() || !itemId_) return;
  TVITEMW item{};
  item.mask = mask | TVIF_HANDLE;
  item.hItem = ItemOf(this);
  item.pszText = const_cast<LPWSTR>(WideStr(text_));
  item.iImage = imageIndex_;
  item.iSelectedImage = selectedIndex_;
  item.cChildren = HasChildren() ? 1 : 0;
  if (mask & TVIF_STATE) {
    item.stateMask = TVIS_STATEIMAGEMASK | TVIS_OVERLAYMASK;
    item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(std::max(stateIndex_ + 1, 0))) |
                 INDEXTOOVERLAYMASK(static_cast<UINT>(std::max(overlayIndex_ + 1, 0)));
  }
  SendMessageW(tv->WindowHandle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void TTreeNode::SetText(const String& t) {
  if (t == text_) return;
  text_ = t;
  UpdateWindowItem(TVIF_TEXT);
}

void TTreeNode::SetImageIndex(Integer v) {
  if (v == imageIndex_) return;
  imageIndex_ = v;
  UpdateWindowItem(TVIF_IMAGE);
}

void TTreeNode::SetSelectedIndex(Integer v) {
  if (v == selectedIndex_) return;
  selectedIndex_ = v;
  UpdateWindowItem(TVIF_SELECTEDIMAGE);
}

void TTreeNode::SetStateIndex(Integer v) {
  if (v == stateIndex_) return;
  stateIndex_ = v;
  UpdateWindowItem(TVIF_STATE);
}

void TTreeNode::SetOverlayIndex(Integer v) {
  if (v == overlayIndex_) return;
  overlayIndex_ = v;
  UpdateWindowItem(TVIF_STATE);
}

void TTreeNode::SetHasChildren(bool v) {
  if (v == hasChildren_) return;
  hasChildren_ = v;
  UpdateWindowItem(TVIF_CHILDREN);
}

bool TTreeNode::Expanded() const {
  TCustomTreeView* tv = TreeView();
  if (!tv->HandleAllocated() || !itemId_) return expanded_;
  return (SendMessageW(tv->WindowHandle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(itemId_), TVIS_EXPANDED) &
          TVIS_EXPANDED) != 0;
}

void TTreeNode::SetExpanded(bool v) {
  if (v)
    Expand(false);
  else
    Collapse(false);
}

void TTreeNode::Expand(bool recurse) {
  TCustomTreeView* tv = TreeView();
  if (!Expanded() && HasChildren()) {
    // The program's expanding asks the same events as the user's.
    bool allow = true;
    tv->onExpanding_.Call(tv, this, allow);
    if (!allow) return;
    expanded_ = true;
    if (tv->HandleAllocated() && itemId_) {
      auto rebuilding = SetForScope(tv->rebuilding_, true);
      SendMessageW(tv->WindowHandle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(itemId_));
    }
    tv->onExpanded_.Call(tv, this);
  }
  if (recurse)
    for (auto& child : children_) child->Expand(true);
}

void TTreeNode::Collapse(bool recurse) {
  TCustomTreeView* tv = TreeView();
  if (Expanded()) {
    bool allow = true;
    tv->onCollapsing_.Call(tv, this, allow);
    if (!allow) return;
    expanded_ = false;
    if (tv->HandleAllocated() && itemId_) {
      const bool outer = tv->rebuilding_;
      tv->rebuilding_ = true;
      SendMessageW(tv->WindowHandle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(itemId_));
      tv->rebuilding_ = outer;
    }
    tv->onCollapsed_.Call(tv, this);
  }
  if (recurse)
    for (auto& child : children_) child->Collapse(true);
}

bool TTreeNode::Selected() const { return TreeView()->Selected() == this; }

void TTreeNode::SetSelected(bool v) {
  TCustomTreeView* tv = TreeView();
  if (v)
    tv->SetSelected(this);
  else if (Selected())
    tv->SetSelected(nullptr);
}

bool TTreeNode::Focused() const {
  TCustomTreeView* tv = TreeView();
  if (!tv->HandleAllocated() || !itemId_) return false;
  return (SendMessageW(tv->WindowHandle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(itemId_), kFocusedState) &
          kFocusedState) != 0;
}

void TTreeNode::SetFocused(bool v) {
  TCustomTreeView* tv = TreeView();
  if (!tv->HandleAllocated() || !itemId_) return;
  TVITEMW item{};
  item.mask = TVIF_STATE | TVIF_HANDLE;
  item.hItem = ItemOf(this);
  item.stateMask = kFocusedState;
  item.state = v ? kFocusedState : 0;
  SendMessageW(tv->WindowHandle(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

TTreeNode* TTreeNode::Item(Integer index) const {
  if (index < 0 || index >= Count()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  return children_[static_cast<size_t>(index)].get();
}

Integer TTreeNode::Index() const {
  const auto& list = parent_ ? parent_->children_ : owner_->roots_;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].get() == this) return static_cast<Integer>(i);
  return -1;
}

Integer TTreeNode::Level() const {
  Integer level = 0;
  for (TTreeNode* p = parent_; p; p = p->parent_) ++level;
  return level;
}

Integer TTreeNode::AbsoluteIndex() const {
  Integer index = 0;
  for (TTreeNode* n = owner_->GetFirstNode(); n; n = n->GetNext(), ++index)
    if (n == this) return index;
  return -1;
}

TTreeNode* TTreeNode::GetNextSibling() const {
  const auto& list = parent_ ? parent_->children_ : owner_->roots_;
  const Integer i = Index();
  return i >= 0 && i + 1 < static_cast<Integer>(list.size()) ? list[static_cast<size_t>(i + 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
  const auto& list = parent_ ? parent_->children_ : owner_->roots_;
  const Integer i = Index();
  return i > 0 ? list[static_cast<size_t>(i - 1)].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
  if (!children_.empty()) return children_.front().get();
  for (const TTreeNode* n = this; n; n = n->parent_)
    if (TTreeNode* next = n->GetNextSibling()) return next;
  return nullptr;
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* p = parent_; p; p = p->parent_)
    if (!p->Expanded()) return false;
  return true;
}

TRect TTreeNode::DisplayRect(bool textOnly) const {
  TCustomTreeView* tv = TreeView();
  if (!tv->HandleAllocated() || !itemId_) return {};
  // The message takes the item in the rectangle's first bytes.
  RECT r{};
  HTREEITEM item = ItemOf(this);
  std::memcpy(&r, &item, sizeof item);
  if (!SendMessageW(tv->WindowHandle(), TVM_GETITEMRECT, textOnly, reinterpret_cast<LPARAM>(&r))) return {};
  return {r.left, r.top, r.right, r.bottom};
}

void TTreeNode::MakeVisible() {
  TCustomTreeView* tv = TreeView();
  if (tv->HandleAllocated() && itemId_)
    SendMessageW(tv->WindowHandle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(itemId_));
}

void TTreeNode::Delete() { owner_->Delete(this); }

void TTreeNode::DeleteChildren() {
  while (!children_.empty()) owner_->Delete(children_.back().get());
}

void TTreeNode::Assign(const TPersistent* source) {
  if (auto* n = dynamic_cast<const TTreeNode*>(source)) {
    SetText(n->text_);
    imageIndex_ = n->imageIndex_;
    selectedIndex_ = n->selectedIndex_;
    stateIndex_ = n->stateIndex_;
    overlayIndex_ = n->overlayIndex_;
    data_ = n->data_;
    hasChildren_ = n->hasChildren_;
    UpdateWindowItem(TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN);
    return;
  }
  TPersistent::Assign(source);
}

// ---- 2. TTreeNodes --------------------------------------------------------------------

TW_DEFINE_CLASS(TTreeNodes) {
  b.Binary(u"NodeData", &TTreeNodes::ReadData, &TTreeNodes::WriteData).Stored([](const TTreeNodes& n) {
    return n.Count() > 0;
  });
}

TTreeNodes::TTreeNodes(TCustomTreeView* owner) : owner_(owner) {}

TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::Item(Integer index) const {
  if (index < 0 || index >= count_) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  TTreeNode* n = GetFirstNode();
  for (Integer i = 0; i < index && n; ++i) n = n->GetNext();
  return n;
}

TTreeNode* TTreeNodes::InsertNode(TTreeNode* parent, Integer index, const String& text, void* data) {
  auto& list = ListOf(parent);
  index = std::clamp<Integer>(index, 0, static_cast<Integer>(list.size()));
  auto node = std::make_unique<TTreeNode>(this, parent);
  TTreeNode* raw = node.get();
  raw->text_ = text;
  raw->data_ = data;
  list.insert(list.begin() + index, std::move(node));
  ++count_;
  if (owner_->HandleAllocated() && (!parent || parent->itemId_)) {
    owner_->InsertWindowNode(raw, index == 0 ? TVI_FIRST : list[static_cast<size_t>(index - 1)]->itemId_);
    // A first child gives its parent a button.
    if (parent && list.size() == 1) parent->UpdateWindowItem(TVIF_CHILDREN);
  }
  return raw;
}

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const String& text) { return AddObject(sibling, text, nullptr); }

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const String& text, void* data) {
  TTreeNode* parent = sibling ? sibling->Parent() : nullptr;
  return InsertNode(parent, static_cast<Integer>(ListOf(parent).size()), text, data);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* sibling, const String& text) {
  return InsertNode(sibling ? sibling->Parent() : nullptr, 0, text, nullptr);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const String& text) { return AddChildObject(parent, text, nullptr); }

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const String& text, void* data) {
  return InsertNode(parent, static_cast<Integer>(ListOf(parent).size()), text, data);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const String& text) {
  return InsertNode(parent, 0, text, nullptr);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const String& text) {
  if (!sibling) return Add(nullptr, text);
  return InsertNode(sibling->Parent(), sibling->Index(), text, nullptr);
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (!node || node->owner_ != this) return;
  // The children are told first, the way they go.
  auto tell = [this](auto& self, TTreeNode* n) -> void {
    for (auto& c : n->children_) self(self, c.get());
    owner_->onDeletion_.Call(owner_, n);
  };
  tell(tell, node);
  // The selection kept while there is no window goes with its node, or with a node above it.
  for (TTreeNode* n = owner_->selected_; n; n = n->parent_)
    if (n == node) {
      owner_->selected_ = nullptr;
      break;
    }
  if (owner_->HandleAllocated() && node->itemId_)
    SendMessageW(owner_->WindowHandle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node->itemId_));
  TTreeNode* parent = node->parent_;
  auto& list = ListOf(parent);
  const Integer removed = SubtreeSize(node);
  list.erase(std::find_if(list.begin(), list.end(), [&](const auto& n) { return n.get() == node; }));
  count_ -= removed;
  if (parent && list.empty()) parent->UpdateWindowItem(TVIF_CHILDREN);
}

void TTreeNodes::Clear() {
  while (!roots_.empty()) Delete(roots_.back().get());
}

void TTreeNodes::BeginUpdate() {
  if (updateCount_++ == 0 && owner_->HandleAllocated()) SendMessageW(owner_->WindowHandle(), WM_SETREDRAW, FALSE, 0);
}

void TTreeNodes::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && owner_->HandleAllocated()) {
    SendMessageW(owner_->WindowHandle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(owner_->WindowHandle(), nullptr, TRUE);
  }
}

void TTreeNodes::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TTreeNodes*>(source)) {
    if (other == this) return;
    TMemoryStream data;
    other->WriteData(data);
    data.SetPosition(0);
    ReadData(data);
    return;
  }
  TPersistent::Assign(source);
}

// Values of a stored node: image, selected image, state image, overlay, expanded, told to
// have children.
void TTreeNodes::ReadData(TStream& stream) {
  const std::vector<TStoredItem> stored = ReadStoredItems(stream);
  auto add = [this](auto& self, TTreeNode* parent, const std::vector<TStoredItem>& items) -> void {
    for (const TStoredItem& s : items) {
      TTreeNode* n = AddChild(parent, s.Text);
      auto value = [&](size_t i, Integer fallback) { return i < s.Values.size() ? s.Values[i] : fallback; };
      n->imageIndex_ = value(0, -1);
      n->selectedIndex_ = value(1, -1);
      n->stateIndex_ = value(2, -1);
      n->overlayIndex_ = value(3, -1);
      n->hasChildren_ = value(5, 0) != 0;
      n->UpdateWindowItem(TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_CHILDREN);
      self(self, n, s.Children);
      if (value(4, 0) != 0) n->Expand(false);
    }
  };
  auto update = UpdateScope(*this);
  Clear();
  add(add, nullptr, stored);
}

void TTreeNodes::WriteData(TStream& stream) const {
  auto list = [](auto& self, const std::vector<std::unique_ptr<TTreeNode>>& nodes) -> std::vector<TStoredItem> {
    std::vector<TStoredItem> out;
    out.reserve(nodes.size());
    for (const auto& n : nodes) {
      TStoredItem s;
      s.Text = n->text_;
      s.Values = {n->imageIndex_,   n->selectedIndex_,     n->stateIndex_,
                  n->overlayIndex_, n->Expanded() ? 1 : 0, n->hasChildren_ ? 1 : 0};
      s.Children = self(self, n->children_);
      out.push_back(std::move(s));
    }
    return out;
  };
  WriteStoredItems(stream, list(list, roots_));
}

// ---- 3. TCustomTreeView: properties and the window ------------------------------------

TW_DEFINE_CLASS(TCustomTreeView) {}

TW_DEFINE_CLASS(TTreeView) {
  PublishCommon(b, clWindow, false);
  PublishFocus(b, true);
  PublishBevels(b);
  b.Property(u"Items", &TTreeView::Items, &TTreeView::SetItems);
  b.Property(u"Images", &TTreeView::Images, &TTreeView::SetImages);
  b.Property(u"StateImages", &TTreeView::StateImages, &TTreeView::SetStateImages);
  b.Property(u"ShowLines", &TTreeView::ShowLines, &TTreeView::SetShowLines).Default(true);
  b.Property(u"ShowButtons", &TTreeView::ShowButtons, &TTreeView::SetShowButtons).Default(true);
  b.Property(u"ShowRoot", &TTreeView::ShowRoot, &TTreeView::SetShowRoot).Default(true);
  b.Property(u"ReadOnly", &TTreeView::ReadOnly, &TTreeView::SetReadOnly).Default(false);
  b.Property(u"HideSelection", &TTreeView::HideSelection, &TTreeView::SetHideSelection).Default(true);
  b.Property(u"RowSelect", &TTreeView::RowSelect, &TTreeView::SetRowSelect).Default(false);
  b.Property(u"HotTrack", &TTreeView::HotTrack, &TTreeView::SetHotTrack).Default(false);
  b.Property(u"Indent", &TTreeView::Indent, &TTreeView::SetIndent).Stored([](const TTreeView& t) {
    return t.Indent() > 0;
  });
  b.Property(u"BorderStyle", &TTreeView::BorderStyle, &TTreeView::SetBorderStyle).Default(bsSingle);
  b.Property(u"OnChange", &TTreeView::OnChange, &TTreeView::SetOnChange);
  b.Property(u"OnChanging", &TTreeView::OnChanging, &TTreeView::SetOnChanging);
  b.Property(u"OnExpanding", &TTreeView::OnExpanding, &TTreeView::SetOnExpanding);
  b.Property(u"OnExpanded", &TTreeView::OnExpanded, &TTreeView::SetOnExpanded);
  b.Property(u"OnCollapsing", &TTreeView::OnCollapsing, &TTreeView::SetOnCollapsing);
  b.Property(u"OnCollapsed", &TTreeView::OnCollapsed, &TTreeView::SetOnCollapsed);
  b.Property(u"OnDeletion", &TTreeView::OnDeletion, &TTreeView::SetOnDeletion);
  b.Property(u"OnCustomDraw", &TTreeView::OnCustomDraw, &TTreeView::SetOnCustomDraw);
  b.Property(u"OnCustomDrawItem", &TTreeView::OnCustomDrawItem, &TTreeView::SetOnCustomDrawItem);
  b.Property(u"OnAdvancedCustomDraw", &TTreeView::OnAdvancedCustomDraw, &TTreeView::SetOnAdvancedCustomDraw);
  b.Property(u"OnAdvancedCustomDrawItem", &TTreeView::OnAdvancedCustomDrawItem,
             &TTreeView::SetOnAdvancedCustomDrawItem);
}

TCustomTreeView::TCustomTreeView(TComponent* owner)
    : TSystemControl(owner, u"SysTreeView32", ICC_TREEVIEW_CLASSES), items_(std::make_unique<TTreeNodes>(this)) {
  // The system reports clicks (NM_CLICK, NM_DBLCLK): its own mouse loop eats the button-up.
  SetControlStyle(TControlStyle{csCaptureMouse});
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
}

TCustomTreeView::~TCustomTreeView() {
  for (TCustomImageList** field : {&images_, &stateImages_}) ReplaceImageList(this, *field, nullptr);
}

void TCustomTreeView::CreateParams(TCreateParams& p) {
  TSystemControl::CreateParams(p);
  if (showLines_) p.Style |= TVS_HASLINES;
  if (showButtons_) p.Style |= TVS_HASBUTTONS;
  if (showRoot_) p.Style |= TVS_LINESATROOT;
  if (!readOnly_) p.Style |= TVS_EDITLABELS;
  if (!hideSelection_) p.Style |= TVS_SHOWSELALWAYS;
  if (rowSelect_) p.Style |= TVS_FULLROWSELECT;
  if (hotTrack_) p.Style |= TVS_TRACKSELECT;
  AddSystemBorder(p, borderStyle_ == bsSingle);
  p.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomTreeView::HandleCreated() {
  TSystemControl::HandleCreated();
  SendToWindow(CCM_SETUNICODEFORMAT, TRUE, 0);
  SendToWindow(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
  SendToWindow(TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Font()->Color())));
  if (indent_ > 0) SendToWindow(TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
  SendImageLists();
  auto rebuilding = SetForScope(rebuilding_, true, false);
  for (size_t i = 0; i < items_->roots_.size(); ++i)
    InsertWindowNode(items_->roots_[i].get(), i == 0 ? TVI_FIRST : items_->roots_[i - 1]->itemId_);
  if (selected_ && selected_->itemId_)
    SendToWindow(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(selected_->itemId_));
}

void TCustomTreeView::InsertWindowNode(TTreeNode* node, void* prev) {
  TVINSERTSTRUCTW ins{};
  ins.hParent = node->parent_ ? ItemOf(node->parent_) : TVI_ROOT;
  ins.hInsertAfter = static_cast<HTREEITEM>(prev);
  TVITEMW& item = ins.item;
  item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN;
  item.pszText = const_cast<LPWSTR>(WideStr(node->text_));
  item.iImage = node->imageIndex_;
  item.iSelectedImage = node->selectedIndex_;
  item.lParam = reinterpret_cast<LPARAM>(node);
  item.cChildren = node->HasChildren() ? 1 : 0;
  item.stateMask = TVIS_STATEIMAGEMASK | TVIS_OVERLAYMASK;
  item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(std::max(node->stateIndex_ + 1, 0))) |
               INDEXTOOVERLAYMASK(static_cast<UINT>(std::max(node->overlayIndex_ + 1, 0)));
  node->itemId_ = reinterpret_cast<void*>(SendToWindow(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
  void* after = TVI_FIRST;
  for (auto& child : node->children_) {
    InsertWindowNode(child.get(), after);
    after = child->itemId_;
  }
  if (node->expanded_ && !node->children_.empty()) {
    auto rebuilding = SetForScope(rebuilding_, true);
    SendToWindow(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node->itemId_));
  }
}

void TCustomTreeView::ForgetWindowItems(std::vector<std::unique_ptr<TTreeNode>>& nodes) {
  for (auto& n : nodes) {
    n->itemId_ = nullptr;
    ForgetWindowItems(n->children_);
  }
}

void TCustomTreeView::DestroyWnd() {
  if (HandleAllocated()) {
    // What the window changed stays with the nodes.
    selected_ = Selected();
    for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNext()) n->expanded_ = n->Expanded();
  }
  {
    auto rebuilding = SetForScope(rebuilding_, true, false);
    TSystemControl::DestroyWnd();
  }
  ForgetWindowItems(items_->roots_);
}

void TCustomTreeView::SetImageList(TCustomImageList*& field, TCustomImageList* value) {
  if (!ReplaceImageList(this, field, value)) return;
  SendImageLists();
}

void TCustomTreeView::SendImageLists() {
  if (!HandleAllocated()) return;
  auto handle = [](TCustomImageList* l) { return reinterpret_cast<LPARAM>(l ? l->Handle() : nullptr); };
  SendToWindow(TVM_SETIMAGELIST, TVSIL_NORMAL, handle(images_));
  SendToWindow(TVM_SETIMAGELIST, TVSIL_STATE, handle(stateImages_));
}

void TCustomTreeView::Notification(TComponent* component, TOperation operation) {
  TSystemControl::Notification(component, operation);
  if (operation != opRemove) return;
  for (TCustomImageList** field : {&images_, &stateImages_})
    if (*field == component) {
      *field = nullptr;
      if (!IsDestroying()) SendImageLists();
    }
}

void TCustomTreeView::SetStyleBit(Cardinal bit, bool on, bool& field, bool value) {
  if (value == field) return;
  field = value;
  ChangeStyle(bit, on, true);
}

void TCustomTreeView::SetShowLines(bool v) { SetStyleBit(TVS_HASLINES, v, showLines_, v); }
void TCustomTreeView::SetShowButtons(bool v) { SetStyleBit(TVS_HASBUTTONS, v, showButtons_, v); }
void TCustomTreeView::SetShowRoot(bool v) { SetStyleBit(TVS_LINESATROOT, v, showRoot_, v); }
void TCustomTreeView::SetReadOnly(bool v) { SetStyleBit(TVS_EDITLABELS, !v, readOnly_, v); }
void TCustomTreeView::SetHideSelection(bool v) { SetStyleBit(TVS_SHOWSELALWAYS, !v, hideSelection_, v); }
void TCustomTreeView::SetRowSelect(bool v) { SetStyleBit(TVS_FULLROWSELECT, v, rowSelect_, v); }
void TCustomTreeView::SetHotTrack(bool v) { SetStyleBit(TVS_TRACKSELECT, v, hotTrack_, v); }

Integer TCustomTreeView::Indent() const {
  return HandleAllocated() ? static_cast<Integer>(SendToWindow(TVM_GETINDENT)) : indent_;
}

void TCustomTreeView::SetIndent(Integer v) {
  indent_ = std::max(v, 0);
  if (indent_ > 0) SendToWindow(TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
}

void TCustomTreeView::SetBorderStyle(TBorderStyle s) {
  if (s != bsNone && s != bsSingle) throw EInvalidOperation("A tree's border is bsNone or bsSingle");
  if (s == borderStyle_) return;
  borderStyle_ = s;
  RecreateWnd();
}

TTreeNode* TCustomTreeView::NodeOfItem(void* itemId) const {
  if (!itemId || !HandleAllocated()) return nullptr;
  TVITEMW item{};
  item.mask = TVIF_PARAM | TVIF_HANDLE;
  item.hItem = static_cast<HTREEITEM>(itemId);
  if (!SendToWindow(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<TTreeNode*>(item.lParam);
}

TTreeNode* TCustomTreeView::Selected() const {
  if (!HandleAllocated()) return selected_;
  return NodeOfItem(reinterpret_cast<void*>(SendToWindow(TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* node) {
  selected_ = node;
  if (HandleAllocated()) SendToWindow(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(ItemOf(node)));
}

TTreeNode* TCustomTreeView::TopItem() const {
  return NodeOfItem(reinterpret_cast<void*>(SendToWindow(TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

TTreeNode* TCustomTreeView::GetNodeAt(Integer x, Integer y) const {
  TVHITTESTINFO hit{};
  hit.pt = {x, y};
  auto item = reinterpret_cast<void*>(SendToWindow(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  return (hit.flags & TVHT_ONITEM) ? NodeOfItem(item) : nullptr;
}

void TCustomTreeView::FullExpand() {
  for (auto& n : items_->roots_) n->Expand(true);
}

void TCustomTreeView::FullCollapse() {
  for (auto& n : items_->roots_) n->Collapse(true);
}

// ---- 4. TCustomTreeView: notifications and custom draw --------------------------------

bool TCustomTreeView::Notify(TMessage& m) {
  auto* hdr = reinterpret_cast<NMHDR*>(m.LParam);
  switch (hdr->code) {
    case TVN_SELCHANGINGW: {
      if (rebuilding_) break;
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      bool allow = true;
      onChanging_.Call(this, reinterpret_cast<TTreeNode*>(nm->itemNew.lParam), allow);
      m.Result = allow ? 0 : 1;
      return true;
    }
    case TVN_SELCHANGEDW: {
      if (rebuilding_) break;
      auto* node = reinterpret_cast<TTreeNode*>(reinterpret_cast<NMTREEVIEWW*>(hdr)->itemNew.lParam);
      selected_ = node;
      Changed();
      onChange_.Call(this, node);
      m.Result = 0;
      return true;
    }
    case TVN_ITEMEXPANDINGW: {
      if (rebuilding_) break;
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      bool allow = true;
      if (nm->action & TVE_EXPAND)
        onExpanding_.Call(this, node, allow);
      else if (nm->action & TVE_COLLAPSE)
        onCollapsing_.Call(this, node, allow);
      // A non-zero answer keeps the node as it is.
      m.Result = allow ? 0 : 1;
      return true;
    }
    case TVN_ITEMEXPANDEDW: {
      if (rebuilding_) break;
      auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
      auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
      if (!node) break;
      node->expanded_ = (nm->itemNew.state & TVIS_EXPANDED) != 0;
      if (nm->action & TVE_EXPAND)
        onExpanded_.Call(this, node);
      else if (nm->action & TVE_COLLAPSE)
        onCollapsed_.Call(this, node);
      m.Result = 0;
      return true;
    }
    case NM_CLICK: Click(); break;
    case NM_DBLCLK: DblClick(); break;
  }
  return TSystemControl::Notify(m);
}

bool TCustomTreeView::IsCustomDrawn(TCustomDrawTarget target, TCustomDrawStage stage) {
  switch (target) {
    case dtControl: return onAdvancedCustomDraw_ || (onCustomDraw_ && stage == cdPrePaint);
    case dtItem: return onAdvancedCustomDrawItem_ || (onCustomDrawItem_ && stage == cdPrePaint);
    case dtSubItem: return false;
  }
  return false;
}

bool TCustomTreeView::CustomDrawStage(TCustomDrawInfo& info) {
  bool defaultDraw = true;
  if (info.Target == dtControl) {
    if (info.Stage == cdPrePaint) onCustomDraw_.Call(this, info.Rect, defaultDraw);
    if (defaultDraw) onAdvancedCustomDraw_.Call(this, info.Rect, info.Stage, defaultDraw);
    return defaultDraw;
  }
  auto* node = reinterpret_cast<TTreeNode*>(info.ItemParam);
  if (!node) return true;
  if (info.Stage == cdPrePaint) onCustomDrawItem_.Call(this, node, info.State, defaultDraw);
  if (defaultDraw && onAdvancedCustomDrawItem_) {
    bool paintImages = true;
    onAdvancedCustomDrawItem_(this, node, info.State, info.Stage, paintImages, defaultDraw);
    if (!paintImages) info.ResultFlags |= TVCDRF_NOIMAGES;
  }
  return defaultDraw;
}

void TCustomTreeView::ItemColorsChanged(TCustomDrawInfo& info, TColor text, TColor background) {
  auto* cd = static_cast<NMTVCUSTOMDRAW*>(info.Notification);
  cd->clrText = ColorToRGB(text);
  cd->clrTextBk = ColorToRGB(background);
}

void TCustomTreeView::Dispatch(TMessage& m) {
  TSystemControl::Dispatch(m);
  switch (m.Msg) {
    case CM_COLORCHANGED: SendToWindow(TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color()))); break;
    case CM_FONTCHANGED: SendToWindow(TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Font()->Color()))); break;
  }
}
