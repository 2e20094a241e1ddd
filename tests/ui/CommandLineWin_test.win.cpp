// Quoted arguments read back by the system's own command-line reader.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <memory>

#include "ui/CommandLine.h"
#include "ui/SysUtils.h"

TEST(CommandLine, TheSystemsReaderGivesBackEveryArgumentAsItWas) {
  const String args[] = {
      u"C:\\Program Files\\T\\a.mp4", u"C:\\dir\\", u"a\"b", u"a\\\"b", u"a\\\\b\\\\", u"", u"tab\there", u"\"",
      u"\\\\server\\share\\"};
  String line = u"prog.exe";
  for (const String& a : args) line += u" " + QuoteArgument(a);
  int count = 0;
  struct FreeArgs {
    void operator()(LPWSTR* p) const { LocalFree(p); }
  };
  const std::unique_ptr<LPWSTR, FreeArgs> argv(CommandLineToArgvW(reinterpret_cast<LPCWSTR>(line.c_str()), &count));
  ASSERT_TRUE(argv);
  ASSERT_EQ(count, int(std::size(args)) + 1);
  for (size_t i = 0; i < std::size(args); ++i) {
    EXPECT_EQ(String(reinterpret_cast<const Char*>(argv.get()[i + 1])), args[i]) << StringToUtf8(args[i]);
  }
}
