#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, when any is missing. clang and
# its runtime libraries serve the sanitizer build and the fuzz targets; dpkg-dev and file the
# Debian package's dependencies, appstream the check of its metainfo. libmgba-dev runs ROMs,
# libpng-dev reads and writes pictures; bison and pkg-config build the RGBDS tools.
set -euo pipefail
packages=(cmake g++ qt6-base-dev libgtest-dev libbenchmark-dev zlib1g-dev libcli11-dev
  libmgba-dev libpng-dev bison pkg-config fonts-liberation xvfb clang libclang-rt-14-dev dpkg-dev file appstream)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi
