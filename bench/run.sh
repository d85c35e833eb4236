#!/usr/bin/env bash
# Builds the project and prints its performance figures: the roster load and its faults check,
# then the running tool in mode 4 against the test bed (Xvfb, the real pcscd with a virtual card,
# the emulated FeliCa reader). The PC/SC figures are taken twice, with the tool's reader watch on
# and then off (CARDWEDGE_READER_WATCH=off: the 100 ms poll alone). Then the latency beside the
# floor, minimal programs of the same shape, in alternating rounds (latency_bench). Takes about
# twelve minutes, more while another test run holds pcscd. Ctrl-C ends it and everything it started.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCARDWEDGE_WERROR=ON >/dev/null
cmake --build build -j2 --target roster_load_bench tool_bench latency_bench >/dev/null
echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(uname -m), bench/run.sh"
printf '%-44s %-54s %s\n' "figure" "measured" "target"
build/bench/roster_load_bench
build/bench/tool_bench
echo
build/bench/latency_bench
