// One argument quoted for a Windows command line.
#include "ui/CommandLine.h"

#include <gtest/gtest.h>

#include "ui/SysUtils.h"

TEST(CommandLine, ArgumentsAreQuotedAsTheCommandLineReaderReadsThemBack) {
  struct Case {
    const char16_t* arg;
    const char16_t* quoted;
  } cases[] = {
      {u"C:\\Program Files\\T\\a.mp4", u"\"C:\\Program Files\\T\\a.mp4\""},
      {u"C:\\a & b | c ^ %PATH%\\x.mp4", u"\"C:\\a & b | c ^ %PATH%\\x.mp4\""},
      {u"C:\\dir\\", u"\"C:\\dir\\\\\""},
      {u"a\"b", u"\"a\\\"b\""},
      {u"a\\\"b", u"\"a\\\\\\\"b\""},
      {u"a\\\\b", u"\"a\\\\b\""},
      {u"", u"\"\""},
  };
  for (const auto& c : cases) EXPECT_EQ(QuoteArgument(c.arg), c.quoted) << StringToUtf8(c.arg);
}
