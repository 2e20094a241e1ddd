// Skin images prepared for a PPI: rescaling with sharp borders and surviving fuchsia keys, the
// corner test of border images and the point test of the button, generated outer images, and
// the mirroring of the caption glyphs for right-to-left layouts.
//
// Sections:
//   1. Rescaling (ScaleMaskData)
//   2. Corners and the point test
//   3. Outer images and their colour layer
//   4. Mirroring
#include <algorithm>
#include <set>
#include <utility>

#include "base/WorkingBitmaps.h"
#include "raster/Blend.h"
#include "raster/MaskImages.h"
#include "raster/Resampling.h"
#include "raster/sGradient.h"
#include "skin/sSkinManagerLoader.h"

namespace {

constexpr uint32_t kKey = uint32_t(sFuchsia);  // fuchsia with alpha 0
constexpr uint32_t kWhite = 0x00FFFFFF;

// A colour value (red in the low byte) as a pixel with alpha 0.
uint32_t PixelOf(TColor c) { return (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF); }

std::unique_ptr<TBitmap> NewBmp32(Integer w, Integer h) { return std::unique_ptr<TBitmap>(CreateBmp32(w, h)); }

// A copy of w x h pixels of src at (x, y) into a new 32-bit bitmap (pixels outside src stay 0).
std::unique_ptr<TBitmap> CopyBlock(TBitmap* src, Integer x, Integer y, Integer w, Integer h) {
  auto out = NewBmp32(w, h);
  CopyPixels(ViewOf(out.get()), 0, 0, ViewOf(src), TRect(x, y, x + w, y + h));
  return out;
}

}  // namespace

// ---- 1. Rescaling ---------------------------------------------------------------------------------

std::unique_ptr<TBitmap> ScaleMaskData(TsMaskData& md, TBitmap* source, bool ignoreFuchsia, TColor mainColor) {
  if (md.MulPPi == md.DivPPI || md.DivPPI <= 0 || md.MulPPi <= 0 || !source) return nullptr;
  const Integer count = std::max<Integer>(1, md.ImageCount);
  Int64 height = md.R.Height();
  Int64 width = md.R.Width();
  const Integer w1 = Integer(width / count);
  const Integer h1 = Integer(md.MaskType != 0 ? height / 2 : height);
  if (md.WL + md.WR == 2 || md.WT + md.WB == 2 || h1 < 3 || w1 < 3) return nullptr;
  const bool withMask = md.MaskType != 0;
  const bool keepAlpha = (md.DrawMode & BDM_ALPHA) != 0 || ignoreFuchsia;
  const uint32_t main = PixelOf(mainColor);

  // The new size first: a rescale that would not fit in memory leaves the image as it is.
  const Int64 newH = withMask ? (height / 2) * md.MulPPi / md.DivPPI * 2 : height * md.MulPPi / md.DivPPI;
  const Int64 newW = (Int64(md.MulPPi) * w1 / md.DivPPI) * count;
  if (newW <= 0 || newH <= 0 || newW * newH > kMaxTempPixels) return nullptr;

  auto a = CopyBlock(source, md.R.Left, md.R.Top, Integer(width), h1);
  const TPixelView av = ViewOf(a.get());
  std::unique_ptr<TBitmap> m;
  if (withMask) {
    m = CopyBlock(source, md.R.Left, md.R.Top + h1, Integer(width), h1);
    const TPixelView mv = ViewOf(m.get());
    const auto inCorner = [&](Integer x, Integer y) {
      const bool left = x < md.WL, right = x >= w1 - md.WR && x < w1;
      const bool top = y < md.WT, bottom = y >= h1 - md.WB;
      return (left || right) && (top || bottom) && x < w1;
    };
    for (Integer y = 0; y < av.Height; ++y)
      for (Integer x = 0; x < av.Width; ++x) {
        if (inCorner(x, y) && av.At(x, y) == kKey) {
          av.At(x, y) = main;
          mv.At(x, y) = kWhite;
        } else if (mv.At(x, y) == kKey) {
          mv.At(x, y) = kWhite;
        }
      }
  } else if (!keepAlpha) {
    for (Integer y = 0; y < av.Height; ++y)
      for (Integer x = 0; x < av.Width; ++x)
        if (av.At(x, y) == kKey) av.At(x, y) = main;
  }

  auto bmp = NewBmp32(Integer(newW), Integer(newH));
  const TPixelView bv = ViewOf(bmp.get());
  if (withMask) {
    const Integer half = Integer(newH / 2);
    auto a2 = NewBmp32(Integer(newW), half);
    auto m2 = NewBmp32(Integer(newW), half);
    StretchView(av, ViewOf(a2.get()), ftMitchell);
    StretchView(ViewOf(m.get()), ViewOf(m2.get()), ftMitchell);
    const TPixelView a2v = ViewOf(a2.get());
    for (Integer y = 0; y < a2v.Height; ++y)
      for (Integer x = 0; x < a2v.Width; ++x)
        if (PixA(a2v.At(x, y)) < 100) a2v.At(x, y) = kKey;
    CopyPixels(bv, 0, 0, a2v, TRect(0, 0, a2v.Width, a2v.Height));
    CopyPixels(bv, 0, half, ViewOf(m2.get()), TRect(0, 0, a2v.Width, a2v.Height));
  } else {
    StretchView(av, bv, ftMitchell);
    if (!keepAlpha)
      for (Integer y = 0; y < bv.Height; ++y)
        for (Integer x = 0; x < bv.Width; ++x) {
          uint32_t& p = bv.At(x, y);
          p = PixA(p) >= 90 ? (p | 0xFF000000u) : kKey;
        }
  }

  md.Bmp = bmp.get();
  md.R = TRect(0, 0, Integer(newW), Integer(newH));
  md.Width = Integer(newW) / count;
  md.Height = (md.DrawMode & BDM_ALPHA) ? Integer(newH) : Integer(newH) / std::max<Integer>(1, md.MaskType + 1);
  const Integer wl = kvMulDiv(md.WL, md.MulPPi, md.DivPPI);
  const Integer wt = kvMulDiv(md.WT, md.MulPPi, md.DivPPI);
  md.WL = int16_t(std::clamp<Integer>(wl, 0, INT16_MAX));
  md.WT = int16_t(std::clamp<Integer>(wt, 0, INT16_MAX));
  md.WR =
      int16_t(std::clamp<Integer>(std::min(kvMulDiv(md.WR, md.MulPPi, md.DivPPI), md.Width - md.WL - 1), 0, INT16_MAX));
  md.WB = int16_t(
      std::clamp<Integer>(std::min(kvMulDiv(md.WB, md.MulPPi, md.DivPPI), md.Height - md.WT - 1), 0, INT16_MAX));
  return bmp;
}

