#!/usr/bin/env bash
# Checks layout, layers and a warning-free clean build (scripts/check.sh),
# builds and runs every test, then again under AddressSanitizer and
# UndefinedBehaviorSanitizer built with clang (skip that second pass with --quick).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

# On CI the check's clean build is the test build too (one build fewer).
if [ -n "${CI:-}" ]; then
  CHECK_BUILD_DIR="$here/build" "$here/scripts/check.sh"
else
  "$here/scripts/check.sh"
fi

BUILD_DIR="$here/build" "$here/scripts/build.sh"
(cd "$here/build" && ctest --output-on-failure -j "$jobs")

if [ "${1:-}" != "--quick" ]; then
  # Built with clang: its UndefinedBehaviorSanitizer also checks pointer
  # arithmetic that wraps (an index of -1 as an unsigned offset), which
  # gcc's does not.
  CC=clang CXX=clang++ BUILD_DIR="$here/build-sanitize" "$here/scripts/build.sh" \
    -DVORNA_SANITIZE=ON -DVORNA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
  export ASAN_OPTIONS=detect_leaks=0
  export UBSAN_OPTIONS=print_stacktrace=1
  (cd "$here/build-sanitize" && ctest --output-on-failure -j "$jobs")
fi
