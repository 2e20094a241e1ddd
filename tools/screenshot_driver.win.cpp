// Drives the running Tarnwick for tools/screenshots.sh, the way a user would: types a share
// link into the link edit and presses the parse button, so that the program asks its parse
// service (the script's stand-in answers that a login is needed) and shows the notice window.
//
//   screenshot_driver.exe <link>      exit status 0 when the button was pressed
//
// Built by the script with the cross compiler; not part of the program or its tests.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search {
  const wchar_t* cls;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND wnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  wchar_t name[128];
  if (GetClassNameW(wnd, name, 128) && lstrcmpW(name, s->cls) == 0) s->found.push_back(wnd);
  return TRUE;
}

std::vector<HWND> Children(HWND parent, const wchar_t* cls) {
  Search s{cls, {}};
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::wstring Text(HWND wnd) {
  wchar_t buf[256];
  const int n = GetWindowTextW(wnd, buf, 256);
  return std::wstring(buf, n > 0 ? size_t(n) : 0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: screenshot_driver.exe <link>\n");
    return 2;
  }
  HWND main = nullptr;
  for (int i = 0; i < 300 && !main; ++i) {
    main = FindWindowW(L"TForm1", nullptr);
    if (!main) Sleep(100);
  }
  if (!main) {
    std::fprintf(stderr, "screenshot_driver: no main window\n");
    return 1;
  }
  // The link edit is the upper of the two edits.
  const std::vector<HWND> edits = Children(main, L"TsEdit");
  HWND parse = nullptr;
  for (HWND b : Children(main, L"TsButton"))
    if (Text(b) == L"\u89E3\u6790") parse = b;  // "解析"
  if (edits.size() != 2 || !parse) {
    std::fprintf(stderr, "screenshot_driver: %u edits, parse button %s\n", unsigned(edits.size()), parse ? "found" : "missing");
    return 1;
  }
  RECT a, b;
  GetWindowRect(edits[0], &a);
  GetWindowRect(edits[1], &b);
  HWND link = a.top < b.top ? edits[0] : edits[1];
  // A click into the edit clears its placeholder; then the link, typed.
  PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  for (const wchar_t* c = argv[1]; *c; ++c) PostMessageW(link, WM_CHAR, *c, 1);
  Sleep(500);
  PostMessageW(parse, BM_CLICK, 0, 0);
  return 0;
}
