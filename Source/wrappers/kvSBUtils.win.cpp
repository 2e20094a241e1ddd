#include "wrappers/kvSBUtils.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "base/Composition.h"
#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Shapes.h"
#include "raster/kvgpUtils.h"
#include "skin/ControlServices.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Bitmap.h"
#include "ui/Buttons.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/StdCtrls.h"
#include "ui/TypInfo.h"
#include "wrappers/kvSBUtilsEdit.h"
#include "wrappers/kvSBUtilsMenu.h"
#include "wrappers/kvSBUtilsPanels.h"
#include "wrappers/kvSBUtilsTabs.h"
#include "wrappers/kvSBUtilsUpDown.h"

bool kvDlgMode = false;

// ---- The WindowProc link of class-library controls ------------------------------------------

// What stands in a control's WindowProc for a wrapper. It is owned by the control, not by the
// wrapper: a hook installed on the control after the wrapper keeps calling it, so when the
// wrapper goes while such a hook is still there, the link stays and passes every message on to
// the procedure the wrapper replaced, until the control is destroyed.
class TkvWindowProcLink : public TComponent {
  TW_CLASS(TkvWindowProcLink, TComponent)
  TkvWindowProcLink(TControl* control, TkvMainWnd* wrapper, TWndMethod entry)
      : TComponent(control), Wrapper(wrapper), Entry(entry) {}

  void Proc(TMessage& message) {
    TObjectInUse linkInUse(this);
    if (TkvMainWnd* w = Wrapper) {
      TObjectInUse wrapperInUse(w);
      Entry(message);
    } else {
      Previous.Call(message);
    }
  }

  TkvMainWnd* Wrapper;
  TWndMethod Entry;     // the wrapper's entry
  TWndMethod Previous;  // the control's procedure before the wrapper
};

// ---- 1. TkvMainWnd ---------------------------------------------------------------------------

TW_DEFINE_CLASS(TkvWindowProcLink) {}

TW_DEFINE_CLASS(TkvMainWnd) {}
TW_DEFINE_CLASS(TkvScrollBar) {}
TW_DEFINE_CLASS(TkvScrollWnd) {}

TkvMainWnd::~TkvMainWnd() = default;

TControl* TkvMainWnd::OwnerControl() const { return SkinData ? SkinData->FOwnerControl : nullptr; }

TControl* TkvMainWnd::HookedControl() const {
  if (TControl* ctrl = OwnerControl()) return ctrl;
  // A form's own wrapper sits in front of the provider in the form's chain, so that direct
  // calls through the skin data reach the wrapper first too.
  if (auto* provider = SkinData ? dynamic_cast<TkvFormProvider*>(SkinData->FOwnerObject) : nullptr)
    return provider->ProviderForm();
  return nullptr;
}

TWndMethod TkvMainWnd::EntryProc() {
  if (FLink) return TWndMethod(FLink, &TkvWindowProcLink::Proc);
  return TWndMethod(this, &TkvMainWnd::WndProcEntry);
}

void TkvMainWnd::Create(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager, TkvSkinParams& skinParams,
                        bool repaint) {
  CtrlHandle = aHandle;
  OldWndProc = TWndMethod();
  // Panels, up-downs and menus keep their visual style (the system draws parts of them).
  const bool keepsStyle =
      dynamic_cast<TkvPanelWnd*>(this) || dynamic_cast<TkvSpinWnd*>(this) || dynamic_cast<TkvMnuWnd*>(this);
  if (uxthemeLib && kv_SetWindowTheme && (!aSkinData || aSkinData->COC != 224) && !keepsStyle &&
      skinParams.SkinSection != u"DIALOG" && !kvDlgMode) {
    kv_SetWindowTheme(aHandle, L" ", L" ");
  }
  Destroyed = false;
  SkinManager = aSkinManager;
  if (aSkinData) {
    SkinData = aSkinData;
  } else {
    OwnSkinData = true;
    InitSkinData();
    if (!skinParams.SkinSection.empty()) SkinData->SetSkinSection(skinParams.SkinSection);
    SkinData->FOwnerControl = skinParams.Control;
    SkinData->FOwnerObject = skinParams.Control;
    SkinData->FCustomFont = !skinParams.UseSkinFontColor;
    SkinData->FCustomColor = !skinParams.UseSkinColor;
  }
  if (kv_KeepOwnFont) SkinData->FCustomFont = true;
  SkinData->FSWHandle = aHandle;
  Tag = 0;
  DlgMode = kvDlgMode;
  SaveStdParams();
  ParamsChanged = false;
  Caption = GetWndText(aHandle);
  if (auto* scrolls = dynamic_cast<TkvScrollWnd*>(this)) {
    InitializeKVScrolls(scrolls, aHandle, repaint);
  } else {
    InitializeKVWnd(this, aHandle);
  }
  if (TControl* ctrl = OwnerControl()) {
    OldCtrlStyle = ctrl->ControlStyle();
    HasOldCtrlStyle = true;
    TControlStyle opaque = OldCtrlStyle;
    opaque += csOpaque;
    ctrl->SetControlStyle(opaque);
  }
  AfterCreation();
}

void TkvMainWnd::AfterCreation() {
  SkinData->Loading = false;
  SkinData->InitCommonProp();
}

void TkvMainWnd::SaveStdParams() {}

namespace {
// The window's "KVSBSC" goes, a scroll wrapper's only while it still names that wrapper: the
// end of a wrapper freed from within one of its own messages is held back until the message
// returns, and a wrapper made for the window meanwhile keeps its link.
void ForgetScrollLink(TkvMainWnd* w) {
  auto* own = dynamic_cast<TkvScrollWrapper*>(w);
  if (!own || kvGetWndProp(w->CtrlHandle, KVSBSC) == static_cast<void*>(own))
    kvSetWndProp(w->CtrlHandle, KVSBSC, nullptr);
}
}  // namespace

void TkvMainWnd::RestoreStdParams() {
  if (OwnSkinData && SkinData) SkinData->RemoveCommonProp();
  ForgetScrollLink(this);
}

void TkvMainWnd::InitSkinData() {
  if (!SkinData) SkinData = new TsCommonData(nullptr, true);
  SkinData->Loading = true;
}

bool TkvMainWnd::DoPrepareCache() { return true; }

void TkvMainWnd::SetSkinParams() { ParamsChanged = true; }

TLResult TkvMainWnd::ProcessMessage(Cardinal msg, TWParam wParam, TLParam lParam) {
  TObjectInUse inUse(this);
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  m.Result = 0;
  kvWndProc(m);
  return m.Result;
}

TLResult TkvMainWnd::CallPrevWndProc(HWND handle, Cardinal msg, TWParam wParam, TLParam& lParam) {
  if (FLink) {
    TMessage m;
    m.Msg = msg;
    m.WParam = wParam;
    m.LParam = lParam;
    m.Result = 0;
    FLink->Previous.Call(m);
    lParam = m.LParam;
    return m.Result;
  }
  // A raw window (0 when the wrapper never attached or its place in the chain is gone).
  (void)handle;
  return FSubclass.CallPrevious(msg, wParam, lParam);
}

bool TkvMainWnd::Attached() const { return FLink != nullptr || FSubclass.Attached(); }

void TkvMainWnd::WndProcEntry(TMessage& message) {
  TObjectInUse inUse(this);
  kvWndProc(message);
}

bool TkvMainWnd::DetachWindowProc() {
  // The window draws with its own font again before the wrapper's goes.
  RestoreWindowFont();
  if (FLink) {
    TkvWindowProcLink* link = FLink;
    FLink = nullptr;
    OldWndProc = TWndMethod();
    if (SkinData && SkinData->WndProc == TWndMethod(link, &TkvWindowProcLink::Proc)) SkinData->WndProc = link->Previous;
    link->Wrapper = nullptr;
    // Still on top: the control's procedure goes back and the link goes with it. Another hook
    // came later: the link stays with the control, passing everything on.
    if (FLinkedControl && FLinkedControl->WindowProc() == TWndMethod(link, &TkvWindowProcLink::Proc)) {
      FLinkedControl->SetWindowProc(link->Previous);
      // A control on its way out frees its components itself, and may be walking them now
      // (a sibling that goes frees this wrapper): the link is left to it.
      if (!FLinkedControl->ComponentState().Contains(csDestroying)) link->Free();
    }
    FLinkedControl = nullptr;
    return true;
  }
  if (FSubclass.Attached()) {
    // The chain gives the window its procedure back when ours was the last; a subclass made
    // after ours keeps working (the chain passes on), in whatever order they go.
    FSubclass.Detach();
    return true;
  }
  return false;
}

namespace {
bool SkinRemoving(DuRiruZireziv* manager) { return manager && manager->ManagerState.Contains(msSkinRemoving); }
}  // namespace

bool TkvMainWnd::LeavesLookAtDestruction() const {
  return AdapterItemsRemoving() && !SkinRemoving(SkinManager) && !SkinRemoving(AdapterSkinManager(Adapter));
}

