// The skin data of one PPI: scaled values of "GLOBALINFO", the standard sections and their
// substitutes, fixed elements, lookups, the standard objects, the PPI slots of a load and the
// hand-over of a loaded skin to its manager.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/kvntUtils.h"
#include "skin/sSkinManagerLoader.h"
#include "support/SkinFiles.h"
#include "ui/SysUtils.h"

using namespace skinfiles;

namespace {

SkinFiles Base() {
  SkinFiles s;
  s.Set("GLOBALINFO", "VERSION", "16.22");
  return s;
}

// A master bitmap of w x h opaque grey.
std::unique_ptr<TBitmap> Grey(Integer w, Integer h) { return Picture(w, h, 0xFF808080); }

}  // namespace

TEST(SkinData, ScaledIntegersOfTheGlobalValues) {
  auto master = Grey(60, 20);
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").Png("M.PNG", *master);
  f.Set("GLOBALINFO", "TITLEHEIGHT", "30").Set("GLOBALINFO", "TITLEHEIGHT*150", "50");
  f.Set("GLOBALINFO", "BORDERWIDTH", "4").Set("GLOBALINFO", "BORDERWIDTH*125", "7");
  f.Set("GLOBALINFO", "EXBORDER", "^0000^0000^0020^0020^0004^0004^0004^0004^1^0^01");
  f.Set("GLOBALINFO", "EXBORDER*125", "^0020^0000^0045^0020^0004^0004^0004^0004^1^0^08");
  LoadedSkin skin(f, {96, 120, 144});
  ASSERT_EQ(skin.Status, slsLoaded);
  EXPECT_EQ(skin.Data(144).ScaledInteger(u"TITLEHEIGHT", 0, -1, false), 50);
  EXPECT_EQ(skin.Data(120).ScaledInteger(u"TITLEHEIGHT", 0, -1, true), 38);  // MulDiv(30, 120, 96)
  EXPECT_EQ(skin.Data(120).ScaledInteger(u"TITLEHEIGHT", 0, -1, false), 30);
  EXPECT_EQ(skin.Data(96).ScaledInteger(u"MISSING", 7, -1, true), 7);
  EXPECT_EQ(skin.Data(144).ScaledInteger(u"MISSING", 8, -1, true), 12);
  // Belonging to an image: scaled from the PPI its picture was drawn for.
  const TkvSkinData& d120 = skin.Data(120);
  const Integer ex = d120.GetMaskIndex(d120.GetSkinIndex(u"GLOBALINFO"), u"EXBORDER");
  ASSERT_GE(ex, 0);
  EXPECT_EQ(d120.ma[size_t(ex)].DivPPI, 120);
  EXPECT_EQ(d120.ScaledInteger(u"BORDERWIDTH", 0, ex, true), 7);   // the key of the picture's scale, as it is
  EXPECT_EQ(d120.ScaledInteger(u"TITLEHEIGHT", 0, ex, true), 38);  // no "*125" key: the plain one, from 96
}

TEST(SkinData, StandardSectionsFallBackToTheirSubstitutes) {
  SkinFiles f = Base();
  f.Set("TOOLBAR", "COLOR", "0x000011").Set("BUTTON", "COLOR", "0x000022").Set("TOOLBUTTON", "COLOR", "0x33");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  const auto& sections = skin.Set.SkinCommonInfo.Sections;
  TkvSkinData& d = skin.Data();
  const Integer toolbar = d.GetSkinIndex(u"TOOLBAR"), button = d.GetSkinIndex(u"BUTTON");
  EXPECT_EQ(sections[ssToolBar], toolbar);
  EXPECT_EQ(sections[ssMenuCaption], toolbar);
  const TsGeneralData* caption = skin.Section(u"MENUCAPTION");
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->ParentClass, u"TOOLBAR");
  EXPECT_EQ(caption->Props[0].Color, 0x000011);
  EXPECT_EQ(sections[ssColHeader], button);
  EXPECT_EQ(sections[ssColHeaderA], button);  // through COLHEADER, which BUTTON stood in for
  ASSERT_NE(skin.Section(u"COLHEADER"), nullptr);
  ASSERT_NE(skin.Section(u"COLHEADERA"), nullptr);
  EXPECT_EQ(skin.Section(u"COLHEADERA")->ParentClass, u"BUTTON");
  EXPECT_EQ(sections[ssUpDown], button);
  EXPECT_EQ(sections[ssTBBtn], d.GetSkinIndex(u"TOOLBUTTON"));
  // Without a substitute section: added blank, the entry stays -1.
  EXPECT_EQ(sections[ssDialogTitle], -1);
  const TsGeneralData* title = skin.Section(u"DIALOGTITLE");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->States, 1);  // one state, so that a painter's state index stays in range
  EXPECT_EQ(title->Props[0].Color, -1);
  // Sections that are their own substitute are not added.
  EXPECT_EQ(sections[ssMenuLine], -1);
  EXPECT_EQ(skin.Section(u"MENULINE"), nullptr);
  EXPECT_EQ(skin.Set.SkinCommonInfo.IndexGlobalInfo, d.GetSkinIndex(u"GLOBALINFO"));
}

