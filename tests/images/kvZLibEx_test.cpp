#include "images/kvZLibEx.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "support/PngWriter.h"
#include "support/TrickleStream.h"

namespace {

using testpng::Bytes;

Bytes RandomText(size_t n, uint32_t seed) {
  // Compressible but not trivial: words from a small alphabet.
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& c : b) c = static_cast<Byte>('a' + rng() % 12);
  return b;
}

Bytes Hex(const char* text) {
  Bytes out;
  for (const char* p = text; *p;) {
    char* end;
    long v = std::strtol(p, &end, 16);
    if (end == p) break;
    out.push_back(static_cast<Byte>(v));
    p = end;
  }
  return out;
}

Bytes ReadAll(TStream& s, Integer piece) {
  Bytes out;
  Bytes buf(static_cast<size_t>(piece));
  for (;;) {
    Integer n = s.Read(buf.data(), piece);
    if (n <= 0) break;
    out.insert(out.end(), buf.begin(), buf.begin() + n);
  }
  return out;
}

}  // namespace

TEST(ZErrorText, TableByCode) {
  const std::pair<int, const char16_t*> cases[] = {{2, u"need dictionary"},
                                                   {1, u"stream end"},
                                                   {0, u"ok"},
                                                   {-1, u"file error"},
                                                   {-2, u"stream error"},
                                                   {-3, u"data error"},
                                                   {-4, u"insufficient memory"},
                                                   {-5, u"buffer error"},
                                                   {-6, u"incompatible version"},
                                                   {-7, u""},
                                                   {3, u""},
                                                   {-8, u""}};
  for (auto [code, text] : cases) {
    EXPECT_EQ(ZErrorText(code), text) << code;
    EZDecompressionError e(code, "");
    EXPECT_EQ(e.Message(), text);
    EXPECT_EQ(e.ErrorCode(), code);
  }
  EXPECT_EQ(EZLibError(TZError::zeDataError, "").ErrorCode(), -3);
  EXPECT_EQ(EZLibError(TZError::zeVersionError, "").Message(), u"incompatible version");
  EXPECT_EQ(ZDecompressCheck(1), 1);
  EXPECT_EQ(ZDecompressCheck(2), 2);
  try {
    ZDecompressCheck(-5);
    FAIL();
  } catch (const EZDecompressionError& e) {
    EXPECT_EQ(e.ErrorCode(), -5);
    EXPECT_EQ(e.Message(), u"buffer error");
  }
}

TEST(ZCalloc, RefusesOverflowingProducts) {
  void* p = zcalloc(nullptr, 100, 7);
  ASSERT_NE(p, nullptr);
  zcfree(nullptr, p);
  EXPECT_EQ(zcalloc(nullptr, 0x10000, 0x10000), nullptr);  // 2^32 bytes
  EXPECT_EQ(zcalloc(nullptr, 0x8000, 0x10000), nullptr);   // 2^31: above the signed 32-bit range
}

TEST(TZDecompressionStream, InflatesWholeInAnyPieceSize) {
  const Bytes plain = RandomText(300000, 1);  // compresses to more than the 128 KiB input buffer
  const Bytes z = testpng::ZlibCompress(plain, 1);
  for (Integer sourceStep : {1 << 30, 4096, 1}) {
    for (Integer readPiece : {1, 7, 65536}) {
      if (sourceStep == 1 && readPiece == 1) continue;  // byte by byte on both sides is just slow
      TrickleStream source(z, sourceStep);
      TZDecompressionStream s(source);
      EXPECT_EQ(ReadAll(s, readPiece), plain) << sourceStep << " " << readPiece;
      EXPECT_EQ(s.GetPosition(), Int64(plain.size()));
    }
  }
}

TEST(TZDecompressionStream, ReadOfZeroReadsNothing) {
  TrickleStream source(testpng::ZlibCompress(RandomText(100, 2)), 1 << 30);
  TZDecompressionStream s(source);
  Byte b;
  EXPECT_EQ(s.Read(&b, 0), 0);
  EXPECT_EQ(source.Reads(), 0);
  EXPECT_EQ(source.GetPosition(), 0);
}

