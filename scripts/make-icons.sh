#!/usr/bin/env bash
# Makes the committed .ico files from their SVG sources with ImageMagick: the program's icon
# (data/icon/talmero-prx.svg, 16 to 256 pixels) and the pictures of the Windows window's buttons
# (winui/res/*.svg, 16 to 32 pixels), and the PNG icons of the Linux menu entry in the hicolor
# theme's sizes (data/icon/hicolor/SIZExSIZE/apps/talmero-prx.png). Run it after changing an SVG
# and commit the results.
set -euo pipefail
cd "$(dirname "$0")/.."
to_ico() {  # svg ico sizes...
  local svg=$1 ico=$2; shift 2
  local work; work=$(mktemp -d)
  local pngs=()
  for size in "$@"; do
    convert -background none -density 384 "$svg" -resize "${size}x${size}" "$work/$size.png"
    pngs+=("$work/$size.png")
  done
  convert "${pngs[@]}" "$ico"
  rm -rf "$work"
}
to_ico data/icon/talmero-prx.svg data/icon/talmero-prx.ico 16 24 32 48 64 256
for svg in winui/res/*.svg; do
  to_ico "$svg" "${svg%.svg}.ico" 16 20 24 32
done
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "data/icon/hicolor/${size}x${size}/apps"
  convert -background none -density 384 data/icon/talmero-prx.svg -resize "${size}x${size}" \
    -strip "data/icon/hicolor/${size}x${size}/apps/talmero-prx.png"
done
