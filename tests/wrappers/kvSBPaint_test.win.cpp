// The skinned scroll bars of a scroll wrapper: the frame it computes without the system bars,
// the sizes and rectangles, the size grip, and the pixels of both bars and the corner painted
// from a small skin made here (one flat colour per part, so every expected pixel is known).
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "skin/sCommonData.h"
#include "support/ScrollSkin.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtils.h"
#include "wrappers/kvSBUtilsEdit.h"

namespace {

// A window-sized 32-bit bitmap and the DC that draws on it; reading a pixel waits for GDI.
struct Capture {
  Capture(Integer w, Integer h) : bmp(w, h, pf32bit), dc(bmp.Canvas()->Handle()) {}
  TColor At(Integer x, Integer y) const { return bmp.PixelColor(x, y) & 0xFFFFFF; }
  TBitmap bmp;
  HDC dc;
};

// The scroll notifications that reached the window's own procedure (before the wrapper).
std::vector<WPARAM> gScrollCodes;
LRESULT CALLBACK LoggingScrollProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_HSCROLL || msg == WM_VSCROLL) gScrollCodes.push_back(LOWORD(w) | (msg == WM_VSCROLL ? 0x10000 : 0));
  return DefWindowProcW(wnd, msg, w, l);
}

class ScrollBars : public testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TApplication>();
    kvSBUtilsStartup();  // the scroll-bar functions the engine's start-up binds
  }
  void TearDown() override {
    for (HWND w : windows)
      if (IsWindow(w)) DestroyWindow(w);
    app.reset();
  }
  HWND MakeWindow(DWORD exStyle, DWORD style, Integer w, Integer h, HWND parent = nullptr, Integer x = 0,
                  Integer y = 0) {
    static const ATOM cls = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = DefWindowProcW;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"TwScrolledProbe";
      return RegisterClassW(&wc);
    }();
    HWND wnd = CreateWindowExW(exStyle, MAKEINTATOM(cls), L"", style, x, y, w, h, parent, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(wnd, nullptr) << GetLastError();
    windows.push_back(wnd);
    return wnd;
  }
  // Wraps the window with a skinned scroll wrapper (bar 17 thick, arrows 15 long) and lets it
  // compute the frame.
  TkvScrollWnd* Wrap(HWND wnd, Byte coc = 0) {
    TkvScrollWnd* sw = scrollSkin.Wrap(wnd, coc);
    EXPECT_TRUE(IsWindow(wnd));
    return sw;
  }
  void Unwrap(HWND wnd, TkvScrollWnd* sw) { UninitializeKVScroll(wnd, true, false, sw); }
  // A shown, topmost, wrapped 200 x 150 window at (at, at) with both bars (horizontal position
  // hpos of 0..99 by 10, vertical 0 of 0..999 by 100).
  HWND ShownScrolledWindow(Integer at, int hpos, TkvScrollWnd*& sw) {
    HWND wnd = MakeWindow(WS_EX_TOPMOST, WS_POPUP | WS_BORDER | WS_HSCROLL | WS_VSCROLL, 200, 150, nullptr, at, at);
    SetRange(wnd, SB_HORZ, 99, 10, hpos);
    SetRange(wnd, SB_VERT, 999, 100, 0);
    sw = Wrap(wnd);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    return wnd;
  }
  // The window's pixels as they are on the screen.
  static void Grab(HWND wnd, Capture& cap) {
    HDC wdc = GetWindowDC(wnd);
    BitBlt(cap.dc, 0, 0, 200, 150, wdc, 0, 0, SRCCOPY);
    ReleaseDC(wnd, wdc);
  }
  static void SetRange(HWND wnd, int bar, int max, UINT page, int pos) {
    SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, max, page, pos, 0};
    SetScrollInfo(wnd, bar, &si, FALSE);
  }
  static TRect WindowRect(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return TRect(r.left, r.top, r.right, r.bottom);
  }
  // r (screen) relative to the window's top-left.
  static TRect InWindow(HWND wnd, const TRect& r) {
    const TRect w = WindowRect(wnd);
    return TRect(r.Left - w.Left, r.Top - w.Top, r.Right - w.Left, r.Bottom - w.Top);
  }

  // A class-library control on a new form (freed by the caller with the form) and scroll-bar
  // skin data of the control in the own section.
  struct TControlScrollData {
    TForm* form;
    TCustomControl* ctrl;
    std::unique_ptr<TsScrollWndData> sd;
  };
  TControlScrollData ControlScrollData() {
    auto* form = new TForm(app.get());
    form->AfterConstruction();
    auto* ctrl = new TCustomControl(form);
    ctrl->SetParent(form);
    ctrl->HandleNeeded();
    auto sd = std::make_unique<TsScrollWndData>(ctrl);
    sd->FOwnerControl = ctrl;
    sd->SetSkinManager(&skin.Manager);
    sd->SkinIndex = scrollSkin.ownSection;
    return {form, ctrl, std::move(sd)};
  }

  std::unique_ptr<TApplication> app;
  ScrollSkin scrollSkin;
  SkinFixture& skin = scrollSkin.skin;
  std::vector<HWND> windows;
};

}  // namespace

