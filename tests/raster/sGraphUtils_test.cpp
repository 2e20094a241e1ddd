#include "raster/Blend.h"
#include "raster/ColorTransforms.h"
#include "raster/GdiBitmaps.h"
#include "raster/Pixels.h"
#include "raster/Regions.h"
#include "raster/Resampling.h"
#include "raster/Shapes.h"
#include "raster/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "support/Pixels.h"

namespace {

// The mixing rule written from its definition, independently of the engine's helpers.
int RefMix(int d, int s, int a) { return ((s - d) * a + d * 256) / 256; }  // sum >= 0: / is floor

uint32_t Pix(int b, int g, int r, int a) {
  return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | uint32_t(a) << 24;
}
int B(uint32_t p) { return p & 0xFF; }
int G(uint32_t p) { return p >> 8 & 0xFF; }
int R(uint32_t p) { return p >> 16 & 0xFF; }
int A(uint32_t p) { return p >> 24; }

uint32_t RefMixRGB(uint32_t d, uint32_t s, int a, int alpha) {
  return Pix(RefMix(B(d), B(s), a), RefMix(G(d), G(s), a), RefMix(R(d), R(s), a), alpha);
}

// Runs every (d, s, a) byte triple through a row routine: the source row holds the 256
// colour values with alpha a, the destination row every d, so each call checks 256 x 256
// pairs; widths of 256 and 255 cover the four-pixel loop and its tail.
template <class Apply, class Ref>
void ForEveryTriple(Apply apply, Ref ref) {
  for (int width : {256, 255}) {
    // Two equal rows: the inclusive routines refuse a rectangle of one row.
    TestPixels src(width, 2), dst(width, 2);
    for (int a = 0; a < 256; ++a)
      for (int d = 0; d < 256; ++d) {
        for (int x = 0; x < width; ++x)
          for (int y = 0; y < 2; ++y) {
            src.At(x, y) = Pix(x, 255 - x, (x * 7) & 0xFF, a);
            dst.At(x, y) = Pix(d, d, 255 - d, (d * 13 + a) & 0xFF);
          }
        std::vector<uint32_t> before = dst.Mem;
        apply(dst.View, src.View, width);
        for (int i = 0; i < 2 * width; ++i) {
          uint32_t expect = ref(before[i], src.Mem[i]);
          if (dst.Mem[i] != expect) {
            ADD_FAILURE() << "d=" << Hex(before[i]) << " s=" << Hex(src.Mem[i]) << " got " << Hex(dst.Mem[i])
                          << " want " << Hex(expect);
            return;
          }
        }
      }
  }
}

}  // namespace

// ---- the numeric contract --------------------------------------------------------------------

TEST(MixRule, EveryByteTripleMatchesDefinition) {
  for (int d = 0; d < 256; ++d)
    for (int s = 0; s < 256; ++s)
      for (int a = 0; a < 256; ++a) ASSERT_EQ(MixByte(d, s, a), RefMix(d, s, a)) << d << " " << s << " " << a;
  EXPECT_EQ(MixByte(0, 255, 255), 254);  // an opaque white glyph pixel over black
  EXPECT_EQ(MixByte(77, 200, 0), 77);
  EXPECT_EQ(PercentToWeight(0), 255);
  EXPECT_EQ(PercentToWeight(50), 128);
  EXPECT_EQ(PercentToWeight(100), 0);
  EXPECT_EQ(PercentToWeight(250), 0);  // limited: the weight stays a byte
  EXPECT_EQ(PercentToWeight(-5), 255);
}

TEST(MixRule, CopyBmp32OverMatchesDefinitionForEveryTriple) {
  ForEveryTriple(
      [](const TPixelView& d, const TPixelView& s, int w) {
        CopyBmp32({0, 0, w, 2}, {0, 0, w, 2}, d, s, TBackdrop{}, false, clNone, 0, false);
      },
      [](uint32_t d, uint32_t s) { return RefMixRGB(d, s, A(s), std::max(A(d), A(s))); });
}

TEST(MixRule, CopyBmp32WithOpacityMatchesDefinitionForEveryTriple) {
  for (int blend : {1, 50, 99}) {
    const int w = 255 - blend * 255 / 100;
    ForEveryTriple(
        [&](const TPixelView& d, const TPixelView& s, int width) {
          CopyBmp32({0, 0, width, 2}, {0, 0, width, 2}, d, s, TBackdrop{}, false, clNone, blend, false);
        },
        [&](uint32_t d, uint32_t s) { return RefMixRGB(d, s, (A(s) * w) >> 8, A(d)); });
  }
}

TEST(MixRule, PaintBmpRect32MatchesDefinitionForEveryTriple) {
  for (int v : {255, 254, 128, 0}) {
    ForEveryTriple(
        [&](const TPixelView& d, const TPixelView& s, int w) {
          PaintBmpRect32(d, s, {0, 0, w - 1, 1}, {0, 0}, Byte(v));
        },
        [&](uint32_t d, uint32_t s) {
          int a = v == 255 ? A(s) : (v * A(s)) >> 8;
          return RefMixRGB(d, s, a, std::max(A(d), RefMix(A(d), a, a)));
        });
  }
}

TEST(MixRule, FadesMatchDefinitionForEveryTriple) {
  for (int a : {0, 1, 127, 128, 255}) {
    // SumBmpRect: every byte becomes ((d - s) * A + s * 256) >> 8.
    ForEveryTriple(
        [&](const TPixelView& d, const TPixelView& s, int w) {
          SumBmpRect(d, s, Byte(a), {0, 0, w - 1, 1}, {0, 0});
        },
        [&](uint32_t d, uint32_t s) {
          return Pix(RefMix(B(s), B(d), a), RefMix(G(s), G(d), a), RefMix(R(s), R(d), a), RefMix(A(s), A(d), a));
        });
    // SumBitmaps: the colours of the first take ((s - m) * A + m * 256) >> 8, alpha kept.
    ForEveryTriple([&](const TPixelView& d, const TPixelView& s, int) { SumBitmaps(d, s, Byte(a)); },
                   [&](uint32_t d, uint32_t s) { return RefMixRGB(s, d, a, A(d)); });
  }
}

