#include "skin/sCommonData.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "skin/sSkinManager.h"
#include "ui/Bitmap.h"
#include "ui/TypInfo.h"

namespace {

// A manager with one section (two states) whose border mask lies in the master bitmap: two
// state pictures of 4 x 4 side by side, their mask half below them.
struct SkinFixture {
  DuRiruZireziv manager{nullptr};
  TBitmap* master = nullptr;  // owned by the manager
  SkinFixture() {
    auto data = std::make_unique<TkvSkinData>();
    data->FOwner = &manager;
    data->gd.resize(1);
    data->gd[0].States = 2;
    data->gd[0].Props[0].Transparency = 60;
    data->gd[0].Props[1].Transparency = 60;
    data->gd[0].BorderIndex = 0;
    TsMaskData m;
    m.R = TRect(0, 0, 8, 8);
    m.ImageCount = 2;
    m.MaskType = 1;
    m.Width = 4;
    m.Height = 4;
    data->ma.push_back(m);
    manager.SkinDataArray.push_back(std::move(data));
    manager.SkinCommonInfo.Active = true;
    manager.MasterBitmap = std::make_unique<TBitmap>(8, 8, pf32bit);
    master = manager.MasterBitmap.get();
  }
  TsGeneralData& Section() { return manager.gd()[0]; }
  TsMaskData& Mask() { return manager.ma()[0]; }
  // The centre of state 1's mask picture: x = 0 + 1 * 4 + 2, y = 8 - 2.
  void SetMaskCentreBlue(Byte blue) { master->View().At(6, 6) = blue; }  // pixel order: blue in byte 0
};

}  // namespace

TEST(NeedParentFont, TransparentLooksLetTheParentsFontApply) {
  SkinFixture f;
  struct Case {
    const char* what;
    Integer transparency;
    int16_t drawMode, maskType;
    Integer border, state;
    Byte blue;
    bool out;
  } cases[] = {
      {"opaque look", 50, 0, 1, 0, 0, 0, false},
      {"no border mask", 60, 16, 1, -1, 1, 0, true},
      {"state 0, keyed mask", 60, 0, 1, 0, 0, 0, true},
      {"state 0, alpha mask", 60, 16, 1, 0, 0, 0, false},
      {"state 0, alpha mask that fills", 60, 16 | 4, 1, 0, 0, 0, true},
      {"state 1, keyed mask", 60, 0, 1, 0, 1, 0, true},
      {"state 1, alpha without mask half", 60, 16, 0, 0, 1, 255, false},
      {"state 1, bright mask centre", 60, 16, 1, 0, 1, 200, true},
      {"state 1, dark mask centre", 60, 16, 1, 0, 1, 127, false},
      {"state beyond the section's", 60, 16, 1, 0, 7, 200, true},
  };
  for (const auto& c : cases) {
    f.Section().Props[0].Transparency = c.transparency;
    f.Section().Props[1].Transparency = c.transparency;
    f.Section().BorderIndex = c.border;
    f.Mask().DrawMode = c.drawMode;
    f.Mask().MaskType = c.maskType;
    f.SetMaskCentreBlue(c.blue);
    EXPECT_EQ(NeedParentFont(&f.manager, 0, c.state, nullptr), c.out) << c.what;
  }
  // The mask's centre pixel is read only inside its bitmap: an image lying partly outside the
  // master bitmap (a broken skin) decides False instead of reading past the pixels.
  f.Section().BorderIndex = 0;
  f.Mask().DrawMode = 16;
  f.Mask().MaskType = 1;
  for (TRect r : {TRect(6, 6, 14, 14), TRect(-20, 0, -12, 8), TRect(0, 60, 8, 68)}) {
    f.Mask().R = r;
    EXPECT_FALSE(NeedParentFont(&f.manager, 0, 1, nullptr)) << r.Left << "," << r.Top;
  }
  f.Mask().R = TRect(0, 0, 8, 8);
  EXPECT_FALSE(NeedParentFont(&f.manager, 1, 0, nullptr));
  EXPECT_FALSE(NeedParentFont(&f.manager, -1, 0, nullptr));
  EXPECT_FALSE(NeedParentFont(nullptr, 0, 0, nullptr));
}

