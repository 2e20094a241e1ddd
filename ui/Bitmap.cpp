#include "Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

// Largest pixel memory a bitmap may take: keeps every size product far from overflow on a
// 32-bit target and refuses sizes no skin or picture needs.
static constexpr int64_t kMaxBitmapBytes = int64_t(1) << 30;

void TGraphic::LoadFromFile(const String& fileName) {
  TFileStream f(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TGraphic::SaveToFile(const String& fileName) const {
  TFileStream f(fileName, fmCreate);
  SaveToStream(f);
}

Integer TBitmap::BitsPerPixel(TPixelFormat f) {
  switch (f) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;  // pf32bit, and the device format of every display we run on
  }
}

Integer TBitmap::StrideFor(Integer width, TPixelFormat f) {
  int64_t bits = int64_t(width) * BitsPerPixel(f);
  int64_t stride = ((bits + 31) / 32) * 4;
  // Saturates instead of wrapping, so that a size check on the result refuses such widths.
  return stride > INT32_MAX ? INT32_MAX : static_cast<Integer>(stride);
}

std::vector<uint32_t> DefaultColorTable(TPixelFormat f) {
  std::vector<uint32_t> t;
  auto rgbquad = [](int r, int g, int b) { return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16; };
  if (f == pf1bit) {
    t = {rgbquad(0, 0, 0), rgbquad(255, 255, 255)};
  } else if (f == pf4bit) {
    static const int vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                   {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                   {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (auto& c : vga) t.push_back(rgbquad(c[0], c[1], c[2]));
  } else if (f == pf8bit) {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) t.push_back(rgbquad(r * 51, g * 51, b * 51));
    for (int i = 0; i < 40; ++i) {
      int v = (i + 1) * 255 / 41;
      t.push_back(rgbquad(v, v, v));
    }
  }
  return t;
}

TBitmap::TBitmap(Integer width, Integer height, TPixelFormat format) {
  format_ = format;
  SetSize(width, height);
}

TBitmap::~TBitmap() {
  Release();
  DestroyCanvas();
}

void TBitmap::SetColorTable(const std::vector<uint32_t>& table) {
  colorTable_ = table;
  if (colorTable_.size() > 256) colorTable_.resize(256);
#ifdef _WIN32
  if (dib_ && !colorTable_.empty()) {
    // The DIB section keeps its own copy of the table; rebuild it with the new one.
    FlushGdi();
    TBitmap copy;
    copy.format_ = format_;
    if (copy.Allocate(width_, height_, format_, colorTable_)) {
      if (stride_ && height_) std::memcpy(copy.bits_, bits_, size_t(stride_) * height_);
      std::swap(bits_, copy.bits_);
      std::swap(dib_, copy.dib_);
      DetachCanvas();
    }
  }
#endif
  Changed();
}

void TBitmap::SetHandleType(TBitmapHandleType t) {
  if (t == handleType_) return;
  handleType_ = t;
  Changed();
}

void TBitmap::SetSize(Integer width, Integer height) {
  if (width == width_ && height == height_) return;
  if (width < 0 || height < 0) throw EOutOfResources("Out of system resources");
  if (width == 0 || height == 0) {
    Release();
    width_ = width;
    height_ = height;
    stride_ = StrideFor(width, format_);
    Changed();
    return;
  }
  TBitmap next;
  next.format_ = format_;
  if (!next.Allocate(width, height, format_, colorTable_.empty() ? DefaultColorTable(format_) : colorTable_))
    throw EOutOfResources("Out of system resources");
  // Keep the overlapping top-left part (none when this bitmap has no pixels, e.g. 0 x h).
  Integer rows = bits_ ? std::min(height, height_) : 0;
  Integer rowBytes = std::min(next.stride_, stride_);
  if (rows > 0) FlushGdi();
  for (Integer y = 0; y < rows; ++y) std::memcpy(next.RowAddress(y), RowAddress(y), static_cast<size_t>(rowBytes));
  TakePixels(next);
  width_ = width;
  height_ = height;
  stride_ = next.stride_;
  if (colorTable_.empty()) colorTable_ = DefaultColorTable(format_);
  Changed();
}

void* TBitmap::ScanLine(Integer y) {
  if (y < 0 || y >= height_ || !bits_) throw ERangeError("Scan line index out of range");
  FlushGdi();
  return RowAddress(y);
}

const void* TBitmap::ScanLine(Integer y) const { return const_cast<TBitmap*>(this)->ScanLine(y); }

TPixelView TBitmap::View() {
  if (!bits_ || BitsPerPixel(format_) != 32) return {};
  FlushGdi();
  return {RowAddress(0), RowDelta(), width_, height_};
}

static uint32_t RgbQuadToColor(uint32_t q) { return ((q >> 16) & 0xFF) | (q & 0xFF00) | ((q & 0xFF) << 16); }

TColor TBitmap::PixelColor(Integer x, Integer y) const {
  if (y < 0 || y >= height_ || !bits_) throw ERangeError("Scan line index out of range");
  FlushGdi();
  return PixelColorAt(x, y);
}

TColor TBitmap::PixelColorAt(Integer x, Integer y) const {
  const Byte* row = RowAddress(y);
  auto index = [&](int bpp) -> uint32_t {
    int bit = x * bpp;
    int v = row[bit / 8] >> (8 - bpp - bit % 8);
    return static_cast<uint32_t>(v & ((1 << bpp) - 1));
  };
  switch (BitsPerPixel(format_)) {
    case 1:
    case 4:
    case 8: {
      uint32_t i = index(BitsPerPixel(format_));
      return i < colorTable_.size() ? RgbQuadToColor(colorTable_[i]) : clBlack;
    }
    case 16: {
      uint16_t v = static_cast<uint16_t>(row[x * 2] | row[x * 2 + 1] << 8);  // 5-5-5
      int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      return uint32_t(r * 255 / 31) | uint32_t(g * 255 / 31) << 8 | uint32_t(b * 255 / 31) << 16;
    }
    case 24: return uint32_t(row[x * 3 + 2]) | uint32_t(row[x * 3 + 1]) << 8 | uint32_t(row[x * 3]) << 16;
    default: {
      const Byte* p = row + x * 4;
      return uint32_t(p[2]) | uint32_t(p[1]) << 8 | uint32_t(p[0]) << 16;
    }
  }
}

TColor TBitmap::TransparentColor() const {
  if (transparentMode_ == tmFixed) return transparentColor_;
  if (Empty() || !bits_) return clDefault;
  return PixelColor(0, height_ - 1) | 0x02000000;  // a palette-relative colour, as pictures report it
}

// Nearest colour-table entry by squared distance; ties go to the lower index.
static uint32_t NearestIndex(const std::vector<uint32_t>& table, uint32_t bgra) {
  int b = bgra & 0xFF, g = (bgra >> 8) & 0xFF, r = (bgra >> 16) & 0xFF;
  uint32_t best = 0;
  int bestDist = std::numeric_limits<int>::max();
  for (size_t i = 0; i < table.size(); ++i) {
    int db = int(table[i] & 0xFF) - b, dg = int((table[i] >> 8) & 0xFF) - g, dr = int((table[i] >> 16) & 0xFF) - r;
    int d = db * db + dg * dg + dr * dr;
    if (d < bestDist) {
      bestDist = d;
      best = static_cast<uint32_t>(i);
    }
  }
  return best;
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_) return;
  if (Empty() || !bits_) {
    format_ = format;
    colorTable_ = DefaultColorTable(format);
    stride_ = StrideFor(width_, format);
    Changed();
    return;
  }
  auto table = DefaultColorTable(format);
  TBitmap next;
  next.format_ = format;
  if (!next.Allocate(width_, height_, format, table)) throw EOutOfResources("Out of system resources");
  const int bpp = BitsPerPixel(format);
  FlushGdi();
  for (Integer y = 0; y < height_; ++y) {
    Byte* dst = next.RowAddress(y);
    const Byte* src = RowAddress(y);
    for (Integer x = 0; x < width_; ++x) {
      uint32_t alpha = BitsPerPixel(format_) == 32 ? uint32_t(src[x * 4 + 3]) << 24 : 0;
      TColor c = PixelColorAt(x, y);
      uint32_t bgra = ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16) | alpha;
      switch (bpp) {
        case 1:
        case 4:
        case 8: {
          uint32_t i = NearestIndex(table, bgra);
          int bit = x * bpp;
          dst[bit / 8] = static_cast<Byte>(dst[bit / 8] | (i << (8 - bpp - bit % 8)));
          break;
        }
        case 16: {
          uint32_t v = ((bgra >> 19) & 31) << 10 | ((bgra >> 11) & 31) << 5 | ((bgra >> 3) & 31);
          dst[x * 2] = static_cast<Byte>(v);
          dst[x * 2 + 1] = static_cast<Byte>(v >> 8);
          break;
        }
        case 24: std::memcpy(dst + x * 3, &bgra, 3); break;
        default: std::memcpy(dst + x * 4, &bgra, 4);
      }
    }
  }
  TakePixels(next);
  format_ = format;
  stride_ = next.stride_;
  colorTable_ = table;
  Changed();
}

