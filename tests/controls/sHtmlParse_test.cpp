// The HTML subset renderer over a fake device (every character 6 pixels wide, 7 when bold; a row
// as high as the font size plus 4): tags, entities, links, row breaks and wrapping as a table of
// snippets, and hostile inputs.
#include "controls/sHtmlParse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Piece {
  String Text;
  TkvHtmlFont Font;
  TRect R;
};

class FakeDevice : public TkvHtmlDevice {
 public:
  TSize Measure(const String& text, const TkvHtmlFont& font) override {
    ++measured;
    return {Integer(text.size()) * (font.Bold ? 7 : 6), font.Size + 4};
  }
  void Draw(const String& text, const TkvHtmlFont& font, const TRect& r) override { Drawn.push_back({text, font, r}); }
  std::vector<Piece> Drawn;
  int measured = 0;
  // The drawn text, rows separated by '|'.
  std::string Rows() const {
    std::string out;
    Integer top = Drawn.empty() ? 0 : Drawn[0].R.Top;
    for (const Piece& p : Drawn) {
      if (p.R.Top != top) out += '|';
      top = p.R.Top;
      for (Char c : p.Text) out += c < 128 ? char(c) : '?';
    }
    return out;
  }
};

struct Layout {
  FakeDevice device;
  std::vector<TkvLink> links;
  TRect size;
};

std::unique_ptr<Layout> LayOut(const String& text, Integer areaRight = 0, Integer hot = -1, Integer pressed = -1) {
  auto l = std::make_unique<Layout>();
  TsHtml html;
  html.Init(&l->device, TkvHtmlFont{}, text, pressed, hot, TRect(0, 0, areaRight, 0));
  l->size = html.HTMLText(l->links, false);
  return l;
}

TEST(HtmlLayout, SnippetsAsRows) {
  struct Case {
    const char16_t* text;
    Integer area;
    const char* rows;
  } cases[] = {
      {u"a<b>b</b>c", 0, "abc"},
      {u"x<<y", 0, "x<y"},
      {u"x<y", 0, "xy"},
      {u"one<br>two<BR/>three<br >four", 0, "one|two|three|four"},
      {u"p1<p>p2</p>p3", 0, "p1|p2|p3"},
      {u"line\r\nsame", 0, "linesame"},
      // A name that matches no row (here "&&nope") leaves its '&' as text; two ampersands
      // without a name are one.
      {u"&copy;&#169;&&&nope; & x", 0, "??&&&nope; & x"},
      {u"a&&b", 0, "a&b"},
      {u"<zz>kept", 0, "<zz>kept"},
      // 18 + 24 fit in 45; the third piece wraps and loses its blank.
      {u"aaa bbb ccc", 45, "aaa bbb|ccc"},
      {u"averyveryverylongword next", 30, "averyveryverylongword| next"},
      {u"c:\\dir\\file", 40, "c:\\|dir\\|file"},  // breaks after each backslash
  };
  for (const Case& c : cases) {
    auto l = LayOut(c.text, c.area);
    EXPECT_EQ(l->device.Rows(), c.rows) << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text));
  }
}

TEST(HtmlLayout, BoldPieceIsMeasuredBold) {
  auto l = LayOut(u"a<b>b</b>c");
  ASSERT_EQ(l->device.Drawn.size(), 3u);
  EXPECT_TRUE(l->device.Drawn[1].Font.Bold);
  EXPECT_FALSE(l->device.Drawn[2].Font.Bold);
  EXPECT_EQ(l->size, TRect(0, 0, 6 + 7 + 6, 14));
}

TEST(HtmlLayout, RowsAreTwoPixelsApart) {
  auto l = LayOut(u"a<br>b<br>c");
  EXPECT_EQ(l->size.Bottom, 3 * 14 + 2 * 2);
  EXPECT_EQ(l->device.Drawn[2].R.Top, 2 * 16);
}

