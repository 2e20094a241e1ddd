// The skinned scroll bars' input on real windows: presses, the repeat of a held arrow, thumb
// drags over a 1,000-item list box, presses that take no capture, hover per window, the scroll
// wrapper's answers to non-client messages, and a memo typed into. Mouse messages are posted
// with the cursor placed first, since the handlers read their point through GetMessagePos.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/sMessages.h"
#include "support/GdiTracker.h"
#include "support/ProviderDouble.h"
#include "support/ScrollSkin.h"
#include "support/UserTracker.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "wrappers/kvSBUtilsButtons.h"

namespace {

// What reached the window's own procedure (installed before the wrapper).
struct Logged {
  UINT msg;
  WPARAM wParam;
};
std::vector<Logged> gLog;
WNDPROC gOriginal = nullptr;

LRESULT CALLBACK LoggingProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_LBUTTONUP:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONUP:
    case WM_SYSCOMMAND:
    case WM_NOTIFY: gLog.push_back({msg, w}); break;
    case WM_MOUSEMOVE: gLog.push_back({msg, 0}); break;
    default: break;
  }
  // Keep the system's own modal scroll loop out of the tests.
  if (msg == WM_SYSCOMMAND) return 0;
  return CallWindowProcW(gOriginal, wnd, msg, w, l);
}

std::vector<WPARAM> ScrollCodes(UINT scrollMsg = WM_VSCROLL) {
  std::vector<WPARAM> codes;
  for (const Logged& l : gLog)
    if (l.msg == scrollMsg) codes.push_back(LOWORD(l.wParam));
  return codes;
}

size_t CountOf(UINT msg) {
  size_t n = 0;
  for (const Logged& l : gLog) n += l.msg == msg ? 1 : 0;
  return n;
}

// Runs the message loop for ms milliseconds (at least once).
void Pump(DWORD ms = 0) {
  const DWORD end = GetTickCount() + ms;
  do {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    if (ms) Sleep(2);
  } while (ms && GetTickCount() < end);
}

class ScrollInput : public testing::Test {
 protected:
  void SetUp() override {
    app = std::make_unique<TApplication>();
    kvSBUtilsStartup();  // the scroll-bar functions the engine's start-up binds
    gLog.clear();
    kvScrollState = TkvScrollTracking();
  }
  void TearDown() override {
    for (auto& [wnd, sw] : wrapped) UninitializeKVScroll(wnd, true, false, sw);
    for (HWND w : windows)
      if (IsWindow(w)) DestroyWindow(w);
    kvScrollState = TkvScrollTracking();
    app.reset();
  }

  // A shown topmost window of the class with the logging procedure in front, wrapped.
  HWND Shown(const wchar_t* cls, DWORD style, Integer x, Integer y, Integer w, Integer h, TkvScrollWnd*& sw) {
    HWND wnd = CreateWindowExW(WS_EX_TOPMOST, cls, L"", WS_POPUP | WS_BORDER | style, x, y, w, h, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(wnd, nullptr);
    windows.push_back(wnd);
    gOriginal =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LoggingProc)));
    if (std::wstring(cls) == L"LISTBOX") {
      SendMessageW(wnd, LB_INITSTORAGE, 1000, 16 * 1000);
      for (int i = 0; i < 1000; ++i) {
        const std::wstring item = L"item " + std::to_wstring(i);
        SendMessageW(wnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
      }
    }
    sw = scrollSkin.Wrap(wnd);
    wrapped.push_back({wnd, sw});
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Pump(30);
    return wnd;
  }
  HWND ThousandItemList(TkvScrollWnd*& sw, Integer x = 100) {
    return Shown(L"LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, x, 100, 150, 300, sw);
  }

  // A window whose vertical bar has 1,000 positions from first, pages of 100, at the start.
  HWND ThousandPositions(TkvScrollWnd*& sw, Integer first) {
    HWND wnd = Shown(L"STATIC", WS_VSCROLL, 100, 100, 150, 300, sw);
    SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, first, first + 999, 100, first, 0};
    SetScrollInfo(wnd, SB_VERT, &si, FALSE);
    UpdateScrolls(sw, true);
    return wnd;
  }

  static void Post(HWND wnd, UINT msg, WPARAM w, TPoint screen, bool client) {
    SetCursorPos(screen.X, screen.Y);
    POINT p{screen.X, screen.Y};
    if (client) ScreenToClient(wnd, &p);
    PostMessageW(wnd, msg, w, MAKELPARAM(p.x, p.y));
    Pump();
  }
  static SCROLLINFO Info(HWND wnd, int bar = SB_VERT) {
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(wnd, bar, &si);
    return si;
  }
  static TRect VertBar(TkvScrollWnd* sw, HWND wnd) {
    TRect v;
    kv_GetVScrollRect(sw, wnd, v);
    return v;
  }
  // The window's pixels on the screen (32-bit).
  static std::unique_ptr<TBitmap> Grab(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    auto bmp = std::make_unique<TBitmap>(r.right - r.left, r.bottom - r.top, pf32bit);
    HDC wdc = GetWindowDC(wnd);
    BitBlt(bmp->Canvas()->Handle(), 0, 0, r.right - r.left, r.bottom - r.top, wdc, 0, 0, SRCCOPY);
    ReleaseDC(wnd, wdc);
    return bmp;
  }
  static TColor PixelAt(TBitmap& bmp, HWND wnd, TPoint screen) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return bmp.PixelColor(screen.X - r.left, screen.Y - r.top) & 0xFFFFFF;
  }

  std::unique_ptr<TApplication> app;
  ScrollSkin scrollSkin;
  std::vector<HWND> windows;
  std::vector<std::pair<HWND, TkvScrollWnd*>> wrapped;
};

