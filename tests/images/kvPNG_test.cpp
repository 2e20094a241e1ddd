#include "images/kvPNG.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>

#include "base/sConst.h"
#include "images/kvZLibEx.h"
#include "support/PngExpect.h"
#include "support/PngWriter.h"
#include "support/TempDir.h"
#include "support/TrickleStream.h"
#include "ui/Picture.h"

using namespace testpng;

namespace {

void Load(TPNGGraphic& png, const Bytes& file, Integer step = 1 << 30) {
  TrickleStream s(file, step);
  png.LoadFromStream(s);
}

// The message of what loading raises, with the exception's kind in front.
std::string LoadError(const Bytes& file) {
  TPNGGraphic png;
  try {
    Load(png, file);
  } catch (const EInvalidGraphic& e) {
    return "EInvalidGraphic: " + StringToUtf8(e.Message());
  } catch (const EReadError& e) { return "EReadError: " + StringToUtf8(e.Message()); } catch (const Exception& e) {
    return "other: " + StringToUtf8(e.Message());
  }
  return "";
}

Bytes FileOf(const std::vector<Bytes>& chunks) {
  Bytes f = Signature();
  for (const Bytes& c : chunks) Append(f, c);
  return f;
}

// The offset of the first chunk of that type (its length field).
size_t FindChunk(const Bytes& file, const char* type) {
  for (size_t at = 8; at + 8 <= file.size();) {
    if (std::memcmp(&file[at + 4], type, 4) == 0) return at;
    const uint32_t length =
        uint32_t(file[at]) << 24 | uint32_t(file[at + 1]) << 16 | uint32_t(file[at + 2]) << 8 | file[at + 3];
    at += 12 + length;
  }
  return std::string::npos;
}

Bytes CorruptChunkData(Bytes file, const char* type) {
  const size_t at = FindChunk(file, type);
  file.at(at + 8) ^= 0x40;
  return file;
}

const std::vector<std::pair<Byte, Byte>> kTypesAndDepths = {{0, 1}, {0, 2},  {0, 4},  {0, 8}, {0, 16},
                                                            {2, 8}, {2, 16}, {3, 1},  {3, 2}, {3, 4},
                                                            {3, 8}, {4, 8},  {4, 16}, {6, 8}, {6, 16}};

TPixelFormat FormatFor(Byte type, Byte depth) {
  switch (type) {
    case 2: return pf24bit;
    case 4: return pf8bit;
    case 6: return pf32bit;
    default: return depth == 1 ? pf1bit : depth <= 4 ? pf4bit : pf8bit;
  }
}

std::string Name(Byte type, Byte depth, bool interlaced, int filter) {
  return "type " + std::to_string(type) + " depth " + std::to_string(depth) + (interlaced ? " Adam7" : "") +
         " filter " + std::to_string(filter);
}

}  // namespace

// ---- decoding -------------------------------------------------------------------------------

TEST(PNGDecode, EveryColourTypeDepthFilterAndInterlaceMatchesTheSamples) {
  for (auto [type, depth] : kTypesAndDepths)
    for (bool interlaced : {false, true})
      for (int filter = 0; filter <= kFilterCycle; ++filter)
        for (auto [w, h] : {std::pair<uint32_t, uint32_t>{13, 11}, {1, 1}, {3, 9}}) {
          Image img = RandomImage(w, h, type, depth, w * 100 + filter, 1 << std::min<int>(depth, 8));
          img.interlaced = interlaced;
          EncodeOptions o;
          o.filter = filter;
          const Bytes palette = Palette(1 << std::min<int>(depth, 8));
          if (type == 3) o.before.push_back({"PLTE", palette});
          TPNGGraphic png;
          Load(png, Encode(img, o));
          EXPECT_EQ(png.PixelFormat(), FormatFor(type, depth)) << Name(type, depth, interlaced, filter);
          EXPECT_EQ(CompareWithReference(png, Reference::Of(img, palette)), "")
              << Name(type, depth, interlaced, filter) << " " << w << "x" << h;
        }
}

TEST(PNGDecode, SmallStepsManyIDATChunksAndAPrefixChangeNothing) {
  Image img = RandomImage(40, 30, 6, 8, 7);
  EncodeOptions o;
  o.idatPiece = 17;
  Bytes file = {'j', 'u', 'n', 'k'};
  Append(file, Encode(img, o));
  TrickleStream s(file, 3);
  s.SetPosition(4);
  TPNGGraphic png;
  png.LoadFromStream(s);
  EXPECT_EQ(CompareWithReference(png, Reference::Of(img)), "");
}

TEST(PNGDecode, ChunkTypesIgnoreLetterCase) {
  Image img = RandomImage(9, 7, 3, 4, 8, 16);
  const Bytes z = ZlibCompress(FilteredData(img, kFilterCycle));
  const Bytes file = FileOf({MakeChunk("IHDR", IHDRData(9, 7, 4, 3)), MakeChunk("Plte", Palette(16)),
                             MakeChunk("idat", z), MakeChunk("iend", {})});
  TPNGGraphic png;
  Load(png, file);
  EXPECT_EQ(CompareWithReference(png, Reference::Of(img, Palette(16))), "");
}

TEST(PNGDecode, AncillaryChunksAreSkippedUncheckedAndEmptyIDATPassedOver) {
  Image img = RandomImage(10, 10, 2, 8, 9);
  const Bytes z = ZlibCompress(FilteredData(img, 4));
  Bytes text = MakeChunk("tEXt", {'a', 0, 'b'});
  text[9] ^= 1;  // a broken CRC in a skipped chunk goes unnoticed
  const Bytes file = FileOf({MakeChunk("IHDR", IHDRData(10, 10, 8, 2)), text, MakeChunk("IDAT", {}),
                             MakeChunk("IDAT", Bytes(z.begin(), z.begin() + 5)), MakeChunk("IDAT", {}),
                             MakeChunk("IDAT", Bytes(z.begin() + 5, z.end())), text, MakeChunk("IEND", {})});
  TPNGGraphic png;
  Load(png, file);
  EXPECT_EQ(CompareWithReference(png, Reference::Of(img)), "");
}

