// The wrapper base: attaching to a raw window and to a class-library control, detaching in any
// order, freeing from inside a message, the destroy path, and the window property of the skin
// data.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Composition.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "support/GdiTracker.h"
#include "support/SkinFixture.h"
#include "support/UserTracker.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"
#include "ui/Subclass.h"
#include "wrappers/kvSBUtils.h"
#include "wrappers/kvSBUtilsPanels.h"
#include "wrappers/kvSBUtilsUpDown.h"

namespace {

// The messages that reached the window's own procedure (installed before any wrapper).
std::vector<UINT> gLogged;
WNDPROC gDefault = nullptr;
LRESULT CALLBACK LoggingProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg >= WM_USER) {
    gLogged.push_back(msg);
    return static_cast<LRESULT>(msg - WM_USER + 100);
  }
  if (msg == WM_PAINT || msg == WM_PRINT || msg == WM_UPDATEUISTATE) gLogged.push_back(msg);
  return CallWindowProcW(gDefault, wnd, msg, w, l);
}

// A wrapper that records its messages and its own destruction.
int gDestroyedWrappers = 0;
TLResult gAfterPreviousAtDestruction = -1;
class TRecordingWnd : public TkvMainWnd {
 public:
  ~TRecordingWnd() override {
    ++gDestroyedWrappers;
    gAfterPreviousAtDestruction = afterPrevious;
  }
  void kvWndProc(TMessage& m) override {
    if (m.Msg >= WM_USER) seen.push_back(m.Msg);
    TkvMainWnd::kvWndProc(m);
    // Runs after the previous procedure, which may have freed this wrapper.
    if (m.Msg >= WM_USER) afterPrevious = m.Result;
  }
  std::vector<UINT> seen;
  TLResult afterPrevious = -1;
};

// Frees a wrapper from inside a message, as a click handler closing a form does.
TkvMainWnd* gToFree = nullptr;
LRESULT CALLBACK FreeingProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_USER + 5 && gToFree) {
    TkvMainWnd* sw = gToFree;
    gToFree = nullptr;
    UninitializeKVWnd(wnd, true, false, sw);
    return 77;
  }
  return LoggingProc(wnd, msg, w, l);
}

class Wrappers : public testing::Test {
 protected:
  void SetUp() override {
    gLogged.clear();
    gDestroyedWrappers = 0;
    app = std::make_unique<TApplication>();
    wnd = CreateWindowExW(0, L"STATIC", L"caption", WS_POPUP, 0, 0, 50, 40, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    gDefault =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LoggingProc)));
    before = GetWindowLongPtrW(wnd, GWLP_WNDPROC);
  }
  void TearDown() override {
    if (IsWindow(wnd)) DestroyWindow(wnd);
    app.reset();
  }
  TRecordingWnd* Wrap(HWND h, TControl* ctrl = nullptr) {
    TkvSkinParams params;
    params.Control = ctrl;
    return TkvMainWnd::MakeWrapper<TRecordingWnd>(h, nullptr, nullptr, params, false);
  }
  // A windowed class-library control on a form (the caller deletes the form).
  TCustomControl* MakeControl(TForm*& form) {
    form = new TForm(app.get());
    form->AfterConstruction();
    auto* ctrl = new TCustomControl(form);
    ctrl->SetParent(form);
    ctrl->HandleNeeded();
    return ctrl;
  }
  std::unique_ptr<TApplication> app;
  HWND wnd = nullptr;
  LONG_PTR before = 0;
};

}  // namespace

TEST_F(Wrappers, RawWindowPassesMessagesOnAndGetsItsProcedureBack) {
  TRecordingWnd* sw = Wrap(wnd);
  EXPECT_TRUE(sw->Attached());
  EXPECT_EQ(sw->Caption, u"caption");
  EXPECT_EQ(SendMessageW(wnd, WM_USER + 1, 0, 0), 101);  // passed on, answer kept
  EXPECT_EQ(sw->seen, std::vector<UINT>{WM_USER + 1});
  EXPECT_EQ(gLogged, std::vector<UINT>{WM_USER + 1});
  SendMessageW(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"new"));
  EXPECT_EQ(sw->Caption, u"new");
  // Its own skin data is the window's "KVSDATA" until the wrapper goes.
  EXPECT_EQ(GetCommonData(wnd), sw->SkinData);
  TkvMainWnd* held = sw;
  UninitializeKVWnd(wnd, true, false, held);
  EXPECT_EQ(held, nullptr);
  EXPECT_EQ(gDestroyedWrappers, 1);
  EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), before);
  EXPECT_EQ(GetCommonData(wnd), nullptr);
  EXPECT_EQ(SendMessageW(wnd, WM_USER + 2, 0, 0), 102);
}

