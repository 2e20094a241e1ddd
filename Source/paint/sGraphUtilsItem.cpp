// sGraphUtils: the skin item painter. One section in one state painted into a rectangle of a
// bitmap over the parent's background; portable, the steps that need GDI handed in.
//
// Sections
//   1. The skin data, images, looks and the common copies and fills
//   2. The layer steps (colour, gradient and texture in their shares)
//   3. The background layers (PaintItemBG and PaintItemBGFast)
//   4. The whole item (the index, mask, fast and control forms)
//   5. The border line and the rounded corners
//
// The painter works on the pixels of 32-bit items directly; an item of another format is
// filled and copied through the steps.
#include <algorithm>
#include <memory>

#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "skin/sSkinManager.h"

namespace {

// ---- 1. Skin data, images, looks, copies and fills ------------------------------------------

TkvSkinData* SkinDataOf(TObject* object) { return dynamic_cast<TkvSkinData*>(object); }

// A state within the section's states (at least one).
Integer ClampState(const TsGeneralData& gd, Integer state) { return std::clamp(state, 0, std::max(gd.States, 1) - 1); }
Integer LookIndex(Integer state) { return std::min(std::max(state, 0), 2); }

bool Is32(const TBitmap* bmp) { return bmp && bmp->PixelFormat() == pf32bit; }

TCacheInfo Moved(TCacheInfo ci, const TPoint& pP) {
  // In 64 bits: hostile offsets must not wrap around.
  ci.X = NearCoordinate(int64_t(ci.X) + pP.X);
  ci.Y = NearCoordinate(int64_t(ci.Y) + pP.Y);
  return ci;
}

// The values of one look that the layers use.
struct TLook {
  TColor Color = 0;
  Integer Transparency = 0, ImagePercent = 0, GradientPercent = 0, TextureIndex = -1;
  const TsGradArray* Gradient = nullptr;  // null: none
  bool Overlay = false;
};

bool HasPoints(const TsGradArray* g) { return g && !g->empty(); }
// The shares of gradient and texture together (a skin's percentages may be anything).
int64_t SharesOf(const TLook& v) { return int64_t(v.GradientPercent) + v.ImagePercent; }
bool IsOverlay(const TsGenState& look) {
  return !look.GradientArray.empty() && (look.GradientArray[0].Mode & PM_OVERLAY) != 0;
}
// A share in percent as a byte weight (ImagePercent x 255 div 100, limited to a byte).
Byte ShareWeight(Integer percent) { return Byte(std::clamp<int64_t>(int64_t(percent) * 255 / 100, 0, 255)); }
// The weight of a transparency: (Transparency x 255 div 100) and 255.
Byte TransparencyWeight(Integer t) { return Byte((int64_t(t) * 255 / 100) & 255); }

// The painter with its steps: the fills, copies and gradients of one call.
class TPass {
 public:
  explicit TPass(const TkvItemSteps& steps) : steps_(steps) {}

  // Fills r of the item with a colour: into the pixels of a 32-bit item, through the steps
  // otherwise.
  void Fill(TBitmap* bmp, const TRect& r, TColor color) const {
    if (Is32(bmp))
      FillRect32(bmp, r, color, 255);
    else if (bmp && steps_.FillForeign)
      steps_.FillForeign(bmp, r, color);
  }

  // A w x h block from (sx, sy) of src to (dx, dy) of dst: a pixel copy between 32-bit
  // bitmaps, a step otherwise.
  void Copy(TBitmap* dst, Integer dx, Integer dy, Integer w, Integer h, TBitmap* src, Integer sx, Integer sy) const {
    if (w <= 0 || h <= 0 || !dst || !src) return;
    if (Is32(dst) && Is32(src)) {
      const TRect from(sx, sy, NearCoordinate(int64_t(sx) + w), NearCoordinate(int64_t(sy) + h));
      CopyPixels(ViewOf(dst), dx, dy, ViewOf(src), from);
    } else if (steps_.CopyForeign) {
      steps_.CopyForeign(dst, dx, dy, w, h, src, sx, sy);
    }
  }

