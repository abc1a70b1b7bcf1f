#!/usr/bin/env bash
# Checks melvane.dll without running it: exactly the two exports, imports
# from system libraries only, and a small size.
#   check_dll.sh DLL OBJDUMP
set -u
dll=$1 objdump=$2
status=0
fail() { echo "FAILED: $*"; status=1; }
dump=$("$objdump" -p "$dll") || { echo "FAILED: $objdump cannot read $dll"; exit 1; }

exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -v 'Table' | grep -o '\] .*' | cut -c3- | sort)
expected=$(printf '%s\n' _play_song@0 _stop_playing@0)
if [ "$exports" = "$expected" ]; then
  echo "ok: exports are exactly _play_song@0 and _stop_playing@0"
else
  fail "exports are: $(echo $exports)"
fi

imports=$(printf '%s\n' "$dump" | grep 'DLL Name:' | awk '{print tolower($3)}' | sort -u)
for name in $imports; do
  case "$name" in
    kernel32.dll|winmm.dll|msvcrt.dll) ;;
    *) fail "imports from $name" ;;
  esac
done
printf '%s\n' $imports | grep -qx winmm.dll || fail "does not import winmm.dll"
[ $status -eq 0 ] && echo "ok: imports only from $(echo $imports)"

size=$(stat -c %s "$dll")
if [ "$size" -lt 81920 ]; then
  echo "ok: $size bytes"
else
  fail "$size bytes, expected well under 100 KB"
fi
exit $status
