// Menus on the platform: the system menus made from the item tree, owner drawing, menu
// messages, merging, popping up and the popup list's window.
//
// Sections:
//   1. command numbers and helpers
//   2. TMenuItem: the tree
//   3. TMenuItem: properties and the system menu
//   4. TMenuItem: owner drawing and pictures
//   5. TMenu: lookups, commands and menu messages
//   6. TMainMenu: the menu bar and merging
//   7. TPopupMenu and the popup list
#include <windows.h>

#include <algorithm>

#include "Bitmap.h"
#include "Canvas.h"
#include "Forms.h"
#include "GdiScopes.h"
#include "ImgList.h"
#include "Menus.h"

#undef TextOut

TPopupList* PopupList = nullptr;

// ---- 1. command numbers and helpers ---------------------------------------------------

namespace {

// Which command numbers are taken (GUI thread only, as every menu).
std::vector<bool>& CommandsTaken() {
  static std::vector<bool> taken(kLastMenuCommand + 1, false);
  return taken;
}

Word AllocateCommand() {
  static Word next = kFirstMenuCommand;
  auto& taken = CommandsTaken();
  for (unsigned tries = 0; tries < kLastMenuCommand; ++tries) {
    Word c = next;
    next = next >= kLastMenuCommand ? kFirstMenuCommand : static_cast<Word>(next + 1);
    if (!taken[c]) {
      taken[c] = true;
      return c;
    }
  }
  throw EMenuError("Out of menu command numbers");
}

void ReleaseCommand(Word c) {
  if (c >= kFirstMenuCommand && c <= kLastMenuCommand) CommandsTaken()[c] = false;
}

// Gives the canvas the screen's menu font (owner-drawn items are measured and drawn in it).
void UseMenuFont(TCanvas& canvas) {
  if (Screen) canvas.Font()->Assign(Screen->MenuFont());
}

// The caption as it reads: accelerator marks taken out, "&&" kept as one '&'.
String PlainCaption(StringView caption) {
  String out;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&') {
      if (i + 1 < caption.size() && caption[i + 1] == u'&') {
        out += u'&';
        ++i;
      }
      continue;
    }
    out += caption[i];
  }
  return out;
}

// Margins of the library's owner drawing (pixels).
constexpr Integer kTextGap = 6;       // between the check and picture column and the text
constexpr Integer kShortCutGap = 24;  // between the text and the shortcut

}  // namespace

// ---- 2. TMenuItem: the tree -----------------------------------------------------------

