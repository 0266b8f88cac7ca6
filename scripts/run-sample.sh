#!/usr/bin/env bash
# The main job: set up, build, and filter the bundled sample photo with the
# velmora command-line tool. The result is written to build/seeding-velmora.jpg.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" native
"$root/build/native/velmora" --overwrite --brightness 12 --color 0 -o "$root/build/seeding-velmora.jpg" "$root/samples/seeding.jpg"
echo "Filtered $root/samples/seeding.jpg -> $root/build/seeding-velmora.jpg"
