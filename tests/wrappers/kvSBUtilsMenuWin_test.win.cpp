// The popup menu window wrapper on a window of the test's own (a popup of a class with the
// system drop shadow): the skin commands it answers, its opacity before and after the menu
// drops down, the skin's shadow instead of the system's, the frame from the painter's picture
// or from its own cache, and how it lets go of the window and of the class when the menu closes.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/Composition.h"
#include "base/WorkingBitmaps.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/kvPopupController.h"
#include "controls/sSkinMenus.h"
#include "skin/SkinState.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "support/LayeredCalls.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "wrappers/kvSBUtilsMenu.h"

namespace {

constexpr TColor kMenuColor = 0x00C08040;       // the "MAINMENU" section
constexpr uint32_t kPicturePixel = 0xFF2060A0;  // the painter's picture made by the test (B, G, R, A)
constexpr Integer kW = 120, kH = 80;

LRESULT CALLBACK PlainProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    ValidateRect(wnd, nullptr);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

const wchar_t* MenuLikeClass() {
  static ATOM atom = [] {
    WNDCLASSW wc{};
    wc.style = CS_DROPSHADOW;
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TestMenuLikeWindow";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    return RegisterClassW(&wc);
  }();
  return reinterpret_cast<const wchar_t*>(uintptr_t(atom));
}

TColor WindowPixel(HWND wnd, int x, int y) {
  HDC dc = GetWindowDC(wnd);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(wnd, dc);
  return TColor(c);
}

Integer gThemeCalls = 0;
long __stdcall CountThemeCall(HWND, const wchar_t*, const wchar_t*) {
  ++gThemeCalls;
  return 0;
}

LRESULT SkinCommand(HWND wnd, Word command, LPARAM lp = 0) {
  return SendMessageW(wnd, SM_ALPHACMD, WPARAM(command) << 16, lp);
}

class MenuWrapper : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
    ASSERT_EQ(DefaultManager, &skin.Manager);
    sSkinMenusStartup();  // the menu painter runs
    skin.Manager.SkinCommonInfo.Sections[ssMainMenu] = skin.AddSection(PlainSection(u"MAINMENU", 0, kMenuColor));
    skin.Data->Reindex();
    savedNT = IsNT;
    savedAero = iAeroStatus;
    IsNT = true;
    iAeroStatus = 0;
    kvCanHookMenu = true;
    classStyle = GetClassLongPtrW(wnd = NewWindow(300, 200), GCL_STYLE);
  }
  void TearDown() override {
    for (HWND h : windows)
      if (IsWindow(h)) DestroyWindow(h);
    FreeMenuWrappers();
    kvCanHookMenu = false;
    sSkinMenusCleanup();
    IsNT = savedNT;
    iAeroStatus = savedAero;
  }
  HWND NewWindow(int x, int y) {
    HWND h = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, MenuLikeClass(), L"", WS_POPUP, x, y, kW, kH, nullptr,
                             nullptr, GetModuleHandleW(nullptr), nullptr);
    windows.push_back(h);
    return h;
  }
  TkvMenuSupport& Options() { return *skin.Manager.MenuSupport(); }

  TApplication app;
  SkinFixture skin;
  HWND wnd = nullptr;
  ULONG_PTR classStyle = 0;
  std::vector<HWND> windows;
  bool savedNT = false;
  Integer savedAero = -1;
};

}  // namespace

