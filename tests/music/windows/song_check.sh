#!/usr/bin/env bash
# The song check that guards the custom-song build: a module the library
# plays passes; one it would refuse fails with the loader's reason.
#   song_check.sh CHECK GOOD.xm WORK
set -u
check=$1 good=$2 work=$3
mkdir -p "$work"
status=0
# expect NAME FILE STATUS REASON
expect() {
  local output result
  output=$("$check" "$2" 2>&1)
  result=$?
  if [ $result -eq "$3" ] && [[ "$output" == *"$4"* ]]; then
    echo "ok: $1: $output"
  else
    echo "FAILED: $1: status $result, output: $output"; status=1
  fi
}
cp "$good" "$work/wide.xm"
printf '\x21' | dd of="$work/wide.xm" bs=1 seek=68 conv=notrunc status=none  # 33 channels
printf 'Not a module at all\n' >"$work/text.xm"
expect "a module that plays" "$good" 0 "channels"
expect "33 channels" "$work/wide.xm" 1 "more than 32 channels"
expect "not an XM module" "$work/text.xm" 1 "not an XM module"
expect "no such file" "$work/missing.xm" 1 "No such file"
exit $status
