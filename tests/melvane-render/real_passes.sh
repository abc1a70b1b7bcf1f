#!/usr/bin/env bash
# The length of one pass (--info, as --once renders it) of each real module,
# against a count of its orders and rows: rows played x ticks per row x
# frames per tick (110250 / BPM), with breaks and speed changes followed.
#   real_passes.sh RENDER MODULE_CACHE
set -u
render=$1 cache=$2
here=$(dirname "$0")
mapfile -t modules < <(bash "$here/../modules/fetch-modules.sh" "$cache")
[ ${#modules[@]} -gt 0 ] || { echo "no real modules (package archive unreachable): skipped"; exit 77; }
declare -A expected=(
  [vor-mph.xm]="4318272 frames), then back to order 0, row 0"                  # 544 rows x 9 x 882
  [ballz-finalman-quickie.xm]="4252176 frames), then back to order 5, row 0"  # 1544 rows x 3 x 918, to the restart
  [data-satisfy.xm]="9821952 frames), then back to order 0, row 0"             # 1856 rows x 6 x 882
  [music-zb-tnt.xm]="4064256 frames), then back to order 0, row 0"             # 768 rows x 8/4 ticks x 882
  [music-song05.xm]="5482512 frames), then back to order 0, row 0"             # 888 rows (D00 breaks) x 8/6 x 882
  [PDFPresentation-music.xm]="9271584 frames), then back to order 0, row 0"    # 2 + 66 + 40 x 64 rows x 4 x 882
)
status=0
for m in "${modules[@]}"; do
  name=$(basename "$m")
  got=$("$render" --info "$m" | grep '^one pass')
  if [[ "$got" == *"${expected[$name]}" ]]; then
    echo "ok: $name: $got"
  else
    echo "FAILED: $name: $got; expected ...${expected[$name]}"
    status=1
  fi
done
exit $status
