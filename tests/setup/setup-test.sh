#!/usr/bin/env bash
# The README's two commands on a mirror that is not perfect: stand-ins for
# apt-get and dpkg-query, first on PATH, play a package index that fails to
# download, a wine32:i386 that cannot be installed, an unknown package, no
# network, a read-only file system and a user without root.
#
#   setup-test.sh SOURCE_DIR WORK_DIR
set -uo pipefail
src=$1 work=$2
rm -rf "$work" && mkdir -p "$work/bin" || exit 1
export FAKE_STATE=$work/installed FAKE_LOG=$work/apt.log
real_dpkg_query=$(command -v dpkg-query)

# dpkg-query: packages named in FAKE_MISSING are not installed until the
# stand-in apt-get has installed them; every other answer is the real one.
cat > "$work/bin/dpkg-query" <<STUB
#!/usr/bin/env bash
pkg=\${@: -1}
if [[ " \${FAKE_MISSING:-} " == *" \$pkg "* ]] && ! grep -qx -- "\$pkg" "\$FAKE_STATE" 2>/dev/null; then
    echo "dpkg-query: no packages found matching \$pkg" >&2; exit 1
fi
exec $real_dpkg_query "\$@"
STUB
cat > "$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "$*" >> "$FAKE_LOG"
args=" $* "
if [[ $args == *" update "* ]]; then
    if [ -n "${FAKE_NO_NETWORK:-}" ]; then
        echo "Err:1 http://deb.debian.org/debian bookworm InRelease"
        echo "  Temporary failure resolving 'deb.debian.org'"
        echo "W: Failed to fetch http://deb.debian.org/debian/dists/bookworm/InRelease  Temporary failure resolving 'deb.debian.org'"
        exit 100
    fi
    echo "Err:5 http://deb.debian.org/debian-security bookworm-security/main i386 Packages"
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (4242 != 4343). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100
fi
[ -n "${FAKE_NO_NETWORK:-}" ] && { echo "E: Failed to fetch http://deb.debian.org/debian/pool/x.deb  Temporary failure resolving 'deb.debian.org'"; exit 100; }
[ -n "${FAKE_READ_ONLY:-}" ] && { echo "E: Could not open file /var/cache/apt/pkgcache.bin - open (30: Read-only file system)"; exit 100; }
for p in ${FAKE_UNKNOWN:-}; do
    [[ $args == *" $p "* ]] && { echo "E: Unable to locate package $p"; exit 100; }
done
if [[ $args == *" wine32:i386 "* ]]; then
    echo " wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
fi
[[ $args == *" -s "* ]] && exit 0
for p in $*; do [[ $p == -* || $p == install ]] || echo "$p" >> "$FAKE_STATE"; done
STUB
chmod +x "$work/bin/"*
export PATH=$work/bin:$PATH

failures=0
check() {  # check DESCRIPTION COMMAND...: counts a failure when the command fails
    local what=$1; shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
reset() { rm -f "$FAKE_STATE" "$FAKE_LOG"; unset FAKE_MISSING FAKE_UNKNOWN FAKE_NO_NETWORK FAKE_READ_ONLY; }
calls() { grep -c -- "$1" "$FAKE_LOG" 2>/dev/null || true; }

# The main job on a mirror mid-sync: the sample is filtered all the same.
reset
export FAKE_MISSING="libvips-dev wine32:i386"
sample=$src/build/seeding-velmora.jpg
rm -f "$sample"
bash "$src/scripts/run-sample.sh" > "$work/sample.out" 2>&1
status=$?
cat "$work/sample.out"
check "run-sample.sh exits 0 on a mirror with a failed index" [ $status -eq 0 ]
check "the filtered sample is written" test -s "$sample"
check "the failed index is retried once" [ "$(calls update)" -eq 2 ]
check "the failed index is reported in one line" [ "$(grep -c "index is incomplete" "$work/sample.out")" -eq 1 ]
check "the tool role installs the tool's packages only" grep -qx "install -y -q libvips-dev" "$FAKE_LOG"
check "the tool role asks nothing of 32-bit Wine" [ "$(calls wine32)" -eq 0 ]
: > "$FAKE_LOG"
bash "$src/scripts/run-sample.sh" > "$work/sample2.out" 2>&1
check "a second run installs nothing" [ ! -s "$FAKE_LOG" ]
check "a second run prints no set-up line" [ "$(grep -c '^setup:' "$work/sample2.out")" -eq 0 ]

# The test command's set-up: the rest is installed, 32-bit Wine is not, and
# its tests are announced as not run.
reset
export FAKE_MISSING="nsis wine32:i386"
bash "$src/scripts/test.sh" --setup-only > "$work/test.out" 2>&1
status=$?
cat "$work/test.out"
check "the test set-up goes on without 32-bit Wine" [ $status -eq 0 ]
check "the required packages are installed in their own step" grep -qx "install -y -q nsis" "$FAKE_LOG"
check "32-bit Wine is tried in a step of its own" grep -qx "install -y -q wine32:i386" "$FAKE_LOG"
check "the missing 32-bit Wine is said" grep -q "cannot install wine32:i386: its dependencies cannot be resolved.*its tests will not run" "$work/test.out"
check "the 32-bit tests are announced as not run" grep -q "win32 tests NOT RUN" "$work/test.out"
check "set-up's output fits on a screen" [ "$(wc -l < "$work/test.out")" -le 24 ]

# Causes that stop set-up: one line naming the package or the cause, exit 1.
one_line_failure() {  # one_line_failure PATTERN ROLE
    bash "$src/scripts/setup.sh" "$2" > "$work/fail.out" 2>&1
    local status=$?
    cat "$work/fail.out"
    [ $status -eq 1 ] && [ "$(grep -c "$1" "$work/fail.out")" -eq 1 ]
}
reset; export FAKE_MISSING="cmake libvips-dev" FAKE_UNKNOWN="cmake"
check "an unknown package is named" one_line_failure "cannot install cmake: apt does not know it" tool
reset; export FAKE_MISSING="libvips-dev" FAKE_NO_NETWORK=1
check "no network is named as the cause" one_line_failure "cannot install libvips-dev: the packages could not be downloaded" tool
reset; export FAKE_MISSING="libvips-dev" FAKE_READ_ONLY=1
check "a read-only file system is named as the cause" one_line_failure "read-only" tool
reset; export FAKE_MISSING="libvips-dev"
printf '#!/bin/sh\necho 1000\n' > "$work/bin/id"
printf '#!/bin/sh\necho "sudo: a password is required" >&2\nexit 1\n' > "$work/bin/sudo"
chmod +x "$work/bin/id" "$work/bin/sudo"
check "a user without root is told so" one_line_failure "needs root" tool
rm -f "$work/bin/id" "$work/bin/sudo"
reset
check "nothing missing: set-up needs neither root nor the network" bash "$src/scripts/setup.sh" tool

echo "$failures failure(s)"
[ $failures -eq 0 ]
