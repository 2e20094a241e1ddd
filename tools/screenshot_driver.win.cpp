// Drives the running Tarnwick for tools/screenshots.sh, the way a user would: one step per
// run, each through the program's windows.
//
//   screenshot_driver.exe link <text>        clicks into the link edit and types the text
//   screenshot_driver.exe folder <path>      replaces the save-folder edit's text
//   screenshot_driver.exe click <button>     presses the main window's button: parse, video or audio
//   screenshot_driver.exe wait-box <ms>      waits until a message box of the program shows
//   screenshot_driver.exe close-box          closes the program's message box
//   screenshot_driver.exe wait-enabled <button> <ms>    waits until that button is enabled again
//   screenshot_driver.exe close-explorer <ms>  waits for an Explorer window and closes it
//
// Exit status 0 when the step was done. Built by the script with the cross compiler; not part
// of the program or its tests.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
  const wchar_t* cls;
  DWORD pid;
  bool visibleOnly;
  std::vector<HWND> found;
};

bool ClassIs(HWND wnd, const wchar_t* cls) {
  wchar_t name[128];
  return GetClassNameW(wnd, name, 128) && lstrcmpW(name, cls) == 0;
}

BOOL CALLBACK Collect(HWND wnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  if (!ClassIs(wnd, s->cls)) return TRUE;
  if (s->visibleOnly && !IsWindowVisible(wnd)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (s->pid && pid != s->pid) return TRUE;
  s->found.push_back(wnd);
  return TRUE;
}

std::vector<HWND> Children(HWND parent, const wchar_t* cls) {
  Search s{cls, 0, false, {}};
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::vector<HWND> TopLevel(const wchar_t* cls, DWORD pid) {
  Search s{cls, pid, true, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::wstring Text(HWND wnd) {
  wchar_t buf[256];
  const int n = GetWindowTextW(wnd, buf, 256);
  return std::wstring(buf, n > 0 ? size_t(n) : 0);
}

HWND MainWindow() {
  for (int i = 0; i < 300; ++i) {
    if (HWND main = FindWindowW(L"TForm1", nullptr)) return main;
    Sleep(100);
  }
  return nullptr;
}

// The upper edit takes the link, the lower one the save folder.
HWND Edit(HWND main, bool upper) {
  const std::vector<HWND> edits = Children(main, L"TsEdit");
  if (edits.size() != 2) return nullptr;
  RECT a, b;
  GetWindowRect(edits[0], &a);
  GetWindowRect(edits[1], &b);
  return (a.top < b.top) == upper ? edits[0] : edits[1];
}

// The buttons by plain names: the shell may hand the program's Chinese captions over in
// another code page.
HWND Button(HWND main, const std::wstring& name) {
  const wchar_t* caption = name == L"parse"   ? L"\u89E3\u6790"              // "解析"
                           : name == L"video" ? L"\u4E0B\u8F7D\u89C6\u9891"  // "下载视频"
                           : name == L"audio" ? L"\u4E0B\u8F7D\u97F3\u9891"  // "下载音频"
                                              : nullptr;
  if (!caption) return nullptr;
  for (HWND b : Children(main, L"TsButton"))
    if (Text(b) == caption) return b;
  return nullptr;
}

// The program's message box: the skin's message form, or the system's box without a skin.
HWND MessageBoxOf(HWND main) {
  DWORD pid = 0;
  GetWindowThreadProcessId(main, &pid);
  for (const wchar_t* cls : {L"TMessageForm", L"#32770"}) {
    const std::vector<HWND> boxes = TopLevel(cls, pid);
    if (!boxes.empty()) return boxes.front();
  }
  return nullptr;
}

template <class Done>
bool WaitFor(Done done, int ms) {
  for (int waited = 0; waited <= ms; waited += 50) {
    if (done()) return true;
    Sleep(50);
  }
  return false;
}

void Type(HWND edit, const wchar_t* text) {
  for (const wchar_t* c = text; *c; ++c) PostMessageW(edit, WM_CHAR, *c, 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: screenshot_driver.exe <step> [argument ...]\n");
    return 2;
  }
  const std::wstring step = argv[1];
  const std::wstring arg = argc > 2 ? argv[2] : L"";
  const int ms = argc > 3 ? _wtoi(argv[3]) : argc > 2 ? _wtoi(argv[2]) : 0;
  HWND main = MainWindow();
  if (!main) {
    std::fprintf(stderr, "screenshot_driver: no main window\n");
    return 1;
  }
  if (step == L"link" || step == L"folder") {
    HWND edit = Edit(main, step == L"link");
    if (!edit) return 1;
    if (step == L"link") {
      // A click into the edit clears its placeholder.
      PostMessageW(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
      PostMessageW(edit, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    } else {
      PostMessageW(edit, EM_SETSEL, 0, -1);
    }
    Type(edit, arg.c_str());
    Sleep(300);
    return 0;
  }
  if (step == L"click") {
    HWND b = Button(main, arg);
    if (!b) return 1;
    PostMessageW(b, BM_CLICK, 0, 0);
    return 0;
  }
  if (step == L"wait-box") return WaitFor([&] { return MessageBoxOf(main) != nullptr; }, ms) ? 0 : 1;
  if (step == L"close-box") {
    HWND box = MessageBoxOf(main);
    if (!box) return 1;
    PostMessageW(box, WM_CLOSE, 0, 0);
    return WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000) ? 0 : 1;
  }
  if (step == L"wait-enabled") {
    HWND b = Button(main, arg);
    return b && WaitFor([&] { return IsWindowEnabled(b) != FALSE; }, ms) ? 0 : 1;
  }
  if (step == L"close-explorer") {
    bool closed = false;
    WaitFor(
        [&] {
          for (HWND w : TopLevel(L"ExplorerWClass", 0)) {
            PostMessageW(w, WM_CLOSE, 0, 0);
            closed = true;
          }
          return closed;
        },
        ms);
    return closed ? 0 : 1;
  }
  std::fprintf(stderr, "screenshot_driver: unknown step\n");
  return 2;
}
