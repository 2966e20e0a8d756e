#!/usr/bin/env bash
# Installs what is missing and cross-builds the launcher for Windows with mingw-w64, warnings as
# errors: build/windows/bin/Quillbeck.exe, statically linked, with its test programs. The tests
# run under Wine:  bash tools/wine-run.sh --session ctest --test-dir build/windows
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
jobs=${QUILLBECK_JOBS:-$(nproc)}

# The same update server address and port as the Linux test build, so that both builds are
# tested against the same loopback server.
cmake -S . -B build/windows -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLBECK_WERROR=ON \
    -DQUILLBECK_UPDATE_SERVER=127.0.0.1 -DQUILLBECK_UPDATE_PORT="${QUILLBECK_UPDATE_PORT:-2121}"
cmake --build build/windows -j "$jobs"