  // The parent's background behind the item: nothing when the reference's bitmap is the item
  // itself (its pixels are already there) or missing.
  void CopyBackground(TBitmap* item, const TRect& r, const TCacheInfo& ci, const TPoint& pP) const {
    if (!ci.Bmp || ci.Bmp == item) return;
    const TCacheInfo moved = Moved(ci, pP);
    Copy(item, r.Left, r.Top, SafeExtent(r.Left, r.Right), SafeExtent(r.Top, r.Bottom), ci.Bmp, moved.X, moved.Y);
  }

  void Grad(TBitmap* bmp, const TRect& r, const TsGradArray& data) const {
    const TPixelView v = ViewOf(bmp);
    if (v.Empty()) return;
    std::unique_ptr<TGradientDevice> device = steps_.GradientDevice ? steps_.GradientDevice(bmp) : nullptr;
    PaintGrad(v, r, data, 0, device.get());
  }

  const TkvItemSteps& Steps() const { return steps_; }

 private:
  const TkvItemSteps& steps_;
};

// ---- 2. The layer steps -------------------------------------------------------------------------

// ci as a layer whose origin lies shift away from the item's rectangle sees it.
TCacheInfo ShiftedFor(TCacheInfo ci, const TPoint& shift) { return Moved(ci, shift); }

// The share rule of colour: the part of the look that is neither gradient nor texture.
// BlendColorRect takes inclusive rectangles; the item's last column and row are its own.
void ColourShare(TBitmap* t, const TRect& aRect, int64_t share, TColor color) {
  if (share >= 1 && share <= 99)
    BlendColorRect(t,
                   TRect(aRect.Left, aRect.Top, NearCoordinate(int64_t(aRect.Right) - 1),
                         NearCoordinate(int64_t(aRect.Bottom) - 1)),
                   ShareWeight(Integer(share)), color);
}

// Tiles the texture into q (masked or plain); true when it was drawn. q becomes the part not
// covered (Right -1 when all).
bool TileTexture(TBitmap* t, TRect& q, const TCacheInfo& ci, const TsMaskData& tex) {
  TkvFillMode mode;
  if (!SkinFillMode(tex, mode)) return false;
  if (tex.MaskType & 0xFF)
    TileMasked(t, q, ci, tex, mode);
  else
    TileBitmap(t, q, nullptr, tex, mode);
  return true;
}

// The gradient's share of a look (its colour when it has no points), mixed over the texture by
// the texture's share when one was drawn.
template <class Fill>
void GradientShare(const TPass& pass, TBitmap* t, const TRect& r, const TLook& v, bool textureDrawn, Fill fill) {
  auto paint = [&](TBitmap* target, const TRect& area) {
    if (HasPoints(v.Gradient))
      pass.Grad(target, area, *v.Gradient);
    else
      fill(target, area);
  };
  if (textureDrawn)
    MixInLayer(t, r, ShareWeight(v.ImagePercent),
               [&](TBitmap* layer, const TRect& area, const TPoint&) { paint(layer, area); });
  else
    paint(t, r);
}

void PaintAddons(const TPass& pass, TBitmap* t, const TRect& aRect, const TLook& v, const TkvSkinData* sd,
                 const TCacheInfo& ci) {
  const TsMaskData* tex = v.TextureIndex >= 0 ? SkinImage(sd, v.TextureIndex) : nullptr;
  // Gradient and tiled texture sharing the item exactly: one pass.
  if (SharesOf(v) == 100 && v.GradientPercent >= 1 && v.GradientPercent <= 99 && tex && tex->DrawMode == 0 &&
      HasPoints(v.Gradient) && (*v.Gradient)[0].Mode < 2) {
    PaintGradTxt(ViewOf(t), aRect, *v.Gradient, ViewOf(SkinImageBitmap(*tex)), tex->R, ShareWeight(v.ImagePercent),
                 255);
    return;
  }
  bool textureDrawn = false;
  if (v.ImagePercent > 0) {
    TRect q = aRect;
    if (tex) textureDrawn = TileTexture(t, q, ci, *tex);
    if (q.Right != -1) FillRect32(t, q, v.Color, 255);
  }
  if (v.GradientPercent > 0)
    GradientShare(pass, t, aRect, v, textureDrawn,
                  [&](TBitmap* target, const TRect& r) { FillRect32(target, r, v.Color, 255); });
  const int64_t share = SharesOf(v);
  if (share == 0)
    FillRect32(t, aRect, v.Color, 255);
  else
    ColourShare(t, aRect, share, v.Color);
}

// The fast layer step: textures given by index, the rest of a partial texture in colour.
void PaintAddonsFast(const TPass& pass, TBitmap* t, TRect r, const TLook& v, const TkvSkinData* sd,
                     const TCacheInfo& ci, bool fillWithBackground) {
  bool textureDrawn = false;
  if (v.ImagePercent > 0) {
    const TRect whole = r;
    if (const TsMaskData* tex = SkinImage(sd, v.TextureIndex)) textureDrawn = TileTexture(t, r, ci, *tex);
    if (r.Right != -1)
      pass.Fill(t, r, v.Color);
    else
      r = whole;
  }
  if (v.GradientPercent > 0)
    GradientShare(pass, t, r, v, textureDrawn,
                  [&](TBitmap* target, const TRect& area) { pass.Fill(target, area, v.Color); });
  const int64_t share = SharesOf(v);
  if (share == 0)
    pass.Fill(t, r, fillWithBackground ? ci.FillColor : v.Color);
  else
    ColourShare(t, r, share, v.Color);
}

// ---- 3. The background layers ---------------------------------------------------------------------

// A parent bitmap of which only the border strips are painted: the strips of the item that lie
// over them are copied, the rest is the fill colour.
void CopyBorderStrips(const TPass& pass, TBitmap* item, const TRect& aRect, const TCacheInfo& ci, const TPoint& pP) {
  const int64_t w = SafeExtent(aRect.Left, aRect.Right), h = SafeExtent(aRect.Top, aRect.Bottom);
  const int64_t bl = pP.X, bt = pP.Y, br = bl + w, bb = bt + h;
  const int64_t bw = ci.Bmp->Width(), bh = ci.Bmp->Height();
  const TRect& F = ci.FillRect;
  const int64_t sx = int64_t(ci.X) + pP.X, sy = int64_t(ci.Y) + pP.Y;
  int64_t dl = 0, dt = 0, dr = 0, db = 0;
  auto copy = [&](int64_t dx, int64_t dy, int64_t cw, int64_t ch, int64_t fromX, int64_t fromY) {
    pass.Copy(item, NearCoordinate(dx), NearCoordinate(dy), NearCoordinate(cw), NearCoordinate(ch), ci.Bmp,
              NearCoordinate(fromX), NearCoordinate(fromY));
  };
  if (int64_t(F.Left) - ci.X > 0 && F.Left > bl) {
    dl = F.Left - bl;
    copy(aRect.Left, aRect.Top, dl, h, sx, sy);
  }
  if (int64_t(F.Top) - ci.Y > 0 && F.Top > bt) {
    dt = F.Top - bt;
    copy(aRect.Left, aRect.Top, w, dt, sx, sy);
  }
  if (F.Right > 0 && bw - F.Right < br && bw > br) {
    dr = br - (bw - F.Right);
    copy(int64_t(aRect.Right) - dr, aRect.Top, dr, h, int64_t(ci.X) + br - dr, sy);
  }
  if (F.Bottom > 0 && bh - F.Bottom < bb && bh > bb) {
    db = bb - (bh - F.Bottom);
    copy(aRect.Left, int64_t(aRect.Bottom) - db, w, db, sx, int64_t(ci.Y) + bb - db);
  }
  FillRect32(item,
             TRect(NearCoordinate(aRect.Left + dl), NearCoordinate(aRect.Top + dt), NearCoordinate(aRect.Right - dr),
                   NearCoordinate(aRect.Bottom - db)),
             ci.FillColor, 255);
}

void PaintBG(const TPass& pass, TkvSkinData* sd, const TsGeneralData& gd, const TCacheInfo& ci, Integer state,
             const TRect& r, const TPoint& pP, TBitmap* item, Integer textureIndex, Integer hotTextureIndex,
             TColor customColor) {
  const Integer L = LookIndex(ClampState(gd, state));
  const TsGenState& look = gd.Props[size_t(L)];
  const TRect aRect = r;
  TLook v;
  v.TextureIndex = textureIndex;
  if (customColor == clFuchsia) {
    v.Color = TColor(look.Color);
    v.Transparency = look.Transparency;
    v.Overlay = IsOverlay(look);
    if (v.Transparency < 100) {
      v.ImagePercent = look.ImagePercent;
      v.GradientPercent = v.Overlay ? 0 : look.GradientPercent;
      if (v.ImagePercent > 0 && v.TextureIndex < 0) v.TextureIndex = look.TextureIndex;
    }
    if (v.GradientPercent > 0 || v.Overlay) v.Gradient = &look.GradientArray;
  } else {
    v.Color = customColor;
  }
  if ((!ci.Ready && ci.FillColor == clFuchsia) || v.Transparency == 0) {
    // No background to show (the look is painted opaque), or an opaque look.
    PaintAddons(pass, item, aRect, v, sd, ci);
  } else if (v.Transparency == 100) {
    if (ci.Ready && ci.Bmp)
      pass.CopyBackground(item, aRect, ci, pP);
    else if (ci.Bmp)
      CopyBorderStrips(pass, item, aRect, ci, pP);
    else
      FillRect32(item, aRect, ci.FillColor, 255);
  } else if (ci.Ready || SharesOf(v) != 0) {
    // The background first, then the look in a layer mixed over it (the layer reads the
    // parent's picture, never the item's).
    if (ci.Ready)
      pass.CopyBackground(item, aRect, ci, pP);
    else
      pass.Fill(item, aRect, ci.FillColor);
    MixInLayer(item, aRect, TransparencyWeight(v.Transparency),
               [&](TBitmap* layer, const TRect& area, const TPoint& shift) {
                 PaintAddons(pass, layer, area, v, sd, ShiftedFor(ci, shift));
               });
  } else {
    pass.Fill(item, aRect, BlendColors(ci.FillColor, v.Color, TransparencyWeight(v.Transparency)));
  }
  if (v.Overlay) pass.Grad(item, aRect, look.GradientArray);
  // A masked, dis-tiled texture on top (the hot texture in other states).
  if (v.TextureIndex < 0) v.TextureIndex = look.TextureIndex;
  const Integer index = L == 0 ? v.TextureIndex : hotTextureIndex;
  if (const TsMaskData* tex = index >= 0 ? SkinImage(sd, index) : nullptr) {
    TkvFillMode mode;
    if (tex->MaskType > 0 && tex->DrawMode == fmDisTiled && SkinFillMode(*tex, mode)) {
      TRect q = r;
      TileMasked(item, q, Moved(ci, pP), *tex, mode);
    }
  }
}

// The corner images of the section, each in its state picture.
void PaintCornerImages(TkvSkinData* sd, const TsGeneralData& gd, Integer state, const TRect& r, TBitmap* item) {
  const Integer indexes[4] = {gd.ImgTL, gd.ImgTR, gd.ImgBL, gd.ImgBR};
  for (int corner = 0; corner < 4; ++corner) {
    if (indexes[corner] < 0) continue;
    const TsMaskData* md = SkinImage(sd, indexes[corner]);
    if (!md) continue;
    const TPoint p(corner % 2 == 0 ? r.Left : NearCoordinate(int64_t(r.Right) - md->Width),
                   corner < 2 ? r.Top : NearCoordinate(int64_t(r.Bottom) - md->Height));
    DrawSkinGlyph(item, p, state, 1, *md, MakeCacheInfo(item, 0, 0));
  }
}

// The per-PPI skin data of an entry point; the developer's warning when the caller handed
// something else (procedure null: no warning).
TkvSkinData* CheckedSkinData(const TkvItemSteps& steps, TObject* object, const char16_t* procedure) {
  TkvSkinData* sd = SkinDataOf(object);
  if (!sd && procedure && steps.WrongSkinData) steps.WrongSkinData(procedure);
  return sd;
}

// The common checks of the index forms: a skin data object, an accepted section and a
// rectangle inside the item.
const TsGeneralData* Checked(const TkvItemSteps& steps, TkvObject* commonSkinData, Integer skinIndex, TBitmap* item,
                             const TRect& r, TkvSkinData*& sd, const char16_t* procedure) {
  sd = CheckedSkinData(steps, commonSkinData, procedure);
  const TsGeneralData* gd = SkinSection(sd, skinIndex);
  if (!gd || !item || item->Height() < r.Bottom || item->Width() < r.Right || r.Left < 0 || r.Top < 0) return nullptr;
  return gd;
}

}  // namespace

