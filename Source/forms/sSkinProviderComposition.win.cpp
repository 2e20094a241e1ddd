// The desktop window manager as the form provider uses it: its functions bound by name, the
// transitions attribute of skinned windows, blur behind layered windows, the taskbar pictures
// of skinned forms, the glass area, and the provider's system blur (the accent of Windows 10).
//
// Sections
//   1. Bound entry points and the plain wrappers
//   2. Taskbar thumbnail and live preview
//   3. The provider's system blur
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/Resampling.h"
#include "skin/sVclUtils.h"
#include "ui/ScopeGuard.h"
#include "ui/WinHandles.h"

TkvDwmEntries kvDwm;

namespace {

template <class F>
void Bind(F& entry, HMODULE lib, const char* name) {
  if (!entry && lib) entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name)));
}

// Loads the library when needed and binds one of its functions; false when it is missing.
template <class F>
bool BindLoaded(F& entry, const char* name) {
  if (entry) return true;
  InitDwmApi();
  Bind(entry, DwmApiModule(), name);
  return entry != nullptr;
}

constexpr DWORD kTransitionsForceDisabled = 3;  // DWMWA_TRANSITIONS_FORCEDISABLED
constexpr DWORD kDisplayFrame = 1;              // DWM_SIT_DISPLAYFRAME

}  // namespace

// ---- 1. Bound entry points and the plain wrappers -----------------------------------------------

void BindCompositionFunctions() {
  // user32 stays loaded for the whole run; the reference taken here is given back.
  const TOwnedModule user(LoadLibraryW(L"user32.dll"));
  Bind(kvDwm.SetWindowCompositionAttribute, user.get(), "SetWindowCompositionAttribute");
}

void UnbindCompositionFunctions() { kvDwm = TkvDwmEntries(); }

HRESULT kvDwmSetWindowAttribute(HWND wnd, DWORD attribute, LPCVOID value, DWORD size) {
  if (!IsWinVistaUp()) return E_NOTIMPL;
  if (!kvDwm.DwmSetWindowAttribute) {
    InitDwmApi();
    Bind(kvDwm.DwmSetWindowAttribute, DwmApiModule(), "DwmSetWindowAttribute");
    Bind(kvDwm.DwmEnableBlurBehindWindow, DwmApiModule(), "DwmEnableBlurBehindWindow");
  }
  return kvDwm.DwmSetWindowAttribute ? kvDwm.DwmSetWindowAttribute(wnd, attribute, value, size) : E_NOTIMPL;
}

// These two bind only into a library something else loaded already.
void kvDwmInvalidateIconicBitmaps(HWND wnd) {
  if (!IsWinVistaUp()) return;
  Bind(kvDwm.DwmInvalidateIconicBitmaps, DwmApiModule(), "DwmInvalidateIconicBitmaps");
  if (kvDwm.DwmInvalidateIconicBitmaps) kvDwm.DwmInvalidateIconicBitmaps(wnd);
}

void kvDwmExtendFrameIntoClientArea(HWND wnd, const TkvMargins& margins) {
  if (!IsWinVistaUp()) return;
  Bind(kvDwm.DwmExtendFrameIntoClientArea, DwmApiModule(), "DwmExtendFrameIntoClientArea");
  if (kvDwm.DwmExtendFrameIntoClientArea) kvDwm.DwmExtendFrameIntoClientArea(wnd, &margins);
}

void InitDwm(HWND handle, bool skinned, bool /*repaint*/) {
  // Without composition the attribute has no meaning: nothing is set.
  if (!handle || !AeroIsEnabled()) return;
  const BOOL value = skinned ? TRUE : FALSE;
  kvDwmSetWindowAttribute(handle, kTransitionsForceDisabled, &value, sizeof value);
}

void SetBlurBehindWindow(HWND handle, bool enabled, HRGN rgn) {
  if (DwmApiModule() && AeroIsEnabled() && !IsWin10Up() && kvDwm.DwmEnableBlurBehindWindow) {
    TkvDwmBlurBehind bb{};
    bb.dwFlags = kvDWM_BB_ENABLE | (rgn ? kvDWM_BB_BLURREGION : 0);
    bb.fEnable = enabled ? TRUE : FALSE;
    bb.hRgnBlur = rgn;
    bb.fTransitionOnMaximized = FALSE;
    kvDwm.DwmEnableBlurBehindWindow(handle, &bb);
  }
  if (rgn) DeleteObject(rgn);
}

bool IsFluentOS() { return IsWin10Up() && kvDwm.SetWindowCompositionAttribute != nullptr; }

// ---- 2. Taskbar thumbnail and live preview -----------------------------------------------------

