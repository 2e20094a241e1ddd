// sAlphaGraph: the 32-bit skin item painter (title-bar items of skinned forms): a look's
// Transparency becomes the alpha of its pixels instead of a mix with a parent background.
#include <windows.h>

#include <algorithm>
#include <memory>

#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/sGradient.h"
#include "skin/sSkinManager.h"

namespace {

// The alpha of a look with Transparency t: 255 at 0, 178 at 30, 0 at 100.
Byte AlphaOfTransparency(Integer t) { return Byte(std::clamp((100 - t) * 255 / 100, 0, 255)); }

void PaintAddons32(TBitmap* t, const TRect& aRect, TkvSkinData* sd, TColor color, Integer transparency,
                   Integer imagePercent, Integer gradientPercent, Integer textureIndex, const TsGradArray* gradient) {
  const Byte alpha = AlphaOfTransparency(transparency);
  const TsMaskData* tex = textureIndex >= 0 ? SkinImage(sd, textureIndex) : nullptr;
  const bool hasPoints = gradient && !gradient->empty();
  if (imagePercent + gradientPercent == 100 && gradientPercent >= 1 && gradientPercent <= 99 && tex &&
      tex->DrawMode == 0 && hasPoints && (*gradient)[0].Mode < 2) {
    PaintGradTxt(t, aRect, *gradient, SkinImageBitmap(*tex), tex->R, Byte(imagePercent * 255 / 100), alpha);
    return;
  }
  bool textureDrawn = false;
  if (imagePercent > 0) {
    TRect q = aRect;
    TkvFillMode mode;
    if (tex && SkinFillMode(*tex, mode)) {
      if (tex->MaskType & 0xFF)
        TileMasked(t, q, EmptyCI, *tex, mode);
      else
        TileBitmap(t, q, nullptr, *tex, mode);
      textureDrawn = true;
    }
    if (q.Right >= 0) FillRect32(t, q, color, 255);
  }
  if (gradientPercent > 0) {
    if (textureDrawn) {
      std::unique_ptr<TBitmap> layer(CreateBmp32(aRect.Width(), aRect.Height()));
      const TRect whole(0, 0, layer->Width(), layer->Height());
      if (hasPoints)
        PaintGrad(layer.get(), whole, *gradient, 0, 0);
      else
        FillRect32(layer.get(), whole, color, 255);
      SumBmpRect(t, layer.get(), Byte(std::clamp(imagePercent * 255 / 100, 0, 255)), whole, aRect.TopLeft());
    } else if (hasPoints) {
      // The look's transparency goes into the points' alpha, on a copy: the section's own
      // gradient stays as the skin gave it for every other painter.
      TsGradArray translucent = *gradient;
      if (!(translucent[0].Mode & PM_TRANSPARENT)) {
        translucent[0].Mode |= PM_TRANSPARENT;
        for (TsGradPoint& p : translucent) p.Color.A = alpha;
      }
      PaintGrad(t, aRect, translucent, 0, 0);
    } else {
      FillRect32(t, aRect, color, 255);
      return;
    }
  }
  const Integer share = gradientPercent + imagePercent;
  if (share >= 1 && share <= 99) {
    BlendColorRect(t, TRect(aRect.Left, aRect.Top, aRect.Right - 1, aRect.Bottom - 1), Byte(share * 255 / 100), color);
  } else if (share == 0) {
    const uint32_t p = GetAPixel(t, aRect.Left, aRect.Top);
    if (p == 0)
      FillRect32(t, aRect, color, alpha);
    else if (transparency == 0)
      FillRect32(t, aRect, color, 255);
    else
      BlendRect32(t, aRect, color, Byte(100 - transparency), std::max<Byte>(PixA(p), alpha));
  }
}

}  // namespace

void PaintItemBG32(Integer skinIndex, Integer state, const TRect& r, TBitmap* itemBmp, TObject* commonSkinData,
                   TColor customColor) {
  TkvSkinData* sd = dynamic_cast<TkvSkinData*>(commonSkinData);
  if (!sd && IsIDERunning()) Alert(u"Check parameters of the PaintItemBG32 procedure.");
  const TsGeneralData* gd = SkinSection(sd, skinIndex);
  if (!gd || !itemBmp || itemBmp->PixelFormat() != pf32bit || r.IsEmpty()) return;
  const TsGenState& look = gd->Props[size_t(std::clamp(state, 0, 2))];
  GdiFlush();
  if (look.Transparency == 100) {
    if (r == TRect(0, 0, itemBmp->Width(), itemBmp->Height())) FillRect32(itemBmp, r, 0, 0);
    return;
  }
  if (customColor == clFuchsia) {
    PaintAddons32(itemBmp, r, sd, TColor(look.Color), look.Transparency, look.ImagePercent, look.GradientPercent,
                  look.ImagePercent > 0 ? look.TextureIndex : -1,
                  look.GradientPercent > 0 ? &look.GradientArray : nullptr);
  } else {
    PaintAddons32(itemBmp, r, sd, customColor, 0, 0, 0, -1, nullptr);
  }
}

void PaintItem32(Integer skinIndex, bool /*filling*/, Integer state, const TRect& r, const TPoint& /*pP*/,
                 TBitmap* itemBmp, TObject* commonSkinData) {
  if (!itemBmp || r.IsEmpty()) return;
  TkvSkinData* sd = dynamic_cast<TkvSkinData*>(commonSkinData);
  if (!sd && IsIDERunning()) Alert(u"Check parameters of the PaintItem32 procedure.");
  const TsGeneralData* gd = SkinSection(sd, skinIndex);
  if (!gd || itemBmp->Height() < r.Bottom || itemBmp->Width() < r.Right || r.Left < 0 || r.Top < 0) return;
  state = std::clamp(state, 0, std::max(gd->States, 1) - 1);
  const Integer w = r.Width(), h = r.Height();
  // What the caller put under the item, the background of the border and its corners.
  std::unique_ptr<TBitmap> snapshot(CreateBmp32(w + 1, h + 1));
  GdiFlush();
  CopyPixels(ViewOf(snapshot.get()), 0, 0, ViewOf(itemBmp), TRect(r.Left, r.Top, r.Left + w + 1, r.Top + h + 1));
  PaintItemBG32(skinIndex, std::min(state, 2), r, itemBmp, commonSkinData, clFuchsia);
  const TCacheInfo ci = MakeCacheInfo(snapshot.get(), -r.Left, -r.Top);
  if (const TsMaskData* mask = SkinImage(sd, gd->BorderIndex))
    DrawSkinRect32(itemBmp, r, ci, *mask, state);
  else
    TryPaintBorder(itemBmp, r, *gd, state, ci, nullptr, sd->PPI, nullptr);
  snapshot.reset();
  GdiFlush();
  if (itemBmp->Width() == w && itemBmp->Height() == h) UpdateAlpha(itemBmp, r);
}
