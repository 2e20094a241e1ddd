// Identifier lists walked without the shell, and the naming rules of shell items.
#include "controls/kvShellCtrls.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// An identifier list of items of the given byte counts (each count includes its 2-byte field).
std::vector<Byte> Pidl(std::vector<uint16_t> counts) {
  std::vector<Byte> bytes;
  for (uint16_t cb : counts) {
    bytes.push_back(Byte(cb));
    bytes.push_back(Byte(cb >> 8));
    bytes.resize(bytes.size() + cb - 2, Byte(0xAB));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}
}  // namespace

TEST(ShellItems, PidlSizesCountEveryItemAndTheTerminator) {
  const std::vector<Byte> two = Pidl({20, 14});
  EXPECT_EQ(GetPIDLSize(two.data()), 36u);
  EXPECT_EQ(NextPIDL(two.data()), two.data() + 20);
  EXPECT_EQ(GetPIDLSize(NextPIDL(two.data())), 16u);
  const std::vector<Byte> empty = Pidl({});
  EXPECT_EQ(GetPIDLSize(empty.data()), 2u);
  EXPECT_EQ(GetPIDLSize(nullptr), 0u);
}

TEST(ShellItems, NumberedNamesLoseTheirQuestionMarks) {
  EXPECT_EQ(StripNumberedQuestionMarks(u"?1 Drive?"), u"1 Drive");
  EXPECT_EQ(StripNumberedQuestionMarks(u"?A Drive?"), u"?A Drive?");
  EXPECT_EQ(StripNumberedQuestionMarks(u"?"), u"?");
  EXPECT_EQ(StripNumberedQuestionMarks(u"Plain"), u"Plain");
}

TEST(ShellItems, ZipFilesAndExtensions) {
  EXPECT_TRUE(HasZipExtension(u"C:\\data\\ARCHIVE.ZIP"));
  EXPECT_TRUE(HasZipExtension(u"a.Zip"));
  EXPECT_FALSE(HasZipExtension(u"a.zipx"));
  EXPECT_FALSE(HasZipExtension(u"C:\\x.zip\\file"));
  EXPECT_EQ(ExtractFileExt(u"C:\\a.b\\c.txt"), u".txt");
  EXPECT_EQ(ExtractFileExt(u"C:\\a.b\\c"), u"");
}

TEST(ShellItems, ExtensionsShownOrHiddenOnRequest) {
  EXPECT_EQ(ApplyShowExtension(u"report.txt", u".txt", seHide), u"report");
  EXPECT_EQ(ApplyShowExtension(u"report", u".txt", seShow), u"report.txt");
  EXPECT_EQ(ApplyShowExtension(u"report.txt", u".txt", seShow), u"report.txt");
  EXPECT_EQ(ApplyShowExtension(u"report", u".txt", seHide), u"report");
  EXPECT_EQ(ApplyShowExtension(u"report", u".txt", seSystem), u"report");
}
