// The skinned system menu of a provider's form: built from the window's own system menu (its
// captions, shortcuts and the program's extra commands), with the program's sub-menu and an
// optional list of skins, painted by the menu painter and dropped from the caption icon, a
// right click on the caption, Alt+Space and the taskbar. Without skinned popups the system's
// own menu drops, its commands enabled by the same queries.
#include <windows.h>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "forms/kvDialogWnd.h"
#include "forms/sSkinProvider.h"
#include "skin/ControlServices.h"
#include "skin/sSkinManagerList.h"
#include "ui/ScopeGuard.h"

TW_DEFINE_CLASS(TsCustomSysMenu) {}
TW_DEFINE_CLASS(TkvSysSubMenu) {}
TW_DEFINE_CLASS(TsSystemMenu) {}

namespace {

// The text of a system-menu entry split at its tab: the caption, and the shortcut text after
// the tab (empty without one). False (and the default caption) when nothing can be read.
bool GetItemText(HMENU menu, UINT id, UINT flags, const String& defaultCaption, String& caption, String& shortcut) {
  wchar_t text[256]{};
  const int n = GetMenuStringW(menu, id, text, 255, flags);
  shortcut.clear();
  if (n <= 0) {
    caption = defaultCaption;
    return false;
  }
  const String s(reinterpret_cast<const char16_t*>(text), size_t(n));
  const size_t tab = s.find(u'\t');
  caption = tab == String::npos ? s : s.substr(0, tab);
  if (tab != String::npos) shortcut = s.substr(tab + 1);
  return true;
}

TMenuItem* CloneMenuItem(TMenuItem* source, TComponent* owner) {
  auto* item = new TMenuItem(owner);
  item->SetCaption(source->Caption());
  item->SetShortCut(source->ShortCut());
  item->SetChecked(source->Checked());
  if (!source->Name().empty()) item->SetName(source->Name() + u"Copy");
  item->SetHelpContext(source->HelpContext());
  item->SetOnClick(source->OnClick());
  item->SetEnabled(source->Enabled());
  item->SetImageIndex(source->ImageIndex());
  for (Integer i = 0; i < source->Count(); ++i) item->Add(CloneMenuItem(source->Items(i), owner));
  return item;
}

}  // namespace

void EnableCommandItem(UINT command, bool enabled, HMENU menu) {
  EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
}

TsSystemMenu::TsSystemMenu(TsSkinProvider* owner) : TsCustomSysMenu(owner), FOwner(owner), FForm(owner->Form) {
  SetName(u"kvSysMenu" + IntToStr(Integer(GetTickCount())));
  Generate();
}

void TsSystemMenu::TrySubMenu(TkvMenuItemPos position) {
  const TkvSysSubMenu* sub = FOwner->SysSubMenu.get();
  if (!sub || sub->Position != position || sub->Caption.empty() || !sub->PopupMenu) return;
  auto addLine = [this](const String& name) {
    auto* line = new TMenuItem(this);
    line->SetCaption(u"-");
    line->SetName(name);
    Items()->Add(line);
  };
  if (position == ipBottom) addLine(u"kv_BtmDiv");
  SubMenu = new TMenuItem(this);
  SubMenu->SetName(u"kv_SubMenu");
  SubMenu->SetCaption(sub->Caption);
  Items()->Add(SubMenu);
  TMenuItem* userItems = sub->PopupMenu->Items();
  for (Integer i = 0; i < userItems->Count(); ++i) SubMenu->Add(CloneMenuItem(userItems->Items(i), this));
  SetImages(sub->PopupMenu->Images());
  if (position != ipBottom) addLine(u"kv_TopDiv");
}

