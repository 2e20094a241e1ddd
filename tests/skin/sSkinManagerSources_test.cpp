// Where a skin comes from: the skin folder rules, names of skin files kept inside the skin
// folder, the packed skin reader (round trip and hostile files), the preview block, and the
// choice between folder, packed file and internal skins.
#include <gtest/gtest.h>

#include "skin/sSkinManager.h"
#include "support/PngWriter.h"
#include "support/SkinFiles.h"
#include "support/TempDir.h"
#include "ui/IniFiles.h"
#include "ui/StringList.h"
#include "ui/SysUtils.h"

using namespace skinfiles;

namespace {

std::string Text(const TMemoryStream& s) { return std::string(s.Bytes().begin(), s.Bytes().end()); }

}  // namespace

TEST(SkinFolder, FullSkinDirectoryResolvesAgainstTheProgramFolder) {
  const String app = u"C:\\App\\";
  struct Case {
    const char16_t* dir;
    const char16_t* full;
  } cases[] = {
      {u"..\\Skins", u"C:\\Skins\\"},
      {u".\\Skins", u"C:\\App\\Skins\\"},
      {u"./Skins", u"C:\\App\\Skins\\"},
      {u"Skins", u"C:\\App\\Skins\\"},
      {u".", u"C:\\App\\"},
      {u"", u"C:\\App\\"},
      {u"D:\\Skins", u"D:\\Skins\\"},
      {u"D:\\Skins\\", u"D:\\Skins\\"},
      {u"D:\\Skins/", u"D:\\Skins\\"},
      {u"\\\\server\\share\\Skins", u"\\\\server\\share\\Skins\\"},
  };
  for (const auto& c : cases) {
    // The trailing separator is the system's; the rest stays as written.
    String expected = c.full;
    expected.back() = kvPathDelim;
    EXPECT_EQ(FullSkinDirectory(c.dir, app), expected) << StringToUtf8(c.dir);
  }
}

TEST(SkinFolder, FileNamesStayInsideTheSkinFolder) {
  const String folder = u"/skins/Tiny/";
  EXPECT_EQ(SkinFilePath(folder, u"BUTTON.PNG"), folder + u"BUTTON.PNG");
  EXPECT_EQ(SkinFilePath(folder, u"IMG\\BUTTON.PNG"), folder + u"IMG" + kvPathDelim + u"BUTTON.PNG");
  EXPECT_EQ(SkinFilePath(folder, u"a..b.png"), folder + u"a..b.png");  // dots inside a name are no parent folder
  // Names that could reach outside: drive letters, any ":", rooted and UNC names, parent folders.
  for (const char16_t* outside :
       {u"C:\\Skins\\master.bmp", u"c:master.bmp", u"..\\master.bmp", u"../master.bmp", u"IMG\\..\\..\\x.png",
        u"\\\\host\\share\\x.png", u"\\x.png", u"/etc/passwd", u"a:b.png", u"", u"IMG/.."})
    EXPECT_EQ(SkinFilePath(folder, outside), String()) << StringToUtf8(outside);
}

TEST(PackedSkin, FileKindsByExtension) {
  struct Case {
    const char16_t* name;
    TkvFileType type;
  } cases[] = {{u"a.bmp", ftBmp},   {u"f.ttf", ftFont},      {u"f.OTF", ftFont}, {u"x.png", ftOther},
               {u"noext", ftOther}, {u"a.bmp.png", ftOther}, {u"A.BMP", ftBmp}};
  for (const auto& c : cases) EXPECT_EQ(FileTypeOf(c.name), c.type) << StringToUtf8(c.name);
}

TEST(PackedSkin, BoyerMooreHorspoolFindsTheFirstOccurrence) {
  struct Case {
    std::string p, s;
    Integer start, pos;
  } cases[] = {{"previewimg", "xxpreviewimgyy", 1, 3},
               {"abc", "abcabc", 1, 1},
               {"abc", "abcabc", 2, 4},
               {"abc", "ababab", 1, 0},
               {"c", "abc", 1, 3},
               {"abc", "ab", 1, 0},
               {"aab", "aaab", 1, 2},
               {"x", "", 1, 0},
               {"abcd", "zzzabcd", 1, 4}};
  for (const auto& c : cases) EXPECT_EQ(BMSearch(c.start, c.p, c.s), c.pos) << c.p << " in " << c.s;
}

