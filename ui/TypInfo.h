// Run-time class information: each class that publishes properties describes itself once,
// in its .cpp file; the form reader, the engine's by-name property access and the class
// registry work from that description.
//
// Declaring a class (header):
//
//   class TkvPadding : public TPersistent {
//     TW_CLASS(TkvPadding, TPersistent)      // first in the body; what follows is public
//     Integer Left() const; void SetLeft(Integer v); ...
//   };
//
// Describing it (.cpp): one builder call per published property, in any order:
//
//   TW_DEFINE_CLASS(TkvPadding) {
//     b.Property(u"Left", &TkvPadding::Left, &TkvPadding::SetLeft);    // getter, setter
//     b.Property(u"Top", [](const TkvPadding& p) { return p.Get(1); },  // or any callables,
//                [](TkvPadding& p, Integer v) { p.Set(1, v); });        // for indexed ones
//     b.Color(u"Color", &TkvPadding::Color, &TkvPadding::SetColor);    // TColor is an integer
//     b.Binary(u"ImgData", &TItem::ReadImgData, &TItem::WriteImgData); // (T&, TStream&)
//   }
//
// What a written description leaves out (FormWriter.h): a property's declared default
// (.Default(v) after it; ordinal kinds, floats, strings), an empty string, a float of 0, an
// unassigned event, nil, and any property whose Stored rule (.Stored(false) or a predicate
// on the object) says no. An ordinal without a declared default is always written. A class
// that changes a default in its constructor publishes the property again with its own
// default; the derived declaration replaces the ancestor's.
//
// The property kind follows the getter's type: bool, integers, enumerations declared with
// TW_ENUM / TW_ENUM_NAMES, TSet<E>, double, String, pointers to TObject classes (sub-objects
// such as Font, collections, string lists, component references) and TEvent<...> events.
// A class property without a setter is edited in place (Font.Name = ...).
//
// A form class also lists its component fields and its event handlers, so that a form
// description can fill the fields and name the handlers:
//
//   TW_DEFINE_CLASS(TForm1) {
//     b.Field(u"btnJx", &TForm1::btnJx);               // TsButton* btnJx;
//     b.Method(u"btnJxClick", &TForm1::btnJxClick);    // void btnJxClick(TObject* Sender);
//   }
//
// Class registration for form descriptions is explicit, at start-up (no static initialisers):
//   RegisterClass<TsButton>();   FindClass(u"TsButton") -> const TClassInfo* or nullptr.
#pragma once

#include <climits>
#include <functional>
#include <limits>
#include <memory>
#include <type_traits>
#include <typeinfo>
#include <vector>

#include "Events.h"
#include "SysUtils.h"

class TObject;
class TComponent;
class TCollection;
class TCollectionItem;
class TStream;

TW_DECLARE_EXCEPTION(EPropertyError, Exception);
TW_DECLARE_EXCEPTION(EPropertyConvertError, Exception);
TW_DECLARE_EXCEPTION(EFilerError, EStreamError);
TW_DECLARE_EXCEPTION(EClassNotFound, EFilerError);

// ---- enumerations ---------------------------------------------------------------------

// The names of an enumeration's values 0, 1, 2 ..., as form descriptions write them.
class TEnumInfo {
 public:
  // commaNames: the enumerators as the macros stringify them ("alNone, alTop, alBottom").
  TEnumInfo(const char* typeName, const char* commaNames);
  const String& TypeName() const { return typeName_; }
  Integer Count() const { return static_cast<Integer>(names_.size()); }
  // The name of a value; empty for a value outside the enumeration.
  String NameOf(Integer value) const;
  // The value of a name (compared without regard to ASCII case); -1 when none matches.
  Integer ValueOf(StringView name) const;

 private:
  String typeName_;
  std::vector<String> names_;
};

