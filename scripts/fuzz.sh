#!/usr/bin/env bash
# Runs every libFuzzer target of a FUZZ build for a given number of seconds,
# starting from the kept corpus; prints the figures libFuzzer reports.
#   fuzz.sh BUILD SECONDS    fuzz; new inputs and crashes land in BUILD/work-<name>
#   fuzz.sh check SECONDS    only check SECONDS
set -u
seconds=${2:-60}
# libFuzzer takes 0 as "without end": only a whole number above 0 is taken.
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ $((10#$seconds)) -eq 0 ]; then
  echo "SECONDS_TO_FUZZ must be a whole number of seconds above 0, not '$seconds'" >&2
  exit 2
fi
seconds=$((10#$seconds))
[ "$1" = check ] && exit 0
build=$1
top=$(cd "$(dirname "$0")/.." && pwd)
status=0
for program in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  target=${name#fuzz_}
  work="$build/work-$target"
  mkdir -p "$work"
  echo "== $name: $seconds s (work folder $work, log $work.log)"
  "$program" "$work" "$top/tests/fuzz/corpus/$target" -max_total_time="$seconds" \
      -artifact_prefix="$work/" -print_final_stats=1 -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
      2>"$work.log" || status=1
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|Done [0-9]+ runs|ERROR' "$work.log"
done
exit $status
