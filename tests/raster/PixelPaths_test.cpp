// The vector path of the blend kernels (SSE2 groups of four in steps of sixteen, sorted by
// source alpha) and of the filtered resampler against the scalar pixel rule, and the compositor with a parent
// background against its rule written out here. Pictures mix every alpha class in runs of every length, so that steps
// of one class, steps split between classes and the pixels left at row ends all occur, at every alignment of the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "raster/Blend.h"
#include "raster/MaskImages.h"
#include "raster/Pixels.h"
#include "raster/Resampling.h"
#include "support/Pixels.h"

namespace {

// Alpha in runs: transparent, opaque, translucent, the threshold's edges (16, 17) and the key
// value, each run 1 to 20 pixels long.
void FillRuns(TestPixels& p, TestRandom& rnd) {
  size_t i = 0;
  while (i < p.Mem.size()) {
    const int kind = rnd.Range(0, 5), run = rnd.Range(1, 20);
    for (int k = 0; k < run && i < p.Mem.size(); ++k, ++i) {
      const uint32_t colour = rnd.Next() & 0xFFFFFF;
      switch (kind) {
        case 0: p.Mem[i] = colour; break;
        case 1: p.Mem[i] = colour | 0xFF000000u; break;
        case 2: p.Mem[i] = colour | uint32_t(rnd.Range(1, 254)) << 24; break;
        case 3: p.Mem[i] = colour | uint32_t(rnd.Range(16, 17)) << 24; break;
        case 4: p.Mem[i] = kKeyPixel; break;
        default: p.Mem[i] = rnd.Next(); break;
      }
    }
  }
}

// Runs f on a copy of `start` on each path; the two results must be the same bytes.
void ExpectPathsAgree(const TestPixels& start, const std::function<void(const TPixelView&)>& f, const char* what) {
  TestPixels vector = start, scalar = start;
  f(vector.View);
  {
    TPixelPathScope path(TPixelPath::Scalar);
    f(scalar.View);
  }
  for (size_t i = 0; i < vector.Mem.size(); ++i)
    if (vector.Mem[i] != scalar.Mem[i]) {
      ADD_FAILURE() << what << ": pixel " << i << " vector " << Hex(vector.Mem[i]) << " scalar " << Hex(scalar.Mem[i])
                    << " was " << Hex(start.Mem[i]);
      return;
    }
}

// Widths around the step and group sizes, and source and destination offsets of 0 to 3
// pixels, so that rows start at every alignment.
struct Shape {
  Integer width, srcX, dstX;
};
std::vector<Shape> Shapes() {
  std::vector<Shape> shapes;
  for (Integer w : {1, 3, 4, 5, 7, 8, 12, 15, 16, 17, 20, 24, 31, 32, 33, 47, 67})
    for (Integer off : {0, 1, 3}) shapes.push_back({w, off, (off * 2) % 4});
  return shapes;
}

int RefMix(int d, int s, int a) { return ((s - d) * a + d * 256) / 256; }
uint32_t RefMixColours(uint32_t d, uint32_t s, int a, uint32_t alpha) {
  return MakePix(RefMix(PixB(d), PixB(s), a), RefMix(PixG(d), PixG(s), a), RefMix(PixR(d), PixR(s), a), alpha);
}

}  // namespace

TEST(PixelPaths, ScalarScopeRestoresThePath) {
  EXPECT_TRUE(VectorPixels());
  {
    TPixelPathScope outer(TPixelPath::Scalar);
    EXPECT_FALSE(VectorPixels());
    {
      TPixelPathScope inner(TPixelPath::Vector);
      EXPECT_TRUE(VectorPixels());
    }
    EXPECT_FALSE(VectorPixels());
  }
  EXPECT_TRUE(VectorPixels());
}

