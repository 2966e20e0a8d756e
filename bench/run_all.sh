#!/usr/bin/env bash
# Runs every benchmark once against a Release build of its own (build/bench unless
# QUILLBECK_BENCH_BUILD says otherwise), configuring and building what it needs first.
# Takes three to five minutes. Extra options for one script go in its variable, for example
#   BENCH_STARTUP_ARGS="--runs 10" BENCH_FOLDER_TREE_ARGS="--sizes 1000,10000" bash bench/run_all.sh
#
# --smoke runs each script once with one run of each kind and small sizes, each within
# BENCH_SMOKE_TIMEOUT seconds (180 unless told): it proves the benches still work, not how fast
# anything is. Any build in which the test suite was built will do, for example
#   QUILLBECK_BENCH_BUILD=build/test bash bench/run_all.sh --smoke
# (the scripts use that build's update-server port, so not while its tests run).
set -uo pipefail

smoke=false
case "${1:-}" in
    "") ;;
    --smoke) smoke=true ;;
    *) echo "usage: bash bench/run_all.sh [--smoke]" >&2; exit 64 ;;
esac

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

# The scripts and what they start (the window manager, the browsers) keep their files in a home
# of their own, never in the user's.
scratch="$(mktemp -d "${TMPDIR:-/tmp}/quillbeck-bench-home.XXXXXX")" || exit 1
trap 'rm -rf "$scratch"' EXIT
export HOME="$scratch"
export XDG_CONFIG_HOME="$scratch/.config" XDG_CACHE_HOME="$scratch/.cache" \
    XDG_DATA_HOME="$scratch/.local/share" XDG_STATE_HOME="$scratch/.local/state"

export QUILLBECK_BENCH_BUILD="$build"
export PYTHONDONTWRITEBYTECODE=1

declare -A smoke_args=(
    [startup]="--runs 1 --warmup 0"
    [fetch]="--runs 1 --refused-runs 1"
    [folder_tree]="--sizes 100,1000 --runs 1"
    [process_guard]="--extra 0,20 --runs 1"
    [memory]="--runs 1 --settle 0.2"
)
limit="${BENCH_SMOKE_TIMEOUT:-180}"

started=$SECONDS
failed=()
# shellcheck disable=SC2086  # the argument variables are word lists on purpose
for script in startup fetch folder_tree process_guard memory; do
    variable="BENCH_${script^^}_ARGS"
    echo
    if $smoke; then
        # timeout ends the script's whole process group, so what it started ends with it.
        timeout --kill-after=15 "$limit" \
            "$python" "$here/$script.py" ${smoke_args[$script]} ${!variable:-}
    else
        "$python" "$here/$script.py" ${!variable:-}
    fi
    status=$?
    if $smoke && { [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; }; then
        echo "$script.py did not end within $limit s" >&2
        failed+=("$script (time-out)")
    elif [ "$status" -ne 0 ]; then
        failed+=("$script")
    fi
done

echo
if $smoke; then
    echo "Smoke run of every benchmark took $((SECONDS - started)) s; its figures mean nothing."
else
    echo "All benchmarks took $((SECONDS - started)) s."
fi
if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
