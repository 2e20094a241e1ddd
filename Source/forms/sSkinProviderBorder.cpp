// The geometry of an outer border window and of the desktop-composition answers that needs no
// window system: the frame's sizing zones and its shadow, the shadow template drawn around a
// picture, the pixels the blur behind leaves out, the taskbar picture's size and the glass
// margins of blur-through controls.
#include <algorithm>

#include "forms/sSkinProvider.h"
#include "raster/Resampling.h"

namespace {

// The system's hit codes of the frame (the same numbers on every Windows).
constexpr Integer kHitLeft = 10, kHitRight = 11, kHitTop = 12, kHitTopLeft = 13, kHitTopRight = 14, kHitBottom = 15,
                  kHitBottomLeft = 16, kHitBottomRight = 17;

// Band mode never offers a band thinner than this, whatever the skin says.
constexpr Integer kMinBand = 6;
// The width of the zones of offset mode.
constexpr Integer kOffsetZone = 4;

// A corner after a top or bottom match, else the side itself.
Integer Side(Integer vertical, Integer top, Integer bottom, Integer plain) {
  return vertical == kHitTop ? top : vertical == kHitBottom ? bottom : plain;
}

}  // namespace

bool InsideInclusive(const TRect& r, TPoint p) {
  return p.X >= r.Left && p.X <= r.Right && p.Y >= r.Top && p.Y <= r.Bottom;
}

TRect FrameOuterRect(const TkvBorderFrame& f) {
  if (f.OffsetMode)
    return TRect(f.Shadow.Left - f.ShadowOffs.Left, f.Shadow.Top - f.ShadowOffs.Top,
                 f.Width - f.Shadow.Right + f.ShadowOffs.Right, f.Height - f.Shadow.Bottom + f.ShadowOffs.Bottom);
  const Integer w = std::max(f.BandWidth, kMinBand);
  return TRect(f.Shadow.Left - w, f.Shadow.Top - w, f.Width - f.Shadow.Right + w, f.Height - f.Shadow.Bottom + w);
}

Integer FrameSizingHit(const TkvBorderFrame& f, TPoint p) {
  Integer r = 0;
  if (f.OffsetMode) {
    const TRect o = FrameOuterRect(f);
    if (!InsideInclusive(o, p)) return 0;
    const Integer b = f.SysBorder;
    if (p.Y < o.Top + kOffsetZone)
      r = kHitTop;
    else if (p.Y >= f.Height - f.Shadow.Bottom - b + f.ShadowOffs.Bottom)
      r = kHitBottom;
    if (p.X < o.Left + kOffsetZone)
      r = Side(r, kHitTopLeft, kHitBottomLeft, kHitLeft);
    else if (p.X > o.Right - kOffsetZone)
      r = Side(r, kHitTopRight, kHitBottomRight, kHitRight);
    return r;
  }
  const Integer w = std::max(f.BandWidth, kMinBand);
  if (p.Y >= f.Shadow.Top - w && p.Y <= f.Shadow.Top)
    r = kHitTop;
  else if (p.Y >= f.Height - f.Shadow.Bottom && p.Y <= f.Height - f.Shadow.Bottom + w)
    r = kHitBottom;
  if (p.X >= f.Shadow.Left - w && p.X <= f.Shadow.Left) r = Side(r, kHitTopLeft, kHitBottomLeft, kHitLeft);
  // A window narrower than two bands meets both tests: the right one, seeing the left one's
  // answer, gives the plain side.
  if (p.X >= f.Width - f.Shadow.Right && p.X <= f.Width - f.Shadow.Right + w)
    r = Side(r, kHitTopRight, kHitBottomRight, kHitRight);
  return r;
}

