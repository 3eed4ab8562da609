#!/usr/bin/env bash
# Installs what is missing, builds everything warning-free, and runs all
# tests: the Linux programs (built as the Debian package is: Debian's flags,
# the shared C++ runtime), the Windows programs under Wine, the package, and
# the web edition in headless Chromium.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"

# Configures afresh (so build/test is as the preset says), builds, tests.
cmake --workflow --preset test --fresh
bash scripts/test-windows.sh  # the Windows programs, cross-built and run under Wine
bash scripts/test-package.sh  # the Debian package, made from build/test
bash scripts/test-web.sh  # the web edition in headless Chromium
