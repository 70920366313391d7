#!/usr/bin/env bash
# Runs each fuzz target of a fuzz build for a while, starting from the seed corpus kept in fuzz/corpus/.
# New inputs found go to <build>/corpus/<target>, findings to <build>/findings/.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)  # absolute: the targets change their working folder
seconds=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
mkdir -p "$build/findings"
targets=("$build"/fuzz/*_fuzz)
# FUZZ_TARGETS="a_fuzz b_fuzz" runs only those (two lists side by side share the two cores).
if [ -n "${FUZZ_TARGETS:-}" ]; then
  targets=()
  for name in $FUZZ_TARGETS; do targets+=("$build/fuzz/$name"); done
fi
for target in "${targets[@]}"; do
  name=$(basename "$target")
  work="$build/corpus/$name"
  mkdir -p "$work"
  seeds="$root/fuzz/corpus/$name"
  echo "== $name: ${seconds}s"
  if ! nice -n "${FUZZ_NICE:-10}" "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
      "$work" $( [ -d "$seeds" ] && echo "$seeds" ) 2>"$build/$name.log"; then
    echo "   FINDING: see $build/$name.log and $build/findings/"
    status=1
  fi
  grep -E 'stat::number_of_executed_units|cov:' "$build/$name.log" | tail -2 | sed 's/^/   /'
done
exit $status
