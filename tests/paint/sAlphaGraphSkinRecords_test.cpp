// The forms of the skin-image kernels on bitmaps and a skin's records: the master bitmap of the
// manager, the image corners of per-PPI skin data and the corner refresh of a control's cache.
#include "paint/sAlphaGraph.h"

#include <gtest/gtest.h>

#include <memory>

#include "skin/sMaskData.h"
#include "skin/sSkinManager.h"
#include "support/Pixels.h"
#ifdef _WIN32
#include "base/kvntUtils.h"
#endif

namespace {

uint32_t Pix(int b, int g, int r, int a) {
  return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | uint32_t(a) << 24;
}
int A(uint32_t p) { return p >> 24; }
#ifdef _WIN32
// No debugger, so a call with wrong arguments stays quiet (no developer warning box).
int __stdcall NoDebugger() { return 0; }
struct NoDebuggerScope {
  TkvIsDebuggerPresent saved = kvIsDebuggerPresent;
  NoDebuggerScope() { kvIsDebuggerPresent = NoDebugger; }
  ~NoDebuggerScope() { kvIsDebuggerPresent = saved; }
};
#else
struct NoDebuggerScope {
  NoDebuggerScope() {}  // nothing to bind here
};
#endif

// A skin manager whose master bitmap holds one masked frame image (2 states of 6 x 6, mask
// half below: black, so the picture shows whole) and a key-colour corner image.
struct SkinFixture {
  DuRiruZireziv manager{nullptr};
  TBitmap* master = nullptr;  // owned by the manager
  TsMaskData frame;
  SkinFixture() {
    manager.MasterBitmap.reset(CreateBmp32(12, 12));
    master = manager.MasterBitmap.get();
    TPixelView v = master->View();
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 12; ++x) {
        v.At(x, y) = Pix(x % 6, y, x / 6, 255);
        v.At(x, 6 + y) = Pix(0, 0, 0, 255);
      }
    frame.Manager = &manager;
    frame.R = {0, 0, 12, 12};
    frame.ImageCount = 2;
    frame.MaskType = 1;
    frame.DrawMode = BDM_FILL;
    frame.WL = frame.WT = frame.WR = frame.WB = 2;
    frame.Width = 6;
    frame.Height = 6;
  }
};
}  // namespace

TEST(SkinRecords, DrawSkinRectPaintsTheStatePictureFromTheMasterBitmap) {
  SkinFixture f;
  std::unique_ptr<TBitmap> target(CreateBmp32(6, 6));
  DrawSkinRect(target.get(), {0, 0, 6, 6}, EmptyCI, f.frame, 1, false);
  EXPECT_EQ(target->View().At(0, 0), Pix(0, 0, 1, 0));  // state 1, alpha of the target kept
  EXPECT_EQ(target->View().At(5, 5), Pix(5, 5, 1, 0));
  // Without a manager nothing is painted.
  TsMaskData orphan = f.frame;
  orphan.Manager = nullptr;
  std::unique_ptr<TBitmap> untouched(CreateBmp32(6, 6));
  DrawSkinRect(untouched.get(), {0, 0, 6, 6}, EmptyCI, orphan, 1, false);
  EXPECT_EQ(untouched->View().At(3, 3), 0u);
  // The 32-bit form builds the alpha channel.
  std::unique_ptr<TBitmap> alpha(CreateBmp32(6, 6));
  DrawSkinRect32(alpha.get(), {0, 0, 6, 6}, EmptyCI, f.frame, 0);
  EXPECT_EQ(A(alpha->View().At(2, 2)), 255);
  std::unique_ptr<TBitmap> outer(CreateBmp32(6, 6));
  DrawSkinRect32Ex(outer.get(), {0, 0, 6, 6}, EmptyCI, f.frame, 0, {0, 0, 0, 0}, 255);
  EXPECT_EQ(outer->View().At(0, 0), 0u);
}

TEST(SkinRecords, FillTransPixels32ReadsTheImageCorner) {
  SkinFixture f;
  TkvSkinData sd;
  TsMaskData corner = f.frame;
  corner.MaskType = 0;
  // Only the bottom-right corner area (x 4..5, y 4..5 of state 0) is key-coloured.
  TPixelView mv = f.master->View();
  mv.At(4, 4) = 0xFFFF00FF;  // fuchsia in the colour bytes; alpha is not compared
  sd.ma.push_back(corner);
  std::unique_ptr<TBitmap> dst(CreateBmp32(2, 2)), parent(CreateBmp32(4, 4));
  FillRect32(parent.get(), {0, 0, 4, 4}, 0x123456, 255);
  FillTransPixels32(dst.get(), parent.get(), {0, 0, 2, 2}, {1, 1}, 0, &sd, kCornerBottomRight, 0);
  EXPECT_EQ(dst->View().At(0, 0), 0xFF563412u);
  EXPECT_EQ(dst->View().At(1, 1), 0u);
  // Skin data of another class, or an index outside it: nothing.
  const NoDebuggerScope quiet;
  TkvObject other;
  std::unique_ptr<TBitmap> d2(CreateBmp32(2, 2));
  FillTransPixels32(d2.get(), parent.get(), {0, 0, 2, 2}, {1, 1}, 0, &other, kCornerBottomRight, 0);
  FillTransPixels32(d2.get(), parent.get(), {0, 0, 2, 2}, {1, 1}, 5, &sd, kCornerBottomRight, 0);
  EXPECT_EQ(d2->View().At(0, 0), 0u);
  // Without an image: the background behind key pixels, clipped to both bitmaps.
  FillRect32(d2.get(), {0, 0, 2, 2}, clFuchsia, 0);
  FillTransPixels32(d2.get(), parent.get(), {-1, -1, 50, 50}, {-2, 1}, -1, nullptr, 0, 0);
  EXPECT_EQ(d2->View().At(1, 1), 0xFF563412u);
}

