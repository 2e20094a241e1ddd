// The skin manager's option objects and the class-name lists of foreign controls.
#include "skin/sSkinManagerOptions.h"

#include <gtest/gtest.h>

#include "skin/sSkinManager.h"
#include "ui/IniFiles.h"
#include "ui/StringList.h"

namespace {

// The value of a published property of a sub-object of the manager ("Options.ArrowsStyle").
const TPropInfo* Prop(const TObject& obj, StringView name) { return obj.ClassInfo().FindProperty(name); }

}  // namespace

TEST(ManagerOptions, DefaultsOfEveryOptionObject) {
  DuRiruZireziv m;
  EXPECT_FALSE(m.Options.NoMouseHover);
  EXPECT_FALSE(m.Options.StdGlyphsOrder);
  EXPECT_FALSE(m.Options.CheckEmptyAlpha);
  EXPECT_FALSE(m.Options.ChangeSysColors);
  EXPECT_FALSE(m.Options.StdImgTransparency);
  EXPECT_TRUE(m.Options.DrawNonClientArea);
  EXPECT_FALSE(m.Options.NativeBordersMaximized);
  EXPECT_EQ(m.Options.Owner, &m);
  EXPECT_EQ(m.Options.ArrowsStyle, arsDefault);
  EXPECT_EQ(m.Options.PixelsPerInch, 96);
  EXPECT_EQ(m.Options.OptimizingPriority, opSpeed);
  EXPECT_EQ(m.Options.GroupBoxStyle, gsStandard);
  EXPECT_FALSE(m.Options.RotateArrows);
  EXPECT_EQ(m.Options.ScaleMode, smVCL);

  EXPECT_TRUE(m.Effects.AllowGlowing);
  EXPECT_TRUE(m.Effects.AllowAnimation);
  EXPECT_TRUE(m.Effects.AllowAeroBluring);
  EXPECT_FALSE(m.Effects.DiscoloredGlyphs);
  EXPECT_TRUE(m.Effects.AllowOuterEffects);

  struct Anim {
    const char* name;
    const TkvFormAnimation& a;
    bool active;
    Word time;
    TkvAnimType mode;
  } anims[] = {{"FormHide", m.AnimEffects.FormHide, true, 0, atAero},
               {"DialogHide", m.AnimEffects.DialogHide, true, 0, atAero},
               {"FormShow", m.AnimEffects.FormShow, true, 0, atAero},
               {"Minimizing", m.AnimEffects.Minimizing, true, 80, atAero},
               {"DialogShow", m.AnimEffects.DialogShow, true, 0, atAero},
               {"SkinChanging", m.AnimEffects.SkinChanging, true, 100, atFading},
               {"BlendOnMoving", m.AnimEffects.BlendOnMoving, false, 1000, atAero}};
  for (const Anim& a : anims) {
    EXPECT_EQ(a.a.Active, a.active) << a.name;
    EXPECT_EQ(a.a.Time, a.time) << a.name;
    EXPECT_EQ(a.a.Mode, a.mode) << a.name;
  }
  EXPECT_EQ(m.AnimEffects.BlendOnMoving.BlendValue, 170);
  EXPECT_TRUE(m.AnimEffects.PageChange.Active);
  EXPECT_EQ(m.AnimEffects.PageChange.Time, 0);
  EXPECT_EQ(m.AnimEffects.PageChange.Mode, atcFade);
  EXPECT_TRUE(m.AnimEffects.Buttons.Events == (TSet<TkvBtnEvent>{beMouseEnter, beMouseLeave, beMouseDown, beMouseUp}));
  EXPECT_EQ(m.AnimEffects.Buttons.LightingMode, lmActiveControl);
  EXPECT_EQ(m.AnimEffects.Buttons.ClickEffect, ceCircle);
  EXPECT_EQ(m.AnimEffects.Buttons.Manager, &m);

  EXPECT_FALSE(m.ButtonsOptions.ShowFocusRect);
  EXPECT_TRUE(m.ButtonsOptions.ShiftContentOnClick);
  EXPECT_TRUE(m.ButtonsOptions.ModalButtonsColoring == TSet<TkvModalButtonsColoringValue>{bcGlyph});
  EXPECT_TRUE(m.ButtonsOptions.AllowRTLSysButtons);
  EXPECT_TRUE(m.LabelsOptions.TransparentAlways);
  EXPECT_EQ(m.ScrollsOptions.ScrollSize, -1);
  EXPECT_EQ(m.ScrollsOptions.ButtonsSize, -1);
  EXPECT_EQ(m.Fonts.MainFont, u"");
  EXPECT_EQ(m.Fonts.MainMode, fmDefault);
}

