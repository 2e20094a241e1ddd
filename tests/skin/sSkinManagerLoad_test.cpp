// Skin-wide values of a load: the master bitmap (of folder and packed skins), the values of
// "GLOBALINFO", the version check and the skin's fonts.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/kvFontStore.h"
#include "skin/sSkinManagerLoader.h"
#include "support/SkinFiles.h"
#include "ui/SysUtils.h"

using namespace skinfiles;

namespace {

SkinFiles Base(const std::string& version = "16.22") {
  SkinFiles s;
  s.Set("GLOBALINFO", "VERSION", version);
  return s;
}

}  // namespace

TEST(MasterBitmap, APngMasterMakesOpaqueFuchsiaTransparent) {
  auto master = Picture(8, 4, 0xFF123456);
  master->View().At(1, 1) = 0xFFFF00FF;  // opaque fuchsia
  master->View().At(2, 1) = 0x80FF00FF;  // half transparent fuchsia: a colour like any other
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "MASTERBITMAP", "master.png").Png("master.png", *master);
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  TBitmap* m = skin.Set.MasterBitmap.get();
  ASSERT_EQ(m->Width(), 8);
  EXPECT_EQ(m->PixelFormat(), pf32bit);
  EXPECT_EQ(m->View().At(1, 1), 0x00FF00FFu);
  EXPECT_EQ(m->View().At(2, 1), 0x80FF00FFu);
  EXPECT_EQ(m->View().At(0, 0), 0xFF123456u);
  EXPECT_TRUE(m->Transparent());
  EXPECT_EQ(m->TransparentColor(), 0xFF00FFu);
}

TEST(MasterBitmap, A24BitMasterGetsAlpha) {
  auto master = Picture(8, 4, 0x00123456);
  master->View().At(3, 2) = 0x00FF00FF;
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "MASTERBITMAP", "MASTER.BMP").Bmp("MASTER.BMP", *master, true);
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  TBitmap* m = skin.Set.MasterBitmap.get();
  EXPECT_EQ(m->PixelFormat(), pf32bit);
  EXPECT_EQ(m->View().At(0, 0), 0xFF123456u);
  EXPECT_EQ(m->View().At(3, 2), 0x00FF00FFu);  // fuchsia: alpha 0
}

// The entry of a packed skin is found whatever the letter case the value is written in.
TEST(MasterBitmap, APackedMasterIsFoundInAnyCase) {
  auto master = Picture(6, 6, 0xFF0000FF);
  for (const char* value : {"master.png", "MASTER.PNG", "Master.Png"}) {
    SkinFiles f = Base();
    f.Set("GLOBALINFO", "MASTERBITMAP", value).Png("master.png", *master);
    f.Set("BUTTON", "BORDERSMASK", "^0000^0000^0006^0006^0002^0002^0002^0002^1^0^01");
    LoadedSkin skin(f, {96}, LoadedSkin::Packed);
    ASSERT_EQ(skin.Status, slsLoaded) << value;
    EXPECT_EQ(skin.Set.MasterBitmap->Width(), 6) << value;
    EXPECT_NE(skin.Image(u"BUTTON", u"BORDERSMASK"), nullptr) << value;
  }
}

// Names that reach outside the skin folder load nothing: a master bitmap stays empty, its
// images are dropped.
TEST(MasterBitmap, NamesOutsideTheSkinFolderAreNotRead) {
  TempDir outside;
  auto master = Picture(6, 6, 0xFF0000FF);
  const Bytes png = PngOf(*master);
  WriteFile(Join(outside.Path(), "master.png"), png);
  const std::string absolute = StringToUtf8(Join(outside.Path(), "master.png"));
  for (const std::string& value : {absolute, std::string("../master.png"), std::string("C:\\Skins\\master.png"),
                                   std::string("\\\\host\\share\\master.png")}) {
    SkinFiles f = Base();
    f.Set("GLOBALINFO", "MASTERBITMAP", value);
    f.Set("BUTTON", "BORDERSMASK", "^0000^0000^0006^0006^0002^0002^0002^0002^1^0^01");
    LoadedSkin skin(f);
    // The parent of the skin folder holds a master.png too.
    WriteFile(Join(skin.Dir.Path(), "master.png"), png);
    TkvSkinSet again;
    again.Settings = skin.Set.Settings;
    ASSERT_EQ(skin.Manager.LoadSkin(again, {96}), slsLoaded) << value;
    EXPECT_EQ(again.MasterBitmap->Width(), 0) << value;
    EXPECT_EQ(again.MasterBitmap->PixelFormat(), pf32bit) << value;
    const TkvSkinData& d = *again.Slot(0);
    EXPECT_EQ(d.GetMaskIndex(d.GetSkinIndex(u"BUTTON"), u"BORDERSMASK"), -1) << value;
  }
}

