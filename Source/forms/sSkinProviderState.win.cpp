// Size, position and showing of a skinned form, closing and the end of a session, and the
// other form messages: redraw locks, icon and style changes, new child windows.
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "forms/sMDIForm.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderAnim.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/GdiBitmaps.h"
#include "skin/ControlServices.h"
#include "skin/sVclUtils.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtils.h"
#include "wrappers/kvSBUtilsPaintSteps.h"

namespace {
void ClearAllGlows() {
  if (TkvGlowServices* glows = TkvServiceSlot<TkvGlowServices>::Get()) glows->ClearGlows(false, false);
}
// The flags of a SetWindowPos that changes nothing and sends no changing notice: the system
// recomputes what it shows of the window (0x71F).
constexpr UINT kNoChangeFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE |
                                SWP_NOCOPYBITS | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
// Shown in place without moving, sizing, activating or redrawing (0x65B).
constexpr UINT kShowInPlaceFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
// Put behind another window without moving, sizing or redrawing (0x61B).
constexpr UINT kBehindFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
constexpr Integer kMinimizedX = -32000;  // where the system puts a minimized window
}  // namespace

void TsSkinProvider::KV_WMSize(TMessage& m) {
  const HWND h = FormWnd(this);
  KillAnimations();
  if (FCommonData->GetUpdating() || !h || !IsWindowVisible(h) || (FFormState & FS_ANIMRESTORING)) {
    RgnChanged = true;
    FCommonData->BGChanged = true;
    PassOn(m);
    return;
  }
  const TSize lastClient(LastClientRect.Width(), LastClientRect.Height());
  const TSize client(GetClientWidth(h), GetClientHeight(h));
  const bool shrank = ClientShrank(lastClient, client);
  TkvSkinData* data = SkinDataFor();
  // A narrower or lower client moves the grip and the right-hand corner images over pixels that
  // no size step uncovers: those places repaint.
  if (shrank && IsGripVisible(this))
    if (const TsMaskData* grip = wrapsteps::ImageOf(data, data ? data->GripRightBottom : -1)) {
      // The grip stands one pixel in from the client's corner (its place in the picture).
      const RECT r{client.cx - grip->Width - 1, client.cy - grip->Height - 1, client.cx, client.cy};
      InvalidateRect(h, &r, FALSE);
    }
  if (shrank || LastClientRect.IsEmpty()) InvalidateRightCorners(h);
  // A glow mask is kept for a title of the old width: it would glow in the old place.
  FreeCaptionGlows();
  FLinesCount = -1;
  if (FFormState & FS_BLENDMOVING) FinishBlendOnMoving(this, nullptr);
  bool borderUpdated = false;
  if (BorderForm && shrank) {
    FCommonData->BGChanged = true;
    BorderForm->UpdateExBordersPos(true, 255);
    borderUpdated = true;
  }
  if (!Form->Parent() && FDrawClientArea && CanDrawNCArea()) {
    // The system's own sizing work paints nothing of the old picture.
    const bool restoring = FFormState & FS_RESTORING;
    if (!restoring) FCommonData->FUpdating = true;
    SetFormState(FFormState | FS_SIZING);
    const TScopeExit done([&] {
      SetFormState(FFormState & ~FS_SIZING);
      if (!restoring) StopUpdating();
    });
    PassOn(m);
  } else {
    PassOn(m);
  }
  if (!SizeStepFollows(h, borderUpdated)) return;
  LastClientRect = TRect(0, 0, GetClientWidth(h), GetClientHeight(h));
}

