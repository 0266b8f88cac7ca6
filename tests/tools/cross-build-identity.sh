#!/usr/bin/env bash
# The same photo filtered natively, by the 64-bit DLL and by the 32-bit DLL
# (under Wine, loaded by its PIPL as a host does) must give the same bytes.
#   cross-build-identity.sh VELMORA SAMPLE WORKDIR WIN64_DIR [WIN32_DIR]
# A Windows build directory holds Velmora.8bf and velmora-host.exe.
set -uo pipefail
velmora=$1 sample=$2 work=$3 win64=$4 win32=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
wine_run="$here/../../scripts/wine-run"
rm -rf "$work" && mkdir -p "$work"
failures=0

same_pixels() {  # same_pixels A B: identical decoded pixels
    vips subtract "$1" "$2" "$work/diff.v" || return 1
    awk -v hi="$(vips max "$work/diff.v")" -v lo="$(vips min "$work/diff.v")" 'BEGIN { exit !(hi == 0 && lo == 0) }'
}

check() {  # check NAME PRODUCED.png
    if same_pixels "$work/native.png" "$2"; then echo "ok   - $1 output identical to native"; else
        echo "FAIL - $1 output differs from native"; failures=$((failures + 1)); fi
}

vips copy "$sample" "$work/input.png"
first=yes
for settings in "-b 12 -c -1" "-b 20 -c 2" "-b 0 -c -2"; do
    # shellcheck disable=SC2086
    "$velmora" --overwrite $settings -o "$work/native.png" "$work/input.png" || { echo "FAIL - native run"; exit 1; }
    # shellcheck disable=SC2086
    "$wine_run" "$win64/velmora-host.exe" --overwrite --plugin "$win64/Velmora.8bf" $settings -o "$work/w64.png" \
        "$work/input.png" &&
        check "64-bit DLL ($settings)" "$work/w64.png" || { echo "FAIL - 64-bit run"; failures=$((failures + 1)); }
    # 32-bit Wine may run under an emulator, where each start costs a minute or
    # more: the 32-bit DLL runs once, with the first settings and the host's
    # x87 unit at 53-bit precision (as an MSVC-built 32-bit host has it).
    if [ -n "$win32" ] && [ $first = yes ]; then
        # shellcheck disable=SC2086
        "$wine_run" "$win32/velmora-host.exe" --x87-double --plugin "$win32/Velmora.8bf" $settings -o "$work/w32d.png" \
            "$work/input.png" && check "32-bit DLL, host x87 at 53 bits ($settings)" "$work/w32d.png" ||
            { echo "FAIL - 32-bit run at 53-bit x87"; failures=$((failures + 1)); }
    fi
    first=no
done
"$wine_run" "$win64/velmora-host.exe" --x87-double --plugin "$win64/Velmora.8bf" -b 12 -c -1 -o "$work/w64d.png" \
    "$work/input.png" && "$velmora" --overwrite -b 12 -c -1 -o "$work/native.png" "$work/input.png" &&
    check "64-bit DLL, host x87 at 53 bits" "$work/w64d.png" || failures=$((failures + 1))
# Hosts that replay settings but differ from the reference host: the 64-bit
# DLL in each, and every profile natively (hosts without scripting run the
# dialog with a scripted user there), against the reference bytes above.
for profile in psfilterpdn irfanview; do
    "$wine_run" "$win64/velmora-host.exe" --host-profile $profile --plugin "$win64/Velmora.8bf" -b 12 -c -1 \
        -o "$work/w64-$profile.png" "$work/input.png" && check "64-bit DLL in the $profile host" "$work/w64-$profile.png" ||
        { echo "FAIL - 64-bit run in the $profile host"; failures=$((failures + 1)); }
done
for profile in psfilterpdn pspi irfanview pspihost; do
    "$velmora" --host-profile $profile -b 12 -c -1 -o "$work/native-$profile.png" "$work/input.png" &&
        check "native in the $profile host" "$work/native-$profile.png" ||
        { echo "FAIL - native run in the $profile host"; failures=$((failures + 1)); }
done

# Every vector path and thread count gives the same bytes (a path the
# processor lacks falls to the one below, which is checked as well): native on
# each path with 1, 2 and 4 threads, the 64-bit DLL on each path, the 32-bit
# DLL on its floor and its widest path; all against the scalar path on one
# thread.
VELMORA_ISA=scalar VELMORA_THREADS=1 "$velmora" --overwrite -b 12 -c -1 -o "$work/native.png" "$work/input.png" || failures=$((failures + 1))
for isa in scalar sse2 avx2 avx512; do
    for threads in 1 2 4; do
        VELMORA_ISA=$isa VELMORA_THREADS=$threads "$velmora" --overwrite -b 12 -c -1 -o "$work/path.png" "$work/input.png" &&
            check "native, $isa path, $threads threads" "$work/path.png" || failures=$((failures + 1))
    done
    VELMORA_ISA=$isa VELMORA_THREADS=4 "$wine_run" "$win64/velmora-host.exe" --overwrite --plugin "$win64/Velmora.8bf" -b 12 -c -1 \
        -o "$work/w64path.png" "$work/input.png" && check "64-bit DLL, $isa path, 4 threads" "$work/w64path.png" ||
        failures=$((failures + 1))