TEST_F(ScrollBars, FrameLeavesRoomForTheSkinnedBarsOnly) {
  HWND wnd = MakeWindow(0, WS_POPUP | WS_BORDER | WS_HSCROLL | WS_VSCROLL, 200, 150);
  TkvScrollWnd* sw = Wrap(wnd);
  EXPECT_TRUE(sw->ScrollsInitialized);
  EXPECT_EQ(sw->cxLeftEdge, 1);
  EXPECT_EQ(sw->cxRightEdge, 1);
  EXPECT_EQ(sw->cyTopEdge, 1);
  EXPECT_EQ(sw->cyBottomEdge, 1);
  EXPECT_TRUE(sw->sBarHorz->fScrollVisible);
  EXPECT_TRUE(sw->sBarVert->fScrollVisible);
  EXPECT_EQ(GetScrollMetric(sw->sBarHorz, SM_SCROLLWIDTH), 17);
  EXPECT_EQ(GetScrollMetric(sw->sBarVert, SM_BTNSIZE), 15);
  RECT client{};
  GetClientRect(wnd, &client);
  EXPECT_EQ(client.right, 200 - 2 - 17);  // no system bar counted besides the skinned one
  EXPECT_EQ(client.bottom, 150 - 2 - 17);
  // The scroll styles are back after the frame was computed.
  EXPECT_EQ(GetWindowLongW(wnd, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), LONG(WS_HSCROLL | WS_VSCROLL));
  EXPECT_FALSE(sw->bPreventStyleChange);

  TRect h, v, c;
  kv_GetHScrollRect(sw, wnd, h);
  kv_GetVScrollRect(sw, wnd, v);
  kv_GetScrollCorner(sw, wnd, c);
  EXPECT_EQ(InWindow(wnd, h), TRect(1, 132, 182, 149));
  EXPECT_EQ(InWindow(wnd, v), TRect(182, 1, 199, 132));
  EXPECT_EQ(InWindow(wnd, c), TRect(182, 132, 199, 149));
  TRect byCode;
  EXPECT_TRUE(GetScrollRect(sw, SB_VERT, wnd, byCode));
  EXPECT_EQ(byCode, v);
  EXPECT_FALSE(GetScrollRect(sw, SB_CTL, wnd, byCode));

  // Extra buttons come off the bar's ends.
  sw->sBarHorz->fButVisibleBefore = true;
  sw->sBarHorz->nButSizeBefore = 5;
  sw->sBarHorz->fButVisibleAfter = true;
  sw->sBarHorz->nButSizeAfter = 7;
  TRect real = h;
  Kv_GetRealScrollRect(sw->sBarHorz, real);
  EXPECT_EQ(real, TRect(h.Left + 5, h.Top, h.Right - 7, h.Bottom));
  Unwrap(wnd, sw);
}

