// A skinned popup's first opening and a hint's activation, each beside a yardstick in one run:
//   - a 20-item popup measured and drawn item by item into a bitmap, its background built once
//     at the first item, against the same popup with its background built again for every
//     item (what the cache saves) and against one BitBlt of the popup's size;
//   - an alpha hint activated from the default template (shown at once, no animation) against
//     the class library's plain hint window shown with the same text.
// Run (needs a display): build the win32 preset with -DTARNWICK_BENCH=ON, then
//   build/<dir>/wine-run.sh build/<dir>/bench/MenusAndHints_bench.exe
#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "BenchSkin.h"
#include "BenchTiming.h"
#include "base/WorkingBitmaps.h"
#include "controls/kvAlphaHints.h"
#include "controls/sSkinMenus.h"
#include "paint/sGraphUtils.h"
#include "skin/sSkinManager.h"
#include "ui/Forms.h"

namespace {

void Report(const char* what, double ms, const char* yardstickName, double yardstick) {
  std::printf("%-46s %9.4f ms   %-22s %9.4f ms   ratio %7.2f\n", what, ms, yardstickName, yardstick, ms / yardstick);
}

struct MenuSkin : bench::SkinManager {
  MenuSkin() {
    const Integer main = data->AddNewSection(u"MAINMENU", -1, 1, 0, TColor(0xE0D0C0), clBlack);
    data->gd[size_t(main)].BorderRadius = 8;
    for (auto& look : data->gd[size_t(main)].Props) bench::TwoColourGradient(look, clWhite, TColor(0xC0B0A0));
    const Integer item = data->AddNewSection(u"MENUITEM", -1, 2, 0, TColor(0xF04020), clBlack);
    data->gd[size_t(item)].Props[0].Transparency = 100;
    manager.SkinCommonInfo.Sections[ssMainMenu] = main;
    manager.SkinCommonInfo.Sections[ssMenuItem] = item;
  }
};

}  // namespace

int main() {
  if (!GetSystemMetrics(SM_CXSCREEN)) {
    std::printf("no display: the benchmark needs Xvfb\n");
    return 1;
  }
  auto app = std::make_unique<TApplication>();
  sGraphUtilsStartup();
  kvAlphaHintsStartup();

  // ---- the popup ----
  MenuSkin skin;
  TsSkinableMenus painter(&skin.manager);
  TPopupMenu menu(nullptr);
  std::vector<TMenuItem*> items;
  for (int i = 0; i < 20; ++i) {
    auto* item = new TMenuItem(&menu);
    item->SetCaption(i % 7 == 6 ? String(u"-") : u"Item number " + IntToStr(i) + u"\tCtrl+" + IntToStr(i));
    menu.Items()->Add(item);
    items.push_back(item);
  }
  painter.HookPopupMenu(&menu, true);
  std::unique_ptr<TBitmap> target(CreateBmp32(400, 600)), source(CreateBmp32(400, 600));
  TCanvas* canvas = target->Canvas();
  std::vector<TRect> rects;
  Integer widest = 0, top = 0;
  for (TMenuItem* item : items) {
    Integer w = 0, h = 0;
    item->OnMeasureItem()(item, canvas, w, h);
    widest = std::max(widest, w);
    rects.emplace_back(0, top, 0, top + h);
    top += h;
  }
  for (TRect& r : rects) r.Right = widest;
  auto open = [&](bool rebuildEveryItem) {
    painter.DeleteUnusedBmps();
    for (size_t i = 0; i < items.size(); ++i) {
      Integer w = 0, h = 0;
      items[i]->OnMeasureItem()(items[i], canvas, w, h);
    }
    for (size_t i = 0; i < items.size(); ++i) {
      if (rebuildEveryItem) painter.DeleteUnusedBmps();
      items[i]->OnAdvancedDrawItem()(items[i], canvas, rects[i],
                                     i == 3 ? TOwnerDrawState{odSelected} : TOwnerDrawState{});
    }
  };
  const double once = bench::MsPerCall(
      20, [&] { open(false); }, bench::Flush::Gdi);
  const double perItem = bench::MsPerCall(
      5, [&] { open(true); }, bench::Flush::Gdi);
  const double blt = bench::MsPerCall(
      200, [&] { BitBlt(canvas->Handle(), 0, 0, widest + 6, top + 6, source->Canvas()->Handle(), 0, 0, SRCCOPY); },
      bench::Flush::Gdi);
  Report("20-item popup, first opening (cached bg)", once, "bg rebuilt per item", perItem);
  Report("20-item popup, first opening (cached bg)", once, "BitBlt of its size", blt);

  // ---- the hint ----
  const TPoint at(300, 300);
  const String text = u"Paste the share link here, then press parse";
  THintWindow* plain = CreateHintWindow(nullptr);
  const double plainMs = bench::MsPerCall(50, [&] {
    TRect r = plain->CalcHintRect(800, text, nullptr);
    plain->ActivateHint(TRect(at.X, at.Y, at.X + r.Width(), at.Y + r.Height()), text);
    ShowWindow(plain->Handle(), SW_HIDE);
  });
  delete plain;
  auto* hints = new TsAlphaHints(app.get());
  hints->AfterConstruction();
  hints->SetAnimated(false);
  const double alphaMs = bench::MsPerCall(50, [&] {
    hints->ShowHint(at, text, 0);
    hints->HideAll();
  });
  Report("alpha hint activation (template, no fade)", alphaMs, "plain hint window", plainMs);
  delete hints;
  kvAlphaHintsCleanup();
  return 0;
}
