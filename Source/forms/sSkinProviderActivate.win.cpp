// The skin provider's activation handlers and the caption cover.
//
// Sections:
//   1. Open popups of the form (CheckPopupForms)
//   2. The caption cover: a copy of the form's picture over the caption while the system
//      paints its own caption (TkvCaptForm, MakeCaptForm, KillCaptForm, kvCheckTopWindows)
//   3. Non-client activation (KV_WMNCActivate)
//   4. Activation of the form, of the application and of MDI children
#include <windows.h>

#include "base/Composition.h"
#include "base/sMessages.h"
#include "controls/kvPopupController.h"
#include "forms/kvDials.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "skin/ControlServices.h"
#include "skin/sVclUtils.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"
#include "ui/WinHandles.h"

Cardinal CaptionCoverDelay = kDefaultCaptionCoverDelay;
void (*CaptionCoverWait)(Cardinal ms) = [](Cardinal ms) { Sleep(ms); };

namespace {

void WaitForCover() {
  if (CaptionCoverDelay > 0 && CaptionCoverWait) CaptionCoverWait(CaptionCoverDelay);
}

// The application shows its main form on the taskbar, this is another form and the main form
// is minimized: switching this form's redraw off would hide the main form's taskbar restore.
bool MainFormMinimizedOnTaskbar(TsSkinProvider* sp) {
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  return Application && Application->MainFormOnTaskbar() && main && main != sp->Form && main->HandleAllocated() &&
         IsIconic(main->WindowHandle());
}

bool IsMainFormMinimized(TsSkinProvider* sp) {
  TCustomForm* main = Application ? Application->MainForm() : nullptr;
  return main && main == sp->Form && main->HandleAllocated() && IsIconic(main->WindowHandle());
}

bool InShowingPhase(TForm* form) { return form->FormState().Contains(fsShowing); }

// A control on the header band takes the band's look as its background: it waits (updating)
// until the form has painted the band in its new look and then repaints. Data is the band's
// bottom in the coordinates of the control's parent; the control's own children get it in
// theirs, so a child of a control below the band is never counted as inside it.
bool RepaintHeadCtrl(TControl* control, Integer& bandBottom) {
  const Integer band = bandBottom;
  bandBottom = band - control->Top();
  if (control->Top() >= band) return false;
  if (auto* win = dynamic_cast<TWinControl*>(control); win && (win->IsDestroying() || !win->HandleAllocated()))
    return false;
  TrySendMessage(control, SM_ALPHACMD, MAKEWPARAM(1, KV_UPDATING), 0);
  TrySendMessage(control, SM_ALPHACMD, MAKEWPARAM(1, KV_SETBGCHANGED), 0);
  return false;
}

}  // namespace

// ---- 1. Open popups of the form ----------------------------------------------------------------

bool TsSkinProvider::CheckPopupForms() {
  TsPopupController* controller = GetIntController();
  if (!controller) return false;
  for (const auto& handler : controller->FormHandlers)
    if (handler && !handler->Closed && handler->ParentForm == Form && handler->PopupForm && handler->PopupCtrl)
      return true;
  return false;
}

// ---- 2. The caption cover ----------------------------------------------------------------------

TW_DEFINE_CLASS(TkvCaptForm) {}

TkvCaptForm::TkvCaptForm(TComponent* owner) : TkvGlowForm(owner) {}

void TkvCaptForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND:
    case WM_NCPAINT: m.Result = 1; return;
    case WM_PAINT: {
      if (!HandleAllocated()) break;
      const HWND h = WindowHandle();
      PAINTSTRUCT ps{};
      HDC dc = BeginPaint(h, &ps);
      TBitmap* cache = SP && SP->FCommonData ? SP->FCommonData->FCacheBmp.get() : nullptr;
      if (dc && cache && !cache->Empty()) {
        TPoint from(0, 0);
        if (SP->BorderForm) {
          const Integer bw = SP->Form->BorderWidth();
          from = TPoint(SP->OffsetX() - bw, SP->OffsetY() - (SP->LinesCount() * SP->MenuHeight() + bw) - 1);
        }
        RECT r{};
        GetClientRect(h, &r);
        BitBlt(dc, 0, 0, r.right, r.bottom, cache->Canvas()->Handle(), from.X, from.Y, SRCCOPY);
      }
      EndPaint(h, &ps);
      m.Result = 0;
      return;
    }
    default: break;
  }
  TkvGlowForm::WndProc(m);
}

