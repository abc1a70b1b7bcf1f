#!/usr/bin/env bash
# Starts the game, Orvo.exe, under Wine: scripts/run.sh [BUILD_FOLDER]
# With a display it opens the window there. Without one it plays a few moves
# in a virtual display (Xvfb), saves a screenshot PNG and says where it is.
# Saved games (savegame.dat) land in BUILD_FOLDER/play.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
root=$(pwd)
. scripts/steps.sh

# 32-bit Windows programs need the 32-bit Wine loader; without it the 64-bit
# build of the same source runs instead.
if [ -x /usr/lib/wine/wine ] && [ -f "$build/win32/game/window/Orvo.exe" ]; then
  exe=$root/$build/win32/game/window/Orvo.exe
else
  exe=$root/$build/win64/game/window/Orvo.exe
fi
[ -f "$exe" ] || { echo "Orvo.exe is not built: run 'make run' or 'make build' first" >&2; exit 1; }
play=$root/$build/play
mkdir -p "$play"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8
  use_play_prefix "$root/$build"
  echo "Orvo is starting under Wine on display $DISPLAY ($exe)."
  echo "Close the window or press Alt+X to end it; saved games go to $play/savegame.dat."
  cd "$play"
  exec wine "$exe"
fi

# No display: a virtual one with a fresh Wine prefix, as the tests use.
state=$root/$build/run-state
echo "No display: running Orvo under Xvfb (Wine prefix in $state, this takes a few seconds)."
trap 'bash "$root/tests/wine/wine-teardown.sh" "$state"' EXIT
run_step "starting Xvfb and a Wine prefix" "$root/$build/run-setup.log" bash tests/wine/wine-setup.sh "$state"
. tests/wine/wine-env.sh "$state"

wine_log=$root/$build/run-wine.log
(cd "$play" && exec wine "$exe" </dev/null >"$wine_log" 2>&1) &
wine_pid=$!

window=
for _ in $(seq 300); do
  window=$(xdotool search --name '^Orvo$' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || step_failed "waiting for the game window" "$wine_log"
eval "$(xdotool getwindowgeometry --shell "$window")"

# RGB of a screen pixel, as "r,g,b".
pixel() { convert "$shot" -format '%[fx:int(255*p{'"$1"','"$2"'}.r)],%[fx:int(255*p{'"$1"','"$2"'}.g)],%[fx:int(255*p{'"$1"','"$2"'}.b)]' info:; }
shot=$state/screen.png
# The X window holds the menu bar and the client area; the client area starts
# at the first row of the background green below the menu bar.
top=
for _ in $(seq 300); do
  import -window root "$shot"
  for dy in $(seq 0 40); do
    if [ "$(pixel $((X + 5)) $((Y + dy)))" = "0,159,0" ]; then top=$((Y + dy)); break; fi
  done
  [ -n "$top" ] && break
  sleep 0.1
done
[ -n "$top" ] || step_failed "waiting for the game window's first paint" "$wine_log"

# A short game: red rings a blue mark (captured, green rim), blue rings an
# empty node (cross).
# The board's pixel geometry, from the game's own header.
geometry() { sed -n "s/^const int $1 = \([0-9]*\);.*/\1/p" "$root/game/window/geometry.h"; }
origin=$(geometry GRID_ORIGIN)
spacing=$(geometry GRID_STEP)
moves="5,4 5,5 6,5 12,12 5,6 20,15 4,5 10,9 21,14 11,10 19,3 10,11 18,3 9,10 6,12"
colour=red
for move in $moves; do
  c=${move%,*} r=${move#*,}
  xdotool mousemove $((X + origin + 1 + spacing * c)) $((top + origin + 1 + spacing * r)) click 1
  want=$([ $colour = red ] && echo 255,0,0 || echo 0,0,255)
  for _ in $(seq 300); do
    import -window root "$shot"
    [ "$(pixel $((X + origin + 2 + spacing * c)) $((top + origin + 2 + spacing * r)))" = "$want" ] && break
    sleep 0.1
  done
  colour=$([ $colour = red ] && echo blue || echo red)
done

out=$root/$build/orvo-screenshot.png
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
xdotool mousemove $((X + 480)) $((top + 318)) click 1 key alt+x
wait "$wine_pid" || true
echo "Orvo ran under Xvfb; a screenshot of its window after a short game is in $out"
