// Textures and frames of skin images on a canvas: the canvas form paints what the bitmap form
// paints, and the stretching ones leave the block stretch set on the canvas.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "skin/sMaskData.h"
#include "skin/sSkinManager.h"
#include "support/Bitmap32.h"
#include "ui/Canvas.h"

TEST(Gdi, TextureOnACanvasEqualsTheBitmapForm) {
  DuRiruZireziv manager{nullptr};
  manager.MasterBitmap = RandomBitmap(10, 10, 10);
  TsMaskData tex;
  tex.Manager = &manager;
  tex.R = {1, 1, 8, 7};
  for (int mode : {int(fmTiled), int(fmStretched), int(fmFromBottomToTop)}) {
    std::unique_ptr<TBitmap> a(CreateBmp32(25, 19)), b(CreateBmp32(25, 19));
    TRect ra{2, 3, 24, 18}, rb = ra;
    TileBitmap(a->Canvas(), ra, nullptr, tex, TkvFillMode(mode));
    TileBitmap(b.get(), rb, nullptr, tex, TkvFillMode(mode));
    EXPECT_EQ(ra, rb);
    EXPECT_EQ(PixelsOf(a.get()), PixelsOf(b.get())) << mode;
  }
}

TEST(Gdi, StretchingTexturesAndFramesLeaveTheBlockStretchOnTheCanvas) {
  DuRiruZireziv manager{nullptr};
  manager.MasterBitmap = RandomBitmap(10, 10, 11);
  TsMaskData tex;
  tex.Manager = &manager;
  tex.R = {0, 0, 4, 4};
  // Texture modes: only the stretching ones change the canvas's stretch mode.
  for (int mode = 0; mode <= 14; ++mode) {
    std::unique_ptr<TBitmap> b(CreateBmp32(12, 12));
    HDC dc = b->Canvas()->Handle();
    SetStretchBltMode(dc, BLACKONWHITE);
    TRect r{0, 0, 12, 12};
    TileBitmap(b->Canvas(), r, nullptr, tex, TkvFillMode(mode));
    const bool stretching = mode == fmStretched || mode == fmStretchHorzTop || mode == fmStretchVertLeft ||
                            mode == fmStretchHorz || mode == fmStretchVert;
    EXPECT_EQ(GetStretchBltMode(b->Canvas()->Handle()), stretching ? COLORONCOLOR : BLACKONWHITE) << mode;
  }
  // Frames: a stretched frame image sets it; a tiled one, or a call that paints nothing, does not.
  TsMaskData frame;
  frame.Manager = &manager;
  frame.R = {0, 0, 6, 6};
  frame.ImageCount = 1;
  frame.WL = frame.WT = frame.WR = frame.WB = 2;
  frame.Width = frame.Height = 6;
  struct Case {
    Integer drawMode, state;
    TRect rect;
    int want;
  };
  const Case cases[] = {
      {BDM_STRETCH, 0, {0, 0, 12, 12}, COLORONCOLOR},
      {0, 0, {0, 0, 12, 12}, BLACKONWHITE},
      {BDM_STRETCH | BDM_ACTIVEONLY, 0, {0, 0, 12, 12}, BLACKONWHITE},
      {BDM_STRETCH | BDM_ACTIVEONLY, 1, {0, 0, 12, 12}, COLORONCOLOR},
      {BDM_STRETCH, 0, {0, 0, 1, 12}, BLACKONWHITE},
  };
  for (const Case& c : cases) {
    frame.DrawMode = static_cast<int16_t>(c.drawMode);
    for (int form = 0; form < 3; ++form) {
      std::unique_ptr<TBitmap> b(CreateBmp32(12, 12));
      SetStretchBltMode(b->Canvas()->Handle(), BLACKONWHITE);
      if (form == 0) DrawSkinRect(b.get(), c.rect, EmptyCI, frame, c.state, false);
      if (form == 1) DrawSkinRect32(b.get(), c.rect, EmptyCI, frame, c.state);
      if (form == 2) DrawSkinRect32Ex(b.get(), c.rect, EmptyCI, frame, c.state, {2, 2, 2, 2}, 255);
      EXPECT_EQ(GetStretchBltMode(b->Canvas()->Handle()), c.want) << c.drawMode << " " << c.state << " " << form;
    }
  }
}
