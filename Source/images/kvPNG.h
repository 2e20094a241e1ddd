// kvPNG: the engine's PNG reader (TPNGGraphic, a TBitmap that loads PNG files) and the row
// colour conversion behind it (TColorManager). Portable: decodes into TBitmap's pixel memory.
//
// Every byte the reader sees is untrusted (skins come from the internet). Limits:
//  - width and height 1 to 2^31 - 1, width x height at most 2^28 pixels (kPngMaxPixels) and
//    one decoded row at most 64 MiB (kPngMaxRowBytes): larger images are refused with the
//    invalid-format error before anything is allocated;
//  - a chunk length above 2^31 - 1 is an invalid format; one that reaches beyond the end of a
//    stream of known size raises the read error before its data are allocated;
//  - fixed-size chunks are checked: IHDR must hold 13 bytes, shorter gAMA, bKGD and tRNS
//    chunks are ignored, tRNS keeps at most 256 entries, every palette index is bounds-checked;
//  - all size arithmetic is 64-bit.
#pragma once

#include <memory>
#include <vector>

#include "base/sConst.h"  // PNGMagic
#include "ui/Bitmap.h"

inline constexpr int64_t kPngMaxPixels = int64_t(1) << 28;
inline constexpr int64_t kPngMaxRowBytes = int64_t(64) << 20;

TW_DECLARE_EXCEPTION(EColorConversionError, Exception);
TW_DECLARE_EXCEPTION(EGraphicCompression, Exception);

// A bitmap colour table: RGBQUAD entries (blue in byte 0), as TBitmap keeps them.
using TColorTable = std::vector<uint32_t>;

// ---- row colour conversion --------------------------------------------------------------

enum TColorScheme : uint8_t { csUnknown, csIndexed, csG, csGA, csRGB, csRGBA, csBGR, csBGRA };

// Convert options, a set of bits.
using TConvertOptions = uint8_t;
inline constexpr TConvertOptions coAlpha = 1;         // the scheme carries an alpha sample
inline constexpr TConvertOptions coApplyGamma = 2;    // colour samples go through the gamma table
inline constexpr TConvertOptions coNeedByteSwap = 4;  // 16-bit source samples are big-endian

inline constexpr float DefaultDisplayGamma = 2.2f;

// Turns one row of decoded samples into one bitmap row, and makes the palettes and the gamma
// table that go with it. The row routine is chosen lazily at the first ConvertRow after a
// setting changed.
class TColorManager {
 public:
  TColorManager();

  Byte SourceBitsPerSample() const { return FSourceBPS; }
  Byte TargetBitsPerSample() const { return FTargetBPS; }
  Byte SourceSamplesPerPixel() const { return FSourceSPP; }
  Byte TargetSamplesPerPixel() const { return FTargetSPP; }
  TColorScheme SourceColorScheme() const { return FSourceScheme; }
  TColorScheme TargetColorScheme() const { return FTargetScheme; }
  // Bits per sample 1 to 16, samples per pixel 1 to 4; others raise EColorConversionError.
  void SetSourceBitsPerSample(Byte value);
  void SetTargetBitsPerSample(Byte value);
  void SetSourceSamplesPerPixel(Byte value);
  void SetTargetSamplesPerPixel(Byte value);
  void SetSourceColorScheme(TColorScheme value);
  void SetTargetColorScheme(TColorScheme value);
  TConvertOptions SourceOptions() const { return FSourceOptions; }
  TConvertOptions TargetOptions() const { return FTargetOptions; }
  void SetSourceOptions(TConvertOptions o) { FSourceOptions = o; }
  void SetTargetOptions(TConvertOptions o) { FTargetOptions = o; }

  // The bitmap pixel format of the source or target depth.
  TPixelFormat SourcePixelFormat() const { return GetPixelFormat(0); }
  TPixelFormat TargetPixelFormat() const { return GetPixelFormat(1); }
  TPixelFormat GetPixelFormat(int index) const;

  // Converts count pixels of one source row (all samples of a pixel side by side) into the
  // bitmap row target. Pixel i is written only when bit (7 - i mod 8) of mask is set; the
  // source advances only with written pixels (an Adam7 pass holds only its own pixels).
  void ConvertRow(const void* source, void* target, Cardinal count, Byte mask);

