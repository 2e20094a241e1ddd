// Timers: ticks on the GUI thread, one shared window, enabling and interval changes,
// destruction with ticks still queued, errors to the application.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "ui/Forms.h"
#include "ui/Timers.h"

namespace {

class TTicks : public TObject {
 public:
  int ticks = 0;
  TTimer* freeOnFirst = nullptr;
  void Tick(TObject*) {
    ++ticks;
    if (freeOnFirst) FreeAndNil(freeOnFirst);
  }
  void Throw(TObject*) { throw EConvertError("tick failed"); }
  std::string error;
  void OnError(TObject*, const Exception& e) { error = StringToUtf8(e.Message()); }
};

void PumpFor(int ms) {
  DWORD end = GetTickCount() + static_cast<DWORD>(ms);
  while (static_cast<int>(end - GetTickCount()) > 0) {
    Application->ProcessMessages();
    Sleep(2);
  }
}

class TimersTest : public ::testing::Test {
 protected:
  void SetUp() override { app = std::make_unique<TApplication>(); }
  void TearDown() override { app.reset(); }
  std::unique_ptr<TApplication> app;
};

}  // namespace

TEST_F(TimersTest, TimersTickWhileEnabledAndShareOneWindow) {
  TTicks a, b;
  auto* t1 = new TTimer(app.get());
  t1->SetInterval(12);
  t1->SetOnTimer(TNotifyEvent(&a, &TTicks::Tick));
  auto* t2 = new TTimer(app.get());
  t2->SetInterval(20);
  t2->SetOnTimer(TNotifyEvent(&b, &TTicks::Tick));
  PumpFor(300);
  EXPECT_GT(a.ticks, 3);
  EXPECT_GT(b.ticks, 3);
  // One window carries both: no window of its own per timer.
  ASSERT_NE(TTimer::WindowHandle(), nullptr);
  int windows = 0;
  // Only this process's: test programs running beside it under the same server have their own.
  for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, L"TTimerWindow", nullptr)) != nullptr;) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId()) ++windows;
  }
  EXPECT_EQ(windows, 1);
  t1->SetEnabled(false);
  int frozen = a.ticks;
  PumpFor(100);
  EXPECT_EQ(a.ticks, frozen);
  t1->SetEnabled(true);
  t1->SetInterval(0);  // interval 0: stopped
  PumpFor(100);
  EXPECT_EQ(a.ticks, frozen);
  // Without a handler a timer does not run.
  TTimer silent(nullptr);
  silent.SetInterval(5);
  PumpFor(50);
}

TEST_F(TimersTest, ATimerFreedInItsOwnHandlerIsNotCalledAgain) {
  TTicks a;
  auto* t = new TTimer(nullptr);
  t->SetInterval(1);
  t->SetOnTimer(TNotifyEvent(&a, &TTicks::Tick));
  Sleep(50);  // due at once
  a.freeOnFirst = t;
  PumpFor(100);
  EXPECT_EQ(a.ticks, 1);
  EXPECT_EQ(a.freeOnFirst, nullptr);
}

TEST_F(TimersTest, ErrorsFromTheHandlerGoToTheApplication) {
  TTicks a;
  app->SetOnException(TExceptionEvent(&a, &TTicks::OnError));
  TTimer t(nullptr);
  t.SetInterval(10);
  t.SetOnTimer(TNotifyEvent(&a, &TTicks::Throw));
  PumpFor(100);
  EXPECT_EQ(a.error, "tick failed");
}
