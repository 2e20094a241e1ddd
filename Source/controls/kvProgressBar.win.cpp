#include "controls/kvProgressBar.h"

TW_DEFINE_CLASS(TsProgressBar) { b.Property(u"SkinData", &TsProgressBar::SkinData); }

TsProgressBar::TsProgressBar(TComponent* owner)
    : TProgressBar(owner), FCommonData(std::make_unique<TsCommonData>(this)) {
  FCommonData->FOwnerControl = this;
}

TsProgressBar::~TsProgressBar() = default;
