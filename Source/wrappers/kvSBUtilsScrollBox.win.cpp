#include "wrappers/kvSBUtilsScrollBox.h"

#include <optional>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sCommonDataCache.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "skin/sVclUtils.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "wrappers/kvSBUtilsPaintSteps.h"

using namespace wrapsteps;

TW_DEFINE_CLASS(TkvScrollBoxWnd) {}
TW_DEFINE_CLASS(TkvNativePaint) {}
TW_DEFINE_CLASS(TkvContainerWnd) {}
TW_DEFINE_CLASS(TkvSearchWnd) {}

namespace {

// The generic painting of the section over the parent into the whole cache, its key-coloured
// corners showing the parent.
void PaintGeneric(TkvMainWnd* w) {
  InitCtrlData(w);
  PrepareCache(w->SkinData, w->CtrlHandle, false);
  UpdateWndCorners(w->SkinData, 0, w);
  w->SkinData->BGChanged = false;
}

}  // namespace

// ---- Scrolling containers ----------------------------------------------------------------------

void TkvScrollBoxWnd::AfterCreation() {
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"PANEL_LOW");
  Kv_RedrawNonClient(CtrlHandle, true);
  TkvScrollWnd::AfterCreation();
}

void TkvScrollBoxWnd::PrepareCache() {
  SkinData->InitCacheBmp();
  InitCtrlData(this);
  SizeCache(this);
  const TCacheInfo ci = OwnerControl() ? GetParentCache(SkinData) : GetParentCacheHwnd(CtrlHandle);
  PaintItem(SkinData, ci, false, 0, TRect(0, 0, WndSize.cx, WndSize.cy), WndPos, SkinData->FCacheBmp.get(), false);
  SkinData->BGChanged = false;
}

void TkvScrollBoxWnd::KV_WMPaint(HDC given) {
  TControl* c = OwnerControl();
  if ((c && c->ComponentState().Contains(csDestroying)) ||
      (c && c->Parent() && c->Parent()->ControlState().Contains(csCreating)) || SkinData->InUpdating())
    return;
  InitCtrlData(this);
  TWindowPaintDC dc(CtrlHandle, given);
  const bool rebuild = SkinData->HalfVisible || SkinData->BGChanged;
  RECT clip{};
  GetClipBox(dc, &clip);
  SkinData->HalfVisible =
      SkinData->RepaintIfMoved() && (clip.right - clip.left != WndSize.cx || clip.bottom - clip.top != WndSize.cy);
  if (rebuild) PrepareCache();
  const TRect src(2, 2, WndSize.cx - 2, WndSize.cy - 2), dst(0, 0, WndSize.cx - 4, WndSize.cy - 4);
  if (auto* wc = dynamic_cast<TWinControl*>(c)) {
    CopyWinControlCache(wc, SkinData, src, dst, dc, true);
    PaintControls(dc, wc, rebuild && SkinData->RepaintIfMoved(), TPoint(0, 0), true);
    SetParentUpdated(wc);
  } else {
    CopyHwndCache(CtrlHandle, SkinData, src, dst, dc, true);
  }
}

void TkvScrollBoxWnd::KV_WMNCPaint(HDC given) {
  InitCtrlData(this);
  TWindowPaintDC dc(CtrlHandle, given);
  PrepareCache();
  kv_NCDraw(this, CtrlHandle, -1, dc);
  const Integer b = BorderWidthOf(CtrlHandle);
  if (b > 0)
    BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, b, -1, -1, -1);
}

void TkvScrollBoxWnd::HandleAfterScroll(TMessage& message) {
  if (LOWORD(message.LParam) != SB_THUMBTRACK) {
    RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    UpdateScrolls(this, false);
    // A held arrow or page keeps its capture for the repeats; the capture goes only when no
    // press of the skinned bars is under way.
    const bool pressed = kvScrollState.hwndCurSB == CtrlHandle && kvScrollState.uCurrentScrollbar != -1;
    if (!pressed && GetCapture() == CtrlHandle) ReleaseCapture();
  }
  TkvScrollWnd::kvWndProc(message);
}