TEST(PNGDecode, HeaderStraightToEndGivesAnEmptyBitmap) {
  TPNGGraphic png;
  Load(png, FileOf({MakeChunk("IHDR", IHDRData(5, 5, 8, 6)), MakeChunk("IEND", {})}));
  EXPECT_EQ(png.Width(), 0);
  EXPECT_TRUE(png.Empty());
}

TEST(PNGDecode, LowDepthGreyWidensToTheRamp) {
  Image img;
  img.width = 4, img.height = 1, img.colorType = 0, img.bitDepth = 2, img.samples = {0, 1, 2, 3};
  TPNGGraphic png;
  Load(png, Encode(img));
  ASSERT_EQ(png.PixelFormat(), pf4bit);
  EXPECT_EQ(png.ColorTable().size(), 16u);
  const TColor want[] = {0x000000, 0x555555, 0xAAAAAA, 0xFFFFFF};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(png.PixelColor(x, 0), want[x]) << x;
  EXPECT_EQ(static_cast<const Byte*>(png.ScanLine(0))[0], 0x05);  // stored as 4-bit 0, 5
  EXPECT_EQ(static_cast<const Byte*>(png.ScanLine(0))[1], 0xAF);  // 10, 15
}

TEST(PNGDecode, SixteenBitSamplesNarrowWithTruncation) {
  Image img;
  img.width = 2, img.height = 1, img.colorType = 2, img.bitDepth = 16;
  img.samples = {65535, 65534, 257, 0x1234, 128, 0};
  TPNGGraphic png;
  Load(png, Encode(img));
  ASSERT_EQ(png.PixelFormat(), pf24bit);
  EXPECT_EQ(png.PixelColor(0, 0), TColor(255 | 254 << 8 | 1 << 16));
  EXPECT_EQ(png.PixelColor(1, 0), TColor(18 | 0 << 8 | 0 << 16));
}

TEST(PNGDecode, GreyAlphaLosesItsAlphaAndRGBAKeepsItStraight) {
  Image ga = RandomImage(6, 4, 4, 8, 11);
  TPNGGraphic png;
  Load(png, Encode(ga));
  EXPECT_EQ(png.PixelFormat(), pf8bit);
  EXPECT_EQ(CompareWithReference(png, Reference::Of(ga)), "");

  Image rgba = RandomImage(6, 4, 6, 8, 12);
  Load(png, Encode(rgba));
  ASSERT_EQ(png.PixelFormat(), pf32bit);
  TBitmap bmp;
  UpdateTransparency(bmp, png);
  EXPECT_EQ(CompareWithReference(bmp, Reference::Of(rgba)), "");  // colours and alpha as in the file
}

TEST(PNGDecode, GammaTableAppliesToColoursNotToAlpha) {
  for (uint32_t gAMA : {45455u, 100000u, 22000u}) {
    Image img = RandomImage(9, 5, 6, 8, gAMA);
    EncodeOptions o;
    o.before.push_back({"gAMA", Be32(gAMA)});
    TPNGGraphic png;
    Load(png, Encode(img, o));
    EXPECT_TRUE(png.ImageProperties().Options & ioUseGamma);
    EXPECT_EQ(CompareWithReference(png, Reference::Of(img, {}, gAMA)), "") << gAMA;
  }
  // 1 / (0.45455 x 2.2) is all but 1: the table is the identity.
  const auto t = GammaTable(45455);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(t[i], i);
}

TEST(PNGDecode, GammaTableIsForBytesWhateverTheImageBeforeIt) {
  // A reader that just loaded a 1-bit image still builds an 8-bit table for the next file.
  TPNGGraphic png;
  Image bits = RandomImage(8, 8, 0, 1, 13);
  Load(png, Encode(bits));
  Image rgb = RandomImage(8, 8, 2, 8, 14);
  EncodeOptions o;
  o.before.push_back({"gAMA", Be32(100000)});
  Load(png, Encode(rgb, o));
  EXPECT_EQ(CompareWithReference(png, Reference::Of(rgb, {}, 100000)), "");
}

TEST(PNGDecode, AGammaAfterThePaletteLeavesTheRowDepthAlone) {
  // Found by the fuzzer: a gAMA behind PLTE used to turn 1-bit rows into 8-bit writes.
  for (Byte depth : {1, 2, 4}) {
    for (bool interlaced : {false, true}) {
      Image img = RandomImage(9, 7, 3, depth, 30, 1 << depth);
      img.interlaced = interlaced;
      EncodeOptions o;
      o.before = {{"PLTE", Palette(1 << depth)}, {"gAMA", Be32(100000)}};
      TPNGGraphic png;
      Load(png, Encode(img, o));
      // The palette was made before the gamma was known: its colours are the file's.
      EXPECT_EQ(CompareWithReference(png, Reference::Of(img, Palette(1 << depth))), "") << int(depth);
    }
  }
}

TEST(PNGDecode, ShortAncillaryChunksAreIgnored) {
  Image img = RandomImage(4, 4, 0, 8, 15);
  EncodeOptions o;
  o.before = {{"gAMA", {0, 1}}, {"bKGD", {7}}, {"tRNS", {9}}};
  TPNGGraphic png;
  Load(png, Encode(img, o));
  EXPECT_FALSE(png.ImageProperties().Options & ioUseGamma);
  EXPECT_EQ(png.BackgroundColor(), clWhite);
  EXPECT_FALSE(png.Transparent());
  EXPECT_EQ(CompareWithReference(png, Reference::Of(img)), "");
}

