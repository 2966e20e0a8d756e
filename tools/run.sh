#!/usr/bin/env bash
# Installs what is missing, builds the launcher and starts it beside the sample login page.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLBECK_TESTS=OFF
cmake --build build/release
exec build/release/bin/Quillbeck
