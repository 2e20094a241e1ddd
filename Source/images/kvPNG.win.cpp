// The Windows half of kvPNG: pictures kept as resources of a module, and drawing on a canvas.
#include <windows.h>

#include <memory>

#include "base/sConst.h"
#include "images/kvPNG.h"
#include "raster/Blend.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"

void TPNGGraphic::LoadFromResourceName(HINSTANCE instance, const String& resName) {
  TResourceStream stream(instance, resName, RT_RCDATA_ID);
  LoadFromStream(stream);
}

namespace {

// An 8-bit bitmap whose index is its grey level: blits between two of them keep the values.
std::unique_ptr<TBitmap> GreyBitmap(Integer width, Integer height) {
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixelFormat(pf8bit);
  TColorTable ramp(256);
  for (uint32_t i = 0; i < 256; ++i) ramp[i] = i * 0x010101u;
  bmp->SetColorTable(ramp);
  bmp->SetSize(width, height);
  return bmp;
}

void StretchInto(TBitmap& dst, TBitmap& src) {
  HDC dc = dst.Canvas()->Handle();
  TSaveDC saved(dc);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, 0, 0, dst.Width(), dst.Height(), src.Canvas()->Handle(), 0, 0, src.Width(), src.Height(), SRCCOPY);
}

}  // namespace

void TPNGGraphic::Draw(TCanvas* canvas, const TRect& r) {
  if (PixelFormat() != pf32bit) {
    TBitmap::Draw(canvas, r);
    return;
  }
  const Integer w = r.Width(), h = r.Height();
  if (w <= 0 || h <= 0 || Empty()) return;
  std::unique_ptr<TBitmap> work(CreateBmp32(w, Reflected ? h + h / 2 : h));
  if (work->Empty()) return;
  // What the canvas already shows is the background the picture is blended over.
  BitBlt(work->Canvas()->Handle(), 0, 0, work->Width(), work->Height(), canvas->Handle(), r.Left, r.Top, SRCCOPY);
  const TRect whole(0, 0, w, h);
  if (w == Width() && h == Height()) {
    CopyBmp32(whole, whole, ViewOf(work.get()), ViewOf(this), BackdropOf(EmptyCI), false, clNone, 0, Reflected);
  } else {
    // Colours and alpha are stretched apart (a blit does not carry alpha), then joined.
    std::unique_ptr<TBitmap> colours(CreateBmp32(w, h));
    StretchInto(*colours, *this);
    std::unique_ptr<TBitmap> alpha = GreyBitmap(Width(), Height()), stretchedAlpha = GreyBitmap(w, h);
    CopyChannel(this, alpha.get(), 3, true);
    StretchInto(*stretchedAlpha, *alpha);
    CopyChannel(colours.get(), stretchedAlpha.get(), 3, false);
    CopyBmp32(whole, whole, ViewOf(work.get()), ViewOf(colours.get()), BackdropOf(EmptyCI), false, clNone, 0, false);
  }
  BitBlt(canvas->Handle(), r.Left, r.Top, work->Width(), work->Height(), work->Canvas()->Handle(), 0, 0, SRCCOPY);
}
