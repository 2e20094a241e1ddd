// sGradient: the bitmap forms, the device that draws translucent segments through GDI+ and
// diagonal gradients through GradientFill, and the shadow bitmap.
#include "raster/sGradient.h"

#include <windows.h>

#include <algorithm>

#include "base/ManagerLink.h"
#include "raster/MaskImages.h"
#include "raster/kvgpUtils.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"

namespace {

HMODULE hmsimg32 = nullptr;
using TGradientFill = BOOL(WINAPI*)(HDC, TRIVERTEX*, ULONG, void*, ULONG, ULONG);
TGradientFill kvGradientFill = nullptr;

// Draws on the bitmap's DC. The pixel painter goes on through the view it took before the
// segment: asking the bitmap for its view again (the gate between GDI and the pixels) makes
// GDI's segment land in them first.
class TBitmapGradientDevice : public TGradientDevice {
 public:
  explicit TBitmapGradientDevice(TBitmap* bmp) : bmp_(bmp) {}

  void LinearSegment(bool vertical, Integer x, Integer y, Integer width, Integer height, TColor c1, TColor c2,
                     const TRect& excluded) override {
    HDC dc = bmp_->Canvas()->Handle();
    {
      TSaveDC saved(dc);
      ExcludeClipRect(dc, excluded.Left, excluded.Top, excluded.Right, excluded.Bottom);
      if (vertical)
        kvgpGradientRectangleV(dc, float(x), float(y), float(width), float(height), c1, c2);
      else
        kvgpGradientRectangleH(dc, float(x), float(y), float(width), float(height), c1, c2);
    }
    bmp_->View();
  }

  void Diagonal(const TRect& r, const TsGradPoint* p, bool overlay) override {
    HDC dc = bmp_->Canvas()->Handle();
    if (overlay) {
      const TPoint corners[4] = {{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
      const TColor colors[4] = {TColor(p[0].Color.C), TColor(p[2].Color.C), TColor(p[3].Color.C), TColor(p[4].Color.C)};
      kvgpGradientRectangle(dc, corners, colors, float(r.Left), float(r.Top), float(r.Width()), float(r.Height()),
                            TColor(p[1].Color.C));
    } else if (kvGradientFill) {
      auto vert = [](LONG x, LONG y, const TsGradPoint& g) {
        return TRIVERTEX{x, y, COLOR16(g.Color.R << 8), COLOR16(g.Color.G << 8), COLOR16(g.Color.B << 8), 0xFF00};
      };
      TRIVERTEX v[5] = {vert(r.Left, r.Top, p[0]), vert(r.Left + r.Width() / 2, r.Top + r.Height() / 2, p[1]),
                        vert(r.Right, r.Top, p[2]), vert(r.Right, r.Bottom, p[3]), vert(r.Left, r.Bottom, p[4])};
      GRADIENT_TRIANGLE t[4] = {{0, 1, 2}, {1, 2, 3}, {0, 1, 4}, {4, 1, 3}};
      kvGradientFill(dc, v, 5, t, 4, GRADIENT_FILL_TRIANGLE);
    }
    bmp_->View();
  }

 private:
  TBitmap* bmp_;
};

}  // namespace

void sGradientStartup() {
  if (hmsimg32) return;
  hmsimg32 = LoadLibraryW(L"msimg32.dll");
  if (hmsimg32)
    kvGradientFill = reinterpret_cast<TGradientFill>(reinterpret_cast<void*>(GetProcAddress(hmsimg32, "GradientFill")));
}

void sGradientCleanup() {
  if (hmsimg32) FreeLibrary(hmsimg32);
  hmsimg32 = nullptr;
  kvGradientFill = nullptr;
}

std::unique_ptr<TGradientDevice> MakeGradientDevice(TBitmap* bmp) {
  return bmp ? std::make_unique<TBitmapGradientDevice>(bmp) : nullptr;
}

void PaintGrad(TBitmap* bmp, const TRect& aRect, const TsGradArray& data, Integer /*offsetX*/, Integer offsetY) {
  const TPixelView v = ViewOf(bmp);
  if (v.Empty()) return;
  TBitmapGradientDevice device(bmp);
  PaintGrad(v, aRect, data, offsetY, &device);
}

void PaintGradTxt(TBitmap* bmp, const TRect& aRect, const TsGradArray& data, TBitmap* textureBmp,
                  const TRect& textureRect, Byte textureAlpha, Byte alphaChannel) {
  const TPixelView v = ViewOf(bmp);
  if (v.Empty()) return;
  PaintGradTxt(v, aRect, data, ViewOf(textureBmp), textureRect, textureAlpha, alphaChannel);
}

TBitmap* MakeShadow(TColor color, Integer radius, Integer offset, Integer bodyHeight, Integer bodyWidth,
                    Integer blurSize, bool maskMode, bool doUpdateAlpha) {
  const TSize size = ShadowSize(radius, offset, bodyHeight, bodyWidth);
  TBitmap* bmp = CreateBmp32(size.cx, size.cy);
  MakeShadowView(ViewOf(bmp), color, radius, offset, bodyHeight, bodyWidth, blurSize, maskMode);
  if (doUpdateAlpha && !bmp->Empty()) UpdateAlpha(bmp);
  bmp->Canvas()->Lock();
  return bmp;
}

void PrepareLightMask(TBitmap*& maskBmp, Integer aWidth, Integer /*aHeight*/, TColor aColor) {
  const Integer m = std::min(std::max(aWidth, DefaultScaleInt(100)), DefaultScaleInt(200));
  if (maskBmp && maskBmp->Width() == 2 * m + 1 && maskBmp->Height() == 2 * m + 1 &&
      maskBmp->Canvas()->Brush()->Color() == aColor)
    return;
  delete maskBmp;
  maskBmp = MakeShadow(aColor, m, 0, 0, 0, m, false, false);
  maskBmp->Canvas()->Brush()->SetColor(aColor);
}
