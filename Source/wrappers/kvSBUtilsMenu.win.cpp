#include "wrappers/kvSBUtilsMenu.h"

#include <algorithm>

#include "base/Composition.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/kvPopupController.h"
#include "controls/sSkinMenus.h"
#include "paint/sGraphUtils.h"
#include "skin/ControlServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtilsPaintSteps.h"

std::vector<TkvMnuWnd*> MnuArray;
TkvMenuClassData kvMenuClassData;

namespace {

Integer gLiveMenuWrappers = 0;

// The popup's frame is this wide on every side, in the painter's picture and in the cache.
constexpr Integer kFrameWidth = 3;

void SaveClassStyle(HWND wnd) {
  if (kvMenuClassData.StyleSaved) return;
  kvMenuClassData.Style = GetClassLongPtrW(wnd, GCL_STYLE);
  kvMenuClassData.StyleSaved = true;
}

void SaveClassBrush(HWND wnd) {
  if (kvMenuClassData.BrushSaved) return;
  kvMenuClassData.Brush = GetClassLongPtrW(wnd, GCLP_HBRBACKGROUND);
  kvMenuClassData.BrushSaved = true;
}

// The engine's menu painter while it runs (its services registered); null otherwise, so that
// no painter is made here for a manager that may go before it.
TsSkinableMenus* RunningMenuPainter() { return TkvServiceSlot<TkvMenuServices>::Get() ? SkinableMenus() : nullptr; }

bool OtherMenuAlive(const TkvMnuWnd* self) {
  return std::any_of(MnuArray.begin(), MnuArray.end(),
                     [self](const TkvMnuWnd* w) { return w && w != self && !w->Destroyed; });
}

}  // namespace

TW_DEFINE_CLASS(TkvMnuWnd) {}

TkvMnuWnd::TkvMnuWnd() { ++gLiveMenuWrappers; }

TkvMnuWnd::~TkvMnuWnd() {
  DropShadow();
  --gLiveMenuWrappers;
}

Integer TkvMnuWnd::LiveCount() { return gLiveMenuWrappers; }

void TkvMnuWnd::Create(HWND aHandle, TsCommonData* aSkinData, DuRiruZireziv* aSkinManager, TkvSkinParams& skinParams,
                       bool repaint) {
  // A menu window keeps its visual style (the base leaves it on): menus that the painter does
  // not draw would lose their system look.
  TkvScrollWnd::Create(aHandle, aSkinData, aSkinManager, skinParams, repaint);
}

void TkvMnuWnd::AfterCreation() {
  // Under composition the system erases the menu with the class brush before the skin paints:
  // the skin's first brush, the class's own kept to be put back.
  if (AeroIsEnabled() && SkinManager && SkinManager->Brushes.Handles[0]) {
    SaveClassBrush(CtrlHandle);
    SetClassLongPtrW(CtrlHandle, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(SkinManager->Brushes.Handles[0]));
  }
  Shown = false;
  bFlag = false;
  TkvScrollWnd::AfterCreation();
}

void TkvMnuWnd::PrepareCache() {
  InitCtrlData(this);
  if (!SkinData || !SkinData->BGChanged) return;
  SkinData->InitCacheBmp();
  TBitmap* cache = wrapsteps::SizeCache(this);
  PaintItem(SkinData, EmptyCI, true, 0, TRect(0, 0, WndSize.cx, WndSize.cy),
            TPoint(WndRect.Left - ParentRect.Left, WndRect.Top - ParentRect.Top), cache, false, 0, 0, true);
  UpdateWndCorners(SkinData, 0, this);
  SkinData->BGChanged = false;
}

void TkvMnuWnd::CheckShadow() {
  if (!ShadowForm) return;
  if (ShadowForm->Locked || (IsWindow(CtrlHandle) && IsWindowVisible(CtrlHandle))) {
    ShadowForm->UpdateShadowPos();
    return;
  }
  if (ShadowForm->HandleAllocated() && IsWindowVisible(ShadowForm->Handle())) DropShadow();
}

void TkvMnuWnd::DropShadow() {
  if (!ShadowForm) return;
  TkvShadowForm* shadow = ShadowForm;
  ShadowForm = nullptr;
  shadow->HideWnd();
  delete shadow;
}

