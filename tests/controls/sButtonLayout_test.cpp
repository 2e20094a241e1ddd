// The button's caption and glyph layout for each glyph place and style, and the watch that tells
// whether a component outlived a call.
#include <gtest/gtest.h>

#include <memory>

#include "controls/sButton.h"

namespace {

// A 100 x 30 button, a 16 x 16 glyph with margins (1, 2, 3, 4), a 40 x 14 caption.
TkvButtonLayout Button(TkvGlyphPlace place, bool glyph = true) {
  TkvButtonLayout l;
  l.Width = 100;
  l.Height = 30;
  l.HasGlyph = glyph;
  l.Image = glyph ? TSize(16, 16) : TSize();
  l.Margins = TRect(1, 2, 3, 4);
  l.Place = place;
  l.Caption = TSize(40, 14);
  return l;
}

TEST(ButtonLayout, CaptionAndGlyphByPlace) {
  struct Case {
    const char* name;
    TkvButtonLayout layout;
    TRect caption, glyph;
  } cases[] = {
      // Left: spacing 6 + margin 1 + content 6 + 16 + margin 3 = 32.
      {"left", Button(gpLeft), {32, 8, 94, 22}, {7, 7, 23, 23}},
      // Right: no spacing on the glyph's side; the glyph ends at 100 - 3 - 6.
      {"right", Button(gpRight), {6, 8, 74, 22}, {75, 7, 91, 23}},
      // Top: the caption below 2 + 12 + 16 = 30 with only 24 to the bottom edge: it moves
      // back by half the shortfall and more (30 + (24 - 30 - 14) div 2).
      {"top", Button(gpTop), {6, 20, 94, 34}, {42, 8, 58, 24}},
      // Bottom: the caption centred above 30 - (4 + 6 + 16 + 2) = 2, from the top margin.
      {"bottom", Button(gpBottom), {6, -5, 94, 9}, {42, 4, 58, 20}},
      {"center", Button(gpCenter), {30, 8, 70, 22}, {42, 7, 58, 23}},
      {"no glyph", Button(gpLeft, false), {30, 8, 70, 22}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ButtonCaptionRect(c.layout), c.caption) << c.name;
    EXPECT_EQ(ButtonGlyphRect(c.layout), c.glyph) << c.name;
  }
}

TEST(ButtonLayout, StylesAndPress) {
  TkvButtonLayout link = Button(gpRight);
  link.CommandLink = true;
  EXPECT_EQ(ButtonCaptionRect(link), TRect(32, 6, 94, 20));  // the glyph's place does not matter
  EXPECT_EQ(ButtonGlyphRect(link), TRect(7, 6, 23, 22));

  TkvButtonLayout split = Button(gpCenter, false);
  split.DropWidth = 16;  // centred in the 84 pixels left of the split part
  EXPECT_EQ(ButtonCaptionRect(split), TRect(22, 8, 62, 22));

  TkvButtonLayout pressed = Button(gpLeft);
  pressed.Shift = true;
  EXPECT_EQ(ButtonCaptionRect(pressed), TRect(33, 9, 95, 23));
  EXPECT_EQ(ButtonGlyphRect(pressed), TRect(8, 8, 24, 24));
}

TEST(ButtonLayout, MeasureRectCountsTheMarginsTwice) {
  // 100 - 12 = 88; less 16 + 4 (image with margins), 6 spacing and 4 margins again.
  EXPECT_EQ(ButtonCaptionMeasureRect(100, 6, 6, true, TSize(20, 22), TRect(1, 2, 3, 4)), TRect(0, 0, 58, 0));
  EXPECT_EQ(ButtonCaptionMeasureRect(100, 6, 6, false, TSize(20, 22), TRect(1, 2, 3, 4)), TRect(12, 0, 88, 0));
}

TEST(ComponentWatch, KnowsWhenTheComponentWent) {
  TComponent owner(nullptr);
  auto* watched = new TComponent(&owner);
  TComponentWatch watch(watched);
  EXPECT_TRUE(watch.Alive());
  delete watched;
  EXPECT_FALSE(watch.Alive());
}

// A watch that goes first leaves nothing behind for the component to notify (the sanitizer
// catches a notification of a freed watch); a second watch still hears the end.
TEST(ComponentWatch, GoesBeforeTheComponentWithoutTrace) {
  auto* watched = new TComponent(nullptr);
  auto first = std::make_unique<TComponentWatch>(watched);
  TComponentWatch second(watched);
  EXPECT_TRUE(first->Alive());
  first.reset();
  delete watched;
  EXPECT_FALSE(second.Alive());
}

}  // namespace
