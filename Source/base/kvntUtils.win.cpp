#include "base/kvntUtils.h"

#include <windows.h>
#include <lm.h>
#include <shellapi.h>

#include "base/Composition.h"
#include "base/EngineState.h"
#include "base/sDialogs.h"
#include "ui/Icon.h"
#include "ui/WinHandles.h"

static_assert(sizeof(BLENDFUNCTION) == sizeof(TkvBlendFunction));

void InitBlendData(BLENDFUNCTION& blend, Byte blendValue) {
  InitBlendData(reinterpret_cast<TkvBlendFunction&>(blend), blendValue);
}

// ---- Versions -------------------------------------------------------------------------

Byte& kvWinMajorVer = kvSystem.kvWinMajorVer;
Byte& kvWinMinorVer = kvSystem.kvWinMinorVer;
Cardinal& kvOSMajorVer = kvSystem.kvOSMajorVer;
Cardinal& kvOSMinorVer = kvSystem.kvOSMinorVer;

namespace {

bool Win8UpBy(Cardinal major, Cardinal minor) { return major > 6 || (major == 6 && minor > 1); }

void EnsureWinVer() {
  if (kvWinMajorVer == 0) InitWinVer();
}

void EnsureOSVer() {
  if (kvOSMajorVer != 0) return;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (GetVersionExW(&info)) {
#pragma GCC diagnostic pop
    kvOSMajorVer = info.dwMajorVersion;
    kvOSMinorVer = info.dwMinorVersion;
  }
}

}  // namespace

void InitWinVer() {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const DWORD version = GetVersion();
#pragma GCC diagnostic pop
  kvWinMajorVer = static_cast<Byte>(version & 0xFF);
  kvWinMinorVer = static_cast<Byte>((version >> 8) & 0xFF);
  // From 6.2 on the system reports 6.2 to programs that declare no newer version; the
  // workstation service tells the truth.
  if (Win8UpBy(kvWinMajorVer, kvWinMinorVer)) {
    WKSTA_INFO_100* info = nullptr;
    if (NetWkstaGetInfo(nullptr, 100, reinterpret_cast<LPBYTE*>(&info)) == NERR_Success && info) {
      kvWinMajorVer = static_cast<Byte>(info->wki100_ver_major);
      kvWinMinorVer = static_cast<Byte>(info->wki100_ver_minor);
    }
    if (info) NetApiBufferFree(info);
  }
}

Integer WinMajorVer() {
  EnsureWinVer();
  return kvWinMajorVer;
}

bool IsWinVistaUp() { return WinMajorVer() > 5; }
bool IsWin8Up() {
  EnsureWinVer();
  return Win8UpBy(kvWinMajorVer, kvWinMinorVer);
}
bool IsWin10Up() { return WinMajorVer() > 9; }

bool SysReadyForDPI() {
  EnsureOSVer();
  return kvOSMajorVer > 6 || (kvOSMajorVer == 6 && kvOSMinorVer >= 3);
}

bool IsNTFamily() {
  EnsureOSVer();
  return kvOSMajorVer > 5 || (kvOSMajorVer == 5 && kvOSMinorVer >= 1);
}

// ---- Bound entries --------------------------------------------------------------------

HMODULE& hKern32 = kvSystem.hKern32;
HMODULE& hShell32 = kvSystem.hShell32;
HMODULE& hUSER32 = kvSystem.hUSER32;
TkvIsDebuggerPresent& kvIsDebuggerPresent = kvSystem.kvIsDebuggerPresent;
TkvIsWow64Process& kvIsWow64Process = kvSystem.kvIsWow64Process;
TkvSHGetFileInfo& kvSHGetFileInfo = kvSystem.kvSHGetFileInfo;
TkvSystemParametersInfoForDpi& kv_SystemParametersInfoForDpi = kvSystem.kv_SystemParametersInfoForDpi;

namespace {
template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}
}  // namespace

bool IsIDERunning() { return kvIsDebuggerPresent ? kvIsDebuggerPresent() != 0 : true; }

bool IsWOW64Proc() {
  if (!kvIsWow64Process) return false;
  int wow64 = 0;
  return kvIsWow64Process(GetCurrentProcess(), &wow64) != 0 && wow64 != 0;
}

void InitSysProc() {
  if (!hShell32) hShell32 = LoadLibraryW(L"shell32.dll");
  if (!kvSHGetFileInfo) kvSHGetFileInfo = Bind<TkvSHGetFileInfo>(hShell32, "SHGetFileInfoW");
}

void kvntUtilsStartup() {
  if (kvSystem.kvntUtilsStarted) return;
  kvSystem.kvntUtilsStarted = true;
  InitWinVer();
  if (!hKern32) hKern32 = LoadLibraryW(L"kernel32.dll");
  if (hKern32) {
    if (!kvIsDebuggerPresent) kvIsDebuggerPresent = Bind<TkvIsDebuggerPresent>(hKern32, "IsDebuggerPresent");
    kvIsWow64Process = Bind<TkvIsWow64Process>(hKern32, "IsWow64Process");
    if (IsWOW64Proc() && !AeroIsEnabled()) x64woAero = true;
  }
  InitSysProc();
  hUSER32 = LoadLibraryW(L"user32.dll");
  if (hUSER32)
    kv_SystemParametersInfoForDpi = Bind<TkvSystemParametersInfoForDpi>(hUSER32, "SystemParametersInfoForDpi");
}

