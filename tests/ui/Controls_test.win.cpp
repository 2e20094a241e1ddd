// The message model: WindowProc hooks, the library's CM_ messages on property changes,
// CN_ reflection, mouse entry and exit, graphic children (painting and mouse routing),
// focus and keys, painting through WM_PRINTCLIENT and double buffering.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "support/FormFixture.h"
#include "support/GdiTracker.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/GdiScopes.h"
#include "ui/StdCtrls.h"

namespace {

void Pump(int ms = 0) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  do {
    Application->ProcessMessages();
    if (ms) Sleep(5);
  } while (ms && static_cast<int>(end - GetTickCount()) > 0);
}

// Passes every message on and remembers the library's own ones (and a few window messages).
class TRecorder : public TObject {
 public:
  explicit TRecorder(TControl* c) : control(c), old(c->WindowProc()) {
    c->SetWindowProc(TWndMethod(this, &TRecorder::Proc));
  }
  ~TRecorder() override { Unhook(); }
  void Unhook() {
    if (control && control->WindowProc() == TWndMethod(this, &TRecorder::Proc)) control->SetWindowProc(old);
  }
  void Proc(TMessage& m) {
    if (m.Msg >= CM_BASE || m.Msg == WM_USER + 7) seen.push_back(m);
    old(m);
  }
  bool Saw(Cardinal msg) const {
    for (const TMessage& m : seen)
      if (m.Msg == msg) return true;
    return false;
  }
  const TMessage* Find(Cardinal msg, TLParam lParam) const {
    for (const TMessage& m : seen)
      if (m.Msg == msg && m.LParam == lParam) return &m;
    return nullptr;
  }
  TControl* control;
  TWndMethod old;
  std::vector<TMessage> seen;
};

class TEvents : public TObject {
 public:
  std::vector<std::string> log;
  void Click(TObject* s) { log.push_back("click:" + Name(s)); }
  void Enter(TObject* s) { log.push_back("enter:" + Name(s)); }
  void Exit(TObject* s) { log.push_back("exit:" + Name(s)); }
  void MouseEnter(TObject* s) { log.push_back("mouseenter:" + Name(s)); }
  void MouseLeave(TObject* s) { log.push_back("mouseleave:" + Name(s)); }
  void Down(TObject* s, TMouseButton, TShiftState, Integer x, Integer y) {
    log.push_back("down:" + Name(s) + ":" + std::to_string(x) + "," + std::to_string(y));
  }
  void Change(TObject* s) { log.push_back("change:" + Name(s)); }
  void Throw(TObject*) { throw EConvertError("boom"); }
  void OnError(TObject* sender, const Exception& e) {
    log.push_back("error:" + Name(sender) + ":" + StringToUtf8(e.Message()));
  }
  static std::string Name(TObject* s) {
    auto* c = dynamic_cast<TComponent*>(s);
    return c ? StringToUtf8(c->Name()) : "?";
  }
};

class ControlsTest : public FormTest {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(FormTest::SetUp());
    form->SetName(u"form");
  }
  void TearDown() override {
    FormTest::TearDown();
    EXPECT_EQ(Application, nullptr);
  }
  // The form's client area as drawn by WM_PRINTCLIENT into a 32-bit bitmap.
  std::unique_ptr<TBitmap> PrintClient(TWinControl* c) {
    TRect r = c->ClientRect();
    auto bmp = std::make_unique<TBitmap>(r.Width(), r.Height(), pf32bit);
    SendMessageW(c->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()),
                 PRF_CLIENT | PRF_ERASEBKGND);
    return bmp;
  }
  static uint32_t Rgb(TBitmap& b, int x, int y) { return b.View().At(x, y) & 0xFFFFFF; }
  static uint32_t Rgb(TColor c) {
    TColor rgb = ColorToRGB(c);
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
  }

  TEvents events;
};

}  // namespace

