#!/usr/bin/env bash
# Runs a Windows program under Wine (scripts/wine.sh) on an Xvfb display of its own, then ends
# every Wine process of the program's prefix and the display, however the program ended; passes
# the exit status through. For GUI tests, which must leave nothing running.
#   testbed/windows/run-on-display.sh PROGRAM.exe [ARGS...]
set -euo pipefail
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
cleanup() {
  "$scripts/wine-stop.sh" "$1" || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  rm -f "$display_file"
}
trap 'cleanup "$1"' EXIT
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.05
done
[ -s "$display_file" ] || { echo "run-on-display: Xvfb did not start" >&2; exit 1; }
DISPLAY=:$(head -n1 "$display_file") "$scripts/wine.sh" "$@"
