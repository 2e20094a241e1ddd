// Forms, the application and the screen: creation and destruction events, showing, modal
// forms, closing, window ownership with MainFormOnTaskbar, client size and border styles,
// positions, the default exception handler's message box, monitors.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/Forms.h"
#include "ui/StdCtrls.h"

namespace {

void Pump() { Application->ProcessMessages(); }

class TLogForm : public TForm {
  TW_CLASS(TLogForm, TForm)
  explicit TLogForm(TComponent* owner) : TForm(owner) {
    SetOnCreate(TNotifyEvent(this, &TLogForm::Created));
    SetOnShow(TNotifyEvent(this, &TLogForm::Shown));
    SetOnHide(TNotifyEvent(this, &TLogForm::Hidden));
    SetOnDestroy(TNotifyEvent(this, &TLogForm::Destroyed));
    SetOnClose(TCloseEvent(this, &TLogForm::Closing));
    SetOnCloseQuery(TCloseQueryEvent(this, &TLogForm::Query));
  }
  static std::vector<std::string> log;
  bool allowClose = true;
  TCloseAction closeAction = caHide;
  bool disabledOthersWhileShown = false;
  void Add(const char* what) { log.push_back(StringToUtf8(Name()) + ":" + what); }
  void Created(TObject*) { Add("create"); }
  void Shown(TObject*) {
    Add("show");
    HWND main =
        Application->MainForm() && Application->MainForm() != this ? Application->MainForm()->WindowHandle() : nullptr;
    if (Modal()) disabledOthersWhileShown = main && !IsWindowEnabled(main);
  }
  void Hidden(TObject*) { Add("hide"); }
  void Destroyed(TObject*) { Add("destroy"); }
  void Closing(TObject*, TCloseAction& action) {
    Add("close");
    action = closeAction;
  }
  void Query(TObject*, bool& canClose) { canClose = allowClose; }
};
std::vector<std::string> TLogForm::log;
TW_DEFINE_CLASS(TLogForm) {}

class FormsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    app = std::make_unique<TApplication>();
    TLogForm::log.clear();
  }
  void TearDown() override { app.reset(); }
  std::unique_ptr<TApplication> app;
};

// Finds the message box of this thread with the given caption and closes it with OK,
// remembering its text.
struct BoxCloser {
  static String caption;
  static String text;
  static int found;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), &Visit, 0);
    if (found) KillTimer(nullptr, id);
  }
  static BOOL CALLBACK Visit(HWND w, LPARAM) {
    wchar_t cls[32] = {}, title[256] = {};
    GetClassNameW(w, cls, 32);
    GetWindowTextW(w, title, 256);
    if (std::wstring(cls) != L"#32770" || String(reinterpret_cast<Char*>(title)) != caption) return TRUE;
    EnumChildWindows(w, &ReadText, 0);
    ++found;
    PostMessageW(w, WM_COMMAND, IDOK, 0);
    return FALSE;
  }
  static BOOL CALLBACK ReadText(HWND c, LPARAM) {
    wchar_t cls[32] = {}, t[512] = {};
    GetClassNameW(c, cls, 32);
    if (_wcsicmp(cls, L"Static") == 0 && GetWindowTextW(c, t, 512) > 0) text = reinterpret_cast<Char*>(t);
    return TRUE;
  }
};
String BoxCloser::caption, BoxCloser::text;
int BoxCloser::found = 0;

}  // namespace

TEST_F(FormsTest, EventsComeInTheLibrarysOrder) {
  auto* f = new TLogForm(app.get());
  f->SetName(u"f");
  f->AfterConstruction();
  f->Show();
  f->Hide();
  f->Close();  // hidden already: OnClose is still asked
  f->Free();
  EXPECT_EQ(TLogForm::log, (std::vector<std::string>{"f:create", "f:show", "f:hide", "f:close", "f:destroy"}));
}

