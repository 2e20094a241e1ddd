// The real Tarnwick.exe, installed in a folder whose path holds a blank, '&', '^' and a
// %...%, with the tests' converter as data\ffmpeg.exe, against the local server. A driver in
// this process types into its edits, clicks its buttons and answers its message boxes.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "support/Files.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"
#include "support/TestServer.h"
#include "support/WindowDriver.h"
#include "ui/Json.h"
#include "ui/Streams.h"

namespace {

bool WaitFor(const std::function<bool()>& done, int ms) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
  while (!done()) {
    if (GetTickCount64() > end) return false;
    Sleep(20);
  }
  return true;
}

struct ChildSearch {
  String cls;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND wnd, LPARAM lp) {
  auto* s = reinterpret_cast<ChildSearch*>(lp);
  wchar_t buf[128];
  GetClassNameW(wnd, buf, 128);
  if (s->cls == reinterpret_cast<const Char*>(buf)) s->found.push_back(wnd);
  return TRUE;
}

// The program running in its own process, seen through its windows.
class Program {
 public:
  Program(const String& exe, const String& folder) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    String cmd = u"\"" + exe + u"\"";
    if (!CreateProcessW(WideStr(exe), reinterpret_cast<LPWSTR>(cmd.data()), nullptr, nullptr, FALSE, 0, nullptr,
                        WideStr(folder), &si, &pi_))
      return;
    CloseHandle(pi_.hThread);
    WaitFor([&] {
      auto forms = TopLevelWindows(L"TForm1", pi_.dwProcessId);
      main_ = forms.empty() ? nullptr : forms[0];
      return main_ != nullptr;
    }, 30000);
    if (!main_) return;
    auto edits = Children(u"TsEdit");
    if (edits.size() == 2) {
      RECT a, b;
      GetWindowRect(edits[0], &a);
      GetWindowRect(edits[1], &b);
      link_ = a.top < b.top ? edits[0] : edits[1];
      folder_ = a.top < b.top ? edits[1] : edits[0];
    }
    for (HWND btn : Children(u"TsButton")) buttons_.push_back(btn);
  }
  ~Program() {
    if (pi_.hProcess) {
      if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) {
        Close();
        if (WaitForSingleObject(pi_.hProcess, 10000) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 1);
      }
      CloseHandle(pi_.hProcess);
    }
  }
  bool Ready() const { return main_ && link_ && folder_ && buttons_.size() == 4; }
  DWORD Pid() const { return pi_.dwProcessId; }
  HANDLE Process() const { return pi_.hProcess; }
  HWND Main() const { return main_; }

  String Text(HWND w) const {
    wchar_t buf[4096];
    DWORD_PTR n = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, &n)) {
      ADD_FAILURE() << "no answer to WM_GETTEXT from " << w;
      return String();
    }
    return String(reinterpret_cast<const Char*>(buf), static_cast<size_t>(n));
  }
  HWND LinkEdit() const { return link_; }
  HWND FolderEdit() const { return folder_; }
  // A button's caption is the window's own text, which the system keeps: no message needed.
  HWND Button(const String& caption) const {
    for (HWND b : buttons_)
      if (WindowText(b) == caption) return b;
    return nullptr;
  }
  // A mouse click into the edit, then the text typed character by character (replacing
  // what is selected).
  void ClickInto(HWND edit) {
    PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  }
  void Type(HWND edit, const String& text, bool replace) {
    if (replace) PostMessageW(edit, EM_SETSEL, 0, -1);
    for (Char c : text) PostMessageW(edit, WM_CHAR, c, 1);
    WaitFor([&] { return Text(edit).find(text) != String::npos; }, 5000);
  }
  void Click(const String& caption) { PostMessageW(Button(caption), BM_CLICK, 0, 0); }
  bool Enabled(const String& caption) const { return IsWindowEnabled(Button(caption)); }
  void Close() { PostMessageW(main_, WM_CLOSE, 0, 0); }

 private:
  std::vector<HWND> Children(const String& cls) const {
    ChildSearch s{cls, {}};
    EnumChildWindows(main_, CollectChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
  }
  PROCESS_INFORMATION pi_{};
  HWND main_ = nullptr, link_ = nullptr, folder_ = nullptr;
  std::vector<HWND> buttons_;
};