constexpr TColor kThumbPressed = 0x123456, kArrowHot = 0x654321, kArrowPressed = 0x2468AC;

}  // namespace

TEST_F(ScrollInput, ThumbDragOverAThousandItemList) {
  scrollSkin.Look(scrollSkin.skin.Data->Sliders[1], 2).Color = kThumbPressed;
  TkvScrollWnd* sw = nullptr;
  HWND list = ThousandItemList(sw);
  const SCROLLINFO si = Info(list);
  ASSERT_EQ(si.nMax, 999);
  ASSERT_GT(si.nPage, 1u);
  const TRect v = VertBar(sw, list);
  ASSERT_EQ(v.Height(), 298);
  // Arrows of 15, a track of 268 and the thumb at its top.
  const Integer trackTop = v.Top + 15, track = 268;
  const Integer thumb = std::max(MulDiv(si.nPage, track, 1000), 16);
  const Integer freeLength = track - thumb;
  const Integer lastTop = 1000 - Integer(si.nPage);  // the last first item a page can show
  const Integer x = v.Left + 8;

  Post(list, WM_NCLBUTTONDOWN, HTVSCROLL, TPoint(x, trackTop + thumb / 2), false);
  EXPECT_TRUE(sw->fThumbTracking);
  EXPECT_EQ(GetCapture(), list);
  EXPECT_TRUE(ScrollCodes().empty());  // a press on the thumb sends nothing yet

  // 100 pixels down: the thumb follows the cursor, the list and the system position follow it.
  Post(list, WM_MOUSEMOVE, MK_LBUTTON, TPoint(x, trackTop + thumb / 2 + 100), true);
  const Integer expected = MulDiv(100, lastTop, freeLength);
  ASSERT_FALSE(ScrollCodes().empty());
  EXPECT_EQ(ScrollCodes().back(), WPARAM(SB_THUMBTRACK));
  EXPECT_EQ(HIWORD(gLog.back().wParam), expected);
  EXPECT_EQ(Info(list).nPos, expected);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), expected);
  // The bar shows the pressed thumb at its new place over whatever the system drew.
  auto shot = Grab(list);
  EXPECT_EQ(PixelAt(*shot, list, TPoint(x, trackTop + 100 + 1)), kThumbPressed);
  EXPECT_EQ(PixelAt(*shot, list, TPoint(x, trackTop + 100 + thumb - 2)), kThumbPressed);
  EXPECT_EQ(PixelAt(*shot, list, TPoint(x, trackTop + 50)), kTrackTop);
  EXPECT_EQ(PixelAt(*shot, list, TPoint(x, trackTop + 100 + thumb + 5)), kTrackBottom);

  // A move that does not change the position sends nothing.
  const size_t sent = ScrollCodes().size();
  Post(list, WM_MOUSEMOVE, MK_LBUTTON, TPoint(x + 2, trackTop + thumb / 2 + 100), true);
  EXPECT_EQ(ScrollCodes().size(), sent);

  // Far past the end: the last page, not beyond.
  Post(list, WM_MOUSEMOVE, MK_LBUTTON, TPoint(x, v.Bottom + 80), true);
  EXPECT_EQ(HIWORD(gLog.back().wParam), lastTop);
  EXPECT_EQ(Info(list).nPos, lastTop);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), lastTop);

  // The release: SB_THUMBPOSITION at the last position, then SB_ENDSCROLL; the press is over.
  gLog.clear();
  Post(list, WM_LBUTTONUP, 0, TPoint(x, v.Bottom + 80), true);
  EXPECT_EQ(ScrollCodes(), (std::vector<WPARAM>{SB_THUMBPOSITION, SB_ENDSCROLL}));
  EXPECT_EQ(HIWORD(gLog.front().wParam), lastTop);
  EXPECT_FALSE(sw->fThumbTracking);
  EXPECT_NE(GetCapture(), list);
  EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), lastTop);
  // The thumb rests at the bottom of the track, painted normal.
  shot = Grab(list);
  EXPECT_EQ(PixelAt(*shot, list, TPoint(x, v.Bottom - 15 - 3)), kThumbV);
  EXPECT_EQ(PixelAt(*shot, list, TPoint(x, trackTop + 3)), kTrackTop);
}

