// The arithmetic of a form's menu-bar items: measured text, width and height, the item's place
// in the line's background, and where its picture and text go.
#include <gtest/gtest.h>

#include "controls/sSkinMenusLine.h"

TEST(MenuLineItems, CaptionLosesItsAcceleratorMarks) {
  EXPECT_EQ(MenuLineCaptionText(u"&File"), u"File");
  EXPECT_EQ(MenuLineCaptionText(u"Save && &Quit"), u"Save  Quit");
  EXPECT_EQ(MenuLineCaptionText(u""), u"");
}

TEST(MenuLineItems, WidthAndHeight) {
  EXPECT_EQ(MenuLineItemWidth(40, 0), 40);
  EXPECT_EQ(MenuLineItemWidth(40, 16), 40 + 16 + 6);
  EXPECT_EQ(MenuLineItemWidth(40, 24), 40 + 24 + 6);  // a 16-pixel image at 144 PPI
  EXPECT_EQ(MenuLineItemHeight(19), 18);
}

TEST(MenuLineItems, OffsetInTheLinesBackground) {
  EXPECT_EQ(MenuLineItemOffset(TRect(50, 40, 90, 58), TPoint(8, 39)), TPoint(42, 1));
  EXPECT_EQ(MenuLineItemOffset(TRect(8, 39, 30, 57), TPoint(8, 39)), TPoint(0, 0));
}

TEST(MenuLineItems, PictureAndTextPlaces) {
  const TRect item(0, 0, 60, 18);
  EXPECT_EQ(MenuLineGlyphPos(item, TSize(16, 16), false), TPoint(3, 1));
  EXPECT_EQ(MenuLineGlyphPos(item, TSize(16, 16), true), TPoint(60 - 3 - 16, 1));
  EXPECT_EQ(MenuLineGlyphPos(item, TSize(10, 8), false), TPoint(3, 5));
  // The text beside the picture, narrowed by the margin.
  EXPECT_EQ(MenuLineTextRect(item, TRect(3, 1, 19, 17), 2, false), TRect(21, 0, 58, 18));
  EXPECT_EQ(MenuLineTextRect(item, TRect(41, 1, 57, 17), 2, true), TRect(2, 0, 39, 18));
  EXPECT_EQ(MenuLineTextRect(item, TRect(), 2, false), TRect(2, 0, 58, 18));
  // Too narrow an item leaves an empty text rectangle, never a negative one.
  EXPECT_EQ(MenuLineTextRect(TRect(0, 0, 3, 18), TRect(), 2, false).Width(), 0);
}
