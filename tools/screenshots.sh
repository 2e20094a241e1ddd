#!/usr/bin/env bash
# Screenshots of Tarnwick's main window and its update notice window under Wine, at 96 and
# 144 PPI, as the engine paints them with the Glimmerveil skin:
#   tools/screenshots.sh [PPI ...]        (default: 96 144)
# writes build/screenshots/main-<ppi>.png and notice-<ppi>.png, and beside them the skin's
# preview sheet (glimmerveil-sheet.png: the look the skin's pictures give, at every density).
#
# Each PPI gets a Wine prefix of its own under build/screenshots (the tests' prefix keeps
# 96). A stand-in parse service on 127.0.0.1 answers that a login is needed, which is what
# makes the program show the notice window; a small driver (tools/screenshot_driver.win.cpp,
# built here with the cross compiler) types a link and presses the parse button.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
ppis=("$@")
[ ${#ppis[@]} -eq 0 ] && ppis=(96 144)

out=$root/build/screenshots
mkdir -p "$out"
exe=$root/build/win32/bin/Tarnwick.exe
if [ ! -f "$exe" ] || [ ! -f "$root/build/win32/bin/data/Glimmerveil.kpz" ]; then
  tools/setup.sh
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j "${TW_JOBS:-$(nproc)}" --target Tarnwick
fi

driver=$out/screenshot_driver.exe
if [ ! -f "$driver" ] || [ tools/screenshot_driver.win.cpp -nt "$driver" ]; then
  i686-w64-mingw32-g++-posix -std=c++17 -O2 -municode -static -o "$driver" tools/screenshot_driver.win.cpp
fi

python3 tools/skin/make_skin.py "$out/Glimmerveil" --sheet "$out/glimmerveil-sheet.png"

source tools/xvfb.sh
tw_start_xvfb

# The stand-in parse service: every POST is answered with a text that asks for a login.
portfile=$out/parse-port
rm -f "$portfile"
python3 - "$portfile" <<'PY' &
import http.server, sys
class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length") or 0))
        body = "请先登录".encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[1], "w") as f:
    f.write(str(server.server_address[1]))
server.serve_forever()
PY
server=$!
prefixes=()
cleanup() {
  kill "$server" 2>/dev/null || true
  for p in "${prefixes[@]}"; do WINEPREFIX=$p wineserver -k 2>/dev/null || true; done
  tw_stop_xvfb
}
trap cleanup EXIT
for i in $(seq 50); do [ -s "$portfile" ] && break; sleep 0.1; done
export TARNWICK_PARSE_URL="http://127.0.0.1:$(cat "$portfile")"

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
  prefix=$out/prefix-$ppi
  tools/wineprefix.sh "$prefix"
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
  sleep 2  # let it finish painting
  import -window "$main" "$out/main-$ppi.png"
  wine "$driver" "https://v.douyin.com/shot/" >/dev/null 2>&1 &
  if notice=$(window_named "Tarnwick"); then
    sleep 2
    import -window "$notice" "$out/notice-$ppi.png"
  else
    echo "[screenshots] $ppi PPI: the notice window did not appear" >&2
  fi
  wineserver -k 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  echo "[screenshots] $ppi PPI: $out/main-$ppi.png $( [ -f "$out/notice-$ppi.png" ] && echo "$out/notice-$ppi.png")"
done
