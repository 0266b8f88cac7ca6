#!/usr/bin/env bash
# Prints the Wine prefix that dialog programs run in, creating it first as a
# copy of the suite's prefix: dialogs need a display, and the rest of the suite
# runs its own Wine server without one.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
main_prefix=${VELMORA_WINEPREFIX:-$root/.wine}
prefix=$main_prefix-dialogs
if [ ! -f "$prefix/system.reg" ]; then
    rm -rf "$prefix"
    cp -a "$main_prefix" "$prefix"
fi
echo "$prefix"