TEST(MasterBitmap, ABrokenMasterFileFailsTheLoad) {
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").File("M.PNG", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0});
  TempDir dir;
  f.WriteFolder(dir.Path(), "Broken");
  DuRiruZireziv manager(nullptr);
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Broken");
  EXPECT_THROW(manager.LoadSkin(set, {96}), Exception);
  EXPECT_FALSE(manager.IsActive());
}

TEST(SkinWideValues, GlobalInfo) {
  SkinFiles f = Base("16.5");
  f.Set("GLOBALINFO", "AUTHOR", "Someone").Set("GLOBALINFO", "DESCRIPTION", "A test skin");
  f.Set("GLOBALINFO", "MainFont", "Tahoma").Set("GLOBALINFO", "AEROBLUR", "1");
  f.Set("GLOBALINFO", "BRIGHTMIN", "-20").Set("GLOBALINFO", "BRIGHTMAX", "30");
  f.Set("GLOBALINFO", "BIVALIGN", "1").Set("GLOBALINFO", "BIKEEPHUE", "2");
  f.Set("GLOBALINFO", "SHADOW1COLOR", "0x010203").Set("GLOBALINFO", "DEFLIGHT", "0x040506");
  f.Set("GLOBALINFO", "ARROWSTYLE", "99");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  const TkvSkinCommonInfo& info = skin.Set.SkinCommonInfo;
  EXPECT_EQ(info.Author, u"Someone");
  EXPECT_EQ(info.Description, u"A test skin");
  EXPECT_EQ(info.MainFont, u"Tahoma");
  EXPECT_TRUE(info.UseAeroBluring);
  EXPECT_EQ(info.BrightMin, -20);
  EXPECT_EQ(info.BrightMax, 30);
  EXPECT_EQ(info.BIVAlign, 1);
  EXPECT_EQ(info.BIKeepHUE, 2);
  EXPECT_EQ(info.Shadow1Color, 0x010203u);
  EXPECT_EQ(info.DefLightColor, 0x040506u);
  EXPECT_EQ(info.ArrowStyle, arsDefault);  // beyond the styles: the last one
  EXPECT_DOUBLE_EQ(info.Version, 16.5);
  // The skin data of the slots answer through their skin.
  EXPECT_EQ(skin.Data().BrightMin(), -20);
  EXPECT_EQ(skin.Data().BrightMax(), 30);
  EXPECT_FALSE(skin.Data().Active());  // the manager does not have the skin yet
  skin.Manager.TakeSkin(skin.Set);
  EXPECT_TRUE(skin.Manager.Slot(0)->Active());
  EXPECT_EQ(skin.Manager.GetSkinInfo(), u"16.5");
}

TEST(SkinWideValues, VersionCheck) {
  struct Case {
    const char* version;
    bool designing, preview;
    size_t notices;
    TkvSkinNotice::Kind kind;
  } cases[] = {{"17", false, false, 1, TkvSkinNotice::Warning},
               {"16.99", false, false, 0, {}},
               {"17", false, true, 0, {}},
               {"10.26", false, false, 0, {}},
               {"10.26", true, false, 1, TkvSkinNotice::Plain},
               {"10.27", true, false, 0, {}},
               {"", true, false, 1, TkvSkinNotice::Plain},
               {"nonsense", false, false, 0, {}}};
  for (const auto& c : cases) {
    LoadedSkin skin(Base(c.version), {96}, LoadedSkin::Folder, [&](TkvSkinLoadSettings& s) {
      s.Designing = c.designing;
      s.PreviewMode = c.preview;
    });
    ASSERT_EQ(skin.Status, slsLoaded) << c.version;
    ASSERT_EQ(skin.Set.Notices.size(), c.notices) << c.version;
    if (c.notices) { EXPECT_EQ(skin.Set.Notices[0].kind, c.kind) << c.version; }
  }
  LoadedSkin newer(Base("17"));
  EXPECT_EQ(newer.Set.Notices[0].Text,
            u"This version of the skin (v17.00) has not complete support by used Kavrello package release "
            u"(v16.22).\r\nComponents must be updated to latest version for using this skin.");
  LoadedSkin older(Base("9.5"), {96}, LoadedSkin::Folder, [](TkvSkinLoadSettings& s) { s.Designing = true; });
  EXPECT_EQ(older.Set.Notices[0].Text,
            u"You are using an old version of the \"Fixture\" skin (v9.50). Please, update skins to latest or "
            u"contact the Kavrello support for upgrading of existing skin.\r\n\r\nThis notification occurs in "
            u"design-time only for your information and will not be shown in real-time.");
}

