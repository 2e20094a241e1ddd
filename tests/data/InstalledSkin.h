// What the data tests share: where the build installs the program's data beside the test
// exes, and the list of sections and keys the engine reads to paint Tarnwick's windows
// (tools/skin/required-keys.txt).
#pragma once

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "ui/StringList.h"
#include "ui/SysUtils.h"

#ifndef TW_SOURCE_DIR
#error "TW_SOURCE_DIR must name the source tree"
#endif

namespace installed {

// The folder of this test exe, with a trailing backslash.
inline String ExeFolder() {
  wchar_t path[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  String s(reinterpret_cast<const char16_t*>(path), n);
  return s.substr(0, s.find_last_of(u'\\') + 1);
}

// The test exe lies in <build>/tests/data; the program's data folder is <build>/bin/data.
inline String DataFolder() { return ExeFolder() + u"..\\..\\bin\\data\\"; }
inline String SkinFolder() { return DataFolder() + u"Glimmerveil\\"; }

inline bool FileThere(const String& path) {
  const DWORD a = GetFileAttributesW(reinterpret_cast<LPCWSTR>(path.c_str()));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// One line of the list: the section, the key ("-" for the section itself) and what must be
// there: "section", "value", "scaled" (a GLOBALINFO number per density) or "image" (a picture
// per density).
struct Required {
  std::string section, key, kind;
};

inline std::vector<Required> ReadRequired() {
  TStringList lines;
  lines.LoadFromFile(u"Z:" + Utf8ToString(TW_SOURCE_DIR) + u"/tools/skin/required-keys.txt");
  std::vector<Required> out;
  for (Integer i = 0; i < lines.Count(); ++i) {
    std::string line = StringToUtf8(lines[i]);
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    Required r;
    if (words >> r.section >> r.key >> r.kind) out.push_back(r);
  }
  return out;
}

// The densities the skin serves, and the suffixes of their keys.
constexpr int kPPIs[] = {96, 120, 144, 192};
constexpr const char* kSuffixes[] = {"", "*125", "*150", "*200"};

}  // namespace installed
