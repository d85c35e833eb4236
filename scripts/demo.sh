#!/usr/bin/env bash
# Shows cardwedge's windows: a demo program folder with the sample roster, and `cardwedge 1 4`.
# With a display it runs on the desktop until a window is closed; without one it runs under
# Xvfb and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
out="$PWD/demo-out"
program="$out/program"
mkdir -p "$program"
cp build/cardwedge "$program/"
cp -f build/*.WAV build/*.wav "$program/" 2>/dev/null || true
printf '%s\r\n' "$PWD/assets/sample-roster" >"$program/パスデータtime.txt"

pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT INT TERM

if [ -z "${DISPLAY:-}" ]; then
  displayFile="$out/display"
  : >"$displayFile"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayFile" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$displayFile" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n1 "$displayFile")"
  "$program/cardwedge" 1 4 &
  pids+=($!)
  for _ in $(seq 50); do
    xwininfo -root -tree | grep -q 'cardwedge - PC/SC' && break
    sleep 0.1
  done
  sleep 1
  import -window root "$out/windows.png"
  echo "Screenshot of the windows: $out/windows.png"
else
  "$program/cardwedge" 1 4
fi
