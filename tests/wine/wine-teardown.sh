#!/usr/bin/env bash
# Stops the Wine server and the virtual display of one test run.
set -u
state=$1
[ -d "$state/prefix" ] && { . "$(dirname "$0")/wine-env.sh" "$state"; wineserver -k 2>/dev/null; }
if [ -f "$state/xvfb.pid" ]; then
  kill "$(cat "$state/xvfb.pid")" 2>/dev/null
  rm -f "$state/xvfb.pid"
fi
exit 0