TEST(SkinData, FixedElements) {
  auto master = Grey(100, 20);
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").Png("M.PNG", *master);
  const std::string pic = "^0000^0000^0020^0010^0000^0000^0000^0000^2^0^08";
  const std::string pic2 = "^0020^0000^0040^0010^0000^0000^0000^0000^2^0^08";
  f.Set("GLOBALINFO", "BICONCLOSE", pic).Set("GLOBALINFO", "BICONMAX", pic2);
  f.Set("GLOBALINFO", "BICONCLOSEGLOW", "2").Set("GLOBALINFO", "BICONCLOSEGLOW0", pic2);
  f.Set("GLOBALINFO", "BICONCLOSEGLOW1", pic).Set("GLOBALINFO", "BICONCLOSEGLOWMARGIN", "5");
  f.Set("GLOBALINFO", "BOXCHECKED", pic).Set("GLOBALINFO", "RADIOUNCHECKED", pic2);
  f.Set("TRACKBAR", "SLIDERMASK", pic).Set("TRACKBAR", "PROGHORZ", pic2);
  f.Set("UPDOWNBTN", "BORDERSMASK", pic).Set("UPDOWNBTN_TOP", "BORDERSMASK", pic2);
  f.Set("COMBOBOX", "GLYPHMASK", pic2).Set("COMBOBTN", "GLYPHMASK", pic);
  f.Set("SCROLLBTNLEFT", "GLYPHMASK", pic).Set("MENUITEM", "PATTERN", "~0000~0000~0020~0010~01");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  TkvSkinData& d = skin.Data();
  const Integer global = d.GetSkinIndex(u"GLOBALINFO");
  const Integer close = d.GetMaskIndex(global, u"BICONCLOSE");
  ASSERT_GE(close, 0);
  EXPECT_EQ(d.TitleGlyphs[tgClose], close);
  EXPECT_EQ(d.TitleGlyphs[tgCloseAlone], close);  // no "BICLOSEALONE": the close glyph
  EXPECT_EQ(d.TitleGlyphs[tgSmallClose], close);  // the small glyphs fall back to the big ones
  EXPECT_EQ(d.TitleGlyphs[tgSmallMax], d.TitleGlyphs[tgMax]);
  EXPECT_EQ(d.TitleGlyphs[tgHelp], -1);
  EXPECT_EQ(d.TitleGlyphs[tgNone], -1);
  ASSERT_EQ(d.TitleGlows[tgClose].size(), 2u);
  EXPECT_EQ(d.TitleGlows[tgClose][0], d.GetMaskIndex(global, u"BICONCLOSEGLOW0"));
  EXPECT_EQ(d.TitleGlows[tgCloseAlone], d.TitleGlows[tgClose]);  // with its glow frames and margin
  EXPECT_EQ(d.GlowMargins[tgCloseAlone], 5);
  EXPECT_EQ(d.TitleGlows[tgMax].size(), 2u);
  EXPECT_EQ(d.TitleGlows[tgMax][0], -1);
  EXPECT_EQ(d.CheckBox[1], d.GetMaskIndex(global, u"BOXCHECKED"));
  EXPECT_EQ(d.CheckBox[0], -1);
  EXPECT_EQ(d.RadioButton[0], d.GetMaskIndex(global, u"RADIOUNCHECKED"));
  const Integer trackbar = d.GetSkinIndex(u"TRACKBAR");
  EXPECT_EQ(d.TrackBar[0].GlyphIndex, d.GetMaskIndex(trackbar, u"SLIDERMASK"));  // no "SLIDERVMASK"
  EXPECT_EQ(d.TrackBar[1].GlyphIndex, d.TrackBar[0].GlyphIndex);
  EXPECT_EQ(d.TrackBar[1].ProgIndex, d.GetMaskIndex(trackbar, u"PROGHORZ"));
  EXPECT_EQ(d.TrackBar[0].ProgIndex, -1);
  EXPECT_EQ(d.UpDownBtns[1].SkinSection, u"UPDOWNBTN_TOP");
  EXPECT_EQ(d.UpDownBtns[0].SkinSection, u"UPDOWNBTN");  // the first alternative
  EXPECT_EQ(d.UpDownBtns[0].MaskIndex, d.GetMaskIndex(d.GetSkinIndex(u"UPDOWNBTN"), u"BORDERSMASK"));
  EXPECT_EQ(d.ComboBtn.GlyphIndex, d.GetMaskIndex(d.GetSkinIndex(u"COMBOBOX"), u"GLYPHMASK"));
  EXPECT_GE(d.ScrollBtns[0].GlyphIndex, 0);
  EXPECT_EQ(d.ScrollBtns[1].SkinIndex, -1);
  EXPECT_GE(d.MenuItem.BGIndex[0], 0);
  EXPECT_EQ(d.ExBorder, -1);
}

