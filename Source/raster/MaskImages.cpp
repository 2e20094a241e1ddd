// Skin images on 32-bit bitmaps: kernels on TPixelView and their TBitmap forms.
//
// Sections
//   1. Helpers: coordinates of hostile skins, tile walks
//   2. Dezev channel
//   3. Copy and stretch primitives of masked images, glyphs
//   4. The nine-part renderer
//   5. Rounded corners
//   6. Texture tiling and transparent-pixel fills
//   7. Corner refresh of a control's cache
//   8. TBitmap forms of the stretch primitives
#include "raster/MaskImages.h"

#include <algorithm>
#include <cstring>

#include "base/kvntUtils.h"
#include "raster/Blend.h"
#include "raster/Resampling.h"
#ifdef _WIN32
#include "base/Composition.h"
#endif

namespace {

// ---- 1. Helpers -----------------------------------------------------------------------------------

constexpr int64_t kFar = kFarCoordinate;
Integer Near(int64_t v) { return NearCoordinate(v); }
TRect Rc(int64_t l, int64_t t, int64_t r, int64_t b) { return {Near(l), Near(t), Near(r), Near(b)}; }
int64_t W(const TRect& r) { return int64_t(r.Right) - r.Left; }
int64_t H(const TRect& r) { return int64_t(r.Bottom) - r.Top; }
// Inclusive form of an exclusive rectangle (the key-colour and alpha copies take those).
TRect Incl(const TRect& r) { return {r.Left, r.Top, r.Right - 1, r.Bottom - 1}; }

// Lays tiles of length `tile` along [start, end): f(pos, len) for each whole tile while it
// ends before the strip's end, then for the remaining piece. Whole tiles are laid only when
// the tile is at least one pixel long, so a tile without pixels never loops; tiles that lie
// wholly before `visibleLo` or from `visibleHi` on are skipped (they cannot paint anything).
template <class F>
void LayTiles(int64_t start, int64_t end, int64_t tile, int64_t visibleLo, int64_t visibleHi, F f) {
  if (end <= start) return;
  int64_t pos = start;
  if (tile >= 1) {
    const int64_t whole = end - start > tile ? (end - start - 1) / tile : 0;
    int64_t k = visibleLo > start ? std::min(whole, (visibleLo - start) / tile) : 0;
    for (pos = start + k * tile; k < whole; ++k, pos += tile) {
      if (pos >= visibleHi) return;
      f(pos, tile);
    }
  }
  if (pos < end && pos < visibleHi) f(pos, end - pos);
}

}  // namespace

// ---- 2. Dezev channel ------------------------------------------------------------------------------

void UpdateAlpha(const TPixelView& v, const TRect& r, bool compositionOn) {
  if (v.Empty()) return;
  const Integer l = std::max(r.Left, 0), t = std::max(r.Top, 0), rr = std::min(r.Right, v.Width),
                b = std::min(r.Bottom, v.Height);
  for (Integer y = t; y < b; ++y) {
    uint32_t* row = v.Row(y);
    for (Integer x = l; x < rr; ++x) {
      const uint32_t p = row[x];
      if (p == 0x00FFFFFFu) {  // white of alpha 0: the rule below gives 0 too, only faster
        row[x] = 0;
        continue;
      }
      const uint32_t a = PixA(p);
      uint32_t cb = (PixB(p) * a) >> 8, cg = (PixG(p) * a) >> 8, cr = (PixR(p) * a) >> 8;
      if (!compositionOn && PixB(p) > bLimit && PixG(p) > bLimit && PixR(p) > bLimit) {
        cb = std::min<uint32_t>(cb, bLimit);
        cg = std::min<uint32_t>(cg, bLimit);
        cr = std::min<uint32_t>(cr, bLimit);
      }
      row[x] = MakePix(cb, cg, cr, a);
    }
  }
}

namespace {
bool CompositionOn() {
#ifdef _WIN32
  return AeroIsEnabled();
#else
  return true;  // no desktop to composite here: the plain premultiplication
#endif
}
}  // namespace

void UpdateAlpha(TBitmap* img) {
  TPixelView v = ViewOf(img);
  UpdateAlpha(v, {0, 0, v.Width, v.Height}, CompositionOn());
}
void UpdateAlpha(TBitmap* img, const TRect& r) { UpdateAlpha(ViewOf(img), r, CompositionOn()); }

// ---- 3. Copy and stretch primitives ----------------------------------------------------------------

void CopyMasterRect(const TRect& r1, const TRect& r2, const TPixelView& dst, const TPixelView& src, const TBackdrop& ci,
                    Integer maskOffset) {
  if (dst.Empty() || src.Empty()) return;
  TPixelBlock b = ClipExtents(r1, r2, dst.Width, dst.Height, src.Width, src.Height);
  // The mask rows must lie inside the source too.
  const int64_t maskRow = int64_t(b.SrcY) + maskOffset;
  if (maskRow < 0) return;
  b.Height = static_cast<Integer>(std::min<int64_t>(b.Height, src.Height - maskRow));
  if (b.Empty()) return;
  const bool noFill = ci.FillColor == clFuchsia;
  const uint32_t fill = SwapRedBlue(ci.FillColor);
  for (Integer y = 0; y < b.Height; ++y) {
    uint32_t* d = dst.Row(b.DstY + y) + b.DstX;
    const uint32_t* s = src.Row(b.SrcY + y) + b.SrcX;
    const uint32_t* m = src.Row(static_cast<Integer>(maskRow) + y) + b.SrcX;
    for (Integer x = 0; x < b.Width; ++x) {
      const uint32_t sp = s[x];
      if (sp != kKeyPixel) {
        const uint32_t dp = d[x], mp = m[x];
        d[x] = MakePix(MixByte(PixB(sp), PixB(dp), PixB(mp)), MixByte(PixG(sp), PixG(dp), PixG(mp)),
                       MixByte(PixR(sp), PixR(dp), PixR(mp)), PixA(dp));
      } else if (!noFill) {
        d[x] = fill;
      } else if (ci.Ready) {
        if (const uint32_t* bg = ci.At(b.DstX + x, b.DstY + y)) d[x] = *bg;
      }
    }
  }
}

