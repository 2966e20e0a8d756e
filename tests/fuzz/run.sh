#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) in build/fuzz and runs each one
# from its seed corpus for a bounded time; any crash, leak, sanitizer report or failed check
# fails the script, and the input that caused it is kept in build/fuzz/artifacts/.
# FUZZ_SECONDS sets the time per target (60 s unless told).
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${FUZZ_SECONDS:-60}
build=build/fuzz

cmake -S . -B "$build" -G Ninja -DQUILLBECK_FUZZ=ON -DQUILLBECK_WERROR=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build "$build"

# target, longest input
for entry in private_profile:8192 version_numbers:256; do
    name=${entry%%:*}
    max_len=${entry##*:}
    # New inputs go to the build's own corpus; the seeds in the source tree are only read.
    corpus=$build/corpus/$name
    artifacts=$build/artifacts/$name/
    mkdir -p "$corpus" "$artifacts"
    echo "Fuzzing ${name} for ${seconds} s"
    "$build/bin/${name}_fuzz" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix="$artifacts" -print_final_stats=1 \
        "$corpus" "tests/fuzz/corpus/$name"
done
