#!/usr/bin/env bash
# Fetches the real modules (once) and runs the damaged-module program on them.
# Exit 77 (skipped) when none can be fetched, for instance offline.
set -u
program=$1
cache=$2
mapfile -t modules < <(bash "$(dirname "$0")/fetch-modules.sh" "$cache")
if [ ${#modules[@]} -eq 0 ]; then
  echo "skipped: the real modules could not be fetched from the package archive (offline?)"
  exit 77
fi
exec "$program" "${modules[@]}"
