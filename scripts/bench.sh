#!/usr/bin/env bash
# Runs every benchmark program of the native build; each prints its own figures.
#   bench.sh BUILD [RENDER_BEFORE]
# RENDER_BEFORE: another melvane-render (say, of an earlier commit) to time
# side by side with this build's on the real modules. OPPONENT_GAMES in the
# environment: games a pairing for the opponent's full tables (without it, a
# short run).
# First the size of each shipped file of the Windows builds that exist, the
# 32-bit ones beside their budgets.
set -u
build=${1:-build}
before=${2:-}
status=0
budgets=$(dirname "$0")/../tests/release/size_budgets.txt
for width in win32 win64; do
  [ -d "$build/$width" ] || continue
  echo "== shipped file sizes ($width build)"
  grep -v '^#' "$budgets" | while read -r path budget; do
    size=$( [ -f "$build/$width/$path" ] && stat -c %s "$build/$width/$path" || echo "not built")
    [ "$width" = win32 ] && of=", budget $budget" || of=""
    printf '%-16s %9s bytes%s\n' "$(basename "$path")" "$size" "$of"
  done
done
for program in $(find "$build/native/bench" -type f -perm -u+x ! -path '*/CMakeFiles/*' 2>/dev/null | sort); do
  echo "== $(basename "$program")"
  if [ -n "$before" ] && [ "$(basename "$program")" = melvane-bench-render ]; then
    "$program" 60 --before "$before" || status=1
  elif [ -n "${OPPONENT_GAMES:-}" ] && [ "$(basename "$program")" = opponent_bench ]; then
    "$program" "$OPPONENT_GAMES" || status=1
  else
    "$program" || status=1
  fi
done
exit $status
