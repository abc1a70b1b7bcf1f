#!/usr/bin/env bash
# Fetches the real modules listed in real-modules.txt into CACHE (once), each
# checked by sha256. Prints the paths of the modules that are there.
# Exit 0 with none printed when the package archive cannot be reached.
set -u
cache=$1
list="$(dirname "$0")/real-modules.txt"
mkdir -p "$cache/debs"
# Tests that run side by side share the cache: one fetch at a time.
exec 9>"$cache/.lock"
flock 9
grep -v '^#' "$list" | while read -r package path sum; do
  [ -n "$package" ] || continue
  out="$cache/$(basename "$(dirname "$path")")-$(basename "$path")"
  if [ ! -f "$out" ] || ! echo "$sum  $out" | sha256sum -c --status; then
    rm -f "$out"
    (cd "$cache/debs" && ls "${package}"_*.deb >/dev/null 2>&1 ||
       apt-get download -q "$package" >/dev/null 2>&1) || continue
    deb=$(ls "$cache/debs/${package}"_*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || continue
    dpkg-deb --fsys-tarfile "$deb" | tar -xO ".$path" >"$out.part" 2>/dev/null
    if echo "$sum  $out.part" | sha256sum -c --status; then
      mv "$out.part" "$out"
      rm -f "$deb"
    else
      echo "checksum mismatch: $package $path" >&2
      rm -f "$out.part"
      continue
    fi
  fi
  echo "$out"
done