void CopyByMask32(const TRect& r1, const TRect& r2, const TPixelView& dst, const TPixelView& src, const TBackdrop& ci,
                  Integer maskOffset, Integer opacity) {
  if (dst.Empty() || src.Empty()) return;
  const TPixelBlock b = ClipExtents(r1, r2, dst.Width, dst.Height, src.Width, src.Height);
  if (b.Empty()) return;
  const Integer maskTop =
      static_cast<Integer>(std::clamp<int64_t>(int64_t(b.SrcY) + maskOffset, 0, int64_t(src.Height) - b.Height));
  const bool parent = ci.Ready && !ci.View.Empty();
  // With a parent picture the block keeps to its rows: no more rows than the parent has, and
  // the rows that lie above it are left out in picture, mask and target alike.
  Integer firstRow = 0, rows = b.Height;
  if (parent) {
    rows = std::min(rows, ci.View.Height);
    const int64_t parentTop = int64_t(b.DstY) + ci.Y;
    if (parentTop < 0) firstRow = static_cast<Integer>(std::min<int64_t>(-parentTop, rows));
  }
  const bool weighted = opacity <= 255;
  const int op = std::clamp(opacity, 0, 255);
  for (Integer y = firstRow; y < rows; ++y) {
    uint32_t* d = dst.Row(b.DstY + y) + b.DstX;
    const uint32_t* s = src.Row(b.SrcY + y) + b.SrcX;
    const uint32_t* mr = src.Row(maskTop + y) + b.SrcX;
    for (Integer x = 0; x < b.Width; ++x) {
      const uint32_t sp = s[x], dp = d[x];
      if (sp == kKeyPixel) {
        if (parent) {
          if (const uint32_t* bg = ci.At(b.DstX + x, b.DstY + y)) d[x] = *bg;
        } else {
          d[x] = dp & 0xFFFFFF;
        }
        continue;
      }
      const int m = PixR(mr[x]);
      const uint32_t alpha = std::max<uint32_t>(PixA(dp), 255u - m);
      if (weighted) {
        const int a = ((255 - m) * op) >> 8;
        auto ch = [&](int sh) { return ((dp >> sh & 0xFF) * (255u - a) + (sp >> sh & 0xFF) * uint32_t(a)) >> 8; };
        d[x] = MakePix(ch(0), ch(8), ch(16), alpha);
      } else {
        auto ch = [&](int sh) { return ((dp >> sh & 0xFF) * uint32_t(m) + (sp >> sh & 0xFF) * (255u - m)) >> 8; };
        d[x] = MakePix(ch(0), ch(8), ch(16), alpha);
      }
    }
  }
}

void StretchBltMask(TMaskStretch kind, Integer dstX, Integer dstY, Integer dstW, Integer dstH, Integer srcX,
                    Integer srcY, Integer srcW, Integer srcH, const TPixelView& dst, const TPixelView& src,
                    Integer maskOffset, Integer opacity, bool noStdStretch) {
  if (dst.Empty() || src.Empty()) return;
  if (dstX < 0 || dstY < 0 || dstW < 1 || dstH < 1 || dst.Width < 2 || dst.Height < 2) return;
  const TRect dstRect = Rc(dstX, dstY, int64_t(dstX) + dstW, int64_t(dstY) + dstH);
  const TRect srcRect = Rc(srcX, srcY, int64_t(srcX) + srcW, int64_t(srcY) + srcH);
  if (maskOffset == 0) {
    StretchNearest(dst, dstRect, src, srcRect);
    return;
  }
  // The picture and its mask must both lie inside the source.
  const int64_t maskY = int64_t(srcY) + maskOffset;
  if (srcW < 1 || srcH < 1 || srcX < 0 || srcY < 0 || int64_t(srcX) + srcW > src.Width ||
      int64_t(srcY) + srcH > src.Height || maskY < 0 || maskY + srcH > src.Height)
    return;
  const int op = std::clamp(opacity, 0, 255);
  const Integer cols = static_cast<Integer>(std::min<int64_t>(dstW, int64_t(dst.Width) - dstX));
  const Integer rows = static_cast<Integer>(std::min<int64_t>(dstH, int64_t(dst.Height) - dstY));
  if (cols <= 0 || rows <= 0) return;

  if (noStdStretch && srcW == 1 && srcH == 1) {
    const uint32_t c = src.At(srcX, srcY);
    const int m = PixR(src.At(srcX, static_cast<Integer>(maskY)));
    if (m == 0) {
      FillRect32(dst, dstRect, SwapRedBlue(c), 255);
      return;
    }
    if (m == 255) return;
    for (Integer y = 0; y < rows; ++y) {
      uint32_t* d = dst.Row(dstY + y) + dstX;
      for (Integer x = 0; x < cols; ++x) {
        const uint32_t dp = d[x];
        switch (kind) {
          case TMaskStretch::Plain: {
            auto ch = [&](int sh) { return ((dp >> sh & 0xFF) * uint32_t(m) + (c >> sh & 0xFF) * (256u - m)) >> 8; };
            d[x] = MakePix(ch(0), ch(8), ch(16), PixA(dp));
            break;
          }
          case TMaskStretch::Alpha32: {
            const uint32_t k = std::min<uint32_t>(m, PixA(dp));
            auto ch = [&](int sh) { return ((dp >> sh & 0xFF) * k + (c >> sh & 0xFF) * (255u - k)) >> 8; };
            d[x] = MakePix(ch(0), ch(8), ch(16), std::max<uint32_t>(PixA(dp), 255u - m));
            break;
          }
          case TMaskStretch::Alpha32Ex: {
            const uint32_t a = ((255u - m) * op) >> 8;
            auto ch = [&](int sh) { return ((dp >> sh & 0xFF) * (255u - a) + (c >> sh & 0xFF) * a) >> 8; };
            const uint32_t da = PixA(dp);
            d[x] = MakePix(ch(0), ch(8), ch(16),
                           da == 0     ? 255u - m
                           : da == 255 ? 255u
                                       : std::max<uint32_t>(da, 255u - m));
            break;
          }
        }
      }
    }
    return;
  }

  if (int64_t(dstW) * dstH > kMaxTempPixels) return;
  std::vector<uint32_t> picMem(size_t(dstW) * dstH), mskMem(size_t(dstW) * dstH);
  TPixelView pic{reinterpret_cast<Byte*>(picMem.data()), dstW * 4, dstW, dstH};
  TPixelView msk{reinterpret_cast<Byte*>(mskMem.data()), dstW * 4, dstW, dstH};
  const bool filtered =
      ((srcW > dstW && srcH == dstH) || (srcW == dstW && srcH > dstH) || noStdStretch) && dstW > 1 && dstH > 1;
  if (filtered) {
    StretchRectView(src, srcX, srcY, srcW, srcH, pic, ftMitchell);
    StretchRectView(src, srcX, static_cast<Integer>(maskY), srcW, srcH, msk,
                    kind == TMaskStretch::Plain ? ftMitchell : ftHermite);
  } else {
    StretchNearest(pic, {0, 0, dstW, dstH}, src, srcRect);
    StretchNearest(msk, {0, 0, dstW, dstH}, src, Rc(srcX, maskY, int64_t(srcX) + srcW, maskY + srcH));
  }
  for (Integer y = 0; y < rows; ++y) {
    uint32_t* d = dst.Row(dstY + y) + dstX;
    const uint32_t* s = pic.Row(y);
    const uint32_t* mm = msk.Row(y);
    for (Integer x = 0; x < cols; ++x) {
      const uint32_t dp = d[x], sp = s[x], mp = mm[x];
      switch (kind) {
        case TMaskStretch::Plain:
          d[x] = MakePix(MixByte(PixB(sp), PixB(dp), PixB(mp)), MixByte(PixG(sp), PixG(dp), PixG(mp)),
                         MixByte(PixR(sp), PixR(dp), PixR(mp)), 255);
          break;
        case TMaskStretch::Alpha32: {
          const uint32_t m = PixR(mp);
          if (m == 0) {
            d[x] = sp | 0xFF000000u;
          } else if (m != 255) {
            auto ch = [&](int sh) { return ((dp >> sh & 0xFF) * m + (sp >> sh & 0xFF) * (255u - m)) >> 8; };
            d[x] = MakePix(ch(0), ch(8), ch(16), std::max<uint32_t>(PixA(dp), 255u - m));
          }
          break;
        }
        case TMaskStretch::Alpha32Ex: {
          const uint32_t m = PixR(mp);
          if (m == 255) break;
          const uint32_t a = m == 0 ? uint32_t(op) : ((255u - m) * op) >> 8;
          auto ch = [&](int sh) { return ((dp >> sh & 0xFF) * (255u - a) + (sp >> sh & 0xFF) * a) >> 8; };
          const uint32_t da = PixA(dp);
          const uint32_t alpha = m == 0      ? std::max<uint32_t>(da, (PixA(mp) * uint32_t(op)) >> 8)
                                 : da == 0   ? a
                                 : da == 255 ? 255u
                                             : std::max<uint32_t>(da, 255u - m);
          d[x] = MakePix(ch(0), ch(8), ch(16), alpha);
          break;
        }
      }
    }
  }
}

