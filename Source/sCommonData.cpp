#include "sCommonData.h"

#include "sSkinManager.h"

TW_DEFINE_CLASS(TsCommonData) {}

TsCommonData::TsCommonData(TObject* aOwner) : FOwnerObject(aOwner) {}

TsCommonData::~TsCommonData() { SkinIndex = -1; }

DuRiruZireziv* TsCommonData::GetSkinManager() const { return FSkinManager ? FSkinManager : DefaultManager; }

TkvSkinData* TsCommonData::GetCommonSkinData() {
  if (FCommonSkinData) return FCommonSkinData;
  DuRiruZireziv* manager = GetSkinManager();
  return manager ? manager->CommonSkinData(CurrentPPI) : nullptr;
}

bool TsCommonData::Skinned(bool checkSkinActive) {
  try {
    DuRiruZireziv* manager = GetSkinManager();
    if (!manager || manager->ComponentState().Contains(csDestroying) || SkinIndex < 0) return false;
    TkvSkinData* data = GetCommonSkinData();
    if (!data || !data->FOwner || SkinIndex >= static_cast<Integer>(data->gd.size())) return false;
    if (auto* owner = dynamic_cast<TComponent*>(FOwnerObject); owner && owner->ComponentState().Contains(csDestroying))
      return false;
    return !checkSkinActive || manager->IsActive();
  } catch (...) {
    return false;
  }
}
