// The GDI steps of 32-bit bitmaps and layered windows: copies between bitmaps of any format, the
// faded rounded rectangle, icons, and the layered-window and layout functions bound by name at
// start-up.
#include "raster/GdiBitmaps.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "raster/Blend.h"
#include "raster/MaskImages.h"
#include "raster/Shapes.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"

// ---- Functions bound by name ------------------------------------------------------------------

namespace {
HMODULE Gdi32Lib = nullptr;
HMODULE User32Lib = nullptr;
using TSetLayout = DWORD(WINAPI*)(HDC, DWORD);
using TGetLayout = DWORD(WINAPI*)(HDC);
using TUpdateLayeredWindow = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
using TSetLayeredWindowAttributes = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
TSetLayout SetLayoutProc = nullptr;
TGetLayout GetLayoutProc = nullptr;
TUpdateLayeredWindow UpdateLayeredWindowProc = nullptr;
TSetLayeredWindowAttributes SetLayeredWindowAttributesProc = nullptr;

template <class F>
F Bind(HMODULE lib, const char* name) {
  return lib ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(lib, name))) : nullptr;
}
}  // namespace

void sGraphUtilsStartup() {
  if (!Gdi32Lib) {
    Gdi32Lib = LoadLibraryW(L"gdi32.dll");
    SetLayoutProc = Bind<TSetLayout>(Gdi32Lib, "SetLayout");
    GetLayoutProc = Bind<TGetLayout>(Gdi32Lib, "GetLayout");
  }
  if (!User32Lib) {
    User32Lib = LoadLibraryW(L"user32.dll");
    UpdateLayeredWindowProc = Bind<TUpdateLayeredWindow>(User32Lib, "UpdateLayeredWindow");
    SetLayeredWindowAttributesProc = Bind<TSetLayeredWindowAttributes>(User32Lib, "SetLayeredWindowAttributes");
  }
  GetCheckSize();
}

void sGraphUtilsCleanup() {
  ClearRoundMasks();  // the corner kernels' masks, cached for the run, go with it
  SetLayoutProc = nullptr;
  GetLayoutProc = nullptr;
  UpdateLayeredWindowProc = nullptr;
  SetLayeredWindowAttributesProc = nullptr;
  if (Gdi32Lib) FreeLibrary(Gdi32Lib);
  if (User32Lib) FreeLibrary(User32Lib);
  Gdi32Lib = User32Lib = nullptr;
}

bool kvLayered() { return UpdateLayeredWindowProc != nullptr; }

void kvSetLayout(HDC hdc, Cardinal dwLayout) {
  if (SetLayoutProc) SetLayoutProc(hdc, dwLayout);
}

Cardinal kvGetLayout(HDC hdc) { return GetLayoutProc ? GetLayoutProc(hdc) : 0; }

void UpdateLayeredWnd(HWND handle, TBitmap* bmp, TSize* size, BLENDFUNCTION* blendData, TPoint* newPos) {
  if (!UpdateLayeredWindowProc || !bmp) return;
  TClientDC screen(nullptr);
  POINT source{0, 0};
  UpdateLayeredWindowProc(handle, screen, reinterpret_cast<POINT*>(newPos), reinterpret_cast<SIZE*>(size),
                          bmp->Canvas()->Handle(), &source, clNone, blendData, ULW_ALPHA);
}

void CopyBmp(TBitmap* dstBmp, TBitmap* srcBmp) {
  if (!dstBmp || !srcBmp) return;
  dstBmp->SetPixelFormat(srcBmp->PixelFormat());
  dstBmp->SetHandleType(bmDIB);
  dstBmp->SetSize(srcBmp->Width(), srcBmp->Height());
  if (srcBmp->Empty()) return;
  BitBlt(dstBmp->Canvas()->Handle(), 0, 0, srcBmp->Width(), srcBmp->Height(), srcBmp->Canvas()->Handle(), 0, 0,
         SRCCOPY);
}

HICON MakeIcon32(TBitmap* img, bool /*updateAlphaChannell: has no effect*/) {
  if (!img || img->Empty()) return nullptr;
  img->SetPixelFormat(pf32bit);
  TPixelView v = img->View();
  // The AND mask: 255 - alpha of each pixel, one byte a pixel.
  TBitmap mask(v.Width, v.Height, pf8bit);
  for (Integer y = 0; y < v.Height; ++y) {
    Byte* m = static_cast<Byte*>(mask.ScanLine(y));
    const uint32_t* p = v.Row(y);
    for (Integer x = 0; x < v.Width; ++x) m[x] = static_cast<Byte>(255 - PixA(p[x]));
  }
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = img->Handle();
  info.hbmMask = mask.Handle();
  return CreateIconIndirect(&info);
}

