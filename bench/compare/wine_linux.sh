#!/bin/bash
# The same recorded frames replayed by the Linux build and by the Windows build under Wine, on the same
# core, in turn, round after round: CPU ms per frame of each.
# usage: bench/compare/wine_linux.sh LINUX_REPLAY_BENCH WINDOWS_REPLAY_BENCH_EXE FOLDER TRACE [ROUNDS] [CORE]
# FOLDER holds Data/ (the replay reads the pictures from it); TRACE is a recording of the game (see
# bench/README.md). WINEPREFIX must name a prefix made for this (wineboot -i), used by nothing else.
# Wine's process clock moves in 10 ms steps, so the batches are 600 frames long (REPLAY_BATCH): a step
# is then 0.017 ms per frame. The other processes of the prefix (wineserver, the services) get CPU on
# the exe's behalf; their CPU over the whole run is printed beside it, as is the exe's whole-run CPU.
set -eu
linux=$(realpath "$1"); exe=$(realpath "$2"); folder=$(realpath "$3"); trace=$(realpath "$4")
rounds=${5:-3}; core=${6:-1}
: "${WINEPREFIX:?a prefix of its own}"
export WINEPREFIX WINEDEBUG=-all REPLAY_ONLY=engine REPLAY_BATCH=${REPLAY_BATCH:-600}
name=$(basename "$trace" .trace)

load() { echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"; }

# utime + stime in clock ticks of every running process of this prefix (run while the benchmark's
# exe is not: its own CPU is counted by time)
prefix_ticks() {
  local sum=0 pid
  for pid in $(pgrep -f 'wineserver|\.exe' || true); do
    { tr '\0' '\n' < "/proc/$pid/environ"; } 2> /dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
    sum=$(( sum + $(awk '{ print $14 + $15 }' "/proc/$pid/stat" 2> /dev/null || echo 0) ))
  done
  echo $sum
}

# The prefix's wineserver and services started ahead, on the same core, so that their start-up is not
# counted in the first run.
taskset -c "$core" wineserver -p
taskset -c "$core" wine cmd /c exit > /dev/null 2>&1 || true
hz=$(getconf CLK_TCK)
cd "$(dirname "$folder")"   # Wine resolves the paths as relative Windows paths from here
rel=$(basename "$folder")

linux_run() {
  echo "--- Linux, core $core"; load
  /usr/bin/time -f "whole run CPU %U user + %S sys s" taskset -c "$core" "$linux" "$rel" "$name=$trace" 2>&1 \
    | grep -v '^ms per frame'
}
wine_run() {
  echo "--- Windows under Wine, core $core"; load
  local before; before=$(prefix_ticks)
  /usr/bin/time -f "whole run CPU %U user + %S sys s (the exe)" taskset -c "$core" wine "$exe" "$rel" \
    "$name=$(realpath --relative-to=. "$trace")" 2>&1 | tr -d '\r' | grep -v '^ms per frame'
  echo "other processes of the prefix over the run: $(( ($(prefix_ticks) - before) * 1000 / hz )) ms CPU"
}

for ((r = 1; r <= rounds; ++r)); do
  echo "=== round $r"
  if (( r % 2 )); then linux_run; wine_run; else wine_run; linux_run; fi
done
load
wineserver -k || true
