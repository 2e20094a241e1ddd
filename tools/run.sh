#!/usr/bin/env bash
# Sets up, builds and starts Tarnwick.exe under Wine. Without an X display it starts the
# program under Xvfb, takes a screenshot of its main window and prints where it put it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup.sh
# Where the kernel runs no i386 programs, the same code runs as its x86_64 build under the
# 64-bit Wine (tools/wine-preset.sh).
preset=$(tools/wine-preset.sh)
wine=wine
if [ "$preset" = win64 ]; then
  wine=/usr/lib/wine/wine64
  echo "[run] this machine runs no 32-bit programs: starting the x86_64 build under the 64-bit Wine"
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target Tarnwick
# The program's own prefix: as the tests' one, with the system's dialog font linked to the
# CJK font (tools/wineprefix.sh), so that message boxes show their Chinese text.
prefix=$root/build/$preset/program-prefix
tools/wineprefix.sh "$prefix" "$preset" cjk-ui
exe=build/$preset/bin/Tarnwick.exe
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
[ "$wine" = wine ] || export WINELOADER=$wine

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$wine" "$exe" "$@"
fi

source tools/xvfb.sh
tw_start_xvfb
tw_start_wineserver "$prefix" "$wine"
"$wine" "$exe" "$@" &
app=$!
shot=$root/build/screenshot.png
# Wait for the main window (its caption) to appear, then shoot it.
for i in $(seq 100); do
  win=$(xwininfo -root -tree 2>/dev/null | grep -F '"Tarnwick by Quennel"' | awk '{print $1}' | head -n1 || true)
  [ -n "$win" ] && break
  sleep 0.2
done
if [ -z "${win:-}" ]; then
  echo "[run] the main window did not appear" >&2
  kill "$app" 2>/dev/null || true
  exit 1
fi
sleep 2  # let it finish painting
import -window "$win" "$shot"
echo "[run] screenshot of the main window: $shot"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