TEST(MixRule, MaskHalfCopyMatchesDefinitionForEveryTriple) {
  // Picture row 0 (every source byte), mask row 1 (one mask value per channel): for each mask
  // byte m and destination byte d, ((d - s) * m + s * 256) >> 8 per colour, alpha kept.
  for (int width : {256, 255}) {
    TestPixels img(width, 2);
    for (int m = 0; m < 256; ++m) {
      for (int x = 0; x < width; ++x) {
        img.At(x, 0) = Pix(x, 255 - x, (x * 5) & 0xFF, x);
        img.At(x, 1) = Pix(m, 255 - m, (m * 3) & 0xFF, 0);
      }
      img.At(7, 0) = kKeyPixel;  // a key pixel leaves the destination alone
      for (int d = 0; d < 256; d += 3) {
        TestPixels dst(width, 1, Pix(d, 255 - d, d / 2, 77));
        CopyByMaskHalf({0, 0, width, 1}, {0, 0, width, 1}, dst.View, img.View, TBackdrop{}, false, 2, 0, 0);
        for (int x = 0; x < width; ++x) {
          const uint32_t s = img.At(x, 0), mk = img.At(x, 1), dp = Pix(d, 255 - d, d / 2, 77);
          const uint32_t want = s == kKeyPixel ? dp
                                               : Pix(RefMix(B(s), B(dp), B(mk)), RefMix(G(s), G(dp), G(mk)),
                                                     RefMix(R(s), R(dp), R(mk)), 77);
          ASSERT_EQ(dst.At(x, 0), want) << "m=" << m << " d=" << d << " x=" << x;
        }
      }
    }
  }
}

TEST(MixRule, FadeEndsAtItsTargetAndFullWeightCopyEqualsSource) {
  TestRandom rnd(7);
  TestPixels from(37, 5), to(37, 5);
  FillRandom(from, rnd);
  FillRandom(to, rnd);
  TestPixels step = from;
  SumBitmaps(step.View, to.View, 0);            // weight 0 of the old picture: the last step of a fade
  for (size_t i = 0; i < step.Mem.size(); ++i)  // the colours of the target, the alpha kept
    ASSERT_EQ(step.Mem[i], (to.Mem[i] & 0xFFFFFF) | (from.Mem[i] & 0xFF000000u)) << i;
  TestPixels copy(37, 5, 0x12345678);
  SumBmpRect(copy.View, to.View, 0, {0, 0, 36, 4}, {0, 0});
  EXPECT_EQ(copy.Mem, to.Mem);
  TestPixels keep = from;
  SumBmpRect(keep.View, to.View, 255, {0, 0, 36, 4}, {0, 0});
  for (size_t i = 0; i < keep.Mem.size(); ++i)  // 255 keeps the old content up to the one-step loss
    for (int sh = 0; sh < 32; sh += 8)
      EXPECT_LE(std::abs(int(keep.Mem[i] >> sh & 0xFF) - int(from.Mem[i] >> sh & 0xFF)), 1);
}

// ---- bitmaps, rows, colours --------------------------------------------------------------------

TEST(Bitmaps, CreateBmp32SizesAndRows) {
  std::unique_ptr<TBitmap> a(CreateBmp32(-5, 10));
  EXPECT_EQ(a->Width(), 0);
  EXPECT_EQ(a->Height(), 0);
  std::unique_ptr<TBitmap> b(CreateBmp32(TRect{10, 0, 4, 3}));
  EXPECT_EQ(b->Width(), 0);
  std::unique_ptr<TBitmap> c(CreateBmp32(100000, 100000));  // refused by the platform: 0 x 0
  EXPECT_EQ(c->Width(), 0);
  std::unique_ptr<TBitmap> d(CreateBmp32(TSize{3, 1}));
  EXPECT_EQ(d->PixelFormat(), pf32bit);
  EXPECT_TRUE(d->IgnorePalette());
  void* line0 = nullptr;
  Integer delta = 99;
  ASSERT_TRUE(InitLine(d.get(), line0, delta));
  EXPECT_EQ(delta, 0);  // one row
  std::unique_ptr<TBitmap> e(CreateBmp32(3, 2));
  ASSERT_TRUE(InitLine(e.get(), line0, delta));
  EXPECT_EQ(delta, -12);
  EXPECT_FALSE(InitLine(a.get(), line0, delta));
  // Rows without columns: reachable (only the height is asked), at no address.
  std::unique_ptr<TBitmap> narrow(CreateBmp32(0, 5));
  ASSERT_EQ(narrow->Height(), 5);
  line0 = &delta;
  delta = 99;
  EXPECT_TRUE(InitLine(narrow.get(), line0, delta));
  EXPECT_EQ(line0, nullptr);
  EXPECT_EQ(delta, 0);
  SetAPixel(e.get(), 2, 1, 0x80FF0000);
  EXPECT_EQ(GetAPixel(e.get(), 2, 1), 0x80FF0000u);
}