// Gives an existing enumeration (values from 0, consecutive) its names.
#define TW_ENUM_NAMES(E, ...)                      \
  inline const TEnumInfo& EnumInfo(E*) {           \
    static const TEnumInfo info(#E, #__VA_ARGS__); \
    return info;                                   \
  }
// Declares an enumeration together with its names.
#define TW_ENUM(E, ...)   \
  enum E { __VA_ARGS__ }; \
  TW_ENUM_NAMES(E, __VA_ARGS__)

template <class E>
concept NamedEnum = std::is_enum_v<E> && requires {
  EnumInfo(static_cast<E*>(nullptr));
};

template <class E>
const TEnumInfo& EnumInfoOf() {
  return EnumInfo(static_cast<E*>(nullptr));
}

// The text of a set: element names joined by ",", no blanks; in brackets when asked.
String SetToString(const TEnumInfo& info, uint64_t bits, bool brackets = false);
// Parses "a,b" or "[a, b]"; raises EPropertyConvertError for an unknown element name.
uint64_t StringToSet(const TEnumInfo& info, StringView text);

// ---- published properties -------------------------------------------------------------

enum class TTypeKind { Integer, Boolean, Enumeration, Set, Color, Float, String, Class, Method, Binary };

// Names for some values of an integer property ("ANSI_CHARSET" for 0), as form
// descriptions may write them.
struct TIdentMapEntry {
  Integer Value;
  const char16_t* Name;
};
struct TIdentMap {
  const TIdentMapEntry* Entries;
  size_t Count;
  bool ToInt(StringView name, Integer& value) const;  // names compared without regard to case
  bool ToIdent(Integer value, String& name) const;
};

struct TPropInfo {
  String Name;
  TTypeKind Kind = TTypeKind::Integer;
  const TEnumInfo* Enum = nullptr;       // enumeration and set properties
  const std::type_info* Type = nullptr;  // the event type of a method property
  const TIdentMap* Idents = nullptr;     // value names of an integer property
  Int64 MinValue = INT64_MIN;            // the range of an integer property's type
  Int64 MaxValue = INT64_MAX;
  bool ReadOnly = false;
  // The value a description leaves out: DefaultOrd for ordinal kinds (a set as its bit mask),
  // DefaultFloat, DefaultStr; without HasDefault see the rules at the top.
  bool HasDefault = false;
  Int64 DefaultOrd = 0;
  double DefaultFloat = 0;
  String DefaultStr;
  // False: the property is not written (for a binary property: it has no data). Empty:
  // always stored.
  std::function<bool(const TObject&)> IsStored;

  // Only the pair that fits the kind is set. Ordinal kinds (integer, boolean, enumeration,
  // set, colour) travel as Int64 (a set as its bit mask).
  std::function<Int64(const TObject&)> GetOrd;
  std::function<void(TObject&, Int64)> SetOrd;
  std::function<double(const TObject&)> GetFloat;
  std::function<void(TObject&, double)> SetFloat;
  std::function<String(const TObject&)> GetStr;
  std::function<void(TObject&, const String&)> SetStr;
  std::function<TObject*(const TObject&)> GetObj;
  std::function<bool(TObject&, TObject*)> SetObj;  // false: the value is of the wrong class
  std::function<TMethod(const TObject&)> GetMethod;
  std::function<void(TObject&, const TMethod&)> SetMethod;
  std::function<void(TObject&, TStream&)> ReadData;         // binary: takes the value from the stream
  std::function<void(const TObject&, TStream&)> WriteData;  // binary: writes the value
};

// A form's component field, filled by name when its description is read.
struct TFieldInfo {
  String Name;
  std::function<bool(TObject& root, TComponent* component)> Set;  // false: wrong class
};

// A method that a form description may name as an event handler.
struct TMethodInfo {
  String Name;
  const std::type_info* Type = nullptr;  // the TEvent<...> type it binds to
  std::function<TMethod(TObject& root)> Bind;
};

class TClassInfo {
 public:
  TClassInfo(String name, const TClassInfo* parent) : name_(std::move(name)), parent_(parent) {}
  TClassInfo(TClassInfo&&) = default;

  const String& Name() const { return name_; }
  const TClassInfo* Parent() const { return parent_; }
  bool InheritsFrom(const TClassInfo& other) const;

  // Searched in this class and then its ancestors; names compared without regard to case.
  const TPropInfo* FindProperty(StringView name) const;
  const TFieldInfo* FindField(StringView name) const;
  const TMethodInfo* FindMethod(StringView name) const;
  // All published properties, ancestors' first; a property published again by a derived
  // class takes the ancestor's place.
  std::vector<const TPropInfo*> Properties() const;
  // All methods a description may name, the class's own first.
  std::vector<const TMethodInfo*> Methods() const;

  // Makes a component of this class (nullptr for classes that are not components or are
  // abstract), or an item of a collection.
  TComponent* CreateComponent(TComponent* owner) const { return createComponent_ ? createComponent_(owner) : nullptr; }
  bool CanCreateComponent() const { return createComponent_ != nullptr; }
  TCollectionItem* CreateItem(TCollection* collection) const { return createItem_ ? createItem_(collection) : nullptr; }

 private:
  template <class T>
  friend class TClassBuilder;
  String name_;
  const TClassInfo* parent_;
  std::vector<TPropInfo> props_;
  std::vector<TFieldInfo> fields_;
  std::vector<TMethodInfo> methods_;
  TComponent* (*createComponent_)(TComponent*) = nullptr;
  TCollectionItem* (*createItem_)(TCollection*) = nullptr;
};

// ---- the builder ----------------------------------------------------------------------
// (Used where the described class and its ancestors are complete, so the checks below see
// TComponent and TCollectionItem.)

template <class T>
class TClassBuilder {
 public:
  explicit TClassBuilder(TClassInfo& info) : info_(info) {}

  static TClassInfo Make(const char16_t* name, const TClassInfo* parent, void (*describe)(TClassBuilder&)) {
    TClassInfo info(name, parent);
    if constexpr (!std::is_abstract_v<T> && std::is_base_of_v<TComponent, T> && std::is_constructible_v<T, TComponent*>)
      info.createComponent_ = [](TComponent* owner) -> TComponent* { return CreateObject(owner); };
    if constexpr (!std::is_abstract_v<T> && std::is_base_of_v<TCollectionItem, T> &&
                  std::is_constructible_v<T, TCollection*>)
      info.createItem_ = [](TCollection* c) -> TCollectionItem* { return CreateObject(c); };
    TClassBuilder b(info);
    describe(b);
    return info;
  }

  // A published property; the setter may be omitted (read-only, or a sub-object edited in
  // place). Getter: const member function, data member or callable (const T&) -> V.
  // Setter: member function, data member or callable (T&, V).
  template <class G, class S = std::nullptr_t>
  TClassBuilder& Property(const char16_t* name, G getter, S setter = nullptr) {
    using V = std::remove_cvref_t<std::invoke_result_t<G, const T&>>;
    TPropInfo p;
    p.Name = name;
    p.ReadOnly = std::is_null_pointer_v<S>;
    if constexpr (std::is_same_v<V, bool>) {
      p.Kind = TTypeKind::Boolean;
      BindOrd<V>(p, getter, setter);
    } else if constexpr (NamedEnum<V>) {
      p.Kind = TTypeKind::Enumeration;
      p.Enum = &EnumInfoOf<V>();
      BindOrd<V>(p, getter, setter);
    } else if constexpr (IsSet<V>::value) {
      p.Kind = TTypeKind::Set;
      p.Enum = &EnumInfoOf<typename V::Element>();
      p.GetOrd = [getter](const TObject& o) { return static_cast<Int64>(Get(o, getter).Bits()); };
      if constexpr (!std::is_null_pointer_v<S>)
        p.SetOrd = [setter](TObject& o, Int64 v) { Set(o, setter, V::FromBits(static_cast<uint64_t>(v))); };
    } else if constexpr (std::is_integral_v<V>) {
      p.Kind = TTypeKind::Integer;
      BindOrd<V>(p, getter, setter);
    } else if constexpr (std::is_floating_point_v<V>) {
      p.Kind = TTypeKind::Float;
      p.GetFloat = [getter](const TObject& o) { return static_cast<double>(Get(o, getter)); };
      if constexpr (!std::is_null_pointer_v<S>)
        p.SetFloat = [setter](TObject& o, double v) { Set(o, setter, static_cast<V>(v)); };
    } else if constexpr (std::is_same_v<V, String>) {
      p.Kind = TTypeKind::String;
      p.GetStr = [getter](const TObject& o) { return String(Get(o, getter)); };
      if constexpr (!std::is_null_pointer_v<S>) p.SetStr = [setter](TObject& o, const String& v) { Set(o, setter, v); };
    } else if constexpr (std::is_pointer_v<V> && std::is_base_of_v<TObject, std::remove_pointer_t<V>>) {
      using C = std::remove_const_t<std::remove_pointer_t<V>>;
      p.Kind = TTypeKind::Class;
      p.GetObj = [getter](const TObject& o) -> TObject* { return const_cast<C*>(Get(o, getter)); };
      if constexpr (!std::is_null_pointer_v<S>)
        p.SetObj = [setter](TObject& o, TObject* v) {
          C* typed = v ? dynamic_cast<C*>(v) : nullptr;
          if (v && !typed) return false;
          Set(o, setter, typed);
          return true;
        };
    } else if constexpr (std::is_base_of_v<TMethod, V>) {
      p.Kind = TTypeKind::Method;
      p.Type = &typeid(V);
      p.GetMethod = [getter](const TObject& o) -> TMethod { return Get(o, getter); };
      if constexpr (!std::is_null_pointer_v<S>)
        p.SetMethod = [setter](TObject& o, const TMethod& m) { Set(o, setter, V::FromMethod(m)); };
    } else {
      static_assert(sizeof(V) == 0, "this type cannot be published");
    }
    info_.props_.push_back(std::move(p));
    return *this;
  }

  // A colour property (TColor is a plain integer type, so the kind is given by name):
  // form descriptions may write it as a colour name ("clBtnFace") or a number.
  template <class G, class S = std::nullptr_t>
  TClassBuilder& Color(const char16_t* name, G getter, S setter = nullptr) {
    Property(name, getter, setter);
    info_.props_.back().Kind = TTypeKind::Color;
    return *this;
  }

  // The default value of the property described last (see the rules at the top).
  template <class V>
  TClassBuilder& Default(const V& value) {
    TPropInfo& p = info_.props_.back();
    p.HasDefault = true;
    if constexpr (IsSet<V>::value)
      p.DefaultOrd = static_cast<Int64>(value.Bits());
    else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
      p.DefaultOrd = static_cast<Int64>(value);
    else if constexpr (std::is_floating_point_v<V>)
      p.DefaultFloat = static_cast<double>(value);
    else
      p.DefaultStr = String(value);
    return *this;
  }

  // Whether the property described last is written: a constant, or a predicate on the
  // object (const T&) -> bool. For a binary property: whether it has data.
  TClassBuilder& Stored(bool stored) {
    info_.props_.back().IsStored = [stored](const TObject&) { return stored; };
    return *this;
  }
  template <class P>
  requires std::is_invocable_r_v<bool, P, const T&> TClassBuilder& Stored(P predicate) {
    info_.props_.back().IsStored = [predicate](const TObject& o) {
      return std::invoke(predicate, static_cast<const T&>(o));
    };
    return *this;
  }

  // Names for values of the integer property described last.
  TClassBuilder& Idents(const TIdentMap& map) {
    info_.props_.back().Idents = &map;
    return *this;
  }

  // A binary property (image and font files stored in form descriptions): read replaces the
  // value with the bytes of the stream, write writes the value.
  template <class R, class W>
  TClassBuilder& Binary(const char16_t* name, R read, W write) {
    TPropInfo p;
    p.Name = name;
    p.Kind = TTypeKind::Binary;
    p.ReadData = [read](TObject& o, TStream& s) { std::invoke(read, static_cast<T&>(o), s); };
    p.WriteData = [write](const TObject& o, TStream& s) { std::invoke(write, static_cast<const T&>(o), s); };
    info_.props_.push_back(std::move(p));
    return *this;
  }

  template <class C>
  TClassBuilder& Field(const char16_t* name, C* T::*field) {
    static_assert(std::is_base_of_v<TComponent, C>, "fields hold components");
    info_.fields_.push_back({name, [field](TObject& root, TComponent* c) {
                               C* typed = c ? dynamic_cast<C*>(c) : nullptr;
                               if (c && !typed) return false;
                               static_cast<T&>(root).*field = typed;
                               return true;
                             }});
    return *this;
  }

  template <class R, class C, class... A>
  TClassBuilder& Method(const char16_t* name, R (C::*method)(A...)) {
    static_assert(std::is_base_of_v<C, T>, "the method must belong to the class or an ancestor");
    using E = TEvent<R(A...)>;
    info_.methods_.push_back(
        {name, &typeid(E), [method](TObject& root) -> TMethod { return E(&static_cast<T&>(root), method); }});
    return *this;
  }

 private:
  template <class X>
  struct IsSet : std::false_type {};
  template <class E>
  struct IsSet<TSet<E>> : std::true_type {};

  template <class Arg>
  static T* CreateObject(Arg arg) {
    T* obj = new T(arg);
    obj->AfterConstruction();
    return obj;
  }

  template <class G>
  static decltype(auto) Get(const TObject& o, const G& getter) {
    return std::invoke(getter, static_cast<const T&>(o));
  }
  template <class S, class V>
  static void Set(TObject& o, const S& setter, V&& value) {
    if constexpr (std::is_member_object_pointer_v<S>)
      static_cast<T&>(o).*setter = std::forward<V>(value);
    else
      std::invoke(setter, static_cast<T&>(o), std::forward<V>(value));
  }
  template <class V, class G, class S>
  static void BindOrd(TPropInfo& p, G getter, S setter) {
    if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool> && sizeof(V) < sizeof(Int64)) {
      p.MinValue = std::numeric_limits<V>::min();
      p.MaxValue = std::numeric_limits<V>::max();
    }
    p.GetOrd = [getter](const TObject& o) { return static_cast<Int64>(Get(o, getter)); };
    if constexpr (!std::is_null_pointer_v<S>)
      p.SetOrd = [setter](TObject& o, Int64 v) { Set(o, setter, static_cast<V>(v)); };
  }

  TClassInfo& info_;
};