TEST(ManagerOptions, BooleansByIndex) {
  DuRiruZireziv m;
  bool TkvOptions::*fields[] = {&TkvOptions::CheckEmptyAlpha,        &TkvOptions::NoMouseHover,
                                &TkvOptions::NativeBordersMaximized, &TkvOptions::StdGlyphsOrder,
                                &TkvOptions::ChangeSysColors,        &TkvOptions::StdImgTransparency,
                                &TkvOptions::DrawNonClientArea};
  for (Integer i = 0; i < 7; ++i) {
    const bool before = m.Options.*fields[i];
    m.Options.SetBool(i, !before);
    EXPECT_EQ(m.Options.*fields[i], !before) << i;
    EXPECT_EQ(m.Options.GetBool(i), !before) << i;
    m.Options.SetBool(i, before);
    EXPECT_EQ(m.Options.GetBool(i), before) << i;
  }
  // An index outside 0..6 reads ChangeSysColors and writes nothing.
  m.Options.ChangeSysColors = true;
  EXPECT_TRUE(m.Options.GetBool(9));
  EXPECT_TRUE(m.Options.GetBool(-1));
  m.Options.SetBool(9, false);
  m.Options.SetBool(7, false);
  EXPECT_TRUE(m.Options.ChangeSysColors);
  EXPECT_TRUE(m.Options.DrawNonClientArea);
}

TEST(ManagerOptions, ActualArrowStyleFollowsTheSkinOnlyWhileDefault) {
  DuRiruZireziv m;
  m.SkinCommonInfo.ArrowStyle = arsLines2;
  EXPECT_EQ(m.Options.ActualArrowStyle(), arsLines2);
  m.SkinCommonInfo.ArrowStyle = arsSolid3;
  EXPECT_EQ(m.Options.ActualArrowStyle(), arsSolid3);
  m.Options.SetArrowsStyle(arsSolid1);
  EXPECT_EQ(m.Options.ActualArrowStyle(), arsSolid1);
  m.Options.SetArrowsStyle(arsDefault);
  EXPECT_EQ(m.Options.ActualArrowStyle(), arsSolid3);
}

TEST(ManagerOptions, OldGlyphsModeIsOneSwitchForEveryManager) {
  const bool saved = kv_OldGlyphsMode;
  DuRiruZireziv a, b;
  a.ButtonsOptions.SetOldGlyphsMode(!saved);
  EXPECT_EQ(kv_OldGlyphsMode, !saved);
  EXPECT_EQ(b.ButtonsOptions.OldGlyphsMode(), !saved);
  b.ButtonsOptions.SetOldGlyphsMode(saved);
  EXPECT_EQ(a.ButtonsOptions.OldGlyphsMode(), saved);
  kv_OldGlyphsMode = saved;
}

TEST(ManagerOptions, ScrollAndEffectSettersStoreOnlyChanges) {
  DuRiruZireziv m;
  m.ScrollsOptions.SetInteger(1, 17);
  m.ScrollsOptions.SetInteger(0, 12);
  EXPECT_EQ(m.ScrollsOptions.ScrollSize, 17);
  EXPECT_EQ(m.ScrollsOptions.ButtonsSize, 12);
  m.ScrollsOptions.SetInteger(5, 99);  // no such index
  EXPECT_EQ(m.ScrollsOptions.ScrollSize, 17);
  EXPECT_EQ(m.ScrollsOptions.ButtonsSize, 12);
  m.Effects.SetBoolean(0, false);
  m.Effects.SetBoolean(1, true);
  m.Effects.SetBoolean(2, false);  // ignored
  EXPECT_FALSE(m.Effects.AllowOuterEffects);
  EXPECT_TRUE(m.Effects.DiscoloredGlyphs);
  EXPECT_TRUE(m.Effects.AllowGlowing);
}

