// The bound label over its control: the label's life, placement and state.
#include "controls/sBoundLabel.h"

#include <windows.h>

#include <algorithm>

#include "base/WindowQueries.h"
#include "base/WorkingBitmaps.h"
#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "paint/sGraphUtils.h"
#include "raster/Pixels.h"
#include "raster/Text.h"
#include "raster/kvgpUtils.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

TW_DEFINE_CLASS(TsEditLabel) {}

TsEditLabel::TsEditLabel(TComponent* owner, TsBoundLabel* boundLabel) : TsHTMLLabel(owner), FBoundLabel(boundLabel) {
  // The control's own manager paints its label too (the default one otherwise).
  if (TsCommonData* sd = boundLabel ? boundLabel->SkinData() : nullptr; sd && sd->FSkinManager)
    SetSkinManager(sd->FSkinManager);
}

TRect TsEditLabel::MeasuredTextRect() {
  TRect r = ClientRect();
  Cardinal flags = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | kvAlignmentArray[Alignment()];
  if (WordWrap()) flags |= DT_WORDBREAK;
  DoDrawText(r, flags);
  return r;
}

TsEditLabel::~TsEditLabel() {
  if (FBoundLabel) FBoundLabel->LabelGone();
}

TWinControl* TsEditLabel::FocusControl() const { return FBoundLabel ? FBoundLabel->OwnerControl() : nullptr; }

void TsEditLabel::Click() {
  TsHTMLLabel::Click();
  if (FBoundLabel && FBoundLabel->AllowClick()) FBoundLabel->DoClick();
}

void TsEditLabel::DblClick() {
  TsHTMLLabel::DblClick();
  if (FBoundLabel && FBoundLabel->AllowClick()) FBoundLabel->DoClick();
}

TW_DEFINE_CLASS(TsBoundLabel) {
  b.Property(u"Active", &TsBoundLabel::Active, &TsBoundLabel::SetActive).Default(false);
  b.Property(u"Caption", &TsBoundLabel::Caption, &TsBoundLabel::SetCaption);
  b.Property(u"Indent", &TsBoundLabel::Indent, &TsBoundLabel::SetIndent).Default(0);
  b.Property(u"Offset", &TsBoundLabel::Offset, &TsBoundLabel::SetOffset).Default(0);
  b.Property(u"MaxWidth", &TsBoundLabel::MaxWidth, &TsBoundLabel::SetMaxWidth).Default(0);
  b.Property(u"Layout", &TsBoundLabel::Layout, &TsBoundLabel::SetLayout).Default(sclLeft);
  b.Property(u"UseHTML", &TsBoundLabel::UseHTML, &TsBoundLabel::SetUseHTML).Default(false);
  b.Property(u"UseSkinColor", &TsBoundLabel::UseSkinColor, &TsBoundLabel::SetUseSkinColor).Default(true);
  b.Property(u"ParentFont", &TsBoundLabel::ParentFont, &TsBoundLabel::SetParentFont).Default(true);
  b.Property(u"Font", &TsBoundLabel::Font).Stored(&TsBoundLabel::DoStoreFont);
  b.Property(u"EnabledAlways", &TsBoundLabel::EnabledAlways, &TsBoundLabel::SetEnabledAlways).Default(false);
  b.Property(u"AllowClick", &TsBoundLabel::AllowClick, &TsBoundLabel::SetAllowClick).Default(false);
}

TsBoundLabel::TsBoundLabel(TWinControl* owner, TsCommonData* commonData)
    : FOwnerControl(owner), FCommonData(commonData), FFont(std::make_unique<TFont>()) {
  FFont->SetOnChange(TNotifyEvent(this, &TsBoundLabel::FontChanged));
}

TsBoundLabel::~TsBoundLabel() { FreeLabel(); }

void TsBoundLabel::FreeLabel() {
  TsEditLabel* label = FTheLabel;
  FTheLabel = nullptr;
  if (!label) return;
  label->Forget();
  label->Free();
}

void TsBoundLabel::SetActive(bool value) {
  if (value == FActive) return;
  FActive = value;
  UpdateVisibility();
}

