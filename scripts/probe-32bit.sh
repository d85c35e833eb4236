#!/usr/bin/env bash
# Says whether this machine can run 32-bit programs, by running the 32-bit Wine loader once: some
# kernels cannot execute a 32-bit program at all, although wine32:i386 installs fine. Prints one
# line; exits 0 when 32-bit programs run here, 1 when they do not.
#   CARDWEDGE_NO_32BIT=1        answer "no" without trying, to exercise the x86_64-only path
#   CARDWEDGE_WINE32_LOADER=F   try F instead of the 32-bit Wine loader
set -uo pipefail
loader=${CARDWEDGE_WINE32_LOADER:-/usr/lib/wine/wine}
if [ "${CARDWEDGE_NO_32BIT:-}" = 1 ]; then
  echo "32-bit programs: not run on this machine (CARDWEDGE_NO_32BIT=1)"
  exit 1
fi
if answer=$(timeout 60 "$loader" --version 2>&1 </dev/null); then
  echo "32-bit programs: this machine runs them ($loader --version: $answer)"
  exit 0
fi
echo "32-bit programs: this machine cannot run them ($loader --version: ${answer:-no answer})"
exit 1
