#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs the whole test suite, then
# builds again with AddressSanitizer and UndefinedBehaviorSanitizer and runs it once more.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
jobs=$(nproc)

# The tests and all they start keep their files in a home of their own, never in the user's
# (some libraries pass over HOME for the password database's, but take XDG_CACHE_HOME).
scratch_home=$(mktemp -d "${TMPDIR:-/tmp}/quillbeck-test-home.XXXXXX")
trap 'rm -rf "$scratch_home"' EXIT
export HOME="$scratch_home" XDG_CACHE_HOME="$scratch_home/.cache" \
    XDG_CONFIG_HOME="$scratch_home/.config" XDG_DATA_HOME="$scratch_home/.local/share" \
    XDG_STATE_HOME="$scratch_home/.local/state"

# The tests run their own update server on loopback; the test builds point the launcher at it.
update_port=2121
common=(-G Ninja -DQUILLBECK_WERROR=ON -DQUILLBECK_UPDATE_SERVER=127.0.0.1 -DQUILLBECK_UPDATE_PORT=$update_port)

cmake -S . -B build/test "${common[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/test -j "$jobs"
ctest --test-dir build/test -j "$jobs" --output-on-failure

# The private-profile reader and the version-number routines, fuzzed for a bounded time.
bash tests/fuzz/run.sh

cmake -S . -B build/asan "${common[@]}" -DCMAKE_BUILD_TYPE=Debug -DQUILLBECK_SANITIZE=ON
cmake --build build/asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build/asan -j "$jobs" --output-on-failure -L 'unit|integration'
# The toolkit keeps caches alive until the process ends; leaks are checked above, not here.
ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build/asan -j "$jobs" --output-on-failure -L window

# The Windows program: cross-built with mingw-w64 (warnings as errors, the same update-server
# port), its tests run under Wine in one fresh prefix made for this run and removed after it.
QUILLBECK_UPDATE_PORT=$update_port bash tools/build-windows.sh
bash tools/wine-run.sh --session ctest --test-dir build/windows -j "$jobs" --output-on-failure