void TkvMainWnd::GiveThemeBack() {
  if (!uxthemeLib || !kv_SetWindowTheme || !IsWindow(CtrlHandle)) return;
  bool giveBack;
  if (auto* provider = dynamic_cast<TkvFormProvider*>(SkinData->FOwnerObject)) {
    auto* component = dynamic_cast<TComponent*>(SkinData->FOwnerObject);
    giveBack = !(component && component->ComponentState().Contains(csDestroying)) && provider->PaintsNonClientArea();
  } else {
    giveBack = (SkinData->COC != 10 && SkinData->COC != 14) || !AeroIsEnabled();
  }
  if (giveBack) kv_SetWindowTheme(CtrlHandle, nullptr, nullptr);
}

void TkvMainWnd::BeforeDestruction() {
  if (SkinData) {
    if (SkinManager && !Destroyed) {
      if (TControl* ctrl = OwnerControl(); ctrl && HasOldCtrlStyle) ctrl->SetControlStyle(OldCtrlStyle);
      const bool leaveLook = LeavesLookAtDestruction();
      // Taken out of the window's procedure chain in any case: nothing may call a freed
      // wrapper.
      DetachWindowProc();
      if (!leaveLook) RestoreStdParams();
      GiveThemeBack();
    } else if (Destroyed) {
      if (TControl* ctrl = OwnerControl(); ctrl && !ctrl->ComponentState().Contains(csDestroying)) RestoreStdParams();
    }
    if (!SkinManager) DetachWindowProc();
    if (OwnSkinData) SkinData->Free();
    SkinData = nullptr;
    ForgetScrollLink(this);
  } else {
    DetachWindowProc();
  }
  SkinManager = nullptr;
  TObject::BeforeDestruction();
}

void TkvMainWnd::HandleDestroy(TMessage& message) {
  if (SkinData) {
    SkinData->StopTimer();
    if (SkinData->GlowID >= 0) {
      if (auto* glows = TkvServiceSlot<TkvGlowServices>::Get()) glows->HideGlow(SkinData->GlowID, false);
    }
  }
  // Speed buttons have no window of their own: their hooks learn here that their parent's
  // window goes, and let go of the buttons.
  if (auto* parent = dynamic_cast<TWinControl*>(OwnerControl())) {
    std::vector<TControl*> speedButtons;
    for (Integer i = 0; i < parent->ControlCount(); ++i)
      if (dynamic_cast<TSpeedButton*>(parent->Controls(i))) speedButtons.push_back(parent->Controls(i));
    for (TControl* button : speedButtons) button->Perform(WM_DESTROY, 0, 0);
  }
  if (Attached()) {
    try {
      if (OwnerControl()) {
        TkvMainWnd* self = this;
        UninitializeKVWnd(CtrlHandle, false, false, self);
        SendMessageW(CtrlHandle, message.Msg, message.WParam, message.LParam);
      } else if (CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam) == 0) {
        TkvMainWnd* self = this;
        UninitializeKVWnd(CtrlHandle, false, false, self);
      }
    } catch (...) {
      // The window is being destroyed whatever fails in letting go of it: the destroy goes on
      // (an error thrown into the system's destroy would leave the window half gone).
    }
    message.Result = 1;
  } else {
    // Not in the window's procedures: sending the message to the window again would recurse
    // (or fake a destroy of a live window). Answered as the default procedure does.
    message.Result = 0;
  }
  if (SkinData) SkinData->FCacheBmp.reset();
}

bool TkvMainWnd::Step1(TMessage& message) {
  switch (message.Msg) {
    case WM_CREATE:
    case WM_NCCREATE:
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      if (SkinData) SkinData->InitCommonProp();
      return true;
    case WM_DESTROY:
    case WM_NCDESTROY: HandleDestroy(message); return true;
    case WM_UPDATEUISTATE: return true;
    case WM_SIZE:
      if (SkinData) SkinData->BGChanged = true;
      return false;
    case WM_SETTEXT: {
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      Caption = GetWndText(CtrlHandle);
      return true;
    }
    case WM_CONTEXTMENU:
      // A popup menu given to the control after its skin came opens skinned too.
      if (SkinData) {
        TControl* owner = SkinData->FOwnerControl;
        DuRiruZireziv* manager = SkinData->GetSkinManager();
        auto* menus = TkvServiceSlot<TkvMenuServices>::Get();
        if (owner && owner->PopupMenu() && manager && menus)
          menus->HookPopupMenu(owner->PopupMenu(), manager->Active());
      }
      return false;
    case WM_MOUSEMOVE:
      // The window under the mouse shows its hot look.
      if (DefaultManager && !DefaultManager->ComponentState().Contains(csDesigning) && IsWindowEnabled(CtrlHandle) &&
          DefaultManager->ActiveControl() != CtrlHandle)
        DefaultManager->SetActiveControl(CtrlHandle);
      return false;
    case WM_PRINT: message.Result = SendMessageW(CtrlHandle, WM_PAINT, message.WParam, message.LParam); return true;
    default:
      if (message.Msg == SM_ALPHACMD && message.WParamHi == KV_REMOVESKIN && SkinData &&
          reinterpret_cast<DuRiruZireziv*>(message.LParam) == SkinData->GetSkinManager()) {
        RestoreStdParams();
        AlphaBroadCastCheck(OwnerControl(), CtrlHandle, message);
      }
      return false;
  }
}

TLResult Kv_SetSectionCommand(TsCommonData* skinData, TLParam lParam) {
  if (!lParam || !skinData) return 0;
  skinData->SetSkinSection(*reinterpret_cast<const String*>(lParam));
  return 1;
}

