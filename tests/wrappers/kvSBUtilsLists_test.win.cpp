// The list view and tree view wrappers: colours read back through the controls' own messages,
// the column header painted from the skin with hot and pressed columns and a drawn sort arrow,
// the skinned thumb drag turned into list-view scrolling, dialog colours.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "support/EditLikeFixture.h"
#include "support/ImageLists.h"
#include "ui/ComCtrls.h"
#include "ui/ImgList.h"
#include "wrappers/kvSBUtilsLists.h"

using namespace editlike;

namespace {

class ListWrappers : public EditLikeTest {
 protected:
  // A raw report-view list view with three columns (the second sorted down) and rows.
  HWND ReportList(int rows) {
    HWND lv = RawChild(WC_LISTVIEWW, WS_BORDER | LVS_REPORT, 10, 10, 260, 150);
    SendMessageW(lv, LVM_SETBKCOLOR, 0, 0x00EEDDCC);
    SendMessageW(lv, LVM_SETTEXTBKCOLOR, 0, 0x00EEDDCC);
    SendMessageW(lv, LVM_SETTEXTCOLOR, 0, 0x00112233);
    for (int c = 0; c < 3; ++c) {
      LVCOLUMNW col{};
      col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
      col.cx = 70;
      col.fmt = LVCFMT_LEFT;
      col.pszText = const_cast<wchar_t*>(L"");
      SendMessageW(lv, LVM_INSERTCOLUMNW, c, LPARAM(&col));
    }
    HWND header = ListView_GetHeader(lv);
    HDITEMW hd{};
    hd.mask = HDI_FORMAT;
    hd.fmt = HDF_LEFT | HDF_STRING | HDF_SORTDOWN;
    SendMessageW(header, HDM_SETITEMW, 1, LPARAM(&hd));
    for (int i = 0; i < rows; ++i) {
      LVITEMW it{};
      it.mask = LVIF_TEXT;
      it.iItem = i;
      it.pszText = const_cast<wchar_t*>(L"row");
      SendMessageW(lv, LVM_INSERTITEMW, 0, LPARAM(&it));
    }
    return lv;
  }
};

}  // namespace

TEST_F(ListWrappers, RawListViewTakesSkinColoursAndGetsItsOwnBack) {
  HWND lv = ReportList(5);
  Show();
  auto* w = Wrap<TkvListViewWnd>(lv, nullptr);
  w->SetSkinParams();
  EXPECT_EQ(TColor(SendMessageW(lv, LVM_GETBKCOLOR, 0, 0)), kEditBg);
  EXPECT_EQ(TColor(SendMessageW(lv, LVM_GETTEXTBKCOLOR, 0, 0)), kEditBg);
  EXPECT_EQ(TColor(SendMessageW(lv, LVM_GETTEXTCOLOR, 0, 0)), kEditText);
  Unwrap(lv, w);
  EXPECT_EQ(TColor(SendMessageW(lv, LVM_GETBKCOLOR, 0, 0)), TColor(0x00EEDDCC));
  EXPECT_EQ(TColor(SendMessageW(lv, LVM_GETTEXTBKCOLOR, 0, 0)), TColor(0x00EEDDCC));
  EXPECT_EQ(TColor(SendMessageW(lv, LVM_GETTEXTCOLOR, 0, 0)), TColor(0x00112233));
}

TEST_F(ListWrappers, ClassLibraryListViewTakesSkinColours) {
  auto* lv = new TListView(form);
  lv->SetParent(form);
  lv->SetBounds(10, 10, 200, 120);
  lv->SetViewStyle(vsReport);
  lv->SetColor(TColor(0x00ABCDEF));
  Show();
  SetFocus(nullptr);
  auto* w = Wrap<TkvListViewWnd>(lv->Handle(), lv);
  w->SetSkinParams();
  EXPECT_EQ(TColor(SendMessageW(lv->Handle(), LVM_GETBKCOLOR, 0, 0)), kEditBg);
  EXPECT_EQ(TColor(SendMessageW(lv->Handle(), LVM_GETTEXTCOLOR, 0, 0)), kEditText);
  // The list paints its empty area in the skin's colour.
  Repaint(lv->Handle());
  EXPECT_EQ(ScreenPixel(lv->Handle(), 100, 100), kEditBg);
  Unwrap(lv->Handle(), w);
  EXPECT_EQ(lv->Color(), TColor(0x00ABCDEF));
  EXPECT_EQ(TColor(SendMessageW(lv->Handle(), LVM_GETTEXTBKCOLOR, 0, 0)), TColor(0x00ABCDEF));
}

