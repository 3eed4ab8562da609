#!/usr/bin/env bash
# The real window program under Wine, end to end (Win32EndToEnd in
# form1_test.cpp).   e2e.sh BUILD_DIR   (Wine prefix and desktop up, as
# scripts/test-windows.sh sets them; that also sets LANG and WINEDEBUG)
set -euo pipefail
cd "$1"
# Output to a file: Wine's background processes would hold a pipe open.
# The run must pass, and pass exactly one test: a filter that matches
# nothing passes too.
if timeout 120 wine tests/window/win32/win32_window_tests.exe \
  --gtest_filter='Win32EndToEnd.*' >e2e.log 2>&1 &&
  grep -qF '[  PASSED  ] 1 test.' e2e.log; then
  echo "e2e: browse, choose, convert and end: passed"
else cat e2e.log >&2; echo "e2e: failed, or did not run exactly one test" >&2; exit 1; fi
