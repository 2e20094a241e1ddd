#include "SysUtils.h"

#include <cstdlib>
#include <limits>

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

Exception::Exception(const char* asciiMessage) : message_(Utf8ToString(asciiMessage)) {}

const char* Exception::what() const noexcept {
  try {
    if (utf8_.empty()) utf8_ = StringToUtf8(message_);
  } catch (...) { return "exception"; }
  return utf8_.c_str();
}

String Utf8ToString(std::string_view in) {
  String out;
  out.reserve(in.size());
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  const auto* end = p + in.size();
  while (p < end) {
    uint32_t c = *p;
    int extra = 0;
    uint32_t minimum = 0;
    if (c < 0x80) {
      ++p;
      out.push_back(static_cast<Char>(c));
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      c &= 0x1F;
      extra = 1;
      minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      c &= 0x0F;
      extra = 2;
      minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      c &= 0x07;
      extra = 3;
      minimum = 0x10000;
    } else {
      ++p;
      out.push_back(0xFFFD);
      continue;
    }
    ++p;
    int i = 0;
    for (; i < extra && p < end && (*p & 0xC0) == 0x80; ++i, ++p) c = (c << 6) | (*p & 0x3F);
    if (i < extra || c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(0xFFFD);
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<Char>(0xD800 + (c >> 10)));
      out.push_back(static_cast<Char>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<Char>(c));
    }
  }
  return out;
}

