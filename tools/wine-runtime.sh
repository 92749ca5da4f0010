#!/usr/bin/env bash
# Says whether 32-bit Windows programs run here, and decides it by running one: a
# small program (tools/wine-probe.c, built with MinGW) must print its line and exit
# with status 3 under Wine. Installed packages prove nothing: Wine can be installed
# on a kernel that refuses 32-bit programs, and a Wine that cannot start a program
# may still exit 0.
#
# Installs what the probe needs when it is missing, and nothing else:
# - Wine with its 32-bit loader (tools/packages/wine.list). When the security
#   suite's i386 index cannot be read, wine32 comes from the main release
#   (apt-get -t bookworm); an installed amd64 library that is newer than its i386
#   twin can be is then put back to the main release's version, so that the two
#   match (a downgrade apt can undo; nothing is removed).
# - The MinGW compiler for the probe (tools/packages/win32.list).
# - Where the probe fails because the kernel refuses 32-bit programs (the 32-bit
#   loader itself cannot start): qemu-user 8.1 or later, registered with
#   binfmt_misc for i386 programs, so that the kernel starts them through qemu.
#   Debian 12's own qemu-user 7.2 cannot run 32-bit Wine (it ignores
#   MAP_FIXED_NOREPLACE), so it comes from bookworm-backports, whose apt source is
#   added here. Root only; binfmt_misc is mounted when it is not. Then the probe
#   runs again.
#
# Prints nothing when the probe passes; otherwise one line saying why every route
# failed, for the caller's "SKIPPED: ..." line. Everything else goes to standard
# error. Exits 0 once it has an answer: a broken mirror is a reason to skip, not
# a failure of the caller.
#
#   skipped=$(bash tools/wine-runtime.sh)
#
# The probe runs with the caller's WINEPREFIX, WINEDEBUG and WINEDLLOVERRIDES, and
# leaves no Wine server behind.
#   KEST_WINE_PROBE_TIMEOUT  seconds one probe may take (default 300: the first run
#                            of a new prefix creates it, slowly under qemu)
#   KEST_WINE_ROUTE          auto (default); native: never the qemu route; qemu: the
#                            qemu route even where 32-bit programs run natively
#   KEST_WINE_INSTALL        0: install nothing, use what is there
#   KEST_WINE_PROBE_EXE      a probe program to run instead of building one
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2

probe_timeout=${KEST_WINE_PROBE_TIMEOUT:-300}
route=${KEST_WINE_ROUTE:-auto}
install=${KEST_WINE_INSTALL:-1}
probe_line="kest wine probe: a 32-bit Windows program ran"
release=bookworm
backports=bookworm-backports
binfmt=/proc/sys/fs/binfmt_misc
backports_source=/etc/apt/sources.list.d/kest-bookworm-backports.sources

say() { echo "wine-runtime: $*" >&2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

apt() {
    DEBIAN_FRONTEND=noninteractive timeout "${KEST_APT_TIMEOUT:-1800}" apt-get \
        -o DPkg::Lock::Timeout=600 "$@"
}
# apt's E: lines of a log, on one line.
apt_errors() {
    local errors
    errors=$(grep -E '^E: |but it is not going to be installed|Depends:' "$1" | sed -E 's/^ +//' |
        tr '\t' ' ' | paste -sd';' - | sed 's/;/; /g')
    echo "${errors:-$(grep -v '^ *$' "$1" | tail -1)}"
}
installed() {
    [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == *" ok installed" ]]
}

# wine32 from the main release, aligning the amd64 twins that block it. Prints the
# reason when it cannot.
wine32_from_release() {
    local extra=() round blocker added log=$work/wine32.log
    for round in 1 2 3 4 5 6 7 8; do
        if apt install -s -q -t "$release" --no-install-recommends --no-remove \
            wine32:i386 wine "${extra[@]}" >"$log" 2>&1; then
            say "installing wine32 from $release${extra[*]:+, aligning ${extra[*]}}"
            if apt install -y -q -t "$release" --no-install-recommends --no-remove \
                --allow-downgrades wine32:i386 wine "${extra[@]}" >"$log" 2>&1; then
                return 0
            fi
            apt_errors "$log"
            return 1
        fi
        added=0
        for blocker in $(grep -oE 'Depends: [a-z0-9.+-]+:i386' "$log" |
            sed -E 's/^Depends: //; s/:i386$//' | sort -u); do
            if installed "$blocker" && [[ " ${extra[*]} " != *" $blocker/$release "* ]]; then
                extra+=("$blocker/$release")
                added=1
            fi
        done
        [ "$added" -eq 1 ] || break
        say "round $round: wine32 needs ${extra[*]}"
    done
    apt_errors "$log"
    return 1
}

