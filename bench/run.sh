#!/usr/bin/env bash
# Whole conversions with pravelot-cli side by side with cp of the same input to the
# same folder: alternating runs, warm caches, the median of each; peak memory from
# /usr/bin/time. Prints a table of ratios.
# Usage: bench/run.sh [--quick]      (--quick: small inputs, one round, as a smoke test)
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1
scripts/deps.sh time libbenchmark-dev eatmydata
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPRAVELOT_BENCH=ON -DPRAVELOT_GUI=OFF \
    -DPRAVELOT_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
gen="$build/bin/pravelot-gen"
cli="$build/bin/pravelot-cli"

out=bench/out
rm -rf "$out"
mkdir -p "$out/in" "$out/parts" "$out/dst"
if [ $quick -eq 1 ]; then
    jws_n=20000 jwk_n=20000 parts=50 rounds=1
else
    jws_n=1300000 jwk_n=2100000 parts=2000 rounds=5
fi
"$gen" jws "$jws_n" 600 "$out/in/big.jws"
"$gen" jws $((jws_n / 2)) 600 "$out/in/half.jws"
"$gen" jwk "$jwk_n" "$out/in/big.jwk"
"$gen" jwk $((jwk_n / 2)) "$out/in/half.jwk"
"$gen" parts "$parts" "$out/parts"
cat "$out"/in/* "$out"/parts/* >/dev/null # warm the cache

# One timed run: prints "seconds peak-kB".
timed() {
    local t0 t1 rss
    rm -rf "$out/dst" && mkdir -p "$out/dst"
    t0=$(date +%s%N)
    rss=$(/usr/bin/time -f "%M" "$@" 2>&1 >/dev/null | tail -1)
    t1=$(date +%s%N)
    echo "$(( (t1 - t0) / 1000 )) $rss"
}
cp_each() { for f in "$out"/parts/*.jws; do cp "$f" "$out/dst/"; done; }
export -f cp_each
export out

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# measure NAME CP-COMMAND -- CLI-COMMAND: alternating rounds; prints medians in µs and the peak kB.
declare -A cp_us cli_us cli_kb
measure() {
    local name=$1; shift
    local cpcmd=() clicmd=()
    while [ "$1" != "--" ]; do cpcmd+=("$1"); shift; done; shift
    clicmd=("$@")
    local cps=() clis=() kbs=()
    for _ in $(seq "$rounds"); do
        read -r us _ < <(timed "${cpcmd[@]}"); cps+=("$us")
        read -r us kb < <(timed "${clicmd[@]}"); clis+=("$us"); kbs+=("$kb")
    done
    cp_us[$name]=$(printf '%s\n' "${cps[@]}" | median)
    cli_us[$name]=$(printf '%s\n' "${clis[@]}" | median)
    cli_kb[$name]=$(printf '%s\n' "${kbs[@]}" | sort -n | tail -1)
}

measure jws cp "$out/in/big.jws" "$out/dst/" -- "$cli" convert -o "$out/dst" "$out/in/big.jws"
measure jws-half cp "$out/in/half.jws" "$out/dst/" -- "$cli" convert -o "$out/dst" "$out/in/half.jws"
measure jwk cp "$out/in/big.jwk" "$out/dst/" -- "$cli" convert -o "$out/dst" "$out/in/big.jwk"
measure jwk-half cp "$out/in/half.jwk" "$out/dst/" -- "$cli" convert -o "$out/dst" "$out/in/half.jwk"
# shellcheck disable=SC2046
measure parts bash -c cp_each -- "$cli" convert -o "$out/dst" $(ls "$out"/parts/*.jws)

# What flushing each output to the disk before it gets its name costs: the parts with
# and without fdatasync (eatmydata turns it into nothing), alternating, the median of each.
syncs=() nosyncs=()
for _ in $(seq "$rounds"); do
    # shellcheck disable=SC2046
    read -r us _ < <(timed "$cli" convert -o "$out/dst" $(ls "$out"/parts/*.jws)); syncs+=("$us")
    # shellcheck disable=SC2046
    read -r us _ < <(timed eatmydata "$cli" convert -o "$out/dst" $(ls "$out"/parts/*.jws)); nosyncs+=("$us")
done
sync_us=$(printf '%s\n' "${syncs[@]}" | median)
nosync_us=$(printf '%s\n' "${nosyncs[@]}" | median)

size_kb() { du -k --apparent-size "$1" | cut -f1; }
printf '| case | input | cp | pravelot-cli | time ratio | peak memory | memory bound (2 × input + 30 MB) |\n'
printf '|---|---|---|---|---|---|---|\n'
row() {
    local name=$1 input_kb=$2 label=$3
    local ratio bound
    ratio=$(awk -v a="${cli_us[$name]}" -v b="${cp_us[$name]}" 'BEGIN {printf "%.2f", a / b}')
    bound=$(( 2 * input_kb + 30 * 1024 ))
    printf '| %s | %s | %.3f s | %.3f s | %s× | %d MB | %d MB |\n' "$label" \
        "$(awk -v k="$input_kb" 'BEGIN {printf "%.1f MB", k / 1024}')" \
        "$(awk -v u="${cp_us[$name]}" 'BEGIN {print u / 1e6}')" \
        "$(awk -v u="${cli_us[$name]}" 'BEGIN {print u / 1e6}')" \
        "$ratio" $(( ${cli_kb[$name]} / 1024 )) $(( bound / 1024 ))
}
row jws "$(size_kb "$out/in/big.jws")" "one .jws"
row jwk "$(size_kb "$out/in/big.jwk")" "one .jwk"
row parts "$(du -k --apparent-size -s "$out/parts" | cut -f1)" "$parts small .jws parts"
echo
awk -v a="${cli_us[jws]}" -v b="${cli_us[jws-half]}" -v c="${cli_us[jwk]}" -v d="${cli_us[jwk-half]}" \
    'BEGIN {printf "Linearity: doubling the entities multiplies the time by %.2f (.jws) and %.2f (.jwk)\n", a / b, c / d}'
awk -v a="$sync_us" -v b="$nosync_us" -v n="$parts" \
    'BEGIN {printf "fdatasync before naming each output: %d parts in %.3f s, %.3f s without it (%.2f×, %.2f ms a file)\n", n, a / 1e6, b / 1e6, a / b, (a - b) / n / 1e3}'
