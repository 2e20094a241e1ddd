// The edit wrapper on edits, memos and list boxes, raw and of the class library: the skin's
// colours pushed into the control and the control's own ones given back exactly, the frame and
// the skinned scroll bars painted over the control's own painting while it types and scrolls,
// paint messages with and without a device context, and no handle left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "support/EditLikeFixture.h"
#include "ui/StdCtrls.h"

using namespace editlike;

namespace {

// Colours equal within one step per channel (the blend's rounding).
bool NearColor(TColor a, TColor b) {
  for (int shift : {0, 8, 16})
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 1) return false;
  return true;
}

class EditWrapper : public EditLikeTest {
 protected:
  // The pixels of the text area of a 24-pixel edit that differ from its background look.
  static int InkedPixels(HWND wnd, TColor look) {
    int n = 0;
    for (int x = 4; x < 60; ++x)
      for (int y = 4; y < 20; ++y)
        if (!NearColor(ScreenPixel(wnd, x, y), look)) ++n;
    return n;
  }
};

WNDPROC WindowProcOf(HWND wnd) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(wnd, GWLP_WNDPROC)); }

// The look of a disabled control: the parent's colour laid over the section's colour with the
// weight DefBlendDisabled of 255 kept of the section.
TColor DisabledOver(TColor section, TColor parent) {
  auto mix = [&](int shift) {
    const int s = (section >> shift) & 0xFF, p = (parent >> shift) & 0xFF;
    return (s * DefBlendDisabled + p * (255 - DefBlendDisabled)) >> 8;
  };
  return TColor(mix(0) | mix(8) << 8 | mix(16) << 16);
}

}  // namespace

// The control's own colour and font colour come back exactly, not the system window colour and
// not only under some condition.
TEST_F(EditWrapper, ClassLibraryEditTakesSkinColoursAndGetsItsOwnBack) {
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 150, 24);
  constexpr TColor ownColor = 0x00C0FFEE & 0xFFFFFF, ownFont = 0x00123456;
  edit->SetColor(ownColor);
  edit->Font()->SetColor(ownFont);
  Show();
  // Not focused: the normal look (a focused edit takes the section's second look).
  SetFocus(nullptr);
  auto* w = Wrap<TkvEditWnd>(edit->Handle(), edit);
  w->SetSkinParams();
  EXPECT_EQ(edit->Color(), kEditBg);
  EXPECT_EQ(edit->Font()->Color(), kEditText);
  Repaint(edit->Handle());
  // The client as the control paints it (its own WM_CTLCOLOREDIT answer) and the frame from
  // the skin.
  EXPECT_EQ(ScreenPixel(edit->Handle(), edit->Width() - 6, edit->Height() / 2), kEditBg);
  EXPECT_EQ(ScreenPixel(edit->Handle(), 0, 0), kEditBg);

  Unwrap(edit->Handle(), w);
  EXPECT_EQ(edit->Color(), ownColor);
  EXPECT_EQ(edit->Font()->Color(), ownFont);
  Repaint(edit->Handle());
  EXPECT_EQ(ScreenPixel(edit->Handle(), edit->Width() - 6, edit->Height() / 2), ownColor);
}

// A raw edit gets the frame from the skin; detached, it has its own procedure back. (An edit
// made with WS_BORDER draws that border inside its client itself: the frame is the client edge.)
TEST_F(EditWrapper, RawEditFramePaintedFromSkinAndProcedureGivenBack) {
  HWND wnd = RawChild(L"EDIT", 0, 10, 10, 150, 24, WS_EX_CLIENTEDGE);
  const WNDPROC before = WindowProcOf(wnd);
  HFONT font = CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  SendMessageW(wnd, WM_SETFONT, WPARAM(font), FALSE);
  Show();
  auto* w = Wrap<TkvEditWnd>(wnd, nullptr);
  // The edit keeps its own font while skinned.
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(wnd, WM_GETFONT, 0, 0)), font);
  w->SetSkinParams();
  EXPECT_EQ(w->Color, kEditBg);
  EXPECT_EQ(w->FrameColor, kBorder);
  Repaint(wnd);
  EXPECT_EQ(ScreenPixel(wnd, 0, 0), kEditBg);
  EXPECT_EQ(ScreenPixel(wnd, 149, 23), kEditBg);
  Unwrap(wnd, w);
  EXPECT_EQ(WindowProcOf(wnd), before);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(wnd, WM_GETFONT, 0, 0)), font);
  DestroyWindow(wnd);
  DeleteObject(font);
}

