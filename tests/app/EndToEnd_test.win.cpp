// The real Tarnwick.exe, installed in a folder whose path holds a blank, '&', '^' and a
// %...%, with the tests' converter as data\ffmpeg.exe, against the local server. A driver in
// this process types into its edits, clicks its buttons and answers its message boxes.
//
// Every scenario runs twice: with the Glimmerveil skin in the program's data folder (the
// program draws its windows and message boxes in it) and without one (standard windows).
// The server also speaks TLS with certificates the suite makes: one whose root the suite
// trusts in the Wine prefix while it runs, and one nobody trusts.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>

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
    WaitFor(
        [&] {
          auto forms = TopLevelWindows(L"TForm1", pi_.dwProcessId);
          main_ = forms.empty() ? nullptr : forms[0];
          return main_ != nullptr;
        },
        30000);
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
  // The progress bar's position (a system progress control under the skin's painting).
  Integer ProgressPosition() const {
    const auto bars = Children(u"TsProgressBar");
    DWORD_PTR pos = 0;
    if (bars.size() != 1 || !SendMessageTimeoutW(bars[0], PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &pos)) return -1;
    return static_cast<Integer>(pos);
  }
  bool Enabled(const String& caption) const { return IsWindowEnabled(Button(caption)); }
  void Close() { PostMessageW(main_, WM_CLOSE, 0, 0); }

 private:
  std::vector<HWND> Children(const String& cls) const {
    if (!main_) return {};
    ChildSearch s{cls, {}};
    EnumChildWindows(main_, CollectChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
  }
  PROCESS_INFORMATION pi_{};
  HWND main_ = nullptr, link_ = nullptr, folder_ = nullptr;
  std::vector<HWND> buttons_;
};

using Headers = std::vector<std::pair<std::string, std::string>>;

