// Drawing tools: TFont, TBrush, TPen. Their properties are portable (form descriptions
// set them); on Windows each makes its GDI object on first use of Handle() and remakes it
// after a change. The object owns its handle; a canvas that has it selected is told through
// OnChange before the handle is replaced, so a selected handle is never deleted.
//
//   font->SetName(u"Segoe UI"); font->SetHeight(-15); font->SetStyle({fsBold});
//   HFONT f = font->Handle();             // valid until the next change or the font's end
#pragma once

#include "Classes.h"
#include "Colors.h"
#include "WinFwd.h"

TW_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = TSet<TFontStyle>;
TW_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
TW_ENUM(TFontQuality, fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType, fqClearTypeNatural)
TW_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross)
TW_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame)
TW_ENUM(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
        pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor)

using TFontCharset = Byte;  // LOGFONT's lfCharSet values (0 ANSI, 1 default, 134 GB2312 ...)
constexpr TFontCharset kDefaultCharset = 1;
// Names of the charsets ("ANSI_CHARSET", "GB2312_CHARSET" ...) for form descriptions.
const TIdentMap& CharsetIdents();

// The default font of new TFont objects (the class library's: Tahoma, 8 points at 96 PPI).
constexpr const char16_t* kDefaultFontName = u"Tahoma";
constexpr Integer kDefaultFontHeight = -11;

class TGraphicsObject : public TPersistent {
  TW_CLASS(TGraphicsObject, TPersistent)
  ~TGraphicsObject() override;
  // Called after every change of a property (and of the handle).
  TNotifyEvent OnChange() const { return onChange_; }
  void SetOnChange(TNotifyEvent e) { onChange_ = e; }
#ifdef _WIN32
  // True when a GDI object exists right now.
  bool HandleAllocated() const { return handle_ != nullptr; }
#endif

 protected:
  void Changed();
#ifdef _WIN32
  void* handle_ = nullptr;  // HGDIOBJ, owned
  void FreeHandle();
  static void DeleteHandle(void* handle);
#endif

 private:
  TNotifyEvent onChange_;
};

class TFont : public TGraphicsObject {
  TW_CLASS(TFont, TGraphicsObject)
  TFont();

  const String& Name() const { return name_; }
  void SetName(const String& name);
  // Character height in pixels; negative as LOGFONT's lfHeight (cell height when positive).
  Integer Height() const { return height_; }
  void SetHeight(Integer height);
  // Points: -Height * 72 / PixelsPerInch (rounded), and back.
  Integer Size() const;
  void SetSize(Integer size);
  Integer PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(Integer ppi) { pixelsPerInch_ = ppi > 0 ? ppi : 96; }
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset charset);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);
  TFontQuality Quality() const { return quality_; }
  void SetQuality(TFontQuality quality);
  Integer Orientation() const { return orientation_; }  // tenths of a degree
  void SetOrientation(Integer tenths);

  void Assign(const TPersistent* source) override;
  // Same name (exactly), height, style, charset, colour, pitch, quality and orientation.
  bool Equals(const TFont& other) const;

#ifdef _WIN32
  HFONT Handle();
  // Takes the font the handle describes; the font owns the handle from now on.
  void SetHandle(HFONT font);
#endif

 private:
  String name_ = kDefaultFontName;
  Integer height_ = kDefaultFontHeight;
  Integer pixelsPerInch_ = 96;
  TFontStyles style_;
  TFontCharset charset_ = kDefaultCharset;
  TColor color_ = clWindowText;
  TFontPitch pitch_ = fpDefault;
  TFontQuality quality_ = fqDefault;
  Integer orientation_ = 0;
};

class TBitmap;

class TBrush : public TGraphicsObject {
  TW_CLASS(TBrush, TGraphicsObject)
  ~TBrush() override;
  TColor Color() const { return color_; }
  void SetColor(TColor color);  // a clear brush becomes solid, as in the class library
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  // A pattern brush; the brush keeps a copy. nullptr goes back to colour and style.
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(const TBitmap* bitmap);
  void Assign(const TPersistent* source) override;
#ifdef _WIN32
  HBRUSH Handle();
#endif

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
};

class TPen : public TGraphicsObject {
  TW_CLASS(TPen, TGraphicsObject)
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  Integer Width() const { return width_; }
  void SetWidth(Integer width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  // The raster operation with which the pen draws (SetROP2); not part of the GDI object.
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode mode);
  void Assign(const TPersistent* source) override;
#ifdef _WIN32
  HPEN Handle();
#endif

 private:
  TColor color_ = clBlack;
  Integer width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

#ifdef _WIN32
// The RGB value of a colour: system colours (0xFF0000nn) through GetSysColor, clNone as
// black, clDefault as the window colour, anything else with its high byte cleared.
TColor ColorToRGB(TColor color);
#endif
