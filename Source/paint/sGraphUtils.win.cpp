// sGraphUtils: textures of skin images painted on a canvas.
#include <windows.h>

#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "skin/sMaskData.h"
#include "ui/Canvas.h"

namespace {
// The pixels of the 32-bit DIB section selected into a DC, through the gate between GDI and the
// pixels; empty for any other surface.
TPixelView ViewOfDC(HDC dc) {
  HGDIOBJ obj = dc ? GetCurrentObject(dc, OBJ_BITMAP) : nullptr;
  DIBSECTION ds{};
  if (!obj || GetObjectW(obj, sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits || ds.dsBm.bmBitsPixel != 32) return {};
  FlushGdiDrawing();
  const Integer w = ds.dsBm.bmWidth, h = ds.dsBm.bmHeight, stride = ds.dsBm.bmWidthBytes;
  Byte* bits = static_cast<Byte*>(ds.dsBm.bmBits);
  if (ds.dsBmih.biHeight < 0) return {bits, stride, w, h};             // top-down
  return {bits + static_cast<size_t>(h - 1) * stride, -stride, w, h};  // bottom-up
}
}  // namespace

void TileBitmap(TCanvas* canvas, TRect& aRect, TGraphic* graphic, const TsMaskData& maskData, TkvFillMode fillMode) {
  (void)graphic;
  if (!canvas || (!maskData.Bmp && !maskData.Manager)) return;
  // The stretching modes leave the block stretch set on the canvas.
  if (fillMode == fmStretched || fillMode == fmStretchHorzTop || fillMode == fmStretchVertLeft ||
      fillMode == fmStretchHorz || fillMode == fmStretchVert)
    SetStretchBltMode(canvas->Handle(), COLORONCOLOR);
  TileBitmap(ViewOfDC(canvas->Handle()), aRect, MaskImageOf(maskData).Src, maskData.R, fillMode);
}