void TkvMainWnd::Step2(TMessage& message) {
  if (message.Msg != SM_ALPHACMD) {
    message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
    return;
  }
  DuRiruZireziv* own = SkinData->GetSkinManager();
  switch (message.WParamHi) {
    case KV_SETNEWSKIN:
      if (reinterpret_cast<DuRiruZireziv*>(message.LParam) == own) {
        SkinData->UpdateIndexes(true);
        SkinData->BGChanged = true;
        AlphaBroadCastCheck(OwnerControl(), CtrlHandle, message);
      }
      break;
    case KV_REFRESH:
      if (RefreshNeeded(SkinData, message)) {
        SkinData->UpdateIndexes(true);
        SkinData->BGChanged = true;
        SkinData->FUpdating = false;
        if (!InAnimationProcess) {
          TControl* ctrl = OwnerControl();
          if (ctrl ? ctrl->Visible() : IsWindowVisible(CtrlHandle) != FALSE) SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        }
        AlphaBroadCastCheck(OwnerControl(), CtrlHandle, message);
        return;
      }
      break;
    case KV_ENDPARENTUPDATE:
      if (!SkinData->FUpdating) break;
      if (!SkinData->InUpdating(true)) {
        SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        RedrawWindow(CtrlHandle, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      }
      // The children waited for this window's background; a raw window's children are told
      // as a control's are, or they would keep waiting.
      if (auto* owner = dynamic_cast<TWinControl*>(OwnerControl())) {
        SetParentUpdated(owner);
      } else {
        SetParentUpdated(CtrlHandle);
      }
      return;
    case KV_CHILDCHANGED:
      if (!OwnerControl()) break;
      CommonMessage(message, SkinData);
      return;
    case KV_GETCONTROLCOLOR:
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      if (message.Result == 0) message.Result = TLResult(GetBGColor(SkinData, 0, CtrlHandle));
      return;
    case KV_PREPARECACHE: ::PrepareCache(SkinData, CtrlHandle, false); break;
    case KV_GETBG:
      if (SkinData->InUpdating(false)) break;
      if (SkinData->BGChanged) DoPrepareCache();
      if (auto* info = reinterpret_cast<TkvBGInfo*>(message.LParam)) InitBGInfo(SkinData, info, 0, CtrlHandle);
      return;
    case KV_GETAPPLICATION: message.Result = reinterpret_cast<TLResult>(Application); return;
    case KV_CTRLHANDLED: message.Result = 1; return;
    case KV_PREPARING: message.Result = SkinData->GetUpdating() ? 1 : 0; return;
    case KV_GETLISTSW: message.Result = reinterpret_cast<TLResult>(this); return;
    case KV_SETSECTION: message.Result = Kv_SetSectionCommand(SkinData, message.LParam); return;
    case KV_GETSKINDATA: message.Result = reinterpret_cast<TLResult>(SkinData); return;
    case KV_PRINTING:
      if (message.WParamLo != 0) {
        SkinData->CtrlSkinState |= KVS_PRINTING;
        SkinData->PrintDC = reinterpret_cast<HDC>(message.LParam);
      } else {
        SkinData->CtrlSkinState &= ~Cardinal{KVS_PRINTING};
        SkinData->PrintDC = nullptr;
      }
      break;
    default:
      if (CommonMessage(message, SkinData)) return;
      break;
  }
  message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
}

void TkvMainWnd::kvWndProc(TMessage& message) {
  if (Step1(message)) return;
  DuRiruZireziv* manager = SkinData ? SkinData->GetSkinManager() : nullptr;
  if (manager && manager->Active()) {
    Step2(message);
    return;
  }
  if (message.Msg == SM_ALPHACMD && message.WParamHi == KV_GETFONTINDEX && SkinData && SkinData->Skinned(false)) {
    // The skin is off but the window still has its section: the font it names, or the one its
    // parent's section names.
    auto* info = reinterpret_cast<TkvPaintInfo*>(message.LParam);
    if (!info) return;
    if (!NeedParentFont(SkinData, info->State)) {
      info->FontIndex = SkinData->SkinIndex;
      message.Result = 1;
    } else if (TControl* owner = OwnerControl()) {
      message.Result = owner->Parent() ? GetFontIndex(owner->Parent(), info) : 0;
    } else {
      message.Result = GetFontIndex(GetParent(SkinData->FSWHandle), info);
    }
    return;
  }
  message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
}

// ---- 1b. The scroll wrapper ---------------------------------------------------------------------

Integer kvMinThumbSize = 16;

TkvScrollWnd::~TkvScrollWnd() {
  FreeBars();
  kvForgetWndPropValue(static_cast<TkvScrollWrapper*>(this));
}

void TkvScrollWnd::FreeBars() {
  for (TkvScrollBar** bar : {&sBarHorz, &sBarVert}) {
    if (*bar) {
      (*bar)->sw = nullptr;
      delete *bar;
      *bar = nullptr;
    }
  }
}

void TkvScrollWnd::InitSkinData() {
  cxLeftEdge = -1;
  ScrollsInitialized = false;
  SkinData = new TsScrollWndData(nullptr, true);
  SkinData->Loading = true;
}

Integer TkvScrollWnd::ShownBars(Integer bar) const {
  const TkvScrollBar* sb = bar == SB_HORZ ? sBarHorz : bar == SB_VERT ? sBarVert : nullptr;
  return sb && sb->fScrollVisible ? 1 : 0;
}

Integer TkvScrollWnd::GetScrollMetric(Integer bar, bool thickness) const {
  const TkvScrollBar* sb = bar == SB_HORZ ? sBarHorz : bar == SB_VERT ? sBarVert : nullptr;
  return sb ? ::GetScrollMetric(sb, thickness ? SM_SCROLLWIDTH : SM_BTNSIZE) : 0;
}

void TkvScrollWnd::UpdateLeftScroll() {
  fLeftScrollbar = (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
}

TkvScrollWnd* TkvScrollWnd::FromHwnd(HWND wnd) { return dynamic_cast<TkvScrollWnd*>(Kv_GetScrollWndFromHwnd(wnd)); }

void TkvScrollWnd::BeforeDestruction() {
  Kv_ResetScrollTracking(CtrlHandle);
  // The control's frame is recomputed once the system bars are back.
  TWinControl* ctrl = dynamic_cast<TWinControl*>(OwnerControl());
  const bool redraw = ctrl && !ctrl->ComponentState().Contains(csDestroying) && SkinData && !SkinData->GetUpdating() &&
                      !LeavesLookAtDestruction();
  FreeBars();
  TkvMainWnd::BeforeDestruction();
  if (redraw && ctrl->HandleAllocated()) SetWindowPos(ctrl->Handle(), nullptr, 0, 0, 0, 0, 0x737);
}

// ---- 2. Attaching and detaching --------------------------------------------------------------

bool InitializeKVWnd(TkvMainWnd* sw, HWND aHandle) {
  sw->DontRepaint = false;
  sw->CtrlHandle = aHandle;
  TControl* ctrl = sw->HookedControl();
  if (!ctrl) return sw->FSubclass.Attach(aHandle, sw, &TkvMainWnd::WndProcEntry);
  auto* link = new TkvWindowProcLink(ctrl, sw, TWndMethod(sw, &TkvMainWnd::WndProcEntry));
  link->Previous = ctrl->WindowProc();
  sw->OldWndProc = link->Previous;
  sw->FLink = link;
  sw->FLinkedControl = ctrl;
  TWndMethod linkProc(link, &TkvWindowProcLink::Proc);
  sw->SkinData->WndProc = linkProc;
  ctrl->SetWindowProc(linkProc);
  return true;
}

void UninitializeKVWnd(HWND handle, bool freeSW, bool repaint, TkvMainWnd*& listSW) {
  if (!listSW) return;
  TkvMainWnd* sw = listSW;
  bool detached = sw->Destroyed ? true : sw->DetachWindowProc();
  sw->RestoreStdParams();
  if (IsWindowVisible(handle)) Kv_RedrawNonClient(handle, repaint);
  if (sw->OwnSkinData && sw->SkinData) sw->SkinData->ClearLinks();
  sw->Destroyed = detached;
  if (freeSW) {
    listSW = nullptr;
    sw->Free();
  }
}

void Kv_RedrawNonClient(HWND handle, bool frameChanged) {
  if (frameChanged) {
    SetWindowPos(handle, nullptr, 0, 0, 0, 0, 0x737);
  } else {
    TrySendMessage(handle, WM_NCPAINT, 1, 0);
  }
}

bool InitializeKVScrolls(TkvScrollWnd* sw, HWND aHandle, bool repaint) {
  sw->DontRepaint = false;
  sw->CtrlHandle = aHandle;
  sw->FreeBars();
  sw->sBarHorz = new TkvScrollBar();
  sw->sBarVert = new TkvScrollBar();
  const LONG style = GetWindowLongW(aHandle, GWL_STYLE);
  int barCode = SB_HORZ;
  for (TkvScrollBar* bar : {sw->sBarHorz, sw->sBarVert}) {
    bar->sw = sw;
    bar->ScrollInfo.cbSize = sizeof(SCROLLINFO);
    bar->ScrollInfo.fMask = SIF_ALL;
    GetScrollInfo(aHandle, barCode, &bar->ScrollInfo);
    bar->nBarType = Word(barCode);
    bar->fScrollFlags = (style & (barCode == SB_HORZ ? WS_HSCROLL : WS_VSCROLL)) ? CSBS_VISIBLE : 0;
    bar->nArrowLength = SYSTEM_METRIC;
    bar->nArrowWidth = SYSTEM_METRIC;
    barCode = SB_VERT;
  }
  sw->UpdateLeftScroll();
  kvSetWndProp(aHandle, KVSBSC, static_cast<TkvScrollWrapper*>(sw));
  sw->bPreventStyleChange = false;
  const bool attached = InitializeKVWnd(sw, aHandle);
  Kv_SetMinThumbSize(aHandle, SB_BOTH, Word(kvMinThumbSize));
  if (repaint) Kv_RedrawNonClient(aHandle, true);
  return attached;
}

void UninitializeKVScroll(HWND handle, bool freeSW, bool repaint, TkvScrollWnd*& listSW) {
  if (!listSW) return;
  TkvScrollWnd* sw = listSW;
  if (!sw->Destroyed && sw->SkinData && sw->HookedControl()) {
    sw->DetachWindowProc();
    Kv_ResetScrollTracking(handle);
    sw->RestoreStdParams();
    sw->FreeBars();
    if (IsWindowVisible(handle)) Kv_RedrawNonClient(handle, repaint);
    if (sw->OwnSkinData) {
      sw->SkinData->FOwnerControl = nullptr;
      sw->SkinData->FOwnerObject = nullptr;
      sw->SkinData->FSWHandle = nullptr;
      if (sw->SkinData->GlowID >= 0) {
        if (auto* glows = TkvServiceSlot<TkvGlowServices>::Get()) glows->HideGlow(sw->SkinData->GlowID, false);
      }
    }
    sw->Destroyed = true;
  }
  if (freeSW) {
    // Raw windows are detached only here.
    sw->DetachWindowProc();
    listSW = nullptr;
    sw->Free();
  }
}

HMODULE huser32 = nullptr;
HMODULE hcomctl32 = nullptr;
TkvGetScrollBarInfoProc Kv_GetScrollBarInfo = nullptr;
TkvFlatSBProc Kv_InitializeFlatSB = nullptr;
TkvFlatSBProc Kv_UninitializeFlatSB = nullptr;

namespace {

template <class F>
F Bound(HMODULE lib, const char* name) {
  return lib ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name))) : nullptr;
}

// The shared part of the two refreshes: the wrapper made by make while skinned (a destroyed one
// replaced), dropped while not; flatSB: the control's flat scroll bars follow.
template <class Make>
void Refresh(TsScrollWndData* skinData, TkvScrollWnd*& listSW, TWinControl* ctrl, bool flatSB, Make make) {
  if (skinData->Skinned()) {
    if (flatSB && Kv_UninitializeFlatSB) Kv_UninitializeFlatSB(ctrl->Handle());
    if (listSW && listSW->Destroyed) {
      TkvScrollWnd* old = listSW;
      listSW = nullptr;
      UninitializeKVScroll(ctrl->Handle(), true, false, old);
    }
    if (!listSW) {
      TkvSkinParams params;
      listSW = make(ctrl->Handle(), skinData->GetSkinManager(), params);
    }
  } else {
    if (listSW) {
      TkvScrollWnd* old = listSW;
      listSW = nullptr;
      UninitializeKVScroll(ctrl->HandleAllocated() ? ctrl->Handle() : old->CtrlHandle, true, false, old);
    }
    if (flatSB && ctrl->HandleAllocated() && Kv_InitializeFlatSB) Kv_InitializeFlatSB(ctrl->Handle());
  }
}

}  // namespace

