#include "base/sConst.h"

#include <windows.h>

#include "Source/resources/engine_ids.h"
#include "base/EngineState.h"
#include "ui/WinHandles.h"

HWND& kvPreviewHandle = kvRunState.kvPreviewHandle;

void InitSysVariables() {
  if (kvScrollBtnLength < 0) kvScrollBtnLength = GetSystemMetrics(SM_CXHSCROLL);
}

namespace {

// A string of a module's string table; empty when the module has none of that id.
String LoadModuleStr(HMODULE module, Cardinal id) {
  const wchar_t* text = nullptr;
  // A buffer size of 0 hands back a pointer into the resource itself (not terminated).
  const int len = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
  if (len <= 0 || !text) return String();
  return String(reinterpret_cast<const Char*>(text), static_cast<size_t>(len));
}

// Loads the string into target and appends the suffix; true when the module had it.
bool LoadWithSuffix(String& target, HMODULE module, Cardinal id, const String& suffix) {
  target = LoadModuleStr(module, id);
  if (target.empty()) return false;
  target += suffix;
  return true;
}

}  // namespace

String kvLoadOwnStr(Cardinal id) { return LoadModuleStr(GetModuleHandleW(nullptr), id); }

void kvLoadResStr(String& target, HMODULE module, Cardinal id, const String& suffix, Cardinal fallbackId) {
  if (!module) return;
  if (!LoadWithSuffix(target, module, id, suffix) && fallbackId != 0) target = kvLoadOwnStr(fallbackId);
}

void kvLoadResStr(String& target, HMODULE module, Cardinal id, const String& suffix, const String& fallback) {
  if (!module) return;
  if (!LoadWithSuffix(target, module, id, suffix) && !fallback.empty()) target = fallback;
}

namespace {

struct SysCaption {
  String* target;
  Cardinal id;
  Cardinal fallbackId;
};

// Loads the library, fills its captions and frees it again. A library that does not load
// leaves its captions as they are.
void LoadCaptions(const wchar_t* library, std::initializer_list<SysCaption> captions) {
  const TOwnedModule module(LoadLibraryW(library));
  for (const SysCaption& c : captions) kvLoadResStr(*c.target, module.get(), c.id, String(), c.fallbackId);
}

}  // namespace

void sConstStartup() {
  if (kvSystem.sConstStarted) return;
  kvSystem.sConstStarted = true;
  InitSysVariables();
  LoadCaptions(L"user32.dll", {{&kvs_CloseStr, 905, IDS_CLOSE}});
  LoadCaptions(L"comctl32.dll", {{&kvs_RestoreStr, 33056, IDS_RESTORE},
                                 {&kvs_SizeStr, 32768, IDS_SIZE},
                                 {&kvs_MoveStr, 32784, IDS_MOVE},
                                 {&kvs_MaximizeStr, 32816, IDS_MAXIMIZE},
                                 {&kvs_MinimizeStr, 32800, IDS_MINIMIZE}});
  kvs_AvailSkins = kvLoadOwnStr(IDS_AVAILSKINS);
  kvs_InternalSkin = kvLoadOwnStr(IDS_INTERNALSKIN);
  kvs_FrameAdapterError1 = kvLoadOwnStr(IDS_FRAMEADAPTERERROR1);
}

void sConstCleanup() {
  kvSystem.sConstStarted = false;
  for (String* s : {&kvs_CloseStr, &kvs_RestoreStr, &kvs_SizeStr, &kvs_MoveStr, &kvs_MaximizeStr, &kvs_MinimizeStr,
                    &kvs_AvailSkins, &kvs_InternalSkin, &kvs_FrameAdapterError1})
    s->clear();
}
