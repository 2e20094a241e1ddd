// The caption of a link window loses its link tags, whatever their case and attributes.
#include <gtest/gtest.h>

#include "ui/SysUtils.h"
#include "wrappers/kvSBUtilsStatics.h"

TEST(LinkCaption, TagsAreStrippedInAnyCase) {
  const struct {
    const char16_t* in;
    const char16_t* out;
  } cases[] = {
      {u"Visit <A>our site</A> now", u"Visit our site now"},
      {u"Visit <a href=\"https://x.test/?q=1>2\">here</a>.", u"Visit here."},
      {u"<a id='help'>Help</A> and <A HREF=\"y\">more</a >", u"Help and more"},
      {u"<a\thref=\"z\">tab</a>", u"tab"},
      {u"no tags at all", u"no tags at all"},
      {u"1 <b>bold</b> <abbr>x</abbr> <a", u"1 <b>bold</b> <abbr>x</abbr> <a"},  // not link tags
      {u"<a href=\"never closed", u"<a href=\"never closed"},
      {u"", u""},
  };
  for (const auto& k : cases) EXPECT_EQ(StripLinkTags(k.in), String(k.out)) << StringToUtf8(k.in);
}