TEST_F(ScrollBars, LeftScrollBarAndBarsWithoutRoom) {
  struct Case {
    DWORD exStyle;
    Integer width, height;
    bool horzVisible, vertVisible;
    Integer clientLeftInWindow;
  };
  const Case cases[] = {
      {WS_EX_LEFTSCROLLBAR, 120, 90, true, true, 1 + 17},
      {0, 12, 90, true, false, 1},   // client 10 wide: no vertical bar
      {0, 120, 12, false, true, 1},  // client 10 high: no horizontal bar
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.width * 1000 + k.height);
    HWND wnd = MakeWindow(k.exStyle, WS_POPUP | WS_BORDER | WS_HSCROLL | WS_VSCROLL, k.width, k.height);
    TkvScrollWnd* sw = Wrap(wnd);
    EXPECT_EQ(sw->sBarHorz->fScrollVisible, k.horzVisible);
    EXPECT_EQ(sw->sBarVert->fScrollVisible, k.vertVisible);
    POINT origin{0, 0};
    ClientToScreen(wnd, &origin);
    EXPECT_EQ(origin.x - WindowRect(wnd).Left, k.clientLeftInWindow);
    if (k.exStyle) {
      TRect h, v;
      kv_GetHScrollRect(sw, wnd, h);
      kv_GetVScrollRect(sw, wnd, v);
      EXPECT_EQ(InWindow(wnd, v), TRect(1, 1, 18, k.height - 18));
      EXPECT_EQ(InWindow(wnd, h), TRect(18, k.height - 18, k.width - 1, k.height - 1));
    }
    Unwrap(wnd, sw);
  }
}

TEST_F(ScrollBars, GripOnlyForFormsAtTheirParentsCorner) {
  HWND top = MakeWindow(0, WS_POPUP, 300, 200, nullptr, 10, 10);
  // A dialog-like child that fills its parent, one that does not, and a grandchild.
  HWND filling = MakeWindow(0, WS_CHILD | WS_HSCROLL | WS_VSCROLL, 300, 200, top);
  HWND inner = MakeWindow(0, WS_CHILD | WS_HSCROLL | WS_VSCROLL, 100, 100, top);
  HWND grandchild = MakeWindow(0, WS_CHILD | WS_HSCROLL | WS_VSCROLL, 300, 200, filling);
  HWND lone = MakeWindow(0, WS_POPUP | WS_HSCROLL | WS_VSCROLL, 100, 100);
  struct Case {
    HWND wnd;
    Byte coc;
    bool grip;
  };
  const Case cases[] = {{filling, 223, true}, {filling, 224, true},     {filling, 0, false},
                        {inner, 223, false},  {grandchild, 223, false}, {lone, 224, true}};
  for (const Case& k : cases) {
    SCOPED_TRACE(int(k.coc));
    TkvScrollWnd* sw = Wrap(k.wnd, k.coc);
    TRect corner;
    kv_GetScrollCorner(sw, k.wnd, corner);
    EXPECT_EQ(Kv_GripVisible(sw, k.wnd, corner), k.grip);
    Unwrap(k.wnd, sw);
  }
}

TEST_F(ScrollBars, BothBarsAndTheCornerPaintedFromTheSkin) {
  HWND wnd = MakeWindow(0, WS_POPUP | WS_BORDER | WS_HSCROLL | WS_VSCROLL, 200, 150);
  SetRange(wnd, SB_HORZ, 99, 10, 45);
  SetRange(wnd, SB_VERT, 999, 100, 0);
  TkvScrollWnd* sw = Wrap(wnd);
  Capture cap(200, 150);
  EXPECT_EQ(kv_NCDraw(sw, wnd, -1, cap.dc), 0);
  // Horizontal bar at (1, 132)-(182, 149): arrows of 15, the thumb of 16 at 84 (window x), the
  // track split at the thumb's middle.
  EXPECT_EQ(cap.At(2, 133), kBtnLeft);
  EXPECT_EQ(cap.At(180, 133), kBtnRight);
  EXPECT_EQ(cap.At(40, 140), kTrackLeft);
  EXPECT_EQ(cap.At(84, 133), kThumbH);
  EXPECT_EQ(cap.At(99, 147), kThumbH);
  EXPECT_EQ(cap.At(100, 140), kTrackRight);
  EXPECT_EQ(cap.At(160, 140), kTrackRight);
  // Vertical bar at (182, 1)-(199, 132): the thumb at the top after the arrow.
  EXPECT_EQ(cap.At(183, 2), kBtnTop);
  EXPECT_EQ(cap.At(183, 130), kBtnBottom);
  EXPECT_EQ(cap.At(190, 20), kThumbV);
  EXPECT_EQ(cap.At(190, 60), kTrackBottom);
  // The corner takes the colour of the horizontal track's first part.
  EXPECT_EQ(cap.At(190, 140), kTrackLeft);
  EXPECT_EQ(cap.At(198, 148), kTrackLeft);
  // Outside the bars nothing was painted.
  EXPECT_EQ(cap.At(50, 50), TColor(0));
  EXPECT_EQ(cap.At(0, 0), TColor(0));
  Unwrap(wnd, sw);
}