TEST(SkinFonts, FolderSkinFontsLieInTheSkinFolder) {
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "FontCount", "2");
  f.Set("GLOBALINFO", "FontFile0", "first.ttf").Set("GLOBALINFO", "FontName0", "First Sans");
  f.Set("GLOBALINFO", "FontFile1", "second.ttf").Set("GLOBALINFO", "FontName1", "Second Sans");
  f.File("first.ttf", Bytes(300, 0x11));
  // A file of the second name in the current folder is not the skin's.
  const auto here = std::filesystem::current_path();
  TempDir cwd;
  std::filesystem::current_path(std::filesystem::path(std::u16string(cwd.Path())));
  WriteFile(Join(cwd.Path(), "second.ttf"), Bytes(10, 0x22));
  LoadedSkin skin(f);
  std::filesystem::current_path(here);
  ASSERT_EQ(skin.Status, slsLoaded);
  TkvEmbeddedFonts& fonts = *skin.Set.EmbeddedFonts;
  ASSERT_EQ(fonts.Count(), 2);
  EXPECT_EQ(fonts.Items(0)->FileName(), u"first.ttf");
  EXPECT_EQ(fonts.Items(0)->FontName(), u"First Sans");
  EXPECT_EQ(fonts.Items(0)->FontData->GetSize(), 300);
  EXPECT_EQ(fonts.Items(1)->FontData->GetSize(), 0);  // missing: an empty item
  EXPECT_TRUE(fonts.Items(1)->FileName().empty());
}

TEST(SkinFonts, TheFontCountIsAtMostTheFontFiles) {
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "FontCount", "1000000").Set("GLOBALINFO", "FontFile0", "a.ttf");
  f.File("a.ttf", Bytes(4, 1));
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  EXPECT_EQ(skin.Set.EmbeddedFonts->Count(), 1);
  EXPECT_EQ(FileToFontName(skin.Set.SkinFile, u"a.ttf"), u"");

  SkinFiles outside = Base();
  outside.Set("GLOBALINFO", "FontCount", "1").Set("GLOBALINFO", "FontFile0", "..\\a.ttf");
  LoadedSkin escaped(outside);
  WriteFile(Join(escaped.Dir.Path(), "a.ttf"), Bytes(4, 1));
  TkvSkinSet again;
  again.Settings = escaped.Set.Settings;
  ASSERT_EQ(escaped.Manager.LoadSkin(again, {96}), slsLoaded);
  ASSERT_EQ(again.EmbeddedFonts->Count(), 1);
  EXPECT_EQ(again.EmbeddedFonts->Items(0)->FontData->GetSize(), 0);
}

TEST(SkinFonts, PackedSkinFontsAreItsFontFiles) {
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "FontCount", "2").Set("GLOBALINFO", "FontFile0", "x.bin");
  f.Set("GLOBALINFO", "FontFile1", "F.OTF").Set("GLOBALINFO", "FontName1", "Packed Serif");
  f.File("F.OTF", Bytes(50, 3)).File("g.ttf", Bytes(60, 4)).File("x.bin", Bytes(5, 5));
  LoadedSkin skin(f, {96}, LoadedSkin::Packed);
  ASSERT_EQ(skin.Status, slsLoaded);
  TkvEmbeddedFonts& fonts = *skin.Set.EmbeddedFonts;
  ASSERT_EQ(fonts.Count(), 2);  // the font entries, not the other files
  EXPECT_EQ(fonts.Items(0)->FileName(), u"F.OTF");
  EXPECT_EQ(fonts.Items(0)->FontName(), u"Packed Serif");
  EXPECT_EQ(fonts.Items(0)->FontData->GetSize(), 50);
  EXPECT_EQ(fonts.Items(1)->FileName(), u"g.ttf");
  EXPECT_TRUE(fonts.Items(1)->FontName().empty());
}
