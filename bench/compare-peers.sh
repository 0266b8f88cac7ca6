#!/usr/bin/env bash
# Velmora against a peer: the GEGL shadows-highlights operation, on the same
# uncompressed 6000 x 4000 TIFF made from the bundled sample, at 8 bits and at
# 16 bits (each sample v x 257), whole processes from file to file (Velmora at
# its default settings, writing the input's depth; GEGL with shadows=40, writing
# 16-bit PPM). Runs alternate (velmora, GEGL, velmora, ...), with one thread and
# with all threads, and the medians, their ratio and the peak memory (maximum
# resident set) are printed.
#   bash bench/compare-peers.sh [RUNS]      (default 5 runs of each)
# Installs gegl and GNU time from Debian when they are missing; builds the
# native tool when it is not built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-5}
velmora=$root/build/native/velmora
work=$root/build/compare-peers
mkdir -p "$work"

missing=()
command -v gegl >/dev/null || missing+=(gegl)
[ -x /usr/bin/time ] || missing+=(time)
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
[ -x "$velmora" ] || bash "$root/scripts/build.sh" native >/dev/null

inputs=("$work/photo-6000x4000.tif" "$work/photo-6000x4000-16bit.tif")
if [ ! -f "${inputs[0]}" ]; then
    vips resize "$root/samples/seeding.jpg" "$work/resized.v" 2.5105 --vscale 2.9740
    vips tiffsave "$work/resized.v" "${inputs[0]}" --compression none
    rm -f "$work/resized.v"
fi
if [ ! -f "${inputs[1]}" ]; then
    vips linear "$root/samples/seeding.jpg" "$work/scaled.v" 257 0 && vips cast "$work/scaled.v" "$work/cast.v" ushort
    vips resize "$work/cast.v" "$work/resized.v" 2.5105 --vscale 2.9740
    vips copy "$work/resized.v" "$work/rgb16.v" --interpretation rgb16
    vips tiffsave "$work/rgb16.v" "${inputs[1]}" --compression none
    rm -f "$work/scaled.v" "$work/cast.v" "$work/resized.v" "$work/rgb16.v"
fi
for input in "${inputs[@]}"; do
    [ "$(vipsheader -f width "$input")x$(vipsheader -f height "$input")" = 6000x4000 ] ||
        { echo "compare-peers: $input is not 6000 x 4000" >&2; exit 1; }
done

# measure NAME THREADS INPUT: one run; prints "seconds peak-KiB".
measure() {
    local out input=$3
    if [ "$1" = velmora ]; then
        out=$(/usr/bin/time -f '%e %M' "$velmora" --overwrite --threads "$2" -o "$work/velmora.tif" "$input" 2>&1 >/dev/null)
    else
        # At its default settings the operation passes the image through: lift the shadows.
        out=$(GEGL_THREADS=$2 /usr/bin/time -f '%e %M' gegl "$input" -o "$work/gegl.ppm" -- gegl:shadows-highlights \
              shadows=40 2>&1 >/dev/null)
    fi
    tail -n 1 <<<"$out"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

all=$(nproc)
printf 'Velmora and GEGL shadows-highlights, 6000 x 4000 uncompressed TIFF, %d runs each, load %s\n' "$runs" \
    "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-6s %-10s %8s %12s %12s %14s %14s %8s\n' depth threads runs "velmora s" "GEGL s" "velmora MiB" "GEGL MiB" ratio
for depth in 8 16; do
    input=${inputs[$((depth / 16))]}
    for threads in 1 "$all"; do
        : >"$work/velmora.times"
        : >"$work/gegl.times"
        for ((i = 0; i < runs; i++)); do
            measure velmora "$threads" "$input" >>"$work/velmora.times"
            measure gegl "$threads" "$input" >>"$work/gegl.times"
        done
        vt=$(cut -d' ' -f1 "$work/velmora.times" | median)
        gt=$(cut -d' ' -f1 "$work/gegl.times" | median)
        vm=$(cut -d' ' -f2 "$work/velmora.times" | sort -n | tail -n 1)
        gm=$(cut -d' ' -f2 "$work/gegl.times" | sort -n | tail -n 1)
        awk -v d="$depth" -v t="$threads" -v r="$runs" -v vt="$vt" -v gt="$gt" -v vm="$vm" -v gm="$gm" 'BEGIN {
            printf "%-6s %-10s %8d %12.2f %12.2f %14.0f %14.0f %8.2f\n", d "-bit", t, r, vt, gt, vm / 1024, gm / 1024, vt / gt }'
    done
done
echo "(ratio: velmora's median time over GEGL's; MiB: the largest peak resident set of the runs)"
