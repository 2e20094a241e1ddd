// The skin item painter on a small synthetic skin, over steps of the test's own: each branch
// painted into a memory bitmap and checked at chosen pixels, and what the painter hands to the
// steps that need GDI (fills and copies of other formats, translucent gradient segments, round
// masks, border lines, the developer's warning). Runs natively under the sanitizers too.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "skin/sSkinManager.h"
#include "support/ItemSkin.h"

namespace {

// What the painter handed to the steps, in order.
std::vector<std::string> calls;
std::vector<TkvBorderLine> lines;

std::string RectText(const TRect& r) {
  return std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
         std::to_string(r.Bottom);
}

class RecordingDevice : public TGradientDevice {
 public:
  void LinearSegment(bool vertical, Integer x, Integer y, Integer width, Integer height, TColor, TColor,
                     const TRect&) override {
    calls.push_back(std::string("segment ") + (vertical ? "v " : "h ") + RectText(TRect(x, y, x + width, y + height)));
  }
  void Diagonal(const TRect& r, const TsGradPoint*, bool) override { calls.push_back("diagonal " + RectText(r)); }
};

// A round mask as GDI+ would draw it, without the anti-aliased rim: white outside the disc.
TBitmap* MaskOf(Integer radius) {
  static std::vector<Bmp> masks;
  const Integer size = 2 * radius + 1;
  Bmp m = Filled(size, size, 0xFFFFFFFF);
  for (Integer y = 0; y < size; ++y)
    for (Integer x = 0; x < size; ++x) {
      const Integer dx = x - radius, dy = y - radius;
      if (dx * dx + dy * dy <= radius * radius) m->View().At(x, y) = 0xFF000000;
    }
  masks.push_back(std::move(m));
  return masks.back().get();
}

const TkvItemSteps& RecordingSteps() {
  static const TkvItemSteps steps = [] {
    TkvItemSteps s;
    s.FillForeign = [](TBitmap*, const TRect& r, TColor color) {
      calls.push_back("fill " + RectText(r) + " " + std::to_string(color));
    };
    s.CopyForeign = [](TBitmap*, Integer dx, Integer dy, Integer w, Integer h, TBitmap*, Integer sx, Integer sy) {
      calls.push_back("copy " + RectText(TRect(dx, dy, dx + w, dy + h)) + " from " + std::to_string(sx) + "," +
                      std::to_string(sy));
    };
    s.GradientDevice = [](TBitmap*) -> std::unique_ptr<TGradientDevice> { return std::make_unique<RecordingDevice>(); };
    s.RoundMask = [](Integer radius) {
      calls.push_back("mask " + std::to_string(radius));
      return ViewOf(MaskOf(radius));
    };
    s.BorderLine = [](TBitmap*, const TRect& r, const TkvBorderLine& line) {
      calls.push_back("line " + RectText(r));
      lines.push_back(line);
    };
    s.WrongSkinData = [](const char16_t* procedure) {
      std::string name;
      for (const char16_t* c = procedure; *c; ++c) name += char(*c);
      calls.push_back("warn " + name);
    };
    return s;
  }();
  return steps;
}

struct ItemPainter : ::testing::Test {
  void SetUp() override {
    calls.clear();
    lines.clear();
  }
  ItemSkin skin;
  TkvItemPainter painter{RecordingSteps()};
};

}  // namespace

TEST_F(ItemPainter, PlainLooksByStateOnlyInsideTheRectangle) {
  Bmp b = Filled(20, 20, 0x11111111);
  painter.PaintItem(skin.Plain, FillColourCI(clWhite), 0, TRect(5, 5, 15, 15), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 5, 5), kRed);
  EXPECT_EQ(Px(b.get(), 14, 14), kRed);
  EXPECT_EQ(Px(b.get(), 4, 4), 0x11111111u);
  EXPECT_EQ(Px(b.get(), 15, 10), 0x11111111u);
  painter.PaintItem(skin.Plain, FillColourCI(clWhite), 1, TRect(5, 5, 15, 15), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 10, 10), kGreen);
  painter.PaintItem(skin.Plain, FillColourCI(clWhite), 7, TRect(5, 5, 15, 15), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 10, 10), kBlue);  // beyond the section's states: the last one
  EXPECT_TRUE(calls.empty());             // a 32-bit item in plain colours needs no step
}

