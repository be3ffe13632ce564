#!/usr/bin/env bash
# Draws the program's printer icon on a 16-pixel grid and writes res/kestrin.ico with
# 16, 32 and 48 pixel images (the larger ones scaled by whole pixels, so they stay sharp).
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Rectangles as x0,y0 x1,y1 (both corners inside), drawn in order.
convert -size 16x16 xc:none \
    -fill '#2b2b2b' -draw 'rectangle 4,0 11,5' \
    -fill '#ffffff' -draw 'rectangle 5,1 10,5' \
    -fill '#1f2d3d' -draw 'rectangle 0,4 15,11' \
    -fill '#4f6f91' -draw 'rectangle 1,5 14,10' \
    -fill '#8fb3d6' -draw 'rectangle 1,5 14,5' \
    -fill '#35e05a' -draw 'rectangle 12,7 13,7' \
    -fill '#101820' -draw 'rectangle 2,9 13,9' \
    -fill '#2b2b2b' -draw 'rectangle 3,10 12,15' \
    -fill '#ffffff' -draw 'rectangle 4,11 11,14' \
    -fill '#7d8a96' -draw 'rectangle 5,12 10,12' \
    -fill '#7d8a96' -draw 'rectangle 5,14 8,14' \
    "$work/16.png"
convert "$work/16.png" -filter point -resize 32x32 "$work/32.png"
convert "$work/16.png" -filter point -resize 48x48 "$work/48.png"
convert "$work/16.png" "$work/32.png" "$work/48.png" res/kestrin.ico
convert "$work/48.png" -filter point -resize 192x192 "$work/preview.png"
echo "res/kestrin.ico written"
