#include "wrappers/kvSBUtilsSpeedBtn.h"

#include <windows.h>

#include "base/WindowQueries.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "controls/sThirdParty.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Buttons.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"

TW_DEFINE_CLASS(TkvSpeedButtonHandler) {}

// Receives the speed button's free notification for its handler.
class TkvSpeedButtonWatch : public TComponent {
  TW_CLASS(TkvSpeedButtonWatch, TComponent)
  explicit TkvSpeedButtonWatch(TkvSpeedButtonHandler* handler) : TComponent(nullptr), Handler(handler) {}
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && Handler && component == Handler->Ctrl) Handler->ControlFreed();
  }
  TkvSpeedButtonHandler* Handler;
};

TW_DEFINE_CLASS(TkvSpeedButtonWatch) {}

namespace {
const TSet<TsCorner> kAllCorners{scLeftTop, scLeftBottom, scRightTop, scRightBottom};
TkvSkinData* SkinOf(TsCommonData* sd) { return sd && sd->GetSkinManager() ? sd->GetCommonSkinData() : nullptr; }
}  // namespace

TkvSpeedButtonHandler::TkvSpeedButtonHandler(TControl* btn, bool, const String& skinSection,
                                             DuRiruZireziv* aSkinManager, TsCommonData* aSkinData)
    : Ctrl(btn), PCtrl(true), SkinData(aSkinData) {
  SkinManager = aSkinManager ? aSkinManager : (aSkinData ? aSkinData->GetSkinManager() : nullptr);
  if (SkinData && SkinData->SkinSection().empty()) SkinData->SetSkinSection(skinSection);
  IsUpDown = btn && btn->ClassName() == u"TTimerSpeedButton";
  FWatch = std::make_unique<TkvSpeedButtonWatch>(this);
  if (btn) {
    btn->FreeNotification(FWatch.get());
    OldWndProc = btn->WindowProc();
    btn->SetWindowProc(TWndMethod(this, &TkvSpeedButtonHandler::kvWndProc));
  }
  if (SkinData) SkinData->WndProc = TWndMethod(this, &TkvSpeedButtonHandler::kvWndProc);
}

TkvSpeedButtonHandler::~TkvSpeedButtonHandler() {
  if (!Destroyed && Ctrl && PCtrl) Unhook();
  if (Ctrl && FWatch) Ctrl->RemoveFreeNotification(FWatch.get());
  FWatch.reset();
  Ctrl = nullptr;
  PCtrl = false;
  SkinManager = nullptr;
}

void TkvSpeedButtonHandler::Unhook() {
  Destroyed = true;
  if (Ctrl && Ctrl->WindowProc() == TWndMethod(this, &TkvSpeedButtonHandler::kvWndProc))
    Ctrl->SetWindowProc(OldWndProc);
  if (SkinData && SkinData->WndProc == TWndMethod(this, &TkvSpeedButtonHandler::kvWndProc))
    SkinData->WndProc = OldWndProc;
}

void TkvSpeedButtonHandler::ControlFreed() {
  // The control's own procedure went with it: the skin data keeps none.
  if (SkinData &&
      (SkinData->WndProc == TWndMethod(this, &TkvSpeedButtonHandler::kvWndProc) || SkinData->WndProc == OldWndProc))
    SkinData->WndProc = TWndMethod();
  if (SkinData && SkinData->FOwnerControl == Ctrl) SkinData->FOwnerControl = nullptr;
  Destroyed = true;
  Ctrl = nullptr;
  PCtrl = false;
  OldWndProc = TWndMethod();
}

TLResult TkvSpeedButtonHandler::CallPrevWndProc(Cardinal msg, TWParam wParam, TLParam& lParam) {
  if (!OldWndProc) return 0;
  TMessage m;
  m.Msg = msg;
  m.WParam = wParam;
  m.LParam = lParam;
  m.Result = 0;
  OldWndProc(m);
  lParam = m.LParam;
  return m.Result;
}

String TkvSpeedButtonHandler::Caption() { return Ctrl ? Ctrl->Caption() : String(); }

Integer TkvSpeedButtonHandler::GlyphWidth() {
  auto* sb = dynamic_cast<TSpeedButton*>(Ctrl);
  if (!sb || !sb->Glyph() || sb->Glyph()->Empty()) return 0;
  return sb->Glyph()->Width() / std::max<Integer>(1, sb->NumGlyphs());
}

Integer TkvSpeedButtonHandler::GlyphHeight() {
  auto* sb = dynamic_cast<TSpeedButton*>(Ctrl);
  return !sb || !sb->Glyph() || sb->Glyph()->Empty() ? 0 : sb->Glyph()->Height();
}

