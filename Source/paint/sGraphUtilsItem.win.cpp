// sGraphUtils: the skin item painter. One section in one state painted into a rectangle of a
// bitmap over the parent's background.
//
// Sections
//   1. The skin data, images, looks and the common copies and fills
//   2. The layer steps (colour, gradient and texture in their shares)
//   3. The background layers (PaintItemBG and PaintItemBGFast)
//   4. The whole item (PaintItem forms, PaintItemFast, PaintSection)
//   5. The GDI+ border (TryPaintBorder, UpdateCtrlCornersProc)
//
// The painter works on the pixels of 32-bit items directly; GDI is used only for items of
// another format and for the GDI+ border.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "raster/sGradient.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Controls.h"
#include "ui/GdiScopes.h"

namespace {

// ---- 1. Skin data, images, looks, copies and fills ------------------------------------------

TkvSkinData* SkinDataOf(TObject* object) { return dynamic_cast<TkvSkinData*>(object); }

// The skin data of an entry point; a developer warning (only under a debugger) when the caller
// handed something else.
TkvSkinData* CheckedSkinData(TObject* object, const char16_t* procedure) {
  TkvSkinData* sd = SkinDataOf(object);
  if (!sd && IsIDERunning()) Alert(String(u"Check parameters of the ") + procedure + u" procedure.");
  return sd;
}

// A state within the section's states (at least one).
Integer ClampState(const TsGeneralData& gd, Integer state) { return std::clamp(state, 0, std::max(gd.States, 1) - 1); }
Integer LookIndex(Integer state) { return std::min(std::max(state, 0), 2); }

bool Is32(const TBitmap* bmp) { return bmp && bmp->PixelFormat() == pf32bit; }

// Fills r of the item with a colour: into the pixels of a 32-bit item, through GDI otherwise.
void FillItem(TBitmap* bmp, const TRect& r, TColor color) {
  if (Is32(bmp))
    FillRect32(bmp, r, color, 255);
  else
    FillDC(bmp->Canvas()->Handle(), r, color, 0);
}

// A w x h block from (sx, sy) of src to (dx, dy) of dst: a pixel copy between 32-bit bitmaps,
// a blit otherwise.
void CopyBlock(TBitmap* dst, Integer dx, Integer dy, Integer w, Integer h, TBitmap* src, Integer sx, Integer sy) {
  if (w <= 0 || h <= 0) return;
  if (Is32(dst) && Is32(src)) {
    CopyPixels(ViewOf(dst), dx, dy, ViewOf(src), TRect(sx, sy, sx + w, sy + h));
  } else {
    BitBlt(dst->Canvas()->Handle(), dx, dy, w, h, src->Canvas()->Handle(), sx, sy, SRCCOPY);
    GdiFlush();
  }
}

// The parent's background behind the item: nothing when the reference's bitmap is the item
// itself (its pixels are already there) or missing.
void CopyBackground(TBitmap* item, const TRect& r, const TCacheInfo& ci, const TPoint& pP) {
  if (!ci.Bmp || ci.Bmp == item) return;
  CopyBlock(item, r.Left, r.Top, r.Width(), r.Height(), ci.Bmp, ci.X + pP.X, ci.Y + pP.Y);
}

TCacheInfo Moved(TCacheInfo ci, const TPoint& pP) {
  ci.X += pP.X;
  ci.Y += pP.Y;
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
bool IsOverlay(const TsGenState& look) {
  return !look.GradientArray.empty() && (look.GradientArray[0].Mode & PM_OVERLAY) != 0;
}

// ---- 2. The layer steps -------------------------------------------------------------------------

// A layer of w x h in which paint draws, mixed into t at `at` with the weight of t's pixels.
template <class Paint>
void MixLayer(TBitmap* t, const TRect& aRect, Byte weight, Paint paint) {
  std::unique_ptr<TBitmap> layer(CreateBmp32(aRect.Width(), aRect.Height()));
  const TRect whole(0, 0, layer->Width(), layer->Height());
  paint(layer.get(), whole);
  SumBmpRect(t, layer.get(), weight, whole, aRect.TopLeft());
}

// The share rule of colour: the part of the look that is neither gradient nor texture.
// BlendColorRect takes inclusive rectangles; the item's last column and row are its own.
void ColourShare(TBitmap* t, const TRect& aRect, Integer share, TColor color) {
  if (share >= 1 && share <= 99)
    BlendColorRect(t, TRect(aRect.Left, aRect.Top, aRect.Right - 1, aRect.Bottom - 1), Byte(share * 255 / 100), color);
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

void PaintAddons(TBitmap* t, const TRect& aRect, const TLook& v, const TkvSkinData* sd, const TCacheInfo& ci) {
  const TsMaskData* tex = v.TextureIndex >= 0 ? SkinImage(sd, v.TextureIndex) : nullptr;
  // Gradient and tiled texture sharing the item exactly: one pass.
  if (v.ImagePercent + v.GradientPercent == 100 && v.GradientPercent >= 1 && v.GradientPercent <= 99 && tex &&
      tex->DrawMode == 0 && HasPoints(v.Gradient) && (*v.Gradient)[0].Mode < 2) {
    PaintGradTxt(t, aRect, *v.Gradient, SkinImageBitmap(*tex), tex->R, Byte(v.ImagePercent * 255 / 100), 255);
    return;
  }
  bool textureDrawn = false;
  if (v.ImagePercent > 0) {
    TRect q = aRect;
    if (tex) textureDrawn = TileTexture(t, q, ci, *tex);
    if (q.Right != -1) FillRect32(t, q, v.Color, 255);
  }
  if (v.GradientPercent > 0) {
    auto paint = [&](TBitmap* target, const TRect& r) {
      if (HasPoints(v.Gradient))
        PaintGrad(target, r, *v.Gradient, 0, 0);
      else
        FillRect32(target, r, v.Color, 255);
    };
    if (textureDrawn)
      MixLayer(t, aRect, Byte(std::clamp(v.ImagePercent * 255 / 100, 0, 255)), paint);
    else
      paint(t, aRect);
  }
  const Integer share = v.GradientPercent + v.ImagePercent;
  if (share == 0)
    FillRect32(t, aRect, v.Color, 255);
  else
    ColourShare(t, aRect, share, v.Color);
}

// The fast layer step: textures given by index, the rest of a partial texture in colour.
void PaintAddonsFast(TBitmap* t, TRect r, const TLook& v, const TkvSkinData* sd, const TCacheInfo& ci,
                     bool fillWithBackground) {
  bool textureDrawn = false;
  if (v.ImagePercent > 0) {
    const TRect whole = r;
    if (const TsMaskData* tex = SkinImage(sd, v.TextureIndex)) textureDrawn = TileTexture(t, r, ci, *tex);
    if (r.Right != -1)
      FillItem(t, r, v.Color);
    else
      r = whole;
  }
  if (v.GradientPercent > 0) {
    auto paint = [&](TBitmap* target, const TRect& area) {
      if (HasPoints(v.Gradient))
        PaintGrad(target, area, *v.Gradient, 0, 0);
      else
        FillItem(target, area, v.Color);
    };
    if (textureDrawn)
      MixLayer(t, r, Byte(std::clamp(v.ImagePercent * 255 / 100, 0, 255)), paint);
    else
      paint(t, r);
  }
  const Integer share = v.GradientPercent + v.ImagePercent;
  if (share == 0)
    FillItem(t, r, fillWithBackground ? ci.FillColor : v.Color);
  else
    ColourShare(t, r, share, v.Color);
}

// ---- 3. The background layers ---------------------------------------------------------------------

// A parent bitmap of which only the border strips are painted: the strips of the item that lie
// over them are copied, the rest is the fill colour.
void CopyBorderStrips(TBitmap* item, const TRect& aRect, const TCacheInfo& ci, const TPoint& pP) {
  const Integer w = std::max(aRect.Width(), 0), h = std::max(aRect.Height(), 0);
  const TRect B(pP.X, pP.Y, pP.X + w, pP.Y + h);
  const Integer bw = ci.Bmp->Width(), bh = ci.Bmp->Height();
  const TRect& F = ci.FillRect;
  Integer dl = 0, dt = 0, dr = 0, db = 0;
  if (F.Left - ci.X > 0 && F.Left > B.Left) {
    dl = F.Left - B.Left;
    CopyBlock(item, aRect.Left, aRect.Top, dl, h, ci.Bmp, ci.X + pP.X, ci.Y + pP.Y);
  }
  if (F.Top - ci.Y > 0 && F.Top > B.Top) {
    dt = F.Top - B.Top;
    CopyBlock(item, aRect.Left, aRect.Top, w, dt, ci.Bmp, ci.X + pP.X, ci.Y + pP.Y);
  }
  if (F.Right > 0 && bw - F.Right < B.Right && bw > B.Right) {
    dr = B.Right - (bw - F.Right);
    CopyBlock(item, aRect.Right - dr, aRect.Top, dr, h, ci.Bmp, ci.X + B.Right - dr, ci.Y + pP.Y);
  }
  if (F.Bottom > 0 && bh - F.Bottom < B.Bottom && bh > B.Bottom) {
    db = B.Bottom - (bh - F.Bottom);
    CopyBlock(item, aRect.Left, aRect.Bottom - db, w, db, ci.Bmp, ci.X + pP.X, ci.Y + B.Bottom - db);
  }
  FillRect32(item, TRect(aRect.Left + dl, aRect.Top + dt, aRect.Right - dr, aRect.Bottom - db), ci.FillColor, 255);
}

void PaintBG(TkvSkinData* sd, const TsGeneralData& gd, const TCacheInfo& ci, Integer state, const TRect& r,
             const TPoint& pP, TBitmap* item, Integer textureIndex, Integer hotTextureIndex, TColor customColor) {
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
  const Integer w = std::max(aRect.Width(), 0), h = std::max(aRect.Height(), 0);
  if ((!ci.Ready && ci.FillColor == clFuchsia) || v.Transparency == 0) {
    // No background to show (the look is painted opaque), or an opaque look.
    PaintAddons(item, aRect, v, sd, ci);
  } else if (v.Transparency == 100) {
    if (ci.Ready && ci.Bmp)
      CopyBackground(item, aRect, ci, pP);
    else if (ci.Bmp)
      CopyBorderStrips(item, aRect, ci, pP);
    else
      FillRect32(item, aRect, ci.FillColor, 255);
  } else if (ci.Ready || v.GradientPercent + v.ImagePercent != 0) {
    std::unique_ptr<TBitmap> layer(CreateBmp32(w, h));
    PaintAddons(layer.get(), TRect(0, 0, w, h), v, sd, ci);
    if (ci.Ready)
      CopyBackground(item, aRect, ci, pP);
    else
      FillItem(item, aRect, ci.FillColor);
    SumBmpRect(item, layer.get(), Byte((v.Transparency * 255 / 100) & 255), TRect(0, 0, w, h), aRect.TopLeft());
  } else {
    FillItem(item, aRect, BlendColors(ci.FillColor, v.Color, Byte(v.Transparency * 255 / 100)));
  }
  if (v.Overlay) PaintGrad(item, aRect, look.GradientArray, 0, 0);
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
    const TPoint p(corner % 2 == 0 ? r.Left : r.Right - md->Width, corner < 2 ? r.Top : r.Bottom - md->Height);
    DrawSkinGlyph(item, p, state, 1, *md, MakeCacheInfo(item, 0, 0));
  }
}

// The common checks of the index forms: a 32-bit-or-any item, a skin data object, an
// accepted section and a rectangle inside the item.
const TsGeneralData* Checked(TkvObject* commonSkinData, Integer skinIndex, TBitmap* item, const TRect& r,
                             TkvSkinData*& sd, const char16_t* procedure) {
  sd = procedure ? CheckedSkinData(commonSkinData, procedure) : SkinDataOf(commonSkinData);
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
  return md.Bmp ? md.Bmp : md.Manager ? md.Manager->MasterBitmap : nullptr;
}

bool SkinFillMode(const TsMaskData& md, TkvFillMode& mode) {
  if (md.DrawMode < 0 || md.DrawMode >= Integer(kvFillModes.size())) return false;
  mode = kvFillModes[size_t(md.DrawMode)];
  return true;
}

void PaintItemBG(Integer skinIndex, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                 TBitmap* itemBmp, TkvObject* commonSkinData, Integer textureIndex, Integer hotTextureIndex,
                 TColor customColor) {
  TkvSkinData* sd = SkinDataOf(commonSkinData);
  const TsGeneralData* gd = SkinSection(sd, skinIndex);
  if (!gd || !itemBmp) return;
  GdiFlush();
  PaintBG(sd, *gd, ci, state, r, pP, itemBmp, textureIndex, hotTextureIndex, customColor);
}

void PaintItemBGFast(Integer skinIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci, Integer state,
                     const TRect& r, const TPoint& pP, TBitmap* itemBmp, TkvObject* commonSkinData) {
  TkvSkinData* sd = CheckedSkinData(commonSkinData, u"PaintItemBGFast");
  const TsGeneralData* gd = SkinSection(sd, skinIndex);
  if (!gd || !itemBmp) return;
  GdiFlush();
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
    CopyBackground(itemBmp, r, ci, pP);
  } else if (!ci.Ready || v.Transparency == 0) {
    PaintAddonsFast(itemBmp, r, v, sd, ci, backgroundOnly);
  } else if (v.Transparency > 0) {
    const Integer w = std::max(r.Width(), 0), h = std::max(r.Height(), 0);
    std::unique_ptr<TBitmap> layer(CreateBmp32(w, h));
    PaintAddonsFast(layer.get(), TRect(0, 0, w, h), v, sd, ci, false);
    CopyBackground(itemBmp, r, ci, pP);
    SumBmpRect(itemBmp, layer.get(), Byte((v.Transparency * 255 / 100) & 255), TRect(0, 0, w, h), r.TopLeft());
  }
  if (v.Overlay) PaintGrad(itemBmp, r, look.GradientArray, 0, 0);
}

void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool /*filling*/, Integer state, const TRect& r,
               const TPoint& pP, TBitmap* itemBmp, TkvObject* commonSkinData, Integer /*bgIndex*/,
               Integer /*bgHotIndex*/) {
  if (!itemBmp || r.IsEmpty()) return;
  TkvSkinData* sd;
  const TsGeneralData* gd = Checked(commonSkinData, skinIndex, itemBmp, r, sd, u"PaintItem 1");
  if (!gd) return;
  GdiFlush();
  state = ClampState(*gd, state);
  PaintBG(sd, *gd, ci, state, r, pP, itemBmp, -1, -1, clFuchsia);
  PaintCornerImages(sd, *gd, state, r, itemBmp);
  const TCacheInfo moved = Moved(ci, pP);
  if (const TsMaskData* mask = SkinImage(sd, gd->BorderIndex))
    DrawSkinRect(itemBmp, r, moved, *mask, state, true);
  else
    TryPaintBorder(itemBmp, r, *gd, state, moved, nullptr, sd->PPI, nullptr);
}

