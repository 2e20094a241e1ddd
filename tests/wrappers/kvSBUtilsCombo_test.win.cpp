// The combo box wrappers: the frame and the drop-down button from the skin, the drop-down
// list's own wrapper made when the list first asks for its colours and told when tracking starts
// and ends, one colour brush per wrapper, item texts of any length, redraw locks before the list
// exists, owner-drawn items coloured from the skin.
//
// Wine's combo box sends its list no tracking messages (0x1AE / 0x1AF) when it drops down:
// the tests send them to the list themselves.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "support/EditLikeFixture.h"
#include "support/GdiTracker.h"
#include "support/WindowProbes.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsCombo.h"

using namespace editlike;

namespace {

class ComboWrappers : public EditLikeTest {
 protected:
  HWND RawCombo(DWORD style, int items) {
    HWND cb = RawChild(L"COMBOBOX", style | WS_VSCROLL, 10, 10, 160, 200);
    for (int i = 0; i < items; ++i) SendMessageW(cb, CB_ADDSTRING, 0, LPARAM(L"item"));
    return cb;
  }
  static HWND ListOf(HWND combo) {
    COMBOBOXINFO ci{};
    ci.cbSize = sizeof(ci);
    GetComboBoxInfo(combo, &ci);
    return ci.hwndList;
  }
};

}  // namespace

TEST_F(ComboWrappers, FrameAndButtonPaintedFromSkin) {
  HWND cb = RawCombo(CBS_DROPDOWNLIST, 3);
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  Repaint(cb);
  const TRect btn = w->ButtonRect();
  EXPECT_GT(btn.Right - btn.Left, 1);
  EXPECT_EQ(ScreenPixel(cb, 0, 0), kEditBg);
  EXPECT_EQ(ScreenPixel(cb, btn.Left + 1, btn.Top + 1), kComboBtn);
  // Without a glyph the button shows a drawn (smoothed) arrow in the button section's font
  // colour: pixels far greener than the button's face.
  int arrowPixels = 0;
  for (int x = btn.Left; x < btn.Right; ++x)
    for (int y = btn.Top; y < btn.Bottom; ++y)
      if (((ScreenPixel(cb, x, y) >> 8) & 0xFF) >= 0xE0) ++arrowPixels;
  EXPECT_GT(arrowPixels, 3);
  Unwrap(cb, w);
}

