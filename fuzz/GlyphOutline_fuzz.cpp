// Fuzz target: the parser of GetGlyphOutline buffers over arbitrary bytes, then the fitting of
// what it found. The first four bytes choose the rectangle and the font height of the fit.
#include <cstdint>

#include "images/kvAlphaImageList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  TkvStrokeCollection strokes;
  ParseGlyphOutline(data + 4, size - 4, strokes);
  // Contours come in order (a contour whose points all coincide adds no strokes, so numbers
  // may be skipped), and each stroke lies inside the bounds.
  Integer last = 0;
  const TRect bounds = strokes.Bounds();
  for (Integer i = 0; i < strokes.Count(); ++i) {
    const TFontStroke s = strokes.Stroke(i);
    if (s.GlyphNumber < last) __builtin_trap();
    last = s.GlyphNumber;
    for (TPoint p : {s.Pt1, s.Pt2})
      if (p.X < bounds.Left || p.X > bounds.Right || p.Y < bounds.Top || p.Y > bounds.Bottom) __builtin_trap();
  }
  const TRect r(data[0] - 128, data[1] - 128, data[2], data[3]);
  const Integer fontHeight = data[3] - 64;
  const TkvContourFit measured = FitContour(strokes, r, fontHeight, true);
  const TkvContourFit drawn = FitContour(strokes, r, fontHeight, false);
  size_t points = 0;
  for (const auto& polygon : drawn.Polygons) points += polygon.size();
  if (!drawn.Empty && points != static_cast<size_t>(strokes.Count())) __builtin_trap();
  (void)measured;
  return 0;
}
