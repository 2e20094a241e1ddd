// The wrapper of an ownerless standard dialog: the thread hook gives it to a "#32770" dialog
// made without an owner; the frame and the border icons come from the skin, a release executes
// an icon only over the icon that was pressed, and closed dialogs leave neither wrappers nor
// handles behind.
#include <functional>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sDialogs.h"
#include "base/sMessages.h"
#include "forms/kvDials.h"
#include "forms/sSkinProvider.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/GdiBitmaps.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "support/DialogFixture.h"
#include "support/FormFixture.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "support/WindowProbes.h"
#include "ui/ExtCtrls.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsMenu.h"
#include "wrappers/kvSBUtilsPanels.h"

using namespace formskin;
using namespace dialogtest;
using layered::LayeredCalls;

TEST_F(DialogWrapper, OwnerlessDialogIsSkinnedWithFrameAndBorderIcons) {
  // Without glowing the icons' looks are drawn into the dialog's own picture.
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
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
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
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
// An ownerless dialog of the given styles, its size set in pixels; not shown.
HWND MakeStyledDialog(DWORD style, Integer width = 240, Integer height = 160) {
  DialogTemplate tmpl{};
  tmpl.t.style = style;
  tmpl.t.cx = 160;
  tmpl.t.cy = 80;
  HWND h = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, &ClosingDialogProc, 0);
  if (h) SetWindowPos(h, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return h;
}
// Shows a dialog as the fixture does; its wrapper, null when it has none.
TkvDialogWnd* ShowAndWrap(HWND h) {
  if (!h) return nullptr;
  ShowWindow(h, SW_SHOW);
  SetForegroundWindow(h);
  UpdateWindow(h);
  Application->ProcessMessages();
  TkvProvider* entry = FindFormInList(h);
  return entry ? entry->DlgWnd.get() : nullptr;
}
}  // namespace

// A dialog whose section is a gradient, not a plain colour: a child's background is read at its
// place in the client, which the picture holds below and right of the frame (and of the shadow
// with an outer border). What the child is given is what the dialog itself shows there.
TEST_F(DialogWrapper, ChildrenTakeTheirBackgroundFromTheirPlaceInTheClient) {
  TsGeneralData& section = skin->skin.Section(skin->dialog);
  for (Integer state : {0, 1}) {
    section.Props[size_t(state)].GradientPercent = 100;
    section.Props[size_t(state)].GradientArray = {GradPoint(0, clBlack, 0, 0), GradPoint(1, clWhite, 100)};
  }
  struct Case {
    const char* what;
    bool outerBorder;
  };
  for (const Case c : {Case{"own frame", false}, Case{"outer border", true}}) {
    SCOPED_TRACE(c.what);
    if (c.outerBorder) GiveShadow(*skin, TRect(9, 7, 11, 13));
    dlg = MakeStyledDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 240, 200);
    ASSERT_NE(dlg, nullptr);
    const HWND child =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 20, 60, 40, 20, dlg, nullptr, nullptr, nullptr);
    ShowDialog();
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->BorderForm != nullptr, c.outerBorder);
    const TCacheInfo ci = GetParentCacheHwnd(child);
    ASSERT_NE(ci.Bmp, nullptr);
    const TPoint client = ClientOrigin(dlg);
    // The client's offset in the picture, as the dialog answers it to anyone who asks.
    const LRESULT offset = SendMessageW(dlg, SM_ALPHACMD, uintptr_t(KV_PARENTCLOFFSET) << 16, 0);
    EXPECT_EQ(Integer(LOWORD(offset)), ci.X);
    EXPECT_EQ(Integer(HIWORD(offset)), ci.Y);
    EXPECT_EQ(ci.X, client.X + w->FrameOrigin().X);
    EXPECT_EQ(ci.Y, client.Y + w->FrameOrigin().Y);
    // What the dialog shows at the child's place once the child is gone from it.
    ShowWindow(child, SW_HIDE);
    UpdateWindow(dlg);
    Application->ProcessMessages();
    for (const TPoint p : {TPoint(25, 62), TPoint(45, 78)}) {
      const TColor shown = At(client.X + p.X, client.Y + p.Y);
      EXPECT_EQ(ci.Bmp->PixelColor(p.X + ci.X, p.Y + ci.Y) & 0xFFFFFF, shown) << p.X << "," << p.Y;
      // Read from the picture's corner instead, the gradient gives another colour.
      EXPECT_NE(ci.Bmp->PixelColor(p.X, p.Y) & 0xFFFFFF, shown) << p.X << "," << p.Y;
    }
    DestroyWindow(dlg);
    CleanSupportedList();
  }
}

// The border width a dialog answers: the sizing or dialog frame when asked for one, else its own
// side border; the padded border of sizeable frames comes on top. The outer border window's
// sizing zone at the bottom is as high as that border.
TEST_F(DialogWrapper, BorderWidthIsAnsweredAndSetsTheOuterSizingZone) {
  struct Case {
    const char* what;
    DWORD style;
  };
  for (const Case c : {Case{"dialog frame", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME},
                       Case{"sizeable", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME}}) {
    SCOPED_TRACE(c.what);
    dlg = MakeStyledDialog(c.style);
    ASSERT_NE(dlg, nullptr);
    ShowDialog();
    const bool sizeable = (c.style & WS_THICKFRAME) != 0;
    const Integer padding = sizeable ? GetSystemMetrics(SM_CXPADDEDBORDER) : 0;
    auto ask = [&](Integer low, Integer high) {
      return Integer(SendMessageW(dlg, SM_ALPHACMD, uintptr_t(KV_GETBORDERWIDTH) << 16, MAKELPARAM(low, high)));
    };
    RECT wr{}, cr{};
    GetWindowRect(dlg, &wr);
    GetClientRect(dlg, &cr);
    EXPECT_EQ(ask(1, 0), GetSystemMetrics(SM_CXFRAME) + padding);
    EXPECT_EQ(ask(2, 0), GetSystemMetrics(SM_CXDLGFRAME) + padding);
    EXPECT_EQ(ask(0, 0), (wr.right - wr.left - cr.right) / 2 + padding);
    EXPECT_GT(ask(0, 0), 0);
    DestroyWindow(dlg);
    CleanSupportedList();
  }
  // A sizeable dialog with an outer border drawn in the offset mode: the bottom sizing zone.
  const TRect shadow(9, 7, 11, 13);
  GiveShadow(*skin, shadow);
  skin->skin.Data->ExDrawMode = 1;
  dlg = MakeStyledDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME);
  ASSERT_NE(dlg, nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const TkvBorderFrame f = w->BorderForm->Frame();
  ASSERT_TRUE(f.OffsetMode);
  const Integer border = GetSystemMetrics(SM_CXFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
  EXPECT_EQ(f.SysBorder, border);
  const Integer firstRow = f.Height - f.Shadow.Bottom - border + f.ShadowOffs.Bottom;
  EXPECT_EQ(FrameSizingHit(f, TPoint(f.Width / 2, firstRow)), HTBOTTOM);
  EXPECT_EQ(FrameSizingHit(f, TPoint(f.Width / 2, firstRow - 1)), 0);
  skin->skin.Data->ExDrawMode = 0;
}

// The frame's kind comes from the styles when the dialog first shows; it decides whether the
// dialog maximizes (a caption double click), which commands its menu shows and enables, and the
// close icon's glyph. WS_SYSMENU leaves the window (the system draws no buttons) but the close
// icon stays.
TEST_F(DialogWrapper, BorderStyleFollowsTheStylesAndDecidesMenuAndMaximizing) {
  constexpr DWORD kBase = WS_POPUP | WS_SYSMENU | WS_MAXIMIZEBOX;
  struct Case {
    const char* what;
    DWORD style;
    TkvDialogWnd::TBorderStyle border;
    bool maximizes, restoreShown, sizeShown, sizeEnabled;
  };
  const Case cases[] = {
      {"modal frame", kBase | WS_CAPTION | DS_MODALFRAME, TkvDialogWnd::kvbsDialog, false, false, false, true},
      {"thick frame", kBase | WS_CAPTION | WS_THICKFRAME, TkvDialogWnd::kvbsSizeable, true, true, true, true},
      {"neither", kBase | WS_CAPTION, TkvDialogWnd::kvbsSizeable, true, true, true, true},
      {"popup without caption", kBase, TkvDialogWnd::kvbsNone, false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    dlg = MakeStyledDialog(c.style);
    TkvDialogWnd* w = ShowAndWrap(dlg);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->BorderStyle, c.border);
    EXPECT_FALSE(GetWindowLongW(dlg, GWL_STYLE) & WS_SYSMENU);
    EXPECT_TRUE(w->Visible(TkvDialogWnd::biClose));
    EXPECT_EQ(w->Icons[TkvDialogWnd::biClose].Glyph, tgClose);  // beside a maximize icon
    EXPECT_EQ(w->EnabledMax(), c.maximizes);
    w->SystemMenu->UpdateItems();
    EXPECT_EQ(w->SystemMenu->ItemRestore->Visible(), c.restoreShown);
    EXPECT_EQ(w->SystemMenu->ItemSize->Visible(), c.sizeShown);
    EXPECT_EQ(w->SystemMenu->ItemSize->Enabled(), c.sizeEnabled);
    EXPECT_EQ(w->SystemMenu->ItemMaximize->Enabled(), c.maximizes);
    if (c.style & WS_CAPTION) {
      const TPoint caption(w->SysBorderWidth() + GetSystemMetrics(SM_CXSMICON) + 20, w->HeaderHeight() / 2);
      SendMessageW(dlg, WM_NCLBUTTONDBLCLK, HTCAPTION, ScreenParam(caption));
      Application->ProcessMessages();
      EXPECT_EQ(IsZoomed(dlg) != FALSE, c.maximizes);
    }
    DestroyWindow(dlg);
    CleanSupportedList();
  }
}

// Tool frames take the small glyphs; the close icon alone, its own glyph.
TEST_F(DialogWrapper, IconGlyphsFollowTheBorderStyle) {
  dlg = MakeStyledDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME);
  TkvDialogWnd* w = ShowAndWrap(dlg);
  ASSERT_NE(w, nullptr);
  struct Case {
    TkvDialogWnd::TBorderStyle border;
    Cardinal boxes;
    Integer close, min, help;
  };
  const Case cases[] = {
      {TkvDialogWnd::kvbsSizeable, WS_MINIMIZEBOX, tgClose, tgMin, tgHelp},
      {TkvDialogWnd::kvbsDialog, 0, tgCloseAlone, tgMin, tgHelp},
      {TkvDialogWnd::kvbsToolWindow, WS_MINIMIZEBOX, tgSmallClose, tgSmallMin, tgSmallHelp},
      {TkvDialogWnd::kvbsSizeToolWin, 0, tgSmallClose, tgSmallMin, tgSmallHelp},
  };
  const Cardinal style = w->dwStyle & ~Cardinal(WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  for (const Case& c : cases) {
    SCOPED_TRACE(Integer(c.border));
    w->dwStyle = style | c.boxes;
    w->BorderStyle = c.border;
    w->UpdateIconsIndexes();
    EXPECT_EQ(w->Icons[TkvDialogWnd::biClose].Glyph, c.close);
    EXPECT_EQ(w->Icons[TkvDialogWnd::biMin].Glyph, c.min);
    EXPECT_EQ(w->Icons[TkvDialogWnd::biHelp].Glyph, c.help);
    EXPECT_EQ(w->Icons[TkvDialogWnd::biClose].HitCode, HTCLOSE);
    EXPECT_EQ(w->TitleIndex, skin->skin.Manager.SkinCommonInfo.Sections[ssDialogTitle]);
  }
}

// The icons of big frames, and a close icon of its own big glyph, keep the skin's spacing
// between them; the small icons of tool frames stand side by side, two pixels nearer the edge.
TEST_F(DialogWrapper, ToolFrameIconsStandCloserTogetherAndNearerTheEdge) {
  dlg = MakeStyledDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME);
  TkvDialogWnd* w = ShowAndWrap(dlg);
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->BorderForm, nullptr);
  TkvSkinData& d = *skin->skin.Data;
  d.BISpacing = 3;
  d.TitleGlyphs[tgSmallClose] = d.TitleGlyphs[tgClose];
  d.TitleGlyphs[tgSmallMin] = d.TitleGlyphs[tgMin];
  struct Case {
    TkvDialogWnd::TBorderStyle border;
    Integer gap, shift;
  };
  const Case cases[] = {{TkvDialogWnd::kvbsSizeable, 3, 0}, {TkvDialogWnd::kvbsToolWindow, 0, 2}};
  Integer bigRight = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(Integer(c.border));
    w->BorderStyle = c.border;
    w->UpdateIconsIndexes();
    w->SkinData->BGChanged = true;
    w->PaintAll();
    const TRect close = w->Icons[TkvDialogWnd::biClose].Rect;
    // The icon next to the close icon: maximize when shown, else minimize.
    const TRect max = w->Icons[TkvDialogWnd::biMax].Rect;
    const TRect next = max.Width() > 0 ? max : w->Icons[TkvDialogWnd::biMin].Rect;
    ASSERT_GT(close.Width(), 0);
    ASSERT_GT(next.Width(), 0);
    EXPECT_EQ(close.Left - next.Right, c.gap);
    if (c.shift == 0)
      bigRight = close.Right;
    else
      EXPECT_EQ(close.Right, bigRight - c.shift);
  }
}

