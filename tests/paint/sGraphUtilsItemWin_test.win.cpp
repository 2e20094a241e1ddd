// The skin item painter on a small synthetic skin: each branch painted into a memory bitmap and
// checked at chosen pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "raster/sGradient.h"
#include "skin/sCommonData.h"
#include "support/Bitmap32.h"
#include "support/ImportHook.h"
#include "support/SkinFixture.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"

namespace {

TCacheInfo FillColourCI(TColor color) {
  TCacheInfo ci;
  ci.FillColor = color;
  return ci;
}

constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;
constexpr uint32_t kFrame[3] = {0xFF404040, 0xFF606060, 0xFF808080};

// A section without a border mask (a fresh record names image 0).
TsGeneralData NewSection() {
  TsGeneralData s;
  s.BorderIndex = -1;
  return s;
}

// The skin of these tests: sections by name, images in a 64 x 64 master bitmap.
struct ItemSkin : SkinFixture {
  Integer Plain, Half, Grad, TexGrad, Framed, Glass, Line, Round, Corner, Frame, Texture, Glyph;
  ItemSkin() {
    // A 9 x 9 frame of three states: a 3-pixel ring of the state's grey, a key-colour corner.
    Frame = AddImage(TRect(0, 0, 27, 9), 3, 0, 0, 3);
    for (Integer s = 0; s < 3; ++s) {
      Fill(Frame, s, kFrame[s]);
      Put(Frame, s, 0, 0, kKeyPixel);
    }
    Image(Frame).Cfg = 1;
    // A 4 x 4 checker texture, tiled.
    Texture = AddImage(TRect(0, 10, 4, 14), 1, 0, fmTiled);
    for (Integer y = 0; y < 4; ++y)
      for (Integer x = 0; x < 4; ++x) Put(Texture, 0, x, y, (x + y) % 2 ? kWhite : 0xFF000000);
    // A 3 x 3 red corner glyph.
    Glyph = AddImage(TRect(10, 10, 13, 13), 1, 0);
    Fill(Glyph, 0, kRed);

    TsGeneralData s = NewSection();
    s.States = 3;
    s.Props[0].Color = clRed;
    s.Props[1].Color = clLime;
    s.Props[2].Color = clBlue;
    Plain = AddSection(s);
    TsGeneralData half = NewSection();
    half.Props[0].Color = clWhite;
    half.Props[0].Transparency = 40;
    Half = AddSection(half);
    TsGeneralData grad = NewSection();
    grad.Props[0].GradientPercent = 100;
    grad.Props[0].GradientArray = {GradPoint(0, clBlack, 0), GradPoint(1, clWhite, 100)};
    Grad = AddSection(grad);
    TsGeneralData texGrad = NewSection();
    texGrad.Props[0].ImagePercent = 30;
    texGrad.Props[0].GradientPercent = 70;
    texGrad.Props[0].TextureIndex = Texture;
    texGrad.Props[0].GradientArray = {GradPoint(0, clBlack, 0), GradPoint(1, clBlack, 100)};
    TexGrad = AddSection(texGrad);
    TsGeneralData framed = NewSection();
    framed.States = 3;
    framed.BorderIndex = Frame;
    for (auto& p : framed.Props) p.Color = 0x999999;
    Framed = AddSection(framed);
    TsGeneralData glass = NewSection();
    glass.Props[0].Transparency = 100;
    glass.Props[0].Color = clWhite;
    Glass = AddSection(glass);
    TsGeneralData line = NewSection();
    line.BorderWidth = 1;
    line.Props[0].Color = clWhite;
    line.Props[0].BorderColor = clBlue;
    Line = AddSection(line);
    TsGeneralData round = line;
    round.BorderRadius = 4;
    Round = AddSection(round);
    TsGeneralData corner = NewSection();
    corner.ImgTL = Glyph;
    corner.Props[0].Color = clWhite;
    Corner = AddSection(corner);
  }
};

struct ItemPainter : ::testing::Test {
  void SetUp() override {
    kvntUtilsStartup();  // no debugger attached: no developer warnings
    kvgpUtilsStartup();
    sGradientStartup();
  }
  ItemSkin skin;
};

}  // namespace

