// The skin manager component: construction and loading, the published properties, the skin
// change, the broadcasts of a new or removed skin, repainting, reloading in place, the
// application font and the skin data per PPI. What it does to windows is in
// sSkinManager.win.cpp, its lookups in sSkinManagerLookups.cpp.
//
// Sections:
//   1. Construction, loading, destruction; the default manager
//   2. Published properties
//   3. The skin change and its load
//   4. Broadcasts, repainting, reloading in place
//   5. The application font
//   6. Skin data per PPI and clearing
//   7. Without a window system
#include "skin/sSkinManager.h"

#include <algorithm>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "skin/ControlServices.h"
#include "skin/SkinState.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManagerLoader.h"
#include "skin/sSkinManagerPreview.h"
#ifdef _WIN32
#include "skin/sSkinManagerList.h"
#include "ui/Forms.h"
#endif
#include "skin/sVclUtils.h"
#include "ui/Graphics.h"
#include "ui/IniFiles.h"
#include "ui/ScopeGuard.h"
#include "ui/StringList.h"

DuRiruZireziv*& DefaultManager = kvSkinState.DefaultManager;
std::array<std::unique_ptr<TkvSkinData>, 4>& StdScaleArray = kvSkinState.StdScaleArray;

namespace {

// The manager as the image lists and the other layers below the skin layer see it.
class TManagerLink final : public TkvManagerLink {
 public:
  explicit TManagerLink(DuRiruZireziv& manager) : manager_(manager) {}
  bool IsActive() override { return manager_.IsActive(); }
  bool IsSkinChanging() override { return manager_.ManagerState.Contains(msSkinChanging); }
  const TkvOptionValues& Options() override { return manager_.Options; }
#ifdef _WIN32
  Integer ColorToRGB(Integer value) override { return kvColorToRGB(value, &manager_); }
  // Installed for the default manager only, which ScaleInt takes without skin data.
  Integer ScaleInt(Integer value) override { return ::ScaleInt(value, nullptr, true); }
#endif

 private:
  DuRiruZireziv& manager_;
};

TkvEffectServices* Effects() { return TkvServiceSlot<TkvEffectServices>::Get(); }
TkvGlowServices* Glows() { return TkvServiceSlot<TkvGlowServices>::Get(); }
TkvMenuServices* Menus() { return TkvServiceSlot<TkvMenuServices>::Get(); }

void ClearAllGlows() {
  if (TkvGlowServices* glows = Glows()) glows->ClearGlows(false, false);
}

template <class... A>
void Fire(const TEvent<void(A...)>& event, A... args) {
  if (event) event(args...);
}

// The controls registered with the skin list hear that the skin changed (Windows only: there
// are no controls natively).
void NotifySkinChanged([[maybe_unused]] DuRiruZireziv& m) {
#ifdef _WIN32
  if (TkvSkinListController* list = m.SkinListController()) list->SendSkinChanged();
#endif
}

// The application is ending: no font is handed to forms that are going.
bool ApplicationTerminating() {
#ifdef _WIN32
  return Application && Application->Terminated();
#else
  return false;
#endif
}

// The skin list is built (after construction and loading; clear: emptied first).
void StartSkinList([[maybe_unused]] DuRiruZireziv& m, [[maybe_unused]] bool clear) {
#ifdef _WIN32
  TkvSkinListController* list = m.SkinListController();
  if (!list) return;
  if (clear) list->ClearList(true, false);
  list->UpdateIfNeeded(false);
#endif
}

}  // namespace

// ---- 1. Construction, loading, destruction ----------------------------------------------

DuRiruZireziv::DuRiruZireziv(TComponent* owner)
    : TComponent(owner),
      FCommonSections(std::make_unique<TStringList>()),
      FInternalSkins(std::make_unique<TsStoredSkins>(this)),
      FMenuSupport(std::make_unique<TkvMenuSupport>()),
      FLink(std::make_unique<TManagerLink>(*this)) {
  ClearSkinData();
  SysFontScale = PPIToIndex(ApplicationPPI());
  for (auto& list : ThirdLists) {
    list = std::make_unique<TStringList>();
    SetCaseSens(*list);
  }
  SetCaseSens(*FCommonSections);
  if (!DefaultManager) {
    DefaultManager = this;
    SetDefaultManagerLink(FLink.get());
  }
#ifdef _WIN32
  FSkinListController = std::make_unique<TkvSkinListController>(this);
  if (IsNT && GetIsDefault() && !IsDesigning()) HookApplication(true);
#endif
}

