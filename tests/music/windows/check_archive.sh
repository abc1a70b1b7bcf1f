#!/usr/bin/env bash
# The release archive of one width, as scripts/dist.sh writes it: exactly the
# files a Windows user needs, in one folder of the archive's name, readable by
# everyone, byte for byte the ones the tests ran, the text files in CRLF
# plain text, README.txt naming every menu item; a second run two seconds later, in another time zone
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

top=${name%.zip}
unzip -q "$archive" -d "$work/unpacked" || { echo "FAILED: unzip"; exit 1; }
listed=$(cd "$work/unpacked" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')
expected="LICENSE.txt Orvo.exe README.txt melvane.def melvane.dll melvane.dll.a melvane.h melvane.lib melvane_example.c "
expected=$(for file in $expected; do printf '%s ' "$top/$file"; done)
[ "$listed" = "$expected" ] && echo "ok: holds $listed" || fail "holds $listed"
# zipinfo: the folder first, as drwxr-xr-x; then the files, -rw-r--r--.
modes=$(zipinfo -1 "$archive" | head -1; zipinfo "$archive" | awk '/^[d-][rwx-]+ / {print $1}' | uniq -c | tr -s ' ')
[ "$modes" = "$top/
 1 drwxr-xr-x
 9 -rw-r--r--" ] && echo "ok: one folder (0755) first, files 0644" || fail "layout and modes: $modes"

# Each file against what the build made and the tests used.
while read -r member origin; do
  if cmp -s "$work/unpacked/$top/$member" "$origin"; then
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

for text in README.txt LICENSE.txt; do
  file=$work/unpacked/$top/$text
  if LC_ALL=C grep -q '[^[:print:][:space:]]' "$file" || [ "$(grep -c $'\r$' "$file")" -ne "$(wc -l <"$file")" ]; then
    fail "$text is not plain text with CRLF line ends"
  else
    echo "ok: $text is plain text, every line ended by CRLF"
  fi
done

# A Windows user reads only README.txt: it names every item of the game's
# menus as the menu shows it (without the key letter's mark, the shortcut and
# a trailing "...").
readme=$(tr -s ' \r\n' '   ' <"$work/unpacked/$top/README.txt")
unnamed=$(sed -n 's/^ *\(MENUITEM\|POPUP\) "\([^"]*\)".*/\2/p' "$source/game/window/orvo.rc" |
  sed 's/&//; s/\\t.*//; s/\.\.\.$//; s/^ *//; s/ *$//' |
  while read -r item; do [[ "$readme" == *"$item"* ]] || printf '"%s" ' "$item"; done)
[ -z "$unnamed" ] && echo "ok: README.txt names every menu item" || fail "README.txt lacks the menu items $unnamed"
exit $status
