// The portable half of the image lists: glyph outline parsing and fitting, format recognition,
// the checks of untrusted ICO and BMP data, the icon-font pixel kernels and item persistence.
#include "images/kvAlphaImageList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Regions.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"
#include "support/Pixels.h"
#include "support/PngWriter.h"
#include "support/TempDir.h"
#include "ui/Icon.h"

namespace {

// ---- synthetic GGO_NATIVE buffers ----------------------------------------------------------

void Put16(std::vector<Byte>& b, uint32_t v) {
  b.push_back(Byte(v));
  b.push_back(Byte(v >> 8));
}
void Put32(std::vector<Byte>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Set32(std::vector<Byte>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = Byte(v >> (8 * i));
}
// A 16.16 value of a whole number.
uint32_t Fix(int v) { return uint32_t(v) << 16; }
void PutPoint(std::vector<Byte>& b, int x, int y) {
  Put32(b, Fix(x));
  Put32(b, Fix(y));
}

struct Record {
  uint16_t Type;
  std::vector<TPoint> Points;
};

// Appends one polygon (header with its byte count, then the records).
void AddPolygon(std::vector<Byte>& b, TPoint start, const std::vector<Record>& records, uint32_t type = 24) {
  const size_t at = b.size();
  Put32(b, 0);
  Put32(b, type);
  PutPoint(b, start.X, start.Y);
  for (const Record& r : records) {
    Put16(b, r.Type);
    Put16(b, static_cast<uint32_t>(r.Points.size()));
    for (TPoint p : r.Points) PutPoint(b, p.X, p.Y);
  }
  Set32(b, at, static_cast<uint32_t>(b.size() - at));
}

TkvStrokeCollection Parse(const std::vector<Byte>& b) {
  TkvStrokeCollection s;
  ParseGlyphOutline(b.data(), b.size(), s);
  return s;
}

std::vector<Byte> Square(TPoint origin, int side) {
  std::vector<Byte> b;
  AddPolygon(b, origin,
             {{kTT_PRIM_LINE,
               {{origin.X + side, origin.Y}, {origin.X + side, origin.Y + side}, {origin.X, origin.Y + side}}}});
  return b;
}

}  // namespace

// ---- 1. Glyph outline contours ------------------------------------------------------------

TEST(GlyphOutline, FixedPointValues) {
  EXPECT_DOUBLE_EQ(Fix2Double(0x00018000), 1.5);
  EXPECT_DOUBLE_EQ(Fix2Double(0xFFFF8000), -0.5);  // integer word -1, fraction one half
  EXPECT_DOUBLE_EQ(Fix2Double(0x7FFF0000), 32767.0);
  EXPECT_DOUBLE_EQ(Fix2Double(0x00000001), 1.0 / 65536);
}

TEST(GlyphOutline, StraightContourGivesOneStrokePerDistinctPointAndTheClosingStroke) {
  std::vector<Byte> b;
  // The repeated (10, 0) adds nothing.
  AddPolygon(b, {0, 0}, {{kTT_PRIM_LINE, {{10, 0}, {10, 0}, {10, 10}}}, {kTT_PRIM_LINE, {{0, 10}}}});
  const TkvStrokeCollection s = Parse(b);
  ASSERT_EQ(s.Count(), 4);
  EXPECT_EQ(s.Stroke(0), (TFontStroke{0, {0, 0}, {10, 0}}));
  EXPECT_EQ(s.Stroke(1), (TFontStroke{0, {10, 0}, {10, 10}}));
  EXPECT_EQ(s.Stroke(2), (TFontStroke{0, {10, 10}, {0, 10}}));
  EXPECT_EQ(s.Stroke(3), (TFontStroke{0, {0, 10}, {0, 0}}));  // closed back to the start
  EXPECT_EQ(s.NumGlyphs(), 1);
  EXPECT_EQ(s.Bounds(), TRect(0, 0, 10, 10));
}

TEST(GlyphOutline, AContourEndingAtItsStartIsNotClosedTwice) {
  std::vector<Byte> b;
  AddPolygon(b, {0, 0}, {{kTT_PRIM_LINE, {{5, 0}, {5, 5}, {0, 0}}}});
  EXPECT_EQ(Parse(b).Count(), 3);
}

TEST(GlyphOutline, ContoursAreNumberedInOrder) {
  std::vector<Byte> b = Square({0, 0}, 10);
  const std::vector<Byte> second = Square({20, -5}, 4);
  b.insert(b.end(), second.begin(), second.end());
  const TkvStrokeCollection s = Parse(b);
  ASSERT_EQ(s.Count(), 8);
  EXPECT_EQ(s.NumGlyphs(), 2);
  EXPECT_EQ(s.StartOfGlyph(0), 0);
  EXPECT_EQ(s.StartOfGlyph(1), 4);
  EXPECT_EQ(s.GlyphNumStrokes(0), 4);
  EXPECT_EQ(s.GlyphNumStrokes(1), 4);
  for (int bad : {-1, 2}) {
    EXPECT_EQ(s.StartOfGlyph(bad), -1);
    EXPECT_EQ(s.GlyphNumStrokes(bad), -1);
  }
  EXPECT_EQ(s.Stroke(4).GlyphNumber, 1);
  EXPECT_EQ(s.Bounds(), TRect(0, -5, 24, 10));
  EXPECT_THROW(s.Stroke(8), EListError);
  EXPECT_THROW(s.Stroke(-1), EListError);
  EXPECT_EQ(TkvStrokeCollection().Bounds(), TRect());
  EXPECT_EQ(TkvStrokeCollection().NumGlyphs(), 0);
}

TEST(GlyphOutline, QuadraticCurvesAreCutIntoSevenSteps) {
  std::vector<Byte> b;
  // From (0, 0) through (70, 70) to (140, 0); the closing stroke returns to (0, 0).
  AddPolygon(b, {0, 0}, {{kTT_PRIM_QSPLINE, {{70, 70}, {140, 0}}}});
  const TkvStrokeCollection s = Parse(b);
  ASSERT_EQ(s.Count(), 8);
  // P(t) = A + 2t(B - A) + t^2 (A - 2B + C): x = 140 t, y = 140 t - 140 t^2.
  for (int i = 1; i <= 7; ++i) {
    const double t = i / 7.0;
    const TFontStroke st = s.Stroke(i - 1);
    EXPECT_NEAR(st.Pt2.X, 140 * t, 0.51) << i;
    EXPECT_NEAR(st.Pt2.Y, 140 * t - 140 * t * t, 0.51) << i;
    if (i > 1) { EXPECT_EQ(st.Pt1, s.Stroke(i - 2).Pt2); }
  }
  EXPECT_EQ(s.Stroke(6).Pt2, TPoint(140, 0));  // the curve ends on its end point
  EXPECT_EQ(s.Stroke(7), (TFontStroke{0, {140, 0}, {0, 0}}));
}

TEST(GlyphOutline, InnerCurvePointsEndAtTheMidpointOfTwoControlPoints) {
  std::vector<Byte> b;
  // Two curves: (0,0) via (10,20) to the midpoint (20,20), then via (30,20) to (40,0).
  AddPolygon(b, {0, 0}, {{kTT_PRIM_QSPLINE, {{10, 20}, {30, 20}, {40, 0}}}});
  const TkvStrokeCollection s = Parse(b);
  ASSERT_EQ(s.Count(), 15);
  EXPECT_EQ(s.Stroke(6).Pt2, TPoint(20, 20));
  EXPECT_EQ(s.Stroke(13).Pt2, TPoint(40, 0));
}

TEST(GlyphOutline, OtherRecordTypesAddNothingButAreStepped) {
  std::vector<Byte> b;
  AddPolygon(b, {0, 0}, {{3, {{99, 99}, {98, 98}}}, {kTT_PRIM_LINE, {{4, 0}, {4, 4}}}});
  const TkvStrokeCollection s = Parse(b);
  ASSERT_EQ(s.Count(), 3);
  EXPECT_EQ(s.Stroke(0), (TFontStroke{0, {0, 0}, {4, 0}}));
}

TEST(GlyphOutline, NothingWhenTheFirstHeaderIsNoPolygon) {
  std::vector<Byte> b;
  AddPolygon(b, {0, 0}, {{kTT_PRIM_LINE, {{4, 0}, {4, 4}}}}, 25);
  EXPECT_EQ(Parse(b).Count(), 0);
  TkvStrokeCollection s;
  ParseGlyphOutline(nullptr, 100, s);
  ParseGlyphOutline(b.data(), 15, s);
  EXPECT_EQ(s.Count(), 0);
}

// The parser trusts nothing of the buffer: a polygon shorter than its header or longer than
// the buffer, and a record whose points reach past its polygon, end parsing.
TEST(GlyphOutline, RecordsThatDoNotFitEndParsing) {
  const std::vector<Byte> good = Square({0, 0}, 10);

  std::vector<Byte> zeroLength = good;
  AddPolygon(zeroLength, {50, 50}, {{kTT_PRIM_LINE, {{60, 50}}}});
  Set32(zeroLength, good.size(), 0);  // a header claiming 0 bytes would never advance
  EXPECT_EQ(Parse(zeroLength).Count(), 4);

  std::vector<Byte> tooLong = good;
  AddPolygon(tooLong, {50, 50}, {{kTT_PRIM_LINE, {{60, 50}}}});
  Set32(tooLong, good.size(), 0x7FFFFFF0);
  EXPECT_EQ(Parse(tooLong).Count(), 4);

  std::vector<Byte> countPastEnd;
  AddPolygon(countPastEnd, {0, 0}, {{kTT_PRIM_LINE, {{8, 0}, {8, 8}}}, {kTT_PRIM_LINE, {{0, 8}}}});
  countPastEnd[16 + 4 + 16 + 2] = 0xFF;  // second record: 255 points where 1 is
  const TkvStrokeCollection s = Parse(countPastEnd);
  // The first record stands; the contour in progress is closed; nothing else is read.
  ASSERT_EQ(s.Count(), 3);
  EXPECT_EQ(s.Stroke(2), (TFontStroke{0, {8, 8}, {0, 0}}));

  std::vector<Byte> trailing = good;
  trailing.resize(good.size() + 15, 0xEE);  // less than a header's room is ignored
  EXPECT_EQ(Parse(trailing).Count(), 4);
}

TEST(ContourFit, EmptyOutlinesAndFlatBoundsDrawNothing) {
  TkvStrokeCollection none;
  EXPECT_TRUE(FitContour(none, TRect(0, 0, 24, 24), 24, true).Empty);
  TkvStrokeCollection flat;
  flat.Add({0, {0, 5}, {10, 5}});
  EXPECT_TRUE(FitContour(flat, TRect(0, 0, 24, 24), 24, true).Empty);
  EXPECT_TRUE(FitContour(flat, TRect(0, 0, 24, 24), 24, false).Polygons.empty());
}

TEST(ContourFit, MeasuringKeepsTheAspectRatio) {
  struct Case {
    TRect Glyph, Rect;
    Integer FontHeight;
    bool CalcRect;
    TRect Want;
  } cases[] = {
      // A square glyph in 24 x 24 with a 24-pixel font: height-limited, 24 - 4.
      {{0, 0, 100, 100}, {0, 0, 24, 24}, 24, true, {0, 0, 20, 20}},
      // Twice as wide as high fits 32 x 16 exactly (height-limited) ...
      {{0, 0, 200, 100}, {0, 0, 32, 16}, 100, false, {0, 0, 32, 16}},
      // ... any wider glyph is width-limited.
      {{0, 0, 202, 100}, {0, 0, 32, 16}, 100, false, {0, 0, 32, 15}},
      {{0, 0, 202, 100}, {0, 0, 32, 16}, 100, true, {0, 0, 26, 12}},
      // The font height limits a height-limited fit.
      {{0, 0, 100, 100}, {0, 0, 40, 40}, 10, true, {0, 0, 10, 10}},
  };
  for (const Case& c : cases) {
    TkvStrokeCollection s;
    s.Add({0, c.Glyph.TopLeft(), c.Glyph.BottomRight()});
    const TkvContourFit fit = FitContour(s, c.Rect, c.FontHeight, true);
    TkvContourFit measured = fit;
    if (!c.CalcRect) {
      // Without CalcRect the size shows in the polygon's extent.
      measured = FitContour(s, c.Rect, c.FontHeight, false);
      ASSERT_EQ(measured.Polygons.size(), 1u);
      s.Add({0, c.Glyph.BottomRight(), c.Glyph.TopLeft()});
      const TkvContourFit both = FitContour(s, c.Rect, c.FontHeight, false);
      const TPoint a = both.Polygons[0][0], z = both.Polygons[0][1];
      EXPECT_NEAR(z.X - a.X, c.Want.Width(), 1);
      EXPECT_NEAR(a.Y - z.Y, c.Want.Height(), 1);
      continue;
    }
    EXPECT_FALSE(fit.Empty);
    EXPECT_EQ(fit.Rect, c.Want);
  }
}

TEST(ContourFit, PointsAreCentredWithTheYAxisTurnedDown) {
  TkvStrokeCollection s;
  s.Add({0, {0, 0}, {100, 0}});
  s.Add({0, {100, 0}, {100, 100}});
  s.Add({1, {100, 100}, {0, 0}});
  const TkvContourFit fit = FitContour(s, TRect(10, 20, 60, 70), 50, false);
  ASSERT_EQ(fit.Polygons.size(), 2u);
  // cx = cy = 50, origin (10, 20), scale 50 / 101; y = 20 + 50 - Round(dy * scale) - 2.
  EXPECT_EQ(fit.Polygons[0], (std::vector<TPoint>{{10, 68}, {60, 68}}));
  EXPECT_EQ(fit.Polygons[1], (std::vector<TPoint>{{60, 18}}));
}

// ---- 2. Formats and untrusted data ----------------------------------------------------------

namespace {

void WriteFile(const String& name, const std::vector<Byte>& bytes) {
  TFileStream f(name, fmCreate);
  if (!bytes.empty()) f.WriteBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
}

std::vector<Byte> PngSignature() { return {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}; }

}  // namespace

TEST(ImageFormat, FilesAreRecognisedByContentInOrder) {
  TempDir dir;
  struct Case {
    const char16_t* Name;
    std::vector<Byte> Bytes;
    bool Known;
    TsImageFormat Format;
  } cases[] = {
      {u"sig.png", PngSignature(), false, ifPNG},  // strictly more bytes than the magic
      {u"nine.png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0}, true, ifPNG},
      {u"a.ico", {0, 0, 1, 0}, true, ifICO},
      {u"b.ICO", {0, 0, 1, 0}, true, ifICO},  // (distinct names: Windows ignores case)
      // 00 00 without the extension is refused before the BMP test.
      {u"a.bmp", {0, 0, 'B', 'M'}, false, ifPNG},
      {u"dir.ico/noext", {0, 0, 1, 0}, false, ifPNG},
      {u"b.bin", {'B', 'M', 0}, true, ifBMP32},
      {u"bm.bmp", {'B', 'M'}, false, ifPNG},
      {u"c.gif", {'G', 'I', 'F', '8'}, false, ifPNG},
  };
  for (const Case& c : cases) {
    const String name = dir.Path() + u"/" + c.Name;
    // A folder named like an icon does not lend its extension to the file in it.
    std::filesystem::create_directories(std::filesystem::path(StringToUtf8(name)).parent_path());
    WriteFile(name, c.Bytes);
    TsImageFormat f = ifBMP32;
    EXPECT_EQ(GetImageFormat(name, f), c.Known) << StringToUtf8(c.Name);
    if (c.Known) { EXPECT_EQ(f, c.Format) << StringToUtf8(c.Name); }
  }
  TMemoryStream any;
  TsImageFormat f = ifICO;
  EXPECT_TRUE(GetImageFormat(any, f));
  EXPECT_EQ(f, ifPNG);
}

namespace {

uint64_t Stride(uint64_t w, uint32_t bits) { return (w * bits + 31) / 32 * 4; }

// An ICO file with one image of w x h pixels as a DIB of the given depth, colour and mask rows.
std::vector<Byte> MakeIco(int w, int h, uint16_t bits) {
  const uint32_t colors = bits <= 8 ? 1u << bits : 0;
  const uint32_t bytes = uint32_t(40 + colors * 4 + (Stride(w, bits) + Stride(w, 1)) * h);
  std::vector<Byte> b;
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, 1);
  b.push_back(Byte(w & 0xFF));
  b.push_back(Byte(h & 0xFF));
  b.push_back(0);
  b.push_back(0);
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, bytes);
  Put32(b, 22);
  Put32(b, 40);
  Put32(b, uint32_t(w));
  Put32(b, uint32_t(2 * h));
  Put16(b, 1);
  Put16(b, bits);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  b.resize(22 + bytes, 0x80);
  return b;
}

// A BMP file of w x h pixels; negative h: top-down rows.
std::vector<Byte> MakeBmp(int w, int h, uint16_t bits, uint32_t used = 0) {
  const uint32_t colors = bits <= 8 ? (used ? used : 1u << bits) : 0;
  const uint32_t offset = 14 + 40 + colors * 4;
  const uint64_t rows = uint64_t(h < 0 ? -h : h);
  std::vector<Byte> b{'B', 'M'};
  Put32(b, uint32_t(offset + Stride(w, bits) * rows));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, uint32_t(w));
  Put32(b, uint32_t(h));
  Put16(b, 1);
  Put16(b, bits);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, used);
  Put32(b, 0);
  b.resize(offset + Stride(w, bits) * rows, 0x40);
  return b;
}

