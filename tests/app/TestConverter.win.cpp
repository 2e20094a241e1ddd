// The converter of the tests, installed as data\ffmpeg.exe beside the program under test. It
// runs Debian's /usr/bin/ffmpeg with the same arguments, Windows paths turned into Linux ones,
// and exits with its code. It appends the arguments it was given (one per line, UTF-8, then
// an empty line) to the file named by TW_CONVERTER_LOG. TW_CONVERTER_MODE makes it misbehave:
//   empty    writes an empty output file and exits with 0
//   partial  writes a few bytes to the output file and exits with 1
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "support/UnixShell.h"
#include "ui/SysUtils.h"

namespace {

String Env(const wchar_t* name) {
  wchar_t buf[1024];
  DWORD n = GetEnvironmentVariableW(name, buf, 1024);
  return n > 0 && n < 1024 ? String(reinterpret_cast<const Char*>(buf), n) : String();
}

bool IsWindowsPath(const String& a) {
  return (a.size() > 2 && a[1] == u':' && (a[2] == u'\\' || a[2] == u'/')) || a.starts_with(u"\\\\");
}

void AppendLog(const std::vector<String>& args) {
  const String log = Env(L"TW_CONVERTER_LOG");
  if (log.empty()) return;
  std::string text;
  for (const String& a : args) text += StringToUtf8(a) + "\n";
  text += "\n";
  HANDLE f = CreateFileW(reinterpret_cast<LPCWSTR>(log.c_str()), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD n;
  WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  CloseHandle(f);
}

int WriteOutput(const String& path, const char* bytes, DWORD size, int code) {
  HANDLE f = CreateFileW(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 3;
  DWORD n;
  if (size) WriteFile(f, bytes, size, &n, nullptr);
  CloseHandle(f);
  return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<String> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const Char*>(argv[i]));
  AppendLog(args);
  const String mode = Env(L"TW_CONVERTER_MODE");
  if (!args.empty() && (mode == u"empty" || mode == u"partial"))
    return mode == u"empty" ? WriteOutput(args.back(), "", 0, 0) : WriteOutput(args.back(), "\xFF\xF1partial", 9, 1);

  std::string command = "/usr/bin/ffmpeg -hide_banner -loglevel error";
  for (const String& a : args) command += " " + ShellQuote(IsWindowsPath(a) ? UnixPathOf(a) : StringToUtf8(a));
  command += " </dev/null >/dev/null 2>&1";
  const int code = RunUnixShell(command, 300000);
  return code < 0 ? 255 : code;
}
