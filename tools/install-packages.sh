#!/usr/bin/env bash
# Installs the Debian packages of one or more purposes, and only what is missing.
#
#   bash tools/install-packages.sh [--optional] [--report FILE] PURPOSE...
#
# Each purpose is a list in tools/packages/PURPOSE.list: one package a line, `#`
# starts a comment. A package of another architecture is written NAME:ARCH (for
# example wine32:i386); that architecture is added to dpkg before installing it.
#
# When every package is installed already, apt-get is not called at all. Otherwise
# `apt-get update` runs, retried a few times: a broken index of one suite or
# architecture makes it exit 100, and the lists that did download are still used.
# Then the missing packages are installed together; if apt refuses the batch, each
# is tried on its own, so that one package that cannot be had does not keep out the
# rest. Every package still missing at the end is named with apt's reason. The
# downloaded .deb files are not kept once installed: a whole CI run's packages
# would otherwise take about 2 GiB of a disk that the build trees need.
#
# Exit status: 0 when every package is installed; 1 when one is not (with
# --optional: 0 all the same); 2 for a usage error or an unknown purpose.
# --report FILE: writes one line "PACKAGE<TAB>REASON" per package not installed
# (an empty file when none is missing).
#
# Runs apt-get and dpkg as root, through sudo when not root.
#
#   KEST_APT_UPDATE_TRIES   attempts of apt-get update (default 3)
#   KEST_APT_RETRY_DELAY    seconds between them (default 10)
#   KEST_APT_TIMEOUT        seconds one apt-get call may take (default 1800)
#   KEST_APT_FRESH          seconds the package lists of an earlier update stay
#                           good enough to install from (default 1800): within
#                           them, and with no architecture added, no update runs
#   KEST_APT_STAMP          file that records the last update that read lists
#                           (default ${TMPDIR:-/tmp}/kest-apt-update.stamp)
set -uo pipefail

lists=$(cd "$(dirname "$0")" && pwd)/packages
tries=${KEST_APT_UPDATE_TRIES:-3}
delay=${KEST_APT_RETRY_DELAY:-10}
apt_timeout=${KEST_APT_TIMEOUT:-1800}
fresh_for=${KEST_APT_FRESH:-1800}
stamp=${KEST_APT_STAMP:-${TMPDIR:-/tmp}/kest-apt-update.stamp}

say() { echo "install-packages: $*" >&2; }
usage() {
    echo "usage: $0 [--optional] [--report FILE] PURPOSE..." >&2
    echo "purposes: $(cd "$lists" && ls ./*.list 2>/dev/null | sed 's|^\./||; s|\.list$||' | tr '\n' ' ')" >&2
    exit 2
}

optional=0
report=""
purposes=()
while [ $# -gt 0 ]; do
    case $1 in
        --optional) optional=1 ;;
        --report)
            [ $# -ge 2 ] || usage
            report=$2
            shift
            ;;
        -*) usage ;;
        *) purposes+=("$1") ;;
    esac
    shift
done
[ ${#purposes[@]} -gt 0 ] || usage

packages=()
for purpose in "${purposes[@]}"; do
    list=$lists/$purpose.list
    if [ ! -f "$list" ]; then
        say "no package list for purpose '$purpose' ($list)"
        usage
    fi
    while read -r line; do
        line=${line%%#*}
        for package in $line; do
            case " ${packages[*]} " in
                *" $package "*) ;;
                *) packages+=("$package") ;;
            esac
        done
    done <"$list"
done

if [ -n "$report" ]; then
    : >"$report" || exit 2
fi

installed() {
    local status
    status=$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) || return 1
    [[ $status == *" ok installed" ]]
}

missing_packages() {
    local package
    for package in "${packages[@]}"; do
        installed "$package" || echo "$package"
    done
}

