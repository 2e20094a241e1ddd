// TsEdit: the skinned edit. Until the skinned painting exists it is the class library's edit
// with its inner padding: the left padding becomes the edit's left margin (a single-line
// system edit has no top margin; the skinned edit draws that one).
#pragma once

#ifdef _WIN32

#include <memory>

#include "base/kvntTypes.h"
#include "skin/sCommonData.h"
#include "ui/StdCtrls.h"

class TsEdit : public TEdit {
  TW_CLASS(TsEdit, TEdit)
  explicit TsEdit(TComponent* owner);
  ~TsEdit() override;
  TsCommonData* SkinData() const { return FCommonData.get(); }
  // Inner text margins in pixels at 96 PPI.
  TkvPadding* Padding() const { return FPadding.get(); }
  void Dispatch(TMessage& message) override;

 protected:
  void HandleCreated() override;
  void Loaded() override;

 private:
  void PaddingChanged(TObject* sender);
  void ApplyMargins();

  std::unique_ptr<TsCommonData> FCommonData;
  std::unique_ptr<TkvPadding> FPadding;
};

#endif
