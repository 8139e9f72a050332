#!/usr/bin/env bash
# Draws the two installed pictures with ImageMagick. The results are checked in, so the build never
# needs this script; run it again only to change the pictures.
set -euo pipefail
cd "$(dirname "$0")"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
light=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

# The log-on and support boxes: 330 x 250, a calm blue gradient, a stylised logger trace and the name.
convert -size 330x250 gradient:'#dfeeff'-'#1f4f8f' \
  -fill none -stroke '#ffffff80' -strokewidth 3 \
  -draw "line 20,190 60,170" \
  -draw "line 60,170 95,178" \
  -draw "line 95,178 130,140" \
  -draw "line 130,140 165,150" \
  -draw "line 165,150 200,112" \
  -draw "line 200,112 235,124" \
  -draw "line 235,124 270,92" \
  -draw "line 270,92 310,100" \
  -stroke '#ffffff40' -strokewidth 1 \
  -draw "line 20,210 310,210" -draw "line 20,80 20,210" \
  -stroke none -fill '#ffffffd0' \
  -draw "circle 130,140 134,140" -draw "circle 200,112 204,112" -draw "circle 270,92 274,92" \
  -font "$font" -pointsize 44 -fill '#1f3f6f' -annotate +22+62 'Custodia' \
  -font "$light" -pointsize 14 -fill '#24466f' -annotate +25+84 'account console' \
  -type TrueColor BMP3:splash.bmp

# The help bar's logo: 32 x 32, a shield with a check mark.
convert -size 32x32 gradient:'#eaf3ff'-'#bcd6f5' \
  -fill '#2a5fa8' -stroke '#173a6b' -strokewidth 1 \
  -draw "path 'M 16,3 L 27,7 L 27,16 C 27,22 22,27 16,29 C 10,27 5,22 5,16 L 5,7 Z'" \
  -fill none -stroke '#ffffff' -strokewidth 3 -draw "line 10,16 14,20" -draw "line 14,20 22,11" \
  -type TrueColor BMP3:helpbarlogo.bmp
