// Icon-font image lists: the installed icon font, glyphs rendered with their ink inside their
// box, colours, gradients, blend values, contours, rotation, the added character, sizes at
// every density, the cache, and the outline reader on real glyphs.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/kvntUtils.h"
#include "images/ImageListSizes.h"
#include "images/kvAlphaImageList.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Regions.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "raster/kvgpUtils.h"
#include "support/GdiTracker.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"

namespace {

constexpr Char kCheck = 0xF00C;    // a tick
constexpr Char kCircle = 0xF111;   // a filled circle
constexpr Char kChevron = 0xF054;  // an arrow head pointing right: taller than wide
constexpr Char kCross = 0xF00D;

std::unique_ptr<TsCharImageList> NewList(int w, int h) {
  auto list = std::make_unique<TsCharImageList>(nullptr);
  list->AfterConstruction();
  list->PixelsPerInch = 96;
  list->SetWidth(w);
  list->SetHeight(h);
  return list;
}

TkvCharListItem* AddChar(TsCharImageList& list, Char c, TColor color = clNone) {
  TkvCharListItem* item = list.Items()->Add();
  item->SetChar(c);
  item->SetColor(color);
  return item;
}

struct Ink {
  int Count = 0;
  int MaxAlpha = 0;
  TRect Box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
};

Ink InkOf(TBitmap& bmp, TRect area = TRect(0, 0, INT32_MAX, INT32_MAX)) {
  Ink ink;
  const TPixelView v = bmp.View();
  for (int y = std::max(0, area.Top); y < std::min(v.Height, area.Bottom); ++y)
    for (int x = std::max(0, area.Left); x < std::min(v.Width, area.Right); ++x) {
      const int a = PixA(v.At(x, y));
      if (a == 0) continue;
      ++ink.Count;
      ink.MaxAlpha = std::max(ink.MaxAlpha, a);
      ink.Box = TRect(std::min(ink.Box.Left, x), std::min(ink.Box.Top, y), std::max(ink.Box.Right, x + 1),
                      std::max(ink.Box.Bottom, y + 1));
    }
  return ink;
}

std::unique_ptr<TBitmap> Render(TsCharImageList& list, int index, int w, int h, TColor color) {
  return std::unique_ptr<TBitmap>(list.CreateBitmap32Color(index, w, h, color, 0));
}

class CharImageList : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    kvgpUtilsStartup();  // contours and the added character's halo are drawn through GDI+
    kvAlphaImageListStartup();
  }
};

}  // namespace

TEST_F(CharImageList, TheIconFontIsInstalledAtStartUp) {
  ASSERT_NE(awFont, nullptr);
  EXPECT_GE(FontsCount, 1);
  kvAlphaImageListStartup();  // a second start changes nothing
  EXPECT_GE(FontsCount, 1);
  TBitmap bmp(8, 8, pf32bit);
  bmp.Canvas()->Font()->SetName(u"FontAwesome");
  bmp.Canvas()->Font()->SetHeight(24);
  std::unique_ptr<TkvStrokeCollection> strokes(GetCharacterGlyphs(bmp.Canvas(), kCircle));
  ASSERT_NE(strokes, nullptr);
  EXPECT_GE(strokes->NumGlyphs(), 1);
  EXPECT_GT(strokes->Count(), 20);  // a circle of curves cut into steps
  // A character without contours has no strokes: nothing is drawn, nothing is measured.
  EXPECT_EQ(GetCharacterGlyphs(bmp.Canvas(), u' '), nullptr);
  TRect r(0, 0, 24, 24);
  DrawContour(bmp.Canvas(), u' ', r, 1, 0, true);
  EXPECT_EQ(r, TRect(0, 0, 24, 24));
  // A square glyph in 24 x 24 at a 24-pixel font measures 24 - 4 high.
  DrawContour(bmp.Canvas(), kCircle, r, 1, 0, true);
  EXPECT_EQ(r.Height(), 20);
  EXPECT_NEAR(r.Width(), 20, 1);
}

TEST_F(CharImageList, NewListsAndItemsStartWithTheirDefaults) {
  TsCharImageList list(nullptr);
  EXPECT_EQ(list.Width(), 26);
  EXPECT_EQ(list.Height(), 24);
  EXPECT_EQ(list.BlendValue(), 255);
  EXPECT_EQ(list.BlendingMode(), bmInactive);
  TkvCharListItem* item = list.Items()->Add();
  EXPECT_EQ(item->CharCode(), 0);
  EXPECT_EQ(item->FontName(), u"FontAwesome");
  EXPECT_EQ(item->ScalingFactor(), 1.0);
  EXPECT_EQ(item->AddedSize(), 50);
  EXPECT_EQ(item->Color(), clNone);
  EXPECT_EQ(item->Charset(), 1);
  TkvListFonts empty(nullptr), fonts(nullptr);
  fonts.Assign(&empty);
  ASSERT_EQ(fonts.Count(), 1);
  EXPECT_EQ(fonts.Items(0)->FontName(), u"FontAwesome");
  EXPECT_EQ(fonts.Items(0)->FontData->GetSize(), 0);
}