TEST_F(ItemPainter, BadInputPaintsNothing) {
  Bmp b = Filled(10, 10, 0x11111111);
  TkvObject notSkinData;
  painter.PaintItem(skin.Plain, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), b.get(), &notSkinData);
  painter.PaintItem(99, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  painter.PaintItem(skin.Plain, FillColourCI(clWhite), 0, TRect(0, 0, 11, 10), TPoint(), b.get(), skin.Data);
  painter.PaintItem(skin.Plain, FillColourCI(clWhite), 0, TRect(-1, 0, 5, 5), TPoint(), b.get(), skin.Data);
  painter.PaintItem(skin.Plain, FillColourCI(clWhite), 0, TRect(3, 3, 3, 8), TPoint(), b.get(), skin.Data);
  for (Integer y = 0; y < 10; ++y)
    for (Integer x = 0; x < 10; ++x) EXPECT_EQ(Px(b.get(), x, y), 0x11111111u);
}

TEST_F(ItemPainter, WrongSkinDataIsToldByTheFormsThatCheckIt) {
  Bmp b = Filled(10, 10, 0);
  TkvObject notSkinData;
  const TRect r(0, 0, 10, 10);
  painter.PaintItem(skin.Plain, FillColourCI(clWhite), 0, r, TPoint(), b.get(), &notSkinData);
  painter.PaintItem(skin.Plain, FillColourCI(clWhite), 0, r, TPoint(), b.get(), &notSkinData, skin.Image(skin.Frame));
  painter.PaintItemFast(skin.Plain, -1, -1, -1, FillColourCI(clWhite), 0, r, TPoint(), b.get(), &notSkinData);
  painter.PaintItemBG(skin.Plain, FillColourCI(clWhite), 0, r, TPoint(), b.get(), &notSkinData);
  painter.PaintItemBGFast(skin.Plain, -1, -1, FillColourCI(clWhite), 0, r, TPoint(), b.get(), &notSkinData);
  painter.PaintItem32(skin.Plain, 0, r, b.get(), &notSkinData);
  painter.PaintItemBG32(skin.Plain, 0, r, b.get(), &notSkinData, clFuchsia);
  EXPECT_EQ(calls, (std::vector<std::string>{"warn PaintItem 1", "warn PaintItemFast", "warn PaintItemBGFast",
                                             "warn PaintItem32", "warn PaintItemBG32"}));
  EXPECT_EQ(Px(b.get(), 5, 5), 0u);
}

TEST_F(ItemPainter, PartialTransparencyOverTheParentsBackground) {
  // Parent: green on the left, blue from column 10; the item lies at (10, 0) of it.
  Bmp parent = Filled(20, 10, kGreen);
  FillRect32(parent.get(), TRect(10, 0, 20, 10), clBlue, 255);
  Bmp b = Filled(10, 10, 0);
  painter.PaintItem(skin.Half, MakeCacheInfo(parent.get()), 0, TRect(0, 0, 10, 10), TPoint(10, 0), b.get(), skin.Data);
  // 40 % of the background (weight 102 of 256) and 60 % of the white look.
  const uint32_t p = Px(b.get(), 4, 4);
  EXPECT_EQ(PixB(p), (255 * 102 + 255 * 154) >> 8);
  EXPECT_EQ(PixG(p), (0 * 102 + 255 * 154) >> 8);
  EXPECT_EQ(PixR(p), (0 * 102 + 255 * 154) >> 8);
}

