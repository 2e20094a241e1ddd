// The layered show and hide animations of skinned forms and dialogs. Sections:
//   1. Shared helpers (pictures, opacity, cover windows)
//   2. Forms: AnimShowForm, AnimHideForm
//   3. Dialogs: PrintDlgClient, AnimShowDlg, AnimHideDlg
#include "forms/sSkinProviderAnim.h"

#include <algorithm>
#include <memory>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "forms/kvDialogWnd.h"
#include "forms/kvDials.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "skin/ControlServices.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/ScopeGuard.h"

namespace {

// ---- 1. Shared helpers --------------------------------------------------------------------------

constexpr UINT kBehindFlags =
    SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;

TRect WindowRectOf(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return TRect(r.left, r.top, r.right, r.bottom);
}

// A new layered stand-in window, owned by the caller.
std::unique_ptr<TkvGlowForm> NewAnimWindow() {
  auto form = std::make_unique<TkvGlowForm>(Application);
  form->AfterConstruction();
  form->HandleNeeded();
  return form;
}

// A 32-bit copy of a picture (the cache stays its owner's).
std::unique_ptr<TBitmap> CopyOf(TBitmap* cache) {
  std::unique_ptr<TBitmap> copy(CreateBmp32(cache->Width(), cache->Height()));
  CopyPixels(ViewOf(copy.get()), 0, 0, ViewOf(cache), TRect(0, 0, cache->Width(), cache->Height()));
  return copy;
}

// The form's own opacity after its stand-in went: its blend value when it blends, otherwise
// fully opaque and no longer layered. (Composition or not: a form left layered at opacity 0
// would stay invisible.)
void RestoreFormOpacity(TForm* form, HWND h) {
  if (form->AlphaBlend()) {
    DoLayered(h, true, form->AlphaBlendValue());
    return;
  }
  SetLayeredWindowAttributes(h, clNone, 255, LWA_ALPHA);
  SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) & ~WS_EX_LAYERED);
}

// Per-monitor DPI-aware processes on Vista and later repaint the revealed window visibly: a
// snapshot of the stand-in covers it for a moment (fluent systems: after the opacity change).
bool WantsCover() { return kvIsDPIAware && IsWinVistaUp(); }

void ClearAllGlows() {
  if (TkvGlowServices* glows = TkvServiceSlot<TkvGlowServices>::Get()) glows->ClearGlows(false, false);
}

// The window that will play a hide animation and its picture, taken from the outer border's
// layered window (the border lets go of it) or made as a cover window without one.
struct THideStage {
  TkvGlowForm* window = nullptr;
  std::unique_ptr<TBitmap> picture;
};

// The stand-in of a show: the outer border's layered window without its region (it stays with
// the border), or a new window that own keeps.
TkvGlowForm* ShowStandIn(TkvBorderForm* border, std::unique_ptr<TkvGlowForm>& own) {
  if (!border) {
    own = NewAnimWindow();
    return own.get();
  }
  if (!border->AForm) border->CreateNewForm();
  TkvGlowForm* stand = border->AForm.get();
  if (stand) SetWindowRgn(stand->Handle(), nullptr, FALSE);
  return stand;
}

THideStage StageFromBorder(TkvBorderForm* border, TBitmap* cache) {
  THideStage stage;
  if (!border->AForm) border->CreateNewForm();
  if (!border->AForm) return stage;
  stage.picture = CopyOf(cache);
  stage.window = border->ReleaseLayeredForm().release();
  return stage;
}

// A cover the provider made while the form was being hidden is taken over: it already shows
// the form's picture where the form was.
THideStage StageFromCover(HWND wnd, TsSkinProvider* sp, TBitmap* cache, const std::vector<TRect>& corners) {
  THideStage stage;
  stage.window = sp && sp->CoverForm ? sp->CoverForm.release() : MakeCoverForm(wnd, sp, false, nullptr);
  stage.picture = CopyOf(cache);
  CleanPixelsByRects(corners, stage.picture.get());
  return stage;
}

}  // namespace