void RefreshScrolls(TsScrollWndData* skinData, TkvScrollWnd*& listSW) {
  auto* ctrl = dynamic_cast<TWinControl*>(skinData->FOwnerControl);
  if (!ctrl) return;
  const TComponentState state = ctrl->ComponentState();
  if (state.Contains(csLoading) || state.Contains(csDestroying) || state.Contains(csDesigning)) return;
  Refresh(skinData, listSW, ctrl, true, [&](HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params) {
    return TkvMainWnd::MakeWrapper<TkvScrollWnd>(wnd, skinData, manager, params, true);
  });
}

void RefreshEditScrolls(TsScrollWndData* skinData, TkvScrollWnd*& listSW) {
  auto* ctrl = dynamic_cast<TWinControl*>(skinData->FOwnerControl);
  if (!ctrl) return;
  Refresh(skinData, listSW, ctrl, false, [&](HWND wnd, DuRiruZireziv* manager, TkvSkinParams& params) -> TkvScrollWnd* {
    return TkvMainWnd::MakeWrapper<TkvEditWnd>(wnd, skinData, manager, params, true);
  });
}

void kvSBUtilsStartup() {
  if (!huser32) huser32 = LoadLibraryW(L"user32.dll");
  if (!hcomctl32) hcomctl32 = LoadLibraryW(L"comctl32.dll");
  Kv_GetScrollBarInfo = Bound<TkvGetScrollBarInfoProc>(huser32, "GetScrollBarInfo");
  Kv_UninitializeFlatSB = Bound<TkvFlatSBProc>(hcomctl32, "UninitializeFlatSB");
  Kv_InitializeFlatSB = Bound<TkvFlatSBProc>(hcomctl32, "InitializeFlatSB");
}

void UpdateScrolls(TkvScrollWnd* sw, bool repaint) {
  if (!sw || sw->InDestroying) return;
  if (TsCommonData* sd = sw->SkinData; sd && (sd->FUpdating || sd->FUpdateCount > 0)) return;
  HWND wnd = sw->CtrlHandle;
  if (!sw->sBarHorz || !sw->sBarVert) return;
  // Without a shown bar there is nothing to paint (a bar's state is read again when it shows).
  if (!sw->sBarHorz->fScrollVisible && !sw->sBarVert->fScrollVisible) return;
  if (!IsWindowVisible(wnd)) return;
  int barCode = SB_HORZ;
  for (TkvScrollBar* bar : {sw->sBarHorz, sw->sBarVert}) {
    bar->ScrollInfo.cbSize = sizeof(SCROLLINFO);
    bar->ScrollInfo.fMask = SIF_ALL;
    GetScrollInfo(wnd, barCode, &bar->ScrollInfo);
    barCode = SB_VERT;
  }
  if (repaint && !InAnimationProcess) kv_NCDraw(sw, wnd, -1, nullptr);
}

TkvScrollBar* Kv_GetScrollBarFromHwnd(HWND handle, Word nBar) {
  TkvScrollWnd* sw = TkvScrollWnd::FromHwnd(handle);
  if (!sw) return nullptr;
  if (nBar == SB_HORZ) return sw->sBarHorz;
  if (nBar == SB_VERT) return sw->sBarVert;
  return nullptr;
}

bool Kv_SetMinThumbSize(HWND handle, Word wBar, Word size) {
  TkvScrollWnd* sw = TkvScrollWnd::FromHwnd(handle);
  if (!sw) return false;
  if ((wBar == SB_HORZ || wBar == SB_BOTH) && sw->sBarHorz) sw->sBarHorz->nMinThumbSize = size;
  if ((wBar == SB_VERT || wBar == SB_BOTH) && sw->sBarVert) sw->sBarVert->nMinThumbSize = size;
  return true;
}

// ---- 3. Sizes, rectangles, frame computation ---------------------------------------------------

namespace {

TkvScrollData* OwnScrollData(const TkvScrollBar* sBar) {
  auto* swd = sBar->sw ? dynamic_cast<TsScrollWndData*>(sBar->sw->SkinData) : nullptr;
  if (!swd) return nullptr;
  return (sBar->nBarType == SB_VERT ? swd->FVertScrollData : swd->FHorzScrollData).get();
}

// The manager's scroll size at 96 PPI, scaled to the window where the class library leaves
// the scaling to the skin (Windows 10 and later in the class library's own scale mode).
Integer ManagerScrollSize(DuRiruZireziv* manager, TsCommonData* sd) {
  const Integer size = GetScrollSize(manager, 96);
  if (size >= 0 && manager && IsWin10Up() && manager->Options.ScaleMode == smVCL) return ScaleInt(size, sd);
  return size;
}

}  // namespace

Integer GetScrollMetric(const TkvScrollBar* sBar, Integer metric) {
  TsCommonData* sd = sBar->sw ? sBar->sw->SkinData : nullptr;
  DuRiruZireziv* manager = sd ? sd->GetSkinManager() : nullptr;
  const TkvScrollData* own = OwnScrollData(sBar);
  TkvScrollSizeSources s;
  // The system's metric and the manager's size ask the system: read once until the frame, the
  // skin or the system's settings change (Kv_ForgetScrollMetrics), and only when needed.
  auto systemSources = [&] {
    if (!sBar->FSystemSourcesRead) {
      sBar->FSystemMetric = GetSystemMetrics(sBar->nBarType == SB_VERT ? SM_CXVSCROLL : SM_CYHSCROLL);
      sBar->FManagerScrollSize = ManagerScrollSize(manager, sd);
      sBar->FSystemSourcesRead = true;
    }
    s.SystemMetric = sBar->FSystemMetric;
    s.ManagerScrollSize = sBar->FManagerScrollSize;
  };
  if (metric == SM_SCROLLWIDTH) {
    s.OwnSize = own && own->ScrollWidth() >= 0 ? ScaleInt(own->ScrollWidth(), sd) : -1;
    if (s.OwnSize >= 0) return s.OwnSize;
    systemSources();
    s.Override = sBar->nArrowWidth;
    return Kv_BarThickness(s);
  }
  s.OwnSize = own && own->ButtonsSize() >= 0 ? ScaleInt(own->ButtonsSize(), sd) : -1;
  if (s.OwnSize >= 0) return s.OwnSize;
  systemSources();
  s.ManagerButtonsSize = manager ? manager->ScrollsOptions.ButtonsSize : -1;
  s.Override = sBar->nArrowLength;
  if (TkvSkinData* skin = sd ? sd->GetCommonSkinData() : nullptr) {
    s.SkinScrollArrows = skin->ScrollArrows;
    s.SkinScrollBtnLength = skin->ScrollBtnLength;
  }
  s.Scaled16 = ScaleInt(16, sd);
  return Kv_ArrowLength(s);
}

void Kv_ForgetScrollMetrics(TkvScrollWnd* sw) {
  if (!sw) return;
  for (TkvScrollBar* sb : {sw->sBarHorz, sw->sBarVert})
    if (sb) sb->FSystemSourcesRead = false;
}

namespace {

Integer VisibleThickness(const TkvScrollBar* sb) {
  return sb && sb->fScrollVisible ? GetScrollMetric(sb, SM_SCROLLWIDTH) : 0;
}

TkvScrollLayout CurrentLayout(const TkvScrollWnd* sw, HWND handle) {
  RECT wr{};
  GetWindowRect(handle, &wr);
  return Kv_ScrollLayout(TRect(wr.left, wr.top, wr.right, wr.bottom), sw->cxLeftEdge, sw->cxRightEdge, sw->cyTopEdge,
                         sw->cyBottomEdge, VisibleThickness(sw->sBarHorz), VisibleThickness(sw->sBarVert),
                         sw->fLeftScrollbar);
}

}  // namespace

void kv_GetHScrollRect(const TkvScrollWnd* sw, HWND handle, TRect& r) { r = CurrentLayout(sw, handle).Horz; }

void kv_GetVScrollRect(const TkvScrollWnd* sw, HWND handle, TRect& r) { r = CurrentLayout(sw, handle).Vert; }

void kv_GetScrollCorner(const TkvScrollWnd* sw, HWND handle, TRect& r) { r = CurrentLayout(sw, handle).Corner; }

bool GetScrollRect(const TkvScrollWnd* sw, Integer nBar, HWND handle, TRect& r) {
  if (nBar == SB_HORZ) {
    kv_GetHScrollRect(sw, handle, r);
  } else if (nBar == SB_VERT) {
    kv_GetVScrollRect(sw, handle, r);
  } else {
    return false;
  }
  return true;
}

void Kv_GetRealHorzScrollRect(const TkvScrollBar* sb, TRect& r) {
  if (sb->fButVisibleBefore) r.Left += sb->nButSizeBefore;
  if (sb->fButVisibleAfter) r.Right -= sb->nButSizeAfter;
}

void Kv_GetRealVertScrollRect(const TkvScrollBar* sb, TRect& r) {
  if (sb->fButVisibleBefore) r.Top += sb->nButSizeBefore;
  if (sb->fButVisibleAfter) r.Bottom -= sb->nButSizeAfter;
}

void Kv_GetRealScrollRect(const TkvScrollBar* sb, TRect& r) {
  if (sb->nBarType == SB_HORZ) {
    Kv_GetRealHorzScrollRect(sb, r);
  } else {
    Kv_GetRealVertScrollRect(sb, r);
  }
}

