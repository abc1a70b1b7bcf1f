#!/usr/bin/env bash
# A library build configured with a module the library would refuse (here 33
# channels) must stop at the song check with the loader's reason and make no
# DLL. (The custom-song capture test covers a module that plays.)
#   song_check.sh GOOD.xm WORK SOURCE_DIR TOOLCHAIN_FILE
set -u
good=$1 work=$2 source=$3 toolchain=$4
rm -rf "$work"
mkdir -p "$work"
cp "$good" "$work/wide.xm"
printf '\x21' | dd of="$work/wide.xm" bs=1 seek=68 conv=notrunc status=none  # the channel count
output=$(cmake -G Ninja -S "$source" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DMELVANE_SONG="$work/wide.xm" 2>&1 && cmake --build "$work/build" --target melvane 2>&1)
if [ $? -ne 0 ] && [[ "$output" == *"wide.xm: more than 32 channels"* ]] && [ ! -e "$work/build/bin/melvane.dll" ]; then
  echo "ok: the build stops with: $(printf '%s\n' "$output" | grep 'more than 32')"
  rm -rf "$work/build"
  exit 0
fi
printf '%s\n' "$output" | tail -20
echo "FAILED: the library's build with a 33-channel module"
exit 1