// Maximizing and restoring from the frame (the icon's release, a caption double click) bring the
// system menu's commands up to date without anyone asking; a skin update marks the picture old.
TEST_F(DialogWrapper, MenuFollowsMaximizingFromTheFrame) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  dlg = MakeStyledDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_THICKFRAME);
  TkvDialogWnd* w = ShowAndWrap(dlg);
  ASSERT_NE(w, nullptr);
  TkvSystemMenu* m = w->SystemMenu.get();
  m->UpdateItems();
  ASSERT_TRUE(m->ItemMaximize->Enabled());
  ASSERT_FALSE(m->ItemRestore->Enabled());
  const TPoint max = IconCentre(TkvDialogWnd::biMax);
  SendMessageW(dlg, WM_NCLBUTTONDOWN, HTMAXBUTTON, ScreenParam(max));
  SendMessageW(dlg, WM_NCLBUTTONUP, HTMAXBUTTON, ScreenParam(max));
  ASSERT_TRUE(IsZoomed(dlg));
  EXPECT_FALSE(m->ItemMaximize->Enabled());
  EXPECT_TRUE(m->ItemRestore->Enabled());
  const TPoint caption(w->SysBorderWidth() + GetSystemMetrics(SM_CXSMICON) + 20, w->HeaderHeight() / 2);
  SendMessageW(dlg, WM_NCLBUTTONDBLCLK, HTCAPTION, ScreenParam(caption));
  ASSERT_FALSE(IsZoomed(dlg));
  EXPECT_TRUE(m->ItemMaximize->Enabled());
  EXPECT_FALSE(m->ItemRestore->Enabled());

  w->PaintAll();
  ASSERT_FALSE(w->SkinData->BGChanged);
  SendMessageW(dlg, SM_ALPHACMD, uintptr_t(KV_UPDATING) << 16 | 0, 0);
  EXPECT_FALSE(w->SkinData->BGChanged);
  SendMessageW(dlg, SM_ALPHACMD, uintptr_t(KV_UPDATING) << 16 | 1, 0);
  EXPECT_TRUE(w->SkinData->BGChanged);
  EXPECT_TRUE(w->SkinData->FUpdating);
  SendMessageW(dlg, SM_ALPHACMD, uintptr_t(KV_UPDATING) << 16 | 0, 0);
  EXPECT_FALSE(w->SkinData->FUpdating);
}

namespace {
// Whether the dialog could be drawn on while the system handled its last activation.
Integer gActivations = 0;
bool gDrawableDuringActivation = true;
INT_PTR CALLBACK ActivationProbeProc(HWND wnd, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_NCACTIVATE) {
    ++gActivations;
    gDrawableDuringActivation = (GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE) != 0;
  }
  return FALSE;
}
}  // namespace

// The system handles a visible dialog's activation with drawing switched off, so that its own
// caption never shows; drawing is on again afterwards and the frame shows the new state.
TEST_F(DialogWrapper, ActivationIsHandledWithDrawingOff) {
  ASSERT_NE(MakeDialogWithProc(&ActivationProbeProc), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  for (const BOOL active : {FALSE, TRUE}) {
    SCOPED_TRACE(active);
    gActivations = 0;
    gDrawableDuringActivation = true;
    SendMessageW(dlg, WM_NCACTIVATE, active, 0);
    EXPECT_EQ(gActivations, 1);
    EXPECT_FALSE(gDrawableDuringActivation);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(w->FFormActive, active != FALSE);
  }
  // A hidden dialog's activation is the system's alone.
  ShowWindow(dlg, SW_HIDE);
  gActivations = 0;
  SendMessageW(dlg, WM_NCACTIVATE, TRUE, 0);
  EXPECT_EQ(gActivations, 1);
  EXPECT_FALSE(IsWindowVisible(dlg));
}

namespace {
// The skin data of the dialog whose size changes, and whether it was marked updating while the
// system handled the change.
TsCommonData* gSizedData = nullptr;
Integer gSizes = 0;
bool gUpdatingDuringSize = false;
INT_PTR CALLBACK SizeProbeProc(HWND, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_SIZE && gSizedData) {
    ++gSizes;
    gUpdatingDuringSize = gSizedData->FUpdating;
  }
  return FALSE;
}
}  // namespace

// With an outer border the system handles a size change while the skin data is marked updating;
// the picture is then painted for the new size. A size change made while the skin data is
// already updating is left to the system alone.
TEST_F(DialogWrapper, SizeChangesWithAnOuterBorder) {
  GiveShadow(*skin, TRect(9, 7, 11, 13));
  ASSERT_NE(MakeDialogWithProc(&SizeProbeProc), nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const auto probe = SetForScope(gSizedData, w->SkinData, nullptr);
  RECT r{};
  GetWindowRect(dlg, &r);
  gSizes = 0;
  SetWindowPos(dlg, nullptr, 0, 0, r.right - r.left + 30, r.bottom - r.top + 20,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(gSizes, 1);
  EXPECT_TRUE(gUpdatingDuringSize);
  EXPECT_FALSE(w->SkinData->FUpdating);
  ASSERT_NE(w->SkinData->FCacheBmp, nullptr);
  const TRect shadow = w->ShadowSize();
  EXPECT_EQ(w->SkinData->FCacheBmp->Width(), r.right - r.left + 30 + shadow.Left + shadow.Right);
  EXPECT_FALSE(w->SkinData->BGChanged);

  // The size step itself leaves an update under way alone and the picture as it is.
  const Integer pictureWidth = w->SkinData->FCacheBmp->Width();
  w->SkinData->FUpdating = true;
  gSizes = 0;
  gUpdatingDuringSize = false;
  RECT c{};
  GetClientRect(dlg, &c);
  SendMessageW(dlg, WM_SIZE, SIZE_RESTORED, MAKELPARAM(c.right, c.bottom));
  EXPECT_EQ(gSizes, 1);
  EXPECT_TRUE(gUpdatingDuringSize);
  EXPECT_FALSE(w->SkinData->BGChanged);
  EXPECT_TRUE(w->SkinData->FUpdating);
  EXPECT_EQ(w->SkinData->FCacheBmp->Width(), pictureWidth);
  // A real size change during the update is the system's too; the frame paint that follows it
  // puts the frame on screen and so ends the update.
  gSizes = 0;
  SetWindowPos(dlg, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(gSizes, 1);
  EXPECT_TRUE(gUpdatingDuringSize);
  EXPECT_FALSE(w->SkinData->BGChanged);
  RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  EXPECT_FALSE(w->SkinData->FUpdating);
}

// Colour and font questions are answered from the dialog's own section: it has no parent to
// defer to, even where the section is see-through.
TEST_F(DialogWrapper, ColourAndFontComeFromTheDialogsSection) {
  TsGeneralData& section = skin->skin.Section(skin->dialog);
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowAndWrap(dlg);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(TColor(SendMessageW(dlg, SM_ALPHACMD, uintptr_t(KV_GETCONTROLCOLOR) << 16, 0)), kDialogClient);
  for (const Integer transparency : {0, 80}) {
    SCOPED_TRACE(transparency);
    section.Props[0].Transparency = section.Props[1].Transparency = transparency;
    TkvPaintInfo info;
    info.FontIndex = -1;
    EXPECT_EQ(SendMessageW(dlg, SM_ALPHACMD, uintptr_t(KV_GETFONTINDEX) << 16, LPARAM(&info)), 1);
    EXPECT_EQ(info.FontIndex, skin->dialog);
  }
  section.Props[0].Transparency = section.Props[1].Transparency = 0;
}

namespace {
Integer gChildPaints = 0;
LRESULT CALLBACK CountingPaintProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    ++gChildPaints;
    PAINTSTRUCT ps{};
    BeginPaint(h, &ps);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, msg, wp, lp);
}
}  // namespace

// Taking the focus repaints the active dialog with its children at once.
TEST_F(DialogWrapper, FocusRepaintsTheActiveDialogAndItsChildren) {
  const ProbeWindowClass probe(L"TestPaintCounter", &CountingPaintProc);
  ASSERT_NE(MakeDialog(), nullptr);
  ASSERT_NE(
      CreateWindowExW(0, probe.Name(), L"", WS_CHILD | WS_VISIBLE, 10, 10, 40, 20, dlg, nullptr, nullptr, nullptr),
      nullptr);
  ASSERT_NE(ShowAndWrap(dlg), nullptr);
  SetActiveWindow(dlg);
  Application->ProcessMessages();
  ASSERT_EQ(GetActiveWindow(), dlg);
  gChildPaints = 0;
  SendMessageW(dlg, WM_SETFOCUS, 0, 0);
  EXPECT_GE(gChildPaints, 1);
}

// The engine's message box asks for a place: the dialog shows there, or centred on it.
TEST_F(DialogWrapper, ShownWhereTheEngineAsked) {
  struct Case {
    bool centre;
    TPoint expected;
  };
  for (const Case c : {Case{true, TPoint(400, 250)}, Case{false, TPoint(500, 300)}}) {
    SCOPED_TRACE(c.centre);
    const auto left = SetForScope(DlgLeft, 500);
    const auto top = SetForScope(DlgTop, 300);
    const auto centre = SetForScope(kvDialogPosIsCenter, c.centre);
    dlg = MakeStyledDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 200, 100);
    ASSERT_NE(dlg, nullptr);
    ShowDialog();
    RECT r{};
    GetWindowRect(dlg, &r);
    EXPECT_EQ(TPoint(r.left, r.top), c.expected);
    EXPECT_EQ(TSize(r.right - r.left, r.bottom - r.top), TSize(200, 100));
    DestroyWindow(dlg);
    CleanSupportedList();
  }
  // Without a request the dialog stays where it was made.
  dlg = MakeStyledDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 200, 100);
  ASSERT_NE(dlg, nullptr);
  SetWindowPos(dlg, nullptr, 70, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowDialog();
  RECT r{};
  GetWindowRect(dlg, &r);
  EXPECT_EQ(TPoint(r.left, r.top), TPoint(70, 60));
}

