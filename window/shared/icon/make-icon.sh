#!/usr/bin/env bash
# Regenerates the icons from the one artwork: 简 on red beside 繁 on blue, the
# two scripts the tool switches between. The artwork is drawn on a 96-unit
# grid and rendered afresh at each size, so the text stays sharp:
#   qorvane-switcher.png   96 px, the window icon (a Qt resource)
#   qorvane-switcher.ico   96, 48, 32, 16 px, the Windows program file's icon
#   hicolor/NxN/apps/org.example.QorvaneSwitcher.png   48, 64, 96, 128 px,
#                          the desktop icon, named after the application id
#   ../../web/icon-N.png   32, 192, 512 px, the web page's icon and its
#                          home-screen icons (web app manifest)
# All 256 colours. The PNGs carry no time stamps, so running this again
# gives the same files.
# Needs ImageMagick and a Simplified-Chinese font (Debian: imagemagick,
# fonts-noto-cjk).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

app_id=org.example.QorvaneSwitcher
font=$(fc-match -f '%{file}' 'Noto Sans CJK SC:style=Bold')
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# u N: N units of the 96-unit grid at the current size, rounded.
u() { echo $((($1 * size + 48) / 96)); }

# draw SIZE FILE: the artwork at SIZE x SIZE pixels, full colour.
draw() {
  local size=$1 last=$(($1 - 1))
  convert -size "${size}x${size}" xc:none \
    -fill '#c62828' -draw "roundrectangle 0,0 $last,$last $(u 16),$(u 16)" \
    -fill '#1e4fa3' \
    -draw "polygon $(u 48),0 $(u 80),0 $last,$(u 16) $last,$(u 80) $(u 80),$last $(u 48),$last" \
    -draw "roundrectangle $(u 48),0 $last,$last $(u 16),$(u 16)" \
    -fill white -font "$font" -pointsize "$(u 38)" \
    -gravity West -annotate "+$(u 5)-$(u 1)" '简' \
    -gravity East -annotate "+$(u 5)-$(u 1)" '繁' \
    "$2"
}

# png FROM TO: 256 colours, no time stamps.
png() {
  convert "$1" -colors 256 -define png:exclude-chunks=date,time "PNG8:$2"
}

draw 96 "$work/96.png"
png "$work/96.png" qorvane-switcher.png
convert "$work/96.png" -colors 256 \
  \( -clone 0 -resize 48x48 \) \( -clone 0 -resize 32x32 \) \
  \( -clone 0 -resize 16x16 \) qorvane-switcher.ico
echo "wrote qorvane-switcher.png and qorvane-switcher.ico"

for size in 48 64 96 128; do
  dir="hicolor/${size}x${size}/apps"
  mkdir -p "$dir"
  draw "$size" "$work/$size.png"
  png "$work/$size.png" "$dir/$app_id.png"
  echo "wrote $dir/$app_id.png"
done

for size in 32 192 512; do
  draw "$size" "$work/web-$size.png"
  png "$work/web-$size.png" "../../web/icon-$size.png"
  echo "wrote ../../web/icon-$size.png"
done
