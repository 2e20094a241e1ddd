// Text on 32-bit bitmaps whose alpha must stay right, the engine's text output and measuring.
// The captions in a skin section's colours are in paint/sGraphUtils.h and paint/sAlphaGraph.h.
#pragma once

#include <memory>

#include "raster/Pixels.h"

// The text pass of WriteColor: the temporary picture tmp (black ink on untouched white
// 0x00FFFFFF) laid at lRect's top-left onto dst in color (a colour value). Enabled: ink
// coverage from the grey of each pixel, alpha kept at least at the coverage, the result
// premultiplied; disabled: opaque, each channel weighted by the picture's own channel.
void WriteColorPixels(const TPixelView& dst, const TPixelView& tmp, TPoint topLeft, bool enabled, TColor color);

// The glow of a text: every mask byte v other than 255 (255 no text, 0 text, blurred between)
// at mask (x, y) moves the pixel at origin + (x, y) towards color (a colour value) by 255 - v
// and raises its alpha by the same share of what is missing.
void ApplyGlowMask(const TPixelView& dst, const TBytePixelView& mask, TPoint origin, TColor color);

#ifdef _WIN32
class TCanvas;

// Text in color into lRect of the 32-bit bmp with alpha that stays right (bmp's canvas font).
void WriteColor(TBitmap* bmp, const String& text, bool enabled, const TRect& lRect, Cardinal flags, TColor color,
                bool isAnsi = false);

// DrawTextW cuts texts here.
constexpr Integer kvMaxDrawTextLength = 5460;

// The engine's text output: DrawTextW (at most kvMaxDrawTextLength characters), or with
// DT_ALPHATEXT alpha-correct text into a 32-bit bitmap (kvDrawText32).
Integer kvDrawText(HDC dc, const String& text, TRect& r, Cardinal flags, TBitmap* bmp = nullptr);
// GDI+ text in the DC's font and text colour (measured only, with DT_CALCRECT); when GDI+ does
// not draw and bmp is given, WriteColor draws it. Always 1.
Integer kvDrawText32(HDC dc, const String& text, TRect& r, Cardinal flags, bool alphaLayer, TBitmap* bmp);
// A blurred glow of the text (widened one pixel to the sides of `side`: 1 left, 2 up, 4 right,
// 8 down) painted into the 32-bit dstBmp; maskBmp keeps the 8-bit mask for reuse while its
// size fits.
void kvDrawGlowForText(TBitmap* dstBmp, const String& text, const TRect& aRect, Cardinal flags, Cardinal side,
                       Integer blurSize, TColor color, std::unique_ptr<TBitmap>& maskBmp);

// Text cut to fit maxLength pixels, with "..." when cut; empty when not one character fits.
String CutText(TCanvas* canvas, const String& text, Integer maxLength);
Integer kvTextWidth(TCanvas* canvas, const String& text);
TSize kvTextExtent(TCanvas* canvas, const String& text);
void kvTextRect(TCanvas* canvas, const TRect& rect, Integer x, Integer y, const String& text);
// GetTextExtentPoint32W; dc 0 takes the screen DC with font selected.
bool kvGetTextExtent(HDC dc, const String& str, TSize& size, HFONT font);
bool kvGetTextExtentW(HDC dc, const String& str, TSize& size, HFONT font);
void kvPaintLine(HDC dc, Integer x1, Integer y1, Integer x2, Integer y2);
// 0 when the metrics cannot be read; noLeading: tmHeight less both leadings, else tmHeight + 6.
Integer GetFontHeight(HFONT font, bool noLeading);
// Size of the text in the font on the screen DC; (0, 0) when it cannot be measured.
TSize GetStringSize(HFONT font, const String& text, Cardinal flags, bool wrapText, Integer maxWidth, bool isItalic);
#endif
