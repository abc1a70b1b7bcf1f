#!/usr/bin/env bash
# Compiles the C example of the README's "Using melvane in your program" as
# C and as C++ with every warning an error, as a new user would paste it.
#   readme_example.sh SOURCE_DIR CC CXX WORK
set -u
source=$1 cc=$2 cxx=$3 work=$4
mkdir -p "$work"
awk '/^## Using melvane in your program/ { section = 1; next }
     section && /^## / { exit }
     section && /^```c$/ { inside = 1; next }
     inside && /^```/ { exit }
     inside { print }' "$source/README.md" >"$work/example.c"
[ -s "$work/example.c" ] || { echo "FAILED: no C example in the README's section"; exit 1; }
status=0
for language in c c++; do
  compiler=$cc
  [ "$language" = c++ ] && compiler=$cxx
  if "$compiler" -x "$language" -Wall -Wextra -Werror -I"$source/music" -c "$work/example.c" -o "$work/example.o"; then
    echo "ok: the example compiles as $language without warnings"
  else
    echo "FAILED: the example does not compile cleanly as $language"; status=1
  fi
done
exit $status
