#!/usr/bin/env bash
# Runs a Windows program under Wine (scripts/wine.sh) on an X display of its own, with the given
# X keyboard layout, which Wine takes as the Windows layout; then waits until the prefix's Wine
# processes have ended, so none outlives the display (Wine's own ones, left alone, are ended).
# Passes the program's exit status through; fails when the X server does not take the layout.
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

# Whether every Wine process left in the prefix is one of Wine's own: its server, its services
# and the desktop process.
only_wine_itself_left() {
  local environ pid command
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [[ "$(readlink "/proc/$pid/exe" 2>/dev/null)" == "$wine_bin"/* ]] || continue
    tr '\0' '\n' <"$environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
    command=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) || continue
    case "$command" in
      */wineserver* | *'\services.exe '* | *'\winedevice.exe '* | *'\plugplay.exe '* | \
        *'\svchost.exe '* | *'\rpcss.exe '* | *'\explorer.exe /desktop '*) ;;
      '') ;;
      *) return 1 ;;
    esac
  done
}

status=0
"$here/wine.sh" "$@" || status=$?
. "$here/wine-env.sh"
wine_export_env "$(wine_prefix_for "$1")"
# Wine's desktop process can outlive a GUI program that was killed (TerminateProcess), and keep
# the server, and so this wait, up for good: once nothing but Wine's own processes has been left
# for 10 seconds, they are ended.
"$wine_bin/wineserver" -w &
server=$!
idle=0
while kill -0 "$server" 2>/dev/null; do
  if only_wine_itself_left; then idle=$((idle + 1)); else idle=0; fi
  if [ "$idle" -ge 20 ]; then
    echo "wine-xvfb: only Wine's own processes were left; ending them" >&2
    "$wine_bin/wineserver" -k 2>/dev/null || true
  fi
  sleep 0.5
done
wait "$server" || true
exit $status
