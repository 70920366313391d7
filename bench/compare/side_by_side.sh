#!/bin/bash
# Two Release builds of the game measured in turn, round after round, so that both meet the same load:
# the recorded frames (engine alone, one core), the start-up and the peak memory.
# usage: bench/compare/side_by_side.sh BEFORE_BUILD AFTER_BUILD [ROUNDS]
# Each build folder holds game/ (the shipped map, PlayerN.cgm beside zanoru), crowded/ (the same with
# the crowded map as Data/1.vyx), crowded.trace and shipped.trace. The order of the two builds swaps
# every round, so that neither always runs right after the other's page cache and heat.
# SKIP=window leaves out the minute in a window (no Xvfb).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
before=$(cd "$1" && pwd); after=$(cd "$2" && pwd); rounds=${3:-3}
rt=(chrt -f 10)
"${rt[@]}" true 2> /dev/null || { echo "chrt refused: start-up runs under the ordinary scheduler"; rt=(); }

load() { echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"; }

measure() {
  local b=$1
  echo "=== $b, round $2"
  load
  REPLAY_ONLY=engine taskset -c 0 "$b/bench/replay/replay_bench" "$b/game" \
    crowded="$b/crowded.trace" shipped="$b/shipped.trace" | grep -v '^ms per frame'
  load
  # The CPU of every run (the game and its decoding threads) over the runs; the shell's share is small.
  /usr/bin/time -f "start-up CPU of all runs: %U user + %S sys s" \
    "${rt[@]}" taskset -c 0,1 "$here/startup/startup.sh" "$b/game" 11 2>&1 | tail -2
  load
  echo "crowded 3000 ticks: $("$here/memory/peak_rss.sh" headless "$b/crowded" 3000 2>&1 | tail -1)"
  echo "shipped 50000 ticks: $("$here/memory/peak_rss.sh" headless "$b/game" 50000 2>&1 | tail -1)"
  if [ "${SKIP:-}" != window ]; then
    load
    echo "window 60 s: $("$here/memory/peak_rss.sh" window "$b/game" 60 2>&1 | tail -1)"
  fi
  load
}

for ((r = 1; r <= rounds; ++r)); do
  if (( r % 2 )); then measure "$before" "$r"; measure "$after" "$r"
  else measure "$after" "$r"; measure "$before" "$r"; fi
done