void TsSkinProvider::InvalidateRightCorners(HWND h) {
  TkvSkinData* data = SkinDataFor();
  const Integer index = FCommonData->SkinIndex;
  if (!data || index < 0 || index >= Integer(data->gd.size())) return;
  const TsGeneralData& section = data->gd[size_t(index)];
  const TPoint origin = ClientOrigin(h);
  const Integer width = GetWindowWidth(h), height = GetWindowHeight(h);
  // The images lie at the window's corners; the client part under them is invalidated.
  auto invalidate = [&](Integer image, bool bottom) {
    const TsMaskData* md = wrapsteps::ImageOf(data, image);
    if (!md) return;
    const Integer top = bottom ? height - md->Height : 0;
    const RECT r{width - md->Width - origin.X, top - origin.Y, width - origin.X, top + md->Height - origin.Y};
    InvalidateRect(h, &r, TRUE);
  };
  invalidate(section.ImgTR, false);
  invalidate(section.ImgBR, true);
}

bool TsSkinProvider::SizeStepFollows(HWND h, bool borderUpdated) {
  if (InAnimationProcess || ((FFormState & FS_ANIMSHOWING) && Form->WindowState() == wsNormal)) return true;
  const bool iconic = IsIconic(h);
  if (!Form->Showing() || iconic) FCommonData->BGChanged = true;
  if ((!FCommonData->BGChanged && !FormChanged()) || (iconic && InAero)) {
    // The picture still fits: only forms whose region the system may have reset get it again.
    if (Form->FormStyle() == fsMDIForm || Form->FormStyle() == fsMDIChild || Form->Parent()) {
      FillArOR();
      UpdateRgn(true, true);
    }
    return true;
  }
  FCommonData->BGChanged = true;
  const TBitmap* cache = FCommonData->FCacheBmp.get();
  const bool cacheLarger = cache && (cache->Width() > Form->Width() || cache->Height() > Form->Height());
  if (CanDrawNCArea()) {
    DuRiruZireziv* manager = SkinManager();
    if (manager && manager->Options.NativeBordersMaximized && IsZoomed()) BorderForm.reset();
    const bool barShown = SkinnedScrollThickness(SB_HORZ) > 0 || SkinnedScrollThickness(SB_VERT) > 0;
    if (!BorderForm || Form->OnPaint()) {
      RgnChanged = true;
      FillArOR();
      if (!fAnimating) UpdateRgn(true, true);
    } else {
      FollowSizeWithBorder(h, barShown, borderUpdated);
    }
    if (FCommonData->GetUpdating()) return false;
    const TSize last(LastClientRect.Width(), LastClientRect.Height());
    if (ChildBackgroundFollowsSize(FCommonData->BGType, last, TSize(GetClientWidth(h), GetClientHeight(h)))) {
      TMessage changed = MakeMessage(SM_ALPHACMD, MAKEWPARAM(1, KV_SETCHANGEDIFNECESSARY), 0);
      AlphaBroadCast(Form, changed);
    }
    if (!BorderForm || barShown) {
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_NOFRAME);
    } else {
      if (!BorderForm->LayeredWindow()) BorderForm->CreateNewForm();
      const bool frame = Form->BorderWidth() > 0 || Form->Menu();
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | (frame ? RDW_FRAME : 0));
      if (const HWND bw = BorderForm->LayeredWindow()) {
        SetWindowPos(bw, h, 0, 0, 0, 0, kBehindFlags);
        SetWindowRgn(bw, BorderForm->MakeRgn(0, 0), TRUE);
        BorderForm->ExBorderShowing = false;
      } else {
        UpdateRgn(false, false);
      }
    }
    SetParentUpdated(Form);
  } else if (cacheLarger) {
    InvalidateRect(h, nullptr, TRUE);
  }
  if (TNotifyEvent resized = Form->OnResize()) resized.Call(Form);
  return true;
}