TEST(TZDecompressionStream, StreamsBackToBackLeaveTheSourceBehindEach) {
  const Bytes a = RandomText(5000, 3), b = RandomText(7000, 4);
  const Bytes za = testpng::ZlibCompress(a), zb = testpng::ZlibCompress(b);
  Bytes both = za;
  testpng::Append(both, zb);
  TMemoryStream source;
  FillStream(source, both);
  Bytes gotA(a.size()), gotB(b.size());
  {
    TZDecompressionStream s(source);
    s.ReadBuffer(gotA.data(), static_cast<Integer>(gotA.size()));
    EXPECT_EQ(source.GetPosition(), Int64(za.size()));
    // A read after the end delivers nothing and leaves the source where it is.
    Byte extra;
    EXPECT_EQ(s.Read(&extra, 1), 0);
    EXPECT_EQ(source.GetPosition(), Int64(za.size()));
  }
  {
    TZDecompressionStream s(source);
    s.ReadBuffer(gotB.data(), static_cast<Integer>(gotB.size()));
    EXPECT_EQ(source.GetPosition(), Int64(both.size()));
  }
  EXPECT_EQ(gotA, a);
  EXPECT_EQ(gotB, b);
}

TEST(TZDecompressionStream, SourceMovedBetweenReadsIsPutBack) {
  const Bytes plain = RandomText(400000, 5);
  TrickleStream source(testpng::ZlibCompress(plain, 9), 1000);
  TZDecompressionStream s(source);
  Bytes got(plain.size());
  s.ReadBuffer(got.data(), 1000);
  source.SetPosition(3);  // another reader of the same source
  s.ReadBuffer(got.data() + 1000, static_cast<Integer>(plain.size() - 1000));
  EXPECT_EQ(got, plain);
}

TEST(TZDecompressionStream, PositionAndSeekRules) {
  const Bytes plain = RandomText(50000, 6);
  // The zlib data start behind a prefix, as an entry inside an archive does.
  Bytes file = {'P', 'R', 'E', 'F', 'I', 'X'};
  testpng::Append(file, testpng::ZlibCompress(plain));
  TMemoryStream source;
  FillStream(source, file);
  source.SetPosition(6);
  TZDecompressionStream s(source);

  Bytes got(100);
  s.ReadBuffer(got.data(), 100);
  EXPECT_EQ(s.GetPosition(), 100);  // no side effect
  EXPECT_EQ(s.GetPosition(), 100);
  EXPECT_THROW(s.SetPosition(100), EZDecompressionError);  // to where it stands: not allowed
  EXPECT_THROW(s.SetPosition(50), EZDecompressionError);   // backwards
  EXPECT_THROW(s.Seek(-1, soCurrent), EZDecompressionError);
  EXPECT_THROW(s.Seek(10, soEnd), EZDecompressionError);
  s.SetPosition(1000);  // forward: skips
  s.ReadBuffer(got.data(), 100);
  EXPECT_EQ(Bytes(plain.begin() + 1000, plain.begin() + 1100), got);
  EXPECT_EQ(s.Seek(20000, soCurrent), 21100);
  s.ReadBuffer(got.data(), 100);
  EXPECT_EQ(Bytes(plain.begin() + 21100, plain.begin() + 21200), got);

  // Rewind: back to where the zlib data began, not to the source's first byte.
  EXPECT_EQ(s.Seek(0, soBeginning), 0);
  EXPECT_EQ(source.GetPosition(), 6);
  s.ReadBuffer(got.data(), 100);
  EXPECT_EQ(Bytes(plain.begin(), plain.begin() + 100), got);

  // A seek of 0 from the end inflates the rest and answers the total size.
  EXPECT_EQ(s.Seek(0, soEnd), Int64(plain.size()));
  Byte extra;
  EXPECT_THROW(s.ReadBuffer(&extra, 1), EReadError);
}

TEST(TZDecompressionStream, SizeWorksOnlyFromTheStart) {
  const Bytes plain = RandomText(30000, 7);
  TMemoryStream source;
  FillStream(source, testpng::ZlibCompress(plain));
  TZDecompressionStream s(source);
  EXPECT_EQ(s.GetSize(), Int64(plain.size()));  // inflates everything, then rewinds
  EXPECT_EQ(s.GetPosition(), 0);
  Bytes got(plain.size());
  s.ReadBuffer(got.data(), static_cast<Integer>(got.size()));
  EXPECT_EQ(got, plain);

  TMemoryStream source2;
  FillStream(source2, testpng::ZlibCompress(plain));
  TZDecompressionStream s2(source2);
  s2.ReadBuffer(got.data(), 10);
  try {
    s2.GetSize();
    FAIL() << "the way back to 10 is a backward seek";
  } catch (const EZDecompressionError& e) {
    EXPECT_EQ(e.Message(), u"Invalid ZStream operation!");
    EXPECT_EQ(e.ErrorCode(), 0);
  }
}

TEST(TZDecompressionStream, WriteIsRefused) {
  TMemoryStream source;
  FillStream(source, testpng::ZlibCompress(RandomText(10, 8)));
  TZDecompressionStream s(source);
  Byte b = 0;
  try {
    s.Write(&b, 1);
    FAIL();
  } catch (const EZDecompressionError& e) {
    EXPECT_EQ(e.Message(), u"Invalid ZStream operation!");
    EXPECT_EQ(e.ErrorCode(), 0);
  }
}

