// Skin sections and their values: PARENTCLASS inheritance and its worked examples, state
// looks, the manager's common sections, the sections every skin gets, the global values and
// the two outer effects; and values too large, too small or unreadable.
#include <gtest/gtest.h>

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

}  // namespace

TEST(SkinSections, ValuesAreInheritedAlongTheParentChain) {
  SkinFiles f = Base();
  f.Set("BUTTON", "COLOR", "0x123456").Set("BUTTON", "STATES", "2").Set("BUTTON", "HOTCOLOR", "-1");
  f.Set("BTN2", "PARENTCLASS", "BUTTON");
  f.Set("BTN3", "PARENTCLASS", "BTN2").Set("BTN3", "HOTCOLOR", "-1");
  f.Set("NOCOLOR", "STATES", "1");
  f.Set("BTN4", "PARENTCLASS", "NOCOLOR");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  EXPECT_EQ(skin.Section(u"BTN2")->Props[0].Color, 0x123456);
  EXPECT_EQ(skin.Section(u"BTN2")->ParentClass, u"BUTTON");
  EXPECT_EQ(skin.Section(u"BTN3")->Props[0].Color, 0x123456);  // two steps up
  EXPECT_EQ(skin.Section(u"BTN4")->Props[0].Color, 0xFFFFFF);  // found nowhere: the default
  // A parent's -1 inherited gives the default; -1 written in the section itself stays.
  EXPECT_EQ(skin.Section(u"BUTTON")->Props[1].Color, -1);
  EXPECT_EQ(skin.Section(u"BTN2")->Props[1].Color, 0xFFFFFF);
  EXPECT_EQ(skin.Section(u"BTN3")->Props[1].Color, -1);
  EXPECT_EQ(skin.Section(u"BTN2")->States, 2);
}

TEST(SkinSections, BooleanValues) {
  SkinFiles f = Base();
  f.Set("A", "PARENTCLASS", "").Set("B", "SHIFTCLICK", "True").Set("C", "SHIFTCLICK", "1");
  f.Set("D", "SHIFTCLICK", "TRUE").Set("E", "PARENTCLASS", "D").Set("F", "SHIFTCLICK", "yes");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  EXPECT_FALSE(skin.Section(u"A")->ShiftOnClick);
  EXPECT_FALSE(skin.Section(u"B")->ShiftOnClick);  // mixed case is not "TRUE" in the skin text
  EXPECT_TRUE(skin.Section(u"C")->ShiftOnClick);
  EXPECT_TRUE(skin.Section(u"D")->ShiftOnClick);
  EXPECT_TRUE(skin.Section(u"E")->ShiftOnClick);
  EXPECT_FALSE(skin.Section(u"F")->ShiftOnClick);
}

TEST(SkinSections, StateLooks) {
  SkinFiles f = Base();
  f.Set("ONE", "STATES", "1").Set("ONE", "COLOR", "0x10").Set("ONE", "HOTCOLOR", "0x20").Set("ONE", "COLOR2", "0x30");
  f.Set("TWO", "STATES", "2").Set("TWO", "COLOR", "0x10").Set("TWO", "HOTCOLOR", "0x20").Set("TWO", "COLOR2", "0x30");
  f.Set("THREE", "STATES", "3").Set("THREE", "USESTATE2", "1").Set("THREE", "COLOR2", "0x30");
  f.Set("THREE", "FONTCOLOR2", "0x31").Set("THREE", "TCLEFT2", "0x32").Set("THREE", "GSIZE2", "4");
  f.Set("THREE", "BORDERCOLOR2", "0x33").Set("THREE", "TRANSPARENCY2", "40").Set("THREE", "IMAGEPERCENT2", "50");
  f.Set("GRAD", "GRADIENTDATA", "0;1")
      .Set("GRAD", "HOTGRADIENTDATA", "16777215;0;0;0;0;100;0;0;0")
      .Set("GRAD", "STATES", "2");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  const TsGeneralData* one = skin.Section(u"ONE");
  EXPECT_EQ(one->Props[1].Color, 0x10);
  EXPECT_EQ(one->Props[2].Color, 0x10);
  const TsGeneralData* two = skin.Section(u"TWO");
  EXPECT_EQ(two->Props[1].Color, 0x20);
  EXPECT_EQ(two->Props[2].Color, 0x20);  // no USESTATE2: the hot look
  EXPECT_FALSE(two->UseState2);
  const TsGeneralData* three = skin.Section(u"THREE");
  EXPECT_TRUE(three->UseState2);
  EXPECT_EQ(three->Props[2].Color, 0x30);
  EXPECT_EQ(three->Props[2].FontColor.Color, 0x31);
  EXPECT_EQ(three->Props[2].FontColor.Left, 0x32);
  EXPECT_EQ(three->Props[2].FontColor.Top, -1);
  EXPECT_EQ(three->Props[2].GlowSize, 4);
  EXPECT_EQ(three->Props[2].BorderColor, 0x33);
  EXPECT_EQ(three->Props[2].Transparency, 40);
  EXPECT_EQ(three->Props[2].ImagePercent, 50);
  EXPECT_EQ(three->Props[0].BorderColor, 0xFF00FF);  // the defaults of every state
  EXPECT_EQ(three->Props[0].GlowColor, 0xFFFFFF);
  const TsGeneralData* grad = skin.Section(u"GRAD");
  EXPECT_TRUE(grad->Props[0].GradientArray.empty());  // three characters: the default gradient
  EXPECT_FALSE(grad->Props[1].GradientArray.empty());
}

