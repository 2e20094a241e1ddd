#include "TypInfo.h"

#include <algorithm>
#include <mutex>

#include "Classes.h"
#include "Colors.h"

#include <cstdio>
#include <cstdlib>

// ---- enumerations ---------------------------------------------------------------------

TEnumInfo::TEnumInfo(const char* typeName, const char* commaNames) : typeName_(AsciiToString(typeName)) {
  String all = AsciiToString(commaNames);
  size_t start = 0;
  while (start <= all.size()) {
    size_t comma = all.find(u',', start);
    if (comma == String::npos) comma = all.size();
    String name = Trim(StringView(all).substr(start, comma - start));
    if (!name.empty()) names_.push_back(std::move(name));
    start = comma + 1;
  }
}

String TEnumInfo::NameOf(Integer value) const {
  if (value < 0 || value >= Count()) return String();
  return names_[static_cast<size_t>(value)];
}

Integer TEnumInfo::ValueOf(StringView name) const {
  for (size_t i = 0; i < names_.size(); ++i)
    if (SameText(names_[i], name)) return static_cast<Integer>(i);
  return -1;
}

String SetToString(const TEnumInfo& info, uint64_t bits, bool brackets) {
  String text;
  for (Integer i = 0; i < info.Count() && i < 64; ++i) {
    if (!(bits & (uint64_t{1} << i))) continue;
    if (!text.empty()) text += u',';
    text += info.NameOf(i);
  }
  return brackets ? u"[" + text + u"]" : text;
}

uint64_t StringToSet(const TEnumInfo& info, StringView text) {
  String t = Trim(text);
  StringView body = t;
  if (!body.empty() && body.front() == u'[') {
    if (body.back() != u']') throw EPropertyConvertError(u"Invalid set value: " + t);
    body = body.substr(1, body.size() - 2);
  }
  uint64_t bits = 0;
  size_t start = 0;
  while (start <= body.size()) {
    size_t comma = body.find(u',', start);
    if (comma == StringView::npos) comma = body.size();
    String name = Trim(body.substr(start, comma - start));
    start = comma + 1;
    if (name.empty()) {
      if (comma == body.size() && bits == 0) break;  // the empty set
      throw EPropertyConvertError(u"Invalid set value: " + t);
    }
    Integer v = info.ValueOf(name);
    if (v < 0 || v >= 64) throw EPropertyConvertError(u"Invalid enumeration value " + name + u" of " + info.TypeName());
    bits |= uint64_t{1} << v;
  }
  return bits;
}

bool TIdentMap::ToInt(StringView name, Integer& value) const {
  for (size_t i = 0; i < Count; ++i)
    if (SameText(Entries[i].Name, name)) {
      value = Entries[i].Value;
      return true;
    }
  return false;
}

bool TIdentMap::ToIdent(Integer value, String& name) const {
  for (size_t i = 0; i < Count; ++i)
    if (Entries[i].Value == value) {
      name = Entries[i].Name;
      return true;
    }
  return false;
}

// ---- class information ----------------------------------------------------------------

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    if (c == &other) return true;
  return false;
}

const TPropInfo* TClassInfo::FindProperty(StringView name) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    for (const TPropInfo& p : c->props_)
      if (SameText(p.Name, name)) return &p;
  return nullptr;
}

const TFieldInfo* TClassInfo::FindField(StringView name) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    for (const TFieldInfo& f : c->fields_)
      if (SameText(f.Name, name)) return &f;
  return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(StringView name) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    for (const TMethodInfo& m : c->methods_)
      if (SameText(m.Name, name)) return &m;
  return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::Properties() const {
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* c = this; c; c = c->parent_) chain.push_back(c);
  std::vector<const TPropInfo*> all;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const TPropInfo& p : (*it)->props_) {
      auto same = std::find_if(all.begin(), all.end(), [&](const TPropInfo* q) { return SameText(q->Name, p.Name); });
      if (same != all.end())
        *same = &p;
      else
        all.push_back(&p);
    }
  return all;
}

std::vector<const TMethodInfo*> TClassInfo::Methods() const {
  std::vector<const TMethodInfo*> all;
  for (const TClassInfo* c = this; c; c = c->parent_)
    for (const TMethodInfo& m : c->methods_) all.push_back(&m);
  return all;
}

// ---- class registry -------------------------------------------------------------------

