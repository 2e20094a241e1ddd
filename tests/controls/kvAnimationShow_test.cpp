// The frames of a form's show animation (their alpha and where the picture lies) and the
// frames of a text hint's flight into its label, with the pixel blends that draw them.
#include "controls/kvAnimationShow.h"

#include "raster/Pixels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// ---- The show animation of a form ----

TEST(FormShow, UnderAFrameTimeThePictureShowsAtOnce) {
  for (Integer ms : {0, 1, 11}) EXPECT_TRUE(FormShowFrames(atcFade, 673, 428, ms, 255).empty()) << ms;
  EXPECT_EQ(FormShowFrames(atcFade, 673, 428, 12, 255).size(), 2u);
}

TEST(FormShow, AlphaRisesByEqualStepsToTheFormsOwnOpacity) {
  struct Case {
    Integer ms, max;
    std::vector<int> alphas;
  } cases[] = {
      // 60 ms: 5 steps of 51, and the 6th frame stays at the end.
      {60, 255, {51, 102, 153, 204, 255, 255}},
      // 48 ms to 200: steps of 50.
      {48, 200, {50, 100, 150, 200, 200}},
      // 36 ms to 100: 33.33 a step, rounded half to even.
      {36, 100, {33, 67, 100, 100}},
      // 24 ms to 5: 2.5 rounds to 2, then 5.
      {24, 5, {2, 5, 5}},
  };
  for (const Case& c : cases) {
    const std::vector<TkvFormShowFrame> frames = FormShowFrames(atcFade, 100, 50, c.ms, c.max);
    std::vector<int> alphas;
    for (const TkvFormShowFrame& f : frames) alphas.push_back(f.Alpha);
    EXPECT_EQ(alphas, c.alphas) << c.ms << " ms to " << c.max;
  }
}

TEST(FormShow, AFadeDrawsThePictureOnceOverTheWholeFrame) {
  const std::vector<TkvFormShowFrame> frames = FormShowFrames(atcFade, 673, 428, 240, 255);
  ASSERT_EQ(frames.size(), 21u);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].Draw, i == 0) << i;
    EXPECT_EQ(frames[i].Dest, TRect(0, 0, 673, 428)) << i;
  }
}

TEST(FormShow, TheZoomGrowsFromAThirtySecondInsetToTheWholeFrame) {
  const std::vector<TkvFormShowFrame> frames = FormShowFrames(atcAero, 640, 320, 240, 255);
  ASSERT_EQ(frames.size(), 21u);
  EXPECT_EQ(frames.front().Dest, TRect(20, 10, 620, 310));
  EXPECT_EQ(frames[10].Dest, TRect(10, 5, 630, 315));  // half way: half the inset
  EXPECT_EQ(frames.back().Dest, TRect(0, 0, 640, 320));
  for (size_t i = 1; i < frames.size(); ++i) {
    EXPECT_TRUE(frames[i].Draw);
    EXPECT_LE(frames[i].Dest.Left, frames[i - 1].Dest.Left) << i;
    EXPECT_GE(frames[i].Dest.Right, frames[i - 1].Dest.Right) << i;
  }
}

TEST(FormShow, ZoomFramesStretchThePictureIntoTheirRectangle) {
  // A 64 x 32 picture: left half red, right half blue, all opaque.
  std::vector<uint32_t> picture(64 * 32), frame(64 * 32, 0xDEADBEEF);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 64; ++x) picture[size_t(y * 64 + x)] = x < 32 ? 0xFFFF0000u : 0xFF0000FFu;
  const TPixelView src{reinterpret_cast<Byte*>(picture.data()), 64 * 4, 64, 32};
  const TPixelView dst{reinterpret_cast<Byte*>(frame.data()), 64 * 4, 64, 32};
  const std::vector<TkvFormShowFrame> frames = FormShowFrames(atcAero, 64, 32, 24, 255);
  ASSERT_EQ(frames.front().Dest, TRect(2, 1, 62, 31));
  DrawFormShowFrame(dst, src, frames.front());
  EXPECT_EQ(frame[0], 0u) << "outside the rectangle the frame is cleared";
  EXPECT_EQ(frame[size_t(31 * 64 + 63)], 0u);
  EXPECT_EQ(frame[size_t(1 * 64 + 2)], 0xFFFF0000u);
  EXPECT_EQ(frame[size_t(30 * 64 + 61)], 0xFF0000FFu);
  EXPECT_EQ(frame[size_t(16 * 64 + 31)], 0xFFFF0000u);  // the halves keep their side
  EXPECT_EQ(frame[size_t(16 * 64 + 33)], 0xFF0000FFu);
  DrawFormShowFrame(dst, src, frames.back());
  EXPECT_EQ(frame, picture) << "the last frame is the picture itself";
}

