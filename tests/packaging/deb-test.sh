#!/usr/bin/env bash
# The Debian package of the command-line tool:
# - lintian reports neither errors nor warnings;
# - it depends on the libvips runtime, and apt can resolve every dependency
#   here (a dry run, which installs nothing);
# - its man page documents every option that velmora --help lists;
# - installed with dpkg into a scratch root, its velmora reports the build's
#   version and filters the bundled sample to the very bytes the build's own
#   velmora writes; removed, it leaves no file behind.
#   deb-test.sh VERSION_FILE DIST_DIR REFERENCE_VELMORA SAMPLE.jpg
# Exit code 77 (skipped) when the package has not been made.
set -euo pipefail
version=$(cat "$1") dist=$2 reference=$3 sample=$4
deb=$(realpath -m "$dist")/velmora_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
    echo "skipped: $deb is missing; run scripts/package.sh first"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

echo "== lintian"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" > "$work/lintian" 2>&1 ||
    fail "lintian reports errors or warnings"
grep -v "running with root privileges" "$work/lintian" || true

echo "== dependencies"
[ "$(dpkg-deb -f "$deb" Package)" = velmora ] || fail "package name $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version), not $version"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[[ $depends == *libvips42* ]] || fail "no dependency on libvips42"
if apt-get install --simulate --no-download "$deb" > "$work/apt" 2>&1; then
    grep -q "^Inst velmora " "$work/apt" || { fail "apt would not install velmora:"; cat "$work/apt"; }
else
    fail "apt cannot resolve the dependencies:"; cat "$work/apt"
fi

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