// ---- 2. Forms ------------------------------------------------------------------------------------

bool TsSkinProvider::RaiseAfterAnimation(Byte event) {
  if (IsDestroying() || !OnAfterAnimation) return false;
  OnAfterAnimation(TkvAnimEvent(event));
  return true;
}

void AnimShowForm(TsSkinProvider* sp, Word wTime, Integer maxTransparency, TkvAnimType animType) {
  const HWND h = FormWnd(sp);
  if (!h || !sp->FCommonData || IsIconic(h)) return;
  TForm* form = sp->Form;
  TsCommonData* sd = sp->FCommonData.get();
  bool inAnimation = true;
  InAnimationProcess = true;
  const TScopeExit animationEnds([&] {
    if (inAnimation) InAnimationProcess = false;
  });

  // The stand-in: the outer border's layered window, or a new one.
  TkvBorderForm* border = sp->BorderForm.get();
  std::unique_ptr<TkvGlowForm> ownWindow;
  TkvGlowForm* stand = ShowStandIn(border, ownWindow);
  if (border)
    border->PaintAll();
  else
    sp->PaintAll();
  TBitmap* cache = sd->FCacheBmp.get();
  if (!stand || !cache || cache->Empty()) return;

  // The picture: the whole form, children included.
  std::unique_ptr<TBitmap> picture(CreateBmp32(cache->Width(), cache->Height()));
  const bool blurred = sp->FSystemBlur && sp->FSystemBlur->Active();
  if ((!border && sp->FUWPMode) || blurred)
    FillRect32(picture.get(), TRect(0, 0, picture->Width(), picture->Height()), 0, 0);
  {
    TCanvasLock lock(*picture->Canvas());
    SkinPaintTo(picture.get(), form, 0, 0, sp);
  }
  if (!border) {
    if (sp->FUWPMode) {
      const TPoint origin = ClientOrigin(h);
      FillAlphaRect(picture.get(),
                    TRect(origin.X, origin.Y, origin.X + GetClientWidth(h), origin.Y + GetClientHeight(h)), 255,
                    clNone);
    } else {
      FillAlphaRect(picture.get(), TRect(0, 0, picture->Width(), picture->Height()), 255, clNone);
    }
  }

  // Where the picture lies against the form.
  const TRect bounds = WindowRectOf(h);
  Integer cx = 0, cy = 0;
  if (border) {
    const TRect shadow = sp->ShadowSize();
    sp->FSysExHeight = sp->IsZoomed() && sp->CaptionHeight(true) < GetSystemMetrics(SM_CYCAPTION) + 4;
    cy = sp->FSysExHeight ? SysBorderWidth(h, border, true) + shadow.Top + DiffTitle(border) : border->OffsetY();
    cx = SkinBorderWidth(border) - SysBorderWidth(h, border, true) + shadow.Left;
  } else {
    sp->FillArOR();
    CleanPixelsByRects(sp->Rects, picture.get());
  }

  // Topmost and modal forms keep their stand-in above them.
  const HWND standWnd = stand->Handle();
  HWND insertAfter = nullptr;
  // The border's window plays the show as a stand-in that never activates, and is the border
  // again afterwards.
  const LONG standExStyle = GetWindowLongW(standWnd, GWL_EXSTYLE);
  SetWindowLongW(standWnd, GWL_EXSTYLE, standExStyle | WS_EX_NOACTIVATE);
  if (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) {
    stand->SetFormStyle(fsStayOnTop);
    insertAfter = HWND_TOPMOST;
  } else if (form->Modal()) {
    stand->SetFormStyle(fsStayOnTop);
    insertAfter = h;
  }
  // A UI-state query that waits for the form meanwhile is answered by the form's own procedure
  // (the message stays queued).
  auto handOnUiState = [sp, h] {
    MSG pending{};
    if (!PeekMessageW(&pending, h, WM_QUERYUISTATE, WM_QUERYUISTATE, PM_NOREMOVE) || !sp->OldWndProc) return;
    TMessage copy = MakeMessage(pending.message, pending.wParam, pending.lParam);
    sp->OldWndProc(copy);
  };
  AnimShowLayered(stand, picture.get(), TPoint(bounds.Left - cx, bounds.Top - cy), wTime, maxTransparency, animType,
                  false, insertAfter, handOnUiState);

  // The form is revealed, still transparent, right behind its stand-in.
  sp->FInAnimation = false;
  DoLayered(h, true, 0);
  ShowWindow(h, ShowCommands[form->WindowState()]);
  SetWindowPos(h, standWnd, 0, 0, 0, 0, kBehindFlags);
  if (border) border->UpdateRgn();
  std::unique_ptr<TkvGlowForm> cover;
  if (WantsCover() && !IsFluentOS()) cover.reset(MakeCoverForm(standWnd, sp, true, nullptr));
  RestoreFormOpacity(form, h);
  if (WantsCover() && IsFluentOS()) cover.reset(MakeCoverForm(standWnd, sp, true, nullptr));
  InAnimationProcess = false;
  inAnimation = false;
  if (border) border->ExBorderShowing = true;

  UpdateLayerVisibility(sd, h);
  if (!sd->FUpdating) SetParentUpdated(form);
  if (border) border->UpdateRgn();
  RedrawWindow(h, nullptr, nullptr, kRedrawAll);
  if (border) {
    border->ExBorderShowing = false;
    SetWindowRgn(standWnd, border->MakeRgn(), FALSE);
  }
  if (blurred) IterateControls(form, 0, TkvControlFunc(&RepaintOpaque));
  picture.reset();
  SetWindowPos(standWnd, h, 0, 0, 0, 0, kBehindFlags);
  if (cover) {
    WaitTicks(GetTickCount(), 20);  // the revealed form paints under the cover meanwhile
    cover.reset();
  }
  if (border) {
    RestoreFormOpacity(form, h);
    SetWindowLongW(standWnd, GWL_EXSTYLE,
                   (GetWindowLongW(standWnd, GWL_EXSTYLE) & ~WS_EX_NOACTIVATE) | (standExStyle & WS_EX_NOACTIVATE));
    SetWindowRgn(standWnd, border->MakeRgn(), FALSE);
    // The show's picture is the form's; the border shows its own picture (shadow and frame)
    // again.
    sd->BGChanged = true;
    border->UpdateExBordersPos(true, 255);
  }
  ownWindow.reset();
  sp->OnAfterAnimation.Call(aeShowing);
}

