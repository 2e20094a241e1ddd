#include "sVclUtils.h"

#include <gtest/gtest.h>

TEST(GetPlainText, StripsTagsAndConvertsBreaks) {
  struct Case { const char16_t* html; bool breaks; const char16_t* plain; } cases[] = {
      {u"a<b>b</b>c<BR>d", true, u"abc\r\nd"},
      {u"a<b>b</b>c<BR>d", false, u"abcd"},
      {u"x<br/>y", true, u"xy"},             // a self-closing break leaves nothing
      {u"x<Br>y<bR>", true, u"x\r\ny\r\n"},
      {u"line1\r\nline2\n", true, u"line1line2"},  // source line breaks are dropped
      {u"a<b<c>d", true, u"ad"},             // '<' inside a tag does not nest
      {u"keep<unclosed tag", true, u"keep"},
      {u"a > b", true, u"a > b"},
      {u"", true, u""},
      {u"<br>", true, u"\r\n"},
      {u"< br>", true, u""},
      {u"a<\r\n>b", true, u"ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetPlainText(c.html, c.breaks), c.plain) << StringToUtf8(c.html);
}