// A range that does not start at 0: every position sent, the drag's and the release's, is one
// of the range.
TEST_F(ScrollInput, DragOfARangeStartingAboveZero) {
  TkvScrollWnd* sw = nullptr;
  HWND wnd = ThousandPositions(sw, 100);
  const TRect v = VertBar(sw, wnd);
  const Integer x = v.Left + 8;
  Post(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, TPoint(x, v.Top + 15 + 5), false);
  ASSERT_TRUE(sw->fThumbTracking);
  Post(wnd, WM_MOUSEMOVE, MK_LBUTTON, TPoint(x, v.Bottom + 50), true);
  EXPECT_EQ(HIWORD(gLog.back().wParam), 1000);  // the last page starts at 1099 - 99
  EXPECT_EQ(Info(wnd).nPos, 1000);
  gLog.clear();
  Post(wnd, WM_LBUTTONUP, 0, TPoint(x, v.Bottom + 50), true);
  ASSERT_EQ(ScrollCodes(), (std::vector<WPARAM>{SB_THUMBPOSITION, SB_ENDSCROLL}));
  EXPECT_EQ(HIWORD(gLog.front().wParam), 1000);
  // Back to the top: the first position of the range.
  Post(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, TPoint(x, v.Bottom - 15 - 5), false);
  ASSERT_TRUE(sw->fThumbTracking);
  gLog.clear();
  Post(wnd, WM_MOUSEMOVE, MK_LBUTTON, TPoint(x, v.Top - 50), true);
  Post(wnd, WM_LBUTTONUP, 0, TPoint(x, v.Top - 50), true);
  ASSERT_EQ(ScrollCodes(), (std::vector<WPARAM>{SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
  EXPECT_EQ(HIWORD(gLog[0].wParam), 100);
  EXPECT_EQ(HIWORD(gLog[1].wParam), 100);
  EXPECT_EQ(Info(wnd).nPos, 100);
}

// An arrow pressed while the thumb is still dragged: the arrow scrolls, and the release ends the
// drag where it had got to before it ends the press.
TEST_F(ScrollInput, ArrowPressedDuringADragEndsTheDragAtTheRelease) {
  TkvScrollWnd* sw = nullptr;
  HWND wnd = ThousandPositions(sw, 0);
  const TRect v = VertBar(sw, wnd);
  const Integer x = v.Left + 8;
  Post(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, TPoint(x, v.Top + 15 + 5), false);
  ASSERT_TRUE(sw->fThumbTracking);
  Post(wnd, WM_MOUSEMOVE, MK_LBUTTON, TPoint(x, (v.Top + v.Bottom) / 2), true);
  ASSERT_EQ(ScrollCodes(), std::vector<WPARAM>{SB_THUMBTRACK});
  const WPARAM reached = HIWORD(gLog.back().wParam);
  ASSERT_GT(reached, 0u);
  gLog.clear();
  // The press on the down arrow comes while the drag is on (the cursor is put there first, and
  // the drag may follow it: only the codes after the line step are the release's).
  const TPoint arrow(x, v.Bottom - 5);
  SetCursorPos(arrow.X, arrow.Y);
  Pump();
  WPARAM last = reached;
  for (const Logged& l : gLog)
    if (l.msg == WM_VSCROLL && LOWORD(l.wParam) == SB_THUMBTRACK) last = HIWORD(l.wParam);
  gLog.clear();
  Post(wnd, WM_NCLBUTTONDOWN, HTVSCROLL, arrow, false);
  ASSERT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_DOWN);
  ASSERT_TRUE(sw->fThumbTracking);
  Post(wnd, WM_LBUTTONUP, 0, arrow, true);
  ASSERT_EQ(ScrollCodes(), (std::vector<WPARAM>{SB_LINEDOWN, SB_THUMBPOSITION, SB_ENDSCROLL}));
  const auto position = std::find_if(gLog.begin(), gLog.end(), [](const Logged& l) {
    return l.msg == WM_VSCROLL && LOWORD(l.wParam) == SB_THUMBPOSITION;
  });
  ASSERT_NE(position, gLog.end());
  EXPECT_EQ(HIWORD(position->wParam), last);
  EXPECT_FALSE(sw->fThumbTracking);
  EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
  EXPECT_NE(GetCapture(), wnd);
}

TEST_F(ScrollInput, HeldArrowRepeatsOnlyWhileTheCursorStaysOnIt) {
  scrollSkin.Look(scrollSkin.skin.Data->ScrollBtns[3], 2).Color = kArrowPressed;
  TkvScrollWnd* sw = nullptr;
  HWND list = ThousandItemList(sw);
  const TRect v = VertBar(sw, list);
  const TPoint arrow(v.Left + 8, v.Bottom - 7), arrowEdge(v.Left + 1, v.Bottom - 2);
  Post(list, WM_NCLBUTTONDOWN, HTVSCROLL, arrow, false);
  // One step at once, with capture, the arrow shown pressed.
  EXPECT_EQ(ScrollCodes(), std::vector<WPARAM>{SB_LINEDOWN});
  EXPECT_EQ(GetCapture(), list);
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 1);
  EXPECT_EQ(PixelAt(*Grab(list), list, arrowEdge), kArrowPressed);
  // Nothing more before the first delay; then repeats every 55 ms.
  Pump(200);
  EXPECT_EQ(ScrollCodes().size(), 1u);
  Pump(400);
  const size_t held = ScrollCodes().size();
  EXPECT_GE(held, 3u);
  EXPECT_LE(held, 10u);
  // Off the arrow: no steps, the arrow normal again.
  SetCursorPos(arrow.X, v.Top + 100);
  Pump(60);
  const size_t off = ScrollCodes().size();
  Pump(200);
  EXPECT_EQ(ScrollCodes().size(), off);
  EXPECT_EQ(PixelAt(*Grab(list), list, arrowEdge), kBtnBottom);
  // Back on it: pressed again, and the steps go on.
  SetCursorPos(arrow.X, arrow.Y);
  Pump(150);
  EXPECT_GT(ScrollCodes().size(), off);
  EXPECT_EQ(PixelAt(*Grab(list), list, arrowEdge), kArrowPressed);
  // The release ends the scroll once.
  gLog.clear();
  Post(list, WM_LBUTTONUP, 0, TPoint(arrow.X, v.Top + 100), true);
  EXPECT_EQ(ScrollCodes(), std::vector<WPARAM>{SB_ENDSCROLL});
  EXPECT_FALSE(KillTimer(list, COOLSB_TIMERID1));
  EXPECT_FALSE(KillTimer(list, COOLSB_TIMERID2));
  EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
}

TEST_F(ScrollInput, PageClickScrollsAPage) {
  TkvScrollWnd* sw = nullptr;
  HWND list = ThousandItemList(sw);
  const TRect v = VertBar(sw, list);
  const UINT page = Info(list).nPage;
  Post(list, WM_NCLBUTTONDOWN, HTVSCROLL, TPoint(v.Left + 8, v.Bottom - 40), false);
  EXPECT_EQ(ScrollCodes(), std::vector<WPARAM>{SB_PAGEDOWN});
  EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), LRESULT(page));
  Post(list, WM_LBUTTONUP, 0, TPoint(v.Left + 8, v.Bottom - 40), true);
  EXPECT_EQ(ScrollCodes(), (std::vector<WPARAM>{SB_PAGEDOWN, SB_ENDSCROLL}));
}