// The header is painted item by item from "COLHEADER"; the hot column takes the hot look, the
// area right of the last column the normal one; the sorted column gets a drawn arrow (the skin
// has no scroll-button glyph) in the header's font colour.
TEST_F(ListWrappers, HeaderPaintedFromSkinWithHotColumnAndSortArrow) {
  HWND lv = ReportList(3);
  Show();
  auto* w = Wrap<TkvListViewWnd>(lv, nullptr);
  ASSERT_NE(w->FhWndHeader, nullptr);
  HWND header = w->FhWndHeader;
  RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  RECT item0{}, item1{};
  SendMessageW(header, HDM_GETITEMRECT, 0, LPARAM(&item0));
  SendMessageW(header, HDM_GETITEMRECT, 1, LPARAM(&item1));
  EXPECT_EQ(ScreenPixel(header, item0.right - 3, item0.bottom / 2), kHeader);
  EXPECT_EQ(ScreenPixel(header, 250, item0.bottom / 2), kHeader);  // right of the columns
  // The sort arrow of column 1: pixels in the header's font colour right of its (empty) text.
  int arrowPixels = 0;
  for (int x = item1.left; x < item1.right; ++x)
    for (int y = 0; y < item1.bottom; ++y)
      if (ScreenPixel(header, x, y) == kHeaderText) ++arrowPixels;
  EXPECT_GE(arrowPixels, 6);
  // The mouse over column 2 (a hit test on the header) makes it hot.
  RECT hr{};
  GetWindowRect(header, &hr);
  RECT item2{};
  SendMessageW(header, HDM_GETITEMRECT, 2, LPARAM(&item2));
  SendMessageW(header, WM_NCHITTEST, 0, MAKELPARAM(hr.left + item2.left + 5, hr.top + 3));
  EXPECT_EQ(w->HoverColIndex, 2);
  EXPECT_EQ(ScreenPixel(header, item2.left + 5, item2.bottom / 2), kHeaderHot);
  EXPECT_EQ(ScreenPixel(header, item0.left + 5, item0.bottom / 2), kHeader);
  // A hit test on the list itself clears it.
  SendMessageW(lv, WM_NCHITTEST, 0, MAKELPARAM(hr.left + 5, hr.bottom + 20));
  EXPECT_EQ(w->HoverColIndex, -1);
  EXPECT_EQ(ScreenPixel(header, item2.left + 5, item2.bottom / 2), kHeader);
  Unwrap(lv, w);
}

// Dragging the vertical thumb in report view scrolls by whole rows per position.
TEST_F(ListWrappers, ThumbTrackScrollsByRows) {
  HWND lv = ReportList(100);
  Show();
  auto* w = Wrap<TkvListViewWnd>(lv, nullptr);
  kvScrollState.nLastSBPos = 0;
  SendMessageW(lv, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 10), 0);
  EXPECT_EQ(SendMessageW(lv, LVM_GETTOPINDEX, 0, 0), 10);
  kvScrollState.nLastSBPos = 10;
  SendMessageW(lv, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 10), 0);  // no change, no scroll
  EXPECT_EQ(SendMessageW(lv, LVM_GETTOPINDEX, 0, 0), 10);
  kvScrollState.nLastSBPos = -1;
  Unwrap(lv, w);
}

