#include "wrappers/kvSBUtilsPanels.h"

#include <optional>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sAlphaGraph.h"
#include "paint/sCommonDataCache.h"
#include "paint/sGraphUtils.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtilsPaintSteps.h"

using namespace wrapsteps;

TW_DEFINE_CLASS(TkvPanelWnd) {}
TW_DEFINE_CLASS(TkvTransPanelWnd) {}
TW_DEFINE_CLASS(TkvSizerWnd) {}

String PanelSection(TWinControl* c) {
  auto* panel = dynamic_cast<TCustomPanel*>(c);
  if (!panel) return u"TRANSPARENT";
  switch (panel->BevelOuter()) {
    case bvLowered: return panel->BevelInner() == bvRaised ? u"GROUPBOX" : u"PANEL_LOW";
    case bvRaised: return panel->BevelInner() == bvLowered ? u"GROUPBOX" : u"PANEL";
    default: return panel->BorderStyle() == bsNone ? u"TRANSPARENT" : u"PANEL_LOW";
  }
}

// ---- Panels ------------------------------------------------------------------------------------

void TkvPanelWnd::AfterCreation() {
  Panel = dynamic_cast<TWinControl*>(OwnerControl());
  if (Panel) {
    {
      auto updating = SetForScope(SkinData->FUpdating, true);
      if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(PanelSection(Panel));
    }
    TMessage m;
    m.Msg = SM_ALPHACMD;
    m.WParam = TWParam{KV_SETNEWSKIN} << 16;
    m.LParam = reinterpret_cast<TLParam>(SkinManager);
    m.Result = 0;
    AlphaBroadCast(Panel, m);
  } else if (SkinData->SkinSection().empty()) {
    SkinData->SetSkinSection(u"TRANSPARENT");
  }
  TkvMainWnd::AfterCreation();
}

bool TkvPanelWnd::DoPrepareCache() {
  TCacheInfo ci;
  if (Panel) {
    ci = GetParentCache(SkinData);
    SkinData->InitCacheBmp();
  } else {
    InitCtrlData(this);
    ci = GetParentCacheHwnd(CtrlHandle);
    SizeCache(this);
  }
  if (!ci.Ready) {
    ci = GetParentCacheHwnd(CtrlHandle);
    if (!ci.Ready && ci.FillColor == 0xFF00FF) {
      SkinData->FUpdating = true;
      return false;
    }
  }
  InitCtrlData(this);
  TBitmap* cache = SkinData->FCacheBmp.get();
  PaintItem(SkinData, ci, false, 0, TRect(0, 0, cache->Width(), cache->Height()), WndPos, cache, false);
  RECT c{};
  GetClientRect(CtrlHandle, &c);
  TRect text(c.left, c.top, c.right, c.bottom);
  if (auto* p = dynamic_cast<TCustomPanel*>(Panel)) {
    const Integer d = p->BevelWidth() * (p->BevelInner() != bvNone ? 1 : 0) + p->BorderWidth() +
                      p->BevelWidth() * (p->BevelOuter() != bvNone ? 1 : 0);
    GrowRect(text, -d, -d);
  }
  if (Panel) PaintOuterEffects(SkinData, Panel, TPoint(0, 0));
  WriteText(text, cache->Canvas());
  SkinData->BGChanged = false;
  return true;
}

void TkvPanelWnd::WriteText(TRect r, TCanvas* canvas) {
  if (Panel && Panel->Tag() == 999) return;
  auto* p = dynamic_cast<TCustomPanel*>(Panel);
  if (Panel && (!p || !p->ShowCaption())) return;
  const String caption = Panel ? Panel->Caption() : Caption;
  if (caption.empty()) return;
  if (Panel) {
    canvas->Font()->Assign(Panel->Font());
  } else {
    SizeCache(this);
    LoadCtrlFont(this, false);
  }
  canvas->Brush()->SetStyle(bsClear);
  const Integer th = canvas->TextHeight(u"Wg");
  r.Top = (r.Bottom + r.Top - th) / 2;
  r.Bottom = r.Top + th;
  const Cardinal flags = p ? DT_VCENTER | GetStringFlags(p, p->Alignment()) | DT_WORDBREAK : DT_CENTER | DT_VCENTER;
  kvWriteTextEx(canvas, caption, Panel ? Panel->Enabled() : true, r, flags, SkinData, 0, nullptr, true);
}

