#include "raster/MaskImages.h"

#include <gtest/gtest.h>

#include <cmath>

#include "raster/Blend.h"
#include "raster/Resampling.h"
#include "support/Pixels.h"

namespace {

uint32_t Pix(int b, int g, int r, int a) {
  return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | uint32_t(a) << 24;
}
int B(uint32_t p) { return p & 0xFF; }
int R(uint32_t p) { return p >> 16 & 0xFF; }
int A(uint32_t p) { return p >> 24; }
int RefMix(int d, int s, int a) { return ((s - d) * a + d * 256) / 256; }

// A picture whose pixels name their own position: blue = x, green = y, opaque.
uint32_t Coord(int x, int y) { return Pix(x, y, 100, 255); }
TestPixels CoordPicture(int w, int h) {
  TestPixels p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.At(x, y) = Coord(x, y);
  return p;
}

// A key-colour frame image of `states` pictures w x h side by side, each pixel naming its
// place in the picture (red = state).
TMaskImage KeyImage(TestPixels& pic, int w, int h, int states, int margins) {
  for (int s = 0; s < states; ++s)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) pic.At(s * w + x, y) = Pix(x, y, s, 255);
  TMaskImage img;
  img.Src = pic.View;
  img.R = {0, 0, w * states, h};
  img.ImageCount = states;
  img.WL = img.WT = img.WR = img.WB = margins;
  img.Width = w;
  img.Height = h;
  return img;
}

}  // namespace

TEST(Dezev, UpdateAlphaWithAndWithoutComposition) {
  TestPixels p(4, 1);
  p.At(0, 0) = Pix(250, 250, 250, 255);
  p.At(1, 0) = Pix(200, 250, 250, 255);  // B, G, R: not all above 244
  p.At(2, 0) = 0x00FFFFFF;
  p.At(3, 0) = Pix(100, 50, 10, 128);
  TestPixels q = p;
  UpdateAlpha(p.View, {-5, -5, 99, 99}, false);  // clipped to the bitmap
  EXPECT_EQ(p.At(0, 0), Pix(244, 244, 244, 255));
  EXPECT_EQ(p.At(1, 0), Pix(199, 249, 249, 255));
  EXPECT_EQ(p.At(2, 0), 0u);
  EXPECT_EQ(p.At(3, 0), Pix(50, 25, 5, 128));
  UpdateAlpha(q.View, {0, 0, 1, 1}, true);
  EXPECT_EQ(q.At(0, 0), Pix(249, 249, 249, 255));
  EXPECT_EQ(q.At(1, 0), Pix(200, 250, 250, 255));  // outside the rectangle
}

TEST(NinePart, MarginShrink) {
  struct Case {
    Integer extent, l, r, wantL, wantR;
  } cases[] = {
      {10, 4, 5, 4, 5}, {7, 4, 5, 3, 4},
      {6, 4, 5, 3, 3},  {6, 1, 9, 0, 6},  // the left side cannot give its half: the right gives the rest
      {6, 9, 1, 6, 0},                    // and the other way round
      {0, 3, 3, 0, 0},
  };
  for (auto c : cases) {
    Integer l = c.l, r = c.r;
    ShrinkMargins(c.extent, l, r);
    EXPECT_EQ(l, c.wantL) << c.extent << " " << c.l << " " << c.r;
    EXPECT_EQ(r, c.wantR) << c.extent << " " << c.l << " " << c.r;
    EXPECT_LE(l + r, std::max(c.extent, 0));
  }
}

TEST(NinePart, TargetOfThePictureSizePaintsThePictureInEveryKind) {
  const int w = 9, h = 7;
  for (int kindIndex = 0; kindIndex < 3; ++kindIndex) {
    const auto kind = TNinePartKind(kindIndex);
    // Key-colour image: corners through the key copy, sides and centre block copies.
    TestPixels pic(w, h);
    TMaskImage img = KeyImage(pic, w, h, 1, 3);
    img.DrawMode = BDM_FILL;
    TestPixels dst(w + 4, h + 4, Pix(1, 1, 1, 1));
    TNinePartRequest req;
    req.Kind = kind;
    req.Rect = {2, 2, 2 + w, 2 + h};
    req.MaxWidths = {99, 99, 99, 99};
    DrawNinePart(dst.View, req, TBackdrop{}, img);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(dst.At(2 + x, 2 + y), pic.At(x, y)) << kindIndex << " " << x << "," << y;
    EXPECT_EQ(dst.At(1, 1), Pix(1, 1, 1, 1));
    EXPECT_EQ(dst.At(2 + w, 2 + h), Pix(1, 1, 1, 1));

    // Masked image whose mask is black everywhere: the copies give the picture exactly.
    TestPixels masked(w, 2 * h, Pix(0, 0, 0, 255));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) masked.At(x, y) = Pix(x, y, 7, 255);
    TMaskImage mimg = img;
    mimg.Src = masked.View;
    mimg.R = {0, 0, w, 2 * h};
    mimg.MaskType = 1;
    TestPixels mdst(w, h, Pix(5, 5, 5, 0));
    req.Rect = {0, 0, w, h};
    DrawNinePart(mdst.View, req, TBackdrop{}, mimg);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        if (kind == TNinePartKind::Outer32 && x >= 3 && x < w - 3 && y >= 3 && y < h - 3) {
          EXPECT_EQ(mdst.At(x, y), Pix(5, 5, 5, 0)) << "outer effects leave the centre";
          continue;
        }
        // Cache: the source whole; Alpha32: (S * 255) >> 8; Outer32 at opacity 255: weight 254.
        auto ch = [&](int s) {
          return kind == TNinePartKind::Cache     ? s
                 : kind == TNinePartKind::Alpha32 ? (s * 255) >> 8
                                                  : (5 + s * 254) >> 8;
        };
        uint32_t want = Pix(ch(x), ch(y), ch(7), kind == TNinePartKind::Cache ? 0 : 255);
        ASSERT_EQ(mdst.At(x, y), want) << kindIndex << " " << x << "," << y;
      }
  }
}

