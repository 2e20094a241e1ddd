// The skinned scroll bars of an ownerless standard dialog with scroll styles: the dialog's
// wrapper is a scroll wrapper, its bars are painted from the skin's scroll parts over the frame,
// presses on them scroll the dialog through the scroll wrapper (never the system's scroll loop),
// and while a size change moves the outer border window the bars are kept hidden.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "base/sMessages.h"
#include "forms/kvDialogWnd.h"
#include "support/DialogFixture.h"
#include "support/ScrollSkin.h"
#include "wrappers/kvSBUtils.h"

using namespace formskin;
using namespace dialogtest;

namespace {

constexpr Integer kBar = 17, kArrow = 15;

// What the dialog's own procedure saw of the bar's notifications.
std::vector<Integer> gScrollCodes;

// Content 1000 lines high with 100 on a page; a line step moves 10, a page 100.
INT_PTR CALLBACK ScrolledDialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) {
    SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 999, 100, 0, 0};
    SetScrollInfo(wnd, SB_VERT, &si, FALSE);
    return TRUE;
  }
  if (msg == WM_VSCROLL) {
    const Integer code = LOWORD(wParam);
    gScrollCodes.push_back(code);
    const Integer step = code == SB_LINEDOWN ? 10 : code == SB_PAGEDOWN ? 100 : 0;
    if (step) SetScrollPos(wnd, SB_VERT, GetScrollPos(wnd, SB_VERT) + step, TRUE);
    return TRUE;
  }
  if (msg == WM_CLOSE) {
    DestroyWindow(wnd);
    return TRUE;
  }
  return FALSE;
}

// The outer border window's moves, and how many of them the dialog's bars were hidden for.
TkvDialogWnd* gWatched = nullptr;
WNDPROC gBorderProc = nullptr;
Integer gBorderMoves = 0, gBorderMovesHidden = 0;

LRESULT CALLBACK WatchBorderProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_WINDOWPOSCHANGED && gWatched) {
    ++gBorderMoves;
    if (gWatched->FormState & DLG_SCROLLSHIDDEN) ++gBorderMovesHidden;
  }
  return CallWindowProcW(gBorderProc, wnd, msg, wParam, lParam);
}

// The skin commands a child window of the dialog was told of.
std::vector<Integer> gChildCommands;

LRESULT CALLBACK CommandProbeProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == SM_ALPHACMD) {
    gChildCommands.push_back(HIWORD(wParam));
    return 0;
  }
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

class DialogScrollBars : public DialogWrapper {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(DialogWrapper::SetUp());
    kvSBUtilsStartup();  // the scroll-bar query the engine's start-up binds
    AddScrollParts(skin->skin);
    skin->skin.Data->Reindex();
    gScrollCodes.clear();
  }
  // An ownerless dialog with a caption, the close box and the styles given, not shown yet.
  HWND MakeDialogStyled(DWORD style, DLGPROC proc) {
    DialogTemplate tmpl{};
    tmpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | style;
    tmpl.t.x = 30;
    tmpl.t.y = 30;
    tmpl.t.cx = 160;
    tmpl.t.cy = 100;
    dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, proc, 0);
    return dlg;
  }
  // The scrolled dialog with bars 17 (or thickness) thick and arrows 15 long, its frame computed
  // with them.
  TkvDialogWnd* MakeScrolledDialog(Integer thickness = kBar) {
    if (!MakeDialogStyled(WS_VSCROLL, &ScrolledDialogProc)) return nullptr;
    TkvDialogWnd* w = Wrapper();
    if (!w) return nullptr;
    auto* sd = dynamic_cast<TsScrollWndData*>(w->SkinData);
    if (!sd) return nullptr;
    for (TkvScrollData* d : {sd->FHorzScrollData.get(), sd->FVertScrollData.get()}) {
      d->FScrollWidth = thickness;
      d->FButtonsSize = kArrow;
    }
    Kv_RedrawNonClient(dlg, true);
    return w;
  }
  // The vertical bar in window coordinates.
  TRect VertBar(TkvDialogWnd* w) {
    TRect r;
    kv_GetVScrollRect(w, dlg, r);
    RECT wr{};
    GetWindowRect(dlg, &wr);
    return TRect(r.Left - wr.left, r.Top - wr.top, r.Right - wr.left, r.Bottom - wr.top);
  }
  // The thumb's span along the vertical bar, in window coordinates.
  std::pair<Integer, Integer> Thumb(TkvDialogWnd* w) {
    TRect r;
    kv_GetVScrollRect(w, dlg, r);
    Kv_GetRealScrollRect(w->sBarVert, r);
    GetScrollInfo(dlg, SB_VERT, &w->sBarVert->ScrollInfo);
    Integer size = 0, pos = 0;
    Kv_CalcThumbSize(w->sBarVert, r, size, pos);
    RECT wr{};
    GetWindowRect(dlg, &wr);
    return {pos - wr.top, pos - wr.top + size};
  }
  void Press(Integer hitCode, TPoint windowPoint) {
    SendMessageW(dlg, WM_NCLBUTTONDOWN, WPARAM(hitCode), ScreenParam(windowPoint));
  }
  void Release() { SendMessageW(dlg, WM_LBUTTONUP, 0, MAKELPARAM(5, 5)); }
};

}  // namespace