TEST(FormShow, AFadeFrameWithoutDrawingLeavesTheBufferAlone) {
  std::vector<uint32_t> picture(4 * 4, 0xFF00FF00u), frame(4 * 4, 0x12345678u);
  const TPixelView src{reinterpret_cast<Byte*>(picture.data()), 16, 4, 4};
  const TPixelView dst{reinterpret_cast<Byte*>(frame.data()), 16, 4, 4};
  const std::vector<TkvFormShowFrame> frames = FormShowFrames(atcFade, 4, 4, 24, 255);
  DrawFormShowFrame(dst, src, frames[1]);
  EXPECT_EQ(frame[5], 0x12345678u);
  DrawFormShowFrame(dst, src, frames[0]);
  EXPECT_EQ(frame, picture);
}

// ---- The show without layered windows ----

std::vector<int> Weights(const std::vector<TkvCoverFrame>& frames) {
  std::vector<int> out;
  for (const TkvCoverFrame& f : frames) out.push_back(f.OldWeight);
  return out;
}

TEST(CoverShow, UnderTwoFrameTimesNothingIsMixed) {
  for (TkvAnimTypeCtrl type : {atcFade, atcAero, atcRunup})
    for (Integer ms : {0, 12, 23}) EXPECT_TRUE(CoverShowFrames(type, ms, 96).empty()) << int(type) << " " << ms;
}

TEST(CoverShow, TheOldPictureFadesByEqualStepsUntilNothingIsLeft) {
  struct Case {
    TkvAnimTypeCtrl type;
    Integer ms;
    std::vector<int> weights;
  } cases[] = {
      // 24 ms: one frame, the new picture whole.
      {atcFade, 24, {0}},
      // 120 ms: five steps of 51.
      {atcFade, 120, {204, 153, 102, 51, 0}},
      // 100 ms is four frames of 24: 63.75 a step, rounded half to even.
      {atcAero, 100, {191, 128, 64, 0}},
      // The blurs take their weights as the fade does.
      {atcBlur2, 72, {170, 85, 0}},
      {atcBlur, 48, {128, 0}},
  };
  for (const Case& c : cases) {
    const std::vector<TkvCoverFrame> frames = CoverShowFrames(c.type, c.ms, 96);
    EXPECT_EQ(Weights(frames), c.weights) << int(c.type) << " " << c.ms;
    const bool blurs = c.type == atcBlur || c.type == atcBlur2;
    for (size_t i = 0; i < frames.size(); ++i) {
      EXPECT_EQ(frames[i].Offset, 0);
      // Every frame of a blur but the last, which is the new picture itself.
      EXPECT_EQ(frames[i].Blur, blurs && i + 1 < frames.size()) << int(c.type) << " frame " << i;
      // Only the zooming blur zooms its children, and on the same frames.
      EXPECT_EQ(frames[i].ZoomChildren, c.type == atcBlur && frames[i].Blur) << int(c.type) << " frame " << i;
    }
  }
}

TEST(CoverShow, TheRunupHalvesItsOffsetAndKeepsAThirdOfTheOldPicture) {
  struct Case {
    Integer ppi;
    std::vector<Integer> offsets;
  } cases[] = {{96, {16, 8, 4, 2, 1}}, {144, {24, 12, 6, 3, 1}}, {192, {32, 16, 8, 4, 2}}};
  for (const Case& c : cases) {
    // The time only has to allow one frame: the run-up ends by its weight.
    const std::vector<TkvCoverFrame> frames = CoverShowFrames(atcRunup, 24, c.ppi);
    EXPECT_EQ(Weights(frames), (std::vector<int>{85, 28, 9, 3, 1})) << c.ppi;
    std::vector<Integer> offsets;
    for (const TkvCoverFrame& f : frames) offsets.push_back(f.Offset);
    EXPECT_EQ(offsets, c.offsets) << c.ppi;
  }
}

