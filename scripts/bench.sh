#!/usr/bin/env bash
# Runs every benchmark program of the native build; each prints its own figures.
#   bench.sh BUILD [RENDER_BEFORE]
# RENDER_BEFORE: another melvane-render (say, of an earlier commit) to time
# side by side with this build's on the real modules.
# First the size of each shipped file beside its budget, when the 32-bit
# build exists.
set -u
build=${1:-build}
before=${2:-}
status=0
budgets=$(dirname "$0")/../tests/release/size_budgets.txt
if [ -d "$build/win32" ]; then
  echo "== shipped file sizes (32-bit build)"
  grep -v '^#' "$budgets" | while read -r path budget; do
    if [ -f "$build/win32/$path" ]; then
      printf '%-24s %7d bytes of %7d\n' "$(basename "$path")" "$(stat -c %s "$build/win32/$path")" "$budget"
    else
      printf '%-24s not built          of %7d\n' "$(basename "$path")" "$budget"
    fi
  done
fi
for program in $(find "$build/native/bench" -type f -perm -u+x ! -path '*/CMakeFiles/*' 2>/dev/null | sort); do
  echo "== $(basename "$program")"
  if [ -n "$before" ] && [ "$(basename "$program")" = melvane-bench-render ]; then
    "$program" 60 --before "$before" || status=1
  else
    "$program" || status=1
  fi
done
exit $status
