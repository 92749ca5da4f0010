#!/usr/bin/env bash
# The real 32-bit Windows build: MinGW cross build, the whole suite under Wine, then
# the ZIP package, checked for completeness and run from a fresh unpacked copy.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)
stamp() { echo "--- [win32 $(( $(date +%s) - start ))s] $*"; }

build=build/win32

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

stamp "configure and build"
cmake --preset win32 >/dev/null
cmake --build --preset win32

stamp "tests under Wine"
ctest --preset win32

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

# The package must run on its own: unpack it somewhere new and play the demo and
# every scenario there, so that each DLL and file has to be found in the package,
# not in the build or source tree.
if [ -f host/CMakeLists.txt ]; then
    stamp "demo and scenarios from the unpacked package"
    unpacked=$(mktemp -d)
    trap 'rm -rf "$unpacked"' EXIT
    (cd "$unpacked" && cmake -E tar xf "$zip")
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

wineserver -w
stamp "done"
