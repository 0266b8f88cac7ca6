#!/usr/bin/env bash
# Builds the release artefacts into build/dist/, named with the version of
# project() in the top-level CMakeLists.txt:
#   Velmora-VERSION-setup.exe     Windows installer of both plug-ins and the help page
#   Velmora-VERSION-windows.zip   both plug-ins (x64/, x86/), help page, INSTALL texts, licence, sums
#   velmora_VERSION_ARCH.deb      Debian package of the command-line tool
#   velmora-gegl_VERSION_ARCH.deb Debian package of the GEGL operation, where libgegl-dev is there
#   SHA256SUMS                    the checksums of the others
# Needs the packages of scripts/setup.sh. File dates inside the artefacts are
# SOURCE_DATE_EPOCH (by default the time of the last commit), not the time of
# the build. Staging folders are kept in build/package/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
pkg=$root/build/package
dist=$root/build/dist

for tool in cmake cpack makensis zip dpkg-shlibdeps sha256sum; do
    command -v "$tool" >/dev/null || { echo "package.sh: $tool is missing; run scripts/setup.sh" >&2; exit 1; }
done
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)
fi
export SOURCE_DATE_EPOCH
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
    echo "package.sh: warning: the tree has uncommitted changes; the artefacts include them" >&2
fi

# The native build the tool is packaged from: by default the main job's build
# of the tool alone (Release, no tests), made here; VELMORA_TOOL_BUILD names
# another Release build already configured (the test command's native build).
tool_build=${VELMORA_TOOL_BUILD:-tool}
echo "== package: native build of velmora (build/$tool_build)"
if [ "$tool_build" = tool ]; then
    bash "$root/scripts/build.sh" tool
else
    cmake --build "$root/build/$tool_build" -j2 --target velmora velmora_deb_docs -- --quiet
fi
# The GEGL operation beside it, when the build found GEGL.
gegl=no
if cmake --build "$root/build/$tool_build" --target help | grep -q '^velmora_gegl:'; then
    cmake --build "$root/build/$tool_build" -j2 --target velmora_gegl -- --quiet
    gegl=yes
fi
version=$(cat "$root/build/$tool_build/velmora-version.txt")
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "package.sh: unexpected version '$version'" >&2; exit 1; }

echo "== package: Windows builds"
bash "$root/scripts/build.sh" win64 win32-dll

# PE32+ (optional header magic 0x20b) or PE32 (0x10b) of a Windows binary.
pe_kind() {
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    case $(od -An -tx1 -j$((offset + 24)) -N2 "$1" | tr -d ' ') in
        0b02) echo PE32+ ;; 0b01) echo PE32 ;; *) echo unknown ;;
    esac
}
[ "$(pe_kind "$root/build/win64/Velmora.8bf")" = PE32+ ] || { echo "package.sh: build/win64/Velmora.8bf is not PE32+" >&2; exit 1; }
[ "$(pe_kind "$root/build/win32/Velmora.8bf")" = PE32 ] || { echo "package.sh: build/win32/Velmora.8bf is not PE32" >&2; exit 1; }

# Text for Windows users: CRLF line ends, the version filled in.
windows_text() { sed -e "s/@VERSION@/$version/g" -e 's/\r$//' -e 's/$/\r/' "$1" > "$2"; }

# The help page and every local file it refers to (pictures, style sheets).
help_files() {
    echo VelmoraHelp.htm
    grep -o -i -E '(src|href)="[^"]*"' "$root/docs/VelmoraHelp.htm" | sed -E 's/^[^"]*"([^"#?]*).*/\1/' |
        grep -v -E '^$|^[a-zA-Z][a-zA-Z0-9+.-]*:|^/' | LC_ALL=C sort -u || true
}
stage_help() {
    local into=$1 file
    for file in $(help_files); do
        case $file in *..*) echo "package.sh: the help page refers outside docs/: $file" >&2; exit 1 ;; esac
        [ -f "$root/docs/$file" ] || { echo "package.sh: the help page refers to docs/$file, which is missing" >&2; exit 1; }
        install -D -m 644 "$root/docs/$file" "$into/$file"
    done
}
# Every file and folder of a staging tree dated SOURCE_DATE_EPOCH.
fix_dates() { find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +; }

