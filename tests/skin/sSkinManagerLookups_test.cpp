// The skin manager's lookups, as tables: sections by name, images of a section through
// PARENTCLASS (chains, loops, missing parents), the first match where names repeat, textures,
// and the index checks. The skin is filled by hand, or loaded from a small skin of the test.
#include <gtest/gtest.h>

#include "skin/sSkinManager.h"
#include "support/SkinFiles.h"

using namespace skinfiles;

namespace {

struct Img {
  const char16_t* key;
  TkvImgType type;
};
struct Sec {
  const char16_t* name;
  const char16_t* parent;
  std::vector<Img> images;
};

// An active manager whose slot 0 holds the sections (in order) and their images (in order,
// each image after the ones of the sections before it).
class HandSkin {
 public:
  explicit HandSkin(const std::vector<Sec>& sections) {
    auto owned = std::make_unique<TkvSkinData>(&Manager, 96);
    Data = owned.get();
    for (const Sec& s : sections) {
      TsGeneralData g;
      g.ClassName = s.name;
      g.ParentClass = s.parent;
      Data->gd.push_back(g);
    }
    for (size_t i = 0; i < sections.size(); ++i)
      for (const Img& img : sections[i].images) {
        TsMaskData md;
        md.ClassName = sections[i].name;
        md.PropertyName = img.key;
        md.ImgType = img.type;
        md.SkinIndex = Integer(i);
        Data->ma.push_back(md);
      }
    Data->Reindex();
    Manager.SkinDataArray.push_back(std::move(owned));
    Manager.SkinCommonInfo.Active = true;
  }
  // The image index of the n-th image (in order) of a section; -1 for n < 0.
  Integer ImageOf(const char16_t* section, Integer n) const {
    for (size_t i = 0; i < Data->ma.size(); ++i)
      if (Data->ma[i].ClassName == section && n-- == 0) return Integer(i);
    return -1;
  }
  DuRiruZireziv Manager{nullptr};
  TkvSkinData* Data;
};

const std::vector<Sec> kSections = {
    {u"BUTTON", u"", {{u"BORDERSMASK", itisaBorder}, {u"PATTERN", itisaTexture}, {u"GLYPHMASK", itisaGlyph}}},
    {u"TOOLBUTTON", u"BUTTON", {{u"BORDERSMASK", itisaBorder}}},
    {u"SPEEDBUTTON", u"TOOLBUTTON", {}},
    {u"LOOPA", u"LOOPB", {}},
    {u"LOOPB", u"LOOPC", {}},
    {u"LOOPC", u"LOOPA", {{u"HOTPATTERN", itisaTexture}}},
    {u"SELF", u"SELF", {}},
    {u"ORPHAN", u"NOSUCHSECTION", {}},
    // A second section of a name: lookups by name find the first.
    {u"BUTTON", u"", {{u"BORDERSMASK", itisaBorder}, {u"HOTPATTERN", itisaTexture}}},
    // A key used twice in one section: the first image is the one.
    {u"PANEL", u"", {{u"PATTERN", itisaTexture}, {u"PATTERN", itisaTexture}, {u"BORDERSMASK", itisaGlyph}}},
    // A texture key on an image that is no texture, and a parent that has the texture.
    {u"GAUGE", u"PANEL", {{u"PATTERN", itisaGlyph}}},
};

}  // namespace

TEST(SkinLookups, SectionsByName) {
  HandSkin skin(kSections);
  DuRiruZireziv& m = skin.Manager;
  struct Case {
    const char16_t* name;
    Integer index;
  } cases[] = {{u"BUTTON", 0},   {u"TOOLBUTTON", 1}, {u"GAUGE", 10},
               {u"PANEL", 9},    {u"button", -1},  // names compare exactly; skins write them in upper case
               {u"BUTTON ", -1}, {u"", -1},          {u"NOSUCHSECTION", -1}};
  for (const Case& c : cases) EXPECT_EQ(m.GetSkinIndex(c.name), c.index) << StringToUtf8(c.name);
  EXPECT_EQ(m.LengthOfGD(), Integer(kSections.size()));
}

