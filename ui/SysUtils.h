// Exceptions and string helpers of the class library. Portable: no platform headers.
#pragma once

#include <exception>
#include <string>
#include <vector>

#include "Types.h"

// The root of every exception the class library and the engine raise. Message is the
// text the application's default handler shows to the user.
class Exception : public std::exception {
 public:
  explicit Exception(String message) : message_(std::move(message)) {}
  explicit Exception(const char* asciiMessage);
  const String& Message() const { return message_; }
  const char* what() const noexcept override;

 private:
  String message_;
  mutable std::string utf8_;
};

#define TW_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {             \
   public:                               \
    using Base::Base;                    \
  }

TW_DECLARE_EXCEPTION(EStreamError, Exception);
TW_DECLARE_EXCEPTION(EReadError, EStreamError);
TW_DECLARE_EXCEPTION(EWriteError, EStreamError);
TW_DECLARE_EXCEPTION(EFOpenError, EStreamError);
TW_DECLARE_EXCEPTION(EFCreateError, EStreamError);
TW_DECLARE_EXCEPTION(EConvertError, Exception);
TW_DECLARE_EXCEPTION(ERangeError, Exception);
TW_DECLARE_EXCEPTION(EIntOverflow, Exception);
TW_DECLARE_EXCEPTION(EListError, Exception);
TW_DECLARE_EXCEPTION(EOutOfResources, Exception);
TW_DECLARE_EXCEPTION(EInvalidOperation, Exception);
TW_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
TW_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
TW_DECLARE_EXCEPTION(EOSError, Exception);

// UTF-8 <-> UTF-16. Invalid input is replaced by U+FFFD, never rejected.
String Utf8ToString(std::string_view utf8);
std::string StringToUtf8(StringView text);
// Only for ASCII literals in code (texts, format strings).
String AsciiToString(std::string_view ascii);

String IntToStr(Int64 value);
String UpperCase(StringView s);  // ASCII letters only, as the class library's UpperCase
String LowerCase(StringView s);
String AnsiUpperCase(StringView s);         // every letter that has a simple upper case
bool SameText(StringView a, StringView b);  // ASCII case-insensitive
// Ordinal comparisons (-1, 0, 1): exact, and with the letters AnsiUpperCase knows folded.
int CompareStr(StringView a, StringView b);
int AnsiCompareText(StringView a, StringView b);
bool AnsiSameText(StringView a, StringView b);
String Trim(StringView s);  // removes characters <= ' ' at both ends
String TrimLeft(StringView s);
String TrimRight(StringView s);
// Integer parsing with the class library's rules: optional sign, decimal or '$'/'0x' hex.
bool TryStrToInt(StringView s, Integer& value);
bool TryStrToInt64(StringView s, Int64& value);
Integer StrToIntDef(StringView s, Integer def);
Integer StrToInt(StringView s);  // raises EConvertError "'<s>' is not a valid integer value"

// ---- the system's wide text --------------------------------------------------------------

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(Char), "Windows' wide characters are UTF-16 code units");
// The String's characters as the system's wide text: the same code units, no copy; valid while
// the String lives and is not changed.
inline const wchar_t* WideStr(const String& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline wchar_t* WideStr(String& s) { return reinterpret_cast<wchar_t*>(s.data()); }
#endif

// ---- files ----------------------------------------------------------------------------
//
// Paths are the system's: on Windows with '\' (or '/'), natively POSIX paths in UTF-8.

// Something that is not a folder has that name.
bool FileExists(const String& path);
// The size in bytes of the file of that name; -1 when there is none (or it is a folder).
Int64 FileSize(const String& path);
// Deletes the file; false when it is not there or cannot go (a folder, in use, no right).
bool RemoveFile(const String& path);

enum class TRenameResult { Renamed, TargetExists, Failed };
// Gives the file or folder `from` the name `to` (a path, possibly in another folder of the
// same volume), never over something that already has that name.
TRenameResult RenameFile(const String& from, const String& to);

// The folder part of a path: everything before its last '\' or '/' ("C:\a\b.txt" ->
// "C:\a"); empty when the path names no folder.
String FolderOf(StringView path);

// ---- file search ----------------------------------------------------------------------
//
//   TSearchRec sr;
//   for (Integer r = FindFirst(dir + u"\\*.*", faDirectory, sr); r == 0; r = FindNext(sr))
//     ... sr.Name, sr.Attr, sr.Size ...
//   FindClose(sr);
//
// FindFirst and FindNext answer 0 while an entry is at hand, else the system's error code
// (on Windows ERROR_FILE_NOT_FOUND or ERROR_NO_MORE_FILES at the end; natively ENOENT when
// nothing more matches, or the error of opening the folder). A failed FindFirst leaves no
// search open. Entries whose attributes include faHidden, faSysFile, faVolumeID or
// faDirectory are found only when attr asks for them; other entries always are. On Windows
// the search is FindFirstFileW's, with its wildcards; natively the folder is read with
// opendir, names are matched by fnmatch (case-sensitive, "*.*" is every name), names that
// begin with '.' are hidden, symbolic links carry faSymLink and the type of their target.

constexpr Integer faReadOnly = 0x01;
constexpr Integer faHidden = 0x02;
constexpr Integer faSysFile = 0x04;
constexpr Integer faVolumeID = 0x08;
constexpr Integer faDirectory = 0x10;
constexpr Integer faArchive = 0x20;
constexpr Integer faNormal = 0x80;
constexpr Integer faTemporary = 0x100;
constexpr Integer faSymLink = 0x400;
constexpr Integer faAnyFile = 0x1FF;

// The entry at hand of a search and the open search itself, which it owns: a record that
// goes while its search is open closes it.
struct TSearchRec {
  Int64 Size = 0;
  Integer Attr = 0;
  String Name;
  Integer ExcludeAttr = 0;

  TSearchRec() = default;
  ~TSearchRec();
  TSearchRec(const TSearchRec&) = delete;
  TSearchRec& operator=(const TSearchRec&) = delete;
  bool SearchOpen() const { return handle_ != nullptr; }

 private:
  friend Integer FindFirst(const String& path, Integer attr, TSearchRec& f);
  friend Integer FindNext(TSearchRec& f);
  friend void FindClose(TSearchRec& f);
  void* handle_ = nullptr;  // the system's search handle (Windows) or the open folder
  std::string folder_;      // natively: the folder being read (UTF-8, with its '/')
  std::string pattern_;     // natively: the name pattern
};

Integer FindFirst(const String& path, Integer attr, TSearchRec& f);
Integer FindNext(TSearchRec& f);
// Ends the search; harmless on a record without one.
void FindClose(TSearchRec& f);
