#!/usr/bin/env bash
# Renders modules with the native (x86_64) and the i686 melvane-render, the
# latter under qemu-i386-static on two processors, and requires identical
# bytes.
#   compare_widths.sh RENDER64 RENDER32 SONG_DIR MODULE_CACHE WORK
# Modules: the built-in song in three speed and tempo versions, and the real
# modules fetched into the module cache (none when offline).
set -u
render64=$1 render32=$2 song_dir=$3 cache=$4 work=$5
mkdir -p "$work"
command -v qemu-i386-static >/dev/null || { echo "FAILED: qemu-i386-static is missing"; exit 1; }

modules=("$song_dir/builtin_song.xm")
python3 "$song_dir/make_song.py" --speed 5 --bpm 140 "$work/fast.xm" >/dev/null &&
  modules+=("$work/fast.xm")
python3 "$song_dir/make_song.py" --speed 3 --bpm 97 "$work/odd.xm" >/dev/null &&
  modules+=("$work/odd.xm")
while read -r m; do modules+=("$m"); done < <(bash "$(dirname "$0")/../modules/fetch-modules.sh" "$cache")

frames=661500  # 15 s
status=0
# The default CPU takes the SSE2 kernels; a Pentium II (no SSE at all, any
# SSE instruction faults) takes the x87 path.
for m in "${modules[@]}"; do
  "$render64" --frames $frames "$m" "$work/64.raw" 2>/dev/null
  for cpu in max pentium2; do
    rm -f "$work/32.raw"
    qemu-i386-static -cpu $cpu "$render32" --frames $frames "$m" "$work/32.raw" 2>/dev/null
    if [ -s "$work/64.raw" ] && cmp -s "$work/64.raw" "$work/32.raw"; then
      echo "ok: $(basename "$m") on $cpu: $(stat -c %s "$work/64.raw") bytes alike"
    else
      echo "FAILED: $(basename "$m") on $cpu: $(cmp "$work/64.raw" "$work/32.raw" 2>&1 | head -n 1)"
      status=1
    fi
  done
done
rm -f "$work/64.raw" "$work/32.raw"
exit $status