TEST(SkinData, LookupsFollowTheParentByIndexOnly) {
  auto master = Grey(40, 20);
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").Png("M.PNG", *master);
  f.Set("BUTTON", "BORDERSMASK", "^0000^0000^0020^0010^0004^0004^0004^0004^1^0^01");
  f.Set("BUTTON", "PATTERN", "~0000~0000~0020~0010~01");
  f.Set("BTN2", "PARENTCLASS", "BUTTON");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  TkvSkinData& d = skin.Data();
  EXPECT_EQ(d.GetSkinIndex(u"button"), -1);  // names compare exactly
  EXPECT_EQ(d.GetSkinIndex(u""), -1);
  const Integer button = d.GetSkinIndex(u"BUTTON"), btn2 = d.GetSkinIndex(u"BTN2");
  const Integer mask = d.GetMaskIndex(button, u"BORDERSMASK");
  ASSERT_GE(mask, 0);
  EXPECT_EQ(d.GetMaskIndex(btn2, u"BORDERSMASK"), mask);
  EXPECT_EQ(d.GetMaskIndex(u"BTN2", u"BORDERSMASK"), -1);
  EXPECT_EQ(d.GetMaskIndex(u"BUTTON", u"BORDERSMASK"), mask);
  EXPECT_EQ(d.GetTextureIndex(btn2, u"PATTERN"), d.GetMaskIndex(button, u"PATTERN"));
  EXPECT_EQ(d.GetTextureIndex(btn2, u"BORDERSMASK"), -1);  // not a texture
  EXPECT_EQ(d.GetMaskIndex(-1, u"BORDERSMASK"), -1);
  EXPECT_EQ(skin.Section(u"BTN2")->BorderIndex, mask);
  EXPECT_EQ(skin.Section(u"BTN2")->Props[0].TextureIndex, d.GetMaskIndex(button, u"PATTERN"));
}

TEST(SkinData, TheStandardObjectsStandWithoutAnOwner) {
  TkvSkinData* d = StdScaleData(2);
  EXPECT_EQ(d->PPI, 144);
  EXPECT_EQ(d->ScaleValue, 2);
  EXPECT_EQ(d->ScalePercent, 150);
  EXPECT_EQ(d->ScaleIntValue(10), 15);
  EXPECT_EQ(d->Spacing, 6);
  EXPECT_EQ(d->ScrollBtnLength, ScalePPI(kvScrollBtnLength, 144));
  EXPECT_TRUE(d->gd.empty());
  EXPECT_TRUE(d->ma.empty());
  EXPECT_EQ(d->FOwner, nullptr);
  // Without an owner they answer as without a skin.
  EXPECT_FALSE(d->Active());
  EXPECT_EQ(d->BrightMin(), -50);
  EXPECT_EQ(d->BrightMax(), 50);
  EXPECT_EQ(d->ScaledInteger(u"TITLEHEIGHT", 30, -1, true), 45);
  EXPECT_EQ(StdScaleData(2), d);
  EXPECT_EQ(StdScaleData(0)->PPI, 96);
}

