// The wrapper of an ownerless standard dialog: the thread hook gives it to a "#32770" dialog
// made without an owner; the frame and the border icons come from the skin, a release executes
// an icon only over the icon that was pressed, and closed dialogs leave neither wrappers nor
// handles behind.
#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "forms/sSkinProvider.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "support/FormFixture.h"
#include "support/FormSkin.h"
#include "support/WindowProbes.h"
#include "ui/ExtCtrls.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsMenu.h"
#include "wrappers/kvSBUtilsPanels.h"

using namespace formskin;

namespace {

// TColor of a 0xAARRGGBB skin pixel.
TColor ColorOfPixel(uint32_t argb) {
  return TColor((argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16);
}

Integer gNcDestroys = 0;

INT_PTR CALLBACK ClosingDialogProc(HWND wnd, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_CLOSE) {
    DestroyWindow(wnd);
    return TRUE;
  }
  if (msg == WM_NCDESTROY) ++gNcDestroys;
  return FALSE;
}

struct DialogTemplate {
  DLGTEMPLATE t;
  WORD menu, cls, title;
};

class DialogWrapper : public SkinnedForm {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SkinnedForm::SetUp());
    kvDialsStartup();
    skin->skin.Manager.InstallHook();
  }
  void TearDown() override {
    if (dlg && IsWindow(dlg)) DestroyWindow(dlg);
    skin->skin.Manager.UnInstallHook();
    kvDialsCleanup();
    SkinnedForm::TearDown();
  }
  // An ownerless dialog with a caption, the close box and a minimize box.
  HWND MakeDialog() {
    DialogTemplate tmpl{};
    tmpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;
    tmpl.t.x = 40;
    tmpl.t.y = 40;
    tmpl.t.cx = 160;
    tmpl.t.cy = 80;
    dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, &ClosingDialogProc, 0);
    return dlg;
  }
  // An ownerless dialog with a caption and the close box, run by proc.
  HWND MakeDialogWithProc(DLGPROC proc) {
    DialogTemplate tmpl{};
    tmpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    tmpl.t.cx = 160;
    tmpl.t.cy = 80;
    dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, proc, 0);
    return dlg;
  }
  void ShowDialog() {
    ShowWindow(dlg, SW_SHOW);
    SetForegroundWindow(dlg);
    UpdateWindow(dlg);
    Application->ProcessMessages();
  }
  TkvDialogWnd* Wrapper() {
    TkvProvider* entry = FindFormInList(dlg);
    return entry ? entry->DlgWnd.get() : nullptr;
  }
  std::unique_ptr<TBitmap> Shot() {
    RECT w{};
    GetWindowRect(dlg, &w);
    auto bmp = std::make_unique<TBitmap>(w.right - w.left, w.bottom - w.top, pf32bit);
    HDC dc = GetWindowDC(dlg);
    BitBlt(bmp->Canvas()->Handle(), 0, 0, bmp->Width(), bmp->Height(), dc, 0, 0, SRCCOPY);
    ReleaseDC(dlg, dc);
    return bmp;
  }
  TColor At(Integer x, Integer y) { return Shot()->PixelColor(x, y) & 0xFFFFFF; }
  // The centre of a border icon, in window and in screen coordinates.
  TPoint IconCentre(TkvDialogWnd::TIcon icon) {
    const TRect& r = Wrapper()->Icons[icon].Rect;
    return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  LPARAM ScreenParam(TPoint windowPoint) {
    RECT w{};
    GetWindowRect(dlg, &w);
    return MAKELPARAM(windowPoint.X + w.left, windowPoint.Y + w.top);
  }
  // Three warm-up cycles, then rounds more leave at most two GDI and USER handles behind.
  template <class F>
  void ExpectNoHandlesLeft(F cycle, int rounds) {
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(cycle());
    CleanSupportedList();
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int i = 0; i < rounds; ++i) ASSERT_TRUE(cycle());
    CleanSupportedList();
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi + 2);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user + 2);
  }
  HWND dlg = nullptr;
};

}  // namespace

