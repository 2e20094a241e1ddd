// Driving windows the way a user would, from a thread of its own: dialogs of a process are
// seen, read and answered as they appear (message boxes, the folder browser, modal forms),
// while the program's own thread is busy inside them.
#pragma once

#ifdef _WIN32

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "ui/Types.h"

struct SeenDialog {
  HWND Window = nullptr;
  String Class;  // "#32770" for the system's dialogs, else the form's class ("TForm3")
  String Title;
  String Text;  // a message box's text; the folder browser's title text
  // What a message box gave on Ctrl+C (caption, text and buttons between lines of dashes):
  // read so from the class library's message form of another process, which draws its text
  // itself; empty for other dialogs.
  String Copied;
  bool FolderBrowser = false;
};

// What to do with a dialog: the id of the button to press (IDOK, IDCANCEL); 0 closes the
// window (WM_CLOSE). Without one: OK for the system's dialogs, closing for forms.
using DialogDecision = std::function<int(const SeenDialog&)>;

class DialogAnswerer {
 public:
  // Watches the visible top-level dialogs of the process: windows of class "#32770" and of
  // the classes given (forms shown modally).
  DialogAnswerer(DWORD processId, std::vector<String> formClasses = {}, DialogDecision decide = nullptr);
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  void SetDecision(DialogDecision decide);
  std::vector<SeenDialog> Seen();
  std::vector<String> Texts();  // the texts of the dialogs seen, in order
  void Clear();
  // Waits until at least n dialogs were seen; pumps the calling thread's messages meanwhile
  // when pump is set (the program's GUI thread in the same process).
  bool WaitForCount(size_t n, int timeoutMs, bool pump = false);

 private:
  void Run();
  DWORD pid_;
  std::vector<String> formClasses_;
  std::mutex lock_;
  DialogDecision decide_;
  std::vector<SeenDialog> seen_;
  std::set<HWND> answered_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The Unicode text on the clipboard; empty when there is none.
String ClipboardText();
// The visible top-level windows of a class (any process when pid is 0).
std::vector<HWND> TopLevelWindows(const wchar_t* className, DWORD pid = 0);
// Waits for an Explorer window titled title, closes it; false when none came.
bool CloseExplorerWindow(const String& title, int timeoutMs);
// Handles the calling thread's messages until done() or the time is up; false on time-out.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs);
String WindowText(HWND wnd);

#endif
