// Measures how long programs take from their start to the first skinned paint of their main
// window, as a user sees it: the screen is read where the window's title bar lies until it
// shows the skin's near-white title bar (the desktop of the X server is black there before).
// For tools/startup-timing.sh; not part of the program or its tests.
//
//   startup_timing.exe <runs> <program.exe>...
//
// The programs take turns, one run each per round, so a machine that gets busier or quieter
// during the measurement weighs on all of them alike. Prints every run, then for each program
// the median and the least of its runs: the milliseconds until the main window exists
// (shown), and until its title bar is drawn in the skin; and each program's figures as a
// ratio to the first program's (the floor, when the script passes it first). On a machine busy
// with other work the least and the ratios are the steadier figures. Exit status 1 when a
// run never showed a skinned title bar within 20 s.
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

struct Program {
  std::wstring exe;
  std::vector<double> shown, painted;
};

// One run of exe: the milliseconds until its main window is shown and until its title bar is
// skinned; painted stays -1 when it never was within 20 s.
void RunOnce(const std::wstring& exe, LARGE_INTEGER freq, double& msShown, double& msPainted) {
  const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
  std::wstring cmd = L"\"" + exe + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  LARGE_INTEGER t0, t;
  msShown = msPainted = -1;
  QueryPerformanceCounter(&t0);
  if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
    std::fprintf(stderr, "startup_timing: %ls did not start\n", exe.c_str());
    return;
  }
  CloseHandle(pi.hThread);
  Found f{pi.dwProcessId, nullptr};
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
  if (f.wnd) PostMessageW(f.wnd, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  Sleep(300);  // the X server drops the window before the next run starts
}

double Least(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: startup_timing.exe <runs> <program.exe>...\n");
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[1]));
  std::vector<Program> programs;
  for (int i = 2; i < argc; ++i) programs.push_back({argv[i], {}, {}});
  LARGE_INTEGER freq;
  QueryPerformanceFrequency(&freq);
  int failed = 0;
  for (int run = 0; run < runs; ++run) {
    for (Program& p : programs) {
      double msShown, msPainted;
      RunOnce(p.exe, freq, msShown, msPainted);
      std::printf("run %d of %ls: main window shown %.0f ms, skinned title bar %.0f ms\n", run + 1, p.exe.c_str(),
                  msShown, msPainted);
      if (msPainted < 0) {
        ++failed;
      } else {
        p.shown.push_back(msShown);
        p.painted.push_back(msPainted);
      }
    }
  }
  const Program& first = programs.front();
  const double firstMedian = Median(first.painted), firstLeast = Least(first.painted);
  for (const Program& p : programs) {
    std::printf("%ls\n", p.exe.c_str());
    std::printf("  median of %zu runs: main window shown %.0f ms, skinned title bar %.0f ms\n", p.painted.size(),
                Median(p.shown), Median(p.painted));
    std::printf("  least of the runs: main window shown %.0f ms, skinned title bar %.0f ms\n", Least(p.shown),
                Least(p.painted));
    if (&p != &first && firstMedian > 0 && firstLeast > 0)
      std::printf("  skinned title bar to the first program's: median %.2f, least %.2f\n",
                  Median(p.painted) / firstMedian, Least(p.painted) / firstLeast);
  }
  return failed ? 1 : 0;
}