TEST_F(DialogWrapper, OwnerlessDialogIsSkinnedWithFrameAndBorderIcons) {
  ASSERT_NE(MakeDialog(), nullptr);
  ASSERT_NE(Wrapper(), nullptr) << "the hook gave the ownerless dialog no wrapper";
  EXPECT_TRUE(WndIsSkinned(dlg));
  EXPECT_EQ(FindFormInList(dlg)->DialogWindow(), dlg);
  ShowDialog();
  auto shot = Shot();
  RECT c{};
  GetClientRect(dlg, &c);
  POINT mid{c.right / 2, c.bottom / 2};
  MapWindowPoints(dlg, nullptr, &mid, 1);
  RECT w{};
  GetWindowRect(dlg, &w);
  // Borders from the skin's border image, the client in the section's colour.
  EXPECT_EQ(shot->PixelColor(1, shot->Height() / 2) & 0xFFFFFF, ColorOfPixel(kBorderPixel));
  EXPECT_EQ(shot->PixelColor(shot->Width() - 2, shot->Height() / 2) & 0xFFFFFF, ColorOfPixel(kBorderPixel));
  EXPECT_EQ(shot->PixelColor(shot->Width() / 2, shot->Height() - 2) & 0xFFFFFF, ColorOfPixel(kBorderPixel));
  EXPECT_EQ(shot->PixelColor(mid.x - w.left, mid.y - w.top) & 0xFFFFFF, kDialogClient);
  // The close and minimize icons in their normal look, close at the right; no maximize icon.
  const TkvDialogWnd* wrapper = Wrapper();
  ASSERT_FALSE(wrapper->Icons[TkvDialogWnd::biClose].Rect.IsEmpty());
  ASSERT_FALSE(wrapper->Icons[TkvDialogWnd::biMin].Rect.IsEmpty());
  EXPECT_TRUE(wrapper->Icons[TkvDialogWnd::biMax].Rect.IsEmpty());
  EXPECT_LE(wrapper->Icons[TkvDialogWnd::biMin].Rect.Right, wrapper->Icons[TkvDialogWnd::biClose].Rect.Left);
  const TPoint close = IconCentre(TkvDialogWnd::biClose);
  const TPoint minimize = IconCentre(TkvDialogWnd::biMin);
  EXPECT_EQ(shot->PixelColor(close.X, close.Y) & 0xFFFFFF, ColorOfPixel(GlyphPixel(0, 0)));
  EXPECT_EQ(shot->PixelColor(minimize.X, minimize.Y) & 0xFFFFFF, ColorOfPixel(GlyphPixel(2, 0)));
  // Hovering makes the close icon hot; the hit code is the wrapper's own.
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(close)), HTCLOSE);
  EXPECT_EQ(At(close.X, close.Y), ColorOfPixel(GlyphPixel(0, 1)));
  EXPECT_EQ(At(minimize.X, minimize.Y), ColorOfPixel(GlyphPixel(2, 0)));
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(minimize)), HTMINBUTTON);
  EXPECT_EQ(At(close.X, close.Y), ColorOfPixel(GlyphPixel(0, 0)));
}

