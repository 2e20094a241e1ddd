// The popup controller's list and the shadow window of a popup: its margins with and without a
// skin, its place behind the window, locking, following, and no shadow without a template.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/sMessages.h"
#include "controls/kvPopupController.h"
#include "skin/SkinState.h"
#include "support/SkinFixture.h"

namespace {

class ShadowWindows : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
    wnd = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"popup", WS_POPUP | WS_BORDER, 300, 250, 200, 100, nullptr,
                          nullptr, nullptr, nullptr);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
  }
  void TearDown() override {
    delete shadow;
    DestroyWindow(wnd);
  }
  RECT ShadowRect() {
    RECT r{};
    GetWindowRect(shadow->Handle(), &r);
    return r;
  }
  HWND wnd = nullptr;
  TkvShadowForm* shadow = nullptr;
};

}  // namespace

TEST_F(ShadowWindows, WithoutASkinThirteenPixelsOnEverySideDirectlyBehindTheWindow) {
  ASSERT_EQ(DefaultManager, nullptr);
  shadow = AttachShadowWnd(wnd, nullptr, 254, true, false);
  shadow->UpdateShadowPos();
  const RECT r = ShadowRect();
  EXPECT_EQ(r.left, 300 - 13);
  EXPECT_EQ(r.top, 250 - 13);
  EXPECT_EQ(r.right, 500 + 13);
  EXPECT_EQ(r.bottom, 350 + 13);
  EXPECT_TRUE(IsWindowVisible(shadow->Handle()));
  EXPECT_TRUE(GetWindowLongW(shadow->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(GetWindow(wnd, GW_HWNDNEXT), shadow->Handle());  // just behind the popup
  EXPECT_EQ(shadow->FUserBlend, 254);  // the popup's opacity
}

TEST_F(ShadowWindows, ASkinsShadowSizeAndOffsetGiveTheMargins) {
  SkinFixture skin;
  skin.AddSection(PlainSection(u"FORM", 0, 0xFFFFFF));
  skin.Data->WndShadowSize = 10;
  skin.Data->WndShadowOffset = 3;
  shadow = AttachShadowWnd(wnd, nullptr, 255, true, false);
  EXPECT_EQ(shadow->ShadowSize(), (TkvShadowMargins{10, 7, 10, 13}));
  shadow->UpdateShadowPos();
  const RECT r = ShadowRect();
  EXPECT_EQ(r.left, 290);
  EXPECT_EQ(r.top, 243);
  EXPECT_EQ(r.right, 510);
  EXPECT_EQ(r.bottom, 363);
}

TEST_F(ShadowWindows, NoTemplateNoShadow) {
  SkinFixture skin;
  skin.AddSection(PlainSection(u"FORM", 0, 0xFFFFFF));
  skin.Data->rsti = std::make_unique<TBitmap>();  // the skin's shadow picture came out empty
  shadow = AttachShadowWnd(wnd, nullptr, 255, true, false);
  shadow->UpdateShadowPos();
  EXPECT_FALSE(IsWindowVisible(shadow->Handle()));
}

TEST_F(ShadowWindows, AHiddenShadowStaysHiddenWhenTheWindowMoves) {
  shadow = AttachShadowWnd(wnd, nullptr, 255, true, false);
  shadow->UpdateShadowPos();
  const RECT before = ShadowRect();
  shadow->HideWnd();
  SetWindowPos(wnd, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  shadow->UpdateShadowPos();
  EXPECT_FALSE(IsWindowVisible(shadow->Handle()));
  const RECT after = ShadowRect();
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
}

TEST_F(ShadowWindows, AFollowingShadowAnswersTheUpdateCommandAndHidesWithItsWindow) {
  shadow = AttachShadowWnd(wnd, nullptr, 255, false, true);
  EXPECT_TRUE(shadow->Locked);
  SendMessageW(wnd, SM_ALPHACMD, WPARAM(KV_UPDATESHADOW) << 16, 0);
  EXPECT_FALSE(shadow->Locked);
  EXPECT_TRUE(IsWindowVisible(shadow->Handle()));
  SetWindowPos(wnd, nullptr, 120, 140, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(ShadowRect().left, 120 - 13);  // it followed by itself
  EXPECT_EQ(ShadowRect().top, 140 - 13);
  ShowWindow(wnd, SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(shadow->Handle()));
  EXPECT_TRUE(shadow->Locked);
}

TEST(PopupController, AnEmptyListClosesNothingAndFindsNothing) {
  TsPopupController* c = GetIntController();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(GetIntController(), c);  // one internal controller
  c->KillAllForms();
  EXPECT_EQ(c->PopupCount(), 0);
  EXPECT_EQ(c->GetFormIndex(static_cast<TCustomForm*>(nullptr)), -1);
  EXPECT_EQ(c->GetFormIndex(HWND(nullptr)), -1);
  kvPopupControllerCleanup();
}

TEST(PopupController, HandlersKeptFromClosingAreFreedOnceNoPopupIsVisible) {
  TsPopupController c(nullptr);
  c.FormHandlers.push_back(std::make_unique<TkvFormHandler>());
  c.FormHandlers.push_back(std::make_unique<TkvFormHandler>());
  TCustomForm* marker = reinterpret_cast<TCustomForm*>(&c);  // compared only, never shown
  c.FormHandlers[1]->PopupForm = marker;
  EXPECT_EQ(c.GetFormIndex(marker), 1);
  c.ClosingForbide(marker);
  EXPECT_TRUE(c.FormHandlers[1]->ClosingForbidden);
  c.FormHandlers[1]->PopupForm = nullptr;  // its form is gone
  c.KillAllForms();
  ASSERT_EQ(c.FormHandlers.size(), 2u);  // the other slot still holds a handler
  EXPECT_EQ(c.FormHandlers[1], nullptr);
  c.FormHandlers[0]->ClosingForbidden = true;
  c.KillAllForms();
  EXPECT_TRUE(c.FormHandlers.empty());  // every slot empty: the list is cleared
}
