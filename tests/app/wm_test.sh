#!/usr/bin/env bash
# Runs a window test under a real window manager: twm on a virtual X display of
# 1280 by 1000 pixels, both started here and stopped afterwards.
# Usage: wm_test.sh TEST-PROGRAM [ARGUMENT...]
# Exit status: the test program's, or 77 (skipped) when Xvfb or twm cannot run here.
set -u

skip() {
    echo "SKIPPED: $*" >&2
    exit 77
}
for tool in Xvfb twm xwininfo; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/deps.sh installs it)"
done

work="$(mktemp -d)"
xvfb=""
wm=""
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb chooses a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 200); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.05
done
[ -s "$work/display" ] || skip "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"

# twm's own fonts are not installed everywhere; "fixed" comes with xfonts-base. Tool
# windows get a frame as on a desktop, and windows go where the program puts them.
cat >"$work/twmrc" <<'RC'
TitleFont "fixed"
ResizeFont "fixed"
MenuFont "fixed"
IconFont "fixed"
IconManagerFont "fixed"
UsePPosition "on"
RandomPlacement
DecorateTransients
NoGrabServer
RC
LC_ALL=C twm -f "$work/twmrc" 2>"$work/twm.log" &
wm=$!
# twm is ready once it has made its own windows on the root.
for _ in $(seq 200); do
    kill -0 "$wm" 2>/dev/null || skip "twm did not start: $(grep -v 'is lacking' "$work/twm.log")"
    xwininfo -root -children 2>/dev/null | grep -q '^ *[1-9][0-9]* child' && break
    sleep 0.05
done

# The virtual display has no session bus of its own, and the test keeps away from the
# desktop's: without this, libdbus would try to start one for the display.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-session-bus"
PRAVELOT_TEST_WM=1 QT_QPA_PLATFORM=xcb "$@"
status=$?
kill -0 "$wm" 2>/dev/null || echo "twm stopped during the test: $(cat "$work/twm.log")" >&2
exit "$status"