TEST_F(ControlsTest, PropertyChangesSendTheLibrarysMessagesThroughWindowProc) {
  auto* btn = new TButton(form);
  btn->SetParent(form);
  form->Show();
  TRecorder rec(btn);
  btn->SetVisible(false);
  btn->SetVisible(true);
  btn->SetEnabled(false);
  btn->SetColor(clRed);
  btn->SetCaption(u"x");
  btn->Font()->SetHeight(-20);
  struct Case {
    Cardinal msg;
    Cardinal value;
  } expected[] = {
      {CM_VISIBLECHANGED, 0xB00B}, {CM_ENABLEDCHANGED, 0xB00C}, {CM_COLORCHANGED, 0xB00D},
      {CM_TEXTCHANGED, 0xB012},    {CM_FONTCHANGED, 0xB00E},    {CM_SHOWINGCHANGED, 0xB019},
  };
  for (const auto& e : expected) {
    EXPECT_EQ(e.msg, e.value);
    EXPECT_TRUE(rec.Saw(e.msg)) << std::hex << e.msg;
  }
  ASSERT_GE(rec.seen.size(), 2u);
  EXPECT_EQ(rec.seen[0].Msg, CM_VISIBLECHANGED);
  EXPECT_EQ(rec.seen[0].WParam, 0u);  // hidden
  EXPECT_FALSE(IsWindowEnabled(btn->WindowHandle()));
  // A window message sent by the system passes the hook too, and Perform reaches it.
  SendMessageW(btn->Handle(), WM_USER + 7, 1, 2);
  EXPECT_EQ(btn->Perform(WM_GETTEXTLENGTH), 1);
  EXPECT_TRUE(rec.Saw(WM_USER + 7));

  // Restoring the saved procedure: the hook hears nothing more.
  EXPECT_EQ(btn->WindowProc(), TWndMethod(&rec, &TRecorder::Proc));
  rec.Unhook();
  EXPECT_NE(btn->WindowProc(), TWndMethod(&rec, &TRecorder::Proc));
  size_t before = rec.seen.size();
  btn->SetVisible(false);
  EXPECT_EQ(rec.seen.size(), before);
}

TEST_F(ControlsTest, NotificationsAreReflectedToTheChildThatSentThem) {
  auto* btn = new TButton(form);
  btn->SetName(u"btn");
  btn->SetParent(form);
  btn->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetColor(clYellow);
  edit->Font()->SetColor(clBlue);
  form->Show();
  TRecorder rec(btn);
  SendMessageW(btn->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(events.log, std::vector<std::string>{"click:btn"});
  const TMessage* cn = nullptr;
  for (const TMessage& m : rec.seen)
    if (m.Msg == CN_COMMAND) cn = &m;
  ASSERT_NE(cn, nullptr);
  EXPECT_EQ(HIWORD(cn->WParam), BN_CLICKED);

  // WM_CTLCOLOREDIT at the parent: the edit answers with its brush and colours.
  TBitmap dcHost(1, 1, pf32bit);
  HDC dc = dcHost.Canvas()->Handle();
  LRESULT brush = SendMessageW(form->Handle(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                               reinterpret_cast<LPARAM>(edit->Handle()));
  EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), edit->Brush()->Handle());
  EXPECT_EQ(GetTextColor(dc), ColorToRGB(clBlue));
  EXPECT_EQ(GetBkColor(dc), ColorToRGB(clYellow));
  // A notification for a window that is not a control goes to the default procedure.
  EXPECT_EQ(
      SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(form->Handle())), 0);
  EXPECT_EQ(FindControl(edit->Handle()), edit);
  EXPECT_EQ(FindControl(GetDesktopWindow()), nullptr);
}

