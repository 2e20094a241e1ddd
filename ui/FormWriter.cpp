// The form description writer.
//
// Sections:
//   1. default values: what a description leaves out
//   2. values as description text (strings, numbers, sets, binary data)
//   3. the writer: objects, properties, sub-objects, lists and collections
#include "FormWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "Colors.h"
#include "Streams.h"
#include "StringList.h"

// ---- 1. default values ----------------------------------------------------------------

namespace {

bool IsOrdinalKind(TTypeKind k) {
  return k == TTypeKind::Integer || k == TTypeKind::Boolean || k == TTypeKind::Enumeration || k == TTypeKind::Set ||
         k == TTypeKind::Color;
}

}  // namespace

bool IsDefaultPropValue(const TObject* obj, const TPropInfo& prop) {
  if (!obj) return true;
  if (prop.IsStored && !prop.IsStored(*obj)) return true;
  switch (prop.Kind) {
    case TTypeKind::Integer:
    case TTypeKind::Boolean:
    case TTypeKind::Enumeration:
    case TTypeKind::Set:
    case TTypeKind::Color: return prop.HasDefault && prop.GetOrd(*obj) == prop.DefaultOrd;
    case TTypeKind::Float: return prop.GetFloat(*obj) == (prop.HasDefault ? prop.DefaultFloat : 0.0);
    case TTypeKind::String: return prop.GetStr(*obj) == (prop.HasDefault ? prop.DefaultStr : String());
    case TTypeKind::Method: return !prop.GetMethod(*obj).Assigned();
    case TTypeKind::Class: return prop.GetObj(*obj) == nullptr;
    case TTypeKind::Binary: return false;  // written unless Stored says it has no data
  }
  return true;
}

// ---- 2. values as description text ----------------------------------------------------

namespace {

constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";

String Hex4(unsigned v) {
  String s;
  for (int shift = 12; shift >= 0; shift -= 4) s += kHexDigits[(v >> shift) & 0xF];
  return s;
}

// bytes[from, to) as hexadecimal digits.
String HexOf(const std::vector<Byte>& bytes, size_t from, size_t to) {
  String hex;
  hex.reserve((to - from) * 2);
  for (size_t i = from; i < to; ++i) {
    hex += kHexDigits[bytes[i] >> 4];
    hex += kHexDigits[bytes[i] & 0xF];
  }
  return hex;
}

bool IsHighSurrogate(Char c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(Char c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A string literal the reader gives back unit for unit: quotes, backslashes and control
// characters escaped, and surrogates that form no pair (which UTF-8 cannot carry).
String QuoteString(StringView s) {
  String out = u"\"";
  for (size_t i = 0; i < s.size(); ++i) {
    Char c = s[i];
    switch (c) {
      case u'"': out += u"\\\""; continue;
      case u'\\': out += u"\\\\"; continue;
      case u'\n': out += u"\\n"; continue;
      case u'\r': out += u"\\r"; continue;
      case u'\t': out += u"\\t"; continue;
      default: break;
    }
    if (IsHighSurrogate(c) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
      out += c;
      out += s[++i];
    } else if (c < 0x20 || c == 0x7F || IsHighSurrogate(c) || IsLowSurrogate(c) || c == 0xFEFF) {
      out += u"\\u" + Hex4(c);
    } else {
      out += c;
    }
  }
  return out + u"\"";
}

// The shortest text that reads back as the same double; nothing for infinities and NaN,
// which the format cannot hold.
bool FloatText(double value, String& text) {
  if (!std::isfinite(value)) return false;
  char buf[40];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, value);
    double back = 0;
    if (TryStrToFloat(AsciiToString(buf), back) && back == value) break;
  }
  // A whole number ("2") reads back as an integer, which a float property takes as well.
  text = AsciiToString(buf);
  return true;
}

String SetText(const TEnumInfo& info, uint64_t bits) {
  String text = u"[";
  bool first = true;
  for (Integer i = 0; i < info.Count() && i < 64; ++i) {
    if (!(bits & (uint64_t{1} << i))) continue;
    if (!first) text += u", ";
    text += info.NameOf(i);
    first = false;
  }
  return text + u"]";
}

String Indent(int depth) { return String(static_cast<size_t>(depth) * 2, u' '); }

constexpr int kMaxDepth = 1000;
constexpr size_t kHexBytesPerLine = 32;

// ---- 3. the writer --------------------------------------------------------------------

// Sets csWriting on a component for the time its description is written.
class WritingScope {
 public:
  explicit WritingScope(TComponent* c) : c_(c), was_(c->ComponentState().Contains(csWriting)) { c_->SetWriting(true); }
  ~WritingScope() { c_->SetWriting(was_); }
  WritingScope(const WritingScope&) = delete;
  WritingScope& operator=(const WritingScope&) = delete;

