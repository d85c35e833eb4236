#!/usr/bin/env bash
# Runs a Windows program under Wine (scripts/wine.sh) on an X display of its own, with the given
# X keyboard layout, which Wine takes as the Windows layout; then waits until the prefix's Wine
# processes have ended, so none outlives the display. Passes the program's exit status through;
# fails when the X server does not take the layout.
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

xvfb=
trap '[ -z "$xvfb" ] || { kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; }' EXIT

# Starts Xvfb on a display number of its own and waits until a client can connect. The number is
# chosen here, not with -displayfd, whose servers started at the same moment can both take :0;
# a number already in use makes Xvfb refuse at once (its lock file), and another is tried.
# Without -noreset the server would go back to its default layout each time its last client
# leaves, setxkbmap being the first.
start_xvfb() {
  local number=$((100 + RANDOM % 800))
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null &
  xvfb=$!
  export DISPLAY=:$number
  for _ in $(seq 100); do
    kill -0 "$xvfb" 2>/dev/null || return 1
    xdpyinfo >/dev/null 2>&1 && kill -0 "$xvfb" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}
for try in $(seq 10); do
  start_xvfb && break
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  xvfb=
  [ "$try" -lt 10 ] || { echo "wine-xvfb: no usable Xvfb display" >&2; exit 1; }
done
setxkbmap "$layout" 2>/dev/null || true
if ! setxkbmap -query | grep -qx "layout: *$layout"; then
  echo "wine-xvfb: the X server did not take the $layout layout" >&2
  exit 1
fi

status=0
"$here/wine.sh" "$@" || status=$?
. "$here/wine-env.sh"
wine_export_env "$(wine_prefix_for "$1")"
"$wine_bin/wineserver" -w
exit $status
