// The geometry of the outer border window: its sizing zones in both modes, the frame that
// separates it from the pure shadow, the shadow template around a picture, the pixels the blur
// behind leaves out, the taskbar picture's size and the glass margins.
#include <gtest/gtest.h>

#include <vector>

#include "forms/sSkinProvider.h"

namespace {

// A 300 x 200 border window with shadow margins 10, 8, 12, 14.
TkvBorderFrame Band(Integer width) {
  TkvBorderFrame f;
  f.Width = 300;
  f.Height = 200;
  f.Shadow = TRect(10, 8, 12, 14);
  f.BandWidth = width;
  return f;
}

TkvBorderFrame Offset() {
  TkvBorderFrame f = Band(4);
  f.OffsetMode = true;
  f.ShadowOffs = TRect(3, 2, 5, 6);
  f.SysBorder = 4;
  return f;
}

struct Pixels {
  Pixels(Integer w, Integer h, uint32_t fill) : w(w), h(h), data(size_t(w) * h, fill) {}
  TPixelView View() { return TPixelView{reinterpret_cast<Byte*>(data.data()), w * 4, w, h}; }
  uint32_t& At(Integer x, Integer y) { return data[size_t(y) * w + x]; }
  Integer w, h;
  std::vector<uint32_t> data;
};

}  // namespace

TEST(BorderFrame, BandModeZones) {
  struct Case {
    const char* name;
    Integer band;
    TPoint p;
    Integer want;
  };
  // Body: x 10 .. 288, y 8 .. 186; bands of max(width, 6) outside it, edges inclusive.
  const Case cases[] = {
      {"top band", 3, {150, 2}, 12},
      {"top edge of the body", 3, {150, 8}, 12},
      {"above the band", 3, {150, 1}, 0},
      {"bottom band", 3, {150, 192}, 15},
      {"bottom below the band", 3, {150, 193}, 0},
      {"left band", 3, {4, 100}, 10},
      {"left of the band", 3, {3, 100}, 0},
      {"right band", 3, {294, 100}, 11},
      {"right of the band", 3, {295, 100}, 0},
      {"top-left", 3, {6, 4}, 13},
      {"top-right", 3, {290, 4}, 14},
      {"bottom-left", 3, {6, 190}, 16},
      {"bottom-right", 3, {290, 190}, 17},
      {"inside the body", 3, {150, 100}, 0},
      {"a wide skin band", 10, {0, 100}, 10},
      {"a wide skin band at the top", 10, {150, 0}, 12},
  };
  for (const Case& c : cases) EXPECT_EQ(FrameSizingHit(Band(c.band), c.p), c.want) << c.name;
}