void TsSystemMenu::Generate() {
  Items()->Clear();
  SubMenu = ItemMove = ItemSize = ItemClose = ItemRestore = ItemMinimize = ItemMaximize = nullptr;
  ExtItemsCount = 0;
  HMENU sys = FForm && FForm->HandleAllocated() ? GetSystemMenu(FForm->WindowHandle(), FALSE) : nullptr;
  if (!sys) return;
  TrySubMenu(ipTop);
  struct Standard {
    UINT command;
    const char16_t* name;
    String* caption;
    void (TsSystemMenu::*click)(TObject*);
    TMenuItem* TsSystemMenu::*field;
  };
  const Standard standard[] = {
      {SC_RESTORE, u"kvIR", &kvs_RestoreStr, &TsSystemMenu::RestoreClick, &TsSystemMenu::ItemRestore},
      {SC_MOVE, u"kvIM", &kvs_MoveStr, &TsSystemMenu::MoveClick, &TsSystemMenu::ItemMove},
      {SC_SIZE, u"kvIS", &kvs_SizeStr, &TsSystemMenu::SizeClick, &TsSystemMenu::ItemSize},
      {SC_MINIMIZE, u"kvIN", &kvs_MinimizeStr, &TsSystemMenu::MinClick, &TsSystemMenu::ItemMinimize},
      {SC_MAXIMIZE, u"kvIX", &kvs_MaximizeStr, &TsSystemMenu::MaxClick, &TsSystemMenu::ItemMaximize},
  };
  String caption, shortcut;
  for (const Standard& s : standard) {
    GetItemText(sys, s.command, MF_BYCOMMAND, *s.caption, caption, shortcut);
    auto* item = new TMenuItem(this);
    item->SetName(s.name);
    item->SetCaption(caption);
    item->SetOnClick(TNotifyEvent(this, s.click));
    item->SetTag(intptr_t(s.command));
    Items()->Add(item);
    this->*s.field = item;
  }
  auto* line = new TMenuItem(this);
  line->SetCaption(u"-");
  Items()->Add(line);
  // The program's own commands in the window's system menu.
  const int count = GetMenuItemCount(sys);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(sys, i);
    if (id >= 0xF000 && id < 0xF200) continue;
    if (!GetItemText(sys, UINT(i), MF_BYPOSITION, String(), caption, shortcut) || caption.empty()) continue;
    auto* item = new TMenuItem(this);
    item->SetCaption(caption);
    item->SetTag(intptr_t(id));
    if (!shortcut.empty()) item->SetShortCut(TextToShortCut(shortcut));
    item->SetOnClick(TNotifyEvent(this, &TsSystemMenu::ExtClick));
    Items()->Add(item);
    ++ExtItemsCount;
  }
  if (ExtItemsCount > 0) {
    auto* extLine = new TMenuItem(this);
    extLine->SetCaption(u"-");
    Items()->Add(extLine);
  }
  TrySubMenu(ipBeforeClose);
  GetItemText(sys, SC_CLOSE, MF_BYCOMMAND, kvs_CloseStr, caption, shortcut);
  ItemClose = new TMenuItem(this);
  ItemClose->SetName(u"kvIC");
  ItemClose->SetCaption(caption);
  if (!shortcut.empty()) ItemClose->SetShortCut(TextToShortCut(shortcut));
  ItemClose->SetTag(intptr_t(SC_CLOSE));
  ItemClose->SetOnClick(TNotifyEvent(this, &TsSystemMenu::CloseClick));
  ItemClose->SetEnabled(EnabledClose());
  Items()->Add(ItemClose);
  TrySubMenu(ipBottom);
}

void TsSystemMenu::UpdateItems(bool full) {
  if (full || !ItemClose) Generate();
  auto set = [](TMenuItem* item, bool visible, bool enabled) {
    if (!item) return;
    item->SetVisible(visible);
    item->SetEnabled(enabled);
  };
  set(ItemRestore, VisibleRestore(), EnabledRestore());
  set(ItemMove, true, EnabledMove());
  set(ItemSize, VisibleSize(), EnabledSize());
  // Minimizing a minimized form again would make it forget that it comes back maximized.
  set(ItemMinimize, VisibleMin(), EnabledMin() && !FOwner->IsIconicForm());
  set(ItemMaximize, VisibleMax(), EnabledMax());
  set(ItemClose, VisibleClose(), EnabledClose());
}

void TsSystemMenu::MakeSkinItems() {
  DuRiruZireziv* manager = FOwner->SkinManager();
  TkvSkinListController* list = manager ? manager->SkinListController() : nullptr;
  if (!list || list->SkinList.empty()) return;
  auto* skins = new TMenuItem(this);
  skins->SetName(u"SkinSelectItem");
  skins->SetCaption(kvs_AvailSkins);
  Items()->Insert(0, skins);
  auto* line = new TMenuItem(this);
  line->SetCaption(u"-");
  Items()->Insert(1, line);
  bool checked = false;
  for (size_t i = 0; i < list->SkinList.size(); ++i) {
    auto* item = new TMenuItem(this);
    item->SetCaption(list->SkinList[i].skName);
    item->SetName(u"SkinSelectItem" + IntToStr(Integer(i)));
    item->SetRadioItem(true);
    item->SetOnClick(TNotifyEvent(this, &TsSystemMenu::SkinSelect));
    if (i > 0 && i % 20 == 0) item->SetBreak(mbBreak);
    if (!checked && item->Caption() == manager->SkinName()) {
      item->SetChecked(true);
      item->SetDefault(true);
      checked = true;
    }
    skins->Add(item);
  }
}

void TsSystemMenu::SendCommand(WPARAM command) {
  if (FForm && FForm->HandleAllocated()) SendMessageW(FForm->WindowHandle(), WM_SYSCOMMAND, command, 0);
}