const TsGeneralData* SkinSection(const TkvSkinData* sd, Integer skinIndex) {
  if (!sd || !sd->FOwner || !sd->FOwner->IsValidSkinIndex(skinIndex) || skinIndex >= Integer(sd->gd.size()))
    return nullptr;
  return &sd->gd[size_t(skinIndex)];
}

const TsMaskData* SkinImage(const TkvSkinData* sd, Integer index) {
  if (!sd || !IsValidIndex(index, Integer(sd->ma.size()))) return nullptr;
  return &sd->ma[size_t(index)];
}

TBitmap* SkinImageBitmap(const TsMaskData& md) {
  return md.Bmp ? md.Bmp : md.Manager ? md.Manager->MasterBitmap.get() : nullptr;
}

bool SkinFillMode(const TsMaskData& md, TkvFillMode& mode) {
  if (md.DrawMode < 0 || md.DrawMode >= Integer(kvFillModes.size())) return false;
  mode = kvFillModes[size_t(md.DrawMode)];
  return true;
}

void MixInLayer(TBitmap* t, const TRect& r, Byte weight,
                const std::function<void(TBitmap* layer, const TRect& r, const TPoint& shift)>& paint) {
  if (!t) return;
  const TRect part(std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, t->Width()),
                   std::min(r.Bottom, t->Height()));
  if (part.IsEmpty()) return;
  std::unique_ptr<TBitmap> layer(CreateBmp32(part));
  if (layer->Empty()) return;
  // In 64 bits: a rectangle starting far out of t lies far from the layer's origin.
  const TRect inLayer(NearCoordinate(int64_t(r.Left) - part.Left), NearCoordinate(int64_t(r.Top) - part.Top),
                      NearCoordinate(int64_t(r.Right) - part.Left), NearCoordinate(int64_t(r.Bottom) - part.Top));
  paint(layer.get(), inLayer, TPoint(-inLayer.Left, -inLayer.Top));
  SumBmpRect(t, layer.get(), weight, TRect(0, 0, layer->Width(), layer->Height()), part.TopLeft());
}