void BlendGlyphByMask(const TRect& r1, const TRect& r2, const TPixelView& dst, const TPixelView& src,
                      Integer transparencyMode, const TMaskImage& img) {
  if (dst.Empty() || src.Empty()) return;
  if (img.MaskType == 0 && !(img.DrawMode & BDM_ALPHA)) {
    CopyTransRectA(dst, src, r1.Left, r1.Top, r2, clFuchsia, transparencyMode == 1 ? 0 : 180);
    return;
  }
  // Both rectangles start inside their bitmaps (the glyph painter clips at left and top).
  if (r1.Left < 0 || r1.Top < 0 || r2.Left < 0 || r2.Top < 0) return;
  int64_t rows = std::min({H(r1), H(r2), int64_t(dst.Height) - r1.Top - 1}) + 1;
  int64_t cols = std::min({W(r1), W(r2), int64_t(dst.Width) - r1.Left - 1}) + 1;
  cols = std::min<int64_t>(cols, int64_t(src.Width) - r2.Left);
  rows = std::min<int64_t>(rows, int64_t(src.Height) - r2.Top);
  const bool faint = transparencyMode != 1;
  if (img.MaskType != 0) {
    const int64_t offset = H(img.R) / (int64_t(img.MaskType) + 1);
    // The mask rows stay inside the source; nothing when even the first cannot.
    rows = std::min<int64_t>(rows, int64_t(src.Height) - r2.Top - offset);
    if (offset < 0) return;
    for (int64_t y = 0; y < rows; ++y) {
      uint32_t* d = dst.Row(static_cast<Integer>(r1.Top + y)) + r1.Left;
      const uint32_t* s = src.Row(static_cast<Integer>(r2.Top + y)) + r2.Left;
      const uint32_t* m = src.Row(static_cast<Integer>(r2.Top + offset + y)) + r2.Left;
      for (int64_t x = 0; x < cols; ++x) {
        const uint32_t sp = s[x], mp = m[x];
        uint32_t dp = d[x];
        if (sp != kKeyPixel && PixR(mp) != 255) {
          auto ch = [&](int sh) {
            uint32_t w = mp >> sh & 0xFF;
            if (faint) w = std::min<uint32_t>(w + 100, 255);
            return ((dp >> sh & 0xFF) * w + (sp >> sh & 0xFF) * (256u - w)) >> 8;
          };
          dp = MakePix(ch(0), ch(8), ch(16), PixA(dp));
        }
        const uint32_t da = PixA(dp);
        d[x] = (dp & 0xFFFFFF) | (da + (((255u - da) * (255u - PixR(mp))) >> 8)) << 24;
      }
    }
    return;
  }
  for (int64_t y = 0; y < rows; ++y) {
    uint32_t* d = dst.Row(static_cast<Integer>(r1.Top + y)) + r1.Left;
    const uint32_t* s = src.Row(static_cast<Integer>(r2.Top + y)) + r2.Left;
    for (int64_t x = 0; x < cols; ++x) {
      const uint32_t sp = s[x], dp = d[x];
      uint32_t w = 255u - PixA(sp);
      if (faint) w = std::min<uint32_t>(w + 100, 255);
      auto ch = [&](int sh) { return ((dp >> sh & 0xFF) * w + (sp >> sh & 0xFF) * (256u - w)) >> 8; };
      const uint32_t da = PixA(dp);
      d[x] = MakePix(ch(0), ch(8), ch(16), da + ((255u - da) * PixA(sp)) / 256);
    }
  }
}

void DrawSkinGlyph(const TPixelView& dst, TPoint p, Integer state, Integer addedTransparency, const TMaskImage& img,
                   bool ownBitmap, const TBackdrop& ci, bool ciIsDst) {
  if (dst.Empty() || img.Src.Empty() || img.ImageCount < 1) return;
  const Integer s = std::clamp(state, 0, img.ImageCount - 1);
  const int64_t ox = img.R.Left + int64_t(s) * img.Width, oy = img.R.Top;
  const int64_t cx = p.X < 0 ? -int64_t(p.X) : 0, cy = p.Y < 0 ? -int64_t(p.Y) : 0;
  const TRect r1 = Rc(p.X + cx, p.Y + cy, int64_t(p.X) + img.Width - 1, int64_t(p.Y) + img.Height - 1);
  const TRect r2 = Rc(ox + cx, oy + cy, ox + img.Width - 1, oy + img.Height - 1);
  if (ownBitmap) {
    if (img.Src.Width < img.R.Right || img.Src.Height < img.R.Bottom) return;
    BlendGlyphByMask(r1, r2, dst, img.Src, addedTransparency, img);
    return;
  }
  if (img.MaskType != 0) {
    BlendGlyphByMask(r1, r2, dst, img.Src, addedTransparency, img);
    return;
  }
  const bool alpha = (img.DrawMode & BDM_ALPHA) != 0;
  const TPoint at{r1.Left, r1.Top};
  if (addedTransparency == 1) {
    if (alpha)
      PaintBmpRect32(dst, img.Src, r2, at, 255);
    else
      CopyTransRect(dst, img.Src, at.X, at.Y, r2, kKeyPixel, ci, true, ciIsDst);
  } else {
    if (alpha)
      PaintBmpRect32(dst, img.Src, r2, at, 127);
    else
      BlendTransRectangle(dst, at.X, at.Y, img.Src, r2, 127, kKeyPixel);
  }
}