std::string StringToUtf8(StringView in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    uint32_t c = in[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;  // lone surrogate
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

String AsciiToString(std::string_view ascii) { return String(ascii.begin(), ascii.end()); }

String IntToStr(Int64 value) { return AsciiToString(std::to_string(value)); }

static Char AsciiUpper(Char c) { return (c >= u'a' && c <= u'z') ? static_cast<Char>(c - 32) : c; }
static Char AsciiLower(Char c) { return (c >= u'A' && c <= u'Z') ? static_cast<Char>(c + 32) : c; }

String UpperCase(StringView s) {
  String r(s);
  for (auto& c : r) c = AsciiUpper(c);
  return r;
}

String LowerCase(StringView s) {
  String r(s);
  for (auto& c : r) c = AsciiLower(c);
  return r;
}

static Char AnsiUpperChar(Char c) {
  if (c < 0x80) return AsciiUpper(c);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<Char>(c - 32);     // Latin-1 supplement
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<Char>(c - 32);  // Greek
  if (c >= 0x430 && c <= 0x44F) return static_cast<Char>(c - 32);                // Cyrillic
  if (c >= 0x450 && c <= 0x45F) return static_cast<Char>(c - 80);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<Char>(c - 32);  // full-width Latin
  return c;
}

String AnsiUpperCase(StringView s) {
  String r(s);
  for (auto& c : r) c = AnsiUpperChar(c);
  return r;
}

int CompareStr(StringView a, StringView b) {
  int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int AnsiCompareText(StringView a, StringView b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    Char x = AnsiUpperChar(a[i]), y = AnsiUpperChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool AnsiSameText(StringView a, StringView b) { return a.size() == b.size() && AnsiCompareText(a, b) == 0; }

bool SameText(StringView a, StringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

String Trim(StringView s) { return TrimRight(TrimLeft(s)); }

String TrimLeft(StringView s) {
  size_t i = 0;
  while (i < s.size() && s[i] <= u' ') ++i;
  return String(s.substr(i));
}

String TrimRight(StringView s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] <= u' ') --n;
  return String(s.substr(0, n));
}

namespace {
// The class library's integer syntax for a value of `bits` bits (32 or 64): optional leading
// blanks and sign, decimal or '$'/'0x' hex; hex literals are bit patterns ($FFFFFFFF is -1 in
// 32 bits). False for anything else, an empty number or a value out of range.
bool ParseInteger(StringView s, int bits, uint64_t& pattern) {
  size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;  // leading blanks are accepted, trailing ones are not
  bool negative = false;
  if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
  int base = 10;
  if (i < s.size() && s[i] == u'$') {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i >= s.size()) return false;
  const uint64_t signBit = uint64_t{1} << (bits - 1);
  const uint64_t allBits = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
  const uint64_t limit = base == 16 ? allBits : (negative ? signBit : signBit - 1);
  uint64_t acc = 0;
  for (; i < s.size(); ++i) {
    Char c = s[i];
    int d;
    if (c >= u'0' && c <= u'9')
      d = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f')
      d = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F')
      d = c - u'A' + 10;
    else
      return false;
    if (acc > (limit - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return false;
    acc = acc * base + d;
  }
  pattern = negative ? 0u - acc : acc;
  return true;
}
}  // namespace

bool TryStrToInt(StringView s, Integer& value) {
  uint64_t bits;
  if (!ParseInteger(s, 32, bits)) return false;
  value = static_cast<Integer>(static_cast<uint32_t>(bits));
  return true;
}

bool TryStrToInt64(StringView s, Int64& value) {
  uint64_t bits;
  if (!ParseInteger(s, 64, bits)) return false;
  value = static_cast<Int64>(bits);
  return true;
}

Integer StrToIntDef(StringView s, Integer def) {
  Integer v;
  return TryStrToInt(s, v) ? v : def;
}

Integer StrToInt(StringView s) {
  Integer v;
  if (!TryStrToInt(s, v)) throw EConvertError(u"'" + String(s) + u"' is not a valid integer value");
  return v;
}

// ---- files ----------------------------------------------------------------------------

String FolderOf(StringView path) {
  const size_t slash = path.find_last_of(u"\\/");
  return slash == StringView::npos ? String() : String(path.substr(0, slash));
}

#ifndef _WIN32

bool FileExists(const String& path) {
  struct stat st;
  return stat(StringToUtf8(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

Int64 FileSize(const String& path) {
  struct stat st;
  if (stat(StringToUtf8(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return static_cast<Int64>(st.st_size);
}

bool RemoveFile(const String& path) { return unlink(StringToUtf8(path).c_str()) == 0; }

TRenameResult RenameFile(const String& from, const String& to) {
  // rename() would replace what is there; renameat2 can refuse.
  if (renameat2(AT_FDCWD, StringToUtf8(from).c_str(), AT_FDCWD, StringToUtf8(to).c_str(), RENAME_NOREPLACE) == 0)
    return TRenameResult::Renamed;
  return errno == EEXIST ? TRenameResult::TargetExists : TRenameResult::Failed;
}

#endif

// ---- file search ----------------------------------------------------------------------

TSearchRec::~TSearchRec() { FindClose(*this); }

#ifndef _WIN32

namespace {

// Moves the search to the next entry that matches and is not excluded; 0 or the error.
Integer FindMatchingFile(TSearchRec& f, DIR* dir, const std::string& folder, const std::string& pattern) {
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir);
    if (!entry) return errno ? errno : ENOENT;
    const char* name = entry->d_name;
    if (fnmatch(pattern.c_str(), name, 0) != 0) continue;
    const std::string full = folder + name;
    struct stat st;
    if (lstat(full.c_str(), &st) != 0) continue;  // gone since it was listed
    Integer attr = 0;
    if (S_ISLNK(st.st_mode)) {
      attr |= faSymLink;
      struct stat target;
      if (stat(full.c_str(), &target) == 0) st = target;  // a dangling link keeps its own
    }
    if (S_ISDIR(st.st_mode)) attr |= faDirectory;
    if (name[0] == '.') attr |= faHidden;
    if (!(st.st_mode & S_IWUSR)) attr |= faReadOnly;  // the owner's bit, as an attribute (not who asks)
    if (attr == 0) attr = faNormal;
    if (attr & f.ExcludeAttr) continue;
    f.Attr = attr;
    f.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<Int64>(st.st_size);
    f.Name = Utf8ToString(name);
    return 0;
  }
}

}  // namespace

Integer FindFirst(const String& path, Integer attr, TSearchRec& f) {
  FindClose(f);
  const std::string utf8 = StringToUtf8(path);
  const size_t slash = utf8.rfind('/');
  f.folder_ = slash == std::string::npos ? std::string("./") : utf8.substr(0, slash + 1);
  f.pattern_ = slash == std::string::npos ? utf8 : utf8.substr(slash + 1);
  if (f.pattern_ == "*.*") f.pattern_ = "*";  // every name, as on Windows
  f.ExcludeAttr = ~attr & (faHidden | faSysFile | faVolumeID | faDirectory);
  DIR* dir = opendir(f.folder_.c_str());
  if (!dir) return errno;
  f.handle_ = dir;
  const Integer result = FindMatchingFile(f, dir, f.folder_, f.pattern_);
  if (result != 0) FindClose(f);
  return result;
}

Integer FindNext(TSearchRec& f) {
  if (!f.handle_) return EBADF;
  return FindMatchingFile(f, static_cast<DIR*>(f.handle_), f.folder_, f.pattern_);
}

void FindClose(TSearchRec& f) {
  if (f.handle_) closedir(static_cast<DIR*>(f.handle_));
  f.handle_ = nullptr;
}

#endif
