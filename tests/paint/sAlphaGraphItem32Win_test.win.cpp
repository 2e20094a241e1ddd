// The 32-bit skin item painter: a look's transparency as real alpha.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "raster/sGradient.h"
#include "support/Bitmap32.h"
#include "support/SkinFixture.h"

namespace {

TsGeneralData Look(TColor color, Integer transparency) {
  TsGeneralData s;
  s.BorderIndex = -1;
  s.Props[0].Color = color;
  s.Props[0].Transparency = transparency;
  return s;
}

struct Item32 : ::testing::Test {
  void SetUp() override {
    kvntUtilsStartup();  // no debugger attached: no developer warnings
    kvgpUtilsStartup();
    sGradientStartup();
  }
  SkinFixture skin;
};

}  // namespace

TEST_F(Item32, FullTransparencyClearsAWholeBitmapAndLeavesALargerOne) {
  const Integer glass = skin.AddSection(Look(clWhite, 100));
  Bmp whole = Filled(10, 10, 0x80123456);
  PaintItem32(glass, true, 0, TRect(0, 0, 10, 10), TPoint(), whole.get(), skin.Data);
  EXPECT_EQ(Px(whole.get(), 5, 5), 0u);
  Bmp larger = Filled(20, 20, 0x80123456);
  PaintItem32(glass, true, 0, TRect(0, 0, 10, 10), TPoint(), larger.get(), skin.Data);
  EXPECT_EQ(Px(larger.get(), 5, 5), 0x80123456u);
}

TEST_F(Item32, PlainColourTakesTheAlphaOfItsTransparency) {
  const Integer look = skin.AddSection(Look(0x204080, 30));
  Bmp clear = Filled(20, 20, 0);
  PaintItem32(look, true, 0, TRect(0, 0, 10, 10), TPoint(), clear.get(), skin.Data);
  EXPECT_EQ(Px(clear.get(), 5, 5), MakePix(0x20, 0x40, 0x80, 178));  // (100 - 30) * 255 div 100
  EXPECT_EQ(Px(clear.get(), 15, 15), 0u);
  Bmp over = Filled(20, 20, MakePix(0, 0, 0, 200));
  PaintItem32(look, true, 0, TRect(0, 0, 10, 10), TPoint(), over.get(), skin.Data);
  // 70 % of the way to the colour; the higher alpha kept.
  EXPECT_EQ(Px(over.get(), 5, 5), MakePix(0x20 * 70 / 100, 0x40 * 70 / 100, 0x80 * 70 / 100, 200));
}

TEST_F(Item32, AnItemThatFillsItsBitmapIsPremultiplied) {
  const Integer look = skin.AddSection(Look(clWhite, 50));
  Bmp whole = Filled(10, 10, 0);
  PaintItem32(look, true, 0, TRect(0, 0, 10, 10), TPoint(), whole.get(), skin.Data);
  const uint32_t p = Px(whole.get(), 5, 5);
  EXPECT_EQ(PixA(p), 127);
  EXPECT_LE(PixR(p), 128);
  Bmp larger = Filled(20, 20, 0);
  PaintItem32(look, true, 0, TRect(0, 0, 10, 10), TPoint(), larger.get(), skin.Data);
  EXPECT_EQ(Px(larger.get(), 5, 5), MakePix(255, 255, 255, 127));  // straight alpha
}

