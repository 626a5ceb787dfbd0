#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time.
# Usage: fuzz/run.sh [seconds-per-target]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-60}"

scripts/deps.sh clang libclang-rt-14-dev
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPRAVELOT_FUZZ=ON -DPRAVELOT_GUI=OFF -DPRAVELOT_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

for target in "$build"/bin/fuzz_*; do
    name=$(basename "$target")
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    seeds=()
    [ -d "fuzz/seeds/${name#fuzz_}" ] && seeds+=("fuzz/seeds/${name#fuzz_}")
    # The drawing reads .jws files too.
    [ "$name" = fuzz_render ] && seeds+=(fuzz/seeds/jws)
    # The real parts beside the project, when there, seed the .jws targets too.
    { [ "$name" = fuzz_jws ] || [ "$name" = fuzz_render ]; } && [ -d ../shared/samples ] &&
        seeds+=(../shared/samples)
    echo "== $name (${secs}s)"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$target" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=0 -artifact_prefix="$build/" "$corpus" "${seeds[@]}" 2>&1 | tail -3
done