// WM_LBUTTONUP carries key flags in wParam: Shift with the middle button (0x14) has the value
// of HTCLOSE, Ctrl (0x08) that of HTMINBUTTON. A release away from the pressed icon acts on
// nothing, whatever the flags say.
TEST_F(DialogWrapper, ReleaseAwayFromThePressedIconDoesNothing) {
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  ASSERT_NE(Wrapper(), nullptr);
  struct Case {
    TkvDialogWnd::TIcon pressed;
    Integer hit;
    WPARAM keyFlags;
  };
  const Case cases[] = {{TkvDialogWnd::biClose, HTCLOSE, MK_SHIFT | MK_MBUTTON},
                        {TkvDialogWnd::biMin, HTMINBUTTON, MK_CONTROL}};
  for (const Case& c : cases) {
    const TPoint icon = IconCentre(c.pressed);
    SendMessageW(dlg, WM_NCLBUTTONDOWN, WPARAM(c.hit), ScreenParam(icon));
    const Integer row = c.pressed == TkvDialogWnd::biClose ? 0 : 2;
    EXPECT_EQ(At(icon.X, icon.Y), ColorOfPixel(GlyphPixel(row, 2))) << "pressed look";
    SendMessageW(dlg, WM_LBUTTONUP, c.keyFlags, MAKELPARAM(10, 10));
    Application->ProcessMessages();
    ASSERT_TRUE(IsWindow(dlg));
    EXPECT_FALSE(IsIconic(dlg));
    EXPECT_EQ(At(icon.X, icon.Y), ColorOfPixel(GlyphPixel(row, 0))) << "back to normal";
  }
  // Pressed on close, released over minimize: neither acts.
  SendMessageW(dlg, WM_NCLBUTTONDOWN, HTCLOSE, ScreenParam(IconCentre(TkvDialogWnd::biClose)));
  SendMessageW(dlg, WM_NCLBUTTONUP, HTMINBUTTON, ScreenParam(IconCentre(TkvDialogWnd::biMin)));
  Application->ProcessMessages();
  ASSERT_TRUE(IsWindow(dlg));
  EXPECT_FALSE(IsIconic(dlg));
  // Released over the pressed close icon: the dialog closes, and its entry goes at the next clean.
  SendMessageW(dlg, WM_NCLBUTTONDOWN, HTCLOSE, ScreenParam(IconCentre(TkvDialogWnd::biClose)));
  SendMessageW(dlg, WM_NCLBUTTONUP, HTCLOSE, ScreenParam(IconCentre(TkvDialogWnd::biClose)));
  Application->ProcessMessages();
  EXPECT_FALSE(IsWindow(dlg));
  CleanSupportedList();
  EXPECT_EQ(FindFormInList(dlg), nullptr);
}

// A wrapper that let go of its dialog answers WM_NCDESTROY as the default procedure does
// instead of sending it to the window again.
TEST_F(DialogWrapper, NcDestroyWithoutSavedProcedureIsNotSentAgain) {
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* wrapper = Wrapper();
  ASSERT_NE(wrapper, nullptr);
  wrapper->Uninit();
  ASSERT_FALSE(wrapper->Attached());
  EXPECT_FALSE(WndIsSkinned(dlg));
  gNcDestroys = 0;
  EXPECT_EQ(wrapper->ProcessMessage(WM_NCDESTROY, 0, 0), 0);
  EXPECT_EQ(gNcDestroys, 0);
  // The real destruction still reaches the dialog once, and the detached entry is cleaned.
  DestroyWindow(dlg);
  EXPECT_EQ(gNcDestroys, 1);
  CleanSupportedList();
  EXPECT_EQ(FindFormInList(dlg), nullptr);
  for (const auto& e : *kvSupportedList) EXPECT_NE(e, nullptr);
}

// Dialogs skinned and closed one after another leave no wrapper, GDI or USER handle behind.
TEST_F(DialogWrapper, NoHandleLeakedOverDialogCycles) {
  auto cycle = [this] {
    if (!MakeDialog()) return false;
    ShowDialog();
    const bool skinned = Wrapper() != nullptr;
    SendMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    Application->ProcessMessages();
    return skinned && !IsWindow(dlg);
  };
  ExpectNoHandlesLeft(cycle, 100);
  for (const auto& e : *kvSupportedList) EXPECT_FALSE(e && e->DialogWindow());
}

namespace {
// What the timer saw of a system message box while it was up.
struct SystemBoxProbe {
  HWND box = nullptr;
  bool wrapped = false;
  bool buttonWrapped = false;
  TColor leftBorder = 0;
};
SystemBoxProbe* gBoxProbe = nullptr;

void CALLBACK ReadAndAnswerSystemBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = GetActiveWindow();
  if (!gBoxProbe || !box || GetWndClassName(box) != u"#32770") return;
  KillTimer(nullptr, id);
  gBoxProbe->box = box;
  TkvProvider* entry = FindFormInList(box);
  gBoxProbe->wrapped = entry && entry->DialogWindow() == box;
  gBoxProbe->buttonWrapped = WndIsSkinned(GetDlgItem(box, IDOK));
  RECT w{};
  GetWindowRect(box, &w);
  HDC dc = GetWindowDC(box);
  TBitmap bmp(1, 1, pf32bit);
  BitBlt(bmp.Canvas()->Handle(), 0, 0, 1, 1, dc, 1, (w.bottom - w.top) / 2, SRCCOPY);
  ReleaseDC(box, dc);
  gBoxProbe->leftBorder = bmp.PixelColor(0, 0) & 0xFFFFFF;
  PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(box, WM_KEYUP, VK_RETURN, 0);
}
}  // namespace

