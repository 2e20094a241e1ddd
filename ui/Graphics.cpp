#include "Graphics.h"

#include <memory>

#include "Bitmap.h"
#include "ScopeGuard.h"

namespace {

constexpr TIdentMapEntry kCharsets[] = {
    {0, u"ANSI_CHARSET"},      {1, u"DEFAULT_CHARSET"},    {2, u"SYMBOL_CHARSET"},
    {77, u"MAC_CHARSET"},      {128, u"SHIFTJIS_CHARSET"}, {129, u"HANGEUL_CHARSET"},
    {130, u"JOHAB_CHARSET"},   {134, u"GB2312_CHARSET"},   {136, u"CHINESEBIG5_CHARSET"},
    {161, u"GREEK_CHARSET"},   {162, u"TURKISH_CHARSET"},  {163, u"VIETNAMESE_CHARSET"},
    {177, u"HEBREW_CHARSET"},  {178, u"ARABIC_CHARSET"},   {186, u"BALTIC_CHARSET"},
    {204, u"RUSSIAN_CHARSET"}, {222, u"THAI_CHARSET"},     {238, u"EASTEUROPE_CHARSET"},
    {255, u"OEM_CHARSET"},
};

// MulDiv as Windows has it: rounded to the nearest, halves away from zero.
Integer MulDivRound(Integer a, Integer b, Integer c) {
  if (c == 0) return -1;
  Int64 p = Int64(a) * b;
  bool negative = (p < 0) != (c < 0);
  Int64 ap = p < 0 ? -p : p, ac = c < 0 ? -Int64(c) : c;
  Int64 q = (ap + ac / 2) / ac;
  return static_cast<Integer>(negative ? -q : q);
}

}  // namespace

const TIdentMap& CharsetIdents() {
  static const TIdentMap map{kCharsets, sizeof kCharsets / sizeof kCharsets[0]};
  return map;
}

// ---- TGraphicsObject ------------------------------------------------------------------

TW_DEFINE_CLASS(TGraphicsObject) {}

TGraphicsObject::~TGraphicsObject() {
#ifdef _WIN32
  FreeHandle();
#endif
}

void TGraphicsObject::Changed() {
#ifdef _WIN32
  // The next Handle() makes a new object; the old one is deleted only after the listeners
  // heard of the change: a canvas takes it out of its DC, a control hands the new one to
  // its window.
  TScopeExit deleteLater([old = std::exchange(handle_, nullptr)] { DeleteHandle(old); });
#endif
  if (onChange_) onChange_(this);
}

// ---- TFont ----------------------------------------------------------------------------

TW_DEFINE_CLASS(TFont) {
  b.Property(u"Charset", &TFont::Charset, &TFont::SetCharset).Idents(CharsetIdents());
  b.Color(u"Color", &TFont::Color, &TFont::SetColor);
  b.Property(u"Height", &TFont::Height, &TFont::SetHeight);
  b.Property(u"Name", &TFont::Name, &TFont::SetName);
  b.Property(u"Orientation", &TFont::Orientation, &TFont::SetOrientation);
  b.Property(u"Pitch", &TFont::Pitch, &TFont::SetPitch);
  b.Property(u"Quality", &TFont::Quality, &TFont::SetQuality);
  b.Property(u"Size", &TFont::Size, &TFont::SetSize).Stored(false);  // Height holds it
  b.Property(u"Style", &TFont::Style, &TFont::SetStyle);
}

TFont::TFont() = default;

void TFont::SetName(const String& name) {
  if (name.empty() || name == name_) return;  // an empty name keeps the old one
  name_ = name;
  Changed();
}

void TFont::SetHeight(Integer height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

Integer TFont::Size() const { return -MulDivRound(height_, 72, pixelsPerInch_); }

void TFont::SetSize(Integer size) { SetHeight(-MulDivRound(size, pixelsPerInch_, 72)); }

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetCharset(TFontCharset charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  // The colour is not part of the GDI font: listeners hear of it, the handle stays.
  if (OnChange()) OnChange()(this);
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == pitch_) return;
  pitch_ = pitch;
  Changed();
}

void TFont::SetQuality(TFontQuality quality) {
  if (quality == quality_) return;
  quality_ = quality;
  Changed();
}

void TFont::SetOrientation(Integer tenths) {
  if (tenths == orientation_) return;
  orientation_ = tenths;
  Changed();
}

void TFont::Assign(const TPersistent* source) {
  auto* f = dynamic_cast<const TFont*>(source);
  if (!f) {
    TGraphicsObject::Assign(source);
    return;
  }
  if (f == this) return;
  bool sameHandle = name_ == f->name_ && height_ == f->height_ && style_ == f->style_ && charset_ == f->charset_ &&
                    pitch_ == f->pitch_ && quality_ == f->quality_ && orientation_ == f->orientation_;
  bool sameColor = color_ == f->color_;
  name_ = f->name_;
  height_ = f->height_;
  pixelsPerInch_ = f->pixelsPerInch_;
  style_ = f->style_;
  charset_ = f->charset_;
  color_ = f->color_;
  pitch_ = f->pitch_;
  quality_ = f->quality_;
  orientation_ = f->orientation_;
  if (!sameHandle)
    Changed();
  else if (!sameColor && OnChange())
    OnChange()(this);
}

bool TFont::Equals(const TFont& o) const {
  return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && charset_ == o.charset_ &&
         color_ == o.color_ && pitch_ == o.pitch_ && quality_ == o.quality_ && orientation_ == o.orientation_;
}

// ---- TBrush ---------------------------------------------------------------------------

TW_DEFINE_CLASS(TBrush) {
  b.Color(u"Color", &TBrush::Color, &TBrush::SetColor).Default(clWhite);
  b.Property(u"Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

TBrush::~TBrush() { delete bitmap_; }

void TBrush::SetColor(TColor color) {
  if (color == color_ && style_ != bsClear) return;
  color_ = color;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TBrush::SetBitmap(const TBitmap* bitmap) {
  std::unique_ptr<TBitmap> copy;
  if (bitmap) {
    copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap);
  }
  delete bitmap_;
  bitmap_ = copy.release();
  Changed();
}

void TBrush::Assign(const TPersistent* source) {
  auto* b = dynamic_cast<const TBrush*>(source);
  if (!b) {
    TGraphicsObject::Assign(source);
    return;
  }
  if (b == this) return;
  color_ = b->color_;
  style_ = b->style_;
  SetBitmap(b->bitmap_);  // calls Changed
}

// ---- TPen -----------------------------------------------------------------------------

TW_DEFINE_CLASS(TPen) {
  b.Color(u"Color", &TPen::Color, &TPen::SetColor).Default(clBlack);
  b.Property(u"Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
  b.Property(u"Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
  b.Property(u"Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TPen::SetWidth(Integer width) {
  if (width < 0) width = 0;
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TPen::SetMode(TPenMode mode) {
  if (mode == mode_) return;
  mode_ = mode;
  if (OnChange()) OnChange()(this);  // a DC setting, not part of the GDI pen
}

void TPen::Assign(const TPersistent* source) {
  auto* p = dynamic_cast<const TPen*>(source);
  if (!p) {
    TGraphicsObject::Assign(source);
    return;
  }
  if (p == this) return;
  color_ = p->color_;
  width_ = p->width_;
  style_ = p->style_;
  mode_ = p->mode_;
  Changed();
}
