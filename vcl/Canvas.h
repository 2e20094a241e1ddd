// TCanvas: drawing on a device context. A bitmap's canvas owns a memory DC that holds the
// bitmap selected for as long as the canvas lives.
#pragma once

#ifdef _WIN32

#include "Types.h"
#include "WinFwd.h"

class TCanvas {
 public:
  TCanvas() = default;
  virtual ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  HDC Handle() const { return dc_; }

 protected:
  HDC dc_ = nullptr;
};

// The canvas of a TBitmap: a memory DC with the bitmap's DIB section selected into it.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(HBITMAP bitmap);
  ~TBitmapCanvas() override;

 private:
  HGDIOBJ oldBitmap_ = nullptr;
};

#endif
