#include "support/Files.h"

#include <algorithm>

#include "ui/Streams.h"

String Backslashed(String path) {
  std::replace(path.begin(), path.end(), u'/', u'\\');
  return path;
}

std::vector<String> FilesIn(const String& folder) {
  std::vector<String> names;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(WideStr(folder + u"\\*"), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    String n = reinterpret_cast<const Char*>(fd.cFileName);
    if (n != u"." && n != u"..") names.push_back(n);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

void SaveBytes(const String& path, const std::vector<Byte>& bytes) {
  TFileStream f(path, fmCreate);
  if (!bytes.empty()) f.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
}
