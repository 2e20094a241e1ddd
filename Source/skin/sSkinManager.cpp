#include "skin/sSkinManager.h"

#include "base/kvntUtils.h"
#include "skin/SkinState.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "ui/Graphics.h"

DuRiruZireziv*& DefaultManager = kvSkinState.DefaultManager;
std::array<std::unique_ptr<TkvSkinData>, 4>& StdScaleArray = kvSkinState.StdScaleArray;

namespace {

// The skin data served while no skin is active, one per standard PPI; without sections.
TkvSkinData* StdScaleData(Integer index) {
  auto& slot = StdScaleArray[index];
  if (!slot) {
    slot = std::make_unique<TkvSkinData>();
    slot->ScaleValue = index;
    slot->PPI = aPPIArray[index];
    slot->ScalePercent = aScalePercents[index];
  }
  return slot.get();
}

// The manager as the image lists and the other layers below the skin layer see it.
class TManagerLink final : public TkvManagerLink {
 public:
  explicit TManagerLink(DuRiruZireziv& manager) : manager_(manager) {}
  bool IsActive() override { return manager_.IsActive(); }
  bool IsSkinChanging() override { return manager_.ManagerState.Contains(msSkinChanging); }
  const TkvOptions& Options() override { return manager_.Options; }
#ifdef _WIN32
  Integer ColorToRGB(Integer value) override { return kvColorToRGB(value, &manager_); }
  // Installed for the default manager only, which ScaleInt takes without skin data.
  Integer ScaleInt(Integer value) override { return ::ScaleInt(value, nullptr, true); }
#endif

 private:
  DuRiruZireziv& manager_;
};

}  // namespace

void sSkinManagerStartup() {
  for (Integer i = 0; i < static_cast<Integer>(StdScaleArray.size()); ++i) StdScaleData(i);
}

void ClearStdScaleArray() {
  for (auto& data : StdScaleArray) data.reset();
}

TW_DEFINE_CLASS(DuRiruZireziv) {
  b.Property(u"ButtonsOptions", &DuRiruZireziv::ButtonsOptions);
  b.Property(u"InternalSkins", &DuRiruZireziv::InternalSkins);
  b.Property(u"MenuSupport", &DuRiruZireziv::MenuSupport);
  b.Property(u"SkinDirectory", &DuRiruZireziv::SkinDirectory, &DuRiruZireziv::SetSkinDirectory);
  b.Property(u"SkinInfo", &DuRiruZireziv::SkinInfo, &DuRiruZireziv::SetSkinInfo);
  b.Property(u"SkinName", &DuRiruZireziv::SkinName, &DuRiruZireziv::SetSkinName);
  b.Property(u"ThirdParty", &DuRiruZireziv::ThirdParty);
}

DuRiruZireziv::DuRiruZireziv(TComponent* owner)
    : TComponent(owner),
      FButtonsOptions(std::make_unique<TkvButtonsOptions>()),
      FInternalSkins(std::make_unique<TkvInternalSkins>()),
      FMenuSupport(std::make_unique<TkvMenuSupport>()),
      FThirdParty(std::make_unique<TkvThirdPartyList>()),
      FLink(std::make_unique<TManagerLink>(*this)) {
  FInternalSkins->SetOwner(this);
  if (!DefaultManager) {
    DefaultManager = this;
    SetDefaultManagerLink(FLink.get());
  }
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

void DuRiruZireziv::SetSkinDirectory(const String& value) {
  if (!SameText(value, FSkinDirectory)) FSkinDirectory = value;
}

void DuRiruZireziv::SetSkinName(const String& value) {
  String name = value;
  if (name.size() >= 4 && SameText(StringView(name).substr(name.size() - 4), u".kpz")) name.resize(name.size() - 4);
  FSkinName = name;
}

DuRiruZireziv::~DuRiruZireziv() {
  if (DefaultManager == this) {
    DefaultManager = nullptr;
    SetDefaultManagerLink(nullptr);
  }
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

// ---- published option objects -----------------------------------------------------------

TW_DEFINE_CLASS(TkvButtonsOptions) {
  b.Property(u"OldGlyphsMode", &TkvButtonsOptions::OldGlyphsMode, &TkvButtonsOptions::SetOldGlyphsMode);
}

TW_DEFINE_CLASS(TkvInternalSkin) { b.Property(u"Name", &TkvInternalSkin::Name, &TkvInternalSkin::SetName); }

TW_DEFINE_CLASS(TkvInternalSkins) {}

TkvInternalSkins::TkvInternalSkins() : TCollection(TkvInternalSkin::StaticClass()) {}

TW_DEFINE_CLASS(TkvMenuSupport) { b.Property(u"Font", &TkvMenuSupport::Font); }

TkvMenuSupport::TkvMenuSupport() : FFont(new TFont()) {}

TkvMenuSupport::~TkvMenuSupport() { delete FFont; }

namespace {

// The published names of the lists, in the order of TkvThirdPartyKind.
constexpr std::array<const char16_t*, kvLastSupportedType + 1> kThirdPartyNames{
    u"ThirdEdits",      u"ThirdButtons",      u"ThirdBitBtns",     u"ThirdCheckBoxes",   u"ThirdComboBoxes",
    u"ThirdGrids",      u"ThirdGroupBoxes",   u"ThirdListViews",   u"ThirdPanels",       u"ThirdTreeViews",
    u"ThirdWWEdits",    u"ThirdGridEh",       u"ThirdVirtualTrees", u"ThirdPageControl", u"ThirdTabControl",
    u"ThirdToolBar",    u"ThirdStatusBar",    u"ThirdSpeedButton", u"ThirdScrollControl", u"ThirdUpDown",
    u"ThirdScrollBar",  u"ThirdStaticText",   u"ThirdNativePaint"};

template <TkvThirdPartyKind K>
void PublishList(TClassBuilder<TkvThirdPartyList>& b) {
  b.Property(kThirdPartyNames[K], [](const TkvThirdPartyList& l) { return l.List(K); },
             [](TkvThirdPartyList& l, const String& v) { l.SetList(K, v); });
  if constexpr (K < kvLastSupportedType) PublishList<static_cast<TkvThirdPartyKind>(K + 1)>(b);
}

}  // namespace

TW_DEFINE_CLASS(TkvThirdPartyList) { PublishList<tpEdit>(b); }

TkvThirdPartyList::TkvThirdPartyList() {
  for (size_t i = 0; i < FLists.size(); ++i) FLists[i] = kvThirdNames[i];
}