void TsBoundLabel::SetCaption(const String& value) {
  if (value == FText) return;
  FText = value;
  if (FActive && FTheLabel) {
    FTheLabel->SetCaption(FText.empty() ? FOwnerControl->Name() : FText);
    AlignLabel();
  }
}

void TsBoundLabel::SetLayout(TsCaptionLayout value) {
  if (value == FLayout) return;
  FLayout = value;
  if (FActive) AlignLabel();
}

void TsBoundLabel::SetIndent(Integer value) {
  if (value == FIndent) return;
  FIndent = value;
  if (FActive) AlignLabel();
}

void TsBoundLabel::SetOffset(Integer value) {
  if (value == FOffset) return;
  FOffset = value;
  if (FActive) AlignLabel();
}

void TsBoundLabel::SetMaxWidth(Integer value) {
  if (value == FMaxWidth) return;
  FMaxWidth = value;
  if (FActive) AlignLabel();
}

void TsBoundLabel::SetUseHTML(bool value) {
  if (value == FUseHTML) return;
  FUseHTML = value;
  AlignLabel();
}

void TsBoundLabel::SetFont(const TFont* value) {
  FFont->Assign(value);  // FontChanged gives it to the label
  if (FTheLabel) {
    FTheLabel->Font()->Assign(FFont.get());
    FTheLabel->SetParent(FOwnerControl->Parent());
  }
  AlignLabel();
}

void TsBoundLabel::SetParentFont(bool value) {
  if (FTheLabel) {
    FTheLabel->SetParentFont(value);
    const auto updating = SetForScope(FFontUpdating, true);
    if (value)
      FFont->Assign(FTheLabel->Font());
    else
      FTheLabel->Font()->Assign(FFont.get());
  }
  FParentFont = value;
}

void TsBoundLabel::SetUseSkinColor(bool value) {
  if (value == FUseSkin) return;
  FUseSkin = value;
  if (!FTheLabel) return;
  FTheLabel->SetUseSkinColor(value);
  if (!value) FTheLabel->Font()->SetColor(FFont->Color());
}

bool TsBoundLabel::DoStoreFont() const {
  if (FParentFont) return false;
  const TFont* f = FTheLabel ? FTheLabel->Font() : FFont.get();
  const TFont fresh;
  return f->Color() != fresh.Color() || f->Size() != fresh.Size() || f->Orientation() != fresh.Orientation() ||
         f->Charset() != fresh.Charset() || f->Pitch() != fresh.Pitch() || f->Name() != fresh.Name();
}

void TsBoundLabel::FontChanged(TObject*) {
  if (FFontUpdating || FOwnerControl->ComponentState().Contains(csLoading)) return;
  FParentFont = false;
  if (!FTheLabel) return;
  FTheLabel->SetParentFont(false);
  FTheLabel->Font()->Assign(FFont.get());
  AlignLabel();
}

void TsBoundLabel::CopyParentFont() {
  TWinControl* parent = FOwnerControl->Parent();
  if (!parent) return;
  const auto updating = SetForScope(FFontUpdating, true);
  FFont->Assign(parent->Font());
}

Integer TsBoundLabel::OwnerPPI() { return FCommonData ? GetPPI(FCommonData) : FOwnerControl->CurrentPPI(); }

void TsBoundLabel::UpdateFontOnce() {
  TsEditLabel* l = FTheLabel;
  if (!l) return;
  if (FParentFont) {
    l->SetParentFont(true);
    CopyParentFont();
    return;
  }
  l->SetParentFont(false);
  l->Font()->Assign(FFont.get());
  if (FCommonData) {
    // The manager's own rescaling takes the font along in the other modes once the PPI changed.
    DuRiruZireziv* manager = FCommonData->GetSkinManager();
    const Integer ppi = GetPPI(FCommonData);
    if (!manager || manager->Options.ScaleMode == smOldMode || manager->Options.ScaleMode == smVCL ||
        ppi == FCurrentPPI)
      l->Font()->SetHeight(ScaleInt(FFont->Height(), FCommonData));
    FCurrentPPI = ppi;
  } else if (!DefaultManager || DefaultManager->Options.ScaleMode == smOldMode ||
             DefaultManager->Options.ScaleMode == smVCL) {
    // Nothing of a skin to go by: the application's main form gives the density.
    FCurrentPPI = DefaultPPI();
    l->Font()->SetHeight(kvMulDiv(FFont->Height(), FCurrentPPI, 96));
  }
  if (!FUseSkin) {
    l->SetUseSkinColor(false);
    l->Font()->SetColor(FFont->Color());
  }
}