// The list wrapper comes with the list's first colour request; the combo box's tracking
// messages show and hide it.
TEST_F(ComboWrappers, DropDownListSkinnedAndTracked) {
  HWND cb = RawCombo(CBS_DROPDOWNLIST, 30);
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  EXPECT_EQ(w->ListSW, nullptr);
  SendMessageW(cb, CB_SHOWDROPDOWN, TRUE, 0);
  Application->ProcessMessages();
  // Making the list wrapper leaves the dropped list shown.
  EXPECT_TRUE(IsWindowVisible(ListOf(cb)));
  HWND list = ListOf(cb);
  ASSERT_NE(w->ListSW, nullptr);
  EXPECT_EQ(w->FListHandle, list);
  EXPECT_EQ(w->ListSW->CtrlHandle, list);
  EXPECT_FALSE(w->ListSW->Shown);
  SendMessageW(list, LBCB_STARTTRACK, 0, 0);
  EXPECT_TRUE(w->ListSW->Shown);
  w->ListSW->SkinData->BGChanged = false;
  SendMessageW(list, LBCB_ENDTRACK, 0, 0);
  EXPECT_FALSE(w->ListSW->Shown);
  EXPECT_TRUE(w->ListSW->SkinData->BGChanged);
  // The list: a frame in the skin's border colour around the edit colour, the skinned bar.
  EXPECT_EQ(w->ListSW->FrameColor, kBorder);
  EXPECT_EQ(w->ListSW->Color, kEditBg);
  // Printed (the layered list is not read back from the screen): the frame from the cache.
  TBitmap printed(200, 200, pf32bit);
  SendMessageW(list, WM_PRINT, WPARAM(printed.Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
  EXPECT_EQ(printed.PixelColor(0, 0) & 0xFFFFFF, kBorder);
  RECT lr{};
  GetWindowRect(list, &lr);
  EXPECT_EQ(printed.PixelColor(lr.right - lr.left - 1, (lr.bottom - lr.top) / 2) & 0xFFFFFF, kBorder);
  EXPECT_EQ(printed.PixelColor(lr.right - lr.left - 9, 6) & 0xFFFFFF, kBtn);  // the skinned bar's arrow
  EXPECT_TRUE(w->ListSW->sBarVert && w->ListSW->sBarVert->fScrollVisible);
  SendMessageW(cb, CB_SHOWDROPDOWN, FALSE, 0);
  Unwrap(cb, w);
}

// One brush per wrapper answers every colour request; a new skin colour makes a new one; none is
// left when the wrapper goes.
TEST_F(ComboWrappers, ColourRequestsShareOneBrushRenewedOnSkinChange) {
  HWND cb = RawCombo(CBS_DROPDOWN, 3);
  Show();
  GdiTracker gdi;
  ASSERT_TRUE(gdi.Active());
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  HDC dc = GetDC(cb);
  const LRESULT first = SendMessageW(cb, WM_CTLCOLOREDIT, WPARAM(dc), 0);
  ASSERT_NE(first, 0);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(SendMessageW(cb, WM_CTLCOLOREDIT, WPARAM(dc), 0), first);
  SendMessageW(cb, CB_SHOWDROPDOWN, TRUE, 0);
  Application->ProcessMessages();
  const LRESULT list1 = SendMessageW(cb, WM_CTLCOLORLISTBOX, WPARAM(dc), LPARAM(ListOf(cb)));
  LOGBRUSH lb{};
  GetObjectW(reinterpret_cast<HBRUSH>(list1), sizeof(lb), &lb);
  EXPECT_EQ(TColor(lb.lbColor), kEditBg);
  // The skin's edit colour changes: the next answer is a brush of the new colour.
  skin.Section(editSection).Props[0].Color = 0x0A0B0C;
  const LRESULT list2 = SendMessageW(cb, WM_CTLCOLORLISTBOX, WPARAM(dc), LPARAM(ListOf(cb)));
  GetObjectW(reinterpret_cast<HBRUSH>(list2), sizeof(lb), &lb);
  EXPECT_EQ(TColor(lb.lbColor), TColor(0x0A0B0C));
  ReleaseDC(cb, dc);
  SendMessageW(cb, CB_SHOWDROPDOWN, FALSE, 0);
  Unwrap(cb, w);
  EXPECT_GT(gdi.Created(), 0);
  EXPECT_TRUE(gdi.Live().empty()) << gdi.Live().size() << " left, first " << gdi.Live().front();
}

// An item text longer than any fixed buffer is read whole.
TEST_F(ComboWrappers, LongItemTextReadWhole) {
  HWND cb = RawCombo(CBS_DROPDOWNLIST, 0);
  const std::wstring longText(5000, L'x');
  SendMessageW(cb, CB_ADDSTRING, 0, LPARAM((longText + L"end").c_str()));
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  const String text = w->ItemText(0);
  EXPECT_EQ(text.size(), 5003u);
  EXPECT_EQ(text.substr(5000), u"end");
  EXPECT_TRUE(w->ItemText(5).empty());
  Unwrap(cb, w);
}

// Redraw locks before the list has a wrapper count on the combo box alone.
TEST_F(ComboWrappers, RedrawLockBeforeTheListExists) {
  HWND cb = RawCombo(CBS_DROPDOWNLIST, 3);
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  ASSERT_EQ(w->ListSW, nullptr);
  const Integer before = w->SkinData->FUpdateCount;
  SendMessageW(cb, WM_SETREDRAW, FALSE, 0);
  EXPECT_EQ(w->SkinData->FUpdateCount, before + 1);
  SendMessageW(cb, WM_SETREDRAW, TRUE, 0);
  EXPECT_EQ(w->SkinData->FUpdateCount, before);
  Unwrap(cb, w);
}

// Owner-drawn items of a class-library combo box: the selected one in the skin's focused
// selection colours, the others in the section's look.
TEST_F(ComboWrappers, OwnerDrawnItemsColouredFromSkin) {
  auto* combo = new TComboBox(form);
  combo->SetParent(form);
  combo->SetBounds(10, 10, 160, 24);
  combo->SetStyle(csOwnerDrawFixed);
  combo->Items()->Add(u"one");
  combo->Items()->Add(u"two");
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(combo->Handle(), combo, u"COMBOBOX");
  TBitmap target(100, 40, pf32bit);
  HDC dc = target.Canvas()->Handle();
  w->DrawItem(0, TRect(0, 0, 100, 20), dc, TOwnerDrawState{odSelected});
  w->DrawItem(1, TRect(0, 20, 100, 40), dc, TOwnerDrawState{});
  EXPECT_EQ(target.PixelColor(95, 10) & 0xFFFFFF, kSelection);
  // An item in the list of a two-look section takes the second look.
  EXPECT_EQ(target.PixelColor(95, 30) & 0xFFFFFF, kEditHotBg);
  // Some text pixels in the selection's font colour.
  int text = 0;
  for (int x = 0; x < 60; ++x)
    for (int y = 0; y < 20; ++y)
      if ((target.PixelColor(x, y) & 0xFFFFFF) == kSelectionText) ++text;
  EXPECT_GT(text, 3);
  Unwrap(combo->Handle(), w);
}

TEST_F(ComboWrappers, NoHandleLeftOverPaintsAndCycles) {
  HWND cb = RawCombo(CBS_DROPDOWNLIST, 30);
  Show();
  LeakCheck leaks;
  for (int i = 0; i < 1000; ++i) {
    auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
    SendMessageW(cb, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(cb, CB_SHOWDROPDOWN, FALSE, 0);
    InvalidateRect(cb, nullptr, TRUE);
    UpdateWindow(cb);
    Unwrap(cb, w);
  }
  leaks.ExpectNothingLeft();
}

// The skin's main font goes into the item's device context and stays valid while it is selected
// there: the same font object serves the next request, a new name makes a new one, and the one
// the device context held is freed only after the new one replaced it.
TEST_F(ComboWrappers, MainFontStaysValidWhileTheDeviceContextUsesIt) {
  ASSERT_EQ(DefaultManager, &skin.Manager);
  skin.Manager.Fonts.MainMode = fmCustom;
  skin.Manager.Fonts.MainFont = u"Arial";
  TBitmap target(10, 10, pf32bit);
  HDC dc = target.Canvas()->Handle();
  GdiTracker gdi;
  ASSERT_TRUE(gdi.Active());
  {
    TOwnedFont slot;
    CheckFont(dc, slot);
    ASSERT_TRUE(slot);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), slot.get());
    LOGFONTW lf{};
    ASSERT_NE(GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof(lf), &lf), 0);
    EXPECT_STREQ(lf.lfFaceName, L"Arial");
    const HFONT first = slot.get();
    CheckFont(dc, slot);
    EXPECT_EQ(slot.get(), first);
    EXPECT_EQ(gdi.Created(), 1);
    skin.Manager.Fonts.MainFont = u"Courier New";
    CheckFont(dc, slot);
    EXPECT_NE(slot.get(), first);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), slot.get());
    ASSERT_NE(GetObjectW(GetCurrentObject(dc, OBJ_FONT), sizeof(lf), &lf), 0);
    EXPECT_STREQ(lf.lfFaceName, L"Courier New");
    // Taken out of the device context before its slot lets it go.
    SelectObject(dc, GetStockObject(SYSTEM_FONT));
  }
  EXPECT_TRUE(gdi.Live().empty()) << gdi.Live().size() << " left";
  // Without a configured name nothing is selected.
  skin.Manager.Fonts.MainMode = fmDefault;
  TOwnedFont none;
  CheckFont(dc, none);
  EXPECT_FALSE(none);
}

