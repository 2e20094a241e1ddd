// The application's hint engine on a shown form, with a clock the tests step: the pause
// before a hint shows and the one before it hides, the short pause from one hint to the
// next, CM_HINTSHOW and OnShowHint, hints of disabled children, what ends a hint, and
// ShowHint inherited from the parent.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "support/FormFixture.h"
#include "ui/Forms.h"
#include "ui/Hints.h"
#include "ui/StdCtrls.h"

namespace {

class TStepClock : public TClock {
 public:
  uint64_t NowMs() const override { return now; }
  uint64_t now = 100000;
};

// Records the hint info every CM_HINTSHOW carries and may change or forbid the hint.
class THintHook : public TObject {
 public:
  explicit THintHook(TControl* c) : control(c), old(c->WindowProc()) {
    c->SetWindowProc(TWndMethod(this, &THintHook::Proc));
  }
  ~THintHook() override { control->SetWindowProc(old); }
  void Proc(TMessage& m) {
    old(m);
    if (m.Msg == CM_HINTSHOW) {
      auto* info = reinterpret_cast<THintInfo*>(m.LParam);
      seen.push_back(*info);
      if (!replaceText.empty()) info->HintStr = replaceText;
      if (forbid) m.Result = 1;
    }
    if (m.Msg == CM_HINTSHOWPAUSE && pause >= 0) *reinterpret_cast<Integer*>(m.LParam) = pause;
  }
  TControl* control;
  TWndMethod old;
  std::vector<THintInfo> seen;
  String replaceText;
  bool forbid = false;
  Integer pause = -1;
};

class TShowHintHandler : public TObject {
 public:
  void Show(String& text, bool& canShow, THintInfo& info) {
    ++calls;
    if (!allow) canShow = false;
    if (!suffix.empty()) text += suffix;
    if (hideAfter) info.HideTimeout = hideAfter;
  }
  int calls = 0;
  bool allow = true;
  String suffix;
  Integer hideAfter = 0;
};

// A hint window class of the program's own.
class TOwnHintWindow : public THintWindow {
  TW_CLASS(TOwnHintWindow, THintWindow)
  using THintWindow::THintWindow;
};
TW_DEFINE_CLASS(TOwnHintWindow) {}

class AppHintsTest : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    app->SetClock(&clock);
    app->SetHintPause(500);
    app->SetHintShortPause(50);
    app->SetHintHidePause(2500);
    form->SetShowHint(true);
    first = Button(10, u"First|The first button");
    second = Button(60, u"Second");
    off = Button(110, u"");  // no hint of its own, and none shown
    off->SetShowHint(false);
    form->Show();
    SetForegroundWindow(form->Handle());
    Pump();
    app->CancelHint();  // a hint the cursor's resting place started while the form showed
  }
  void TearDown() override {
    HintWindowClass = nullptr;
    FormTest::TearDown();
  }
  TButton* Button(Integer top, const String& hint) {
    auto* b = new TButton(form);
    b->SetBounds(20, top, 100, 30);
    b->SetHint(hint);
    b->SetParent(form);
    return b;
  }
  void Pump() {
    for (int i = 0; i < 5; ++i) {
      Application->ProcessMessages();
      Sleep(5);
    }
  }
  // Puts the mouse on the control's client point and lets the window under it hear of it,
  // as the system routes a move (a disabled child's goes to its parent).
  void MoveTo(TControl* c, Integer x = 5, Integer y = 5) {
    TPoint p = c->ClientToScreen({x, y});
    SetCursorPos(p.X, p.Y);
    HWND under = WindowFromPoint(POINT{p.X, p.Y});
    POINT local{p.X, p.Y};
    ScreenToClient(under, &local);
    SendMessageW(under, WM_MOUSEMOVE, 0, MAKELPARAM(local.x, local.y));
    Pump();
  }
  void Advance(uint64_t ms) {
    clock.now += ms;
    app->UpdateHintTimers();
  }
  bool Showing() const {
    THintWindow* w = app->HintWindow();
    return w && w->WindowHandle() && IsWindowVisible(w->WindowHandle());
  }
  String Shown() const { return Showing() ? app->HintWindow()->Caption() : String(); }
  static RECT HintRect() {
    RECT r;
    GetWindowRect(Application->HintWindow()->WindowHandle(), &r);
    return r;
  }
  static POINT Cursor() {
    POINT p;
    GetCursorPos(&p);
    return p;
  }

  TStepClock clock;
  TButton* first = nullptr;
  TButton* second = nullptr;
  TButton* off = nullptr;
};

