#include "support/WindowDriver.h"

#include "ui/Controls.h"

#include <algorithm>

#include "ui/SysUtils.h"

String WindowText(HWND wnd) {
  wchar_t buf[2048];
  int n = GetWindowTextW(wnd, buf, 2048);
  return String(reinterpret_cast<const Char*>(buf), static_cast<size_t>(std::max(n, 0)));
}

namespace {

String ClassOf(HWND wnd) {
  wchar_t buf[256];
  int n = GetClassNameW(wnd, buf, 256);
  return String(reinterpret_cast<const Char*>(buf), static_cast<size_t>(std::max(n, 0)));
}

struct FindData {
  const wchar_t* cls;
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND wnd, LPARAM lp) {
  auto* d = reinterpret_cast<FindData*>(lp);
  if (!IsWindowVisible(wnd)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (d->pid && pid != d->pid) return TRUE;
  if (d->cls && ClassOf(wnd) != reinterpret_cast<const Char*>(d->cls)) return TRUE;
  d->found.push_back(wnd);
  return TRUE;
}

struct ChildScan {
  bool tree = false;
  String statics;
};

BOOL CALLBACK ScanChild(HWND wnd, LPARAM lp) {
  auto* s = reinterpret_cast<ChildScan*>(lp);
  const String cls = ClassOf(wnd);
  if (cls == u"SysTreeView32") s->tree = true;
  if (SameText(cls, u"Static") && IsWindowVisible(wnd)) {
    const String t = WindowText(wnd);
    if (!t.empty()) s->statics += (s->statics.empty() ? String() : u"\n") + t;
  }
  return TRUE;
}

bool IsOwnWindow(HWND wnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  return pid == GetCurrentProcessId();
}

// The text of a message form of the class library: its label "Message", which has no window
// of its own. Read only in this process (the form's thread is inside its modal loop meanwhile).
String MessageFormText(HWND wnd) {
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid != GetCurrentProcessId()) return {};
  TWinControl* form = FindControl(wnd);
  auto* label = form ? dynamic_cast<TControl*>(form->FindComponent(u"Message")) : nullptr;
  return label ? label->Caption() : String();
}

// What a message box puts on the clipboard when the user brings it to the front and presses
// Ctrl+C; empty when nothing came.
String CopiedByCtrlC(HWND wnd) {
  for (int i = 0; i < 100 && GetForegroundWindow() != wnd; ++i) {
    SetForegroundWindow(wnd);
    Sleep(20);
  }
  if (OpenClipboard(nullptr)) {
    EmptyClipboard();
    CloseClipboard();
  }
  INPUT in[4] = {};
  const WORD keys[4] = {VK_CONTROL, 'C', 'C', VK_CONTROL};
  for (int i = 0; i < 4; ++i) {
    in[i].type = INPUT_KEYBOARD;
    in[i].ki.wVk = keys[i];
    in[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
  }
  SendInput(4, in, sizeof(INPUT));
  String text;
  for (int i = 0; i < 250 && (text = ClipboardText()).empty(); ++i) Sleep(20);
  return text;
}

// The message in a box's copied text: what stands between its second and third dash lines.
String CopiedMessage(const String& copied) {
  static const String kLine = u"---------------------------\r\n";
  size_t at = 0;
  for (int i = 0; i < 2; ++i) {
    at = copied.find(kLine, at);
    if (at == String::npos) return {};
    at += kLine.size();
  }
  const size_t end = copied.find(u"\r\n" + kLine, at);
  return end == String::npos ? String() : copied.substr(at, end - at);
}

// The window of the button of a message form (in this process) that gives the result id.
HWND MessageFormButton(HWND wnd, int id) {
  static const std::pair<int, const char16_t*> names[] = {
      {IDOK, u"OK"},       {IDCANCEL, u"Cancel"}, {IDYES, u"Yes"},      {IDNO, u"No"},
      {IDABORT, u"Abort"}, {IDRETRY, u"Retry"},   {IDIGNORE, u"Ignore"}};
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  TWinControl* form = pid == GetCurrentProcessId() ? FindControl(wnd) : nullptr;
  if (!form) return nullptr;
  for (const auto& [result, name] : names) {
    if (result != id) continue;
    auto* button = dynamic_cast<TWinControl*>(form->FindComponent(name));
    return button && button->HandleAllocated() ? button->WindowHandle() : nullptr;
  }
  return nullptr;
}

}  // namespace

String ClipboardText() {
  if (!OpenClipboard(nullptr)) return {};
  String text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const Char*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

std::vector<HWND> TopLevelWindows(const wchar_t* className, DWORD pid) {
  FindData d{className, pid, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&d));
  return d.found;
}

DialogAnswerer::DialogAnswerer(DWORD processId, std::vector<String> formClasses, DialogDecision decide)
    : pid_(processId), formClasses_(std::move(formClasses)), decide_(std::move(decide)) {
  // The class library's own message boxes (shown while a skin is active) are forms too.
  formClasses_.push_back(u"TMessageForm");
  thread_ = std::thread([this] { Run(); });
}

DialogAnswerer::~DialogAnswerer() {
  stop_ = true;
  thread_.join();
}

void DialogAnswerer::SetDecision(DialogDecision decide) {
  std::lock_guard g(lock_);
  decide_ = std::move(decide);
}

std::vector<SeenDialog> DialogAnswerer::Seen() {
  std::lock_guard g(lock_);
  return seen_;
}

std::vector<String> DialogAnswerer::Texts() {
  std::vector<String> out;
  for (const auto& d : Seen()) out.push_back(d.Text);
  return out;
}

void DialogAnswerer::Clear() {
  std::lock_guard g(lock_);
  seen_.clear();
}

bool DialogAnswerer::WaitForCount(size_t n, int timeoutMs, bool pump) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    {
      std::lock_guard g(lock_);
      if (seen_.size() >= n) return true;
    }
    if (GetTickCount64() > end) return false;
    if (pump) {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    Sleep(5);
  }
}

