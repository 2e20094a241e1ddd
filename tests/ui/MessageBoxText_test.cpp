// The text a message box gives on Ctrl+C, compared with what the system's box gives for the
// same caption, text and buttons (copied from Windows' own boxes, written out here in full).
#include <gtest/gtest.h>

#include "ui/MessageBoxText.h"
#include "ui/SysUtils.h"

TEST(MessageBoxTextTest, LayoutIsTheSystemBoxsForOneTwoAndThreeButtons) {
  struct Case {
    const char16_t* caption;
    const char16_t* text;
    std::vector<String> buttons;
    const char16_t* expected;
  } cases[] = {
      {u"Tarnwick",
       u"解析成功，可以下载了！",
       {u"OK"},
       u"---------------------------\r\n"
       u"Tarnwick\r\n"
       u"---------------------------\r\n"
       u"解析成功，可以下载了！\r\n"
       u"---------------------------\r\n"
       u"OK   \r\n"
       u"---------------------------\r\n"},
      {u"Warning",
       u"Delete the file?",
       {u"OK", u"Cancel"},
       u"---------------------------\r\n"
       u"Warning\r\n"
       u"---------------------------\r\n"
       u"Delete the file?\r\n"
       u"---------------------------\r\n"
       u"OK   Cancel   \r\n"
       u"---------------------------\r\n"},
      {u"Confirm",
       u"Save changes?",
       {u"&Yes", u"&No", u"Cancel"},
       u"---------------------------\r\n"
       u"Confirm\r\n"
       u"---------------------------\r\n"
       u"Save changes?\r\n"
       u"---------------------------\r\n"
       u"Yes   No   Cancel   \r\n"
       u"---------------------------\r\n"},
      // The text's own line breaks stay; an empty caption still has its line.
      {u"",
       u"line one\nline two",
       {u"&Abort", u"&Retry", u"&Ignore"},
       u"---------------------------\r\n"
       u"\r\n"
       u"---------------------------\r\n"
       u"line one\nline two\r\n"
       u"---------------------------\r\n"
       u"Abort   Retry   Ignore   \r\n"
       u"---------------------------\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MessageBoxCopyText(c.caption, c.text, c.buttons), String(c.expected)) << StringToUtf8(c.text);
  }
}

TEST(MessageBoxTextTest, AccessKeyMarksAreNotCopied) {
  struct Case {
    const char16_t* caption;
    const char16_t* expected;
  } cases[] = {
      {u"OK", u"OK"},
      {u"&Yes", u"Yes"},
      {u"N&o to All", u"No to All"},
      {u"Save && Close", u"Save & Close"},
      {u"&&&Help", u"&Help"},
      {u"End&", u"End"},
      {u"", u""},
  };
  for (const Case& c : cases) { EXPECT_EQ(StripAccessKeys(c.caption), String(c.expected)) << StringToUtf8(c.caption); }
}