void kvCheckTopWindows(HWND curWnd, TEnumRgnData& data) {
  RECT own{};
  GetWindowRect(data.OwnerHandle, &own);
  for (HWND w = GetWindow(curWnd, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) {
    if (!IsWindowVisible(w) || GetParent(w)) continue;
    RECT r{};
    GetWindowRect(w, &r);
    if (r.right - r.left == 0) continue;
    const TOwnedRegion cut(CreateRectRgn(r.left - own.left, r.top - own.top, r.right - own.left, r.bottom - own.top));
    CombineRgn(data.Rgn, data.Rgn, cut.get(), RGN_DIFF);
  }
}

void TsSkinProvider::MakeCaptForm(bool /*full*/) {
  const HWND h = FormWnd(this);
  TsPopupController* popups = GetIntController();
  if (!h || (popups && popups->PopupCount() > 0) || !CanDrawNCArea() || UWPNoBorderMode() || FUWPMode) return;
  if ((!Form->Enabled() && FDisabledBlured) || ::InAnimation(this) || IsIconic(h) || !Form->Showing()) return;
  if (BorderForm && !Form->Menu()) return;
  const bool mdiChild = Form->FormStyle() == fsMDIChild;
  if (mdiChild && MDISkinProvider && MDISkinProvider->LockCount > 0) return;
  if (FFormState & FS_BLENDMOVING) return;

  if (!CaptForm) {
    auto cover = std::make_unique<TkvCaptForm>(Application);
    cover->AfterConstruction();
    cover->SetName(Form->Name() + u"CaptForm" + IntToStr(Integer(GetTickCount() & 0x7FFFFFFF)));
    cover->SP = this;
    cover->HandleNeeded();
    if (!cover->HandleAllocated()) return;
    CaptForm = std::move(cover);
  }
  const HWND cw = CaptForm->WindowHandle();
  RECT wr{};
  GetWindowRect(h, &wr);
  const bool child = Form->Parent() != nullptr || mdiChild;
  TRect place;
  if (BorderForm) {
    // Only the menu line: the border window shows everything else.
    const Integer s = SysBorderWidth(h, nullptr, false);
    const Integer height = MenuHeight() * GetLinesCount() + 1;
    Integer top = Form->Top() + OffsetY() - height - ShadowSize().Top - DiffTitle(BorderForm.get());
    if (IsZoomed() && (GetWindowLongW(h, GWL_STYLE) & (WS_BORDER | WS_DLGFRAME))) top -= 4;
    place = TRect(Form->Left() + s, top, Form->Left() + Form->Width() - s, top + height);
  } else {
    const TPoint at = child ? TPoint(wr.left, wr.top) : TPoint(Form->Left(), Form->Top());
    place = TRect(at.X, at.Y, at.X + Form->Width(), at.Y + Form->Height());
    TOwnedRegion rgn;
    if (IsZoomed()) {
      const TRect work = kvWorkRect(TPoint(wr.left, wr.top));
      rgn.reset(CreateRectRgn(work.Left - wr.left, work.Top - wr.top, work.Right - wr.left, work.Bottom - wr.top));
    } else {
      rgn.reset(GetRgnFromArOR(0, 0));
    }
    TEnumRgnData data{rgn.get(), h};
    kvCheckTopWindows(h, data);
    const TRect client = kvClientRect(h);
    const TOwnedRegion clientRgn(CreateRectRgn(client.Left, client.Top, client.Right, client.Bottom));
    CombineRgn(rgn.get(), rgn.get(), clientRgn.get(), RGN_DIFF);
    if (child) {
      // A child form shows only where its parent lets it.
      const TWindowDC dc(h);
      RECT clip{};
      if (!dc || GetClipBox(dc, &clip) == NULLREGION) {
        CaptForm.reset();
        return;
      }
      const TOwnedRegion clipRgn(CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom));
      CombineRgn(rgn.get(), rgn.get(), clipRgn.get(), RGN_AND);
    }
    if (SetWindowRgn(cw, rgn.get(), FALSE)) rgn.release();  // the cover owns the region from here
  }
  constexpr UINT flags = SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
  if (mdiChild) {
    SetWindowPos(cw, HWND_TOP, place.Left, place.Top, Form->Width(), HeaderHeight(), flags);
  } else {
    const HWND after = (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP;
    SetWindowPos(cw, after, place.Left, place.Top, place.Width(), place.Height(), flags);
  }
  ShowWindow(cw, SW_SHOWNOACTIVATE);
  RedrawWindow(cw, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  // The cover must be on screen before the system paints its caption.
  WaitForCover();
}

void TsSkinProvider::KillCaptForm() { CaptForm.reset(); }

// ---- 3. Non-client activation ------------------------------------------------------------------

void TsSkinProvider::KV_WMNCActivate(TMessage& m) {
  if (FFormState & FS_ANIMRESTORING) return;
  // The dialog skinner's list drops providers that went, whatever the activation did.
  const TScopeExit cleaned([] { CleanSupportedList(); });
  if (TkvGlowServices* glows = TkvServiceSlot<TkvGlowServices>::Get()) glows->ClearGlows(false, true);
  const HWND h = FormWnd(this);
  if (IsDestroying() || !CanDrawNCArea() || !h) {
    PassOn(m);
    return;
  }
  const bool bandWaits = HeaderUsed() && Form->Showing();
  if (bandWaits) IterateControls(Form, FFormHeader->ScaledAddHeight(), TkvControlFunc(&RepaintHeadCtrl));
  // The band's controls wait for the form's new picture: once the handler has made it, however
  // it leaves, they are told to repaint from it (else they would stay unpainted).
  const TScopeExit bandDone([this, bandWaits] {
    if (bandWaits && Form->HandleAllocated()) SetParentUpdated(Form);
  });
  if (!SystemMenu) PrepareForm();
  const bool active = m.WParam != 0;
  // The mark spans this message only, whichever way the handler leaves.
  SetFormState(FFormState | FS_ACTIVATE);
  const TScopeExit activated([this] { SetFormState(FFormState & ~FS_ACTIVATE); });
  const bool changed = active != FormActive;
  if (!(FFormState & FS_BLENDMOVING)) {
    if (changed) {
      FormActive = active;
      FCommonData->BGChanged = true;
    }
    // An open popup of the form keeps it looking active.
    if (!FormActive) FormActive = CheckPopupForms();
  }
  NCActivateLook(active, changed);

  if (Form->Showing() && IsWindowVisible(h)) {
    NCActivateVisible(m, h, active);
  } else {
    PassOn(m);
  }

  if (Form->FormStyle() == fsMDIChild && IsWindowVisible(h) && InShowingPhase(Form) && MDISkinProvider &&
      MDISkinProvider != this && MDISkinProvider->MDIForm) {
    // The main form's menu line shows the active child's icon and buttons.
    TsSkinProvider* main = MDISkinProvider;
    main->FCommonData->BGChanged = true;
    main->FLinesCount = -1;
    main->MDIForm->UpdateMDIIconItem();
    if (main->Form->HandleAllocated()) {
      SendMessageW(main->Form->WindowHandle(), WM_NCPAINT, 0, 0);
      if (const HWND client = main->Form->ClientHandle()) SendMessageW(client, WM_NCPAINT, 0, 0);
    }
  }
  if ((GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED) && !FormTimer) ProcessMessage(WM_NCPAINT);
  if (Form->ControlState().Contains(csCreating)) return;

  if (HaveBorder() && !(FFormState & FS_BLENDMOVING)) {
    if (MDIForm && MDIButtonsNeeded(*this)) {
      TCustomForm* child = Form->ActiveMDIChild();
      TsSkinProvider* childSp = child && child->HandleAllocated() ? ProviderOf(child->WindowHandle()) : nullptr;
      if (LOWORD(m.WParam) != 0 || (childSp && childSp->FormActive)) {
        FormActive = true;
        FLinesCount = -1;
      }
    } else if (active != FormActive) {
      FormActive = active || CheckPopupForms();
      FLinesCount = -1;
    }
  }
  SetFormState(FFormState & ~FS_ACTIVATE);

  const bool timerRunning = FormTimer && FormTimer->Enabled();
  if (!timerRunning && (GetWindowWidth(h) == Form->Width() || GetWindowHeight(h) == Form->Height()))
    ProcessMessage(WM_NCPAINT);
  if (BorderForm) {
    DuRiruZireziv* manager = SkinManager();
    if (IsZoomed()) {
      if (manager && manager->Options.NativeBordersMaximized) {
        BorderForm.reset();
        UpdateRgn(false, false);
      } else {
        BorderForm->UpdateExBordersPos(true, 255);
      }
    } else if (Form->WindowState() == wsNormal) {
      auto* minTimer = dynamic_cast<TkvMinTimer*>(FormTimer.get());
      if (!FormTimer || (minTimer && minTimer->Motion.StepCount > 1)) BorderForm->UpdateExBordersPos(true, 255);
    }
  }
  TryInitMenu();
  if (FCommonData->Skinned() && !Adapter) AdapterCreate();
}

void TsSkinProvider::NCActivateLook(bool active, bool changed) {
  // A form hidden because its owner went keeps the maximize it is to come back with.
  const HWND h = FormWnd(this);
  if (!active && ShowAction == saMaximize) {
    if (h && IsWindowVisible(h)) ShowAction = saIgnore;
    return;
  }
  if (active && ShowAction == saMaximize) {
    // The maximize that follows paints the form anew: without a border window the form waits.
    FCommonData->FUpdating = !BorderForm;
    return;
  }
  if (FCommonData->Skinned()) {
    TkvSkinData* data = SkinDataFor();
    const Integer index = FCommonData->SkinIndex;
    const TsGeneralData* section =
        data && index >= 0 && index < Integer(data->gd.size()) ? &data->gd[size_t(index)] : nullptr;
    const Integer states = section ? section->States : 1;
    const Integer border = section ? section->BorderIndex : -1;
    const TsMaskData* mask =
        data && border >= 0 && border < Integer(data->ma.size()) ? &data->ma[size_t(border)] : nullptr;
    const bool restoring = FFormState & FS_RESTORING;
    if (!mask) {
      if (states > 1 && changed) FCommonData->BGChanged = true;
    } else if (mask->ImageCount <= 1) {
      if (states >= 2 && changed && !restoring) FCommonData->BGChanged = true;
    } else if (changed && !restoring) {
      FCommonData->BGChanged = true;
    }
  } else if (changed) {
    FCommonData->BGChanged = true;
  }
  if (!(FFormState & FS_SIZING)) StopUpdating();
}

void TsSkinProvider::NCActivateVisible(TMessage& m, HWND h, bool active) {
  if (HeaderUsed()) {
    // The band changes its look with the activation; its controls wait for it (above).
    const RECT band{0, 0, GetClientWidth(h), FFormHeader->ScaledAddHeight()};
    InvalidateRect(h, &band, FALSE);
  }
  if (active != FormActive) FCommonData->BGChanged = true;  // a popup keeps the form active
  const bool aero = AeroIsEnabled();
  const bool mayCover = !Form->OnPaint() && (!BorderForm || IsMenuVisible());
  // Redraw switched off here is switched on again on every way out.
  bool redrawOff = false;
  auto redrawOffNow = [&] {
    ProcessMessage(WM_SETREDRAW, 0);
    redrawOff = true;
  };
  const TScopeExit redrawBack([&] {
    if (redrawOff) ProcessMessage(WM_SETREDRAW, 1);
  });
  // A cover left over by a way out that skipped its removal goes with the message.
  const TScopeExit coverGone([this] { KillCaptForm(); });
  const bool plainAeroForm = aero && !BorderForm && !InAero && !MainFormMinimizedOnTaskbar(this);
  if (aero) {
    TBitmap* cache = FCommonData->FCacheBmp.get();
    if (BorderForm && cache && GetLinesCount() > 0) {
      if (!BorderForm->LayeredWindow()) BorderForm->UpdateExBordersPos(false, 255);
      if (const HWND bw = BorderForm->LayeredWindow()) {
        SetWindowRgn(bw, BorderForm->MakeRgn(0, 0), FALSE);
        SetFormBlendValue(bw, cache, Form->AlphaBlend() ? Form->AlphaBlendValue() : 255, nullptr);
        SetWindowPos(bw, HWND_TOP, 0, 0, 0, 0, 0x61B);
      }
    } else if (plainAeroForm) {
      redrawOffNow();
    }
    if (!fAnimating && mayCover) MakeCaptForm(true);
  } else if (fAnimating) {
    if (RTInit) redrawOffNow();
  } else if (!InShowingPhase(Form) && mayCover) {
    MakeCaptForm(true);
  }
  if (!fAnimating && !(FFormState & FS_BLENDMOVING) && !aero) {
    if (BorderForm)
      UpdateRgn(false, false);
    else if (!Application || Form != Application->MainForm())
      RgnChanged = true;
  }
  // The system is also asked to leave its frame unpainted: what it would paint outside the
  // window region (the cut corners) is never repainted by the skin, and where no cover lies
  // (a form being shown, one with its own paint handler) its caption would show for a moment.
  // The cover hides what it still paints and the moment until the skinned frame is back.
  m.LParam = -1;
  PassOn(m);
  if (IsMainFormMinimized(this)) return;
  if (aero) {
    if (plainAeroForm && redrawOff) {
      ProcessMessage(WM_SETREDRAW, 1);
      redrawOff = false;
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    if (!fAnimating) {
      ProcessMessage(WM_NCPAINT);
      if (CaptForm) WaitForCover();
      KillCaptForm();
    }
    return;
  }
  if (!fAnimating) {
    if (!BorderForm || IsMenuVisible()) {
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_FRAME);
      KillCaptForm();
    }
  } else if (RTInit && redrawOff) {
    ProcessMessage(WM_SETREDRAW, 1);
    redrawOff = false;
  }
  if (RTInit) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_ALLCHILDREN);
}

// ---- 4. Activation of the form, of the application and of MDI children -----------------------

void TsSkinProvider::KV_WMActivate(TMessage& m) {
  PassOn(m);
  // The glued forms follow whatever the form's state.
  const TScopeExit slaves([this] { UpdateSlaveFormsList(); });
  if (!Form->Showing()) return;
  if (!ListSW || ListSW->Destroyed) RefreshFormScrolls();
  if (Form->ControlState().Contains(csCreating)) return;
  FLinesCount = -1;
  if (LOWORD(m.WParam) != WA_ACTIVE) return;
  if (SkinManager() && !SkinManager()->IsDesigning()) InitMenuItems(true);
  // The items' states follow the form; the item objects stay (an open menu may hold them).
  if (SystemMenu) SystemMenu->UpdateItems(false);
  if (!CanDrawNCArea()) StopUpdating();
  if (Form->BorderStyle() == bsNone && !IsBlurred()) {
    UpdateLayerVisibility(FCommonData.get(), FormWnd(this));
    // The band's controls wait for the form's new look.
    if (HeaderUsed()) SetParentUpdated(Form);
  }
}

void TsSkinProvider::KV_WMActivateApp(TMessage& m) {
  PassOn(m);
  DuRiruZireziv* manager = SkinManager();
  if (m.WParam != 1 || !manager || !manager->AnimEffects.Minimizing.Active || (FFormState & FS_ANIMMINIMIZING)) return;
  const HWND h = FormWnd(this);
  if (!h) return;
  if (BorderForm) {
    if (!(FFormState & FS_DISABLED)) BorderForm->UpdateExBordersPos(false, 255);
    return;
  }
  auto* minTimer = dynamic_cast<TkvMinTimer*>(FormTimer.get());
  const bool heldMinimized = minTimer && minTimer->Minimized;
  // The form believes it is minimized while its window is not (restored from outside).
  if (Application && Application->MainForm() == Form && Form->WindowState() == wsMinimized && !IsIconic(h) &&
      !heldMinimized) {
    Form->SetWindowState(wsNormal);
    InvalidateRect(h, nullptr, TRUE);
    RedrawWindow(h, nullptr, nullptr, 0x585);
  }
}

void TsSkinProvider::KV_WMChildActivate(TMessage& m) {
  PassOn(m);
  UpdateMenu();
  TsSkinProvider* main = MDISkinProvider;
  if (!main || !main->Form) return;
  TCustomForm* child = main->Form->ActiveMDIChild();
  if (!child || !child->HandleAllocated()) return;
  if (::IsZoomed(child->WindowHandle())) {
    if (main->MDIForm) main->MDIForm->UpdateMDIIconItem();
  } else {
    CheckSysMenu(true);
  }
}

void TsSkinProvider::KV_WMMDIDestroy(TMessage& m) {
  PassOn(m);
  TsSkinProvider* main = MDISkinProvider;
  if (Form->FormStyle() == fsMDIChild && main && main != this && !main->IsDestroying() && main->Form &&
      main->Form->HandleAllocated()) {
    main->FCommonData->BGChanged = true;
    if (main->IsZoomed()) {
      main->ProcessMessage(WM_NCPAINT);
      UpdateMainForm(true);
    } else {
      main->MenusInitialized = false;
      main->MenuChanged = true;
      main->FLinesCount = -1;
      main->ProcessMessage(WM_NCPAINT);
    }
  }
  ChildProvider = this;
}
