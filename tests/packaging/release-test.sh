#!/usr/bin/env bash
# The release folder and the release archive:
# - build/dist holds exactly the artefacts named with the build's version (the
#   installer, the archive, the tool's Debian package and, when the builds
#   have the GEGL operation, its package), and SHA256SUMS, which lists them
#   and matches them;
# - the archive holds exactly the files of zip-contents.txt; its plug-ins are
#   the builds' own (PE32+ in x64/, PE32 in x86/), its help page the one in
#   docs/; its SHA256SUMS covers and matches every other file; its texts have
#   Windows line ends and the version filled in.
#   release-test.sh VERSION_FILE DIST_DIR WIN64_DIR WIN32_DIR [gegl]
# Exit code 77 (skipped) when scripts/package.sh has not been run.
set -euo pipefail
version=$(cat "$1") dist=$2 win64=$3 win32=$4 gegl=${5:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
if [ ! -f "$dist/SHA256SUMS" ]; then
    echo "skipped: $dist/SHA256SUMS is missing; run scripts/package.sh first"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

echo "== build/dist"
setup=Velmora-$version-setup.exe zip=Velmora-$version-windows.zip
artefacts=("$setup" "$zip" "velmora_${version}_$(dpkg --print-architecture).deb")
[ -n "$gegl" ] && artefacts+=("velmora-gegl_${version}_$(dpkg --print-architecture).deb")
expected=$(printf '%s\n' "${artefacts[@]}" SHA256SUMS | LC_ALL=C sort)
[ "$(ls "$dist" | LC_ALL=C sort)" = "$expected" ] || fail "build/dist holds: $(ls "$dist" | tr '\n' ' ')"
[ "$(awk '{print $2}' "$dist/SHA256SUMS" | LC_ALL=C sort)" = "$(printf '%s\n' "${artefacts[@]}" | LC_ALL=C sort)" ] ||
    fail "SHA256SUMS lists: $(awk '{print $2}' "$dist/SHA256SUMS" | tr '\n' ' ')"
(cd "$dist" && sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not match the artefacts"

echo "== the release archive"
unzip -tq "$dist/$zip" >/dev/null || fail "the archive is damaged"
diff -u <(sed "s/@VERSION@/$version/g" "$here/zip-contents.txt" | LC_ALL=C sort) <(unzip -Z1 "$dist/$zip" | LC_ALL=C sort) ||
    fail "the archive's contents differ from zip-contents.txt"
unzip -q "$dist/$zip" -d "$work"
top=$work/Velmora-$version
pe_kind() {
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    case $(od -An -tx1 -j$((offset + 24)) -N2 "$1" | tr -d ' ') in
        0b02) echo PE32+ ;; 0b01) echo PE32 ;; *) echo unknown ;;
    esac
}
[ "$(pe_kind "$top/x64/Velmora.8bf")" = PE32+ ] || fail "x64/Velmora.8bf is not PE32+"
[ "$(pe_kind "$top/x86/Velmora.8bf")" = PE32 ] || fail "x86/Velmora.8bf is not PE32"
cmp -s "$top/x64/Velmora.8bf" "$win64/Velmora.8bf" || fail "x64/Velmora.8bf is not $win64/Velmora.8bf"
cmp -s "$top/x86/Velmora.8bf" "$win32/Velmora.8bf" || fail "x86/Velmora.8bf is not $win32/Velmora.8bf"
cmp -s "$top/Help/VelmoraHelp.htm" "$root/docs/VelmoraHelp.htm" || fail "Help/VelmoraHelp.htm is not docs/VelmoraHelp.htm"
(cd "$top" && sha256sum --check --quiet SHA256SUMS) || fail "the archive's SHA256SUMS does not match"
diff <(cd "$top" && find . -type f ! -name SHA256SUMS | sed 's#^\./##' | LC_ALL=C sort) \
     <(awk '{print $2}' "$top/SHA256SUMS" | LC_ALL=C sort) >/dev/null || fail "the archive's SHA256SUMS does not cover every file"
for text in "$top"/*.txt; do
    name=$(basename "$text")
    [ "$(grep -c $'\r$' "$text")" = "$(wc -l < "$text")" ] || fail "$name has lines without a Windows line end"
    ! grep -q '@VERSION@' "$text" || fail "$name still holds @VERSION@"
done
for text in "$top"/INSTALL*.txt; do
    grep -q "Velmora $version" "$text" || fail "$(basename "$text") does not name version $version"
done
cmp -s <(tr -d '\r' < "$top/LICENSE.txt") "$root/packaging/LICENSE.txt" || fail "LICENSE.txt is not packaging/LICENSE.txt"

if [ $failures -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "all release checks passed"
