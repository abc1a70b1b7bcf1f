#!/usr/bin/env bash
# Checks a built Orvo.exe without running it: a Windows GUI program for the
# expected machine that imports only the system's own DLLs.
# Usage: check_imports.sh OBJDUMP ORVO.EXE pei-i386|pei-x86-64
set -u
objdump=$1 exe=$2 format=$3
failures=0
check() {  # check OK-STATUS DESCRIPTION
  if [ "$1" = 0 ]; then echo "ok   $2"; else echo "FAIL $2"; failures=$((failures + 1)); fi
}

dump=$("$objdump" -p "$exe") || { echo "FAIL objdump cannot read $exe"; exit 1; }
grep -q "file format $format" <<<"$dump"
check $? "file format $format"
grep -Eq '^Subsystem[[:space:]]+0+2[[:space:]]' <<<"$dump"
check $? "Windows GUI subsystem"

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
echo "     imports: $dlls"
allowed=" kernel32.dll user32.dll gdi32.dll msvcrt.dll "
bad=""
for dll in $dlls; do
  case "$allowed" in *" $dll "*) ;; *) bad="$bad $dll" ;; esac
done
[ -z "$bad" ]
check $? "imports only system DLLs${bad:+ (not:$bad)}"
for dll in kernel32.dll user32.dll gdi32.dll; do
  case " $dlls" in *" $dll "*) s=0 ;; *) s=1 ;; esac
  check $s "imports $dll"
done
[ "$failures" = 0 ]