TEST(SkinSections, LimitsAndScaling) {
  SkinFiles f = Base();
  f.Set("A", "GLOW", "300").Set("A", "OUTBLUR", "50").Set("A", "OUTOFFSL", "-3").Set("A", "GLOWMARGIN", "7");
  f.Set("A", "BORDERRADIUS", "6").Set("A", "OUTRADIUS", "1000").Set("A", "STATES", "900");
  f.Set("B", "STATES", "0").Set("B", "GLOW", "-5").Set("B", "BORDERRADIUS", "-9").Set("B", "GSIZE", "99999");
  f.Set("B", "TRANSPARENCY", "300").Set("B", "GRADIENTPERCENT", "-20");
  f.Set("C", "STATES", "-4").Set("C", "OUTOFFSB", "-100000");
  LoadedSkin skin(f, {96, 144});
  ASSERT_EQ(skin.Status, slsLoaded);
  const TsGeneralData* a = skin.Section(u"A");
  EXPECT_EQ(a->GlowCount, 255);
  EXPECT_EQ(a->OuterBlur, 30);
  EXPECT_EQ(a->OuterOffset.Left, -3);
  EXPECT_EQ(a->OuterOffset.Top, 2);  // found nowhere: the default
  EXPECT_EQ(a->OuterOffset.Bottom, 4);
  EXPECT_EQ(a->OuterRadius, 60);
  EXPECT_EQ(a->States, 255);
  const TsGeneralData* a144 = skin.Section(u"A", 144);
  EXPECT_EQ(a144->OuterBlur, 45);
  EXPECT_EQ(a144->OuterOffset.Left, -4);  // -3 grown by half, truncated toward zero
  EXPECT_EQ(a144->OuterOffset.Top, 3);
  EXPECT_EQ(a144->BorderRadius, 9);
  EXPECT_EQ(a144->GlowMargin, 7);  // at 96 PPI the first image's PPI scales it; this skin has none
  const TsGeneralData* b = skin.Section(u"B");
  EXPECT_EQ(b->States, 1);
  EXPECT_EQ(b->GlowCount, 0);
  EXPECT_EQ(b->BorderRadius, 0);
  EXPECT_EQ(b->Props[0].GlowSize, 255);
  EXPECT_EQ(b->Props[0].Transparency, 100);
  EXPECT_EQ(b->Props[0].GradientPercent, 0);
  const TsGeneralData* c = skin.Section(u"C");
  EXPECT_EQ(c->States, 1);
  EXPECT_EQ(c->OuterOffset.Bottom, -255);
}

TEST(SkinSections, UnreadableNumbersTakeTheDefault) {
  SkinFiles f = Base();
  f.Set("A", "COLOR", "0xZZ").Set("A", "FONTCOLOR", "12abc").Set("A", "STATES", "many");
  f.Set("B", "COLOR", "?").Set("B", "PARENTCLASS", "A").Set("B", "FONTCOLOR", "-2");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  EXPECT_EQ(skin.Section(u"A")->Props[0].Color, 0xFFFFFF);
  EXPECT_EQ(skin.Section(u"A")->Props[0].FontColor.Color, 0);
  EXPECT_EQ(skin.Section(u"A")->States, 3);
  EXPECT_EQ(skin.Section(u"B")->Props[0].Color, 0xFFFFFF);     // "?" counts as missing
  EXPECT_EQ(skin.Section(u"B")->Props[0].FontColor.Color, 0);  // so does -2
}

