#!/usr/bin/env bash
# Alpha keeps its meaning: every kind of alpha the formats hold, filtered
# within a rectangle into each format that holds alpha; outside the rectangle
# the output composited on white must be the input composited on white, pixel
# for pixel, as an independent reader composites it (libtiff's RGBA reader for
# TIFF, straight alpha for PNG), and the alpha must be unchanged.
#   cli-alpha.sh VELMORA FIXTURES SAMPLE.jpg WORKDIR
# Cases are named KIND-BITS, at 8 and 16 bits.
set -uo pipefail
velmora=$1 fixtures=$2 sample=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
failures=0
pass() { echo "ok   - $1"; }
fail() { echo "FAIL - $1"; failures=$((failures + 1)); }

# 400 x 360 of the photo with an alpha ramp: 0 at the left edge, 255 at the right,
# and a transparent band, so every alpha value and alpha 0 occur.
vips crop "$sample" "$work/crop.v" 900 500 400 360 &&
    vips xyz "$work/xy.v" 400 360 && vips extract_band "$work/xy.v" "$work/x.v" 0 &&
    vips linear "$work/x.v" "$work/ramp.v" 0.6391 0 --uchar &&
    vips bandjoin "$work/crop.v $work/ramp.v" "$work/rgba-8.png" || exit 1
vips linear "$work/rgba-8.png" "$work/wide.v" 257 0 && vips cast "$work/wide.v" "$work/rgba-16.v" ushort &&
    vips copy "$work/rgba-16.v" "$work/png-16.png" --interpretation rgb16 || exit 1
cp "$work/rgba-8.png" "$work/png-8.png"
for bits in 8 16; do
    "$fixtures" alpha-tiff "$work/rgba-8.png" "$work/straight-$bits.tif" 2 $bits &&
        "$fixtures" alpha-tiff "$work/rgba-8.png" "$work/premultiplied-$bits.tif" 1 $bits &&
        "$fixtures" alpha-tiff "$work/rgba-8.png" "$work/unspecified-$bits.tif" 0 $bits &&
        vips tiffsave "$work/png-$bits.png" "$work/vips-straight-$bits.tif" || exit 1
done

# same_outside A B: the two images agree on rows 64 and below (the rectangle covers rows 0 to 63).
same_outside() {
    vips crop "$1" "$work/a.v" 0 64 400 296 && vips crop "$2" "$work/b.v" 0 64 400 296 &&
        vips subtract "$work/a.v" "$work/b.v" "$work/d.v" && vips abs "$work/d.v" "$work/ad.v" &&
        awk -v m="$(vips max "$work/ad.v")" 'BEGIN { exit !(m == 0) }'
}

for input in {png-8.png,straight-8.tif,vips-straight-8.tif,premultiplied-8.tif,unspecified-8.tif} \
             {png-16.png,straight-16.tif,vips-straight-16.tif,premultiplied-16.tif,unspecified-16.tif}; do
    "$fixtures" on-white "$work/$input" "$work/in-white.png" || { fail "$input: cannot composite the input"; continue; }
    for ext in png tif; do
        # An unspecified fourth sample has no alpha meaning a PNG could keep.
        [ "${input%%-*}" = unspecified ] && [ $ext = png ] && continue
        out=$work/${input%.*}-out.$ext
        if ! "$velmora" --rect 0,0,64,400 -o "$out" "$work/$input" 2>"$work/err.txt"; then
            fail "$input -> $ext: $(cat "$work/err.txt")"
            continue
        fi
        "$fixtures" on-white "$out" "$work/out-white.png" &&
            vips extract_band "$work/$input" "$work/a-in.v" 3 && vips extract_band "$out" "$work/a-out.v" 3 ||
            { fail "$input -> $ext: cannot composite the output"; continue; }
        if ! same_outside "$work/in-white.png" "$work/out-white.png"; then
            fail "$input -> $ext: unfiltered pixels composite differently (by up to $(vips max "$work/ad.v"))"
        elif ! same_outside "$work/a-in.v" "$work/a-out.v"; then
            fail "$input -> $ext: alpha changed"
        elif same_outside "$work/in-white.png" "$work/out-white.png" &&
            vips crop "$work/in-white.png" "$work/t1.v" 0 0 400 64 && vips crop "$work/out-white.png" "$work/t2.v" 0 0 400 64 &&
            [ "$(vips avg "$work/t2.v")" = "$(vips avg "$work/t1.v")" ]; then
            fail "$input -> $ext: the rectangle was not filtered"
        else
            pass "$input -> $ext: unfiltered pixels composite as before"
        fi
    done
done
echo "$failures failed"
[ $failures -eq 0 ]
