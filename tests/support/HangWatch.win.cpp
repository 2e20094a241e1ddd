// The watchdog of HangWatch.h. It runs on a thread of its own that is never joined: the process's
// end takes it down. While the main thread is suspended for its stack nothing here may take a lock
// the main thread could hold (the C runtime's stream locks): the report is formatted into a local
// buffer and written straight to the error handle.
#include "support/HangWatch.h"

#include <windows.h>

#include <dbghelp.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "ui/WinHandles.h"

namespace {

constexpr ULONGLONG kExitLimitMs = 30 * 1000;

struct WatchState {
  std::mutex lock;
  TOwnedHandle mainThread;
  std::string test;  // "Suite.Name" of the running test; empty between tests
  ULONGLONG testStartedAt = 0;
  bool testReported = false;
  ULONGLONG exitStartedAt = 0;  // 0 until the last test has ended
  bool exitReported = false;
};

// Never destroyed: the watch thread still reads it while the static destructors run.
WatchState& State() {
  static WatchState* state = new WatchState;
  return *state;
}

ULONGLONG TestLimitMs() {
  const char* text = std::getenv("TW_HANG_REPORT_SECONDS");
  const long seconds = text ? std::strtol(text, nullptr, 10) : 0;
  return static_cast<ULONGLONG>(seconds > 0 ? seconds : 120) * 1000;
}

void Say(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  if (n <= 0) return;
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, static_cast<DWORD>(n < int(sizeof line) ? n : sizeof line - 1),
            &written, nullptr);
}

void SayFrame(int index, DWORD64 address) {
  HMODULE module = nullptr;
  char path[MAX_PATH] = "?";
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(address)), &module)) {
    GetModuleFileNameA(module, path, MAX_PATH);
  }
  const char* name = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\' || *p == '/') name = p + 1;
  }
  const DWORD64 offset = address - reinterpret_cast<ULONG_PTR>(module);
  Say("[hang-watch]   #%d %s+0x%llx\n", index, name, static_cast<unsigned long long>(offset));
}

void SayMainStack(HANDLE thread) {
  if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
    Say("[hang-watch] the main thread could not be suspended (error %lu)\n", GetLastError());
    return;
  }
  CONTEXT context{};
  context.ContextFlags = CONTEXT_FULL;
  if (GetThreadContext(thread, &context)) {
    const HANDLE process = GetCurrentProcess();
    static const bool symbolsReady = SymInitialize(process, nullptr, TRUE) != FALSE;
    (void)symbolsReady;
    STACKFRAME64 frame{};
#ifdef _WIN64
    const DWORD machine = IMAGE_FILE_MACHINE_AMD64;
    frame.AddrPC.Offset = context.Rip;
    frame.AddrFrame.Offset = context.Rbp;
    frame.AddrStack.Offset = context.Rsp;
#else
    const DWORD machine = IMAGE_FILE_MACHINE_I386;
    frame.AddrPC.Offset = context.Eip;
    frame.AddrFrame.Offset = context.Ebp;
    frame.AddrStack.Offset = context.Esp;
#endif
    frame.AddrPC.Mode = frame.AddrFrame.Mode = frame.AddrStack.Mode = AddrModeFlat;
    for (int i = 0; i < 48; ++i) {
      if (!StackWalk64(machine, process, thread, &frame, &context, nullptr, SymFunctionTableAccess64,
                       SymGetModuleBase64, nullptr) ||
          frame.AddrPC.Offset == 0) {
        break;
      }
      SayFrame(i, frame.AddrPC.Offset);
    }
  } else {
    Say("[hang-watch] the main thread's context could not be read (error %lu)\n", GetLastError());
  }
  ResumeThread(thread);
}

void Watch() {
  WatchState& state = State();
  const ULONGLONG testLimit = TestLimitMs();
  for (;;) {
    Sleep(1000);
    std::string hungTest;
    bool hungExit = false;
    {
      std::lock_guard<std::mutex> guard(state.lock);
      const ULONGLONG now = GetTickCount64();
      if (state.exitStartedAt && !state.exitReported && now - state.exitStartedAt > kExitLimitMs) {
        state.exitReported = hungExit = true;
      } else if (!state.test.empty() && !state.testReported && now - state.testStartedAt > testLimit) {
        state.testReported = true;
        hungTest = state.test;
      }
    }
    if (hungExit) {
      Say("[hang-watch] the process has not ended %llu s after its last test; the main thread:\n", kExitLimitMs / 1000);
      SayMainStack(state.mainThread.get());
    } else if (!hungTest.empty()) {
      Say("[hang-watch] %s has run for over %llu s; the main thread:\n", hungTest.c_str(), testLimit / 1000);
      SayMainStack(state.mainThread.get());
    }
  }
}

}  // namespace

void StartHangWatch() {
  WatchState& state = State();
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    Say("[hang-watch] not started: the main thread's handle could not be taken (error %lu)\n", GetLastError());
    return;
  }
  state.mainThread.reset(self);
  std::thread(Watch).detach();
}

void HangWatchTestStarted(const char* suite, const char* name) {
  WatchState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.test = std::string(suite) + "." + name;
  state.testStartedAt = GetTickCount64();
  state.testReported = false;
}

void HangWatchTestEnded() {
  WatchState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.test.clear();
}

void HangWatchExiting() {
  WatchState& state = State();
  std::lock_guard<std::mutex> guard(state.lock);
  state.exitStartedAt = GetTickCount64();
}