TEST_F(ScrollBars, PageCoveringTheRangeShowsNoThumb) {
  HWND wnd = MakeWindow(0, WS_POPUP | WS_BORDER | WS_HSCROLL, 200, 80);
  ASSERT_TRUE(IsWindow(wnd));
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL, 0, 9, 50, 0, 0};
  SetScrollInfo(wnd, SB_HORZ, &si, FALSE);
  TkvScrollWnd* sw = Wrap(wnd);
  ASSERT_TRUE(sw->sBarHorz->fScrollVisible);
  Capture cap(200, 80);
  EXPECT_EQ(kv_NCDraw(sw, wnd, -1, cap.dc), 0);
  TRect h;
  kv_GetHScrollRect(sw, wnd, h);
  const TRect local = InWindow(wnd, h);
  // The whole track is painted (an inactive bar faded toward its background), no thumb on it.
  for (Integer x = local.Left + 16; x < local.Right - 16; x += 7) {
    const TColor c = cap.At(x, local.Top + 3);
    EXPECT_NE(c, kThumbH) << x;
    EXPECT_NE(c, TColor(0)) << x;
  }
  Unwrap(wnd, sw);
}

TEST_F(ScrollBars, PressedPageShowsPressedOnItsOwnWindowOnly) {
  HWND wnd = MakeWindow(0, WS_POPUP | WS_BORDER | WS_HSCROLL, 200, 80);
  ASSERT_TRUE(IsWindow(wnd));
  SetRange(wnd, SB_HORZ, 99, 10, 90);
  TkvScrollWnd* sw = Wrap(wnd);
  skin.Section(skin.Data->Scrolls[0].SkinIndex).Props[2].Color = 0x123456;  // the pressed look
  TRect h;
  kv_GetHScrollRect(sw, wnd, h);
  const TRect local = InWindow(wnd, h);
  Capture cap(200, 80);
  kvScrollState.hwndCurSB = wnd;
  kvScrollState.uCurrentScrollbar = SB_HORZ;
  kvScrollState.uScrollTimerPortion = HTSCROLL_PAGELEFT;
  kv_NCDraw(sw, wnd, -1, cap.dc);
  EXPECT_EQ(cap.At(local.Left + 40, local.Top + 3), TColor(0x123456));
  // The same press recorded for another window leaves this one's bar normal.
  kvScrollState.hwndCurSB = nullptr;
  kv_NCDraw(sw, wnd, -1, cap.dc);
  EXPECT_EQ(cap.At(local.Left + 40, local.Top + 3), kTrackLeft);
  kvScrollState = TkvScrollTracking();
  Unwrap(wnd, sw);
}