// ---- 2. Corners and the point test -------------------------------------------------------------------

Integer CornerTypeOf(const TsMaskData& md, TBitmap* bmp) {
  if (md.R.Height() <= 0 || md.ImageCount <= 0) return 0;
  const TPixelView v = ViewOf(bmp);
  if (v.Empty()) return 0;
  const bool alphaKey = (md.DrawMode & BDM_ALPHA) != 0;
  const Integer sw = md.R.Width() / md.ImageCount;  // the state width, also as the stride
  const Integer sh = md.R.Height() / std::max<Integer>(1, md.MaskType + 1);
  const auto transparentIn = [&](Integer x0, Integer x1, Integer y0, Integer y1) {
    // The last column and row of the bitmap are never examined.
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, v.Width - 1);
    y1 = std::min(y1, v.Height - 1);
    for (Integer y = y0; y < y1; ++y)
      for (Integer x = x0; x < x1; ++x) {
        const uint32_t p = v.At(x, y);
        if (alphaKey ? PixA(p) == 0 : p == kKey) return true;
      }
    return false;
  };
  const Integer top = md.R.Top;
  for (Integer k = 0; k < md.ImageCount; ++k) {
    const Integer x0 = md.R.Left + k * sw;
    if (transparentIn(x0, x0 + md.WL, top, top + md.WT) || transparentIn(x0 + sw - md.WR, x0 + sw, top, top + md.WT) ||
        transparentIn(x0, x0 + md.WL, top + sh - md.WB, top + sh) ||
        transparentIn(x0 + sw - md.WR, x0 + sw, top + sh - md.WB, top + sh))
      return 1;
  }
  return 0;
}

Integer DuRiruZireziv::GetCornerType(const TsMaskData& md) const {
  return CornerTypeOf(md, md.Bmp ? md.Bmp : MasterBitmap.get());
}