void DuRiruZireziv::AfterConstruction() {
  TComponent::AfterConstruction();
  LoadThirdNames(this, false);
  if (FSkinDirectory.empty()) FSkinDirectory = u"c:\\Skins";
  StartSkinList(*this, false);
}

void DuRiruZireziv::Loaded() {
  const bool wasActive = IsActive();
  TComponent::Loaded();
  if (FSkinDirectory.empty()) FSkinDirectory = u"c:\\Skins";
  LoadThirdNames(this, false);
  ScaleImageLists();
  // A skin set while the description was read was loaded then; its broadcast waits until now.
  if (FActive && !FSkinName.empty()) SendNewSkin(false);
  UpdateCommonDlgs();
  if (!wasActive && IsActive() && !IsDesigning()) Fire(OnActivate, static_cast<TObject*>(this));
  if (!IsDesigning() && IsActive()) {
    SkinOwnerForm();
    if (GetIsDefault() && Effects.AllowAnimation)
      if (TkvEffectServices* effects = ::Effects())
        effects->SetMouseLight(AnimEffects.Buttons.LightingMode == lmAffectNearest);
  }
  StartSkinList(*this, true);
  if (Options.ScaleMode == smVCL) Options.PixelsPerInch = ApplicationPPI();
}

DuRiruZireziv::~DuRiruZireziv() {
#ifdef _WIN32
  // The loading thread ends (and is waited for) before anything it reads goes.
  FSkinListController.reset();
#endif
  HookApplication(false);
  // The thread hook of the default manager goes with it.
  UnInstallHook();
  if (IsActive()) Fire(OnDeactivate, static_cast<TObject*>(this));
  ClearSkinData();
  FExtendedBorders = false;
  if (DefaultManager == this) {
    DefaultManager = nullptr;
    SetDefaultManagerLink(nullptr);
  }
  UpdateThirdNames(this);
}

bool DuRiruZireziv::GetIsDefault() const { return DefaultManager == this; }

void DuRiruZireziv::SetIsDefault(bool value) {
  // The role moves to another manager; it is never taken away.
  if (!value && DefaultManager) return;
  DefaultManager = this;
  SetDefaultManagerLink(FLink.get());
  if (value) kvCurrentScaleMode = Options.ScaleMode;
  if (FActive)
    SendNewSkin(true);
  else
    SendRemoveSkin();
}

// ---- 2. Published properties ------------------------------------------------------------

