// The form description reader.
//
// Sections:
//   1. the parsed description (objects, properties, values)
//   2. the parser (text -> objects), with line numbers for errors
//   3. applying a description to a component tree
#include "FormReader.h"

#include <memory>
#include <vector>

#include "Colors.h"
#include "ScopeGuard.h"
#include "Streams.h"
#include "StringList.h"

// ---- 1. the parsed description --------------------------------------------------------

namespace {

struct Item;

struct Value {
  enum Kind { Integer, Float, Str, Ident, Set, List, Collection, Binary } kind = Integer;
  Int64 i = 0;
  double f = 0;
  String s;                   // string, identifier
  std::vector<String> names;  // set elements, list strings
  std::vector<Item> items;    // collection items
  std::vector<Byte> bytes;    // binary
};

struct Prop {
  std::vector<String> path;
  Value value;
  int line = 0;
};

struct Item {
  std::vector<Prop> props;
  int line = 0;
};

struct Obj {
  String name, cls;
  std::vector<Prop> props;
  std::vector<Obj> children;
  int line = 0;
};

// ---- 2. the parser --------------------------------------------------------------------

class Parser {
 public:
  explicit Parser(StringView text) : t_(text) {}

  Obj ParseRoot() {
    SkipSpace();
    Obj root = ParseObject();
    SkipSpace();
    if (pos_ < t_.size()) Fail(u"Text after the end of the root object");
    return root;
  }

 private:
  [[noreturn]] void Fail(const String& what) {
    throw EFormDescriptionError(what + u" (line " + IntToStr(line_) + u")");
  }

  void SkipSpace() {
    while (pos_ < t_.size()) {
      Char c = t_[pos_];
      if (c == u'\n') {
        ++line_;
        ++pos_;
      } else if (c == u' ' || c == u'\t' || c == u'\r' || c == 0xFEFF) {
        ++pos_;
      } else if (c == u'/' && pos_ + 1 < t_.size() && t_[pos_ + 1] == u'/') {
        while (pos_ < t_.size() && t_[pos_] != u'\n') ++pos_;
      } else {
        break;
      }
    }
  }

