#include "controls/kvShellCtrls.h"

#include <cstdint>
#include <cstring>

namespace {
uint16_t ItemBytes(const void* pidl) {
  uint16_t cb = 0;
  std::memcpy(&cb, pidl, sizeof cb);  // identifier lists are not aligned
  return cb;
}
}  // namespace

const void* NextPIDL(const void* pidl) {
  if (!pidl) return nullptr;
  return static_cast<const Byte*>(pidl) + ItemBytes(pidl);
}

size_t GetPIDLSize(const void* pidl) {
  if (!pidl) return 0;
  size_t total = 2;  // the terminator
  for (const void* p = pidl; ItemBytes(p) != 0; p = NextPIDL(p)) total += ItemBytes(p);
  return total;
}

String StripNumberedQuestionMarks(const String& name) {
  if (name.size() > 1 && name[0] == u'?' && name[1] >= u'0' && name[1] <= u'9') {
    String out;
    for (Char c : name)
      if (c != u'?') out += c;
    return out;
  }
  return name;
}

String ExtractFileExt(const String& name) {
  const size_t dot = name.find_last_of(u'.');
  const size_t sep = name.find_last_of(u"\\/:");
  if (dot == String::npos || (sep != String::npos && sep > dot)) return String();
  return name.substr(dot);
}

bool HasZipExtension(const String& name) {
  const String ext = ExtractFileExt(name);
  if (ext.size() != 4) return false;
  const char16_t* zip = u".zip";
  for (size_t i = 0; i < 4; ++i) {
    Char c = ext[i];
    if (c >= u'A' && c <= u'Z') c = Char(c - u'A' + u'a');
    if (c != zip[i]) return false;
  }
  return true;
}

String ApplyShowExtension(const String& displayName, const String& fileExt, TkvShowExtension mode) {
  const String shownExt = ExtractFileExt(displayName);
  if (mode == seShow) return shownExt != fileExt ? displayName + fileExt : displayName;
  if (mode == seHide) return displayName.substr(0, displayName.size() - shownExt.size());
  return displayName;
}