TEST_F(ScrollBars, BarsPaintedOverTheSystemFrameOnScreen) {
  TkvScrollWnd* sw = nullptr;
  HWND wnd = ShownScrolledWindow(40, 45, sw);
  // A control that sets its scroll info with redraw has the system bar drawn; the next frame
  // paint puts the skinned one back over it.
  SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, 45, 0};
  SetScrollInfo(wnd, SB_HORZ, &si, TRUE);
  RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  Capture cap(200, 150);
  Grab(wnd, cap);
  EXPECT_EQ(cap.At(40, 140), kTrackLeft);
  EXPECT_EQ(cap.At(90, 140), kThumbH);
  EXPECT_EQ(cap.At(190, 60), kTrackBottom);
  EXPECT_EQ(cap.At(190, 140), kTrackLeft);
  Unwrap(wnd, sw);
}

TEST_F(ScrollBars, TimerAndWheelRepaintTheBarsOverWhatTheSystemDrew) {
  TkvScrollWnd* sw = nullptr;
  HWND wnd = ShownScrolledWindow(60, 0, sw);
  for (UINT msg : {UINT(WM_TIMER), UINT(WM_MOUSEWHEEL)}) {
    SCOPED_TRACE(msg);
    // The position moves with a redraw of the system's bar; the next timer or wheel message
    // paints the skinned bar with its thumb at the new place.
    const int pos = msg == WM_TIMER ? 45 : 0;
    SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, pos, 0};
    SetScrollInfo(wnd, SB_HORZ, &si, TRUE);
    SendMessageW(wnd, msg, 4321, 0);
    EXPECT_EQ(sw->sBarHorz->ScrollInfo.nPos, pos);
    Capture cap(200, 150);
    Grab(wnd, cap);
    EXPECT_EQ(cap.At(90, 140), pos == 45 ? kThumbH : kTrackRight);
    EXPECT_EQ(cap.At(20, 140), pos == 45 ? kTrackLeft : kThumbH);
    EXPECT_EQ(cap.At(190, 60), kTrackBottom);
  }
  Unwrap(wnd, sw);
}

TEST_F(ScrollBars, DetachKillsTheTimersAndForgetsTheWindow) {
  HWND first = MakeWindow(0, WS_POPUP | WS_BORDER | WS_HSCROLL | WS_VSCROLL, 120, 90);
  HWND second = MakeWindow(0, WS_POPUP | WS_BORDER | WS_HSCROLL | WS_VSCROLL, 120, 90);
  TkvScrollWnd* a = Wrap(first);
  TkvScrollWnd* b = Wrap(second);
  // Another window's tracking is left alone.
  kvScrollState.hwndCurSB = second;
  kvScrollState.uMouseOverScrollbar = SB_VERT;
  Unwrap(first, a);
  EXPECT_EQ(kvScrollState.hwndCurSB, second);
  EXPECT_EQ(kvScrollState.uMouseOverScrollbar, SB_VERT);
  // The tracked window's timers and state go with its wrapper.
  kvScrollState.uCurrentScrollbar = SB_HORZ;
  kvScrollState.uScrollTimerPortion = HTSCROLL_PAGELEFT;
  kvScrollState.uScrollTimerId = SetTimer(second, COOLSB_TIMERID2, 55, nullptr);
  kvScrollState.uMouseOverId = SetTimer(second, COOLSB_TIMERID3, 20, nullptr);
  ASSERT_NE(kvScrollState.uScrollTimerId, 0u);
  Unwrap(second, b);
  EXPECT_EQ(kvScrollState.hwndCurSB, nullptr);
  EXPECT_EQ(kvScrollState.uCurrentScrollbar, -1);
  EXPECT_EQ(kvScrollState.uScrollTimerPortion, HTSCROLL_NONE);
  EXPECT_EQ(kvScrollState.uMouseOverScrollbar, -1);
  EXPECT_EQ(kvScrollState.uScrollTimerId, 0u);
  EXPECT_FALSE(KillTimer(second, COOLSB_TIMERID2));  // already gone
  EXPECT_FALSE(KillTimer(second, COOLSB_TIMERID3));
}

