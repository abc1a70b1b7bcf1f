#!/usr/bin/env bash
# Plays melvane's built-in song through the library (64-bit build) under
# Wine on this machine's sound output:
#   play.sh BUILD [SECONDS]   play
#   play.sh check BUILD       only check that there is a sound output
set -eu
. "$(dirname "$0")/steps.sh"
if [ "${1:-}" = check ]; then
  checkOnly=yes build=${2:-build}
else
  checkOnly=no build=${1:-build} seconds=${2:-30}
fi

# An ALSA sound card, a PulseAudio (or PipeWire) server, or an ALSA
# configuration of the user's own.
has_sound_output() {
  [ -n "${ALSA_CONFIG_PATH:-}" ] && return 0
  grep -qE '^ *[0-9]+ ' /proc/asound/cards 2>/dev/null && return 0
  [ -n "${PULSE_SERVER:-}" ] && return 0
  [ -S "${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/pulse/native" ] && return 0
  return 1
}

how_to_hear_it() {
  local make="make native"
  [ "$build" = build ] || make="$make BUILD=$build"
  cat >&2 <<TEXT
To hear the song anyway, render it to a WAV file and play that where there is sound:
    $make
    $build/native/tools/melvane-render/melvane-render --once music/song-image/builtin_song.xm song.wav
TEXT
}

if ! has_sound_output; then
  echo "make play: no sound output found on this machine (no sound card, no PulseAudio or PipeWire server)." >&2
  how_to_hear_it
  exit 1
fi
[ $checkOnly = yes ] && exit 0

bin="$build/win64/bin"
[ -f "$bin/melvane-play.exe" ] || { echo "build the 64-bit configuration first (make win64)" >&2; exit 1; }
# The prefix that scripts/run.sh uses too; Wine picks the audio driver.
use_play_prefix "$(cd "$build" && pwd)"
echo "playing the built-in song for $seconds s"
log="$WINEPREFIX/play.log"
cd "$bin"
# Wine's audio drivers talk on standard error; that goes to the log.
if ! wine ./melvane-play.exe "$seconds" 2>"$log"; then
  echo "make play: the song could not be played on this machine's sound output." >&2
  how_to_hear_it
  step_failed "playing the song (melvane-play.exe)" "$log"
fi
