#include "support/PngWriter.h"

#include <zlib.h>

#include <cstdlib>
#include <random>
#include <stdexcept>

namespace testpng {

int Image::Channels() const {
  switch (colorType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

Image RandomImage(uint32_t width, uint32_t height, Byte colorType, Byte bitDepth, uint32_t seed, int paletteSize) {
  Image img;
  img.width = width;
  img.height = height;
  img.colorType = colorType;
  img.bitDepth = bitDepth;
  std::mt19937 rng(seed);
  const uint32_t top = colorType == 3 ? uint32_t(std::min(paletteSize, 1 << bitDepth)) : (1u << bitDepth);
  img.samples.resize(size_t(width) * height * img.Channels());
  // Smooth ramps with noise, so every filter has something to predict.
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x)
      for (int c = 0; c < img.Channels(); ++c) {
        uint32_t v = (rng() % 4 == 0) ? rng() : (x * 7 + y * 3 + uint32_t(c) * 50) * (top > 256 ? 257 : 1);
        img.samples[(size_t(y) * width + x) * img.Channels() + c] = static_cast<uint16_t>(v % top);
      }
  return img;
}

void Append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

Bytes Be16(uint16_t v) { return {Byte(v >> 8), Byte(v)}; }
Bytes Be32(uint32_t v) { return {Byte(v >> 24), Byte(v >> 16), Byte(v >> 8), Byte(v)}; }

Bytes Signature() { return {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}; }

Bytes MakeChunk(const std::string& type, const Bytes& data) {
  if (type.size() != 4) throw std::invalid_argument("chunk type must have 4 letters");
  Bytes out = Be32(static_cast<uint32_t>(data.size()));
  Bytes typeAndData(type.begin(), type.end());
  Append(typeAndData, data);
  Append(out, typeAndData);
  Append(out, Be32(static_cast<uint32_t>(crc32(0, typeAndData.data(), static_cast<uInt>(typeAndData.size())))));
  return out;
}

Bytes IHDRData(uint32_t width, uint32_t height, Byte bitDepth, Byte colorType, Byte interlace, Byte compression) {
  Bytes d = Be32(width);
  Append(d, Be32(height));
  d.insert(d.end(), {bitDepth, colorType, compression, 0, interlace});
  return d;
}

Bytes Palette(int n) {
  Bytes p;
  for (int i = 0; i < n; ++i) p.insert(p.end(), {Byte(i * 37 + 11), Byte(255 - i * 13), Byte(i * 101 + 7)});
  return p;
}

Bytes ZlibCompress(const Bytes& data, int level) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), level) != Z_OK)
    throw std::runtime_error("compress2 failed");
  out.resize(size);
  return out;
}

namespace {

// One row of the given columns, packed as PNG stores it.
Bytes PackRow(const Image& img, uint32_t y, uint32_t firstColumn, uint32_t step) {
  const int channels = img.Channels();
  Bytes row;
  uint32_t bitBuffer = 0;
  int bits = 0;
  for (uint32_t x = firstColumn; x < img.width; x += step)
    for (int c = 0; c < channels; ++c) {
      const uint16_t v = img.Sample(x, y, c);
      if (img.bitDepth == 16) {
        row.push_back(Byte(v >> 8));
        row.push_back(Byte(v));
      } else if (img.bitDepth == 8) {
        row.push_back(Byte(v));
      } else {
        bitBuffer = bitBuffer << img.bitDepth | v;
        bits += img.bitDepth;
        if (bits == 8) row.push_back(Byte(bitBuffer)), bitBuffer = 0, bits = 0;
      }
    }
  if (bits > 0) row.push_back(Byte(bitBuffer << (8 - bits)));
  return row;
}

int Paeth(int a, int b, int c) {
  int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

void AppendFiltered(Bytes& out, const Bytes& row, const Bytes& prior, int filter, size_t bpp) {
  out.push_back(Byte(filter));
  for (size_t i = 0; i < row.size(); ++i) {
    const int a = i >= bpp ? row[i - bpp] : 0, b = prior.empty() ? 0 : prior[i],
              c = (i >= bpp && !prior.empty()) ? prior[i - bpp] : 0;
    int predictor = 0;
    switch (filter) {
      case 1: predictor = a; break;
      case 2: predictor = b; break;
      case 3: predictor = (a + b) / 2; break;
      case 4: predictor = Paeth(a, b, c); break;
      default: break;
    }
    out.push_back(Byte(row[i] - predictor));
  }
}

}  // namespace

Bytes FilteredData(const Image& img, int filter) {
  const size_t bpp = std::max<size_t>(1, size_t(img.Channels()) * img.bitDepth / 8);
  static const uint32_t rowStart[7] = {0, 0, 4, 0, 2, 0, 1}, columnStart[7] = {0, 4, 0, 2, 0, 1, 0},
                        rowStep[7] = {8, 8, 8, 4, 4, 2, 2}, columnStep[7] = {8, 8, 4, 4, 2, 2, 1};
  Bytes out;
  int rowNumber = 0;
  auto pass = [&](uint32_t y0, uint32_t dy, uint32_t x0, uint32_t dx) {
    if (x0 >= img.width) return;
    Bytes prior;
    for (uint32_t y = y0; y < img.height; y += dy) {
      Bytes row = PackRow(img, y, x0, dx);
      AppendFiltered(out, row, prior, filter == kFilterCycle ? rowNumber % 5 : filter, bpp);
      ++rowNumber;
      prior = std::move(row);
    }
  };
  if (img.interlaced)
    for (int p = 0; p < 7; ++p) pass(rowStart[p], rowStep[p], columnStart[p], columnStep[p]);
  else
    pass(0, 1, 0, 1);
  return out;
}

Bytes Encode(const Image& img, const EncodeOptions& options) {
  Bytes file = Signature();
  Append(file, MakeChunk("IHDR", IHDRData(img.width, img.height, img.bitDepth, img.colorType, img.interlaced ? 1 : 0)));
  for (const Chunk& c : options.before) Append(file, MakeChunk(c.type, c.data));
  const Bytes z = ZlibCompress(FilteredData(img, options.filter), options.level);
  const size_t piece = options.idatPiece ? options.idatPiece : z.size();
  for (size_t at = 0; at < z.size(); at += piece)
    Append(file, MakeChunk("IDAT", Bytes(z.begin() + std::ptrdiff_t(at),
                                         z.begin() + std::ptrdiff_t(std::min(z.size(), at + piece)))));
  for (const Chunk& c : options.after) Append(file, MakeChunk(c.type, c.data));
  Append(file, MakeChunk("IEND", {}));
  return file;
}

}  // namespace testpng
