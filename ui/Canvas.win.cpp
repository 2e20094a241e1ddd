#include "Canvas.h"

#include <windows.h>

#include <vector>

#undef TextOut  // the canvas's own TextOut is defined here

#include "Bitmap.h"
#include "SysUtils.h"

TW_DEFINE_CLASS(TCanvas) {}

TCanvas::TCanvas() {
  font_->SetOnChange(TNotifyEvent(this, &TCanvas::FontChanged));
  brush_->SetOnChange(TNotifyEvent(this, &TCanvas::BrushChanged));
  pen_->SetOnChange(TNotifyEvent(this, &TCanvas::PenChanged));
}

TCanvas::~TCanvas() { DeselectHandles(); }

HDC TCanvas::EnsureDC() {
  if (!dc_) CreateHandle();
  if (!dc_) throw EInvalidOperation("Canvas does not allow drawing");
  return dc_;
}

HDC TCanvas::Handle() {
  // As the class library's: whoever draws on Handle directly finds the canvas's font,
  // pen and brush selected.
  Require(kFontValid | kPenValid | kBrushValid);
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  DeselectHandles();
  dc_ = dc;
}

void TCanvas::ReleaseDC() {
  DeselectHandles();
  dc_ = nullptr;
}

void TCanvas::Require(unsigned what) {
  HDC dc = EnsureDC();
  unsigned missing = what & ~valid_;
  if (missing & kFontValid) {
    HGDIOBJ old = SelectObject(dc, font_->Handle());
    if (!oldFont_) oldFont_ = old;
    SetTextColor(dc, ColorToRGB(font_->Color()));
  }
  if (missing & kPenValid) {
    HGDIOBJ old = SelectObject(dc, pen_->Handle());
    if (!oldPen_) oldPen_ = old;
    static constexpr int kRop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                    R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                    R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                    R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
    SetROP2(dc, kRop2[pen_->Mode()]);
  }
  if (missing & kBrushValid) {
    HBRUSH b = brush_->Handle();
    UnrealizeObject(b);
    HGDIOBJ old = SelectObject(dc, b);
    if (!oldBrush_) oldBrush_ = old;
    SetBkColor(dc, ColorToRGB(brush_->Color()));
    SetBkMode(dc, brush_->Style() == bsClear ? TRANSPARENT : OPAQUE);
  }
  valid_ |= what;
}

void TCanvas::DeselectHandles() {
  // The DC gets back what it held before the canvas put its tools in, so the tools can be
  // deleted and a borrowed DC is handed back unchanged.
  if (dc_) {
    if (oldFont_) SelectObject(dc_, oldFont_);
    if (oldPen_) SelectObject(dc_, oldPen_);
    if (oldBrush_) SelectObject(dc_, oldBrush_);
  }
  oldFont_ = oldPen_ = oldBrush_ = nullptr;
  valid_ = 0;
}

void TCanvas::FontChanged(TObject*) {
  if (dc_ && (valid_ & kFontValid) && oldFont_) {
    SelectObject(dc_, oldFont_);
    oldFont_ = nullptr;
  }
  valid_ &= ~kFontValid;
}

void TCanvas::PenChanged(TObject*) {
  if (dc_ && (valid_ & kPenValid) && oldPen_) {
    SelectObject(dc_, oldPen_);
    oldPen_ = nullptr;
  }
  valid_ &= ~kPenValid;
}

void TCanvas::BrushChanged(TObject*) {
  if (dc_ && (valid_ & kBrushValid) && oldBrush_) {
    SelectObject(dc_, oldBrush_);
    oldBrush_ = nullptr;
  }
  valid_ &= ~kBrushValid;
}

void TCanvas::Refresh() { DeselectHandles(); }

TPoint TCanvas::PenPos() {
  POINT p{};
  GetCurrentPositionEx(EnsureDC(), &p);
  return {p.x, p.y};
}

void TCanvas::MoveTo(Integer x, Integer y) { MoveToEx(EnsureDC(), x, y, nullptr); }

void TCanvas::LineTo(Integer x, Integer y) {
  Require(kPenValid | kBrushValid);
  ::LineTo(dc_, x, y);
}

void TCanvas::Rectangle(Integer x1, Integer y1, Integer x2, Integer y2) {
  Require(kPenValid | kBrushValid);
  ::Rectangle(dc_, x1, y1, x2, y2);
}

void TCanvas::RoundRect(Integer x1, Integer y1, Integer x2, Integer y2, Integer x3, Integer y3) {
  Require(kPenValid | kBrushValid);
  ::RoundRect(dc_, x1, y1, x2, y2, x3, y3);
}

void TCanvas::Ellipse(Integer x1, Integer y1, Integer x2, Integer y2) {
  Require(kPenValid | kBrushValid);
  ::Ellipse(dc_, x1, y1, x2, y2);
}