void FadeBmp(TBitmap* fadedBmp, const TRect& aRect, Integer transparency, TColor color, Integer blur, Integer radius) {
  if (!fadedBmp) return;
  const Integer w = aRect.Right - aRect.Left, h = aRect.Bottom - aRect.Top;
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<TBitmap> bmp(CreateBmp32(w, h)), mask(CreateBmp32(w, h));
  if (bmp->Empty() || mask->Empty()) return;
  blur = std::clamp(blur, 0, std::min(w / 2, h / 2));
  radius = std::clamp(radius, 0, std::min(w / 2, h / 2));
  const Integer rValue = std::clamp(transparency, 0, 100) * 255 / 100;
  // The area of the picture (only the part inside the bitmap; the rest stays as made).
  CopyPixels(bmp->View(), 0, 0, ViewOf(fadedBmp), aRect);
  // The mask: white outside the outermost rounded rectangle keeps the picture in the corners;
  // then rings from 255 down to rValue, and the inner area in rValue.
  FillRect32(mask.get(), {0, 0, w, h}, 0xFFFFFF, 255);
  HDC dc = mask->Canvas()->Handle();
  {
    TSelectObject pen(dc, GetStockObject(NULL_PEN));
    const double delta = double(255 - rValue) / (blur + 1);
    Integer g = 255;
    auto ring = [&](Integer inset, Integer corner, Integer grey) {
      TOwnedBrush brush(CreateSolidBrush(RGB(grey, grey, grey)));
      TSelectObject sel(dc, brush.get());
      RoundRect(dc, inset, inset, w - inset, h - inset, corner, corner);
    };
    for (Integer i = 0; i <= blur; ++i) {
      ring(i, radius, g);
      g = rValue + static_cast<Integer>(std::nearbyint((blur - i) * delta));
    }
    ring(blur, blur, g);
  }
  BlendBmpByMask(bmp->View(), mask->View(), color);
  CopyPixels(ViewOf(fadedBmp), aRect.Left, aRect.Top, bmp->View(), {0, 0, w, h});
}

// ---- GDI drawing whose lost alpha is put back ------------------------------------------------------

namespace {
// The bitmaps with a live drawing scope: how many scopes each has and the areas they cover.
struct TDrawnBitmap {
  TBitmap* Bmp;
  Integer Depth;
  std::vector<TRect> Areas;
};
std::vector<TDrawnBitmap>& DrawnBitmaps() {
  static std::vector<TDrawnBitmap> bitmaps;
  return bitmaps;
}
}  // namespace

TGdiDrawing::TGdiDrawing(TBitmap* bmp, const TRect& area) : bmp_(bmp) {
  if (!bmp_) return;
  bmp_->Canvas()->Lock();
  auto& drawn = DrawnBitmaps();
  auto it = std::find_if(drawn.begin(), drawn.end(), [&](const TDrawnBitmap& d) { return d.Bmp == bmp_; });
  if (it == drawn.end()) it = drawn.insert(drawn.end(), TDrawnBitmap{bmp_, 0, {}});
  ++it->Depth;
  it->Areas.push_back(area);
}

TGdiDrawing::TGdiDrawing(TBitmap* bmp)
    : TGdiDrawing(bmp, TRect(0, 0, bmp ? bmp->Width() : 0, bmp ? bmp->Height() : 0)) {}

TGdiDrawing::~TGdiDrawing() {
  if (!bmp_) return;
  bmp_->Canvas()->Unlock();
  auto& drawn = DrawnBitmaps();
  auto it = std::find_if(drawn.begin(), drawn.end(), [&](const TDrawnBitmap& d) { return d.Bmp == bmp_; });
  if (it == drawn.end() || --it->Depth > 0) return;
  const std::vector<TRect> areas = std::move(it->Areas);
  drawn.erase(it);
  const TPixelView v = bmp_->View();
  for (const TRect& area : areas) FillAlphaRect(v, area, 255, clNone, nullptr, 0);
}

HDC TGdiDrawing::DC() const { return bmp_ ? bmp_->Canvas()->Handle() : nullptr; }
