#!/usr/bin/env bash
# The scripts around the tools, run as a user runs them: the fuzz time check,
# make play without a sound output or with a failing step, and the song
# scripts' command lines.
#   scripts_test.sh SOURCE_ROOT RENDER WORK
set -u
top=$1 render=$2 work=$3
song="$top/music/song-image"
mkdir -p "$work"
failures=0

# expect STATUS TEXT COMMAND...: the exit status, and TEXT in the output.
expect() {
  local status=$1 text=$2
  shift 2
  local out
  out=$("$@" 2>&1)
  local got=$?
  if [ $got -ne "$status" ] || [[ "$out" != *"$text"* ]]; then
    echo "FAILED: $* -> status $got (expected $status), output:"
    echo "$out" | head -n 5
    failures=$((failures + 1))
  fi
}

for seconds in 0 00 -1 abc 1.5; do
  expect 2 "whole number of seconds above 0" bash "$top/scripts/fuzz.sh" check "$seconds"
done
expect 0 "" bash "$top/scripts/fuzz.sh" check 30

if ! grep -qE '^ *[0-9]+ ' /proc/asound/cards 2>/dev/null; then
  expect 1 "no sound output found" env -u ALSA_CONFIG_PATH -u PULSE_SERVER XDG_RUNTIME_DIR="$work/none" \
    bash "$top/scripts/play.sh" check
fi

# A failed step of make play names itself and shows its log's end.
mkdir -p "$work/fake/bin" "$work/fake/build/win64/bin"
printf '#!/bin/sh\necho "wineboot: no way" >&2\nexit 3\n' >"$work/fake/bin/wine"
chmod +x "$work/fake/bin/wine"
: >"$work/fake/build/win64/bin/melvane-play.exe"
expect 1 "play.sh: preparing the Wine prefix (wineboot) failed with exit status 3
last lines of $work/fake/build/wine-play-setup.log:
    wineboot: no way" env PATH="$work/fake/bin:$PATH" ALSA_CONFIG_PATH=/dev/null \
  bash "$top/scripts/play.sh" "$work/fake/build" 1

expect 0 "usage: make_song.py" python3 "$song/make_song.py" --help
expect 2 "required: OUTPUT.xm" python3 "$song/make_song.py"
expect 2 "is the committed song" python3 "$song/make_song.py" "$song/builtin_song.xm"
expect 2 "--speed must be 1..31" python3 "$song/make_song.py" --speed 0 "$work/x.xm"
expect 2 "invalid int value" python3 "$song/make_song.py" --bpm fast "$work/x.xm"
expect 1 "cannot write $work/none/x.xm" python3 "$song/make_song.py" "$work/none/x.xm"
[ ! -e "$top/--help" ] || { echo "FAILED: a file named --help"; failures=$((failures + 1)); }
expect 0 "$work/x.xm: " python3 "$song/make_song.py" "$work/x.xm"
cmp -s "$work/x.xm" "$song/builtin_song.xm" || { echo "FAILED: make_song.py no longer makes the committed song"; failures=$((failures + 1)); }

expect 0 "usage: measure_song.py" python3 "$song/measure_song.py" --help
expect 1 "cannot read $work/none.raw" python3 "$song/measure_song.py" "$work/none.raw"
head -c 4000 /dev/zero >"$work/short.raw"
expect 1 "not a render of the whole song" python3 "$song/measure_song.py" "$work/short.raw"
"$render" --once "$song/builtin_song.xm" "$work/once.raw"
expect 0 "frames 1693440 (38.40 s)" python3 "$song/measure_song.py" "$work/once.raw"

rm -rf "$work"
[ $failures -eq 0 ] && echo "all script checks passed"
exit $((failures > 0))