TW_DEFINE_CLASS(TMenuItem) {
  b.Property(u"Action", &TMenuItem::Action, &TMenuItem::SetAction);
  b.Property(u"Caption", &TMenuItem::Caption, &TMenuItem::SetCaption).Stored(&TMenuItem::IsCaptionStored);
  b.Property(u"Checked", &TMenuItem::Checked, &TMenuItem::SetChecked)
      .Default(false)
      .Stored(&TMenuItem::IsCheckedStored);
  b.Property(u"Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true).Stored(&TMenuItem::IsEnabledStored);
  b.Property(u"Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true).Stored(&TMenuItem::IsVisibleStored);
  b.Property(u"Default", &TMenuItem::Default, &TMenuItem::SetDefault).Default(false);
  b.Property(u"RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem).Default(false);
  b.Property(u"GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex).Default(0);
  b.Property(u"Break", &TMenuItem::Break, &TMenuItem::SetBreak).Default(mbNone);
  b.Property(u"ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Default(scNone);
  b.Property(u"ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex)
      .Default(-1)
      .Stored(&TMenuItem::IsImageIndexStored);
  // Read without making an empty picture; written only when there is one.
  b.Property(
       u"Bitmap", [](const TMenuItem& i) { return const_cast<TMenuItem&>(i).Bitmap(); }, &TMenuItem::SetBitmap)
      .Stored(&TMenuItem::HasBitmap);
  b.Property(u"SubMenuImages", &TMenuItem::SubMenuImages, &TMenuItem::SetSubMenuImages);
  b.Property(u"HelpContext", &TMenuItem::HelpContext, &TMenuItem::SetHelpContext)
      .Default(0)
      .Stored(&TMenuItem::IsHelpContextStored);
  b.Property(u"OnClick", &TMenuItem::OnClick, &TMenuItem::SetOnClick).Stored(&TMenuItem::IsOnClickStored);
  b.Property(u"OnMeasureItem", &TMenuItem::OnMeasureItem, &TMenuItem::SetOnMeasureItem);
  b.Property(u"OnAdvancedDrawItem", &TMenuItem::OnAdvancedDrawItem, &TMenuItem::SetOnAdvancedDrawItem);
}

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(AllocateCommand()) {}

TMenuItem::~TMenuItem() {
  Destroying();
  if (parent_) parent_->Remove(this);
  // The own system menu goes first, so that no child's menu is left linked into it.
  DestroyHandle();
  while (!items_.empty()) {
    TMenuItem* child = items_.back();
    items_.pop_back();
    child->parent_ = nullptr;
    child->Free();
  }
  if (subMenuImages_) subMenuImages_->RemoveFreeNotification(this);
  bitmap_.reset();
  ReleaseCommand(command_);
}

TMenuItem* TMenuItem::Items(Integer index) const {
  if (index < 0 || index >= Count()) throw EMenuError("Menu index out of range");
  return items_[static_cast<size_t>(index)];
}

Integer TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<Integer>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(Integer index, TMenuItem* item) {
  if (!item) return;
  if (item->parent_) throw EMenuError("Menu inserted twice");
  if (item == this || item->menu_) throw EMenuError("Sub-menu is not in menu");
  for (TMenuItem* p = parent_; p; p = p->parent_)
    if (p == item) throw EMenuError("Sub-menu is not in menu");
  if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
  MenuChanged(true);
}

void TMenuItem::Remove(TMenuItem* item) {
  Integer i = IndexOf(item);
  if (i < 0) throw EMenuError("Sub-menu is not in menu");
  items_.erase(items_.begin() + i);
  item->parent_ = nullptr;
  MenuChanged(true);
}

void TMenuItem::Delete(Integer index) {
  TMenuItem* item = Items(index);
  Remove(item);
  item->Free();
}

void TMenuItem::Clear() {
  while (!items_.empty()) Delete(Count() - 1);
}

Integer TMenuItem::MenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }

void TMenuItem::SetMenuIndex(Integer index) {
  if (!parent_) return;
  TMenuItem* parent = parent_;
  Integer count = parent->Count();
  index = std::clamp(index, 0, count - 1);
  if (index == MenuIndex()) return;
  auto& list = parent->items_;
  list.erase(list.begin() + MenuIndex());
  list.insert(list.begin() + index, this);
  parent->MenuChanged(true);
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->parent_) root = root->parent_;
  return root->menu_;
}

TMenuItem* TMenuItem::Find(StringView text) const {
  const String wanted = PlainCaption(text);
  for (TMenuItem* item : items_)
    if (SameText(PlainCaption(item->caption_), wanted)) return item;
  return nullptr;
}

TComponent* TMenuItem::GetParentComponent() const {
  if (parent_ && parent_->menu_) return parent_->menu_;
  return parent_;
}

void TMenuItem::GetChildren(std::vector<TComponent*>& children, TComponent* root) const {
  for (TMenuItem* item : items_)
    if (item->Owner() == root) children.push_back(item);
}

void TMenuItem::SetParentComponent(TComponent* parent) {
  if (parent_) parent_->Remove(this);
  if (!parent) return;
  if (auto* menu = dynamic_cast<TMenu*>(parent))
    menu->Items()->Add(this);
  else if (auto* item = dynamic_cast<TMenuItem*>(parent))
    item->Add(this);
  else
    throw EMenuError(u"A menu item cannot be placed on " + ClassNameOf(parent));
}

// ---- 3. TMenuItem: properties and the system menu -------------------------------------

void TMenuItem::SetCaption(const String& v) {
  if (v == caption_) return;
  caption_ = v;
  Changed(true);
}

void TMenuItem::SetChecked(bool v) {
  if (v == checked_) return;
  checked_ = v;
  if (v && radioItem_) TurnSiblingsOff();
  Changed(true);
}

void TMenuItem::TurnSiblingsOff() {
  if (!parent_) return;
  for (TMenuItem* other : parent_->items_)
    if (other != this && other->radioItem_ && other->groupIndex_ == groupIndex_ && other->checked_) {
      other->checked_ = false;
      other->Changed(true);
    }
}

void TMenuItem::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Changed(true);
}

void TMenuItem::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed(true);
}

void TMenuItem::SetDefault(bool v) {
  if (v == default_) return;
  // One default item per menu.
  if (v && parent_)
    for (TMenuItem* other : parent_->items_) other->default_ = false;
  default_ = v;
  Changed(true);
}

void TMenuItem::SetRadioItem(bool v) {
  if (v == radioItem_) return;
  radioItem_ = v;
  if (v && checked_) TurnSiblingsOff();
  Changed(true);
}

void TMenuItem::SetGroupIndex(Byte v) {
  if (v == groupIndex_) return;
  groupIndex_ = v;
  if (radioItem_ && checked_) TurnSiblingsOff();
  Changed(true);
}

void TMenuItem::SetBreak(TMenuBreak v) {
  if (v == break_) return;
  break_ = v;
  Changed(true);
}

void TMenuItem::SetShortCut(TShortCut v) {
  if (v == shortCut_) return;
  shortCut_ = v;
  Changed(true);
}

void TMenuItem::SetImageIndex(Integer v) {
  if (v == imageIndex_) return;
  imageIndex_ = v;
  Changed(true);
}

TBitmap* TMenuItem::Bitmap() {
  if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
  return bitmap_.get();
}

void TMenuItem::SetBitmap(const TBitmap* v) {
  Bitmap()->Assign(v);
  Changed(true);
}

bool TMenuItem::HasBitmap() const { return bitmap_ && !bitmap_->Empty(); }

void TMenuItem::SetSubMenuImages(TCustomImageList* v) {
  if (v == subMenuImages_) return;
  if (subMenuImages_) subMenuImages_->RemoveFreeNotification(this);
  subMenuImages_ = v;
  if (v) v->FreeNotification(this);
  MenuChanged(true);
}

TCustomImageList* TMenuItem::GetImageList() const {
  if (parent_ && parent_->subMenuImages_) return parent_->subMenuImages_;
  TMenu* menu = GetParentMenu();
  return menu ? menu->Images() : nullptr;
}

void TMenuItem::SetOnMeasureItem(TMenuMeasureItemEvent e) {
  // The same handler again changes nothing: skinning code sets it while the system measures
  // the bar, and a rebuild from inside that measuring pulls the items from under the system.
  if (e == onMeasureItem_) return;
  onMeasureItem_ = e;
  // The system asks for the size once: a new handler measures the item again.
  Changed(true);
}

void TMenuItem::SetOnAdvancedDrawItem(TAdvancedMenuDrawItemEvent e) {
  if (e == onAdvancedDrawItem_) return;
  onAdvancedDrawItem_ = e;
  Changed(false);
}

void TMenuItem::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == subMenuImages_) {
    subMenuImages_ = nullptr;
    MenuChanged(true);
  }
  // The action goes: the link has already forgotten it.
  if (actionLink_ && (!actionLink_->Action() || actionLink_->Action() == component)) actionLink_.reset();
}

