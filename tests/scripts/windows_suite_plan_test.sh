#!/usr/bin/env bash
# The Windows suite follows what the 32-bit probe finds: a loader that runs picks the i686
# release, one that cannot be executed (or CARDWEDGE_NO_32BIT=1) the whole suite on x86_64.
set -euo pipefail
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
printf '#!/bin/sh\necho wine-8.0\n' >"$stubs/runs"
printf '#!/bin/sh\necho "cannot execute binary file: Exec format error" >&2\nexit 126\n' \
  >"$stubs/cannot"
chmod +x "$stubs/runs" "$stubs/cannot"

failures=0
expect_plan() {
  local name=$1 expected=$2 actual
  shift 2
  actual=$(env -u CARDWEDGE_RUNS_32BIT -u CARDWEDGE_NO_32BIT "$@" "$scripts/windows-tests.sh" --plan)
  if [ "$actual" = "$expected" ]; then
    echo "ok: $name"
  else
    printf 'FAILED: %s\n--- expected\n%s\n--- got\n%s\n' "$name" "$expected" "$actual"
    failures=$((failures + 1))
  fi
}

expect_plan "32-bit programs run: the i686 release, then x64 only" \
  "32-bit programs: this machine runs them ($stubs/runs --version: wine-8.0)
plan: build-win32: ctest
plan: build-win64: ctest -L x64" \
  CARDWEDGE_WINE32_LOADER="$stubs/runs"

not_run="plan: build-win32: checked, not run
plan: build-win64: ctest
windows-tests: the i686 release (build-win32) was built and checked but not run, as 32-bit programs are not run here; the whole Windows suite ran on the x86_64 build"
expect_plan "no 32-bit programs: everything on x86_64" \
  "32-bit programs: this machine cannot run them ($stubs/cannot --version: cannot execute binary file: Exec format error)
$not_run" \
  CARDWEDGE_WINE32_LOADER="$stubs/cannot"
expect_plan "the x86_64 path forced" \
  "32-bit programs: not run on this machine (CARDWEDGE_NO_32BIT=1)
$not_run" \
  CARDWEDGE_WINE32_LOADER="$stubs/runs" CARDWEDGE_NO_32BIT=1

[ "$failures" -eq 0 ]
