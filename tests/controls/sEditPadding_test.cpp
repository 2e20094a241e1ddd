// The edit's non-client widths: padding by density and vertical alignment, never negative, and
// a client rectangle that shrinks to nothing instead of turning inside out.
#include <gtest/gtest.h>

#include "controls/sEdit.h"

namespace {

TEST(EditPadding, PaddingScaledAndMovedForTheAlignment) {
  struct Case {
    TRect padding;
    Integer ppi;
    TVerticalAlignment alignment;
    Integer textHeight, height;
    TRect added;
  } cases[] = {
      {{6, 3, 0, 0}, 96, taAlignTop, 16, 32, {6, 3, 0, 0}},
      {{6, 3, 0, 0}, 144, taAlignTop, 16, 32, {9, 4, 0, 0}},
      {{6, 3, 0, 0}, 96, taAlignBottom, 16, 32, {6, 16, 0, 0}},    // 3 + (32 - 16 - 3)
      {{6, 3, 0, 1}, 96, taVerticalCenter, 16, 32, {6, 9, 0, 7}},  // free 12: 6 to each side
      {{0, 0, 0, 0}, 96, taVerticalCenter, 15, 32, {0, 8, 0, 8}},  // 17 div 2
      {{0, 2, 0, 2}, 96, taVerticalCenter, 40, 20, {0, 0, 0, 0}},  // taller text: not below 0
      {{0, 0, 0, 0}, 96, taAlignBottom, 40, 20, {0, 0, 0, 0}},
      {{-5, -5, -5, -5}, 96, taAlignTop, 16, 32, {0, 0, 0, 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EditAddedPadding(c.padding, c.ppi, c.alignment, c.textHeight, c.height), c.added)
        << c.padding.Left << "," << c.padding.Top << " @" << c.ppi << " align " << int(c.alignment);
}

TEST(EditPadding, ClientShrinksButNeverInverts) {
  struct Case {
    TRect client, added, result;
  } cases[] = {
      {{2, 2, 98, 28}, {6, 3, 0, 0}, {8, 5, 98, 28}},
      {{2, 2, 98, 28}, {200, 0, 0, 0}, {98, 2, 98, 28}},     // wider than the client
      {{2, 2, 98, 28}, {50, 20, 50, 20}, {52, 22, 52, 22}},  // both ways at once
      {{2, 2, 2, 2}, {1, 1, 1, 1}, {2, 2, 2, 2}},            // nothing left to take
  };
  for (const Case& c : cases) {
    const TRect r = ShrinkEditClient(c.client, c.added);
    EXPECT_EQ(r, c.result) << c.added.Left << "," << c.added.Top << "," << c.added.Right << "," << c.added.Bottom;
    EXPECT_LE(r.Left, r.Right);
    EXPECT_LE(r.Top, r.Bottom);
  }
}

}  // namespace

namespace {

// 148 of 256 of the text colour, the rest of the background, channel by channel.
TEST(EditTextHint, ColourIsBlendedFromTextAndBackground) {
  EXPECT_EQ(TextHintColor(0x000000, 0xFFFFFF), TColor(0x6A6A6A));  // 255 * 107 >> 8
  EXPECT_EQ(TextHintColor(0xFFFFFF, 0x000000), TColor(0x939393));  // 255 * 148 >> 8
  EXPECT_EQ(TextHintColor(0x0000FF, 0xFF0000), TColor(0x6A0093));
}

TEST(EditPadding, BorderWidthOfFrameAndBevels) {
  EXPECT_EQ(EditBorderWidth(true, true, 0), 2);
  EXPECT_EQ(EditBorderWidth(true, false, 0), 1);
  EXPECT_EQ(EditBorderWidth(false, true, 0), 0);
  EXPECT_EQ(EditBorderWidth(true, true, 2), 4);
  EXPECT_EQ(EditBorderWidth(false, false, 1), 1);
}

TEST(EditPadding, TextRectInWindowCoordinates) {
  // A 150 x 24 edit; padding 6 left, 3 top as the main window's fields have.
  const TRect added(6, 3, 0, 0);
  struct Case {
    TEditTextFrame frame;
    TRect added;
    TRect text;
  } cases[] = {
      {{}, {}, {3, 3, 147, 22}},  // B 2, S 1
      {{}, added, {9, 6, 147, 22}},
      {{true, false, false, 0, 0, 0}, {}, {2, 2, 148, 23}},    // flat: B 1
      {{false, true, false, 0, 0, 0}, {}, {0, 0, 150, 24}},    // no border
      {{true, true, false, 1, 0, 0}, {}, {5, 5, 145, 20}},     // one bevel: B 2 + 1 + 1
      {{false, true, false, 2, 0, 0}, {}, {0, 0, 150, 24}},    // bevels count only with a border
      {{true, true, false, 0, 20, 4}, {}, {23, 3, 147, 22}},   // the glyph's room on the left
      {{true, true, true, 0, 0, 0}, {}, {2, 3, 149, 22}},      // right to left: 1 + 150 - 2
      {{true, false, true, 0, 0, 0}, {}, {3, 2, 150, 23}},     // flat right to left: 2 more left
      {{true, true, true, 0, 20, 4}, added, {8, 6, 127, 22}},  // 1 + 150 - 2 - 20 - 2
  };
  for (const Case& c : cases)
    EXPECT_EQ(EditTextRect(150, 24, c.frame, c.added), c.text)
        << c.frame.Bordered << c.frame.Ctl3D << c.frame.RightToLeft << " bevels " << c.frame.Bevels << " glyph "
        << c.frame.GlyphSpace;
}

}  // namespace

namespace {

TEST(EditAddedGlyph, SitsInsideFrameAndPaddingOnTheSideTheTextStarts) {
  struct Case {
    const char* name;
    Integer border;
    TRect padding;
    bool rightToLeft;
    TRect expected;
  } cases[] = {
      {"plain", 2, {}, false, {2, 2, 18, 22}},
      {"padded", 2, {6, 3, 4, 1}, false, {8, 5, 24, 21}},
      {"no frame", 0, {}, false, {0, 0, 16, 24}},
      {"right to left", 2, {}, true, {132, 2, 148, 22}},                    // 150 - 2 - 16
      {"right to left, padded", 2, {6, 3, 4, 1}, true, {128, 5, 144, 21}},  // the right padding counts
  };
  for (const Case& c : cases)
    EXPECT_EQ(EditAddedGlyphRect(150, 24, c.border, c.padding, 16, c.rightToLeft), c.expected) << c.name;
}

}  // namespace
