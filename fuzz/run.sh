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
    seeds=() options=()
    [ -d "fuzz/seeds/${name#fuzz_}" ] && seeds+=("fuzz/seeds/${name#fuzz_}")
    dict="fuzz/${name#fuzz_}.dict"
    # The drawing reads .jws files too.
    if [ "$name" = fuzz_render ]; then
        seeds+=(fuzz/seeds/jws)
        dict=fuzz/jws.dict
    fi
    [ -f "$dict" ] && options+=("-dict=$dict")
    # Figure files are cut at 4 KB: a header, the first records and a nesting fit, and
    # shorter inputs run several times as fast (the real parts, 55 KB in the median, then
    # seed with their beginnings). The structure target builds its documents from the
    # bytes whatever their number. libFuzzer's entropic scheduling takes 44 % of the
    # structure target's time and 15 % of the drawing target's, for no more coverage in
    # a minute.
    case "$name" in
    fuzz_jws | fuzz_jwk) options+=(-max_len=4096) ;;
    fuzz_structure | fuzz_render) options+=(-max_len=4096 -entropic=0) ;;
    *) options+=(-max_len=65536) ;;
    esac
    # The real parts beside the project, when there, seed the .jws targets too.
    { [ "$name" = fuzz_jws ] || [ "$name" = fuzz_render ]; } && [ -d ../shared/samples ] &&
        seeds+=(../shared/samples)
    echo "== $name (${secs}s)"
    # The last lines: the totals of the run (executions, their rate, what was added).
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$target" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "${options[@]}" -artifact_prefix="$build/" "$corpus" \
        "${seeds[@]}" 2>&1 | grep -E "^stat::(number_of_executed_units|average_exec_per_sec|new_units_added)|^Done|ERROR|SUMMARY|deadly"
done
