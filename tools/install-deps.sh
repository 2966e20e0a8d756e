#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the launcher need, if any
# is missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config
    libgtk-3-dev libwebkit2gtk-4.1-dev libcurl4-openssl-dev
    # tests
    libgtest-dev libgmock-dev python3 python3-pyftpdlib curl
    xvfb xauth openbox xdotool x11-utils wmctrl imagemagick fonts-dejavu-core
    # fuzzing and sanitizer runtimes
    clang libclang-rt-14-dev
    # the Windows build (mingw-w64, posix thread model), its GoogleTest sources and Wine
    g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    mingw-w64-x86-64-dev googletest wine wine64
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