TEST_F(MenuWrapper, AnswersItsSkinCommandsAndLetsThePainterDrawTheFrame) {
  TkvMnuWnd* w = MakeMenuWrapper(wnd);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(MnuArray.size(), 1u);
  EXPECT_EQ(MnuArray[0], w);
  EXPECT_EQ(w->SkinData->SkinSection(), u"MAINMENU");
  // Made like every other wrapper: the skin's colours, scroll sizes from the skin.
  const TkvSkinParams params = MenuWrapperParams();
  EXPECT_TRUE(params.UseSkinColor);
  EXPECT_TRUE(params.UseSkinFontColor);
  for (Integer size :
       {params.VertScrollSize, params.HorzScrollSize, params.VertScrollBtnSize, params.HorzScrollBtnSize})
    EXPECT_EQ(size, -1);
  EXPECT_FALSE(w->SkinData->FCustomColor);
  EXPECT_EQ(w->SkinData->FCustomFont, kv_KeepOwnFont);
  EXPECT_EQ(SkinCommand(wnd, KV_CTRLHANDLED), 1);
  EXPECT_EQ(SkinCommand(wnd, KV_GETAPPLICATION), reinterpret_cast<LRESULT>(Application));
  EXPECT_EQ(SkinCommand(wnd, KV_REFRESH), 0);
  // The painter's question before it copies its frame: 0, so it draws it (once per query).
  EXPECT_EQ(SkinCommand(wnd, KV_UPDATING), 0);
  EXPECT_EQ(w->PainterFrames, 1);
  EXPECT_EQ(w->FramePaints, 0);
}

