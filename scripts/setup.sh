#!/usr/bin/env bash
# Installs, only when missing, every Debian package the builds and tests need,
# and creates the private Wine prefix of the tests. Safe to run again.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

packages=(build-essential cmake ninja-build pkg-config libgtest-dev googletest libbenchmark-dev
          libvips-dev libvips-tools libstb-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          wine wine64 wine32:i386 xvfb xauth x11-apps imagemagick)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The tests' own Wine prefix, made once.
export WINEPREFIX=${VELMORA_WINEPREFIX:-$here/../.wine}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setup: creating the Wine prefix $WINEPREFIX"
    WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64 WINEDLLOVERRIDES="mscoree,mshtml=" \
        /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
    WINEDEBUG=-all WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver -w || true
fi