TEST(Bitmaps, ColourValues) {
  EXPECT_EQ(SwapRedBlue(0x11223344), 0x11443322u);
  EXPECT_EQ(SwapColor(0x0000FF), 0xFF0000u);
  EXPECT_EQ(SwapLong(0x11223344u), 0x44332211u);
  Cardinal vals[2] = {0x01020304, 0xA0B0C0D0};
  SwapLong(vals, 2);
  EXPECT_EQ(vals[1], 0xD0C0B0A0u);
  EXPECT_EQ(BlendColors(0xFFFFFF, 0xFFFFFF, 77), 0xFEFEFEu);  // c * 255 >> 8
  EXPECT_EQ(BlendColors(0x7F000010, 0x0000F0, 255), 0x7F00000Fu);
  uint32_t cells[4] = {1, 1, 1, 1};
  FillLongword(cells, 3, 9);
  FillLongword(cells, 0, 5);
  EXPECT_EQ(cells[2], 9u);
  EXPECT_EQ(cells[3], 1u);
  EXPECT_EQ(SwapInteger(0x0000FF), 0xFF0000);
  EXPECT_EQ(SwapInteger(0x00FF00), 0x00FF00);
}

TEST(Rects, FillAndBlendRectangles) {
  struct Case {
    const char* name;
    TRect r;
    int changed;
  } cases[] = {
      {"negative origin", {-3, -3, 2, 2}, 4},
      {"past the edges", {8, 8, 20, 20}, 4},
      {"empty", {5, 5, 5, 9}, 0},
  };
  for (auto& c : cases) {
    TestPixels p(10, 10);
    FillRect32(p.View, c.r, 0x0000FF, 0x80);
    int n = 0;
    for (uint32_t v : p.Mem) n += v == 0x80FF0000u;
    EXPECT_EQ(n, c.changed) << c.name;
  }
  // Inclusive: (2, 2, 5, 5) covers columns and rows 2 to 5.
  TestPixels q(10, 10, Pix(100, 100, 100, 7));
  BlendColorRect(q.View, {2, 2, 5, 5}, 0, 0x0000FF);
  int n = 0;
  for (uint32_t v : q.Mem) n += v != Pix(100, 100, 100, 7);
  EXPECT_EQ(n, 16);
  EXPECT_EQ(q.At(2, 2), Pix(0, 0, 254, 7));  // the colour's red reaches the pixel's red
  TestPixels all(10, 10, Pix(100, 100, 100, 7));
  BlendColorRect(all.View, {0, 0, 10, 10}, 0, 0);
  for (uint32_t v : all.Mem) EXPECT_EQ(v, Pix(0, 0, 0, 7));
  // BlendRect32: c - (c - k) * v / 100 truncating toward zero; alpha set.
  TestPixels br(2, 1, Pix(10, 200, 0, 0));
  BlendRect32(br.View, {0, 0, 1, 1}, 0x0000FF, 33, 200);
  EXPECT_EQ(br.At(0, 0), Pix(10 - (10 * 33) / 100, 200 - (200 * 33) / 100, 0 - (-255 * 33) / 100, 200));
  EXPECT_EQ(br.At(1, 0), Pix(10, 200, 0, 0));
}

TEST(Rects, FillAlphaRectSkipsKeyAndExcluded) {
  TestPixels p(4, 2, 0x00112233);
  p.At(0, 0) = kKeyPixel;
  p.At(1, 0) = 0xFFFF00FF;
  std::vector<TRect> ex{{3, 0, 4, 1}};
  FillAlphaRect(p.View, {-1, 0, 9, 1}, 0x40, clFuchsia, ex.data(), ex.size());
  EXPECT_EQ(p.At(0, 0), kKeyPixel);
  EXPECT_EQ(p.At(1, 0), 0x40FF00FFu);
  EXPECT_EQ(p.At(2, 0), 0x40112233u);
  EXPECT_EQ(p.At(3, 0), 0x00112233u);
  EXPECT_EQ(p.At(0, 1), 0x00112233u);
}

TEST(Bitmaps, AlphaChannelRepairAndMasks) {
  std::unique_ptr<TBitmap> bmp(CreateBmp32(3, 2));
  TPixelView v = bmp->View();
  v.At(0, 1) = 0x00FF00FF;  // bottom-left: the transparent colour
  v.At(1, 1) = 0x00FF00FF;
  v.At(2, 0) = 0x00123456;
  CheckEmptyAChannel(bmp.get());
  EXPECT_EQ(v.At(1, 1), 0x00FF00FFu);
  EXPECT_EQ(v.At(2, 0), 0xFF123456u);
  EXPECT_EQ(v.At(0, 0), 0xFF000000u);
  v.At(2, 0) = 0x01000000;
  v.At(0, 0) = 0;
  CheckEmptyAChannel(bmp.get());  // one pixel of alpha 1: left alone
  EXPECT_EQ(v.At(0, 0), 0u);

  std::unique_ptr<TBitmap> masked(CreateBmp32(16, 33));
  TPixelView m = masked->View();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      m.At(x, y) = Pix(x, y, 9, 0);
      m.At(x, 16 + y) = Pix(0, 0, (x * 16) & 0xFF, 0);
    }
  std::unique_ptr<TBitmap> alpha(CreateAlphaBmp(masked.get(), {0, 0, 16, 33}));
  ASSERT_TRUE(alpha);
  EXPECT_EQ(alpha->Width(), 16);
  EXPECT_EQ(alpha->Height(), 16);
  EXPECT_EQ(alpha->View().At(3, 4), Pix(3, 4, 9, 255 - 48));
  EXPECT_EQ(CreateAlphaBmp(masked.get(), {0, 0, 17, 33}), nullptr);  // wider than the source
  // A picture that is not 32-bit is copied; its mask half gives no alpha.
  TBitmap plain(4, 8, pf24bit);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 4; ++x) {
      Byte* p = static_cast<Byte*>(plain.ScanLine(y)) + x * 3;
      p[0] = Byte(10 * x), p[1] = Byte(10 * y), p[2] = y < 4 ? 200 : 0;  // blue, green, red
    }
  std::unique_ptr<TBitmap> copied(CreateAlphaBmp(&plain, {1, 0, 4, 8}));
  ASSERT_TRUE(copied);
  EXPECT_EQ(copied->Width(), 3);
  EXPECT_EQ(copied->Height(), 4);
  EXPECT_EQ(copied->View().At(0, 0), Pix(10, 0, 200, 0));
  EXPECT_EQ(copied->View().At(2, 3), Pix(30, 30, 200, 0));
  std::unique_ptr<TBitmap> back(CreateMaskFromAlpha(alpha.get()));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Height(), 32);
  EXPECT_EQ(back->View().At(3, 20), Pix(48, 48, 48, 255));
  EXPECT_EQ(back->View().At(3, 4), Pix(3, 4, 9, 255 - 48));
}

