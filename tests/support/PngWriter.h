// A small PNG encoder for tests: any colour type and depth, Adam7 or not, a chosen row filter,
// extra chunks, IDAT split anywhere. Compression by zlib's deflate; CRCs by zlib's crc32, so
// the files do not depend on the reader under test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/Types.h"

namespace testpng {

using Bytes = std::vector<Byte>;

struct Image {
  uint32_t width = 0, height = 0;
  Byte bitDepth = 8;
  Byte colorType = 6;
  bool interlaced = false;
  // One value per sample, row by row, channels side by side (grey, grey+alpha, R G B,
  // R G B A, or the palette index), each below 2^bitDepth.
  std::vector<uint16_t> samples;

  int Channels() const;
  uint16_t Sample(uint32_t x, uint32_t y, int channel) const {
    return samples[(size_t(y) * width + x) * Channels() + channel];
  }
};

struct Chunk {
  std::string type;
  Bytes data;
};

// Row filter choice: 0 to 4 for every row, or kFilterCycle for filter (row number mod 5).
constexpr int kFilterCycle = 5;

struct EncodeOptions {
  int filter = kFilterCycle;
  int level = 6;              // zlib level
  size_t idatPiece = 0;       // split the zlib data into IDAT chunks of this size; 0: one chunk
  std::vector<Chunk> before;  // between IHDR and the image data (PLTE, tRNS, bKGD, gAMA, ...)
  std::vector<Chunk> after;   // between the image data and IEND
};

// A random image (deterministic for a seed); palette indices stay below paletteSize.
Image RandomImage(uint32_t width, uint32_t height, Byte colorType, Byte bitDepth, uint32_t seed, int paletteSize = 256);

// The scanlines as the filters see them: filter byte and packed samples per row, the Adam7
// passes one after the other when interlaced.
Bytes FilteredData(const Image& image, int filter);
Bytes ZlibCompress(const Bytes& data, int level = 6);
Bytes Encode(const Image& image, const EncodeOptions& options = {});

// Pieces for hand-made files.
Bytes Signature();
Bytes MakeChunk(const std::string& type, const Bytes& data);  // length, type, data, CRC
Bytes IHDRData(uint32_t width, uint32_t height, Byte bitDepth, Byte colorType, Byte interlace = 0,
               Byte compression = 0);
Bytes Be16(uint16_t v);
Bytes Be32(uint32_t v);
// A palette of n colours (R, G, B triples) that differ from each other.
Bytes Palette(int n);
void Append(Bytes& to, const Bytes& from);

}  // namespace testpng
