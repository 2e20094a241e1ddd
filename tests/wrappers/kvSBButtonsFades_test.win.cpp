// The push-button wrapper's effects: the mouse coming over the button fades it to the hot look
// and leaving fades it back; the timers are stepped by hand.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/kvThdTimer.h"
#include "base/sMessages.h"
#include "controls/kvAnimation.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
#include "support/ManualTimerDriver.h"
#include "support/SkinFixture.h"
#include "ui/Forms.h"
#include "wrappers/kvSBUtilsButtons.h"

namespace {

constexpr TColor kNormal = 0x0000C0, kHot = 0x00C000;

LRESULT CALLBACK HostProc(HWND wnd, UINT msg, WPARAM w, LPARAM l) { return DefWindowProcW(wnd, msg, w, l); }

class ButtonWrapperFades : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    saved = kvTimerDriverFactory;
    kvTimerDriverFactory = ManualTimerDriver::Factory();
    app = std::make_unique<TApplication>();
    skin = std::make_unique<SkinFixture>();
    skin->Manager.Effects.AllowAnimation = true;
    TsGeneralData look = PlainSection(u"BUTTON", 0, kNormal, 3);
    look.Props[1].Color = Integer(kHot);
    section = skin->AddSection(look);
    static const ATOM cls = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = HostProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"TwFadeHost";
      return RegisterClassW(&wc);
    }();
    SetCursorPos(0, 0);
    host = CreateWindowExW(0, MAKEINTATOM(cls), L"", WS_POPUP | WS_VISIBLE, 100, 100, 300, 100, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(host, nullptr);
    button = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 26, host, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    TkvSkinParams params;
    wrapper = TkvMainWnd::MakeWrapper<TkvBtnWnd>(button, nullptr, &skin->Manager, params, false);
    wrapper->SkinData->SetSkinManager(&skin->Manager);
    wrapper->SkinData->SkinIndex = section;
    RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  void TearDown() override {
    TkvMainWnd* held = wrapper;
    if (held) UninitializeKVWnd(held->CtrlHandle, true, false, held);
    DestroyWindow(host);
    app.reset();
    skin.reset();
    kvTimerDriverFactory = saved;
  }
  uint32_t OnScreen(Integer x, Integer y) {
    HDC dc = GetWindowDC(button);
    const COLORREF p = GetPixel(dc, x, y);
    ReleaseDC(button, dc);
    return uint32_t(p);
  }
  TkvTimerDriverFactory saved;
  std::unique_ptr<TApplication> app;
  std::unique_ptr<SkinFixture> skin;
  Integer section = -1;
  HWND host = nullptr, button = nullptr;
  TkvBtnWnd* wrapper = nullptr;
};

}  // namespace

TEST_F(ButtonWrapperFades, HoverFadesToTheHotLookAndBack) {
  TsCommonData* sd = wrapper->SkinData;
  ASSERT_TRUE(sd->FCacheBmp);
  DefaultManager->SetActiveControl(button);
  RECT wr{};
  GetWindowRect(button, &wr);
  SetCursorPos(wr.left + 40, wr.top + 13);
  SendAMessage(button, KV_MOUSEENTER);
  ASSERT_TRUE(sd->FMouseAbove);
  TkvThreadedTimer* fade = sd->AnimTimer.get();
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->State, 1);
  int frames = 1;
  while (fade->Enabled() && frames < 50) {
    fade->OnTimer2(nullptr);
    ++frames;
  }
  EXPECT_EQ(frames, 7);
  EXPECT_EQ(OnScreen(3, 3), COLORREF(kHot));

  // Leaving goes through the manager: it clears its active control before it tells the button,
  // so the look the button fades back to is the one at rest.
  SetCursorPos(0, 0);
  DefaultManager->SetActiveControl(nullptr);
  EXPECT_FALSE(sd->FMouseAbove);
  EXPECT_EQ(fade->State, 0);
  while (fade->Enabled() && frames < 100) {
    fade->OnTimer2(nullptr);
    ++frames;
  }
  EXPECT_EQ(OnScreen(3, 3), COLORREF(kNormal));
}