TEST(CoverShow, FramesMixTheTwoPicturesAndStayOpaque) {
  // Old: grey 0x404040 with alpha 0; new: 0xC08000 rows, each row's blue byte its number.
  constexpr int w = 4, h = 6;
  std::vector<uint32_t> oldPx(w * h, 0x00404040u), newPx(w * h), framePx(w * h, 0xDEADBEEF);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) newPx[size_t(y * w + x)] = 0xFFC08000u | uint32_t(y);
  const TPixelView oldView{reinterpret_cast<Byte*>(oldPx.data()), w * 4, w, h};
  const TPixelView newView{reinterpret_cast<Byte*>(newPx.data()), w * 4, w, h};
  const TPixelView frame{reinterpret_cast<Byte*>(framePx.data()), w * 4, w, h};
  struct Case {
    Byte weight;
    Integer offset;
    int y;
    uint32_t expected;
  } cases[] = {
      {0, 0, 3, 0xFFC08003u},    // nothing of the old picture left
      {255, 0, 3, 0xFF40403Fu},  // all but a 256th of it: n + (o - n) x 255 / 256
      {128, 0, 5, 0xFF806022u},  // half way: (0xC0 + 0x40) / 2, (0x80 + 0x40) / 2, (5 + 0x40) / 2
      {0, 2, 1, 0xFF404040u},    // above the lowered new picture the old one shows
      {0, 2, 5, 0xFFC08003u},    // the new picture's row 3 two rows lower
      {0, 9, 5, 0xFF404040u},    // an offset past the frame shows only the old picture
  };
  for (const Case& c : cases) {
    TkvCoverFrame f;
    f.OldWeight = c.weight;
    f.Offset = c.offset;
    DrawCoverFrame(frame, oldView, newView, f);
    EXPECT_EQ(framePx[size_t(c.y * w + 1)], c.expected) << int(c.weight) << " " << c.offset << " " << c.y;
  }
}

TEST(CoverShow, ABlurredFrameIsPassedThroughAHalfSizeCopy) {
  // 3 x 3, new picture only (weight 0): blue bytes 0, 40, 80 / 120, 160, 200 / 240, 4, 8.
  constexpr int w = 3, h = 3;
  const uint32_t blues[w * h] = {0, 40, 80, 120, 160, 200, 240, 4, 8};
  std::vector<uint32_t> oldPx(w * h, 0), newPx(w * h), framePx(w * h);
  for (int i = 0; i < w * h; ++i) newPx[size_t(i)] = blues[i];
  const TPixelView oldView{reinterpret_cast<Byte*>(oldPx.data()), w * 4, w, h};
  const TPixelView newView{reinterpret_cast<Byte*>(newPx.data()), w * 4, w, h};
  const TPixelView frame{reinterpret_cast<Byte*>(framePx.data()), w * 4, w, h};
  TkvCoverFrame f;
  f.OldWeight = 0;
  f.Blur = true;
  DrawCoverFrame(frame, oldView, newView, f);
  // Blocks: (0, 40, 120, 160) -> 80; (80, 80, 200, 200) -> 140; (240, 4, 240, 4) -> 122;
  // (8, 8, 8, 8) -> 8. Green and red stay 0, alpha opaque.
  const std::vector<uint32_t> expected = {80, 80, 140, 80, 80, 140, 122, 122, 8};
  for (int i = 0; i < w * h; ++i) EXPECT_EQ(framePx[size_t(i)], 0xFF000000u | expected[size_t(i)]) << i;
  f.Blur = false;
  DrawCoverFrame(frame, oldView, newView, f);
  for (int i = 0; i < w * h; ++i) EXPECT_EQ(framePx[size_t(i)], 0xFF000000u | blues[i]) << "unblurred " << i;
}

