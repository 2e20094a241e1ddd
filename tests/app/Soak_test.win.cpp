// Many parse-and-download rounds of the main window, drawn in the Glimmerveil skin, against
// the tests' server: after the first rounds have filled what is filled once (caches, pools),
// the GDI and USER objects, the windows, the memory and the threads of the process must stay
// where they are.
//
// TW_SOAK_ROUNDS sets the number of measured rounds (default 40, the CI run); the long run:
//   TW_SOAK_ROUNDS=1000 build/win32/wine-run.sh build/win32/tests/app/app_display_tests.exe --gtest_filter='Soak*'
// Each run prints its measurements. The folder is not opened in Explorer here (the call is
// counted instead): Explorer is another process, and closing a thousand of its windows would
// measure Explorer.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "app/GzForm.h"
#include "app/MainForm.h"
#include "app/Startup.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "engine/EngineStartup.h"
#include "skin/sSkinManager.h"
#include "support/Files.h"
#include "support/Fixtures.h"
#include "support/GdiTracker.h"
#include "support/ImportHook.h"
#include "support/ProcessMemory.h"
#include "support/TempDir.h"
#include "support/TestServer.h"
#include "support/UserTracker.h"
#include "support/WindowDriver.h"

namespace {

int foldersOpened = 0;

HINSTANCE WINAPI CountFolderOpening(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
  if (file && lstrcmpiW(file, L"Explorer.exe") == 0) ++foldersOpened;
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(33));  // above 32: success
}

int ThreadCount() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 t{};
  t.dwSize = sizeof(t);
  int n = 0;
  for (BOOL ok = Thread32First(snap, &t); ok; ok = Thread32Next(snap, &t))
    if (t.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  CloseHandle(snap);
  return n;
}

struct Sample {
  size_t gdi = 0, user = 0;
  int windows = 0, threads = 0;
  SIZE_T memory = 0;
};

int Rounds() {
  wchar_t buf[32];
  const DWORD n = GetEnvironmentVariableW(L"TW_SOAK_ROUNDS", buf, 32);
  const int rounds = n > 0 && n < 32 ? _wtoi(buf) : 0;
  return rounds > 0 ? rounds : 40;
}

}  // namespace

TEST(Soak, ParseAndDownloadRoundsKeepHandlesMemoryAndThreadsLevel) {
  ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
  StartEngine();
  RegisterTarnwickClasses();
  TestServer server;
  TempDir videoDir, saveRoot;
  ASSERT_TRUE(MakeTestVideo(videoDir.Path() + u"/v.mp4", 2));
  const std::vector<Byte> video = ReadFileBytes(videoDir.Path() + u"/v.mp4");
  SaveBytes(server.FilesDir() + u"/v.mp4", video);
  SetEnvironmentVariableW(L"TARNWICK_PARSE_URL", WideStr(server.BaseUrl()));
  const String save = Backslashed(saveRoot.Path());
  // The program's skin as the build draws it (build\bin\data beside build\tests\app).
  const String tests = ExeFolder();
  const String data = tests.substr(0, tests.find_last_of(u'\\', tests.find_last_of(u'\\') - 1)) + u"\\bin\\data";

  const int rounds = Rounds();
  const int warmUp = 10, checkpoint = warmUp + std::min(10, rounds / 4);
  Sample at, end;
  size_t gdiMade = 0;
  {
    auto app = std::make_unique<TApplication>();
    app->CreateForm(Form1);
    app->CreateForm(Form3);
    Form1->sknmngr1->SetSkinDirectory(data);
    Form1->sknmngr1->SetSkinName(u"Glimmerveil");
    ASSERT_TRUE(Form1->sknmngr1->IsActive()) << "the skin did not load from " << StringToUtf8(data);
    Form1->Show();
    Form1->edtLj->SetText(save);
    DialogAnswerer answerer(GetCurrentProcessId(), {u"TForm3"});
    ImportHook explorer("shell32.dll", "ShellExecuteW", &CountFolderOpening);
    std::unique_ptr<GdiTracker> gdi;
    std::unique_ptr<UserTracker> user;
    auto sample = [&] {
      // Let queued steps and pool threads settle first.
      PumpUntil([] { return false; }, 200);
      Sample s;
      s.gdi = gdi->Live().size();
      s.user = user->Live().size();
      s.windows = UserTracker::ThreadWindowCount();
      s.threads = ThreadCount();
      s.memory = PrivateBytes();
      return s;
    };
    server.SetParseAnswer(200, ParseAnswer(u"soak", server.FileUrl(u"v.mp4")));
    const ULONGLONG started = GetTickCount64();
    for (int round = 0; round < warmUp + rounds; ++round) {
      if (round == warmUp) {
        gdi = std::make_unique<GdiTracker>();
        user = std::make_unique<UserTracker>();
        ASSERT_TRUE(gdi->Active() && user->Active());
      }
      if (round == checkpoint) at = sample();
      const size_t boxes = answerer.Seen().size();
      Form1->edtJx->SetText(u"https://v.douyin.com/soak/");
      SendMessageW(Form1->btnJx->Handle(), BM_CLICK, 0, 0);
      ASSERT_EQ(answerer.Seen().size(), boxes + 1) << "round " << round;
      ASSERT_EQ(answerer.Seen().back().Class, u"TMessageForm");  // the skin's message form
      SendMessageW(Form1->btnDown->Handle(), BM_CLICK, 0, 0);
      ASSERT_TRUE(PumpUntil([] { return !Form1->Downloading(); }, 30000)) << "round " << round;
      ASSERT_EQ(FilesIn(save), std::vector<String>{u"soak.mp4"}) << "round " << round;
      ASSERT_TRUE(DeleteFileW(WideStr(save + u"\\soak.mp4")));
      server.ClearRequests();
    }
    end = sample();
    gdiMade = static_cast<size_t>(gdi->Created());
    const double seconds = static_cast<double>(GetTickCount64() - started) / 1000.0;
    EXPECT_EQ(foldersOpened, warmUp + rounds);
    std::printf(
        "[soak] %d rounds after %d warm-up rounds in %.1f s; from round %d to the end: GDI objects %zu -> %zu "
        "(%zu made), USER objects %zu -> %zu, windows %d -> %d, threads %d -> %d, private bytes %zu -> %zu\n",
        rounds, warmUp, seconds, checkpoint, at.gdi, end.gdi, gdiMade, at.user, end.user, at.windows, end.windows,
        at.threads, end.threads, static_cast<size_t>(at.memory), static_cast<size_t>(end.memory));
    gdi.reset();
    user.reset();
    app.reset();
    Form1 = nullptr;
    Form3 = nullptr;
  }
  SetEnvironmentVariableW(L"TARNWICK_PARSE_URL", nullptr);

  EXPECT_GT(gdiMade, 0u);    // the rounds did paint
  EXPECT_GT(at.memory, 0u);  // the memory was measured
  EXPECT_EQ(end.gdi, at.gdi);
  EXPECT_EQ(end.user, at.user);
  EXPECT_EQ(end.windows, at.windows);
  // Idle pool threads of the transport may come and go; they must not pile up.
  EXPECT_LE(end.threads, at.threads + 2);
  // The heap may settle a little; a leak of even 1 KB a round over the long run shows.
  EXPECT_LT(static_cast<double>(end.memory), static_cast<double>(at.memory) + 1024.0 * 1024.0);
}
