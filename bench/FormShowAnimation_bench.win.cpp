// One frame of the show animation of a 673 x 428 form (the main window's size), as the animation
// runs it: the frame drawn into the frame buffer and handed to a shown layered window with its
// alpha; for the fade (the picture drawn on the first frame only, then only the alpha changes)
// and for the zoom (the picture stretched into every frame), beside a plain BitBlt of the same
// size as the yardstick, in one run. The frame time budget is the 12 ms between frames.
// Run (needs a display): build the win32 preset with -DTARNWICK_BENCH=ON, then
//   build/<dir>/wine-run.sh build/<dir>/bench/FormShowAnimation_bench.exe
#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "BenchTiming.h"
#include "base/WorkingBitmaps.h"
#include "base/kvntTypes.h"
#include "controls/kvAnimationShow.h"
#include "raster/GdiBitmaps.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"

namespace {

constexpr Integer kWidth = 673, kHeight = 428;

void Report(const char* what, double ms, double yardstick) {
  std::printf("%-40s %9.4f ms   BitBlt %8.4f ms   ratio %7.2f   of the 12 ms frame %5.1f %%\n", what, ms, yardstick,
              ms / yardstick, ms * 100 / 12);
}

}  // namespace

int main() {
  TApplication app;
  sGraphUtilsStartup();
  std::unique_ptr<TBitmap> picture(CreateBmp32(kWidth, kHeight)), frame(CreateBmp32(kWidth, kHeight)),
      target(CreateBmp32(kWidth, kHeight));
  {
    const TPixelView v = picture->View();
    for (Integer y = 0; y < kHeight; ++y)
      for (Integer x = 0; x < kWidth; ++x) v.At(x, y) = 0xFF000000u | uint32_t(x * 0x10101 + y * 0x100);
  }
  auto* window = new TkvGlowForm(nullptr);
  window->AfterConstruction();
  HWND wnd = window->Handle();
  SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED | WS_EX_NOACTIVATE);
  TSize size(kWidth, kHeight);
  TPoint pos(40, 40);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 0, AC_SRC_ALPHA};
  UpdateLayeredWnd(wnd, picture.get(), &size, &blend, &pos);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);

  const std::vector<TkvFormShowFrame> fade = FormShowFrames(atcFade, kWidth, kHeight, 240, 255);
  const std::vector<TkvFormShowFrame> zoom = FormShowFrames(atcAero, kWidth, kHeight, 240, 255);
  const double yardstick = bench::MsPerCall(
      50,
      [&] { BitBlt(target->Canvas()->Handle(), 0, 0, kWidth, kHeight, picture->Canvas()->Handle(), 0, 0, SRCCOPY); },
      bench::Flush::Gdi);
  size_t i = 0;
  auto runFrame = [&](const std::vector<TkvFormShowFrame>& frames) {
    const TkvFormShowFrame& f = frames[i++ % frames.size()];
    DrawFormShowFrame(frame->View(), picture->View(), f);
    blend.SourceConstantAlpha = f.Alpha;
    UpdateLayeredWnd(wnd, frame.get(), &size, &blend, nullptr);
  };
  i = 0;
  const double fadeMs = bench::MsPerCall(42, [&] { runFrame(fade); });
  i = 0;
  const double zoomMs = bench::MsPerCall(42, [&] { runFrame(zoom); });
  i = 0;
  const double drawOnly =
      bench::MsPerCall(42, [&] { DrawFormShowFrame(frame->View(), picture->View(), zoom[i++ % zoom.size()]); });
  std::printf("Show animation of a %d x %d form, per frame (best of 5 runs of two 21-frame shows)\n", kWidth, kHeight);
  Report("fade frame (alpha to the window)", fadeMs, yardstick);
  Report("zoom frame (stretch + alpha to window)", zoomMs, yardstick);
  Report("zoom frame, stretch alone", drawOnly, yardstick);
  delete window;
  sGraphUtilsCleanup();
  return 0;
}
