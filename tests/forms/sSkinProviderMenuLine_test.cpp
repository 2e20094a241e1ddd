// The menu line's rules: which forms show one, its height, the lines a wrapping bar takes, and
// the strip of an MDI main form's bar right of its items.
#include <gtest/gtest.h>

#include "forms/sSkinProviderMenuLine.h"

TEST(MenuLineRules, OnlyAFormsOwnMenuWithItemsShowsALine) {
  struct Case {
    TkvMenuLineForm form;
    bool visible;
  } cases[] = {
      {{true, false, 2, false, false}, true},  {{false, false, 0, false, false}, false},  // no main menu
      {{true, true, 2, false, false}, false},                                             // joins another form's bar
      {{true, false, 0, false, false}, false},                                            // a menu without items
      {{true, false, 2, true, false}, false},                                             // an MDI child
      {{true, false, 2, false, true}, false},                                             // a dialog
  };
  for (const Case& c : cases)
    EXPECT_EQ(MenuLineVisible(c.form), c.visible)
        << c.form.HasMenu << c.form.AutoMerged << c.form.ItemCount << c.form.MDIChild << c.form.DialogBorder;
}

TEST(MenuLineRules, HeightIsTheSystemMenuHeightLessOne) {
  EXPECT_EQ(MenuLineHeight(true, 19), 18);
  EXPECT_EQ(MenuLineHeight(true, 29), 28);  // 144 PPI
  EXPECT_EQ(MenuLineHeight(false, 19), 0);
  EXPECT_EQ(MenuLineHeight(true, 0), 0);  // no metric: no line
}

TEST(MenuLineRules, ClientTopIsCountedFromTheFormsBottom) {
  // A 200 high form at 100 with a 150 high client, 4 of border, 17 of horizontal scroll bar and
  // a form border width of 2.
  EXPECT_EQ(MenuLineClientTop(100, 200, 150, 4, 17, 2), 100 + 200 - 150 - 4 - 17 - 4);
  EXPECT_EQ(MenuLineClientTop(0, 300, 250, 8, 0, 0), 42);
}

TEST(MenuLineRules, LinesFromTheFirstItemsBottom) {
  const Integer cy = 19;
  EXPECT_EQ(MenuLinesFromGeometry(80, 80, cy), 1);  // the item reaches the client
  EXPECT_EQ(MenuLinesFromGeometry(90, 80, cy), 1);
  EXPECT_EQ(MenuLinesFromGeometry(79, 80, cy), 1);  // the line under the bar
  EXPECT_EQ(MenuLinesFromGeometry(80 - (cy - 2), 80, cy), 2);
  EXPECT_EQ(MenuLinesFromGeometry(80 - cy, 80, cy), 2);
  EXPECT_EQ(MenuLinesFromGeometry(80 - 2 * cy, 80, cy), 3);
  EXPECT_EQ(MenuLinesFromGeometry(10, 80, 2), 1);  // a degenerate metric never divides by 0
}

TEST(MenuLineRules, MDIGapLiesRightOfTheLastItemOverItsHeight) {
  const TRect last(100, 50, 140, 68);
  EXPECT_TRUE(InMDIMenuGap(last, 300, TPoint(140, 50)));
  EXPECT_TRUE(InMDIMenuGap(last, 300, TPoint(299, 67)));
  EXPECT_FALSE(InMDIMenuGap(last, 300, TPoint(139, 60)));  // on the item
  EXPECT_FALSE(InMDIMenuGap(last, 300, TPoint(300, 60)));  // beyond the form
  EXPECT_FALSE(InMDIMenuGap(last, 300, TPoint(200, 68)));  // below the bar
  EXPECT_FALSE(InMDIMenuGap(last, 300, TPoint(200, 49)));
  EXPECT_FALSE(InMDIMenuGap(TRect(100, 50, 100, 68), 300, TPoint(200, 60)));  // no item known
}
