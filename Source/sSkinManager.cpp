#include "sSkinManager.h"

#include "kvntUtils.h"
#include "sVclUtils.h"

DuRiruZireziv* DefaultManager = nullptr;

namespace {

// The skin data served while no skin is active, one per standard PPI; without sections.
TkvSkinData* StdScaleData(Integer index) {
  static std::array<std::unique_ptr<TkvSkinData>, 4> StdScaleArray;
  auto& slot = StdScaleArray[index];
  if (!slot) {
    slot = std::make_unique<TkvSkinData>();
    slot->ScaleValue = index;
    slot->PPI = aPPIArray[index];
    slot->ScalePercent = aScalePercents[index];
  }
  return slot.get();
}

}  // namespace

TW_DEFINE_CLASS(DuRiruZireziv) {}

DuRiruZireziv::DuRiruZireziv(TComponent* owner) : TComponent(owner) {
  if (!DefaultManager) DefaultManager = this;
#ifdef _WIN32
  SysFontScale = PPIToIndex(DefaultPPI());
#endif
}

Integer DuRiruZireziv::GetScale() const {
  if (ComponentState().Contains(csDesigning)) return 0;
  switch (Options.ScaleMode) {
    case sm100: case sm125: case sm150: case sm200: return Options.ScaleMode;
    case smAuto: return SysFontScale;
    case smCustomPPI: return 7;
    default: return 0;
  }
}

DuRiruZireziv::~DuRiruZireziv() {
  if (DefaultManager == this) DefaultManager = nullptr;
}

TkvSkinData* DuRiruZireziv::CommonSkinData(Integer aPPI) {
  const Integer index = PPIToIndex(aPPI);
  if (SkinDataArray.empty() || (!IsActive() && !ManagerState.Contains(msSkinChanging) && !ManagerState.Contains(msBroadCasting))) {
    TkvSkinData* std = StdScaleData(index);
    std->PPI = aPPI;
    std->ScalePercent = static_cast<Integer>((static_cast<Int64>(aPPI) * 100 + 48) / 96);  // MulDiv, rounded
    return std;
  }
  if (index < static_cast<Integer>(SkinDataArray.size()) && SkinDataArray[index]) return SkinDataArray[index].get();
  return SkinDataArray[0].get();
}

bool DuRiruZireziv::IsValidSkinIndex(Integer skinIndex) {
  const auto count = static_cast<Integer>(gd().size());
  if (skinIndex < 0 || skinIndex >= count) return false;
  if (IsActive())
    for (const auto& sd : SkinDataArray)
      if (sd && static_cast<Integer>(sd->gd.size()) != count) return false;
  return true;
}

bool DuRiruZireziv::IsValidImgIndex(Integer imageIndex) {
  return imageIndex >= 0 && imageIndex < static_cast<Integer>(ma().size());
}