void kvntUtilsCleanup() {
  kvSystem.kvntUtilsStarted = false;
  for (HMODULE* m : {&hKern32, &hShell32, &hUSER32}) {
    if (*m) FreeLibrary(*m);
    *m = nullptr;
  }
  kvIsDebuggerPresent = nullptr;
  kvIsWow64Process = nullptr;
  kvSHGetFileInfo = nullptr;
  kv_SystemParametersInfoForDpi = nullptr;
}

// ---- System parameters ----------------------------------------------------------------

bool kvSysParamInfo(Cardinal uiAction, Cardinal uiParam, void* pvParam, Cardinal dpi) {
  if (SysReadyForDPI() && kv_SystemParametersInfoForDpi &&
      kv_SystemParametersInfoForDpi(uiAction, uiParam, pvParam, 0, dpi) != 0)
    return true;
  return SystemParametersInfoW(uiAction, uiParam, pvParam, 0) != FALSE;
}

namespace {
// The non-client metrics, sized for the running Windows (no padded border before Vista).
bool ReadNonClientMetrics(Integer dpi, NONCLIENTMETRICSW& ncm) {
  ncm = NONCLIENTMETRICSW{};
  ncm.cbSize = IsWinVistaUp() ? sizeof(NONCLIENTMETRICSW) : offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
  return kvSysParamInfo(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, static_cast<Cardinal>(dpi));
}
}  // namespace

Integer GetCaptionFontSize(Integer dpi) {
  NONCLIENTMETRICSW ncm;
  if (!ReadNonClientMetrics(dpi, ncm)) return 0;
  return Mini(ncm.lfCaptionFont.lfHeight, -11);
}

HFONT kvGetTitleFont(Integer dpi) {
  NONCLIENTMETRICSW ncm;
  if (!ReadNonClientMetrics(dpi, ncm)) return nullptr;
  return CreateFontIndirectW(&ncm.lfCaptionFont);
}

bool kvGetAnimation() {
  ANIMATIONINFO info{};
  info.cbSize = sizeof(info);
  return SystemParametersInfoW(SPI_GETANIMATION, sizeof(info), &info, 0) && info.iMinAnimate != 0;
}

bool kvSetAnimation(bool value) {
  ANIMATIONINFO info{};
  info.cbSize = sizeof(info);
  info.iMinAnimate = value ? -1 : 0;
  return SystemParametersInfoW(SPI_SETANIMATION, sizeof(info), &info, 0) != FALSE;
}

// ---- Waiting --------------------------------------------------------------------------

TkvWaitHandler kvWaitHandler = nullptr;

void WaitTicks(Cardinal beginTicks, Integer delay) {
  if (delay <= 0) return;
  if (kvWaitHandler) {
    kvWaitHandler(beginTicks, delay);
    return;
  }
  // Unsigned difference: a wrap of the tick counter does not matter.
  while (GetTickCount() - beginTicks < static_cast<Cardinal>(delay)) Sleep(0);
}

// ---- Files and folders ----------------------------------------------------------------

namespace {
bool OpensForBackup(const String& path) {
  const TOwnedFile file(CreateFileW(WideStr(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return static_cast<bool>(file);
}
}  // namespace

bool FixedDirectoryExists(const String& directory, bool followLink) {
  const DWORD attrs = GetFileAttributesW(WideStr(directory));
  if (attrs == INVALID_FILE_ATTRIBUTES) {
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_NOT_READY:
      case ERROR_BAD_NETPATH:
      case ERROR_INVALID_NAME: return false;
      default: return true;  // it exists but cannot be examined (access denied and the like)
    }
  }
  const bool isDir = (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((attrs & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return isDir;
  if (followLink) return OpensForBackup(directory) && isDir;
  return isDir || !OpensForBackup(directory);
}

bool kvDirExists(const String& name) {
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  const bool exists = FixedDirectoryExists(name, true);
  SetErrorMode(oldMode);
  return exists;
}

String GetAppPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD len = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (len == 0) return String();
    if (len < path.size()) {
      path.resize(len);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/");
  return String(reinterpret_cast<const Char*>(path.data()), slash == std::wstring::npos ? 0 : slash + 1);
}

TIcon* GetIconForFile(const String& fullFileName, Cardinal flag) {
  const DWORD attrs = GetFileAttributesW(WideStr(fullFileName));
  if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0 || !kvSHGetFileInfo) return nullptr;
  SHFILEINFOW info{};
  if (!kvSHGetFileInfo(WideStr(fullFileName), 0, &info, sizeof(info), flag | 0x100 /*SHGFI_ICON*/)) return nullptr;
  auto* icon = new TIcon();
  icon->SetHandle(info.hIcon);
  if (icon->Empty()) {
    delete icon;
    return nullptr;
  }
  return icon;
}

// ---- Message boxes and waiting --------------------------------------------------------

void ShowWarning(const String& text) { sMessageDlg(text, mtWarning, {mbOK}, 0); }
void ShowError(const String& text) { sMessageDlg(text, mtError, {mbOK}, 0); }
void Alert(const String& text) { ShowWarning(text); }

void Delay(Integer msecs) {
  const DWORD start = GetTickCount();
  do {
    if (Application) Application->ProcessMessages();
    // Unsigned difference: a wrap of the tick counter does not matter.
  } while (static_cast<Int64>(GetTickCount() - start) < msecs);
}