// An ordinary WM_PAINT carries no device context: the control still paints its client. A paint
// into a device context whose clip box is empty only validates the window.
TEST_F(EditWrapper, PaintWithoutDeviceContextPaintsTheClient) {
  HWND list = RawChild(L"LISTBOX", WS_BORDER | LBS_NOINTEGRALHEIGHT, 10, 10, 150, 100);
  for (int i = 0; i < 5; ++i) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(L"WWWWWWWWWW"));
  Show();
  auto* w = Wrap<TkvEditWnd>(list, nullptr);
  // The list box paints its items on its background: some text pixel in the first row differs
  // from the background after an ordinary paint. The client is wiped first, so only that paint
  // can put the text there.
  {
    HDC wipe = GetDC(list);
    RECT all{};
    GetClientRect(list, &all);
    FillRect(wipe, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(list, wipe);
  }
  InvalidateRect(list, nullptr, TRUE);
  UpdateWindow(list);
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, 0, LPARAM(&item));
  TBitmap shot(item.right, item.bottom, pf32bit);
  HDC dc = GetDC(list);
  BitBlt(shot.Canvas()->Handle(), 0, 0, item.right, item.bottom, dc, 0, 0, SRCCOPY);
  ReleaseDC(list, dc);
  const TColor bg = shot.PixelColor(item.right - 2, item.bottom / 2) & 0xFFFFFF;
  int textPixels = 0;
  for (int y = 0; y < item.bottom; ++y)
    for (int x = 0; x < 60; ++x)
      if ((shot.PixelColor(x, y) & 0xFFFFFF) != bg) ++textPixels;
  EXPECT_GT(textPixels, 20);

  // An empty clip box: nothing is drawn, the window is validated.
  TBitmap target(200, 150, pf32bit);
  target.Canvas()->Brush()->SetColor(TColor(0x123456));
  target.Canvas()->FillRect(TRect(0, 0, 200, 150));
  HRGN empty = CreateRectRgn(0, 0, 0, 0);
  SelectClipRgn(target.Canvas()->Handle(), empty);
  DeleteObject(empty);
  InvalidateRect(list, nullptr, TRUE);
  SendMessageW(list, WM_PAINT, WPARAM(target.Canvas()->Handle()), 0);
  EXPECT_FALSE(GetUpdateRect(list, nullptr, FALSE));
  SelectClipRgn(target.Canvas()->Handle(), nullptr);
  EXPECT_EQ(target.PixelColor(20, 20) & 0xFFFFFF, TColor(0x123456));
  Unwrap(list, w);
}

