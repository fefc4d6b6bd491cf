#!/usr/bin/env bash
# Runs every fuzz target of tests/fuzz for the given number of seconds (default 60), as many at
# once as there are cores, and prints a table of target, runs, findings and slow inputs
# (scripts/fuzz-summary.sh). Each target starts from its seeds in tests/fuzz/corpus/<Name>/ and
# from what earlier runs kept in build-asan/fuzz-corpus/<Name>/. An input that crashed or broke
# a property, leaked, ran out of memory or ran past FUZZ_TIMEOUT seconds (default 120, generous
# for a machine shared with builds) is a finding; merely slow inputs are not, as a busy machine
# makes them. Both are kept in build-asan/fuzz-findings/ with each target's log. Exits non-zero
# on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
timeout="${FUZZ_TIMEOUT:-120}"
mapfile -t targets < <(sed -n 's/^velmora_fuzz_target(\(.*\))$/\1/p' tests/fuzz/CMakeLists.txt)
bash scripts/asan-build.sh --target "${targets[@]/%/Fuzz}" >/dev/null

out=build-asan/fuzz-findings
mkdir -p "$out"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

run() {  # run NAME: one target for $seconds; writes $out/NAME.log and its exit status
  local name="$1" keep="build-asan/fuzz-corpus/$1" seeds=() status=0
  mkdir -p "$keep"
  [ -d "tests/fuzz/corpus/$name" ] && seeds=("tests/fuzz/corpus/$name")
  "build-asan/tests/fuzz/${name}Fuzz" -max_total_time="$seconds" -max_len=4096 \
    -timeout="$timeout" -print_final_stats=1 -artifact_prefix="$out/$name-" "$keep" \
    "${seeds[@]}" >"$out/$name.log" 2>&1 || status=$?
  echo "$status" >"$out/$name.status"
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

bash scripts/fuzz-summary.sh "$out" "${targets[@]}"
