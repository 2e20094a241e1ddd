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
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
echo "[wineprefix] creating $prefix"
"$wine" wineboot -i >/dev/null 2>&1
wineserver -w

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
"$wine" regedit /S "$("$wine" winepath -w "$reg.utf16")" >/dev/null 2>&1
wineserver -w
rm -f "$reg" "$reg.utf16"
# cjk-ui, for the prefix the program is shown in: the system's own message boxes draw in
# Tahoma, which has no Chinese glyphs here, so it is linked to the CJK font first, as a
# Chinese Windows links its UI fonts to its own CJK font. The tests' prefix keeps Wine's
# links: with this one Wine draws Latin text of Tahoma through the linked font too.
if [ "${3:-}" = cjk-ui ]; then
  "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei\0MSYH.TTC,Microsoft YaHei UI\0SIMSUN.TTC,SimSun' /f >/dev/null 2>&1
  wineserver -w
fi
# Wine draws the caption buttons of standard frames with the Marlett font, which a prefix
# made by wineboot lacks here: give it the one from Debian's fonts-wine.
cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
touch "$stamp"
echo "[wineprefix] ready"
