// Size, position and showing of a skinned form, closing and the end of a session, and the
// other form messages: redraw locks, icon and style changes, new child windows.
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/GdiBitmaps.h"
#include "skin/sVclUtils.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtils.h"

namespace {
HWND FormWnd(TsSkinProvider* sp) { return sp->Form && sp->Form->HandleAllocated() ? sp->Form->WindowHandle() : nullptr; }
}  // namespace

void TsSkinProvider::KV_WMSize(TMessage& m) {
  const HWND h = FormWnd(this);
  if (FFormState & FS_BLENDMOVING) FinishBlendOnMoving(this, nullptr);
  if (FCommonData->GetUpdating() || !h || !IsWindowVisible(h) || (FFormState & FS_ANIMRESTORING)) {
    RgnChanged = true;
    FCommonData->BGChanged = true;
    PassOn(m);
    return;
  }
  FLinesCount = -1;
  if (!Form->Parent() && FDrawClientArea && CanDrawNCArea()) {
    // The system's own sizing work paints nothing of the old picture.
    const bool restoring = FFormState & FS_RESTORING;
    if (!restoring) FCommonData->BeginUpdate();
    SetFormState(FFormState | FS_SIZING);
    const TScopeExit done([&] {
      SetFormState(FFormState & ~FS_SIZING);
      if (!restoring) FCommonData->EndUpdate();
    });
    PassOn(m);
  } else {
    PassOn(m);
  }
  if (!InAnimationProcess) {
    if (!Form->Showing() || IsIconic(h)) {
      FCommonData->BGChanged = true;
    } else if (!FCommonData->BGChanged && !FormChanged()) {
      if (Form->Parent() || Form->FormStyle() != fsNormal) {
        FillArOR();
        UpdateRgn(true, true);
      }
    } else {
      FCommonData->BGChanged = true;
      if (CanDrawNCArea()) {
        RgnChanged = true;
        FillArOR();
        if (!fAnimating) UpdateRgn(true, true);
        if (FCommonData->GetUpdating()) return;
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_NOFRAME);
      }
    }
  }
  LastClientRect = TRect(0, 0, GetClientWidth(h), GetClientHeight(h));
}

// A form stretched to the work area (by the outer border window) gets its saved bounds back
// when it is moved.
void TsSkinProvider::KV_WMWindowPosChanging(TMessage& m) {
  auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
  const HWND h = FormWnd(this);
  if (RgnChanging || IsLoading() || Form->FormStyle() == fsMDIChild) {
    SetFormState(FFormState & ~FS_ANIMCLOSING);
    PassOn(m);
    return;
  }
  if (wp && h && !IsZoomed() && !(wp->flags & SWP_NOMOVE) && (wp->x != 0 || wp->y != 0) && FScreenSnap &&
      Form->Showing()) {
    Integer x = wp->x, y = wp->y;
    CheckNewPosition(x, y);
    wp->x = x;
    wp->y = y;
  }
  if (wp && h && !IsZoomed() && !(wp->flags & SWP_NOMOVE) && (wp->x != 0 || wp->y != 0) &&
      (FFormState & (FS_MAXHEIGHT | FS_MAXWIDTH))) {
    const Integer savedTop = NormalBounds.Top, savedHeight = NormalBounds.Bottom;
    if (FFormState & FS_MAXHEIGHT) {
      if (Form->Top() == wp->y) {
        wp->y = savedTop;
        wp->cy -= savedTop - Form->Top();
      } else {
        wp->cy = savedHeight;
      }
    }
    SetFormState(FFormState & ~(FS_MAXHEIGHT | FS_MAXWIDTH));
    m.Result = 0;
    return;
  }
  PassOn(m);
}

void TsSkinProvider::UpdateSysExHeight() {
  FSysExHeight = BorderForm && IsZoomed() && SysCaptHeight(this, 0) + 4 < ActualTitleHeight(false);
}

