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
echo "[test] building win32"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"

tools/wineprefix.sh build/win32/wineprefix
tw_start_xvfb
tw_start_wineserver "$root/build/win32/wineprefix"

echo "[test] running"
ctest --test-dir build/win32 --output-on-failure -j "$jobs" "$@"
