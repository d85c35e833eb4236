#!/usr/bin/env bash
# Fails on an include that runs against the folder order of src/:
#   {startup, check} -> {felica, pcsc} -> roster -> common -> diagnostics -> platform
# A folder includes its own headers and those of folders below it; felica and pcsc never include
# each other. The backends (src/platform/<backend>/) implement the platform interfaces and may use
# common and diagnostics, nothing above. main.cpp includes no backend header.
set -euo pipefail
cd "$(dirname "$0")/../src"

rank() {
  case "$1" in
    startup | check) echo 6 ;;
    felica | pcsc) echo 5 ;;
    roster) echo 4 ;;
    backend) echo 3 ;;
    common) echo 2 ;;
    diagnostics) echo 1 ;;
    platform) echo 0 ;;
    *) echo -1 ;;
  esac
}

status=0
while IFS=: read -r file line target; do
  from=${file%%/*}
  to=${target%%/*}
  [[ $file == platform/*/* ]] && from=backend
  [ "$from" = "$to" ] && continue
  from_rank=$(rank "$from")
  to_rank=$(rank "$to")
  [ "$to_rank" -lt 0 ] && continue
  if [ "$to_rank" -ge "$from_rank" ]; then
    echo "src/$file:$line: $from must not include $target" >&2
    status=1
  fi
done < <(grep -rnoE '^#include "[a-z_]+/[^"]+"' --include='*.h' --include='*.cpp' \
  startup check felica pcsc roster common platform | sed -E 's/:#include "/:/; s/"$//')

if grep -nE '^#include "platform/[a-z0-9_]+/' main.cpp >&2; then
  echo "src/main.cpp: names a backend; MakePlatform builds the real services" >&2
  status=1
fi
exit $status
