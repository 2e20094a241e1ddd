// kvgpUtils: anti-aliased drawing, alpha-correct stretching, blur and text through GDI+,
// bound by name at start-up (the program does not link to gdiplus.dll), and the device-context
// fills FillDC and FillDCBorder.
//
// Sections
//   1. Points and their rotation (portable)
//   2. The alpha passes of the GDI+ stretch (portable)
//   3. Starting and stopping GDI+ (Windows)
//   4. Drawing wrappers (Windows)
//   5. Bitmaps: stretch and blur (Windows)
//   6. Text (Windows)
//   7. Device-context fills (Windows)
//
// Every wrapper makes a GDI+ graphics object on the DC it is given, draws, and releases every
// GDI+ object it made on every path; without GDI+ or the function it needs it draws nothing.
// Colours: most wrappers take a colour value (red in the low byte), swap it into GDI+'s ARGB
// order and make it opaque when its top byte is 0; the exceptions say so. clNone draws nothing
// where a wrapper tests for it.
#pragma once

#include <vector>

#include "base/sConst.h"
#include "ui/Bitmap.h"
#include "ui/Types.h"
#include "ui/WinFwd.h"

class TBitmap;

// ---- 1. Points ---------------------------------------------------------------------------------

struct TkvPointF {
  float X = 0, Y = 0;
};
using TkvGpPoints = std::vector<TkvPointF>;

// Turns count points about center by a whole-degree angle, as GDI+ points (y downwards) turn
// counter-clockwise: X := cx + dx*c + dy*s, Y := cy - dx*s + dy*c, in 32-bit floats.
void kvgpRotatePoints(TkvPointF* points, TkvPointF center, Integer count, Integer angle);
inline void kvgpRotatePoints(TkvGpPoints& points, TkvPointF center, Integer angle) {
  kvgpRotatePoints(points.data(), center, static_cast<Integer>(points.size()), angle);
}

// ---- 2. The alpha passes of the GDI+ stretch ------------------------------------------------------
//
// GDI+ drops fully transparent pixels when it stretches onto a DC, so the stretch lifts every
// alpha into 127..254 first and undoes the lift on the stretched pixels afterwards.

// One row of source pixels into GDI+'s ARGB layout with alpha A div 2 + 127.
void LiftStretchAlpha(uint32_t* dst, const uint32_t* src, Integer count);
// Undoes the lift on rect (exclusive, clipped to the view): pixels with alpha A > 0 get
// channels min(255, c * 256 div A) and alpha max(0, 2A - 255).
void SettleStretchAlpha(const TPixelView& v, const TRect& rect);

// How the GDI+ blur treats a bitmap: small bitmaps with a small radius are blurred as a scaled
// copy at radius 20 (the effect's least useful radius), others directly.
struct TkvBlurPlan {
  bool UseCopy = false;
  Integer CopyWidth = 0, CopyHeight = 0;  // the scaled copy, when UseCopy
  float Radius = 0;                       // the radius the effect is given
};
TkvBlurPlan kvgpBlurPlan(Integer width, Integer height, float radius);

#ifdef _WIN32

// ---- 3. Starting and stopping GDI+ -----------------------------------------------------------------

// Loads gdiplus.dll, binds its flat functions and starts GDI+ once for the run (a second call
// does nothing). The clean-up shuts GDI+ down and frees the library.
void kvgpUtilsStartup();
void kvgpUtilsCleanup();

// Start False: True while GDI+ is started. Start True: starts it (when GdiplusStartup is bound)
// and answers whether a token came back. False without gdiplus.dll.
bool kvGDIBegin(bool start);
// Stop True: shuts GDI+ down when it is loaded and started.
void kvGDIEnd(bool stop);

// GDI+ status codes the callers look at.
constexpr Integer kvgpOk = 0;
constexpr Integer kvgpNotImplemented = 6;

// ---- 4. Drawing wrappers -------------------------------------------------------------------------

// Smoothing of every graphics object that draws lines, arcs, pies or polygons (high quality).
constexpr Integer kvDefaultSmoothingMode = 2;

// GDI+ alignments by horizontal alignment left, right, centre and vertical top, bottom, centre.
inline constexpr Integer kvAlignArray[3] = {0, 2, 1};
inline constexpr Integer kvVertAlignArray[3] = {0, 2, 1};

void kvgpDrawLine(HDC dc, float x1, float y1, float x2, float y2, TColor color, float penWidth);
// Solid brush: opaque when the colour's top byte is 0, then swapped.
void kvgpFillEllipse(HDC dc, float x, float y, float width, float height, TColor color);
// A rounded rectangle with fill and border of one radius.
void kvgpRoundRect(HDC dc, Integer x, Integer y, Integer width, Integer height, Integer radius, Integer borderWidth,
                   TColor fillColor, TColor borderColor);