// ---- 3. The background layers (entry points) ------------------------------------------------------

void TkvItemPainter::PaintItemBG(Integer skinIndex, const TCacheInfo& ci, Integer state, const TRect& r,
                                 const TPoint& pP, TBitmap* itemBmp, TkvObject* commonSkinData, Integer textureIndex,
                                 Integer hotTextureIndex, TColor customColor) const {
  TkvSkinData* sd = SkinDataOf(commonSkinData);
  const TsGeneralData* gd = SkinSection(sd, skinIndex);
  if (!gd || !itemBmp) return;
  PaintBG(TPass(steps_), sd, *gd, ci, state, r, pP, itemBmp, textureIndex, hotTextureIndex, customColor);
}

void TkvItemPainter::PaintItemBGFast(Integer skinIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci,
                                     Integer state, const TRect& r, const TPoint& pP, TBitmap* itemBmp,
                                     TkvObject* commonSkinData) const {
  TkvSkinData* sd = CheckedSkinData(steps_, commonSkinData, u"PaintItemBGFast");
  const TsGeneralData* gd = SkinSection(sd, skinIndex);
  if (!gd || !itemBmp) return;
  const TPass pass(steps_);
  const Integer L = LookIndex(state);
  const TsGenState& look = gd->Props[size_t(L)];
  TLook v;
  v.Overlay = IsOverlay(look);
  v.Color = TColor(look.Color);
  v.ImagePercent = look.ImagePercent;
  v.Transparency = look.Transparency;
  v.GradientPercent = v.Overlay ? 0 : look.GradientPercent;
  v.TextureIndex = L == 0 ? bgIndex : bgHotIndex;
  if (v.GradientPercent > 0) v.Gradient = &look.GradientArray;
  const bool backgroundOnly = !ci.Ready && v.Transparency == 100;
  if (ci.Ready && v.Transparency == 100) {
    pass.CopyBackground(itemBmp, r, ci, pP);
  } else if (!ci.Ready || v.Transparency == 0) {
    PaintAddonsFast(pass, itemBmp, r, v, sd, ci, backgroundOnly);
  } else if (v.Transparency > 0) {
    pass.CopyBackground(itemBmp, r, ci, pP);
    MixInLayer(itemBmp, r, TransparencyWeight(v.Transparency),
               [&](TBitmap* layer, const TRect& area, const TPoint& shift) {
                 PaintAddonsFast(pass, layer, area, v, sd, ShiftedFor(ci, shift), false);
               });
  }
  if (v.Overlay) pass.Grad(itemBmp, r, look.GradientArray);
}

