#!/usr/bin/env bash
# Runs the GEGL graph test, under valgrind's memcheck when its suppressions
# are given (any error or leak fails it). GEGL is given the build folder and a
# folder with the two of its own modules the graphs use, gegl-core and
# gegl-common: the others load libraries whose start-up blocks valgrind and
# LeakSanitizer would report, and one of them probes an instruction valgrind
# cannot run. (GEGL reads GEGL_PATH's folders and the folders below them.)
#   run-graph-test.sh GRAPH_TEST BUILD_DIR GEGL_OPERATIONS_DIR [VALGRIND_SUPPRESSIONS]
set -euo pipefail
test=$1 build=$2 system=$3 suppressions=${4:-}
modules=$(mktemp -d)
trap 'rm -rf "$modules"' EXIT
for module in gegl-core gegl-common; do ln -s "$system/$module.so" "$modules/$module.so"; done
export GEGL_PATH=$build:$modules
if [ -z "$suppressions" ]; then
    "$test" --gtest_brief=1
else
    valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
        --show-leak-kinds=definite,indirect --suppressions="$suppressions" "$test" --gtest_brief=1
fi