// ---- compositing ---------------------------------------------------------------------------------

TEST(CopyBmp32, OpacityThresholdBackgroundAndTint) {
  // Blend 100: weight 0 leaves the destination's colours.
  TestPixels s(2, 1, Pix(200, 100, 50, 255)), d(2, 1, Pix(1, 2, 3, 4));
  CopyBmp32({0, 0, 2, 1}, {0, 0, 2, 1}, d.View, s.View, {}, false, clNone, 100, false);
  EXPECT_EQ(d.At(0, 0), Pix(1, 2, 3, 4));
  // The threshold applies only with a ready background: alpha 16 transparent, 17 blended.
  TestPixels bg(2, 1, Pix(9, 9, 9, 9));
  TBackdrop ci;
  ci.View = bg.View;
  ci.Ready = true;
  TestPixels s2(2, 1);
  s2.At(0, 0) = Pix(255, 255, 255, 16);
  s2.At(1, 0) = Pix(255, 255, 255, 17);
  TestPixels d2(2, 1, Pix(0, 0, 0, 50));
  CopyBmp32({0, 0, 2, 1}, {0, 0, 2, 1}, d2.View, s2.View, ci, true, clNone, 0, false);
  EXPECT_EQ(d2.At(0, 0), Pix(9, 9, 9, 50));  // background colour, alpha kept
  EXPECT_EQ(d2.At(1, 0), Pix(16, 16, 16, 50));
  TestPixels d3(1, 1, Pix(0, 0, 0, 0));
  CopyBmp32({0, 0, 1, 1}, {0, 0, 1, 1}, d3.View, s2.View, {}, false, clNone, 0, false);
  EXPECT_EQ(d3.At(0, 0), Pix(15, 15, 15, 16));  // blended without a background
  // Tint of dark red: T = (255, 127, 127); a white source (g = 253) targets (252, 125, 125).
  TestPixels w(1, 1, Pix(255, 255, 255, 255)), t(1, 1, Pix(0, 0, 0, 255));
  CopyBmp32({0, 0, 1, 1}, {0, 0, 1, 1}, t.View, w.View, {}, false, 0x000080, 0, false);
  EXPECT_EQ(t.At(0, 0), Pix(RefMix(0, 125, 255), RefMix(0, 125, 255), RefMix(0, 252, 255), 255));
}

TEST(CopyBmp32, ReflectionStaysInsideTheSourceRectangle) {
  // A 20-row glyph draws at most 9 mirrored rows.
  TestPixels src(4, 20, Pix(255, 255, 255, 255)), dst(4, 60, Pix(0, 0, 0, 0));
  CopyBmp32({0, 0, 4, 20}, {0, 0, 4, 20}, dst.View, src.View, {}, false, clNone, 0, true);
  int rows = 0;
  for (int y = 20; y < 60; ++y) rows += dst.At(0, y) != Pix(0, 0, 0, 0);
  EXPECT_EQ(rows, 8);  // r = 1..9, the last with weight 0
  // A 3-row rectangle in a 40-row source: only rows of the rectangle are mirrored, never
  // the rows above it (marked red here).
  TestPixels tall(2, 40, Pix(0, 0, 255, 255));
  for (int y = 10; y < 13; ++y) tall.At(0, y) = tall.At(1, y) = Pix(255, 0, 0, 255);
  TestPixels out(2, 40, 0);
  CopyBmp32({0, 0, 2, 3}, {0, 10, 2, 13}, out.View, tall.View, {}, false, clNone, 0, true);
  for (int y = 3; y < 40; ++y) EXPECT_EQ(R(out.At(0, y)), 0) << y;
  EXPECT_NE(out.At(0, 4), 0u);
}

TEST(Compositing, InclusiveRectanglesAndNegativeOrigins) {
  TestPixels src(20, 20, Pix(1, 1, 1, 255)), dst(20, 20, 0);
  SumBmpRect(dst.View, src.View, 0, {0, 0, 10, 10}, {0, 0});
  int n = 0;
  for (uint32_t v : dst.Mem) n += v != 0;
  EXPECT_EQ(n, 121);  // 11 x 11
  TestPixels d2(20, 20, 0);
  SumBmpRect(d2.View, src.View, 0, {5, 5, 5, 9}, {0, 0});
  for (uint32_t v : d2.Mem) EXPECT_EQ(v, 0u);
  PaintBmpRect32(d2.View, src.View, {5, 5, 5, 9}, {0, 0}, 255);
  n = 0;
  for (uint32_t v : d2.Mem) n += v != 0;
  EXPECT_EQ(n, 5);  // one column of 5 rows

  // PaintBmpRect32 at (-3, 0): source columns 3..9 land on 0..6.
  TestPixels cols(10, 10), d3(10, 10, Pix(0, 0, 0, 0));
  for (int x = 0; x < 10; ++x)
    for (int y = 0; y < 10; ++y) cols.At(x, y) = Pix(x * 20, 0, 0, 255);
  PaintBmpRect32(d3.View, cols.View, {0, 0, 9, 9}, {-3, 0}, 255);
  EXPECT_EQ(B(d3.At(0, 0)), RefMix(0, 60, 255));
  EXPECT_EQ(B(d3.At(6, 0)), RefMix(0, 180, 255));
  EXPECT_EQ(d3.At(7, 0), 0u);

  // Key-colour copies at X = -2 start with the source's third column.
  for (int which = 0; which < 3; ++which) {
    TestPixels d4(10, 10, 0);
    if (which == 0) BlendTransRectangle(d4.View, -2, 0, cols.View, {0, 0, 9, 9}, 0, kKeyPixel);
    if (which == 1) CopyTransRect(d4.View, cols.View, -2, 0, {0, 0, 9, 9}, kKeyPixel, TBackdrop{}, false, false);
    if (which == 2) CopyTransRectA(d4.View, cols.View, -2, 0, {0, 0, 9, 9}, clFuchsia, 0);
    // Blend 0 is the destination's weight: (s * 255 + d * 0) >> 8.
    EXPECT_EQ(B(d4.At(0, 0)), which == 0 ? (40 * 255) >> 8 : 40) << which;
    EXPECT_EQ(B(d4.At(7, 9)), which == 0 ? (180 * 255) >> 8 : 180) << which;
    EXPECT_EQ(d4.At(8, 0), 0u) << which;
  }
  TestPixels d5(10, 10, 0);
  CopyTransBitmaps(d5.View, cols.View, -4, -4, clNone);
  EXPECT_EQ(B(d5.At(0, 0)), 80);
  EXPECT_EQ(A(d5.At(5, 5)), 255);
  EXPECT_EQ(d5.At(6, 0), 0u);
}