TEST(HtmlLayout, FontAttributes) {
  struct Case {
    const char16_t* tag;
    Integer size;
    TColor color;
  } cases[] = {
      {u"<font color=red size=14>x", 14, 0x0000FF},
      {u"<font color=#FF0000>x", 10, 0x0000FF},
      {u"<font color=ZZZ>x", 10, 0x000000},
      {u"<font size=+2>x", 12, clBlack},
      {u"<font size=abc>x", 8, clBlack},
      {u"<font size=-x>x", 10, clBlack},  // a sign without a number: ignored
      {u"<font size=+99999999>x", kHtmlMaxFontSize, clBlack},
      {u"<font size=-50>x", kHtmlMinFontSize, clBlack},
      {u"<font color=#FFFFFFFFFFFF>x", 10, 0xFFFFFF},  // six digits read
  };
  for (const Case& c : cases) {
    auto l = LayOut(c.tag);
    ASSERT_EQ(l->device.Drawn.size(), 1u);
    EXPECT_EQ(l->device.Drawn[0].Font.Size, c.size);
    EXPECT_EQ(l->device.Drawn[0].Font.Color, c.color);
  }
  auto face = LayOut(u"<font face=\"Courier New\">x</font>y");
  EXPECT_EQ(face->device.Drawn[0].Font.Name, u"COURIER NEW");  // tags are read upper-cased
  EXPECT_EQ(face->device.Drawn[1].Font.Name, u"");
}

TEST(HtmlLayout, LinksRecordTheirAddressAndWrap) {
  auto l = LayOut(u"go <a href=\"http://x.org/A\">here and there</a> now", 60);
  ASSERT_GE(l->links.size(), 2u);
  for (const TkvLink& link : l->links) {
    EXPECT_EQ(link.Ndx, 0);
    EXPECT_EQ(link.URL, u"http://x.org/A");
  }
  EXPECT_NE(l->links[0].Bounds.Top, l->links[1].Bounds.Top);
  auto hot = LayOut(u"<a href='u'>x</a>", 0, 0);
  EXPECT_TRUE(hot->device.Drawn[0].Font.Underline);
  EXPECT_EQ(hot->device.Drawn[0].Font.Color, TColor(0xFF0000));
  auto pressed = LayOut(u"<a href='u'>x</a>", 0, 0, 0);
  EXPECT_EQ(pressed->device.Drawn[0].Font.Color, TColor(0x0000FF));
}

TEST(HtmlLayout, MeasuringOnlyDrawsNothingAndGivesTheSameSize) {
  FakeDevice device;
  TsHtml html;
  html.Init(&device, TkvHtmlFont{}, u"a <b>bold</b> text<br>row two", -1, -1, TRect(0, 0, 50, 0));
  std::vector<TkvLink> links;
  const TRect measured = html.HTMLText(links, true);
  EXPECT_TRUE(device.Drawn.empty());
  auto drawn = LayOut(u"a <b>bold</b> text<br>row two", 50);
  EXPECT_EQ(measured, drawn->size);
}

TEST(HtmlText, PlainTextAndHelpers) {
  EXPECT_EQ(HtmlPlainText(u"a<b>b</b> &amp; <<c"), u"ab & <c");
  EXPECT_EQ(HtmlUpper(u"abc\u00e9\u00f7\u00ff"), u"ABC\u00c9\u00f7\u00ff");
  EXPECT_EQ(ExtractAddress(u"<A HREF = 'http://a/b' >"), u"http://a/b");
  EXPECT_EQ(HtmlEntity(u"trade"), Char(0x2122));
  EXPECT_EQ(HtmlEntity(u"#153"), Char(0x2122));
  EXPECT_EQ(HtmlEntity(u"Auml"), Char(0xE4));  // the first row of that name in any case
  EXPECT_EQ(HtmlEntity(u"#196"), Char(0xC4));
  EXPECT_EQ(HtmlEntity(u"nosuch"), Char(0));
}

// Hostile inputs: deep font nesting, unmatched '<', long entity runs; all in linear time.
TEST(HtmlHostile, DeepNestingAndUnmatchedTagsStayBounded) {
  String nested;
  for (int i = 0; i < 10000; ++i) nested += u"<font size=+1>";
  nested += u"x";
  for (int i = 0; i < 10000; ++i) nested += u"</font>";
  nested += u"y";
  auto l = LayOut(nested);
  ASSERT_EQ(l->device.Drawn.size(), 2u);
  EXPECT_EQ(l->device.Drawn[0].Font.Size, kHtmlMaxFontSize);
  EXPECT_EQ(l->device.Drawn[1].Font.Size, 10);  // every pop matched its push

  // A '<' with no '>' after it is dropped where it stands (a break opportunity: the piece before
  // it is measured once more); the work per '<' is the same for 10^4 of them as for 10^5 (the
  // time: see the layout benchmark).
  auto repeat = [](const String& unit, int n) {
    String s;
    for (int i = 0; i < n; ++i) s += unit;
    return s;
  };
  auto few = LayOut(repeat(u"<x", 10000));
  auto many = LayOut(repeat(u"<x", 100000));
  EXPECT_LE(many->device.measured, 10 * few->device.measured + 10);
  EXPECT_EQ(many->device.Rows(), std::string(100000, 'x'));

  auto amps = LayOut(String(5000, u'&') + u";");
  EXPECT_FALSE(amps->device.Drawn.empty());
  auto lows = LayOut(u"<a href=\"x\"></a></a></a></font></font><p></p>");
  EXPECT_EQ(lows->links.size(), 1u);
}

