#include "wrappers/kvSBUtilsButtons.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "base/sMessages.h"
#include "controls/kvAnimation.h"
#include "controls/kvGlow.h"
#include "controls/sThirdParty.h"
#include "images/ImageListSizes.h"
#include "images/kvAlphaImageList.h"
#include "paint/sAlphaGraph.h"
#include "paint/sCommonDataCache.h"
#include "paint/sGraphUtils.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/Shapes.h"
#include "skin/ControlServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Buttons.h"
#include "ui/GdiScopes.h"
#include "ui/ImgList.h"
#include "ui/StdCtrls.h"

TW_DEFINE_CLASS(TkvBtnWnd) {}
TW_DEFINE_CLASS(TkvSplitBtnWnd) {}
TW_DEFINE_CLASS(TkvButtonWnd) {}
TW_DEFINE_CLASS(TkvBitBtnWnd) {}

namespace {

// "No colour" in a colouring record.
constexpr Integer kvNoColorValue = 0x1FFFFFFF;

TkvEffectServices* EffectServices() { return TkvServiceSlot<TkvEffectServices>::Get(); }
TkvGlowServices* GlowServices() { return TkvServiceSlot<TkvGlowServices>::Get(); }

bool ValidSection(TsCommonData* sd) {
  DuRiruZireziv* manager = sd ? sd->GetSkinManager() : nullptr;
  return manager && manager->IsValidSkinIndex(sd->SkinIndex) && sd->GetCommonSkinData();
}

const TsGeneralData* SectionOf(TsCommonData* sd) {
  return ValidSection(sd) ? &sd->GetCommonSkinData()->gd[size_t(sd->SkinIndex)] : nullptr;
}

TColor SectionFontColor(TsCommonData* sd, Integer state) {
  const TsGeneralData* gd = SectionOf(sd);
  if (!gd) return clBlack;
  return TColor(gd->Props[size_t(std::clamp<Integer>(state, 0, 2))].FontColor.Color);
}

// Property changes the previous procedure would paint run with redraw off.
class TRedrawOff {
 public:
  explicit TRedrawOff(HWND wnd) : wnd_(wnd) { SetRedraw(wnd_, 0); }
  ~TRedrawOff() {
    if (IsWindow(wnd_)) SetRedraw(wnd_, 1);
  }
  TRedrawOff(const TRedrawOff&) = delete;
  TRedrawOff& operator=(const TRedrawOff&) = delete;

 private:
  HWND wnd_;
};

TLResult PassOn(TkvMainWnd* w, TMessage& m) { return w->CallPrevWndProc(w->CtrlHandle, m.Msg, m.WParam, m.LParam); }

bool MouseInWindow(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  const TPoint p = kvMousePos();
  return p.X >= r.left && p.X < r.right && p.Y >= r.top && p.Y < r.bottom;
}

}  // namespace

// ---- 1. TkvBtnWnd ------------------------------------------------------------------------------

TsCtrlSkinData* TkvBtnWnd::ButtonData() const { return dynamic_cast<TsCtrlSkinData*>(SkinData); }

void TkvBtnWnd::InitSkinData() {
  if (!SkinData) {
    auto* sd = new TsCtrlSkinData(nullptr, true);
    sd->FSWHandle = CtrlHandle;
    SkinData = sd;
    if (TkvEffectServices* effects = EffectServices()) effects->AddLightControl(sd);
  }
  SkinData->Loading = true;
}

void TkvBtnWnd::AfterCreation() {
  if (TsCtrlSkinData* sd = ButtonData()) sd->OnUpdateLight = decltype(sd->OnUpdateLight)(this, &TkvBtnWnd::UpdateLight);
  if (SkinData->FSkinSection.empty()) SkinData->SetSkinSection(u"BUTTON");
  SkinData->COC = COC_TsButton;
  if (auto* button = dynamic_cast<TButton*>(SkinData->FOwnerControl)) {
    switch (button->ModalResult()) {
      case mrOk:
      case mrYes: ID = 1; break;
      case mrCancel:
      case mrNo: ID = 7; break;
      default: ID = 0; break;
    }
  } else {
    ID = Cardinal(GetDlgCtrlID(CtrlHandle));
  }
  TkvMainWnd::AfterCreation();
}

LONG TkvBtnWnd::CtrlStyle() const { return GetWindowLongW(CtrlHandle, GWL_STYLE); }

