#include "engine/EngineStartup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Composition.h"
#include "base/ManagerLink.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sDefaults.h"
#include "base/sDialogs.h"
#include "controls/kvGlow.h"
#include "controls/kvShellCtrls.h"
#include "controls/sButton.h"
#include "controls/sGlyphUtils.h"
#include "controls/sSkinMenus.h"
#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "paint/sGraphUtils.h"
#include "raster/MaskImages.h"
#include "raster/kvgpUtils.h"
#include "skin/ControlServices.h"
#include "skin/FormServices.h"
#include "skin/HideAnimation.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sStyleSimply.h"
#include "skin/sVclUtils.h"
#include "support/GdiTracker.h"
#include "wrappers/kvSBUtils.h"

namespace {
std::vector<std::string> calls;
void StartA() { calls.push_back("start A"); }
void StartB() { calls.push_back("start B"); }
void StopA() { calls.push_back("stop A"); }
void StopC() { calls.push_back("stop C"); }
}  // namespace

TEST(ModuleSteps, StartInOrderOnceStopInReverse) {
  const std::vector<TkvModuleStep> table{{"A", StartA, StopA}, {"B", StartB, nullptr}, {"C", nullptr, StopC}};
  StopModules(table);  // not started: nothing
  StartModules(table);
  StartModules(table);  // once
  StopModules(table);
  StopModules(table);
  StartModules(table);  // again after the clean-up
  EXPECT_EQ(calls, (std::vector<std::string>{"start A", "start B", "stop C", "stop A", "start A", "start B"}));
  StopModules(table);
}

namespace {
// Two slots of the test's own, filled by a step each.
class TSlotOne {};
class TSlotTwo {};
TSlotOne slotOne;
TSlotTwo slotTwo;
void FillOne() { TkvServiceSlot<TSlotOne>::Set(&slotOne); }
void FillTwo() { TkvServiceSlot<TSlotTwo>::Set(&slotTwo); }
void EmptyOne() { TkvServiceSlot<TSlotOne>::Set(nullptr); }
void EmptyTwo() { TkvServiceSlot<TSlotTwo>::Set(nullptr); }
bool OneFilled() { return TkvServiceSlot<TSlotOne>::Get() != nullptr; }
bool TwoFilled() { return TkvServiceSlot<TSlotTwo>::Get() != nullptr; }
const std::vector<TkvSlotCheck> testSlots{{"TSlotOne", OneFilled}, {"TSlotTwo", TwoFilled}};
}  // namespace

// A start whose steps leave a slot empty fails, names every empty slot and runs the clean-up;
// one that fills them all starts.
TEST(ModuleSteps, AStartThatLeavesSlotsEmptyFailsAndNamesThem) {
  struct Case {
    std::vector<TkvModuleStep> steps;
    std::vector<std::string> leftEmpty;  // by the steps
    std::string error;                   // empty: the start succeeds
  };
  const std::vector<Case> cases{
      {{{"none", nullptr, nullptr}},
       {"TSlotOne", "TSlotTwo"},
       "The engine's start-up left service slots empty: TSlotOne, TSlotTwo"},
      {{{"one", FillOne, EmptyOne}}, {"TSlotTwo"}, "The engine's start-up left service slots empty: TSlotTwo"},
      {{{"two", FillTwo, EmptyTwo}}, {"TSlotOne"}, "The engine's start-up left service slots empty: TSlotOne"},
      {{{"one", FillOne, EmptyOne}, {"two", FillTwo, EmptyTwo}}, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    std::string error;
    try {
      StartModulesChecked(c.steps, testSlots);
    } catch (const EEngineStart& e) { error = e.what(); }
    EXPECT_EQ(error, c.error);
    if (!error.empty()) {
      // Nothing stays half started: the clean-up ran, and a start after it runs the steps again.
      EXPECT_EQ(EmptySlots(testSlots), (std::vector<std::string>{"TSlotOne", "TSlotTwo"}));
      StartModules(c.steps);
    }
    EXPECT_EQ(EmptySlots(testSlots), c.leftEmpty);
    StopModules(c.steps);
    EXPECT_EQ(EmptySlots(testSlots), (std::vector<std::string>{"TSlotOne", "TSlotTwo"}));
  }
}

TEST(EngineStartup, TheStartFillsEverySlotAndTheCleanUpEmptiesThem) {
  std::vector<std::string> names;
  for (const TkvSlotCheck& slot : EngineSlots()) names.push_back(slot.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"TkvEffectServices", "TkvGlowServices", "TkvHintServices",
                                             "TkvMenuServices", "TkvFormServices"}));
  StartEngine();
  EXPECT_EQ(EmptySlots(EngineSlots()), std::vector<std::string>{});
  StopEngine();
  EXPECT_EQ(EmptySlots(EngineSlots()), names);
}