TEST(PixelPaths, CopyBmp32OverAndOpacity) {
  TestRandom rnd(21);
  for (const Shape& sh : Shapes()) {
    TestPixels src(sh.width + 3, 3), dst(sh.width + 3, 3);
    FillRuns(src, rnd);
    FillRandom(dst, rnd);
    const TRect dr{sh.dstX, 0, sh.dstX + sh.width, 3}, sr{sh.srcX, 0, sh.srcX + sh.width, 3};
    for (Integer blend : {0, 30, 100})
      ExpectPathsAgree(
          dst, [&](const TPixelView& d) { CopyBmp32(dr, sr, d, src.View, TBackdrop{}, false, clNone, blend, false); },
          "CopyBmp32");
  }
}

TEST(PixelPaths, CopyBmp32OverTheBackgroundMatchesItsRule) {
  TestRandom rnd(22);
  for (const Shape& sh : Shapes())
    for (Integer bgX : {-5, 0, 2})
      for (bool updateTrans : {false, true})
        for (Integer blend : {0, 40}) {
          const Integer w = sh.width + 3;
          TestPixels src(w, 4), dst(w, 4), bg(w - 2, 3);  // the background lacks a row and columns
          FillRuns(src, rnd);
          FillRandom(dst, rnd);
          FillRandom(bg, rnd);
          const TBackdrop ci{bg.View, bgX, -1, clFuchsia, true};
          const TRect dr{sh.dstX, 0, sh.dstX + sh.width, 4}, sr{sh.srcX, 0, sh.srcX + sh.width, 4};
          auto run = [&](const TPixelView& d) {
            CopyBmp32(dr, sr, d, src.View, ci, updateTrans, clNone, blend, false);
          };
          ExpectPathsAgree(dst, run, "CopyBmp32 with background");

          // The rule: pixels transparent by threshold keep the destination or, asked to and
          // with a background pixel behind them, take its colours; the others blend.
          TestPixels want = dst, got = dst;
          const int weight = PercentToWeight(blend);
          for (Integer y = 0; y < 4; ++y)
            for (Integer x = 0; x < sh.width; ++x) {
              const uint32_t s = src.At(sh.srcX + x, y), d = dst.At(sh.dstX + x, y);
              uint32_t& out = want.At(sh.dstX + x, y);
              if (s == kKeyPixel || PixA(s) <= 16) {
                const Integer bx = bgX + sh.dstX + x, by = y - 1;
                if (updateTrans && bx >= 0 && by >= 0 && bx < bg.View.Width && by < bg.View.Height)
                  out = (bg.At(bx, by) & 0xFFFFFF) | (d & 0xFF000000u);
              } else if (blend == 0) {
                out = RefMixColours(d, s, PixA(s), std::max(PixA(d), PixA(s)));
              } else {
                out = RefMixColours(d, s, (PixA(s) * weight) >> 8, PixA(d));
              }
            }
          run(got.View);
          ASSERT_EQ(got.Mem, want.Mem) << "width " << sh.width << " bgX " << bgX << " updateTrans " << updateTrans
                                       << " blend " << blend;
        }
}

TEST(PixelPaths, CopyByMaskWithAndWithoutTheBackground) {
  TestRandom rnd(23);
  for (const Shape& sh : Shapes())
    for (bool ready : {false, true})
      for (bool updateTrans : {false, true}) {
        const Integer w = sh.width + 3;
        TestPixels src(w, 3), dst(w, 3), bg(w - 1, 3);
        FillRuns(src, rnd);
        FillRandom(dst, rnd);
        FillRandom(bg, rnd);
        const TBackdrop ci{bg.View, 1, 0, clFuchsia, ready};
        const TRect dr{sh.dstX, 0, sh.dstX + sh.width, 3}, sr{sh.srcX, 0, sh.srcX + sh.width, 3};
        ExpectPathsAgree(
            dst, [&](const TPixelView& d) { CopyByMaskAlpha(dr, sr, d, src.View, ci, updateTrans); }, "CopyByMask");
        // The over's alpha rule and the key pixels, on one row written out.
        TestPixels got = dst;
        CopyByMaskAlpha(dr, sr, got.View, src.View, ci, updateTrans);
        for (Integer x = 0; x < sh.width; ++x) {
          const uint32_t s = src.At(sh.srcX + x, 0), d = dst.At(sh.dstX + x, 0);
          uint32_t want = RefMixColours(d, s, PixA(s), PixA(d) + (((255 - PixA(d)) * PixA(s)) >> 8));
          if (ready && s == kKeyPixel)
            want = updateTrans && sh.dstX + x + 1 < bg.View.Width ? (bg.At(sh.dstX + x + 1, 0) | 0xFF000000u) : d;
          ASSERT_EQ(Hex(got.At(sh.dstX + x, 0)), Hex(want))
              << "x " << x << " ready " << ready << " update " << updateTrans;
        }
      }
}

