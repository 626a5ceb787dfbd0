#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# Usage: ./test.sh [build-folder]   (default: build)
set -euo pipefail
cd "$(dirname "$0")"

scripts/deps.sh
build="${1:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${PRAVELOT_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
