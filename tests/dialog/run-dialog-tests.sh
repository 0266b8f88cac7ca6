#!/usr/bin/env bash
# Runs the dialog tests under Wine on a virtual X screen, in a Wine prefix of
# their own: the rest of the suite runs without a display, so that the
# plug-in's message boxes there never wait for a user.
#   run-dialog-tests.sh TESTS.exe Velmora.8bf PHOTO SCREENSHOT_DIR [ODD_SIZED_PHOTO]
# The photo is scaled to 1600 pixels wide at most; the odd-sized one is taken as it is.
set -euo pipefail
tests=$1 plugin=$2 photo=$3 shots=$4 odd=${5:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
# VELMORA_DIALOG_DPI: the text size of the screen (96 unless named).
prefix=$("$root/scripts/dialog-prefix.sh" "${VELMORA_DIALOG_DPI:-96}")

mkdir -p "$shots"
work=$(mktemp -d)
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
convert "$photo" -resize 1600x1600 "$work/photo.ppm"
[ -z "$odd" ] || convert "$odd" "$work/odd.ppm"

export VELMORA_WINEPREFIX=$prefix VELMORA_PLUGIN=$plugin
winepath_of() { echo "Z:${1//\//\\}"; }
export VELMORA_DIALOG_PHOTO=$(winepath_of "$work/photo.ppm")
[ -z "$odd" ] || export VELMORA_DIALOG_PHOTO_ODD=$(winepath_of "$work/odd.ppm")
export VELMORA_SCREENSHOTS=$(echo "Z:${shots//\//\\}")
# No web browser: Help's shell open fails the same way on every machine.
export WINEDLLOVERRIDES="mscoree,mshtml=;winebrowser.exe=d"
# VELMORA_DIALOG_SCREEN: the virtual screen (a 1600 x 1200 monitor unless named).
xvfb-run -a -s "-screen 0 ${VELMORA_DIALOG_SCREEN:-1600x1200x24}" "$root/scripts/wine-run" "$tests" --gtest_brief=1
