#!/usr/bin/env bash
# Makes the release archives in dist/ from the built trees (build/, build-win32/, build-win64/):
#   cardwedge-<version>-windows-x86.zip    the i686 program, the release for Windows sites
#   cardwedge-<version>-windows-x64.zip    the x86_64 program, for PC/SC-only sites
#   cardwedge-<version>-linux-x86_64.tar.gz
# Each holds a cardwedge/ folder with the program, the two default sounds and the staff README;
# the Windows ones also the site check check.cmd.
# The Windows programs go in as built (linked stripped) and as the Windows tests ran them: never
# rebuilt or changed here. A pass of the Windows suites (./run test) records their checksums in
# build-win*/tested.sha256, and this says whether each packed program is that one.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
[ -n "$version" ] || { echo "package: configure build/ first" >&2; exit 1; }
sounds=(assets/sounds/カード確認.WAV assets/sounds/警告1.wav)
rm -rf dist && mkdir -p dist/stage

# stage NAME PROGRAM [STRIP]: a cardwedge/ folder in dist/stage/NAME, the program stripped by
# STRIP or, without it, copied byte for byte.
stage() {
  local folder="dist/stage/$1/cardwedge"
  mkdir -p "$folder"
  if [ $# -ge 3 ]; then
    "$3" -o "$folder/$(basename "$2")" "$2"
  else
    cp "$2" "$folder/"
  fi
  cp "${sounds[@]}" "$folder/"
  if [[ $1 == *windows* ]]; then
    # Windows staff open it in Notepad: a BOM and CRLF line ends.
    { printf '\xEF\xBB\xBF'; sed 's/$/\r/' assets/staff/README.txt; } >"$folder/README.txt"
    # The site check an IT person double-clicks; kept with CRLF line ends in the repository.
    cp assets/staff/check.cmd "$folder/"
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

# Fails unless the zip holds every file a Windows site needs.
check_zip() {
  /usr/bin/python3 - "dist/$1.zip" <<'PY'
import sys, zipfile
names = set(zipfile.ZipFile(sys.argv[1]).namelist())
wanted = {"cardwedge/" + name for name in
          ("cardwedge.exe", "カード確認.WAV", "警告1.wav", "README.txt", "check.cmd")}
missing = sorted(wanted - names)
if missing:
    sys.exit(f"package: {sys.argv[1]} lacks {', '.join(missing)}")
PY
}

# Says whether a Windows program is the one the Windows tests last passed with.
say_tested() {
  local record
  record="$(dirname "$1")/tested.sha256"
  if [ -f "$record" ] && sha256sum --quiet --check "$record" 2>/dev/null; then
    echo "$2: $1 is the binary the Windows tests passed with (sha256 $(cut -c1-16 "$record")...)"
  else
    echo "$2: WARNING: $1 has not passed the Windows tests since it was built (./run test)" >&2
  fi
}

scripts/check-imports.sh build-win32/cardwedge.exe build-win64/cardwedge.exe

stage "cardwedge-$version-windows-x86" build-win32/cardwedge.exe
make_zip "cardwedge-$version-windows-x86"
check_zip "cardwedge-$version-windows-x86"
say_tested build-win32/cardwedge.exe "cardwedge-$version-windows-x86.zip"
stage "cardwedge-$version-windows-x64" build-win64/cardwedge.exe
make_zip "cardwedge-$version-windows-x64"
check_zip "cardwedge-$version-windows-x64"
say_tested build-win64/cardwedge.exe "cardwedge-$version-windows-x64.zip"
stage "cardwedge-$version-linux-x86_64" build/cardwedge strip
tar -C "dist/stage/cardwedge-$version-linux-x86_64" -czf "dist/cardwedge-$version-linux-x86_64.tar.gz" cardwedge

rm -rf dist/stage
ls -l dist