// In icon view the header procedure passes everything on: the header keeps the system look.
TEST_F(ListWrappers, IconViewLeavesTheHeaderAlone) {
  HWND lv = ReportList(3);
  Show();
  auto* w = Wrap<TkvListViewWnd>(lv, nullptr);
  SendMessageW(lv, LVM_SETVIEW, LV_VIEW_ICON, 0);
  EXPECT_EQ(w->ViewStyle(), 0);
  HWND header = w->FhWndHeader;
  RECT hr{};
  GetWindowRect(header, &hr);
  SendMessageW(header, WM_NCHITTEST, 0, MAKELPARAM(hr.left + 5, hr.top + 3));
  EXPECT_EQ(w->HoverColIndex, -1);
  Unwrap(lv, w);
}

TEST_F(ListWrappers, TreeViewTakesSkinBackgroundAndDialogColours) {
  HWND tv = RawChild(WC_TREEVIEWW, WS_BORDER, 10, 10, 150, 100);
  SendMessageW(tv, TVM_SETBKCOLOR, 0, 0x00CCBBAA);
  SendMessageW(tv, TVM_SETTEXTCOLOR, 0, 0x00010203);
  Show();
  auto* w = Wrap<TkvTreeViewWnd>(tv, nullptr);
  w->SetSkinParams();
  EXPECT_EQ(TColor(SendMessageW(tv, TVM_GETBKCOLOR, 0, 0)), kEditBg);
  // Outside dialog mode no text colour is sent.
  EXPECT_EQ(TColor(SendMessageW(tv, TVM_GETTEXTCOLOR, 0, 0)), TColor(0x00010203));
  Unwrap(tv, w);
  EXPECT_EQ(TColor(SendMessageW(tv, TVM_GETBKCOLOR, 0, 0)), TColor(0x00CCBBAA));

  // A tree of a standard dialog uses the system colours.
  auto dialog = SetForScope(kvDlgMode, true, false);
  w = Wrap<TkvTreeViewWnd>(tv, nullptr);
  w->SetSkinParams();
  EXPECT_EQ(TColor(SendMessageW(tv, TVM_GETBKCOLOR, 0, 0)), TColor(GetSysColor(COLOR_WINDOW)));
  EXPECT_EQ(TColor(SendMessageW(tv, TVM_GETTEXTCOLOR, 0, 0)), TColor(GetSysColor(COLOR_WINDOWTEXT)));
  Unwrap(tv, w);
}

