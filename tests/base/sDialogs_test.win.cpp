// The library's message box: style by kind and buttons, caption, owner, the program's other
// windows disabled while it is up, and the answer. A thread timer answers the box.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/kvntUtils.h"
#include "base/sDialogs.h"
#include "support/ImportHook.h"

namespace {

struct Seen {
  std::wstring caption, text;
  bool otherEnabled = true;
  HWND owner = nullptr;
  UINT style = 0;
  WPARAM press = IDOK;
  Integer dlgLeft = -2, dlgTop = -2;  // the position asked for, as the box was made
};
Seen seen;
HWND other = nullptr;
ImportHook* boxHook = nullptr;

BOOL CALLBACK FindBox(HWND wnd, LPARAM out) {
  wchar_t cls[32];
  GetClassNameW(wnd, cls, 32);
  if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(wnd)) {
    *reinterpret_cast<HWND*>(out) = wnd;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK StaticText(HWND child, LPARAM out) {
  wchar_t cls[32], text[256];
  GetClassNameW(child, cls, 32);
  if (_wcsicmp(cls, L"Static") == 0 && GetWindowTextW(child, text, 256) > 0) {
    *reinterpret_cast<std::wstring*>(out) = text;
    return FALSE;
  }
  return TRUE;
}

// Runs inside the box's own message loop.
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  KillTimer(nullptr, id);
  wchar_t caption[256];
  GetWindowTextW(box, caption, 256);
  seen.caption = caption;
  EnumChildWindows(box, StaticText, reinterpret_cast<LPARAM>(&seen.text));
  seen.otherEnabled = IsWindowEnabled(other) != FALSE;
  PostMessageW(box, WM_COMMAND, seen.press, 0);
}

int WINAPI SpyBox(const MSGBOXPARAMSW* p) {
  seen.owner = p->hwndOwner;
  seen.style = p->dwStyle;
  seen.dlgLeft = DlgLeft;
  seen.dlgTop = DlgTop;
  return boxHook->Original<decltype(&MessageBoxIndirectW)>()(p);
}

class MessageBoxes : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "window tests need a display";
    seen = Seen();
    app = std::make_unique<TApplication>();
    form = new TForm(app.get());
    form->AfterConstruction();
    form->SetBounds(100, 100, 200, 100);
    form->Show();
    SetActiveWindow(form->Handle());
    other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ShowWindow(other, SW_SHOWNOACTIVATE);
    boxHook = &hook_;
  }
  void TearDown() override {
    DestroyWindow(other);
    app.reset();
  }
  std::unique_ptr<TApplication> app;
  TForm* form = nullptr;
  ImportHook hook_{"user32.dll", "MessageBoxIndirectW", &SpyBox};
};

}  // namespace

TEST(MessageBoxStyle, ByKindAndButtons) {
  struct Case {
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    UINT style;
  } cases[] = {
      {mtConfirmation, {mbYes, mbNo, mbCancel}, MB_ICONQUESTION | MB_YESNOCANCEL},
      {mtError, {mbOK}, MB_ICONERROR | MB_OK},
      {mtWarning, {mbIgnore, mbOK}, MB_ICONWARNING | MB_OK},  // the OK rule comes first
      {mtInformation, {mbOK, mbCancel}, MB_ICONINFORMATION | MB_OKCANCEL},
      {mtCustom, {mbAbort}, MB_ABORTRETRYIGNORE},
      {mtCustom, {mbIgnore, mbYes}, MB_ABORTRETRYIGNORE},
      {mtCustom, {mbNo}, MB_YESNO},
      {mtCustom, {mbRetry, mbCancel}, MB_RETRYCANCEL},
      {mtCustom, {mbCancel}, MB_OK},
      {mtCustom, {}, MB_OK},
      {mtWarning, {mbOK, mbHelp}, MB_ICONWARNING | MB_OK | MB_HELP},
  };
  for (const auto& c : cases) EXPECT_EQ(MessageBoxStyle(c.type, c.buttons), c.style) << int(c.type);
}

TEST_F(MessageBoxes, ShowErrorIsAModalErrorBoxOfTheActiveForm) {
  SetTimer(nullptr, 0, 30, AnswerBox);
  ShowError(u"下载失败，请稍后再试！");
  EXPECT_EQ(seen.caption, L"Error");
  EXPECT_EQ(seen.text, L"下载失败，请稍后再试！");
  EXPECT_EQ(seen.style, UINT(MB_ICONERROR | MB_OK));
  EXPECT_EQ(seen.owner, form->Handle());
  EXPECT_FALSE(seen.otherEnabled);  // the program's other windows wait for the box
  EXPECT_TRUE(IsWindowEnabled(other));
  EXPECT_TRUE(IsWindowEnabled(form->Handle()));
  EXPECT_EQ(app->ModalLevel(), 0);
}

TEST_F(MessageBoxes, WarningsAndAlertsWithTheirCaption) {
  for (auto show : {&ShowWarning, &Alert}) {
    seen = Seen();
    SetTimer(nullptr, 0, 30, AnswerBox);
    show(u"Careful");
    EXPECT_EQ(seen.caption, L"Warning");
    EXPECT_EQ(seen.style, UINT(MB_ICONWARNING | MB_OK));
  }
}