  static bool IdentStart(Char c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_'; }
  static bool IdentChar(Char c) { return IdentStart(c) || (c >= u'0' && c <= u'9'); }

  bool Peek(Char c) {
    SkipSpace();
    return pos_ < t_.size() && t_[pos_] == c;
  }

  void Expect(Char c) {
    if (!Peek(c)) Fail(u"'" + String(1, c) + u"' expected");
    ++pos_;
  }

  String Ident() {
    SkipSpace();
    if (pos_ >= t_.size() || !IdentStart(t_[pos_])) Fail(u"Name expected");
    size_t start = pos_;
    while (pos_ < t_.size() && IdentChar(t_[pos_])) ++pos_;
    return String(t_.substr(start, pos_ - start));
  }

  bool PeekWord(StringView word) {
    SkipSpace();
    if (t_.substr(pos_, word.size()) != word) return false;
    size_t end = pos_ + word.size();
    return end >= t_.size() || !IdentChar(t_[end]);
  }

  Obj ParseObject() {
    if (!PeekWord(u"object")) Fail(u"'object' expected");
    Obj o;
    o.line = line_;
    pos_ += 6;
    // A component without a name is written "object : TClass".
    if (!Peek(u':')) o.name = Ident();
    Expect(u':');
    o.cls = Ident();
    for (;;) {
      if (PeekWord(u"end")) {
        pos_ += 3;
        return o;
      }
      if (PeekWord(u"object")) {
        o.children.push_back(ParseObject());
        continue;
      }
      if (pos_ >= t_.size()) Fail(u"'end' expected for object " + o.name);
      o.props.push_back(ParseProp());
    }
  }

  Prop ParseProp() {
    Prop p;
    SkipSpace();
    p.line = line_;
    p.path.push_back(Ident());
    while (Peek(u'.')) {
      ++pos_;
      p.path.push_back(Ident());
    }
    Expect(u'=');
    p.value = ParseValue();
    return p;
  }

  Value ParseValue() {
    SkipSpace();
    if (pos_ >= t_.size()) Fail(u"Value expected");
    Char c = t_[pos_];
    Value v;
    if (c == u'"') {
      v.kind = Value::Str;
      v.s = StringLit();
      while (Peek(u'+')) {
        ++pos_;
        if (!Peek(u'"')) Fail(u"String expected after '+'");
        v.s += StringLit();
      }
    } else if (c == u'[') {
      v.kind = Value::Set;
      ++pos_;
      if (!Peek(u']')) {
        v.names.push_back(Ident());
        while (Peek(u',')) {
          ++pos_;
          v.names.push_back(Ident());
        }
      }
      Expect(u']');
    } else if (c == u'(') {
      v.kind = Value::List;
      ++pos_;
      while (!Peek(u')')) {
        if (!Peek(u'"')) Fail(u"String or ')' expected");
        v.names.push_back(StringLit());
      }
      ++pos_;
    } else if (c == u'<') {
      v.kind = Value::Collection;
      ++pos_;
      while (!Peek(u'>')) {
        if (!PeekWord(u"item")) Fail(u"'item' or '>' expected");
        Item it;
        it.line = line_;
        pos_ += 4;
        while (!PeekWord(u"end")) {
          if (pos_ >= t_.size()) Fail(u"'end' expected for item");
          it.props.push_back(ParseProp());
        }
        pos_ += 3;
        v.items.push_back(std::move(it));
      }
      ++pos_;
    } else if (c == u'{') {
      v.kind = Value::Binary;
      ++pos_;
      int nibbles = 0;
      Byte cur = 0;
      for (;;) {
        if (pos_ >= t_.size()) Fail(u"'}' expected");
        Char h = t_[pos_++];
        if (h == u'}') break;
        if (h == u'\n') ++line_;
        if (h == u' ' || h == u'\t' || h == u'\r' || h == u'\n') continue;
        int d = (h >= u'0' && h <= u'9')   ? h - u'0'
                : (h >= u'a' && h <= u'f') ? h - u'a' + 10
                : (h >= u'A' && h <= u'F') ? h - u'A' + 10
                                           : -1;
        if (d < 0) Fail(u"Hexadecimal digit expected in binary data");
        cur = static_cast<Byte>((cur << 4) | d);
        if (++nibbles % 2 == 0) v.bytes.push_back(cur);
      }
      if (nibbles % 2) Fail(u"Binary data with an odd number of digits");
    } else if (IdentStart(c)) {
      v.kind = Value::Ident;
      v.s = Ident();
    } else {
      Number(v);
    }
    return v;
  }

  void Number(Value& v) {
    size_t start = pos_;
    if (t_[pos_] == u'-' || t_[pos_] == u'+') ++pos_;
    bool isFloat = false;
    if (pos_ < t_.size() && t_[pos_] == u'$') {
      ++pos_;
      while (pos_ < t_.size() && IdentChar(t_[pos_])) ++pos_;
    } else {
      while (pos_ < t_.size() &&
             (IdentChar(t_[pos_]) || t_[pos_] == u'.' ||
              ((t_[pos_] == u'-' || t_[pos_] == u'+') && (t_[pos_ - 1] == u'e' || t_[pos_ - 1] == u'E')))) {
        if (t_[pos_] == u'.' ||
            ((t_[pos_] == u'e' || t_[pos_] == u'E') && !(pos_ > start + 1 && t_[start + 1] == u'x')))
          isFloat = true;
        ++pos_;
      }
    }
    StringView text = t_.substr(start, pos_ - start);
    if (text.empty()) Fail(u"Value expected");
    if (isFloat) {
      v.kind = Value::Float;
      if (!TryStrToFloat(text, v.f)) Fail(u"Invalid number " + String(text));
      return;
    }
    v.kind = Value::Integer;
    // Int64 range, decimal or hexadecimal.
    bool negative = text[0] == u'-';
    StringView digits = (text[0] == u'-' || text[0] == u'+') ? text.substr(1) : text;
    int base = 10;
    if (!digits.empty() && digits[0] == u'$') {
      base = 16;
      digits.remove_prefix(1);
    } else if (digits.size() > 2 && digits[0] == u'0' && (digits[1] == u'x' || digits[1] == u'X')) {
      base = 16;
      digits.remove_prefix(2);
    }
    if (digits.empty()) Fail(u"Invalid number " + String(text));
    uint64_t value = 0;
    for (Char d : digits) {
      int x = (d >= u'0' && d <= u'9')                 ? d - u'0'
              : (base == 16 && d >= u'a' && d <= u'f') ? d - u'a' + 10
              : (base == 16 && d >= u'A' && d <= u'F') ? d - u'A' + 10
                                                       : -1;
      if (x < 0) Fail(u"Invalid number " + String(text));
      if (value > (UINT64_MAX - static_cast<uint64_t>(x)) / static_cast<uint64_t>(base))
        Fail(u"Number too large: " + String(text));
      value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(x);
    }
    // Hexadecimal numbers are bit patterns: $FFFFFFFF is -1 for a 32-bit property.
    if (base == 16 && value <= UINT32_MAX && !negative) {
      v.i = static_cast<Int64>(value);
      v.f = static_cast<double>(value);
      return;
    }
    if (value > static_cast<uint64_t>(INT64_MAX) + (negative ? 1 : 0)) Fail(u"Number too large: " + String(text));
    v.i = negative ? static_cast<Int64>(0 - value) : static_cast<Int64>(value);
    v.f = static_cast<double>(v.i);
  }

  String StringLit() {
    ++pos_;  // the opening quote
    String s;
    for (;;) {
      if (pos_ >= t_.size() || t_[pos_] == u'\n') Fail(u"Unterminated string");
      Char c = t_[pos_++];
      if (c == u'"') return s;
      if (c != u'\\') {
        s += c;
        continue;
      }
      if (pos_ >= t_.size()) Fail(u"Unterminated string");
      Char e = t_[pos_++];
      switch (e) {
        case u'"': s += u'"'; break;
        case u'\\': s += u'\\'; break;
        case u'n': s += u'\n'; break;
        case u'r': s += u'\r'; break;
        case u't': s += u'\t'; break;
        case u'u': {
          if (pos_ + 4 > t_.size()) Fail(u"Four hexadecimal digits expected after \\u");
          unsigned cp = 0;
          for (int k = 0; k < 4; ++k) {
            Char h = t_[pos_++];
            int d = (h >= u'0' && h <= u'9')   ? h - u'0'
                    : (h >= u'a' && h <= u'f') ? h - u'a' + 10
                    : (h >= u'A' && h <= u'F') ? h - u'A' + 10
                                               : -1;
            if (d < 0) Fail(u"Four hexadecimal digits expected after \\u");
            cp = cp * 16 + static_cast<unsigned>(d);
          }
          s += static_cast<Char>(cp);
          break;
        }
        default: Fail(u"Unknown escape \\" + String(1, e));
      }
    }
  }

  StringView t_;
  size_t pos_ = 0;
  int line_ = 1;
};

// ---- 3. applying a description --------------------------------------------------------

class Applier {
 public:
  explicit Applier(TComponent* root) : root_(root) {}