TEST(EngineStartup, TheFixedOrder) {
  std::vector<std::string> names;
  for (const auto& m : EngineModules()) names.push_back(m.Name);
  EXPECT_EQ(names, (std::vector<std::string>{
                       "sConst",         "sDefaults",   "kvntUtils",         "kvgpUtils",    "sVclUtils",
                       "sGraphUtils",    "sGradient",   "kvFontStore",       "kvPNG",        "kvAlphaImageList",
                       "sThirdParty",    "sGlyphUtils", "kvAnimation",       "kvGlow",       "kvAlphaHints",
                       "kvShellCtrls",   "sSkinMenus",  "kvPopupController", "sDialogs",     "sColorDialog",
                       "sMonthCalendar", "kvSBUtils",   "sSkinProvider",     "sStyleSimply", "sSkinManager"}));
}

TEST(EngineStartup, StartAndStopTheEngine) {
  StartEngine();
  EXPECT_FALSE(kvs_CloseStr.empty());
  EXPECT_EQ(kvs_AvailSkins, u"Available styles");
  EXPECT_TRUE(kvSysDPIAware);
  EXPECT_NE(kvWinMajorVer, 0);
  EXPECT_NE(hKern32, nullptr);
  EXPECT_NE(uxthemeLib, nullptr);
  EXPECT_NE(Kv_GetScrollBarInfo, nullptr);  // the scroll-bar functions, by name
  EXPECT_NE(Kv_InitializeFlatSB, nullptr);
  EXPECT_NE(Kv_UninitializeFlatSB, nullptr);
  EXPECT_TRUE(kvGDIBegin(false));  // GDI+ started once for the run
  EXPECT_TRUE(kvLayered());        // the layered-window functions bound
  EXPECT_GT(FCheckWidth, 0);       // the check box measured
  EXPECT_NE(awFont, nullptr);      // the icon font, installed from its resource
  EXPECT_NE(ThirdPartySkipForms, nullptr);
  EXPECT_TRUE(IsNT);
  for (size_t i = 0; i < StdScaleArray.size(); ++i) {  // the standard skin data, one per density
    ASSERT_NE(StdScaleArray[i], nullptr) << i;
    EXPECT_EQ(StdScaleArray[i]->PPI, aPPIArray[i]);
  }
  StopEngine();
  for (const auto& data : StdScaleArray) EXPECT_EQ(data, nullptr);
  EXPECT_EQ(awFont, nullptr);
  EXPECT_EQ(kvCharImages, nullptr);
  EXPECT_EQ(ThirdPartySkipForms, nullptr);
  EXPECT_FALSE(kvGDIBegin(false));
  EXPECT_TRUE(kvs_CloseStr.empty());
  EXPECT_TRUE(kvs_AvailSkins.empty());
  EXPECT_EQ(hKern32, nullptr);
  EXPECT_EQ(uxthemeLib, nullptr);
  EXPECT_EQ(Kv_GetScrollBarInfo, nullptr);
  EXPECT_EQ(Kv_InitializeFlatSB, nullptr);
  EXPECT_EQ(hcomctl32, nullptr);
}

// The character glyphs and the shell's objects are slow to make and most programs never show
// them: the start-up leaves them for their first use, and the clean-up frees what was made.
TEST(EngineStartup, TheGlyphListAndTheShellObjectsAreMadeOnFirstUse) {
  StartEngine();
  EXPECT_EQ(kvCharImages, nullptr);
  TsCharImageList* glyphs = CharImages();
  ASSERT_NE(glyphs, nullptr);
  EXPECT_EQ(kvCharImages, glyphs);
  EXPECT_EQ(CharImages(), glyphs);  // made once
  EXPECT_EQ(glyphs->Count(), 25);
  TkvShellFolder* desktop = DesktopFolder();
  ASSERT_NE(desktop, nullptr);
  EXPECT_EQ(DesktopFolder(), desktop);
  EXPECT_NE(SysSmallImageList(), nullptr);
  StopEngine();
  EXPECT_EQ(kvCharImages, nullptr);
  EXPECT_EQ(DesktopFolder(), nullptr);  // asked for after the clean-up: not made again
  EXPECT_EQ(SysSmallImageList(), nullptr);
  StartEngine();
  EXPECT_EQ(kvCharImages, nullptr);
  EXPECT_NE(CharImages(), nullptr);
  StopEngine();
}