TEST_F(ScrollBars, UpdateScrollsReadsTheStateOfAVisibleWindowOnly) {
  HWND wnd = MakeWindow(0, WS_POPUP | WS_BORDER | WS_HSCROLL | WS_VSCROLL, 120, 90);
  SetRange(wnd, SB_VERT, 999, 100, 0);
  TkvScrollWnd* sw = Wrap(wnd);
  SetRange(wnd, SB_VERT, 999, 100, 300);
  sw->sBarVert->ScrollInfo.nPos = -5;
  UpdateScrolls(sw, false);
  EXPECT_EQ(sw->sBarVert->ScrollInfo.nPos, -5);  // hidden: nothing read
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  sw->sBarVert->ScrollInfo.nPos = -5;
  sw->SkinData->FUpdateCount = 1;
  UpdateScrolls(sw, false);
  EXPECT_EQ(sw->sBarVert->ScrollInfo.nPos, -5);  // updating: nothing read
  sw->SkinData->FUpdateCount = 0;
  UpdateScrolls(sw, false);
  EXPECT_EQ(sw->sBarVert->ScrollInfo.nPos, 300);
  UpdateScrolls(nullptr, true);  // no wrapper: nothing
  Unwrap(wnd, sw);
}

TEST_F(ScrollBars, HitTestsOfTheSkinnedBarsAndTheGrip) {
  HWND wnd = MakeWindow(0, WS_POPUP | WS_BORDER | WS_HSCROLL | WS_VSCROLL, 200, 150, nullptr, 100, 100);
  SetRange(wnd, SB_HORZ, 99, 10, 0);
  SetRange(wnd, SB_VERT, 999, 100, 0);
  TkvScrollWnd* sw = Wrap(wnd, 224);  // a form without parent: its corner has the grip
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  auto hit = [&](int x, int y) { return SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(100 + x, 100 + y)); };
  EXPECT_EQ(hit(40, 140), HTHSCROLL);
  EXPECT_EQ(hit(1, 132), HTHSCROLL);  // the bar's first pixel
  EXPECT_EQ(hit(190, 60), HTVSCROLL);
  EXPECT_EQ(hit(182, 131), HTVSCROLL);
  EXPECT_EQ(hit(190, 140), HTBOTTOMRIGHT);
  EXPECT_EQ(hit(50, 50), HTCLIENT);  // passed on
  EXPECT_EQ(hit(0, 50), HTBORDER);
  // A bar with both arrows disabled takes no input.
  sw->sBarHorz->fScrollFlags |= ESB_DISABLE_BOTH;
  EXPECT_EQ(hit(40, 140), HTNOWHERE);
  EXPECT_EQ(hit(190, 60), HTVSCROLL);
  Unwrap(wnd, sw);
  // The system answers again once the wrapper is gone.
  EXPECT_NE(hit(190, 60), HTNOWHERE);
}

TEST_F(ScrollBars, RefreshScrollsFollowsTheSkin) {
  auto [form, ctrl, sd] = ControlScrollData();
  TkvScrollWnd* listSW = nullptr;
  RefreshScrolls(sd.get(), listSW);
  ASSERT_NE(listSW, nullptr);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(ctrl->Handle()), listSW);
  EXPECT_EQ(listSW->SkinData, sd.get());
  TkvScrollWnd* first = listSW;
  RefreshScrolls(sd.get(), listSW);
  EXPECT_EQ(listSW, first);  // kept while it lives
  // A destroyed wrapper is replaced.
  TkvScrollWnd* held = listSW;
  UninitializeKVScroll(ctrl->Handle(), false, false, held);
  ASSERT_TRUE(listSW->Destroyed);
  RefreshScrolls(sd.get(), listSW);
  ASSERT_NE(listSW, nullptr);
  EXPECT_FALSE(listSW->Destroyed);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(ctrl->Handle()), listSW);
  // Without a skin the wrapper goes.
  sd->SkinIndex = -1;
  RefreshScrolls(sd.get(), listSW);
  EXPECT_EQ(listSW, nullptr);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(ctrl->Handle()), nullptr);
  delete form;
}