// A press that takes no capture leaves nothing pressed: the control's next mouse moves reach it
// and its next release brings no stray SB_ENDSCROLL.
TEST_F(ScrollInput, PressWithoutCaptureLeavesNoPressBehind) {
  TkvScrollWnd* sw = nullptr;
  HWND list = ThousandItemList(sw);
  const TRect v = VertBar(sw, list);
  struct Case {
    const char* name;
    TPoint at;
    Word flags;
    bool shift;
    size_t scrollMessages;
  };
  const Case cases[] = {
      {"disabled down arrow", TPoint(v.Left + 8, v.Bottom - 7), ESB_DISABLE_RTDN, false, 0},
      {"disabled up arrow", TPoint(v.Left + 8, v.Top + 7), ESB_DISABLE_LTUP, false, 0},
      {"thumb of an inactive bar", TPoint(v.Left + 8, v.Top + 15 + 3), ESB_DISABLE_BOTH, false, 0},
      {"shift click in the page area", TPoint(v.Left + 8, v.Top + 150), 0, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gLog.clear();
    sw->sBarVert->fScrollFlags = Word(CSBS_VISIBLE | c.flags);
    if (c.shift) {
      SetCursorPos(c.at.X, c.at.Y);
      Pump(20);
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wVk = VK_SHIFT;
      SendInput(1, &in, sizeof(in));
      Pump(20);
      if (GetAsyncKeyState(VK_SHIFT) >= 0) {
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &in, sizeof(in));
        GTEST_SKIP() << "the display takes no synthetic Shift";
      }
      PostMessageW(list, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(c.at.X, c.at.Y));
      Pump();
    } else {
      Post(list, WM_NCLBUTTONDOWN, HTVSCROLL, c.at, false);
    }
    if (c.shift) {
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wVk = VK_SHIFT;
      in.ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(1, &in, sizeof(in));
      Pump(20);
    }
    EXPECT_EQ(ScrollCodes().size(), c.scrollMessages);
    if (c.shift && !ScrollCodes().empty()) { EXPECT_EQ(ScrollCodes().front(), WPARAM(SB_THUMBTRACK)); }
    EXPECT_NE(GetCapture(), list);
    EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
    EXPECT_EQ(kvScrollState.uCurrentScrollbar, -1);
    const size_t moves = CountOf(WM_MOUSEMOVE);
    Post(list, WM_MOUSEMOVE, 0, TPoint(v.Left - 40, v.Top + 40), true);
    EXPECT_GT(CountOf(WM_MOUSEMOVE), moves);  // the list box gets its own moves
    Post(list, WM_LBUTTONUP, 0, TPoint(v.Left - 40, v.Top + 40), true);
    EXPECT_EQ(CountOf(WM_LBUTTONUP), 1u);
    EXPECT_EQ(ScrollCodes().size(), c.scrollMessages);  // no SB_ENDSCROLL
  }
}

