#!/usr/bin/env bash
# Runs every fuzz target of tests/fuzz for the given number of seconds (default 60), as many at
# once as there are cores, and prints a table of target, runs and findings. Each target starts
# from its seeds in tests/fuzz/corpus/<Name>/ and from what earlier runs kept in
# build-asan/fuzz-corpus/<Name>/; a finding (the input that broke a property or crashed) is
# written to build-asan/fuzz-findings/ and its log beside it. Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
mapfile -t targets < <(sed -n 's/^velmora_fuzz_target(\(.*\))$/\1/p' tests/fuzz/CMakeLists.txt)
bash scripts/asan-build.sh --target "${targets[@]/%/Fuzz}" >/dev/null

out=build-asan/fuzz-findings
mkdir -p "$out"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

run() {  # run NAME: one target for $seconds; writes $out/NAME.log
  local name="$1" keep="build-asan/fuzz-corpus/$1" seeds=()
  mkdir -p "$keep"
  [ -d "tests/fuzz/corpus/$name" ] && seeds=("tests/fuzz/corpus/$name")
  "build-asan/tests/fuzz/${name}Fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$out/$name-" "$keep" "${seeds[@]}" \
    >"$out/$name.log" 2>&1 || true
}

rm -f "$out"/*
jobs=0
for name in "${targets[@]}"; do
  run "$name" &
  jobs=$((jobs + 1))
  if [ "$jobs" -ge "$(nproc)" ]; then
    wait -n
    jobs=$((jobs - 1))
  fi
done
wait

total=0
printf '%-20s %12s %9s\n' target runs findings
for name in "${targets[@]}"; do
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$name.log" | tail -1)
  [ -n "$runs" ] || runs=$(grep -o '^#[0-9]*' "$out/$name.log" | tail -1 | tr -d '#')
  findings=$(find "$out" -name "$name-*" | wc -l)
  total=$((total + findings))
  printf '%-20s %12s %9s\n' "$name" "${runs:-?}" "$findings"
done
if [ "$total" -gt 0 ]; then
  echo "Findings in $out (see the .log of each target)."
  exit 1
fi
