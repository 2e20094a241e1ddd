// What one align pass over 200 children costs: windowless children, windowed children
// before their windows exist, and both on a shown form, each against moving as many
// unaligned children of the same kind by hand, and the platform's own SetWindowPos cost for
// the shown child windows, in one run. A pass moves child windows without repainting them
// and repaints the parent once, so with live windows it costs less than the moves alone.
// Run: build/win32/wine-run.sh build/win32/bench/Align_bench.exe (needs a display).
#include <windows.h>

#include <cstdio>
#include <vector>

#include "BenchTiming.h"
#include "ui/Forms.h"

using bench::UsPerCall;

namespace {

constexpr int kChildren = 200;

// 200 children under parent: in every alignment (and some anchored), or all unaligned.
std::vector<TControl*> Populate(TWinControl* parent, bool windowed, bool aligned) {
  static const TAlign kinds[] = {alTop, alBottom, alLeft, alRight, alNone, alClient};
  std::vector<TControl*> children;
  parent->DisableAlign();
  for (int i = 0; i < kChildren; ++i) {
    TControl* c = windowed ? static_cast<TControl*>(new TWinControl(parent)) : new TGraphicControl(parent);
    c->SetBounds(i % 7, i % 5, 3 + i % 4, 2 + i % 3);
    if (aligned) {
      c->SetAlign(kinds[i % 6]);
      if (kinds[i % 6] == alNone) c->SetAnchors({akRight, akBottom});
    }
    c->SetParent(parent);
    children.push_back(c);
  }
  parent->EnableAlign();
  return children;
}

struct Row {
  const char* name;
  double alignUs, setBoundsUs;
};

// An align pass at alternating sizes (so every child moves), against moving 200 unaligned
// children of the same kind by hand.
Row Measure(const char* name, TWinControl* aligned, TWinControl* plain, int calls) {
  int flip = 0;
  const double alignUs = UsPerCall(calls, [&] {
    flip ^= 1;
    aligned->Padding()->SetLeft(flip);  // every child moves, the parent stays
  });
  const double setBoundsUs = UsPerCall(calls, [&] {
    flip ^= 1;
    for (Integer i = 0; i < plain->ControlCount(); ++i) {
      TControl* c = plain->Controls(i);
      c->SetBounds(flip, flip, c->Width() + (flip ? 1 : -1), c->Height());
    }
  });
  return {name, alignUs, setBoundsUs};
}

// A parent of the size the passes start from, on parentOf (nullptr: none).
TWinControl* Parent(TWinControl* parentOf) {
  auto* p = new TWinControl(parentOf);
  p->SetBounds(0, 0, 1200, 900);
  if (parentOf) p->SetParent(parentOf);
  return p;
}

}  // namespace

int main() {
  TApplication app;
  auto* form = new TForm(&app);
  form->AfterConstruction();
  form->SetPosition(poDesigned);
  form->SetBounds(0, 0, 1300, 1000);
  if (!form->Handle()) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }

  // Windowless children (the layout alone), windowed children whose windows are not made
  // yet, and windowed children with windows on a shown form; each aligned and not.
  TWinControl* graphic[2] = {Parent(nullptr), Parent(nullptr)};
  TWinControl* lazy[2] = {Parent(nullptr), Parent(nullptr)};
  TWinControl* shown[2] = {Parent(form), Parent(form)};
  TWinControl* shownGraphic[2] = {Parent(form), Parent(form)};
  for (int aligned = 0; aligned < 2; ++aligned) {
    Populate(graphic[aligned], false, aligned);
    Populate(lazy[aligned], true, aligned);
    Populate(shown[aligned], true, aligned);
    Populate(shownGraphic[aligned], false, aligned);
  }
  form->Show();
  Application->ProcessMessages();

  const Row rows[] = {
      Measure("windowless children", graphic[1], graphic[0], 200),
      Measure("windowed, no windows yet", lazy[1], lazy[0], 200),
      Measure("windowless, on a shown form", shownGraphic[1], shownGraphic[0], 200),
      Measure("windowed, shown", shown[1], shown[0], 10),
  };
  // The platform's own cost of moving the shown child windows, repainting each and not.
  std::vector<HWND> wnds;
  for (Integer i = 0; i < shown[0]->ControlCount(); ++i)
    wnds.push_back(static_cast<TWinControl*>(shown[0]->Controls(i))->Handle());
  int flip = 0;
  auto moveAll = [&](UINT extra) {
    flip ^= 1;
    for (HWND w : wnds) SetWindowPos(w, nullptr, flip, flip, 5 + flip, 5, SWP_NOZORDER | SWP_NOACTIVATE | extra);
  };
  const double rawUs = UsPerCall(10, [&] { moveAll(0); });
  const double rawNoRedrawUs = UsPerCall(10, [&] { moveAll(SWP_NOREDRAW); });

  std::printf(
      "One align pass over %d children (us, best of 5), against moving %d unaligned children of the\n"
      "same kind by hand (SetBounds)\n",
      kChildren, kChildren);
  std::printf("  %-30s %12s %12s %8s\n", "", "align pass", "by hand", "ratio");
  for (const Row& r : rows)
    std::printf("  %-30s %12.1f %12.1f %8.3fx\n", r.name, r.alignUs, r.setBoundsUs, r.alignUs / r.setBoundsUs);
  std::printf("The platform alone, SetWindowPos on the %d shown child windows:\n", kChildren);
  std::printf("  %-30s %12.1f %12s %7.2fx (of the windowed align pass)\n", "repainting each", rawUs, "",
              rawUs / rows[3].alignUs);
  std::printf("  %-30s %12.1f %12s %7.2fx\n", "SWP_NOREDRAW", rawNoRedrawUs, "", rawNoRedrawUs / rows[3].alignUs);
  for (int aligned = 0; aligned < 2; ++aligned) {
    delete graphic[aligned];
    delete lazy[aligned];
  }
  form->Free();
  return 0;
}
