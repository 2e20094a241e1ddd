// Check boxes, radio buttons and group boxes painted by their wrappers from a flat skin: the
// glyph chosen by style and check state, its look by pressed and focused state, its place by
// BS_LEFTTEXT, the disabled blend, the group box frame below half the caption; raw windows and
// class-library controls. A class-library check box's hover and press fades, its click ripple
// and its light circle run on timers the tests step by hand.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/kvThdTimer.h"
#include "controls/kvAnimation.h"
#include "controls/kvGlow.h"
#include "raster/GdiBitmaps.h"
#include "skin/sVclUtils.h"
#include "support/ControlSkin.h"
#include "support/ManualTimerDriver.h"
#include "ui/ScopeGuard.h"
#include "ui/StdCtrls.h"
#include "wrappers/kvSBUtilsChecks.h"

namespace {

constexpr TColor kBody = 0x806040, kFrame = 0x20A020;
// Picture colours of the glyph images: [image][look].
constexpr TColor kUnchecked[3] = {0x000010, 0x000011, 0x000012};
constexpr TColor kChecked[3] = {0x001000, 0x001100, 0x001200};
constexpr TColor kGrayed[3] = {0x100000, 0x110000, 0x120000};
constexpr TColor kRadioOff[3] = {0x000030, 0x000031, 0x000032};
constexpr TColor kRadioOn[3] = {0x003000, 0x003100, 0x003200};

class Checks : public ControlSkin {
 protected:
  void SetUp() override {
    ControlSkin::SetUp();
    checkSection = Section(u"CHECKBOX", {kBody});
    Section(u"GROUPBOX", {kFrame});
    auto img = [&](const TColor(&c)[3]) { return Image(12, 12, {c[0], c[1], c[2]}); };
    skin.Data->CheckBox = {img(kUnchecked), img(kChecked), img(kGrayed)};
    skin.Data->RadioButton = {img(kRadioOff), img(kRadioOn)};
  }
  Integer checkSection = -1;
};

}  // namespace

TEST_F(Checks, GlyphByStyleAndCheckState) {
  struct Case {
    DWORD style;
    WPARAM check;
    TColor glyph;
  };
  const Case cases[] = {
      {BS_AUTOCHECKBOX, BST_UNCHECKED, kUnchecked[0]}, {BS_CHECKBOX, BST_CHECKED, kChecked[0]},
      {BS_AUTO3STATE, BST_INDETERMINATE, kGrayed[0]},  {BS_3STATE, BST_CHECKED, kChecked[0]},
      {BS_RADIOBUTTON, BST_UNCHECKED, kRadioOff[0]},   {BS_AUTORADIOBUTTON, BST_CHECKED, kRadioOn[0]},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.style * 10 + k.check);
    HWND h = Child(L"BUTTON", L"", k.style, 10, 10, 120, 20);
    SendMessageW(h, BM_SETCHECK, k.check, 0);
    auto* w = Wrap<TkvCheckBoxWnd>(h);
    EXPECT_EQ(w->IsRadio(), k.style == BS_RADIOBUTTON || k.style == BS_AUTORADIOBUTTON);
    Capture cap(120, 20);
    Print(h, cap);
    EXPECT_EQ(cap.At(6, 10), k.glyph);  // glyph at the left edge, centred vertically (top 4)
    EXPECT_EQ(cap.At(6, 3), kBody);     // above it the section
    EXPECT_EQ(cap.At(100, 10), kBody);
    Unwrap(h, w);
  }
}

TEST_F(Checks, PressedAndFocusedLooksAndTheLeftTextGlyph) {
  HWND h = Child(L"BUTTON", L"", BS_AUTOCHECKBOX | BS_LEFTTEXT, 10, 10, 120, 20);
  SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
  auto* w = Wrap<TkvCheckBoxWnd>(h);
  Capture cap(120, 20);
  Print(h, cap);
  EXPECT_EQ(cap.At(114, 10), kChecked[0]);  // glyph at the right edge
  EXPECT_EQ(cap.At(6, 10), kBody);
  SendMessageW(h, BM_SETSTATE, TRUE, 0);
  EXPECT_EQ(w->CtlState(), 2);
  Print(h, cap);
  EXPECT_EQ(cap.At(114, 10), kChecked[2]);
  SendMessageW(h, BM_SETSTATE, FALSE, 0);
  form->Show();
  SetFocus(h);
  EXPECT_EQ(w->CtlState(), 1);
  Print(h, cap);
  EXPECT_EQ(cap.At(114, 10), kChecked[1]);
  Unwrap(h, w);
}

