// The program's own skin, Glimmerveil, as the build installs it beside the program (the folder
// bin/data/Glimmerveil and the packed bin/data/Glimmerveil.kpz), loaded at every PPI: it loads
// without a message, every picture it names is there at its own density (never resampled),
// and the packed file gives exactly what the folder gives.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/kvntUtils.h"
#include "skin/sSkinManagerLoader.h"
#include "support/SkinFiles.h"
#include "ui/SysUtils.h"

using namespace skinfiles;

namespace {

// The test exe lies in <build>/tests/skin; the program's data folder is <build>/bin/data.
String DataFolder() { return GetAppPath() + u"..\\..\\bin\\data\\"; }

constexpr Integer kPPIs[] = {96, 120, 144, 192};

TkvSkinLoadSettings GlimmerveilIn(const String& folder) {
  TkvSkinLoadSettings s;
  s.SkinDirectory = folder;
  s.SkinName = u"Glimmerveil";
  return s;
}

}  // namespace

TEST(Glimmerveil, LoadsAtEveryPPIFromItsFolder) {
  DuRiruZireziv manager(nullptr);
  TkvSkinSet skin;
  skin.Settings = GlimmerveilIn(DataFolder());
  ASSERT_EQ(manager.LoadSkin(skin, {96, 120, 144, 192}), slsLoaded);
  EXPECT_FALSE(skin.SkinIsPacked);
  for (const auto& n : skin.Notices) ADD_FAILURE() << StringToUtf8(n.Text);
  EXPECT_DOUBLE_EQ(skin.SkinCommonInfo.Version, 16.22);
  EXPECT_EQ(skin.SkinCommonInfo.MainFont, u"Segoe UI");
  EXPECT_EQ(skin.Palette[pcMainColor], TColor(IniInteger(skin.SkinFile, u"GLOBALINFO", u"COLOR", -1)));
  for (Integer ppi : kPPIs) {
    const TkvSkinData* d = skin.Slot(TkvSkinSet::SlotOf(ppi, skin.Settings));
    ASSERT_NE(d, nullptr) << ppi;
    EXPECT_EQ(d->PPI, ppi);
    for (const char16_t* section : {u"FORM", u"FORMTITLE", u"BUTTON", u"EDIT", u"GAUGE", u"PROGRESSH", u"HINT",
                                    u"MAINMENU", u"MENUITEM", u"SCROLLSLIDERH"}) {
      const Integer i = d->GetSkinIndex(section);
      ASSERT_GE(i, 0) << StringToUtf8(section);
      EXPECT_GE(d->gd[size_t(i)].BorderIndex, 0) << StringToUtf8(section) << " at " << ppi;
    }
    // Every picture of the skin is drawn for this density: taken as it is, never resampled.
    for (const auto& md : d->ma) {
      if (md.ClassName == u"GLOBALINFO" && (md.PropertyName == u"SH_MASK" || md.PropertyName == u"LO_MASK")) continue;
      if (md.PropertyName.empty()) continue;  // generated outer images
      EXPECT_EQ(md.DivPPI, ppi) << StringToUtf8(md.ClassName) << "." << StringToUtf8(md.PropertyName) << " at " << ppi;
      ASSERT_NE(md.Bmp, nullptr);
      EXPECT_EQ(md.R, TRect(0, 0, md.Bmp->Width(), md.Bmp->Height()));
      EXPECT_EQ(md.Width * md.ImageCount, md.R.Width());
    }
    EXPECT_GE(d->TitleGlyphs[tgClose], 0);
    EXPECT_EQ(d->TitleGlyphs[tgCloseAlone], d->TitleGlyphs[tgClose]);
    for (Integer k = 0; k < 3; ++k) EXPECT_GE(d->CheckBox[size_t(k)], 0) << k;
    for (Integer k = 0; k < 2; ++k) EXPECT_GE(d->RadioButton[size_t(k)], 0) << k;
    EXPECT_GE(d->ScrollBtns[0].GlyphIndex, 0);
    EXPECT_GE(d->Sliders[0].MaskIndex, 0);
  }
}

TEST(Glimmerveil, ThePackedFileGivesWhatTheFolderGives) {
  // The packed file alone in a folder of its own, so the folder skin does not win.
  TempDir dir;
  const Bytes packed = ReadFile(DataFolder() + u"Glimmerveil.kpz");
  ASSERT_FALSE(packed.empty());
  WriteFile(Join(dir.Path(), "Glimmerveil.kpz"), packed);
  TMemoryStream preview;
  ASSERT_TRUE(GetPreviewStream(preview, Join(dir.Path(), "Glimmerveil.kpz")));
  EXPECT_GT(preview.GetSize(), 8);
  EXPECT_EQ(preview.Memory()[1], 'P');  // a PNG picture

  DuRiruZireziv manager(nullptr);
  TkvSkinSet folder, kpz;
  folder.Settings = GlimmerveilIn(DataFolder());
  kpz.Settings = GlimmerveilIn(dir.Path() + u"/");
  ASSERT_EQ(manager.LoadSkin(folder, {96, 120, 144, 192}), slsLoaded);
  ASSERT_EQ(manager.LoadSkin(kpz, {96, 120, 144, 192}), slsLoaded);
  EXPECT_TRUE(kpz.SkinIsPacked);
  EXPECT_TRUE(kpz.Notices.empty());
  EXPECT_EQ(kpz.Palette, folder.Palette);
  for (Integer ppi : kPPIs) {
    const Integer slot = TkvSkinSet::SlotOf(ppi, folder.Settings);
    const TkvSkinData& a = *folder.Slot(slot);
    const TkvSkinData& b = *kpz.Slot(slot);
    ASSERT_EQ(a.gd.size(), b.gd.size()) << ppi;
    for (size_t i = 0; i < a.gd.size(); ++i) {
      EXPECT_EQ(a.gd[i].ClassName, b.gd[i].ClassName);
      EXPECT_EQ(a.gd[i].BorderIndex, b.gd[i].BorderIndex);
      EXPECT_EQ(a.gd[i].Props[0].Color, b.gd[i].Props[0].Color);
    }
    ASSERT_EQ(a.ma.size(), b.ma.size()) << ppi;
    for (size_t i = 0; i < a.ma.size(); ++i) {
      const TsMaskData &x = a.ma[i], &y = b.ma[i];
      EXPECT_EQ(x.PropertyName, y.PropertyName);
      EXPECT_EQ(x.R, y.R);
      EXPECT_EQ(x.WL + x.WT + x.WR + x.WB, y.WL + y.WT + y.WR + y.WB);
      EXPECT_EQ(x.Cfg, y.Cfg);
      if (!x.Bmp || !y.Bmp) {
        EXPECT_EQ(x.Bmp == nullptr, y.Bmp == nullptr);
        continue;
      }
      const TPixelView vx = x.Bmp->View(), vy = y.Bmp->View();
      ASSERT_EQ(vx.Width, vy.Width);
      ASSERT_EQ(vx.Height, vy.Height);
      for (Integer row = 0; row < vx.Height; ++row)
        ASSERT_EQ(0, std::memcmp(vx.Row(row), vy.Row(row), size_t(vx.Width) * 4))
            << StringToUtf8(x.ClassName) << "." << StringToUtf8(x.PropertyName) << " row " << row;
    }
  }
}
