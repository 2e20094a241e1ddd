#include "StoredItems.h"

#include <cstring>

namespace {

void WriteInt(TStream& s, Integer v) {
  const uint32_t u = static_cast<uint32_t>(v);
  const Byte b[4] = {static_cast<Byte>(u), static_cast<Byte>(u >> 8), static_cast<Byte>(u >> 16),
                     static_cast<Byte>(u >> 24)};
  s.WriteBuffer(b, 4);
}

void WriteStr(TStream& s, const String& text) {
  WriteInt(s, static_cast<Integer>(text.size()));
  for (Char c : text) {
    const Byte b[2] = {static_cast<Byte>(c), static_cast<Byte>(c >> 8)};
    s.WriteBuffer(b, 2);
  }
}

void WriteList(TStream& s, const std::vector<TStoredItem>& items) {
  WriteInt(s, static_cast<Integer>(items.size()));
  for (const TStoredItem& item : items) {
    WriteStr(s, item.Text);
    WriteInt(s, static_cast<Integer>(item.Values.size()));
    for (Integer v : item.Values) WriteInt(s, v);
    WriteInt(s, static_cast<Integer>(item.Strings.size()));
    for (const String& t : item.Strings) WriteStr(s, t);
    WriteList(s, item.Children);
  }
}

[[noreturn]] void Invalid() { throw EReadError("Invalid item data"); }

class Reader {
 public:
  explicit Reader(TStream& s) : s_(s), left_(s.GetSize() - s.GetPosition()) {}

  std::vector<TStoredItem> List(Integer depth) {
    if (depth > kMaxStoredDepth) Invalid();
    // Every record takes at least 16 bytes (its four counts).
    const Integer count = Count(16);
    std::vector<TStoredItem> items(static_cast<size_t>(count));
    for (TStoredItem& item : items) {
      if (++records_ > kMaxStoredItems) Invalid();
      item.Text = Str();
      item.Values.resize(static_cast<size_t>(Count(4)));
      for (Integer& v : item.Values) v = Int();
      item.Strings.resize(static_cast<size_t>(Count(4)));
      for (String& t : item.Strings) t = Str();
      item.Children = List(depth + 1);
    }
    return items;
  }

 private:
  Integer Int() {
    if (left_ < 4) Invalid();
    Byte b[4];
    s_.ReadBuffer(b, 4);
    left_ -= 4;
    return static_cast<Integer>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
  }
  // A count of things of at least unitSize bytes each, checked against what is left.
  Integer Count(Int64 unitSize) {
    const Integer n = Int();
    if (n < 0 || static_cast<Int64>(n) * unitSize > left_) Invalid();
    return n;
  }
  String Str() {
    const Integer n = Count(2);
    String text(static_cast<size_t>(n), u'\0');
    std::vector<Byte> raw(static_cast<size_t>(n) * 2);
    if (n > 0) s_.ReadBuffer(raw.data(), n * 2);
    left_ -= static_cast<Int64>(n) * 2;
    for (Integer i = 0; i < n; ++i)
      text[static_cast<size_t>(i)] =
          static_cast<Char>(raw[static_cast<size_t>(2 * i)] | raw[static_cast<size_t>(2 * i + 1)] << 8);
    return text;
  }

  TStream& s_;
  Int64 left_;
  Integer records_ = 0;
};

}  // namespace

void WriteStoredItems(TStream& stream, const std::vector<TStoredItem>& items) { WriteList(stream, items); }

std::vector<TStoredItem> ReadStoredItems(TStream& stream) {
  try {
    return Reader(stream).List(0);
  } catch (const EReadError&) { throw EReadError("Invalid item data"); }
}