  // A colour table from count R, G, B byte triples (at most 256 used). 2-bit indexes
  // widened to a 4-bit target find their colour at index x 5. The table always holds
  // 2^target depth entries (at least the colours given); unused entries are black.
  TColorTable CreateColorPalette(const Byte* rgbTriples, Cardinal count) const;
  // A grey ramp over the target depth: 2 levels for 1 bit, 16 for 4 bits, 256 for 8 bits.
  TColorTable CreateGrayscalePalette() const;

  // Stores the gammas (0 or less: 1.0 and 2.2) and rebuilds the gamma table for the current
  // source and target depths.
  void SetGamma(float mainGamma, float displayGamma);
  const Byte* GammaTable() const { return FGammaTable; }
  float MainGamma() const { return FMainGamma; }
  float DisplayGamma() const { return FDisplayGamma; }

  // Raises EColorConversionError with msg.
  [[noreturn]] static void Error(const char* msg);

 private:
  explicit TColorManager(int);  // without a gamma table: the prototype of the default one
  using TRowConversion = void (TColorManager::*)(const Byte* source, Byte* target, Cardinal count, Byte mask);
  void PrepareConversion();
  void RowConvertIndexed8(const Byte* source, Byte* target, Cardinal count, Byte mask);
  void RowConvertGray(const Byte* source, Byte* target, Cardinal count, Byte mask);
  void RowConvertRGB2BGR(const Byte* source, Byte* target, Cardinal count, Byte mask);
  template <int SourceBytes, bool Swap, bool Gamma>
  void RGB2BGR(const Byte* source, Byte* target, Cardinal count, Byte mask, bool sourceAlpha, bool targetAlpha);

  bool FChanged = true;
  Byte FSourceBPS = 8, FTargetBPS = 8;
  Byte FSourceSPP = 3, FTargetSPP = 3;
  float FMainGamma = 1.0f, FDisplayGamma = DefaultDisplayGamma;
  Byte FGammaTable[256] = {};
  TColorScheme FSourceScheme = csRGB, FTargetScheme = csBGR;
  TRowConversion FRowConversion = nullptr;
  TConvertOptions FSourceOptions = 0, FTargetOptions = 0;
};

// ---- PNG reader -------------------------------------------------------------------------

// Continues a CRC-32 (the PNG and zlib one) over len bytes; a running CRC of 0 starts anew.
uint32_t CRC32(uint32_t crc, const void* buffer, size_t len);
// value x numerator div denominator with a 32-bit product, as a 16-bit value.
Word MulDiv16(Word value, Word numerator, Word denominator);

enum TCompressionType : uint8_t { ctUnknown, ctNone, ctLZ77 };

// Image options, a set of bits.
inline constexpr uint8_t ioBigEndian = 1;
inline constexpr uint8_t ioUseGamma = 2;  // the file had a gAMA chunk

struct TImageProperties {
  uint8_t Options = 0;
  Cardinal Width = 0;
  TColorScheme ColorScheme = csUnknown;
  Byte BitsPerSample = 0;
  Byte SamplesPerPixel = 0;  // 3 for RGB, 4 for RGBA, 1 for every other type
  TCompressionType Compression = ctUnknown;
};

struct TIHDRChunk {
  Cardinal Width = 0, Height = 0;
  Byte BitDepth = 0, ColorType = 0, Compression = 0, Filter = 0, Interlaced = 0;
};

class TLZ77Decoder;

class TPNGGraphic : public TBitmap {
 public:
  TPNGGraphic();
  ~TPNGGraphic() override;

  // True when more than 8 bytes follow the stream's position and the first 8 are the PNG
  // signature; the position is restored. False always while UseKVPng is off.
  static bool CanLoad(TStream& stream);
  static bool CanLoad(const String& fileName);
  static bool CanLoadFromStream(TStream& stream) { return CanLoad(stream); }