// The border window takes the new size: sized with the form (its z-order kept while the
// system sizes), then put behind the form's top window and cut to the new region.
void TsSkinProvider::FollowSizeWithBorder(HWND h, bool barShown, bool borderUpdated) {
  if (!BorderForm->LayeredWindow()) BorderForm->CreateNewForm();
  if (!barShown && FResizeMode == rmStandard) SetFormState(FFormState | FS_SIZING);
  if (!borderUpdated) BorderForm->UpdateExBordersPos(true, 255);
  FCommonData->FUpdating = true;
  const TScopeExit updated([this] { StopUpdating(); });
  SetFormState(FFormState & ~FS_SIZING);
  if (const HWND bw = BorderForm->LayeredWindow()) {
    BorderForm->ExBorderShowing = true;
    // A form that names no top window of its own keeps the border window right behind itself.
    auto top = reinterpret_cast<HWND>(SendMessageW(h, SM_ALPHACMD, MAKEWPARAM(0, KV_GETTOPWND), 0));
    SetWindowPos(bw, top ? top : h, 0, 0, 0, 0, kBehindFlags);
    BorderForm->ExBorderShowing = false;
  }
  RgnChanged = true;
  SendMessageW(h, SM_ALPHACMD, MAKEWPARAM(0, KV_SETFLOATZORDER), 1);
  UpdateRgn(true, true);
}

namespace {

bool ScrollBarShown(TkvScrollWnd* sw) {
  return sw && !sw->Destroyed && (sw->ShownBars(SB_HORZ) || sw->ShownBars(SB_VERT));
}
}  // namespace

void TsSkinProvider::ShowPictureInBorder() {
  const HWND bw = BorderForm ? BorderForm->LayeredWindow() : nullptr;
  if (!bw) return;
  BorderForm->ExBorderShowing = true;
  SetWindowRgn(bw, BorderForm->MakeRgn(0, 0), FALSE);
  SetFormBlendValue(bw, FCommonData->FCacheBmp.get(), Form->AlphaBlend() ? Form->AlphaBlendValue() : 255, nullptr);
  SetWindowPos(bw, HWND_TOP, 0, 0, 0, 0, kShowInPlaceFlags);
}

// A cover is made only when a hide animation will take it over: the animation needs a time
// (a cover left behind by a hide without animation would stay on the screen).
bool TsSkinProvider::PrepareHiding(bool freshImage) {
  DuRiruZireziv* manager = SkinManager();
  const HWND h = FormWnd(this);
  if (!manager || !h || manager->ShowState == saMinimize || !FAllowAnimation) return false;
  const TkvFormHide& hide = manager->AnimEffects.FormHide;
  if (!hide.Active || hide.Time == 0 || !manager->Effects.AllowAnimation || (FFormState & FS_ANIMCLOSING) ||
      Form->Parent())
    return false;
  if (freshImage && !IsWindowVisible(h)) return false;
  SetFormState(FFormState | FS_ANIMCLOSING);
  if (freshImage) FCommonData->FCacheBmp = ::GetFormImage(this, true);
  if (BorderForm && BorderForm->LayeredWindow()) {
    ShowPictureInBorder();
  } else {
    CoverForm.reset();
    CoverForm.reset(MakeCoverForm(h, freshImage ? this : nullptr, false, nullptr));
  }
  return true;
}

bool TsSkinProvider::CatchUpMinimize(TMessage& m, const WINDOWPOS& wp) {
  const HWND h = FormWnd(this);
  if (!h || !IsIconic(h) || Form->WindowState() == wsMinimized || wp.x != kMinimizedX) return false;
  PassOn(m);
  StartMinimizing();
  Form->SetWindowState(wsMinimized);
  return true;
}

