#!/usr/bin/env bash
# Checks what the compiler and the tests do not: every source file is laid
# out as .clang-format says, each src/ folder includes only the folders below
# it, and a clean build gives no warning with the project's flags.
#   scripts/check.sh         check (a clean build into CHECK_BUILD_DIR, default build-check/)
#   scripts/check.sh --fix   lay every file out with clang-format, then check
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
status=0

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
fi

# Layout.
bad=$(clang-format --dry-run "${files[@]}" 2>&1 | grep -oE '^[^:]+\.(cpp|h):' | sort -u | tr -d ':' || true)
if [ -n "$bad" ]; then
  echo "Not laid out as .clang-format says (scripts/check.sh --fix mends them):"
  echo "$bad" | sed 's/^/  /'
  status=1
fi

# Layers.
"$here/scripts/check-layers.sh" || status=1

# Warnings of a clean build.
build=${CHECK_BUILD_DIR:-$here/build-check}
rm -rf "$build"
log=$(mktemp)
if ! cmake -S "$here" -B "$build" -G Ninja >/dev/null || ! cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >"$log" 2>&1; then
  tail -40 "$log"
  echo "The clean build failed."
  status=1
elif grep -q "warning:" "$log"; then
  grep -A3 "warning:" "$log" | head -60
  echo "The clean build gave warnings."
  status=1
fi
rm -f "$log"

[ $status -eq 0 ] && echo "check: layout, layers and a clean build without warnings: fine"
exit $status