TEST_F(ControlsTest, MouseEntryAndExitReachTheControlAndItsParents) {
  auto* label = new TLabel(form);
  label->SetName(u"lbl");
  label->SetAutoSize(false);
  label->SetBounds(10, 10, 50, 20);
  label->SetParent(form);
  label->SetOnMouseEnter(TNotifyEvent(&events, &TEvents::MouseEnter));
  label->SetOnMouseLeave(TNotifyEvent(&events, &TEvents::MouseLeave));
  form->SetOnMouseEnter(TNotifyEvent(&events, &TEvents::MouseEnter));
  form->SetOnMouseLeave(TNotifyEvent(&events, &TEvents::MouseLeave));
  form->Show();
  TRecorder formRec(form);
  SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 15));    // over the label
  SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 16));    // still over it: nothing new
  SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(200, 100));  // over the form itself
  EXPECT_EQ(events.log, (std::vector<std::string>{"mouseenter:lbl", "mouseleave:lbl", "mouseenter:form"}));
  EXPECT_EQ(MouseControl(), form);
  // The parent heard of its child's entry and exit with the child in LParam.
  EXPECT_NE(formRec.Find(CM_MOUSEENTER, reinterpret_cast<TLParam>(label)), nullptr);
  EXPECT_NE(formRec.Find(CM_MOUSELEAVE, reinterpret_cast<TLParam>(label)), nullptr);
  EXPECT_EQ(CM_MOUSEENTER, 0xB013u);
  EXPECT_EQ(CM_MOUSELEAVE, 0xB014u);
  // The mouse leaves the window (WM_MOUSELEAVE from the tracking).
  SendMessageW(form->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(events.log.back(), "mouseleave:form");
  EXPECT_EQ(MouseControl(), nullptr);
}

TEST_F(ControlsTest, GraphicChildrenGetTheMouseInTheirOwnCoordinates) {
  auto* label = new TLabel(form);
  label->SetName(u"lbl");
  label->SetAutoSize(false);
  label->SetBounds(40, 30, 50, 20);
  label->SetParent(form);
  label->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  label->SetOnMouseDown(TMouseEvent(&events, &TEvents::Down));
  form->SetOnMouseDown(TMouseEvent(&events, &TEvents::Down));
  form->Show();
  SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(45, 38));
  EXPECT_EQ(GetCaptureControl(), label);  // held while the button is down
  SendMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(46, 39));
  EXPECT_EQ(GetCaptureControl(), nullptr);
  SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(events.log, (std::vector<std::string>{"down:lbl:5,8", "click:lbl", "down:form:5,5"}));
  // A hidden or disabled label is not hit.
  label->SetEnabled(false);
  events.log.clear();
  SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(45, 38));
  SendMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(45, 38));
  EXPECT_EQ(events.log, std::vector<std::string>{"down:form:45,38"});
}

TEST_F(ControlsTest, ParentsPaintGraphicChildrenAlsoIntoPrintClientAndDoubleBuffered) {
  form->SetColor(0x00336699);
  auto* label = new TLabel(form);
  label->SetAutoSize(false);
  label->SetBounds(10, 10, 60, 30);
  label->SetColor(clYellow);
  label->SetCaption(u"WWWW");
  label->Font()->SetColor(clBlack);
  label->Font()->SetHeight(-20);
  label->SetParent(form);
  auto* image = new TImage(form);
  image->SetBounds(100, 10, 20, 20);
  image->SetStretch(true);
  TBitmap* pic = image->Picture()->Bitmap();
  pic->SetPixelFormat(pf32bit);
  pic->SetSize(2, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) pic->View().At(x, y) = 0x0000FF00;  // green
  image->Picture()->SetGraphic(static_cast<const TGraphic*>(pic));
  image->SetParent(form);
  form->Show();
  for (bool buffered : {false, true}) {
    form->SetDoubleBuffered(buffered);
    auto bmp = PrintClient(form);
    EXPECT_EQ(Rgb(*bmp, 200, 150), 0x996633u) << buffered;  // the form's colour (red in byte 0)
    EXPECT_EQ(Rgb(*bmp, 12, 12), 0xFFFF00u) << buffered;    // the label's background
    int black = 0;
    for (int y = 10; y < 40; ++y)
      for (int x = 10; x < 70; ++x) black += Rgb(*bmp, x, y) == 0;
    EXPECT_GT(black, 20) << buffered;                      // its text
    EXPECT_EQ(Rgb(*bmp, 110, 20), 0x00FF00u) << buffered;  // the image, stretched
  }
  // The real paint ends in the same place.
  form->Repaint();
  HDC wdc = GetDC(form->Handle());
  COLORREF onScreen = GetPixel(wdc, 110, 20);
  ReleaseDC(form->Handle(), wdc);
  if (onScreen != CLR_INVALID) { EXPECT_EQ(onScreen, RGB(0, 255, 0)); }
}