TEST(NinePart, TilesStatesAndActiveOnly) {
  // 12 x 6 picture, margins 1: a 10-pixel tile along the top and bottom.
  const int w = 12, h = 6;
  TestPixels pic(w * 3, h);
  TMaskImage img = KeyImage(pic, w, h, 3, 1);
  TestPixels dst(27, 6, 0);
  TNinePartRequest req;
  req.Rect = {0, 0, 27, 6};
  req.State = 5;  // beyond the last picture: the third
  DrawNinePart(dst.View, req, TBackdrop{}, img);
  // Top side: 25 pixels from x = 1: two whole tiles and a 5-pixel piece from the tile's start.
  for (int i = 0; i < 25; ++i) EXPECT_EQ(dst.At(1 + i, 0), Pix(1 + i % 10, 0, 2, 255)) << i;
  EXPECT_EQ(dst.At(26, 0), Pix(11, 0, 2, 255));  // top-right corner
  EXPECT_EQ(dst.At(5, 3), 0u);                   // no BDM_FILL: the centre keeps its pixels
  // Active only: nothing in state 0, painted in state 1.
  img.DrawMode = BDM_ACTIVEONLY;
  TestPixels d0(27, 6, 0), d1(27, 6, 0);
  req.State = 0;
  DrawNinePart(d0.View, req, TBackdrop{}, img);
  for (uint32_t v : d0.Mem) EXPECT_EQ(v, 0u);
  req.State = 1;
  DrawNinePart(d1.View, req, TBackdrop{}, img);
  EXPECT_EQ(d1.At(0, 0), Pix(0, 0, 1, 255));
  // A target one pixel wide paints nothing.
  TestPixels thin(1, 6, 0);
  req.Rect = {0, 0, 1, 6};
  DrawNinePart(thin.View, req, TBackdrop{}, img);
  for (uint32_t v : thin.Mem) EXPECT_EQ(v, 0u);
}

TEST(NinePart, ImageWithoutMiddleFinishesAndStretchedSides) {
  // WL + WR = Width: no middle columns; a wider target lays no whole tiles and ends.
  TestPixels pic(6, 6);
  TMaskImage img = KeyImage(pic, 6, 6, 1, 3);
  img.DrawMode = BDM_FILL;
  TestPixels dst(40, 20, 0);
  TNinePartRequest req;
  req.Rect = {0, 0, 40, 20};
  DrawNinePart(dst.View, req, TBackdrop{}, img);
  EXPECT_EQ(dst.At(0, 0), pic.At(0, 0));
  EXPECT_EQ(dst.At(39, 19), pic.At(5, 5));
  // Stretched: the top side is the 2-pixel tile stretched over 36 pixels by nearest pixel.
  TestPixels p2(8, 8);
  TMaskImage s = KeyImage(p2, 8, 8, 1, 3);
  s.DrawMode = BDM_STRETCH | BDM_FILL;
  TestPixels d2(42, 10, 0);
  req.Rect = {0, 0, 42, 10};
  DrawNinePart(d2.View, req, TBackdrop{}, s);
  EXPECT_EQ(d2.At(3, 0), Pix(3, 0, 0, 255));
  EXPECT_EQ(d2.At(38, 0), Pix(4, 0, 0, 255));
  EXPECT_EQ(d2.At(20, 5), Pix(3, 4, 0, 255));  // centre: tile (3..5) x (3..5), nearest
}

