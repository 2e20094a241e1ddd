// The skin change of the manager: its events, its names, what a refused, failed or missing skin
// leaves behind, reloading in place, suspended updates, the skin data per PPI and the default
// manager. The skins are small folder or packed skins the tests write.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "support/SkinFiles.h"
#include "ui/Graphics.h"

using namespace skinfiles;

namespace {

// Records the manager's events in order.
class Events : public TObject {
 public:
  explicit Events(DuRiruZireziv& m) : manager(&m) {
    m.OnBeforeChange = TNotifyEvent(this, &Events::Before);
    m.OnSkinChanging = TkvSkinChangingEvent(this, &Events::Changing);
    m.OnActivate = TNotifyEvent(this, &Events::Activate);
    m.OnAfterChange = TNotifyEvent(this, &Events::After);
    m.OnDeactivate = TNotifyEvent(this, &Events::Deactivate);
    m.OnSkinListChanged = TNotifyEvent(this, &Events::ListChanged);
  }
  void Before(TObject*) { seen.push_back("before"); }
  void Changing(TObject*, const String& name, bool& allow) {
    seen.push_back("changing:" + StringToUtf8(name));
    allow = allowChange;
    if (throwOnChange) throw Exception(u"refused by a handler");
  }
  void Activate(TObject*) { seen.push_back("activate"); }
  void After(TObject*) { seen.push_back("after"); }
  void Deactivate(TObject*) { seen.push_back("deactivate"); }
  // The manager tells of a new folder or filter itself; on Windows its skin list also tells
  // when it was cleared and rebuilt, with the list as the sender.
  void ListChanged(TObject* sender) { seen.push_back(sender == manager ? "list" : "list rebuilt"); }

  TObject* manager;

  std::vector<std::string> seen;
  bool allowChange = true;
  bool throwOnChange = false;
};

SkinFiles Tiny(const char* color = "0xFF8000") {
  SkinFiles files;
  files.Set("GLOBALINFO", "VERSION", "16.22");
  files.Set("BUTTON", "COLOR", color);
  files.Set("FORM", "COLOR", "0xF0F0F0");
  return files;
}

struct SkinChange : ::testing::Test {
  void SetUp() override {
    Tiny().WriteFolder(dir.Path(), "Tiny");
    Tiny("0x0000FF").WriteFolder(dir.Path(), "Other");
    m.SetSkinDirectory(dir.Path());
    events.seen.clear();
  }
  // The manager outlives the recorder: it reports its end to nobody.
  void TearDown() override { m.OnDeactivate = TNotifyEvent(); }
  TkvSkinData* Slot0() { return m.SkinDataArray.empty() ? nullptr : m.SkinDataArray[0].get(); }

  TempDir dir;
  DuRiruZireziv m;
  Events events{m};
};

}  // namespace

TEST_F(SkinChange, LoadsTheSkinAndReportsInOrder) {
  ASSERT_FALSE(m.IsActive());
  m.SetSkinName(u"Tiny");
  EXPECT_TRUE(m.IsActive());
  EXPECT_EQ(m.SkinName(), u"Tiny");
  EXPECT_EQ(events.seen, (std::vector<std::string>{"before", "changing:Tiny", "activate", "after"}));
  EXPECT_TRUE(m.ManagerState.Empty());
  EXPECT_EQ(m.GetSkinInfo(), u"16.22");
  EXPECT_GE(m.GetSkinIndex(u"BUTTON"), 0);
  EXPECT_EQ(m.SkinCommonInfo.Sections[ssButton], m.GetSkinIndex(u"BUTTON"));

  // Another skin: no activation, the same order otherwise.
  events.seen.clear();
  m.SetSkinName(u"Other");
  EXPECT_EQ(events.seen, (std::vector<std::string>{"before", "changing:Other", "after"}));
  EXPECT_TRUE(m.IsActive());
}

TEST_F(SkinChange, NamesOfPackedSkins) {
  Tiny().WritePacked(dir.Path(), "Packed");
  struct Case {
    const char16_t* given;
    const char16_t* stored;
    bool active;
  } cases[] = {{u"Packed.kpz", u"Packed", true}, {u"Packed.KPZ", u"Packed", true}, {u"Packed.Kpz", u"Packed", true},
               {u"Packed", u"Packed", true},     {u".kpz", u".kpz", false},        {u"Packedkpz", u"Packedkpz", false}};
  for (const Case& c : cases) {
    m.SetSkinName(c.given);
    EXPECT_EQ(m.SkinName(), c.stored) << StringToUtf8(c.given);
    EXPECT_EQ(m.IsActive(), c.active) << StringToUtf8(c.given);
  }
}

