// The engine's state records: the global names are their fields, and the reset puts every
// field back to its first value and empties the service slots.
#include "base/EngineState.h"

#include <gtest/gtest.h>

#include "base/ServiceSlot.h"
#include "base/kvFontStore.h"
#include "base/sConst.h"
#include "base/sDefaults.h"

namespace {
class TProbeService {
 public:
  virtual ~TProbeService() = default;
};
}  // namespace

TEST(EngineState, TheGlobalNamesAreTheRecordsFields) {
  ResetBaseState();
  ExceptTag = 4;
  EXPECT_EQ(kvSettings.ExceptTag, 4);
  kvRunState.kvCurrentScaleMode = sm200;
  EXPECT_EQ(kvCurrentScaleMode, sm200);
  kvSysDPIAware = true;
  EXPECT_TRUE(kvSystem.kvSysDPIAware);
  kvs_CloseStr = u"Close";
  EXPECT_EQ(kvSystem.kvs_CloseStr, u"Close");
  EXPECT_EQ(&kvFontStoreList, &kvRunState.kvFontStoreList);
  ResetBaseState();
}

TEST(EngineState, TheResetBringsBackTheFirstValuesAndEmptiesTheServiceSlots) {
  ExceptTag = 1;
  kv_DialogsLevel = 7;
  kvPngFirst = false;
  DefBlend.SourceConstantAlpha = 9;
  kvScrollBtnLength = -1;
  kvCurrentScaleMode = sm125;
  fGlobalFlag = true;
  SysPopupCount = 3;
  x64woAero = true;
  kvs_AvailSkins = u"x";
  kvSystem.sConstStarted = true;
  TProbeService probe;
  TkvServiceSlot<TProbeService>::Set(&probe);
  ResetBaseState();
  EXPECT_EQ(ExceptTag, 256);
  EXPECT_EQ(kv_DialogsLevel, 2);
  EXPECT_TRUE(kvPngFirst);
  EXPECT_EQ(DefBlend.SourceConstantAlpha, 0);
  EXPECT_EQ(DefBlend.AlphaFormat, 1);
  EXPECT_EQ(kvScrollBtnLength, 16);
  EXPECT_EQ(kvCurrentScaleMode, smVCL);
  EXPECT_FALSE(fGlobalFlag);
  EXPECT_EQ(SysPopupCount, 0);
  EXPECT_FALSE(x64woAero);
  EXPECT_TRUE(kvs_AvailSkins.empty());
  EXPECT_FALSE(kvSystem.sConstStarted);
  EXPECT_EQ(kvSettings.Captions[0], u"Warning");
  EXPECT_EQ(kvSettings.Captions[4], u"");
  EXPECT_EQ(TkvServiceSlot<TProbeService>::Get(), nullptr);
  // A slot filled again after the reset works as before.
  EXPECT_EQ(TkvServiceSlot<TProbeService>::Set(&probe), nullptr);
  EXPECT_EQ(TkvServiceSlot<TProbeService>::Get(), &probe);
  TkvServiceSlot<TProbeService>::Set(nullptr);
}
