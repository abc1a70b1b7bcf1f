#!/usr/bin/env bash
# The song check that guards the custom-song build: a module the library
# plays passes; one it would refuse fails with the loader's reason, and so
# does a build of the library configured with it.
#   song_check.sh CHECK GOOD.xm WORK SOURCE_DIR TOOLCHAIN_FILE
set -u
check=$1 good=$2 work=$3 source=$4 toolchain=$5
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

rm -rf "$work/build"
output=$(cmake -G Ninja -S "$source" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DMELVANE_SONG="$work/wide.xm" 2>&1 && cmake --build "$work/build" --target melvane 2>&1)
if [ $? -ne 0 ] && [[ "$output" == *"wide.xm: more than 32 channels"* ]] && [ ! -e "$work/build/bin/melvane.dll" ]; then
  echo "ok: the library's build with a 33-channel module stops with the loader's reason"
else
  printf '%s\n' "$output" | tail -20
  echo "FAILED: the library's build with a 33-channel module"; status=1
fi
rm -rf "$work/build"
exit $status
