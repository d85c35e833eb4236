#!/usr/bin/env bash
# The Windows suites under Wine, on what this machine can run (scripts/probe-32bit.sh):
# - 32-bit programs run here: the whole suite on the release (build-win32, i686, under 32-bit
#   Wine), then from build-win64 only what differs on x86_64 (label x64);
# - they cannot: build-win32 is checked without running anything (a 32-bit GUI program that
#   imports only system DLLs; the FeliCa double exports plain stdcall names), and the whole suite
#   runs on build-win64 under 64-bit Wine.
# Each tree whose suite passed gets its program's checksum in tested.sha256 (scripts/package.sh
# reads it); a tree whose suite did not run gets none.
#   scripts/windows-tests.sh         run the suites
#   scripts/windows-tests.sh --plan  say what would run, and run nothing
# CARDWEDGE_RUNS_32BIT=1 or 0 gives the probe's answer when the caller already has it.
set -euo pipefail
cd "$(dirname "$0")/.."
plan=false
[ "${1:-}" = --plan ] && plan=true

if [ -z "${CARDWEDGE_RUNS_32BIT:-}" ]; then
  CARDWEDGE_RUNS_32BIT=0
  scripts/probe-32bit.sh && CARDWEDGE_RUNS_32BIT=1
fi

# A 32-bit Windows GUI program that imports only system DLLs.
check_release_unrun() {
  scripts/check-imports.sh build-win32/cardwedge.exe
  file -b build-win32/cardwedge.exe | grep -q '^PE32 executable (GUI) Intel 80386' || {
    echo "build-win32/cardwedge.exe: not a 32-bit Windows GUI program" >&2
    return 1
  }
}

# Every entry the FeliCa double declares is exported under its plain name, with no stdcall
# decoration (_name@N), as a DLL made for a Basic host exports them.
check_felica_double_exports() {
  local dll=build-win32/testbed/windows/doubles/felica_for_vb.dll exports name status=0
  exports=$(i686-w64-mingw32-objdump -p "$dll" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p')
  while read -r name; do
    grep -qE "\] $name\$" <<<"$exports" || { echo "$dll: does not export $name" >&2; status=1; }
  done < <(sed -n '/^EXPORTS/,$p' testbed/windows/felica_for_vb.def | sed -n 's/^ \+\([a-z_]\+\).*/\1/p')
  if grep -q '@' <<<"$exports"; then
    echo "$dll: exports decorated names: $(grep '@' <<<"$exports" | tr -s ' \n' ' ')" >&2
    status=1
  fi
  [ $status -eq 0 ] && echo "$dll: exports its entries under plain names"
  return $status
}

run_suite() {
  local tree=$1
  shift
  if $plan; then
    echo "plan: $tree: ctest${*:+ $*}"
    return
  fi
  (cd "$tree" && ctest --output-on-failure --timeout 900 "$@")
  sha256sum "$tree/cardwedge.exe" >"$tree/tested.sha256"
}

if ! $plan; then
  rm -f build-win32/tested.sha256 build-win64/tested.sha256
  trap 'scripts/wine-stop.sh build-win32; scripts/wine-stop.sh build-win64' EXIT
fi
if [ "$CARDWEDGE_RUNS_32BIT" = 1 ]; then
  run_suite build-win32
  run_suite build-win64 -L x64
else
  if $plan; then
    echo "plan: build-win32: checked, not run"
  else
    check_release_unrun
    check_felica_double_exports
  fi
  run_suite build-win64
  echo "windows-tests: the i686 release (build-win32) was built and checked but not run," \
    "as 32-bit programs are not run here; the whole Windows suite ran on the x86_64 build"
fi
