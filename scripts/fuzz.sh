#!/usr/bin/env bash
# Runs every libFuzzer target of a FUZZ build for a given number of seconds,
# starting from the kept corpus; prints the figures libFuzzer reports.
set -u
build=$1
seconds=${2:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
status=0
for program in "$build"/tests/fuzz/fuzz_*; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  target=${name#fuzz_}
  work="$build/work-$target"
  mkdir -p "$work"
  echo "== $name: $seconds s"
  "$program" "$work" "$top/tests/fuzz/corpus/$target" -max_total_time="$seconds" \
      -artifact_prefix="$work/" -print_final_stats=1 -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
      2>"$work.log" || status=1
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|Done [0-9]+ runs|ERROR' "$work.log"
done
exit $status
