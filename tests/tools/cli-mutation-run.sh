#!/usr/bin/env bash
# Mutation run of the velmora command-line tool: 300 deterministic mutants of
# six real files (JPEG baseline and progressive, PNG with and without alpha,
# TIFF plain and LZW-tiled, all cut from samples/seeding.jpg).
#   cli-mutation-run.sh VELMORA FIXTURES SAMPLE.jpg WORKDIR [PER-SEED]
# Each mutant must be filtered or refused: never a signal or a hang, a refusal
# in one line, no temporary file left, and nothing libvips reports as damaged
# (a warning or a failure while it decodes the mutant) accepted without saying
# so. Every tenth mutant is also run with --accept-damaged, which must say so.
set -uo pipefail
velmora=$1 fixtures=$2 sample=$3 work=$4 per=${5:-50}
rm -rf "$work" && mkdir -p "$work/seeds" "$work/out"
failures=0 accepted=0 noticed=0 refused=0 damaged=0
fail() { echo "FAIL - $1"; failures=$((failures + 1)); }

vips crop "$sample" "$work/crop.v" 900 500 400 360 || exit 1
vips jpegsave "$work/crop.v" "$work/seeds/baseline.jpg" --Q 85
vips jpegsave "$work/crop.v" "$work/seeds/progressive.jpg" --Q 85 --interlace
vips pngsave "$work/crop.v" "$work/seeds/rgb.png"
vips black "$work/alpha.v" 400 360 && vips linear "$work/alpha.v" "$work/alpha8.v" 1 200 --uchar &&
    vips bandjoin "$work/crop.v $work/alpha8.v" "$work/seeds/rgba.png"
vips tiffsave "$work/crop.v" "$work/seeds/plain.tif"
vips tiffsave "$work/crop.v" "$work/seeds/tiled.tif" --compression lzw --tile --tile-width 128 --tile-height 128

# check MUTANT [OPTION]: one run of the tool on a mutant, judged against what libvips says of it.
check() {
    local mutant=$1 option=${2:-} oracle err rc lines
    local out="$work/out/out.tif"
    rm -f "$out"
    err=$(timeout 60 "$velmora" $option -o "$out" "$mutant" 2>&1); rc=$?
    lines=$(printf '%s' "$err" | grep -c '')
    if [ $rc -ge 124 ]; then fail "$mutant $option: exit $rc (a signal or a hang): $err"; return; fi
    if [ -n "$(find "$work/out" -name '.velmora-*')" ]; then fail "$mutant $option: temporary file left"; fi
    if [ $rc -ne 0 ]; then
        [ "$lines" -eq 1 ] || fail "$mutant $option: refusal not one line: $err"
        [ -z "$option" ] && echo "${err#*"$mutant": }" >>"$work/refusals.txt"
        [ -z "$option" ] && refused=$((refused + 1))
        return
    fi
    [ "$lines" -le 1 ] || fail "$mutant $option: more than one line: $err"
    if [ "$said_damaged" = yes ] && ! grep -Eq "damaged|note:" <<<"$err"; then
        fail "$mutant $option: libvips reports damage, accepted silently"
    fi
    if [ -z "$option" ]; then
        if [ -n "$err" ]; then noticed=$((noticed + 1)); else accepted=$((accepted + 1)); fi
    fi
}

start=$(date +%s)
n=0
for seed in "$work"/seeds/*; do
    name=$(basename "$seed")
    "$fixtures" mutate "$seed" "$work/${name%.*}" "$per" "$((n + 1))" || { fail "mutating $name"; continue; }
    n=$((n + 1))
    mutants=()
    for i in $(seq 0 $((per - 1))); do mutants+=("$work/${name%.*}-$i.${name##*.}"); done
    # What libvips says of each, in one process: a failure or any warning while decoding the whole image.
    "$fixtures" damage "${mutants[@]}" >"$work/damage.txt" 2>/dev/null || fail "libvips' verdicts on $name"
    for i in $(seq 0 $((per - 1))); do
        mutant=${mutants[$i]}
        said_damaged=no
        if grep -qxF "$mutant damaged" "$work/damage.txt"; then said_damaged=yes; damaged=$((damaged + 1)); fi
        check "$mutant"
        [ $((i % 10)) -eq 0 ] && check "$mutant" --accept-damaged
    done
done
total=$((n * per))
echo "$total mutants in $(( $(date +%s) - start )) s: libvips reports $damaged as damaged; the tool refused $refused," \
     "filtered $accepted silently and $noticed with a notice"
echo "refusals, by their reason's first words:"
sed -E 's/^([^:0-9(]*).*/\1/' "$work/refusals.txt" | sort | uniq -c | sort -rn | head -12
echo "$failures failed"
[ $failures -eq 0 ] && [ $total -eq $((6 * per)) ]
