#!/usr/bin/env bash
# Set-up, build and every test. Exits non-zero on any failure.
#
# The main run builds with the default compiler (GCC) in build/. When clang is there, everything
# is then built again in build-asan/ with AddressSanitizer and UndefinedBehaviorSanitizer and
# run there (any report fails the run), and every fuzz target runs for 10 seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
(cd build && ctest --output-on-failure -j"$(nproc)")

if ! command -v clang++ >/dev/null; then
  echo "clang++ not found: the sanitizer build and the fuzz runs are left out."
  exit 0
fi
bash scripts/asan-build.sh
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
(cd build-asan && ctest --output-on-failure -j"$(nproc)")
bash scripts/fuzz.sh 10
