// The outer border window of a form whose skin draws extended borders: the picture handed to
// UpdateLayeredWindow (shadow from the skin's template, title, client, checked pixel by pixel),
// where the window lies, the regions of the form and of the border window, its hit tests and
// cursors, clicks in the shadow falling through the holes the mouse punches into its region,
// the close button and the double-click stretch reached through it, the blur behind it, the
// blended move, glued forms and snapping, and the scale change carried by the border window, its
// rounded corners, the application's own hit test and native borders when maximized.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sConst.h"
#include "base/sMessages.h"
#include "controls/kvPopupController.h"
#include "forms/kvDials.h"
#include "forms/sSkinProviderMotion.h"
#include "raster/GdiBitmaps.h"
#include "skin/sVclUtils.h"
#include "support/FormSkin.h"
#include "support/ImportHook.h"
#include "support/LayeredCalls.h"
#include "support/ManualTimerDriver.h"
#include "support/RedrawCalls.h"
#include "support/ScrollSkin.h"
#include "support/ShadowTemplate.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"
#include "wrappers/kvSBUtils.h"

using namespace formskin;

namespace {

std::vector<layered::UpdateCall>& calls = layered::updates;

// Blur-behind requests as handed to the system.
struct BlurCall {
  HWND wnd;
  DWORD flags;
  BOOL enable;
  RECT box;  // the region's box; empty without a region
};
std::vector<BlurCall> blurCalls;
decltype(TkvDwmEntries::DwmEnableBlurBehindWindow) realBlur = nullptr;
HRESULT WINAPI RecordBlur(HWND wnd, const TkvDwmBlurBehind* bb) {
  BlurCall c{wnd, bb->dwFlags, bb->fEnable, {}};
  if (bb->hRgnBlur) GetRgnBox(bb->hRgnBlur, &c.box);
  blurCalls.push_back(c);
  return realBlur(wnd, bb);
}

constexpr TRect kShadow(10, 8, 12, 14);
constexpr Integer kTitle = 30, kSkinBorder = 4, kTpl = 7;

uint32_t TemplatePixel(Integer x, Integer y, uint32_t tone) { return shadowtpl::Pixel(x, y, tone); }
std::unique_ptr<TBitmap> Template(uint32_t tone) { return shadowtpl::Make(kTpl, tone); }

class Bordered : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    // The layered-window functions are bound once more, this time to the recorder.
    recorder.emplace();
    calls.clear();
    DuRiruZireziv& m = skin->skin.Manager;
    m.SetExtendedBorders(true);
    TkvSkinData& d = *skin->skin.Data;
    d.ExTitleHeight = kTitle;
    d.ExBorderWidth = kSkinBorder;
    d.FormShadowSize = kShadow;
    d.ShdaTemplate = Template(0x11);
    d.ShdiTemplate = Template(0x22);
    // Away from the screen's edge (the window was made where the system places new ones), so
    // the whole border window, shadow included, lies on the screen and the mouse reaches
    // every band of it.
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    // No mouse over the frame until a test puts it there (an earlier test may have left it
    // on a caption button).
    SetCursorPos(0, 0);
    Skin();
    ShowForm();
    ASSERT_TRUE(sp->BorderForm);
    bw = sp->BorderForm->LayeredWindow();
    ASSERT_TRUE(bw);
  }
  void TearDown() override {
    // The mouse leaves the frame while the form is still there, so that no hover of this test
    // reaches the next test's form at the same place.
    SetCursorPos(0, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    SkinnedForm::TearDown();
    recorder.reset();
  }
  std::optional<layered::LayeredCalls> recorder;
  RECT BorderRect() {
    RECT r{};
    GetWindowRect(bw, &r);
    return r;
  }
  // A point of the border window in screen coordinates.
  TPoint OnScreen(Integer x, Integer y) {
    const RECT r = BorderRect();
    return TPoint(r.left + x, r.top + y);
  }
  Integer Test(Integer x, Integer y) {
    const TPoint p = OnScreen(x, y);
    TMessage m = MakeMessage(WM_NCHITTEST, 0, PointToLParam(p.X, p.Y));
    return sp->BorderForm->Ex_WMNCHitTest(m);
  }
  LRESULT Send(UINT msg, Integer x, Integer y) {
    const TPoint p = OnScreen(x, y);
    return SendMessageW(bw, msg, HTOBJECT, MAKELPARAM(p.X, p.Y));
  }
  bool InBorderRegion(Integer x, Integer y) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const bool has = GetWindowRgn(bw, rgn) != ERROR;
    const bool in = !has || PtInRegion(rgn, x, y);
    DeleteObject(rgn);
    return in;
  }
  const layered::UpdateCall* LastUpdate() {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
      if (it->wnd == bw) return &*it;
    return nullptr;
  }
  TPoint Centre(const TsCaptionButton& b) {
    return TPoint((b.cpRect.Left + b.cpRect.Right) / 2, (b.cpRect.Top + b.cpRect.Bottom) / 2);
  }
  // Both of the form's scroll bars shown, skinned from the scroll-bar tests' skin, 17 thick.
  void ShowSkinnedBars() {
    kvSBUtilsStartup();  // the flat scroll-bar functions the engine's start-up binds
    AddScrollParts(skin->skin);
    skin->skin.Data->Reindex();
    for (TkvScrollData* d : {sp->FCommonData->FHorzScrollData.get(), sp->FCommonData->FVertScrollData.get()})
      d->FScrollWidth = 17;
    const HWND h = form->Handle();
    for (int bar : {SB_HORZ, SB_VERT}) {
      SCROLLINFO si{sizeof(si), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 999, 100, 0, 0};
      SetScrollInfo(h, bar, &si, FALSE);
    }
    ShowScrollBar(h, SB_BOTH, TRUE);
    Application->ProcessMessages();
  }
  HWND bw = nullptr;
};

}  // namespace

TEST_F(Bordered, TheLayeredWindowShowsTheWholePictureAroundTheForm) {
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  const HWND h = form->Handle();
  EXPECT_TRUE(IsWindowVisible(bw));
  // Layered, and neither a tool window nor one that never activates, nor mouse-transparent.
  const LONG ex = GetWindowLongW(bw, GWL_EXSTYLE);
  EXPECT_EQ(ex & (WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TRANSPARENT), WS_EX_LAYERED);
  EXPECT_EQ(reinterpret_cast<HWND>(GetWindowLongPtrW(bw, GWLP_HWNDPARENT)), h);
  const Integer cw = form->ClientWidth(), ch = form->ClientHeight();
  const Integer w = cw + 2 * kSkinBorder + kShadow.Left + kShadow.Right;
  const Integer hh = ch + kTitle + kSkinBorder + kShadow.Top + kShadow.Bottom;
  // The client areas of the picture and of the form line up on the screen.
  const RECT r = BorderRect();
  EXPECT_EQ(r.right - r.left, w);
  EXPECT_EQ(r.bottom - r.top, hh);
  POINT client{0, 0};
  ClientToScreen(h, &client);
  EXPECT_EQ(client.x, r.left + kShadow.Left + kSkinBorder);
  EXPECT_EQ(client.y, r.top + kShadow.Top + kTitle);

  const layered::UpdateCall* c = LastUpdate();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->size.cx, w);
  EXPECT_EQ(c->size.cy, hh);
  EXPECT_EQ(c->pos.x, r.left);
  EXPECT_EQ(c->pos.y, r.top);
  EXPECT_EQ(c->alpha, 255);
  EXPECT_EQ(c->flags, DWORD(ULW_ALPHA));
  // The shadow: the active template's corners as they are, its middle lines stretched.
  EXPECT_EQ(c->At(0, 0), TemplatePixel(0, 0, 0x11));
  EXPECT_EQ(c->At(w - 1, hh - 1), TemplatePixel(6, 6, 0x11));
  EXPECT_EQ(c->At(w / 2, 0), TemplatePixel(3, 0, 0x11));
  EXPECT_EQ(c->At(0, hh / 2), TemplatePixel(0, 3, 0x11));
  EXPECT_EQ(c->At(w - 1, hh / 2), TemplatePixel(6, 3, 0x11));
  // The title and the client, opaque.
  const TPoint title(sp->ButtonMin.cpRect.Left - 12, sp->VCenter);
  EXPECT_EQ(c->At(title.X, title.Y), 0xFF000000u | RgbOfColor(kTitleActive));
  EXPECT_EQ(c->At(kShadow.Left + kSkinBorder + cw / 2, kShadow.Top + kTitle + ch / 2),
            0xFF000000u | RgbOfColor(kClientActive));
  // The close button inside the shadow margins, in its normal look.
  const TPoint close = Centre(sp->ButtonClose);
  EXPECT_GE(close.Y, kShadow.Top);
  EXPECT_LT(sp->ButtonClose.cpRect.Right, w - kShadow.Right);
  EXPECT_EQ(c->At(close.X, close.Y), GlyphPixel(0, 0));
}

TEST_F(Bordered, TheInactiveLookTakesTheInactiveShadow) {
  SendMessageW(form->Handle(), WM_NCACTIVATE, FALSE, 0);
  const layered::UpdateCall* c = LastUpdate();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->At(0, 0), TemplatePixel(0, 0, 0x22));
  const TPoint title(sp->ButtonMin.cpRect.Left - 12, sp->VCenter);
  EXPECT_EQ(c->At(title.X, title.Y), 0xFF000000u | RgbOfColor(kTitleInactive));
}

TEST_F(Bordered, TheFormShowsItsClientAndTheBorderWindowTheRest) {
  const HWND h = form->Handle();
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(h, rgn), ERROR);
  RECT box{};
  GetRgnBox(rgn, &box);
  DeleteObject(rgn);
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  RECT wr{};
  GetWindowRect(h, &wr);
  EXPECT_EQ(box.left, origin.x - wr.left);
  EXPECT_EQ(box.top, origin.y - wr.top);
  EXPECT_EQ(box.right - box.left, form->ClientWidth());
  EXPECT_EQ(box.bottom - box.top, form->ClientHeight());
  // The border window leaves the client out and keeps frame and shadow.
  const Integer cx = kShadow.Left + kSkinBorder + form->ClientWidth() / 2;
  const Integer cy = kShadow.Top + kTitle + form->ClientHeight() / 2;
  EXPECT_FALSE(InBorderRegion(cx, cy));
  EXPECT_TRUE(InBorderRegion(cx, kShadow.Top + 2));
  EXPECT_TRUE(InBorderRegion(1, 1));
}

