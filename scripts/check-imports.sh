#!/usr/bin/env bash
# Checks that each Windows program is of its architecture's PE format and imports only DLLs that
# every Windows has, so it runs without any runtime DLL beside it.
#   scripts/check-imports.sh build-win64/cardwedge.exe build-win32/cardwedge.exe
set -euo pipefail
if [ $# -lt 1 ]; then
  sed -n '2,4p' "$0" >&2
  exit 2
fi
system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|shell32|ole32|oleaut32|winmm|winscard|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]+|ws2_32|shlwapi|uxtheme|version|imm32)\.dll$'
status=0
for exe in "$@"; do
  format=$(file -b "$exe")
  case "$format" in
    "PE32 executable"*"Intel 80386"*) objdump=i686-w64-mingw32-objdump ;;
    "PE32+ executable"*"x86-64"*) objdump=x86_64-w64-mingw32-objdump ;;
    *)
      echo "$exe: not a Windows program for x86 or x86-64: $format" >&2
      status=1
      continue
      ;;
  esac
  imports=$("$objdump" -p "$exe" | sed -n 's/^\tDLL Name: //p')
  while read -r dll; do
    if ! tr '[:upper:]' '[:lower:]' <<<"$dll" | grep -qE "$system_dlls"; then
      echo "$exe: imports $dll, which is not a system DLL" >&2
      status=1
    fi
  done <<<"$imports"
  echo "$exe: ${format%%,*}; imports $(tr '\n' ' ' <<<"$imports")"
done
exit $status
