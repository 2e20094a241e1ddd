// The minimize and restore flight of a skinned 400 x 300 form on the real UI timer under Wine,
// against the manager's 80 ms setting: frames shown, the achieved period between frames (the
// setting asks for 6 ms), and the time until the flight is over (goal: done within 160 ms).
// Run (needs a display): build the win32 preset with -DTARNWICK_BENCH=ON, then
//   build/<dir>/wine-run.sh build/<dir>/bench/FormMotion_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "BenchTiming.h"
#include "base/Composition.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"

namespace {

struct Flight {
  double ms = 0;
  size_t frames = 0;
};

// Runs the message loop until the timer stops; the time taken and the frames shown on window.
Flight RunOut(TkvMinTimer* t, HWND anim, double t0) {
  while (t->Enabled() && bench::Now() - t0 < 5.0) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  Flight f;
  f.ms = (bench::Now() - t0) * 1e3;
  f.frames = layered::LayeredCalls::UpdatesOf(anim).size();
  return f;
}

void Report(const char* what, const std::vector<Flight>& runs, double settingMs, double goalMs) {
  std::vector<Flight> sorted = runs;
  std::sort(sorted.begin(), sorted.end(), [](const Flight& a, const Flight& b) { return a.ms < b.ms; });
  const Flight& median = sorted[sorted.size() / 2];
  const double period = median.frames > 1 ? median.ms / double(median.frames) : median.ms;
  std::printf(
      "%-9s median %7.1f ms (best %7.1f)  frames %3zu  period %5.2f ms (setting %d ms, ratio %5.2f)"
      "  time/setting %5.2f  goal < %g ms: %s\n",
      what, median.ms, sorted.front().ms, median.frames, period, kvMinimizeInterval, period / kvMinimizeInterval,
      median.ms / settingMs, goalMs, median.ms < goalMs ? "met" : "MISSED");
}

}  // namespace

int main() {
  auto app = std::make_unique<TApplication>();
  formskin::FormSkin skin;
  iAeroStatus = 1;  // the flight runs where layered windows are composed
  DuRiruZireziv& m = skin.skin.Manager;
  m.AnimEffects.Minimizing.Active = true;
  m.AnimEffects.Minimizing.Time = 80;
  m.Effects.AllowAnimation = true;
  auto* form = new TForm(app.get());
  form->AfterConstruction();
  form->SetBounds(200, 150, 400, 300);
  form->SetCaption(u"Bench");
  form->HandleNeeded();
  auto* sp = new TsSkinProvider(form);
  sp->AfterConstruction();
  form->Show();
  Application->ProcessMessages();

  std::vector<Flight> minimize, restore;
  for (int run = 0; run < 7; ++run) {
    layered::LayeredCalls rec;
    double t0 = bench::Now();
    sp->StartMinimizing();
    auto* t = dynamic_cast<TkvMinTimer*>(sp->FormTimer.get());
    if (!t || !t->AnimForm) {
      std::printf("the minimize did not start\n");
      return 1;
    }
    const HWND anim = t->AnimForm->Handle();
    const size_t before = layered::LayeredCalls::UpdatesOf(anim).size();  // the cover's first picture
    Flight f = RunOut(t, anim, t0);
    f.frames -= before;
    minimize.push_back(f);
    layered::updates.clear();
    t0 = bench::Now();
    sp->StartRestoring();
    Flight r = RunOut(t, anim, t0);
    r.frames = size_t(t->Motion.RestoreDone);  // the steps; the end shows the picture twice more
    restore.push_back(r);
  }
  std::printf("Minimize and restore of a 400 x 300 skinned form, setting 80 ms (6 ms steps):\n");
  Report("minimize", minimize, 80, 160);
  Report("restore", restore, 80, 160);
  return 0;
}