TEST_F(Checks, DisabledCheckBoxIsBlendedWithTheParent) {
  HWND h = Child(L"BUTTON", L"", BS_AUTOCHECKBOX, 10, 10, 120, 20);
  SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);
  auto* w = Wrap<TkvCheckBoxWnd>(h);
  EnableWindow(h, FALSE);
  Capture cap(120, 20);
  Print(h, cap);
  const TCacheInfo ci = GetParentCacheHwnd(h);
  const TColor parent = ci.FillColor & 0xFFFFFF;
  ASSERT_FALSE(ci.Ready);
  ASSERT_NE(parent, kBody);
  const TColor body = cap.At(100, 10);
  EXPECT_NE(body, kBody);
  EXPECT_NE(body, parent);
  for (int shift : {0, 8, 16}) {
    const int got = (body >> shift) & 0xFF, a = (kBody >> shift) & 0xFF, b = (parent >> shift) & 0xFF;
    EXPECT_GE(got, std::min(a, b) - 1);
    EXPECT_LE(got, std::max(a, b) + 1);
  }
  Unwrap(h, w);
}

TEST_F(Checks, CaptionIsWrittenRightOfTheGlyph) {
  HWND h = Child(L"BUTTON", L"WWWW", BS_AUTOCHECKBOX, 10, 10, 120, 20);
  auto* w = Wrap<TkvCheckBoxWnd>(h);
  Capture cap(120, 20);
  Print(h, cap);
  Integer firstText = -1, lastText = -1;
  for (Integer x = 0; x < 120; ++x)
    for (Integer y = 0; y < 20; ++y)
      if (cap.At(x, y) == kText) {
        if (firstText < 0) firstText = x;
        lastText = x;
      }
  EXPECT_GE(firstText, 12 + 2);  // text starts after the glyph (cw + 4, one pixel less)
  EXPECT_GT(lastText, firstText);
  Unwrap(h, w);
}

TEST_F(Checks, ClassLibraryCheckBoxAndRadioButton) {
  LoadForm(
      u"object F: TForm\n"
      u"  object box: TCheckBox\n    Left = 8\n    Top = 8\n    Width = 100\n    Height = 20\n  end\n"
      u"  object radio: TRadioButton\n    Left = 8\n    Top = 40\n    Width = 100\n    Height = 20\n  end\n"
      u"end\n");
  auto* box = Find<TCheckBox>(u"box");
  auto* radio = Find<TRadioButton>(u"radio");
  box->SetChecked(true);
  auto* wb = Wrap<TkvCheckBoxWnd>(box->Handle(), box);
  auto* wr = Wrap<TkvCheckBoxWnd>(radio->Handle(), radio);
  Capture cap(100, 20);
  Print(box->Handle(), cap);
  EXPECT_EQ(cap.At(6, 10), kChecked[0]);
  Print(radio->Handle(), cap);
  EXPECT_EQ(cap.At(6, 10), kRadioOff[0]);
  radio->SetChecked(true);
  Print(radio->Handle(), cap);
  EXPECT_EQ(cap.At(6, 10), kRadioOn[0]);
  Unwrap(box->Handle(), wb);
  Unwrap(radio->Handle(), wr);
  // The control paints itself again.
  EXPECT_EQ(GetPropW(box->Handle(), L"KVSDATA"), nullptr);
}

TEST_F(Checks, GroupBoxFrameStartsHalfACaptionDown) {
  HWND h = Child(L"BUTTON", L"", BS_GROUPBOX, 10, 10, 150, 80);
  auto* w = Wrap<TkvGroupBoxWnd>(h);
  // An empty caption measures 6 high: the frame starts 3 below the top.
  EXPECT_EQ(w->ProcessMessage(SM_ALPHACMD, TWParam{KV_GETSERVICEINT} << 16, 0), 6);
  Capture cap(150, 80);
  Print(h, cap);
  EXPECT_EQ(cap.At(75, 1), kParent);
  EXPECT_EQ(cap.At(75, 4), kFrame);
  EXPECT_EQ(cap.At(75, 70), kFrame);
  Unwrap(h, w);
}

