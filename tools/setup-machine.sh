#!/usr/bin/env bash
# Installs what this project needs on a fresh Debian 12 machine (as root, or through
# sudo). Does nothing when everything is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build clang clang-format python3
    libgtest-dev libgmock-dev googletest libbenchmark-dev libclang-rt-14-dev
    valgrind gcovr
    g++-mingw-w64-i686 wine wine32
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
# wine32 comes from the i386 architecture.
"${sudo_cmd[@]}" dpkg --add-architecture i386
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
