#include "wrappers/kvSBUtilsScrollBarCtrl.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsPaintSteps.h"

using namespace wrapsteps;

TW_DEFINE_CLASS(TkvSBWnd) {}

void TkvSBWnd::AfterCreation() {
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"TRANSPARENT");
  if (auto* wc = dynamic_cast<TWinControl*>(OwnerControl())) wc->SetTabStop(false);
  Control = dynamic_cast<TScrollBar*>(OwnerControl());
  if (Control) InitScrollData();
  FRepainting = false;
  MouseOffset = 0;
  ScrollCode = 0;
  TkvMainWnd::AfterCreation();
}

void TkvSBWnd::InitScrollData() {
  FSI.cbSize = sizeof FSI;
  FSI.nMax = Control->Max();
  FSI.nMin = Control->Min();
  FSI.nPos = FSI.nTrackPos = Control->Position();
  FSI.nPage = UINT(Control->PageSize());
  FCurrPos = Control->Position();
}

Integer TkvSBWnd::SysBtnSize() { return GetScrollSize(SkinData->GetSkinManager(), 96); }

TkvSBControlGeometry TkvSBWnd::Geometry() {
  RECT r{};
  GetClientRect(CtrlHandle, &r);
  TkvSBControlGeometry g;
  g.Vertical = Control && Control->Kind() == sbVertical;
  g.Length = g.Vertical ? r.bottom : r.right;
  g.Thickness = g.Vertical ? r.right : r.bottom;
  g.Button = SysBtnSize();
  g.nMin = FSI.nMin;
  g.nMax = FSI.nMax;
  g.nPage = Integer(FSI.nPage);
  g.CurrPos = FCurrPos;
  g.Position = Control ? Control->Position() : FCurrPos;
  g.MinThumb = kvMinThumbSize;
  return g;
}

Integer TkvSBWnd::BarIsHot() { return SkinData->ControlIsActive() ? 1 : 0; }

void TkvSBWnd::SetInteger(Integer index, Integer value) {
  Integer* fields[5] = {&FBtn1State, &FBtn2State, &FBar1State, &FBar2State, &FSliderState};
  if (index < 0 || index > 4 || *fields[index] == value) return;
  *fields[index] = value;
  if (value != 1 && value != 2) return;
  switch (index) {
    case 0:
      FBtn2State = FSliderState = 0;
      FBar1State = FBar2State = 1;
      break;
    case 1:
      FBtn1State = FSliderState = 0;
      FBar1State = FBar2State = 1;
      break;
    case 2:
      FBtn1State = FBtn2State = FSliderState = 0;
      FBar2State = 1;
      break;
    case 3:
      FBtn1State = FBtn2State = FSliderState = 0;
      FBar1State = 1;
      break;
    default:
      FBtn1State = FBtn2State = 0;
      FBar1State = FBar2State = 1;
      break;
  }
}

void TkvSBWnd::LMouseDown(Integer x, Integer y) {
  if (!IsWindowEnabled(CtrlHandle)) return;
  MouseOffset = 0;
  const TkvSBControlGeometry g = Geometry();
  const TPoint p(x, y);
  if (g.Btn1Rect().Contains(p)) {
    ScrollCode = SB_LINEUP;
    if (FBtn1State != 2) SetInteger(0, 2);
  } else if (g.Btn2Rect().Contains(p)) {
    if (FBtn2State != 2) SetInteger(1, 2);
    ScrollCode = SB_LINEDOWN;
  } else if (g.SliderRect().Contains(p)) {
    ScrollCode = SB_THUMBTRACK;
    if (FSliderState != 2) {
      MouseOffset = g.CoordToPosition(g.Vertical ? y : x) - (Control ? Control->Position() : FCurrPos);
      SetInteger(4, 2);
    }
  } else if (g.Bar1Rect().Contains(p)) {
    ScrollCode = SB_PAGEUP;
    if (FBar1State != 2) {
      SetInteger(2, 2);
      SetInteger(3, BarIsHot());
    }
  } else {
    ScrollCode = SB_PAGEDOWN;
    if (FBar2State != 2) {
      SetInteger(2, BarIsHot());
      SetInteger(3, 2);
    }
  }
  UpdateBar();
}

