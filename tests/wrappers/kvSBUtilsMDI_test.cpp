// The MDI client's thumb release: it moves by the real difference between the thumb and the
// bar's position, never past the range, and not at all when the thumb stayed.
#include "wrappers/kvSBUtilsMDI.h"

#include <gtest/gtest.h>

TEST(MDIThumbScroll, MovesByTheRealDifference) {
  struct Case {
    const char* name;
    TkvScrollValues si;
    Integer requested;
    Integer newPos, delta;
  };
  const Case cases[] = {
      {"thumb did not move", {0, 400, 100, 120}, 120, 120, 0},
      {"down by 37", {0, 400, 100, 120}, 157, 157, 37},
      {"back up to the top", {0, 400, 100, 120}, 0, 0, -120},
      {"past the last page", {0, 400, 100, 120}, 999, 301, 181},
      {"above the minimum", {-50, 400, 100, 0}, -80, -50, -50},
      {"no page", {0, 10, 0, 3}, 10, 10, 7},
  };
  for (const Case& c : cases) {
    const TkvThumbScroll s = MDIThumbScroll(c.si, c.requested);
    EXPECT_EQ(s.NewPos, c.newPos) << c.name;
    EXPECT_EQ(s.Delta, c.delta) << c.name;
  }
}
