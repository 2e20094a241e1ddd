// The portable half of kvAlphaImageList: glyph outline parsing and fitting, image format
// recognition, the checks of untrusted ICO and BMP data, the icon-font pixel kernels and the
// items of the alpha image list. See the header for the section index and the limits.
#include "images/kvAlphaImageList.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/kvntUtils.h"
#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/Resampling.h"

namespace {

uint16_t Le16(const Byte* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const Byte* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint32_t Be32(const Byte* p) {
  return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}

// Nearest integer, halves to even, limited to the Integer range.
Integer RoundI(double v) {
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (!(v < 2147483647.0)) return INT32_MAX;
  return static_cast<Integer>(std::nearbyint(v));
}

}  // namespace

// ---- 1. Glyph outline contours ------------------------------------------------------------

Integer TkvStrokeCollection::NumGlyphs() const { return FStrokes.empty() ? 0 : FStrokes.back().GlyphNumber + 1; }

TFontStroke TkvStrokeCollection::Stroke(Integer index) const {
  if (index < 0 || index >= Count()) throw EListError(u"List index out of bounds (" + IntToStr(index) + u")");
  return FStrokes[static_cast<size_t>(index)];
}

TRect TkvStrokeCollection::Bounds() const {
  if (FStrokes.empty()) return TRect();
  TRect r(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN);
  for (const TFontStroke& s : FStrokes)
    for (const TPoint& p : {s.Pt1, s.Pt2}) {
      r.Left = std::min(r.Left, p.X);
      r.Top = std::min(r.Top, p.Y);
      r.Right = std::max(r.Right, p.X);
      r.Bottom = std::max(r.Bottom, p.Y);
    }
  return r;
}

Integer TkvStrokeCollection::StartOfGlyph(Integer glyphNumber) const {
  if (glyphNumber < 0 || glyphNumber >= NumGlyphs()) return -1;
  for (Integer i = 0; i < Count(); ++i)
    if (FStrokes[static_cast<size_t>(i)].GlyphNumber == glyphNumber) return i;
  return -1;
}

Integer TkvStrokeCollection::GlyphNumStrokes(Integer glyphNumber) const {
  const Integer start = StartOfGlyph(glyphNumber);
  if (start < 0) return -1;
  const Integer next = glyphNumber + 1 < NumGlyphs() ? StartOfGlyph(glyphNumber + 1) : Count();
  return next - start;
}

double Fix2Double(uint32_t fixed) {
  const auto value = static_cast<int16_t>(fixed >> 16);
  const auto fract = static_cast<uint16_t>(fixed & 0xFFFF);
  return value + fract / 65536.0;
}

void NewStroke(TkvStrokeCollection& strokes, Integer glyphNumber, TkvOutlinePoint p1, TkvOutlinePoint p2) {
  strokes.Add({glyphNumber, TPoint(RoundI(p1.X), RoundI(p1.Y)), TPoint(RoundI(p2.X), RoundI(p2.Y))});
}

void DrawQSpline(TkvStrokeCollection& strokes, Integer glyphNumber, TkvOutlinePoint a, TkvOutlinePoint b,
                 TkvOutlinePoint& c) {
  struct PointF {
    float X, Y;
    bool operator!=(const PointF& o) const { return X != o.X || Y != o.Y; }
  };
  const PointF A{float(a.X), float(a.Y)}, B{float(b.X), float(b.Y)}, C{float(c.X), float(c.Y)};
  const float step = 1.0f / SplinePrecision;
  PointF prev = A;
  for (Integer i = 1;; ++i) {
    float t = step * float(i);
    // The last step lands on the end point exactly, whatever the rounding of t.
    const bool last = t > 1.0f - step + step / 2;
    if (last) t = 1.0f;
    const PointF p{A.X + 2 * t * (B.X - A.X) + t * t * (A.X - 2 * B.X + C.X),
                   A.Y + 2 * t * (B.Y - A.Y) + t * t * (A.Y - 2 * B.Y + C.Y)};
    if (p != prev) {
      NewStroke(strokes, glyphNumber, {prev.X, prev.Y}, {p.X, p.Y});
      prev = p;
    }
    if (last) break;
  }
  c = {prev.X, prev.Y};
}

void ParseGlyphOutline(const Byte* buffer, size_t size, TkvStrokeCollection& strokes) {
  constexpr size_t kHeader = 16;     // TTPOLYGONHEADER: cb, dwType, pfxStart
  constexpr size_t kRecordHead = 4;  // TTPOLYCURVE: wType, cpfx, then cpfx POINTFX of 8 bytes
  auto pointAt = [buffer](size_t at) {
    return TkvOutlinePoint{Fix2Double(Le32(buffer + at)), Fix2Double(Le32(buffer + at + 4))};
  };
  if (!buffer || size < kHeader || Le32(buffer + 4) != kTT_POLYGON_TYPE) return;
  Integer glyph = 0;
  size_t pos = 0;
  bool broken = false;
  while (!broken && size - pos >= kHeader) {
    const uint32_t cb = Le32(buffer + pos);
    // A polygon must at least hold its header and lie inside the buffer, or parsing would
    // never advance or would read beyond the end.
    if (cb < kHeader || cb > size - pos) break;
    const TkvOutlinePoint start = pointAt(pos + 8);
    TkvOutlinePoint current = start;
    const size_t end = pos + cb;
    size_t rec = pos + kHeader;
    while (end - rec >= kRecordHead) {
      const uint16_t type = Le16(buffer + rec);
      const size_t count = Le16(buffer + rec + 2);
      if (count * 8 > end - rec - kRecordHead) {
        broken = true;
        break;
      }
      const size_t points = rec + kRecordHead;
      if (type == kTT_PRIM_LINE) {
        for (size_t i = 0; i < count; ++i) {
          const TkvOutlinePoint p = pointAt(points + i * 8);
          if (p == current) continue;
          NewStroke(strokes, glyph, current, p);
          current = p;
        }
      } else if (type == kTT_PRIM_QSPLINE) {
        for (size_t i = 0; i + 1 < count; ++i) {
          const TkvOutlinePoint b = pointAt(points + i * 8);
          TkvOutlinePoint c = pointAt(points + (i + 1) * 8);
          if (i + 2 < count) c = {(b.X + c.X) / 2, (b.Y + c.Y) / 2};
          DrawQSpline(strokes, glyph, current, b, c);
          current = c;
        }
      }
      rec = points + count * 8;
    }
    if (!(current == start)) NewStroke(strokes, glyph, current, start);
    pos = end;
    ++glyph;
  }
}

TkvContourFit FitContour(const TkvStrokeCollection& strokes, const TRect& aRect, Integer fontHeight, bool calcRect) {
  TkvContourFit fit;
  if (strokes.Count() == 0) return fit;
  const TRect bounds = strokes.Bounds();
  const Int64 rW = Int64(aRect.Right) - aRect.Left, rH = Int64(aRect.Bottom) - aRect.Top;
  const Int64 gW = Int64(bounds.Right) - bounds.Left, gH = Int64(bounds.Bottom) - bounds.Top;
  if (gW == 0 || gH == 0) return fit;
  const double xDivY = double(gW) / double(gH);
  Int64 cx, cy;
  if (double(rH) * xDivY > double(rW)) {
    cx = rW - 6 * Int64(calcRect);
    cy = cx * gH / gW;
  } else {
    cy = std::min<Int64>(rH - 4 * Int64(calcRect), fontHeight);
    cx = cy * gW / gH;
  }
  auto clampI = [](Int64 v) { return static_cast<Integer>(std::clamp<Int64>(v, INT32_MIN, INT32_MAX)); };
  fit.Empty = false;
  if (calcRect) {
    fit.Rect = TRect(0, 0, clampI(cx), clampI(cy));
    return fit;
  }
  fit.Rect = aRect;
  const Int64 x0 = aRect.Left + (rW - cx) / 2, y0 = aRect.Top + (rH - cy) / 2;
  const float sx = float(cx) / float(gW + 1), sy = float(cy) / float(gH + 1);
  fit.Polygons.resize(static_cast<size_t>(strokes.NumGlyphs()));
  for (Integer i = 0; i < strokes.Count(); ++i) {
    const TFontStroke s = strokes.Stroke(i);
    // The outline's y axis points up.
    const Int64 x = Int64(RoundI(float(Int64(s.Pt1.X) - bounds.Left) * sx)) + x0;
    const Int64 y = y0 + rH - RoundI(float(Int64(s.Pt1.Y) - bounds.Top) * sy) - 2;
    fit.Polygons[static_cast<size_t>(s.GlyphNumber)].push_back(TPoint(clampI(x), clampI(y)));
  }
  return fit;
}

// ---- 2. Image file formats and checks of untrusted data ------------------------------------

bool HaveMagic(TStream& stream, const Byte* magic, Integer size) {
  const Integer n = std::clamp(size, 0, 8);
  if (n == 0 || stream.GetSize() - stream.GetPosition() <= n) return false;
  Byte head[8];
  stream.ReadBuffer(head, n);
  return std::memcmp(head, magic, static_cast<size_t>(n)) == 0;
}

bool HaveMagic(const String& fileName, const Byte* magic, Integer size) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  return HaveMagic(file, magic, size);
}

