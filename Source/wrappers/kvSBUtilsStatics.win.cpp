#include "wrappers/kvSBUtilsStatics.h"

#include <windows.h>

#include <algorithm>
#include <typeinfo>

#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sCommonDataCache.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/Text.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsPaintSteps.h"

using namespace wrapsteps;

TW_DEFINE_CLASS(TkvStaticWnd) {}
TW_DEFINE_CLASS(TkvEdgeWnd) {}
TW_DEFINE_CLASS(TkvIconWnd) {}
TW_DEFINE_CLASS(TkvLinkWnd) {}
TW_DEFINE_CLASS(TkvStaticTextWnd) {}

namespace {

constexpr Cardinal kMeasureFlags = 0x2F14;  // word break, v-centre, no clip, leading, no prefix, edit, calc
constexpr Cardinal kDrawFlags = 0x2B14;

bool RightToLeftApp() { return Application && Application->BiDiMode() == bdRightToLeft; }

}  // namespace

// ---- Dialog statics --------------------------------------------------------------------------

void TkvStaticWnd::AfterCreation() {
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"TRANSPARENT");
  TkvMainWnd::AfterCreation();
  Caption = GetWndText(CtrlHandle);
  if (Caption.empty() || (typeid(*this) != typeid(TkvStaticWnd) && !dynamic_cast<TkvLinkWnd*>(this))) return;
  // A skin font larger than the system's must still fit.
  InitCtrlData(this);
  TRect r;
  PaintText(true, r);
  if (WndSize.cx < r.Width() || WndSize.cy < r.Height())
    SetWindowPos(CtrlHandle, nullptr, 0, 0, std::max(WndSize.cx, r.Width()), std::max(WndSize.cy, r.Height()), 0x716);
}

void TkvStaticWnd::PaintText(bool calcOnly, TRect& r) {
  r = TRect(0, 0, WndSize.cx, WndSize.cy);
  SizeCache(this);
  LoadCtrlFont(this, false);
  TCanvas* canvas = SkinData->FCacheBmp->Canvas();
  if (calcOnly) {
    kvDrawText(canvas->Handle(), Caption, r, kMeasureFlags);
    return;
  }
  canvas->Font()->SetColor(GetFontColor(nullptr, SkinData->SkinIndex, SkinData->GetSkinManager(), 0, SkinData));
  canvas->Brush()->SetStyle(bsClear);
  Cardinal flags = kDrawFlags;
  if (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RIGHT) flags |= DT_RIGHT;
  if (RightToLeftApp()) flags |= DT_RTLREADING;
  kvWriteTextEx(canvas, Caption, true, r, flags, Integer(-1), 0, nullptr);
}

bool TkvStaticWnd::PaintContent() {
  if (!Caption.empty()) {
    TRect r;
    PaintText(false, r);
  }
  return true;
}

void TkvStaticWnd::KV_WMPaint(TMessage& message) {
  InitCtrlData(this);
  TWindowPaintDC dc(CtrlHandle, reinterpret_cast<HDC>(message.WParam));
  if (RightToLeftApp()) SetLayout(dc, 0);
  SkinData->BGChanged = true;
  SizeCache(this);
  PrepareCache(SkinData, CtrlHandle, false);
  if (PaintContent()) CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp.get());
}

void TkvStaticWnd::kvWndProc(TMessage& message) {
  if (!SkinData || !SkinData->Skinned() || (GetWindowLongW(CtrlHandle, GWL_STYLE) & WS_TABSTOP) ||
      (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_STATICEDGE)) {
    TkvMainWnd::kvWndProc(message);
    return;
  }
  const bool visible = IsWindowVisible(CtrlHandle) != FALSE;
  switch (message.Msg) {
    case WM_MOVE:
    case WM_ENABLE:
      if (!visible) break;
      SkinData->BGChanged = true;
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      return;
    case WM_SETTEXT:
      if (!visible) break;
      ProcessMessage(WM_SETREDRAW, 0, 0);
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      Caption = GetWndText(CtrlHandle);
      SkinData->BGChanged = true;
      ProcessMessage(WM_SETREDRAW, 1, 0);
      RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
      return;
    case WM_PAINT: {
      TPaintDC paint(CtrlHandle);
      if (visible || message.WParam) KV_WMPaint(message);
      message.Result = 0;
      return;
    }
    case WM_ERASEBKGND:
      if (!visible) break;
      message.Result = 1;
      return;
    case WM_NCPAINT: message.Result = 0; return;
    case WM_PRINT: KV_WMPaint(message); return;
    default: break;
  }
  TkvMainWnd::kvWndProc(message);
}

