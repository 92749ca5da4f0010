#!/usr/bin/env bash
# The real 32-bit Windows build: MinGW cross build, the whole suite under Wine, then
# the ZIP package, checked for completeness and for stripped binaries, and run from
# a fresh unpacked copy.
#
# Without Wine (wine32 comes from the i386 architecture, which a broken mirror can
# keep out) everything that needs no Windows run time still runs: the cross build,
# the checks of the binaries (ctest label "static") and the package with its
# checks. The step then says on a line of its own which run-time tests it skipped
# and why, and passes. With Wine installed, the run-time tests are mandatory.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)
stamp() { echo "--- [win32 $(( $(date +%s) - start ))s] $*"; }

build=build/win32

bash tools/install-packages.sh build test win32
skipped=$(bash tools/wine-runtime.sh)

if [ -z "$skipped" ]; then
    # A private Wine prefix, made without dialogs: no display, no offer to install
    # Wine's .NET or HTML runtimes, no diagnostics mixed into the programs' output.
    export WINEPREFIX=${WINEPREFIX:-$PWD/$build/wineprefix}
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY
    mkdir -p "$(dirname "$WINEPREFIX")"
    stamp "wine prefix $WINEPREFIX"
    wineboot --init >/dev/null 2>&1
    wineserver -w
fi

stamp "configure and build"
cmake --preset win32 >/dev/null
cmake --build --preset win32

if [ -z "$skipped" ]; then
    stamp "tests under Wine"
    ctest --preset win32
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

required=(Tavrin.dll kest_string.dll kest_config.dll LD_Auto.kest_ui INSTALL.txt)
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
trap 'rm -rf "$unpacked"' EXIT
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
    run_packaged() {
        local out
        if ! out=$(wine kest-host.exe --quiet --no-color "$@" 2>&1); then
            echo "$out" >&2
            echo "package: kest-host.exe $* fails when run from the package" >&2
            exit 1
        fi
    }
    run_packaged
    for scenario in scenarios/*.scn; do
        [ -e "$scenario" ] || continue
        run_packaged "scenarios\\${scenario#scenarios/}"
    done
    cd - >/dev/null
fi

if [ -n "$skipped" ]; then
    echo "SKIPPED: Windows run-time tests: $skipped"
else
    wineserver -w
fi
stamp "done"