TEST(NinePart, KeyColourCornersAndTheBackground) {
  TestPixels pic(4, 4);
  TMaskImage img = KeyImage(pic, 4, 4, 1, 2);
  pic.At(0, 0) = kKeyPixel;
  TestPixels bg(4, 4, Pix(9, 9, 9, 9));
  TBackdrop ci;
  ci.View = bg.View;
  ci.Ready = true;
  struct Case {
    bool update;
    int cfg;
    uint32_t want;
  } cases[] = {{false, 1, Pix(3, 3, 3, 3)}, {true, 1, Pix(9, 9, 9, 9)}, {true, 0, Pix(3, 3, 3, 3)}};
  for (auto c : cases) {
    img.Cfg = c.cfg;
    TestPixels dst(4, 4, Pix(3, 3, 3, 3));
    TNinePartRequest req;
    req.Rect = {0, 0, 4, 4};
    req.UpdateCorners = c.update;
    DrawNinePart(dst.View, req, ci, img);
    EXPECT_EQ(dst.At(0, 0), c.want) << c.update << c.cfg;
    EXPECT_EQ(dst.At(1, 1), pic.At(1, 1));
  }
}

TEST(NinePart, OuterEffectBands) {
  const int w = 8, h = 8;
  TestPixels masked(w, 2 * h, Pix(0, 0, 0, 255));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) masked.At(x, y) = Pix(200, 200, 200, 255);
  TMaskImage img;
  img.Src = masked.View;
  img.R = {0, 0, w, 2 * h};
  img.MaskType = 1;
  img.WL = img.WT = img.WR = img.WB = 3;
  img.Width = w;
  img.Height = h;
  img.DrawMode = BDM_STRETCH;
  TNinePartRequest req;
  req.Kind = TNinePartKind::Outer32;
  req.Rect = {0, 0, 20, 20};
  req.MaxWidths = {0, 0, 0, 0};
  TestPixels none(20, 20, 0);
  DrawNinePart(none.View, req, TBackdrop{}, img);
  for (uint32_t v : none.Mem) EXPECT_EQ(v, 0u);
  req.MaxWidths = {1, 1, 1, 1};
  TestPixels band(20, 20, 0);
  DrawNinePart(band.View, req, TBackdrop{}, img);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const bool outer = x == 0 || y == 0 || x == 19 || y == 19;
      EXPECT_EQ(band.At(x, y) != 0, outer) << x << "," << y;
    }
}

TEST(NinePart, HostileImagesAndRectanglesStayInside) {
  TestRandom rnd(11);
  TestPixels pic(13, 11);
  FillRandom(pic, rnd);
  const TestPixels picBefore = pic;
  const int big = 0x7FFFFFF0;
  for (int i = 0; i < 3000; ++i) {
    TMaskImage img;
    img.Src = pic.View;
    auto any = [&](int span) { return rnd.Range(-span, span); };
    img.R = {any(20), any(20), any(30), any(30)};
    if (i % 7 == 0) img.R = {-big, -big, big, big};
    img.ImageCount = any(4);
    img.MaskType = rnd.Range(0, 1);
    img.DrawMode = rnd.Range(0, 31);
    img.WL = any(9), img.WT = any(9), img.WR = any(9), img.WB = any(9);
    img.Cfg = rnd.Range(0, 3);
    img.Width = any(14), img.Height = any(12);
    TNinePartRequest req;
    req.Kind = TNinePartKind(rnd.Range(0, 2));
    req.Rect = {any(30), any(30), any(60), any(60)};
    if (i % 11 == 0) req.Rect = {-big, -big, big, big};
    req.State = any(5);
    req.UpdateCorners = rnd.Range(0, 1);
    req.MaxWidths = {any(5), any(5), any(5), any(5)};
    req.Opacity = any(300);
    GuardedPixels dst(rnd.Range(1, 25), rnd.Range(1, 25));
    TestPixels bgp(7, 9);
    const TestPixels bgBefore = bgp;
    TBackdrop ci{bgp.View, any(10), any(10), rnd.Next(), rnd.Range(0, 1) == 1};
    DrawNinePart(dst.View, req, ci, img);
    ASSERT_EQ(dst.ChangedMarginPixels(), 0) << "case " << i;
    ASSERT_EQ(bgp.Mem, bgBefore.Mem) << "case " << i;
  }
  EXPECT_EQ(pic.Mem, picBefore.Mem);  // the image is only read
}

