#include "wrappers/kvSBUtilsSpeedBtn.h"

TRect TkvSpeedButtonLayout::ImgRect() const {
  const Integer gw = GlyphWidth, gh = GlyphHeight;
  const bool caption = TextSize.cx > 0 || TextSize.cy > 0;
  const Integer spw = gw > 0 && caption ? Spacing : 0;
  const Integer sph = gh > 0 && caption ? Spacing : 0;
  const Integer x0 = (Width - gw - spw - TextSize.cx) / 2;
  const Integer y0 = (Height - gh - sph - TextSize.cy) / 2;
  auto m = [&](Integer v) { return Margin != -1 ? Margin : v; };
  Integer x, y;
  switch (Layout) {
    case 0:
      x = m(x0);
      y = (Height - gh) / 2;
      break;
    case 1:
      x = Width - gw - m(x0);
      y = (Height - gh) / 2;
      break;
    case 2:
      x = (Width - gw) / 2;
      y = m(y0);
      break;
    default:
      x = (Width - gw) / 2;
      y = Height - gh - m(y0);
      break;
  }
  if (Shift) {
    ++x;
    ++y;
  }
  return TRect(x, y, x + gw, y + gh);
}

TRect TkvSpeedButtonLayout::CaptionRect() const {
  const TSize s = TextSize;
  Integer left, top;
  if (GlyphWidth == 0 && GlyphHeight == 0) {
    if (Margin == -1) {
      left = (Width - s.cx) / 2;
      top = (Height - s.cy) / 2;
    } else {
      switch (Layout) {
        case 0:
          left = Margin;
          top = (Height - s.cy) / 2;
          break;
        case 1:
          left = Width - Margin - s.cx;
          top = (Height - s.cy) / 2;
          break;
        case 2:
          left = (Width - s.cx) / 2;
          top = Margin;
          break;
        default:
          left = (Width - s.cx) / 2;
          top = Height - Margin - s.cy;
          break;
      }
    }
  } else {
    const TRect g = ImgRect();
    switch (Layout) {
      case 0:
        left = g.Right + Spacing;
        top = (Height - s.cy) / 2;
        break;
      case 1:
        left = g.Left - Spacing - s.cx;
        top = (Height - s.cy) / 2;
        break;
      case 2:
        left = (Width - s.cx) / 2;
        top = g.Bottom + Spacing - (Shift ? 1 : 0);
        break;
      default:
        left = (Width - s.cx) / 2;
        top = g.Top - Spacing - s.cy;
        break;
    }
  }
  TRect r(left, top, left + s.cx, top + s.cy);
  if (Shift) {
    ++r.Left;
    ++r.Right;
    ++r.Top;
    ++r.Bottom;
  }
  return r;
}
