#include "skin/sCommonData.h"

#include "skin/sSkinManager.h"
#include "ui/Bitmap.h"
#ifdef _WIN32
#include "ui/Controls.h"
#endif

TW_DEFINE_CLASS(TsCommonData) {
  // The control keeps its own font and font colour.
  b.Property(u"CustomFont", &TsCommonData::FCustomFont, &TsCommonData::FCustomFont);
}

bool RestrictDrawing = false;

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

namespace {
constexpr int16_t kDrawFill = 4;    // BDM_FILL
constexpr int16_t kDrawAlpha = 16;  // BDM_ALPHA

bool HasParent(TControl* ctrl) {
#ifdef _WIN32
  return ctrl->Parent() != nullptr;
#else
  (void)ctrl;
  return false;
#endif
}
}  // namespace

bool NeedParentFont(DuRiruZireziv* skinManager, Integer skinIndex, Integer state, TControl* ctrl) {
  if (!skinManager || !skinManager->IsValidSkinIndex(skinIndex)) return false;
  if (ctrl && !HasParent(ctrl)) return false;
  TkvSkinData* sd = skinManager->CommonSkinData(96);
  const TsGeneralData& gd = sd->gd[static_cast<size_t>(skinIndex)];
  const Integer st = std::max(0, std::min(state, gd.States - 1));
  if (gd.Props[static_cast<size_t>(std::min(st, 2))].Transparency <= 50) return false;
  if (gd.BorderIndex < 0 || gd.BorderIndex >= static_cast<Integer>(sd->ma.size())) return true;  // no border mask
  const TsMaskData& m = sd->ma[static_cast<size_t>(gd.BorderIndex)];
  if (st == 0) return (m.DrawMode & kDrawAlpha) == 0 || (m.DrawMode & kDrawFill) != 0;
  if ((m.DrawMode & kDrawAlpha) == 0) return true;
  if (m.MaskType == 0) return false;
  // The centre of the state's mask picture decides.
  TBitmap* bmp = m.Bmp ? m.Bmp : skinManager->MasterBitmap.get();
  if (!bmp) return false;
  const Integer x = m.R.Left + st * m.Width + m.Width / 2;
  const Integer y = m.R.Bottom - m.Height / 2;
  if (x < 0 || y < 0 || x >= bmp->Width() || y >= bmp->Height()) return false;
  return (bmp->PixelColor(x, y) >> 16 & 0xFF) > 127;  // blue of a colour value
}
