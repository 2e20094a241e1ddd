// The outer border window's redraw at 1024 x 768 under Wine, beside the same form's frame
// without an outer border in one run: the whole picture rebuilt and handed to the layered
// window (a look change), the layered window updated from the kept picture (a repaint without
// a rebuild), and the move that follows the form; the frame paint of the form without an outer
// border (picture rebuilt and copied to the window) is the comparison. Last, the picture rebuilt
// with the skin's own border image drawn as the shadow (a two-state image, the form active).
// Run (needs a display): build the win32 preset with -DTARNWICK_BENCH=ON, then
//   build/<dir>/wine-run.sh build/<dir>/bench/OuterBorder_bench.exe
#include <windows.h>

#include <cstdio>
#include <memory>

#include "BenchTiming.h"
#include "forms/sSkinProvider.h"
#include "raster/GdiBitmaps.h"
#include "support/FormSkin.h"

namespace {

TForm* MakeForm(TApplication* app, Integer left) {
  auto* f = new TForm(app);
  f->AfterConstruction();
  f->SetBounds(left, 0, 1024, 768);
  f->SetCaption(u"Bench");
  f->HandleNeeded();
  return f;
}

void Report(const char* what, double ms, double plain) {
  std::printf("%-56s %9.4f ms   frame without outer border %9.4f ms   ratio %6.2f\n", what, ms, plain, ms / plain);
}

}  // namespace

int main() {
  sGraphUtilsStartup();  // the layered-window functions
  auto app = std::make_unique<TApplication>();
  formskin::FormSkin skin;
  TkvSkinData& data = *skin.skin.Data;
  skin.skin.Manager.SetExtendedBorders(true);
  // The skin's round window shadow as the template, its margins from the shadow's size.
  data.ShdaTemplate = std::make_unique<TBitmap>(0, 0, pf32bit);
  CopyBmp(data.ShdaTemplate.get(), data.GetActiveShadow());
  data.ShdiTemplate = std::make_unique<TBitmap>(0, 0, pf32bit);
  CopyBmp(data.ShdiTemplate.get(), data.GetPassiveShadow());
  data.FormShadowSize = TRect(data.WndShadowSize, data.WndShadowSize - data.WndShadowOffset, data.WndShadowSize,
                              data.WndShadowSize + data.WndShadowOffset);
  data.ExTitleHeight = 30;
  data.ExBorderWidth = 4;

  TForm* bordered = MakeForm(app.get(), 0);
  auto* sp = new TsSkinProvider(bordered);
  sp->AfterConstruction();
  bordered->Show();
  bordered->Update();
  Application->ProcessMessages();
  if (!sp->BorderForm || !sp->BorderForm->LayeredWindow()) {
    std::printf("no outer border window was made\n");
    return 1;
  }
  // The same form and skin without the outer border, for the comparison.
  skin.skin.Manager.SetExtendedBorders(false);
  TForm* plain = MakeForm(app.get(), 40);
  auto* plainSp = new TsSkinProvider(plain);
  plainSp->AfterConstruction();
  plain->Show();
  plain->Update();
  Application->ProcessMessages();
  skin.skin.Manager.SetExtendedBorders(true);
  if (plainSp->BorderForm) {
    std::printf("the comparison form has an outer border\n");
    return 1;
  }

  const TBitmap* picture = sp->FCommonData->FCacheBmp.get();
  std::printf("outer border picture %dx%d for a %dx%d form\n", picture->Width(), picture->Height(), bordered->Width(),
              bordered->Height());
  const double plainFrame = bench::MsPerCall(
      20,
      [&] {
        plainSp->FCommonData->BGChanged = true;
        plainSp->ProcessMessage(WM_NCPAINT);
      },
      bench::Flush::Gdi);
  const double rebuild = bench::MsPerCall(
      20,
      [&] {
        sp->FCommonData->BGChanged = true;
        sp->BorderForm->UpdateExBordersPos(true, 255);
      },
      bench::Flush::Gdi);
  Report("outer border: picture rebuilt and layered update", rebuild, plainFrame);
  const double update = bench::MsPerCall(
      50, [&] { sp->BorderForm->UpdateExBordersPos(true, 255); }, bench::Flush::Gdi);
  Report("outer border: layered update of the kept picture", update, plainFrame);
  const double move = bench::MsPerCall(
      50, [&] { sp->BorderForm->UpdateExBordersPos(false, 255); }, bench::Flush::Gdi);
  Report("outer border: placed after the form, no redraw", move, plainFrame);
  // The skin's own border image (two 40 x 40 states, 12-pixel margins) as the shadow.
  const Integer image = skin.skin.AddImage(TRect(140, 40, 220, 80), 2, 0, 0, 12);
  for (Integer s = 0; s < 2; ++s) skin.skin.Fill(image, s, 0xC0102030u + uint32_t(s));
  data.ExBorder = image;
  data.ExDrawMode = 0;
  data.FormShadowSize = TRect(8, 8, 8, 8);
  const double fromImage = bench::MsPerCall(
      20,
      [&] {
        sp->FCommonData->BGChanged = true;
        sp->BorderForm->UpdateExBordersPos(true, 255);
      },
      bench::Flush::Gdi);
  Report("outer border from the skin's border image: rebuilt", fromImage, plainFrame);
  // Its shadow step alone, on the kept picture.
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  const TRect rForm(8, 8, cache->Width() - 8, cache->Height() - 8);
  const double imageShadow = bench::MsPerCall(
      50, [&] { sp->PaintOuterBorder(cache, rForm); }, bench::Flush::Gdi);
  Report("outer border from the skin's border image: shadow step", imageShadow, plainFrame);
  delete bordered;
  delete plain;
  sGraphUtilsCleanup();
  return 0;
}
