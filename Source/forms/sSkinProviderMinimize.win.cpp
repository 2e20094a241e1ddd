// The minimize and restore animation of a skinned form, and the two image routines every form
// animation uses: the cover window (a layered snapshot over a window) and the form's complete
// image.
//
// The flight's target is derived from the taskbar window's rectangle. The taskbar's own button
// list lives in another process: it is not read (that would mean opening the shell's process
// and guessing its structure layout).
#include "forms/sSkinProviderMotion.h"

#include <algorithm>
#include <cmath>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/sSkinProvider.h"
#include "paint/sCommonDataCache.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"
#include "ui/SysUtils.h"

TW_DEFINE_CLASS(TkvMinTimer) {}
TW_DEFINE_CLASS(TkvMoveTimer) {}

namespace {

TRect WindowRectOf(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return TRect(r.left, r.top, r.right, r.bottom);
}

void MakeLayeredTransparent(HWND h) {
  const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
  if (!(ex & WS_EX_LAYERED)) SetWindowLongW(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
  SetLayeredWindowAttributes(h, 0, 0, LWA_ALPHA);
}

void RemoveLayered(HWND h) { SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) & ~WS_EX_LAYERED); }

HWND ShellTrayWnd() { return FindWindowW(L"Shell_TrayWnd", nullptr); }

Integer MinimizeTime(TsSkinProvider* sp) {
  DuRiruZireziv* manager = sp ? sp->SkinManager() : nullptr;
  return manager ? manager->AnimEffects.Minimizing.Time : 0;
}

bool MinimizeAllowed(DuRiruZireziv* manager) {
  return manager && manager->AnimEffects.Minimizing.Active && manager->Effects.AllowAnimation;
}

}  // namespace

// ---- Cover window and form image -------------------------------------------------------------

namespace {

// The picture's region without the transparent corners of the window's section, and, for a
// window with a frame, of the skin's form title too; null when neither has corners.
TOwnedRegion CoverCornersRgn(HWND wnd, TsSkinProvider* sp, TsCommonData* data, TBitmap* picture) {
  TkvSkinData* sd = sp ? sp->SkinDataFor() : data->GetCommonSkinData();
  if (!sd) return TOwnedRegion();
  TOwnedRegion rgn;
  if (data->SkinIndex >= 0) rgn = GetTransCornersRgn(data->SkinIndex, picture, sd);
  DuRiruZireziv* manager = data->GetSkinManager();
  const Integer title = manager ? manager->SkinCommonInfo.Sections[ssFormTitle] : -1;
  if (title >= 0 && (GetWindowLongW(wnd, GWL_STYLE) & (WS_BORDER | WS_DLGFRAME))) {
    TOwnedRegion titleRgn = GetTransCornersRgn(title, picture, sd);
    if (!rgn.get())
      rgn = std::move(titleRgn);
    else if (titleRgn.get())
      CombineRgn(rgn.get(), rgn.get(), titleRgn.get(), RGN_OR);
  }
  return rgn;
}

}  // namespace

