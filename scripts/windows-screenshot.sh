#!/usr/bin/env bash
# Saves a picture of cardwedge.exe 1 4 under Wine (Xvfb, Japanese locale) just after a card on
# each reader, with the FeliCa reader then unplugged so that its window's title shows that state,
# beside the key target window that received the two numbers: the mode-4 end-to-end test of
# build-win64 pauses for it.
#   scripts/windows-screenshot.sh [OUTPUT.png]   (default: docs/windows-card.png)
set -euo pipefail
cd "$(dirname "$0")/.."
output=$(realpath -m "${1:-docs/windows-card.png}")
test_program=build-win64/tests/windows/e2e/cardwedge_e2e_test.exe
[ -f "$test_program" ] || { echo "windows-screenshot: build build-win64 first" >&2; exit 1; }
# A prefix of its own with a virtual desktop, which draws the window frames that no window
# manager draws on a bare Xvfb display.
export CARDWEDGE_WINEPREFIX=$PWD/build-win64/wineprefix-desktop
scripts/wine.sh reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
scripts/wine.sh reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
signals=$(mktemp -d)
trap 'rm -rf "$signals"' EXIT
CARDWEDGE_SCREENSHOT_FOLDER=$signals scripts/wine-xvfb.sh "$test_program" \
  --gtest_filter='*Mode4E2e.*/Felica' >/dev/null &
for _ in $(seq 600); do
  [ -s "$signals/ready" ] && break
  sleep 0.1
done
if [ -s "$signals/ready" ]; then
  DISPLAY=$(head -n1 "$signals/ready") import -window root "$output"
  touch "$signals/taken"
fi
wait $!
[ -f "$signals/taken" ] || { echo "windows-screenshot: the test did not offer a picture" >&2; exit 1; }
echo "saved $output"