namespace {

struct Registry {
  std::mutex lock;
  std::vector<const TClassInfo*> classes;
};

Registry& TheRegistry() {
  static Registry r;
  return r;
}

}  // namespace

void RegisterClass(const TClassInfo& info) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const TClassInfo* c : r.classes) {
    if (c == &info) return;
    if (c->Name() == info.Name()) throw EFilerError(u"A class named " + info.Name() + u" already exists");
  }
  r.classes.push_back(&info);
}

void UnRegisterClass(const TClassInfo& info) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.classes.erase(std::remove(r.classes.begin(), r.classes.end(), &info), r.classes.end());
}

const TClassInfo* FindClass(StringView name) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (const TClassInfo* c : r.classes)
    if (c->Name() == name) return c;
  return nullptr;
}

const TClassInfo& GetClass(StringView name) {
  const TClassInfo* c = FindClass(name);
  if (!c) throw EClassNotFound(u"Class " + String(name) + u" not found");
  return *c;
}

// ---- access by name -------------------------------------------------------------------

namespace {

const TPropInfo& Need(const TObject* obj, StringView name) {
  const TPropInfo* p = obj ? GetPropInfo(obj, name) : nullptr;
  if (!p) throw EPropertyError(u"Property " + String(name) + u" does not exist");
  return *p;
}

[[noreturn]] void WrongKind(const TPropInfo& p) { throw EPropertyConvertError(u"Invalid property type: " + p.Name); }

[[noreturn]] void ReadOnly(const TPropInfo& p) { throw EPropertyError(u"Property " + p.Name + u" is read-only"); }

bool IsOrdinal(TTypeKind k) {
  return k == TTypeKind::Integer || k == TTypeKind::Boolean || k == TTypeKind::Enumeration || k == TTypeKind::Set ||
         k == TTypeKind::Color;
}

}  // namespace

const TPropInfo* GetPropInfo(const TObject* obj, StringView name) {
  return obj ? obj->ClassInfo().FindProperty(name) : nullptr;
}

bool IsPublishedProp(const TObject* obj, StringView name) { return GetPropInfo(obj, name) != nullptr; }

Int64 GetOrdProp(const TObject* obj, StringView name) {
  const TPropInfo& p = Need(obj, name);
  if (!IsOrdinal(p.Kind)) WrongKind(p);
  return p.GetOrd(*obj);
}

void SetOrdProp(TObject* obj, StringView name, Int64 value) {
  const TPropInfo& p = Need(obj, name);
  if (!IsOrdinal(p.Kind)) WrongKind(p);
  if (!p.SetOrd) ReadOnly(p);
  if (p.Kind == TTypeKind::Enumeration && (value < 0 || value >= p.Enum->Count()))
    throw ERangeError(u"Range check error: " + IntToStr(value) + u" is not a value of " + p.Enum->TypeName());
  if (p.Kind == TTypeKind::Integer && (value < p.MinValue || value > p.MaxValue))
    throw ERangeError(u"Range check error: " + IntToStr(value) + u" does not fit property " + p.Name);
  p.SetOrd(*obj, value);
}

String GetStrProp(const TObject* obj, StringView name) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind != TTypeKind::String) WrongKind(p);
  return p.GetStr(*obj);
}

void SetStrProp(TObject* obj, StringView name, const String& value) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind != TTypeKind::String) WrongKind(p);
  if (!p.SetStr) ReadOnly(p);
  p.SetStr(*obj, value);
}

double GetFloatProp(const TObject* obj, StringView name) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind != TTypeKind::Float) WrongKind(p);
  return p.GetFloat(*obj);
}

void SetFloatProp(TObject* obj, StringView name, double value) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind != TTypeKind::Float) WrongKind(p);
  if (!p.SetFloat) ReadOnly(p);
  p.SetFloat(*obj, value);
}

TObject* GetObjectProp(const TObject* obj, StringView name) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind != TTypeKind::Class) WrongKind(p);
  return p.GetObj(*obj);
}

void SetObjectProp(TObject* obj, StringView name, TObject* value) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind != TTypeKind::Class) WrongKind(p);
  if (!p.SetObj) ReadOnly(p);
  if (!p.SetObj(*obj, value))
    throw EPropertyConvertError(u"Invalid property value: " + ClassNameOf(value) + u" for " + p.Name);
}

TMethod GetMethodProp(const TObject* obj, StringView name) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind != TTypeKind::Method) WrongKind(p);
  return p.GetMethod(*obj);
}

