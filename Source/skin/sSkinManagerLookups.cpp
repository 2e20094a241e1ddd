// The skin manager's lookups: sections by name, images of a section (through PARENTCLASS),
// textures, index checks. They answer from the hash indexes of the skin data (slot 0 unless
// skin data are given), so a lookup costs the same however large the skin is.
#include "skin/sSkinManager.h"

namespace {

TkvSkinData* DataOr(DuRiruZireziv& m, TkvSkinData* skinData) { return skinData ? skinData : m.CommonSkinData(96); }

// Walks the PARENTCLASS chain from (index, section), the parents' indexes taken from slot 0,
// and answers the first image ownImage(index, section) finds. A chain that comes back to a
// section it passed ends after as many steps as there are sections: a loop counts as missing.
template <class OwnImage>
Integer ThroughParents(const TkvSkinData& sd, const TkvSkinData& slot0, Integer index, StringView skinSection,
                       OwnImage ownImage) {
  String section(skinSection);
  for (size_t steps = 0; index >= 0 && steps <= slot0.gd.size(); ++steps) {
    const Integer own = ownImage(index, section);
    if (own >= 0) return own;
    if (size_t(index) >= sd.gd.size()) return -1;
    const String& parent = sd.gd[size_t(index)].ParentClass;
    if (parent.empty() || parent == section) return -1;
    section = parent;
    index = slot0.GetSkinIndex(section);
  }
  return -1;
}

}  // namespace

Integer DuRiruZireziv::GetSkinIndex(StringView skinSection, TkvSkinData* skinData) {
  if (skinSection.empty()) return -1;
  return DataOr(*this, skinData)->GetSkinIndex(skinSection);
}

Integer DuRiruZireziv::GetMaskIndex(Integer aSkinIndex, StringView skinSection, TkvSkinData* skinData,
                                    StringView propName) {
  const TkvSkinData* sd = DataOr(*this, skinData);
  return ThroughParents(*sd, *CommonSkinData(96), aSkinIndex, skinSection,
                        [&](Integer index, const String&) { return sd->OwnImage(index, propName, false); });
}

Integer DuRiruZireziv::GetMaskIndex(StringView skinSection, StringView propName, TkvSkinData* skinData) {
  if (skinSection.empty()) return -1;
  return DataOr(*this, skinData)->GetMaskIndex(skinSection, propName);
}

Integer DuRiruZireziv::GetMaskIndex(Integer skinIndex, StringView propName, TkvSkinData* skinData) {
  return DataOr(*this, skinData)->GetMaskIndex(skinIndex, propName);
}

Integer DuRiruZireziv::GetTextureIndex(Integer aSkinIndex, StringView skinSection, TkvSkinData* skinData,
                                       StringView propName) {
  TkvSkinData* sd = DataOr(*this, skinData);
  if (aSkinIndex < 0 || skinSection.empty() || sd->ma.empty()) return -1;
  return ThroughParents(*sd, *CommonSkinData(96), aSkinIndex, skinSection,
                        [&](Integer, const String& section) { return sd->GetMaskIndex(section, propName, true); });
}

Integer DuRiruZireziv::GetTextureIndex(Integer aSkinIndex, StringView propName, TkvSkinData* skinData) {
  return DataOr(*this, skinData)->GetTextureIndex(aSkinIndex, propName);
}

bool DuRiruZireziv::IsValidSkinIndex(Integer skinIndex) {
  const auto count = static_cast<Integer>(gd().size());
  if (skinIndex < 0 || skinIndex >= count) return false;
  // A further slot with another section count is still being loaded.
  if (IsActive() || ManagerState.Contains(msBroadCasting))
    for (const auto& sd : SkinDataArray)
      if (sd && static_cast<Integer>(sd->gd.size()) != count) return false;
  return true;
}

bool DuRiruZireziv::IsValidImgIndex(Integer imageIndex) {
  return imageIndex >= 0 && imageIndex < static_cast<Integer>(ma().size());
}

Integer DuRiruZireziv::LengthOfGD() { return static_cast<Integer>(gd().size()); }