TEST(SkinData, SkinnedNeedsAManagerAValidSectionAndForActiveAnActiveSkin) {
  SkinFixture f;
  TsCommonData sd(nullptr);
  EXPECT_FALSE(sd.Skinned());  // no section
  sd.SkinIndex = 0;
  EXPECT_TRUE(sd.Skinned(true));
  sd.SkinIndex = 1;
  EXPECT_FALSE(sd.Skinned());
  sd.SkinIndex = 0;
  f.manager.SkinCommonInfo.Active = false;
  EXPECT_FALSE(sd.Skinned(true));
  EXPECT_FALSE(sd.Skinned(false));  // inactive: the standard data has no sections
  f.manager.ManagerState.Include(msSkinChanging);
  EXPECT_TRUE(sd.Skinned(false));  // during a skin change the new data already serves
  EXPECT_FALSE(sd.Skinned(true));
  TComponent owner(nullptr);
  TsCommonData owned(&owner);
  owned.SkinIndex = 0;
  EXPECT_TRUE(owned.Skinned(false));
  owner.Destroying();
  EXPECT_FALSE(owned.Skinned(false));
  EXPECT_EQ(sd.GetSkinManager(), &f.manager);
}

namespace {
int gBitmapsGone = 0;
class TCountedBitmap : public TBitmap {
 public:
  ~TCountedBitmap() override { ++gBitmapsGone; }
};
}  // namespace

TEST(SkinData, ANewObjectTakesItsSectionAndColoursFromTheSkin) {
  TsCommonData sd(nullptr, true);
  EXPECT_EQ(sd.SkinIndex, -1);
  EXPECT_EQ(sd.GlowID, -1);
  EXPECT_EQ(sd.CircleID, -1);
  EXPECT_EQ(sd.PPIIndex, -1);
  EXPECT_EQ(sd.CurrentPPI, 96);
  EXPECT_EQ(sd.SavedColor, kvNoColor);
  EXPECT_EQ(sd.SavedFontColor, kvNoColor);
  EXPECT_TRUE(sd.Loading);
  EXPECT_TRUE(sd.BGChanged);
  ASSERT_TRUE(sd.FCacheBmp);  // asked for: an empty 32-bit cache from the start
  EXPECT_EQ(sd.FCacheBmp->Width(), 0);
  ASSERT_TRUE(sd.FCustomBorder);
  EXPECT_FALSE(sd.FCustomBorder->IsChanged());
  ASSERT_TRUE(sd.FOuterEffects);
  EXPECT_EQ(sd.FOuterEffects->Visibility(), ovNone);
  TsCommonData plain(nullptr);
  EXPECT_FALSE(plain.FCacheBmp);
}

TEST(SkinData, TheSectionIsStoredUpperCaseAndResolvedByName) {
  SkinFixture f;
  f.manager.gd()[0].ClassName = u"EDIT";
  f.manager.CommonSkinData(96)->IndexSections();
  TsCommonData sd(nullptr);
  sd.SetSkinSection(u"edit");
  EXPECT_EQ(sd.FSkinSection, u"EDIT");
  EXPECT_EQ(sd.SkinIndex, 0);
  sd.SetSkinSection(u"missing");
  EXPECT_EQ(sd.SkinIndex, -1);
}

TEST(SkinData, TheSkinDataIsLookedUpOnceWhileTheSkinIsAtHand) {
  SkinFixture f;
  TsCommonData sd(nullptr);
  sd.SkinIndex = 0;
  TkvSkinData* first = sd.GetCommonSkinData();
  const Integer lookups = kvSkinDataLookups;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(sd.GetCommonSkinData(), first);
  EXPECT_EQ(kvSkinDataLookups, lookups);
  EXPECT_EQ(sd.PPIIndex, 0);
  sd.SkinIndex = -1;  // not skinned any more: the cache is dropped
  sd.GetCommonSkinData();
  EXPECT_EQ(sd.FCommonSkinData, nullptr);
  EXPECT_EQ(sd.PPIIndex, -1);
}

TEST(SkinData, SizeChangesNeedAFullRepaintOnlyWhereTheBackgroundDependsOnThem) {
  TsCommonData sd(nullptr);
  struct Case {
    Cardinal state;
    Word bgType;
    bool out;
  } cases[] = {
      {KVS_REPAINTNEEDH, BGT_GRADIENTHORZ, true},
      {KVS_REPAINTNEEDH, BGT_GRADIENTVERT, false},
      {KVS_REPAINTNEEDV, BGT_GRADIENTVERT, true},
      {KVS_REPAINTNEEDV, BGT_TEXTURETOP, false},
      {KVS_REPAINTNEEDV, BGT_TEXTURELEFT, true},
      {KVS_REPAINTNEEDH, BGT_STRETCH, true},
      {0, BGT_STRETCH, false},
      {KVS_REPAINTNEEDH | KVS_REPAINTNEEDV, 0, false},
  };
  for (const auto& k : cases) {
    sd.CtrlSkinState = k.state;
    sd.BGType = k.bgType;
    EXPECT_EQ(FullRepaintOnly(&sd), k.out) << k.state << " " << k.bgType;
  }
}