TEST_F(SkinChange, InactiveManagerOnlyStoresTheName) {
  m.SetActive(false);
  events.seen.clear();
  m.SetSkinName(u"Tiny.kpz");
  EXPECT_EQ(m.SkinName(), u"Tiny.kpz");
  EXPECT_FALSE(m.IsActive());
  EXPECT_TRUE(events.seen.empty());
  m.SetSkinName(u"Tiny");
  m.SetActive(true);  // now it loads
  EXPECT_TRUE(m.IsActive());
  EXPECT_EQ(events.seen, (std::vector<std::string>{"before", "changing:Tiny", "activate", "after"}));
}

TEST_F(SkinChange, ARefusedChangeLeavesEverythingAsItWas) {
  m.SetSkinName(u"Tiny");
  TkvSkinData* before = Slot0();
  ASSERT_NE(before, nullptr);
  m.ManagerState.Include(msRTLFlipped);
  events.seen.clear();
  events.allowChange = false;
  m.SetSkinName(u"Other");
  EXPECT_EQ(m.SkinName(), u"Tiny");
  EXPECT_FALSE(m.ManagerState.Contains(msSkinChanging));
  EXPECT_TRUE(m.ManagerState.Contains(msRTLFlipped));
  EXPECT_EQ(Slot0(), before);
  EXPECT_TRUE(m.IsActive());
  EXPECT_FALSE(InAnimationProcess);
  EXPECT_EQ(events.seen, (std::vector<std::string>{"before", "changing:Other"}));
}

TEST_F(SkinChange, AHandlerThatRaisesLeavesNoStateFlag) {
  m.SetSkinName(u"Tiny");
  events.throwOnChange = true;
  EXPECT_THROW(m.SetSkinName(u"Other"), Exception);
  EXPECT_TRUE(m.ManagerState.Empty());
  EXPECT_TRUE(m.IsActive());

  // The font change and the broadcast that carries it clear theirs too.
  events.throwOnChange = false;
  struct Thrower : TObject {
    void Changed(TObject*, const String&, const String&) { throw Exception(u"font refused"); }
  } thrower;
  m.OnFontChanged = TkvFontChangedEvent(&thrower, &Thrower::Changed);
  m.Fonts.MainFont = u"Tahoma";
  EXPECT_THROW(m.Fonts.SetMainMode(fmCustom), Exception);
  EXPECT_TRUE(m.ManagerState.Empty());
  EXPECT_THROW(m.SendNewSkin(true), Exception);
  EXPECT_TRUE(m.ManagerState.Empty());
  EXPECT_FALSE(RestrictDrawing);
}

#ifndef _WIN32
// Under Windows the failure is also shown in a message box; the windowed test of the manager
// answers that box and checks the same.
TEST_F(SkinChange, AFailedLoadKeepsTheSkinInForce) {
  // Data that are no packed skin, and a skin whose master bitmap is no picture.
  WriteFile(Join(dir.Path(), "Garbage.kpz"), Bytes(64, Byte(0x5A)));
  SkinFiles broken = Tiny();
  broken.Set("GLOBALINFO", "MASTERBITMAP", "MASTER.PNG").File("MASTER.PNG", Bytes{0x89, 'P', 'N', 'G', 1, 2, 3});
  broken.WriteFolder(dir.Path(), "BrokenMaster");
  m.SetSkinName(u"Tiny");
  TkvSkinData* before = Slot0();
  const Integer button = m.GetSkinIndex(u"BUTTON");
  const TColor buttonColor = m.gd()[size_t(button)].Props[0].Color;
  for (const char16_t* name : {u"Garbage", u"BrokenMaster"}) {
    events.seen.clear();
    m.SetSkinName(name);
    EXPECT_EQ(m.SkinName(), u"Tiny") << StringToUtf8(name);
    EXPECT_TRUE(m.IsActive()) << StringToUtf8(name);
    EXPECT_EQ(Slot0(), before) << StringToUtf8(name);
    EXPECT_EQ(m.GetSkinIndex(u"BUTTON"), button);
    EXPECT_EQ(m.gd()[size_t(button)].Props[0].Color, buttonColor);
    EXPECT_TRUE(m.ManagerState.Empty());
    EXPECT_EQ(events.seen, (std::vector<std::string>{"before", "changing:" + StringToUtf8(name)}));
  }
  // Further slots still come from the skin in force.
  EXPECT_EQ(m.CommonSkinData(144)->gd.size(), before->gd.size());
}
#endif

