// The skinned button's focus changes and its bookkeeping of the look: a focus message is handed
// to the class library with the window's drawing switched off (the form's CM_ENTER and CM_EXIT
// that arrive inside the window's WM_SETFOCUS are not switched off twice), then the focused look
// is painted; the cache is rendered again when the image index changed since the last
// invalidation; an action of the custom kind gives the button its Enabled, also at its update.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "controls/sButton.h"
#include "support/SkinnedFormFixture.h"
#include "ui/ActnList.h"
#include "ui/Bitmap.h"
#include "ui/Forms.h"

namespace {

constexpr TColor kNormal = 0x0000C0, kHot = 0x00C000, kPressed = 0xC00000;  // as TColor (BGR)

uint32_t Rgb(TColor c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// What a focus event handler sees of its button while it runs.
struct FocusProbe {
  TsButton* button = nullptr;
  int calls = 0;
  bool forwarding = false;  // bFocusChanging
  bool drawingOff = false;  // the window's drawing is switched off
  Integer locks = -1;       // the open WM_SETREDRAW locks the skin data counts
  void Record(TObject*) {
    ++calls;
    forwarding = bFocusChanging;
    drawingOff = !(GetWindowLongW(button->Handle(), GWL_STYLE) & WS_VISIBLE);
    locks = button->SkinData()->RedrawLockCount;
  }
};

class ButtonFocus : public SkinnedFormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(SkinnedFormTest::SetUp());
    const TsGeneralData look = ThreeStateSection(u"BUTTON", kNormal, kHot, kPressed);
    section = skin->AddSection(look);
    button = AddButton(TRect(20, 20, 120, 50));
    other = AddButton(TRect(20, 100, 120, 130));
    form->Show();
    Pump();
    // After the form has shown: showing looks the sections up again.
    for (TsButton* b : {button, other}) {
      b->SkinData()->SkinIndex = section;
      b->SkinData()->SetCommonSkinData(nullptr);
      b->SkinData()->BGChanged = true;
    }
    other->SetFocus();
    Pump();
  }
  TsButton* AddButton(const TRect& r) {
    auto* b = new TsButton(form);
    b->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    b->SetParent(form);
    return b;
  }
  static uint32_t OnScreen(TWinControl* c, Integer x, Integer y) {
    HDC dc = GetWindowDC(c->Handle());
    const COLORREF p = GetPixel(dc, x, y);
    ReleaseDC(c->Handle(), dc);
    return Rgb(TColor(p));
  }
  static bool DrawingOn(TWinControl* c) { return GetWindowLongW(c->Handle(), GWL_STYLE) & WS_VISIBLE; }
  TsButton* button = nullptr;
  TsButton* other = nullptr;
  Integer section = -1;
};

}  // namespace

TEST_F(ButtonFocus, AFocusMoveIsHandedOnWithDrawingOffAndThenShowsTheFocusedLook) {
  ASSERT_TRUE(other->Focused());
  FocusProbe enter{button}, exit{other};
  button->SetOnEnter(TNotifyEvent(&enter, &FocusProbe::Record));
  other->SetOnExit(TNotifyEvent(&exit, &FocusProbe::Record));
  button->SetFocus();
  Pump();
  ASSERT_TRUE(button->Focused());
  // The form's CM_ENTER comes inside the window's WM_SETFOCUS, whose drawing is off already.
  EXPECT_EQ(enter.calls, 1);
  EXPECT_TRUE(enter.forwarding);
  EXPECT_TRUE(enter.drawingOff);
  EXPECT_EQ(enter.locks, 1) << "switched off once, not once more for CM_ENTER";
  // The button that loses the focus hears CM_EXIT with its own drawing off.
  EXPECT_EQ(exit.calls, 1);
  EXPECT_TRUE(exit.drawingOff);
  EXPECT_EQ(exit.locks, 1);
  // Afterwards drawing is back on both and the looks are the new ones.
  EXPECT_FALSE(bFocusChanging);
  for (TsButton* b : {button, other}) {
    EXPECT_TRUE(DrawingOn(b));
    EXPECT_EQ(b->SkinData()->RedrawLockCount, 0);
  }
  EXPECT_EQ(OnScreen(button, 50, 15), Rgb(kHot)) << "focused: the active look";
  EXPECT_EQ(OnScreen(other, 50, 15), Rgb(kNormal));
}

