#!/usr/bin/env bash
# The real window program under Wine, end to end (Win32EndToEnd in
# form1_test.cpp).   e2e.sh BUILD_DIR   (Wine prefix and desktop up)
set -euo pipefail
cd "$1"
# Output to a file: Wine's background processes would hold a pipe open.
if LANG=C.UTF-8 WINEDEBUG=-all timeout 120 wine tests/window/win32/win32_window_tests.exe \
  --gtest_filter='Win32EndToEnd.*' >e2e.log 2>&1; then echo "e2e: browse, choose, convert and end: passed"
else cat e2e.log >&2; exit 1; fi