TEST(PNGDecode, BackgroundAndKeyOfLowDepthGreyUseTheDecodedLevels) {
  struct Case {
    Byte depth;
    uint16_t value;
    TColor level;  // clNone: the value names no level and is ignored
  } cases[] = {{1, 1, 0xFFFFFF},      {2, 1, 0x555555},       {2, 2, 0xAAAAAA}, {4, 5, 0x555555},
               {8, 0x1234, 0x343434}, {16, 0x8000, 0x7F7F7F}, {2, 7, clNone},   {4, 16, clNone}};
  for (const Case& c : cases) {
    Image img = RandomImage(3, 3, 0, c.depth, 16);
    EncodeOptions o;
    o.before = {{"bKGD", Be16(c.value)}, {"tRNS", Be16(c.value)}};
    TPNGGraphic png;
    Load(png, Encode(img, o));
    EXPECT_EQ(png.BackgroundColor(), c.level == clNone ? clWhite : c.level) << int(c.depth) << " " << c.value;
    EXPECT_EQ(png.Transparent(), c.level != clNone);
    if (c.level != clNone) { EXPECT_EQ(png.TransparentColor(), c.level); }
  }
}

TEST(PNGDecode, BackgroundOfColourAndIndexedImages) {
  Image rgb = RandomImage(3, 3, 6, 16, 17);
  EncodeOptions o;
  o.before = {{"bKGD", {0xFF, 0xFF, 0x12, 0x34, 0x00, 0x80}}};
  TPNGGraphic png;
  Load(png, Encode(rgb, o));
  EXPECT_EQ(png.BackgroundColor(), TColor(255 | 18 << 8 | 0 << 16));

  Image idx = RandomImage(3, 3, 3, 8, 18, 4);
  const Bytes palette = Palette(4);
  o.before = {{"PLTE", palette}, {"bKGD", {2}}};
  Load(png, Encode(idx, o));
  EXPECT_EQ(png.BackgroundColor(), TColor(palette[6] | palette[7] << 8 | palette[8] << 16));
  o.before = {{"PLTE", palette}, {"bKGD", {4}}};  // no such entry: ignored
  Load(png, Encode(idx, o));
  EXPECT_EQ(png.BackgroundColor(), clWhite);
}

TEST(PNGDecode, RowsTheDataDoNotReachShowTheBackground) {
  Image img = RandomImage(16, 40, 2, 8, 19);
  const Bytes z = ZlibCompress(FilteredData(img, 0), 0);  // stored blocks: rows arrive in order
  const Bytes file =
      FileOf({MakeChunk("IHDR", IHDRData(16, 40, 8, 2)), MakeChunk("bKGD", {0, 10, 0, 20, 0, 30}),
              MakeChunk("IDAT", Bytes(z.begin(), z.begin() + std::ptrdiff_t(z.size() / 2))), MakeChunk("IEND", {})});
  TPNGGraphic png;
  Load(png, file);  // no error: the data simply end
  const Reference ref = Reference::Of(img);
  int decodedRows = 0;
  bool background = false;
  for (uint32_t y = 0; y < 40; ++y) {
    bool rowIsImage = true, rowIsBackground = true;
    for (uint32_t x = 0; x < 16; ++x) {
      rowIsImage &= png.PixelColor(int(x), int(y)) == ExpectedColor(ref, x, y);
      rowIsBackground &= png.PixelColor(int(x), int(y)) == TColor(10 | 20 << 8 | 30 << 16);
    }
    if (!background && rowIsImage)
      ++decodedRows;
    else
      background = true;
    if (background) { EXPECT_TRUE(rowIsBackground) << y; }
  }
  EXPECT_GT(decodedRows, 10);
  EXPECT_LT(decodedRows, 30);
}

TEST(PNGDecode, BitmapFileLoadsThroughTheBitmapReader) {
  TBitmap bmp(3, 2, pf24bit);
  static_cast<Byte*>(bmp.ScanLine(1))[0] = 200;
  TMemoryStream s;
  bmp.SaveToStream(s);
  s.SetPosition(0);
  TPNGGraphic png;
  png.LoadFromStream(s);
  EXPECT_EQ(png.Width(), 3);
  EXPECT_EQ(png.PixelFormat(), pf24bit);
  EXPECT_EQ(png.PixelColor(0, 1), TColor(200) << 16);
}

TEST(PNGDecode, CanLoadNeedsTheSignatureAndMore) {
  const Bytes sig = Signature();
  Bytes nine = sig;
  nine.push_back(0);
  TrickleStream eight(sig, 2), withMore(nine, 2);
  EXPECT_FALSE(TPNGGraphic::CanLoad(eight));
  EXPECT_TRUE(TPNGGraphic::CanLoad(withMore));
  EXPECT_EQ(withMore.GetPosition(), 0);
  Bytes other = nine;
  other[1] = 'Q';
  TrickleStream wrong(other, 100);
  EXPECT_FALSE(TPNGGraphic::CanLoad(wrong));
  UseKVPng = false;
  EXPECT_FALSE(TPNGGraphic::CanLoad(withMore));
  UseKVPng = true;

  TempDir dir;
  const String name = dir.Path() + u"/a.png";
  TMemoryStream f;
  FillStream(f, Encode(RandomImage(2, 2, 6, 8, 20)));
  f.SaveToFile(name);
  EXPECT_TRUE(TPNGGraphic::CanLoad(name));
}

// ---- errors ---------------------------------------------------------------------------------

