// The GDI objects of TFont, TBrush and TPen.
#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "Bitmap.h"
#include "Graphics.h"
#include "ScopeGuard.h"

void TGraphicsObject::FreeHandle() {
  DeleteHandle(handle_);
  handle_ = nullptr;
}

void TGraphicsObject::DeleteHandle(void* handle) {
  if (handle) DeleteObject(static_cast<HGDIOBJ>(handle));
}

TColor ColorToRGB(TColor color) {
  if (color == clNone) return 0;
  if (color == clDefault) return GetSysColor(COLOR_WINDOW);
  // Only a high byte of 0xFF marks a system colour; 0x01 and 0x02 (palette-relative colours,
  // as a bitmap reports its transparent colour) are the plain colour in the low bytes.
  if ((color & 0xFF000000) == clSystemColor) return GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0xFFFFFF;
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONTW lf{};
    lf.lfHeight = height_;
    lf.lfEscapement = orientation_;
    lf.lfOrientation = orientation_;
    lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = style_.Contains(fsItalic);
    lf.lfUnderline = style_.Contains(fsUnderline);
    lf.lfStrikeOut = style_.Contains(fsStrikeOut);
    lf.lfCharSet = charset_;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    static constexpr BYTE kQuality[] = {DEFAULT_QUALITY,          DRAFT_QUALITY,       PROOF_QUALITY,
                                        NONANTIALIASED_QUALITY,   ANTIALIASED_QUALITY, CLEARTYPE_QUALITY,
                                        CLEARTYPE_NATURAL_QUALITY};
    lf.lfQuality = kQuality[quality_];
    lf.lfPitchAndFamily = pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    size_t n = std::min<size_t>(name_.size(), LF_FACESIZE - 1);
    for (size_t i = 0; i < n; ++i) lf.lfFaceName[i] = static_cast<wchar_t>(name_[i]);
    handle_ = CreateFontIndirectW(&lf);
  }
  return static_cast<HFONT>(handle_);
}

void TFont::SetHandle(HFONT font) {
  LOGFONTW lf{};
  if (!font || !GetObjectW(font, sizeof lf, &lf)) {
    if (font) DeleteObject(font);
    return;
  }
  void* old = handle_;
  handle_ = font;
  name_.assign(lf.lfFaceName, lf.lfFaceName + wcsnlen(lf.lfFaceName, LF_FACESIZE));
  height_ = lf.lfHeight;
  orientation_ = lf.lfOrientation;
  style_ = {};
  if (lf.lfWeight >= FW_BOLD) style_ += fsBold;
  if (lf.lfItalic) style_ += fsItalic;
  if (lf.lfUnderline) style_ += fsUnderline;
  if (lf.lfStrikeOut) style_ += fsStrikeOut;
  charset_ = lf.lfCharSet;
  pitch_ = (lf.lfPitchAndFamily & 3) == FIXED_PITCH      ? fpFixed
           : (lf.lfPitchAndFamily & 3) == VARIABLE_PITCH ? fpVariable
                                                         : fpDefault;
  TScopeExit deleteLater([old] { DeleteHandle(old); });
  if (OnChange()) OnChange()(this);  // a canvas takes the old font out of its DC first
}

HBRUSH TBrush::Handle() {
  if (!handle_) {
    if (bitmap_ && bitmap_->Handle()) {
      handle_ = CreatePatternBrush(bitmap_->Handle());
    } else {
      LOGBRUSH lb{};
      lb.lbColor = ColorToRGB(color_);
      switch (style_) {
        case bsSolid: lb.lbStyle = BS_SOLID; break;
        case bsClear: lb.lbStyle = BS_NULL; break;
        default:
          lb.lbStyle = BS_HATCHED;
          static constexpr ULONG_PTR kHatch[] = {
              0, 0, HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
          lb.lbHatch = kHatch[style_];
      }
      handle_ = CreateBrushIndirect(&lb);
    }
  }
  return static_cast<HBRUSH>(handle_);
}

HPEN TPen::Handle() {
  if (!handle_) {
    static constexpr UINT kStyle[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    LOGPEN lp{};
    lp.lopnStyle = kStyle[style_];
    lp.lopnWidth.x = width_;
    lp.lopnColor = ColorToRGB(color_);
    handle_ = CreatePenIndirect(&lp);
  }
  return static_cast<HPEN>(handle_);
}