TEST_F(Checks, GroupBoxCaptionLiesOverTheParent) {
  HWND h = Child(L"BUTTON", L"Group", BS_GROUPBOX, 10, 10, 150, 80);
  auto* w = Wrap<TkvGroupBoxWnd>(h);
  w->ProcessMessage(WM_PRINT, 0, 0);  // nothing without a DC
  Capture cap(150, 80);
  Print(h, cap);
  TRect cr;
  w->CaptionRect(cr);
  EXPECT_EQ(cr.Left, 6);
  EXPECT_GT(cr.Height(), 6);
  // The frame line does not run through the caption: its rectangle shows the parent and text.
  bool text = false;
  for (Integer x = cr.Left; x < cr.Right; ++x) {
    const TColor c = cap.At(x, cr.Height() / 2);
    EXPECT_NE(c, kFrame) << x;
    text = text || c == kText;
  }
  EXPECT_TRUE(text);
  EXPECT_EQ(cap.At(cr.Right + 5, cr.Height() / 2 + 1), kFrame);
  Unwrap(h, w);
}

TEST_F(Checks, NoHandleLeaksOverPaintsAndAttachCycles) {
  HWND h = Child(L"BUTTON", L"Caption", BS_AUTOCHECKBOX, 10, 10, 120, 20);
  HWND g = Child(L"BUTTON", L"Group", BS_GROUPBOX, 10, 40, 150, 80);
  Capture cap(150, 80);
  auto cycle = [&] {
    auto* w = Wrap<TkvCheckBoxWnd>(h);
    auto* wg = Wrap<TkvGroupBoxWnd>(g);
    Print(h, cap);
    Print(g, cap);
    Unwrap(h, w);
    Unwrap(g, wg);
  };
  ExpectNoLeaks(cycle);
}

// ---- The light circle over the check mark ----

TEST_F(Checks, TheMouseAreaIsTheCheckMarkWithTheCirclesReach) {
  HWND h = Child(L"BUTTON", L"", BS_AUTOCHECKBOX, 10, 10, 120, 20);
  auto* w = Wrap<TkvCheckBoxWnd>(h);
  RECT wr{};
  GetWindowRect(h, &wr);
  // Asked before the window has painted once: the wrapper reads the window's size for it.
  ASSERT_EQ(w->WndSize.cx, 0);
  TRect area;
  EXPECT_EQ(w->ProcessMessage(SM_ALPHACMD, TWParam{KV_GETMOUSEAREA} << 16, reinterpret_cast<TLParam>(&area)), 1);
  // The 12 x 12 mark at (0, 4) grown by the largest circle's radius (23) less half its width.
  EXPECT_EQ(area, TRect(wr.left - 17, wr.top + 4 - 17, wr.left + 12 + 17, wr.top + 16 + 17));
  skin.Manager.AnimEffects.Buttons.ClickEffect = ceWaveOut;  // no circle: the mark alone
  w->ProcessMessage(SM_ALPHACMD, TWParam{KV_GETMOUSEAREA} << 16, reinterpret_cast<TLParam>(&area));
  EXPECT_EQ(area, TRect(wr.left, wr.top + 4, wr.left + 12, wr.top + 16));
  Unwrap(h, w);
}

TEST_F(Checks, AClassLibraryCheckBoxLightsItsMarkWhileTheMouseIsOnIt) {
  sGraphUtilsStartup();  // the circle is a layered window
  kvGlowStartup();
  TScopeExit glows([] {  // also when a check below stops the test
    ClearGlows(true, false);
    kvGlowCleanup();
  });
  LoadForm(
      u"object F: TForm\n"
      u"  object box: TCheckBox\n    Left = 8\n    Top = 8\n    Width = 100\n    Height = 20\n  end\n"
      u"end\n");
  auto* box = Find<TCheckBox>(u"box");
  form->Show();
  auto* w = Wrap<TkvCheckBoxWnd>(box->Handle(), box);
  skin.Manager.AnimEffects.Buttons.Events += beClick;  // clicks animate: the circle click mode
  w->SkinData->FMouseAbove = true;
  RECT wr{};
  GetWindowRect(box->Handle(), &wr);
  SetCursorPos(wr.left + 6, wr.top + 10);  // on the mark
  POINT p{};
  GetCursorPos(&p);
  if (p.x != wr.left + 6 || p.y != wr.top + 10) GTEST_SKIP() << "the cursor cannot be moved here";
  w->ProcessMessage(WM_MOUSEMOVE, 0, MAKELPARAM(6, 10));
  const Integer id = w->SkinData->CircleID;
  ASSERT_GE(id, 0) << "a circle over the mark";
  ASSERT_NE(EffectAt(id), nullptr);
  ASSERT_NE(EffectAt(id)->Wnd, nullptr);
  HWND circle = EffectAt(id)->Wnd->WindowHandle();
  EXPECT_TRUE(IsWindowVisible(circle));
  RECT cr{};
  GetWindowRect(circle, &cr);
  EXPECT_EQ((cr.left + cr.right) / 2, wr.left + 6) << "centred on the mark";
  SetCursorPos(wr.left + 90, wr.top + 10);  // on the caption, off the mark
  w->ProcessMessage(WM_MOUSEMOVE, 0, MAKELPARAM(90, 10));
  EXPECT_EQ(w->SkinData->CircleID, -1);
  EXPECT_FALSE(IsWindowVisible(circle));
  Unwrap(box->Handle(), w);
}

