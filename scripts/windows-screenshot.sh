#!/usr/bin/env bash
# Shows both reader windows of a Windows build under Wine, in a Wine desktop on a virtual
# display with the Japanese locale, and saves a screenshot of them.
#   scripts/windows-screenshot.sh [BUILD-FOLDER [OUTPUT.png]]   (default: build-win64 docs/windows.png)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win64}
output=${2:-docs/windows.png}
viewer=$build/tests/windows/toolkit/window_viewer.exe
[ -f "$viewer" ] || { echo "no $viewer: build the target window_viewer first" >&2; exit 1; }
desktop=1120x260

xvfb-run -a -s "-screen 0 1280x800x24 -nolisten tcp" bash -c '
  set -euo pipefail
  . scripts/wine-env.sh
  wine_export_env "$(wine_prefix_for "$1")"
  wine_ensure_prefix
  program=$(env "${wine_locale[@]}" "$wine_bin/wine64" winepath -w "$1")
  env "${wine_locale[@]}" "$wine_bin/wine64" explorer "/desktop=cardwedge,$3" "$program" 8 &
  sleep 6
  import -window root -crop "$3+0+0" +repage "$2"
  wait
  "$wine_bin/wineserver" -w
' screenshot "$viewer" "$output" "$desktop"
echo "saved $output"
