#!/usr/bin/env bash
# Regenerates the window and program icon: 简 on red beside 繁 on blue, the
# two scripts the tool switches between. 96 x 96 pixels, 256 colours, as a
# PNG (the window icon) and a Windows .ico (the program file's icon).
# Needs ImageMagick and a Simplified-Chinese font (Debian: imagemagick,
# fonts-noto-cjk).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

font=$(fc-match -f '%{file}' 'Noto Sans CJK SC:style=Bold')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 96x96 xc:none \
  -fill '#c62828' -draw 'roundrectangle 0,0 95,95 16,16' \
  -fill '#1e4fa3' -draw 'polygon 48,0 80,0 95,16 95,80 80,95 48,95' \
  -draw 'roundrectangle 48,0 95,95 16,16' \
  -fill white -font "$font" -pointsize 38 \
  -gravity West -annotate +5-1 '简' \
  -gravity East -annotate +5-1 '繁' \
  "$work/icon.png"

convert "$work/icon.png" -colors 256 PNG8:qorvane-switcher.png
convert "$work/icon.png" -colors 256 \
  \( -clone 0 -resize 48x48 \) \( -clone 0 -resize 32x32 \) \
  \( -clone 0 -resize 16x16 \) qorvane-switcher.ico
echo "wrote qorvane-switcher.png and qorvane-switcher.ico"
