// Where the program's start-up goes: each step of the engine's start-up timed once, cold, in
// a fresh process, as the program runs them before its first window; then what the program
// does next without a window (its classes made known to the form reader), and the objects
// the start-up leaves for their first use, timed at that use. The whole start-up stands as
// the yardstick: each line gives its share of it.
// Run: build/win64/wine-run.sh build/win64/bench/StartupSteps_bench.exe (tools/startup-timing.sh
// runs it after timing the program).
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "app/Startup.h"
#include "controls/kvShellCtrls.h"
#include "controls/sGlyphUtils.h"
#include "engine/EngineStartup.h"
#include "skin/sStyleSimply.h"

namespace {

struct Step {
  std::string name;
  double ms;
};

double TimeOnce(const std::function<void()>& body) {
  const double t0 = bench::Now();
  body();
  return (bench::Now() - t0) * 1e3;
}

}  // namespace

int main() {
  std::vector<Step> steps;
  // The engine's start-up step by step, in its fixed order (StartEngine runs the same table).
  for (const TkvModuleStep& m : EngineModules())
    if (m.Startup) steps.push_back({std::string("engine start: ") + m.Name, TimeOnce(m.Startup)});
  steps.push_back({"the program's classes registered", TimeOnce(RegisterTarnwickClasses)});
  double startup = 0;
  for (const Step& s : steps) startup += s.ms;
  // Made on first use: not part of the start-up any more.
  std::vector<Step> later{
      {"first use: the character glyph list", TimeOnce([] { CharImages(); })},
      {"first use: the desktop folder and small icons", TimeOnce([] { DesktopFolder(); })},
      {"first use: the program file's icons", TimeOnce([] { AppIcon(); })},
  };

  std::printf("%-50s %9s %7s\n", "start-up step (once, cold)", "ms", "share");
  for (const Step& s : steps) std::printf("%-50s %9.2f %6.1f%%\n", s.name.c_str(), s.ms, 100 * s.ms / startup);
  std::printf("%-50s %9.2f %6.1f%%\n", "the whole start-up before the first window", startup, 100.0);
  for (const Step& s : later) std::printf("%-50s %9.2f %6.1f%%\n", s.name.c_str(), s.ms, 100 * s.ms / startup);
  // Clean up as the program does, so the run also shows nothing left behind crashes.
  StopModules(EngineModules());
  return 0;
}