void TsSkinProvider::KV_WMWindowPosChanged(TMessage& m) {
  const auto* wp = reinterpret_cast<const WINDOWPOS*>(m.LParam);
  const UINT flags = wp ? wp->flags : 0;
  const HWND h = FormWnd(this);
  DuRiruZireziv* manager = SkinManager();
  // A maximized form keeps the system's frame when the manager asks for it: no outer border.
  if (manager && manager->Options.NativeBordersMaximized && IsZoomed() && BorderForm) {
    BorderForm.reset();
    RgnChanged = true;
  }
  // Nothing of the frame is this provider's to keep in step without a manager, layered
  // windows or a painted frame.
  if (!manager || !kvLayered() || !CanDrawNCArea() || !h) {
    PassOn(m);
    return;
  }
  // The captionless look of a maximized form has no caption to lose off the screen.
  UWPCaptionUpdate(IsZoomed());
  UpdateSysExHeight();

  TBitmap* cache = FCommonData->FCacheBmp.get();
  if ((flags & SWP_HIDEWINDOW) && !SkipAnimation && cache && !cache->Empty() && !IsIconic(h)) {
    // The application is going to the taskbar: the minimize animation shows it, not the hide.
    if (manager->ShowState == saMinimize && Application && Application->MainForm() == Form) {
      PassOn(m);
      fAnimating = false;
      if (BorderForm) BorderForm->FreeLayeredWindow();
      return;
    }
    // While the manager changes its scale, forms are hidden and shown again as they are.
    if (!manager->ManagerState.Contains(msScaleChanging)) {
      if (HideAnimationAllowed()) {
        RunHideAnimation(m);
        return;
      }
      if (BorderForm) BorderForm->FreeLayeredWindow();
    }
  }
  PassOn(m);
  if (FInAnimation || !BorderForm) return;

  if (IsWindowVisible(h) && !IsIconic(h)) {
    if ((flags & (SWP_NOREDRAW | SWP_FRAMECHANGED)) || (FFormState & (FS_BLENDMOVING | FS_DISABLED))) return;
    const HWND bw = BorderForm->LayeredWindow();
    if ((flags & (SWP_NOSIZE | SWP_NOMOVE)) != (SWP_NOSIZE | SWP_NOMOVE) || !bw) {
      BorderForm->UpdateExBordersPos(false, 255);
      return;
    }
    // Only the z-order or the visibility changed: the border window goes right behind the
    // form. The active main form under composition lines it up with the form's own band
    // (topmost or stay-on-top) instead.
    HWND after = h;
    if (AeroIsEnabled() && Application && Application->MainForm() == Form && GetActiveWindow() == h)
      after = BorderForm->GetTopWnd();
    SetWindowPos(bw, after, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER |
                     SWP_NOSENDCHANGING);
    return;
  }
  // A minimized main form leaves no border window on the screen.
  if (IsIconic(h) && !(FFormState & FS_ANIMMINREST) && Application && !Application->Terminated() &&
      !Form->IsDestroying() && Application->MainForm() == Form)
    BorderForm->FreeLayeredWindow();
}

void TsSkinProvider::KV_WMGetMinMaxInfo(TMessage& m) {
  const HWND h = FormWnd(this);
  auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam);
  if (info && h && CanDrawNCArea() && Form->BorderStyle() != bsNone && Form->FormStyle() != fsMDIChild && !Form->Parent()) {
    MONITORINFO mi{sizeof mi};
    GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT& r = mi.rcWork;
    const RECT& mon = mi.rcMonitor;
    const Integer b = SysBorderWidth(h, nullptr, false);
    const Integer t = 0;  // no outer border window: the title stays where the system puts it
    info->ptMaxPosition = POINT{r.left - mon.left - b, r.top - mon.top + t - b};
    info->ptMaxSize = POINT{r.right - r.left + 2 * b, r.bottom - r.top + 2 * b - t};
    m.Result = 0;
  }
  PassOn(m);
}

void TsSkinProvider::KV_WMMove(TMessage& m) {
  const HWND h = FormWnd(this);
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (Form->Showing() && cache && cache->Width() != Form->Width()) {
    FCommonData->BeginUpdate();
    const TScopeExit done([&] { FCommonData->EndUpdate(); });
    PassOn(m);
  } else {
    PassOn(m);
  }
  if (Form->Parent() && h) RedrawWindow(GetParent(h), nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_FRAME);
  MoveGluedForms(false);
}

void TsSkinProvider::KV_WMShowWindow(TMessage& m) {
  const HWND h = FormWnd(this);
  if (Form->FormStyle() != fsMDIChild && m.WParam == 1) {
    SkipAnimation = false;
    RgnChanged = true;
    SetFormState(FFormState & ~FS_ANIMRESTORING);
  }
  PassOn(m);
  if (m.WParam == 1) {
    if (Form->Parent() && Form->FormStyle() != fsMDIChild) FCommonData->BGChanged = true;
    if (h && IsWindowVisible(h))
      SetWindowPos(h, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOCOPYBITS |
                       SWP_NOOWNERZORDER | SWP_NOSENDCHANGING);
  }
}

void TsSkinProvider::KV_WMVisibleChanged(TMessage& m) {
  if (m.WParam == 1 && RTInit) {
    RTInit = false;
    LoadInit();
  }
  PassOn(m);
  if (m.WParam == 0) {
    if (!Form->IsDestroying() && FCommonData->FCacheBmp) FCommonData->FCacheBmp->SetSize(0, 0);
  } else if (Form->Parent()) {
    TMessage updated = MakeMessage(SM_ALPHACMD, uintptr_t(KV_ENDPARENTUPDATE) << 16, 0);
    AlphaBroadCast(Form, updated);
  }
}

void TsSkinProvider::KV_WMCreate(TMessage& m) {
  PassOn(m);
  if (Form->FormStyle() != fsMDIChild) PrepareForm();
}

void TsSkinProvider::KV_WMNCCreate(TMessage& m) {
  PassOn(m);
  if (RTInit) return;
  if (Form->FormStyle() != fsMDIChild) PrepareForm();
}