TEST_F(MessageBoxes, AnswerIsThePressedButton) {
  seen.press = IDNO;
  SetTimer(nullptr, 0, 30, AnswerBox);
  EXPECT_EQ(sMessageDlg(u"Keep it?", mtConfirmation, {mbYes, mbNo}, 0), IDNO);
  EXPECT_EQ(seen.caption, L"Confirm");
  seen = Seen();
  SetTimer(nullptr, 0, 30, AnswerBox);
  EXPECT_EQ(sMessageDlgPosHelp(u"Own title", u"x", mtCustom, {mbOK}, 0, -1, -1, u""), IDOK);
  EXPECT_EQ(seen.caption, L"Own title");
  seen = Seen();
  SetTimer(nullptr, 0, 30, AnswerBox);
  sMessageDlg(u"x", mtCustom, {mbOK}, 0);
  EXPECT_EQ(seen.caption, L"");  // custom: no caption of its own
}

TEST_F(MessageBoxes, ThePositionAskedForHoldsWhileTheBoxIsShown) {
  struct Case {
    Integer x, y;
  } cases[] = {{500, 300}, {-1, -1}, {0, 40}};
  for (const Case& c : cases) {
    seen = Seen();
    SetTimer(nullptr, 0, 30, AnswerBox);
    sMessageDlgPosHelp(u"", u"here", mtInformation, {mbOK}, 0, c.x, c.y, u"");
    EXPECT_EQ(seen.dlgLeft, c.x);
    EXPECT_EQ(seen.dlgTop, c.y);
    EXPECT_EQ(DlgLeft, -1);  // none once the box is gone
    EXPECT_EQ(DlgTop, -1);
  }
  seen = Seen();
  SetTimer(nullptr, 0, 30, AnswerBox);
  ShowError(u"x");
  EXPECT_EQ(seen.dlgLeft, -1);
  EXPECT_EQ(seen.dlgTop, -1);
}

namespace {
// Asks the box for help, then (on the next tick) presses OK.
void CALLBACK HelpThenOk(HWND, UINT, UINT_PTR id, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  static bool helped = false;
  if (!helped) {
    helped = true;
    seen.dlgLeft = DlgLeft;
    // What the help button and F1 do: the box gets WM_HELP.
    HELPINFO info{};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.hItemHandle = box;
    SendMessageW(box, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    return;
  }
  helped = false;
  KillTimer(nullptr, id);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

struct HelpAsked : TObject {
  std::vector<intptr_t> contexts;
  bool OnHelp(Word command, intptr_t data, bool&) {
    if (command == HELP_CONTEXT) contexts.push_back(data);
    return true;
  }
};
}  // namespace

TEST_F(MessageBoxes, TheHelpButtonAsksTheApplicationForTheBoxsContext) {
  HelpAsked asked;
  app->SetOnHelp(THelpEvent(&asked, &HelpAsked::OnHelp));
  SetTimer(nullptr, 0, 30, HelpThenOk);
  EXPECT_EQ(sMessageDlgPosHelp(u"", u"help?", mtInformation, {mbOK, mbHelp}, 77, 300, 200, u""), IDOK);
  EXPECT_EQ(asked.contexts, std::vector<intptr_t>{77});
  EXPECT_EQ(seen.style & MB_HELP, UINT(MB_HELP));
  EXPECT_EQ(seen.dlgLeft, 300);  // still asked for while help was shown
  EXPECT_EQ(DlgLeft, -1);        // and none after the box closed
  EXPECT_EQ(DlgTop, -1);
  EXPECT_EQ(app->ModalLevel(), 0);
}

TEST_F(MessageBoxes, HelpWithoutAContextAsksForNothing) {
  HelpAsked asked;
  app->SetOnHelp(THelpEvent(&asked, &HelpAsked::OnHelp));
  SetTimer(nullptr, 0, 30, HelpThenOk);
  sMessageDlg(u"help?", mtInformation, {mbOK, mbHelp}, 0);
  EXPECT_TRUE(asked.contexts.empty());
}

TEST_F(MessageBoxes, ARightToLeftApplicationGetsRightAlignedBoxes) {
  app->SetBiDiMode(bdRightToLeft);
  SetTimer(nullptr, 0, 30, AnswerBox);
  sMessageDlg(u"x", mtError, {mbOK}, 0);
  EXPECT_EQ(seen.style, UINT(MB_ICONERROR | MB_OK | MB_RIGHT));
}

TEST(Delay, ProcessesMessagesForAtLeastTheTime) {
  TApplication app;
  int calls = 0;
  struct Posted {
    static void CALLBACK Count(HWND, UINT, UINT_PTR id, DWORD) {
      ++*reinterpret_cast<int*>(GetPropW(GetDesktopWindow(), L"TwDelayCount"));
      KillTimer(nullptr, id);
    }
  };
  SetPropW(GetDesktopWindow(), L"TwDelayCount", &calls);
  SetTimer(nullptr, 0, 10, Posted::Count);
  const DWORD t0 = GetTickCount();
  Delay(60);
  EXPECT_GE(GetTickCount() - t0, 60u);
  EXPECT_EQ(calls, 1);  // the timer's message was handled while waiting
  RemovePropW(GetDesktopWindow(), L"TwDelayCount");
}
