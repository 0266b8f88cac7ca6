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
          wine wine64 wine32:i386 qemu-user-static xvfb xauth x11-apps imagemagick
          nsis lintian dpkg-dev zip unzip
          clang libclang-rt-14-dev llvm valgrind)

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

# 32-bit Wine is a 32-bit Linux program. Where the kernel cannot run those
# ("Exec format error"), run them through qemu's user-mode emulator instead.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
    if [ -e "$binfmt/register" ] && [ ! -e "$binfmt/qemu-i386" ]; then
        echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
            $sudo tee "$binfmt/register" >/dev/null || true
    fi
fi
# Under the emulator, 32-bit Wine needs the guest address space reserved up to
# just below 4 GiB (harmless elsewhere).
export QEMU_RESERVED_VA=0xffff0000

# The tests' own Wine prefix, made once (with its 32-bit half where 32-bit Wine runs).
export WINEPREFIX=${VELMORA_WINEPREFIX:-$here/../.wine}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "setup: creating the Wine prefix $WINEPREFIX"
    WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64 WINEDLLOVERRIDES="mscoree,mshtml=" \
        /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
    WINEDEBUG=-all WINEPREFIX="$WINEPREFIX" /usr/lib/wine/wineserver -w || true
fi