void TkvScrollBoxWnd::kvWndProc(TMessage& message) {
  TControl* ctrl = OwnerControl();
  if (message.Msg == SM_ALPHACMD && SkinData) {
    DuRiruZireziv* own = SkinData->GetSkinManager();
    switch (message.WParamHi) {
      case KV_SETNEWSKIN:
        TkvScrollWnd::kvWndProc(message);
        CommonMessage(message, SkinData);
        AlphaBroadCastCheck(ctrl, CtrlHandle, message);
        return;
      case KV_REMOVESKIN:
        if (reinterpret_cast<DuRiruZireziv*>(message.LParam) != own) break;
        SkinData->SkinIndex = -1;
        if (ctrl) {
          TControlStyle s = ctrl->ControlStyle();
          s -= csOpaque;
          ctrl->SetControlStyle(s);
        }
        CommonMessage(message, SkinData);
        SetWindowPos(CtrlHandle, nullptr, 0, 0, 0, 0, 0x737);
        return;
      case KV_REFRESH:
        if (!RefreshNeeded(SkinData, message)) break;
        TkvScrollWnd::kvWndProc(message);
        CommonMessage(message, SkinData);
        AlphaBroadCastCheck(ctrl, CtrlHandle, message);
        SetWindowPos(CtrlHandle, nullptr, 0, 0, 0, 0, 0x737);
        return;
      case KV_CTRLHANDLED: message.Result = 1; return;
      case KV_PREPARECACHE: PrepareCache(); return;
      case KV_AFTERSCROLL: HandleAfterScroll(message); return;
      case KV_GETAPPLICATION: message.Result = reinterpret_cast<TLResult>(Application); return;
      default: break;
    }
    TkvScrollWnd::kvWndProc(message);
    return;
  }
  auto* wc = dynamic_cast<TWinControl*>(ctrl);
  if (wc && wc->ControlStyle().Contains(csAcceptsControls) && SkinData && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_SETTEXT:
        if (!IsWindowVisible(CtrlHandle)) break;
        ProcessMessage(WM_SETREDRAW, 0, 0);
        TkvScrollWnd::kvWndProc(message);
        ProcessMessage(WM_SETREDRAW, 1, 0);
        SkinData->BGChanged = true;
        SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        return;
      case WM_PAINT: {
        if (!SkinData->InUpdating()) InvalidateRect(CtrlHandle, nullptr, TRUE);
        TPaintDC paint(CtrlHandle);
        return;
      }
      case WM_ERASEBKGND:
        KV_WMPaint(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return;
      case WM_SIZE:
      case CM_TEXTCHANGED: SkinData->BGChanged = true; break;
      case WM_WINDOWPOSCHANGING:
      case WM_WINDOWPOSCHANGED:
        if (Kv_NormalLookSeeThrough(SkinData)) SkinData->BGChanged = true;
        break;
      case CM_SHOWINGCHANGED: Kv_ContainerShown(this, wc, message); break;
      case WM_NCPAINT:
        if (!IsWindowVisible(CtrlHandle) || bPreventStyleChange) break;
        if (SkinData->InUpdating()) return;
        UpdateScrolls(this, false);
        if (InAnimationProcess) return;
        InitCtrlData(this);
        {
          TWindowDC dc(CtrlHandle);
          RECT clip{};
          if (dc == SkinData->PrintDC || GetClipBox(dc, &clip) != NULLREGION) {
            if (SkinData->BGChanged) {
              if (!ParamsChanged) SetSkinParams();
              PrepareCache();
            }
            TSaveDC saved(dc);
            message.Result = kv_NCDraw(this, CtrlHandle, -1, dc);
            BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, 2, -1, -1,
                         -1);
          }
        }
        return;
      case WM_UPDATEUISTATE: message.Result = 1; return;
      case WM_PARENTNOTIFY:
        if (LOWORD(message.WParam) == WM_CREATE || LOWORD(message.WParam) == WM_DESTROY) {
          TkvScrollWnd::kvWndProc(message);
          if (LOWORD(message.WParam) == WM_CREATE) AddToAdapter(wc);
          if (!DontRepaint) UpdateScrolls(this, true);
          return;
        }
        break;
      case WM_PRINT:
        KV_WMPaint(reinterpret_cast<HDC>(message.WParam));
        KV_WMNCPaint(reinterpret_cast<HDC>(message.WParam));
        return;
      default: break;
    }
    TkvScrollWnd::kvWndProc(message);
    if (message.Msg == WM_WINDOWPOSCHANGING && !Destroyed) SendMessageW(CtrlHandle, WM_NCPAINT, 1, 0);
    return;
  }
  TkvScrollWnd::kvWndProc(message);
}

// ---- Self-painting controls --------------------------------------------------------------------

void TkvNativePaint::AfterCreation() {
  SkinData->SetSkinSection(u"TRANSPARENT");
  TkvScrollBoxWnd::AfterCreation();
}

void TkvNativePaint::kvWndProc(TMessage& message) {
  if (message.Msg == WM_PAINT || message.Msg == WM_ERASEBKGND) {
    message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
    return;
  }
  if (message.Msg == SM_ALPHACMD && message.WParamHi == KV_PREPARECACHE) {
    message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
    if (SkinData->BGChanged) {
      InitCtrlData(this);
      TkvScrollBoxWnd::PrepareCache();
    }
    return;
  }
  TkvScrollBoxWnd::kvWndProc(message);
}

