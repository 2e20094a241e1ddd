// The non-client mouse of a skinned form with and without an outer border window: the border
// window carried along a sizing drag, the hit test of a form whose border window tests the
// caption buttons, the maximized child's buttons only in the menu line, and the press,
// release, double click and right click actions as the form's procedure sees them.
#include <windows.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sMessages.h"
#include "support/FormSkin.h"
#include "support/LayeredCalls.h"
#include "ui/Forms.h"
#include "ui/ScopeGuard.h"

using namespace formskin;

namespace {

// What reaches the form's own procedure under the provider.
struct PassedOn {
  void Proc(TMessage& m) {
    seen.push_back(m.Msg);
    if (m.Msg == WM_SYSCOMMAND) commands.push_back(Cardinal(m.WParam & 0xFFF0));
    if (m.Msg == WM_SIZING && bw) {
      RECT r{};
      GetWindowRect(bw, &r);
      borderAtSizing.push_back(TPoint(r.left, r.top));
    }
    old(m);
  }
  Integer Count(UINT msg) const { return Integer(std::count(seen.begin(), seen.end(), msg)); }
  TWndMethod old;
  HWND bw = nullptr;
  std::vector<UINT> seen;
  std::vector<Cardinal> commands;
  std::vector<TPoint> borderAtSizing;  // where the border window was when the form's procedure saw WM_SIZING
};

constexpr TRect kShadow(10, 8, 12, 14);

class NCMouse : public SkinnedForm {
 protected:
  void SetUp() override {
    SkinnedForm::SetUp();
    ASSERT_NO_FATAL_FAILURE();
    form->SetPosition(poDesigned);
    form->SetBounds(120, 110, 300, 200);
    SetCursorPos(0, 0);
  }
  void TearDown() override {
    if (sp && watch) sp->OldWndProc = watch->old;
    watch.reset();
    SetCursorPos(0, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    SkinnedForm::TearDown();
    recorder.reset();
  }
  void WithBorder() {
    recorder.emplace();
    GiveShadow(*skin, kShadow);
    skin->skin.Data->ExBorderWidth = 4;
    skin->skin.Data->ExTitleHeight = 30;
  }
  // The form's procedure under the provider records what is passed on.
  PassedOn& Watch() {
    watch = std::make_unique<PassedOn>();
    watch->old = sp->OldWndProc;
    sp->OldWndProc = TWndMethod(watch.get(), &PassedOn::Proc);
    return *watch;
  }
  TPoint BorderTopLeft() {
    RECT r{};
    GetWindowRect(sp->BorderForm->LayeredWindow(), &r);
    return TPoint(r.left, r.top);
  }
  // Where the border window belongs: the form's top-left minus the form's place in it.
  TPoint BorderHome() {
    RECT f{};
    GetWindowRect(form->Handle(), &f);
    return TPoint(f.left - sp->BorderForm->OffsetX(), f.top - sp->BorderForm->OffsetY());
  }
  std::optional<layered::LayeredCalls> recorder;
  std::unique_ptr<PassedOn> watch;
};

}  // namespace

// Each step of a system sizing drag passes WM_SIZING on and brings the border window back to
// the form, wherever it was left.
TEST_F(NCMouse, ASizingDragCarriesTheBorderWindowAlong) {
  WithBorder();
  SkinAndShow();
  ASSERT_TRUE(sp->BorderForm);
  const HWND bw = sp->BorderForm->LayeredWindow();
  ASSERT_TRUE(bw);
  PassedOn& w = Watch();
  w.bw = bw;
  const HWND h = form->Handle();
  SendMessageW(h, WM_ENTERSIZEMOVE, 0, 0);
  RECT f{};
  GetWindowRect(h, &f);
  std::vector<TPoint> after;
  const TPoint away[] = {TPoint(3, 4), TPoint(40, 2), TPoint(7, 60)};
  for (Integer step = 0; step < 3; ++step) {
    SCOPED_TRACE(step);
    // The border window is somewhere else (as a drag leaves it between steps).
    SetWindowPos(bw, nullptr, away[step].X, away[step].Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(BorderTopLeft(), away[step]);
    RECT proposed{f.left, f.top, f.right + 10 * (step + 1), f.bottom + 5 * (step + 1)};
    SendMessageW(h, WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<LPARAM>(&proposed));
    after.push_back(BorderTopLeft());
    // The system then sizes the form to the proposed rectangle.
    SetWindowPos(h, nullptr, 0, 0, proposed.right - proposed.left, proposed.bottom - proposed.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  SendMessageW(h, WM_EXITSIZEMOVE, 0, 0);
  ASSERT_EQ(w.Count(WM_SIZING), 3) << "every step reaches the form's own procedure";
  // The form's procedure saw each step before the border window moved (the previous procedure
  // runs first).
  for (Integer step = 0; step < 3; ++step) EXPECT_EQ(w.borderAtSizing[size_t(step)], away[step]) << step;
  const TPoint home = BorderHome();
  for (Integer step = 0; step < 3; ++step) EXPECT_EQ(after[size_t(step)], home) << step;
}

// Without a border window WM_SIZING only reaches the form's own procedure.
TEST_F(NCMouse, SizingWithoutABorderWindowOnlyPassesOn) {
  SkinAndShow();
  ASSERT_FALSE(sp->BorderForm);
  PassedOn& w = Watch();
  RECT f{};
  GetWindowRect(form->Handle(), &f);
  SendMessageW(form->Handle(), WM_SIZING, WMSZ_RIGHT, reinterpret_cast<LPARAM>(&f));
  EXPECT_EQ(w.Count(WM_SIZING), 1);
}
