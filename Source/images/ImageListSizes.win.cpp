#include "images/ImageListSizes.h"

#include <cmath>
#include <cstdlib>

#include "images/kvAlphaImageList.h"

Integer GetImageCount(TCustomImageList* imgList) { return imgList ? imgList->Count() : 0; }

namespace {

Integer RoundInt(double v) { return static_cast<Integer>(std::nearbyint(v)); }

bool IsItem(TsCharImageList* list, Integer index) { return index >= 0 && index < list->Items()->Count(); }

}  // namespace

Integer GetImageWidth(TCustomImageList* imgList, Integer index, Integer ppi, bool /*useAngle*/) {
  if (!imgList) return 0;
  if (dynamic_cast<TsAlphaImageList*>(imgList)) return imgList->Width() * ppi / 96;
  if (auto* chars = dynamic_cast<TsCharImageList*>(imgList)) {
    const Integer w = IsItem(chars, index) ? chars->Items()->Items(index)->ActualWidth(false) : chars->DesignWidth();
    return chars->AllowScale() ? w * ppi / 96 : w;
  }
  return imgList->Width();
}

Integer GetImageHeight(TCustomImageList* imgList, Integer index, Integer ppi, bool /*useAngle*/) {
  if (!imgList) return 0;
  if (dynamic_cast<TsAlphaImageList*>(imgList)) return imgList->Height() * ppi / 96;
  if (auto* chars = dynamic_cast<TsCharImageList*>(imgList)) {
    Integer h = chars->DesignHeight();
    if (IsItem(chars, index)) {
      const TkvCharListItem* item = chars->Items()->Items(index);
      h = RoundInt((std::abs(item->OffsetY()) + h) * item->ScalingFactor());
    }
    return chars->AllowScale() ? h * ppi / 96 : h;
  }
  return imgList->Height();
}