struct Mutation {
  const char* What;
  size_t At;
  int Size;  // 1, 2 or 4 bytes; 0: cut the data to At bytes
  uint32_t Value;
};

std::vector<Byte> Mutated(std::vector<Byte> b, const Mutation& m) {
  if (m.Size == 0) {
    b.resize(m.At);
    return b;
  }
  for (int i = 0; i < m.Size; ++i) b[m.At + i] = Byte(m.Value >> (8 * i));
  return b;
}

template <class Check>
void ExpectInvalid(const std::vector<Byte>& b, Check check, const char16_t* text, const char* what) {
  try {
    check(b.data(), b.size());
    ADD_FAILURE() << what << ": accepted";
  } catch (const EInvalidGraphic& e) { EXPECT_EQ(e.Message(), text) << what; }
}

}  // namespace

TEST(UntrustedImageData, WellFormedIconsPass) {
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    const std::vector<Byte> ico = MakeIco(16, 16, bits);
    EXPECT_NO_THROW(CheckIcoData(ico.data(), ico.size())) << bits;
    TMemoryStream s;
    s.WriteBuffer(ico.data(), static_cast<Integer>(ico.size()));
    s.SetPosition(0);
    TIcon icon;
    EXPECT_NO_THROW(icon.LoadFromStream(s));
  }
  const std::vector<Byte> big = MakeIco(256, 256, 32);  // 0 in the directory means 256
  EXPECT_NO_THROW(CheckIcoData(big.data(), big.size()));

  // A PNG image inside an icon.
  testpng::Image img = testpng::RandomImage(32, 32, 6, 8, 7);
  const testpng::Bytes png = testpng::Encode(img);
  std::vector<Byte> withPng;
  Put16(withPng, 0);
  Put16(withPng, 1);
  Put16(withPng, 1);
  withPng.insert(withPng.end(), {32, 32, 0, 0});
  Put16(withPng, 1);
  Put16(withPng, 32);
  Put32(withPng, uint32_t(png.size()));
  Put32(withPng, 22);
  withPng.insert(withPng.end(), png.begin(), png.end());
  EXPECT_NO_THROW(CheckIcoData(withPng.data(), withPng.size()));
  ExpectInvalid(Mutated(withPng, {"PNG too wide", 22 + 16, 4, 0x00100000}), CheckIcoData, u"Invalid icon", "png width");
  ExpectInvalid(Mutated(withPng, {"no IHDR", 22 + 12, 1, 'X'}), CheckIcoData, u"Invalid icon", "png IHDR");
}

