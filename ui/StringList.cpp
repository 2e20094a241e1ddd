#include "StringList.h"

#include <algorithm>

#include "ScopeGuard.h"
#include "Streams.h"

TW_DEFINE_CLASS(TStringList) {}

TStringList::~TStringList() {
  if (ownsObjects_)
    for (Item& it : items_) FreeObject(it.object);
}

void TStringList::CheckIndex(Integer index) const {
  if (index < 0 || index >= Count()) throw EStringListError(u"List index out of bounds (" + IntToStr(index) + u")");
}

void TStringList::FreeObject(TObject* obj) {
  if (obj && ownsObjects_) obj->Free();
}

const String& TStringList::Strings(Integer index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].text;
}

void TStringList::SetStrings(Integer index, const String& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(index);
  items_[static_cast<size_t>(index)].text = s;
  Changed();
}

TObject* TStringList::Objects(Integer index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].object;
}

void TStringList::SetObjects(Integer index, TObject* obj) {
  CheckIndex(index);
  Item& it = items_[static_cast<size_t>(index)];
  if (it.object != obj) FreeObject(it.object);
  it.object = obj;
  Changed();
}

Integer TStringList::AddObject(const String& s, TObject* obj) {
  Integer index = Count();
  if (sorted_) {
    if (Find(s, index)) {
      if (duplicates_ == dupIgnore) return index;
      if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
    }
  }
  InsertItem(index, s, obj);
  return index;
}

void TStringList::AddStrings(const TStringList& other) {
  auto update = UpdateScope(*this);
  for (const Item& it : std::vector<Item>(other.items_)) AddObject(it.text, it.object);
}

void TStringList::InsertObject(Integer index, const String& s, TObject* obj) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) throw EStringListError(u"List index out of bounds (" + IntToStr(index) + u")");
  InsertItem(index, s, obj);
}

void TStringList::InsertItem(Integer index, const String& s, TObject* obj) {
  items_.insert(items_.begin() + index, Item{s, obj});
  Changed();
}

void TStringList::Delete(Integer index) {
  CheckIndex(index);
  TObject* obj = items_[static_cast<size_t>(index)].object;
  items_.erase(items_.begin() + index);
  FreeObject(obj);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  std::vector<Item> old;
  old.swap(items_);
  for (Item& it : old) FreeObject(it.object);
  Changed();
}

void TStringList::Exchange(Integer a, Integer b) {
  CheckIndex(a);
  CheckIndex(b);
  std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]);
  Changed();
}

void TStringList::Move(Integer from, Integer to) {
  if (from == to) return;
  CheckIndex(from);
  CheckIndex(to);
  Item it = std::move(items_[static_cast<size_t>(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(it));
  Changed();
}

int TStringList::CompareStrings(StringView a, StringView b) const {
  return caseSensitive_ ? CompareStr(a, b) : AnsiCompareText(a, b);
}

Integer TStringList::IndexOf(StringView s) const {
  if (sorted_) {
    Integer index;
    return Find(s, index) ? index : -1;
  }
  for (size_t i = 0; i < items_.size(); ++i)
    if (CompareStrings(items_[i].text, s) == 0) return static_cast<Integer>(i);
  return -1;
}

Integer TStringList::IndexOfObject(const TObject* obj) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].object == obj) return static_cast<Integer>(i);
  return -1;
}

bool TStringList::Find(StringView s, Integer& index) const {
  // The first of equal strings, so that IndexOf and Add agree with duplicates present.
  Integer lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    Integer mid = lo + (hi - lo) / 2;
    int c = CompareStrings(items_[static_cast<size_t>(mid)].text, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) found = true;
    }
  }
  index = lo;
  return found;
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  if (sorted_) {
    sorted_ = false;
    Sort();
    sorted_ = true;
  }
}

void TStringList::Sort() {
  std::stable_sort(items_.begin(), items_.end(),
                   [this](const Item& a, const Item& b) { return CompareStrings(a.text, b.text) < 0; });
  Changed();
}