TEST(ManagerOptions, FontModeDefaultBeforeAnyStoredFontChangesNothing) {
  DuRiruZireziv m;
  int changes = 0;
  struct Counter : TObject {
    int* n;
    void Changed(TObject*, const String&, const String&) { ++*n; }
  } counter;
  counter.n = &changes;
  m.OnFontChanged = TkvFontChangedEvent(&counter, &Counter::Changed);
  m.Fonts.SetMainMode(fmCustom);
  m.Fonts.SetMainMode(fmDefault);
  EXPECT_EQ(m.Fonts.MainMode, fmDefault);
  EXPECT_EQ(m.DefOldFontName, u"");
  m.Fonts.SetMainFont(u"Tahoma");  // stored; applied only in fmCustom
  EXPECT_EQ(m.Fonts.MainFont, u"Tahoma");
  EXPECT_EQ(m.DefNewFontName, u"");
}

TEST(ManagerOptions, PublishedUnderTheirNames) {
  DuRiruZireziv m;
  const TClassInfo& info = m.ClassInfo();
  for (const char16_t* name : {u"Options", u"Effects", u"AnimEffects", u"ButtonsOptions", u"LabelsOptions",
                               u"ScrollsOptions", u"Fonts", u"ThirdParty", u"MenuSupport", u"InternalSkins"}) {
    const TPropInfo* p = info.FindProperty(name);
    ASSERT_NE(p, nullptr) << StringToUtf8(name);
    EXPECT_NE(p->GetObj(m), nullptr) << StringToUtf8(name);
  }
  TObject* options = info.FindProperty(u"Options")->GetObj(m);
  EXPECT_EQ(options, &m.Options);
  Prop(*options, u"ArrowsStyle")->SetOrd(*options, arsLines1);
  EXPECT_EQ(m.Options.ArrowsStyle, arsLines1);
  Prop(*options, u"DrawNonClientArea")->SetOrd(*options, 0);
  EXPECT_FALSE(m.Options.DrawNonClientArea);
  TObject* anim = info.FindProperty(u"AnimEffects")->GetObj(m);
  TObject* skinChanging = Prop(*anim, u"SkinChanging")->GetObj(*anim);
  EXPECT_EQ(skinChanging, &m.AnimEffects.SkinChanging);
  Prop(*skinChanging, u"Mode")->SetOrd(*skinChanging, atAero);
  EXPECT_EQ(m.AnimEffects.SkinChanging.Mode, atAero);
  TObject* buttons = Prop(*anim, u"Buttons")->GetObj(*anim);
  Prop(*buttons, u"Events")->SetOrd(*buttons, Int64(TSet<TkvBtnEvent>{beClick, beLighting}.Bits()));
  EXPECT_TRUE(m.AnimEffects.Buttons.Events == (TSet<TkvBtnEvent>{beClick, beLighting}));
  TObject* fonts = info.FindProperty(u"Fonts")->GetObj(m);
  Prop(*fonts, u"MainMode")->SetOrd(*fonts, fmFromSkin);
  EXPECT_EQ(m.Fonts.MainMode, fmFromSkin);
}

// ---- Class-name lists ---------------------------------------------------------------------

TEST(ClassNameLists, StringsByIndexWithinTheKinds) {
  TsThirdPartyList l;
  EXPECT_EQ(l.GetString(tpButton), u"TButton");
  EXPECT_EQ(l.GetString(tpEdit), u" ");
  EXPECT_EQ(l.GetString(tpNativePaint), u" ");
  l.SetString(tpGrid, u"TStringGrid\r\nTDrawGrid");
  EXPECT_EQ(l.GetString(tpGrid), u"TStringGrid\r\nTDrawGrid");
  l.SetString(23, u"TOther");
  l.SetString(-1, u"TOther");
  EXPECT_EQ(l.GetString(23), u"");
  EXPECT_EQ(l.GetString(-1), u"");
  EXPECT_EQ(l.ClassInfo().Properties().size(), 23u);
  EXPECT_EQ(l.ClassInfo().FindProperty(u"ThirdGrids")->GetStr(l), u"TStringGrid\r\nTDrawGrid");
}