namespace {
LRESULT CALLBACK PlainWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(h, msg, wp, lp); }
}  // namespace

// A dialog that hosts the shell's item view is let go of when it first shows, unless common
// dialogs are to be skinned: it keeps its system menu and the system's frame.
TEST_F(DialogWrapper, DialogHostingTheShellViewIsLetGoAtItsFirstShow) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = &PlainWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"duiviewwndclassname";
  RegisterClassW(&wc);
  const auto unregister = TScopeExit([&] { UnregisterClassW(wc.lpszClassName, wc.hInstance); });
  for (const bool skinCommon : {false, true}) {
    SCOPED_TRACE(skinCommon);
    const auto common = SetForScope(kvTryToSkinCommonDialogs, skinCommon);
    ASSERT_NE(MakeDialog(), nullptr);
    ASSERT_NE(Wrapper(), nullptr);
    // The view lies a level down, as in the shell's dialogs.
    const HWND host =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, dlg, nullptr, nullptr, nullptr);
    ASSERT_NE(
        CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 40, 40, host, nullptr, nullptr, nullptr),
        nullptr);
    ShowDialog();
    EXPECT_EQ(WndIsSkinned(dlg), skinCommon);
    EXPECT_EQ((GetWindowLongW(dlg, GWL_STYLE) & WS_SYSMENU) != 0, !skinCommon);
    EXPECT_TRUE(IsWindowVisible(dlg));
    DestroyWindow(dlg);
    CleanSupportedList();
  }
}

// A shown dialog that the wrapper lets go of gets its system menu back: the system draws its
// caption buttons again.
TEST_F(DialogWrapper, LettingGoGivesTheSystemMenuBack) {
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowAndWrap(dlg);
  ASSERT_NE(w, nullptr);
  ASSERT_FALSE(GetWindowLongW(dlg, GWL_STYLE) & WS_SYSMENU);
  w->Uninit();
  EXPECT_FALSE(WndIsSkinned(dlg));
  EXPECT_TRUE(GetWindowLongW(dlg, GWL_STYLE) & WS_SYSMENU);
}

// Messages that keep the frame current: enabling repaints it at once, the maximize icon is normal
// again after the command it gave, a hidden dialog's glows go, and the pointer moving over the
// dialog leaves the control the manager had as active.
TEST_F(DialogWrapper, FrameFollowsEnablingCommandsVisibilityAndThePointer) {
  dlg = MakeStyledDialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX | WS_THICKFRAME);
  TkvDialogWnd* w = ShowAndWrap(dlg);
  ASSERT_NE(w, nullptr);
  // The border image changes its colour: only a repaint of the frame shows it.
  const TPoint side(1, w->HeaderHeight() + 20);
  ASSERT_EQ(At(side.X, side.Y), ColorOfPixel(kBorderPixel));
  constexpr uint32_t kNewBorder = 0xFF207050;
  skin->skin.Fill(skin->border, 0, kNewBorder);
  EnableWindow(dlg, FALSE);
  EXPECT_EQ(At(side.X, side.Y), ColorOfPixel(kNewBorder));
  EnableWindow(dlg, TRUE);

  // The maximize icon pressed, its command run: it is normal and nothing is hot.
  {
    const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
    w->SetPressedHT(HTMAXBUTTON);
    ASSERT_EQ(w->Icons[TkvDialogWnd::biMax].State, 2);
    SendMessageW(dlg, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(dlg));
    EXPECT_EQ(w->CurrentHT, 0);
    EXPECT_EQ(w->Icons[TkvDialogWnd::biMax].State, 0);
    SendMessageW(dlg, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(dlg));
  }

  // A glow fading on the close icon goes when the dialog is no longer visible.
  {
    const auto glow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, true);
    w->SetHotHT(HTCLOSE);
    ASSERT_NE(w->Icons[TkvDialogWnd::biClose].Glow.cpTimer, nullptr);
    SendMessageW(dlg, CM_VISIBLECHANGED, 1, 0);
    EXPECT_NE(w->Icons[TkvDialogWnd::biClose].Glow.cpTimer, nullptr);
    SendMessageW(dlg, CM_VISIBLECHANGED, 0, 0);
    EXPECT_EQ(w->Icons[TkvDialogWnd::biClose].Glow.cpTimer, nullptr);
  }

  const HWND child =
      CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 40, 20, dlg, nullptr, nullptr, nullptr);
  skin->skin.Manager.SetActiveControl(child);
  ASSERT_EQ(skin->skin.Manager.ActiveControl(), child);
  SendMessageW(dlg, WM_MOUSEMOVE, 0, MAKELPARAM(100, 100));
  EXPECT_EQ(skin->skin.Manager.ActiveControl(), nullptr);
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
  // The menu seen is kept: a tick after it closed finds none.
  const HWND shown = VisibleMenuWindow();
  if (!shown) {
    if (!gMenuProbe->menu && ++gMenuProbe->ticks >= 60) EndMenu();
    return;
  }
  gMenuProbe->menu = shown;
  for (TkvMnuWnd* w : MnuArray)
    if (w && w->CtrlHandle == shown) gMenuProbe->wrapped = true;
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
  // A dialog frame: neither restored nor sized.
  EXPECT_FALSE(m->ItemRestore->Visible());
  EXPECT_FALSE(m->ItemRestore->Enabled());
  EXPECT_TRUE(m->ItemMove->Enabled());
  EXPECT_FALSE(m->ItemSize->Visible());
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
      {L"BUTTON", BS_PUSHBUTTON, u"TkvBtnWnd"},
      {L"BUTTON", BS_DEFPUSHBUTTON, u"TkvBtnWnd"},
      {L"BUTTON", BS_AUTOCHECKBOX, u"TkvCheckBoxWnd"},
      {L"BUTTON", BS_AUTORADIOBUTTON, u"TkvCheckBoxWnd"},
      {L"BUTTON", BS_GROUPBOX, u"TkvGroupBoxWnd"},
      {L"BUTTON", BS_OWNERDRAW, u""},
      {L"BUTTON", BS_AUTO3STATE, u"TkvBtnWnd"},
      {L"STATIC", SS_LEFT, u"TkvStaticWnd"},
      {L"STATIC", SS_GRAYRECT, u""},
      {L"STATIC", SS_ICON, u"TkvIconWnd"},
      {L"EDIT", ES_LEFT, u"TkvEditWnd"},
      {L"LISTBOX", 0, u"TkvEditWnd"},
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
      {L"BUTTON", BS_PUSHBUTTON, false, false},
      {L"STATIC", SS_LEFT, false, false},
      {L"EDIT", ES_LEFT, false, true},
      {L"EDIT", ES_LEFT, true, true},
      {L"LISTBOX", 0, false, true},
      {L"COMBOBOX", CBS_DROPDOWNLIST, false, true},
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
    if (c->CtrlHandle == panelWnd) { EXPECT_EQ(c->SkinData->SkinSection(), u"TRANSPARENT"); }
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

namespace {
// The layered updates of windows other than the dialog (and its border window): its icons' glows.
std::vector<layered::UpdateCall> GlowUpdates(HWND dialog, HWND border = nullptr) {
  return LayeredCalls::UpdatesExcept(dialog, border);
}
}  // namespace

// With glowing on, a hot icon's look fades in on a small layered window right above the dialog,
// in ten 12 ms steps (driven here by the fade's own timer event), and out again when the mouse
// leaves; the dialog's picture keeps the normal look. A press shows the pressed look at once.
TEST_F(DialogWrapper, HotIconFadesInOverTheDialogAndOutOnLeave) {
  DuRiruZireziv& manager = skin->skin.Manager;
  ASSERT_TRUE(manager.Effects.AllowGlowing);
  ASSERT_TRUE(manager.Effects.AllowAnimation);
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  RECT r{};
  GetWindowRect(dlg, &r);
  const TRect icon = w->Icons[TkvDialogWnd::biClose].Rect;
  const TPoint close = IconCentre(TkvDialogWnd::biClose);
  LayeredCalls rec;
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(close)), HTCLOSE);
  TkvSBAnimation* fade = w->Icons[TkvDialogWnd::biClose].Glow.cpTimer;
  ASSERT_NE(fade, nullptr);
  EXPECT_TRUE(fade->Enabled());
  EXPECT_EQ(fade->Interval(), 12u);
  EXPECT_EQ(fade->Provider, nullptr);
  auto shown = GlowUpdates(dlg);
  ASSERT_EQ(shown.size(), 1u);
  const HWND glow = shown[0].wnd;
  EXPECT_EQ(shown[0].alpha, 25);
  ASSERT_TRUE(shown[0].hasPos);
  EXPECT_EQ(shown[0].pos.x, r.left + icon.Left);
  EXPECT_EQ(shown[0].pos.y, r.top + icon.Top);
  ASSERT_EQ(shown[0].size.cx, icon.Width());
  ASSERT_EQ(shown[0].size.cy, icon.Height());
  EXPECT_EQ(shown[0].At(icon.Width() / 2, icon.Height() / 2), GlyphPixel(0, 1));
  const LONG ex = GetWindowLongW(glow, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TRANSPARENT);
  EXPECT_TRUE(ex & WS_EX_NOACTIVATE);
  EXPECT_EQ(GetWindow(dlg, GW_HWNDPREV), glow);
  EXPECT_EQ(w->SkinData->FCacheBmp->View().At(close.X, close.Y), GlyphPixel(0, 0));

  SetCursorPos(r.left + close.X, r.top + close.Y);  // the mouse stays on the icon
  for (Integer i = 0; i < 9; ++i) fade->OnAnimTimer();
  shown = GlowUpdates(dlg);
  ASSERT_EQ(shown.size(), 10u);
  for (Integer i = 1; i < 9; ++i) EXPECT_EQ(shown[size_t(i)].alpha, 25 * (i + 1)) << i;
  EXPECT_EQ(shown[9].alpha, 255);
  EXPECT_TRUE(fade->Enabled());  // held, watching the mouse

  // The mouse left while the glow was held: the dialog hears of it and the glow fades out.
  SetCursorPos(r.left + 4, r.bottom - 4);
  fade->OnAnimTimer();
  EXPECT_EQ(w->CurrentHT, 0);
  ASSERT_EQ(w->Icons[TkvDialogWnd::biClose].Glow.cpTimer, fade);
  layered::updates.clear();
  for (Integer i = 0; i < 11; ++i) fade->OnAnimTimer();
  shown = GlowUpdates(dlg);
  ASSERT_EQ(shown.size(), 10u);
  for (Integer i = 0; i < 10; ++i) EXPECT_EQ(shown[size_t(i)].alpha, 250 - 25 * i) << i;
  EXPECT_FALSE(fade->Enabled());
  EXPECT_FALSE(fade->AForm);
  EXPECT_FALSE(IsWindow(glow));

  // A press on the minimize icon: its pressed look at full strength, at once.
  const TPoint minimize = IconCentre(TkvDialogWnd::biMin);
  const TRect minRect = w->Icons[TkvDialogWnd::biMin].Rect;
  layered::updates.clear();
  SendMessageW(dlg, WM_NCLBUTTONDOWN, HTMINBUTTON, ScreenParam(minimize));
  shown = GlowUpdates(dlg);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().alpha, 255);
  ASSERT_EQ(shown.back().size.cx, minRect.Width());
  EXPECT_EQ(shown.back().At(minRect.Width() / 2, minRect.Height() / 2), GlyphPixel(2, 2));
  TkvSBAnimation* pressed = w->Icons[TkvDialogWnd::biMin].Glow.cpTimer;
  ASSERT_NE(pressed, nullptr);
  ASSERT_NE(pressed->AForm, nullptr);
  const HWND pressedGlow = pressed->AForm->Handle();
  EXPECT_FALSE(IsIconic(dlg));

  // Closing the dialog takes every glow window with it.
  SendMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
  Application->ProcessMessages();
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_FALSE(IsWindow(pressedGlow));
}

