#include "forms/kvDials.h"

#include "forms/sSkinProviderMotion.h"

#include <algorithm>
#include <vector>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/sThirdParty.h"
#include "forms/sMDIForm.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "ui/Controls.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "ui/StringList.h"
#include "wrappers/kvSBUtilsBars.h"
#include "wrappers/kvSBUtilsButtons.h"
#include "wrappers/kvSBUtilsChecks.h"
#include "wrappers/kvSBUtilsCombo.h"
#include "wrappers/kvSBUtilsEdit.h"
#include "wrappers/kvSBUtilsLists.h"
#include "wrappers/kvSBUtilsMenu.h"
#include "wrappers/kvSBUtilsPanels.h"
#include "wrappers/kvSBUtilsScrollBox.h"
#include "wrappers/kvSBUtilsStatics.h"
#include "wrappers/kvSBUtilsTabs.h"
#include "wrappers/kvSBUtilsTrackBar.h"
#include "wrappers/kvSBUtilsUpDown.h"

TW_DEFINE_CLASS(TkvProvider) {}

namespace {

bool ApplicationEnding() { return !Application || Application->IsDestroying(); }

// Set while form entries are being made: a clean-up that a message of theirs runs meanwhile
// leaves form entries alone, the one being initialised among them.
bool MakingFormEntries = false;

// The form services of this layer.
class TkvDialServices : public TkvFormServices {
 public:
  void AddSupportedForm(HWND wnd) override { AddSupportedFormEx(wnd); }
  intptr_t HookCBT(int code, uintptr_t wParam, intptr_t lParam) override {
    const intptr_t next = CallNextHookEx(HookCallback, code, wParam, lParam);
    DialogHookCBT(code, wParam, lParam);
    return next;
  }
  void ClearMnuArray() override { FreeMenuWrappers(); }
  TkvGlowForm* MakeCoverForm(HWND parentWnd, const TRect& r) override {
    return ::MakeCoverForm(parentWnd, nullptr, true, &r);
  }
  bool AdapterItemsRemoving() override { return ItemsRemoving; }
  DuRiruZireziv* AdapterSkinManager(TkvCtrlAdapter* adapter) override {
    return adapter && adapter->Provider ? adapter->Provider->SkinManager() : nullptr;
  }
  TCustomForm* MDIProviderForm() override { return MDISkinProvider ? MDISkinProvider->Form : nullptr; }
};

TkvDialServices gServices;

}  // namespace

// ---- Entries ---------------------------------------------------------------------------------

TkvProvider::~TkvProvider() {
  if (DlgWnd && !DlgWnd->Destroyed) DlgWnd->Uninit();
  // The list holds the entry, but the form owns it: the slot is let go of (not freed twice)
  // and removed, so that freed forms leave no empty slots behind.
  if (!kvSupportedList) return;
  auto& list = *kvSupportedList;
  for (auto it = list.begin(); it != list.end(); ++it)
    if (it->get() == this) {
      (void)it->release();
      list.erase(it);
      break;
    }
}

bool TkvProvider::PrintHwndControls(HWND wnd, HDC dc) {
  for (HWND child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(child, &r);
    const Integer w = r.right - r.left, h = r.bottom - r.top;
    MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&r), 2);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (w <= 0 || h <= 0 || !(style & WS_CHILD) || !(style & WS_VISIBLE)) continue;
    // Standard controls clip their painting to their client rectangle taken as device
    // coordinates, which a moved origin would cut: each child prints into a picture of its
    // own at origin 0, over what lies under it, and that picture goes back in its place.
    TBitmap own(w, h, pf32bit);
    const HDC ownDC = own.Canvas()->Handle();
    BitBlt(ownDC, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
    TrySendMessage(child, SM_ALPHACMD, uintptr_t(KV_PRINTING) << 16 | 1, intptr_t(ownDC));
    SendMessageW(child, WM_PRINT, WPARAM(ownDC), PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT);
    TrySendMessage(child, SM_ALPHACMD, uintptr_t(KV_PRINTING) << 16, intptr_t(ownDC));
    PrintHwndControls(child, ownDC);
    BitBlt(dc, r.left, r.top, w, h, ownDC, 0, 0, SRCCOPY);
  }
  return false;
}

bool TkvProvider::InitHwndControls(TkvDialogWnd* dlg, HWND wnd) {
  for (HWND child = GetTopWindow(wnd); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!InitHwndControls(dlg, child)) return false;
    if ((GetWindowLongW(child, GWL_STYLE) & WS_CHILD) && !AddControl(dlg, child)) return false;
  }
  return true;
}