void TCanvas::Polygon(const TPoint* points, Integer count) {
  if (count <= 0) return;
  Require(kPenValid | kBrushValid);
  static_assert(sizeof(TPoint) == sizeof(POINT));
  ::Polygon(dc_, reinterpret_cast<const POINT*>(points), count);
}

void TCanvas::Polyline(const TPoint* points, Integer count) {
  if (count <= 0) return;
  Require(kPenValid | kBrushValid);
  ::Polyline(dc_, reinterpret_cast<const POINT*>(points), count);
}

void TCanvas::FillRect(const TRect& r) {
  Require(kBrushValid);
  static_assert(sizeof(TRect) == sizeof(RECT));
  ::FillRect(dc_, reinterpret_cast<const RECT*>(&r), brush_->Handle());
}

void TCanvas::FrameRect(const TRect& r) {
  Require(kBrushValid);
  ::FrameRect(dc_, reinterpret_cast<const RECT*>(&r), brush_->Handle());
}

void TCanvas::DrawFocusRect(const TRect& r) {
  Require(kBrushValid);
  ::DrawFocusRect(dc_, reinterpret_cast<const RECT*>(&r));
}

void TCanvas::TextOut(Integer x, Integer y, const String& text) {
  Require(kFontValid | kBrushValid);
  ExtTextOutW(dc_, x, y, 0, nullptr, WideStr(text), static_cast<UINT>(text.size()), nullptr);
  MoveToEx(dc_, x + TextWidth(text), y, nullptr);
}

void TCanvas::TextRect(const TRect& r, Integer x, Integer y, const String& text) {
  Require(kFontValid | kBrushValid);
  UINT options = ETO_CLIPPED | (brush_->Style() != bsClear ? ETO_OPAQUE : 0);
  ExtTextOutW(dc_, x, y, options, reinterpret_cast<const RECT*>(&r), WideStr(text), static_cast<UINT>(text.size()),
              nullptr);
}

void TCanvas::FormattedText(TRect& r, const String& text, Cardinal flags, bool etched) {
  Require(kFontValid | kBrushValid);
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  auto draw = [&] { DrawTextW(dc_, WideStr(text), static_cast<int>(text.size()), &rc, flags); };
  if (flags & DT_CALCRECT) {
    draw();
    r = {rc.left, rc.top, rc.right, rc.bottom};
    return;
  }
  if (!etched) {
    draw();
    return;
  }
  OffsetRect(&rc, 1, 1);
  SetTextColor(dc_, ColorToRGB(clBtnHighlight));
  draw();
  OffsetRect(&rc, -1, -1);
  SetTextColor(dc_, ColorToRGB(clBtnShadow));
  draw();
  SetTextColor(dc_, ColorToRGB(font_->Color()));
}

TSize TCanvas::TextExtent(const String& text) {
  Require(kFontValid);
  SIZE s{};
  GetTextExtentPoint32W(dc_, WideStr(text), static_cast<int>(text.size()), &s);
  return {s.cx, s.cy};
}

void TCanvas::Draw(Integer x, Integer y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, TRect(x, y, x + graphic->Width(), y + graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
  if (!source) return;
  Require(kBrushValid);
  source->Require(kBrushValid);
  StretchBlt(dc_, dest.Left, dest.Top, dest.Width(), dest.Height(), source->dc_, sourceRect.Left, sourceRect.Top,
             sourceRect.Width(), sourceRect.Height(), copyMode_);
}

TColor TCanvas::Pixels(Integer x, Integer y) {
  COLORREF c = GetPixel(EnsureDC(), x, y);
  return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixels(Integer x, Integer y, TColor color) { SetPixel(EnsureDC(), x, y, ColorToRGB(color)); }

TRect TCanvas::ClipRect() {
  RECT r{};
  GetClipBox(EnsureDC(), &r);
  return {r.left, r.top, r.right, r.bottom};
}

void TCanvas::Lock() {
  lock_.lock();
  ++lockCount_;
}

void TCanvas::Unlock() {
  --lockCount_;
  lock_.unlock();
}

bool TCanvas::TryLock() {
  if (!lock_.try_lock()) return false;
  ++lockCount_;
  return true;
}

// ---- TBitmapCanvas --------------------------------------------------------------------

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::CreateHandle() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) throw EOutOfResources("Out of system resources");
  if (bitmap_ && bitmap_->Handle()) oldBitmap_ = SelectObject(dc, bitmap_->Handle());
  dc_ = dc;
}

void TBitmapCanvas::FreeContext() {
  HDC dc = dc_;
  if (!dc) return;
  ReleaseDC();
  if (oldBitmap_) SelectObject(dc, oldBitmap_);
  oldBitmap_ = nullptr;
  DeleteDC(dc);
}