using Headers = std::vector<std::pair<std::string, std::string>>;

class EndToEndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server_ = new TestServer();
    const String video = server_->FilesDir() + u"/v.mp4";
    ASSERT_TRUE(MakeTestVideo(video, 3));
    std::vector<Byte> big(3 * 1024 * 1024);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<Byte>(i * 2654435761u >> 24);
    SaveBytes(server_->FilesDir() + u"/big.bin", big);
  }
  static void TearDownTestSuite() { delete server_; }

  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    server_->ClearRequests();
    server_->ClearParseAnswer();
    install = Backslashed(root.Path()) + u"\\Program Files & Co ^ %PATH%\\Tarnwick";
    ASSERT_TRUE(CreateDirectoryW(WideStr(install.substr(0, install.find_last_of(u'\\'))), nullptr));
    ASSERT_TRUE(CreateDirectoryW(WideStr(install), nullptr));
    ASSERT_TRUE(CreateDirectoryW(WideStr(install + u"\\data"), nullptr));
    const String build = ExeFolder();  // build\tests\app
    const String exe = build.substr(0, build.find_last_of(u'\\', build.find_last_of(u'\\') - 1)) + u"\\bin\\Tarnwick.exe";
    ASSERT_TRUE(CopyFileW(WideStr(exe), WideStr(install + u"\\Tarnwick.exe"), FALSE)) << StringToUtf8(exe);
    ASSERT_TRUE(CopyFileW(WideStr(build + u"\\data\\ffmpeg.exe"), WideStr(install + u"\\data\\ffmpeg.exe"), FALSE));
    save = Backslashed(saveRoot.Path()) + u"\\下载 & 100% ^";
    ASSERT_TRUE(CreateDirectoryW(WideStr(save), nullptr));
    SetEnvironmentVariableW(L"TARNWICK_PARSE_URL", WideStr(server_->BaseUrl()));
    SetEnvironmentVariableW(L"TW_CONVERTER_LOG", WideStr(Backslashed(root.Path()) + u"\\converter.log"));
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"TARNWICK_PARSE_URL", nullptr);
    SetEnvironmentVariableW(L"TW_CONVERTER_LOG", nullptr);
  }

  String SaveName() const { return save.substr(save.find_last_of(u'\\') + 1); }

  // Starts the program, points it at the save folder and parses a link whose answer names
  // the file on the server.
  std::unique_ptr<Program> StartAndParse(const String& title, const String& file, const String& query = String()) {
    auto p = std::make_unique<Program>(install + u"\\Tarnwick.exe", install);
    EXPECT_TRUE(p->Ready());
    if (!p->Ready()) return p;
    p->Type(p->FolderEdit(), save, true);
    server_->SetParseAnswer(200, ParseAnswer(title, server_->FileUrl(file, query)));
    p->ClickInto(p->LinkEdit());
    p->Type(p->LinkEdit(), u"https://v.douyin.com/e2e/", false);
    return p;
  }

  static TestServer* server_;
  TempDir root, saveRoot;
  String install, save;
};

TestServer* EndToEndTest::server_ = nullptr;

}  // namespace