TEST_F(ItemPainter, PlainLooksByStateOnlyInsideTheRectangle) {
  Bmp b = Filled(20, 20, 0x11111111);
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(5, 5, 15, 15), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 5, 5), kRed);
  EXPECT_EQ(Px(b.get(), 14, 14), kRed);
  EXPECT_EQ(Px(b.get(), 4, 4), 0x11111111u);
  EXPECT_EQ(Px(b.get(), 15, 10), 0x11111111u);
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 1, TRect(5, 5, 15, 15), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 10, 10), kGreen);
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 7, TRect(5, 5, 15, 15), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 10, 10), kBlue);  // beyond the section's states: the last one
}

namespace {
std::vector<String> warnings;
int WINAPI RecordBox(const MSGBOXPARAMSW* p) {
  warnings.push_back(reinterpret_cast<const Char*>(p->lpszText));
  return IDOK;
}
int WINAPI DebuggerAttached() { return 1; }
}  // namespace

TEST_F(ItemPainter, WrongSkinDataWarnsOnlyUnderADebugger) {
  ImportHook box("user32.dll", "MessageBoxIndirectW", &RecordBox);
  warnings.clear();
  Bmp b = Filled(10, 10, 0);
  TkvObject notSkinData;
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), &notSkinData);
  EXPECT_TRUE(warnings.empty());
  const auto saved = kvIsDebuggerPresent;
  kvIsDebuggerPresent = DebuggerAttached;
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), &notSkinData);
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b->Canvas()->Handle(),
            &notSkinData);
  PaintItemFast(skin.Plain, -1, -1, -1, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(),
                &notSkinData);
  PaintItemBGFast(skin.Plain, -1, -1, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), b.get(), &notSkinData);
  PaintItem32(skin.Plain, true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), &notSkinData);
  PaintItemBG32(skin.Plain, 0, TRect(0, 0, 10, 10), b.get(), &notSkinData, clFuchsia);
  kvIsDebuggerPresent = saved;
  EXPECT_EQ(warnings, (std::vector<String>{u"Check parameters of the PaintItem 1 procedure.",
                                          u"Check parameters of the PaintItem 2 procedure.",
                                          u"Check parameters of the PaintItemFast procedure.",
                                          u"Check parameters of the PaintItemBGFast procedure.",
                                          u"Check parameters of the PaintItem32 procedure.",
                                          u"Check parameters of the PaintItemBG32 procedure."}));
  EXPECT_EQ(Px(b.get(), 5, 5), 0u);
}

TEST_F(ItemPainter, BadInputPaintsNothing) {
  Bmp b = Filled(10, 10, 0x11111111);
  TkvObject notSkinData;
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), &notSkinData);
  PaintItem(99, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(0, 0, 11, 10), TPoint(), b.get(), skin.Data);
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(-1, 0, 5, 5), TPoint(), b.get(), skin.Data);
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 0, TRect(3, 3, 3, 8), TPoint(), b.get(), skin.Data);
  for (Integer y = 0; y < 10; ++y)
    for (Integer x = 0; x < 10; ++x) EXPECT_EQ(Px(b.get(), x, y), 0x11111111u);
}

TEST_F(ItemPainter, PartialTransparencyOverTheParentsBackground) {
  // Parent: green on the left, blue from column 10; the item lies at (10, 0) of it.
  Bmp parent = Filled(20, 10, kGreen);
  FillRect32(parent.get(), TRect(10, 0, 20, 10), clBlue, 255);
  Bmp b = Filled(10, 10, 0);
  PaintItem(skin.Half, MakeCacheInfo(parent.get()), true, 0, TRect(0, 0, 10, 10), TPoint(10, 0), b.get(), skin.Data);
  // 40 % of the background (weight 102 of 256) and 60 % of the white look.
  const uint32_t p = Px(b.get(), 4, 4);
  EXPECT_EQ(PixB(p), (255 * 102 + 255 * 154) >> 8);
  EXPECT_EQ(PixG(p), (0 * 102 + 255 * 154) >> 8);
  EXPECT_EQ(PixR(p), (0 * 102 + 255 * 154) >> 8);
}