namespace {

template <class W>
TkvMainWnd* Make(HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params, const char16_t* section,
                 bool repaint = true) {
  params.SkinSection = section;
  return TkvMainWnd::MakeWrapper<W>(wnd, nullptr, manager, params, repaint);
}

// The wrapper of a button by the low byte of its style.
TkvMainWnd* MakeButton(HWND wnd, LONG style, DuRiruZireziv* manager, TkvSkinParams& params) {
  switch (style & 0xFF) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON: return Make<TkvCheckBoxWnd>(wnd, manager, params, u"");
    case BS_GROUPBOX: return Make<TkvGroupBoxWnd>(wnd, manager, params, u"GROUPBOX");
    case 12:
    case 13:
    case 14:
    case 15:  // split buttons and command links
      return Make<TkvSplitBtnWnd>(wnd, manager, params, u"");
    default:  // push buttons, and any style whose low byte carries flags
      return Make<TkvBtnWnd>(wnd, manager, params, u"");
  }
}

// A class-library panel on a dialog: its labels take the skin's text colour on its background,
// its windowed controls get their wrappers, and the panel itself the skin's main colour.
TkvMainWnd* MakeLibraryPanel(TkvDialogWnd* dlg, HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params) {
  params.Control = FindControl(wnd);
  TkvMainWnd* w = Make<TkvPanelWnd>(wnd, manager, params, u"TRANSPARENT");
  auto* panel = dynamic_cast<TWinControl*>(w->OwnerControl());
  if (!panel) return w;
  for (Integer i = 0; i < panel->ControlCount(); ++i) {
    TControl* c = panel->Controls(i);
    if (auto* label = dynamic_cast<TCustomLabel*>(c)) {
      label->Font()->SetColor(manager->GetGlobalFontColor());
      label->SetTransparent(true);
    } else if (auto* child = dynamic_cast<TWinControl*>(c)) {
      if (child->HandleAllocated()) TkvProvider::AddControl(dlg, child->Handle());
    }
  }
  panel->SetColor(manager->GetGlobalColor());
  return w;
}

// A panel that draws nothing of its own: marked so, and painted from the skin without caption.
TkvMainWnd* MakeQuietPanel(HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params, const char16_t* section) {
  if (TWinControl* c = FindControl(wnd)) {
    c->SetTag(999);
    params.Control = c;
  }
  TkvMainWnd* w = Make<TkvPanelWnd>(wnd, manager, params, section);
  if (auto* owner = dynamic_cast<TWinControl*>(w->OwnerControl())) {
    static_cast<TkvPanelWnd*>(w)->Panel = owner;
    owner->SetCaption(u"");
  }
  w->SkinData->BGChanged = true;
  return w;
}