void DialogAnswerer::Run() {
  while (!stop_) {
    std::vector<HWND> candidates = TopLevelWindows(L"#32770", pid_);
    for (const String& cls : formClasses_) {
      std::wstring w(cls.begin(), cls.end());
      auto more = TopLevelWindows(w.c_str(), pid_);
      candidates.insert(candidates.end(), more.begin(), more.end());
    }
    // Windows that are gone may come back under the same handle later.
    for (auto it = answered_.begin(); it != answered_.end();) it = IsWindow(*it) ? std::next(it) : answered_.erase(it);
    for (HWND wnd : candidates) {
      if (answered_.count(wnd)) continue;
      Sleep(50);  // let the dialog finish laying out its children
      SeenDialog d;
      d.Window = wnd;
      d.Class = ClassOf(wnd);
      // Gone or hidden meanwhile (a form rebuilding its window, a box closed by its program):
      // nothing to read or answer here; a window that replaces it is found by the next scan.
      if (d.Class.empty() || !IsWindowVisible(wnd)) continue;
      d.Title = WindowText(wnd);
      ChildScan scan;
      EnumChildWindows(wnd, ScanChild, reinterpret_cast<LPARAM>(&scan));
      d.FolderBrowser = scan.tree;
      if (HWND text = GetDlgItem(wnd, 0xFFFF); text && d.Class == u"#32770" && !scan.tree)
        d.Text = WindowText(text);
      else if (d.Class == u"TMessageForm" && IsOwnWindow(wnd))
        d.Text = MessageFormText(wnd);
      else if (d.Class == u"TMessageForm") {
        d.Copied = CopiedByCtrlC(wnd);
        d.Text = CopiedMessage(d.Copied);
      } else
        d.Text = scan.statics;
      DialogDecision decide;
      {
        std::lock_guard g(lock_);
        seen_.push_back(d);
        decide = decide_;
      }
      // Without a decision: OK for the system's dialogs, closing for forms.
      const int id = decide ? decide(d) : d.Class == u"#32770" ? IDOK : 0;
      answered_.insert(wnd);
      if (id != 0 && d.Class == u"TMessageForm") {
        // Its buttons are named after their results; without one the form is closed.
        HWND button = MessageFormButton(wnd, id);
        if (button)
          PostMessageW(button, BM_CLICK, 0, 0);
        else
          PostMessageW(wnd, WM_CLOSE, 0, 0);
      } else if (id == 0)
        PostMessageW(wnd, WM_CLOSE, 0, 0);
      else
        PostMessageW(wnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(wnd, id)));
    }
    Sleep(10);
  }
}

bool CloseExplorerWindow(const String& title, int timeoutMs) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  while (GetTickCount64() <= end) {
    for (HWND w : TopLevelWindows(L"ExplorerWClass")) {
      if (WindowText(w) == title) {
        PostMessageW(w, WM_CLOSE, 0, 0);
        return true;
      }
    }
    Sleep(20);
  }
  return false;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  while (!done()) {
    if (GetTickCount64() > end) return false;
    MSG msg;
    bool any = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      any = true;
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return done();
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (!any) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}