namespace {
// An application's item drawing that fills the item with the canvas brush it is given.
struct ItemPainter {
  void Draw(TWinControl* control, Integer, TRect rect, TOwnerDrawState) {
    TCanvas* canvas = static_cast<TComboBox*>(control)->Canvas();
    brushes.push_back(canvas->Brush()->Color());
    canvas->FillRect(TRect(rect.Left, rect.Top, rect.Left + 10, rect.Bottom));
    canvas->Brush()->SetColor(TColor(0x0A0B0C));  // a mark of its own
    canvas->FillRect(TRect(rect.Left + 10, rect.Top, rect.Left + 20, rect.Bottom));
  }
  std::vector<TColor> brushes;
};
}  // namespace

// The application's own item drawing paints into the skinned item through the owner's canvas,
// whose brush holds the skin's colour of the item's look.
TEST_F(ComboWrappers, ApplicationItemDrawingGetsSkinColours) {
  auto* combo = new TComboBox(form);
  combo->SetParent(form);
  combo->SetBounds(10, 10, 160, 24);
  combo->SetStyle(csOwnerDrawFixed);
  combo->Items()->Add(u"one");
  combo->Items()->Add(u"two");
  ItemPainter painter;
  combo->SetOnDrawItem(TDrawItemEvent(&painter, &ItemPainter::Draw));
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(combo->Handle(), combo, u"COMBOBOX");
  TBitmap target(100, 40, pf32bit);
  target.Canvas()->Brush()->SetColor(TColor(0x010101));
  target.Canvas()->FillRect(TRect(0, 0, 100, 40));
  w->DrawItem(0, TRect(0, 0, 100, 20), target.Canvas()->Handle(), TOwnerDrawState{odSelected});
  w->DrawItem(1, TRect(0, 20, 100, 40), target.Canvas()->Handle(), TOwnerDrawState{});
  ASSERT_EQ(painter.brushes.size(), 2u);
  EXPECT_EQ(painter.brushes[0], kSelection);
  EXPECT_EQ(painter.brushes[1], kEditHotBg);
  EXPECT_EQ(target.PixelColor(5, 10) & 0xFFFFFF, kSelection);
  EXPECT_EQ(target.PixelColor(5, 30) & 0xFFFFFF, kEditHotBg);
  EXPECT_EQ(target.PixelColor(15, 10) & 0xFFFFFF, TColor(0x0A0B0C));
  EXPECT_EQ(target.PixelColor(15, 30) & 0xFFFFFF, TColor(0x0A0B0C));
  Unwrap(combo->Handle(), w);
}

