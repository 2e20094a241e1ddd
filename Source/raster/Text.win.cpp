// Text output and measuring: DrawTextW, GDI+ text and alpha-correct text on 32-bit bitmaps (GDI
// draws it black on white into a temporary picture, whose grey levels become the ink's
// coverage), the blurred glow of a text, and the measuring routines.
#include "raster/Text.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/Alignment.h"
#include "base/kvntUtils.h"
#include "raster/Blend.h"
#include "raster/Resampling.h"
#include "raster/kvgpUtils.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"
#include "ui/Graphics.h"

namespace {

// The offsets of the outline copies: left, top, right, bottom.
constexpr TPoint kOutlineShift[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};

std::vector<uint32_t> GreyTable() {
  std::vector<uint32_t> table(256);
  for (uint32_t i = 0; i < 256; ++i) table[i] = i | i << 8 | i << 16;
  return table;
}

// Draws with the screen DC and font selected; the previous font goes back at the end.
template <class F>
auto WithScreenFont(HFONT font, F f) {
  TClientDC screen(nullptr);
  TSelectObject select(screen, font);
  return f(screen.get());
}

}  // namespace

Integer kvDrawText(HDC dc, const String& text, TRect& r, Cardinal flags, TBitmap* bmp) {
  if (flags & DT_ALPHATEXT) return kvDrawText32(dc, text, r, flags, true, bmp);
  const Integer count = std::min<Integer>(static_cast<Integer>(text.size()), kvMaxDrawTextLength);
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  const Integer result = DrawTextW(dc, reinterpret_cast<LPCWSTR>(text.c_str()), count, &rc, flags);
  r = TRect(rc.left, rc.top, rc.right, rc.bottom);
  return result;
}

Integer kvDrawText32(HDC dc, const String& text, TRect& r, Cardinal flags, bool alphaLayer, TBitmap* bmp) {
  if (flags & DT_CALCRECT) {
    const TSize size = kvgpMeasureString(dc, text, (flags & DT_WORDBREAK) != 0, r.Width());
    r.Right = r.Left + size.cx;
    r.Bottom = r.Top + size.cy;
    return 1;
  }
  const TColor textColor = GetTextColor(dc);
  if (!kvgpDrawString(dc, text, r, SwapRedBlue(textColor), Integer(AlignmentFromInt(flags)),
                      Integer(VertAlignmentFromInt(flags)), 0, alphaLayer, u"") &&
      bmp)
    WriteColor(bmp, text, true, r, flags & ~DT_ALPHATEXT, textColor, false);
  return 1;
}

void WriteColor(TBitmap* bmp, const String& text, bool enabled, const TRect& lRect, Cardinal flags, TColor color,
                bool /*isAnsi*/) {
  if (!bmp || bmp->PixelFormat() != pf32bit) return;
  const Integer w = lRect.Width(), h = lRect.Height();
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<TBitmap> tmp(CreateBmp32(w, h));
  if (tmp->Empty()) return;
  FillRect32(tmp.get(), TRect(0, 0, w, h), clWhite, 0);  // untouched white: 0x00FFFFFF
  tmp->Canvas()->Font()->Assign(bmp->Canvas()->Font());
  HDC dc = tmp->Canvas()->Handle();
  SetTextColor(dc, 0);
  SetBkColor(dc, 0xFFFFFF);
  TRect r(0, 0, w, h);
  kvDrawText(dc, text, r, flags & ~DT_ALPHATEXT);
  WriteColorPixels(bmp->View(), tmp->View(), lRect.TopLeft(), enabled, ColorToRGB(color));
}

