#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix, with a Japanese
# locale and the project's test-double DLLs preferred; passes the exit status through. A 32-bit
# program runs in a 32-bit prefix, a 64-bit one in a 64-bit prefix (wine-env.sh).
#   scripts/wine.sh PROGRAM.exe [ARGS...]
# Environment: CARDWEDGE_WINEPREFIX overrides the prefix; WINEDLLOVERRIDES and WINEDEBUG
# already set are kept. GUI programs need DISPLAY.
set -euo pipefail
if [ $# -lt 1 ]; then
  sed -n '2,6p' "$0" >&2
  exit 2
fi
. "$(dirname "$0")/wine-env.sh"
wine_export_env "$(wine_prefix_for "$1")" "$1"
wine_ensure_prefix
exec env "${wine_locale[@]}" "$WINELOADER" "$@"
