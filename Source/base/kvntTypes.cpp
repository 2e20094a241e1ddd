#include "base/kvntTypes.h"

#include "base/kvntUtils.h"

// ---- TkvPaintBorderData ---------------------------------------------------------------

TW_DEFINE_CLASS(TkvPaintBorderData) {
  b.Property(u"Width", &TkvPaintBorderData::Width, &TkvPaintBorderData::SetWidth);
  const char16_t* colors[] = {u"ColorNormal", u"ColorActive", u"ColorPressed"};
  for (Integer i = 0; i < 3; ++i)
    b.Color(
        colors[i], [i](const TkvPaintBorderData& d) { return d.GetColor(i); },
        [i](TkvPaintBorderData& d, TColor v) { d.SetColor(i, v); });
  const char16_t* radii[] = {u"RadiusTopLeft", u"RadiusTopRight", u"RadiusBottomLeft", u"RadiusBottomRight"};
  for (Integer i = 0; i < 4; ++i)
    b.Property(
        radii[i], [i](const TkvPaintBorderData& d) { return d.GetRadius(i); },
        [i](TkvPaintBorderData& d, Integer v) { d.SetRadius(i, v); });
}

TkvPaintBorderData::TkvPaintBorderData(TObject* aOwnerObject, TObject* aSkinData, TNotifyEvent aChangeEvent)
    : FOnChange(aChangeEvent), FSkinData(aSkinData), FOwnerObject(aOwnerObject) {}

Integer* TkvPaintBorderData::Radius(Integer index) {
  switch (index) {
    case 0: return &FRadiusTopLeft;
    case 1: return &FRadiusTopRight;
    case 2: return &FRadiusBottomLeft;
    case 3: return &FRadiusBottomRight;
    default: return nullptr;
  }
}

TColor* TkvPaintBorderData::Color(Integer index) {
  switch (index) {
    case 0: return &FColorNormal;
    case 1: return &FColorActive;
    case 2: return &FColorPressed;
    default: return nullptr;
  }
}

TColor TkvPaintBorderData::GetColor(Integer index) const {
  const TColor* c = const_cast<TkvPaintBorderData*>(this)->Color(index);
  return c ? *c : clNone;
}

Integer TkvPaintBorderData::GetRadius(Integer index) const {
  const Integer* r = const_cast<TkvPaintBorderData*>(this)->Radius(index);
  return r ? *r : -1;
}

void TkvPaintBorderData::SetWidth(Integer value) {
  if (value == FWidth) return;
  FWidth = value;
  Invalidate();
}

void TkvPaintBorderData::SetColor(Integer index, TColor value) {
  TColor* c = Color(index);
  if (!c || *c == value) return;
  *c = value;
  Invalidate();
}

void TkvPaintBorderData::SetRadius(Integer index, Integer value) {
  Integer* r = Radius(index);
  if (!r || *r == value) return;
  *r = value;
  Invalidate();
}

bool TkvPaintBorderData::CheckChanged() {
  FChanged = !(FWidth < 0 && FColorNormal == clNone && FColorActive == clNone && FColorPressed == clNone &&
               FRadiusTopLeft == -1 && FRadiusTopRight == -1 && FRadiusBottomLeft == -1 && FRadiusBottomRight == -1);
  return FChanged;
}

void TkvPaintBorderData::Invalidate() {
  CheckChanged();
  if (!FOnChange) return;
  auto* owner = dynamic_cast<TComponent*>(FOwnerObject);
  if (!owner || owner->ComponentState().Contains(csLoading) || owner->ComponentState().Contains(csReading)) return;
  FOnChange(this);
}

// ---- TkvPadding -----------------------------------------------------------------------

TW_DEFINE_CLASS(TkvPadding) {
  const char16_t* names[] = {u"Left", u"Top", u"Right", u"Bottom"};
  for (Integer i = 0; i < 4; ++i)
    b.Property(
        names[i], [i](const TkvPadding& p) { return p.GetPadding(i); },
        [i](TkvPadding& p, TkvIntProperty v) { p.SetPadding(i, v); });
}

TkvPadding::TkvPadding(TComponent* control, TNotifyEvent changeEvent) : FControl(control), FOnChange(changeEvent) {}

TkvIntProperty TkvPadding::GetPadding(Integer index) const {
  switch (index) {
    case 0: return FLeft;
    case 1: return FTop;
    case 2: return FRight;
    case 3: return FBottom;
    default: return 0;
  }
}

void TkvPadding::SetPadding(Integer index, TkvIntProperty value) {
  TkvIntProperty* field = index == 0   ? &FLeft
                          : index == 1 ? &FTop
                          : index == 2 ? &FRight
                          : index == 3 ? &FBottom
                                       : nullptr;
  if (!field || *field == value) return;
  *field = value;
  if (FControl && FControl->ComponentState().Contains(csLoading)) return;
  FOnChange.Call(FControl);
}

TRect PaddingToRect(const TkvPadding* padding, Integer ppi) {
  auto scale = [ppi](Integer v) {
    const Int64 r = static_cast<Int64>(v) * ppi / 96;  // 64-bit product
    if (r < INT32_MIN || r > INT32_MAX) kvRaiseOverflow();
    return static_cast<Integer>(r);
  };
  return TRect(scale(padding->FLeft), scale(padding->FTop), scale(padding->FRight), scale(padding->FBottom));
}
