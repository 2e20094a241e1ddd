// The fixture of the dialog wrapper tests: the form skin, the thread hook installed, and an
// ownerless "#32770" dialog made from a template, shown, read back and driven by its wrapper.
#pragma once

#include <windows.h>

#include "base/sConst.h"
#include "forms/kvDialogWnd.h"
#include "forms/kvDials.h"
#include "forms/sSkinProvider.h"
#include "raster/GdiBitmaps.h"
#include "support/FormSkin.h"
#include "support/WindowProbes.h"
#include "ui/ScopeGuard.h"

namespace dialogtest {

using namespace formskin;

// TColor of a 0xAARRGGBB skin pixel.
inline TColor ColorOfPixel(uint32_t argb) {
  return TColor((argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16);
}

inline Integer gNcDestroys = 0;

inline INT_PTR CALLBACK ClosingDialogProc(HWND wnd, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_CLOSE) {
    DestroyWindow(wnd);
    return TRUE;
  }
  if (msg == WM_NCDESTROY) ++gNcDestroys;
  return FALSE;
}

// A window class of the test's own for probe children, registered while the object lives.
class ProbeWindowClass {
 public:
  ProbeWindowClass(const wchar_t* name, WNDPROC proc) : name_(name) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    RegisterClassW(&wc);
  }
  ~ProbeWindowClass() { UnregisterClassW(name_, GetModuleHandleW(nullptr)); }
  ProbeWindowClass(const ProbeWindowClass&) = delete;
  ProbeWindowClass& operator=(const ProbeWindowClass&) = delete;
  const wchar_t* Name() const { return name_; }

 private:
  const wchar_t* name_;
};

struct DialogTemplate {
  DLGTEMPLATE t;
  WORD menu, cls, title;
};

class DialogWrapper : public SkinnedForm {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SkinnedForm::SetUp());
    // Layered windows are bound as at start-up: the outer border needs them, whatever ran before.
    sGraphUtilsStartup();
    kvDialsStartup();
    skin->skin.Manager.InstallHook();
    GetCursorPos(&cursorAtStart);
  }
  void TearDown() override {
    if (dlg && IsWindow(dlg)) DestroyWindow(dlg);
    // A test that clicks through the system's input moves the cursor: it goes back, so that the
    // next dialog made where it clicked is not hovered.
    SetCursorPos(cursorAtStart.x, cursorAtStart.y);
    skin->skin.Manager.UnInstallHook();
    kvDialsCleanup();
    SkinnedForm::TearDown();
  }
  // The skin gets a dialog title section in the client's colour with black text: the look the
  // caption is written in. Its index.
  Integer AddDialogTitle() {
    TsGeneralData t = PlainSection(u"DIALOGTITLE", 0, kDialogClient, 2);
    for (auto& look : t.Props) look.FontColor.Color = 0;
    const Integer index = skin->skin.AddSection(t);
    skin->skin.Manager.SkinCommonInfo.Sections[ssDialogTitle] = index;
    skin->skin.Data->Reindex();
    return index;
  }
  // The skin with an outer border window around dialogs (a shadow), or with none.
  void UseOuterBorder(bool outer) {
    if (outer)
      GiveShadow(*skin, TRect(9, 7, 11, 13));
    else
      skin->skin.Manager.SetExtendedBorders(false);
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
  // Shows the dialog; its wrapper when it has an outer border window, else null.
  TkvDialogWnd* ShowWithOuterBorder() {
    ShowDialog();
    TkvDialogWnd* w = Wrapper();
    return w && w->BorderForm && w->BorderForm->LayeredWindow() ? w : nullptr;
  }
  // Shows a dialog whose outer frame is 3 pixels wider and whose title is 4 pixels higher than
  // the system's (sys: the client's place in the dialog); its wrapper, else null.
  TkvDialogWnd* ShowWithWideOuterFrame(const TRect& shadow, TPoint& sys) {
    GiveShadow(*skin, shadow);
    if (!MakeDialog()) return nullptr;
    sys = ClientOrigin(dlg);
    skin->skin.Data->ExBorderWidth = sys.X + 3;
    skin->skin.Data->ExTitleHeight = sys.Y + 4;
    return ShowWithOuterBorder();
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
  // A point of the outer border window (its coordinates) as mouse messages carry it, on screen.
  static TPoint BorderOnScreen(TkvDialogWnd* w, TPoint inBorder) {
    RECT br{};
    GetWindowRect(w->BorderForm->LayeredWindow(), &br);
    return TPoint(br.left + inBorder.X, br.top + inBorder.Y);
  }
  static LPARAM BorderParam(TkvDialogWnd* w, TPoint inBorder) {
    const TPoint p = BorderOnScreen(w, inBorder);
    return MAKELPARAM(p.X, p.Y);
  }
  // The centre of a border icon on the outer border window's picture.
  static TPoint IconOnBorder(TkvDialogWnd* w, TkvDialogWnd::TIcon i) {
    const TRect& r = w->Icons[i].Rect;
    const TPoint o = w->FrameOrigin();
    return TPoint(o.X + (r.Left + r.Right) / 2, o.Y + (r.Top + r.Bottom) / 2);
  }
  // The centre of a border icon, in window and in screen coordinates.
  TPoint IconCentre(TkvDialogWnd::TIcon icon) {
    const TRect& r = Wrapper()->Icons[icon].Rect;
    return TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }
  LPARAM ScreenParam(TPoint windowPoint) {
    const POINT p = ScreenPoint(windowPoint);
    return MAKELPARAM(p.x, p.y);
  }
  POINT ScreenPoint(TPoint windowPoint) {
    RECT w{};
    GetWindowRect(dlg, &w);
    return POINT{windowPoint.X + w.left, windowPoint.Y + w.top};
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
  POINT cursorAtStart{};
};

}  // namespace dialogtest