// ---- Fades, ripples and the circle of a class-library check box, stepped by hand ----

namespace {

constexpr TColor kHotBody = 0x30A0E0;

class CheckFades : public Checks {
 protected:
  void SetUp() override {
    Checks::SetUp();
    if (HasFatalFailure()) return;
    savedDriver = kvTimerDriverFactory;
    kvTimerDriverFactory = ManualTimerDriver::Factory();
    skin.Section(checkSection).Props[1].Color = Integer(kHotBody);
    skin.Manager.Effects.AllowAnimation = true;
    skin.Manager.AnimEffects.Buttons.Events -= beClick;  // clicks do not animate: no circle
    LoadForm(
        u"object F: TForm\n"
        u"  object box: TCheckBox\n    Left = 8\n    Top = 8\n    Width = 100\n    Height = 20\n  end\n"
        u"  object other: TCheckBox\n    Left = 8\n    Top = 60\n    Width = 100\n    Height = 20\n  end\n"
        u"end\n");
    box = Find<TCheckBox>(u"box");
    auto* other = Find<TCheckBox>(u"other");
    SetCursorPos(0, 0);
    form->Show();
    w = Wrap<TkvCheckBoxWnd>(box->Handle(), box);
    SetFocus(other->Handle());  // a focused check box has the hot look already
    RedrawWindow(form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GetWindowRect(box->Handle(), &wr);
  }
  void TearDown() override {
    if (w) Unwrap(box->Handle(), w);
    if (glowsStarted) {
      ClearGlows(true, false);
      kvGlowCleanup();
    }
    kvTimerDriverFactory = savedDriver;
    Checks::TearDown();
  }
  // The light circle is a layered window of the glow list.
  void StartGlows() {
    sGraphUtilsStartup();
    kvGlowStartup();
    glowsStarted = true;
  }
  // Puts the cursor at (x, y) of the check box; false where the cursor cannot be moved.
  bool CursorAt(Integer x, Integer y) {
    SetCursorPos(wr.left + x, wr.top + y);
    POINT p{};
    GetCursorPos(&p);
    return p.x == wr.left + x && p.y == wr.top + y;
  }
  TColor OnScreen(Integer x, Integer y) {
    HDC dc = GetWindowDC(box->Handle());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(box->Handle(), dc);
    return TColor(c);
  }
  // Steps the fade until it ends; the number of steps.
  int RunFade() {
    TkvThreadedTimer* fade = w->SkinData->AnimTimer.get();
    int steps = 0;
    while (fade && fade->Enabled() && steps < 100) {
      fade->OnTimer2(nullptr);
      ++steps;
    }
    return steps;
  }
  TkvTimerDriverFactory savedDriver;
  bool glowsStarted = false;
  TCheckBox* box = nullptr;
  TkvCheckBoxWnd* w = nullptr;
  RECT wr{};
};

bool Between(TColor c, TColor a, TColor b) {
  for (int shift : {0, 8, 16}) {
    const int got = (c >> shift) & 0xFF, x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
    if (got < std::min(x, y) || got > std::max(x, y)) return false;
  }
  return true;
}

}  // namespace

TEST_F(CheckFades, HoverFadesToTheHotLookAndBack) {
  if (!CursorAt(80, 10)) GTEST_SKIP() << "the cursor cannot be moved here";
  ASSERT_EQ(OnScreen(80, 10), kBody);
  DefaultManager->SetActiveControl(box->Handle());
  ASSERT_TRUE(w->SkinData->FMouseAbove);
  EXPECT_FALSE(w->FMouseInGlyph);  // no circle mode: the mark is not followed
  TkvThreadedTimer* fade = w->SkinData->AnimTimer.get();
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->State, 1);
  ASSERT_TRUE(fade->Enabled());
  // A frame between the two looks.
  const TColor between = OnScreen(80, 10);
  EXPECT_NE(between, kBody);
  EXPECT_NE(between, kHotBody);
  EXPECT_TRUE(Between(between, kBody, kHotBody)) << std::hex << between;
  // A repaint during the fade shows the frame, not the new look.
  RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(OnScreen(80, 10), between);
  EXPECT_GT(RunFade(), 1);
  EXPECT_EQ(OnScreen(80, 10), kHotBody);
  EXPECT_EQ(OnScreen(6, 10), kUnchecked[1]);  // the mark's hot picture

