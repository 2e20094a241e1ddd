#include "app/EngineStartup.h"

#include <set>

#include "kvAlphaImageList.h"
#include "kvFontStore.h"
#include "kvPNG.h"
#include "kvgpUtils.h"
#include "kvntUtils.h"
#include "sConst.h"
#include "sDefaults.h"
#include "sDialogs.h"
#include "sGlyphUtils.h"
#include "sGradient.h"
#include "sGraphUtils.h"
#include "sSkinProvider.h"
#include "sThirdParty.h"
#include "sVclUtils.h"

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
      {"sGlyphUtils", sGlyphUtilsStartup, sGlyphUtilsCleanup},
      {"sDialogs", nullptr, sDialogsCleanup},
      {"sSkinProvider", nullptr, sSkinProviderCleanup},
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

void StartEngine() { StartModules(EngineModules()); }
void StopEngine() { StopModules(EngineModules()); }
