#!/usr/bin/env bash
# The Windows installer under Wine, in a copy of the tests' Wine prefix, run
# from batch files as an administrator would:
# - refused installs (a folder that cannot be written or created, a relative
#   path, one folder for both plug-ins, no plug-ins folder) exit with 2, say
#   why, and change nothing;
# - a silent install puts every file where it belongs, byte for byte, and sets
#   the help value that the plug-in's Help button reads, in each registry view,
#   read back by the plug-in's own code (velmora_help_folder.exe of each build);
# - installing over an older version, installing twice, and installing after
#   an install stopped part-way all work and leave nothing of the earlier one;
# - without /X64 the 64-bit plug-in goes into the newest Photoshop's plug-ins
#   folder recorded in the registry, else into Paint.NET's Effects folder;
# - the uninstaller leaves no file and no registry value behind.
# The installer is a 32-bit program. Where 32-bit Wine does not run natively
# (it cannot start, or only through qemu's emulator, which takes a minute or
# more per start), the test uses the same script built for 64-bit Windows,
# and reads the 32-bit registry view with reg.exe instead of the 32-bit
# plug-in's code; VELMORA_INSTALLER_TEST_STUB=amd64 asks for that anywhere.
#   installer-test.sh VERSION_FILE DIST_DIR WIN64_DIR WIN32_DIR
# Exit code 77 (skipped) when scripts/package.sh has not been run.
set -euo pipefail
version=$(cat "$1") dist=$2 win64=$3 win32=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
setup=$dist/Velmora-$version-setup.exe
if [ ! -f "$setup" ]; then
    echo "skipped: $setup is missing; run scripts/package.sh first"
    exit 77
fi
stub=${VELMORA_INSTALLER_TEST_STUB:-x86}
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || ! timeout 20 /usr/lib/wine/wine --version >/dev/null 2>&1; then
    stub=amd64
fi
checks=("$win64/tests/velmora_help_folder.exe")
[ $stub = amd64 ] || checks+=("$win32/tests/velmora_help_folder.exe")
for f in "${checks[@]}" "$win32/Velmora.8bf"; do
    [ -f "$f" ] || { echo "FAIL: $f is missing (build win64 and win32)"; exit 1; }
done

# A copy of the suite's prefix, made again when a run did not end cleanly.
main_prefix=${VELMORA_WINEPREFIX:-$root/.wine}
prefix=$root/build/wine-installer-test
unclean=$prefix/velmora-test-unclean
if [ ! -f "$prefix/system.reg" ] || [ -e "$unclean" ]; then
    rm -rf "$prefix"
    cp -a "$main_prefix" "$prefix"
fi
touch "$unclean"
export WINEPREFIX=$prefix VELMORA_WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
work=$(mktemp -d)
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
/usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null
drive_c=$prefix/drive_c

wine64() { WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "$@"; }
wine64 cmd /c exit >/dev/null 2>&1 </dev/null

# The installer under test, and an older version of it built from the same script.
old_setup=$work/Velmora-1.0.0-setup.exe
build_setup() {
    local target=()
    [ $stub = amd64 ] && target=(-DTARGET=amd64-unicode)
    makensis -V1 "${target[@]}" -DVERSION="$1" -DSTAGE="$root/build/package/windows" -DOUTFILE="$2" \
             "$root/packaging/windows/Velmora.nsi" >/dev/null
}
if [ $stub = amd64 ]; then
    echo "note: 32-bit Wine does not run natively here: testing the installer script built for 64-bit Windows"
    setup=$work/Velmora-$version-setup-amd64.exe
    build_setup "$version" "$setup"
