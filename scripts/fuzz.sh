#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ and runs each for SECONDS (default 30) over a
# scratch copy of its seed corpus in tests/fuzz/corpus/<target>/. A crash, leak, sanitizer finding
# or failed check fails the script; the input that caused it is kept in build-fuzz/findings/.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCARDWEDGE_FUZZ=ON -DCARDWEDGE_LINUX_BACKENDS=OFF \
  >/dev/null
cmake --build build-fuzz -j2 --target fuzz_targets

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
findings=build-fuzz/findings
rm -rf "$findings"
passed=0
failed=0
for seeds in tests/fuzz/corpus/*/; do
  name=$(basename "$seeds")
  target=build-fuzz/tests/fuzz/fuzz_$name
  mkdir -p "$scratch/$name" "$findings/$name"
  cp -R "$seeds." "$scratch/$name/"
  log=$findings/$name/log
  if "$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$findings/$name/" "$scratch/$name" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    took=$(sed -n 's/.*Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
    printf 'fuzz %-16s ok      %10s runs in %s s\n' "$name" "$runs" "$took"
    passed=$((passed + 1))
  else
    tail -n 30 "$log"
    printf 'fuzz %-16s FAILED  see %s and the input in %s/\n' "$name" "$log" "$findings/$name"
    failed=$((failed + 1))
  fi
done
echo "fuzz: $passed passed, $failed failed"
if [ "$failed" -ne 0 ]; then
  echo "fuzz: a target failed; fix it and keep its input as a seed" >&2
  exit 1
fi
