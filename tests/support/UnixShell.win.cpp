#include "support/UnixShell.h"

#include <windows.h>

#include <cstdio>

#include "ui/CommandLine.h"
#include "ui/SysUtils.h"

std::string UnixPathOf(const String& windowsPath) {
  using Fn = char*(CDECL*)(LPCWSTR);
  static const Fn toUnix = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return std::string();
  char* p = toUnix(reinterpret_cast<LPCWSTR>(windowsPath.c_str()));
  if (!p) return std::string();
  std::string out(p);
  HeapFree(GetProcessHeap(), 0, p);
  return out;
}

std::string ShellQuote(const std::string& word) {
  std::string out = "'";
  for (char c : word) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

int RunUnixShell(const std::string& command, unsigned timeoutMs) {
  wchar_t tempDir[MAX_PATH];
  GetTempPathW(MAX_PATH, tempDir);
  // The file that GetTempFileNameW makes stays until the end: it reserves the name, so test
  // processes running side by side never share a marker. The shell writes "<name>.done".
  wchar_t reservedPath[MAX_PATH];
  if (!GetTempFileNameW(tempDir, L"tws", 0, reservedPath)) return -1;
  struct Reservation {
    const wchar_t* path;
    ~Reservation() { DeleteFileW(path); }
  } reservation{reservedPath};
  const String marker = String(reinterpret_cast<const Char*>(reservedPath)) + u".done";
  const wchar_t* markerPath = reinterpret_cast<const wchar_t*>(marker.c_str());
  DeleteFileW(markerPath);  // a leftover of a shell that once ran out of time
  const std::string unixMarker = UnixPathOf(marker);
  const std::string script = command + "\necho $? > " + ShellQuote(unixMarker + ".tmp") + " && mv " +
                             ShellQuote(unixMarker + ".tmp") + " " + ShellQuote(unixMarker);
  String cmdLine = u"sh -c " + QuoteArgument(Utf8ToString(script));
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(L"Z:\\bin\\sh", reinterpret_cast<LPWSTR>(cmdLine.data()), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &si, &pi))
    return -1;
  // pi's handles are not closed: for a Linux program Wine fills them from its own uninitialised
  // locals, not with handles of the new process, and closing them closed whatever handle of
  // this process had those numbers (once the cached key of HKEY_CURRENT_USER).
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (GetFileAttributesW(markerPath) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount64() > deadline) return -1;
    Sleep(10);
  }
  int code = -1;
  if (FILE* f = _wfopen(markerPath, L"rb")) {
    if (fscanf(f, "%d", &code) != 1) code = -1;
    fclose(f);
  }
  DeleteFileW(markerPath);
  return code;
}
