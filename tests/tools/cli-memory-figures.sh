#!/usr/bin/env bash
# Peak resident memory of whole velmora runs at several sizes, the figures
# behind the tool's memory estimate (tools/velmora/MemoryBudget.cpp):
#   cli-memory-figures.sh VELMORA SAMPLE.jpg WORKDIR
# Prints, per size, the pixels, the peak resident set and the bytes per pixel
# above the process's own 35 MB or so.
set -euo pipefail
velmora=$1 sample=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
printf '%12s %10s %10s %8s\n' pixels "peak MiB" "B/pixel" seconds
for scale in 0.8 1.6 2.5 3.5 5; do
    vips resize "$sample" "$work/in.jpg" "$scale"
    pixels=$(( $(vipsheader -f width "$work/in.jpg") * $(vipsheader -f height "$work/in.jpg") ))
    rm -f "$work/out.jpg"
    /usr/bin/time -f "%M %e" -o "$work/time.txt" "$velmora" -o "$work/out.jpg" "$work/in.jpg"
    read -r kib seconds <"$work/time.txt"
    awk -v p="$pixels" -v k="$kib" -v s="$seconds" \
        'BEGIN { printf "%12d %10.0f %10.1f %8.2f\n", p, k / 1024, (k * 1024 - 35e6) / p, s }'
done
