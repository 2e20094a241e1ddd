#include "skin/sVclUtils.h"

#include <gtest/gtest.h>

TEST(GetPlainText, StripsTagsAndConvertsBreaks) {
  struct Case {
    const char16_t* html;
    bool breaks;
    const char16_t* plain;
  } cases[] = {
      {u"a<b>b</b>c<BR>d", true, u"abc\r\nd"},
      {u"a<b>b</b>c<BR>d", false, u"abcd"},
      {u"x<br/>y", true, u"xy"},  // a self-closing break leaves nothing
      {u"x<Br>y<bR>", true, u"x\r\ny\r\n"},
      {u"line1\r\nline2\n", true, u"line1line2"},  // source line breaks are dropped
      {u"a<b<c>d", true, u"ad"},                   // '<' inside a tag does not nest
      {u"keep<unclosed tag", true, u"keep"},
      {u"a > b", true, u"a > b"},
      {u"", true, u""},
      {u"<br>", true, u"\r\n"},
      {u"< br>", true, u""},
      {u"a<\r\n>b", true, u"ab"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetPlainText(c.html, c.breaks), c.plain) << StringToUtf8(c.html);
}

TEST(Alignment, FromDrawTextFlags) {
  // DT_CENTER 1, DT_RIGHT 2, DT_VCENTER 4, DT_BOTTOM 8, DT_SINGLELINE 0x20.
  struct Case {
    Cardinal flags;
    TAlignment h;
    TVerticalAlignment v;
  } cases[] = {
      {0x00, taLeftJustify, taAlignTop},        {0x01, taCenter, taAlignTop},
      {0x02, taRightJustify, taAlignTop},       {0x03, taRightJustify, taAlignTop},
      {0x04, taLeftJustify, taVerticalCenter},  {0x08, taLeftJustify, taAlignBottom},
      {0x0C, taLeftJustify, taAlignBottom},     {0x25, taCenter, taVerticalCenter},
      {0xFFFFFFF0u, taLeftJustify, taAlignTop},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AlignmentFromInt(c.flags), c.h) << c.flags;
    EXPECT_EQ(VertAlignmentFromInt(c.flags), c.v) << c.flags;
  }
  for (TAlignment a : {taLeftJustify, taRightJustify, taCenter}) {
    EXPECT_EQ(BidiAlign[0][a], a);
    EXPECT_EQ(AlignmentFromInt(AlignToInt[a]), a);  // the two tables agree
  }
  EXPECT_EQ(BidiAlign[1][taLeftJustify], taRightJustify);
  EXPECT_EQ(BidiAlign[1][taRightJustify], taLeftJustify);
  EXPECT_EQ(BidiAlign[1][taCenter], taCenter);
}