TEST(PNGErrors, EveryFormatErrorHasItsText) {
  const std::string invalid = "EInvalidGraphic: Cannot load image. Invalid or unexpected PNG image format.";
  const std::string readError = "EReadError: Stream read error";
  Image img = RandomImage(8, 8, 3, 8, 21, 4);
  const Bytes palette = Palette(4);
  const Bytes ihdr = MakeChunk("IHDR", IHDRData(8, 8, 8, 3));
  const Bytes plte = MakeChunk("PLTE", palette);
  const Bytes filtered = FilteredData(img, kFilterCycle);
  const Bytes z = ZlibCompress(filtered);
  const Bytes idat = MakeChunk("IDAT", z), iend = MakeChunk("IEND", {});
  EncodeOptions withAll;
  withAll.before = {{"gAMA", Be32(45455)}, {"PLTE", palette}, {"bKGD", {1}}, {"tRNS", {1, 2}}};
  const Bytes good = Encode(img, withAll);
  ASSERT_EQ(LoadError(good), "");
  Bytes bigIdat = Be32(0x7FFFFF00);
  Append(bigIdat, {'I', 'D', 'A', 'T', 1, 2, 3});
  Bytes hugeLength = Be32(0x80000000);
  Append(hugeLength, {'t', 'E', 'X', 't'});
  Bytes afterEnd = z;
  Append(afterEnd, {1, 2});

  struct Case {
    const char* name;
    Bytes file;
    std::string error;
  } cases[] = {
      {"empty stream", {}, invalid},
      {"neither PNG nor BMP", Bytes(20, 'x'), invalid},
      {"five bytes", Bytes(5, 'x'), readError},
      {"thirteen bytes", Bytes(13, 'x'), readError},
      {"signature only", Signature(), readError},
      {"width 0", FileOf({MakeChunk("IHDR", IHDRData(0, 8, 8, 3)), plte, idat, iend}), invalid},
      {"IHDR of 12 bytes",
       [&] {
         Bytes d = IHDRData(8, 8, 8, 3);
         d.pop_back();
         return FileOf({MakeChunk("IHDR", d), plte, idat, iend});
       }(),
       invalid},
      {"IHDR of 14 bytes",
       [&] {
         Bytes d = IHDRData(8, 8, 8, 3);
         d.push_back(0);
         return FileOf({MakeChunk("IHDR", d), plte, idat, iend});
       }(),
       invalid},
      {"IDAT before IHDR", FileOf({idat, ihdr, iend}), invalid},
      {"width above 2^31 - 1", FileOf({MakeChunk("IHDR", IHDRData(0x80000000u, 1, 8, 0)), idat, iend}), invalid},
      {"more than 2^28 pixels", FileOf({MakeChunk("IHDR", IHDRData(20000, 20000, 8, 6)), idat, iend}), invalid},
      {"a row above 64 MiB", FileOf({MakeChunk("IHDR", IHDRData(1u << 25, 1, 16, 6)), idat, iend}), invalid},
      {"chunk length above 2^31 - 1", FileOf({ihdr, hugeLength}), invalid},
      {"chunk length beyond the stream", FileOf({ihdr, plte, bigIdat}), readError},
      {"no IEND", FileOf({ihdr, plte, idat}), readError},
      {"compression method 1", FileOf({MakeChunk("IHDR", IHDRData(8, 8, 8, 3, 0, 1)), plte, idat, iend}),
       "EInvalidGraphic: Cannot load image. The compression scheme is not supported for PNG files."},
      {"palette of 7 bytes", FileOf({ihdr, MakeChunk("PLTE", Bytes(7, 1)), idat, iend}),
       "EInvalidGraphic: Cannot load image. Palette in PNG file is invalid."},
      {"unknown critical chunk", FileOf({ihdr, plte, MakeChunk("ABCD", {1}), idat, iend}),
       "EInvalidGraphic: Cannot load PNG image. Unexpected but critical chunk detected."},
      {"critical chunk after the data", FileOf({ihdr, plte, idat, MakeChunk("ABCD", {}), iend}),
       "EInvalidGraphic: Cannot load PNG image. Unexpected but critical chunk detected."},
      {"zlib data end before the last row",
       FileOf({ihdr, plte, MakeChunk("IDAT", ZlibCompress(Bytes(filtered.begin(), filtered.end() - 20))), iend}),
       "EInvalidGraphic: Cannot load image. Extra compressed data found in PNG file."},
      {"bytes behind the zlib data", FileOf({ihdr, plte, MakeChunk("IDAT", afterEnd), iend}),
       "EInvalidGraphic: Cannot load image. Extra compressed data found in PNG file."},
      {"broken deflate data", FileOf({ihdr, plte, MakeChunk("IDAT", {0x78, 0x9c, 0x06, 0, 0, 0}), iend}),
       "EInvalidGraphic: Cannot load image. Compression error found in PNG file."},
      {"preset dictionary", FileOf({ihdr, plte, MakeChunk("IDAT", {0x78, 0xbb, 0, 0, 0, 1, 3, 0}), iend}),
       "EInvalidGraphic: Cannot load image. Compression error found in PNG file."},
      {"colour type 5", FileOf({MakeChunk("IHDR", IHDRData(8, 8, 8, 5)), idat, iend}),
       "EInvalidGraphic: Invalid color format in PNG file."},
      {"RGB of 4 bits", FileOf({MakeChunk("IHDR", IHDRData(8, 8, 4, 2)), idat, iend}),
       "EInvalidGraphic: Invalid color format in PNG file."},
      {"indexed of 16 bits", FileOf({MakeChunk("IHDR", IHDRData(8, 8, 16, 3)), plte, idat, iend}),
       "EInvalidGraphic: Invalid color format in PNG file."},
      {"grey of 3 bits", FileOf({MakeChunk("IHDR", IHDRData(8, 8, 3, 0)), idat, iend}),
       "EInvalidGraphic: Invalid color format in PNG file."},
  };
  for (const Case& c : cases) EXPECT_EQ(LoadError(c.file), c.error) << c.name;

  for (const char* chunk : {"IHDR", "gAMA", "PLTE", "bKGD", "tRNS", "IDAT"})
    EXPECT_EQ(LoadError(CorruptChunkData(good, chunk)),
              "EInvalidGraphic: Cannot load image. CRC error found in PNG file.")
        << chunk;
}

// A source that cannot tell its size, as a pipe: a seek to the end fails.
class SizelessStream : public TStream {
 public:
  SizelessStream(const Bytes& bytes, Integer) : bytes_(bytes) {}
  Integer Read(void* buffer, Integer count) override {
    const Integer n = static_cast<Integer>(std::min<Int64>(count, Int64(bytes_.size()) - position_));
    if (n <= 0) return 0;
    std::memcpy(buffer, bytes_.data() + position_, size_t(n));
    position_ += n;
    return n;
  }
  Integer Write(const void*, Integer) override { return 0; }
  Int64 Seek(Int64 offset, TSeekOrigin origin) override {
    if (origin == soEnd) return -1;
    position_ = (origin == soBeginning ? 0 : position_) + offset;
    return position_;
  }

 private:
  Bytes bytes_;
  Int64 position_ = 0;
};