bool TkvBtnWnd::Down() { return (ProcessMessage(BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; }

Integer TkvBtnWnd::PressedOrActiveState() {
  if (Down()) {
    // A pressed button shows no glow.
    if (SkinData->GlowID >= 0)
      if (TkvGlowServices* glows = GlowServices()) glows->HideGlow(SkinData->GlowID, false);
    return 2;
  }
  if (!IsWindowEnabled(CtrlHandle)) return 0;
  if (TControl* ctrl = SkinData->FOwnerControl) {
    if (!ctrl->ComponentState().Contains(csDesigning) && SkinData->ControlIsActive()) return 1;
    return -1;
  }
  DuRiruZireziv* def = DefaultManager;
  if (GetFocus() == CtrlHandle || (def && def->ActiveControl() == CtrlHandle) || SkinData->FFocused) return 1;
  return -1;
}

Integer TkvBtnWnd::CurrentState() {
  const Integer state = PressedOrActiveState();
  if (state >= 0) return state;
  // At rest: a default class-library button shows hot, a default dialog button its own state.
  if (!(CtrlStyle() & BS_DEFPUSHBUTTON)) return 0;
  return SkinData->FOwnerControl ? 1 : 3;
}

void TkvBtnWnd::DrawGlyph() {}

void TkvBtnWnd::GlyphSize(TSize& size) { size = TSize(0, 0); }

Integer TkvBtnWnd::MaxCaptionWidth() {
  if (Caption.empty()) return 0;
  TSize g;
  GlyphSize(g);
  if (g.cx == 0) return WndSize.cx + 1;
  return std::max<Integer>(0, WndSize.cx - g.cx);
}

void TkvBtnWnd::TextRectSize(TSize& size) {
  TRect r(0, 0, MaxCaptionWidth() + 2, 0);
  Cardinal flags = DT_CENTER | DT_EXPANDTABS | DT_CALCRECT | DT_NOPREFIX;
  if (CtrlStyle() & BS_MULTILINE) flags |= DT_WORDBREAK;
  kvDrawText(SkinData->FCacheBmp->Canvas()->Handle(), Caption, r, flags);
  size = TSize(r.Width(), r.Height());
}

void TkvBtnWnd::CaptionRect(TRect& r) {
  TSize s;
  TextRectSize(s);
  const Integer w = WndSize.cx, h = WndSize.cy;
  const Integer dx = (w - s.cx) / 2, dy = (h - s.cy) / 2;
  r = TRect(dx - 1, dy, w - dx + 2, h - dy);
  if (Down() && CanClickShift(SkinData->SkinIndex, SkinData))
    r = TRect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
}

void TkvBtnWnd::DoDrawText(TRect& r, Cardinal flags, bool canGlow) {
  kvWriteTextEx(SkinData->FCacheBmp->Canvas(), Caption, true, r, flags, SkinData, CurrentState() != 0 ? 1 : 0,
                SkinData->GetSkinManager(), canGlow);
}

void TkvBtnWnd::DrawCaption(const TkvColoring& coloring) {
  LoadCtrlFont(this, false);
  TRect r;
  CaptionRect(r);
  Cardinal flags = DT_CENTER | DT_EXPANDTABS;
  if (SkinData->TranspMode == 2) flags |= DT_ALPHATEXT;
  if (CtrlStyle() & BS_MULTILINE) flags |= DT_WORDBREAK;
  if (GetWindowLongW(CtrlHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) flags |= DT_RTLREADING;
  TCanvas* canvas = SkinData->FCacheBmp->Canvas();
  canvas->Brush()->SetStyle(bsClear);
  SetBkMode(canvas->Handle(), TRANSPARENT);
  const TRect captionArea = r;
  if (coloring.ColorText != kvNoColorValue) {
    canvas->Font()->SetColor(TColor(kvColorToRGB(coloring.ColorText, SkinData->GetSkinManager())));
    kvDrawText(canvas->Handle(), Caption, r, flags);
  } else {
    DoDrawText(r, flags, coloring.ColorToneBG == kvNoColorValue);
  }
  if (SkinData->TranspMode == 1) FillAlphaRect(SkinData->FCacheBmp.get(), captionArea, 255, TColor(0xFF00FF));
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  if (IsWindowEnabled(CtrlHandle) && manager && manager->ButtonsOptions.ShowFocusRect &&
      (ProcessMessage(BM_GETSTATE, 0, 0) & BST_FOCUS) && !Caption.empty()) {
    TRect f = captionArea;
    f = TRect(f.Left - 2, f.Top - 1, f.Right + 2, f.Bottom + 1);
    f.Top = std::max<Integer>(f.Top, 3);
    f.Bottom = std::min<Integer>(f.Bottom, WndSize.cy - 3);
    const TsGeneralData* gd = SectionOf(SkinData);
    const Integer state = gd ? std::min<Integer>(gd->States, 1) : 0;
    FocusRect(canvas, f, SectionFontColor(SkinData, state), clNone);
  }
}

void TkvBtnWnd::RenderButton() {
  TsCommonData* sd = SkinData;
  InitCtrlData(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  TCacheInfo ci = GetParentCacheHwnd(CtrlHandle);
  sd->InitCacheBmp();
  TBitmap* cache = sd->FCacheBmp.get();
  cache->SetPixelFormat(pf32bit);
  cache->SetSize(WndSize.cx, WndSize.cy);
  const TsGeneralData* gd = SectionOf(sd);
  const Integer states = gd ? std::max<Integer>(gd->States, 1) : 1;
  const Integer current = CurrentState();
  const Integer state = current == 3 && states < 4 ? 1 : std::min(current, states - 1);
  TPoint at = WndPos;
  DWORD processLayout = 0;
  if (GetProcessDefaultLayout(&processLayout) && (processLayout & LAYOUT_RTL) && ci.Bmp && ParentWnd) {
    TClientDC pdc(ParentWnd);
    if (kvGetLayout(pdc.get()) & LAYOUT_RTL) {
      at.X = ci.Bmp->Width() - at.X;
      DuRiruZireziv* manager = sd->GetSkinManager();
      if (manager && manager->GetExtendedBorders()) at.X -= 2 * ci.X;
    }
  }
  const bool down = Down();
  PaintItem(sd, ci, true, state, TRect(0, 0, WndSize.cx, WndSize.cy), at, cache, false, down ? 1 : 0, down ? 1 : 0,
            true);
  if (TsCtrlSkinData* lit = ButtonData()) HandleLighting(lit, state);
  TkvColoring coloring;
  GetColoring(coloring);
  UpdateBmpColors(cache, sd, true, state, coloring.ColorToneBG);
  DrawCaption(coloring);
  DrawGlyph();
  if (!IsWindowEnabled(CtrlHandle)) {
    if (ci.Ready && ci.Bmp) {
      const TRect r(WndPos.X + ci.X, WndPos.Y + ci.Y, WndPos.X + ci.X + WndSize.cx, WndPos.Y + ci.Y + WndSize.cy);
      BlendTransRectangle(cache, 0, 0, ci.Bmp, r, DefBlendDisabled, TColor(0xFF00FF));
    } else {
      BlendTransBitmap(cache, DefBlendDisabled, ci.FillColor);
    }
  }
  sd->BGChanged = false;
}

void TkvBtnWnd::PrepareCache() { RenderButton(); }

void TkvBtnWnd::Repaint() { RedrawWindow(CtrlHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

void TkvBtnWnd::UpdateLight(TControl*, TkvAnimEventData& data) {
  TsCtrlSkinData* sd = ButtonData();
  if (!sd) return;
  DuRiruZireziv* manager = sd->GetSkinManager();
  TkvEffectServices* effects = EffectServices();
  if (IsWindowVisible(CtrlHandle) && IsWindowEnabled(CtrlHandle) && manager &&
      manager->AnimEffects.Buttons.Events.Contains(beLighting) && effects) {
    if (data.DoOutput) effects->UpdateLight(sd);
  } else {
    sd->FDoLighting = false;
  }
  sd->DestroyNeedlessLight(true);
  data.DoLighting = sd->DoLighting(true);
}

void TkvBtnWnd::kv_WMPaint(TMessage& message) {
  const bool printing = message.Msg == WM_PRINT;
  // A print paints into its own DC: BeginPaint would take the window's DC and validate an
  // update region the window still has to paint.
  std::optional<TPaintDC> paint;
  if (!printing) paint.emplace(CtrlHandle);
  if (!SkinData->Skinned()) return;
  HDC target = printing ? reinterpret_cast<HDC>(message.WParam) : nullptr;
  std::optional<TClientDC> own;
  auto dc = [&]() {
    if (target) return target;
    own.emplace(CtrlHandle);
    return own->get();
  };
  auto ltr = [](HDC d) {
    DWORD layout = 0;
    if (GetProcessDefaultLayout(&layout) && (layout & LAYOUT_RTL)) kvSetLayout(d, 0);
  };
  if (SkinData->TimerIsActive() && SkinData->AnimTimer && SkinData->AnimTimer->BmpOut) {
    // The fade's current frame.
    HDC d = dc();
    ltr(d);
    TBitmap* frame = SkinData->AnimTimer->BmpOut;
    BitBlt(d, 0, 0, frame->Width(), frame->Height(), frame->Canvas()->Handle(), 0, 0, SRCCOPY);
    return;
  }
  InitCtrlData(CtrlHandle, ParentWnd, WndRect, WndPos, WndSize, ParentRect);
  if (InAnimationProcess && !SkinData->PrintDC) return;
  SkinData->FUpdating = SkinData->GetUpdating() && !InAnimationProcess;
  if (SkinData->FUpdating) return;
  HDC d = dc();
  ltr(d);
  SkinData->BGChanged = true;
  PrepareCache();
  TBitmap* cache = SkinData->FCacheBmp.get();
  BitBlt(d, 0, 0, cache->Width(), cache->Height(), cache->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TkvBtnWnd::kvWndProc(TMessage& message) {
  HWND wnd = CtrlHandle;
  TsCommonData* sd = SkinData;
  DuRiruZireziv* manager = sd ? sd->GetSkinManager() : nullptr;
  TControl* ctrl = sd ? sd->FOwnerControl : nullptr;
  const bool ctrlDestroying = ctrl && ctrl->ComponentState().Contains(csDestroying);
  auto inherited = [&] { TkvMainWnd::kvWndProc(message); };
  if (!sd || Destroyed) {
    inherited();
    return;
  }
  switch (message.Msg) {
    case WM_MOVE: {
      if (const TsGeneralData* gd = SectionOf(sd)) {
        if (gd->Props[0].Transparency > 0 || (gd->Props[1].Transparency > 0 && sd->ControlIsActive())) {
          sd->BGChanged = true;
          Repaint();
        }
      }
      if (!(GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE) && ctrl && ctrl->Visible()) return;
      inherited();
      if (sd->GlowID >= 0)
        if (TkvGlowServices* glows = GlowServices()) glows->HideGlow(sd->GlowID, false);
      return;
    }
    case WM_SIZE:
      sd->BGChanged = true;
      inherited();
      // A shown glow follows the button's new size.
      if (!Destroyed && SkinData && SkinData->GlowID >= 0) RepaintGlow(SkinData->GlowID);
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (!IsWindowEnabled(wnd)) break;
      if (message.Msg == WM_KILLFOCUS && ctrlDestroying) {
        inherited();
        return;
      }
      {
        TRedrawOff off(wnd);
        inherited();
      }
      sd->FFocused = message.Msg == WM_SETFOCUS;
      sd->BGChanged = true;
      if (message.Msg == WM_SETFOCUS) sd->StopTimer();
      RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
      return;
    case WM_ENABLE:
      if (!IsWindowVisible(wnd)) break;
      {
        TRedrawOff off(wnd);
        inherited();
      }
      sd->BGChanged = true;
      Repaint();
      return;
    case WM_SETTEXT:
      if (!IsWindowVisible(wnd)) break;
      // A running fade ends on its target look first: the new caption is painted over that.
      FinishTimer(sd->AnimTimer.get());
      sd->StopTimer();
      {
        TRedrawOff off(wnd);
        inherited();
      }
      sd->BGChanged = true;
      Repaint();
      return;
    case BM_SETSTATE:
      if (!IsWindowVisible(wnd)) break;
      {
        TRedrawOff off(wnd);
        message.Result = PassOn(this, message);
      }
      sd->BGChanged = true;
      sd->StopTimer();
      Repaint();
      return;
    case WM_PAINT:
      if (!IsWindowVisible(wnd) && !(sd->CtrlSkinState & KVS_PRINTING)) break;
      if (!ParamsChanged) SetSkinParams();
      kv_WMPaint(message);
      return;
    case WM_PRINT: kv_WMPaint(message); return;
    case WM_ERASEBKGND: message.Result = 1; return;
    case WM_NCPAINT:
    case WM_UPDATEUISTATE: message.Result = 0; return;
    case WM_LBUTTONUP:
      if (manager && manager->AnimEffects.Buttons.Events.Contains(beClick)) DoClickAnimation(sd, cm1);
      if (sd->FMouseAbove) {
        sd->StopTimer();
        sd->FMouseAbove = false;
        inherited();
        // The hot look comes back with a fade.
        if (IsWindow(wnd) && IsWindowVisible(wnd)) SendAMessage(wnd, KV_MOUSEENTER);
      } else {
        inherited();
        if (!IsWindow(wnd)) return;
        sd->StopTimer();
        sd->BGChanged = false;
        DoChangePaint(sd, 0, UpdateWindow_CB, true, true, true);
      }
      return;
    case WM_MOUSEHOVER:
      SendAMessage(wnd, KV_MOUSEENTER);
      inherited();
      return;
    case WM_MOUSELEAVE:
      if (DuRiruZireziv* def = DefaultManager; def && def->ActiveControl() == wnd) def->SetActiveControl(nullptr);
      inherited();
      return;
    default: break;
  }
  if (message.Msg == SM_ALPHACMD) {
    TsCtrlSkinData* lit = ButtonData();
    const bool fromOwn = reinterpret_cast<DuRiruZireziv*>(message.LParam) == manager;
    switch (message.WParamHi) {
      case KV_SETNEWSKIN:
        if (fromOwn && lit) {
          lit->LightMask.reset();
          lit->HotCache.reset();
        }
        break;
      case KV_REMOVESKIN:
        if (fromOwn && !ctrlDestroying && lit) {
          lit->LightMask.reset();
          lit->HotCache.reset();
        }
        break;
      case KV_ENDPARENTUPDATE:
        if (!sd->FUpdating) break;
        if (!sd->InUpdating(true))
          RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        return;
      case KV_PREPARECACHE: PrepareCache(); return;
      case KV_MOUSEENTER: {
        DuRiruZireziv* def = DefaultManager;
        if (!sd->FMouseAbove && def && def->ActiveControl() == wnd && manager && !manager->Options.NoMouseHover &&
            MouseInWindow(wnd)) {
          if (lit) lit->LightMask.reset();
          sd->FUpdating = false;
          sd->FMouseAbove = true;
          sd->BGChanged = false;
          DoChangePaint(sd, 1, UpdateWindow_CB, true, false, true);
        }
        return;
      }
      case KV_MOUSELEAVE:
        if (sd->FMouseAbove) {
          sd->FMouseAbove = false;
          if (ctrl && kvMouseInControl(ctrl)) return;
          if (lit) lit->LightMask.reset();
          sd->FUpdating = false;
          sd->BGChanged = false;
          DoChangePaint(sd, 0, UpdateWindow_CB, true, false, false);
        }
        return;
      case KV_GETCOLORTONE: {
        auto* coloring = reinterpret_cast<TkvColoring*>(message.LParam);
        if (!coloring || !sd->Skinned() || !(ID == 1 || ID == 2 || ID == 6 || ID == 7)) break;
        const TSet<TkvModalButtonsColoringValue> set = manager->ButtonsOptions.ModalButtonsColoring;
        const bool okFound = ID != 2 || HaveID(wnd, 1, nullptr) || HaveID(wnd, 6, nullptr);
        const bool blueCancel = ID == 2 && HaveID(wnd, 7, nullptr);
        if (okFound) {
          const bool rest = CurrentState() == 0;
          static constexpr TColor kRedBlueText[2][2] = {{slBtnRedText, TColor(0xFF0000A2)},
                                                        {TColor(0xFFAE7400), TColor(0xFF916000)}};
          const bool ok = ID == 1 || ID == 6;
          const Integer tone =
              ok ? Integer(rest ? slBtnGreen : slBtnGreenActive) : Integer(kRedBlueText[blueCancel][!rest]);
          const Integer glyph =
              ok ? Integer(rest ? TColor(0xFF28851A) : TColor(0xFF008E00)) : Integer(kRedBlueText[blueCancel][!rest]);
          if (set.Contains(bcBackground)) coloring->ColorToneBG = tone;
          if (set.Contains(bcGlyph)) coloring->ColorGlyph = glyph;
          message.Result = 1;
        }
        return;
      }
      default: break;
    }
  }
  inherited();
  if (message.Msg == WM_MOUSEMOVE && IsWindow(wnd)) {
    DuRiruZireziv* def = DefaultManager;
    if (def && !def->IsDesigning() && IsWindowEnabled(wnd) && manager && !manager->Options.NoMouseHover) {
      if (MouseInWindow(wnd)) {
        if (def->ActiveControl() != wnd) def->SetActiveControl(wnd);
      } else if (def->ActiveControl() == wnd) {
        def->SetActiveControl(nullptr);
      }
    }
  }
}

// ---- 2. The other push buttons ------------------------------------------------------------------

void TkvSplitBtnWnd::CaptionRect(TRect& r) {
  ArrowWidth = 8;
  TkvBtnWnd::CaptionRect(r);
  r = TRect(r.Left - ArrowWidth, r.Top, r.Right - ArrowWidth, r.Bottom);
}

void TkvSplitBtnWnd::ArrowRect(TRect& r) {
  TBitmap* cache = SkinData->FCacheBmp.get();
  r = TRect(0, 0, cache ? cache->Width() : WndSize.cx, cache ? cache->Height() : WndSize.cy);
  r.Left = r.Right - 2 * ArrowWidth - 6;
}

void TkvSplitBtnWnd::PrepareCache() {
  RenderButton();
  TRect r;
  ArrowRect(r);
  const TColor color = SectionFontColor(SkinData, std::min<Integer>(CurrentState(), 2));
  DrawColorArrow(SkinData->FCacheBmp.get(), color, r, asBottom, GetPPI(SkinData));
}

void TkvButtonWnd::AfterCreation() {
  Btn = dynamic_cast<TButton*>(SkinData->FOwnerControl);
  TkvBtnWnd::AfterCreation();
}

bool TkvButtonWnd::HaveImage() const {
  return Btn && Btn->Images() && Btn->ImageIndex() >= 0 && Btn->ImageIndex() < GetImageCount(Btn->Images());
}

void TkvButtonWnd::GlyphSize(TSize& size) {
  size = HaveImage() ? TSize(Btn->Images()->Width(), Btn->Images()->Height()) : TSize(0, 0);
}

Integer TkvButtonWnd::GlyphIndex() {
  Integer index;
  const Integer state = CurrentState();
  if (!Btn->Enabled()) {
    index = Btn->DisabledImageIndex();
  } else if (state == 2) {
    index = Btn->PressedImageIndex();
  } else if (Btn->Focused()) {
    index = Btn->SelectedImageIndex();
  } else {
    index = state == 1 ? Btn->HotImageIndex() : Btn->ImageIndex();
  }
  if (index < 0 || index >= GetImageCount(Btn->Images())) index = Btn->ImageIndex();
  return index;
}

void TkvButtonWnd::GlyphRect(TRect& r) {
  r = TRect();
  if (!HaveImage()) return;
  const Integer w = Btn->Width(), h = Btn->Height();
  const Integer iw = Btn->Images()->Width(), ih = Btn->Images()->Height();
  const TImageMargins* m = Btn->ImageMargins();
  // Centred across the side it sits at, and both ways for iaCenter.
  Integer x = (w - iw) / 2, y = (h - ih) / 2;
  switch (Btn->ImageAlignment()) {
    case iaLeft: x = m->Left() + 3; break;
    case iaRight: x = w - m->Right() - 3 - iw; break;
    case iaTop: y = m->Top() + 3; break;
    case iaBottom: y = h - m->Bottom() - 3 - ih; break;
    default: break;
  }
  r = TRect(x, y, x + iw, y + ih);
  if (CurrentState() == 2 && CanClickShift(SkinData->SkinIndex, SkinData))
    r = TRect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
}

void TkvButtonWnd::CaptionRect(TRect& r) {
  if (!Btn) {
    TkvBtnWnd::CaptionRect(r);
    return;
  }
  SkinData->FCacheBmp->Canvas()->Font()->Assign(Btn->Font());
  TSize s;
  TextRectSize(s);
  const Integer w = Btn->Width(), h = Btn->Height();
  Integer left, top, right, bottom;
  const TImageAlignment align = Btn->ImageAlignment();
  if (HaveImage() && align != iaCenter) {
    const TImageMargins* m = Btn->ImageMargins();
    const Integer iw = Btn->Images()->Width(), ih = Btn->Images()->Height();
    if (align == iaLeft || align == iaRight) {
      const Integer a = iw + (align == iaLeft ? m->Left() : m->Right()) + 3;
      left = (w - a - s.cx) / 2 + (align == iaLeft ? a : 0);
      right = left + s.cx;
      top = (h - s.cy) / 2;
      bottom = h - top;
    } else {
      const Integer a = ih + (align == iaTop ? m->Top() : m->Bottom()) + 3;
      top = (h - a - s.cy) / 2 + (align == iaTop ? a : 0);
      bottom = top + s.cy;
      left = (w - s.cx) / 2;
      right = w - left;
    }
  } else {
    left = (w - s.cx) / 2;
    right = left + s.cx;
    top = (h - s.cy) / 2;
    bottom = top + s.cy;
  }
  r = TRect(left - 1, top, right + 2, bottom);
  if (CurrentState() == 2 && CanClickShift(SkinData->SkinIndex, SkinData))
    r = TRect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
}

namespace {

// What every button glyph request of a wrapper holds: the section, the state, the cache as the
// target and the skin's density.
TkvDrawGlyphData GlyphRequest(TkvBtnWnd* w, Integer state) {
  TsCommonData* sd = w->SkinData;
  TkvDrawGlyphData d;
  d.Blend = 0;
  d.SkinIndex = sd->SkinIndex;
  d.CurrentState = state;
  d.Down = w->Down();
  d.Reflected = false;
  d.DstBmp = sd->FCacheBmp.get();
  d.Canvas = d.DstBmp ? d.DstBmp->Canvas() : nullptr;
  d.CommonSkinData = sd->GetCommonSkinData();
  d.PPI = d.CommonSkinData ? d.CommonSkinData->PPI : 96;
  return d;
}

// The colour of the section's normal look, which discoloured glyphs take on.
TColor NormalSectionColor(TsCommonData* sd) {
  TkvSkinData* skin = sd->GetCommonSkinData();
  if (!skin || sd->SkinIndex < 0 || sd->SkinIndex >= Integer(skin->gd.size())) return clNone;
  return TColor(skin->gd[size_t(sd->SkinIndex)].Props[0].Color) & 0xFFFFFF;
}

bool DiscoloredGlyphsOn(TsCommonData* sd) {
  DuRiruZireziv* manager = sd->GetSkinManager();
  return manager && sd->Skinned() && manager->Effects.DiscoloredGlyphs;
}

}  // namespace

void TkvButtonWnd::DrawGlyph() {
  if (!HaveImage() || !SkinData->FCacheBmp) return;
  const Integer state = CurrentState();
  TkvDrawGlyphData d = GlyphRequest(this, state);
  d.NumGlyphs = 1;
  d.ImageIndex = GlyphIndex();
  d.Grayed = DiscoloredGlyphsOn(SkinData);
  d.Enabled = Btn->Enabled();
  d.Glyph = nullptr;
  GlyphRect(d.ImgRect);
  d.BGColor = NormalSectionColor(SkinData);
  d.Images = Btn->Images();
  // Icon-font images are written in the text colour of the button's look.
  if (dynamic_cast<TsCharImageList*>(d.Images))
    d.Canvas->Font()->SetColor(GetFontColor(Btn, SkinData->SkinIndex, SkinData->GetSkinManager(), state, SkinData));
  kvDrawGlyphEx(d);
}

namespace {

TBitBtn* BitBtnOf(TsCommonData* sd) { return dynamic_cast<TBitBtn*>(sd->FOwnerControl); }

}  // namespace

Integer TkvBitBtnWnd::CurrentState() {
  const Integer state = PressedOrActiveState();
  if (state >= 0) return state;
  if (TBitBtn* bb = BitBtnOf(SkinData); bb && bb->Default()) {
    HWND focus = GetFocus();
    return !focus || !(GetWindowLongW(focus, GWL_STYLE) & 0x0008) ? 3 : 0;
  }
  return 0;
}

void TkvBitBtnWnd::GlyphSize(TSize& size) {
  if (TBitBtn* bb = BitBtnOf(SkinData)) {
    TBitmap* g = bb->Glyph();
    size = g && !g->Empty() ? TSize(g->Width() / std::max<Integer>(bb->NumGlyphs(), 1), g->Height()) : TSize(0, 0);
    return;
  }
  size = TSize(0, 0);
  auto bmp = reinterpret_cast<HBITMAP>(SendMessageW(CtrlHandle, BM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info{};
  if (bmp && GetObjectW(bmp, sizeof(info), &info)) size = TSize(info.bmWidth, info.bmHeight);
}

Integer TkvBitBtnWnd::MaxCaptionWidth() {
  TBitBtn* bb = BitBtnOf(SkinData);
  if (!bb) return TkvBtnWnd::MaxCaptionWidth();
  if (Caption.empty()) return 0;
  TSize g;
  GlyphSize(g);
  Integer w = bb->Width() - 2 * std::max<Integer>(bb->Margin(), 0);
  if ((bb->Layout() == blGlyphLeft || bb->Layout() == blGlyphRight) && g.cy != 0) w -= g.cx + bb->Spacing();
  return w;
}

void TkvBitBtnWnd::CaptionRect(TRect& r) {
  TBitBtn* bb = BitBtnOf(SkinData);
  TSize g;
  GlyphSize(g);
  if (!bb) {
    TkvBtnWnd::CaptionRect(r);
    if (g.cx != 0) r = TRect(r.Left + g.cx / 2 + 1, r.Top, r.Right + g.cx / 2 + 1, r.Bottom);
    return;
  }
  TSize s;
  TextRectSize(s);
  TPoint glyphPos;
  TRect textBounds;
  CalcButtonLayout(TRect(0, 0, WndSize.cx, WndSize.cy), TPoint(g.cx, g.cy), TPoint(s.cx, s.cy), bb->Layout(), taCenter,
                   0, 0, glyphPos, textBounds, 1, taVerticalCenter);
  r = textBounds;
  if (CurrentState() == 2 && CanClickShift(SkinData->SkinIndex, SkinData))
    r = TRect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
}

void TkvBitBtnWnd::GlyphRect(TRect& r) {
  TSize g;
  GlyphSize(g);
  TBitBtn* bb = BitBtnOf(SkinData);
  const Integer w = WndSize.cx, h = WndSize.cy;
  if (!bb) {
    r = TRect();
    if (g.cx == 0) return;
    TRect c;
    CaptionRect(c);
    r.Right = c.Left - 2;
    r.Left = r.Right - g.cx;
    r.Top = (Down() ? 1 : 0) + (h - g.cy) / 2;
    r.Bottom = r.Top + g.cy;
    return;
  }
  TSize s;
  TextRectSize(s);
  const Integer sp = g.cx > 0 && !Caption.empty() ? bb->Spacing() : 0;
  const Integer dx = (w - g.cx - s.cx - sp) / 2, dy = (h - g.cy - s.cy - sp) / 2;
  Integer x, y;
  switch (bb->Layout()) {
    case blGlyphRight:
      x = (w - g.cx + sp + s.cx) / 2;
      y = (h - g.cy) / 2;
      break;
    case blGlyphTop:
      x = (w - g.cx) / 2 + 1;
      y = dy;
      break;
    case blGlyphBottom:
      x = (w - g.cx) / 2 + 1;
      y = h - dy - g.cy;
      break;
    default:
      x = dx;
      y = (h - g.cy) / 2;
      break;
  }
  if (CurrentState() == 2 && CanClickShift(SkinData->SkinIndex, SkinData)) {
    ++x;
    ++y;
  }
  r = TRect(x, y, x + g.cx, y + g.cy);
}

void TkvBitBtnWnd::DrawGlyph() {
  TBitBtn* bb = BitBtnOf(SkinData);
  if (!bb || !bb->Glyph() || bb->Glyph()->Empty() || !SkinData->FCacheBmp) return;
  TBitmap* g = bb->Glyph();
  if (g->HandleType() != bmDIB) g->SetHandleType(bmDIB);
  const Integer state = CurrentState();
  TkvDrawGlyphData d = GlyphRequest(this, state);
  d.NumGlyphs = std::max<Integer>(bb->NumGlyphs(), 1);
  d.ImageIndex = 0;
  d.Grayed = state == 0 && DiscoloredGlyphsOn(SkinData);
  if (d.Grayed) d.BGColor = NormalSectionColor(SkinData);
  d.Enabled = bb->Enabled();
  d.Glyph = g;
  GlyphRect(d.ImgRect);
  d.Images = nullptr;
  kvDrawGlyphEx(d);
}

// ---- 3. The modal-buttons colouring ---------------------------------------------------------------

namespace {

struct TSearch {
  Cardinal ID;
  bool Found = false;
};

BOOL CALLBACK SearchID(HWND child, LPARAM data) {
  auto* s = reinterpret_cast<TSearch*>(data);
  if (Cardinal(GetDlgCtrlID(child)) == s->ID) {
    s->Found = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

bool HaveID(HWND ctrlHandle, Cardinal aID, TkvMainWnd* wndData) {
  if (auto* bw = dynamic_cast<TkvButtonWnd*>(wndData); bw && bw->Btn) {
    TWinControl* parent = bw->Btn->Parent();
    if (!parent) return false;
    for (Integer i = 0; i < parent->ControlCount(); ++i) {
      auto* b = dynamic_cast<TButton*>(parent->Controls(i));
      if (b && Cardinal(b->ModalResult()) == aID) return true;
    }
    return false;
  }
  TSearch s{aID};
  if (HWND parent = GetParent(ctrlHandle)) EnumChildWindows(parent, &SearchID, reinterpret_cast<LPARAM>(&s));
  return s.Found;
}

void TkvBtnWnd::GetColoring(TkvColoring& coloring) {
  coloring.ColorToneBG = coloring.ColorText = kvNoColorValue;
  DuRiruZireziv* manager = SkinData->GetSkinManager();
  if (!manager) return;
  const TSet<TkvModalButtonsColoringValue> set = manager->ButtonsOptions.ModalButtonsColoring;
  if (set.Empty() || !(ID == 1 || ID == 2 || ID == 6 || ID == 7)) return;
  bool okFound, blueCancel;
  auto* self = dynamic_cast<TkvButtonWnd*>(this);
  if (self && self->Btn) {
    okFound = HaveID(CtrlHandle, mrOk, this) || HaveID(CtrlHandle, mrYes, this);
    blueCancel = self->Btn->ModalResult() == mrCancel && HaveID(CtrlHandle, mrNo, this);
  } else if (ID == 2) {
    okFound = HaveID(CtrlHandle, 1, this) || HaveID(CtrlHandle, 6, this);
    blueCancel = HaveID(CtrlHandle, 7, this);
  } else {
    okFound = true;
    blueCancel = false;
  }
  // A Cancel button without OK or Yes beside it stays plain.
  if (!okFound) return;
  const bool rest = CurrentState() == 0;
  const bool ok = ID == 1 || ID == 6;
  static constexpr TColor kRedBlueText[2][2] = {{slBtnRedText, TColor(0xFF0000A2)},
                                                {TColor(0xFFAE7400), TColor(0xFF916000)}};
  const Integer text =
      ok ? Integer(rest ? TColor(0xFF28851A) : TColor(0xFF008E00)) : Integer(kRedBlueText[blueCancel][!rest]);
  if (set.Contains(bcBackground)) {
    if (ok) {
      coloring.ColorToneBG = Integer(rest ? slBtnGreen : slBtnGreenActive);
    } else if (blueCancel) {
      coloring.ColorToneBG = Integer(rest ? slBtnBlue : slBtnBlueActive);
    } else {
      coloring.ColorToneBG = Integer(rest ? slBtnRed : slBtnRedActive);
    }
  }
  if (set.Contains(bcGlyph)) coloring.ColorGlyph = text;
  if (set.Contains(bcText)) coloring.ColorText = text;
}