// Typing into a memo moves the skinned vertical bar with the text; the bar is painted from the
// skin, not by the system.
TEST_F(EditWrapper, MemoBarsFollowTypingAndScrolling) {
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->SetBounds(10, 10, 200, 120);
  memo->SetScrollBars(ssVertical);
  Show();
  auto* w = Wrap<TkvEditWnd>(memo->Handle(), memo);
  ASSERT_TRUE(w->sBarVert);
  SetFocus(memo->Handle());
  for (int i = 0; i < 40; ++i) {
    SendMessageW(memo->Handle(), EM_REPLACESEL, TRUE, LPARAM(L"line of text\r\n"));
    SendMessageW(memo->Handle(), WM_KEYDOWN, VK_END, 0);
  }
  Application->ProcessMessages();
  SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(memo->Handle(), SB_VERT, &si);
  EXPECT_GT(si.nPos, 0);
  EXPECT_EQ(w->sBarVert->ScrollInfo.nPos, si.nPos);
  EXPECT_EQ(w->sBarVert->ScrollInfo.nMax, si.nMax);
  EXPECT_TRUE(w->sBarVert->fScrollVisible);
  // The bar from the skin: the arrow at the top, the track below it.
  Repaint(memo->Handle());
  RECT wr{};
  GetWindowRect(memo->Handle(), &wr);
  const Integer barX = (wr.right - wr.left) - w->cxRightEdge - 8;
  EXPECT_EQ(ScreenPixel(memo->Handle(), barX, w->cyTopEdge + 5), kBtn);
  // Scrolled back to the top by the scroll message, the skinned bar follows.
  SendMessageW(memo->Handle(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(w->sBarVert->ScrollInfo.nPos, 0);
  Unwrap(memo->Handle(), w);
}

// Items added to a list box show the skinned bar at once; scrolling the list moves it.
TEST_F(EditWrapper, ListBoxBarFollowsItemsAndScrolling) {
  HWND list = RawChild(L"LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 10, 10, 150, 100, WS_EX_CLIENTEDGE);
  Show();
  auto* w = Wrap<TkvEditWnd>(list, nullptr);
  ASSERT_TRUE(w->sBarVert);
  EXPECT_FALSE(w->sBarVert->fScrollVisible && Kv_IsScrollInfoActive(Kv_ScrollValues(w->sBarVert->ScrollInfo)));
  for (int i = 0; i < 50; ++i) SendMessageW(list, LB_ADDSTRING, 0, LPARAM(L"item"));
  SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(list, SB_VERT, &si);
  EXPECT_EQ(w->sBarVert->ScrollInfo.nMax, si.nMax);
  EXPECT_TRUE(w->sBarVert->fScrollVisible);
  SendMessageW(list, LB_SETTOPINDEX, 20, 0);
  GetScrollInfo(list, SB_VERT, &si);
  EXPECT_GT(si.nPos, 0);
  EXPECT_EQ(w->sBarVert->ScrollInfo.nPos, si.nPos);
  // The bar on the screen is the skin's: its top arrow.
  Repaint(list);
  RECT wr{};
  GetWindowRect(list, &wr);
  EXPECT_EQ(ScreenPixel(list, (wr.right - wr.left) - w->cxRightEdge - 8, w->cyTopEdge + 5), kBtn);
  Unwrap(list, w);
}

TEST_F(EditWrapper, EmptyClassLibraryListBoxAnswersNoTopIndex) {
  auto* list = new TListBox(form);
  list->SetParent(form);
  list->SetBounds(10, 10, 100, 80);
  Show();
  auto* w = Wrap<TkvEditWnd>(list->Handle(), list);
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETTOPINDEX, 0, 0), -1);
  list->Items()->Add(u"one");
  EXPECT_EQ(SendMessageW(list->Handle(), LB_GETTOPINDEX, 0, 0), 0);
  Unwrap(list->Handle(), w);
}

// A child asking the skinned edit for its background gets the edit's colour, moved by the frame.
TEST_F(EditWrapper, BackgroundQueryAnswersTheEditColourInsideTheFrame) {
  HWND wnd = RawChild(L"EDIT", WS_BORDER | ES_MULTILINE, 10, 10, 150, 60);
  Show();
  auto* w = Wrap<TkvEditWnd>(wnd, nullptr);
  TkvBGInfo info;
  SendMessageW(wnd, SM_ALPHACMD, MAKEWPARAM(0, KV_GETBG), LPARAM(&info));
  EXPECT_NE(info.BgType, btUnknown);
  EXPECT_EQ(info.Offset.X, w->cxLeftEdge);
  EXPECT_EQ(info.Offset.Y, w->cyTopEdge);
  Unwrap(wnd, w);
}

// 1,000 paints and 1,000 attach-detach cycles leave no GDI object behind.
TEST_F(EditWrapper, NoHandleLeftOverPaintsAndAttachDetachCycles) {
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->SetBounds(10, 10, 200, 120);
  memo->SetScrollBars(ssBoth);
  HWND raw = RawChild(L"EDIT", WS_BORDER | WS_VSCROLL | ES_MULTILINE, 10, 140, 150, 50);
  Show();
  LeakCheck leaks;
  {
    auto* w = Wrap<TkvEditWnd>(memo->Handle(), memo);
    for (int i = 0; i < 1000; ++i) {
      w->SkinData->BGChanged = true;
      SendMessageW(memo->Handle(), WM_NCPAINT, 1, 0);
      InvalidateRect(memo->Handle(), nullptr, TRUE);
      UpdateWindow(memo->Handle());
    }
    Unwrap(memo->Handle(), w);
  }
  for (int i = 0; i < 1000; ++i) {
    auto* w = Wrap<TkvEditWnd>(raw, nullptr);
    SendMessageW(raw, WM_NCPAINT, 1, 0);
    Unwrap(raw, w);
  }
  // The memo keeps one brush of its own colour (the control's, made again when its colour came
  // back); nothing else may be left.
  leaks.ExpectNothingLeft({memo->Brush()->Handle()});
}

// An edit of a standard dialog keeps the system window colour, framed in the skin's border
// colour.
TEST_F(EditWrapper, DialogEditFramedInTheSkinsBorderColour) {
  HWND wnd = RawChild(L"EDIT", 0, 10, 10, 150, 24, WS_EX_CLIENTEDGE);
  Show();
  auto dialog = SetForScope(kvDlgMode, true, false);
  auto* w = Wrap<TkvEditWnd>(wnd, nullptr);
  EXPECT_TRUE(w->DlgMode);
  w->SkinData->BGChanged = true;
  Repaint(wnd);
  EXPECT_EQ(ScreenPixel(wnd, 0, 0), kBorder);
  EXPECT_EQ(ScreenPixel(wnd, 1, 1), TColor(GetSysColor(COLOR_WINDOW)));
  Unwrap(wnd, w);
}

// A disabled single-line edit shows the skin's look with its text drawn by the wrapper, not the
// system's grey face; a password edit shows bullets, never its text.
TEST_F(EditWrapper, DisabledSingleLineEditShowsTheSkinsLook) {
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 150, 24);
  edit->SetText(u"WWWW");
  auto* secret = new TEdit(form);
  secret->SetParent(form);
  secret->SetBounds(10, 40, 150, 24);
  secret->SetPasswordChar(u'*');
  secret->SetText(u"WWWW");
  Show();
  SetFocus(nullptr);
  auto* w = Wrap<TkvEditWnd>(edit->Handle(), edit);
  auto* w2 = Wrap<TkvEditWnd>(secret->Handle(), secret);
  EXPECT_TRUE(w->SingleLineEdit);
  edit->SetEnabled(false);
  secret->SetEnabled(false);
  Repaint(edit->Handle());
  Repaint(secret->Handle());
  const TColor look = ScreenPixel(edit->Handle(), edit->Width() - 8, edit->Height() / 2);
  EXPECT_TRUE(NearColor(look, DisabledOver(kEditBg, ColorToRGB(form->Color())))) << std::hex << look;
  auto inked = [&](HWND wnd) { return InkedPixels(wnd, look); };
  // Not the system's grey text.
  const TColor gray = TColor(GetSysColor(COLOR_GRAYTEXT));
  int grayPixels = 0;
  for (int x = 4; x < 60; ++x)
    for (int y = 4; y < 20; ++y)
      if (ScreenPixel(edit->Handle(), x, y) == gray) ++grayPixels;
  EXPECT_EQ(grayPixels, 0);
  const int text = inked(edit->Handle());
  const int bullets = inked(secret->Handle());
  EXPECT_GT(text, 10);
  EXPECT_GT(bullets, 4);
  EXPECT_NE(text, bullets);  // four bullets are not four W's
  Unwrap(edit->Handle(), w);
  Unwrap(secret->Handle(), w2);
}