void SetMethodProp(TObject* obj, StringView name, const TMethod& value) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind != TTypeKind::Method) WrongKind(p);
  if (!p.SetMethod) ReadOnly(p);
  p.SetMethod(*obj, value);
}

String GetEnumProp(const TObject* obj, StringView name) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind == TTypeKind::Boolean) return p.GetOrd(*obj) ? u"True" : u"False";
  if (p.Kind != TTypeKind::Enumeration) WrongKind(p);
  return p.Enum->NameOf(static_cast<Integer>(p.GetOrd(*obj)));
}

void SetEnumProp(TObject* obj, StringView name, StringView value) {
  const TPropInfo& p = Need(obj, name);
  Integer v = -1;
  if (p.Kind == TTypeKind::Boolean)
    v = SameText(value, u"True") ? 1 : SameText(value, u"False") ? 0 : -1;
  else if (p.Kind == TTypeKind::Enumeration)
    v = p.Enum->ValueOf(value);
  else
    WrongKind(p);
  if (v < 0) throw EPropertyConvertError(u"Invalid enumeration value " + String(value) + u" of " + p.Name);
  if (!p.SetOrd) ReadOnly(p);
  p.SetOrd(*obj, v);
}

String GetSetProp(const TObject* obj, StringView name, bool brackets) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind != TTypeKind::Set) WrongKind(p);
  return SetToString(*p.Enum, static_cast<uint64_t>(p.GetOrd(*obj)), brackets);
}

void SetSetProp(TObject* obj, StringView name, StringView value) {
  const TPropInfo& p = Need(obj, name);
  if (p.Kind != TTypeKind::Set) WrongKind(p);
  if (!p.SetOrd) ReadOnly(p);
  p.SetOrd(*obj, static_cast<Int64>(StringToSet(*p.Enum, value)));
}

// ---- values as text -------------------------------------------------------------------

bool TryStrToFloat(StringView s, double& value) {
  std::string ascii;
  for (Char c : s) {
    if (c > 0x7F) return false;
    ascii += static_cast<char>(c);
  }
  if (ascii.empty() || ascii.front() == ' ' || ascii.back() == ' ') return false;
  char* end = nullptr;
  value = std::strtod(ascii.c_str(), &end);
  return end == ascii.c_str() + ascii.size();
}

String FloatToStr(double value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return AsciiToString(buf);
}

String GetPropValue(const TObject* obj, StringView name) {
  const TPropInfo& p = Need(obj, name);
  switch (p.Kind) {
    case TTypeKind::Integer: {
      Int64 v = p.GetOrd(*obj);
      String ident;
      if (p.Idents && p.Idents->ToIdent(static_cast<Integer>(v), ident)) return ident;
      return IntToStr(v);
    }
    case TTypeKind::Boolean:
    case TTypeKind::Enumeration: return GetEnumProp(obj, name);
    case TTypeKind::Set: return GetSetProp(obj, name, true);
    case TTypeKind::Color: return ColorToString(static_cast<TColor>(p.GetOrd(*obj)));
    case TTypeKind::Float: return FloatToStr(p.GetFloat(*obj));
    case TTypeKind::String: return p.GetStr(*obj);
    default: WrongKind(p);
  }
}

void SetPropValue(TObject* obj, StringView name, StringView value) {
  const TPropInfo& p = Need(obj, name);
  auto bad = [&]() -> void {
    throw EPropertyConvertError(u"Invalid value " + String(value) + u" for property " + p.Name);
  };
  switch (p.Kind) {
    case TTypeKind::Integer: {
      Integer v;
      if (!(p.Idents && p.Idents->ToInt(value, v)) && !TryStrToInt(value, v)) bad();
      SetOrdProp(obj, name, v);
      return;
    }
    case TTypeKind::Boolean:
    case TTypeKind::Enumeration: SetEnumProp(obj, name, value); return;
    case TTypeKind::Set: SetSetProp(obj, name, value); return;
    case TTypeKind::Color: {
      TColor c;
      try {
        c = StringToColor(value);
      } catch (const EConvertError&) {
        bad();
        return;
      }
      SetOrdProp(obj, name, c);
      return;
    }
    case TTypeKind::Float: {
      double d;
      if (!TryStrToFloat(value, d)) bad();
      SetFloatProp(obj, name, d);
      return;
    }
    case TTypeKind::String: SetStrProp(obj, name, String(value)); return;
    default: WrongKind(p);
  }
}