TEST_F(ItemPainter, WithoutABackgroundTheLookIsOpaqueAndWithAColourItIsBlended) {
  Bmp b = Filled(10, 10, 0);
  painter.PaintItem(skin.Half, FillColourCI(clFuchsia), 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 5, 5), kWhite);
  painter.PaintItem(skin.Half, FillColourCI(clLime), 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  const uint32_t p = Px(b.get(), 5, 5);  // BlendColors(green, white, 102)
  EXPECT_EQ(PixR(p), (0 * 102 + 255 * 153) >> 8);
  EXPECT_EQ(PixG(p), (255 * 102 + 255 * 153) >> 8);
  EXPECT_EQ(PixA(p), 255);
}

TEST_F(ItemPainter, GradientAndTheOnePassTextureMix) {
  Bmp b = Filled(10, 10, 0);
  painter.PaintItem(skin.Grad, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 3, 0), 0xFF000000u);
  EXPECT_GE(PixG(Px(b.get(), 3, 9)), 220);
  for (Integer y = 1; y < 10; ++y) EXPECT_GT(PixG(Px(b.get(), 3, y)), PixG(Px(b.get(), 3, y - 1))) << y;
  Bmp t = Filled(10, 10, 0);
  painter.PaintItem(skin.TexGrad, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), t.get(), skin.Data);
  // Texture weight 30 * 255 div 100 = 76 over the black gradient, anchored at the bitmap's origin.
  EXPECT_EQ(Px(t.get(), 1, 0), MakePix(MixByte(0, 255, 76), MixByte(0, 255, 76), MixByte(0, 255, 76), 255));
  EXPECT_EQ(Px(t.get(), 2, 0), 0xFF000000u);
  EXPECT_EQ(Px(t.get(), 6, 5), Px(t.get(), 2, 1));
}

TEST_F(ItemPainter, TranslucentGradientSegmentsGoToTheDevice) {
  TsGeneralData& grad = skin.Section(skin.Grad);
  grad.Props[0].GradientArray[0].Mode = PM_TRANSPARENT;
  Bmp b = Filled(10, 10, 0x11111111);
  painter.PaintItem(skin.Grad, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].rfind("segment v 0,", 0), 0u) << calls[0];
  // Without a device the segment is left out: its pixels stay as they were.
  TkvItemSteps none;
  Bmp n = Filled(10, 10, 0x11111111);
  TkvItemPainter(none).PaintItem(skin.Grad, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), n.get(),
                                 skin.Data);
  EXPECT_EQ(Px(n.get(), 5, 5), 0x11111111u);
}

TEST_F(ItemPainter, FullTransparencyCopiesTheBackgroundOrLeavesTheItem) {
  Bmp parent = Filled(20, 20, kBlue);
  Bmp b = Filled(10, 10, 0x12345678);
  painter.PaintItem(skin.Glass, MakeCacheInfo(parent.get()), 0, TRect(0, 0, 10, 10), TPoint(3, 3), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 5, 5), kBlue);
  Bmp self = Filled(10, 10, 0x12345678);
  painter.PaintItem(skin.Glass, MakeCacheInfo(self.get()), 0, TRect(0, 0, 10, 10), TPoint(), self.get(), skin.Data);
  EXPECT_EQ(Px(self.get(), 5, 5), 0x12345678u);  // the reference is the item: its pixels stay
}

TEST_F(ItemPainter, FullTransparencyOverAParentWhoseBorderOnlyIsPainted) {
  Bmp parent = Filled(40, 30, 0xFFFFFF00);  // yellow border strips (the inside is not valid)
  TCacheInfo ci;
  ci.Bmp = parent.get();
  ci.FillColor = clWhite;
  ci.FillRect = TRect(6, 4, 6, 4);
  Bmp b = Filled(10, 10, 0);
  painter.PaintItem(skin.Glass, ci, 0, TRect(0, 0, 10, 10), TPoint(2, 2), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 1, 5), 0xFFFFFF00u);  // left strip: 6 - 2 = 4 columns
  EXPECT_EQ(Px(b.get(), 3, 8), 0xFFFFFF00u);
  EXPECT_EQ(Px(b.get(), 5, 1), 0xFFFFFF00u);  // top strip: 4 - 2 = 2 rows
  EXPECT_EQ(Px(b.get(), 5, 5), kWhite);       // the rest is the fill colour
  EXPECT_EQ(Px(b.get(), 4, 2), kWhite);
  // The right and bottom strips of an item over the parent's right and bottom border.
  Bmp r = Filled(10, 10, 0);
  painter.PaintItem(skin.Glass, ci, 0, TRect(0, 0, 10, 10), TPoint(29, 19), r.get(), skin.Data);
  EXPECT_EQ(Px(r.get(), 9, 1), 0xFFFFFF00u);  // columns 34..38 of the parent
  EXPECT_EQ(Px(r.get(), 5, 1), 0xFFFFFF00u);
  EXPECT_EQ(Px(r.get(), 4, 1), kWhite);
  EXPECT_EQ(Px(r.get(), 1, 7), 0xFFFFFF00u);  // rows 26..28
  EXPECT_EQ(Px(r.get(), 1, 6), kWhite);
}