TkvGlowForm* MakeCoverForm(HWND wnd, TsSkinProvider* sp, bool fromScreen, const TRect* scrRect) {
  if (!wnd) return nullptr;
  const TRect r = scrRect ? *scrRect : WindowRectOf(wnd);
  const Integer w = r.Width(), h = r.Height();
  if (w <= 0 || h <= 0) return nullptr;
  auto* cover = new TkvGlowForm(nullptr);
  cover->AfterConstruction();
  cover->SetBounds(r.Left, r.Top, w, h);
  cover->AlphaBmp = new TBitmap(w, h, pf32bit);
  {
    TCanvasLock lock(*cover->AlphaBmp->Canvas());
    const HDC dst = cover->AlphaBmp->Canvas()->Handle();
    if (!fromScreen && !(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED)) {
      const HDC dc = GetWindowDC(wnd);
      BitBlt(dst, 0, 0, w, h, dc, 0, 0, SRCCOPY);
      ReleaseDC(wnd, dc);
    } else {
      const HDC dc = GetDC(nullptr);
      BitBlt(dst, 0, 0, w, h, dc, r.Left, r.Top, SRCCOPY);
      ReleaseDC(nullptr, dc);
    }
  }
  FillAlphaRect(cover->AlphaBmp, TRect(0, 0, w, h), 255, clNone);
  // Without a provider the window itself tells its skin data (a dialog's wrapper does).
  TsCommonData* data = nullptr;
  if (sp) {
    cover->SetName(sp->Form ? sp->Form->Name() + u"Cover" : String(u"FormCover"));
    data = sp->FCommonData.get();
  } else {
    cover->SetName(u"FormCover" + IntToStr(Integer(GetTickCount())));
    data = reinterpret_cast<TsCommonData*>(TrySendMessage(wnd, SM_ALPHACMD, uintptr_t(KV_GETSKINDATA) << 16, 0));
  }
  cover->HandleNeeded();
  const HWND ch = cover->Handle();
  if (sp && sp->FUWPMode) {
    // Only the client of a form without a frame shows.
    const TRect client = sp->UWPClientRect();
    TPixelView v = cover->AlphaBmp->View();
    for (Integer y = 0; y < v.Height; ++y)
      for (Integer x = 0; x < v.Width; ++x)
        if (!client.Contains(TPoint(x, y))) v.Row(y)[x] = 0;
  } else if (data) {
    SetWindowRgn(ch, CoverCornersRgn(wnd, sp, data, cover->AlphaBmp).release(), FALSE);
  }
  TPoint pos(r.Left, r.Top);
  SetFormBlendValue(ch, cover->AlphaBmp, 255, &pos);
  SetWindowPos(ch, HWND_TOPMOST, r.Left, r.Top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  return cover;
}

std::unique_ptr<TBitmap> GetFormImage(TsSkinProvider* sp, bool cacheReplaced) {
  if (!sp || !sp->FCommonData || !sp->Form) return nullptr;
  TsCommonData* sd = sp->FCommonData.get();
  if (!sd->FCacheBmp || sd->BGChanged) sp->PaintAll();
  TBitmap* cache = sd->FCacheBmp.get();
  if (!cache) return nullptr;
  auto image = std::make_unique<TBitmap>(cache->Width(), cache->Height(), pf32bit);
  {
    TCanvasLock lock(*image->Canvas());
    SkinPaintTo(image.get(), sp->Form, 0, 0, sp);
  }
  // With a border object the picture keeps its alpha (the shadow); the client part was made
  // opaque while it was painted.
  if (sp->BorderForm) {
    if (cacheReplaced) sd->FCacheBmp.reset();
    return image;
  }
  if (sp->FUWPMode) {
    FillAlphaRect(image.get(), sp->UWPClientRect(), 255, clNone);
    if (cacheReplaced) sd->FCacheBmp.reset();
    return image;
  }
  // Opaque everywhere but the key colour and the transparent corners.
  TPixelView v = image->View();
  for (Integer y = 0; y < v.Height; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = 0; x < v.Width; ++x)
      if (row[x] != 0x00FF00FFu) row[x] |= 0xFF000000u;
  }
  for (const TRect& corner : sp->Rects)
    for (Integer y = std::max(0, corner.Top); y < std::min(v.Height, corner.Bottom); ++y)
      for (Integer x = std::max(0, corner.Left); x < std::min(v.Width, corner.Right); ++x) v.Row(y)[x] = 0;
  if (cacheReplaced) sd->FCacheBmp.reset();
  return image;
}

// ---- The timer -------------------------------------------------------------------------------

TkvMinTimer::TkvMinTimer(TComponent* owner)
    : TkvThreadedTimer(owner), SavedImage(std::make_unique<TBitmap>(0, 0, pf32bit)) {}

TkvMinTimer::~TkvMinTimer() { FreeAnimForm(); }

void TkvMinTimer::FreeAnimForm() {
  TkvGlowForm* anim = std::exchange(AnimForm, nullptr);
  if (anim && AlphaFormWasCreated) delete anim;
  AlphaFormWasCreated = false;
}

Byte TkvMinTimer::AlphaFrom() {
  Byte base = 255;
  if (sp && sp->Form && sp->Form->AlphaBlend()) base = sp->Form->AlphaBlendValue();
  return MinimizeAlphaFrom(base, IsWinVistaUp() && !AeroIsEnabled(), MinimizeTime(sp), Minimized);
}

