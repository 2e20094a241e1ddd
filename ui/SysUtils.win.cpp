// The file functions and the file search over the system's own.
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
  HANDLE h = FindFirstFileW(WideStr(path), &d);
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

// ---- files ------------------------------------------------------------------------------

bool FileExists(const String& path) {
  const DWORD attrs = GetFileAttributesW(WideStr(path));
  return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

Int64 FileSize(const String& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(WideStr(path), GetFileExInfoStandard, &d) ||
      (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  return static_cast<Int64>((static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow);
}

bool RemoveFile(const String& path) { return DeleteFileW(WideStr(path)) != FALSE; }

TRenameResult RenameFile(const String& from, const String& to) {
  if (MoveFileW(WideStr(from), WideStr(to))) return TRenameResult::Renamed;
  const DWORD err = GetLastError();
  return err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS ? TRenameResult::TargetExists : TRenameResult::Failed;
}
