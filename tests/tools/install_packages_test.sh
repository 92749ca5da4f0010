#!/usr/bin/env bash
# tools/install-packages.sh against a fake apt-get, dpkg-query, dpkg and sudo put
# first in PATH: the machine's own package state is never read or changed.
#
#   bash install_packages_test.sh <source dir>
set -euo pipefail

source_dir=$(cd "$1" && pwd)
work=$(mktemp -d /tmp/kest-install-test.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The installer under test, with package lists of its own.
mkdir -p "$work/tools/packages" "$work/bin" "$work/state"
cp "$source_dir/tools/install-packages.sh" "$work/tools/"
printf '# two packages\npkg-a\npkg-b  # and a comment\n' >"$work/tools/packages/plain.list"
printf 'pkg-a\nwine32:i386\n' >"$work/tools/packages/wine.list"
printf 'pkg-c\n' >"$work/tools/packages/more.list"
state=$work/state

cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
package=${!#}
if grep -qxF "$package" "$FAKE_STATE/installed"; then
    echo "install ok installed"
else
    echo "dpkg-query: no packages found matching $package" >&2
    exit 1
fi
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >>"$FAKE_STATE/calls"
case $1 in
    --print-architecture) echo amd64 ;;
    --print-foreign-architectures) cat "$FAKE_STATE/architectures" ;;
    --add-architecture) echo "$2" >>"$FAKE_STATE/architectures" ;;
    *) exit 2 ;;
esac
EOF
# update fails as the mode file says; install refuses the packages listed in
# "refused" with an unmet dependency, and those of an architecture dpkg lacks.
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE_STATE/calls"
if [ "$1" = update ]; then
    case $(cat "$FAKE_STATE/update") in
        broken-index)
            echo "Hit:1 http://deb.example/debian bookworm InRelease"
            echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
            echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
            exit 100 ;;
        offline)
            echo "W: Failed to fetch http://deb.example/debian/dists/bookworm/InRelease  Temporary failure resolving 'deb.example'"
            echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
            exit 100 ;;
    esac
    exit 0
fi
packages=()
option=0
for arg in "$@"; do
    if [ "$option" -eq 1 ]; then
        echo "$arg" >>"$FAKE_STATE/options"
        option=0
        continue
    fi
    case $arg in -o) option=1 ;; install | -*) ;; *) packages+=("$arg") ;; esac
done
for package in "${packages[@]}"; do
    if [ "$(cat "$FAKE_STATE/update")" = offline ]; then
        echo "E: Unable to locate package $package"
        exit 100
    fi
    if [[ $package == *:* ]] && ! grep -qx "${package##*:}" "$FAKE_STATE/architectures"; then
        echo "E: Unable to locate package $package"
        exit 100
    fi
    if grep -qxF "$package" "$FAKE_STATE/refused"; then
        echo "Some packages could not be installed."
        echo "The following packages have unmet dependencies:"
        echo " libfoo:i386 : Depends: libbar:i386 but it is not going to be installed"
        echo " ${package} : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed"
        echo "E: Unable to correct problems, you have held broken packages."
        exit 100
    fi
done
printf '%s\n' "${packages[@]}" >>"$FAKE_STATE/installed"
EOF
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin"/*

export FAKE_STATE=$state PATH=$work/bin:$PATH KEST_APT_RETRY_DELAY=0 KEST_APT_UPDATE_TRIES=3 \
    KEST_APT_STAMP=$state/stamp

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# fresh <update mode> <installed...>: a machine with those packages.
fresh() {
    echo "$1" >"$state/update"
    shift
    printf '%s\n' "$@" >"$state/installed"
    rm -f "$state/stamp"
    for file in calls refused architectures report; do
        : >"$state/$file"
    done
}
# run <expected exit> <args...>: the installer's output lands in $state/out.
run() {
    local expected=$1 status=0
    shift
    bash "$work/tools/install-packages.sh" "$@" >"$state/out" 2>&1 || status=$?
    [ "$status" -eq "$expected" ] || fail "exit $status, not $expected, for $*: $(cat "$state/out")"
}
calls() { grep -c "^apt-get $1" "$state/calls" || true; }