// ---- 4. The whole item ------------------------------------------------------------------------------

void TkvItemPainter::PaintItem(Integer skinIndex, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                               TBitmap* itemBmp, TkvObject* commonSkinData) const {
  if (!itemBmp || r.IsEmpty()) return;
  TkvSkinData* sd;
  const TsGeneralData* gd = Checked(steps_, commonSkinData, skinIndex, itemBmp, r, sd, u"PaintItem 1");
  if (!gd) return;
  state = ClampState(*gd, state);
  PaintBG(TPass(steps_), sd, *gd, ci, state, r, pP, itemBmp, -1, -1, clFuchsia);
  PaintCornerImages(sd, *gd, state, r, itemBmp);
  const TCacheInfo moved = Moved(ci, pP);
  if (const TsMaskData* mask = SkinImage(sd, gd->BorderIndex))
    DrawSkinRect(itemBmp, r, moved, *mask, state, true);
  else
    PaintBorder(itemBmp, r, *gd, state, moved, SectionBorderLine(*gd, state, false), sd->PPI);
}

void TkvItemPainter::PaintItem(Integer skinIndex, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                               TBitmap* itemBmp, TkvObject* commonSkinData, const TsMaskData& md) const {
  if (!itemBmp) return;
  TkvSkinData* sd;
  const TsGeneralData* gd = Checked(steps_, commonSkinData, skinIndex, itemBmp, r, sd, nullptr);
  if (!gd) return;
  state = ClampState(*gd, state);
  PaintBG(TPass(steps_), sd, *gd, ci, state, r, pP, itemBmp, -1, -1, clFuchsia);
  PaintCornerImages(sd, *gd, state, r, itemBmp);
  // The caller's mask stands for the section's own; without one of its own, no border.
  if (SkinImage(sd, gd->BorderIndex)) DrawSkinRect(itemBmp, r, Moved(ci, pP), md, state, true);
}