TRect TsBoundLabel::GetTextRect() const { return FTheLabel ? FTheLabel->MeasuredTextRect() : TRect(); }

void TsBoundLabel::UpdateScale(Integer newPPI) {
  if (newPPI == FCurrentPPI || !FTheLabel || !FActive) return;
  AlignLabel();
  FCurrentPPI = newPPI;
}

void TsBoundLabel::SetSpacing(Integer value) {
  if (value == FSpacing) return;
  FSpacing = value;
  if (FActive) AlignLabel();
}

void TsBoundLabel::SetEnabledAlways(bool value) {
  if (value == FEnabledAlways) return;
  FEnabledAlways = value;
  if (FActive) AlignLabel();
}

void TsBoundLabel::DoClick() {
  if (!FOwnerControl->ComponentState().Contains(csDesigning)) FOwnerControl->Click();
}

void TsBoundLabel::UpdateVisibility() {
  if (FOwnerControl->ComponentState().Contains(csLoading)) return;
  if (!FActive) {
    FreeLabel();
    return;
  }
  if (!FTheLabel) {
    FTheLabel = new TsEditLabel(nullptr, this);
    UpdateFontOnce();
  }
  TsEditLabel* l = FTheLabel;
  l->SetVisible(false);
  l->SetUseHTML(FUseHTML);
  if (!FOwnerControl->Name().empty()) l->SetName(FOwnerControl->Name() + u"Label");
  l->SetCaption(FText.empty() ? FOwnerControl->Name() : FText);
  l->SetParent(FOwnerControl->Parent());
  l->SetAlignment(LayoutAlignment(FLayout));
  l->SetVisible(!PreventVisible && (FOwnerControl->Visible() || FOwnerControl->ComponentState().Contains(csDesigning)));
  l->SetEnabled(FOwnerControl->Enabled() || FEnabledAlways);
  l->SetAutoSize(true);
  AlignLabel();
}

