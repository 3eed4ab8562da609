#!/usr/bin/env bash
# The real window program under Wine, driven from outside as a user would:
# xdotool moves the mouse and clicks; e2e_probe reads the windows' texts,
# finds the controls and sets the open dialog's file name (typing Chinese
# through xdotool loses characters). Every wait polls with a deadline.
#
#   e2e.sh BUILD_DIR   (WINEPREFIX ready, DISPLAY showing a Wine desktop)
set -euo pipefail
build=$(realpath "$1")
work="$build/e2e"
title='QorvaneADVANCE中文版 简繁体切换工具'
export LANG=C.UTF-8 WINEDEBUG=-all
rm -rf "$work" && mkdir -p "$work"

fail() {
  echo "e2e: $*" >&2
  exit 1
}
# Output goes to files: Wine's background processes would hold a pipe open.
probe() {
  timeout 60 wine "$build/tests/window/win32/e2e_probe.exe" "$@" \
    >"$work/probe.out" 2>"$work/probe.err" ||
    { cat "$work/probe.err" >&2; fail "probe $*"; }
}
click() {
  probe center "$@"
  read -r x y <"$work/probe.out"
  xdotool mousemove --sync "$x" "$y" click 1
}
windows_path() { echo "Z:${1//\//\\}"; }

# A simplified sample under a Chinese name, and the traditional one it
# must become.
for edition in simplified traditional; do
  timeout 60 wine "$build/tools/make-sample-rom.exe" \
    "$(windows_path "$work/$edition.gba")" "$edition" >>"$work/make.log" 2>&1
done
rom="$work/样本 图像.gba"
mv "$work/simplified.gba" "$rom"

(
  cd "$work"
  status=0
  wine "$build/window/win32/qorvane-switcher.exe" >out.log 2>err.log ||
    status=$?
  echo "$status" >status.tmp && mv status.tmp status
) &
probe wait "$title" Button '转 换'
click "$title" Button '浏览..'
probe set '打开QorvaneROM文件' Edit '' "$(windows_path "$rom")"
click '打开QorvaneROM文件' Button '#1'  # Open
probe wait "$title" Button '目前此ROM为简体中文'  # the frame's caption
click "$title" Button '繁体中文'  # Option2; its label is a Static
click "$title" Button '转 换'
probe wait "$title" Button '目前此ROM为繁体中文'
probe wait '提 示' Static '转换成功'
click '提 示' Button '#1'  # OK

for ((i = 0; i < 300; i++)); do
  [ -e "$work/status" ] && break
  sleep 0.1
done
[ -e "$work/status" ] || fail "the program has not ended"
[ "$(cat "$work/status")" = 0 ] || fail "exit status $(cat "$work/status")"
cmp "$rom" "$work/traditional.gba" || fail "not converted byte for byte"
echo "e2e: browse, choose, convert and end: passed"
