#!/usr/bin/env bash
# The size bound on hostile files: for every crafted shape (bench/crafted.h) at 1, 10 and
# 100 MB, the time and the peak memory of `pravelot-cli convert`, `pravelot-cli info` and
# `pravelot-cli render`, each against the bound 2 × input + 64 MB, and how the time grows
# from size to size.
# Usage: bench/bounds.sh [--quick] [SHAPE ...]
#   --quick   1 and 4 MB only, as a smoke test
#   BOUNDS_SIZES="1 10"   the sizes in MB to measure (200 for the largest of the table)
#   PRAVELOT_CLI=path   measure another build of pravelot-cli (the generator is this one's)
#   BOUNDS_TIMEOUT=s    give up on a run after s seconds (default 600)
#   BOUNDS_VMEM_KB=k    limit each run's address space (ulimit -v), to measure a build
#                       that could take the machine's whole memory
set -euo pipefail
cd "$(dirname "$0")/.."

read -r -a sizes <<<"${BOUNDS_SIZES:-1 10 100}"
if [ "${1:-}" = "--quick" ]; then
    sizes=(1 4)
    shift
fi
scripts/deps.sh time libbenchmark-dev
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPRAVELOT_BENCH=ON -DPRAVELOT_GUI=OFF \
    -DPRAVELOT_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target pravelot-gen pravelot-cli >/dev/null
gen="$build/bin/pravelot-gen"
cli="${PRAVELOT_CLI:-$build/bin/pravelot-cli}"
limit="${BOUNDS_TIMEOUT:-600}"

shapes=("$@")
if [ ${#shapes[@]} -eq 0 ]; then
    mapfile -t shapes < <("$gen" crafted list | cut -d' ' -f1)
fi

out=bench/out/bounds
mkdir -p "$out"

# One run: prints "seconds peak-MB status", status being ok, the exit code, or timeout.
run() {
    local log="$out/time.log" status=ok code=0
    rm -rf "$out/dst" && mkdir -p "$out/dst"
    (
        [ -n "${BOUNDS_VMEM_KB:-}" ] && ulimit -v "$BOUNDS_VMEM_KB"
        exec timeout "$limit" /usr/bin/time -o "$log" -f "%e %M" "$@"
    ) >/dev/null 2>"$out/stderr" || code=$?
    if [ $code -eq 124 ]; then
        echo "$limit - timeout"
        return
    fi
    [ $code -ne 0 ] && status="exit $code"
    grep -q "terminate called\|Killed\|dumped\|signal" "$out/stderr" "$log" 2>/dev/null &&
        status="crash"
    read -r secs kb < <(grep -E '^[0-9.]+ [0-9]+$' "$log" | tail -1)
    echo "$secs $((kb / 1024)) $status"
}

printf '| shape | input | convert | peak | info | peak | render | peak | bound | within |\n'
printf '|---|---|---|---|---|---|---|---|---|---|\n'
declare -A conv_s rend_s
for shape in "${shapes[@]}"; do
    ext=$("$gen" crafted list | awk -v s="$shape" '$1 == s {print $2}')
    for mb in "${sizes[@]}"; do
        file="$out/$shape-$mb$ext"
        [ -f "$file" ] || "$gen" crafted "$shape" $((mb * 1024 * 1024)) "$file"
        cat "$file" >/dev/null # warm the cache
        bytes=$(stat -c %s "$file")
        bound=$(( (2 * bytes) / 1048576 + 64 ))
        read -r cs cm cst < <(run "$cli" convert -o "$out/dst" "$file")
        read -r is im ist < <(run "$cli" info "$file")
        read -r rs rm rst < <(run "$cli" render "$file" -o "$out/dst/picture.svg")
        within=yes
        for m in "$cm" "$im" "$rm"; do
            [ "$m" = "-" ] || [ "$m" -le "$bound" ] || within=no
        done
        [ "$cst" = ok ] && [ "$ist" = ok ] && [ "$rst" = ok ] ||
            within="no ($cst / $ist / $rst)"
        conv_s[$shape-$mb]=$cs
        rend_s[$shape-$mb]=$rs
        printf '| %s | %s MB | %s s | %s MB | %s s | %s MB | %s s | %s MB | %s MB | %s |\n' \
            "$shape" "$(awk -v b="$bytes" 'BEGIN {printf "%.1f", b / 1048576}')" "$cs" "$cm" \
            "$is" "$im" "$rs" "$rm" "$bound" "$within"
    done
    rm -f "$out/$shape-"*
done
growth() {
    local -n times=$1
    echo
    echo "Time of $2 from size to size (the input's growth in brackets):"
    for shape in "${shapes[@]}"; do
        line="$shape:"
        for ((i = 1; i < ${#sizes[@]}; ++i)); do
            a=${times[$shape-${sizes[i - 1]}]} b=${times[$shape-${sizes[i]}]}
            line+=" $(awk -v a="$a" -v b="$b" -v g="$((sizes[i] / sizes[i - 1]))" \
                'BEGIN {if (a > 0) printf "%.1f× (%d×)", b / a, g; else print "-"}')"
        done
        echo "$line"
    done
}
growth conv_s convert
growth rend_s render