// The system's own message box, shown without a class-library form, is skinned while it is up.
TEST_F(DialogWrapper, SystemMessageBoxWithoutOwnerIsSkinned) {
  SystemBoxProbe probe;
  const auto clear = SetForScope(gBoxProbe, &probe, nullptr);
  SetTimer(nullptr, 0, 100, &ReadAndAnswerSystemBox);
  EXPECT_EQ(MessageBoxW(nullptr, L"Downloaded.", L"Tarnwick", MB_OK), IDOK);
  ASSERT_NE(probe.box, nullptr);
  EXPECT_TRUE(probe.wrapped);
  EXPECT_TRUE(probe.buttonWrapped);  // its push button has a wrapper of its own
  EXPECT_EQ(probe.leftBorder, ColorOfPixel(kBorderPixel));
  EXPECT_FALSE(IsWindow(probe.box));
}

// A double click on the caption does nothing to a dialog without a maximize box; one on the
// icon closes the dialog. The dialog asks for no keys of its own.
TEST_F(DialogWrapper, DoubleClicksOnCaptionAndIcon) {
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  ASSERT_NE(Wrapper(), nullptr);
  EXPECT_EQ(SendMessageW(dlg, WM_GETDLGCODE, 0, 0), 0);
  const Integer border = Wrapper()->SysBorderWidth();
  const TPoint caption((Wrapper()->Icons[TkvDialogWnd::biMin].Rect.Left + border) / 2, Wrapper()->HeaderHeight() / 2);
  const TPoint icon(border + 2, Wrapper()->HeaderHeight() / 2);
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(caption)), HTCAPTION);
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(icon)), HTSYSMENU);
  SendMessageW(dlg, WM_NCLBUTTONDBLCLK, HTCAPTION, ScreenParam(caption));
  Application->ProcessMessages();
  ASSERT_TRUE(IsWindow(dlg));
  EXPECT_FALSE(IsZoomed(dlg));
  SendMessageW(dlg, WM_NCLBUTTONDBLCLK, HTSYSMENU, ScreenParam(icon));
  Application->ProcessMessages();
  EXPECT_FALSE(IsWindow(dlg));
}

namespace {

// While the dialog's menu is up: the menu window, whether a wrapper holds it; then it closes.
struct DialogMenuProbe {
  HWND menu = nullptr;
  bool wrapped = false;
  Integer ticks = 0;
};
DialogMenuProbe* gMenuProbe = nullptr;

void CALLBACK CloseDialogMenu(HWND, UINT, UINT_PTR, DWORD) {
  if (!gMenuProbe) return;
  gMenuProbe->menu = VisibleMenuWindow();
  if (!gMenuProbe->menu && ++gMenuProbe->ticks < 60) return;
  for (TkvMnuWnd* w : MnuArray)
    if (w && w->CtrlHandle == gMenuProbe->menu) gMenuProbe->wrapped = true;
  EndMenu();
}

}  // namespace