TEST_F(ItemPainter, NinePartMaskWithATransparentCornerOverTheBackground) {
  Bmp parent = Filled(20, 20, kBlue);
  for (Integer state = 0; state < 3; ++state) {
    Bmp b = Filled(20, 20, 0);
    painter.PaintItem(skin.Framed, MakeCacheInfo(parent.get()), state, TRect(0, 0, 20, 20), TPoint(), b.get(),
                      skin.Data);
    EXPECT_EQ(Px(b.get(), 0, 0) & 0xFFFFFF, 0x0000FFu) << state;  // the key corner shows the parent
    EXPECT_EQ(Px(b.get(), 1, 10), kFrame[state]) << state;        // the left side of the frame
    EXPECT_EQ(Px(b.get(), 10, 18), kFrame[state]) << state;       // the bottom side
    EXPECT_EQ(Px(b.get(), 10, 10), 0xFF999999u) << state;         // the look inside
  }
}

TEST_F(ItemPainter, CornerImages) {
  Bmp b = Filled(20, 20, 0);
  painter.PaintItem(skin.Corner, FillColourCI(clLime), 0, TRect(0, 0, 20, 20), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(Px(b.get(), 1, 1), kRed);
  EXPECT_EQ(Px(b.get(), 5, 5), kWhite);
}

TEST_F(ItemPainter, BackgroundLayersWithACustomColourAndTheFastForms) {
  Bmp b = Filled(10, 10, 0);
  painter.PaintItemBG(skin.Glass, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(), b.get(), skin.Data, -1, -1,
                      clYellow);
  EXPECT_EQ(Px(b.get(), 5, 5), 0xFFFFFF00u);  // the custom colour, opaque, whatever the look
  Bmp f = Filled(20, 20, 0);
  painter.PaintItemFast(skin.Plain, skin.Frame, -1, -1, MakeCacheInfo(f.get()), 1, TRect(0, 0, 20, 20), TPoint(),
                        f.get(), skin.Data);
  EXPECT_EQ(Px(f.get(), 1, 10), kFrame[1]);
  EXPECT_EQ(Px(f.get(), 10, 10), kGreen);
  Bmp tex = Filled(10, 10, 0);
  skin.Section(skin.Plain).Props[0].ImagePercent = 100;
  painter.PaintItemBGFast(skin.Plain, skin.Texture, -1, FillColourCI(clWhite), 0, TRect(0, 0, 10, 10), TPoint(),
                          tex.get(), skin.Data);
  EXPECT_EQ(Px(tex.get(), 0, 0), 0xFF000000u);  // the texture given by index, tiled
  EXPECT_EQ(Px(tex.get(), 1, 0), kWhite);
}

// Every texture mode that hands back a rest gets it filled with the look's colour; the rest
// of modes 8, 9 and 14 is the column they painted.
TEST_F(ItemPainter, TheRestATextureLeavesIsFilledWithTheColour) {
  const Integer tex = skin.AddImage(TRect(20, 0, 24, 4), 1, 0);
  skin.Fill(tex, 0, 0xFF000000);
  TsGeneralData s = NewSection();
  s.Props[0].Color = clRed;
  s.Props[0].ImagePercent = 100;
  s.Props[0].TextureIndex = tex;
  const Integer section = skin.AddSection(s);
  const struct {
    int mode;
    TRect texture, colour;  // where the texture lies and where the colour (the rest); else untouched
  } cases[] = {
      {fmStretched, {0, 0, 12, 10}, {}},
      {fmTiledVert, {0, 0, 4, 10}, {4, 0, 12, 10}},
      {fmStretchHorzTop, {0, 0, 12, 4}, {0, 4, 12, 10}},
      {fmStretchVertLeft, {0, 0, 4, 10}, {4, 0, 12, 10}},
      {fmStretchVertRight, {}, {8, 0, 12, 10}},  // the column painted, then filled
      {fmStretchVert, {0, 0, 12, 10}, {}},
      {fmReserved1, {}, {8, 0, 12, 10}},
      {fmTiledHorz, {0, 0, 12, 4}, {0, 4, 12, 10}},
      {fmTileHorBtm, {0, 6, 12, 10}, {0, 0, 12, 6}},
  };
  for (const auto& c : cases) {
    skin.Image(tex).DrawMode = int16_t(c.mode);
    Bmp b = Filled(12, 10, 0);
    painter.PaintItem(section, FillColourCI(clWhite), 0, TRect(0, 0, 12, 10), TPoint(), b.get(), skin.Data);
    for (Integer y = 0; y < 10; ++y)
      for (Integer x = 0; x < 12; ++x) {
        const uint32_t want = c.colour.Contains(TPoint(x, y))    ? kRed
                              : c.texture.Contains(TPoint(x, y)) ? 0xFF000000u
                                                                 : 0u;
        ASSERT_EQ(Px(b.get(), x, y), want) << "mode " << c.mode << " at " << x << "," << y;
      }
  }
}

TEST_F(ItemPainter, ItemsOfAnotherFormatAreFilledAndCopiedThroughTheSteps) {
  TBitmap item(10, 10, pf24bit);
  painter.PaintItemBGFast(skin.Plain, -1, -1, FillColourCI(clWhite), 0, TRect(1, 2, 9, 8), TPoint(), &item, skin.Data);
  EXPECT_EQ(calls, (std::vector<std::string>{"fill 1,2,9,8 255"}));
  calls.clear();
  Bmp parent = Filled(30, 30, kBlue);
  painter.PaintItemBGFast(skin.Glass, -1, -1, MakeCacheInfo(parent.get(), 5, 6), 0, TRect(0, 0, 10, 10), TPoint(2, 3),
                          &item, skin.Data);
  EXPECT_EQ(calls, (std::vector<std::string>{"copy 0,0,10,10 from 7,9"}));
}

TEST_F(ItemPainter, TheBorderLineGetsItsScaledWidthAndTheCornersAreRoundedAroundIt) {
  skin.Data->PPI = 192;
  skin.Section(skin.Round).BorderWidth = 2;
  Bmp parent = Filled(20, 20, kGreen);
  Bmp b = Filled(20, 20, 0);
  painter.PaintItem(skin.Round, MakeCacheInfo(parent.get()), 0, TRect(0, 0, 20, 20), TPoint(), b.get(), skin.Data);
  // Radii that fit: the corners first, then the line over them.
  EXPECT_EQ(calls, (std::vector<std::string>{"mask 4", "mask 4", "mask 4", "mask 4", "line 0,0,20,20"}));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].Width, 4);  // 2 at 96 PPI
  EXPECT_EQ(lines[0].Color, TColor(clBlue));
  EXPECT_TRUE(lines[0].HasRadii);
  EXPECT_EQ(lines[0].Radii.Value3, 4);
  EXPECT_TRUE(lines[0].AllSides);
  EXPECT_EQ(Px(b.get(), 0, 0), 0x0000FF00u);  // outside the arc: the parent, alpha 0
  EXPECT_EQ(Px(b.get(), 10, 10), kWhite);
  // Radii that do not fit: the line first.
  calls.clear();
  Bmp small = Filled(6, 6, 0);
  painter.PaintItem(skin.Round, MakeCacheInfo(parent.get()), 0, TRect(0, 0, 6, 6), TPoint(), small.get(), skin.Data);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0], "line 0,0,6,6");
  // A section without radii: its line alone; without a border colour: the corners only.
  calls.clear();
  painter.PaintItem(skin.Line, FillColourCI(clLime), 0, TRect(0, 0, 20, 20), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(calls, (std::vector<std::string>{"line 0,0,20,20"}));
  calls.clear();
  skin.Section(skin.Round).Props[0].BorderColor = clFuchsia;
  painter.PaintItem(skin.Round, MakeCacheInfo(parent.get()), 0, TRect(0, 0, 20, 20), TPoint(), b.get(), skin.Data);
  EXPECT_EQ(calls, (std::vector<std::string>{"mask 4", "mask 4", "mask 4", "mask 4"}));
}

