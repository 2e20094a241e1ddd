// sAlphaGraph: the 32-bit skin item painter (title-bar items of skinned forms): a look's
// Transparency becomes the alpha of its pixels instead of a mix with a parent background.
// Portable; the steps that need GDI are the item painter's (paint/sGraphUtils.h).
#include <algorithm>
#include <memory>

#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/sGradient.h"
#include "skin/sSkinManager.h"

namespace {

// The alpha of a look with Transparency t: 255 at 0, 178 at 30, 0 at 100.
Byte AlphaOfTransparency(Integer t) { return Byte(std::clamp<int64_t>((100 - int64_t(t)) * 255 / 100, 0, 255)); }
Byte ShareWeight(Integer percent) { return Byte(std::clamp<int64_t>(int64_t(percent) * 255 / 100, 0, 255)); }

void PaintGradient(const TkvItemSteps& steps, TBitmap* bmp, const TRect& r, const TsGradArray& data) {
  const TPixelView v = ViewOf(bmp);
  if (v.Empty()) return;
  std::unique_ptr<TGradientDevice> device = steps.GradientDevice ? steps.GradientDevice(bmp) : nullptr;
  PaintGrad(v, r, data, 0, device.get());
}

void PaintAddons32(const TkvItemSteps& steps, TBitmap* t, const TRect& aRect, TkvSkinData* sd, TColor color,
                   Integer transparency, Integer imagePercent, Integer gradientPercent, Integer textureIndex,
                   const TsGradArray* gradient) {
  const Byte alpha = AlphaOfTransparency(transparency);
  const TsMaskData* tex = textureIndex >= 0 ? SkinImage(sd, textureIndex) : nullptr;
  const bool hasPoints = gradient && !gradient->empty();
  if (int64_t(imagePercent) + gradientPercent == 100 && gradientPercent >= 1 && gradientPercent <= 99 && tex &&
      tex->DrawMode == 0 && hasPoints && (*gradient)[0].Mode < 2) {
    PaintGradTxt(ViewOf(t), aRect, *gradient, ViewOf(SkinImageBitmap(*tex)), tex->R, ShareWeight(imagePercent), alpha);
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
      MixInLayer(t, aRect, ShareWeight(imagePercent), [&](TBitmap* layer, const TRect& r, const TPoint&) {
        if (hasPoints)
          PaintGradient(steps, layer, r, *gradient);
        else
          FillRect32(layer, r, color, 255);
      });
    } else if (hasPoints) {
      // The look's transparency goes into the points' alpha, on a copy: the section's own
      // gradient stays as the skin gave it for every other painter.
      TsGradArray translucent = *gradient;
      if (!(translucent[0].Mode & PM_TRANSPARENT)) {
        translucent[0].Mode |= PM_TRANSPARENT;
        for (TsGradPoint& p : translucent) p.Color.A = alpha;
      }
      PaintGradient(steps, t, aRect, translucent);
    } else {
      FillRect32(t, aRect, color, 255);
      return;
    }
  }
  const int64_t share = int64_t(gradientPercent) + imagePercent;
  if (share >= 1 && share <= 99) {
    BlendColorRect(t,
                   TRect(aRect.Left, aRect.Top, NearCoordinate(int64_t(aRect.Right) - 1),
                         NearCoordinate(int64_t(aRect.Bottom) - 1)),
                   ShareWeight(Integer(share)), color);
  } else if (share == 0) {
    // The first pixel of the item tells whether anything lies under it yet.
    const TPixelView v = ViewOf(t);
    const bool inside = aRect.Left >= 0 && aRect.Top >= 0 && aRect.Left < v.Width && aRect.Top < v.Height;
    const uint32_t p = inside ? v.At(aRect.Left, aRect.Top) : 0;
    if (p == 0)
      FillRect32(t, aRect, color, alpha);
    else if (transparency == 0)
      FillRect32(t, aRect, color, 255);
    else
      BlendRect32(t, aRect, color, Byte(std::clamp<int64_t>(100 - int64_t(transparency), 0, 100)),
                  std::max<Byte>(PixA(p), alpha));
  }
}

}  // namespace

void TkvItemPainter::PaintItemBG32(Integer skinIndex, Integer state, const TRect& r, TBitmap* itemBmp,
                                   TObject* commonSkinData, TColor customColor) const {
  auto* sd = dynamic_cast<TkvSkinData*>(commonSkinData);
  if (!sd && steps_.WrongSkinData) steps_.WrongSkinData(u"PaintItemBG32");
  const TsGeneralData* gd = SkinSection(sd, skinIndex);
  if (!gd || !itemBmp || itemBmp->PixelFormat() != pf32bit || r.IsEmpty()) return;
  const TsGenState& look = gd->Props[size_t(std::clamp(state, 0, 2))];
  if (look.Transparency == 100) {
    if (r == TRect(0, 0, itemBmp->Width(), itemBmp->Height())) FillRect32(itemBmp, r, 0, 0);
    return;
  }
  if (customColor == clFuchsia) {
    PaintAddons32(steps_, itemBmp, r, sd, TColor(look.Color), look.Transparency, look.ImagePercent,
                  look.GradientPercent, look.ImagePercent > 0 ? look.TextureIndex : -1,
                  look.GradientPercent > 0 ? &look.GradientArray : nullptr);
  } else {
    PaintAddons32(steps_, itemBmp, r, sd, customColor, 0, 0, 0, -1, nullptr);
  }
}

bool TkvItemPainter::PaintItem32(Integer skinIndex, Integer state, const TRect& r, TBitmap* itemBmp,
                                 TObject* commonSkinData) const {
  if (!itemBmp || r.IsEmpty()) return false;
  auto* sd = dynamic_cast<TkvSkinData*>(commonSkinData);
  if (!sd && steps_.WrongSkinData) steps_.WrongSkinData(u"PaintItem32");
  const TsGeneralData* gd = SkinSection(sd, skinIndex);
  if (!gd || itemBmp->Height() < r.Bottom || itemBmp->Width() < r.Right || r.Left < 0 || r.Top < 0) return false;
  state = std::clamp(state, 0, std::max(gd->States, 1) - 1);
  const Integer w = r.Width(), h = r.Height();
  // What the caller put under the item, the background of the border and its corners.
  std::unique_ptr<TBitmap> snapshot(CreateBmp32(w + 1, h + 1));
  CopyPixels(ViewOf(snapshot.get()), 0, 0, ViewOf(itemBmp), TRect(r.Left, r.Top, r.Left + w + 1, r.Top + h + 1));
  PaintItemBG32(skinIndex, std::min(state, 2), r, itemBmp, commonSkinData, clFuchsia);
  const TCacheInfo ci = MakeCacheInfo(snapshot.get(), -r.Left, -r.Top);
  if (const TsMaskData* mask = SkinImage(sd, gd->BorderIndex))
    DrawSkinRect32(itemBmp, r, ci, *mask, state);
  else
    PaintBorder(itemBmp, r, *gd, state, ci, SectionBorderLine(*gd, state, false), sd->PPI);
  return true;
}
