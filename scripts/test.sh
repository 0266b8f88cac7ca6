#!/usr/bin/env bash
# The whole test suite: set-up, the native build with sanitizers, both Windows
# builds, then every test: native unit, scenario and end-to-end tests; the
# Windows unit tests, the scenario tests against the real Velmora.8bf and the
# dialog tests (a user driving its dialogs on a virtual X screen) under Wine;
# the byte identity of native, 64-bit and 32-bit outputs; the fault sweeps;
# valgrind's memcheck of the scenario tests; a short run of each fuzz target;
# and the release artefacts of scripts/package.sh (the installer under Wine,
# the archive, the Debian package).
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export VELMORA_WINEPREFIX=${VELMORA_WINEPREFIX:-$root/.wine}
export WINEPREFIX=$VELMORA_WINEPREFIX WINEDEBUG=-all
# Message boxes of the plug-in's error paths must not wait for a user.
unset DISPLAY

bash "$root/scripts/setup.sh" test || exit 1

# 32-bit Wine needs 32-bit Linux programs to run (natively or through the
# emulator set up by setup.sh), and may not have been installable today.
win32_runs=no
if [ -x /usr/lib/wine/wine ] && dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" &&
   QEMU_RESERVED_VA=0xffff0000 timeout 60 /usr/lib/wine/wine --version >/dev/null 2>&1; then
    win32_runs=yes
fi
win32_not_run() {
    echo "!! win32 tests NOT RUN: 32-bit Wine is not installed or cannot start on this machine;"
    echo "!! build/win32/Velmora.8bf is built, but none of its tests ran."
}
[ $win32_runs = yes ] || win32_not_run
[ "${1:-}" = --setup-only ] && exit 0

export VELMORA_WIN64_DIR=$root/build/win64
bash "$root/scripts/build.sh" win64 || exit 1
# The 32-bit test programs only where they can run; the DLL always.
if [ $win32_runs = yes ]; then
    export VELMORA_WIN32_DIR=$root/build/win32
    bash "$root/scripts/build.sh" win32 || exit 1
else
    bash "$root/scripts/build.sh" win32-dll || exit 1
fi
bash "$root/scripts/build.sh" native-asan || exit 1
# The native build without sanitizers: valgrind, and the tests that compare
# pixels (identity of the builds, GEGL against the tool, round trips, alpha);
# the clang build of the fuzz targets.
bash "$root/scripts/build.sh" native || exit 1
bash "$root/scripts/fuzz.sh" --build-only || exit 1
# The release artefacts, which the packaging tests check; the tool is packaged
# from the native build just made.
VELMORA_TOOL_BUILD=native bash "$root/scripts/package.sh" || exit 1

# One Wine server for the whole run, with Wine's own service processes started
# here, outside the test runner: processes that outlive a test and hold its
# output open would make the runner wait for them.
/usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null || true
WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 </dev/null || true
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT

status=0
# run_ctest BUILD [REGEX] [JOBS]: the tests of one build, JOBS at a time.
run_ctest() {
    echo "== tests: $1${2:+ ($2)}"
    (cd "$root/build/$1" && ctest --output-on-failure -j "${3:-1}" ${2:+-R "$2"}) || status=1
}
# The native tests and the fuzz targets run two at a time: each is one process
# that shares no prefix, folder or server with another. The Windows tests run
# one at a time: the dialog tests time what a user sees.
run_ctest native-asan '' 2
run_ctest native '^(valgrind_.*|setup_scripts|cross_build_identity|gegl_command|cli_alpha|cli_round_trip)$' 2
run_ctest fuzz '^fuzz_' 2
run_ctest win64
if [ $win32_runs = yes ]; then run_ctest win32; else win32_not_run; fi
exit $status