TRect TkvMinTimer::GetRectTo(const TRect& from) {
  const HWND tray = ShellTrayWnd();
  if (!tray) return TRect();
  return TaskbarFallbackRect(from, WindowRectOf(tray));
}

void TkvMinTimer::InitData() {
  SetInterval(kvMinimizeInterval);
  if (!sp) sp = dynamic_cast<TsSkinProvider*>(static_cast<TObject*>(FOwner));
  if (!sp) return;
  BorderForm = sp->OuterBorder();
  if (!FormHandle) FormHandle = FormWnd(sp);
  if (!FormHandle) return;
  const Integer time = MinimizeTime(sp);
  const Byte alpha = AlphaFrom();
  TkvBorderForm* border = sp->BorderForm.get();
  const HWND borderWnd = border ? border->LayeredWindow() : nullptr;
  if (alpha > 0 || !Minimized) {
    // The flight starts from all the user sees: the border window's bounds when there is one.
    const TRect from = WindowRectOf(borderWnd ? borderWnd : FormHandle);
    InitMinimize(Motion, from, GetRectTo(from), time, alpha);
  } else {
    Motion.StepCount = MinimizeStepCount(time);
    Motion.CurrentAlpha = alpha;
    Motion.CurLeft = Motion.RectTo.Left;
    Motion.CurTop = Motion.RectTo.Top;
    Motion.CurRight = Motion.RectTo.Right;
    Motion.CurBottom = Motion.RectTo.Bottom;
  }
  const TRect& from = Motion.RectFrom;
  if (!AlphaBmp)
    AlphaBmp = std::make_unique<TBitmap>(from.Width(), from.Height(), pf32bit);
  else
    AlphaBmp->SetSize(from.Width(), from.Height());
  FreeAnimForm();
  if (borderWnd) {
    // The border window already shows the whole form: it flies itself.
    AnimForm = border->AForm.get();
    return;
  }
  AnimForm = MakeCoverForm(FormHandle, sp, false, nullptr);
  AlphaFormWasCreated = AnimForm != nullptr;
  if (AnimForm) SetWindowRgn(AnimForm->Handle(), nullptr, FALSE);
}

TkvBorderForm* TkvMinTimer::FlyingBorder() {
  // The border object may have been freed or have lost its window since the flight began: the
  // pointers are taken from the provider afresh.
  TkvBorderForm* border = sp ? sp->BorderForm.get() : nullptr;
  BorderForm = border;
  if (AlphaFormWasCreated) return nullptr;
  AnimForm = border ? border->AForm.get() : nullptr;
  return AnimForm ? border : nullptr;
}

void TkvMinTimer::InitDataRestore() {
  SetInterval(kvMinimizeInterval);
  InitRestore(Motion, MinimizeTime(sp));
  if (!AlphaBmp) AlphaBmp = std::make_unique<TBitmap>(0, 0, pf32bit);
  CopyBmp(AlphaBmp.get(), SavedImage.get());
}