void TsBoundLabel::AlignLabel() {
  TsEditLabel* l = FTheLabel;
  TWinControl* parent = FOwnerControl->Parent();
  if (!l || !parent) return;
  const bool designing = FOwnerControl->ComponentState().Contains(csDesigning);
  if (FOwnerControl->ComponentState().Contains(csLoading) && !designing) return;
  if (!l->Visible() && !designing && !PreventVisible) return;
  // The label's own size and alignment changes must not realign the parent half-way.
  parent->DisableAlign();
  const TScopeExit resumeAlign([parent] { parent->EnableAlign(); });
  if (l->Parent() != parent) l->SetParent(parent);

  Integer width = FMaxWidth;
  if (width > 0) {
    DuRiruZireziv* manager = FCommonData ? FCommonData->GetSkinManager() : nullptr;
    if (!manager || !IsSysPPIUsed(manager)) width = ScaleInt(width, FCommonData);
  }
  l->Constraints()->SetMaxWidth(width);
  const TsCaptionLayout layout = FOwnerControl->BiDiMode() == bdRightToLeft ? MirroredLayout(FLayout) : FLayout;
  const TBoundLabelSide side =
      BoundLabelSide(layout, FOwnerControl->Align() == alLeft, FOwnerControl->Align() == alRight);
  const TAlign labelAlign = side == TBoundLabelSide::Left ? alLeft : side == TBoundLabelSide::Right ? alRight : alNone;
  if (labelAlign != l->Align() && parent->ControlState().Contains(csAligning) && FOwnerControl->HandleAllocated()) {
    // The parent is placing its children and drops what they ask meanwhile: the label takes its
    // side once the pass is over.
    PostMessageW(FOwnerControl->WindowHandle(), RealignMessage(), 0, 0);
    return;
  }
  if (labelAlign == alNone) l->SetAlign(alNone);
  l->SetBounds(l->Left(), l->Top(), BoundLabelWorkingWidth(width), 0);
  l->SetUseHTML(FUseHTML);
  const bool autoSize = !(FLayout == sclLeftLeft && FMaxWidth != 0);
  l->SetAutoSize(autoSize);
  l->SetWordWrap(autoSize);
  if (autoSize) l->FitToText();
  l->SetEnabled(FOwnerControl->Enabled() || FEnabledAlways);
  l->SetLayout(tlTop);

  l->SetAlignment(LayoutAlignment(layout));
  const bool clientShorter = FOwnerControl->ClientHeight() != FOwnerControl->Height();
  Integer height = l->Height();
  if (side != TBoundLabelSide::None && layout != sclLeft) {
    // A label aligned to a side is one text line high, centred on the control's line.
    if (layout == sclLeftLeft) {
      height = GetFontHeight(l->Font()->Handle(), false);
    } else {
      TCanvas* canvas = l->Canvas();
      canvas->Font()->Assign(l->Font());
      height = canvas->TextHeight(l->Caption());
    }
  }
  // A skinned control keeps the skin's spacing to its label.
  Integer spacing = FSpacing;
  if (FCommonData && FCommonData->Skinned())
    if (TkvSkinData* skin = FCommonData->GetCommonSkinData()) spacing = skin->Spacing;
  TPoint at = BoundLabelPlace(layout, FOwnerControl->BoundsRect(), TSize(l->Width(), height), spacing, FIndent, FOffset,
                              clientShorter);
  if (side == TBoundLabelSide::Left && layout == sclLeft)
    at.X = FOwnerControl->Left() - l->Width() - FOwnerControl->Margins()->Left();
  l->SetBounds(at.X, at.Y, l->Width(), height);
  if (side != TBoundLabelSide::None) {
    if (layout != sclLeft) l->SetAlignment(side == TBoundLabelSide::Left ? taLeftJustify : taRightJustify);
    l->SetLayout(tlCenter);
    l->SetAlign(labelAlign);
  }
  if (l->Parent() != parent) l->SetParent(parent);
}

bool TsBoundLabel::Scaling() const {
  DuRiruZireziv* manager = FCommonData ? FCommonData->GetSkinManager() : nullptr;
  return manager && (manager->ManagerState.Contains(msScaleChanging) || manager->ManagerState.Contains(msFormScaling));
}

bool TsBoundLabel::FollowNewPPI() {
  const Integer ppi = OwnerPPI();
  if (ppi == FCurrentPPI) return false;
  UpdateScale(ppi);
  return true;
}

Cardinal TsBoundLabel::RealignMessage() {
  static const Cardinal message = RegisterWindowMessageW(L"TarnwickBoundLabelRealign");
  return message;
}

void TsBoundLabel::HandleOwnerMsg(const TMessage& m) {
  if (m.Msg == RealignMessage()) {
    AlignLabel();
    return;
  }
  const bool designing = FOwnerControl->ComponentState().Contains(csDesigning);
  if (!FTheLabel) {
    switch (m.Msg) {
      case WM_WINDOWPOSCHANGED: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
        if (pos && (pos->flags & SWP_SHOWWINDOW) && !Scaling()) UpdateVisibility();
        break;
      }
      case CM_VISIBLECHANGED:
      case CM_SHOWINGCHANGED: UpdateVisibility(); break;
      case CM_PARENTFONTCHANGED:
        if (FParentFont && !FOwnerControl->ComponentState().Contains(csLoading)) CopyParentFont();
        break;
    }
    return;
  }
  const bool ownerShown = FOwnerControl->Visible() || designing;
  switch (m.Msg) {
    case WM_SIZE:
      if (Scaling() || FollowNewPPI()) break;
      if (SysPopupCount < 1) AlignLabel();
      break;
    case WM_WINDOWPOSCHANGED: {
      if (!Scaling()) {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(m.LParam);
        if (pos && (pos->flags & SWP_NOSIZE) && (pos->flags & SWP_NOMOVE)) break;
        if (FollowNewPPI()) break;
      }
      if (SysPopupCount < 1) AlignLabel();
      break;
    }
    case SM_ALPHACMD:
      if (HIWORD(m.WParam) == KV_SETSCALE) UpdateScale(Integer(m.LParam));
      break;
    case CM_PARENTFONTCHANGED:
      if (FParentFont) CopyParentFont();
      FTheLabel->SetVisible(!PreventVisible && ownerShown);
      AlignLabel();
      break;
    case CM_VISIBLECHANGED:
    case CM_SHOWINGCHANGED:
      UpdateVisibility();
      if (FTheLabel) {
        FTheLabel->SetVisible(!PreventVisible && ownerShown);
        AlignLabel();
      }
      break;
    case CM_ENABLEDCHANGED:
      FTheLabel->SetEnabled(FOwnerControl->Enabled() || FEnabledAlways);
      AlignLabel();
      break;
    case CM_BIDIMODECHANGED:
      FTheLabel->SetBiDiMode(FOwnerControl->BiDiMode());
      AlignLabel();
      break;
  }
}

