#!/usr/bin/env bash
# Builds the release packages from scratch, each in a clean build folder, and
# leaves them in dist/ with a SHA256SUMS file:
#   qorvane-switcher_1.00_amd64.deb            (CPack's DEB generator)
#   qorvane-switcher-1.00-windows-x64.zip      (cross-built with MinGW-w64)
# Two runs on one machine give byte-identical files: every time stamp is
# SOURCE_DATE_EPOCH (by default the last commit's time), and the archives
# hold their files in a fixed order.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" dpkg-dev file strip-nondeterminism \
  g++-mingw-w64-x86-64-posix wine

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
fi
export SOURCE_DATE_EPOCH
export TZ=UTC LC_ALL=C.UTF-8
umask 022

dist=$PWD/dist
deb_build=build/dist-deb
win_build=build/dist-win
rm -rf "$dist" "$deb_build" "$win_build"
mkdir -p "$dist"

# The Debian package, built with the flags Debian builds its own with
# (hardening on, the source folder mapped away in debug paths), against the
# shared C++ runtime the window program loads anyway.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
CXXFLAGS="$CPPFLAGS $CXXFLAGS" \
  cmake -S . -B "$deb_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DQORVANE_BUILD_TESTS=OFF -DQORVANE_BUILD_BENCHMARKS=OFF \
  -DQORVANE_STATIC_RUNTIME=OFF
unset CFLAGS CPPFLAGS CXXFLAGS LDFLAGS OBJCFLAGS OBJCXXFLAGS FFLAGS FCFLAGS
cmake --build "$deb_build" -j 2
(cd "$deb_build" && cpack -G DEB)
cp "$deb_build"/qorvane-switcher_*_amd64.deb "$dist/"

# The Windows zip. Its CPack configuration gives every entry the time
# SOURCE_DATE_EPOCH and a fixed order (with strip-nondeterminism).
cmake -S . -B "$win_build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DQORVANE_BUILD_TESTS=OFF -DQORVANE_BUILD_BENCHMARKS=OFF
cmake --build "$win_build" -j 2
(cd "$win_build" && cpack -G ZIP)
cp "$win_build"/qorvane-switcher-*-windows-x64.zip "$dist/"

(cd "$dist" && sha256sum -- *.deb *.zip >SHA256SUMS)
echo "Release files in $dist (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH):"
cat "$dist/SHA256SUMS"