// ---- the action ----

TMenuActionLink::TMenuActionLink(TMenuItem* client) : TActionLink(client), item_(client) {}

TCustomAction* TMenuActionLink::CustomAction() const { return dynamic_cast<TCustomAction*>(Action()); }

namespace {
// Whether the item's value equals its action's (there is a custom action).
template <class V, class W>
bool Same(const TMenuItem* item, const TCustomAction* action, V (TMenuItem::*get)() const,
          W (TCustomAction::*getOfAction)() const) {
  return action && (item->*get)() == (action->*getOfAction)();
}
}  // namespace

bool TMenuActionLink::IsCaptionLinked() const {
  return Same(item_, CustomAction(), &TMenuItem::Caption, &TCustomAction::Caption);
}
bool TMenuActionLink::IsCheckedLinked() const {
  return Same(item_, CustomAction(), &TMenuItem::Checked, &TCustomAction::Checked);
}
bool TMenuActionLink::IsEnabledLinked() const {
  return Same(item_, CustomAction(), &TMenuItem::Enabled, &TCustomAction::Enabled);
}
bool TMenuActionLink::IsVisibleLinked() const {
  return Same(item_, CustomAction(), &TMenuItem::Visible, &TCustomAction::Visible);
}
bool TMenuActionLink::IsHelpContextLinked() const {
  return Same(item_, CustomAction(), &TMenuItem::HelpContext, &TCustomAction::HelpContext);
}
bool TMenuActionLink::IsImageIndexLinked() const {
  return Same(item_, CustomAction(), &TMenuItem::ImageIndex, &TCustomAction::ImageIndex);
}
bool TMenuActionLink::IsOnExecuteLinked() const {
  TBasicAction* a = Action();
  return a && item_->OnClick() == a->OnExecute();
}

void TMenuItem::SetAction(TBasicAction* action) {
  if (!action) {
    actionLink_.reset();
    return;
  }
  if (!actionLink_) {
    actionLink_ = std::make_unique<TMenuActionLink>(this);
    actionLink_->OnChange = TNotifyEvent(this, &TMenuItem::DoActionChange);
  }
  actionLink_->SetAction(action);
  action->FreeNotification(this);
  ActionChange(action, action->IsLoading());
  // Its present state at once, unless a description is still being read.
  if (!IsLoading() && !action->IsLoading()) InitiateAction();
}

void TMenuItem::DoActionChange(TObject* sender) {
  if (sender && sender == Action()) ActionChange(sender, false);
}

void TMenuItem::ActionChange(TObject* sender, bool checkDefaults) {
  auto* a = dynamic_cast<TCustomAction*>(sender);
  if (!a) return;
  if (!checkDefaults || caption_.empty()) SetCaption(a->Caption());
  if (!checkDefaults || !checked_) SetChecked(a->Checked());
  if (!checkDefaults || enabled_) SetEnabled(a->Enabled());
  if (!checkDefaults || visible_) SetVisible(a->Visible());
  if (!checkDefaults || helpContext_ == 0) SetHelpContext(a->HelpContext());
  if (!checkDefaults || imageIndex_ < 0) SetImageIndex(a->ImageIndex());
  if (!checkDefaults || !onClick_) onClick_ = a->OnExecute();
}

void TMenuItem::Loaded() {
  TComponent::Loaded();
  MenuChanged(true);
}

bool TMenuItem::IsOwnerDraw() const {
  TMenu* menu = GetParentMenu();
  return menu && menu->OwnerDraw();
}

HMENU TMenuItem::Handle() {
  if (!handle_) {
    auto* mainMenu = dynamic_cast<TMainMenu*>(menu_);
    handle_ = mainMenu ? CreateMenu() : CreatePopupMenu();
    if (!handle_) throw EMenuError("Cannot make a menu");
    RebuildHandle();
  }
  return handle_;
}

void TMenuItem::DestroyHandle() {
  if (!handle_) return;
  // Unlinked first: destroying a menu destroys the sub-menus still in it, and those belong
  // to the children.
  while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
  DestroyMenu(handle_);
  handle_ = nullptr;
}