TEST_F(EndToEndTest, ParseThenVideoThenAudio) {
  auto p = StartAndParse(u"视频 #1。|||rest", u"v.mp4");
  ASSERT_TRUE(p->Ready());
  EXPECT_EQ(p->Text(p->LinkEdit()), u"https://v.douyin.com/e2e/");  // the placeholder went on the click
  DialogAnswerer answerer(p->Pid());

  p->Click(u"解析");
  ASSERT_TRUE(answerer.WaitForCount(1, 20000));
  EXPECT_EQ(answerer.Texts(), std::vector<String>{u"解析成功，可以下载了！"});

  p->Click(u"下载视频");
  ASSERT_TRUE(WaitFor([&] { return FilesIn(save) == std::vector<String>{u"视频 _1.mp4"}; }, 30000));
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  ASSERT_TRUE(WaitFor([&] { return p->Enabled(u"下载音频"); }, 10000));
  EXPECT_EQ(ReadFileBytes(save + u"\\视频 _1.mp4"), ReadFileBytes(server_->FilesDir() + u"/v.mp4"));

  p->Click(u"下载音频");
  ASSERT_TRUE(answerer.WaitForCount(2, 60000));
  EXPECT_EQ(answerer.Texts()[1], u"音频下载完成！");
  ASSERT_TRUE(WaitFor([&] { return FilesIn(save).size() == 2; }, 20000));
  EXPECT_EQ(FilesIn(save), (std::vector<String>{u"视频 _1.mp3", u"视频 _1.mp4"}));
  EXPECT_EQ(ProbeCodecs(save + u"\\视频 _1.mp3"), "aac");
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));

  auto reqs = server_->Requests();
  ASSERT_EQ(reqs.size(), 5u);
  const std::string body = "{\"PageUrl\":\"https://v.douyin.com/e2e/\"}";
  const std::string host = "127.0.0.1:" + std::to_string(server_->Port());
  EXPECT_EQ(reqs[0].method, "POST");
  EXPECT_EQ(reqs[0].path, "/v1/parse/index");
  EXPECT_EQ(reqs[0].body, body);
  EXPECT_EQ(reqs[0].headers, (Headers{{"User-Agent", kBrowserAgent},
                                      {"Host", host},
                                      {"Content-Length", std::to_string(body.size())},
                                      {"Connection", "Keep-Alive"},
                                      {"Content-Type", "application/json; charset=utf-8"},
                                      {"Cookie", "tokens=a3f09c1e7d2b4658b0e9f4c2d17a6e85; "}}));
  const char* methods[] = {"HEAD", "GET", "HEAD", "GET"};
  for (int i = 1; i < 5; ++i) {
    EXPECT_EQ(reqs[i].method, methods[i - 1]);
    EXPECT_EQ(reqs[i].path, "/files/v.mp4");
    EXPECT_EQ(reqs[i].headers, (Headers{{"User-Agent", kBrowserAgent},
                                        {"Host", host},
                                        {"Connection", "Keep-Alive"},
                                        {"Origin", StringToUtf8(server_->BaseUrl())}}));
  }

  p->Close();
  EXPECT_EQ(WaitForSingleObject(p->Process(), 10000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(p->Process(), &code);
  EXPECT_EQ(code, 0u);
}

TEST_F(EndToEndTest, ClosingTheWindowMidTransferLeavesNothing) {
  auto p = StartAndParse(u"closing", u"big.bin", u"chunk=16384&delay_ms=100");
  ASSERT_TRUE(p->Ready());
  DialogAnswerer answerer(p->Pid());
  p->Click(u"解析");
  ASSERT_TRUE(answerer.WaitForCount(1, 20000));
  p->Click(u"下载视频");
  ASSERT_TRUE(WaitFor([&] { return !p->Enabled(u"下载视频") && !p->Enabled(u"下载音频"); }, 10000));
  ASSERT_TRUE(WaitFor([&] { return FilesIn(save).size() == 1; }, 10000));  // the temporary file
  Sleep(300);
  p->Close();
  EXPECT_EQ(WaitForSingleObject(p->Process(), 10000), WAIT_OBJECT_0);
  EXPECT_TRUE(FilesIn(save).empty());
  EXPECT_EQ(answerer.Texts().size(), 1u);  // nothing else was shown
}

TEST_F(EndToEndTest, WithoutTheConverterTheVideoStays) {
  ASSERT_TRUE(DeleteFileW(WideStr(install + u"\\data\\ffmpeg.exe")));
  auto p = StartAndParse(u"no converter", u"v.mp4");
  ASSERT_TRUE(p->Ready());
  DialogAnswerer answerer(p->Pid());
  p->Click(u"解析");
  ASSERT_TRUE(answerer.WaitForCount(1, 20000));
  p->Click(u"下载音频");
  ASSERT_TRUE(answerer.WaitForCount(2, 30000));
  EXPECT_EQ(answerer.Texts()[1], u"ShellExecuteEx fail.");
  ASSERT_TRUE(WaitFor([&] { return p->Enabled(u"下载音频"); }, 10000));
  EXPECT_EQ(FilesIn(save), std::vector<String>{u"no converter.mp4"});
  EXPECT_FALSE(CloseExplorerWindow(SaveName(), 300));
}
