// The skinned controls at the main window's sizes, beside a plain BitBlt of the same size as the
// yardstick, in one run: a 100 x 30 button painted from its cache (goal under 0.1 ms) and from
// scratch (goal under 2 ms), and 10,000 position updates of a 406 x 21 progress bar that keep
// its number of items (goal: no repaint).
// Run (needs a display): build the win32 preset with -DTARNWICK_BENCH=ON, then
//   build/<dir>/wine-run.sh build/<dir>/bench/SkinnedControls_bench.exe
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <memory>

#include "BenchSkin.h"
#include "BenchTiming.h"
#include "base/WorkingBitmaps.h"
#include "controls/kvProgressBar.h"
#include "controls/sButton.h"
#include "raster/Blend.h"
#include "skin/sSkinManager.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"

namespace {

// A skin of a button (three looks with a gradient) and a gauge with its items.
struct BenchSkin : bench::SkinManager {
  Integer button = -1, gauge = -1;
  BenchSkin() {
    button = data->AddNewSection(u"BUTTON", -1, 3, 0, clSilver, clBlack);
    for (auto& look : data->gd[size_t(button)].Props) bench::TwoColourGradient(look, clWhite, clGray);
    gauge = data->AddNewSection(u"GAUGE", -1, 1, 0, clBlack, clWhite);
    data->AddNewSection(u"PROGRESSH", -1, 1, 0, clLime, clBlack);
  }
};

}  // namespace

int main() {
  if (!GetSystemMetrics(SM_CXSCREEN)) {
    std::printf("no display: the benchmark needs Xvfb\n");
    return 1;
  }
  auto app = std::make_unique<TApplication>();
  BenchSkin skin;
  auto* form = new TForm(app.get());
  form->AfterConstruction();
  form->SetBounds(100, 100, 500, 200);

  auto* button = new TsButton(form);
  button->SetBounds(20, 20, 100, 30);
  button->SetCaption(u"Download");
  button->SetParent(form);
  button->HandleNeeded();
  button->SkinData()->SkinIndex = skin.button;
  button->SkinData()->SetCommonSkinData(nullptr);

  std::unique_ptr<TBitmap> target(CreateBmp32(100, 30)), source(CreateBmp32(100, 30));
  HDC dc = target->Canvas()->Handle();
  HDC src = source->Canvas()->Handle();
  const double blt = bench::MsPerCall(
      2000, [&] { BitBlt(dc, 0, 0, 100, 30, src, 0, 0, SRCCOPY); }, bench::Flush::Gdi);
  auto print = [&] { SendMessageW(button->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT); };
  print();
  const double cached = bench::MsPerCall(2000, print, bench::Flush::Gdi);
  const double scratch = bench::MsPerCall(
      200,
      [&] {
        button->SkinData()->BGChanged = true;
        print();
      },
      bench::Flush::Gdi);
  bench::ReportAgainstBitBlt("button 100 x 30 from its cache", cached, blt, 0.1);
  bench::ReportAgainstBitBlt("button 100 x 30 from scratch", scratch, blt, 2.0);

  auto* bar = new TsProgressBar(form);
  bar->SetBounds(10, 100, 406, 21);
  bar->SetParent(form);
  bar->HandleNeeded();
  bar->SkinData()->SkinIndex = skin.gauge;
  bar->SkinData()->SetCommonSkinData(nullptr);
  SendMessageW(bar->Handle(), PBM_SETPOS, 50, 0);
  // 50 of 100 over 30 items: every position from 49.2 to 50.8 shows 15; alternate 50 and 51.
  const Integer before = bar->CacheBuilds();
  const double t0 = bench::Now();
  for (int i = 0; i < 10000; ++i) SendMessageW(bar->Handle(), PBM_SETPOS, WPARAM(50 + (i & 1)), 0);
  const double perUpdateUs = (bench::Now() - t0) / 10000 * 1e6;
  const Integer rebuilt = bar->CacheBuilds() - before;
  std::printf("%-44s %9.4f us per update   cache rebuilds %d   goal 0: %s\n",
              "progress bar, 10,000 updates, same count", perUpdateUs, rebuilt, rebuilt == 0 ? "met" : "MISSED");
  return 0;
}