TEST(SkinSections, ParentLoopsEnd) {
  SkinFiles f = Base();
  f.Set("A", "PARENTCLASS", "B").Set("B", "PARENTCLASS", "C").Set("C", "PARENTCLASS", "A");
  f.Set("SELF", "PARENTCLASS", "SELF").Set("D", "PARENTCLASS", "A").Set("D", "BORDERSMASK", "^1");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  EXPECT_EQ(skin.Section(u"A")->Props[0].Color, 0xFFFFFF);
  EXPECT_EQ(skin.Section(u"SELF")->States, 3);
  TkvSkinData& d = skin.Data();
  EXPECT_EQ(d.GetMaskIndex(d.GetSkinIndex(u"A"), u"GLYPHMASK"), -1);
  EXPECT_EQ(d.GetTextureIndex(d.GetSkinIndex(u"B"), u"PATTERN"), -1);
}

TEST(SkinSections, CommonSectionsOfTheManager) {
  SkinFiles f = Base();
  f.Set("BUTTON", "COLOR", "0x0000C0").Set("BUTTON", "STATES", "2").Set("BUTTON", "HOTCOLOR", "0x0000D0");
  f.Set("EDIT", "COLOR", "0x0000E0");
  LoadedSkin skin(f, {96}, LoadedSkin::Folder, [](TkvSkinLoadSettings& s) {
    s.CommonSections = {
        u"[EDIT]",           u"COLOR=0x111111", u"[MYBUTTON]",     u"PARENTCLASS=button", u"hotcolor=0x222222",
        u"GiveOwnFont=True", u"[NOFRAME]",      u"BORDERSMASK=-1", u"USESTATE2=1",        u"; a comment",
        u"[PLAIN]"};
  });
  ASSERT_EQ(skin.Status, slsLoaded);
  EXPECT_EQ(skin.Section(u"EDIT")->Props[0].Color, 0x0000E0);  // the skin's own section wins
  const TsGeneralData* my = skin.Section(u"MYBUTTON");
  ASSERT_NE(my, nullptr);
  EXPECT_EQ(my->ParentClass, u"BUTTON");
  EXPECT_EQ(my->States, 2);
  EXPECT_EQ(my->Props[0].Color, 0x0000C0);  // from the parent found by its upper-cased name
  EXPECT_EQ(my->Props[1].Color, 0x222222);  // key names of the common text ignore case
  EXPECT_TRUE(my->GiveOwnFont);             // values are upper-cased there
  const TsGeneralData* noFrame = skin.Section(u"NOFRAME");
  EXPECT_EQ(noFrame->BorderIndex, -2);
  EXPECT_TRUE(noFrame->UseState2);
  EXPECT_EQ(noFrame->ParentClass, u"-1");
  const TsGeneralData* plain = skin.Section(u"PLAIN");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->States, 3);
  EXPECT_EQ(plain->Props[0].Color, 0xFFFFFF);
}

TEST(SkinSections, TheSectionsEverySkinGetsTakeTheirColoursFromItsGlobalValues) {
  SkinFiles first = Base();
  first.Set("GLOBALINFO", "FONTCOLOR", "0x010203").Set("GLOBALINFO", "COLOR", "0x0A0B0C");
  SkinFiles second = Base();
  second.Set("GLOBALINFO", "FONTCOLOR", "0x040506");
  DuRiruZireziv manager(nullptr);
  TempDir dir;
  first.WriteFolder(dir.Path(), "First");
  second.WriteFolder(dir.Path(), "Second");
  TkvSkinSet a, b;
  a.Settings = SettingsFor(dir.Path(), "First");
  ASSERT_EQ(manager.LoadSkin(a, {96}), slsLoaded);
  manager.TakeSkin(a);
  b.Settings = SettingsFor(dir.Path(), "Second");
  ASSERT_EQ(manager.LoadSkin(b, {96}), slsLoaded);
  const TkvSkinData& d = *b.Slot(0);
  const TsGeneralData& transparent = d.gd[size_t(d.GetSkinIndex(u"TRANSPARENT"))];
  EXPECT_EQ(transparent.States, 1);
  EXPECT_EQ(transparent.Props[0].Transparency, 100);
  EXPECT_EQ(transparent.Props[0].Color, 0xFFFFFF);
  EXPECT_EQ(transparent.Props[0].FontColor.Color, 0x040506);  // not the first skin's
  const TsGeneralData& main = d.gd[size_t(d.GetSkinIndex(u"MAINCOLOR"))];
  EXPECT_EQ(main.Props[0].Transparency, 0);
  EXPECT_EQ(main.Props[0].Color, Integer(TkvSystemColors().RGBOf(clBtnFace)));
  EXPECT_EQ(main.Props[0].FontColor.Color, 0x040506);
  const TkvSkinData& first96 = *manager.Slot(0);
  EXPECT_EQ(first96.gd[size_t(first96.GetSkinIndex(u"MAINCOLOR"))].Props[0].Color, 0x0A0B0C);
}