TLResult Kv_NCCalcSize(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam) {
  Kv_ForgetScrollMetrics(sw);
  auto* rect = reinterpret_cast<RECT*>(lParam);
  const RECT old = *rect;
  const LONG style = GetWindowLongW(handle, GWL_STYLE);
  TLResult result;
  TLParam lp = lParam;
  if (!dynamic_cast<TCustomEdit*>(sw->OwnerControl())) {
    if (style & (WS_HSCROLL | WS_VSCROLL)) {
      // The system would keep room for its own bars: let it compute the frame without them.
      sw->bPreventStyleChange = true;
      SetWindowLongW(handle, GWL_STYLE, style & ~(WS_HSCROLL | WS_VSCROLL));
      result = sw->CallPrevWndProc(handle, WM_NCCALCSIZE, wParam, lp);
      SetWindowLongW(handle, GWL_STYLE, style);
      sw->bPreventStyleChange = false;
    } else {
      result = sw->CallPrevWndProc(handle, WM_NCCALCSIZE, wParam, lp);
    }
    TsCommonData* sd = sw->SkinData;
    const Byte coc = sd ? sd->COC : 0;
    DuRiruZireziv* manager = sd ? sd->GetSkinManager() : nullptr;
    if (sd && coc != 10 && coc != 223 && coc != 224 && coc != 232 && manager && manager->IsActive() &&
        manager->IsValidSkinIndex(sd->SkinIndex)) {
      const Integer offset = sd->GetCommonSkinData()->gd[size_t(sd->SkinIndex)].ScrollBorderOffset;
      if (offset < 0 && rect->left - old.left >= 2) InflateRect(rect, -offset, -offset);
    }
  } else {
    // An edit keeps its scroll styles (taking them away makes it reset its scrolling), so the
    // system keeps room for its own bars: that room is given back here, the skinned bars take
    // theirs below.
    result = sw->CallPrevWndProc(handle, WM_NCCALCSIZE, wParam, lp);
    if (style & WS_VSCROLL) {
      const Integer cx = GetSystemMetrics(SM_CXVSCROLL);
      if ((old.right - old.left) - (rect->right - rect->left) >= cx) {
        if (GetWindowLongW(handle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR)
          rect->left -= cx;
        else
          rect->right += cx;
      }
    }
    if (style & WS_HSCROLL) {
      const Integer cy = GetSystemMetrics(SM_CYHSCROLL);
      if ((old.bottom - old.top) - (rect->bottom - rect->top) >= cy) rect->bottom += cy;
    }
  }
  sw->cxLeftEdge = rect->left - old.left;
  sw->cxRightEdge = old.right - rect->right;
  sw->cyTopEdge = rect->top - old.top;
  sw->cyBottomEdge = old.bottom - rect->bottom;

  if (TkvScrollBar* h = sw->sBarHorz) {
    h->fScrollFlags = (style & WS_HSCROLL) ? CSBS_VISIBLE : 0;
    const Integer thickness = GetScrollMetric(h, SM_SCROLLWIDTH);
    h->fScrollVisible = (h->fScrollFlags & CSBS_VISIBLE) && rect->bottom - rect->top >= thickness;
    if (h->fScrollVisible) rect->bottom -= thickness;
  }
  if (TkvScrollBar* v = sw->sBarVert) {
    v->fScrollFlags = (style & WS_VSCROLL) ? CSBS_VISIBLE : 0;
    const Integer thickness = GetScrollMetric(v, SM_SCROLLWIDTH);
    v->fScrollVisible = (v->fScrollFlags & CSBS_VISIBLE) && rect->right - rect->left >= thickness;
    if (v->fScrollVisible) {
      if (sw->fLeftScrollbar) {
        rect->left += thickness;
      } else {
        rect->right -= thickness;
      }
    }
  }
  return result;
}

TkvScrollValues Kv_ScrollValues(const SCROLLINFO& si) {
  return {si.nMin, si.nMax, Integer(std::min<UINT>(si.nPage, UINT(INT32_MAX))), si.nPos};
}

Integer Kv_CalcThumbSize(const TkvScrollBar* sb, const TRect& r, Integer& thumbSize, Integer& thumbPos) {
  const bool vert = sb->nBarType == SB_VERT;
  const TkvThumb t = Kv_CalcThumb(Kv_ScrollValues(sb->ScrollInfo), vert ? r.Top : r.Left, vert ? r.Height() : r.Width(),
                                  GetScrollMetric(sb, SM_BTNSIZE), sb->nMinThumbSize);
  thumbSize = t.Size;
  thumbPos = t.Pos;
  return 1;
}

bool Kv_IsScrollbarActive(const TkvScrollBar* sb) {
  HWND wnd = sb->sw ? sb->sw->CtrlHandle : nullptr;
  if (!wnd) return false;
  // Without the system's query the window style decides.
  if (!Kv_GetScrollBarInfo)
    return (GetWindowLongW(wnd, GWL_STYLE) & (sb->nBarType == SB_VERT ? WS_VSCROLL : WS_HSCROLL)) != 0;
  SCROLLBARINFO info{};
  info.cbSize = sizeof(info);
  if (!Kv_GetScrollBarInfo(wnd, sb->nBarType == SB_VERT ? LONG(OBJID_VSCROLL) : LONG(OBJID_HSCROLL), &info))
    return false;
  if ((sb->fScrollFlags & ESB_DISABLE_BOTH) == ESB_DISABLE_BOTH) return false;
  if ((sb->fScrollFlags & CSBS_THUMBALWAYS) && !Kv_IsScrollInfoActive(Kv_ScrollValues(sb->ScrollInfo))) return false;
  return (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) == 0;
}

bool Kv_GripVisible(const TkvScrollWnd* sw, HWND handle, const TRect& r) {
  const Byte coc = sw->SkinData ? sw->SkinData->COC : 0;
  if (coc != 223 && coc != 224) return false;
  HWND parent = GetParent(handle);
  if (!parent) return true;
  if (GetParent(parent)) return false;
  RECT pr{};
  GetClientRect(parent, &pr);
  MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&pr), 2);
  const bool bottom = r.Bottom + sw->cyBottomEdge == pr.bottom;
  if (bottom && r.Right + sw->cxRightEdge == pr.right) return true;
  return bottom && sw->fLeftScrollbar && r.Left - sw->cxLeftEdge == pr.left;
}

// ---- 4. Painting ------------------------------------------------------------------------------

TkvScrollTracking kvScrollState;

namespace {

Integer BarPortion(TkvScrollBar* sb, const TRect& r, Integer x, Integer y, bool vert) {
  const Integer across = vert ? x : y;
  if (vert ? (across < r.Left || across >= r.Right) : (across < r.Top || across >= r.Bottom)) return HTSCROLL_NONE;
  sb->ScrollInfo.cbSize = sizeof(SCROLLINFO);
  sb->ScrollInfo.fMask = SIF_ALL;
  if (sb->sw) GetScrollInfo(sb->sw->CtrlHandle, sb->nBarType, &sb->ScrollInfo);
  const bool shift = GetAsyncKeyState(VK_SHIFT) < 0;
  return Kv_ScrollPortion(Kv_ScrollValues(sb->ScrollInfo), vert ? r.Top : r.Left, vert ? r.Height() : r.Width(),
                          GetScrollMetric(sb, SM_BTNSIZE), sb->nMinThumbSize, vert ? y : x, shift);
}

}  // namespace

Integer Kv_GetHorzScrollPortion(TkvScrollBar* sb, const TRect& r, Integer x, Integer y) {
  return BarPortion(sb, r, x, y, false);
}

Integer Kv_GetVertScrollPortion(TkvScrollBar* sb, const TRect& r, Integer x, Integer y) {
  return BarPortion(sb, r, x, y, true);
}

Integer Kv_GetHorzPortion(TkvScrollBar* sb, HWND, const TRect& r, Integer x, Integer y) {
  return Kv_GetHorzScrollPortion(sb, r, x, y);
}

Integer Kv_GetVertPortion(TkvScrollBar* sb, HWND, const TRect& r, Integer x, Integer y) {
  return Kv_GetVertScrollPortion(sb, r, x, y);
}

Integer Kv_GetPortion(TkvScrollBar* sb, HWND handle, const TRect& r, Integer x, Integer y) {
  if (sb->nBarType == SB_HORZ) return Kv_GetHorzPortion(sb, handle, r, x, y);
  if (sb->nBarType == SB_VERT) return Kv_GetVertPortion(sb, handle, r, x, y);
  return HTSCROLL_NONE;
}

void SendScrollMessage(HWND handle, UINT scrMsg, Integer scrId, Integer pos, bool doSetScrollInfo) {
  const intptr_t command = intptr_t(Word(scrId)) | (intptr_t(Word(scrMsg)) << 16);
  const WORD hiPos = pos < 0 || pos >= 0xFFFF ? 0xFFFF : WORD(pos);
  const WPARAM wParam = MAKEWPARAM(Word(scrId), hiPos);
  if (SendAMessage(handle, KV_BEFORESCROLL, command) == 1) {
    TrySendMessage(handle, scrMsg, wParam, pos);
  } else {
    const int bar = scrMsg == WM_HSCROLL ? SB_HORZ : SB_VERT;
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(handle, bar, &si);
    if (doSetScrollInfo && scrId == SB_THUMBTRACK) {
      si.fMask = SIF_POS;
      si.nPos = pos;
      SetScrollInfo(handle, bar, &si, FALSE);
    }
    TrySendMessage(handle, scrMsg, wParam, 0);
  }
  SendAMessage(handle, KV_AFTERSCROLL, command);
}

