#!/usr/bin/env bash
# fuzz-summary.sh on made-up run folders: only crashes, leaks, out-of-memory, timeouts and a
# target that failed without an input are findings; slow inputs are shown and fail nothing.
set -euo pipefail
summary="$1/scripts/fuzz-summary.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

target() {  # target NAME STATUS RUNS KEPT...: one target's log, exit status and kept inputs
  local name="$1" kind
  echo "stat::number_of_executed_units: $3" >"$dir/$name.log"
  echo "$2" >"$dir/$name.status"
  shift 3
  for kind in "$@"; do touch "$dir/$name-$kind-0123abcd"; done
}
target Slow 0 51234 slow-unit
target Clean 0 9
target Crash 1 77 crash slow-unit
target Every 0 800 leak oom timeout
target Died 1 0
target Prefix 0 5  # nothing kept, though PrefixLonger's inputs begin with its name
target PrefixLonger 1 6 crash

fail=0
check() {  # check STATUS GOLDEN NAME...
  local want="$1" golden="$2" got status=0
  shift 2
  got=$(bash "$summary" "$dir" "$@") || status=$?
  if [ "$status" != "$want" ] || [ "$got" != "$golden" ]; then
    printf 'fuzz-summary.sh %s: status %s, want %s\n%s\nwant\n%s\n' "$*" "$status" "$want" \
      "$got" "$golden"
    fail=1
  fi
}
check 0 "target                       runs  findings   slow
Slow                        51234         0      1
Clean                           9         0      0" Slow Clean
check 1 "target                       runs  findings   slow
Crash                          77         1      1
Every                         800         3      0
Died                            0         1      0
Prefix                          5         0      0
PrefixLonger                    6         1      0
Findings in $dir (see the .log of each target)." Crash Every Died Prefix PrefixLonger
exit "$fail"