// Many '<' before one far '>': each is refused as a tag without reading the tag to its end, and
// everything is drawn as text; a FONT or A anywhere before the '>' still makes the first '<' a tag.
TEST(HtmlHostile, ManyUnknownTagsBeforeOneFarClose) {
  String text;
  std::string expected;
  for (int i = 0; i < 20000; ++i) {
    text += u"x<";
    expected += "x<";
  }
  text += u">";
  expected += ">";
  auto far = LayOut(text);
  EXPECT_EQ(far->device.Rows(), expected);
  EXPECT_TRUE(far->links.empty());

  auto link = LayOut(u"x<y a>z");
  EXPECT_EQ(link->device.Rows(), "xz");
  ASSERT_EQ(link->links.size(), 1u);
  auto font = LayOut(u"x<y fOnT size=+1>z");
  EXPECT_EQ(font->device.Rows(), "xz");
  ASSERT_EQ(font->device.Drawn.size(), 2u);
  EXPECT_EQ(font->device.Drawn[1].Font.Size, 11);
  auto closing = LayOut(u"x</y a>z");
  EXPECT_EQ(closing->device.Rows(), "x</y a>z");
  EXPECT_TRUE(closing->links.empty());
}

// The renderer's copy of a long text is kept in blocks: reads, searches and pieces across a
// block's end give what the whole text gives, and tags and entities there still work.
TEST(HtmlSourceText, BlocksReadAsOneText) {
  String text;
  for (size_t i = 0; i < 2 * kHtmlTextBlock + 100; ++i) text += Char(u'a' + i % 26);
  text[kHtmlTextBlock + 5] = u'>';
  THtmlSourceText blocks;
  blocks.Assign(text, text.size() - 10);  // a length shorter than the text is kept
  ASSERT_EQ(blocks.size(), text.size() - 10);
  for (size_t i : {size_t(0), kHtmlTextBlock - 1, kHtmlTextBlock, 2 * kHtmlTextBlock + 89})
    EXPECT_EQ(blocks[i], text[i]);
  EXPECT_EQ(blocks.find(u'>', 3), kHtmlTextBlock + 5);
  EXPECT_EQ(blocks.find(u'>', kHtmlTextBlock + 6), String::npos);
  EXPECT_EQ(blocks.find(text[2 * kHtmlTextBlock + 95], 2 * kHtmlTextBlock + 91), String::npos);  // beyond the length
  EXPECT_EQ(blocks.substr(kHtmlTextBlock - 3, 7), text.substr(kHtmlTextBlock - 3, 7));
  EXPECT_EQ(blocks.substr(10, 3 * kHtmlTextBlock), text.substr(10, text.size() - 20));
  EXPECT_EQ(blocks.substr(blocks.size() + 5, 4), String());
  String out = u"<";
  blocks.AppendTo(out, 2 * kHtmlTextBlock - 1, 2);
  EXPECT_EQ(out, u"<" + text.substr(2 * kHtmlTextBlock - 1, 2));
  blocks.Assign(String(), 0);
  EXPECT_EQ(blocks.size(), 0u);
  EXPECT_EQ(blocks.find(u'a', 0), String::npos);

  // A tag and an entity across a block's end.
  const String lead(kHtmlTextBlock - 2, u'x');
  auto l = LayOut(lead + u"<b>y</b>&amp;z");
  EXPECT_EQ(l->device.Rows(), std::string(kHtmlTextBlock - 2, 'x') + "y&z");
  ASSERT_GE(l->device.Drawn.size(), 3u);
  EXPECT_TRUE(l->device.Drawn[1].Font.Bold);
  EXPECT_FALSE(l->device.Drawn[2].Font.Bold);
}

}  // namespace
