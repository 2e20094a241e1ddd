// Glyph and caption places of skinned speed buttons.
#include <gtest/gtest.h>

#include "wrappers/kvSBUtilsSpeedBtn.h"

namespace {
TkvSpeedButtonLayout Button(Integer layout, Integer margin = -1) {
  TkvSpeedButtonLayout l;
  l.Width = 100;
  l.Height = 40;
  l.GlyphWidth = 16;
  l.GlyphHeight = 16;
  l.TextSize = TSize(30, 14);
  l.Layout = layout;
  l.Margin = margin;
  l.Spacing = 4;
  return l;
}
}  // namespace

TEST(SpeedButtonLayout, MarginMinusOneCentresGlyphSpacingAndCaptionAsOneGroup) {
  // Side by side: 16 + 4 + 30 = 50 wide, centred in 100: from 25 to 75.
  EXPECT_EQ(Button(0).ImgRect(), TRect(25, 12, 41, 28));
  EXPECT_EQ(Button(0).CaptionRect(), TRect(45, 13, 75, 27));
  EXPECT_EQ(Button(1).ImgRect(), TRect(59, 12, 75, 28));
  EXPECT_EQ(Button(1).CaptionRect(), TRect(25, 13, 55, 27));
  // Stacked: 16 + 4 + 14 = 34 high, centred in 40: from 3 to 37.
  EXPECT_EQ(Button(2).ImgRect(), TRect(42, 3, 58, 19));
  EXPECT_EQ(Button(2).CaptionRect(), TRect(35, 23, 65, 37));
  EXPECT_EQ(Button(3).ImgRect(), TRect(42, 21, 58, 37));
  EXPECT_EQ(Button(3).CaptionRect(), TRect(35, 3, 65, 17));
}

TEST(SpeedButtonLayout, MarginsShiftAndNoGlyph) {
  EXPECT_EQ(Button(0, 5).ImgRect(), TRect(5, 12, 21, 28));
  EXPECT_EQ(Button(1, 5).ImgRect(), TRect(79, 12, 95, 28));
  TkvSpeedButtonLayout pressed = Button(0);
  pressed.Shift = true;
  EXPECT_EQ(pressed.ImgRect(), TRect(26, 13, 42, 29));
  EXPECT_EQ(pressed.CaptionRect(), TRect(47, 14, 77, 28));
  TkvSpeedButtonLayout text = Button(0);
  text.GlyphWidth = text.GlyphHeight = 0;
  EXPECT_EQ(text.CaptionRect(), TRect(35, 13, 65, 27));
  text.Margin = 6;
  EXPECT_EQ(text.CaptionRect(), TRect(6, 13, 36, 27));
  text.Layout = 1;
  EXPECT_EQ(text.CaptionRect(), TRect(64, 13, 94, 27));
  EXPECT_EQ(text.ImgRect().Width(), 0);
}
