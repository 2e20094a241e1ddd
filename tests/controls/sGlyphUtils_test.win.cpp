// The built-in glyph lists: the icon-font characters, the PNG pictures carried as resources,
// and which of the two is in force.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>

#include "controls/sGlyphUtils.h"
#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "images/kvPNG.h"
#include "paint/sGraphUtils.h"
#include "skin/sCommonData.h"
#include "support/PngWriter.h"
#include "ui/Controls.h"

namespace {

class BuiltInGlyphs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    kvAlphaImageListStartup();
    sGlyphUtilsStartup();
  }
  static void TearDownTestSuite() { sGlyphUtilsCleanup(); }
};

}  // namespace

TEST_F(BuiltInGlyphs, TheCharacterListHoldsTheIconFontAndSymbolCharacters) {
  ASSERT_NE(kvCharImages, nullptr);
  ASSERT_EQ(kvCharImages->Items()->Count(), 25);
  EXPECT_EQ(kvCharImages->Width(), 16);
  EXPECT_EQ(kvCharImages->Height(), 14);
  EXPECT_EQ(kvCharImages->BlendValue(), 222);
  EXPECT_EQ(kvCharImages->GetBkColor(), clWhite);
  for (int i = 0; i < 21; ++i) {
    const TkvCharListItem* item = kvCharImages->Items()->Items(i);
    EXPECT_EQ(item->CharCode(), aChars[i].CharCode) << i;
    EXPECT_EQ(item->ScalingFactor(), aChars[i].Scaling) << i;
    EXPECT_EQ(item->FontName(), u"FontAwesome") << i;
  }
  EXPECT_EQ(kvCharImages->Items()->Items(iBTN_ELLIPSIS)->CharCode(), 0xF141);
  EXPECT_EQ(kvCharImages->Items()->Items(iBTN_ELLIPSIS)->OffsetY(), 4);
  const TkvCharListItem* close = kvCharImages->Items()->Items(iServCharClose);
  EXPECT_EQ(close->FontName(), u"Marlett");
  EXPECT_EQ(close->CharCode(), u'r');
  EXPECT_EQ(ImageList_GetImageCount(kvCharImages->Handle()), 25);
  // The ellipsis is drawn 4 pixels lower than it would be without its offset.
  std::unique_ptr<TBitmap> dots(kvCharImages->CreateBitmap32Color(iBTN_ELLIPSIS, 16, 18, clBlack, 14));
  ASSERT_NE(dots, nullptr);
  EXPECT_EQ(GetImageHeight(kvCharImages, iBTN_ELLIPSIS, 96, false), 18);  // 14 + 4
}

TEST_F(BuiltInGlyphs, TheListInForceFollowsTheOldGlyphsMode) {
  const bool saved = kv_OldGlyphsMode;
  kv_OldGlyphsMode = true;
  TkvImageList* first = kvResImgList();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, kvResImages);
  EXPECT_EQ(kvResImgList(), first);  // made once
  kv_OldGlyphsMode = false;
  EXPECT_EQ(kvResImgList(), kvCharImages);
  kv_OldGlyphsMode = saved;
}

TEST_F(BuiltInGlyphs, ThePicturesAre48By24WithTwoStates) {
  TsAlphaImageList* res = kvResImages ? kvResImages : MakeResImages();
  EXPECT_EQ(res->Width(), 32);
  EXPECT_EQ(res->Height(), 16);
  ASSERT_EQ(res->Count(), 5);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const TsImgListItem* item = res->Items()->Items(i);
    EXPECT_EQ(item->OrigWidth, 48);
    EXPECT_EQ(item->OrigHeight, 24);
    // Two square cells side by side: what the added glyph counts as its states.
    EXPECT_EQ(GetImageWidth(res, i, 96, false) / GetImageHeight(res, i, 96, false), 2);
    TBitmap pic;
    item->ImgData->SetPosition(0);
    LoadBmpFromPngStream(pic, *item->ImgData);
    item->ImgData->SetPosition(0);
    ASSERT_EQ(pic.Width(), 48);
    const TPixelView v = pic.View();
    EXPECT_EQ(PixA(v.At(0, 0)), 0);  // transparent corners
    int normal = 0, hot = 0, differ = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        normal += PixA(v.At(x, y)) > 128;
        hot += PixA(v.At(x + 24, y)) > 128;
        differ += v.At(x, y) != v.At(x + 24, y);
      }
    EXPECT_GT(normal, 20);
    EXPECT_EQ(normal, hot);  // the same shape in both looks ...
    EXPECT_GT(differ, 20);   // ... in another colour
  }
}

TEST_F(BuiltInGlyphs, AnAddedGlyphMeasuresItsListAtTheSkinDatasDensity) {
  const bool saved = kv_OldGlyphsMode;
  kv_OldGlyphsMode = true;
  TWinControl owner(nullptr);
  TsCommonData data(&owner);
  TkvAddedGlyph glyph(&owner, &data);
  EXPECT_EQ(glyph.ImageIndex(), -1);
  EXPECT_EQ(glyph.Blend(), 0);
  EXPECT_EQ(glyph.ColorTone(), clNone);
  EXPECT_FALSE(glyph.Grayed());
  // Without a list of its own: the built-in list in force, measured as a whole.
  EXPECT_EQ(glyph.SourceList(), kvResImgList());
  EXPECT_EQ(glyph.ImageCount(), 2);
  EXPECT_EQ(glyph.Width(), 16);
  EXPECT_EQ(glyph.Height(), 16);

  TsAlphaImageList three(nullptr);
  three.AfterConstruction();
  three.SetWidth(48);
  three.SetHeight(16);
  testpng::Image img = testpng::RandomImage(48, 16, 6, 8, 5);
  const testpng::Bytes png = testpng::Encode(img);
  TsImgListItem* item = three.Items()->Add();
  item->ImgData->WriteBuffer(png.data(), static_cast<Integer>(png.size()));
  three.GenerateStdList();
  glyph.SetImages(&three);
  EXPECT_EQ(glyph.SourceList(), kvResImgList());  // index -1 is no image of it
  glyph.SetImageIndex(0);
  EXPECT_EQ(glyph.SourceList(), &three);
  EXPECT_EQ(glyph.ImageCount(), 3);
  EXPECT_EQ(glyph.Width(), 16);
  glyph.SetImages(nullptr);
  EXPECT_EQ(glyph.Images(), nullptr);
  kv_OldGlyphsMode = saved;
}
