#!/usr/bin/env bash
# opponent_bench refuses what it does not know, with the reason and the usage
# and exit status 2, before it plays anything; levels go by name or number.
set -u
bench=$1
failures=0
check() {  # expected-status expected-text arguments...
  local status=$1 text=$2
  shift 2
  local out
  out=$(timeout 60 "$bench" "$@" 2>&1)
  local got=$?
  if [ "$got" != "$status" ] || ! grep -qF -- "$text" <<<"$out"; then
    echo "FAIL: opponent_bench $*: status $got (want $status), output:"
    echo "$out" | head -5
    failures=$((failures + 1))
  fi
}
check 2 "unknown PLAYER" 2 normal bogus
check 2 "unknown LEVEL" 2 bogus
check 2 "unknown LEVEL" 2 4
check 2 "unknown LEVEL" 2 greedy
check 2 "unknown PLAYER" 2 1 1x
check 2 "GAMES must be a number" 0
check 2 "GAMES must be a number" 2x
check 2 "too many arguments" 1 easy greedy extra
check 2 "PLAYER  easy, normal, hard, greedy, careful, searcher" 2 hard nobody
check 0 "easy   vs greedy" 1 1 greedy
check 0 "easy   vs greedy" 1 easy greedy
[ $failures = 0 ] && echo "opponent_bench arguments: all passed"
exit $((failures > 0))