TEST(SkinData, SlotsPerPPIAndTheirScaleValues) {
  SkinFiles f = Base();
  f.Set("BUTTON", "BORDERRADIUS", "4");
  LoadedSkin vcl(f, {144});
  ASSERT_EQ(vcl.Status, slsLoaded);
  ASSERT_EQ(vcl.Set.SkinDataArray.size(), 3u);
  ASSERT_NE(vcl.Set.Slot(0), nullptr);  // 96 PPI always, first
  EXPECT_EQ(vcl.Set.Slot(1), nullptr);
  EXPECT_EQ(vcl.Set.Slot(2)->PPI, 144);
  EXPECT_EQ(vcl.Set.Slot(2)->ScaleValue, 2);
  EXPECT_EQ(vcl.Section(u"BUTTON", 144)->BorderRadius, 6);
  EXPECT_TRUE(vcl.Set.SkinCommonInfo.Active);

  LoadedSkin custom(f, {130}, LoadedSkin::Folder, [](TkvSkinLoadSettings& s) {
    s.Options.ScaleMode = smCustomPPI;
    s.Options.PixelsPerInch = 130;
  });
  ASSERT_EQ(custom.Status, slsLoaded);
  ASSERT_EQ(custom.Set.SkinDataArray.size(), 1u);  // one slot for the PPI in force
  EXPECT_EQ(custom.Set.Slot(0)->PPI, 130);
  EXPECT_EQ(custom.Set.Slot(0)->ScaleValue, 1);
  EXPECT_EQ(custom.Section(u"BUTTON", 130)->BorderRadius, 5);  // MulDiv(4, 130, 96)
}

TEST(SkinData, APackedSkinIsUnpackedOncePerChange) {
  auto master = Grey(60, 20);
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").Png("M.PNG", *master);
  f.Set("BUTTON", "BORDERSMASK", "!B.PNG!1!0!0!0004!0004!0004!0004!0");
  auto b = Grey(20, 20);
  f.Png("B.PNG", *b);
  LoadedSkin skin(f, {96}, LoadedSkin::Packed);
  ASSERT_EQ(skin.Status, slsLoaded);
  skin.Manager.TakeSkin(skin.Set);
  // The packed file goes; a slot asked for afterwards is made from what was unpacked.
  std::error_code ec;
  std::filesystem::remove(std::filesystem::path(std::u16string(Join(skin.Dir.Path(), "Fixture.kpz"))), ec);
  TkvSkinData* d192 = skin.Manager.LoadSkinSlot(192);
  ASSERT_NE(d192, nullptr);
  EXPECT_EQ(d192, skin.Manager.Slot(3));
  const Integer mask = d192->GetMaskIndex(d192->GetSkinIndex(u"BUTTON"), u"BORDERSMASK");
  ASSERT_GE(mask, 0);
  EXPECT_EQ(d192->ma[size_t(mask)].R, TRect(0, 0, 40, 40));
  EXPECT_EQ(d192->gd.size(), skin.Manager.Slot(0)->gd.size());
  // Reloading a slot in place keeps its object.
  skin.Manager.ReloadSkin(192);
  EXPECT_EQ(skin.Manager.Slot(3), d192);
}

TEST(SkinData, TheManagerTakesALoadedSkinWhole) {
  auto master = Grey(20, 20);
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").Png("M.PNG", *master);
  f.Set("BUTTON", "BORDERSMASK", "^0000^0000^0020^0020^0004^0004^0004^0004^1^0^01");
  LoadedSkin skin(f, {96, 144});
  ASSERT_EQ(skin.Status, slsLoaded);
  DuRiruZireziv& m = skin.Manager;
  EXPECT_FALSE(m.IsActive());  // loading touched nothing of the manager
  EXPECT_EQ(m.MasterBitmap, nullptr);
  TBitmap* loadedMaster = skin.Set.MasterBitmap.get();
  m.TakeSkin(skin.Set);
  EXPECT_TRUE(m.IsActive());
  EXPECT_EQ(m.MasterBitmap.get(), loadedMaster);
  EXPECT_TRUE(skin.Set.SkinDataArray.empty());  // the fresh set now holds the previous (empty) skin
  for (auto& slot : m.SkinDataArray) {
    if (!slot) continue;
    EXPECT_EQ(slot->Skin, static_cast<TkvSkinSet*>(&m));
    EXPECT_EQ(slot->FOwner, &m);
    for (const auto& md : slot->ma) EXPECT_EQ(md.Manager, &m);
  }
  EXPECT_EQ(m.CommonSkinData(144), m.Slot(2));
  TStringList names;
  m.GetSkinSections(names, nullptr);
  EXPECT_GT(names.Count(), 2);
  EXPECT_GE(names.IndexOf(u"BUTTON"), 0);
}