void TBitmap::TakePixels(TBitmap& next) {
  Release();
  std::swap(bits_, next.bits_);
#ifdef _WIN32
  std::swap(dib_, next.dib_);
#endif
}

void TBitmap::FreeImage() {
  Release();
  width_ = height_ = stride_ = 0;
  Changed();
}

void TBitmap::Swap(TBitmap& other) {
  if (&other == this) return;
  DetachCanvas();  // the canvases' DCs hold the old pixel memory; they are remade on use
  other.DetachCanvas();
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
  std::swap(stride_, other.stride_);
  std::swap(format_, other.format_);
  std::swap(handleType_, other.handleType_);
  std::swap(alphaFormat_, other.alphaFormat_);
  std::swap(transparentMode_, other.transparentMode_);
  std::swap(transparentColor_, other.transparentColor_);
  std::swap(ignorePalette_, other.ignorePalette_);
  std::swap(colorTable_, other.colorTable_);
  std::swap(bits_, other.bits_);
#ifdef _WIN32
  std::swap(dib_, other.dib_);
#endif
  const bool transparent = Transparent();
  SetTransparent(other.Transparent());
  other.SetTransparent(transparent);
  Changed();
  other.Changed();
}

void TBitmap::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TBitmap*>(source);
  if (!src) {
    if (!source) {
      FreeImage();
      return;
    }
    TPersistent::Assign(source);
    return;
  }
  if (src == this) return;
  TBitmap next;
  next.format_ = src->format_;
  if (!src->Empty() && src->bits_) {
    if (!next.Allocate(src->width_, src->height_, src->format_, src->colorTable_))
      throw EOutOfResources("Out of system resources");
    FlushGdi();
    std::memcpy(next.bits_, src->bits_, static_cast<size_t>(src->stride_) * src->height_);
  }
  TakePixels(next);
  width_ = src->width_;
  height_ = src->height_;
  stride_ = StrideFor(width_, src->format_);
  format_ = src->format_;
  handleType_ = src->handleType_;
  alphaFormat_ = src->alphaFormat_;
  ignorePalette_ = src->ignorePalette_;
  transparentMode_ = src->transparentMode_;
  transparentColor_ = src->transparentColor_;
  colorTable_ = src->colorTable_;
  SetTransparent(src->Transparent());
  Changed();
}

