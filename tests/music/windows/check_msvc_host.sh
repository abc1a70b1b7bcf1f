#!/usr/bin/env bash
# Checks the MSVC-ABI hosts without running them (the 32-bit ones cannot run
# here): linked against melvane.lib, each must import exactly the library's
# two export names from melvane.dll, and nothing but kernel32 besides.
#   check_msvc_host.sh OBJDUMP EXE...
set -u
objdump=$1
shift
status=0
for exe in "$@"; do
  dump=$("$objdump" -p "$exe") || { echo "FAILED: $objdump cannot read $exe"; status=1; continue; }
  libraries=$(printf '%s\n' "$dump" | grep 'DLL Name:' | awk '{print tolower($3)}' | sort | tr '\n' ' ')
  # The import names listed under melvane.dll's "DLL Name" block.
  names=$(printf '%s\n' "$dump" | awk '
    /DLL Name:/ { inside = tolower($3) == "melvane.dll"; next }
    inside && /^$/ { inside = 0 }
    inside && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print $3 }' | sort | tr '\n' ' ')
  if [ "$libraries" = "kernel32.dll melvane.dll " ] && [ "$names" = "_play_song@0 _stop_playing@0 " ]; then
    echo "ok: $(basename "$exe") imports ${names% } from melvane.dll, and kernel32.dll"
  else
    echo "FAILED: $(basename "$exe") imports from $libraries; from melvane.dll: $names"; status=1
  fi
done
exit $status
