#include "app/ShellExec.h"

#include <windows.h>
#include <shellapi.h>

#include "ui/CommandLine.h"
#include "ui/WinHandles.h"

namespace {}  // namespace

namespace {

bool IsProgramFile(const String& fileName) {
  const size_t dot = fileName.find_last_of(u'.');
  if (dot == String::npos || fileName.find_first_of(u"\\/", dot) != String::npos) return false;
  const String ext = fileName.substr(dot);
  return SameText(ext, u".exe") || SameText(ext, u".com");
}

// The default action for a program file is to run it: started directly, because Wine's
// ShellExecuteEx expands %VAR% in the file name even without SEE_MASK_DOENVSUBST, which
// breaks a program installed under a folder named like a variable.
TOwnedHandle StartProgram(const String& fileName, const String& parameters, Integer cmdShow, const String& directory) {
  String cmd = QuoteArgument(fileName);
  if (!parameters.empty()) cmd += u" " + parameters;
  STARTUPINFOW si;
  ResetMemory(&si, sizeof(si));
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(cmdShow);
  PROCESS_INFORMATION pi;
  ResetMemory(&pi, sizeof(pi));
  if (!CreateProcessW(WideStr(fileName), WideStr(cmd), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : WideStr(directory), &si, &pi))
    return TOwnedHandle();
  TOwnedHandle thread(pi.hThread);
  return TOwnedHandle(pi.hProcess);
}

TOwnedHandle StartThroughShell(const String& fileName, const String& parameters, const String& verb, Integer cmdShow,
                               const String& directory) {
  SHELLEXECUTEINFOW info;
  ResetMemory(&info, sizeof(info));
  info.cbSize = sizeof(info);
  // No SEE_MASK_DOENVSUBST: a folder named like %VAR% must stay what it is.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpFile = WideStr(fileName);
  info.lpParameters = WideStr(parameters);
  info.lpVerb = WideStr(verb);
  info.lpDirectory = WideStr(directory);
  info.nShow = cmdShow;
  if (!ShellExecuteExW(&info)) return TOwnedHandle();
  return TOwnedHandle(info.hProcess);
}

}  // namespace

Cardinal ShellExecAndWait(const String& fileName, const String& parameters, const String& verb, Integer cmdShow,
                          const String& directory) {
  const bool run = IsProgramFile(fileName) && (verb.empty() || SameText(verb, u"open"));
  const TOwnedHandle process = run ? StartProgram(fileName, parameters, cmdShow, directory)
                                   : StartThroughShell(fileName, parameters, verb, cmdShow, directory);
  if (!process) throw EShellExecError("ShellExecuteEx fail");

  WaitForInputIdle(process.get(), INFINITE);
  bool quit = false;
  WPARAM quitCode = 0;
  while (WaitForSingleObject(process.get(), 10) == WAIT_TIMEOUT) {
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
  if (!GetExitCodeProcess(process.get(), &code)) throw EShellExecError("GetExitCodeProcess fail");
  return code;
}
