#include "wrappers/kvSBUtilsUpDown.h"

#include <commctrl.h>

#include <optional>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sGraphUtils.h"
#include "raster/Shapes.h"
#include "skin/sVclUtils.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtilsPaintSteps.h"

using namespace wrapsteps;

TW_DEFINE_CLASS(TkvSpinWnd) {}

void TkvSpinWnd::AfterCreation() {
  bMousePressed = false;
  Btn1State = Btn2State = 0;
  lOffset = 0;
  RTL = false;
  OwnerWnd = nullptr;
  // The child-control adapter names no section, and nothing answers an up-down control's default
  // section query: without one the wrapper would never count as skinned and the system would go
  // on drawing the buttons.
  if (SkinData && SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"UPDOWNBTN");
  TkvMainWnd::AfterCreation();
  InitCtrlData(this);
}

bool TkvSpinWnd::IsVertical() const { return (GetWindowLongW(CtrlHandle, GWL_STYLE) & UDS_HORZ) == 0; }

void TkvSpinWnd::SetRTL() {
  RTL = true;
  SetWindowLongW(CtrlHandle, GWL_EXSTYLE, GetWindowLongW(CtrlHandle, GWL_EXSTYLE) | WS_EX_LAYOUTRTL);
}

void TkvSpinWnd::ButtonRects(TRect& first, TRect& second) const {
  const Integer w = WndSize.cx, h = WndSize.cy;
  if (IsVertical()) {
    first = TRect(lOffset, 0, w, h - h / 2);
    second = TRect(lOffset, h / 2, w, h);
  } else {
    first = TRect(0, 0, w - w / 2, h);
    second = TRect(w / 2, 0, w, h);
  }
}

void TkvSpinWnd::PrepareCache() {
  TkvBGInfo bg;
  GetBGInfo(&bg, ParentWnd, false);
  const TCacheInfo ci = BGInfoToCI(&bg);
  TBitmap* cache = SizeCache(this);
  TkvSkinData* skin = SkinOf(SkinData);
  if (!skin) return;
  TRect rects[2];
  ButtonRects(rects[0], rects[1]);
  const bool vert = IsVertical();
  const TkvSide sides[2] = {vert ? asTop : asLeft, vert ? asBottom : asRight};
  const Integer states[2] = {Btn1State, Btn2State};
  for (int i = 0; i < 2; ++i) {
    const TRect& r = rects[i];
    Integer section = skin->UpDownBtns[sides[i]].SkinIndex;
    if (!ValidSection(skin, section)) section = SkinData->SkinIndex;
    if (ValidSection(skin, section))
      PaintItem(section, ci, true, states[i], r, TPoint(WndPos.X + r.Left, WndPos.Y + r.Top), cache, skin);
    const Integer glyph = skin->ScrollBtns[sides[i]].GlyphIndex;
    if (ImageOf(skin, glyph)) {
      DrawCenterGlyph(cache, glyph, states[i], r, SkinData);
      continue;
    }
    TRect ar = r;
    if (states[i] == 2 && CanClickShift(section, SkinData)) MoveRect(ar, 1, 1);
    TColor color = 0;
    if (ValidSection(skin, section)) {
      const TsGeneralData& gd = skin->gd[size_t(section)];
      color = TColor(gd.Props[states[i] > 0 && gd.States > 1 ? 1 : 0].FontColor.Color);
    }
    if (vert) {
      DrawColorArrow(cache, color, ar, sides[i], GetPPI(SkinData));
    } else {
      DuRiruZireziv* m = SkinData->GetSkinManager();
      DrawArrow(cache, color, clNone, ar, sides[i], 0, 0, 0, m ? m->Options.ActualArrowStyle() : TkvArrowsStyle{},
                GetPPI(SkinData));
    }
  }
}

void TkvSpinWnd::KV_WMPaint(TMessage& message) {
  InitCtrlData(this);
  const TPoint c = kvMousePos();
  const Integer s = bMousePressed ? 2 : 1;
  if (!WndRect.Contains(c)) {
    Btn1State = Btn2State = 0;
  } else if (IsVertical()) {
    const bool upper = c.Y < WndRect.Bottom - WndSize.cy / 2;
    Btn1State = upper ? s : 0;
    Btn2State = upper ? 0 : s;
  } else {
    const bool left = c.X < WndRect.Right - WndSize.cx / 2;
    // Mirrored: the left half is the second button.
    const bool first = left != RTL;
    Btn1State = first ? s : 0;
    Btn2State = first ? 0 : s;
  }
  TPaintDC paint(CtrlHandle);
  if (SkinData->InUpdating()) return;
  TClientPaintDC dc(CtrlHandle, reinterpret_cast<HDC>(message.WParam));
  SkinData->BGChanged = true;
  PrepareCache();
  TBitmap* cache = SkinData->FCacheBmp.get();
  if (IsVertical())
    CopyBmp(dc, lOffset, 0, WndSize.cx - lOffset, WndSize.cy, cache, lOffset, 0);
  else
    CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, cache);
}

void TkvSpinWnd::kvWndProc(TMessage& message) {
  Skinned = SkinData && SkinData->Skinned();
  if (message.Msg == WM_WINDOWPOSCHANGING && OwnerWnd && RTL && message.LParam)
    reinterpret_cast<WINDOWPOS*>(message.LParam)->x = 0;
  if (!Skinned) {
    TkvMainWnd::kvWndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_PAINT:
      KV_WMPaint(message);
      message.Result = 0;
      if (OwnerWnd) SendAMessage(OwnerWnd, KV_UPDATEPAGEBTN);
      return;
    case WM_ERASEBKGND:
    case WM_NCPAINT: message.Result = 1; return;
    case WM_LBUTTONDOWN: bMousePressed = true; break;
    case WM_LBUTTONUP: bMousePressed = false; break;
    case WM_MOUSELEAVE: InvalidateRect(CtrlHandle, nullptr, FALSE); break;
    default:
      if (message.Msg == SM_ALPHACMD && message.WParamHi == KV_MOUSELEAVE)
        RedrawWindow(CtrlHandle, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
      break;
  }
  TkvMainWnd::kvWndProc(message);
  if (Destroyed) return;
  switch (message.Msg) {
    case WM_MOUSEMOVE:
      if (DefaultManager && IsWindowEnabled(CtrlHandle)) {
        InitCtrlData(this);
        const bool inside = WndRect.Contains(kvMousePos());
        if (!inside && DefaultManager->ActiveControl() == CtrlHandle)
          DefaultManager->SetActiveControl(nullptr);
        else if (inside && DefaultManager->ActiveControl() != CtrlHandle)
          DefaultManager->SetActiveControl(CtrlHandle);
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE); break;
    case WM_LBUTTONDBLCLK: {
      auto pressed = SetForScope(bMousePressed, true);
      RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
      break;
    }
    default: break;
  }
}