TEST_F(ItemPainter, WithoutABackgroundTheLookIsOpaqueAndWithAColourItIsBlended) {
  Bmp b = Filled(10, 10, 0);
  PaintItem(skin.Half, FillColourCI(clFuchsia), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 5, 5), kWhite);
  PaintItem(skin.Half, FillColourCI(clLime), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  const uint32_t p = Px(b.get(), 5, 5);  // BlendColors(green, white, 102)
  EXPECT_EQ(PixR(p), (0 * 102 + 255 * 153) >> 8);
  EXPECT_EQ(PixG(p), (255 * 102 + 255 * 153) >> 8);
  EXPECT_EQ(PixA(p), 255);
}

TEST_F(ItemPainter, GradientAndTheOnePassTextureMix) {
  Bmp b = Filled(10, 10, 0);
  PaintItem(skin.Grad, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 3, 0), 0xFF000000u);
  EXPECT_GE(PixG(Px(b.get(), 3, 9)), 220);
  for (Integer y = 1; y < 10; ++y) EXPECT_GT(PixG(Px(b.get(), 3, y)), PixG(Px(b.get(), 3, y - 1))) << y;
  Bmp t = Filled(10, 10, 0);
  PaintItem(skin.TexGrad, FillColourCI(clWhite), true, 0, TRect(0, 0, 10, 10), TPoint(), t.get(), skin.Data);
  // Texture weight 30 * 255 div 100 = 76 over the black gradient, anchored at the bitmap's origin.
  EXPECT_EQ(Px(t.get(), 1, 0), MakePix(MixByte(0, 255, 76), MixByte(0, 255, 76), MixByte(0, 255, 76), 255));
  EXPECT_EQ(Px(t.get(), 2, 0), 0xFF000000u);
  EXPECT_EQ(Px(t.get(), 6, 5), Px(t.get(), 2, 1));
}

TEST_F(ItemPainter, FullTransparencyCopiesTheBackgroundOrLeavesTheItem) {
  Bmp parent = Filled(20, 20, kBlue);
  Bmp b = Filled(10, 10, 0x12345678);
  PaintItem(skin.Glass, MakeCacheInfo(parent.get()), true, 0, TRect(0, 0, 10, 10), TPoint(3, 3), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 5, 5), kBlue);
  Bmp self = Filled(10, 10, 0x12345678);
  PaintItem(skin.Glass, MakeCacheInfo(self.get()), true, 0, TRect(0, 0, 10, 10), TPoint(), self.get(), skin.Data);
  EXPECT_EQ(Px(self.get(), 5, 5), 0x12345678u);  // the reference is the item: its pixels stay
}

TEST_F(ItemPainter, FullTransparencyOverAParentWhoseBorderOnlyIsPainted) {
  Bmp parent = Filled(40, 30, 0xFFFFFF00);  // yellow border strips (the inside is not valid)
  TCacheInfo ci;
  ci.Bmp = parent.get();
  ci.FillColor = clWhite;
  ci.FillRect = TRect(6, 4, 6, 4);
  Bmp b = Filled(10, 10, 0);
  PaintItem(skin.Glass, ci, true, 0, TRect(0, 0, 10, 10), TPoint(2, 2), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 1, 5), 0xFFFFFF00u);  // left strip: 6 - 2 = 4 columns
  EXPECT_EQ(Px(b.get(), 3, 8), 0xFFFFFF00u);
  EXPECT_EQ(Px(b.get(), 5, 1), 0xFFFFFF00u);  // top strip: 4 - 2 = 2 rows
  EXPECT_EQ(Px(b.get(), 5, 5), kWhite);       // the rest is the fill colour
  EXPECT_EQ(Px(b.get(), 4, 2), kWhite);
}