TEST_F(DialogScrollBars, ScrolledDialogShowsBarsPaintedFromTheSkin) {
  TkvDialogWnd* w = MakeScrolledDialog();
  ASSERT_NE(w, nullptr);
  ShowDialog();
  // The dialog's wrapper is the window's scroll wrapper, with the vertical bar shown only.
  EXPECT_EQ(TkvScrollWnd::FromHwnd(dlg), static_cast<TkvScrollWnd*>(w));
  ASSERT_TRUE(w->ScrollsInitialized);
  EXPECT_TRUE(w->sBarVert->fScrollVisible);
  EXPECT_FALSE(w->sBarHorz->fScrollVisible);
  const TRect bar = VertBar(w);
  EXPECT_EQ(bar.Width(), kBar);
  // The client ends where the skinned bar begins.
  RECT c{};
  GetClientRect(dlg, &c);
  POINT clientRight{c.right, c.bottom};
  ClientToScreen(dlg, &clientRight);
  RECT wr{};
  GetWindowRect(dlg, &wr);
  EXPECT_EQ(clientRight.x - wr.left, bar.Left);
  const auto shot = Shot();
  const auto thumb = Thumb(w);
  struct Probe {
    const char* what;
    Integer x, y;
    TColor color;
  } probes[] = {
      {"up arrow", bar.Left + 2, bar.Top + 2, kBtnTop},
      {"down arrow", bar.Left + 2, bar.Bottom - 3, kBtnBottom},
      {"thumb", bar.Left + kBar / 2, (thumb.first + thumb.second) / 2, kThumbV},
      {"track below the thumb", bar.Left + kBar / 2, (thumb.second + bar.Bottom - kArrow) / 2, kTrackBottom},
  };
  for (const Probe& p : probes) EXPECT_EQ(shot->PixelColor(p.x, p.y) & 0xFFFFFF, p.color) << p.what;
  // The frame around the bar is still the dialog's own.
  EXPECT_EQ(shot->PixelColor(1, shot->Height() / 2) & 0xFFFFFF, ColorOfPixel(kBorderPixel));
  // A later frame paint paints the bar again over the frame.
  HDC dc = GetWindowDC(dlg);
  RECT over{bar.Left, bar.Top, bar.Right, bar.Bottom};
  FillRect(dc, &over, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(dlg, dc);
  SendMessageW(dlg, WM_NCPAINT, 1, 0);
  EXPECT_EQ(At(bar.Left + 2, bar.Top + 2), kBtnTop);
  // Bars painted while the picture is out of date have the dialog renew its own picture first:
  // the frame shown afterwards is still the skinned frame, bars and all.
  const TColor title = shot->PixelColor(shot->Width() / 2, 3) & 0xFFFFFF;
  w->SkinData->BGChanged = true;
  w->PaintScrollBars();
  EXPECT_FALSE(w->SkinData->BGChanged);
  SendMessageW(dlg, WM_NCPAINT, 1, 0);
  const auto again = Shot();
  EXPECT_EQ(again->PixelColor(1, again->Height() / 2) & 0xFFFFFF, ColorOfPixel(kBorderPixel));
  EXPECT_EQ(again->PixelColor(again->Width() / 2, 3) & 0xFFFFFF, title);
  EXPECT_EQ(again->PixelColor(bar.Left + 2, bar.Bottom - 3) & 0xFFFFFF, kBtnBottom);
}

TEST_F(DialogScrollBars, PressesOnTheSkinnedBarScrollTheDialog) {
  TkvDialogWnd* w = MakeScrolledDialog();
  ASSERT_NE(w, nullptr);
  ShowDialog();
  const TRect bar = VertBar(w);
  const Integer x = bar.Left + kBar / 2;
  // The bar hit-tests as the dialog's scroll bar; the caption stays the dialog's own.
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(TPoint(x, (bar.Top + bar.Bottom) / 2))), HTVSCROLL);
  POINT client{0, 0};
  ClientToScreen(dlg, &client);
  RECT wr{};
  GetWindowRect(dlg, &wr);
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(TPoint(20, (client.y - wr.top) / 2))), HTCAPTION);

  struct Case {
    const char* what;
    TPoint at;
    Integer code, position;
  } cases[] = {
      {"down arrow", TPoint(x, bar.Bottom - kArrow / 2), SB_LINEDOWN, 10},
      {"page below the thumb", TPoint(x, bar.Bottom - kArrow - 3), SB_PAGEDOWN, 110},
  };
  for (const Case& k : cases) {
    gScrollCodes.clear();
    Press(HTVSCROLL, k.at);
    // One step at the press, the mouse held by the dialog until the release.
    EXPECT_EQ(gScrollCodes, std::vector<Integer>{k.code}) << k.what;
    EXPECT_EQ(GetCapture(), dlg) << k.what;
    Release();
    EXPECT_EQ(gScrollCodes, (std::vector<Integer>{k.code, SB_ENDSCROLL})) << k.what;
    EXPECT_NE(GetCapture(), dlg) << k.what;
    EXPECT_EQ(kvScrollState.uScrollTimerId, 0u) << k.what;
    EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE) << k.what;
    EXPECT_EQ(GetScrollPos(dlg, SB_VERT), k.position) << k.what;
  }
  // The thumb is drawn where the new position puts it, the track where it was.
  const auto thumb = Thumb(w);
  ASSERT_GT(thumb.first, bar.Top + kArrow + 2);
  const auto shot = Shot();
  EXPECT_EQ(shot->PixelColor(x, (thumb.first + thumb.second) / 2) & 0xFFFFFF, kThumbV);
  EXPECT_EQ(shot->PixelColor(x, bar.Top + kArrow + 1) & 0xFFFFFF, kTrackTop);
  // A right press on the bar is not the system's either: no scroll menu, nothing scrolled.
  gScrollCodes.clear();
  EXPECT_EQ(SendMessageW(dlg, WM_NCRBUTTONDOWN, HTVSCROLL, ScreenParam(TPoint(x, bar.Top + 30))), 0);
  EXPECT_EQ(SendMessageW(dlg, WM_NCRBUTTONUP, HTVSCROLL, ScreenParam(TPoint(x, bar.Top + 30))), 0);
  EXPECT_TRUE(gScrollCodes.empty());
}

