#include "controls/sBoundLabel.h"

#include <algorithm>
#include <cmath>

TsCaptionLayout MirroredLayout(TsCaptionLayout layout) {
  switch (layout) {
    case sclLeft: return sclRight;
    case sclRight: return sclLeft;
    case sclTopLeft: return sclTopRight;
    case sclTopRight: return sclTopLeft;
    case sclLeftTop: return sclRightTop;
    case sclRightTop: return sclLeftTop;
    case sclBottomLeft: return sclBottomRight;
    case sclBottomRight: return sclBottomLeft;
    case sclLeftLeft: return sclRightRight;
    case sclRightRight: return sclLeftLeft;
    default: return layout;
  }
}

TAlignment LayoutAlignment(TsCaptionLayout layout) {
  switch (layout) {
    case sclLeft:
    case sclTopRight:
    case sclBottomRight:
    case sclRightRight: return taRightJustify;
    case sclTopCenter:
    case sclBottomCenter: return taCenter;
    default: return taLeftJustify;
  }
}

TPoint BoundLabelPlace(TsCaptionLayout layout, const TRect& f, TSize l, Integer spacing, Integer indent,
                       Integer offset, bool clientShorter) {
  const Integer fw = f.Width(), fh = f.Height();
  const Integer middle = f.Top + (fh - l.cy) / 2;
  switch (layout) {
    case sclLeft: return {f.Left - l.cx - spacing - indent, middle - (clientShorter ? 1 : 0) + offset};
    case sclTopLeft: return {f.Left + offset, f.Top - l.cy - indent};
    case sclTopCenter: return {f.Left + (fw - l.cx) / 2 + offset, f.Top - l.cy - indent};
    case sclTopRight: return {f.Left + fw - l.cx + offset, f.Top - l.cy - indent};
    case sclLeftTop: return {f.Left - l.cx - spacing - indent, f.Top + offset + 3};
    case sclBottomLeft: return {f.Left + offset, f.Top + fh + indent};
    case sclBottomCenter: return {f.Left + (fw - l.cx) / 2 + offset, f.Top + fh + indent};
    case sclBottomRight: return {f.Left + fw - l.cx + offset, f.Top + fh + indent};
    case sclRight: return {f.Left + fw + spacing + indent, middle + offset - 1};
    case sclRightTop: return {f.Left + fw + spacing + indent, f.Top + offset + 3};
    case sclLeftLeft: return {f.Left - l.cx - spacing + indent, middle + offset - 1};
    default: return {f.Left + fw + spacing - indent, middle + offset - 1};  // sclRightRight
  }
}

TBoundLabelSide BoundLabelSide(TsCaptionLayout layout, bool controlAlignedLeft, bool controlAlignedRight) {
  if ((layout == sclLeft || layout == sclLeftLeft) && controlAlignedLeft) return TBoundLabelSide::Left;
  if (layout == sclRightRight && controlAlignedRight) return TBoundLabelSide::Right;
  return TBoundLabelSide::None;
}

// ---- The flight of a text hint ------------------------------------------------------------------------

std::vector<TkvFlightFrame> TextFlightFrames(TPoint start, TPoint target) {
  std::vector<TkvFlightFrame> frames;
  const double tx = target.X, ty = target.Y;
  const double distance = std::hypot(start.X - tx, start.Y - ty);
  if (distance == 0) return frames;  // nowhere to fly
  double x = start.X, y = start.Y;
  for (;;) {
    x -= (x - tx) / 6;
    y -= (y - ty) / 6;
    const double left = std::hypot(x - tx, y - ty);
    TkvFlightFrame f;
    f.Pos = TPoint(Integer(std::lround(x)), Integer(std::lround(y)));
    f.Dezev = Byte(std::min(255.0, std::nearbyint(left * 255 / distance)));
    frames.push_back(f);
    if (std::fabs(x - tx) < 0.5 && std::fabs(y - ty) < 0.5) break;
  }
  return frames;
}

uint32_t UpdateAlphaColor(uint32_t color, Byte a) {
  const uint32_t b = ((color & 0xFF) * a) >> 8, g = (((color >> 8) & 0xFF) * a) >> 8,
                 r = (((color >> 16) & 0xFF) * a) >> 8;
  return b | (g << 8) | (r << 16) | (uint32_t(a) << 24);
}

void BlendColorByMask(const TPixelView& dst, const TPixelView& mask, TPoint dstPoint, uint32_t color,
                      const TRect& srcRect) {
  const Integer top = std::max(srcRect.Top, 0), bottom = std::min(srcRect.Bottom, mask.Height);
  const Integer left = std::max(srcRect.Left, 0), right = std::min(srcRect.Right, mask.Width);
  const uint32_t ca = color >> 24;
  for (Integer y = top; y < bottom; ++y) {
    const Integer dy = dstPoint.Y + y - srcRect.Top;
    if (dy < 0 || dy >= dst.Height) continue;
    for (Integer x = left; x < right; ++x) {
      const Integer dx = dstPoint.X + x - srcRect.Left;
      if (dx < 0 || dx >= dst.Width) continue;
      const uint32_t m = mask.At(x, y) & 0xFF;
      if (m == 255) continue;
      uint32_t& d = dst.At(dx, dy);
      uint32_t out = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = (color >> shift) & 0xFF, v = (d >> shift) & 0xFF;
        out |= (((c * (255 - m) + v * m) >> 8) & 0xFF) << shift;
      }
      const uint32_t a = std::max(d >> 24, (ca * (255 - m)) >> 8);
      d = out | (a << 24);
    }
  }
}