TEST(PixelPaths, PaintAndFades) {
  TestRandom rnd(24);
  for (const Shape& sh : Shapes()) {
    TestPixels src(sh.width + 3, 3), dst(sh.width + 3, 3);
    FillRuns(src, rnd);
    FillRandom(dst, rnd);
    const TRect inclusive{sh.srcX, 0, sh.srcX + sh.width - 1, 2};
    for (int v : {255, 254, 128, 0})
      ExpectPathsAgree(
          dst,
          [&](const TPixelView& d) {
            PaintBmpRect32(d, src.View, inclusive, {sh.dstX, 0}, Byte(v));
          },
          "PaintBmpRect32");
    for (int a : {0, 1, 128, 255})
      ExpectPathsAgree(
          dst,
          [&](const TPixelView& d) {
            SumBmpRect(d, src.View, Byte(a), inclusive, {sh.dstX, 0});
          },
          "SumBmpRect");
    ExpectPathsAgree(
        dst, [&](const TPixelView& d) { SumBitmaps(d, src.View, 77); }, "SumBitmaps");
    ExpectPathsAgree(
        dst, [&](const TPixelView& d) { PaintBmp32(d, src.View); }, "PaintBmp32");
  }
}

TEST(PixelPaths, MaskHalfTiles) {
  TestRandom rnd(25);
  for (const Shape& sh : Shapes()) {
    TestPixels img(sh.width + 3, 4), dst(sh.width + 3, 2);
    FillRuns(img, rnd);
    FillRandom(dst, rnd);
    ExpectPathsAgree(
        dst,
        [&](const TPixelView& d) {
          CopyByMaskHalf({sh.dstX, 0, sh.dstX + sh.width, 2}, {sh.srcX, 0, sh.srcX + sh.width, 2}, d, img.View,
                         TBackdrop{}, false, 4, 0, 0);
        },
        "CopyByMaskHalf");
  }
}

TEST(PixelPaths, NinePartFramesOfEveryKind) {
  TestRandom rnd(26);
  // A frame image of two states with its mask half below, used as an alpha image (upper half
  // only), a masked image and a key-colour image, painted tiled and stretched.
  TestPixels frame(2 * 23, 2 * 17);
  FillRuns(frame, rnd);
  for (Integer kind = 0; kind < 3; ++kind)
    for (Integer mode : {BDM_FILL, BDM_FILL | BDM_STRETCH})
      for (TNinePartKind target : {TNinePartKind::Cache, TNinePartKind::Alpha32, TNinePartKind::Outer32}) {
        TMaskImage img;
        img.Src = frame.View;
        img.R = {0, 0, 46, kind == 1 ? 34 : 17};
        img.ImageCount = 2;
        img.MaskType = kind == 1 ? 1 : 0;
        img.DrawMode = mode | (kind == 0 ? BDM_ALPHA : 0);
        img.WL = 5, img.WT = 4, img.WR = 6, img.WB = 3;
        img.Width = 23, img.Height = 17;
        TestPixels dst(71, 40), bg(71, 40);
        FillRandom(dst, rnd);
        FillRandom(bg, rnd);
        TNinePartRequest req;
        req.Kind = target;
        req.Rect = {1, 2, 70, 39};
        req.State = 1;
        req.UpdateCorners = true;
        req.MaxWidths = {3, 3, 4, 2};
        req.Opacity = 200;
        ExpectPathsAgree(
            dst,
            [&](const TPixelView& d) {
              DrawNinePart(d, req, TBackdrop{bg.View, 0, 0, clFuchsia, true}, img);
            },
            "DrawNinePart");
      }
}

