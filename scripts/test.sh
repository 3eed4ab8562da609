#!/usr/bin/env bash
# Installs what is missing, builds everything warning-free, and runs all tests.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"

build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQORVANE_WERROR=ON
cmake --build "$build"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j 2
bash scripts/test-windows.sh  # the Windows programs, cross-built and run under Wine
bash scripts/test-package.sh
bash scripts/test-web.sh  # the web edition in headless Chromium