TEST_F(Wrappers, WMPrintBecomesWMPaintAndUIStateIsSwallowed) {
  TRecordingWnd* sw = Wrap(wnd);
  gLogged.clear();
  SendMessageW(wnd, WM_UPDATEUISTATE, 0, 0);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  SendMessageW(wnd, WM_PRINT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(gLogged, std::vector<UINT>{WM_PAINT});
  TkvMainWnd* held = sw;
  UninitializeKVWnd(wnd, true, false, held);
  gLogged.clear();
  SendMessageW(wnd, WM_UPDATEUISTATE, 0, 0);  // unwrapped, it reaches the window
  EXPECT_EQ(gLogged, std::vector<UINT>{WM_UPDATEUISTATE});
}

// Removal in any order: the wrapper and a procedure subclassed after it.
TEST_F(Wrappers, RawWindowDetachInEitherOrderWithALaterSubclass) {
  struct TLater : TObject {
    void Proc(TMessage& m) {
      ++count;
      sub.CallPrevious(m);
    }
    TWindowSubclass sub;
    int count = 0;
  };
  for (bool wrapperFirst : {true, false}) {
    TRecordingWnd* sw = Wrap(wnd);
    auto later = std::make_unique<TLater>();
    ASSERT_TRUE(later->sub.Attach(wnd, later.get(), &TLater::Proc));
    TkvMainWnd* held = sw;
    if (wrapperFirst) {
      UninitializeKVWnd(wnd, true, false, held);
      EXPECT_EQ(SendMessageW(wnd, WM_USER + 4, 0, 0), 104);  // the later one still reaches the window
      EXPECT_EQ(later->count, 1);
      later.reset();
    } else {
      later.reset();
      EXPECT_EQ(SendMessageW(wnd, WM_USER + 4, 0, 0), 104);
      EXPECT_EQ(sw->seen.back(), WM_USER + 4u);
      UninitializeKVWnd(wnd, true, false, held);
    }
    EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), before) << wrapperFirst;
    EXPECT_EQ(SendMessageW(wnd, WM_USER + 6, 0, 0), 106);
  }
}

TEST_F(Wrappers, FreedInsideItsOwnMessageLivesUntilTheMessageReturns) {
  SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FreeingProc));
  TRecordingWnd* sw = Wrap(wnd);
  gToFree = sw;
  EXPECT_EQ(SendMessageW(wnd, WM_USER + 5, 0, 0), 77);
  // The wrapper's code after the previous procedure ran on the intact object (it stored the
  // answer before its destructor ran); then it went.
  EXPECT_EQ(gDestroyedWrappers, 1);
  EXPECT_EQ(gAfterPreviousAtDestruction, 77);
  EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&FreeingProc));
}

TEST_F(Wrappers, DestroyOfADetachedWrapperIsNotSentAgain) {
  TRecordingWnd* sw = Wrap(wnd);
  ASSERT_TRUE(sw->DetachWindowProc());
  EXPECT_FALSE(sw->Attached());
  EXPECT_EQ(sw->ProcessMessage(WM_DESTROY, 0, 0), 0);
  EXPECT_TRUE(IsWindow(wnd));
  EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), before);
  sw->Free();
  EXPECT_EQ(gDestroyedWrappers, 1);
}

TEST_F(Wrappers, RawWindowDestroyedWhileWrapped) {
  TRecordingWnd* sw = Wrap(wnd);
  DestroyWindow(wnd);
  EXPECT_FALSE(sw->Attached());
  EXPECT_TRUE(sw->Destroyed);
  sw->Free();
  EXPECT_EQ(gDestroyedWrappers, 1);
}