// The dialog's skinned system menu: its six commands shown and enabled as the dialog's styles
// and state say, dropped from the icon as a skinned popup, and its commands acting.
TEST_F(DialogWrapper, SystemMenuFollowsTheDialogAndActs) {
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  ASSERT_NE(w->SystemMenu, nullptr);
  TkvSystemMenu* m = w->SystemMenu.get();
  m->UpdateItems();
  // Close and minimize boxes, no maximize box.
  EXPECT_TRUE(m->ItemRestore->Visible());
  EXPECT_FALSE(m->ItemRestore->Enabled());
  EXPECT_TRUE(m->ItemMove->Enabled());
  EXPECT_FALSE(m->ItemSize->Enabled());
  EXPECT_TRUE(m->ItemMinimize->Visible());
  EXPECT_TRUE(m->ItemMinimize->Enabled());
  EXPECT_FALSE(m->ItemMaximize->Visible());
  EXPECT_TRUE(m->ItemClose->Enabled());
  EXPECT_EQ(m->ItemClose->ShortCut(), TShortCut(0x8073));  // Alt+F4
  EXPECT_EQ(m->ItemClose->Name(), u"miClose");

  // Dropped from the icon: a popup menu window that the skin's wrapper holds.
  DialogMenuProbe probe;
  gMenuProbe = &probe;
  const UINT_PTR timer = SetTimer(nullptr, 0, 30, CloseDialogMenu);
  const Integer border = w->SysBorderWidth();
  SendMessageW(dlg, WM_NCLBUTTONDOWN, HTSYSMENU, ScreenParam(TPoint(border + 2, w->HeaderHeight() / 2)));
  KillTimer(nullptr, timer);
  gMenuProbe = nullptr;
  Application->ProcessMessages();
  EXPECT_NE(probe.menu, nullptr);
  EXPECT_TRUE(probe.wrapped);
  EXPECT_TRUE(MnuArray.empty());
  EXPECT_EQ(TkvMnuWnd::LiveCount(), 0);

  m->ItemMinimize->Click();
  EXPECT_TRUE(IsIconic(dlg));
  m->UpdateItems();
  EXPECT_FALSE(m->ItemMinimize->Enabled());
  m->ItemRestore->Click();
  EXPECT_FALSE(IsIconic(dlg));
  m->ItemClose->Click();
  Application->ProcessMessages();
  EXPECT_FALSE(IsWindow(dlg));
}

