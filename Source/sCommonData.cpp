#include "sCommonData.h"

#include "sSkinManager.h"

TW_DEFINE_CLASS(TsCommonData) {
  // The control keeps its own font and font colour.
  b.Property(u"CustomFont", &TsCommonData::FCustomFont, &TsCommonData::FCustomFont);
}

TsCommonData::TsCommonData(TObject* aOwner) : FOwnerObject(aOwner) {}

TsCommonData::~TsCommonData() { SkinIndex = -1; }

DuRiruZireziv* TsCommonData::GetSkinManager() const { return FSkinManager ? FSkinManager : DefaultManager; }
