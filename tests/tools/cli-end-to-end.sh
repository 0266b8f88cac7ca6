#!/usr/bin/env bash
# End-to-end checks of the velmora command-line tool on real files:
#   cli-end-to-end.sh VELMORA SAMPLE.jpg WORKDIR FIXTURES
# FIXTURES is velmora_cli_fixtures (test files and independent metadata readers).
# Every refusal must exit non-zero, never by a signal, with one line, and leave
# no output file and no temporary file.
set -uo pipefail
velmora=$1 sample=$2 work=$3 fixtures=$4
rm -rf "$work" && mkdir -p "$work"
failures=0
pass() { echo "ok   - $1"; }
fail() { echo "FAIL - $1"; failures=$((failures + 1)); }
skip() { echo "skip - $1"; }
leftovers() { find "$work" -name '.velmora-*' -o -name '*.tmp'; }
# Sanitizer builds reserve terabytes of address space: no address-space limits for them.
# (ldd's whole output first: with pipefail, grep -q quitting early would fail the pipe.)
sanitized=no
case "$(ldd "$velmora" 2>/dev/null)" in *libasan*) sanitized=yes ;; esac

# expect_refusal NAME EXPECTED-TEXT OUTPUT-FILE -- ARGS...
expect_refusal() {
    local name=$1 text=$2 output=$3; shift 4
    local err
    err=$(timeout 120 "$velmora" "$@" 2>&1 >/dev/null); local rc=$?
    if [ $rc -eq 0 ]; then fail "$name: exit 0"; return; fi
    if [ $rc -ge 124 ]; then fail "$name: exit $rc (a signal or a hang): $err"; return; fi
    if [ "$(printf '%s\n' "$err" | wc -l)" -ne 1 ]; then fail "$name: not one line: $err"; return; fi
    if ! grep -qF -- "$text" <<<"$err"; then fail "$name: message '$err' lacks '$text'"; return; fi
    if [ -n "$output" ] && [ -e "$output" ]; then fail "$name: left $output behind"; return; fi
    if [ -n "$(leftovers)" ]; then fail "$name: left a temporary file: $(leftovers)"; return; fi
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

# A selection is filtered as a host filters it: its bounding rectangle is the
# filter rectangle, so a fully selected rectangle gives the bytes of --rect.
vips black "$work/sel.v" 2390 1345 && vips draw_rect "$work/sel.v" 255 300 200 900 700 --fill &&
    vips copy "$work/sel.v" "$work/sel.png" &&
    "$velmora" --selection "$work/sel.png" -o "$work/selected.png" "$work/photo.png" &&
    "$velmora" --rect 200,300,900,1200 -o "$work/bounded.png" "$work/photo.png" &&
    identical "$work/selected.png" "$work/bounded.png" && ! identical "$work/selected.png" "$work/photo.png" &&
    pass "selection filtered as its bounding rectangle" || fail "selection filtered as its bounding rectangle"

# Refusals.
expect_refusal "missing file" "No such file" "$work/x.png" -- -o "$work/x.png" "$work/nothing.png"
echo "not an image" >"$work/text.jpg"
expect_refusal "unsupported format" "unsupported format" "$work/x.png" -- -o "$work/x.png" "$work/text.jpg"
vips colourspace "$work/photo.png" "$work/grey.png" b-w
expect_refusal "grey image" "greyscale" "$work/x.png" -- -o "$work/x.png" "$work/grey.png"
vips cast "$work/photo.png" "$work/deep.v" ushort && vips copy "$work/deep.v" "$work/deep.png" --interpretation rgb16
vips colourspace "$work/deep.png" "$work/deep-grey.png" grey16
expect_refusal "16-bit greyscale image" "greyscale image (16-bit)" "$work/x.png" -- -o "$work/x.png" "$work/deep-grey.png"
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

# ---- The plan: nothing is lost, and a refused run writes nothing.
plan=$work/plan
mkdir -p "$plan/d1" "$plan/d2" "$plan/out"
cp "$work/photo.png" "$plan/a.png" && cp "$work/photo.png" "$plan/a-velmora.png"
second=$(md5sum <"$plan/a-velmora.png")
expect_refusal "an output that is the next input" "would overwrite the input $plan/a-velmora.png" "" -- \
    "$plan/a.png" "$plan/a-velmora.png"
expect_refusal "-o naming the inputs' own folder" "would overwrite the input" "" -- -o "$plan" "$plan/a.png" \
    "$plan/a-velmora.png"
[ "$(md5sum <"$plan/a-velmora.png")" = "$second" ] && pass "the second input survives" || fail "second input lost"
cp "$work/photo.png" "$plan/d1/a.png" && cp "$work/photo.png" "$plan/d2/a.png"
expect_refusal "two inputs to one output" "would both be written to $plan/out/a-velmora.png" "" -- -o "$plan/out/" \
    "$plan/d1/a.png" "$plan/d2/a.png"
[ -z "$(ls -A "$plan/out")" ] && pass "nothing written for a refused plan" || fail "a refused plan wrote $(ls "$plan/out")"
ln "$plan/a.png" "$plan/hard.png" && ln -s a.png "$plan/soft.png"
expect_refusal "output is a hard link of the input" "overwrite the input" "" -- --overwrite -o "$plan/hard.png" "$plan/a.png"
expect_refusal "output is a symbolic link to the input" "overwrite the input" "" -- --overwrite -o "$plan/soft.png" \
    "$plan/a.png"
expect_refusal "output spelled through .." "overwrite the input" "" -- --overwrite -o "$plan/d1/../a.png" "$plan/a.png"
expect_refusal "output onto the selection mask" "selection mask" "" -- --overwrite --selection "$work/mask.png" \
    -o "$work/mask.png" "$work/photo.png"
echo "keep me" >"$plan/exists.png"
expect_refusal "an existing output is not replaced" "already exists; give --overwrite" "" -- -o "$plan/exists.png" \
    "$work/photo.png"
[ "$(cat "$plan/exists.png")" = "keep me" ] && pass "the existing output is kept" || fail "existing output replaced"
"$velmora" --overwrite -o "$plan/exists.png" "$work/photo.png" && identical "$plan/exists.png" "$work/out.png" &&
    pass "--overwrite replaces it" || fail "--overwrite"

# ---- The temporary file: never opened through a planted link. The old tool's
# name was .NAME.PID.tmp; the link stands there with the tool's own pid.
mkdir -p "$work/link"
echo "precious" >"$work/target.txt"
bash -c 'ln -s "$1" "$2/.out.png.$$.tmp" && exec "$3" -o "$2/out.png" "$4"' _ "$work/target.txt" "$work/link" \
    "$velmora" "$work/photo.png"
[ "$(cat "$work/target.txt")" = "precious" ] && [ -f "$work/link/out.png" ] && [ ! -L "$work/link/out.png" ] &&
    identical "$work/link/out.png" "$work/out.png" && pass "a planted symbolic link is not followed" ||
    fail "planted symbolic link followed: target now $(head -c 20 "$work/target.txt" | od -c | head -1)"
rm -f "$work/link/.out.png."*.tmp

# ---- Headers first: size, memory and the output format before any decoding.
"$fixtures" huge-jpeg "$work/photo.jpg" "$work/huge.jpg" 60000 60000
expect_refusal "a header claiming 60000 x 60000" "60000 x 60000 pixels" "$work/x.png" -- -o "$work/x.png" "$work/huge.jpg"
size=$(stat -c %s "$work/photo.jpg")
head -c $((size * 30 / 100)) "$work/photo.jpg" >"$work/cut.jpg"
expect_refusal "bad output extension before decoding" "unsupported output format" "$work/x.bmp" -- -o "$work/x.bmp" \
    "$work/cut.jpg"
vips resize "$work/photo.jpg" "$work/24mp.jpg" 2.5105 --vscale 2.974
if [ $sanitized = yes ]; then
    skip "address-space limits (sanitizer build)"
else
    "$fixtures" huge-jpeg "$work/photo.jpg" "$work/20k.jpg" 20000 20000
    err=$( (ulimit -v 2000000; "$velmora" -o "$work/x.png" "$work/20k.jpg") 2>&1); rc=$?
    [ $rc -eq 1 ] && grep -q "20000 x 20000 pixels and needs about" <<<"$err" && pass "memory it would need: $err" ||
        fail "20000 x 20000 under 2 GB: exit $rc: $err"
    for limit in 600000 1000000; do
        err=$( (ulimit -v $limit; "$velmora" -o "$work/24mp-$limit.jpg" "$work/24mp.jpg") 2>&1); rc=$?
        if [ $rc -eq 0 ] || { [ $rc -eq 1 ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ]; }; then
            pass "24 MP under ulimit -v $limit: exit $rc ${err:+($err)}"
        else
            fail "24 MP under ulimit -v $limit: exit $rc: $err"
        fi
    done
fi

# ---- Only regular files, each opened once.
expect_refusal "/dev/zero" "is a character device" "$work/x.png" -- -o "$work/x.png" /dev/zero
mkfifo "$work/fifo.jpg"
err=$(timeout 20 "$velmora" -o "$work/x.png" "$work/fifo.jpg" 2>&1); rc=$?
[ $rc -eq 1 ] && grep -q "is a FIFO" <<<"$err" && pass "a FIFO" || fail "FIFO: exit $rc: $err"
rm -f "$work/fifo.jpg"
expect_refusal "a folder" "is a folder" "$work/x.png" -- -o "$work/x.png" "$work/plan"
: >"$work/empty.jpg"
expect_refusal "an empty file" "is empty" "$work/x.png" -- -o "$work/x.png" "$work/empty.jpg"

# ---- Damaged input is refused, or filtered when asked and said so.
expect_refusal "a JPEG cut to 30 %" "damaged" "$work/x.png" -- -o "$work/x.png" "$work/cut.jpg"
err=$("$velmora" --accept-damaged -o "$work/cut-out.png" "$work/cut.jpg" 2>&1); rc=$?
[ $rc -eq 0 ] && grep -q "damaged.*filtered what could be decoded" <<<"$err" && [ -f "$work/cut-out.png" ] &&
    pass "--accept-damaged says so: $err" || fail "--accept-damaged: exit $rc: $err"
"$fixtures" bad-crc "$work/photo.png" "$work/crc.png"
expect_refusal "a PNG with a bad checksum" "CRC error" "$work/x.png" -- -o "$work/x.png" "$work/crc.png"
head -c 40 "$work/photo.png" >"$work/stub.png"
err=$("$velmora" -o "$work/x.png" "$work/stub.png" 2>&1)
grep -Eq "(cannot read|damaged): [^ ]" <<<"$err" && pass "the reason is given: $err" || fail "no reason: $err"

# ---- What the user had is kept: alpha, pages, metadata.
vips black "$work/clear.v" 2390 1345 && vips bandjoin "$work/photo.png $work/clear.v" "$work/rgba.png"
expect_refusal "alpha into JPEG" "alpha channel" "$work/rgba.jpg" -- -o "$work/rgba.jpg" "$work/rgba.png"
"$velmora" --flatten -o "$work/flat.jpg" "$work/rgba.png" && [ "$(vipsheader -f bands "$work/flat.jpg")" = 3 ] &&
    awk -v lo="$(vips min "$work/flat.jpg")" 'BEGIN { exit !(lo >= 250) }' &&
    pass "--flatten puts a transparent image on white" || fail "--flatten (min $(vips min "$work/flat.jpg"))"
"$velmora" -o "$work/rgba-out.png" "$work/rgba.png" && vips extract_band "$work/rgba-out.png" "$work/a1.v" 3 &&
    identical "$work/a1.v" "$work/clear.v" && pass "alpha kept in PNG" || fail "alpha in PNG"
vips arrayjoin "$work/photo.png $work/photo.png" "$work/roll.v" --across 1 &&
    vips tiffsave "$work/roll.v" "$work/pages.tif" --page-height 1345
expect_refusal "a two-page TIFF" "has 2 pages" "$work/x.tif" -- -o "$work/x.tif" "$work/pages.tif"
vips bandjoin_const "$work/photo.png" "$work/seven.tif" "0 0 0 0"
expect_refusal "seven bands" "an 8-bit image with 7 bands" "$work/x.png" -- -o "$work/x.png" "$work/seven.tif"

meta=$work/meta
mkdir -p "$meta"
vips crop "$work/photo.png" "$meta/crop.png" 600 300 400 400
vips icc_transform "$meta/crop.png" "$meta/icc.png" srgb --input-profile srgb
"$fixtures" exif-jpeg "$meta/icc.png" "$meta/in.jpg" && "$fixtures" exif-png "$meta/crop.png" "$meta/in.png" &&
    "$fixtures" exif-tiff "$meta/crop.png" "$meta/in.tif" || fail "metadata fixtures"
for ext in jpg png; do
    "$velmora" -o "$meta/same.$ext" "$meta/in.$ext" && [ -n "$("$fixtures" heads "$meta/in.$ext")" ] &&
        [ "$("$fixtures" heads "$meta/in.$ext")" = "$("$fixtures" heads "$meta/same.$ext")" ] &&
        pass "$ext: EXIF and resolution bytes unchanged" || fail "$ext: EXIF or resolution rewritten"
done
"$velmora" -o "$meta/same.tif" "$meta/in.tif" && [ -n "$("$fixtures" tiff-tags "$meta/in.tif")" ] &&
    [ "$("$fixtures" tiff-tags "$meta/in.tif")" = "$("$fixtures" tiff-tags "$meta/same.tif")" ] &&
    pass "tif: resolution, orientation, camera and EXIF kept" || fail "tif: $("$fixtures" tiff-tags "$meta/same.tif")"
"$velmora" -o "$meta/jpg.tif" "$meta/in.jpg" &&
    [ "$("$fixtures" tiff-tags "$meta/jpg.tif" | tr '\n' ' ')" = "orientation 6 xresolution 1 yresolution 1 resolutionunit 1 make VelmoraTestCam datetimeoriginal 2024:05:06 07:08:09 gpslatituderef N " ] &&
    pass "JPEG to TIFF: EXIF kept" || fail "JPEG to TIFF: $("$fixtures" tiff-tags "$meta/jpg.tif" | tr '\n' ' ')"
"$velmora" -o "$meta/jpg.png" "$meta/in.jpg" &&
    [ "$("$fixtures" heads "$meta/in.jpg" | grep exif)" = "$("$fixtures" heads "$meta/jpg.png" | grep exif)" ] &&
    pass "JPEG to PNG: the EXIF block unchanged" || fail "JPEG to PNG: EXIF"
"$velmora" -o "$meta/tif.jpg" "$meta/in.tif" &&
    vipsheader -f exif-ifd2-DateTimeOriginal "$meta/tif.jpg" 2>/dev/null | grep -q "2024:05:06 07:08:09" &&
    vipsheader -f exif-ifd0-Orientation "$meta/tif.jpg" | grep -q "^6 " && pass "TIFF to JPEG: EXIF kept" ||
    fail "TIFF to JPEG: EXIF"
for ext in jpg png tif; do
    "$velmora" -o "$meta/icc-out.$ext" "$meta/icc.png" &&
        [ "$(vipsheader -f icc-profile-data "$meta/icc.png" | md5sum)" = "$(vipsheader -f icc-profile-data "$meta/icc-out.$ext" | md5sum)" ] &&
        pass "$ext: ICC profile kept" || fail "$ext: ICC profile"
    [ -e "$meta/xmp.$ext" ] || "$velmora" -o "$meta/xmp.$ext" "$meta/in.jpg"
    [ "$(vipsheader -f xmp-data "$meta/in.jpg" | md5sum)" = "$(vipsheader -f xmp-data "$meta/xmp.$ext" | md5sum)" ] &&
        pass "$ext: XMP kept" || fail "$ext: XMP"
done
# --rect follows the stored pixels, whatever the orientation tag says.
"$velmora" --rect 0,0,100,400 -o "$meta/rect.png" "$meta/in.png" && vips crop "$meta/rect.png" "$meta/r1.v" 0 100 400 300 &&
    vips crop "$meta/in.png" "$meta/r2.v" 0 100 400 300 && identical "$meta/r1.v" "$meta/r2.v" &&
    ! identical "$meta/rect.png" "$meta/in.png" && pass "--rect in stored coordinates of an oriented image" ||
    fail "--rect and orientation"

# ---- Signals during a run leave nothing behind; the run ends by the signal.
sig=$work/signal
mkdir -p "$sig"
set -m  # background runs in their own process group, so SIGINT is not ignored
for name in INT TERM HUP; do
    "$velmora" -o "$sig/out.png" "$work/24mp.jpg" 2>/dev/null &
    pid=$!
    for _ in $(seq 2000); do [ -n "$(find "$sig" -name '.velmora-*')" ] && break; sleep 0.01; done
    seen=$(find "$sig" -name '.velmora-*')
    kill -s "$name" $pid
    wait $pid; rc=$?
    number=$(kill -l "$name")
    if [ -n "$seen" ] && [ $rc -eq $((128 + number)) ] && [ -z "$(ls -A "$sig")" ]; then
        pass "SIG$name while writing leaves no temporary file"
    else
        fail "SIG$name: temporary seen '${seen##*/}', exit $rc, left: $(ls -A "$sig")"
    fi
    rm -f "$sig"/.velmora-* "$sig"/out.png
done
set +m

# ---- Messages say what failed and why, in the user's terms.
expect_refusal "a missing output folder" "$work/nowhere/x.png: the folder $work/nowhere does not exist" "" -- \
    -o "$work/nowhere/x.png" "$work/photo.png"
long=$(printf 'n%.0s' $(seq 250)).png
"$velmora" -o "$work/$long" "$work/photo.png" && [ -f "$work/$long" ] && pass "a 254-character output name" ||
    fail "a 254-character output name"
( ulimit -f 200; "$velmora" -o "$work/limited.png" "$work/photo.png" ) 2>"$work/err.txt"; rc=$?
[ $rc -eq 1 ] && grep -q "File too large" "$work/err.txt" && [ -z "$(leftovers)" ] && [ ! -e "$work/limited.png" ] &&
    pass "a write over the file size limit: $(cat "$work/err.txt")" || fail "file size limit: exit $rc: $(cat "$work/err.txt")"
# A full disk, where a private mount of a small memory file system is allowed.
full=$(unshare -rm bash -c 'mkdir -p "$1/full" && mount -t tmpfs -o size=256k tmpfs "$1/full" || exit 77
    "$2" -o "$1/full/out.png" "$3" 2>&1; echo "exit $?"; ls -A "$1/full"' _ "$work" "$velmora" "$work/photo.png" 2>/dev/null)
if [ $? -eq 77 ] || [ -z "$full" ]; then
    skip "full disk (no private mounts here)"
else
    grep -q "No space left on device" <<<"$full" && grep -q "^exit 1$" <<<"$full" && [ "$(wc -l <<<"$full")" -eq 2 ] &&
        pass "a full disk: $(head -1 <<<"$full")" || fail "full disk: $full"
fi

# ---- Metadata oddities with whole pixels are accepted, with a note that says the pixels are whole.
vips tiffsave "$meta/crop.png" "$meta/plain.tif" && exiftool -q -overwrite_original -ImageDescription="AAAAAAAA BBBBBBBB" \
    "$meta/plain.tif" 2>/dev/null || vips tiffsave "$meta/crop.png" "$meta/plain.tif"
"$fixtures" odd-metadata "$meta/plain.tif" "$meta/nul.tif" tiff-nul
"$fixtures" odd-metadata "$meta/plain.tif" "$meta/unsorted.tif" tiff-unsorted
"$fixtures" odd-metadata "$meta/crop.png" "$meta/short-exif.png" png-short-exif
for odd in nul.tif unsorted.tif short-exif.png; do
    [ -f "$meta/$odd" ] || { skip "$odd (exiftool missing)"; continue; }
    for option in "" --accept-damaged; do
        rm -f "$meta/odd-out.png"
        err=$("$velmora" $option -o "$meta/odd-out.png" "$meta/$odd" 2>&1); rc=$?
        [ $rc -eq 0 ] && [ -f "$meta/odd-out.png" ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] &&
            grep -q "every pixel was decoded" <<<"$err" && ! grep -q "filtered what could be decoded" <<<"$err" &&
            pass "$odd ${option:-}: accepted, said in one line: $err" || fail "$odd ${option:-}: exit $rc: $err"
    done
done

# ---- The command line: --, names with control characters, the same status for the same refusal.
cp "$work/photo.png" "$work/-dash.png"
(cd "$work" && "$velmora" -o dash-out.png -- -dash.png) && [ -f "$work/dash-out.png" ] &&
    pass "-- ends the options" || fail "-- ends the options"
odd=$work/$'red\e[31m\nline.png'
err=$("$velmora" -o "$work/x.png" "$odd" 2>&1)
[ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] && ! grep -q $'\e' <<<"$err" && grep -qF 'red\x1b[31m\nline.png' <<<"$err" &&
    pass "control characters in a name are escaped: $err" || fail "control characters reach the terminal: $(printf %q "$err")"
"$velmora" -o "$work/nowhere/x.png" "$work/photo.png" 2>/dev/null; one=$?
"$velmora" -o "$work/nowhere" "$work/photo.png" "$work/photo.tif" 2>/dev/null; several=$?
[ $one -eq 1 ] && [ $several -eq 1 ] && pass "a missing output folder: exit 1 with one input and with several" ||
    fail "a missing output folder: exit $one with one input, $several with several"
toolong=$(printf 'n%.0s' $(seq 300)).png
expect_refusal "an output name the file system cannot hold, before any work" "the file system takes at most 255" "" -- \
    -o "$work/$toolong" "$work/cut.jpg"

# ---- A run killed outright leaves its temporary file; the next run into that folder removes it.
killed=$work/killed
mkdir -p "$killed"
"$velmora" -o "$killed/out.png" "$work/24mp.jpg" 2>/dev/null &
pid=$!
for _ in $(seq 2000); do [ -n "$(find "$killed" -name '.velmora-*')" ] && break; sleep 0.01; done
kill -KILL $pid; wait $pid 2>/dev/null
left=$(find "$killed" -name '.velmora-*')
"$velmora" -o "$killed/next.png" "$work/photo.png"
[ -n "$left" ] && [ -z "$(find "$killed" -name '.velmora-*')" ] && [ -f "$killed/next.png" ] &&
    pass "a killed run's temporary file is removed by the next run" ||
    fail "killed run: left '${left##*/}', now: $(ls -A "$killed")"

"$velmora" --help | grep -q -- "--brightness" && "$velmora" --help | grep -q -- "without it an existing output refuses" &&
    pass "--help" || fail "--help"
"$velmora" --version | grep -q "1.1.4" && pass "--version" || fail "--version"

echo "$failures failed"
[ $failures -eq 0 ]