// ---- 4. The nine-part renderer -----------------------------------------------------------------------

void ShrinkMargins(Integer extent, Integer& first, Integer& second) {
  const int64_t total = int64_t(first) + second;
  if (extent >= total) return;
  const int64_t d = total - extent;
  int64_t a = first - d / 2, b = second - d / 2 - (d & 1);
  // A side that cannot give its half passes the rest of the deficit to the other side.
  if (a < 0) {
    b += a;
    a = 0;
  }
  if (b < 0) {
    a += b;
    b = 0;
  }
  first = static_cast<Integer>(std::max<int64_t>(a, 0));
  second = static_cast<Integer>(std::max<int64_t>(b, 0));
}

namespace {

enum class ImageKind { Key, Alpha, Masked };
enum class Part { Corner, SideV, SideH, Centre };
enum class Side { Left, Top, Bottom, Right, Centre };

struct NinePart {
  const TPixelView& dst;
  const TNinePartRequest& req;
  const TBackdrop& ci;
  const TMaskImage& img;
  ImageKind kind;
  int64_t ox, oy;  // picture origin in the source

  TRect SrcAt(int64_t l, int64_t t, int64_t r, int64_t b) const { return Rc(ox + l, oy + t, ox + r, oy + b); }
  bool Cache() const { return req.Kind == TNinePartKind::Cache; }
  bool Outer() const { return req.Kind == TNinePartKind::Outer32; }
  Integer MaskRectHeight() const { return static_cast<Integer>(std::clamp<int64_t>(H(img.R), 0, kFar)); }

  void Corner(const TRect& d, const TRect& s) const {
    if (d.IsEmpty()) return;
    const bool cornersWanted = req.UpdateCorners && (img.Cfg & 3) != 0;
    switch (kind) {
      case ImageKind::Key:
        CopyTransRect(dst, img.Src, d.Left, d.Top, Incl(s), kKeyPixel, ci, Cache() ? cornersWanted : true, req.CiIsDst);
        break;
      case ImageKind::Alpha:
        PaintBmpRect32(dst, img.Src, Incl(s), {d.Left, d.Top}, Outer() ? Byte(std::clamp(req.Opacity, 0, 255)) : 255);
        break;
      case ImageKind::Masked:
        if (Cache())
          CopyByMaskHalf(d, s, dst, img.Src, ci, cornersWanted, MaskRectHeight(), img.DrawMode, img.Cfg);
        else
          CopyByMask32(d, s, dst, img.Src, ci, MaskRectHeight() / 2, Outer() ? req.Opacity : 256);
        break;
    }
  }

  // One tile (or the last piece) of a side or the centre: d is the destination, s the source
  // cut to the same size.
  void Tile(Side side, bool lastPiece, const TRect& d, const TRect& s) const {
    switch (kind) {
      case ImageKind::Key: CopyPixels(dst, d.Left, d.Top, img.Src, s); break;
      case ImageKind::Alpha: {
        bool blend = Cache();
        if (Outer()) blend = side == Side::Left || (side == Side::Top && !lastPiece);
        if (blend)
          PaintBmpRect32(dst, img.Src, Incl(s), {d.Left, d.Top}, Outer() ? Byte(std::clamp(req.Opacity, 0, 255)) : 255);
        else
          CopyPixels(dst, d.Left, d.Top, img.Src, s);
        break;
      }
      case ImageKind::Masked:
        if (Cache())
          CopyByMaskHalf(d, s, dst, img.Src, TBackdrop{}, false, MaskRectHeight(), img.DrawMode, img.Cfg);
        else
          CopyByMask32(d, s, dst, img.Src, TBackdrop{}, MaskRectHeight() / 2, Outer() ? req.Opacity : 256);
        break;
    }
  }

  void Stretched(Side side, const TRect& d, const TRect& s) const {
    if (d.IsEmpty()) return;
    switch (kind) {
      case ImageKind::Key: StretchNearest(dst, d, img.Src, s); break;
      case ImageKind::Alpha:
        StretchBmpRect32(dst, d.Left, d.Top, d.Width(), d.Height(), img.Src, s.Left, s.Top, s.Width(), s.Height(),
                         Outer() ? Byte(std::clamp(req.Opacity, 0, 255)) : 255);
        break;
      case ImageKind::Masked: {
        const TMaskStretch how = Cache()   ? TMaskStretch::Plain
                                 : Outer() ? TMaskStretch::Alpha32Ex
                                           : TMaskStretch::Alpha32;
        StretchBltMask(how, d.Left, d.Top, d.Width(), d.Height(), s.Left, s.Top, s.Width(), s.Height(), dst, img.Src,
                       img.Height, req.Opacity, side == Side::Centre);
        break;
      }
    }
  }

  // A side or the centre: d the strip, s the tile (source).
  void Strip(Side side, const TRect& d, const TRect& s) const {
    if (d.IsEmpty()) return;
    if (img.DrawMode & BDM_STRETCH) {
      Stretched(side, d, s);
      return;
    }
    const int64_t tw = W(s), th = H(s);
    auto cut = [&](int64_t w, int64_t h) { return Rc(s.Left, s.Top, s.Left + w, s.Top + h); };
    switch (side) {
      case Side::Left:
      case Side::Right:
        LayTiles(d.Top, d.Bottom, th, 0, dst.Height, [&](int64_t pos, int64_t len) {
          Tile(side, len != th || pos + th >= d.Bottom, Rc(d.Left, pos, d.Right, pos + len), cut(W(d), len));
        });
        break;
      case Side::Top:
      case Side::Bottom:
        LayTiles(d.Left, d.Right, tw, 0, dst.Width, [&](int64_t pos, int64_t len) {
          Tile(side, pos + tw >= d.Right, Rc(pos, d.Top, pos + len, d.Bottom), cut(len, H(d)));
        });
        break;
      case Side::Centre:
        LayTiles(d.Top, d.Bottom, th, 0, dst.Height, [&](int64_t row, int64_t rowLen) {
          LayTiles(d.Left, d.Right, tw, 0, dst.Width, [&](int64_t col, int64_t colLen) {
            Tile(side, false, Rc(col, row, col + colLen, row + rowLen), cut(colLen, rowLen));
          });
        });
        break;
    }
  }
};

}  // namespace

bool NinePartSkipped(const TNinePartRequest& req, Integer drawMode) {
  return (req.State == 0 && (drawMode & BDM_ACTIVEONLY)) || W(req.Rect) < 2 || H(req.Rect) < 2;
}