// The wrapper the lower-cased class and the style call for; null for none.
TkvMainWnd* MakeChildWrapper(TkvDialogWnd* dlg, HWND wnd, const String& cls, LONG style, DuRiruZireziv* manager,
                             TkvSkinParams& params) {
  const bool visible = IsWindowVisible(wnd) != 0;
  const bool dialogPainted = dlg->SkinData->FCacheBmp && !dlg->SkinData->FCacheBmp->Empty();
  if (cls == u"static") {
    if ((style & 3) == 3 || (style & 0x0E) == 0x0E) {
      if (GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_STATICEDGE) return Make<TkvEdgeWnd>(wnd, manager, params, u"EDIT");
      return Make<TkvIconWnd>(wnd, manager, params, u"");
    }
    const LONG kind = style & 0x1F;
    if ((style & 0x0D) == 0x0D || kind == 5 || kind == 6 || kind == 11) return nullptr;
    return Make<TkvStaticWnd>(wnd, manager, params, u"");
  }
  if (cls == u"#32770" || cls == u"shbrowseforfolder") return Make<TkvTransPanelWnd>(wnd, manager, params, u"");
  if (cls == u"tpanel") return MakeLibraryPanel(dlg, wnd, manager, params);
  if (cls == u"tsilentpaintpanel" || cls == u"travelband")
    return MakeQuietPanel(wnd, manager, params, cls == u"tsilentpaintpanel" ? u"GROUPBOX" : u"TRANSPARENT");
  if (cls == u"edit") return visible ? Make<TkvEditWnd>(wnd, manager, params, u"EDIT", dialogPainted) : nullptr;
  if (cls == u"button") return (style & 0x0B) == 0x0B ? nullptr : MakeButton(wnd, style, manager, params);
  if (cls == u"tbutton") return MakeButton(wnd, style, manager, params);
  if (cls == u"combobox") return Make<TkvComboBoxWnd>(wnd, manager, params, u"COMBOBOX", dialogPainted);
  if (cls == u"comboboxex32") return Make<TkvComboBoxWnd>(wnd, manager, params, u"COMBOBOX");
  if (cls == u"combolbox") return Make<TkvEditWnd>(wnd, manager, params, u"COMBOBOX");
  if (cls == u"scrollbar") return (style & SBS_SIZEGRIP) ? Make<TkvSizerWnd>(wnd, manager, params, u"") : nullptr;
  if (cls == u"systabcontrol32")
    return (style & 0x2000) ? nullptr : Make<TkvTabControlWnd>(wnd, manager, params, u"PAGECONTROL");
  if (cls == u"syslistview32") return Make<TkvListViewWnd>(wnd, manager, params, u"EDIT");
  if (cls == u"systreeview32") return Make<TkvTreeViewWnd>(wnd, manager, params, u"EDIT");
  if (cls == u"msctls_updown32") {
    TkvMainWnd* w = Make<TkvSpinWnd>(wnd, manager, params, u"SPEEDBUTTON_SMALL");
    static_cast<TkvSpinWnd*>(w)->lOffset = 2;
    return w;
  }
  if (cls == u"msctls_trackbar32") return Make<TkvTrackWnd>(wnd, manager, params, u"TRACKBAR");
  if (cls == u"listbox") return Make<TkvEditWnd>(wnd, manager, params, u"EDIT");
  if (cls == u"link window" || cls == u"syslink") return Make<TkvLinkWnd>(wnd, manager, params, u"");
  if (cls == u"toolbarwindow32")
    return Make<TkvToolBarWnd>(wnd, manager, params, (style & 0x200) ? u"BAR" : u"TRANSPARENT");
  for (const char16_t* container : {u"rebarwindow32", u"msctls_progress32", u"universalsearchband",
                                    u"address band root", u"workerw", u"search box", u"breadcrumb parent"})
    if (cls == container) return visible ? Make<TkvContainerWnd>(wnd, manager, params, u"") : nullptr;
  if (cls == u"directuihwnd") {
    RECT r{};
    GetWindowRect(wnd, &r);
    return r.bottom - r.top == 24 ? Make<TkvSearchWnd>(wnd, manager, params, u"") : nullptr;
  }
  return nullptr;
}

// Wrappers whose controls are lists or fields keep to the dialog's colours.
bool InDialogMode(const String& cls) {
  return cls == u"edit" || cls == u"combobox" || cls == u"syslistview32" || cls == u"systreeview32" ||
         cls == u"listbox";
}

}  // namespace

bool TkvProvider::AddControl(TkvDialogWnd* dlg, HWND wnd) {
  if (!wnd) return false;
  if (WndIsSkinned(wnd)) return true;
  wchar_t buf[256] = {};
  GetClassNameW(wnd, buf, 256);
  const String cls = LowerCase(String(reinterpret_cast<const char16_t*>(buf)));
  if (cls == u"ctrlnotifysink") return true;
  DuRiruZireziv* manager = dlg && dlg->SkinData ? dlg->SkinData->GetSkinManager() : nullptr;
  if (!manager) return true;
  // These controls paint through the dialog's own WM_PAINT, which must reach it from now on.
  if (dlg &&
      (cls == u"edit" || cls == u"combobox" || cls == u"combolbox" || cls == u"comboboxex32" || cls == u"listbox"))
    dlg->FWMPaintForbidden = false;
  const auto dialogMode = SetForScope(kvDlgMode, true, false);
  TkvSkinParams params;
  params.VertScrollSize = params.HorzScrollSize = -1;
  params.UseSkinColor = params.UseSkinFontColor = true;
  TkvMainWnd* w = MakeChildWrapper(dlg, wnd, cls, GetWindowLongW(wnd, GWL_STYLE), manager, params);
  if (!w) return true;
  if (InDialogMode(cls)) w->DlgMode = true;
  dlg->ChildWrappers.push_back(w);
  InitCtrlData(w);
  if (w->SkinData) w->SkinData->FUpdating = false;
  return true;
}

void TkvProvider::InitForm(TForm* form) {
  sp = TsSkinProvider::CreateRT(form, true);
  sp->SetBoolean(3, false);
  CtrlHandle = form->HandleAllocated() ? form->WindowHandle() : nullptr;
  const String cls = form->ClassName();
  if (cls == u"TMessageForm" || cls == u"TInputQueryForm") sp->FCommonData->SetSkinSection(u"DIALOG");
  if (AeroIsEnabled()) {
    // With composition the window is redrawn at once: the provider must be loaded for it.
    if (!sp->Adapter) sp->Loaded();
    if (CtrlHandle && IsWindowVisible(CtrlHandle)) {
      RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
    }
  } else if (!IsIDERunning() && CtrlHandle && IsWindowVisible(CtrlHandle)) {
    // (Under a debugger the window is left to its own next paint.)
    UpdateWindow(CtrlHandle);
    RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  }
  sp->FMakeSkinMenu = false;
}