  // Replaces the image with the PNG (or BMP) read from the stream's position. A PNG load
  // reports through OnProgress: "Preparing..." (starting), an ending before the image data,
  // "Transfering..." (starting) at the image data, and an ending with empty text when the load
  // finishes or fails; every notification with 0 percent and no redraw.
  void LoadFromStream(TStream& stream) override;
#ifdef _WIN32
  // The RCDATA resource resName of the module instance (nullptr: the program); raises
  // EResNotFound when the module has none of that name.
  void LoadFromResourceName(HINSTANCE instance, const String& resName);
  // A 32-bit picture is blended over what the canvas holds in r (stretched when r's size
  // differs, then without reflection); any other picture is drawn as a plain bitmap.
  void Draw(TCanvas* canvas, const TRect& r) override;
#endif

  // Draw a fading mirror image below the picture (r's height plus half of it).
  bool Reflected = false;
  void Assign(const TPersistent* source) override;

  TColor BackgroundColor() const { return FBackgroundColor; }
  // Alpha per palette index of an indexed image with a tRNS chunk; empty otherwise.
  const std::vector<Byte>& Transparency() const { return FTransparency; }
  TColorManager& ColorManager() { return FColorManager; }
  const TColorManager& ColorManager() const { return FColorManager; }
  const TImageProperties& ImageProperties() const { return FImageProperties; }

 private:
  struct TPNGChunkHeader {
    Cardinal Length = 0;
    uint32_t ChunkType = 0;  // the four type bytes as they lie in the file, read little-endian
  };

  bool ReadImageProperties(TStream& stream, bool& empty);
  uint32_t LoadAndSwapHeader();
  bool IsChunk(uint32_t chunkType) const;
  void ReadDataAndCheckCRC();
  void ReadChunkData(Byte* data, Cardinal length);
  void SkipChunk();
  void CheckChunkLength(Cardinal length) const;
  TIHDRChunk ReadHeaderChunk();
  Integer SetupColorDepth(Byte colorType, Byte bitDepth);
  void LoadPNGChunks();
  void LoadIDAT(const TIHDRChunk& description);
  void NextProgressRow();
  bool ReadRow(Byte* row, size_t rowBytes);
  void FillBackground(Integer firstRow);
  void LoadBackgroundColor(const TIHDRChunk& description);
  void LoadTransparency(const TIHDRChunk& description);
  bool GreyLevelFromFile(const TIHDRChunk& description, Word value, Byte& level) const;

  TColorManager FColorManager;
  TImageProperties FImageProperties;
  std::vector<Byte> FTransparency;
  TColor FBackgroundColor = clWhite;
  TRect FProgressRect;  // the row that loading has reached, as progress notifications report it
  Int64 FBasePosition = 0;
  Int64 FStreamEnd = -1;  // end of the source when known, else -1
  TStream* FStream = nullptr;
  std::unique_ptr<TLZ77Decoder> FDecoder;
  std::vector<Byte> FRawBuffer;
  size_t FCurrentSource = 0;  // read position in FRawBuffer of image data
  TPNGChunkHeader FHeader;
  uint32_t FCurrentCRC = 0;
  Integer FSourceBPP = 1;
  TColorTable FPalette;           // made from PLTE or the grey ramp
  std::vector<Byte> FPaletteRGB;  // the PLTE triples as read, for bKGD lookups
  bool FColorDepthReady = false;  // SetupColorDepth ran during this load
  TColor FTransparentColor = clNone;
};

// Global switch: when false, CanLoad answers false and the picture registry never picks
// this reader by content.
extern bool& UseKVPng;

// Makes bmp a 32-bit copy of the loaded png with an alpha channel: an indexed image's tRNS
// table, an RGBA image's own alpha, a grey or indexed image with gAMA turned into a black
// mask, a keyed bitmap's bottom-left colour, or opaque.
void UpdateTransparency(TBitmap& bmp, const TPNGGraphic& png);
// Read a PNG file or stream into bmp with alpha. Errors pass to the caller; bmp is then
// left as it was.
void LoadBmpFromPngFile(TBitmap& bmp, const String& fileName);
void LoadBmpFromPngStream(TBitmap& bmp, TStream& stream);

// Module start-up: registers TPNGGraphic with the picture-format registry for the extension
// "PNG" (chosen by content when a PNG signature leads the stream). Runs once; later calls do
// nothing. The clean-up removes the registration.
void kvPNGStartup();
void kvPNGCleanup();
