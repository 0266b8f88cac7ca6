#!/usr/bin/env bash
# The main job: installs what the command-line tool needs, builds the tool
# alone, and filters the bundled sample photo with it into
# build/seeding-velmora.jpg. Running it again installs and rebuilds nothing.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/setup.sh" tool
echo "== building the command-line tool (build/tool/velmora)"
bash "$root/scripts/build.sh" tool
"$root/build/tool/velmora" --overwrite --brightness 12 --color 0 -o "$root/build/seeding-velmora.jpg" "$root/samples/seeding.jpg"
echo "Filtered $root/samples/seeding.jpg -> $root/build/seeding-velmora.jpg"
