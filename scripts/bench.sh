#!/usr/bin/env bash
# Runs every benchmark program of the native build; each prints its own figures.
set -u
build=${1:-build}
status=0
for program in $(find "$build/native/bench" -type f -perm -u+x ! -path '*/CMakeFiles/*' 2>/dev/null | sort); do
  echo "== $(basename "$program")"
  "$program" || status=1
done
exit $status