// A printed memo: the skinned frame and bar around the memo's own text. A memo whose section is
// transparent switches its double buffering on when printed (on Vista and before Windows 10).
TEST_F(EditWrapper, PrintedMemoHasTheSkinnedFrameAroundItsText) {
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->SetBounds(10, 10, 200, 120);
  memo->SetScrollBars(ssVertical);
  for (int i = 0; i < 30; ++i) memo->Lines()->Add(u"WWWWWWWW");
  Show();
  SetFocus(nullptr);
  auto* w = Wrap<TkvEditWnd>(memo->Handle(), memo);
  TBitmap printed(200, 120, pf32bit);
  SendMessageW(memo->Handle(), WM_PRINT, WPARAM(printed.Canvas()->Handle()), PRF_CLIENT | PRF_NONCLIENT);
  EXPECT_EQ(printed.PixelColor(0, 0) & 0xFFFFFF, kEditBg);
  EXPECT_EQ(printed.PixelColor(200 - w->cxRightEdge - 8, w->cyTopEdge + 5) & 0xFFFFFF, kBtn);
  int text = 0;
  for (int x = 4; x < 80; ++x)
    for (int y = 4; y < 20; ++y)
      if ((printed.PixelColor(x, y) & 0xFFFFFF) != kEditBg) ++text;
  EXPECT_GT(text, 10);
  Unwrap(memo->Handle(), w);

  // Transparent memo skin data of its own kind.
  TsScrollWndData data(memo, true);
  data.SetSkinManager(&skin.Manager);
  data.SetSkinSection(u"EDIT");
  data.COC = COC_TsMemo;
  data.TranspMode = 1;
  data.Loading = false;
  TkvSkinParams params = Params(memo);
  auto* transparent = TkvMainWnd::MakeWrapper<TkvEditWnd>(memo->Handle(), &data, &skin.Manager, params, true);
  for (const Byte major : {Byte(6), Byte(10)}) {
    auto version = SetForScope(kvWinMajorVer, major);
    memo->SetDoubleBuffered(false);
    SendMessageW(memo->Handle(), WM_PRINT, WPARAM(printed.Canvas()->Handle()), PRF_CLIENT | PRF_NONCLIENT);
    EXPECT_EQ(memo->DoubleBuffered(), major == 6) << "Windows " << int(major);
    EXPECT_EQ(printed.PixelColor(0, 0) & 0xFFFFFF, kEditBg);
  }
  Unwrap(memo->Handle(), transparent);
}

