// The colour a frame reports to its children.
#include "forms/sFrameAdapter.h"

#include <algorithm>

TColor FrameControlColor(TColor c, Integer transparency, TColor parentColor) {
  if (transparency <= 0) return c;
  if (transparency >= 100) return parentColor;
  TColor out = 0;
  for (Integer shift : {0, 8, 16}) {
    const Integer own = Integer(c >> shift & 0xFF), parent = Integer(parentColor >> shift & 0xFF);
    // The skin's own mix: the transparency percent weighs the parent's byte in 256 steps.
    const Integer mixed = (own * 256 + (parent - own) * transparency) >> 8;
    out |= TColor(std::clamp(mixed, 0, 255)) << shift;
  }
  return out;
}
