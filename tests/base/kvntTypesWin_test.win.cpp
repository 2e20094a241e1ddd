// The glow window: styles, mouse transparency and hiding without activation.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/kvntTypes.h"
#include "ui/Bitmap.h"

namespace {

class GlowForm : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
    app = std::make_unique<TApplication>();
    glow = new TkvGlowForm(app.get());
    glow->AfterConstruction();
  }
  void TearDown() override { app.reset(); }
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  std::unique_ptr<TApplication> app;
  TkvGlowForm* glow = nullptr;
};

HWND PlainWindow(RECT r) {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TwBelowGlow";
    return RegisterClassW(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  HWND h = CreateWindowExW(0, L"TwBelowGlow", L"below", WS_POPUP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(h, SW_SHOWNORMAL);
  return h;
}

}  // namespace

TEST_F(GlowForm, ConstructedAsAnUnskinnedBorderlessToolWindow) {
  EXPECT_EQ(glow->Tag(), 256);
  EXPECT_EQ(glow->BorderStyle(), bsNone);
  EXPECT_TRUE(glow->TransparentMouse);
  EXPECT_EQ(glow->AlphaBmp, nullptr);
  HWND h = glow->Handle();
  const LONG ex = GetWindowLongW(h, GWL_EXSTYLE);
  EXPECT_EQ(ex & (WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE), WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE);
  EXPECT_EQ(ex & WS_EX_LAYERED, 0);  // each user sets it
  EXPECT_EQ(GetClassLongW(h, GCL_STYLE) & CS_DROPSHADOW, 0u);
  glow->AlphaBmp = new TBitmap(4, 4);  // owned: freed with the window (no leak, no double free)
}

TEST_F(GlowForm, LetsTheMouseThroughToTheWindowBelow) {
  HWND below = PlainWindow({280, 280, 420, 420});
  HWND h = glow->Handle();
  // Shown the way the effects show it: topmost, without activation.
  SetWindowPos(h, HWND_TOPMOST, 300, 300, 100, 100, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  Pump();
  RECT r;
  GetWindowRect(h, &r);
  ASSERT_EQ(r.left, 300);
  ASSERT_EQ(r.bottom, 400);
  const LPARAM inside = MAKELPARAM(350, 350);
  EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, inside), HTTRANSPARENT);
  EXPECT_EQ(WindowFromPoint(POINT{350, 350}), below);  // the click goes to the window below
  glow->TransparentMouse = false;
  EXPECT_EQ(SendMessageW(h, WM_NCHITTEST, 0, inside), HTCLIENT);  // the form's own answer
  EXPECT_EQ(WindowFromPoint(POINT{350, 350}), h);
  DestroyWindow(below);
}

TEST_F(GlowForm, HidingAVisibleGlowActivatesNoOtherWindow) {
  HWND active = PlainWindow({50, 50, 150, 150});
  glow->SetBounds(60, 60, 50, 50);
  glow->Show();
  Pump();
  ASSERT_TRUE(IsWindowVisible(glow->Handle()));
  SetForegroundWindow(active);
  SetActiveWindow(active);
  Pump();
  ASSERT_EQ(GetActiveWindow(), active);
  glow->Hide();
  Pump();
  EXPECT_FALSE(IsWindowVisible(glow->Handle()));
  EXPECT_EQ(GetActiveWindow(), active);
  DestroyWindow(active);
}

TEST_F(GlowForm, ScaledOnlyInTheClassLibrarysScaleMode) {
  for (TkvScaleMode mode : {smVCL, smOldMode, smCustomPPI}) {
    auto* form = new TkvGlowForm(app.get());
    form->AfterConstruction();
    form->SetScaled(false);
    kvCurrentScaleMode = mode;
    form->Loaded();
    EXPECT_EQ(form->Scaled(), mode == smVCL) << int(mode);
    form->Free();
  }
  kvCurrentScaleMode = smVCL;
}
