#!/usr/bin/env bash
# Checks formatting, the folder order of includes and clang-tidy findings; needs a configured
# build/ (compile_commands.json).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/check-includes.sh
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
findings=$(run-clang-tidy -p build -quiet 'src/' 2>/dev/null | grep -E 'warning:|error:' || true)
if [ -n "$findings" ]; then
  printf '%s\n' "$findings"
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "lint: clang-format, include order and clang-tidy are clean"
