// The GDI steps of 32-bit bitmaps and layered windows: SetLayout, GetLayout,
// UpdateLayeredWindow and SetLayeredWindowAttributes bound by name at start-up, copies between
// bitmaps of any format, icons of 32-bit bitmaps, the faded rounded rectangle, and GDI drawing
// whose lost alpha is put back (TGdiDrawing).
#pragma once

#include "raster/Pixels.h"

#ifdef _WIN32
struct _BLENDFUNCTION;

// Start-up: binds SetLayout and GetLayout (gdi32), UpdateLayeredWindow and
// SetLayeredWindowAttributes (user32); the clean-up frees both libraries and the round masks of
// the corner kernels (raster/MaskImages.h).
void sGraphUtilsStartup();
void sGraphUtilsCleanup();
bool kvLayered();  // UpdateLayeredWindow is available
void kvSetLayout(HDC hdc, Cardinal dwLayout);
Cardinal kvGetLayout(HDC hdc);
// Hands the premultiplied bitmap to the layered window (ULW_ALPHA, source point (0, 0)).
void UpdateLayeredWnd(HWND handle, TBitmap* bmp, TSize* size, _BLENDFUNCTION* blendData, TPoint* newPos);
// dstBmp takes srcBmp's format, size and pixels (a blit, any format).
void CopyBmp(TBitmap* dstBmp, TBitmap* srcBmp);
// An icon of a 32-bit bitmap (its AND mask from the alpha); the caller destroys it.
HICON MakeIcon32(TBitmap* img, bool updateAlphaChannell);
// Fades the rounded rectangle aRect of fadedBmp towards color (a TColor) with a soft edge of
// blur pixels; transparency is the percentage of the picture kept at the centre.
void FadeBmp(TBitmap* fadedBmp, const TRect& aRect, Integer transparency, TColor color, Integer blur, Integer radius);

// GDI drawing on a 32-bit bitmap whose alpha counts afterwards (a picture for a layered
// window). GDI knows no alpha: its text, lines, fills and blits leave 0 in the alpha byte of
// every pixel they touch. While a scope lives GDI draws on the bitmap's DC (its canvas locked);
// when the last scope of that bitmap ends, the bitmap's view (which waits for GDI's drawing)
// gets the alpha of every area the scopes covered made opaque in one pass. This is the one
// place where alpha lost to GDI is put back: a control printing its children inside the
// printing of its parent repairs nothing itself, the outermost scope repairs all of it once.
class TGdiDrawing {
 public:
  TGdiDrawing(TBitmap* bmp, const TRect& area);
  explicit TGdiDrawing(TBitmap* bmp);  // the whole bitmap
  ~TGdiDrawing();
  TGdiDrawing(const TGdiDrawing&) = delete;
  TGdiDrawing& operator=(const TGdiDrawing&) = delete;
  HDC DC() const;

 private:
  TBitmap* bmp_;
};
#endif