// Focus changes repaint with the hot look only for a section that can show one (a border image
// of two states here) on a focusable control with TabStop.
TEST_F(EditWrapper, FocusTakesTheHotLookOnlyWhereTheSectionHasOne) {
  const Integer frame = skin.AddImage(TRect(0, 0, 12, 6), 2, 0, 0, 2);
  skin.Fill(frame, 0, 0xFF203040);
  skin.Fill(frame, 1, 0xFF304050);
  auto* first = new TEdit(form);
  first->SetParent(form);
  first->SetBounds(10, 10, 150, 24);
  auto* noTab = new TEdit(form);
  noTab->SetParent(form);
  noTab->SetBounds(10, 40, 150, 24);
  noTab->SetTabStop(false);
  Show();
  SetFocus(nullptr);
  for (const bool hotCapable : {false, true}) {
    skin.Section(editSection).BorderIndex = hotCapable ? frame : -1;
    auto* w = Wrap<TkvEditWnd>(first->Handle(), first);
    auto* w2 = Wrap<TkvEditWnd>(noTab->Handle(), noTab);
    w->SetSkinParams();
    w2->SetSkinParams();
    ASSERT_EQ(first->Color(), kEditBg);
    SetFocus(first->Handle());
    EXPECT_EQ(w->SkinData->FFocused, hotCapable);
    EXPECT_EQ(first->Color(), hotCapable ? kEditHotBg : kEditBg) << "hot-capable " << hotCapable;
    SetFocus(noTab->Handle());
    EXPECT_FALSE(w2->SkinData->FFocused);  // no TabStop: no hot look by focus
    EXPECT_EQ(noTab->Color(), kEditBg);
    EXPECT_EQ(first->Color(), kEditBg);  // the focus left: back to the normal look
    SetFocus(nullptr);
    Unwrap(first->Handle(), w);
    Unwrap(noTab->Handle(), w2);
  }
}

namespace {
// An edit that keeps a 10-pixel strip of its own right of its client (an embedded button's
// place) and paints it.
constexpr TColor kOwnStrip = 0x00336699;
WNDPROC gEditProc = nullptr;
LRESULT CALLBACK StripEditProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCALCSIZE) {
    const LRESULT r = CallWindowProcW(gEditProc, wnd, msg, w, l);
    reinterpret_cast<RECT*>(l)->right -= 10;
    return r;
  }
  if (msg == WM_NCPAINT) {
    const LRESULT r = CallWindowProcW(gEditProc, wnd, msg, w, l);
    HDC dc = GetWindowDC(wnd);
    HBRUSH b = CreateSolidBrush(kOwnStrip);
    RECT strip{138, 2, 148, 22};
    FillRect(dc, &strip, b);
    DeleteObject(b);
    ReleaseDC(wnd, dc);
    return r;
  }
  return CallWindowProcW(gEditProc, wnd, msg, w, l);
}
}  // namespace

