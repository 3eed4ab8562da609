#!/usr/bin/env bash
# Installs what is missing, builds everything warning-free, and runs all
# tests: the Linux programs (built as the Debian package is: Debian's flags,
# the shared C++ runtime), the Windows programs under Wine, the package, and
# the web edition in Chromium, Firefox ESR and WebKitGTK.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/ensure-packages.sh
# Everything every step needs, in one apt-get run (each step's script
# also installs its own share when run alone).
ensure_packages "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}" \
  "${WINDOWS_TEST_PACKAGES[@]}" "${PACKAGE_TEST_PACKAGES[@]}" \
  "${WEB_PACKAGES[@]}" "${WEB_TEST_PACKAGES[@]}"

# Configures afresh (so build/test is as the preset says), builds, tests.
cmake --workflow --preset test --fresh
bash scripts/test-windows.sh  # the Windows programs, cross-built and run under Wine
bash scripts/test-package.sh  # the Debian package, made from build/test
bash scripts/test-web.sh  # the web edition in three browser engines