TEST_F(ItemPainter, NinePartMaskWithATransparentCornerOverTheBackground) {
  Bmp parent = Filled(20, 20, kBlue);
  for (Integer state = 0; state < 3; ++state) {
    Bmp b = Filled(20, 20, 0);
    PaintItem(skin.Framed, MakeCacheInfo(parent.get()), true, state, TRect(0, 0, 20, 20), TPoint(), b.get(), skin.Data);
    EXPECT_EQ(Px(b.get(), 0, 0) & 0xFFFFFF, 0x0000FFu) << state;  // the key corner shows the parent
    EXPECT_EQ(Px(b.get(), 1, 10), kFrame[state]) << state;       // the left side of the frame
    EXPECT_EQ(Px(b.get(), 10, 18), kFrame[state]) << state;      // the bottom side
    EXPECT_EQ(Px(b.get(), 10, 10), 0xFF999999u) << state;        // the look inside
  }
}

TEST_F(ItemPainter, GdiPlusBorderLineAndRoundedCorners) {
  Bmp b = Filled(20, 20, 0);
  PaintItem(skin.Line, FillColourCI(clLime), true, 0, TRect(0, 0, 20, 20), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 0, 10), kBlue);
  EXPECT_EQ(Px(b.get(), 19, 10), kBlue);
  EXPECT_EQ(Px(b.get(), 10, 10), kWhite);
  Bmp parent = Filled(20, 20, kGreen);
  Bmp r = Filled(20, 20, 0);
  PaintItem(skin.Round, MakeCacheInfo(parent.get()), true, 0, TRect(0, 0, 20, 20), TPoint(), r.get(), skin.Data);
  EXPECT_EQ(Px(r.get(), 0, 0), 0x0000FF00u);  // outside the arc: the parent, alpha 0
  EXPECT_EQ(Px(r.get(), 19, 19), 0x0000FF00u);
  EXPECT_EQ(Px(r.get(), 10, 0), kBlue);        // the top line
  EXPECT_EQ(Px(r.get(), 10, 10), kWhite);
}

TEST_F(ItemPainter, CornerImages) {
  Bmp b = Filled(20, 20, 0);
  PaintItem(skin.Corner, FillColourCI(clLime), true, 0, TRect(0, 0, 20, 20), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 1, 1), kRed);
  EXPECT_EQ(Px(b.get(), 5, 5), kWhite);
}

TEST_F(ItemPainter, DeviceContextFormPaintsThroughABitmapOfTheRectangle) {
  Bmp target = Filled(30, 30, 0x11111111);
  PaintItem(skin.Plain, FillColourCI(clWhite), true, 2, TRect(10, 10, 20, 20), TPoint(), target->Canvas()->Handle(),
            skin.Data);
  EXPECT_EQ(Px(target.get(), 15, 15), kBlue);
  EXPECT_EQ(Px(target.get(), 9, 9), 0x11111111u);
}

TEST_F(ItemPainter, SectionOfAWholeBitmap) {
  Bmp b = Filled(10, 10, 0x11111111);
  EXPECT_EQ(PaintSection(b.get(), -1, -3, 0, skin.Data, TPoint(), clWhite, nullptr), -3);
  EXPECT_EQ(Px(b.get(), 5, 5), 0x11111111u);
  EXPECT_EQ(PaintSection(b.get(), -1, skin.Plain, 1, skin.Data, TPoint(), clWhite, nullptr), skin.Plain);
  EXPECT_EQ(Px(b.get(), 5, 5), kGreen);
  Bmp parent = Filled(20, 20, kBlue);
  Bmp glass = Filled(10, 10, 0);
  EXPECT_EQ(PaintSection(glass.get(), skin.Glass, -1, 0, skin.Data, TPoint(5, 5), clWhite, parent->Canvas()->Handle()),
            skin.Glass);
  EXPECT_EQ(Px(glass.get(), 5, 5) & 0xFFFFFF, 0x0000FFu);  // copied from the parent DC
}