// Every header field of an icon is checked before any reader sees it.
TEST(UntrustedImageData, HostileIconsAreRejected) {
  const std::vector<Byte> ico = MakeIco(16, 16, 8);
  const Mutation cases[] = {
      {"reserved", 0, 2, 1},
      {"type", 2, 2, 2},
      {"no images", 4, 2, 0},
      {"directory past the end", 4, 2, 0xFFFF},
      {"planes", 10, 2, 2},
      {"bit count", 12, 2, 7},
      {"no bytes", 14, 4, 0},
      {"bytes past the end", 14, 4, 0xFFFFFFF0},
      {"offset in the directory", 18, 4, 6},
      {"offset past the end", 18, 4, 0x7FFFFFFF},
      {"header size", 22, 4, 12},
      {"header larger than the image", 22, 4, 0x10000},
      {"width 0", 26, 4, 0},
      {"width negative", 26, 4, 0xFFFFFFF0},
      {"width 257", 26, 4, 257},
      {"height 0", 30, 4, 0},
      {"height negative", 30, 4, 0xFFFFFFE0},
      {"height 1024", 30, 4, 1024},
      {"image planes", 34, 2, 0},
      {"image bit count", 36, 2, 2},
      {"compressed", 38, 4, 1},
      {"bit fields", 38, 4, 3},
      {"too many colours", 54, 4, 257},
      {"cut short", 22 + 40 + 1024 + 16 * 16, 0, 0},
      {"shorter than a directory", 21, 0, 0},
  };
  for (const Mutation& m : cases) ExpectInvalid(Mutated(ico, m), CheckIcoData, u"Invalid icon", m.What);
  // A 32-bit image may carry an optimising colour table, but not a larger one than 256.
  const std::vector<Byte> deep = MakeIco(16, 16, 32);
  ExpectInvalid(Mutated(deep, {"colours of a deep image", 54, 4, 300}), CheckIcoData, u"Invalid icon", "deep");
  ExpectInvalid(Mutated(deep, {"colours past the end", 54, 4, 200}), CheckIcoData, u"Invalid icon", "deep 2");
}

