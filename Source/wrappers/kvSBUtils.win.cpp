#include "wrappers/kvSBUtils.h"

#include <windows.h>

#include "base/sMessages.h"
#include "skin/ControlServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Controls.h"
#include "ui/TypInfo.h"

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

void TkvMainWnd::Create(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager,
                        TkvSkinParams& skinParams, bool repaint) {
  CtrlHandle = aHandle;
  OldWndProc = TWndMethod();
  if (uxthemeLib && kv_SetWindowTheme && (!aSkinData || aSkinData->COC != 224) &&
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

void TkvMainWnd::RestoreStdParams() {
  if (OwnSkinData && SkinData) SkinData->RemoveCommonProp();
  kvSetWndProp(CtrlHandle, KVSBSC, nullptr);
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
      link->Free();
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

void TkvMainWnd::BeforeDestruction() {
  if (SkinData) {
    if (SkinManager && !Destroyed) {
      if (TControl* ctrl = OwnerControl(); ctrl && HasOldCtrlStyle) ctrl->SetControlStyle(OldCtrlStyle);
      // Taken out of the window's procedure chain in any case: nothing may call a freed
      // wrapper.
      DetachWindowProc();
      RestoreStdParams();
    } else if (Destroyed) {
      if (TControl* ctrl = OwnerControl(); ctrl && !ctrl->ComponentState().Contains(csDestroying)) RestoreStdParams();
    }
    if (!SkinManager) DetachWindowProc();
    if (OwnSkinData) SkinData->Free();
    SkinData = nullptr;
    kvSetWndProp(CtrlHandle, KVSBSC, nullptr);
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
      if (auto* effects = TkvServiceSlot<TkvEffectServices>::Get()) effects->HideGlow(SkinData->GlowID, false);
    }
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
    case WM_NCDESTROY:
      HandleDestroy(message);
      return true;
    case WM_UPDATEUISTATE:
      return true;
    case WM_SIZE:
      if (SkinData) SkinData->BGChanged = true;
      return false;
    case WM_SETTEXT: {
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      Caption = GetWndText(CtrlHandle);
      return true;
    }
    case WM_PRINT:
      message.Result = SendMessageW(CtrlHandle, WM_PAINT, message.WParam, message.LParam);
      return true;
    default:
      if (message.Msg == SM_ALPHACMD && message.WParamHi == KV_REMOVESKIN && SkinData &&
          reinterpret_cast<DuRiruZireziv*>(message.LParam) == SkinData->GetSkinManager()) {
        RestoreStdParams();
        AlphaBroadCast(CtrlHandle, message);
      }
      return false;
  }
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
        AlphaBroadCast(CtrlHandle, message);
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
        AlphaBroadCast(CtrlHandle, message);
        return;
      }
      break;
    case KV_CTRLHANDLED:
      message.Result = 1;
      return;
    case KV_PREPARING:
      message.Result = SkinData->GetUpdating() ? 1 : 0;
      return;
    case KV_GETLISTSW:
      message.Result = reinterpret_cast<TLResult>(this);
      return;
    case KV_SETSECTION:
      if (message.LParam) {
        SkinData->SetSkinSection(*reinterpret_cast<const String*>(message.LParam));
        message.Result = 1;
      } else {
        message.Result = 0;
      }
      return;
    case KV_GETSKINDATA:
      message.Result = reinterpret_cast<TLResult>(SkinData);
      return;
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

void TkvScrollWnd::UpdateLeftScroll() {
  fLeftScrollbar = (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
}

Integer TkvScrollWnd::ShownBars(Integer bar) {
  const TkvScrollBar* b = bar == SB_HORZ ? sBarHorz : bar == SB_VERT ? sBarVert : nullptr;
  return b && b->fScrollVisible ? 1 : 0;
}

Integer TkvScrollWnd::GetScrollMetric(Integer bar, bool thickness) {
  const TkvScrollBar* b = bar == SB_HORZ ? sBarHorz : bar == SB_VERT ? sBarVert : nullptr;
  TkvScrollSizeSources s;
  s.SystemMetric = GetSystemMetrics(bar == SB_HORZ ? SM_CYHSCROLL : SM_CXVSCROLL);
  if (b) s.Override = thickness ? b->nArrowWidth : b->nArrowLength;
  return thickness ? Kv_BarThickness(s) : Kv_ArrowLength(s);
}

TkvScrollWnd* TkvScrollWnd::FromHwnd(HWND wnd) { return dynamic_cast<TkvScrollWnd*>(Kv_GetScrollWndFromHwnd(wnd)); }

void TkvScrollWnd::BeforeDestruction() {
  // The control's frame is recomputed once the system bars are back.
  TWinControl* ctrl = dynamic_cast<TWinControl*>(OwnerControl());
  const bool redraw = ctrl && !ctrl->ComponentState().Contains(csDestroying) && SkinData &&
                      !SkinData->GetUpdating();
  FreeBars();
  TkvMainWnd::BeforeDestruction();
  if (redraw && ctrl->HandleAllocated()) SetWindowPos(ctrl->Handle(), nullptr, 0, 0, 0, 0, 0x737);
}

// ---- 2. Attaching and detaching --------------------------------------------------------------

bool InitializeKVWnd(TkvMainWnd* sw, HWND aHandle) {
  sw->DontRepaint = false;
  sw->CtrlHandle = aHandle;
  TControl* ctrl = sw->OwnerControl();
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
  if (!sw->Destroyed && sw->SkinData && sw->SkinData->FOwnerControl) {
    sw->DetachWindowProc();
    sw->RestoreStdParams();
    sw->FreeBars();
    if (IsWindowVisible(handle)) Kv_RedrawNonClient(handle, repaint);
    if (sw->OwnSkinData) {
      sw->SkinData->FOwnerControl = nullptr;
      sw->SkinData->FOwnerObject = nullptr;
      sw->SkinData->FSWHandle = nullptr;
      if (sw->SkinData->GlowID >= 0) {
        if (auto* effects = TkvServiceSlot<TkvEffectServices>::Get()) effects->HideGlow(sw->SkinData->GlowID, false);
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