void TkvPanelWnd::KV_WMPaint(HDC given) {
  if ((Panel && Panel->ComponentState().Contains(csDestroying)) ||
      (Panel && Panel->Parent() && Panel->Parent()->ControlState().Contains(csCreating)) || SkinData->InUpdating())
    return;
  InitCtrlData(this);
  TWindowPaintDC dc(CtrlHandle, given);
  const bool rebuild = SkinData->HalfVisible || SkinData->BGChanged || !Panel;
  RECT clip{};
  GetClipBox(dc, &clip);
  SkinData->HalfVisible = SkinData->RepaintIfMoved() && Panel &&
                          (clip.right - clip.left != Panel->Width() || clip.bottom - clip.top != Panel->Height());
  if (rebuild && !DoPrepareCache()) return;
  TBitmap* cache = SkinData->FCacheBmp.get();
  if (!Panel) {
    CopyBmp(dc, 0, 0, cache->Width(), cache->Height(), cache);
    return;
  }
  const Integer b = BorderWidthOf(CtrlHandle);
  CopyWinControlCache(Panel, SkinData, TRect(b, b, Panel->Width() - b, Panel->Height() - b),
                      TRect(0, 0, Panel->Width() - 2 * b, Panel->Height() - 2 * b), dc, true);
  PaintControls(dc, Panel, rebuild && SkinData->RepaintIfMoved(), TPoint(0, 0), true);
  SetParentUpdated(Panel);
}

void TkvPanelWnd::KV_WMNCPaint(HDC given) {
  if (SkinData->InUpdating()) return;
  InitCtrlData(this);
  const Integer b = BorderWidthOf(CtrlHandle);
  TWindowPaintDC dc(CtrlHandle, given);
  if (DoPrepareCache()) {
    if (b > 0)
      BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, b, -1, -1, -1);
  } else {
    SkinData->FUpdating = true;
  }
}

void TkvPanelWnd::kvWndProc(TMessage& message) {
  if (Panel && !Panel->ControlStyle().Contains(csAcceptsControls)) {
    TkvMainWnd::kvWndProc(message);
    return;
  }
  if (message.Msg == SM_ALPHACMD && SkinData) {
    switch (message.WParamHi) {
      case KV_REMOVESKIN:
        SkinData->SkinIndex = -1;
        if (Panel) {
          TControlStyle s = Panel->ControlStyle();
          s -= csOpaque;
          Panel->SetControlStyle(s);
        }
        break;
      case KV_REFRESH:
        if (!RefreshNeeded(SkinData, message)) break;
        [[fallthrough]];
      case KV_SETNEWSKIN:
        TkvMainWnd::kvWndProc(message);
        AlphaBroadCastCheck(Panel, CtrlHandle, message);
        return;
      case KV_ENDPARENTUPDATE:
        if (SkinData->FUpdating && !SkinData->InUpdating(true)) RedrawWindow(CtrlHandle, nullptr, nullptr, 0x585);
        if (Panel) SetParentUpdated(Panel);
        return;
      case KV_CTRLHANDLED: message.Result = 1; return;
      case KV_INVALIDATE:
        if (Panel && Panel->HandleAllocated()) {
          SkinData->BGChanged = true;
          RedrawWindow(CtrlHandle, nullptr, nullptr, LOWORD(message.WParam) ? 0x585 : 0x485);
        }
        break;
      case KV_PREPARECACHE: DoPrepareCache(); return;
      case KV_GETAPPLICATION: message.Result = reinterpret_cast<TLResult>(Application); return;
      default: break;
    }
    TkvMainWnd::kvWndProc(message);
    return;
  }
  if (SkinData && SkinData->Skinned()) {
    const bool visible = IsWindowVisible(CtrlHandle) != FALSE;
    switch (message.Msg) {
      case WM_MOVE: CommonWndProc(message, SkinData); break;
      case WM_SETTEXT:
        if (!visible) break;
        ProcessMessage(WM_SETREDRAW, 0, 0);
        TkvMainWnd::kvWndProc(message);
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
        if (visible) KV_WMPaint(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return;
      case WM_UPDATEUISTATE: message.Result = 1; return;
      case WM_WINDOWPOSCHANGING:
      case WM_WINDOWPOSCHANGED: {
        TkvSkinData* skin = SkinOf(SkinData);
        if (ValidSection(skin, SkinData->SkinIndex) && skin->gd[size_t(SkinData->SkinIndex)].Props[0].Transparency != 0)
          SkinData->BGChanged = true;
        TkvMainWnd::kvWndProc(message);
        if (message.Msg == WM_WINDOWPOSCHANGING && !Destroyed) SendMessageW(CtrlHandle, WM_NCPAINT, 1, 0);
        return;
      }
      case WM_SIZE:
      case CM_TEXTCHANGED:
      case CM_ENTER: SkinData->BGChanged = true; break;
      case WM_NCPAINT:
        if (visible) KV_WMNCPaint(nullptr);
        message.Result = 0;
        return;
      case WM_PARENTNOTIFY:
        if (LOWORD(message.WParam) == WM_CREATE || LOWORD(message.WParam) == WM_DESTROY) {
          TkvMainWnd::kvWndProc(message);
          if (LOWORD(message.WParam) == WM_CREATE && Panel) AddToAdapter(Panel);
          return;
        }
        break;
      case CM_VISIBLECHANGED:
        SkinData->BGChanged = true;
        SkinData->FUpdating = false;
        if (message.WParam == 1) {
          DoPrepareCache();
          TkvMainWnd::kvWndProc(message);
          if (Panel && !Destroyed) SetParentUpdated(Panel);
          return;
        }
        break;
      case CM_SHOWINGCHANGED:
        if (Kv_BecameShown(Panel, message)) {
          if (DuRiruZireziv* manager = SkinData->GetSkinManager();
              manager && manager->Options.OptimizingPriority == opMemory)
            SkinData->FUpdating = false;
          Kv_ContainerShown(this, Panel, message);
        }
        break;
      case WM_PRINT: {
        SkinData->BGChanged = true;
        SkinData->FUpdating = false;
        HDC dc = reinterpret_cast<HDC>(message.WParam);
        KV_WMNCPaint(dc);
        const Integer b = BorderWidthOf(CtrlHandle);
        TSaveDC saved(dc);
        OffsetWindowOrgEx(dc, -b, -b, nullptr);
        KV_WMPaint(dc);
        return;
      }
      default: break;
    }
  }
  TkvMainWnd::kvWndProc(message);
}

// ---- Nested dialog panels ----------------------------------------------------------------------

void TkvTransPanelWnd::AfterCreation() {
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"TRANSPARENT");
  TkvMainWnd::AfterCreation();
}