TEST(BorderFrame, OffsetModeZones) {
  // Outer rectangle: (10 - 3, 8 - 2, 300 - 12 + 5, 200 - 14 + 6) = (7, 6, 293, 192).
  const TkvBorderFrame f = Offset();
  EXPECT_EQ(FrameOuterRect(f), TRect(7, 6, 293, 192));
  struct Case {
    const char* name;
    TPoint p;
    Integer want;
  };
  const Case cases[] = {
      {"top zone", {150, 6}, 12},
      {"top zone's last row", {150, 9}, 12},
      {"below the top zone", {150, 10}, 0},
      // The bottom zone starts at 200 - 14 - 4 + 6 = 188.
      {"bottom zone", {150, 188}, 15},
      {"above the bottom zone", {150, 187}, 0},
      {"left zone", {7, 100}, 10},
      {"right zone", {293, 100}, 11},
      {"right of the zone's last column", {289, 100}, 0},
      {"corner", {8, 7}, 13},
      {"bottom-right", {292, 191}, 17},
      {"outside the frame", {5, 100}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(FrameSizingHit(f, c.p), c.want) << c.name;
}

TEST(BorderFrame, TheShadowStartsOutsideTheBands) {
  // A thin skin border still gives 6-pixel bands, and so a 6-pixel frame.
  EXPECT_EQ(FrameOuterRect(Band(3)), TRect(4, 2, 294, 192));
  EXPECT_EQ(FrameOuterRect(Band(9)), TRect(1, -1, 297, 195));
  const TRect r = FrameOuterRect(Band(3));
  EXPECT_TRUE(InsideInclusive(r, TPoint(294, 192)));
  EXPECT_FALSE(InsideInclusive(r, TPoint(295, 192)));
  EXPECT_FALSE(InsideInclusive(r, TPoint(3, 100)));
}

TEST(BorderFrame, TemplateFillsTheMarginsAndLeavesTheCentre) {
  // A 5 x 5 template: corners 0xA0.., sides 0xB0.., centre 0xC0.. (margins 2, 2, 2, 2 would
  // be too wide: the template's margins are (5 - 1) / 2 = 2 with a 1-pixel middle).
  Pixels tpl(5, 5, 0);
  for (Integer y = 0; y < 5; ++y)
    for (Integer x = 0; x < 5; ++x) {
      const bool midX = x == 2, midY = y == 2;
      tpl.At(x, y) = midX && midY     ? 0xC0000000u
                     : (midX || midY) ? 0xB0000000u | uint32_t(x << 8 | y)
                                      : 0xA0000000u | uint32_t(x << 8 | y);
    }
  Pixels dst(40, 30, 0x11111111u);
  DrawFrameTemplate(dst.View(), TRect(0, 0, 40, 30), tpl.View(), TRect(2, 2, 2, 2), TRect(6, 4, 8, 5));
  // Corners stretched from 2 x 2 into the target margins: the top-left one 6 x 4.
  EXPECT_EQ(dst.At(0, 0), 0xA0000000u);
  EXPECT_EQ(dst.At(5, 3), 0xA0000000u | (1 << 8) | 1);
  // The right-bottom corner (8 x 5) from template pixels (3..4, 3..4).
  EXPECT_EQ(dst.At(39, 29), 0xA0000000u | (4 << 8) | 4);
  EXPECT_EQ(dst.At(32, 25), 0xA0000000u | (3 << 8) | 3);
  // Sides from the middle line; the top side keeps the template's rows.
  EXPECT_EQ(dst.At(20, 0), 0xB0000000u | (2 << 8) | 0);
  EXPECT_EQ(dst.At(0, 15), 0xB0000000u | (0 << 8) | 2);
  // The centre is left as it was.
  EXPECT_EQ(dst.At(6, 4), 0x11111111u);
  EXPECT_EQ(dst.At(31, 24), 0x11111111u);
  EXPECT_EQ(dst.At(20, 15), 0x11111111u);
}

TEST(BorderFrame, SidesWithoutTheStretchBitRepeatTheTemplatesSide) {
  // An 8 x 8 template with 2-pixel margins: its sides are 4 pixels long, each pixel marked
  // with its own position so that a repeat and a stretch read differently.
  Pixels tpl(8, 8, 0);
  for (Integer y = 0; y < 8; ++y)
    for (Integer x = 0; x < 8; ++x) tpl.At(x, y) = 0xFF000000u | uint32_t(x << 8 | y);
  auto pixel = [](Integer x, Integer y) { return 0xFF000000u | uint32_t(x << 8 | y); };
  const TRect whole(0, 0, 30, 22), margins(2, 2, 2, 2);
  // The same side margins as the template's: only the length differs (26 x 18 of sides).
  struct Case {
    const char* name;
    TRect modes;
    TPoint at;
    uint32_t want;
  };
  const Case cases[] = {
      // Top side, 26 long from 4: repeated, the template's column 2 + (x - 2) mod 4.
      {"top tiled, first repeat", TRect(1, 0, 1, 1), {2, 0}, pixel(2, 0)},
      {"top tiled, second repeat", TRect(1, 0, 1, 1), {7, 1}, pixel(3, 1)},
      {"top tiled, last piece cut", TRect(1, 0, 1, 1), {27, 0}, pixel(3, 0)},
      {"top stretched", TRect(1, 1, 1, 1), {7, 1}, pixel(2, 1)},
      // Left side, 18 long from 4: repeated rows 2 + (y - 2) mod 4.
      {"left tiled", TRect(0, 1, 1, 1), {1, 9}, pixel(1, 5)},
      {"left stretched", TRect(1, 1, 1, 1), {1, 9}, pixel(1, 3)},
      {"right tiled", TRect(1, 1, 2, 1), {29, 17}, pixel(7, 5)},
      {"bottom tiled", TRect(1, 1, 1, 4), {26, 21}, pixel(2, 7)},
      // A mode's higher bits do not matter: bit 0 decides.
      {"top, mode 3 stretches", TRect(1, 3, 1, 1), {7, 1}, pixel(2, 1)},
      // Corners are copied the same way in both modes.
      {"corner with tiled sides", TRect(0, 0, 0, 0), {29, 21}, pixel(7, 7)},
  };
  for (const Case& c : cases) {
    Pixels dst(30, 22, 0x11111111u);
    DrawFrameTemplate(dst.View(), whole, tpl.View(), margins, margins, c.modes);
    EXPECT_EQ(dst.At(c.at.X, c.at.Y), c.want) << c.name;
    // The centre stays the picture's own.
    EXPECT_EQ(dst.At(15, 11), 0x11111111u) << c.name;
  }
  // A tiled side with thinner target margins still covers its length, and stays inside the
  // target rectangle.
  Pixels dst(30, 22, 0x11111111u);
  DrawFrameTemplate(dst.View(), TRect(0, 0, 20, 22), tpl.View(), margins, TRect(2, 1, 2, 1), TRect(0, 0, 0, 0));
  EXPECT_EQ(dst.At(17, 0), pixel(5, 0));
  EXPECT_EQ(dst.At(20, 0), 0x11111111u);
  EXPECT_EQ(dst.At(25, 0), 0x11111111u);
}

TEST(BorderFrame, BlurLeavesOutBlackCornerPixels) {
  Pixels pic(20, 16, 0xFF808080u);
  pic.At(3, 3) = 0xFF000000u;    // black in the top-left square: left out
  pic.At(16, 12) = 0x00000000u;  // transparent black in the bottom-right square: left out
  pic.At(10, 8) = 0xFF000000u;   // black in the middle: kept
  pic.At(3, 4) = 0xFF000001u;    // almost black: kept
  const TRect body(2, 2, 18, 14);
  const std::vector<TPoint> holes = BlurRegionHoles(pic.View(), body, 3);
  ASSERT_EQ(holes.size(), 2u);
  EXPECT_EQ(holes[0], TPoint(3, 3));
  EXPECT_EQ(holes[1], TPoint(16, 12));
  // Squares reaching outside the picture are cut to it.
  EXPECT_EQ(BlurRegionHoles(pic.View(), TRect(-5, -5, 25, 21), 8).size(), 0u);
  EXPECT_TRUE(BlurRegionHoles(pic.View(), body, 0).empty());
}

TEST(Thumbnail, FitsTheSourceRatioIntoTheBox) {
  struct Case {
    TSize source, box, want;
  };
  const Case cases[] = {
      {{400, 300}, {200, 100}, {133, 100}}, {{300, 400}, {200, 100}, {75, 100}}, {{400, 100}, {200, 100}, {200, 50}},
      {{200, 100}, {200, 100}, {200, 100}}, {{3, 1000}, {200, 100}, {0, 0}},  // rounds to nothing
      {{0, 300}, {200, 100}, {0, 0}},       {{400, 300}, {0, 100}, {0, 0}},
  };
  for (const Case& c : cases) {
    const TSize got = FitThumbnail(c.source, c.box);
    EXPECT_EQ(got.cx, c.want.cx) << c.source.cx << "x" << c.source.cy;
    EXPECT_EQ(got.cy, c.want.cy) << c.source.cx << "x" << c.source.cy;
  }
}

TEST(GlassArea, MarginsByAlignment) {
  // alTop 1, alBottom 2, alLeft 3, alRight 4, alClient 5.
  const std::vector<TkvGlassControl> sides = {{1, TRect(0, 0, 300, 30)},     {1, TRect(0, 30, 300, 40)},
                                              {2, TRect(0, 170, 300, 200)},  {3, TRect(0, 40, 25, 170)},
                                              {4, TRect(260, 40, 300, 170)}, {0, TRect(50, 50, 90, 90)}};
  EXPECT_EQ(GlassMargins(sides, 230, 300), TRect(25, 40, 40, 60));
  std::vector<TkvGlassControl> client = sides;
  client.insert(client.begin() + 1, {5, TRect(0, 0, 10, 10)});
  EXPECT_EQ(GlassMargins(client, 230, 300), TRect(-1, -1, -1, -1));
  EXPECT_EQ(GlassMargins({}, 230, 300), TRect(0, 0, 0, 0));
}
