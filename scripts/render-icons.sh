#!/bin/sh
# Renders the SVG sources in src/ui/look/resources/ to the PNG files and the JPEG logo committed beside
# them. A developer runs this after editing a picture; the build only uses the rendered files.
# Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert.
set -eu
cd "$(dirname "$0")/../src/ui/look/resources"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The button pictures, 20 x 20 each, side by side in one sheet in the order of buttonPicture()'s
# names, as plain RGBA bytes (8 bits each, not premultiplied): start-up shows them without
# decoding any file. A second sheet at 40 x 40 keeps them sharp on a screen scaled by 2.
for side in 20 40; do
    pictures=""
    for button in 1 2 3 4 5 6 7 8 9 11; do
        rsvg-convert -w $side -h $side "BitBtn$button.svg" -o "$tmp/BitBtn$button-$side.png"
        pictures="$pictures $tmp/BitBtn$button-$side.png"
    done
    sheet=buttons.rgba
    [ $side = 20 ] || sheet=buttons@2x.rgba
    # shellcheck disable=SC2086 # one argument per picture
    convert $pictures +append -depth 8 RGBA:$sheet
done

# The small icon has a drawing of its own; the others scale the big one.
rsvg-convert -w 16 -h 16 zandrel-16.svg -o zandrel-16.png
for size in 32 48 128; do
    rsvg-convert -w "$size" -h "$size" zandrel.svg -o "zandrel-$size.png"
done

# The About window's logo: 89 x 89, baseline (not progressive), three 8-bit components.
rsvg-convert -w 89 -h 89 logo.svg -o "$tmp/logo.png"
convert "$tmp/logo.png" -background white -alpha remove -alpha off -type TrueColor -depth 8 \
    -interlace none -sampling-factor 2x2,1x1,1x1 -quality 92 -strip logo.jpg
