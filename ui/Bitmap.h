// TGraphic, the base of pictures, and TBitmap, a device-independent bitmap whose pixel memory
// is reachable directly. Portable: natively the pixels live in plain memory; on Windows in a
// DIB section, so GDI can draw into them (Handle, Canvas).
//
// Row order is bottom-up as in a Windows DIB: ScanLine(0) is the top row, and the byte
// distance from one row to the next (RowDelta) is negative. Rows are padded to 4 bytes.
//
// The gate between GDI and the pixels: GDI may hold back drawing of this thread in a batch, so
// on Windows every way to the pixel memory (ScanLine, View, PixelColor, and the bitmap's own
// copies of it) first flushes that batch; a pixel read after drawing on the canvas sees the
// drawing without a flush of the caller's.
#pragma once

#include <cstdint>
#include <vector>

#include "Classes.h"
#include "Streams.h"
#include "WinFwd.h"

TW_ENUM(TPixelFormat, pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom)
enum TBitmapHandleType { bmDIB, bmDDB };
enum TAlphaFormat { afIgnored, afDefined, afPremultiplied };
enum TTransparentMode { tmAuto, tmFixed };

// A plain view of 32-bit pixel memory: what the raster routines work on.
struct TPixelView {
  Byte* Line0 = nullptr;  // address of the top row
  Integer Delta = 0;      // signed byte distance from one row to the next
  Integer Width = 0;
  Integer Height = 0;

  bool Empty() const { return Line0 == nullptr || Width <= 0 || Height <= 0; }
  uint32_t* Row(Integer y) const { return reinterpret_cast<uint32_t*>(Line0 + static_cast<ptrdiff_t>(y) * Delta); }
  uint32_t& At(Integer x, Integer y) const { return Row(y)[x]; }
};

class TCanvas;
class TBitmapCanvas;

// Stages of a long operation on a picture (a load), as its progress event reports them.
enum TProgressStage { psStarting, psRunning, psEnding };
// Sender, stage, percent done, whether to repaint at once, the part of the picture that is
// ready, and a message for the user.
using TProgressEvent = TEvent<void(TObject* Sender, TProgressStage Stage, Byte PercentDone, bool RedrawNow,
                                   const TRect& R, const String& Msg)>;

class TGraphic : public TPersistent {
 public:
  virtual Integer Width() const = 0;
  virtual Integer Height() const = 0;
  virtual void SetSize(Integer width, Integer height) = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName) const;

  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value) { transparent_ = value; }

  TProgressEvent OnProgress() const { return onProgress_; }
  void SetOnProgress(TProgressEvent e) { onProgress_ = e; }
  // Called after the picture changed: its size, format, pixels as a whole (a load, an
  // assignment) or its colour table.
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }

#ifdef _WIN32
  // Paints the picture into r of the canvas (stretched when the sizes differ). TCanvas's
  // Draw and StretchDraw call it.
  virtual void Draw(TCanvas* canvas, const TRect& r) = 0;
#endif

 protected:
  void Progress(TProgressStage stage, Byte percentDone, bool redrawNow, const TRect& r, const String& msg) {
    onProgress_.Call(this, stage, percentDone, redrawNow, r, msg);
  }
  void Changed() { onChange_.Call(this); }

 private:
  bool transparent_ = false;
  TProgressEvent onProgress_;
  TNotifyEvent onChange_;
};

// In a form description a bitmap property (a button's Glyph) is written as "Glyph.Data": the
// picture as a BMP file.
class TBitmap : public TGraphic {
  TW_CLASS(TBitmap, TGraphic)
  TBitmap() = default;
  TBitmap(Integer width, Integer height, TPixelFormat format = pf32bit);
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  Integer Width() const override { return width_; }
  Integer Height() const override { return height_; }
  void SetWidth(Integer w) { SetSize(w, height_); }
  void SetHeight(Integer h) { SetSize(width_, h); }
  // Keeps the overlapping top-left part of the picture; new pixels are 0.
  // Raises EOutOfResources and leaves the bitmap as it was when the size is impossible
  // (negative, too large for memory or for the platform).
  void SetSize(Integer width, Integer height) override;

