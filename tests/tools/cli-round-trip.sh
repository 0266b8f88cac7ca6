#!/usr/bin/env bash
# The tool writes only what it can read back. Every variant of the three
# formats that libvips reads, carrying metadata written by exiftool (EXIF with
# orientation, resolution, descriptive and GPS tags, IPTC, XMP, an ICC
# profile), is filtered within a small rectangle into each format; each
# output is then fed back to the tool, into its own format again. Every output
# must be one exiftool finds no fault in (beyond tags it calls missing) and
# libtiff reads without a word; the tool must take it back without a word;
# outside the rectangle the pixels must be the input's (lossless outputs
# exactly, JPEG within its loss); and exiftool must read in it the input's
# orientation, resolution, descriptive tags, ICC profile, XMP and IPTC.
#   cli-round-trip.sh VELMORA FIXTURES SAMPLE.jpg WORKDIR
set -uo pipefail
velmora=$1 fixtures=$2 sample=$3 work=$4
rm -rf "$work" && mkdir -p "$work/in" "$work/out" "$work/back"
failures=0 checked=0
pass() { echo "ok   - $1"; }
fail() { echo "FAIL - $1"; failures=$((failures + 1)); }
command -v exiftool >/dev/null || { echo "exiftool is missing (scripts/setup.sh test installs it)"; exit 1; }

# ---- The inputs: one photo crop with an ICC profile, in every variant, then exiftool's metadata.
# The variants are written without metadata; exiftool then writes all of it, the ICC profile included.
vips crop "$sample" "$work/crop.v" 900 500 400 360 &&
    vips icc_transform "$work/crop.v" "$work/icc.v" srgb --input-profile srgb --embedded &&
    vips copy "$work/icc.v" "$work/icc.png" && exiftool -b -ICC_Profile "$work/icc.png" >"$work/srgb.icc" &&
    vips pngsave "$work/icc.png" "$work/plain.png" --strip || exit 1
vips black "$work/a.v" 400 360 && vips linear "$work/a.v" "$work/a8.v" 1 200 --uchar &&
    vips bandjoin "$work/plain.png $work/a8.v" "$work/rgba.png" || exit 1