void TkvMnuWnd::DroppedDown() {
  TkvMenuSupport* options = SkinManager ? SkinManager->MenuSupport() : nullptr;
  const Byte alpha = options ? options->AlphaBlend() : 255;
  const LONG exStyle = GetWindowLongW(CtrlHandle, GWL_EXSTYLE);
  if (alpha == 255) {
    SetWindowLongW(CtrlHandle, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
  } else {
    SetWindowLongW(CtrlHandle, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(CtrlHandle, clNone, alpha, LWA_ALPHA);  // no colour key: the alpha alone
  }
  if (options && options->SkinnedShadows() && !ShadowForm) {
    // The skin draws the shadow: the system's goes while menus are skinned (the class style is
    // put back when the last menu closes).
    SaveClassStyle(CtrlHandle);
    const ULONG_PTR style = GetClassLongPtrW(CtrlHandle, GCL_STYLE);
    if (style & CS_DROPSHADOW) SetClassLongPtrW(CtrlHandle, GCL_STYLE, LONG_PTR(style & ~ULONG_PTR(CS_DROPSHADOW)));
    ShadowForm = AttachShadowWnd(CtrlHandle, SkinData, alpha, true, false);
    if (ShadowForm) ShadowForm->UpdateShadowPos();
  }
}

void TkvMnuWnd::FirstShow(const WINDOWPOS* pos) {
  if (bFlag || !pos) return;
  if (!(pos->flags & SWP_SHOWWINDOW) || (pos->flags & SWP_NOREDRAW) || IsWindowVisible(CtrlHandle)) return;
  // Invisible until the painter has drawn it and KV_DROPPEDDOWN gives it its opacity.
  bFlag = true;
  SetWindowLongW(CtrlHandle, GWL_EXSTYLE, GetWindowLongW(CtrlHandle, GWL_EXSTYLE) | WS_EX_LAYERED);
  SetLayeredWindowAttributes(CtrlHandle, 0, 0, LWA_ALPHA);
  bFlag = false;
}

void TkvMnuWnd::PaintFrame() {
  TsSkinableMenus* painter = RunningMenuPainter();
  TkvMenuInfo* info = painter ? painter->GetMenuInfo(nullptr, nullptr, CtrlHandle) : nullptr;
  if (!info) return;
  RECT wr{};
  GetWindowRect(CtrlHandle, &wr);
  const Integer w = wr.right - wr.left, h = wr.bottom - wr.top;
  TBitmap* source = nullptr;
  if (info->Bmp && info->Bmp->Width() == w - 2 * kFrameWidth && info->Bmp->Height() == h) {
    source = info->Bmp.get();
  } else {
    PrepareCache();
    source = SkinData ? SkinData->FCacheBmp.get() : nullptr;
  }
  if (!source || source->Empty()) return;
  {
    const TWindowDC dc(CtrlHandle);
    if (!dc) return;
    BitBltBorder(dc, 0, 0, w, h, source->Canvas()->Handle(), 0, 0, kFrameWidth, -1, -1, -1);
  }
  ++FramePaints;
}

void TkvMnuWnd::EraseBackground(TMessage& message) {
  PrepareCache();
  TBitmap* cache = SkinData ? SkinData->FCacheBmp.get() : nullptr;
  message.Result = 1;
  if (!cache || cache->Empty()) return;
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  const bool own = !dc;
  if (own) dc = GetDC(CtrlHandle);
  if (!dc) return;
  BitBlt(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas()->Handle(), kFrameWidth, kFrameWidth, SRCCOPY);
  if (own) ReleaseDC(CtrlHandle, dc);
}

void TkvMnuWnd::UpdateShadow(TLParam lParam) {
  if (!ShadowForm) return;
  ShadowForm->Locked = false;
  if (!lParam) return;
#pragma pack(push, 1)
  struct ShadowPlace {
    int32_t Left, Top, Width, Height;
    Byte Blend;
  };
#pragma pack(pop)
  const auto* place = reinterpret_cast<const ShadowPlace*>(lParam);
  if (place->Height >= 1) ShadowForm->SetNewPos(place->Left, place->Top, place->Width, place->Height, place->Blend);
}

void TkvMnuWnd::SkinCommand(TMessage& message) {
  message.Result = 0;
  switch (message.WParamHi) {
    case KV_CTRLHANDLED: message.Result = 1; return;
    case KV_DROPPEDDOWN: DroppedDown(); return;
    case KV_GETAPPLICATION: message.Result = reinterpret_cast<TLResult>(Application); return;
    case KV_UPDATESHADOW: UpdateShadow(message.LParam); return;
    case KV_UPDATING:
      // The painter asks before it copies its frame onto the window: answered 0, so the
      // painter draws the frame when it applies it; the wrapper draws it itself only at
      // WM_NCPAINT, from the same picture.
      ++PainterFrames;
      return;
    default: return;
  }
}

void TkvMnuWnd::Closing(TMessage& message) {
  message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
  TkvMainWnd* self = this;
  UninitializeKVWnd(CtrlHandle, false, false, self);
  Destroyed = true;
  if (TsSkinableMenus* painter = RunningMenuPainter()) painter->ClearCache();
  // A parent menu repaints its frame once its submenu has gone.
  for (TkvMnuWnd* w : MnuArray)
    if (w && w != this && !w->Destroyed && IsWindow(w->CtrlHandle))
      RedrawWindow(w->CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
  DropShadow();
  kvCanHookMenu = false;
  if (OtherMenuAlive(this)) return;
  RestoreMenuClassData(CtrlHandle);
  // The last menu: the array is cleared. This wrapper is inside its own message, so its
  // freeing waits until the message has returned; nothing of it is touched from here on.
  FreeMenuWrappers();
}

void TkvMnuWnd::kvWndProc(TMessage& message) {
  if (Destroyed) {
    // Given back its procedure already: no previous one to pass to, and the window's own
    // procedure must not bring the message back here.
    message.Result = DefWindowProcW(CtrlHandle, message.Msg, message.WParam, message.LParam);
    return;
  }
  switch (message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY: Closing(message); return;
    case SM_ALPHACMD: SkinCommand(message); return;
    default: break;
  }
  if (!kvCanHookMenu) {
    TkvScrollWnd::kvWndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
      TkvScrollWnd::kvWndProc(message);
      CheckShadow();
      return;
    case WM_WINDOWPOSCHANGING:
      TkvScrollWnd::kvWndProc(message);
      CheckShadow();
      FirstShow(reinterpret_cast<const WINDOWPOS*>(message.LParam));
      return;
    case WM_CLOSE: DropShadow(); return;
    case WM_SHOWWINDOW:
      if (!message.WParam) DropShadow();
      return;
    case WM_ERASEBKGND: EraseBackground(message); return;
    case WM_NCPAINT:
      if (!IsNT) {
        TkvScrollWnd::kvWndProc(message);
      } else {
        PaintFrame();
        if (AeroIsEnabled() && !Shown)
          RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      }
      Shown = true;
      return;
    default: TkvScrollWnd::kvWndProc(message); return;
  }
}

// ---- The array of open menus ------------------------------------------------------------------

TkvSkinParams MenuWrapperParams() {
  TkvSkinParams params;
  params.SkinSection = u"MAINMENU";
  params.UseSkinColor = params.UseSkinFontColor = true;
  params.VertScrollSize = params.HorzScrollSize = params.VertScrollBtnSize = params.HorzScrollBtnSize = -1;
  return params;
}

TkvMnuWnd* MakeMenuWrapper(HWND wnd) {
  if (!DefaultManager || !wnd) return nullptr;
  TkvSkinParams params = MenuWrapperParams();
  auto* w = TkvMainWnd::MakeWrapper<TkvMnuWnd>(wnd, nullptr, DefaultManager, params, false);
  w->CtrlHandle = wnd;
  MnuArray.push_back(w);
  return w;
}

void FreeMenuWrappers() {
  std::vector<TkvMnuWnd*> wrappers;
  wrappers.swap(MnuArray);
  for (TkvMnuWnd*& w : wrappers) {
    TkvMnuWnd* wrapper = w;
    w = nullptr;
    if (!wrapper) continue;
    if (!wrapper->Destroyed && IsWindow(wrapper->CtrlHandle)) RestoreMenuClassData(wrapper->CtrlHandle);
    wrapper->Free();
  }
}

void RestoreMenuClassData(HWND wnd) {
  if (!wnd || !IsWindow(wnd)) return;
  if (kvMenuClassData.StyleSaved) SetClassLongPtrW(wnd, GCL_STYLE, LONG_PTR(kvMenuClassData.Style));
  if (kvMenuClassData.BrushSaved) SetClassLongPtrW(wnd, GCLP_HBRBACKGROUND, LONG_PTR(kvMenuClassData.Brush));
  kvMenuClassData = TkvMenuClassData{};
}
