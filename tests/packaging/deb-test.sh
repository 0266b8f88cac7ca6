#!/usr/bin/env bash
# The Debian packages of the command-line tool and of the GEGL operation:
# - lintian reports neither errors nor warnings;
# - the tool's depends on the libvips runtime, the operation's on GEGL's, and
#   apt can resolve every dependency here (a dry run, which installs nothing);
# - the tool's man page documents every option that velmora --help lists;
# - installed with dpkg into a scratch root, its velmora reports the build's
#   version and filters the bundled sample to the very bytes the build's own
#   velmora writes; the operation lands in GEGL's folder of operations and,
#   run by the gegl command, gives the pixels of the build's velmora (gegl
#   writes 16-bit PNG: 257 times each byte); removed, they leave no file
#   behind.
#   deb-test.sh VERSION_FILE DIST_DIR REFERENCE_VELMORA SAMPLE.jpg [GEGL_OPERATIONS_DIR]
# The last names GEGL's folder of operations when the builds have the GEGL
# operation: its package must be there too. Exit code 77 (skipped) when the
# packages have not been made.
set -euo pipefail
version=$(cat "$1") dist=$2 reference=$3 sample=$4 operations=${5:-}
arch=$(dpkg --print-architecture)
deb=$(realpath -m "$dist")/velmora_${version}_$arch.deb
if [ ! -f "$deb" ]; then
    echo "skipped: $deb is missing; run scripts/package.sh first"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# lintian, the control fields and a dry run of apt: PACKAGE.deb, its name and
# a library it must depend on.
check_package() {
    local deb=$1 name=$2 library=$3 depends
    echo "== $name: lintian"
    lintian --fail-on error,warning --tag-display-limit 0 "$deb" > "$work/lintian" 2>&1 ||
        fail "lintian reports errors or warnings on $name"
    grep -v "running with root privileges" "$work/lintian" || true
    echo "== $name: dependencies"
    [ "$(dpkg-deb -f "$deb" Package)" = "$name" ] || fail "package name $(dpkg-deb -f "$deb" Package)"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version), not $version"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    [[ $depends == *$library* ]] || fail "$name does not depend on $library"
    if apt-get install --simulate --no-download "$deb" > "$work/apt" 2>&1; then
        grep -q "^Inst $name " "$work/apt" || { fail "apt would not install $name:"; cat "$work/apt"; }
    else
        fail "apt cannot resolve the dependencies of $name:"; cat "$work/apt"
    fi
}
check_package "$deb" velmora libvips42

echo "== install into a scratch root"
scratch=$work/root
mkdir -p "$scratch/var/lib/dpkg/info" "$scratch/var/lib/dpkg/updates" "$scratch/var/lib/dpkg/triggers"
touch "$scratch/var/lib/dpkg/status" "$scratch/var/lib/dpkg/available"
# The scratch root holds no libraries: the dependencies are this system's.
dpkg_root() { dpkg --root="$scratch" --force-depends --force-not-root --log=/dev/null "$@"; }
dpkg_root --install "$deb" > "$work/dpkg" 2>&1 || { fail "dpkg --install failed:"; cat "$work/dpkg"; }
tool=$scratch/usr/bin/velmora
[ -x "$tool" ] || fail "no /usr/bin/velmora"
[ -f "$scratch/usr/share/man/man1/velmora.1.gz" ] || fail "no man page"
[ "$("$tool" --version)" = "velmora $version" ] || fail "velmora --version says '$("$tool" --version)'"

# Every option of --help, short and long, in the man page.
man=$(zcat "$scratch/usr/share/man/man1/velmora.1.gz" | sed 's/\\-/-/g')
options=$("$tool" --help | sed -n -E 's/^ +((-[a-zA-Z0-9], )?--[a-zA-Z0-9-]+).*/\1/p' | tr -d ',')
[ -n "$options" ] || fail "velmora --help lists no options"
for option in $options; do
    grep -q -E -- "(^|[^a-zA-Z0-9-])$option([^a-zA-Z0-9-]|$)" <<< "$man" || fail "the man page does not document $option"
done
man_warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
               "$scratch/usr/share/man/man1/velmora.1.gz" 2>&1 >/dev/null || true)
[ -z "$man_warnings" ] || fail "man reports: $man_warnings"

ASAN_OPTIONS=detect_leaks=0 "$reference" "$sample" -o "$work/reference.jpg"
"$tool" "$sample" -o "$work/packaged.jpg" || fail "the packaged velmora could not filter $sample"
cmp -s "$work/reference.jpg" "$work/packaged.jpg" || fail "the packaged velmora's output differs from the build's"
cmp -s "$sample" "$work/packaged.jpg" && fail "the packaged velmora's output is its input"

if [ -n "$operations" ]; then
    gegl_deb=$(realpath -m "$dist")/velmora-gegl_${version}_$arch.deb
    if [ -f "$gegl_deb" ]; then
        check_package "$gegl_deb" velmora-gegl libgegl-0.4-0
        echo "== velmora-gegl: install into the scratch root"
        dpkg_root --install "$gegl_deb" > "$work/dpkg" 2>&1 || { fail "dpkg --install failed:"; cat "$work/dpkg"; }
        [ -f "$scratch$operations/velmora.so" ] || fail "no $operations/velmora.so"
        # A part of the sample, through the packaged operation and through the build's velmora.
        vips crop "$sample" "$work/part.png" 800 400 800 600
        ASAN_OPTIONS=detect_leaks=0 "$reference" -b 15 -c 1 "$work/part.png" -o "$work/velmora.png"
        GEGL_PATH=$scratch$operations:$operations BABL_TOLERANCE=0 gegl "$work/part.png" -o "$work/packaged.png" \
            -- velmora:shadow-recovery brightness=15 color=1 2>/dev/null || fail "gegl could not run the packaged operation"
        { vips linear "$work/velmora.png" "$work/scaled.v" 257 0 &&
          vips relational "$work/packaged.png" "$work/scaled.v" "$work/equal.v" equal &&
          [ "$(vips min "$work/equal.v")" = 255.000000 ]; } || fail "the packaged operation's pixels differ from velmora's"
        dpkg_root --purge velmora-gegl > "$work/dpkg" 2>&1 || { fail "dpkg --purge failed:"; cat "$work/dpkg"; }
    else
        fail "$gegl_deb is missing, and the builds have the GEGL operation"
    fi
fi

echo "== remove"
dpkg_root --purge velmora > "$work/dpkg" 2>&1 || { fail "dpkg --purge failed:"; cat "$work/dpkg"; }
left=$(cd "$scratch" && find . ! -type d ! -path './var/lib/dpkg/*')
[ -z "$left" ] || fail "left after removal: $left"
dpkg_root --status velmora >/dev/null 2>&1 && fail "dpkg still lists velmora"

if [ $failures -gt 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "all package checks passed"