// The button's width by style and mode, and its side by reading order.
TEST_F(ComboWrappers, ButtonRectByStyleModeAndReadingOrder) {
  struct Case {
    DWORD style;
    DWORD exStyle;
    bool dialog;
    Integer extra;  // added to the scaled system scroll width; -1: no button
    bool atLeft;
  };
  const Integer system = GetComboBtnSize(&skin.Manager, 96);
  const Integer margin = skin.Data->ComboBoxMargin;
  for (const Case& c : {Case{CBS_SIMPLE, 0, true, -1, false}, Case{CBS_DROPDOWN, 0, true, 0, false},
                        Case{CBS_DROPDOWNLIST, 0, true, 1, false}, Case{CBS_DROPDOWN, 0, false, 1, false},
                        Case{CBS_DROPDOWNLIST, WS_EX_RTLREADING, false, 1, true}}) {
    HWND cb = RawChild(L"COMBOBOX", c.style, 10, 10, 160, c.style == CBS_SIMPLE ? 100 : 200, c.exStyle);
    auto dialog = SetForScope(kvDlgMode, c.dialog, false);
    auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
    const TRect r = w->ButtonRect();
    const Integer width = c.extra < 0 ? 0 : system + c.extra;
    EXPECT_EQ(r.Right - r.Left, width) << "style " << c.style << " dialog " << c.dialog;
    EXPECT_EQ(r.Top, margin);
    RECT wr{};
    GetWindowRect(cb, &wr);
    EXPECT_EQ(r.Left, c.atLeft ? margin : (wr.right - wr.left) - width - margin);
    Unwrap(cb, w);
    DestroyWindow(cb);
  }
}

// While the list is shown the button takes its pressed look.
TEST_F(ComboWrappers, ButtonPressedWhileTheListIsShown) {
  const Integer btn = skin.Data->ComboBtn.SkinIndex;
  skin.Section(btn).Props[2].Color = 0x3C3C3C;
  HWND cb = RawCombo(CBS_DROPDOWNLIST, 3);
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  const TRect r = w->ButtonRect();
  Repaint(cb);
  EXPECT_EQ(ScreenPixel(cb, r.Left + 1, r.Top + 1), kComboBtn);
  SendMessageW(cb, CB_SHOWDROPDOWN, TRUE, 0);
  Application->ProcessMessages();  // the list paints: its wrapper comes
  ASSERT_NE(w->ListSW, nullptr);
  w->RepaintButton();
  EXPECT_EQ(ScreenPixel(cb, r.Left + 1, r.Top + 1), TColor(0x3C3C3C));
  SendMessageW(cb, CB_SHOWDROPDOWN, FALSE, 0);
  w->RepaintButton();
  EXPECT_EQ(ScreenPixel(cb, r.Left + 1, r.Top + 1), kComboBtn);
  Unwrap(cb, w);
}