TEST(MaskPrimitives, CopyByMask32Arithmetic) {
  // Picture row 0, mask row 1 of a 3 x 2 image (mask offset 1).
  TestPixels img(3, 2);
  img.At(0, 0) = img.At(1, 0) = Pix(255, 255, 255, 255);
  img.At(2, 0) = kKeyPixel;
  img.At(0, 1) = Pix(0, 0, 0, 255);
  img.At(1, 1) = Pix(0, 0, 255, 255);
  img.At(2, 1) = Pix(0, 0, 0, 255);
  TestPixels d(3, 1, Pix(100, 100, 100, 0));
  CopyByMask32({0, 0, 3, 1}, {0, 0, 3, 1}, d.View, img.View, TBackdrop{}, 1);
  EXPECT_EQ(d.At(0, 0), Pix(254, 254, 254, 255));
  EXPECT_EQ(d.At(1, 0), Pix(99, 99, 99, 0));
  EXPECT_EQ(d.At(2, 0), Pix(100, 100, 100, 0));  // key without background: only the alpha to 0
  TestPixels d2(1, 1, Pix(0, 0, 0, 200));
  TestPixels grey(1, 2, Pix(50, 50, 50, 255));
  grey.At(0, 1) = Pix(0, 0, 128, 0);
  CopyByMask32({0, 0, 1, 1}, {0, 0, 1, 1}, d2.View, grey.View, TBackdrop{}, 1);
  EXPECT_EQ(A(d2.At(0, 0)), 200);
  // Opacity 0 takes nothing of the colour but raises the alpha the same way.
  TestPixels d3(1, 1, Pix(100, 100, 100, 0));
  CopyByMask32({0, 0, 1, 1}, {0, 0, 1, 1}, d3.View, img.View, TBackdrop{}, 1, 0);
  EXPECT_EQ(d3.At(0, 0), Pix(99, 99, 99, 255));
}

TEST(MaskPrimitives, CopyByMask32KeepsToTheParentsRows) {
  // A 1 x 4 picture of opaque white above a black mask; the parent picture is 2 rows high and
  // lies one row lower than the target (its row -1 is behind the target's row 0).
  TestPixels img(1, 8, Pix(255, 255, 255, 255));
  for (int y = 4; y < 8; ++y) img.At(0, y) = Pix(0, 0, 0, 255);
  img.At(0, 2) = kKeyPixel;
  TestPixels parent(1, 2, Pix(7, 7, 7, 7));
  const uint32_t untouched = Pix(10, 20, 30, 40);
  TestPixels d(1, 4, untouched);
  CopyByMask32({0, 0, 1, 4}, {0, 0, 1, 4}, d.View, img.View, TBackdrop{parent.View, 0, -1, clFuchsia, true}, 4);
  EXPECT_EQ(d.At(0, 0), untouched);                // above the parent: left out
  EXPECT_EQ(d.At(0, 1), Pix(254, 254, 254, 255));  // the one row the parent's height allows
  EXPECT_EQ(d.At(0, 2), untouched);                // beyond the parent's row count
  EXPECT_EQ(d.At(0, 3), untouched);
  // Without a parent every row is copied and the key pixel only loses its alpha.
  TestPixels d2(1, 4, untouched);
  CopyByMask32({0, 0, 1, 4}, {0, 0, 1, 4}, d2.View, img.View, TBackdrop{}, 4);
  EXPECT_EQ(d2.At(0, 0), Pix(254, 254, 254, 255));
  EXPECT_EQ(d2.At(0, 2), untouched & 0xFFFFFF);
  EXPECT_EQ(d2.At(0, 3), Pix(254, 254, 254, 255));
  // A parent as high as the target, lined up: the key pixel shows it.
  TestPixels tall(1, 4, Pix(7, 7, 7, 7));
  TestPixels d3(1, 4, untouched);
  CopyByMask32({0, 0, 1, 4}, {0, 0, 1, 4}, d3.View, img.View, TBackdrop{tall.View, 0, 0, clFuchsia, true}, 4);
  EXPECT_EQ(d3.At(0, 0), Pix(254, 254, 254, 255));
  EXPECT_EQ(d3.At(0, 2), Pix(7, 7, 7, 7));
  EXPECT_EQ(d3.At(0, 3), Pix(254, 254, 254, 255));
}

TEST(MaskPrimitives, CopyMasterRectFillColours) {
  TestPixels img(1, 2, kKeyPixel);
  TestPixels d(1, 1, Pix(1, 2, 3, 4));
  TBackdrop ci;
  ci.FillColor = 0x0000FF;
  CopyMasterRect({0, 0, 1, 1}, {0, 0, 1, 1}, d.View, img.View, ci, 1);
  EXPECT_EQ(d.At(0, 0), Pix(0, 0, 255, 0));
  TestPixels d2(1, 1, Pix(1, 2, 3, 4));
  ci.FillColor = clFuchsia;
  CopyMasterRect({0, 0, 1, 1}, {0, 0, 1, 1}, d2.View, img.View, ci, 1);
  EXPECT_EQ(d2.At(0, 0), Pix(1, 2, 3, 4));
  CopyMasterRect({0, 0, 1, 1}, {0, 0, 1, 1}, d2.View, img.View, ci, 5);  // mask outside: nothing
  EXPECT_EQ(d2.At(0, 0), Pix(1, 2, 3, 4));
}