void TMenuItem::RebuildHandle() {
  if (!handle_ || IsDestroying()) return;
  while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
  auto* mainMenu = dynamic_cast<TMainMenu*>(menu_);
  const std::vector<TMenuItem*> shown = mainMenu ? mainMenu->BarItems() : items_;
  for (TMenuItem* item : shown)
    if (item->visible_) item->AppendTo(handle_, mainMenu != nullptr);
}

void TMenuItem::AppendTo(HMENU menu, bool topLevel) {
  MENUITEMINFOW mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_DATA | MIIM_STRING;
  mii.wID = command_;
  mii.dwItemData = reinterpret_cast<ULONG_PTR>(this);
  String text = caption_;
  if (IsLine()) {
    mii.fType = MFT_SEPARATOR;
    mii.fMask &= ~static_cast<UINT>(MIIM_STRING);
  } else {
    if (shortCut_ && !topLevel) {
      String keys = ShortCutToText(shortCut_);
      if (!keys.empty()) text += u"\t" + keys;
    }
    mii.dwTypeData = const_cast<LPWSTR>(WideStr(text));
    if (IsOwnerDraw()) {
      mii.fType |= MFT_OWNERDRAW;
    } else if (HasBitmap() || (imageIndex_ >= 0 && GetImageList())) {
      // The system leaves room for the picture and asks the owner window to draw it.
      mii.fMask |= MIIM_BITMAP;
      mii.hbmpItem = HBMMENU_CALLBACK;
    }
    if (radioItem_) mii.fType |= MFT_RADIOCHECK;
  }
  if (break_ == mbBreak) mii.fType |= MFT_MENUBREAK;
  if (break_ == mbBarBreak) mii.fType |= MFT_MENUBARBREAK;
  if (TMenu* m = GetParentMenu(); m && m->IsRightToLeft())
    mii.fType |= MFT_RIGHTORDER | (topLevel ? MFT_RIGHTJUSTIFY : 0);
  if (checked_) mii.fState |= MFS_CHECKED;
  if (!enabled_) mii.fState |= MFS_GRAYED;
  if (default_) mii.fState |= MFS_DEFAULT;
  if (!items_.empty()) {
    mii.fMask |= MIIM_SUBMENU;
    mii.hSubMenu = Handle();
  }
  InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &mii);
}

void TMenuItem::MenuChanged(bool rebuild) {
  if (IsLoading() || IsDestroying()) return;
  if (rebuild) {
    // The item's entry lives in its parent's menu, its children in its own.
    if (parent_) parent_->RebuildHandle();
    RebuildHandle();
  }
  // A top-level item of a merged menu shows in the menu bar it is merged into.
  if (TMenu* menu = GetParentMenu()) menu->MenuChanged(this, rebuild);
}

void TMenuItem::Click() {
  if (!enabled_) return;
  TBasicAction* action = Action();
  // An OnClick of its own runs instead of the action; the action's OnExecute as OnClick,
  // or none, means the action runs (with its list's and the application's handlers).
  if (onClick_ && action && !(onClick_ == action->OnExecute()))
    onClick_(this);
  else if (action)
    actionLink_->Execute(this);
  else
    onClick_.Call(this);
}

void TMenuItem::InitiateAction() {
  if (actionLink_) actionLink_->Update();
  for (TMenuItem* item : std::vector<TMenuItem*>(items_)) item->InitiateAction();
}

// ---- 4. TMenuItem: owner drawing and pictures -----------------------------------------

TSize TMenuItem::ImageSize() const {
  if (HasBitmap()) return TSize(bitmap_->Width(), bitmap_->Height());
  TCustomImageList* list = GetImageList();
  if (list && imageIndex_ >= 0 && imageIndex_ < list->Count()) return TSize(list->Width(), list->Height());
  return TSize(0, 0);
}

bool TMenuItem::DrawImage(TCanvas* canvas, Integer x, Integer y, bool enabled) {
  if (HasBitmap()) {
    canvas->Draw(x, y, bitmap_.get());
    return true;
  }
  TCustomImageList* list = GetImageList();
  if (!list || imageIndex_ < 0 || imageIndex_ >= list->Count()) return false;
  list->Draw(canvas, x, y, imageIndex_, enabled);
  return true;
}

void TMenuItem::MeasureItem(TCanvas* canvas, Integer& width, Integer& height) {
  const bool topLevel = parent_ && parent_->menu_ && dynamic_cast<TMainMenu*>(parent_->menu_);
  if (IsLine()) {
    width = 8;
    height = GetSystemMetrics(SM_CYMENUSIZE) / 2;
  } else {
    String text = PlainCaption(caption_);
    TSize t = canvas->TextExtent(text.empty() ? String(u" ") : text);
    TSize image = ImageSize();
    if (topLevel) {
      width = t.cx + 2 * kTextGap + (image.cx ? image.cx + kTextGap : 0);
    } else {
      const Integer column = std::max<Integer>(GetSystemMetrics(SM_CXMENUCHECK), image.cx) + 2 * kTextGap;
      width = column + t.cx + kTextGap;
      if (shortCut_) width += kShortCutGap + canvas->TextWidth(ShortCutToText(shortCut_));
    }
    height = std::max<Integer>(t.cy + 4, image.cy + 4);
  }
  onMeasureItem_.Call(this, canvas, width, height);
}

