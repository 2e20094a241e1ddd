#include "app/ParseLogic.h"

#include <gtest/gtest.h>

#include "ui/Json.h"

TEST(ParseRequest, BaseUrlComesFromTheEnvironmentWhenGiven) {
  EXPECT_EQ(ResolveParseBaseUrl(nullptr), kDefaultParseBaseUrl);
  const String empty, local = u"http://127.0.0.1:8123/", plain = u"http://h", slashes = u"///";
  EXPECT_EQ(ResolveParseBaseUrl(&empty), kDefaultParseBaseUrl);
  EXPECT_EQ(ResolveParseBaseUrl(&slashes), kDefaultParseBaseUrl);
  EXPECT_EQ(ResolveParseBaseUrl(&local), u"http://127.0.0.1:8123");
  EXPECT_EQ(ResolveParseBaseUrl(&plain), u"http://h");
  EXPECT_EQ(ParseRequestUrl(u"http://h"), u"http://h/v1/parse/index");
  EXPECT_TRUE(kDefaultParseBaseUrl.starts_with(u"http://"));
  EXPECT_NE(kDefaultParseBaseUrl.back(), u'/');
}

TEST(ParseRequest, FixedHeaderValues) {
  EXPECT_EQ(kParseContentType, u"application/json; charset=utf-8");
  EXPECT_EQ(kParseCookie.size(), 41u);
  EXPECT_EQ(kParseCookie, u"tokens=a3f09c1e7d2b4658b0e9f4c2d17a6e85; ");
}

TEST(ParseRequest, MissingLink) {
  EXPECT_TRUE(LinkIsMissing(u""));
  EXPECT_TRUE(LinkIsMissing(u"请复制视频地址"));
  EXPECT_FALSE(LinkIsMissing(u" "));
  EXPECT_FALSE(LinkIsMissing(u"请复制视频地址 "));
  EXPECT_FALSE(LinkIsMissing(u"https://v.douyin.com/x/"));
}

TEST(ParseRequest, BodyIsExactAndAlwaysValidJson) {
  struct Case {
    const char16_t* link;
    const char* body;
  } cases[] = {
      {u"https://v.douyin.com/iR2abc/", "{\"PageUrl\":\"https://v.douyin.com/iR2abc/\"}"},
      {u"", "{\"PageUrl\":\"\"}"},
      {u"a\"b", "{\"PageUrl\":\"a\\\"b\"}"},
      {u"C:\\x", "{\"PageUrl\":\"C:\\\\x\"}"},
      {u"line\nbreak\ttab\u0001", "{\"PageUrl\":\"line\\nbreak\\ttab\\u0001\"}"},
      {u"复制打开抖音 https://v.douyin.com/k/ “看”", "{\"PageUrl\":\"复制打开抖音 https://v.douyin.com/k/ “看”\"}"},
  };
  for (const auto& c : cases) {
    const std::string body = BuildParseBody(c.link);
    EXPECT_EQ(body, c.body);
    auto v = ParseJSONValue(Utf8ToString(body));
    ASSERT_EQ(v->Kind(), TJSONKind::Object);
    const TJSONValue* url = static_cast<const TJSONObject&>(*v).GetValue(u"PageUrl");
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(static_cast<const TJSONString*>(url)->Value(), c.link);
  }
}

TEST(ParseAnswer, LoginAnywhereInTheText) {
  EXPECT_TRUE(AnswerAsksForLogin(u"请先登录"));
  EXPECT_TRUE(AnswerAsksForLogin(u"{\"Data\":{\"Title\":\"如何登录\",\"VideoUrls\":\"u\"}}"));
  EXPECT_FALSE(AnswerAsksForLogin(u"登 录"));
  EXPECT_FALSE(AnswerAsksForLogin(u""));
}

