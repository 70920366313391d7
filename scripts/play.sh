#!/usr/bin/env bash
# Runs the game from the built game folder: in its window when there is a display, otherwise a scripted
# headless tour whose screenshots land in <build>/shots.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
game="$root/$build/game"
cd "$game"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec ./zanoru
fi
shots="$root/$build/shots"
rm -rf "$shots" && mkdir -p "$shots"
# The tour runs in a folder of its own so it starts without a player name and leaves the game folder's
# records alone.
tour="$root/$build/tour"
rm -rf "$tour" && mkdir -p "$tour"
ln -s "$game/Data" "$tour/Data"
ln -s "$game/DX" "$tour/DX"
cd "$tour"
sed "s#\.\./shots/#$shots/#" "$root/scripts/tour.script" > tour.script
echo "No display: playing a scripted tour headless..."
OMEGA_SCRIPT="$tour/tour.script" "$game/zanoru"
echo "The tour's screenshots are in $shots:"
ls -1 "$shots"
"$root/$build/tools/zanoru_contact_sheet" "$shots/contact-sheet.png" "$shots"/[0-9]*.png
echo "All of them on one page: $shots/contact-sheet.png"