void TMenuItem::AdvancedDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel) {
  if (onAdvancedDrawItem_) {
    onAdvancedDrawItem_(this, canvas, rect, state);
    return;
  }
  DoDrawItem(canvas, rect, state, topLevel);
}

void TMenuItem::DoDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state, bool topLevel) {
  const bool selected = state.Contains(odSelected) || (topLevel && state.Contains(odHotLight));
  const bool grayed = state.Contains(odGrayed) || state.Contains(odDisabled) || !enabled_;
  canvas->Brush()->SetColor(selected ? clHighlight : clMenu);
  canvas->FillRect(rect);
  if (IsLine()) {
    const Integer y = rect.Top + rect.Height() / 2;
    canvas->Pen()->SetColor(clBtnShadow);
    canvas->MoveTo(rect.Left + 2, y);
    canvas->LineTo(rect.Right - 2, y);
    return;
  }
  TRect r = rect;
  const TSize image = ImageSize();
  if (!topLevel) {
    const Integer column = std::max<Integer>(GetSystemMetrics(SM_CXMENUCHECK), image.cx) + 2 * kTextGap;
    TRect mark(r.Left, r.Top, r.Left + column, r.Bottom);
    if (image.cx > 0) {
      DrawImage(canvas, mark.Left + (mark.Width() - image.cx) / 2, mark.Top + (mark.Height() - image.cy) / 2, !grayed);
      if (checked_) {
        canvas->Pen()->SetColor(clHighlight);
        canvas->Brush()->SetStyle(bsClear);
        canvas->Rectangle(mark.Left + kTextGap / 2, mark.Top + 1, mark.Right - kTextGap / 2, mark.Bottom - 1);
      }
    } else if (checked_) {
      // A check mark or a radio dot in the text colour.
      const TColor ink = grayed ? clGrayText : selected ? clHighlightText : clMenuText;
      const Integer cx = mark.Left + mark.Width() / 2, cy = mark.Top + mark.Height() / 2;
      if (radioItem_) {
        canvas->Pen()->SetColor(ink);
        canvas->Brush()->SetColor(ink);
        canvas->Ellipse(cx - 3, cy - 3, cx + 4, cy + 4);
      } else {
        canvas->Pen()->SetColor(ink);
        canvas->Pen()->SetWidth(2);
        canvas->Polyline({TPoint(cx - 4, cy), TPoint(cx - 1, cy + 3), TPoint(cx + 4, cy - 3)});
        canvas->Pen()->SetWidth(1);
      }
    }
    r.Left = mark.Right;
  } else if (image.cx > 0) {
    DrawImage(canvas, r.Left + kTextGap, r.Top + (r.Height() - image.cy) / 2, !grayed);
    r.Left += kTextGap + image.cx;
  }
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetColor(grayed ? clGrayText : selected ? clHighlightText : clMenuText);
  if (default_ || state.Contains(odDefault)) canvas->Font()->SetStyle(canvas->Font()->Style() + TFontStyles{fsBold});
  HDC dc = canvas->Handle();
  UINT flags = DT_SINGLELINE | DT_VCENTER | DT_EXPANDTABS | (topLevel ? DT_CENTER : DT_LEFT);
  if (state.Contains(odNoAccel)) flags |= DT_HIDEPREFIX;
  RECT tr{r.Left, r.Top, r.Right - (topLevel ? 0 : kTextGap), r.Bottom};
  DrawTextW(dc, WideStr(caption_), -1, &tr, flags);
  if (shortCut_ && !topLevel) {
    String keys = ShortCutToText(shortCut_);
    DrawTextW(dc, WideStr(keys), -1, &tr, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  }
}

// ---- 5. TMenu: lookups, commands and menu messages ------------------------------------

TW_DEFINE_CLASS(TMenu) {
  b.Property(u"Images", &TMenu::Images, &TMenu::SetImages);
  b.Property(u"OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw).Default(false);
  b.Property(u"BiDiMode", &TMenu::BiDiMode, &TMenu::SetBiDiMode).Stored([](const TMenu& m) {
    return !m.ParentBiDiMode();
  });
  b.Property(u"ParentBiDiMode", &TMenu::ParentBiDiMode, &TMenu::SetParentBiDiMode).Default(true);
}

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) { items_->SetMenu(this); }

TMenu::~TMenu() {
  if (images_) images_->RemoveFreeNotification(this);
  // The root goes with the menu (it is owned by it, but the items need their menu link
  // while they go).
  TMenuItem* root = items_;
  RemoveComponent(root);
  root->Free();
  items_ = nullptr;
}

void TMenu::SetImages(TCustomImageList* v) {
  if (v == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (v) v->FreeNotification(this);
  items_->MenuChanged(true);
}

namespace {
void RebuildAll(TMenuItem* item) {
  for (Integer i = 0; i < item->Count(); ++i) RebuildAll(item->Items(i));
  item->MenuChanged(true);
}
}  // namespace

void TMenu::SetOwnerDraw(bool v) {
  if (v == ownerDraw_) return;
  ownerDraw_ = v;
  RebuildAll(items_);
}

TBiDiMode TMenu::BiDiMode() const {
  if (parentBiDiMode_)
    if (auto* c = dynamic_cast<TControl*>(Owner())) return c->BiDiMode();
  return biDiMode_;
}

void TMenu::SetBiDiMode(TBiDiMode v) {
  parentBiDiMode_ = false;
  if (v == biDiMode_) return;
  biDiMode_ = v;
  AdjustBiDiBehavior();
}

void TMenu::SetParentBiDiMode(bool v) {
  if (v == parentBiDiMode_) return;
  parentBiDiMode_ = v;
  AdjustBiDiBehavior();
}

void TMenu::AdjustBiDiBehavior() {
  if (!IsLoading()) RebuildAll(items_);
}

void TMenu::SetWindowHandle(HWND wnd) { windowHandle_ = wnd; }

void TMenu::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == images_) {
    images_ = nullptr;
    if (items_) items_->MenuChanged(true);
  }
}

