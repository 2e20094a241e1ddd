// TCanvas: drawing on a device context with the canvas's own Font, Brush and Pen, which it
// selects into the DC when a drawing call needs them and takes out again before they change
// or the DC goes. Windows only.
//
// Kinds of canvas:
//   - TCanvas with SetHandle(dc): draws on a DC that someone else owns (a paint DC, a
//     window DC); SetHandle(nullptr) gives the DC back in the state it came in.
//   - TBitmapCanvas (TBitmap::Canvas()): a memory DC with the bitmap selected, made on first
//     use of Handle(); the canvas and its tools live as long as the bitmap, the DC is
//     remade when the bitmap's pixel memory is replaced (size or format changes).
//   - TControlCanvas (Controls.h): the DC of a control's window.
//
// Lock/Unlock bracket code that keeps using Handle() across calls which might otherwise
// let the canvas drop its DC (TCanvasLock in GdiScopes.h does it for a scope).
#pragma once

#ifdef _WIN32

#include <initializer_list>
#include <memory>
#include <mutex>

#include "Graphics.h"
#include "Types.h"
#include "WinFwd.h"

class TGraphic;
class TBitmap;

// Raster operations of CopyRect and Draw (BitBlt codes).
constexpr Cardinal cmSrcCopy = 0x00CC0020;
constexpr Cardinal cmSrcPaint = 0x00EE0086;
constexpr Cardinal cmSrcAnd = 0x008800C6;
constexpr Cardinal cmSrcInvert = 0x00660046;
constexpr Cardinal cmBlackness = 0x00000042;
constexpr Cardinal cmWhiteness = 0x00FF0062;

class TCanvas : public TPersistent {
  TW_CLASS(TCanvas, TPersistent)
  TCanvas();
  ~TCanvas() override;

  // The DC, made by the canvas kind when it has none yet, with the canvas's font, pen and
  // brush selected; raises EInvalidOperation "Canvas does not allow drawing" when there is
  // none to make.
  HDC Handle();
  // Draws on a DC owned by the caller from now on (nullptr: none); the previous DC gets its
  // own objects back first.
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }

  TFont* Font() const { return font_.get(); }
  TBrush* Brush() const { return brush_.get(); }
  TPen* Pen() const { return pen_.get(); }
  void SetFont(const TFont* font) { font_->Assign(font); }
  void SetBrush(const TBrush* brush) { brush_->Assign(brush); }
  void SetPen(const TPen* pen) { pen_->Assign(pen); }
  Cardinal CopyMode() const { return copyMode_; }
  void SetCopyMode(Cardinal mode) { copyMode_ = mode; }

  TPoint PenPos();
  void SetPenPos(TPoint p) { MoveTo(p.X, p.Y); }
  void MoveTo(Integer x, Integer y);
  void LineTo(Integer x, Integer y);
  void Rectangle(Integer x1, Integer y1, Integer x2, Integer y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3);
  void Ellipse(Integer x1, Integer y1, Integer x2, Integer y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void Polygon(const TPoint* points, Integer count);
  void Polygon(std::initializer_list<TPoint> points) { Polygon(points.begin(), static_cast<Integer>(points.size())); }
  void Polyline(const TPoint* points, Integer count);
  void Polyline(std::initializer_list<TPoint> points) { Polyline(points.begin(), static_cast<Integer>(points.size())); }
  // With the brush; right and bottom edges outside, as GDI has them.
  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);
  void DrawFocusRect(const TRect& r);

  // Text in the font's colour; the brush decides the background (bsClear: transparent).
#pragma push_macro("TextOut")
#pragma push_macro("TextOutW")
#undef TextOut
#undef TextOutW
  void TextOut(Integer x, Integer y, const String& text);
  void TextOutW(Integer x, Integer y, const String& text) { TextOut(x, y, text); }  // <windows.h> renames calls
#pragma pop_macro("TextOutW")
#pragma pop_macro("TextOut")
  // Text at (x, y) clipped to r.
  void TextRect(const TRect& r, Integer x, Integer y, const String& text);
  // Text laid out in r by the system's text formatting (DT_ flags); with DT_CALCRECT nothing
  // is drawn and r becomes the text's extent. Etched (the disabled look): once in the
  // highlight colour a pixel down and right, then in the shadow colour.
  void FormattedText(TRect& r, const String& text, Cardinal flags, bool etched = false);
  TSize TextExtent(const String& text);
  Integer TextWidth(const String& text) { return TextExtent(text).cx; }
  Integer TextHeight(const String& text) { return TextExtent(text).cy; }

  // Pictures: Draw at their own size, StretchDraw into r.
  void Draw(Integer x, Integer y, TGraphic* graphic);
  void StretchDraw(const TRect& r, TGraphic* graphic);
  // Copies source's rectangle into dest with CopyMode (stretching when the sizes differ).
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);

  // One pixel as a colour (red in byte 0); clNone (0x1FFFFFFF) outside the clip region.
  TColor Pixels(Integer x, Integer y);
  void SetPixels(Integer x, Integer y, TColor color);
  TRect ClipRect();

  void Lock();
  void Unlock();
  bool TryLock();
  Integer LockCount() const { return lockCount_; }
  // Takes the tools out of the DC; they go back in on the next drawing call.
  void Refresh();

 protected:
  // Makes dc_ when the canvas kind can; the base class cannot.
  virtual void CreateHandle() {}
  // Takes the tools out and forgets the DC (the caller frees it).
  void ReleaseDC();

  HDC dc_ = nullptr;

 private:
  enum : unsigned { kFontValid = 1, kPenValid = 2, kBrushValid = 4 };
  HDC EnsureDC();
  void Require(unsigned what);
  void DeselectHandles();
  void FontChanged(TObject*);
  void PenChanged(TObject*);
  void BrushChanged(TObject*);

  const std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  const std::unique_ptr<TBrush> brush_ = std::make_unique<TBrush>();
  const std::unique_ptr<TPen> pen_ = std::make_unique<TPen>();
  unsigned valid_ = 0;
  HGDIOBJ oldFont_ = nullptr, oldPen_ = nullptr, oldBrush_ = nullptr;
  Cardinal copyMode_ = cmSrcCopy;
  std::recursive_mutex lock_;
  Integer lockCount_ = 0;
};

// The canvas of a TBitmap: a memory DC with the bitmap's DIB section selected.
class TBitmapCanvas : public TCanvas {
 public:
  explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}
  ~TBitmapCanvas() override;
  // The bitmap's pixel memory is about to be replaced: let go of the DC.
  void FreeContext();

 protected:
  void CreateHandle() override;

 private:
  TBitmap* bitmap_;
  HGDIOBJ oldBitmap_ = nullptr;
};

#endif
