#!/usr/bin/env bash
# Installs everything the build and the tests need on a Debian 12 machine (run as root).
# Idempotent: each step checks first and returns at once when its work is already done.
set -euo pipefail

log() { printf '[setup] %s\n' "$*"; }

need_pkgs=()
want() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || need_pkgs+=("$1"); }

export DEBIAN_FRONTEND=noninteractive

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  log "adding the i386 architecture"
  dpkg --add-architecture i386
  apt_dirty=1
fi

src_list=/etc/apt/sources.list.d/tarnwick-src.sources
if [ ! -f "$src_list" ]; then
  log "adding a deb-src entry for bookworm main"
  cat > "$src_list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt_dirty=1
fi

for p in wine wine32:i386 wine64 g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
         libz-mingw-w64-dev cmake ninja-build xvfb xauth x11-utils imagemagick googletest \
         fonts-font-awesome fonts-wqy-microhei fonts-wine ffmpeg python3 curl openssl nasm dpkg-dev \
         clang libclang-rt-14-dev zlib1g-dev libjpeg62-turbo-dev libpng-dev libpixman-1-dev libspng-dev \
         libbenchmark-dev libgtest-dev pkg-config clang-format; do
  want "$p"
done
# A kernel without IA-32 emulation runs no i386 programs, so Wine's 32-bit half cannot start:
# the Windows tests then run a 64-bit build under the 64-bit Wine (tools/test.sh).
if [ "$("$(dirname "$0")/wine-preset.sh")" = win32 ]; then
  win64_tests=
else
  win64_tests=1
  log "the Windows tests run a 64-bit build here (no i386 programs, or TW_WINE_PRESET): setting it up"
  for p in g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64; do want "$p"; done
fi

# A mirror that is syncing can fail one index now and then; retry, then go on with what we have.
apt_update() {
  local i
  for i in 1 2 3; do
    apt-get update -qq && return 0
    log "apt-get update failed (attempt $i), retrying"; sleep $((i * 5))
  done
  log "warning: some package indexes could not be refreshed"
}

if [ ${#need_pkgs[@]} -gt 0 ]; then
  log "installing: ${need_pkgs[*]}"
  apt_update
  apt-get install -y -q -t bookworm --no-install-recommends "${need_pkgs[@]}"
elif [ -n "${apt_dirty:-}" ]; then
  apt_update
fi
log "packages ready"

# libjpeg for the Windows target: built once from Debian's source package, outside the repo.
deps=${TARNWICK_DEPS:-/opt/tarnwick-deps}
here=$(cd "$(dirname "$0")/.." && pwd)
build_libjpeg() {  # build_libjpeg <arch> (i686 or x86_64): into $deps/libjpeg-<arch>
  local arch=$1 jpeg_prefix=$deps/libjpeg-$1
  if [ ! -f "$jpeg_prefix/lib/libjpeg.a" ]; then
    log "building libjpeg for $arch-w64-mingw32 into $jpeg_prefix"
    local work=$deps/src-$arch
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && apt-get source -qq --download-only libjpeg-turbo >/dev/null 2>&1 || { apt_update; cd "$work" && apt-get source -qq --download-only libjpeg-turbo; })
    (cd "$work" && dpkg-source -x --no-check ./libjpeg-turbo_*.dsc libjpeg-turbo >/dev/null)
    cmake -S "$work/libjpeg-turbo" -B "$work/build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF \
      -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -Wno-dev >/dev/null 2>&1
    cmake --build "$work/build" --target install >/dev/null
    rm -rf "$work"
  fi
  log "libjpeg ready: $jpeg_prefix"
}
build_libjpeg i686
[ -n "$win64_tests" ] && build_libjpeg x86_64
true