  void Apply(const Obj& desc) {
    formName_ = desc.cls;
    if (desc.cls != root_->ClassName())
      Fail(u"The description of " + desc.cls + u" cannot be read into a " + root_->ClassName(), u"", u"", desc.line);
    root_->SetLoading(true);
    root_->SetReading(true);
    loaded_.push_back(root_);
    {
      // A description that fails leaves no component loading.
      TScopeExit stopLoading([this] {
        for (TComponent* c : loaded_) {
          c->SetReading(false);
          c->SetLoading(false);
        }
      });
      root_->SetName(UniqueRootName(desc.name));
      ReadBody(root_, desc, desc.name);
      root_->SetReading(false);
      for (const Fixup& f : fixups_) Resolve(f);
      stopLoading.Dismiss();
    }
    for (TComponent* c : loaded_) c->Loaded();
  }

 private:
  struct Fixup {
    TObject* target;
    const TPropInfo* prop;
    String name;
    String component, property;
    int line;
  };

  [[noreturn]] void Fail(const String& what, const String& component, const String& property, int line) {
    String where = u" (form " + formName_;
    if (!component.empty()) where += u", component " + component;
    if (!property.empty()) where += u", property " + property;
    where += u", line " + IntToStr(line) + u")";
    throw EFormDescriptionError(what + where);
  }

  String UniqueRootName(const String& name) {
    TComponent* owner = root_->Owner();
    auto taken = [&](const String& n) {
      TComponent* other = owner ? owner->FindComponent(n) : nullptr;
      return other && other != root_;
    };
    if (!taken(name)) return name;
    for (int i = 1;; ++i) {
      String n = name + u"_" + IntToStr(i);
      if (!taken(n)) return n;
    }
  }

  void ReadBody(TComponent* component, const Obj& desc, const String& name) {
    for (const Prop& p : desc.props) SetProp(component, p, name);
    for (const Obj& child : desc.children) ReadChild(component, child);
  }