namespace {

// The picture the taskbar gets: that of the minimize flight while the form is minimized (the
// window picture then holds the minimized caption), else the form's window picture.
TBitmap* ThumbSource(TsSkinProvider* sp, bool* saved = nullptr) {
  if (saved) *saved = false;
  if (!sp) return nullptr;
  const HWND h = sp->Form && sp->Form->HandleAllocated() ? sp->Form->WindowHandle() : nullptr;
  if (auto* mt = dynamic_cast<TkvMinTimer*>(sp->FormTimer.get()); mt && h && IsIconic(h)) {
    TBitmap* image = mt->SavedImage.get();
    if (saved) *saved = true;
    return image && image->Width() > 0 && image->Height() > 0 ? image : nullptr;
  }
  TBitmap* cache = sp->FCommonData ? sp->FCommonData->FCacheBmp.get() : nullptr;
  return cache && cache->Width() > 0 && cache->Height() > 0 ? cache : nullptr;
}

void RefreshBorderAfterSnapshot(TsSkinProvider* sp) {
  if (sp->BorderForm) sp->BorderForm->UpdateExBordersPos(false, 255);
}

}  // namespace

bool SetThumbIcon(HWND wnd, TsSkinProvider* sp, Integer width, Integer height) {
  if (!IsWinVistaUp() || width <= 0 || height <= 0) return false;
  if (!BindLoaded(kvDwm.DwmSetIconicThumbnail, "DwmSetIconicThumbnail")) return false;
  bool saved = false;
  TBitmap* source = ThumbSource(sp, &saved);
  if (!source) return false;
  const TSize size = FitThumbnail(TSize(source->Width(), source->Height()), TSize(width, height));
  if (size.cx <= 0 || size.cy <= 0) return false;
  sp->FFormState |= FS_THUMBDRAWING;
  const TScopeExit drawn([sp] { sp->FFormState &= ~FS_THUMBDRAWING; });
  std::unique_ptr<TBitmap> thumb(CreateBmp32(size.cx, size.cy));
  Stretch(source, thumb.get(), size.cx, size.cy, ftTriangle);
  if (FAILED(kvDwm.DwmSetIconicThumbnail(wnd, thumb->Handle(), 0))) return false;
  if (saved) return true;  // the flight's picture has the whole form already
  // The window picture lacks the client's controls: the whole form as it looks now follows.
  if (std::unique_ptr<TBitmap> image = sp->GetFormImage()) {
    Stretch(image.get(), thumb.get(), size.cx, size.cy, ftTriangle);
    kvDwm.DwmSetIconicThumbnail(wnd, thumb->Handle(), 0);
    RefreshBorderAfterSnapshot(sp);
  }
  return true;
}

bool SetPreviewBmp(HWND wnd, TsSkinProvider* sp) {
  if (!IsWinVistaUp()) return false;
  if (!BindLoaded(kvDwm.DwmSetIconicLivePreviewBitmap, "DwmSetIconicLivePreviewBitmap")) return false;
  bool saved = false;
  TBitmap* source = ThumbSource(sp, &saved);
  if (!source) return false;
  sp->FFormState |= FS_THUMBDRAWING;
  const TScopeExit drawn([sp] { sp->FFormState &= ~FS_THUMBDRAWING; });
  POINT origin{0, 0};
  if (saved) return SUCCEEDED(kvDwm.DwmSetIconicLivePreviewBitmap(wnd, source->Handle(), &origin, kDisplayFrame));
  std::unique_ptr<TBitmap> image = sp->GetFormImage();
  if (!image) return false;
  const bool ok = SUCCEEDED(kvDwm.DwmSetIconicLivePreviewBitmap(wnd, image->Handle(), &origin, kDisplayFrame));
  image.reset();
  RefreshBorderAfterSnapshot(sp);
  return ok;
}

bool TsSkinProvider::SetThumbIcon(HWND wnd, Integer width, Integer height) {
  return ::SetThumbIcon(wnd, this, width, height);
}

bool TsSkinProvider::SetPreviewBmp(HWND wnd) { return ::SetPreviewBmp(wnd, this); }

// ---- 3. The provider's system blur -------------------------------------------------------------

TW_DEFINE_CLASS(TkvSystemBlur) {}

namespace {

// Every control of the form, at any depth, learns the glass mode.
void SendGlassMode(TWinControl* parent, LPARAM mode) {
  for (Integer i = 0; i < parent->ControlCount(); ++i) {
    TControl* c = parent->Controls(i);
    SendAMessage(c, KV_SETGLASSMODE, mode);
    if (auto* w = dynamic_cast<TWinControl*>(c)) SendGlassMode(w, mode);
  }
}

bool ProviderBusy(TsSkinProvider* sp) {
  return !sp || !sp->Form || (sp->FFormState & FS_RECREATING) || sp->IsLoading() || sp->IsDestroying() ||
         sp->IsDesigning();
}

// The form's border style changes with FS_RECREATING set around it (the window is made again).
void ChangeBorderStyle(TsSkinProvider* sp, TFormBorderStyle style) {
  sp->FFormState |= FS_RECREATING;
  const TScopeExit done([sp] { sp->FFormState &= ~FS_RECREATING; });
  sp->Form->SetBorderStyle(style);
}

}  // namespace

