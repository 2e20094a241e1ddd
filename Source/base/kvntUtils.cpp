#include "base/kvntUtils.h"

#include <cmath>

#include "ui/Bitmap.h"
#include "ui/StringList.h"
#include "ui/TypInfo.h"

void kvRaiseOverflow() { throw EIntOverflow(u"Integer overflow"); }

// ---- Rectangles, sizes and points -----------------------------------------------------

TRect MkRect(const TBitmap* bmp) { return TRect(0, 0, bmp->Width(), bmp->Height()); }

TSize MkSize(const TBitmap* bmp) { return TSize(bmp->Width(), bmp->Height()); }

TRect RectsAnd(const TRect& r1, const TRect& r2) {
  return TRect(Maxi(r1.Left, r2.Left), Maxi(r1.Top, r2.Top), Mini(r1.Right, r2.Right), Mini(r1.Bottom, r2.Bottom));
}

bool RectIsVisible(const TRect& r1, const TRect& r2) {
  if (r2.Right <= r2.Left || r2.Bottom <= r2.Top) return false;
  return r2.Left < r1.Right && r2.Right > r1.Left && r2.Top < r1.Bottom && r2.Bottom > r1.Top;
}

bool RectInRect(const TRect& bigRect, const TRect& smallRect, bool fullInclude) {
  const TRect big(bigRect.Left, bigRect.Top, kvAdd(bigRect.Right, 1), kvAdd(bigRect.Bottom, 1));
  if (fullInclude) return big.Contains(smallRect.TopLeft()) && big.Contains(smallRect.BottomRight());
  return Maxi(big.Left, smallRect.Left) < Mini(big.Right, smallRect.Right) &&
         Maxi(big.Top, smallRect.Top) < Mini(big.Bottom, smallRect.Bottom);
}

void ReflectRect(TRect& r, Integer width, Integer height, bool horz) {
  if (horz) {
    const Integer oldLeft = r.Left;
    r.Left = kvSub(width, r.Right);
    r.Right = kvSub(width, oldLeft);
  } else {
    const Integer oldTop = r.Top;
    r.Top = kvSub(height, r.Bottom);
    r.Bottom = kvSub(height, oldTop);
  }
}

void ReflectRect(TRect& r, const TRect& mainRect, bool horz) {
  if (horz) {
    const Integer oldLeft = r.Left;
    r.Left = kvSub(kvAdd(mainRect.Left, mainRect.Right), r.Right);
    r.Right = kvSub(mainRect.Right, kvSub(oldLeft, mainRect.Left));
  } else {
    const Integer oldTop = r.Top;
    r.Top = kvSub(kvAdd(mainRect.Top, mainRect.Bottom), r.Bottom);
    r.Bottom = kvSub(mainRect.Bottom, kvSub(oldTop, mainRect.Top));
  }
}

void AddPadding(TRect& r, const TRect& padding) {
  r.Left = kvAdd(r.Left, padding.Left);
  r.Top = kvAdd(r.Top, padding.Top);
  r.Right = kvSub(r.Right, padding.Right);
  r.Bottom = kvSub(r.Bottom, padding.Bottom);
}

TCacheInfo MakeCacheInfo(TBitmap* bmp, Integer xOffs, Integer yOffs) {
  return TCacheInfo{bmp, xOffs, yOffs, 0xFF00FF, TRect(0, 0, 0, 0), true};
}

void InitBlendData(TkvBlendFunction& blend, Byte blendValue) {
  blend.BlendOp = 0;  // AC_SRC_OVER
  blend.BlendFlags = 0;
  blend.SourceConstantAlpha = blendValue;
  blend.AlphaFormat = 1;  // AC_SRC_ALPHA
}

// ---- Characters, words and strings ----------------------------------------------------

String MakeStr(char c, Integer n) {
  return n <= 0 ? String() : String(static_cast<size_t>(n), static_cast<Char>(static_cast<unsigned char>(c)));
}

void kvFillString(String& s, Integer count, Char c) { s.assign(count <= 0 ? 0 : static_cast<size_t>(count), c); }

String AddChar(char c, const String& s, Integer n) {
  const auto len = static_cast<Integer>(s.size());
  if (len >= n) return s;
  return MakeStr(c, n - len) + s;
}

String DelChars(const String& s, Char c) {
  String result;
  result.reserve(s.size());
  for (Char ch : s)
    if (ch != c) result.push_back(ch);
  return result;
}

String ReplaceStr(const String& s, const String& search, const String& replace) {
  if (search.empty()) return s;
  String result;
  size_t from = 0;
  for (size_t at; (at = s.find(search, from)) != String::npos; from = at + search.size()) {
    result.append(s, from, at - from);
    result += replace;
  }
  result.append(s, from, String::npos);
  return result;
}

