// The MDI client wrapper's window procedure and painting.
#include "wrappers/kvSBUtilsMDI.h"

#include "base/sConst.h"
#include "base/sMessages.h"
#include "paint/sGraphUtils.h"
#include "skin/FormServices.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"

TW_DEFINE_CLASS(TkvMDIWnd) {}

TkvMDIWnd::~TkvMDIWnd() {
  // The provider and its skin data are not the wrapper's.
  MDISkinData = nullptr;
  SkinProvider = nullptr;
}

bool TkvMDIWnd::ChildMaximized() {
  BOOL maximized = FALSE;
  const auto active =
      reinterpret_cast<HWND>(SendMessageW(CtrlHandle, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
  return active && maximized;
}

bool TkvMDIWnd::WallPainted() {
  return SkinProvider && MDISkinData && MDISkinData->Skinned() && DrawSkinnedMDIWall && DrawSkinnedMDIScrolls;
}

TRect TkvMDIWnd::SrcRect() {
  RECT client{}, form{};
  GetWindowRect(CtrlHandle, &client);
  GetWindowRect(SkinProvider->FormWindow(), &form);
  TRect r(client.left - form.left, client.top - form.top, client.right - form.left, client.bottom - form.top);
  if (SkinProvider->HasOuterBorder()) {
    const TPoint o = SkinProvider->PictureOffset();
    r = TRect(r.Left + o.X, r.Top + o.Y, r.Right + o.X, r.Bottom + o.Y);
  }
  return r;
}

TRect TkvMDIWnd::DstRect() {
  RECT client{};
  GetWindowRect(CtrlHandle, &client);
  return TRect(0, 0, client.right - client.left, client.bottom - client.top);
}

void TkvMDIWnd::PaintClient(HDC dc, bool noOffset) {
  if (SkinProvider->Animating()) return;
  if (!MDISkinData->FCacheBmp || MDISkinData->BGChanged) SkinProvider->RepaintPicture();
  TBitmap* cache = MDISkinData->FCacheBmp.get();
  if (!cache) return;
  const TRect src = SrcRect(), dst = DstRect();
  const Integer offset = !noOffset && (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? 2 : 0;
  BitBlt(dc, dst.Left, dst.Top, dst.Width(), dst.Height(), cache->Canvas()->Handle(), src.Left + offset,
         src.Top + offset, SRCCOPY);
}

void TkvMDIWnd::PaintBorders(HDC dc) {
  TBitmap* cache = MDISkinData->FCacheBmp.get();
  if (!cache) return;
  const TRect src = SrcRect(), dst = DstRect();
  BitBltBorder(dc, 0, 0, dst.Width(), dst.Height(), cache->Canvas()->Handle(), src.Left, src.Top, 2, 2, 2, 2);
}

void TkvMDIWnd::kvWndProc(TMessage& m) {
  if (m.Msg == SM_ALPHACMD) {
    const HWND form = SkinProvider ? SkinProvider->FormWindow()
                                   : (FForm && FForm->HandleAllocated() ? FForm->WindowHandle() : nullptr);
    switch (m.WParamHi) {
      case KV_GETCACHE:
        if (form) m.Result = SendAMessage(form, KV_GETCACHE, 0);
        return;
      case KV_GETBG:
        if (form) m.Result = SendMessageW(form, SM_ALPHACMD, m.WParam, m.LParam);
        return;
      case KV_BEFORESCROLL:
        // The client scrolls itself on the thumb's release: the position comes in LParam.
        m.Result = m.LParamLo == SB_THUMBPOSITION || m.LParamLo == SB_THUMBTRACK ? 1 : 0;
        return;
      case KV_AFTERSCROLL: UpdateScrolls(this, true); return;
      default: break;
    }
  }
  if (MDISkinData && SkinProvider && !Destroyed) {
    switch (m.Msg) {
      case WM_PAINT:
        if (InAnimationProcess) return;
        break;
      case WM_ERASEBKGND:
        if (m.WParam && WallPainted()) {
          m.Result = 1;
          if (InAnimationProcess) return;
          if (ChildMaximized()) {
            UpdateGraphControls();
            return;
          }
          const HDC dc = reinterpret_cast<HDC>(m.WParam);
          const Integer saved = SaveDC(dc);
          PaintClient(dc, false);
          RestoreDC(dc, saved);
          return;
        }
        break;
      case WM_WINDOWPOSCHANGING: SkinProvider->BackgroundChanged(false); break;
      case WM_WINDOWPOSCHANGED:
        RedrawWindow(SkinProvider->FormWindow(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        break;
      case WM_STYLECHANGED: m.Result = CallPrevWndProc(CtrlHandle, m.Msg, m.WParam, m.LParam); return;
      case WM_NCPAINT:
        if (WallPainted()) {
          if (!ChildMaximized() && !InAnimationProcess) {
            const TWindowDC dc(CtrlHandle);
            if (dc) {
              PaintBorders(dc);
              kv_NCDraw(this, CtrlHandle, -1, dc);
            }
          }
          m.Result = 1;
          return;
        }
        break;
      case WM_HSCROLL:
      case WM_VSCROLL: {
        const Integer code = m.WParamLo;
        if (code == SB_THUMBTRACK) return;  // the client moves when the thumb is released
        if (code != SB_THUMBPOSITION) break;
        const int bar = m.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT;
        SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(CtrlHandle, bar, &si);
        // The wanted position: the skinned bar passes it whole in LParam; the system's window
        // bars leave LParam 0 and give it in the high word.
        const Integer requested = m.LParam != 0 ? Integer(m.LParam) : Integer(m.WParamHi);
        const TkvThumbScroll move = MDIThumbScroll({si.nMin, si.nMax, Integer(si.nPage), si.nPos}, requested);
        if (move.Delta != 0) {
          ScrollWindow(CtrlHandle, bar == SB_HORZ ? -move.Delta : 0, bar == SB_VERT ? -move.Delta : 0, nullptr,
                       nullptr);
          SCROLLINFO pos{sizeof pos, SIF_POS, 0, 0, 0, move.NewPos, 0};
          SetScrollInfo(CtrlHandle, bar, &pos, FALSE);
        }
        return;
      }
      case WM_MDICREATE: {
        m.Result = CallPrevWndProc(CtrlHandle, m.Msg, m.WParam, m.LParam);
        if (m.Result) AddSupportedForm(reinterpret_cast<HWND>(m.Result));
        return;
      }
      case WM_MDITILE:
      case WM_MDICASCADE: {
        m.Result = CallPrevWndProc(CtrlHandle, m.Msg, m.WParam, m.LParam);
        SkinProvider->BackgroundChanged(false);
        if (FForm && FForm->FormStyle() == fsMDIForm)
          if (TCustomForm* active = FForm->ActiveMDIChild(); active && active->HandleAllocated()) {
            const HWND child = active->WindowHandle();
            SetWindowLongW(child, GWL_STYLE, GetWindowLongW(child, GWL_STYLE) & ~WS_SYSMENU);
          }
        SkinProvider->UpdateMDIIconItem();
        InvalidateRect(CtrlHandle, nullptr, TRUE);
        RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_INVALIDATE);
        SkinProvider->UpdateSystemMenu();
        return;
      }
      case WM_MDISETMENU:
        m.Result = CallPrevWndProc(CtrlHandle, m.Msg, m.WParam, m.LParam);
        SkinProvider->BackgroundChanged(true);
        return;
      case WM_PRINT:
        if (m.WParam && WallPainted()) {
          m.Result = 0;
          if (SkinProvider->HasOuterBorder() || ChildMaximized()) return;
          const HDC dc = reinterpret_cast<HDC>(m.WParam);
          const Integer saved = SaveDC(dc);
          PaintClient(dc, true);
          kv_NCDraw(this, CtrlHandle, -1, dc);
          RestoreDC(dc, saved);
          return;
        }
        break;
      default: break;
    }
  }
  TkvBaseWnd::kvWndProc(m);
  if (Destroyed) return;
  if (m.Msg == 0x3F || m.Msg == WM_PARENTNOTIFY) {
    const LONG style = GetWindowLongW(CtrlHandle, GWL_STYLE);
    if (sBarVert) sBarVert->fScrollVisible = style & WS_VSCROLL;
    if (sBarHorz) sBarHorz->fScrollVisible = style & WS_HSCROLL;
    UpdateScrolls(this, true);
  } else if (m.Msg == WM_MDIREFRESHMENU && SkinProvider) {
    SkinProvider->UpdateSkinCaption();
  }
}