void TkvItemPainter::PaintItemFast(Integer skinIndex, Integer maskIndex, Integer bgIndex, Integer bgHotIndex,
                                   const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                                   TBitmap* itemBmp, TkvObject* commonSkinData) const {
  if (!itemBmp || r.IsEmpty()) return;
  TkvSkinData* sd;
  const TsGeneralData* gd = Checked(steps_, commonSkinData, skinIndex, itemBmp, r, sd, u"PaintItemFast");
  if (!gd) return;
  state = ClampState(*gd, state);
  PaintItemBGFast(skinIndex, bgIndex, bgHotIndex, ci, state, r, pP, itemBmp, commonSkinData);
  const TCacheInfo moved = Moved(ci, pP);
  if (const TsMaskData* mask = SkinImage(sd, maskIndex))
    DrawSkinRect(itemBmp, r, moved, *mask, state, true);
  else
    PaintBorder(itemBmp, r, *gd, state, moved, SectionBorderLine(*gd, state, false), sd->PPI);
}

void TkvItemPainter::PaintControlItem(const TkvControlItem& item, const TCacheInfo& ci, Integer state, const TRect& r,
                                      const TPoint& pP, TBitmap* itemBmp, bool updateCorners,
                                      bool colorsAutoUpdate) const {
  TkvSkinData* sd = item.SkinData;
  const TsGeneralData* gd = SkinSection(sd, item.SkinIndex);
  if (!item.Manager || !gd || !itemBmp || !RectInRect(TRect(0, 0, itemBmp->Width(), itemBmp->Height()), r, true))
    return;
  state = ClampState(*gd, state);
  const Integer L = LookIndex(state);
  const TsGenState& look = gd->Props[size_t(L)];
  PaintItemBG(item.SkinIndex, ci, L, r, pP, itemBmp, sd, -1, -1, item.CustomColor);
  PaintCornerImages(sd, *gd, L, r, itemBmp);
  const TsMaskData* mask = SkinImage(sd, gd->BorderIndex);
  enum { kNone, kMask, kLine } mode = kNone;
  if (item.CustomBorder)
    mode = kLine;
  else if (mask)
    mode = state == 0 && (mask->DrawMode & BDM_ACTIVEONLY) ? kNone : kMask;
  else if (TColor(look.BorderColor) != clFuchsia)
    mode = kLine;
  const TCacheInfo moved = Moved(ci, pP);
  bool adjust;
  if (mode == kMask) {
    DrawSkinRect(itemBmp, r, moved, *mask, state, updateCorners);
    adjust = true;
  } else if (mode == kLine) {
    // The border's widths and radii are unscaled values of the 96-PPI section.
    const TsGeneralData& unscaled = item.BorderSection ? *item.BorderSection : *gd;
    adjust = PaintBorder(itemBmp, r, unscaled, L, moved, item.Border, item.PPI) || look.Transparency == 0;
  } else {
    adjust = look.Transparency < 100;
  }
  if (!adjust || !colorsAutoUpdate) return;
  if (item.HasTone) ChangeBitmapPixels(itemBmp, ChangeColorTone, Integer(item.Tone), clFuchsia);
  if (item.HueOffset != 0) ChangeBitmapPixels(itemBmp, ChangeColorHUE, item.HueOffset, clFuchsia);
  if (item.Saturation != 0) ChangeBitmapPixels(itemBmp, ChangeColorSaturation, item.Saturation, clFuchsia);
}