TEST_F(AppHintsTest, ShowsAfterThePauseAndHidesAfterTheHidePause) {
  MoveTo(first);
  EXPECT_EQ(app->Hint(), u"The first button");  // the long part, at once
  Advance(499);
  EXPECT_FALSE(Showing());
  Advance(1);
  ASSERT_TRUE(Showing());
  EXPECT_EQ(Shown(), u"First");
  EXPECT_EQ(&app->HintWindow()->ClassInfo(), &THintWindow::StaticClass());
  // Below the cursor, in the screen's hint font.
  const RECT wr = HintRect();
  const POINT cursor = Cursor();
  EXPECT_EQ(wr.left, cursor.x);
  EXPECT_GT(wr.top, cursor.y);
  EXPECT_EQ(app->HintWindow()->Font()->Name(), Screen->HintFont()->Name());
  Advance(2499);
  EXPECT_TRUE(Showing());
  Advance(1);
  EXPECT_FALSE(Showing());
  // It stays hidden while the mouse stays on the control.
  MoveTo(first, 30, 10);
  Advance(10000);
  EXPECT_FALSE(Showing());
}

TEST_F(AppHintsTest, AClockSetWhileAPauseRunsTakesTheTimeLeft) {
  app->SetClock(nullptr);
  app->SetHintPause(5000);
  MoveTo(first);
  TStepClock other;
  other.now = 5;
  app->SetClock(&other);
  other.now += 4000;  // the system clock has run far less than a second of the pause
  app->UpdateHintTimers();
  EXPECT_FALSE(Showing());
  other.now += 1000;
  app->UpdateHintTimers();
  EXPECT_TRUE(Showing());
}

TEST_F(AppHintsTest, NextHintFollowsAfterTheShortPause) {
  MoveTo(first);
  Advance(500);
  ASSERT_TRUE(Showing());
  MoveTo(second);
  EXPECT_FALSE(Showing());  // the old one goes at once
  Advance(49);
  EXPECT_FALSE(Showing());
  Advance(1);
  EXPECT_EQ(Shown(), u"Second");
  // Over a control without a hint nothing shows, but the next hint still follows quickly.
  MoveTo(off);
  Advance(5000);
  EXPECT_FALSE(Showing());
  MoveTo(first);
  Advance(50);
  EXPECT_EQ(Shown(), u"First");
}

TEST_F(AppHintsTest, TheControlAndOnShowHintSeeAndChangeTheHintInfo) {
  THintHook hook(first);
  TShowHintHandler handler;
  app->SetOnShowHint(TShowHintEvent(&handler, &TShowHintHandler::Show));
  app->SetHintColor(clYellow);
  MoveTo(first, 7, 9);
  Advance(500);
  ASSERT_EQ(hook.seen.size(), 1u);
  const THintInfo& info = hook.seen[0];
  EXPECT_EQ(info.HintControl, first);
  EXPECT_EQ(info.HintStr, u"First");
  EXPECT_EQ(info.CursorPos, TPoint(7, 9));
  EXPECT_EQ(info.CursorRect, first->ClientRect());
  EXPECT_EQ(info.HideTimeout, 2500);
  EXPECT_EQ(info.HintColor, clYellow);
  EXPECT_EQ(info.HintMaxWidth, Screen->Width());
  EXPECT_EQ(info.HintWindowClass, &THintWindow::StaticClass());
  EXPECT_EQ(handler.calls, 1);
  EXPECT_EQ(Shown(), u"First");
  EXPECT_EQ(app->HintWindow()->Color(), clYellow);

  // The control replaces the text, OnShowHint adds to it and shortens the stay.
  app->CancelHint();
  hook.replaceText = u"Replaced";
  handler.suffix = u"!";
  handler.hideAfter = 100;
  MoveTo(first, 8, 9);
  Advance(500);
  EXPECT_EQ(Shown(), u"Replaced!");
  Advance(100);
  EXPECT_FALSE(Showing());

  // Either may forbid it; a control that forbids is not asked past.
  app->CancelHint();
  hook.forbid = true;
  int callsBefore = handler.calls;
  MoveTo(first, 9, 9);
  Advance(500);
  EXPECT_FALSE(Showing());
  EXPECT_EQ(handler.calls, callsBefore);
  app->CancelHint();
  hook.forbid = false;
  handler.allow = false;
  MoveTo(first, 10, 9);
  Advance(500);
  EXPECT_FALSE(Showing());
  EXPECT_EQ(handler.calls, callsBefore + 1);

  // CM_HINTSHOWPAUSE lets the control choose its own pause.
  app->CancelHint();
  handler.allow = true;
  handler.suffix.clear();
  hook.replaceText.clear();
  hook.pause = 20;
  MoveTo(first, 11, 9);
  Advance(20);
  EXPECT_EQ(Shown(), u"First");
}

TEST_F(AppHintsTest, DisabledChildrenShowTheirHints) {
  auto* disabledButton = Button(150, u"Not now");
  disabledButton->SetEnabled(false);
  auto* label = new TLabel(form);
  label->SetBounds(200, 10, 80, 20);
  label->SetCaption(u"label");
  label->SetHint(u"A disabled label");
  label->SetEnabled(false);
  label->SetParent(form);
  Pump();
  MoveTo(disabledButton);
  Advance(500);
  EXPECT_EQ(Shown(), u"Not now");
  MoveTo(label, 3, 3);
  Advance(50);
  EXPECT_EQ(Shown(), u"A disabled label");
}

