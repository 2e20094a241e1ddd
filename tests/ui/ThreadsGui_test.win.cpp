// Calls queued from worker threads reach the GUI thread through the application's loop,
// also while a message box runs its own loop, and never reach a form that is gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/Threads.h"

namespace {

class ThreadsGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(GetSystemMetrics(SM_CXSCREEN), 0) << "no display: window tests need Xvfb";
    app = std::make_unique<TApplication>();
  }
  void TearDown() override { app.reset(); }
  std::unique_ptr<TApplication> app;
};

// Closes the first message box of this thread it finds.
void CALLBACK CloseBox(HWND, UINT, UINT_PTR id, DWORD) {
  struct Finder {
    static BOOL CALLBACK Visit(HWND w, LPARAM) {
      wchar_t cls[16] = {};
      GetClassNameW(w, cls, 16);
      if (std::wstring(cls) != L"#32770") return TRUE;
      PostMessageW(w, WM_COMMAND, IDOK, 0);
      return FALSE;
    }
  };
  if (!EnumThreadWindows(GetCurrentThreadId(), &Finder::Visit, 0)) KillTimer(nullptr, id);
}

}  // namespace

TEST_F(ThreadsGuiTest, ProgressReportsFromAWorkerReachTheFormThroughTheLoop) {
  TForm* form = nullptr;
  app->CreateForm(form);
  auto* label = new TLabel(form);
  label->SetParent(form);
  std::atomic<int> applied{0};
  std::thread worker([&] {
    for (int i = 1; i <= 500; ++i)
      TThread::Queue(form, [&, i] {
        label->SetCaption(IntToStr(i) + u"%");
        ++applied;
      });
  });
  worker.join();
  DWORD start = GetTickCount();
  while (applied < 500 && GetTickCount() - start < 5000) app->HandleMessage();  // woken by the queue
  EXPECT_EQ(applied.load(), 500);
  EXPECT_EQ(label->Caption(), u"500%");
}

TEST_F(ThreadsGuiTest, QueuedCallsRunWhileAMessageBoxWaits) {
  TForm* form = nullptr;
  app->CreateForm(form);
  form->Show();
  std::atomic<int> applied{0};
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    for (int i = 0; i < 20 && !stop; ++i) {
      TThread::Queue(form, [&] { ++applied; });
      Sleep(10);
    }
  });
  SetTimer(nullptr, 0, 400, &CloseBox);
  app->MessageBox(u"音频下载完成！", u"Tarnwick", MB_OK);  // the box's own loop dispatches the wake-ups
  int seenDuringBox = applied.load();
  stop = true;
  worker.join();
  EXPECT_GT(seenDuringBox, 5);
}

TEST_F(ThreadsGuiTest, NoLateCallReachesAFreedForm) {
  TForm* form = nullptr;
  app->CreateForm(form);
  std::atomic<int> ran{0};
  std::thread worker([&] {
    for (int i = 0; i < 50; ++i)
      TThread::Queue(form, [&, form] {
        form->SetCaption(u"late");  // would touch freed memory if it ran after the form went
        ++ran;
      });
  });
  worker.join();
  form->Free();
  app->ProcessMessages();
  CheckSynchronize();
  EXPECT_EQ(ran.load(), 0);
  EXPECT_EQ(QueuedCallCount(), 0u);
}

TEST_F(ThreadsGuiTest, AThreadSynchronizesWithTheLoopAndEndsThere) {
  struct TStep : TThread {
    TLabel* label = nullptr;
    void Execute() override {
      for (int i = 0; i < 5; ++i) Synchronize([this, i] { label->SetCaption(IntToStr(i)); });
    }
  };
  TForm* form = nullptr;
  app->CreateForm(form);
  auto* label = new TLabel(form);
  label->SetParent(form);
  auto* t = new TStep();
  t->label = label;
  t->Start();
  DWORD start = GetTickCount();
  while (!t->Finished() && GetTickCount() - start < 5000) app->HandleMessage();
  EXPECT_TRUE(t->Finished());
  EXPECT_EQ(label->Caption(), u"4");
  t->Free();
}

TEST_F(ThreadsGuiTest, TheEndOfAThreadWakesTheLoopThatWaitsForIt) {
  struct TSleeper : TThread {
    void Execute() override { Sleep(100); }  // no call for the GUI thread at all
  };
  // A watchdog wakes the loop late, so a missing wake-up fails the test instead of hanging it.
  HANDLE finishedLoop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  const DWORD guiThread = GetCurrentThreadId();
  std::thread watchdog([&] {
    if (WaitForSingleObject(finishedLoop, 3000) == WAIT_TIMEOUT) PostThreadMessageW(guiThread, WM_NULL, 0, 0);
  });
  auto* t = new TSleeper();
  t->Start();
  const DWORD start = GetTickCount();
  while (!t->Finished()) app->HandleMessage();
  const DWORD waited = GetTickCount() - start;
  SetEvent(finishedLoop);
  watchdog.join();
  CloseHandle(finishedLoop);
  EXPECT_LT(waited, 2000u);
  t->Free();
}
