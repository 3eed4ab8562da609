#!/usr/bin/env bash
# The Windows programs: cross-builds them with MinGW-w64 as the release zip
# is built (warnings are errors), runs the Windows test suites under Wine
# through CTest, and runs the real window end to end. Headless: starts its
# own Xvfb, and uses a fresh Wine prefix inside the build folder.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/ensure-packages.sh
ensure_packages "${WINDOWS_PACKAGES[@]}" "${WINDOWS_TEST_PACKAGES[@]}"

build=build/windows  # the preset's folder
cmake --preset windows --fresh  # as the preset says, whatever was cached
cmake --build --preset windows
cpack --preset windows  # the release zip

# A display of our own, and a Wine prefix nobody else uses. Mono and Gecko
# are left out, so Wine offers no download.
export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all LANG=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT
rm -f "$build/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp \
  3>"$build/display" >"$build/xvfb.log" 2>&1 &
xvfb_pid=$!
for ((i = 0; i < 100; i++)); do
  [ -s "$build/display" ] && break
  sleep 0.1
done
[ -s "$build/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(cat "$build/display")"
export DISPLAY

rm -rf "$WINEPREFIX"
wineboot -i >"$build/wineboot.log" 2>&1
wineserver -w
# Chinese in the dialog font and in 宋体 (SimSun) from Debian's Noto CJK
# faces; the close box's glyph from Wine's Marlett, which Debian's Wine does
# not find by itself; a Wine desktop, which draws the window frames where no
# window manager runs. All before the first window.
reg_add() { wine reg add "$1" /v "$2" /d "$3" /f >>"$build/wineboot.log" 2>&1; }
substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for face in "MS Shell Dlg" "MS Shell Dlg 2"; do
  reg_add "$substitutes" "$face" "Noto Sans CJK SC"
done
for face in SimSun 宋体; do
  reg_add "$substitutes" "$face" "Noto Serif CJK SC"
  reg_add 'HKCU\Software\Wine\Fonts\Replacements' "$face" "Noto Serif CJK SC"
done
reg_add 'HKCU\Software\Wine\Explorer' Desktop Default
reg_add 'HKCU\Software\Wine\Explorer\Desktops' Default 1024x768
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
wineserver -w
# One server for all the runs below. Its background processes (the desktop
# among them) start now, writing to a file: started by a test under CTest,
# they would hold its output pipe open.
wineserver -p
wine "$build/tests/window/win32/win32_window_tests.exe" --gtest_list_tests \
  >"$build/wine-start.log" 2>&1

ctest --preset windows  # one test at a time: the window tests need the focus
bash tests/window/win32/e2e.sh "$build"