TEST(SkinSections, LightDefaultsToTheSkinsLightColour) {
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "DEFLIGHT", "0x445566").Set("A", "COLOR", "1").Set("B", "LIGHT0", "0x10");
  f.Set("TABTOP", "TABSCOVERING", "3");
  LoadedSkin skin(f);
  ASSERT_EQ(skin.Status, slsLoaded);
  EXPECT_EQ(skin.Section(u"A")->Props[0].LightColor, 0x445566);
  EXPECT_EQ(skin.Section(u"B")->Props[0].LightColor, 0x10);
  EXPECT_EQ(skin.Data().TabsCovering, 3);
}

TEST(GlobalValues, ReadPerScale) {
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "COMBOMARGIN", "1").Set("GLOBALINFO", "ALIGNOFFSET", "4");
  f.Set("GLOBALINFO", "WSHSIZE", "10").Set("GLOBALINFO", "WSHSIZE*150", "11");
  f.Set("GLOBALINFO", "SHADOW1BLUR", "2").Set("GLOBALINFO", "BORDERMODE", "1");
  LoadedSkin skin(f, {96, 120, 144});
  ASSERT_EQ(skin.Status, slsLoaded);
  EXPECT_EQ(skin.Data(120).ComboBoxMargin, 1);
  EXPECT_EQ(skin.Data(144).ComboBoxMargin, 2);
  EXPECT_EQ(skin.Data(96).ScrollsWidth, -1);
  EXPECT_EQ(skin.Data(144).ScrollsWidth, -1);  // missing stays -1, unscaled
  EXPECT_EQ(skin.Data(96).ExShadowOffs, 4);
  EXPECT_EQ(skin.Data(144).ExShadowOffs, 6);
  EXPECT_EQ(skin.Data(144).ExShadowOffsR, 9);  // its default, the value above, scaled once more
  EXPECT_EQ(skin.Data(96).ExShadowOffsR, 4);
  EXPECT_EQ(skin.Data(120).WndShadowSize, 13);  // MulDiv(10, 120, 96), rounded
  EXPECT_EQ(skin.Data(144).WndShadowSize, 11);  // the per-scale key
  EXPECT_EQ(skin.Data(96).WndShadowRadius, 17);
  EXPECT_EQ(skin.Data(96).Shadow1Blur, 2);
  EXPECT_EQ(skin.Data(96).ExDrawMode, 1);
  EXPECT_EQ(skin.Data(96).ScrollArrows, -1);
}

TEST(GlobalValues, SizesThatMakeBitmapsAreLimited) {
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "WSHSIZE", "100000").Set("GLOBALINFO", "WSHRAD", "100000");
  f.Set("GLOBALINFO", "WSHOFFS", "100000").Set("GLOBALINFO", "BICONCLOSEGLOW", "100000");
  f.Set("GLOBALINFO", "ALIGNOFFSET", "-100000");
  f.Set("GLOBALINFO", "SH_RADIUS_OE", "100000").Set("GLOBALINFO", "SH_BLUR_OE", "100000");
  f.Set("GLOBALINFO", "SH_OFFSETL", "100000").Set("GLOBALINFO", "SCROLLSWIDTH", "100000");
  f.Set("GLOBALINFO", "TITLEHEIGHT", "100000");
  LoadedSkin skin(f, {96}, LoadedSkin::Folder, [](TkvSkinLoadSettings& s) { s.ExtendedBorders = true; });
  ASSERT_EQ(skin.Status, slsLoaded);
  TkvSkinData& d = skin.Data();
  EXPECT_EQ(d.WndShadowSize, 64);
  EXPECT_EQ(d.WndShadowRadius, 64);
  EXPECT_EQ(d.WndShadowOffset, 64);
  EXPECT_EQ(d.ExShadowOffs, -512);
  EXPECT_EQ(d.TitleGlows[tgClose].size(), 64u);
  EXPECT_EQ(d.oe[1].Radius, 60);
  EXPECT_EQ(d.oe[1].Blur, 30);
  EXPECT_EQ(d.oe[1].OffsetL, 255);
  EXPECT_EQ(d.ScrollsWidth, 255);
  EXPECT_EQ(d.ExTitleHeight, 1024);
  // The shadow templates were made at those sizes without trouble.
  ASSERT_NE(d.ShdaTemplate, nullptr);
  EXPECT_EQ(d.ShdaTemplate->Width(), 2 * 64 + 2 * 64 + 1);
  EXPECT_EQ(d.ShdaTemplate->Height(), 2 * 64 + 2 * 64 + 64 + 1);
}