bool PtIsTransparent(Integer x, Integer y, const TsMaskData& mask, Integer width, Integer height) {
  if (!mask.Bmp) return false;
  if (x < 0 || y < 0 || x >= width || y >= height) return false;  // outside the area the image covers
  const bool inCornerX = x <= mask.WL || x >= width - mask.WR;
  const bool inCornerY = y <= mask.WT || y >= height - mask.WB;
  if (!inCornerX || !inCornerY) return false;
  Integer col = x, row = y;
  if (x >= width - mask.WR) col = x + mask.Width - width;
  if (y >= height - mask.WB) row = y + mask.Height - height;
  // Only the first state picture: a point that maps outside it is not transparent.
  if (col < 0 || row < 0 || col >= mask.Width || row >= mask.Height) return false;
  const TPixelView v = ViewOf(mask.Bmp);
  const Integer px = mask.R.Left + col, py = mask.R.Top + row;
  if (px < 0 || py < 0 || px >= v.Width || py >= v.Height) return false;
  const uint32_t p = v.At(px, py);
  return (mask.Cfg & 1) ? p == kKey : PixA(p) == 0;
}

// ---- 3. Outer images ----------------------------------------------------------------------------------

std::unique_ptr<TBitmap> MakeShadowBitmap(TColor color, Integer radius, Integer offset, Integer bodyHeight,
                                          Integer bodyWidth, Integer blurSize, bool maskMode, bool doUpdateAlpha) {
  const TSize size = ShadowSize(radius, offset, bodyHeight, bodyWidth);
  if (Int64(size.cx) * size.cy > kMaxTempPixels) return NewBmp32(0, 0);
  auto bmp = NewBmp32(size.cx, size.cy);
  MakeShadowView(ViewOf(bmp.get()), color, radius, offset, bodyHeight, bodyWidth, blurSize, maskMode);
  if (doUpdateAlpha && !bmp->Empty()) UpdateAlpha(bmp.get());
  return bmp;
}

namespace {

// Fills a triangle with its edges (as a polygon drawn with a pen and a brush of one colour).
void FillTriangle(const TPixelView& v, TPoint a, TPoint b, TPoint c, uint32_t pixel) {
  const Integer y0 = std::max(0, std::min({a.Y, b.Y, c.Y}));
  const Integer y1 = std::min(v.Height - 1, std::max({a.Y, b.Y, c.Y}));
  const TPoint pts[3] = {a, b, c};
  for (Integer y = y0; y <= y1; ++y) {
    double xmin = 1e9, xmax = -1e9;
    for (int e = 0; e < 3; ++e) {
      const TPoint p = pts[e], q = pts[(e + 1) % 3];
      if ((y < p.Y && y < q.Y) || (y > p.Y && y > q.Y)) continue;
      if (p.Y == q.Y) {
        xmin = std::min<double>({xmin, double(p.X), double(q.X)});
        xmax = std::max<double>({xmax, double(p.X), double(q.X)});
      } else {
        const double x = p.X + double(q.X - p.X) * (y - p.Y) / double(q.Y - p.Y);
        xmin = std::min(xmin, x);
        xmax = std::max(xmax, x);
      }
    }
    if (xmin > xmax) continue;
    const Integer from = std::max(0, Integer(xmin + 0.5)), to = std::min(v.Width - 1, Integer(xmax + 0.5));
    for (Integer x = from; x <= to; ++x) v.At(x, y) = pixel;
  }
}

}  // namespace

void PaintMainLayer(TBitmap* bmp, const TRect& r, TColor colorL, TColor colorT, TColor colorR, TColor colorB) {
  const TPixelView v = ViewOf(bmp);
  if (v.Empty()) return;
  if ((colorT & 0xFFFFFF) == 0xFF00FF) {
    FillRect32(v, r, colorL, 255);
    return;
  }
  const Integer h = r.Height(), w = r.Width();
  // Plain brush fills leave alpha 0, as GDI does on a 32-bit bitmap.
  FillRect32(v, TRect(r.Left, r.Top + h / 2, r.Right, r.Top + h), colorB, 0);
  FillRect32(v, TRect(r.Left, r.Top, r.Right, r.Top + h / 2), colorT, 0);
  const auto at = [&](Integer x, Integer y) { return TPoint(r.Left + x, r.Top + y); };
  FillTriangle(v, at(0, 1), at(w / 2 - 1, h / 2), at(0, h - 2), PixelOf(colorL));
  FillTriangle(v, at(w - 1, 1), at(w / 2 + 1, h / 2), at(w - 1, h - 2), PixelOf(colorR));
}