namespace {

// The flat-scroll-bar switches handed to comctl32 (init: on again), passed on.
struct FlatBarCall {
  HWND wnd;
  bool init;
  bool operator==(const FlatBarCall& o) const { return wnd == o.wnd && init == o.init; }
};
std::vector<FlatBarCall> gFlatBarCalls;
TkvFlatSBProc gSystemInitFlatSB = nullptr;
TkvFlatSBProc gSystemUninitFlatSB = nullptr;
BOOL WINAPI RecordInitFlatSB(HWND wnd) {
  gFlatBarCalls.push_back({wnd, true});
  return gSystemInitFlatSB(wnd);
}
BOOL WINAPI RecordUninitFlatSB(HWND wnd) {
  gFlatBarCalls.push_back({wnd, false});
  return gSystemUninitFlatSB(wnd);
}

}  // namespace

// A control's flat scroll bars are off while its skinned bars are there and come back when the
// skin goes; the edit wrapper's refresh leaves them alone and gives the control an edit wrapper.
TEST_F(ScrollBars, RefreshScrollsSwitchesTheFlatBarsAndTheEditRefreshMakesAnEditWrapper) {
  gSystemInitFlatSB = Kv_InitializeFlatSB;
  gSystemUninitFlatSB = Kv_UninitializeFlatSB;
  ASSERT_NE(gSystemInitFlatSB, nullptr);
  ASSERT_NE(gSystemUninitFlatSB, nullptr);
  const auto keepInit = SetForScope(Kv_InitializeFlatSB, TkvFlatSBProc(&RecordInitFlatSB));
  const auto keepUninit = SetForScope(Kv_UninitializeFlatSB, TkvFlatSBProc(&RecordUninitFlatSB));
  gFlatBarCalls.clear();
  auto [form, ctrl, sd] = ControlScrollData();
  const HWND h = ctrl->Handle();
  TkvScrollWnd* listSW = nullptr;
  RefreshScrolls(sd.get(), listSW);
  ASSERT_NE(listSW, nullptr);
  EXPECT_EQ(dynamic_cast<TkvEditWnd*>(listSW), nullptr);
  EXPECT_EQ(gFlatBarCalls, (std::vector<FlatBarCall>{{h, false}}));
  sd->SkinIndex = -1;
  RefreshScrolls(sd.get(), listSW);
  EXPECT_EQ(listSW, nullptr);
  EXPECT_EQ(gFlatBarCalls, (std::vector<FlatBarCall>{{h, false}, {h, true}}));

  gFlatBarCalls.clear();
  sd->SkinIndex = scrollSkin.ownSection;
  RefreshEditScrolls(sd.get(), listSW);
  ASSERT_NE(listSW, nullptr);
  sd->SkinIndex = scrollSkin.ownSection;  // the wrapper looked the unnamed section up anew
  EXPECT_NE(dynamic_cast<TkvEditWnd*>(listSW), nullptr);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(h), listSW);
  EXPECT_EQ(listSW->SkinData, sd.get());
  TkvScrollWnd* first = listSW;
  RefreshEditScrolls(sd.get(), listSW);
  EXPECT_EQ(listSW, first);  // kept while it lives
  sd->SkinIndex = -1;
  RefreshEditScrolls(sd.get(), listSW);
  EXPECT_EQ(listSW, nullptr);
  EXPECT_EQ(TkvScrollWnd::FromHwnd(h), nullptr);
  EXPECT_TRUE(gFlatBarCalls.empty());
  delete form;
}