void CleanSupportedList() {
  if (!kvSupportedList) return;
  auto& list = *kvSupportedList;
  // A form entry has done its work once the form has its provider (which the form keeps: a
  // later activation finds the window skinned); a dialog entry is done when its wrapper let go
  // of the window. Each is freed in place first, so that its destructor finds no slot of its
  // own to release; then the empty slots go.
  for (auto& e : list)
    if (auto* p = dynamic_cast<TkvProvider*>(e.get()); p && (p->DlgWnd ? p->DlgWnd->Destroyed : !MakingFormEntries))
      e.reset();
  list.erase(std::remove_if(list.begin(), list.end(), [](const auto& e) { return !e; }), list.end());
}

TkvProvider* FindFormInList(HWND wnd) {
  if (!kvSupportedList || (Application && Application->Terminated())) return nullptr;
  for (const auto& e : *kvSupportedList)
    if (auto* p = dynamic_cast<TkvProvider*>(e.get()); p && p->CtrlHandle == wnd) return p;
  return nullptr;
}

TCustomForm* FindFormOnScreen(HWND wnd) {
  if (!Screen) return nullptr;
  for (Integer i = Screen->FormCount() - 1; i >= 0; --i) {
    TCustomForm* f = Screen->Forms(i);
    if (!f || f->IsDestroying() || !f->HandleAllocated()) continue;
    if (f->WindowHandle() == wnd) return f;
    if (f->FormStyle() == fsMDIForm)
      for (Integer c = 0; c < f->MDIChildCount(); ++c)
        if (TCustomForm* child = f->MDIChildren(c); child && child->HandleAllocated() && child->WindowHandle() == wnd)
          return child;
  }
  return nullptr;
}

Integer VisibleDlgCount() {
  CleanSupportedList();
  if (!kvSupportedList) return 0;
  Integer n = 0;
  for (const auto& e : *kvSupportedList)
    if (auto* p = dynamic_cast<TkvProvider*>(e.get());
        p && p->DlgWnd && p->CtrlHandle && IsWindowVisible(p->CtrlHandle))
      ++n;
  return n;
}

void InitDialog(HWND wnd, std::unique_ptr<TkvDialogWnd>& listSW) {
  if (!DefaultManager || !DefaultManager->Active()) {
    // No skin: the dialog's own flat scroll bars come back.
    listSW.reset();
    if (Kv_InitializeFlatSB) Kv_InitializeFlatSB(wnd);
    return;
  }
  if (Kv_UninitializeFlatSB) Kv_UninitializeFlatSB(wnd);
  if (listSW && listSW->Destroyed) listSW.reset();
  if (listSW) return;
  listSW.reset(MakeDialogWrapper(wnd));
  if (!listSW) return;
  listSW->CtrlHandle = wnd;
  // A dialog without idle messages would never let the skinned controls update.
  SetWindowLongW(wnd, GWL_STYLE, GetWindowLongW(wnd, GWL_STYLE) & ~LONG(DS_NOIDLEMSG));
}

bool TkvProvider::InitSkin(HWND wnd) {
  CtrlHandle = wnd;
  if (DlgWnd || !DefaultManager || !DefaultManager->Active()) return true;
  InitDialog(CtrlHandle, DlgWnd);
  if (DlgWnd) SendAMessage(CtrlHandle, KV_SETNEWSKIN, reinterpret_cast<intptr_t>(DefaultManager));
  return true;
}

bool ControlExists(HWND wnd, const String& lowerClassName) {
  for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (LowerCase(GetWndClassName(child)) == lowerClassName) return true;
    if (ControlExists(child, lowerClassName)) return true;
  }
  return false;
}

