#!/usr/bin/env bash
# 16-bit images through the velmora tool:
#   cli-deep-images.sh VELMORA SAMPLE.jpg WORKDIR
# - a 16-bit copy of a real photo (each sample v as v x 257), filtered and
#   rounded to 8 bits, stays within 40 dB PSNR of the 8-bit result at Shadow
#   Brightness 0, 10, 20 and Color Intensity -2, 0, 2;
# - a dark ramp (values 2 to 40, a bright band at the left) made at 16 bits
#   and filtered at -b 20: neighbouring output pixels differ by at most one
#   8-bit level (257), with ten times the distinct values of the 8-bit run;
# - depth, alpha and the pixels outside --rect are kept; JPEG is written from
#   the 16-bit result; what the tool cannot take is refused in one line.
# The figures measured are printed.
set -uo pipefail
velmora=$1 sample=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
failures=0
pass() { echo "ok   - $1"; }
fail() { echo "FAIL - $1"; failures=$((failures + 1)); }

# deep V IN OUT: the 8-bit image as 16 bits, each sample v x 257.
deep() { vips linear "$1" "$work/l.v" 257 0 && vips cast "$work/l.v" "$work/c.v" ushort &&
    vips copy "$work/c.v" "$2" --interpretation rgb16; }
# psnr A16 B8: A rounded to 8 bits (v / 257, halves up) against B, in dB.
psnr() {
    vips linear "$1" "$work/p.v" 0.0038910505836575876 0.5 && vips round "$work/p.v" "$work/r.v" floor &&
        vips subtract "$work/r.v" "$2" "$work/d.v" && vips multiply "$work/d.v" "$work/d.v" "$work/s.v" &&
        awk -v m="$(vips avg "$work/s.v")" 'BEGIN { if (m == 0) print 99; else printf "%.2f\n", 10 * log(65025 / m) / log(10) }'
}
# same A B: identical pixels (values and format).
same() { [ "$(vipsheader -f format "$1")" = "$(vipsheader -f format "$2")" ] && vips subtract "$1" "$2" "$work/z.v" &&
    [ "$(vips max "$work/z.v")" = 0.000000 ] && [ "$(vips min "$work/z.v")" = 0.000000 ]; }

# ---- Close to the 8-bit result on a real photo.
vips crop "$sample" "$work/photo8.png" 600 300 1200 800 && deep "$work/photo8.png" "$work/photo16.png" ||
    { echo "FAIL - making the photo"; exit 1; }
figures=""
for b in 0 10 20; do
    for c in -2 0 2; do
        "$velmora" --overwrite -b $b -c $c -o "$work/o8.png" "$work/photo8.png" &&
            "$velmora" --overwrite -b $b -c $c -o "$work/o16.png" "$work/photo16.png" || { fail "run -b $b -c $c"; continue; }
        db=$(psnr "$work/o16.png" "$work/o8.png")
        figures="$figures b$b/c$c $db"
        awk -v d="$db" 'BEGIN { exit !(d >= 40) }' || fail "PSNR at -b $b -c $c: $db dB"
    done
done
echo "#   PSNR (dB) of the 16-bit result rounded to 8 bits against the 8-bit result:$figures"
vipsheader -f format "$work/o16.png" | grep -q USHORT && pass "16-bit PNG in, 16-bit PNG out" || fail "PNG output depth"

# ---- The dark ramp: x >= 200 runs from 2 to 40 (0.75 of it across, 0.25 down), the band left of it is 230.
ramp() {  # ramp SCALE FORMAT OUT
    vips linear -- "$work/x.v" "$work/xs.v" 0.028528528528528527 -5.705705705705705 &&
        vips linear "$work/y.v" "$work/ys.v" 0.011889862327909888 2 && vips add "$work/xs.v" "$work/ys.v" "$work/v.v" &&
        vips ifthenelse "$work/band.v" "$work/white.v" "$work/v.v" "$work/ramp.v" &&
        vips linear "$work/ramp.v" "$work/rs.v" "$1" 0.5 && vips round "$work/rs.v" "$work/rf.v" floor &&
        vips cast "$work/rf.v" "$work/rc.v" "$2" && vips bandjoin "$work/rc.v $work/rc.v $work/rc.v" "$work/r3.v" &&
        vips copy "$work/r3.v" "$3" --interpretation "$([ "$2" = ushort ] && echo rgb16 || echo srgb)"
}
# steps OUT: the largest step between neighbours over the ramp; distinct OUT: values used there, all bands.
region() { vips crop "$1" "$work/a.v" 200 0 1000 800; }
steps() {
    region "$1" && vips crop "$work/a.v" "$work/p.v" 0 0 999 800 && vips crop "$work/a.v" "$work/q.v" 1 0 999 800 &&
        vips subtract "$work/q.v" "$work/p.v" "$work/d.v" && vips abs "$work/d.v" "$work/h.v" &&
        vips crop "$work/a.v" "$work/p.v" 0 0 1000 799 && vips crop "$work/a.v" "$work/q.v" 0 1 1000 799 &&
        vips subtract "$work/q.v" "$work/p.v" "$work/d.v" && vips abs "$work/d.v" "$work/v.v" &&
        awk -v h="$(vips max "$work/h.v")" -v v="$(vips max "$work/v.v")" 'BEGIN { print (h > v ? h : v) + 0 }'
}
distinct() {
    region "$1" && vips hist_find "$work/a.v" "$work/hist.v" && vips relational_const "$work/hist.v" "$work/nz.v" more 0 &&
        awk -v a="$(vips avg "$work/nz.v")" -v w="$(vipsheader -f width "$work/hist.v")" \
            -v b="$(vipsheader -f bands "$work/hist.v")" 'BEGIN { printf "%.0f\n", a * w * b / 255 }'
}
vips xyz "$work/xy.v" 1200 800 && vips extract_band "$work/xy.v" "$work/x.v" 0 && vips extract_band "$work/xy.v" "$work/y.v" 1 &&
    vips relational_const "$work/x.v" "$work/band.v" less 200 && vips black "$work/b.v" 1200 800 &&
    vips linear "$work/b.v" "$work/white.v" 1 230 && ramp 1 uchar "$work/ramp8.png" && ramp 257 ushort "$work/ramp16.png" ||
    { echo "FAIL - making the ramp"; exit 1; }
