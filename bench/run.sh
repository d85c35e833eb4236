#!/usr/bin/env bash
# Builds the project and prints its performance figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCARDWEDGE_WERROR=ON >/dev/null
cmake --build build -j2 >/dev/null
echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(uname -m)"
build/bench/roster_load_bench