void DrawNinePart(const TPixelView& dst, const TNinePartRequest& req, const TBackdrop& ci, const TMaskImage& img) {
  if (dst.Empty() || img.Src.Empty() || NinePartSkipped(req, img.DrawMode)) return;
  const TRect& a = req.Rect;
  Integer lw = std::max(img.WL, 0), tw = std::max(img.WT, 0), rw = std::max(img.WR, 0), bw = std::max(img.WB, 0);
  ShrinkMargins(static_cast<Integer>(std::min<int64_t>(W(a), INT32_MAX)), lw, rw);
  ShrinkMargins(static_cast<Integer>(std::min<int64_t>(H(a), INT32_MAX)), tw, bw);
  const Integer s = std::clamp(req.State, 0, std::max(img.ImageCount, 1) - 1);
  const int64_t cw = int64_t(img.Width) - lw - rw, ch = int64_t(img.Height) - tw - bw;
  if (cw < 0 || ch < 0) return;
  const ImageKind kind = img.MaskType != 0            ? ImageKind::Masked
                         : (img.DrawMode & BDM_ALPHA) ? ImageKind::Alpha
                                                      : ImageKind::Key;
  const NinePart np{dst, req, ci, img, kind, img.R.Left + int64_t(s) * img.Width, img.R.Top};
  const int64_t L = a.Left, T = a.Top, Rt = a.Right, Bt = a.Bottom, Wd = img.Width, Ht = img.Height;

  if (req.Kind == TNinePartKind::Outer32 && kind == ImageKind::Masked) {
    // Outer effects of masked images: the outer band of each side and L-shaped corners, so
    // the target deflated by the band limits keeps its pixels.
    const int64_t ml = std::min<int64_t>(lw, req.MaxWidths.Left), mt = std::min<int64_t>(tw, req.MaxWidths.Top);
    const int64_t mr = std::min<int64_t>(rw, req.MaxWidths.Right), mb = std::min<int64_t>(bw, req.MaxWidths.Bottom);
    auto corner = [&](int64_t dl, int64_t dt, int64_t dr, int64_t db, int64_t sl, int64_t st, int64_t sr, int64_t sb) {
      if (dr > dl && db > dt) np.Corner(Rc(dl, dt, dr, db), np.SrcAt(sl, st, sr, sb));
    };
    corner(L, T, L + ml, T + tw, 0, 0, ml, tw);
    corner(L + ml, T, L + lw, T + mt, ml, 0, lw, mt);
    if (ml > 0) np.Strip(Side::Left, Rc(L, T + tw, L + ml, Bt - bw), np.SrcAt(0, tw, ml, tw + ch));
    if (mt > 0) np.Strip(Side::Top, Rc(L + lw, T, Rt - rw, T + mt), np.SrcAt(lw, 0, lw + cw, mt));
    corner(L, Bt - bw, L + ml, Bt, 0, Ht - bw, ml, Ht);
    corner(L + ml, Bt - mb, L + lw, Bt, ml, Ht - mb, lw, Ht);
    if (mb > 0) np.Strip(Side::Bottom, Rc(L + lw, Bt - mb, Rt - rw, Bt), np.SrcAt(lw, Ht - mb, lw + cw, Ht));
    corner(Rt - mr, Bt - bw, Rt, Bt, Wd - mr, Ht - bw, Wd, Ht);
    corner(Rt - rw, Bt - mb, Rt - mr, Bt, Wd - rw, Ht - mb, Wd - mr, Ht);
    corner(Rt - mr, T, Rt, T + tw, Wd - mr, 0, Wd, tw);
    corner(Rt - rw, T, Rt - mr, T + mt, Wd - rw, 0, Wd - mr, mt);
    if (mr > 0) np.Strip(Side::Right, Rc(Rt - mr, T + tw, Rt, Bt - bw), np.SrcAt(Wd - mr, tw, Wd, tw + ch));
    return;
  }

  np.Corner(Rc(L, T, L + lw, T + tw), np.SrcAt(0, 0, lw, tw));
  if (req.Kind == TNinePartKind::Outer32 && kind == ImageKind::Alpha && (img.DrawMode & BDM_STRETCH)) {
    const int64_t ml = std::min<int64_t>(lw, req.MaxWidths.Left);
    np.Strip(Side::Left, Rc(L, T + tw, L + ml, Bt - bw), np.SrcAt(0, tw, ml, tw + ch));
  } else {
    np.Strip(Side::Left, Rc(L, T + tw, L + lw, Bt - bw), np.SrcAt(0, tw, lw, tw + ch));
  }
  np.Strip(Side::Top, Rc(L + lw, T, Rt - rw, T + tw), np.SrcAt(lw, 0, lw + cw, tw));
  np.Corner(Rc(L, Bt - bw, L + lw, Bt), np.SrcAt(0, Ht - bw, lw, Ht));
  np.Strip(Side::Bottom, Rc(L + lw, Bt - bw, Rt - rw, Bt), np.SrcAt(lw, Ht - bw, lw + cw, Ht));
  np.Corner(Rc(Rt - rw, Bt - bw, Rt, Bt), np.SrcAt(lw + cw, Ht - bw, Wd, Ht));
  np.Corner(Rc(Rt - rw, T, Rt, T + tw), np.SrcAt(lw + cw, 0, Wd, tw));
  np.Strip(Side::Right, Rc(Rt - rw, T + tw, Rt, Bt - bw), np.SrcAt(lw + cw, tw, Wd, tw + ch));
  if (img.DrawMode & BDM_FILL)
    np.Strip(Side::Centre, Rc(L + lw, T + tw, Rt - rw, Bt - bw), np.SrcAt(lw, tw, lw + cw, tw + ch));
}

// ---- 5. Rounded corners -------------------------------------------------------------------------------

void BlendRoundCorner(const TPixelView& dst, const TPixelView& mask, Integer r, TPoint d0, TPoint m0, TPoint s0,
                      const TBackdrop& ci, bool extSource) {
  if (dst.Empty() || mask.Empty() || r < 0) return;
  const bool bitmapBg = ci.Ready && !ci.View.Empty();
  const uint32_t fill = SwapRedBlue(ci.FillColor);
  for (int64_t y = 0; y <= r; ++y)
    for (int64_t x = 0; x <= r; ++x) {
      const int64_t tx = d0.X + x, ty = d0.Y + y, mx = m0.X + x, my = m0.Y + y;
      if (tx < 0 || ty < 0 || tx >= dst.Width || ty >= dst.Height) continue;
      if (mx < 0 || my < 0 || mx >= mask.Width || my >= mask.Height) continue;
      uint32_t b = fill;
      if (bitmapBg) {
        const int64_t bx = int64_t(ci.X) + s0.X + x, by = int64_t(ci.Y) + s0.Y + y;
        if (bx < 0 || by < 0 || bx >= ci.View.Width || by >= ci.View.Height) continue;
        b = ci.View.At(static_cast<Integer>(bx), static_cast<Integer>(by));
      }
      uint32_t& t = dst.At(static_cast<Integer>(tx), static_cast<Integer>(ty));
      const uint32_t m = mask.At(static_cast<Integer>(mx), static_cast<Integer>(my));
      if (m == 0xFFFFFFFFu) {
        t = (bitmapBg && !extSource) ? b & 0xFFFFFF : b;
      } else {
        t = MakePix(MixByte(PixB(t), PixB(b), PixB(m)), MixByte(PixG(t), PixG(b), PixG(m)),
                    MixByte(PixR(t), PixR(b), PixR(m)), MixByte(PixA(t), PixA(b), PixB(m)));
      }
    }
}

