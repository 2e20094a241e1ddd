// JSON values, the parser and the writer of the class library. Portable.
//
//   TJSONValue and its kinds .... string, number, true/false, null, array, object
//   ParseJSONValue .............. RFC 8259 text -> value tree (raises EJSONParseException)
//   ToJSON ...................... the class library's "JSON text" of a value
//   JsonQuote ................... a string as a strictly valid JSON string literal
//
// Limits of the parser (untrusted input from the network):
//   - nesting of arrays and objects: at most kMaxJsonDepth levels;
//   - the text is UTF-16; \u escapes are decoded as given (a lone surrogate escape stays a
//     lone code unit, as the class library's strings allow);
//   - members keep their order and duplicates; GetValue answers the first of a name.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "SysUtils.h"

TW_DECLARE_EXCEPTION(EJSONException, Exception);
TW_DECLARE_EXCEPTION(EJSONParseException, EJSONException);

constexpr int kMaxJsonDepth = 512;

enum class TJSONKind { String, Number, True, False, Null, Array, Object };

class TJSONValue {
 public:
  virtual ~TJSONValue() = default;
  TJSONKind Kind() const { return kind_; }

  // The value's JSON text: strings in double quotes with '"', '\', '/', backspace, tab,
  // line feed, form feed and carriage return escaped and every other character as it is;
  // numbers as they were written; arrays and objects compact (no blanks).
  String ToJSON() const;
  virtual void WriteJSON(String& out) const = 0;

 protected:
  explicit TJSONValue(TJSONKind kind) : kind_(kind) {}

 private:
  TJSONKind kind_;
};

class TJSONString : public TJSONValue {
 public:
  explicit TJSONString(String value) : TJSONValue(TJSONKind::String), value_(std::move(value)) {}
  const String& Value() const { return value_; }
  void WriteJSON(String& out) const override;

 private:
  String value_;
};

// Keeps the number's text exactly as the source wrote it ("1.50" stays "1.50").
class TJSONNumber : public TJSONValue {
 public:
  explicit TJSONNumber(String text) : TJSONValue(TJSONKind::Number), text_(std::move(text)) {}
  const String& Text() const { return text_; }
  void WriteJSON(String& out) const override;

 private:
  String text_;
};

class TJSONBool : public TJSONValue {
 public:
  explicit TJSONBool(bool value) : TJSONValue(value ? TJSONKind::True : TJSONKind::False) {}
  bool Value() const { return Kind() == TJSONKind::True; }
  void WriteJSON(String& out) const override;
};

class TJSONNull : public TJSONValue {
 public:
  TJSONNull() : TJSONValue(TJSONKind::Null) {}
  void WriteJSON(String& out) const override;
};

class TJSONArray : public TJSONValue {
 public:
  TJSONArray() : TJSONValue(TJSONKind::Array) {}
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  const TJSONValue* Items(Integer index) const;  // raises EListError outside 0..Count-1
  void Add(std::unique_ptr<TJSONValue> value) { items_.push_back(std::move(value)); }
  void WriteJSON(String& out) const override;

 private:
  std::vector<std::unique_ptr<TJSONValue>> items_;
};

class TJSONObject : public TJSONValue {
 public:
  TJSONObject() : TJSONValue(TJSONKind::Object) {}
  Integer Count() const { return static_cast<Integer>(pairs_.size()); }
  // The value of the first member with exactly this name; nullptr when there is none.
  const TJSONValue* GetValue(StringView name) const;
  void AddPair(String name, std::unique_ptr<TJSONValue> value);
  const String& NameAt(Integer index) const { return pairs_.at(static_cast<size_t>(index)).first; }
  void WriteJSON(String& out) const override;

 private:
  std::vector<std::pair<String, std::unique_ptr<TJSONValue>>> pairs_;
};

// Parses one JSON value surrounded by optional white space. Raises EJSONParseException
// ("<what> at position <n>", n counted in UTF-16 code units from 0) on any other text.
std::unique_ptr<TJSONValue> ParseJSONValue(StringView text);

// The string as a JSON string literal that any strict reader accepts: '"' and '\' escaped,
// control characters below U+0020 as \b \t \n \f \r or \u00XX, everything else unchanged
// (the slash included).
String JsonQuote(StringView s);