TEST(PNGErrors, ASourceOfUnknownSizeReadsBigChunksPieceByPiece) {
  Image img = RandomImage(700, 600, 6, 8, 31);
  for (auto& v : img.samples) v = static_cast<uint16_t>((v * 2654435761u) >> 24);  // noise: a chunk above 1 MiB
  EncodeOptions o;
  o.level = 0;
  const Bytes file = Encode(img, o);
  ASSERT_GT(file.size(), size_t(1) << 20);
  SizelessStream s(file, 1 << 30);
  TPNGGraphic png;
  png.LoadFromStream(s);
  EXPECT_EQ(CompareWithReference(png, Reference::Of(img)), "");

  // A length that lies is found out when the data end, not by allocating all of it first.
  // (The gAMA ends the first pass, so the lie is met while the image data are read.)
  Bytes liar = FileOf({MakeChunk("IHDR", IHDRData(8, 8, 8, 0)), MakeChunk("gAMA", Be32(45455))});
  Append(liar, Be32(0x7FFFFF00));
  Append(liar, {'I', 'D', 'A', 'T'});
  Append(liar, Bytes(3 << 20, 7));
  SizelessStream l(liar, 1 << 30);
  EXPECT_THROW(png.LoadFromStream(l), EReadError);
}

TEST(PNGErrors, RefusedSizesAllocateNothing) {
  TPNGGraphic png;
  EXPECT_THROW(Load(png, FileOf({MakeChunk("IHDR", IHDRData(70000, 70000, 8, 6)), MakeChunk("IEND", {})})),
               EInvalidGraphic);
  EXPECT_EQ(png.Width(), 0);
  EXPECT_EQ(png.Height(), 0);
}

TEST(PNGErrors, ATruncatedFileInAnyStepSizeFailsCleanly) {
  EncodeOptions o;
  o.idatPiece = 50;
  const Bytes good = Encode(RandomImage(20, 20, 6, 16, 22), o);
  for (size_t cut = 1; cut < good.size(); cut += 7) {
    Bytes part(good.begin(), good.begin() + std::ptrdiff_t(cut));
    const std::string e = LoadError(part);
    EXPECT_NE(e, "") << cut;
    EXPECT_EQ(e.find("other:"), std::string::npos) << cut << " " << e;
  }
}

// ---- transparency and the loaders -------------------------------------------------------------

TEST(PNGTransparency, IndexedImagesTakeAlphaFromTheirTable) {
  for (Byte depth : {1, 2, 4, 8}) {
    Image img = RandomImage(11, 5, 3, depth, 23, 1 << depth);
    const Bytes trns = {0, 77, 200};
    EncodeOptions o;
    o.before = {{"PLTE", Palette(1 << depth)}, {"tRNS", trns}};
    TPNGGraphic png;
    Load(png, Encode(img, o));
    ASSERT_EQ(png.Transparency().size(), 256u);
    EXPECT_EQ(png.Transparency()[2], 200);
    EXPECT_EQ(png.Transparency()[3], 255);
    TBitmap bmp;
    UpdateTransparency(bmp, png);
    ASSERT_EQ(bmp.PixelFormat(), pf32bit);
    const Reference ref = Reference::Of(img, Palette(1 << depth));
    for (uint32_t y = 0; y < 5; ++y)
      for (uint32_t x = 0; x < 11; ++x) {
        const uint16_t index = img.Sample(x, y, 0);
        const uint32_t pixel = bmp.View().At(int(x), int(y));
        EXPECT_EQ(pixel >> 24, index < 3 ? trns[index] : 255u) << int(depth) << " " << x << "," << y;
        EXPECT_EQ(bmp.PixelColor(int(x), int(y)), ExpectedColor(ref, x, y));
      }
  }
}

TEST(PNGTransparency, ALongTableKeepsItsFirst256Entries) {
  Image img = RandomImage(4, 4, 3, 8, 24);
  EncodeOptions o;
  o.before = {{"PLTE", Palette(256)}, {"tRNS", Bytes(300, 9)}};
  TPNGGraphic png;
  Load(png, Encode(img, o));
  EXPECT_EQ(png.Transparency(), std::vector<Byte>(256, 9));
}

TEST(PNGTransparency, GreyAndIndexedImagesWithGammaBecomeBlackMasks) {
  const uint32_t gAMA = 100000;
  const auto gamma = GammaTable(gAMA);
  struct Case {
    Byte type, depth;
  } cases[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {4, 8}, {3, 4}, {3, 8}, {3, 2}};
  for (const Case& c : cases) {
    Image img = RandomImage(13, 3, c.type, c.depth, 25, 1 << std::min<int>(c.depth, 8));
    EncodeOptions o;
    o.before = {{"gAMA", Be32(gAMA)}};
    if (c.type == 3) o.before.push_back({"PLTE", Palette(1 << c.depth)});
    TPNGGraphic png;
    Load(png, Encode(img, o));
    TBitmap bmp;
    UpdateTransparency(bmp, png);
    for (uint32_t y = 0; y < 3; ++y)
      for (uint32_t x = 0; x < 13; ++x) {
        const uint16_t s = img.Sample(x, y, 0);
        // Grey: the level the pixel shows before gamma; indexed: the palette index.
        Byte v;
        if (c.type == 3)
          v = static_cast<Byte>(s);
        else if (c.depth == 16)
          v = static_cast<Byte>(s * 255u / 65535u);
        else
          v = static_cast<Byte>(s * 255u / ((1u << c.depth) - 1));
        EXPECT_EQ(bmp.View().At(int(x), int(y)), uint32_t(255 - gamma[v]) << 24)
            << int(c.type) << "/" << int(c.depth) << " at " << x << "," << y;
      }
  }
}

TEST(PNGTransparency, ColourImagesWithGammaAndPlainImagesAreOpaque) {
  for (bool withGamma : {true, false}) {
    Image img = RandomImage(5, 5, 2, 8, 26);
    EncodeOptions o;
    if (withGamma) o.before = {{"gAMA", Be32(45455)}};
    TPNGGraphic png;
    Load(png, Encode(img, o));
    TBitmap bmp;
    UpdateTransparency(bmp, png);
    EXPECT_EQ(CompareWithReference(bmp, Reference::Of(img)), "");
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(bmp.View().At(x, y) >> 24, 255u);
  }
}

