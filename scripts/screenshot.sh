#!/usr/bin/env bash
# Takes the picture of the main window for the README: a fresh copy of the program (so
# that it starts with first-start settings and leaves the build's settings file alone)
# on a virtual X display, with a few files listed.
# Usage: scripts/screenshot.sh [output.png]   (default: docs/screenshot.png)
# PRAVELOT_BUILD names the build folder (default: build).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$(realpath -m "${1:-$here/docs/screenshot.png}")"

"$here/scripts/deps.sh" xvfb xauth x11-utils x11-apps netpbm
build="$(realpath -m "${PRAVELOT_BUILD:-$here/build}")"
cmake -S "$here" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target pravelot >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/prog" "$work/部品"
cp "$build/bin/pravelot" "$work/prog/"
# The list admits any regular file with a figure file's extension; the picture needs
# no content.
files=()
for name in "階段 01.jws" "階段 02.jws" "手すり-A.jws" "足場板.JWS" "旧図面.jwk"; do
    : >"$work/部品/$name"
    files+=("$work/部品/$name")
done

export LANG=C.UTF-8 WORK="$work" OUT="$out"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    "$WORK/prog/pravelot" "$@" &
    pid=$!
    id=""
    for _ in $(seq 100); do
        id="$(xwininfo -root -tree | grep "Ver.1.10" | awk "{print \$1}" | head -1 || true)"
        [ -n "$id" ] && xwininfo -id "$id" | grep -q "IsViewable" && break
        id=""
        sleep 0.1
    done
    [ -n "$id" ] || { echo "screenshot.sh: the window did not appear" >&2; kill "$pid"; exit 1; }
    sleep 1 # let it paint
    mkdir -p "$(dirname "$OUT")"
    xwd -id "$id" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$OUT"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' screenshot "${files[@]}"
echo "Wrote $out"