void BroadCastHwnd(HWND wnd, const TMessage& message) {
  // Taken first: a child may make, destroy or move windows while it handles the message.
  std::vector<HWND> children;
  for (HWND child = GetWindow(wnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) children.push_back(child);
  for (HWND child : children)
    if (IsWindow(child) && GetParent(child) == wnd) SendMessageW(child, message.Msg, message.WParam, message.LParam);
}

// ---- Deciding --------------------------------------------------------------------------------

bool AddSupportedFormEx(HWND wnd) {
  if (!DefaultManager || ApplicationEnding() || !wnd || WndIsSkinned(wnd)) return false;
  const String cls = GetWndClassName(wnd);
  if (FindFormInList(wnd)) return false;
  if (TCustomForm* custom = FindFormOnScreen(wnd)) {
    auto* form = dynamic_cast<TForm*>(custom);
    if (!form) return false;
    if ((form->Tag() & ExceptTag) == ExceptTag) return true;
    if (ThirdPartySkipForms)
      for (Integer i = 0; i < ThirdPartySkipForms->Count(); ++i)
        if (ThirdPartySkipForms->Strings(i) == cls) return false;
    const TkvSkinningRule rule = cls == u"TMessageForm" ? srStdDialogs : srStdForms;
    if (!DefaultManager->SkinningRules().Contains(rule)) return false;
    CreateSupportedList();
    const auto making = SetForScope(MakingFormEntries, true, false);
    auto entry = std::make_unique<TkvProvider>(form);
    TkvProvider* p = entry.get();
    kvSupportedList->push_back(std::move(entry));
    p->InitForm(form);
    p->sp->FMakeSkinMenu = false;
    if (form->FormStyle() == fsMDIForm)
      for (Integer c = 0; c < form->MDIChildCount(); ++c) {
        auto* child = dynamic_cast<TForm*>(form->MDIChildren(c));
        if (!child || !child->HandleAllocated() || WndIsSkinned(child->WindowHandle())) continue;
        auto childEntry = std::make_unique<TkvProvider>(child);
        TkvProvider* cp = childEntry.get();
        kvSupportedList->push_back(std::move(childEntry));
        cp->InitForm(child);
      }
    return true;
  }
  if (cls != u"#32770" && cls != u"NativeHWNDHost") return true;
  // A standard dialog with an owner (the folder picker) keeps its standard look.
  if (GetParent(wnd)) return true;
  if (!DefaultManager->SkinningRules().Contains(srStdDialogs)) return false;
  // Only so many skinned dialogs at a time; one with a tool bar is skinned whatever the count.
  if (VisibleDlgCount() >= kv_DialogsLevel && !ControlExists(wnd, u"toolbarwindow32")) return false;
  bool allow = true;
  if (DefaultManager->OnSysDlgInit) {
    TkvSysDlgData data;
    data.WindowHandle = wnd;
    DefaultManager->OnSysDlgInit.Call(data, allow);
    if (!allow) return false;
  }
  // An ownerless standard dialog gets its window wrapper; the list owns the entry.
  auto entry = std::make_unique<TkvProvider>(nullptr);
  entry->InitSkin(wnd);
  if (!entry->DlgWnd) return false;
  CreateSupportedList();
  kvSupportedList->push_back(std::move(entry));
  return true;
}

void DialogHookCBT(int code, WPARAM wParam, LPARAM lParam) {
  if (ApplicationEnding()) return;
  const auto wnd = reinterpret_cast<HWND>(wParam);
  if (code == HCBT_ACTIVATE) {
    AddSupportedFormEx(wnd);
    return;
  }
  if (code != HCBT_CREATEWND || !wnd) return;
  const auto* cbt = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
  if (!cbt || !cbt->lpcs) return;
  const auto clsValue = reinterpret_cast<uintptr_t>(cbt->lpcs->lpszClass);
  if (clsValue <= 0xFFFF) {
    if (clsValue == 0x8002) {
      if (!kvTryToSkinCommonDialogs && ControlExists(wnd, u"duiviewwndclassname")) return;
      AddSupportedFormEx(wnd);
    }
    // A popup menu window: its frame, background and shadow from the skin while popups are.
    if (clsValue == 0x8000 && IsWinVistaUp() && DefaultManager && DefaultManager->SkinnedPopups() && !WndIsSkinned(wnd))
      MakeMenuWrapper(wnd);
    return;
  }
  const String cls = GetWndClassName(wnd);
  if (cls == u"TPUtilWindow" || cbt->lpcs->style == 0 || cbt->lpcs->dwExStyle == 0) return;
  if (Application && Application->MainForm()) {
    TCustomForm* main = Application->MainForm();
    if (!main->HandleAllocated() || main->WindowHandle() == wnd) return;
  }
  if (GetParent(wnd)) return;
  AddSupportedFormEx(wnd);
}

void kvDialsStartup() { TkvServiceSlot<TkvFormServices>::Set(&gServices); }

void kvDialsCleanup() {
  FreeMenuWrappers();
  if (TkvServiceSlot<TkvFormServices>::Get() == &gServices) TkvServiceSlot<TkvFormServices>::Set(nullptr);
}
