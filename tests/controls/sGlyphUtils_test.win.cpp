// The built-in glyph lists: the icon-font characters, the PNG pictures carried as resources,
// and which of the two is in force.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "base/ManagerLink.h"
#include "controls/sGlyphUtils.h"
#include "controls/sThirdParty.h"
#include "images/kvAlphaImageList.h"
#include "images/kvPNG.h"
#include "paint/sGraphUtils.h"
#include "skin/sCommonData.h"
#include "support/PngWriter.h"
#include "support/SkinFixture.h"
#include "ui/Controls.h"

namespace {

class BuiltInGlyphs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { kvAlphaImageListStartup(); }
  static void TearDownTestSuite() { sGlyphUtilsCleanup(); }
};

// Every glyph of the character list as the engine draws it (menus, sliders: through
// DrawAlphaImgList in the canvas's font colour) at 96 and 144 PPI, and as the system draws its
// image list; the pixels one after another.
std::vector<TColor> EveryGlyph(TsCharImageList* list) {
  std::vector<TColor> px;
  for (Integer ppi : {96, 144}) {
    TBitmap target(40 * 25, 40, pf32bit);
    target.Canvas()->Brush()->SetColor(clWhite);
    target.Canvas()->FillRect(TRect(0, 0, target.Width(), target.Height()));
    target.Canvas()->Font()->SetColor(clNavy);
    for (Integer i = 0; i < 25; ++i) DrawAlphaImgList(list, &target, i * 40, 0, i, 0, clNone, 0, 1, false, ppi);
    for (Integer y = 0; y < target.Height(); ++y)
      for (Integer x = 0; x < target.Width(); ++x) px.push_back(target.PixelColor(x, y));
  }
  TBitmap system(40 * 25, 40, pf32bit);
  system.Canvas()->Brush()->SetColor(clWhite);
  system.Canvas()->FillRect(TRect(0, 0, system.Width(), system.Height()));
  for (Integer i = 0; i < 25; ++i) ImageList_Draw(list->Handle(), i, system.Canvas()->Handle(), i * 40, 0, ILD_NORMAL);
  for (Integer y = 0; y < system.Height(); ++y)
    for (Integer x = 0; x < system.Width(); ++x) px.push_back(system.PixelColor(x, y));
  return px;
}

}  // namespace

// The list used to be made at start-up, before any skin manager; now its first use makes it,
// usually while a skin is active. Either way the glyphs come out the same.
TEST_F(BuiltInGlyphs, TheCharacterListIsMadeOnFirstUseAndDrawsAsOneMadeBeforeTheSkin) {
  sGlyphUtilsCleanup();
  EXPECT_EQ(kvCharImages, nullptr);
  MakeCharImages();  // as the start-up made it: no manager yet
  std::vector<TColor> madeBefore;
  {
    SkinFixture skin;
    ASSERT_NE(DefaultManagerLink(), nullptr);
    ASSERT_TRUE(DefaultManagerLink()->IsActive());
    madeBefore = EveryGlyph(CharImages());
    sGlyphUtilsCleanup();
    ASSERT_EQ(kvCharImages, nullptr);
    TsCharImageList* first = CharImages();  // the first use, the skin active
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, kvCharImages);
    EXPECT_EQ(CharImages(), first);  // made once
    const std::vector<TColor> madeOnUse = EveryGlyph(first);
    ASSERT_EQ(madeOnUse.size(), madeBefore.size());
    size_t differ = 0, inked = 0;
    for (size_t i = 0; i < madeOnUse.size(); ++i) {
      differ += madeOnUse[i] != madeBefore[i];
      inked += madeBefore[i] != clWhite;
    }
    EXPECT_EQ(differ, 0u);
    EXPECT_GT(inked, 25u * 20u);  // the glyphs were drawn at all
  }
  sGlyphUtilsCleanup();
}

TEST_F(BuiltInGlyphs, TheCharacterListHoldsTheIconFontAndSymbolCharacters) {
  ASSERT_NE(CharImages(), nullptr);
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
  EXPECT_EQ(kvResImgList(), CharImages());
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