// Hover belongs to one window and bar: moving from one window's bar to the same bar of another
// moves the timer and the hot look along.
TEST_F(ScrollInput, HoverFollowsTheWindowNotOnlyTheBar) {
  scrollSkin.Look(scrollSkin.skin.Data->ScrollBtns[3], 1).Color = kArrowHot;
  TkvScrollWnd* a = nullptr;
  TkvScrollWnd* b = nullptr;
  HWND first = ThousandItemList(a, 100);
  HWND second = ThousandItemList(b, 300);
  const TRect va = VertBar(a, first), vb = VertBar(b, second);
  const TPoint arrowA(va.Left + 8, va.Bottom - 7), arrowB(vb.Left + 8, vb.Bottom - 7);
  const TPoint edgeA(va.Left + 1, va.Bottom - 2), edgeB(vb.Left + 1, vb.Bottom - 2);
  SetCursorPos(arrowA.X, arrowA.Y);
  SendMessageW(first, WM_NCMOUSEMOVE, HTVSCROLL, MAKELPARAM(arrowA.X, arrowA.Y));
  Pump(80);
  EXPECT_EQ(kvScrollState.hwndMouseOver, first);
  EXPECT_EQ(kvScrollState.uMouseOverScrollbar, SB_VERT);
  EXPECT_EQ(PixelAt(*Grab(first), first, edgeA), kArrowHot);

  SetCursorPos(arrowB.X, arrowB.Y);
  SendMessageW(second, WM_NCMOUSEMOVE, HTVSCROLL, MAKELPARAM(arrowB.X, arrowB.Y));
  Pump(80);
  EXPECT_EQ(kvScrollState.hwndMouseOver, second);
  EXPECT_EQ(kvScrollState.MouseOverRect, vb);
  EXPECT_FALSE(KillTimer(first, COOLSB_TIMERID3));  // the first window's timer went
  EXPECT_EQ(PixelAt(*Grab(second), second, edgeB), kArrowHot);
  EXPECT_EQ(PixelAt(*Grab(first), first, edgeA), kBtnBottom);

  // Leaving the bar ends the hover on its own timer.
  SetCursorPos(vb.Left - 60, vb.Top + 50);
  Pump(80);
  EXPECT_EQ(kvScrollState.hwndMouseOver, nullptr);
  EXPECT_EQ(kvScrollState.uMouseOverScrollbar, -1);
  EXPECT_FALSE(KillTimer(second, COOLSB_TIMERID3));
  EXPECT_EQ(PixelAt(*Grab(second), second, edgeB), kBtnBottom);

  // Detaching a hovered window takes its hover along.
  SetCursorPos(arrowB.X, arrowB.Y);
  SendMessageW(second, WM_NCMOUSEMOVE, HTVSCROLL, MAKELPARAM(arrowB.X, arrowB.Y));
  for (auto& [wnd, sw] : wrapped)
    if (wnd == second) UninitializeKVScroll(wnd, true, false, sw);
  EXPECT_EQ(kvScrollState.hwndMouseOver, nullptr);
  EXPECT_FALSE(KillTimer(second, COOLSB_TIMERID3));
}

