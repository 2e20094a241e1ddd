#include "controls/sEdit.h"

#include <windows.h>

TW_DEFINE_CLASS(TsEdit) {
  b.Property(u"SkinData", &TsEdit::SkinData);
  b.Property(u"Padding", &TsEdit::Padding);
}

TsEdit::TsEdit(TComponent* owner)
    : TEdit(owner),
      FCommonData(std::make_unique<TsCommonData>(this)),
      FPadding(std::make_unique<TkvPadding>(this, TNotifyEvent(this, &TsEdit::PaddingChanged))) {
  FCommonData->FOwnerControl = this;
}

TsEdit::~TsEdit() = default;

void TsEdit::Dispatch(TMessage& message) {
  TEdit::Dispatch(message);
  // A new font makes the system edit compute its margins again.
  if (message.Msg == CM_FONTCHANGED) ApplyMargins();
}

void TsEdit::HandleCreated() {
  TEdit::HandleCreated();
  ApplyMargins();
}

void TsEdit::Loaded() {
  TEdit::Loaded();
  ApplyMargins();
}

void TsEdit::PaddingChanged(TObject*) { ApplyMargins(); }

void TsEdit::ApplyMargins() {
  if (!HandleAllocated()) return;
  const Integer ppi = CurrentPPI();
  const auto scale = [ppi](Integer v) { return MulDiv(v, ppi, 96); };
  SendMessageW(WindowHandle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
               MAKELPARAM(scale(FPadding->FLeft), scale(FPadding->FRight)));
}
