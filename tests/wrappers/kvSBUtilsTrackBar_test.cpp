// Tick positions of skinned track bars.
#include <gtest/gtest.h>

#include "wrappers/kvSBUtilsTrackBar.h"

TEST(TrackTicks, EvenSpacingRoundsHalvesToEven) {
  // Channel 10..110, thumb 10 wide, 5 ticks: 10 + i * 22.5 + 5.
  EXPECT_EQ(TrackTickCoords(10, 100, 10, 5), (std::vector<Integer>{15, 38, 60, 82, 105}));
  EXPECT_EQ(TrackTickCoords(0, 21, 11, 2), (std::vector<Integer>{5, 15}));
  EXPECT_EQ(TrackTickCoords(4, 100, 0, 3), (std::vector<Integer>{4, 54, 104}));
}

TEST(TrackTicks, FewerThanTwoTicksGiveNone) {
  EXPECT_TRUE(TrackTickCoords(10, 100, 10, 1).empty());
  EXPECT_TRUE(TrackTickCoords(10, 100, 10, 0).empty());
  EXPECT_TRUE(TrackTickCoords(10, 100, 10, -3).empty());
}