namespace {

HWND Child(HWND dlg, const wchar_t* cls, DWORD style, Integer id, Integer y) {
  return CreateWindowExW(0, cls, L"Item", WS_CHILD | WS_VISIBLE | style, 10, y, 80, 18, dlg,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

// The class of the wrapper a child window got; empty for none.
String WrapperClassOf(TkvDialogWnd* w, HWND child) {
  for (TkvMainWnd* c : w->ChildWrappers)
    if (c->CtrlHandle == child) return c->ClassName();
  return u"";
}

}  // namespace

// When the dialog first paints, its child windows get the wrappers their classes and styles call
// for; owner-drawn buttons and plain rectangles keep their own look.
TEST_F(DialogWrapper, ChildWindowsGetTheirWrappersByClassAndStyle) {
  ASSERT_NE(MakeDialog(), nullptr);
  struct Case {
    const wchar_t* cls;
    DWORD style;
    const char16_t* wrapper;
  } cases[] = {
      {L"BUTTON", BS_PUSHBUTTON, u"TkvBtnWnd"},       {L"BUTTON", BS_DEFPUSHBUTTON, u"TkvBtnWnd"},
      {L"BUTTON", BS_AUTOCHECKBOX, u"TkvCheckBoxWnd"}, {L"BUTTON", BS_AUTORADIOBUTTON, u"TkvCheckBoxWnd"},
      {L"BUTTON", BS_GROUPBOX, u"TkvGroupBoxWnd"},    {L"BUTTON", BS_OWNERDRAW, u""},
      {L"BUTTON", BS_AUTO3STATE, u"TkvBtnWnd"},       {L"STATIC", SS_LEFT, u"TkvStaticWnd"},
      {L"STATIC", SS_GRAYRECT, u""},                  {L"STATIC", SS_ICON, u"TkvIconWnd"},
      {L"EDIT", ES_LEFT, u"TkvEditWnd"},              {L"LISTBOX", 0, u"TkvEditWnd"},
  };
  std::vector<HWND> children;
  Integer id = 100;
  for (const Case& c : cases) {
    children.push_back(Child(dlg, c.cls, c.style, id, 4 + 2 * (id - 100)));
    ++id;
  }
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->Initialized);
  for (size_t i = 0; i < children.size(); ++i) {
    SCOPED_TRACE(testing::Message() << i);
    EXPECT_EQ(WrapperClassOf(w, children[i]), cases[i].wrapper);
    EXPECT_EQ(WndIsSkinned(children[i]), !String(cases[i].wrapper).empty());
  }
  EXPECT_FALSE(kvDlgMode);
  // The shell's notification sink is passed over at once; no window at all is refused.
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"CtrlNotifySink";
  RegisterClassW(&wc);
  const HWND sink =
      CreateWindowExW(0, L"CtrlNotifySink", L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, dlg, nullptr, nullptr, nullptr);
  ASSERT_NE(sink, nullptr);
  const size_t before = w->ChildWrappers.size();
  EXPECT_TRUE(TkvProvider::AddControl(w, sink));
  EXPECT_EQ(w->ChildWrappers.size(), before);
  EXPECT_FALSE(WndIsSkinned(sink));
  EXPECT_FALSE(kvDlgMode);
  EXPECT_FALSE(TkvProvider::AddControl(w, nullptr));
}

// A button the dialog makes later gets its wrapper when the dialog names its default button.
TEST_F(DialogWrapper, ALaterButtonGetsItsWrapperWithTheDefaultButton) {
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  const HWND later = Child(dlg, L"BUTTON", BS_PUSHBUTTON, 200, 30);
  EXPECT_FALSE(WndIsSkinned(later));
  SendMessageW(dlg, DM_SETDEFID, 200, 0);
  EXPECT_TRUE(WndIsSkinned(later));
  EXPECT_EQ(WrapperClassOf(Wrapper(), later), u"TkvBtnWnd");
}

// Dialogs with controls, skinned and closed one after another, leave no handle behind.
TEST_F(DialogWrapper, ChildWrappersGoWithTheirDialog) {
  auto cycle = [this] {
    if (!MakeDialog()) return false;
    Child(dlg, L"BUTTON", BS_PUSHBUTTON, 100, 4);
    Child(dlg, L"EDIT", ES_LEFT, 101, 26);
    Child(dlg, L"STATIC", SS_LEFT, 102, 48);
    ShowDialog();
    const bool wrapped = Wrapper() && Wrapper()->ChildWrappers.size() == 3;
    SendMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    Application->ProcessMessages();
    return wrapped && !IsWindow(dlg);
  };
  ExpectNoHandlesLeft(cycle, 50);
}

namespace {
Integer gItemBkMode = 0;
INT_PTR CALLBACK OwnerDrawDialogProc(HWND, UINT msg, WPARAM, LPARAM l) {
  if (msg == WM_DRAWITEM) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
    if (item->CtlType == ODT_STATIC) gItemBkMode = GetBkMode(item->hDC);
    return TRUE;
  }
  return FALSE;
}
}  // namespace

// An owner-drawn static of a skinned dialog draws its text on the skinned background.
TEST_F(DialogWrapper, OwnerDrawnStaticDrawsTransparently) {
  ASSERT_NE(MakeDialogWithProc(&OwnerDrawDialogProc), nullptr);
  ASSERT_NE(Wrapper(), nullptr);
  const HWND item = Child(dlg, L"STATIC", SS_OWNERDRAW, 300, 10);
  gItemBkMode = 0;
  ShowDialog();
  RedrawWindow(item, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(gItemBkMode, TRANSPARENT);
  EXPECT_FALSE(WndIsSkinned(item));  // an owner-drawn static has no wrapper of its own
}

namespace {
Integer gDialogPaints = 0;
INT_PTR CALLBACK PaintCountingDialogProc(HWND, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_PAINT) ++gDialogPaints;
  return FALSE;
}
}  // namespace

