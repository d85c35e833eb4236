#!/usr/bin/env bash
# Runs a Windows program under Wine (scripts/wine.sh) on an X display of its own, with the given
# X keyboard layout, which Wine takes as the Windows layout; then waits until the prefix's Wine
# processes have ended, so none outlives the display. Passes the program's exit status through;
# exits with 77 (a skip for ctest's SKIP_RETURN_CODE) when the X server keeps its own layout.
#   scripts/wine-xvfb.sh [--layout LAYOUT] PROGRAM.exe [ARGS...]   (LAYOUT: us, fr, jp, ...)
set -euo pipefail
layout=us
if [ "${1:-}" = --layout ]; then
  layout=$2
  shift 2
fi
if [ $# -lt 1 ]; then
  sed -n '2,5p' "$0" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -f "$display_file"' EXIT
for _ in $(seq 200); do
  grep -q . "$display_file" && break
  kill -0 "$xvfb" 2>/dev/null || { echo "wine-xvfb: Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
number=$(head -n 1 "$display_file")
[ -n "$number" ] || { echo "wine-xvfb: Xvfb reported no display" >&2; exit 1; }
export DISPLAY=:$number
setxkbmap "$layout"
if ! setxkbmap -query | grep -qx "layout: *$layout"; then
  echo "wine-xvfb: the X server did not take the $layout layout; skipped" >&2
  exit 77
fi

status=0
"$here/wine.sh" "$@" || status=$?
. "$here/wine-env.sh"
wine_export_env "$(wine_prefix_for "$1")"
"$wine_bin/wineserver" -w
exit $status
