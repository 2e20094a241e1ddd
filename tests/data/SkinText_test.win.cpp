// The Glimmerveil skin that the build installs beside the program, read with the class
// library's ini reader in the engine's case-sensitive mode: every section and key of
// tools/skin/required-keys.txt is found (through PARENTCLASS, as the engine looks values up),
// at every density, and every picture it names is in the skin folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/InstalledSkin.h"
#include "ui/IniFiles.h"
#include "ui/SysUtils.h"

namespace {

using namespace installed;

// The value of key in section or up its PARENTCLASS chain; "?" when found nowhere.
String FindValue(const TMemIniFile& ini, String section, const String& key) {
  for (int depth = 0; depth < 64 && !section.empty(); ++depth) {
    if (ini.ValueExists(section, key)) return ini.ReadString(section, key, u"?");
    const String parent = ini.ReadString(section, u"PARENTCLASS", String());
    if (parent == section) break;
    section = parent;
  }
  return u"?";
}

class GlimmerveilSkinText : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FileThere(SkinFolder() + u"Options.dat")) << "the build installs the skin beside the program";
    ini_ = std::make_unique<TMemIniFile>(SkinFolder() + u"Options.dat", true);
  }
  std::unique_ptr<TMemIniFile> ini_;
};

TEST_F(GlimmerveilSkinText, EveryRequiredKeyIsFoundAtEveryDensity) {
  const std::vector<Required> required = ReadRequired();
  ASSERT_GT(required.size(), 90u);
  for (const Required& r : required) {
    const String section = Utf8ToString(r.section);
    ASSERT_TRUE(ini_->SectionExists(section)) << r.section;
    if (r.kind == "section") continue;
    const int densities = r.kind == "value" ? 1 : 4;
    for (int d = 0; d < densities; ++d) {
      const String key = Utf8ToString(r.key + kSuffixes[d]);
      const String value = FindValue(*ini_, section, key);
      ASSERT_NE(value, u"?") << r.section << " " << r.key << kSuffixes[d];
      if (r.kind == "scaled") {
        Integer n = 0;
        EXPECT_TRUE(TryStrToInt(value, n)) << r.section << " " << r.key << kSuffixes[d];
      }
      if (r.kind == "image") {
        // "!FILE!..." as the engine reads it: upper-cased, the file is the first field.
        const String upper = UpperCase(value);
        ASSERT_EQ(upper[0], u'!') << r.section << " " << r.key;
        const String file = upper.substr(1, upper.find(u'!', 1) - 1);
        EXPECT_TRUE(FileThere(SkinFolder() + file)) << StringToUtf8(file);
      }
    }
  }
}

TEST_F(GlimmerveilSkinText, VersionIsOneTheEngineTakesWithoutWarning) {
  const std::string version = StringToUtf8(ini_->ReadString(u"GLOBALINFO", u"VERSION", u"0"));
  const double v = std::stod(version);
  EXPECT_GT(v, 10.26);
  EXPECT_LE(v, 16.99);
  // Names are matched exactly: the skin writes its sections and keys in upper case, and the
  // case-sensitive reader does not find them otherwise.
  EXPECT_FALSE(ini_->SectionExists(u"globalinfo"));
  EXPECT_FALSE(ini_->ValueExists(u"GLOBALINFO", u"version"));
}

}  // namespace
