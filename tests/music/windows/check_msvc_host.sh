#!/usr/bin/env bash
# Checks the MSVC-ABI host without running it (the 32-bit one cannot run
# here): linked against melvane.lib, it must import exactly the library's two
# export names from melvane.dll, and nothing but kernel32 besides.
#   check_msvc_host.sh EXE OBJDUMP
set -u
exe=$1 objdump=$2
dump=$("$objdump" -p "$exe") || { echo "FAILED: $objdump cannot read $exe"; exit 1; }
status=0
# The import names listed under one "DLL Name" block.
imported_from() {
  printf '%s\n' "$dump" | awk -v dll="$1" '
    /DLL Name:/ { inside = tolower($3) == dll; next }
    inside && /^$/ { inside = 0 }
    inside && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print $3 }' | sort
}
libraries=$(printf '%s\n' "$dump" | grep 'DLL Name:' | awk '{print tolower($3)}' | sort | tr '\n' ' ')
if [ "$libraries" = "kernel32.dll melvane.dll " ]; then
  echo "ok: imports from kernel32.dll and melvane.dll only"
else
  echo "FAILED: imports from $libraries"; status=1
fi
names=$(imported_from melvane.dll | tr '\n' ' ')
if [ "$names" = "_play_song@0 _stop_playing@0 " ]; then
  echo "ok: imports _play_song@0 and _stop_playing@0 from melvane.dll"
else
  echo "FAILED: imports '$names' from melvane.dll"; status=1
fi
exit $status
