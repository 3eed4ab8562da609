#!/usr/bin/env bash
# Installs what is missing, builds the tool, makes a synthetic sample ROM
# image to try it on, and starts the window.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"

build=build/release  # the preset's folder
cmake --preset release
cmake --build --preset release

sample="$PWD/build/sample/qorvane-sample.gba"
mkdir -p "$(dirname "$sample")"
"$build/tools/make-sample-rom" "$sample" simplified >/dev/null
echo "Sample ROM image (simplified edition): $sample"

exec "$build/window/qt/qorvane-switcher"
