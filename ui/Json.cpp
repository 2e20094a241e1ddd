#include "Json.h"

// Sections: string escaping, the writers of each kind, the parser.

// ---- string escaping -------------------------------------------------------------

namespace {

enum class EscapeMode {
  ClassLibrary,  // the class library's writer: also '/', leaves other control characters
  Strict,        // exactly what RFC 8259 demands
};

void AppendHex4(String& out, unsigned v) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += u"\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += static_cast<Char>(kHex[(v >> shift) & 0xF]);
}

void AppendQuoted(String& out, StringView s, EscapeMode mode) {
  out += u'"';
  for (Char c : s) {
    switch (c) {
      case u'"': out += u"\\\""; break;
      case u'\\': out += u"\\\\"; break;
      case u'\b': out += u"\\b"; break;
      case u'\t': out += u"\\t"; break;
      case u'\n': out += u"\\n"; break;
      case u'\f': out += u"\\f"; break;
      case u'\r': out += u"\\r"; break;
      case u'/':
        if (mode == EscapeMode::ClassLibrary)
          out += u"\\/";
        else
          out += c;
        break;
      default:
        if (c < 0x20 && mode == EscapeMode::Strict)
          AppendHex4(out, c);
        else
          out += c;
    }
  }
  out += u'"';
}

}  // namespace

String JsonQuote(StringView s) {
  String out;
  AppendQuoted(out, s, EscapeMode::Strict);
  return out;
}

// ---- writers ------------------------------------------------------------------------

String TJSONValue::ToJSON() const {
  String out;
  WriteJSON(out);
  return out;
}

void TJSONString::WriteJSON(String& out) const { AppendQuoted(out, value_, EscapeMode::ClassLibrary); }
void TJSONNumber::WriteJSON(String& out) const { out += text_; }
void TJSONBool::WriteJSON(String& out) const { out += Value() ? u"true" : u"false"; }
void TJSONNull::WriteJSON(String& out) const { out += u"null"; }