TEST(SkinData, OwnsItsCacheBitmapAndItsFadeTimer) {
  gBitmapsGone = 0;
  TComponent control(nullptr);
  auto* data = new TsCommonData(&control);
  data->FCacheBmp = std::make_unique<TCountedBitmap>();
  EXPECT_EQ(GetNewTimer(data->AnimTimer, &control, 2), 0);
  ASSERT_TRUE(data->AnimTimer);
  data->AnimTimer->InitData(
      data, 0, [](TObject*, Integer) { return true; }, 2, false);
  EXPECT_EQ(control.ComponentCount(), 1);
  data->Free();
  EXPECT_EQ(gBitmapsGone, 1);
  EXPECT_EQ(control.ComponentCount(), 0);  // the timer went with the skin data, not later with its owner
}

TEST(SkinData, FinishingATimerDrawsItsLastFrameAtTheEndOfItsCourseAndStopsIt) {
  struct Case {
    const char* name;
    Integer state;
    double glowSeen;  // the progress the last frame is drawn with
  } cases[] = {{"to normal", 0, 0}, {"to hot", 1, 255}, {"to pressed", 2, 0}};
  for (const Case& c : cases) {
    TComponent control(nullptr);
    TkvThreadedTimer* timer = nullptr;
    GetNewTimer(timer, &control, c.state);
    std::vector<std::pair<Integer, double>> steps;
    timer->InitData(
        nullptr, 0,
        [&](TObject*, Integer i) {
          steps.emplace_back(i, timer->Glow);
          return true;
        },
        c.state, false);
    timer->Glow = 100;  // part-way
    timer->BmpOut = new TBitmap(4, 4, pf32bit);
    FinishTimer(timer);
    ASSERT_EQ(steps.size(), 1u) << c.name;
    EXPECT_EQ(steps[0].first, timer->Iterations - 1) << c.name;
    EXPECT_EQ(steps[0].second, c.glowSeen) << c.name;
    EXPECT_FALSE(timer->Enabled()) << c.name;
    EXPECT_EQ(timer->BmpOut, nullptr) << c.name;
  }
  FinishTimer(nullptr);  // nothing to finish
  TComponent control(nullptr);
  TkvThreadedTimer* going = nullptr;
  GetNewTimer(going, &control, 1);
  int calls = 0;
  going->InitData(
      nullptr, 0, [&](TObject*, Integer) { return ++calls > 0; }, 1, false);
  going->Destroyed = true;
  FinishTimer(going);
  EXPECT_EQ(calls, 0) << "a timer that is going draws nothing";
  going->Destroyed = false;
}

TEST(SkinData, AFadeTimerItsOwnerFreesFirstLeavesTheSkinDataWithout) {
  auto* control = new TComponent(nullptr);
  TsCommonData data(control);
  GetNewTimer(data.AnimTimer, control, 0);
  ASSERT_TRUE(data.AnimTimer);
  control->Free();
  EXPECT_FALSE(data.AnimTimer);
}

TEST(SkinData, TheSectionIsWrittenUnlessItIsTheOwnersDefault) {
  struct Case {
    intptr_t answer;  // the owner's KV_GETDEFSECTION answer: a position in kvDefSections + 1
    const char16_t* section;
    bool stored;
  };
  const Case cases[] = {
      {0, u"", true},                          // the owner names no default: written even when empty
      {0, u"EDIT", true},    {20, u"", true},  // past the table
      {-1, u"", true},       {1, u"", false},  // the default is left to the owner
      {1, u"EDIT", false},                     // the default itself
      {1, u"BUTTON", true},                    // another section
      {2, u"BUTTON", false}, {3, u"TRANSPARENT", false},
      {7, u"GAUGE", false},  {13, u"FORM", false},
      {13, u"EDIT", true},   {19, u"", false},  // the last position
      {4, u"", false},                          // a position no control names: empty stays unwritten
      {4, u"PANEL", true},                      // and a set section is kept
  };
  for (const Case& c : cases)
    EXPECT_EQ(kvSectionStored(c.answer, c.section), c.stored) << c.answer << " " << String(c.section).size();
  EXPECT_EQ(kvDefSections.size(), 19u);
}

TEST(SkinData, WithoutAnOwnerASetSectionIsWritten) {
  TsCommonData d(nullptr);
  EXPECT_TRUE(d.SectionStored());
  const TPropInfo* info = GetPropInfo(&d, u"SkinSection");
  ASSERT_NE(info, nullptr);
  ASSERT_TRUE(info->IsStored);
  EXPECT_TRUE(info->IsStored(d));
}
