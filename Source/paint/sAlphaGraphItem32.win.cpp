// sAlphaGraph: the 32-bit skin item painter with GDI's steps; an item that fills its whole
// bitmap is premultiplied for the layered window it goes to.
#include <windows.h>

#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"

void PaintItemBG32(Integer skinIndex, Integer state, const TRect& r, TBitmap* itemBmp, TObject* commonSkinData,
                   TColor customColor) {
  TkvItemPainter(GdiItemSteps()).PaintItemBG32(skinIndex, state, r, itemBmp, commonSkinData, customColor);
}

void PaintItem32(Integer skinIndex, bool /*filling*/, Integer state, const TRect& r, const TPoint& /*pP*/,
                 TBitmap* itemBmp, TObject* commonSkinData) {
  if (!TkvItemPainter(GdiItemSteps()).PaintItem32(skinIndex, state, r, itemBmp, commonSkinData)) return;
  if (itemBmp->Width() == r.Width() && itemBmp->Height() == r.Height()) UpdateAlpha(itemBmp, r);
}
