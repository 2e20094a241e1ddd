// sGradient: a skin's gradient strings turned into gradient points and painted into 32-bit
// bitmaps, alone or mixed with a tiled texture; the round shadow and glow bitmaps and the
// light spot of the mouse-light effect.
//
// Sections
//   1. Mode flags
//   2. Parsing gradient strings (portable)
//   3. Painting on pixel views (portable; translucent and diagonal parts go to a device)
//   4. Round shadows (portable kernel)
//   5. Bitmap forms, the GDI+ and GradientFill device, start-up (Windows)
//
// Limits: a gradient string comes from a skin and is untrusted. It is parsed without raising:
// a word that is not an integer (or overflows), a count letter that promises more points than
// there are words, or a count of 0 or below ends the array at the last whole point before the
// fault. A gradient holds at most kMaxGradPoints points; longer ones are cut there.
#pragma once

#include <memory>

#include "base/sConst.h"
#include "ui/Bitmap.h"
#include "ui/Types.h"

// ---- 1. Mode flags ------------------------------------------------------------------------------

constexpr Integer MASK_DIRECTION = 3;  // 0 top to bottom, PM_VERTICAL left to right, PM_DIAGONAL five colours
constexpr Integer PM_VERTICAL = 1;
constexpr Integer PM_DIAGONAL = 2;
constexpr Integer PM_OPACITY = 4;
constexpr Integer PM_ALL = 8;
constexpr Integer MASK_VALUES = 12;
constexpr Integer PM_TRANSPARENT = 16;  // segments beside the point are drawn with the points' alpha
constexpr Integer PM_OVERLAY = 32;      // on the first point: diagonal through a GDI+ path gradient

constexpr Integer kMaxGradPoints = 65536;  // a point's Index is 16 bits

// ---- 2. Parsing ----------------------------------------------------------------------------------

// Clears gradArray and, for a string longer than 4 characters, fills it from the string:
// ';'-separated integer words, five a point when the string ends in '0', otherwise three a
// point followed by a letter whose code minus 64 is the number of points. Never raises.
void PrepareGradArray(const String& gradientStr, TsGradArray& gradArray);

// ---- 3. Painting on views --------------------------------------------------------------------------

// Where the parts that need the platform go: translucent segments (a linear gradient with the
// points' own alpha over what the bitmap holds, the one-pixel strip `excluded` before the
// segment left alone) and the two diagonal forms.
class TGradientDevice {
 public:
  virtual ~TGradientDevice() = default;
  // (x, y, width, height) from c1 to c2 (colour values with their alpha in the top byte),
  // downwards when vertical, else rightwards.
  virtual void LinearSegment(bool vertical, Integer x, Integer y, Integer width, Integer height, TColor c1, TColor c2,
                             const TRect& excluded) = 0;
  // Five colours: top-left (points[0]), centre (1), top-right (2), bottom-right (3),
  // bottom-left (4); overlay: a path gradient with the colours' alpha, else GradientFill.
  virtual void Diagonal(const TRect& r, const TsGradPoint* points, bool overlay) = 0;
};

// Paints the gradient into aRect of the view (clipped to it). Opaque segments are written into
// the pixels with alpha 255; translucent segments and diagonal gradients go to device, or are
// left out without one. offsetY moves the rows of a top-to-bottom gradient.
void PaintGrad(const TPixelView& v, TRect aRect, const TsGradArray& data, Integer offsetY, TGradientDevice* device);

// The gradient (top to bottom or left to right only) mixed with a texture anchored at the
// view's origin: per colour ((texture - gradient) * textureAlpha + gradient * 256) shr 8, alpha
// alphaChannel. textureRect empty: the whole texture view. A texture period of 0 is left out
// (the plain gradient is painted); a texture origin outside the texture is moved into it.
void PaintGradTxt(const TPixelView& v, TRect aRect, const TsGradArray& data, const TPixelView& texture,
                  TRect textureRect, Byte textureAlpha, Byte alphaChannel);

// ---- 4. Round shadows ---------------------------------------------------------------------------------

// Size of the shadow bitmap: (2 radius + bodyWidth + 1) x (2 radius + bodyHeight + offset + 1);
// (0, 0) when a side would not be positive or would not fit an Integer.
TSize ShadowSize(Integer radius, Integer offset, Integer bodyHeight, Integer bodyWidth);
// Draws the round shadow (or, in mask mode, the round mask) into a view of ShadowSize: a
// quarter computed, mirrored, stretched by the body height and widened by the body width.
// color: a colour value whose top byte is the peak opacity. A view of another size is left
// as it is.
void MakeShadowView(const TPixelView& v, TColor color, Integer radius, Integer offset, Integer bodyHeight,
                    Integer bodyWidth, Integer blurSize, bool maskMode);

// ---- 5. Bitmap forms (Windows) --------------------------------------------------------------------------
#ifdef _WIN32

class TBitmap;

// Loads msimg32.dll and takes its GradientFill; the clean-up frees the library.
void sGradientStartup();
void sGradientCleanup();

void PaintGrad(TBitmap* bmp, const TRect& aRect, const TsGradArray& data, Integer offsetX, Integer offsetY);
// The device of PaintGrad on a bitmap: GDI+ for translucent segments, GradientFill (or a GDI+
// path gradient for an overlay) for diagonal ones, drawn on the bitmap's canvas.
std::unique_ptr<TGradientDevice> MakeGradientDevice(TBitmap* bmp);
void PaintGradTxt(TBitmap* bmp, const TRect& aRect, const TsGradArray& data, TBitmap* textureBmp,
                  const TRect& textureRect, Byte textureAlpha, Byte alphaChannel);
// A new 32-bit bitmap with a round shadow or mask; premultiplied with doUpdateAlpha. Its
// canvas comes back locked; the caller owns the bitmap.
TBitmap* MakeShadow(TColor color, Integer radius, Integer offset, Integer bodyHeight, Integer bodyWidth,
                    Integer blurSize, bool maskMode, bool doUpdateAlpha);
// The light spot of the mouse-light effect: a round shadow of aColor whose radius follows
// aWidth between 100 and 200 pixels (at 96 PPI). Kept while its size and colour fit (the colour
// is recorded as the bitmap's brush colour); otherwise the old one is freed and a new one made.
// aHeight has no effect.
void PrepareLightMask(TBitmap*& maskBmp, Integer aWidth, Integer aHeight, TColor aColor);

#endif