TEST(UntrustedImageData, WellFormedBitmapsPassAndLoad) {
  const std::vector<Byte> files[] = {MakeBmp(3, 2, 32), MakeBmp(5, -3, 24), MakeBmp(9, 4, 8, 3), MakeBmp(7, 1, 4),
                                     MakeBmp(33, 2, 1)};
  for (const auto& f : files) {
    EXPECT_NO_THROW(CheckBmpData(f.data(), f.size()));
    TMemoryStream s;
    s.WriteBuffer(f.data(), static_cast<Integer>(f.size()));
    s.SetPosition(0);
    TBitmap bmp;
    EXPECT_NO_THROW(bmp.LoadFromStream(s));
  }
  // What the bitmap itself writes passes too.
  TBitmap bmp(4, 3, pf32bit);
  TMemoryStream s;
  bmp.SaveToStream(s);
  EXPECT_NO_THROW(CheckBmpData(s.Memory(), static_cast<size_t>(s.GetSize())));
}

TEST(UntrustedImageData, HostileBitmapsAreRejected) {
  const std::vector<Byte> bmp8 = MakeBmp(9, 4, 8, 3);
  const Mutation cases[] = {
      {"magic", 0, 1, 'X'},
      {"info size 12", 14, 4, 12},
      {"info size 200", 14, 4, 200},
      {"info past the end", 14, 4, 124},
      {"width 0", 18, 4, 0},
      {"width negative", 18, 4, 0x80000000},
      {"height 0", 22, 4, 0},
      {"height minimum", 22, 4, 0x80000000},
      {"planes", 26, 2, 2},
      {"16 bits", 28, 2, 16},
      {"3 bits", 28, 2, 3},
      {"run-length", 30, 4, 1},
      {"masks of 8 bits", 30, 4, 3},
      {"too many colours", 46, 4, 257},
      {"pixels inside the headers", 10, 4, 14 + 40},
      {"pixels past the end", 10, 4, 0x7FFFFFFF},
      {"rows past the end", 22, 4, 5},
      {"huge", 18, 4, 1 << 20},
      {"cut short", 14 + 40 + 12 + 12 * 4 - 1, 0, 0},
      {"shorter than the headers", 53, 0, 0},
  };
  for (const Mutation& m : cases) ExpectInvalid(Mutated(bmp8, m), CheckBmpData, u"Bitmap image is not valid", m.What);
  // 65536 x 65536 would be 16 GiB: refused before anything is allocated.
  ExpectInvalid(Mutated(MakeBmp(1, 1, 32), {"huge 32", 22, 4, 1u << 16}), CheckBmpData, u"Bitmap image is not valid",
                "huge");
}

