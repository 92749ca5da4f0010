#!/usr/bin/env bash
# Proves that check_abi.py can fail: feeds it objects and binaries with the wrong
# ABI and expects each to be rejected with the reason named, and a correct fixture
# to pass (so the rejections come from the fault, not from the fixture).
#
#   bash tools/msvc/check_abi_selftest.sh [BUILD_DIR]     (default build/win32-msvc)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/win32-msvc}
check=tools/msvc/check_abi.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

clang_cl=$(command -v clang-cl-14 || command -v clang-cl)
fixture=tools/msvc/fixtures/abi_fixture.cpp
compile_fixture() {  # OUTPUT [DEFINES...]
    local out=$1
    shift
    "$clang_cl" --target=i686-pc-windows-msvc /nologo /c /O2 /GR- /EHsc /W4 /WX "$@" \
        "/Fo$out" -- "$fixture"
}

failures=0
expect() {  # pass|fail MESSAGE DESCRIPTION -- COMMAND...
    local want=$1 message=$2 what=$3
    shift 4
    local out status=0
    out=$("$@" 2>&1) || status=$?
    if [ "$want" = pass ] && [ "$status" -eq 0 ]; then
        echo "  ok: $what: accepted"
    elif [ "$want" = fail ] && [ "$status" -ne 0 ] && grep -qF -- "$message" <<<"$out"; then
        echo "  ok: $what: rejected ($(grep -F -m1 -- "$message" <<<"$out" | sed 's/^ *//'))"
    else
        echo "  FAILED: $what: expected $want${message:+ naming \"$message\"}, exit $status:"
        sed 's/^/    /' <<<"$out"
        failures=$((failures + 1))
    fi
}

echo "check_abi self-test"

compile_fixture "$work/good.obj"
expect pass "" "fixture with the MSVC layout" -- \
    python3 "$check" objects "$work/good.obj" "$work/good.obj"

compile_fixture "$work/extra_slot.obj" -DKEST_FIXTURE_EXTRA_SLOT
expect fail "slot 0 is ?extra@kest_script_helper@@UAEXXZ" \
    "a virtual function ahead of the destructor" -- \
    python3 "$check" objects "$work/extra_slot.obj" "$work/extra_slot.obj"

compile_fixture "$work/stdcall.obj" -DKEST_FIXTURE_CALLBACK_CC=__stdcall
expect fail "slot 1 is ?callback@kest_script_helper@@UAGPADHH@Z" \
    "callback as __stdcall" -- \
    python3 "$check" objects "$work/stdcall.obj" "$work/stdcall.obj"

mingw=$(command -v i686-w64-mingw32-g++-posix || command -v i686-w64-mingw32-g++ || true)
if [ -n "$mingw" ]; then
    for source in panels/Vesk/Tavrin/Tavrin.cpp script_helper/kest_script_helper.cpp; do
        "$mingw" -std=c++17 -O2 -c -Iframework -Iscript_helper -Ipanels/Vesk/Tavrin \
            -o "$work/mingw_$(basename "$source" .cpp).o" "$source"
    done
    expect fail "itanium symbols present: __ZTV6Tavrin" \
        "the MinGW (Itanium ABI) objects of the product" -- \
        python3 "$check" objects "$work/mingw_Tavrin.o" "$work/mingw_kest_script_helper.o"
else
    echo "  skipped: the MinGW objects (i686-w64-mingw32-g++ not installed)"
fi

expect fail "not compiled in this mode" \
    "the layout static_asserts preprocessed for 64-bit x86" -- \
    python3 "$check" layout "$build/compile_commands.json" --target x86_64-pc-windows-msvc

if [ -f "$build/bin/kest_string.dll" ]; then
    expect fail "named exports" "kest_string.dll in place of the panel" -- \
        python3 "$check" dll "$build/bin/kest_string.dll"
fi

# A panel that calls an operation of the framework nobody promised it: the
# stand-in's own extra, which the host's kest_string.dll need not have.
dlltool=$(command -v llvm-dlltool-14 || command -v llvm-dlltool || true)
lld_link=$(command -v lld-link-14 || command -v lld-link || true)
if [ -n "$dlltool" ] && [ -n "$lld_link" ]; then
    printf 'LIBRARY kest_string.dll\nEXPORTS\n%s\n%s\n' '??0kest_string@@QAE@PBD@Z' \
        '?assignWhole@kest_string@@QAE_NPBD@Z' >"$work/extra.def"
    "$dlltool" -m i386 -d "$work/extra.def" -l "$work/kest_string_extra.lib"
    cat >"$work/extra.cpp" <<'EOF_CPP'
class __declspec(dllimport) kest_string {
  public:
    kest_string(const char* text);
    bool assignWhole(const char* text);
};
extern "C" __declspec(dllexport) int load_kest_client_script() {
    kest_string text("x");
    return text.assignWhole("y") ? 1 : 0;
}
EOF_CPP
    "$clang_cl" --target=i686-pc-windows-msvc /nologo /c /O2 /GS- "/Fo$work/extra.obj" -- \
        "$work/extra.cpp"
    "$lld_link" /nologo /dll /noentry /nodefaultlib /machine:x86 "/out:$work/extra.dll" \
        "$work/extra.obj" "$work/kest_string_extra.lib"
    expect fail "not promised: kest_string.dll: ?assignWhole@kest_string@@QAE_NPBD@Z" \
        "a DLL importing a framework operation a panel is not promised" -- \
        python3 "$check" dll "$work/extra.dll"
else
    echo "  skipped: the unpromised import (llvm-dlltool or lld-link not installed)"
fi

if [ "$failures" -ne 0 ]; then
    echo "check_abi self-test: $failures case(s) failed"
    exit 1
fi
echo "check_abi self-test: passed"