  CursorAt(-50, -50);
  DefaultManager->SetActiveControl(nullptr);
  EXPECT_FALSE(w->SkinData->FMouseAbove);
  EXPECT_EQ(fade->State, 0);
  ASSERT_TRUE(fade->Enabled());
  EXPECT_TRUE(Between(OnScreen(80, 10), kBody, kHotBody));
  RunFade();
  EXPECT_EQ(OnScreen(80, 10), kBody);
  EXPECT_EQ(OnScreen(6, 10), kUnchecked[0]);
}

TEST_F(CheckFades, TheHotLookWaitsForTheManagersActiveControlWithHoverOn) {
  if (!CursorAt(80, 10)) GTEST_SKIP() << "the cursor cannot be moved here";
  struct Case {
    bool active, noMouseHover, hot;
  };
  for (const Case k : {Case{false, false, false}, Case{true, true, false}, Case{true, false, true}}) {
    SCOPED_TRACE(k.active * 10 + k.noMouseHover);
    DefaultManager->SetActiveControl(nullptr);
    w->SkinData->FMouseAbove = false;
    w->SkinData->StopTimer();
    skin.Manager.Options.NoMouseHover = false;
    if (k.active) DefaultManager->SetActiveControl(box->Handle());
    skin.Manager.Options.NoMouseHover = k.noMouseHover;
    w->SkinData->FMouseAbove = false;
    w->SkinData->StopTimer();
    ASSERT_EQ(DefaultManager->ActiveControl() == box->Handle(), k.active);
    SendAMessage(box->Handle(), KV_MOUSEENTER);
    EXPECT_EQ(w->SkinData->FMouseAbove, k.hot);
    TkvThreadedTimer* fade = w->SkinData->AnimTimer.get();
    EXPECT_EQ(fade && fade->Enabled() && fade->State == 1, k.hot);
  }
  skin.Manager.Options.NoMouseHover = false;
}

TEST_F(CheckFades, PressFadesToThePressedLookWhenMouseDownAnimates) {
  if (!CursorAt(6, 10)) GTEST_SKIP() << "the cursor cannot be moved here";
  for (const bool animates : {true, false}) {
    SCOPED_TRACE(animates);
    if (animates)
      skin.Manager.AnimEffects.Buttons.Events += beMouseDown;
    else
      skin.Manager.AnimEffects.Buttons.Events -= beMouseDown;
    w->SkinData->StopTimer();
    // Nothing asked for the press's fade but the painting before it.
    SendMessageW(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 10));
    EXPECT_TRUE(box->ControlState().Contains(csLButtonDown));
    TkvThreadedTimer* fade = w->SkinData->AnimTimer.get();
    EXPECT_EQ(fade && fade->Enabled() && fade->State == 2, animates);
    RunFade();
    UpdateWindow(box->Handle());
    EXPECT_EQ(OnScreen(6, 10), kUnchecked[2]);  // the mark's pressed picture
    SendMessageW(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(6, 10));
    EXPECT_FALSE(box->ControlState().Contains(csLButtonDown));
    box->SetChecked(false);
    ReleaseCapture();
  }
}