TEST_F(ButtonFocus, AnEnterOrExitOfItsOwnIsHandedOnWithDrawingOffWhenTheButtonIsEnabled) {
  struct Case {
    const char* name;
    Cardinal msg;
    bool enabled;
    bool drawingOff;
    bool forwarding;
  } cases[] = {
      {"enter", CM_ENTER, true, true, true},
      {"exit", CM_EXIT, true, true, false},
      {"enter, disabled", CM_ENTER, false, false, false},
      {"exit, disabled", CM_EXIT, false, false, false},
  };
  for (const Case& c : cases) {
    FocusProbe probe{button};
    button->SetOnEnter(TNotifyEvent(&probe, &FocusProbe::Record));
    button->SetOnExit(TNotifyEvent(&probe, &FocusProbe::Record));
    button->SetEnabled(c.enabled);
    button->Perform(c.msg, 0, 0);
    EXPECT_EQ(probe.calls, 1) << c.name;
    EXPECT_EQ(probe.drawingOff, c.drawingOff) << c.name;
    EXPECT_EQ(probe.forwarding, c.forwarding) << c.name;
    EXPECT_TRUE(DrawingOn(button)) << c.name;
    EXPECT_EQ(button->SkinData()->RedrawLockCount, 0) << c.name;
    EXPECT_FALSE(bFocusChanging) << c.name;
  }
}