// ---- Statics with an edge ----------------------------------------------------------------------

void TkvEdgeWnd::KV_WMPaint(TMessage& message) {
  InitCtrlData(this);
  TWindowPaintDC dc(CtrlHandle, reinterpret_cast<HDC>(message.WParam));
  SkinData->BGChanged = true;
  SizeCache(this);
  PrepareCache(SkinData, CtrlHandle, false);
  PaintContent();
  TBitmap* cache = SkinData->FCacheBmp.get();
  BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, cache->Canvas()->Handle(), 0, 0, 2, -1, -1, -1);
}

void TkvEdgeWnd::kvWndProc(TMessage& message) {
  if (SkinData && SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_PAINT: {
        const TLResult result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
        KV_WMPaint(message);
        message.Result = result;
        return;
      }
      case WM_ERASEBKGND:
      case WM_NCPAINT: message.Result = 0; return;
      default: break;
    }
  }
  TkvStaticWnd::kvWndProc(message);
}

// ---- Icon and bitmap statics -------------------------------------------------------------------

void TkvIconWnd::AfterCreation() {
  IsBmp = (GetWindowLongW(CtrlHandle, GWL_STYLE) & 3) != 3;
  if ((GetWindowLongW(CtrlHandle, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) IsBmp = false;
  TkvStaticWnd::AfterCreation();
}

bool TkvIconWnd::PaintContent() {
  TBitmap* cache = SkinData->FCacheBmp.get();
  HDC cdc = cache->Canvas()->Handle();
  if (!IsBmp) {
    HICON icon = reinterpret_cast<HICON>(ProcessMessage(STM_GETICON, 0, 0));
    if (!icon) return false;
    DrawIconEx(cdc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL);
    return true;
  }
  // The picture is read at every paint: the static may have been given another one (and the
  // old one deleted) since the last.
  HBITMAP image = reinterpret_cast<HBITMAP>(ProcessMessage(STM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info{};
  if (!image || !GetObjectW(image, sizeof info, &info) || info.bmWidth == 0 || info.bmHeight == 0) return false;
  TMemoryDC source;
  TSelectObject selected(source, image);
  if (info.bmBitsPixel == 32) {
    auto picture = NewBmp32(info.bmWidth, info.bmHeight);
    BitBlt(picture->Canvas()->Handle(), 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    CopyBmp32(TRect(0, 0, WndSize.cx, WndSize.cy), TRect(0, 0, info.bmWidth, info.bmHeight), cache, picture.get(),
              MakeCacheInfo(cache, 0, 0), true, clNone, 1, true);
  } else {
    BitBlt(cdc, 0, 0, std::min<Integer>(WndSize.cx, info.bmWidth), std::min<Integer>(WndSize.cy, info.bmHeight), source,
           0, 0, SRCCOPY);
  }
  return true;
}

// ---- Links -------------------------------------------------------------------------------------

bool TkvLinkWnd::PaintContent() {
  TCanvas* canvas = SkinData->FCacheBmp->Canvas();
  canvas->Brush()->SetStyle(bsClear);
  TRect r(0, 0, WndSize.cx + 4, WndSize.cy);
  SizeCache(this);
  LoadCtrlFont(this, false);
  TFontStyles style = canvas->Font()->Style();
  style += fsUnderline;
  canvas->Font()->SetStyle(style);
  kvWriteTextEx(canvas, StripLinkTags(Caption), true, r, DT_WORDBREAK | DT_EXPANDTABS | DT_NOCLIP, SkinData, 0, nullptr,
                true);
  return true;
}

void TkvLinkWnd::kvWndProc(TMessage& message) {
  if (!SkinData || !SkinData->Skinned() || (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_STATICEDGE)) {
    TkvStaticWnd::kvWndProc(message);
    return;
  }
  constexpr UINT kRedraw = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME;
  const bool visible = IsWindowVisible(CtrlHandle) != FALSE;
  switch (message.Msg) {
    case WM_MOVE:
      SkinData->BGChanged = true;
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      RedrawWindow(CtrlHandle, nullptr, nullptr, kRedraw);
      return;
    case WM_SETTEXT:
      message.Result = CallPrevWndProc(CtrlHandle, message.Msg, message.WParam, message.LParam);
      Caption = GetWndText(CtrlHandle);
      SkinData->BGChanged = true;
      RedrawWindow(CtrlHandle, nullptr, nullptr, kRedraw);
      return;
    case WM_PAINT: {
      // Painted at erase time.
      TPaintDC paint(CtrlHandle);
      message.Result = 0;
      return;
    }
    case WM_ERASEBKGND:
      if (!visible) break;
      KV_WMPaint(message);
      message.Result = 1;
      return;
    case WM_NCPAINT: message.Result = 0; return;
    case WM_UPDATEUISTATE:
      if (!visible) return;
      break;
    default: break;
  }
  TkvStaticWnd::kvWndProc(message);
}

// ---- The class library's static text control ---------------------------------------------------

String BevelSection(TWinControl* c) {
  if (!c || c->BevelKind() == bkNone) return u"TRANSPARENT";
  switch (c->BevelOuter()) {
    case bvLowered: return c->BevelInner() == bvRaised ? u"GROUPBOX" : u"PANEL_LOW";
    case bvRaised: return c->BevelInner() == bvLowered ? u"GROUPBOX" : u"PANEL";
    default: return u"TRANSPARENT";
  }
}

void TkvStaticTextWnd::AfterCreation() {
  Control = dynamic_cast<TWinControl*>(OwnerControl());
  if (Control) {
    auto updating = SetForScope(SkinData->FUpdating, true);
    if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(BevelSection(Control));
  }
  TkvMainWnd::AfterCreation();
}

bool TkvStaticTextWnd::PrepareCache() {
  SkinData->InitCacheBmp();
  TBitmap* cache = SkinData->FCacheBmp.get();
  const TCacheInfo ci = GetParentCache(SkinData);
  if (!ci.Ready && ci.FillColor == 0xFF00FF) {
    SkinData->FUpdating = true;
    return false;
  }
  const TRect all(0, 0, Control->Width(), Control->Height());
  if (SkinData->FCustomColor)
    FillDC(cache->Canvas()->Handle(), all, ColorToRGB(Control->Color()));
  else
    PaintItem(SkinData, ci, false, 0, all, TPoint(Control->Left(), Control->Top()), cache, false);
  RECT client{};
  GetClientRect(CtrlHandle, &client);
  const Integer b = (Control->Width() - client.right) / 2;
  WriteText(TRect(b, b, b + client.right, b + client.bottom), cache->Canvas());
  SkinData->BGChanged = false;
  return true;
}

void TkvStaticTextWnd::WriteText(TRect r, TCanvas* canvas) {
  canvas->Font()->Assign(Control->Font());
  canvas->Brush()->SetStyle(bsClear);
  const auto* st = dynamic_cast<TCustomStaticText*>(Control);
  const Cardinal flags = GetStringFlags(Control, st ? st->Alignment() : taLeftJustify) | DT_WORDBREAK;
  kvWriteTextEx(canvas, Control->Caption(), Control->Enabled(), r, flags, SkinData, 0, nullptr, true);
}

void TkvStaticTextWnd::KV_WMPaint(HDC given) {
  if (Control->ComponentState().Contains(csDestroying) ||
      (Control->Parent() && Control->Parent()->ControlState().Contains(csCreating)) || SkinData->InUpdating())
    return;
  InitCtrlData(this);
  TWindowPaintDC dc(CtrlHandle, given);
  const bool rebuild = SkinData->HalfVisible || SkinData->BGChanged;
  RECT clip{};
  GetClipBox(dc, &clip);
  SkinData->HalfVisible = SkinData->RepaintIfMoved() &&
                          (clip.right - clip.left != Control->Width() || clip.bottom - clip.top != Control->Height());
  if (rebuild && !PrepareCache()) return;
  RECT client{};
  GetClientRect(CtrlHandle, &client);
  const Integer b = (Control->Width() - client.right) / 2;
  CopyWinControlCache(Control, SkinData, TRect(b, b, Control->Width() - b, Control->Height() - b),
                      TRect(0, 0, Control->Width() - 2 * b, Control->Height() - 2 * b), dc, true);
  PaintControls(dc, Control, rebuild && SkinData->RepaintIfMoved(), TPoint(0, 0), true);
  SetParentUpdated(Control);
}

void TkvStaticTextWnd::KV_WMNCPaint(HDC given) {
  if (SkinData->InUpdating()) return;
  InitCtrlData(this);
  RECT client{};
  GetClientRect(CtrlHandle, &client);
  const Integer b = (WndSize.cx - client.right) / 2;
  TWindowPaintDC dc(CtrlHandle, given);
  if (PrepareCache()) {
    if (b > 0)
      BitBltBorder(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, b, -1, -1, -1);
  } else {
    SkinData->FUpdating = true;
  }
}

void TkvStaticTextWnd::kvWndProc(TMessage& message) {
  if (!Control) {
    TkvMainWnd::kvWndProc(message);
    return;
  }
  if (message.Msg == SM_ALPHACMD) {
    switch (message.WParamHi) {
      case KV_REMOVESKIN: {
        SkinData->SkinIndex = -1;
        TControlStyle s = Control->ControlStyle();
        s -= csOpaque;
        Control->SetControlStyle(s);
        break;
      }
      case KV_REFRESH:
        if (!RefreshNeeded(SkinData, message)) break;
        [[fallthrough]];
      case KV_SETNEWSKIN:
        TkvMainWnd::kvWndProc(message);
        AlphaBroadCastCheck(Control, CtrlHandle, message);
        return;
      case KV_CTRLHANDLED: message.Result = 1; return;
      case KV_PREPARECACHE: PrepareCache(); break;
      case KV_GETAPPLICATION: message.Result = reinterpret_cast<TLResult>(Application); return;
      default:
        if (CommonMessage(message, SkinData)) return;
        break;
    }
    TkvMainWnd::kvWndProc(message);
    return;
  }
  if (SkinData->Skinned()) {
    switch (message.Msg) {
      case WM_SETTEXT:
        if (!IsWindowVisible(CtrlHandle)) break;
        TkvMainWnd::kvWndProc(message);
        SkinData->BGChanged = true;
        SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        return;
      case WM_PAINT: {
        InvalidateRect(CtrlHandle, nullptr, TRUE);
        TPaintDC paint(CtrlHandle);
        return;
      }
      case WM_ERASEBKGND:
        KV_WMPaint(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return;
      case CM_TEXTCHANGED: SkinData->BGChanged = true; break;
      case WM_NCPAINT:
        KV_WMNCPaint(nullptr);
        message.Result = 0;
        return;
      case WM_UPDATEUISTATE: message.Result = 1; return;
      case WM_PRINT:
        SkinData->BGChanged = true;
        KV_WMPaint(reinterpret_cast<HDC>(message.WParam));
        KV_WMNCPaint(reinterpret_cast<HDC>(message.WParam));
        return;
      case WM_WINDOWPOSCHANGING:
      case WM_WINDOWPOSCHANGED:
        // A see-through look shows what lies under its new place.
        if (Kv_NormalLookSeeThrough(SkinData)) SkinData->BGChanged = true;
        TkvMainWnd::kvWndProc(message);
        if (message.Msg == WM_WINDOWPOSCHANGING && !Destroyed) SendMessageW(CtrlHandle, WM_NCPAINT, 0, 0);
        return;
      case WM_PARENTNOTIFY:
        if (LOWORD(message.WParam) == WM_CREATE || LOWORD(message.WParam) == WM_DESTROY) {
          TkvMainWnd::kvWndProc(message);
          if (LOWORD(message.WParam) == WM_CREATE && !Destroyed)
            if (auto* wc = dynamic_cast<TWinControl*>(Control)) AddToAdapter(wc);
          return;
        }
        break;
      case CM_ENABLEDCHANGED:
        TkvMainWnd::kvWndProc(message);
        if (!Destroyed) InvalidateRect(CtrlHandle, nullptr, TRUE);
        return;
      case CM_SHOWINGCHANGED: Kv_ContainerShown(this, dynamic_cast<TWinControl*>(Control), message); break;
      default: break;
    }
  }
  TkvMainWnd::kvWndProc(message);
}