void TkvSBWnd::LMouseUp(Integer x, Integer y) {
  if (!IsWindowEnabled(CtrlHandle)) return;
  const TkvSBControlGeometry g = Geometry();
  const TPoint p(x, y);
  const bool dragging = FSliderState == 2;
  if (g.SliderRect().Contains(p) || dragging) {
    ScrollCode = SB_THUMBPOSITION;
    SetInteger(2, BarIsHot());
    SetInteger(3, FBar1State);
    if (dragging) FSliderState = Geometry().SliderRect().Contains(p) ? 1 : 0;
  } else if (FBtn1State == 2 && g.Btn1Rect().Contains(p)) {
    SetInteger(0, 1);
  } else if (FBtn2State == 2 && g.Btn2Rect().Contains(p)) {
    SetInteger(1, 1);
  } else if (FBar1State == 2) {
    SetInteger(2, BarIsHot());
  } else if (FBar2State == 2) {
    SetInteger(3, BarIsHot());
  }
  UpdateBar();
  ScrollCode = SB_ENDSCROLL;
}

void TkvSBWnd::WMNCHitTest(TMessage& message) {
  if (!IsWindowEnabled(CtrlHandle)) return;
  POINT c{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  ScreenToClient(CtrlHandle, &c);
  const TkvSBControlGeometry g = Geometry();
  const TPoint p(c.x, c.y);
  if (g.SliderRect().Contains(p) || FSliderState == 2) {
    if (FSliderState == 2) {
      const Integer pos = g.CoordToPosition(g.Vertical ? c.y : c.x) - MouseOffset;
      if (Control && pos != Control->Position()) Control->SetPosition(pos);
    } else {
      SetInteger(4, 1);
    }
  } else if (g.Btn1Rect().Contains(p)) {
    if (FBtn1State != 2) SetInteger(0, 1);
  } else if (g.Btn2Rect().Contains(p)) {
    if (FBtn2State != 2) SetInteger(1, 1);
  } else {
    FSliderState = FBtn1State = FBtn2State = 0;
  }
  UpdateBar();
}

void TkvSBWnd::CMMouseEnter() {
  FBar1State = FBar2State = 1;
  UpdateBar();
}

void TkvSBWnd::CMMouseLeave() {
  FBtn1State = FBtn2State = 0;
  if (FSliderState != 2) FSliderState = FBar1State = FBar2State = 0;
  UpdateBar();
}

void TkvSBWnd::UpdateBar() {
  if (Control && Control->Visible()) InvalidateRect(CtrlHandle, nullptr, FALSE);
}

void TkvSBWnd::DrawSlider(TBitmap* bmp) {
  const TkvSBControlGeometry g = Geometry();
  const Integer space = g.Vertical ? g.Length - g.Btn1Rect().Height() - g.Btn2Rect().Height()
                                   : g.Length - g.Btn1Rect().Width() - g.Btn2Rect().Width();
  if (space < g.SliderSize()) return;
  kv_DrawSlider(g.SliderRect(), FSliderState, bmp, g.Vertical, SkinData);
}

void TkvSBWnd::WMPaint(TMessage& message) {
  if (!Control) return;
  TPaintDC paint(CtrlHandle);
  HDC dc = message.WParam ? reinterpret_cast<HDC>(message.WParam) : paint.get();
  TSaveDC saved(dc);
  if (!SkinData->Skinned() || !Control->Parent() || Control->ComponentState().Contains(csLoading) ||
      Control->ComponentState().Contains(csDestroying) || SkinData->InUpdating())
    return;
  TkvSkinData* skin = SkinOf(SkinData);
  const TRect all(0, 0, Control->Width(), Control->Height());
  if (Control->Width() == Control->Height()) {
    const Integer s = skin ? skin->Scrolls[0].SkinIndex : -1;
    DuRiruZireziv* m = SkinData->GetSkinManager();
    FillDC(dc, all, ValidSection(skin, s) ? TColor(skin->gd[size_t(s)].Props[0].Color) : m->GetGlobalColor());
    return;
  }
  SkinData->InitCacheBmp();
  TBitmap* cache = SkinData->FCacheBmp.get();
  const bool enabled = IsWindowEnabled(CtrlHandle) != FALSE;
  std::unique_ptr<TBitmap> separate;
  TBitmap* b = cache;
  if (!enabled) {
    separate = NewBmp32(cache->Width(), cache->Height());
    b = separate.get();
  }
  TkvBGInfo bg;
  GetBGInfo(&bg, Control->Parent(), false);
  const TCacheInfo ci = BGInfoToCI(&bg);
  const TkvSBControlGeometry g = Geometry();
  const TPoint at(Control->Left(), Control->Top());
  const TRect bar1 = g.Bar1Rect(), bar2 = g.Bar2Rect();
  const size_t v = g.Vertical ? 1 : 0;
  if (skin && !bar1.IsEmpty() && ValidSection(skin, skin->Scrolls[v].SkinIndex)) {
    const TkvConstElementData& e = skin->Scrolls[v];
    PaintItemFast(e.SkinIndex, e.MaskIndex, e.BGIndex[0], e.BGIndex[1], ci, true,
                  enabled ? std::max(FBar1State, BarIsHot()) : 0, bar1, at, cache, skin);
  }
  if (skin && !bar2.IsEmpty() && ValidSection(skin, skin->Scrolls[v + 2].SkinIndex)) {
    const TkvConstElementData& e = skin->Scrolls[v + 2];
    PaintItemFast(e.SkinIndex, e.MaskIndex, e.BGIndex[0], e.BGIndex[1], ci, true,
                  enabled ? std::max(FBar2State, BarIsHot()) : 0, bar2, TPoint(at.X + bar2.Left, at.Y + bar2.Top),
                  cache, skin);
  }
  if (b != cache) CopyBmp(b->Canvas()->Handle(), 0, 0, cache->Width(), cache->Height(), cache);
  kv_DrawScrollBtn(g.Btn1Rect(), FBtn1State, b, g.Vertical ? asTop : asLeft, SkinData);
  kv_DrawScrollBtn(g.Btn2Rect(), FBtn2State, b, g.Vertical ? asBottom : asRight, SkinData);
  if (enabled) {
    DrawSlider(b);
  } else {
    const TCacheInfo parent = GetParentCache(SkinData);
    if (parent.Ready && parent.Bmp) {
      TRect r = all;
      MoveRect(r, at.X + parent.X, at.Y + parent.Y);
      BlendTransRectangle(b, 0, 0, parent.Bmp, r, DefBlendDisabled, 0xFF00FF);
    } else {
      BlendTransBitmap(b, DefBlendDisabled, parent.FillColor);
    }
  }
  CopyBmp(dc, 0, 0, b->Width(), b->Height(), b);
}

void TkvSBWnd::RunUnlocked(TMessage& message, bool visibleStyle, bool ownLock) {
  // The application's redraw locks: lifted for the default procedure's own drawing and put back
  // afterwards, so a WM_SETREDRAW(False) it sent stays in force (the handler's own lock does
  // not come back).
  const Integer locks = FLockCount;
  if (ownLock) ProcessMessage(WM_SETREDRAW, 0, 0);
  while (FLockCount > 0) ProcessMessage(WM_SETREDRAW, 1, 0);
  if (visibleStyle) SetWindowLongW(CtrlHandle, GWL_STYLE, GetWindowLongW(CtrlHandle, GWL_STYLE) | WS_VISIBLE);
  TkvMainWnd::kvWndProc(message);
  if (Destroyed) return;
  RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN | RDW_UPDATENOW | RDW_FRAME);
  while (FLockCount < locks) ProcessMessage(WM_SETREDRAW, 0, 0);
}