void TkvSystemBlur::SetActive(bool value) {
  if (value == FActive) return;
  FActive = value;
  UpdateBlurMode(false);
}

void TkvSystemBlur::SetMode(TkvBlurMode value) {
  if (value == FMode) return;
  FMode = value;
  if (FOwner && FOwner->Form && !FOwner->IsLoading() && !FOwner->IsDestroying() && !FOwner->IsDesigning() &&
      FOwner->Form->HandleAllocated())
    FOwner->Form->RecreateWnd();
  UpdateBlurMode(true);
}

void TkvSystemBlur::UpdateGlassArea() {
  TsSkinProvider* sp = FOwner;
  if (!AeroIsEnabled() || !sp->Form->HandleAllocated()) return;
  TkvMargins m{};
  if (FActive && !sp->FluentHandles.empty()) {
    std::vector<TkvGlassControl> controls;
    for (HWND h : sp->FluentHandles) {
      TWinControl* c = TsSkinProvider::FindControlOfWindow(h);
      if (!c) continue;
      controls.push_back(
          {Integer(c->Align()), TRect(c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height())});
    }
    const TRect g = GlassMargins(controls, sp->Form->Height(), sp->Form->ClientWidth());
    m = TkvMargins{g.Left, g.Right, g.Top, g.Bottom};
  }
  const HWND wnd = sp->Form->WindowHandle();
  kvDwmExtendFrameIntoClientArea(wnd, m);
  SetBlurBehindWindow(wnd, FActive && sp->FCommonData->Skinned(), nullptr);
}

void TkvSystemBlur::UpdateBlurMode(bool force) {
  TsSkinProvider* sp = FOwner;
  if (ProviderBusy(sp) || !sp->FCommonData) return;
  TsCommonData& data = *sp->FCommonData;
  const bool wanted = FActive && data.Skinned();
  const LPARAM glassMode = LPARAM((wanted ? 1 : 0) << 16 | 1);
  if (IsFluentOS()) {
    if (wanted ? (data.TranspMode == 2 && !force) : data.TranspMode == 0) return;
    std::unique_ptr<TkvGlowForm> cover;
    const HWND wnd = sp->Form->HandleAllocated() ? sp->Form->WindowHandle() : nullptr;
    if (wnd && IsWindowVisible(wnd)) {
      RECT r{};
      GetWindowRect(wnd, &r);
      cover.reset(MakeCoverForm(wnd, TRect(r.left, r.top, r.right, r.bottom)));
    }
    TkvAccentPolicy accent{};
    if (wanted) {
      if (data.TranspMode == 0) {
        if (sp->Form->BorderStyle() != bsNone) sp->FluentBorderStyle = sp->Form->BorderStyle();
        sp->FluentUWPMode = sp->FUWPMode;
        sp->FUWPMode = true;
        ChangeBorderStyle(sp, bsNone);
      }
      accent.AccentState = FMode == bmAcrylicBlurBehind ? KV_ACCENT_ACRYLIC : KV_ACCENT_BLURBEHIND;
      accent.GradientColor = 1;
      data.TranspMode = 2;
    } else {
      if (!sp->FluentUWPMode) {
        ChangeBorderStyle(sp, sp->FluentBorderStyle);
        sp->FluentBorderStyle = bsNone;
      }
      sp->FUWPMode = sp->FluentUWPMode;
      sp->FluentUWPMode = false;
      accent.AccentState = KV_ACCENT_DISABLED;
      data.TranspMode = 0;
    }
    SendGlassMode(sp->Form, glassMode);
    TkvWinCompAttrData attr{DWORD(KV_WCA_ACCENT_POLICY), &accent, sizeof accent};
    const HWND now = sp->Form->Handle();
    kvDwm.SetWindowCompositionAttribute(now, &attr);
    data.BGChanged = true;
    RedrawWindow(now, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  } else {
    UpdateGlassArea();
    if (wanted ? (data.TranspMode == 2 && !force) : data.TranspMode == 0) return;
    data.TranspMode = wanted ? 2 : 0;
    SendGlassMode(sp->Form, glassMode);
  }
  sp->FFormState &= ~FS_GLASSNEEDED;
  data.Invalidate();
}
