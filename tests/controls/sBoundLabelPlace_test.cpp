// Where a bound label goes on each side of its control, and the mirror for right to left; the
// frames of a text hint's flight into its label and the pixel blends that draw them.
#include <gtest/gtest.h>

#include "controls/sBoundLabel.h"

#include <vector>

namespace {

TEST(BoundLabelPlace, EverySide) {
  // A 100 x 30 control at (200, 100); a 40 x 14 label; spacing 2, indent 3, offset 1.
  const TRect control(200, 100, 300, 130);
  const TSize label(40, 14);
  struct Case {
    TsCaptionLayout layout;
    TPoint at;
    TAlignment alignment;
  } cases[] = {
      {sclLeft, {155, 108}, taRightJustify},       // 200 - 40 - 2 - 3; 100 + 8 - 1 + 1
      {sclTopLeft, {201, 83}, taLeftJustify},      // 100 - 14 - 3
      {sclTopCenter, {231, 83}, taCenter},
      {sclTopRight, {261, 83}, taRightJustify},
      {sclLeftTop, {155, 104}, taLeftJustify},     // 100 + 1 + 3
      {sclBottomLeft, {201, 133}, taLeftJustify},
      {sclBottomCenter, {231, 133}, taCenter},
      {sclBottomRight, {261, 133}, taRightJustify},
      {sclRight, {305, 108}, taLeftJustify},
      {sclRightTop, {305, 104}, taLeftJustify},
      {sclLeftLeft, {161, 108}, taLeftJustify},    // the indent moves it towards the control
      {sclRightRight, {299, 108}, taRightJustify},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BoundLabelPlace(c.layout, control, label, 2, 3, 1, true), c.at) << int(c.layout);
    EXPECT_EQ(LayoutAlignment(c.layout), c.alignment) << int(c.layout);
  }
  // A control whose client area is its whole height is not lifted by a pixel on the left.
  EXPECT_EQ(BoundLabelPlace(sclLeft, control, label, 2, 3, 1, false), TPoint(155, 109));
}

TEST(BoundLabelPlace, RightToLeftMirrorsSidesAndKeepsCentres) {
  EXPECT_EQ(MirroredLayout(sclRight), sclLeft);
  EXPECT_EQ(MirroredLayout(sclRightRight), sclLeftLeft);
  EXPECT_EQ(MirroredLayout(sclTopLeft), sclTopRight);
  EXPECT_EQ(MirroredLayout(sclBottomRight), sclBottomLeft);
  EXPECT_EQ(MirroredLayout(sclLeftTop), sclRightTop);
  EXPECT_EQ(MirroredLayout(sclTopCenter), sclTopCenter);
  EXPECT_EQ(MirroredLayout(sclBottomCenter), sclBottomCenter);
}

TEST(BoundLabelPlace, SideOfALabelBesideAnAlignedControl) {
  struct Case {
    TsCaptionLayout layout;
    bool alignedLeft, alignedRight;
    TBoundLabelSide side;
  } cases[] = {
      {sclLeft, true, false, TBoundLabelSide::Left},       {sclLeftLeft, true, false, TBoundLabelSide::Left},
      {sclRightRight, false, true, TBoundLabelSide::Right}, {sclLeft, false, false, TBoundLabelSide::None},
      {sclLeft, false, true, TBoundLabelSide::None},        {sclRight, false, true, TBoundLabelSide::None},
      {sclRightRight, true, false, TBoundLabelSide::None},  {sclTopLeft, true, false, TBoundLabelSide::None},
      {sclLeftTop, true, false, TBoundLabelSide::None},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BoundLabelSide(c.layout, c.alignedLeft, c.alignedRight), c.side)
        << int(c.layout) << ' ' << c.alignedLeft << c.alignedRight;
}

TEST(BoundLabelPlace, WorkingWidthIsTheMaximumOrWideOpen) {
  EXPECT_EQ(BoundLabelWorkingWidth(0), 9999);
  EXPECT_EQ(BoundLabelWorkingWidth(-5), 9999);
  EXPECT_EQ(BoundLabelWorkingWidth(120), 120);
}

TEST(BoundLabelPlace, LayoutsHaveTheirNames) {
  const TEnumInfo& info = EnumInfoOf<TsCaptionLayout>();
  EXPECT_EQ(info.NameOf(sclLeft), u"sclLeft");
  EXPECT_EQ(info.NameOf(sclRightRight), u"sclRightRight");
  EXPECT_EQ(info.Count(), 12);
  EXPECT_EQ(info.ValueOf(u"sclBottomCenter"), Integer(sclBottomCenter));
}

}  // namespace

namespace {

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
      {0x00FF0000, 64, 0x403F0000},   // the colour's own alpha does not count
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