TEST_F(Wrappers, ControlWindowProcReplacedAndGivenBackInAnyOrder) {
  TForm* form = nullptr;
  TCustomControl* ctrl = MakeControl(form);
  struct THook : TObject {
    void Proc(TMessage& m) {
      if (m.Msg >= WM_USER) ++count;
      old(m);
    }
    TWndMethod old;
    int count = 0;
  };
  for (bool wrapperFirst : {true, false}) {
    const TWndMethod original = ctrl->WindowProc();
    TRecordingWnd* sw = Wrap(ctrl->Handle(), ctrl);
    EXPECT_TRUE(sw->Attached());
    EXPECT_FALSE(ctrl->WindowProc() == original);
    EXPECT_TRUE(ctrl->ControlStyle().Contains(csOpaque));
    THook hook;
    hook.old = ctrl->WindowProc();
    ctrl->SetWindowProc(TWndMethod(&hook, &THook::Proc));
    ctrl->Perform(WM_USER + 7, 0, 0);
    EXPECT_EQ(sw->seen.back(), WM_USER + 7u);
    TkvMainWnd* held = sw;
    if (wrapperFirst) {
      UninitializeKVWnd(ctrl->Handle(), true, false, held);
      ctrl->Perform(WM_USER + 8, 0, 0);  // the hook still passes on, through no freed wrapper
      EXPECT_EQ(hook.count, 2);
      EXPECT_EQ(sw->seen.size(), 1u);  // freed: seen no more
      ctrl->SetWindowProc(hook.old);
    } else {
      ctrl->SetWindowProc(hook.old);
      UninitializeKVWnd(ctrl->Handle(), true, false, held);
      EXPECT_TRUE(ctrl->WindowProc() == original);
    }
    ctrl->Perform(WM_USER + 9, 0, 0);
  }
  EXPECT_EQ(gDestroyedWrappers, 2);
  delete form;
}

TEST_F(Wrappers, ControlDestroyedWhileWrappedDetachesFirst) {
  TForm* form = nullptr;
  TCustomControl* ctrl = MakeControl(form);
  const TWndMethod original = ctrl->WindowProc();
  TRecordingWnd* sw = Wrap(ctrl->Handle(), ctrl);
  HWND h = ctrl->Handle();
  DestroyWindow(h);
  EXPECT_FALSE(sw->Attached());
  EXPECT_TRUE(sw->Destroyed);
  EXPECT_TRUE(ctrl->WindowProc() == original);
  sw->Free();
  delete form;
}

TEST_F(Wrappers, NoHandlesLeakOverManyAttachDetachCycles) {
  // Wine answers 0 to GetGuiResources: the trackers count what the program makes and frees.
  GdiTracker gdi;
  UserTracker user;
  ASSERT_TRUE(gdi.Active());
  const int windows = UserTracker::ThreadWindowCount();
  for (int i = 0; i < 1000; ++i) {
    TkvMainWnd* sw = Wrap(wnd);
    SendMessageW(wnd, WM_PRINT, 0, PRF_CLIENT);
    UninitializeKVWnd(wnd, true, false, sw);
  }
  EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), before);
  EXPECT_EQ(gdi.Live(), std::vector<std::string>{});
  EXPECT_EQ(user.Live(), std::vector<std::string>{});
  EXPECT_EQ(UserTracker::ThreadWindowCount(), windows);
  EXPECT_EQ(gDestroyedWrappers, 1000);
}

// The class of a wrapped window keeps its background brush: wrapping one window changes no
// other window of the class.
TEST_F(Wrappers, ClassBackgroundBrushIsLeftAlone) {
  const ULONG_PTR brush = GetClassLongPtrW(wnd, GCLP_HBRBACKGROUND);
  TRecordingWnd* sw = Wrap(wnd);
  sw->SetSkinParams();
  EXPECT_TRUE(sw->ParamsChanged);
  EXPECT_EQ(GetClassLongPtrW(wnd, GCLP_HBRBACKGROUND), brush);
  TkvMainWnd* held = sw;
  UninitializeKVWnd(wnd, true, false, held);
  EXPECT_EQ(GetClassLongPtrW(wnd, GCLP_HBRBACKGROUND), brush);
}

namespace {

// The visual-style switches handed to the system (off: " ", " "; back: no names), passed on.
struct ThemeCall {
  HWND wnd;
  bool off;
};
std::vector<ThemeCall> gThemeCalls;
TkvSetWindowTheme gSystemSetWindowTheme = nullptr;
long __stdcall RecordThemeCall(HWND wnd, const wchar_t* app, const wchar_t* list) {
  gThemeCalls.push_back({wnd, app != nullptr});
  return gSystemSetWindowTheme ? gSystemSetWindowTheme(wnd, app, list) : 0;
}

}  // namespace

// A wrapped window paints without its visual style; it gets the style back when its wrapper
// goes, except a list or tree view while the desktop is composed.
TEST_F(Wrappers, VisualStyleSwitchedOffWhileWrappedAndGivenBack) {
  SkinFixture skin;
  HMODULE lib = LoadLibraryW(L"uxtheme.dll");
  ASSERT_NE(lib, nullptr);
  gSystemSetWindowTheme =
      reinterpret_cast<TkvSetWindowTheme>(reinterpret_cast<void*>(GetProcAddress(lib, "SetWindowTheme")));
  const auto keepLib = SetForScope(uxthemeLib, lib);
  const auto keepSet = SetForScope(kv_SetWindowTheme, TkvSetWindowTheme(&RecordThemeCall));
  struct Case {
    Byte coc;
    Integer composed;
    bool back;
  } cases[] = {
      {0, 1, true}, {10, 0, true}, {10, 1, false}, {14, 0, true}, {14, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "class code " << int(c.coc) << " composed " << c.composed);
    const auto keepAero = SetForScope(iAeroStatus, c.composed);
    gThemeCalls.clear();
    TkvSkinParams params;
    auto* sw = TkvMainWnd::MakeWrapper<TRecordingWnd>(wnd, nullptr, &skin.Manager, params, false);
    ASSERT_EQ(gThemeCalls.size(), 1u);
    EXPECT_EQ(gThemeCalls[0].wnd, wnd);
    EXPECT_TRUE(gThemeCalls[0].off);
    sw->SkinData->COC = c.coc;
    sw->Free();
    EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), before);
    ASSERT_EQ(gThemeCalls.size(), c.back ? 2u : 1u);
    if (c.back) {
      EXPECT_EQ(gThemeCalls[1].wnd, wnd);
      EXPECT_FALSE(gThemeCalls[1].off);
    }
  }
  FreeLibrary(lib);
}

// Panels and up-downs keep their visual style, and so does any window wrapped for a dialog
// (the section "DIALOG" or the dialog mode).
TEST_F(Wrappers, PanelsUpDownsAndDialogWindowsKeepTheirVisualStyle) {
  SkinFixture skin;
  const auto keepLib = SetForScope(uxthemeLib, GetModuleHandleW(nullptr));
  const auto keepSet = SetForScope(kv_SetWindowTheme, TkvSetWindowTheme(&RecordThemeCall));
  gSystemSetWindowTheme = nullptr;
  using TMaker = std::function<TkvMainWnd*(TkvSkinParams&)>;
  auto maker = [&](auto* typeTag) -> TMaker {
    using W = std::remove_pointer_t<decltype(typeTag)>;
    return [&](TkvSkinParams& p) -> TkvMainWnd* {
      return TkvMainWnd::MakeWrapper<W>(wnd, nullptr, &skin.Manager, p, false);
    };
  };
  struct Case {
    const char* name;
    TMaker make;
    const char16_t* section;
    bool dlgMode;
    bool off;
  } cases[] = {
      {"plain", maker(static_cast<TRecordingWnd*>(nullptr)), u"", false, true},
      {"dialog section", maker(static_cast<TRecordingWnd*>(nullptr)), u"DIALOG", false, false},
      {"dialog mode", maker(static_cast<TRecordingWnd*>(nullptr)), u"", true, false},
      {"panel", maker(static_cast<TkvPanelWnd*>(nullptr)), u"", false, false},
      {"up-down", maker(static_cast<TkvSpinWnd*>(nullptr)), u"", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto mode = SetForScope(kvDlgMode, c.dlgMode);
    gThemeCalls.clear();
    TkvSkinParams params;
    params.SkinSection = c.section;
    TkvMainWnd* sw = c.make(params);
    EXPECT_EQ(gThemeCalls.size(), c.off ? 1u : 0u);
    sw->Free();
    EXPECT_EQ(GetWindowLongPtrW(wnd, GWLP_WNDPROC), before);
  }
}

// A scroll wrapper: its bars read the window's styles and scroll state, and the window finds it
// through "KVSBSC" until it goes.
TEST_F(Wrappers, ScrollWrapperFoundThroughTheWindowUntilItGoes) {
  HWND scrolled =
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VSCROLL, 0, 0, 80, 60, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(scrolled, nullptr);
  const LONG_PTR scrolledProc = GetWindowLongPtrW(scrolled, GWLP_WNDPROC);
  SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 999, 10, 40, 0};
  SetScrollInfo(scrolled, SB_VERT, &si, FALSE);
  EXPECT_FALSE(WndIsSkinned(scrolled));
  TkvSkinParams params;
  kvMinThumbSize = 12;
  auto* sw = TkvMainWnd::MakeWrapper<TkvScrollWnd>(scrolled, nullptr, nullptr, params, false);
  kvMinThumbSize = 16;
  EXPECT_EQ(Kv_GetScrollWndFromHwnd(scrolled), static_cast<TkvScrollWrapper*>(sw));
  EXPECT_EQ(TkvScrollWnd::FromHwnd(scrolled), sw);
  EXPECT_TRUE(WndIsSkinned(scrolled));
  ASSERT_NE(sw->sBarVert, nullptr);
  ASSERT_NE(sw->sBarHorz, nullptr);
  EXPECT_EQ(Kv_GetScrollBarFromHwnd(scrolled, SB_VERT), sw->sBarVert);
  EXPECT_EQ(Kv_GetScrollBarFromHwnd(scrolled, SB_HORZ), sw->sBarHorz);
  EXPECT_EQ(Kv_GetScrollBarFromHwnd(scrolled, SB_BOTH), nullptr);
  EXPECT_EQ(sw->sBarVert->fScrollFlags, CSBS_VISIBLE);
  EXPECT_EQ(sw->sBarHorz->fScrollFlags, 0);
  EXPECT_EQ(sw->sBarVert->nBarType, SB_VERT);
  EXPECT_EQ(sw->sBarVert->ScrollInfo.nMax, 999);
  EXPECT_EQ(sw->sBarVert->ScrollInfo.nPos, 40);
  EXPECT_EQ(sw->sBarVert->nMinThumbSize, 12);  // the global at attach time
  EXPECT_EQ(sw->cxLeftEdge, -1);
  EXPECT_FALSE(sw->fLeftScrollbar);
  EXPECT_TRUE(Kv_SetMinThumbSize(scrolled, SB_CTL, 30));  // names neither bar
  EXPECT_EQ(sw->sBarHorz->nMinThumbSize, 12);
  EXPECT_TRUE(Kv_SetMinThumbSize(scrolled, SB_BOTH, 30));
  EXPECT_EQ(sw->sBarHorz->nMinThumbSize, 30);
  EXPECT_EQ(sw->sBarVert->nMinThumbSize, 30);
  EXPECT_FALSE(Kv_SetMinThumbSize(wnd, SB_BOTH, 30));  // no scroll wrapper there
  TkvScrollWnd* held = sw;
  UninitializeKVScroll(scrolled, true, false, held);
  EXPECT_EQ(held, nullptr);
  EXPECT_EQ(Kv_GetScrollWndFromHwnd(scrolled), nullptr);
  EXPECT_FALSE(WndIsSkinned(scrolled));
  EXPECT_EQ(GetWindowLongPtrW(scrolled, GWLP_WNDPROC), scrolledProc);
  DestroyWindow(scrolled);
}

