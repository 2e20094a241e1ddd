// Size, position and showing of a skinned form and its other messages: the bounds a stretched
// form gets back, the maximized bounds, redraw locks, the bounded wait at the end of a
// session, an extended-style change, and new child windows matched to their controls.
#include "base/sConst.h"
#include "support/FormSkin.h"
#include "ui/StdCtrls.h"

using namespace formskin;

namespace {

class FormState : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    Skin();
    ShowForm();
  }
  RECT Bounds() {
    RECT r{};
    GetWindowRect(form->Handle(), &r);
    return r;
  }
};

void CALLBACK EndAnimation(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  kvAnimCount = 0;
}

}  // namespace

// A form stretched to the work-area height gets its saved height back when it is moved.
TEST_F(FormState, MovingAStretchedFormGivesItsSavedHeightBack) {
  const HWND h = form->Handle();
  SetWindowPos(h, nullptr, 130, 20, 300, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  sp->NormalBounds = TRect(130, 90, 300, 180);  // left, top, width, height
  sp->SetFormState(sp->FormState() | FS_MAXHEIGHT);
  SetWindowPos(h, nullptr, 160, 60, 300, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Bounds().bottom - Bounds().top, 180);
  EXPECT_EQ(Bounds().top, 60);
  EXPECT_FALSE(sp->FormState() & FS_MAXHEIGHT);

  // Moved sideways at its stretched top: back to the saved top, shorter by what it grew upwards.
  SetWindowPos(h, nullptr, 130, 20, 300, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  sp->SetFormState(sp->FormState() | FS_MAXHEIGHT);
  SetWindowPos(h, nullptr, 170, 20, 300, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Bounds().top, 90);
  EXPECT_EQ(Bounds().bottom - Bounds().top, 400 - (90 - 20));
}

TEST_F(FormState, MaximizedBoundsCoverTheWorkAreaAndHideTheFrame) {
  MINMAXINFO info{};
  SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  MONITORINFO mi{sizeof mi};
  GetMonitorInfoW(MonitorFromWindow(form->Handle(), MONITOR_DEFAULTTONEAREST), &mi);
  const Integer b = SysBorderWidth(form->Handle(), nullptr, false);
  EXPECT_EQ(info.ptMaxPosition.x, mi.rcWork.left - mi.rcMonitor.left - b);
  EXPECT_EQ(info.ptMaxPosition.y, mi.rcWork.top - mi.rcMonitor.top - b);
  EXPECT_EQ(info.ptMaxSize.x, mi.rcWork.right - mi.rcWork.left + 2 * b);
  EXPECT_EQ(info.ptMaxSize.y, mi.rcWork.bottom - mi.rcWork.top + 2 * b);
}

TEST_F(FormState, RedrawLocksCountAndAFramePaintWaitsForThem) {
  SendMessageW(form->Handle(), WM_SETREDRAW, 1, 0);
  EXPECT_EQ(sp->LockCount, 0);
  SendMessageW(form->Handle(), WM_SETREDRAW, 0, 0);
  SendMessageW(form->Handle(), WM_SETREDRAW, 0, 0);
  EXPECT_EQ(sp->LockCount, 2);
  // Locked: a frame paint leaves the picture unbuilt.
  sp->FCommonData->BGChanged = true;
  sp->KV_WMNCPaintHandler();
  EXPECT_TRUE(sp->FCommonData->BGChanged);
  SendMessageW(form->Handle(), WM_SETREDRAW, 1, 0);
  SendMessageW(form->Handle(), WM_SETREDRAW, 1, 0);
  EXPECT_EQ(sp->LockCount, 0);
  sp->KV_WMNCPaintHandler();
  EXPECT_FALSE(sp->FCommonData->BGChanged);
}

TEST_F(FormState, EndOfSessionWaitsForAnAnimationThatEnds) {
  kvAnimCount = 1;
  SetTimer(nullptr, 0, 150, &EndAnimation);
  const DWORD start = GetTickCount();
  SendMessageW(form->Handle(), WM_QUERYENDSESSION, 0, 0);
  EXPECT_EQ(kvAnimCount, 0);
  EXPECT_GE(GetTickCount() - start, 100u);
  FadingForbidden = false;
}

TEST_F(FormState, EndOfSessionWaitsNoLongerThanTheLongestAnimation) {
  skin->skin.Manager.AnimEffects.FormShow.Time = 300;
  const Cardinal limit = sp->AnimationWaitLimit();
  EXPECT_GE(limit, 300u);
  kvAnimCount = 1;  // an animation that never reports its end
  const DWORD start = GetTickCount();
  SendMessageW(form->Handle(), WM_QUERYENDSESSION, 0, 0);
  const DWORD took = GetTickCount() - start;
  kvAnimCount = 0;
  FadingForbidden = false;
  EXPECT_GE(took, limit - 20);
  EXPECT_LT(took, limit + 1000);
}

TEST_F(FormState, ExtendedStyleChangeKeepsTheSystemCaptionButtonsAway) {
  const HWND h = form->Handle();
  SetWindowLongW(h, GWL_STYLE, GetWindowLongW(h, GWL_STYLE) | WS_SYSMENU);
  SetWindowLongW(h, GWL_EXSTYLE, GetWindowLongW(h, GWL_EXSTYLE) | WS_EX_TOOLWINDOW);
  EXPECT_FALSE(GetWindowLongW(h, GWL_STYLE) & WS_SYSMENU);
}

// The new child of WM_PARENTNOTIFY is found by its window handle: a control made on the
// visible form is found; a window of no control finds none.
TEST_F(FormState, NewChildWindowIsMatchedByItsHandle) {
  auto* button = new TButton(form);
  button->SetParent(form);
  button->SetBounds(10, 10, 80, 24);
  button->HandleNeeded();
  EXPECT_EQ(sp->LastNewChild, button);
  HWND raw = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 40, 20, 20, form->Handle(),
                             reinterpret_cast<HMENU>(uintptr_t(GetDlgCtrlID(button->Handle()))), nullptr, nullptr);
  ASSERT_NE(raw, nullptr);
  EXPECT_EQ(sp->LastNewChild, nullptr);
  DestroyWindow(raw);
}