if "$velmora" --overwrite -b 20 -o "$work/ramp8-out.png" "$work/ramp8.png" &&
    "$velmora" --overwrite -b 20 -o "$work/ramp16-out.png" "$work/ramp16.png"; then
    s8=$(steps "$work/ramp8-out.png") s16=$(steps "$work/ramp16-out.png")
    d8=$(distinct "$work/ramp8-out.png") d16=$(distinct "$work/ramp16-out.png")
    echo "#   dark ramp at -b 20: largest neighbour step 8-bit $s8 levels, 16-bit $s16 units; distinct values 8-bit $d8, 16-bit $d16"
    [ "$s16" -le 257 ] && pass "ramp: neighbours at most one 8-bit level apart ($s16)" || fail "ramp: a step of $s16"
    [ "$d16" -ge $((10 * d8)) ] && pass "ramp: $d16 distinct values against $d8" || fail "ramp: $d16 distinct values against $d8"
else
    fail "ramp runs"
fi

# ---- Alpha, the rectangle, TIFF and JPEG outputs.
vips bandjoin_const "$work/photo16.png" "$work/alpha.v" 40000 && vips copy "$work/alpha.v" "$work/alpha16.png" --interpretation rgb16 &&
    "$velmora" --overwrite -o "$work/alpha-out.png" "$work/alpha16.png" && vips extract_band "$work/alpha16.png" "$work/ai.png" 3 &&
    vips extract_band "$work/alpha-out.png" "$work/ao.png" 3 && same "$work/ai.png" "$work/ao.png" &&
    pass "16-bit alpha kept" || fail "16-bit alpha"
"$velmora" --overwrite --rect 100,200,500,900 -o "$work/rect.png" "$work/photo16.png" &&
    vips crop "$work/rect.png" "$work/rc.png" 0 0 1200 100 && vips crop "$work/photo16.png" "$work/pc.png" 0 0 1200 100 &&
    same "$work/rc.png" "$work/pc.png" && ! same "$work/rect.png" "$work/photo16.png" &&
    pass "pixels outside the rectangle kept to the last bit" || fail "16-bit rectangle"
"$velmora" --overwrite -o "$work/o16.png" "$work/photo16.png" && "$velmora" --overwrite -o "$work/o16.tif" "$work/photo16.png" &&
    same "$work/o16.tif" "$work/o16.png" && pass "16-bit TIFF out, the PNG's pixels" || fail "16-bit TIFF"
"$velmora" --overwrite -q 100 -o "$work/o16.jpg" "$work/photo16.png" && vipsheader -f format "$work/o16.jpg" | grep -q UCHAR &&
    awk -v d="$(psnr "$work/o16.png" "$work/o16.jpg")" 'BEGIN { exit !(d >= 40) }' &&
    pass "JPEG from the 16-bit result" || fail "JPEG from a 16-bit image"

# ---- Refusals, in one line.
refused() {  # refused NAME TEXT ARGS...
    local name=$1 text=$2 err; shift 2
    err=$("$velmora" --overwrite -o "$work/refused.png" "$@" 2>&1 >/dev/null)
    local rc=$?
    [ $rc -eq 1 ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] && grep -qF -- "$text" <<<"$err" &&
        [ ! -e "$work/refused.png" ] && pass "$name refused" || fail "$name: exit $rc, '$err'"
}
vips colourspace "$work/photo16.png" "$work/grey16.png" grey16 && refused "16-bit greyscale" "greyscale image (16-bit)" "$work/grey16.png"
vips cast "$work/photo8.png" "$work/float.v" float && vips tiffsave "$work/float.v" "$work/float.tif" &&
    refused "32-bit float" "32-bit floating-point" "$work/float.tif"
refused "a 16-bit image in a host of 8-bit images" "8-bit images only" --host-profile psfilterpdn "$work/photo16.png"

echo "$failures failed"
[ $failures -eq 0 ]
