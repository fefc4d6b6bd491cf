#!/usr/bin/env bash
# The Debian package of a Release build: cpack makes it into a temporary folder, and its fields
# and files are checked with dpkg-deb. Exits 77 (skipped) where dpkg-deb or cpack is missing.
# Arguments: the build folder, the program's version.
set -euo pipefail
build="$1" version="$2"
command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null || exit 77
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; exit 1; }
deb="$(ls "$out"/velmora_*.deb)"
fail() { echo "FAIL: $*"; exit 1; }
[ "$(basename "$deb")" = "velmora_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "package file name $(basename "$deb")"

[ "$(dpkg-deb --field "$deb" Package)" = velmora ] || fail "Package"
[ "$(dpkg-deb --field "$deb" Version)" = "$version" ] || fail "Version"
# Each field is read whole before it is matched: grep -q stops at the first match, and under
# pipefail the writer's SIGPIPE would fail the test at random.
maintainer="$(dpkg-deb --field "$deb" Maintainer)"
grep -q '<.*@.*>' <<<"$maintainer" || fail "Maintainer"
description="$(dpkg-deb --field "$deb" Description)"
grep -q 'GameBoy' <<<"$description" || fail "Description"
depends="$(dpkg-deb --field "$deb" Depends)"
for lib in libqt6widgets6 libqt6gui6 libqt6core6 zlib1g libc6 libstdc++6; do
  [[ ", $depends," == *", $lib "* ]] || fail "Depends lacks $lib: $depends"
done

contents="$(dpkg-deb --contents "$deb" | awk '{print $NF}')"
for file in usr/bin/velmora usr/bin/velmora-cli \
  usr/share/applications/org.velmora.Velmora.desktop \
  usr/share/metainfo/org.velmora.Velmora.metainfo.xml \
  usr/share/icons/hicolor/256x256/apps/org.velmora.Velmora.png; do
  grep -qx "\./$file" <<<"$contents" || fail "no $file in the package"
done
# The release the software centre shows is the one packaged.
metainfo="$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/metainfo/org.velmora.Velmora.metainfo.xml)"
grep -q "<release version=\"$version\"" <<<"$metainfo" || fail "the metainfo has no release $version"
echo "velmora_${version}: fields and files as expected"
