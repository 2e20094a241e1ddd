// The skinned standard dialog where the system draws the frame, where its hit codes come from,
// how it keeps its outer border window in step with being shown, moved and activated, and the
// class and composition settings it makes when it is wrapped.
#include <vector>

#include "base/Composition.h"
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/sSkinProvider.h"
#include "skin/ControlServices.h"
#include "skin/sCommonData.h"
#include "skin/sSkinManager.h"
#include "support/DialogFixture.h"
#include "support/ImportHook.h"
#include "support/LayeredCalls.h"
#include "support/RedrawCalls.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

using namespace formskin;
using namespace dialogtest;
using layered::LayeredCalls;

namespace {

// Every composition attribute the program sets, recorded and handed to the bound function.
struct AttributeCall {
  HWND wnd;
  DWORD attribute;
  DWORD value;
};
std::vector<AttributeCall> gAttributes;
decltype(TkvDwmEntries::DwmSetWindowAttribute) gRealSetAttribute = nullptr;

HRESULT WINAPI RecordAttribute(HWND wnd, DWORD attribute, LPCVOID value, DWORD size) {
  gAttributes.push_back({wnd, attribute, size == 4 ? *static_cast<const DWORD*>(value) : 0xFFFFFFFFu});
  return gRealSetAttribute ? gRealSetAttribute(wnd, attribute, value, size) : S_OK;
}

// The transition attribute values the program set on wnd.
std::vector<DWORD> TransitionsOf(HWND wnd) {
  std::vector<DWORD> out;
  for (const AttributeCall& c : gAttributes)
    if (c.wnd == wnd && c.attribute == 3) out.push_back(c.value);  // DWMWA_TRANSITIONS_FORCEDISABLED
  return out;
}

class DialogSystemFrame : public DialogWrapper {
 protected:
  void TearDown() override {
    iAeroStatus = savedAero;
    kvWinMajorVer = savedMajor;
    kvWinMinorVer = savedMinor;
    if (dwmBound) kvDwm.DwmSetWindowAttribute = gRealSetAttribute;
    DialogWrapper::TearDown();
  }
  // Composition as Windows 7 has it, the window manager's attribute calls recorded.
  void ComposedWindows7() {
    InitDwmApi();
    if (!dwmBound) {
      gRealSetAttribute = kvDwm.DwmSetWindowAttribute;
      dwmBound = true;
    }
    kvDwm.DwmSetWindowAttribute = &RecordAttribute;
    gAttributes.clear();
    kvWinMajorVer = 6;
    kvWinMinorVer = 1;
    iAeroStatus = 1;
  }
  HWND MakeStyled(DWORD style, DWORD exStyle = 0, DLGPROC proc = &ClosingDialogProc) {
    DialogTemplate tmpl{};
    tmpl.t.style = style;
    tmpl.t.dwExtendedStyle = exStyle;
    tmpl.t.x = 30;
    tmpl.t.y = 30;
    tmpl.t.cx = 200;
    tmpl.t.cy = 90;
    dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, proc, 0);
    return dlg;
  }
  // The answer of the dialog's own class procedure, which the wrapper hands unanswered points to.
  LRESULT SystemHitTest(TPoint windowPoint) {
    const auto proc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(dlg, GCLP_WNDPROC));
    return CallWindowProcW(proc, dlg, WM_NCHITTEST, 0, ScreenParam(windowPoint));
  }
  // Shows the dialog and minimizes it; its wrapper, null when it has none or is not minimized.
  TkvDialogWnd* ShowMinimized() {
    ShowDialog();
    TkvDialogWnd* w = Wrapper();
    if (!w) return nullptr;
    ShowWindow(dlg, SW_MINIMIZE);
    Application->ProcessMessages();
    return IsIconic(dlg) ? w : nullptr;
  }
  static TPoint Centre(const TRect& r) { return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); }
  void CloseDialog() {
    if (dlg && IsWindow(dlg)) DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
  Integer savedAero = iAeroStatus;
  Byte savedMajor = kvWinMajorVer, savedMinor = kvWinMinorVer;
  bool dwmBound = false;
};

}  // namespace

// With the skin's frame drawing off, the dialog keeps its system menu and caption buttons, and no
// shadow window is made around it, neither when it shows nor on a new skin; with it on, the
// system menu is taken and the shadow window comes.
TEST_F(DialogSystemFrame, SystemDrawnFrameKeepsItsMenuAndGetsNoShadowWindow) {
  GiveShadow(*skin, TRect(5, 5, 5, 5));
  DuRiruZireziv& manager = skin->skin.Manager;
  for (const bool drawn : {false, true}) {
    SCOPED_TRACE(drawn);
    const auto frame = SetForScope(manager.Options.DrawNonClientArea, drawn);
    ASSERT_NE(MakeDialog(), nullptr);
    ShowDialog();
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ((GetWindowLongW(dlg, GWL_STYLE) & WS_SYSMENU) != 0, !drawn);
    EXPECT_EQ(w->BorderForm != nullptr, drawn);
    SendMessageW(dlg, SM_ALPHACMD, MAKEWPARAM(0, KV_SETNEWSKIN), LPARAM(&manager));
    EXPECT_EQ(w->BorderForm != nullptr, drawn);
    w->InitExBorders(true);
    EXPECT_EQ(w->BorderForm != nullptr, drawn);
    CloseDialog();
  }
}

namespace {
// Whether the dialog's skin data was marked updating when the dialog got WM_CREATE (-1: no wrapper yet).
// The dialog procedure is set only after the window is made: a message hook sees WM_CREATE.
Integer gUpdatingAtCreate = -1;
LRESULT CALLBACK UpdatingProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && m && m->message == WM_CREATE)
    if (TkvProvider* entry = FindFormInList(m->hwnd); entry && entry->DlgWnd)
      gUpdatingAtCreate = entry->DlgWnd->SkinData->FUpdating ? 1 : 0;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

// A new wrapper marks its skin data updating until the first paint, takes the class's saving of
// the screen under the dialog, and turns the system's transitions off only when it draws the frame.
TEST_F(DialogSystemFrame, WrappingSetsUpdatingClassStyleAndTransitions) {
  ComposedWindows7();
  DuRiruZireziv& manager = skin->skin.Manager;
  for (const bool drawn : {true, false}) {
    SCOPED_TRACE(drawn);
    const auto frame = SetForScope(manager.Options.DrawNonClientArea, drawn);
    // The class may have had the bit given back meanwhile: each wrapper takes it again.
    if (HWND probe = MakeDialog()) {
      SetClassLongPtrW(probe, GCL_STYLE, LONG_PTR(GetClassLongPtrW(probe, GCL_STYLE) | CS_SAVEBITS));
      CloseDialog();
    }
    gAttributes.clear();
    gUpdatingAtCreate = -1;
    const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &UpdatingProbeHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const HWND made = MakeDialog();
    UnhookWindowsHookEx(hook);
    ASSERT_NE(made, nullptr);
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetClassLongPtrW(dlg, GCL_STYLE) & CS_SAVEBITS, 0u);
    EXPECT_EQ(gUpdatingAtCreate, 1);
    w->SkinData->FUpdating = true;
    EXPECT_EQ(SendMessageW(dlg, SM_ALPHACMD, MAKEWPARAM(0, KV_PREPARING), 0), 1);
    ShowDialog();
    EXPECT_EQ(SendMessageW(dlg, SM_ALPHACMD, MAKEWPARAM(0, KV_PREPARING), 0), 0);
    // Once when wrapped, once when shown: always as the frame drawing says.
    const std::vector<DWORD> transitions = TransitionsOf(dlg);
    ASSERT_GE(transitions.size(), 2u);
    for (const DWORD value : transitions) EXPECT_EQ(value, drawn ? 1u : 0u);
    CloseDialog();
  }
}

// The border icons answer in their row only, each over its whole width (both edges included),
// counted from the right; the small icon answers the system menu; the rest of the row is the
// caption. The edge of a maximized dialog is not the dialog's.
TEST_F(DialogSystemFrame, HitCodesComeFromTheIconRow) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  ASSERT_NE(MakeStyled(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME,
                       WS_EX_CONTEXTHELP),
            nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  const TRect close = w->Icons[TkvDialogWnd::biClose].Rect, max = w->Icons[TkvDialogWnd::biMax].Rect;
  const TRect min = w->Icons[TkvDialogWnd::biMin].Rect, help = w->Icons[TkvDialogWnd::biHelp].Rect;
  ASSERT_FALSE(close.IsEmpty() || max.IsEmpty() || min.IsEmpty() || help.IsEmpty());
  const Integer row = (close.Top + close.Bottom) / 2;
  const Integer border = w->SysBorderWidth();
  struct Case {
    const char* what;
    TPoint p;
    Integer code;
  };
  const Case cases[] = {
      {"close, middle", TPoint(Centre(close).X, row), HTCLOSE},
      {"close, right edge", TPoint(close.Right, row), HTCLOSE},
      {"maximize, left edge", TPoint(max.Left, row), HTMAXBUTTON},
      {"minimize", TPoint(Centre(min).X, row), HTMINBUTTON},
      {"help", TPoint(Centre(help).X, row), HTHELP},
      {"title between icon and buttons", TPoint(help.Left - 3, row), HTCAPTION},
      {"small icon", TPoint(border + 1, row), HTSYSMENU},
      {"close, above the row", TPoint(Centre(close).X, close.Top - 1), 0},
      {"small icon, above the row", TPoint(border + 1, close.Top - 1), 0},
      {"client", TPoint(40, w->HeaderHeight() + 20), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(w->HTProcess(c.p, 0), c.code) << c.what;
  // The title is the system's to answer: the wrapper hands it on and shows no hot icon.
  SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(cases[0].p));
  EXPECT_EQ(w->CurrentHT, HTCLOSE);
  const TPoint title = cases[5].p;
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(title)), SystemHitTest(title));
  EXPECT_EQ(w->CurrentHT, 0);

  // Maximized, the outermost pixels let the mouse through and drop the hot icon. (The state bit
  // alone: the display server of the tests need not let a window be maximized.)
  SetWindowLongW(dlg, GWL_STYLE, GetWindowLongW(dlg, GWL_STYLE) | WS_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(dlg));
  w->SkinData->BGChanged = true;
  w->PaintAll();
  const TRect zoomedClose = w->Icons[TkvDialogWnd::biClose].Rect;
  SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(Centre(zoomedClose)));
  EXPECT_EQ(w->CurrentHT, HTCLOSE);
  RECT wr{};
  GetWindowRect(dlg, &wr);
  const Integer width = wr.right - wr.left, height = wr.bottom - wr.top;
  for (const TPoint edge : {TPoint(1, height / 2), TPoint(width - 3, height / 2), TPoint(width / 2, height - 3)}) {
    EXPECT_EQ(w->HTProcess(edge, 0), -1);
    EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(edge)), LRESULT(-1));
  }
  EXPECT_EQ(w->CurrentHT, 0);
  // Inside the edge the answer is the one so far.
  EXPECT_EQ(w->HTProcess(TPoint(width / 2, height - 5), 7), 7);
}

// A minimized dialog's minimize icon restores it, whichever place it takes among the icons; a
// close icon of a class without closing answers nowhere.
TEST_F(DialogSystemFrame, MinimizedAndUnclosableIconsAnswerAsTheyAct) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  ASSERT_NE(MakeDialog(), nullptr);  // close and minimize icons, no maximize icon
  TkvDialogWnd* w = ShowMinimized();
  ASSERT_NE(w, nullptr);
  const TRect min = w->Icons[TkvDialogWnd::biMin].Rect;
  ASSERT_FALSE(min.IsEmpty());
  EXPECT_EQ(w->HTProcess(Centre(min), 0), HTMINBUTTON);
  ShowWindow(dlg, SW_RESTORE);
  Application->ProcessMessages();

  const ULONG_PTR style = GetClassLongPtrW(dlg, GCL_STYLE);
  SetClassLongPtrW(dlg, GCL_STYLE, LONG_PTR(style | CS_NOCLOSE));
  const TScopeExit back([&] { SetClassLongPtrW(dlg, GCL_STYLE, LONG_PTR(style)); });
  const TRect close = w->Icons[TkvDialogWnd::biClose].Rect;
  const TPoint centre = Centre(close);
  EXPECT_EQ(w->HTProcess(centre, 0), HTNOWHERE);
  // The system answers for the disabled icon, which does not become hot.
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(centre)), SystemHitTest(centre));
  EXPECT_EQ(w->CurrentHT, 0);
}

// A border window that exists but is hidden is shown by the next frame paint: without
// composition without a new picture, under composition with one, the dialog brought to the front.
TEST_F(DialogSystemFrame, HiddenBorderWindowIsShownByTheFramePaint) {
  GiveShadow(*skin, TRect(5, 5, 5, 5));
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const HWND bw = w->BorderForm->LayeredWindow();
  {
    ShowWindow(bw, SW_HIDE);
    LayeredCalls rec;
    w->SkinData->BGChanged = false;
    iAeroStatus = 0;  // the system's own answer differs between systems
    SendMessageW(dlg, WM_NCPAINT, 1, 0);
    EXPECT_TRUE(IsWindowVisible(bw));
    EXPECT_TRUE(LayeredCalls::UpdatesOf(bw).empty());
  }
  {
    ComposedWindows7();
    // Another window is in front when the frame is painted.
    const HWND other =
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 30, 30, nullptr, nullptr, nullptr, nullptr);
    const TScopeExit drop([&] { DestroyWindow(other); });
    SetForegroundWindow(other);
    Application->ProcessMessages();
    ASSERT_NE(GetForegroundWindow(), dlg);
    ShowWindow(bw, SW_HIDE);
    LayeredCalls rec;
    w->SkinData->BGChanged = false;
    SendMessageW(dlg, WM_NCPAINT, 1, 0);
    EXPECT_TRUE(IsWindowVisible(bw));
    EXPECT_FALSE(LayeredCalls::UpdatesOf(bw).empty());
    EXPECT_EQ(GetForegroundWindow(), dlg);
    EXPECT_EQ(GetActiveWindow(), dlg);
  }
}

// A hidden dialog's frame paint is the default one: its region waits for it to be shown.
TEST_F(DialogSystemFrame, HiddenDialogsFramePaintLeavesTheRegion) {
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  for (const bool shown : {false, true}) {
    SCOPED_TRACE(shown);
    ShowWindow(dlg, shown ? SW_SHOWNA : SW_HIDE);
    Application->ProcessMessages();
    w->RgnChanged = true;
    SendMessageW(dlg, WM_NCPAINT, 1, 0);
    EXPECT_EQ(w->RgnChanged, !shown);
  }
}

// Moves of the dialog take the border window along, except while the skin data is updating or a
// blended drag moves the border window itself; a hide asks for the region anew.
TEST_F(DialogSystemFrame, BorderWindowFollowsMovesUnlessUpdatingOrDragged) {
  GiveShadow(*skin, TRect(6, 4, 6, 8));
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const HWND bw = w->BorderForm->LayeredWindow();
  const auto borderLeft = [&] {
    RECT r{};
    GetWindowRect(bw, &r);
    return Integer(r.left);
  };
  const auto dialogLeft = [&] {
    RECT r{};
    GetWindowRect(dlg, &r);
    return Integer(r.left);
  };
  struct Case {
    const char* what;
    bool updating;
    Cardinal state;
    bool follows;
  };
  const Case cases[] = {
      {"updating", true, 0, false},
      {"blend-moving", false, DLG_BLENDMOVING, false},
      {"plain", false, 0, true},
  };
  Integer x = 60;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Integer before = borderLeft();
    w->SkinData->FUpdating = c.updating;
    w->FormState = c.state;
    x += 15;
    SetWindowPos(dlg, nullptr, x, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    w->SkinData->FUpdating = false;
    w->FormState = 0;
    if (c.follows)
      EXPECT_EQ(borderLeft(), dialogLeft() - w->BorderForm->OffsetX());
    else
      EXPECT_EQ(borderLeft(), before);
  }
  CloseDialog();
  // Without a border window too: the hidden dialog shows with a fresh region.
  skin->skin.Manager.SetExtendedBorders(false);
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  w = Wrapper();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->BorderForm, nullptr);
  w->RgnChanged = false;
  ShowWindow(dlg, SW_HIDE);
  EXPECT_TRUE(w->RgnChanged);
}

// Activation redraws frame and children without erasing the client.
TEST_F(DialogSystemFrame, ActivationRedrawsWithoutErasing) {
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  ASSERT_NE(Wrapper(), nullptr);
  for (const BOOL active : {FALSE, TRUE}) {
    SCOPED_TRACE(active);
    redraws::RedrawCalls rec;
    SendMessageW(dlg, WM_NCACTIVATE, active, 0);
    EXPECT_TRUE(redraws::RedrawCalls::Seen(dlg, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN));
    for (const auto& [wnd, flags] : redraws::calls)
      if (wnd == dlg) { EXPECT_EQ(flags & RDW_ERASE, 0u) << std::hex << flags; }
  }
}

// A dialog hosting the shell's item view while common dialogs are not skinned gives its controls
// no wrappers on erasing or on a new default button.
TEST_F(DialogSystemFrame, ShellViewDialogGivesItsControlsNoWrappers) {
  const ProbeWindowClass view(L"duiviewwndclassname", &DefWindowProcW);
  const auto common = SetForScope(kvTryToSkinCommonDialogs, false);
  for (const bool withView : {true, false}) {
    SCOPED_TRACE(withView);
    ASSERT_NE(MakeDialog(), nullptr);
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    if (withView) {
      ASSERT_NE(
          CreateWindowExW(0, view.Name(), L"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, dlg, nullptr, nullptr, nullptr),
          nullptr);
    }
    const HWND button = CreateWindowExW(0, L"BUTTON", L"Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 30, 10, 60, 22, dlg,
                                        HMENU(IDOK), nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    const HDC dc = GetDC(dlg);
    SendMessageW(dlg, WM_ERASEBKGND, WPARAM(dc), 0);
    ReleaseDC(dlg, dc);
    EXPECT_EQ(WndIsSkinned(button), !withView);
    EXPECT_EQ(w->Initialized, !withView);
    const HWND later = CreateWindowExW(0, L"BUTTON", L"Later", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 30, 40, 60, 22,
                                       dlg, HMENU(IDCANCEL), nullptr, nullptr);
    SendMessageW(dlg, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_EQ(WndIsSkinned(later), !withView);
    CloseDialog();
  }
}

// The colour request of old 16-bit windows gets the skin's edit colours like the others.
TEST_F(DialogSystemFrame, OldColourRequestTakesTheSkinsEditColours) {
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  ASSERT_NE(Wrapper(), nullptr);
  DuRiruZireziv& manager = skin->skin.Manager;
  const auto text = SetForScope(manager.Palette[pcEditText], TColor(0x00103050));
  const auto back = SetForScope(manager.Palette[pcEditBG], TColor(0x00E0D0C0));
  const TOwnedBrush editBrush(CreateSolidBrush(0x00E0D0C0));
  const auto brushSlot = SetForScope(manager.Brushes.Handles[pcEditBG], static_cast<HBRUSH>(editBrush.get()), nullptr);
  const HDC dc = GetDC(dlg);
  const TScopeExit release([&] { ReleaseDC(dlg, dc); });
  SetTextColor(dc, 0x010203);
  const LRESULT brush = SendMessageW(dlg, 0x0019, WPARAM(dc), LPARAM(dlg));
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(manager.Brushes.Handles[pcEditBG]));
  EXPECT_NE(brush, 0);
  EXPECT_EQ(GetTextColor(dc), COLORREF(manager.Palette[pcEditText] & 0xFFFFFF));
  EXPECT_EQ(GetBkColor(dc), COLORREF(manager.Palette[pcEditBG] & 0xFFFFFF));
}

namespace {
// The z-order steps the program asks for: window, the window it goes after, flags.
struct ZCall {
  HWND wnd;
  HWND after;
  UINT flags;
};
std::vector<ZCall> gZCalls;
ImportHook* gSetWindowPosHook = nullptr;
BOOL WINAPI RecordSetWindowPos(HWND wnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  if (!(flags & SWP_NOZORDER)) gZCalls.push_back({wnd, after, flags});
  return gSetWindowPosHook->Original<decltype(&SetWindowPos)>()(wnd, after, x, y, cx, cy, flags);
}
// The index of the first recorded step that puts wnd after `after`, from `from` on; -1 for none.
Integer ZStep(HWND wnd, HWND after, Integer from = 0) {
  for (Integer i = from; i < Integer(gZCalls.size()); ++i)
    if (gZCalls[size_t(i)].wnd == wnd && gZCalls[size_t(i)].after == after) return i;
  return -1;
}

struct BlurCall {
  HWND wnd;
  BOOL enable;
};
std::vector<BlurCall> gBlurs;
decltype(TkvDwmEntries::DwmEnableBlurBehindWindow) gRealBlur = nullptr;
HRESULT WINAPI RecordBlur(HWND wnd, const TkvDwmBlurBehind* bb) {
  gBlurs.push_back({wnd, bb->fEnable});
  return gRealBlur ? gRealBlur(wnd, bb) : S_OK;
}
}  // namespace

// A blended drag starts with the border window showing the whole picture (the client copied in
// from the dialog), the dialog just below it; at the drop the border window comes to the front
// while the dialog paints, and then goes just below the dialog with its hole again.
TEST_F(DialogSystemFrame, BlendedDragWithABorderWindowKeepsTheZOrderSteps) {
  const TRect shadow(6, 5, 7, 8);
  GiveShadow(*skin, shadow);
  DuRiruZireziv& manager = skin->skin.Manager;
  const auto active = SetForScope(manager.AnimEffects.BlendOnMoving.Active, true);
  const auto value = SetForScope(manager.AnimEffects.BlendOnMoving.BlendValue, Byte(170));
  ASSERT_NE(MakeDialog(), nullptr);
  ASSERT_NE(CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BLACKRECT, 5, 5, 80, 20, dlg, nullptr,
                            nullptr, nullptr),
            nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const HWND bw = w->BorderForm->LayeredWindow();
  const TPoint o = ClientOrigin(dlg);
  const TColor rectangle = At(o.X + 20, o.Y + 12);  // the child as the dialog shows it
  ASSERT_NE(rectangle, kDialogClient);
  ImportHook hook("user32.dll", "SetWindowPos", &RecordSetWindowPos);
  const auto hookSlot = SetForScope(gSetWindowPosHook, &hook, nullptr);
  gZCalls.clear();
  {
    LayeredCalls rec;
    StartBlendOnMovingDlg(w, false);
    ASSERT_TRUE(w->FormState & DLG_BLENDMOVING);
    EXPECT_EQ(GetWindow(bw, GW_HWNDNEXT), dlg);
    EXPECT_NE(ZStep(dlg, bw), -1);
    EXPECT_TRUE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_LAYERED);
    const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(bw, rgn.get()), ERROR);  // the whole picture, no hole
    const auto shown = LayeredCalls::UpdatesOf(bw);
    ASSERT_FALSE(shown.empty());
    const TPoint client = w->ClientOffset();
    EXPECT_EQ(ColorOfPixel(shown.back().At(client.X + 20, client.Y + 12)), rectangle);  // copied in
  }
  gZCalls.clear();
  FinishBlendOnMovingDlg(w);
  const Integer front = ZStep(bw, HWND_TOP);
  ASSERT_NE(front, -1);
  EXPECT_NE(ZStep(bw, dlg, front + 1), -1);
  EXPECT_EQ(GetWindow(dlg, GW_HWNDNEXT), bw);
  EXPECT_FALSE(w->FormState & DLG_BLENDMOVING);
  EXPECT_FALSE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_LAYERED);
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetWindowRgn(bw, rgn.get()), ERROR);
  const TPoint client = w->ClientOffset();
  EXPECT_FALSE(PtInRegion(rgn.get(), client.X + 20, client.Y + 12));
}