done
if [ -n "$win32" ]; then
    for run in "sse2 4" "avx512 2"; do
        set -- $run
        VELMORA_ISA=$1 VELMORA_THREADS=$2 "$wine_run" "$win32/velmora-host.exe" --overwrite --plugin "$win32/Velmora.8bf" -b 12 \
            -c -1 -o "$work/w32path.png" "$work/input.png" && check "32-bit DLL, $1 path, $2 threads" "$work/w32path.png" ||
            failures=$((failures + 1))
    done
fi
# A 16-bit image (the photo's samples x 257, stretched so they use the 16-bit
# steps): native on every path with 1, 2 and 4 threads, the 64-bit DLL on
# every path, the 32-bit DLL on its floor and its widest path, all the bytes
# of the scalar path on one thread.
vips linear "$work/input.png" "$work/l.v" 257 0 && vips cast "$work/l.v" "$work/c.v" ushort &&
    vips resize "$work/c.v" "$work/r.v" 1.01 && vips copy "$work/r.v" "$work/deep.png" --interpretation rgb16 ||
    { echo "FAIL - making the 16-bit image"; failures=$((failures + 1)); }
VELMORA_ISA=scalar VELMORA_THREADS=1 "$velmora" --overwrite -b 20 -c -2 -o "$work/native.png" "$work/deep.png" ||
    failures=$((failures + 1))
for isa in scalar sse2 avx2 avx512; do
    for threads in 1 2 4; do
        VELMORA_ISA=$isa VELMORA_THREADS=$threads "$velmora" --overwrite -b 20 -c -2 -o "$work/path.png" "$work/deep.png" &&
            check "16-bit, native, $isa path, $threads threads" "$work/path.png" || failures=$((failures + 1))
    done
    VELMORA_ISA=$isa VELMORA_THREADS=4 "$wine_run" "$win64/velmora-host.exe" --overwrite --plugin "$win64/Velmora.8bf" -b 20 \
        -c -2 -o "$work/w64path.png" "$work/deep.png" && check "16-bit, 64-bit DLL, $isa path, 4 threads" "$work/w64path.png" ||
        failures=$((failures + 1))
done
if [ -n "$win32" ]; then
    for run in "sse2 4" "avx512 2"; do
        set -- $run
        VELMORA_ISA=$1 VELMORA_THREADS=$2 "$wine_run" "$win32/velmora-host.exe" --overwrite --plugin "$win32/Velmora.8bf" -b 20 \
            -c -2 -o "$work/w32path.png" "$work/deep.png" && check "16-bit, 32-bit DLL, $1 path, $2 threads" "$work/w32path.png" ||
            failures=$((failures + 1))
    done
fi

# The 32-bit DLL at the edge of its address space: 50 and 100 megapixels, and
# 50 megapixels at 16 bits, filter to the native bytes, or end with a memory
# error (never a crash).
if [ -n "$win32" ]; then
    for size in "3.6234 4.2929 50" "5.1243 6.0707 100" "3.6234 4.2929 50 16-bit"; do
        set -- $size
        source=$sample
        if [ $# -eq 4 ]; then  # the photo's samples x 257 (PPM holds them at 16 bits for the Windows tool)
            vips linear "$sample" "$work/l.v" 257 0 && vips cast "$work/l.v" "$work/c.v" ushort && source=$work/c.v
        fi
        vips resize "$source" "$work/big.v" "$1" --vscale "$2" &&
            vips copy "$work/big.v" "$work/big.ppm" &&
            vips copy "$work/big.v" "$work/big.tif" && rm -f "$work/big.v" || { echo "FAIL - making the $3 MP${4:+ $4} image"; failures=$((failures + 1)); continue; }
        "$velmora" --overwrite -o "$work/native-big.tif" "$work/big.tif" ||
            { echo "FAIL - native run at $3 MP${4:+ $4}"; failures=$((failures + 1)); }
        "$wine_run" "$win32/velmora-host.exe" --overwrite --plugin "$win32/Velmora.8bf" -o "$work/w32big.ppm" \
            "$work/big.ppm" 2>"$work/w32big.err"
        code=$?
        if [ $code -eq 0 ]; then
            if same_pixels "$work/native-big.tif" "$work/w32big.ppm"; then
                echo "ok   - 32-bit DLL at $3 megapixels${4:+ at $4}: output identical to native"
            else
                echo "FAIL - 32-bit DLL at $3 megapixels${4:+ at $4}: output differs from native"; failures=$((failures + 1))
            fi
        elif [ $code -eq 1 ] && grep -q -i "memory" "$work/w32big.err"; then
            echo "ok   - 32-bit DLL at $3 megapixels${4:+ at $4} ends with a memory error: $(head -n 1 "$work/w32big.err")"
        else
            echo "FAIL - 32-bit DLL at $3 megapixels${4:+ at $4}: exit $code, $(head -n 1 "$work/w32big.err")"; failures=$((failures + 1))
        fi
        rm -f "$work/big.ppm" "$work/big.tif" "$work/w32big.ppm" "$work/native-big.tif" "$work/diff.v" "$work/l.v" "$work/c.v"
    done
fi
echo "$failures failed"
[ $failures -eq 0 ]