TW_DEFINE_CLASS(DuRiruZireziv) {
  const auto object = [](auto member) {
    return [member](const DuRiruZireziv& m) {
      return const_cast<std::remove_cvref_t<decltype(m.*member)>*>(&(m.*member));
    };
  };
  b.Property(u"Active", &DuRiruZireziv::Active, &DuRiruZireziv::SetActive).Default(true);
  b.Property(u"AnimEffects", object(&DuRiruZireziv::AnimEffects));
  b.Property(u"ButtonsOptions", object(&DuRiruZireziv::ButtonsOptions));
  b.Property(u"Brightness", &DuRiruZireziv::Brightness, [](DuRiruZireziv& m, Integer v) {
     m.SetColorAdjustment(0, v);
   }).Default(0);
  b.Property(u"CommonSections", &DuRiruZireziv::CommonSections, &DuRiruZireziv::SetCommonSections);
  b.Property(u"Effects", object(&DuRiruZireziv::Effects));
  b.Property(u"ExtendedBorders", &DuRiruZireziv::ExtendedBorders, &DuRiruZireziv::SetExtendedBorders).Default(false);
  b.Property(u"ExtBordersMode", &DuRiruZireziv::ExtBordersMode, &DuRiruZireziv::SetExtBordersMode).Default(ebmFull);
  b.Property(u"Fonts", object(&DuRiruZireziv::Fonts));
  b.Property(
       u"GroupIndex", [](const DuRiruZireziv& m) { return m.GroupIndex; },
       [](DuRiruZireziv& m, Integer v) { m.GroupIndex = v; })
      .Default(0);
  b.Property(u"HueOffset", &DuRiruZireziv::HueOffset, [](DuRiruZireziv& m, Integer v) {
     m.SetColorAdjustment(1, v);
   }).Default(0);
  b.Property(u"InternalSkins", &DuRiruZireziv::InternalSkins);
  b.Property(u"IsDefault", &DuRiruZireziv::GetIsDefault, &DuRiruZireziv::SetIsDefault).Stored(false);
  b.Property(u"LabelsOptions", object(&DuRiruZireziv::LabelsOptions));
  b.Property(u"MenuSupport", &DuRiruZireziv::MenuSupport);
  b.Property(u"Options", object(&DuRiruZireziv::Options));
  b.Property(u"Saturation", &DuRiruZireziv::Saturation, [](DuRiruZireziv& m, Integer v) {
     m.SetColorAdjustment(2, v);
   }).Default(0);
  b.Property(u"ScrollsOptions", object(&DuRiruZireziv::ScrollsOptions));
  b.Property(u"SkinDirectory", &DuRiruZireziv::SkinDirectory, &DuRiruZireziv::SetSkinDirectory);
  b.Property(u"SkinInfo", &DuRiruZireziv::GetSkinInfo, [](DuRiruZireziv&, const String&) {});
  b.Property(u"SkinName", &DuRiruZireziv::SkinName, &DuRiruZireziv::SetSkinName);
  b.Property(u"SkinnedPopups", &DuRiruZireziv::SkinnedPopups, &DuRiruZireziv::SetSkinnedPopups).Default(true);
  b.Property(u"SkinningRules", &DuRiruZireziv::SkinningRules, &DuRiruZireziv::SetSkinningRules);
  b.Property(u"SkinsFilter", &DuRiruZireziv::SkinsFilter, &DuRiruZireziv::SetSkinsFilter);
  b.Property(u"ThirdParty", object(&DuRiruZireziv::ThirdParty));
  b.Property(u"Version", &DuRiruZireziv::GetVersion, [](DuRiruZireziv&, const String&) {});
  b.Property(
      u"OnActivate", [](const DuRiruZireziv& m) { return m.OnActivate; },
      [](DuRiruZireziv& m, TNotifyEvent e) { m.OnActivate = e; });
  b.Property(
      u"OnAfterChange", [](const DuRiruZireziv& m) { return m.OnAfterChange; },
      [](DuRiruZireziv& m, TNotifyEvent e) { m.OnAfterChange = e; });
  b.Property(
      u"OnBeforeChange", [](const DuRiruZireziv& m) { return m.OnBeforeChange; },
      [](DuRiruZireziv& m, TNotifyEvent e) { m.OnBeforeChange = e; });
  b.Property(
      u"OnDeactivate", [](const DuRiruZireziv& m) { return m.OnDeactivate; },
      [](DuRiruZireziv& m, TNotifyEvent e) { m.OnDeactivate = e; });
  b.Property(
      u"OnFontChanged", [](const DuRiruZireziv& m) { return m.OnFontChanged; },
      [](DuRiruZireziv& m, TkvFontChangedEvent e) { m.OnFontChanged = e; });
  b.Property(
      u"OnSkinChanging", [](const DuRiruZireziv& m) { return m.OnSkinChanging; },
      [](DuRiruZireziv& m, TkvSkinChangingEvent e) { m.OnSkinChanging = e; });
  b.Property(
      u"OnSkinListChanged", [](const DuRiruZireziv& m) { return m.OnSkinListChanged; },
      [](DuRiruZireziv& m, TNotifyEvent e) { m.OnSkinListChanged = e; });
  b.Property(
      u"OnSkinLoading", [](const DuRiruZireziv& m) { return m.OnSkinLoading; },
      [](DuRiruZireziv& m, TNotifyEvent e) { m.OnSkinLoading = e; });
}

void DuRiruZireziv::SetSkinDirectory(const String& value) {
  if (SameText(value, FSkinDirectory)) return;
  FSkinDirectory = value;
  SkinCommonInfo.SkinPath = GetFullSkinDirectory();
  SkinListOutOfDate();
  // The new folder is listed again (unless the description is still being read).
  if (!IsLoading()) StartSkinList(*this, false);
  Fire(OnSkinListChanged, static_cast<TObject*>(this));
}

void DuRiruZireziv::SkinListOutOfDate() {
#ifdef _WIN32
  if (FSkinListController) FSkinListController->ClearList(true, true);
#endif
}

void DuRiruZireziv::SetSkinsFilter(TSet<TkvSkinsFilterItem> value) {
  if (value == FSkinsFilter) return;
  FSkinsFilter = value;
  SkinListOutOfDate();
  Fire(OnSkinListChanged, static_cast<TObject*>(this));
}