const TJSONValue* TJSONArray::Items(Integer index) const {
  if (index < 0 || index >= Count()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  return items_[static_cast<size_t>(index)].get();
}

void TJSONArray::WriteJSON(String& out) const {
  out += u'[';
  for (size_t i = 0; i < items_.size(); ++i) {
    if (i) out += u',';
    items_[i]->WriteJSON(out);
  }
  out += u']';
}

const TJSONValue* TJSONObject::GetValue(StringView name) const {
  for (const auto& [n, v] : pairs_)
    if (n == name) return v.get();
  return nullptr;
}

void TJSONObject::AddPair(String name, std::unique_ptr<TJSONValue> value) {
  pairs_.emplace_back(std::move(name), std::move(value));
}

void TJSONObject::WriteJSON(String& out) const {
  out += u'{';
  for (size_t i = 0; i < pairs_.size(); ++i) {
    if (i) out += u',';
    AppendQuoted(out, pairs_[i].first, EscapeMode::ClassLibrary);
    out += u':';
    pairs_[i].second->WriteJSON(out);
  }
  out += u'}';
}

// ---- parser ---------------------------------------------------------------------------

namespace {

class Parser {
 public:
  explicit Parser(StringView text) : s_(text) {}

  std::unique_ptr<TJSONValue> ParseDocument() {
    SkipBlanks();
    auto v = ParseValue(0);
    SkipBlanks();
    if (pos_ != s_.size()) Fail("Unexpected text after the value");
    return v;
  }

 private:
  [[noreturn]] void Fail(const char* what) const {
    throw EJSONParseException(AsciiToString(what) + u" at position " + IntToStr(static_cast<Int64>(pos_)));
  }

  bool AtEnd() const { return pos_ >= s_.size(); }
  Char Peek() const { return AtEnd() ? Char(0) : s_[pos_]; }

  void SkipBlanks() {
    while (!AtEnd() && (s_[pos_] == u' ' || s_[pos_] == u'\t' || s_[pos_] == u'\n' || s_[pos_] == u'\r')) ++pos_;
  }

  void Expect(Char c, const char* what) {
    if (Peek() != c) Fail(what);
    ++pos_;
  }

  bool TakeWord(StringView word) {
    if (s_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  std::unique_ptr<TJSONValue> ParseValue(int depth) {
    if (AtEnd()) Fail("Unexpected end of text");
    switch (s_[pos_]) {
      case u'{': return ParseObject(depth + 1);
      case u'[': return ParseArray(depth + 1);
      case u'"': return std::make_unique<TJSONString>(ParseString());
      case u't':
        if (TakeWord(u"true")) return std::make_unique<TJSONBool>(true);
        break;
      case u'f':
        if (TakeWord(u"false")) return std::make_unique<TJSONBool>(false);
        break;
      case u'n':
        if (TakeWord(u"null")) return std::make_unique<TJSONNull>();
        break;
      default:
        if (s_[pos_] == u'-' || (s_[pos_] >= u'0' && s_[pos_] <= u'9')) return ParseNumber();
    }
    Fail("Unexpected character");
  }

  std::unique_ptr<TJSONValue> ParseObject(int depth) {
    auto obj = std::make_unique<TJSONObject>();
    ParseElements(depth, u'}', "',' or '}' expected", [&] {
      if (Peek() != u'"') Fail("Member name expected");
      String name = ParseString();
      SkipBlanks();
      Expect(u':', "':' expected");
      SkipBlanks();
      obj->AddPair(std::move(name), ParseValue(depth));
    });
    return obj;
  }

  std::unique_ptr<TJSONValue> ParseArray(int depth) {
    auto arr = std::make_unique<TJSONArray>();
    ParseElements(depth, u']', "',' or ']' expected", [&] { arr->Add(ParseValue(depth)); });
    return arr;
  }

  // The elements of an object or an array, from its opening bracket to `close`: each read by
  // element (blanks before it skipped), separated by commas.
  template <class ReadElement>
  void ParseElements(int depth, Char close, const char* separatorError, ReadElement element) {
    if (depth > kMaxJsonDepth) Fail("Nesting too deep");
    ++pos_;  // '{' or '['
    SkipBlanks();
    if (Peek() == close) {
      ++pos_;
      return;
    }
    for (;;) {
      SkipBlanks();
      element();
      SkipBlanks();
      if (Peek() == u',') {
        ++pos_;
        continue;
      }
      Expect(close, separatorError);
      return;
    }
  }

  static int HexDigit(Char c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
  }

  String ParseString() {
    ++pos_;  // opening quote
    String out;
    for (;;) {
      if (AtEnd()) Fail("Unterminated string");
      Char c = s_[pos_];
      if (c == u'"') {
        ++pos_;
        return out;
      }
      if (c < 0x20) Fail("Control character in string");
      if (c != u'\\') {
        out += c;
        ++pos_;
        continue;
      }
      ++pos_;
      if (AtEnd()) Fail("Unterminated string");
      Char e = s_[pos_++];
      switch (e) {
        case u'"': out += u'"'; break;
        case u'\\': out += u'\\'; break;
        case u'/': out += u'/'; break;
        case u'b': out += u'\b'; break;
        case u'f': out += u'\f'; break;
        case u'n': out += u'\n'; break;
        case u'r': out += u'\r'; break;
        case u't': out += u'\t'; break;
        case u'u': {
          unsigned v = 0;
          for (int i = 0; i < 4; ++i) {
            int d = AtEnd() ? -1 : HexDigit(s_[pos_]);
            if (d < 0) Fail("Invalid \\u escape");
            v = v * 16 + static_cast<unsigned>(d);
            ++pos_;
          }
          out += static_cast<Char>(v);
          break;
        }
        default: --pos_; Fail("Invalid escape");
      }
    }
  }

  bool TakeDigits() {
    size_t start = pos_;
    while (!AtEnd() && s_[pos_] >= u'0' && s_[pos_] <= u'9') ++pos_;
    return pos_ > start;
  }

  std::unique_ptr<TJSONValue> ParseNumber() {
    size_t start = pos_;
    if (Peek() == u'-') ++pos_;
    if (Peek() == u'0') {
      ++pos_;  // a leading zero stands alone
    } else if (!TakeDigits()) {
      Fail("Digit expected");
    }
    if (Peek() == u'.') {
      ++pos_;
      if (!TakeDigits()) Fail("Digit expected");
    }
    if ((Peek() == u'e' || Peek() == u'E')) {
      ++pos_;
      if (Peek() == u'+' || Peek() == u'-') ++pos_;
      if (!TakeDigits()) Fail("Digit expected");
    }
    return std::make_unique<TJSONNumber>(String(s_.substr(start, pos_ - start)));
  }

  StringView s_;
  size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<TJSONValue> ParseJSONValue(StringView text) { return Parser(text).ParseDocument(); }
