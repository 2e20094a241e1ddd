// What a report-style list view of many items costs to make its window: the class library's
// list view (its items kept by the control, the window filled from them when it is made), against
// the platform's own list view filled by hand with the same texts (LVM_INSERTITEMW and
// LVM_SETITEMTEXTW), in one run, at a few sizes. The ratio staying flat as the size grows says
// the control adds a constant cost per item, not one that grows with the list.
// Run: build/win32/wine-run.sh build/win32/bench/ListView_bench.exe (needs a display).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "BenchTiming.h"
#include "ui/ComCtrls.h"
#include "ui/Forms.h"

using bench::MsPerCall;

namespace {

String ItemText(int i) { return u"item " + IntToStr(i); }

// The library's list view with n items of one sub-item, holding them without a window.
TListView* Filled(TWinControl* parent, int n) {
  auto* lv = new TListView(parent);
  lv->SetBounds(0, 0, 400, 300);
  lv->SetViewStyle(vsReport);
  lv->Columns()->Add()->SetCaption(u"Name");
  lv->Columns()->Add()->SetCaption(u"Size");
  lv->Items()->BeginUpdate();
  for (int i = 0; i < n; ++i) {
    TListItem* item = lv->Items()->Add();
    item->SetCaption(ItemText(i));
    item->SubItems()->Add(IntToStr(i * 7));
  }
  lv->Items()->EndUpdate();
  lv->SetParent(parent);
  return lv;
}

// The platform's list view made and filled by hand with the same columns and texts.
void RawFill(HWND parent, int n) {
  HWND lv = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHAREIMAGELISTS, 0, 0, 400,
                            300, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  const wchar_t* captions[] = {L"Name", L"Size"};
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = 50;
    col.pszText = const_cast<wchar_t*>(captions[c]);
    col.iSubItem = c;
    SendMessageW(lv, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&col));
  }
  for (int i = 0; i < n; ++i) {
    const String caption = ItemText(i);
    const String size = IntToStr(i * 7);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(WideStr(caption));
    SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t*>(WideStr(size));
    SendMessageW(lv, LVM_SETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&sub));
  }
  DestroyWindow(lv);
}

}  // namespace

int main() {
  TApplication app;
  auto* form = new TForm(&app);
  form->AfterConstruction();
  form->SetPosition(poDesigned);
  form->SetBounds(0, 0, 500, 400);
  if (!form->Handle()) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  std::printf(
      "A report list view's window made with n items of one sub-item (ms, best of 5): the class\n"
      "library's (items kept, window filled when made) against the platform's filled by hand\n");
  std::printf("  %8s %14s %14s %8s\n", "n", "list view", "by hand", "ratio");
  for (int n : {500, 2000, 8000}) {
    const int calls = 1;
    // The items are kept by the control: only its window is made again each call (a new
    // border style makes a new window).
    TListView* lv = Filled(form, n);
    lv->HandleNeeded();
    bool flip = false;
    const double libraryMs = MsPerCall(calls, [&] {
      flip = !flip;
      lv->SetBorderStyle(flip ? bsNone : bsSingle);
      lv->HandleNeeded();
    });
    lv->Free();
    const double rawMs = MsPerCall(calls, [&] { RawFill(form->Handle(), n); });
    std::printf("  %8d %14.1f %14.1f %7.2fx\n", n, libraryMs, rawMs, libraryMs / rawMs);
  }
  form->Free();
  return 0;
}