TEST_F(MenuWrapper, TransparentUntilDroppedDownThenAtTheMenuOpacity) {
  struct Case {
    Byte alpha;
    bool layered;
  };
  for (const Case c : {Case{230, true}, Case{255, false}}) {
    SCOPED_TRACE(int(c.alpha));
    kvCanHookMenu = true;  // measured by the painter (the last menu's closing cleared it)
    Options().SetAlphaBlend(c.alpha);
    Options().SetSkinnedShadows(false);
    HWND h = NewWindow(320, 220);
    MakeMenuWrapper(h);
    ShowWindow(h, SW_SHOWNOACTIVATE);
    BYTE alpha = 99;
    DWORD flags = 0;
    ASSERT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
    ASSERT_TRUE(GetLayeredWindowAttributes(h, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 0);  // shown, but invisible until the painter has drawn it
    layered::LayeredCalls rec;
    SkinCommand(h, KV_DROPPEDDOWN);
    EXPECT_EQ((GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED) != 0, c.layered);
    if (c.layered) {
      ASSERT_TRUE(GetLayeredWindowAttributes(h, nullptr, &alpha, &flags));
      EXPECT_EQ(alpha, c.alpha);
      EXPECT_TRUE(flags & LWA_ALPHA);
      // The opacity alone: the call names no colour key of its own.
      ASSERT_EQ(layered::alphas.size(), 1u);
      EXPECT_EQ(layered::alphas[0].wnd, h);
      EXPECT_EQ(layered::alphas[0].key, COLORREF(clNone));
    }
    DestroyWindow(h);
  }
}

TEST_F(MenuWrapper, SkinShadowFollowsTheMenuAndTheClassGetsItsShadowStyleBack) {
  ASSERT_TRUE(classStyle & CS_DROPSHADOW);
  skin.Data->WndShadowSize = 10;  // a skin with a window shadow, 10 pixels on every side
  skin.Data->WndShadowOffset = 0;
  Options().SetAlphaBlend(255);
  Options().SetSkinnedShadows(true);
  TkvMnuWnd* w = MakeMenuWrapper(wnd);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  SkinCommand(wnd, KV_DROPPEDDOWN);
  ASSERT_NE(w->ShadowForm, nullptr);
  EXPECT_FALSE(GetClassLongPtrW(wnd, GCL_STYLE) & CS_DROPSHADOW);
  ASSERT_TRUE(w->ShadowForm->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(w->ShadowForm->Handle()));
  RECT before{}, after{};
  GetWindowRect(w->ShadowForm->Handle(), &before);
  SetWindowPos(wnd, nullptr, 340, 260, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(w->ShadowForm->Handle(), &after);
  EXPECT_EQ(after.left - before.left, 40);
  EXPECT_EQ(after.top - before.top, 60);
  // The painter may place the shadow itself; a record without height leaves it where it is.
#pragma pack(push, 1)
  struct Place {
    int32_t Left, Top, Width, Height;
    Byte Blend;
  };
#pragma pack(pop)
  for (const Place p : {Place{400, 300, 100, 50, 200}, Place{10, 10, 100, 0, 200}}) {
    SkinCommand(wnd, KV_UPDATESHADOW, reinterpret_cast<LPARAM>(&p));
    RECT r{};
    GetWindowRect(w->ShadowForm->Handle(), &r);
    EXPECT_EQ(r.left, 390);
    EXPECT_EQ(r.top, 290);
    EXPECT_EQ(r.right - r.left, 120);
    EXPECT_EQ(r.bottom - r.top, 70);
  }
  // Hiding the menu drops its shadow.
  ShowWindow(wnd, SW_HIDE);
  EXPECT_EQ(w->ShadowForm, nullptr);
  // The last menu closes: the class is as it was, the wrapper and the array are gone.
  HWND other = NewWindow(10, 10);
  DestroyWindow(wnd);
  EXPECT_EQ(GetClassLongPtrW(other, GCL_STYLE), classStyle);
  EXPECT_TRUE(MnuArray.empty());
  EXPECT_EQ(TkvMnuWnd::LiveCount(), 0);
  EXPECT_FALSE(kvCanHookMenu);
}

TEST_F(MenuWrapper, ClassBrushUnderCompositionIsPutBackWhenTheLastMenuCloses) {
  iAeroStatus = 1;
  const ULONG_PTR brush = GetClassLongPtrW(wnd, GCLP_HBRBACKGROUND);
  skin.Manager.Brushes.Handles[0] = CreateSolidBrush(0x123456);
  MakeMenuWrapper(wnd);
  EXPECT_EQ(GetClassLongPtrW(wnd, GCLP_HBRBACKGROUND), reinterpret_cast<ULONG_PTR>(skin.Manager.Brushes.Handles[0]));
  HWND other = NewWindow(10, 10);
  DestroyWindow(wnd);
  iAeroStatus = 0;
  EXPECT_EQ(GetClassLongPtrW(other, GCLP_HBRBACKGROUND), brush);
  DeleteObject(skin.Manager.Brushes.Handles[0]);
  skin.Manager.Brushes.Handles[0] = nullptr;
}

TEST_F(MenuWrapper, FrameFromThePaintersPictureOnlyWhenItFitsTheWindowElseFromItsCache) {
  // A record of the painter made by the test, for this window.
  TPopupMenu menu(nullptr);
  auto* item = new TMenuItem(&menu);
  item->SetCaption(u"Item");
  menu.Items()->Add(item);
  TsSkinableMenus* painter = SkinableMenus();
  ASSERT_NE(painter, nullptr);
  TkvMenuInfo* info = painter->GetMenuInfo(item, nullptr, nullptr);
  ASSERT_NE(info, nullptr);
  info->Wnd = wnd;
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  TkvMnuWnd* w = MakeMenuWrapper(wnd);
  struct Case {
    Integer width;
    TColor frame;
  };
  const TColor picture =
      TColor((kPicturePixel >> 16) & 0xFF) | TColor(kPicturePixel & 0xFF00) | TColor((kPicturePixel & 0xFF) << 16);
  for (const Case c : {Case{kW - 6, picture}, Case{kW, kMenuColor}}) {
    SCOPED_TRACE(c.width);
    info->Bmp.reset(CreateBmp32(c.width, kH));
    TPixelView view = info->Bmp->View();
    for (Integer y = 0; y < kH; ++y)
      for (Integer x = 0; x < c.width; ++x) view.Row(y)[x] = kPicturePixel;
    const Integer paints = w->FramePaints;
    SendMessageW(wnd, WM_NCPAINT, 1, 0);
    EXPECT_EQ(w->FramePaints, paints + 1);
    EXPECT_EQ(WindowPixel(wnd, 1, 1), c.frame);
    EXPECT_EQ(WindowPixel(wnd, 1, kH / 2), c.frame);
    EXPECT_TRUE(w->Shown);
  }
  // Without a record of the painter no frame is drawn.
  info->Wnd = nullptr;
  const Integer paints = w->FramePaints;
  SendMessageW(wnd, WM_NCPAINT, 1, 0);
  EXPECT_EQ(w->FramePaints, paints);
}

TEST_F(MenuWrapper, BackgroundFromTheCacheInsideTheFrame) {
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  MakeMenuWrapper(wnd);
  HDC dc = GetDC(wnd);
  SendMessageW(wnd, WM_ERASEBKGND, WPARAM(dc), 0);
  EXPECT_EQ(TColor(GetPixel(dc, kW / 2, kH / 2)), kMenuColor);
  ReleaseDC(wnd, dc);
}

TEST_F(MenuWrapper, UnmeasuredMenuKeepsItsOwnLook) {
  kvCanHookMenu = false;
  MakeMenuWrapper(wnd);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  EXPECT_FALSE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED);
  HDC dc = GetDC(wnd);
  SetPixel(dc, kW / 2, kH / 2, 0x00010203);
  EXPECT_EQ(SendMessageW(wnd, WM_ERASEBKGND, WPARAM(dc), 0), DefWindowProcW(wnd, WM_ERASEBKGND, WPARAM(dc), 0));
  EXPECT_NE(TColor(GetPixel(dc, kW / 2, kH / 2)), kMenuColor);
  ReleaseDC(wnd, dc);
}

TEST_F(MenuWrapper, FreedOnlyAfterItsOwnDestroyMessageAndNeverCalledAgain) {
  TkvMnuWnd* first = MakeMenuWrapper(wnd);
  HWND sub = NewWindow(330, 230);
  TkvMnuWnd* second = MakeMenuWrapper(sub);
  // A submenu closes: the parent menu is still open, nothing is freed.
  DestroyWindow(sub);
  EXPECT_TRUE(second->Destroyed);
  EXPECT_EQ(MnuArray.size(), 2u);
  EXPECT_EQ(TkvMnuWnd::LiveCount(), 2);
  {
    // The last menu closes while its wrapper is in use: the array is cleared at once, the
    // wrapper itself goes when it is no longer in use.
    TObjectInUse inUse(first);
    DestroyWindow(wnd);
    EXPECT_TRUE(MnuArray.empty());
    EXPECT_EQ(TkvMnuWnd::LiveCount(), 1);
    EXPECT_TRUE(TObjectInUse::FreePending(first));
    // A late destroy message reaches the detached wrapper: answered, not sent round again.
    EXPECT_EQ(first->ProcessMessage(WM_NCDESTROY, 0, 0), 0);
  }
  EXPECT_EQ(TkvMnuWnd::LiveCount(), 0);
}

TEST_F(MenuWrapper, MenuWindowKeepsItsVisualStyle) {
  const HMODULE savedLib = uxthemeLib;
  const TkvSetWindowTheme savedSet = kv_SetWindowTheme;
  uxthemeLib = GetModuleHandleW(nullptr);
  kv_SetWindowTheme = &CountThemeCall;
  gThemeCalls = 0;
  MakeMenuWrapper(wnd);
  EXPECT_EQ(gThemeCalls, 0);
  EXPECT_EQ(kv_SetWindowTheme, &CountThemeCall);
  // Another scroll wrapper has its style switched off.
  HWND other = NewWindow(10, 10);
  TkvSkinParams params;
  TkvScrollWnd* plain = TkvMainWnd::MakeWrapper<TkvScrollWnd>(other, nullptr, &skin.Manager, params, false);
  EXPECT_EQ(gThemeCalls, 1);
  plain->Free();
  uxthemeLib = savedLib;
  kv_SetWindowTheme = savedSet;
}

// The mouse over an open menu leaves the manager's active control alone: the control the menu
// was opened from keeps its hot look.
TEST_F(MenuWrapper, HitTestDoesNotMakeTheMenuTheActiveControl) {
  TkvMnuWnd* w = MakeMenuWrapper(wnd);
  ASSERT_NE(w, nullptr);
  ShowWindow(wnd, SW_SHOWNOACTIVATE);
  skin.Manager.SetActiveControl(nullptr);
  RECT r{};
  GetWindowRect(wnd, &r);
  SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(r.left + 10, r.top + 10));
  EXPECT_EQ(skin.Manager.ActiveControl(), nullptr);
}