TEST(MaskPrimitives, StretchBltMaskPathsAndSinglePixels) {
  // A 10 x 4 picture above a black mask: the stretch shows the picture itself.
  TestPixels src(10, 8, Pix(0, 0, 0, 255));
  TestRandom rnd(1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 10; ++x) src.At(x, y) = rnd.Next() | 0xFF000000u;
  auto run = [&](int dw, int dh, bool noStd) {
    TestPixels d(dw, dh, 0);
    StretchBltMask(TMaskStretch::Plain, 0, 0, dw, dh, 0, 0, 10, 4, d.View, src.View, 4, 255, noStd);
    return d;
  };
  auto filtered = [&](int dw, int dh) {
    TestPixels d(dw, dh);
    StretchRectView(src.View, 0, 0, 10, 4, d.View, ftMitchell);
    for (auto& v : d.Mem) v |= 0xFF000000u;
    return d.Mem;
  };
  auto nearest = [&](int dw, int dh) {
    TestPixels d(dw, dh);
    StretchNearest(d.View, {0, 0, dw, dh}, src.View, {0, 0, 10, 4});
    for (auto& v : d.Mem) v |= 0xFF000000u;
    return d.Mem;
  };
  EXPECT_EQ(run(6, 4, false).Mem, filtered(6, 4));  // shrinking along one axis: the resampler
  EXPECT_EQ(run(6, 3, false).Mem, nearest(6, 3));   // both axes: block stretch
  EXPECT_EQ(run(20, 4, false).Mem, nearest(20, 4));
  EXPECT_EQ(run(6, 3, true).Mem, filtered(6, 3));
  EXPECT_EQ(run(20, 4, true).Mem, filtered(20, 4));
  // Left of the target: nothing; mask offset 0: a plain block stretch.
  TestPixels left(6, 4, 0);
  StretchBltMask(TMaskStretch::Plain, -1, 0, 6, 4, 0, 0, 10, 4, left.View, src.View, 4, 255, false);
  for (uint32_t v : left.Mem) EXPECT_EQ(v, 0u);
  TestPixels plain(20, 8, 0);
  StretchBltMask(TMaskStretch::Alpha32, 0, 0, 20, 8, 0, 0, 10, 8, plain.View, src.View, 0, 255, false);
  TestPixels ref(20, 8);
  StretchNearest(ref.View, {0, 0, 20, 8}, src.View, {0, 0, 10, 8});
  EXPECT_EQ(plain.Mem, ref.Mem);
  // One source pixel: mask 0 fills with its colour, mask 255 paints nothing.
  TestPixels one(1, 2, Pix(10, 20, 30, 0));
  one.At(0, 1) = 0;
  TestPixels filled(5, 5, 0);
  StretchBltMask(TMaskStretch::Alpha32, 1, 1, 3, 3, 0, 0, 1, 1, filled.View, one.View, 1, 255, true);
  EXPECT_EQ(filled.At(2, 2), Pix(10, 20, 30, 255));
  EXPECT_EQ(filled.At(0, 0), 0u);
  one.At(0, 1) = Pix(0, 0, 255, 0);
  TestPixels untouched(5, 5, 0);
  StretchBltMask(TMaskStretch::Alpha32, 1, 1, 3, 3, 0, 0, 1, 1, untouched.View, one.View, 1, 255, true);
  for (uint32_t v : untouched.Mem) EXPECT_EQ(v, 0u);
}

TEST(MaskPrimitives, SkinGlyphs) {
  TestPixels pic(20, 4);
  for (int s = 0; s < 2; ++s)
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 10; ++x) pic.At(s * 10 + x, y) = Pix(x, y, s, 255);
  TMaskImage img;
  img.Src = pic.View;
  img.R = {0, 0, 20, 4};
  img.ImageCount = 2;
  img.Width = 10;
  img.Height = 4;
  TestPixels dst(12, 4, 0);
  DrawSkinGlyph(dst.View, {-3, 0}, 7, 1, img, false, TBackdrop{}, false);  // last picture, clipped
  EXPECT_EQ(dst.At(0, 0), Pix(3, 0, 1, 255));
  EXPECT_EQ(dst.At(6, 3), Pix(9, 3, 1, 255));
  EXPECT_EQ(dst.At(7, 0), 0u);
  // Faint key-colour glyph: weight 127 of the destination.
  TestPixels faint(10, 4, Pix(0, 0, 0, 0));
  DrawSkinGlyph(faint.View, {0, 0}, 0, 2, img, false, TBackdrop{}, false);
  EXPECT_EQ(B(faint.At(9, 0)), (9 * 128) >> 8);
  EXPECT_EQ(A(faint.At(9, 0)), (255 * 128) >> 8);
}

