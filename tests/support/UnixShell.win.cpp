#include "support/UnixShell.h"

#include <windows.h>

#include <cstdio>

#include "app/DownloadLogic.h"
#include "vcl/SysUtils.h"

std::string UnixPathOf(const String& windowsPath) {
  using Fn = char*(CDECL*)(LPCWSTR);
  static const Fn toUnix =
      reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
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
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

int RunUnixShell(const std::string& command, unsigned timeoutMs) {
  wchar_t tempDir[MAX_PATH];
  GetTempPathW(MAX_PATH, tempDir);
  wchar_t markerPath[MAX_PATH];
  if (!GetTempFileNameW(tempDir, L"tws", 0, markerPath)) return -1;
  DeleteFileW(markerPath);  // the shell makes it when the command has ended
  const String marker = reinterpret_cast<const Char*>(markerPath);
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
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
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
