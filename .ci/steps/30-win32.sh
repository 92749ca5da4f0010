#!/usr/bin/env bash
# The 32-bit Windows build for trying the panel: MinGW cross build, the whole suite
# under Wine, then the kest-host package, checked for completeness and for stripped
# binaries, and run from a fresh unpacked copy.
#
# tools/wine-runtime.sh decides whether Windows programs run here by running one,
# and sets up what that needs (Wine; where the kernel refuses 32-bit programs,
# qemu-user through binfmt_misc). Only when every way has failed does the step
# skip the run-time tests, with a SKIPPED: line naming the reason; everything that
# needs no Windows run time still runs: the cross build, the checks of the binaries
# (ctest label "static") and the package with its checks. One Wine server serves
# the whole step and is stopped at its end, also when the step fails.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)
stamp() { echo "--- [win32 $(( $(date +%s) - start ))s] $*"; }

build=build/win32
unpacked=""
wine_server=0
cleanup() {
    [ "$wine_server" -eq 0 ] || wineserver -k >/dev/null 2>&1 || true
    [ -z "$unpacked" ] || rm -rf "$unpacked"
}
trap cleanup EXIT

bash tools/install-packages.sh build test win32

# A private Wine prefix, made without dialogs: no display, no offer to install
# Wine's .NET or HTML runtimes, no diagnostics mixed into the programs' output.
export WINEPREFIX=${WINEPREFIX:-$PWD/$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$(dirname "$WINEPREFIX")"
stamp "can Windows programs run here? (wine prefix $WINEPREFIX)"
skipped=$(bash tools/wine-runtime.sh)

if [ -z "$skipped" ]; then
    # One persistent server for the step instead of one per test. wineboot's output
    # goes to /dev/null: a Wine service it starts could otherwise hold our pipe open.
    wineserver -p
    wine_server=1
    wineboot --init </dev/null >/dev/null 2>&1
fi

stamp "configure and build"
cmake --preset win32 >/dev/null
cmake --build --preset win32

if [ -z "$skipped" ]; then
    stamp "tests under Wine"
    status=0
    ctest --preset win32 2>&1 | tee "$build/ctest.log" || status=$?
    counts=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$build/ctest.log" | tail -1)
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$counts")
    failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$counts")
    echo "win32: Windows tests: ${total:-?} ran, $(( ${total:-0} - ${failed:-0} )) passed"
    if [ "$status" -ne 0 ] || [ -z "$counts" ]; then
        exit 1
    fi
else
    stamp "checks of the binaries (no Wine)"
    ctest --preset win32-static
fi

stamp "package"
rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" >/dev/null
zip=$(realpath "$build"/package/*.zip)
listing=$(cmake -E tar tf "$zip")
echo "$zip:"
echo "$listing" | sed 's/^/  /'

required=(Tavrin.dll kest_string.dll kest_config.dll LD_Auto.kest_ui README.txt)
if [ -f host/CMakeLists.txt ]; then
    required+=(kest-host.exe)
fi
missing=0
for file in "${required[@]}"; do
    if ! echo "$listing" | grep -qE "^[^/]+/${file//./\\.}\$"; then
        echo "package: $file is missing" >&2
        missing=1
    fi
done
if [ -f host/CMakeLists.txt ] && [ -n "$(ls -A scenarios 2>/dev/null)" ]; then
    for file in scenarios/*; do
        if ! echo "$listing" | grep -qF "/${file}"; then
            echo "package: $file is missing" >&2
            missing=1
        fi
    done
fi
[ "$missing" -eq 0 ]

# Shipped binaries are stripped; their debug information goes beside the package.
unpacked=$(mktemp -d)
(cd "$unpacked" && cmake -E tar xf "$zip")
objdump=$(command -v i686-w64-mingw32-objdump)
for binary in "$unpacked"/*/*.dll "$unpacked"/*/*.exe; do
    [ -e "$binary" ] || continue
    name=${binary##*/}
    built=$(find "$build/bin" -maxdepth 1 -name "$name" -print -quit)
    sections=$("$objdump" -h "$binary" | awk '$2 ~ /^\.debug/ { print $2 }' | tr '\n' ' ')
    if [ -n "$sections" ]; then
        echo "package: $name carries debug sections: $sections" >&2
        missing=1
    fi
    printf '  %-16s %8s bytes built, %8s bytes shipped\n' "$name" \
        "$(stat -c %s "${built:-$binary}")" "$(stat -c %s "$binary")"
done
[ "$missing" -eq 0 ]
# Stripping must leave what a host needs: the one export and the version.
cmake -DOBJDUMP="$objdump" -DFILE="$(echo "$unpacked"/*/Tavrin.dll)" \
    -DEXPORTS=load_kest_client_script -DEXTRA_IMPORTS="kest_string.dll;kest_config.dll" \
    -DVERSION=1.0.0.1 -P tests/win32/check_pe.cmake
cmake --build --preset win32 --target debug_files >/dev/null
echo "debug information: $(realpath "$build"/package/*-debug.zip)"

# The package must run on its own: unpack it somewhere new and play the demo and
# every scenario there, so that each DLL and file has to be found in the package,
# not in the build or source tree.
if [ -z "$skipped" ] && [ -f host/CMakeLists.txt ]; then
    stamp "demo and scenarios from the unpacked package"
    cd "$unpacked"/*/
    runs=0
    passed=0
    # Each run must report its own file's expectations: a scenario argument that
    # kest-host dropped would run the demo instead, and pass.
    run_packaged() {
        local file=$1 out expectations
        shift
        runs=$((runs + 1))
        expectations=$(grep -cE '^[[:space:]]*expect([[:space:]]|$)' "$file" || true)
        if ! out=$(wine kest-host.exe --quiet --no-color "$@" 2>&1) ||
            ! grep -q "Summary: $expectations expectations, 0 failed; checks passed" <<<"$out"; then
            echo "$out" >&2
            echo "package: kest-host.exe $* fails when run from the package" \
                "(expected $expectations expectations of $file, all met)" >&2
            return 0
        fi
        passed=$((passed + 1))
    }
    run_packaged scenarios/demo.scn
    for scenario in scenarios/*.scn; do
        [ -e "$scenario" ] || continue
        run_packaged "$scenario" "scenarios\\${scenario#scenarios/}"
    done
    cd - >/dev/null
    echo "win32: runs of the unpacked package: $runs ran, $passed passed"
    if [ "$runs" -ne "$passed" ]; then
        exit 1
    fi
fi

if [ -n "$skipped" ]; then
    echo "SKIPPED: Windows run-time tests: $skipped"
fi
stamp "done"
