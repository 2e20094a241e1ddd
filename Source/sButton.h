// TsButton: the skinned push button. Until the skinned painting exists it draws as the class
// library's button; its skin data is already there for the engine to find.
#pragma once

#ifdef _WIN32

#include <memory>

#include "sCommonData.h"
#include "vcl/StdCtrls.h"

class TsButton : public TButton {
  TW_CLASS(TsButton, TButton)
  explicit TsButton(TComponent* owner);
  ~TsButton() override;
  TsCommonData* SkinData() const { return FCommonData.get(); }

 private:
  std::unique_ptr<TsCommonData> FCommonData;
};

#endif
