#include "ui/IniFiles.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/TempDir.h"

namespace {

std::unique_ptr<TMemIniFile> Parse(StringView text, bool caseSensitive) {
  TStringList lines;
  lines.SetText(text);
  auto ini = std::make_unique<TMemIniFile>(String(), caseSensitive);
  ini->SetStrings(lines);
  return ini;
}

std::vector<String> Lines(const TStringList& sl) {
  std::vector<String> v;
  for (Integer i = 0; i < sl.Count(); ++i) v.push_back(sl[i]);
  return v;
}

constexpr StringView kSkin =
    u"; comment\n"
    u"ignored=before any section\n"
    u"[GLOBALINFO]\n"
    u"  VERSION = 16.22  \n"
    u"Scrollswidth=0x10\n"
    u"HEX=$FF\n"
    u"BAD=12a\n"
    u"\n"
    u"[BUTTON]\n"
    u"COLOR=15790320\n"
    u"COLOR=1\n"
    u"PARENTCLASS=\n"
    u"[ button ]\n"
    u"GLOW=3\n"
    u"[BUTTON]\n"
    u"TRANSPARENCY=40\n"
    u"novalue line\n";

}  // namespace

TEST(MemIniFile, ParsesLinesTrimsAndSkipsComments) {
  auto owned = Parse(kSkin, true);
  TMemIniFile& ini = *owned;
  EXPECT_EQ(ini.ReadString(u"GLOBALINFO", u"VERSION", u"?"), u"16.22");
  EXPECT_EQ(ini.ReadString(u"GLOBALINFO", u"ignored", u"?"), u"?");
  EXPECT_EQ(ini.ReadInteger(u"GLOBALINFO", u"Scrollswidth", -1), 16);
  EXPECT_EQ(ini.ReadInteger(u"GLOBALINFO", u"HEX", -1), 255);
  EXPECT_EQ(ini.ReadInteger(u"GLOBALINFO", u"BAD", -1), -1);
  EXPECT_EQ(ini.ReadInteger(u"GLOBALINFO", u"MISSING", -2), -2);
  EXPECT_EQ(ini.ReadString(u"BUTTON", u"PARENTCLASS", u"?"), u"");  // present and empty
  EXPECT_TRUE(ini.ValueExists(u"BUTTON", u"PARENTCLASS"));
  EXPECT_FALSE(ini.ValueExists(u"BUTTON", u"novalue line"));
}

TEST(MemIniFile, CaseSensitiveModeMatchesExactly) {
  auto owned = Parse(kSkin, true);
  TMemIniFile& ini = *owned;
  EXPECT_EQ(ini.ReadString(u"GLOBALINFO", u"SCROLLSWIDTH", u"?"), u"?");
  EXPECT_EQ(ini.ReadString(u"globalinfo", u"VERSION", u"?"), u"?");
  EXPECT_EQ(ini.ReadInteger(u"button", u"GLOW", 0), 3);  // "[ button ]" is its own section
  EXPECT_EQ(ini.ReadInteger(u"BUTTON", u"GLOW", 0), 0);
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(Lines(sections), (std::vector<String>{u"GLOBALINFO", u"BUTTON", u"button"}));
}

TEST(MemIniFile, DefaultModeIgnoresCase) {
  auto owned = Parse(kSkin, false);
  TMemIniFile& ini = *owned;
  EXPECT_EQ(ini.ReadInteger(u"globalinfo", u"SCROLLSWIDTH", -1), 16);
  // "[ button ]" continues "[BUTTON]" when case does not count.
  EXPECT_EQ(ini.ReadInteger(u"Button", u"glow", 0), 3);
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(Lines(sections), (std::vector<String>{u"GLOBALINFO", u"BUTTON"}));
}

TEST(MemIniFile, RepeatedSectionsContinueAndTheFirstKeyWins) {
  auto owned = Parse(kSkin, true);
  TMemIniFile& ini = *owned;
  EXPECT_EQ(ini.ReadInteger(u"BUTTON", u"COLOR", 0), 15790320);
  EXPECT_EQ(ini.ReadInteger(u"BUTTON", u"TRANSPARENCY", 0), 40);  // from the second [BUTTON]
  TStringList keys;
  ini.ReadSection(u"BUTTON", keys);
  EXPECT_EQ(Lines(keys), (std::vector<String>{u"COLOR", u"COLOR", u"PARENTCLASS", u"TRANSPARENCY"}));
  TStringList values;
  ini.ReadSectionValues(u"BUTTON", values);
  EXPECT_EQ(values.Count(), 5);
  EXPECT_EQ(values[4], u"novalue line");
}

TEST(MemIniFile, WritesEditsAndSavesToItsFile) {
  TempDir dir;
  String name = dir.Path() + u"/Options.dat";
  {
    TMemIniFile ini(name);
    EXPECT_FALSE(ini.SectionExists(u"A"));
    ini.WriteString(u"A", u"k", u"v");
    ini.WriteInteger(u"A", u"n", -5);
    ini.WriteBool(u"B", u"flag", true);
    ini.WriteString(u"A", u"K", u"v2");  // same key, other case: replaced
    ini.WriteString(u"A", u"empty", u"");
    ini.UpdateFile();
  }
  TMemIniFile back(name);
  EXPECT_EQ(back.ReadString(u"a", u"k", u""), u"v2");
  EXPECT_EQ(back.ReadInteger(u"A", u"n", 0), -5);
  EXPECT_TRUE(back.ReadBool(u"B", u"flag", false));
  EXPECT_FALSE(back.ReadBool(u"B", u"other", false));
  EXPECT_TRUE(back.ValueExists(u"A", u"empty"));
  back.DeleteKey(u"A", u"k");
  EXPECT_FALSE(back.ValueExists(u"A", u"k"));
  back.EraseSection(u"A");
  EXPECT_FALSE(back.SectionExists(u"A"));
  EXPECT_TRUE(back.SectionExists(u"B"));
  TStringList all;
  back.GetStrings(all);
  EXPECT_EQ(Lines(all), (std::vector<String>{u"[B]", u"flag=1"}));
  back.Rename(dir.Path() + u"/none.dat", true);
  EXPECT_FALSE(back.SectionExists(u"B"));
}