TEST(OuterEffects, ComputedAndNone) {
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "SH_SOURCE", "0").Set("GLOBALINFO", "LO_COLORL", "0x00FF00");
  f.Set("GLOBALINFO", "LO_OFFSETL", "4").Set("GLOBALINFO", "LO_RADIUS_OE", "5");
  LoadedSkin skin(f, {96, 144});
  ASSERT_EQ(skin.Status, slsLoaded);
  const TkvSkinData& d = skin.Data();
  ASSERT_EQ(d.oe.size(), 2u);
  const TkvOutEffData& sh = d.oe[1];
  EXPECT_EQ(sh.Mask, -1);
  EXPECT_EQ(sh.WidthL, -1);
  EXPECT_EQ(sh.ColorT, 0xFF00FF);
  EXPECT_EQ(sh.Opacity, 60);
  const TkvOutEffData& lo = d.oe[0];
  ASSERT_GE(lo.Mask, 0);
  const TsMaskData& md = d.ma[size_t(lo.Mask)];
  ASSERT_NE(md.Bmp, nullptr);
  EXPECT_EQ(md.ClassName, u"GLOBALINFO");
  EXPECT_EQ(md.PropertyName, u"LO_MASK");
  EXPECT_EQ(md.MaskType, 1);
  EXPECT_EQ(md.R, TRect(0, 0, md.Bmp->Width(), md.Bmp->Height()));
  const Integer w = md.Bmp->Width(), h = md.Bmp->Height() / 2;
  // A body (left + bottom) high and (top + bottom) wide, as the effect's sums give it.
  EXPECT_EQ(w, 2 * 5 + (2 + 4) + 1);
  EXPECT_EQ(h, 2 * 5 + (4 + 4) + 1);
  EXPECT_EQ(lo.WidthL, (w + 4 - 2 - 1) / 2);
  EXPECT_EQ(lo.WidthB, (h + 4 - 2 - 1) / 2);
  EXPECT_EQ(lo.ColorL, 0x00FF00);
  EXPECT_EQ(lo.Opacity, 200);
  // At 144 PPI the widths come from the shadow of that PPI and are not scaled again.
  const TkvOutEffData& lo144 = skin.Data(144).oe[0];
  const TsMaskData& md144 = skin.Data(144).ma[size_t(lo144.Mask)];
  EXPECT_EQ(lo144.WidthL, (md144.Bmp->Width() + lo144.OffsetL - lo144.OffsetR - 1) / 2);
  EXPECT_EQ(lo144.OffsetL, 6);
}

TEST(OuterEffects, AMaskFromTheMasterBitmap) {
  auto master = Picture(40, 40, 0xFF808080);
  SkinFiles f = Base();
  f.Set("GLOBALINFO", "MASTERBITMAP", "M.PNG").Set("GLOBALINFO", "SH_SOURCE", "1");
  f.Set("GLOBALINFO", "SH_MASK", "^0000^0000^0020^0020^0004^0004^0004^0004^1^1^01");
  f.Set("GLOBALINFO", "LO_SOURCE", "1").Set("GLOBALINFO", "LO_MASK", "^0000^0000^0090^0020^0004^0004^0004^0004^1^1^01");
  f.Png("M.PNG", *master);
  LoadedSkin skin(f, {96, 144});
  ASSERT_EQ(skin.Status, slsLoaded);
  const TkvSkinData& d = skin.Data();
  ASSERT_GE(d.oe[1].Mask, 0);
  EXPECT_EQ(d.ma[size_t(d.oe[1].Mask)].Bmp, nullptr);  // a piece of the master bitmap
  EXPECT_EQ(d.ma[size_t(d.oe[1].Mask)].R, TRect(0, 0, 20, 20));
  EXPECT_EQ(d.oe[0].Mask, -1);  // outside the master bitmap: no mask
  const TkvSkinData& d144 = skin.Data(144);
  const TsMaskData& m144 = d144.ma[size_t(d144.oe[1].Mask)];
  ASSERT_NE(m144.Bmp, nullptr);  // scaled from the 96 PPI picture
  EXPECT_EQ(m144.R, TRect(0, 0, 30, 30));
  EXPECT_EQ(m144.WL, 6);
}