void Kv_EndLostPress(TkvScrollWnd* sw, HWND handle) {
  TkvScrollTracking& st = kvScrollState;
  if (!handle || st.bReleasing || st.hwndCurSB != handle || st.uCurrentScrollPortion == HTSCROLL_NONE) return;
  const UINT scrMsg = st.uScrollTimerMsg;
  for (UINT_PTR id : {COOLSB_TIMERID1, COOLSB_TIMERID2, COOLSB_TIMERID3}) KillTimer(handle, id);
  // Reset before anything is sent, so that what the notification does meets a bar at rest.
  st = TkvScrollTracking();
  if (sw) sw->fThumbTracking = false;
  if (scrMsg) SendScrollMessage(handle, scrMsg, SB_ENDSCROLL, 0, false);
  if (sw && !sw->Destroyed) kv_NCDraw(sw, handle, -1, nullptr);
}

TLResult Kv_NCHitTest(TkvScrollWnd* sw, HWND handle, TWParam wParam, TLParam lParam) {
  if (kvScrollState.bInHitTest) return 0;
  kvScrollState.bInHitTest = true;
  struct Leave {
    ~Leave() { kvScrollState.bInHitTest = false; }
  } leave;
  // The window under the mouse becomes the manager's active control (hover of the whole
  // control follows it); a popup menu never does: the control it was opened from keeps its
  // hot look meanwhile.
  if (TsCommonData* sd = sw->SkinData; sd && !dynamic_cast<TkvMnuWnd*>(sw)) {
    DuRiruZireziv* manager = sd->GetSkinManager();
    if (manager && manager->ActiveControl() != handle && !sd->FMouseAbove) {
      TControl* owner = sw->OwnerControl();
      if (!owner || kvMouseInControl(owner)) manager->SetActiveControl(handle);
    }
  }
  const TPoint p(int16_t(lParam & 0xFFFF), int16_t((lParam >> 16) & 0xFFFF));
  // One layout for both bars (every message of the mouse comes here).
  const TkvScrollLayout l = CurrentLayout(sw, handle);
  const TRect& h = l.Horz;
  const TRect& v = l.Vert;
  if (sw->sBarHorz && sw->sBarHorz->fScrollVisible && h.Contains(p))
    return Kv_IsScrollbarActive(sw->sBarHorz) ? HTHSCROLL : HTNOWHERE;
  if (sw->sBarVert && sw->sBarVert->fScrollVisible && v.Contains(p))
    return Kv_IsScrollbarActive(sw->sBarVert) ? HTVSCROLL : HTNOWHERE;
  const TRect corner(h.Right, h.Top, v.Right, h.Bottom);
  if (corner.Contains(p) && Kv_GripVisible(sw, handle, corner)) return HTBOTTOMRIGHT;
  TLParam lp = lParam;
  return sw->CallPrevWndProc(handle, WM_NCHITTEST, wParam, lp);
}

void Kv_ResetScrollTracking(HWND handle) {
  TkvScrollTracking& st = kvScrollState;
  if (!handle) return;
  if (st.hwndMouseOver == handle) {
    KillTimer(handle, COOLSB_TIMERID3);
    st.hwndMouseOver = nullptr;
    st.uMouseOverId = 0;
    st.uMouseOverScrollbar = -1;
    st.uHitTestPortion = st.uLastHitTestPortion = HTSCROLL_NONE;
  }
  if (st.hwndCurSB != handle) return;
  for (UINT_PTR id : {COOLSB_TIMERID1, COOLSB_TIMERID2, COOLSB_TIMERID3}) KillTimer(handle, id);
  // The hover of another window stays with it.
  const TkvScrollTracking kept = st;
  st = TkvScrollTracking();
  st.bReleasing = true;
  if (GetCapture() == handle) ReleaseCapture();
  st.bReleasing = false;
  if (kept.hwndMouseOver && kept.hwndMouseOver != handle) {
    st.hwndMouseOver = kept.hwndMouseOver;
    st.uMouseOverId = kept.uMouseOverId;
    st.uMouseOverScrollbar = kept.uMouseOverScrollbar;
    st.uHitTestPortion = kept.uHitTestPortion;
    st.uLastHitTestPortion = kept.uLastHitTestPortion;
    st.MouseOverRect = kept.MouseOverRect;
  }
}