TEST_F(AppHintsTest, PressesLeavingAndSwitchingOffEndTheHint) {
  MoveTo(first);
  Advance(500);
  ASSERT_TRUE(Showing());
  // A button press on the way to the control ends it before the control sees the press.
  PostMessageW(first->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(first->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  EXPECT_FALSE(Showing());
  // And the next hint waits the whole pause again.
  MoveTo(second);
  Advance(50);
  EXPECT_FALSE(Showing());
  Advance(450);
  EXPECT_TRUE(Showing());
  // A key does too.
  PostMessageW(second->Handle(), WM_KEYDOWN, VK_SHIFT, 0);
  Pump();
  EXPECT_FALSE(Showing());
  // The hint pending while the mouse leaves the program shows nothing.
  MoveTo(first, 20, 20);
  SetCursorPos(5, 5);
  Pump();
  Advance(600);
  EXPECT_FALSE(Showing());
  // Hints switched off.
  MoveTo(first);
  app->SetShowHint(false);
  Advance(600);
  EXPECT_FALSE(Showing());
  MoveTo(second);
  Advance(600);
  EXPECT_FALSE(Showing());
}

TEST_F(AppHintsTest, HintWindowsAreMadeOfHintWindowClass) {
  RegisterClass<TOwnHintWindow>();
  HintWindowClass = &TOwnHintWindow::StaticClass();
  MoveTo(first);
  Advance(500);
  ASSERT_TRUE(Showing());
  EXPECT_EQ(app->HintWindow()->ClassName(), u"TOwnHintWindow");
  HintWindowClass = nullptr;
  MoveTo(second);
  Advance(50);
  ASSERT_TRUE(Showing());
  EXPECT_EQ(&app->HintWindow()->ClassInfo(), &THintWindow::StaticClass());
}

TEST_F(AppHintsTest, HintsStayOnTheMonitorNearTheScreensEdge) {
  TRect work = Screen->MonitorFromPoint({0, 0})->WorkareaRect();
  form->SetBounds(work.Right - 150, work.Bottom - 90, 150, 90);
  first->SetBounds(0, 0, 140, 40);
  first->SetHint(u"a hint wider than what is left of the screen on the right\nin\nlines");
  Pump();
  MoveTo(first, 130, 30);
  Advance(500);
  ASSERT_TRUE(Showing());
  const RECT wr = HintRect();
  const POINT cursor = Cursor();
  EXPECT_LE(wr.right, work.Right);
  EXPECT_LE(wr.bottom, work.Bottom);
  EXPECT_LE(wr.bottom, cursor.y);  // above the cursor, as there is no room below
}

TEST(HintTexts, ShortAndLongParts) {
  struct Case {
    const char16_t* hint;
    const char16_t* shortPart;
    const char16_t* longPart;
  } cases[] = {
      {u"", u"", u""},
      {u"plain", u"plain", u"plain"},
      {u"short|long", u"short", u"long"},
      {u"|long only", u"", u"long only"},
      {u"short only|", u"short only", u""},
      {u"a|b|c", u"a", u"b|c"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetShortHint(c.hint), c.shortPart) << StringToUtf8(c.hint);
    EXPECT_EQ(GetLongHint(c.hint), c.longPart) << StringToUtf8(c.hint);
  }
}

TEST(HintTexts, ShowHintFollowsTheParentUntilSetItself) {
  TWinControl parent(nullptr);
  auto* child = new TWinControl(nullptr);
  auto* grandchild = new TGraphicControl(nullptr);
  child->SetParent(&parent);
  grandchild->SetParent(child);
  EXPECT_FALSE(grandchild->ShowHint());
  parent.SetShowHint(true);
  EXPECT_TRUE(child->ShowHint());
  EXPECT_TRUE(grandchild->ShowHint());
  EXPECT_TRUE(child->ParentShowHint());
  child->SetShowHint(false);  // its own from now on, and its children follow it
  EXPECT_FALSE(child->ParentShowHint());
  EXPECT_FALSE(grandchild->ShowHint());
  parent.SetShowHint(false);
  parent.SetShowHint(true);
  EXPECT_FALSE(child->ShowHint());
  child->SetParentShowHint(true);
  EXPECT_TRUE(child->ShowHint());
  EXPECT_TRUE(grandchild->ShowHint());
  // The hint of a control without one of its own is its parent's.
  parent.SetHint(u"outer|long outer");
  EXPECT_EQ(GetHint(grandchild), u"outer|long outer");
  grandchild->SetHint(u"inner");
  EXPECT_EQ(GetHint(grandchild), u"inner");
}

}  // namespace
