// TThread, and calls handed from any thread to the GUI (main) thread. Portable.
//
// Handing work to the GUI thread:
//   TThread::Queue(form, [=] { form->lbl1->SetCaption(text); });   // returns at once
//   TThread::Synchronize(form, [&] { ... });                         // waits until it ran
// The first argument is the object the call works on. When that object is a component
// that is destroyed before the call ran, the call is dropped (TComponent's destructor calls
// RemoveQueuedEvents), so no late call reaches a freed form. A pending Synchronize for it
// returns without running. Called on the GUI thread itself, both run the call at once.
// Queued calls run in the order they were queued, on the GUI thread, from its message loop
// (the application wakes it; CheckSynchronize runs them). An exception thrown by a queued
// call goes to the GUI thread's handler; one thrown by a synchronized call is thrown again
// in the thread that waits for it.
//
// A thread:
//   class TLoader : public TThread {
//     void Execute() override { while (!Terminated()) { ...; Synchronize([&] { ... }); } }
//   };
//   auto* t = new TLoader();  t->Start();   ...   t->Free();
// The end of a thread wakes the GUI thread's loop, so a loop that waits for it
// (while (!t->Finished()) Application->HandleMessage();) sees it at once; WaitFor waits too.
// Free terminates a running thread and waits for it before any destructor runs (a plain
// delete cannot: the derived part would be gone while Execute still uses it). With
// FreeOnTerminate the object deletes itself when Execute has returned (after OnTerminate
// ran on the GUI thread).
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "Classes.h"

TW_DECLARE_EXCEPTION(EThread, Exception);

using TThreadProcedure = std::function<void()>;

// Scheduling priorities of threads, as the class library names them.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
 public:
  explicit TThread(bool createSuspended = true);
  ~TThread() override;
  // Runs AfterConstruction: a thread made with createSuspended false starts here.
  void AfterConstruction() override;
  // Free: terminates a running thread and waits for it.
  void BeforeDestruction() override;

  void Start();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  bool Started() const { return started_; }
  bool Finished() const { return finished_; }
  // Waits until Execute returned (on the GUI thread, queued and synchronized calls keep
  // running meanwhile) and gives ReturnValue.
  Integer WaitFor();
  bool FreeOnTerminate() const { return freeOnTerminate_; }
  void SetFreeOnTerminate(bool v) { freeOnTerminate_ = v; }
  Integer ReturnValue() const { return returnValue_; }
  // Runs on the GUI thread after Execute returned.
  TNotifyEvent OnTerminate() const { return onTerminate_; }
  void SetOnTerminate(TNotifyEvent e) { onTerminate_ = e; }

  static void Synchronize(const void* target, const TThreadProcedure& proc);
  static void Queue(const void* target, TThreadProcedure proc);
  // Queues even when called on the GUI thread.
  static void ForceQueue(const void* target, TThreadProcedure proc);
  // Drops the queued calls for target (and releases pending synchronized ones unrun).
  static void RemoveQueuedEvents(const void* target);

 protected:
  virtual void Execute() = 0;
  virtual void DoTerminate();
  // The calls of this thread, with the thread as their target.
  void Synchronize(const TThreadProcedure& proc) { Synchronize(this, proc); }
  void Queue(TThreadProcedure proc) { Queue(this, std::move(proc)); }
  void SetReturnValue(Integer v) { returnValue_ = v; }

 private:
  void Run();

  std::thread thread_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  bool createSuspended_;
  bool freeOnTerminate_ = false;
  Integer returnValue_ = 0;
  TNotifyEvent onTerminate_;
  std::mutex doneLock_;
  std::condition_variable doneSignal_;
};

// Makes the calling thread the GUI thread (the application does it; until then it is the thread
// that ran the static initialisers, the one the program started on).
void SetMainThread();
bool InMainThread();
// Runs the calls waiting for the GUI thread (on it; elsewhere it does nothing). Waits up to
// timeoutMs for one to come when there is none. True when any ran.
bool CheckSynchronize(int timeoutMs = 0);
// Number of calls waiting (for tests and diagnostics).
size_t QueuedCallCount();
// Called (from any thread) whenever a call is queued, so the GUI thread's loop wakes up.
void SetWakeMainThread(std::function<void()> wake);
