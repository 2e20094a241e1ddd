#include "app/EngineStartup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sDefaults.h"
#include "controls/sGlyphUtils.h"
#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "skin/sVclUtils.h"

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

TEST(EngineStartup, TheFixedOrder) {
  std::vector<std::string> names;
  for (const auto& m : EngineModules()) names.push_back(m.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"sConst", "sDefaults", "kvntUtils", "kvgpUtils", "sVclUtils",
                                             "sGraphUtils", "sGradient", "kvFontStore", "kvPNG", "kvAlphaImageList",
                                             "sThirdParty", "sGlyphUtils", "sDialogs", "sSkinProvider"}));
}

TEST(EngineStartup, StartAndStopTheEngine) {
  StartEngine();
  EXPECT_FALSE(kvs_CloseStr.empty());
  EXPECT_EQ(kvs_AvailSkins, u"Available styles");
  EXPECT_TRUE(kvSysDPIAware);
  EXPECT_NE(kvWinMajorVer, 0);
  EXPECT_NE(hKern32, nullptr);
  EXPECT_NE(uxthemeLib, nullptr);
  EXPECT_TRUE(kvGDIBegin(false));  // GDI+ started once for the run
  EXPECT_TRUE(kvLayered());        // the layered-window functions bound
  EXPECT_GT(FCheckWidth, 0);       // the check box measured
  EXPECT_NE(awFont, nullptr);      // the icon font, installed from its resource
  EXPECT_NE(kvCharImages, nullptr);
  EXPECT_NE(ThirdPartySkipForms, nullptr);
  StopEngine();
  EXPECT_EQ(awFont, nullptr);
  EXPECT_EQ(kvCharImages, nullptr);
  EXPECT_EQ(ThirdPartySkipForms, nullptr);
  EXPECT_FALSE(kvGDIBegin(false));
  EXPECT_TRUE(kvs_CloseStr.empty());
  EXPECT_TRUE(kvs_AvailSkins.empty());
  EXPECT_EQ(hKern32, nullptr);
  EXPECT_EQ(uxthemeLib, nullptr);
}