// On the systems that paint dialogs themselves the dialog's own WM_PAINT is validated without
// reaching it, until a field, list or combo child gets its wrapper.
TEST_F(DialogWrapper, PaintIsSwallowedUntilAFieldChildIsWrapped) {
  struct Case {
    const wchar_t* cls;
    DWORD style;
    bool hidden;
    bool paintsAgain;
  } cases[] = {
      {L"BUTTON", BS_PUSHBUTTON, false, false}, {L"STATIC", SS_LEFT, false, false},
      {L"EDIT", ES_LEFT, false, true},          {L"EDIT", ES_LEFT, true, true},
      {L"LISTBOX", 0, false, true},             {L"COMBOBOX", CBS_DROPDOWNLIST, false, true},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << i);
    ASSERT_NE(MakeDialogWithProc(&PaintCountingDialogProc), nullptr);
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->FWMPaintForbidden, IsWinVistaUp());
    w->FWMPaintForbidden = true;
    ShowDialog();
    gDialogPaints = 0;
    InvalidateRect(dlg, nullptr, FALSE);
    UpdateWindow(dlg);
    EXPECT_EQ(gDialogPaints, 0);
    RECT pending{};
    EXPECT_FALSE(GetUpdateRect(dlg, &pending, FALSE));  // validated all the same

    const HWND child = Child(dlg, cases[i].cls, cases[i].style, 500, 10);
    if (cases[i].hidden) ShowWindow(child, SW_HIDE);
    EXPECT_TRUE(TkvProvider::AddControl(w, child));
    EXPECT_EQ(w->FWMPaintForbidden, !cases[i].paintsAgain);
    InvalidateRect(dlg, nullptr, FALSE);
    UpdateWindow(dlg);
    EXPECT_EQ(gDialogPaints > 0, cases[i].paintsAgain);
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}

// A dialog that changed its controls tells its wrapper by these messages; the controls made
// since get their wrappers. A dialog hosting the shell's item view is left as it is.
TEST_F(DialogWrapper, LaterControlsGetWrappersOnTheControlChangeMessages) {
  struct Case {
    UINT msg;
    WPARAM wParam;
  } cases[] = {{1324, 0}, {1326, 0}, {SM_ALPHACMD, WPARAM(KV_UPDATECHILDREN) << 16}};
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  Integer id = 600;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.msg << " " << c.wParam);
    const HWND later = Child(dlg, L"BUTTON", BS_PUSHBUTTON, id++, 30);
    EXPECT_FALSE(WndIsSkinned(later));
    SendMessageW(dlg, c.msg, c.wParam, 0);
    EXPECT_TRUE(WndIsSkinned(later));
    EXPECT_EQ(WrapperClassOf(Wrapper(), later), u"TkvBtnWnd");
  }
  // Any other skin command leaves new controls alone.
  const HWND other = Child(dlg, L"BUTTON", BS_PUSHBUTTON, id++, 50);
  SendMessageW(dlg, SM_ALPHACMD, WPARAM(KV_UPDATING) << 16, 0);
  EXPECT_FALSE(WndIsSkinned(other));
  // With the shell's item view inside, the dialog is not one the wrapper may change.
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"DUIViewWndClassName";
  RegisterClassW(&wc);
  ASSERT_NE(CreateWindowExW(0, L"DUIViewWndClassName", L"", WS_CHILD, 0, 0, 1, 1, dlg, nullptr, nullptr, nullptr),
            nullptr);
  const auto common = SetForScope(kvTryToSkinCommonDialogs, false);
  for (const Case& c : cases) {
    SendMessageW(dlg, c.msg, c.wParam, 0);
    EXPECT_FALSE(WndIsSkinned(other));
  }
}

namespace {
// A class-library panel whose window is registered under another class name.
class PanelOfClass : public TPanel {
 public:
  PanelOfClass(const String& windowClass) : TPanel(nullptr), windowClass_(windowClass) {}
  void CreateParams(TCreateParams& p) override {
    TPanel::CreateParams(p);
    p.WinClassName = windowClass_;
  }

 private:
  String windowClass_;
};
}  // namespace