TEST_F(ScrollInput, NonClientMessagesOverTheBars) {
  TkvScrollWnd* sw = nullptr;
  HWND list = ThousandItemList(sw);
  const TRect v = VertBar(sw, list);
  const LPARAM onBar = MAKELPARAM(v.Left + 8, v.Top + 100);
  struct Case {
    UINT msg;
    WPARAM wParam;
    bool passedOn;
  };
  const Case cases[] = {
      {WM_NCRBUTTONDOWN, HTVSCROLL, false},
      {WM_NCRBUTTONDOWN, HTCLIENT, true},
      {WM_NCMBUTTONUP, HTHSCROLL, false},
      {WM_SYSCOMMAND, SC_VSCROLL | HTVSCROLL, false},
      {WM_SYSCOMMAND, SC_HSCROLL | HTHSCROLL, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.msg * 100000 + c.wParam);
    gLog.clear();
    SendMessageW(list, c.msg, c.wParam, onBar);
    EXPECT_EQ(CountOf(c.msg), c.passedOn ? 1u : 0u);
  }
  // Skin commands the wrapper answers itself.
  EXPECT_EQ(SendMessageW(list, SM_ALPHACMD, MAKEWPARAM(0, KV_CTRLHANDLED), 0), 1);
  EXPECT_EQ(SendMessageW(list, SM_ALPHACMD, MAKEWPARAM(0, KV_GETLISTSW), 0),
            reinterpret_cast<LRESULT>(static_cast<TkvMainWnd*>(sw)));
  EXPECT_EQ(SendMessageW(list, SM_ALPHACMD, MAKEWPARAM(0, KV_GETSKINDATA), 0), reinterpret_cast<LRESULT>(sw->SkinData));
  // A plain control's children always count their background as changed (the list itself
  // would answer 0).
  EXPECT_EQ(SendMessageW(list, SM_ALPHACMD, MAKEWPARAM(0, KV_CHILDCHANGED), 0), 1);
  // Detached but still held, it passes on notifications only.
  sw->Destroyed = true;
  gLog.clear();
  NMHDR nm{list, 0, 0};
  sw->ProcessMessage(WM_NOTIFY, 0, reinterpret_cast<TLParam>(&nm));
  sw->ProcessMessage(WM_NCRBUTTONDOWN, HTCLIENT, onBar);
  EXPECT_EQ(CountOf(WM_NOTIFY), 1u);
  EXPECT_EQ(CountOf(WM_NCRBUTTONDOWN), 0u);
  sw->Destroyed = false;
}