void kvDrawGlowForText(TBitmap* dstBmp, const String& text, const TRect& aRect, Cardinal flags, Cardinal side,
                       Integer blurSize, TColor color, std::unique_ptr<TBitmap>& maskBmp) {
  if (!dstBmp) return;
  const TRect textRect = OffsRect(aRect, 1, 1);
  const Integer m = blurSize + 4;
  const Integer maskW = textRect.Width() + 2 * m, maskH = textRect.Height() + 2 * m;
  if (maskW <= 0 || maskH <= 0) return;
  if (!maskBmp || maskBmp->Width() != maskW || maskBmp->Height() != maskH) {
    if (!maskBmp) maskBmp.reset(CreateBmp32(0, 0));
    // A grey palette: the mask's bytes are its grey levels, 255 without text, 0 under it.
    maskBmp->SetPixelFormat(pf8bit);
    maskBmp->SetColorTable(GreyTable());
    maskBmp->SetSize(maskW, maskH);
    TCanvas* canvas = maskBmp->Canvas();
    canvas->Font()->Assign(dstBmp->Canvas()->Font());
    canvas->Font()->SetColor(clBlack);
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(TRect(0, 0, maskW, maskH));
    canvas->Brush()->SetStyle(bsClear);
    HDC dc = canvas->Handle();
    SetBkMode(dc, TRANSPARENT);
    const TRect r(m, m, m + textRect.Width(), m + textRect.Height());
    for (Cardinal bit = 0; bit < 4; ++bit) {
      if (!(side & (1u << bit))) continue;
      TRect moved = OffsRect(r, kOutlineShift[bit].X, kOutlineShift[bit].Y);
      kvDrawText(dc, text, moved, flags & ~DT_ALPHATEXT);
    }
    TRect plain = r;
    kvDrawText(dc, text, plain, flags & ~DT_ALPHATEXT);
    Blur8(maskBmp.get(), blurSize);
  }
  ApplyGlowMask(ViewOf(dstBmp), ByteViewOf(maskBmp.get()), TPoint(textRect.Left - m, textRect.Top - m),
                ColorToRGB(color));
}

String CutText(TCanvas* canvas, const String& text, Integer maxLength) {
  if (!canvas || maxLength <= 0) return {};
  String result = text;
  if (canvas->TextWidth(result) <= maxLength) return result;
  const String dots = u"...";
  while (!result.empty()) {
    result.pop_back();
    if (!result.empty() && result.back() >= 0xD800 && result.back() <= 0xDBFF) result.pop_back();  // whole pairs
    if (canvas->TextWidth(result + dots) <= maxLength) break;
  }
  return result.empty() ? result : result + dots;
}

Integer kvTextWidth(TCanvas* canvas, const String& text) { return canvas->TextExtent(text).cx; }
TSize kvTextExtent(TCanvas* canvas, const String& text) { return canvas->TextExtent(text); }
void kvTextRect(TCanvas* canvas, const TRect& rect, Integer x, Integer y, const String& text) {
  canvas->TextRect(rect, x, y, text);
}

bool kvGetTextExtentW(HDC dc, const String& str, TSize& size, HFONT font) {
  auto measure = [&](HDC d) {
    SIZE s{};
    const bool ok = GetTextExtentPoint32W(d, reinterpret_cast<LPCWSTR>(str.c_str()), static_cast<int>(str.size()), &s);
    size = TSize(s.cx, s.cy);
    return ok;
  };
  if (dc) return measure(dc);
  return WithScreenFont(font, measure);
}

bool kvGetTextExtent(HDC dc, const String& str, TSize& size, HFONT font) {
  return kvGetTextExtentW(dc, str, size, font);
}

void kvPaintLine(HDC dc, Integer x1, Integer y1, Integer x2, Integer y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

Integer GetFontHeight(HFONT font, bool noLeading) {
  return WithScreenFont(font, [&](HDC dc) -> Integer {
    TEXTMETRICW tm{};
    if (!GetTextMetricsW(dc, &tm)) return 0;
    return noLeading ? tm.tmHeight - tm.tmInternalLeading - tm.tmExternalLeading : tm.tmHeight + 6;
  });
}

TSize GetStringSize(HFONT font, const String& text, Cardinal flags, bool wrapText, Integer maxWidth, bool isItalic) {
  return WithScreenFont(font, [&](HDC dc) {
    auto measure = [&](const String& s) {
      if (wrapText) {
        TRect r(0, 0, maxWidth, 0);
        kvDrawText(dc, s, r, flags | DT_CALCRECT | DT_WORDBREAK, nullptr);
        return TSize(r.Width(), r.Height());
      }
      SIZE sz{};
      if (!GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(s.c_str()), static_cast<int>(s.size()), &sz))
        return TSize();
      return TSize(sz.cx, sz.cy);
    };
    TSize size = measure(text);
    if (isItalic) size.cx += measure(u"I").cx;
    return size;
  });
}
