#!/usr/bin/env bash
# Sets up, builds and runs every test: the native build (sanitizers, fuzz targets) and the
# Windows build under Wine and Xvfb. The native suite runs inside the Windows build's CTest
# (as native_suite), so the last line is one CTest summary for everything.
#   tools/test.sh              everything
#   tools/test.sh -R <regex>   only the tests whose name matches (extra arguments go to ctest)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${TW_JOBS:-$(nproc)}

tools/setup.sh
source tools/xvfb.sh

echo "[test] building native"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs"
# Where the kernel runs no i386 programs, the Windows tests run a 64-bit build of the same code
# under the 64-bit Wine (tools/wine-preset.sh).
preset=$(tools/wine-preset.sh)
wine=wine
if [ "$preset" = win64 ]; then
  wine=/usr/lib/wine/wine64
  echo "[test] this machine runs no 32-bit programs: the Windows tests run the x86_64 build under the 64-bit Wine"
fi
echo "[test] building $preset"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs"

tools/wineprefix.sh "build/$preset/wineprefix" "$preset"
tw_start_xvfb
tw_start_wineserver "$root/build/$preset/wineprefix" "$wine"

echo "[test] running"
# A test that hangs until its time-out runs once more: a few Windows tests that passed alone have hung
# once in a whole run under Wine (cause not yet found); a test that fails by its checks is not repeated.
ctest --test-dir "build/$preset" --output-on-failure -j "$jobs" --repeat after-timeout:2 "$@"