TEST(PackedSkin, PackedFilesRoundTrip) {
  SkinFiles skin;
  skin.Set("GLOBALINFO", "VERSION", "16.22").Set("BUTTON", "COLOR", "0x112233");
  skin.File("a.bmp", {1, 2, 3}).File("f.ttf", Bytes(5000, 7)).File("x.png", {}).File("F.OTF", {9});
  TkvSkinConvertor sc;
  sc.PackedData = std::make_unique<TMemoryStream>();
  const Bytes packed = skin.Packed();
  sc.PackedData->WriteBuffer(packed.data(), Integer(packed.size()));
  std::vector<TkvSkinNotice> notices;
  ASSERT_TRUE(ExtractPackedData(sc, &notices));
  EXPECT_TRUE(notices.empty());
  ASSERT_NE(sc.Options, nullptr);
  EXPECT_EQ(Text(*sc.Options), skin.OptionsText());
  ASSERT_EQ(sc.FileCount, 4);
  ASSERT_EQ(sc.Files.size(), 4u);
  const TkvFileType types[] = {ftBmp, ftFont, ftOther, ftFont};
  const char16_t* names[] = {u"a.bmp", u"f.ttf", u"x.png", u"F.OTF"};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(sc.Files[i].Name, names[i]);
    EXPECT_EQ(sc.Files[i].FileType, types[i]);
  }
  EXPECT_EQ(sc.Files[1].Stream->Bytes(), Bytes(5000, 7));
  EXPECT_EQ(sc.Files[2].Stream->GetSize(), 0);
  EXPECT_EQ(sc.FindFile(u"F.TTF"), &sc.Files[1]);  // names compare upper-cased
  EXPECT_EQ(sc.FindFile(u"f.ttf"), nullptr);       // the name looked for is written upper-case
}

TEST(PackedSkin, TheOptionsEntryIsFoundInAnyCase) {
  const Bytes packed = PackEntries({{"options.DAT", {'[', 'A', ']'}}, {"b.bmp", {1}}});
  TkvSkinConvertor sc;
  sc.PackedData = std::make_unique<TMemoryStream>();
  sc.PackedData->WriteBuffer(packed.data(), Integer(packed.size()));
  ASSERT_TRUE(ExtractPackedData(sc, nullptr));
  ASSERT_NE(sc.Options, nullptr);
  EXPECT_EQ(Text(*sc.Options), "[A]");
  EXPECT_EQ(sc.FileCount, 1);
}

// Counts, name lengths and sizes are checked; a file that breaks any rule gives nothing.
TEST(PackedSkin, HostileFilesAreRefusedWhole) {
  const Bytes options{'[', 'G', ']'};
  const Bytes good = testpng::ZlibCompress(options);
  Bytes damaged = good;
  damaged[damaged.size() / 2] ^= 0x5A;
  damaged[damaged.size() - 1] ^= 0x01;  // the checksum no longer agrees
  Bytes truncated(good.begin(), good.end() - 3);
  struct Case {
    const char* what;
    Bytes file;
  } cases[] = {
      {"no entries", PackEntries({}, 0)},
      {"count beyond the data", PackEntries({{"Options.dat", options}}, 2)},
      {"count far beyond the data", PackEntries({{"Options.dat", options}}, 0x7FFFFFFF)},
      {"negative count", PackEntries({{"Options.dat", options}}, -5)},
      {"empty name", PackEntries({{"", options}})},
      {"name of 256 bytes", PackEntries({{std::string(256, 'a'), options}})},
      {"negative name length", PackEntries({{"Options.dat", options, std::nullopt, {}, -7}})},
      {"name beyond the data", PackEntries({{"Options.dat", options, std::nullopt, {}, 100000}})},
      {"size larger than the data", PackEntries({{"Options.dat", options, 10}})},
      {"size smaller than the data", PackEntries({{"Options.dat", options, 2}})},
      {"negative size", PackEntries({{"Options.dat", options, -3}})},
      {"size above the entry limit", PackEntries({{"Options.dat", options, (int64_t(64) << 20) + 1}})},
      {"damaged stream", PackEntries({{"Options.dat", options, std::nullopt, damaged}})},
      {"stream cut short", PackEntries({{"Options.dat", options, std::nullopt, truncated}})},
      {"second entry broken", PackEntries({{"Options.dat", options}, {"a.bmp", {1, 2}, 3}})},
      {"header only", Bytes{'T', 'w', 'S', 'k'}},
  };
  for (const auto& c : cases) {
    TkvSkinConvertor sc;
    sc.PackedData = std::make_unique<TMemoryStream>();
    if (!c.file.empty()) sc.PackedData->WriteBuffer(c.file.data(), Integer(c.file.size()));
    EXPECT_FALSE(ExtractPackedData(sc, nullptr)) << c.what;
    EXPECT_EQ(sc.Options, nullptr) << c.what;
    EXPECT_TRUE(sc.Files.empty()) << c.what;
    EXPECT_EQ(sc.FileCount, 0) << c.what;
  }
}