void TkvMinTimer::TimeHandler() {
  if (inStep_ || !sp) return;
  const auto guard = SetForScope(inStep_, true);
  const Cardinal state = sp->FormState();
  if (!Minimized && (state & FS_ANIMRESTORING)) Minimized = true;
  if (Minimized && (state & FS_ANIMMINIMIZING)) Minimized = false;
  TkvBorderForm* border = FlyingBorder();
  if (border) border->ExBorderShowing = true;
  if (!AnimForm || !AnimForm->Handle()) {
    // Nothing shows the flight: a restore ends at once rather than leave the form transparent.
    if (Minimized && (state & FS_ANIMRESTORING)) {
      FinishRestore();
      return;
    }
    SetEnabled(false);
    return;
  }
  const HWND anim = AnimForm->Handle();
  if (!Minimized) {
    {
      // Transparent black where the shrinking picture does not reach.
      TPixelView v = AlphaBmp->View();
      for (Integer y = 0; y < v.Height; ++y) std::fill(v.Row(y), v.Row(y) + v.Width, 0u);
    }
    if (MinimizeStep(Motion)) {
      SetEnabled(false);
      Minimized = true;
      sp->fAnimating = false;
      sp->SetHotHT(0, true);
      sp->SetFormState(sp->FormState() & ~FS_ANIMMINIMIZING);
      if (FormHandle) RemoveLayered(FormHandle);
      if (border) {
        // The border window is made anew when the form comes back.
        border->FreeLayeredWindow();
        AnimForm = nullptr;
        if (Application && Application->MainFormOnTaskbar())
          if (TCustomForm* main = Application->MainForm(); main && main != sp->Form && main->HandleAllocated())
            SetActiveWindow(main->WindowHandle());
        border->ExBorderShowing = false;
        border->UpdateExBordersPos(true, 255);
        return;
      }
      TPoint pos = MotionTopLeft(Motion);
      SetFormBlendValue(anim, AlphaBmp.get(), Integer(std::lround(Motion.CurrentAlpha)), &pos);
      ShowWindow(anim, SW_HIDE);  // kept for the restore
      sp->ProcessMessage(WM_NCPAINT);
      return;
    }
    const TSize size = MotionSize(Motion);
    if (SavedImage && !SavedImage->Empty()) {
      TCanvasLock lock(*AlphaBmp->Canvas());
      const HDC dst = AlphaBmp->Canvas()->Handle();
      SetStretchBltMode(dst, COLORONCOLOR);
      StretchBlt(dst, 0, 0, size.cx, size.cy, SavedImage->Canvas()->Handle(), 0, 0, SavedImage->Width(),
                 SavedImage->Height(), SRCCOPY);
    }
  } else {
    // The system is still restoring the window: this tick waits.
    if (state & FS_RESTORING) return;
    if (RestoreStep(Motion, AlphaFrom())) {
      FinishRestore();
      return;
    }
  }
  TPoint pos = MotionTopLeft(Motion);
  SetFormBlendValue(anim, AlphaBmp.get(), Integer(std::lround(Motion.CurrentAlpha)), &pos);
  const HWND tray = ShellTrayWnd();
  SetWindowPos(anim, tray ? tray : HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TkvMinTimer::FinishRestore() {
  SetEnabled(false);
  TForm* form = sp->Form;
  TkvBorderForm* border = FlyingBorder();
  const HWND anim = AnimForm ? AnimForm->Handle() : nullptr;
  TPoint pos = MotionTopLeft(Motion);
  if (anim) {
    if (border && IsWinVistaUp() && !AeroIsEnabled()) {
      border->UpdateRgn();
      SetFormBlendValue(anim, SavedImage.get(), form && form->AlphaBlend() ? form->AlphaBlendValue() : 255, &pos);
    } else {
      SetFormBlendValue(anim, SavedImage.get(), AlphaFrom(), &pos);
    }
  }
  if (FormHandle && IsIconic(FormHandle)) {
    const bool animation = kvGetAnimation();
    kvSetAnimation(false);
    ShowWindow(FormHandle, IsZoomed(FormHandle) ? SW_SHOWMAXIMIZED : SW_SHOWNOACTIVATE);
    kvSetAnimation(animation);
  }
  if (anim) SetWindowPos(anim, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (anim && (sp->FormState() & FS_DISABLED)) {
    // The disabled form's layer is made anew below from what the screen shows: the picture
    // must be there first.
    ShowWindow(anim, SW_SHOWNOACTIVATE);
    Sleep(50);
  }
  const bool alphaBlend = form && form->AlphaBlend();
  if (FormHandle && alphaBlend) {
    SetLayeredWindowAttributes(FormHandle, 0, form->AlphaBlendValue(), LWA_ALPHA);
  } else {
    if (anim) SetFormBlendValue(anim, SavedImage.get(), 255, &pos);
    sp->UpdateRgn();
  }
  sp->fAnimating = false;
  sp->SetFormState(sp->FormState() & ~FS_ANIMRESTORING);
  bool borderStays = false;
  if (border) {
    borderStays = sp->ExtBordersNeeded(false);
    if (borderStays) {
      border->ExBorderShowing = false;
    } else if (!(Application && Application->MainForm() == form)) {
      sp->FCommonData->BGChanged = true;
    }
  } else if (form && form->Menu() && AeroIsEnabled()) {
    // The menu line was drawn before the form was hidden: it is painted anew with the frame.
    sp->FCommonData->BGChanged = true;
  }
  if (FormHandle) {
    RedrawWindow(FormHandle, nullptr, nullptr,
                 RDW_FRAME | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_INVALIDATE);
    if (alphaBlend)
      SetLayeredWindowAttributes(FormHandle, 0, form->AlphaBlendValue(), LWA_ALPHA);
    else
      RemoveLayered(FormHandle);
  }
  Minimized = false;
  if (FormHandle && IsWindowEnabled(FormHandle) && IsWindowVisible(FormHandle)) {
    TForm* child = form && form->FormStyle() == fsMDIForm ? dynamic_cast<TForm*>(form->ActiveMDIChild()) : nullptr;
    if (TsSkinProvider* childSP = child && child->HandleAllocated() ? ProviderOf(child->WindowHandle()) : nullptr) {
      // The frame comes back with its active child's caption in the active look.
      childSP->FormActive = true;
      childSP->UpdateSkinCaption();
    } else if (!child) {
      SetActiveWindow(FormHandle);
      SetFocus(FormHandle);
    }
  }
  if (anim) SetWindowPos(anim, FormHandle, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (border) {
    AnimForm = nullptr;
    if (borderStays) {
      // The border window goes back to following the form.
      if (sp->BorderForm.get() == border) border->UpdateExBordersPos(true, 255);
    } else if (sp->BorderForm.get() == border) {
      // Its window flew the picture; no border is wanted any more.
      sp->BorderForm.reset();
    }
  } else {
    FreeAnimForm();
  }
  if (sp->FormState() & FS_DISABLED) sp->UpdateLayerForm();
  if (Application) Application->OnRestore().Call(Application);
}

// ---- Starting --------------------------------------------------------------------------------

// The picture of a form with an outer border: the border window's own image, the frame repainted
// in the active look around the client as it is; the border window then shows the flight.
void TsSkinProvider::TakeBorderPicture(TkvMinTimer& mt) {
  TkvBorderForm& border = *BorderForm;
  const HWND h = FormWnd(this);
  border.UpdateExBordersPos(false, 255);
  const HWND bw = border.LayeredWindow();
  if (!bw || !FCommonData) return;
  SetBlurBehindWindow(bw, false, nullptr);
  if (TBitmap* cache = FCommonData->FCacheBmp.get()) CopyBmp(mt.SavedImage.get(), cache);
  FormActive = true;
  FCommonData->BGChanged = true;
  PaintAll();
  if (TBitmap* cache = FCommonData->FCacheBmp.get(); cache && !mt.SavedImage->Empty()) {
    const Integer cl = border.OffsetX(), ct = border.OffsetY();
    const TRect client(cl, ct, cl + GetClientWidth(h), ct + GetClientHeight(h));
    TPixelView dst = mt.SavedImage->View(), src = cache->View();
    for (Integer y = 0; y < std::min(dst.Height, src.Height); ++y)
      for (Integer x = 0; x < std::min(dst.Width, src.Width); ++x)
        if (!client.Contains(TPoint(x, y))) dst.Row(y)[x] = src.Row(y)[x];
  }
  border.ExBorderShowing = true;
  SetWindowPos(bw, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowRgn(bw, nullptr, FALSE);
}

bool TsSkinProvider::StartMinimizing() {
  DuRiruZireziv* manager = SkinManager();
  const HWND h = FormWnd(this);
  if (!manager || !h) return false;
  // Where layered windows are not composed, the flight would show on a black screen.
  if (IsWinVistaUp() && !AeroIsEnabled()) return false;
  bool running = false;
  if (MinimizeAllowed(manager)) {
    running = true;
    // The caption buttons' glows would stay behind on the screen while the picture flies.
    KillAnimations();
    if (!(FFormState & FS_ANIMMINIMIZING)) {
      SetFormState(FFormState | FS_ANIMMINIMIZING);
      fAnimating = true;
      auto* mt = dynamic_cast<TkvMinTimer*>(FormTimer.get());
      if (!mt) {
        FormTimer.reset();
        mt = TkvThreadedTimer::CreateOwned<TkvMinTimer>(this, true);
        mt->sp = this;
        FormTimer.reset(mt);
        mt->InitData();
      } else if (!(FFormState & FS_ANIMRESTORING)) {
        mt->InitData();
      }
      SetFormState(FFormState & ~FS_ANIMRESTORING);
      if (mt->Motion.CurrentAlpha >= mt->AlphaFrom() && BorderForm && BorderForm->LayeredWindow()) {
        TakeBorderPicture(*mt);
      } else if (mt->Motion.CurrentAlpha >= mt->AlphaFrom()) {
        // The picture: the frame in the active look, the client as it is.
        const bool wasActive = FormActive;
        mt->SavedImage = ::GetFormImage(this, false);
        if (!mt->SavedImage) mt->SavedImage = std::make_unique<TBitmap>(0, 0, pf32bit);
        if (!wasActive && FCommonData) {
          FormActive = true;
          FCommonData->BGChanged = true;
          PaintAll();
          if (TBitmap* cache = FCommonData->FCacheBmp.get(); cache && !mt->SavedImage->Empty()) {
            std::unique_ptr<TBitmap> frame = ::GetFormImage(this, false);
            const Integer cl = SysBorderWidth(h, nullptr, false);
            const Integer ct = SysBorderHeight(h, nullptr, false) + SysCaptHeight(this);
            const TRect client(cl, ct, cl + GetClientWidth(h), ct + GetClientHeight(h));
            TPixelView dst = mt->SavedImage->View(), src = frame->View();
            for (Integer y = 0; y < std::min(dst.Height, src.Height); ++y)
              for (Integer x = 0; x < std::min(dst.Width, src.Width); ++x)
                if (!client.Contains(TPoint(x, y))) dst.Row(y)[x] = src.Row(y)[x];
          }
        }
        if (!FUWPMode && !mt->SavedImage->Empty())
          FillAlphaRect(mt->SavedImage.get(), TRect(0, 0, mt->SavedImage->Width(), CaptionHeight(true)), 255, clNone);
      }
      if (LayerForm && LayerForm->HandleAllocated() && IsWindowVisible(LayerForm->Handle()))
        ShowWindow(LayerForm->Handle(), SW_HIDE);
      MakeLayeredTransparent(h);
      if (!AeroIsEnabled()) Sleep(48);
      if (mt->Motion.StepCount < 2)
        mt->TimeHandler();
      else
        mt->SetEnabled(true);
    }
  }
  // The taskbar's previews show the form as it was.
  const bool mainOffTaskbar = Application && Application->MainForm() == Form && !Application->MainFormOnTaskbar();
  manager->UpdatePreview(mainOffTaskbar ? Application->Handle() : h, true);
  return running;
}

bool TsSkinProvider::StartRestoring() {
  DuRiruZireziv* manager = SkinManager();
  auto* mt = dynamic_cast<TkvMinTimer*>(FormTimer.get());
  const HWND h = FormWnd(this);
  if (mt && h && MinimizeAllowed(manager) && !(FFormState & FS_ANIMRESTORING)) {
    SetFormState((FFormState & ~FS_ANIMMINIMIZING) | FS_ANIMRESTORING);
    fAnimating = true;
    manager->ShowState = saRestore;
    if (BorderForm && manager->Options.NativeBordersMaximized && MaxRestore) BorderForm.reset();
    FormActive = true;
    mt->InitDataRestore();
    if (TkvBorderForm* border = BorderForm.get()) {
      // The border window flies the picture back.
      border->ExBorderShowing = true;
      if (!border->LayeredWindow()) {
        border->CreateNewForm();
        if (const HWND bw = border->LayeredWindow()) SetFormBlendValue(bw, mt->AlphaBmp.get(), 0, nullptr);
      }
      mt->AnimForm = border->AForm.get();
      if (const HWND bw = border->LayeredWindow())
        SetWindowPos(bw, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      MakeLayeredTransparent(h);
      mt->SetEnabled(true);
    } else if (!IsWinVistaUp() || AeroIsEnabled()) {
      MakeLayeredTransparent(h);
      mt->SetEnabled(true);
    }
    mt->TimeHandler();
    const bool mainOffTaskbar = Application && Application->MainForm() == Form && !Application->MainFormOnTaskbar();
    manager->UpdatePreview(mainOffTaskbar ? Application->Handle() : h, false);
  }
  SkipAnimation = false;
  return true;
}