// ---- 3. Icon-font kernels --------------------------------------------------------------------

TEST(IconFontKernels, InkBecomesAlphaInTheGlyphColour) {
  TestPixels p(3, 1);
  p.At(0, 0) = 0xFF000000;  // black: full ink
  p.At(1, 0) = 0xFFFFFFFF;  // white: none
  p.At(2, 0) = 0xFF808080;  // grey 128: 255 - 128
  const TestPixels drawing = p;
  const uint32_t blue = 0xFF102030;  // a pixel value; its alpha byte is replaced
  InkToAlpha(p.View, blue, false, 0, true, 0);
  EXPECT_EQ(Hex(p.At(0, 0)), Hex(0xFF102030));
  EXPECT_EQ(Hex(p.At(1, 0)), Hex(0x00102030));
  EXPECT_EQ(Hex(p.At(2, 0)), Hex(0x7F102030));

  // A blend value of 222 at rest: 222 x 255 shr 8 = 221; opaque in any other state.
  TestPixels q = drawing;
  InkToAlpha(q.View, 0, false, 0, false, 222);
  EXPECT_EQ(Hex(q.At(0, 0)), Hex(0xDD000000));
  EXPECT_EQ(Hex(q.At(2, 0)), Hex(uint32_t(127 * 222 >> 8) << 24));
  EXPECT_EQ(aProcOpaque(0), 255);
  EXPECT_EQ(aProcBlended(0, 222), 221);
  EXPECT_EQ(aProcBlended(0xFFFFFF, 222), 0);
}