TEST_F(SkinChange, AMissingSkinLeavesTheManagerActiveForTheNextName) {
  m.SetSkinName(u"Tiny");
  events.seen.clear();
  m.SetSkinName(u"Missing");
  EXPECT_FALSE(m.IsActive());  // no skin is loaded
  EXPECT_TRUE(m.Active());     // as the user set it
  EXPECT_TRUE(m.SkinDataArray.empty());
  EXPECT_EQ(m.SkinName(), u"Missing");
  EXPECT_EQ(events.seen, (std::vector<std::string>{"before", "changing:Missing", "after"}));
  // The standard data serve meanwhile.
  EXPECT_TRUE(m.CommonSkinData(96)->gd.empty());
  Tiny().WriteFolder(dir.Path(), "Missing");
  events.seen.clear();
  m.SetSkinName(u"Missing");
  EXPECT_TRUE(m.IsActive());
  EXPECT_EQ(events.seen, (std::vector<std::string>{"before", "changing:Missing", "activate", "after"}));
}

TEST_F(SkinChange, ColourAdjustmentsReloadOnlyWhenChanged) {
  m.SetSkinName(u"Tiny");
  TkvSkinData* first = Slot0();
  events.seen.clear();
  m.SetColorAdjustment(0, 150);
  EXPECT_EQ(m.Brightness(), 100);
  EXPECT_EQ(events.seen, std::vector<std::string>{"after"});
  EXPECT_NE(Slot0(), first);  // loaded again
  TkvSkinData* second = Slot0();
  m.SetColorAdjustment(0, 100);
  m.SetColorAdjustment(0, 120);  // clamped to the same value
  EXPECT_EQ(Slot0(), second);
  m.SetColorAdjustment(0, -300);
  EXPECT_EQ(m.Brightness(), -100);
  m.SetColorAdjustment(1, 400);  // hue and saturation have no limit
  m.SetColorAdjustment(2, -900);
  EXPECT_EQ(m.HueOffset(), 400);
  EXPECT_EQ(m.Saturation(), -900);
  EXPECT_TRUE(m.IsActive());
  EXPECT_TRUE(m.ManagerState.Empty());
}

TEST_F(SkinChange, SuspendedUpdatesReportOnceAtTheEnd) {
  m.BeginUpdate();
  m.SetSkinName(u"Tiny");
  EXPECT_TRUE(m.IsActive());
  EXPECT_EQ(events.seen, (std::vector<std::string>{"before", "changing:Tiny", "activate"}));
  events.seen.clear();
  m.EndUpdate(true, false);
  EXPECT_EQ(events.seen, std::vector<std::string>{"after"});
  EXPECT_TRUE(m.AnimEffects.SkinChanging.Active);  // switched off only meanwhile
  EXPECT_FALSE(m.NoAutoUpdate);
}

TEST_F(SkinChange, SkinDataForFurtherPPIsIsMadeWhenAsked) {
  m.SetSkinName(u"Tiny");
  ASSERT_EQ(m.SkinDataArray.size(), 1u);
  ASSERT_NE(m.SkinFile, nullptr);
  ASSERT_TRUE(m.CommonDataLoaded);
  ASSERT_EQ(m.SlotIndex(144), 2);
  TkvSkinData* at144 = m.CommonSkinData(144);
  ASSERT_EQ(m.SkinDataArray.size(), 3u);
  EXPECT_EQ(at144, m.SkinDataArray[2].get());
  EXPECT_EQ(at144->PPI, 144);
  EXPECT_EQ(at144->ScaleValue, 2);
  EXPECT_EQ(at144->gd.size(), Slot0()->gd.size());
  EXPECT_EQ(m.SkinDataArray[1], nullptr);   // 120 PPI was not asked for
  EXPECT_EQ(m.CommonSkinData(150), at144);  // the same slot, not loaded again
  EXPECT_TRUE(m.IsValidSkinIndex(0));
}

TEST_F(SkinChange, SwitchingOffRemovesTheSkin) {
  m.SetSkinName(u"Tiny");
  events.seen.clear();
  m.SetActive(false);
  EXPECT_FALSE(m.IsActive());
  EXPECT_TRUE(m.SkinDataArray.empty());
  EXPECT_EQ(m.MasterBitmap, nullptr);
  EXPECT_EQ(events.seen, std::vector<std::string>{"deactivate"});
  events.seen.clear();
  m.SetActive(true);
  EXPECT_TRUE(m.IsActive());
  EXPECT_EQ(events.seen, (std::vector<std::string>{"before", "changing:Tiny", "activate", "after"}));
}