namespace {

// The word routines work the same on wide and 8-bit text; a character above 255 is never a
// delimiter.
template <typename Str>
bool IsDelim(const TkvCharSet& delims, typename Str::value_type c) {
  return delims.Contains(static_cast<std::make_unsigned_t<typename Str::value_type>>(c));
}

template <typename Str>
Integer CountWords(const Str& s, const TkvCharSet& delims) {
  Integer count = 0;
  bool inWord = false;
  for (auto c : s) {
    const bool delim = IsDelim<Str>(delims, c);
    if (!delim && !inWord) ++count;
    inWord = !delim;
  }
  return count;
}

template <typename Str>
Integer FindWord(Integer n, const Str& s, const TkvCharSet& delims, bool skipEmpty) {
  if (n < 1 || s.empty()) return 0;
  const auto len = static_cast<Integer>(s.size());
  if (skipEmpty) {
    Integer count = 0;
    for (Integer i = 0; i < len; ++i) {
      if (IsDelim<Str>(delims, s[i])) continue;
      if (i == 0 || IsDelim<Str>(delims, s[i - 1]))
        if (++count == n) return i + 1;
    }
    return 0;
  }
  if (n == 1) return 1;
  Integer delimsSeen = 0;
  for (Integer i = 0; i < len; ++i)
    if (IsDelim<Str>(delims, s[i]) && ++delimsSeen == n - 1) return i + 2;
  return 0;
}

template <typename Str>
Str TakeWord(Integer n, const Str& s, const TkvCharSet& delims, bool skipEmpty) {
  const Integer pos = FindWord(n, s, delims, skipEmpty);
  if (pos == 0) return Str();
  size_t end = static_cast<size_t>(pos - 1);
  while (end < s.size() && !IsDelim<Str>(delims, s[end])) ++end;
  return s.substr(static_cast<size_t>(pos - 1), end - static_cast<size_t>(pos - 1));
}

}  // namespace

Integer kvWordCount(const String& s, const TkvCharSet& delims) { return CountWords(s, delims); }
Integer WordCount(const std::string& s, const TkvCharSet& delims) { return CountWords(s, delims); }

Integer kvWordPosition(Integer n, const String& s, const TkvCharSet& delims, bool skipEmpty) {
  return FindWord(n, s, delims, skipEmpty);
}
Integer WordPosition(Integer n, const std::string& s, const TkvCharSet& delims, bool skipEmpty) {
  return FindWord(n, s, delims, skipEmpty);
}

String kvExtractWord(Integer n, const String& s, const TkvCharSet& delims, bool skipEmpty) {
  return TakeWord(n, s, delims, skipEmpty);
}
std::string ExtractWord(Integer n, const std::string& s, const TkvCharSet& delims, bool skipEmpty) {
  return TakeWord(n, s, delims, skipEmpty);
}

// ---- Numbers --------------------------------------------------------------------------

Int64 HexToInt(const std::string& s) {
  size_t len = s.size();
  if (len > 0 && (s[len - 1] == 'H' || s[len - 1] == 'h')) --len;
  uint64_t value = 0;
  for (size_t i = 0; i < len; ++i) {
    const char c = s[i];
    value <<= 4;
    if (c >= '0' && c <= '9')
      value += static_cast<uint64_t>(c - '0');
    else if (c >= 'A' && c <= 'F')
      value += static_cast<uint64_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f')
      value += static_cast<uint64_t>(c - 'a' + 10);
    else
      return 0;
  }
  return static_cast<Int64>(value);
}

Integer ScaleInteger(Integer value, Integer scaleIndex) {
  switch (scaleIndex) {
    case 1: return kvAdd(value, value / 4);
    case 2: return kvAdd(value, value / 2);
    case 3: return kvMul(value, 2);
    default: return value;
  }
}

Integer ScalePPI(Integer value, Integer ppi) { return kvMul(value, ppi) / 96; }

Integer PPIToIndex(Integer ppi) {
  if (ppi <= 110) return 0;
  if (ppi <= 134) return 1;
  if (ppi <= 170) return 2;
  return 3;
}

// ---- Folder names and file search -----------------------------------------------------

String NormalDir(const String& dirName) {
  if (dirName.empty()) return dirName;
  if (dirName.back() == u'\\') return dirName;
  if (dirName.back() == u'/') return dirName.substr(0, dirName.size() - 1) + u'\\';
  if (dirName.size() == 1) return dirName + u":\\";
  return dirName + u'\\';
}

Integer kvFindFirst(const String& path, Integer attr, TSearchRec& f) { return FindFirst(path, attr, f); }
Integer kvFindNext(TSearchRec& f) { return FindNext(f); }
void kvFindClose(TSearchRec& f) { FindClose(f); }

// ---- Sine and cosine ------------------------------------------------------------------

namespace {
std::vector<TSinCos> SCA;  // entry d: d whole degrees
}

void InitSCA() {
  if (!SCA.empty()) return;
  SCA.resize(360);
  for (int d = 0; d < 360; ++d) {
    const float angle = static_cast<float>(d) * static_cast<float>(3.14159265358979323846) / 180.0f;
    SCA[d] = TSinCos{std::sin(angle), std::cos(angle)};
  }
}