TEST_F(CharImageList, AGlyphHasInkInsideItsBoxAndNoneOutside) {
  auto list = NewList(24, 24);
  AddChar(*list, kCheck);
  list->GenerateStdList(clNone);
  for (int ppi : {96, 144}) {
    SCOPED_TRACE(ppi);
    const int side = 24 * ppi / 96;
    TBitmap dst(100, 100, pf32bit);
    dst.Canvas()->Font()->SetColor(clRed);
    EXPECT_EQ(DrawAlphaImgList(list.get(), &dst, 30, 20, 0, 0, clNone, 0, 1, false, ppi), TSize(side, side));
    const TRect box(30, 20, 30 + side, 20 + side);
    const Ink inside = InkOf(dst, box);
    EXPECT_GT(inside.Count, side * side / 10);
    EXPECT_EQ(inside.MaxAlpha, 255);
    EXPECT_EQ(InkOf(dst).Count, inside.Count);  // nothing outside the box
    // Where the ink is full, the glyph has the target's text colour.
    const TPixelView v = dst.View();
    for (int y = box.Top; y < box.Bottom; ++y)
      for (int x = box.Left; x < box.Right; ++x)
        if (PixA(v.At(x, y)) == 255) {
          EXPECT_GE(PixR(v.At(x, y)), 250);
          EXPECT_LE(PixG(v.At(x, y)) + PixB(v.At(x, y)), 4);
        }
  }
}

TEST_F(CharImageList, BlendValueWeightsTheInkOnlyAtRest) {
  auto list = NewList(24, 24);
  AddChar(*list, kCircle);
  list->SetBlendValue(222);
  list->GenerateStdList(clNone);
  EXPECT_EQ(InkOf(*Render(*list, 0, 24, 24, clBlack)).MaxAlpha, 221);  // 222 x 255 shr 8
  SetImagesState(list.get(), 1);
  list->SetBlendingMode(bmAlways);
  EXPECT_EQ(InkOf(*Render(*list, 0, 24, 24, clBlack)).MaxAlpha, 255);
  SetImagesState(list.get(), 0);
}

TEST_F(CharImageList, SecondColorMakesAGradientThatAForcedColourRemoves) {
  auto list = NewList(32, 32);
  TkvCharListItem* item = AddChar(*list, kCircle, clRed);
  item->SetSecondColor(clBlue);
  list->GenerateStdList(clNone);
  list->SetCharColor(clLime, 0, false);  // the item's own colour wins
  EXPECT_EQ(list->ForeColor, clRed);
  auto bmp = Render(*list, 0, 32, 32, list->ForeColor);
  const Ink ink = InkOf(*bmp);
  ASSERT_GT(ink.Count, 100);
  const uint32_t top = bmp->View().At(16, ink.Box.Top + 1), bottom = bmp->View().At(16, ink.Box.Bottom - 2);
  EXPECT_GT(PixR(top), PixB(top));
  EXPECT_GT(PixB(bottom), PixR(bottom));
  list->SetCharColor(clLime, 0, true);  // forced: one colour, no gradient
  auto forced = Render(*list, 0, 32, 32, list->ForeColor);
  const TPixelView v = forced->View();
  for (int y = 0; y < v.Height; ++y)
    for (int x = 0; x < v.Width; ++x)
      if (PixA(v.At(x, y))) { EXPECT_EQ(v.At(x, y) & 0xFFFFFF, 0x00FF00u); }
  list->SetCharColor(clNone, 0, true);
}

TEST_F(CharImageList, ContoursAreHollowAndAngleTurnsTheGlyph) {
  auto list = NewList(32, 32);
  AddChar(*list, kCircle);
  AddChar(*list, kCircle)->SetDrawContour(true);
  AddChar(*list, kChevron);
  AddChar(*list, kChevron)->SetAngle(90);
  list->GenerateStdList(clNone);
  auto filled = Render(*list, 0, 32, 32, clBlack), contour = Render(*list, 1, 32, 32, clBlack);
  const Ink fi = InkOf(*filled), ci = InkOf(*contour);
  EXPECT_EQ(PixA(filled->View().At(fi.Box.Left + fi.Box.Width() / 2, fi.Box.Top + fi.Box.Height() / 2)), 255);
  ASSERT_GT(ci.Count, 20);
  EXPECT_EQ(PixA(contour->View().At(ci.Box.Left + ci.Box.Width() / 2, ci.Box.Top + ci.Box.Height() / 2)), 0);
  EXPECT_LT(ci.Count, fi.Count / 2);
  const Ink upright = InkOf(*Render(*list, 2, 32, 32, clBlack)), turned = InkOf(*Render(*list, 3, 32, 32, clBlack));
  ASSERT_GT(turned.Count, 10);
  EXPECT_LT(upright.Box.Width(), upright.Box.Height());
  EXPECT_GT(turned.Box.Width(), turned.Box.Height());
}

