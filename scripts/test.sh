#!/usr/bin/env bash
# The whole test suite: set-up, the native build with sanitizers, both Windows
# builds, then every test: native unit, scenario and end-to-end tests; the
# Windows unit tests and the scenario tests against the real Velmora.8bf under
# Wine; and the byte identity of native, 64-bit and 32-bit outputs.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export VELMORA_WINEPREFIX=${VELMORA_WINEPREFIX:-$root/.wine}
export WINEPREFIX=$VELMORA_WINEPREFIX WINEDEBUG=-all
# Message boxes of the plug-in's error paths must not wait for a user.
unset DISPLAY

bash "$root/scripts/setup.sh" || exit 1

# 32-bit Wine needs a kernel that runs 32-bit Linux programs; probe it once.
win32_runs=no
probe() {
    bash "$root/scripts/build.sh" win32 >/dev/null || return 1
    timeout 120 "$root/scripts/wine-run" "$root/build/win32/velmora_unit_tests.exe" --gtest_list_tests >/dev/null 2>&1
}
if probe; then win32_runs=yes; fi

bash "$root/scripts/build.sh" win64 || exit 1
if [ $win32_runs = yes ]; then export VELMORA_WIN32_DIR=$root/build/win32; fi
bash "$root/scripts/build.sh" win32 native-asan || exit 1

# One Wine server for the whole run, with Wine's own service processes started
# here, outside the test runner: processes that outlive a test and hold its
# output open would make the runner wait for them.
/usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null || true
WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 </dev/null || true
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT

status=0
run_ctest() {
    echo "== tests: $1"
    (cd "$root/build/$1" && ctest --output-on-failure) || status=1
}
run_ctest native-asan
run_ctest win64
if [ $win32_runs = yes ]; then
    run_ctest win32
else
    echo "== tests: win32 not run: this machine's kernel cannot run 32-bit Linux programs, so 32-bit Wine"
    echo "   cannot start; build/win32/Velmora.8bf was built and its tests compiled."
fi
exit $status