// ---- 5. The border line and the rounded corners ----------------------------------------------------

TkvBorderLine SectionBorderLine(const TsGeneralData& gd, Integer state, bool cornersProcGiven) {
  TkvBorderLine line;
  if (gd.BorderRadius > 0) {
    line.Radii = {gd.BorderRadius, gd.BorderRadius, gd.BorderRadius, gd.BorderRadius};
    line.HasRadii = true;
  } else if (cornersProcGiven) {
    line.Radii = {-1, -1, -1, -1};
    line.HasRadii = true;
  }
  line.Width = gd.BorderWidth;
  line.Color = TColor(gd.Props[size_t(LookIndex(state))].BorderColor);
  return line;
}

bool TkvItemPainter::PaintBorder(TBitmap* aBmp, const TRect& aRect, const TsGeneralData& gd, Integer aState,
                                 const TCacheInfo& bgRef, TkvBorderLine line, Integer iPPI) const {
  if (!aBmp) return false;
  const TsGenState& look = gd.Props[size_t(LookIndex(aState))];
  line.Width = static_cast<Integer>(std::clamp<int64_t>(int64_t(line.Width) * iPPI / 96, INT32_MIN, INT32_MAX));
  if (line.Color == clFuchsia) {
    if (look.Transparency != 100) UpdateCorners(gd, aBmp, aRect, bgRef, line.HasRadii ? &line.Radii : nullptr, false);
    return false;
  }
  auto drawLine = [&] {
    if (steps_.BorderLine) steps_.BorderLine(aBmp, aRect, line);
  };
  if (!line.HasRadii) {
    drawLine();
    return true;
  }
  TCacheInfo ref = bgRef;
  if (!ref.Ready && ref.FillColor == clFuchsia) ref.FillColor = line.Color;
  const int64_t W = int64_t(aRect.Right) - aRect.Left, H = int64_t(aRect.Bottom) - aRect.Top;
  const TkvIntValues& c = line.Radii;
  const bool fit = !(int64_t(c.Value0) + c.Value1 > W || int64_t(c.Value2) + c.Value3 > W ||
                     int64_t(c.Value0) + c.Value2 > H || int64_t(c.Value1) + c.Value3 > H);
  if (fit) {
    UpdateCorners(gd, aBmp, aRect, ref, &line.Radii, false);
    drawLine();
  } else {
    drawLine();
    UpdateCorners(gd, aBmp, aRect, ref, &line.Radii, false);
  }
  return true;
}

void TkvItemPainter::UpdateCorners(const TsGeneralData& gd, TBitmap* bmp, const TRect& r, const TCacheInfo& ci,
                                   const TkvIntValues* radii, bool extSource) const {
  if (!bmp || !steps_.RoundMask) return;
  if (radii) {
    const Integer values[4] = {radii->Value0, radii->Value1, radii->Value2, radii->Value3};
    RoundCorners(ViewOf(bmp), r, values, gd.BorderRadius, BackdropOf(ci), extSource, steps_.RoundMask);
  } else {
    RoundCorners(ViewOf(bmp), r, nullptr, gd.BorderRadius, BackdropOf(ci), extSource, steps_.RoundMask);
  }
}
