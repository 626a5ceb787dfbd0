#!/usr/bin/env bash
# Installs what is missing, builds, and converts the given figure files into the
# current folder, printing the run log.
# Usage: ./run.sh FILE...
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

"$here/scripts/deps.sh"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j"$(nproc)" >/dev/null
if [ $# -eq 0 ]; then
    exec "$here/build/bin/pravelot-cli" --help
fi
exec "$here/build/bin/pravelot-cli" convert -o "$PWD" "$@"
