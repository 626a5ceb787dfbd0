#!/usr/bin/env bash
# A parts library converted whole, side by side with copying it: the tree of the shared
# samples copied COPIES times into sub-folders (28: 2,016 parts), then, alternating, in
# rounds, `cp -r` of the tree followed by `sync`, and one `pravelot-cli convert -r` of it
# into the same empty folder (each output named only once its bytes are on the disk).
# Prints the medians, their ratio and the conversion's peak memory.
# Usage: bench/library.sh [--quick]    (--quick: two copies, one round, as a smoke test)
#   LIBRARY_COPIES=n   copies of the samples' tree     LIBRARY_ROUNDS=n   rounds
#   PRAVELOT_CLI=cmd   the command that converts (e.g. "wine build-win/bin/pravelot-cli.exe")
set -euo pipefail
cd "$(dirname "$0")/.."

copies=${LIBRARY_COPIES:-28} rounds=${LIBRARY_ROUNDS:-5}
if [ "${1:-}" = "--quick" ]; then
    copies=2 rounds=1
fi
samples=../shared/samples
[ -d "$samples/jws" ] || { echo "bench/library.sh: no $samples/jws" >&2; exit 2; }
scripts/deps.sh time
build=build-bench
if [ -z "${PRAVELOT_CLI:-}" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPRAVELOT_GUI=OFF -DPRAVELOT_TESTS=OFF \
        >/dev/null
    cmake --build "$build" -j"$(nproc)" --target pravelot-cli >/dev/null
fi
read -r -a cli <<<"${PRAVELOT_CLI:-$build/bin/pravelot-cli}"

out=bench/out/library
rm -rf "$out"
mkdir -p "$out/lib" "$out/dst"
for i in $(seq -w 1 "$copies"); do
    cp -r "$samples/jws" "$out/lib/組$i"
done
parts=$(find "$out/lib" -type f | wc -l)
bytes=$(du -sb "$out/lib" | cut -f1)
find "$out/lib" -type f -exec cat {} + >/dev/null # warm the cache

# One timed run into an empty, settled folder: prints "microseconds peak-kB".
timed() {
    local t0 t1 rss
    rm -rf "$out/dst" && mkdir -p "$out/dst" && sync
    t0=$(date +%s%N)
    # A part that fails its check (one of the samples uses its own name as a block
    # name) ends the conversion with status 1; the others are converted all the same.
    rss=$({ /usr/bin/time -f "%M" "$@" 2>&1 >/dev/null || true; } | tail -1)
    t1=$(date +%s%N)
    echo "$(((t1 - t0) / 1000)) $rss"
}
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

copy_sync() { cp -r "$out/lib" "$out/dst/" && sync; }
export -f copy_sync
export out
cps=() copies_plain=() convs=() kbs=()
for _ in $(seq "$rounds"); do
    read -r us _ < <(timed bash -c copy_sync); cps+=("$us")
    read -r us kb < <(timed "${cli[@]}" convert -r -o "$out/dst" "$out/lib"); convs+=("$us"); kbs+=("$kb")
    read -r us _ < <(timed cp -r "$out/lib" "$out/dst/"); copies_plain+=("$us")
done
# What a conversion writes: every part that passes its check, where cp -r puts it.
rm -rf "$out/dst" && mkdir -p "$out/dst"
summary=$("${cli[@]}" convert -r -o "$out/dst" "$out/lib" 2>/dev/null | tail -1 | tr -d '\r') || true
written=$(find "$out/dst/lib" -type f -iname '*.jws' | wc -l)
case "$summary" in
"converted $written, "*) ;;
*) echo "bench/library.sh: $written outputs, but the run says: $summary" >&2; exit 1 ;;
esac

cp_us=$(printf '%s\n' "${cps[@]}" | median)
plain_us=$(printf '%s\n' "${copies_plain[@]}" | median)
conv_us=$(printf '%s\n' "${convs[@]}" | median)
peak_kb=$(printf '%s\n' "${kbs[@]}" | sort -n | tail -1)
awk -v n="$parts" -v b="$bytes" -v summary="$summary" -v r="$rounds" -v cp="$cp_us" -v plain="$plain_us" \
    -v conv="$conv_us" -v kb="$peak_kb" 'BEGIN {
    printf "library: %d parts, %.1f MB, %d rounds (medians); %s\n", n, b / 1e6, r, summary
    printf "cp -r + sync   %.3f s\n", cp / 1e6
    printf "cp -r          %.3f s\n", plain / 1e6
    printf "convert -r     %.3f s   %.2f x (cp -r + sync)   %.2f x (cp -r)   peak %.1f MB\n",
        conv / 1e6, conv / cp, conv / plain, kb / 1024
}'
