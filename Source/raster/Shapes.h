// Shapes on 32-bit bitmaps and canvases: arrows, whole-degree rotation, bitmaps drawn with
// alpha, icons from bitmaps, the check-box size, two-colour frames, the glyph and caption layout
// of buttons, focus rectangles.
#pragma once

#include "base/kvntTypes.h"
#include "raster/Pixels.h"

// A 32-bit picture turned by 90, 180 or 270 degrees (clockwise for 90) into dst, which has the
// turned size; any other angle copies it unturned. Nothing when the sizes do not match.
void RotatePixels(const TPixelView& src, const TPixelView& dst, Integer angle);
// A small solid arrow of kvArrowSize at ppi written into a 32-bit view in color (a colour value;
// its top byte becomes the alpha), centred in r; nothing when it does not fit the view.
void DrawColorArrow(const TPixelView& v, TColor color, const TRect& r, TkvSide direction, Integer ppi);

#ifdef _WIN32
#include "ui/StdCtrls.h"  // TAlignment, TVerticalAlignment, TButtonLayout

class TCanvas;

// The size of one system check-box glyph, measured by GetCheckSize.
extern Integer &FCheckWidth, &FCheckHeight;
void GetCheckSize();

void DrawColorArrow(TCanvas* canvas, TColor color, const TRect& r, TkvSide direction, Integer ppi);
void DrawColorArrow(TBitmap* bmp, TColor color, const TRect& r, TkvSide direction, Integer ppi);
// A styled, anti-aliased arrow centred in r, composed with alpha onto the 32-bit aBmp; turned
// further by angleShift degrees when it is not 0. arrowSize and lineWidth 0: the defaults.
void DrawArrow(TBitmap* aBmp, TColor color1, TColor color2, const TRect& r, TkvSide direction, Integer lineWidth,
               Integer angleShift, Integer arrowSize, TkvArrowsStyle style, Integer ppi);
// A new 32-bit bitmap turned by 90, 180 or 270 degrees (another angle: an unturned copy); a
// missing or non-32-bit bitmap comes back as it is. freeupBmp frees the source and clears sBitmap.
TBitmap* bmpRotate(TBitmap*& sBitmap, Word rotateAngle, bool freeupBmp);

struct TDoublePoint {
  double X = 0, Y = 0;
};
// A parallelogram: corners 0 top-left, 1 top-right, 2 bottom-right, 3 bottom-left.
class TPrlgram {
 public:
  TPrlgram(const TPoint* points, Integer count);
  TPoint GetPoint(Integer index) const;  // rounded, halves to even
  // Turns the corners about the middle of corners 0 and 2 by a whole-degree angle
  // (counter-clockwise on the screen).
  void Rotate(Integer angle);
  TDoublePoint FPoints[4];
};
// The three PlgBlt points (targets of the source's top-left, top-right and bottom-left corners)
// of a picture of `size` turned about center clockwise by angle plus a quarter turn.
void RotatedBltPoints(const TSize& size, const TPoint& center, Integer angle, TPoint points[3]);
// Draws srcBmp turned about center with PlgBlt: clockwise by angle plus a quarter turn.
void BitBltRotated(HDC dc, TBitmap* srcBmp, const TPoint& center, Integer angle);
// A bitmap into r of the canvas; 32-bit ones with alpha (and a reflection below).
void DrawBmp(TCanvas* canvas, TBitmap* bmp, const TRect& r, bool reflected);
// An icon with img as its colour bitmap; the caller destroys it.
HICON MakeCompIcon(TBitmap* img);
// Width frames inside r, top and left in colorTop, bottom and right in colorBottom; r comes
// back as the rectangle inside them and width as 0.
void DrawRectangleOnDC(HDC dc, TRect& r, TColor colorTop, TColor colorBottom, Integer& width);
// Positions of a button's glyph and caption in client (margin and spacing -1: computed).
void CalcButtonLayout(const TRect& client, const TPoint& glyphSize, const TPoint& textRectSize, TButtonLayout layout,
                      TAlignment alignment, Integer aMargin, Integer spacing, TPoint& glyphPos, TRect& textBounds,
                      Cardinal biDiFlags, TVerticalAlignment verticalAlignment);
// A dotted rectangle in two colours (clNone: that colour is not drawn).
void FocusRect(TCanvas* canvas, const TRect& r, TColor lightColor, TColor darkColor);
void kvDrawFocusRect(TCanvas* canvas, const TRect& r);
#endif