TEST_F(ListWrappers, NoHandleLeftOverHeaderPaintsAndCycles) {
  HWND lv = ReportList(20);
  Show();
  LeakCheck leaks;
  for (int i = 0; i < 1000; ++i) {
    auto* w = Wrap<TkvListViewWnd>(lv, nullptr);
    RedrawWindow(w->FhWndHeader, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SendMessageW(lv, WM_NCPAINT, 1, 0);
    Unwrap(lv, w);
  }
  leaks.ExpectNothingLeft();
}

// A class-library tree view: the skin's background and font colour through the control, its
// own given back.
TEST_F(ListWrappers, ClassLibraryTreeViewTakesSkinColours) {
  auto* tree = new TTreeView(form);
  tree->SetParent(form);
  tree->SetBounds(10, 10, 150, 100);
  tree->SetColor(TColor(0x00A1B2C3));
  tree->Font()->SetColor(TColor(0x00040506));
  tree->Items()->Add(nullptr, u"node");
  Show();
  SetFocus(nullptr);
  auto* w = Wrap<TkvTreeViewWnd>(tree->Handle(), tree);
  w->SetSkinParams();
  EXPECT_EQ(tree->Color(), kEditBg);
  EXPECT_EQ(TColor(SendMessageW(tree->Handle(), TVM_GETBKCOLOR, 0, 0)), kEditBg);
  EXPECT_EQ(tree->Font()->Color(), kEditText);
  Unwrap(tree->Handle(), w);
  EXPECT_EQ(tree->Color(), TColor(0x00A1B2C3));
  EXPECT_EQ(TColor(SendMessageW(tree->Handle(), TVM_GETBKCOLOR, 0, 0)), TColor(0x00A1B2C3));
  EXPECT_EQ(tree->Font()->Color(), TColor(0x00040506));
}

// With full-drag headers and reordered columns, hot tracking and painting follow the visual
// order: the column shown first is item 2.
TEST_F(ListWrappers, ReorderedColumnsFollowTheVisualOrder) {
  HWND lv = ReportList(3);
  HWND header = ListView_GetHeader(lv);
  SetWindowLongW(header, GWL_STYLE, GetWindowLongW(header, GWL_STYLE) | HDS_FULLDRAG);
  int order[3] = {2, 0, 1};
  SendMessageW(lv, LVM_SETCOLUMNORDERARRAY, 3, LPARAM(order));
  Show();
  auto* w = Wrap<TkvListViewWnd>(lv, nullptr);
  RECT first{};
  SendMessageW(header, HDM_GETITEMRECT, 2, LPARAM(&first));  // item 2 stands first
  ASSERT_EQ(first.left, 0);
  const TRect atZero = w->GetHeaderColumnRect(0);
  EXPECT_EQ(atZero.Left, first.left);
  EXPECT_EQ(atZero.Right, first.right);
  RECT hr{};
  GetWindowRect(header, &hr);
  SendMessageW(header, WM_NCHITTEST, 0, MAKELPARAM(hr.left + 5, hr.top + 3));
  EXPECT_EQ(w->HoverColIndex, 2);
  EXPECT_EQ(ScreenPixel(header, 3, first.bottom / 2), kHeaderHot);
  EXPECT_EQ(ScreenPixel(header, first.right + 3, first.bottom / 2), kHeader);
  Unwrap(lv, w);
}

// A press on a column shows it pressed until the release; a press on a divider presses nothing.
TEST_F(ListWrappers, PressedColumnUntilRelease) {
  HWND lv = ReportList(3);
  Show();
  auto* w = Wrap<TkvListViewWnd>(lv, nullptr);
  HWND header = w->FhWndHeader;
  RECT item1{};
  SendMessageW(header, HDM_GETITEMRECT, 1, LPARAM(&item1));
  const int y = item1.bottom / 2;
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item1.left + 20, y));
  EXPECT_EQ(w->FPressedColumn, 1);
  UpdateWindow(header);
  EXPECT_EQ(ScreenPixel(header, item1.left + 5, y), kHeaderPressed);
  SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(item1.left + 20, y));
  EXPECT_EQ(w->FPressedColumn, -1);
  ReleaseCapture();
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item1.right - 1, y));  // the divider
  EXPECT_EQ(w->FPressedColumn, -1);
  SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(item1.right - 1, y));
  ReleaseCapture();
  Unwrap(lv, w);
}

// A skin change reaches the control: after the manager's refresh the list view has the new
// colours; its own come back when the skin goes.
TEST_F(ListWrappers, SkinChangeRefreshesTheColours) {
  HWND lv = ReportList(3);
  Show();
  auto* w = Wrap<TkvListViewWnd>(lv, nullptr);
  w->SetSkinParams();
  ASSERT_EQ(TColor(SendMessageW(lv, LVM_GETBKCOLOR, 0, 0)), kEditBg);
  skin.Section(editSection).Props[0].Color = 0x0B0C0D;
  skin.Section(editSection).Props[0].FontColor.Color = 0x0D0C0B;
  SendMessageW(lv, SM_ALPHACMD, MAKEWPARAM(0, KV_REFRESH), LPARAM(&skin.Manager));
  EXPECT_EQ(TColor(SendMessageW(lv, LVM_GETBKCOLOR, 0, 0)), TColor(0x0B0C0D));
  EXPECT_EQ(TColor(SendMessageW(lv, LVM_GETTEXTCOLOR, 0, 0)), TColor(0x0D0C0B));
  SendMessageW(lv, SM_ALPHACMD, MAKEWPARAM(0, KV_REMOVESKIN), LPARAM(&skin.Manager));
  EXPECT_EQ(TColor(SendMessageW(lv, LVM_GETBKCOLOR, 0, 0)), TColor(0x00EEDDCC));
  EXPECT_EQ(TColor(SendMessageW(lv, LVM_GETTEXTCOLOR, 0, 0)), TColor(0x00112233));
  Unwrap(lv, w);
}