  TPixelFormat PixelFormat() const { return format_; }
  // Converts the pixels to the new format (indexed formats by nearest palette colour).
  void SetPixelFormat(TPixelFormat format);
  TBitmapHandleType HandleType() const { return handleType_; }
  void SetHandleType(TBitmapHandleType t);  // always DIB-backed underneath
  bool IgnorePalette() const { return ignorePalette_; }
  void SetIgnorePalette(bool v) { ignorePalette_ = v; }
  TAlphaFormat AlphaFormat() const { return alphaFormat_; }
  void SetAlphaFormat(TAlphaFormat f) { alphaFormat_ = f; }
  TColor TransparentColor() const;  // with tmAuto: the bottom-left pixel's colour
  void SetTransparentColor(TColor c) {
    transparentColor_ = c;
    transparentMode_ = tmFixed;
  }
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode m) { transparentMode_ = m; }

  // Colour table of the indexed formats, as RGBQUAD values (blue in byte 0).
  const std::vector<uint32_t>& ColorTable() const { return colorTable_; }
  void SetColorTable(const std::vector<uint32_t>& table);

  // Address of row y (0 = top), GDI's drawing flushed into it. Raises ERangeError "Scan line
  // index out of range".
  void* ScanLine(Integer y);
  const void* ScanLine(Integer y) const;
  Integer RowDelta() const { return -stride_; }
  Integer Stride() const { return stride_; }
  static Integer BitsPerPixel(TPixelFormat f);
  static Integer StrideFor(Integer width, TPixelFormat f);

  // The pixels of a pf32bit bitmap, GDI's drawing flushed into them; an empty view for other
  // formats or an empty bitmap.
  TPixelView View();

  // Reads one pixel as a colour value (red in byte 0), whatever the pixel format.
  TColor PixelColor(Integer x, Integer y) const;

  void Assign(const TPersistent* source) override;
  bool Empty() const override { return width_ == 0 || height_ == 0; }
  // Reads and writes the Windows BMP file format (BITMAPFILEHEADER + DIB).
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  void FreeImage();  // back to 0 x 0
  // Exchanges the pictures of two bitmaps (pixels, format, colour table, transparency and
  // other settings) without copying pixels; each keeps its own canvas object.
  void Swap(TBitmap& other);

#ifdef _WIN32
  HBITMAP Handle() const { return dib_; }
  // Hands the DIB section to the caller, who deletes it; the bitmap becomes empty.
  HBITMAP ReleaseHandle();
  // Made on first use and kept as long as the bitmap (with its font, brush and pen); its
  // DC is remade when the pixel memory is replaced.
  TCanvas* Canvas();
  // The canvas lets go of its DC (remade on its next use): the bitmap is selected into that
  // DC, and code that selects it into a DC of its own (an image list taking it) must have it
  // free.
  void ReleaseCanvasDC() { DetachCanvas(); }
  // Straight copy; 32-bit pictures with AlphaFormat afDefined or afPremultiplied are blended
  // (AlphaBlend), transparent ones leave out TransparentColor.
  void Draw(TCanvas* canvas, const TRect& r) override;
#endif

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  // Allocates pixel memory for the given geometry (zeroed); false when impossible.
  bool Allocate(Integer width, Integer height, TPixelFormat format, const std::vector<uint32_t>& table);
  void Release();
  // Releases this bitmap's pixel memory and takes next's in its place (next keeps none).
  void TakePixels(TBitmap& next);
  void DetachCanvas();
  void DestroyCanvas();
  // The gate: GDI's batched drawing of this thread lands in the pixel memory (nothing natively).
  static void FlushGdi();
  // Row y of the pixel memory as it stands (the caller has passed the gate).
  Byte* RowAddress(Integer y) const { return bits_ + static_cast<size_t>(height_ - 1 - y) * stride_; }
  TColor PixelColorAt(Integer x, Integer y) const;

  Integer width_ = 0, height_ = 0, stride_ = 0;
  TPixelFormat format_ = pfDevice;
  TBitmapHandleType handleType_ = bmDIB;
  TAlphaFormat alphaFormat_ = afIgnored;
  TTransparentMode transparentMode_ = tmAuto;
  TColor transparentColor_ = clDefault;
  bool ignorePalette_ = false;
  std::vector<uint32_t> colorTable_;
  Byte* bits_ = nullptr;  // bottom row first, as in a DIB
#ifdef _WIN32
  HBITMAP dib_ = nullptr;
  TBitmapCanvas* canvas_ = nullptr;
#endif
};

#ifdef _WIN32
// The one gate between GDI and pixel memory: the drawing GDI holds back in this thread's batch
// lands in the pixels. Every way of TBitmap to its pixels passes it; code that reaches the
// memory of a DIB section another way (through a DC it is selected into) calls it itself.
void FlushGdiDrawing();
#endif

// The default colour table of an indexed format: black and white; the 16 VGA colours; a
// 6x6x6 colour cube followed by greys.
std::vector<uint32_t> DefaultColorTable(TPixelFormat f);
