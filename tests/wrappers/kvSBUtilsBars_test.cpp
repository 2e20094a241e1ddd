// The two-line split of a native tool button's caption.
#include <gtest/gtest.h>

#include "wrappers/kvSBUtilsBars.h"

TEST(ToolButtonCaption, WordsThatFitGoOnTheFirstLine) {
  // Widths of "a", "a b", "a b c", ...
  EXPECT_EQ(SplitCaptionWords({10, 25, 40, 60}, 45), 3);
  EXPECT_EQ(SplitCaptionWords({10, 25, 40, 60}, 24), 1);
  EXPECT_EQ(SplitCaptionWords({10, 25, 40, 60}, 60), 0);  // fits: one block
  EXPECT_EQ(SplitCaptionWords({50, 80}, 40), 0);          // the first word alone is too wide
  EXPECT_EQ(SplitCaptionWords({90}, 40), 0);              // a single word
  EXPECT_EQ(SplitCaptionWords({}, 40), 0);
}