void RoundCorners(const TPixelView& dst, const TRect& rect, const Integer* radii, Integer borderRadius,
                  const TBackdrop& ci, bool extSource, TRoundMaskSource maskOf) {
  if (dst.Empty() || !maskOf) return;
  TRect sR{0, 0, 0, 0};
  if (radii && !ci.View.Empty()) {
    sR = extSource ? Rc(rect.Left, rect.Top, int64_t(ci.View.Width) - (int64_t(dst.Width) - rect.Right),
                        int64_t(ci.View.Height) - (int64_t(dst.Height) - rect.Bottom))
                   : rect;
  }
  const int64_t L = rect.Left, T = rect.Top, Rr = rect.Right, B = rect.Bottom;
  for (int corner = 0; corner < 4; ++corner) {
    int64_t r = radii ? radii[corner] : borderRadius;
    if (r <= 0) continue;
    // A bottom corner of given radii no higher than the rectangle; the section's own radius is
    // used as it is.
    if (radii && corner >= 2) r = std::min<int64_t>(r, B - 1);
    if (r <= 0 || r > kFar) continue;
    const TPixelView mask = maskOf(static_cast<Integer>(r));
    if (mask.Empty()) continue;
    TPoint d0, m0, s0;
    switch (corner) {
      case 0:
        d0 = {Near(L), Near(T)};
        m0 = {0, 0};
        s0 = {sR.Left, sR.Top};
        break;
      case 1:
        d0 = {Near(Rr - r - 1), Near(T)};
        m0 = {Near(r), 0};
        s0 = {Near(sR.Right - r - 1), sR.Top};
        break;
      case 2:
        d0 = {Near(L), Near(B - r - 1)};
        m0 = {0, Near(r)};
        s0 = {sR.Left, Near(sR.Bottom - r - 1)};
        break;
      default:
        d0 = {Near(Rr - r - 1), Near(B - r - 1)};
        m0 = {Near(r), Near(r)};
        s0 = {Near(std::max<int64_t>(0, sR.Right - r - 1)), Near(std::max<int64_t>(0, sR.Bottom - r - 1))};
    }
    if (!radii) s0 = {0, 0};
    BlendRoundCorner(dst, mask, static_cast<Integer>(r), d0, m0, s0, ci, extSource);
  }
}

// ---- 6. Texture tiling and transparent-pixel fills ------------------------------------------------------

namespace {
// Positions start, start + step, ... while below limit (step >= 1); f(pos) only for the
// positions whose span [pos, pos + step) can meet [lo, hi). Returns the position after the
// last one, as the unskipped walk would have left it.
template <class F>
int64_t WalkUp(int64_t start, int64_t limit, int64_t step, int64_t lo, int64_t hi, F f) {
  if (limit <= start) return start;
  const int64_t count = (limit - start + step - 1) / step;
  for (int64_t k = start + step <= lo ? std::min(count, (lo - start) / step) : 0; k < count; ++k) {
    const int64_t pos = start + k * step;
    if (pos >= hi) break;
    f(pos);
  }
  return start + count * step;
}
// Positions start, start - step, ... while above limit.
template <class F>
int64_t WalkDown(int64_t start, int64_t limit, int64_t step, int64_t lo, int64_t hi, F f) {
  if (start <= limit) return start;
  const int64_t count = (start - limit + step - 1) / step;
  for (int64_t k = start >= hi ? std::min(count, (start - hi) / step + 1) : 0; k < count; ++k) {
    const int64_t pos = start - k * step;
    if (pos + step <= lo) break;
    f(pos);
  }
  return start - count * step;
}
}  // namespace

void TileBitmap(const TPixelView& dst, TRect& aRect, const TPixelView& tex, const TRect& texRect, Integer fillMode) {
  const int64_t w = W(texRect), h = H(texRect);
  if (dst.Empty() || tex.Empty() || w <= 0 || h <= 0) return;  // a texture of no pixels paints nothing
  int64_t L = aRect.Left, T = aRect.Top;
  const int64_t R = aRect.Right, B = aRect.Bottom;
  const int64_t tl = texRect.Left, tt = texRect.Top;
  const int64_t vw = dst.Width, vh = dst.Height;
  // A block of the texture, from its corner or a cut offset, to (x, y); never more than the texture.
  auto copy = [&](int64_t x, int64_t y, int64_t bw, int64_t bh, int64_t fromX = 0, int64_t fromY = 0) {
    bw = std::min(bw, w - fromX);
    bh = std::min(bh, h - fromY);
    if (bw <= 0 || bh <= 0) return;
    CopyPixels(dst, Near(x), Near(y), tex, Rc(tl + fromX, tt + fromY, tl + fromX + bw, tt + fromY + bh));
  };
  auto stretch = [&](int64_t x, int64_t y, int64_t sw, int64_t sh, const TRect* clip = nullptr) {
    if (sw > 0 && sh > 0) StretchNearest(dst, Rc(x, y, x + sw, y + sh), tex, texRect, clip);
  };
  // The shared walk: whole columns from x0 below xs (each with whole rows below ys and the cut
  // row), then the cut column.
  auto walk = [&](int64_t x0, int64_t xs, int64_t ys) {
    int64_t yEnd = T;
    const int64_t xEnd = WalkUp(x0, xs, w, 0, vw, [&](int64_t x) {
      yEnd = WalkUp(T, ys, h, 0, vh, [&](int64_t y) { copy(x, y, w, h); });
      copy(x, yEnd, w, B - yEnd);
    });
    yEnd = WalkUp(T, ys, h, 0, vh, [&](int64_t y) { copy(xEnd, y, R - xEnd, h); });
    copy(xEnd, yEnd, R - xEnd, B - yEnd);
  };
  switch (fillMode) {
    case fmTiled:
      walk(L, R - w, B - h);
      aRect = kNoRestRect;
      break;
    case fmStretched:
      stretch(L, T, R - L, B - T);
      aRect = kNoRestRect;
      break;
    case fmTiledHorz:
      WalkUp(L, R, w, 0, vw, [&](int64_t x) { copy(x, T, std::min(w, R - x), std::min(h, B - T)); });
      aRect = Rc(L, T + h, R, B);
      break;
    case fmTiledVert:
      WalkUp(T, B, h, 0, vh, [&](int64_t y) { copy(L, y, std::min(w, R - L), std::min(h, B - y)); });
      aRect = Rc(L + w, T, R, B);
      break;
    case fmStretchHorzTop:
      stretch(L, T, R - L, h);
      aRect = Rc(L, T + h, R, B);
      break;
    case fmStretchVertLeft:
      stretch(L, T, w, B - T);
      aRect = Rc(L + w, T, R, B);
      break;
    case fmTileHorBtm:
      T = B - h;
      walk(L, R - w, T);
      aRect = Rc(L, aRect.Top, R, B - h);
      break;
    case fmTileVertRight:
    case fmStretchHorBtm:
    case fmStretchVertRight:
    case fmReserved1:
      L = R - w;
      walk(L, L, B - h);
      aRect = fillMode == fmTileVertRight ? Rc(aRect.Left, T, R - w, B) : Rc(R - w, T, R, B);
      break;
    case fmDisTiled: {
      const int64_t xEnd = WalkUp(L, R - w, w, 0, vw,
                                  [&](int64_t x) { WalkUp(T, B - h, h, 0, vh, [&](int64_t y) { copy(x, y, w, h); }); });
      WalkUp(T, B - h, h, 0, vh, [&](int64_t y) { copy(xEnd, y, R - xEnd, h); });
      aRect = kNoRestRect;
      break;
    }
    case fmStretchHorz: {
      // The last strip is cut at the area's bottom edge, like every other cut piece.
      const TRect clip = Rc(L, T, R, B);
      const int64_t y = WalkUp(T, B - h, h, 0, vh, [&](int64_t y) { stretch(L, y, R - L, h); });
      stretch(L, y, R - L, h, &clip);
      aRect = kNoRestRect;
      break;
    }
    case fmStretchVert: {
      const TRect clip = Rc(L, T, R, B);
      const int64_t x = WalkUp(L, R - w, w, 0, vw, [&](int64_t x) { stretch(x, T, w, B - T); });
      stretch(x, T, w, B - T, &clip);
      aRect = kNoRestRect;
      break;
    }
    case fmFromBottomToTop: {
      // Anchored at the bottom-right corner: cut tiles at the top and the left.
      int64_t yTop = B - h;
      const int64_t xLeft = WalkDown(R - w, L, w, 0, vw, [&](int64_t x) {
        yTop = WalkDown(B - h, T, h, 0, vh, [&](int64_t y) { copy(x, y, w, h); });
        copy(x, T, w, h - (T - yTop), 0, T - yTop);
      });
      const int64_t e = L - xLeft;
      yTop = WalkDown(B - h, T, h, 0, vh, [&](int64_t y) { copy(L, y, w - e, h, e, 0); });
      copy(L, T, w - e, h - (T - yTop), e, T - yTop);
      aRect = kNoRestRect;
      break;
    }
    default: break;
  }
}