namespace {

// The extension after the last dot of the file name (not of a folder), without the dot.
String ExtensionOf(const String& fileName) {
  const size_t dot = fileName.find_last_of(u'.');
  const size_t slash = fileName.find_last_of(u"\\/:");
  if (dot == String::npos || (slash != String::npos && slash > dot)) return String();
  return fileName.substr(dot + 1);
}

}  // namespace

bool GetImageFormat(const String& fileName, TsImageFormat& imageFormat) {
  if (HaveMagic(fileName, PNGMagic, 8)) {
    imageFormat = ifPNG;
    return true;
  }
  if (HaveMagic(fileName, IcoMagic, 2)) {
    if (LowerCase(ExtensionOf(fileName)) != u"ico") return false;
    imageFormat = ifICO;
    return true;
  }
  if (HaveMagic(fileName, BmpMagic, 2)) {
    imageFormat = ifBMP32;
    return true;
  }
  return false;
}

bool GetImageFormat(TStream& /*stream*/, TsImageFormat& imageFormat) {
  imageFormat = ifPNG;
  return true;
}

namespace {

[[noreturn]] void BadIcon() { throw EInvalidGraphic("Invalid icon"); }
[[noreturn]] void BadBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

// Bytes of one row of a DIB (rows padded to 4 bytes).
uint64_t DibStride(uint64_t width, uint32_t bitCount) { return (width * bitCount + 31) / 32 * 4; }

bool SupportedIconBits(uint32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// One image of an ICO file: a PNG file, or a DIB whose height counts the colour and the mask
// rows together.
void CheckIconImage(const Byte* img, size_t size) {
  if (size >= 8 && std::memcmp(img, PNGMagic, 8) == 0) {
    // Signature, then the IHDR chunk: length 13, type, width, height, depth, colour type ...
    if (size < 8 + 8 + 13 + 4 || Be32(img + 8) != 13 || std::memcmp(img + 12, "IHDR", 4) != 0) BadIcon();
    const uint32_t w = Be32(img + 16), h = Be32(img + 20);
    if (w == 0 || h == 0 || w > 256 || h > 256) BadIcon();
    return;
  }
  if (size < 40) BadIcon();
  const uint32_t headerSize = Le32(img);
  const auto width = static_cast<int32_t>(Le32(img + 4));
  const auto height2 = static_cast<int32_t>(Le32(img + 8));  // colour rows + mask rows
  const uint16_t planes = Le16(img + 12), bits = Le16(img + 14);
  const uint32_t compression = Le32(img + 16), used = Le32(img + 32);
  if (headerSize < 40 || headerSize > size) BadIcon();
  if (width < 1 || width > 256 || height2 < 2 || height2 > 512) BadIcon();
  if (planes != 1 || !SupportedIconBits(bits) || compression != 0) BadIcon();
  const uint32_t maxColors = bits <= 8 ? 1u << bits : 256u;
  if (used > maxColors) BadIcon();
  const uint64_t colors = bits <= 8 ? (used ? used : maxColors) : used;
  const uint64_t rows = uint64_t(height2) / 2;
  const uint64_t need = uint64_t(headerSize) + colors * 4 + DibStride(uint64_t(width), bits) * rows +
                        DibStride(uint64_t(width), 1) * rows;
  if (need > size) BadIcon();
}

}  // namespace

void CheckIcoData(const Byte* data, size_t size) {
  if (!data || size < 6 + 16) BadIcon();
  const uint16_t count = Le16(data + 4);
  if (Le16(data) != 0 || Le16(data + 2) != 1 || count == 0) BadIcon();
  const size_t directoryEnd = 6 + size_t(count) * 16;
  if (directoryEnd > size) BadIcon();
  for (uint16_t i = 0; i < count; ++i) {
    const Byte* e = data + 6 + size_t(i) * 16;
    const uint16_t planes = Le16(e + 4), bits = Le16(e + 6);
    const uint32_t bytes = Le32(e + 8), offset = Le32(e + 12);
    // Planes and bits of the directory are hints (0 is common); when given they must be sane.
    if (planes > 1 || (bits != 0 && !SupportedIconBits(bits))) BadIcon();
    if (bytes == 0 || offset < directoryEnd || offset > size || bytes > size - offset) BadIcon();
    CheckIconImage(data + offset, bytes);
  }
}

void CheckBmpData(const Byte* data, size_t size) {
  if (!data || size < 14 + 40 || data[0] != 'B' || data[1] != 'M') BadBitmap();
  const uint32_t pixelOffset = Le32(data + 10);
  const Byte* info = data + 14;
  const uint32_t infoSize = Le32(info);
  if (infoSize < 40 || infoSize > 124 || 14 + uint64_t(infoSize) > size) BadBitmap();
  const auto width = static_cast<int32_t>(Le32(info + 4));
  const auto height = static_cast<int32_t>(Le32(info + 8));
  const uint16_t planes = Le16(info + 12), bits = Le16(info + 14);
  const uint32_t compression = Le32(info + 16), used = Le32(info + 32);
  if (width <= 0 || height == 0 || height == INT32_MIN || planes != 1) BadBitmap();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) BadBitmap();
  // Uncompressed, or 32-bit pixels with colour masks: what the bitmap reader supports.
  if (compression != 0 && !(compression == 3 && bits == 32)) BadBitmap();
  const uint64_t rows = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
  if (uint64_t(width) * rows > uint64_t(kMaxItemPixels)) BadBitmap();
  uint64_t headerEnd = 14 + uint64_t(infoSize);
  if (bits <= 8) {
    if (used > (1u << bits)) BadBitmap();
    headerEnd += uint64_t(used ? used : 1u << bits) * 4;
  } else if (compression == 3 && infoSize == 40) {
    headerEnd += 12;  // the three colour masks
  }
  if (pixelOffset < headerEnd || pixelOffset > size) BadBitmap();
  if (DibStride(uint64_t(width), bits) * rows > size - pixelOffset) BadBitmap();
}

