#include "app/ShellExec.h"

#include <windows.h>
#include <shellapi.h>

namespace {

class ProcessHandle {
 public:
  explicit ProcessHandle(HANDLE h) : h_(h) {}
  ~ProcessHandle() {
    if (h_) CloseHandle(h_);
  }
  ProcessHandle(const ProcessHandle&) = delete;
  ProcessHandle& operator=(const ProcessHandle&) = delete;
  HANDLE Get() const { return h_; }

 private:
  HANDLE h_;
};

LPCWSTR W(const String& s) { return reinterpret_cast<LPCWSTR>(s.c_str()); }

}  // namespace

Cardinal ShellExecAndWait(const String& fileName, const String& parameters, const String& verb, Integer cmdShow,
                          const String& directory) {
  SHELLEXECUTEINFOW info;
  ResetMemory(&info, sizeof(info));
  info.cbSize = sizeof(info);
  // No SEE_MASK_DOENVSUBST: a folder named like %VAR% must stay what it is.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpFile = W(fileName);
  info.lpParameters = W(parameters);
  info.lpVerb = W(verb);
  info.lpDirectory = W(directory);
  info.nShow = cmdShow;
  if (!ShellExecuteExW(&info) || !info.hProcess) throw EShellExecError("ShellExecuteEx fail");
  ProcessHandle process(info.hProcess);

  WaitForInputIdle(process.Get(), INFINITE);
  bool quit = false;
  WPARAM quitCode = 0;
  while (WaitForSingleObject(process.Get(), 10) == WAIT_TIMEOUT) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        quit = true;
        quitCode = msg.wParam;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (quit) PostQuitMessage(static_cast<int>(quitCode));  // the message loop must still end

  DWORD code = 0;
  if (!GetExitCodeProcess(process.Get(), &code)) throw EShellExecError("GetExitCodeProcess fail");
  return code;
}
