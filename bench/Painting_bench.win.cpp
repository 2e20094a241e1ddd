// The painters at their everyday sizes, each beside a plain BitBlt of the same size as the
// yardstick, in one run: a button (100 x 30) and a form frame (673 x 428: nine-part mask,
// transparency, gradient with texture) by PaintItem, a caption with glow, and one frame of a
// layered animation of a 673 x 428 form. Goals: a button under 0.1 ms, a frame under 12 ms.
// Run (needs a display): build the win32 preset with -DTARNWICK_BENCH=ON, then
//   build/<dir>/wine-run.sh build/<dir>/bench/Painting_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include "BenchSkin.h"
#include "BenchTiming.h"
#include "base/kvntTypes.h"
#include "base/kvntUtils.h"
#include "paint/sAlphaGraph.h"
#include "paint/sGraphUtils.h"
#include "raster/kvgpUtils.h"
#include "raster/sGradient.h"
#include "skin/sSkinManager.h"
#include "skin/sVclUtils.h"
#include "ui/Canvas.h"
#include "ui/Forms.h"

namespace {

// Milliseconds per call; each run's batched drawing is flushed inside its timing.
double MsPerCall(int calls, const std::function<void()>& body) {
  return bench::MsPerCall(calls, body, bench::Flush::Gdi);
}

std::unique_ptr<TBitmap> Bitmap(Integer w, Integer h, TColor color) {
  std::unique_ptr<TBitmap> b(CreateBmp32(w, h));
  FillRect32(b.get(), TRect(0, 0, w, h), color, 255);
  b->Canvas()->Handle();
  return b;
}

double BitBltMs(Integer w, Integer h, int calls) {
  auto src = Bitmap(w, h, clRed), dst = Bitmap(w, h, clBlue);
  HDC s = src->Canvas()->Handle(), d = dst->Canvas()->Handle();
  return MsPerCall(calls, [&] { BitBlt(d, 0, 0, w, h, s, 0, 0, SRCCOPY); });
}

// A skin with a button and a form section: key-colour frames, a gradient, a texture.
struct BenchSkin {
  DuRiruZireziv manager{nullptr};
  TBitmap* master = nullptr;  // owned by the manager
  TkvSkinData* data;
  Integer button, form;
  BenchSkin() {
    auto owned = std::make_unique<TkvSkinData>();
    owned->FOwner = &manager;
    data = owned.get();
    manager.SkinDataArray.push_back(std::move(owned));
    manager.SkinCommonInfo.Active = true;
    manager.MasterBitmap = Bitmap(256, 128, clGray);
    master = manager.MasterBitmap.get();
    const TPixelView v = master->View();
    auto image = [&](TRect r, Integer states, Integer margins, Integer drawMode) {
      TsMaskData md;
      md.R = r;
      md.ImageCount = int16_t(states);
      md.DrawMode = int16_t(drawMode);
      md.Manager = &manager;
      md.WL = md.WT = md.WR = md.WB = int16_t(margins);
      md.Width = r.Width() / states;
      md.Height = r.Height();
      md.Cfg = 1;
      for (Integer s = 0; s < states; ++s) v.At(r.Left + s * md.Width, r.Top) = kKeyPixel;  // a transparent corner
      data->ma.push_back(md);
      return Integer(data->ma.size()) - 1;
    };
    const Integer buttonFrame = image(TRect(0, 0, 36, 12), 3, 4, 0);
    const Integer formFrame = image(TRect(0, 16, 64, 80), 1, 12, 0);
    for (Integer y = 96; y < 128; ++y)
      for (Integer x = 0; x < 32; ++x) v.At(x, y) = (x / 4 + y / 4) % 2 ? 0xFFE0E0E0 : 0xFF202020;
    const Integer texture = image(TRect(0, 96, 32, 128), 1, 0, fmTiled);
    TsGradArray gradient;
    PrepareGradArray(u"14737632;0;1;8421504;100;0;B", gradient);
    TsGeneralData b;
    b.States = 3;
    b.BorderIndex = buttonFrame;
    for (auto& look : b.Props) {
      look.GradientPercent = 100;
      look.GradientArray = gradient;
    }
    data->gd.push_back(b);
    button = 0;
    TsGeneralData f;
    f.BorderIndex = formFrame;
    f.Props[0].Transparency = 30;
    f.Props[0].ImagePercent = 30;
    f.Props[0].GradientPercent = 70;
    f.Props[0].TextureIndex = texture;
    f.Props[0].GradientArray = gradient;
    data->gd.push_back(f);
    form = 1;
  }
};

}  // namespace

