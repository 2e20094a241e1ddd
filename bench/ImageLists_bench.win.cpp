// Drawing one glyph of an image list into a 32-bit bitmap, with the item's cached picture and
// without it (a fresh decode and resample, or a fresh font rendering), beside a plain BitBlt
// of the same size as the yardstick, in one run.
// Run: build/win32/wine-run.sh build/win32/bench/ImageLists_bench.exe
#include <windows.h>

#include <cstdio>
#include <memory>

#include "BenchTiming.h"
#include "controls/sGlyphUtils.h"
#include "images/kvAlphaImageList.h"
#include "images/kvPNG.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "ui/Canvas.h"
#include "ui/GdiScopes.h"

using bench::UsPerCall;

int main() {
  kvgpUtilsStartup();
  kvAlphaImageListStartup();
  constexpr int kSide = 24, kPPI = 144;  // 24 x 24 at 96 PPI, drawn at 36 x 36
  const int side = kSide * kPPI / 96;

  TBitmap target(64, 64, pf32bit), source(side, side, pf32bit);
  TCanvasLock lockTarget(*target.Canvas()), lockSource(*source.Canvas());
  const double blit = UsPerCall(20000, [&] {
    BitBlt(target.Canvas()->Handle(), 0, 0, side, side, source.Canvas()->Handle(), 0, 0, SRCCOPY);
    GdiFlush();
  });

  TsAlphaImageList* res = MakeResImages();  // 48 x 24 PNG pictures in a 32 x 16 list
  auto alpha = [&] { DrawAlphaImgList(res, &target, 0, 0, iBTN_OPENFILE, 0, clNone, 0, 2, false, kPPI); };
  const double alphaCached = UsPerCall(5000, alpha);
  res->SetUseCache(false);
  const double alphaFresh = UsPerCall(500, alpha);

  auto chars = [&](int state) {
    return [&, state] { DrawAlphaImgList(CharImages(), &target, 0, 0, 6, 0, clNone, state, 1, false, kPPI); };
  };
  const double charCached = UsPerCall(5000, chars(0));
  // In any state but rest the blended list renders afresh (its cache holds the resting look).
  const double charFresh = UsPerCall(200, chars(1));

  std::printf("%-44s %10s %8s\n", "one glyph drawn at 144 PPI", "us/call", "x BitBlt");
  std::printf("%-44s %10.2f %8.1f\n", "BitBlt of the same size (yardstick)", blit, 1.0);
  std::printf("%-44s %10.2f %8.1f\n", "alpha list, cached picture", alphaCached, alphaCached / blit);
  std::printf("%-44s %10.2f %8.1f\n", "alpha list, PNG decoded and resampled", alphaFresh, alphaFresh / blit);
  std::printf("%-44s %10.2f %8.1f\n", "icon-font list, cached rendering", charCached, charCached / blit);
  std::printf("%-44s %10.2f %8.1f\n", "icon-font list, rendered through the font", charFresh, charFresh / blit);
  sGlyphUtilsCleanup();
  kvAlphaImageListCleanup();
  kvgpUtilsCleanup();
  return 0;
}
