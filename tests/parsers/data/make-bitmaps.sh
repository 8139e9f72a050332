#!/usr/bin/env bash
# Writes the bitmap fixtures of BitmapFileTest with ImageMagick, from pictures whose every pixel the
# test computes by the same formulas (see ExpectedPixel there). Run from anywhere; needs `convert`.
set -euo pipefail
cd "$(dirname "$0")"

# picture WIDTH HEIGHT FORMULA: a plain-text PPM whose pixel (x, y) is what FORMULA prints for it.
picture() {
    local width=$1 height=$2 formula=$3 x y
    echo "P3 $width $height 255"
    for ((y = 0; y < height; y++)); do
        for ((x = 0; x < width; x++)); do
            "$formula" "$x" "$y"
        done
    done
}

# Two colours: a checker of 3-pixel squares, 13 wide so a row spills into a second byte.
twoColours() { if (((($1 / 3) + ($2 / 3)) % 2)); then echo "255 255 255"; else echo "0 0 64"; fi; }
# Twelve colours.
twelveColours() { local i=$((($1 + 2 * $2) % 12)); echo "$((i * 20)) $((255 - i * 15)) $((i * i))"; }
# Forty colours.
fortyColours() { local i=$((($1 * 5 + $2) % 40)); echo "$((i * 6)) $((i * 3 + 10)) $((250 - i * 5))"; }
# Every pixel its own colour.
manyColours() { echo "$(($1 * 30)) $(($2 * 40)) $((($1 * $2 * 7 + 5) % 256))"; }

picture 13 5 twoColours | convert ppm:- -type palette -compress none BMP3:bits1.bmp
picture 7 5 twelveColours | convert ppm:- -type palette -compress none BMP3:bits4.bmp
picture 9 6 fortyColours | convert ppm:- -type palette -compress none BMP3:bits8.bmp
# ImageMagick's default for 8 bits: run-length compressed.
picture 9 6 fortyColours | convert ppm:- -type palette BMP3:bits8rle.bmp
picture 7 5 manyColours | convert ppm:- -type truecolor BMP3:bits24.bmp
# ImageMagick's own default: the 124-byte header.
picture 7 5 manyColours | convert ppm:- -type truecolor bits24v5.bmp
# With an alpha channel: 32 bits with bit-field masks in a 124-byte header.
picture 7 5 manyColours | convert ppm:- -type truecoloralpha bits32v5.bmp
