#!/usr/bin/env bash
# fuzz-summary.sh FOLDER NAME...: the table that fuzz.sh prints after its runs, from what each
# target left in FOLDER (NAME.log, NAME.status with its exit status, and the inputs libFuzzer
# kept as NAME-<kind>-<hash>). Findings are the inputs that crashed, leaked, ran out of memory
# or timed out, or 1 for a target that failed without keeping one; slow inputs (slow-unit-*)
# are shown but fail nothing. Exits 1 when there is any finding.
set -euo pipefail
out="$1"
shift

count() {  # count NAME KIND...: the inputs kept for NAME of those kinds
  local name="$1" n=0 kind
  shift
  for kind in "$@"; do
    n=$((n + $(find "$out" -maxdepth 1 -name "$name-$kind-*" | wc -l)))
  done
  echo "$n"
}

total=0
printf '%-20s %12s %9s %6s\n' target runs findings slow
for name in "$@"; do
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$name.log" | tail -1)
  [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$out/$name.log" | tail -1 | tr -d '#')
  findings=$(count "$name" crash leak oom timeout)
  status=$(cat "$out/$name.status" 2>/dev/null || echo 1)
  if [ "$findings" -eq 0 ] && [ "$status" -ne 0 ]; then findings=1; fi
  slow=$(count "$name" slow-unit)
  total=$((total + findings))
  printf '%-20s %12s %9s %6s\n' "$name" "${runs:-?}" "$findings" "$slow"
done
if [ "$total" -gt 0 ]; then
  echo "Findings in $out (see the .log of each target)."
  exit 1
fi