TEST(ClassNameLists, LoadKeepsStoredTextsAndRefillsEmptyOnes) {
  DuRiruZireziv m;
  m.ThirdParty.SetString(tpEdit, u"TMaskEdit\r\nTSpinEdit");
  m.ThirdParty.SetString(tpButton, u"");
  LoadThirdNames(&m, false);
  EXPECT_EQ(m.ThirdParty.GetString(tpEdit), u"TMaskEdit\r\nTSpinEdit");
  EXPECT_EQ(m.ThirdParty.GetString(tpButton), u"TButton");  // emptied: its default back
  EXPECT_EQ(m.ThirdParty.GetString(tpPanel), u" ");         // a stored blank is kept
  ASSERT_EQ(m.ThirdLists[tpEdit]->Count(), 2);
  EXPECT_EQ(m.ThirdLists[tpEdit]->Strings(1), u"TSpinEdit");
  EXPECT_TRUE(m.ThirdLists[tpEdit]->CaseSensitive());
  LoadThirdNames(&m, true);
  EXPECT_EQ(m.ThirdParty.GetString(tpEdit), u" ");
  EXPECT_EQ(m.ThirdLists[tpEdit]->Count(), 1);
}

TEST(ClassNameLists, UpdateAndLoad3rdNames) {
  DuRiruZireziv m;
  m.ThirdParty.SetString(tpTreeView, u"TShellTree");
  UpdateThirdNames(&m);
  ASSERT_EQ(m.ThirdLists[tpTreeView]->Count(), 1);
  EXPECT_EQ(m.ThirdLists[tpTreeView]->Strings(0), u"TShellTree");

  TsThirdPartyList own;
  for (Integer i = 0; i <= kvLastSupportedType; ++i) own.SetString(i, u"");
  TkvThirdLists lists;
  bool any = true;
  Load3rdNames(own, lists, any);
  EXPECT_FALSE(any);
  for (const auto& list : lists) {
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Count(), 0);
  }
  own.SetString(tpStatusBar, u"TStatusBarEx");
  Load3rdNames(own, lists, any);
  EXPECT_TRUE(any);
  EXPECT_EQ(lists[tpStatusBar]->Strings(0), u"TStatusBarEx");
}

TEST(ClassNameLists, SearchSupportMatchesWholeLinesExactly) {
  TsThirdPartyList l;
  l.SetString(tpComboBox, u"TComboBoxEx\r\nTColorBox");
  TkvThirdLists lists;
  bool any = false;
  Load3rdNames(l, lists, any);
  struct Case {
    const char16_t* name;
    bool found;
  } cases[] = {{u"TButton", true},    {u"TColorBox", true}, {u"TComboBoxEx", true}, {u"tbutton", false},
               {u"TComboBox", false}, {u" ", true},         {u"", false},           {u"TColorBox ", false}};
  for (const Case& c : cases) EXPECT_EQ(SearchSupport(lists, c.name), c.found) << StringToUtf8(c.name);
  TkvThirdLists empty;
  EXPECT_FALSE(SearchSupport(empty, u"TButton"));
}

TEST(ClassNameLists, CaseSensitivity) {
  TStringList list;
  list.Add(u"TButton");
  EXPECT_EQ(list.IndexOf(u"tbutton"), 0);
  SetCaseSens(list);
  EXPECT_EQ(list.IndexOf(u"tbutton"), -1);
  TMemIniFile ini;
  ini.WriteString(u"BUTTON", u"COLOR", u"1");
  EXPECT_EQ(ini.ReadString(u"button", u"COLOR", u"-"), u"1");
  SetCaseSens(ini);
  EXPECT_EQ(ini.ReadString(u"button", u"COLOR", u"-"), u"-");
  EXPECT_EQ(ini.ReadString(u"BUTTON", u"COLOR", u"-"), u"1");
}