TEST_F(ItemPainter, ControlItemTonesDrawsTheCustomBorderAndLeavesActiveOnlyMasksAtRest) {
  TkvControlItem item;
  item.SkinData = skin.Data;
  item.Manager = &skin.Manager;
  item.SkinIndex = skin.Half;
  item.HasTone = true;
  item.Tone = clRed;
  Bmp b = Filled(20, 20, 0);
  painter.PaintControlItem(item, FillColourCI(clFuchsia), 0, TRect(0, 0, 20, 20), TPoint(), b.get(), false, true);
  EXPECT_EQ(Px(b.get(), 5, 5), MakePix(0, 0, (255 * 255) >> 8, 255));  // white toned red
  // No colour adjustment when the caller does not ask for it.
  Bmp plain = Filled(20, 20, 0);
  painter.PaintControlItem(item, FillColourCI(clFuchsia), 0, TRect(0, 0, 20, 20), TPoint(), plain.get(), false, false);
  EXPECT_EQ(Px(plain.get(), 5, 5), kWhite);
  // The custom border instead of the section's mask.
  item.HasTone = false;
  item.SkinIndex = skin.Framed;
  item.CustomBorder = true;
  item.Border.Width = 1;
  item.Border.Color = clLime;
  item.PPI = 144;
  Bmp c = Filled(20, 20, 0);
  painter.PaintControlItem(item, FillColourCI(clWhite), 0, TRect(0, 0, 20, 20), TPoint(), c.get(), false, true);
  EXPECT_EQ(calls, (std::vector<std::string>{"line 0,0,20,20"}));
  EXPECT_EQ(lines.at(0).Width, 1);  // 1 x 144 div 96
  EXPECT_EQ(Px(c.get(), 1, 10), 0xFF999999u);
  // A border mask drawn only when active is left out at rest; hot it is there.
  item.CustomBorder = false;
  skin.Image(skin.Frame).DrawMode = BDM_ACTIVEONLY;
  Bmp rest = Filled(20, 20, 0), hot = Filled(20, 20, 0);
  painter.PaintControlItem(item, FillColourCI(clWhite), 0, TRect(0, 0, 20, 20), TPoint(), rest.get(), false, true);
  painter.PaintControlItem(item, FillColourCI(clWhite), 1, TRect(0, 0, 20, 20), TPoint(), hot.get(), false, true);
  EXPECT_EQ(Px(rest.get(), 1, 10), 0xFF999999u);
  EXPECT_EQ(Px(hot.get(), 1, 10), kFrame[1]);
  // The control's own colour; a rectangle outside the bitmap paints nothing.
  item.CustomColor = clYellow;
  Bmp custom = Filled(20, 20, 0);
  painter.PaintControlItem(item, FillColourCI(clWhite), 1, TRect(0, 0, 20, 20), TPoint(), custom.get(), false, true);
  EXPECT_EQ(Px(custom.get(), 10, 10), 0xFFFFFF00u);
  Bmp outside = Filled(20, 20, 0x11111111);
  painter.PaintControlItem(item, FillColourCI(clWhite), 1, TRect(0, 0, 22, 20), TPoint(), outside.get(), false, true);
  EXPECT_EQ(Px(outside.get(), 5, 5), 0x11111111u);
}