TEST(TZDecompressionStream, TruncatedDataGiveTheReadErrorNotAZlibOne) {
  const Bytes plain = RandomText(20000, 9);
  Bytes z = testpng::ZlibCompress(plain);
  z.resize(z.size() / 2);
  TMemoryStream source;
  FillStream(source, z);
  TZDecompressionStream s(source);
  Bytes got(plain.size());
  EXPECT_LT(s.Read(got.data(), static_cast<Integer>(got.size())), Integer(plain.size()));
  TMemoryStream source2;
  FillStream(source2, z);
  TZDecompressionStream s2(source2);
  EXPECT_THROW(s2.ReadBuffer(got.data(), static_cast<Integer>(got.size())), EReadError);
  TMemoryStream source3;
  FillStream(source3, z);
  TZDecompressionStream s3(source3);
  EXPECT_THROW(s3.SetPosition(Int64(plain.size())), EReadError);  // a forward skip into the gap
}

TEST(TZDecompressionStream, OnProgressAfterEachSourcePiece) {
  const Bytes plain = RandomText(100000, 10);
  const Bytes z = testpng::ZlibCompress(plain);
  TrickleStream source(z, 5000);
  TZDecompressionStream s(source);
  struct Listener {
    TCustomZStream* expected;
    int calls = 0;
    void Progress(TCustomZStream* sender) {
      EXPECT_EQ(sender, expected);
      ++calls;
    }
  } listener{&s};
  s.SetOnProgress(TZProgressEvent(&listener, &Listener::Progress));
  Bytes got(plain.size());
  s.ReadBuffer(got.data(), static_cast<Integer>(got.size()));
  EXPECT_EQ(size_t(listener.calls), (z.size() + 4999) / 5000);  // one per piece taken from the source
}

// zlib's own malformed-stream cases (raw deflate data behind a valid zlib header), and broken
// headers; each must raise its zlib error whether the source hands over all bytes at once or
// one at a time.
TEST(TZDecompressionStream, MalformedStreamsRaiseTheirZlibError) {
  struct Case {
    const char* name;
    const char* hex;
    int code;
  } cases[] = {
      {"invalid stored block lengths", "78 9c 0 0 0 0 0", -3},
      {"invalid block type", "78 9c 6", -3},
      {"too many length or distance symbols", "78 9c fc 0 0", -3},
      {"invalid code lengths set", "78 9c 4 0 fe ff", -3},
      {"invalid bit length repeat", "78 9c 4 0 24 49 0", -3},
      {"invalid bit length repeat 2", "78 9c 4 0 24 e9 ff ff", -3},
      {"missing end-of-block", "78 9c 4 0 24 e9 ff 6d", -3},
      {"invalid literal/lengths set", "78 9c 4 80 49 92 24 49 92 24 71 ff ff 93 11 0", -3},
      {"invalid distances set", "78 9c 4 80 49 92 24 49 92 24 f b4 ff ff c3 84", -3},
      {"invalid literal/length code", "78 9c 4 c0 81 8 0 0 0 0 20 7f eb b 0 0", -3},
      {"invalid distance code", "78 9c 2 7e ff ff", -3},
      {"invalid distance too far back", "78 9c c c0 81 0 0 0 0 0 90 ff 6b 4 0", -3},
      {"unknown compression method", "77 85", -3},
      {"incorrect header check", "78 90", -3},
      {"invalid window size", "88 1c", -3},
      {"preset dictionary", "78 bb 0 0 0 1 3 0", 2},
  };
  for (const Case& c : cases) {
    for (Integer step : {1 << 30, 1}) {
      TrickleStream source(Hex(c.hex), step);
      TZDecompressionStream s(source);
      Byte out[256];
      try {
        ReadAll(s, sizeof out);
        ADD_FAILURE() << c.name << ": no error";
      } catch (const EZDecompressionError& e) {
        EXPECT_EQ(e.ErrorCode(), c.code) << c.name;
        EXPECT_EQ(e.Message(), ZErrorText(c.code)) << c.name;
      }
    }
  }
}

TEST(TZDecompressionStream, WrongChecksumIsADataError) {
  const Bytes plain = RandomText(3000, 11);
  Bytes z = testpng::ZlibCompress(plain);
  z.back() ^= 1;
  for (Integer step : {1 << 30, 3}) {
    TrickleStream source(z, step);
    TZDecompressionStream s(source);
    try {
      ReadAll(s, 500);
      ADD_FAILURE() << "no error";
    } catch (const EZDecompressionError& e) { EXPECT_EQ(e.ErrorCode(), -3); }
  }
}