bool TsSkinProvider::HideAnimationAllowed() {
  DuRiruZireziv* manager = SkinManager();
  if (!manager || manager->ShowState == saMinimize || !FAllowAnimation) return false;
  const TkvFormHide& hide = manager->AnimEffects.FormHide;
  return hide.Active && hide.Time > 0 && manager->Effects.AllowAnimation && !Form->Parent() &&
         Form->FormStyle() != fsMDIChild;
}

void TsSkinProvider::RunHideAnimation(TMessage& m) {
  const HWND h = FormWnd(this);
  const TkvFormHide& hide = SkinManager()->AnimEffects.FormHide;
  const bool composition = AeroIsEnabled();
  if (composition) DoLayered(h, true, 1);
  PassOn(m);
  const auto skip = SetForScope(SkipAnimation, true, false);
  AnimHideForm(this, hide.Time, hide.Mode);
  if (Application && Application->Terminated()) return;
  if (composition) DoLayered(h, false, 0);
}

void AnimHideForm(TsSkinProvider* sp, Integer time, TkvAnimType mode) {
  ClearAllGlows();
  const HWND h = FormWnd(sp);
  if (!h || !sp->FCommonData || sp->Form->FormStyle() == fsMDIChild) return;
  // A cover the hide did not take over goes with it, also when nothing could be animated.
  const TScopeExit coverGone([sp] { sp->CoverForm.reset(); });
  TsCommonData* sd = sp->FCommonData.get();
  if (!(sp->FFormState & FS_ANIMCLOSING)) sp->PaintAll();
  TBitmap* cache = sd->FCacheBmp.get();
  if (!cache || cache->Empty()) return;
  TForm* form = sp->Form;
  const Byte start = form->AlphaBlend() ? form->AlphaBlendValue() : 255;
  const auto animating = SetForScope(InAnimationProcess, true, false);

  TkvBorderForm* border = sp->BorderForm.get();
  THideStage stage;
  if (border) {
    stage = StageFromBorder(border, cache);
    // The form goes out of sight at once; the stand-in shows its picture meanwhile.
    if (AeroIsEnabled())
      DoLayered(h, true, 0);
    else
      SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_HIDEWINDOW | SWP_NOZORDER);
  } else {
    sp->FillArOR();
    stage = StageFromCover(h, sp, cache, sp->Rects);
    DoLayered(h, true, 0);
  }
  TkvGlowForm* window = stage.window;
  HideAnimForm(window, stage.picture.release(), time, start, mode, form);
  DoLayered(h, start != 255, start);
  if (Application && Application->Terminated()) {
    sp->BorderForm.reset();
  } else if (border && border->AForm) {
    border->FreeLayeredWindow();
  }
  delete window;  // still here when the hide ran no frames
}