void TStringList::CustomSort(const std::function<int(const TStringList&, Integer, Integer)>& compare) {
  sorted_ = false;
  // Sort a permutation, since the comparison addresses items by index.
  std::vector<Integer> order(items_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<Integer>(i);
  std::stable_sort(order.begin(), order.end(), [&](Integer a, Integer b) { return compare(*this, a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (Integer i : order) sorted.push_back(std::move(items_[static_cast<size_t>(i)]));
  items_.swap(sorted);
  Changed();
}

String TStringList::Names(Integer index) const {
  const String& s = Strings(index);
  size_t p = s.find(nameValueSeparator_);
  return p == String::npos ? String() : s.substr(0, p);
}

String TStringList::ValueFromIndex(Integer index) const {
  const String& s = Strings(index);
  size_t p = s.find(nameValueSeparator_);
  return p == String::npos ? String() : s.substr(p + 1);
}

Integer TStringList::IndexOfName(StringView name) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    const String& s = items_[i].text;
    size_t p = s.find(nameValueSeparator_);
    if (p != String::npos && CompareStrings(StringView(s).substr(0, p), name) == 0) return static_cast<Integer>(i);
  }
  return -1;
}

String TStringList::Value(StringView name) const {
  Integer i = IndexOfName(name);
  return i < 0 ? String() : ValueFromIndex(i);
}

void TStringList::SetValue(StringView name, const String& value) {
  Integer i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  String line = String(name) + nameValueSeparator_ + value;
  if (i < 0) {
    Add(line);
  } else if (sorted_) {
    TObject* obj = items_[static_cast<size_t>(i)].object;
    items_.erase(items_.begin() + i);  // keeps the object: it moves with its line
    AddObject(line, obj);
  } else {
    SetStrings(i, line);
  }
}

String TStringList::Text() const {
  String text;
  for (const Item& it : items_) {
    text += it.text;
    text += u"\r\n";
  }
  return text;
}

void TStringList::SetText(StringView text) {
  auto update = UpdateScope(*this);
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == StringView::npos) {
      Add(String(text.substr(start)));
      break;
    }
    Add(String(text.substr(start, end - start)));
    start = end + 1;
    if (text[end] == u'\r' && start < text.size() && text[start] == u'\n') ++start;
  }
}

String TStringList::DelimitedWith(Char delimiter, Char quote, bool strict) const {
  if (items_.size() == 1 && items_[0].text.empty()) return String(2, quote);
  String out;
  for (size_t i = 0; i < items_.size(); ++i) {
    const String& s = items_[i].text;
    bool needQuotes = s.empty() && !strict;
    for (Char c : s)
      if ((!strict && c <= u' ') || c == delimiter || c == quote) needQuotes = true;
    if (i > 0) out += delimiter;
    if (!needQuotes) {
      out += s;
      continue;
    }
    out += quote;
    for (Char c : s) {
      if (c == quote) out += quote;
      out += c;
    }
    out += quote;
  }
  return out;
}

