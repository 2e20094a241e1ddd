// The popup controller's list and the shadow window of a popup: its margins with and without a
// skin, its place behind the window, locking, following, and no shadow without a template.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "base/sMessages.h"
#include "controls/kvPopupController.h"
#include "controls/sSkinMenus.h"
#include "raster/GdiBitmaps.h"
#include "skin/SkinState.h"
#include "skin/sCommonData.h"
#include "skin/sVclUtils.h"
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
  EXPECT_EQ(shadow->FUserBlend, 254);                        // the popup's opacity
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

namespace {

class ShadowedForms : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
    app = std::make_unique<TApplication>();
  }
  void TearDown() override { app.reset(); }
  // A form of the application at (left, top), 160 x 90, shown or not.
  TForm* MakeForm(Integer left, Integer top, bool shown) {
    auto* form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(left, top, 160, 90);
    if (shown) form->Show();
    return form;
  }
  static RECT RectOf(HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return r;
  }
  static void UpdateCommand(HWND wnd) { SendMessageW(wnd, SM_ALPHACMD, WPARAM(KV_UPDATESHADOW) << 16, 0); }
  std::unique_ptr<TApplication> app;
};

// Hears when a component is freed.
struct FreeWatcher : TComponent {
  FreeWatcher() : TComponent(nullptr) {}
  TComponent* gone = nullptr;
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove) gone = c;
  }
};

}  // namespace

TEST_F(ShadowedForms, InFormModeTheShadowHooksItsFormFollowsItAndGivesTheHookBack) {
  TForm* form = MakeForm(200, 150, true);
  const TWndMethod original = form->WindowProc();
  TkvShadowForm* shadow = TkvShadowForm::CreateNew(form);
  EXPECT_EQ(shadow->OwnerForm(), form);
  EXPECT_EQ(shadow->OwnerHandle(), form->WindowHandle());
  EXPECT_EQ(shadow->Owner(), form);
  EXPECT_TRUE(shadow->Tag() & ExceptTag);  // never skinned itself
  EXPECT_EQ(shadow->FOwnerBlend, 255);
  EXPECT_NE(form->WindowProc(), original);
  UpdateCommand(form->WindowHandle());  // answered by the shadow, through the form's procedure
  ASSERT_TRUE(IsWindowVisible(shadow->Handle()));
  RECT f = RectOf(form->WindowHandle()), r = RectOf(shadow->Handle());
  EXPECT_EQ(r.left, f.left - 13);
  EXPECT_EQ(r.top, f.top - 13);
  EXPECT_EQ(r.right, f.right + 13);
  EXPECT_EQ(r.bottom, f.bottom + 13);
  EXPECT_EQ(GetWindow(form->WindowHandle(), GW_HWNDNEXT), shadow->Handle());
  form->SetBounds(260, 180, 200, 100);  // it follows
  f = RectOf(form->WindowHandle());
  r = RectOf(shadow->Handle());
  EXPECT_EQ(r.left, f.left - 13);
  EXPECT_EQ(r.bottom, f.bottom + 13);
  form->Hide();
  EXPECT_FALSE(IsWindowVisible(shadow->Handle()));
  EXPECT_TRUE(shadow->Locked);
  delete shadow;
  EXPECT_EQ(form->WindowProc(), original);
}

TEST_F(ShadowedForms, TheShadowTakesItsFormsOpacity) {
  TForm* form = MakeForm(200, 150, true);
  form->SetAlphaBlend(true);
  form->SetAlphaBlendValue(120);
  TkvShadowForm* shadow = TkvShadowForm::CreateNew(form);
  EXPECT_EQ(shadow->FOwnerBlend, 120);
  UpdateCommand(form->WindowHandle());
  EXPECT_EQ(shadow->FUserBlend, 120);
  // Without an owner form the shadow is an ordinary one of no window.
  std::unique_ptr<TkvShadowForm> plain(TkvShadowForm::CreateNew(nullptr));
  EXPECT_EQ(plain->OwnerForm(), nullptr);
  EXPECT_EQ(plain->OwnerHandle(), nullptr);
}

TEST_F(ShadowedForms, AShadowGoesWithItsFormWhicheverWayTheFormIsFreed) {
  for (const bool byFree : {true, false}) {
    TForm* form = MakeForm(200, 150, true);
    TkvShadowForm* shadow = TkvShadowForm::CreateNew(form);
    UpdateCommand(form->WindowHandle());
    const HWND shadowWnd = shadow->Handle();
    FreeWatcher watcher;
    shadow->FreeNotification(&watcher);
    if (byFree)
      form->Free();
    else
      delete form;
    EXPECT_EQ(watcher.gone, shadow) << byFree;
    EXPECT_FALSE(IsWindow(shadowWnd)) << byFree;
  }
}

