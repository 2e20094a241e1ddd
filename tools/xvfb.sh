# Sourced by the scripts: starts one Xvfb for everything that follows, unless a display is set.
# Sets DISPLAY and registers its own clean-up on exit.
tw_start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    TW_XVFB_PID=$!
    local i
    for i in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$TW_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      trap 'tw_stop_xvfb' EXIT
      return 0
    fi
  done
  echo "could not start Xvfb" >&2
  return 1
}

tw_stop_xvfb() {
  [ -n "${TW_WINESERVER_PREFIX:-}" ] && WINEPREFIX=$TW_WINESERVER_PREFIX wineserver -k 2>/dev/null || true
  [ -n "${TW_XVFB_PID:-}" ] && kill "$TW_XVFB_PID" 2>/dev/null || true
}

# Keeps one wineserver alive for the whole run, so each test exe starts fast.
#   tw_start_wineserver <prefix> [wine loader, by default wine]
tw_start_wineserver() {
  TW_WINESERVER_PREFIX=$1
  local wine=${2:-wine}
  WINEPREFIX=$1 wineserver -p 2>/dev/null || true
  # Start Wine's service and desktop processes now, detached from our output: started later
  # by a test they would inherit CTest's pipes and keep it waiting after the test ends.
  local loader_env=()
  [ "$wine" = wine ] || loader_env=(WINELOADER="$wine")
  env "${loader_env[@]}" WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
}