TEST_F(ItemPainter, HostileRectanglesAndOffsetsStayInsideTheBitmaps) {
  // A look whose shares a damaged skin could hold.
  TsGeneralData wild = NewSection();
  wild.Props[0].ImagePercent = INT32_MAX;
  wild.Props[0].GradientPercent = INT32_MAX;
  wild.Props[0].Transparency = INT32_MIN + 1;
  wild.Props[0].TextureIndex = skin.Texture;
  wild.Props[0].GradientArray = {GradPoint(0, clBlack, 0), GradPoint(1, clWhite, 100)};
  wild.Props[1] = wild.Props[0];
  wild.Props[1].Transparency = 50;
  wild.Props[1].ImagePercent = INT32_MIN;
  const Integer wildSection = skin.AddSection(wild);
  Bmp parent = Filled(16, 16, kBlue);
  Bmp b = Filled(8, 8, 0x11111111);
  TCacheInfo ci = MakeCacheInfo(parent.get(), INT32_MAX - 2, INT32_MIN + 3);
  ci.FillRect = TRect(INT32_MIN, INT32_MAX, -5, 7);
  for (const TRect& r : {TRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), TRect(-3, -3, 5, 5), TRect(6, 6, 100, 9)})
    for (Integer section : {skin.Plain, skin.Half, skin.Glass, skin.TexGrad, skin.Framed, skin.Round, wildSection}) {
      painter.PaintItemBG(section, ci, 0, r, TPoint(INT32_MAX, INT32_MIN), b.get(), skin.Data);
      painter.PaintItemBG(section, ci, 1, r, TPoint(3, 3), b.get(), skin.Data);
      painter.PaintItemBGFast(section, skin.Texture, skin.Texture, ci, 1, r, TPoint(-7, 9), b.get(), skin.Data);
      painter.PaintItemBG32(section, 0, r, b.get(), skin.Data, clFuchsia);
    }
  // Only the item's own pixels changed (the sanitizers watch the rest).
  EXPECT_NE(Px(b.get(), 0, 0), 0x11111111u);
}