void TMenu::Loaded() {
  TComponent::Loaded();
  if (items_->HandleAllocated()) RebuildAll(items_);
}

void TMenu::MenuChanged(TMenuItem*, bool) {}

namespace {
TMenuItem* FindIn(TMenuItem* item, uintptr_t value, TFindItemKind kind) {
  for (Integer i = 0; i < item->Count(); ++i) {
    TMenuItem* child = item->Items(i);
    switch (kind) {
      case fkCommand:
        if (child->Command() == value) return child;
        break;
      case fkHandle:
        if (child->HandleAllocated() && reinterpret_cast<uintptr_t>(child->Handle()) == value) return child;
        break;
      case fkShortCut:
        if (child->ShortCut() != scNone && child->ShortCut() == value) return child;
        break;
    }
    if (TMenuItem* found = FindIn(child, value, kind)) return found;
  }
  return nullptr;
}
}  // namespace

void TMenu::GetChildren(std::vector<TComponent*>& children, TComponent* root) const {
  items_->GetChildren(children, root);
}

TMenuItem* TMenu::FindItem(uintptr_t value, TFindItemKind kind) const {
  if (kind == fkHandle && items_->HandleAllocated() && reinterpret_cast<uintptr_t>(items_->Handle()) == value)
    return items_;
  return FindIn(items_, value, kind);
}

bool TMenu::DispatchCommand(Word command) {
  TMenuItem* item = FindItem(command, fkCommand);
  if (!item) return false;
  item->Click();
  return true;
}

bool TMenu::DispatchPopup(HMENU subMenu) {
  TMenuItem* item = FindItem(reinterpret_cast<uintptr_t>(subMenu), fkHandle);
  if (!item) return false;
  if (item != items_) {
    item->InitiateAction();
    item->Click();
  }
  return true;
}

bool TMenu::IsShortCut(Word key) {
  TShiftState shift;
  if (GetKeyState(VK_SHIFT) < 0) shift += ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift += ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift += ssAlt;
  const TShortCut wanted = ::ShortCut(key, shift);
  if (wanted == scNone) return false;
  TMenuItem* item = FindItem(wanted, fkShortCut);
  if (!item) return false;
  // Only what the user could reach: the item and every menu above it enabled and visible.
  for (TMenuItem* p = item; p && p->Parent(); p = p->Parent())
    if (!p->Enabled() || !p->Visible()) return false;
  item->InitiateAction();
  item->Click();
  return true;
}

bool TMenu::HandleMenuMessage(TMessage& m) {
  switch (m.Msg) {
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(m.LParam);
      if (!mis || mis->CtlType != ODT_MENU) return false;
      TMenuItem* item = FindItem(mis->itemID, fkCommand);
      if (!item) return false;
      TClientDC dc(nullptr);
      TCanvas canvas;
      canvas.SetHandle(dc);
      UseMenuFont(canvas);
      Integer width = 0, height = 0;
      if (item->IsOwnerDraw()) {
        item->MeasureItem(&canvas, width, height);
      } else {
        TSize size = item->ImageSize();  // the picture beside a system-drawn item
        width = size.cx;
        height = size.cy;
      }
      canvas.SetHandle(nullptr);
      mis->itemWidth = static_cast<UINT>(std::max(width, 0));
      mis->itemHeight = static_cast<UINT>(std::max(height, 0));
      m.Result = 1;
      return true;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
      if (!dis || dis->CtlType != ODT_MENU) return false;
      TMenuItem* item = FindItem(dis->itemID, fkCommand);
      if (!item) return false;
      TSaveDC saved(dis->hDC);
      TCanvas canvas;
      canvas.SetHandle(dis->hDC);
      const TRect r(dis->rcItem.left, dis->rcItem.top, dis->rcItem.right, dis->rcItem.bottom);
      const bool topLevel =
          item->Parent() && dynamic_cast<TMainMenu*>(item->Parent()->GetParentMenu()) && !item->Parent()->Parent();
      if (item->IsOwnerDraw()) {
        UseMenuFont(canvas);
        item->AdvancedDrawItem(&canvas, r, OwnerDrawStateOf(dis->itemState), topLevel);
      } else {
        const TSize size = item->ImageSize();
        const bool enabled = !(dis->itemState & (ODS_GRAYED | ODS_DISABLED));
        item->DrawImage(&canvas, r.Left + (r.Width() - size.cx) / 2, r.Top + (r.Height() - size.cy) / 2, enabled);
      }
      canvas.SetHandle(nullptr);
      m.Result = 1;
      return true;
    }
    case WM_INITMENUPOPUP:
      if (HIWORD(m.LParam)) return false;  // the window menu (system menu) is the system's
      if (!DispatchPopup(reinterpret_cast<HMENU>(m.WParam))) return false;
      m.Result = 0;
      return true;
    case WM_MENUCHAR: {
      // Owner-drawn items have no text for the system to find the accelerator in: the item
      // whose caption marks the key is picked by its position in the shown menu.
      HMENU menu = reinterpret_cast<HMENU>(m.LParam);
      TMenuItem* parent = FindItem(reinterpret_cast<uintptr_t>(menu), fkHandle);
      if (!parent) return false;
      const int count = GetMenuItemCount(menu);
      for (int pos = 0; pos < count; ++pos) {
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_ID | MIIM_DATA;
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &mii)) continue;
        TMenuItem* item = FindItem(mii.wID, fkCommand);
        if (item && item->Enabled() && IsAccel(LOWORD(m.WParam), item->Caption())) {
          m.Result = MAKELRESULT(pos, MNC_EXECUTE);
          return true;
        }
      }
      return false;
    }
  }
  return false;
}

