#!/usr/bin/env bash
# Draws the console's icons with ImageMagick: each at 64 x 64, then scaled to the 32 and 16 pixel sizes
# the lists, trees and dialogs show. The PNG files are checked in; run this only to change them.
set -euo pipefail
cd "$(dirname "$0")"

folder_back=(-fill '#e0a82e' -stroke '#8a6414' -strokewidth 2 -draw "path 'M 6,16 L 24,16 L 29,22 L 58,22 L 58,54 L 6,54 Z'")
folder_front=(-fill '#f6c85a' -stroke '#8a6414' -strokewidth 2 -draw "roundrectangle 6,26 58,54 3,3")
folder_open=(-fill '#fbd97e' -stroke '#8a6414' -strokewidth 2 -draw "path 'M 6,54 L 14,30 L 62,30 L 54,54 Z'")
person=(-draw "circle 32,20 32,8" -draw "path 'M 12,58 C 12,40 20,34 32,34 C 44,34 52,40 52,58 Z'")

icon() {  # name, drawing arguments
  local name=$1
  shift
  convert -size 64x64 xc:none "$@" PNG32:"$name-64.tmp.png"
  convert "$name-64.tmp.png" -filter Lanczos -resize 32x32 PNG32:"$name-32.png"
  convert "$name-64.tmp.png" -filter Lanczos -resize 16x16 PNG32:"$name-16.png"
  rm "$name-64.tmp.png"
}

# Tree and list images, in the order the lists use them.
icon root -fill '#5b8fd6' -stroke '#24508f' -strokewidth 2 -draw "roundrectangle 8,8 56,40 4,4" \
  -fill '#dbe9fb' -draw "rectangle 13,13 51,35" -fill '#24508f' -draw "rectangle 29,40 35,48" \
  -draw "rectangle 6,48 58,53" -fill '#f6c85a' -stroke '#8a6414' -draw "rectangle 18,18 30,30" \
  -draw "rectangle 34,18 46,30"
icon loginpath "${folder_back[@]}" "${folder_front[@]}"
icon category-open "${folder_back[@]}" "${folder_open[@]}"
icon group -fill '#8fb2e0' -stroke '#2f5788' -strokewidth 2 -draw "circle 44,18 44,8" \
  -draw "path 'M 28,52 C 28,36 34,30 44,30 C 54,30 60,36 60,52 Z'" \
  -fill '#3f77c2' "${person[@]}"
icon user -fill '#3f77c2' -stroke '#1f4478' -strokewidth 2 "${person[@]}"

# Dialog icons: adding a login path, one office, and the help bar's buttons.
icon addloginpath "${folder_back[@]}" "${folder_front[@]}" -fill '#3aa64a' -stroke '#1e6b29' -strokewidth 2 \
  -draw "circle 46,44 46,30" -stroke white -strokewidth 5 -draw "line 46,36 46,52" -draw "line 38,44 54,44"
icon office -fill '#c9d3df' -stroke '#4a5a6e' -strokewidth 2 -draw "rectangle 14,8 50,58" \
  -fill '#5b8fd6' -stroke none -draw "rectangle 20,14 28,22" -draw "rectangle 36,14 44,22" \
  -draw "rectangle 20,28 28,36" -draw "rectangle 36,28 44,36" -fill '#4a5a6e' -draw "rectangle 27,44 37,58"
icon helpbar-close -stroke '#4a5a6e' -strokewidth 8 -draw "line 16,16 48,48" -draw "line 48,16 16,48"
icon helpbar-expand -fill '#4a5a6e' -stroke none -draw "path 'M 30,12 L 10,32 L 30,52 Z'" \
  -draw "path 'M 54,12 L 34,32 L 54,52 Z'"
icon helpbar-restore -fill '#4a5a6e' -stroke none -draw "path 'M 10,12 L 30,32 L 10,52 Z'" \
  -draw "path 'M 34,12 L 54,32 L 34,52 Z'"
icon search -fill '#dbe9fb' -stroke '#24508f' -strokewidth 6 -draw "circle 26,26 26,10" \
  -strokewidth 10 -draw "line 38,38 56,56"

# The program's own icon: the shield of the help bar logo.
icon custodia -fill '#2a5fa8' -stroke '#173a6b' -strokewidth 2 \
  -draw "path 'M 32,4 L 56,12 L 56,32 C 56,46 46,56 32,60 C 18,56 8,46 8,32 L 8,12 Z'" \
  -fill none -stroke white -strokewidth 7 -draw "line 20,32 29,41" -draw "line 29,41 45,22"
