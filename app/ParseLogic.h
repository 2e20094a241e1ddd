// The video-parse request and its answer, without the platform: the request's URL, headers
// and body, the login test, and the cleaning that turns the answer's members into the file
// name and the download address.
#pragma once

#include <string>

#include "ui/Types.h"

// The link edit's placeholder; an edit that still shows it counts as empty.
extern const String kLinkPlaceholder;  // "请复制视频地址"
// The service's base address when TARNWICK_PARSE_URL is not set.
extern const String kDefaultParseBaseUrl;

// The base address in use: the environment's value when it is given and not empty (without
// trailing slashes), otherwise the default.
String ResolveParseBaseUrl(const String* environmentValue);

String ParseRequestUrl(StringView baseUrl);  // base + "/v1/parse/index"
extern const String kParseContentType;       // "application/json; charset=utf-8"
extern const String kParseCookie;            // "tokens=<token>; "

bool LinkIsMissing(StringView linkText);  // empty or still the placeholder

// The request body: UTF-8 of {"PageUrl":<link as a JSON string>}, no blanks.
std::string BuildParseBody(StringView link);

// A 200 answer whose text contains "登录" asks for a login: the notice window is shown.
bool AnswerAsksForLogin(StringView answerText);

// The title's JSON text cleaned into the file name: '"', '“' and '”' removed, '#' turned into
// '_', '。' removed, then cut before the first "|||".
String CleanTitle(StringView titleJsonText);
// The address's JSON text with every '"' and '\' removed.
String CleanDownloadUrl(StringView urlJsonText);

struct TParseResult {
  String FileName;
  String DownLoadUrl;
};

// Takes a 200 answer's text apart. Raises EJSONException when the text is not JSON, its root
// is not an object, or the object "Data" or its member "Title" or "VideoUrls" is missing.
TParseResult TakeParseAnswer(StringView answerText);
