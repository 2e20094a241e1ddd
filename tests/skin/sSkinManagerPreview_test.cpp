// The skin editor's preview as the manager receives it: hostile records (short, without
// terminators, with a wrong magic), the update bracket of the caller, and the editor's text,
// which is used for the load and dropped on every way out.
#include "skin/sSkinManagerPreview.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "support/SkinFiles.h"
#include "support/TempDir.h"
#include "ui/StringList.h"

using namespace skinfiles;

namespace {

std::string Utf8(const String& s) { return std::string(s.begin(), s.end()); }

template <size_t N>
void Put(char (&field)[N], const std::string& text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), std::min(N, text.size()));
}

// A skin folder "Tiny" in dir whose own ini text has no section "FROMEDITOR".
struct PreviewSkin {
  PreviewSkin() {
    SkinFiles skin;
    skin.Set("GLOBALINFO", "VERSION", "16.22");
    skin.Set("BUTTON", "COLOR", "0");
    skin.WriteFolder(dir.Path(), "Tiny");
    record = std::make_unique<TkvSkinEditorData>();
    std::memset(record.get(), 0, sizeof *record);
    record->Magic = int32_t(KPE_MSG);
    Put(record->Name1, "Tiny");
    Put(record->Data1, Utf8(dir.Path()));
    Put(record->Data2, "[GLOBALINFO]\r\nVERSION=16.22\r\n[BUTTON]\nCOLOR=0\r[FROMEDITOR]\r\nCOLOR=255\r\n");
  }
  bool Send(DuRiruZireziv& m) { return m.CopyPreviewData(record.get(), sizeof *record); }
  TempDir dir;
  std::unique_ptr<TkvSkinEditorData> record;
};

// Counts the changes a manager reports; refuses every skin change when asked to.
struct Listener {
  void AfterChange(TObject*) { ++afterChange; }
  void Refuse(TObject*, const String&, bool&) { throw Exception(u"refused"); }
  Integer afterChange = 0;
};

}  // namespace

TEST(SkinPreview, FieldsEndAtTheirFirstZeroOrAtTheFieldsEnd) {
  auto record = std::make_unique<TkvSkinEditorData>();
  std::memset(record.get(), 'A', sizeof *record);  // no terminator anywhere
  record->Magic = int32_t(KPE_MSG);
  record->Name2[5] = 0;
  const TkvPreviewFields f = ReadPreviewFields(*record);
  EXPECT_EQ(f.SkinName, String(128, u'A'));  // not one byte of Name2
  EXPECT_EQ(f.Section, String(5, u'A'));
  EXPECT_EQ(f.SkinFolder.size(), 512u);
  EXPECT_EQ(f.SkinText.size(), 40001u);  // the record's last byte, nothing past it
}

TEST(SkinPreview, ABlockOfAnotherSizeIsNoRecord) {
  PreviewSkin skin;
  DuRiruZireziv m(nullptr);
  ASSERT_TRUE(skin.Send(m));
  ASSERT_EQ(m.PreviewBuffer->Magic, int32_t(KPE_MSG));
  // A short block clears what an earlier record left, so nothing stale is applied.
  EXPECT_FALSE(m.CopyPreviewData(skin.record.get(), sizeof(TkvSkinEditorData) - 1));
  EXPECT_EQ(m.PreviewBuffer->Magic, 0);
  EXPECT_FALSE(m.CopyPreviewData(nullptr, sizeof(TkvSkinEditorData)));
  m.ReceiveData();
  EXPECT_FALSE(m.IsActive());
  EXPECT_TRUE(m.SkinName().empty());
}

TEST(SkinPreview, AWrongMagicIsIgnored) {
  PreviewSkin skin;
  skin.record->Magic = int32_t(KPE_MSG) + 1;
  DuRiruZireziv m(nullptr);
  ASSERT_TRUE(skin.Send(m));
  m.ReceiveData();
  EXPECT_FALSE(m.IsActive());
  EXPECT_TRUE(m.SkinName().empty());
  EXPECT_EQ(m.SkinDirectory(), u"c:\\Skins");
}

TEST(SkinPreview, AWholeSkinPreviewLoadsTheEditorsTextAndDropsIt) {
  PreviewSkin skin;
  DuRiruZireziv m(nullptr);
  Listener l;
  Integer& afterChange = l.afterChange;
  m.OnAfterChange = TNotifyEvent(&l, &Listener::AfterChange);
  ASSERT_TRUE(skin.Send(m));
  m.ReceiveData();
  EXPECT_TRUE(m.IsActive());
  EXPECT_EQ(m.SkinName(), u"Tiny");
  EXPECT_GE(m.GetSkinIndex(u"FROMEDITOR"), 0);  // the editor's text, not the folder's file
  EXPECT_EQ(kvEditorSkinFile, nullptr);
  EXPECT_FALSE(m.NoAutoUpdate);
  EXPECT_EQ(afterChange, 1);  // one change reported, by the closing of the bracket
  // A later load reads the folder again.
  m.SetSkinName(u"Tiny");
  EXPECT_LT(m.GetSkinIndex(u"FROMEDITOR"), 0);
}

TEST(SkinPreview, TheCallersUpdateBracketStaysOpen) {
  for (const bool partial : {true, false}) {
    SCOPED_TRACE(partial ? "one section" : "whole skin");
    PreviewSkin skin;
    if (partial) Put(skin.record->Name2, "BUTTON");
    DuRiruZireziv m(nullptr);
    Listener l;
    Integer& afterChange = l.afterChange;
    m.OnAfterChange = TNotifyEvent(&l, &Listener::AfterChange);
    m.BeginUpdate();
    ASSERT_TRUE(skin.Send(m));
    m.ReceiveData();
    EXPECT_TRUE(m.NoAutoUpdate);  // the bracket's own EndUpdate closes it
    EXPECT_EQ(afterChange, 0);
    EXPECT_TRUE(m.IsActive());
    EXPECT_FALSE(m.ManagerState.Contains(msSkinChanging));
    m.EndUpdate(true, false);
    EXPECT_FALSE(m.NoAutoUpdate);
    EXPECT_EQ(afterChange, 1);
  }
}

TEST(SkinPreview, APartialPreviewNeedsNoColourAdjustment) {
  PreviewSkin skin;
  Put(skin.record->Name2, "BUTTON");
  DuRiruZireziv m(nullptr);
  ASSERT_TRUE(skin.Send(m));
  EXPECT_TRUE(m.PartialPreview());
  m.SetColorAdjustment(1, 30);  // HueOffset
  EXPECT_FALSE(m.PartialPreview());
  Put(skin.record->Name2, "");
  m.SetColorAdjustment(1, 0);
  ASSERT_TRUE(skin.Send(m));
  EXPECT_FALSE(m.PartialPreview());
}

TEST(SkinPreview, AFailingLoadStillDropsTheEditorsTextAndRestoresTheBracket) {
  for (const bool partial : {true, false}) {
    PreviewSkin skin;
    if (partial) Put(skin.record->Name2, "BUTTON");
    DuRiruZireziv m(nullptr);
    Listener l;
    m.OnSkinChanging = TkvSkinChangingEvent(&l, &Listener::Refuse);
    ASSERT_TRUE(skin.Send(m));
    EXPECT_THROW(m.ReceiveData(), Exception);
    EXPECT_EQ(kvEditorSkinFile, nullptr);
    EXPECT_FALSE(m.NoAutoUpdate);
    EXPECT_FALSE(m.ManagerState.Contains(msSkinChanging));
  }
}