// A rounded border with a radius per corner (top-left, top-right, bottom-left, bottom-right; 0
// or less: square) and a choice of sides (null: all).
void kvgpRoundRect(HDC dc, Integer x, Integer y, Integer width, Integer height, Integer borderWidth, TColor borderColor,
                   const Integer* radii, const TSet<TkvSide>* sides);
// A rectangular border of the sides given (null: all).
void kvgpDrawRect(HDC dc, TRect r, Integer borderWidth, TColor borderColor, const TSet<TkvSide>* sides);
// Fills r with the colour (its top byte must be 0) at alpha alphaValue. No smoothing.
void kvgpFillRect(HDC dc, TColor color, const TRect& r, Integer alphaValue);
// Linear gradients; both colours keep their own alpha (a top byte of 0 is a transparent end).
void kvgpGradientRectangleH(HDC dc, float x, float y, float width, float height, TColor color1, TColor color2);
void kvgpGradientRectangleV(HDC dc, float x, float y, float width, float height, TColor color1, TColor color2);
// A path gradient over four points, centre colour and the four surround colours, alpha kept.
void kvgpGradientRectangle(HDC dc, const TPoint points[4], const TColor colors[4], float x, float y, float width,
                           float height, TColor centerColor);
void kvgpDrawPolygon(HDC dc, TColor color, const TkvPointF* points, Integer pointCount, float lineWidth);
void kvgpFillPolygon(HDC dc, TColor color, const TPoint* points, Integer pointCount);
void kvgpFillPolygon(HDC dc, TColor color, const TkvPointF* points, Integer pointCount);
// Draws srcBmp at r's top-left turned by a whole-degree angle about r's centre.
void kvgpDrawRotatedBitmap(HDC dc, TBitmap* srcBmp, const TRect& r, Integer angle);

// ---- 5. Bitmaps -------------------------------------------------------------------------------------

// Alpha-correct stretch of srcRect of a 32-bit srcBmp into dstRect of dstBmp (high-speed
// quality, source copy); the correction pass touches dstRect only.
void kvgpStretchRect(TBitmap* dstBmp, TBitmap* srcBmp, const TRect& dstRect, const TRect& srcRect);
// The whole destination from (srcX, srcY, srcWidth, srcHeight).
void kvgpStretchRect(TBitmap* dstBmp, TBitmap* srcBmp, Integer srcX, Integer srcY, Integer srcWidth, Integer srcHeight);
// Blurs a bitmap in place through the GDI+ blur effect; wherever the effect is missing or fails
// it blurs with QBlur instead. Answers the status of the effect (kvgpOk when it blurred, or a
// non-zero status when QBlur did the work).
Integer kvgpBlur(TBitmap* bmp, float radius);
// Cheap blur of a 32-bit bitmap: shrinks it to half size and stretches it back through GDI+.
void QBlur(TBitmap* bmp);
// The same on the top-left part of the given size only (clipped to the bitmap); the pixels
// around it are neither read nor changed.
void QBlur(TBitmap* bmp, TSize part);
// The memory of the cheap blur, kept by a caller that blurs frame after frame.
struct TQBlurScratch {
  std::vector<uint32_t> Lifted;  // the source of a pass as GDI+ reads it
  std::vector<uint32_t> Half;    // the half-size picture
};
void QBlur(TBitmap* bmp, TSize part, TQBlurScratch& scratch);

// ---- 6. Text ------------------------------------------------------------------------------------------

// Draws text with the DC's font into r (layout r widened by one pixel each way); color is
// already in GDI+ order (opaque when its top byte is 0). alignment 0 left, 1 right, 2 centre;
// vertAlignment 0 top, 1 bottom, 2 centre. alphaLayer: drawing into a 32-bit alpha bitmap
// (grey antialiasing). False when anything was missing: the caller draws by GDI.
bool kvgpDrawString(HDC dc, const String& text, const TRect& r, TColor color, Integer alignment, Integer vertAlignment,
                    Integer angle, bool alphaLayer, const String& fontName);
// Size of the text in the DC's font, wrapped at maxWidth when wrapped; (0, 0) for an empty text
// or without GDI+.
TSize kvgpMeasureString(HDC dc, const String& text, bool wrapped, Integer maxWidth);
// The same with a layout width of maxWidth in every case; when GDI+ cannot make a font of the
// DC, the size comes from GDI measuring in font (GetStringSize, no width limit).
TSize kvgpMeasureString(HDC dc, const String& text, HFONT font, bool wrapped, Integer maxWidth);

// ---- 7. Device-context fills ---------------------------------------------------------------------------

// alphaValue 0: a GDI fill with a solid brush of ColorToRGB(color); otherwise kvgpFillRect.
void FillDC(HDC dc, const TRect& aRect, TColor color, Integer alphaValue = 0);
// A frame of the side widths inside aRect: top, left, bottom, right strips.
void FillDCBorder(HDC dc, const TRect& aRect, Integer wl, Integer wt, Integer wr, Integer wb, TColor color,
                  Integer alphaValue = 0);

#endif
