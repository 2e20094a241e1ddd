#include "sButton.h"

TW_DEFINE_CLASS(TsButton) { b.Property(u"SkinData", &TsButton::SkinData); }

TsButton::TsButton(TComponent* owner) : TButton(owner), FCommonData(std::make_unique<TsCommonData>(this)) {
  FCommonData->FOwnerControl = this;
}

TsButton::~TsButton() = default;
