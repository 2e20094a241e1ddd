#!/usr/bin/env bash
# Makes the Wine prefix the tests and the program run in:
#   tools/wineprefix.sh <prefix-dir> [win32|win64] [cjk-ui]
# Done once per build folder; a stamp file records that the prefix is complete. A win64 prefix
# (for the x86_64 build, tools/wine-preset.sh) is run by the 64-bit loader, called directly.
set -euo pipefail
prefix=$(realpath -m "$1")
# The stamp's number goes up when the settings below change, so older prefixes are remade.
stamp=$prefix/.tarnwick-ready-5
[ -f "$stamp" ] && exit 0

arch=${2:-win32}
wine=wine
if [ "$arch" = win64 ]; then
  wine=/usr/lib/wine/wine64
  export WINELOADER=$wine
fi
export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$prefix")"
log=$prefix.log
# Wine's first start can fail now and then on a busy machine (a helper process timing out):
# each step's output goes to a log that is shown when the step fails, and a failed creation is
# started again from an empty prefix.
step() {  # step <command...>: runs one Wine command, its output into the log
  "$@" >>"$log" 2>&1 && return 0
  local rc=$?
  echo "[wineprefix] failed ($rc): $*" >&2
  tail -n 40 "$log" >&2
  return "$rc"
}
boot() {
  rm -rf "$prefix"
  step "$wine" wineboot -i && step wineserver -w
}
: >"$log"
echo "[wineprefix] creating $prefix"
tries=1
until boot; do
  WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  if [ "$tries" -ge 3 ]; then
    echo "[wineprefix] could not create the prefix; Wine's output is in $log" >&2
    exit 1
  fi
  tries=$((tries + 1))
  echo "[wineprefix] starting again (attempt $tries)"
  sleep 2
done

reg=$(mktemp --suffix=.reg)
cat > "$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine]
"Version"="win10"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Decorated"="N"
; Windows not handed to a window manager: without one (Xvfb) Wine otherwise waits up to
; two seconds for each hidden or destroyed window to be withdrawn.
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"微软雅黑"="WenQuanYi Micro Hei"
"Microsoft YaHei"="WenQuanYi Micro Hei"
"Segoe UI"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"mscoree"=""
"mshtml"=""
REG
# regedit reads .reg files as UTF-16 when they start with a byte-order mark.
iconv -f UTF-8 -t UTF-16 "$reg" > "$reg.utf16"
step "$wine" regedit /S "$("$wine" winepath -w "$reg.utf16" 2>>"$log")"
step wineserver -w
rm -f "$reg" "$reg.utf16"
# cjk-ui, for the prefix the program is shown in: the system's own message boxes draw in
# Tahoma, which has no Chinese glyphs here, so it is linked to the CJK font first, as a
# Chinese Windows links its UI fonts to its own CJK font. The tests' prefix keeps Wine's
# links: with this one Wine draws Latin text of Tahoma through the linked font too.
if [ "${3:-}" = cjk-ui ]; then
  step "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei\0MSYH.TTC,Microsoft YaHei UI\0SIMSUN.TTC,SimSun' /f
  step wineserver -w
fi
# Wine draws the caption buttons of standard frames with the Marlett font, which a prefix
# made by wineboot lacks here: give it the one from Debian's fonts-wine.
cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
touch "$stamp"
echo "[wineprefix] ready"
