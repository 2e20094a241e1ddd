// A 200 MB download from the local test server, three ways in one run:
//   curl      the reference: curl -o <file> on the same server, same folder
//   program   the main window's own path: the download button, HEAD, the GET on the HTTP
//             client's worker into the file, progress queued to the GUI thread, completion
//   client    the HTTP client alone (BeginGet into the file, no progress handler)
// Reports throughput, the program/curl ratio (goal >= 0.8), CPU per MB, and how many progress
// steps reached the GUI thread per second (coalesced to about 60).
// Run: cmake --preset win32 -DTARNWICK_BENCH=ON && cmake --build --preset win32 --target Download_bench
//      then, with a display (tools/xvfb.sh): build/win32/wine-run.sh build/win32/bench/Download_bench.exe
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "BenchTiming.h"
#include "app/GzForm.h"
#include "app/MainForm.h"
#include "app/Startup.h"
#include "controls/kvProgressBar.h"
#include "controls/sButton.h"
#include "controls/sEdit.h"
#include "controls/sLabel.h"
#include "engine/EngineStartup.h"
#include "support/Files.h"
#include "support/TempDir.h"
#include "support/TestServer.h"
#include "support/UnixShell.h"
#include "support/WindowDriver.h"
#include "ui/HttpClient.h"
#include "ui/Json.h"
#include "ui/Streams.h"

