// TsProgressBar: the skinned progress bar. Until the skinned painting exists it draws as the
// class library's progress bar (Min, Max, Position and the range error are that class's).
#pragma once

#ifdef _WIN32

#include <memory>

#include "skin/sCommonData.h"
#include "ui/ComCtrls.h"

class TsProgressBar : public TProgressBar {
  TW_CLASS(TsProgressBar, TProgressBar)
  explicit TsProgressBar(TComponent* owner);
  ~TsProgressBar() override;
  TsCommonData* SkinData() const { return FCommonData.get(); }

 private:
  std::unique_ptr<TsCommonData> FCommonData;
};

#endif
