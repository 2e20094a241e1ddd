#include "wrappers/kvSBUtilsChecks.h"

#include <algorithm>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/kvAnimation.h"
#include "controls/kvGlow.h"
#include "paint/sAlphaGraph.h"
#include "paint/sCommonDataCache.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"
#include "wrappers/kvSBUtilsPaintSteps.h"

using namespace wrapsteps;

TW_DEFINE_CLASS(TkvCheckBoxWnd) {}
TW_DEFINE_CLASS(TkvGroupBoxWnd) {}

namespace {

LONG StyleOf(HWND w) { return GetWindowLongW(w, GWL_STYLE); }
LONG ExStyleOf(HWND w) { return GetWindowLongW(w, GWL_EXSTYLE); }

// The manager's hover look goes to the window it names as the one under the mouse, unless hover
// looks are switched off.
bool HoverAllowedFor(HWND wnd) {
  DuRiruZireziv* def = DefaultManager;
  return def && def->ActiveControl() == wnd && !def->Options.NoMouseHover;
}

bool CursorIn(const TRect& r) { return r.Contains(kvMousePos()); }

}  // namespace

// ---- Check boxes and radio buttons -------------------------------------------------------------

void TkvCheckBoxWnd::AfterCreation() {
  OwnerDraw = (StyleOf(CtrlHandle) & 0x0B) == 0x0B;
  SkinData->COC = 32;
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"CHECKBOX");
  TkvMainWnd::AfterCreation();
}

Integer TkvCheckBoxWnd::State() {
  const TLResult s = ProcessMessage(BM_GETSTATE, 0, 0);
  if (s & BST_INDETERMINATE) return 2;
  return (s & BST_CHECKED) ? 1 : 0;
}

Integer TkvCheckBoxWnd::CtlState() {
  const TLResult s = ProcessMessage(BM_GETSTATE, 0, 0);
  if (s & BST_PUSHED) return 2;
  DuRiruZireziv* m = SkinData->GetSkinManager();
  if (m && m->Options.NoMouseHover) return 0;
  if (s & BST_FOCUS) return 1;
  return DefaultManager && DefaultManager->ActiveControl() == CtrlHandle ? 1 : 0;
}