TEST(Compositing, HostileRectanglesStayInsideTheBitmaps) {
  // Any rectangle, point or size: no access outside (AddressSanitizer watches) and no change
  // outside the destination's own pixels.
  TestRandom rnd(99);
  TestPixels src(7, 5);
  GuardedPixels dst(6, 9);
  FillRandom(src, rnd);
  const TestPixels srcBefore = src;
  const int big = 0x7FFFFFF0;
  const TRect rects[] = {{-big, -big, big, big}, {5, 3, -2, 40}, {-3, -3, 2, 2},
                         {6, 4, 9, 9},           {0, 0, 0, 0},   {big, big, -big, -big}};
  const TPoint points[] = {{-big, 0}, {0, big}, {-2, -2}, {5, 8}, {big, big}};
  for (const TRect& r : rects)
    for (const TPoint& p : points) {
      PaintBmpRect32(dst.View, src.View, r, p, 200);
      SumBmpRect(dst.View, src.View, 9, r, p);
      PaintTranspBmpRect32(dst.View, src.View, src.View, 0, r, p, p, 10);
      PaintTranspBmpRect32(dst.View, src.View, {}, 0, r, p, {0, 0}, 255);
      BlendTransRectangle(dst.View, p.X, p.Y, src.View, r, 3, 0);
      CopyTransRect(dst.View, src.View, p.X, p.Y, r, 0, TBackdrop{src.View, p.X, p.Y, 0, true}, true, false);
      CopyTransRectA(dst.View, src.View, p.X, p.Y, r, 0, 5);
      CopyTransBitmaps(dst.View, src.View, p.X, p.Y, 0);
      CopyBmp32(r, {p.X, p.Y, r.Right, r.Bottom}, dst.View, src.View, TBackdrop{src.View, p.X, p.Y, 0, true}, true,
                0x000080, 30, true);
      CopyBmp32({p.X, p.Y, r.Right, r.Bottom}, r, dst.View, src.View, {}, false, clNone, 0, true);
      CopyByMaskAlpha(r, {p.X, p.Y, r.Right, r.Bottom}, dst.View, src.View, TBackdrop{src.View, 0, 0, 0, true}, true);
      CopyByMaskHalf(r, {p.X, p.Y, r.Right, r.Bottom}, dst.View, src.View, TBackdrop{src.View, p.X, p.Y, 0, true}, true,
                     p.Y, 16, 1);
      StretchBmpRect32(dst.View, p.X, p.Y, 5, 300, src.View, r.Left, r.Top, 3, 2, 255);
      StretchBmpRect32(dst.View, r.Left, r.Top, 3, 3, src.View, p.X, p.Y, 100, 1, 128);
      CopyPixels(dst.View, p.X, p.Y, src.View, r);
      StretchNearest(dst.View, r, src.View, {p.X, p.Y, r.Right, r.Bottom});
      FillRect32(dst.View, r, 0x123456, 1);
      BlendColorRect(dst.View, r, 4, 0x123456);
      BlendRect32(dst.View, r, 0x123456, 250, 3);
      ASSERT_EQ(dst.ChangedMarginPixels(), 0)
          << "rect " << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << " point " << p.X << "," << p.Y;
    }
  EXPECT_EQ(src.Mem, srcBefore.Mem);  // the source is only read
}

TEST(Compositing, ABackdropOffsetNearTheIntegerLimitsAnswersNothing) {
  TestPixels bg(4, 4);
  auto at = [&](Integer offX, Integer offY, Integer x, Integer y) {
    return TBackdrop{bg.View, offX, offY, 0, true}.At(x, y);
  };
  const Integer big = INT32_MAX, small = INT32_MIN;
  EXPECT_EQ(at(big, 0, 3, 0), nullptr);
  EXPECT_EQ(at(0, big, 0, 1), nullptr);
  EXPECT_EQ(at(small, 0, -1, 0), nullptr);
  EXPECT_EQ(at(0, small, 0, -2), nullptr);
  // A large offset taken back by the point still finds its pixel.
  EXPECT_EQ(at(big, 2, -big + 3, 1), bg.View.Row(3) + 3);
}

