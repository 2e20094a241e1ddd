// A skinned standard dialog's frame in the less common moments: minimized (its title band and
// one row of the frame), its caption changed (only the frame is drawn again), a press whose hit
// code the dialog tests again itself, and the window region kept right while the picture is
// painted again and again.
#include <vector>

#include "base/sConst.h"
#include "forms/sSkinProvider.h"
#include "skin/sCommonData.h"
#include "support/DialogFixture.h"
#include "ui/Bitmap.h"
#include "ui/GdiScopes.h"
#include "ui/ScopeGuard.h"

using namespace formskin;
using namespace dialogtest;

namespace {

// The system's metrics, but a caption this many pixels high (0: the system's own).
Integer gCaptionMetric = 0;
int WINAPI MetricsWithCaption(int index, UINT) {
  if (gCaptionMetric > 0 && index == SM_CYCAPTION) return gCaptionMetric;
  return GetSystemMetrics(index);
}

// The rectangle of rows [top, bottom) of a bitmap, as colours.
std::vector<TColor> Rows(TBitmap* bmp, Integer top, Integer bottom) {
  std::vector<TColor> out;
  for (Integer y = top; y < bottom && y < bmp->Height(); ++y)
    for (Integer x = 0; x < bmp->Width(); ++x) out.push_back(bmp->PixelColor(x, y) & 0xFFFFFF);
  return out;
}

bool InRegionOf(HWND wnd, TPoint p) {
  const TOwnedRegion rgn(CreateRectRgn(0, 0, 0, 0));
  return GetWindowRgn(wnd, rgn.get()) != ERROR && PtInRegion(rgn.get(), p.X, p.Y);
}

// Frame paints the dialog gets, counted on their way to its window procedure.
Integer gNcPaints = 0;
HWND gCounted = nullptr;
LRESULT CALLBACK CountNcPaints(int code, WPARAM w, LPARAM l) {
  const auto* msg = reinterpret_cast<const CWPSTRUCT*>(l);
  if (code == HC_ACTION && msg->hwnd == gCounted && msg->message == WM_NCPAINT) ++gNcPaints;
  return CallNextHookEx(nullptr, code, w, l);
}

// The presses that reach the dialog's own procedure, their hit codes in order. The procedure
// handles them itself, so that the system starts no move or size loop.
std::vector<WPARAM> gPassedPresses;
INT_PTR CALLBACK PressProbeProc(HWND, UINT msg, WPARAM w, LPARAM) {
  if (msg != WM_NCLBUTTONDOWN) return FALSE;
  gPassedPresses.push_back(w);
  return TRUE;
}

}  // namespace