// An icon's glow goes with the icon's place and look: when the dialog moves or is sized, or
// a new skin comes.
TEST_F(DialogWrapper, IconGlowGoesWhenTheDialogMovesOrTheSkinChanges) {
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  DuRiruZireziv* manager = &skin->skin.Manager;
  const std::function<void()> triggers[] = {
      [&] { SetWindowPos(dlg, nullptr, 60, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE); },
      [&] { SetWindowPos(dlg, nullptr, 0, 0, 300, 160, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE); },
      [&] { SendMessageW(dlg, SM_ALPHACMD, MAKEWPARAM(0, KV_SETNEWSKIN), LPARAM(manager)); },
  };
  for (size_t i = 0; i < std::size(triggers); ++i) {
    SCOPED_TRACE(i);
    SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(TPoint(2, w->HeaderHeight() + 4)));  // off the icons
    EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(IconCentre(TkvDialogWnd::biClose))), HTCLOSE);
    TkvSBAnimation* fade = w->Icons[TkvDialogWnd::biClose].Glow.cpTimer;
    ASSERT_NE(fade, nullptr);
    ASSERT_NE(fade->AForm, nullptr);
    const HWND glow = fade->AForm->Handle();
    // Only the z-order changing keeps it.
    SetWindowPos(dlg, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(w->Icons[TkvDialogWnd::biClose].Glow.cpTimer, fade);
    triggers[i]();
    EXPECT_EQ(w->Icons[TkvDialogWnd::biClose].Glow.cpTimer, nullptr);
    EXPECT_FALSE(IsWindow(glow));
  }
}

// Over a dialog with an outer border the glow is placed by the border window (the icon lies inside
// its shadow margins there), and lands on the icon all the same.
TEST_F(DialogWrapper, IconGlowOverAnOuterBorderLandsOnTheIcon) {
  GiveShadow(*skin, TRect(9, 7, 11, 13));
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  ASSERT_NE(w->BorderForm, nullptr);
  ASSERT_NE(w->BorderForm->LayeredWindow(), nullptr);
  RECT r{};
  GetWindowRect(dlg, &r);
  const TRect icon = w->Icons[TkvDialogWnd::biClose].Rect;
  LayeredCalls rec;
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(IconCentre(TkvDialogWnd::biClose))), HTCLOSE);
  TkvSBAnimation* fade = w->Icons[TkvDialogWnd::biClose].Glow.cpTimer;
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->BorderForm, w->BorderForm.get());
  const auto shown = GlowUpdates(dlg, w->BorderForm->LayeredWindow());
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0].pos.x, r.left + icon.Left);
  EXPECT_EQ(shown[0].pos.y, r.top + icon.Top);
  EXPECT_EQ(shown[0].At(icon.Width() / 2, icon.Height() / 2), GlyphPixel(0, 1));
  // Under the glow, the icon's place on screen is the border window's (whose picture shows the
  // frame): the dialog keeps only its client area.
  EXPECT_EQ(WindowFromPoint(ScreenPoint(IconCentre(TkvDialogWnd::biClose))), w->BorderForm->LayeredWindow());
}

// Without glowing nothing layered is made for a hot icon.
TEST_F(DialogWrapper, WithoutGlowingNoIconFadeIsMade) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  ASSERT_NE(Wrapper(), nullptr);
  LayeredCalls rec;
  EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(IconCentre(TkvDialogWnd::biClose))), HTCLOSE);
  EXPECT_EQ(Wrapper()->Icons[TkvDialogWnd::biClose].Glow.cpTimer, nullptr);
  EXPECT_TRUE(GlowUpdates(dlg).empty());
}

namespace {

// What a timer saw of the dialog while the system's move loop was dragging it; it then drives
// the blend fade by hand (the fade's real timer stopped) and ends the loop.
struct MoveProbe {
  HWND dlg = nullptr;
  TkvDialogWnd* wrapper = nullptr;
  bool seen = false;
  bool layered = false;
  bool blendMoving = false;
  bool timerEnabled = false;
  bool pictureKept = false;
  Cardinal interval = 0;
  std::vector<BYTE> alphas;
};
MoveProbe* gMoveProbe = nullptr;

void CALLBACK LookAtTheMovingDialog(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  MoveProbe* p = gMoveProbe;
  if (!p) return;
  p->seen = true;
  p->layered = (GetWindowLongW(p->dlg, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
  p->blendMoving = (p->wrapper->FormState & DLG_BLENDMOVING) != 0;
  // A change of look during the drag is painted after it, not into the dragged picture.
  p->wrapper->SkinData->BGChanged = true;
  p->wrapper->PaintAll();
  p->pictureKept = p->wrapper->SkinData->BGChanged;
  if (TkvMoveTimer* t = p->wrapper->MoveTimer.get()) {
    p->timerEnabled = t->Enabled();
    p->interval = t->Interval();
    t->SetEnabled(false);
    t->CurrentBlendValue = 255.0;
    layered::alphas.clear();
    for (int i = 0; i < 45; ++i) t->TimeHandler();  // the fade's step, as its clock
    p->alphas = LayeredCalls::AlphasOf(p->dlg);
  }
  PostMessageW(p->dlg, WM_LBUTTONUP, 0, 0);
}

}  // namespace

// A press on the caption with blend on moving: the dialog is layered at full alpha during the
// system's move loop and fades by a whole thirtieth of the way per 12 ms tick down to the blend
// value; afterwards it is not layered any more and the fade is gone. A blend value of 255 leaves
// the move to the system.
TEST_F(DialogWrapper, CaptionDragFadesTheDialogAndRestoresIt) {
  DuRiruZireziv& manager = skin->skin.Manager;
  const auto active = SetForScope(manager.AnimEffects.BlendOnMoving.Active, true);
  const auto value = SetForScope(manager.AnimEffects.BlendOnMoving.BlendValue, Byte(170));
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  const TPoint caption((w->Icons[TkvDialogWnd::biMin].Rect.Left + w->SysBorderWidth()) / 2, w->HeaderHeight() / 2);
  ASSERT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(caption)), HTCAPTION);
  ASSERT_FALSE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_LAYERED);

  LayeredCalls rec;
  MoveProbe probe;
  probe.dlg = dlg;
  probe.wrapper = w;
  const auto clear = SetForScope(gMoveProbe, &probe, nullptr);
  SetTimer(nullptr, 0, 60, &LookAtTheMovingDialog);
  SendMessageW(dlg, WM_NCLBUTTONDOWN, HTCAPTION, ScreenParam(caption));
  ASSERT_TRUE(probe.seen) << "the move loop ended before the probe";
  EXPECT_TRUE(probe.layered);
  EXPECT_TRUE(probe.blendMoving);
  EXPECT_TRUE(probe.timerEnabled);
  EXPECT_TRUE(probe.pictureKept);
  EXPECT_EQ(probe.interval, 12u);
  // (255 - 170) div 30 = 2 per tick, until the blend value.
  std::vector<BYTE> expected;
  for (Integer a = 255, i = 0; i < 45; ++i, a = Maxi(170, a - 2)) expected.push_back(BYTE(a));
  EXPECT_EQ(probe.alphas, expected);
  // After the drop: opaque, not layered, no fade left.
  EXPECT_FALSE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_FALSE(w->FormState & DLG_BLENDMOVING);
  EXPECT_EQ(w->MoveTimer, nullptr);
  EXPECT_TRUE(IsWindowVisible(dlg));
  EXPECT_FALSE(w->SkinData->BGChanged);  // repainted after the drop

  // Blend value 255: the system moves the dialog, nothing is layered.
  manager.AnimEffects.BlendOnMoving.BlendValue = 255;
  MoveProbe opaque;
  opaque.dlg = dlg;
  opaque.wrapper = w;
  gMoveProbe = &opaque;
  layered::alphas.clear();
  SetTimer(nullptr, 0, 60, &LookAtTheMovingDialog);
  SendMessageW(dlg, WM_NCLBUTTONDOWN, HTCAPTION, ScreenParam(caption));
  ASSERT_TRUE(opaque.seen);
  EXPECT_FALSE(opaque.layered);
  EXPECT_FALSE(opaque.blendMoving);
  EXPECT_TRUE(LayeredCalls::AlphasOf(dlg).empty());
}