// An edit with non-client content of its own keeps it: its own frame painting runs inside a
// region 2 pixels smaller than the window, and the skin's frame goes around it.
TEST_F(EditWrapper, OwnNonClientContentKept) {
  HWND wnd = RawChild(L"EDIT", 0, 10, 10, 150, 24, WS_EX_CLIENTEDGE);
  gEditProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(wnd, GWLP_WNDPROC, LONG_PTR(&StripEditProc)));
  SetWindowPos(wnd, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
  Show();
  auto* w = Wrap<TkvEditWnd>(wnd, nullptr);
  EXPECT_TRUE(w->NCContent());
  w->SkinData->BGChanged = true;
  SendMessageW(wnd, WM_NCPAINT, 1, 0);
  EXPECT_EQ(ScreenPixel(wnd, 143, 12), kOwnStrip);
  EXPECT_EQ(ScreenPixel(wnd, 149, 12), kEditBg);
  EXPECT_EQ(ScreenPixel(wnd, 0, 0), kEditBg);
  Unwrap(wnd, w);
  SetWindowLongPtrW(wnd, GWLP_WNDPROC, LONG_PTR(gEditProc));
  DestroyWindow(wnd);
}

// A class-library memo's client leaves room for the skinned bars only: the system's own bar room
// is not kept beside them.
TEST_F(EditWrapper, MemoClientLeavesRoomForTheSkinnedBarsOnly) {
  auto* memo = new TMemo(form);
  memo->SetParent(form);
  memo->SetBounds(10, 10, 200, 120);
  memo->SetScrollBars(ssBoth);
  Show();
  auto* w = Wrap<TkvEditWnd>(memo->Handle(), memo);
  SetWindowPos(memo->Handle(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
  RECT window{}, client{};
  GetWindowRect(memo->Handle(), &window);
  GetClientRect(memo->Handle(), &client);
  ASSERT_TRUE(w->sBarVert->fScrollVisible && w->sBarHorz->fScrollVisible);
  const Integer thickness = GetScrollMetric(w->sBarVert, SM_SCROLLWIDTH);
  EXPECT_EQ(w->cxRightEdge, w->cxLeftEdge);  // the frame alone, no bar room
  EXPECT_EQ(w->cyBottomEdge, w->cyTopEdge);
  EXPECT_EQ(client.right, (window.right - window.left) - w->cxLeftEdge - w->cxRightEdge - thickness);
  EXPECT_EQ(client.bottom, (window.bottom - window.top) - w->cyTopEdge - w->cyBottomEdge - thickness);
  Unwrap(memo->Handle(), w);
}

// A disabled edit's text starts at the top of its text rectangle, inside the border (the
// border's width, the 3-D edge and the single border), not centred in the height.
TEST_F(EditWrapper, DisabledEditTextStartsAtTheTopInsideTheBorder) {
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 150, 60);
  edit->SetText(u"WWWW");
  Show();
  SetFocus(nullptr);
  auto* w = Wrap<TkvEditWnd>(edit->Handle(), edit);
  edit->SetEnabled(false);
  Repaint(edit->Handle());
  const TColor look = ScreenPixel(edit->Handle(), edit->Width() - 8, edit->Height() - 8);
  Integer firstInked = -1, lastInked = -1;
  for (Integer y = 0; y < edit->Height(); ++y)
    for (Integer x = 4; x < 60; ++x)
      if (ScreenPixel(edit->Handle(), x, y) != look && y > 0 && y < edit->Height() - 1) {
        if (firstInked < 0) firstInked = y;
        lastInked = y;
      }
  ASSERT_GE(firstInked, 0);
  // Border 1 + 3-D edge 1 + single border 1: the text box starts at row 3; a centred line of a
  // 60-pixel edit would start near row 22.
  EXPECT_GE(firstInked, 3);
  EXPECT_LT(firstInked, 12);
  EXPECT_LT(lastInked, edit->Height() / 2 + 4);
  Unwrap(edit->Handle(), w);
}

// A disabled empty edit that has no focus shows its text hint, drawn into the cache.
TEST_F(EditWrapper, DisabledEmptyEditShowsItsTextHint) {
  auto* hinted = new TEdit(form);
  hinted->SetParent(form);
  hinted->SetBounds(10, 10, 150, 24);
  hinted->SetTextHint(u"WWWW");
  auto* plain = new TEdit(form);
  plain->SetParent(form);
  plain->SetBounds(10, 40, 150, 24);
  Show();
  SetFocus(nullptr);
  auto* w = Wrap<TkvEditWnd>(hinted->Handle(), hinted);
  auto* w2 = Wrap<TkvEditWnd>(plain->Handle(), plain);
  hinted->SetEnabled(false);
  plain->SetEnabled(false);
  Repaint(hinted->Handle());
  Repaint(plain->Handle());
  const TColor look = DisabledOver(kEditBg, ColorToRGB(form->Color()));
  auto inked = [&](HWND wnd) { return InkedPixels(wnd, look); };
  EXPECT_GT(inked(hinted->Handle()), 10);
  EXPECT_EQ(inked(plain->Handle()), 0);
  Unwrap(hinted->Handle(), w);
  Unwrap(plain->Handle(), w2);
}

// The skin command that asks a wrapper for its cache paints it from the parent's background
// and the section at once, and an enabled edit keeps the section's own colour.
TEST_F(EditWrapper, PrepareCacheCommandPaintsTheSectionOverTheParent) {
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 150, 24);
  Show();
  auto* w = Wrap<TkvEditWnd>(edit->Handle(), edit);
  w->SkinData->BGChanged = true;
  w->SkinData->FCacheBmp.reset();
  SendMessageW(edit->Handle(), SM_ALPHACMD, KV_PREPARECACHE_HI, 0);
  ASSERT_NE(w->SkinData->FCacheBmp, nullptr);
  EXPECT_FALSE(w->SkinData->BGChanged);
  EXPECT_EQ(w->SkinData->FCacheBmp->Width(), 150);
  EXPECT_EQ(w->SkinData->FCacheBmp->PixelColor(75, 12) & 0xFFFFFF, kEditBg);
  Unwrap(edit->Handle(), w);
}

