#!/usr/bin/env bash
# Start-up time of Tarnwick under Wine and Xvfb: from the program's start to the first paint
# of its main window in the Glimmerveil skin, read from the screen by
# tools/startup_timing.win.cpp (built here with the cross compiler).
#   tools/startup-timing.sh [runs]        (default 11)
# Runs the program installed twice under build/startup: with the packed skin
# (data/Glimmerveil.kpz) only, and with the skin folder (data/Glimmerveil) only, in the tests'
# Wine prefix, taking turns with the floor under both, a program that only shows one white
# window (tools/startup_baseline.win.cpp); prints every run, the medians, the least runs and
# their ratios to the floor; and where the benchmarks are built, the time of each of the
# engine's start-up steps.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-11}
# Where the kernel runs no i386 programs, the x86_64 build is timed under the 64-bit Wine
# (tools/wine-preset.sh); the timer is built for the same machine.
preset=$(tools/wine-preset.sh)
cxx=i686-w64-mingw32-g++-posix
wine=wine
if [ "$preset" = win64 ]; then
  cxx=x86_64-w64-mingw32-g++-posix
  wine=/usr/lib/wine/wine64
  export WINELOADER=$wine
fi
bin=$root/build/$preset/bin
if [ ! -f "$bin/Tarnwick.exe" ] || [ ! -f "$bin/data/Glimmerveil.kpz" ]; then
  tools/setup.sh
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "${TW_JOBS:-2}" --target Tarnwick
fi
out=$root/build/startup
mkdir -p "$out"
timer=$out/startup_timing-$preset.exe
if [ ! -f "$timer" ] || [ tools/startup_timing.win.cpp -nt "$timer" ]; then
  "$cxx" -std=c++17 -O2 -municode -static -o "$timer" tools/startup_timing.win.cpp -lgdi32
fi
baseline=$out/startup_baseline-$preset.exe
if [ ! -f "$baseline" ] || [ tools/startup_baseline.win.cpp -nt "$baseline" ]; then
  "$cxx" -std=c++17 -O2 -municode -mwindows -static -o "$baseline" tools/startup_baseline.win.cpp -lgdi32
fi
for kind in kpz folder; do
  rm -rf "$out/$kind" && mkdir -p "$out/$kind/data"
  cp "$bin/Tarnwick.exe" "$out/$kind/"
  if [ "$kind" = kpz ]; then cp "$bin/data/Glimmerveil.kpz" "$out/$kind/data/"; else cp -r "$bin/data/Glimmerveil" "$out/$kind/data/"; fi
done

tools/wineprefix.sh "build/$preset/wineprefix" "$preset"
source tools/xvfb.sh
tw_start_xvfb
tw_start_wineserver "$root/build/$preset/wineprefix" "$wine"
export WINEPREFIX=$root/build/$preset/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
winpath() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
echo "[startup] the floor (a program that only shows a white window), the skin from the kpz, from the folder"
"$wine" "$timer" "$runs" "$(winpath "$baseline")" "$(winpath "$out/kpz/Tarnwick.exe")" \
  "$(winpath "$out/folder/Tarnwick.exe")" </dev/null
# Where the program's own part goes, step by step, when the benchmarks are built
# (-DTARNWICK_BENCH=ON; bench/StartupSteps_bench.win.cpp).
steps=$root/build/$preset/bench/StartupSteps_bench.exe
if [ -f "$steps" ]; then
  echo "[startup] the start-up's steps"
  (cd "$(dirname "$steps")" && "$wine" "$steps" </dev/null)
fi
