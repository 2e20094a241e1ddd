// The GDI steps of 32-bit bitmaps and layered windows: SetLayout, GetLayout,
// UpdateLayeredWindow and SetLayeredWindowAttributes bound by name at start-up, copies between
// bitmaps of any format, icons of 32-bit bitmaps and the faded rounded rectangle.
#pragma once

#include "raster/Pixels.h"

#ifdef _WIN32
struct _BLENDFUNCTION;

// Start-up: binds SetLayout and GetLayout (gdi32), UpdateLayeredWindow and
// SetLayeredWindowAttributes (user32); the clean-up frees both libraries.
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
#endif