rm -rf "$pkg/windows" "$pkg/zip" "$pkg/deb" "$dist"
mkdir -p "$dist"

echo "== package: Windows installer"
stage=$pkg/windows
install -D -m 644 "$root/build/win64/Velmora.8bf" "$stage/x64/Velmora.8bf"
install -D -m 644 "$root/build/win32/Velmora.8bf" "$stage/x86/Velmora.8bf"
windows_text "$root/packaging/LICENSE.txt" "$stage/LICENSE.txt"
stage_help "$stage/Help"
{
    echo "; Written by scripts/package.sh: the help files, for installing and removing them."
    echo "!macro InstallHelpFiles"
    (cd "$stage/Help" && find . -type d | sed -E 's#^\.(/|$)##' | LC_ALL=C sort) | while read -r dir; do
        win=${dir//\//\\}
        echo "  SetOutPath \"\$INSTDIR\\Help${win:+\\$win}\""
        (cd "$stage/Help/$dir" && find . -maxdepth 1 -type f | sed 's#^\./##' | LC_ALL=C sort) | while read -r f; do
            echo "  File \"$stage/Help/${dir:+$dir/}$f\""
        done
    done
    echo "!macroend"
    echo "!macro RemoveHelpFiles DIR"
    (cd "$stage/Help" && find . -type f | LC_ALL=C sort) | while read -r f; do
        f=${f#./}; echo "  Delete \"\${DIR}\\${f//\//\\}\""
    done
    (cd "$stage/Help" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while read -r dir; do
        dir=${dir#./}; echo "  RMDir \"\${DIR}\\${dir//\//\\}\""
    done
    echo "!macroend"
} > "$stage/help-files.nsh"
fix_dates "$stage"
setup=Velmora-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$dist/$setup" "$root/packaging/windows/Velmora.nsi"

echo "== package: release archive"
top=Velmora-$version
tree=$pkg/zip/$top
install -D -m 644 "$root/build/win64/Velmora.8bf" "$tree/x64/Velmora.8bf"
install -D -m 644 "$root/build/win32/Velmora.8bf" "$tree/x86/Velmora.8bf"
stage_help "$tree/Help"
windows_text "$root/packaging/LICENSE.txt" "$tree/LICENSE.txt"
for text in "$root"/packaging/windows/INSTALL*.txt; do
    windows_text "$text" "$tree/$(basename "$text")"
done
(cd "$tree" && find . -type f ! -name SHA256SUMS | sed 's#^\./##' | LC_ALL=C sort | xargs sha256sum > SHA256SUMS)
fix_dates "$tree"
zip_name=Velmora-$version-windows.zip
# -X: no owner or extended time fields; UTC, since zip stores local times.
(cd "$pkg/zip" && find "$top" | LC_ALL=C sort | TZ=UTC zip -X -q -@ "$dist/$zip_name")

echo "== package: Debian packages"
(cd "$root/build/$tool_build" && cpack -G DEB -B "$pkg/deb" >/dev/null)
artefacts=("$setup" "$zip_name" "velmora_${version}_$(dpkg --print-architecture).deb")
[ $gegl = yes ] && artefacts+=("velmora-gegl_${version}_$(dpkg --print-architecture).deb")
for deb_name in "${artefacts[@]:2}"; do cp "$pkg/deb/$deb_name" "$dist/$deb_name"; done

(cd "$dist" && sha256sum "${artefacts[@]}" > SHA256SUMS)
echo "== package: build/dist/"
(cd "$dist" && ls -l --time-style=+ "${artefacts[@]}" SHA256SUMS | awk '{print $5, $NF}')
