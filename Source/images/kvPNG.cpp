// kvPNG: the PNG reader and its row colour conversion. The limits on untrusted input are
// listed at the top of kvPNG.h.
//
// Sections:
//  1. texts and small helpers
//  2. CRC-32 (slice-by-8 over the reflected polynomial)
//  3. row colour conversion (TColorManager)
//  4. row filters (portable; SSE2 Sub and Average for 3, 4, 6 and 8 bytes per pixel)
//  5. the inflate driver (TLZ77Decoder)
//  6. TPNGGraphic: chunks, image properties, colour depth, image data
//  7. transparency and the bitmap loaders
//  8. registration with the picture formats
#include "images/kvPNG.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define KV_PNG_SSE2 1
#endif

#include "base/EngineState.h"
#include "base/sConst.h"      // kvPngFirst
#include "images/kvZLibEx.h"  // InflateInit
#include "ui/Picture.h"
#include "ui/ScopeGuard.h"

bool& UseKVPng = kvSettings.UseKVPng;

// ---- 1. texts and small helpers ---------------------------------------------------------

namespace {

const char kInvalidFormat[] = "Cannot load image. Invalid or unexpected PNG image format.";
const char kCompressionNotSupported[] = "Cannot load image. The compression scheme is not supported for PNG files.";
const char kInvalidPalette[] = "Cannot load image. Palette in PNG file is invalid.";
const char kCriticalChunk[] = "Cannot load PNG image. Unexpected but critical chunk detected.";
const char kCRCError[] = "Cannot load image. CRC error found in PNG file.";
const char kExtraData[] = "Cannot load image. Extra compressed data found in PNG file.";
const char kCompressionError[] = "Cannot load image. Compression error found in PNG file.";
const char kInvalidColorFormat[] = "Invalid color format in PNG file.";
const char kLZ77Error[] = "LZ77 decompression error.";

const char kInvalidDepth[] = "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
const char kInvalidSampleCount[] = "Sample count per pixel does not correspond to the given color scheme.";
const char kIndexedMismatch[] = "Conversion between indexed and non-indexed pixel formats is not supported.";
const char kNoConversion[] = "Color conversion failed. Could not find a proper method.";

constexpr uint32_t ChunkId(const char (&name)[5]) {
  return uint32_t(Byte(name[0])) | uint32_t(Byte(name[1])) << 8 | uint32_t(Byte(name[2])) << 16 |
         uint32_t(Byte(name[3])) << 24;
}
constexpr uint32_t IHDR = ChunkId("IHDR"), PLTE = ChunkId("PLTE"), IDAT = ChunkId("IDAT"), IEND = ChunkId("IEND"),
                   gAMA = ChunkId("gAMA"), bKGD = ChunkId("bKGD"), tRNS = ChunkId("tRNS");
// Chunk types compare without regard to letter case: bit 5 of every byte is masked off.
constexpr uint32_t kChunkCaseMask = 0xDFDFDFDF;
// Bit 5 of the first type byte: the chunk is ancillary.
constexpr uint32_t CHUNKMASK = 0x20;

inline uint32_t BigEndian32(const Byte* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
inline Word BigEndian16(const Byte* p) { return static_cast<Word>(p[0] << 8 | p[1]); }
inline uint32_t LittleEndian32(const Byte* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Adam7 passes.
constexpr int kRowStart[7] = {0, 0, 4, 0, 2, 0, 1};
constexpr int kColumnStart[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kRowIncrement[7] = {8, 8, 8, 4, 4, 2, 2};
constexpr int kColumnIncrement[7] = {8, 8, 4, 4, 2, 2, 1};
constexpr Byte kPassMask[7] = {0x80, 0x08, 0x88, 0x22, 0xAA, 0x55, 0xFF};

inline uint32_t ColorToRGBQuad(TColor c) { return ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16); }

// The table entry nearest to a colour (squared distance, lower index on ties): how a solid
// fill of an indexed bitmap picks its index.
uint32_t NearestTableIndex(const TColorTable& table, TColor color) {
  const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
  uint32_t best = 0;
  int bestDistance = 1 << 30;
  for (size_t i = 0; i < table.size(); ++i) {
    const int db = int(table[i] & 0xFF) - b, dg = int((table[i] >> 8) & 0xFF) - g,
              dr = int((table[i] >> 16) & 0xFF) - r;
    const int d = db * db + dg * dg + dr * dr;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<uint32_t>(i);
    }
  }
  return best;
}

// The value of pixel x of a packed row of 1, 2, 4 or 8 bits per pixel, most significant first.
inline unsigned PackedValue(const Byte* row, size_t x, unsigned bits) {
  const size_t bit = x * bits;
  return (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

}  // namespace

Word MulDiv16(Word value, Word numerator, Word denominator) {
  return static_cast<Word>(uint32_t(value) * numerator / denominator);
}

// ---- 2. CRC-32 --------------------------------------------------------------------------

namespace {

struct TCRCTables {
  uint32_t t[8][256];
};

TCRCTables MakeCRCTable() {
  // The reflected polynomial from its exponents: bit 31 - e for each exponent e.
  static const int P[] = {0, 1, 2, 4, 5, 7, 8, 10, 11, 12, 16, 22, 23, 26};
  uint32_t poly = 0;
  for (int e : P) poly |= 1u << (31 - e);
  TCRCTables tables{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? poly ^ (c >> 1) : c >> 1;
    tables.t[0][n] = c;
  }
  // Tables 1 to 7 advance a byte that lies 1 to 7 places further back: eight bytes per step.
  for (int k = 1; k < 8; ++k)
    for (int n = 0; n < 256; ++n) tables.t[k][n] = (tables.t[k - 1][n] >> 8) ^ tables.t[0][tables.t[k - 1][n] & 0xFF];
  return tables;
}

const TCRCTables& CRCTables() {
  static const TCRCTables tables = MakeCRCTable();  // built once, thread-safe
  return tables;
}

}  // namespace

uint32_t CRC32(uint32_t crc, const void* buffer, size_t len) {
  const auto& t = CRCTables().t;
  const Byte* p = static_cast<const Byte*>(buffer);
  uint32_t c = ~crc;
  for (; len >= 8; p += 8, len -= 8) {
    const uint32_t lo = LittleEndian32(p) ^ c, hi = LittleEndian32(p + 4);
    c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^ t[3][hi & 0xFF] ^
        t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
  }
  for (; len > 0; --len) c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
  return ~c;
}

// ---- 3. row colour conversion -----------------------------------------------------------

TColorManager::TColorManager() {
  // Every reader starts with the same table: work it out once per process.
  static const TColorManager* const prototype = [] {
    static TColorManager first(0);
    first.SetGamma(1.0f, DefaultDisplayGamma);
    return &first;
  }();
  std::memcpy(FGammaTable, prototype->FGammaTable, sizeof FGammaTable);
}

TColorManager::TColorManager(int) {}

void TColorManager::Error(const char* msg) { throw EColorConversionError(msg); }

void TColorManager::SetSourceBitsPerSample(Byte value) {
  if (value == 0 || value > 16) Error(kInvalidDepth);
  if (value != FSourceBPS) FSourceBPS = value, FChanged = true;
}

void TColorManager::SetTargetBitsPerSample(Byte value) {
  if (value == 0 || value > 16) Error(kInvalidDepth);
  if (value != FTargetBPS) FTargetBPS = value, FChanged = true;
}

void TColorManager::SetSourceSamplesPerPixel(Byte value) {
  if (value == 0 || value > 4) Error(kInvalidSampleCount);
  if (value != FSourceSPP) FSourceSPP = value, FChanged = true;
}

void TColorManager::SetTargetSamplesPerPixel(Byte value) {
  if (value == 0 || value > 4) Error(kInvalidSampleCount);
  if (value != FTargetSPP) FTargetSPP = value, FChanged = true;
}

void TColorManager::SetSourceColorScheme(TColorScheme value) {
  if (value != FSourceScheme) FSourceScheme = value, FChanged = true;
}

void TColorManager::SetTargetColorScheme(TColorScheme value) {
  if (value != FTargetScheme) FTargetScheme = value, FChanged = true;
}

TPixelFormat TColorManager::GetPixelFormat(int index) const {
  const Byte spp = index == 0 ? FSourceSPP : FTargetSPP;
  const Byte bps = index == 0 ? FSourceBPS : FTargetBPS;
  switch (spp) {
    case 1:
      if (bps == 1) return pf1bit;
      if (bps >= 2 && bps <= 4) return pf4bit;
      if (bps >= 8 && bps <= 16) return pf8bit;
      return pfCustom;
    case 3: return bps >= 1 && bps <= 5 ? pf15bit : pf24bit;
    case 4: return bps >= 8 ? pf32bit : pfCustom;
    default: return pfCustom;
  }
}

void TColorManager::SetGamma(float mainGamma, float displayGamma) {
  FMainGamma = mainGamma > 0 ? mainGamma : 1.0f;
  FDisplayGamma = displayGamma > 0 ? displayGamma : DefaultDisplayGamma;
  const double exponent = 1.0 / (double(FMainGamma) * double(FDisplayGamma));
  const int sourceTop = FSourceBPS >= 8 ? 255 : (1 << FSourceBPS) - 1;
  const int targetTop = FTargetBPS >= 8 ? 255 : (1 << FTargetBPS) - 1;
  for (int i = 0; i <= sourceTop; ++i)  // nearbyint: halves to the even neighbour
    FGammaTable[i] = static_cast<Byte>(std::nearbyint(std::pow(double(i) / sourceTop, exponent) * targetTop));
}

void TColorManager::PrepareConversion() {
  FRowConversion = nullptr;
  const bool sourceIndexed = FSourceScheme == csIndexed || FSourceScheme == csG || FSourceScheme == csGA;
  const bool targetIndexed = FTargetScheme == csIndexed || FTargetScheme == csG;
  if (sourceIndexed != targetIndexed) Error(kIndexedMismatch);
  auto hasAlpha = [](TColorScheme s) { return s == csGA || s == csRGBA || s == csBGRA; };
  FSourceOptions = hasAlpha(FSourceScheme) ? (FSourceOptions | coAlpha) : (FSourceOptions & ~coAlpha);
  FTargetOptions = hasAlpha(FTargetScheme) ? (FTargetOptions | coAlpha) : (FTargetOptions & ~coAlpha);
  const bool eightOr16Source = FSourceBPS == 8 || FSourceBPS == 16;
  switch (FSourceScheme) {
    case csIndexed:
      // Packed samples of at most 8 bits; deeper ones have no routine here.
      if (FSourceBPS <= 8 && FTargetBPS <= 8) FRowConversion = &TColorManager::RowConvertIndexed8;
      break;
    case csG:
      if (FSourceBPS == 16 || FTargetBPS == 16) {
        if (FSourceBPS >= 8 && FTargetBPS >= 8) FRowConversion = &TColorManager::RowConvertGray;
      } else if (FSourceBPS <= 8 && FTargetBPS <= 8) {
        FRowConversion = &TColorManager::RowConvertIndexed8;
      }
      break;
    case csGA:
      if (eightOr16Source && (FTargetBPS == 8 || FTargetBPS == 16)) FRowConversion = &TColorManager::RowConvertGray;
      break;
    case csRGB:
    case csRGBA:
      // Samples of 8 or 16 bits into bytes.
      if ((FTargetScheme == csBGR || FTargetScheme == csBGRA) && eightOr16Source && FTargetBPS == 8)
        FRowConversion = &TColorManager::RowConvertRGB2BGR;
      break;
    default: break;
  }
  FChanged = false;
}

void TColorManager::ConvertRow(const void* source, void* target, Cardinal count, Byte mask) {
  if (FChanged) PrepareConversion();
  if (!FRowConversion) Error(kNoConversion);
  (this->*FRowConversion)(static_cast<const Byte*>(source), static_cast<Byte*>(target), count, mask);
}

namespace {

// Calls write(targetIndex, sourceIndex) for every pixel of the row that the mask selects.
template <class Write>
inline void ForSelectedPixels(Cardinal count, Byte mask, Write&& write) {
  if (mask == 0xFF) {
    for (Cardinal i = 0; i < count; ++i) write(i, i);
    return;
  }
  Cardinal s = 0;
  for (Cardinal i = 0; i < count; ++i)
    if (mask & (0x80 >> (i & 7))) write(i, s++);
}

inline Word Sample16(const Byte* p, bool swap) {
  // Stored big-endian when swap is asked for (PNG), else in the machine's little-endian order.
  return swap ? static_cast<Word>(p[0] << 8 | p[1]) : static_cast<Word>(p[0] | p[1] << 8);
}

inline Byte Scale16To8(Word v) { return static_cast<Byte>(uint32_t(v) * 255 / 65535); }

}  // namespace

void TColorManager::RowConvertIndexed8(const Byte* source, Byte* target, Cardinal count, Byte mask) {
  const unsigned sourceBits = FSourceBPS, targetBits = FTargetBPS;
  if (sourceBits == targetBits && mask == 0xFF) {
    std::memcpy(target, source, static_cast<size_t>((uint64_t(count) * sourceBits + 7) / 8));
    return;
  }
  const Word sourceTop = static_cast<Word>((1u << sourceBits) - 1),
             targetTop = static_cast<Word>((1u << targetBits) - 1);
  // Samples lie most significant first; a byte holds 8 div depth of them.
  int sourceShift = 8 - int(sourceBits);
  int targetShift = 8 - int(targetBits);
  for (Cardinal i = 0; i < count; ++i) {
    if (mask & (0x80 >> (i & 7))) {
      const Word sample = static_cast<Word>((*source >> sourceShift) & sourceTop);
      const Word value = sourceBits == targetBits ? sample : MulDiv16(sample, targetTop, sourceTop);
      *target = static_cast<Byte>((*target & ~(targetTop << targetShift)) | (value << targetShift));
      sourceShift -= int(sourceBits);
      if (sourceShift < 0) sourceShift = 8 - int(sourceBits), ++source;
    }
    targetShift -= int(targetBits);
    if (targetShift < 0) targetShift = 8 - int(targetBits), ++target;
  }
}

void TColorManager::RowConvertGray(const Byte* source, Byte* target, Cardinal count, Byte mask) {
  const bool alpha = FSourceOptions & coAlpha;
  if (FSourceBPS == 8) {
    const size_t step = alpha ? 2 : 1;
    if (!alpha && mask == 0xFF) {
      std::memcpy(target, source, count);
      return;
    }
    ForSelectedPixels(count, mask, [&](Cardinal t, Cardinal s) { target[t] = source[s * step]; });
    return;
  }
  // 16-bit grey: the palette carries the gamma, so none is applied here.
  const size_t step = alpha ? 4 : 2;
  const bool swap = FSourceOptions & coNeedByteSwap;
  ForSelectedPixels(count, mask,
                    [&](Cardinal t, Cardinal s) { target[t] = Scale16To8(Sample16(source + s * step, swap)); });
}

template <int SourceBytes, bool Swap, bool Gamma>
void TColorManager::RGB2BGR(const Byte* source, Byte* target, Cardinal count, Byte mask, bool sourceAlpha,
                            bool targetAlpha) {
  const size_t sourceStep = size_t(SourceBytes) * (sourceAlpha ? 4 : 3);
  const size_t targetStep = targetAlpha ? 4 : 3;
  const Byte* gamma = FGammaTable;
  auto colour = [gamma](const Byte* p) -> Byte {
    Byte v = SourceBytes == 1 ? *p : Scale16To8(Sample16(p, Swap));
    return Gamma ? gamma[v] : v;
  };
  auto alphaOf = [](const Byte* p) -> Byte { return SourceBytes == 1 ? *p : Scale16To8(Sample16(p, Swap)); };
  const bool copyAlpha = sourceAlpha && targetAlpha;
  ForSelectedPixels(count, mask, [&](Cardinal t, Cardinal s) {
    const Byte* in = source + s * sourceStep;
    Byte* out = target + t * targetStep;
    out[0] = colour(in + 2 * SourceBytes);
    out[1] = colour(in + SourceBytes);
    out[2] = colour(in);
    if (copyAlpha) out[3] = alphaOf(in + 3 * SourceBytes);  // alpha never takes the gamma
  });
}

void TColorManager::RowConvertRGB2BGR(const Byte* source, Byte* target, Cardinal count, Byte mask) {
  const bool sourceAlpha = FSourceOptions & coAlpha, targetAlpha = FTargetOptions & coAlpha;
  const bool gamma = FTargetOptions & coApplyGamma, swap = FSourceOptions & coNeedByteSwap;
  if (FSourceBPS == 8) {
    if (!gamma && mask == 0xFF && sourceAlpha && targetAlpha) {
      // The common skin image: RGBA bytes to BGRA, one 32-bit word at a time.
      for (Cardinal i = 0; i < count; ++i) {
        uint32_t v;
        std::memcpy(&v, source + 4 * size_t(i), 4);
        const uint32_t rb = v & 0x00FF00FF;
        v = (v & 0xFF00FF00) | (rb >> 16) | (rb << 16);
        std::memcpy(target + 4 * size_t(i), &v, 4);
      }
      return;
    }
    if (gamma)
      RGB2BGR<1, false, true>(source, target, count, mask, sourceAlpha, targetAlpha);
    else
      RGB2BGR<1, false, false>(source, target, count, mask, sourceAlpha, targetAlpha);
    return;
  }
  if (gamma) {
    if (swap)
      RGB2BGR<2, true, true>(source, target, count, mask, sourceAlpha, targetAlpha);
    else
      RGB2BGR<2, false, true>(source, target, count, mask, sourceAlpha, targetAlpha);
  } else {
    if (swap)
      RGB2BGR<2, true, false>(source, target, count, mask, sourceAlpha, targetAlpha);
    else
      RGB2BGR<2, false, false>(source, target, count, mask, sourceAlpha, targetAlpha);
  }
}

TColorTable TColorManager::CreateGrayscalePalette() const {
  const int bits = std::min(int(FTargetBPS) * int(FTargetSPP), 8);
  const int entries = 1 << bits;
  const int step = 255 / (entries - 1);
  const bool gamma = FTargetOptions & coApplyGamma;
  TColorTable table(entries);
  for (int i = 0; i < entries; ++i) {
    const uint32_t level = gamma ? FGammaTable[i * step] : uint32_t(i * step);
    table[i] = level | level << 8 | level << 16;
  }
  return table;
}

TColorTable TColorManager::CreateColorPalette(const Byte* rgbTriples, Cardinal count) const {
  const size_t entries = std::min<Cardinal>(count, 256);
  const bool gamma = FTargetOptions & coApplyGamma;
  uint32_t slots[256] = {};
  for (size_t i = 0; i < entries; ++i) {
    Byte r = rgbTriples[3 * i], g = rgbTriples[3 * i + 1], b = rgbTriples[3 * i + 2];
    if (gamma) r = FGammaTable[r], g = FGammaTable[g], b = FGammaTable[b];
    slots[i] = uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16;
  }
  size_t size = entries;
  if (FTargetBPS <= 8) {
    const unsigned sourceTop = FSourceBPS >= 8 ? 255 : (1u << FSourceBPS) - 1;
    const unsigned targetTop = (1u << FTargetBPS) - 1;
    if (sourceTop != targetTop && sourceTop < targetTop) {
      // Samples widened from the source depth land on index k x (target top / source top).
      for (int i = int(targetTop); i >= 0; --i) slots[i] = slots[unsigned(i) * sourceTop / targetTop];
      size = targetTop + 1;
    }
    // Every index the target depth can hold has an entry; those beyond the colours are black.
    size = std::max<size_t>(size, size_t(targetTop) + 1);
  }
  return TColorTable(slots, slots + size);
}

// ---- 4. row filters ---------------------------------------------------------------------

namespace {

enum : Byte { kFilterNone = 0, kFilterSub = 1, kFilterUp = 2, kFilterAverage = 3, kFilterPaeth = 4 };

inline Byte PaethPredictor(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return static_cast<Byte>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Paeth for whole pixels of BPP bytes. Each channel is a chain of its own that the CPU runs
// beside the others, and the comparisons compile to conditional moves: faster than one SIMD
// chain per pixel, whose select steps all lie on the critical path.
template <int BPP>
void UnfilterPaethPixels(Byte* row, const Byte* prior, size_t n) {
  for (int k = 0; k < BPP; ++k) row[k] = static_cast<Byte>(row[k] + prior[k]);
  for (size_t i = BPP; i < n; i += BPP)
    for (int k = 0; k < BPP; ++k)
      row[i + k] = static_cast<Byte>(row[i + k] + PaethPredictor(row[i + k - BPP], prior[i + k], prior[i + k - BPP]));
}

void UnfilterUp(Byte* row, const Byte* prior, size_t n) {
  for (size_t i = 0; i < n; ++i) row[i] = static_cast<Byte>(row[i] + prior[i]);
}

// Sub and Average for any bytes per pixel, one byte at a time.
void UnfilterBytes(Byte filter, Byte* row, const Byte* prior, size_t n, size_t bpp) {
  switch (filter) {
    case kFilterSub:
      for (size_t i = bpp; i < n; ++i) row[i] = static_cast<Byte>(row[i] + row[i - bpp]);
      break;
    case kFilterAverage:
      for (size_t i = 0; i < bpp && i < n; ++i) row[i] = static_cast<Byte>(row[i] + prior[i] / 2);
      for (size_t i = bpp; i < n; ++i) row[i] = static_cast<Byte>(row[i] + (row[i - bpp] + prior[i]) / 2);
      break;
    default: break;
  }
}

#ifdef KV_PNG_SSE2

// One pixel of BPP bytes in the low lanes of a vector, the rest zero.
template <int BPP>
inline __m128i LoadPixel(const Byte* p) {
  uint64_t v = 0;
  std::memcpy(&v, p, BPP);
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&v));
}

template <int BPP>
inline void StorePixel(Byte* p, __m128i v) {
  uint64_t t;
  _mm_storel_epi64(reinterpret_cast<__m128i*>(&t), v);
  std::memcpy(p, &t, BPP);
}

// Sub and Average for pixels of 3, 4, 6 or 8 bytes: each pixel depends on the one before it,
// so the lanes carry the channels of one pixel.
template <int BPP>
void UnfilterPixels(Byte filter, Byte* row, const Byte* prior, size_t n) {
  const __m128i zero = _mm_setzero_si128();
  switch (filter) {
    case kFilterSub: {
      __m128i a = zero;
      for (size_t i = 0; i < n; i += BPP) {
        a = _mm_add_epi8(LoadPixel<BPP>(row + i), a);
        StorePixel<BPP>(row + i, a);
      }
      break;
    }
    case kFilterAverage: {
      const __m128i one = _mm_set1_epi8(1);
      __m128i a = zero;
      for (size_t i = 0; i < n; i += BPP) {
        const __m128i b = LoadPixel<BPP>(prior + i);
        // pavgb rounds up; taking away the carried half gives floor((a + b) / 2). Adding x
        // before that subtraction keeps the chain from one pixel to the next three steps long.
        const __m128i roundedUp = _mm_add_epi8(LoadPixel<BPP>(row + i), _mm_avg_epu8(a, b));
        a = _mm_sub_epi8(roundedUp, _mm_and_si128(_mm_xor_si128(a, b), one));
        StorePixel<BPP>(row + i, a);
      }
      break;
    }
    default: break;
  }
}

#endif

// Reconstructs a filtered row in place; prior is the reconstructed row above (zeros for the
// first row of an image or pass). Unknown filter types leave the row as it was read.
void ApplyFilter(Byte filter, Byte* row, const Byte* prior, size_t n, size_t bpp) {
  if (filter == kFilterNone || filter > kFilterPaeth) return;
  if (filter == kFilterUp) return UnfilterUp(row, prior, n);
  if (filter == kFilterPaeth) {
    switch (bpp) {  // every pixel size a PNG can have
      case 1: return UnfilterPaethPixels<1>(row, prior, n);
      case 2: return UnfilterPaethPixels<2>(row, prior, n);
      case 3: return UnfilterPaethPixels<3>(row, prior, n);
      case 4: return UnfilterPaethPixels<4>(row, prior, n);
      case 6: return UnfilterPaethPixels<6>(row, prior, n);
      case 8: return UnfilterPaethPixels<8>(row, prior, n);
      default: break;
    }
  }
#ifdef KV_PNG_SSE2
  switch (bpp) {
    case 3: return UnfilterPixels<3>(filter, row, prior, n);
    case 4: return UnfilterPixels<4>(filter, row, prior, n);
    case 6: return UnfilterPixels<6>(filter, row, prior, n);
    case 8: return UnfilterPixels<8>(filter, row, prior, n);
    default: break;
  }
#endif
  UnfilterBytes(filter, row, prior, n, bpp);
}

}  // namespace

// ---- 5. the inflate driver --------------------------------------------------------------

class TLZ77Decoder {
 public:
  TLZ77Decoder(int flushMode, bool autoReset) : FFlushMode(flushMode), FAutoReset(autoReset) {}
  ~TLZ77Decoder() {
    if (FInitialised) inflateEnd(&FStream);
  }
  TLZ77Decoder(const TLZ77Decoder&) = delete;
  TLZ77Decoder& operator=(const TLZ77Decoder&) = delete;

  void DecodeInit() {
    if (InflateInit(FStream) < 0) throw EGraphicCompression(kLZ77Error);
    FInitialised = true;
  }
  // Inflates from source into dest; both advance to where zlib stopped. After the end of the
  // stream or an error every further call does nothing and keeps that result.
  void Decode(const Byte*& source, uInt& packedSize, Byte*& dest, uInt& unpackedSize) {
    FStream.next_in = const_cast<Bytef*>(source);
    FStream.avail_in = packedSize;
    if (FAutoReset) FZLibResult = inflateReset(&FStream);
    if (FZLibResult == Z_OK) {
      FStream.next_out = dest;
      FStream.avail_out = unpackedSize;
      FZLibResult = inflate(&FStream, FFlushMode);
      source = FStream.next_in;
      packedSize = FStream.avail_in;
      dest = FStream.next_out;
      unpackedSize = FStream.avail_out;
    }
  }
  void DecodeEnd() {
    FInitialised = false;
    if (inflateEnd(&FStream) < 0) throw EGraphicCompression(kLZ77Error);
  }
  int ZLibResult() const { return FZLibResult; }

 private:
  TZStreamRec FStream{};
  int FZLibResult = Z_OK;
  int FFlushMode;
  bool FAutoReset;
  bool FInitialised = false;
};

// ---- 6. TPNGGraphic ---------------------------------------------------------------------

TPNGGraphic::TPNGGraphic() = default;
TPNGGraphic::~TPNGGraphic() = default;

bool TPNGGraphic::CanLoad(TStream& stream) {
  if (!UseKVPng) return false;
  const Int64 position = stream.GetPosition();
  Byte head[9];
  Integer got = 0;
  while (got < 9) {
    const Integer n = stream.Read(head + got, 9 - got);
    if (n <= 0) break;
    got += n;
  }
  stream.SetPosition(position);
  return got == 9 && std::memcmp(head, PNGMagic, 8) == 0;
}

bool TPNGGraphic::CanLoad(const String& fileName) {
  if (!UseKVPng) return false;
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  return CanLoad(file);
}

void TPNGGraphic::Assign(const TPersistent* source) {
  if (auto* png = dynamic_cast<const TPNGGraphic*>(source)) FImageProperties = png->FImageProperties;
  TBitmap::Assign(source);
}

void TPNGGraphic::CheckChunkLength(Cardinal length) const {
  if (length > 0x7FFFFFFFu) throw EInvalidGraphic(kInvalidFormat);
  // A length beyond the end fails here, before its data get a buffer, as the read would.
  if (FStreamEnd >= 0 && Int64(length) + 4 > FStreamEnd - FStream->GetPosition()) throw EReadError("Stream read error");
}

uint32_t TPNGGraphic::LoadAndSwapHeader() {
  Byte raw[8];
  FStream->ReadBuffer(raw, 8);
  FHeader.Length = BigEndian32(raw);
  FHeader.ChunkType = LittleEndian32(raw + 4);
  CheckChunkLength(FHeader.Length);
  FCurrentCRC = CRC32(0, raw + 4, 4);
  return FCurrentCRC;
}

bool TPNGGraphic::IsChunk(uint32_t chunkType) const {
  return (FHeader.ChunkType & kChunkCaseMask) == (chunkType & kChunkCaseMask);
}

void TPNGGraphic::ReadDataAndCheckCRC() {
  const Cardinal length = FHeader.Length;
  constexpr Cardinal kPiece = 1 << 20;
  if (FStreamEnd >= 0 || length <= kPiece) {
    FRawBuffer.resize(length);
    if (length) FStream->ReadBuffer(FRawBuffer.data(), static_cast<Integer>(length));
  } else {
    // The source's size is unknown: grow with the data that really arrive.
    FRawBuffer.clear();
    for (Cardinal done = 0; done < length;) {
      const Cardinal n = std::min(kPiece, length - done);
      FRawBuffer.resize(size_t(done) + n);
      FStream->ReadBuffer(FRawBuffer.data() + done, static_cast<Integer>(n));
      done += n;
    }
  }
  Byte crc[4];
  FStream->ReadBuffer(crc, 4);
  if (CRC32(FCurrentCRC, FRawBuffer.data(), length) != BigEndian32(crc)) throw EInvalidGraphic(kCRCError);
}

void TPNGGraphic::SkipChunk() { FStream->Seek(Int64(FHeader.Length) + 4, soCurrent); }

TIHDRChunk TPNGGraphic::ReadHeaderChunk() {
  ReadDataAndCheckCRC();
  const Byte* d = FRawBuffer.data();
  TIHDRChunk h;
  h.Width = BigEndian32(d);
  h.Height = BigEndian32(d + 4);
  h.BitDepth = d[8];
  h.ColorType = d[9];
  h.Compression = d[10];
  h.Filter = d[11];
  h.Interlaced = d[12];
  if (h.Width == 0 || h.Height == 0) return h;  // no PNG: the caller decides
  // Sizes are checked before anything is allocated.
  if (h.Width > 0x7FFFFFFFu || h.Height > 0x7FFFFFFFu || int64_t(h.Width) * h.Height > kPngMaxPixels)
    throw EInvalidGraphic(kInvalidFormat);
  static const int kSamples[7] = {1, 0, 3, 1, 2, 0, 4};
  const int samples = h.ColorType < 7 ? kSamples[h.ColorType] : 0;
  if ((int64_t(h.Width) * samples * h.BitDepth + 7) / 8 > kPngMaxRowBytes) throw EInvalidGraphic(kInvalidFormat);
  return h;
}

bool TPNGGraphic::ReadImageProperties(TStream& stream, bool& empty) {
  FImageProperties = {};
  Byte signature[8];
  Integer got = 0;
  while (got < 8) {
    const Integer n = stream.Read(signature + got, 8 - got);
    if (n <= 0) break;
    got += n;
  }
  empty = got == 0;
  if (got < 8 || std::memcmp(signature, PNGMagic, 8) != 0) return false;
  LoadAndSwapHeader();
  if (!IsChunk(IHDR) || FHeader.Length != 13) return false;
  const TIHDRChunk h = ReadHeaderChunk();
  if (h.Width == 0 || h.Height == 0) return false;
  FImageProperties.Options = ioBigEndian;
  FImageProperties.Width = h.Width;
  SetSize(0, static_cast<Integer>(h.Height));
  FImageProperties.Compression = h.Compression == 0 ? ctLZ77 : ctUnknown;
  FImageProperties.BitsPerSample = h.BitDepth;
  FImageProperties.SamplesPerPixel = 1;
  switch (h.ColorType) {
    case 0: FImageProperties.ColorScheme = csG; break;
    case 2: FImageProperties.ColorScheme = csRGB, FImageProperties.SamplesPerPixel = 3; break;
    case 3: FImageProperties.ColorScheme = csIndexed; break;
    case 4: FImageProperties.ColorScheme = csGA; break;
    case 6: FImageProperties.ColorScheme = csRGBA, FImageProperties.SamplesPerPixel = 4; break;
    default: FImageProperties.ColorScheme = csUnknown; break;
  }
  for (;;) {
    LoadAndSwapHeader();
    if (IsChunk(gAMA)) {
      ReadDataAndCheckCRC();
      break;
    }
    SkipChunk();
    if (IsChunk(IEND)) break;
  }
  return true;
}

Integer TPNGGraphic::SetupColorDepth(Byte colorType, Byte bitDepth) {
  TColorScheme source, target;
  Byte samples = 1, targetBits = 8;
  Integer bytesPerPixel;
  switch (colorType) {
    case 0:
      if (bitDepth != 1 && bitDepth != 2 && bitDepth != 4 && bitDepth != 8 && bitDepth != 16)
        throw EInvalidGraphic(kInvalidColorFormat);
      source = target = csG;
      targetBits = bitDepth == 1 ? 1 : bitDepth <= 4 ? 4 : 8;
      bytesPerPixel = (bitDepth + 7) / 8;
      break;
    case 2:
      if (bitDepth != 8 && bitDepth != 16) throw EInvalidGraphic(kInvalidColorFormat);
      source = csRGB, target = csBGR, samples = 3;
      bytesPerPixel = bitDepth * 3 / 8;
      break;
    case 3:
      if (bitDepth != 1 && bitDepth != 2 && bitDepth != 4 && bitDepth != 8) throw EInvalidGraphic(kInvalidColorFormat);
      source = target = csIndexed;
      targetBits = bitDepth == 1 ? 1 : bitDepth <= 4 ? 4 : 8;
      bytesPerPixel = 1;
      break;
    case 4:
      if (bitDepth != 8 && bitDepth != 16) throw EInvalidGraphic(kInvalidColorFormat);
      source = csGA, target = csIndexed;
      bytesPerPixel = bitDepth * 2 / 8;
      break;
    case 6:
      if (bitDepth != 8 && bitDepth != 16) throw EInvalidGraphic(kInvalidColorFormat);
      source = csRGBA, target = csBGRA, samples = 4;
      bytesPerPixel = bitDepth * 4 / 8;
      break;
    default: throw EInvalidGraphic(kInvalidColorFormat);
  }
  FColorManager.SetSourceColorScheme(source);
  FColorManager.SetTargetColorScheme(target);
  FColorManager.SetSourceSamplesPerPixel(samples);
  FColorManager.SetTargetSamplesPerPixel(samples);
  FColorManager.SetSourceBitsPerSample(bitDepth);
  FColorManager.SetTargetBitsPerSample(targetBits);
  SetPixelFormat(FColorManager.TargetPixelFormat());
  if (colorType == 0 || colorType == 4) FPalette = FColorManager.CreateGrayscalePalette();
  FColorDepthReady = true;
  return bytesPerPixel;
}

bool TPNGGraphic::GreyLevelFromFile(const TIHDRChunk& description, Word value, Byte& level) const {
  switch (description.BitDepth) {
    case 16: level = Scale16To8(value); return true;
    case 8: level = static_cast<Byte>(value); return true;
    case 1:
    case 2:
    case 4: {
      // The level the decoded pixels show: the grey ramp's entry for the widened sample.
      const Word top = static_cast<Word>((1u << description.BitDepth) - 1);
      if (value > top) return false;  // names no level of this depth
      level = static_cast<Byte>(MulDiv16(value, 255, top));
      return true;
    }
    default: return false;
  }
}

void TPNGGraphic::LoadBackgroundColor(const TIHDRChunk& description) {
  ReadDataAndCheckCRC();
  const Byte* d = FRawBuffer.data();
  const size_t length = FRawBuffer.size();
  switch (description.ColorType) {
    case 0:
    case 4: {
      Byte level;
      if (length >= 2 && GreyLevelFromFile(description, BigEndian16(d), level)) FBackgroundColor = level * 0x010101u;
      break;
    }
    case 2:
    case 6:
      if (length >= 6) {
        auto channel = [&](const Byte* p) -> uint32_t {
          return description.BitDepth == 16 ? Scale16To8(BigEndian16(p)) : p[1];
        };
        FBackgroundColor = channel(d) | channel(d + 2) << 8 | channel(d + 4) << 16;
      }
      break;
    case 3:
      if (length >= 1 && size_t(d[0]) * 3 + 3 <= FPaletteRGB.size()) {
        const Byte* rgb = FPaletteRGB.data() + size_t(d[0]) * 3;
        FBackgroundColor = uint32_t(rgb[0]) | uint32_t(rgb[1]) << 8 | uint32_t(rgb[2]) << 16;
      }
      break;
    default: break;
  }
}

void TPNGGraphic::LoadTransparency(const TIHDRChunk& description) {
  ReadDataAndCheckCRC();
  const Byte* d = FRawBuffer.data();
  const size_t length = FRawBuffer.size();
  switch (description.ColorType) {
    case 0: {
      Byte level;
      if (length >= 2 && GreyLevelFromFile(description, BigEndian16(d), level)) FTransparentColor = level * 0x010101u;
      break;
    }
    case 2:
      if (length >= 6) {
        auto channel = [&](const Byte* p) -> uint32_t {
          return description.BitDepth == 16 ? Scale16To8(BigEndian16(p)) : p[1];
        };
        FTransparentColor = channel(d) | channel(d + 2) << 8 | channel(d + 4) << 16;
      }
      break;
    case 3:
      // One alpha per palette index; entries beyond 256 name no index.
      FTransparency.assign(256, 255);
      std::copy_n(d, std::min<size_t>(length, 256), FTransparency.begin());
      break;
    default: break;  // grey + alpha and RGBA carry their own alpha
  }
}

void TPNGGraphic::FillBackground(Integer firstRow) {
  if (Empty() || firstRow >= Height()) return;
  const Integer width = Width();
  const TPixelFormat format = PixelFormat();
  if (format == pf32bit || format == pf24bit) {
    const Byte b = (FBackgroundColor >> 16) & 0xFF, g = (FBackgroundColor >> 8) & 0xFF, r = FBackgroundColor & 0xFF;
    for (Integer y = firstRow; y < Height(); ++y) {
      Byte* p = static_cast<Byte*>(ScanLine(y));
      if (format == pf32bit) {
        const uint32_t v = ColorToRGBQuad(FBackgroundColor);  // alpha 0, as a solid fill leaves it
        for (Integer x = 0; x < width; ++x) std::memcpy(p + 4 * size_t(x), &v, 4);
      } else {
        for (Integer x = 0; x < width; ++x, p += 3) p[0] = b, p[1] = g, p[2] = r;
      }
    }
    return;
  }
  const unsigned bits = static_cast<unsigned>(BitsPerPixel(format));
  const uint32_t index = NearestTableIndex(ColorTable(), FBackgroundColor) & ((1u << bits) - 1);
  Byte pattern = 0;
  for (unsigned shift = 0; shift < 8; shift += bits) pattern = static_cast<Byte>(pattern | index << shift);
  for (Integer y = firstRow; y < Height(); ++y) std::memset(ScanLine(y), pattern, static_cast<size_t>(Stride()));
}

bool TPNGGraphic::ReadRow(Byte* row, size_t rowBytes) {
  uInt missing = static_cast<uInt>(rowBytes);
  Byte* out = row;
  while (missing > 0) {
    if (FCurrentSource >= FRawBuffer.size()) {
      // Take the next IDAT chunk; empty ones are passed over.
      do {
        if (!IsChunk(IDAT)) return false;  // the image data ran out
        ReadDataAndCheckCRC();
        FCurrentSource = 0;
        LoadAndSwapHeader();
      } while (FRawBuffer.empty());
    }
    const Byte* in = FRawBuffer.data() + FCurrentSource;
    uInt available = static_cast<uInt>(FRawBuffer.size() - FCurrentSource);
    FDecoder->Decode(in, available, out, missing);
    FCurrentSource = FRawBuffer.size() - available;
    const int result = FDecoder->ZLibResult();
    if (result == Z_STREAM_END) {
      if (missing > 0 || available > 0) throw EInvalidGraphic(kExtraData);
      return true;
    }
    if (result != Z_OK) throw EInvalidGraphic(kCompressionError);
  }
  return true;
}

void TPNGGraphic::LoadIDAT(const TIHDRChunk& description) {
  Progress(psStarting, 0, false, FProgressRect, u"Transfering...");
  if (!FColorDepthReady) FSourceBPP = SetupColorDepth(description.ColorType, description.BitDepth);
  // Rows are written with the converter's target depth: the bitmap must have exactly that one.
  if (PixelFormat() != FColorManager.TargetPixelFormat()) throw EInvalidGraphic(kInvalidFormat);
  const Integer targetBPP = description.BitDepth == 16 ? FSourceBPP / 2 : FSourceBPP;
  if (!FPalette.empty())
    SetColorTable(FPalette);
  else if (targetBPP == 4)
    SetIgnorePalette(true);
  // Only the height is known before this point (no pixels yet): start from an empty image.
  FreeImage();
  SetSize(static_cast<Integer>(description.Width), static_cast<Integer>(description.Height));
  if (FTransparentColor != clNone) {
    SetTransparentColor(FTransparentColor);
    SetTransparent(true);
  }

  const Cardinal width = description.Width;
  const Integer height = static_cast<Integer>(description.Height);
  const unsigned depth = description.BitDepth;
  auto rowSize = [&](uint64_t pixels) { return static_cast<size_t>((pixels * depth + 7) / 8 * uint64_t(targetBPP)); };
  const size_t fullRow = rowSize(width);
  // Two rows with their filter byte; they alternate, the other one holding the row above.
  std::vector<Byte> buffers[2] = {std::vector<Byte>(fullRow + 1), std::vector<Byte>(fullRow + 1)};
  int current = 0;
  const size_t bpp = static_cast<size_t>(FSourceBPP);
  FRawBuffer.clear();  // holds the last chunk read, not image data: the decoder starts without input
  FCurrentSource = 0;

  auto decodeRow = [&](size_t bytes) -> Byte* {
    Byte* row = buffers[current].data();
    if (!ReadRow(row, bytes + 1)) return nullptr;
    ApplyFilter(row[0], row + 1, buffers[current ^ 1].data() + 1, bytes, bpp);
    current ^= 1;
    return row + 1;
  };

  if (description.Interlaced != 1) {
    Integer y = 0;
    for (; y < height; ++y) {
      const Byte* row = decodeRow(fullRow);
      if (!row) break;
      FColorManager.ConvertRow(row, ScanLine(y), width, 0xFF);
      NextProgressRow();
    }
    FillBackground(y);  // rows the data did not reach
  } else {
    FillBackground(0);  // every pass leaves the others' pixels as they are
    bool ranOut = false;
    for (int pass = 0; pass < 7 && !ranOut; ++pass) {
      if (width <= Cardinal(kColumnStart[pass])) continue;
      const uint64_t passWidth =
          (uint64_t(width) + kColumnIncrement[pass] - 1 - kColumnStart[pass]) / kColumnIncrement[pass];
      const size_t passRow = rowSize(passWidth);
      std::fill_n(buffers[current ^ 1].begin(), passRow + 1, Byte(0));  // the row above a pass's first row is zero
      for (Integer y = kRowStart[pass]; y < height; y += kRowIncrement[pass]) {
        const Byte* row = decodeRow(passRow);
        if (!row) {
          ranOut = true;
          break;
        }
        FColorManager.ConvertRow(row, ScanLine(y), width, kPassMask[pass]);
        if (pass == 6) NextProgressRow();  // the last pass completes the rows it reaches
      }
    }
  }
  // Further IDAT chunks of the same run are read (CRC-tested) and dropped.
  while (IsChunk(IDAT)) {
    ReadDataAndCheckCRC();
    LoadAndSwapHeader();
  }
  FRawBuffer.clear();
  FCurrentSource = 0;
}

void TPNGGraphic::LoadFromStream(TStream& stream) {
  FreeImage();
  FBasePosition = stream.GetPosition();
  FDecoder.reset();
  FStream = &stream;
  // A stream that cannot tell its size (-1) is read with buffers that grow with the data.
  FStreamEnd = stream.GetSize();
  if (FStreamEnd < FBasePosition) FStreamEnd = -1;
  TScopeExit cleanup([this] {
    FDecoder.reset();
    FRawBuffer = {};
    FCurrentSource = 0;
    FStream = nullptr;
  });

  bool empty = false;
  if (!ReadImageProperties(stream, empty)) {
    if (empty) throw EInvalidGraphic(kInvalidFormat);
    stream.SetPosition(FBasePosition);
    Byte head[14];
    stream.ReadBuffer(head, 14);
    if (head[0] != 'B' || head[1] != 'M') throw EInvalidGraphic(kInvalidFormat);
    stream.SetPosition(FBasePosition);
    FStream = nullptr;
    TBitmap::LoadFromStream(stream);
    return;
  }

  stream.SetPosition(FBasePosition + 8);
  const Integer width = static_cast<Integer>(std::min<Cardinal>(FImageProperties.Width, 0x7FFFFFFF));
  FProgressRect = TRect(0, 0, width, 1);
  Progress(psStarting, 0, false, FProgressRect, u"Preparing...");
  // Whatever happens, the user of the notifications sees the load end.
  TScopeExit ending([this] { Progress(psEnding, 0, false, FProgressRect, String()); });
  LoadPNGChunks();
  FDecoder->DecodeEnd();
}

// Steps after the first pass: everything from the header to IEND.
void TPNGGraphic::LoadPNGChunks() {
  FPalette.clear();
  FPaletteRGB.clear();
  FTransparency.clear();
  FBackgroundColor = clWhite;
  FTransparentColor = clNone;
  FColorDepthReady = false;
  FColorManager.SetSourceOptions(coNeedByteSwap);
  FColorManager.SetTargetOptions(FColorManager.TargetOptions() & ~coApplyGamma);

  LoadAndSwapHeader();
  if (!IsChunk(IHDR) || FHeader.Length != 13) throw EInvalidGraphic(kInvalidFormat);
  const TIHDRChunk description = ReadHeaderChunk();
  if (description.Width == 0 || description.Height == 0) throw EInvalidGraphic(kInvalidFormat);
  if (FImageProperties.Compression != ctLZ77) throw EInvalidGraphic(kCompressionNotSupported);

  FDecoder = std::make_unique<TLZ77Decoder>(Z_PARTIAL_FLUSH, false);
  FDecoder->DecodeInit();

  LoadAndSwapHeader();
  for (;;) {
    if (IsChunk(IDAT)) {
      Progress(psEnding, 0, false, FProgressRect, String());
      LoadIDAT(description);  // leaves the first chunk after the image data as the current one
    } else if (IsChunk(PLTE)) {
      if (FHeader.Length % 3 != 0) throw EInvalidGraphic(kInvalidPalette);
      ReadDataAndCheckCRC();
      if (description.ColorType == 3) {
        FSourceBPP = SetupColorDepth(description.ColorType, description.BitDepth);
        const size_t colours = std::min<size_t>(FRawBuffer.size() / 3, 256);
        FPaletteRGB.assign(FRawBuffer.begin(), FRawBuffer.begin() + std::ptrdiff_t(colours * 3));
        FPalette = FColorManager.CreateColorPalette(FPaletteRGB.data(), static_cast<Cardinal>(colours));
      }
      LoadAndSwapHeader();
      continue;
    } else if (IsChunk(gAMA)) {
      ReadDataAndCheckCRC();
      if (FRawBuffer.size() >= 4) {
        // The table serves 8-bit values whatever the image's depth: every user indexes it
        // with a byte (palette entries, RGB samples, grey levels). The depths the rows are
        // converted with stay as they are (a gAMA may follow the palette).
        const Byte sourceBits = FColorManager.SourceBitsPerSample(), targetBits = FColorManager.TargetBitsPerSample();
        FColorManager.SetSourceBitsPerSample(8);
        FColorManager.SetTargetBitsPerSample(8);
        FColorManager.SetGamma(static_cast<float>(BigEndian32(FRawBuffer.data()) / 100000.0), DefaultDisplayGamma);
        FColorManager.SetSourceBitsPerSample(sourceBits);
        FColorManager.SetTargetBitsPerSample(targetBits);
        FColorManager.SetTargetOptions(FColorManager.TargetOptions() | coApplyGamma);
        FImageProperties.Options |= ioUseGamma;
      }
      LoadAndSwapHeader();
      continue;
    } else if (IsChunk(bKGD)) {
      LoadBackgroundColor(description);
      LoadAndSwapHeader();
      continue;
    } else if (IsChunk(tRNS)) {
      LoadTransparency(description);
      LoadAndSwapHeader();
      continue;
    }
    SkipChunk();
    if (IsChunk(IEND)) break;
    if (!(FHeader.ChunkType & CHUNKMASK)) throw EInvalidGraphic(kCriticalChunk);
    LoadAndSwapHeader();
  }
}

void TPNGGraphic::NextProgressRow() {
  ++FProgressRect.Top;
  ++FProgressRect.Bottom;
}

// ---- 7. transparency and the bitmap loaders ---------------------------------------------

void UpdateTransparency(TBitmap& bmp, const TPNGGraphic& png) {
  const bool keyed = bmp.Transparent();
  const TImageProperties& properties = png.ImageProperties();
  bmp.Assign(&png);
  if (png.PixelFormat() == pf32bit) return;  // an RGBA image: its alpha is the file's
  const Integer width = png.Width(), height = png.Height();
  bmp.FreeImage();
  bmp.SetPixelFormat(pf32bit);
  if (width <= 0 || height <= 0) return;
  bmp.SetSize(width, height);

  enum { kAlphaTable, kGammaMask, kKeyed, kOpaque } mode;
  const bool packed = TBitmap::BitsPerPixel(png.PixelFormat()) <= 8;
  if (properties.ColorScheme == csIndexed && !png.Transparency().empty() && packed)
    mode = kAlphaTable;
  else if (properties.Options & ioUseGamma)
    mode = packed && png.ColorManager().SourcePixelFormat() != pf24bit ? kGammaMask : kOpaque;
  else
    mode = keyed ? kKeyed : kOpaque;

  const TPixelView v = bmp.View();
  if (!packed) {  // RGB rows of 3 bytes
    const Byte* corner = static_cast<const Byte*>(png.ScanLine(height - 1));
    const uint32_t key = uint32_t(corner[0]) | uint32_t(corner[1]) << 8 | uint32_t(corner[2]) << 16;
    for (Integer y = 0; y < height; ++y) {
      const Byte* source = static_cast<const Byte*>(png.ScanLine(y));
      uint32_t* target = v.Row(y);
      for (Integer x = 0; x < width; ++x, source += 3) {
        const uint32_t colour = uint32_t(source[0]) | uint32_t(source[1]) << 8 | uint32_t(source[2]) << 16;
        target[x] = colour | (mode == kKeyed && colour == key ? 0 : 0xFF000000u);
      }
    }
    return;
  }

  // Packed rows: every pixel's result depends on its stored value alone, so one table of final
  // pixels serves the whole image.
  const unsigned bits = static_cast<unsigned>(TBitmap::BitsPerPixel(png.PixelFormat()));
  const unsigned values = 1u << bits;
  const TColorTable& colours = png.ColorTable();
  const bool widened = properties.BitsPerSample == 2;  // 2-bit samples stored as 4-bit value x 5
  const bool grey = properties.ColorScheme != csIndexed;
  const Byte* gamma = png.ColorManager().GammaTable();
  uint32_t pixel[256];
  for (unsigned value = 0; value < values; ++value) {
    const uint32_t colour = value < colours.size() ? colours[value] & 0x00FFFFFF : 0;
    const unsigned index = widened ? value / 5 : value;
    switch (mode) {
      case kAlphaTable: pixel[value] = colour | uint32_t(png.Transparency()[index]) << 24; break;
      case kGammaMask: {
        // A grey or indexed image with gAMA is a black mask: alpha from the grey level (or
        // the palette index) through the gamma table.
        const unsigned level = grey ? value * 255 / (values - 1) : index;
        pixel[value] = uint32_t(255 - gamma[level]) << 24;
        break;
      }
      default: pixel[value] = colour | 0xFF000000u; break;
    }
  }
  if (mode == kKeyed) {  // the bottom-left pixel's colour is clear wherever it occurs
    const uint32_t key = pixel[PackedValue(static_cast<const Byte*>(png.ScanLine(height - 1)), 0, bits)] & 0x00FFFFFF;
    for (unsigned value = 0; value < values; ++value)
      if ((pixel[value] & 0x00FFFFFF) == key) pixel[value] = key;
  }
  for (Integer y = 0; y < height; ++y) {
    const Byte* source = static_cast<const Byte*>(png.ScanLine(y));
    uint32_t* target = v.Row(y);
    if (bits == 8) {
      for (Integer x = 0; x < width; ++x) target[x] = pixel[source[x]];
    } else {
      for (Integer x = 0; x < width; ++x) target[x] = pixel[PackedValue(source, size_t(x), bits)];
    }
  }
}

namespace {

// The loaded picture becomes bmp's with its alpha. keyed: what UpdateTransparency finds as
// bmp's Transparent flag.
void GiveTransparentPicture(TBitmap& bmp, TPNGGraphic& png, bool keyed) {
  if (png.PixelFormat() == pf32bit) {
    bmp.Swap(png);  // an RGBA picture already is the result: hand it over instead of copying it
    return;
  }
  bmp.SetTransparent(keyed);
  UpdateTransparency(bmp, png);
}

}  // namespace

void LoadBmpFromPngFile(TBitmap& bmp, const String& fileName) {
  TPNGGraphic png;
  png.LoadFromFile(fileName);
  // The bitmap is assigned the picture first, so its Transparent flag is the picture's.
  GiveTransparentPicture(bmp, png, png.Transparent());
}

void LoadBmpFromPngStream(TBitmap& bmp, TStream& stream) {
  TPNGGraphic png;
  png.LoadFromStream(stream);
  // This form keeps the bitmap's own Transparent flag for the keyed case.
  bmp.SetIgnorePalette(png.IgnorePalette());
  GiveTransparentPicture(bmp, png, bmp.Transparent());
}

// ---- 8. registration with the picture formats ---------------------------------------------

namespace {

bool registered = false;

bool IsPngSignature(const Byte* head, size_t size) {
  return UseKVPng && size > 8 && std::memcmp(head, PNGMagic, 8) == 0;
}

}  // namespace

void kvPNGStartup() {
  if (registered) return;
  // With kvPngFirst off, a PNG class the class library registered keeps ".png": it is taken
  // out and registered again behind this reader (the registry keeps the last one).
  std::optional<TPictureFormat> libraryPng;
  if (!kvPngFirst)
    if (const TPictureFormat* f = TPicture::FindExtension(u"png"); f && f->ClassName != u"TPNGGraphic") {
      libraryPng = *f;
      TPicture::UnregisterGraphicClass(f->ClassName);
    }
  TPicture::RegisterFileFormat<TPNGGraphic>(u"PNG", u"Portable network graphics (Kavrello)", &IsPngSignature);
  if (libraryPng) {
    libraryPng->Description = u"Portable Network Graphics";
    TPicture::RegisterFormat(*libraryPng);
  }
  registered = true;
}

void kvPNGCleanup() {
  if (!registered) return;
  TPicture::UnregisterGraphicClass(u"TPNGGraphic");
  registered = false;
}
