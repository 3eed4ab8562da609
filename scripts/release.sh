#!/usr/bin/env bash
# Builds the release packages from scratch, each in a clean build folder, and
# leaves them in dist/ with a SHA256SUMS file:
#   qorvane-switcher_1.00_amd64.deb            (CPack's DEB generator)
#   qorvane-switcher-1.00-windows-x64.zip      (cross-built with MinGW-w64)
#   qorvane-switcher-1.00-web.zip              (the browser page's site, built
#                                               with Emscripten)
# Works in a git checkout and in a source tree unpacked from a tarball. Two
# runs on one machine give byte-identical files: every time stamp is
# SOURCE_DATE_EPOCH (cmake/source-date-epoch.cmake: the value set, else the
# last commit's time, else the top changelog entry's), and the archives hold
# their files in a fixed order.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" file "${WINDOWS_PACKAGES[@]}" \
  "${WEB_PACKAGES[@]}"

SOURCE_DATE_EPOCH=$(cmake -P cmake/source-date-epoch.cmake)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C.UTF-8
umask 022
use_emscripten_cache

dist=$PWD/dist
rm -rf "$dist" build/dist-deb build/dist-win build/dist-web
mkdir -p "$dist"
# Each: configure, build, package.
cmake --workflow --preset dist-deb  # Debian's flags, the shared C++ runtime
cmake --workflow --preset dist-win  # MinGW-w64, everything linked statically
cmake --workflow --preset dist-web  # Emscripten, the site
cp build/dist-deb/qorvane-switcher_*_amd64.deb \
  build/dist-win/qorvane-switcher-*-windows-x64.zip \
  build/dist-web/qorvane-switcher-*-web.zip "$dist/"

(cd "$dist" && sha256sum -- *.deb *.zip >SHA256SUMS)
echo "Release files in $dist (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH):"
cat "$dist/SHA256SUMS"