TEST(IconFontKernels, SecondColourMakesAVerticalGradient) {
  TestPixels p(2, 5, 0xFF000000);
  p.At(1, 2) = 0xFFFFFFFF;  // no ink: becomes 0
  InkToAlpha(p.View, 0x00000000, true, 0x00C86400, true, 0);
  // Red runs 0 .. 200 and green 0 .. 100 over 4 steps: 50 and 25 per row.
  for (int y = 0; y < 5; ++y) EXPECT_EQ(Hex(p.At(0, y)), Hex(MakePix(0, 25 * y, 50 * y, 255))) << y;
  EXPECT_EQ(p.At(1, 2), 0u);
  TestPixels one(1, 1, 0xFF000000);
  InkToAlpha(one.View, 0x00112233, true, 0x00FFFFFF, true, 0);
  EXPECT_EQ(Hex(one.At(0, 0)), Hex(0xFF112233));  // one row takes the first colour
  TestPixels odd(1, 3, 0xFF000000);
  InkToAlpha(odd.View, 0x00000000, true, 0x00000003, true, 0);
  // 0, 1.5, 3 rounded per row, halves to even.
  EXPECT_EQ(PixB(odd.At(0, 1)), 2);
}

TEST(IconFontKernels, AddedGlyphTakesItsInkAndCutsARingOutOfTheMainGlyph) {
  const Integer pad = 2;
  TestPixels target(10, 10, 0xFF0000FF);  // an opaque blue glyph everywhere
  TestPixels glyph(3, 3, 0xFFFFFFFF);
  glyph.At(1, 1) = 0xFF000000;
  glyph.At(1, 2) = 0xFF000000;  // the character's last row is left to the halo
  TestPixels halo(3 + 2 * pad, 3 + 2 * pad, 0xFFFFFFFF);
  halo.At(0, 0) = 0xFF000000;  // dark halo: full cut
  halo.At(1, 0) = 0xFFD5D5D5;  // 213: 6 x 213 - 1275 = 3
  halo.At(2, 0) = 0xFFFFFF00;  // blue byte 0 decides, whatever the rest
  halo.At(3, 3) = 0xFF000000;  // under the character's ink: the ink wins
  BlendAddedGlyph(target.View, TPoint(4, 4), glyph.View, halo.View, pad, 0x00FF0000, true, 0);
  // Halo (x, y) lands on target (4 + x - 2, 4 + y - 2).
  EXPECT_EQ(Hex(target.At(2, 2)), Hex(0x000000FF));
  EXPECT_EQ(Hex(target.At(3, 2)), Hex(0x030000FF));
  EXPECT_EQ(Hex(target.At(4, 2)), Hex(0x000000FF));
  // The ink: the mixing rule moves each byte towards the added colour by 255/256; alpha 255.
  EXPECT_EQ(Hex(target.At(5, 5)), Hex(MakePix(MixByte(0xFF, 0, 255), 0, MixByte(0, 0xFF, 255), 255)));
  EXPECT_EQ(Hex(target.At(5, 6)), Hex(0xFF0000FF));  // last character row: white halo, untouched
  EXPECT_EQ(Hex(target.At(9, 9)), Hex(0xFF0000FF));

  // Column 0 of the target is never touched.
  TestPixels edge(6, 6, 0xFF0000FF);
  TestPixels dark(3 + 2 * pad, 3 + 2 * pad, 0xFF000000);
  BlendAddedGlyph(edge.View, TPoint(1, 1), glyph.View, dark.View, pad, 0x00FF0000, true, 0);
  for (int y = 0; y < 6; ++y) EXPECT_EQ(Hex(edge.At(0, y)), Hex(0xFF0000FF)) << y;
  EXPECT_EQ(Hex(edge.At(1, 1)), Hex(0x000000FF));

  // Blended at rest: the ink weighted by the blend value; the colour moves by that weight.
  TestPixels soft(10, 10, 0xFF000000);
  BlendAddedGlyph(soft.View, TPoint(4, 4), glyph.View, halo.View, pad, 0x00FFFFFF, false, 128);
  const Byte c = MixByte(0, 0xFF, 127);
  EXPECT_EQ(Hex(soft.At(5, 5)), Hex(MakePix(c, c, c, 127)));
}

