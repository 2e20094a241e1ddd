// Measures how long Tarnwick takes from its start to the first skinned paint of its main
// window, as a user sees it: the screen is read where the window's title bar lies until it
// shows the skin's near-white title bar (the desktop of the X server is black there before).
// For tools/startup-timing.sh; not part of the program or its tests.
//
//   startup_timing.exe <Tarnwick.exe> <runs>
//
// Prints, for every run and then as medians and as the least of the runs: the milliseconds until the
// main window exists (shown), and until its title bar is drawn in the skin. On a machine busy
// with other work the least is the steadier figure. Exit status 1 when a run never
// showed a skinned title bar within 20 s.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Found {
  DWORD pid;
  HWND wnd;
};

BOOL CALLBACK FindMain(HWND wnd, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  wchar_t name[64];
  DWORD pid = 0;
  GetWindowThreadProcessId(wnd, &pid);
  if (pid == f->pid && IsWindowVisible(wnd) && GetClassNameW(wnd, name, 64) && lstrcmpW(name, L"TForm1") == 0) {
    f->wnd = wnd;
    return FALSE;
  }
  return TRUE;
}

double Millis(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER freq) {
  return double(to.QuadPart - from.QuadPart) * 1000.0 / double(freq.QuadPart);
}

// Nine pixels 3 apart in a row near the top of the title bar, all near-white: the X
// server's patterned background cannot pass for it.
bool SkinnedTitle(HWND main) {
  RECT r;
  if (!GetWindowRect(main, &r)) return false;
  HDC screen = GetDC(nullptr);
  bool white = true;
  for (int i = -4; i <= 4 && white; ++i) {
    const COLORREF c = GetPixel(screen, (r.left + r.right) / 2 + i * 3, r.top + 4);
    white = c != CLR_INVALID && GetRValue(c) >= 0xE8 && GetGValue(c) >= 0xE8 && GetBValue(c) >= 0xE8;
  }
  ReleaseDC(nullptr, screen);
  return white;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: startup_timing.exe <Tarnwick.exe> <runs>\n");
    return 2;
  }
  const std::wstring exe = argv[1];
  const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
  const int runs = std::max(1, _wtoi(argv[2]));
  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  std::vector<double> shown, painted;
  int failed = 0;
  for (int run = 0; run < runs; ++run) {
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER t0, t;
    QueryPerformanceCounter(&t0);
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
      std::fprintf(stderr, "startup_timing: the program did not start\n");
      return 1;
    }
    CloseHandle(pi.hThread);
    Found f{pi.dwProcessId, nullptr};
    double msShown = -1, msPainted = -1;
    for (;;) {
      QueryPerformanceCounter(&t);
      const double ms = Millis(t0, t, freq);
      if (ms > 20000) break;
      if (!f.wnd) {
        EnumWindows(FindMain, reinterpret_cast<LPARAM>(&f));
        if (f.wnd) msShown = ms;
      }
      if (f.wnd && SkinnedTitle(f.wnd)) {
        msPainted = ms;
        break;
      }
      Sleep(1);
    }
    std::printf("run %d: main window shown %.0f ms, skinned title bar %.0f ms\n", run + 1, msShown, msPainted);
    if (msPainted < 0) {
      ++failed;
    } else {
      shown.push_back(msShown);
      painted.push_back(msPainted);
    }
    if (f.wnd) PostMessageW(f.wnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    Sleep(300);  // the X server drops the window before the next run starts
  }
  std::printf("median of %zu runs: main window shown %.0f ms, skinned title bar %.0f ms\n", painted.size(),
              Median(shown), Median(painted));
  if (!painted.empty())
    std::printf("least of the runs: main window shown %.0f ms, skinned title bar %.0f ms\n",
                *std::min_element(shown.begin(), shown.end()), *std::min_element(painted.begin(), painted.end()));
  return failed ? 1 : 0;
}