  void ReadChild(TComponent* parent, const Obj& desc) {
    // A component that an embedded component (a frame) made from its own description: the
    // object changes it.
    if (parent != root_)
      if (TComponent* own = parent->FindComponent(desc.name)) {
        if (own->ClassName() != desc.cls)
          Fail(u"Component " + desc.name + u" is a " + own->ClassName() + u", not a " + desc.cls, desc.name, u"",
               desc.line);
        own->SetLoading(true);
        own->SetReading(true);
        loaded_.push_back(own);
        ReadBody(own, desc, desc.name);
        own->SetReading(false);
        return;
      }
    const TClassInfo* cls = FindClass(desc.cls);
    if (!cls) {
      String where = u" (form " + formName_ + u", component " + desc.name + u", line " + IntToStr(desc.line) + u")";
      throw EClassNotFound(u"Class " + desc.cls + u" not found" + where);
    }
    if (!cls->CanCreateComponent())
      Fail(u"Class " + desc.cls + u" is not a component class that can be made", desc.name, u"", desc.line);
    TComponent* c = nullptr;
    try {
      c = cls->CreateComponent(root_);
    } catch (const Exception& e) { Fail(e.Message(), desc.name, u"", desc.line); }
    c->SetLoading(true);
    c->SetReading(true);
    loaded_.push_back(c);
    try {
      c->SetName(desc.name);
      c->SetParentComponent(parent);
    } catch (const EFormDescriptionError&) { throw; } catch (const Exception& e) {
      Fail(e.Message(), desc.name, u"", desc.line);
    }
    if (const TFieldInfo* f = root_->ClassInfo().FindField(desc.name))
      if (!f->Set(*root_, c)) Fail(u"Field " + desc.name + u" is not of class " + desc.cls, desc.name, u"", desc.line);
    ReadBody(c, desc, desc.name);
    c->SetReading(false);
  }

  // Sets one property (a dotted path) of target.
  void SetProp(TObject* target, const Prop& p, const String& component) {
    String path;
    for (const String& seg : p.path) path += (path.empty() ? u"" : u".") + seg;
    TObject* obj = target;
    for (size_t i = 0; i + 1 < p.path.size(); ++i) {
      const TPropInfo* sub = GetPropInfo(obj, p.path[i]);
      if (!sub) Fail(u"Property " + p.path[i] + u" does not exist", component, path, p.line);
      if (sub->Kind != TTypeKind::Class) Fail(u"Property " + p.path[i] + u" is not an object", component, path, p.line);
      obj = sub->GetObj(*obj);
      if (!obj) Fail(u"Property " + p.path[i] + u" is nil", component, path, p.line);
    }
    const TPropInfo* prop = GetPropInfo(obj, p.path.back());
    if (!prop) Fail(u"Property " + p.path.back() + u" does not exist", component, path, p.line);
    try {
      SetValue(obj, *prop, p.value, component, path, p.line);
    } catch (const EFormDescriptionError&) { throw; } catch (const Exception& e) {
      Fail(e.Message(), component, path, p.line);
    }
  }

  [[noreturn]] void BadValue(const String& component, const String& path, int line) {
    Fail(u"Invalid value for property " + path, component, path, line);
  }

