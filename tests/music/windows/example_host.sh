#!/usr/bin/env bash
# The example host of the release archive under Wine: it plays for the
# seconds it is given and says so in words; a number it cannot use gets the
# usage and exit status 2 before any sound.
#   example_host.sh STATE PROGRAM
set -u
here=$(cd "$(dirname "$0")" && pwd)
state=$1 program=$2
status=0

# expect ARGUMENT STATUS LINE: the run with ARGUMENT ends with STATUS, and
# the first line of its output (standard output and error) is LINE.
expect() {
  local output code
  output=$(bash "$here/../../wine/wine-run.sh" "$state" "$program" "$1" 2>&1 </dev/null)
  code=$?
  output=$(tr -d '\r' <<<"$output")
  if [ "$code" -eq "$2" ] && [ "${output%%$'\n'*}" = "$3" ]; then
    echo "ok: '$1' gives status $2: $3"
  else
    printf 'FAILED: %s gave status %s, expected %s, with:\n%s\n' "'$1'" "$code" "$2" "$output"
    status=1
  fi
}

usage="usage: melvane_example [SECONDS]"
expect 1 0 "playing for 1 second"
expect 0 0 "playing for 0 seconds"
expect abc 2 "$usage"
expect -5 2 "$usage"
expect 5x 2 "$usage"
expect "" 2 "$usage"
expect 4294968 2 "$usage"
exit $status