TEST(Compositing, MaskHalfCopyFollowsItsTable) {
  // Picture row 0, mask row 1 of a 3 x 2 image.
  TestPixels img(3, 2);
  img.At(0, 0) = kKeyPixel;
  img.At(1, 0) = Pix(200, 100, 0, 0);
  img.At(2, 0) = Pix(200, 100, 0, 255);
  img.At(0, 1) = img.At(1, 1) = img.At(2, 1) = Pix(0, 0, 0, 255);  // black: the source whole
  auto run = [&](bool ready, bool update, int drawMode, int cfg, TColor fill) {
    TestPixels dst(3, 1, Pix(10, 20, 30, 40));
    TestPixels bg(3, 1, Pix(7, 7, 7, 7));
    TBackdrop ci;
    ci.View = bg.View;
    ci.Ready = ready;
    ci.FillColor = fill;
    CopyByMaskHalf({0, 0, 3, 1}, {0, 0, 3, 1}, dst.View, img.View, ci, update, 2, drawMode, cfg);
    return dst;
  };
  auto t = run(false, true, 0, 1, 0x0000FF);  // key pixel: the fill colour, alpha from its high byte
  EXPECT_EQ(t.At(0, 0), Pix(0, 0, 255, 0));
  EXPECT_EQ(t.At(1, 0), Pix(200, 100, 0, 40));  // black mask: the source exactly
  t = run(false, true, 0, 0, 0x0000FF);         // Cfg clear: alpha 0 decides
  EXPECT_EQ(t.At(1, 0), Pix(0, 0, 255, 0));
  t = run(false, false, 0, 1, 0x0000FF);
  EXPECT_EQ(t.At(0, 0), Pix(10, 20, 30, 40));
  t = run(true, true, 0, 1, 0);
  EXPECT_EQ(t.At(0, 0), Pix(7, 7, 7, 7));  // the whole background pixel
  EXPECT_EQ(t.At(1, 0), Pix(200, 100, 0, 255));
  t = run(true, true, 16, 0, 0);  // alpha image
  EXPECT_EQ(t.At(1, 0), Pix(7, 7, 7, 7));
  EXPECT_EQ(t.At(2, 0), Pix(RefMix(200, 10, 0), RefMix(100, 20, 0), RefMix(0, 30, 0), 255));
  t = run(true, false, 0, 0, 0);
  EXPECT_EQ(A(t.At(0, 0)), 255);
}

TEST(Compositing, StretchResamplesExactlyTheRequestedRectangle) {
  // A 6 x 6 picture whose top-left 2 x 2 is white and the rest red: resampling only that
  // rectangle (origin 0, 0) may not bring any red in.
  TestPixels src(6, 6, Pix(0, 0, 255, 255));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) src.At(x, y) = Pix(255, 255, 255, 255);
  TestPixels dst(8, 8, Pix(0, 0, 0, 255));
  StretchBmpRect32(dst.View, 0, 0, 8, 8, src.View, 0, 0, 2, 2, 255);
  for (uint32_t v : dst.Mem) EXPECT_EQ(B(v), G(v)) << Hex(v);
  // The whole picture goes through the filtered resampler: equal to Stretch into a temporary.
  TestPixels whole(12, 12), ref(12, 12, Pix(0, 0, 0, 255)), direct(12, 12, Pix(0, 0, 0, 255));
  StretchView(src.View, whole.View, ftMitchell);
  PaintBmpRect32(ref.View, whole.View, {0, 0, 11, 11}, {0, 0}, 255);
  StretchBmpRect32(direct.View, 0, 0, 12, 12, src.View, 0, 0, 6, 6, 255);
  EXPECT_EQ(direct.Mem, ref.Mem);
}

TEST(Compositing, ChannelsMasksAndTransBlends) {
  TestPixels a(2, 2, Pix(1, 2, 3, 4)), b(3, 3, Pix(9, 8, 7, 6));
  CopyChannel32(a.View, b.View, 3);
  EXPECT_EQ(a.At(1, 1), Pix(1, 2, 3, 6));
  CopyChannel32(a.View, b.View, 7);  // no such channel
  EXPECT_EQ(a.At(1, 1), Pix(1, 2, 3, 6));
  std::vector<Byte> bytes(4, 0);
  TBytePixelView v8{bytes.data(), 2, 2, 2};
  CopyChannel(a.View, v8, 2, true);
  EXPECT_EQ(bytes[3], 3);
  bytes[0] = 200;
  CopyChannel(a.View, v8, 0, false);
  EXPECT_EQ(a.At(0, 0), Pix(200, 2, 3, 6));

  TestPixels pic(2, 1, Pix(100, 100, 100, 9)), msk(2, 1, 0);
  msk.At(0, 0) = Pix(255, 255, 255, 0);          // white keeps the picture
  BlendBmpByMask(pic.View, msk.View, 0x0000FF);  // black gives the colour (its red to red)
  EXPECT_EQ(pic.At(0, 0), Pix(RefMix(0, 100, 255), RefMix(0, 100, 255), RefMix(255, 100, 255), 9));
  EXPECT_EQ(pic.At(1, 0), Pix(0, 0, 255, 9));

  TestPixels t(2, 1, Pix(100, 0, 0, 5));
  t.At(1, 0) = kKeyPixel;
  BlendTransBitmap(t.View, 128, 0xFF0000);
  EXPECT_EQ(t.At(0, 0), Pix((100 * 128 + 255 * 127) >> 8, 0, 0, 5));
  EXPECT_EQ(t.At(1, 0), kKeyPixel);

  TestPixels s1(2, 1, Pix(200, 200, 200, 1)), s2(2, 1, Pix(0, 0, 0, 2)), d(3, 1, Pix(5, 5, 5, 77));
  SumBitmapsByMask(d.View, s1.View, s2.View, {}, 64);
  EXPECT_EQ(d.At(0, 0), Pix(50, 50, 50, 77));
  EXPECT_EQ(d.At(2, 0), Pix(5, 5, 5, 77));
  TestPixels m(2, 1, Pix(255, 0, 128, 0));
  SumBitmapsByMask(d.View, s1.View, s2.View, m.View, 64);
  EXPECT_EQ(d.At(0, 0), Pix(RefMix(0, 200, 255), 0, 100, 77));
}

