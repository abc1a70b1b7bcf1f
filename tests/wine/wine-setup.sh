#!/usr/bin/env bash
# Starts a virtual display and a fresh Wine prefix for one test run.
set -euo pipefail
state=$(mkdir -p "$1" && cd "$1" && pwd)
bash "$(dirname "$0")/wine-teardown.sh" "$state" || true
rm -rf "$state/prefix"
mkdir -p "$state"

# Xvfb picks a free display number and reports it on descriptor 3.
rm -f "$state/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display" </dev/null >/dev/null 2>&1 &
echo $! >"$state/xvfb.pid"
for _ in $(seq 100); do [ -s "$state/display" ] && break; sleep 0.1; done
[ -s "$state/display" ] || { echo "Xvfb did not start"; exit 1; }

cat >"$state/asound.conf" <<CONF
pcm.!default { type file; slave.pcm { type null }; file "$state/capture.raw"; format "raw" }
CONF

. "$(dirname "$0")/wine-env.sh" "$state"
# Keep the server up between tests so that each program starts fast. It must
# be started persistent: -p on a server that is already running fails.
mkdir -p "$WINEPREFIX"
# Daemons must not hold the test runner's output pipe open, or it waits for them.
wineserver -p 120 </dev/null >/dev/null 2>&1
wine wineboot -i </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
echo "wine prefix ready, DISPLAY=$DISPLAY"
