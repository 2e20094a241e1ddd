#include "controls/kvAlphaHintsLayout.h"

#include "base/kvntUtils.h"

namespace {
bool AtBottom(TkvMousePosition p) { return p == mpLeftBottom || p == mpRightBottom; }
bool AtRight(TkvMousePosition p) { return p == mpRightTop || p == mpRightBottom; }
TkvMousePosition FromSides(bool right, bool bottom) {
  return right ? (bottom ? mpRightBottom : mpRightTop) : (bottom ? mpLeftBottom : mpLeftTop);
}
}  // namespace

TkvHintPlace PlaceHint(const TRect& rect, const TRect& shadow, TkvMousePosition start, const TRect* monitor,
                       TkvHintLook look) {
  TRect r(rect.Left + shadow.Left, rect.Top + shadow.Top, rect.Right - shadow.Right, rect.Bottom - shadow.Bottom);
  const Integer w = r.Width(), h = r.Height();
  const TPoint p(r.Left, r.Top);
  if (!monitor) return {TPoint(rect.Left, rect.Top), start};
  if (AtBottom(start)) r = OffsRect(r, 0, -h);
  if (AtRight(start)) r = OffsRect(r, -w, 0);
  bool bottom = AtBottom(start), right = AtRight(start), corrected = false;
  const TRect& m = *monitor;
  if (r.Bottom > m.Bottom) {
    const Integer top = look == TkvHintLook::FourImages ? p.Y - h : r.Top - (r.Bottom - m.Bottom);
    r = TRect(r.Left, top, r.Right, top + h);
    bottom = corrected = true;
  }
  if (r.Top < m.Top) {
    r = TRect(r.Left, m.Top, r.Right, m.Top + h);
    bottom = false;
    corrected = true;
  }
  if (r.Right > m.Right) {
    const Integer left = look == TkvHintLook::FourImages ? p.X - w : r.Left - (r.Right - m.Right);
    r = TRect(left, r.Top, left + w, r.Bottom);
    right = corrected = true;
  }
  if (r.Left < m.Left) {
    r = TRect(m.Left, r.Top, m.Left + w, r.Bottom);
    right = false;
    corrected = true;
  }
  return {TPoint(r.Left - shadow.Left, r.Top - shadow.Top), corrected ? FromSides(right, bottom) : start};
}

TPoint AutoHintPoint(const TRect& c, bool vertCenter, TkvMousePosition image, const TRect& shadow, TPoint offset) {
  TPoint p;
  if (vertCenter) {
    p.Y = c.Top + c.Height() / 2;
    p.X = AtRight(image) ? c.Left : c.Right;
  } else {
    p.X = c.Left + c.Width() / 2;
    p.Y = AtBottom(image) ? c.Top : c.Bottom;
  }
  p.X += AtRight(image) ? -shadow.Right : shadow.Left;
  p.Y += AtBottom(image) ? -shadow.Bottom : shadow.Top;
  return TPoint(p.X + offset.X, p.Y + offset.Y);
}

TPoint PositionToolTipPlace(const TRect& spot, TSize size, TkvToolTipSide side) {
  const Integer cx = spot.Left + (spot.Width() - size.cx) / 2, cy = spot.Top + (spot.Height() - size.cy) / 2;
  switch (side) {
    case TkvToolTipSide::Top: return TPoint(cx, spot.Top - size.cy);
    case TkvToolTipSide::Bottom: return TPoint(cx, spot.Bottom);
    case TkvToolTipSide::Left: return TPoint(spot.Left - size.cx, cy);
    case TkvToolTipSide::Right: return TPoint(spot.Right, cy);
    default: return TPoint(spot.Left, spot.Top);
  }
}
