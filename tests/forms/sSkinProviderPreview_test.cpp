// The check of the skin editor's record: only the greeted form takes it, only with WParam 2,
// the magic, and exactly one record's bytes; a taken record's text fields all end in zero.
#include "forms/sSkinProviderPreview.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "base/sConst.h"

namespace {

// A block of n bytes that starts like a record (the magic) and has no zero byte after it.
std::vector<unsigned char> Block(size_t n, int32_t magic = int32_t(KPE_MSG)) {
  std::vector<unsigned char> b(n, 'A');
  if (n >= sizeof magic) std::memcpy(b.data(), &magic, sizeof magic);
  return b;
}

TkvPreviewCopy Copy(const std::vector<unsigned char>& block) {
  TkvPreviewCopy c;
  c.IsPreviewTarget = true;
  c.WParam = kvPreviewCopyWParam;
  c.Data = block.data();
  c.Size = block.size();
  return c;
}

}  // namespace

TEST(PreviewRecordCheck, VerdictsByCase) {
  const size_t n = sizeof(TkvSkinEditorData);
  const auto good = Block(n), shortBlock = Block(n - 1), longBlock = Block(n + 1), badMagic = Block(n, 0x1234);
  const auto tiny = Block(2);
  struct Case {
    const char* name;
    TkvPreviewCopy copy;
    TkvPreviewVerdict want;
  };
  TkvPreviewCopy notTarget = Copy(good);
  notTarget.IsPreviewTarget = false;
  TkvPreviewCopy busy = Copy(good);
  busy.CopyInProgress = true;
  TkvPreviewCopy noData = Copy(good);
  noData.Data = nullptr;
  TkvPreviewCopy wrongW = Copy(good);
  wrongW.WParam = 0;
  const Case cases[] = {
      {"exact record", Copy(good), pvAccepted},
      {"one byte short", Copy(shortBlock), pvWrongSize},
      {"one byte long", Copy(longBlock), pvWrongSize},
      {"shorter than the magic", Copy(tiny), pvWrongSize},
      {"wrong magic", Copy(badMagic), pvWrongMagic},
      {"not in preview mode", notTarget, pvNotPreviewTarget},
      {"copy in progress", busy, pvBusy},
      {"no data", noData, pvNoData},
      {"wrong WParam", wrongW, pvWrongWParam},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckPreviewCopy(c.copy), c.want) << c.name;
}

TEST(PreviewRecordCheck, TakenRecordHasEveryTextFieldTerminated) {
  const auto block = Block(sizeof(TkvSkinEditorData));
  auto record = std::make_unique<TkvSkinEditorData>();
  ASSERT_TRUE(TakePreviewRecord(Copy(block), *record));
  EXPECT_EQ(record->Magic, int32_t(KPE_MSG));
  EXPECT_EQ(record->Name1[126], 'A');
  EXPECT_EQ(record->Name1[127], 0);
  EXPECT_EQ(record->Name2[127], 0);
  EXPECT_EQ(record->Data1[511], 0);
  EXPECT_EQ(record->Data2[40000], 0);
  EXPECT_EQ(record->Data2[39999], 'A');
  const TkvPreviewFields f = ReadPreviewFields(*record);
  EXPECT_EQ(f.SkinName.size(), 127u);
  EXPECT_EQ(f.SkinText.size(), 40000u);
}

TEST(PreviewRecordCheck, RefusedBlockLeavesTheRecordAlone) {
  auto record = std::make_unique<TkvSkinEditorData>();
  std::memset(record.get(), 0, sizeof *record);
  record->Magic = 77;
  record->Name1[0] = 'k';
  const auto shortBlock = Block(sizeof(TkvSkinEditorData) - 10);
  EXPECT_FALSE(TakePreviewRecord(Copy(shortBlock), *record));
  const auto longBlock = Block(sizeof(TkvSkinEditorData) + 10);
  EXPECT_FALSE(TakePreviewRecord(Copy(longBlock), *record));
  EXPECT_EQ(record->Magic, 77);
  EXPECT_EQ(record->Name1[0], 'k');
}

// Only a first parameter of exactly "/kvpreview" starts the program for the editor.
TEST(PreviewStart, OnlyAnExactFirstParameterCounts) {
  struct Case {
    std::vector<String> params;
    bool preview;
  } cases[] = {
      {{u"/kvpreview"}, true},
      {{u"/kvpreview", u"more"}, true},
      {{}, false},
      {{u"/KVPREVIEW"}, false},
      {{u"/kvpreview "}, false},
      {{u"kvpreview"}, false},
      {{u"other", u"/kvpreview"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsPreviewStart(c.params), c.preview) << c.params.size();
}