// ---- 6. TMainMenu: the menu bar and merging -------------------------------------------

TW_DEFINE_CLASS(TMainMenu) { b.Property(u"AutoMerge", &TMainMenu::AutoMerge, &TMainMenu::SetAutoMerge).Default(false); }

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) {}

TMainMenu::~TMainMenu() {
  if (mergedInto_) mergedInto_->Unmerge(this);
  if (merged_) {
    merged_->mergedInto_ = nullptr;
    merged_->RemoveFreeNotification(this);
    merged_ = nullptr;
  }
  // The window lets go of the bar before it is destroyed.
  HWND wnd = WindowHandle();
  if (wnd && IsWindow(wnd) && Items()->HandleAllocated() && GetMenu(wnd) == Items()->Handle()) {
    ::SetMenu(wnd, nullptr);
    DrawMenuBar(wnd);
  }
}

void TMainMenu::SetAutoMerge(bool v) {
  if (v == autoMerge_) return;
  autoMerge_ = v;
  MenuChanged(nullptr, false);
}

void TMainMenu::Merge(TMainMenu* menu) {
  if (menu == merged_ || menu == this) return;
  if (merged_) {
    merged_->mergedInto_ = nullptr;
    merged_->RemoveFreeNotification(this);
  }
  merged_ = menu;
  if (menu) {
    if (menu->mergedInto_ && menu->mergedInto_ != this) menu->mergedInto_->Unmerge(menu);
    menu->mergedInto_ = this;
    menu->FreeNotification(this);
  }
  Items()->RebuildHandle();
  MenuChanged(nullptr, true);
}

void TMainMenu::Unmerge(TMainMenu* menu) {
  if (!menu || menu != merged_) return;
  Merge(nullptr);
}

std::vector<TMenuItem*> TMainMenu::BarItems() const {
  std::vector<TMenuItem*> bar;
  const TMenuItem* own = Items();
  auto mergedHasGroup = [&](Byte g) {
    if (!merged_) return false;
    for (Integer i = 0; i < merged_->Items()->Count(); ++i)
      if (merged_->Items()->Items(i)->GroupIndex() == g) return true;
    return false;
  };
  for (Integer i = 0; i < own->Count(); ++i)
    if (!mergedHasGroup(own->Items(i)->GroupIndex())) bar.push_back(own->Items(i));
  if (merged_)
    for (Integer i = 0; i < merged_->Items()->Count(); ++i) {
      TMenuItem* item = merged_->Items()->Items(i);
      auto at = bar.begin();
      for (auto it = bar.begin(); it != bar.end(); ++it)
        if ((*it)->GroupIndex() <= item->GroupIndex()) at = it + 1;
      bar.insert(at, item);
    }
  return bar;
}

TMenuItem* TMainMenu::FindItem(uintptr_t value, TFindItemKind kind) const {
  if (TMenuItem* item = TMenu::FindItem(value, kind)) return item;
  return merged_ ? merged_->FindItem(value, kind) : nullptr;
}

void TMainMenu::MenuChanged(TMenuItem* source, bool rebuild) {
  if (mergedInto_) {
    // The items show in another bar.
    if (rebuild) mergedInto_->Items()->RebuildHandle();
    mergedInto_->MenuChanged(source, rebuild);
    return;
  }
  HWND wnd = WindowHandle();
  if (!wnd || !IsWindow(wnd)) return;
  // The form hears of the change before the system measures the bar again, so that code
  // giving new items their handlers does so now and not from inside that measuring.
  if (TWinControl* form = FindControl(wnd)) form->Perform(CM_MENUCHANGED, 0, 0);
  DrawMenuBar(wnd);
}

void TMainMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == merged_) {
    merged_ = nullptr;
    if (!IsDestroying()) {
      Items()->RebuildHandle();
      MenuChanged(nullptr, true);
    }
  }
}

// ---- 7. TPopupMenu and the popup list -------------------------------------------------

