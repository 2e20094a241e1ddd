#include "base/Composition.h"

#include <windows.h>

#include "base/EngineState.h"
#include "base/kvntUtils.h"

Integer& iAeroStatus = kvSystem.iAeroStatus;

namespace {
HMODULE hDWMAPI = nullptr;
bool dwmApiTried = false;
}  // namespace

void InitDwmApi() {
  if (dwmApiTried) return;
  dwmApiTried = true;
  hDWMAPI = LoadLibraryW(L"DWMAPI.DLL");
}

HMODULE DwmApiModule() { return hDWMAPI; }

bool AeroIsEnabled() {
  if (iAeroStatus >= 0) return iAeroStatus != 0;
  iAeroStatus = 0;
  if (IsWinVistaUp()) {
    InitDwmApi();
    using DwmIsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
    if (hDWMAPI) {
      if (auto fn = reinterpret_cast<DwmIsCompositionEnabledFn>(
              reinterpret_cast<void*>(GetProcAddress(hDWMAPI, "DwmIsCompositionEnabled")))) {
        BOOL enabled = FALSE;
        if (SUCCEEDED(fn(&enabled)) && enabled) iAeroStatus = 1;
      }
    }
  }
  return iAeroStatus != 0;
}

void FreeDwmApi() {
  if (hDWMAPI) FreeLibrary(hDWMAPI);
  hDWMAPI = nullptr;
  dwmApiTried = false;
}
