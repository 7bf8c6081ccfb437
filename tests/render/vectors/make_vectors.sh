#!/usr/bin/env bash
# Makes the ImageMagick reference images for the TGA decoder tests: each
# NAME.tga is written by ImageMagick and NAME.rgba (or NAME.rgb for 24 bits)
# holds the pixels ImageMagick reads back from it, top row first.
# Run from anywhere; rewrites the files beside this script.
set -euo pipefail
cd "$(dirname "$0")"
rm -f ./*.tga ./*.rgba ./*.rgb

# The references are compared with the decoder's output in stored row order.
# The ImageMagick these were made with (6.9.11) reads TGA rows in stored
# order and keeps the descriptor's origin only as a note; make sure the one
# at hand does too: a raw 1x2 file whose first stored pixel is red.
check=$(mktemp -d)
trap 'rm -rf "$check"' EXIT
printf '\0\0\2\0\0\0\0\0\0\0\0\0\1\0\2\0\30\0\0\0\377\377\0\0' >"$check/order.tga"
if [ "$(convert "$check/order.tga" -depth 8 rgb:- | od -An -tx1 | tr -d ' \n')" != ff00000000ff ]; then
    echo "this ImageMagick turns TGA rows to the descriptor's origin; references would be flipped" >&2
    exit 1
fi

# Odd sizes, noise (raw packets), flat areas (runs), partial alpha.
convert -size 37x23 -seed 11 plasma:red-blue -type TrueColor -compress RLE rle24_plasma.tga
convert -size 37x23 -seed 12 plasma:green-yellow \( -size 37x23 gradient:white-black \) \
    -alpha off -compose CopyOpacity -composite -compress RLE rle32_plasma.tga
# Shapes on a transparent background: runs as long as a packet allows.
convert -size 301x7 xc:none -fill '#c03010' -draw 'rectangle 20,1 250,5' \
    -fill '#10e0a0' -draw 'circle 280,3 283,3' -compress RLE rle32_shapes.tga
convert -size 300x5 xc:'#203040' -fill '#f0e0d0' -draw 'rectangle 0,0 140,1' \
    -type TrueColor -compress RLE rle24_bands.tga
# Stored top row first (descriptor bit 5 set).
convert -size 29x17 -seed 13 plasma:orange-purple \( -size 29x17 radial-gradient:white-black \) \
    -alpha off -compose CopyOpacity -composite -orient TopLeft -compress RLE rle32_topleft.tga
# Uncompressed (type 2).
convert -size 23x19 -seed 14 plasma:cyan-magenta -type TrueColor -compress None raw24_plasma.tga
convert -size 23x19 -seed 15 plasma:white-navy \( -size 23x19 gradient:black-white \) \
    -alpha off -compose CopyOpacity -composite -compress None raw32_plasma.tga

for f in ./*.tga; do
    case $(od -An -tu1 -j16 -N1 "$f" | tr -d ' ') in
        24) convert "$f" -depth 8 "rgb:${f%.tga}.rgb" ;;
        32) convert "$f" -depth 8 "rgba:${f%.tga}.rgba" ;;
    esac
done
