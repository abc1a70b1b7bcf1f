#!/usr/bin/env bash
# Runs every benchmark program of the native build; each prints its own figures.
#   bench.sh BUILD [RENDER_BEFORE]
# RENDER_BEFORE: another melvane-render (say, of an earlier commit) to time
# side by side with this build's on the real modules.
set -u
build=${1:-build}
before=${2:-}
status=0
for program in $(find "$build/native/bench" -type f -perm -u+x ! -path '*/CMakeFiles/*' 2>/dev/null | sort); do
  echo "== $(basename "$program")"
  if [ -n "$before" ] && [ "$(basename "$program")" = melvane-bench-render ]; then
    "$program" 60 --before "$before" || status=1
  else
    "$program" || status=1
  fi
done
exit $status
