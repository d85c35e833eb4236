#!/usr/bin/env bash
# Checks formatting, the folder order of includes and clang-tidy findings; needs a configured
# build/ (compile_commands.json).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/check-includes.sh
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
findings=$(run-clang-tidy -p build -quiet 'src/' 2>/dev/null | grep -E 'warning:|error:' || true)
# The Windows backends, from the x86_64 cross build's compile database, with mingw's C++ headers.
if [ -f build-win64/compile_commands.json ]; then
  mingw_cxx=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++ | head -n 1)
  findings+=$(run-clang-tidy -p build-win64 -quiet -extra-arg=--target=x86_64-w64-mingw32 \
    -extra-arg=-isystem"$mingw_cxx" -extra-arg=-isystem"$mingw_cxx/x86_64-w64-mingw32" \
    'src/platform/windows/' 2>/dev/null | grep -E 'warning:|error:' || true)
fi
if [ -n "$findings" ]; then
  printf '%s\n' "$findings"
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "lint: clang-format, include order and clang-tidy are clean"