// Typing into a memo: after every key the bar is the skinned one, its thumb where the scroll
// state puts it, even though the edit sets its scroll info with redraw.
TEST_F(ScrollInput, TypingIntoAMemoKeepsTheSkinnedBar) {
  TkvScrollWnd* sw = nullptr;
  HWND memo = Shown(L"EDIT", WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 100, 100, 200, 160, sw);
  SetFocus(memo);
  const TRect v = VertBar(sw, memo);
  const Integer x = v.Left + 8;
  bool thumbMoved = false;
  for (int line = 0; line < 24; ++line) {
    for (wchar_t ch : std::wstring(L"ab\r")) {
      PostMessageW(memo, WM_CHAR, ch, 1);
      Pump();
      SCOPED_TRACE(line);
      auto shot = Grab(memo);
      const SCROLLINFO si = Info(memo);
      // On the screen is what the skinned painter paints (an inactive bar faded, an active one
      // with the skin's colours), never the system's bar.
      RECT wr{};
      GetWindowRect(memo, &wr);
      TBitmap painted(wr.right - wr.left, wr.bottom - wr.top, pf32bit);
      kv_NCDraw(sw, memo, -1, painted.Canvas()->Handle());
      for (Integer y = v.Top; y < v.Bottom; y += 5) {
        for (Integer px : {v.Left + 1, x}) {
          EXPECT_EQ(PixelAt(*shot, memo, TPoint(px, y)), painted.PixelColor(px - wr.left, y - wr.top) & 0xFFFFFF)
              << px << "," << y;
        }
      }
      if (si.nMax >= Integer(si.nPage) && si.nMax > si.nMin && si.nPage > 0) {
        EXPECT_EQ(PixelAt(*shot, memo, TPoint(v.Left + 1, v.Top + 1)), kBtnTop);
        EXPECT_EQ(PixelAt(*shot, memo, TPoint(v.Left + 1, v.Bottom - 2)), kBtnBottom);
        const Integer working = v.Height() - 30, range = si.nMax - si.nMin;
        const Integer size = std::max(MulDiv(si.nPage, working, range + 1), 16);
        const Integer pos = v.Top + 15 + MulDiv(si.nPos - si.nMin, working - size, range + 1 - Integer(si.nPage));
        EXPECT_EQ(PixelAt(*shot, memo, TPoint(x, pos + size / 2)), kThumbV);
        thumbMoved = thumbMoved || pos > v.Top + 15;
      }
    }
  }
  EXPECT_TRUE(thumbMoved);
  EXPECT_GT(Info(memo).nMax, 20);
}