mapfile -t missing < <(missing_packages)
[ ${#missing[@]} -eq 0 ] && exit 0

declare -A reason=()

# Ends the run: names each package still missing, with its reason.
finish() {
    local package text failed=0
    mapfile -t missing < <(missing_packages)
    for package in "${missing[@]}"; do
        text=${reason[$package]:-apt-get reported success, but dpkg does not list it as installed}
        say "not installed: $package: $text"
        if [ -n "$report" ]; then
            printf '%s\t%s\n' "$package" "$text" >>"$report"
        fi
        failed=1
    done
    if [ "$failed" -eq 0 ]; then
        say "installed: ${wanted[*]}"
        exit 0
    fi
    [ "$optional" -eq 1 ] && exit 0
    say "missing packages of ${purposes[*]}: ${missing[*]}"
    exit 1
}

# Every package of the run gets the same reason, then the run ends.
give_up() {
    local package
    for package in "${missing[@]}"; do
        reason[$package]=$1
    done
    finish
}

wanted=("${missing[@]}")
say "missing for ${purposes[*]}: ${wanted[*]}"

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        give_up "not root, and sudo is not available"
    fi
    as_root=(sudo)
fi
if ! command -v apt-get >/dev/null 2>&1 || ! command -v dpkg >/dev/null 2>&1; then
    give_up "apt-get is not available (a Debian system is needed)"
fi

bounded=()
if command -v timeout >/dev/null 2>&1; then
    bounded=(timeout "$apt_timeout")
fi
run_apt() {
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" "${bounded[@]}" apt-get "$@"
}

# apt's reason, from the output of a failed apt-get: its E: lines, with the
# package's own line of an unmet dependency in front when there is one.
apt_reason() {
    local log=$1 package=${2%%:*} status=$3 errors unmet=""
    errors=$(grep -E '^E: ' "$log" | tr '\t' ' ' | paste -sd';' - | sed 's/;/; /g')
    if grep -q 'unmet dependencies' "$log"; then
        unmet=$(grep -E "^ +${package}(:[a-z0-9]+)? +:" "$log" | head -1)
        [ -n "$unmet" ] || unmet=$(grep -A1 'unmet dependencies' "$log" | sed -n 2p)
        unmet=$(echo "$unmet" | tr '\t' ' ' | sed -E 's/^ +//; s/ +/ /g')
        unmet="unmet dependencies: ${unmet:-see the output of apt-get}"
    fi
    if [ "$status" -eq 124 ]; then
        errors="apt-get took longer than ${apt_timeout}s${errors:+; $errors}"
    fi
    if [ -n "$unmet" ] && [ -n "$errors" ]; then
        echo "$unmet; $errors"
    elif [ -n "$unmet$errors" ]; then
        echo "$unmet$errors"
    else
        echo "apt-get install exited $status: $(grep -v '^ *$' "$log" | tail -1 | tr '\t' ' ')"
    fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Architectures the packages need that dpkg does not have yet.
native=$(dpkg --print-architecture)
foreign=" $(dpkg --print-foreign-architectures | tr '\n' ' ') "
added_architecture=0
for package in "${missing[@]}"; do
    case $package in
        *:*)
            arch=${package##*:}
            if [ "$arch" != "$native" ] && [ "$arch" != all ] && [[ $foreign != *" $arch "* ]]; then
                say "adding the $arch architecture to dpkg"
                if "${as_root[@]}" dpkg --add-architecture "$arch"; then
                    foreign="$foreign$arch "
                    added_architecture=1
                else
                    reason[$package]="dpkg --add-architecture $arch failed"
                fi
            fi
            ;;
    esac
done

# One index that fails (a mirror half-way through a sync) makes apt-get update exit
# 100 though the others were read; try again a few times, then go on with what is
# there. With no network at all every try fails quickly, and the install below
# says which packages that leaves out. An update that read lists a short while ago
# (in an earlier step of the same CI run) is not repeated: its lists serve, and a
# broken index would only fail again. A newly added architecture has no lists yet,
# so adding one always updates.
attempt=1
if [ "$added_architecture" -eq 0 ] && [ -f "$stamp" ]; then
    age=$(( $(date +%s) - $(stat -c %Y "$stamp") ))
    if [ "$age" -lt "$fresh_for" ]; then
        say "the package lists were read ${age}s ago: no apt-get update"
        attempt=0
    fi
fi
while [ "$attempt" -gt 0 ]; do
    status=0
    run_apt update -q >"$work/update.log" 2>&1 || status=$?
    # Lists were read when apt names any source it got or found unchanged.
    if [ "$status" -eq 0 ] || grep -qE '^(Get|Hit):' "$work/update.log"; then
        touch "$stamp" 2>/dev/null || true
    fi
    [ "$status" -eq 0 ] && break
    say "apt-get update exited $status (try $attempt of $tries):"
    grep -E '^(E|W): ' "$work/update.log" | sed 's/^/    /' >&2
    if [ "$attempt" -ge "$tries" ]; then
        say "going on with the package lists apt has"
        break
    fi
    attempt=$((attempt + 1))
    sleep "$delay"
done

install_options=(install -y -q --no-install-recommends -o APT::Keep-Downloaded-Packages=false)
to_install=()
for package in "${missing[@]}"; do
    [ -n "${reason[$package]:-}" ] || to_install+=("$package")
done
status=0
if [ ${#to_install[@]} -gt 0 ]; then
    run_apt "${install_options[@]}" "${to_install[@]}" >"$work/install.log" 2>&1 || status=$?
fi
if [ "$status" -ne 0 ] && [ ${#to_install[@]} -eq 1 ]; then
    reason[${to_install[0]}]=$(apt_reason "$work/install.log" "${to_install[0]}" "$status")
elif [ "$status" -ne 0 ]; then
    say "apt-get refused the packages together (exit $status); trying each on its own"
    for package in "${to_install[@]}"; do
        installed "$package" && continue
        status=0
        run_apt "${install_options[@]}" "$package" >"$work/one.log" 2>&1 || status=$?
        if [ "$status" -ne 0 ]; then
            reason[$package]=$(apt_reason "$work/one.log" "$package" "$status")
        fi
    done
fi
finish