TSize TkvSpeedButtonHandler::TextRectSize() {
  const String c = Caption();
  if (c.empty() || !SkinData) return TSize();
  SkinData->InitCacheBmp();
  TCanvas* canvas = SkinData->FCacheBmp->Canvas();
  canvas->Font()->Assign(Ctrl->Font());
  TRect r(0, 0, 255, 0);
  kvDrawText(canvas->Handle(), c, r, DT_WORDBREAK | DT_EXPANDTABS | DT_CALCRECT);
  return TSize(r.Width(), r.Height());
}

Integer TkvSpeedButtonHandler::CurrentState() {
  auto* sb = dynamic_cast<TSpeedButton*>(Ctrl);
  if (sb && (sb->State() == bsDown || sb->State() == bsExclusive)) return 2;
  return SkinData && SkinData->ControlIsActive() ? 1 : 0;
}

TkvSpeedButtonLayout TkvSpeedButtonHandler::Layout() {
  TkvSpeedButtonLayout l;
  l.Width = Ctrl->Width();
  l.Height = Ctrl->Height();
  l.GlyphWidth = GlyphWidth();
  l.GlyphHeight = GlyphHeight();
  l.TextSize = TextRectSize();
  if (auto* sb = dynamic_cast<TSpeedButton*>(Ctrl)) {
    l.Layout = Integer(sb->Layout());
    l.Margin = sb->Margin();
    l.Spacing = sb->Spacing();
  }
  l.Shift = CurrentState() == 2 && CanClickShift(SkinData->SkinIndex, SkinData);
  return l;
}

void TkvSpeedButtonHandler::ImgRect(TRect& r) { r = Layout().ImgRect(); }
void TkvSpeedButtonHandler::CaptionRect(TRect& r) { r = Layout().CaptionRect(); }

void TkvSpeedButtonHandler::DoDrawText(TRect r, Cardinal flags) {
  TCanvas* canvas = SkinData->FCacheBmp->Canvas();
  flags = Ctrl->DrawTextBiDiModeFlags(flags) & ~Cardinal{DT_SINGLELINE};
  canvas->Font()->Assign(Ctrl->Font());
  kvWriteTextEx(canvas, Caption(), true, r, flags, SkinData, CurrentState() != 0 ? 1 : 0, nullptr, true);
}

void TkvSpeedButtonHandler::DrawCaption() {
  if (Caption().empty()) return;
  TCanvas* canvas = SkinData->FCacheBmp->Canvas();
  canvas->Font()->Assign(Ctrl->Font());
  canvas->Brush()->SetStyle(bsClear);
  TRect r;
  CaptionRect(r);
  DoDrawText(r, DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS);
}

void TkvSpeedButtonHandler::DrawGlyph() {
  TkvSkinData* skin = SkinOf(SkinData);
  TBitmap* cache = SkinData->FCacheBmp.get();
  DuRiruZireziv* m = SkinData->GetSkinManager();
  if (IsUpDown) {
    TColor color = 0;
    const Integer state = CurrentState();
    if (m && NeedParentFont(m, SkinData->SkinIndex, state, nullptr)) {
      // A see-through button shows its arrow in the text colour of what lies under it.
      TControl* spin = Ctrl->Parent();
      color = GetFontColor(spin ? spin->Parent() : nullptr, SkinData->SkinIndex, m, 0, nullptr);
    } else if (skin && SkinData->SkinIndex >= 0 && size_t(SkinData->SkinIndex) < skin->gd.size()) {
      const TsGeneralData& gd = skin->gd[size_t(SkinData->SkinIndex)];
      color = TColor(gd.Props[size_t(std::min<Integer>(state, 2))].FontColor.Color);
    }
    DrawArrow(cache, color, clNone, TRect(0, 0, Ctrl->Width(), Ctrl->Height()), Ctrl->Top() < 4 ? asTop : asBottom, 0,
              0, skin ? skin->SmallArrowSize : 0, m ? m->Options.ActualArrowStyle() : TkvArrowsStyle{},
              GetControlPPI(Ctrl));
    return;
  }
  auto* sb = dynamic_cast<TSpeedButton*>(Ctrl);
  if (!sb || !sb->Glyph() || sb->Glyph()->Empty()) return;
  TkvDrawGlyphData d;
  d.SkinIndex = SkinData->SkinIndex;
  d.NumGlyphs = sb->NumGlyphs();
  d.ImageIndex = 0;
  d.CurrentState = CurrentState();
  d.Down = sb->Down();
  d.Grayed = CurrentState() == 0 && m && m->Effects.DiscoloredGlyphs && SkinData->Skinned();
  if (d.Grayed && skin && SkinData->SkinIndex >= 0)
    d.BGColor = TColor(skin->gd[size_t(SkinData->SkinIndex)].Props[0].Color);
  d.Enabled = sb->Enabled();
  d.Glyph = sb->Glyph();
  d.DstBmp = cache;
  ImgRect(d.ImgRect);
  d.Canvas = cache->Canvas();
  d.PPI = skin ? skin->PPI : 96;
  d.CommonSkinData = skin;
  kvDrawGlyphEx(d);
}

