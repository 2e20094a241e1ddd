#include "engine/EngineStartup.h"

#include <set>

#include "base/EngineState.h"
#include "base/kvFontStore.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sDefaults.h"
#include "base/sDialogs.h"
#include "controls/ControlsState.h"
#include "controls/kvAlphaHintsTemplates.h"
#include "controls/kvAnimation.h"
#include "controls/kvGlow.h"
#include "controls/kvPopupController.h"
#include "controls/kvShellCtrls.h"
#include "controls/sColorDialog.h"
#include "controls/sGlyphUtils.h"
#include "controls/sMonthCalendar.h"
#include "controls/sSkinMenus.h"
#include "controls/sThirdParty.h"
#include "forms/sSkinProvider.h"
#include "images/kvAlphaImageList.h"
#include "images/kvPNG.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "raster/sGradient.h"
#include "skin/ControlServices.h"
#include "skin/FormServices.h"
#include "skin/SkinState.h"
#include "skin/sSkinManager.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"
#include "wrappers/kvSBUtils.h"

const std::vector<TkvModuleStep>& EngineModules() {
  static const std::vector<TkvModuleStep> modules{
      {"sConst", sConstStartup, sConstCleanup},
      {"sDefaults", sDefaultsStartup, nullptr},
      {"kvntUtils", kvntUtilsStartup, kvntUtilsCleanup},
      {"kvgpUtils", kvgpUtilsStartup, kvgpUtilsCleanup},
      {"sVclUtils", sVclUtilsStartup, sVclUtilsCleanup},
      {"sGraphUtils", sGraphUtilsStartup, sGraphUtilsCleanup},
      {"sGradient", sGradientStartup, sGradientCleanup},
      {"kvFontStore", nullptr, kvFontStoreCleanup},
      {"kvPNG", kvPNGStartup, kvPNGCleanup},
      {"kvAlphaImageList", kvAlphaImageListStartup, kvAlphaImageListCleanup},
      {"sThirdParty", sThirdPartyStartup, sThirdPartyCleanup},
      {"sGlyphUtils", nullptr, sGlyphUtilsCleanup},
      {"kvAnimation", kvAnimationStartup, kvAnimationCleanup},
      {"kvGlow", kvGlowStartup, kvGlowCleanup},
      {"kvAlphaHints", kvAlphaHintsStartup, kvAlphaHintsCleanup},
      {"kvShellCtrls", kvShellCtrlsStartup, kvShellCtrlsCleanup},
      {"sSkinMenus", sSkinMenusStartup, sSkinMenusCleanup},
      {"kvPopupController", nullptr, kvPopupControllerCleanup},
      {"sDialogs", nullptr, sDialogsCleanup},
      {"sColorDialog", sColorDialogStartup, sColorDialogCleanup},
      {"sMonthCalendar", sMonthCalendarStartup, sMonthCalendarCleanup},
      {"kvSBUtils", kvSBUtilsStartup, kvSBUtilsCleanup},
      {"sSkinProvider", sSkinProviderStartup, sSkinProviderCleanup},
      {"sStyleSimply", sStyleSimplyStartup, sStyleSimplyCleanup},
      {"sSkinManager", sSkinManagerStartup, ClearStdScaleArray},
  };
  return modules;
}

namespace {
// Tables whose start-up has run and whose clean-up has not.
std::set<const std::vector<TkvModuleStep>*>& Started() {
  static std::set<const std::vector<TkvModuleStep>*> started;
  return started;
}
}  // namespace

void StartModules(const std::vector<TkvModuleStep>& modules) {
  if (!Started().insert(&modules).second) return;
  for (const TkvModuleStep& m : modules)
    if (m.Startup) m.Startup();
}

void StopModules(const std::vector<TkvModuleStep>& modules) {
  if (Started().erase(&modules) == 0) return;
  for (auto it = modules.rbegin(); it != modules.rend(); ++it)
    if (it->Cleanup) it->Cleanup();
}

template <class Service>
bool SlotFilled() {
  return TkvServiceSlot<Service>::Get() != nullptr;
}

const std::vector<TkvSlotCheck>& EngineSlots() {
  static const std::vector<TkvSlotCheck> slots{
      {"TkvEffectServices", SlotFilled<TkvEffectServices>}, {"TkvGlowServices", SlotFilled<TkvGlowServices>},
      {"TkvHintServices", SlotFilled<TkvHintServices>},     {"TkvMenuServices", SlotFilled<TkvMenuServices>},
      {"TkvFormServices", SlotFilled<TkvFormServices>},
  };
  return slots;
}

std::vector<std::string> EmptySlots(const std::vector<TkvSlotCheck>& slots) {
  std::vector<std::string> empty;
  for (const TkvSlotCheck& slot : slots)
    if (!slot.Filled()) empty.push_back(slot.Name);
  return empty;
}

void StartModulesChecked(const std::vector<TkvModuleStep>& modules, const std::vector<TkvSlotCheck>& slots) {
  StartModules(modules);
  const std::vector<std::string> empty = EmptySlots(slots);
  if (empty.empty()) return;
  StopModules(modules);
  std::string names;
  for (const std::string& name : empty) names += (names.empty() ? "" : ", ") + name;
  throw EEngineStart(Utf8ToString("The engine's start-up left service slots empty: " + names));
}

void StartEngine() { StartModulesChecked(EngineModules(), EngineSlots()); }
void StopEngine() { StopModules(EngineModules()); }

void ResetEngineState() {
  const std::vector<TkvModuleStep>& modules = EngineModules();
  Started().erase(&modules);
  for (auto it = modules.rbegin(); it != modules.rend(); ++it)
    if (it->Cleanup) it->Cleanup();
  ResetControlsState();
  ResetSkinState();
  ResetBaseState();
}