in=$work/in
vips jpegsave "$work/plain.png" "$in/baseline.jpg" --Q 90 --strip
vips jpegsave "$work/plain.png" "$in/progressive.jpg" --Q 90 --interlace --strip
vips jpegsave "$work/plain.png" "$in/444.jpg" --Q 90 --subsample-mode off --strip
vips pngsave "$work/plain.png" "$in/rgb.png" --strip
vips pngsave "$work/plain.png" "$in/interlaced.png" --interlace --strip
vips pngsave "$work/rgba.png" "$in/rgba.png" --strip
vips pngsave "$work/plain.png" "$in/palette.png" --palette --strip
vips tiffsave "$work/plain.png" "$in/strips.tif" --strip
vips tiffsave "$work/plain.png" "$in/lzw.tif" --compression lzw --predictor horizontal --strip
vips tiffsave "$work/plain.png" "$in/deflate.tif" --compression deflate --strip
vips tiffsave "$work/plain.png" "$in/jpeg.tif" --compression jpeg --Q 90 --strip
vips tiffsave "$work/plain.png" "$in/tiled.tif" --tile --tile-width 64 --tile-height 64 --strip
vips tiffsave "$work/rgba.png" "$in/rgba.tif" --strip
convert-im6.q16 "$work/plain.png" -endian MSB "$in/big-endian.tif" 2>/dev/null || vips copy "$work/plain.png" "$in/big-endian.tif"
convert-im6.q16 "$work/plain.png" -interlace plane "$in/planar.tif" 2>/dev/null || vips copy "$work/plain.png" "$in/planar.tif"
exiftool -q -q -overwrite_original -n "-ICC_Profile<=$work/srgb.icc" -Orientation=6 -XResolution=300 -YResolution=300 -ResolutionUnit=2 \
    -Artist="Ann Example" -Copyright="CC BY 4.0" -ImageDescription="Seedlings in a tray" -Make=Velmora -Model="Test 1" \
    -DateTimeOriginal="2024:05:06 07:08:09" -GPSLatitude=51.5 -GPSLatitudeRef=N -IPTC:Keywords=seedlings \
    -IPTC:Keywords=tray -IPTC:Caption-Abstract="A tray" -XMP-dc:Title="Seedlings" -XMP-dc:Creator="Ann" "$in"/* ||
    { echo "exiftool cannot write the inputs' metadata"; exit 1; }
# An EXIF block of more than 64 KB: whole in PNG and TIFF, said for JPEG.
cp "$in/rgb.png" "$work/large-exif.png"
exiftool -q -q -overwrite_original "-EXIF:UserComment=$(head -c 70000 /dev/zero | tr '\0' 'x')" "$work/large-exif.png"

# read_back FILE: in one exiftool run, what FILE means, one value per line ("-" for none), with the
# ICC profile's digest, into FILE.meaning; the faults exiftool finds (beyond tags it calls missing), with
# what libtiff says of a TIFF, into FILE.faults.
read_back() {
    exiftool -validate -warning -error -a -s3 -n -f -EXIF:Orientation -EXIF:XResolution -EXIF:YResolution \
        -EXIF:ResolutionUnit -EXIF:Artist -EXIF:Copyright -EXIF:ImageDescription -EXIF:Make -EXIF:Model \
        -EXIF:DateTimeOriginal -EXIF:GPSLatitude -IPTC:Keywords -IPTC:Caption-Abstract -XMP-dc:Title -XMP-dc:Creator \
        "$1" >"$1.read" 2>&1
    # Validation's counts, warnings and errors come first ("-" for none), the asked tags last, in order.
    tail -n 15 "$1.read" >"$1.meaning"
    vipsheader -f icc-profile-data "$1" 2>/dev/null | md5sum >>"$1.meaning"
    head -n -15 "$1.read" | tail -n +2 | grep -v -e "^Missing required" -e "^-$" >"$1.faults"
    case $1 in *.tif) "$fixtures" tiff-check "$1" >>"$1.faults" ;; esac
}
meaning() { [ -f "$1.meaning" ] || read_back "$1"; cat "$1.meaning"; }
faults() { [ -f "$1.faults" ] || read_back "$1"; cat "$1.faults"; }
# same_pixels A B LOSSY: rows 16 and below (the rectangle covers rows 0 to 15) agree, exactly or within JPEG's loss.
same_pixels() {
    vips crop "$1" "$work/p1.v" 0 16 400 344 && vips crop "$2" "$work/p2.v" 0 16 400 344 &&
        vips subtract "$work/p1.v" "$work/p2.v" "$work/pd.v" && vips abs "$work/pd.v" "$work/pa.v" || return 1
    if [ "$3" = lossy ]; then awk -v m="$(vips avg "$work/pa.v")" 'BEGIN { exit !(m < 3) }'
    else awk -v m="$(vips max "$work/pa.v")" 'BEGIN { exit !(m == 0) }'; fi
}
lossy() { case "$*" in *.jpg*) echo lossy ;; *) echo exact ;; esac; }

# judge FROM OUT [VIA]: OUT, written from FROM (by way of VIA), is sound and means what FROM meant.
judge() {
    local from=$1 out=$2 via=${3:-} f m1 m2
    f=$(faults "$out")
    [ -z "$f" ] || { fail "${out#"$work"/}: $(head -3 <<<"$f" | tr '\n' ' ')"; return 1; }
    m1=$(meaning "$from") m2=$(meaning "$out")
    [ "$m1" = "$m2" ] || { fail "${out#"$work"/}: meaning changed: $(diff <(echo "$m1") <(echo "$m2") | grep '^[<>]' | tr '\n' ' ')"; return 1; }
    same_pixels "$from" "$out" "$(lossy "$from" "$out" "$via")" || { fail "${out#"$work"/}: pixels outside the rectangle changed"; return 1; }
    checked=$((checked + 1))
}

for input in "$in"/*; do
    name=$(basename "$input")
    faults=$(faults "$input")
    [ -z "$faults" ] || echo "note - the input $name itself: $(head -2 <<<"$faults" | tr '\n' ' ')"
    for ext in jpg png tif; do
        case $name in rgba.*) [ $ext = jpg ] && continue ;; esac
        before=$failures
        out=$work/out/${name%.*}-${name##*.}.$ext
        err=$("$velmora" --rect 0,0,16,16 -o "$out" "$input" 2>&1) || { fail "$name -> $ext: $err"; continue; }
        judge "$input" "$out" || continue
        # Its own output, back into its format (the first pass has every pair): taken without a word,
        # and meaning the same.
        for back in $ext; do
            again=$work/back/$(basename "${out%.*}")-${ext}.$back
            err=$("$velmora" --rect 0,0,16,16 -o "$again" "$out" 2>&1)
            [ $? -eq 0 ] && [ -z "$err" ] || { fail "$(basename "$out") -> $back: not taken back silently: $err"; continue; }
            judge "$input" "$again" "$out" || continue
        done
        [ $failures -eq $before ] && pass "$name -> $ext, and back"
    done
done

# The large EXIF block.
for ext in png tif jpg; do
    err=$("$velmora" -o "$work/large-out.$ext" "$work/large-exif.png" 2>&1); rc=$?
    length=$(exiftool -s3 -b -EXIF:UserComment "$work/large-out.$ext" 2>/dev/null | wc -c)
    if [ $ext = jpg ]; then
        [ $rc -eq 0 ] && grep -q "does not fit a JPEG segment" <<<"$err" && [ -z "$(faults "$work/large-out.$ext")" ] &&
            pass "EXIF over 64 KB into JPEG: said ($err)" || fail "EXIF over 64 KB into JPEG: exit $rc: $err"
    else
        [ $rc -eq 0 ] && [ -z "$err" ] && [ "$length" -ge 70000 ] && pass "EXIF over 64 KB kept whole in $ext" ||
            fail "EXIF over 64 KB into $ext: exit $rc, $length bytes of the comment: $err"
    fi
done

echo "$checked outputs checked"
echo "$failures failed"
[ $failures -eq 0 ]