void TStringList::ParseDelimited(StringView text, Char delimiter, Char quote, bool strict) {
  auto update = UpdateScope(*this);
  Clear();
  size_t i = 0, n = text.size();
  auto skipBlanks = [&] {
    if (!strict)
      while (i < n && text[i] > 0 && text[i] <= u' ') ++i;
  };
  skipBlanks();
  while (i < n) {
    String item;
    if (text[i] == quote) {
      ++i;
      while (i < n) {
        if (text[i] == quote) {
          if (i + 1 < n && text[i + 1] == quote) {
            item += quote;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
      // Anything after the closing quote up to the next separator belongs to the item.
      while (i < n && text[i] != delimiter && (strict || text[i] > u' ')) item += text[i++];
    } else {
      while (i < n && text[i] != delimiter && (strict || text[i] > u' ')) item += text[i++];
    }
    Add(item);
    skipBlanks();
    if (i < n && text[i] == delimiter) {
      ++i;
      skipBlanks();
      if (i >= n) Add(String());  // a trailing delimiter ends with an empty item
    }
  }
}

String TStringList::CommaText() const { return DelimitedWith(u',', u'"', false); }
void TStringList::SetCommaText(StringView text) { ParseDelimited(text, u',', u'"', false); }
String TStringList::DelimitedText() const { return DelimitedWith(delimiter_, quoteChar_, strictDelimiter_); }
void TStringList::SetDelimitedText(StringView text) { ParseDelimited(text, delimiter_, quoteChar_, strictDelimiter_); }

namespace {

bool IsValidUtf8(const Byte* p, size_t n) {
  size_t i = 0;
  while (i < n) {
    Byte c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || c == 0xC0 || c == 0xC1 || c > 0xF4 || i + len > n) return false;
    for (size_t k = 1; k < len; ++k)
      if ((p[i + k] & 0xC0) != 0x80) return false;
    uint32_t cp = (len == 2) ? (c & 0x1F) : (len == 3) ? (c & 0x0F) : (c & 0x07);
    for (size_t k = 1; k < len; ++k) cp = (cp << 6) | (p[i + k] & 0x3F);
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

// Windows-1252 for the bytes 0x80..0x9F; the rest of the byte range maps to itself.
constexpr Char kCp1252High[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                  0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

}  // namespace

String DecodeText(const Byte* data, size_t size) {
  if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
    return Utf8ToString(std::string_view(reinterpret_cast<const char*>(data) + 3, size - 3));
  if (size >= 2 && ((data[0] == 0xFF && data[1] == 0xFE) || (data[0] == 0xFE && data[1] == 0xFF))) {
    bool little = data[0] == 0xFF;
    String s;
    s.reserve((size - 2) / 2);
    for (size_t i = 2; i + 1 < size; i += 2)
      s += static_cast<Char>(little ? (data[i] | (data[i + 1] << 8)) : ((data[i] << 8) | data[i + 1]));
    return s;
  }
  if (IsValidUtf8(data, size)) return Utf8ToString(std::string_view(reinterpret_cast<const char*>(data), size));
  String s(size, u'\0');
  for (size_t i = 0; i < size; ++i) s[i] = (data[i] >= 0x80 && data[i] < 0xA0) ? kCp1252High[data[i] - 0x80] : data[i];
  return s;
}

void TStringList::LoadFromStream(TStream& stream) {
  Int64 size = stream.GetSize() - stream.GetPosition();
  if (size < 0) size = 0;
  if (size > INT32_MAX) throw EReadError("Stream read error");
  std::vector<Byte> bytes(static_cast<size_t>(size));
  if (size > 0) stream.ReadBuffer(bytes.data(), static_cast<Integer>(size));
  SetText(DecodeText(bytes.data(), bytes.size()));
}

void TStringList::SaveToStream(TStream& stream) const {
  std::string utf8 = StringToUtf8(Text());
  if (utf8.size() > INT32_MAX) throw EWriteError("Stream write error");
  if (!utf8.empty()) stream.WriteBuffer(utf8.data(), static_cast<Integer>(utf8.size()));
}

void TStringList::LoadFromFile(const String& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TStringList::SaveToFile(const String& fileName) const {
  TFileStream f(fileName, fmCreate);
  SaveToStream(f);
}

void TStringList::Assign(const TPersistent* source) {
  auto* other = dynamic_cast<const TStringList*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  auto update = UpdateScope(*this);
  Clear();
  nameValueSeparator_ = other->nameValueSeparator_;
  delimiter_ = other->delimiter_;
  quoteChar_ = other->quoteChar_;
  strictDelimiter_ = other->strictDelimiter_;
  // The strings and their objects; this list's own sorting and case rules stay.
  for (const Item& it : other->items_) AddObject(it.text, it.object);
}

bool TStringList::Equals(const TStringList& other) const {
  if (items_.size() != other.items_.size()) return false;
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].text != other.items_[i].text) return false;
  return true;
}

void TStringList::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TStringList::Changed() {
  if (updateCount_ == 0 && onChange_) onChange_(this);
}