TEST(SkinLookups, ImagesOfASectionThroughItsParents) {
  HandSkin skin(kSections);
  DuRiruZireziv& m = skin.Manager;
  const Integer buttonBorder = skin.ImageOf(u"BUTTON", 0), buttonPattern = skin.ImageOf(u"BUTTON", 1),
                buttonGlyph = skin.ImageOf(u"BUTTON", 2), toolBorder = skin.ImageOf(u"TOOLBUTTON", 0),
                loopHot = skin.ImageOf(u"LOOPC", 0), panelPattern = skin.ImageOf(u"PANEL", 0);
  struct Case {
    Integer section;
    const char16_t* key;
    Integer image;
  } cases[] = {
      {0, u"BORDERSMASK", buttonBorder},
      {1, u"BORDERSMASK", toolBorder},  // its own comes first
      {1, u"GLYPHMASK", buttonGlyph},   // from the parent
      {2, u"GLYPHMASK", buttonGlyph},   // two steps up
      {1, u"PATTERN", buttonPattern},   // the parent's texture
      {2, u"BORDERSMASK", toolBorder},
      {2, u"OUTERMASK", -1},        // nowhere in the chain
      {3, u"HOTPATTERN", loopHot},  // found before the chain comes back
      {3, u"PATTERN", -1},          // a loop counts as missing
      {4, u"GLYPHMASK", -1},
      {6, u"PATTERN", -1},            // its own parent
      {7, u"PATTERN", -1},            // a parent that does not exist
      {9, u"PATTERN", panelPattern},  // the first of a repeated key
      {8, u"HOTPATTERN", skin.ImageOf(u"BUTTON", 4)},
      {-1, u"BORDERSMASK", -1},
      {99, u"BORDERSMASK", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(m.GetMaskIndex(c.section, c.key), c.image) << c.section << " " << StringToUtf8(c.key);
    // With the section's name given, the same answers.
    const char16_t* name =
        c.section >= 0 && c.section < Integer(kSections.size()) ? kSections[size_t(c.section)].name : u"";
    EXPECT_EQ(m.GetMaskIndex(c.section, name, nullptr, c.key), c.image) << c.section << " " << StringToUtf8(c.key);
  }
}

TEST(SkinLookups, ImagesByNameDoNotInherit) {
  HandSkin skin(kSections);
  DuRiruZireziv& m = skin.Manager;
  struct Case {
    const char16_t* section;
    const char16_t* key;
    Integer image;
  } cases[] = {{u"BUTTON", u"GLYPHMASK", skin.ImageOf(u"BUTTON", 2)},
               {u"TOOLBUTTON", u"GLYPHMASK", -1},  // its parent has one: by name it is not found
               {u"TOOLBUTTON", u"BORDERSMASK", skin.ImageOf(u"TOOLBUTTON", 0)},
               {u"BUTTON", u"HOTPATTERN", skin.ImageOf(u"BUTTON", 4)},  // of the second BUTTON
               {u"", u"BORDERSMASK", -1},
               {u"NOSUCHSECTION", u"BORDERSMASK", -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(m.GetMaskIndex(c.section, c.key), c.image) << StringToUtf8(c.section) << " " << StringToUtf8(c.key);
  }
}

TEST(SkinLookups, TexturesOnly) {
  HandSkin skin(kSections);
  DuRiruZireziv& m = skin.Manager;
  const Integer panelPattern = skin.ImageOf(u"PANEL", 0);
  struct Case {
    Integer section;
    const char16_t* key;
    Integer image;
  } cases[] = {
      {0, u"PATTERN", skin.ImageOf(u"BUTTON", 1)},
      {0, u"BORDERSMASK", -1},         // an image, but no texture
      {10, u"PATTERN", panelPattern},  // its own is no texture: the parent's
      {2, u"PATTERN", skin.ImageOf(u"BUTTON", 1)},
      {3, u"PATTERN", -1},  // a loop
      {6, u"PATTERN", -1},
      {-1, u"PATTERN", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(m.GetTextureIndex(c.section, c.key), c.image) << c.section << " " << StringToUtf8(c.key);
    const char16_t* name = c.section >= 0 ? kSections[size_t(c.section)].name : u"BUTTON";
    EXPECT_EQ(m.GetTextureIndex(c.section, name, nullptr, c.key), c.image) << c.section << " " << StringToUtf8(c.key);
  }
  EXPECT_EQ(m.GetTextureIndex(0, u"", nullptr, u"PATTERN"), -1);  // no section name
}

TEST(SkinLookups, IndexChecks) {
  HandSkin skin(kSections);
  DuRiruZireziv& m = skin.Manager;
  const Integer sections = Integer(kSections.size()), images = Integer(skin.Data->ma.size());
  struct Case {
    Integer index;
    bool section, image;
  } cases[] = {{-1, false, false},
               {0, true, true},
               {sections - 1, true, true},
               {sections, false, images > sections},
               {images - 1, images - 1 < sections, true},
               {images, false, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(m.IsValidSkinIndex(c.index), c.section) << c.index;
    EXPECT_EQ(m.IsValidImgIndex(c.index), c.image) << c.index;
  }
  // A further slot that holds fewer sections is still being loaded.
  auto partial = std::make_unique<TkvSkinData>(&m, 120);
  partial->gd.resize(2);
  m.SkinDataArray.push_back(std::move(partial));
  EXPECT_FALSE(m.IsValidSkinIndex(0));
  EXPECT_TRUE(m.IsValidImgIndex(0));
}

TEST(SkinLookups, PaletteGetters) {
  DuRiruZireziv m;
  for (size_t i = 0; i < m.Palette.size(); ++i) m.Palette[i] = TColor(0x010101 * (i + 1));
  EXPECT_EQ(m.GetGlobalColor(), m.Palette[pcMainColor]);
  EXPECT_EQ(m.GetGlobalFontColor(), m.Palette[pcLabelText]);
  EXPECT_EQ(m.GetActiveEditColor(), m.Palette[pcEditBG]);
  EXPECT_EQ(m.GetActiveEditFontColor(), m.Palette[pcEditText]);
  EXPECT_EQ(m.GetHighLightColor(true), m.Palette[pcSelectionBG_Focused]);
  EXPECT_EQ(m.GetHighLightColor(false), m.Palette[pcSelectionBG]);
  EXPECT_EQ(m.GetHighLightFontColor(true), m.Palette[pcSelectionText_Focused]);
  EXPECT_EQ(m.GetHighLightFontColor(false), m.Palette[pcSelectionText]);
}

TEST(SkinLookups, ALoadedSkinWithAParentLoop) {
  // A skin whose PARENTCLASS chain comes back to where it began still loads, and its lookups
  // end.
  TempDir dir;
  SkinFiles files;
  files.Set("GLOBALINFO", "VERSION", "16.22");
  files.Set("BUTTON", "COLOR", "0xFF8000");
  files.Set("LOOPA", "PARENTCLASS", "LOOPB");
  files.Set("LOOPB", "PARENTCLASS", "LOOPA");
  files.Set("SELF", "PARENTCLASS", "SELF");
  files.WriteFolder(dir.Path(), "Loops");
  DuRiruZireziv m;
  m.SetSkinDirectory(dir.Path());
  m.SetSkinName(u"Loops");
  ASSERT_TRUE(m.IsActive());
  const Integer a = m.GetSkinIndex(u"LOOPA"), self = m.GetSkinIndex(u"SELF");
  ASSERT_GE(a, 0);
  ASSERT_GE(self, 0);
  EXPECT_EQ(m.gd()[size_t(a)].ParentClass, u"LOOPB");
  EXPECT_EQ(m.GetMaskIndex(a, u"BORDERSMASK"), -1);
  EXPECT_EQ(m.GetMaskIndex(a, u"LOOPA", nullptr, u"BORDERSMASK"), -1);
  EXPECT_EQ(m.GetTextureIndex(a, u"PATTERN"), -1);
  EXPECT_EQ(m.GetTextureIndex(a, u"LOOPA", nullptr, u"PATTERN"), -1);
  EXPECT_EQ(m.GetMaskIndex(self, u"BORDERSMASK"), -1);
}
