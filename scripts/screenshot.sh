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

# The settings of a first start beside the program copied into folder, but for the
# folder last chosen in ask-each-time mode: a user's folder rather than the scratch
# folder the program lies in.
firstStart() {
    local hex
    hex="$(printf '%s' "/home/user/図面/ブロック/" | od -An -tx1 | tr -d ' \n' | tr a-f A-F)"
    printf '%s\r\n' 50 50 480 480 1 0 0 0 0 "" "" "$hex" 1 Windows 256 96 "" 50 50 320 240 \
        >"$1/pravelot.dat"
}
# The parts lie deep enough for the list to show the end of their folder only.
parts="home/user/図面/足場/部品"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/prog" "$work/$parts"
cp "$build/bin/pravelot" "$work/prog/"
firstStart "$work/prog"
# The list admits any regular file with a figure file's extension; the picture needs
# no content.
files=()
for name in "階段 01.jws" "階段 02.jws" "手すり-A.jws" "足場板.JWS" "旧図面.jwk"; do
    : >"$work/$parts/$name"
    files+=("$work/$parts/$name")
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

# ---------------------------------------------------------------------------------------
# The preview with real parts: docs/preview.png (a part picked in the list, both windows)
# and docs/preview-converted.png (another part after a run, its output beside it). Takes
# the parts from the shared samples folder ($PRAVELOT_SAMPLES, default ../shared/samples
# beside the project), copied into a temporary folder; skipped when it is absent.
samples="$(realpath -m "${PRAVELOT_SAMPLES:-$here/../shared/samples}")"
if [ ! -d "$samples" ]; then
    echo "screenshot.sh: no samples folder at $samples; the preview pictures are not taken" >&2
    exit 0
fi
"$here/scripts/deps.sh" twm xdotool xfonts-base
pwork="$(mktemp -d)"
trap 'rm -rf "$work" "$pwork"' EXIT
mkdir -p "$pwork/prog" "$pwork/$parts" "$pwork/home"
cp "$build/bin/pravelot" "$pwork/prog/"
firstStart "$pwork/prog"
copies=()
for rel in "jws/jdu211171__jw_cad/平面/入り込み1800.jws" "jws/jdu211171__jw_cad/文字部品/東、西、南、北.jws" \
           "jws/jdu211171__jw_cad/立面/親綱06.jws"; do
    [ -f "$samples/$rel" ] || continue
    cp "$samples/$rel" "$pwork/$parts/"
    copies+=("$pwork/$parts/$(basename "$rel")")
