#!/usr/bin/env bash
# The product in MSVC mode (clang-cl, lld-link): compile, check the MSVC ABI of the
# objects, link the DLLs against the stand-in runtime, check the DLL and the
# framework operations it imports, prove that the check rejects wrong ABIs, and run
# the MSVC-mode test host under Wine.
#
# Compiling and linking are separate lines, so a link failure cannot hide a compile
# failure. tools/wine-runtime.sh decides whether Windows programs run here by
# running one, and sets up what that needs; only when every way has failed is the
# run-time test skipped, with a SKIPPED: line naming the reason. One Wine server
# serves the whole step and is stopped at its end, also when the step fails.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)
stamp() { echo "--- [win32-msvc $(( $(date +%s) - start ))s] $*"; }

build=build/win32-msvc
check=tools/msvc/check_abi.py
wine_server=0
cleanup() {
    [ "$wine_server" -eq 0 ] || wineserver -k >/dev/null 2>&1 || true
}
trap cleanup EXIT

bash tools/install-packages.sh build msvc

export WINEPREFIX=${WINEPREFIX:-$PWD/$build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$(dirname "$WINEPREFIX")"
stamp "can Windows programs run here? (wine prefix $WINEPREFIX)"
skipped=$(bash tools/wine-runtime.sh)

stamp "configure"
cmake --preset win32-msvc >/dev/null

stamp "compile, no link"
cmake --build --preset win32-msvc-compile

stamp "MSVC ABI of the objects"
python3 "$check" objects \
    "$build/panels/Vesk/Tavrin/CMakeFiles/tavrin_panel.dir/Tavrin.cpp.obj" \
    "$build/script_helper/CMakeFiles/kest_script_helper.dir/kest_script_helper.cpp.obj"
python3 "$check" layout "$build/compile_commands.json"

stamp "link with the stand-in runtime"
cmake --build --preset win32-msvc

stamp "the DLL"
python3 "$check" dll "$build/bin/Tavrin.dll"

stamp "the check rejects wrong ABIs"
bash tools/msvc/check_abi_selftest.sh "$build"

# The product's package: the MSVC-ABI plug-in, its layout file and the notes, and
# no framework DLL (the host's own must never be replaced). Its DLL carries no
# debug information; that goes to the PDB in the debug ZIP beside it.
stamp "package"
rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" >/dev/null
cmake --build --preset win32-msvc --target debug_files >/dev/null
zip=$(realpath "$build"/package/Tavrin-*-win32.zip)
debug_zip=$(realpath "$build"/package/Tavrin-*-win32-debug.zip)
listing=$(cmake -E tar tf "$zip" | sed 's|^[^/]*/||' | grep -v '^$' | sort | tr '\n' ' ')
echo "$zip: $listing"
echo "debug information: $debug_zip: $(cmake -E tar tf "$debug_zip" | tr '\n' ' ')"
if [ "$listing" != "INSTALL.txt LD_Auto.kest_ui Tavrin.dll " ]; then
    echo "package: expected exactly INSTALL.txt LD_Auto.kest_ui Tavrin.dll" >&2
    exit 1
fi
cmake -E tar tf "$debug_zip" | grep -q '/Tavrin.pdb$' ||
    { echo "package: the debug ZIP holds no Tavrin.pdb" >&2; exit 1; }
unpacked=$(mktemp -d)
trap 'cleanup; rm -rf "$unpacked"' EXIT
(cd "$unpacked" && cmake -E tar xf "$zip")
shipped=$(echo "$unpacked"/*/Tavrin.dll)
sections=$(llvm-objdump-14 -h "$shipped" | awk '$2 ~ /^\.debug/ { print $2 }' | tr '\n' ' ')
if [ -n "$sections" ] || grep -qF "$PWD" "$shipped"; then
    echo "package: Tavrin.dll carries debug sections ($sections) or the build's path" >&2
    exit 1
fi
python3 "$check" dll "$shipped"

if [ -z "$skipped" ]; then
    stamp "test host under Wine"
    # One persistent server for the step. wineboot's output goes to /dev/null: a
    # Wine service it starts could otherwise hold our pipe open.
    wineserver -p
    wine_server=1
    wineboot --init </dev/null >/dev/null 2>&1
    # The shipped DLL, beside the MSVC-mode stand-in framework and the test host,
    # as the host keeps its plug-ins beside its own framework DLLs.
    run_dir="$unpacked/run"
    mkdir -p "$run_dir"
    cp "$shipped" "$unpacked"/*/LD_Auto.kest_ui "$build/bin/kest_string.dll" \
        "$build/bin/kest_config.dll" "$build/bin/kest_msvc_test_host.exe" \
        "$build/bin/kest_msvc_tape_player.exe" "$run_dir/"
    runs=0
    passed=0
    # Wine's exit code is not enough: it can fail to start a program and still say 0.
    runs=$((runs + 1))
    if out=$(cd "$run_dir" && wine kest_msvc_test_host.exe 2>&1) &&
        grep -q 'start-up, press, release and delete passed' <<<"$out"; then
        passed=$((passed + 1))
    fi
    echo "$out"

    # Every scenario and stress run the MinGW build runs under kest-host, played
    # into the shipped DLL: kest-host (native) records each run on a tape, and the
    # MSVC-mode tape player sends the same events and replies and requires the same
    # commands, byte for byte. kest-host is the release tree's, which the release
    # step built (brought up to date here); without that tree, the demo preset's.
    stamp "kest-host's runs, played into the shipped DLL"
    host_build=build/release
    if [ ! -f "$host_build/CMakeCache.txt" ]; then
        host_build=build/demo
        cmake --preset demo >/dev/null
    fi
    cmake --build "$host_build" -j2 --target kest-host >/dev/null
    tapes="$PWD/$build/tapes"
    rm -rf "$tapes"
    mkdir -p "$tapes"
    runs_of_host=(built-in-demo: stress-7-faults:--stress:20000:--seed:7:--faults
        stress-7:--stress:20000:--seed:7 stress-3:--stress:3000:--seed:3)
    for scenario in scenarios/*.scn scenarios/faults/*.scn; do
        name=${scenario#scenarios/}
        runs_of_host+=("${name//\//-}:$PWD/$scenario")
    done
    for entry in "${runs_of_host[@]}"; do
        name=${entry%%:*}
        IFS=: read -r -a args <<<"${entry#*:}"
        tape="$tapes/${name%.scn}.tape"
        runs=$((runs + 1))
        if ! KEST_TAPE="$tape" "$host_build/bin/kest-host" --quiet --no-color "${args[@]}" \
            >"$tape.log" 2>&1; then
            echo "win32-msvc: kest-host ${args[*]} failed while recording:" >&2
            tail -5 "$tape.log" >&2
            continue
        fi
        if out=$(cd "$run_dir" && wine kest_msvc_tape_player.exe "$(winepath -w "$tape")" 2>&1) &&
            grep -q 'the same commands as the tape' <<<"$out"; then
            passed=$((passed + 1))
            echo "  ${out##*\\}"
        else
            echo "$out" >&2
        fi
    done
    echo "win32-msvc: Windows tests: $runs ran, $passed passed"
    [ "$runs" -eq "$passed" ] ||
        { echo "win32-msvc: the test host did not report success under Wine" >&2; exit 1; }
else
    echo "SKIPPED: Windows run-time tests: $skipped"
fi
stamp "done"