TEST_F(ControlsTest, TabEnterAndEscapeFollowTheFormsRules) {
  auto* e1 = new TEdit(form);
  e1->SetName(u"e1");
  auto* e2 = new TEdit(form);
  e2->SetName(u"e2");
  auto* ok = new TButton(form);
  ok->SetName(u"ok");
  auto* cancel = new TButton(form);
  cancel->SetName(u"cancel");
  for (TWinControl* c : std::vector<TWinControl*>{e1, e2, ok, cancel}) {
    c->SetParent(form);
    c->SetOnEnter(TNotifyEvent(&events, &TEvents::Enter));
    c->SetOnExit(TNotifyEvent(&events, &TEvents::Exit));
  }
  e2->SetTop(40);
  ok->SetTop(80);
  cancel->SetTop(120);
  e2->SetTabOrder(0);  // e2 first, then e1
  ok->SetDefault(true);
  ok->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  cancel->SetCancel(true);
  cancel->SetOnClick(TNotifyEvent(&events, &TEvents::Click));
  form->Show();
  SetForegroundWindow(form->Handle());
  e2->SetFocus();
  Pump();
  EXPECT_TRUE(e2->Focused());
  events.log.clear();
  // Tab, as the message loop hands it to the focused control.
  EXPECT_NE(e2->Perform(CN_KEYDOWN, VK_TAB, 0), 0);
  EXPECT_TRUE(e1->Focused());
  EXPECT_EQ(events.log, (std::vector<std::string>{"exit:e2", "enter:e1"}));
  EXPECT_EQ(form->ActiveControl(), e1);
  events.log.clear();
  EXPECT_NE(e1->Perform(CN_KEYDOWN, VK_RETURN, 0), 0);  // Enter: the default button
  EXPECT_NE(e1->Perform(CN_KEYDOWN, VK_ESCAPE, 0), 0);  // Escape: the cancel button
  EXPECT_EQ(events.log, (std::vector<std::string>{"click:ok", "click:cancel"}));
  EXPECT_EQ(e1->Perform(CN_KEYDOWN, 'A', 0), 0);  // other keys go to the edit
  // The default look follows the focus: a focused button becomes the default one.
  cancel->SetFocus();
  Pump();
  EXPECT_EQ(GetWindowLongW(cancel->Handle(), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetWindowLongW(ok->Handle(), GWL_STYLE) & 0x0F, BS_PUSHBUTTON);
  e1->SetFocus();
  Pump();
  EXPECT_EQ(GetWindowLongW(ok->Handle(), GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
}

TEST_F(ControlsTest, ControlTreeOrderNotificationsAndOwnership) {
  auto* panel = new TCustomControl(form);
  panel->SetControlStyle(panel->ControlStyle() + TControlStyle{csAcceptsControls});
  panel->SetBounds(10, 10, 100, 100);
  panel->SetParent(form);
  TRecorder rec(form);
  auto* btn = new TButton(form);
  auto* label = new TLabel(form);
  btn->SetParent(panel);
  label->SetParent(panel);
  // Graphic controls first, then windowed ones.
  ASSERT_EQ(panel->ControlCount(), 2);
  EXPECT_EQ(panel->Controls(0), label);
  EXPECT_EQ(panel->Controls(1), btn);
  // The change of a nested control list reaches the form, before and after.
  EXPECT_NE(rec.Find(CM_CONTROLLISTCHANGING, 1), nullptr);
  const TMessage* change = rec.Find(CM_CONTROLLISTCHANGE, 1);
  ASSERT_NE(change, nullptr);
  EXPECT_TRUE(change->WParam == reinterpret_cast<TWParam>(btn) || change->WParam == reinterpret_cast<TWParam>(label));
  EXPECT_EQ(CM_CONTROLLISTCHANGE, 0xB02Cu);
  EXPECT_EQ(CM_CONTROLLISTCHANGING, 0xB04Cu);
  label->SetAutoSize(false);
  label->SetBounds(5, 5, 20, 20);
  EXPECT_EQ(panel->ControlAtPos({10, 10}, false), label);
  EXPECT_EQ(panel->ControlAtPos({90, 90}, false), nullptr);
  EXPECT_EQ(GetParentForm(label), form);
  EXPECT_THROW(panel->SetParent(panel), EInvalidOperation);
  // A parent frees its children; their owner forgets them.
  form->Show();
  HWND btnWnd = btn->Handle();
  Integer owned = form->ComponentCount();
  panel->Free();
  EXPECT_FALSE(IsWindow(btnWnd));
  EXPECT_EQ(form->ComponentCount(), owned - 3);
}

TEST_F(ControlsTest, ExceptionsInHandlersGoToTheApplicationAndTheLoopGoesOn) {
  app->SetOnException(TExceptionEvent(&events, &TEvents::OnError));
  auto* btn = new TButton(form);
  btn->SetName(u"btn");
  btn->SetParent(form);
  btn->SetOnClick(TNotifyEvent(&events, &TEvents::Throw));
  form->Show();
  SendMessageW(btn->Handle(), BM_CLICK, 0, 0);
  PostMessageW(btn->Handle(), BM_CLICK, 0, 0);
  Pump();
  // The click runs inside the form's WM_COMMAND, so the form's window procedure catches it.
  EXPECT_EQ(events.log, (std::vector<std::string>{"error:form:boom", "error:form:boom"}));
}

TEST_F(ControlsTest, EditProgressBarAndLabelBehaveAsTheLibrarys) {
  auto* edit = new TEdit(form);
  edit->SetName(u"edit");
  edit->SetParent(form);
  edit->SetOnChange(TNotifyEvent(&events, &TEvents::Change));
  form->Show();
  edit->SetText(u"请复制视频地址");
  EXPECT_EQ(edit->Text(), u"请复制视频地址");
  edit->SetSelStart(7);
  SendMessageW(edit->Handle(), WM_CHAR, 'x', 0);
  EXPECT_EQ(edit->Text().back(), u'x');
  EXPECT_EQ(events.log, (std::vector<std::string>{"change:edit", "change:edit"}));
  edit->SetAutoSize(false);
  edit->SetHeight(32);
  edit->Font()->SetHeight(-15);
  EXPECT_EQ(edit->Height(), 32);

  auto* bar = new TProgressBar(form);
  bar->SetParent(form);
  bar->SetMax(1000);
  bar->SetPosition(999);
  EXPECT_EQ(SendMessageW(bar->Handle(), PBM_GETPOS, 0, 0), 999);
  bar->SetPosition(5000);
  EXPECT_EQ(bar->Position(), 1000);
  try {
    bar->SetMax(-1);
    FAIL();
  } catch (const EInvalidOperation& e) { EXPECT_EQ(e.Message(), u"TProgressBar property out of range"); }
  EXPECT_EQ(bar->Max(), 1000);

  auto* label = new TLabel(form);
  label->SetParent(form);
  label->Font()->SetHeight(-15);
  label->SetCaption(u"下载进度");
  Integer narrow = label->Width();
  label->SetCaption(u"下载进度下载进度");
  EXPECT_GT(label->Width(), narrow);
  EXPECT_GT(label->Height(), 10);
}

TEST_F(ControlsTest, WindowsAndCanvasesLeakNothing) {
  GdiTracker tracker;
  ASSERT_TRUE(tracker.Active());
  {
    TForm* f = new TForm(app.get());
    f->AfterConstruction();
    f->SetDoubleBuffered(true);
    auto* label = new TLabel(f);
    label->SetParent(f);
    label->SetCaption(u"text");
    auto* edit = new TEdit(f);
    edit->SetParent(f);
    auto* btn = new TButton(f);
    btn->SetParent(f);
    f->Show();
    f->Repaint();
    PrintClient(f);
    label->Canvas()->TextOut(0, 0, u"x");  // a control canvas used outside painting
    label->Font()->SetHeight(-30);
    btn->Font()->SetName(u"Arial");
    f->Repaint();
    Pump();
    f->Free();
  }
  EXPECT_GT(tracker.Created(), 0);
  EXPECT_EQ(tracker.Live(), std::vector<std::string>());
}

TEST_F(ControlsTest, CursorsComeFromTheControlUnderTheMouseOrTheScreen) {
  auto* label = new TLabel(form);
  label->SetAutoSize(false);
  label->SetBounds(10, 10, 50, 20);
  label->SetParent(form);
  SetPropValue(label, u"Cursor", u"crHandPoint");  // as a description writes it
  EXPECT_EQ(label->Cursor(), crHandPoint);
  form->Show();
  TPoint over = form->ClientToScreen({20, 15});
  SetCursorPos(over.X, over.Y);
  SendMessageW(form->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
  Screen->SetCursor(crHourGlass);  // the program's cursor wins
  SendMessageW(form->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
  Screen->SetCursor(crDefault);
  TPoint away = form->ClientToScreen({200, 150});
  SetCursorPos(away.X, away.Y);
  SendMessageW(form->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));  // the class's own
}

namespace {

// Runs an action when the control gets one message and passes every other message on; gives
// the control its procedure back when it goes, unless the control went first.
class TOnMessage : public TComponent {
 public:
  TOnMessage(TControl* c, Cardinal msg, std::function<void()> action)
      : TComponent(nullptr), control_(c), msg_(msg), action_(std::move(action)), old_(c->WindowProc()) {
    c->SetWindowProc(TWndMethod(this, &TOnMessage::Proc));
    c->FreeNotification(this);
  }
  ~TOnMessage() override {
    if (control_) {
      control_->RemoveFreeNotification(this);
      if (control_->WindowProc() == TWndMethod(this, &TOnMessage::Proc)) control_->SetWindowProc(old_);
    }
  }
  void Proc(TMessage& m) {
    if (m.Msg == msg_) {
      ++calls;
      action_();  // may free the control: nothing of it is touched afterwards
      return;
    }
    old_(m);
  }
  int calls = 0;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == control_) control_ = nullptr;
  }

 private:
  TControl* control_;
  Cardinal msg_;
  std::function<void()> action_;
  TWndMethod old_;
};

LRESULT CALLBACK ForeignProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, msg, wp, lp); }

WNDPROC gSubclassedOriginal = nullptr;
int gSubclassCalls = 0;
LRESULT CALLBACK CountingSubclass(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  ++gSubclassCalls;
  return CallWindowProcW(gSubclassedOriginal, w, msg, wp, lp);
}

}  // namespace

