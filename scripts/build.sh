#!/usr/bin/env bash
# Configures and builds one or more of the builds into build/<name>:
#   tool        Release: the command-line tool alone (no tests), quietly
#   native      Release: the command-line tool, tests and benchmarks
#   native-asan the tests with address and undefined-behaviour sanitizers
#   win32       MinGW-w64 i686: build/win32/Velmora.8bf (PE32) and its test programs
#   win32-dll   the same build folder, Velmora.8bf alone (what packaging needs)
#   win64       MinGW-w64 x86_64: build/win64/Velmora.8bf (PE32+) and its test programs
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ $# -gt 0 ] || set -- all
[ "$1" = all ] && set -- native native-asan win32 win64
for name in "$@"; do
    args=() targets=() quiet=()
    case $name in
        tool) args=(-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON)
              targets=(--target velmora velmora_deb_docs) quiet=(-- --quiet) ;;
        native) args=(-DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON
                      -DVELMORA_WIN64_DIR="${VELMORA_WIN64_DIR:-}" -DVELMORA_WIN32_DIR="${VELMORA_WIN32_DIR:-}") ;;
        native-asan) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_SANITIZE=ON
                           -DVELMORA_WIN64_DIR="$root/build/win64" -DVELMORA_WIN32_DIR="${VELMORA_WIN32_DIR:-}") ;;
        win32-dll) name=win32 targets=(--target Velmora)
                   args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake") ;;
        win32) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake") ;;
        win64) args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw.cmake") ;;
        *) echo "build.sh: unknown build '$name'" >&2; exit 2 ;;
    esac
    cmake -S "$root" -B "$root/build/$name" -G Ninja "${args[@]}" >/dev/null
    cmake --build "$root/build/$name" -j2 "${targets[@]}" "${quiet[@]}"
done