# Wine with its 32-bit loader. Prints the reason when it cannot be had.
install_wine() {
    local report=$work/report package reason reasons=""
    # apt's own messages go to standard error, so that the answer stays one line.
    bash tools/install-packages.sh --optional --report "$report" wine >&2
    if grep -q '^wine32:i386' "$report" && [ "$(id -u)" -eq 0 ]; then
        say "wine32 did not install with the default suites; trying the $release release"
        if reason=$(wine32_from_release); then
            : >"$report"
        else
            sed -i "s|^wine32:i386\t.*|wine32:i386\t$reason|" "$report"
        fi
    fi
    while IFS=$'\t' read -r package reason; do
        reasons+="${reasons:+; }${package%%:*} cannot be installed ($reason)"
    done <"$report"
    echo "$reasons"
}

# The probe program: built from tools/wine-probe.c. Prints its path, or the reason.
build_probe() {
    local cc=""
    if [ -n "${KEST_WINE_PROBE_EXE:-}" ]; then
        echo "$KEST_WINE_PROBE_EXE"
        return 0
    fi
    find_cc() {
        cc=$(command -v i686-w64-mingw32-gcc-posix || command -v i686-w64-mingw32-gcc ||
            command -v i686-w64-mingw32-gcc-win32 || true)
    }
    find_cc
    if [ -z "$cc" ] && [ "$install" != 0 ]; then
        bash tools/install-packages.sh --optional win32 >&2
        find_cc
    fi
    if [ -z "$cc" ]; then
        echo "the MinGW compiler i686-w64-mingw32-gcc (g++-mingw-w64-i686) for the probe is not installed"
        return 1
    fi
    if ! "$cc" -O2 -s -o "$work/probe.exe" tools/wine-probe.c >"$work/cc.log" 2>&1; then
        echo "the probe does not build: $(tail -1 "$work/cc.log")"
        return 1
    fi
    echo "$work/probe.exe"
}

# Runs the probe once. Prints why it failed, or nothing.
probe() {
    local status=0 out
    # Files, not pipes: a Wine service started by the probe must not keep a pipe of
    # ours open.
    timeout -k 10 "$probe_timeout" wine "$1" >"$work/probe.out" 2>"$work/probe.err" </dev/null ||
        status=$?
    wineserver -k >/dev/null 2>&1 || true
    out=$(tr -d '\r' <"$work/probe.out")
    if [ "$status" -eq 3 ] && grep -qxF "$probe_line" <<<"$out"; then
        return 0
    fi
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        echo "the probe did not finish within ${probe_timeout}s"
    elif [ "$status" -ne 3 ]; then
        echo "the probe exited $status, not 3$(last_words)"
    else
        echo "the probe exited 3 without its line$(last_words)"
    fi
    return 1
}
last_words() {
    local words
    words=$(cat "$work/probe.out" "$work/probe.err" | tr -d '\r' | grep -v '^ *$' | tail -1 |
        cut -c1-200)
    [ -z "$words" ] || echo " ($words)"
}

# Whether the kernel starts 32-bit x86 programs (through binfmt_misc or not).
# Prints why not.
runs_32bit() {
    local loader=/lib/ld-linux.so.2 err
    [ -e "$loader" ] || { echo "$loader is missing"; return 1; }
    if err=$("$loader" --version 2>&1 >/dev/null); then
        return 0
    fi
    echo "$loader --version fails: ${err:-no message}" | head -1 | cut -c1-200
    return 1
}