TEST(SkinRecords, TilersOnBitmaps) {
  SkinFixture f;
  TsMaskData tex = f.frame;
  tex.MaskType = 0;
  tex.R = {0, 0, 6, 6};
  std::unique_ptr<TBitmap> target(CreateBmp32(15, 8));
  TRect area{0, 0, 15, 8};
  TileBitmap(target.get(), area, nullptr, tex, fmTiled);
  EXPECT_EQ(area, kNoRestRect);
  EXPECT_EQ(target->View().At(13, 7), Pix(1, 1, 0, 255));
  TsMaskData empty = tex;
  empty.R = {3, 3, 3, 3};
  TRect keep{0, 0, 15, 8};
  TileBitmap(target.get(), keep, nullptr, empty, fmTiled);
  EXPECT_EQ(keep, (TRect{0, 0, 15, 8}));
  TRect masked{0, 0, 15, 8};
  TileMasked(target.get(), masked, EmptyCI, f.frame, fmDisTiled);
  EXPECT_EQ(masked, kNoRestRect);
}

TEST(CornerRefresh, KeyAndMasterCorners) {
  // Key-colour corner: only pixels exactly 0x00FF00FF take the parent (or the colour).
  TestPixels img(3, 1, Pix(1, 1, 1, 255));
  img.At(0, 0) = kKeyPixel;
  img.At(1, 0) = 0xFFFF00FF;
  TestPixels bg(10, 10, Pix(9, 9, 9, 9));
  TestPixels cache(4, 4, 0);
  CopyTransCornerPixels(cache.View, img.View, {1, 1}, {-2, 0, 7, 5}, bg.View, {2, 2}, true, 0);
  EXPECT_EQ(cache.At(1, 1), Pix(9, 9, 9, 9));
  EXPECT_EQ(cache.At(2, 1), 0u);  // fuchsia with alpha 255 is not the key
  TestPixels c2(4, 4, 0);
  CopyTransCornerPixels(c2.View, img.View, {3, 3}, {0, 0, 2, 0}, {}, {0, 0}, false, 0x0000FF);
  EXPECT_EQ(c2.At(3, 3), Pix(0, 0, 255, 0));  // the colour in pixel order; the rest lies outside
  TestPixels c3(4, 4, 0);
  CopyTransCornerPixels(c3.View, img.View, {0, 0}, {0, 0, 2, 0}, {}, {0, 0}, false, clFuchsia);
  EXPECT_EQ(c3.At(0, 0), 0u);
  // Alpha corner: alpha 0 shows the parent with useAlpha; masked images need a border image.
  TestPixels alpha(2, 1, Pix(5, 5, 5, 0));
  alpha.At(1, 0) = Pix(5, 5, 5, 200);
  for (bool useAlpha : {true, false})
    for (bool border : {true, false}) {
      TestPixels c(2, 1, 0);
      CopyMasterCornerPixels(c.View, {0, 0, 2, 1}, alpha.View, {0, 0, 2, 1}, bg.View, {0, 0}, true, 0, useAlpha,
                             border);
      EXPECT_EQ(c.At(0, 0), useAlpha ? Pix(9, 9, 9, 9) : 0u) << useAlpha << border;
      EXPECT_EQ(c.At(1, 0), 0u);
    }
  TestPixels keyed(1, 1, kKeyPixel), c4(1, 1, 0);
  CopyMasterCornerPixels(c4.View, {0, 0, 1, 1}, keyed.View, {0, 0, 1, 1}, bg.View, {0, 0}, true, 0, false, true);
  EXPECT_EQ(c4.At(0, 0), Pix(9, 9, 9, 9));
  TestPixels c5(1, 1, 0);
  CopyMasterCornerPixels(c5.View, {-3, -3, 9, 9}, keyed.View, {0, 0, 1, 1}, {}, {0, 0}, false, 0x00FF00, false, false);
  EXPECT_EQ(c5.At(0, 0), 0u);  // the negative origin moves both rectangles: nothing pairs
  CopyMasterCornerPixels(c5.View, {0, 0, 1, 1}, keyed.View, {0, 0, 1, 1}, {}, {0, 0}, false, 0x00FF00, false, false);
  EXPECT_EQ(c5.At(0, 0), Pix(0, 255, 0, 0));
}
