// The Glimmerveil skin that the build installs beside the program, loaded by the engine's own
// loader at every PPI slot, as a folder and as the packed file:
// - every section and key of tools/skin/required-keys.txt reaches the skin data of each slot
//   (sections, values through PARENTCLASS, per-density numbers, pictures drawn for that density);
// - the folder and the packed file load to identical skin data: sections and all their values,
//   every image record and every pixel of every picture, the palette and the slot metrics;
// - the program's road (its manager given the data folder and the skin's name) takes it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/InstalledSkin.h"
#include "skin/sSkinManagerLoader.h"
#include "support/SkinFiles.h"
#include "ui/IniFiles.h"
#include "ui/StringList.h"
#include "ui/SysUtils.h"

namespace {

using namespace installed;
using namespace skinfiles;

constexpr Integer kMissing = -99999;

// The skin loaded by the engine for all four PPIs from a folder that holds it.
struct Loaded {
  explicit Loaded(const String& dataFolder) {
    skin.Settings = SettingsFor(dataFolder, "Glimmerveil");
    status = manager.LoadSkin(skin, {96, 120, 144, 192});
  }
  TkvSkinData& Slot(Integer ppi) const { return *skin.Slot(TkvSkinSet::SlotOf(ppi, skin.Settings)); }

  DuRiruZireziv manager{nullptr};
  TkvSkinSet skin;
  TkvSkinLoadStatus status = slsNoSource;
};

// The section index that holds key for section, up the PARENTCLASS chain as the engine looks
// values up; -1 when none does.
Integer HolderOf(const TkvSkinData& d, const TMemIniFile* ini, const String& section, const String& key) {
  Integer i = d.GetSkinIndex(section);
  for (int depth = 0; i >= 0 && depth < 64; ++depth) {
    const TsGeneralData& s = d.gd[size_t(i)];
    if (IniHasKey(ini, s.ClassName, key)) return i;
    if (s.ParentClass.empty() || s.ParentClass == s.ClassName) break;
    i = d.GetSkinIndex(s.ParentClass);
  }
  return -1;
}

std::string Name(const Required& r, Integer ppi) { return r.section + " " + r.key + " at " + std::to_string(ppi); }

TEST(GlimmerveilLoad, EveryRequiredSectionAndKeyReachesEveryPPISlot) {
  const std::vector<Required> required = ReadRequired();
  ASSERT_GT(required.size(), 90u);
  Loaded loaded(DataFolder());
  ASSERT_EQ(loaded.status, slsLoaded);
  ASSERT_FALSE(loaded.skin.SkinIsPacked);
  for (const auto& n : loaded.skin.Notices) ADD_FAILURE() << StringToUtf8(n.Text);
  const TMemIniFile* ini = loaded.skin.SkinFile;
  ASSERT_NE(ini, nullptr);

  for (size_t slot = 0; slot < std::size(kPPIs); ++slot) {
    const Integer ppi = kPPIs[slot];
    TkvSkinData& d = loaded.Slot(ppi);
    ASSERT_EQ(d.PPI, ppi);
    for (const Required& r : required) {
      const String section = Utf8ToString(r.section), key = Utf8ToString(r.key);
      const Integer index = d.GetSkinIndex(section);
      ASSERT_GE(index, 0) << Name(r, ppi);
      if (r.kind == "section") continue;
      if (r.kind == "value") {
        EXPECT_GE(HolderOf(d, ini, section, key), 0) << Name(r, ppi);
      } else if (r.kind == "scaled") {
        // The slot's own key, which the loader takes unscaled.
        const String own = key + Utf8ToString(kSuffixes[slot]);
        const Integer value = IniInteger(ini, section, own, kMissing);
        EXPECT_NE(value, kMissing) << Name(r, ppi) << ": " << StringToUtf8(own);
        EXPECT_EQ(d.ScaledInteger(key, kMissing, -1, true), value) << Name(r, ppi);
      } else if (r.kind == "image") {
        const Integer m = d.GetMaskIndex(index, key);
        ASSERT_GE(m, 0) << Name(r, ppi);
        const TsMaskData& md = d.ma[size_t(m)];
        // Drawn for this density: taken from the slot's own key, never resampled.
        EXPECT_EQ(md.DivPPI, ppi) << Name(r, ppi);
        EXPECT_EQ(md.MulPPi, ppi) << Name(r, ppi);
        ASSERT_NE(md.Bmp, nullptr) << Name(r, ppi);
        EXPECT_GT(md.Width, 0) << Name(r, ppi);
        EXPECT_EQ(md.Width * md.ImageCount, md.R.Width()) << Name(r, ppi);
      } else {
        ADD_FAILURE() << "unknown kind " << r.kind << " for " << r.section << " " << r.key;
      }
    }
    // The per-density frame and scroll-bar numbers are the ones the painters get.
    EXPECT_EQ(d.ExTitleHeight, IniInteger(ini, u"GLOBALINFO", u"TITLEHEIGHT" + Utf8ToString(kSuffixes[slot]), 0));
    EXPECT_EQ(d.ThumbWidth, IniInteger(ini, u"GLOBALINFO", u"THUMBWIDTH" + Utf8ToString(kSuffixes[slot]), 0));
    // The fixed elements the program's windows use are all found.
    EXPECT_GE(d.TitleGlyphs[tgClose], 0) << ppi;
    EXPECT_GE(d.TitleGlyphs[tgMin], 0) << ppi;
    EXPECT_GE(d.TitleGlyphs[tgMax], 0) << ppi;
    EXPECT_GE(d.TitleGlyphs[tgNormal], 0) << ppi;
    for (Integer k = 0; k < 3; ++k) EXPECT_GE(d.CheckBox[size_t(k)], 0) << ppi;
    for (Integer k = 0; k < 2; ++k) EXPECT_GE(d.RadioButton[size_t(k)], 0) << ppi;
    for (Integer k = 0; k < 4; ++k) {
      EXPECT_GE(d.Scrolls[size_t(k)].SkinIndex, 0) << ppi;
      EXPECT_GE(d.ScrollBtns[size_t(k)].GlyphIndex, 0) << ppi;
    }
    for (Integer k = 0; k < 2; ++k) EXPECT_GE(d.Sliders[size_t(k)].MaskIndex, 0) << ppi;
    EXPECT_GE(d.MenuItem.MaskIndex, 0) << ppi;
  }
}

// Every key and value of every section of the skin text, in order.
std::vector<std::string> SkinText(const TMemIniFile& ini) {
  std::vector<std::string> out;
  TStringList sections;
  ini.ReadSections(sections);
  for (Integer i = 0; i < sections.Count(); ++i) {
    out.push_back("[" + StringToUtf8(sections[i]) + "]");
    TStringList lines;
    ini.ReadSectionValues(sections[i], lines);
    for (Integer k = 0; k < lines.Count(); ++k) out.push_back(StringToUtf8(lines[k]));
  }
  return out;
}

// Field by field: the records have no comparison of their own.
#define SAME(field) EXPECT_EQ(a.field, b.field) << what << " " #field

void ExpectSameLook(const TsGenState& a, const TsGenState& b, const std::string& what) {
  SAME(Color);
  SAME(Transparency);
  SAME(GradientPercent);
  SAME(ImagePercent);
  SAME(TextureIndex);
  SAME(GlowSize);
  SAME(GlowColor);
  SAME(BorderColor);
  SAME(FontColor.Color);
  SAME(FontColor.Left);
  SAME(FontColor.Top);
  SAME(FontColor.Right);
  SAME(FontColor.Bottom);
  EXPECT_EQ(a.GradientArray.size(), b.GradientArray.size()) << what;
}

void ExpectSameSection(const TsGeneralData& a, const TsGeneralData& b, const std::string& what) {
  SAME(ClassName);
  SAME(ParentClass);
  SAME(States);
  SAME(UseState2);
  SAME(ShiftOnClick);
  SAME(GiveOwnFont);
  SAME(BorderIndex);
  SAME(BorderRadius);
  SAME(BorderWidth);
  SAME(ImgTL);
  SAME(ImgTR);
  SAME(ImgBL);
  SAME(ImgBR);
  SAME(OuterMode);
  SAME(OuterOpacity);
  SAME(OuterBlur);
  SAME(OuterRadius);
  SAME(OuterOffset);
  SAME(OuterColorL);
  for (size_t k = 0; k < a.Props.size(); ++k)
    ExpectSameLook(a.Props[k], b.Props[k], what + " look " + std::to_string(k));
}

void ExpectSameImage(const TsMaskData& a, const TsMaskData& b, const std::string& what) {
  SAME(ClassName);
  SAME(PropertyName);
  SAME(R);
  SAME(ImageCount);
  SAME(MaskType);
  SAME(DrawMode);
  SAME(ImgType);
  SAME(WL);
  SAME(WT);
  SAME(WR);
  SAME(WB);
  SAME(Cfg);
  SAME(MulPPi);
  SAME(DivPPI);
  SAME(SkinIndex);
  SAME(Width);
  SAME(Height);
  ASSERT_EQ(a.Bmp == nullptr, b.Bmp == nullptr) << what;
  if (!a.Bmp) return;
  const TPixelView vx = a.Bmp->View(), vy = b.Bmp->View();
  ASSERT_EQ(vx.Width, vy.Width) << what;
  ASSERT_EQ(vx.Height, vy.Height) << what;
  for (Integer row = 0; row < vx.Height; ++row)
    ASSERT_EQ(0, std::memcmp(vx.Row(row), vy.Row(row), size_t(vx.Width) * 4)) << what << " row " << row;
}

TEST(GlimmerveilLoad, TheFolderAndThePackedFileLoadToIdenticalSkinData) {
  // The packed file alone in a folder of its own, so that the folder skin does not win.
  TempDir dir;
  const Bytes packed = ReadFile(DataFolder() + u"Glimmerveil.kpz");
  ASSERT_FALSE(packed.empty()) << "the build installs Glimmerveil.kpz beside the program";
  WriteFile(Join(dir.Path(), "Glimmerveil.kpz"), packed);

  Loaded folder(DataFolder()), kpz(dir.Path());
  ASSERT_EQ(folder.status, slsLoaded);
  ASSERT_EQ(kpz.status, slsLoaded);
  ASSERT_FALSE(folder.skin.SkinIsPacked);
  ASSERT_TRUE(kpz.skin.SkinIsPacked);
  EXPECT_TRUE(kpz.skin.Notices.empty());

  // The skin text: every section, key and value in the same order.
  const std::vector<std::string> text = SkinText(*folder.skin.SkinFile);
  EXPECT_GT(text.size(), 300u);
  EXPECT_EQ(text, SkinText(*kpz.skin.SkinFile));

  // Skin-wide values and the palette.
  const TkvSkinCommonInfo &ca = folder.skin.SkinCommonInfo, &cb = kpz.skin.SkinCommonInfo;
  EXPECT_EQ(ca.Version, cb.Version);
  EXPECT_EQ(ca.MainFont, cb.MainFont);
  EXPECT_EQ(ca.BIVAlign, cb.BIVAlign);
  EXPECT_EQ(ca.Sections, cb.Sections);
  EXPECT_EQ(folder.skin.Palette, kpz.skin.Palette);

  for (Integer ppi : kPPIs) {
    const TkvSkinData &a = folder.Slot(ppi), &b = kpz.Slot(ppi);
    const std::string at = " at " + std::to_string(ppi);
    ASSERT_EQ(a.gd.size(), b.gd.size()) << at;
    for (size_t i = 0; i < a.gd.size(); ++i) ExpectSameSection(a.gd[i], b.gd[i], StringToUtf8(a.gd[i].ClassName) + at);
    ASSERT_EQ(a.ma.size(), b.ma.size()) << at;
    EXPECT_GT(a.ma.size(), 30u) << at;
    for (size_t i = 0; i < a.ma.size(); ++i)
      ExpectSameImage(a.ma[i], b.ma[i],
                      StringToUtf8(a.ma[i].ClassName) + "." + StringToUtf8(a.ma[i].PropertyName) + at);
    // The metrics of the slot.
    const std::string& what = at;
    SAME(ExTitleHeight);
    SAME(ExBorderWidth);
    SAME(WndShadowSize);
    SAME(WndShadowRadius);
    SAME(WndShadowOffset);
    SAME(WndShadowColorA);
    SAME(WndShadowColorN);
    SAME(ScrollsWidth);
    SAME(ThumbWidth);
    SAME(BISpacing);
    SAME(TitleGlyphs);
    SAME(CheckBox);
    SAME(RadioButton);
  }
}

#undef SAME

// The program's own road: its manager pointed at the data folder and given the skin's name
// (as the main window's create handler does) takes the skin.
TEST(GlimmerveilLoad, TheProgramsManagerTakesTheSkinFromTheDataFolder) {
  DuRiruZireziv manager(nullptr);
  String folder = DataFolder();
  folder.pop_back();  // the program names the folder without a trailing backslash
  manager.SetSkinDirectory(folder);
  manager.SetSkinName(u"Glimmerveil");
  EXPECT_TRUE(manager.IsActive());
  EXPECT_EQ(manager.GetSkinInfo(), u"16.22");
}

}  // namespace