TEST(PackedSkin, DataThatIsNoPackedSkinSaysSo) {
  for (const Bytes& file :
       {Bytes{}, Bytes{'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0}, PackEntries({{"Options.dat", {1}}}, std::nullopt, "KPZ!")}) {
    TkvSkinConvertor sc;
    sc.PackedData = std::make_unique<TMemoryStream>();
    if (!file.empty()) sc.PackedData->WriteBuffer(file.data(), Integer(file.size()));
    std::vector<TkvSkinNotice> notices;
    EXPECT_FALSE(ExtractPackedData(sc, &notices));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].kind, TkvSkinNotice::Error);
    EXPECT_EQ(notices[0].Text, u"Loaded data is not a packed Velloran file");
  }
}

TEST(PackedSkin, EntryNamesAreKeysNeverPaths) {
  // A name that would climb out of any folder is only a key the skin's references can name.
  TempDir dir;
  SkinFiles skin;
  skin.Set("GLOBALINFO", "VERSION", "16.22");
  skin.Set("BUTTON", "BORDERSMASK", "!../../ESCAPE.BMP!1!0!0!0001!0001!0001!0001!1");
  auto red = Picture(6, 6, 0xFFFF0000);
  skin.Bmp("../../escape.bmp", *red);
  skin.WritePacked(dir.Path(), "Keys");
  DuRiruZireziv manager(nullptr);
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Keys");
  ASSERT_EQ(manager.LoadSkin(set, {96}), slsLoaded);
  const TkvSkinData* data = set.Slot(0);
  const Integer button = data->GetSkinIndex(u"BUTTON");
  const Integer image = data->GetMaskIndex(button, u"BORDERSMASK");
  ASSERT_GE(image, 0);
  EXPECT_EQ(data->ma[size_t(image)].Bmp->Width(), 6);
  EXPECT_TRUE(ReadFile(Join(dir.Path(), "../escape.bmp")).empty());
}

TEST(PackedSkin, PreviewBlock) {
  const Bytes picture{0x89, 'P', 'N', 'G', 1, 2, 3};
  Bytes file = PackEntries({{"Options.dat", {'[', 'A', ']'}}});
  const Bytes block = PreviewBlock(picture);
  file.insert(file.end(), block.begin(), block.end());
  const Bytes second = PreviewBlock(Bytes{9, 9});
  file.insert(file.end(), second.begin(), second.end());
  TMemoryStream src, out;
  src.WriteBuffer(file.data(), Integer(file.size()));
  ASSERT_TRUE(GetPreviewStream(out, src));
  EXPECT_EQ(out.Bytes(), picture);  // the first marker wins
  EXPECT_EQ(out.GetPosition(), 0);

  TempDir dir;
  WriteFile(Join(dir.Path(), "p.kpz"), file);
  TMemoryStream fromFile;
  ASSERT_TRUE(GetPreviewStream(fromFile, Join(dir.Path(), "p.kpz")));
  EXPECT_EQ(fromFile.Bytes(), picture);
  EXPECT_FALSE(GetPreviewStream(fromFile, Join(dir.Path(), "missing.kpz")));
}

TEST(PackedSkin, APreviewCountOutOfRangeGivesNoPreview) {
  const Bytes picture{1, 2, 3, 4};
  for (int64_t count : {int64_t(-1), int64_t(-100), int64_t(5), int64_t(0x7FFFFFFF), int64_t(0x80000000)}) {
    Bytes file = PackEntries({{"Options.dat", {'[', 'A', ']'}}});
    const Bytes block = PreviewBlock(picture, count);
    file.insert(file.end(), block.begin(), block.end());
    TMemoryStream src, out;
    src.WriteBuffer(file.data(), Integer(file.size()));
    out.WriteBuffer("keep", 4);
    EXPECT_FALSE(GetPreviewStream(out, src)) << count;
    EXPECT_EQ(Text(out), "keep") << count;  // left alone
  }
  // A marker at the very end, without its count.
  TMemoryStream src, out;
  src.WriteBuffer("xxpreviewimg\x01", 13);
  EXPECT_FALSE(GetPreviewStream(out, src));
  TMemoryStream none;
  none.WriteBuffer("no marker here", 14);
  EXPECT_FALSE(GetPreviewStream(out, none));
}

