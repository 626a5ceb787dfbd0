#!/usr/bin/env bash
# The format and static-analysis gates: every C++ file as clang-format 14 leaves it,
# and clang-tidy's checks (.clang-tidy) clean over every project source.
# Usage: scripts/lint.sh [build-folder-with-compile_commands.json]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

scripts/deps.sh clang-format-14 clang-tidy-14

mapfile -t files < <(git ls-files '*.cpp' '*.h')
echo "== waits that the Windows build's C++ library gets wrong"
# MinGW-w64's GCC 12 waits for std::latch, std::barrier, the semaphores and std::jthread's
# stop callbacks with a wake-up that can be lost (GCC bug 106183): the thread waits for
# ever, now and then. A mutex and a condition variable instead.
if git grep -nE '#include <(latch|barrier|semaphore|stop_token)>|std::jthread\b' \
    -- '*.cpp' '*.h'; then
    echo "use a mutex and a condition variable instead (see above)" >&2
    exit 1
fi
# It also runs a thread's thread_local destructors after freeing their storage: code that
# Windows builds keeps no thread_local (Linux-only files may).
if git grep -n 'thread_local' -- 'src/*.cpp' 'src/*.h' ':!*_icu.cpp' ':!*_posix.cpp'; then
    echo "no thread_local in code built for Windows (see above)" >&2
    exit 1
fi

echo "== clang-format (${#files[@]} files)"
clang-format-14 --dry-run -Werror "${files[@]}"

[ -f "$build/compile_commands.json" ] || {
    echo "no $build/compile_commands.json: configure and build $build first" >&2
    exit 1
}
echo "== clang-tidy"
# Only the project's own sources and headers; what Qt generates into the build folder is
# not ours.
run-clang-tidy-14 -quiet -p "$build" -j "$(nproc)" -header-filter="^$PWD/(src|tests|bench|fuzz)/" \
    "^$PWD/(src|tests|bench|fuzz)/" >"$build/clang-tidy.log" 2>&1 || {
    grep -E 'error:|warning:' -A3 "$build/clang-tidy.log" >&2 || cat "$build/clang-tidy.log" >&2
    exit 1
}
echo "clang-tidy: clean"