TEST_F(Wrappers, ScrollWrapperOfALeftScrollBarWindow) {
  HWND scrolled = CreateWindowExW(WS_EX_LEFTSCROLLBAR, L"STATIC", L"", WS_POPUP | WS_HSCROLL | WS_VSCROLL, 0, 0, 80, 60,
                                  nullptr, nullptr, nullptr, nullptr);
  TkvSkinParams params;
  auto* sw = TkvMainWnd::MakeWrapper<TkvScrollWnd>(scrolled, nullptr, nullptr, params, true);
  EXPECT_TRUE(sw->fLeftScrollbar);
  EXPECT_EQ(sw->sBarHorz->fScrollFlags, CSBS_VISIBLE);
  // The window goes while wrapped: the wrapper lets go and no window names it any more.
  DestroyWindow(scrolled);
  EXPECT_FALSE(sw->Attached());
  sw->Free();
  EXPECT_EQ(Kv_GetScrollWndFromHwnd(scrolled), nullptr);
}

// A control's own handler (here a hook installed before the wrapper) frees the wrapper while
// the wrapper's message is still on the stack.
TEST_F(Wrappers, ControlWrapperFreedInsideItsOwnMessage) {
  TForm* form = nullptr;
  TCustomControl* ctrl = MakeControl(form);
  struct TFreeingHook : TObject {
    void Proc(TMessage& m) {
      if (m.Msg == WM_USER + 5 && victim) {
        TkvMainWnd* sw = victim;
        victim = nullptr;
        UninitializeKVWnd(handle, true, false, sw);
        m.Result = 77;
        return;
      }
      old(m);
    }
    TWndMethod old;
    TkvMainWnd* victim = nullptr;
    HWND handle = nullptr;
  } hook;
  hook.old = ctrl->WindowProc();
  hook.handle = ctrl->Handle();
  const TWndMethod hookProc(&hook, &TFreeingHook::Proc);
  ctrl->SetWindowProc(hookProc);
  hook.victim = Wrap(ctrl->Handle(), ctrl);
  EXPECT_EQ(ctrl->Perform(WM_USER + 5, 0, 0), 77);
  EXPECT_EQ(gDestroyedWrappers, 1);
  EXPECT_EQ(gAfterPreviousAtDestruction, 77);
  EXPECT_TRUE(ctrl->WindowProc() == hookProc);  // the wrapper was on top: the hook is back
  ctrl->SetWindowProc(hook.old);
  delete form;
}