// A form stretched to the work area (by the outer border window) gets its saved bounds back
// when it is moved. A form being hidden keeps its picture on screen for the hide animation.
void TsSkinProvider::KV_WMWindowPosChanging(TMessage& m) {
  auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
  const HWND h = FormWnd(this);
  if (RgnChanging || IsLoading() || Form->FormStyle() == fsMDIChild) {
    SetFormState(FFormState & ~FS_ANIMCLOSING);
    const HWND bw = BorderForm ? BorderForm->LayeredWindow() : nullptr;
    if (wp && bw && h && wp->cx != 0 && wp->cy != 0 && (wp->flags & SWP_NOACTIVATE) &&
        !(wp->flags & (SWP_NOSIZE | SWP_NOMOVE)) && !(FFormState & FS_ANIMMINIMIZING)) {
      // Growing: the border window follows after the system moved the form.
      if (wp->cx >= LastClientRect.Right && wp->cy >= LastClientRect.Bottom) {
        PassOn(m);
        return;
      }
      // Shrinking: the border's region shrinks first, so no part of the old frame stays visible.
      if (!ScrollBarShown(ListSW)) {
        if (IsIconic(h)) {
          FCommonData->BGChanged = true;
          BorderForm->UpdateExBordersPos(true, 255);
        } else {
          SetFormState(FFormState | FS_SIZING);
          SetWindowRgn(bw, BorderForm->MakeRgn(wp->cx, wp->cy), FALSE);
          SetWindowPos(h, bw, 0, 0, 0, 0, kBehindFlags);
          SetFormState(FFormState & ~FS_SIZING);
        }
      }
    }
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
  if (wp && h && SkinManager() && kvLayered() && CanDrawNCArea() && !SkipAnimation) {
    TBitmap* cache = FCommonData->FCacheBmp.get();
    if (((wp->flags & SWP_HIDEWINDOW) || wp->x == kMinimizedX) && cache) {
      if (IsIconic(h)) {
        if (CatchUpMinimize(m, *wp)) return;
      } else {
        PrepareHiding(true);
      }
    } else if (wp->flags & SWP_SHOWWINDOW) {
      if (BorderForm && !BorderForm->LayeredWindow()) {
        BorderForm->CreateNewForm();
        BorderForm->ExBorderShowing = false;
        FCommonData->BGChanged = true;
        BorderForm->UpdateExBordersPos(true, 255);
      }
      if (IsWindowVisible(h)) SetWindowPos(h, nullptr, 0, 0, 0, 0, kNoChangeFlags);
    }
  }
  PassOn(m);
}

void TsSkinProvider::KV_WMWindowPosChanged_Unskinned(TMessage& m) {
  const auto* wp = reinterpret_cast<const WINDOWPOS*>(m.LParam);
  const HWND h = FormWnd(this);
  DuRiruZireziv* manager = SkinManager();
  if (!wp || !h || !manager || !kvLayered() || !(wp->flags & SWP_HIDEWINDOW) || IsIconic(h) || SkipAnimation ||
      !manager->IsActive() || !CanDrawNCArea() || !HideAnimationAllowed())
    return;
  // The hide timer belongs to the application; this form starts a run of its own.
  kvHideTimer = nullptr;
  {
    const auto skip = SetForScope(SkipAnimation, true, false);
    const TkvFormHide& hide = manager->AnimEffects.FormHide;
    AnimHideForm(this, hide.Time, hide.Mode);
    WaitForAnimations();
    DoLayered(h, false, 0);
  }
}

void TsSkinProvider::KV_CMShowingChanged_Unskinned(TMessage& m) {
  DuRiruZireziv* manager = SkinManager();
  const HWND h = FormWnd(this);
  if (!CanDrawNCArea() || (Application && Application->Terminated()) || !h || m.WParam != 0 || !manager ||
      !manager->IsActive())
    return;
  // The message carries no direction (WParam is always 0): the form's showing state tells. A
  // form coming up starts a new run (and needs no picture of its hidden window).
  if (Form->Showing()) {
    SetFormState(FFormState & ~FS_ANIMCLOSING);
    return;
  }
  // A minimized form has no position to catch up with: it is left as it is.
  if (!IsIconic(h)) PrepareHiding(false);
}

void TsSkinProvider::KV_CMVisibleChanged_Unskinned(TMessage& m) {
  if (Form->IsDestroying() || (Application && Application->Terminated())) return;
  DuRiruZireziv* manager = SkinManager();
  if (manager) {
    if (m.WParam == 1 && AllowScale && !IsDesigning() && Form->ClassName() != u"TMessageForm")
      manager->UpdateScale(Form, 96, 0);
    if (!manager->IsDestroying()) return;
  }
  const HWND h = FormWnd(this);
  if (CanDrawNCArea() && h && m.WParam == 0 && manager && manager->IsActive() && !IsIconic(h)) PrepareHiding(false);
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
  if (info && h && CanDrawNCArea() && Form->BorderStyle() != bsNone && Form->FormStyle() != fsMDIChild &&
      !Form->Parent()) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT& r = mi.rcWork;
    const RECT& mon = mi.rcMonitor;
    const Integer b = SysBorderWidth(h, nullptr, false);
    const Integer t = MaximizedTitleOffset(h);
    info->ptMaxPosition = POINT{r.left - mon.left - b, r.top - mon.top + t - b};
    info->ptMaxSize = POINT{r.right - r.left + 2 * b, r.bottom - r.top + 2 * b - t};
    m.Result = 0;
  }
  PassOn(m);
}