void HideBoundLabel(TsBoundLabel* b) {
  TsEditLabel* l = b->TheLabel();
  if (!b->Active() || !l || !l->Visible()) return;
  TWinControl* control = b->OwnerControl();
  if (TsCommonData* sd = b->SkinData()) sd->CtrlSkinState &= ~KVS_TEXTANIMATING;
  TWinControl* parent = l->Parent();
  const TRect where = l->BoundsRect();
  b->SetActive(false);
  if (parent && parent->HandleAllocated()) {
    const RECT r{where.Left, where.Top, where.Right, where.Bottom};
    RedrawWindow(parent->WindowHandle(), &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  control->Invalidate();
}

// ---- Text hints --------------------------------------------------------------------------------------

TColor TextHintColor(TsCommonData* sd, Integer state, bool dontBlend) {
  TControl* control = sd->FOwnerControl;
  if (!control) return clNone;
  const bool skinned = sd->Skinned();
  TColor text;
  if (skinned && !sd->FCustomFont)
    text = GetFontColor(control, sd->SkinIndex, sd->GetSkinManager(),
                        state > 0 ? state : (sd->ControlIsActive() ? 1 : 0), sd);
  else
    text = TColor(kvColorToRGB(Integer(control->Font()->Color())));
  if (dontBlend) return text;
  const TColor background = skinned && !sd->FCustomColor ? GetControlColor(control) : control->Color();
  return BlendColors(TColor(ColorToRGB(text)), TColor(ColorToRGB(background)), Byte(kv_TextHintBlend));
}

void TextHintOut(TsCommonData* sd, const TRect& r, const String& textHint, Cardinal flags, Integer state) {
  TBitmap* cache = sd->FCacheBmp.get();
  if (textHint.empty() || !cache) return;
  TCanvas* c = cache->Canvas();
  const bool alpha = flags & DT_ALPHATEXT;
  c->Font()->SetColor(TextHintColor(sd, state, alpha));
  c->Brush()->SetStyle(bsClear);
  TRect rect = r;
  if (!alpha) {
    kvDrawText(c->Handle(), textHint, rect, flags);
    return;
  }
  const Integer horizontal = (flags & DT_RIGHT) ? 1 : (flags & DT_CENTER) ? 2 : 0;
  const Integer vertical = (flags & DT_BOTTOM) ? 1 : (flags & DT_VCENTER) ? 2 : 0;
  const TColor text = TColor(ColorToRGB(c->Font()->Color()));
  // GDI+ order (alpha, red, green, blue): the text colour at 148 of 255.
  const TColor argb = TColor((Cardinal{0x94} << 24) | ((Cardinal(text) & 0xFF) << 16) | (Cardinal(text) & 0xFF00) |
                             ((Cardinal(text) >> 16) & 0xFF));
  if (!kvgpDrawString(c->Handle(), textHint, r, argb, horizontal, vertical, 0, true, c->Font()->Name()))
    WriteColor(cache, textHint, true, r, flags & ~static_cast<Cardinal>(DT_ALPHATEXT), TextHintColor(sd, state, false));
}
