// The effects of a skinned button, per step, beside a plain BitBlt of the button's size to its
// window as the yardstick, in one run: a fade step, a fill-light step and a ripple step for
// buttons of 100 x 30 and 300 x 40 (goal under 4 ms a step) with the ripple's blur of one frame
// beside the stretches through device contexts it replaced, and a tick of the mouse light with
// 4 and 50 registered buttons (goal under 1 ms). The timers are not left to tick: each step is
// called directly, with the timer put back where it was.
// Run (needs a display): build the win32 preset with -DTARNWICK_BENCH=ON, then
//   build/<dir>/wine-run.sh build/<dir>/bench/Effects_bench.exe
#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "BenchSkin.h"
#include "BenchTiming.h"
#include "base/WorkingBitmaps.h"
#include "controls/kvAnimation.h"
#include "controls/sButton.h"
#include "raster/Blend.h"
#include "raster/GdiBitmaps.h"
#include "raster/kvgpUtils.h"
#include "skin/sSkinManager.h"
#include "ui/Bitmap.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"

namespace {

// A button skin of three plain looks.
struct BenchSkin : bench::SkinManager {
  Integer button = -1;
  BenchSkin() {
    manager.Effects.AllowAnimation = true;
    button = data->AddNewSection(u"BUTTON", -1, 3, 0, clSilver, clBlack);
    data->gd[size_t(button)].Props[1].Color = Integer(clWhite);
  }
};

// Timers that never tick by themselves.
class IdleDriver : public TkvTimerDriver {
 public:
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool v) override { enabled_ = v; }
  Cardinal Interval() const override { return 12; }
  void SetInterval(Cardinal) override {}

 private:
  bool enabled_ = true;
};

TsButton* AddButton(TForm* form, const BenchSkin& skin, const TRect& r) {
  auto* b = new TsButton(form);
  b->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  b->SetCaption(u"Download");
  b->SetParent(form);
  b->HandleNeeded();
  b->SkinData()->SkinIndex = skin.button;
  b->SkinData()->SetCommonSkinData(nullptr);
  return b;
}

void PaintAll(TForm* form) {
  RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void BenchButton(TForm* form, TsButton* b) {
  TsCtrlSkinData* sd = b->SkinData();
  const Integer w = b->Width(), h = b->Height();
  char name[64];
  // The yardstick: one copy of the button's picture to its window.
  std::unique_ptr<TBitmap> picture(CreateBmp32(w, h));
  HDC wdc = GetWindowDC(b->Handle());
  const double blt = bench::MsPerCall(
      500, [&] { BitBlt(wdc, 0, 0, w, h, picture->Canvas()->Handle(), 0, 0, SRCCOPY); }, bench::Flush::Gdi);
  ReleaseDC(b->Handle(), wdc);

  // A fade to the hot look, one step at a time from its middle.
  sd->BGChanged = false;
  sd->FMouseAbove = true;
  DoChangePaint(sd, 1, UpdateWindow_CB, true, false, false);
  TkvThreadedTimer* fade = sd->AnimTimer.get();
  const double fadeMs = bench::MsPerCall(
      200,
      [&] {
        fade->Iteration = 3;
        fade->Glow = 127.5;
        UpdateWindow_CB(sd, 3);
      },
      bench::Flush::Gdi);
  std::snprintf(name, sizeof name, "fade step %d x %d", w, h);
  bench::ReportAgainstBitBlt(name, fadeMs, blt, 4.0);
  sd->StopTimer();

  // The fill light while held, with the cursor on the button.
  const TPoint centre = b->ClientToScreen(TPoint(w / 2, h / 2));
  SetCursorPos(centre.X, centre.Y);
  sd->BGChanged = false;
  DoChangePaint(sd, 2, UpdateFillLight, true, false, false);
  TkvThreadedTimer* light = sd->AnimTimer.get();
  const double startValue = light->Value;
  const double fillMs = bench::MsPerCall(
      200,
      [&] {
        light->Value = startValue;
        light->Iteration = 1;
        UpdateFillLight(sd, 1);
      },
      bench::Flush::Gdi);
  std::snprintf(name, sizeof name, "fill-light step %d x %d", w, h);
  bench::ReportAgainstBitBlt(name, fillMs, blt, 4.0);
  sd->StopTimer();

  // Whole ripples (17 frames and the screen copy), per frame.
  const double rippleMs = bench::MsPerCall(
                              5,
                              [&] {
                                DoClickAnimation(sd, cm1);
                                TkvThreadedTimer* t = sd->ClickTimer.get();
                                while (t->Enabled()) t->OnTimer2(nullptr);
                              },
                              bench::Flush::Gdi) /
                          17;
  std::snprintf(name, sizeof name, "ripple step %d x %d", w, h);
  bench::ReportAgainstBitBlt(name, rippleMs, blt, 4.0);

  // Of it: the cheap blur of the ripple's middle frame (an opaque block on nothing), as the
  // ripple blurs it (GDI+ drawing into the frame's memory, memory kept) beside the two
  // stretches onto device contexts it replaced.
  TSize middle(w, h);
  for (int i = 0; i < 8; ++i) middle = kvRippleNextSize(middle, cm1);
  std::unique_ptr<TBitmap> frame(CreateBmp32(middle.cx, middle.cy));
  FillRect32(frame.get(), TRect(middle.cx / 8, middle.cy / 8, middle.cx - middle.cx / 8, middle.cy - middle.cy / 8),
             clNavy, 255);
  TQBlurScratch scratch;
  const double blurMs = bench::MsPerCall(
      20, [&] { QBlur(frame.get(), middle, scratch); }, bench::Flush::Gdi);
  const double viaDCsMs = bench::MsPerCall(
      20,
      [&] {
        std::unique_ptr<TBitmap> half(CreateBmp32(middle.cx / 2, middle.cy / 2));
        kvgpStretchRect(half.get(), frame.get(), 0, 0, middle.cx - 1, middle.cy - 1);
        kvgpStretchRect(frame.get(), half.get(), 0, 0, half->Width() - 1, half->Height() - 1);
      },
      bench::Flush::Gdi);
  std::printf("  of it: cheap blur %d x %d %8.4f ms   through DCs %8.4f ms   ratio %6.2f\n", middle.cx, middle.cy,
              blurMs, viaDCsMs, blurMs / viaDCsMs);
  PaintAll(form);
}

}  // namespace