TEST_F(ControlsTest, EveryWindowFindsItsControlAndNoOtherWindowFindsOne) {
  auto* panel = new TCustomControl(form);  // a class of our own
  panel->SetControlStyle(panel->ControlStyle() + TControlStyle{csAcceptsControls});
  panel->SetBounds(0, 0, 150, 100);
  panel->SetParent(form);
  auto* edit = new TEdit(panel);  // superclasses of system controls, whose own extra bytes stay theirs
  edit->SetParent(panel);
  auto* btn = new TButton(form);
  btn->SetParent(form);
  btn->SetTop(120);
  form->Show();
  EXPECT_EQ(FindControl(form->Handle()), form);
  EXPECT_EQ(FindControl(panel->Handle()), panel);
  EXPECT_EQ(FindControl(edit->Handle()), edit);
  EXPECT_EQ(FindControl(btn->Handle()), btn);
  // The system controls still work on their own bytes.
  edit->SetText(u"abc");
  EXPECT_EQ(edit->Text(), u"abc");
  EXPECT_EQ(SendMessageW(btn->Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  SendMessageW(btn->Handle(), BM_SETSTATE, TRUE, 0);
  EXPECT_NE(SendMessageW(btn->Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED, 0);

  // A window of another class of this process holding a control's address in the same place
  // of its extra bytes is still no control; a plain child window finds its control parent.
  WNDCLASSW wc{};
  wc.lpfnWndProc = ForeignProc;
  wc.cbWndExtra = sizeof(LONG_PTR);
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TwForeignWithExtra";
  RegisterClassW(&wc);
  HWND foreign = CreateWindowExW(0, L"TwForeignWithExtra", L"", WS_CHILD, 0, 0, 5, 5, panel->Handle(), nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(foreign, nullptr);
  SetWindowLongPtrW(foreign, 0, reinterpret_cast<LONG_PTR>(panel));
  EXPECT_EQ(FindControl(foreign), nullptr);
  EXPECT_EQ(FindVCLWindow(foreign), panel);
  DestroyWindow(foreign);
  EXPECT_EQ(FindControl(nullptr), nullptr);
  EXPECT_EQ(FindControl(GetDesktopWindow()), nullptr);

  // Subclassed by someone else (as the skinning layer's window wrappers do): messages still
  // reach the control's WindowProc, and the control is still found.
  TRecorder rec(edit);
  gSubclassCalls = 0;
  gSubclassedOriginal = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(edit->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingSubclass)));
  SendMessageW(edit->Handle(), WM_USER + 7, 0, 0);
  EXPECT_EQ(gSubclassCalls, 1);
  EXPECT_TRUE(rec.Saw(WM_USER + 7));
  EXPECT_EQ(FindControl(edit->Handle()), edit);
  SetWindowLongPtrW(edit->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gSubclassedOriginal));
  rec.Unhook();
}

TEST_F(ControlsTest, AWindowDestroyedWhileHandlingItsMessageLeavesNoControlBehind) {
  auto* c = new TCustomControl(form);
  c->SetParent(form);
  form->Show();
  // The window goes inside its own message; the control stays and makes a new one.
  HWND first = c->Handle();
  TOnMessage destroyer(c, WM_USER + 9, [&] { DestroyWindow(first); });
  SendMessageW(first, WM_USER + 9, 0, 0);
  EXPECT_EQ(destroyer.calls, 1);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_FALSE(c->HandleAllocated());
  EXPECT_EQ(FindControl(first), nullptr);
  HWND second = c->Handle();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(FindControl(second), c);
  SendMessageW(second, WM_USER + 9, 0, 0);
  EXPECT_EQ(destroyer.calls, 2);  // the new window's messages reach the same control

  // The control itself is freed inside its window's message: the window goes with it and
  // the rest of that message's way touches nothing freed.
  auto* doomed = new TButton(form);
  doomed->SetParent(form);
  HWND doomedWnd = doomed->Handle();
  Integer owned = form->ComponentCount();
  TOnMessage freer(doomed, WM_USER + 10, [&] { doomed->Free(); });
  SendMessageW(doomedWnd, WM_USER + 10, 0, 0);
  EXPECT_EQ(freer.calls, 1);
  EXPECT_FALSE(IsWindow(doomedWnd));
  EXPECT_EQ(FindControl(doomedWnd), nullptr);
  EXPECT_EQ(form->ComponentCount(), owned - 1);
  // Windows made afterwards (perhaps with the freed window's handle value) find only their own control.
  auto* next = new TButton(form);
  next->SetParent(form);
  EXPECT_EQ(FindControl(next->Handle()), next);
}

TEST_F(ControlsTest, ReadingOrderMirrorsDrawTextFlags) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  EXPECT_EQ(label->BiDiMode(), bdLeftToRight);
  EXPECT_EQ(label->Align(), alNone);
  TRecorder rec(label);
  label->SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(CM_BIDIMODECHANGED, 0xB03Cu);
  EXPECT_TRUE(rec.Saw(CM_BIDIMODECHANGED));
  const size_t seen = rec.seen.size();
  label->SetBiDiMode(bdRightToLeft);  // no change, no message
  EXPECT_EQ(rec.seen.size(), seen);
  struct Case {
    TBiDiMode mode;
    Cardinal in, out;
  } cases[] = {
      {bdLeftToRight, DT_SINGLELINE | DT_RIGHT, DT_SINGLELINE | DT_RIGHT},
      {bdRightToLeft, DT_SINGLELINE, DT_SINGLELINE | DT_RIGHT | DT_RTLREADING},
      {bdRightToLeft, DT_WORDBREAK | DT_RIGHT, DT_WORDBREAK | DT_RTLREADING},
      {bdRightToLeft, DT_CENTER, DT_CENTER | DT_RTLREADING},
      {bdRightToLeftNoAlign, DT_RIGHT, DT_RIGHT | DT_RTLREADING},
      {bdRightToLeftReadingOnly, 0, DT_RTLREADING},
  };
  for (const auto& c : cases) {
    label->SetBiDiMode(c.mode);
    EXPECT_EQ(label->DrawTextBiDiModeFlags(c.in), c.out) << c.mode << " " << c.in;
    EXPECT_EQ(label->DrawTextBiDiModeFlagsReadingOnly(), c.mode == bdLeftToRight ? 0u : Cardinal(DT_RTLREADING));
  }
  rec.Unhook();
}