// ---- choosing the source ---------------------------------------------------------------------------

namespace {

SkinFiles Minimal(const std::string& colour) {
  SkinFiles s;
  s.Set("GLOBALINFO", "VERSION", "16.22").Set("GLOBALINFO", "COLOR", colour);
  s.Set("BUTTON", "COLOR", colour);
  return s;
}

TColor ButtonColor(const TkvSkinSet& set) {
  const TkvSkinData* d = set.Slot(0);
  return TColor(d->gd[size_t(d->GetSkinIndex(u"BUTTON"))].Props[0].Color);
}

}  // namespace

TEST(SkinSources, AFolderSkinWinsOverThePackedFile) {
  TempDir dir;
  Minimal("0x000011").WriteFolder(dir.Path(), "Both");
  Minimal("0x000022").WritePacked(dir.Path(), "Both");
  DuRiruZireziv manager(nullptr);
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Both");
  ASSERT_EQ(manager.LoadSkin(set, {96}), slsLoaded);
  EXPECT_FALSE(set.SkinIsPacked);
  EXPECT_EQ(ButtonColor(set), 0x000011u);
  EXPECT_EQ(set.SkinCommonInfo.SkinPath, set.Settings.SkinDirectory + u"Both" + kvPathDelim);

  TkvSkinSet packed;
  packed.Settings = SettingsFor(dir.Path(), "Both");
  WriteFile(Join(dir.Path(), "Both/Options.dat"), {});  // an empty folder skin is still the folder skin
  ASSERT_EQ(manager.LoadSkin(packed, {96}), slsLoaded);
  EXPECT_FALSE(packed.SkinIsPacked);
}

TEST(SkinSources, APackedSkinAlone) {
  TempDir dir;
  Minimal("0x000022").WritePacked(dir.Path(), "Packed");
  DuRiruZireziv manager(nullptr);
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Packed");
  ASSERT_EQ(manager.LoadSkin(set, {96}), slsLoaded);
  EXPECT_TRUE(set.SkinIsPacked);
  ASSERT_NE(set.sc, nullptr);
  EXPECT_EQ(ButtonColor(set), 0x000022u);
}

TEST(SkinSources, ABrokenPackedFileIsAFormatErrorWithItsMessages) {
  TempDir dir;
  WriteFile(Join(dir.Path(), "Broken.kpz"), {'n', 'o', 'p', 'e'});
  DuRiruZireziv manager(nullptr);
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Broken");
  EXPECT_EQ(manager.LoadSkin(set, {96}), slsFormatError);
  ASSERT_EQ(set.Notices.size(), 2u);
  EXPECT_EQ(set.Notices[0].Text, u"Loaded data is not a packed Velloran file");
  EXPECT_EQ(set.Notices[1].kind, TkvSkinNotice::Plain);
  EXPECT_EQ(set.Notices[1].Text,
            u"Internal format error in the \"Broken\" skin. Please, update this skin to latest version.");
  EXPECT_TRUE(set.SkinDataArray.empty());
}

TEST(SkinSources, NoSourceAtAll) {
  TempDir dir;
  DuRiruZireziv manager(nullptr);
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Nowhere");
  EXPECT_EQ(manager.LoadSkin(set, {96}), slsNoSource);
  EXPECT_TRUE(set.Notices.empty());
}

TEST(SkinSources, AnUnknownNameTakesTheFirstInternalSkin) {
  TempDir dir;
  TMemoryStream first, second;
  const Bytes a = Minimal("0x0000AA").Packed(), b = Minimal("0x0000BB").Packed();
  first.WriteBuffer(a.data(), Integer(a.size()));
  second.WriteBuffer(b.data(), Integer(b.size()));
  DuRiruZireziv manager(nullptr);
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Nowhere");
  set.Settings.InternalSkins = {{u"First", &first}, {u"Second", &second}};
  ASSERT_EQ(manager.LoadSkin(set, {96}), slsLoaded);
  EXPECT_EQ(set.LoadedName, u"First");
  EXPECT_EQ(ButtonColor(set), 0x0000AAu);
  EXPECT_TRUE(set.SkinCommonInfo.SkinPath.empty());

  TkvSkinSet named;
  named.Settings = set.Settings;
  named.Settings.SkinName = u"Second";
  ASSERT_EQ(manager.LoadSkin(named, {96}), slsLoaded);
  EXPECT_EQ(named.LoadedName, u"Second");
  EXPECT_EQ(ButtonColor(named), 0x0000BBu);
}