fi
build_setup 1.0.0 "$old_setup"
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
# The Unix path of a C:\ path.
unixpath() { local p=${1#C:\\}; echo "$drive_c/${p//\\//}"; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs one command line from a batch file; its output goes to $work/out.
run() {
    printf '@echo off\r\n%s\r\nexit /b %%ERRORLEVEL%%\r\n' "$1" > "$work/run.bat"
    local status=0
    wine64 cmd /c "$(winpath "$work/run.bat")" > "$work/out" 2>&1 </dev/null || status=$?
    tr -d '\r' < "$work/out" > "$work/out.txt"
    return $status
}
install() { run "\"$(winpath "$1")\" /S $2"; }

# The help folder the plug-in of one width reads ("" when none), and whether
# the help page is there (the check program's exit code).
help_value() {
    local dir=$win64 status=0
    [ "$1" = 32 ] && dir=$win32
    if [ "$1" = 32 ] && [ $stub = amd64 ]; then
        local folder
        folder=$(wine64 reg query 'HKLM\SOFTWARE\TARVIC\MLX Plug-Ins\VLM\10' /v HelpFile /reg:32 2>/dev/null </dev/null |
                 tr -d '\r' | sed -n 's/^ *HelpFile *REG_SZ *//p')
        if [ -z "$folder" ]; then status=1; elif [ ! -f "$(unixpath "$folder")/VelmoraHelp.htm" ]; then status=2; fi
        echo "$folder|$status"
        return
    fi
    "$root/scripts/wine-run" "$dir/tests/velmora_help_folder.exe" > "$work/help" 2>/dev/null </dev/null || status=$?
    echo "$(tr -d '\r' < "$work/help")|$status"
}

uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora'
recorded() { wine64 reg query "$uninst_key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_SZ *//p"; }

# Everything on drive C: (temporary folders aside) and the whole registry
# below HKLM\Software (both views) and HKCU\Software.
snapshot() {
    (cd "$drive_c" && find . \( -path ./windows/temp -o -path './users/*/Temp' \) -prune -o -print |
        LC_ALL=C sort) > "$1.files"
    local hive
    for hive in HKLM HKCU; do
        # A fresh file each time, tried again when reg fails (seen on a loaded
        # machine): a stale export would compare one hive with another.
        local attempt
        for attempt in 1 2 3; do
            rm -f "$work/export.reg"
            wine64 reg export "$hive\\Software" "$(winpath "$work/export.reg")" /y >/dev/null 2>&1 </dev/null &&
                [ -s "$work/export.reg" ] && break
        done
        [ -s "$work/export.reg" ] || fail "reg export $hive\\Software failed three times"
        iconv -f UTF-16LE -t UTF-8 "$work/export.reg" | tr -d '\r' > "$1.$hive"
    done
}
unchanged_since() {
    local what=$1 kind changed=0
    snapshot "$work/now"
    for kind in files HKLM HKCU; do
        if ! diff -u "$work/$2.$kind" "$work/now.$kind" > "$work/diff"; then
            fail "$what: changed $kind:"; head -40 "$work/diff"; changed=1
        fi
    done
    return $changed
}

# Every file of an install in place, byte for byte, and the help value of
# each plug-in installed naming the help folder (X86 "" for none).
expect_installed() {
    local what=$1 instdir=$2 x64=$3 x86=$4
    cmp -s "$root/docs/VelmoraHelp.htm" "$(unixpath "$instdir")/Help/VelmoraHelp.htm" ||
        fail "$what: the help page is not in $instdir\\Help"
    [ -f "$(unixpath "$instdir")/Uninstall.exe" ] || fail "$what: no uninstaller in $instdir"
    [ -f "$(unixpath "$instdir")/LICENSE.txt" ] || fail "$what: no licence in $instdir"
    cmp -s "$win64/Velmora.8bf" "$(unixpath "$x64")/Velmora.8bf" || fail "$what: the 64-bit plug-in is not in $x64"
    [ "$(help_value 64)" = "$instdir\\Help\\|0" ] || fail "$what: 64-bit help value: $(help_value 64)"
    if [ -n "$x86" ]; then
        cmp -s "$win32/Velmora.8bf" "$(unixpath "$x86")/Velmora.8bf" || fail "$what: the 32-bit plug-in is not in $x86"
        [ "$(help_value 32)" = "$instdir\\Help\\|0" ] || fail "$what: 32-bit help value: $(help_value 32)"
    else
        [ "$(help_value 32)" = "|1" ] || fail "$what: a 32-bit help value was set: $(help_value 32)"
    fi
    [ "$(recorded DisplayVersion)" = "$5" ] || fail "$what: the installed version is '$(recorded DisplayVersion)'"
}

uninstall() {
    run "\"$1\\Uninstall.exe\" /S" || fail "uninstall: exit code $?"
    # The uninstaller runs on from a copy of itself; its last step removes its record.
    local waited=0
    while wine64 reg query "$uninst_key" >/dev/null 2>&1 </dev/null; do
        sleep 0.5
        waited=$((waited + 1))
        [ $waited -lt 60 ] || { fail "uninstall: not finished after 30 s"; return; }
    done
    sleep 1
}

echo "== refused installs change nothing"
mkdir -p "$drive_c/Hosts"
echo "not a folder" > "$drive_c/Hosts/notes.txt"
snapshot "$work/start"
refuse() {
    local status=0
    install "$setup" "$1" || status=$?
    [ $status = 2 ] || fail "refused install ($1): exit code $status, not 2"
    grep -q "^Velmora setup: $2" "$work/out.txt" || fail "refused install ($1): said '$(cat "$work/out.txt")'"
}
refuse '/X64=Z:\proc' 'Velmora cannot write to the folder "Z:\\proc"'
refuse '/X64="C:\Hosts\notes.txt\Plug-ins"' 'Velmora cannot create the folder'
refuse '/X64=Plug-ins' '"Plug-ins" is not a full folder path'
refuse '/X64="C:\Hosts\Both" /X86="C:\Hosts\Both\"' 'The 64-bit and the 32-bit plug-in need different folders'
refuse '' 'Choose the plug-ins folder for the 64-bit Velmora.8bf'
refuse '/X64="C:\Hosts\Photoshop 64\Plug-ins" /D=Z:\proc\Velmora' 'Velmora cannot create the folder "Z:\\proc\\Velmora"'
unchanged_since "refused installs" start || true

echo "== an older version, then this one over it"
install "$old_setup" '/X64="C:\Hosts\Old 64\Plug-ins" /X86="C:\Hosts\Old 32\Plug-ins" /D=C:\Velmora Old' ||
    fail "older version: exit code $?"
expect_installed "older version" 'C:\Velmora Old' 'C:\Hosts\Old 64\Plug-ins' 'C:\Hosts\Old 32\Plug-ins' 1.0.0
x64='C:\Hosts\Photoshop 64\Plug-ins' x86='C:\Hosts\Host 32\Plug-ins'
install "$setup" "/X64=\"$x64\" /X86=\"$x86\"" || fail "over the older version: exit code $?"
expect_installed "over the older version" 'C:\Program Files\Velmora' "$x64" "$x86" "$version"
for gone in 'C:\Velmora Old' 'C:\Hosts\Old 64' 'C:\Hosts\Old 32'; do
    [ ! -e "$(unixpath "$gone")" ] || fail "over the older version: $gone is still there"
done

echo "== installing twice"
install "$setup" "/X64=\"$x64\" /X86=\"$x86\"" || fail "second install: exit code $?"
expect_installed "second install" 'C:\Program Files\Velmora' "$x64" "$x86" "$version"

echo "== an install stopped part-way, then installed again"
# What a stop while copying leaves: the record written, the uninstaller, a
# plug-in and a help value not yet.
rm "$drive_c/Program Files/Velmora/Uninstall.exe" "$(unixpath "$x86")/Velmora.8bf"
wine64 reg delete 'HKLM\SOFTWARE\TARVIC\MLX Plug-Ins\VLM\10' /v HelpFile /f >/dev/null 2>&1 </dev/null
install "$setup" "/X64=\"$x64\"" || fail "after a stopped install: exit code $?"
expect_installed "after a stopped install" 'C:\Program Files\Velmora' "$x64" "" "$version"
[ ! -e "$drive_c/Hosts/Host 32" ] || fail "after a stopped install: the 32-bit plug-ins folder is still there"

echo "== the uninstaller leaves nothing behind"
uninstall 'C:\Program Files\Velmora'
[ "$(help_value 64)|$(help_value 32)" = "|1||1" ] || fail "after uninstall: help values $(help_value 64) $(help_value 32)"
unchanged_since "install and uninstall" start || true

echo "== the hosts' plug-ins folders, found in the registry"
reg_add() { wine64 reg add "$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1 </dev/null; }
for v in "130.0|C:\Hosts\Adobe Photoshop CC 2019" "180.0|C:\Hosts\Adobe Photoshop 2024"; do
    reg_add "HKLM\\SOFTWARE\\Adobe\\Photoshop\\${v%%|*}" ApplicationPath "${v#*|}\\"
    mkdir -p "$(unixpath "${v#*|}")/Plug-ins"
done
reg_add 'HKLM\SOFTWARE\paint.net' TARGETDIR 'C:\Hosts\paint.net\'
mkdir -p "$drive_c/Hosts/paint.net/Effects"
snapshot "$work/hosts"
install "$setup" "" || fail "install into a host found: exit code $?"
expect_installed "install into a host found" 'C:\Program Files\Velmora' 'C:\Hosts\Adobe Photoshop 2024\Plug-ins' "" \
    "$version"
[ -z "$(find "$drive_c/Hosts" -name Velmora.8bf ! -path '*/Adobe Photoshop 2024/*')" ] ||
    fail "install into a host found: installed into another host too"
uninstall 'C:\Program Files\Velmora'
unchanged_since "install into a host found and uninstall" hosts || true
wine64 reg delete 'HKLM\SOFTWARE\Adobe' /f >/dev/null 2>&1 </dev/null
install "$setup" "" || fail "install into Paint.NET: exit code $?"
expect_installed "install into Paint.NET" 'C:\Program Files\Velmora' 'C:\Hosts\paint.net\Effects' "" "$version"
uninstall 'C:\Program Files\Velmora'
wine64 reg delete 'HKLM\SOFTWARE\paint.net' /f >/dev/null 2>&1 </dev/null
rm -rf "$drive_c/Hosts"

if [ $failures -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
rm -f "$unclean"
echo "all installer checks passed"