void TkvSBWnd::kvWndProc(TMessage& message) {
  if (message.Msg == SM_ALPHACMD && Control && !Control->ComponentState().Contains(csDestroying)) {
    DuRiruZireziv* own = SkinData->GetSkinManager();
    switch (message.WParamHi) {
      case KV_SETNEWSKIN:
      case KV_REMOVESKIN:
        if (reinterpret_cast<DuRiruZireziv*>(message.LParam) == own) {
          CommonMessage(message, SkinData);
          return;
        }
        break;
      case KV_REFRESH:
        if (RefreshNeeded(SkinData, message)) {
          CommonMessage(message, SkinData);
          SkinData->BGChanged = true;
          return;
        }
        break;
      case KV_ENDPARENTUPDATE:
        if (SkinData->FUpdating && !SkinData->InUpdating()) {
          RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_UPDATENOW | RDW_ERASE | RDW_INVALIDATE);
          SetParentUpdated(Control);
        }
        return;
      case KV_CTRLHANDLED: message.Result = 1; return;
      case KV_INVALIDATE: Control->Invalidate(); break;
      case KV_GETAPPLICATION: message.Result = reinterpret_cast<TLResult>(Application); return;
      default: CommonMessage(message, SkinData); break;
    }
  }
  if (SkinData && Control) {
    const bool visible = Control->Visible();
    switch (message.Msg) {
      case WM_SETREDRAW:
        if (!FRepainting) FLockCount += message.WParam ? -1 : 1;
        break;
      case WM_PAINT: WMPaint(message); return;
      case WM_NCPAINT: return;
      case WM_NCHITTEST: WMNCHitTest(message); break;
      case WM_LBUTTONDOWN:
      case WM_NCLBUTTONDOWN:
        LMouseDown(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam));
        if (visible)
          RunUnlocked(message, true, false);
        else
          TkvMainWnd::kvWndProc(message);
        return;
      case WM_LBUTTONUP:
      case WM_NCLBUTTONUP: LMouseUp(GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)); break;
      case WM_LBUTTONDBLCLK:
      case WM_NCLBUTTONDBLCLK: {
        if (visible) {
          SetRedraw(CtrlHandle, 0);
          TkvMainWnd::kvWndProc(message);
          SetRedraw(CtrlHandle, 1);
        } else {
          TkvMainWnd::kvWndProc(message);
        }
        POINT c{};
        GetCursorPos(&c);
        ScreenToClient(CtrlHandle, &c);
        LMouseDown(c.x, c.y);
        LMouseUp(c.x, c.y);
        return;
      }
      case SBM_SETSCROLLINFO:
        if (Control->Width() == Control->Height()) break;
        if (const auto* si = reinterpret_cast<const SCROLLINFO*>(message.LParam)) {
          if (si->fMask & SIF_PAGE) FSI.nPage = si->nPage;
          if (si->fMask & SIF_POS) FSI.nPos = si->nPos;
          if ((si->fMask & SIF_RANGE) && (si->nMin != FSI.nMin || si->nMax != FSI.nMax)) {
            FSI.nMin = si->nMin;
            FSI.nMax = si->nMax;
            if (FSI.nMax < FSI.nMin) FSI.nMin = FSI.nMax = 0;
          }
          FSI.nPage = UINT(std::clamp<Integer>(Integer(FSI.nPage), 0, FSI.nMax - FSI.nMin + 1));
          FSI.nPos = std::clamp<Integer>(
              FSI.nPos, FSI.nMin, std::max<Integer>(FSI.nMin, FSI.nMax - std::max<Integer>(Integer(FSI.nPage) - 1, 0)));
          if (ScrollCode != SB_THUMBTRACK) FCurrPos = FSI.nPos;
        }
        if (visible) {
          RunUnlocked(message, false, true);
        } else {
          TkvMainWnd::kvWndProc(message);
        }
        return;
      case CM_CHANGED:
        if (visible) {
          RunUnlocked(message, false, true);
        } else {
          TkvMainWnd::kvWndProc(message);
        }
        return;
      case WM_CAPTURECHANGED: {
        POINT c{};
        GetCursorPos(&c);
        ScreenToClient(CtrlHandle, &c);
        LMouseUp(c.x, c.y);
        break;
      }
      case WM_PRINT:
        if (!SkinData->Skinned()) break;
        ProcessMessage(WM_PAINT, message.WParam, message.LParam);
        ProcessMessage(WM_NCPAINT, message.WParam, message.LParam);
        return;
      case CM_ENABLEDCHANGED:
        TkvMainWnd::kvWndProc(message);
        SkinData->Invalidate();
        return;
      case CM_MOUSEENTER: CMMouseEnter(); return;
      case CM_MOUSELEAVE: CMMouseLeave(); return;
      case CN_CTLCOLORSCROLLBAR:
        if (message.WParam)
          ExcludeClipRect(reinterpret_cast<HDC>(message.WParam), 0, 0, Control->Width(), Control->Height());
        return;
      default: break;
    }
    if (CommonWndProc(message, SkinData)) return;
  }
  TkvMainWnd::kvWndProc(message);
}
