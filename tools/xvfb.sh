# Sourced by the scripts: starts one Xvfb for everything that follows, unless a display is set.
# Sets DISPLAY and registers its own clean-up on exit (a script with clean-up of its own calls
# tw_stop_xvfb from it). tools/test.sh starts more displays, one per display slot.
TW_XVFB_PIDS=()
TW_WINESERVER_PREFIXES=()

# Starts an Xvfb on a free display number and sets TW_NEW_DISPLAY to it (":n").
tw_new_xvfb() {
  local n i pid
  for n in $(seq 90 170); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    pid=$!
    for i in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    # Another script may have taken the same number at the same moment: ours then ends.
    if kill -0 "$pid" 2>/dev/null && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && kill -0 "$pid" 2>/dev/null; then
      TW_XVFB_PIDS+=("$pid")
      TW_NEW_DISPLAY=":$n"
      return 0
    fi
    kill "$pid" 2>/dev/null || true
  done
  echo "could not start Xvfb" >&2
  return 1
}

tw_start_xvfb() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  tw_new_xvfb || return 1
  export DISPLAY=$TW_NEW_DISPLAY
  trap 'tw_stop_xvfb' EXIT
}

tw_stop_xvfb() {
  local prefix pid
  for prefix in "${TW_WINESERVER_PREFIXES[@]}"; do
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done
  for pid in "${TW_XVFB_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  TW_WINESERVER_PREFIXES=()
  TW_XVFB_PIDS=()
}

# Keeps one wineserver alive for the whole run, so each test exe starts fast.
#   tw_start_wineserver <prefix> [wine loader, by default wine]
# Wine's desktop process of the prefix takes the display of DISPLAY at this moment.
tw_start_wineserver() {
  TW_WINESERVER_PREFIXES+=("$1")
  local wine=${2:-wine}
  WINEPREFIX=$1 wineserver -p 2>/dev/null || true
  # Start Wine's service and desktop processes now, detached from our output: started later
  # by a test they would inherit CTest's pipes and keep it waiting after the test ends.
  local loader_env=()
  [ "$wine" = wine ] || loader_env=(WINELOADER="$wine")
  env "${loader_env[@]}" WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
}
