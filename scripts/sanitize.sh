#!/usr/bin/env bash
# Builds everything in build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# the unit and integration suites there. Any finding, in a test or in a test-bed program it
# starts, fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

cmake -S . -B build-asan -DCARDWEDGE_SANITIZE=ON -DCARDWEDGE_WERROR=ON >/dev/null
cmake --build build-asan -j2

logs=$root/build-asan/sanitizer-logs
rm -rf "$logs"
mkdir -p "$logs"
# Reports also go to files, so a finding in a child process the test does not watch still counts.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$logs/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$logs/ubsan"

status=0
(cd build-asan && ctest -L 'unit|integration' --output-on-failure --timeout 900) || status=$?
if compgen -G "$logs/*" >/dev/null; then
  cat "$logs"/*
  echo "sanitize: findings above" >&2
  exit 1
fi
if [ "$status" -ne 0 ]; then
  echo "sanitize: tests failed" >&2
  exit "$status"
fi
echo "sanitize: unit and integration suites clean under ASan and UBSan"