void TkvTransPanelWnd::KV_WMPaint(TMessage& message) {
  InitCtrlData(this);
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  std::optional<TWindowDC> own;
  if (!dc) {
    own.emplace(CtrlHandle);
    dc = *own;
  }
  SkinData->BGChanged = true;
  SizeCache(this);
  PrepareCache(SkinData, CtrlHandle, false);
  const TRect all(0, 0, WndSize.cx, WndSize.cy);
  CopyHwndCache(CtrlHandle, SkinData, all, all, dc, false);
}

void TkvTransPanelWnd::kvWndProc(TMessage& message) {
  if (SkinData && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_PAINT: {
        TPaintDC paint(CtrlHandle);
        TMessage m = message;
        if (!m.WParam) m.WParam = reinterpret_cast<TWParam>(paint.get());
        KV_WMPaint(m);
        message.Result = 0;
        return;
      }
      case WM_ERASEBKGND:
        KV_WMPaint(message);
        message.Result = 1;
        return;
      case WM_NCPAINT: message.Result = 0; return;
      default: break;
    }
  }
  TkvMainWnd::kvWndProc(message);
}

// ---- Size grips --------------------------------------------------------------------------------

void TkvSizerWnd::AfterCreation() {
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"TRANSPARENT");
  TkvMainWnd::AfterCreation();
}

void TkvSizerWnd::KV_WMPaint(TMessage& message) {
  InitCtrlData(this);
  TPaintDC paint(CtrlHandle);
  TClientPaintDC dc(CtrlHandle, reinterpret_cast<HDC>(message.WParam));
  auto bmp = NewBmp32(WndSize.cx, WndSize.cy);
  TkvSkinData* skin = SkinOf(SkinData);
  const TsMaskData* grip = skin ? ImageOf(skin, skin->GripRightBottom) : nullptr;
  if (!grip) return;
  TkvBGInfo bg;
  bg.R = TRect(0, 0, WndSize.cx, WndSize.cy);
  bg.Offset = WndPos;
  bg.PleaseDraw = true;
  bg.DrawDC = bmp->Canvas()->Handle();
  SendMessageW(ParentWnd, SM_ALPHACMD, 0x220000, reinterpret_cast<LPARAM>(&bg));
  if (bg.BgType == btUnknown) GetBGInfo(&bg, ParentWnd, true);
  DrawSkinGlyph(bmp.get(),
                TPoint(std::max<Integer>(0, WndSize.cx - grip->Width), std::max<Integer>(0, WndSize.cy - grip->Height)),
                0, 1, *grip, MakeCacheInfo(bmp.get(), 0, 0));
  CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, bmp.get());
}

void TkvSizerWnd::kvWndProc(TMessage& message) {
  if (SkinData && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_PAINT: KV_WMPaint(message); return;
      case WM_ERASEBKGND:
      case WM_NCPAINT: message.Result = 1; return;
      default: break;
    }
  }
  TkvMainWnd::kvWndProc(message);
  if (message.Msg == WM_NCHITTEST && !Destroyed && IsWindowEnabled(CtrlHandle)) {
    if (DefaultManager) DefaultManager->SetActiveControl(nullptr);
    message.Result = HTBOTTOMRIGHT;
  }
}