TEST_F(ItemPainter, BackgroundLayersWithACustomColourAndTheFastForms) {
  Bmp b = Filled(10, 10, 0);
  PaintItemBG(skin.Glass, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data, -1, -1,
              clYellow);
  EXPECT_EQ(Px(b.get(), 5, 5), 0xFFFFFF00u);  // the custom colour, opaque, whatever the look
  Bmp f = Filled(20, 20, 0);
  PaintItemFast(skin.Plain, skin.Frame, -1, -1, MakeCacheInfo(f.get()), true, 1, TRect(0, 0, 20, 20), TPoint(), f.get(),
                skin.Data);
  EXPECT_EQ(Px(f.get(), 1, 10), kFrame[1]);
  EXPECT_EQ(Px(f.get(), 10, 10), kGreen);
  Bmp tex = Filled(10, 10, 0);
  skin.Section(skin.Plain).Props[0].ImagePercent = 100;
  PaintItemBGFast(skin.Plain, skin.Texture, -1, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), tex.get(),
                  skin.Data);
  EXPECT_EQ(Px(tex.get(), 0, 0), 0xFF000000u);  // the texture given by index, tiled
  EXPECT_EQ(Px(tex.get(), 1, 0), kWhite);
}

TEST_F(ItemPainter, TryPaintBorderOnlyRoundsWithoutALine) {
  Bmp parent = Filled(20, 20, kGreen);
  Bmp b = Filled(20, 20, kWhite);
  TsGeneralData gd = skin.Section(skin.Round);
  gd.Props[0].BorderColor = clFuchsia;
  EXPECT_FALSE(TryPaintBorder(b.get(), TRect(0, 0, 20, 20), gd, 0, MakeCacheInfo(parent.get()), nullptr, 96, nullptr));
  EXPECT_EQ(Px(b.get(), 0, 0), 0x0000FF00u);  // still rounded
  EXPECT_EQ(Px(b.get(), 10, 0), kWhite);      // but no line
  EXPECT_TRUE(TryPaintBorder(b.get(), TRect(0, 0, 20, 20), skin.Section(skin.Line), 0, MakeCacheInfo(parent.get()),
                             nullptr, 192, nullptr));
  EXPECT_EQ(Px(b.get(), 1, 10), kBlue);  // width 1 at 192 PPI is 2
}

TEST(UpdateCtrlCornersProc, TwoCornersOnASideNeverExceedIt) {
  struct Case { Integer w, h; TkvIntValues want; } cases[] = {
      {30, 100, {14, 14, 14, 14}},
      {100, 30, {14, 14, 14, 14}},
      {100, 100, {20, 20, 20, 20}},
  };
  for (auto c : cases) {
    TControl ctrl(nullptr);
    ctrl.SetBounds(0, 0, c.w, c.h);
    TkvPaintBorderData data(&ctrl, nullptr, TNotifyEvent());
    TkvIntValues corners{20, 20, 20, 20};
    TSet<TkvSide>* sides = nullptr;
    UpdateCtrlCornersProc(&data, corners, sides);
    EXPECT_EQ(corners.Value0, c.want.Value0) << c.w << "x" << c.h;
    EXPECT_EQ(corners.Value1, c.want.Value1) << c.w << "x" << c.h;
    EXPECT_EQ(corners.Value2, c.want.Value2) << c.w << "x" << c.h;
    EXPECT_EQ(corners.Value3, c.want.Value3) << c.w << "x" << c.h;
  }
  TkvIntValues untouched{20, 20, 20, 20};
  TSet<TkvSide>* sides = nullptr;
  UpdateCtrlCornersProc(nullptr, untouched, sides);
  EXPECT_EQ(untouched.Value0, 20);
}

