// The bound label over its control: the label's life, placement and state.
#include "controls/sBoundLabel.h"

#include <windows.h>

#include "ui/Forms.h"

TW_DEFINE_CLASS(TsEditLabel) {}

TsEditLabel::TsEditLabel(TComponent* owner, TsBoundLabel* boundLabel) : TsHTMLLabel(owner), FBoundLabel(boundLabel) {}

TsEditLabel::~TsEditLabel() {
  if (FBoundLabel) FBoundLabel->LabelGone();
}

void TsEditLabel::Click() {
  TsHTMLLabel::Click();
  if (FBoundLabel && FBoundLabel->AllowClick()) FBoundLabel->DoClick();
}

TW_DEFINE_CLASS(TsBoundLabel) {
  b.Property(u"Active", &TsBoundLabel::Active, &TsBoundLabel::SetActive).Default(false);
  b.Property(u"Caption", &TsBoundLabel::Caption, &TsBoundLabel::SetCaption);
  b.Property(u"Indent", &TsBoundLabel::Indent, &TsBoundLabel::SetIndent).Default(0);
  b.Property(u"Offset", &TsBoundLabel::Offset, &TsBoundLabel::SetOffset).Default(0);
  b.Property(u"EnabledAlways", &TsBoundLabel::EnabledAlways, &TsBoundLabel::SetEnabledAlways).Default(false);
  b.Property(u"AllowClick", &TsBoundLabel::AllowClick, &TsBoundLabel::SetAllowClick).Default(false);
}

TsBoundLabel::TsBoundLabel(TWinControl* owner) : FOwnerControl(owner) {}

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
  if (!FTheLabel) FTheLabel = new TsEditLabel(nullptr, this);
  TsEditLabel* l = FTheLabel;
  l->SetVisible(false);
  l->SetUseHTML(true);
  if (!FOwnerControl->Name().empty()) l->SetName(FOwnerControl->Name() + u"Label");
  l->SetCaption(FText.empty() ? FOwnerControl->Name() : FText);
  l->SetParent(FOwnerControl->Parent());
  l->SetAlignment(LayoutAlignment(FLayout));
  l->SetVisible(FOwnerControl->Visible() || FOwnerControl->ComponentState().Contains(csDesigning));
  l->SetEnabled(FOwnerControl->Enabled() || FEnabledAlways);
  l->SetAutoSize(true);
  AlignLabel();
}

void TsBoundLabel::AlignLabel() {
  TsEditLabel* l = FTheLabel;
  TWinControl* parent = FOwnerControl->Parent();
  if (!l || !parent) return;
  if (l->Parent() != parent) l->SetParent(parent);
  l->SetEnabled(FOwnerControl->Enabled() || FEnabledAlways);
  const TsCaptionLayout layout = FOwnerControl->BiDiMode() == bdRightToLeft ? MirroredLayout(FLayout) : FLayout;
  l->SetAlignment(LayoutAlignment(layout));
  const bool clientShorter = FOwnerControl->ClientHeight() != FOwnerControl->Height();
  const TPoint at = BoundLabelPlace(layout, FOwnerControl->BoundsRect(), TSize(l->Width(), l->Height()), FSpacing,
                                    FIndent, FOffset, clientShorter);
  l->SetBounds(at.X, at.Y, l->Width(), l->Height());
}

void TsBoundLabel::HandleOwnerMsg(const TMessage& m) {
  if (!FTheLabel) {
    if (m.Msg == CM_VISIBLECHANGED || m.Msg == CM_SHOWINGCHANGED) UpdateVisibility();
    return;
  }
  switch (m.Msg) {
    case WM_SIZE:
    case WM_MOVE:
    case WM_WINDOWPOSCHANGED:
    case CM_BIDIMODECHANGED:
      AlignLabel();
      break;
    case CM_VISIBLECHANGED:
    case CM_SHOWINGCHANGED:
      FTheLabel->SetVisible(FOwnerControl->Visible());
      AlignLabel();
      break;
    case CM_ENABLEDCHANGED:
      AlignLabel();
      break;
  }
}
