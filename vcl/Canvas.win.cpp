#include "Canvas.h"

#include <windows.h>

#include "SysUtils.h"

TCanvas::~TCanvas() = default;

TBitmapCanvas::TBitmapCanvas(HBITMAP bitmap) {
  dc_ = CreateCompatibleDC(nullptr);
  if (!dc_) throw EOutOfResources("Out of system resources");
  if (bitmap) oldBitmap_ = SelectObject(dc_, bitmap);
}

TBitmapCanvas::~TBitmapCanvas() {
  if (oldBitmap_) SelectObject(dc_, oldBitmap_);
  DeleteDC(dc_);
}