// The border window of a topmost dialog is topmost too; another lies right behind its dialog.
TEST_F(DialogSystemFrame, TopmostDialogsBorderWindowIsTopmost) {
  GiveShadow(*skin, TRect(5, 5, 5, 5));
  for (const bool topmost : {true, false}) {
    SCOPED_TRACE(topmost);
    ASSERT_NE(MakeStyled(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, topmost ? WS_EX_TOPMOST : 0), nullptr);
    TkvDialogWnd* w = ShowWithOuterBorder();
    ASSERT_NE(w, nullptr);
    const HWND bw = w->BorderForm->LayeredWindow();
    ImportHook hook("user32.dll", "SetWindowPos", &RecordSetWindowPos);
    const auto hookSlot = SetForScope(gSetWindowPosHook, &hook, nullptr);
    gZCalls.clear();
    w->BorderForm->UpdateExBordersPos(true, 255);
    EXPECT_NE(ZStep(bw, topmost ? HWND_TOPMOST : dlg), -1);
    EXPECT_EQ(ZStep(bw, topmost ? dlg : HWND_TOPMOST), -1);
    EXPECT_EQ((GetWindowLongW(bw, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, topmost);
    CloseDialog();
  }
}

// Under composition the border window gets the blur behind it when the manager allows it and the
// skin asks for it, and has it switched off otherwise.
TEST_F(DialogSystemFrame, BorderWindowBlurFollowsTheManagerAndTheSkin) {
  GiveShadow(*skin, TRect(5, 5, 5, 5));
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const HWND bw = w->BorderForm->LayeredWindow();
  ComposedWindows7();
  gRealBlur = kvDwm.DwmEnableBlurBehindWindow;
  const TScopeExit unbind([] { kvDwm.DwmEnableBlurBehindWindow = gRealBlur; });
  kvDwm.DwmEnableBlurBehindWindow = &RecordBlur;
  DuRiruZireziv& manager = skin->skin.Manager;
  struct Case {
    bool allowed, asked, blurred;
  } cases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.allowed << c.asked);
    const auto allow = SetForScope(manager.Effects.AllowAeroBluring, c.allowed);
    const auto ask = SetForScope(manager.SkinCommonInfo.UseAeroBluring, c.asked);
    gBlurs.clear();
    w->BorderForm->UpdateExBordersPos(true, 255);
    ASSERT_EQ(gBlurs.size(), 1u);
    EXPECT_EQ(gBlurs[0].wnd, bw);
    EXPECT_EQ(gBlurs[0].enable != FALSE, c.blurred);
  }
}