namespace {
// A round mask drawn by the test: outside the disc 0xFFFFFFFF, inside black, one grey rim.
std::vector<TestPixels>& Masks() {
  static std::vector<TestPixels> masks;
  return masks;
}
std::vector<int> requested;
TPixelView TestMask(Integer r) {
  requested.push_back(r);
  const int size = 2 * r + 1;
  Masks().emplace_back(size, size);
  TestPixels& m = Masks().back();
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double d = std::hypot(x - r, y - r);
      m.At(x, y) = d > r + 0.5 ? 0xFFFFFFFFu : d > r - 0.5 ? Pix(128, 128, 128, 255) : Pix(0, 0, 0, 255);
    }
  return m.View;
}
}  // namespace

TEST(RoundedCorners, BackgroundAlphaFillColourAndRadiusLimit) {
  TestPixels bg(10, 10, Pix(9, 8, 7, 200));
  TBackdrop ci;
  ci.View = bg.View;
  ci.Ready = true;
  const Integer radii[4] = {3, 0, 0, 0};
  for (bool ext : {false, true}) {
    TestPixels dst(10, 10, Pix(50, 50, 50, 255));
    RoundCorners(dst.View, {0, 0, 10, 10}, radii, 0, ci, ext, TestMask);
    EXPECT_EQ(dst.At(0, 0), ext ? Pix(9, 8, 7, 200) : Pix(9, 8, 7, 0));
    EXPECT_EQ(dst.At(3, 3), Pix(50, 50, 50, 255));  // inside the disc: unchanged
    EXPECT_EQ(dst.At(9, 0), Pix(50, 50, 50, 255));  // other corners square
  }
  // A red fill colour: outside pixels become red in pixel order, rim pixels move towards red.
  TBackdrop fill;
  fill.FillColor = 0x0000FF;
  TestPixels dst(10, 10, Pix(0, 0, 0, 255));
  RoundCorners(dst.View, {0, 0, 10, 10}, nullptr, 3, fill, false, TestMask);
  EXPECT_EQ(dst.At(9, 9), Pix(0, 0, 255, 0));
  EXPECT_EQ(dst.At(0, 9), Pix(0, 0, 255, 0));
  EXPECT_EQ(R(dst.At(0, 2)), (255 * 128) >> 8);  // on the rim
  EXPECT_EQ(B(dst.At(0, 2)), 0);
  // A bottom corner of radius 10 in a rectangle whose bottom is 6 is rounded with 5.
  requested.clear();
  const Integer bottomRight[4] = {0, 0, 0, 10};
  TestPixels small(12, 6, 0);
  RoundCorners(small.View, {0, 0, 12, 6}, bottomRight, 0, fill, false, TestMask);
  EXPECT_EQ(requested, (std::vector<int>{5}));
  // Without radii the section's radius is used as it is, the bottom corners too.
  requested.clear();
  RoundCorners(small.View, {0, 0, 12, 6}, nullptr, 10, fill, false, TestMask);
  EXPECT_EQ(requested, (std::vector<int>{10, 10, 10, 10}));
}

TEST(Textures, TileBitmapModes) {
  TestPixels tex = CoordPicture(10, 10);
  auto run = [&](int mode, TRect area, int w = 25, int h = 25) {
    TestPixels dst(w, h, 0);
    TRect r = area;
    TileBitmap(dst.View, r, tex.View, {0, 0, 10, 10}, mode);
    return std::make_pair(std::move(dst), r);
  };
  auto [tiled, rest] = run(fmTiled, {0, 0, 25, 25});
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 25; ++x) ASSERT_EQ(tiled.At(x, y), Coord(x % 10, y % 10)) << x << "," << y;
  EXPECT_EQ(rest, kNoRestRect);
  auto [horz, restH] = run(fmTiledHorz, {0, 0, 25, 40}, 25, 40);
  EXPECT_EQ(restH, (TRect{0, 10, 25, 40}));
  EXPECT_EQ(horz.At(24, 9), Coord(4, 9));
  EXPECT_EQ(horz.At(0, 10), 0u);
  auto [right, restR] = run(fmTileVertRight, {0, 0, 25, 40}, 25, 40);
  EXPECT_EQ(restR, (TRect{0, 0, 15, 40}));
  EXPECT_EQ(right.At(15, 0), Coord(0, 0));
  EXPECT_EQ(right.At(24, 39), Coord(9, 9));
  EXPECT_EQ(right.At(14, 0), 0u);
  EXPECT_EQ(run(fmStretchHorBtm, {0, 0, 25, 40}, 25, 40).second, (TRect{15, 0, 25, 40}));
  auto [dis, restD] = run(fmDisTiled, {0, 0, 25, 25});
  EXPECT_EQ(restD, kNoRestRect);
  for (int x = 0; x < 25; ++x) EXPECT_EQ(dis.At(x, 22), 0u) << x;  // rows 20..24 unpainted
  EXPECT_EQ(dis.At(24, 19), Coord(4, 9));
  auto [btt, restB] = run(fmFromBottomToTop, {0, 0, 25, 25});
  EXPECT_EQ(btt.At(24, 24), Coord(9, 9));  // anchored at the bottom-right corner
  EXPECT_EQ(btt.At(0, 0), Coord(5, 5));    // the cut tiles at the top and left
  auto [hb, restHb] = run(fmTileHorBtm, {0, 0, 25, 25});
  EXPECT_EQ(restHb, (TRect{0, 0, 25, 15}));
  EXPECT_EQ(hb.At(0, 15), Coord(0, 0));
  EXPECT_EQ(hb.At(0, 14), 0u);
  auto [st, restS] = run(fmStretchHorz, {0, 0, 20, 25});
  EXPECT_EQ(st.At(19, 24), Coord(9, 4));  // the last strip cut at the area's bottom
  EXPECT_EQ(st.At(20, 0), 0u);
}

