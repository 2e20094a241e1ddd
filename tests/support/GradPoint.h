// A point of a gradient as the tests write one: its index, colour, place in percent and mode.
#pragma once

#include "raster/sGradient.h"

inline TsGradPoint GradPoint(Integer index, TColor color, Integer percent, Integer mode = 0) {
  TsGradPoint p{};
  p.Index = static_cast<Word>(index);
  p.Color.C = static_cast<Integer>(color);
  p.Percent = static_cast<TPercent>(percent);
  p.Mode = mode;
  return p;
}