void DuRiruZireziv::SetSkinningRules(TSet<TkvSkinningRule> value) {
  FSkinningRules = value;
  UpdateCommonDlgs();
}

DuRiruZireziv::TkvPausedSkinning DuRiruZireziv::DisableManager() {
  const TkvPausedSkinning saved{FSkinningRules.Contains(srStdDialogs), Options.ChangeSysColors};
  FSkinningRules.Exclude(srStdDialogs);
  if (saved.ChangeSysColors) Options.SetBool(4, false);
  return saved;
}

void DuRiruZireziv::EnableManager(const TkvPausedSkinning& saved) {
  if (saved.StdDialogs) FSkinningRules.Include(srStdDialogs);
  if (saved.ChangeSysColors) Options.SetBool(4, true);
}

void DuRiruZireziv::SetSkinnedPopups(bool value) {
  // Switching off only stores the value: menus give up their skinned drawing when they next
  // open without an active skin.
  if (value && !FSkinnedPopups && GetIsDefault() && !IsDesigning())
    if (TkvMenuServices* menus = Menus()) menus->UpdateMenus();
  FSkinnedPopups = value;
}

Integer DuRiruZireziv::GetColorAdjustment(Integer index) const {
  return index == 0 ? FBrightness : index == 1 ? FHueOffset : FSaturation;
}

void DuRiruZireziv::SetColorAdjustment(Integer index, Integer value) {
  Integer* field = index == 0 ? &FBrightness : index == 1 ? &FHueOffset : index == 2 ? &FSaturation : nullptr;
  if (!field) return;
  if (index == 0) value = std::clamp(value, -100, 100);
  if (*field == value) return;
  *field = value;
  UpdateCurrentSkin();
}

void DuRiruZireziv::SetCommonSections(const TStringList* value) {
  FCommonSections->Clear();
  if (value)
    for (Integer i = 0; i < value->Count(); ++i) {
      const String& line = value->Strings(i);
      FCommonSections->Add(line.empty() || line[0] == u';' ? line : DelChars(line, u' '));
    }
  SetSkinName(FSkinName);
}

void DuRiruZireziv::SetActive(bool value) {
  if (value == FActive) return;
  FActive = value;
  if (value) {
    SetSkinName(FSkinName);
  } else if (!FSkinName.empty()) {
    if (GetIsDefault()) kvCurrentScaleMode = smVCL;
    if (!IsLoading()) SendRemoveSkin();
    ClearSkinData();
    UpdateCommonDlgs();
    if (!IsDesigning()) Fire(OnDeactivate, static_cast<TObject*>(this));
  }
  NotifySkinChanged(*this);
}

void DuRiruZireziv::SetExtendedBorders(bool value) {
  if (value == FExtendedBorders) return;
  FExtendedBorders = value;
  if (!IsActive()) return;
  {
    TkvManagerStateScope changing(*this, msSkinChanging);
    // The slots read the border settings of their skin, taken when it was loaded.
    Settings.ExtendedBorders = GetExtendedBorders();
    for (auto& slot : SkinDataArray)
      if (slot) slot->CheckShadows();
  }
  if (!IsLoading() && !ComponentState().Contains(csReading) && !IsDesigning()) RepaintForms(true);
}

void DuRiruZireziv::SetExtBordersMode(TkvExtBordersMode value) {
  if (value == FExtBordersMode) return;
  FExtBordersMode = value;
  if (!IsActive()) return;
  {
    TkvManagerStateScope changing(*this, msSkinChanging);
    Settings.ExtBordersShadow = value == ebmShadow;
    for (auto& slot : SkinDataArray)
      if (slot) {
        slot->InitConstantIndexes();
        slot->InitMaskParams();
        slot->CheckShadows();
      }
  }
  if (!IsLoading() && !ComponentState().Contains(csReading) && !IsDesigning()) RepaintForms(true);
}

