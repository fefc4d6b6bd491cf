#!/usr/bin/env bash
# Configures and builds build-asan/: clang with AddressSanitizer and UndefinedBehaviorSanitizer,
# where any report stops the program, and the libFuzzer targets of tests/fuzz. Arguments go to
# `cmake --build` (e.g. --target SymFileFuzz). VELMORA_ASAN_UI=OFF leaves the windows out.
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$sanitize" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" \
  -DVELMORA_BUILD_FUZZ=ON -DVELMORA_BUILD_BENCH=OFF -DVELMORA_BUILD_UI="${VELMORA_ASAN_UI:-ON}" \
  >/dev/null
cmake --build build-asan -j"$(nproc)" "$@"