// ---- colour transforms -------------------------------------------------------------------------

TEST(ColourTransforms, TheArithmeticOfEachChange) {
  EXPECT_EQ(ChangeBrightness(0x808080, 64), 0xA0A0A0u);
  EXPECT_EQ(ChangeBrightness(0xC8C8C8, 128), 0xFFFFFFu);
  EXPECT_EQ(ChangeBrightness(0x808080, -64), 0x606060u);
  EXPECT_EQ(ChangeBrightness(0x12FFFFFF, -256), 0x12000000u);
  EXPECT_EQ(ChangeBrightness(0xFFFFFF, INT32_MIN), 0u);
  EXPECT_EQ(ChangeSaturationPixel(-255, Pix(0, 0, 255, 9)), Pix(75, 75, 75, 9));
  EXPECT_EQ(ChangeSaturationPixel(-229, Pix(0, 0, 255, 0)), Pix(67, 67, 93, 0));
  EXPECT_EQ(ChangeSaturationPixel(100, Pix(50, 100, 200, 0)), Pix(20, 90, 228, 0));
  EXPECT_EQ(ChangeSaturation(0x123456u, 0), 0x123456u);
  EXPECT_EQ(ChangeHuePixel(120, Pix(0, 0, 255, 3)), Pix(0, 255, 0, 3));
  EXPECT_EQ(ChangeHuePixel(-240, Pix(0, 0, 255, 3)), Pix(0, 255, 0, 3));
  EXPECT_EQ(ChangeHuePixel(0, Pix(0, 128, 255, 0)), Pix(0, 127, 255, 0));  // the truncations
  EXPECT_EQ(ChangeHue(0, 0x0080FFu), 0x0080FFu);
  EXPECT_EQ(ChangeHue(120, 0x0000FFu), 0x00FF00u);  // red to green in colour order
  EXPECT_EQ(ChangeTonePixel(Pix(200, 50, 100, 7), 0x0000FF), Pix(0, 0, 199, 7));
  EXPECT_EQ(GrayOf(Pix(0, 0, 255, 0)), 76);
  // Exact halves go to the even neighbour: blue 250 gives 28.5, green 4 and blue 168 give 21.5.
  EXPECT_EQ(GrayOf(Pix(250, 0, 0, 0)), 28);
  EXPECT_EQ(GrayOf(Pix(168, 4, 0, 0)), 22);
  for (int r = 0; r < 256; r += 5)
    for (int g = 0; g < 256; g += 3)
      for (int b = 0; b < 256; b += 7) {
        double exact = (299.0 * r + 587.0 * g + 114.0 * b) / 1000.0;
        int want = static_cast<int>(std::nearbyint(exact));
        if (std::fabs(exact - std::floor(exact) - 0.5) > 1e-9) { ASSERT_EQ(GrayOf(Pix(b, g, r, 0)), want); }
      }
}

TEST(ColourTransforms, BitmapDriversSkipTheirColour) {
  TestPixels p(3, 1, Pix(0, 0, 255, 255));
  p.At(1, 0) = kKeyPixel;
  p.At(2, 0) = 0xFFFF00FF;
  ChangeBitmapPixels(p.View, ChangeColorSaturation, -255, SwapRedBlue(clFuchsia));
  EXPECT_EQ(p.At(0, 0), Pix(75, 75, 75, 255));
  EXPECT_EQ(p.At(1, 0), kKeyPixel);
  EXPECT_NE(p.At(2, 0), 0xFFFF00FFu);
  TestPixels g(2, 1, Pix(0, 0, 255, 4));
  g.At(1, 0) = 0x00808000;  // olive in pixel order, alpha 0
  GrayScale(g.View, SwapRedBlue(0x008080));
  EXPECT_EQ(g.At(0, 0), Pix(76, 76, 76, 4));
  EXPECT_EQ(g.At(1, 0), 0x00808000u);
  uint32_t px = 0x00123456;
  MakeAlphaPixel(px, 0);
  EXPECT_EQ(px, 0xFF123456u);
}

// ---- blur and resampling -----------------------------------------------------------------------

TEST(Blur, KernelsAreBoxes) {
  struct Case {
    double radius;
    int size;
  } cases[] = {{1, 1}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {100, 15}};
  for (auto c : cases) {
    TKernel k;
    MakeGaussianKernel(k, c.radius, 255, 1);
    EXPECT_EQ(k.Size, c.size) << c.radius;
    for (int j = -k.Size; j <= k.Size; ++j) EXPECT_NEAR(k.W(j), 1.0 / (2 * c.size + 1), 1e-12) << c.radius;
  }
  TKernel k;
  MakeGaussianKernel(k, 1, 255, 1);
  Byte row[5] = {0, 0, 255, 0, 0}, work[5];
  BlurRow8(row, 4, k, work);
  EXPECT_EQ(std::vector<Byte>(row, row + 5), (std::vector<Byte>{0, 85, 85, 85, 0}));
}

TEST(Blur, FastBoxEqualsTheDoublePrecisionDefinition) {
  TestRandom rnd(3);
  for (double radius : {0.3, 1.0, 2.5, 3.0, 4.0, 7.5, 12.0, 40.0}) {
    const int w = rnd.Range(1, 40), h = rnd.Range(1, 30);
    std::vector<Byte> img(size_t(w) * h), ref;
    for (auto& b : img) b = static_cast<Byte>(rnd.Next() >> 24);
    ref = img;
    TKernel k;
    MakeGaussianKernel(k, radius, 255, 1);
    std::vector<Byte> work(size_t(std::max(w, h)) + 1);
    std::vector<Byte> col(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) BlurRow8(&ref[size_t(y) * w], w - 1, k, work.data());
    for (int x = 0; x < w; ++x) {
      for (int y = 0; y < h; ++y) col[y] = ref[size_t(y) * w + x];
      BlurRow8(col.data(), h - 1, k, work.data());
      for (int y = 0; y < h; ++y) ref[size_t(y) * w + x] = col[y];
    }
    // Bottom-up rows, as a DIB (the blur is the same read in either row order).
    Blur8(TBytePixelView{img.data() + size_t(h - 1) * w, -w, w, h}, radius);
    EXPECT_EQ(img, ref) << radius;
  }
}