// How far a maximized form lies below the work area's top: the outer border window draws a
// skin title taller than the system caption, and the part of it above the system's place
// stays on the screen.
Integer TsSkinProvider::MaximizedTitleOffset(HWND h) {
  DuRiruZireziv* manager = SkinManager();
  const bool zooming = FFormState & FS_ZOOMING;
  if (!BorderForm || (IsZoomed() && !ExtBordersNeeded(true)) ||
      (zooming && manager && manager->Options.NativeBordersMaximized))
    return 0;
  if (!(GetWindowLongW(h, GWL_STYLE) & WS_CAPTION)) return 0;
  FSysExHeight = zooming && SysCaptHeight(this, 0) + 4 < ActualTitleHeight(true);
  return MaxBtnOffset(this, true);
}

void TsSkinProvider::KV_WMMove(TMessage& m) {
  const HWND h = FormWnd(this);
  KillAnimations();
  if (Form->BorderStyle() != bsNone) ClearAllGlows();
  if (BorderForm || !Form->Showing()) {
    PassOn(m);
    return;
  }
  const bool minRestoring = FFormState & (FS_ANIMMINIMIZING | FS_ANIMRESTORING);
  if (ExtBordersNeeded(false) && !IsLoading() && !minRestoring && h && !IsIconic(h)) InitExBorders(true);
  TBitmap* cache = FCommonData->FCacheBmp.get();
  if (cache && cache->Width() != Form->Width()) {
    // The system's move does not repaint from a picture of the wrong width.
    const bool wasUpdating = FCommonData->FUpdating;
    FCommonData->FUpdating = true;
    const TScopeExit done([&] { FCommonData->FUpdating = wasUpdating; });
    PassOn(m);
  } else {
    PassOn(m);
  }
  if (Form->Parent() && h) RedrawWindow(GetParent(h), nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE | RDW_FRAME);
  MoveGluedForms(false);
}

void TsSkinProvider::KV_WMExitSizeMove(TMessage& m) {
  PassOn(m);
  if (!BorderForm || !kvSupportedList) return;
  // Entries are copied first: a repaint may make the skinner drop or add entries.
  std::vector<HWND> windows;
  for (const auto& slot : *kvSupportedList) {
    auto* entry = dynamic_cast<TkvProvider*>(slot.get());
    if (!entry) continue;
    if (!entry->CtrlHandle && entry->sp && entry->sp->Form && entry->sp->Form->HandleAllocated())
      entry->CtrlHandle = entry->sp->Form->WindowHandle();
    if (entry->CtrlHandle) windows.push_back(entry->CtrlHandle);
  }
  for (HWND wnd : windows) SendAMessage(wnd, KV_INVALIDATE);
}