// In the class body: declares the class's run-time information. Members after it are public.
#define TW_CLASS(Class, Base)                                                   \
 public:                                                                        \
  using inherited = Base;                                                       \
  static const TClassInfo& StaticClass();                                       \
  const TClassInfo& ClassInfo() const override { return Class::StaticClass(); } \
                                                                                \
 public:

// In the .cpp file, followed by the body that describes the class through `b`.
#define TW_DEFINE_CLASS(Class)                                                                         \
  static void TwDescribe_##Class(TClassBuilder<Class>& b);                                             \
  const TClassInfo& Class::StaticClass() {                                                             \
    static const TClassInfo info =                                                                     \
        TClassBuilder<Class>::Make(u"" #Class, &Class::inherited::StaticClass(), &TwDescribe_##Class); \
    return info;                                                                                       \
  }                                                                                                    \
  static void TwDescribe_##Class([[maybe_unused]] TClassBuilder<Class>& b)

// ---- class registry -------------------------------------------------------------------

// Makes a class known to form descriptions by its name. Registering a class twice is allowed.
// (<windows.h> defines RegisterClass as a macro; the W-named twins keep calls working in
// files that include it.)
#pragma push_macro("RegisterClass")
#pragma push_macro("RegisterClassW")
#undef RegisterClass
#undef RegisterClassW
void RegisterClass(const TClassInfo& info);
template <class T>
void RegisterClass() {
  RegisterClass(T::StaticClass());
}
inline void RegisterClassW(const TClassInfo& info) { RegisterClass(info); }
template <class T>
void RegisterClassW() {
  RegisterClass(T::StaticClass());
}
#pragma pop_macro("RegisterClassW")
#pragma pop_macro("RegisterClass")
// The registered class of that name (exact name, as the class library compares); nullptr.
const TClassInfo* FindClass(StringView name);
// As FindClass, raising EClassNotFound "Class <name> not found".
const TClassInfo& GetClass(StringView name);
void UnRegisterClass(const TClassInfo& info);

// ---- access by name -------------------------------------------------------------------
// Raise EPropertyError "Property <name> does not exist" for a missing property and
// EPropertyConvertError "Invalid property type: <name>" for one of another kind.

const TPropInfo* GetPropInfo(const TObject* obj, StringView name);  // nullptr when none
bool IsPublishedProp(const TObject* obj, StringView name);
Int64 GetOrdProp(const TObject* obj, StringView name);
void SetOrdProp(TObject* obj, StringView name, Int64 value);
String GetStrProp(const TObject* obj, StringView name);
void SetStrProp(TObject* obj, StringView name, const String& value);
double GetFloatProp(const TObject* obj, StringView name);
void SetFloatProp(TObject* obj, StringView name, double value);
TObject* GetObjectProp(const TObject* obj, StringView name);
void SetObjectProp(TObject* obj, StringView name, TObject* value);
TMethod GetMethodProp(const TObject* obj, StringView name);
void SetMethodProp(TObject* obj, StringView name, const TMethod& value);
String GetEnumProp(const TObject* obj, StringView name);
void SetEnumProp(TObject* obj, StringView name, StringView value);
String GetSetProp(const TObject* obj, StringView name, bool brackets = false);
void SetSetProp(TObject* obj, StringView name, StringView value);

// Any ordinal, float, string, colour, enumeration or set property as text, the way form
// descriptions write values: "12", "True", "alTop", "[akLeft,akTop]", "clBtnFace", "1.5".
// Class, method and binary properties raise EPropertyConvertError here.
String GetPropValue(const TObject* obj, StringView name);
// Raises EPropertyConvertError for text the property's type cannot take.
void SetPropValue(TObject* obj, StringView name, StringView value);
// Text <-> double in the invariant form ("1.5"); false for anything else.
bool TryStrToFloat(StringView s, double& value);
String FloatToStr(double value);