// ---- 3. Dialogs ----------------------------------------------------------------------------------

void PrintDlgClient(TkvDialogWnd* listSW, TBitmap* dstBmp, bool copyScreen) {
  if (!listSW || !dstBmp || !listSW->CtrlHandle) return;
  const HWND h = listSW->CtrlHandle;
  // The client's place in the picture: inside the frame, and inside the shadow margins with an
  // outer border.
  const TPoint origin = ClientOrigin(h), frame = listSW->FrameOrigin();
  const TPoint offset(origin.X + frame.X, origin.Y + frame.Y);
  const Integer cw = GetClientWidth(h), ch = GetClientHeight(h);
  const TRect client(offset.X, offset.Y, std::min(offset.X + cw, dstBmp->Width()),
                     std::min(offset.Y + ch, dstBmp->Height()));
  if (copyScreen) {
    const TWindowDC dc(h);
    if (!dc) return;
    const TSaveDC saved(dc);
    BitBlt(dstBmp->Canvas()->Handle(), offset.X, offset.Y, cw, ch, dc, origin.X, origin.Y, SRCCOPY);
    FillAlphaRect(dstBmp, client, 255, clNone);
    return;
  }
  TCanvasLock lock(*dstBmp->Canvas());
  const HDC dc = dstBmp->Canvas()->Handle();
  {
    const TSaveDC saved(dc);
    OffsetWindowOrgEx(dc, -offset.X, -offset.Y, nullptr);
    IntersectClipRect(dc, 0, 0, cw, ch);
    TkvProvider::PrintHwndControls(h, dc);
  }
  // With an outer border only the client is made opaque (the shadow keeps its alpha); without
  // one the whole picture is.
  if (listSW->BorderForm)
    FillAlphaRect(dstBmp, client, 255, clNone);
  else
    FillAlphaRect(dstBmp, TRect(0, 0, dstBmp->Width(), dstBmp->Height()), 255, clNone);
}