TEST(PNGTransparency, AKeyedBitmapMakesItsBottomLeftColourClear) {
  Image img;
  img.width = 3, img.height = 2, img.colorType = 2, img.bitDepth = 8;
  img.samples = {1, 2, 3, 9, 9, 9, 1, 2, 3,  //
                 1, 2, 3, 4, 5, 6, 7, 8, 9};
  TMemoryStream s;
  FillStream(s, Encode(img));
  TBitmap bmp;
  bmp.SetTransparent(true);
  LoadBmpFromPngStream(bmp, s);
  const TPixelView v = bmp.View();
  EXPECT_EQ(v.At(0, 0) >> 24, 0u);
  EXPECT_EQ(v.At(1, 0) >> 24, 255u);
  EXPECT_EQ(v.At(2, 0) >> 24, 0u);
  EXPECT_EQ(v.At(0, 1) >> 24, 0u);
  EXPECT_EQ(v.At(2, 1) >> 24, 255u);
  EXPECT_EQ(bmp.PixelColor(2, 1), TColor(7 | 8 << 8 | 9 << 16));
}

TEST(PNGLoaders, FileAndStreamLoadersGiveA32BitBitmapOrLeaveItAlone) {
  Image img = RandomImage(7, 6, 6, 8, 27);
  TempDir dir;
  const String name = dir.Path() + u"/b.png";
  TMemoryStream f;
  FillStream(f, Encode(img));
  f.SaveToFile(name);
  TBitmap bmp;
  LoadBmpFromPngFile(bmp, name);
  EXPECT_EQ(CompareWithReference(bmp, Reference::Of(img)), "");

  TBitmap keep(2, 2, pf32bit);
  keep.View().At(1, 1) = 0x12345678;
  TMemoryStream broken;
  FillStream(broken, CorruptChunkData(Encode(img), "IDAT"));
  EXPECT_THROW(LoadBmpFromPngStream(keep, broken), EInvalidGraphic);
  EXPECT_EQ(keep.Width(), 2);
  EXPECT_EQ(keep.View().At(1, 1), 0x12345678u);
}

TEST(PNGLoaders, AssignCopiesTheImageProperties) {
  TPNGGraphic a, b;
  Load(a, Encode(RandomImage(3, 3, 4, 16, 28)));
  b.Assign(&a);
  EXPECT_EQ(b.ImageProperties().ColorScheme, csGA);
  EXPECT_EQ(b.ImageProperties().BitsPerSample, 16);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.ClassName(), u"TPNGGraphic");
}

// ---- the colour manager -----------------------------------------------------------------------

TEST(ColorManager, PixelFormatsBySamplesAndDepth) {
  struct Case {
    Byte spp, bps;
    TPixelFormat format;
  } cases[] = {{1, 1, pf1bit},   {1, 2, pf4bit},   {1, 4, pf4bit},   {1, 8, pf8bit},   {1, 16, pf8bit},
               {1, 5, pfCustom}, {3, 5, pf15bit},  {3, 8, pf24bit},  {3, 16, pf24bit}, {4, 8, pf32bit},
               {4, 16, pf32bit}, {4, 4, pfCustom}, {2, 8, pfCustom}, {2, 16, pfCustom}};
  TColorManager m;
  for (const Case& c : cases) {
    m.SetTargetSamplesPerPixel(c.spp);
    m.SetTargetBitsPerSample(c.bps);
    EXPECT_EQ(m.TargetPixelFormat(), c.format) << int(c.spp) << " " << int(c.bps);
  }
}

TEST(ColorManager, SettersRefuseImpossibleValues) {
  TColorManager m;
  auto message = [](auto&& f) -> std::string {
    try {
      f();
    } catch (const EColorConversionError& e) { return StringToUtf8(e.Message()); }
    return "";
  };
  const std::string depth = "Color depth is invalid. Bits per sample must be 1, 2, 4, 8 or 16.";
  const std::string samples = "Sample count per pixel does not correspond to the given color scheme.";
  EXPECT_EQ(message([&] { m.SetSourceBitsPerSample(0); }), depth);
  EXPECT_EQ(message([&] { m.SetTargetBitsPerSample(17); }), depth);
  EXPECT_EQ(message([&] { m.SetSourceSamplesPerPixel(5); }), samples);
  EXPECT_EQ(message([&] { m.SetTargetSamplesPerPixel(0); }), samples);
  EXPECT_EQ(m.SourceBitsPerSample(), 8);  // raised before storing
  m.SetSourceBitsPerSample(12);           // accepted, though no routine takes it
  EXPECT_EQ(m.SourceBitsPerSample(), 12);

  Byte row[8] = {};
  m.SetSourceColorScheme(csG);
  m.SetTargetColorScheme(csBGR);
  EXPECT_EQ(message([&] { m.ConvertRow(row, row, 1, 0xFF); }),
            "Conversion between indexed and non-indexed pixel formats is not supported.");
  m.SetSourceColorScheme(csRGB);
  m.SetTargetColorScheme(csG);
  EXPECT_EQ(message([&] { m.ConvertRow(row, row, 1, 0xFF); }),
            "Conversion between indexed and non-indexed pixel formats is not supported.");
  m.SetSourceColorScheme(csRGB);
  m.SetTargetColorScheme(csRGB);  // a combination without a routine: the error stays until a setting changes
  const std::string none = "Color conversion failed. Could not find a proper method.";
  EXPECT_EQ(message([&] { m.ConvertRow(row, row, 1, 0xFF); }), none);
  EXPECT_EQ(message([&] { m.ConvertRow(row, row, 1, 0xFF); }), none);
  m.SetSourceBitsPerSample(8);
  m.SetTargetColorScheme(csBGR);
  EXPECT_EQ(message([&] { m.ConvertRow(row, row, 1, 0xFF); }), "");
}