TEST_F(Item32, TranslucentGradientLeavesTheSectionsGradientAlone) {
  TsGeneralData s = Look(clBlack, 40);
  s.Props[0].GradientPercent = 100;
  s.Props[0].GradientArray = {GradPoint(0, 0x0000FF, 0), GradPoint(1, 0x0000FF, 100)};
  const Integer grad = skin.AddSection(s);
  for (int pass = 0; pass < 2; ++pass) {
    Bmp b = Filled(20, 20, 0);
    PaintItem32(grad, true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
    const uint32_t p = Px(b.get(), 5, 5);
    EXPECT_NEAR(PixA(p), 153, 3) << pass;  // (100 - 40) * 255 div 100
    EXPECT_GT(PixR(p), 100) << pass;
  }
  const TsGradArray& kept = skin.Section(grad).Props[0].GradientArray;
  const Integer mode0 = kept[0].Mode;
  const Byte alpha0 = kept[0].Color.A, alpha1 = kept[1].Color.A;
  EXPECT_EQ(mode0, 0);
  EXPECT_EQ(alpha0, 0);
  EXPECT_EQ(alpha1, 0);
  // So the ordinary painter still paints the look's gradient opaque, whatever was painted before.
  Bmp opaque = Filled(10, 10, 0);
  TCacheInfo ci;
  ci.FillColor = clFuchsia;
  PaintItem(grad, ci, true, 0, TRect(0, 0, 10, 10), TPoint(), opaque.get(), skin.Data);
  EXPECT_EQ(Px(opaque.get(), 5, 5), MakePix(0, 0, 255, 255));
}

TEST_F(Item32, TextureAndGradientInOnePassWithTheLooksAlpha) {
  const Integer tex = skin.AddImage(TRect(0, 0, 4, 4), 1, 0, fmTiled);
  for (Integer y = 0; y < 4; ++y)
    for (Integer x = 0; x < 4; ++x) skin.Put(tex, 0, x, y, (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000);
  TsGeneralData s = Look(clBlack, 0);
  s.Props[0].ImagePercent = 30;
  s.Props[0].GradientPercent = 70;
  s.Props[0].TextureIndex = tex;
  s.Props[0].GradientArray = {GradPoint(0, clBlack, 0), GradPoint(1, clBlack, 100)};
  const Integer look = skin.AddSection(s);
  Bmp b = Filled(20, 20, 0);
  PaintItem32(look, true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  const Byte t = MixByte(0, 255, 76);
  EXPECT_EQ(Px(b.get(), 1, 0), MakePix(t, t, t, 255));
  EXPECT_EQ(Px(b.get(), 0, 0), 0xFF000000u);
  skin.Section(look).Props[0].Transparency = 50;
  PaintItem32(look, true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(PixA(Px(b.get(), 1, 0)), 127);
}

TEST_F(Item32, StatesAndTheBorderMaskOverWhatWasUnderTheItem) {
  // A frame of four state pictures, each its own grey, with a key-colour corner.
  const Integer frame = skin.AddImage(TRect(0, 0, 36, 9), 4, 0, 0, 3);
  for (Integer s = 0; s < 4; ++s) {
    skin.Fill(frame, s, MakePix(0x10 * (s + 1), 0x10 * (s + 1), 0x10 * (s + 1), 255));
    skin.Put(frame, s, 0, 0, kKeyPixel);
  }
  TsGeneralData s = Look(clWhite, 0);
  s.States = 4;
  s.BorderIndex = frame;
  s.Props[2].Color = clLime;
  const Integer framed = skin.AddSection(s);
  Bmp b = Filled(30, 30, 0xFF0000FF);  // blue under the item
  PaintItem32(framed, true, 3, TRect(5, 5, 25, 25), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 15, 15), 0xFF00FF00u);                    // state 3 paints the look of state 2
  EXPECT_EQ(Px(b.get(), 6, 15), MakePix(0x40, 0x40, 0x40, 255));  // and gives the mask state 3
  EXPECT_EQ(Px(b.get(), 5, 5), 0xFF0000FFu);                      // the key corner keeps what was there
  PaintItem32(framed, true, 9, TRect(5, 5, 25, 25), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 6, 15), MakePix(0x40, 0x40, 0x40, 255));  // beyond: the last state
}

TEST_F(Item32, CustomColourAndBadInput) {
  const Integer look = skin.AddSection(Look(clWhite, 60));
  Bmp b = Filled(10, 10, 0);
  PaintItemBG32(look, 0, TRect(0, 0, 10, 10), b.get(), skin.Data, clRed);
  EXPECT_EQ(Px(b.get(), 5, 5), MakePix(0, 0, 255, 255));  // opaque whatever the look's transparency
  Bmp untouched = Filled(10, 10, 0x11111111);
  TkvObject other;
  PaintItem32(look, true, 0, TRect(0, 0, 10, 10), TPoint(), untouched.get(), &other);
  PaintItem32(look + 1, true, 0, TRect(0, 0, 10, 10), TPoint(), untouched.get(), skin.Data);
  PaintItem32(look, true, 0, TRect(0, 0, 11, 10), TPoint(), untouched.get(), skin.Data);
  PaintItem32(look, true, 0, TRect(2, 2, 2, 9), TPoint(), untouched.get(), skin.Data);
  EXPECT_EQ(Px(untouched.get(), 5, 5), 0x11111111u);
}