// ---- 4. Items and "ImgData" ------------------------------------------------------------------

namespace {

// Writes every published property of one item the way a form description carries it and
// reads it back into another.
void RoundTrip(const TsImgListItem& from, TsImgListItem& to, std::vector<Byte>* written = nullptr) {
  for (const TPropInfo* p : TsImgListItem::StaticClass().Properties()) {
    switch (p->Kind) {
      case TTypeKind::String: p->SetStr(to, p->GetStr(from)); break;
      case TTypeKind::Enumeration: p->SetOrd(to, p->GetOrd(from)); break;
      case TTypeKind::Binary: {
        TMemoryStream value;
        p->WriteData(from, value);
        if (written) *written = value.Bytes();
        value.SetPosition(0);
        p->ReadData(to, value);
        break;
      }
      default: ADD_FAILURE() << "unexpected property " << StringToUtf8(p->Name);
    }
  }
}

std::vector<Byte> BytesOf(const TsImgListItem& item) { return item.ImgData->Bytes(); }

}  // namespace

TEST(ImgListItem, ItemsRoundTripThroughImgData) {
  TsImgListItems items(nullptr), copy(nullptr);
  const testpng::Bytes png = testpng::Encode(testpng::RandomImage(48, 24, 6, 8, 3));
  const std::vector<Byte> ico = MakeIco(16, 16, 32);
  const std::vector<Byte> bmp = MakeBmp(3, 2, 32);
  struct Case {
    std::vector<Byte> Bytes;
    TsImageFormat Format;
    TPixelFormat PixelFormat;
  } cases[] = {{png, ifPNG, pf32bit}, {ico, ifICO, pf24bit}, {bmp, ifBMP32, pf32bit}};
  for (const Case& c : cases) {
    TsImgListItem* item = items.Add();
    item->ImgData->WriteBuffer(c.Bytes.data(), static_cast<Integer>(c.Bytes.size()));
    item->SetImageFormat(c.Format);
    item->SetPixelFormat(c.PixelFormat);
    item->SetImageName(u"arrow");
    item->SetText(u"文字");
    std::vector<Byte> written;
    TsImgListItem* back = copy.Add();
    RoundTrip(*item, *back, &written);
    EXPECT_EQ(written, c.Bytes);  // exactly the file's bytes, nothing around them
    EXPECT_EQ(BytesOf(*back), c.Bytes);
    EXPECT_EQ(back->ImgData->GetPosition(), 0);
    EXPECT_EQ(back->ImageFormat(), c.Format);
    EXPECT_EQ(back->PixelFormat(), c.PixelFormat);
    EXPECT_EQ(back->ImageName(), u"arrow");
    EXPECT_EQ(back->Text(), u"文字");
  }
  // Reading replaces the whole value.
  TsImgListItem* small = items.Add();
  small->ImgData->WriteBuffer("ab", 2);
  RoundTrip(*small, *copy.Items(0));
  EXPECT_EQ(BytesOf(*copy.Items(0)), (std::vector<Byte>{'a', 'b'}));
  EXPECT_EQ(GetPropInfo(small, u"ImgData")->Kind, TTypeKind::Binary);
  EXPECT_EQ(GetPropInfo(small, u"PixelFormat")->Enum->NameOf(pf24bit), u"pf24bit");
  EXPECT_EQ(GetPropInfo(small, u"ImageFormat")->Enum->NameOf(ifBMP32), u"ifBMP32");
}