TW_DEFINE_CLASS(TkvMenuSupport) {
  b.Property(u"CustomFont", &TkvMenuSupport::CustomFont, &TkvMenuSupport::SetCustomFont).Default(false);
  b.Property(u"Font", &TkvMenuSupport::Font, &TkvMenuSupport::SetFont);
  b.Property(u"UseExtraLine", &TkvMenuSupport::UseExtraLine, &TkvMenuSupport::SetUseExtraLine).Default(false);
  b.Property(u"ExtraLineWidth", &TkvMenuSupport::ExtraLineWidth, &TkvMenuSupport::SetExtraLineWidth).Default(32);
  b.Property(u"ExtraLineFont", &TkvMenuSupport::ExtraLineFont, &TkvMenuSupport::SetExtraLineFont);
  b.Property(u"IcoLineSkin", &TkvMenuSupport::IcoLineSkin, &TkvMenuSupport::SetIcoLineSkin).Default(u"ICOLINE");
  b.Property(u"AlphaBlend", &TkvMenuSupport::AlphaBlend, &TkvMenuSupport::SetAlphaBlend).Default(254);
  b.Property(u"SkinnedShadows", &TkvMenuSupport::SkinnedShadows, &TkvMenuSupport::SetSkinnedShadows).Default(true);
  b.Property(u"ShowAccelCharAlways", &TkvMenuSupport::ShowAccelCharAlways, &TkvMenuSupport::SetShowAccelCharAlways)
      .Default(false);
}

TkvMenuSupport::TkvMenuSupport() : FFont(std::make_unique<TFont>()), FExtraLineFont(std::make_unique<TFont>()) {}

void TkvMenuSupport::SetFont(TFont* value) {
  FFont->Assign(value);
  if (!FCustomMenuFont) FCustomMenuFont = std::make_unique<TFont>();
  FCustomMenuFont->Assign(value);
}

void TkvMenuSupport::SetExtraLineFont(TFont* value) { FExtraLineFont->Assign(value); }

void TkvMenuSupport::SetCustomFont(bool value) {
  FCustomFont = value;
  String name;
  if (DuRiruZireziv* m = DefaultManager) {
    if (m->Fonts.MainMode == fmFromSkin)
      name = m->SkinCommonInfo.MainFont;
    else if (m->Fonts.MainMode == fmCustom)
      name = m->Fonts.MainFont;
  }
  if (!value && name.empty()) {
    FCustomMenuFont.reset();
    return;
  }
  if (!FCustomMenuFont) FCustomMenuFont = std::make_unique<TFont>();
  FCustomMenuFont->Assign(FFont.get());
  FCustomMenuFont->SetPixelsPerInch(96);
  if (!name.empty()) FCustomMenuFont->SetName(name);
}

TkvMenuSupport::~TkvMenuSupport() = default;

// ---- 3. The skin change -----------------------------------------------------------------

void DuRiruZireziv::SetSkinName(const String& value) {
  const String oldName = FSkinName;
  FSkinName = value;
  const bool wasActive = IsActive();
  if (FActive) ChangeSkin(value, oldName, wasActive);
  // Controls that list the skins learn of another name (a change nested in another, which
  // keeps msSkinChanging, tells them nothing).
  if (!ManagerState.Contains(msSkinChanging) && FSkinName != oldName) NotifySkinChanged(*this);
  UpdateCommonDlgs();
}

void DuRiruZireziv::ChangeSkin(const String& value, const String& oldName, bool wasActive) {
  Fire(OnBeforeChange, static_cast<TObject*>(this));
  const bool wasFlipped = ManagerState.Contains(msRTLFlipped);
  const bool wasAnimating = InAnimationProcess;
  ManagerState.Exclude(msRTLFlipped);
  TkvManagerStateScope changing(*this, msSkinChanging);
  const bool snapshot =
      GetExtendedBorders() && !NoAutoUpdate && AnimEffects.SkinChanging.Active && Effects.AllowAnimation;
  if (snapshot) SnapshotForms();
  // Whatever the change took before it was given up goes back: the name, the mirrored state,
  // the snapshots and the animation marks (the flag itself goes with the scope).
  const auto giveUp = [&] {
    FSkinName = oldName;
    if (wasFlipped) ManagerState.Include(msRTLFlipped);
    if (snapshot) DropSnapshots(wasAnimating);
  };

  bool allow = true;
  if (OnSkinChanging) OnSkinChanging(this, value, allow);
  if (!allow) {
    giveUp();
    return;
  }
  if (value.size() > 4 && UpperCase(StringView(value).substr(value.size() - 4)) == u".KPZ")
    FSkinName = value.substr(0, value.size() - 4);

  switch (LoadAndTakeSkin()) {
    case TLoadOutcome::Failed: giveUp(); return;
    case TLoadOutcome::NoSource:
      // Active stays as the user set it: a later SkinName loads again.
      if (snapshot) DropSnapshots(wasAnimating);
      SendRemoveSkin();
      break;
    case TLoadOutcome::Loaded:
      if (LayoutIsRightToLeft()) FlipImages(true);
      if (!NoAutoUpdate) SendNewSkin(true);
      break;
  }
  if (!wasActive && IsActive() && !IsDesigning()) Fire(OnActivate, static_cast<TObject*>(this));
  ManagerState.Exclude(msSkinChanging);
  SkinCommonInfo.Active = !SkinDataArray.empty() && SkinDataArray[0] && !SkinDataArray[0]->gd.empty();
  if (!NoAutoUpdate) Fire(OnAfterChange, static_cast<TObject*>(this));
}

