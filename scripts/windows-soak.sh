#!/usr/bin/env bash
# The Windows soak of the release build (bench/windows/windows_soak.exe; this script builds
# nothing): the i686 cardwedge.exe under 32-bit Wine, both reader windows, hundreds of PC/SC and
# FeliCa cards through the test-double DLLs, the keys read by a window of another process; then
# the program's handles, window objects and memory. On a machine that cannot run 32-bit programs
# (scripts/probe-32bit.sh) it soaks the x86_64 build under 64-bit Wine instead.
#   scripts/windows-soak.sh          500 presentations, for the README figures (about 5 minutes)
#   scripts/windows-soak.sh --short  100 presentations, for CI (about 1 minute)
#   scripts/windows-soak.sh N        N presentations
# CARDWEDGE_RUNS_32BIT=1 or 0 gives the probe's answer when the caller already has it.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${CARDWEDGE_RUNS_32BIT:-}" ]; then
  CARDWEDGE_RUNS_32BIT=0
  scripts/probe-32bit.sh >/dev/null && CARDWEDGE_RUNS_32BIT=1
fi
tree=build-win32
[ "$CARDWEDGE_RUNS_32BIT" = 1 ] || tree=build-win64
soak=$tree/bench/windows/windows_soak.exe
if [ ! -f "$soak" ]; then
  echo "windows-soak.sh: $soak is missing: build first (./run package)" >&2
  exit 2
fi
presentations=${1:-500}
[ "$presentations" = --short ] && presentations=100
echo "== Windows soak $(date -u '+%Y-%m-%d %H:%M UTC'), $presentations presentations," \
  "$tree, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
# The program's own lines and Wine's sound messages go to a file; the figures to the terminal.
log=$tree/windows-soak.log
scripts/wine-xvfb.sh "$soak" "$presentations" 2>"$log" || status=$?
scripts/wine-stop.sh "$tree"
if [ "$status" -ne 0 ]; then
  echo "windows-soak.sh: FAILED (status $status): see the lines above and $log" >&2
fi
exit "$status"
