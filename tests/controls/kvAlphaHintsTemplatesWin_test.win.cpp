// The default hint template from the program's resource, and template files on disk.
#include <windows.h>

#include <gtest/gtest.h>

#include "controls/kvAlphaHintsTemplates.h"
#include "support/TempDir.h"
#include "ui/SysUtils.h"

namespace {

class HintTemplatesWin : public ::testing::Test {
 protected:
  void SetUp() override { kvAlphaHintsStartup(); }
  void TearDown() override { kvAlphaHintsCleanup(); }
};

std::vector<Byte> FileBytes(const String& name) { return ReadFileBytes(name); }

}  // namespace

TEST_F(HintTemplatesWin, DefaultTemplateIsTheResourcePictureWithItsSizes) {
  TkvHintTemplate* tpl = DefaultTemplate();
  ASSERT_NE(tpl, nullptr);
  TkvHintImage* img = tpl->ImageDefault();
  ASSERT_EQ(img->ImageWidth(), 27);
  ASSERT_EQ(img->ImageHeight(), 27);
  EXPECT_EQ(img->FBordersWidths->Left(), 11);
  EXPECT_EQ(img->FShadowSizes->Bottom(), 8);
  EXPECT_EQ(img->FClientMargins->Top(), 8);
  EXPECT_TRUE(tpl->SingleImageUsed());

  TBitmap* pic = img->Image();
  ASSERT_EQ(pic->PixelFormat(), pf32bit);
  // The nine-part centre (columns 11..12, rows 10..11) is the opaque body colour.
  for (Integer y = 10; y <= 11; ++y)
    for (Integer x = 11; x <= 12; ++x) {
      const uint32_t px = static_cast<const uint32_t*>(static_cast<const TBitmap*>(pic)->ScanLine(y))[x];
      EXPECT_EQ(px >> 24, 255u);
      EXPECT_EQ(px & 0xFFFFFF, 0xFAFAB0u) << x << "," << y;  // RGB 250, 250, 176 as B, G, R bytes
    }
  // Where the shadow sizes say the bubble ends, the shadow begins: translucent at the right
  // and bottom, nothing at the far top-left corner.
  auto alpha = [&](Integer x, Integer y) {
    return static_cast<const uint32_t*>(static_cast<const TBitmap*>(pic)->ScanLine(y))[x] >> 24;
  };
  EXPECT_EQ(alpha(6, 10), 255u);  // first bubble column (shadow left 6)
  EXPECT_LT(alpha(5, 10), 255u);
  EXPECT_EQ(alpha(19, 10), 255u);  // last bubble column (27 - 7 - 1)
  EXPECT_GT(alpha(20, 10), 0u);
  EXPECT_LT(alpha(20, 10), 255u);
  EXPECT_EQ(alpha(10, 18), 255u);  // last bubble row (27 - 8 - 1)
  EXPECT_LT(alpha(10, 19), 255u);
  EXPECT_EQ(alpha(0, 0), 0u);
}

TEST_F(HintTemplatesWin, TheProgramCarriesThePipetteCursorResource) {
  HCURSOR cursor = LoadCursorW(GetModuleHandleW(nullptr), L"CRKPPIPETTE");
  ASSERT_NE(cursor, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 1u);
  EXPECT_EQ(info.yHotspot, 30u);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
}

TEST_F(HintTemplatesWin, SaveReplacesAnExistingFileAndLoadNamesTheTemplateAfterIt) {
  TempDir dir;
  const String name = dir.Path() + u"\\Glossy.blue.hint";
  {
    TFileStream old(name, fmCreate);
    old.WriteBuffer("old", 3);
  }
  SaveHintTemplateToFile(*DefaultTemplate(), name);
  EXPECT_FALSE(FileExists(name + u".saving"));
  const std::vector<Byte> saved = FileBytes(name);
  ASSERT_GT(saved.size(), 4u);
  EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), "KPhh");

  TkvHintTemplates templates;
  TkvHintTemplate* tpl = LoadHintTemplateFromFile(templates, name);
  ASSERT_NE(tpl, nullptr);
  EXPECT_EQ(templates.Count(), 1);
  EXPECT_EQ(tpl->Name(), u"Glossy");
  EXPECT_EQ(tpl->ImageDefault()->ImageWidth(), 27);
  EXPECT_EQ(tpl->ImageDefault()->FShadowSizes->Right(), 7);
}

TEST_F(HintTemplatesWin, AFailedSaveLeavesTheOldFileAsItWas) {
  TempDir dir;
  const String name = dir.Path() + u"\\kept.hint";
  {
    TFileStream old(name, fmCreate);
    old.WriteBuffer("old file", 8);
  }
  // The temporary file cannot be made: a folder has its name.
  ASSERT_TRUE(CreateDirectoryW(WideStr(name + u".saving"), nullptr));
  EXPECT_THROW(SaveHintTemplateToFile(*DefaultTemplate(), name), Exception);
  const std::vector<Byte> kept = FileBytes(name);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "old file");
  RemoveDirectoryW(WideStr(name + u".saving"));
}

TEST_F(HintTemplatesWin, ADamagedFileRaisesAndAddsNoTemplate) {
  TMemoryStream good;
  WriteHintTemplate(*DefaultTemplate(), good);
  TMemoryStream bad;
  good.SetPosition(0);
  bad.CopyFrom(good, good.GetSize() - 10);  // the picture is cut short
  TkvHintTemplates templates;
  EXPECT_THROW(LoadHintTemplateFromStream(templates, bad), EReadError);
  EXPECT_EQ(templates.Count(), 0);
}