TEST_F(Bordered, FrameAndShadowAnswerTheHitTest) {
  const RECT r = BorderRect();
  const Integer w = r.right - r.left, hh = r.bottom - r.top;
  // Through the window: every frame point comes as a non-client action, the shadow does not.
  EXPECT_EQ(Send(WM_NCHITTEST, w / 2, kShadow.Top + 10), HTOBJECT);
  EXPECT_EQ(Send(WM_NCHITTEST, kShadow.Left - 5, hh / 2), HTOBJECT);
  EXPECT_NE(Send(WM_NCHITTEST, 1, hh / 2), HTOBJECT);
  EXPECT_NE(Send(WM_NCHITTEST, w / 2, hh - 2), HTOBJECT);

  const TPoint close = Centre(sp->ButtonClose), max = Centre(sp->ButtonMax), min = Centre(sp->ButtonMin);
  struct Case {
    const char* name;
    Integer x, y;
    Integer code;
  };
  // Bands: 6 pixels (the skin says 4) outside the body (10, 8) .. (w - 12, hh - 14).
  const Case cases[] = {
      {"caption", w / 2, kShadow.Top + 10, HTCAPTION},
      {"close", close.X, close.Y, HTCLOSE},
      {"maximize", max.X, max.Y, HTMAXBUTTON},
      {"minimize", min.X, min.Y, HTMINBUTTON},
      {"left band", kShadow.Left - 4, hh / 2, HTLEFT},
      {"right band", w - kShadow.Right + 5, hh / 2, HTRIGHT},
      {"top band", w / 2, kShadow.Top - 5, HTTOP},
      {"bottom band", w / 2, hh - kShadow.Bottom + 6, HTBOTTOM},
      {"top-left", kShadow.Left - 2, kShadow.Top - 2, HTTOPLEFT},
      {"bottom-right", w - kShadow.Right + 2, hh - kShadow.Bottom + 2, HTBOTTOMRIGHT},
      {"client", kShadow.Left + kSkinBorder + 20, kShadow.Top + kTitle + 20, HTTRANSPARENT},
  };
  for (const Case& c : cases) EXPECT_EQ(Test(c.x, c.y), c.code) << c.name;
}

TEST_F(Bordered, CloseCommandStatesChangeTheButtonsCode) {
  const TPoint close = Centre(sp->ButtonClose);
  HMENU menu = GetSystemMenu(form->Handle(), FALSE);
  ASSERT_TRUE(menu);
  EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  EXPECT_EQ(Test(close.X, close.Y), HTCAPTION);
  EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
  EXPECT_EQ(Test(close.X, close.Y), HTCLOSE);
  // A disabled form answers nothing: the clicks go through it.
  EnableWindow(form->Handle(), FALSE);
  EXPECT_EQ(Test(close.X, close.Y), HTTRANSPARENT);
  EnableWindow(form->Handle(), TRUE);
}

TEST_F(Bordered, SizingCursorsOverTheBands) {
  const RECT r = BorderRect();
  const Integer w = r.right - r.left, hh = r.bottom - r.top;
  struct Case {
    Integer x, y;
    LPCWSTR cursor;
  };
  const Case cases[] = {
      {kShadow.Left - 3, hh / 2, IDC_SIZEWE},
      {w / 2, kShadow.Top - 3, IDC_SIZENS},
      {kShadow.Left - 2, kShadow.Top - 2, IDC_SIZENWSE},
      {w - kShadow.Right + 2, kShadow.Top - 2, IDC_SIZENESW},
      {w / 2, kShadow.Top + 10, IDC_ARROW},
  };
  ASSERT_GE(r.left, 0);
  ASSERT_GE(r.top, 0);
  for (const Case& c : cases) {
    SetCursor(nullptr);
    const TPoint p = OnScreen(c.x, c.y);
    SetCursorPos(p.X, p.Y);
    SendMessageW(bw, WM_SETCURSOR, WPARAM(bw), MAKELPARAM(HTOBJECT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, c.cursor)) << c.x << "," << c.y;
  }
}

TEST_F(Bordered, MouseOverTheShadowOpensAHoleForTheNextClick) {
  const RECT r = BorderRect();
  const Integer y = (r.bottom - r.top) / 2;
  ASSERT_TRUE(InBorderRegion(2, y));
  SendMessageW(bw, WM_MOUSEMOVE, 0, MAKELPARAM(2, y));
  EXPECT_FALSE(InBorderRegion(2, y));
  EXPECT_TRUE(InBorderRegion(3, y));
  EXPECT_TRUE(InBorderRegion(2, y + 1));
  // The click there reaches the window below.
  EXPECT_NE(WindowFromPoint(POINT{r.left + 2, r.top + y}), bw);
  // The next test of the shadow gives the border window its whole region back.
  Send(WM_NCHITTEST, 1, y + 20);
  EXPECT_TRUE(InBorderRegion(2, y));
  // A move over the frame punches nothing.
  SendMessageW(bw, WM_MOUSEMOVE, 0, MAKELPARAM(kShadow.Left - 3, y));
  EXPECT_TRUE(InBorderRegion(kShadow.Left - 3, y));
  // Nor does a press there: its point is the window's own, like the move's, not the screen's.
  SendMessageW(bw, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(kShadow.Left - 3, y));
  EXPECT_TRUE(InBorderRegion(kShadow.Left - 3, y));
  // A press in the shadow opens its hole too.
  SendMessageW(bw, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, y + 5));
  EXPECT_FALSE(InBorderRegion(2, y + 5));
}

TEST_F(Bordered, TheCloseButtonClosesTheFormThroughTheBorderWindow) {
  const TPoint close = Centre(sp->ButtonClose);
  const TPoint p = OnScreen(close.X, close.Y);
  SetCursorPos(p.X, p.Y);
  Send(WM_NCLBUTTONDOWN, close.X, close.Y);
  EXPECT_EQ(sp->PressedHT, HTCLOSE);
  EXPECT_TRUE(form->Visible());
  Send(WM_NCLBUTTONUP, close.X, close.Y);
  Application->ProcessMessages();
  EXPECT_FALSE(form->Visible());
  // Hiding the form took its border window with it.
  EXPECT_FALSE(IsWindow(bw));
  EXPECT_FALSE(sp->BorderForm);
}

TEST_F(Bordered, HidingAndShowingMakesANewBorderWindow) {
  form->Hide();
  Application->ProcessMessages();
  EXPECT_FALSE(IsWindow(bw));
  ShowForm();
  ASSERT_TRUE(sp->BorderForm);
  const HWND again = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(again);
  EXPECT_TRUE(IsWindowVisible(again));
}

TEST_F(Bordered, DoubleClickOnTheTopBandStretchesToTheWorkAreaAndBack) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const Integer top = form->Top(), height = form->Height(), left = form->Left(), width = form->Width();
  const Integer diffTitle = DiffTitle(sp->BorderForm.get()), diffBorder = DiffBorder(sp->BorderForm.get());
  const RECT r = BorderRect();
  Send(WM_NCLBUTTONDBLCLK, (r.right - r.left) / 2, kShadow.Top - 3);
  EXPECT_EQ(form->Top(), work.top + diffTitle);
  EXPECT_EQ(form->Height(), work.bottom - work.top - diffTitle - diffBorder);
  EXPECT_EQ(form->Left(), left);
  EXPECT_TRUE(sp->FormState() & FS_MAXHEIGHT);
  const RECT r2 = BorderRect();
  Send(WM_NCLBUTTONDBLCLK, (r2.right - r2.left) / 2, kShadow.Top - 3);
  EXPECT_EQ(form->Top(), top);
  EXPECT_EQ(form->Height(), height);
  EXPECT_FALSE(sp->FormState() & FS_MAXHEIGHT);
  // The left band does the same with the width.
  const RECT r3 = BorderRect();
  Send(WM_NCLBUTTONDBLCLK, kShadow.Left - 3, (r3.bottom - r3.top) / 2);
  EXPECT_EQ(form->Left(), work.left + diffBorder);
  EXPECT_EQ(form->Width(), work.right - work.left - 2 * diffBorder);
  const RECT r4 = BorderRect();
  Send(WM_NCLBUTTONDBLCLK, kShadow.Left - 3, (r4.bottom - r4.top) / 2);
  EXPECT_EQ(form->Left(), left);
  EXPECT_EQ(form->Width(), width);
}

