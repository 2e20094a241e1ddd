// The skinned label: the skin's text colour and optional section background.
#include "controls/sLabel.h"

#include <windows.h>

#include "base/sMessages.h"
#include "paint/sGraphUtils.h"
#include "raster/Pixels.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"

TW_DEFINE_CLASS(TsLabel) {
  b.Property(u"SkinSection", &TsLabel::SkinSection, &TsLabel::SetSkinSection).Default(String());
  b.Property(u"UseSkinColor", &TsLabel::UseSkinColor, &TsLabel::SetUseSkinColor).Default(true);
  b.Property(u"TransparentForMouse", &TsLabel::TransparentForMouse, &TsLabel::SetTransparentForMouse)
      .Default(false);
}

TsLabel::TsLabel(TComponent* owner) : TLabel(owner) {
  SetShowAccelChar(true);
  SetTransparent(true);
}

TsLabel::~TsLabel() { ReplaceReference<DuRiruZireziv>(this, FSkinManager, nullptr); }

void TsLabel::SetSkinManager(DuRiruZireziv* value) {
  if (ReplaceReference(this, FSkinManager, value)) Invalidate();
}

DuRiruZireziv* TsLabel::GetSkinManager() const { return FSkinManager ? FSkinManager : DefaultManager; }

bool TsLabel::ManagerActive() const {
  DuRiruZireziv* manager = GetSkinManager();
  return manager && manager->IsActive();
}

void TsLabel::SetSkinSection(const String& value) {
  if (value == FSkinSection) return;
  FSkinSection = value;
  FSkinIndex = -1;
  Invalidate();
}

void TsLabel::SetUseSkinColor(bool value) {
  if (value == FUseSkinColor) return;
  FUseSkinColor = value;
  Invalidate();
}

void TsLabel::Notification(TComponent* component, TOperation operation) {
  TLabel::Notification(component, operation);
  if (operation == opRemove && component == FSkinManager) FSkinManager = nullptr;
}

Integer TsLabel::SkinIndex() {
  if (!ManagerActive() || FSkinSection.empty()) return -1;
  if (FSkinIndex < 0) FSkinIndex = GetSkinManager()->GetSkinIndex(FSkinSection);
  return FSkinIndex;
}

TColor TsLabel::TextColor() {
  TColor color = Font()->Color();
  if (FUseSkinColor && ManagerActive()) color = GetFontColor(this, SkinIndex(), GetSkinManager(), 0, nullptr);
  if (!Enabled() && Parent())
    color = BlendColors(TColor(ColorToRGB(color)), TColor(ColorToRGB(GetControlColor(Parent()))), DefBlendDisabled);
  return color;
}

void TsLabel::Paint() {
  if (ComponentState().Contains(csDestroying)) return;
  const Integer index = SkinIndex();
  if (index >= 0 && Parent()) {
    // The section under the text, over the parent's background at the label's place.
    TkvBGInfo info;
    info.R = BoundsRect();
    info.Offset = TPoint(Left(), Top());
    GetBGInfo(&info, Parent(), false);
    PaintItem(index, BGInfoToCI(&info), true, 0, TRect(0, 0, Width(), Height()), TPoint(Left(), Top()),
              Canvas()->Handle(), GetSkinManager()->CommonSkinData(96));
  }
  TLabel::Paint();
  FSkinIndex = -1;  // looked up again at the next paint
}

void TsLabel::DoDrawText(TRect& r, Cardinal flags) {
  const bool measuring = flags & DT_CALCRECT;
  if (measuring || (!ManagerActive() && Enabled())) {
    TLabel::DoDrawText(r, flags);
    return;
  }
  String text = Caption();
  TCanvas* c = Canvas();
  c->SetFont(Font());
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(TColor(ColorToRGB(TextColor())));
  if (EllipsisPosition() != epNone && !AutoSize()) {
    static constexpr Cardinal kEllipsis[] = {0, DT_PATH_ELLIPSIS, DT_END_ELLIPSIS, DT_WORD_ELLIPSIS};
    flags = (flags & ~static_cast<Cardinal>(DT_EXPANDTABS)) | kEllipsis[EllipsisPosition()];
    if (WordWrap() && (EllipsisPosition() == epEndEllipsis || EllipsisPosition() == epWordEllipsis))
      text = WrappedWithEllipsis(c->Handle(), text, r, flags);
  }
  kvDrawText(c->Handle(), text, r, flags);
}

void TsLabel::Dispatch(TMessage& m) {
  if (m.Msg == CM_HITTEST && FTransparentForMouse) {
    m.Result = 0;  // the mouse goes through
    return;
  }
  TLabel::Dispatch(m);
  if (m.Msg != SM_ALPHACMD || ComponentState().Contains(csDestroying)) return;
  switch (HIWORD(m.WParam)) {
    case KV_REMOVESKIN:
    case KV_REFRESH:
      FSkinIndex = -1;
      Invalidate();
      break;
  }
}