namespace {

TkvSkinData* SkinOf(TsCommonData* sd) { return sd && sd->GetSkinManager() ? sd->GetCommonSkinData() : nullptr; }

bool ValidSection(const TkvSkinData* skin, Integer index) {
  return skin && index >= 0 && size_t(index) < skin->gd.size();
}

bool ValidImage(const TkvSkinData* skin, Integer index) {
  return skin && index >= 0 && size_t(index) < skin->ma.size();
}

void PaintElement(const TkvConstElementData& e, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                  TBitmap* bmp, TkvSkinData* skin) {
  PaintItemFast(e.SkinIndex, e.MaskIndex, e.BGIndex[0], e.BGIndex[1], ci, true, state, r, pP, bmp, skin);
}

void CopyBitmap(HDC dst, Integer x, Integer y, TBitmap* src) {
  BitBlt(dst, x, y, src->Width(), src->Height(), src->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// The parent's background under the window: the answer, with the offset moved to the window's
// own top-left.
TkvBGInfo WindowBackground(HWND handle) {
  TkvBGInfo bg;
  bg.PleaseDraw = false;
  HWND parent = GetParent(handle);
  GetBGInfo(&bg, parent, false);
  RECT wr{};
  GetWindowRect(handle, &wr);
  POINT p{wr.left, wr.top};
  if (parent) ScreenToClient(parent, &p);
  bg.Offset = {bg.Offset.X + p.x, bg.Offset.Y + p.y};
  return bg;
}

// The painters' working bitmaps, kept between calls: a bar, its buttons, its thumb and the
// corner each take one of their size; a size not in use is handed out again (cleared), so
// repainting the same bars makes no bitmap. Several of one size may be in use at once.
class TkvWorkBitmaps {
 public:
  struct TSlot {
    std::unique_ptr<TBitmap> Bmp;
    bool InUse = false;
    uint64_t LastUse = 0;
  };

  class TLease {
   public:
    explicit TLease(TkvWorkBitmaps::TSlot* slot) : slot_(slot) {}
    TLease(const TLease&) = delete;
    TLease& operator=(const TLease&) = delete;
    ~TLease() { slot_->InUse = false; }
    TBitmap* get() const { return slot_->Bmp.get(); }
    TBitmap* operator->() const { return get(); }

   private:
    TkvWorkBitmaps::TSlot* slot_;
  };

  TLease Take(Integer w, Integer h) {
    ++clock_;
    TSlot* pick = nullptr;
    for (auto& slot : slots_) {
      if (slot->InUse) continue;
      if (slot->Bmp->Width() == w && slot->Bmp->Height() == h) {
        pick = slot.get();
        break;
      }
    }
    if (pick) {
      Clear(pick->Bmp.get());
    } else {
      if (slots_.size() >= kMaxSlots) {
        // The least recently used free slot makes room.
        TSlot* oldest = nullptr;
        for (auto& slot : slots_)
          if (!slot->InUse && (!oldest || slot->LastUse < oldest->LastUse)) oldest = slot.get();
        if (oldest) {
          pick = oldest;
          pick->Bmp.reset();
        }
      }
      if (!pick) {
        slots_.push_back(std::make_unique<TSlot>());
        pick = slots_.back().get();
      }
      pick->Bmp.reset(CreateBmp32(w, h));
      ++kvScrollPaintCounts.BitmapsMade;
    }
    pick->InUse = true;
    pick->LastUse = clock_;
    return TLease(pick);
  }

  void FreeUnused() {
    slots_.erase(std::remove_if(slots_.begin(), slots_.end(), [](const auto& slot) { return !slot->InUse; }),
                 slots_.end());
  }

 private:
  static constexpr size_t kMaxSlots = 32;
  static void Clear(TBitmap* bmp) {
    const size_t row = size_t(bmp->Width()) * 4;
    for (Integer y = 0; y < bmp->Height(); ++y) std::memset(bmp->ScanLine(y), 0, row);
  }
  std::vector<std::unique_ptr<TSlot>> slots_;
  uint64_t clock_ = 0;
};

TkvWorkBitmaps& WorkBitmaps() {
  static TkvWorkBitmaps pool;
  return pool;
}

TkvWorkBitmaps::TLease NewBmp32(Integer w, Integer h) { return WorkBitmaps().Take(w, h); }

}  // namespace

TkvScrollPaintCounts kvScrollPaintCounts;

void Kv_FreeScrollBitmaps() { WorkBitmaps().FreeUnused(); }

void kvSBUtilsCleanup() {
  FreePageWrappers();
  Kv_FreeScrollBitmaps();
  Kv_GetScrollBarInfo = nullptr;
  Kv_InitializeFlatSB = Kv_UninitializeFlatSB = nullptr;
  for (HMODULE* lib : {&huser32, &hcomctl32}) {
    if (*lib) FreeLibrary(*lib);
    *lib = nullptr;
  }
}

void BtnDrawRect(const TRect& r, TsCommonData* sd, Integer side, TRect& drawRect) {
  drawRect = r;
  TkvSkinData* skin = SkinOf(sd);
  if (!skin || side < 0 || side > 3) return;
  const TkvConstElementData& e = skin->ScrollBtns[size_t(side)];
  if (!ValidSection(skin, e.SkinIndex) || !skin->gd[size_t(e.SkinIndex)].ReservedBoolean ||
      !ValidImage(skin, e.MaskIndex))
    return;
  const TsMaskData& md = skin->ma[size_t(e.MaskIndex)];
  switch (side) {
    case asLeft: drawRect.Right += md.Width - 17; break;
    case asTop: drawRect.Bottom += md.Height - 17; break;
    case asRight: drawRect.Left -= md.Width - 17; break;
    default: drawRect.Top -= md.Height - 17; break;
  }
}

void DrawCenterGlyph(TBitmap* b, Integer ndx, Integer state, const TRect& r, TsCommonData* sd) {
  TkvSkinData* skin = SkinOf(sd);
  if (!ValidImage(skin, ndx)) return;
  const TsMaskData& md = skin->ma[size_t(ndx)];
  const TPoint p{r.Left + (r.Width() - md.Width) / 2, r.Top + (r.Height() - md.Height) / 2};
  DrawSkinGlyph(b, p, state, 1, md, MakeCacheInfo(b, 0, 0));
}

void kv_DrawScrollBtn(const TRect& r, Integer state, TBitmap* bmp, Integer side, TsCommonData* sd) {
  TkvSkinData* skin = SkinOf(sd);
  if (r.IsEmpty() || !skin || side < 0 || side > 3) return;
  TRect dr;
  BtnDrawRect(r, sd, side, dr);
  auto btn = NewBmp32(dr.Width(), dr.Height());
  const TkvConstElementData& e = skin->ScrollBtns[size_t(side)];
  PaintElement(e, MakeCacheInfo(bmp, dr.Left, dr.Top), state, TRect(0, 0, dr.Width(), dr.Height()), TPoint(0, 0),
               btn.get(), skin);
  TRect glyph(r.Left - dr.Left, r.Top - dr.Top, r.Right - dr.Left, r.Bottom - dr.Top);
  if (ValidImage(skin, e.GlyphIndex)) {
    DrawCenterGlyph(btn.get(), e.GlyphIndex, state, glyph, sd);
  } else if (ValidSection(skin, e.SkinIndex)) {
    if (state > 1 && CanClickShift(e.SkinIndex, sd))
      glyph = TRect(glyph.Left + 1, glyph.Top + 1, glyph.Right + 1, glyph.Bottom + 1);
    const TColor color = skin->gd[size_t(e.SkinIndex)].Props[size_t(std::min(state, 2))].FontColor.Color;
    DuRiruZireziv* manager = sd->GetSkinManager();
    DrawArrow(btn.get(), color, clNone, glyph, TkvSide(side), 0, 0, 0, manager->Options.ActualArrowStyle(), skin->PPI);
  }
  CopyBitmap(bmp->Canvas()->Handle(), dr.Left, dr.Top, btn.get());
}

void kv_DrawSlider(const TRect& r, Integer state, TBitmap* bmp, bool vert, TsCommonData* sd) {
  TkvSkinData* skin = SkinOf(sd);
  if (!skin) return;
  TRect t = r;
  if (skin->ThumbWidth > 0) {
    if (vert) {
      const Integer d = (skin->ThumbWidth - t.Width()) / 2;
      t.Left -= d;
      t.Right += d;
    } else {
      const Integer d = (skin->ThumbWidth - t.Height()) / 2;
      t.Top -= d;
      t.Bottom += d;
    }
  }
  if (t.IsEmpty()) return;
  auto thumb = NewBmp32(t.Width(), t.Height());
  const TkvConstElementData& e = skin->Sliders[vert ? 1 : 0];
  const TRect local(0, 0, t.Width(), t.Height());
  PaintElement(e, MakeCacheInfo(bmp, t.Left, t.Top), state, local, TPoint(0, 0), thumb.get(), skin);
  DrawCenterGlyph(thumb.get(), e.GlyphIndex, state, local, sd);
  CopyBitmap(bmp->Canvas()->Handle(), t.Left, t.Top, thumb.get());
}

namespace {

// One bar of either direction. "Along" is the bar's length, "across" its thickness; the
// rectangles are built in the bar bitmap's coordinates.
// A thumb being dragged: where it is drawn (along the bar, in the bar rectangle's coordinates)
// and its length.
struct TkvDraggedThumb {
  Integer Pos = 0;
  Integer Size = 0;
};

Integer DrawBar(TkvScrollBar* sb, HWND handle, HDC dc, const TRect& r, Integer uDrawFlags, Integer sliderPos,
                const TkvDraggedThumb* dragged = nullptr) {
  TkvScrollWnd* sw = sb->sw;
  if (!sw || !sb->fScrollVisible) return 0;
  // The dragged bar is painted by the drag alone.
  if (sw->fThumbTracking && !dragged && kvScrollState.uCurrentScrollbar == Integer(sb->nBarType)) return 0;
  TsCommonData* sd = sw->SkinData;
  TkvSkinData* skin = SkinOf(sd);
  const bool vert = sb->nBarType == SB_VERT;
  const TkvConstElementData& first = skin ? skin->Scrolls[vert ? 1 : 0] : TkvConstElementData{};
  if (!ValidSection(skin, first.SkinIndex)) return 0;
  const Integer length = vert ? r.Height() : r.Width();
  const Integer thickness = vert ? r.Width() : r.Height();
  if (length <= 1) return 0;
  const TkvConstElementData& second = skin->Scrolls[vert ? 3 : 2];

  sb->ScrollInfo.cbSize = sizeof(SCROLLINFO);
  sb->ScrollInfo.fMask = SIF_ALL;
  GetScrollInfo(handle, sb->nBarType, &sb->ScrollInfo);
  const Integer but = GetScrollMetric(sb, SM_BTNSIZE);
  const Integer working = length - 2 * but;

  TControl* owner = sw->OwnerControl();
  const bool enabled = Kv_IsScrollbarActive(sb) && (!owner || owner->Enabled());
  const TkvScrollTracking& st = kvScrollState;
  const bool current = handle == st.hwndCurSB;
  // While dragging, the track and arrows show normal and only the thumb pressed.
  const bool barHot = !dragged && handle == st.hwndMouseOver && Integer(sb->nBarType) == st.uMouseOverScrollbar;
  if (!current || dragged) uDrawFlags = HTSCROLL_NONE;
  auto arrowState = [&](Integer portion) {
    if (uDrawFlags == portion) return 2;
    return barHot && st.uHitTestPortion == portion && enabled ? 1 : 0;
  };
  const Integer firstState = arrowState(HTSCROLL_LEFT), lastState = arrowState(HTSCROLL_RIGHT);

  Integer thumbSize = 0, thumbPos = 0;
  Kv_CalcThumbSize(sb, r, thumbSize, thumbPos);
  if (sliderPos != -1) thumbPos = sliderPos;
  if (dragged) {
    thumbPos = dragged->Pos;
    thumbSize = dragged->Size;
  }

  auto along = [&](Integer from, Integer to) {
    return vert ? TRect(0, from, thickness, to) : TRect(from, 0, to, thickness);
  };
  auto bar = NewBmp32(r.Width(), r.Height());
  TkvBGInfo bg = WindowBackground(handle);
  TCacheInfo ci = BGInfoToCI(&bg);
  // The track parts are drawn as if at their place in the window.
  const TPoint at{r.Left - sw->cxLeftEdge, r.Top - sw->cyTopEdge};
  ci.X += sw->cxLeftEdge;
  ci.Y += sw->cyTopEdge;
  auto shifted = [&](Integer d) { return vert ? TPoint(at.X, at.Y + d) : TPoint(at.X + d, at.Y); };
  const Integer barStart = vert ? r.Top : r.Left;
  const SCROLLINFO& si = sb->ScrollInfo;
  if (2 * but < length) {
    const Integer split = thumbSize / 2 + thumbPos - barStart;
    PaintElement(first, ci, uDrawFlags == HTSCROLL_PAGELEFT ? 2 : 0, along(0, split), shifted(0), bar.get(), skin);
    PaintElement(second, ci, uDrawFlags == HTSCROLL_PAGERIGHT ? 2 : 0, along(split, length), shifted(split), bar.get(),
                 skin);
    kv_DrawScrollBtn(along(0, but), firstState, bar.get(), vert ? asTop : asLeft, sd);
    kv_DrawScrollBtn(along(length - but, length), lastState, bar.get(), vert ? asBottom : asRight, sd);
    // A thumb only where it has room to move (a page that covers the range gives none).
    Integer q = kvMulDiv(Integer(si.nPage), working, si.nMax - si.nMin);
    if (q < sb->nMinThumbSize || q < working - 1) q = std::min(sb->nMinThumbSize, working - 1);
    if (dragged) {
      const Integer from = thumbPos - barStart;
      kv_DrawSlider(along(from, from + thumbSize), 2, bar.get(), vert, sd);
    } else if (enabled && q > 0 && q <= working) {
      const bool thumbHot = barHot && st.uHitTestPortion == HTSCROLL_THUMB && enabled;
      const Integer from = thumbPos - barStart;
      kv_DrawSlider(along(from, from + thumbSize), thumbHot ? 1 : 0, bar.get(), vert, sd);
    }
  } else {
    const Integer half = length / 2;
    PaintElement(first, ci, 0, along(0, half), shifted(0), bar.get(), skin);
    PaintElement(second, ci, 0, along(half, length), shifted(half), bar.get(), skin);
    kv_DrawScrollBtn(along(0, half), firstState, bar.get(), vert ? asTop : asLeft, sd);
    kv_DrawScrollBtn(along(half, length), lastState, bar.get(), vert ? asBottom : asRight, sd);
  }
  if (!enabled && !dragged) {
    TkvBGInfo again = WindowBackground(handle);
    if (sd->COC == 224) again.Offset = {0, 0};
    if (again.BgType == btCache && again.Bmp) {
      auto under = NewBmp32(r.Width(), r.Height());
      BitBlt(under->Canvas()->Handle(), 0, 0, r.Width(), r.Height(), again.Bmp->Canvas()->Handle(),
             again.Offset.X + r.Left, again.Offset.Y + r.Top, SRCCOPY);
      BlendTransRectangle(bar.get(), 0, 0, under.get(), TRect(0, 0, r.Width(), r.Height()), DefBlendDisabled,
                          TColor(0xFF00FF));
    } else {
      FadeBmp(bar.get(), TRect(0, 0, r.Width(), r.Height()), 60, again.Color, 0, 0);
    }
  }
  CopyBitmap(dc, r.Left, r.Top, bar.get());
  return 1;
}

}  // namespace

Integer Kv_NCDrawHScrollbar(TkvScrollBar* sb, HWND handle, HDC dc, const TRect& r, Integer uDrawFlags,
                            Integer sliderPos) {
  return sb->nBarType == SB_HORZ ? DrawBar(sb, handle, dc, r, uDrawFlags, sliderPos) : 0;
}

Integer Kv_NCDrawVScrollbar(TkvScrollBar* sb, HWND handle, HDC dc, const TRect& r, Integer uDrawFlags,
                            Integer sliderPos) {
  return sb->nBarType == SB_VERT ? DrawBar(sb, handle, dc, r, uDrawFlags, sliderPos) : 0;
}

Integer Kv_NCDrawScrollbar(TkvScrollBar* sb, HWND handle, HDC dc, const TRect& r, Integer uDrawFlags,
                           Integer sliderPos) {
  return DrawBar(sb, handle, dc, r, uDrawFlags, sliderPos);
}

Integer Kv_DrawDraggedBar(TkvScrollBar* sb, HWND handle, HDC dc, const TRect& r, Integer thumbPos, Integer thumbSize) {
  const TkvDraggedThumb dragged{thumbPos, thumbSize};
  return DrawBar(sb, handle, dc, r, HTSCROLL_NONE, -1, &dragged);
}

Integer Kv_RepaintBar(TkvScrollWnd* sw, HWND handle, Integer nBar, Integer pressed) {
  TkvScrollBar* sb = nBar == SB_HORZ ? sw->sBarHorz : nBar == SB_VERT ? sw->sBarVert : nullptr;
  if (!sb || !sb->fScrollVisible || sw->Destroyed) return 0;
  TRect r;
  GetScrollRect(sw, nBar, handle, r);
  RECT wr{};
  GetWindowRect(handle, &wr);
  r = TRect(r.Left - wr.left, r.Top - wr.top, r.Right - wr.left, r.Bottom - wr.top);
  TWindowDC dc(handle);
  ++kvScrollPaintCounts.WindowDCs;
  return Kv_NCDrawScrollbar(sb, handle, dc.get(), r, pressed, -1);
}

TLResult kv_NCDraw(TkvScrollWnd* sw, HWND handle, Integer thumbPos, HDC aDC) {
  if (!sw) return 0;
  TsCommonData* sd = sw->SkinData;
  if (sd) {
    DuRiruZireziv* manager = sd->GetSkinManager();
    if (!manager || !manager->IsActive() || sd->InUpdating(false)) return 0;
    TControl* owner = sw->OwnerControl();
    if (owner && owner->ControlState().Contains(csCreating)) return 0;
    auto* winOwner = dynamic_cast<TWinControl*>(owner);
    if (winOwner && !IsWindowVisible(handle) && !winOwner->Showing()) return 0;
    if (sd->BGChanged) SendAMessage(handle, KV_PREPARECACHE);
  }
  if (!sw->sBarHorz || !sw->sBarVert) return 0;
  if (!sw->sBarHorz->fScrollVisible && !sw->sBarVert->fScrollVisible) return 0;
  RECT wr{};
  GetWindowRect(handle, &wr);
  std::optional<TWindowDC> own;
  HDC dc = aDC;
  if (!dc) {
    own.emplace(handle);
    ++kvScrollPaintCounts.WindowDCs;
    dc = own->get();
  }
  auto toWindow = [&](TRect r) {
    return TRect(r.Left - wr.left, r.Top - wr.top, r.Right - wr.left, r.Bottom - wr.top);
  };
  const TkvScrollTracking& st = kvScrollState;
  TkvScrollBar* bars[2] = {sw->sBarHorz, sw->sBarVert};
  for (TkvScrollBar* sb : bars) {
    if (!sb) return 0;
    if (!sb->fScrollVisible) continue;
    TRect r;
    GetScrollRect(sw, sb->nBarType, handle, r);
    const bool tracked = st.uCurrentScrollbar == Integer(sb->nBarType) && st.hwndCurSB == handle;
    if (sw->fThumbTracking && tracked) {
      // A frame paint in the middle of a drag shows the thumb where the drag left it.
      const bool vert = sb->nBarType == SB_VERT;
      Kv_DrawDraggedBar(sb, handle, dc, toWindow(r), st.nThumbPos - (vert ? wr.top : wr.left), st.nThumbSize);
      continue;
    }
    const Integer pressed = tracked ? st.uScrollTimerPortion : HTSCROLL_NONE;
    Kv_NCDrawScrollbar(sb, handle, dc, toWindow(r), pressed, thumbPos);
  }
  if (!sw->sBarHorz->fScrollVisible || !sw->sBarVert->fScrollVisible) return 0;

  TRect corner;
  kv_GetScrollCorner(sw, handle, corner);
  const TRect local = toWindow(corner);
  if (corner.IsEmpty()) return 0;
  auto bmp = NewBmp32(corner.Width(), corner.Height());
  HDC bdc = bmp->Canvas()->Handle();
  const TRect whole(0, 0, corner.Width(), corner.Height());
  TkvSkinData* skin = SkinOf(sd);
  DuRiruZireziv* manager = sd ? sd->GetSkinManager() : nullptr;
  const TkvConstElementData* track = skin ? &skin->Scrolls[0] : nullptr;
  const TsGenState* look =
      track && ValidSection(skin, track->SkinIndex) ? &skin->gd[size_t(track->SkinIndex)].Props[0] : nullptr;
  if (look && look->Transparency != 100) {
    TColor color = look->Color == 0xFF00FF ? manager->GetGlobalColor() : TColor(look->Color);
    if (!Kv_IsScrollbarActive(sw->sBarHorz) || !Kv_IsScrollbarActive(sw->sBarVert)) {
      if (ValidSection(skin, sd->SkinIndex)) {
        const TColor own = skin->gd[size_t(sd->SkinIndex)].Props[sd->ControlIsActive() ? 1 : 0].Color;
        color = BlendColors(color, own, DefBlendDisabled);
      }
    }
    FillDC(bdc, whole, color);
  } else {
    TkvBGInfo bg = WindowBackground(handle);
    if (bg.BgType == btFill) {
      FillDC(bdc, whole, bg.Color);
    } else if (bg.BgType == btCache && bg.Bmp) {
      BitBlt(bdc, 0, 0, whole.Width(), whole.Height(), bg.Bmp->Canvas()->Handle(), bg.Offset.X + local.Left,
             bg.Offset.Y + local.Top, SRCCOPY);
    } else {
      FillDC(bdc, whole, manager ? manager->GetGlobalColor() : ColorToRGB(clBtnFace));
    }
  }
  if (skin && Kv_GripVisible(sw, handle, corner) && ValidImage(skin, skin->GripRightBottom)) {
    const TsMaskData& md = skin->ma[size_t(skin->GripRightBottom)];
    DrawSkinGlyph(bmp.get(), TPoint(whole.Width() - md.Width, whole.Height() - md.Height), 0, 1, md,
                  MakeCacheInfo(bmp.get(), 0, 0));
  }
  CopyBitmap(dc, local.Left, local.Top, bmp.get());
  return 0;
}