bool TkvSpeedButtonHandler::PrepareCache() {
  SkinData->InitCacheBmp();
  TBitmap* cache = SkinData->FCacheBmp.get();
  cache->Canvas()->Font()->Assign(Ctrl->Font());
  TkvBGInfo bg;
  TControl* spin = IsUpDown ? Ctrl->Parent() : nullptr;
  if (spin && spin->Parent()) {
    GetBGInfo(&bg, spin->Parent(), false);
    if (DuRiruZireziv* m = SkinData->GetSkinManager()) SkinData->SkinIndex = m->SkinCommonInfo.Sections[ssSpeedButton];
  } else if (Ctrl->Parent()) {
    GetBGInfo(&bg, Ctrl->Parent(), false);
  }
  const TCacheInfo ci = BGInfoToCI(&bg);
  if (ci.Ready && ci.Bmp && ci.Bmp->Width() == 0) return true;
  const TRect r(0, 0, Ctrl->Width(), Ctrl->Height());
  const TPoint at =
      spin ? TPoint(spin->Left() + Ctrl->Left(), spin->Top() + Ctrl->Top()) : TPoint(Ctrl->Left(), Ctrl->Top());
  const Integer state = CurrentState();
  PaintItem(SkinData, ci, true, state, r, at, cache, true, state == 2 ? 1 : 0, state == 2 ? 1 : 0, true);
  UpdateCorners(SkinData, state, kAllCorners);
  DrawCaption();
  DrawGlyph();
  if (!Ctrl->Enabled())
    BmpDisabledKind(cache, TSet<TsDisabledKind>{dkBlended}, Ctrl->Parent(), GetParentCache(SkinData), at);
  SkinData->BGChanged = false;
  return true;
}

void TkvSpeedButtonHandler::KV_WMPaint(TMessage& message) {
  HDC dc = reinterpret_cast<HDC>(message.WParam);
  if (!dc || !Ctrl || !SkinData) return;
  TSaveDC saved(dc);
  PrepareCache();
  UpdateCorners(SkinData, 0, kAllCorners);
  BitBlt(dc, 0, 0, Ctrl->Width(), Ctrl->Height(), SkinData->FCacheBmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TkvSpeedButtonHandler::kvWndProc(TMessage& message) {
  if (!Ctrl) return;  // the control has ended: nothing to pass on to
  TLParam lp = message.LParam;
  switch (message.Msg) {
    case WM_DESTROY:
      if (!Destroyed) {
        Unhook();
        if (SkinData) SkinData->FOwnerControl = nullptr;
        TControl* ctrl = Ctrl;
        TWndMethod old = OldWndProc;
        if (FWatch) ctrl->RemoveFreeNotification(FWatch.get());
        Ctrl = nullptr;
        PCtrl = false;
        if (old) old(message);
        return;
      }
      message.Result = CallPrevWndProc(message.Msg, message.WParam, lp);
      return;
    case WM_PAINT: KV_WMPaint(message); return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      if (SkinData) {
        SkinData->FMouseAbove = message.Msg == CM_MOUSEENTER;
        SkinData->BGChanged = true;
      }
      message.Result = CallPrevWndProc(message.Msg, message.WParam, lp);
      if (Ctrl) Ctrl->Repaint();
      return;
    default: break;
  }
  if (message.Msg == SM_ALPHACMD && SkinData) {
    const bool fromOwn = reinterpret_cast<DuRiruZireziv*>(message.LParam) == SkinManager;
    switch (message.WParamHi) {
      case KV_SETNEWSKIN:
        if (fromOwn) {
          CommonWndProc(message, SkinData);
          return;
        }
        break;
      case KV_REMOVESKIN:
        if (fromOwn && !Ctrl->ComponentState().Contains(csDestroying)) {
          CommonWndProc(message, SkinData);
          TControl* ctrl = Ctrl;
          Unhook();
          if (ctrl->Visible()) ctrl->Repaint();
          return;
        }
        break;
      case KV_REFRESH:
        if (RefreshNeeded(SkinData, message)) {
          CommonWndProc(message, SkinData);
          if (Ctrl->Visible()) Ctrl->Repaint();
          return;
        }
        break;
      case KV_ENDPARENTUPDATE:
        if (SkinData->InUpdating()) {
          SkinData->FUpdating = false;
          return;
        }
        break;
      case KV_CTRLHANDLED: message.Result = 1; return;
      case KV_INVALIDATE:
        SkinData->FUpdating = false;
        SkinData->BGChanged = true;
        Ctrl->Repaint();
        return;
      case KV_GETAPPLICATION: message.Result = reinterpret_cast<TLResult>(Application); return;
      case KV_GETFONTINDEX: CommonMessage(message, SkinData); return;
      default: break;
    }
  }
  message.Result = CallPrevWndProc(message.Msg, message.WParam, lp);
  message.LParam = lp;
}