void CheckImageData(const TMemoryStream& data, TsImageFormat format) {
  const auto size = static_cast<size_t>(data.Bytes().size());
  if (format == ifICO) CheckIcoData(data.Memory(), size);
  if (format == ifBMP32) CheckBmpData(data.Memory(), size);
}

// ---- 3. Icon-font rendering kernels ---------------------------------------------------------

void InkToAlpha(const TPixelView& v, uint32_t colorPixel, bool hasSecond, uint32_t secondPixel, bool opaque,
                Byte blendValue) {
  if (v.Empty()) return;
  const uint32_t color = colorPixel & 0x00FFFFFF;
  // Per channel B, G, R: the running row colour and its step (a one-row picture takes Col).
  double run[3], step[3];
  for (int c = 0; c < 3; ++c) {
    const int from = colorPixel >> (8 * c) & 0xFF, to = secondPixel >> (8 * c) & 0xFF;
    run[c] = from;
    step[c] = v.Height > 1 ? double(to - from) / double(v.Height - 1) : 0.0;
  }
  for (Integer y = 0; y < v.Height; ++y) {
    uint32_t rowColor = color;
    if (hasSecond) {
      rowColor = 0;
      for (int c = 0; c < 3; ++c) {
        rowColor |= uint32_t(std::clamp(RoundI(run[c]), 0, 255)) << (8 * c);
        run[c] += step[c];
      }
    }
    uint32_t* row = v.Row(y);
    for (Integer x = 0; x < v.Width; ++x) {
      const Byte ink = InkOf(row[x]);
      const uint32_t alpha = opaque ? ink : aProcBlended(row[x], blendValue);
      if (hasSecond)
        row[x] = ink != 0 ? rowColor | alpha << 24 : 0;
      else
        row[x] = color | alpha << 24;
    }
  }
}