TEST_F(DialogScrollBars, BarsStayHiddenWhileASizeChangeMovesTheOuterBorder) {
  GiveShadow(*skin, TRect(9, 7, 11, 13));
  TkvDialogWnd* w = MakeScrolledDialog();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(ShowWithOuterBorder(), w);
  const HWND border = w->BorderForm->LayeredWindow();
  gWatched = w;
  gBorderMoves = gBorderMovesHidden = 0;
  gBorderProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(border, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchBorderProc)));
  const TScopeExit unwatch([&] {
    if (IsWindow(border)) SetWindowLongPtrW(border, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gBorderProc));
    gWatched = nullptr;
  });
  RECT r{};
  GetWindowRect(dlg, &r);
  SetWindowPos(dlg, nullptr, 0, 0, r.right - r.left + 30, r.bottom - r.top + 20,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The border window followed the new size with the bars hidden, and they are back after.
  EXPECT_GT(gBorderMovesHidden, 0);
  EXPECT_EQ(w->FormState & DLG_SCROLLSHIDDEN, 0u);
  Application->ProcessMessages();
  const TRect bar = VertBar(w);
  EXPECT_EQ(At(bar.Left + 2, bar.Bottom - 3), kBtnBottom);

  // While the bit is set the bars are not painted; once clear they are.
  HDC dc = GetWindowDC(dlg);
  RECT over{bar.Left, bar.Top, bar.Right, bar.Bottom};
  FillRect(dc, &over, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(dlg, dc);
  w->FormState |= DLG_SCROLLSHIDDEN;
  w->PaintScrollBars();
  EXPECT_EQ(At(bar.Left + 2, bar.Top + 2), TColor(0xFFFFFF));
  w->FormState &= ~DLG_SCROLLSHIDDEN;
  w->PaintScrollBars();
  EXPECT_EQ(At(bar.Left + 2, bar.Top + 2), kBtnTop);
}

TEST_F(DialogScrollBars, DialogWithoutScrollStylesKeepsItsClientAndHasNoBars) {
  // The client of the same dialog without the skin's hook, then with it.
  skin->skin.Manager.UnInstallHook();
  ASSERT_NE(MakeDialogStyled(0, &ClosingDialogProc), nullptr);
  ASSERT_EQ(Wrapper(), nullptr);
  RECT plain{};
  GetClientRect(dlg, &plain);
  DestroyWindow(dlg);
  skin->skin.Manager.InstallHook();
  ASSERT_NE(MakeDialogStyled(0, &ClosingDialogProc), nullptr);
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  ShowDialog();
  EXPECT_TRUE(w->ScrollsInitialized);
  EXPECT_FALSE(w->ShowsSkinnedBars());
  RECT skinned{};
  GetClientRect(dlg, &skinned);
  EXPECT_EQ(skinned.right, plain.right);
  EXPECT_EQ(skinned.bottom, plain.bottom);
  // The client's right edge is the client's, not a bar.
  POINT edge{skinned.right - 1, skinned.bottom / 2};
  ClientToScreen(dlg, &edge);
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, MAKELPARAM(edge.x, edge.y)), HTCLIENT);
}