void TsSkinProvider::KV_WMNCDestroy(TMessage&) {
  if (Form->FormStyle() == fsMDIChild && MDISkinProvider && MDISkinProvider != this && MDISkinProvider->MDIForm &&
      MDISkinProvider->FCommonData && MDISkinProvider->FCommonData->Skinned()) {
    TsSkinProvider* main = MDISkinProvider;
    main->RepaintMenu();
    TForm* mainForm = main->Form;
    if (mainForm && !mainForm->ActiveMDIChild() && mainForm->ClientHandle())
      RedrawWindow(mainForm->ClientHandle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  }
  // The hide animation may still show this form through the cover: it frees the cover then.
  const HWND h = FormWnd(this);
  if (!(kvHideTimer && h && kvHideTimer->ParentWnd == h && kvHideTimer->Form)) CoverForm.reset();
}

void TsSkinProvider::KV_WMShowWindow(TMessage& m) {
  const HWND h = FormWnd(this);
  const bool mdiChild = Form->FormStyle() == fsMDIChild;
  if (!mdiChild) {
    if (m.WParam == 1) {
      SkipAnimation = false;
      RgnChanged = true;
      if (BorderForm) BorderForm->ExBorderShowing = false;
      SetFormState(FFormState & ~FS_ANIMRESTORING);
      // Composition keeps the old picture of a window shown again: it is painted anew.
      if (h && AeroIsEnabled() && !InAnimationProcess && !FInAnimation &&
          !(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED))
        RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
    }
    // The owner goes away: a pending show action follows the state the window is left in.
    if (m.LParam == SW_PARENTCLOSING && ShowAction != saIgnore && h)
      ShowAction = IsIconic(h) ? saMinimize : ::IsZoomed(h) ? saMaximize : saRestore;
    // The application comes back from the taskbar: its minimize animation shows the form.
    DuRiruZireziv* manager = SkinManager();
    if (m.LParam == SW_PARENTOPENING && manager && manager->AnimEffects.Minimizing.Active && Application &&
        Application->MainForm() == Form) {
      PassOn(m);
      return;
    }
  }
  PassOn(m);
  if (m.WParam != 1) return;
  if (mdiChild && h && ::IsZoomed(h) && MDISkinProvider) MDISkinProvider->RepaintMenu();
  if (Form->FormStyle() == fsMDIForm)
    for (Integer i = 0; i < Form->MDIChildCount(); ++i)
      if (TCustomForm* child = Form->MDIChildren(i);
          child && child->HandleAllocated() && !WndIsSkinned(child->WindowHandle()))
        AddSupportedFormEx(child->WindowHandle());
  if (Form->Parent() && !mdiChild) FCommonData->BGChanged = true;
  if (h && IsWindowVisible(h)) SetWindowPos(h, nullptr, 0, 0, 0, 0, kNoChangeFlags);
}

void TsSkinProvider::KV_WMVisibleChanged(TMessage& m) {
  if (m.WParam == 1 && RTInit) {
    RTInit = false;
    LoadInit();
    if (DuRiruZireziv* manager = SkinManager()) InitExBorders(manager->GetExtendedBorders());
  }
  PassOn(m);
  if (m.WParam == 0) {
    if (!Form->IsDestroying() && FCommonData->FCacheBmp) FCommonData->FCacheBmp->SetSize(0, 0);
    KillAnimations();
  } else if (Form->Parent()) {
    TMessage updated = MakeMessage(SM_ALPHACMD, uintptr_t(KV_ENDPARENTUPDATE) << 16, 0);
    AlphaBroadCast(Form, updated);
  }
}

void TsSkinProvider::KV_WMCreate(TMessage& m) {
  // An MDI child made before its main form was skinned: the main form is skinned first.
  if (Form->FormStyle() == fsMDIChild && !MDISkinProvider && Application && Application->MainForm() &&
      Application->MainForm()->HandleAllocated())
    AddSupportedFormEx(Application->MainForm()->WindowHandle());
  // A child made while another one is maximized comes up maximized too: until the main form
  // paints again, frames and restores of the children wait for it.
  if (Form->FormStyle() == fsMDIChild) {
    TCustomForm* main = MDISkinProvider && MDISkinProvider->Form ? MDISkinProvider->Form
                        : Application                            ? Application->MainForm()
                                                                 : nullptr;
    // The client knows: by now the system may have restored the maximized child already, to
    // give its state to the new one.
    const HWND client = main && main->HandleAllocated() ? main->ClientHandle() : nullptr;
    BOOL maximized = FALSE;
    const auto active =
        client ? reinterpret_cast<HWND>(SendMessageW(client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)))
               : nullptr;
    MDICreating = active && active != FormWnd(this) && maximized;
  }
  PassOn(m);
  if (Form->FormStyle() != fsMDIChild) PrepareForm();
}