// The rest every mode hands back for a 10 x 10 texture over (0, 0, 25, 40): what the painter
// fills with the look's colour afterwards.
TEST(Textures, TheRestOfEveryMode) {
  TestPixels tex = CoordPicture(10, 10);
  const struct {
    int mode;
    TRect rest;
  } cases[] = {
      {fmTiled, kNoRestRect},
      {fmStretched, kNoRestRect},
      {fmTiledHorz, {0, 10, 25, 40}},
      {fmTiledVert, {10, 0, 25, 40}},
      {fmStretchHorzTop, {0, 10, 25, 40}},
      {fmStretchVertLeft, {10, 0, 25, 40}},
      {fmTileHorBtm, {0, 0, 25, 30}},
      {fmTileVertRight, {0, 0, 15, 40}},
      {fmStretchHorBtm, {15, 0, 25, 40}},
      {fmStretchVertRight, {15, 0, 25, 40}},
      {fmDisTiled, kNoRestRect},
      {fmStretchHorz, kNoRestRect},
      {fmStretchVert, kNoRestRect},
      {fmFromBottomToTop, kNoRestRect},
      {fmReserved1, {15, 0, 25, 40}},
  };
  for (const auto& c : cases) {
    TestPixels dst(25, 40, 0);
    TRect r{0, 0, 25, 40};
    TileBitmap(dst.View, r, tex.View, {0, 0, 10, 10}, c.mode);
    EXPECT_EQ(r, c.rest) << "mode " << c.mode;
  }
  // What the stretching modes and the column modes paint besides the rest they name.
  auto painted = [&](int mode, int x, int y) {
    TestPixels dst(25, 40, 0);
    TRect r{0, 0, 25, 40};
    TileBitmap(dst.View, r, tex.View, {0, 0, 10, 10}, mode);
    return dst.At(x, y) != 0;
  };
  EXPECT_TRUE(painted(fmStretched, 24, 39));
  EXPECT_TRUE(painted(fmTiledVert, 9, 39) && !painted(fmTiledVert, 10, 0));
  EXPECT_TRUE(painted(fmStretchHorzTop, 24, 9) && !painted(fmStretchHorzTop, 0, 10));
  EXPECT_TRUE(painted(fmStretchVertLeft, 9, 39) && !painted(fmStretchVertLeft, 10, 0));
  EXPECT_TRUE(painted(fmStretchVertRight, 15, 39) && !painted(fmStretchVertRight, 14, 0));
  EXPECT_TRUE(painted(fmStretchVert, 24, 39));
  EXPECT_TRUE(painted(fmReserved1, 24, 0) && !painted(fmReserved1, 14, 0));
}

TEST(Textures, EmptyTexturesAndHostileAreasEnd) {
  TestPixels tex = CoordPicture(10, 10);
  for (int mode = 0; mode < 15; ++mode) {
    TestPixels dst(8, 8, 0);
    TRect r{0, 0, 8, 8};
    TileBitmap(dst.View, r, tex.View, {3, 3, 3, 9}, mode);  // no columns: nothing, no endless loop
    EXPECT_EQ(r, (TRect{0, 0, 8, 8}));
    for (uint32_t v : dst.Mem) EXPECT_EQ(v, 0u);
    const int big = 0x7FFFFFF0;
    for (TRect area : {TRect{-big, -big, big, big}, TRect{big - 3, 0, -big, 5}, TRect{-5, -5, 3, 3}}) {
      TileBitmap(dst.View, area, tex.View, {0, 0, 1, 1}, mode);
      TileBitmap(dst.View, area, tex.View, {-4, -4, 30, 2}, mode);
    }
  }
  TMaskImage img;
  img.Src = tex.View;
  img.R = {0, 0, 4, 1};  // one row: half of it is no row at all
  img.Width = 4;
  TestPixels dst(8, 8, 0);
  TRect r{0, 0, 8, 8};
  TileMasked(dst.View, r, TBackdrop{}, img, fmTiled);
  EXPECT_EQ(r, (TRect{0, 0, 8, 8}));
}

