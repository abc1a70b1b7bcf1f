#!/usr/bin/env bash
# Builds the shipped 32-bit files again from a copy of the tracked sources in
# another folder and requires the same bytes as this build's, for the files
# and for the release archive made of them.
#   reproducible.sh SOURCE BUILD WORK
set -u
source=$1 build=$2 work=$3
git -C "$source" rev-parse --git-dir >/dev/null 2>&1 || { echo "skipped: not a git checkout"; exit 77; }
rm -rf "$work"
mkdir -p "$work/copy" "$work/archives/first" "$work/archives/second"
(cd "$source" && git ls-files -z | xargs -0 tar -cf -) | tar -C "$work/copy" -xf - || exit 1
cmake -G Ninja -DCMAKE_BUILD_TYPE=Release -S "$work/copy" -B "$work/build" \
  -DCMAKE_TOOLCHAIN_FILE="$work/copy/cmake/toolchain-i686-mingw.cmake" >/dev/null || exit 1
cmake --build "$work/build" -j2 --target melvane Orvo melvane_msvc_import_library >/dev/null || exit 1
bash "$source/scripts/dist.sh" win32 "$build" "$work/archives/first" >/dev/null || exit 1
bash "$work/copy/scripts/dist.sh" win32 "$work/build" "$work/archives/second" >/dev/null || exit 1

status=0
same() {
  if cmp -s "$1" "$2"; then
    echo "ok: $3"
  else
    echo "FAILED: $3 differs: $(cmp "$1" "$2" 2>&1 | head -n 1)"
    status=1
  fi
}
for file in bin/melvane.dll game/window/Orvo.exe lib/melvane.lib lib/melvane.dll.a; do
  same "$build/$file" "$work/build/$file" "$file"
done
for archive in "$work/archives/first"/*.zip; do
  same "$archive" "$work/archives/second/$(basename "$archive")" "$(basename "$archive")"
done
[ $status -eq 0 ] && rm -rf "$work"
exit $status
