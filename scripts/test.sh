#!/usr/bin/env bash
# Runs every test suite of the build folders that exist; fails if any fails.
set -u
build=${1:-build}
status=0
for dir in native asan win32 win64; do
  [ -f "$build/$dir/CTestTestfile.cmake" ] || continue
  echo "== tests: $dir"
  jobs=2
  # Windows programs share one Wine server and one display: one at a time.
  [ "$dir" = win64 ] && jobs=1
  ctest --test-dir "$build/$dir" --output-on-failure -j"$jobs" || status=1
done
exit $status