// A box without items still gets its list wrapper when its list asks for colours (Wine's empty
// list never paints, so the request is sent here).
TEST_F(ComboWrappers, EmptyBoxStillGetsItsListWrapper) {
  HWND cb = RawCombo(CBS_DROPDOWNLIST, 0);
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  HDC dc = GetDC(cb);
  SendMessageW(cb, WM_CTLCOLORLISTBOX, WPARAM(dc), LPARAM(ListOf(cb)));
  ReleaseDC(cb, dc);
  ASSERT_NE(w->ListSW, nullptr);
  EXPECT_EQ(w->ListSW->CtrlHandle, ListOf(cb));
  EXPECT_FALSE(w->ListSW->SimplyBox);
  Unwrap(cb, w);
}

// The lookup combo edit: its button follows the owner combo's style, and a list box child of
// its owner gets skinned scroll bars when a child window is made.
TEST_F(ComboWrappers, LookupComboButtonAndChildListBox) {
  auto* combo = new TComboBox(form);
  combo->SetParent(form);
  combo->SetBounds(10, 10, 160, 24);
  combo->SetStyle(csDropDownList);
  auto* panel = new TPanel(form);
  panel->SetParent(form);
  panel->SetBounds(10, 50, 200, 120);
  auto* list = new TListBox(panel);
  list->SetParent(panel);
  list->SetBounds(5, 5, 150, 100);
  for (int i = 0; i < 40; ++i) list->Items()->Add(u"item");
  Show();
  auto* w = Wrap<TkvWWComboBoxWnd>(combo->Handle(), combo, u"COMBOBOX");
  EXPECT_TRUE(w->FShowButton);
  const TRect r = w->ButtonRect();
  EXPECT_EQ(r.Right - r.Left, GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(r.Right, combo->Width() - 2);
  EXPECT_EQ(r.Top, 2);
  Unwrap(combo->Handle(), w);

  auto* lookup = Wrap<TkvWWComboBoxWnd>(panel->Handle(), panel, u"EDIT");
  EXPECT_FALSE(lookup->FShowButton);
  EXPECT_EQ(lookup->ButtonRect().Right - lookup->ButtonRect().Left, 0);
  SendMessageW(panel->Handle(), WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 0), LPARAM(list->Handle()));
  EXPECT_EQ(lookup->ListBox, list);
  ASSERT_NE(lookup->ListBoxSW, nullptr);
  EXPECT_NE(dynamic_cast<TkvEditWnd*>(lookup->ListBoxSW), nullptr);  // frame and colours too
  EXPECT_EQ(TkvScrollWnd::FromHwnd(list->Handle()), lookup->ListBoxSW);
  Unwrap(panel->Handle(), lookup);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(list->Handle()), nullptr);
}

// The skin going (its own manager's command) frees the list's wrapper; the list keeps a plain
// border. Another manager's command changes nothing.
TEST_F(ComboWrappers, RemovedSkinFreesTheListWrapper) {
  HWND cb = RawCombo(CBS_DROPDOWNLIST, 30);
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  SendMessageW(cb, CB_SHOWDROPDOWN, TRUE, 0);
  Application->ProcessMessages();
  SendMessageW(cb, CB_SHOWDROPDOWN, FALSE, 0);
  ASSERT_NE(w->ListSW, nullptr);
  HWND list = ListOf(cb);
  DuRiruZireziv other(nullptr);
  SendMessageW(cb, SM_ALPHACMD, MAKEWPARAM(0, KV_REMOVESKIN), LPARAM(&other));
  EXPECT_NE(w->ListSW, nullptr);
  SendMessageW(cb, SM_ALPHACMD, MAKEWPARAM(0, KV_REMOVESKIN), LPARAM(&skin.Manager));
  EXPECT_EQ(w->ListSW, nullptr);
  EXPECT_EQ(w->FListHandle, nullptr);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(list), nullptr);
  EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_BORDER);
  EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & WS_THICKFRAME);
  Unwrap(cb, w);
}

namespace {
int gComboPaints = 0;
LRESULT CALLBACK CountPaints(HWND wnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR) {
  if (msg == WM_PAINT) ++gComboPaints;
  return DefSubclassProc(wnd, msg, w, l);
}
}  // namespace