// An internal skin without data fails as a source; it never reuses the text of another load.
TEST(SkinSources, AnInternalSkinWithoutDataFails) {
  TempDir dir;
  TMemoryStream good, empty;
  const Bytes a = Minimal("0x0000AA").Packed();
  good.WriteBuffer(a.data(), Integer(a.size()));
  DuRiruZireziv manager(nullptr);
  TkvSkinSet previous;
  previous.Settings = SettingsFor(dir.Path(), "Good");
  previous.Settings.InternalSkins = {{u"Good", &good}, {u"Empty", &empty}};
  ASSERT_EQ(manager.LoadSkin(previous, {96}), slsLoaded);
  manager.TakeSkin(previous);

  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Empty");
  set.Settings.InternalSkins = {{u"Good", &good}, {u"Empty", &empty}};
  EXPECT_EQ(manager.LoadSkin(set, {96}), slsFormatError);
  ASSERT_EQ(set.Notices.size(), 1u);
  EXPECT_EQ(set.Notices[0].Text,
            u"Internal format error in the \"Empty\" skin. Please, update this skin to latest version.");
  TStringList sections;
  set.SkinCommonInfo.OptionsDat->ReadSections(sections);
  EXPECT_EQ(sections.Count(), 0);
  EXPECT_TRUE(set.SkinDataArray.empty());
  EXPECT_TRUE(manager.IsActive());  // the manager's skin is untouched
}

TEST(SkinSources, TheEditorsTextIsTakenFirst) {
  TempDir dir;
  Minimal("0x000011").WriteFolder(dir.Path(), "Live");
  TStringList editor;
  editor.Add(u"[GLOBALINFO]");
  editor.Add(u"VERSION=16.22");
  editor.Add(u"[BUTTON]");
  editor.Add(u"COLOR=0x000099");
  DuRiruZireziv manager(nullptr);
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Live");
  set.Settings.EditorSkinFile = &editor;
  ASSERT_EQ(manager.LoadSkin(set, {96}), slsLoaded);
  EXPECT_EQ(ButtonColor(set), 0x000099u);
  EXPECT_EQ(set.SkinCommonInfo.SkinPath, set.Settings.SkinDirectory + u"Live" + kvPathDelim);
}

TEST(SkinSources, InternalSkinsAreWrittenOutAsPackedFiles) {
  TempDir dir;
  DuRiruZireziv manager(nullptr);
  TsStoredSkin* stored = manager.InternalSkins()->Add();
  stored->SetName(u"Inside");
  const Bytes packed = Minimal("0x000033").Packed();
  stored->PackedData->WriteBuffer(packed.data(), Integer(packed.size()));
  manager.ExtractInternalSkin(u"Inside", dir.Path());
  EXPECT_EQ(ReadFile(Join(dir.Path(), "Inside extracted.kpz")), packed);
  // Into a folder made for it.
  manager.ExtractByIndex(0, Join(dir.Path(), "made/deeper"));
  EXPECT_EQ(ReadFile(Join(dir.Path(), "made/deeper/Inside extracted.kpz")), packed);
#ifndef _WIN32
  // A missing folder or an unknown name write nothing (under Windows they are told in a box:
  // the windowed test of the manager answers it).
  manager.ExtractInternalSkin(u"Inside", Join(dir.Path(), "missing"));
  EXPECT_TRUE(ReadFile(Join(dir.Path(), "missing/Inside extracted.kpz")).empty());
  manager.ExtractInternalSkin(u"Elsewhere", dir.Path());
  EXPECT_TRUE(ReadFile(Join(dir.Path(), "Elsewhere extracted.kpz")).empty());
#endif
  // The extracted file loads as a packed skin.
  TkvSkinSet set;
  set.Settings = SettingsFor(dir.Path(), "Inside extracted");
  ASSERT_EQ(manager.LoadSkin(set, {96}), slsLoaded);
  EXPECT_EQ(ButtonColor(set), 0x000033u);
}
