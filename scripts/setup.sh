#!/usr/bin/env bash
# Installs, only when missing, the Debian packages that one role needs, and for
# the tests the private Wine prefix. Safe to run again: what is there is left.
#
#   setup.sh [tool|test]
#
#   tool   what the command-line tool needs to build and run (the main job)
#   test   everything the test suite and the release packages need (default)
#
# A package index that fails to download is retried once and then reported;
# set-up goes on with the indexes it has. A required package that cannot be
# installed ends set-up with one line naming it. 32-bit Wine is optional: when
# it cannot be installed, the 32-bit DLL is still built and its tests are
# reported as not run.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
role=${1:-test}

tool_packages=(build-essential cmake ninja-build pkg-config libvips-dev)
test_packages=(libgtest-dev googletest libbenchmark-dev libvips-tools libstb-dev
               g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
               wine wine64 qemu-user-static xvfb xauth x11-apps imagemagick
               nsis lintian dpkg-dev zip unzip
               clang libclang-rt-14-dev llvm valgrind libimage-exiftool-perl libgegl-dev gegl)
optional_packages=(wine32:i386)
case $role in
    tool) required=("${tool_packages[@]}"); optional=() ;;
    test) required=("${tool_packages[@]}" "${test_packages[@]}"); optional=("${optional_packages[@]}") ;;
    *) echo "setup: unknown role '$role' (tool or test)" >&2; exit 2 ;;
esac

log=${TMPDIR:-/tmp}/velmora-setup.log
: > "$log" 2>/dev/null || log=/dev/null
fail() { echo "setup: $*" >&2; exit 1; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing_of() {
    local p
    for p in "$@"; do installed "$p" || echo "$p"; done
}
mapfile -t missing_required < <(missing_of "${required[@]}")
mapfile -t missing_optional < <(missing_of "${optional[@]}")

# Installing needs root: directly, or through sudo. The stand-ins of the set-up
# test are found on PATH, so apt-get is named by its full path (sudo would
# otherwise look only in its own secure path).
as_root=()
need_root() {
    [ "$(id -u)" -eq 0 ] && return 0
    command -v sudo >/dev/null ||
        fail "installing $* needs root, and sudo is missing: run this as root, or install those packages"
    sudo -v 2>/dev/null ||
        fail "installing $* needs root, and sudo refused: run this as root, or install those packages"
    as_root=(sudo)
}
apt_get() { "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive "$(command -v apt-get)" "$@"; }

# Why an apt-get run failed, in a few words, from what it printed.
apt_cause() {
    local out=$1
    if grep -q "Read-only file system" "$out"; then echo "the file system is read-only"
    elif grep -qiE "Could not resolve|Temporary failure resolving|Failed to fetch|Unable to connect|Network is unreachable" "$out"
    then echo "the packages could not be downloaded (no network, or the mirror cannot be reached)"
    elif grep -qE "Unable to locate package|has no installation candidate" "$out"
    then echo "apt does not know it (is it spelled right? is the package index current?)"
    elif grep -qiE "unmet dependencies|broken packages|Depends:" "$out"
    then echo "its dependencies cannot be resolved on this mirror today"
    elif grep -qE "Could not open lock|Unable to acquire the dpkg frontend lock" "$out"
    then echo "another package manager is running; wait for it and run this again"
    else echo "apt-get failed (details: $log)"
    fi
}

# The package index, once, and only when something has to be installed.
updated=no
update_index() {
    [ $updated = yes ] && return 0
    updated=yes
    local out
    out=$(mktemp)
    for attempt in 1 2; do
        if apt_get update -q >"$out" 2>&1 && ! grep -qE "^(W|E): (Failed to fetch|Some index files)" "$out"; then
            rm -f "$out"; return 0
        fi
        cat "$out" >> "$log"
        [ $attempt = 1 ] && sleep 2
    done
    if grep -q "Read-only file system" "$out"; then rm -f "$out"; fail "cannot update the package index: the file system is read-only"; fi
    local failed
    failed=$(grep -E "^(W|E): Failed to fetch" "$out" | head -1 | sed -E 's/^(W|E): Failed to fetch +([^ ]+).*/\2/')
    echo "setup: the package index is incomplete after a retry (${failed:-$(apt_cause "$out")}); going on with the indexes there are"
    rm -f "$out"
}

# install_packages WHAT THEN PACKAGE...: installs them in one step. On failure,
# says in one line which of them cannot be installed, why, and THEN; returns 1.
install_packages() {
    local what=$1 then=$2 out
    shift 2
    out=$(mktemp)
    echo "setup: installing $what: $*"
    if apt_get install -y -q "$@" >"$out" 2>&1; then rm -f "$out"; return 0; fi
    # An install cut short earlier leaves dpkg asking to be finished first.
    if grep -q "dpkg was interrupted" "$out"; then
        "${as_root[@]}" dpkg --configure -a >>"$log" 2>&1
        if apt_get install -y -q "$@" >"$out" 2>&1; then rm -f "$out"; return 0; fi
    fi
    cat "$out" >> "$log"
    local p bad=()
    for p in "$@"; do
        apt_get install -s -q "$p" >/dev/null 2>&1 || bad+=("$p")
    done
    [ ${#bad[@]} -gt 0 ] || bad=("$@")
    echo "setup: cannot install ${bad[*]}: $(apt_cause "$out"); $then" >&2
    rm -f "$out"
    return 1
}

if [ ${#missing_required[@]} -gt 0 ] || [ ${#missing_optional[@]} -gt 0 ]; then
    need_root "${missing_required[@]}" "${missing_optional[@]}"
fi
if [ ${#missing_required[@]} -gt 0 ]; then
    update_index
    install_packages "what the $role role needs" "set-up stopped: mend that and run it again" \
        "${missing_required[@]}" || exit 1
fi

# 32-bit Wine, for the 32-bit DLL's tests: its own step, so that a mirror that
# cannot resolve it today keeps nothing else from being installed.
if [ ${#missing_optional[@]} -gt 0 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386 >>"$log" 2>&1
        updated=no
    fi
    update_index
    install_packages "32-bit Wine (optional)" \
        "the 32-bit DLL is still built, but its tests will not run (NOTE: 32-bit Wine missing)" \
        "${missing_optional[@]}" 2>&1 || true
fi

[ "$role" = test ] || exit 0

# 32-bit Wine is a 32-bit Linux program. Where the kernel cannot run those
# ("Exec format error"), run them through qemu's user-mode emulator instead.
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e "$binfmt/register" ] || "${as_root[@]}" mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
    if [ -e "$binfmt/register" ] && [ ! -e "$binfmt/qemu-i386" ]; then
        echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' |
            "${as_root[@]}" tee "$binfmt/register" >/dev/null 2>&1 || true
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
    [ -f "$WINEPREFIX/system.reg" ] || fail "the Wine prefix $WINEPREFIX could not be created (is the folder writable?)"
fi
exit 0