namespace {
Integer ReduceAngle(Integer angle) {
  // Negative angles count back from 360; 360 itself is 0.
  Integer a = angle < 0 ? 360 - static_cast<Integer>(-static_cast<Int64>(angle) % 360) : angle % 360;
  return a == 360 ? 0 : a;
}
}  // namespace

double kvSin(Integer angle) {
  InitSCA();
  return SCA[ReduceAngle(angle)].S;
}

double kvCos(Integer angle) {
  InitSCA();
  return SCA[ReduceAngle(angle)].C;
}

// ---- Skin ini text --------------------------------------------------------------------

void GetIniSections(const TStringList& iniList, TStringList& sectionsList) {
  sectionsList.Clear();
  TStringList* current = nullptr;
  for (Integer i = 0; i < iniList.Count(); ++i) {
    const String& line = iniList[i];
    if (line.empty() || line[0] == u';') continue;
    if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
      current = new TStringList();
      sectionsList.AddObject(line.substr(1, line.size() - 2), current);
    } else if (current) {
      current->Add(line);
    }
  }
}

String ReadIniString(const TStringList& /*iniList*/, const TStringList& sectionsList, StringView section,
                     StringView ident, const String& def) {
  const Integer s = sectionsList.IndexOf(section);
  if (s < 0) return def;
  const auto* lines = dynamic_cast<const TStringList*>(sectionsList.Objects(s));
  if (!lines) return def;
  const Integer i = lines->IndexOfName(ident);
  return i < 0 ? def : lines->ValueFromIndex(i);
}

Integer ReadIniInteger(const TStringList& iniList, const TStringList& sectionsList, StringView section,
                       StringView ident, Integer def) {
  String text = ReadIniString(iniList, sectionsList, section, ident, String());
  if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) text = u"$" + text.substr(2);
  Integer value = 0;
  return TryStrToInt(text, value) ? value : def;
}

// ---- Published properties -------------------------------------------------------------

namespace {
const TPropInfo* PropOfKind(const TObject* obj, StringView name, std::initializer_list<TTypeKind> kinds) {
  const TPropInfo* p = obj ? GetPropInfo(obj, name) : nullptr;
  if (!p) return nullptr;
  for (TTypeKind k : kinds)
    if (p->Kind == k) return p;
  return nullptr;
}
constexpr std::initializer_list<TTypeKind> kOrdinalKinds = {TTypeKind::Integer, TTypeKind::Boolean,
                                                            TTypeKind::Enumeration, TTypeKind::Set, TTypeKind::Color};
}  // namespace

bool HasProperty(const TObject* obj, StringView propName) { return obj && GetPropInfo(obj, propName) != nullptr; }

TObject* GetObjProp(const TObject* obj, StringView propName) {
  const TPropInfo* p = PropOfKind(obj, propName, {TTypeKind::Class});
  return p ? p->GetObj(*obj) : nullptr;
}

Int64 GetIntProp(const TObject* obj, StringView propName) {
  const TPropInfo* p = PropOfKind(obj, propName, kOrdinalKinds);
  return p ? p->GetOrd(*obj) : -1;
}

void SetIntProp(TObject* obj, StringView propName, Int64 value) {
  const TPropInfo* p = PropOfKind(obj, propName, kOrdinalKinds);
  if (p && p->SetOrd) p->SetOrd(*obj, value);
}

bool CheckSetProp(const TObject* obj, StringView propName, StringView value) {
  const TPropInfo* p = PropOfKind(obj, propName, {TTypeKind::Set});
  if (!p || !p->Enum) return false;
  const auto bits = static_cast<uint64_t>(p->GetOrd(*obj));
  for (Integer e = 0; e < 32 && e < p->Enum->Count(); ++e)
    if ((bits >> e & 1) != 0 && p->Enum->NameOf(e) == value) return true;
  return false;
}

bool SetSetPropValue(TObject* obj, StringView propName, StringView valueName, bool value) {
  if (!PropOfKind(obj, propName, {TTypeKind::Set})) return false;
  String text = GetSetProp(obj, propName, false);
  const String name(valueName);
  if (value) {
    if (text.find(name) != String::npos) return false;
    text += u"," + name;
  } else {
    // The first of ",name", "name," and "name" that occurs goes.
    bool removed = false;
    for (const String& pattern : {u"," + name, name + u",", name}) {
      const size_t at = text.find(pattern);
      if (at != String::npos) {
        text.erase(at, pattern.size());
        removed = true;
        break;
      }
    }
    if (!removed) return false;
  }
  if (!text.empty() && text.front() == u',') text.erase(0, 1);
  SetSetProp(obj, propName, text);
  return false;
}

void AddObjToList(TObject* obj, std::vector<TObject*>& list) {
  for (TObject* o : list)
    if (o == obj) return;
  list.push_back(obj);
}
