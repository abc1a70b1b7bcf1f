#!/usr/bin/env bash
# Runs a Windows program of the 64-bit build under the test run's Wine:
# wine-run.sh STATE PROGRAM.exe [ARGS...]. The exit code is the program's.
state=$1; shift
. "$(dirname "$0")/wine-env.sh" "$state"
exec wine "$@"
