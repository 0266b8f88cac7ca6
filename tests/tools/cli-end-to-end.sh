#!/usr/bin/env bash
# End-to-end checks of the velmora command-line tool on real files:
#   cli-end-to-end.sh VELMORA SAMPLE.jpg WORKDIR
# Every refusal must exit non-zero with one line and leave no output file.
set -uo pipefail
velmora=$1 sample=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
failures=0
pass() { echo "ok   - $1"; }
fail() { echo "FAIL - $1"; failures=$((failures + 1)); }

# expect_refusal NAME EXPECTED-TEXT OUTPUT-FILE -- ARGS...
expect_refusal() {
    local name=$1 text=$2 output=$3; shift 4
    local err
    err=$("$velmora" "$@" 2>&1 >/dev/null); local rc=$?
    if [ $rc -eq 0 ]; then fail "$name: exit 0"; return; fi
    if [ "$(printf '%s\n' "$err" | wc -l)" -ne 1 ]; then fail "$name: not one line: $err"; return; fi
    if ! grep -qF -- "$text" <<<"$err"; then fail "$name: message '$err' lacks '$text'"; return; fi
    if [ -n "$output" ] && [ -e "$output" ]; then fail "$name: left $output behind"; return; fi
    if ls -a "$work" | grep -q '\.tmp$'; then fail "$name: left a temporary file"; return; fi
    pass "$name"
}

# identical A B: the two images have the same pixels.
identical() {
    vips subtract "$1" "$2" "$work/diff.v" || return 1
    awk -v hi="$(vips max "$work/diff.v")" -v lo="$(vips min "$work/diff.v")" 'BEGIN { exit !(hi == 0 && lo == 0) }'
}

# The sample filters, keeps its size, profile and metadata, and changes pixels.
cp "$sample" "$work/photo.jpg"
vips copy "$work/photo.jpg" "$work/photo.png"
vips copy "$work/photo.jpg" "$work/photo.tif"
before=$(md5sum <"$work/photo.png")
if "$velmora" -b 12 -c -1 -o "$work/out.jpg" "$work/photo.jpg" 2>"$work/err.txt"; then
    [ "$(vipsheader -f width "$work/out.jpg")" = "$(vipsheader -f width "$work/photo.jpg")" ] &&
    [ "$(vipsheader -f height "$work/out.jpg")" = "$(vipsheader -f height "$work/photo.jpg")" ] &&
        pass "jpeg filtered, same size" || fail "jpeg size changed"
    avg_in=$(vips avg "$work/photo.jpg"); avg_out=$(vips avg "$work/out.jpg")
    awk -v a="$avg_in" -v b="$avg_out" 'BEGIN { exit !(b > a + 5) }' && pass "shadows brightened ($avg_in -> $avg_out)" ||
        fail "output not brighter ($avg_in -> $avg_out)"
else
    fail "jpeg run: $(cat "$work/err.txt")"
fi
for field in icc-profile-data exif-data; do
    if vipsheader -f "$field" "$work/photo.jpg" >/dev/null 2>&1; then
        vipsheader -f "$field" "$work/out.jpg" >/dev/null 2>&1 && pass "$field kept" || fail "$field lost"
    fi
done
"$velmora" -o "$work/out.png" "$work/photo.png" && "$velmora" -o "$work/out.tif" "$work/photo.tif" &&
    [ "$(vips max "$work/out.png")" = "$(vips max "$work/out.tif")" ] && pass "png and tiff" || fail "png and tiff"
# PNG and TIFF are lossless: the same pixels in, the same pixels out.
identical "$work/out.png" "$work/out.tif" && pass "png and tiff outputs identical" || fail "png and tiff outputs differ"

# Several inputs into a folder; the default output name beside the input.
mkdir -p "$work/many"
"$velmora" -o "$work/many" "$work/photo.png" "$work/photo.tif" && [ -f "$work/many/photo-velmora.png" ] &&
    [ -f "$work/many/photo-velmora.tif" ] && pass "folder output" || fail "folder output"
"$velmora" "$work/photo.png" && [ -f "$work/photo-velmora.png" ] && pass "default output name" || fail "default output name"

# A selection and a filter rectangle: pixels outside the rectangle are untouched.
vips black "$work/black.v" 2390 1345 && vips linear "$work/black.v" "$work/mask.png" 1 255 --uchar
"$velmora" --selection "$work/mask.png" --rect 100,200,900,1500 -o "$work/rect.png" "$work/photo.png" &&
    vips crop "$work/rect.png" "$work/rc.v" 0 0 2390 100 && vips crop "$work/photo.png" "$work/pc.v" 0 0 2390 100 &&
    identical "$work/rc.v" "$work/pc.v" && ! identical "$work/rect.png" "$work/photo.png" &&
    pass "rectangle and selection" || fail "rectangle and selection"

# Refusals.
expect_refusal "missing file" "No such file" "$work/x.png" -- -o "$work/x.png" "$work/nothing.png"
echo "not an image" >"$work/text.jpg"
expect_refusal "unsupported format" "unsupported format" "$work/x.png" -- -o "$work/x.png" "$work/text.jpg"
vips colourspace "$work/photo.png" "$work/grey.png" b-w
expect_refusal "grey image" "greyscale" "$work/x.png" -- -o "$work/x.png" "$work/grey.png"
vips cast "$work/photo.png" "$work/deep.v" ushort && vips copy "$work/deep.v" "$work/deep.png" --interpretation rgb16
expect_refusal "16-bit image" "16-bit" "$work/x.png" -- -o "$work/x.png" "$work/deep.png"
vips crop "$work/photo.png" "$work/small.png" 0 0 349 800
expect_refusal "small image" "Image must be at least 350x350 pixels." "$work/x.png" -- -o "$work/x.png" "$work/small.png"
expect_refusal "brightness out of range" "--brightness" "$work/x.png" -- -b 21 -o "$work/x.png" "$work/photo.png"
expect_refusal "color out of range" "--color" "$work/x.png" -- -c 2.5 -o "$work/x.png" "$work/photo.png"
expect_refusal "overwriting the input" "overwrite the input" "" -- -o "$work/photo.png" "$work/photo.png"
[ "$(md5sum <"$work/photo.png")" = "$before" ] && pass "input untouched" || fail "input changed"

# Host faults: each ends non-zero, with no output file and nothing leaked.
for fault in advance:1 advance:3 advance:4 advance:20 abort:1 abort:3 abort:4 abort:6 handle:1 handle:2; do
    expect_refusal "fault $fault" "the filter failed" "$work/f.png" -- --fault "$fault" -o "$work/f.png" "$work/photo.png"
done
"$velmora" --fault buffer:3 -o "$work/b.png" "$work/photo.png" && identical "$work/b.png" "$work/out.png" &&
    pass "refused host buffer falls back to the heap, same pixels" || fail "refused host buffer"

"$velmora" --help | grep -q -- "--brightness" && pass "--help" || fail "--help"
"$velmora" --version | grep -q "1.1.4" && pass "--version" || fail "--version"

echo "$failures failed"
[ $failures -eq 0 ]