TEST(Textures, TileMaskedModes) {
  TestPixels img(4, 8, Pix(0, 0, 0, 255));  // picture 4 x 4 above a black mask
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) img.At(x, y) = Coord(x, y);
  TMaskImage mi;
  mi.Src = img.View;
  mi.R = {0, 0, 4, 8};
  mi.Width = 4;
  TestPixels dst(10, 10, 0);
  TRect r{0, 0, 10, 10};
  TileMasked(dst.View, r, TBackdrop{}, mi, fmStretched);
  EXPECT_EQ(r, (TRect{0, 0, 10, 10}));
  for (uint32_t v : dst.Mem) EXPECT_EQ(v, 0u);
  // Narrower than one tile: both strips cover the area with the background, nothing outside.
  TestPixels bg(10, 10, Pix(7, 7, 7, 7));
  TBackdrop ci;
  ci.View = bg.View;
  ci.Ready = true;
  r = {2, 2, 5, 9};
  TileMasked(dst.View, r, ci, mi, fmDisTiled);
  EXPECT_EQ(r, kNoRestRect);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x)
      EXPECT_EQ(dst.At(x, y), (x >= 2 && x < 5 && y >= 2 && y < 9) ? Pix(7, 7, 7, 7) : 0u) << x << "," << y;
  // Tiled: whole tiles through the black mask give the picture (colour channels).
  TestPixels t(10, 10, 0);
  r = {0, 0, 10, 10};
  TileMasked(t.View, r, TBackdrop{}, mi, fmTiled);
  EXPECT_EQ(t.At(5, 6), Pix(1, 2, 100, 0));
}

TEST(TransparentPixels, FillFormsAndClipping) {
  TestPixels parent(4, 4, Pix(200, 100, 50, 255));
  TestPixels dst(3, 1);
  dst.At(0, 0) = Pix(0, 0, 0, 128);
  dst.At(1, 0) = kKeyPixel;
  dst.At(2, 0) = Pix(1, 2, 3, 255);
  FillTransPixels(dst.View, parent.View, {0, 0, 3, 1}, {0, 0}, 0);
  EXPECT_EQ(dst.At(0, 0), Pix(RefMix(0, 200, 127), RefMix(0, 100, 127), RefMix(0, 50, 127), 128));
  EXPECT_EQ(dst.At(1, 0), Pix(200, 100, 50, 255));
  EXPECT_EQ(dst.At(2, 0), Pix(1, 2, 3, 255));
  // A colour instead of a picture: the key pixel takes it with its high byte as alpha.
  TestPixels d2(2, 1, kKeyPixel);
  FillTransPixels(d2.View, {}, {-5, -5, 1, 9}, {0, 0}, 0x0000FF);
  EXPECT_EQ(d2.At(0, 0), Pix(0, 0, 255, 0));
  EXPECT_EQ(d2.At(1, 0), kKeyPixel);
  // Rectangles wider than the control and points left of the picture stay inside both.
  TestPixels small(2, 2, kKeyPixel);
  FillTransPixels(small.View, parent.View, {-3, -3, 40, 40}, {-7, 2}, 0);
  FillTransPixels(small.View, parent.View, {1, 1, 9, 9}, {3, 3}, 0);
  EXPECT_EQ(small.At(1, 1), Pix(200, 100, 50, 255));
  // By a skin image's key pixels (colour bytes only).
  TestPixels image(2, 1, Pix(255, 0, 255, 255));
  image.At(1, 0) = Pix(0, 0, 0, 0);
  TestPixels d3(2, 1, 0);
  FillTransPixelsByImage(d3.View, parent.View, {0, 0, 2, 1}, {0, 0}, image.View, {0, 0});
  EXPECT_EQ(d3.At(0, 0), Pix(200, 100, 50, 255));
  EXPECT_EQ(d3.At(1, 0), 0u);
  // Frame of given widths; all widths 0 paint nothing.
  TestPixels f(5, 5, 0);
  FillDCBorder32(f.View, {0, 0, 5, 5}, 0, 0, 0, 0, 0xFFFFFF);
  for (uint32_t v : f.Mem) EXPECT_EQ(v, 0u);
  FillDCBorder32(f.View, {0, 0, 5, 5}, 1, 1, 1, 1, 0xFFFFFF);
  EXPECT_EQ(f.At(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(f.At(4, 4), 0xFFFFFFFFu);
  EXPECT_EQ(f.At(2, 2), 0u);
}
