// What the edit-like wrappers add where the user feels it, in one run against the same controls
// unskinned: a key typed into a memo (key down, character, key up, then the repaint it causes),
// and a page scrolled in a report list view of 10,000 rows (the scroll and its repaint). The
// skinned side re-reads and repaints its skinned scroll bars after each of them. Goal: under 2x.
// Run: build/win32/wine-run.sh build/win32/bench/EditWrappers_bench.exe (needs a display).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

#include "BenchTiming.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsEdit.h"
#include "wrappers/kvSBUtilsLists.h"

using bench::UsPerCall;

namespace {

// A flat skin: the edit section and the scroll-bar parts, one colour each.
void MakeSkin(SkinFixture& skin) {
  TkvSkinData& d = *skin.Data;
  auto element = [&](const char16_t* name, TColor c) {
    TkvConstElementData e;
    e.SkinIndex = skin.AddSection(PlainSection(name, 0, c, 3));
    return e;
  };
  d.Scrolls = {element(u"SCROLLH1", 0x80), element(u"SCROLLV1", 0x80), element(u"SCROLLH2", 0x80),
               element(u"SCROLLV2", 0x80)};
  d.ScrollBtns = {element(u"BTNL", 0xC0), element(u"BTNT", 0xC0), element(u"BTNR", 0xC0), element(u"BTNB", 0xC0)};
  d.Sliders = {element(u"THUMBH", 0x204060), element(u"THUMBV", 0x204060)};
  TsGeneralData edit = PlainSection(u"EDIT", 0, 0x203040, 2);
  edit.Props[0].FontColor.Color = 0x10E0F0;
  skin.AddSection(edit);
  skin.AddSection(PlainSection(u"COLHEADER", 0, 0x405060, 3));
  d.IndexSections();
}

template <class W>
W* Wrap(HWND wnd, TControl* control, SkinFixture& skin) {
  TkvSkinParams p;
  p.Control = control;
  p.SkinSection = u"EDIT";
  p.UseSkinColor = p.UseSkinFontColor = true;
  p.VertScrollSize = p.HorzScrollSize = 17;
  p.VertScrollBtnSize = p.HorzScrollBtnSize = 15;
  return TkvMainWnd::MakeWrapper<W>(wnd, nullptr, &skin.Manager, p, true);
}

TMemo* Memo(TForm* form, Integer left) {
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->SetBounds(left, 10, 280, 300);
  memo->SetScrollBars(ssVertical);
  for (int i = 0; i < 200; ++i) memo->Lines()->Add(u"a line of text that the memo keeps");
  return memo;
}

// One key typed at the end of the text, and the repaint it causes.
void TypeKey(HWND memo) {
  SendMessageW(memo, WM_KEYDOWN, 'A', 0x001E0001);
  SendMessageW(memo, WM_CHAR, 'a', 0x001E0001);
  SendMessageW(memo, WM_KEYUP, 'A', 0xC01E0001);
  UpdateWindow(memo);
}

HWND ReportList(HWND parent, Integer left, int rows) {
  HWND lv = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, left, 10, 280, 300,
                            parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.cx = 120;
  col.pszText = const_cast<wchar_t*>(L"Name");
  SendMessageW(lv, LVM_INSERTCOLUMNW, 0, LPARAM(&col));
  SendMessageW(lv, LVM_INSERTCOLUMNW, 1, LPARAM(&col));
  SendMessageW(lv, LVM_SETITEMCOUNT, WPARAM(rows), 0);
  SendMessageW(lv, WM_SETREDRAW, FALSE, 0);
  for (int i = 0; i < rows; ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = i;
    item.pszText = const_cast<wchar_t*>(L"row text");
    SendMessageW(lv, LVM_INSERTITEMW, 0, LPARAM(&item));
  }
  SendMessageW(lv, WM_SETREDRAW, TRUE, 0);
  return lv;
}

// One page down (back to the top at the end) and the repaint it causes.
void PageDown(HWND lv) {
  SCROLLINFO si{sizeof(si), SIF_ALL};
  GetScrollInfo(lv, SB_VERT, &si);
  const bool atEnd = si.nPos + Integer(si.nPage) > si.nMax;
  SendMessageW(lv, WM_VSCROLL, atEnd ? SB_TOP : SB_PAGEDOWN, 0);
  UpdateWindow(lv);
}

}  // namespace

int main() {
  TApplication app;
  SkinFixture skin;
  MakeSkin(skin);
  auto* form = new TForm(&app);
  form->AfterConstruction();
  form->SetPosition(poDesigned);
  form->SetBounds(0, 0, 620, 360);
  if (!form->Handle()) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  form->Show();
  Application->ProcessMessages();

  TMemo* plainMemo = Memo(form, 10);
  TMemo* skinnedMemo = Memo(form, 320);
  auto* memoWrapper = Wrap<TkvEditWnd>(skinnedMemo->Handle(), skinnedMemo, skin);
  Application->ProcessMessages();
  for (TMemo* m : {plainMemo, skinnedMemo}) SendMessageW(m->Handle(), WM_KEYDOWN, VK_END, 0);
  const int keys = 300;
  const double plainKey = UsPerCall(keys, [&] { TypeKey(plainMemo->Handle()); });
  const double skinnedKey = UsPerCall(keys, [&] { TypeKey(skinnedMemo->Handle()); });

  HWND plainList = ReportList(form->Handle(), 10, 10000);
  HWND skinnedList = ReportList(form->Handle(), 320, 10000);
  auto* listWrapper = Wrap<TkvListViewWnd>(skinnedList, nullptr, skin);
  Application->ProcessMessages();
  const int pages = 100;
  const double plainPage = UsPerCall(pages, [&] { PageDown(plainList); });
  const double skinnedPage = UsPerCall(pages, [&] { PageDown(skinnedList); });

  std::printf("Edit-like wrappers against the same controls unskinned (us per call, best of 5)\n");
  std::printf("  %-34s %10s %10s %8s\n", "", "unskinned", "skinned", "ratio");
  std::printf("  %-34s %10.1f %10.1f %7.2fx\n", "memo: one key typed and repainted", plainKey, skinnedKey,
              skinnedKey / plainKey);
  std::printf("  %-34s %10.1f %10.1f %7.2fx\n", "list view, 10,000 rows: one page", plainPage, skinnedPage,
              skinnedPage / plainPage);

  TkvScrollWnd* sw = memoWrapper;
  UninitializeKVScroll(skinnedMemo->Handle(), true, false, sw);
  sw = listWrapper;
  UninitializeKVScroll(skinnedList, true, false, sw);
  form->Free();
  return 0;
}