// A class-library panel on a dialog is painted from the skin: its labels take the skin's text
// colour over its background, its windowed controls get wrappers, the panel the main colour.
TEST_F(DialogWrapper, LibraryPanelTakesTheSkinWithItsControls) {
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  DuRiruZireziv* manager = w->SkinData->GetSkinManager();
  ASSERT_NE(manager, nullptr);
  auto panel = std::make_unique<TPanel>(nullptr);
  panel->SetBounds(4, 4, 120, 50);
  panel->SetColor(clFuchsia);
  auto* label = new TLabel(panel.get());
  label->SetParent(panel.get());
  label->SetTransparent(false);
  label->Font()->SetColor(clFuchsia);
  auto* button = new TButton(panel.get());
  button->SetParent(panel.get());
  button->SetBounds(4, 20, 60, 20);
  panel->SetParentWindow(dlg);
  const HWND panelWnd = panel->Handle();
  const HWND buttonWnd = button->Handle();
  ASSERT_NE(manager->GetGlobalFontColor(), clFuchsia);
  ASSERT_NE(manager->GetGlobalColor(), clFuchsia);

  EXPECT_TRUE(TkvProvider::AddControl(w, panelWnd));
  EXPECT_EQ(WrapperClassOf(w, panelWnd), u"TkvPanelWnd");
  EXPECT_EQ(WrapperClassOf(w, buttonWnd), u"TkvBtnWnd");
  EXPECT_TRUE(label->Transparent());
  EXPECT_EQ(label->Font()->Color(), manager->GetGlobalFontColor());
  EXPECT_EQ(panel->Color(), manager->GetGlobalColor());
  for (TkvMainWnd* c : w->ChildWrappers)
    if (c->CtrlHandle == panelWnd) EXPECT_EQ(c->SkinData->SkinSection(), u"TRANSPARENT");
  DestroyWindow(dlg);
  dlg = nullptr;
  CleanSupportedList();
}

// Panels that paint nothing themselves get the skin's look by class, without caption, marked.
TEST_F(DialogWrapper, QuietPanelsArePaintedFromTheSkinWithoutCaption) {
  struct Case {
    const char16_t* windowClass;
    const char16_t* section;
  } cases[] = {{u"TSilentPaintPanel", u"GROUPBOX"}, {u"TRavelBand", u"TRANSPARENT"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.windowClass, c.windowClass + 6));
    ASSERT_NE(MakeDialog(), nullptr);
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    auto panel = std::make_unique<PanelOfClass>(c.windowClass);
    panel->SetBounds(4, 4, 120, 50);
    panel->SetCaption(u"Panel");
    panel->SetParentWindow(dlg);
    const HWND panelWnd = panel->Handle();
    EXPECT_TRUE(TkvProvider::AddControl(w, panelWnd));
    TkvPanelWnd* pw = nullptr;
    for (TkvMainWnd* m : w->ChildWrappers)
      if (m->CtrlHandle == panelWnd) pw = dynamic_cast<TkvPanelWnd*>(m);
    ASSERT_NE(pw, nullptr);
    EXPECT_EQ(pw->SkinData->SkinSection(), c.section);
    EXPECT_EQ(pw->Panel, panel.get());
    EXPECT_EQ(panel->Tag(), 999);
    EXPECT_EQ(panel->Caption(), u"");
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}

// Cancel with the hide animation on puts a snapshot over the dialog; the next press on the frame,
// or the dialog's hiding, takes it away. Other commands leave none.
TEST_F(DialogWrapper, ClosingCommandLeavesACoverUntilThePressOrTheHide) {
  DuRiruZireziv& manager = skin->skin.Manager;
  const auto hideActive = SetForScope(manager.AnimEffects.DialogHide.Active, true);
  const auto hideTime = SetForScope(manager.AnimEffects.DialogHide.Time, Integer(60));
  const auto allow = SetForScope(manager.Effects.AllowAnimation, true);
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  SendMessageW(dlg, WM_COMMAND, IDOK, 0);
  EXPECT_FALSE(w->AnimClosing);
  EXPECT_EQ(w->CoverForm, nullptr);

  SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(w->AnimClosing);
  ASSERT_NE(w->CoverForm, nullptr);
  EXPECT_TRUE(IsWindowVisible(w->CoverForm->Handle()));
  SendMessageW(dlg, WM_NCLBUTTONDOWN, HTNOWHERE, 0);
  EXPECT_FALSE(w->AnimClosing);
  EXPECT_EQ(w->CoverForm, nullptr);

  SendMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(w->AnimClosing);
  ShowWindow(dlg, SW_HIDE);
  EXPECT_FALSE(w->AnimClosing);
  EXPECT_EQ(w->CoverForm, nullptr);
}
