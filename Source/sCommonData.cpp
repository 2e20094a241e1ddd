#include "sCommonData.h"

#include "sSkinManager.h"

TW_DEFINE_CLASS(TsCommonData) {}

TsCommonData::TsCommonData(TObject* aOwner) : FOwnerObject(aOwner) {}

TsCommonData::~TsCommonData() { SkinIndex = -1; }

DuRiruZireziv* TsCommonData::GetSkinManager() const { return FSkinManager ? FSkinManager : DefaultManager; }
