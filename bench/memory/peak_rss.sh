#!/bin/bash
# Peak memory (VmHWM, the peak resident set) of the game playing its map.
# usage: bench/memory/peak_rss.sh headless GAME_FOLDER TICKS
#        bench/memory/peak_rss.sh window GAME_FOLDER SECONDS
# Both skip the intro, start "Новая игра" and keep moving the pointer over the map. The headless run
# goes through OMEGA_SCRIPT; the windowed one runs under a private Xvfb (1280×1024) driven by xdotool
# and is stopped with SIGTERM after SECONDS. The folder needs zanoru, DX/OMEGA.dll, Data/, PlayerN.cgm.
set -eu
mode=$1; game=$(cd "$2" && pwd); amount=$3
cd "$game"
if [ "$mode" = headless ]; then
  script=$(mktemp); trap 'rm -f "$script"' EXIT
  { echo "1 key 27"; echo "100 move 512 165"; echo "130 click"
    awk -v last="$amount" 'BEGIN { for (t = 147; t < last; t += 17) print t, "move", (t * 37) % 1024, (t * 53) % 768 }'
    echo "$amount quit"; } > "$script"
  /usr/bin/time -f "peak RSS %M KB, %e s" env OMEGA_SCRIPT="$script" ./zanoru > /dev/null
  exit
fi
display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 & xvfb=$!
trap 'kill $xvfb 2> /dev/null' EXIT
sleep 2
DISPLAY=$display ./zanoru > /dev/null 2>&1 & game_pid=$!
export DISPLAY=$display
window=$(xdotool search --sync --onlyvisible --name Zanoru | head -1)
sleep 1; xdotool key --window "$window" Escape
sleep 2; xdotool mousemove --window "$window" 512 165 click 1
end=$(( $(date +%s) + amount )); t=0
while [ "$(date +%s)" -lt "$end" ] && kill -0 $game_pid 2> /dev/null; do
  t=$(( t + 17 )); xdotool mousemove --window "$window" $(( t * 37 % 1024 )) $(( t * 53 % 768 )) || true
  sleep 1
done
peak=$(awk '/VmHWM/ { print $2 }' /proc/$game_pid/status)
utime=$(awk '{ print ($14 + $15) / 100 }' /proc/$game_pid/stat)
kill -TERM $game_pid; wait $game_pid || true
echo "peak RSS $peak KB after $amount s in a window (CPU $utime s)"
