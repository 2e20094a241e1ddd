// The label's ellipsis shortening of a wrapped caption, with a measure of one unit per
// character wrapped at a fixed width: what is kept, where the cut falls, and that a surrogate
// pair is never split.
#include <gtest/gtest.h>

#include "controls/sLabel.h"

namespace {

// Lines of `width` characters, each line 10 high; an empty text is one line.
Integer WrappedHeight(const String& text, Integer width) {
  const Integer lines = text.empty() ? 1 : Integer((text.size() + size_t(width) - 1) / size_t(width));
  return lines * 10;
}

struct Case {
  const char* name;
  String text;
  Integer width, limit;
  String expected;
};

TEST(LabelEllipsis, ShortensWordByWordUntilTheTextAndTheDotsFit) {
  const Case cases[] = {
      {"fits: kept as it is, no dots", u"one two three", 20, 10, u"one two three"},
      {"one word too many", u"alpha beta gamma", 12, 10, u"alpha..."},
      {"two lines allowed", u"alpha beta gamma delta", 10, 20, u"alpha beta gamma..."},
      {"a tab counts as a blank", u"alpha\tbeta gamma", 9, 10, u"alpha..."},
      {"no blank: characters go one by one", u"abcdefghijkl", 8, 10, u"abcde..."},
      {"the first word alone is too long", u"abcdefghij klm", 6, 10, u"abc..."},
      {"a blank at the start empties the text", u" abcdefgh", 4, 10, u"..."},
  };
  for (const Case& c : cases) {
    int measured = 0;
    const String got = ShortenWithEllipsis(c.text, c.limit, [&](const String& t) {
      ++measured;
      return WrappedHeight(t, c.width);
    });
    EXPECT_EQ(got, c.expected) << c.name;
    EXPECT_LE(measured, Integer(c.text.size()) + 1) << c.name;  // one measure per cut at most
  }
}

TEST(LabelEllipsis, ASurrogatePairIsCutWhole) {
  // "ab", then U+1F600 (a surrogate pair: the third and fourth unit), then "cde".
  const String text = u"ab\U0001F600cde";
  ASSERT_EQ(text.size(), 7u);
  // Lines of 6: "ab" + pair + "..." (7) is too long; half the pair + "..." (6) would fit.
  const String got = ShortenWithEllipsis(text, 10, [](const String& t) { return WrappedHeight(t, 6); });
  EXPECT_EQ(got, u"ab...");
  // Lines of 7 keep the pair whole.
  const String longer = u"ab\U0001F600cdefgh";
  EXPECT_EQ(ShortenWithEllipsis(longer, 10, [](const String& t) { return WrappedHeight(t, 7); }), u"ab\U0001F600...");
}

}  // namespace
