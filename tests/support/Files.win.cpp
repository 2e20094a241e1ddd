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

Int64 SizeOfOnlyFileIn(const String& folder) {
  const std::vector<String> files = FilesIn(folder);
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (files.size() != 1 || !GetFileAttributesExW(WideStr(folder + u"\\" + files[0]), GetFileExInfoStandard, &a))
    return -1;
  return (Int64(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

void SaveBytes(const String& path, const std::vector<Byte>& bytes) {
  TFileStream f(path, fmCreate);
  if (!bytes.empty()) f.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
}
