#!/usr/bin/env bash
# Ends every Windows program and the Wine server of a prefix.
#   scripts/wine-stop.sh [PROGRAM.exe | BUILD-FOLDER]   (default: the current folder)
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
wine_export_env "$(wine_prefix_for "${1:-.}")"
[ -d "$WINEPREFIX" ] || exit 0
"$wine_bin/wineserver" -k 2>/dev/null || true
"$wine_bin/wineserver" -w