// ---- Shell containers --------------------------------------------------------------------------

void TkvContainerWnd::AfterCreation() {
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"TRANSPARENT");
  TkvMainWnd::AfterCreation();
}

bool TkvContainerWnd::DoPrepareCache() {
  InitCtrlData(this);
  if (!SkinData->BGChanged) return false;
  RECT c{};
  GetClientRect(CtrlHandle, &c);
  ClientRect = TRect(c.left, c.top, c.right, c.bottom);
  PaintGeneric(this);
  BorderWidth = (WndSize.cy - c.bottom) / 2;
  SkinData->BGChanged = false;
  return false;
}

void TkvContainerWnd::KV_WMPrint(TMessage& message) {
  if (!IsWindowVisible(CtrlHandle)) return;
  SkinData->BGChanged = true;
  DoPrepareCache();
  TClientPaintDC dc(CtrlHandle, reinterpret_cast<HDC>(message.WParam));
  TBitmap* cache = SkinData->FCacheBmp.get();
  const Integer bw = BorderWidth, w = cache->Width(), h = cache->Height();
  const TRect inner(bw, bw, w - bw, h - bw);
  FillAlphaRect(cache, inner, 255, clNone);
  CopyBmp(dc, 0, 0, inner.Width(), inner.Height(), cache, bw, bw);
}

void TkvContainerWnd::KV_WMPaint(TMessage& message) {
  TPaintDC paint(CtrlHandle);
  if (!SkinData->InUpdating()) {
    TMessage m = message;
    m.WParam = reinterpret_cast<TWParam>(paint.get());
    KV_WMPrint(m);
  }
}

void TkvContainerWnd::KV_WMNCPaint(TMessage&) {
  if (!(GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) || SkinData->InUpdating()) return;
  DoPrepareCache();
  TWindowPaintDC dc(CtrlHandle, nullptr);
  RECT c{};
  GetClientRect(CtrlHandle, &c);
  const Integer b = (WndSize.cx - c.right) / 2;
  BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, b, -1, -1, -1);
}

void TkvContainerWnd::kvWndProc(TMessage& message) {
  if (SkinData && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_SIZE:
        SkinData->BGChanged = true;
        TkvMainWnd::kvWndProc(message);
        SkinData->BGChanged = true;
        return;
      case WM_WINDOWPOSCHANGED:
        SkinData->BGChanged = true;
        TkvMainWnd::kvWndProc(message);
        if (!Destroyed) SendMessageW(CtrlHandle, WM_NCPAINT, 1, 0);
        return;
      case WM_PAINT:
        if (!IsWindowVisible(CtrlHandle)) break;
        KV_WMPaint(message);
        return;
      case WM_ERASEBKGND: message.Result = 1; return;
      case WM_NCPAINT:
        if (!IsWindowVisible(CtrlHandle)) break;
        KV_WMNCPaint(message);
        return;
      case WM_PRINT: KV_WMPrint(message); return;
      default: break;
    }
  }
  TkvMainWnd::kvWndProc(message);
  if (message.Msg == WM_MOUSEMOVE && !Destroyed && DefaultManager && IsWindowEnabled(CtrlHandle))
    DefaultManager->SetActiveControl(CtrlHandle);
}

// ---- Search field of shell dialogs -------------------------------------------------------------

void TkvSearchWnd::AfterCreation() {
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"TRANSPARENT");
  TkvMainWnd::AfterCreation();
}

void TkvSearchWnd::PrepareCache() {
  InitCtrlData(this);
  if (!SkinData->BGChanged) return;
  RECT c{};
  GetClientRect(CtrlHandle, &c);
  ClientRect = TRect(c.left, c.top, c.right, c.bottom);
  PaintGeneric(this);
}

void TkvSearchWnd::KV_WMNCPaint(TMessage&) {
  if (SkinData->InUpdating()) return;
  PrepareCache();
  TWindowPaintDC dc(CtrlHandle, nullptr);
  BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, 3, -1, -1, -1);
}

void TkvSearchWnd::kvWndProc(TMessage& message) {
  if (SkinData && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_PAINT:
        TkvMainWnd::kvWndProc(message);
        if (!Destroyed) KV_WMNCPaint(message);
        return;
      case WM_ERASEBKGND: message.Result = 1; return;
      case WM_NCPAINT: KV_WMNCPaint(message); return;
      default: break;
    }
  }
  TkvMainWnd::kvWndProc(message);
  if (Destroyed) return;
  if (message.Msg == WM_SIZE) {
    SkinData->BGChanged = true;
    RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  } else if (message.Msg == WM_MOUSEMOVE && DefaultManager && IsWindowEnabled(CtrlHandle)) {
    DefaultManager->SetActiveControl(CtrlHandle);
  }
}