TEST_F(ShadowedForms, DirectCallsThroughTheFormsSkinDataReachTheShadowToo) {
  TForm* form = MakeForm(200, 150, true);
  TsCommonData sd(form);
  sd.InitCommonProp();
  ASSERT_EQ(GetCommonData(form->WindowHandle()), &sd);
  const TWndMethod saved = sd.WndProc;
  ASSERT_TRUE(saved);
  TkvShadowForm* shadow = TkvShadowForm::CreateNew(form);
  EXPECT_EQ(shadow->sd, &sd);
  EXPECT_NE(sd.WndProc, saved);
  TMessage m{SM_ALPHACMD, WPARAM(KV_UPDATESHADOW) << 16, 0, 0};
  sd.WndProc(m);
  EXPECT_TRUE(IsWindowVisible(shadow->Handle()));
  // Other messages go on to the saved procedure.
  TMessage text{WM_GETTEXTLENGTH, 0, 0, 0};
  form->SetCaption(u"Shadowed");
  sd.WndProc(text);
  EXPECT_EQ(text.Result, 8);
  delete shadow;
  EXPECT_EQ(sd.WndProc, saved);
  sd.RemoveCommonProp();
}

TEST_F(ShadowedForms, AddedFormsAreCountedFoundAndClosedUnlessKeptFromClosing) {
  TsPopupController c(nullptr);
  TForm* parent = MakeForm(100, 100, true);
  TForm* shown = MakeForm(200, 150, true);
  TForm* hidden = MakeForm(300, 150, false);
  TkvFormHandler* h = c.AddForm(shown, parent, nullptr, false);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->Controller, &c);
  EXPECT_EQ(c.AddForm(shown, parent, nullptr, false), h);  // once per form
  c.AddForm(hidden, parent, nullptr, false);
  EXPECT_EQ(c.AddForm(nullptr, parent, nullptr, false), nullptr);
  ASSERT_EQ(c.FormHandlers.size(), 2u);
  EXPECT_EQ(c.GetFormIndex(shown), 0);
  EXPECT_EQ(c.GetFormIndex(hidden), 1);
  EXPECT_EQ(c.GetFormIndex(shown->WindowHandle()), 0);
  EXPECT_EQ(c.PopupCount(), 1);
  EXPECT_EQ(c.PopupCount(shown), 0);
  EXPECT_EQ(c.PopupChildCount(parent), 1);
  EXPECT_EQ(c.PopupChildCount(shown), 0);
  c.ClosingForbide(shown);
  c.KillAllForms();
  EXPECT_TRUE(IsWindowVisible(shown->WindowHandle()));
  c.ClosingAllow(shown);
  c.KillAllForms();
  EXPECT_FALSE(IsWindowVisible(shown->WindowHandle()));
  EXPECT_EQ(c.PopupCount(), 0);
}

TEST_F(ShadowedForms, AFreedFormIsForgottenWithItsShadowAndItsSlotIsTakenAgain) {
  TsPopupController c(nullptr);
  TForm* first = MakeForm(200, 150, true);
  TForm* second = MakeForm(300, 150, true);
  TkvFormHandler* h = c.AddForm(first, nullptr, nullptr, true);
  c.AddForm(second, nullptr, nullptr, false);
  ASSERT_NE(h->ShadowForm, nullptr);
  EXPECT_EQ(h->ShadowForm->OwnerForm(), first);
  delete first;
  ASSERT_EQ(c.FormHandlers.size(), 2u);
  EXPECT_EQ(c.FormHandlers[0], nullptr);
  EXPECT_EQ(c.PopupCount(), 1);
  TForm* third = MakeForm(400, 150, true);
  c.AddForm(third, nullptr, nullptr, false);
  EXPECT_EQ(c.GetFormIndex(third), 0);
  EXPECT_EQ(c.FormHandlers.size(), 2u);
}

// A popup form of the controller that rolls up (the drop-down hide) loses its shadow as the roll
// starts, not when the form is hidden afterwards; a fading hide leaves the shadow to the form.
TEST_F(ShadowedForms, APopupRollingUpHidesItsShadowAtOnce) {
  sSkinMenusStartup();
  struct Case {
    TkvAnimType type;
    bool shadowShownAfter;
  };
  for (const Case& c : {Case{atDropDown, false}, Case{atFading, true}}) {
    SCOPED_TRACE(int(c.type));
    TForm* popup = MakeForm(200, 150, true);
    TkvFormHandler* h = GetIntController()->AddForm(popup, nullptr, nullptr, true);
    ASSERT_TRUE(h && h->ShadowForm);
    h->ShadowForm->UpdateShadowPos();
    const HWND shadow = h->ShadowForm->Handle();
    ASSERT_TRUE(IsWindowVisible(shadow));
    auto* layered = new TkvGlowForm(app.get());
    layered->AfterConstruction();
    layered->HandleNeeded();
    TkvGlowForm* running = layered;
    HideAnimForm(running, CreateBmp32(160, 90), 48, 255, c.type, popup);
    EXPECT_EQ(IsWindowVisible(shadow) != FALSE, c.shadowShownAfter);
    delete popup;
  }
  sSkinMenusCleanup();
}