TEST_F(Bordered, BlurBehindFollowsCompositionAndTheWindowsVersion) {
  const Integer aero = iAeroStatus;
  const Byte major = kvWinMajorVer, minor = kvWinMinorVer;
  // Binding DwmSetWindowAttribute binds the blur call too; the recorder wraps it.
  const BOOL off = FALSE;
  kvDwmSetWindowAttribute(bw, 3, &off, sizeof off);
  ASSERT_TRUE(kvDwm.DwmEnableBlurBehindWindow) << "dwmapi has DwmEnableBlurBehindWindow";
  realBlur = kvDwm.DwmEnableBlurBehindWindow;
  kvDwm.DwmEnableBlurBehindWindow = &RecordBlur;
  skin->skin.Manager.SkinCommonInfo.UseAeroBluring = true;
  struct Case {
    const char* name;
    Byte major, minor;
    Integer aero;
    size_t calls;
  };
  const Case cases[] = {
      {"Windows 7 with composition", 6, 1, 1, 1},
      {"Windows 7 without composition", 6, 1, 0, 0},
      {"Windows 10: the accent blurs instead", 10, 0, 1, 0},
  };
  for (const Case& c : cases) {
    blurCalls.clear();
    kvWinMajorVer = c.major;
    kvWinMinorVer = c.minor;
    iAeroStatus = c.aero;
    sp->BorderForm->UpdateExBordersPos(true, 255);
    ASSERT_EQ(blurCalls.size(), c.calls) << c.name;
  }
  kvWinMajorVer = 6;
  kvWinMinorVer = 1;
  iAeroStatus = 1;
  blurCalls.clear();
  sp->BorderForm->UpdateExBordersPos(true, 255);
  ASSERT_EQ(blurCalls.size(), 1u);
  const RECT r = BorderRect();
  EXPECT_EQ(blurCalls[0].wnd, bw);
  EXPECT_EQ(blurCalls[0].flags, kvDWM_BB_ENABLE | kvDWM_BB_BLURREGION);
  EXPECT_TRUE(blurCalls[0].enable);
  // The body and one pixel around it.
  EXPECT_EQ(blurCalls[0].box.left, kShadow.Left - 1);
  EXPECT_EQ(blurCalls[0].box.top, kShadow.Top - 1);
  EXPECT_EQ(blurCalls[0].box.right, r.right - r.left - kShadow.Right + 1);
  EXPECT_EQ(blurCalls[0].box.bottom, r.bottom - r.top - kShadow.Bottom + 1);
  // The skin not asking for it: blur switched off, without a region.
  skin->skin.Manager.SkinCommonInfo.UseAeroBluring = false;
  blurCalls.clear();
  sp->BorderForm->UpdateExBordersPos(true, 255);
  ASSERT_EQ(blurCalls.size(), 1u);
  EXPECT_EQ(blurCalls[0].flags, kvDWM_BB_ENABLE);
  EXPECT_FALSE(blurCalls[0].enable);
  kvDwm.DwmEnableBlurBehindWindow = realBlur;
  iAeroStatus = aero;
  kvWinMajorVer = major;
  kvWinMinorVer = minor;
}

namespace {

// The layered-window calls made for windows other than the border window: the button's fade.
std::vector<const layered::UpdateCall*> FadeCalls(HWND border) {
  std::vector<const layered::UpdateCall*> out;
  for (const layered::UpdateCall& c : calls)
    if (c.wnd != border) out.push_back(&c);
  return out;
}

}  // namespace

// The fade's steps are driven by the test (its timer event called as the clock), not by time.
TEST_F(Bordered, HoverFadesTheButtonsLookInOverTheBorderWindowAndOutAgain) {
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  const TPoint close = Centre(sp->ButtonClose);
  calls.clear();
  Send(WM_NCMOUSEMOVE, close.X, close.Y);
  EXPECT_EQ(sp->CurrentHT, HTCLOSE);
  TkvSBAnimation* fade = sp->ButtonClose.cpTimer;
  ASSERT_NE(fade, nullptr);
  EXPECT_TRUE(fade->Enabled());
  EXPECT_EQ(fade->Interval(), 12u);
  // The first picture at once: alpha 25, the hot look, over the button on the screen.
  std::vector<const layered::UpdateCall*> shown = FadeCalls(bw);
  ASSERT_EQ(shown.size(), 1u);
  const RECT r = BorderRect();
  const TRect& b = sp->ButtonClose.cpRect;
  EXPECT_EQ(shown[0]->alpha, 25);
  EXPECT_EQ(shown[0]->pos.x, r.left + b.Left);
  EXPECT_EQ(shown[0]->pos.y, r.top + b.Top);
  EXPECT_EQ(shown[0]->size.cx, b.Width());
  EXPECT_EQ(shown[0]->size.cy, b.Height());
  EXPECT_EQ(shown[0]->At(b.Width() / 2, b.Height() / 2), GlyphPixel(0, 1));
  // The border window's picture keeps the normal look under it.
  const TPixelView pic = sp->FCommonData->FCacheBmp->View();
  EXPECT_EQ(pic.At(close.X, close.Y), GlyphPixel(0, 0));
  // Nine steps: 50 .. 225, then the whole picture.
  const TPoint p = OnScreen(close.X, close.Y);
  SetCursorPos(p.X, p.Y);  // the mouse stays on the button
  for (Integer i = 0; i < 9; ++i) fade->OnAnimTimer();
  shown = FadeCalls(bw);
  ASSERT_EQ(shown.size(), 10u);
  for (Integer i = 1; i < 9; ++i) EXPECT_EQ(shown[size_t(i)]->alpha, 25 * (i + 1)) << i;
  EXPECT_EQ(shown[9]->alpha, 255);
  EXPECT_TRUE(fade->Enabled());  // watching the mouse
  // Leaving the button fades the picture out from the top and ends the fade.
  Send(WM_NCMOUSEMOVE, (r.right - r.left) / 2, kShadow.Top + 10);
  ASSERT_EQ(sp->ButtonClose.cpTimer, fade);
  calls.clear();
  for (Integer i = 0; i < 11; ++i) fade->OnAnimTimer();
  shown = FadeCalls(bw);
  ASSERT_EQ(shown.size(), 10u);
  for (Integer i = 0; i < 10; ++i) EXPECT_EQ(shown[size_t(i)]->alpha, 250 - 25 * i) << i;
  EXPECT_FALSE(fade->Enabled());
  EXPECT_EQ(fade->Fade.CurrentState, -1);
  EXPECT_FALSE(fade->AForm);
  // Killing the animations frees the fade and its link.
  sp->KillAnimations();
  EXPECT_EQ(sp->ButtonClose.cpTimer, nullptr);
}

TEST_F(Bordered, WithoutAnimationTheHotLookShowsAtOnce) {
  skin->skin.Manager.Effects.AllowAnimation = false;
  const TPoint close = Centre(sp->ButtonClose);
  calls.clear();
  Send(WM_NCMOUSEMOVE, close.X, close.Y);
  TkvSBAnimation* fade = sp->ButtonClose.cpTimer;
  ASSERT_NE(fade, nullptr);
  const std::vector<const layered::UpdateCall*> shown = FadeCalls(bw);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0]->alpha, 255);
  EXPECT_FALSE(fade->Enabled());
  skin->skin.Manager.Effects.AllowAnimation = true;
}

// The system restacks the border window often (activation, the form's own z-order changes):
// that keeps a running fade; a real move or size of the window ends it.
TEST_F(Bordered, OnlyAMoveOrSizeOfTheBorderWindowStopsTheFades) {
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  const TPoint close = Centre(sp->ButtonClose);
  struct Case {
    const char* name;
    Integer dx, dy, dw;
    UINT flags;
    bool stops;
  };
  const Case cases[] = {
      {"restack", 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE, false},
      {"restack and show", 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW, false},
      {"same place given", 0, 0, 0, SWP_NOZORDER, false},
      {"move", 5, 3, 0, SWP_NOZORDER | SWP_NOSIZE, true},
      {"size", 0, 0, 4, SWP_NOZORDER | SWP_NOMOVE, true},
  };
  for (const Case& c : cases) {
    Send(WM_NCMOUSEMOVE, close.X, close.Y);
    TkvSBAnimation* fade = sp->ButtonClose.cpTimer;
    ASSERT_NE(fade, nullptr) << c.name;
    ASSERT_TRUE(fade->Enabled()) << c.name;
    const RECT r = BorderRect();
    SetWindowPos(bw, HWND_TOP, r.left + c.dx, r.top + c.dy, r.right - r.left + c.dw, r.bottom - r.top,
                 c.flags | SWP_NOACTIVATE);
    if (c.stops) {
      EXPECT_EQ(sp->ButtonClose.cpTimer, nullptr) << c.name;
    } else {
      EXPECT_EQ(sp->ButtonClose.cpTimer, fade) << c.name;
      EXPECT_TRUE(fade->Enabled()) << c.name;
    }
    // Back to where the form keeps it, the hover gone, for the next case.
    sp->KillAnimations();
    sp->SetHotHT(0, true);
    SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    sp->BorderForm->UpdateExBordersPos(true, 255);
  }
}

// ---- Blend on moving through the border window -------------------------------------------------

namespace {

// The animation timers of a test step only when the test calls them.
struct ManualTimers {
  ManualTimers() : saved(kvTimerDriverFactory) { kvTimerDriverFactory = ManualTimerDriver::Factory(); }
  ~ManualTimers() { kvTimerDriverFactory = saved; }
  TkvTimerDriverFactory saved;
};

std::vector<BYTE> AlphasShownOn(HWND wnd) {
  std::vector<BYTE> out;
  for (const layered::UpdateCall& c : calls)
    if (c.wnd == wnd) out.push_back(c.alpha);
  return out;
}

}  // namespace