void TsSkinProvider::KV_WMClose(TMessage& m) { PassOn(m); }

Cardinal TsSkinProvider::AnimationWaitLimit() {
  Cardinal longest = 0;
  if (DuRiruZireziv* manager = SkinManager()) {
    const TkvAnimEffects& a = manager->AnimEffects;
    for (Word t : {a.FormShow.Time, a.FormHide.Time, a.DialogShow.Time, a.DialogHide.Time, a.Minimizing.Time,
                   a.SkinChanging.Time})
      longest = std::max<Cardinal>(longest, t);
  }
  // Frames wait 12 ms each and a step may run late: a fixed margin on top.
  return longest + 500;
}

// The session ends only after the animations finished, but the wait is bounded: an animation
// that never ends (a counter left raised) must not hold the shutdown.
void TsSkinProvider::KV_WMQueryEndSession(TMessage& m) {
  FadingForbidden = true;
  if (Application && !Application->Terminated()) {
    const DWORD start = GetTickCount();
    const Cardinal limit = AnimationWaitLimit();
    while (kvAnimCount > 0 && GetTickCount() - start < limit) {
      Application->ProcessMessages();
      if (kvAnimCount > 0) Sleep(1);
    }
  }
  PassOn(m);
}

void TsSkinProvider::KV_WMSetRedraw(TMessage& m) {
  if (m.WParam == 1)
    LockCount = std::max<Integer>(LockCount - 1, 0);
  else
    ++LockCount;
  PassOn(m);
}

void TsSkinProvider::KV_WMSetIcon(TMessage& m) {
  if (IsLoading() || m.LParam == 0 || InAnimationProcess || !Form->Showing() || (FFormState & FS_RECREATING)) {
    PassOn(m);
    return;
  }
  if (AeroIsEnabled()) {
    PassOn(m);
  } else {
    // The system paints the new icon into its own caption: the form's redraw is off around
    // it (through the form, so that the frame paints wait too).
    Form->Perform(WM_SETREDRAW, 0, 0);
    const TScopeExit redraw([this] { Form->Perform(WM_SETREDRAW, 1, 0); });
    PassOn(m);
  }
  UpdateSkinCaption();
}

void TsSkinProvider::KV_WMStyleChanged(TMessage& m) {
  PassOn(m);
  const HWND h = FormWnd(this);
  if (!h) return;
  // The close command came or went: the system menu and the caption buttons follow.
  if (SystemMenu && SystemMenu->ItemClose &&
      SystemMenu->ItemClose->Visible() != Form->BorderIcons().Contains(biSystemMenu)) {
    SystemMenu->UpdateItems(false);
    UpdateSkinCaption();
    return;
  }
  if (Integer(m.WParam) != GWL_EXSTYLE || (FFormState & FS_ANIMATING) || !CanDrawNCArea()) return;
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  if (style & WS_SYSMENU) {
    FCommonData->BGChanged = true;
    UpdateIconsIndexes();
    // The form's own frame shows: the system must draw no caption buttons over the skinned ones.
    if (!BorderForm && !ExtBordersNeeded(false)) {
      SetWindowLongW(h, GWL_STYLE, style & ~WS_SYSMENU);
      return;
    }
  } else {
    const auto* change = reinterpret_cast<const STYLESTRUCT*>(m.LParam);
    if (!change || !((change->styleOld ^ change->styleNew) & WS_EX_LAYERED) || !BorderForm ||
        (FFormState & FS_DISABLED))
      return;
  }
  if (BorderForm)
    BorderForm->UpdateExBordersPos(true, 255);
  else if (DuRiruZireziv* manager = SkinManager())
    InitExBorders(manager->GetExtendedBorders());
}

TWinControl* TsSkinProvider::FindControlOfWindow(HWND wnd) { return wnd ? FindControl(wnd) : nullptr; }

// A child window made on the form: its control is found by its window handle (LParam holds
// the new child's handle, not its identifier).
void TsSkinProvider::KV_WMParentNotify(TMessage& m) {
  PassOn(m);
  if (!Form || IsLoading() || Form->IsLoading()) return;
  if (m.WParamLo != WM_CREATE && m.WParamLo != WM_DESTROY) return;
  DuRiruZireziv* manager = SkinManager();
  if (!manager || !manager->SkinningRules().Contains(srThirdParty)) return;
  if (m.WParamLo != WM_CREATE) return;
  LastNewChild = FindControlOfWindow(reinterpret_cast<HWND>(m.LParam));
  if (!Adapter) return;
  if (m.LParam && LastNewChild) {
    if (FAllowSkin3rdParty) Adapter->AddNewItem(LastNewChild, String(), ActiveThirdLists());
  } else {
    Adapter->AddAllItems(nullptr);
  }
  // A new child may change the form's scroll range.
  if (CanDrawNCArea() && ListSW) UpdateScrolls(ListSW, true);
}