// Minimized, the frame is the title band with one row of the frame's bottom edge below it. The
// system's minimized window may be taller than that (Wine's is): the frame still reaches its
// last row. Where it is shorter (a caption taller than the window), the bottom edge falls
// outside the window instead of into the title.
TEST_F(DialogWrapper, MinimizedFrameIsTheTitleBandAndReachesTheLastRow) {
  skin->skin.Manager.SetExtendedBorders(false);
  struct Case {
    const char* what;
    Integer caption;  // the caption metric, 0 for the system's
    bool bottomEdgeShown;
  };
  const Case cases[] = {{"the system's caption", 0, true}, {"a caption taller than the window", 40, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto metrics = SetForScope(kvSysMetricsForDpi, &MetricsWithCaption);
    const auto caption = SetForScope(gCaptionMetric, c.caption, 0);
    ASSERT_NE(MakeDialog(), nullptr);
    ShowDialog();
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    ShowWindow(dlg, SW_MINIMIZE);
    Application->ProcessMessages();
    ASSERT_TRUE(IsIconic(dlg));
    RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    const auto shot = Shot();
    const Integer height = shot->Height(), band = w->HeaderHeight();
    ASSERT_GT(height, kBorder);
    EXPECT_EQ(band > height - 1, !c.bottomEdgeShown);
    // Away from the border icons and the corners the region cuts.
    for (const Integer x : {kBorder, shot->Width() / 2}) {
      SCOPED_TRACE(x);
      // Away from the side edges, the last row is the frame's bottom edge only when the band
      // leaves room for it; otherwise it is the frame's inside, as the title continues there.
      const TColor last = shot->PixelColor(x, height - 1) & 0xFFFFFF;
      if (c.bottomEdgeShown)
        EXPECT_EQ(last, ColorOfPixel(kBorderPixel));
      else
        EXPECT_EQ(last, kDialogClient);
    }
    // Nothing of the window is left unpainted (black).
    for (Integer y = 2; y < height; ++y)
      for (const Integer x : {0, shot->Width() / 2, shot->Width() - 1}) {
        EXPECT_NE(shot->PixelColor(x, y) & 0xFFFFFF, TColor(0)) << x << ", " << y;
      }
    DestroyWindow(dlg);
    dlg = nullptr;
  }
}

// A new caption renews the picture and shows the frame again, and nothing else: the client area
// and the children are not invalidated. With an outer border the border window shows the new
// picture.
TEST_F(DialogWrapper, CaptionChangeRedrawsOnlyTheFrame) {
  AddDialogTitle();  // the caption is written in the dialog title's look
  for (const bool outer : {false, true}) {
    SCOPED_TRACE(outer);
    UseOuterBorder(outer);
    ASSERT_NE(MakeDialog(), nullptr);
    SetWindowTextW(dlg, L"A");
    const HWND child = CreateWindowExW(0, L"STATIC", L"text", WS_CHILD | WS_VISIBLE, 10, 10, 60, 14, dlg, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(child, nullptr);
    ShowDialog();
    TkvDialogWnd* w = Wrapper();
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->BorderForm != nullptr, outer);
    UpdateWindow(dlg);
    UpdateWindow(child);
    TBitmap* picture = w->SkinData->FCacheBmp.get();
    ASSERT_NE(picture, nullptr);
    const TPoint o = w->FrameOrigin();
    const Integer bandBottom = o.Y + w->HeaderHeight();
    const std::vector<TColor> titleBefore = Rows(picture, o.Y, bandBottom);
    const std::vector<TColor> clientBefore = Rows(picture, bandBottom, picture->Height());
    const auto screenBefore = Shot();

    SetWindowTextW(dlg, L"A much longer caption");
    EXPECT_FALSE(GetUpdateRect(dlg, nullptr, FALSE)) << "the client is not invalidated";
    EXPECT_FALSE(GetUpdateRect(child, nullptr, FALSE)) << "nor the child";
    EXPECT_FALSE(w->SkinData->BGChanged) << "the picture is painted at once";
    picture = w->SkinData->FCacheBmp.get();
    EXPECT_NE(Rows(picture, o.Y, bandBottom), titleBefore);
    EXPECT_EQ(Rows(picture, bandBottom, picture->Height()), clientBefore);
    if (outer) {
      ASSERT_NE(w->BorderForm->LayeredWindow(), nullptr);
      EXPECT_TRUE(IsWindowVisible(w->BorderForm->LayeredWindow()));
    } else {
      // The dialog's own title on screen shows the new caption (below the rows whose corner
      // pixels the region cuts).
      const auto screenAfter = Shot();
      EXPECT_NE(Rows(screenAfter.get(), 2, w->HeaderHeight()), Rows(screenBefore.get(), 2, w->HeaderHeight()));
      EXPECT_EQ(Rows(screenAfter.get(), 2, w->HeaderHeight()), Rows(picture, 2, w->HeaderHeight()));
    }
    DestroyWindow(dlg);
    dlg = nullptr;
  }
}

// A press is hit-tested again at its point unless it is on a sizing edge (codes 10 to 17), which
// the system's sizing takes as it is: a press that says caption, client or border over the close
// icon presses the icon; one on a sizing edge, or where the dialog's own test finds nothing,
// goes on to the dialog's procedure with its code.
TEST_F(DialogWrapper, PressIsHitTestedAgainOutsideTheSizingEdges) {
  const auto noGlow = SetForScope(skin->skin.Manager.Effects.AllowGlowing, false);
  skin->skin.Manager.SetExtendedBorders(false);
  ASSERT_NE(MakeDialogWithProc(&PressProbeProc), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  const TPoint close = IconCentre(TkvDialogWnd::biClose);
  RECT c{};
  GetClientRect(dlg, &c);
  const TPoint o = ClientOrigin(dlg);
  const TPoint client(o.X + c.right / 2, o.Y + c.bottom / 2);
  const TPoint caption(w->Icons[TkvDialogWnd::biClose].Rect.Left - 20, close.Y);
  struct Case {
    const char* what;
    WPARAM code;
    TPoint at;
    Integer pressed;  // the icon pressed, 0 for none
    WPARAM passed;    // the code the dialog's procedure gets, 0 for none
  };
  const Case cases[] = {
      {"caption over the close icon", HTCAPTION, close, HTCLOSE, 0},
      {"client over the close icon", HTCLIENT, close, HTCLOSE, 0},
      {"border over the close icon", HTBORDER, close, HTCLOSE, 0},
      {"left edge over the close icon", HTLEFT, close, 0, HTLEFT},
      {"bottom-right edge over the close icon", HTBOTTOMRIGHT, close, 0, HTBOTTOMRIGHT},
      {"client in the client area", HTCLIENT, client, 0, HTCLIENT},
      {"border on the caption", HTBORDER, caption, 0, HTCAPTION},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    gPassedPresses.clear();
    SendMessageW(dlg, WM_NCLBUTTONDOWN, k.code, ScreenParam(k.at));
    if (k.pressed) {
      EXPECT_EQ(w->CurrentHT, k.pressed);
      EXPECT_TRUE(w->Clicked);
      EXPECT_EQ(w->Icons[TkvDialogWnd::biClose].State, 2);
      EXPECT_TRUE(gPassedPresses.empty());
    } else {
      EXPECT_FALSE(w->Clicked);
      EXPECT_EQ(w->Icons[TkvDialogWnd::biClose].State, 0);
      EXPECT_EQ(gPassedPresses, std::vector<WPARAM>{k.passed});
    }
    w->SetHotHT(0);
    w->Clicked = false;
  }
  EXPECT_TRUE(IsWindow(dlg));
}

// Every new picture has the region built anew at the next frame paint: the region follows what
// the skin's border image leaves transparent, and the painting comes to rest.
TEST_F(DialogWrapper, RegionIsBuiltAnewAfterEachPictureAndPaintingSettles) {
  skin->skin.Manager.SetExtendedBorders(false);
  ASSERT_NE(MakeDialog(), nullptr);
  ShowDialog();
  TkvDialogWnd* w = Wrapper();
  ASSERT_NE(w, nullptr);
  gCounted = dlg;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &CountNcPaints, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  const TScopeExit unhook([&] {
    UnhookWindowsHookEx(hook);
    gCounted = nullptr;
  });
  const auto settle = [&] {
    for (int i = 0; i < 3; ++i) {
      RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
      Application->ProcessMessages();
    }
  };
  ASSERT_FALSE(InRegionOf(dlg, TPoint(0, 0)));  // a transparent corner pixel of the border image

  // New looks of the same frame: each repaint asks for the region, which stays what it was.
  for (const WPARAM active : {WPARAM(0), WPARAM(1), WPARAM(0)}) {
    SendMessageW(dlg, WM_NCACTIVATE, active, 0);
    Application->ProcessMessages();
    EXPECT_FALSE(w->SkinData->BGChanged);
    settle();
    EXPECT_FALSE(w->RgnChanged);
    EXPECT_FALSE(InRegionOf(dlg, TPoint(0, 0)));
    EXPECT_FALSE(InRegionOf(dlg, TPoint(1, 0)));
    EXPECT_TRUE(InRegionOf(dlg, TPoint(2, 0)));
    EXPECT_TRUE(InRegionOf(dlg, TPoint(0, 2)));
  }
  // A repaint marks the region for the next frame paint, which builds it.
  w->SkinData->BGChanged = true;
  w->PaintAll();
  EXPECT_TRUE(w->RgnChanged);
  SendMessageW(dlg, WM_NCPAINT, 1, 0);
  EXPECT_FALSE(w->RgnChanged);
  EXPECT_FALSE(InRegionOf(dlg, TPoint(0, 0)));

  // The skin's frame loses its border image: after the new picture the region has no corners.
  skin->skin.Data->gd[size_t(skin->dialog)].BorderIndex = -1;
  w->SkinData->BGChanged = true;
  settle();
  EXPECT_TRUE(InRegionOf(dlg, TPoint(0, 0)));
  EXPECT_TRUE(InRegionOf(dlg, TPoint(1, 0)));

  // At rest nothing paints the frame again by itself.
  Application->ProcessMessages();
  gNcPaints = 0;
  for (int i = 0; i < 5; ++i) Application->ProcessMessages();
  EXPECT_EQ(gNcPaints, 0);
  // One frame paint asked for is one or two (the region set with redrawing), never a chain.
  gNcPaints = 0;
  w->SkinData->BGChanged = true;
  RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
  Application->ProcessMessages();
  EXPECT_GE(gNcPaints, 1);
  EXPECT_LE(gNcPaints, 3);
}
