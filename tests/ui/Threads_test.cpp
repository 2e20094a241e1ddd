// Calls handed to the GUI thread: order, removal for a target that goes away, waiting,
// errors; TThread's life.
#include "ui/Threads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

class ThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetMainThread();
    SetWakeMainThread([this] { ++wakes; });
  }
  void TearDown() override {
    SetWakeMainThread(nullptr);
    while (CheckSynchronize()) {}
  }
  std::atomic<int> wakes{0};
};

class TCounting : public TThread {
 public:
  std::atomic<int>* destroyed = nullptr;
  std::vector<int>* seenOnMain = nullptr;
  std::thread::id mainId;
  bool ranOnMain = false;
  ~TCounting() override {
    if (destroyed) ++*destroyed;
  }

 protected:
  void Execute() override {
    for (int i = 0; i < 3 && !Terminated(); ++i)
      Synchronize([this, i] {
        ranOnMain = std::this_thread::get_id() == mainId;
        if (seenOnMain) seenOnMain->push_back(i);
      });
    while (!Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    SetReturnValue(42);
  }
};

class TTerminateListener : public TObject {
 public:
  std::thread::id seenOn;
  void Terminated(TObject*) { seenOn = std::this_thread::get_id(); }
};

}  // namespace

TEST_F(ThreadsTest, QueuedCallsRunInOrderOnTheMainThreadOnly) {
  std::vector<int> order;
  int target = 0;
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i) TThread::Queue(&target, [&order, i] { order.push_back(i); });
    EXPECT_FALSE(CheckSynchronize());  // not the GUI thread: nothing runs here
  });
  worker.join();
  EXPECT_EQ(QueuedCallCount(), 100u);
  EXPECT_EQ(wakes.load(), 1) << "one wake-up until the GUI thread looked at the queue";
  EXPECT_TRUE(CheckSynchronize());
  ASSERT_EQ(order.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
  EXPECT_FALSE(CheckSynchronize());
  // On the GUI thread itself Queue runs at once; ForceQueue waits for the next round.
  TThread::Queue(&target, [&] { order.push_back(-1); });
  EXPECT_EQ(order.back(), -1);
  TThread::ForceQueue(&target, [&] { order.push_back(-2); });
  EXPECT_EQ(order.back(), -1);
  CheckSynchronize();
  EXPECT_EQ(order.back(), -2);
}

TEST_F(ThreadsTest, CallsForAComponentThatGoesAwayAreDropped) {
  auto* form = new TComponent(nullptr);
  auto* other = new TComponent(nullptr);
  std::vector<std::string> ran;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) {
      TThread::Queue(form, [&ran, form] { ran.push_back("form:" + StringToUtf8(form->Name())); });
      TThread::Queue(other, [&ran] { ran.push_back("other"); });
    }
  });
  worker.join();
  form->Free();  // its destructor drops its calls: none may touch it now
  CheckSynchronize();
  EXPECT_EQ(ran, (std::vector<std::string>{"other", "other", "other"}));
  // Explicit removal, and a call that frees its target drops the ones after it.
  auto* f2 = new TComponent(nullptr);
  std::thread w2([&] {
    TThread::Queue(f2, [&ran, f2] {
      ran.push_back("first");
      f2->Free();
    });
    TThread::Queue(f2, [&ran] { ran.push_back("late"); });
  });
  w2.join();
  CheckSynchronize();
  EXPECT_EQ(ran.back(), "first");
  other->Free();
}

TEST_F(ThreadsTest, SynchronizeWaitsAndPassesErrorsBack) {
  int target = 0;
  std::atomic<bool> returned{false};
  std::string error;
  std::thread worker([&] {
    TThread::Synchronize(&target, [&] { target = 7; });
    returned = true;
    try {
      TThread::Synchronize(&target, [] { throw EConvertError("bad"); });
    } catch (const EConvertError& e) { error = StringToUtf8(e.Message()); }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_FALSE(returned) << "Synchronize returned before the GUI thread ran the call";
  EXPECT_EQ(target, 0);
  while (!returned) CheckSynchronize(10);
  EXPECT_EQ(target, 7);
  while (error.empty()) CheckSynchronize(10);
  worker.join();
  EXPECT_EQ(error, "bad");

  // A pending synchronized call whose target goes away releases its thread unrun.
  bool ran = false;
  std::atomic<bool> released{false};
  std::thread w2([&] {
    TThread::Synchronize(&target, [&] { ran = true; });
    released = true;
  });
  while (QueuedCallCount() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  TThread::RemoveQueuedEvents(&target);
  w2.join();
  EXPECT_TRUE(released);
  EXPECT_FALSE(ran);
}

TEST_F(ThreadsTest, ThreadsRunTerminateAndEndOnTheMainThread) {
  std::atomic<int> destroyed{0};
  std::vector<int> seen;
  TTerminateListener listener;
  auto* t = new TCounting();
  t->destroyed = &destroyed;
  t->seenOnMain = &seen;
  t->mainId = std::this_thread::get_id();
  t->SetOnTerminate(TNotifyEvent(&listener, &TTerminateListener::Terminated));
  EXPECT_THROW(t->WaitFor(), EThread);  // not started
  t->Start();
  EXPECT_THROW(t->Start(), EThread);
  while (seen.size() < 3) CheckSynchronize(10);
  EXPECT_TRUE(t->ranOnMain);
  t->Terminate();
  EXPECT_EQ(t->WaitFor(), 42);  // on the main thread: OnTerminate's synchronized call runs
  EXPECT_EQ(listener.seenOn, std::this_thread::get_id());
  EXPECT_TRUE(t->Finished());
  delete t;
  EXPECT_EQ(destroyed.load(), 1);

  // Freeing a running thread stops it and waits.
  auto* running = new TCounting();
  running->destroyed = &destroyed;
  running->Start();
  running->Free();
  EXPECT_EQ(destroyed.load(), 2);

  // FreeOnTerminate: the object goes by itself once Execute returned.
  auto* self = new TCounting();
  self->destroyed = &destroyed;
  self->SetFreeOnTerminate(true);
  self->Start();
  self->Terminate();
  for (int i = 0; i < 500 && destroyed.load() < 3; ++i) CheckSynchronize(5);
  EXPECT_EQ(destroyed.load(), 3);
}

// In a fresh process (the death-test child starts the program anew), a worker that asks before the
// GUI thread ever did must not be taken for the GUI thread: Synchronize from it would run the call
// on the worker and leave the GUI thread waiting for a thread that waits for it.
TEST(MainThreadDeathTest, AWorkerThatAsksFirstIsNotTheMainThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        bool workerSaidMain = true;
        std::thread worker([&] { workerSaidMain = InMainThread(); });
        worker.join();
        std::exit((workerSaidMain ? 1 : 0) + (InMainThread() ? 0 : 2));
      },
      ::testing::ExitedWithCode(0), "");
}