TEST(EngineStartup, TheCleanUpFreesTheCachedRoundMasks) {
  StartEngine();
  GdiTracker tracker;
  ASSERT_TRUE(tracker.Active());
  ASSERT_NE(GetRoundMask(2), nullptr);
  ASSERT_NE(GetRoundMask(29), nullptr);
  EXPECT_GT(tracker.Created(), 0);
  StopEngine();
  EXPECT_EQ(tracker.Live(), std::vector<std::string>{});  // the GDI count after the clean-up: none of them
}

TEST(EngineStartup, TheMainFormsCloseAnimationIsReachableWhileTheEngineRuns) {
  StartEngine();
  EXPECT_NE(kvAnimHideMainForm, nullptr);
  StopEngine();
  EXPECT_EQ(kvAnimHideMainForm, nullptr);
}

TEST(EngineStartup, TheGlowLayersAreReachableWhileTheEngineRuns) {
  StartEngine();
  EXPECT_NE(TkvServiceSlot<TkvGlowServices>::Get(), nullptr);
  StopEngine();
  EXPECT_EQ(TkvServiceSlot<TkvGlowServices>::Get(), nullptr);
}

TEST(EngineStartup, AStartAfterTheCleanUpBindsEverythingAgain) {
  StartEngine();
  StopEngine();
  StartEngine();
  EXPECT_FALSE(kvs_CloseStr.empty());
  EXPECT_EQ(kvs_AvailSkins, u"Available styles");
  EXPECT_NE(hKern32, nullptr);
  EXPECT_NE(kvIsWow64Process, nullptr);
  EXPECT_NE(uxthemeLib, nullptr);
  EXPECT_TRUE(kvGDIBegin(false));
  EXPECT_NE(awFont, nullptr);
  EXPECT_NE(StdScaleArray[0], nullptr);
  StopEngine();
}

TEST(EngineStartup, TheResetPutsTheEngineStateBackToItsFirstValues) {
  StartEngine();
  ExceptTag = 1;
  kv_DialogsLevel = 9;
  kvCurrentScaleMode = sm150;
  fGlobalFlag = true;
  Captions[0] = u"changed";
  iAeroStatus = 1;
  bFocusChanging = true;
  bGlowingDestroying = true;
  kvCanHookMenu = true;
  RestrictDrawing = true;
  kvSkinDataLookups = 5;
  iLatestTitleHeight = 30;
  auto* manager = new DuRiruZireziv(nullptr);
  ASSERT_EQ(DefaultManager, manager);
  ASSERT_NE(DefaultManagerLink(), nullptr);
  ASSERT_NE(CharImages(), nullptr);
  ResetEngineState();
  // The clean-up ran although nobody stopped the engine.
  EXPECT_EQ(hKern32, nullptr);
  EXPECT_FALSE(kvGDIBegin(false));
  EXPECT_EQ(awFont, nullptr);
  EXPECT_EQ(kvCharImages, nullptr);
  EXPECT_EQ(ThirdPartySkipForms, nullptr);
  EXPECT_EQ(StdScaleArray[0], nullptr);
  // Every global is at its first value.
  EXPECT_EQ(ExceptTag, 256);
  EXPECT_EQ(kv_DialogsLevel, 2);
  EXPECT_EQ(kvCurrentScaleMode, smVCL);
  EXPECT_FALSE(fGlobalFlag);
  EXPECT_EQ(Captions[0], u"Warning");
  EXPECT_EQ(iAeroStatus, -1);
  EXPECT_FALSE(bFocusChanging);
  EXPECT_FALSE(bGlowingDestroying);
  EXPECT_FALSE(kvCanHookMenu);
  EXPECT_FALSE(RestrictDrawing);
  EXPECT_EQ(kvSkinDataLookups, 0);
  EXPECT_EQ(iLatestTitleHeight, 0);
  EXPECT_EQ(DefaultManager, nullptr);
  EXPECT_EQ(DefaultManagerLink(), nullptr);
  EXPECT_TRUE(kvs_CloseStr.empty());
  manager->Free();  // no longer the default: it leaves the (new) state alone
  EXPECT_EQ(DefaultManager, nullptr);
  // The engine starts again as the program starts it.
  StartEngine();
  EXPECT_NE(hKern32, nullptr);
  EXPECT_FALSE(kvs_CloseStr.empty());
  StopEngine();
}