TEST_F(SkinChange, SkinDirectoryAndFilterTellTheListOnlyOfChanges) {
  const String upper = UpperCase(dir.Path());
  ASSERT_NE(upper, dir.Path());
  m.SetSkinDirectory(upper);  // the same folder in other letters: nothing changes
  EXPECT_EQ(m.SkinDirectory(), dir.Path());
  EXPECT_TRUE(events.seen.empty());
  // A change: the manager's own notice comes once, and last (the list's come before it).
  const auto managerTellsOnceAndLast = [&] {
    ASSERT_FALSE(events.seen.empty());
    EXPECT_EQ(events.seen.back(), "list");
    EXPECT_EQ(std::count(events.seen.begin(), events.seen.end(), "list"), 1);
  };
  m.SetSkinDirectory(dir.Path() + u"x");
  managerTellsOnceAndLast();
  events.seen.clear();
  m.SetSkinsFilter(TSet<TkvSkinsFilterItem>{sfiInternal, sfiExternal});
  EXPECT_TRUE(events.seen.empty());
  m.SetSkinsFilter(TSet<TkvSkinsFilterItem>{sfiExternal});
  managerTellsOnceAndLast();
}

TEST(DefaultManager, TheRoleMovesButIsNeverTakenAway) {
  DuRiruZireziv first, second;
  EXPECT_TRUE(first.GetIsDefault());
  EXPECT_FALSE(second.GetIsDefault());
  first.SetIsDefault(false);
  EXPECT_TRUE(first.GetIsDefault());
  TkvManagerLink* firstLink = DefaultManagerLink();
  second.SetIsDefault(true);
  EXPECT_EQ(DefaultManager, &second);
  EXPECT_NE(DefaultManagerLink(), firstLink);
  EXPECT_FALSE(first.GetIsDefault());
}

TEST(VersionSwitch, OneWholeParameterInAnyCase) {
  struct Case {
    std::vector<String> params;
    bool asks;
  } cases[] = {{{u"/kvver"}, true},
               {{u"/KVVER"}, true},
               {{u"a", u"/KvVer", u"b"}, true},
               {{u"/kvversion"}, false},
               {{u"x/kvver"}, false},
               {{u"-kvver"}, false},
               {{}, false},
               {{u"/kvve"}, false}};
  for (const Case& c : cases) EXPECT_EQ(HasVersionSwitch(c.params), c.asks) << c.params.size();
}

// A name that no folder, packed file or internal skin has loads the first internal skin, and
// the manager then bears that skin's name.
TEST_F(SkinChange, AnUnknownNameTakesTheFirstInternalSkinsName) {
  const Bytes packed = Tiny("0x102030").Packed();
  for (const char* name : {"First", "Second"}) {
    TsStoredSkin* skin = m.InternalSkins()->Add();
    skin->SetName(Utf8ToString(name));
    skin->PackedData->WriteBuffer(packed.data(), Integer(packed.size()));
  }
  m.SetSkinName(u"Second");
  EXPECT_TRUE(m.IsActive());
  EXPECT_EQ(m.SkinName(), u"Second");
  m.SetSkinName(u"Nowhere");
  EXPECT_TRUE(m.IsActive());
  EXPECT_EQ(m.SkinName(), u"First");
  EXPECT_EQ(m.GetSkinIndex(u"BUTTON"), m.SkinCommonInfo.Sections[ssButton]);
  // A folder skin of that name still wins over the internal ones.
  m.SetSkinName(u"Tiny");
  EXPECT_EQ(m.SkinName(), u"Tiny");
}

// Every change of the application font gives the skinned menus the main font of the mode in
// force, and takes it away again when no mode names one.
TEST(ApplicationFont, TheMenusFollowEveryChangeOfTheFont) {
  DuRiruZireziv m(nullptr);
  ASSERT_TRUE(m.GetIsDefault());
  TkvMenuSupport* menus = m.MenuSupport();
  ASSERT_EQ(menus->CustomMenuFont(), nullptr);
  m.Fonts.MainMode = fmCustom;
  m.Fonts.MainFont = u"Arial";
  m.ChangeAppFont(u"Arial", false);
  ASSERT_NE(menus->CustomMenuFont(), nullptr);
  EXPECT_EQ(menus->CustomMenuFont()->Name(), u"Arial");
  EXPECT_EQ(m.DefOldFontName, u"Arial");

  m.Fonts.MainFont = u"Verdana";
  m.ChangeAppFont(u"Verdana", false);
  ASSERT_NE(menus->CustomMenuFont(), nullptr);
  EXPECT_EQ(menus->CustomMenuFont()->Name(), u"Verdana");

  m.Fonts.MainMode = fmDefault;
  m.ChangeAppFont(u"Tahoma", false);
  EXPECT_EQ(menus->CustomMenuFont(), nullptr);  // no main font and no custom menu font
}