echo "nothing to install: apt-get and dpkg are never called"
fresh broken-index pkg-a pkg-b wine32:i386
run 0 --optional --report "$state/report" plain wine
[ ! -s "$state/calls" ] || fail "called: $(cat "$state/calls")"
[ ! -s "$state/report" ] || fail "report not empty: $(cat "$state/report")"

echo "a broken index: update is retried, then the packages are installed"
fresh broken-index
run 0 plain
[ "$(calls update)" -eq 3 ] || fail "apt-get update ran $(calls update) times, not 3"
grep -q "File has unexpected size" "$state/out" || fail "the index failure is not shown"
grep -qx pkg-a "$state/installed" && grep -qx pkg-b "$state/installed" || fail "not installed"
# A whole run's .deb files would fill a small disk.
grep -qx 'APT::Keep-Downloaded-Packages=false' "$state/options" || fail "downloaded packages kept"

echo "a package that cannot be installed stops a command that needs it"
fresh broken-index
echo wine32:i386 >"$state/refused"
run 1 wine plain
grep -qx pkg-a "$state/installed" && grep -qx pkg-b "$state/installed" ||
    fail "the installable packages were kept out by the one that is not"
grep -q "dpkg --add-architecture i386" "$state/calls" || fail "i386 was not added"
grep -q "not installed: wine32:i386: unmet dependencies: wine32:i386 : Depends: libwine:i386" \
    "$state/out" || fail "wine32 and its reason not named: $(cat "$state/out")"
grep -q "E: Unable to correct problems" "$state/out" || fail "apt's E: line is not given"
if grep -q "not installed: pkg-" "$state/out"; then fail "installed packages named as missing"; fi

echo "... and is reported, one line with its reason, when optional"
fresh broken-index pkg-a
echo wine32:i386 >"$state/refused"
run 0 --optional --report "$state/report" wine
[ "$(wc -l <"$state/report")" -eq 1 ] || fail "report: $(cat "$state/report")"
IFS=$'\t' read -r package reason <"$state/report" || true
[ "$package" = wine32:i386 ] || fail "report names '$package'"
[[ $reason == "unmet dependencies: wine32:i386 : Depends: libwine:i386 (= 8.0~repack-4) but it is not going to be installed; E: Unable to correct problems, you have held broken packages." ]] ||
    fail "report reason: $reason"

echo "no network: bounded retries, each package named"
fresh offline
run 1 plain
[ "$(calls update)" -eq 3 ] || fail "apt-get update ran $(calls update) times, not 3"
grep -q "not installed: pkg-a: E: Unable to locate package pkg-a" "$state/out" &&
    grep -q "not installed: pkg-b: E: Unable to locate package pkg-b" "$state/out" ||
    fail "the missing packages are not named: $(cat "$state/out")"

echo "lists read a moment ago serve the next call; a new architecture updates again"
fresh broken-index
run 0 plain
run 0 more
[ "$(calls update)" -eq 3 ] || fail "apt-get update ran $(calls update) times, not 3"
grep -q "no apt-get update" "$state/out" || fail "the skipped update is not said: $(cat "$state/out")"
grep -qx pkg-c "$state/installed" || fail "pkg-c not installed"
run 0 wine
[ "$(calls update)" -eq 6 ] || fail "after adding i386, update ran $(calls update) times, not 6"
KEST_APT_FRESH=0 run 0 more
[ "$(calls update)" -eq 6 ] || fail "pkg-c is installed: apt-get needs no update"
echo pkg-d >"$work/tools/packages/more.list"
KEST_APT_FRESH=0 run 0 more
[ "$(calls update)" -eq 9 ] || fail "lists older than KEST_APT_FRESH: update ran $(calls update), not 9"
echo pkg-c >"$work/tools/packages/more.list"

echo "no network: nothing is recorded, and the next call tries again"
fresh offline
run 1 plain
run 1 plain
[ "$(calls update)" -eq 6 ] || fail "apt-get update ran $(calls update) times, not 6"

echo "an unknown purpose is a usage error"
fresh ok
run 2 plain no-such-purpose
[ ! -s "$state/calls" ] || fail "called apt-get for a usage error"

if [ "$failures" -ne 0 ]; then
    echo "$failures failed"
    exit 1
fi
echo "install-packages: all cases passed"