done
[ ${#copies[@]} -gt 0 ] || { echo "screenshot.sh: the sample parts were not found" >&2; exit 1; }

export PWORK="$pwork" DOCS="$here/docs" HOME="$pwork/home"
xvfb-run -a -s "-screen 0 1360x760x24" bash -c '
    set -euo pipefail
    LC_ALL=C twm >/dev/null 2>&1 &
    sleep 0.5
    "$PWORK/prog/pravelot" "$@" &
    pid=$!
    find_window() { # title, then prints the id once it is viewable
        for _ in $(seq 100); do
            local id
            id="$(xwininfo -root -tree | grep "$1" | awk "{print \$1}" | head -1 || true)"
            if [ -n "$id" ] && xwininfo -id "$id" | grep -q "IsViewable"; then
                echo "$id"
                return 0
            fi
            sleep 0.1
        done
        return 1
    }
    shot() { xwd -id "$1" -silent | xwdtopnm 2>/dev/null | pnmtopng >"$2"; }
    geometry() { # x y width height of a window on the screen
        xwininfo -id "$1" | awk "/Absolute upper-left X/{x=\$4} /Absolute upper-left Y/{y=\$4}
            /Width:/{w=\$2} /Height:/{h=\$2} END{print x, y, w, h}"
    }
    # Both windows with their frames, cut out of the screen.
    shotBoth() {
        read -r x1 y1 w1 h1 < <(geometry "$1")
        read -r x2 y2 w2 h2 < <(geometry "$2")
        local left=$(( (x1 < x2 ? x1 : x2) - 4 )) top=$(( (y1 < y2 ? y1 : y2) - 24 ))
        local right=$(( x1 + w1 > x2 + w2 ? x1 + w1 : x2 + w2 )) bottom=$(( y1 + h1 > y2 + h2 ? y1 + h1 : y2 + h2 ))
        [ "$left" -ge 0 ] || left=0
        [ "$top" -ge 0 ] || top=0
        xwd -root -silent | xwdtopnm 2>/dev/null |
            pnmcut -left "$left" -top "$top" -right $((right + 3)) -bottom $((bottom + 3)) | pnmtopng >"$3"
    }
    main="$(find_window "Ver.1.10")" || { echo "screenshot.sh: no main window" >&2; kill "$pid"; exit 1; }
    xdotool windowmove "$main" 10 30
    sleep 0.5
    # The first row of the source list.
    xdotool mousemove --window "$main" 140 257 click 1
    preview="$(find_window "\"プレビュー\"")" || { echo "screenshot.sh: no preview" >&2; kill "$pid"; exit 1; }
    sleep 2 # read, drawn
    shotBoth "$main" "$preview" "$DOCS/preview.png"
    # Convert (to the desktop, the first-start destination) and confirm.
    xdotool key --window "$main" alt+r
    sleep 1
    xdotool key Return
    sleep 3
    # The log page is on show now; the list comes back with its page.
    xdotool key --window "$main" alt+s
    sleep 0.5
    xdotool mousemove --window "$main" 140 277 click 1
    sleep 2
    shot "$preview" "$DOCS/preview-converted.png"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' screenshot "${copies[@]}"
echo "Wrote $here/docs/preview.png and $here/docs/preview-converted.png"

# ---------------------------------------------------------------------------------------
# A parts library in thumbnails: docs/thumbnails.png. The samples' tree copied 28 times
# into sub-folders (some 2,000 parts), given as one folder on the command line.
twork="$(mktemp -d)"
trap 'rm -rf "$work" "$pwork" "$twork"' EXIT
mkdir -p "$twork/prog" "$twork/home" "$twork/部品集"
cp "$build/bin/pravelot" "$twork/prog/"
firstStart "$twork/prog"
for i in $(seq -w 1 28); do
    mkdir -p "$twork/部品集/現場$i"
    cp -r "$samples/jws/." "$twork/部品集/現場$i/"
done
export TWORK="$twork" HOME="$twork/home"
xvfb-run -a -s "-screen 0 1024x800x24" bash -c '
    set -euo pipefail
    LC_ALL=C twm >/dev/null 2>&1 &
    sleep 0.5
    "$TWORK/prog/pravelot" "$TWORK/部品集" &
    pid=$!
    main=""
    for _ in $(seq 200); do
        main="$(xwininfo -root -tree | grep "Ver.1.10" | awk "{print \$1}" | head -1 || true)"
        [ -n "$main" ] && xwininfo -id "$main" | grep -q "IsViewable" && break
        main=""
        sleep 0.1
    done
    [ -n "$main" ] || { echo "screenshot.sh: no main window" >&2; kill "$pid"; exit 1; }
    xdotool windowmove "$main" 10 30 windowsize "$main" 900 740
    sleep 1
    # The サムネイル button at the right end of the line above the list.
    xdotool mousemove --window "$main" 840 212 click 1
    sleep 1
    # A part in the third row, picked.
    xdotool mousemove --window "$main" 440 500 click 1
    sleep 4 # every picture in sight drawn
    pv="$(xwininfo -root -tree | grep "\"プレビュー\"" | awk "{print \$1}" | head -1 || true)"
    [ -n "$pv" ] && xdotool windowminimize "$pv"
    sleep 0.5
    xwd -id "$main" -frame -silent | xwdtopnm 2>/dev/null | pnmtopng >"$DOCS/thumbnails.png"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
'
echo "Wrote $here/docs/thumbnails.png"