TEST_F(CharImageList, TheAddedCharacterSitsInTheCornerWhenItFits) {
  auto list = NewList(32, 32);
  AddChar(*list, kCircle, clRed);
  TkvCharListItem* added = AddChar(*list, kCircle, clRed);
  added->SetAddedChar(kCross);
  added->SetAddedFontName(u"FontAwesome");
  added->SetAddedColor(clBlue);
  TkvCharListItem* tooBig = AddChar(*list, kCircle, clRed);
  tooBig->SetAddedChar(kCross);
  tooBig->SetAddedFontName(u"FontAwesome");
  tooBig->SetAddedSize(300);
  list->GenerateStdList(clNone);
  auto plain = Render(*list, 0, 32, 32, clNone), with = Render(*list, 1, 32, 32, clNone),
       big = Render(*list, 2, 32, 32, clNone);
  int blue = 0;
  for (int y = 16; y < 32; ++y)
    for (int x = 16; x < 32; ++x) {
      const uint32_t p = with->View().At(x, y);
      if (PixA(p) > 128 && PixB(p) > 128 && PixR(p) < 100) ++blue;
    }
  EXPECT_GT(blue, 5);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) EXPECT_EQ(big->View().At(x, y), plain->View().At(x, y));
}

TEST_F(CharImageList, ImageSizesFollowTheDensityOnlyWhenScaling) {
  auto list = NewList(24, 20);
  TkvCharListItem* item = AddChar(*list, kCheck);
  item->SetScalingFactor(1.5);
  item->SetOffsetY(4);
  AddChar(*list, kCheck);
  list->GenerateStdList(clNone);
  EXPECT_EQ(GetImageWidth(list.get(), 1, 96, false), 24);
  EXPECT_EQ(GetImageWidth(list.get(), 1, 144, false), 36);
  EXPECT_EQ(GetImageHeight(list.get(), 1, 144, false), 30);
  EXPECT_EQ(GetImageWidth(list.get(), 0, 96, false), 36);   // Round(24 x 1.5)
  EXPECT_EQ(GetImageHeight(list.get(), 0, 96, false), 36);  // Round((4 + 20) x 1.5)
  EXPECT_EQ(GetImageWidth(list.get(), -1, 192, false), 48);
  EXPECT_TRUE(SetImagesPPI(list.get(), 144));
  EXPECT_FALSE(SetImagesPPI(list.get(), 144));
  list->SetAllowScale(false);
  EXPECT_EQ(GetImageWidth(list.get(), 1, 144, false), 24);
  EXPECT_EQ(GetImageHeight(list.get(), 1, 144, false), 20);
  EXPECT_FALSE(SetImagesPPI(list.get(), 96));
  EXPECT_EQ(list->PixelsPerInch, 144);
}

// A list whose height became 0 has nothing to scale a glyph's offset by: an empty picture.
TEST_F(CharImageList, AListOfHeightZeroGivesAnEmptyBitmap) {
  auto list = NewList(24, 24);
  AddChar(*list, kCheck);
  list->GenerateStdList(clNone);
  ASSERT_TRUE(list->HandleAllocated());
  list->SetHeight(0);
  TBitmap image(10, 10, pf32bit);
  EXPECT_FALSE(list->GetBitmap32(0, &image, 0));
  EXPECT_TRUE(image.Empty());
  list->PixelsPerInch = 0;
  TBitmap again(10, 10, pf32bit);
  EXPECT_FALSE(list->GetBitmap32(0, &again, 0));
}

