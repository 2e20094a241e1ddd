// Skinned form frames under Wine, each beside the same work on an unskinned form in one run:
// one resize step at 400 x 300, 1024 x 768 and 1920 x 1080 (window picture, region and blits;
// goal under 16 ms at 1024 x 768), a move (goal: no rebuild of the picture), a caption-button
// hover and its end (goal: no rebuild), WM_NCHITTEST on the caption (goal: within 2x of the
// unskinned form), and the form image taken on close.
// Run (needs a display): build the win32 preset with -DTARNWICK_BENCH=ON, then
//   build/<dir>/wine-run.sh build/<dir>/bench/FormSkin_bench.exe
#include <windows.h>

#include <cstdio>
#include <memory>

#include "BenchTiming.h"
#include "forms/kvDials.h"
#include "forms/sSkinProvider.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "ui/Dialogs.h"

namespace {

void Report(const char* what, double skinned, double plain, double goal = 0, const char* unit = "ms") {
  std::printf("%-48s skinned %9.4f %s   unskinned %9.4f %s   ratio %6.2f", what, skinned, unit, plain, unit,
              skinned / plain);
  if (goal > 0) std::printf("   goal < %g %s: %s", goal, unit, skinned < goal ? "met" : "MISSED");
  std::printf("\n");
}

// Answers the message box as soon as it is up and has painted.
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = GetActiveWindow();
  if (!box || GetWndClassName(box) != u"TMessageForm") return;
  KillTimer(nullptr, id);
  UpdateWindow(box);
  PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(box, WM_KEYUP, VK_RETURN, 0);
}

double MessageBoxMs() {
  return bench::MsPerCall(10, [] {
    SetTimer(nullptr, 0, 1, &AnswerBox);
    MessageDlg(u"Ready.", mtInformation, TMsgDlgButtons{mbOK}, 0);
  });
}

TForm* MakeForm(TApplication* app, Integer left) {
  auto* f = new TForm(app);
  f->AfterConstruction();
  f->SetBounds(left, 0, 400, 300);
  f->SetCaption(u"Bench");
  f->HandleNeeded();
  return f;
}

}  // namespace

int main() {
  auto app = std::make_unique<TApplication>();
  formskin::FormSkin skin;
  TForm* skinned = MakeForm(app.get(), 0);
  TForm* plain = MakeForm(app.get(), 40);
  auto* sp = new TsSkinProvider(skinned);
  sp->AfterConstruction();
  for (TForm* f : {skinned, plain}) {
    f->Show();
    f->Update();
  }
  Application->ProcessMessages();

  // One resize step: the size changes by a pixel and the window is painted at once.
  for (TSize size : {TSize(400, 300), TSize(1024, 768), TSize(1920, 1080)}) {
    auto step = [&](TForm* f) {
      static Integer flip = 0;
      flip ^= 1;
      SetWindowPos(f->Handle(), nullptr, 0, 0, size.cx - flip, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      UpdateWindow(f->Handle());
    };
    const double s = bench::MsPerCall(
        20, [&] { step(skinned); }, bench::Flush::Gdi);
    const double p = bench::MsPerCall(
        20, [&] { step(plain); }, bench::Flush::Gdi);
    // The system keeps a window within the screen's maximum tracking size: the size reached is
    // what was measured.
    char what[64];
    std::snprintf(what, sizeof what, "resize step %ldx%ld (reached %ldx%ld)", long(size.cx), long(size.cy),
                  long(skinned->Width()), long(skinned->Height()));
    Report(what, s, p, size.cx == 1024 ? 16 : 0);
  }
  for (TForm* f : {skinned, plain}) SetWindowPos(f->Handle(), nullptr, 0, 0, 1024, 768, SWP_NOMOVE | SWP_NOZORDER);
  Application->ProcessMessages();

  // A move: the picture stays as it is.
  Integer rebuilds = 0;
  auto move = [&](TForm* f) {
    static Integer x = 0;
    x = (x + 7) % 200;
    SetWindowPos(f->Handle(), nullptr, x, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindow(f->Handle());
    if (f == skinned && sp->FCommonData->BGChanged) ++rebuilds;
  };
  const TBitmap* cacheBefore = sp->FCommonData->FCacheBmp.get();
  Report("move", bench::MsPerCall(50, [&] { move(skinned); }), bench::MsPerCall(50, [&] { move(plain); }));
  std::printf("  picture rebuilt by moves: %d (goal 0), cache kept: %s\n", rebuilds,
              cacheBefore == sp->FCommonData->FCacheBmp.get() ? "yes" : "no");

  // Caption-button hover: one button repainted from the saved title strip.
  sp->CalcItems();
  Integer hoverRebuilds = 0;
  const double hover = bench::MsPerCall(200, [&] {
    sp->SetHotHT(HTCLOSE, true);
    sp->SetHotHT(0, true);
    if (sp->FCommonData->BGChanged) ++hoverRebuilds;
  });
  const double rebuild = bench::MsPerCall(20, [&] {
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
  });
  std::printf("%-40s hover+leave %9.4f ms   full picture %9.4f ms   ratio %6.3f   rebuilds %d (goal 0)\n",
              "caption button hover", hover, rebuild, hover / rebuild, hoverRebuilds);

  // WM_NCHITTEST on the caption.
  auto hit = [&](TForm* f) {
    RECT r{};
    GetWindowRect(f->Handle(), &r);
    return MAKELPARAM(r.left + 200, r.top + 8);
  };
  const LPARAM hs = hit(skinned), hp = hit(plain);
  const double ts = bench::UsPerCall(2000, [&] { SendMessageW(skinned->Handle(), WM_NCHITTEST, 0, hs); });
  const double tp = bench::UsPerCall(2000, [&] { SendMessageW(plain->Handle(), WM_NCHITTEST, 0, hp); });
  std::printf("%-40s skinned %9.4f us   unskinned %9.4f us   ratio %6.2f   goal < 2x: %s\n",
              "WM_NCHITTEST on the caption", ts, tp, ts / tp, ts < 2 * tp ? "met" : "MISSED");

  // The form image a close animation takes, beside a plain copy of the window of that size.
  const double image = bench::MsPerCall(20, [&] { (void)sp->GetFormImage(); });
  const double copy = bench::MsPerCall(20, [&] {
    TBitmap bmp(plain->Width(), plain->Height(), pf32bit);
    HDC dc = GetWindowDC(plain->Handle());
    BitBlt(bmp.Canvas()->Handle(), 0, 0, bmp.Width(), bmp.Height(), dc, 0, 0, SRCCOPY);
    ReleaseDC(plain->Handle(), dc);
  });
  Report("GetFormImage 1024x768 (vs window copy)", image, copy);

  // A message box opened, painted and closed: the class library's box, skinned through the
  // thread hook and the dialog skinner, beside the same box unskinned (the timer that answers
  // it is the same for both).
  UseLatestCommonDialogs = false;
  SetForegroundWindow(plain->Handle());
  const double unskinnedBox = MessageBoxMs();
  sSkinProviderStartup();
  skin.skin.Manager.InstallHook();
  const double skinnedBox = MessageBoxMs();
  skin.skin.Manager.UnInstallHook();
  sSkinProviderCleanup();
  Report("message box open, paint, close", skinnedBox, unskinnedBox);
  std::printf("  goal: within 1.5x of the unskinned box: %s\n", skinnedBox < 1.5 * unskinnedBox ? "met" : "MISSED");

  delete skinned;
  delete plain;
  return 0;
}
