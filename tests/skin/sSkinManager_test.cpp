#include "skin/sSkinManager.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TkvSkinData> DataWith(Integer ppi, size_t sections, size_t images = 0) {
  auto sd = std::make_unique<TkvSkinData>();
  sd->PPI = ppi;
  sd->gd.resize(sections);
  sd->ma.resize(images);
  return sd;
}

}  // namespace

TEST(SkinManager, FirstManagerIsTheDefault) {
  ASSERT_EQ(DefaultManager, nullptr);
  ASSERT_EQ(DefaultManagerLink(), nullptr);
  {
    DuRiruZireziv first(nullptr);
    EXPECT_EQ(DefaultManager, &first);
    // The layers below the skin layer reach the default manager through its link.
    TkvManagerLink* link = DefaultManagerLink();
    ASSERT_NE(link, nullptr);
    EXPECT_FALSE(link->IsActive());
    first.SkinCommonInfo.Active = true;
    EXPECT_TRUE(link->IsActive());
    EXPECT_FALSE(link->IsSkinChanging());
    first.ManagerState.Include(msSkinChanging);
    EXPECT_TRUE(link->IsSkinChanging());
    first.Options.CheckEmptyAlpha = true;
    first.Options.PixelsPerInch = 144;
    EXPECT_TRUE(link->Options().CheckEmptyAlpha);
    EXPECT_EQ(link->Options().PixelsPerInch, 144);
    DuRiruZireziv second(nullptr);
    EXPECT_EQ(DefaultManager, &first);
    EXPECT_EQ(DefaultManagerLink(), link);
  }
  EXPECT_EQ(DefaultManager, nullptr);
  EXPECT_EQ(DefaultManagerLink(), nullptr);
}

TEST(SkinManager, SkinDataPerPPI) {
  DuRiruZireziv m(nullptr);
  // No skin: the standard data of the PPI's scale, with the PPI asked for.
  TkvSkinData* std120 = m.CommonSkinData(125);
  EXPECT_EQ(std120->ScaleValue, 1);
  EXPECT_EQ(std120->PPI, 125);
  EXPECT_EQ(std120->ScalePercent, 130);
  EXPECT_TRUE(std120->gd.empty());
  EXPECT_NE(m.CommonSkinData(96), std120);

  m.SkinDataArray.push_back(DataWith(96, 3, 2));
  m.SkinDataArray.push_back(nullptr);
  m.SkinDataArray.push_back(DataWith(144, 3));
  EXPECT_EQ(m.CommonSkinData(144)->gd.size(), 0u);  // inactive: still the standard data
  m.ManagerState.Include(msSkinChanging);
  EXPECT_EQ(m.CommonSkinData(144), m.SkinDataArray[2].get());  // a skin change already serves it
  m.ManagerState.Exclude(msSkinChanging);
  m.SkinCommonInfo.Active = true;
  EXPECT_EQ(m.CommonSkinData(144), m.SkinDataArray[2].get());
  EXPECT_EQ(m.CommonSkinData(120), m.SkinDataArray[0].get());  // an empty slot: slot 0
  EXPECT_EQ(m.CommonSkinData(192), m.SkinDataArray[0].get());
  EXPECT_EQ(&m.gd(), &m.SkinDataArray[0]->gd);
}

