// Message boxes (the system's and the library's own form) and the folder-browse dialog;
// every test closes the box it opened.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "support/FormFixture.h"
#include "support/TempDir.h"
#include "support/WindowDriver.h"
#include "ui/Dialogs.h"
#include "ui/StdCtrls.h"

namespace {

// Runs `act` on the first dialog window (#32770) of this thread that `match` accepts,
// from a timer, while the dialog's own loop runs.
struct DialogAction {
  static std::function<bool(HWND)> match;
  static std::function<void(HWND)> act;
  static int done;
  static void Start() {
    done = 0;
    SetTimer(nullptr, 0, 50, &Tick);
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), &Visit, 0);
    if (done) KillTimer(nullptr, id);
  }
  static BOOL CALLBACK Visit(HWND w, LPARAM) {
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    if (done || std::wstring(cls) != L"#32770" || !IsWindowVisible(w) || !match(w)) return TRUE;
    ++done;
    act(w);
    return FALSE;
  }
};
std::function<bool(HWND)> DialogAction::match;
std::function<void(HWND)> DialogAction::act;
int DialogAction::done = 0;

String TextOf(HWND w) {
  wchar_t t[512] = {};
  GetWindowTextW(w, t, 512);
  return String(reinterpret_cast<Char*>(t));
}

BOOL CALLBACK AddStaticText(HWND c, LPARAM p) {
  wchar_t cls[32] = {};
  GetClassNameW(c, cls, 32);
  if (_wcsicmp(cls, L"Static") == 0) reinterpret_cast<std::vector<String>*>(p)->push_back(TextOf(c));
  return TRUE;
}

