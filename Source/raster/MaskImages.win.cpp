// The steps of the skin-image kernels that need GDI: the block stretch mode of a canvas and the
// round masks, drawn with GDI+ and cached for the run.
#include "raster/MaskImages.h"

#include <windows.h>

#include <memory>
#include <vector>

#include "raster/Blend.h"
#include "raster/kvgpUtils.h"
#include "ui/Canvas.h"

void SetBlockStretchMode(TBitmap* bmp) {
  if (bmp) SetStretchBltMode(bmp->Canvas()->Handle(), COLORONCOLOR);
}

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
  return mask;
}

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