TEST_F(ScrollBars, PortionsOfAThousandItemBar) {
  HWND wnd = MakeWindow(0, WS_POPUP | WS_BORDER | WS_VSCROLL, 120, 300);
  SetRange(wnd, SB_VERT, 999, 20, 490);
  TkvScrollWnd* sw = Wrap(wnd);
  TRect v;
  kv_GetVScrollRect(sw, wnd, v);
  // 298 long: arrows of 15, working 268, thumb 16 (the minimum) at 15 + 126 from the top
  // (MulDiv(490, 252, 980)).
  ASSERT_EQ(v.Height(), 298);
  const Integer x = v.Left + 5, top = v.Top;
  struct Case {
    Integer dy;
    Integer portion;
  };
  const Case cases[] = {{0, HTSCROLL_UP},         {14, HTSCROLL_UP},        {15, HTSCROLL_PAGEUP},
                        {140, HTSCROLL_PAGEUP},   {141, HTSCROLL_THUMB},    {156, HTSCROLL_THUMB},
                        {157, HTSCROLL_PAGEDOWN}, {282, HTSCROLL_PAGEDOWN}, {283, HTSCROLL_DOWN},
                        {297, HTSCROLL_DOWN},     {298, HTSCROLL_NONE}};
  for (const Case& c : cases) { EXPECT_EQ(Kv_GetPortion(sw->sBarVert, wnd, v, x, top + c.dy), c.portion) << c.dy; }
  // Across the bar, outside it: none; the horizontal bar's type reads x along instead.
  EXPECT_EQ(Kv_GetVertPortion(sw->sBarVert, wnd, v, v.Left - 1, top + 150), HTSCROLL_NONE);
  EXPECT_EQ(Kv_GetVertPortion(sw->sBarVert, wnd, v, v.Right, top + 150), HTSCROLL_NONE);
  Unwrap(wnd, sw);
}

TEST_F(ScrollBars, LostCaptureEndsThePressOnce) {
  HWND wnd = MakeWindow(0, WS_POPUP | WS_BORDER | WS_HSCROLL | WS_VSCROLL, 120, 90);
  HWND other = MakeWindow(0, WS_POPUP, 20, 20);
  SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LoggingScrollProc));
  TkvScrollWnd* sw = Wrap(wnd);
  auto press = [&](HWND on, UINT scrollMsg) {
    kvScrollState.hwndCurSB = on;
    kvScrollState.uCurrentScrollbar = scrollMsg == WM_HSCROLL ? SB_HORZ : SB_VERT;
    kvScrollState.uCurrentScrollPortion = kvScrollState.uScrollTimerPortion = HTSCROLL_PAGEDOWN;
    kvScrollState.uScrollTimerMsg = scrollMsg;
    kvScrollState.uScrollTimerId = SetTimer(on, COOLSB_TIMERID2, 55, nullptr);
  };
  struct Case {
    UINT scrollMsg;
    bool byCancelMode;
  };
  for (const Case& c : {Case{WM_HSCROLL, false}, Case{WM_VSCROLL, true}}) {
    SCOPED_TRACE(c.scrollMsg);
    gScrollCodes.clear();
    press(wnd, c.scrollMsg);
    SetCapture(wnd);
    if (c.byCancelMode) {
      SendMessageW(wnd, WM_CANCELMODE, 0, 0);
    } else {
      SetCapture(other);  // WM_CAPTURECHANGED to the pressed window
    }
    ReleaseCapture();
    const WPARAM ended = SB_ENDSCROLL | (c.scrollMsg == WM_VSCROLL ? 0x10000 : 0);
    EXPECT_EQ(gScrollCodes, std::vector<WPARAM>{ended});
    EXPECT_EQ(kvScrollState.hwndCurSB, nullptr);
    EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
    EXPECT_EQ(kvScrollState.uScrollTimerMsg, 0u);
    EXPECT_FALSE(KillTimer(wnd, COOLSB_TIMERID2));  // the repeat timer is gone
  }
  // Taking the capture the pressed window already holds loses nothing.
  gScrollCodes.clear();
  press(wnd, WM_VSCROLL);
  SetCapture(wnd);
  SetCapture(wnd);
  EXPECT_TRUE(gScrollCodes.empty());
  EXPECT_EQ(kvScrollState.hwndCurSB, wnd);
  EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_PAGEDOWN);
  ReleaseCapture();
  kvScrollState = TkvScrollTracking();
  // Capture lost by a window that is not pressed changes nothing.
  gScrollCodes.clear();
  press(other, WM_HSCROLL);
  SendMessageW(wnd, WM_CANCELMODE, 0, 0);
  EXPECT_TRUE(gScrollCodes.empty());
  EXPECT_EQ(kvScrollState.hwndCurSB, other);
  KillTimer(other, COOLSB_TIMERID2);
  kvScrollState = TkvScrollTracking();
  Unwrap(wnd, sw);
}