void PrepareOuter(TkvSkinData& data, Integer sectionIndex) {
  TsGeneralData& s = data.gd[size_t(sectionIndex)];
  // The distances that size the mask are bounded; the section keeps its own.
  const Integer limit = ShadowSizeLimit(data);
  const Integer l = std::clamp(s.OuterOffset.Left, 0, limit), t = std::clamp(s.OuterOffset.Top, 0, limit);
  const Integer r = std::clamp(s.OuterOffset.Right, 0, limit), b = std::clamp(s.OuterOffset.Bottom, 0, limit);
  const TSize size = ShadowSize(s.OuterRadius, 0, t + b, l + r);
  ReservePixels(data, size.cx, Int64(size.cy) * 3, s.ClassName + u"-OUTER");  // the shadow, then twice it
  auto shadow = MakeShadowBitmap(TColor(s.OuterColorL), s.OuterRadius, 0, t + b, l + r, s.OuterBlur, true, true);
  if (shadow->Empty()) return;
  auto bmp = NewBmp32(shadow->Width(), shadow->Height() * 2);
  const TRect upper(0, 0, shadow->Width(), shadow->Height());
  if (s.OuterMode == 3)
    PaintMainLayer(bmp.get(), upper, TColor(s.OuterColorL), 0xFF00FF, 0xFF00FF, 0xFF00FF);
  else
    PaintMainLayer(bmp.get(), upper, TColor(s.OuterColorL), TColor(s.OuterColorT), TColor(s.OuterColorR),
                   TColor(s.OuterColorB));
  CopyPixels(ViewOf(bmp.get()), 0, shadow->Height(), ViewOf(shadow.get()), upper);

  const Integer n = data.MakeNewItem(sectionIndex, String(), s.ClassName, itisaBorder,
                                     TRect(0, 0, bmp->Width(), bmp->Height()), 1, 1, 1);
  s.OuterMask = n;
  TsMaskData& md = data.ma[size_t(n)];
  md.Bmp = bmp.get();
  md.Width = bmp->Width();
  md.Height = bmp->Height();
  md.WL = int16_t((md.Width + l - r) / 2);
  md.WR = int16_t((md.Width + r - l) / 2);
  md.WT = int16_t((shadow->Height() + t - b) / 2);
  md.WB = int16_t((shadow->Height() + b - t) / 2);
  md.Cfg = 0;
  md.DivPPI = data.PPI;
  data.AddImage(std::move(bmp), u"Outer" + IntToStr(n), s.ClassName + u"-OUTER", TRect(), TRect(), data.PPI, 1, false);
}

// ---- 4. Mirroring --------------------------------------------------------------------------------------

void FlipImage(TkvSkinData& data, const TsMaskData& md) {
  const TPixelView v = ViewOf(data.BitmapOf(md));
  if (v.Empty()) return;
  TRect r = md.R;
  if (!ClipToView(r, v)) return;
  const Integer count = std::max<Integer>(1, md.ImageCount);
  const Integer sw = md.R.Width() / count;
  for (Integer y = r.Top; y < r.Bottom; ++y)
    for (Integer k = 0; k < count; ++k) {
      const Integer x0 = md.R.Left + k * sw;
      for (Integer j = 0; j < sw / 2; ++j) {
        const Integer xa = x0 + j, xb = x0 + sw - 1 - j;
        if (xa < r.Left || xb >= r.Right) continue;
        std::swap(v.At(xa, y), v.At(xb, y));
      }
    }
}

void DuRiruZireziv::FlipImages(bool flip) {
  if (!ButtonsOptions.AllowRTLSysButtons) return;
  if (ManagerState.Contains(msRTLFlipped) == flip) return;
  if (flip)
    ManagerState.Include(msRTLFlipped);
  else
    ManagerState.Exclude(msRTLFlipped);
  // Images share pixels (several slots at one PPI, glyphs of one picture): each distinct picture
  // is mirrored once, or a second flip of the same pixels would undo the first.
  std::set<std::pair<const void*, std::array<Integer, 4>>> done;
  for (auto& slot : SkinDataArray) {
    if (!slot) continue;
    for (const TkvTitleGlyph g : {tgClose, tgMax, tgMin, tgNormal}) {
      const auto flipOnce = [&](Integer index) {
        if (index < 0 || index >= Integer(slot->ma.size())) return;
        const TsMaskData& md = slot->ma[size_t(index)];
        const void* bmp = slot->BitmapOf(md);
        if (done.insert({bmp, {md.R.Left, md.R.Top, md.R.Right, md.R.Bottom}}).second) FlipImage(*slot, md);
      };
      flipOnce(slot->TitleGlyphs[g]);
      if (!slot->TitleGlows[g].empty()) flipOnce(slot->TitleGlows[g][0]);
    }
  }
}