void AnimShowDlg(TkvDialogWnd* listSW, Word wTime, Integer maxTransparency, TkvAnimType animType) {
  if (!listSW || !listSW->CtrlHandle || !listSW->SkinData) return;
  const HWND h = listSW->CtrlHandle;
  const auto animating = SetForScope(InAnimationProcess, true, false);
  // The stand-in: the outer border's layered window (it stays with the border), or a new one.
  TkvBorderForm* border = listSW->BorderForm.get();
  std::unique_ptr<TkvGlowForm> ownWindow;
  TkvGlowForm* stand = ShowStandIn(border, ownWindow);
  listSW->PaintAll();
  TBitmap* cache = listSW->SkinData->FCacheBmp.get();
  if (!stand || !cache || cache->Empty()) return;
  std::unique_ptr<TBitmap> picture = CopyOf(cache);
  PrintDlgClient(listSW, picture.get(), false);
  FillDlgArOR(listSW);
  if (!border) CleanPixelsByRects(listSW->ArOR, picture.get());

  const HWND standWnd = stand->Handle();
  HWND insertAfter = h;
  if (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) {
    stand->SetFormStyle(fsStayOnTop);
    insertAfter = HWND_TOPMOST;
  }
  std::unique_ptr<TkvGlowForm> cover;
  if (WantsCover() && !IsFluentOS()) cover.reset(MakeCoverForm(h, nullptr, true, nullptr));
  // The picture lies so that the dialog's window lands where it is.
  const TRect bounds = WindowRectOf(h);
  const TPoint origin = listSW->FrameOrigin();
  AnimShowLayered(stand, picture.get(), TPoint(bounds.Left - origin.X, bounds.Top - origin.Y), wTime, maxTransparency,
                  animType, true, insertAfter);
  if (WantsCover() && IsFluentOS()) cover.reset(MakeCoverForm(standWnd, nullptr, true, nullptr));

  // The dialog behind its stand-in, visible without a repaint of its own yet.
  UpdateRgn(listSW, false);
  SetWindowPos(h, standWnd, 0, 0, 0, 0, kBehindFlags);
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_VISIBLE);
  listSW->ProcessMessage(WM_SETREDRAW, 1, 0);
  InAnimationProcess = false;
  if (border) border->ExBorderShowing = true;
  listSW->SkinData->BeginUpdate();
  listSW->SkinData->EndUpdate(false);
  RedrawWindow(h, nullptr, nullptr, kRedrawAll);
  SetWindowPos(standWnd, h, 0, 0, 0, 0, kBehindFlags);
  if (border) {
    // The border keeps the window: it shows the shadow around the dialog from now on.
    border->ExBorderShowing = false;
    SetWindowRgn(standWnd, border->MakeRgn(), FALSE);
  }
  ownWindow.reset();
  if (cover) {
    WaitTicks(GetTickCount(), 20);
    cover.reset();
  }
}

void AnimHideDlg(TkvDialogWnd* listSW) {
  if (!listSW || !listSW->CtrlHandle || !listSW->SkinData) return;
  DuRiruZireziv* manager = listSW->SkinData->GetSkinManager();
  TBitmap* cache = listSW->SkinData->FCacheBmp.get();
  if (!manager || !cache || cache->Empty()) return;
  const auto animating = SetForScope(InAnimationProcess, true, false);
  ClearAllGlows();
  // The outer border's window plays the hide (the border lets go of it), or a cover of the dialog.
  TkvBorderForm* border = listSW->BorderForm.get();
  THideStage stage;
  if (border) {
    stage = StageFromBorder(border, cache);
  } else {
    FillDlgArOR(listSW);
    stage = StageFromCover(listSW->CtrlHandle, nullptr, cache, listSW->ArOR);
  }
  TkvGlowForm* window = stage.window;
  HideAnimForm(window, stage.picture.release(), manager->AnimEffects.DialogHide.Time, 255,
               manager->AnimEffects.DialogHide.Mode, nullptr);
  if (Application && Application->Terminated()) {
    listSW->BorderForm.reset();
  } else if (border && border->AForm) {
    border->FreeLayeredWindow();
  }
  delete window;  // still here when the hide ran no frames
}
