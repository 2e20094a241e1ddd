#include "wrappers/kvSBUtilsScrollBarCtrl.h"

#include <algorithm>
#include <cmath>

namespace {
Integer RoundEven(double v) { return Integer(std::nearbyint(v)); }
}  // namespace

Integer TkvSBControlGeometry::SliderSize() const {
  if (nPage == 0) return MinThumb;
  const Integer k = nPage >= 2 ? nPage - 1 : 0;
  const Integer span = nMax + nPage - k - nMin;
  if (span <= 0) return MinThumb;
  return std::max(MinThumb, RoundEven(double(WorkSize()) / double(span) * double(nPage)));
}

Integer TkvSBControlGeometry::PositionToCoord() const {
  const Integer r = (nMax - nMin) - std::max<Integer>(nPage - 1, 0);
  if (r == 0) return Length / 2;
  const Integer s = SliderSize();
  return Button + s / 2 + RoundEven(double(Length - 2 * Button - s) / double(r) * double(CurrPos - nMin));
}

Integer TkvSBControlGeometry::CoordToPosition(Integer c) const {
  const Integer s = SliderSize();
  const Integer t = Length - 2 * Button - s;
  if (t == 0) return 0;
  const Integer r = (nMax - nMin) - std::max<Integer>(nPage - 1, 0);
  return RoundEven((double(c) - Button - double(s) / 2) * double(r) / double(t));
}

TRect TkvSBControlGeometry::Btn1Rect() const {
  const Integer b = std::min(Button, Length / 2);
  return Vertical ? TRect(0, 0, Thickness, b) : TRect(0, 0, b, Thickness);
}

TRect TkvSBControlGeometry::Btn2Rect() const {
  const Integer start = std::max(Length - Button, Length / 2);
  return Vertical ? TRect(0, start, Thickness, Length) : TRect(start, 0, Length, Thickness);
}

TRect TkvSBControlGeometry::Bar1Rect() const {
  const Integer c = PositionToCoord();
  return Vertical ? TRect(0, 0, Thickness, c) : TRect(0, 0, c, Thickness);
}

TRect TkvSBControlGeometry::Bar2Rect() const {
  const Integer c = PositionToCoord();
  return Vertical ? TRect(0, c, Thickness, Length) : TRect(c, 0, Length, Thickness);
}

TRect TkvSBControlGeometry::SliderRect() const {
  const Integer s = SliderSize();
  Integer start;
  if (nMax == nMin)
    start = Vertical ? Btn1Rect().Bottom : Btn1Rect().Right;
  else if (Vertical && nMax - nPage == Position)
    start = Btn2Rect().Top - s;
  else
    start = RoundEven(PositionToCoord() - double(s) / 2);
  return Vertical ? TRect(0, start, Thickness, start + s) : TRect(start, 0, start + s, Thickness);
}