// Selecting an item of a class-library combo box repaints it once, at once; under an update
// lock the selection does not paint.
TEST_F(ComboWrappers, SelectionRepaintsOnceUnlessLocked) {
  auto* combo = new TComboBox(form);
  combo->SetParent(form);
  combo->SetBounds(10, 10, 160, 24);
  combo->SetStyle(csDropDownList);
  for (const char16_t* t : {u"one", u"two", u"three"}) combo->Items()->Add(t);
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(combo->Handle(), combo, u"COMBOBOX");
  UpdateWindow(combo->Handle());
  ASSERT_TRUE(SetWindowSubclass(combo->Handle(), &CountPaints, 1, 0));
  gComboPaints = 0;
  SendMessageW(combo->Handle(), CB_SETCURSEL, 1, 0);
  EXPECT_EQ(gComboPaints, 1);
  EXPECT_EQ(SendMessageW(combo->Handle(), CB_GETCURSEL, 0, 0), 1);
  gComboPaints = 0;
  ++w->SkinData->FUpdateCount;
  SendMessageW(combo->Handle(), CB_SETCURSEL, 2, 0);
  EXPECT_EQ(gComboPaints, 0);
  --w->SkinData->FUpdateCount;
  RemoveWindowSubclass(combo->Handle(), &CountPaints, 1);
  Unwrap(combo->Handle(), w);
}

// A printed combo box: the skin's frame and button, and the selected item's text (drawn by the
// wrapper for a class-library box, from the item text for a raw one).
TEST_F(ComboWrappers, PrintedBoxShowsFrameButtonAndSelectedText) {
  auto* combo = new TComboBox(form);
  combo->SetParent(form);
  combo->SetBounds(10, 10, 160, 24);
  combo->SetStyle(csDropDownList);
  combo->Items()->Add(u"WWWWWW");
  HWND raw = RawCombo(CBS_DROPDOWNLIST, 0);
  SendMessageW(raw, CB_ADDSTRING, 0, LPARAM(L"WWWWWW"));
  Show();
  SetFocus(nullptr);
  combo->SetItemIndex(0);
  SendMessageW(raw, CB_SETCURSEL, 0, 0);
  for (HWND wnd : {combo->Handle(), raw}) {
    auto* w = Wrap<TkvComboBoxWnd>(wnd, wnd == raw ? nullptr : combo, u"COMBOBOX");
    RECT wr{};
    GetWindowRect(wnd, &wr);
    TBitmap printed(wr.right - wr.left, wr.bottom - wr.top, pf32bit);
    SendMessageW(wnd, WM_PRINT, WPARAM(printed.Canvas()->Handle()), PRF_CLIENT | PRF_NONCLIENT);
    const TRect btn = w->ButtonRect();
    EXPECT_EQ(printed.PixelColor(0, 0) & 0xFFFFFF, kEditBg);
    EXPECT_EQ(printed.PixelColor(btn.Left + 1, btn.Top + 1) & 0xFFFFFF, kComboBtn);
    int text = 0;
    for (int x = 3; x < btn.Left; ++x)
      for (int y = 3; y < printed.Height() - 3; ++y)
        if ((printed.PixelColor(x, y) & 0xFFFFFF) != kEditBg) ++text;
    EXPECT_GT(text, 20) << (wnd == raw ? "raw" : "class library");
    Unwrap(wnd, w);
  }
}

// A press on the skinned bar of a simple combo box's list scrolls the list whatever hit code the
// system gave it; the release on the bar ends the press and gives the capture back.
TEST_F(ComboWrappers, SimpleListBarPressedAndReleased) {
  HWND cb = RawCombo(CBS_SIMPLE, 40);
  Show();
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  HWND list = ListOf(cb);
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  Application->ProcessMessages();
  ASSERT_NE(w->ListSW, nullptr);
  ASSERT_TRUE(w->ListSW->sBarVert && w->ListSW->sBarVert->fScrollVisible);
  const POINT downArrow = PressDownArrow(list, w->ListSW, HTCLIENT);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 1);
  EXPECT_NE(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
  EXPECT_EQ(GetCapture(), list);
  ReleaseAt(list, downArrow);
  EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
  EXPECT_NE(GetCapture(), list);
  Unwrap(cb, w);
}