  void SetValue(TObject* obj, const TPropInfo& prop, const Value& v, const String& component, const String& path,
                int line) {
    auto readOnly = [&] {
      if (prop.ReadOnly) Fail(u"Property " + path + u" is read-only", component, path, line);
    };
    switch (prop.Kind) {
      case TTypeKind::Integer: {
        readOnly();
        Integer named;
        Int64 value;
        if (v.kind == Value::Integer)
          value = v.i;
        else if (v.kind == Value::Ident && prop.Idents && prop.Idents->ToInt(v.s, named))
          value = named;
        else
          BadValue(component, path, line);
        // Hexadecimal bit patterns of 32 bits fit signed 32-bit properties.
        if (value > prop.MaxValue && prop.MaxValue == INT32_MAX && value <= UINT32_MAX)
          value = static_cast<int32_t>(value);
        SetOrdProp(obj, prop.Name, value);
        return;
      }
      case TTypeKind::Boolean:
      case TTypeKind::Enumeration:
        readOnly();
        if (v.kind != Value::Ident) BadValue(component, path, line);
        SetEnumProp(obj, prop.Name, v.s);
        return;
      case TTypeKind::Set: {
        readOnly();
        if (v.kind != Value::Set) BadValue(component, path, line);
        uint64_t bits = 0;
        for (const String& n : v.names) {
          Integer e = prop.Enum->ValueOf(n);
          if (e < 0 || e >= 64)
            Fail(u"Invalid set element " + n + u" of " + prop.Enum->TypeName(), component, path, line);
          bits |= uint64_t{1} << e;
        }
        SetOrdProp(obj, prop.Name, static_cast<Int64>(bits));
        return;
      }
      case TTypeKind::Color: {
        readOnly();
        TColor c;
        if (v.kind == Value::Integer)
          c = static_cast<TColor>(v.i);
        else if (v.kind != Value::Ident || !IdentToColor(v.s, c))
          BadValue(component, path, line);
        SetOrdProp(obj, prop.Name, c);
        return;
      }
      case TTypeKind::Float:
        readOnly();
        if (v.kind != Value::Float && v.kind != Value::Integer) BadValue(component, path, line);
        SetFloatProp(obj, prop.Name, v.kind == Value::Float ? v.f : static_cast<double>(v.i));
        return;
      case TTypeKind::String:
        readOnly();
        if (v.kind != Value::Str) BadValue(component, path, line);
        SetStrProp(obj, prop.Name, v.s);
        return;
      case TTypeKind::Method: {
        readOnly();
        if (v.kind != Value::Ident) BadValue(component, path, line);
        if (v.s == u"nil") {
          SetMethodProp(obj, prop.Name, TMethod());
          return;
        }
        const TMethodInfo* m = root_->ClassInfo().FindMethod(v.s);
        if (!m) Fail(u"Method " + v.s + u" not found in " + root_->ClassName(), component, path, line);
        if (*m->Type != *prop.Type) Fail(u"Method " + v.s + u" does not fit event " + prop.Name, component, path, line);
        SetMethodProp(obj, prop.Name, m->Bind(*root_));
        return;
      }
      case TTypeKind::Binary: {
        if (v.kind != Value::Binary) BadValue(component, path, line);
        TMemoryStream s;
        if (!v.bytes.empty()) s.WriteBuffer(v.bytes.data(), static_cast<Integer>(v.bytes.size()));
        s.SetPosition(0);
        prop.ReadData(*obj, s);
        return;
      }
      case TTypeKind::Class: {
        TObject* current = prop.GetObj(*obj);
        if (v.kind == Value::List) {
          auto* list = dynamic_cast<TStringList*>(current);
          if (!list) Fail(u"Property " + path + u" is not a string list", component, path, line);
          auto update = UpdateScope(*list);
          list->Clear();
          for (const String& s : v.names) list->Add(s);
          return;
        }
        if (v.kind == Value::Collection) {
          auto* coll = dynamic_cast<TCollection*>(current);
          if (!coll) Fail(u"Property " + path + u" is not a collection", component, path, line);
          auto update = UpdateScope(*coll);
          coll->Clear();
          for (const Item& it : v.items) {
            TCollectionItem* item = coll->Add();
            for (const Prop& p : it.props) SetProp(item, p, component + u"." + path);
          }
          return;
        }
        if (v.kind == Value::Ident) {
          readOnly();
          if (v.s == u"nil") {
            SetObjectProp(obj, prop.Name, nullptr);
            return;
          }
          // A component of the form, perhaps described further down: set at the end.
          fixups_.push_back({obj, &prop, v.s, component, path, line});
          return;
        }
        BadValue(component, path, line);
      }
    }
  }

  void Resolve(const Fixup& f) {
    TComponent* c = SameText(f.name, root_->Name()) ? root_ : root_->FindComponent(f.name);
    if (!c) Fail(u"Component " + f.name + u" not found", f.component, f.property, f.line);
    if (!f.prop->SetObj(*f.target, c))
      Fail(u"Component " + f.name + u" is of the wrong class", f.component, f.property, f.line);
  }

  TComponent* root_;
  String formName_;
  std::vector<TComponent*> loaded_;
  std::vector<Fixup> fixups_;
};

}  // namespace

void ReadComponentText(TComponent* root, StringView text) {
  Parser parser(text);
  Obj desc;
  try {
    desc = parser.ParseRoot();
  } catch (const EFormDescriptionError& e) {
    throw EFormDescriptionError(u"Error reading the description of " + root->ClassName() + u": " + e.Message());
  }
  Applier(root).Apply(desc);
}

void ReadComponentUtf8(TComponent* root, std::string_view utf8) {
  ReadComponentText(root, DecodeText(reinterpret_cast<const Byte*>(utf8.data()), utf8.size()));
}
