#!/usr/bin/env bash
# The soak and fault runs of the built tool (build/bench/soak/soak; this script builds nothing):
# thousands of cards on the real pcscd with the virtual card and on the emulated FeliCa reader,
# both readers at once, pcscd and the FeliCa reader taken away and back, the switch file
# rewritten under the tool, and bad rosters. Needs root (it starts pcscd).
#   scripts/soak.sh          the full run for the README figures (about 35 minutes)
#   scripts/soak.sh --short  the same scenarios at reduced counts, for CI (about 2 minutes)
# Any count can be overridden after the mode, e.g. scripts/soak.sh --short --pcsc 200.
set -euo pipefail
cd "$(dirname "$0")/.."
soak=build/bench/soak/soak
if [ ! -x "$soak" ]; then
  echo "soak.sh: $soak is missing: build first (./run build)" >&2
  exit 2
fi
counts=()
if [ "${1:-}" = "--short" ]; then
  shift
  counts=(--pcsc 50 --felica 50 --both 20 --pcscd-kills 3 --pcscd-stops 3 --reader-losses 3
          --switch-rewrites 100)
fi
echo "== soak $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
start=$SECONDS
status=0
"$soak" "${counts[@]}" "$@" || status=$?
echo "== took $((SECONDS - start)) s"
if [ "$status" -ne 0 ]; then
  echo "soak.sh: FAILED (status $status): a scenario above lost something or stopped" >&2
fi
exit "$status"
