#!/usr/bin/env bash
# Draws the program's four pictures into resources/ with ImageMagick 6 and the Liberation fonts:
# LOGO (320 x 240) and the message-box pictures INFO, ERR and WARN (48 x 48 on magenta, which the
# boxes leave out when they draw them). All are written as 24-bit BMP files without alpha.
# Needs: imagemagick, fonts-liberation. Run from anywhere; the files are committed.
set -euo pipefail
cd "$(dirname "$0")/../resources"
IM=/usr/bin/convert
BOLD=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf
SERIF=/usr/share/fonts/truetype/liberation/LiberationSerif-Bold.ttf
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

save24() {  # save24 SOURCE TARGET.bmp: flatten to 24-bit BMP, no alpha channel
  "$IM" "$1" -background black -alpha remove -alpha off -type TrueColor "BMP3:$2"
}

# LOGO: dark four-colour backdrop, a few soft colour blobs, the name in bright gradient letters
# with a shadow, and the version below it.
"$IM" -size 320x240 xc: \
  -sparse-color Bilinear '0,0 #2a0845  319,0 #04324a  0,239 #0b3a1c  319,239 #4a0a24' \
  "$tmp/back.png"
"$IM" -size 320x240 xc:none \
  -fill '#ff40a060' -draw 'circle 40,200 40,140' \
  -fill '#40c0ff50' -draw 'circle 290,40 290,-10' \
  -fill '#ffd04040' -draw 'circle 250,210 250,180' \
  -blur 0x18 "$tmp/blobs.png"
"$IM" "$tmp/back.png" "$tmp/blobs.png" -composite "$tmp/back2.png"
"$IM" -size 320x240 xc: \
  -sparse-color Bilinear '0,70 #ffe040  319,70 #ff40c0  0,130 #40ffb0  319,130 #40a0ff' \
  "$tmp/bright.png"
"$IM" -size 320x240 xc:black -font "$SERIF" -pointsize 70 -fill white \
  -gravity north -annotate +0+62 'Velmora' "$tmp/name_mask.png"
"$IM" "$tmp/name_mask.png" -blur 0x3 -level 0,80% "$tmp/shadow_mask.png"
# shadow: darken the backdrop where the blurred name lies, shifted down-right
"$IM" "$tmp/back2.png" \( -size 320x240 xc:black \) \( "$tmp/shadow_mask.png" -roll +4+4 \) \
  -composite "$tmp/shadowed.png"
"$IM" "$tmp/shadowed.png" "$tmp/bright.png" "$tmp/name_mask.png" -composite "$tmp/named.png"
"$IM" "$tmp/named.png" -font "$BOLD" -pointsize 34 -gravity north \
  -fill '#00000080' -annotate +2+152 '1.0' \
  -fill '#ffffff' -stroke '#40c0ff' -strokewidth 1 -annotate +0+150 '1.0' \
  -stroke none -font "$BOLD" -pointsize 13 -fill '#c8c0e0' \
  -annotate +0+208 'GameBoy and GameBoy Color ROM editor' "$tmp/logo.png"
save24 "$tmp/logo.png" LOGO.bmp

# The message-box pictures: a hard-edged disc (no blending into the magenta), a light rim, and
# the sign in the middle.
disc() {  # disc NAME FILL RIM
  "$IM" -size 48x48 xc:'#ff00ff' +antialias -fill "$3" -draw 'circle 23.5,23.5 23.5,2' \
    -fill "$2" -draw 'circle 23.5,23.5 23.5,4' "$tmp/$1.png"
}
disc info '#1f5fd0' '#a8c8ff'
"$IM" "$tmp/info.png" -fill white -draw 'circle 23.5,13 23.5,9.5' \
  -draw 'rectangle 20,19 27,37' -draw 'rectangle 17,19 20,22' -draw 'rectangle 17,34 30,37' \
  "$tmp/INFO.png"
save24 "$tmp/INFO.png" INFO.bmp

disc err '#d01818' '#ffa0a0'
"$IM" "$tmp/err.png" -stroke white -strokewidth 6 -draw 'line 15,15 32,32' \
  -draw 'line 32,15 15,32' "$tmp/ERR.png"
save24 "$tmp/ERR.png" ERR.bmp

disc warn '#f0c010' '#fff0a0'
"$IM" "$tmp/warn.png" -fill black -draw 'polygon 20,9 27,9 26,29 21,29' \
  -draw 'rectangle 20,32 27,38' "$tmp/WARN.png"
save24 "$tmp/WARN.png" WARN.bmp