void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool /*filling*/, Integer state, const TRect& r,
               const TPoint& pP, TBitmap* itemBmp, TkvObject* commonSkinData, const TsMaskData& md) {
  if (!itemBmp) return;
  TkvSkinData* sd;
  const TsGeneralData* gd = Checked(commonSkinData, skinIndex, itemBmp, r, sd, nullptr);
  if (!gd) return;
  GdiFlush();
  state = ClampState(*gd, state);
  PaintBG(sd, *gd, ci, state, r, pP, itemBmp, -1, -1, clFuchsia);
  PaintCornerImages(sd, *gd, state, r, itemBmp);
  // The caller's mask stands for the section's own; without one of its own, no border.
  if (SkinImage(sd, gd->BorderIndex)) DrawSkinRect(itemBmp, r, Moved(ci, pP), md, state, true);
}

void PaintItem(Integer skinIndex, const TCacheInfo& ci, bool filling, Integer state, const TRect& r, const TPoint& pP,
               HDC dc, TkvObject* commonSkinData) {
  TkvSkinData* sd = CheckedSkinData(commonSkinData, u"PaintItem 2");
  if (!SkinSection(sd, skinIndex) || !dc || r.Left < 0 || r.Top < 0 || r.Right <= r.Left || r.Bottom <= r.Top) return;
  TSaveDC saved(dc);
  std::unique_ptr<TBitmap> bmp(CreateBmp32(r.Width(), r.Height()));
  PaintItem(skinIndex, ci, filling, state, TRect(0, 0, r.Width(), r.Height()), pP, bmp.get(), commonSkinData, -1, -1);
  GdiFlush();
  BitBlt(dc, r.Left, r.Top, r.Width(), r.Height(), bmp->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void PaintItemFast(Integer skinIndex, Integer maskIndex, Integer bgIndex, Integer bgHotIndex, const TCacheInfo& ci,
                   bool /*filling*/, Integer state, const TRect& r, const TPoint& pP, TBitmap* itemBmp,
                   TkvObject* commonSkinData) {
  if (!itemBmp || r.IsEmpty()) return;
  TkvSkinData* sd;
  const TsGeneralData* gd = Checked(commonSkinData, skinIndex, itemBmp, r, sd, u"PaintItemFast");
  if (!gd) return;
  state = ClampState(*gd, state);
  PaintItemBGFast(skinIndex, bgIndex, bgHotIndex, ci, state, r, pP, itemBmp, commonSkinData);
  const TCacheInfo moved = Moved(ci, pP);
  if (const TsMaskData* mask = SkinImage(sd, maskIndex))
    DrawSkinRect(itemBmp, r, moved, *mask, state, true);
  else
    TryPaintBorder(itemBmp, r, *gd, state, moved, nullptr, sd->PPI, nullptr);
}

Integer PaintSection(TBitmap* bmp, Integer sectionIndex, Integer secondIndex, Integer state,
                     TkvObject* commonSkinData, const TPoint& parentOffset, TColor bgColor, HDC parentDC) {
  const Integer section = sectionIndex >= 0 ? sectionIndex : secondIndex;
  if (section < 0 || !bmp) return section;
  TCacheInfo ref;
  ref.FillColor = bgColor;
  ref.Ready = parentDC != nullptr;
  if (ref.Ready) {
    BitBlt(bmp->Canvas()->Handle(), 0, 0, bmp->Width(), bmp->Height(), parentDC, parentOffset.X, parentOffset.Y,
           SRCCOPY);
    GdiFlush();
    ref.Bmp = bmp;
  }
  PaintItem(section, ref, true, state, TRect(0, 0, bmp->Width(), bmp->Height()), TPoint(0, 0), bmp, commonSkinData,
            -1, -1);
  return section;
}

// ---- 5. The GDI+ border ---------------------------------------------------------------------------

bool TryPaintBorder(TBitmap* aBmp, const TRect& aRect, const TsGeneralData& gd, Integer aState,
                    const TCacheInfo& bgRef, TkvPaintBorderData* customBorderData, Integer iPPI,
                    TkvUpdateCornersProc updateCornersProc) {
  if (!aBmp) return false;
  const TsGenState& look = gd.Props[size_t(LookIndex(aState))];
  TkvIntValues radii;
  bool hasRadii = false;
  TSet<TkvSide> allSides{asLeft, asTop, asRight, asBottom};
  TSet<TkvSide>* sides = nullptr;
  Integer width;
  TColor color;
  if (customBorderData && customBorderData->IsChanged()) {
    width = customBorderData->Width();
    radii = {customBorderData->GetCorner(0), customBorderData->GetCorner(1), customBorderData->GetCorner(2),
             customBorderData->GetCorner(3)};
    hasRadii = true;
    sides = &allSides;
    color = customBorderData->GetColor(0);
    if (aState >= 1 && customBorderData->GetColor(1) != clNone) color = customBorderData->GetColor(1);
    if (aState >= 2 && customBorderData->GetColor(2) != clNone) color = customBorderData->GetColor(2);
    if (width < 0) width = gd.BorderWidth;
    if (color == clNone) color = TColor(look.BorderColor);
  } else {
    if (gd.BorderRadius > 0) {
      radii = {gd.BorderRadius, gd.BorderRadius, gd.BorderRadius, gd.BorderRadius};
      hasRadii = true;
    } else if (updateCornersProc) {
      radii = {-1, -1, -1, -1};
      hasRadii = true;
    }
    width = gd.BorderWidth;
    color = TColor(look.BorderColor);
  }
  width = width * iPPI / 96;
  if (hasRadii && updateCornersProc) updateCornersProc(customBorderData, radii, sides);
  if (color == clFuchsia) {
    if (look.Transparency != 100) UpdateCorners(gd, aBmp, aRect, bgRef, hasRadii ? &radii : nullptr, false);
    return false;
  }
  GdiFlush();
  if (!hasRadii) {
    kvgpDrawRect(aBmp->Canvas()->Handle(), aRect, width, color | 0xFF000000u, sides);
    GdiFlush();
    return true;
  }
  TCacheInfo ref = bgRef;
  if (!ref.Ready && ref.FillColor == clFuchsia) ref.FillColor = color;
  const Integer W = aRect.Width(), H = aRect.Height();
  const bool fit = !(radii.Value0 + radii.Value1 > W || radii.Value2 + radii.Value3 > W ||
                     radii.Value0 + radii.Value2 > H || radii.Value1 + radii.Value3 > H);
  const Integer values[4] = {radii.Value0, radii.Value1, radii.Value2, radii.Value3};
  auto border = [&] {
    kvgpRoundRect(aBmp->Canvas()->Handle(), aRect.Left, aRect.Top, W, H, width, kvColorToRGB(color), values, sides);
    GdiFlush();
  };
  if (fit) {
    UpdateCorners(gd, aBmp, aRect, ref, &radii, false);
    border();
  } else {
    border();
    UpdateCorners(gd, aBmp, aRect, ref, &radii, false);
  }
  return true;
}

void UpdateCtrlCornersProc(TkvPaintBorderData* paintBorderData, TkvIntValues& c, TSet<TkvSide>*& /*outSides*/) {
  TControl* ctrl = paintBorderData ? dynamic_cast<TControl*>(paintBorderData->FOwnerObject) : nullptr;
  if (!ctrl) return;
  auto cut = [](Integer& a, Integer& b, Integer side) {
    if (a + b > side - 1) a = b = (side - 1) / 2;
  };
  if (ctrl->Width() < ctrl->Height()) {
    cut(c.Value0, c.Value1, ctrl->Width());
    cut(c.Value2, c.Value3, ctrl->Width());
  } else {
    cut(c.Value0, c.Value2, ctrl->Height());
    cut(c.Value1, c.Value3, ctrl->Height());
  }
}

// ---- The control forms -----------------------------------------------------------------------------

void PaintItemBG(TsCommonData* skinData, const TCacheInfo& ci, Integer state, const TRect& r, const TPoint& pP,
                 TBitmap* itemBmp, Integer /*offsetX*/, Integer /*offsetY*/) {
  if (!skinData) return;
  TColor custom = clFuchsia;
  if (skinData->FCustomColor && skinData->FOwnerControl)
    custom = kvColorToRGB(skinData->FOwnerControl->Color(), skinData->GetSkinManager());
  PaintItemBG(skinData->SkinIndex, ci, state, r, pP, itemBmp, skinData->GetCommonSkinData(), -1, -1, custom);
}

void PaintItem(TsCommonData* skinData, const TCacheInfo& ci, bool /*filling*/, Integer state, const TRect& r,
               const TPoint& pP, TBitmap* itemBmp, bool updateCorners, Integer offsetX, Integer offsetY,
               bool colorsAutoUpdate) {
  if (!skinData || !itemBmp) return;
  DuRiruZireziv* manager = skinData->GetSkinManager();
  TkvSkinData* sd = skinData->GetCommonSkinData();
  const TsGeneralData* gd = SkinSection(sd, skinData->SkinIndex);
  if (!manager || !gd || !RectInRect(TRect(0, 0, itemBmp->Width(), itemBmp->Height()), r, true)) return;
  GdiFlush();
  state = ClampState(*gd, state);
  const Integer L = LookIndex(state);
  const TsGenState& look = gd->Props[size_t(L)];
  PaintItemBG(skinData, ci, L, r, pP, itemBmp, offsetX, offsetY);
  PaintCornerImages(sd, *gd, L, r, itemBmp);
  const TsMaskData* mask = SkinImage(sd, gd->BorderIndex);
  enum { kNone, kMask, kLine } mode = kNone;
  if (skinData->FCustomBorder && skinData->FCustomBorder->IsChanged())
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
    const TsGeneralData& unscaled = manager->gd()[size_t(skinData->SkinIndex)];
    adjust = TryPaintBorder(itemBmp, r, unscaled, L, moved, skinData->FCustomBorder, skinData->CurrentPPI,
                            UpdateCtrlCornersProc) ||
             look.Transparency == 0;
  } else {
    adjust = look.Transparency < 100;
  }
  if (!adjust || !colorsAutoUpdate) return;
  GdiFlush();
  if (skinData->FColorTone != clNone)
    ChangeBitmapPixels(itemBmp, ChangeColorTone, Integer(kvColorToRGB(skinData->FColorTone, manager)), clFuchsia);
  if (skinData->FHUEOffset != 0) ChangeBitmapPixels(itemBmp, ChangeColorHUE, skinData->FHUEOffset, clFuchsia);
  if (skinData->FSaturation != 0) ChangeBitmapPixels(itemBmp, ChangeColorSaturation, skinData->FSaturation, clFuchsia);
}