qemu_version() {
    command -v qemu-i386 >/dev/null || return 1
    qemu-i386 --version 2>/dev/null | head -1 | grep -oE 'version [0-9]+\.[0-9]+' | cut -d' ' -f2
}
# 0 when the installed qemu-i386 is 8.1 or later.
qemu_recent() {
    local version major minor
    version=$(qemu_version) || return 1
    major=${version%%.*}
    minor=${version#*.}
    [ "$major" -gt 8 ] || { [ "$major" -eq 8 ] && [ "$minor" -ge 1 ]; }
}

# The main release's mirror, for the backports source.
mirror() {
    local uri
    uri=$(grep -hE '^URIs:' /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '{ print $2 }' |
        grep -E '/debian/?$' | head -1)
    [ -n "$uri" ] || uri=$(grep -hE "^deb +[^ ]+ +$release( |$)" /etc/apt/sources.list \
        2>/dev/null | awk '{ print $2 }' | head -1)
    echo "${uri:-http://deb.debian.org/debian}"
}

# qemu-user 8.1 or later from bookworm-backports. Prints the reason when it cannot.
install_qemu() {
    local log=$work/qemu.log update=(update -q)
    if qemu_recent; then
        return 0
    fi
    if [ "$install" = 0 ]; then
        echo "qemu-i386 $(qemu_version || echo 'is not installed'), 8.1 or later is needed, and installing is off"
        return 1
    fi
    if ! grep -rqsE "(^|[[:space:]])$backports([[:space:]]|$)" /etc/apt/sources.list \
        /etc/apt/sources.list.d/; then
        say "adding the $backports apt source ($backports_source)"
        printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' \
            "$(mirror)" "$backports" /usr/share/keyrings/debian-archive-keyring.gpg \
            >"$backports_source"
    fi
    if [ -f "$backports_source" ]; then
        # Only the new source: a broken index elsewhere must not hide it.
        update+=(-o "Dir::Etc::sourcelist=$backports_source" -o Dir::Etc::sourceparts=-
            -o APT::Get::List-Cleanup=0)
        if ! apt "${update[@]}" >"$log" 2>&1; then
            echo "$backports cannot be reached: $(apt_errors "$log")"
            return 1
        fi
    else
        # Another source names the suite: a failing index of some other suite is
        # no reason to stop; the install below says whether qemu-user can be had.
        apt "${update[@]}" >"$log" 2>&1 || say "apt-get update: $(apt_errors "$log")"
    fi
    say "installing qemu-user from $backports"
    if ! apt install -y -q --no-install-recommends -t "$backports" qemu-user >"$log" 2>&1; then
        echo "qemu-user cannot be installed from $backports: $(apt_errors "$log")"
        return 1
    fi
    if ! qemu_recent; then
        echo "qemu-i386 $(qemu_version || echo '(none)') is installed, and 32-bit Wine needs 8.1 or later"
        return 1
    fi
}

# Registers qemu-i386 for i386 ELF programs. Prints the reason when it cannot.
register_i386() {
    local conf line interpreter entry=$binfmt/qemu-i386
    for conf in /usr/share/qemu/binfmt.d/qemu-i386.conf /usr/lib/binfmt.d/qemu-i386.conf; do
        [ -f "$conf" ] && line=$(grep -m1 '^:qemu-i386:' "$conf") && break
        line=""
    done
    if [ -z "$line" ]; then
        # The ELF header of an i386 executable or shared object, as qemu's own rule.
        line=':qemu-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\xfc\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/libexec/qemu-binfmt/i386-binfmt-P:OPF'
    fi
    interpreter=$(cut -d: -f7 <<<"$line")
    [ -x "$interpreter" ] || { echo "qemu's interpreter $interpreter is missing"; return 1; }
    [ "$(cat "$binfmt/status")" = enabled ] || echo 1 >"$binfmt/status"
    if [ -e "$entry" ]; then
        if grep -qx enabled "$entry" && grep -qx "interpreter $interpreter" "$entry"; then
            return 0
        fi
        echo -1 >"$entry" || { echo "cannot remove the old $entry"; return 1; }
    fi
    say "registering $interpreter for i386 programs with binfmt_misc"
    if ! printf '%s\n' "$line" >"$binfmt/register" 2>"$work/register.err"; then
        echo "binfmt_misc refuses the i386 rule: $(cat "$work/register.err")"
        return 1
    fi
}

# The qemu-user route. Prints the reason when it cannot be taken.
qemu_route() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "not root, and binfmt_misc needs root"
        return 1
    fi
    if [ ! -e "$binfmt/register" ]; then
        if ! grep -qw binfmt_misc /proc/filesystems; then
            echo "the kernel has no binfmt_misc"
            return 1
        fi
        say "mounting binfmt_misc on $binfmt"
        if ! mount -t binfmt_misc binfmt_misc "$binfmt" 2>"$work/mount.err"; then
            echo "binfmt_misc cannot be mounted on $binfmt: $(head -1 "$work/mount.err")"
            return 1
        fi
    fi
    install_qemu && register_i386
}

main() {
    local reason exe native_reason why32
    if [ "$install" != 0 ]; then
        reason=$(install_wine)
        if [ -n "$reason" ]; then
            echo "$reason"
            return
        fi
    fi
    if ! command -v wine >/dev/null; then
        echo "wine is not installed or not on PATH"
        return
    fi
    if ! exe=$(build_probe); then
        echo "$exe"
        return
    fi
    if [ "$route" != qemu ]; then
        if native_reason=$(probe "$exe"); then
            say "the probe ran: 32-bit Windows programs run here"
            return
        fi
        say "probe: $native_reason"
        if [ "$route" = native ]; then
            echo "$native_reason"
            return
        fi
        if why32=$(runs_32bit); then
            # The kernel runs 32-bit programs, so qemu cannot help: Wine itself fails.
            echo "$native_reason"
            return
        fi
        native_reason="$native_reason; the kernel refuses 32-bit programs ($why32)"
    fi
    if ! reason=$(qemu_route); then
        echo "${native_reason:+$native_reason; }qemu-user route: $reason"
        return
    fi
    if reason=$(probe "$exe"); then
        say "the probe ran through qemu-user: 32-bit Windows programs run here"
        return
    fi
    echo "${native_reason:+$native_reason; }through qemu-user $(qemu_version): $reason"
}

main