TEST(ImgListItem, AssignCopiesEverythingAndRewindsTheSource) {
  TsImgListItems items(nullptr);
  TsImgListItem* a = items.Add();
  a->ImgData->WriteBuffer("\x89PNGdata", 8);  // position left at the end
  a->SetImageFormat(ifICO);
  a->SetPixelFormat(pf24bit);
  a->SetImageName(u"n");
  a->SetText(u"t");
  a->OrigWidth = 48;
  a->OrigHeight = 24;
  TsImgListItem* b = items.Add();
  b->ImgData->WriteBuffer("old bytes that are longer", 25);
  b->CacheBmp = new TBitmap(2, 2);
  b->Assign(a);
  EXPECT_EQ(BytesOf(*b), BytesOf(*a));
  EXPECT_EQ(a->ImgData->GetPosition(), 0);
  EXPECT_EQ(b->ImageFormat(), ifICO);
  EXPECT_EQ(b->PixelFormat(), pf24bit);
  EXPECT_EQ(b->ImageName(), u"n");
  EXPECT_EQ(b->Text(), u"t");
  EXPECT_EQ(b->OrigWidth, 48);
  EXPECT_EQ(b->OrigHeight, 24);
  EXPECT_EQ(b->CacheBmp, nullptr);  // a cache of other data would be stale

  TsImgListItems copy(nullptr);
  copy.Assign(&items);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(BytesOf(*copy.Items(1)), BytesOf(*a));
}

// ---- 8. The cell of a state ------------------------------------------------------------------

TEST(GlyphCell, TheStateChoosesACellAndCountsBelowOneMeanOne) {
  struct Case {
    Integer Width, NumGlyphs, State;
    TRect Dst, Src;
  } cases[] = {
      {48, 3, 0, {5, 7, 21, 23}, {0, 0, 16, 16}},
      {48, 3, 1, {5, 7, 21, 23}, {16, 0, 32, 16}},
      {48, 3, 5, {5, 7, 21, 23}, {32, 0, 48, 16}},  // beyond the cells: the last one
      {48, 0, 2, {5, 7, 53, 23}, {0, 0, 48, 16}},   // no count: the whole image
      {48, -4, 0, {5, 7, 53, 23}, {0, 0, 48, 16}},
      {50, 3, 2, {5, 7, 21, 23}, {32, 0, 48, 16}},  // the cell width truncates
  };
  for (const Case& c : cases) {
    const TkvGlyphCell cell = GlyphCellOf(5, 7, c.Width, 16, c.NumGlyphs, c.State);
    EXPECT_EQ(cell.Dst, c.Dst) << c.NumGlyphs << " " << c.State;
    EXPECT_EQ(cell.Src, c.Src) << c.NumGlyphs << " " << c.State;
    EXPECT_EQ(cell.Size, TSize(c.Dst.Width(), 16));
  }
  EXPECT_THROW(GlyphCellOf(INT32_MAX, 0, 16, 16, 1, 0), EIntOverflow);
}
