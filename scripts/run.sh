#!/usr/bin/env bash
# Set-up, a Release build, then the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
if [ -x build/velmora ]; then
  exec build/velmora
fi
