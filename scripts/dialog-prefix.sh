#!/usr/bin/env bash
# Prints the Wine prefix that dialog programs run in, creating it first as a
# copy of the suite's prefix: dialogs need a display, and the rest of the suite
# runs its own Wine server without one.
#   dialog-prefix.sh [DPI]   DPI other than 96: a prefix of its own whose text
#                            size (LogPixels) is that many dots per inch
set -euo pipefail
dpi=${1:-96}
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
if [ "$dpi" != 96 ]; then
    scaled=$prefix-${dpi}dpi
    if [ ! -f "$scaled/.velmora-dpi" ]; then
        rm -rf "$scaled"
        cp -a "$prefix" "$scaled"
        WINEPREFIX="$scaled" WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 reg add \
            'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null &&
            WINEPREFIX="$scaled" /usr/lib/wine/wineserver -w && touch "$scaled/.velmora-dpi"
    fi
    prefix=$scaled
fi
echo "$prefix"