TEST(ColorManager, PackedRowsWidenAndMasksSelectPixels) {
  TColorManager m;
  m.SetSourceColorScheme(csIndexed);
  m.SetTargetColorScheme(csIndexed);
  m.SetSourceSamplesPerPixel(1);
  m.SetTargetSamplesPerPixel(1);
  m.SetSourceBitsPerSample(2);
  m.SetTargetBitsPerSample(4);
  const Byte source[] = {0x1B};  // 0, 1, 2, 3
  Byte target[2] = {};
  m.ConvertRow(source, target, 4, 0xFF);
  EXPECT_EQ(target[0], 0x05);
  EXPECT_EQ(target[1], 0xAF);

  m.SetSourceBitsPerSample(8);
  m.SetTargetBitsPerSample(8);
  const Byte samples[] = {0xA1, 0xA2, 0xA3};
  Byte row[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  m.ConvertRow(samples, row, 8, 0x88);
  const Byte want[] = {0xA1, 2, 3, 4, 0xA2, 6, 7, 8};
  EXPECT_EQ(std::memcmp(row, want, 8), 0);
}

TEST(ColorManager, SixteenBitGreySwapsAndNarrows) {
  TColorManager m;
  m.SetSourceColorScheme(csG);
  m.SetTargetColorScheme(csG);
  m.SetSourceSamplesPerPixel(1);
  m.SetTargetSamplesPerPixel(1);
  m.SetSourceBitsPerSample(16);
  m.SetTargetBitsPerSample(8);
  m.SetSourceOptions(coNeedByteSwap);
  const Byte source[] = {0x12, 0x34, 0xFF, 0xFF, 0xFF, 0xFE};
  Byte target[3] = {};
  m.ConvertRow(source, target, 3, 0xFF);
  EXPECT_EQ(target[0], 18);
  EXPECT_EQ(target[1], 255);
  EXPECT_EQ(target[2], 254);
}

TEST(ColorManager, GammaLeavesAlphaAlone) {
  TColorManager m;
  m.SetSourceColorScheme(csRGBA);
  m.SetTargetColorScheme(csBGRA);
  m.SetSourceSamplesPerPixel(4);
  m.SetTargetSamplesPerPixel(4);
  m.SetGamma(1.0f, 2.2f);
  m.SetTargetOptions(coApplyGamma);
  const Byte source[] = {10, 100, 200, 77};
  Byte target[4] = {};
  m.ConvertRow(source, target, 1, 0xFF);
  const Byte* g = m.GammaTable();
  EXPECT_EQ(target[0], g[200]);
  EXPECT_EQ(target[1], g[100]);
  EXPECT_EQ(target[2], g[10]);
  EXPECT_EQ(target[3], 77);
  EXPECT_NE(g[100], 100);  // 1 / 2.2 is far from the identity
}

TEST(ColorManager, GammaOfZeroMeansTheDefaults) {
  TColorManager a, b;
  a.SetGamma(0, 0);
  b.SetGamma(1.0f, 2.2f);
  EXPECT_EQ(a.MainGamma(), 1.0f);
  EXPECT_EQ(a.DisplayGamma(), 2.2f);
  EXPECT_EQ(std::memcmp(a.GammaTable(), b.GammaTable(), 256), 0);
  // The table for 1 / 2.2, worked out by hand: (i / 255)^(1 / 2.2) x 255.
  EXPECT_EQ(b.GammaTable()[0], 0);
  EXPECT_EQ(b.GammaTable()[1], 21);
  EXPECT_EQ(b.GammaTable()[128], 186);
  EXPECT_EQ(b.GammaTable()[255], 255);
}

TEST(ColorManager, Palettes) {
  TColorManager m;
  m.SetTargetSamplesPerPixel(1);
  m.SetTargetBitsPerSample(4);
  TColorTable grey = m.CreateGrayscalePalette();
  ASSERT_EQ(grey.size(), 16u);
  EXPECT_EQ(grey[1], 0x111111u);
  EXPECT_EQ(grey[15], 0xFFFFFFu);
  m.SetTargetBitsPerSample(1);
  EXPECT_EQ(m.CreateGrayscalePalette(), (TColorTable{0, 0xFFFFFF}));

  m.SetSourceBitsPerSample(2);
  m.SetTargetBitsPerSample(4);
  const Byte rgb[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  TColorTable table = m.CreateColorPalette(rgb, 3);
  ASSERT_EQ(table.size(), 16u);
  EXPECT_EQ(table[0], 3u | 2u << 8 | 1u << 16);
  EXPECT_EQ(table[5], 6u | 5u << 8 | 4u << 16);  // source index 1 lands on 5
  EXPECT_EQ(table[10], 9u | 8u << 8 | 7u << 16);
  EXPECT_EQ(table[15], 0u);  // index 3 has no colour

  m.SetSourceBitsPerSample(8);
  m.SetTargetBitsPerSample(8);
  EXPECT_EQ(m.CreateColorPalette(rgb, 3).size(), 256u);  // every index of the depth has an entry
}

// ---- registration ---------------------------------------------------------------------------

TEST(PNGRegistration, StartupRegistersPNGAndCleanupRemovesIt) {
  const Image img = RandomImage(5, 4, 6, 8, 29);
  kvPNGStartup();
  kvPNGStartup();  // a second run does nothing
  const TPictureFormat* f = TPicture::FindExtension(u"png");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->ClassName, u"TPNGGraphic");
  EXPECT_EQ(f->Description, u"Portable network graphics (Kavrello)");

  TPicture picture;
  TMemoryStream s;
  FillStream(s, Encode(img));
  picture.LoadFromStream(s);  // chosen by its first bytes
  ASSERT_NE(dynamic_cast<TPNGGraphic*>(picture.Graphic()), nullptr);
  EXPECT_EQ(CompareWithReference(*static_cast<TBitmap*>(picture.Graphic()), Reference::Of(img)), "");

  TempDir dir;
  const String name = dir.Path() + u"/c.PNG";
  s.SaveToFile(name);
  TPicture byName;
  byName.LoadFromFile(name);  // chosen by its extension, in any letter case
  EXPECT_NE(dynamic_cast<TPNGGraphic*>(byName.Graphic()), nullptr);

  UseKVPng = false;  // the reader is never picked by content while it is off
  s.SetPosition(0);
  EXPECT_THROW(picture.LoadFromStream(s), EInvalidGraphic);
  UseKVPng = true;

  kvPNGCleanup();
  EXPECT_EQ(TPicture::FindExtension(u"png"), nullptr);
  s.SetPosition(0);
  EXPECT_THROW(picture.LoadFromStream(s), EInvalidGraphic);
}

TEST(PNGRegistration, WithoutPngFirstALibraryPngClassKeepsTheExtension) {
  // A stand-in for a PNG class of the class library, registered before the engine starts.
  TPicture::RegisterFileFormat<TBitmap>(u"png", u"library PNG");
  kvPngFirst = false;
  kvPNGStartup();
  const TPictureFormat* f = TPicture::FindExtension(u"png");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->ClassName, u"TBitmap");
  EXPECT_EQ(f->Description, u"Portable Network Graphics");
  kvPNGCleanup();
  kvPngFirst = true;
  TPicture::UnregisterGraphicClass(u"TBitmap");  // also takes ".bmp": put the bitmap back
  TPicture::RegisterFileFormat<TBitmap>(u"bmp", u"Bitmaps",
                                        [](const Byte* p, size_t n) { return n >= 2 && p[0] == 'B' && p[1] == 'M'; });
  EXPECT_EQ(TPicture::FindExtension(u"png"), nullptr);
  EXPECT_NE(TPicture::FindExtension(u"bmp"), nullptr);
}