TW_DEFINE_CLASS(TPopupMenu) {
  b.Property(u"Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment).Default(paLeft);
  b.Property(u"AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
  b.Property(u"TrackButton", &TPopupMenu::TrackButton, &TPopupMenu::SetTrackButton).Default(tbRightButton);
  b.Property(u"MenuAnimation", &TPopupMenu::MenuAnimation, &TPopupMenu::SetMenuAnimation).Default(TMenuAnimation{});
  b.Property(u"OnPopup", &TPopupMenu::OnPopup, &TPopupMenu::SetOnPopup);
}

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {
  if (!PopupList) {
    static TPopupList list;
    PopupList = &list;
  }
  PopupList->Add(this);
}

TPopupMenu::~TPopupMenu() {
  if (PopupList) PopupList->Remove(this);
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
}

void TPopupMenu::SetPopupComponent(TComponent* c) {
  if (c == popupComponent_) return;
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
  popupComponent_ = c;
  if (c) c->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::Popup(Integer x, Integer y) {
  popupPoint_ = {x, y};
  DoPopup();
  Items()->InitiateAction();
  UINT flags = TPM_TOPALIGN;
  switch (alignment_) {
    case paLeft: flags |= TPM_LEFTALIGN; break;
    case paRight: flags |= TPM_RIGHTALIGN; break;
    case paCenter: flags |= TPM_CENTERALIGN; break;
  }
  flags |= trackButton_ == tbLeftButton ? TPM_LEFTBUTTON : TPM_RIGHTBUTTON;
  if (menuAnimation_.Contains(maLeftToRight)) flags |= TPM_HORPOSANIMATION;
  if (menuAnimation_.Contains(maRightToLeft)) flags |= TPM_HORNEGANIMATION;
  if (menuAnimation_.Contains(maTopToBottom)) flags |= TPM_VERPOSANIMATION;
  if (menuAnimation_.Contains(maBottomToTop)) flags |= TPM_VERNEGANIMATION;
  if (menuAnimation_.Contains(maNone)) flags |= TPM_NOANIMATION;
  if (IsRightToLeft()) flags |= TPM_LAYOUTRTL;
  HMENU menu = Handle();
  if (GetMenuItemCount(menu) <= 0) return;
  // The chosen item's command reaches the popup list's window once the loop has ended.
  TrackPopupMenuEx(menu, flags, x, y, PopupList->Window(), nullptr);
}

struct TwPopupListProc {
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    // The window's first messages come before CreateWindowEx has told the list its handle.
    if (!PopupList || PopupList->window_ != wnd) return DefWindowProcW(wnd, msg, wp, lp);
    TMessage m{msg, wp, lp, 0};
    try {
      PopupList->WndProc(m);
    } catch (const std::exception& e) {
      if (Application) Application->HandleException(nullptr, &e);
    } catch (...) {
      if (Application) Application->HandleException(nullptr, nullptr);
    }
    return m.Result;
  }
};

HWND TPopupList::Window() {
  if (window_ && IsWindow(window_)) return window_;
  WNDCLASSW wc{};
  wc.lpfnWndProc = &TwPopupListProc::Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TPopupList";
  RegisterClassW(&wc);  // registered once; a second call fails harmlessly
  window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"TPopupList", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                            nullptr);
  if (!window_) throw EMenuError("Cannot make the popup list window");
  return window_;
}

void TPopupList::Add(TPopupMenu* menu) {
  if (std::find(menus_.begin(), menus_.end(), menu) == menus_.end()) menus_.push_back(menu);
}

void TPopupList::Remove(TPopupMenu* menu) {
  menus_.erase(std::remove(menus_.begin(), menus_.end(), menu), menus_.end());
}

void (*OnMenuPopupClosed)(HMENU menu) = nullptr;

TMenuItem* MenuItemOfCommand(uintptr_t command) {
  if (command < kFirstMenuCommand || command > kLastMenuCommand) return nullptr;
  if (PopupList)
    for (Integer i = 0; i < PopupList->Count(); ++i)
      if (TMenuItem* item = PopupList->Menus(i)->FindItem(command, fkCommand)) return item;
  if (Screen)
    for (Integer i = 0; i < Screen->FormCount(); ++i)
      if (TMainMenu* menu = Screen->Forms(i)->Menu())
        if (TMenuItem* item = menu->FindItem(command, fkCommand)) return item;
  return nullptr;
}

void TPopupList::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_UNINITMENUPOPUP:
      if (OnMenuPopupClosed) OnMenuPopupClosed(reinterpret_cast<HMENU>(m.WParam));
      break;
    case WM_COMMAND:
      if (HIWORD(m.WParam) == 0)
        for (TPopupMenu* menu : std::vector<TPopupMenu*>(menus_))
          if (std::find(menus_.begin(), menus_.end(), menu) != menus_.end() &&
              menu->DispatchCommand(LOWORD(m.WParam))) {
            m.Result = 0;
            return;
          }
      break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
    case WM_INITMENUPOPUP:
    case WM_MENUCHAR:
      for (TPopupMenu* menu : std::vector<TPopupMenu*>(menus_))
        if (std::find(menus_.begin(), menus_.end(), menu) != menus_.end() && menu->HandleMenuMessage(m)) return;
      break;
  }
  m.Result = DefWindowProcW(window_, m.Msg, m.WParam, m.LParam);
}