DuRiruZireziv::TLoadOutcome DuRiruZireziv::LoadAndTakeSkin() {
  TkvSkinSet fresh;
  TkvSkinLoadStatus status;
  try {
    GetLoadSettings(fresh.Settings);
    status = LoadSkin(fresh, PPIsInUse());
  } catch (const Exception& e) {
    // The skin in force was not touched; the user learns why the new one is not there, in a box
    // that no skin draws.
    const TkvPausedSkinning paused = DisableManager();
    TScopeExit resume([&] { EnableManager(paused); });
    ReportError(e.Message());
    return TLoadOutcome::Failed;
  }
#ifdef _WIN32
  ShowSkinNotices(fresh);
#endif
  switch (status) {
    case slsLoaded:
      // A name no source has falls back to the first internal skin, whose name it takes.
      if (!fresh.LoadedName.empty()) FSkinName = fresh.LoadedName;
      TakeSkin(fresh);
      // Icon-font glyphs are drawn in the new skin's text colour.
      RecolorImageLists();
      // The old skin goes with fresh only now, after its replacement is in place.
      return TLoadOutcome::Loaded;
    case slsNoSource: return TLoadOutcome::NoSource;
    default: return TLoadOutcome::Failed;
  }
}

// ---- 4. Broadcasts, repainting, reloading in place --------------------------------------

void DuRiruZireziv::SendNewSkin(bool repaint) {
  if (IsLoading() || ComponentState().Contains(csReading)) return;
  TkvManagerStateScope broadcasting(*this, msBroadCasting);
  if (GetIsDefault()) ClearAllGlows();
  // Forms are frozen before the broadcast and repainted once after it (by RepaintForms).
  const bool lock = !IsDesigning() && repaint;
  if (lock) LockAllForms();
  // A receiver that raised must not leave the forms frozen; otherwise RepaintForms unlocks them.
  TScopeExit unlockOnFailure([&] {
    if (lock) UnlockAllForms(false);
  });
  if (TkvMenuServices* menus = Menus()) menus->ResetSkinBorderWidth();
  SkinCommonInfo.Active = false;
  {
    // Controls do not paint while the command travels; they repaint once afterwards.
    const auto restrict = SetForScope(RestrictDrawing, true);
    ClearImageListCaches();
    BroadcastToForms(KV_SETNEWSKIN, reinterpret_cast<intptr_t>(this));
  }
  SkinCommonInfo.Active = !SkinDataArray.empty() && SkinDataArray[0] && !SkinDataArray[0]->gd.empty();
  if (GetIsDefault() && !GlobalHookInstalled) InstallHook();
  switch (Fonts.MainMode) {
    case fmFromSkin:
      ChangeAppFont(SkinCommonInfo.MainFont.empty() ? DefStoredFontName : SkinCommonInfo.MainFont, false);
      break;
    case fmCustom: ChangeAppFont(Fonts.MainFont.empty() ? DefStoredFontName : Fonts.MainFont, false); break;
    case fmDefault: break;
  }
  unlockOnFailure.Dismiss();
  if (repaint) RepaintForms(false);
  if (!IsDesigning() && GetIsDefault() && Effects.AllowAnimation)
    if (TkvEffectServices* effects = ::Effects())
      effects->SetMouseLight(AnimEffects.Buttons.LightingMode == lmAffectNearest);
}

void DuRiruZireziv::SendRemoveSkin() {
  TkvEffectServices* effects = ::Effects();
  if (GetIsDefault() && effects) effects->SetMouseLight(false);
  TkvManagerStateScope removing(*this, msSkinRemoving);
  if (Fonts.MainMode == fmFromSkin && !ApplicationTerminating()) ChangeAppFont(DefStoredFontName, false);
  ClearAllGlows();
  UnInstallHook();
  ClearSkinData();
  BroadcastToForms(KV_REMOVESKIN, reinterpret_cast<intptr_t>(this));
  MasterBitmap.reset();
  if (GetIsDefault() && effects) effects->DelLightControl(nullptr);
}