TEST(Blur, RadiusZeroOrLessAndOtherFormatsChangeNothing) {
  std::vector<Byte> img{0, 255, 0, 9, 0, 255};
  auto before = img;
  for (double r : {0.0, -3.0, std::nan("")}) {
    Blur8(TBytePixelView{img.data(), 3, 3, 2}, r);
    EXPECT_EQ(img, before);
  }
  TBitmap bmp32(3, 2, pf32bit);
  bmp32.View().At(1, 1) = 0xFFFFFFFF;
  Blur8(&bmp32, 2);
  EXPECT_EQ(bmp32.View().At(1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(bmp32.View().At(0, 1), 0u);
  TBitmap bmp8(3, 3, pf8bit);
  static_cast<Byte*>(bmp8.ScanLine(1))[1] = 255;
  Blur8(&bmp8, 1);
  EXPECT_EQ(static_cast<Byte*>(bmp8.ScanLine(0))[0], 28);  // 255 / 9, rounded
}

TEST(Resample, ContributorsOfTheEdgeCases) {
  TContributorTable c;
  CreateContributors(c, 8, 4, ftBox, 4);  // 4 -> 8 with the box
  ASSERT_EQ(c.Size(), 8);
  auto pixels = [&](int i) {
    std::vector<std::pair<int, int>> v;
    for (int k = c.Start[i]; k < c.Start[i + 1]; ++k) v.push_back({c.Data[k].Pixel / 4, c.Data[k].Weight});
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(pixels(0), (std::vector<std::pair<int, int>>{{0, 65536}}));
  EXPECT_EQ(pixels(1), (std::vector<std::pair<int, int>>{{0, 65536}}));  // Center 0.5 does not take pixel 1
  CreateContributors(c, 4, 8, ftTriangle, 4);                            // 8 -> 4: Scale2 0.5, AWidth 2
  auto w = [](double dist) { return static_cast<int>(std::nearbyint((1 - 0.5 * dist) * 0.5 * 65536)); };
  EXPECT_EQ(pixels(0), (std::vector<std::pair<int, int>>{{0, w(0)}, {1, w(1)}, {1, w(1)}}));
  // Lanczos on two pixels shrinking to one reaches far past both ends: every index stays inside.
  CreateContributors(c, 1, 2, ftLanczos3, 4);
  for (auto& e : c.Data) {
    EXPECT_GE(e.Pixel, 0);
    EXPECT_LE(e.Pixel, 4);
  }
  FreeContributors(c);
  EXPECT_EQ(c.Size(), 0);
}

TEST(Resample, StretchEdgeCasesAndEveryFilter) {
  TBitmap narrow(1, 5, pf32bit), out(3, 3, pf32bit);
  Stretch(&narrow, &out, 7, 7, ftMitchell);
  EXPECT_EQ(out.Width(), 3);  // a 1-pixel-wide source: nothing
  TBitmap src(4, 3, pf32bit);
  TestRandom rnd(5);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) src.View().At(x, y) = rnd.Next();
  Stretch(&src, &out, 4, 0, ftMitchell);
  EXPECT_EQ(out.Width(), 3);
  Stretch(&src, &out, 4, 3, ftMitchell);  // same size: a copy
  EXPECT_EQ(out.View().At(3, 2), src.View().At(3, 2));
  // Growing, the weights of each filter (but Lanczos) sum to one: a flat picture stays flat,
  // also resampled in place. Shrinking they are not normalised; sizes still hold.
  for (int f = ftBox; f <= ftMitchell; ++f)
    for (auto sz : {TSize{9, 7}, TSize{2, 1}, TSize{1, 1}, TSize{30, 2}}) {
      TBitmap flat(5, 4, pf32bit);
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) flat.View().At(x, y) = Pix(10, 100, 200, 255);
      Stretch(&flat, &flat, sz.cx, sz.cy, TFilterType(f));
      ASSERT_EQ(flat.Width(), sz.cx);
      ASSERT_EQ(flat.Height(), sz.cy);
      if (sz.cx < 5 || sz.cy < 4 || f == ftLanczos3) continue;
      for (int y = 0; y < sz.cy; ++y)
        for (int x = 0; x < sz.cx; ++x) {
          uint32_t p = flat.View().At(x, y);
          EXPECT_NEAR(B(p), 10, 2) << f;  // each pass truncates (shr 16)
          EXPECT_NEAR(R(p), 200, 2) << f;
        }
    }
  // A two-pixel source shrunk to one with Lanczos reads only its own pixels.
  TBitmap two(2, 2, pf32bit), one(1, 1, pf32bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) two.View().At(x, y) = Pix(0, 0, 0, 255);
  Stretch(&two, &one, 1, 1, ftLanczos3);
  EXPECT_EQ(B(one.View().At(0, 0)), 0);
}

TEST(Resample, NearestSamplesThePixelUnderEachCentre) {
  TestPixels src(3, 1);
  for (int x = 0; x < 3; ++x) src.At(x, 0) = uint32_t(x + 1);
  TestPixels dst(6, 1);
  StretchNearest(dst.View, {0, 0, 6, 1}, src.View, {0, 0, 3, 1});
  EXPECT_EQ(dst.Mem, (std::vector<uint32_t>{1, 1, 2, 2, 3, 3}));
  TestPixels small(2, 1);
  StretchNearest(small.View, {0, 0, 2, 1}, src.View, {0, 0, 3, 1});
  EXPECT_EQ(small.Mem, (std::vector<uint32_t>{1, 3}));
}