void BlendAddedGlyph(const TPixelView& target, TPoint at, const TPixelView& glyph, const TPixelView& halo, Integer pad,
                     uint32_t addedPixel, bool opaque, Byte blendValue) {
  if (target.Empty() || halo.Empty()) return;
  for (Integer y = 0; y < halo.Height; ++y) {
    const Int64 ty = Int64(at.Y) + y - pad;
    if (ty < 0 || ty >= target.Height) continue;
    const uint32_t* haloRow = halo.Row(y);
    uint32_t* dstRow = target.Row(static_cast<Integer>(ty));
    for (Integer x = 0; x < halo.Width; ++x) {
      const Int64 tx = Int64(at.X) + x - pad;
      if (tx <= 0 || tx >= target.Width) continue;
      uint32_t& d = dstRow[tx];
      Byte k = 0;
      const Integer gx = x - pad, gy = y - pad;
      // The character's last row is left to the halo.
      if (x >= pad && x < halo.Width - pad && y >= pad && y < halo.Height - pad - 1 && gx < glyph.Width &&
          gy < glyph.Height && !glyph.Empty()) {
        const uint32_t g = glyph.At(gx, gy);
        k = opaque ? aProcOpaque(g) : aProcBlended(g, blendValue);
      }
      if (k != 0) {
        d = MakePix(MixByte(PixB(d), PixB(addedPixel), k), MixByte(PixG(d), PixG(addedPixel), k),
                    MixByte(PixR(d), PixR(addedPixel), k), k);
      } else {
        const Integer cut = std::max(0, 6 * Integer(PixB(haloRow[x])) - 1275);
        d = (d & 0x00FFFFFF) | uint32_t(std::min<Integer>(PixA(d), cut)) << 24;
      }
    }
  }
}