void DuRiruZireziv::UpdateSkin(bool repaint) {
  if (FActive) SendNewSkin(repaint);
}

void DuRiruZireziv::UpdateSkinSection(const String& sectionName) {
  const String upper = UpperCase(sectionName);
  BroadcastToForms(KV_UPDATESECTION, reinterpret_cast<intptr_t>(upper.c_str()));
}

void DuRiruZireziv::RepaintForms(bool doLockForms) {
  if (!IsDesigning()) BroadcastToForms(KV_STOPFADING, reinterpret_cast<intptr_t>(this));
  const auto self = reinterpret_cast<intptr_t>(this);
  if (IsDesigning() || IsLoading()) {
    BroadcastToForms(KV_REFRESH, self, FUpdatedSectionNdx);
    if (IsDesigning()) return;
  } else {
    if (doLockForms) LockAllForms();
    TScopeExit unlockOnFailure([this] { UnlockAllForms(false); });
    BroadcastToForms(KV_REFRESH, self, FUpdatedSectionNdx);
    unlockOnFailure.Dismiss();
    UnlockAllForms(!NoAutoUpdate);
  }
  RedrawHookedDialogs();
}

void DuRiruZireziv::RepaintSection(const String& sectionName) {
  // A missing section gives 65535, which no control bears.
  FUpdatedSectionNdx = static_cast<Word>(GetSkinIndex(sectionName));
  struct ResetIndex {
    Word& index;
    ~ResetIndex() { index = 0; }
  } reset{FUpdatedSectionNdx};
  RepaintForms(false);
}

void DuRiruZireziv::UpdateCurrentSkin() {
  if (!FActive || IsLoading() || ComponentState().Contains(csReading) || ManagerState.Contains(msSkinChanging)) return;
  {
    TkvManagerStateScope changing(*this, msSkinChanging);
    // A reload that fails keeps the skin as it was.
    if (LoadAndTakeSkin() != TLoadOutcome::Loaded) return;
    if (!ManagerState.Contains(msScaleChanging)) SendNewSkin(true);
  }
  if (NoAutoUpdate) return;
  Fire(OnAfterChange, static_cast<TObject*>(this));
  if (!ManagerState.Contains(msScaleChanging)) RepaintForms(true);
}

void DuRiruZireziv::BeginUpdate() { NoAutoUpdate = true; }

void DuRiruZireziv::EndUpdate(bool repaint, bool allowAnimation) {
  NoAutoUpdate = false;
  if (allowAnimation) {
    UpdateSkin(repaint);
  } else {
    const auto noAnimation = SetForScope(AnimEffects.SkinChanging.Active, false);
    UpdateSkin(repaint);
  }
  Fire(OnAfterChange, static_cast<TObject*>(this));
}

// ---- 5. The application font ------------------------------------------------------------

void DuRiruZireziv::ChangeAppFont(const String& fontName, bool doLockForms) {
  if (IsDesigning() || fontName == DefOldFontName) return;
  TkvManagerStateScope changing(*this, msFontChanging);
  if (doLockForms) LockAllForms();
  TScopeExit unlockOnFailure([&] {
    if (doLockForms) UnlockAllForms(false);
  });
  DefNewFontName = fontName;
  // The menus take the main font too (or give up the one they had).
  FMenuSupport->SetCustomFont(FMenuSupport->CustomFont());
  StoreDefFont();
  BroadcastToForms(KV_FONTSCHANGED, reinterpret_cast<intptr_t>(this));
  if (OnFontChanged) OnFontChanged(this, DefOldFontName, fontName);
  DefOldFontName = fontName;
  unlockOnFailure.Dismiss();
  if (doLockForms) UnlockAllForms(!NoAutoUpdate);
}

// ---- 6. Skin data per PPI and clearing --------------------------------------------------

Integer DuRiruZireziv::SlotIndex(Integer aPPI) const {
  return Options.ScaleMode == smVCL && !IsDesigning() ? PPIToIndex(aPPI) : 0;
}