// ---- progress notifications ------------------------------------------------------------------

namespace {

struct ProgressNote {
  TProgressStage stage;
  TRect rect;
  std::string msg;
  friend bool operator==(const ProgressNote&, const ProgressNote&) = default;
  friend std::ostream& operator<<(std::ostream& o, const ProgressNote& n) {
    return o << (n.stage == psStarting ? "starting"
                 : n.stage == psEnding ? "ending"
                                       : "running")
             << " \"" << n.msg << "\" (" << n.rect.Left << "," << n.rect.Top << "," << n.rect.Right << ","
             << n.rect.Bottom << ")";
  }
};

// Records what the picture reports, and that it reports as itself, at 0 % and without redraw.
struct ProgressLog {
  const TGraphic* expectedSender = nullptr;
  std::vector<ProgressNote> notes;
  bool senderAndFlagsRight = true;
  void Note(TObject* sender, TProgressStage stage, Byte percent, bool redraw, const TRect& r, const String& msg) {
    senderAndFlagsRight &= sender == expectedSender && percent == 0 && !redraw;
    notes.push_back({stage, r, StringToUtf8(msg)});
  }
};

std::vector<ProgressNote> LoadWithProgress(const Bytes& file, bool& senderAndFlagsRight) {
  TPNGGraphic png;
  ProgressLog log;
  log.expectedSender = &png;
  png.SetOnProgress(TProgressEvent(&log, &ProgressLog::Note));
  try {
    Load(png, file);
  } catch (const Exception&) {}
  senderAndFlagsRight = log.senderAndFlagsRight;
  return log.notes;
}

}  // namespace

TEST(PNGProgress, ALoadReportsItsStagesAndTheRowItReached) {
  struct Case {
    const char* name;
    bool interlaced;
    uint32_t height;
    Integer lastRow;  // where the rectangle ends: every row, or the rows of the last pass
  };
  for (const Case& c : {Case{"plain", false, 5, 5}, Case{"Adam7", true, 5, 2}, Case{"Adam7 one row", true, 1, 0}}) {
    Image img = RandomImage(7, c.height, 6, 8, 31);
    img.interlaced = c.interlaced;
    bool flagsRight = false;
    const std::vector<ProgressNote> expected = {{psStarting, {0, 0, 7, 1}, "Preparing..."},
                                                {psEnding, {0, 0, 7, 1}, ""},
                                                {psStarting, {0, 0, 7, 1}, "Transfering..."},
                                                {psEnding, {0, c.lastRow, 7, c.lastRow + 1}, ""}};
    EXPECT_EQ(LoadWithProgress(Encode(img), flagsRight), expected) << c.name;
    EXPECT_TRUE(flagsRight) << c.name;
  }
}

TEST(PNGProgress, AFailedLoadStillEndsAndABitmapFileReportsNothing) {
  Image img = RandomImage(6, 4, 2, 8, 32);
  const Bytes good = Encode(img);
  bool flagsRight = false;
  // A broken header fails before the image data: starting, then at once the ending.
  Bytes badHeader = good;
  badHeader[8 + 8] ^= 1;  // IHDR data: its CRC no longer matches (the first pass reads it too)
  EXPECT_TRUE(LoadWithProgress(badHeader, flagsRight).empty()) << "refused by the first pass";
  Bytes unsupported = FileOf({MakeChunk("IHDR", IHDRData(6, 4, 8, 2, 0, 1)), MakeChunk("IEND", {})});
  const std::vector<ProgressNote> early = {{psStarting, {0, 0, 6, 1}, "Preparing..."}, {psEnding, {0, 0, 6, 1}, ""}};
  EXPECT_EQ(LoadWithProgress(unsupported, flagsRight), early);
  EXPECT_TRUE(flagsRight);
  // Broken image data fails inside the rows: the last note is still an ending.
  const std::vector<ProgressNote> notes = LoadWithProgress(CorruptChunkData(good, "IDAT"), flagsRight);
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[2].msg, "Transfering...");
  EXPECT_EQ(notes[3].stage, psEnding);
  EXPECT_EQ(notes[3].msg, "");
  // A BMP file goes through the bitmap's reader, which reports nothing.
  TBitmap bmp(3, 2, pf24bit);
  TMemoryStream s;
  bmp.SaveToStream(s);
  Bytes bmpFile(static_cast<size_t>(s.GetSize()));
  std::memcpy(bmpFile.data(), s.Memory(), bmpFile.size());
  EXPECT_TRUE(LoadWithProgress(bmpFile, flagsRight).empty());
}