void DrawFrameTemplate(const TPixelView& dst, const TRect& dstRect, const TPixelView& tpl, const TRect& srcMargins,
                       const TRect& dstMargins, const TRect& sideModes) {
  if (dst.Empty() || tpl.Empty() || dstRect.IsEmpty()) return;
  const TRect& s = srcMargins;
  const TRect& d = dstMargins;
  // Column and row edges of the nine parts in the template and in the target.
  const Integer sx[4] = {0, s.Left, tpl.Width - s.Right, tpl.Width};
  const Integer sy[4] = {0, s.Top, tpl.Height - s.Bottom, tpl.Height};
  const Integer dx[4] = {dstRect.Left, dstRect.Left + d.Left, dstRect.Right - d.Right, dstRect.Right};
  const Integer dy[4] = {dstRect.Top, dstRect.Top + d.Top, dstRect.Bottom - d.Bottom, dstRect.Bottom};
  for (Integer row = 0; row < 3; ++row)
    for (Integer col = 0; col < 3; ++col) {
      if (row == 1 && col == 1) continue;  // the centre is the picture's own
      const TRect from(sx[col], sy[row], sx[col + 1], sy[row + 1]);
      const TRect to(dx[col], dy[row], dx[col + 1], dy[row + 1]);
      if (from.IsEmpty() || to.IsEmpty()) continue;
      // Which side this part is (corners have none) and whether it repeats along its length.
      const bool horizontalSide = col == 1, verticalSide = row == 1;
      const Integer mode = horizontalSide ? (row == 0 ? sideModes.Top : sideModes.Bottom)
                           : verticalSide ? (col == 0 ? sideModes.Left : sideModes.Right)
                                          : 1;
      if (mode & 1) {
        StretchNearest(dst, to, tpl, from, &dstRect);
        continue;
      }
      const TRect clip(std::max(to.Left, dstRect.Left), std::max(to.Top, dstRect.Top),
                       std::min(to.Right, dstRect.Right), std::min(to.Bottom, dstRect.Bottom));
      if (clip.IsEmpty()) continue;
      if (horizontalSide)
        for (Integer x = to.Left; x < to.Right; x += from.Width())
          StretchNearest(dst, TRect(x, to.Top, x + from.Width(), to.Bottom), tpl, from, &clip);
      else
        for (Integer y = to.Top; y < to.Bottom; y += from.Height())
          StretchNearest(dst, TRect(to.Left, y, to.Right, y + from.Height()), tpl, from, &clip);
    }
}

std::vector<TPoint> BlurRegionHoles(const TPixelView& picture, const TRect& body, Integer cornerSide) {
  std::vector<TPoint> holes;
  if (picture.Empty() || cornerSide <= 0) return holes;
  const TRect corners[4] = {
      TRect(body.Left, body.Top, body.Left + cornerSide, body.Top + cornerSide),
      TRect(body.Right - cornerSide, body.Top, body.Right, body.Top + cornerSide),
      TRect(body.Left, body.Bottom - cornerSide, body.Left + cornerSide, body.Bottom),
      TRect(body.Right - cornerSide, body.Bottom - cornerSide, body.Right, body.Bottom),
  };
  for (TRect c : corners) {
    c.Left = std::max(c.Left, 0);
    c.Top = std::max(c.Top, 0);
    c.Right = std::min(c.Right, picture.Width);
    c.Bottom = std::min(c.Bottom, picture.Height);
    for (Integer y = c.Top; y < c.Bottom; ++y)
      for (Integer x = c.Left; x < c.Right; ++x)
        if ((picture.At(x, y) & 0xFFFFFFu) == 0) holes.emplace_back(x, y);
  }
  return holes;
}

TSize FitThumbnail(TSize source, TSize box) {
  if (source.cx <= 0 || source.cy <= 0 || box.cx <= 0 || box.cy <= 0) return TSize(0, 0);
  // Compared as products: box.cx / box.cy > source.cx / source.cy.
  const int64_t boxWide = int64_t(box.cx) * source.cy, sourceWide = int64_t(source.cx) * box.cy;
  TSize r = box;
  auto rounded = [](int64_t num, int64_t den) { return Integer((2 * num + den) / (2 * den)); };
  if (boxWide > sourceWide)
    r.cx = rounded(int64_t(box.cy) * source.cx, source.cy);
  else
    r.cy = rounded(int64_t(box.cx) * source.cy, source.cx);
  if (r.cx <= 0 || r.cy <= 0) return TSize(0, 0);
  return r;
}

TRect GlassMargins(const std::vector<TkvGlassControl>& controls, Integer formHeight, Integer clientWidth) {
  // The TAlign values of the class library.
  constexpr Integer kTop = 1, kBottom = 2, kLeft = 3, kRight = 4, kClient = 5;
  TRect m;
  for (const TkvGlassControl& c : controls) {
    const TRect& b = c.Bounds;
    switch (c.Align) {
      case kTop: m.Top = std::max(m.Top, b.Bottom); break;
      case kBottom: m.Bottom = std::max(m.Bottom, formHeight - b.Top); break;
      case kLeft: m.Left = std::max(m.Left, b.Right); break;
      case kRight: m.Right = std::max(m.Right, clientWidth - b.Left); break;
      case kClient: return TRect(-1, -1, -1, -1);
      default: break;
    }
  }
  return m;
}
