#include "forms/sSkinProviderGlue.h"

Integer HandleEdge(Integer eDynamic, Integer eStatic, Integer snapDistance) {
  if (eStatic - snapDistance <= eDynamic && eDynamic <= eStatic + snapDistance) return eDynamic - eStatic;
  return 0;
}

TPoint CheckEdges(const TRect& rStatic, const TRect& rDynamic, Integer newX, Integer newY, Integer snapDistance) {
  Integer cy = HandleEdge(newY, rStatic.Top, snapDistance);
  Integer cx = HandleEdge(newX, rStatic.Left, snapDistance);
  if (cx == 0) cx = HandleEdge(newX + rDynamic.Width(), rStatic.Right, snapDistance);
  if (cy == 0) cy = HandleEdge(newY + rDynamic.Height(), rStatic.Bottom, snapDistance);
  return TPoint(cx, cy);
}

TRect LimitRect(const TkvFrameShape& shape, const TRect& r, bool invert) {
  Integer sign = 0;  // +1 outwards, -1 inwards
  switch (shape.Kind) {
    case TkvFrameShape::fsPlain: return r;
    case TkvFrameShape::fsOuterBorder: sign = invert ? 1 : -1; break;
    case TkvFrameShape::fsUWP: sign = invert ? -1 : 1; break;
  }
  const TRect& m = shape.Margins;
  return TRect(r.Left - sign * m.Left, r.Top - sign * m.Top, r.Right + sign * m.Right, r.Bottom + sign * m.Bottom);
}

namespace {

// Fills the components of offset that are still 0 from a fresh check.
void FillZero(TPoint& offset, TPoint found) {
  if (offset.X == 0) offset.X = found.X;
  if (offset.Y == 0) offset.Y = found.Y;
}

// Checks against one other form through the four strips between it and the work area; True
// when both components are known.
bool CheckAgainst(const TkvSnapScene& s, const TRect& other, Integer x, Integer y, TPoint& offset) {
  const TRect r = LimitRect(s.Shape, other, true);
  const TRect& w = s.Work;
  const TRect strips[4] = {
      TRect(w.Left, r.Top, r.Left, r.Bottom),     // left of it
      TRect(r.Left, w.Top, r.Right, r.Top),       // above it
      TRect(r.Right, r.Top, w.Right, r.Bottom),   // right of it
      TRect(r.Left, r.Bottom, r.Right, w.Bottom)  // below it
  };
  const TRect& b = s.Bounds;
  for (Integer i = 0; i < 4 && (offset.X == 0 || offset.Y == 0); ++i) {
    const TRect strip = LimitRect(s.Shape, strips[i], false);
    const bool horizontal = i == 1 || i == 3;
    const bool counts = horizontal ? (b.Right >= strip.Left && strip.Right >= b.Left)
                                   : (strip.Bottom >= b.Top && b.Bottom >= strip.Top);
    if (counts) FillZero(offset, CheckEdges(strip, b, x, y, s.SnapBuffer));
  }
  return offset.X != 0 && offset.Y != 0;
}

}  // namespace

TPoint SnapPosition(const TkvSnapScene& scene, Integer x, Integer y) {
  TPoint offset(0, 0);
  for (const TRect& other : scene.Others)
    if (CheckAgainst(scene, other, x, y, offset)) break;
  if (offset.X == 0 || offset.Y == 0) {
    const TRect r = LimitRect(scene.Shape, scene.Work, false);
    FillZero(offset, CheckEdges(r, scene.Bounds, x, y, scene.SnapBuffer));
  }
  return TPoint(x - offset.X, y - offset.Y);
}

bool FramesTouch(const TRect& master, const TRect& candidate) {
  return candidate.Top == master.Bottom || candidate.Left == master.Right || master.Top == candidate.Bottom ||
         master.Left == candidate.Right;
}
