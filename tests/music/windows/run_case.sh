#!/usr/bin/env bash
# Runs one Windows test case under the test run's Wine with a sound capture
# of its own, then (optionally) compares the capture with the native render.
#   run_case.sh STATE WORK RENDERER MODULE MODE PROGRAM ARGS...
# WORK is this case's folder: it gets the ALSA configuration and capture.raw.
# In ARGS, @CAPTURE@ and @WORK@ become the Windows paths of the capture file
# and of WORK, and @FILE:path@ the Windows path of a file. MODE is none (no
# comparison), or prefix (the capture is the start of the module's render).
set -u
here=$(cd "$(dirname "$0")" && pwd)
state=$1 work=$2 renderer=$3 module=$4 mode=$5
shift 5
mkdir -p "$work"
work=$(cd "$work" && pwd)
rm -f "$work/capture.raw" "$work/render.raw"
cat >"$work/asound.conf" <<CONF
pcm.!default { type file; slave.pcm { type null }; file "$work/capture.raw"; format "raw" }
CONF
export ALSA_CONFIG_PATH="$work/asound.conf"

if [ "$mode" != none ] && [ ! -x "$renderer" ]; then
  echo "no native melvane-render at $renderer: build the native configuration first"
  exit 77
fi

winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
args=()
for a in "$@"; do
  case "$a" in
    @CAPTURE@) args+=("$(winpath "$work/capture.raw")") ;;
    @WORK@) args+=("$(winpath "$work")") ;;
    @FILE:*@) f=${a#@FILE:}; args+=("$(winpath "${f%@}")") ;;
    *) args+=("$a") ;;
  esac
done

cd "$work"
bash "$here/../../wine/wine-run.sh" "$state" "${args[@]}" </dev/null
status=$?
[ $status -eq 0 ] || { echo "the program failed (status $status)"; exit 1; }
[ "$mode" = none ] && exit 0
python3 "$here/compare_capture.py" "$mode" "$work/capture.raw" "$renderer" "$module" "$work/render.raw"