// The border window, with the whole picture, fades and is dragged; the form waits transparent
// behind it and jumps to the drop point, opaque again, when the move ends.
TEST_F(Bordered, BlendOnMovingFadesTheBorderWindowAndDropsTheFormWhereItWasLeft) {
  ManualTimers timers;
  DuRiruZireziv& m = skin->skin.Manager;
  m.AnimEffects.BlendOnMoving.Active = true;
  m.AnimEffects.BlendOnMoving.BlendValue = 170;
  m.AnimEffects.BlendOnMoving.Time = 120;
  const HWND h = form->Handle();
  RECT f0{}, b0 = BorderRect();
  GetWindowRect(h, &f0);
  calls.clear();
  StartBlendOnMoving(sp, false);
  ASSERT_TRUE(sp->FormState() & FS_BLENDMOVING);
  EXPECT_TRUE(sp->BorderForm->ExBorderShowing);
  // The form: fully transparent, directly behind the border window.
  const std::vector<BYTE> formAlphas = AlphasShownOn(h);
  ASSERT_FALSE(formAlphas.empty());
  EXPECT_EQ(formAlphas.back(), 0);
  EXPECT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(GetWindow(bw, GW_HWNDNEXT), h);
  auto* timer = dynamic_cast<TkvMoveTimer*>(sp->FormTimer.get());
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->BorderForm, sp->BorderForm.get());
  calls.clear();
  for (int i = 0; i < 12; ++i) timer->OnTimer2(nullptr);
  const std::vector<BYTE> expected = {255, 247, 238, 230, 221, 213, 204, 196, 187, 179, 170, 170};
  EXPECT_EQ(AlphasShownOn(bw), expected);
  EXPECT_TRUE(AlphasShownOn(h).empty());
  // Every frame is the form's whole picture.
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().size.cx, cache->Width());
  EXPECT_EQ(calls.back().At(kShadow.Left + 20, kShadow.Top + 5), cache->View().At(kShadow.Left + 20, kShadow.Top + 5));

  // The drag moves the border window only.
  SetWindowPos(bw, nullptr, b0.left + 40, b0.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT f1{};
  GetWindowRect(h, &f1);
  EXPECT_EQ(f1.left, f0.left);
  EXPECT_EQ(f1.top, f0.top);
  EXPECT_EQ(sp->BorderForm->LastTopLeft.X, b0.left + 40);
  EXPECT_EQ(sp->BorderForm->LastTopLeft.Y, b0.top + 30);

  calls.clear();
  SetCursorPos(b0.left + 60, b0.top + 60);  // dropped away from the work area's top
  FinishBlendOnMoving(sp, nullptr);
  EXPECT_FALSE(sp->FormState() & FS_BLENDMOVING);
  EXPECT_FALSE(sp->FormTimer);
  EXPECT_FALSE(sp->BorderForm->ExBorderShowing);
  RECT f2{};
  GetWindowRect(h, &f2);
  EXPECT_EQ(f2.left, f0.left + 40);
  EXPECT_EQ(f2.top, f0.top + 30);
  EXPECT_FALSE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
  // The border window shows the picture opaque again, around the form at its new place.
  const std::vector<BYTE> shown = AlphasShownOn(bw);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), 255);
  const RECT b2 = BorderRect();
  EXPECT_EQ(b2.left, b0.left + 40);
  EXPECT_EQ(b2.top, b0.top + 30);
  EXPECT_FALSE(IsZoomed(h));

  // Dropped with the cursor on the work area's top, a sizeable form with a maximize icon is
  // maximized; without the icon it stays.
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi);
  // (A change of the icons makes a new window.)
  for (const bool maximizeIcon : {false, true}) {
    form->SetBorderIcons(maximizeIcon ? TBorderIcons{biSystemMenu, biMinimize, biMaximize}
                                      : TBorderIcons{biSystemMenu, biMinimize});
    Application->ProcessMessages();
    ASSERT_TRUE(sp->BorderForm);
    StartBlendOnMoving(sp, false);
    SetCursorPos(b0.left + 60, mi.rcWork.top);
    FinishBlendOnMoving(sp, nullptr);
    EXPECT_EQ(bool(IsZoomed(form->Handle())), maximizeIcon);
    form->SetWindowState(wsNormal);
  }
}

