#!/usr/bin/env bash
# The tool at work with no hardware: a virtual PC/SC reader and card (pcscd with the vpcd
# driver), an emulated FeliCa reader, a target window that shows what is typed into it, and
# `cardwedge 1 4` against them. A short script lays cards and tells what happens. With a display
# it runs on the desktop; without one it runs under Xvfb and saves screenshots.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
testbed="$build/testbed"
out="$root/demo-out"
program="$out/program"
shots="$out/screenshots"

rm -rf "$out"
mkdir -p "$program" "$shots" "$out/runtime"
chmod 700 "$out/runtime"
cp "$build/cardwedge" "$program/"
cp "$build"/*.WAV "$build"/*.wav "$program/" 2>/dev/null || true
printf '%s\r\n' "$root/assets/sample-roster" >"$program/パスデータtime.txt"
switch="$program/名簿画面sw.txt"
printf '0\r\n' >"$switch"

pids=()
cleanup() {
  trap - EXIT INT TERM
  exec 5>&- 6>&- 7>&- 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -f "$out"/*.fifo "$out/pn532"
}
trap cleanup EXIT
trap 'echo; echo "Interrupted."; exit 130' INT TERM

say() { printf '\n== %s\n' "$*"; }
fail() {
  printf '\nDemo failed: %s\nLogs are in %s\n' "$*" "$out" >&2
  exit 1
}
# Waits up to $2 tenths of a second for the command in the remaining arguments to succeed.
wait_until() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

headless=false
if [ -z "${DISPLAY:-}" ]; then
  headless=true
  : >"$out/display"
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$out/display" >/dev/null 2>&1 &
  pids+=($!)
  wait_until 100 test -s "$out/display" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$out/display")"
fi
screenshot() {
  if $headless; then
    import -window root "$shots/$1.png"
    echo "   (screenshot: $shots/$1.png)"
  fi
}

# The window takes the last reader listed: vpcd's second slot, "Virtual PCD 00 01" on port 35964.
vpcd_listening() { (exec 3<>/dev/tcp/127.0.0.1/35964) 2>/dev/null; }
if ! pgrep -x pcscd >/dev/null; then
  [ "$(id -u)" -eq 0 ] || fail "pcscd is not running; start it (sudo pcscd) or run the demo as root"
  rm -f /run/pcscd/pcscd.comm /run/pcscd/pcscd.pid
  pcscd -f >"$out/pcscd.log" 2>&1 &
  pids+=($!)
fi
wait_until 100 vpcd_listening ||
  fail "no virtual PC/SC reader: pcscd runs without the vsmartcard-vpcd driver (restart pcscd)"

# Each helper program reads its commands on stdin and ends when that closes, so each gets a FIFO
# that this script holds open.
mkfifo "$out/card.fifo" "$out/felica.fifo" "$out/target.fifo"
"$testbed/virtual_card" --port 35964 <"$out/card.fifo" >"$out/card.log" &
pids+=($!)
exec 5>"$out/card.fifo"
"$testbed/pn532_emulator" --link "$out/pn532" <"$out/felica.fifo" >"$out/felica.log" &
pids+=($!)
exec 6>"$out/felica.fifo"
wait_until 100 grep -q '^ready' "$out/felica.log" || fail "the FeliCa reader emulator did not start"

"$testbed/key_capture" --title "demo target" --keep-focus <"$out/target.fifo" >"$out/typed.log" &
pids+=($!)
exec 7>"$out/target.fifo"
wait_until 100 grep -q '^ready' "$out/typed.log" || fail "the target window did not open"
target=$(xdotool search --name '^demo target$' | head -n1)
[ -n "$target" ] && xdotool windowmove "$target" 40 260

XDG_RUNTIME_DIR="$out/runtime" LIBNFC_DEVICE="pn532_uart:$out/pn532" CARDWEDGE_NO_DIALOGS=1 \
  "$program/cardwedge" 1 4 >"$out/cardwedge.log" 2>&1 &
tool=$!
pids+=("$tool")
# The tool's own lines (roster loaded, reader chosen, ...), as they come.
tail --pid="$tool" -n +1 -f "$out/cardwedge.log" | sed -u 's/^/   | /' &
pids+=($!)
wait_until 100 xdotool search --name 'cardwedge - PC/SC' >/dev/null ||
  fail "the cardwedge windows did not open"

# What the target window has received, Enter shown as a line end; a final "." keeps trailing
# line ends through command substitution.
typed() {
  awk '$1 == "key" { t = t ($3 == "\\n" ? "\n" : ($3 == "-" ? "" : $3)) } END { printf "%s.", t }' \
    "$out/typed.log"
}
expect_typed() {
  local want="$1."
  wait_until 50 test_typed "$want" || true
  if [ "$(typed)" = "$want" ]; then
    printf '   the target window now holds:\n'
    typed | sed '$ d' | sed 's/^/     | /'
  else
    fail "expected the target window to hold $(printf '%q' "$want"), it holds $(printf '%q' "$(typed)")"
  fi
}
test_typed() { [ "$(typed)" = "$1" ]; }
expect_nothing_new() {
  local before
  before=$(typed)
  sleep "$1"
  [ "$(typed)" = "$before" ] || fail "something was typed: $(printf '%q' "$(typed)")"
  echo "   nothing was typed, as expected"
}
felica_card() { echo "card $1" >&6; sleep 1.2; echo "nocard" >&6; }
pcsc_card() {
  echo "insert $1" >&5
  wait_until 50 grep -q "^apdu FFCA" <(tail -n 2 "$out/card.log") || true
  sleep 0.8
  echo "remove" >&5
  sleep 0.5
}
set_switch() { printf '%s\r\n' "$1" >"$switch"; sleep 1.5; }

say "Both reader windows are open: FeliCa (left) and PC/SC (right); the target window has the focus."
screenshot 01-windows
expected=""

say "FeliCa card of 高橋 美咲 laid on the FeliCa reader: her number 24003 is typed."
felica_card 0114B3C2D1E0F789
expected+=$'24003\n'
expect_typed "$expected"

say "PC/SC card of 鈴木 太郎 laid on the PC/SC reader: his number 24002 is typed."
pcsc_card 04A22B1A5C3E80
expected+=$'24002\n'
expect_typed "$expected"
screenshot 02-numbers-typed

say "The same PC/SC card again within 10 seconds: refused by the repeat rule."
pcsc_card 04A22B1A5C3E80
expect_nothing_new 1

say "A card that is not in the roster: the window shows ---, the warning sound plays."
pcsc_card 04DEADBEEF0000
expect_nothing_new 1
screenshot 03-unknown-card

say "The host writes 1 into the switch file: raw-ID mode types the card's identifier."
set_switch 1
felica_card 0114B3C2D1E0F789
expected+=$'0114B3C2D1E0F789\n'
expect_typed "$expected"

say "The host writes 8: paused, a card is not noticed."
set_switch 8
pcsc_card 04112233445566
expect_nothing_new 1

say "The host writes 0: back to lookup mode; 渡辺 さくら's card types 24005."
set_switch 0
pcsc_card 04112233445566
expected+=$'24005\n'
expect_typed "$expected"
screenshot 04-after-pause

say "The host writes 9: the tool ends."
printf '9\r\n' >"$switch"
for _ in $(seq 50); do kill -0 "$tool" 2>/dev/null || break; sleep 0.1; done
kill -0 "$tool" 2>/dev/null && fail "the tool did not end"
echo "   cardwedge has ended"
say "Demo complete."
$headless && echo "Screenshots: $shots"
exit 0