int main() {
  kvgpUtilsStartup();
  sGradientStartup();
  sGraphUtilsStartup();
  TApplication app;
  BenchSkin skin;

  // Button: 100 x 30 over its parent's cached background.
  auto parent = Bitmap(300, 200, clSilver);
  auto buttonBmp = Bitmap(100, 30, clBlack);
  const TCacheInfo parentCI = MakeCacheInfo(parent.get());
  const double button = MsPerCall(2000, [&] {
    PaintItem(skin.button, parentCI, true, 1, TRect(0, 0, 100, 30), TPoint(20, 20), buttonBmp.get(), skin.data);
  });
  bench::ReportAgainstBitBlt("PaintItem, button 100 x 30", button, BitBltMs(100, 30, 20000), 0.1);

  // Form frame: 673 x 428, nine-part mask, 30 % transparent, gradient with texture.
  auto desktop = Bitmap(673, 428, clTeal);
  auto frameBmp = Bitmap(673, 428, clBlack);
  const TCacheInfo desktopCI = MakeCacheInfo(desktop.get());
  const double frame = MsPerCall(50, [&] {
    PaintItem(skin.form, desktopCI, true, 0, TRect(0, 0, 673, 428), TPoint(), frameBmp.get(), skin.data);
  });
  bench::ReportAgainstBitBlt("PaintItem, form frame 673 x 428", frame, BitBltMs(673, 428, 500), 12);

  // A caption with glow on a 32-bit title bar: the glow (mask drawn and blurred each time),
  // then the alpha-correct text.
  auto title = Bitmap(200, 30, clNavy);
  title->Canvas()->Font()->SetHeight(-15);
  const double text = MsPerCall(200, [&] {
    TBitmap* mask = nullptr;
    kvDrawGlowForText(title.get(), u"Tarnwick downloads", TRect(10, 5, 190, 25), DT_SINGLELINE, 15, 4, clWhite, mask);
    delete mask;
    WriteColor(title.get(), u"Tarnwick downloads", true, TRect(10, 5, 190, 25), DT_SINGLELINE, clBlack);
  });
  bench::ReportAgainstBitBlt("Text with glow, 200 x 30", text, BitBltMs(200, 30, 20000), 0);

  // One frame of a layered animation of a 673 x 428 form: the frame drawn by the schedule and
  // handed to the layered window.
  auto* glow = new TkvGlowForm(&app);
  glow->AfterConstruction();
  HWND wnd = glow->Handle();
  SetWindowLongW(wnd, GWL_EXSTYLE, GetWindowLongW(wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
  auto frameOut = Bitmap(673, 428, clBlack);
  TSize size(673, 428);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  auto animFrame = [&](TkvAnimType kind, bool gdiPlus) {
    TkvHideAnim anim(kind, 673, 428, 20, 255);
    anim.DoNext();
    anim.GoToNext();
    const TkvAnimFrame f = anim.DoNext();  // a frame from inside the run
    return MsPerCall(50, [&] {
      DrawAnimFrame(f, frameBmp.get(), frameOut.get(), gdiPlus);
      blend.SourceConstantAlpha = f.Alpha;
      GdiFlush();
      UpdateLayeredWnd(wnd, frameOut.get(), &size, &blend, nullptr);
    });
  };
  const double formBlt = BitBltMs(673, 428, 500);
  bench::ReportAgainstBitBlt("Animation frame 673 x 428, fading", animFrame(atFading, false), formBlt, 12);
  bench::ReportAgainstBitBlt("Animation frame 673 x 428, aero", animFrame(atAero, false), formBlt, 12);
  bench::ReportAgainstBitBlt("Animation frame 673 x 428, drop-down", animFrame(atDropDown, true), formBlt, 12);
  // Where a drop-down frame's time goes: the alpha-correct GDI+ stretch of the whole picture.
  const double gp = MsPerCall(
      20, [&] { kvgpStretchRect(frameOut.get(), frameBmp.get(), TRect(0, 0, 673, 300), TRect(0, 0, 673, 428)); });
  bench::ReportAgainstBitBlt("  of it: kvgpStretchRect 673 x 428 -> 673 x 300", gp, formBlt, 0);
  // Drop-downs roll up popups: one frame of a 200 x 300 popup.
  auto popup = Bitmap(200, 300, clWhite), popupOut = Bitmap(200, 300, clBlack);
  TSize popupSize(200, 300);
  TkvHideAnim roll(atDropDown, 200, 300, 20, 255);
  roll.DoNext();
  roll.GoToNext();
  const TkvAnimFrame rolled = roll.DoNext();
  const double popupFrame = MsPerCall(50, [&] {
    DrawAnimFrame(rolled, popup.get(), popupOut.get(), true);
    GdiFlush();
    UpdateLayeredWnd(wnd, popupOut.get(), &popupSize, &blend, nullptr);
  });
  bench::ReportAgainstBitBlt("Animation frame 200 x 300 popup, drop-down", popupFrame, BitBltMs(200, 300, 2000), 12);
  glow->Free();
  return 0;
}