TEST_F(ItemPainter, ControlFormAppliesToneAndTheCustomBorder) {
  TControl ctrl(nullptr);
  ctrl.SetBounds(0, 0, 20, 20);
  TsCommonData data(&ctrl);
  data.FOwnerControl = &ctrl;
  data.FSkinManager = &skin.Manager;
  data.FCommonSkinData = skin.Data;
  data.SkinIndex = skin.Half;
  data.FColorTone = clRed;
  Bmp b = Filled(20, 20, 0);
  PaintItem(&data, FillColourCI(clFuchsia), true, 0, TRect(0, 0, 20, 20), TPoint(), b.get(), false);
  EXPECT_EQ(Px(b.get(), 5, 5), MakePix(0, 0, (255 * 255) >> 8, 255));  // white toned red
  data.FColorTone = clNone;
  data.SkinIndex = skin.Framed;
  TkvPaintBorderData border(&ctrl, &data, TNotifyEvent());
  border.SetWidth(1);
  border.SetColor(0, clLime);
  data.FCustomBorder = &border;
  Bmp c = Filled(20, 20, 0);
  PaintItem(&data, FillColourCI(clWhite), true, 0, TRect(0, 0, 20, 20), TPoint(), c.get(), false);
  EXPECT_EQ(Px(c.get(), 0, 10), kGreen);  // the custom border line instead of the section's mask
  EXPECT_EQ(Px(c.get(), 10, 10), 0xFF999999u);
  data.FCustomBorder = nullptr;
}

TEST_F(ItemPainter, ControlFormCustomColourActiveOnlyMaskAndColourAdjustments) {
  TControl ctrl(nullptr);
  ctrl.SetBounds(0, 0, 20, 20);
  ctrl.SetColor(clYellow);
  TsCommonData data(&ctrl);
  data.FOwnerControl = &ctrl;
  data.FSkinManager = &skin.Manager;
  data.FCommonSkinData = skin.Data;
  data.SkinIndex = skin.Framed;
  skin.Image(skin.Frame).DrawMode = BDM_ACTIVEONLY;
  // At rest a border drawn only when active is left out; hot it is there.
  Bmp rest = Filled(20, 20, 0), hot = Filled(20, 20, 0);
  PaintItem(&data, FillColourCI(clWhite), true, 0, TRect(0, 0, 20, 20), TPoint(), rest.get(), false);
  PaintItem(&data, FillColourCI(clWhite), true, 1, TRect(0, 0, 20, 20), TPoint(), hot.get(), false);
  EXPECT_EQ(Px(rest.get(), 1, 10), 0xFF999999u);
  EXPECT_EQ(Px(hot.get(), 1, 10), kFrame[1]);
  // The control's own colour replaces the look.
  data.FCustomColor = true;
  Bmp custom = Filled(20, 20, 0);
  PaintItem(&data, FillColourCI(clWhite), true, 1, TRect(0, 0, 20, 20), TPoint(), custom.get(), false);
  EXPECT_EQ(Px(custom.get(), 10, 10), 0xFFFFFF00u);
  data.FCustomColor = false;
  // Saturation -100 moves each pixel towards its grey ((155 c + 100 grey) shr 8, grey 76 for
  // red); without colorsAutoUpdate nothing changes.
  data.SkinIndex = skin.Plain;
  data.FSaturation = -100;
  Bmp grey = Filled(20, 20, 0), untouched = Filled(20, 20, 0);
  PaintItem(&data, FillColourCI(clWhite), true, 0, TRect(0, 0, 20, 20), TPoint(), grey.get(), false);
  PaintItem(&data, FillColourCI(clWhite), true, 0, TRect(0, 0, 20, 20), TPoint(), untouched.get(), false, 0, 0, false);
  EXPECT_EQ(Px(grey.get(), 5, 5), MakePix(29, 29, 184, 255));
  EXPECT_EQ(Px(untouched.get(), 5, 5), kRed);
  // A rectangle outside the bitmap paints nothing.
  Bmp outside = Filled(20, 20, 0x11111111);
  PaintItem(&data, FillColourCI(clWhite), true, 0, TRect(0, 0, 22, 20), TPoint(), outside.get(), false);
  EXPECT_EQ(Px(outside.get(), 5, 5), 0x11111111u);
}