namespace {

constexpr Int64 kSize = 200LL * 1024 * 1024;
constexpr int kRounds = 3;

// User + kernel time of this process in seconds.
double CpuSeconds() {
  FILETIME c, e, k, u;
  GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
  auto s = [](FILETIME t) {
    return static_cast<double>((static_cast<Int64>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return s(k) + s(u);
}

Int64 SizeOf(const String& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExW(WideStr(path), GetFileExInfoStandard, &d)) return -1;
  return (static_cast<Int64>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

// User + kernel time of the calling thread in seconds.
double ThreadCpuSeconds() {
  FILETIME c, e, k, u;
  GetThreadTimes(GetCurrentThread(), &c, &e, &k, &u);
  auto s = [](FILETIME t) {
    return static_cast<double>((static_cast<Int64>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return s(k) + s(u);
}

struct Result {
  double seconds = 0, cpu = 0, guiCpu = 0, guiSteps = 0;
  bool ok = false;
};

// curl's time and CPU from bash's time keyword, writing into the same folder.
Result RunCurl(const TestServer& server, const String& folder) {
  TempDir tmp;
  const String out = tmp.Path() + u"/curl-times.txt";
  const String target = folder + u"\\curl.bin";
  const std::string cmd = "bash -c 'TIMEFORMAT=\"%R %U %S\"; { time curl -s -o " + UnixPathOf(target) + " " +
                          StringToUtf8(server.FileUrl(u"big.bin")) + "; } 2> " + UnixPathOf(out) + "'";
  Result r;
  if (RunUnixShell(cmd, 600000) != 0) return r;
  auto bytes = ReadFileBytes(out);
  double real = 0, user = 0, sys = 0;
  if (std::sscanf(std::string(bytes.begin(), bytes.end()).c_str(), "%lf %lf %lf", &real, &user, &sys) == 3) {
    r.seconds = real;
    r.cpu = user + sys;
    r.ok = SizeOf(target) == kSize;
  }
  DeleteFileW(WideStr(target));
  return r;
}

// Counts the progress bar positions the GUI thread sets: one per progress step.
struct StepCounter {
  TWndMethod old;
  int steps = 0;
  void Proc(TMessage& m) {
    if (m.Msg == PBM_SETPOS) ++steps;
    old(m);
  }
};

Result RunProgram(const String& folder) {
  Result r;
  Form1->edtLj->SetText(folder);
  StepCounter counter;
  counter.old = Form1->sprgrsbr1->WindowProc();
  Form1->sprgrsbr1->SetWindowProc(TWndMethod(&counter, &StepCounter::Proc));
  const double cpu0 = CpuSeconds(), gui0 = ThreadCpuSeconds(), t0 = bench::Now();
  SendMessageW(Form1->btnDown->Handle(), BM_CLICK, 0, 0);
  PumpUntil([] { return !Form1->Downloading(); }, 600000);
  r.seconds = bench::Now() - t0;
  r.cpu = CpuSeconds() - cpu0;
  r.guiCpu = ThreadCpuSeconds() - gui0;
  Form1->sprgrsbr1->SetWindowProc(counter.old);
  r.guiSteps = counter.steps;
  const String file = folder + u"\\big.mp4";
  r.ok = SizeOf(file) == kSize;
  DeleteFileW(WideStr(file));
  CloseExplorerWindow(folder.substr(folder.find_last_of(u'\\') + 1), 10000);
  return r;
}

Result RunClient(const TestServer& server, const String& folder) {
  Result r;
  const String file = folder + u"\\client.bin";
  {
    TFileStream out(file, fmCreate);
    THTTPClient client;
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    const double cpu0 = CpuSeconds(), t0 = bench::Now();
    client.BeginGet(
        [&](const IAsyncResult&) {
          std::lock_guard g(m);
          done = true;
          cv.notify_all();
        },
        server.FileUrl(u"big.bin"), out);
    std::unique_lock lock(m);
    cv.wait(lock, [&] { return done; });
    r.seconds = bench::Now() - t0;
    r.cpu = CpuSeconds() - cpu0;
  }
  r.ok = SizeOf(file) == kSize;
  DeleteFileW(WideStr(file));
  return r;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main() {
  if (!GetSystemMetrics(SM_CXSCREEN)) {
    std::fprintf(stderr, "needs a display (tools/xvfb.sh)\n");
    return 1;
  }
  StartEngine();
  RegisterTarnwickClasses();
  TestServer server;
  {
    // The file to serve: 200 MB that do not compress into anything.
    TFileStream f(server.FilesDir() + u"/big.bin", fmCreate);
    std::vector<Byte> block(1 << 20);
    uint32_t x = 2463534242u;
    for (Int64 done = 0; done < kSize; done += static_cast<Int64>(block.size())) {
      for (Byte& b : block) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<Byte>(x);
      }
      f.WriteBuffer(block.data(), static_cast<Integer>(block.size()));
    }
  }
  SetEnvironmentVariableW(L"TARNWICK_PARSE_URL", WideStr(server.BaseUrl()));
  TempDir saveRoot;
  const String folder = Backslashed(saveRoot.Path()) + u"\\bench";
  CreateDirectoryW(WideStr(folder), nullptr);

  TApplication app;
  app.CreateForm(Form1);
  app.CreateForm(Form3);
  Form1->Show();
  {
    DialogAnswerer answerer(GetCurrentProcessId());
    server.SetParseAnswer(
        200, u"{\"Data\":{\"Title\":\"big\",\"VideoUrls\":" + TJSONString(server.FileUrl(u"big.bin")).ToJSON() + u"}}");
    Form1->edtJx->SetText(u"https://v.douyin.com/bench/");
    SendMessageW(Form1->btnJx->Handle(), BM_CLICK, 0, 0);
  }

  // What one progress step costs the GUI thread: the label's text, the bar's position, and
  // the repaint they cause.
  double stepCpuMs = 0;
  {
    Form1->sprgrsbr1->SetMax(1000);
    const double c0 = ThreadCpuSeconds();
    for (int i = 1; i <= 200; ++i) {
      Form1->lbl1->SetCaption(IntToStr(i / 2) + u"%");
      Form1->sprgrsbr1->SetPosition(i * 5);
      PumpUntil([] { return false; }, 0);
      Form1->Update();
    }
    stepCpuMs = (ThreadCpuSeconds() - c0) * 1000 / 200;
    Form1->lbl1->SetCaption(u"下载进度");
  }

  std::vector<double> curlT, curlCpu, progT, progCpu, progGui, progSteps, cliT, cliCpu;
  bool ok = true;
  for (int round = 0; round < kRounds; ++round) {
    Result c = RunCurl(server, folder), p = RunProgram(folder), h = RunClient(server, folder);
    ok = ok && c.ok && p.ok && h.ok;
    std::printf("round %d: curl %.3f s, program %.3f s (%d GUI steps), client %.3f s\n", round + 1, c.seconds,
                p.seconds, static_cast<int>(p.guiSteps), h.seconds);
    curlT.push_back(c.seconds), curlCpu.push_back(c.cpu);
    progT.push_back(p.seconds), progCpu.push_back(p.cpu), progGui.push_back(p.guiCpu);
    progSteps.push_back(p.guiSteps / p.seconds);
    cliT.push_back(h.seconds), cliCpu.push_back(h.cpu);
  }
  const double mb = static_cast<double>(kSize) / (1024.0 * 1024.0);
  std::printf("\n200 MB from 127.0.0.1, median of %d rounds%s\n", kRounds, ok ? "" : "  (A TRANSFER WAS INCOMPLETE)");
  std::printf("%-10s %10s %12s\n", "", "MB/s", "CPU ms/MB");
  std::printf("%-10s %10.1f %12.2f\n", "curl", mb / Median(curlT), 1000 * Median(curlCpu) / mb);
  std::printf("%-10s %10.1f %12.2f\n", "program", mb / Median(progT), 1000 * Median(progCpu) / mb);
  std::printf("%-10s %10.1f %12.2f\n", "client", mb / Median(cliT), 1000 * Median(cliCpu) / mb);
  std::printf("program's GUI thread: %.2f CPU ms/MB (the whole completion included)\n", 1000 * Median(progGui) / mb);
  std::printf("program / curl throughput: %.2f (goal >= 0.80)\n", Median(curlT) / Median(progT));
  std::printf("progress steps reaching the GUI thread: %.1f per second; one step costs it %.2f CPU ms\n",
              Median(progSteps), stepCpuMs);
  std::printf("(CPU: this process's user + kernel time under Wine, wineserver not included; curl: bash's time)\n");
  return ok ? 0 : 1;
}