int main() {
  if (!GetSystemMetrics(SM_CXSCREEN)) {
    std::printf("no display: the benchmark needs Xvfb\n");
    return 1;
  }
  kvTimerDriverFactory = [](TkvThreadedTimer&, Cardinal) { return std::make_unique<IdleDriver>(); };
  // The start-up steps that bind UpdateLayeredWindow and start GDI+, as the program's
  // start-up does: without them the ripple's window update and blur would cost nothing here.
  sGraphUtilsStartup();
  kvgpUtilsStartup();
  kvAnimationStartup();
  auto app = std::make_unique<TApplication>();
  BenchSkin skin;
  auto* form = new TForm(app.get());
  form->AfterConstruction();
  form->SetBounds(50, 50, 700, 500);
  TsButton* small = AddButton(form, skin, TRect(20, 20, 120, 50));
  TsButton* wide = AddButton(form, skin, TRect(20, 60, 320, 100));
  form->Show();
  PaintAll(form);
  BenchButton(form, small);
  BenchButton(form, wide);

  // The light's tick: every registered button is asked; the cursor lies on the first one.
  std::vector<TsButton*> lit{small, wide};
  for (int i = 0; lit.size() < 50; ++i)
    lit.push_back(
        AddButton(form, skin, TRect(340 + (i % 6) * 55, 20 + (i / 6) * 35, 390 + (i % 6) * 55, 50 + (i / 6) * 35)));
  PaintAll(form);
  const TPoint over = small->ClientToScreen(TPoint(50, 15));
  SetCursorPos(over.X, over.Y);
  TkvMouseLightData* light = kvMouseLightData();
  std::unique_ptr<TBitmap> picture(CreateBmp32(100, 30));
  HDC wdc = GetWindowDC(small->Handle());
  const double blt = bench::MsPerCall(
      500, [&] { BitBlt(wdc, 0, 0, 100, 30, picture->Canvas()->Handle(), 0, 0, SRCCOPY); }, bench::Flush::Gdi);
  ReleaseDC(small->Handle(), wdc);
  for (size_t count : {size_t(4), size_t(50)}) {
    light->LightControls.clear();
    for (size_t i = 0; i < count; ++i) AddLightControl(lit[i]->SkinData());
    const double tick = bench::MsPerCall(
        200, [&] { light->OnLightTimer(nullptr); }, bench::Flush::Gdi);
    char name[64];
    std::snprintf(name, sizeof name, "mouse-light tick, %zu controls", count);
    bench::ReportAgainstBitBlt(name, tick, blt, 1.0);
  }
  kvAnimationCleanup();
  kvgpUtilsCleanup();
  sGraphUtilsCleanup();
  return 0;
}
