#include "raster/ColorTransforms.h"

#include <algorithm>
#include <cmath>

TColor ChangeBrightness(TColor color, Integer delta) {
  if (delta == 0) return color;
  auto ch = [&](int shift) -> uint32_t {
    int64_t c = color >> shift & 0xFF;
    int64_t v = delta > 0 ? std::min<int64_t>(255, c + (int64_t(delta) * c) / 256)
                          : std::max<int64_t>(0, c - ((-int64_t(delta)) * c >> 8));
    return uint32_t(v) << shift;
  };
  return ch(0) | ch(8) | ch(16) | (color & 0xFF000000u);
}

Byte GrayOf(uint32_t p) {
  // Round(0.299 R + 0.587 G + 0.114 B) in exact integer arithmetic, halves to even.
  const int sum = 299 * PixR(p) + 587 * PixG(p) + 114 * PixB(p);
  int q = sum / 1000, rem = sum % 1000;
  if (rem > 500 || (rem == 500 && (q & 1))) ++q;
  return static_cast<Byte>(q);
}

uint32_t ChangeSaturationPixel(Integer delta, uint32_t p) {
  if (delta == 0) return p;
  const int64_t gray = GrayOf(p);
  auto ch = [&](int shift) -> uint32_t {
    int64_t v = (255 + int64_t(delta)) * (p >> shift & 0xFF) - int64_t(delta) * gray;
    return (v < 0 ? 0u : v > 65535 ? 255u : uint32_t(v >> 8)) << shift;
  };
  return ch(0) | ch(8) | ch(16) | (p & 0xFF000000u);
}

TColor ChangeSaturation(TColor color, Integer delta) {
  return delta == 0 ? color : ChangeSaturationPixel(delta, color);
}

uint32_t ChangeHuePixel(Integer delta, uint32_t p) {
  const double r = PixR(p), g = PixG(p), b = PixB(p);
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b}), d = mx - mn;
  const double v = mx, s = mx == 0 ? 0 : d / mx;
  if (s == 0) return p;  // grey or black: no hue to turn
  const double k = 60 / d;
  const double rt = mx - r * k, gt = mx - g * k, bt = mx - b * k;
  double h = r == mx ? bt - gt : g == mx ? 120 + rt - bt : 240 + gt - rt;
  if (h < 0) h += 360;
  int64_t hh = static_cast<int64_t>(std::trunc(h + delta)) % 360;
  if (hh < 0) hh += 360;
  const double hd = double(hh) / 60;
  const int i = static_cast<int>(std::trunc(hd));
  const double f = hd - i;
  auto lim = [](double x) { return std::clamp(x, 0.0, 255.0); };
  const double pp = lim(v * (1 - s)), q = lim(v * (1 - s * f)), t = lim(v * (1 - (1 - f) * s));
  double R, G, B;
  switch (i) {
    case 0:
      R = v;
      G = t;
      B = pp;
      break;
    case 1:
      R = q;
      G = v;
      B = pp;
      break;
    case 2:
      R = pp;
      G = v;
      B = t;
      break;
    case 3:
      R = pp;
      G = q;
      B = v;
      break;
    case 4:
      R = t;
      G = pp;
      B = v;
      break;
    default:
      R = v;
      G = pp;
      B = q;
      break;
  }
  return MakePix(uint32_t(std::trunc(B)), uint32_t(std::trunc(G)), uint32_t(std::trunc(R)), PixA(p));
}

TColor ChangeHue(Integer delta, TColor color) {
  return delta == 0 ? color : SwapRedBlue(ChangeHuePixel(delta, SwapRedBlue(color)));
}

uint32_t ChangeTonePixel(uint32_t p, TColor tone) {
  const uint32_t m = std::max({PixR(p), PixG(p), PixB(p)});
  return MakePix(((tone >> 16 & 0xFF) * m) >> 8, ((tone >> 8 & 0xFF) * m) >> 8, ((tone & 0xFF) * m) >> 8, PixA(p));
}

TColor ChangeTone(TColor color, TColor tone) { return ChangeTonePixel(color, tone); }

void ChangeBitmapPixels(const TPixelView& v, TPixelChangeProc proc, Integer param, uint64_t skipPixel) {
  if (v.Empty() || !proc) return;
  for (Integer y = 0; y < v.Height; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = 0; x < v.Width; ++x)
      if (row[x] != skipPixel) proc(row[x], param);
  }
}

void ChangeBitmapPixels(TBitmap* bmp, TPixelChangeProc proc, Integer param, TColor skipColor) {
  ChangeBitmapPixels(ViewOf(bmp), proc, param, skipColor == clNone ? kNoSkipPixel : SwapRedBlue(skipColor));
}

void ChangeColorBrightness(uint32_t& p, Integer param) { p = ChangeBrightness(p, param); }
void ChangeColorSaturation(uint32_t& p, Integer param) { p = ChangeSaturationPixel(param, p); }
void ChangeColorHUE(uint32_t& p, Integer param) { p = ChangeHuePixel(param, p); }
void ChangeColorTone(uint32_t& p, Integer param) { p = ChangeTonePixel(p, static_cast<TColor>(param)); }
void MakeAlphaPixel(uint32_t& p, Integer) { p |= 0xFF000000u; }

void GrayScale(const TPixelView& v, uint64_t skipPixel) {
  if (v.Empty()) return;
  for (Integer y = 0; y < v.Height; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = 0; x < v.Width; ++x) {
      if (row[x] == skipPixel) continue;
      uint32_t g = GrayOf(row[x]);
      row[x] = MakePix(g, g, g, PixA(row[x]));
    }
  }
}
void GrayScale(TBitmap* bmp) { GrayScale(ViewOf(bmp)); }
void GrayScaleTrans(TBitmap* bmp, TColor transColor) { GrayScale(ViewOf(bmp), SwapRedBlue(transColor)); }

void SetBmp32Pixels(TBitmap*& bmp) {
  if (bmp) bmp->SetPixelFormat(pf32bit);
}