TEST(ItemLayers, ALayerIsAsLargeAsThePartOfTheRectangleInsideTheItem) {
  Bmp t = Filled(8, 6, 0xFF000000);
  TSize layerSize;
  TRect drawn;
  TPoint shift;
  MixInLayer(t.get(), TRect(-8000, -7000, 8000, 3), 0, [&](TBitmap* layer, const TRect& r, const TPoint& s) {
    layerSize = TSize(layer->Width(), layer->Height());
    drawn = r;
    shift = s;
    FillRect32(layer, r, clWhite, 255);
  });
  EXPECT_EQ(layerSize.cx, 8);
  EXPECT_EQ(layerSize.cy, 3);
  EXPECT_EQ(drawn, TRect(-8000, -7000, 8000, 3));  // the layer's origin is the item's (0, 0)
  EXPECT_EQ(shift.X, 8000);
  EXPECT_EQ(shift.Y, 7000);
  EXPECT_EQ(Px(t.get(), 7, 2), kWhite);       // weight 0: the layer alone
  EXPECT_EQ(Px(t.get(), 7, 3), 0xFF000000u);  // below the rectangle
  // A rectangle inside the item gets a layer of its own size at its own place.
  MixInLayer(t.get(), TRect(2, 1, 5, 4), 0, [&](TBitmap* layer, const TRect& r, const TPoint& s) {
    layerSize = TSize(layer->Width(), layer->Height());
    drawn = r;
    shift = s;
  });
  EXPECT_EQ(layerSize.cx, 3);
  EXPECT_EQ(drawn, TRect(0, 0, 3, 3));
  EXPECT_EQ(shift.X, 0);
  // Nothing of it inside: no layer at all.
  bool painted = false;
  MixInLayer(t.get(), TRect(9, 0, 20, 5), 0, [&](TBitmap*, const TRect&, const TPoint&) { painted = true; });
  EXPECT_FALSE(painted);
}