void TsSystemMenu::RestoreClick(TObject*) {
  SendCommand(SC_RESTORE);
  UpdateItems(false);
}

void TsSystemMenu::MoveClick(TObject*) { SendCommand(SC_MOVE); }

void TsSystemMenu::SizeClick(TObject*) { SendCommand(SC_SIZE); }

void TsSystemMenu::MinClick(TObject*) {
  {
    auto skip = SetForScope(FOwner->SkipAnimation, true);
    SendCommand(SC_MINIMIZE);
  }
  if (FOwner->SystemMenu) FOwner->SystemMenu->UpdateItems(false);
}

void TsSystemMenu::MaxClick(TObject*) {
  SendCommand(SC_MAXIMIZE);
  UpdateItems(false);
}

void TsSystemMenu::CloseClick(TObject*) { SendCommand(SC_CLOSE); }

void TsSystemMenu::ExtClick(TObject* sender) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (item && FForm && FForm->HandleAllocated())
    PostMessageW(FForm->WindowHandle(), WM_SYSCOMMAND, WPARAM(item->Tag()), 0);
}

void TsSystemMenu::SkinSelect(TObject* sender) {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  DuRiruZireziv* manager = FOwner->SkinManager();
  if (!item || !manager) return;
  String name = DelChars(item->Caption(), u'&');
  if (!kvs_InternalSkin.empty()) {
    const size_t at = name.find(kvs_InternalSkin);
    if (at != String::npos) name = name.substr(at + kvs_InternalSkin.size());
  }
  manager->SetSkinName(name);
}

// ---- Dropping the menu ---------------------------------------------------------------------------

bool TsSkinProvider::DropSysMenu(Integer x, Integer y) {
  if (!SystemMenu) PrepareForm();
  const HWND h = Form && Form->HandleAllocated() ? Form->WindowHandle() : nullptr;
  if (!SystemMenu || !h) return false;
  // Only the active form drops its menu.
  if (GetActiveWindow() != h && !(Screen && Screen->ActiveForm() == Form)) return false;
  DuRiruZireziv* manager = SkinManager();
  if (manager && manager->SkinnedPopups()) {
    SystemMenu->UpdateItems(SystemMenu->ExtItemsCount > 0 || SystemMenu->SubMenu);
    if (FMakeSkinMenu && SystemMenu->Items()->Count() > 0) {
      if (TkvSkinListController* list = manager->SkinListController()) {
        list->CheckThread();
        list->UpdateIfNeeded(false);
      }
      TMenuItem* first = SystemMenu->Items()->Items(0);
      if (first->Name() == u"SkinSelectItem") {
        SystemMenu->Items()->Delete(0);
        if (SystemMenu->Items()->Count() > 0 && SystemMenu->Items()->Items(0)->IsLine()) SystemMenu->Items()->Delete(0);
      }
      SystemMenu->MakeSkinItems();
    }
    if (auto* menus = TkvServiceSlot<TkvMenuServices>::Get()) menus->HookPopupMenu(SystemMenu.get(), true);
    SystemMenu->SetWindowHandle(h);
    SystemMenu->SetParentBiDiMode(false);
    SystemMenu->SetBiDiMode(Form->BiDiMode());
    SystemMenu->Popup(x, y);
    SystemMenu->SetWindowHandle(nullptr);
    return true;
  }
  HMENU menu = GetSystemMenu(h, FALSE);
  if (!menu) return false;
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  SetWindowLongW(h, GWL_STYLE, style & ~WS_VISIBLE);
  const bool normal = !IsZoomed() && !IsIconicForm();
  EnableCommandItem(SC_RESTORE, SystemMenu->VisibleRestore() && SystemMenu->EnabledRestore(), menu);
  EnableCommandItem(SC_MOVE, SystemMenu->EnabledMove() && !IsIconicForm(), menu);
  EnableCommandItem(SC_SIZE, SystemMenu->VisibleSize() && SystemMenu->EnabledSize() && normal, menu);
  EnableCommandItem(SC_MINIMIZE, SystemMenu->VisibleMin() && SystemMenu->EnabledMin() && !IsIconicForm(), menu);
  EnableCommandItem(SC_MAXIMIZE, SystemMenu->VisibleMax() && SystemMenu->EnabledMax(), menu);
  EnableCommandItem(SC_CLOSE, SystemMenu->VisibleClose() && SystemMenu->EnabledClose(), menu);
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | (style & WS_VISIBLE));
  const UINT cmd = UINT(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, h, nullptr));
  if (cmd) PostMessageW(h, WM_SYSCOMMAND, cmd, 0);
  return true;
}

// ---- The system menu of a standard dialog --------------------------------------------------------

TW_DEFINE_CLASS(TkvSystemMenu) {}

