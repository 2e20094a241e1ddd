#include "ui/Json.h"

#include <gtest/gtest.h>

namespace {

String Reparse(StringView text) { return ParseJSONValue(text)->ToJSON(); }

}  // namespace

TEST(JsonParse, ValidTextsWriteBackCompactly) {
  struct Case {
    const char16_t* text;
    const char16_t* json;
  } cases[] = {
      {u"{\"a\":1,\"b\":[true,false,null],\"c\":{\"d\":\"x\"}}",
       u"{\"a\":1,\"b\":[true,false,null],\"c\":{\"d\":\"x\"}}"},
      {u" \t\r\n{ \"a\" : [ 1 , 2 ] , \"e\" : { } , \"f\" : [ ] }\n", u"{\"a\":[1,2],\"e\":{},\"f\":[]}"},
      {u"-0.50e+10", u"-0.50e+10"},  // numbers keep their written form
      {u"0", u"0"},
      {u"1E-3", u"1E-3"},
      {u"\"a\\/b\\u00e9\\n\\\"\"", u"\"a\\/bé\\n\\\"\""},
      {u"\"\\b\\f\\r\\t\\\\\"", u"\"\\b\\f\\r\\t\\\\\""},
      {u"[\"\\u0001\"]", u"[\"\u0001\"]"},  // other control characters come out unescaped
      {u"\"中文“引号”\"", u"\"中文“引号”\""},
      {u"{\"\\/k\":null}", u"{\"\\/k\":null}"},
  };
  for (const auto& c : cases) EXPECT_EQ(Reparse(c.text), c.json) << StringToUtf8(c.text);
}

TEST(JsonParse, DecodesEscapesIntoTheValue) {
  auto v = ParseJSONValue(u"\"\\ud83d\\ude00 \\u4E2d\\\"\\\\\\/\"");
  ASSERT_EQ(v->Kind(), TJSONKind::String);
  EXPECT_EQ(static_cast<const TJSONString&>(*v).Value(), u"\U0001F600 中\"\\/");
}

TEST(JsonParse, RejectsMalformedTexts) {
  const char16_t* bad[] = {
      u"",           u" ",           u"{",
      u"}",          u"[1,]",        u"[,1]",
      u"{\"a\"1}",   u"{\"a\":}",    u"{,}",
      u"{\"a\":1,}", u"{a:1}",       u"01",
      u"-01",        u"1.",          u".5",
      u"+1",         u"-",           u"1e",
      u"1e+",        u"tru",         u"nul",
      u"True",       u"\"abc",       u"\"a\u0001\"",
      u"\"\\x\"",    u"\"\\u12G4\"", u"\"\\u12\"",
      u"{} x",       u"[1 2]",       u"1 2",
      u"\"\\",       u"[",           u"{\"a\":1 \"b\":2}",
      u"NaN",        u"'a'",
  };
  for (const char16_t* text : bad) EXPECT_THROW(ParseJSONValue(text), EJSONParseException) << StringToUtf8(text);
}

TEST(JsonParse, ReportsWhereTheTextWentWrong) {
  try {
    ParseJSONValue(u"[1, 2 x]");
    FAIL() << "no exception";
  } catch (const EJSONParseException& e) { EXPECT_EQ(e.Message(), u"',' or ']' expected at position 6"); }
}

TEST(JsonParse, NestingIsLimited) {
  auto nested = [](int depth) {
    return String(static_cast<size_t>(depth), u'[') + String(static_cast<size_t>(depth), u']');
  };
  EXPECT_NO_THROW(ParseJSONValue(nested(kMaxJsonDepth)));
  EXPECT_THROW(ParseJSONValue(nested(kMaxJsonDepth + 1)), EJSONParseException);
  EXPECT_THROW(ParseJSONValue(String(100000, u'{')), EJSONParseException);
}

TEST(JsonObject, FirstOfDuplicateNamesWinsAndNamesAreExact) {
  auto v = ParseJSONValue(u"{\"Title\":\"first\",\"title\":\"lower\",\"Title\":\"second\"}");
  ASSERT_EQ(v->Kind(), TJSONKind::Object);
  const auto& obj = static_cast<const TJSONObject&>(*v);
  EXPECT_EQ(obj.Count(), 3);
  EXPECT_EQ(obj.GetValue(u"Title")->ToJSON(), u"\"first\"");
  EXPECT_EQ(obj.GetValue(u"title")->ToJSON(), u"\"lower\"");
  EXPECT_EQ(obj.GetValue(u"TITLE"), nullptr);
  EXPECT_EQ(v->ToJSON(), u"{\"Title\":\"first\",\"title\":\"lower\",\"Title\":\"second\"}");
}

TEST(JsonArray, ItemsAreCheckedByIndex) {
  auto v = ParseJSONValue(u"[1,\"a\"]");
  const auto& arr = static_cast<const TJSONArray&>(*v);
  EXPECT_EQ(arr.Items(1)->ToJSON(), u"\"a\"");
  EXPECT_THROW(arr.Items(2), EListError);
  EXPECT_THROW(arr.Items(-1), EListError);
}

TEST(JsonWriter, StringTextEscapesExactlyTheClassLibrarySet) {
  struct Case {
    const char16_t* value;
    const char16_t* json;
  } cases[] = {
      {u"", u"\"\""},
      {u"\"", u"\"\\\"\""},
      {u"\\", u"\"\\\\\""},
      {u"/", u"\"\\/\""},
      {u"\b\t\n\f\r", u"\"\\b\\t\\n\\f\\r\""},
      {u"\u0001\u001f\u007f", u"\"\u0001\u001f\u007f\""},
      {u"é中\u2028\U0001F600", u"\"é中\u2028\U0001F600\""},
      {u"x#1。|||y", u"\"x#1。|||y\""},
  };
  for (const auto& c : cases) EXPECT_EQ(TJSONString(c.value).ToJSON(), c.json) << StringToUtf8(c.value);
}

TEST(JsonQuote, IsStrictJsonAndReadsBackUnchanged) {
  struct Case {
    const char16_t* value;
    const char16_t* json;
  } cases[] = {
      {u"https://v.douyin.com/abc/", u"\"https://v.douyin.com/abc/\""},  // the slash stays
      {u"a\"b\\c", u"\"a\\\"b\\\\c\""},
      {u"\t\n\r\b\f", u"\"\\t\\n\\r\\b\\f\""},
      {u"\u0001\u001f", u"\"\\u0001\\u001F\""},
      {u"\u007f中", u"\"\u007f中\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonQuote(c.value), c.json) << StringToUtf8(c.value);

  String every;
  for (Char c = 1; c < 0x300; ++c) every += c;
  every += u"\U0001F600\u2028";
  auto back = ParseJSONValue(JsonQuote(every));
  ASSERT_EQ(back->Kind(), TJSONKind::String);
  EXPECT_EQ(static_cast<const TJSONString&>(*back).Value(), every);
}