void TBitmap::AssignTo(TPersistent* dest) const { TGraphic::AssignTo(dest); }

// ---- BMP files ------------------------------------------------------------------------

namespace {

uint32_t Le32(const Byte* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t Le16(const Byte* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void Put32(Byte* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<Byte>(v >> (8 * i));
}
void Put16(Byte* p, uint16_t v) {
  p[0] = static_cast<Byte>(v);
  p[1] = static_cast<Byte>(v >> 8);
}

[[noreturn]] void BadBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

}  // namespace

TW_DEFINE_CLASS(TBitmap) {
  b.Binary(
       u"Data", [](TBitmap& bmp, TStream& s) { bmp.LoadFromStream(s); },
       [](const TBitmap& bmp, TStream& s) { bmp.SaveToStream(s); })
      .Stored([](const TBitmap& bmp) { return !bmp.Empty(); });
}

void TBitmap::LoadFromStream(TStream& stream) {
  // BITMAPFILEHEADER (14 bytes) and an info header of 40 bytes or more; uncompressed
  // 1, 4, 8, 24 and 32 bits, top-down or bottom-up. Everything is checked before use.
  Byte file[14];
  stream.ReadBuffer(file, 14);
  if (file[0] != 'B' || file[1] != 'M') BadBitmap();
  uint32_t pixelOffset = Le32(file + 10);
  Byte info[124] = {};
  stream.ReadBuffer(info, 4);
  uint32_t infoSize = Le32(info);
  if (infoSize < 40 || infoSize > 124) BadBitmap();
  stream.ReadBuffer(info + 4, static_cast<Integer>(infoSize - 4));
  int32_t w = static_cast<int32_t>(Le32(info + 4));
  int32_t h = static_cast<int32_t>(Le32(info + 8));
  uint16_t bpp = Le16(info + 14);
  uint32_t compression = Le32(info + 16);
  uint32_t used = Le32(info + 32);
  bool topDown = h < 0;
  if (h == INT32_MIN || w <= 0 || h == 0) BadBitmap();
  if (topDown) h = -h;
  TPixelFormat f;
  switch (bpp) {
    case 1: f = pf1bit; break;
    case 4: f = pf4bit; break;
    case 8: f = pf8bit; break;
    case 24: f = pf24bit; break;
    case 32: f = pf32bit; break;
    default: BadBitmap();
  }
  if (compression != 0 && !(compression == 3 && bpp == 32)) BadBitmap();  // BI_RGB, or BI_BITFIELDS of 32 bits
  if (int64_t(StrideFor(w, f)) * h > kMaxBitmapBytes) BadBitmap();
  std::vector<uint32_t> table;
  uint32_t headerEnd = 14 + infoSize;
  if (compression == 3 && infoSize == 40) headerEnd += 12;  // three colour masks follow the header
  if (bpp <= 8) {
    uint32_t count = used ? used : (1u << bpp);
    if (count > (1u << bpp)) BadBitmap();
    if (compression == 3) BadBitmap();
    table.resize(count);
    for (auto& e : table) {
      Byte q[4];
      stream.ReadBuffer(q, 4);
      e = Le32(q) & 0xFFFFFF;
    }
    headerEnd += count * 4;
  } else if (compression == 3 && infoSize == 40) {
    Byte masks[12];
    stream.ReadBuffer(masks, 12);
  }
  if (pixelOffset < headerEnd) BadBitmap();
  for (uint32_t skip = pixelOffset - headerEnd; skip > 0;) {
    Byte tmp[256];
    Integer n = static_cast<Integer>(std::min<uint32_t>(skip, sizeof tmp));
    stream.ReadBuffer(tmp, n);
    skip -= static_cast<uint32_t>(n);
  }
  TBitmap next;
  next.format_ = f;
  if (!next.Allocate(w, h, f, table.empty() ? DefaultColorTable(f) : table))
    throw EOutOfResources("Out of system resources");
  next.width_ = w;
  next.height_ = h;
  for (int32_t row = 0; row < h; ++row) {
    int32_t y = topDown ? row : h - 1 - row;
    stream.ReadBuffer(next.RowAddress(y), next.stride_);  // fresh memory: no GDI drawing to wait for
  }
  TakePixels(next);
  width_ = w;
  height_ = h;
  stride_ = next.stride_;
  format_ = f;
  colorTable_ = table.empty() ? DefaultColorTable(f) : table;
  Changed();
}

void TBitmap::SaveToStream(TStream& stream) const {
  const int bpp = BitsPerPixel(format_);
  const bool indexed = bpp <= 8;
  const uint32_t tableBytes = indexed ? static_cast<uint32_t>(colorTable_.size() * 4) : 0;
  const uint32_t imageBytes = static_cast<uint32_t>(stride_) * static_cast<uint32_t>(height_);
  Byte header[54] = {};
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, 54 + tableBytes + imageBytes);
  Put32(header + 10, 54 + tableBytes);
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<uint32_t>(width_));
  Put32(header + 22, static_cast<uint32_t>(height_));
  Put16(header + 26, 1);
  Put16(header + 28, static_cast<uint16_t>(bpp == 16 ? 16 : bpp));
  Put32(header + 34, imageBytes);
  Put32(header + 46, indexed ? static_cast<uint32_t>(colorTable_.size()) : 0);
  stream.WriteBuffer(header, 54);
  for (uint32_t q : colorTable_)
    if (indexed) {
      Byte b[4];
      Put32(b, q);
      stream.WriteBuffer(b, 4);
    }
  if (imageBytes) {
    FlushGdi();
    stream.WriteBuffer(bits_, static_cast<Integer>(imageBytes));  // bottom-up, as stored
  }
}

#ifndef _WIN32

bool TBitmap::Allocate(Integer width, Integer height, TPixelFormat format, const std::vector<uint32_t>&) {
  if (width <= 0 || height <= 0) return false;
  int64_t bytes = int64_t(StrideFor(width, format)) * height;
  if (bytes > kMaxBitmapBytes) return false;
  bits_ = static_cast<Byte*>(std::calloc(static_cast<size_t>(bytes), 1));
  if (!bits_) return false;
  stride_ = StrideFor(width, format);
  width_ = width;
  height_ = height;
  return true;
}

void TBitmap::Release() {
  std::free(bits_);
  bits_ = nullptr;
}

void TBitmap::DetachCanvas() {}
void TBitmap::DestroyCanvas() {}
void TBitmap::FlushGdi() {}  // no GDI, nothing held back

#endif