// Drawn onto a device context, the glyph and its reflection land in the rows the requested
// density gives them, whatever density the list was last left at.
TEST_F(CharImageList, ADeviceContextGetsTheReflectionAtTheRequestedDensity) {
  auto list = NewList(24, 24);
  AddChar(*list, kCircle, clBlack);
  list->GenerateStdList(clNone);
  ASSERT_EQ(list->PixelsPerInch, 96);
  constexpr int kPPI = 192;
  const int w = GetImageWidth(list.get(), 0, kPPI, false), h = GetImageHeight(list.get(), 0, kPPI, false);
  ASSERT_EQ(h, 48);
  TBitmap target(w, 2 * h, pf32bit);
  FillRect32(&target, MkRect(&target), clWhite, 255);
  {
    TCanvasLock lock(*target.Canvas());
    DrawAlphaImgListDC(list.get(), target.Canvas()->Handle(), 0, 0, 0, 0, clNone, 0, 1, true, kPPI);
  }
  // Rows that differ from the white background, counted in bands.
  auto changedRows = [&](int top, int bottom) {
    int rows = 0;
    for (int y = top; y < bottom; ++y) {
      bool changed = false;
      for (int x = 0; x < w && !changed; ++x) changed = (target.View().At(x, y) & 0xFFFFFF) != 0xFFFFFF;
      rows += changed;
    }
    return rows;
  };
  EXPECT_GT(changedRows(0, h), h / 2);              // the circle
  EXPECT_GT(changedRows(h + h / 4, h + h / 2), 0);  // the far half of its reflection
  EXPECT_EQ(changedRows(h + h / 2, 2 * h), 0);      // nothing beyond half the glyph's height
  EXPECT_EQ(list->PixelsPerInch, 96);
}

TEST_F(CharImageList, RenderingsAreCachedByColourAndSize) {
  auto list = NewList(24, 24);
  TkvCharListItem* item = AddChar(*list, kCheck);
  list->GenerateStdList(clNone);
  list->ClearCache(-1);
  auto first = Render(*list, 0, 24, 24, clRed);
  TBitmap* cache = item->CacheBmp;
  ASSERT_NE(cache, nullptr);
  auto second = Render(*list, 0, 24, 24, clRed);
  EXPECT_EQ(item->CacheBmp, cache);
  auto blue = Render(*list, 0, 24, 24, clBlue);
  EXPECT_NE(PixR(InkOf(*blue).MaxAlpha ? blue->View().At(12, 12) : 0), 255);
  ASSERT_NE(item->CacheBmp, nullptr);
  EXPECT_EQ(item->CacheColor, clBlue);
  item->SetChar(kCircle);  // a property change drops the cache
  EXPECT_EQ(item->CacheBmp, nullptr);
}

TEST_F(CharImageList, FontQualityFollowsTheCharacterHeight) {
  auto list = NewList(24, 24);
  AddChar(*list, kCheck);
  list->GenerateStdList(clNone);
  TBitmap small(24, 24, pf32bit), large(25, 25, pf32bit);
  list->PrepareBmp(&small, 0, 0, 24, MkRect(&small));
  list->PrepareBmp(&large, 0, 0, 25, MkRect(&large));
  EXPECT_EQ(small.Canvas()->Font()->Quality(), fqClearType);
  EXPECT_EQ(large.Canvas()->Font()->Quality(), fqAntialiased);
}

TEST_F(CharImageList, ItemsStoredWithoutScalingTakeTheFontsAndLoseTheirColour) {
  TsCharImageList list(nullptr);
  list.SetLoading(true);
  list.AfterConstruction();
  list.SetWidth(24);
  list.SetHeight(24);
  TkvCharListItem* item = list.Items()->Add();
  item->SetChar(kCheck);
  item->SetColor(clRed);
  item->SetScalingFactor(0);
  list.SetLoading(false);
  list.Loaded();
  EXPECT_DOUBLE_EQ(item->ScalingFactor(), GetDefScaling(1, u"FontAwesome"));
  EXPECT_GT(item->ScalingFactor(), 0.5);
  EXPECT_EQ(item->Color(), clNone);
  EXPECT_TRUE(list.HandleAllocated());
  EXPECT_EQ(list.Count(), 1);
}

TEST_F(CharImageList, RenderingLeaksNoHandle) {
  auto list = NewList(24, 24);
  AddChar(*list, kCircle)->SetDrawContour(true);
  AddChar(*list, kChevron)->SetAngle(45);
  TkvCharListItem* added = AddChar(*list, kCircle);
  added->SetAddedChar(kCross);
  added->SetAddedFontName(u"FontAwesome");
  list->GenerateStdList(clNone);
  list->ClearCache(-1);
  GdiTracker tracker;
  ASSERT_TRUE(tracker.Active());
  {
    for (int i = 0; i < 3; ++i) Render(*list, i, 30, 30, clRed);
    TBitmap dst(40, 40, pf32bit);
    DrawAlphaImgList(list.get(), &dst, 2, 2, 1, 0, clNone, 0, 1, false, 120);
    list->ClearCache(-1);
  }
  EXPECT_TRUE(tracker.Live().empty()) << tracker.Live().front();
}