TEST_F(FormsTest, ShowModalDisablesTheOthersAndEndsWithTheModalResult) {
  TLogForm* main = nullptr;
  app->CreateForm(main);
  main->SetName(u"main");
  main->Show();
  auto* dlg = new TLogForm(app.get());
  dlg->SetName(u"dlg");
  dlg->AfterConstruction();
  auto* ok = new TButton(dlg);
  ok->SetParent(dlg);
  ok->SetModalResult(mrOk);
  PostMessageW(ok->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(dlg->ShowModal(), mrOk);
  EXPECT_TRUE(dlg->disabledOthersWhileShown);
  EXPECT_FALSE(dlg->Visible());
  EXPECT_TRUE(IsWindowEnabled(main->WindowHandle()));
  EXPECT_EQ(app->ModalLevel(), 0);

  // Closing the window of a modal form answers mrCancel; a vetoing OnCloseQuery keeps it.
  PostMessageW(dlg->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(dlg->ShowModal(), mrCancel);
  dlg->allowClose = false;
  PostMessageW(dlg->Handle(), WM_CLOSE, 0, 0);
  PostMessageW(ok->Handle(), BM_CLICK, 0, 0);  // refused too: OnCloseQuery says no
  struct Allow {
    static void CALLBACK Tick(HWND w, UINT, UINT_PTR id, DWORD) {
      KillTimer(w, id);
      auto* form = static_cast<TLogForm*>(FindControl(w));
      form->allowClose = true;
      form->SetModalResult(mrYes);
    }
  };
  SetTimer(dlg->Handle(), 2, 150, &Allow::Tick);
  EXPECT_EQ(dlg->ShowModal(), mrYes);
  EXPECT_THROW(
      {
        dlg->Show();
        dlg->ShowModal();
      },
      EInvalidOperation);
}

TEST_F(FormsTest, MainFormOnTaskbarDecidesWhoOwnsTheWindows) {
  app->SetMainFormOnTaskbar(true);
  TForm* main = nullptr;
  TForm* second = nullptr;
  app->CreateForm(main);
  app->CreateForm(second);
  EXPECT_EQ(app->MainForm(), main);
  EXPECT_EQ(GetWindow(main->Handle(), GW_OWNER), nullptr);
  EXPECT_TRUE(GetWindowLongW(main->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(GetWindow(second->Handle(), GW_OWNER), main->Handle());

  app.reset();
  app = std::make_unique<TApplication>();
  TForm* plain = nullptr;
  app->CreateForm(plain);
  EXPECT_EQ(GetWindow(plain->Handle(), GW_OWNER), app->Handle());
  EXPECT_FALSE(GetWindowLongW(plain->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
}

TEST_F(FormsTest, ClientSizeBorderStyleAndPosition) {
  auto* f = new TForm(app.get());
  f->AfterConstruction();
  f->SetBorderStyle(bsSingle);
  f->SetClientWidth(673);  // before the window exists
  f->SetClientHeight(428);
  f->SetPosition(poScreenCenter);
  f->SetCaption(u"Tarnwick by Quennel");
  f->Show();
  RECT rc;
  GetClientRect(f->Handle(), &rc);
  EXPECT_EQ(rc.right, 673);
  EXPECT_EQ(rc.bottom, 428);
  wchar_t title[64];
  GetWindowTextW(f->Handle(), title, 64);
  EXPECT_EQ(String(reinterpret_cast<Char*>(title)), u"Tarnwick by Quennel");
  TRect work = Screen->PrimaryMonitor()->WorkareaRect();
  EXPECT_NEAR(f->Left() + f->Width() / 2, (work.Left + work.Right) / 2, 1);
  EXPECT_NEAR(f->Top() + f->Height() / 2, (work.Top + work.Bottom) / 2, 1);
  EXPECT_FALSE(GetWindowLongW(f->Handle(), GWL_STYLE) & WS_THICKFRAME);

  // A border change makes the window again; children and the client size stay.
  auto* btn = new TButton(f);
  btn->SetParent(f);
  HWND before = f->Handle();
  f->SetBorderStyle(bsDialog);
  EXPECT_NE(f->Handle(), before);
  EXPECT_TRUE(GetWindowLongW(f->Handle(), GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
  EXPECT_EQ(GetParent(btn->Handle()), f->Handle());
  EXPECT_TRUE(IsWindowVisible(f->Handle()));
  f->SetClientWidth(300);
  GetClientRect(f->Handle(), &rc);
  EXPECT_EQ(rc.right, 300);
}

TEST_F(FormsTest, CloseReleaseAndTheMainFormEndTheLoop) {
  TLogForm* main = nullptr;
  app->CreateForm(main);
  main->SetName(u"main");
  auto* other = new TLogForm(app.get());
  other->AfterConstruction();
  other->SetName(u"other");
  other->closeAction = caFree;
  other->Show();
  other->Close();  // caFree: released after the queued messages
  EXPECT_EQ(app->ComponentCount(), 2);
  Pump();
  EXPECT_EQ(app->ComponentCount(), 1);
  // The main form: closing it ends Run.
  PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
  app->Run();
  EXPECT_TRUE(app->Terminated());
  EXPECT_EQ(TLogForm::log.back(), "main:close");
}

TEST_F(FormsTest, DefaultHandlerShowsTheTextInAMessageBoxAndTheLoopGoesOn) {
  TForm* main = nullptr;
  app->CreateForm(main);
  main->Show();
  app->SetTitle(u"Tarnwick");
  BoxCloser::caption = u"Tarnwick";
  BoxCloser::found = 0;
  SetTimer(nullptr, 0, 50, &BoxCloser::Tick);
  EConvertError error(u"下载失败");
  app->HandleException(main, &error);  // returns once the box is closed
  EXPECT_EQ(BoxCloser::found, 1);
  EXPECT_EQ(BoxCloser::text, u"下载失败.");  // the library adds a full stop
  // Texts that end in "." or in a character ordered before it get none.
  BoxCloser::found = 0;
  SetTimer(nullptr, 0, 50, &BoxCloser::Tick);
  EConvertError done(u"Done!");
  app->HandleException(main, &done);
  EXPECT_EQ(BoxCloser::text, u"Done!");
  // The loop still runs.
  PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
  app->Run();
  EXPECT_TRUE(app->Terminated());
}

TEST_F(FormsTest, ScreenKnowsMonitorsDensityAndForms) {
  ASSERT_GE(Screen->MonitorCount(), 1);
  TMonitor* primary = Screen->PrimaryMonitor();
  ASSERT_NE(primary, nullptr);
  EXPECT_EQ(primary->BoundsRect(), TRect(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  EXPECT_EQ(Screen->MonitorFromPoint({10, 10}), primary);
  HDC dc = GetDC(nullptr);
  EXPECT_EQ(Screen->PixelsPerInch(), GetDeviceCaps(dc, LOGPIXELSY));
  ReleaseDC(nullptr, dc);
  EXPECT_EQ(primary->PixelsPerInch(), Screen->PixelsPerInch());
  TForm* f = nullptr;
  app->CreateForm(f);
  auto* label = new TLabel(f);
  label->SetParent(f);
  EXPECT_EQ(label->CurrentPPI(), Screen->PixelsPerInch());
  EXPECT_EQ(Screen->FormCount(), 1);
  EXPECT_EQ(Screen->Forms(0), f);
  EXPECT_EQ(f->Monitor(), primary);
  EXPECT_NE(Screen->Cursors(crHandPoint), nullptr);
  f->Free();
  EXPECT_EQ(Screen->FormCount(), 0);
  EXPECT_EQ(app->MainForm(), nullptr);
}
