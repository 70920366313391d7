#!/bin/bash
# Start-up time of the game: exec to the end of a headless run that draws one frame and quits.
# usage: bench/startup/startup.sh GAME_FOLDER [RUNS] [extra VAR=value ...]
# The folder needs zanoru, DX/OMEGA.dll, Data/ and PlayerN.cgm. Prints every run's wall time in ms,
# then the best and the median. Run it pinned (taskset -c 0 or -c 0,1) on a quiet machine.
set -eu
game=$(cd "$1" && pwd); runs=${2:-15}; shift $(( $# >= 2 ? 2 : 1 ))
script=$(mktemp); trap 'rm -f "$script"' EXIT
echo "1 quit" > "$script"
cd "$game"
times=()
for ((i = 0; i < runs; ++i)); do
  start=$(date +%s%N)
  env "$@" OMEGA_SCRIPT="$script" ./zanoru > /dev/null
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000 )))
done
printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 / 1000 } END {
  for (i = 1; i <= NR; ++i) printf "%.1f ", t[i]; printf "\n";
  printf "best %.1f ms, median %.1f ms over %d runs\n", t[1], (NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2), NR }'