bool TkvCheckBoxWnd::IsRadio() const {
  // BS_RADIOBUTTON and BS_AUTORADIOBUTTON only.
  const LONG type = StyleOf(CtrlHandle) & 0xF;
  return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

Integer TkvCheckBoxWnd::GlyphMaskIndex(Integer aState) {
  TkvSkinData* skin = SkinOf(SkinData);
  if (!skin) return -1;
  const Integer index =
      IsRadio() ? skin->RadioButton[aState == 1 ? 1 : 0] : skin->CheckBox[size_t(std::clamp<Integer>(aState, 0, 2))];
  return static_cast<int16_t>(index);
}

void TkvCheckBoxWnd::SkinCheckRect(Integer index, TRect& r) {
  const TsMaskData* md = ImageOf(SkinOf(SkinData), index);
  if (!md) {
    r = TRect();
    return;
  }
  // Asked before the first paint (the mouse area, the light circle) the size is not read yet.
  if (WndSize.cx == 0 && WndSize.cy == 0) InitCtrlData(this);
  const Integer top = (WndSize.cy - md->Height) / 2;
  if (StyleOf(CtrlHandle) & BS_LEFTTEXT)
    r = TRect(WndSize.cx - md->Width, top, WndSize.cx, top + md->Height);
  else
    r = TRect(0, top, md->Width, top + md->Height);
}

void TkvCheckBoxWnd::CheckRect(TRect& r) {
  const Integer checked = GlyphMaskIndex(1);
  if (ImageOf(SkinOf(SkinData), checked))
    SkinCheckRect(checked, r);
  else
    r = TRect(0, 0, 16, 16);
}

void TkvCheckBoxWnd::GlyphScreenRect(TRect& r) {
  CheckRect(r);
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  if (!manager || manager->AnimEffects.Buttons.ClickEffect != ceWaveOut) {
    // The light circle's reach around the check mark is where the mouse counts as over it.
    const Integer grow = MaxCircleRadius(SkinData) - r.Width() / 2;
    r = TRect(r.Left - grow, r.Top - grow, r.Right + grow, r.Bottom + grow);
  }
  RECT wr{};
  GetWindowRect(CtrlHandle, &wr);
  MoveRect(r, wr.left, wr.top);
}

void TkvCheckBoxWnd::SetMouseInGlyph(bool value) {
  if (value == FMouseInGlyph) return;
  FMouseInGlyph = value;
  if (!value) {
    HideGlow(SkinData->GlowID, false);
    // The circle belongs to the check mark and goes with it: once its growth has ended no
    // timer step looks at the cursor again, so it would stay on the screen after the mouse.
    HideGlow(SkinData->CircleID, false);
    return;
  }
  if (SkinData->GlowID < 0 && SkinData->Skinned() && CircleClickMode(OwnerControl(), SkinData))
    ShowCircleIfNeeded(SkinData, 255, true);
}

void TkvCheckBoxWnd::CircleStep() {
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  const bool animate = manager && !SkinData->SkinIsChanging() && !FadingForbidden && manager->Effects.AllowAnimation;
  if (animate)
    ShowCircleIfNeeded(SkinData, 255, true);
  else if (SkinData->FMouseAbove)
    ShowCircleIfNeeded(SkinData, 255, false);
  else
    HideGlow(SkinData->GlowID, false);
}

void TkvCheckBoxWnd::DrawSkinGlyph(Integer index) {
  TBitmap* cache = SkinData->FCacheBmp.get();
  const TsMaskData* md = ImageOf(SkinOf(SkinData), index);
  if (!cache || cache->Width() == 0 || !md) return;
  TRect r;
  SkinCheckRect(index, r);
  ::DrawSkinGlyph(cache, r.TopLeft(), CtlState(), 1, *md, MakeCacheInfo(cache, 0, 0));
}

void TkvCheckBoxWnd::DrawCheckText() {
  if (Caption.empty()) return;
  TRect cr;
  CheckRect(cr);
  const Integer cw = cr.Width();
  const Integer maxw = WndSize.cx - cw - 2;
  const LONG style = StyleOf(CtrlHandle);
  const bool multi = (style & BS_MULTILINE) != 0;
  const bool focused = (ProcessMessage(BM_GETSTATE, 0, 0) & BST_FOCUS) != 0;
  SizeCache(this);
  LoadCtrlFont(this, false);
  TCanvas* canvas = SkinData->FCacheBmp->Canvas();
  TRect measured(0, 0, maxw, 0);
  kvDrawText(canvas->Handle(), Caption, measured, TextWrapping[multi] | DT_CALCRECT);
  const Integer tw = measured.Width(), th = measured.Height();
  const Integer top = std::max<Integer>(0, (WndSize.cy - th) / 2);
  const Integer bottom = WndSize.cy - top;
  Cardinal flags = 0;
  TRect r;
  if ((style & BS_LEFTTEXT) && (ExStyleOf(CtrlHandle) & WS_EX_RTLREADING)) {
    r = TRect(0, top, WndSize.cx - cw - 6, bottom);
    r.Left = r.Right - tw;
    if (!multi) flags = DT_RIGHT;
    flags |= DT_RTLREADING;
  } else if (style & BS_LEFTTEXT) {
    r = TRect(2, top, tw + 2, bottom);
  } else {
    r = TRect(WndSize.cx - maxw + 2, top, WndSize.cx - maxw + 2 + tw, bottom);
    MoveRect(r, multi ? -1 : 0, -1);
  }
  flags |= TextWrapping[multi];
  canvas->Font()->SetColor(
      GetFontColor(OwnerControl(), SkinData->SkinIndex, SkinData->GetSkinManager(), CtlState(), SkinData));
  canvas->Brush()->SetStyle(bsClear);
  kvWriteTextEx(canvas, Caption, true, r, flags, Integer(-1), SkinData->ControlIsActive() ? 1 : 0, nullptr);
  canvas->Pen()->SetStyle(psClear);
  canvas->Brush()->SetStyle(bsSolid);
  if (focused) {
    TkvSkinData* skin = SkinOf(SkinData);
    TColor c = canvas->Font()->Color();
    if (ValidSection(skin, SkinData->SkinIndex)) {
      const TsGeneralData& gd = skin->gd[size_t(SkinData->SkinIndex)];
      c = TColor(gd.Props[size_t(std::min<Integer>(gd.States, 1))].FontColor.Color);
    }
    GrowRect(r, 2, 0);
    FocusRect(canvas, r, c, kvNoColor);
  }
}

void TkvCheckBoxWnd::PrepareCache() {
  InitCtrlData(this);
  TBitmap* cache = SizeCache(this);
  if (OwnerDraw) return;
  const TCacheInfo ci = ParentCI(this);
  PaintItem(SkinData, ci, true, SkinData->ControlIsActive() ? 1 : 0, TRect(0, 0, WndSize.cx, WndSize.cy), WndPos, cache,
            false);
  DrawCheckText();
  DrawSkinGlyph(GlyphMaskIndex(State()));
  if (!IsWindowEnabled(CtrlHandle)) BlendDisabled(cache, ci, WndPos);
  // The cache holds the current look: a fade may start from it (a press has no other render).
  SkinData->BGChanged = false;
}

void TkvCheckBoxWnd::KV_WMPaint(TMessage& message) {
  TPaintDC paint(CtrlHandle);
  if (SkinData->TimerIsActive()) {
    // A fade draws its own frames: the window shows the frame on screen, not the new look.
    TClientPaintDC dc(CtrlHandle, nullptr);
    TkvThreadedTimer* fade = SkinData->AnimTimer.get();
    if (fade && fade->BmpOut) {
      CopyBmp(dc, 0, 0, fade->BmpOut->Width(), fade->BmpOut->Height(), fade->BmpOut);
    } else {
      PrepareCache();
      CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp.get());
    }
    return;
  }
  InitCtrlData(this);
  DuRiruZireziv* m = SkinData->GetSkinManager();
  if (SkinData->InUpdating(false) || !m || !m->Active() || OwnerDraw) return;
  if (!IsWindowVisible(CtrlHandle) && message.WParam == 0) return;
  PrepareCache();
  TClientPaintDC dc(CtrlHandle, reinterpret_cast<HDC>(message.WParam));
  CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp.get());
}