// Attaching, painting (bars, hover, a press, a button with its own font) and detaching a
// thousand times leaves no GDI or USER handle behind.
TEST_F(ScrollInput, NoHandlesLeakOverAThousandAttachPaintDetachCycles) {
  // A hidden window: the bars are painted into its window DC all the same, without the
  // system's own frame painting of a shown window in every cycle.
  HWND list = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_BORDER | WS_VSCROLL | WS_HSCROLL, 100, 100, 150, 300,
                              nullptr, nullptr, nullptr, nullptr);
  windows.push_back(list);
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 999, 20, 0, 0};
  SetScrollInfo(list, SB_VERT, &si, FALSE);
  SetScrollInfo(list, SB_HORZ, &si, FALSE);
  HWND host = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 300, 100, 120, 60, nullptr, nullptr, nullptr, nullptr);
  windows.push_back(host);
  HWND button = CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE, 10, 10, 80, 26, host,
                                reinterpret_cast<HMENU>(intptr_t(IDOK)), nullptr, nullptr);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  const Integer buttonSection = scrollSkin.skin.AddSection(PlainSection(u"BUTTON", 0, TColor(0x808080), 3));
  TBitmap print(80, 26, pf32bit);
  int round = 0;
  auto cycle = [&] {
    TkvScrollWnd* sw = scrollSkin.Wrap(list);
    kv_NCDraw(sw, list, -1, nullptr);
    const TRect v = VertBar(sw, list);
    SendMessageW(list, WM_NCMOUSEMOVE, HTVSCROLL, MAKELPARAM(v.Left + 8, v.Top + 60));
    // Now and then a press and its release (each goes through the message loop).
    if (++round % 25 == 0) {
      Post(list, WM_NCLBUTTONDOWN, HTVSCROLL, TPoint(v.Left + 8, v.Bottom - 30), false);
      Post(list, WM_LBUTTONUP, 0, TPoint(v.Left + 8, v.Bottom - 30), true);
    }
    TkvSkinParams params;
    TkvMainWnd* bw = TkvMainWnd::MakeWrapper<TkvBtnWnd>(button, nullptr, &scrollSkin.skin.Manager, params, false);
    bw->SkinData->SetSkinManager(&scrollSkin.skin.Manager);
    bw->SkinData->SkinIndex = buttonSection;
    LoadCtrlFont(bw, true);
    SendMessageW(button, WM_PRINT, reinterpret_cast<WPARAM>(print.Canvas()->Handle()), PRF_CLIENT);
    UninitializeKVWnd(button, true, false, bw);
    UninitializeKVScroll(list, true, false, sw);
  };
  // The painters keep their working bitmaps: the first cycles make them.
  for (int i = 0; i < 20; ++i) cycle();
  const int windowsBefore = UserTracker::ThreadWindowCount();
  {
    GdiTracker gdi;
    UserTracker user;
    ASSERT_TRUE(gdi.Active());
    ASSERT_TRUE(user.Active());
    for (int i = 0; i < 1000; ++i) cycle();
    EXPECT_GT(gdi.Created(), 1000);  // fonts, DCs and bitmaps were made (and freed)
    EXPECT_EQ(gdi.Live(), std::vector<std::string>{});
    EXPECT_EQ(user.Live(), std::vector<std::string>{});
  }
  EXPECT_EQ(UserTracker::ThreadWindowCount(), windowsBefore);
  EXPECT_EQ(kvScrollState.hwndMouseOver, nullptr);
  EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(button, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
}

// Skin commands the scroll wrapper answers itself, skinned and not.
TEST_F(ScrollInput, SkinCommandsOfTheScrollWrapper) {
  TkvScrollWnd* sw = nullptr;
  HWND wnd = Shown(L"STATIC", WS_VSCROLL, 100, 100, 150, 200, sw);
  auto command = [&](Word code, TLParam lParam = 0, Word low = 0) {
    return SendMessageW(wnd, SM_ALPHACMD, MAKEWPARAM(low, code), lParam);
  };
  TsCommonData* sd = sw->SkinData;
  sd->CurrentPPI = 144;
  EXPECT_EQ(command(KV_GETSCALE), 144);
  command(KV_UPDATING, 0, 1);
  EXPECT_TRUE(sd->FUpdating);
  command(KV_UPDATING, 0, 0);
  EXPECT_FALSE(sd->FUpdating);
  EXPECT_EQ(command(KV_GETAPPLICATION), reinterpret_cast<LRESULT>(Application));
  gLog.clear();
  EXPECT_EQ(command(KV_CTRLHANDLED), 1);
  // Without a skin: the skin data and, for a provider's skin data, the provider answer.
  const Integer index = sd->SkinIndex;
  sd->SkinIndex = -1;
  ASSERT_FALSE(sd->Skinned());
  EXPECT_EQ(command(KV_GETSKINDATA), reinterpret_cast<LRESULT>(sd));
  EXPECT_EQ(command(KV_CTRLHANDLED), 0);  // passed on to the window, which knows none
  TObject notProvider;
  sd->FOwnerObject = &notProvider;
  EXPECT_EQ(command(KV_GETPROVIDER), 0);
  sd->COC = 224;
  EXPECT_EQ(command(KV_GETPROVIDER), 0);  // an owner that is no provider: nothing to answer
  {
    // A provider answers with its provider face, as providers themselves answer (the askers
    // read the answer as one), not with the start of its object.
    auto* form = new TForm(Application);
    form->AfterConstruction();
    form->HandleNeeded();
    {
      TProviderDouble provider(form, nullptr);
      sd->FOwnerObject = &provider;
      const auto face = reinterpret_cast<LRESULT>(static_cast<TkvFormProvider*>(&provider));
      ASSERT_NE(face, reinterpret_cast<LRESULT>(static_cast<TObject*>(&provider)));
      EXPECT_EQ(command(KV_GETPROVIDER), face);
    }
    delete form;
  }
  sd->COC = 0;
  sd->FOwnerObject = nullptr;
  sd->SkinIndex = index;
}
