#include "app/ParseLogic.h"

#include "ui/Json.h"

const String kLinkPlaceholder = u"请复制视频地址";
const String kDefaultParseBaseUrl = u"http://parse.tarnwick.example";
const String kParseContentType = u"application/json; charset=utf-8";
const String kParseCookie = u"tokens=a3f09c1e7d2b4658b0e9f4c2d17a6e85; ";

String ResolveParseBaseUrl(const String* environmentValue) {
  if (!environmentValue) return kDefaultParseBaseUrl;
  String base = *environmentValue;
  while (!base.empty() && base.back() == u'/') base.pop_back();
  return base.empty() ? kDefaultParseBaseUrl : base;
}

String ParseRequestUrl(StringView baseUrl) { return String(baseUrl) + u"/v1/parse/index"; }

bool LinkIsMissing(StringView linkText) { return linkText.empty() || linkText == kLinkPlaceholder; }

std::string BuildParseBody(StringView link) { return StringToUtf8(u"{\"PageUrl\":" + JsonQuote(link) + u"}"); }

bool AnswerAsksForLogin(StringView answerText) { return answerText.find(u"登录") != StringView::npos; }

namespace {

String Without(StringView s, StringView drop) {
  String out;
  out.reserve(s.size());
  for (Char c : s)
    if (drop.find(c) == StringView::npos) out += c;
  return out;
}

const TJSONValue& Member(const TJSONObject& obj, StringView name) {
  const TJSONValue* v = obj.GetValue(name);
  if (!v) throw EJSONException(u"The answer has no member \"" + String(name) + u"\"");
  return *v;
}

const TJSONObject& AsObject(const TJSONValue& v, StringView what) {
  if (v.Kind() != TJSONKind::Object) throw EJSONException(String(what) + u" is not a JSON object");
  return static_cast<const TJSONObject&>(v);
}

}  // namespace

String CleanTitle(StringView titleJsonText) {
  String t = Without(titleJsonText, u"\"\u201C\u201D\u3002");
  for (Char& c : t)
    if (c == u'#') c = u'_';
  size_t bars = t.find(u"|||");
  if (bars != String::npos) t.resize(bars);
  return t;
}

String CleanDownloadUrl(StringView urlJsonText) { return Without(urlJsonText, u"\"\\"); }

TParseResult TakeParseAnswer(StringView answerText) {
  std::unique_ptr<TJSONValue> root = ParseJSONValue(answerText);
  const TJSONObject& data = AsObject(Member(AsObject(*root, u"The answer"), u"Data"), u"The member \"Data\"");
  // Both members are looked up before anything is taken, so a half answer changes nothing.
  const TJSONValue& title = Member(data, u"Title");
  const TJSONValue& urls = Member(data, u"VideoUrls");
  return {CleanTitle(title.ToJSON()), CleanDownloadUrl(urls.ToJSON())};
}