std::vector<Integer> DuRiruZireziv::PPIsInUse() const {
  switch (Options.ScaleMode) {
    case smVCL: {
      const Integer app = ApplicationPPI();
      return app == 96 ? std::vector<Integer>{96} : std::vector<Integer>{96, app};
    }
    case smCustomPPI: return {Options.PixelsPerInch};
    default: {
      const Integer scale = GetScale();
      return {aPPIArray[size_t(scale >= 0 && scale < 4 ? scale : 0)]};
    }
  }
}

Integer DuRiruZireziv::GetScale() const {
  if (IsDesigning()) return 0;
  switch (Options.ScaleMode) {
    case sm100:
    case sm125:
    case sm150:
    case sm200: return Options.ScaleMode;
    case smAuto: return SysFontScale;
    case smCustomPPI: return 7;
    default: return 0;
  }
}

TkvSkinData* DuRiruZireziv::CommonSkinData(Integer aPPI) {
  if (IsDesigning()) aPPI = 96;
  const Integer index = SlotIndex(aPPI);
  if (!IsActive() && !ManagerState.Contains(msSkinChanging) && !ManagerState.Contains(msBroadCasting)) {
    TkvSkinData* std = StdScaleData(index);
    if (std->PPI != aPPI) {
      std->PPI = aPPI;
      std->ScalePercent = kvMulDiv(100, aPPI, 96);
    }
    return std;
  }
  if (TkvSkinData* slot = Slot(index)) return slot;
  // A slot first asked for after the change is made from the skin already read.
  if (TkvSkinData* made = LoadSkinSlot(aPPI)) return made;
  if (TkvSkinData* first = Slot(0)) return first;
  return StdScaleData(index);
}

void DuRiruZireziv::ClearSkinData() {
  if (GetIsDefault()) ClearAllGlows();
  SkinCommonInfo.Active = false;
  if (TkvMenuServices* menus = Menus()) menus->ForgetSkinData();
  SkinCommonInfo.Sections.fill(-1);
  ClearSkinArrays();
  CommonDataLoaded = false;
}

void DuRiruZireziv::ClearSkinArrays() { SkinDataArray.clear(); }

bool HasVersionSwitch(const std::vector<String>& params) {
  return std::any_of(params.begin(), params.end(), [](const String& p) { return LowerCase(p) == u"/kvver"; });
}

TkvManagerStateScope::TkvManagerStateScope(DuRiruZireziv& manager, TkvManagerStateValue flag)
    : manager_(manager), flag_(flag), owned_(!manager.ManagerState.Contains(flag)) {
  manager_.ManagerState.Include(flag_);
}

TkvManagerStateScope::~TkvManagerStateScope() {
  if (owned_) manager_.ManagerState.Exclude(flag_);
}

// ---- 7. Without a window system ---------------------------------------------------------
//
// The native build has no forms, hooks, image lists or message boxes: the broadcasts reach
// nobody and the window side does nothing, so the skin change itself (its load, its state and
// its events) runs and is tested there as on Windows.
#ifndef _WIN32
void DuRiruZireziv::BroadcastToForms(Word, intptr_t, Word) {}
void DuRiruZireziv::BroadcastToHooked(Word, intptr_t) {}
void DuRiruZireziv::InstallHook() {}
void DuRiruZireziv::UnInstallHook() {}
void DuRiruZireziv::UpdateCommonDlgs() {}
void DuRiruZireziv::StoreDefFont() {}
bool DuRiruZireziv::GetExtendedBorders() const { return false; }
void DuRiruZireziv::LockAllForms() {}
void DuRiruZireziv::UnlockAllForms(bool) {}
void DuRiruZireziv::SnapshotForms() {}
void DuRiruZireziv::DropSnapshots(bool wasAnimating) { InAnimationProcess = wasAnimating; }
void DuRiruZireziv::RedrawHookedDialogs() {}
void DuRiruZireziv::ReportError(const String&) {}
void DuRiruZireziv::ClearImageListCaches() {}
void DuRiruZireziv::RecolorImageLists() {}
void DuRiruZireziv::ScaleImageLists() {}
bool DuRiruZireziv::LayoutIsRightToLeft() const { return false; }
Integer DuRiruZireziv::ApplicationPPI() const { return 96; }
void DuRiruZireziv::SkinOwnerForm() {}
void DuRiruZireziv::HookApplication(bool) {}
void DuRiruZireziv::SysColorsOptionChanged() {}
void DuRiruZireziv::InternalSkinsChanged() {}
#endif
