#!/usr/bin/env bash
# Runs every benchmark once against a Release build of its own (build/bench unless
# QUILLBECK_BENCH_BUILD says otherwise), configuring and building what it needs first.
# Takes three to five minutes. Extra options for one script go in its variable, for example
#   BENCH_STARTUP_ARGS="--runs 10" BENCH_FOLDER_TREE_ARGS="--sizes 1000,10000" bash bench/run_all.sh
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
build="${QUILLBECK_BENCH_BUILD:-$repo/build/bench}"
# Debian's Python: the FTP server needs its pyftpdlib.
python=/usr/bin/python3

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQUILLBECK_UPDATE_PORT=2198 -DQUILLBECK_BENCH=ON || exit 1
elif ! grep -q '^QUILLBECK_BENCH:BOOL=ON$' "$build/CMakeCache.txt"; then
    cmake -B "$build" -DQUILLBECK_BENCH=ON || exit 1
fi
targets=(Quillbeck quillbeck_bench)
# The guard's stand-ins are the tests' helper where the build has the tests (else sleep).
grep -q '^QUILLBECK_TESTS:BOOL=OFF$' "$build/CMakeCache.txt" || targets+=(stand_in)
cmake --build "$build" --target "${targets[@]}" || exit 1

export QUILLBECK_BENCH_BUILD="$build"
export PYTHONDONTWRITEBYTECODE=1
started=$SECONDS
failed=()
# shellcheck disable=SC2086  # the *_ARGS variables are word lists on purpose
for script in startup fetch folder_tree process_guard memory; do
    variable="BENCH_${script^^}_ARGS"
    echo
    if ! "$python" "$here/$script.py" ${!variable:-}; then
        failed+=("$script")
    fi
done

echo
echo "All benchmarks took $((SECONDS - started)) s."
if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