void TsSkinProvider::KV_WMNCCreate(TMessage& m) {
  DuRiruZireziv* manager = SkinManager();
  // The system scales the frame only where the skin does not scale the form.
  if (const HWND h = FormWnd(this); h && (!manager || manager->Options.ScaleMode == smVCL)) EnableNCDpiScaling(h);
  PassOn(m);
  if (RTInit) return;
  if (Form->FormStyle() != fsMDIChild) PrepareForm();
  if (Form->BorderStyle() == bsNone && SectionBorderRadius() <= 0) return;
  if (!CanDrawNCArea()) return;
  if (FCommonData->BGChanged && !BorderForm && Form->BorderStyle() != bsNone && !FUWPMode) {
    PaintAll();
    FillArOR();
  }
  UpdateRgn(false, false);
}

void TsSkinProvider::KV_WMClose(TMessage& m) {
  DuRiruZireziv* manager = SkinManager();
  const bool prepare = FAllowAnimation && manager && manager->AnimEffects.FormHide.Active &&
                       manager->Effects.AllowAnimation && CanDrawNCArea() && !(FFormState & FS_ANIMCLOSING) &&
                       !Form->Parent();
  PassOn(m);
  // A form the old procedure hid already played its hide; a modal one closes later, showing.
  const HWND h = FormWnd(this);
  if (!prepare || IsDestroying() || Form->IsDestroying() || !h || !IsWindowVisible(h)) return;
  // The picture the hide animation will play, taken while the form still shows.
  {
    SetFormState(FFormState | FS_ANIMCLOSING);
    const TScopeExit marked([this] { SetFormState(FFormState & ~FS_ANIMCLOSING); });
    if (std::unique_ptr<TBitmap> image = ::GetFormImage(this, true)) FCommonData->FCacheBmp = std::move(image);
  }
  // A close query may still refuse: the picture is then rebuilt at the next paint.
  FCommonData->BGChanged = bool(Form->OnCloseQuery());
  if (BorderForm && BorderForm->LayeredWindow()) ShowPictureInBorder();
}

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
  WaitForAnimations();
  PassOn(m);
}

void TsSkinProvider::WaitForAnimations() {
  if (!Application || Application->Terminated()) return;
  const DWORD start = GetTickCount();
  const Cardinal limit = AnimationWaitLimit();
  while (kvAnimCount > 0 && GetTickCount() - start < limit) {
    Application->ProcessMessages();
    if (kvAnimCount > 0) Sleep(1);
  }
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
  if (m.WParamLo == WM_CREATE) {
    LastNewChild = FindControlOfWindow(reinterpret_cast<HWND>(m.LParam));
    if (Adapter) {
      if (m.LParam && LastNewChild) {
        if (FAllowSkin3rdParty) Adapter->AddNewItem(LastNewChild, String(), ActiveThirdLists());
      } else {
        Adapter->AddAllItems(nullptr);
      }
    }
  }
  // A child that comes or goes may change the form's scroll range.
  if (CanDrawNCArea() && ListSW) UpdateScrolls(ListSW, true);
}