// A minimized dialog shows its maximize icon in the disabled look when its frame cannot be
// maximized, in the normal look when it can.
TEST_F(DialogSystemFrame, MinimizedDialogsMaximizeIconLooksAsItActs) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  struct Case {
    const char* what;
    DWORD frame;
    bool enabled;
  } cases[] = {{"dialog frame", DS_MODALFRAME, false}, {"sizing frame", WS_THICKFRAME, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NE(MakeStyled(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | c.frame), nullptr);
    TkvDialogWnd* w = ShowMinimized();
    ASSERT_NE(w, nullptr);
    w->SkinData->BGChanged = true;
    w->PaintAll();
    const TRect& max = w->Icons[TkvDialogWnd::biMax].Rect;
    ASSERT_FALSE(max.IsEmpty());
    const TPoint at = Centre(max);
    const uint32_t drawn = w->SkinData->FCacheBmp->View().At(at.X, at.Y);
    EXPECT_EQ(drawn == GlyphPixel(1, 0), c.enabled) << std::hex << drawn;
    CloseDialog();
  }
}

// With a skin that centres its extended title lower (drawing mode 1), the border icons and the
// small icon's place move down by its offset, whether the frame is drawn in full or as a shadow.
TEST_F(DialogSystemFrame, ExtendedTitleOffsetMovesTheIconsInEitherBorderMode) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  GiveShadow(*skin, TRect(5, 5, 5, 5));
  DuRiruZireziv& manager = skin->skin.Manager;
  TkvSkinData& data = *skin->skin.Data;
  const auto mode = SetForScope(data.ExDrawMode, Integer(1));
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const TkvExtBordersMode before = manager.ExtBordersMode();
  const TScopeExit back([&] { manager.SetExtBordersMode(before); });
  manager.SetExtBordersMode(ebmShadow);
  const auto place = [&](Integer offs) {
    data.ExCenterOffs = offs;
    w->SkinData->BGChanged = true;
    w->PaintAll();
    return std::make_pair(w->Icons[TkvDialogWnd::biClose].Rect.Top, w->IconRect().Top);
  };
  const auto plain = place(0);
  const auto moved = place(5);
  data.ExCenterOffs = 0;
  EXPECT_EQ(moved.first, plain.first + 5);
  EXPECT_EQ(moved.second, plain.second + 5);
}