 private:
  TComponent* c_;
  bool was_;
};

class Writer {
 public:
  explicit Writer(TComponent* root) : root_(root) {}

  String Run() {
    WriteObject(root_, 0);
    return std::move(out_);
  }

 private:
  void Line(int depth, const String& text) {
    out_ += Indent(depth);
    out_ += text;
    out_ += u'\n';
  }

  void WriteObject(TComponent* c, int depth) {
    if (depth > kMaxDepth) throw EFilerError(u"The component tree of " + root_->Name() + u" is too deep to write");
    WritingScope writing(c);
    Line(depth, u"object " + c->Name() + u": " + c->ClassName());
    WriteProperties(c, u"", depth + 1, 0);
    for (TComponent* child : Children(c)) WriteObject(child, depth + 1);
    Line(depth, u"end");
  }

  // The root lists its children and then every owned component without a parent; any other
  // component lists its own.
  std::vector<TComponent*> Children(TComponent* c) const {
    std::vector<TComponent*> list;
    c->GetChildren(list, root_);
    if (c == root_)
      for (Integer i = 0; i < root_->ComponentCount(); ++i) {
        TComponent* owned = root_->Components(i);
        if (!owned->HasParent() && std::find(list.begin(), list.end(), owned) == list.end()) list.push_back(owned);
      }
    return list;
  }

  void WriteProperties(TObject* obj, const String& prefix, int depth, int nesting) {
    if (nesting > kMaxDepth) throw EFilerError(u"The sub-objects of " + root_->Name() + u" nest too deep to write");
    // Binary data last: reading it may need the other values (an image list's image size).
    for (bool binary : {false, true})
      for (const TPropInfo* p : obj->ClassInfo().Properties()) {
        if ((p->Kind == TTypeKind::Binary) != binary) continue;
        // The name is the object's header.
        if (prefix.empty() && dynamic_cast<TComponent*>(obj) && SameText(p->Name, u"Name")) continue;
        if (IsDefaultPropValue(obj, *p)) continue;
        WriteProperty(obj, *p, prefix + p->Name, depth, nesting);
      }
  }

