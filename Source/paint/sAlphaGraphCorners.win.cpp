// sAlphaGraph: the cached round masks (drawn with GDI+) and the rounding form of UpdateCorners
// over the corner-blending kernel.
#include <windows.h>

#include <memory>
#include <vector>

#include "raster/kvgpUtils.h"
#include "paint/sAlphaGraph.h"
#include "skin/sSkinManager.h"
#include "ui/Canvas.h"

namespace {

// Radii 1 to 4 in their own slots (radius - 1); larger ones from slot 5 on, in the order asked.
std::vector<std::unique_ptr<TBitmap>>& RoundMasks() {
  static std::vector<std::unique_ptr<TBitmap>> masks;
  if (masks.size() < 5) masks.resize(5);
  return masks;
}

std::unique_ptr<TBitmap> BuildRoundMask(Integer size) {
  std::unique_ptr<TBitmap> mask(CreateBmp32(size, size));
  FillRect32(mask.get(), TRect(0, 0, size, size), clWhite, 255);
  kvgpFillEllipse(mask->Canvas()->Handle(), 0, 0, float(size - 1), float(size - 1), clBlack);
  GdiFlush();
  return mask;
}

TPixelView RoundMaskView(Integer radius) { return ViewOf(GetRoundMask(radius)); }

}  // namespace

TBitmap* GetRoundMask(Integer radius) {
  if (radius < 1 || radius > (INT32_MAX - 1) / 2) return nullptr;
  auto& masks = RoundMasks();
  const Integer size = 2 * radius + 1;
  if (radius <= 4) {
    auto& slot = masks[size_t(radius - 1)];
    if (!slot) slot = BuildRoundMask(size);
    return slot.get();
  }
  for (size_t i = 5; i < masks.size(); ++i)
    if (masks[i] && masks[i]->Width() == size) return masks[i].get();
  masks.push_back(BuildRoundMask(size));
  return masks.back().get();
}

void ClearRoundMasks() {
  for (auto& m : RoundMasks()) m.reset();
}

void UpdateCorners(const TsGeneralData& gd, TBitmap* bmp, const TRect& r, const TCacheInfo& ci,
                   const TkvIntValues* radii, bool extSource) {
  if (!bmp) return;
  GdiFlush();
  if (radii) {
    const Integer values[4] = {radii->Value0, radii->Value1, radii->Value2, radii->Value3};
    RoundCorners(ViewOf(bmp), r, values, gd.BorderRadius, BackdropOf(ci), extSource, RoundMaskView);
  } else {
    RoundCorners(ViewOf(bmp), r, nullptr, gd.BorderRadius, BackdropOf(ci), extSource, RoundMaskView);
  }
}