// ---- 4. Items of the alpha image list -------------------------------------------------------

TW_DEFINE_CLASS(TsImgListItem) {
  b.Property(u"ImageFormat", &TsImgListItem::ImageFormat, &TsImgListItem::SetImageFormat)
      .Property(u"ImageName", &TsImgListItem::ImageName, &TsImgListItem::SetImageName)
      .Property(u"PixelFormat", &TsImgListItem::PixelFormat, &TsImgListItem::SetPixelFormat)
      .Property(u"Text", &TsImgListItem::Text, &TsImgListItem::SetText)
      .Binary(u"ImgData", &TsImgListItem::ReadData, &TsImgListItem::WriteData);
}

TsImgListItem::TsImgListItem(TCollection* collection) : TCollectionItem(collection), ImgData(new TMemoryStream()) {}

TsImgListItem::~TsImgListItem() {
#ifdef _WIN32
  if (TsImgListItems* items = Owner(); items && items->FOwner) items->FOwner->ItemDestroying(Index());
#endif
  FreeCache();
  delete ImgData;
}

TsImgListItems* TsImgListItem::Owner() const { return dynamic_cast<TsImgListItems*>(Collection()); }

void TsImgListItem::FreeCache() {
  delete CacheBmp;
  CacheBmp = nullptr;
}

void TsImgListItem::Assign(const TPersistent* source) {
  const auto* src = dynamic_cast<const TsImgListItem*>(source);
  if (!src) {
    TCollectionItem::Assign(source);
    return;
  }
  if (src == this) return;
  FImageFormat = src->FImageFormat;
  FImageName = src->FImageName;
  FPixelFormat = src->FPixelFormat;
  OrigWidth = src->OrigWidth;
  OrigHeight = src->OrigHeight;
  FText = src->FText;
  ImgData->Clear();
  src->ImgData->SetPosition(0);
  ImgData->CopyFrom(*src->ImgData, src->ImgData->GetSize());
  src->ImgData->SetPosition(0);
  ImgData->SetPosition(0);
  FreeCache();
}

void TsImgListItem::AssignTo(TPersistent* dest) const {
  if (!dest || dest == this || !dynamic_cast<TsImgListItem*>(dest)) {
    TCollectionItem::AssignTo(dest);
    return;
  }
  dest->Assign(this);
}

void TsImgListItem::ReadData(TStream& reader) {
  ImgData->Clear();
  const Int64 count = reader.GetSize() - reader.GetPosition();
  if (count > 0) ImgData->CopyFrom(reader, count);
  ImgData->SetPosition(0);
  FreeCache();
}

void TsImgListItem::WriteData(TStream& writer) const {
  const Int64 size = ImgData->GetSize();
  if (size > 0) writer.WriteBuffer(ImgData->Memory(), static_cast<Integer>(size));
}

TW_DEFINE_CLASS(TsImgListItems) {}

TsImgListItems::TsImgListItems(TsAlphaImageList* owner) : TCollection(TsImgListItem::StaticClass()), FOwner(owner) {}

TsImgListItems::~TsImgListItems() {
  Clear();
  FOwner = nullptr;
}

// ---- 8. Drawing any image list: the geometry -------------------------------------------------

TkvGlyphCell GlyphCellOf(Integer left, Integer top, Integer imageWidth, Integer imageHeight, Integer numGlyphs,
                         Integer state) {
  const Integer count = numGlyphs >= 1 ? numGlyphs : 1;
  const Integer cellWidth = imageWidth / count;
  const Integer s = state < count ? state : count - 1;
  TkvGlyphCell cell;
  cell.Dst = TRect(left, top, kvAdd(left, cellWidth), kvAdd(top, imageHeight));
  cell.Src = TRect(kvMul(cellWidth, s), 0, kvMul(cellWidth, s + 1), imageHeight);
  cell.Size = TSize(cellWidth, imageHeight);
  return cell;
}