  void WriteProperty(TObject* obj, const TPropInfo& p, const String& path, int depth, int nesting) {
    const String head = path + u" = ";
    if (IsOrdinalKind(p.Kind) || p.Kind == TTypeKind::Float || p.Kind == TTypeKind::String ||
        p.Kind == TTypeKind::Method) {
      // A value that cannot be set again is not written.
      if (p.ReadOnly) return;
    }
    switch (p.Kind) {
      case TTypeKind::Integer: {
        Int64 v = p.GetOrd(*obj);
        String ident;
        if (p.Idents && v >= INT32_MIN && v <= INT32_MAX && p.Idents->ToIdent(static_cast<Integer>(v), ident))
          Line(depth, head + ident);
        else
          Line(depth, head + IntToStr(v));
        return;
      }
      case TTypeKind::Boolean: Line(depth, head + (p.GetOrd(*obj) ? u"True" : u"False")); return;
      case TTypeKind::Enumeration: {
        String name = p.Enum->NameOf(static_cast<Integer>(p.GetOrd(*obj)));
        if (!name.empty()) Line(depth, head + name);
        return;
      }
      case TTypeKind::Set: Line(depth, head + SetText(*p.Enum, static_cast<uint64_t>(p.GetOrd(*obj)))); return;
      case TTypeKind::Color: Line(depth, head + ColorToString(static_cast<TColor>(p.GetOrd(*obj)))); return;
      case TTypeKind::Float: {
        String text;
        if (FloatText(p.GetFloat(*obj), text)) Line(depth, head + text);
        return;
      }
      case TTypeKind::String: Line(depth, head + QuoteString(p.GetStr(*obj))); return;
      case TTypeKind::Method: {
        String name = MethodName(p, p.GetMethod(*obj));
        if (!name.empty()) Line(depth, head + name);
        return;
      }
      case TTypeKind::Binary: {
        TMemoryStream data;
        p.WriteData(*obj, data);
        WriteBinary(head, data.Bytes(), depth);
        return;
      }
      case TTypeKind::Class: WriteClassValue(p.GetObj(*obj), p, path, depth, nesting); return;
    }
  }

  void WriteClassValue(TObject* value, const TPropInfo& p, const String& path, int depth, int nesting) {
    const String head = path + u" = ";
    if (auto* component = dynamic_cast<TComponent*>(value)) {
      if (p.ReadOnly) return;
      if (component == root_ || (component->Owner() == root_ && !component->Name().empty()))
        Line(depth, head + component->Name());
      return;
    }
    if (auto* list = dynamic_cast<TStringList*>(value)) {
      if (list->Count() == 0) return;
      Line(depth, head + u"(");
      for (Integer i = 0; i < list->Count(); ++i)
        Line(depth + 1, QuoteString(list->Strings(i)) + (i + 1 == list->Count() ? u")" : u""));
      return;
    }
    if (auto* collection = dynamic_cast<TCollection*>(value)) {
      if (collection->Count() == 0) return;
      Line(depth, head + u"<");
      for (Integer i = 0; i < collection->Count(); ++i) {
        Line(depth + 1, u"item");
        WriteProperties(collection->Items(i), u"", depth + 2, nesting + 1);
        Line(depth + 1, i + 1 == collection->Count() ? u"end>" : u"end");
      }
      return;
    }
    // Any other object is edited in place: its own changed properties under dotted names.
    WriteProperties(value, path + u".", depth, nesting + 1);
  }

  // Short data on the property's line, longer data in lines of its own.
  void WriteBinary(const String& head, const std::vector<Byte>& bytes, int depth) {
    if (bytes.size() <= kHexBytesPerLine / 2) {
      Line(depth, head + u"{" + HexOf(bytes, 0, bytes.size()) + u"}");
      return;
    }
    Line(depth, head + u"{");
    for (size_t at = 0; at < bytes.size(); at += kHexBytesPerLine) {
      size_t end = std::min(bytes.size(), at + kHexBytesPerLine);
      Line(depth + 1, HexOf(bytes, at, end) + (end == bytes.size() ? u"}" : u""));
    }
  }

  // The root's method that the event calls; empty when it calls anything else.
  String MethodName(const TPropInfo& p, const TMethod& value) const {
    if (value.Data() == nullptr) return String();
    for (const TMethodInfo* m : root_->ClassInfo().Methods())
      if (*m->Type == *p.Type && m->Bind(*root_) == value) return m->Name;
    return String();
  }

  TComponent* root_;
  String out_;
};

}  // namespace

String WriteComponentText(TComponent* root) { return Writer(root).Run(); }

std::string WriteComponentUtf8(TComponent* root) { return StringToUtf8(WriteComponentText(root)); }
