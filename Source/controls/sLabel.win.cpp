#include "controls/sLabel.h"

TW_DEFINE_CLASS(TsLabel) { b.Property(u"SkinData", &TsLabel::SkinData); }

TsLabel::TsLabel(TComponent* owner) : TLabel(owner), FCommonData(std::make_unique<TsCommonData>(this)) {
  FCommonData->FOwnerControl = this;
}

TsLabel::~TsLabel() = default;