TEST(SkinManager, ValidIndexes) {
  DuRiruZireziv m(nullptr);
  m.SkinDataArray.push_back(DataWith(96, 3, 2));
  m.SkinCommonInfo.Active = true;
  struct Case {
    Integer index;
    bool skin, img;
  } cases[] = {{-1, false, false}, {0, true, true}, {1, true, true}, {2, true, false}, {3, false, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(m.IsValidSkinIndex(c.index), c.skin) << c.index;
    EXPECT_EQ(m.IsValidImgIndex(c.index), c.img) << c.index;
  }
  m.SkinDataArray.push_back(DataWith(120, 2));  // a slot that disagrees on the section count
  EXPECT_FALSE(m.IsValidSkinIndex(0));
}

TEST(SkinManager, PublishedSettings) {
  DuRiruZireziv m;
  const TClassInfo& info = m.ClassInfo();
  EXPECT_EQ(m.SkinDirectory(), u"c:\\Skins");
  m.SetSkinDirectory(u"C:\\SKINS");  // the same folder: kept as it was
  EXPECT_EQ(m.SkinDirectory(), u"c:\\Skins");
  info.FindProperty(u"SkinDirectory")->SetStr(m, u"C:\\Program\\data");
  EXPECT_EQ(m.SkinDirectory(), u"C:\\Program\\data");
  info.FindProperty(u"SkinName")->SetStr(m, u"Glimmerveil.KPZ");
  EXPECT_EQ(m.SkinName(), u"Glimmerveil");
  m.SetSkinName(u"Glimmerveil");
  EXPECT_EQ(m.SkinName(), u"Glimmerveil");
  EXPECT_FALSE(m.IsActive());  // no skin was loaded

  const bool saved = kv_OldGlyphsMode;
  const TPropInfo* options = info.FindProperty(u"ButtonsOptions");
  ASSERT_NE(options, nullptr);
  TObject* buttons = options->GetObj(m);
  buttons->ClassInfo().FindProperty(u"OldGlyphsMode")->SetOrd(*buttons, 0);
  EXPECT_FALSE(kv_OldGlyphsMode);
  kv_OldGlyphsMode = true;
  EXPECT_EQ(buttons->ClassInfo().FindProperty(u"OldGlyphsMode")->GetOrd(*buttons), 1);
  kv_OldGlyphsMode = saved;

  TObject* third = info.FindProperty(u"ThirdParty")->GetObj(m);
  const char16_t* names[] = {u"ThirdEdits",       u"ThirdBitBtns",       u"ThirdCheckBoxes",   u"ThirdGroupBoxes",
                             u"ThirdListViews",   u"ThirdPanels",        u"ThirdGrids",        u"ThirdTreeViews",
                             u"ThirdComboBoxes",  u"ThirdWWEdits",       u"ThirdVirtualTrees", u"ThirdGridEh",
                             u"ThirdPageControl", u"ThirdTabControl",    u"ThirdToolBar",      u"ThirdStatusBar",
                             u"ThirdSpeedButton", u"ThirdScrollControl", u"ThirdUpDown",       u"ThirdScrollBar",
                             u"ThirdStaticText",  u"ThirdNativePaint"};
  for (const char16_t* n : names) {
    const TPropInfo* p = third->ClassInfo().FindProperty(n);
    ASSERT_NE(p, nullptr) << StringToUtf8(n);
    EXPECT_EQ(p->GetStr(*third), u" ") << StringToUtf8(n);
  }
  EXPECT_EQ(third->ClassInfo().Properties().size(), 23u);
  EXPECT_EQ(third->ClassInfo().FindProperty(u"ThirdButtons")->GetStr(*third), u"TButton");
  third->ClassInfo().FindProperty(u"ThirdUpDown")->SetStr(*third, u"TUpDown");
  EXPECT_EQ(m.ThirdParty.GetString(tpUpDownBtn), u"TUpDown");

  EXPECT_EQ(m.InternalSkins()->Count(), 0);
  EXPECT_EQ(m.InternalSkins()->Add()->ClassName(), u"TsStoredSkin");
  EXPECT_NE(info.FindProperty(u"MenuSupport")->GetObj(m), nullptr);
  info.FindProperty(u"SkinInfo")->SetStr(m, u"16.5");
  EXPECT_EQ(m.GetSkinInfo(), u"N/A");  // writes are ignored
  info.FindProperty(u"Version")->SetStr(m, u"1.0");
  EXPECT_EQ(m.GetVersion(), u"16.22");
}
