#include "Threads.h"

#include <deque>
#include <exception>
#include <memory>

namespace {

struct Call {
  const void* target = nullptr;
  TThreadProcedure proc;
  bool sync = false;
  bool done = false;  // ran or dropped (synchronized calls)
  std::exception_ptr error;
};

struct SyncQueue {
  std::mutex lock;
  std::condition_variable queued;  // a call arrived (the GUI thread waits for it)
  std::condition_variable done;    // a synchronized call ran or was dropped
  std::deque<std::shared_ptr<Call>> calls;
  std::function<void()> wake;
  std::atomic<bool> wakePending{false};
  std::thread::id mainThread;
  bool mainSet = false;
};

// Never destroyed: components destroyed during program exit still drop their calls here.
SyncQueue& Q() {
  static SyncQueue* q = new SyncQueue;
  return *q;
}

void Wake() {
  SyncQueue& q = Q();
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> g(q.lock);
    wake = q.wake;
  }
  // One wake-up is enough until the GUI thread has looked at the queue again.
  if (wake && !q.wakePending.exchange(true)) wake();
}

void Push(std::shared_ptr<Call> call) {
  SyncQueue& q = Q();
  {
    std::lock_guard<std::mutex> g(q.lock);
    q.calls.push_back(std::move(call));
  }
  q.queued.notify_all();
  Wake();
}

}  // namespace

void SetMainThread() {
  SyncQueue& q = Q();
  std::lock_guard<std::mutex> g(q.lock);
  q.mainThread = std::this_thread::get_id();
  q.mainSet = true;
}

bool InMainThread() {
  SyncQueue& q = Q();
  std::lock_guard<std::mutex> g(q.lock);
  return q.mainSet && q.mainThread == std::this_thread::get_id();
}

namespace {
// The thread that runs the static initialisers is the one the program starts on, so it is the GUI
// thread until the application says otherwise. Taking the first thread that asks instead let a
// worker that asked first (a loader calling Synchronize while the GUI thread sat in a modal box)
// become the "main" thread, and both then waited on each other for ever.
[[maybe_unused]] const bool kMainThreadTaken = (SetMainThread(), true);
}  // namespace

void SetWakeMainThread(std::function<void()> wake) {
  SyncQueue& q = Q();
  std::lock_guard<std::mutex> g(q.lock);
  q.wake = std::move(wake);
  q.wakePending = false;
}

size_t QueuedCallCount() {
  SyncQueue& q = Q();
  std::lock_guard<std::mutex> g(q.lock);
  return q.calls.size();
}

bool CheckSynchronize(int timeoutMs) {
  if (!InMainThread()) return false;
  SyncQueue& q = Q();
  size_t budget;
  {
    std::unique_lock<std::mutex> g(q.lock);
    q.wakePending = false;
    if (q.calls.empty() && timeoutMs > 0)
      q.queued.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return !q.calls.empty(); });
    // The calls there now; those queued while they run wait for the next round, so a
    // thread that queues without end cannot keep the GUI thread here.
    budget = q.calls.size();
  }
  bool ran = false;
  while (budget-- > 0) {
    std::shared_ptr<Call> call;
    {
      std::lock_guard<std::mutex> g(q.lock);
      if (q.calls.empty()) break;
      call = std::move(q.calls.front());
      q.calls.pop_front();
    }
    ran = true;
    if (call->sync) {
      try {
        call->proc();
      } catch (...) { call->error = std::current_exception(); }
      {
        std::lock_guard<std::mutex> g(q.lock);
        call->done = true;
      }
      q.done.notify_all();
    } else {
      call->proc();  // an exception goes to the GUI thread's handler; the rest stay queued
    }
  }
  return ran;
}

void TThread::Synchronize(const void* target, const TThreadProcedure& proc) {
  if (InMainThread()) {
    proc();
    return;
  }
  auto call = std::make_shared<Call>();
  call->target = target;
  call->proc = proc;
  call->sync = true;
  Push(call);
  SyncQueue& q = Q();
  std::unique_lock<std::mutex> g(q.lock);
  q.done.wait(g, [&] { return call->done; });
  if (call->error) std::rethrow_exception(call->error);
}

void TThread::Queue(const void* target, TThreadProcedure proc) {
  if (InMainThread()) {
    proc();
    return;
  }
  ForceQueue(target, std::move(proc));
}

void TThread::ForceQueue(const void* target, TThreadProcedure proc) {
  auto call = std::make_shared<Call>();
  call->target = target;
  call->proc = std::move(proc);
  Push(std::move(call));
}

void TThread::RemoveQueuedEvents(const void* target) {
  if (!target) return;
  SyncQueue& q = Q();
  bool released = false;
  {
    std::lock_guard<std::mutex> g(q.lock);
    for (auto it = q.calls.begin(); it != q.calls.end();) {
      if ((*it)->target != target) {
        ++it;
        continue;
      }
      if ((*it)->sync) {
        (*it)->done = true;  // the waiting thread goes on without the call
        released = true;
      }
      it = q.calls.erase(it);
    }
  }
  if (released) q.done.notify_all();
}

// ---- TThread --------------------------------------------------------------------------

TThread::TThread(bool createSuspended) : createSuspended_(createSuspended) {}

void TThread::AfterConstruction() {
  TObject::AfterConstruction();
  if (!createSuspended_) Start();
}

void TThread::BeforeDestruction() {
  TObject::BeforeDestruction();
  if (started_ && !finished_ && thread_.get_id() != std::this_thread::get_id()) {
    Terminate();
    WaitFor();
  }
}

TThread::~TThread() {
  if (started_ && !finished_ && thread_.get_id() != std::this_thread::get_id()) {
    Terminate();
    WaitFor();
  }
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id())
      thread_.detach();  // FreeOnTerminate: the thread deletes its own object
    else
      thread_.join();
  }
  RemoveQueuedEvents(this);
}

void TThread::Start() {
  if (started_.exchange(true)) throw EThread("Cannot call Start on a running or terminated thread");
  thread_ = std::thread([this] { Run(); });
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    // An exception that leaves Execute ends the thread; it is not the GUI's business.
  }
  try {
    DoTerminate();
  } catch (...) {
    // As for Execute: the thread ends either way, and nothing may leave the thread's function.
  }
  bool selfFree = freeOnTerminate_;
  {
    std::lock_guard<std::mutex> g(doneLock_);
    finished_ = true;
  }
  doneSignal_.notify_all();
  // A GUI loop that waits for Finished sleeps until a message comes: the end is one.
  Wake();
  if (selfFree) delete this;
}

void TThread::DoTerminate() {
  if (onTerminate_) Synchronize(this, [this] { onTerminate_(this); });
}

Integer TThread::WaitFor() {
  if (!started_) throw EThread("Cannot wait for a thread that was not started");
  if (thread_.get_id() == std::this_thread::get_id()) throw EThread("A thread cannot wait for itself");
  if (InMainThread()) {
    // The thread may be waiting for the GUI thread (Synchronize, OnTerminate).
    while (!finished_) CheckSynchronize(5);
  } else {
    std::unique_lock<std::mutex> g(doneLock_);
    doneSignal_.wait(g, [&] { return finished_.load(); });
  }
  if (thread_.joinable() && !freeOnTerminate_) thread_.join();
  return returnValue_;
}