// The dialog's children hear of a new, refreshed or removed skin from the dialog, as they did
// before the dialog's procedure became the scroll wrapper's.
TEST_F(DialogScrollBars, ChildrenAreToldOfSkinChangesThroughTheDialog) {
  ProbeWindowClass probeClass(L"TwDialogCommandProbe", &CommandProbeProc);
  ASSERT_NE(MakeDialogStyled(0, &ClosingDialogProc), nullptr);
  ASSERT_NE(Wrapper(), nullptr);
  ShowDialog();
  const HWND child = CreateWindowExW(0, probeClass.Name(), L"", WS_CHILD | WS_VISIBLE, 4, 4, 20, 20, dlg, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(child, nullptr);
  DuRiruZireziv& manager = skin->skin.Manager;
  const auto command = [&](Word code) {
    SendMessageW(dlg, SM_ALPHACMD, uintptr_t(code) << 16, reinterpret_cast<LPARAM>(&manager));
  };
  struct Case {
    const char* what;
    Word code;
    bool active;
  } cases[] = {
      {"new skin", KV_SETNEWSKIN, true},
      {"refresh", KV_REFRESH, true},
      {"skin removed", KV_REMOVESKIN, false},
  };
  for (const Case& k : cases) {
    gChildCommands.clear();
    manager.SkinCommonInfo.Active = k.active;
    command(k.code);
    EXPECT_EQ(std::count(gChildCommands.begin(), gChildCommands.end(), Integer(k.code)), 1) << k.what;
  }
  manager.SkinCommonInfo.Active = true;
  DestroyWindow(child);
}

// A scrolled dialog the wrapper lets go of is no scroll wrapper's any more: its frame is the
// system's again, with the system's bar, and a press that was on its bar is forgotten.
TEST_F(DialogScrollBars, LettingGoGivesTheFrameBackToTheSystemsBars) {
  // The client of the same dialog without the skin's hook.
  skin->skin.Manager.UnInstallHook();
  ASSERT_NE(MakeDialogStyled(WS_VSCROLL, &ScrolledDialogProc), nullptr);
  RECT plain{};
  GetClientRect(dlg, &plain);
  DestroyWindow(dlg);
  skin->skin.Manager.InstallHook();
  // A skinned bar wider than the system's.
  TkvDialogWnd* w = MakeScrolledDialog(GetSystemMetrics(SM_CXVSCROLL) + 6);
  ASSERT_NE(w, nullptr);
  ShowDialog();
  RECT skinned{};
  GetClientRect(dlg, &skinned);
  ASSERT_EQ(skinned.right, plain.right - 6);
  const TRect bar = VertBar(w);
  Press(HTVSCROLL, TPoint(bar.Left + bar.Width() / 2, bar.Bottom - kArrow / 2));
  ASSERT_EQ(kvScrollState.hwndCurSB, dlg);
  w->Uninit();
  EXPECT_EQ(TkvScrollWnd::FromHwnd(dlg), nullptr);
  EXPECT_EQ(kvScrollState.uCurrentScrollPortion, HTSCROLL_NONE);
  EXPECT_EQ(kvScrollState.uScrollTimerId, 0u);
  EXPECT_NE(GetCapture(), dlg);
  RECT after{};
  GetClientRect(dlg, &after);
  EXPECT_EQ(after.right, plain.right);
  EXPECT_EQ(after.bottom, plain.bottom);
}

// Dragging the thumb: the moves the dialog receives while the thumb is held track it through the
// scroll wrapper, and the release ends the drag at the place reached.
TEST_F(DialogScrollBars, DraggingTheThumbTracksThroughTheDialog) {
  TkvDialogWnd* w = MakeScrolledDialog();
  ASSERT_NE(w, nullptr);
  ShowDialog();
  const TRect bar = VertBar(w);
  const Integer x = bar.Left + kBar / 2;
  const auto thumb = Thumb(w);
  Press(HTVSCROLL, TPoint(x, (thumb.first + thumb.second) / 2));
  ASSERT_TRUE(w->fThumbTracking);
  // A move 40 pixels down, as the system delivers it (the cursor there when it was posted).
  const POINT to = ScreenPoint(TPoint(x, (thumb.first + thumb.second) / 2 + 40));
  SetCursorPos(to.x, to.y);
  POINT client = to;
  ScreenToClient(dlg, &client);
  PostMessageW(dlg, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(client.x, client.y));
  Application->ProcessMessages();
  ASSERT_FALSE(gScrollCodes.empty());
  EXPECT_EQ(gScrollCodes.back(), SB_THUMBTRACK);
  const Integer tracked = GetScrollPos(dlg, SB_VERT);
  EXPECT_GT(tracked, 0);
  Release();
  EXPECT_FALSE(w->fThumbTracking);
  ASSERT_GE(gScrollCodes.size(), 3u);
  EXPECT_EQ(gScrollCodes[gScrollCodes.size() - 2], SB_THUMBPOSITION);
  EXPECT_EQ(gScrollCodes.back(), SB_ENDSCROLL);
  EXPECT_EQ(GetScrollPos(dlg, SB_VERT), tracked);
  EXPECT_NE(GetCapture(), dlg);
}