TEST(CoverShow, AChildsNewLookZoomsFromSevenEighthsToItsWholeRectangle) {
  struct Case {
    TRect child;
    Byte weight;
    TRect expected;
  } cases[] = {
      // 80 x 40: an eighth less of each at the start (10 and 5 pixels), split about the centre.
      {TRect(10, 20, 90, 60), 255, TRect(15, 22, 85, 57)},
      {TRect(10, 20, 90, 60), 128, TRect(12, 21, 87, 59)},  // 10 x 128 / 255 = 5, 5 x 128 / 255 = 2
      {TRect(10, 20, 90, 60), 0, TRect(10, 20, 90, 60)},
      {TRect(0, 0, 4, 4), 255, TRect(0, 0, 3, 3)},  // 7/8 of 4 is 3
      {TRect(0, 0, 7, 7), 255, TRect(0, 0, 6, 6)},  // 7/8 of 7 is 6: the pixel comes off the far side
      {TRect(-16, -8, 16, 8), 255, TRect(-14, -7, 14, 7)},
      {TRect(5, 5, 5, 5), 255, TRect(5, 5, 5, 5)},  // an empty child stays as it is
  };
  for (const Case& c : cases)
    EXPECT_EQ(ZoomedChildRect(c.child, c.weight), c.expected)
        << c.child.Left << "," << c.child.Top << "," << c.child.Right << "," << c.child.Bottom << " w "
        << int(c.weight);
}

