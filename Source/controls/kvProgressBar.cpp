#include "controls/kvProgressBar.h"

#include <algorithm>
#include <cmath>

namespace {

// Rounds to the nearest integer, halves to even (the default rounding mode).
Integer RoundEven(double value) { return Integer(std::nearbyint(value)); }

TRect Shrunk(TRect r, Integer by) { return TRect(r.Left + by, r.Top + by, r.Right - by, r.Bottom - by); }

// The part of the range that the position covers, as a fraction of one.
double Covered(const TkvProgressShape& s) {
  return double(Int64(s.Position) - Int64(s.Min)) / double(ProgressRange(s.Min, s.Max));
}

}  // namespace

Integer ClampProgressPosition(Integer position, Integer min, Integer max) {
  if (max < min) return min;
  return std::clamp(position, min, max);
}

TRect ProgressClientRect(const TkvProgressShape& s) { return TRect(1, 1, s.Width - 1, s.Height - 1); }

TRect ProgressFillRect(const TkvProgressShape& s) {
  TRect r = Shrunk(ProgressClientRect(s), s.BorderWidth);
  const Integer l = r.Left;
  if (s.Marquee) {
    if (s.Vertical) {
      r.Bottom = RoundEven(s.Height - s.MarqPos);
      r.Top = r.Bottom - s.MarqSize;
    } else {
      r.Left = RoundEven(l + s.MarqPos);
      r.Right = r.Left + s.MarqSize;
    }
    return r;
  }
  if (s.Max <= s.Min || s.Position >= s.Max) {
    if (!s.Vertical && s.Max > s.Min) r.Right = s.Width - l;
    return r;
  }
  if (s.Vertical)
    r.Top = r.Bottom - RoundEven((s.Height - 2 * l) * Covered(s));
  else
    r.Right = l + RoundEven((s.Width - 2 * l) * Covered(s));
  return r;
}

TSize ProgressItemSize(const TkvProgressShape& s) {
  const TRect cl = ProgressClientRect(s);
  const Integer thickness = (s.Vertical ? cl.Width() : cl.Height()) - 2 * s.BorderWidth;
  Integer length;
  if (s.Marquee)
    length = 9;
  else if (s.Smooth)
    length = s.Vertical ? ProgressFillRect(s).Bottom : ProgressFillRect(s).Right;
  else
    length = RoundEven(thickness * 0.66) - 2;
  return s.Vertical ? TSize(thickness, length) : TSize(length, thickness);
}

Integer ProgressItemCount(const TkvProgressShape& s) {
  const TRect cl = ProgressClientRect(s);
  const TSize item = ProgressItemSize(s);
  const Integer step = (s.Vertical ? item.cy : item.cx) + 2;
  if (step <= 0) return 0;
  const Integer n = ((s.Vertical ? cl.Height() : cl.Width()) - 2) / step;
  if (n <= 1 || s.Min >= s.Max || s.Position <= s.Min) return 0;
  return RoundEven(n * Covered(s));
}

bool ProgressCacheCurrent(bool cacheValid, Integer count, Integer oldCount, Integer position, Integer max) {
  return cacheValid && oldCount >= 0 && count == oldCount && position != max;
}

TkvMarqueeStep NextMarqueeStep(const TkvProgressShape& s, Integer marqueeInterval, Integer orient, Integer marqStep,
                               bool bounce) {
  const Integer interval = std::max<Integer>(marqueeInterval, 0);
  TkvMarqueeStep next{s.MarqPos + 18.0 / (interval + 27) * orient * marqStep, orient};
  const Integer length = s.Vertical ? s.Height : s.Width;
  if (bounce) {
    if (next.Pos >= length - s.MarqSize - s.BorderWidth - marqStep || next.Pos <= s.BorderWidth) next.Orient = -orient;
  } else if (next.Pos >= length - marqStep) {
    next.Pos = 0;
  }
  return next;
}