// A raw edit under the mouse becomes the manager's active control, as a class-library one does;
// a disabled one does not.
TEST_F(EditWrapper, RawEditUnderTheMouseBecomesTheActiveControl) {
  HWND wnd = RawChild(L"EDIT", 0, 10, 10, 150, 24, WS_EX_CLIENTEDGE);
  Show();
  auto* w = Wrap<TkvEditWnd>(wnd, nullptr);
  ASSERT_EQ(DefaultManager, &skin.Manager);
  skin.Manager.SetActiveControl(nullptr);
  EnableWindow(wnd, FALSE);
  SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(skin.Manager.ActiveControl(), nullptr);
  EnableWindow(wnd, TRUE);
  SendMessageW(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(skin.Manager.ActiveControl(), wnd);
  skin.Manager.SetActiveControl(nullptr);
  Unwrap(wnd, w);
  DestroyWindow(wnd);
}

// A disabled single-line edit paints itself whole from the cache: its erase is answered and
// never reaches the window, which would fill it with its own background.
TEST_F(EditWrapper, DisabledSingleLineEditIsNotErasedByTheWindow) {
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 10, 150, 24);
  Show();
  auto* w = Wrap<TkvEditWnd>(edit->Handle(), edit);
  edit->SetEnabled(false);
  TBitmap bmp(150, 24, pf32bit);
  HDC dc = bmp.Canvas()->Handle();
  RECT all{0, 0, 150, 24};
  HBRUSH marker = CreateSolidBrush(RGB(1, 2, 3));
  FillRect(dc, &all, marker);
  DeleteObject(marker);
  GdiFlush();
  EXPECT_EQ(SendMessageW(edit->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
  GdiFlush();
  EXPECT_EQ(bmp.PixelColor(75, 12) & 0xFFFFFF, TColor(RGB(1, 2, 3)));
  Unwrap(edit->Handle(), w);
}