void TileMasked(const TPixelView& dst, TRect& aRect, const TBackdrop& ci, const TMaskImage& img, Integer fillMode) {
  const int64_t w = img.Width, h = H(img.R) / 2;
  if (dst.Empty() || img.Src.Empty() || w <= 0 || h <= 0) return;  // a tile of no pixels paints nothing
  if (fillMode != fmTiled && fillMode != fmDisTiled) return;
  const int64_t L = aRect.Left, T = aRect.Top, R = aRect.Right, B = aRect.Bottom;
  const Integer maskOffset = static_cast<Integer>(std::min<int64_t>(H(img.R) / 2, kFar));
  auto tile = [&](int64_t l, int64_t t, int64_t r, int64_t b) {
    CopyMasterRect(Rc(l, t, r, b), img.R, dst, img.Src, ci, maskOffset);
  };
  const int64_t vw = dst.Width, vh = dst.Height;
  int64_t yEnd = T;
  const int64_t xEnd = WalkUp(
      L, R - w, w, 0, vw, [&](int64_t x) { WalkUp(T, B - h, h, 0, vh, [&](int64_t y) { tile(x, y, x + w, y + h); }); });
  if (xEnd > L && B - h > T) yEnd = T + ((B - h - T + h - 1) / h) * h;  // the row below the whole rows
  if (fillMode == fmTiled) {
    WalkUp(T, B - h, h, 0, vh, [&](int64_t y) { tile(xEnd, y, R, y + h); });
  } else {
    // The strips the whole tiles left: the background, or the fill colour.
    for (const TRect& strip : {Rc(L, yEnd, R, B), Rc(xEnd, T, R, B)}) {
      if (ci.Ready)
        CopyPixels(dst, strip.Left, strip.Top, ci.View,
                   Rc(int64_t(strip.Left) + ci.X, int64_t(strip.Top) + ci.Y, int64_t(strip.Right) + ci.X,
                      int64_t(strip.Bottom) + ci.Y));
      else
        FillRect32(dst, strip, ci.FillColor, 255);
    }
  }
  aRect = kNoRestRect;
}

void FillTransPixelsByImage(const TPixelView& dst, const TPixelView& src, const TRect& dstRect, TPoint srcPoint,
                            const TPixelView& image, TPoint maskOrigin) {
  if (dst.Empty() || src.Empty() || image.Empty()) return;
  const TRect srcRect = Rc(srcPoint.X, srcPoint.Y, int64_t(srcPoint.X) + W(dstRect), int64_t(srcPoint.Y) + H(dstRect));
  const TPixelBlock b = ClipExtents(dstRect, srcRect, dst.Width, dst.Height, src.Width, src.Height);
  for (Integer y = 0; y < b.Height; ++y) {
    const int64_t my = int64_t(maskOrigin.Y) + (b.SrcY - srcPoint.Y) + y;
    if (my < 0 || my >= image.Height) continue;
    uint32_t* d = dst.Row(b.DstY + y) + b.DstX;
    const uint32_t* s = src.Row(b.SrcY + y) + b.SrcX;
    const uint32_t* m = image.Row(static_cast<Integer>(my));
    for (Integer x = 0; x < b.Width; ++x) {
      const int64_t mx = int64_t(maskOrigin.X) + (b.SrcX - srcPoint.X) + x;
      if (mx >= 0 && mx < image.Width && (m[mx] & 0xFFFFFF) == 0xFF00FF) d[x] = s[x];
    }
  }
}

void FillTransPixels(const TPixelView& dst, const TPixelView& src, const TRect& dstRect, TPoint srcPoint,
                     TColor srcColor) {
  if (dst.Empty()) return;
  auto apply = [](uint32_t& d, uint32_t s) {
    if (d == kKeyPixel)
      d = s;
    else if (PixA(d) < 255)
      d = MakePix(MixByte(PixB(d), PixB(s), 255 - PixA(d)), MixByte(PixG(d), PixG(s), 255 - PixA(d)),
                  MixByte(PixR(d), PixR(s), 255 - PixA(d)), PixA(d));
  };
  if (!src.Empty()) {
    const TRect srcRect =
        Rc(srcPoint.X, srcPoint.Y, int64_t(srcPoint.X) + W(dstRect), int64_t(srcPoint.Y) + H(dstRect));
    const TPixelBlock b = ClipExtents(dstRect, srcRect, dst.Width, dst.Height, src.Width, src.Height);
    for (Integer y = 0; y < b.Height; ++y) {
      uint32_t* d = dst.Row(b.DstY + y) + b.DstX;
      const uint32_t* sp = src.Row(b.SrcY + y) + b.SrcX;
      for (Integer x = 0; x < b.Width; ++x) apply(d[x], sp[x]);
    }
    return;
  }
  const uint32_t k = SwapRedBlue(srcColor);
  const Integer l = std::max(dstRect.Left, 0), t = std::max(dstRect.Top, 0);
  const Integer r = std::min(dstRect.Right, dst.Width), bt = std::min(dstRect.Bottom, dst.Height);
  for (Integer y = t; y < bt; ++y)
    for (Integer x = l; x < r; ++x) apply(dst.Row(y)[x], k);
}

