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
# Windows not managed by a window manager: the virtual screen has none, and
# Wine waits two seconds for one at every window it hides.
if [ ! -f "$prefix/.velmora-unmanaged" ]; then
    WINEPREFIX="$prefix" WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 reg add \
        'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null &&
        WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w && touch "$prefix/.velmora-unmanaged"
fi
echo "$prefix"
