#!/usr/bin/env bash
# Plays melvane's built-in song through the library (64-bit build) under
# Wine on this machine's sound output: play.sh BUILD [SECONDS].
set -eu
build=${1:-build}
seconds=${2:-30}
bin="$build/win64/bin"
[ -f "$bin/melvane-play.exe" ] || { echo "build the 64-bit configuration first (make win64)"; exit 1; }
# The prefix that scripts/run.sh uses too, made once; Wine picks the audio driver.
export WINEPREFIX="$(cd "$build" && pwd)/wine-play"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "preparing a Wine prefix in $WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1
fi
echo "playing the built-in song for $seconds s"
cd "$bin"
wine ./melvane-play.exe "$seconds"