void FillDCBorder32(const TPixelView& v, const TRect& r, Integer wl, Integer wt, Integer wr, Integer wb, TColor color) {
  FillRect32(v, Rc(r.Left, r.Top, r.Right, int64_t(r.Top) + wt), color, 255);
  FillRect32(v, Rc(r.Left, int64_t(r.Top) + wt, int64_t(r.Left) + wl, r.Bottom), color, 255);
  FillRect32(v, Rc(int64_t(r.Left) + wl, int64_t(r.Bottom) - wb, r.Right, r.Bottom), color, 255);
  FillRect32(v, Rc(int64_t(r.Right) - wr, int64_t(r.Top) + wt, r.Right, int64_t(r.Bottom) - wb), color, 255);
}

void FillDCBorder32(TBitmap* bmp, const TRect& r, Integer wl, Integer wt, Integer wr, Integer wb, TColor color) {
  FillDCBorder32(ViewOf(bmp), r, wl, wt, wr, wb, color);
}

// ---- 8. Corner refresh of a control's cache ------------------------------------------------------------

void CopyTransCornerPixels(const TPixelView& cache, const TPixelView& src, TPoint pos, TRect srcRect,
                           const TPixelView& bg, TPoint bgOffset, bool bgIsCache, TColor color) {
  if (cache.Empty() || src.Empty()) return;
  srcRect.Left = std::max(srcRect.Left, 0);
  srcRect.Top = std::max(srcRect.Top, 0);
  srcRect.Right = std::min(srcRect.Right, src.Width - 1);
  srcRect.Bottom = std::min(srcRect.Bottom, src.Height - 1);
  if (srcRect.Right < srcRect.Left || srcRect.Bottom < srcRect.Top) return;
  const bool useBg = bgIsCache && !bg.Empty();
  if (!useBg && color == clFuchsia) return;  // no colour to show
  const uint32_t fill = SwapRedBlue(color);
  for (int64_t y = 0; y <= int64_t(srcRect.Bottom) - srcRect.Top; ++y) {
    const int64_t cy = int64_t(pos.Y) + y;
    if (cy < 0 || cy >= cache.Height) continue;
    const uint32_t* s = src.Row(static_cast<Integer>(srcRect.Top + y)) + srcRect.Left;
    uint32_t* c = cache.Row(static_cast<Integer>(cy));
    for (int64_t x = 0; x <= int64_t(srcRect.Right) - srcRect.Left; ++x) {
      const int64_t cx = int64_t(pos.X) + x;
      if (cx < 0 || cx >= cache.Width || s[x] != kKeyPixel) continue;
      if (!useBg) {
        c[cx] = fill;
        continue;
      }
      const int64_t bx = int64_t(bgOffset.X) + cx, by = int64_t(bgOffset.Y) + cy;
      if (bx >= 0 && by >= 0 && bx < bg.Width && by < bg.Height)
        c[cx] = bg.At(static_cast<Integer>(bx), static_cast<Integer>(by));
    }
  }
}

void CopyMasterCornerPixels(const TPixelView& cache, const TRect& r1, const TPixelView& image, const TRect& r2,
                            const TPixelView& bg, TPoint bgOffset, bool bgIsCache, TColor color, bool useAlpha,
                            bool sectionHasBorder) {
  if (cache.Empty() || image.Empty()) return;
  const TPixelBlock b = ClipExtents(r1, r2, cache.Width, cache.Height, image.Width, image.Height);
  const uint32_t fill = SwapRedBlue(color);
  const bool fromBg = bgIsCache && !bg.Empty() && (useAlpha || sectionHasBorder);
  for (Integer y = 0; y < b.Height; ++y) {
    uint32_t* c = cache.Row(b.DstY + y) + b.DstX;
    const uint32_t* s = image.Row(b.SrcY + y) + b.SrcX;
    for (Integer x = 0; x < b.Width; ++x) {
      const uint32_t p = s[x];
      if (bgIsCache) {
        if (!fromBg || !(p == kKeyPixel || (useAlpha && PixA(p) == 0))) continue;
        const int64_t bx = int64_t(bgOffset.X) + b.DstX + x, by = int64_t(bgOffset.Y) + b.DstY + y;
        if (bx >= 0 && by >= 0 && bx < bg.Width && by < bg.Height)
          c[x] = bg.At(static_cast<Integer>(bx), static_cast<Integer>(by));
      } else if (p == kKeyPixel) {
        c[x] = fill;
      }
    }
  }
}

// ---- 8. TBitmap forms of the stretch primitives -----------------------------------------------------

void StretchBltMask(Integer dstX1, Integer dstY1, Integer dstWidth, Integer dstHeight, Integer srcX1, Integer srcY1,
                    Integer srcWidth, Integer srcHeight, TBitmap* bmpDst, TBitmap* bmpSrc, Integer maskOffset,
                    bool noStdStretch) {
  StretchBltMask(TMaskStretch::Plain, dstX1, dstY1, dstWidth, dstHeight, srcX1, srcY1, srcWidth, srcHeight,
                 ViewOf(bmpDst), ViewOf(bmpSrc), maskOffset, 255, noStdStretch);
}

void StretchBltMask32(Integer dstX1, Integer dstY1, Integer dstWidth, Integer dstHeight, Integer srcX1, Integer srcY1,
                      Integer srcWidth, Integer srcHeight, TBitmap* bmpDst, TBitmap* bmpSrc, Integer maskOffset,
                      bool noStdStretch) {
  StretchBltMask(TMaskStretch::Alpha32, dstX1, dstY1, dstWidth, dstHeight, srcX1, srcY1, srcWidth, srcHeight,
                 ViewOf(bmpDst), ViewOf(bmpSrc), maskOffset, 255, noStdStretch);
}

void StretchBltMask32Ex(Integer dstX1, Integer dstY1, Integer dstWidth, Integer dstHeight, Integer srcX1, Integer srcY1,
                        Integer srcWidth, Integer srcHeight, TBitmap* bmpDst, TBitmap* bmpSrc, Integer maskOffset,
                        Integer opacity, bool noStdStretch) {
  StretchBltMask(TMaskStretch::Alpha32Ex, dstX1, dstY1, dstWidth, dstHeight, srcX1, srcY1, srcWidth, srcHeight,
                 ViewOf(bmpDst), ViewOf(bmpSrc), maskOffset, opacity, noStdStretch);
}
