// TsLabel: the skinned label. Until the skinned painting exists it draws as the class
// library's label; its skin data is already there for the engine to find.
#pragma once

#ifdef _WIN32

#include <memory>

#include "skin/sCommonData.h"
#include "ui/StdCtrls.h"

class TsLabel : public TLabel {
  TW_CLASS(TsLabel, TLabel)
  explicit TsLabel(TComponent* owner);
  ~TsLabel() override;
  TsCommonData* SkinData() const { return FCommonData.get(); }

 private:
  std::unique_ptr<TsCommonData> FCommonData;
};

#endif