// A painted raw list view writes with its own font: the cache canvas takes its face, the window a
// copy the wrapper keeps, and the window's own font comes back when the wrapper goes.
TEST_F(ListWrappers, PaintLoadsTheControlsFontAndDetachGivesItBack) {
  HWND lv = ReportList(3);
  LOGFONTW lf{};
  lf.lfHeight = -13;
  wcscpy(lf.lfFaceName, L"Courier New");
  HFONT own = CreateFontIndirectW(&lf);
  SendMessageW(lv, WM_SETFONT, WPARAM(own), 0);
  Show();
  auto* w = Wrap<TkvListViewWnd>(lv, nullptr);
  RedrawWindow(lv, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_NE(w->WindowFont(), nullptr);
  EXPECT_NE(w->WindowFont(), own);
  EXPECT_EQ(HFONT(SendMessageW(lv, WM_GETFONT, 0, 0)), w->WindowFont());
  LOGFONTW given{};
  ASSERT_NE(GetObjectW(w->WindowFont(), sizeof(given), &given), 0);
  EXPECT_STREQ(given.lfFaceName, L"Courier New");
  EXPECT_EQ(given.lfHeight, -13);
  ASSERT_TRUE(w->SkinData->FCacheBmp);
  EXPECT_EQ(w->SkinData->FCacheBmp->Canvas()->Font()->Name(), u"Courier New");
  // A second paint keeps the same font.
  HFONT first = w->WindowFont();
  RedrawWindow(lv, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(w->WindowFont(), first);
  Unwrap(lv, w);
  EXPECT_EQ(HFONT(SendMessageW(lv, WM_GETFONT, 0, 0)), own);
  DestroyWindow(lv);
  DeleteObject(own);
}

// A column that shows an image of the list's small images gets it left of its text, also when
// the text is centred (the text then moves right by the image's width).
TEST_F(ListWrappers, HeaderColumnShowsItsImage) {
  auto* lv = new TListView(form);
  lv->SetParent(form);
  lv->SetBounds(10, 10, 240, 120);
  lv->SetViewStyle(vsReport);
  TImageList images(form);
  AddPlainImage(images, [](int, int) { return 0xFF0000u; });
  lv->SetSmallImages(&images);
  HWND wnd = lv->Handle();
  for (int c = 0; c < 2; ++c) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    col.cx = 100;
    col.fmt = c == 0 ? LVCFMT_LEFT : LVCFMT_CENTER;
    col.pszText = const_cast<wchar_t*>(L"");
    SendMessageW(wnd, LVM_INSERTCOLUMNW, c, LPARAM(&col));
  }
  Show();
  auto* w = Wrap<TkvListViewWnd>(wnd, lv);
  ASSERT_NE(w->FhWndHeader, nullptr);
  HWND header = w->FhWndHeader;
  for (int c = 0; c < 2; ++c) {
    HDITEMW hd{};
    hd.mask = HDI_FORMAT | HDI_IMAGE;
    hd.fmt = (c == 0 ? HDF_LEFT : HDF_CENTER) | HDF_STRING | HDF_IMAGE;
    hd.iImage = 0;
    SendMessageW(header, HDM_SETITEMW, c, LPARAM(&hd));
  }
  RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  for (int c = 0; c < 2; ++c) {
    SCOPED_TRACE(c);
    RECT item{};
    SendMessageW(header, HDM_GETITEMRECT, c, LPARAM(&item));
    int red = 0, firstX = -1;
    for (int x = item.left; x < item.right; ++x)
      for (int y = 0; y < item.bottom; ++y)
        if (ScreenPixel(header, x, y) == TColor(0x0000FF)) {
          ++red;
          if (firstX < 0) firstX = x;
        }
    EXPECT_GE(red, 16 * std::min<int>(16, item.bottom - 2));
    // Left: at the text's start; centred: the image and the text together in the middle.
    if (c == 0)
      EXPECT_EQ(firstX, item.left + 4);
    else
      EXPECT_GT(firstX, item.left + 30);
  }
  Unwrap(wnd, w);
  lv->SetSmallImages(nullptr);
}
