#!/bin/bash
# The CPU the game's window costs on the map: the game process and the X server, over SECONDS, with the
# screen (a private Xvfb) at WxH and the window either as it opens (1024×768) or full screen (Alt+Enter,
# as a player does). The map's units walk every frame, so every frame (at most 60 a second) is shown.
# usage: bench/present/window_cpu.sh GAME_FOLDER WxH window|full [SECONDS]
# The folder needs zanoru (or zanoru.exe with WINEPREFIX set: the Windows build under Wine, whose
# processes of that prefix, wineserver included, count as the game), DX/OMEGA.dll, Data/. Prints CPU
# seconds and percent of a core. FRAME_PROBE=<perf event> (a uprobe on the presenter's Draw, made with
# `perf probe -x DX/OMEGA.dll --add 'shown=0x<address of omega::Presenter::Draw from nm>'`) also counts
# the frames shown and prints the game's CPU per shown frame, which compares builds whatever the rate.
set -eu
game=$(cd "$1" && pwd); size=$2; mode=$3; seconds=${4:-20}
cd "$game"
display=:$(( 200 + RANDOM % 100 ))
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp > /dev/null 2>&1 & xvfb=$!
trap 'kill $xvfb 2> /dev/null' EXIT
sleep 2
export DISPLAY=$display
if [ -n "${WINEPREFIX:-}" ]; then
  export WINEDEBUG=-all
  wine zanoru.exe > /dev/null 2>&1 & game_pid=$!
else
  ./zanoru > /dev/null 2>&1 & game_pid=$!
fi
window=$(xdotool search --sync --onlyvisible --name Zanoru | head -1)
sleep 1; xdotool key --window "$window" Escape
sleep 2; xdotool mousemove --window "$window" 512 165 click 1
if [ "$mode" = full ]; then sleep 1; xdotool key --window "$window" alt+Return; fi
sleep 5
cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# The game's CPU: its process, or under Wine every process of the prefix (read from their environment).
game_cpu() {
  if [ -z "${WINEPREFIX:-}" ]; then cpu $game_pid; return; fi
  local total=0 p
  for p in /proc/[0-9]*; do
    if tr '\0' '\n' < "$p/environ" 2> /dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      total=$(( total + $(cpu "${p#/proc/}" 2> /dev/null || echo 0) ))
    fi
  done
  echo $total
}
game0=$(game_cpu); x0=$(cpu $xvfb); t0=$(date +%s.%N)
if [ -n "${FRAME_PROBE:-}" ]; then
  perf stat -x, -e "$FRAME_PROBE" -p $game_pid -o frames.txt & probe=$!
fi
t=0; end=$(( $(date +%s) + seconds ))
while [ "$(date +%s)" -lt "$end" ]; do
  t=$(( t + 17 )); xdotool mousemove --window "$window" $(( t * 37 % 1024 )) $(( t * 53 % 768 )) > /dev/null 2>&1 || true
  sleep 1
done
game1=$(game_cpu); x1=$(cpu $xvfb); t1=$(date +%s.%N)
frames=0
if [ -n "${FRAME_PROBE:-}" ]; then
  kill -INT $probe; wait $probe || true
  frames=$(awk -F, '/probe/ { print $1 }' frames.txt); rm -f frames.txt
fi
kill -TERM $game_pid; wait $game_pid || true
awk -v g=$(( game1 - game0 )) -v x=$(( x1 - x0 )) -v t0="$t0" -v t1="$t1" -v hz="$(getconf CLK_TCK)" -v m="$size $mode" \
  -v f="$frames" 'BEGIN { s = t1 - t0; printf "%s over %.1f s: game %.2f s CPU (%.1f %%), X server %.2f s (%.1f %%), both %.1f %% of a core\n",
           m, s, g / hz, 100 * g / hz / s, x / hz, 100 * x / hz / s, 100 * (g + x) / hz / s
           if (f > 0) printf "%d frames shown: game %.3f ms CPU per frame\n", f, 1000 * g / hz / f }'
