// The raster routines against GDI on the same pixels: block copies and nearest stretches give
// the bytes BitBlt and StretchBlt (COLORONCOLOR) give; icons, fades, the functions bound by
// name and the composition branch of UpdateAlpha.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/Composition.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/MaskImages.h"
#include "raster/Resampling.h"
#include "support/Bitmap32.h"
#include "ui/Canvas.h"

TEST(AgainstGdi, BlockCopiesEqualBitBlt) {
  auto src = RandomBitmap(23, 17, 1);
  struct Case {
    int dx, dy;
    TRect r;
  } cases[] = {{0, 0, {0, 0, 23, 17}}, {3, 2, {5, 4, 20, 15}}, {-4, -3, {2, 1, 12, 9}}, {15, 10, {0, 0, 23, 17}}};
  for (auto c : cases) {
    auto viaGdi = RandomBitmap(19, 13, 2), viaKernel = RandomBitmap(19, 13, 2);
    BitBlt(viaGdi->Canvas()->Handle(), c.dx, c.dy, c.r.Width(), c.r.Height(), src->Canvas()->Handle(), c.r.Left,
           c.r.Top, SRCCOPY);
    CopyPixels(viaKernel->View(), c.dx, c.dy, src->View(), c.r);
    EXPECT_EQ(PixelsOf(viaGdi.get()), PixelsOf(viaKernel.get())) << c.dx << "," << c.dy;
  }
}

TEST(AgainstGdi, NearestStretchEqualsStretchBltColorOnColorWhenGrowing) {
  // Growing, every GDI repeats each source pixel as the nearest sampler does. Shrinking, GDI
  // implementations pick different pixels of each run (none is the centre); the engine takes
  // the pixel under each destination centre there, the same on every platform.
  auto src = RandomBitmap(16, 12, 3);
  struct Case {
    TRect d, s;
  } cases[] = {{{0, 0, 32, 24}, {0, 0, 16, 12}},
               {{2, 1, 29, 9}, {3, 2, 10, 6}},
               {{0, 0, 40, 3}, {4, 4, 6, 5}},
               {{0, 0, 20, 30}, {0, 0, 16, 1}},
               {{1, 1, 31, 23}, {0, 0, 13, 11}}};
  for (auto c : cases) {
    auto viaGdi = RandomBitmap(33, 25, 4), viaKernel = RandomBitmap(33, 25, 4);
    HDC dc = viaGdi->Canvas()->Handle();
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, c.d.Left, c.d.Top, c.d.Width(), c.d.Height(), src->Canvas()->Handle(), c.s.Left, c.s.Top,
               c.s.Width(), c.s.Height(), SRCCOPY);
    StretchNearest(viaKernel->View(), c.d, src->View(), c.s);
    EXPECT_EQ(PixelsOf(viaGdi.get()), PixelsOf(viaKernel.get()))
        << c.d.Width() << "x" << c.d.Height() << " from " << c.s.Width() << "x" << c.s.Height();
  }
}

TEST(AgainstGdi, KernelsGiveTheSameBytesAsNatively) {
  // The exhaustive checks of the mixing rule run in this build too (the portable test);
  // here the compositors run on DIB sections, whose rows are what GDI itself draws into.
  auto dst = RandomBitmap(31, 9, 5), src = RandomBitmap(31, 9, 6);
  TestPixels ref(31, 9);
  TPixelView d = dst->View();
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 31; ++x) ref.At(x, y) = d.At(x, y);
  CopyBmp32({0, 0, 31, 9}, {0, 0, 31, 9}, dst.get(), src.get(), EmptyCI, false, clNone, 0, false);
  CopyBmp32({0, 0, 31, 9}, {0, 0, 31, 9}, ref.View, src->View(), TBackdrop{}, false, clNone, 0, false);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 31; ++x) {
      const uint32_t s = src->View().At(x, y);
      const uint32_t r = ref.At(x, y);
      ASSERT_EQ(d.At(x, y), r);
      EXPECT_EQ(r >> 24, std::max(s >> 24, r >> 24));
    }
}

TEST(Gdi, IconFromBitmap) {
  std::unique_ptr<TBitmap> img(CreateBmp32(16, 16));
  FillRect32(img.get(), {0, 0, 16, 16}, 0x0000FF, 255);
  FillRect32(img.get(), {0, 0, 8, 16}, 0x00FF00, 0);
  HICON icon = MakeIcon32(img.get(), true);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  EXPECT_TRUE(info.fIcon);
  BITMAP bm{};
  GetObjectW(info.hbmColor, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 16);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
}

TEST(Gdi, FadeBmp) {
  // Transparency 100: the area keeps its picture up to the one-step loss of the mixing rule.
  auto pic = RandomBitmap(20, 12, 8);
  const std::vector<uint32_t> before = PixelsOf(pic.get());
  FadeBmp(pic.get(), {0, 0, 20, 12}, 100, 0x000000, 3, 4);
  const std::vector<uint32_t> after = PixelsOf(pic.get());
  for (size_t i = 0; i < before.size(); ++i)
    for (int sh = 0; sh < 24; sh += 8) ASSERT_LE(int(before[i] >> sh & 0xFF) - int(after[i] >> sh & 0xFF), 1) << i;
  // Blur 0 and transparency 0: the whole area (but the white corners of the mask) is the colour.
  auto flat = RandomBitmap(10, 10, 9);
  FadeBmp(flat.get(), {2, 2, 8, 8}, 0, 0x0000FF, 0, 0);
  EXPECT_EQ(flat->View().At(4, 4) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(PixelsOf(flat.get())[0], PixelsOf(RandomBitmap(10, 10, 9).get())[0]);  // outside aRect
}

TEST(Gdi, BoundFunctionsAndCompositionBranch) {
  sGraphUtilsStartup();
  EXPECT_TRUE(kvLayered());
  std::unique_ptr<TBitmap> b(CreateBmp32(2, 1));
  EXPECT_EQ(kvGetLayout(b->Canvas()->Handle()), 0u);
  kvSetLayout(b->Canvas()->Handle(), LAYOUT_RTL);
  EXPECT_EQ(kvGetLayout(b->Canvas()->Handle()), Cardinal(LAYOUT_RTL));
  kvSetLayout(b->Canvas()->Handle(), 0);
  const Integer saved = iAeroStatus;
  for (int on : {0, 1}) {
    iAeroStatus = on;
    b->View().At(0, 0) = MakePix(250, 250, 250, 255);
    UpdateAlpha(b.get());
    EXPECT_EQ(b->View().At(0, 0), on ? MakePix(249, 249, 249, 255) : MakePix(244, 244, 244, 255));
  }
  iAeroStatus = saved;
}
