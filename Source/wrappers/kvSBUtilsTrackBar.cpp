#include "wrappers/kvSBUtilsTrackBar.h"

#include <cmath>

std::vector<Integer> TrackTickCoords(Integer channelStart, Integer channelLength, Integer thumbLength, Integer n) {
  std::vector<Integer> out;
  if (n < 2) return out;
  const double step = double(channelLength - thumbLength) / double(n - 1);
  out.reserve(size_t(n));
  for (Integer i = 0; i < n; ++i)
    out.push_back(Integer(std::nearbyint(double(channelStart) + i * step + double(thumbLength / 2))));
  return out;
}
