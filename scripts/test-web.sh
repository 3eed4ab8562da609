#!/usr/bin/env bash
# The web edition: builds the site, then drives it in headless Chromium,
# Firefox ESR and WebKitGTK (tests/web/browser_test.py). Arguments go to the
# test, e.g. `--engine firefox`, a name filter, or `--screenshots docs` to
# refresh the README's screenshots.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/ensure-packages.sh
ensure_packages "${WEB_PACKAGES[@]}" "${WEB_TEST_PACKAGES[@]}"

bash scripts/web.sh --build-only
/usr/bin/python3 tests/web/browser_test.py "$@"