// The caption takes its look from the skin's dialog title section: a skin without one (and
// without a caption plate) gets no caption written.
TEST_F(DialogSystemFrame, CaptionIsWrittenOnlyWithATitleLook) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  for (const bool withTitle : {false, true}) {
    SCOPED_TRACE(withTitle);
    skin->skin.Manager.SkinCommonInfo.Sections[ssDialogTitle] = withTitle ? AddDialogTitle() : -1;
    skin->skin.Manager.SkinCommonInfo.Sections[ssCaption] = -1;
    ASSERT_NE(MakeDialog(), nullptr);
    SetWindowTextW(dlg, L"WHWHW");
    ShowDialog();
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    w->SkinData->BGChanged = true;
    w->PaintAll();
    const TPixelView picture = w->SkinData->FCacheBmp->View();
    const Integer left = w->SysBorderWidth() + GetSystemMetrics(SM_CXSMICON) + 4;
    const Integer right = w->Icons[TkvDialogWnd::biMin].Rect.Left;
    Integer ink = 0;
    for (Integer y = kBorder; y < w->HeaderHeight(); ++y)
      for (Integer x = left; x < right; ++x)
        if ((picture.At(x, y) & 0xFFFFFF) == 0) ++ink;  // the title's black text
    if (withTitle)
      EXPECT_GT(ink, 10);
    else
      EXPECT_EQ(ink, 0);
    CloseDialog();
  }
}

namespace {
// Glow services that only count how often every glow is cleared.
class GlowClearCounter : public TkvGlowServices {
 public:
  void ClearGlows(bool, bool skipCircles) override {
    ++clears;
    circlesKept = skipCircles;
  }
  void AnimShowControl(TWinControl*, Word, Integer, TkvAnimTypeCtrl) override {}
  void HideGlow(Integer& glowID, bool) override { glowID = -1; }
  void HideCircle(Integer& circleID) override { circleID = -1; }
  Integer ShowGlow(const TRect&, const String&, TsCommonData*, void*, Integer, Integer) override { return -1; }
  void FadeGlowIn(TsCommonData*) override {}
  Integer clears = 0;
  bool circlesKept = false;
};
}  // namespace

// A freed dialog wrapper takes the glow layers with it (the light circles stay).
TEST_F(DialogSystemFrame, FreedWrapperClearsTheGlows) {
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  w->Uninit();
  GlowClearCounter counter;
  TkvGlowServices* const before = TkvServiceSlot<TkvGlowServices>::Get();
  TkvServiceSlot<TkvGlowServices>::Set(&counter);
  const TScopeExit back([&] { TkvServiceSlot<TkvGlowServices>::Set(before); });
  CleanSupportedList();  // frees the wrapper that let go of its dialog
  ASSERT_EQ(FindFormInList(dlg), nullptr);
  EXPECT_EQ(counter.clears, 1);
  EXPECT_TRUE(counter.circlesKept);
}