TkvSystemMenu::TkvSystemMenu(TComponent* owner) : TsCustomSysMenu(owner) {
  struct Standard {
    const char16_t* name;
    String* caption;
    void (TkvSystemMenu::*click)(TObject*);
    TMenuItem* TkvSystemMenu::*field;
  };
  const Standard standard[] = {
      {u"miRestore", &kvs_RestoreStr, &TkvSystemMenu::RestoreClick, &TkvSystemMenu::ItemRestore},
      {u"miMove", &kvs_MoveStr, &TkvSystemMenu::MoveClick, &TkvSystemMenu::ItemMove},
      {u"miSize", &kvs_SizeStr, &TkvSystemMenu::SizeClick, &TkvSystemMenu::ItemSize},
      {u"miMinimize", &kvs_MinimizeStr, &TkvSystemMenu::MinClick, &TkvSystemMenu::ItemMinimize},
      {u"miMaximize", &kvs_MaximizeStr, &TkvSystemMenu::MaxClick, &TkvSystemMenu::ItemMaximize},
      {u"miClose", &kvs_CloseStr, &TkvSystemMenu::CloseClick, &TkvSystemMenu::ItemClose},
  };
  for (const Standard& s : standard) {
    if (s.field == &TkvSystemMenu::ItemClose) {
      auto* line = new TMenuItem(this);
      line->SetCaption(u"-");
      Items()->Add(line);
    }
    auto* item = new TMenuItem(this);
    item->SetName(s.name);
    item->SetCaption(*s.caption);
    item->SetOnClick(TNotifyEvent(this, s.click));
    Items()->Add(item);
    this->*s.field = item;
  }
  ItemClose->SetShortCut(TShortCut(0x8073));  // Alt+F4
}

// A skinned standard dialog is drawn with a single border.
bool TkvSystemMenu::VisibleClose() const { return FOwner && FOwner->Visible(TkvDialogWnd::biClose); }
bool TkvSystemMenu::VisibleMax() const { return FOwner && FOwner->Visible(TkvDialogWnd::biMax); }
bool TkvSystemMenu::VisibleMin() const { return FOwner && FOwner->Visible(TkvDialogWnd::biMin); }
bool TkvSystemMenu::EnabledMax() const { return FOwner && FOwner->EnabledMax(); }
bool TkvSystemMenu::EnabledMin() const { return FOwner && FOwner->EnabledMin(); }
bool TkvSystemMenu::EnabledRestore() const { return FOwner && FOwner->EnabledRestore(); }
bool TkvSystemMenu::VisibleRestore() const { return FOwner && FOwner->VisibleRestore(); }
// Dialog, borderless and tool frames have no size to change.
bool TkvSystemMenu::VisibleSize() const {
  return FOwner && FOwner->BorderStyle != TkvDialogWnd::kvbsDialog && FOwner->BorderStyle != TkvDialogWnd::kvbsNone &&
         FOwner->BorderStyle != TkvDialogWnd::kvbsToolWindow;
}
bool TkvSystemMenu::EnabledMove() const { return FOwner && !IsZoomed(FOwner->CtrlHandle); }
bool TkvSystemMenu::EnabledSize() const {
  return FOwner && FOwner->BorderStyle != TkvDialogWnd::kvbsSingle && !IsIconic(FOwner->CtrlHandle);
}

void TkvSystemMenu::UpdateItems() {
  auto set = [](TMenuItem* item, bool visible, bool enabled) {
    item->SetVisible(visible);
    item->SetEnabled(enabled);
  };
  set(ItemRestore, VisibleRestore(), EnabledRestore());
  set(ItemMove, true, EnabledMove());
  set(ItemSize, VisibleSize(), EnabledSize());
  set(ItemMinimize, VisibleMin(), EnabledMin());
  set(ItemMaximize, VisibleMax(), EnabledMax());
  set(ItemClose, VisibleClose(), true);
}

void TkvSystemMenu::SendCommand(WPARAM command) {
  if (FOwner && IsWindow(FOwner->CtrlHandle)) SendMessageW(FOwner->CtrlHandle, WM_SYSCOMMAND, command, 0);
}

void TkvSystemMenu::RestoreClick(TObject*) {
  SendCommand(SC_RESTORE);
  UpdateItems();
}
void TkvSystemMenu::MoveClick(TObject*) { SendCommand(SC_MOVE); }
void TkvSystemMenu::SizeClick(TObject*) { SendCommand(SC_SIZE); }
void TkvSystemMenu::MinClick(TObject*) { SendCommand(SC_MINIMIZE); }
void TkvSystemMenu::MaxClick(TObject*) {
  SendCommand(SC_MAXIMIZE);
  UpdateItems();
}
void TkvSystemMenu::CloseClick(TObject*) { SendCommand(SC_CLOSE); }