// A check-state change while the skin data is marked updating: in circle click mode the new
// state shows at once (the mark of a finished fade is dropped); otherwise it waits for the
// update to end.
TEST_F(CheckFades, ACheckStateChangeShowsAtOnceInCircleClickMode) {
  skin.Manager.AnimEffects.Buttons.Events += beMouseDown;
  for (const bool circle : {false, true}) {
    SCOPED_TRACE(circle);
    skin.Manager.AnimEffects.Buttons.Events -= beClick;
    // A press fade leaves the skin data with a fade timer.
    SendMessageW(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(80, 10));
    SendMessageW(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(80, 10));
    ReleaseCapture();
    RunFade();
    box->SetChecked(false);  // the click checked it
    ASSERT_NE(w->SkinData->AnimTimer.get(), nullptr);
    if (circle) skin.Manager.AnimEffects.Buttons.Events += beClick;
    ASSERT_EQ(CircleClickMode(box, w->SkinData), circle);
    RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const TColor before = OnScreen(6, 10);
    ASSERT_TRUE(before == kUnchecked[0] || before == kUnchecked[1]) << std::hex << before;
    w->SkinData->FUpdating = true;
    box->SetChecked(true);
    EXPECT_EQ(w->SkinData->FUpdating, !circle);
    const TColor after = OnScreen(6, 10);
    if (circle)
      EXPECT_TRUE(after == kChecked[0] || after == kChecked[1]) << std::hex << after;
    else
      EXPECT_EQ(after, before);
    w->SkinData->FUpdating = false;
  }
}

TEST_F(CheckFades, AReleaseOnTheMarkRipplesWhenClicksAnimate) {
  skin.Manager.AnimEffects.Buttons.ClickEffect = ceWaveOut;  // clicks ripple instead of the circle
  struct Case {
    bool clickAnimates;
    Integer x;
    bool ripple;
  };
  for (const Case k : {Case{true, 6, true}, Case{true, 80, false}, Case{false, 6, false}}) {
    SCOPED_TRACE(k.clickAnimates * 1000 + k.x);
    if (!CursorAt(k.x, 10)) GTEST_SKIP() << "the cursor cannot be moved here";
    if (k.clickAnimates)
      skin.Manager.AnimEffects.Buttons.Events += beClick;
    else
      skin.Manager.AnimEffects.Buttons.Events -= beClick;
    w->SkinData->ClickTimer.reset();
    ASSERT_FALSE(CircleClickMode(box, w->SkinData));
    SendMessageW(box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(k.x, 10));
    SendMessageW(box->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(k.x, 10));
    ReleaseCapture();
    auto* ripple = dynamic_cast<TkvClickTimer*>(w->SkinData->ClickTimer.get());
    EXPECT_EQ(ripple != nullptr, k.ripple);
    if (ripple) {
      // The ripple starts from the mark (the mouse area without the circle's reach).
      EXPECT_EQ(ripple->AnimRect, TRect(wr.left, wr.top + 4, wr.left + 12, wr.top + 16));
      EXPECT_TRUE(ripple->Enabled());
    }
  }
}

TEST_F(CheckFades, TheMarkIsFollowedOnlyInCircleClickMode) {
  StartGlows();
  if (!CursorAt(6, 10)) GTEST_SKIP() << "the cursor cannot be moved here";
  SendMessageW(box->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 10));
  EXPECT_FALSE(w->FMouseInGlyph);
  skin.Manager.AnimEffects.Buttons.Events += beClick;
  ASSERT_TRUE(CircleClickMode(box, w->SkinData));
  SendMessageW(box->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(6, 10));
  EXPECT_TRUE(w->FMouseInGlyph);
}

TEST_F(CheckFades, LeavingTheWindowHidesAFinishedCircle) {
  StartGlows();
  skin.Manager.AnimEffects.Buttons.Events += beClick;  // the circle click mode
  if (!CursorAt(6, 10)) GTEST_SKIP() << "the cursor cannot be moved here";
  DefaultManager->SetActiveControl(box->Handle());
  ASSERT_TRUE(w->SkinData->FMouseAbove);
  ASSERT_TRUE(w->FMouseInGlyph);
  const Integer id = w->SkinData->CircleID;
  ASSERT_GE(id, 0);
  HWND circle = EffectAt(id)->Wnd->WindowHandle();
  // The circle grows to its full size; then its timer stops and no step looks at the cursor.
  TkvThreadedTimer* growth = w->SkinData->CircleTimer.get();
  ASSERT_NE(growth, nullptr);
  for (int steps = 0; growth->Enabled() && steps < 200; ++steps) growth->OnTimer2(nullptr);
  ASSERT_FALSE(growth->Enabled());
  ASSERT_TRUE(IsWindowVisible(circle));
  CursorAt(-50, -50);
  DefaultManager->SetActiveControl(nullptr);
  EXPECT_FALSE(w->FMouseInGlyph);
  EXPECT_EQ(w->SkinData->CircleID, -1);
  EXPECT_FALSE(IsWindowVisible(circle));
}
