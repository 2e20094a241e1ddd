#include "vcl/SysUtils.h"

#include <gtest/gtest.h>

TEST(Utf, RoundTripsEveryPlane) {
  const std::string samples[] = {"", "abc", "下载进度", "\xF0\x9F\x98\x80 smile", "caf\xC3\xA9"};
  for (const auto& s : samples) EXPECT_EQ(StringToUtf8(Utf8ToString(s)), s) << s;
  EXPECT_EQ(Utf8ToString("\xF0\x9F\x98\x80"), String(u"\U0001F600"));
  EXPECT_EQ(Utf8ToString("\xF0\x9F\x98\x80").size(), 2u);  // a surrogate pair
}

TEST(Utf, ReplacesInvalidInput) {
  struct Case { std::string in; String out; } cases[] = {
      {"\xFF", u"\uFFFD"},
      {"a\xC3", u"a\uFFFD"},            // truncated sequence
      {"\xC0\x80", u"\uFFFD"},          // overlong NUL
      {"\xED\xA0\x80", u"\uFFFD"},      // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD"},  // beyond U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToString(c.in), c.out);
  EXPECT_EQ(StringToUtf8(String(1, Char(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
}

TEST(StrToInt, ParsesLikeTheClassLibrary) {
  struct Case { const char16_t* text; bool ok; Integer value; } cases[] = {
      {u"0", true, 0},         {u"-12", true, -12},        {u"+7", true, 7},
      {u"$FF", true, 255},     {u"0x10", true, 16},        {u"$FFFFFFFF", true, -1},
      {u"2147483647", true, 2147483647}, {u"-2147483648", true, INT32_MIN},
      {u"2147483648", false, 0}, {u"", false, 0},          {u"12a", false, 0},
      {u" 5", true, 5},        {u"5 ", false, 0},          {u"$", false, 0},
  };
  for (const auto& c : cases) {
    Integer v = 0;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << StringToUtf8(c.text);
    if (c.ok) {
      EXPECT_EQ(v, c.value) << StringToUtf8(c.text);
    }
  }
  EXPECT_EQ(StrToIntDef(u"x", 42), 42);
  try {
    StrToInt(u"abc");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"'abc' is not a valid integer value");
  }
}

TEST(StrToInt, SixtyFourBitsWithTheSameSyntax) {
  struct Case { const char16_t* text; bool ok; Int64 value; } cases[] = {
      {u"4278190335", true, 4278190335LL},   {u"-1", true, -1},
      {u"9223372036854775807", true, INT64_MAX}, {u"-9223372036854775808", true, INT64_MIN},
      {u"9223372036854775808", false, 0},    {u"99999999999999999999", false, 0},
      {u"$FFFFFFFFFFFFFFFF", true, -1},     {u"$1FFFFFFFFFFFFFFFF", false, 0},
      {u"0xFF00", true, 0xFF00},            {u"1e3", false, 0}, {u"", false, 0},
  };
  for (const auto& c : cases) {
    Int64 v = 0;
    EXPECT_EQ(TryStrToInt64(c.text, v), c.ok) << StringToUtf8(c.text);
    if (c.ok) {
      EXPECT_EQ(v, c.value) << StringToUtf8(c.text);
    }
  }
}

TEST(Text, CaseAndTrim) {
  EXPECT_EQ(UpperCase(u"aBc\u00e9"), u"ABC\u00e9");
  EXPECT_EQ(AnsiUpperCase(u"aBc\u00e9\u0444"), u"ABC\u00c9\u0424");
  EXPECT_TRUE(SameText(u"Options.DAT", u"options.dat"));
  EXPECT_FALSE(SameText(u"abc", u"abd"));
  EXPECT_EQ(Trim(u" \t x y \r\n"), u"x y");
  EXPECT_EQ(TrimLeft(u"  a "), u"a ");
  EXPECT_EQ(TrimRight(u"  a "), u"  a");
}
