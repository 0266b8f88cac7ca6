#!/usr/bin/env bash
# The gegl command with the operation, against velmora, on real photos:
#   gegl IN.png -o OUT.png -- velmora:shadow-recovery brightness=B color=C
# gives the pixels of velmora -b B -c C IN.png (gegl writes PNG at 16 bits, so
# each of its samples must be 257 times velmora's byte), with and without
# alpha; on 16-bit PNGs the pixels of velmora's 16-bit result (the deep path). A CMYK file and a generator's pattern come out as gegl writes them
# without the operation, and the operation says why.
#   gegl-command-test.sh VELMORA PHOTOS_DIR WORK_DIR
# GEGL_PATH names the build folder and GEGL's own. What the gegl program says
# of its own caches at exit is not the operation's concern; the operation's
# warnings name it. Exit code 77 (skipped) when the photos are missing.
set -euo pipefail
velmora=$1 photos=$2 work=$3
for photo in brushes life seeding; do
    [ -f "$photos/$photo.jpg" ] || { echo "skipped: $photos/$photo.jpg is missing"; exit 77; }
done
# A build with the sanitizers names their runtime, which gegl alone must load first.
gegl() { LD_PRELOAD=${VELMORA_GEGL_PRELOAD:-} command gegl "$@"; }
rm -rf "$work"
mkdir -p "$work/velmora"
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Every sample of $1 equals $3 times the same sample of $2, in as many bands.
samples_match() {
    [ "$(vipsheader -f bands "$1")" = "$(vipsheader -f bands "$2")" ] || return 1
    vips linear "$2" scaled.v "$3" 0 && vips relational "$1" scaled.v equal.v equal &&
        [ "$(vips min equal.v)" = 255.000000 ]
}

# About 1.5 megapixels of each: the whole of one photo, the middle of two.
vips copy "$photos/brushes.jpg" brushes.png
vips crop "$photos/life.jpg" life.png 744 478 1600 1100
vips crop "$photos/seeding.jpg" seeding.png 1856 944 1600 1100
# Alpha that varies across the picture: its own green band.
vips extract_band brushes.png green.v 1
vips bandjoin "brushes.png green.v" brushes-alpha.png
vips extract_band life.png green.v 1
vips bandjoin "life.png green.v" life-alpha.png
# 16-bit versions: each sample v becomes v * 257.
for name in seeding life-alpha; do
    vips linear "$name.png" wide.v 257 0 && vips cast wide.v ushort.v ushort &&
        vips copy ushort.v "$name-16.png" --interpretation rgb16
done

echo "== the same pixels as velmora"
# Each photo at the two ends and the middle of both ranges; alpha at two of them.
runs="0,-2:brushes,life,seeding 10,0:brushes,life,seeding,brushes-alpha,seeding-16 20,2:brushes,life,seeding,life-alpha"
runs="$runs 20,-2:life-alpha-16"
for run in $runs; do
    settings=${run%%:*} b=${run%%,*} c=${settings#*,}
    IFS=, read -r -a inputs <<< "${run#*:}"
    for name in "${inputs[@]}"; do
        "$velmora" -b "$b" -c "$c" --overwrite "$name.png" -o "velmora/$name.png" > /dev/null
        gegl "$name.png" -o gegl.png -- velmora:shadow-recovery brightness="$b" color="$c" 2> gegl.err ||
            { fail "gegl on $name.png ($b, $c): $(cat gegl.err)"; continue; }
        grep -q velmora gegl.err && fail "the operation on $name.png ($b, $c) said: $(cat gegl.err)"
        scale=257
        [[ $name == *-16 ]] && scale=1
        if samples_match gegl.png "velmora/$name.png" $scale; then
            echo "$name.png brightness $b color $c: the same pixels"
        else
            fail "$name.png brightness $b color $c: gegl's pixels differ from velmora's"
        fi
        samples_match "velmora/$name.png" "$name.png" 1 && fail "$name.png ($b, $c): velmora left it unchanged"
    done
done

# (The graph test passes every kind of such input; these two are what a user
# of the command meets: a CMYK file, and a generator before the operation.)
echo "== input the operation passes through"
vips colourspace brushes.png cmyk.jpg cmyk
gegl cmyk.jpg -o without.png
gegl cmyk.jpg -o with.png -- velmora:shadow-recovery 2> gegl.err || fail "gegl on cmyk.jpg: $(cat gegl.err)"
samples_match with.png without.png 1 || fail "cmyk.jpg: the operation changed it"
grep -q "not RGB.*passed through unchanged" gegl.err || fail "cmyk.jpg: no warning: $(cat gegl.err)"
gegl -o without.png -- gegl:checkerboard gegl:crop width=400 height=300
gegl -o with.png -- gegl:checkerboard velmora:shadow-recovery gegl:crop width=400 height=300 2> gegl.err ||
    fail "gegl on a generator: $(cat gegl.err)"
samples_match with.png without.png 1 || fail "a generator's pattern: the operation changed it"
grep -q "no bounds.*passed through unchanged" gegl.err || fail "a generator: no warning: $(cat gegl.err)"

if [ $failures -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "all gegl command checks passed"