// Copies a folder's files and subfolders into to (made first).
bool CopyFolder(const String& from, const String& to) {
  if (!CreateDirectoryW(WideStr(to), nullptr)) return false;
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(WideStr(from + u"\\*"), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    const String name(reinterpret_cast<const Char*>(fd.cFileName));
    if (name == u"." || name == u"..") continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      ok = CopyFolder(from + u"\\" + name, to + u"\\" + name) && ok;
    else
      ok = CopyFileW(WideStr(from + u"\\" + name), WideStr(to + u"\\" + name), TRUE) && ok;
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  return ok;
}

// The skin the program finds in its data folder.
enum class SkinInstall { Folder, Packed, None };

std::string SkinInstallName(const ::testing::TestParamInfo<SkinInstall>& info) {
  switch (info.param) {
    case SkinInstall::Folder: return "Skinned";
    case SkinInstall::Packed: return "SkinnedFromPackedFile";
    case SkinInstall::None: return "Unskinned";
  }
  return "Unknown";
}

// How the main window's title bar looks on the screen, read along a short row near its top
// (above the caption text): Glimmerveil draws a near-white gradient (#FFFFFF to #EEF1F5);
// the standard frame's caption has the system's caption colour. Samples 3 pixels apart
// cannot all match on the X server's patterned background, so an unpainted window is neither.
enum class TitleBar { Unpainted, Skinned, Standard };

TitleBar TitleBarLook(HWND main) {
  RECT r;
  if (!GetWindowRect(main, &r)) return TitleBar::Unpainted;
  HDC screen = GetDC(nullptr);
  int white = 0, coloured = 0;
  const int samples = 9;
  for (int i = 0; i < samples; ++i) {
    const COLORREF c = GetPixel(screen, (r.left + r.right) / 2 + (i - samples / 2) * 3, r.top + 4);
    if (c == CLR_INVALID) break;
    const int lo = std::min({GetRValue(c), GetGValue(c), GetBValue(c)});
    const int hi = std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
    if (lo >= 0xE8)
      ++white;
    else if (hi >= 0x30)
      ++coloured;
  }
  ReleaseDC(nullptr, screen);
  return white == samples ? TitleBar::Skinned : coloured == samples ? TitleBar::Standard : TitleBar::Unpainted;
}

class EndToEndTest : public ::testing::TestWithParam<SkinInstall> {
 protected:
  static void SetUpTestSuite() {
    certificates_ = std::make_unique<TempDir>();
    const TestCertificate trusted = MakeTestCertificate(certificates_->Path(), "trusted");
    const TestCertificate stranger = MakeTestCertificate(certificates_->Path(), "stranger");
    server_ = std::make_unique<TestServer>(
        std::vector<std::pair<String, String>>{{u"trusted", trusted.ServerPem}, {u"stranger", stranger.ServerPem}});
    trustedRoot_ = std::make_unique<TrustedRoot>(trusted.RootDer);
    const String video = server_->FilesDir() + u"/v.mp4";
    ASSERT_TRUE(MakeTestVideo(video, 3));
    std::vector<Byte> big(3 * 1024 * 1024);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<Byte>(i * 2654435761u >> 24);
    SaveBytes(server_->FilesDir() + u"/big.bin", big);
  }
  // The suites share these: each one's set-up starts from none, even when an earlier set-up
  // stopped half-way.
  static void TearDownTestSuite() {
    trustedRoot_.reset();
    server_.reset();
    certificates_.reset();
  }

  bool Skinned() const { return GetParam() != SkinInstall::None; }

  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    server_->ClearRequests();
    server_->ClearParseAnswer();
    install = Backslashed(root.Path()) + u"\\Program Files & Co ^ %PATH%\\Tarnwick";
    ASSERT_TRUE(CreateDirectoryW(WideStr(install.substr(0, install.find_last_of(u'\\'))), nullptr));
    ASSERT_TRUE(CreateDirectoryW(WideStr(install), nullptr));
    ASSERT_TRUE(CreateDirectoryW(WideStr(install + u"\\data"), nullptr));
    const String build = ExeFolder();  // build\tests\app
    const String exe =
        build.substr(0, build.find_last_of(u'\\', build.find_last_of(u'\\') - 1)) + u"\\bin\\Tarnwick.exe";
    ASSERT_TRUE(CopyFileW(WideStr(exe), WideStr(install + u"\\Tarnwick.exe"), FALSE)) << StringToUtf8(exe);
    ASSERT_TRUE(CopyFileW(WideStr(build + u"\\data\\ffmpeg.exe"), WideStr(install + u"\\data\\ffmpeg.exe"), FALSE));
    const String bin = exe.substr(0, exe.find_last_of(u'\\'));
    if (GetParam() == SkinInstall::Folder) {
      ASSERT_TRUE(CopyFolder(bin + u"\\data\\Glimmerveil", install + u"\\data\\Glimmerveil"));
    }
    if (GetParam() == SkinInstall::Packed) {
      ASSERT_TRUE(
          CopyFileW(WideStr(bin + u"\\data\\Glimmerveil.kpz"), WideStr(install + u"\\data\\Glimmerveil.kpz"), TRUE));
    }
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
    return StartWithAnswer(title, server_->FileUrl(file, query));
  }
  // The same with the download address as it stands.
  std::unique_ptr<Program> StartWithAnswer(const String& title, const String& url) {
    auto p = std::make_unique<Program>(install + u"\\Tarnwick.exe", install);
    EXPECT_TRUE(p->Ready());
    if (!p->Ready()) return p;
    // The skin is there or not from the first paint on.
    const TitleBar expected = Skinned() ? TitleBar::Skinned : TitleBar::Standard;
    EXPECT_TRUE(WaitFor([&] { return TitleBarLook(p->Main()) == expected; }, 5000))
        << (Skinned() ? "the main window is not drawn in the skin" : "the main window is drawn in a skin");
    p->Type(p->FolderEdit(), save, true);
    server_->SetParseAnswer(200, ParseAnswer(title, url));
    p->ClickInto(p->LinkEdit());
    p->Type(p->LinkEdit(), u"https://v.douyin.com/e2e/", false);
    return p;
  }
  // Parses (the success box is answered) and clears what the server recorded.
  void Parse(Program& p, DialogAnswerer& answerer) {
    const size_t before = answerer.Seen().size();
    p.Click(u"解析");
    ASSERT_TRUE(answerer.WaitForCount(before + 1, 20000));
    ExpectMessages(answerer, before, {u"解析成功，可以下载了！"});
    server_->ClearRequests();
  }
  // The boxes seen from index first on: as many as expected, each the skin's message form
  // or the system's message box, titled with the program's name, with the expected text. The
  // system's box has windows for its text; the skin's form draws its text itself, so the
  // driver reads it as a user can, through Ctrl+C, which gives caption, text and buttons in
  // the system box's layout.
  void ExpectMessages(DialogAnswerer& answerer, size_t first, const std::vector<String>& texts) {
    const auto seen = answerer.Seen();
    ASSERT_EQ(seen.size(), first + texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
      const SeenDialog& d = seen[first + i];
      EXPECT_EQ(d.Class, Skinned() ? u"TMessageForm" : u"#32770") << StringToUtf8(texts[i]);
      EXPECT_EQ(d.Title, u"Tarnwick") << StringToUtf8(texts[i]);
      EXPECT_EQ(d.Text, texts[i]) << StringToUtf8(d.Text) << " for " << StringToUtf8(texts[i]);
      if (Skinned()) {
        const String line = u"---------------------------\r\n";
        EXPECT_EQ(d.Copied, line + u"Tarnwick\r\n" + line + texts[i] + u"\r\n" + line + u"OK   \r\n" + line)
            << StringToUtf8(d.Copied);
      }
    }
  }

  // After a download click: the failure box (the second box, after the parse's), the
  // buttons back, no file, the bar empty, no folder opened.
  void ExpectFailedDownload(Program& p, DialogAnswerer& answerer, const std::string& what) {
    ASSERT_TRUE(answerer.WaitForCount(2, 30000)) << what;
    ExpectMessages(answerer, 1, {u"下载失败，请稍后再试！"});
    ASSERT_TRUE(WaitFor([&] { return p.Enabled(u"下载视频") && p.Enabled(u"下载音频"); }, 10000)) << what;
    EXPECT_TRUE(FilesIn(save).empty()) << what;
    EXPECT_EQ(p.ProgressPosition(), 0) << what;
    EXPECT_FALSE(CloseExplorerWindow(SaveName(), 300)) << what;
  }

  static std::unique_ptr<TempDir> certificates_;
  static std::unique_ptr<TrustedRoot> trustedRoot_;
  static std::unique_ptr<TestServer> server_;
  TempDir root, saveRoot;
  String install, save;
};

