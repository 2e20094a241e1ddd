#include "base/sDefaults.h"

#include <windows.h>

#include "base/EngineState.h"
#include "ui/Forms.h"
#include "ui/WinHandles.h"

namespace {

// Looks an entry up in a library loaded for the call alone; the library is freed afterwards.
template <typename Fn, typename Call>
void WithEntry(const wchar_t* library, const char* entry, Call call) {
  const TOwnedModule module(LoadLibraryW(library));
  if (!module) return;
  if (auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module.get(), entry)))) call(fn);
}

}  // namespace

void sDefaultsStartup() {
  if (kvSystem.sDefaultsStarted) return;
  kvSystem.sDefaultsStarted = true;
  // Inside the development environment the process is not ours to change.
  if (Application && Application->MainForm() && Application->MainForm()->ClassName() == u"TAppBuilder") return;
  using SetProcessDPIAwareFn = BOOL(WINAPI*)();
  WithEntry<SetProcessDPIAwareFn>(L"user32.dll", "SetProcessDPIAware",
                                  [](SetProcessDPIAwareFn fn) { kvSysDPIAware = fn() != FALSE; });
  using GetProcessDpiAwarenessFn = HRESULT(WINAPI*)(HANDLE, int*);
  WithEntry<GetProcessDpiAwarenessFn>(L"Shcore.dll", "GetProcessDpiAwareness", [](GetProcessDpiAwarenessFn fn) {
    int level = 0;
    if (SUCCEEDED(fn(nullptr, &level))) kvIsDPIAware = level == 2;  // PROCESS_PER_MONITOR_DPI_AWARE
  });
}
