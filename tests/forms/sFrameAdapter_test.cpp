// The colour a skinned frame reports to its children, by its section's transparency.
#include "forms/sFrameAdapter.h"

#include <gtest/gtest.h>

TEST(FrameControlColor, ByTransparency) {
  struct Case {
    const char* name;
    TColor own;
    Integer transparency;
    TColor parent;
    TColor want;
  };
  const Case cases[] = {
      {"opaque: its own colour", 0x00102030, 0, 0x00F0F0F0, 0x00102030},
      {"clear: the parent's", 0x00102030, 100, 0x00F0E0D0, 0x00F0E0D0},
      // (c * 256 + (p - c) * t) shr 8, byte by byte.
      {"half", 0x00000000, 50, 0x00FFFFFF, 0x00313131},
      {"darker parent", 0x00FF8040, 64, 0x00000000, 0x00BF6030},
  };
  for (const Case& c : cases) EXPECT_EQ(FrameControlColor(c.own, c.transparency, c.parent), c.want) << c.name;
}