// A glued slave follows the dragged border window's frame, keeping its offset; with snapping on,
// the dragged picture lands with its frame on the work area's edge.
TEST_F(Bordered, WhileTheBorderWindowIsDraggedGluedFormsFollowAndItsFrameSnaps) {
  ManualTimers timers;
  DuRiruZireziv& m = skin->skin.Manager;
  m.AnimEffects.BlendOnMoving.Active = true;
  m.AnimEffects.BlendOnMoving.BlendValue = 200;
  form->SetName(u"MasterForm");
  auto* other = new TForm(app.get());
  other->AfterConstruction();
  other->SetName(u"SlaveForm");
  other->SetPosition(poDesigned);
  other->HandleNeeded();
  auto* osp = new TsSkinProvider(other);
  osp->AfterConstruction();
  osp->FAllowExtBorders = false;
  other->Show();
  Application->ProcessMessages();
  const TScopeExit freeOther([&] { delete other; });
  // Its left on the master's frame (the frame reaches past the window by the skin's border).
  const HWND h = form->Handle();
  RECT f{};
  GetWindowRect(h, &f);
  const TPoint offset = sp->BorderForm->FrameOffset();
  const TkvSkinData& d = *skin->skin.Data;
  const Integer db = DiffBorder(sp->BorderForm.get());
  // Both frames measured with the master's frame margins meet.
  other->SetBounds(f.right + 2 * db + d.ExShadowOffs + d.ExShadowOffsR, f.top + 20, 150, 100);
  sp->SetGluedForms({u"SlaveForm"});
  SetCursorPos(f.left + 60, f.top + 60);  // every drop away from the work area's top
  StartBlendOnMoving(sp, false);
  ASSERT_TRUE(sp->Linked(other));
  RECT o0{};
  GetWindowRect(other->Handle(), &o0);
  const RECT b0 = BorderRect();
  SetWindowPos(bw, nullptr, b0.left + 25, b0.top - 15, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT o1{};
  GetWindowRect(other->Handle(), &o1);
  EXPECT_EQ(o1.left - o0.left, 25 + (b0.left + offset.X) - f.left);
  EXPECT_EQ(o1.top - o0.top, -15 + (b0.top + offset.Y) - f.top);
  FinishBlendOnMoving(sp, nullptr);

  // Snapping: the frame's left proposed 6 px right of the work area's left edge lands on it.
  sp->SetGluedForms({});
  DelFromGluedArray(other);
  other->Hide();
  sp->FScreenSnap = true;
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi);
  StartBlendOnMoving(sp, false);
  const Integer frameLeftInBorder = offset.X - (db + d.ExShadowOffs);
  const Integer x = mi.rcWork.left - frameLeftInBorder + 6;
  SetWindowPos(bw, nullptr, x, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(BorderRect().left, x - 6);
  // Beyond the buffer nothing snaps.
  SetWindowPos(bw, nullptr, x + 10, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(BorderRect().left, x + 10);
  FinishBlendOnMoving(sp, nullptr);
  sp->FScreenSnap = false;
}

// A press on the caption over the border window starts the blended move there: the system's move
// loop runs on the border window (ended here by the button's release waiting in the queue), and
// the form comes back opaque at the end.
TEST_F(Bordered, ACaptionPressOnTheBorderWindowMovesItBlended) {
  ManualTimers timers;
  DuRiruZireziv& m = skin->skin.Manager;
  m.AnimEffects.BlendOnMoving.Active = true;
  m.AnimEffects.BlendOnMoving.BlendValue = 200;
  const HWND h = form->Handle();
  const RECT r = BorderRect();
  const Integer x = (r.right - r.left) / 2, y = kShadow.Top + 10;
  ASSERT_EQ(Test(x, y), HTCAPTION);
  const TPoint p = OnScreen(x, y);
  SetCursorPos(p.X, p.Y);
  calls.clear();
  PostMessageW(bw, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  Send(WM_NCLBUTTONDOWN, x, y);
  // The form was made transparent behind the border window for the move, and is itself again.
  const std::vector<BYTE> formAlphas = AlphasShownOn(h);
  ASSERT_FALSE(formAlphas.empty());
  EXPECT_EQ(formAlphas.front(), 0);
  EXPECT_FALSE(sp->FormState() & FS_BLENDMOVING);
  EXPECT_FALSE(sp->FormTimer);
  EXPECT_FALSE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
  // Off: the press goes to the form as before, which starts no blended move.
  m.AnimEffects.BlendOnMoving.Active = false;
  calls.clear();
  PostMessageW(bw, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  Send(WM_NCLBUTTONDOWN, x, y);
  EXPECT_TRUE(AlphasShownOn(h).empty());
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// ---- Animated scaling through the border window --------------------------------------------------

// The border window is the cover of an animated scale change: frozen, it shows the picture (the
// client as the screen had it) growing step by step, and follows the form again at the end. The
// test runs the steps itself, one call per tick.
TEST_F(Bordered, AScaleChangeGrowsTheBorderWindowsPictureAndUnlocksItAtTheEnd) {
  const HWND h = form->Handle();
  const RECT b0 = BorderRect();
  const Integer w0 = b0.right - b0.left, h0 = b0.bottom - b0.top;
  sp->AnimChangeScale(144, false);
  TkvScaleThread* t = sp->FScaleThread;
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(t->CoverIsBorder);
  EXPECT_FALSE(t->ThreadCoverForm);
  EXPECT_TRUE(sp->BorderForm->Locked);
  EXPECT_EQ(t->p.X, b0.left);
  EXPECT_EQ(t->p.Y, b0.top);
  EXPECT_EQ(t->NewBoundsRect.Right, w0 * 144 / 96);
  EXPECT_EQ(t->NewBoundsRect.Bottom, h0 * 144 / 96);
  // The picture: the border's image with the client made opaque.
  ASSERT_TRUE(t->SrcBmp);
  EXPECT_EQ(t->SrcBmp->Width(), w0);
  const Integer cx = sp->BorderForm->OffsetX() + GetClientWidth(h) / 2,
                cy = sp->BorderForm->OffsetY() + GetClientHeight(h) / 2;
  EXPECT_EQ(t->SrcBmp->View().At(cx, cy) >> 24, 0xFFu);
  EXPECT_TRUE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
  calls.clear();
  std::vector<SIZE> sizes;
  for (int tick = 0; tick < 20 && t->NewAlphaBmp; ++tick) sp->OnScaleTimer(nullptr);
  for (const layered::UpdateCall& c : calls)
    if (c.wnd == bw && c.alpha == 255) sizes.push_back(c.size);
  ASSERT_GE(sizes.size(), 3u);
  // Half the remaining difference each step.
  EXPECT_EQ(sizes[0].cx, w0 + (w0 * 144 / 96 - w0) / 2);
  for (size_t i = 1; i + 1 < sizes.size(); ++i) EXPECT_GE(sizes[i].cx, sizes[i - 1].cx) << i;
  EXPECT_FALSE(t->NewAlphaBmp);
  EXPECT_FALSE(sp->BorderForm->Locked);
  EXPECT_FALSE(sp->BorderForm->ExBorderShowing);
  EXPECT_FALSE(sp->FormState() & FS_SCALING);
  EXPECT_FALSE(GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_LAYERED);
  // The form sits where the picture's form part was, the border window around it.
  RECT f{};
  GetWindowRect(h, &f);
  EXPECT_EQ(f.left, b0.left + sp->BorderForm->OffsetX());
  const RECT b1 = BorderRect();
  EXPECT_EQ(b1.left, b0.left);
  EXPECT_EQ(b1.top, b0.top);
  sp->StopScaleThread();
}

// A provider that stops the change midway gives the border window back.
TEST_F(Bordered, AScaleChangeStoppedMidwayUnlocksTheBorderWindow) {
  sp->AnimChangeScale(192, false);
  ASSERT_NE(sp->FScaleThread, nullptr);
  ASSERT_TRUE(sp->BorderForm->Locked);
  sp->OnScaleTimer(nullptr);
  sp->StopScaleThread();
  EXPECT_FALSE(sp->BorderForm->Locked);
  sp->SetFormState(sp->FormState() & ~FS_SCALING);
}

// A double click on the border window ends a drag of the own move and size frame.
TEST_F(Bordered, ADoubleClickOnTheBorderWindowEndsAnOwnFrameDrag) {
  sp->FResizeMode = rmBorder;
  const RECT f0 = [&] {
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    return r;
  }();
  sp->StartMove(f0.left + 50, f0.top + 50);
  ASSERT_TRUE(sp->bInProcess);
  const RECT r = BorderRect();
  const Integer x = (r.right - r.left) / 2, y = (r.bottom - r.top) / 2;  // the client: no code of its own
  ASSERT_EQ(Test(x, y), HTTRANSPARENT);
  Send(WM_NCLBUTTONDBLCLK, x, y);
  EXPECT_FALSE(sp->bInProcess);
  RECT f1{};
  GetWindowRect(form->Handle(), &f1);
  EXPECT_EQ(f1.left, f0.left);
  EXPECT_EQ(f1.right - f1.left, f0.right - f0.left);
  sp->FResizeMode = rmStandard;
}

namespace {

// An application's hit test: a chosen square of the client answers a chosen code.
struct OwnHitTest {
  void Answer(TMessage& m) {
    ++calls;
    if (area.Contains(TPoint(m.XPos(), m.YPos()))) m.Result = code;
  }
  TRect area;
  Integer code = HTCAPTION;
  int calls = 0;
};

}  // namespace

TEST_F(Bordered, TheApplicationsHitTestAnswersFirst) {
  OwnHitTest own;
  const RECT r = BorderRect();
  const Integer x = (r.right - r.left) / 2, y = (r.bottom - r.top) / 2;
  const TPoint p = OnScreen(x, y);
  own.area = TRect(p.X - 5, p.Y - 5, p.X + 5, p.Y + 5);
  ASSERT_EQ(Test(x, y), HTTRANSPARENT);
  sp->OnExtHitTest = decltype(sp->OnExtHitTest)(&own, &OwnHitTest::Answer);
  EXPECT_EQ(Test(x, y), HTCAPTION);
  // Where it leaves 0 the frame's own answer stands.
  EXPECT_EQ(Test(x + 20, y), HTTRANSPARENT);
  EXPECT_EQ(Test((r.right - r.left) / 2, kShadow.Top + 10), HTCAPTION);
  own.code = HTCLOSE;
  EXPECT_EQ(Test(x, y), HTCLOSE);
  EXPECT_GE(own.calls, 4);
  sp->OnExtHitTest = nullptr;
  EXPECT_EQ(Test(x, y), HTTRANSPARENT);
}

// A frame section with a corner radius: the picture's frame corners are rounded against the
// shadow template, whose pixels show through; square frames keep their corners.
TEST_F(Bordered, ARoundedFrameShowsTheShadowThroughItsCorners) {
  SendMessageW(form->Handle(), WM_NCACTIVATE, TRUE, 0);
  TsGeneralData& gd = skin->skin.Data->gd[size_t(sp->FCommonData->SkinIndex)];
  const Integer savedRadius = gd.BorderRadius;
  const TScopeExit back([&] { gd.BorderRadius = savedRadius; });
  struct Case {
    Integer radius;
    bool rounded;
  };
  for (const Case c : {Case{0, false}, Case{6, true}}) {
    gd.BorderRadius = c.radius;
    sp->FCommonData->BGChanged = true;
    sp->PaintAll();
    TBitmap* cache = sp->FCommonData->FCacheBmp.get();
    ASSERT_NE(cache, nullptr);
    const TPixelView v = cache->View();
    const Integer l = kShadow.Left, t = kShadow.Top, r = v.Width - kShadow.Right - 1, b = v.Height - kShadow.Bottom - 1;
    const TPoint corners[4] = {{l, t}, {r, t}, {l, b}, {r, b}};
    for (const TPoint& p : corners) {
      if (c.rounded)  // a pixel of the active template (its alpha and tone), not the frame
        EXPECT_EQ(v.At(p.X, p.Y) & 0xFF0000FFu, TemplatePixel(0, 0, 0x11) & 0xFF0000FFu) << p.X << "," << p.Y;
      else
        EXPECT_EQ(v.At(p.X, p.Y) >> 24, 0xFFu) << p.X << "," << p.Y;
    }
    // Away from the corners the frame is untouched.
    EXPECT_EQ(v.At(v.Width / 2, t) >> 24, 0xFFu) << c.radius;
    EXPECT_EQ(v.At(l + 8, t + 8) >> 24, 0xFFu) << c.radius;
  }
}

// With the manager's native borders for maximized forms, a maximized form drops its outer border
// and gets it back when restored; without that option the border stays.
TEST_F(Bordered, NativeBordersForMaximizedFormsDropTheBorderWhileMaximized) {
  DuRiruZireziv& m = skin->skin.Manager;
  for (const bool native : {false, true}) {
    m.Options.NativeBordersMaximized = native;
    EXPECT_TRUE(sp->ExtBordersNeeded(false)) << native;
    SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    Application->ProcessMessages();
    ASSERT_TRUE(IsZoomed(form->Handle()));
    EXPECT_EQ(sp->ExtBordersNeeded(false), !native);
    EXPECT_EQ(bool(sp->BorderForm), !native) << native;
    SendMessageW(form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
    Application->ProcessMessages();
    ASSERT_FALSE(IsZoomed(form->Handle()));
    ASSERT_TRUE(sp->BorderForm) << native;
    EXPECT_TRUE(sp->BorderForm->LayeredWindow()) << native;
  }
  m.Options.NativeBordersMaximized = false;
}

// The form's skinned scroll bars show through the border window: its hole takes in the bars
// along with the client area.
TEST_F(Bordered, TheFormsSkinnedBarsShowThroughTheBorderWindow) {
  const HWND h = form->Handle();
  ShowSkinnedBars();
  ASSERT_NE(sp->ListSW, nullptr);
  ASSERT_EQ(sp->SkinnedScrollThickness(SB_VERT), 17);
  ASSERT_EQ(sp->SkinnedScrollThickness(SB_HORZ), 17);
  TRect vert, horz;
  kv_GetVScrollRect(sp->ListSW, h, vert);
  kv_GetHScrollRect(sp->ListSW, h, horz);
  const RECT b = BorderRect();
  HRGN rgn = sp->BorderForm->MakeRgn();
  ASSERT_NE(rgn, nullptr);
  const TScopeExit freeRgn([rgn] { DeleteObject(rgn); });
  auto covered = [&](Integer screenX, Integer screenY) {
    return PtInRegion(rgn, screenX - b.left, screenY - b.top) != FALSE;
  };
  EXPECT_FALSE(covered((vert.Left + vert.Right) / 2, (vert.Top + vert.Bottom) / 2));
  EXPECT_FALSE(covered((horz.Left + horz.Right) / 2, (horz.Top + horz.Bottom) / 2));
  EXPECT_FALSE(covered(vert.Left - 5, vert.Top + 5));                                 // the client
  EXPECT_TRUE(covered(vert.Right + kSkinBorder / 2, (vert.Top + vert.Bottom) / 2));   // the frame beside the bar
  EXPECT_TRUE(covered((horz.Left + horz.Right) / 2, horz.Bottom + kSkinBorder / 2));  // and below it
}

// ---- The border window after a change of the form's position, size, z-order or visibility ----

namespace {

// The system's marks that the client area neither moved nor changed its size (no WM_MOVE or
// WM_SIZE follows).
constexpr UINT kNoClientSize = 0x0800, kNoClientMove = 0x1000;
constexpr UINT kStill = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | kNoClientSize | kNoClientMove;

// The record the system sends after a change, handed to the form directly.
void Changed(HWND h, UINT flags) {
  WINDOWPOS wp{h, nullptr, 0, 0, 0, 0, flags};
  SendMessageW(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
}

// Neighbours in the z-order: one right behind the other. (An owned window stays above its
// owner: the border window "behind" its form lies right above it.)
bool Adjacent(HWND a, HWND b) { return GetWindow(a, GW_HWNDNEXT) == b || GetWindow(b, GW_HWNDNEXT) == a; }

// A plain window that never activates, put into the z-order between the border window and
// its form, so that a test sees whether the border window was moved back next to the form.
struct Spacer {
  Spacer() {
    wnd = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 700, 600, 20, 20,
                          nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~Spacer() { DestroyWindow(wnd); }
  // The spacer above the form, the border window above the spacer.
  void Separate(HWND border, HWND form, HWND insertAfter = HWND_TOP) {
    constexpr UINT z = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    SetWindowPos(form, insertAfter, 0, 0, 0, 0, z);
    SetWindowPos(wnd, insertAfter, 0, 0, 0, 0, z);
    SetWindowPos(border, insertAfter, 0, 0, 0, 0, z);
  }
  HWND wnd = nullptr;
};

}  // namespace

// Only the z-order or the visibility changed: the border window goes back right behind the
// form; nothing moves it for a change that draws nothing, a frame change, a blended move, a
// form drawn disabled or while an animation owns the screen.
TEST_F(Bordered, AChangeOfTheFormsZOrderPutsTheBorderWindowBackNextToIt) {
  const HWND h = form->Handle();
  Spacer spacer;
  ASSERT_TRUE(spacer.wnd);
  struct Case {
    const char* name;
    UINT flags;
    Cardinal state;
    bool animating;
    bool follows;
  } cases[] = {
      {"z-order only", kStill, 0, false, true},
      {"shown", kStill | SWP_SHOWWINDOW, 0, false, true},
      {"without redraw", kStill | SWP_NOREDRAW, 0, false, false},
      {"frame changed", kStill | SWP_FRAMECHANGED, 0, false, false},
      {"blended move", kStill, FS_BLENDMOVING, false, false},
      {"drawn disabled", kStill, FS_DISABLED, false, false},
      {"animating", kStill, 0, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    spacer.Separate(bw, h);
    ASSERT_FALSE(Adjacent(bw, h));
    sp->FFormState |= c.state;
    sp->FInAnimation = c.animating;
    Changed(h, c.flags);
    sp->FFormState &= ~c.state;
    sp->FInAnimation = false;
    EXPECT_EQ(sp->BorderForm->LayeredWindow(), bw);
    EXPECT_EQ(Adjacent(bw, h), c.follows);
    EXPECT_TRUE(IsWindowVisible(bw));
  }
}

// A move carries the border window along; a border window that went is made again, next to
// the form.
TEST_F(Bordered, AMoveCarriesTheBorderWindowAndAMissingOneIsMadeAgain) {
  const HWND h = form->Handle();
  RECT f{}, b{};
  GetWindowRect(h, &f);
  GetWindowRect(bw, &b);
  const LONG dx = f.left - b.left, dy = f.top - b.top;
  SetWindowPos(h, nullptr, f.left + 25, f.top + 15, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(bw, &b);
  EXPECT_EQ(b.left, f.left + 25 - dx);
  EXPECT_EQ(b.top, f.top + 15 - dy);

  sp->BorderForm->FreeLayeredWindow();
  ASSERT_FALSE(IsWindow(bw));
  Changed(h, kStill);
  const HWND again = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(again);
  EXPECT_TRUE(IsWindowVisible(again));
  EXPECT_TRUE(Adjacent(again, h));
  GetWindowRect(again, &b);
  EXPECT_EQ(b.left, f.left + 25 - dx);
}

// A maximized form whose skin title is taller than the system caption plus 4 says so after a
// position change: its caption without the skin then counts those 4 pixels.
TEST_F(Bordered, AMaximizedFormWithATallSkinTitleCountsTheSystemCaptionPlusFour) {
  const HWND h = form->Handle();
  TkvSkinData& d = *skin->skin.Data;
  const Integer sys = SysCaptHeight(sp, 0);
  ASSERT_LT(sys + 4, kTitle);
  struct Case {
    const char* name;
    bool maximized;
    bool border;
    Integer maxHeight;  // the skin's title height of maximized forms; 0: the normal one
    bool taller;
  } cases[] = {
      {"maximized, normal title", true, true, 0, true},
      {"maximized, tall title", true, true, sys + 5, true},
      {"maximized, title as the caption + 4", true, true, sys + 4, false},
      {"maximized, low title", true, true, sys, false},
      {"maximized without border", true, false, 0, false},
      {"restored", false, true, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShowWindow(h, c.maximized ? SW_MAXIMIZE : SW_RESTORE);
    Application->ProcessMessages();
    ASSERT_EQ(bool(::IsZoomed(h)), c.maximized);
    d.ExMaxHeight = c.maxHeight;
    if (!c.border) sp->InitExBorders(false);
    Changed(h, kStill);
    EXPECT_EQ(sp->FSysExHeight, c.taller);
    EXPECT_EQ(sp->CaptionHeight(false), c.taller ? sys + 4 : sys);
    if (!c.border) sp->InitExBorders(true);
  }
  d.ExMaxHeight = 0;
}

namespace {

std::vector<Integer> hideWaits;
void RecordHideWait(Cardinal, Integer delay) { hideWaits.push_back(delay); }

// The application's main form, skinned with the outer border, beside the fixture's form.
class BorderedMain : public Bordered {
 protected:
  void SetUp() override {
    Bordered::SetUp();
    // On the taskbar as the program's main window is: a window of its own, owned by none.
    app->SetMainFormOnTaskbar(true);
    app->CreateForm(main);
    main->SetPosition(poDesigned);
    main->SetBounds(160, 150, 300, 200);
    mainSp = new TsSkinProvider(main);
    mainSp->AfterConstruction();
    main->Show();
    SetForegroundWindow(main->Handle());
    Application->ProcessMessages();
    ASSERT_EQ(Application->MainForm(), static_cast<TCustomForm*>(main));
    ASSERT_TRUE(mainSp->BorderForm);
    mainBw = mainSp->BorderForm->LayeredWindow();
    ASSERT_TRUE(mainBw);
  }
  void TearDown() override {
    delete main;  // before the skin goes
    Bordered::TearDown();
  }
  TForm* main = nullptr;
  TsSkinProvider* mainSp = nullptr;
  HWND mainBw = nullptr;
};

}  // namespace

// A minimized main form leaves no border window on the screen; another minimized form keeps
// its own.
TEST_F(BorderedMain, AMinimizedMainFormFreesItsBorderWindow) {
  ShowWindow(form->Handle(), SW_MINIMIZE);
  ShowWindow(main->Handle(), SW_MINIMIZE);
  Application->ProcessMessages();
  ASSERT_TRUE(IsIconic(main->Handle()));
  ASSERT_TRUE(mainSp->BorderForm);
  EXPECT_FALSE(IsWindow(mainBw));
  EXPECT_EQ(mainSp->BorderForm->LayeredWindow(), nullptr);
  ASSERT_TRUE(IsIconic(form->Handle()));
  EXPECT_TRUE(IsWindow(bw));
  EXPECT_EQ(sp->BorderForm->LayeredWindow(), bw);
}

namespace {

// The SetWindowPos calls the program makes, recorded and carried out.
struct PosCall {
  HWND wnd, after;
  UINT flags;
};
std::vector<PosCall> posCalls;
ImportHook* posHook = nullptr;
BOOL WINAPI RecordSetWindowPos(HWND wnd, HWND after, int x, int y, int cx, int cy, UINT flags) {
  posCalls.push_back({wnd, after, flags});
  return posHook->Original<decltype(&SetWindowPos)>()(wnd, after, x, y, cx, cy, flags);
}

}  // namespace

// With composition the active main form lines its border window up with its own band (a
// stay-on-top form's goes to the top); without composition it goes right behind the form.
// Shown, not moved, sized, activated or redrawn.
TEST_F(BorderedMain, TheActiveMainFormUnderCompositionPutsItsBorderWindowWhereItsBandStarts) {
  const HWND h = main->Handle();
  const Integer aero = iAeroStatus;
  const TScopeExit back([this, aero] {
    iAeroStatus = aero;
    main->SetFormStyle(fsNormal);
  });
  main->SetFormStyle(fsStayOnTop);
  SetForegroundWindow(h);
  Application->ProcessMessages();
  ASSERT_EQ(GetActiveWindow(), h);
  ASSERT_EQ(mainSp->BorderForm->GetTopWnd(), HWND_TOP);
  ImportHook hook("user32.dll", "SetWindowPos", &RecordSetWindowPos);
  posHook = &hook;
  struct Case {
    const char* name;
    bool composition;
    bool active;
    HWND after;
  } cases[] = {
      {"no composition", false, true, h},
      {"composition, active", true, true, HWND_TOP},
      {"composition, another window active", true, false, h},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    iAeroStatus = c.composition ? 1 : 0;
    SetActiveWindow(c.active ? h : form->Handle());
    Application->ProcessMessages();
    ASSERT_EQ(GetActiveWindow() == h, c.active);
    posCalls.clear();
    Changed(h, kStill);
    const auto first =
        std::find_if(posCalls.begin(), posCalls.end(), [&](const PosCall& p) { return p.wnd == mainBw; });
    ASSERT_NE(first, posCalls.end());
    EXPECT_EQ(first->after, c.after);
    EXPECT_EQ(first->flags, 0x65Bu);
  }
  posHook = nullptr;
}

// Hidden: the hide animation plays in the border window; while the manager minimizes the
// application the main form's border window only goes, and while it changes its scale the
// border window stays for the form to come back.
TEST_F(BorderedMain, HidingFadesOutOrFreesTheBorderWindow) {
  const auto savedWait = kvWaitHandler;
  kvWaitHandler = &RecordHideWait;
  const TScopeExit back([savedWait] { kvWaitHandler = savedWait; });
  DuRiruZireziv& m = skin->skin.Manager;
  m.AnimEffects.FormHide.Active = true;
  m.AnimEffects.FormHide.Time = 36;
  m.AnimEffects.FormHide.Mode = atFading;
  struct Case {
    const char* name;
    TShowAction showState;
    bool scaling;
    bool faded;
    bool windowKept;
  } cases[] = {
      {"hidden", saIgnore, false, true, false},
      {"application minimizing", saMinimize, false, false, false},
      {"scale changing", saIgnore, true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const HWND h = main->Handle();
    if (!IsWindowVisible(h)) {
      ShowWindow(h, SW_SHOWNOACTIVATE);
      mainSp->BorderForm->UpdateExBordersPos(true, 255);
      Application->ProcessMessages();
    }
    const HWND window = mainSp->BorderForm->LayeredWindow();
    ASSERT_TRUE(window);
    m.ShowState = c.showState;
    if (c.scaling) m.ManagerState.Include(msScaleChanging);
    hideWaits.clear();
    calls.clear();
    mainSp->fAnimating = true;
    ShowWindow(h, SW_HIDE);
    m.ShowState = saIgnore;
    m.ManagerState.Exclude(msScaleChanging);
    EXPECT_FALSE(IsWindowVisible(h));
    EXPECT_TRUE(mainSp->BorderForm) << "the border object stays";
    EXPECT_EQ(IsWindow(window) != FALSE, c.windowKept);
    EXPECT_EQ(!hideWaits.empty(), c.faded);
    EXPECT_EQ(layered::LayeredCalls::UpdatesOf(window).size() > 1, c.faded);
    if (c.showState == saMinimize) { EXPECT_FALSE(mainSp->fAnimating); }
    mainSp->fAnimating = false;
    if (c.windowKept) mainSp->BorderForm->FreeLayeredWindow();
  }
}

// The printed picture of a form with an outer border is the border window's: frame, title and
// shadow, the client, and the form's skinned scroll bars where the screen shows them.
TEST_F(Bordered, ThePrintedPictureCarriesTheFrameAndTheSkinnedBars) {
  const HWND h = form->Handle();
  ShowSkinnedBars();
  SendMessageW(h, WM_NCACTIVATE, TRUE, 0);
  Application->ProcessMessages();
  ASSERT_NE(sp->ListSW, nullptr);
  ASSERT_EQ(sp->SkinnedScrollThickness(SB_VERT), 17);
  TRect vert, horz;
  kv_GetVScrollRect(sp->ListSW, h, vert);
  kv_GetHScrollRect(sp->ListSW, h, horz);
  const RECT b = BorderRect();
  sp->FCommonData->BGChanged = true;
  sp->PaintAll();
  TBitmap* cache = sp->FCommonData->FCacheBmp.get();
  ASSERT_EQ(cache->Width(), b.right - b.left);
  TBitmap picture(cache->Width(), cache->Height(), pf32bit);
  SendMessageW(h, WM_PRINT, reinterpret_cast<WPARAM>(picture.Canvas()->Handle()), PRF_NONCLIENT | PRF_CLIENT);
  auto at = [&](Integer screenX, Integer screenY) { return picture.PixelColor(screenX - b.left, screenY - b.top); };
  // The arrow buttons at their outer corners (their middles hold the arrows).
  EXPECT_EQ(at(vert.Left + 2, vert.Top + 2), kBtnTop);
  EXPECT_EQ(at(vert.Left + 2, vert.Bottom - 3), kBtnBottom);
  EXPECT_EQ(at(horz.Left + 2, horz.Top + 2), kBtnLeft);
  EXPECT_EQ(at(horz.Right - 3, horz.Top + 2), kBtnRight);
  // The frame and the shadow from the border window's picture, the client in its place.
  const TPoint title(sp->ButtonMin.cpRect.Left - 12, sp->VCenter);
  EXPECT_EQ(picture.PixelColor(title.X, title.Y), kTitleActive);
  EXPECT_EQ(picture.PixelColor(0, 0), cache->PixelColor(0, 0));
  POINT client{10, 10};
  ClientToScreen(h, &client);
  EXPECT_EQ(at(client.x, client.y), kClientActive);
}

// A maximized form with an outer border lies the system border width outside the work area on
// the left, right and bottom, and its skin title's excess over the system caption below the
// work area's top; without a caption, or while it maximizes with native borders, it covers
// the work area as a plain form does.
TEST_F(Bordered, TheMaximizedBoundsLeaveRoomForTheSkinTitle) {
  const HWND h = form->Handle();
  DuRiruZireziv& m = skin->skin.Manager;
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi);
  const RECT& work = mi.rcWork;
  const Integer b = SysBorderWidth(h, nullptr, false);
  // The skin's title of maximized forms, taller than the system caption plus 4.
  TkvSkinData& d = *skin->skin.Data;
  d.ExMaxHeight = kTitle;
  const TScopeExit normalTitle([&d] { d.ExMaxHeight = 0; });
  const Integer t = MaxBtnOffset(sp, true);
  ASSERT_EQ(t, kTitle - SysCaptHeight(sp, 0) - 4);
  ASSERT_GT(t, 0);
  const LONG style = GetWindowLongW(h, GWL_STYLE);
  struct Case {
    const char* name;
    Cardinal state;
    bool nativeMaximized;
    bool caption;
    Integer top;
    bool sysExHeight;
  } cases[] = {
      {"outer border", 0, false, true, t, false},
      {"maximizing", FS_ZOOMING, false, true, t, true},
      {"maximizing with native borders", FS_ZOOMING, true, true, 0, false},
      {"no caption", 0, false, false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sp->FSysExHeight = false;
    m.Options.NativeBordersMaximized = c.nativeMaximized;
    sp->SetFormState(sp->FormState() | c.state);
    if (!c.caption) SetWindowLongW(h, GWL_STYLE, style & ~WS_CAPTION);
    MINMAXINFO info{};
    SendMessageW(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    SetWindowLongW(h, GWL_STYLE, style);
    sp->SetFormState(sp->FormState() & ~c.state);
    m.Options.NativeBordersMaximized = false;
    EXPECT_EQ(info.ptMaxPosition.x, work.left - mi.rcMonitor.left - b);
    EXPECT_EQ(info.ptMaxPosition.y, work.top - mi.rcMonitor.top + c.top - b);
    EXPECT_EQ(info.ptMaxSize.x, work.right - work.left + 2 * b);
    EXPECT_EQ(info.ptMaxSize.y, work.bottom - work.top + 2 * b - c.top);
    EXPECT_EQ(sp->FSysExHeight, c.sysExHeight);
  }
}

namespace {

// How many pictures the border window had been given when the form's old procedure got the
// size step.
struct SizeStepWatch {
  void Proc(TMessage& m) {
    if (m.Msg == WM_SIZE && updatesBefore < 0) updatesBefore = Integer(layered::LayeredCalls::UpdatesOf(bw).size());
    old(m);
  }
  TWndMethod old;
  HWND bw = nullptr;
  Integer updatesBefore = -1;
};

}  // namespace

// The border window follows a shrinking form before the system sizes it (the old picture
// would stick out), a growing one only after (it would leave a gap behind the form).
TEST_F(Bordered, OnlyAShrinkingFormMovesItsBorderWindowBeforeTheSystemSizesIt) {
  const HWND h = form->Handle();
  SizeStepWatch watch;
  watch.bw = bw;
  watch.old = sp->OldWndProc;
  sp->OldWndProc = TWndMethod(&watch, &SizeStepWatch::Proc);
  const TScopeExit back([&] { sp->OldWndProc = watch.old; });
  const TRect shadow = sp->ShadowSize();
  struct Case {
    const char* name;
    Integer width, height;
    bool before;
  } cases[] = {
      {"wider", 340, 200, false},
      {"higher", 340, 240, false},
      {"narrower", 320, 240, true},
      {"lower", 320, 210, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    calls.clear();
    watch.updatesBefore = -1;
    SetWindowPos(h, nullptr, 0, 0, c.width, c.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_GE(watch.updatesBefore, 0);
    const auto all = layered::LayeredCalls::UpdatesOf(bw);
    ASSERT_FALSE(all.empty()) << "the border window follows in the end";
    EXPECT_EQ(watch.updatesBefore > 0, c.before);
    if (c.before) { EXPECT_EQ(all.front().size.cx, c.width + shadow.Left + shadow.Right); }
    EXPECT_EQ(all.back().size.cx, c.width + shadow.Left + shadow.Right);
    EXPECT_EQ(all.back().size.cy, BorderRect().bottom - BorderRect().top);
  }
}

// After a size step the form repaints without its frame when no border window draws it, with
// the frame when the border window does and the form has a border width of its own; the
// border window goes right behind the form.
TEST_F(Bordered, ASizeStepRedrawsTheFormAndPutsTheBorderWindowBehindIt) {
  const HWND h = form->Handle();
  const redraws::RedrawCalls recorder;
  ImportHook positioning("user32.dll", "SetWindowPos", &RecordSetWindowPos);
  posHook = &positioning;
  struct Case {
    const char* name;
    bool border;
    Integer borderWidth;
    UINT redraw;
  } cases[] = {
      {"border window", true, 0, RDW_INVALIDATE | RDW_UPDATENOW},
      {"border window, border width", true, 2, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME},
      {"no border window", false, 0, RDW_INVALIDATE | RDW_NOERASE | RDW_UPDATENOW | RDW_NOFRAME},
  };
  Integer width = 300;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->SetBorderWidth(c.borderWidth);
    if (!c.border) sp->InitExBorders(false);
    Application->ProcessMessages();
    const HWND border = sp->BorderForm ? sp->BorderForm->LayeredWindow() : nullptr;
    redraws::RedrawCalls::Clear();
    posCalls.clear();
    SetWindowPos(h, nullptr, 0, 0, width += 20, 220, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(redraws::RedrawCalls::Seen(h, c.redraw));
    if (c.border) {
      const UINT behind =
          SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING;
      EXPECT_NE(std::find_if(posCalls.begin(), posCalls.end(),
                             [&](const PosCall& p) { return p.wnd == border && p.after == h && p.flags == behind; }),
                posCalls.end());
    }
  }
  form->SetBorderWidth(0);
}

namespace {

struct InvalidateLog {
  void Proc(TMessage& m) {
    if (m.Msg == SM_ALPHACMD && m.WParamHi == KV_INVALIDATE) ++heard;
    old(m);
  }
  TWndMethod old;
  Integer heard = 0;
};

}  // namespace

// At the end of a drag of a form with an outer border every skinned window of the dialog
// skinner repaints; an entry that knows only its provider learns the provider's form window.
TEST_F(Bordered, TheEndOfADragRepaintsTheSkinnedDialogs) {
  const HWND h = form->Handle();
  auto* dialog = new TForm(app.get());
  dialog->AfterConstruction();
  dialog->HandleNeeded();
  InvalidateLog log;
  log.old = dialog->WindowProc();
  dialog->SetWindowProc(TWndMethod(&log, &InvalidateLog::Proc));
  auto* other = new TForm(app.get());
  other->AfterConstruction();
  other->HandleNeeded();
  auto* otherSp = new TsSkinProvider(other);
  otherSp->AfterConstruction();

  CreateSupportedList();
  auto byWindow = std::make_unique<TkvProvider>(nullptr);
  byWindow->CtrlHandle = dialog->Handle();
  auto byProvider = std::make_unique<TkvProvider>(nullptr);
  byProvider->sp = otherSp;
  TkvProvider* const entries[] = {byWindow.get(), byProvider.get()};
  kvSupportedList->push_back(std::move(byWindow));
  kvSupportedList->push_back(std::move(byProvider));
  const TScopeExit gone([&] {
    auto& list = *kvSupportedList;
    for (TkvProvider* e : entries) {
      const auto it = std::find_if(list.begin(), list.end(), [e](const auto& p) { return p.get() == e; });
      if (it == list.end()) continue;
      (void)it->release();
      list.erase(it);
      delete e;
    }
    dialog->SetWindowProc(log.old);
    delete dialog;
    delete other;
  });

  SendMessageW(h, WM_EXITSIZEMOVE, 0, 0);
  EXPECT_EQ(log.heard, 1);
  EXPECT_EQ(entries[1]->CtrlHandle, other->Handle());

  // Without an outer border nothing of the others can lie under the form's frame.
  sp->InitExBorders(false);
  log.heard = 0;
  SendMessageW(h, WM_EXITSIZEMOVE, 0, 0);
  EXPECT_EQ(log.heard, 0);
}

// While the form's skin data is locked (an update block of the form is open) the border window
// keeps what it shows; the next update after the lock shows the new picture.
TEST_F(Bordered, ALockedSkinDataLeavesTheBorderWindowAsItIs) {
  calls.clear();
  sp->FCommonData->CtrlSkinState |= KVS_LOCKED;
  sp->FCommonData->BGChanged = true;
  sp->BorderForm->UpdateExBordersPos(true, 255);
  EXPECT_EQ(LastUpdate(), nullptr);
  EXPECT_TRUE(sp->FCommonData->BGChanged);  // nothing was painted either
  sp->FCommonData->CtrlSkinState &= ~KVS_LOCKED;
  sp->BorderForm->UpdateExBordersPos(true, 255);
  EXPECT_NE(LastUpdate(), nullptr);
  EXPECT_FALSE(sp->FCommonData->BGChanged);
}

namespace {

// The non-client presses the form's window procedure is handed, with their hit codes.
std::vector<WPARAM> formPresses;
HWND pressedForm = nullptr;
LRESULT CALLBACK RecordPresses(int code, WPARAM w, LPARAM l) {
  const auto* c = reinterpret_cast<const CWPSTRUCT*>(l);
  if (code == HC_ACTION && c->hwnd == pressedForm && c->message == WM_NCLBUTTONDOWN) formPresses.push_back(c->wParam);
  return CallNextHookEx(nullptr, code, w, l);
}

}  // namespace

// A press on the caption of a maximized form does not move it, nor does a move of the mouse by
// 5 pixels; at 6 pixels the form is restored centred under the cursor, 8 pixels above it (or at
// -8 near the screen's top), and the press goes on as a caption press of the restored form.
TEST_F(Bordered, DraggingAMaximizedFormsCaptionRestoresItUnderTheCursor) {
  const HWND h = form->Handle();
  ShowWindow(h, SW_MAXIMIZE);
  Application->ProcessMessages();
  // Under Wine on a display without a window manager the skinned form is not always let
  // maximize (the frame's own maximize test fails the same way there).
  if (!IsZoomed(h)) GTEST_SKIP() << "the system did not maximize the form";
  ASSERT_TRUE(sp->BorderForm);
  bw = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(bw);
  sp->CalcItems();
  const TPoint p = OnScreen(sp->ButtonMin.cpRect.Left - 60, sp->VCenter);
  ASSERT_EQ(Test(sp->ButtonMin.cpRect.Left - 60, sp->VCenter), HTCAPTION);
  SetCursorPos(p.X, p.Y);
  SendMessageW(bw, WM_NCLBUTTONDOWN, HTOBJECT, MAKELPARAM(p.X, p.Y));
  EXPECT_TRUE(sp->BorderForm->MaxMoving);
  EXPECT_TRUE(IsZoomed(h));

  SetCursorPos(p.X + 5, p.Y);
  SendMessageW(bw, WM_NCMOUSEMOVE, HTOBJECT, MAKELPARAM(p.X + 5, p.Y));
  EXPECT_TRUE(IsZoomed(h));
  EXPECT_TRUE(sp->BorderForm->MaxMoving);

  // The restored form keeps its normal width, centred under the cursor.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  ASSERT_TRUE(GetWindowPlacement(h, &placement));
  const Integer width = placement.rcNormalPosition.right - placement.rcNormalPosition.left;
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordPresses, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(hook);
  const TScopeExit unhook([hook] { UnhookWindowsHookEx(hook); });
  pressedForm = h;
  formPresses.clear();
  // The caption press starts the system's move loop: a button-up waiting in the queue ends it.
  PostMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  const TPoint moved(p.X, p.Y + 6);
  SetCursorPos(moved.X, moved.Y);
  SendMessageW(bw, WM_NCMOUSEMOVE, HTOBJECT, MAKELPARAM(moved.X, moved.Y));
  Application->ProcessMessages();
  EXPECT_FALSE(IsZoomed(h));
  EXPECT_EQ(form->Width(), width);
  const TPoint cursor = kvMousePos();
  EXPECT_EQ(form->Left(), cursor.X - width / 2);
  EXPECT_EQ(form->Top(), cursor.Y >= 0 && cursor.Y <= 24 ? -8 : cursor.Y - 8);
  ASSERT_TRUE(sp->BorderForm);
  EXPECT_FALSE(sp->BorderForm->MaxMoving);
  // The form was handed the caption's code, not asked to test a point of the border window's
  // old place.
  ASSERT_FALSE(formPresses.empty());
  EXPECT_EQ(formPresses.front(), WPARAM(HTCAPTION));
}

namespace {

// The work area every monitor reports while a test sets it; the rest of the monitor's data as
// the system has it.
using MonitorInfoFn = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
MonitorInfoFn realMonitorInfo = nullptr;
RECT reportedWork{};
BOOL WINAPI ReportWorkArea(HMONITOR monitor, LPMONITORINFO info) {
  const BOOL ok = realMonitorInfo(monitor, info);
  if (ok) info->rcWork = reportedWork;
  return ok;
}

}  // namespace

// While the form changes, the border window's picture is copied from the screen unless the form
// reaches past the work area of its own monitor (not the main monitor's): then the picture is
// the form's image, drawn whole.
TEST_F(Bordered, ThePictureOfAFormPastItsMonitorsWorkAreaIsDrawnNotCopied) {
  const Integer sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  RECT mainWork{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &mainWork, 0);
  struct Case {
    const char* name;
    Integer left;  // the form's left edge; its width is 300
    RECT work;     // the work area of the form's monitor
    bool drawn;
  } const cases[] = {
      // Past the main monitor's right edge, but on a monitor that reaches further.
      {"past the main monitor, inside its own", mainWork.right - 100, {0, 0, sw * 3, sh * 3}, false},
      // Inside the main monitor's work area, past that of its own monitor.
      {"inside the main monitor, past its own", 120, {0, 0, 300, sh}, true},
      {"inside both", 120, mainWork, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form->SetBounds(c.left, 110, 300, 200);
    Application->ProcessMessages();
    ASSERT_TRUE(sp->BorderForm);
    ASSERT_FALSE(sp->BorderForm->ExBorderShowing);
    sp->FCommonData->BGChanged = false;
    ASSERT_NE(sp->FCommonData->FCacheBmp, nullptr);
    const TBitmap* before = sp->FCommonData->FCacheBmp.get();
    reportedWork = c.work;
    {
      ImportHook hook("user32.dll", "GetMonitorInfoW", &ReportWorkArea);
      realMonitorInfo = hook.Original<MonitorInfoFn>();
      sp->SetFormState(sp->FormState() | FS_CHANGING);
      sp->BorderForm->UpdateExBordersPos(true, 255);
      sp->SetFormState(sp->FormState() & ~FS_CHANGING);
    }
    ASSERT_NE(sp->FCommonData->FCacheBmp, nullptr);
    // A drawn picture is a new image of the form; a copied one fills the picture the form had.
    EXPECT_EQ(sp->FCommonData->FCacheBmp.get() != before, c.drawn);
  }
}

// A press on the caption of a maximized form stops in the border window (the form hears of it
// only when the mouse moves on): it closes the popups of the engine's controls all the same.
TEST_F(Bordered, APressThatStopsInTheBorderWindowClosesThePopups) {
  const HWND h = form->Handle();
  ShowWindow(h, SW_MAXIMIZE);
  Application->ProcessMessages();
  // Under Wine on a display without a window manager the skinned form is not always let
  // maximize.
  if (!IsZoomed(h)) GTEST_SKIP() << "the system did not maximize the form";
  ASSERT_TRUE(sp->BorderForm);
  bw = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(bw);
  auto* popup = new TForm(app.get());
  popup->AfterConstruction();
  popup->SetBounds(150, 150, 80, 60);
  ASSERT_NE(GetIntController()->AddForm(popup, form, form, false), nullptr);
  popup->Show();
  Application->ProcessMessages();
  ASSERT_TRUE(popup->Visible());
  sp->CalcItems();
  const TPoint p = OnScreen(sp->ButtonMin.cpRect.Left - 60, sp->VCenter);
  ASSERT_EQ(Test(sp->ButtonMin.cpRect.Left - 60, sp->VCenter), HTCAPTION);
  SetCursorPos(p.X, p.Y);
  SendMessageW(bw, WM_NCLBUTTONDOWN, HTOBJECT, MAKELPARAM(p.X, p.Y));
  EXPECT_TRUE(sp->BorderForm->MaxMoving);  // the press stopped there
  EXPECT_FALSE(popup->Visible());
  SendMessageW(bw, WM_NCLBUTTONUP, HTOBJECT, MAKELPARAM(p.X, p.Y));
  EXPECT_FALSE(sp->BorderForm->MaxMoving);
  delete popup;
}