// The texts of a window's static children.
std::vector<String> StaticTexts(HWND dlg) {
  std::vector<String> texts;
  EnumChildWindows(dlg, &AddStaticText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

int gSelectTries = 0;

bool Contains(const std::vector<String>& v, const String& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    app = std::make_unique<TApplication>();
    app->SetTitle(u"Tarnwick");
    UseLatestCommonDialogs = true;
  }
  void TearDown() override {
    UseLatestCommonDialogs = true;
    app.reset();
  }
  std::unique_ptr<TApplication> app;
};

// Finds the library's message form among the screen's forms and acts on it from a timer.
struct FormAction {
  static std::function<void(TForm*)> act;
  static int done;
  static void Start() {
    done = 0;
    SetTimer(nullptr, 0, 50, &Tick);
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    for (Integer i = 0; i < Screen->FormCount(); ++i) {
      TCustomForm* f = Screen->Forms(i);
      if (f->ClassName() == u"TMessageForm" && f->Showing() && !done) {
        ++done;
        KillTimer(nullptr, id);
        act(static_cast<TForm*>(f));
        return;
      }
    }
  }
};
std::function<void(TForm*)> FormAction::act;
int FormAction::done = 0;

void EmptyTheClipboard() {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  CloseClipboard();
}

// Presses the key with Ctrl held, as the user does, and gives the box time to copy.
String CopiedWith(WORD key) {
  EmptyTheClipboard();
  PressKey(key, false, true);
  String text;
  const DWORD end = GetTickCount() + 3000;
  while ((text = ClipboardText()).empty() && static_cast<int>(end - GetTickCount()) > 0) PumpMessages(20);
  return text;
}

// Makes a form's frame thicker, as a skin's frame can be: 10 px more on every side, 20 more
// on top; the window keeps its size until the form does something about it.
class ThickerFrame : public TObject {
 public:
  explicit ThickerFrame(TControl* c) : control(c), old(c->WindowProc()) {
    c->SetWindowProc(TWndMethod(this, &ThickerFrame::Proc));
    SetWindowPos(static_cast<TWinControl*>(c)->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  ~ThickerFrame() override {
    if (control->WindowProc() == TWndMethod(this, &ThickerFrame::Proc)) control->SetWindowProc(old);
  }
  void Proc(TMessage& m) {
    old(m);
    if (m.Msg != WM_NCCALCSIZE) return;
    RECT& r = *reinterpret_cast<RECT*>(m.LParam);  // the first rectangle either way
    r.left += 10;
    r.right -= 10;
    r.top += 30;
    r.bottom -= 10;
  }
  TControl* control;
  TWndMethod old;
};

}  // namespace

TEST_F(DialogsTest, ShowMessageIsTheSystemsBoxWithOneOkCentredOnTheScreen) {
  RECT box{};
  std::vector<String> texts;
  DialogAction::match = [](HWND w) { return TextOf(w) == u"Tarnwick"; };
  DialogAction::act = [&](HWND w) {
    GetWindowRect(w, &box);
    texts = StaticTexts(w);
    EXPECT_NE(GetDlgItem(w, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(w, IDCANCEL), nullptr);
    PostMessageW(w, WM_COMMAND, IDOK, 0);
  };
  DialogAction::Start();
  ShowMessage(u"请先解析视频！");
  ASSERT_EQ(DialogAction::done, 1);
  EXPECT_TRUE(Contains(texts, u"请先解析视频！"));
  const int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
  EXPECT_NEAR((box.left + box.right) / 2, cx, 40);
  EXPECT_NEAR((box.top + box.bottom) / 2, cy, 60);

  DialogAction::match = [](HWND w) { return TextOf(w) == u"Confirm"; };
  DialogAction::act = [](HWND w) { PostMessageW(w, WM_COMMAND, IDNO, 0); };
  DialogAction::Start();
  EXPECT_EQ(MessageDlg(u"Again?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);
}

TEST_F(DialogsTest, WithoutTheLatestDialogsTheBoxIsALibraryForm) {
  UseLatestCommonDialogs = false;
  std::vector<String> buttons;
  String text, caption;
  TRect bounds;
  FormAction::act = [&](TForm* f) {
    caption = f->Caption();
    bounds = f->BoundsRect();
    for (Integer i = 0; i < f->ComponentCount(); ++i) {
      if (auto* b = dynamic_cast<TButton*>(f->Components(i))) buttons.push_back(b->Name());
      if (auto* l = dynamic_cast<TLabel*>(f->Components(i))) text = l->Caption();
    }
    auto* ok = static_cast<TButton*>(f->FindComponent(u"OK"));
    SendMessageW(ok->Handle(), BM_CLICK, 0, 0);
  };
  FormAction::Start();
  Integer forms = Screen->FormCount();
  ShowMessage(u"解析成功，可以下载了！");
  ASSERT_EQ(FormAction::done, 1);
  EXPECT_EQ(caption, u"Tarnwick");
  EXPECT_EQ(text, u"解析成功，可以下载了！");
  EXPECT_EQ(buttons, std::vector<String>{u"OK"});
  TRect work = Screen->PrimaryMonitor()->WorkareaRect();
  EXPECT_NEAR(bounds.Left + bounds.Width() / 2, (work.Left + work.Right) / 2, 1);
  EXPECT_EQ(Screen->FormCount(), forms);  // the form is gone again

  // Escape presses the cancel button; the default is Yes.
  FormAction::act = [&](TForm* f) {
    EXPECT_EQ(f->ActiveControl(), f->FindComponent(u"Yes"));
    EXPECT_NE(f->FindComponent(u"Image"), nullptr);
    f->Perform(CM_DIALOGKEY, VK_ESCAPE, 0);
  };
  FormAction::Start();
  EXPECT_EQ(MessageDlg(u"Save?", mtConfirmation, {mbYes, mbNo, mbCancel}, 0), mrCancel);
}

// The library's box gives on Ctrl+C and Ctrl+Insert what the system's box gives: caption,
// text and buttons between lines of dashes.
TEST_F(DialogsTest, TheLibraryFormCopiesItsCaptionTextAndButtons) {
  UseLatestCommonDialogs = false;
  struct Case {
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    const char16_t* text;
    const char16_t* expected;
  } cases[] = {
      {mtCustom,
       {mbOK},
       u"解析成功，可以下载了！",
       u"---------------------------\r\nTarnwick\r\n---------------------------\r\n"
       u"解析成功，可以下载了！\r\n---------------------------\r\nOK   \r\n---------------------------\r\n"},
      {mtWarning,
       {mbOK, mbCancel},
       u"Delete the file?",
       u"---------------------------\r\nWarning\r\n---------------------------\r\n"
       u"Delete the file?\r\n---------------------------\r\nOK   Cancel   \r\n---------------------------\r\n"},
      {mtConfirmation,
       {mbYes, mbNo, mbCancel},
       u"Save?",
       u"---------------------------\r\nConfirm\r\n---------------------------\r\n"
       u"Save?\r\n---------------------------\r\nYes   No   Cancel   \r\n---------------------------\r\n"},
  };
  for (const Case& c : cases) {
    String byC, byInsert, byMessage;
    FormAction::act = [&](TForm* f) {
      SetForegroundWindow(f->Handle());
      PumpMessages(50);
      byC = CopiedWith('C');
      byInsert = CopiedWith(VK_INSERT);
      EmptyTheClipboard();
      SendMessageW(f->Handle(), WM_COPY, 0, 0);
      byMessage = ClipboardText();
      f->SetModalResult(mrCancel);
    };
    FormAction::Start();
    MessageDlg(c.text, c.type, c.buttons, 0);
    ASSERT_EQ(FormAction::done, 1);
    EXPECT_EQ(byC, String(c.expected)) << StringToUtf8(byC);
    EXPECT_EQ(byInsert, String(c.expected)) << StringToUtf8(byInsert);
    EXPECT_EQ(byMessage, String(c.expected)) << StringToUtf8(byMessage);
  }
}

// A frame thicker than the system's (a skin's) does not eat into the box: the window grows
// around the client it was laid out for, about its centre, and the text and the buttons keep
// their places in it.
TEST_F(DialogsTest, TheLibraryFormKeepsItsMarginsWhenItsFrameGrows) {
  UseLatestCommonDialogs = false;
  TRect client, framed, window, grown, text, textAfter, button, buttonAfter;
  FormAction::act = [&](TForm* f) {
    auto* label = static_cast<TControl*>(f->FindComponent(u"Message"));
    auto* ok = static_cast<TControl*>(f->FindComponent(u"OK"));
    client = f->ClientRect();
    window = f->BoundsRect();
    text = label->BoundsRect();
    button = ok->BoundsRect();
    {
      ThickerFrame thicker(f);
      PumpMessages(50);
      framed = f->ClientRect();
      grown = f->BoundsRect();
      textAfter = label->BoundsRect();
      buttonAfter = ok->BoundsRect();
    }
    f->SetModalResult(mrOk);
  };
  FormAction::Start();
  ShowMessage(u"解析成功，可以下载了！");
  ASSERT_EQ(FormAction::done, 1);
  EXPECT_EQ(framed.Width(), client.Width());
  EXPECT_EQ(framed.Height(), client.Height());
  EXPECT_EQ(grown.Width(), window.Width() + 20);
  EXPECT_EQ(grown.Height(), window.Height() + 40);
  EXPECT_EQ(grown.Left + grown.Width() / 2, window.Left + window.Width() / 2);
  EXPECT_EQ(grown.Top + grown.Height() / 2, window.Top + window.Height() / 2);
  EXPECT_EQ(textAfter, text);
  EXPECT_EQ(buttonAfter, button);
}

TEST_F(DialogsTest, FolderBrowseDialogReturnsTheChosenFolderOrNothing) {
  TempDir dir;
  String chosen = u"unchanged";
  DialogAction::match = [](HWND w) { return Contains(StaticTexts(w), u"请选择文件保存路径"); };
  DialogAction::act = [&](HWND w) { PostMessageW(w, WM_COMMAND, IDCANCEL, 0); };
  DialogAction::Start();
  EXPECT_FALSE(SelectDirectory(u"请选择文件保存路径", u"", chosen, {sdNewFolder, sdNewUI}));
  EXPECT_EQ(DialogAction::done, 1);
  EXPECT_EQ(chosen, u"unchanged");

  // Windows path of the folder, as the dialog gives it.
  wchar_t full[MAX_PATH];
  GetFullPathNameW(reinterpret_cast<LPCWSTR>(dir.Path().c_str()), MAX_PATH, full, nullptr);
  String target(reinterpret_cast<Char*>(full));
  if (!target.empty() && target.back() == u'\\') target.pop_back();
  // The tree fills in by itself (slowly on a busy machine): select the folder until the
  // tree shows a selection, then confirm.
  static const String* wanted;
  wanted = &target;
  gSelectTries = 0;
  struct Confirm {
    static void CALLBACK Tick(HWND w, UINT, UINT_PTR id, DWORD) {
      HWND tree = FindWindowExW(w, nullptr, L"SysTreeView32", nullptr);
      if (!tree) EnumChildWindows(w, &FindTree, reinterpret_cast<LPARAM>(&tree));
      auto item = tree ? reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) : nullptr;
      if (item) {
        wchar_t text[MAX_PATH] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = MAX_PATH;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        String leaf = wanted->substr(wanted->find_last_of(u'\\') + 1);
        if (SameText(String(reinterpret_cast<Char*>(text)), leaf)) {
          KillTimer(w, id);
          PostMessageW(w, WM_COMMAND, IDOK, 0);
          return;
        }
      }
      if (++gSelectTries > 60) {  // never there: give up (the test then fails instead of hanging)
        KillTimer(w, id);
        PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
        return;
      }
      SendMessageW(w, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(wanted->c_str()));
    }
    static BOOL CALLBACK FindTree(HWND c, LPARAM out) {
      wchar_t cls[32] = {};
      GetClassNameW(c, cls, 32);
      if (std::wstring(cls) != L"SysTreeView32") return TRUE;
      *reinterpret_cast<HWND*>(out) = c;
      return FALSE;
    }
  };
  DialogAction::act = [&](HWND w) {
    SendMessageW(w, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(target.c_str()));
    SetTimer(w, 77, 150, &Confirm::Tick);
  };
  DialogAction::Start();
  chosen.clear();
  ASSERT_TRUE(SelectDirectory(u"请选择文件保存路径", u"", chosen, {sdNewFolder, sdNewUI}));
  EXPECT_TRUE(SameText(chosen, target)) << StringToUtf8(chosen) << " vs " << StringToUtf8(target);
}
