#!/usr/bin/env bash
# Times opening the dialog and one preview recomputation on a 24-megapixel
# photo, through the real 64-bit (or, with "win32", 32-bit) DLL under Wine.
#   bash bench/run-dialog-bench.sh [win64|win32] [PHOTO]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-win64}
photo=${2:-$root/../shared/photos/kleiber.jpg}
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" "$build"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert "$photo" -resize '6000x4000!' "$work/photo.ppm"
export VELMORA_WINEPREFIX=$("$root/scripts/dialog-prefix.sh")
xvfb-run -a -s "-screen 0 1600x1200x24" "$root/scripts/wine-run" "$root/build/$build/bench/velmora_dialog_bench.exe" \
    "$root/build/$build/Velmora.8bf" "Z:${work//\//\\}\\photo.ppm"
