// The file search over FindFirstFileW.
#include <windows.h>

#include "SysUtils.h"

namespace {

void TakeEntry(TSearchRec& f, const WIN32_FIND_DATAW& d) {
  f.Attr = static_cast<Integer>(d.dwFileAttributes);
  f.Size = static_cast<Int64>((static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow);
  f.Name = reinterpret_cast<const Char*>(d.cFileName);
}

// Moves past entries the search excludes; 0 or the error.
Integer SkipExcluded(TSearchRec& f, HANDLE h, WIN32_FIND_DATAW& d) {
  while (static_cast<Integer>(d.dwFileAttributes) & f.ExcludeAttr)
    if (!FindNextFileW(h, &d)) return static_cast<Integer>(GetLastError());
  TakeEntry(f, d);
  return 0;
}

}  // namespace

Integer FindFirst(const String& path, Integer attr, TSearchRec& f) {
  FindClose(f);
  f.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(reinterpret_cast<LPCWSTR>(path.c_str()), &d);
  if (h == INVALID_HANDLE_VALUE) return static_cast<Integer>(GetLastError());
  f.handle_ = h;
  const Integer result = SkipExcluded(f, h, d);
  if (result != 0) FindClose(f);
  return result;
}

Integer FindNext(TSearchRec& f) {
  if (!f.handle_) return ERROR_INVALID_HANDLE;
  WIN32_FIND_DATAW d;
  if (!FindNextFileW(f.handle_, &d)) return static_cast<Integer>(GetLastError());
  return SkipExcluded(f, f.handle_, d);
}

void FindClose(TSearchRec& f) {
  if (f.handle_) ::FindClose(f.handle_);
  f.handle_ = nullptr;
}