void TkvCheckBoxWnd::kvWndProc(TMessage& message) {
  if (!SkinData || !SkinData->Skinned()) {
    TkvMainWnd::kvWndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_DESTROY:
    case WM_NCDESTROY: TkvMainWnd::kvWndProc(message); return;
    case WM_ENABLE:
    case BM_SETCHECK:
    case BM_SETSTATE:
    case CM_TEXTCHANGED:
      if (OwnerControl() && IsWindowVisible(CtrlHandle)) {
        {
          TRedrawOff off(this);
          // In circle click mode the new state is painted at once: a running fade no longer
          // holds the paint back, and without one nothing is left to fade.
          if (CircleClickMode(OwnerControl(), SkinData)) {
            if (SkinData->AnimTimer)
              SkinData->FUpdating = false;
            else
              SkinData->StopTimer();
          }
          TkvMainWnd::kvWndProc(message);
        }
        SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
        return;
      }
      break;
    case WM_PAINT: KV_WMPaint(message); return;
    case WM_ERASEBKGND:
      if (OwnerDraw) {
        InitCtrlData(this);
        const TCacheInfo ci = ParentCI(this);
        TClientPaintDC dc(CtrlHandle, reinterpret_cast<HDC>(message.WParam));
        if (ci.Ready && ci.Bmp)
          CopyBmp(dc, 0, 0, WndSize.cx, WndSize.cy, ci.Bmp, WndPos.X + ci.X, WndPos.Y + ci.Y);
        else
          FillDC(dc, TRect(0, 0, WndSize.cx, WndSize.cy), ci.FillColor);
      }
      message.Result = 1;
      return;
    case WM_NCPAINT: message.Result = 0; return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: SkinData->StopTimer(); break;
    default:
      if (message.Msg == SM_ALPHACMD) {
        switch (message.WParamHi) {
          case KV_PREPARECACHE: PrepareCache(); return;
          case KV_MOUSEENTER:
            if (OwnerControl() && !SkinData->FMouseAbove && HoverAllowedFor(CtrlHandle)) {
              RECT wr{};
              GetWindowRect(CtrlHandle, &wr);
              if (CursorIn(TRect(wr.left, wr.top, wr.right, wr.bottom))) {
                SkinData->FMouseAbove = true;
                SkinData->BGChanged = false;
                SkinData->FUpdating = false;
                if (CircleClickMode(OwnerControl(), SkinData)) {
                  TRect g;
                  GlyphScreenRect(g);
                  SetMouseInGlyph(CursorIn(g));
                  ShowCircleIfNeeded(SkinData, 255, true);
                } else {
                  DoChangePaint(SkinData, 1, UpdateWindow_CB, true, false, true);
                }
              }
              return;
            }
            break;
          case KV_MOUSELEAVE:
            if (OwnerControl() && SkinData->FMouseAbove) {
              SkinData->FMouseAbove = SkinData->FUpdating = SkinData->BGChanged = false;
              if (CircleClickMode(OwnerControl(), SkinData))
                SetMouseInGlyph(false);
              else
                DoChangePaint(SkinData, 0, UpdateWindow_CB, true, false, true);
              return;
            }
            break;
          case KV_GETMOUSEAREA:
            if (message.LParam) GlyphScreenRect(*reinterpret_cast<TRect*>(message.LParam));
            message.Result = 1;
            return;
          default: break;
        }
      }
      break;
  }
  TkvMainWnd::kvWndProc(message);
  if (Destroyed) return;
  switch (message.Msg) {
    case WM_NCHITTEST:
      if (IsWindowEnabled(CtrlHandle) && DefaultManager) DefaultManager->SetActiveControl(CtrlHandle);
      break;
    case WM_KEYDOWN:
    case WM_KEYUP:
      if (message.WParam == VK_SPACE) SendMessageW(CtrlHandle, WM_PAINT, 0, 0);
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: SendMessageW(CtrlHandle, WM_PAINT, 0, 0); break;
    case WM_MOUSEMOVE:
      if (CircleClickMode(OwnerControl(), SkinData)) {
        TRect g;
        GlyphScreenRect(g);
        SetMouseInGlyph(CursorIn(g));
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (TControl* c = OwnerControl(); c && IsWindowEnabled(CtrlHandle)) {
        TControlState state = c->ControlState();
        state += csLButtonDown;
        c->SetControlState(state);
        if (CircleClickMode(c, SkinData))
          CircleStep();
        else
          DoChangePaint(SkinData, 2, UpdateWindow_CB, EventEnabled(aeMouseDown, TSet<TkvAnimatEvent>{aeGlobalDef}),
                        true, true);
      }
      break;
    case WM_LBUTTONUP:
      if (TControl* c = OwnerControl()) {
        TControlState state = c->ControlState();
        state -= csLButtonDown;
        c->SetControlState(state);
        if (CircleClickMode(c, SkinData)) {
          CircleStep();
        } else if (EventEnabled(aeClick, TSet<TkvAnimatEvent>{aeGlobalDef})) {
          TRect g;
          GlyphScreenRect(g);
          if (CursorIn(g)) DoClickAnimation(SkinData, cm1);
        }
      }
      break;
    default: break;
  }
}

// ---- Group boxes -----------------------------------------------------------------------------

void TkvGroupBoxWnd::AfterCreation() {
  if (SkinData->SkinSection().empty()) SkinData->SetSkinSection(u"GROUPBOX");
  if (auto* wc = dynamic_cast<TWinControl*>(OwnerControl())) {
    TMessage m;
    m.Msg = SM_ALPHACMD;
    m.WParam = TWParam{KV_SETNEWSKIN} << 16;
    m.LParam = reinterpret_cast<TLParam>(SkinManager);
    m.Result = 0;
    AlphaBroadCast(wc, m);
  }
  TkvMainWnd::AfterCreation();
}

void TkvGroupBoxWnd::CaptionRect(TRect& r) {
  TBitmap* cache = SizeCache(this);
  TRect m(0, 0, 0, 0);
  if (!Caption.empty()) kvDrawText(cache->Canvas()->Handle(), Caption, m, DT_CALCRECT | DT_CENTER);
  const TSize s(m.Width(), m.Height());
  r.Left = (ExStyleOf(CtrlHandle) & WS_EX_RTLREADING) ? WndSize.cx - s.cx - 14 : 6;
  r.Top = 0;
  r.Bottom = std::max<Integer>(4, s.cy) + 2;
  r.Right = std::min<Integer>(r.Left + s.cx + 8, WndSize.cx - 1);
}

void TkvGroupBoxWnd::PrepareCache() {
  TBitmap* cache = SizeCache(this);
  LoadCtrlFont(this, false);
  TRect cr;
  CaptionRect(cr);
  const Integer ch = cr.Height();
  FBG = TkvBGInfo();
  GetBGInfo(&FBG, ParentWnd, false);
  HDC dc = cache->Canvas()->Handle();
  if (FBG.BgType == btCache && FBG.Bmp)
    CopyBmp(dc, 0, 0, WndSize.cx, ch, FBG.Bmp, WndPos.X + FBG.Offset.X, WndPos.Y + FBG.Offset.Y);
  else
    FillDC(dc, TRect(0, 0, WndSize.cx, cr.Bottom), FBG.Color);
  const TCacheInfo ci = BGInfoToCI(&FBG);
  PaintItem(SkinData, ci, false, 0, TRect(0, ch / 2, WndSize.cx, WndSize.cy), TPoint(WndPos.X, WndPos.Y + ch / 2),
            cache, true);
  if (!Caption.empty()) WriteText(cr);
  SkinData->BGChanged = false;
}

void TkvGroupBoxWnd::WriteText(TRect r) {
  TBitmap* cache = SkinData->FCacheBmp.get();
  TCanvas* canvas = cache->Canvas();
  if (FBG.BgType == btCache && FBG.Bmp)
    CopyBmp(canvas->Handle(), r.Left, r.Top, r.Width(), r.Height(), FBG.Bmp, WndPos.X + r.Left + FBG.Offset.X,
            WndPos.Y + r.Top + FBG.Offset.Y);
  else
    FillDC(canvas->Handle(), r, FBG.Color);
  Cardinal flags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (ExStyleOf(CtrlHandle) & WS_EX_RTLREADING) flags |= DT_RTLREADING;
  canvas->Font()->SetColor(GetFontColor(OwnerControl(), SkinData->SkinIndex, SkinData->GetSkinManager(), 0, SkinData));
  canvas->Brush()->SetStyle(bsClear);
  kvWriteTextEx(canvas, Caption, true, r, flags, Integer(-1), 0, nullptr);
}

void TkvGroupBoxWnd::KV_WMPaint(TMessage& message) {
  InitCtrlData(this);
  TPaintDC paint(CtrlHandle);
  if (SkinData->InUpdating(false)) return;
  const bool printing = message.WParam != 0 && message.LParam == 1;
  TClientPaintDC dc(CtrlHandle, printing ? reinterpret_cast<HDC>(message.WParam) : nullptr);
  PrepareCache();
  TSaveDC saved(dc);
  if (DlgMode) {
    // Only the frame and the caption: the dialog paints the interior around its children.
    TRect cr;
    CaptionRect(cr);
    Integer wl = 0, wr = 0, wb = 0;
    TkvSkinData* skin = SkinOf(SkinData);
    if (ValidSection(skin, SkinData->SkinIndex)) {
      if (const TsMaskData* md = ImageOf(skin, skin->gd[size_t(SkinData->SkinIndex)].BorderIndex)) {
        wl = md->WL;
        wr = md->WR;
        wb = md->WB;
      }
    }
    ExcludeClipRect(dc, wl, cr.Height(), WndSize.cx - wr, WndSize.cy - wb);
  }
  const TRect all(0, 0, WndSize.cx, WndSize.cy);
  if (auto* wc = dynamic_cast<TWinControl*>(OwnerControl())) {
    CopyWinControlCache(wc, SkinData, all, all, dc, false);
    PaintControls(dc, wc, false, TPoint(0, 0), true);
  } else {
    CopyHwndCache(CtrlHandle, SkinData, all, all, dc, false);
  }
  SetParentUpdated(CtrlHandle);
}

void TkvGroupBoxWnd::kvWndProc(TMessage& message) {
  if (!SkinData || !SkinData->Skinned()) {
    TkvMainWnd::kvWndProc(message);
    return;
  }
  switch (message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      TRedrawOff off(this);
      TkvMainWnd::kvWndProc(message);
    }
      SkinData->BGChanged = true;
      RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      return;
    case WM_SETTEXT:
      TkvMainWnd::kvWndProc(message);
      SkinData->BGChanged = true;
      RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
      return;
    case WM_PAINT:
      if (DlgMode) break;
      KV_WMPaint(message);
      message.Result = 0;
      return;
    case WM_ERASEBKGND:
      if (DlgMode) break;
      if (TControl* c = OwnerControl();
          c && !c->ControlState().Contains(csPaintCopy) && message.WParam != TWParam(message.LParam)) {
        message.Result = 1;
        return;
      }
      if (message.WParam) {
        if (SkinData->BGChanged) {
          InitCtrlData(this);
          PrepareCache();
        }
        if (!SkinData->BGChanged)
          CopyBmp(reinterpret_cast<HDC>(message.WParam), 0, 0, WndSize.cx, WndSize.cy, SkinData->FCacheBmp.get());
      }
      message.Result = 1;
      return;
    case WM_NCPAINT:
      if (DlgMode) {
        TMessage made;
        made.Msg = WM_NCPAINT;
        made.WParam = 0;
        made.LParam = 0;
        made.Result = 0;
        KV_WMPaint(made);
        message.Result = 1;
        return;
      }
      break;
    case WM_PARENTNOTIFY:
      TkvMainWnd::kvWndProc(message);
      if (LOWORD(message.WParam) == WM_CREATE)
        if (auto* wc = dynamic_cast<TWinControl*>(OwnerControl())) AddToAdapter(wc);
      return;
    case WM_PRINT:
      SkinData->BGChanged = true;
      SkinData->FUpdating = false;
      message.LParam = 1;
      KV_WMPaint(message);
      return;
    default:
      if (message.Msg == SM_ALPHACMD) {
        if (message.WParamHi == KV_REMOVESKIN) {
          if (TControl* c = OwnerControl(); c && HasOldCtrlStyle) {
            TControlStyle s = c->ControlStyle();
            s -= csOpaque;
            c->SetControlStyle(s);
          }
        } else if (message.WParamHi == KV_GETSERVICEINT) {
          InitCtrlData(this);
          TRect cr;
          CaptionRect(cr);
          message.Result = cr.Height();
          return;
        }
      }
      break;
  }
  TkvMainWnd::kvWndProc(message);
}
