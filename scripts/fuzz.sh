#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build/fuzz and runs each for a
# long time, one after another (one process each: the cores are shared):
#
#   fuzz.sh [--runs N] [--time SECONDS] [--build-only] [--keep] [target...]
#
#   --runs N       executions per target (default 10000000)
#   --time S       at most S seconds per target (default 3600)
#   --build-only   configure and build, run nothing
#   --keep         afterwards, add to each target's kept corpus
#                  fuzz/corpus/<target> the new inputs that add coverage
#   target         script_descriptor, registry_settings, registry_file,
#                  pipl_reader, tiff_directory, jpeg_head, png_head
#                  (default: all seven)
#
# Each target starts from its kept corpus and from the inputs of earlier runs
# (build/fuzz/work/<target>/corpus). Prints executions and findings per target;
# a finding is kept in build/fuzz/work/<target>/findings/ (replay it with
# `build/fuzz/fuzz/fuzz_<target> FILE`). Exits non-zero when anything was found.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$root/build/fuzz
runs=10000000 seconds=3600 build_only=no keep=no targets=()
while [ $# -gt 0 ]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --time) seconds=$2; shift 2 ;;
        --build-only) build_only=yes; shift ;;
        --keep) keep=yes; shift ;;
        -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
        *) targets+=("$1"); shift ;;
    esac
done
[ ${#targets[@]} -gt 0 ] || targets=(script_descriptor registry_settings registry_file pipl_reader tiff_directory jpeg_head png_head)

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_FUZZ=ON \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || exit 1
cmake --build "$build" -j2 --target velmora_fuzzers || exit 1
[ $build_only = yes ] && exit 0

status=0
for t in "${targets[@]}"; do
    fuzzer=$build/fuzz/fuzz_$t
    if [ ! -x "$fuzzer" ]; then
        echo "fuzz.sh: no target $t" >&2
        status=2
        continue
    fi
    "$root/fuzz/run-target.sh" "$fuzzer" "$root/fuzz/corpus/$t" "$build/work/$t" "$seconds" -runs="$runs" ||
        status=1
    if [ $keep = yes ]; then
        merged=$build/work/$t/merged
        # Every kept input stays (some are regression inputs); new ones join
        # only when they add coverage.
        rm -rf "$merged" && mkdir -p "$merged" && cp "$root/fuzz/corpus/$t"/* "$merged"/
        "$fuzzer" -merge=1 "$merged" "$build/work/$t/corpus" >/dev/null 2>&1 &&
            cp -n "$merged"/* "$root/fuzz/corpus/$t"/ &&
            echo "fuzz_$t: kept corpus now $(find "$root/fuzz/corpus/$t" -type f | wc -l) inputs"
    fi
done
exit $status
