#!/usr/bin/env bash
# Screenshots of Tarnwick's windows under Wine, at 96, 120, 144 and 192 PPI, as the engine
# paints them with the Glimmerveil skin:
#   tools/screenshots.sh [PPI ...]        (default: 96 120 144 192)
# writes into build/screenshots/, for each PPI:
#   main-<ppi>.png          the main window, idle
#   messagebox-<ppi>.png    the message box of a successful parse
#   downloading-<ppi>.png   the main window while a download runs
#   downloaded-<ppi>.png    the main window after it
#   notice-<ppi>.png        the update notice window
# and beside them the skin's preview sheet (glimmerveil-sheet.png: the look the skin's
# pictures give, at every density).
#
# Each PPI gets a Wine prefix of its own under build/screenshots (the tests' prefix keeps
# 96). The tests' server (tests/support/http_server.py) stands in for the parse service and
# serves a file slowly enough to be seen downloading; a small driver
# (tools/screenshot_driver.win.cpp, built here with the cross compiler) types into the
# program's edits, presses its buttons and closes its boxes, one step per run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
ppis=("$@")
[ ${#ppis[@]} -eq 0 ] && ppis=(96 120 144 192)

out=$root/build/screenshots
mkdir -p "$out"
# Where the kernel runs no i386 programs, the x86_64 build runs under the 64-bit Wine
# (tools/wine-preset.sh); the driver is built for the same machine.
preset=$(tools/wine-preset.sh)
cxx=i686-w64-mingw32-g++-posix
if [ "$preset" = win64 ]; then
  cxx=x86_64-w64-mingw32-g++-posix
  export WINELOADER=/usr/lib/wine/wine64
  wine() { /usr/lib/wine/wine64 "$@"; }
fi
exe=$root/build/$preset/bin/Tarnwick.exe
if [ ! -f "$exe" ] || [ ! -f "$root/build/$preset/bin/data/Glimmerveil.kpz" ]; then
  tools/setup.sh
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "${TW_JOBS:-$(nproc)}" --target Tarnwick
fi

driver=$out/screenshot_driver-$preset.exe
if [ ! -f "$driver" ] || [ tools/screenshot_driver.win.cpp -nt "$driver" ]; then
  "$cxx" -std=c++17 -O2 -municode -static -o "$driver" tools/screenshot_driver.win.cpp
fi

python3 tools/skin/make_skin.py "$out/Glimmerveil" --sheet "$out/glimmerveil-sheet.png"

source tools/xvfb.sh
tw_start_xvfb

# The server: its answers are set through its control folder, the file it serves is made here.
control=$out/server
files=$out/files
rm -rf "$control" "$files" "$out/saved"
mkdir -p "$control" "$files" "$out/saved"
head -c 2000000 /dev/urandom > "$files/clip.bin"
python3 tests/support/http_server.py "$control" "$files" >/dev/null 2>&1 &
server=$!
prefixes=()
cleanup() {
  rm -rf "$control"  # stops the server
  kill "$server" 2>/dev/null || true
  for p in "${prefixes[@]}"; do WINEPREFIX=$p wineserver -k 2>/dev/null || true; done
  tw_stop_xvfb
}
trap cleanup EXIT
for i in $(seq 50); do [ -s "$control/port" ] && break; sleep 0.1; done
base="http://127.0.0.1:$(cat "$control/port")"
export TARNWICK_PARSE_URL=$base
# answer <json body>: what the parse request gets from now on.
answer() {
  python3 -c 'import json,sys; print(json.dumps({"status": 200, "body": sys.argv[1]}))' "$1" > "$control/scenario.json.tmp"
  mv "$control/scenario.json.tmp" "$control/scenario.json"
}

# The X window of a shown top-level window by its exact caption, waiting up to 20 s (the
# application's own hidden window carries a caption too).
window_named() {
  local i id
  for i in $(seq 100); do
    for id in $(xwininfo -root -tree 2>/dev/null | grep -F "\"$1\"" | awk '{print $1}'); do
      if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' &&
         [ "$(xwininfo -id "$id" | awk '/Width:/ {print $2}')" -gt 32 ]; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.2
  done
  return 1
}

for ppi in "${ppis[@]}"; do
  prefix=$out/prefix-$preset-cjk-$ppi
  tools/wineprefix.sh "$prefix" "$preset" cjk-ui
  prefixes+=("$prefix")
  export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  dpi=$(printf '0x%x' "$ppi")
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w
  # The prefix's own services start detached from this script's output.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true

  wine "$exe" </dev/null >"$out/program-$ppi.log" 2>&1 &
  app=$!
  if ! main=$(window_named "Tarnwick by Quennel"); then
    echo "[screenshots] $ppi PPI: the main window did not appear" >&2
    exit 1
  fi
  drive() { wine "$driver" "$@" </dev/null >/dev/null 2>&1; }
  shot() { sleep "${2:-1}"; import -window "$main" "$out/$1-$ppi.png"; }
  sleep 2  # let it finish painting
  import -window "$main" "$out/main-$ppi.png"

  saved=$out/saved/$ppi
  mkdir -p "$saved"
  answer '{"Code":0,"Data":{"Title":"演示视频","VideoUrls":"'"$base"'/files/clip.bin?chunk=65536&delay_ms=200"}}'
  drive folder "$(wine winepath -w "$saved" 2>/dev/null | tr -d '\r')"
  drive link "https://v.douyin.com/shot/"
  drive click parse
  if drive wait-box 20000 && box=$(window_named "Tarnwick"); then
    sleep 1
    import -window "$box" "$out/messagebox-$ppi.png"
  else
    echo "[screenshots] $ppi PPI: no message box after the parse" >&2
  fi
  drive close-box || true
  drive click video
  shot downloading 2.5
  drive wait-enabled video 60000 || echo "[screenshots] $ppi PPI: the download did not end" >&2
  drive close-explorer 10000 || true
  shot downloaded 1

  answer '请先登录'
  drive click parse
  if notice=$(window_named "Tarnwick"); then
    sleep 2
    import -window "$notice" "$out/notice-$ppi.png"
  else
    echo "[screenshots] $ppi PPI: the notice window did not appear" >&2
  fi
  wineserver -k 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  echo "[screenshots] $ppi PPI:" "$out"/{main,messagebox,downloading,downloaded,notice}-"$ppi".png
done