TEST_F(ButtonFocus, AnEnterShowsAFadesNextFrameOrRepaints) {
  // No fade runs: the look is rendered again with the next paint.
  button->SkinData()->BGChanged = false;
  button->Perform(CM_ENTER, 0, 0);
  EXPECT_TRUE(button->SkinData()->BGChanged);
  // A fade to the hot look runs: it takes one step at once.
  skin->Manager.Effects.AllowAnimation = true;
  RedrawWindow(button->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  Pump();
  button->SkinData()->BGChanged = false;
  button->Perform(CM_MOUSEENTER, 0, 0);
  TkvThreadedTimer* fade = button->SkinData()->AnimTimer.get();
  ASSERT_TRUE(fade && fade->Enabled());
  const double glow = fade->Glow;
  button->Perform(CM_ENTER, 0, 0);
  EXPECT_GT(fade->Glow, glow) << "one more frame of the fade";
  button->SkinData()->StopTimer();
}

TEST_F(ButtonFocus, ANewImageIndexSinceTheLastInvalidationRendersTheLookAgain) {
  // A button without a window: setting the index reaches no window that would render again.
  auto* fresh = new TsButton(form);
  TsCtrlSkinData* sd = fresh->SkinData();
  sd->BGChanged = false;
  fresh->Invalidate();
  EXPECT_FALSE(sd->BGChanged) << "the index is the one it was made with";
  fresh->SetImageIndex(2);
  sd->BGChanged = false;
  fresh->Invalidate();
  EXPECT_TRUE(sd->BGChanged) << "the index changed since";
  sd->BGChanged = false;
  fresh->Invalidate();
  EXPECT_FALSE(sd->BGChanged) << "unchanged since the last invalidation";
  delete fresh;
}

namespace {
// The action change of a button made reachable to the test.
class ActionButton : public TsButton {
 public:
  using TsButton::ActionChange;
  using TsButton::TsButton;
};
class PlainActionButton : public TButton {
 public:
  using TButton::ActionChange;
  using TButton::TButton;
};
}  // namespace

TEST_F(ButtonFocus, ACustomActionGivesTheButtonItsEnabledWhateverTheDefaults) {
  TAction action(form);
  auto* skinned = new ActionButton(form);
  auto* plain = new PlainActionButton(form);
  for (bool enabled : {true, false, true}) {
    action.SetEnabled(enabled);
    for (TButton* b : {static_cast<TButton*>(skinned), static_cast<TButton*>(plain)}) b->SetEnabled(!enabled);
    // With the defaults checked the class library keeps a disabled button disabled.
    skinned->ActionChange(&action, true);
    plain->ActionChange(&action, true);
    EXPECT_EQ(skinned->Enabled(), enabled) << enabled;
    // The class library's own rule: a disabled button stays so, an enabled one takes the action's.
    EXPECT_FALSE(plain->Enabled()) << enabled;
  }
  // Any other sender leaves Enabled alone.
  skinned->SetEnabled(false);
  TComponent notAnAction(nullptr);
  skinned->ActionChange(&notAnAction, false);
  EXPECT_FALSE(skinned->Enabled());
  delete skinned;
  delete plain;
}

TEST_F(ButtonFocus, AnActionUpdateGivesTheButtonItsActionsEnabled) {
  struct Handler {
    int runs = 0;
    void Execute(TObject*) { ++runs; }
  } handler;
  TAction action(form);
  action.SetOnExecute(TNotifyEvent(&handler, &Handler::Execute));
  button->SetAction(&action);
  for (bool enabled : {false, true}) {
    action.SetEnabled(enabled);
    button->SetEnabled(!enabled);  // behind the action's back
    TAction other(form);           // the form offers every update to every control
    button->Perform(CM_ACTIONUPDATE, 0, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(button->Enabled(), enabled) << enabled;
  }
  // A button without an action keeps its own.
  button->SetAction(nullptr);
  button->SetEnabled(false);
  button->Perform(CM_ACTIONUPDATE, 0, reinterpret_cast<LPARAM>(&action));
  EXPECT_FALSE(button->Enabled());
}

namespace {
// Records the drawing state while the class library restyles the button for the focus.
class StyleProbeButton : public TsButton {
 public:
  using TsButton::TsButton;
  int calls = 0;
  bool drawingOff = false;
  bool forwarding = false;

 protected:
  void SetButtonStyle(bool isDefault) override {
    ++calls;
    drawingOff = HandleAllocated() && !(GetWindowLongW(WindowHandle(), GWL_STYLE) & WS_VISIBLE);
    forwarding = bFocusChanging;
    TsButton::SetButtonStyle(isDefault);
  }
};
}  // namespace

TEST_F(ButtonFocus, TheFormsFocusNoticeRestylesAFocusedButtonWithDrawingOffAndRepaintsIt) {
  auto* probe = new StyleProbeButton(form);
  probe->SetBounds(150, 20, 100, 30);
  probe->SetParent(form);
  probe->SkinData()->SkinIndex = section;
  probe->SkinData()->SetCommonSkinData(nullptr);
  probe->SetFocus();
  Pump();
  ASSERT_TRUE(probe->Focused());
  // Whatever control the notice names, the focused button is restyled with its drawing off.
  for (TControl* named : {static_cast<TControl*>(probe), static_cast<TControl*>(other)}) {
    const char* name = named == probe ? "the button itself" : "another control";
    probe->calls = 0;
    probe->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(named));
    EXPECT_EQ(probe->calls, 1) << name;
    EXPECT_TRUE(probe->drawingOff) << name;
    EXPECT_FALSE(probe->forwarding) << name;
    EXPECT_TRUE(DrawingOn(probe)) << name;
    EXPECT_EQ(probe->SkinData()->RedrawLockCount, 0) << name;
  }
  // And it is painted again: a colour changed behind the cache's back shows.
  skin->Section(section).Props[1].Color = Integer(kPressed);
  probe->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(probe));
  ASSERT_TRUE(probe->SkinData()->FCacheBmp);
  EXPECT_EQ(probe->SkinData()->FCacheBmp->View().At(3, 3) & 0xFFFFFF, Rgb(kPressed));
  skin->Section(section).Props[1].Color = Integer(kHot);
  // Not focused: the class library's handling as it comes.
  other->SetFocus();
  Pump();
  probe->calls = 0;
  probe->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(other));
  EXPECT_EQ(probe->calls, 1);
  EXPECT_FALSE(probe->drawingOff);
}