// A list of database rows is told where its thumb was let go (first arrow, upper or lower half,
// last arrow) instead of a position; an ordinary list gets the position the drag reached.
TEST_F(ComboWrappers, RowListThumbReleaseTellsWhereItWasLetGo) {
  HWND cb = RawCombo(CBS_SIMPLE, 40);
  Show();
  HWND list = ListOf(cb);
  TSentMessages sent(list);  // in front of the wrapper's predecessor: sees what is passed on
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  Application->ProcessMessages();
  ASSERT_NE(w->ListSW, nullptr);
  TkvComboListWnd* lw = w->ListSW;
  ASSERT_TRUE(lw->sBarVert && lw->sBarVert->fScrollVisible);
  const Integer arrow = GetScrollMetric(lw->sBarVert, SM_BTNSIZE);
  struct Case {
    bool rows;
    Integer code;
  } cases[] = {{true, 0}, {true, 1}, {true, 3}, {true, 4}, {false, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    lw->DBScroll = c.rows;
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    UpdateScrolls(lw, true);
    TRect v;
    kv_GetVScrollRect(lw, list, v);
    Integer thumb = 0, thumbPos = 0;
    Kv_CalcThumbSize(lw->sBarVert, v, thumb, thumbPos);
    const Integer h = v.Height();
    ASSERT_GT(h / 2 - thumb / 2 - 2, arrow);  // room for every case
    // The thumb's top where it is let go, from the bar's top.
    const Integer along = c.code == 0   ? arrow
                          : c.code == 1 ? h / 2 - thumb / 2 - 2
                          : c.code == 3 ? h / 2 - thumb / 2 + 2
                                        : h - arrow - thumb + 1;
    const Integer x = (v.Left + v.Right) / 2;
    SetCursorPos(x, thumbPos + thumb / 2);
    PostMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(x, thumbPos + thumb / 2));
    Application->ProcessMessages();
    ASSERT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_THUMB);
    sent.seen.clear();
    ReleaseAt(list, POINT{x, v.Top + along});
    std::vector<Integer> positions;
    for (const TMessage& m : sent.seen)
      if (m.Msg == WM_VSCROLL && LOWORD(m.WParam) == SB_THUMBPOSITION) positions.push_back(HIWORD(m.WParam));
    // No move was posted: an ordinary list stays where the press found it.
    EXPECT_EQ(positions, std::vector<Integer>{c.rows ? c.code : 0});
    EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
  }
  Unwrap(cb, w);
}

// The dropped list of a drop-down box is the box's tracking window and holds the capture: a press
// on its skinned bar stays pressed, and the release that ends it keeps the capture (unless the list
// is marked with Tag -1) and is not passed to the list, which would take it for a choice; a
// release with no press on the bar is the list's.
TEST_F(ComboWrappers, DroppedListKeepsCaptureAndSwallowsTheBarRelease) {
  HWND cb = RawCombo(CBS_DROPDOWNLIST, 30);
  Show();
  HWND list = ListOf(cb);
  TSentMessages sent(list);  // in front of the wrapper's predecessor: sees what is passed on
  auto* w = Wrap<TkvComboBoxWnd>(cb, nullptr, u"COMBOBOX");
  SendMessageW(cb, CB_SHOWDROPDOWN, TRUE, 0);
  Application->ProcessMessages();
  ASSERT_NE(w->ListSW, nullptr);
  TkvComboListWnd* lw = w->ListSW;
  ASSERT_FALSE(lw->SimplyBox);
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  Application->ProcessMessages();
  ASSERT_TRUE(lw->sBarVert && lw->sBarVert->fScrollVisible);
  struct Case {
    Integer tag;
    bool keepsCapture;
  } cases[] = {{0, true}, {-1, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tag);
    lw->Tag = c.tag;
    SendMessageW(list, LB_SETTOPINDEX, 0, 0);
    UpdateScrolls(lw, true);
    SetCapture(list);  // as the box holds it while the list is down
    const POINT downArrow = PressDownArrow(list, lw, HTVSCROLL);
    EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 1);
    EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_DOWN);
    ASSERT_EQ(GetCapture(), list);
    sent.seen.clear();
    ReleaseAt(list, downArrow);
    EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
    EXPECT_EQ(sent.Count(WM_LBUTTONUP), 0u);
    EXPECT_EQ(GetCapture() == list, c.keepsCapture);
    EXPECT_TRUE(IsWindowVisible(list));
    ReleaseCapture();
  }
  lw->Tag = 0;
  // No press on the bar: the release belongs to the list.
  RECT client{};
  GetClientRect(list, &client);
  POINT item{client.right / 2, 5};
  ClientToScreen(list, &item);
  sent.seen.clear();
  ReleaseAt(list, item);
  EXPECT_EQ(sent.Count(WM_LBUTTONUP), 1u);
  SendMessageW(cb, CB_SHOWDROPDOWN, FALSE, 0);
  Unwrap(cb, w);
}