std::unique_ptr<TestServer> EndToEndTest::server_;
std::unique_ptr<TempDir> EndToEndTest::certificates_;
std::unique_ptr<TrustedRoot> EndToEndTest::trustedRoot_;

}  // namespace

TEST_P(EndToEndTest, ParseThenVideoThenAudio) {
  auto p = StartAndParse(u"视频 #1。|||rest", u"v.mp4");
  ASSERT_TRUE(p->Ready());
  EXPECT_EQ(p->Text(p->LinkEdit()), u"https://v.douyin.com/e2e/");  // the placeholder went on the click
  DialogAnswerer answerer(p->Pid());

  p->Click(u"解析");
  ASSERT_TRUE(answerer.WaitForCount(1, 20000));
  ExpectMessages(answerer, 0, {u"解析成功，可以下载了！"});

  p->Click(u"下载视频");
  ASSERT_TRUE(WaitFor([&] { return FilesIn(save) == std::vector<String>{u"视频 _1.mp4"}; }, 30000));
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  ASSERT_TRUE(WaitFor([&] { return p->Enabled(u"下载音频"); }, 10000));
  EXPECT_EQ(ReadFileBytes(save + u"\\视频 _1.mp4"), ReadFileBytes(server_->FilesDir() + u"/v.mp4"));

  p->Click(u"下载音频");
  ASSERT_TRUE(answerer.WaitForCount(2, 60000));
  ExpectMessages(answerer, 0, {u"解析成功，可以下载了！", u"音频下载完成！"});
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

TEST_P(EndToEndTest, TakenNamesAreNeverOverwritten) {
  const std::vector<Byte> old{'o', 'l', 'd'};
  SaveBytes(save + u"\\t.mp4", old);
  SaveBytes(save + u"\\t.mp3", old);
  auto p = StartAndParse(u"t", u"v.mp4");
  ASSERT_TRUE(p->Ready());
  DialogAnswerer answerer(p->Pid());
  Parse(*p, answerer);
  p->Click(u"下载视频");
  ASSERT_TRUE(WaitFor([&] { return FilesIn(save).size() == 3; }, 30000));
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  ASSERT_TRUE(WaitFor([&] { return p->Enabled(u"下载音频"); }, 10000));
  p->Click(u"下载音频");
  ASSERT_TRUE(answerer.WaitForCount(2, 60000));
  ExpectMessages(answerer, 1, {u"音频下载完成！"});
  ASSERT_TRUE(WaitFor([&] { return FilesIn(save).size() == 4; }, 20000));
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  EXPECT_EQ(FilesIn(save), (std::vector<String>{u"t.mp3", u"t.mp4", u"t_1.mp3", u"t_1.mp4"}));
  EXPECT_EQ(ReadFileBytes(save + u"\\t.mp4"), old);
  EXPECT_EQ(ReadFileBytes(save + u"\\t.mp3"), old);
  EXPECT_EQ(ReadFileBytes(save + u"\\t_1.mp4"), ReadFileBytes(server_->FilesDir() + u"/v.mp4"));
  EXPECT_EQ(ProbeCodecs(save + u"\\t_1.mp3"), "aac");
}

TEST_P(EndToEndTest, HostileTitlesStayInsideTheSaveFolder) {
  struct Case {
    const char16_t* title;
    const char16_t* file;
  } cases[] = {
      {u"a/b: c?", u"a__b_ c_.mp4"},
      {u"“d” \"e\" #1。\n", u"d _e_ _1_n.mp4"},  // the line break comes as its JSON escape
      {u"..\\..\\evil", u"..__..__evil.mp4"},
      {u"CON", u"CON_.mp4"},
  };
  for (const auto& c : cases) {
    auto p = StartAndParse(c.title, u"v.mp4");
    ASSERT_TRUE(p->Ready());
    DialogAnswerer answerer(p->Pid());
    Parse(*p, answerer);
    p->Click(u"下载视频");
    ASSERT_TRUE(WaitFor([&] { return FilesIn(save).size() == 1 && p->Enabled(u"下载视频"); }, 30000));
    EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
    EXPECT_EQ(FilesIn(save), std::vector<String>{c.file}) << StringToUtf8(c.title);
    for (const String& f : FilesIn(save)) DeleteFileW(WideStr(save + u"\\" + f));
  }
  EXPECT_EQ(FilesIn(saveRoot.Path()).size(), 1u);  // nothing escaped the save folder
}

TEST_P(EndToEndTest, CutTransfersLeaveNothingAndSaySo) {
  for (const char16_t* query : {u"cut=100000", u"head_status=404", u"get_status=500"}) {
    auto p = StartAndParse(u"cut", u"big.bin", query);
    ASSERT_TRUE(p->Ready());
    DialogAnswerer answerer(p->Pid());
    Parse(*p, answerer);
    p->Click(u"下载视频");
    ExpectFailedDownload(*p, answerer, StringToUtf8(query));
  }
}

TEST_P(EndToEndTest, ClosingTheWindowMidTransferLeavesNothing) {
  auto p = StartAndParse(u"closing", u"big.bin", u"chunk=16384&delay_ms=100");
  ASSERT_TRUE(p->Ready());
  DialogAnswerer answerer(p->Pid());
  Parse(*p, answerer);
  p->Click(u"下载视频");
  ASSERT_TRUE(WaitFor([&] { return !p->Enabled(u"下载视频") && !p->Enabled(u"下载音频"); }, 10000));
  ASSERT_TRUE(WaitFor([&] { return FilesIn(save).size() == 1; }, 10000));  // the temporary file
  Sleep(300);
  p->Close();
  EXPECT_EQ(WaitForSingleObject(p->Process(), 10000), WAIT_OBJECT_0);
  EXPECT_TRUE(FilesIn(save).empty());
  EXPECT_EQ(answerer.Seen().size(), 1u);  // nothing else was shown
}

TEST_P(EndToEndTest, AConverterThatCannotStartFailsTheExtraction) {
  ASSERT_TRUE(DeleteFileW(WideStr(install + u"\\data\\ffmpeg.exe")));
  auto p = StartAndParse(u"no converter", u"v.mp4");
  ASSERT_TRUE(p->Ready());
  DialogAnswerer answerer(p->Pid());
  Parse(*p, answerer);
  p->Click(u"下载音频");
  ASSERT_TRUE(answerer.WaitForCount(2, 30000));
  ExpectMessages(answerer, 1, {u"音频提取失败！"});
  ASSERT_TRUE(WaitFor([&] { return p->Enabled(u"下载音频"); }, 10000));
  EXPECT_EQ(FilesIn(save), std::vector<String>{u"no converter.mp4"});
  EXPECT_EQ(ReadFileBytes(save + u"\\no converter.mp4"), ReadFileBytes(server_->FilesDir() + u"/v.mp4"));
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  EXPECT_EQ(p->ProgressPosition(), static_cast<Integer>(ReadFileBytes(server_->FilesDir() + u"/v.mp4").size()));
}

TEST_P(EndToEndTest, SecureAndRedirectedAddressesDownload) {
  const String video = server_->FilesDir() + u"/v.mp4";
  struct Case {
    String url, file;
    std::vector<std::string> paths;  // what the server saw, in order
  } cases[] = {
      {server_->SecureBaseUrl(u"trusted") + u"/files/v.mp4", u"s.mp4", {"/files/v.mp4", "/files/v.mp4"}},
      {server_->BaseUrl() + u"/redirect/v.mp4?r=1",
       u"s.mp4",
       {"/redirect/v.mp4?r=1", "/files/v.mp4?r=1", "/redirect/v.mp4?r=1", "/files/v.mp4?r=1"}},
      {server_->SecureBaseUrl(u"trusted") + u"/redirect/v.mp4",
       u"s.mp4",
       {"/redirect/v.mp4", "/files/v.mp4", "/redirect/v.mp4", "/files/v.mp4"}},
  };
  for (const auto& c : cases) {
    const std::string what = StringToUtf8(c.url);
    auto p = StartWithAnswer(u"s", c.url);
    ASSERT_TRUE(p->Ready());
    DialogAnswerer answerer(p->Pid());
    Parse(*p, answerer);
    p->Click(u"下载视频");
    ASSERT_TRUE(WaitFor([&] { return FilesIn(save) == std::vector<String>{c.file} && p->Enabled(u"下载视频"); }, 30000))
        << what;
    EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
    EXPECT_EQ(ReadFileBytes(save + u"\\" + c.file), ReadFileBytes(video)) << what;
    EXPECT_EQ(answerer.Seen().size(), 1u) << what;
    std::vector<std::string> paths;
    for (const auto& r : server_->Requests()) paths.push_back(r.path);
    EXPECT_EQ(paths, c.paths) << what;
    DeleteFileW(WideStr(save + u"\\" + c.file));
  }
}

TEST_P(EndToEndTest, AnUntrustedCertificateFailsTheDownload) {
  for (const char16_t* button : {u"下载视频", u"下载音频"}) {
    auto p = StartWithAnswer(u"u", server_->SecureBaseUrl(u"stranger") + u"/files/v.mp4");
    ASSERT_TRUE(p->Ready());
    DialogAnswerer answerer(p->Pid());
    Parse(*p, answerer);
    p->Click(button);
    ExpectFailedDownload(*p, answerer, StringToUtf8(button));
    EXPECT_TRUE(server_->Requests().empty());  // no request got through the handshake
  }
}

TEST_P(EndToEndTest, ProgressCatchesUpWhenTheTransferGoesQuiet) {
  // Two pieces 5 ms apart (the second lands while the window may take no new step), then a
  // pause of four seconds before the rest.
  auto p = StartAndParse(u"q", u"big.bin", u"chunk=40000&delay_ms=5&stall_at=80000&stall_ms=4000");
  ASSERT_TRUE(p->Ready());
  DialogAnswerer answerer(p->Pid());
  Parse(*p, answerer);
  p->Click(u"下载视频");
  auto written = [&] { return SizeOfOnlyFileIn(save); };
  ASSERT_TRUE(WaitFor([&] { return written() >= 80000; }, 10000));
  ASSERT_EQ(written(), 80000) << "the program did not take what came before the pause";
  Sleep(1200);  // more than a second of quiet
  // Still quiet: what the window shows now is the catch-up's doing.
  ASSERT_EQ(written(), 80000) << "the pause ended before the check";
  EXPECT_EQ(p->ProgressPosition(), 80000);
  ASSERT_TRUE(WaitFor([&] { return p->Enabled(u"下载视频"); }, 30000));
  EXPECT_TRUE(CloseExplorerWindow(SaveName(), 10000));
  EXPECT_EQ(FilesIn(save), std::vector<String>{u"q.mp4"});
}

INSTANTIATE_TEST_SUITE_P(Skins, EndToEndTest, ::testing::Values(SkinInstall::Folder, SkinInstall::None),
                         SkinInstallName);

// The packed skin alone is found as well (the folder wins when both are there).
class EndToEndPackedSkinTest : public EndToEndTest {};

TEST_P(EndToEndPackedSkinTest, ParseShowsTheSkinsMessageForm) {
  auto p = StartAndParse(u"k", u"v.mp4");
  ASSERT_TRUE(p->Ready());
  DialogAnswerer answerer(p->Pid());
  Parse(*p, answerer);
}

INSTANTIATE_TEST_SUITE_P(Skins, EndToEndPackedSkinTest, ::testing::Values(SkinInstall::Packed), SkinInstallName);
