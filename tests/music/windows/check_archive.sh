#!/usr/bin/env bash
# The release archive of one width, as scripts/dist.sh writes it: exactly the
# files a Windows user needs, byte for byte the ones the tests ran, README.txt
# in CRLF plain text; a second run two seconds later, in another time zone
# and with another umask, gives the same bytes.
#   check_archive.sh SOURCE_DIR WIDTH BUILD_FOLDER WORK
set -u
source=$1 width=$2 build=$3 work=$4
rm -rf "$work"
mkdir -p "$work"
status=0
fail() { echo "FAILED: $*"; status=1; }

bash "$source/scripts/dist.sh" "$width" "$build" "$work/first" >/dev/null || { echo "FAILED: dist.sh"; exit 1; }
sleep 2
(umask 077 && TZ=Asia/Tokyo bash "$source/scripts/dist.sh" "$width" "$build" "$work/second" >/dev/null) ||
  { echo "FAILED: dist.sh, second run"; exit 1; }
archive=$(ls "$work"/first/orvo-melvane-*-"$width".zip) || exit 1
name=$(basename "$archive")
[[ "$name" =~ ^orvo-melvane-[0-9]+\.[0-9]+-$width\.zip$ ]] && echo "ok: $name" || fail "archive named $name"
cmp -s "$archive" "$work/second/$name" && echo "ok: two runs give the same bytes" || fail "two runs differ"

unzip -q "$archive" -d "$work/unpacked" || { echo "FAILED: unzip"; exit 1; }
listed=$(cd "$work/unpacked" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
expected="Orvo.exe README.txt melvane.def melvane.dll melvane.dll.a melvane.h melvane.lib melvane_example.c "
[ "$listed" = "$expected" ] && echo "ok: holds $listed" || fail "holds $listed"

# Each file against what the build made and the tests used.
while read -r member origin; do
  if cmp -s "$work/unpacked/$member" "$origin"; then
    echo "ok: $member is $origin"
  else
    fail "$member differs from $origin"
  fi
done <<LIST
Orvo.exe $build/game/window/Orvo.exe
melvane.dll $build/bin/melvane.dll
melvane.lib $build/lib/melvane.lib
melvane.dll.a $build/lib/melvane.dll.a
melvane.h $source/music/melvane.h
melvane.def $source/music/windows/melvane.def
melvane_example.c $source/tools/example-host/melvane_example.c
LIST

readme=$work/unpacked/README.txt
if LC_ALL=C grep -q '[^[:print:][:space:]]' "$readme" || [ "$(grep -c $'\r$' "$readme")" -ne "$(wc -l <"$readme")" ]; then
  fail "README.txt is not plain text with CRLF line ends"
else
  echo "ok: README.txt is plain text, every line ended by CRLF"
fi
exit $status
