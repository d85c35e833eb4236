#!/usr/bin/env bash
# Builds the project and prints its performance figures: the roster load, then the running tool
# in mode 4 against the test bed (Xvfb, the real pcscd with a virtual card, the emulated FeliCa
# reader). Takes about three minutes, more while another test run holds pcscd. Ctrl-C ends it
# and everything it started.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCARDWEDGE_WERROR=ON >/dev/null
cmake --build build -j2 --target roster_load_bench tool_bench >/dev/null
echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(uname -m), bench/run.sh"
printf '%-40s %-42s %s\n' "figure" "measured" "target"
build/bench/roster_load_bench
build/bench/tool_bench