namespace {

// What a timer saw while the system's move loop dragged a dialog's border window; it steps the
// fade three times by hand, drops the picture at (300, 200) and ends the loop.
struct BorderMoveProbe {
  HWND dlg = nullptr;
  HWND border = nullptr;
  TkvDialogWnd* wrapper = nullptr;
  bool seen = false;
  bool dialogLayered = false;
  bool borderWhole = false;
  std::vector<BYTE> dialogAlphas;
  std::vector<BYTE> borderAlphas;
  uint32_t clientPixel = 0;
};
BorderMoveProbe* gBorderProbe = nullptr;

void CALLBACK LookAtTheDraggedBorder(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  BorderMoveProbe* p = gBorderProbe;
  if (!p) return;
  p->seen = true;
  p->dialogLayered = (GetWindowLongW(p->dlg, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  p->borderWhole = GetWindowRgn(p->border, rgn.get()) == ERROR;
  for (const auto& c : LayeredCalls::UpdatesOf(p->dlg)) p->dialogAlphas.push_back(c.alpha);
  if (TkvMoveTimer* t = p->wrapper->MoveTimer.get()) {
    t->SetEnabled(false);
    t->CurrentBlendValue = 255.0;
    layered::updates.clear();
    for (int i = 0; i < 3; ++i) t->TimeHandler();
    const auto shown = LayeredCalls::UpdatesOf(p->border);
    for (const auto& c : shown) p->borderAlphas.push_back(c.alpha);
    if (!shown.empty()) {
      const TPoint o = ClientOrigin(p->dlg);
      p->clientPixel = shown.back().At(o.X + 9 + 20, o.Y + 7 + 20);
    }
  }
  SetWindowPos(p->border, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  PostMessageW(p->border, WM_LBUTTONUP, 0, 0);
}

}  // namespace

// With an outer border, the border window (the dialog's whole picture, its client copied in)
// is what the caption drag moves and fades; the dialog waits fully transparent and lands where
// the picture was dropped, opaque, with the border behind it showing the shadow again.
TEST_F(DialogWrapper, CaptionDragWithAnOuterBorderMovesAndFadesThePicture) {
  const TRect shadow(9, 7, 11, 13);
  GiveShadow(*skin, shadow);
  DuRiruZireziv& manager = skin->skin.Manager;
  const auto active = SetForScope(manager.AnimEffects.BlendOnMoving.Active, true);
  const auto value = SetForScope(manager.AnimEffects.BlendOnMoving.BlendValue, Byte(170));
  ASSERT_NE(MakeDialog(), nullptr);
  ASSERT_NE(Child(dlg, L"STATIC", SS_BLACKRECT, 100, 10), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  ASSERT_NE(w->BorderForm, nullptr);
  const HWND bw = w->BorderForm->LayeredWindow();
  ASSERT_NE(bw, nullptr);
  const TPoint caption((w->Icons[TkvDialogWnd::biMin].Rect.Left + w->SysBorderWidth()) / 2, w->HeaderHeight() / 2);
  const TPoint o = ClientOrigin(dlg);
  const TColor rectangle = At(o.X + 20, o.Y + 20);  // the rectangle as the dialog shows it
  ASSERT_NE(rectangle, kDialogClient);

  LayeredCalls rec;
  BorderMoveProbe probe;
  probe.dlg = dlg;
  probe.border = bw;
  probe.wrapper = w;
  const auto clear = SetForScope(gBorderProbe, &probe, nullptr);
  SetTimer(nullptr, 0, 60, &LookAtTheDraggedBorder);
  SendMessageW(dlg, WM_NCLBUTTONDOWN, HTCAPTION, ScreenParam(caption));
  ASSERT_TRUE(probe.seen) << "the move loop ended before the probe";
  EXPECT_TRUE(probe.dialogLayered);
  ASSERT_FALSE(probe.dialogAlphas.empty());
  EXPECT_EQ(probe.dialogAlphas.back(), 0);  // the dialog itself is not seen while dragged
  EXPECT_TRUE(probe.borderWhole);           // the whole picture, no hole
  EXPECT_EQ(probe.borderAlphas, (std::vector<BYTE>{255, 253, 251}));
  EXPECT_EQ(ColorOfPixel(probe.clientPixel), rectangle);  // the client's rectangle, copied in

  RECT wr{};
  GetWindowRect(dlg, &wr);
  EXPECT_EQ(wr.left, 300 + shadow.Left);
  EXPECT_EQ(wr.top, 200 + shadow.Top);
  EXPECT_FALSE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_FALSE(w->FormState & DLG_BLENDMOVING);
  EXPECT_EQ(w->MoveTimer, nullptr);
  ASSERT_EQ(w->BorderForm->LayeredWindow(), bw);
  EXPECT_FALSE(w->BorderForm->ExBorderShowing);
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(GetWindowRgn(bw, rgn.get()), ERROR);
  // The dialog's client area is cut out again; its frame is the border window's.
  EXPECT_FALSE(PtInRegion(rgn.get(), shadow.Left + o.X + 20, shadow.Top + o.Y + 20));
  EXPECT_TRUE(PtInRegion(rgn.get(), shadow.Left + o.X + 20, shadow.Top + o.Y / 2));
}

namespace {
// The last picture the border window was given, after a fresh paint of the dialog's frame.
layered::UpdateCall RepaintedPicture(TkvDialogWnd* w) {
  LayeredCalls rec;
  w->SkinData->BGChanged = true;
  w->BorderForm->UpdateExBordersPos(true, 255);
  const auto shown = LayeredCalls::UpdatesOf(w->BorderForm->LayeredWindow());
  return shown.empty() ? layered::UpdateCall{} : shown.back();
}
}  // namespace

// A skin whose extended frame is wider or whose title is higher than the dialog's own: the
// picture grows by the differences, the dialog's window lies that much further in (the border
// window's offsets, which the dragged picture is dropped by, and the client's place agree), the
// frame's far edges move out and the border icons sit in the middle of the skin's title.
TEST_F(DialogWrapper, OuterBorderTakesTheSkinsSideAndTitle) {
  const TRect shadow(9, 7, 11, 13);
  GiveShadow(*skin, shadow);
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const TPoint sys = ClientOrigin(dlg);  // the dialog's own side and header
  RECT wr{};
  GetWindowRect(dlg, &wr);
  const TSize window(wr.right - wr.left, wr.bottom - wr.top);
  TkvSkinData& d = *skin->skin.Data;
  struct Case {
    Integer moreSide, moreTitle;  // how much the skin's metric exceeds the dialog's (0: none given)
  };
  for (const Case c : {Case{0, 0}, Case{4, 6}, Case{7, 0}, Case{0, 3}}) {
    SCOPED_TRACE(testing::Message() << "side +" << c.moreSide << ", title +" << c.moreTitle);
    d.ExBorderWidth = c.moreSide ? sys.X + c.moreSide : 0;
    d.ExTitleHeight = c.moreTitle ? sys.Y + c.moreTitle : 0;
    const layered::UpdateCall pic = RepaintedPicture(w);
    ASSERT_FALSE(pic.pixels.empty());
    const TSize frame(window.cx + 2 * c.moreSide, window.cy + c.moreTitle + c.moreSide);
    EXPECT_EQ(pic.size.cx, frame.cx + shadow.Left + shadow.Right);
    EXPECT_EQ(pic.size.cy, frame.cy + shadow.Top + shadow.Bottom);
    EXPECT_EQ(w->BorderForm->OffsetX(), shadow.Left + c.moreSide);
    EXPECT_EQ(w->BorderForm->OffsetY(), shadow.Top + c.moreTitle);
    EXPECT_EQ(w->FrameOrigin(), TPoint(shadow.Left + c.moreSide, shadow.Top + c.moreTitle));
    ASSERT_TRUE(pic.hasPos);
    EXPECT_EQ(pic.pos.x, wr.left - shadow.Left - c.moreSide);
    EXPECT_EQ(pic.pos.y, wr.top - shadow.Top - c.moreTitle);
    // The frame's right and bottom edges are the skin's border, the shadow just beyond them.
    const Integer midY = shadow.Top + frame.cy / 2, midX = shadow.Left + frame.cx / 2;
    EXPECT_EQ(pic.At(shadow.Left + frame.cx - 2, midY), kBorderPixel);
    EXPECT_EQ(pic.At(midX, shadow.Top + frame.cy - 2), kBorderPixel);
    EXPECT_NE(pic.At(shadow.Left + frame.cx + 1, midY) >> 24, 0xFFu);
    EXPECT_NE(pic.At(midX, shadow.Top + frame.cy + 1) >> 24, 0xFFu);
    // The close icon: right-aligned on the frame, centred in the skin's title.
    const TRect icon = w->Icons[TkvDialogWnd::biClose].Rect;
    const TPoint o = w->FrameOrigin();
    EXPECT_EQ(icon.Right + o.X, shadow.Left + frame.cx - Maxi(4, sys.X + c.moreSide));
    EXPECT_EQ(icon.Top + o.Y, shadow.Top + (sys.Y + c.moreTitle - kGlyphH) / 2);
    EXPECT_EQ(pic.At(icon.Left + o.X + kGlyphW / 2, icon.Top + o.Y + kGlyphH / 2), GlyphPixel(0, 0));
    // On screen the icon's place is the border window's (the dialog keeps only its client
    // area), and the dialog's own hit test answers there all the same.
    EXPECT_EQ(WindowFromPoint(ScreenPoint(IconCentre(TkvDialogWnd::biClose))), w->BorderForm->LayeredWindow());
    EXPECT_EQ(SendMessageW(dlg, WM_NCHITTEST, 0, ScreenParam(IconCentre(TkvDialogWnd::biClose))), HTCLOSE);
    w->SetHotHT(0);  // the next picture shows the icon normal again
  }
}

// A frame whose section rounds its corners shows the shadow template in them on the border's
// picture; square corners keep the border image, and the edge between them stays the border's.
TEST_F(DialogWrapper, RoundedDialogFrameShowsTheShadowInItsCorners) {
  const TRect shadow(9, 7, 11, 13);
  GiveShadow(*skin, shadow);
  // A template larger than the corner squares, so that every corner finds its pixels in it.
  for (auto* slot : {&skin->skin.Data->ShdaTemplate, &skin->skin.Data->ShdiTemplate}) {
    *slot = std::make_unique<TBitmap>(31, 31, pf32bit);
    FillRect32(slot->get(), TRect(0, 0, 31, 31), 0x00202020, 0xC0);
  }
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  TsGeneralData& section = skin->skin.Data->gd[size_t(skin->dialog)];
  const uint32_t shadowPixel = w->BorderForm->ShadowTemplate->View().At(3, 3);
  struct Case {
    Integer radius;
    bool rounded;
  };
  // The pixels read lie well outside the rounding's rim, whose softening may vary.
  for (const Case c : {Case{0, false}, Case{8, true}}) {
    SCOPED_TRACE(c.radius);
    section.BorderRadius = c.radius;
    const layered::UpdateCall pic = RepaintedPicture(w);
    ASSERT_FALSE(pic.pixels.empty());
    const Integer right = pic.size.cx - shadow.Right - 1, bottom = pic.size.cy - shadow.Bottom - 1;
    for (const TPoint p : {TPoint(shadow.Left + 1, shadow.Top + 1), TPoint(right - 1, shadow.Top + 1),
                           TPoint(shadow.Left + 1, bottom - 1), TPoint(right - 1, bottom - 1)})
      EXPECT_EQ(pic.At(p.X, p.Y), c.rounded ? shadowPixel : kBorderPixel) << p.X << "," << p.Y;
    EXPECT_EQ(pic.At(pic.size.cx / 2, shadow.Top + 1), kBorderPixel);
    EXPECT_EQ(pic.At(pic.size.cx / 2, bottom - 1), kBorderPixel);
  }
  section.BorderRadius = 0;
}

// Extended drawing (the skin's ExDrawMode 1 in the full extended-borders mode): the frame and the
// title come from the shadow template with the extended-border image's margins, the section
// gives only the background (its own border image is not drawn), and the border icons sit lower
// by the skin's centre offset. Without it the section's border image makes the frame.
TEST_F(DialogWrapper, ExtendedDrawingTakesTheFrameFromTheShadowTemplate) {
  const TRect shadow(9, 7, 11, 13);
  GiveShadow(*skin, shadow);
  TkvSkinData& d = *skin->skin.Data;
  d.ExBorder = skin->skin.AddImage(TRect(140, 0, 152, 12), 1, 0, 0, 2);
  d.ExCenterOffs = 3;
  d.Reindex();
  ASSERT_EQ(skin->skin.Manager.ExtBordersMode(), ebmFull);
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const TPoint sys = ClientOrigin(dlg);
  const uint32_t templatePixel = w->BorderForm->ShadowTemplate->View().At(3, 3);
  struct Case {
    Integer drawMode;
    bool extended;
  };
  for (const Case c : {Case{0, false}, Case{1, true}}) {
    SCOPED_TRACE(c.drawMode);
    d.ExDrawMode = c.drawMode;
    const layered::UpdateCall pic = RepaintedPicture(w);
    ASSERT_FALSE(pic.pixels.empty());
    const Integer midY = pic.size.cy / 2, right = pic.size.cx - shadow.Right;
    for (const TPoint p : {TPoint(shadow.Left + 1, midY), TPoint(right - 2, midY)}) {
      EXPECT_EQ(pic.At(p.X, p.Y), c.extended ? templatePixel : kBorderPixel) << p.X << "," << p.Y;
    }
    // The client's place is the section's background, opaque, either way.
    EXPECT_EQ(pic.At(pic.size.cx / 2, midY), 0xFF000000u | RgbOfColor(kDialogClient));
    const TRect icon = w->Icons[TkvDialogWnd::biClose].Rect;
    const TPoint o = w->FrameOrigin();
    EXPECT_EQ(icon.Top + o.Y, shadow.Top + (sys.Y - kGlyphH) / 2 + (c.extended ? 3 : 0));
    EXPECT_EQ(pic.At(icon.Left + o.X + kGlyphW / 2, icon.Top + o.Y + kGlyphH / 2), GlyphPixel(0, 0));
  }
  d.ExDrawMode = 0;
}

// The outer border window's hit test of a dialog's frame (points in its coordinates): the border
// icons, the title with the small icon, and nothing of ours over the client or in the shadow.
// A press handed on without a hit code (-1) takes this hit test's answer.
TEST_F(DialogWrapper, OuterBorderHitTestsTheDialogsFrame) {
  const TRect shadow(9, 7, 11, 13);
  TPoint sys;
  TkvDialogWnd* w = ShowWithWideOuterFrame(shadow, sys);
  ASSERT_NE(w, nullptr);
  const layered::UpdateCall pic = RepaintedPicture(w);
  ASSERT_FALSE(pic.pixels.empty());
  const HWND bw = w->BorderForm->LayeredWindow();
  RECT br{};
  GetWindowRect(bw, &br);
  const TPoint o = w->FrameOrigin();
  auto centre = [&](TkvDialogWnd::TIcon i) {
    const TRect& r = w->Icons[i].Rect;
    return TPoint(o.X + (r.Left + r.Right) / 2, o.Y + (r.Top + r.Bottom) / 2);
  };
  const TRect iconRect = w->IconRect();
  const Integer titleMiddle = shadow.Top + (sys.Y + 4) / 2;
  struct Case {
    const char* where;
    TPoint p;
    Integer code;
  };
  const Case cases[] = {
      {"close icon", centre(TkvDialogWnd::biClose), HTCLOSE},
      {"minimize icon", centre(TkvDialogWnd::biMin), HTMINBUTTON},
      {"small icon", TPoint(iconRect.Left + 1, iconRect.Top + 1), HTSYSMENU},
      {"title", TPoint(pic.size.cx / 2, titleMiddle), HTCAPTION},
      {"title's top row", TPoint(pic.size.cx / 2, shadow.Top), HTCAPTION},
      {"client", TPoint(pic.size.cx / 2, pic.size.cy / 2), HTTRANSPARENT},
      {"shadow below", TPoint(pic.size.cx / 2, pic.size.cy - 2), HTTRANSPARENT},
  };
  for (const Case& c : cases) {
    TMessage m{};
    m.Msg = WM_NCHITTEST;
    m.LParam = MAKELPARAM(br.left + c.p.X, br.top + c.p.Y);
    EXPECT_EQ(w->BorderForm->Ex_WMNCHitTest(m), c.code) << c.where;
  }
  // A press handed on without a code presses the icon under it.
  const TPoint close = centre(TkvDialogWnd::biClose);
  SendMessageW(dlg, WM_NCLBUTTONDOWN, WPARAM(-1), MAKELPARAM(br.left + close.X, br.top + close.Y));
  EXPECT_EQ(w->CurrentHT, HTCLOSE);
  EXPECT_EQ(w->Icons[TkvDialogWnd::biClose].State, 2);
  w->SetHotHT(0);
}

namespace {
// Ends the system's move loop that a caption press starts on the dialog.
void CALLBACK EndTheDialogMove(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostMessageW(nullptr, WM_LBUTTONUP, 0, 0);
}
}  // namespace

// The border window takes the frame's mouse actions and hands them to the dialog without a hit
// code: the dialog asks the border's hit test, so a press and release over the close icon close
// the dialog, a press on the title leaves it where it is, and the shadow lets clicks through.
TEST_F(DialogWrapper, OuterBorderHandsTheFramesMouseActionsToTheDialog) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  const auto noBlend = SetForScope(skin->skin.Manager.AnimEffects.BlendOnMoving.Active, false);
  const TRect shadow(9, 7, 11, 13);
  TPoint sys;
  TkvDialogWnd* w = ShowWithWideOuterFrame(shadow, sys);
  ASSERT_NE(w, nullptr);
  const HWND bw = w->BorderForm->LayeredWindow();
  RECT br{};
  GetWindowRect(bw, &br);
  const TPoint o = w->FrameOrigin();
  auto screen = [&](TPoint inBorder) { return MAKELPARAM(br.left + inBorder.X, br.top + inBorder.Y); };
  const TRect& closeRect = w->Icons[TkvDialogWnd::biClose].Rect;
  const TPoint close(o.X + (closeRect.Left + closeRect.Right) / 2, o.Y + (closeRect.Top + closeRect.Bottom) / 2);
  const TPoint title((br.right - br.left) / 2, shadow.Top + (sys.Y + 4) / 2);
  const TPoint inShadow((br.right - br.left) / 2, br.bottom - br.top - 2);

  // The frame answers as an object, so that its mouse actions arrive as non-client messages; the
  // shadow keeps the window's own answer, and a mouse message there opens a hole under it
  // through which the next click reaches the window below.
  struct Case {
    const char* where;
    TPoint p;
    LRESULT code;
  };
  const Case hits[] = {{"close icon", close, HTOBJECT}, {"title", title, HTOBJECT}, {"shadow", inShadow, HTCLIENT}};
  for (const Case& c : hits) EXPECT_EQ(SendMessageW(bw, WM_NCHITTEST, 0, screen(c.p)), c.code) << c.where;
  SendMessageW(bw, WM_MOUSEMOVE, 0, MAKELPARAM(inShadow.X, inShadow.Y));
  {
    const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(bw, rgn.get()), ERROR);
    EXPECT_FALSE(PtInRegion(rgn.get(), inShadow.X, inShadow.Y));
    EXPECT_TRUE(PtInRegion(rgn.get(), inShadow.X + 1, inShadow.Y));
  }
  EXPECT_EQ(SendMessageW(bw, WM_MOUSEACTIVATE, WPARAM(dlg), MAKELPARAM(HTOBJECT, WM_LBUTTONDOWN)), MA_NOACTIVATE);

  // Hovering the close icon makes it hot; a press in the shadow reaches nothing.
  SendMessageW(bw, WM_NCMOUSEMOVE, HTOBJECT, screen(close));
  EXPECT_EQ(w->CurrentHT, HTCLOSE);
  EXPECT_EQ(w->Icons[TkvDialogWnd::biClose].State, 1);
  SendMessageW(bw, WM_NCLBUTTONDOWN, HTOBJECT, screen(inShadow));
  EXPECT_FALSE(w->Clicked);

  // A press on the title: the system's move runs and ends where it began; nothing is pressed.
  RECT before{};
  GetWindowRect(dlg, &before);
  SetTimer(nullptr, 0, 50, &EndTheDialogMove);
  SendMessageW(bw, WM_NCLBUTTONDOWN, HTOBJECT, screen(title));
  SendMessageW(bw, WM_NCLBUTTONUP, HTOBJECT, screen(title));
  Application->ProcessMessages();
  ASSERT_TRUE(IsWindow(dlg));
  EXPECT_TRUE(IsWindowVisible(dlg));
  EXPECT_FALSE(IsIconic(dlg));
  RECT after{};
  GetWindowRect(dlg, &after);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_FALSE(w->Clicked);
  for (const auto& icon : w->Icons) EXPECT_NE(icon.State, 2);

  // Pressed over close, released over the title: nothing closes.
  SendMessageW(bw, WM_NCLBUTTONDOWN, HTOBJECT, screen(close));
  EXPECT_EQ(w->CurrentHT, HTCLOSE);
  EXPECT_EQ(w->Icons[TkvDialogWnd::biClose].State, 2);
  EXPECT_TRUE(w->Clicked);
  SendMessageW(bw, WM_NCLBUTTONUP, HTOBJECT, screen(title));
  Application->ProcessMessages();
  ASSERT_TRUE(IsWindow(dlg));
  EXPECT_FALSE(w->Clicked);

  // Pressed and released over close: the dialog closes, its border window with it.
  SendMessageW(bw, WM_NCLBUTTONDOWN, HTOBJECT, screen(close));
  SendMessageW(bw, WM_NCLBUTTONUP, HTOBJECT, screen(close));
  Application->ProcessMessages();
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_FALSE(IsWindow(bw));
  CleanSupportedList();
  EXPECT_EQ(FindFormInList(dlg), nullptr);
}

namespace {

// A window's region: whether it has one, and the box around it.
struct WindowRegion {
  bool has = false;
  TRect box;
};
WindowRegion RegionOf(HWND wnd) {
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  if (GetWindowRgn(wnd, rgn.get()) == ERROR) return {};
  RECT b{};
  GetRgnBox(rgn.get(), &b);
  return {true, TRect(b.left, b.top, b.right, b.bottom)};
}
bool InRegionOf(HWND wnd, TPoint p) {
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  return GetWindowRgn(wnd, rgn.get()) != ERROR && PtInRegion(rgn.get(), p.X, p.Y);
}
// The client rectangle in window coordinates, as the system placed it.
TRect ClientInWindow(HWND wnd) {
  RECT c{};
  GetClientRect(wnd, &c);
  const TPoint o = ClientOrigin(wnd);
  return TRect(o.X, o.Y, o.X + c.right, o.Y + c.bottom);
}
TRect WholeWindow(HWND wnd) {
  RECT r{};
  GetWindowRect(wnd, &r);
  return TRect(0, 0, r.right - r.left, r.bottom - r.top);
}

constexpr DWORD kCaptionDialog = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME;

// Answers the probe by which another skinning engine claims a window (message 0xBC4D asking
// with 16802, answered with 16802).
INT_PTR CALLBACK OtherEngineDialogProc(HWND wnd, UINT msg, WPARAM w, LPARAM) {
  if (msg == 0xBC4D && w == 16802) {
    SetWindowLongPtrW(wnd, DWLP_MSGRESULT, 16802);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

// The dialog's window region. Without an outer border: the whole window less the corner pixels
// its border image leaves transparent. With one: only the client area, placed by the system's
// frame metrics whatever the skin's frame and shadow are, and the border window (which shows
// the frame) leaves exactly that area out of its own region. A popup without caption or border
// bits keeps no region either way.
TEST_F(DialogWrapper, WindowRegionIsTheClientAreaWithAnOuterBorder) {
  TkvSkinData& d = *skin->skin.Data;
  struct Case {
    const char* what;
    DWORD style;
    bool outer;
    TRect shadow;
    Integer skinSide, skinTitle;  // the skin's extended frame (0: the dialog's own)
  };
  const TRect shadow(9, 7, 11, 13);
  const Case cases[] = {
      {"without outer border", kCaptionDialog, false, TRect(), 0, 0},
      {"outer border", kCaptionDialog, true, shadow, 0, 0},
      {"outer border, wider skin frame", kCaptionDialog, true, TRect(4, 4, 4, 4), 14, 40},
      {"sizeable, outer border", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, true, shadow, 0, 0},
      {"no caption, outer border", WS_POPUP | WS_DLGFRAME, true, shadow, 0, 0},
      {"popup without border", WS_POPUP, false, TRect(), 0, 0},
      {"popup without border, outer border", WS_POPUP, true, shadow, 0, 0},
      {"popup with only a sizing frame, outer border", WS_POPUP | WS_THICKFRAME, true, shadow, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.outer)
      GiveShadow(*skin, c.shadow);
    else
      skin->skin.Manager.SetExtendedBorders(false);
    d.ExBorderWidth = c.skinSide;
    d.ExTitleHeight = c.skinTitle;
    DialogTemplate tmpl{};
    tmpl.t.style = c.style;
    tmpl.t.x = tmpl.t.y = 40;
    tmpl.t.cx = 160;
    tmpl.t.cy = 80;
    dlg = CreateDialogIndirectParamW(nullptr, &tmpl.t, nullptr, &ClosingDialogProc, 0);
    ASSERT_NE(dlg, nullptr);
    ShowDialog();
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->BorderForm != nullptr, c.outer);
    const WindowRegion region = RegionOf(dlg);
    const TRect client = ClientInWindow(dlg);
    if (!(c.style & WS_CAPTION)) {
      EXPECT_FALSE(region.has);
      // A sizing frame the popup has is painted by the dialog itself, from the picture.
      if (c.style & WS_THICKFRAME) { EXPECT_EQ(At(1, WholeWindow(dlg).Bottom / 2), ColorOfPixel(kBorderPixel)); }
    } else if (!c.outer) {
      ASSERT_TRUE(region.has);
      EXPECT_EQ(region.box, WholeWindow(dlg));
      EXPECT_FALSE(InRegionOf(dlg, TPoint(0, 0)));  // a transparent corner pixel of the border image
      EXPECT_TRUE(InRegionOf(dlg, TPoint(client.Left - 1, client.Top)));
    } else {
      ASSERT_TRUE(region.has);
      EXPECT_EQ(region.box, client);
      EXPECT_FALSE(InRegionOf(dlg, TPoint(client.Left - 1, client.Top)));
      // The border window: its hole is the client area, the frame around it is its own.
      const HWND bw = w->BorderForm->LayeredWindow();
      ASSERT_NE(bw, nullptr);
      const TPoint o = w->FrameOrigin();
      EXPECT_FALSE(InRegionOf(bw, TPoint(o.X + client.Left, o.Y + client.Top)));
      EXPECT_FALSE(InRegionOf(bw, TPoint(o.X + client.Right - 1, o.Y + client.Bottom - 1)));
      EXPECT_TRUE(InRegionOf(bw, TPoint(o.X + client.Left - 1, o.Y + client.Top)));
      EXPECT_TRUE(InRegionOf(bw, TPoint(o.X + client.Left, o.Y + client.Top - 1)));
      EXPECT_TRUE(InRegionOf(bw, TPoint(o.X + client.Right, o.Y + client.Bottom - 1)));
      EXPECT_TRUE(InRegionOf(bw, TPoint(o.X + client.Right - 1, o.Y + client.Bottom)));
    }
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
  d.ExBorderWidth = d.ExTitleHeight = 0;
}

// The region follows the dialog: minimized (the border window goes) the dialog shows its whole
// window again, restored only its client area; a new size gets its region at once; with the
// outer border dropped the dialog shows its whole frame itself.
TEST_F(DialogWrapper, WindowRegionFollowsTheDialogsStateAndSize) {
  GiveShadow(*skin, TRect(9, 7, 11, 13));
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(RegionOf(dlg).box, ClientInWindow(dlg));

  ShowWindow(dlg, SW_MINIMIZE);
  Application->ProcessMessages();
  ASSERT_TRUE(IsIconic(dlg));
  EXPECT_EQ(w->BorderForm->LayeredWindow(), nullptr);
  EXPECT_EQ(RegionOf(dlg).box, WholeWindow(dlg));

  ShowWindow(dlg, SW_RESTORE);
  Application->ProcessMessages();
  ASSERT_FALSE(IsIconic(dlg));
  ASSERT_NE(w->BorderForm->LayeredWindow(), nullptr);
  EXPECT_EQ(RegionOf(dlg).box, ClientInWindow(dlg));

  RECT r{};
  GetWindowRect(dlg, &r);
  SetWindowPos(dlg, nullptr, 0, 0, r.right - r.left + 37, r.bottom - r.top + 23, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(RegionOf(dlg).box, ClientInWindow(dlg));  // without waiting for a paint
  Application->ProcessMessages();
  EXPECT_EQ(RegionOf(dlg).box, ClientInWindow(dlg));

  w->InitExBorders(false);
  EXPECT_EQ(RegionOf(dlg).box, WholeWindow(dlg));
  EXPECT_TRUE(InRegionOf(dlg, TPoint(1, ClientInWindow(dlg).Top)));
}

// A window that another skinning engine claims (it answers the probe) keeps its region: none
// is set on it, with or without an outer border.
TEST_F(DialogWrapper, DialogClaimedByAnotherEngineKeepsItsRegion) {
  for (const bool outer : {false, true}) {
    SCOPED_TRACE(outer);
    UseOuterBorder(outer);
    ASSERT_NE(MakeDialogWithProc(&OtherEngineDialogProc), nullptr);
    ShowDialog();
    ASSERT_NE(Wrapper(), nullptr);
    EXPECT_EQ(SendMessageW(dlg, 0xBC4D, 16802, 0), 16802);
    EXPECT_FALSE(RegionOf(dlg).has);
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}

// A click as the user gives it (through the system's input) on the close icon of a dialog with
// an outer border: the icon's place on screen is the border window's, whose picture shows it
// (the dialog's own window keeps only its client area), and the click closes the dialog.
TEST_F(DialogWrapper, RealClickOnTheBorderWindowsCloseIconClosesTheDialog) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  GiveShadow(*skin, TRect(9, 7, 11, 13));
  ASSERT_NE(MakeDialog(), nullptr);
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  const HWND bw = w->BorderForm->LayeredWindow();
  const TRect icon = w->Icons[TkvDialogWnd::biClose].Rect;
  // The icon lies on the dialog's own window: there the border window shows through it.
  ASSERT_TRUE(WholeWindow(dlg).Contains(TPoint(icon.Left, icon.Top)));
  const POINT close = ScreenPoint(IconCentre(TkvDialogWnd::biClose));
  const TRect client = ClientInWindow(dlg);
  EXPECT_EQ(WindowFromPoint(close), bw);
  EXPECT_EQ(WindowFromPoint(ScreenPoint(TPoint(client.Left + 2, client.Top + 2))), dlg);
  ClickAt(TPoint(close.x, close.y));
  for (int i = 0; i < 100 && IsWindow(dlg); ++i) PumpMessages(10);
  EXPECT_FALSE(IsWindow(dlg));
  EXPECT_FALSE(IsWindow(bw));
}

namespace {
// A shadow template whose every pixel differs from the others (and from the frame's).
std::unique_ptr<TBitmap> CodedTemplate(Integer size) {
  auto tpl = std::make_unique<TBitmap>(size, size, pf32bit);
  TPixelView v = tpl->View();
  for (Integer y = 0; y < size; ++y)
    for (Integer x = 0; x < size; ++x) v.At(x, y) = 0xC0000000u | uint32_t(x * 5) << 16 | uint32_t(y * 5) << 8 | 0x11u;
  return tpl;
}
}  // namespace

// With an outer border, the corners of the frame that its border images leave transparent
// (their key-colour pixels) show the shadow template, each corner the template's pixels at the
// same corner inside its shadow margins: the top corners by the title section's border image
// when there is one, else by the dialog section's, of which only the outer 8 x 8 pixels count;
// the bottom corners by the dialog section's. The images' other pixels keep the frame.
TEST_F(DialogWrapper, FrameCornersShowTheShadowThroughTheBorderImagesKeyPixels) {
  const TRect shadow(9, 7, 11, 13);
  GiveShadow(*skin, shadow);
  TkvSkinData& d = *skin->skin.Data;
  constexpr Integer kTpl = 41;
  for (auto* slot : {&d.ShdaTemplate, &d.ShdiTemplate}) *slot = CodedTemplate(kTpl);
  // The dialog's frame: a 30 x 30 image of 12-pixel margins with key pixels at each corner's
  // tip and 10 pixels in from it.
  const Integer frame = skin->skin.AddImage(TRect(160, 0, 190, 30), 1, 0, 0, 12);
  skin->skin.Fill(frame, 0, kBorderPixel);
  for (const TPoint p : {TPoint(0, 0), TPoint(10, 10), TPoint(29, 0), TPoint(19, 10), TPoint(0, 29), TPoint(10, 19),
                         TPoint(29, 29), TPoint(19, 19)})
    skin->skin.Put(frame, 0, p.X, p.Y, kKey);
  skin->skin.Section(skin->dialog).BorderIndex = frame;
  // A title section whose border image (6-pixel margins) has key pixels one in from its top tips.
  constexpr uint32_t kTitlePixel = 0xFF205080;
  const Integer titleImage = skin->skin.AddImage(TRect(200, 0, 230, 30), 1, 0, 0, 6);
  skin->skin.Fill(titleImage, 0, kTitlePixel);
  for (const TPoint p : {TPoint(1, 1), TPoint(28, 1)}) skin->skin.Put(titleImage, 0, p.X, p.Y, kKey);
  TsGeneralData titleSection = PlainSection(u"DIALOGTITLE", 0, kTitleActive, 2);
  titleSection.BorderIndex = titleImage;
  const Integer title = skin->skin.AddSection(titleSection);
  d.Reindex();

  for (const bool withTitle : {false, true}) {
    SCOPED_TRACE(withTitle ? "title section's border image" : "dialog section's border image");
    skin->skin.Manager.SkinCommonInfo.Sections[ssDialogTitle] = withTitle ? title : -1;
    ASSERT_NE(MakeDialog(), nullptr);
    TkvDialogWnd* w = ShowWithOuterBorder();
    ASSERT_NE(w, nullptr);
    const layered::UpdateCall pic = RepaintedPicture(w);
    ASSERT_FALSE(pic.pixels.empty());
    const TRect body(shadow.Left, shadow.Top, pic.size.cx - shadow.Right, pic.size.cy - shadow.Bottom);
    const TPixelView tpl = d.ShdaTemplate->View();
    const Integer tplRight = kTpl - shadow.Right, tplBottom = kTpl - shadow.Bottom;
    struct Case {
      const char* where;
      TPoint frame;  // in the picture
      bool filled;
      TPoint fromTemplate;  // when filled
    };
    std::vector<Case> cases = {
        {"bottom-left tip", TPoint(body.Left, body.Bottom - 1), true, TPoint(shadow.Left, tplBottom - 1)},
        {"bottom-left inner", TPoint(body.Left + 10, body.Bottom - 11), true, TPoint(shadow.Left + 10, tplBottom - 11)},
        {"bottom-right tip", TPoint(body.Right - 1, body.Bottom - 1), true, TPoint(tplRight - 1, tplBottom - 1)},
        {"bottom-right inner", TPoint(body.Right - 11, body.Bottom - 11), true, TPoint(tplRight - 11, tplBottom - 11)},
        {"bottom edge", TPoint(body.Left + 1, body.Bottom - 1), false, TPoint()},
    };
    if (withTitle) {
      cases.push_back(
          {"title's top-left key", TPoint(body.Left + 1, body.Top + 1), true, TPoint(shadow.Left + 1, shadow.Top + 1)});
      cases.push_back(
          {"title's top-right key", TPoint(body.Right - 2, body.Top + 1), true, TPoint(tplRight - 2, shadow.Top + 1)});
      cases.push_back({"dialog's top-left tip", TPoint(body.Left, body.Top), false, TPoint()});
    } else {
      cases.push_back({"top-left tip", TPoint(body.Left, body.Top), true, TPoint(shadow.Left, shadow.Top)});
      cases.push_back({"top-right tip", TPoint(body.Right - 1, body.Top), true, TPoint(tplRight - 1, shadow.Top)});
      cases.push_back({"top-left beyond 8 pixels", TPoint(body.Left + 10, body.Top + 10), false, TPoint()});
      cases.push_back({"top-right beyond 8 pixels", TPoint(body.Right - 11, body.Top + 10), false, TPoint()});
      cases.push_back({"top edge", TPoint(body.Left + 1, body.Top), false, TPoint()});
    }
    for (const Case& c : cases) {
      const uint32_t pixel = pic.At(c.frame.X, c.frame.Y);
      if (c.filled) {
        EXPECT_EQ(pixel, tpl.At(c.fromTemplate.X, c.fromTemplate.Y)) << c.where;
      } else {
        EXPECT_EQ(pixel >> 24, 0xFFu) << c.where;  // the frame's own, opaque
        for (Integer y = 0; y < kTpl; ++y)
          for (Integer x = 0; x < kTpl; ++x) ASSERT_NE(pixel, tpl.At(x, y)) << c.where;
      }
    }
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}

// With an outer border the caption is written with alpha in the plain (not extended) drawing
// too: the title strip the wrapper keeps holds its text pixels opaque, where the system's text
// drawing leaves them transparent.
TEST_F(DialogWrapper, CaptionIsWrittenWithAlphaOverAnOuterBorder) {
  GiveShadow(*skin, TRect(9, 7, 11, 13));
  AddDialogTitle();
  ASSERT_FALSE(ExtendedFrameDrawing(skin->skin.Data, &skin->skin.Manager));
  ASSERT_NE(MakeDialog(), nullptr);
  SetWindowTextW(dlg, L"WWWWWWWW");
  TkvDialogWnd* w = ShowWithOuterBorder();
  ASSERT_NE(w, nullptr);
  RepaintedPicture(w);
  ASSERT_NE(w->TitleBG, nullptr);
  const TPixelView strip = w->TitleBG->View();
  const TPoint sys = ClientOrigin(dlg);
  const Integer right = w->Icons[TkvDialogWnd::biMin].Rect.Left;
  Integer textPixels = 0, transparent = 0;
  for (Integer y = kBorder; y < sys.Y; ++y)
    for (Integer x = sys.X + 4; x < right; ++x) {
      const uint32_t p = strip.At(x, y);
      if ((p & 0xFFFFFF) == RgbOfColor(kDialogClient)) continue;  // the title's background
      ++textPixels;
      if (p >> 24 != 0xFF) ++transparent;
    }
  EXPECT_GT(textPixels, 20);
  EXPECT_EQ(transparent, 0);
}

namespace {
// The right-button messages that reach a dialog's window procedure, with their hit codes.
struct RightButtonLog {
  std::vector<std::pair<UINT, WPARAM>> seen;
  WNDPROC next = nullptr;
};
RightButtonLog* gRightLog = nullptr;
LRESULT CALLBACK LogRightButtons(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
  if (gRightLog && (msg == WM_NCRBUTTONDOWN || msg == WM_NCRBUTTONUP)) gRightLog->seen.emplace_back(msg, w);
  return CallWindowProcW(gRightLog->next, wnd, msg, w, l);
}
}  // namespace

// The border window hands a right press on the frame to the dialog with its own hit code (the
// title, the small icon, a border icon; nothing from the shadow), and a right release without
// one (-1), for the dialog to hit-test: over the title that drops the skinned system menu, also
// for a right click as the user gives it.
TEST_F(DialogWrapper, RightClicksOnTheBorderWindowReachTheDialog) {
  const TRect shadow(9, 7, 11, 13);
  TPoint sys;
  TkvDialogWnd* w = ShowWithWideOuterFrame(shadow, sys);
  ASSERT_NE(w, nullptr);
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  const HWND bw = w->BorderForm->LayeredWindow();
  const TRect picture = WholeWindow(bw);
  auto screen = [&](TPoint inBorder) { return BorderParam(w, inBorder); };
  const TRect iconRect = w->IconRect();
  const TPoint title(picture.Right / 2, shadow.Top + (sys.Y + 4) / 2);
  const TPoint inShadow(picture.Right / 2, picture.Bottom - 2);

  RightButtonLog log;
  const auto logging = SetForScope(gRightLog, &log, nullptr);
  log.next = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(dlg, GWLP_WNDPROC, LONG_PTR(&LogRightButtons)));
  const TScopeExit unhook([&] { SetWindowLongPtrW(dlg, GWLP_WNDPROC, LONG_PTR(log.next)); });

  struct Case {
    const char* where;
    TPoint p;
    Integer code;  // the forwarded hit code, -2 for nothing forwarded
  };
  const Case presses[] = {
      {"title", title, HTCAPTION},
      {"small icon", TPoint(iconRect.Left + 1, iconRect.Top + 1), HTSYSMENU},
      {"close icon", IconOnBorder(w, TkvDialogWnd::biClose), HTCLOSE},
      {"minimize icon", IconOnBorder(w, TkvDialogWnd::biMin), HTMINBUTTON},
      {"shadow", inShadow, -2},
  };
  for (const Case& c : presses) {
    log.seen.clear();
    SendMessageW(bw, WM_NCRBUTTONDOWN, HTOBJECT, screen(c.p));
    if (c.code == -2) {
      EXPECT_TRUE(log.seen.empty()) << c.where;
      continue;
    }
    ASSERT_EQ(log.seen.size(), 1u) << c.where;
    EXPECT_EQ(log.seen[0].first, UINT(WM_NCRBUTTONDOWN)) << c.where;
    EXPECT_EQ(Integer(log.seen[0].second), c.code) << c.where;
  }

  // A release over the close icon is handed on without a code and drops no menu.
  log.seen.clear();
  SendMessageW(bw, WM_NCRBUTTONUP, HTOBJECT, screen(IconOnBorder(w, TkvDialogWnd::biClose)));
  ASSERT_EQ(log.seen.size(), 1u);
  EXPECT_EQ(log.seen[0], std::make_pair(UINT(WM_NCRBUTTONUP), WPARAM(-1)));
  EXPECT_EQ(VisibleMenuWindow(), nullptr);

  // A release over the title drops the skinned system menu (closed by the timer).
  for (const bool real : {false, true}) {
    SCOPED_TRACE(real ? "right click through the system's input" : "release handed on");
    log.seen.clear();
    DialogMenuProbe probe;
    gMenuProbe = &probe;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, CloseDialogMenu);
    if (real) {
      ClickAt(BorderOnScreen(w, title), false, true);
      for (int i = 0; i < 100 && !probe.menu; ++i) PumpMessages(10);
    } else {
      SendMessageW(bw, WM_NCRBUTTONUP, HTOBJECT, screen(title));
    }
    KillTimer(nullptr, timer);
    gMenuProbe = nullptr;
    Application->ProcessMessages();
    EXPECT_NE(probe.menu, nullptr);
    EXPECT_TRUE(probe.wrapped);
    ASSERT_FALSE(log.seen.empty());
    EXPECT_EQ(log.seen.back(), std::make_pair(UINT(WM_NCRBUTTONUP), WPARAM(-1)));
    if (real) { EXPECT_EQ(log.seen.front(), std::make_pair(UINT(WM_NCRBUTTONDOWN), WPARAM(HTCAPTION))); }
  }
  ASSERT_TRUE(IsWindow(dlg));
}

// The dialog's children take their backgrounds from its picture where its client area lies
// there (the frame, the title and, with an outer border, the shadow are around it): the offset
// the dialog answers and the one it gives with its picture agree with that place, and a child
// that asks to be drawn gets the client's pixels at its own position.
TEST_F(DialogWrapper, ChildrenTakeTheirBackgroundFromTheClientsPlaceOnThePicture) {
  // A corner image makes the section more than a plain colour: its picture is the background.
  skin->skin.Section(skin->dialog).ImgTL = skin->glyph[1];
  for (const bool outer : {false, true}) {
    SCOPED_TRACE(outer ? "outer border" : "no outer border");
    TPoint sys;
    TkvDialogWnd* w = nullptr;
    if (outer) {
      w = ShowWithWideOuterFrame(TRect(9, 7, 11, 13), sys);
    } else {
      skin->skin.Manager.SetExtendedBorders(false);
      ASSERT_NE(MakeDialog(), nullptr);
      ShowDialog();
      w = Wrapper();
    }
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->BorderForm != nullptr, outer);
    const TPoint o = w->FrameOrigin();
    const TRect client = ClientInWindow(dlg);
    const TPoint place(o.X + client.Left, o.Y + client.Top);
    const LRESULT answer = SendMessageW(dlg, SM_ALPHACMD, MAKEWPARAM(0, KV_PARENTCLOFFSET), 0);
    EXPECT_EQ(TPoint(LOWORD(answer), HIWORD(answer)), place);

    TkvBGInfo info;
    SendMessageW(dlg, SM_ALPHACMD, MAKEWPARAM(0, KV_GETBG), LPARAM(&info));
    EXPECT_EQ(info.BgType, btCache);
    EXPECT_EQ(info.Bmp, w->SkinData->FCacheBmp.get());
    EXPECT_EQ(info.Offset, place);

    // Drawn for a child at (5, 3) of the client: the picture's pixels there.
    TBitmap target(4, 4, pf32bit);
    TkvBGInfo draw;
    draw.PleaseDraw = true;
    draw.DrawDC = target.Canvas()->Handle();
    draw.R = TRect(0, 0, 4, 4);
    draw.Offset = TPoint(5, 3);
    SendMessageW(dlg, SM_ALPHACMD, MAKEWPARAM(0, KV_GETBG), LPARAM(&draw));
    const TPixelView picture = w->SkinData->FCacheBmp->View();
    for (const TPoint p : {TPoint(0, 0), TPoint(3, 3)}) {
      EXPECT_EQ(target.View().At(p.X, p.Y) & 0xFFFFFF, picture.At(place.X + 5 + p.X, place.Y + 3 + p.Y) & 0xFFFFFF);
    }
    EXPECT_EQ(target.View().At(0, 0) & 0xFFFFFF, RgbOfColor(kDialogClient));
    DestroyWindow(dlg);
    dlg = nullptr;
    CleanSupportedList();
  }
}