TEST(ParseAnswer, TitleCleaning) {
  struct Case {
    const char16_t* title;  // the title as the service sends it (a JSON string value)
    const char16_t* fileName;
  } cases[] = {
      {u"x#1。|||y", u"x_1"},  // the worked example
      {u"plain", u"plain"},
      {u"|||starts", u""},
      {u"a|||b|||c", u"a"},
      {u"a||b", u"a||b"},
      {u"a||||b", u"a"},
      {u"“quoted” 。title。", u"quoted title"},
      {u"## tag", u"__ tag"},
      {u"a/b", u"a\\/b"},              // the JSON text escapes the slash; the backslash stays
      {u"say \"hi\"", u"say \\hi\\"},  // a quote leaves a lone backslash
      {u"two\nlines", u"two\\nlines"},
      {u"back\\slash", u"back\\\\slash"},
      {u"tab\there", u"tab\\there"},
      {u"中文标题 #抖音# 。", u"中文标题 _抖音_ "},
  };
  for (const auto& c : cases) EXPECT_EQ(CleanTitle(TJSONString(c.title).ToJSON()), c.fileName) << StringToUtf8(c.title);
}

TEST(ParseAnswer, AddressCleaning) {
  EXPECT_EQ(CleanDownloadUrl(TJSONString(u"https://cdn.example.com/v/a.mp4?x=1&y=2").ToJSON()),
            u"https://cdn.example.com/v/a.mp4?x=1&y=2");
  EXPECT_EQ(CleanDownloadUrl(u"[\"http:\\/\\/a\",\"http:\\/\\/b\"]"), u"[http://a,http://b]");
  EXPECT_EQ(CleanDownloadUrl(u"\"\""), u"");
}

TEST(ParseAnswer, TakesTitleAndAddress) {
  struct Case {
    const char16_t* answer;
    const char16_t* fileName;
    const char16_t* url;
  } cases[] = {
      {u"{\"Code\":0,\"Data\":{\"Title\":\"x#1。|||y\",\"VideoUrls\":\"https:\\/\\/cdn\\/v.mp4\"}}", u"x_1",
       u"https://cdn/v.mp4"},
      {u"{\"Data\":{\"VideoUrls\":\"u\",\"Title\":\"t\",\"Title\":\"second\"}}", u"t", u"u"},
      {u"{\"Data\":{\"Title\":null,\"VideoUrls\":\"\"}}", u"null", u""},
      {u"{\"Data\":{\"Title\":12.50,\"VideoUrls\":[\"a\",\"b\"]}}", u"12.50", u"[a,b]"},
      {u"{\"Data\":{\"Title\":{\"k\":\"v\"},\"VideoUrls\":true}}", u"{k:v}", u"true"},
  };
  for (const auto& c : cases) {
    TParseResult r = TakeParseAnswer(c.answer);
    EXPECT_EQ(r.FileName, c.fileName) << StringToUtf8(c.answer);
    EXPECT_EQ(r.DownLoadUrl, c.url) << StringToUtf8(c.answer);
  }
}

TEST(ParseAnswer, UnusableAnswersRaise) {
  const char16_t* bad[] = {
      u"<html>busy</html>",
      u"",
      u"[1,2]",
      u"{\"data\":{\"Title\":\"t\",\"VideoUrls\":\"u\"}}",
      u"{\"Data\":\"text\"}",
      u"{\"Data\":[]}",
      u"{\"Data\":{\"VideoUrls\":\"u\"}}",
      u"{\"Data\":{\"Title\":\"t\"}}",
      u"{\"Data\":{\"Title\":\"t\",\"VideoUrls\":\"u\"}",
  };
  for (const char16_t* text : bad) EXPECT_THROW(TakeParseAnswer(text), EJSONException) << StringToUtf8(text);
  try {
    TakeParseAnswer(u"{\"Data\":{\"Title\":\"t\"}}");
  } catch (const EJSONException& e) { EXPECT_EQ(e.Message(), u"The answer has no member \"VideoUrls\""); }
}
