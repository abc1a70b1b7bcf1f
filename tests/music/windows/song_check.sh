#!/usr/bin/env bash
# A library build configured with a module the library would refuse (here 33
# channels) or play only in part (cut short) must stop at the song check with
# the reason and make no DLL; one naming no readable file must stop while configuring. (The
# custom-song capture test covers a module that plays.)
#   song_check.sh GOOD.xm WORK SOURCE_DIR TOOLCHAIN_FILE
set -u
good=$1 work=$2 source=$3
# From the environment: read when the folder is first configured only.
export CMAKE_TOOLCHAIN_FILE=$4
rm -rf "$work"
mkdir -p "$work/folder.xm" "$work/locked"
cp "$good" "$work/wide.xm"
printf '\x21' | dd of="$work/wide.xm" bs=1 seek=68 conv=notrunc status=none  # the channel count
head -c 3000 "$good" >"$work/cut.xm"
cp "$good" "$work/locked/song.xm"
chmod 000 "$work/locked/song.xm"
status=0

# expect SONG TEXT [build]: configuring with MELVANE_SONG=SONG (and building,
# with "build") fails with TEXT and makes no DLL.
expect() {
  local song=$1 text=$2 output
  output=$(cmake -G Ninja -S "$source" -B "$work/build" -DMELVANE_SONG="$song" 2>&1 &&
    if [ "${3:-}" = build ]; then cmake --build "$work/build" --target melvane 2>&1; fi)
  # CMake wraps long messages: compare with the blanks and line ends squeezed.
  if [ $? -ne 0 ] && [[ "$(tr -s ' \n' '  ' <<<"$output")" == *"$text"* ]] && [ ! -e "$work/build/bin/melvane.dll" ]; then
    echo "ok: stops with: $text"
  else
    printf '%s\n' "$output" | tail -20
    echo "FAILED: MELVANE_SONG=$song, expected: $text"
    status=1
  fi
}

expect /nonexistent.xm "MELVANE_SONG: /nonexistent.xm does not exist"
expect "$work/folder.xm" "MELVANE_SONG: $work/folder.xm is a directory"
# Root reads any file: the unreadable one only counts for other users.
[ "$(id -u)" -eq 0 ] || expect "$work/locked/song.xm" "MELVANE_SONG: $work/locked/song.xm cannot be read"
expect "$work/wide.xm" "wide.xm: more than 32 channels" build
expect "$work/cut.xm" "cut.xm: module ends early at byte 3000" build
[ $status -eq 0 ] && rm -rf "$work"
exit $status
