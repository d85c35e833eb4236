#!/usr/bin/env bash
# Makes the release archives in dist/ from the built trees (build/, build-win32/, build-win64/):
#   cardwedge-<version>-windows-x86.zip    the i686 program, the release for Windows sites
#   cardwedge-<version>-windows-x64.zip    the x86_64 program, for PC/SC-only sites
#   cardwedge-<version>-linux-x86_64.tar.gz
# Each holds a cardwedge/ folder with the program, the two default sounds and the staff README.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
[ -n "$version" ] || { echo "package: configure build/ first" >&2; exit 1; }
sounds=(assets/sounds/カード確認.WAV assets/sounds/警告1.wav)
rm -rf dist && mkdir -p dist/stage

# stage NAME PROGRAM STRIP: a cardwedge/ folder in dist/stage/NAME.
stage() {
  local folder="dist/stage/$1/cardwedge"
  mkdir -p "$folder"
  "$3" -o "$folder/$(basename "$2")" "$2"
  cp "${sounds[@]}" "$folder/"
  if [[ $1 == *windows* ]]; then
    # Windows staff open it in Notepad: a BOM and CRLF line ends.
    { printf '\xEF\xBB\xBF'; sed 's/$/\r/' assets/staff/README.txt; } >"$folder/README.txt"
  else
    cp assets/staff/README.txt "$folder/"
  fi
}

# zip with the UTF-8 flag on every name, so Windows shows the Japanese file names.
make_zip() {
  (cd "dist/stage/$1" && /usr/bin/python3 - "../../$1.zip" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as archive:
    for root, _, files in os.walk("cardwedge"):
        for name in sorted(files):
            archive.write(os.path.join(root, name))
PY
  )
}

scripts/check-imports.sh build-win32/cardwedge.exe build-win64/cardwedge.exe

stage "cardwedge-$version-windows-x86" build-win32/cardwedge.exe i686-w64-mingw32-strip
make_zip "cardwedge-$version-windows-x86"
stage "cardwedge-$version-windows-x64" build-win64/cardwedge.exe x86_64-w64-mingw32-strip
make_zip "cardwedge-$version-windows-x64"
stage "cardwedge-$version-linux-x86_64" build/cardwedge strip
tar -C "dist/stage/cardwedge-$version-linux-x86_64" -czf "dist/cardwedge-$version-linux-x86_64.tar.gz" cardwedge

rm -rf dist/stage
ls -l dist