TEST(CoverShow, AZoomingFrameSqueezesEachChildsNewLookOverTheOldOne) {
  // 48 x 16. Old: red 0x80. New: green 200 outside the children, inside them blue 4 x column
  // and green 8 x row. Children: (8, 0, 40, 16) and (40, -4, 56, 12), cut by the frame's edges.
  constexpr int w = 48, h = 16;
  const std::vector<TRect> children = {TRect(8, 0, 40, 16), TRect(40, -4, 56, 12)};
  std::vector<uint32_t> oldPx(w * h, 0xFF800000u), newPx(w * h), framePx(w * h);
  const auto inChild = [&](int x, int y) {
    for (const TRect& r : children)
      if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return true;
    return false;
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      newPx[size_t(y * w + x)] = inChild(x, y) ? 0xFF000000u | uint32_t(8 * y) << 8 | uint32_t(4 * x) : 0xFF00C800u;
  const TPixelView oldView{reinterpret_cast<Byte*>(oldPx.data()), w * 4, w, h};
  const TPixelView newView{reinterpret_cast<Byte*>(newPx.data()), w * 4, w, h};
  const TPixelView frame{reinterpret_cast<Byte*>(framePx.data()), w * 4, w, h};
  TkvCoverFrame f;
  f.OldWeight = 128;  // the first child: (9, 0, 39, 15); the second (40, -4, 55, 11)
  f.ZoomChildren = true;
  DrawCoverFrame(frame, oldView, newView, f, children);
  const auto mixed = [](uint32_t fresh, uint32_t old, Byte weight) {
    uint32_t px = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
      px |= uint32_t(MixByte(fresh >> shift & 0xFF, old >> shift & 0xFF, weight)) << shift;
    return px;
  };
  const auto newAt = [&](int x, int y) { return newPx[size_t(y * w + x)]; };
  struct Point {
    int x, y;
    uint32_t fresh;
  } points[] = {
      {4, 5, 0x00C800u},  // outside the children: the new picture as it is
      {8, 5, 0x800000u},  // the ring the squeezed child leaves shows the old look
      {39, 5, 0x800000u},      {20, 15, 0x800000u},
      {9, 0, newAt(8, 0)},                           // the child's corners at the squeezed rectangle's corners
      {38, 14, newAt(39, 15)}, {44, 11, 0x800000u},  // the second child's ring, inside the frame
      {44, 12, 0x00C800u},                           // below it
  };
  for (const Point& p : points)
    EXPECT_EQ(framePx[size_t(p.y * w + p.x)], mixed(p.fresh, 0x800000u, f.OldWeight)) << p.x << "," << p.y;
  // A frame that does not zoom leaves the children where they are.
  f.ZoomChildren = false;
  DrawCoverFrame(frame, oldView, newView, f, children);
  EXPECT_EQ(framePx[size_t(5 * w + 8)], mixed(newAt(8, 5), 0x800000u, f.OldWeight));
}

// ---- The flight of a text hint ----

TEST(TextFlight, EachFrameCoversASixthOfWhatIsLeft) {
  const std::vector<TkvFlightFrame> frames = TextFlightFrames(TPoint(100, 40), TPoint(40, 10));
  ASSERT_GE(frames.size(), 2u);
  // The first frame: 60 x 5/6 = 50 left across, 25 down; the hint's look 5/6 of 255 (212.5).
  EXPECT_EQ(frames[0].Pos, TPoint(90, 35));
  EXPECT_NEAR(frames[0].Dezev, 212.5, 0.5);
  // Distance shrinks by 5/6 a frame: the flight ends within half a pixel after n frames where
  // 60 x (5/6)^n < 0.5, that is n = 27.
  EXPECT_EQ(frames.size(), 27u);
  EXPECT_EQ(frames.back().Pos, TPoint(40, 10));
  EXPECT_EQ(frames.back().Dezev, 2);  // round(255 x (5/6)^27)
  for (size_t i = 1; i < frames.size(); ++i) {
    EXPECT_LE(frames[i].Dezev, frames[i - 1].Dezev) << i;
    EXPECT_LE(frames[i].Pos.X, frames[i - 1].Pos.X) << i;
  }
}

TEST(TextFlight, TheLengthDependsOnlyOnTheDistance) {
  struct Case {
    TPoint from, to;
  } pairs[][2] = {
      {{{0, 0}, {30, 0}}, {{500, 200}, {470, 200}}},
      {{{0, 0}, {0, 30}}, {{7, 90}, {7, 60}}},
      {{{10, 10}, {13, 14}}, {{-4, -4}, {-7, -8}}},
  };
  for (const auto& p : pairs)
    EXPECT_EQ(TextFlightFrames(p[0].from, p[0].to).size(), TextFlightFrames(p[1].from, p[1].to).size());
  // One pixel away: four frames, (5/6)^4 of a pixel being the first less than half.
  EXPECT_EQ(TextFlightFrames(TPoint(0, 0), TPoint(1, 0)).size(), 4u);
}

TEST(TextFlight, NoFlightWhenStartAndTargetCoincide) {
  EXPECT_TRUE(TextFlightFrames(TPoint(12, 34), TPoint(12, 34)).empty());
}

TEST(TextFlight, AlphaColourIsPremultiplied) {
  struct Case {
    uint32_t color;
    Byte a;
    uint32_t expected;
  } cases[] = {
      {0xFF102030, 255, 0xFF0F1F2F},  // shr 8 of x 255 takes one off
      {0xFFFFFFFF, 128, 0x807F7F7F},
      {0xFF80FF40, 0, 0x00000000},
      {0x00FF0000, 64, 0x403F0000},  // the colour's own alpha does not count
  };
  for (const Case& c : cases) EXPECT_EQ(UpdateAlphaColor(c.color, c.a), c.expected) << std::hex << c.color;
}

TEST(TextFlight, ColourGoesThroughTheMaskWhereItIsNotWhite) {
  // A 3 x 1 mask: white, mid grey, black; a destination of 4 x 2 transparent black pixels.
  uint32_t maskPixels[3] = {0xFFFFFFFF, 0xFF808080, 0xFF000000};
  uint32_t dstPixels[8] = {};
  const TPixelView mask{reinterpret_cast<Byte*>(maskPixels), 12, 3, 1};
  const TPixelView dst{reinterpret_cast<Byte*>(dstPixels), 16, 4, 2};
  BlendColorByMask(dst, mask, TPoint(1, 1), 0xFF0000FF, TRect(0, 0, 3, 1));
  EXPECT_EQ(dstPixels[4 + 1], 0u);  // under white: untouched
  // Grey 0x80: (255 x 127) shr 8 = 126 of the colour; alpha (255 x 127) shr 8.
  EXPECT_EQ(dstPixels[4 + 2], 0x7E00007Eu);
  EXPECT_EQ(dstPixels[4 + 3], 0xFE0000FEu);  // under black: (255 x 255) shr 8
  for (int i : {0, 1, 2, 3, 4}) EXPECT_EQ(dstPixels[i], 0u) << i;
  // Parts beyond the destination are left out, not written past its end.
  BlendColorByMask(dst, mask, TPoint(3, 1), 0xFF00FF00, TRect(0, 0, 3, 1));
  EXPECT_EQ(dstPixels[7], 0xFE0000FEu);  // the white mask pixel: untouched
  BlendColorByMask(dst, mask, TPoint(2, -1), 0xFF00FF00, TRect(0, 0, 3, 1));
  for (int i : {0, 1, 2, 3}) EXPECT_EQ(dstPixels[i], 0u) << i;
}

}  // namespace
