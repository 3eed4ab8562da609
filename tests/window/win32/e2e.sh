#!/usr/bin/env bash
# The real window program under Wine, driven as a user would: xdotool clicks
# each control where e2e_probe finds it; the probe puts a Chinese path into
# the open dialog (xdotool types such characters badly). Every wait has a
# deadline.   e2e.sh BUILD_DIR   (Wine prefix and desktop up)
set -euo pipefail
build=$(realpath "$1")
export LANG=C.UTF-8 WINEDEBUG=-all
rm -rf "$build/e2e" && mkdir -p "$build/e2e" && cd "$build/e2e"
title='QorvaneADVANCE中文版 简繁体切换工具' open='打开QorvaneROM文件' rom='样本 图像.gba'

# Output to files: Wine's background processes would hold a pipe open.
probe() {
  timeout 60 wine "$build/tests/window/win32/e2e_probe.exe" "$@" >probe.out 2>&1 ||
    { echo "e2e: no $*" >&2; exit 1; }
}
click() { probe "$@" && read -r x y <probe.out && xdotool mousemove --sync "$x" "$y" click 1; }

# A simplified sample under a Chinese name, and the traditional one it must become.
for edition in simplified traditional; do
  timeout 60 wine "$build/tools/make-sample-rom.exe" "$edition.gba" "$edition" >>make.log 2>&1
done
mv simplified.gba "$rom"
(set +e; timeout 120 wine "$build/window/win32/qorvane-switcher.exe" >out.log 2>&1; echo $? >status) &

click "$title" Button '浏览..'
probe "$open" Edit '' "Z:${PWD//\//\\}\\$rom"
click "$open" Button '#1'  # Open
probe "$title" Button '目前此ROM为简体中文'  # the dialog has closed: the frame's caption
click "$title" Button '繁体中文'  # Option2; its label is a Static
click "$title" Button '转 换'
click '提 示' Button '#1'  # OK on the notice
wait
[ "$(cat status)" = 0 ] || { echo "e2e: exit status $(cat status)" >&2; exit 1; }
cmp "$rom" traditional.gba
echo "e2e: browse, choose, convert and end: passed"
