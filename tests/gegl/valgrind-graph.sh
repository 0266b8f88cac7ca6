#!/usr/bin/env bash
# valgrind's memcheck of the GEGL graph test: any error or leak fails it.
# valgrind cannot run an instruction that a library of GEGL's video modules
# probes when it is loaded, so GEGL is given, beside the build folder, a
# folder with the two modules the graphs use (GEGL reads GEGL_PATH's folders
# and the folders below them).
#   valgrind-graph.sh GRAPH_TEST BUILD_DIR GEGL_OPERATIONS_DIR SUPPRESSIONS
set -euo pipefail
test=$1 build=$2 system=$3 suppressions=$4
modules=$(mktemp -d)
trap 'rm -rf "$modules"' EXIT
for module in gegl-core gegl-common; do ln -s "$system/$module.so" "$modules/$module.so"; done
GEGL_PATH=$build:$modules exec valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    --suppressions="$suppressions" "$test" --gtest_brief=1
