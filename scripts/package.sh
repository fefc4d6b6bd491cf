#!/usr/bin/env bash
# Builds the Debian package velmora_<version>_<arch>.deb from a Release build in build-package/
# and leaves it in the repository's top folder: `apt-get install ./velmora_*.deb` installs it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_BENCH=OFF "${launcher[@]}"
# Only the two programs are installed, so only they are built.
cmake --build build-package -j"$(nproc)" --target velmora velmora-cli
rm -f build-package/velmora_*.deb
(cd build-package && cpack -G DEB)
mv build-package/velmora_*.deb .
ls velmora_*.deb
