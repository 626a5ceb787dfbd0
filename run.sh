#!/usr/bin/env bash
# Installs what is missing, builds, and starts the desktop program with the given
# figure files in its list. The command line stays available as build/bin/pravelot-cli.
# Usage: ./run.sh [FILE...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

"$here/scripts/deps.sh"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j"$(nproc)" >/dev/null
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: there is no display to open the window on (DISPLAY is not set)." >&2
    echo "Start it from a desktop session, or convert on the command line:" >&2
    echo "  $here/build/bin/pravelot-cli convert -o DIR FILE..." >&2
    exit 1
fi
exec "$here/build/bin/pravelot" "$@"