TEST(PixelPaths, ResamplingWithEveryFilter) {
  TestRandom rnd(27);
  TestPixels src(23, 17);
  FillRandom(src, rnd);
  for (int f = ftBox; f <= ftMitchell; ++f)
    for (auto [w, h] : {std::pair{46, 34}, {11, 9}, {23, 40}, {5, 3}, {57, 8}}) {
      TestPixels dst(w, h);
      ExpectPathsAgree(
          dst, [&](const TPixelView& d) { StretchView(src.View, d, TFilterType(f)); }, "StretchView");
    }
}

// A blend of the whole of two pictures whose rows lie back to back walks them as one run; it
// must give what the same call gives one row at a time, for rows stored top-down and
// bottom-up, and where the two pictures store them in opposite orders (no single run).
TEST(PixelPaths, WholePicturesMatchRowByRow) {
  TestRandom rnd(28);
  using Call = std::function<void(const TPixelView& d, const TPixelView& s)>;
  const std::vector<std::pair<const char*, Call>> calls{
      {"CopyBmp32",
       [](const TPixelView& d, const TPixelView& s) {
         CopyBmp32({0, 0, d.Width, d.Height}, {0, 0, s.Width, s.Height}, d, s, TBackdrop{}, false, clNone, 0, false);
       }},
      {"CopyBmp32 with opacity",
       [](const TPixelView& d, const TPixelView& s) {
         CopyBmp32({0, 0, d.Width, d.Height}, {0, 0, s.Width, s.Height}, d, s, TBackdrop{}, false, clNone, 30, false);
       }},
      {"CopyByMaskAlpha",
       [](const TPixelView& d, const TPixelView& s) {
         CopyByMaskAlpha({0, 0, d.Width, d.Height}, {0, 0, s.Width, s.Height}, d, s, TBackdrop{}, false);
       }},
      {"PaintBmpRect32",
       [](const TPixelView& d, const TPixelView& s) {
         PaintBmpRect32(d, s, {0, 0, s.Width - 1, s.Height - 1}, {0, 0}, 200);
       }},
      // Bottom one past the last row (clamped to it): SumBmpRect does nothing with Bottom = Top.
      {"SumBmpRect",
       [](const TPixelView& d, const TPixelView& s) {
         SumBmpRect(d, s, 90, {0, 0, s.Width - 1, s.Height}, {0, 0});
       }},
      {"SumBitmaps", [](const TPixelView& d, const TPixelView& s) { SumBitmaps(d, s, 77); }},
      {"PaintBmp32", [](const TPixelView& d, const TPixelView& s) { PaintBmp32(d, s); }},
  };
  for (Integer w : {1, 5, 24, 33})
    for (Integer h : {1, 3, 7})
      for (bool dstUp : {false, true})
        for (bool srcUp : {false, true}) {
          TestPixels src(w, h, 0, srcUp), dst(w, h, 0, dstUp);
          FillRuns(src, rnd);
          FillRandom(dst, rnd);
          for (const auto& [name, call] : calls) {
            TestPixels whole = dst, rows = dst;
            call(whole.View, src.View);
            for (Integer y = 0; y < h; ++y)
              call(TPixelView{reinterpret_cast<Byte*>(rows.View.Row(y)), rows.View.Delta, w, 1},
                   TPixelView{reinterpret_cast<Byte*>(src.View.Row(y)), src.View.Delta, w, 1});
            for (Integer y = 0; y < h; ++y)
              for (Integer x = 0; x < w; ++x)
                ASSERT_EQ(Hex(whole.At(x, y)), Hex(rows.At(x, y)))
                    << name << " " << w << "x" << h << " dst bottom-up " << dstUp << " src bottom-up " << srcUp
                    << " at " << x << "," << y << " was " << Hex(dst.At(x, y)) << " src " << Hex(src.At(x, y));
          }
        }
}
